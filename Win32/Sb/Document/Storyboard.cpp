#include "Win32/Sb/Document/Storyboard.h"

#include <unordered_map>

#include "Win32/Sb/Document/StoryboardItem.h"

#include "Platform/Win/User/User.h"

namespace {

// The slot of every item, from the lower bound to the last occupied slot.
std::unordered_map<const StoryboardItem*, INT> SlotsOfItems(const StoryboardSlotArray& slots)
{
    std::unordered_map<const StoryboardItem*, INT> slotOf;
    for (INT i = slots.GetLowerBound(); i <= slots.GetLastOccupied(); ++i) {
        if (const StoryboardItem* item = slots.PeekAt(i))
            slotOf.emplace(item, i);
    }
    return slotOf;
}

} // namespace

Storyboard::Storyboard() : m_slots(1, 0, 10), m_sendMessage(SendMessageA)
{
}

void Storyboard::SetMessageSender(MessageSender sender)
{
    m_sendMessage = sender ? std::move(sender) : MessageSender(SendMessageA);
}

// The undo store is declared after the slots, so it goes first, as the
// storyboard's teardown order requires.
Storyboard::~Storyboard() = default;

BOOL Storyboard::FitsSlot(const StoryboardItem* item, INT index)
{
    if (!item)
        return FALSE;
    switch (item->GetKind()) {
    case StoryboardItem::kKindScene:
        return IsSceneIndex(index);
    case StoryboardItem::kKindTransition:
        return IsTransitionIndex(index);
    default:
        return FALSE;
    }
}

StoryboardItem* Storyboard::GetItem(INT index) const
{
    if (index < 0)
        return nullptr;
    return m_slots.PeekAt(index);
}

INT Storyboard::GetLastIndex() const
{
    return m_slots.GetLastOccupied();
}

void Storyboard::ResolveRange(INT& first, INT& last) const
{
    if (first == -1)
        first = m_slots.GetLowerBound();
    if (last == -1)
        last = GetLastIndex();
}

void Storyboard::RecordRange(INT first, INT last)
{
    ResolveRange(first, last);
    m_nFirst = first;
    m_nLast = last;
    m_nCount = last - first + 1;
}

INT Storyboard::ValidateRange(INT target, INT first, INT last, BOOL checkRoom) const
{
    ResolveRange(first, last);
    const LONGLONG count = static_cast<LONGLONG>(last) - first + 1;
    if ((target & 1) != (first & 1))
        return kResultParityMismatch;
    if (last >= kMaxSlots)
        return kResultBeyondLimit;
    if (target + count - 1 >= kMaxSlots)
        return kResultBeyondLimit;
    // A range reaching below slot 0 or ending before it starts names no
    // slots; taking it would move items below the array.
    if (target < 0 || first < 0 || count < 0)
        return kResultBeyondLimit;
    if (checkRoom && !m_slots.IsRangeEmpty(target, static_cast<INT>(count)) &&
        GetLastIndex() + count - 1 >= kMaxSlots)
        return kResultBeyondLimit;
    return kResultOk;
}

INT Storyboard::CloseOddGap(INT first, INT n)
{
    if ((n & 1) == 0)
        return -1;
    if (!m_slots.PeekAt(first)) {
        m_slots.ShiftDown(first, 1);
        return first;
    }
    if (first > m_slots.GetLowerBound() && !m_slots.PeekAt(first - 1)) {
        m_slots.ShiftDown(first - 1, 1);
        return first - 1;
    }
    return -1;
}

void Storyboard::DropOddEmptySlot(INT first, INT n)
{
    if ((n & 1) != 0 && !m_slots.PeekAt(first))
        m_slots.ShiftDown(first, 1);
}

void Storyboard::TakeRecordedRange()
{
    m_pUndoStore.reset();
    m_pUndoStore = m_slots.TakeRange(m_nFirst, m_nCount);
    m_nClosedSlot = CloseOddGap(m_nFirst, m_nCount);
}

void Storyboard::PutBackRecordedRange()
{
    const INT first = m_nFirst;
    const BOOL closedBefore = m_nClosedSlot >= 0 && m_nClosedSlot == first - 1;
    const BOOL closedAfter = m_nClosedSlot >= 0 && m_nClosedSlot == first;
    if (closedBefore)
        m_slots.ShiftUp(first - 1, 1);
    else if (!closedAfter)
        DropOddEmptySlot(first, m_nCount);
    m_slots.InsertArray(first, std::move(m_pUndoStore));
    if (closedAfter)
        m_slots.ShiftUp(first + m_nCount, 1);
}

void Storyboard::FixParity()
{
    for (INT i = m_slots.GetLowerBound(); i <= m_slots.GetUpperBound(); ++i) {
        const StoryboardItem* item = m_slots.PeekAt(i);
        if (!item || FitsSlot(item, i))
            continue;
        // An item of neither kind fits no slot; shifting it would never end.
        const INT kind = item->GetKind();
        if (kind == StoryboardItem::kKindScene || kind == StoryboardItem::kKindTransition)
            m_slots.ShiftUp(i, 1);
    }
}

void Storyboard::Notify(INT slot)
{
    if (m_bModified && m_hNotifyWindow && m_sendMessage)
        m_sendMessage(m_hNotifyWindow, kChangedMessage, static_cast<WPARAM>(static_cast<INT_PTR>(slot)), 0);
}

void Storyboard::RecomputeAndNotify(INT slot)
{
    RecomputeTimes();
    Notify(slot);
}

INT Storyboard::SetItem(StoryboardItem* item, INT index)
{
    INT result = kResultOk;
    if (index >= kMaxSlots) {
        result = kResultBeyondLimit;
    } else if (!FitsSlot(item, index)) {
        result = kResultWrongKind;
    } else {
        RecordRange(index, index);
        m_pUndoStore.reset();
        m_pUndoStore = m_slots.ReplaceAt(index, item);
        m_nLastOperation = kOpSet;
        m_bUndone = FALSE;
        m_bModified = TRUE;
    }
    RecomputeAndNotify(index);
    return result;
}

INT Storyboard::InsertItem(StoryboardItem* item, INT index)
{
    if (!item)
        return kResultWrongKind;
    INT result = kResultOk;
    const INT lastIndex = GetLastIndex();
    if (index > kMaxSlots - 1) {
        result = kResultBeyondLimit;
    } else if (!FitsSlot(item, index)) {
        result = kResultWrongKind;
    } else if (lastIndex >= index && lastIndex + 2 >= kMaxSlots) {
        // Opening two slots would push the last items past slot 4095.
        result = kResultBeyondLimit;
    } else {
        RecordRange(index, index + 1);
        m_slots.ShiftUp(index, 2);
        m_slots.SetAt(index, item);
        m_pUndoStore.reset();
        m_bTargetWasEmpty = FALSE;
        m_nLastOperation = kOpInsert;
        m_bUndone = FALSE;
        m_bModified = TRUE;
    }
    RecomputeAndNotify(index);
    return result;
}

INT Storyboard::InsertFrom(Storyboard& other, INT target, INT first, INT last)
{
    if (INT result = other.ValidateRange(target, first, last))
        return result;
    INT resolvedFirst = first;
    INT resolvedLast = last;
    other.ResolveRange(resolvedFirst, resolvedLast);
    const INT count = resolvedLast - resolvedFirst + 1;
    // The check above looked at the other storyboard; inserting here must not
    // push this storyboard's own items past slot 4095.
    if (!m_slots.IsRangeEmpty(target, count) && GetLastIndex() + count >= kMaxSlots)
        return kResultBeyondLimit;

    other.RecordRange(first, last);
    RecordRange(target, target + count - 1);
    m_pUndoStore.reset();
    std::unique_ptr<StoryboardSlotArray> taken = other.m_slots.TakeRange(other.m_nFirst, count);
    m_bTargetWasEmpty = m_slots.IsRangeEmpty(target, count);
    if (m_bTargetWasEmpty)
        m_slots.ReplaceRange(target, std::move(taken));
    else
        m_slots.InsertArray(target, std::move(taken));
    FixParity();
    m_bUndone = FALSE;
    m_bModified = TRUE;
    other.m_nLastOperation = kOpNone;
    m_nLastOperation = kOpInsert;
    RecomputeAndNotify(target);
    return kResultOk;
}

INT Storyboard::CutRange(INT first, INT last)
{
    // A cut puts nothing anywhere, so it needs no room above the last index.
    if (INT result = ValidateRange(first, first, last, FALSE))
        return result;
    RecordRange(first, last);
    TakeRecordedRange();
    FixParity();
    m_nLastOperation = kOpCut;
    m_bUndone = FALSE;
    m_nLastPosition = m_nFirst;
    m_bModified = TRUE;
    RecomputeAndNotify(m_nFirst);
    return kResultOk;
}

INT Storyboard::RemoveRange(INT first, INT last)
{
    INT resolvedFirst = first;
    INT resolvedLast = last;
    ResolveRange(resolvedFirst, resolvedLast);
    INT result = kResultOk;
    if (resolvedLast >= kMaxSlots || resolvedFirst < 0 || resolvedLast < resolvedFirst - 1) {
        result = kResultBeyondLimit;
    } else {
        RecordRange(first, last);
        TakeRecordedRange();
        FixParity();
        m_nLastOperation = kOpCut;
        m_bUndone = FALSE;
        m_bModified = TRUE;
        first = m_nFirst;
    }
    RecomputeAndNotify(first);
    return result;
}

INT Storyboard::CopyRange(INT first, INT last)
{
    INT resolvedFirst = first;
    INT resolvedLast = last;
    ResolveRange(resolvedFirst, resolvedLast);
    if (resolvedLast >= kMaxSlots || resolvedFirst < 0 || resolvedLast < resolvedFirst - 1)
        return kResultBeyondLimit;
    RecordRange(first, last);
    m_bUndone = FALSE;
    m_nLastOperation = kOpCopy;
    m_bModified = TRUE;
    return kResultOk;
}

INT Storyboard::ClearRange(INT first, INT last)
{
    INT resolvedFirst = first;
    INT resolvedLast = last;
    ResolveRange(resolvedFirst, resolvedLast);
    INT result = kResultOk;
    if (resolvedLast >= kMaxSlots || resolvedFirst < 0 || resolvedLast < resolvedFirst - 1) {
        result = kResultBeyondLimit;
    } else {
        RecordRange(first, last);
        m_pUndoStore.reset();
        m_pUndoStore = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
        m_nLastOperation = kOpClearRange;
        m_bUndone = FALSE;
        m_bModified = TRUE;
        first = m_nFirst;
    }
    RecomputeAndNotify(first);
    return result;
}

INT Storyboard::MoveRange(INT target, INT first, INT last)
{
    if (INT result = ValidateRange(target, first, last))
        return result;
    RecordRange(first, last);
    const INT f = m_nFirst;
    const INT l = m_nLast;
    const INT n = m_nCount;
    m_pUndoStore.reset();
    m_nLastOperation = kOpMove;

    m_bTargetInside = target > f && target <= l;
    m_nOverlap = m_bTargetInside ? l - target + 1 : 0;
    // An empty target that reaches into the range from below would receive
    // items on slots that are dropped as vacated afterwards; inserting there
    // instead keeps every item.
    const BOOL targetEmpty = m_slots.IsRangeEmpty(target, n);
    m_bTargetWasEmpty = targetEmpty && !(target < f && target + n - 1 >= f);

    INT moved = n - m_nOverlap;
    const std::unordered_map<const StoryboardItem*, INT> slotBefore = SlotsOfItems(m_slots);
    // The first item of the moving block tells afterwards where the block
    // landed, parity fix included.
    const StoryboardItem* lead = nullptr;
    INT leadOffset = 0;
    for (INT i = f; i < f + moved && !lead; ++i) {
        lead = m_slots.PeekAt(i);
        leadOffset = i - f;
    }

    std::unique_ptr<StoryboardSlotArray> taken = m_slots.TakeRange(f, moved);
    m_slots.ShiftUp(f, moved);
    if (m_bTargetWasEmpty)
        m_slots.ReplaceRange(target, std::move(taken));
    else
        m_slots.InsertArray(target, std::move(taken));

    // An insertion at or before the range pushed the vacated slots, and the
    // range itself, up.
    const BOOL pushed = target <= f && !m_bTargetWasEmpty;
    if (moved > 0) {
        const INT vacated = pushed ? f + moved : f;
        m_slots.ShiftDown(vacated, moved);
        if ((moved & 1) != 0 && CloseOddGap(vacated, moved) >= 0)
            ++moved;
    }

    if (target > f) {
        m_nLastPosition = target - moved;
    } else {
        m_nLastPosition = target;
        if (pushed) {
            m_nFirst += moved;
            m_nLast += moved;
        }
    }
    FixParity();

    m_movedItems.clear();
    for (INT i = m_slots.GetLowerBound(); i <= m_slots.GetLastOccupied(); ++i) {
        const StoryboardItem* item = m_slots.PeekAt(i);
        if (!item)
            continue;
        const auto before = slotBefore.find(item);
        if (before != slotBefore.end() && before->second != i)
            m_movedItems.push_back({before->second, i});
        if (item == lead)
            m_nLastPosition = i - leadOffset;
    }
    m_nMoveTarget = target;
    m_nMoveSource = f;
    m_nMovePlaced = m_nLastPosition;

    m_bUndone = FALSE;
    m_bModified = TRUE;
    RecomputeAndNotify(target);
    return kResultOk;
}

void Storyboard::PlaceMovedItems(BOOL back)
{
    // Every moving item leaves its slot before any arrives, so no item lands
    // on one that has not left yet.
    std::vector<StoryboardItem*> items;
    items.reserve(m_movedItems.size());
    for (const MovedItem& moved : m_movedItems) {
        const INT from = back ? moved.after : moved.before;
        items.push_back(m_slots.PeekAt(from));
        m_slots.ClearAt(from);
    }
    for (size_t i = 0; i < items.size(); ++i)
        m_slots.SetAt(back ? m_movedItems[i].before : m_movedItems[i].after, items[i]);
}

void Storyboard::ExchangeSetItems()
{
    m_pUndoStore = m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
}

void Storyboard::TakeInsertedRange()
{
    if (m_bTargetWasEmpty) {
        m_pUndoStore = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
        return;
    }
    m_pUndoStore = m_slots.TakeRange(m_nFirst, m_nCount);
    // The empty slot the parity fix opened after an odd count.
    DropOddEmptySlot(m_nFirst, m_nCount);
}

void Storyboard::PutBackInsertedRange()
{
    // The parity fix at the end of the redo opens the same slot again as
    // the insertion did.
    if (m_bTargetWasEmpty)
        m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
    else
        m_slots.InsertArray(m_nFirst, std::move(m_pUndoStore));
}

void Storyboard::PutBackClearedItems()
{
    std::unique_ptr<StoryboardSlotArray> taken = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
    m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
    m_pUndoStore = std::move(taken);
}

void Storyboard::ClearRecordedRange()
{
    m_pUndoStore = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
}

void Storyboard::MoveItemsBack()
{
    PlaceMovedItems(TRUE);
    // The way back is told first, at the slot the block returns to, as the
    // block move that takes it there would; Undo's own notice follows.
    m_bModified = TRUE;
    RecomputeAndNotify(m_nFirst);
    m_nLastPosition = m_nMoveSource;
}

void Storyboard::MoveItemsAgain()
{
    PlaceMovedItems(FALSE);
    m_bModified = TRUE;
    RecomputeAndNotify(m_nMoveTarget);
    m_nLastPosition = m_nMovePlaced;
}

INT Storyboard::Undo()
{
    struct UndoSteps {
        INT operation;
        void (Storyboard::*undo)();
        void (Storyboard::*redo)();
    };
    // A copy changes no slot, so it has nothing to undo.
    static constexpr UndoSteps kSteps[] = {
        {kOpSet, &Storyboard::ExchangeSetItems, &Storyboard::ExchangeSetItems},
        {kOpInsert, &Storyboard::TakeInsertedRange, &Storyboard::PutBackInsertedRange},
        {kOpClearRange, &Storyboard::PutBackClearedItems, &Storyboard::ClearRecordedRange},
        {kOpCut, &Storyboard::PutBackRecordedRange, &Storyboard::TakeRecordedRange},
        {kOpMove, &Storyboard::MoveItemsBack, &Storyboard::MoveItemsAgain},
    };
    const BOOL undo = !m_bUndone;
    m_bUndone = undo;
    for (const UndoSteps& steps : kSteps) {
        if (steps.operation != m_nLastOperation)
            continue;
        (this->*(undo ? steps.undo : steps.redo))();
        // Undoing or redoing changes the slots like any edit, so the change
        // must count as unsaved and reach the notify window even right
        // after a save.
        m_bModified = TRUE;
    }
    FixParity();
    RecomputeAndNotify(m_nLastPosition);
    return kResultOk;
}

INT Storyboard::Clear()
{
    // Emptying the slots directly, rather than through a validated cut,
    // also empties an array that has grown past slot 4095.
    m_pUndoStore.reset();
    m_slots.TakeRange(m_slots.GetLowerBound(), m_slots.GetCount());
    m_nLastPosition = m_slots.GetLowerBound();
    m_bModified = TRUE;
    RecomputeAndNotify(m_nLastPosition);

    m_nLastOperation = kOpNone;
    m_movedItems.clear();
    m_bUndone = FALSE;
    m_bModified = FALSE;
    m_nFirst = 0;
    m_nLast = 0;
    return kResultOk;
}

void Storyboard::RecomputeTimes()
{
    const INT lowerBound = m_slots.GetLowerBound();
    CMediaTime time;
    StoryboardItem* transition = nullptr;
    for (INT i = lowerBound; i <= m_slots.GetUpperBound(); ++i) {
        StoryboardItem* scene = m_slots.PeekAt(i);
        if (!scene || scene->GetKind() != StoryboardItem::kKindScene)
            continue;
        if (i == lowerBound)
            time = CMediaTime();
        if (i - 1 > lowerBound)
            transition = m_slots.PeekAt(i - 1);
        if (transition && transition->GetKind() == StoryboardItem::kKindTransition) {
            // The scene after a transition starts that transition's overlap
            // before the scene before it ends.
            const CMediaTime length = transition->GetDuration();
            time = time >= length ? time - length : CMediaTime();
            transition->SetStart(time);
            transition->SetEnd(time + length);
        }
        scene->SetStart(time);
        time += scene->GetDuration();
        scene->SetEnd(time);
    }
}
