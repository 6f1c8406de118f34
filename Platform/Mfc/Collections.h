#pragma once
// MFC's collection templates (CArray, CList, CMap) and the concrete classes
// built on them.
//
// Misuse that MFC only ASSERTs (an index out of range, a null POSITION, a
// head of an empty list) is an ASSERT in debug builds. In release builds it
// touches no memory outside the collection: reads return a default value,
// reference accessors return a per-thread dummy element that is reset on
// every such call, and changes are skipped.
//
// Serialize writes the element count with CArchive::WriteCount and then each
// element with SerializeElements, which uses the archive's << and >> for the
// element type. For an element type without them SerializeElements throws
// CNotSupportedException* unless the program specialises it; elements are
// never written as raw memory.

#include <climits>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Mfc/Archive.h"
#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Mfc/String.h"

namespace mfc_detail {

// What a reference accessor hands out after a failed check.
template <class TYPE> TYPE& Dummy()
{
    static thread_local TYPE dummy{};
    dummy = TYPE{};
    return dummy;
}

// CArray's storage: raw memory for elements, and the element constructions
// and destructions over it. A construction that throws leaves nothing of
// its range constructed.
template <class TYPE> TYPE* AllocateElements(size_t count)
{
    if constexpr (alignof(TYPE) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        return static_cast<TYPE*>(::operator new(sizeof(TYPE) * count, std::align_val_t(alignof(TYPE))));
    else
        return static_cast<TYPE*>(::operator new(sizeof(TYPE) * count));
}

template <class TYPE> void FreeElements(TYPE* data)
{
    if constexpr (alignof(TYPE) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        ::operator delete(data, std::align_val_t(alignof(TYPE)));
    else
        ::operator delete(data);
}

template <class TYPE> void DestroyElements(TYPE* first, TYPE* last)
{
    for (; first != last; ++first)
        first->~TYPE();
}

template <class TYPE> void MoveElements(TYPE* first, TYPE* last, TYPE* out)
{
    TYPE* made = out;
    try {
        for (; first != last; ++first, ++made)
            ::new (static_cast<void*>(made)) TYPE(std::move(*first));
    } catch (...) {
        DestroyElements(out, made);
        throw;
    }
}

template <class TYPE> void ValueConstructElements(TYPE* first, TYPE* last)
{
    TYPE* made = first;
    try {
        for (; made != last; ++made)
            ::new (static_cast<void*>(made)) TYPE();
    } catch (...) {
        DestroyElements(first, made);
        throw;
    }
}

template <class TYPE>
concept ArchiveSerializable = requires(CArchive& ar, TYPE& element) {
    ar << element;
    ar >> element;
};

} // namespace mfc_detail

template <class TYPE, class ARG_TYPE> BOOL AFXAPI CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2)
{
    return *pElement1 == *pElement2;
}

// Strings (anything that converts to LPCSTR) hash by content with MFC's
// function; integers and pointers hash by value shifted right by 4.
template <class ARG_KEY> UINT AFXAPI HashKey(ARG_KEY key)
{
    if constexpr (std::is_convertible_v<ARG_KEY, LPCSTR>) {
        UINT hash = 0;
        for (LPCSTR text = key; text && *text; ++text)
            hash = (hash << 5) + hash + static_cast<UINT>(*text);
        return hash;
    } else if constexpr (std::is_pointer_v<ARG_KEY>) {
        return static_cast<UINT>(reinterpret_cast<UINT_PTR>(key) >> 4);
    } else {
        return static_cast<UINT>(key) >> 4;
    }
}

template <class TYPE> void AFXAPI SerializeElements(CArchive& ar, TYPE* pElements, int nCount)
{
    if constexpr (mfc_detail::ArchiveSerializable<TYPE>) {
        for (int i = 0; i < nCount; ++i) {
            if (ar.IsStoring())
                ar << pElements[i];
            else
                ar >> pElements[i];
        }
    } else {
        (void)ar;
        (void)pElements;
        (void)nCount;
        AfxThrowNotSupportedException();
    }
}

template <class TYPE, class ARG_TYPE> class CArray : public CObject {
public:
    CArray() = default;
    ~CArray() override { SetSize(0); }

    int GetSize() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    // New elements are value-initialised (zero for numbers and pointers).
    // nGrowBy -1 keeps the current step; 0 restores the default step.
    void SetSize(int nNewSize, int nGrowBy = -1);
    void FreeExtra();
    void RemoveAll() { SetSize(0); }

    TYPE GetAt(int nIndex) const;
    void SetAt(int nIndex, ARG_TYPE newElement);
    TYPE& ElementAt(int nIndex);
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }

    void SetAtGrow(int nIndex, ARG_TYPE newElement);
    int Add(ARG_TYPE newElement);
    // Returns the index of the first appended element.
    int Append(const CArray& src);
    void Copy(const CArray& src);

    TYPE operator[](int nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](int nIndex) { return ElementAt(nIndex); }

    // An index past the end grows the array to it first.
    void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1);
    void InsertAt(int nStartIndex, const CArray* pNewArray);
    void RemoveAt(int nIndex, int nCount = 1);

    void Serialize(CArchive& ar) override;

protected:
    TYPE* m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;

private:
    // Moves the elements into storage for exactly nNewMax elements.
    void Reallocate(int nNewMax);
};

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::Reallocate(int nNewMax)
{
    TYPE* data = nullptr;
    if (nNewMax > 0) {
        try {
            data = mfc_detail::AllocateElements<TYPE>(static_cast<size_t>(nNewMax));
        } catch (const std::bad_alloc&) {
            AfxThrowMemoryException();
        }
        mfc_detail::MoveElements(m_pData, m_pData + m_nSize, data);
    }
    mfc_detail::DestroyElements(m_pData, m_pData + m_nSize);
    if (m_pData)
        mfc_detail::FreeElements(m_pData);
    m_pData = data;
    m_nMaxSize = nNewMax;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::SetSize(int nNewSize, int nGrowBy)
{
    if (!AFX_CHECK(nNewSize >= 0))
        return;
    if (nGrowBy >= 0)
        m_nGrowBy = nGrowBy;
    if (nNewSize == 0) {
        mfc_detail::DestroyElements(m_pData, m_pData + m_nSize);
        m_nSize = 0;
        Reallocate(0);
        return;
    }
    if (nNewSize > m_nMaxSize) {
        // MFC caps the default step at 1024 elements, which makes adding to a
        // large array quadratic; here the default step keeps growing with it.
        long long grow = m_nGrowBy > 0 ? m_nGrowBy : std::max(4, m_nSize / 8);
        long long newMax = std::max<long long>(nNewSize, m_nMaxSize + grow);
        Reallocate(static_cast<int>(std::min<long long>(newMax, INT_MAX)));
    }
    if (nNewSize > m_nSize)
        mfc_detail::ValueConstructElements(m_pData + m_nSize, m_pData + nNewSize);
    else
        mfc_detail::DestroyElements(m_pData + nNewSize, m_pData + m_nSize);
    m_nSize = nNewSize;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::FreeExtra()
{
    if (m_nSize != m_nMaxSize)
        Reallocate(m_nSize);
}

template <class TYPE, class ARG_TYPE> TYPE CArray<TYPE, ARG_TYPE>::GetAt(int nIndex) const
{
    if (!AFX_CHECK(nIndex >= 0 && nIndex < m_nSize))
        return TYPE{};
    return m_pData[nIndex];
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::SetAt(int nIndex, ARG_TYPE newElement)
{
    if (AFX_CHECK(nIndex >= 0 && nIndex < m_nSize))
        m_pData[nIndex] = newElement;
}

template <class TYPE, class ARG_TYPE> TYPE& CArray<TYPE, ARG_TYPE>::ElementAt(int nIndex)
{
    if (!AFX_CHECK(nIndex >= 0 && nIndex < m_nSize))
        return mfc_detail::Dummy<TYPE>();
    return m_pData[nIndex];
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::SetAtGrow(int nIndex, ARG_TYPE newElement)
{
    if (!AFX_CHECK(nIndex >= 0 && nIndex < INT_MAX))
        return;
    // Copied first: the argument may refer to an element that growing moves.
    TYPE value(newElement);
    if (nIndex >= m_nSize)
        SetSize(nIndex + 1);
    m_pData[nIndex] = std::move(value);
}

template <class TYPE, class ARG_TYPE> int CArray<TYPE, ARG_TYPE>::Add(ARG_TYPE newElement)
{
    int index = m_nSize;
    SetAtGrow(index, newElement);
    return index;
}

template <class TYPE, class ARG_TYPE> int CArray<TYPE, ARG_TYPE>::Append(const CArray& src)
{
    int oldSize = m_nSize;
    int count = src.m_nSize;
    if (!AFX_CHECK(static_cast<long long>(oldSize) + count <= INT_MAX))
        return oldSize;
    SetSize(oldSize + count);
    // src may be this array; its first `count` elements are the originals.
    for (int i = 0; i < count; ++i)
        m_pData[oldSize + i] = src.m_pData[i];
    return oldSize;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::Copy(const CArray& src)
{
    if (this == &src)
        return;
    SetSize(src.m_nSize);
    for (int i = 0; i < m_nSize; ++i)
        m_pData[i] = src.m_pData[i];
}

template <class TYPE, class ARG_TYPE>
void CArray<TYPE, ARG_TYPE>::InsertAt(int nIndex, ARG_TYPE newElement, int nCount)
{
    if (!AFX_CHECK(nIndex >= 0 && nCount > 0 &&
                   static_cast<long long>(std::max(nIndex, m_nSize)) + nCount <= INT_MAX))
        return;
    TYPE value(newElement);
    if (nIndex >= m_nSize) {
        SetSize(nIndex + nCount);
    } else {
        int oldSize = m_nSize;
        SetSize(m_nSize + nCount);
        std::move_backward(m_pData + nIndex, m_pData + oldSize, m_pData + oldSize + nCount);
    }
    for (int i = nIndex; i < nIndex + nCount; ++i)
        m_pData[i] = value;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::InsertAt(int nStartIndex, const CArray* pNewArray)
{
    if (!AFX_CHECK(pNewArray != nullptr && nStartIndex >= 0) || pNewArray->m_nSize == 0)
        return;
    if (pNewArray == this) {
        CArray copy;
        copy.Copy(*this);
        InsertAt(nStartIndex, &copy);
        return;
    }
    InsertAt(nStartIndex, pNewArray->m_pData[0], pNewArray->m_nSize);
    if (nStartIndex + pNewArray->m_nSize > m_nSize)
        return; // the insertion itself failed its check
    for (int i = 1; i < pNewArray->m_nSize; ++i)
        m_pData[nStartIndex + i] = pNewArray->m_pData[i];
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::RemoveAt(int nIndex, int nCount)
{
    if (!AFX_CHECK(nIndex >= 0 && nCount >= 0 && static_cast<long long>(nIndex) + nCount <= m_nSize))
        return;
    std::move(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
    mfc_detail::DestroyElements(m_pData + m_nSize - nCount, m_pData + m_nSize);
    m_nSize -= nCount;
}

template <class TYPE, class ARG_TYPE> void CArray<TYPE, ARG_TYPE>::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_nSize));
        SerializeElements<TYPE>(ar, m_pData, m_nSize);
        return;
    }
    DWORD count = ar.ReadCount();
    if (count > static_cast<DWORD>(INT_MAX))
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    RemoveAll();
    // Grown a slice at a time so that a corrupt count meets the end of the
    // file before it can claim the memory it names.
    constexpr int kSlice = 4096;
    for (int done = 0; done < static_cast<int>(count);) {
        int slice = std::min(kSlice, static_cast<int>(count) - done);
        SetSize(done + slice);
        SerializeElements<TYPE>(ar, m_pData + done, slice);
        done += slice;
    }
}

template <class TYPE, class ARG_TYPE> class CList : public CObject {
protected:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

public:
    // The block size is accepted for MFC's signature; nodes are allocated
    // one by one.
    explicit CList(int nBlockSize = 10) : m_nBlockSize(nBlockSize) {}
    ~CList() override { RemoveAll(); }

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead();
    TYPE GetHead() const;
    TYPE& GetTail();
    TYPE GetTail() const;
    TYPE RemoveHead();
    TYPE RemoveTail();
    POSITION AddHead(ARG_TYPE newElement);
    POSITION AddTail(ARG_TYPE newElement);
    // Keep the other list's order; a list may be added to itself.
    void AddHead(CList* pNewList);
    void AddTail(CList* pNewList);
    void RemoveAll();

    POSITION GetHeadPosition() const { return ToPosition(m_pNodeHead); }
    POSITION GetTailPosition() const { return ToPosition(m_pNodeTail); }
    // Return the element at rPosition and move rPosition on; past the last
    // (first) element it becomes NULL.
    TYPE& GetNext(POSITION& rPosition);
    TYPE GetNext(POSITION& rPosition) const;
    TYPE& GetPrev(POSITION& rPosition);
    TYPE GetPrev(POSITION& rPosition) const;

    TYPE& GetAt(POSITION position);
    TYPE GetAt(POSITION position) const;
    void SetAt(POSITION pos, ARG_TYPE newElement);
    void RemoveAt(POSITION position);
    // A NULL position inserts at the head (InsertBefore) or tail
    // (InsertAfter). Return the new element's position.
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement);
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement);

    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const;
    // NULL when the index is outside the list.
    POSITION FindIndex(int nIndex) const;

    // Loading appends to the elements already in the list, as MFC does.
    void Serialize(CArchive& ar) override;

protected:
    static POSITION ToPosition(CNode* node) { return reinterpret_cast<POSITION>(node); }
    static CNode* ToNode(POSITION position) { return reinterpret_cast<CNode*>(position); }
    CNode* Link(CNode* pPrev, CNode* pNext, TYPE&& value);
    void Unlink(CNode* node);

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    int m_nCount = 0;
    int m_nBlockSize;
};

template <class TYPE, class ARG_TYPE>
typename CList<TYPE, ARG_TYPE>::CNode* CList<TYPE, ARG_TYPE>::Link(CNode* pPrev, CNode* pNext, TYPE&& value)
{
    CNode* node = new CNode{pNext, pPrev, std::move(value)};
    (pPrev ? pPrev->pNext : m_pNodeHead) = node;
    (pNext ? pNext->pPrev : m_pNodeTail) = node;
    ++m_nCount;
    return node;
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::Unlink(CNode* node)
{
    (node->pPrev ? node->pPrev->pNext : m_pNodeHead) = node->pNext;
    (node->pNext ? node->pNext->pPrev : m_pNodeTail) = node->pPrev;
    --m_nCount;
    delete node;
}

template <class TYPE, class ARG_TYPE> TYPE& CList<TYPE, ARG_TYPE>::GetHead()
{
    return AFX_CHECK(m_pNodeHead != nullptr) ? m_pNodeHead->data : mfc_detail::Dummy<TYPE>();
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::GetHead() const
{
    return AFX_CHECK(m_pNodeHead != nullptr) ? m_pNodeHead->data : TYPE{};
}

template <class TYPE, class ARG_TYPE> TYPE& CList<TYPE, ARG_TYPE>::GetTail()
{
    return AFX_CHECK(m_pNodeTail != nullptr) ? m_pNodeTail->data : mfc_detail::Dummy<TYPE>();
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::GetTail() const
{
    return AFX_CHECK(m_pNodeTail != nullptr) ? m_pNodeTail->data : TYPE{};
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::RemoveHead()
{
    if (!AFX_CHECK(m_pNodeHead != nullptr))
        return TYPE{};
    TYPE value(std::move(m_pNodeHead->data));
    Unlink(m_pNodeHead);
    return value;
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::RemoveTail()
{
    if (!AFX_CHECK(m_pNodeTail != nullptr))
        return TYPE{};
    TYPE value(std::move(m_pNodeTail->data));
    Unlink(m_pNodeTail);
    return value;
}

template <class TYPE, class ARG_TYPE> POSITION CList<TYPE, ARG_TYPE>::AddHead(ARG_TYPE newElement)
{
    return ToPosition(Link(nullptr, m_pNodeHead, TYPE(newElement)));
}

template <class TYPE, class ARG_TYPE> POSITION CList<TYPE, ARG_TYPE>::AddTail(ARG_TYPE newElement)
{
    return ToPosition(Link(m_pNodeTail, nullptr, TYPE(newElement)));
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::AddHead(CList* pNewList)
{
    if (!AFX_CHECK(pNewList != nullptr))
        return;
    // Counted, so that adding a list to itself stops at its old elements.
    CNode* node = pNewList->m_pNodeTail;
    for (int left = pNewList->m_nCount; left > 0; --left, node = node->pPrev)
        Link(nullptr, m_pNodeHead, TYPE(node->data));
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::AddTail(CList* pNewList)
{
    if (!AFX_CHECK(pNewList != nullptr))
        return;
    CNode* node = pNewList->m_pNodeHead;
    for (int left = pNewList->m_nCount; left > 0; --left, node = node->pNext)
        Link(m_pNodeTail, nullptr, TYPE(node->data));
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::RemoveAll()
{
    for (CNode* node = m_pNodeHead; node;) {
        CNode* next = node->pNext;
        delete node;
        node = next;
    }
    m_pNodeHead = m_pNodeTail = nullptr;
    m_nCount = 0;
}

template <class TYPE, class ARG_TYPE> TYPE& CList<TYPE, ARG_TYPE>::GetNext(POSITION& rPosition)
{
    CNode* node = ToNode(rPosition);
    if (!AFX_CHECK(node != nullptr))
        return mfc_detail::Dummy<TYPE>();
    rPosition = ToPosition(node->pNext);
    return node->data;
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::GetNext(POSITION& rPosition) const
{
    return const_cast<CList*>(this)->GetNext(rPosition);
}

template <class TYPE, class ARG_TYPE> TYPE& CList<TYPE, ARG_TYPE>::GetPrev(POSITION& rPosition)
{
    CNode* node = ToNode(rPosition);
    if (!AFX_CHECK(node != nullptr))
        return mfc_detail::Dummy<TYPE>();
    rPosition = ToPosition(node->pPrev);
    return node->data;
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::GetPrev(POSITION& rPosition) const
{
    return const_cast<CList*>(this)->GetPrev(rPosition);
}

template <class TYPE, class ARG_TYPE> TYPE& CList<TYPE, ARG_TYPE>::GetAt(POSITION position)
{
    CNode* node = ToNode(position);
    return AFX_CHECK(node != nullptr) ? node->data : mfc_detail::Dummy<TYPE>();
}

template <class TYPE, class ARG_TYPE> TYPE CList<TYPE, ARG_TYPE>::GetAt(POSITION position) const
{
    CNode* node = ToNode(position);
    return AFX_CHECK(node != nullptr) ? node->data : TYPE{};
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::SetAt(POSITION pos, ARG_TYPE newElement)
{
    CNode* node = ToNode(pos);
    if (AFX_CHECK(node != nullptr))
        node->data = newElement;
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::RemoveAt(POSITION position)
{
    CNode* node = ToNode(position);
    if (AFX_CHECK(node != nullptr))
        Unlink(node);
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertBefore(POSITION position, ARG_TYPE newElement)
{
    CNode* node = ToNode(position);
    if (!node)
        return AddHead(newElement);
    return ToPosition(Link(node->pPrev, node, TYPE(newElement)));
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::InsertAfter(POSITION position, ARG_TYPE newElement)
{
    CNode* node = ToNode(position);
    if (!node)
        return AddTail(newElement);
    return ToPosition(Link(node, node->pNext, TYPE(newElement)));
}

template <class TYPE, class ARG_TYPE>
POSITION CList<TYPE, ARG_TYPE>::Find(ARG_TYPE searchValue, POSITION startAfter) const
{
    CNode* node = startAfter ? ToNode(startAfter)->pNext : m_pNodeHead;
    for (; node; node = node->pNext)
        if (CompareElements<TYPE>(&node->data, &searchValue))
            return ToPosition(node);
    return nullptr;
}

template <class TYPE, class ARG_TYPE> POSITION CList<TYPE, ARG_TYPE>::FindIndex(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_nCount)
        return nullptr;
    CNode* node = m_pNodeHead;
    while (nIndex-- > 0)
        node = node->pNext;
    return ToPosition(node);
}

template <class TYPE, class ARG_TYPE> void CList<TYPE, ARG_TYPE>::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_nCount));
        for (CNode* node = m_pNodeHead; node; node = node->pNext)
            SerializeElements<TYPE>(ar, &node->data, 1);
        return;
    }
    for (DWORD count = ar.ReadCount(); count > 0; --count) {
        TYPE value{};
        SerializeElements<TYPE>(ar, &value, 1);
        Link(m_pNodeTail, nullptr, std::move(value));
    }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap : public CObject {
protected:
    struct CAssoc {
        CAssoc* pNext;
        UINT nHashValue;
        KEY key;
        VALUE value;
    };

public:
    // The block size is accepted for MFC's signature; associations are
    // allocated one by one.
    explicit CMap(int nBlockSize = 10) : m_nBlockSize(nBlockSize) {}
    ~CMap() override { RemoveAll(); }

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    BOOL Lookup(ARG_KEY key, VALUE& rValue) const;
    // Adds the key with a value-initialised value when it is missing.
    VALUE& operator[](ARG_KEY key);
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(ARG_KEY key);
    void RemoveAll();

    // Iteration order is MFC's: hash buckets in order, newest first within
    // a bucket.
    POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const;

    UINT GetHashTableSize() const { return m_nHashTableSize; }
    // Best called before the first element (a prime is best); existing
    // elements are moved into the new table.
    void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE);

    // Loading adds to the elements already in the map, as MFC does.
    void Serialize(CArchive& ar) override;

protected:
    CAssoc* GetAssocAt(ARG_KEY key, UINT& nHash) const;
    CAssoc* FirstFrom(UINT nBucket) const;

    std::vector<CAssoc*> m_table;
    UINT m_nHashTableSize = 17;
    int m_nCount = 0;
    int m_nBlockSize;
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CAssoc* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetAssocAt(
    ARG_KEY key, UINT& nHash) const
{
    nHash = HashKey<ARG_KEY>(key) % m_nHashTableSize;
    if (m_table.empty())
        return nullptr;
    for (CAssoc* assoc = m_table[nHash]; assoc; assoc = assoc->pNext)
        if (CompareElements(&assoc->key, &key))
            return assoc;
    return nullptr;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
typename CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::CAssoc* CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::FirstFrom(
    UINT nBucket) const
{
    for (; nBucket < m_table.size(); ++nBucket)
        if (m_table[nBucket])
            return m_table[nBucket];
    return nullptr;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Lookup(ARG_KEY key, VALUE& rValue) const
{
    UINT hash = 0;
    CAssoc* assoc = GetAssocAt(key, hash);
    if (!assoc)
        return FALSE;
    rValue = assoc->value;
    return TRUE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
VALUE& CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::operator[](ARG_KEY key)
{
    UINT hash = 0;
    if (CAssoc* assoc = GetAssocAt(key, hash))
        return assoc->value;
    if (m_table.empty())
        m_table.assign(m_nHashTableSize, nullptr);
    CAssoc* assoc = new CAssoc{m_table[hash], hash, KEY(key), VALUE{}};
    m_table[hash] = assoc;
    ++m_nCount;
    return assoc->value;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
BOOL CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveKey(ARG_KEY key)
{
    if (m_table.empty())
        return FALSE;
    UINT hash = HashKey<ARG_KEY>(key) % m_nHashTableSize;
    for (CAssoc** link = &m_table[hash]; *link; link = &(*link)->pNext) {
        if (CompareElements(&(*link)->key, &key)) {
            CAssoc* doomed = *link;
            *link = doomed->pNext;
            delete doomed;
            --m_nCount;
            return TRUE;
        }
    }
    return FALSE;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::RemoveAll()
{
    for (CAssoc* chain : m_table) {
        while (chain) {
            CAssoc* next = chain->pNext;
            delete chain;
            chain = next;
        }
    }
    m_table.clear();
    m_nCount = 0;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const
{
    CAssoc* assoc = rNextPosition == BEFORE_START_POSITION ? FirstFrom(0) : reinterpret_cast<CAssoc*>(rNextPosition);
    if (!AFX_CHECK(assoc != nullptr)) {
        rNextPosition = nullptr;
        return;
    }
    rKey = assoc->key;
    rValue = assoc->value;
    CAssoc* next = assoc->pNext ? assoc->pNext : FirstFrom(assoc->nHashValue + 1);
    rNextPosition = reinterpret_cast<POSITION>(next);
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::InitHashTable(UINT hashSize, BOOL bAllocNow)
{
    if (!AFX_CHECK(hashSize > 0))
        return;
    std::vector<CAssoc*> old;
    old.swap(m_table);
    m_nHashTableSize = hashSize;
    if (bAllocNow || m_nCount > 0)
        m_table.assign(hashSize, nullptr);
    // Reinserted in reverse bucket order so that relative order within a
    // bucket survives when the size does not change.
    for (size_t bucket = old.size(); bucket-- > 0;) {
        std::vector<CAssoc*> chain;
        for (CAssoc* assoc = old[bucket]; assoc; assoc = assoc->pNext)
            chain.push_back(assoc);
        for (size_t i = chain.size(); i-- > 0;) {
            CAssoc* assoc = chain[i];
            assoc->nHashValue = HashKey<ARG_KEY>(assoc->key) % hashSize;
            assoc->pNext = m_table[assoc->nHashValue];
            m_table[assoc->nHashValue] = assoc;
        }
    }
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
void CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_nCount));
        for (CAssoc* chain : m_table) {
            for (CAssoc* assoc = chain; assoc; assoc = assoc->pNext) {
                SerializeElements<KEY>(ar, &assoc->key, 1);
                SerializeElements<VALUE>(ar, &assoc->value, 1);
            }
        }
        return;
    }
    for (DWORD count = ar.ReadCount(); count > 0; --count) {
        KEY key{};
        VALUE value{};
        SerializeElements<KEY>(ar, &key, 1);
        SerializeElements<VALUE>(ar, &value, 1);
        SetAt(key, value);
    }
}

class CPtrArray : public CArray<void*, void*> {
    DECLARE_DYNAMIC(CPtrArray)
};

class CDWordArray : public CArray<DWORD, DWORD> {
    DECLARE_SERIAL(CDWordArray)
};

class CWordArray : public CArray<WORD, WORD> {
    DECLARE_SERIAL(CWordArray)
};

class CByteArray : public CArray<BYTE, BYTE> {
    DECLARE_SERIAL(CByteArray)
};

class CUIntArray : public CArray<UINT, UINT> {
    DECLARE_DYNAMIC(CUIntArray)
};

class CStringArray : public CArray<CString, LPCSTR> {
    DECLARE_SERIAL(CStringArray)
};

class CObArray : public CArray<CObject*, CObject*> {
    DECLARE_SERIAL(CObArray)
};

class CPtrList : public CList<void*, void*> {
    DECLARE_DYNAMIC(CPtrList)
public:
    explicit CPtrList(int nBlockSize = 10) : CList(nBlockSize) {}
};

class CObList : public CList<CObject*, CObject*> {
    DECLARE_SERIAL(CObList)
public:
    explicit CObList(int nBlockSize = 10) : CList(nBlockSize) {}
};

class CStringList : public CList<CString, LPCSTR> {
    DECLARE_SERIAL(CStringList)
public:
    explicit CStringList(int nBlockSize = 10) : CList(nBlockSize) {}
};

// String keys compare case-sensitively, as in MFC.
class CMapStringToPtr : public CMap<CString, LPCSTR, void*, void*> {
    DECLARE_DYNAMIC(CMapStringToPtr)
public:
    explicit CMapStringToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapStringToString : public CMap<CString, LPCSTR, CString, LPCSTR> {
    DECLARE_SERIAL(CMapStringToString)
public:
    explicit CMapStringToString(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapStringToOb : public CMap<CString, LPCSTR, CObject*, CObject*> {
    DECLARE_SERIAL(CMapStringToOb)
public:
    explicit CMapStringToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
    DECLARE_DYNAMIC(CMapPtrToPtr)
public:
    explicit CMapPtrToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
    DECLARE_DYNAMIC(CMapWordToPtr)
public:
    explicit CMapWordToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};
