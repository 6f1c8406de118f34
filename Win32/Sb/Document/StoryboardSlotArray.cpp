#include "Win32/Sb/Document/StoryboardSlotArray.h"

#include <algorithm>

#include "Win32/Sb/Document/StoryboardItem.h"

namespace {

// Growth on access makes room for this many elements beyond the slot asked
// for.
constexpr LONGLONG kGrowthMargin = 11;

// Far beyond any storyboard (4096 slots); an index past it is a caller's
// fault and must not make the array allocate gigabytes.
constexpr LONGLONG kMaxElements = 1 << 20;

} // namespace

StoryboardSlotArray::StoryboardSlotArray(INT upperBound, INT lowerBound, INT growBy)
    : m_nLowerBound(lowerBound), m_nUpperBound(lowerBound - 1), m_nGrowBy(growBy)
{
    const LONGLONG count = static_cast<LONGLONG>(upperBound) - lowerBound + 1;
    if (count > 0)
        Resize(static_cast<INT>(std::min(count, kMaxElements)));
}

StoryboardSlotArray::~StoryboardSlotArray()
{
    const INT count = GetCount();
    for (INT i = 0; i < count; ++i)
        delete static_cast<StoryboardItem*>(m_elements.GetAt(i));
}

void StoryboardSlotArray::Resize(INT count)
{
    m_elements.SetSize(count, m_nGrowBy);
    m_nUpperBound = m_nLowerBound + count - 1;
}

BOOL StoryboardSlotArray::Reserve(INT index)
{
    if (index < m_nLowerBound)
        return FALSE;
    const LONGLONG offset = static_cast<LONGLONG>(index) - m_nLowerBound;
    if (offset < GetCount())
        return TRUE;
    if (offset + kGrowthMargin > kMaxElements)
        return FALSE;
    Resize(static_cast<INT>(offset + kGrowthMargin));
    return TRUE;
}

INT StoryboardSlotArray::GetCount() const
{
    return static_cast<INT>(m_elements.GetSize());
}

StoryboardItem* StoryboardSlotArray::GetAt(INT index)
{
    if (!Reserve(index))
        return nullptr;
    return static_cast<StoryboardItem*>(m_elements.GetAt(index - m_nLowerBound));
}

void StoryboardSlotArray::SetAt(INT index, StoryboardItem* item)
{
    // The array owns whatever it is handed, so an item that cannot be stored
    // is deleted rather than dropped.
    if (!Reserve(index)) {
        delete item;
        return;
    }
    StoryboardItem* old = static_cast<StoryboardItem*>(m_elements.GetAt(index - m_nLowerBound));
    if (old == item)
        return;
    delete old;
    m_elements.SetAt(index - m_nLowerBound, item);
}

void StoryboardSlotArray::ClearAt(INT index)
{
    if (index >= m_nLowerBound && index <= m_nUpperBound)
        m_elements.SetAt(index - m_nLowerBound, nullptr);
}

StoryboardItem* StoryboardSlotArray::PeekAt(INT index) const
{
    if (index < m_nLowerBound || index > m_nUpperBound)
        return nullptr;
    return static_cast<StoryboardItem*>(m_elements.GetAt(index - m_nLowerBound));
}

StoryboardItem* StoryboardSlotArray::TakeAt(INT index)
{
    StoryboardItem* item = PeekAt(index);
    ClearAt(index);
    return item;
}

INT StoryboardSlotArray::GetLastOccupied() const
{
    for (INT i = m_nUpperBound; i >= 0; --i) {
        if (i < m_nLowerBound || PeekAt(i))
            return i;
    }
    return -1;
}

BOOL StoryboardSlotArray::IsRangeEmpty(INT a, INT n) const
{
    if (n <= 0)
        return TRUE;
    const LONGLONG last = std::min<LONGLONG>(static_cast<LONGLONG>(a) + n - 1, m_nUpperBound);
    for (LONGLONG i = std::max({static_cast<LONGLONG>(a), static_cast<LONGLONG>(m_nLowerBound), LONGLONG{0}}); i <= last; ++i) {
        if (PeekAt(static_cast<INT>(i)))
            return FALSE;
    }
    return TRUE;
}

INT StoryboardSlotArray::ShiftUp(INT a, INT b)
{
    if (b <= 0)
        return 0;
    const INT last = GetLastOccupied();
    // Refusing keeps every item where it is; moving the top ones past the
    // cap would lose them.
    if (static_cast<LONGLONG>(last) + b - m_nLowerBound + kGrowthMargin > kMaxElements)
        return 0;
    const INT lowest = std::max({a, m_nLowerBound, 0});
    INT moved = 0;
    for (INT i = last; i >= lowest; --i) {
        if (StoryboardItem* item = TakeAt(i)) {
            SetAt(i + b, item);
            ++moved;
        }
    }
    return moved;
}

INT StoryboardSlotArray::ShiftDown(INT a, INT b)
{
    // Slots below the lower bound do not exist here, so there is nothing to
    // drop there.
    if (b <= 0 || static_cast<LONGLONG>(a) + b < 0 || a < m_nLowerBound)
        return 0;
    const LONGLONG following = static_cast<LONGLONG>(m_nUpperBound) + 1 - a - b;
    if (following <= 0)
        return 0;
    for (INT i = 0; i < following; ++i)
        SetAt(a + i, TakeAt(a + b + i));
    return static_cast<INT>(following);
}

void StoryboardSlotArray::MoveItems(StoryboardSlotArray& destination, INT a, StoryboardSlotArray& source, INT b,
                                    INT n)
{
    if (&destination == &source || b < 0)
        return;
    for (INT i = 0; i < n; ++i) {
        StoryboardItem* item = source.TakeAt(b + i);
        if (item || destination.PeekAt(a + i))
            destination.SetAt(a + i, item);
    }
    source.ShiftDown(b, n);
}

void StoryboardSlotArray::InsertItems(INT a, StoryboardSlotArray& source, INT b, INT n)
{
    ShiftUp(a, n);
    MoveItems(*this, a, source, b, n);
}

std::unique_ptr<StoryboardSlotArray> StoryboardSlotArray::TakeRange(INT a, INT n)
{
    auto taken = std::make_unique<StoryboardSlotArray>(a + std::max(n, 0) - 1, a, 1);
    MoveItems(*taken, a, *this, a, n);
    return taken;
}

std::unique_ptr<StoryboardSlotArray> StoryboardSlotArray::TakeRangeKeepGap(INT a, INT n)
{
    std::unique_ptr<StoryboardSlotArray> taken = TakeRange(a, n);
    ShiftUp(a, n);
    return taken;
}

void StoryboardSlotArray::InsertArray(INT a, std::unique_ptr<StoryboardSlotArray> array)
{
    if (array)
        InsertItems(a, *array, array->GetLowerBound(), array->GetCount());
}

std::unique_ptr<StoryboardSlotArray> StoryboardSlotArray::ReplaceRange(INT a,
                                                                       std::unique_ptr<StoryboardSlotArray> array)
{
    const INT n = array ? array->GetCount() : 0;
    auto replaced = std::make_unique<StoryboardSlotArray>(a + n - 1, a, 1);
    for (INT i = 0; i < n; ++i) {
        StoryboardItem* old = TakeAt(a + i);
        StoryboardItem* item = array->TakeAt(array->GetLowerBound() + i);
        if (old)
            replaced->SetAt(a + i, old);
        if (item)
            SetAt(a + i, item);
    }
    return replaced;
}

std::unique_ptr<StoryboardSlotArray> StoryboardSlotArray::ReplaceAt(INT a, StoryboardItem* item)
{
    auto single = std::make_unique<StoryboardSlotArray>(a, a, 1);
    single->SetAt(a, item);
    return ReplaceRange(a, std::move(single));
}
