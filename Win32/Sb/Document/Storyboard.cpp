#include "Win32/Sb/Document/Storyboard.h"

#include "Win32/Sb/Document/StoryboardItem.h"

#include "Platform/Win/User/User.h"

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

BOOL Storyboard::CloseOddGap(INT first, INT n)
{
    if ((n & 1) == 0)
        return FALSE;
    if (!m_slots.PeekAt(first)) {
        m_slots.ShiftDown(first, 1);
        return TRUE;
    }
    if (first > m_slots.GetLowerBound() && !m_slots.PeekAt(first - 1)) {
        m_slots.ShiftDown(first - 1, 1);
        return TRUE;
    }
    return FALSE;
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
    CloseOddGap(m_nFirst, m_nCount);
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
    std::unique_ptr<StoryboardSlotArray> taken = m_slots.TakeRange(f, moved);
    m_slots.ShiftUp(f, moved);
    if (m_bTargetWasEmpty)
        m_slots.ReplaceRange(target, std::move(taken));
    else
        m_slots.InsertArray(target, std::move(taken));

    if (moved > 0) {
        // An insertion at or before the range pushed the vacated slots up.
        const INT vacated = (target <= f && !m_bTargetWasEmpty) ? f + moved : f;
        m_slots.ShiftDown(vacated, moved);
        if ((moved & 1) != 0 && CloseOddGap(vacated, moved))
            ++moved;
    }

    if (target > f) {
        m_nLastPosition = target - moved;
    } else {
        m_nLastPosition = target;
        m_nFirst += moved;
        m_nLast += moved;
    }
    FixParity();
    m_bUndone = FALSE;
    m_bModified = TRUE;
    RecomputeAndNotify(target);
    return kResultOk;
}

INT Storyboard::Undo()
{
    const INT operation = m_nLastOperation;
    if (!m_bUndone) {
        m_bUndone = TRUE;
        switch (operation) {
        case kOpSet:
            m_pUndoStore = m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
            break;
        case kOpInsert:
            m_pUndoStore = m_slots.TakeRange(m_nFirst, m_nCount);
            DropOddEmptySlot(m_nFirst, m_nCount);
            break;
        case kOpClearRange: {
            std::unique_ptr<StoryboardSlotArray> taken = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
            m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
            m_pUndoStore = std::move(taken);
            break;
        }
        case kOpCut:
            DropOddEmptySlot(m_nFirst, m_nCount);
            m_slots.InsertArray(m_nFirst, std::move(m_pUndoStore));
            break;
        case kOpMove: {
            // Moving the block back can be refused (a forward move of an odd
            // count leaves it on the other parity); say so rather than
            // report an undo that did not happen.
            const INT result = MoveRange(m_nFirst, m_nLastPosition, m_nLastPosition + m_nCount - 1);
            if (result != kResultOk) {
                m_bUndone = FALSE;
                return result;
            }
            break;
        }
        default:
            break;
        }
    } else {
        switch (operation) {
        case kOpSet:
            m_pUndoStore = m_slots.ReplaceRange(m_nFirst, std::move(m_pUndoStore));
            break;
        case kOpInsert:
            DropOddEmptySlot(m_nFirst, m_nCount);
            m_slots.InsertArray(m_nFirst, std::move(m_pUndoStore));
            break;
        case kOpClearRange:
            m_pUndoStore = m_slots.TakeRangeKeepGap(m_nFirst, m_nCount);
            break;
        case kOpCut:
            TakeRecordedRange();
            break;
        default:
            break;
        }
        m_bUndone = FALSE;
    }
    // Undoing or redoing changes the slots like any edit, so the change must
    // count as unsaved and reach the notify window even right after a save.
    if (operation == kOpSet || operation == kOpInsert || operation == kOpClearRange || operation == kOpCut)
        m_bModified = TRUE;
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
