#pragma once
// The program's ring-shaped, doubly linked list of pointer-sized values with
// a cursor, shared by every subsystem. Indexed access walks from the cursor
// rather than from the head, so a run of neighbouring indices costs one step
// each.

#include <new>
#include <type_traits>

#include "Platform/Win/Base/WinTypes.h"

// A node of the program's circular lists: the element cell, the next node
// and the previous node. The list that removes a node frees its cell first;
// the node itself owns nothing.
struct PtrListNode {
    PtrListNode() = default;
    explicit PtrListNode(void* data) : m_pData(data) {}

    void* m_pData = nullptr;
    PtrListNode* m_pNext = nullptr;
    PtrListNode* m_pPrev = nullptr;
};

// T is the stored element value: an object or record pointer, or an integer.
// Each element lives in a heap cell of its own, sizeof(T) bytes, so that a
// whole pointer fits on this 64-bit build. The list owns its nodes and cells, never what an
// element points to (see PtrListDeleteAll).
template <typename T>
class KLPtrList {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*),
                  "KLPtrList holds pointer-sized values");

public:
    KLPtrList() = default;
    KLPtrList(const KLPtrList&) = delete;
    KLPtrList& operator=(const KLPtrList&) = delete;

    virtual ~KLPtrList()
    {
        while (m_nCount != 0)
            RemoveAt(-1);
    }

    // Inserts a copy of `value` before position n (-1: before the cursor
    // node) and returns the stored copy; the cursor then rests on the head.
    // n = count appends at the tail. In an empty list the position is not
    // used. Positions below -1 or above the count insert nothing and return
    // null, as does a failed allocation.
    virtual T* InsertAt(const T& value, INT n)
    {
        if (n < -1 || (m_nCount != 0 && n > m_nCount))
            return nullptr;
        PtrListNode* node = NewNode(value);
        if (!node)
            return nullptr;
        if (m_nCount == 0) {
            LinkAlone(node);
        } else {
            PtrListNode* before = m_pCursor;
            if (n == m_nCount)
                before = m_pHead;
            else if (n != -1)
                before = Walk(n);
            LinkBefore(node, before);
            if (n == 0)
                m_pHead = node;
        }
        ++m_nCount;
        m_pCursor = m_pHead;
        m_nCursorIndex = 0;
        return Cell(node);
    }

    INT GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    INT GetCursorIndex() const { return m_nCursorIndex; }

    // Puts the cursor on the head; TRUE when the list holds elements.
    BOOL ResetCursor()
    {
        m_pCursor = m_pHead;
        m_nCursorIndex = 0;
        return m_pHead != nullptr;
    }

    // Moves the cursor to position n and returns the value stored there;
    // null (cursor unchanged) when n is not a position of the list.
    T* GetAt(INT n)
    {
        if (n < 0 || n >= m_nCount)
            return nullptr;
        return Cell(Walk(n));
    }

    // The value at position n, walked from the cursor without moving it;
    // null when n is not a position of the list.
    T* PeekAt(INT n) const
    {
        if (n < 0 || n >= m_nCount)
            return nullptr;
        PtrListNode* node = n == 0 ? m_pHead : m_pCursor;
        for (INT i = n == 0 ? 0 : m_nCursorIndex; i != n; i += i < n ? 1 : -1)
            node = i < n ? node->m_pNext : node->m_pPrev;
        return Cell(node);
    }

    // The value at the cursor, or null in an empty list.
    T* GetCurrent() const { return m_pCursor ? Cell(m_pCursor) : nullptr; }

    // Links a copy of `value` at the tail; head and cursor stay unless the
    // list was empty. Returns the stored copy, or null when out of memory.
    T* AddTail(const T& value)
    {
        PtrListNode* node = NewNode(value);
        if (!node)
            return nullptr;
        if (m_nCount == 0) {
            LinkAlone(node);
            m_pCursor = node;
            m_nCursorIndex = 0;
        } else {
            LinkBefore(node, m_pHead);
        }
        ++m_nCount;
        return Cell(node);
    }

    // Removes element n (-1: the cursor element), freeing its cell and node
    // but not what the element points to. FALSE, with nothing changed, for
    // an empty list or a position outside the list.
    BOOL RemoveAt(INT n)
    {
        if (m_nCount == 0 || n < -1 || n >= m_nCount)
            return FALSE;
        PtrListNode* node = n == -1 ? m_pCursor : m_pHead;
        for (INT i = 0; n != -1 && i < n; ++i)
            node = node->m_pNext;
        --m_nCount;
        if (node == m_pCursor) {
            m_pCursor = node->m_pNext;
            if (m_pCursor == m_pHead)
                m_nCursorIndex = 0;
        } else if (n < m_nCursorIndex) {
            --m_nCursorIndex;
        }
        delete Cell(node);
        node->m_pPrev->m_pNext = node->m_pNext;
        node->m_pNext->m_pPrev = node->m_pPrev;
        if (node == m_pHead) {
            m_pHead = node->m_pNext;
            if (m_pHead == node) {
                m_pHead = nullptr;
                m_pCursor = nullptr;
                m_nCursorIndex = 0;
            }
        }
        delete node;
        return TRUE;
    }

private:
    static T* Cell(PtrListNode* node) { return static_cast<T*>(node->m_pData); }

    static PtrListNode* NewNode(const T& value)
    {
        T* cell = new (std::nothrow) T(value);
        if (!cell)
            return nullptr;
        PtrListNode* node = new (std::nothrow) PtrListNode(cell);
        if (!node)
            delete cell;
        return node;
    }

    void LinkAlone(PtrListNode* node)
    {
        node->m_pNext = node;
        node->m_pPrev = node;
        m_pHead = node;
        m_pCursor = node;
        m_nCursorIndex = 0;
    }

    static void LinkBefore(PtrListNode* node, PtrListNode* next)
    {
        node->m_pNext = next;
        node->m_pPrev = next->m_pPrev;
        next->m_pPrev->m_pNext = node;
        next->m_pPrev = node;
    }

    // Moves the cursor to position n (0 <= n < count), one node at a time
    // from where it stands; 0 jumps to the head.
    PtrListNode* Walk(INT n)
    {
        if (n == 0) {
            m_pCursor = m_pHead;
            m_nCursorIndex = 0;
        }
        while (m_nCursorIndex < n) {
            m_pCursor = m_pCursor->m_pNext;
            ++m_nCursorIndex;
        }
        while (m_nCursorIndex > n) {
            m_pCursor = m_pCursor->m_pPrev;
            --m_nCursorIndex;
        }
        return m_pCursor;
    }

    PtrListNode* m_pHead = nullptr;
    PtrListNode* m_pCursor = nullptr;
    INT m_nCursorIndex = 0;
    INT m_nCount = 0;
};

// Empties a list of object pointers, deleting each object through its
// destructor (a virtual one when the object is polymorphic), then its cell
// and node. Null elements are skipped.
template <typename T>
void PtrListDeleteAll(KLPtrList<T*>& list)
{
    while (list.GetCount() != 0) {
        T* object = *list.GetAt(0);
        list.RemoveAt(0);
        delete object;
    }
}
