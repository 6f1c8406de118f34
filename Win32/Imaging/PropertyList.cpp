#include "Win32/Imaging/PropertyList.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Win32/Imaging/GfxArchive.h"

namespace {

// The stored item record, little-endian: an 8-byte value header (written as
// zeros, not read), type code, blob length, the 16-byte payload in its stored
// form (CTaggedValue::StorePayload), property id, state, pending-change flag
// and 4 unused bytes.
constexpr DWORD kRecordSize = 48;
constexpr int kTypeOffset = 8;
constexpr int kLengthOffset = 12;
constexpr int kPayloadOffset = 16;
constexpr int kIdOffset = 32;
constexpr int kStateOffset = 36;
constexpr int kFlagsOffset = 40;

constexpr INT kErrAllocation = -1;
constexpr INT kErrCannotLoad = -3;
constexpr INT kErrShortStore = -4;
constexpr INT kErrNotSupported = -13;
constexpr INT kErrNotRegistered = -15;
constexpr INT kErrLocked = -18;
constexpr INT kErrUndefined = -19;

void EncodeRecord(const CPropertyItem& item, BYTE (&record)[kRecordSize])
{
    std::memset(record, 0, sizeof record);
    PutLE32(record + kTypeOffset, item.GetType());
    PutLE32(record + kLengthOffset, 0);
    BYTE payload[CTaggedValue::kPayloadSize];
    item.StorePayload(payload);
    std::memcpy(record + kPayloadOffset, payload, sizeof payload);
    PutLE32(record + kIdOffset, static_cast<DWORD>(item.m_nId));
    PutLE32(record + kStateOffset, static_cast<DWORD>(item.m_nState));
    PutLE32(record + kFlagsOffset, static_cast<DWORD>(item.m_nFlags));
}

// 0, or the code for a record that cannot be loaded.
INT DecodeRecord(const BYTE (&record)[kRecordSize], CPropertyItem& item)
{
    const DWORD type = GetLE32(record + kTypeOffset);
    const LONG state = static_cast<LONG>(GetLE32(record + kStateOffset));
    if (!CTaggedValue::IsStorableType(type) || state < CPropertyItem::kOnce || state > CPropertyItem::kLocked)
        return kErrCannotLoad;
    BYTE payload[CTaggedValue::kPayloadSize];
    std::memcpy(payload, record + kPayloadOffset, sizeof payload);
    if (!item.LoadPayload(type, payload))
        return kErrAllocation;
    item.m_nId = static_cast<LONG>(GetLE32(record + kIdOffset));
    // Loaded items follow the item copy rules: a locked property may be set
    // once more.
    item.m_nState = state == CPropertyItem::kLocked ? CPropertyItem::kOnce : state;
    item.m_nFlags = GetLE32(record + kFlagsOffset) != 0 ? 1 : 0;
    return 0;
}

} // namespace

CPropertyItem::CPropertyItem(INT id, const CTaggedValue& value, INT state)
    : CTaggedValue(value), m_nId(id), m_nState(state)
{
}

CPropertyItem::CPropertyItem(const CPropertyItem& other)
    : CTaggedValue(other), m_nId(other.m_nId), m_nState(other.m_nState == kLocked ? kOnce : other.m_nState),
      m_nFlags(other.m_nFlags)
{
}

CPropertyItem& CPropertyItem::operator=(const CPropertyItem& other)
{
    if (this == &other)
        return *this;
    Assign(other);
    m_nId = other.m_nId;
    m_nState = other.m_nState == kLocked ? kOnce : other.m_nState;
    m_nFlags = other.m_nFlags;
    return *this;
}

CPropertyItemList::~CPropertyItemList()
{
    RemoveAll();
}

CPropertyItem* CPropertyItemList::InsertAt(const CPropertyItem& item, INT n)
{
    CPropertyItem* copy = new (std::nothrow) CPropertyItem(item);
    if (!copy)
        return nullptr;
    if (!m_items.InsertAt(copy, n)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

CPropertyItem* CPropertyItemList::Append(const CPropertyItem& item)
{
    CPropertyItem* copy = new (std::nothrow) CPropertyItem(item);
    if (!copy)
        return nullptr;
    if (!m_items.AddTail(copy)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

CPropertyItem* CPropertyItemList::GetAt(INT n)
{
    CPropertyItem** cell = m_items.GetAt(n);
    return cell ? *cell : nullptr;
}

const CPropertyItem* CPropertyItemList::GetAt(INT n) const
{
    CPropertyItem* const* cell = m_items.PeekAt(n);
    return cell ? *cell : nullptr;
}

CPropertyItem* CPropertyItemList::Find(INT id)
{
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        CPropertyItem* item = GetAt(i);
        if (item && item->m_nId == id)
            return item;
    }
    return nullptr;
}

const CPropertyItem* CPropertyItemList::Find(INT id) const
{
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        const CPropertyItem* item = GetAt(i);
        if (item && item->m_nId == id)
            return item;
    }
    return nullptr;
}

void CPropertyItemList::RemoveAll()
{
    PtrListDeleteAll(m_items);
}

void CPropertyItemList::Swap(CPropertyItemList& other)
{
    std::vector<CPropertyItem*> mine;
    std::vector<CPropertyItem*> theirs;
    while (m_items.GetCount() != 0) {
        mine.push_back(*m_items.GetAt(0));
        m_items.RemoveAt(0);
    }
    while (other.m_items.GetCount() != 0) {
        theirs.push_back(*other.m_items.GetAt(0));
        other.m_items.RemoveAt(0);
    }
    // Node allocations can fail; an item that finds no node is deleted
    // rather than leaked.
    for (CPropertyItem* item : theirs) {
        if (!m_items.AddTail(item))
            delete item;
    }
    for (CPropertyItem* item : mine) {
        if (!other.m_items.AddTail(item))
            delete item;
    }
}

CPropertyList::CPropertyList(const CPropertyList& other)
    : m_listeners(other.m_listeners), m_pOwner(other.m_pOwner), m_nHold(other.m_nHold)
{
    for (INT i = 0; i < other.m_items.GetCount(); ++i)
        m_items.Append(*other.m_items.GetAt(i));
}

CPropertyList& CPropertyList::operator=(const CPropertyList& other)
{
    if (this == &other)
        return *this;
    m_items.RemoveAll();
    for (INT i = 0; i < other.m_items.GetCount(); ++i)
        m_items.Append(*other.m_items.GetAt(i));
    m_listeners = other.m_listeners;
    m_pOwner = other.m_pOwner;
    m_nHold = other.m_nHold;
    return *this;
}

CPropertyList::~CPropertyList() = default;

CPropertyItem* CPropertyList::AddItem(const CPropertyItem& item)
{
    return m_items.Append(item);
}

CPropertyItem* CPropertyList::AddItem(INT id, const CTaggedValue& value, INT state)
{
    CPropertyItem* item = m_items.Append(CPropertyItem(id, value, state));
    // A defined item keeps the state it is given; the copy rule that unlocks
    // locked items applies to copies of existing items only.
    if (item)
        item->m_nState = state;
    return item;
}

INT CPropertyList::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    if (changed)
        *changed = FALSE;
    CPropertyItem* item = m_items.Find(id);
    if (!item)
        return kErrUndefined;
    if (item->m_nState == CPropertyItem::kLocked)
        return kErrLocked;
    if (*item == value) {
        if (item->m_nState == CPropertyItem::kOnce)
            item->m_nState = CPropertyItem::kLocked;
        return 0;
    }
    item->CTaggedValue::Assign(value);
    if (item->IsEmpty())
        return kErrAllocation;
    if (changed)
        *changed = TRUE;
    item->m_nFlags = 1;
    if (item->m_nState == CPropertyItem::kOnce)
        item->m_nState = CPropertyItem::kLocked;
    if (m_nHold == 0)
        Notify(*item);
    return 0;
}

CTaggedValue* CPropertyList::GetProperty(INT id)
{
    return m_items.Find(id);
}

const CTaggedValue* CPropertyList::GetProperty(INT id) const
{
    return m_items.Find(id);
}

INT CPropertyList::AddListener(const std::shared_ptr<CPropertyListener>& listener)
{
    if (!listener)
        return kErrAllocation;
    m_listeners.push_back(listener);
    return 0;
}

INT CPropertyList::RemoveListener(const std::shared_ptr<CPropertyListener>& listener)
{
    auto found = std::find_if(m_listeners.begin(), m_listeners.end(),
                              [&listener](const auto& held) { return held.get() == listener.get(); });
    if (!listener || found == m_listeners.end())
        return kErrNotRegistered;
    m_listeners.erase(found);
    return 0;
}

DWORD CPropertyList::HoldNotifications(BOOL hold)
{
    if (hold)
        return ++m_nHold;
    if (m_nHold != 0) {
        --m_nHold;
        if (m_nHold == 0)
            FlushPending();
    }
    return m_nHold;
}

BOOL CPropertyList::HasAllValues() const
{
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        if (m_items.GetAt(i)->IsEmpty())
            return FALSE;
    }
    return TRUE;
}

void CPropertyList::ClearPending()
{
    for (INT i = 0; i < m_items.GetCount(); ++i)
        m_items.GetAt(i)->m_nFlags = 0;
}

void CPropertyList::Notify(CPropertyItem& item)
{
    item.m_nFlags = 0;
    if (m_listeners.empty())
        return;
    // The copies keep every listener alive and the value stable while
    // listeners run, even when one of them removes listeners or sets the
    // property again; such a change is held, not nested.
    const std::vector<std::shared_ptr<CPropertyListener>> listeners = m_listeners;
    const CTaggedValue value(item);
    const INT id = item.m_nId;
    ++m_nHold;
    for (const auto& listener : listeners)
        listener->OnPropertyChanged(m_pOwner, id, value);
    --m_nHold;
}

void CPropertyList::FlushPending()
{
    if (m_nHold != 0 || m_listeners.empty())
        return;
    m_nHold = 1;
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        CPropertyItem* item = m_items.GetAt(i);
        if (item && item->m_nFlags)
            Notify(*item);
    }
    --m_nHold;
}

INT CPropertyList::Serialize(CGfxArchive& archive)
{
    return archive.IsLoading() ? Load(archive) : Store(archive);
}

INT CPropertyList::Store(CGfxArchive& archive) const
{
    // Checked first, so a refused list leaves nothing in the archive.
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        if (!CTaggedValue::IsStorableType(m_items.GetAt(i)->GetType()))
            return kErrNotSupported;
    }
    if (!archive.WriteU32(static_cast<DWORD>(m_items.GetCount())))
        return kErrShortStore;
    for (INT i = 0; i < m_items.GetCount(); ++i) {
        BYTE record[kRecordSize];
        EncodeRecord(*m_items.GetAt(i), record);
        if (archive.Write(record, kRecordSize) != kRecordSize)
            return kErrShortStore;
    }
    return 0;
}

INT CPropertyList::Load(CGfxArchive& archive)
{
    DWORD count = 0;
    if (!archive.ReadU32(count))
        return kErrCannotLoad;
    CPropertyItemList loaded;
    for (DWORD i = 0; i < count; ++i) {
        BYTE record[kRecordSize];
        if (archive.Read(record, kRecordSize) != kRecordSize)
            return kErrCannotLoad;
        CPropertyItem item;
        INT result = DecodeRecord(record, item);
        if (result != 0)
            return result;
        if (!loaded.Append(item))
            return kErrAllocation;
    }
    m_items.Swap(loaded);
    return 0;
}
