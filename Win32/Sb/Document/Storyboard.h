#pragma once
// The ordered slots the user edits: scenes on even slots, the transitions
// between them on odd slots, any slot possibly empty, at most 4096 slots.
// The storyboard owns its items, keeps them on slots of their parity through
// every edit, lays them out in time, keeps one level of undo and tells one
// window after every change.

#include <functional>
#include <memory>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/StoryboardSlotArray.h"

class StoryboardItem;

class Storyboard {
public:
    // Results of the editing operations; they are returned, never shown.
    static constexpr INT kResultOk = 0;
    static constexpr INT kResultWrongKind = 1;
    static constexpr INT kResultParityMismatch = 3;
    static constexpr INT kResultBeyondLimit = 4;

    static constexpr INT kMaxSlots = 4096;
    // WM_USER + 25; wParam is the first slot an operation touched.
    static constexpr UINT kChangedMessage = 0x419;

    // Delivers the storyboard-changed message: SendMessage unless another
    // sender is set (tests record the notices this way).
    using MessageSender = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    Storyboard();
    Storyboard(const Storyboard&) = delete;
    Storyboard& operator=(const Storyboard&) = delete;
    ~Storyboard();

    static BOOL IsSceneIndex(INT index) { return index >= 0 && (index & 1) == 0; }
    static BOOL IsTransitionIndex(INT index) { return index >= 0 && (index & 1) == 1; }
    static INT GetMaxSlots() { return kMaxSlots; }

    // Null for a negative index, outside the array or for an empty slot;
    // never enlarges the array.
    StoryboardItem* GetItem(INT index) const;
    // The highest occupied slot, -1 when the storyboard is empty.
    INT GetLastIndex() const;

    // On success the storyboard takes the item over; on rejection the caller
    // still owns it.
    INT SetItem(StoryboardItem* item, INT index);
    INT InsertItem(StoryboardItem* item, INT index);
    // Moves the other storyboard's slots first..last into this one at target.
    INT InsertFrom(Storyboard& other, INT target, INT first, INT last);
    // In the range operations -1 stands for the lower bound (first) or the
    // last index (last).
    INT CutRange(INT first, INT last);
    INT RemoveRange(INT first, INT last);
    INT CopyRange(INT first, INT last);
    INT ClearRange(INT first, INT last);
    INT MoveRange(INT target, INT first, INT last);

    // Undoes the last operation, giving back the slots exactly as they were
    // before it, or redoes it when it was undone.
    INT Undo();
    BOOL HasUndo() const { return m_nLastOperation != kOpNone; }
    // Removes every item and forgets the undo state.
    INT Clear();

    BOOL IsModified() const { return m_bModified; }
    void SetModified(BOOL modified) { m_bModified = modified ? TRUE : FALSE; }
    void SetNotifyWindow(HWND window) { m_hNotifyWindow = window; }
    HWND GetNotifyWindow() const { return m_hNotifyWindow; }
    void SetMessageSender(MessageSender sender);

    // Lays the items out in time: each scene starts where the one before it
    // ends, pulled earlier by the overlap of the transition between them.
    void RecomputeTimes();

    const StoryboardSlotArray& GetSlots() const { return m_slots; }

private:
    static constexpr INT kOpNone = 0;
    static constexpr INT kOpSet = 1;
    static constexpr INT kOpInsert = 2;
    static constexpr INT kOpClearRange = 4;
    static constexpr INT kOpCut = 5;
    static constexpr INT kOpCopy = 6;
    static constexpr INT kOpMove = 8;

    // Where a move took every item that changed slot, so that Undo and Redo
    // can put each one back exactly: a move may drop empty slots, and the
    // parity fix may open others, so moving the block back is not enough.
    struct MovedItem {
        INT before;
        INT after;
    };

    static BOOL FitsSlot(const StoryboardItem* item, INT index);

    void ResolveRange(INT& first, INT& last) const;
    void RecordRange(INT first, INT last);
    // checkRoom: whether the operation puts n slots at target, so that
    // occupied target slots need room above the last index.
    INT ValidateRange(INT target, INT first, INT last, BOOL checkRoom = TRUE) const;
    // Takes the recorded range out with the gap closed into the undo store.
    void TakeRecordedRange();
    // Puts the items of the last cut back, with the empty slot the closing
    // rule dropped or without the one the parity fix opened.
    void PutBackRecordedRange();
    // After n slots at first were taken out with the gap closed: drops one
    // more empty slot next to the gap when n is odd. The slot dropped, or -1.
    INT CloseOddGap(INT first, INT n);
    // Drops the empty slot at first when n is odd.
    void DropOddEmptySlot(INT first, INT n);
    // Puts the items of the last move where they stood before it (back) or
    // after it.
    void PlaceMovedItems(BOOL back);
    // The undo and redo steps of each operation.
    void ExchangeSetItems();
    void TakeInsertedRange();
    void PutBackInsertedRange();
    void PutBackClearedItems();
    void ClearRecordedRange();
    void MoveItemsBack();
    void MoveItemsAgain();
    void FixParity();
    void RecomputeAndNotify(INT slot);
    void Notify(INT slot);

    INT m_nLastOperation = kOpNone;
    INT m_bUndone = FALSE;
    StoryboardSlotArray m_slots;
    std::unique_ptr<StoryboardSlotArray> m_pUndoStore;
    BOOL m_bModified = FALSE;
    INT m_nLastPosition = 0;
    INT m_nFirst = 0;
    INT m_nLast = 0;
    INT m_nCount = 1;
    BOOL m_bTargetWasEmpty = FALSE;
    BOOL m_bTargetInside = FALSE;
    INT m_nOverlap = 0;
    HWND m_hNotifyWindow = nullptr;
    MessageSender m_sendMessage;
    // The slot the closing rule dropped after the last cut (the first slot
    // of the range or the one before it), -1 when it dropped none.
    INT m_nClosedSlot = -1;
    // The last move: its target, where its block started before and after
    // it, and every item it put on another slot.
    INT m_nMoveTarget = 0;
    INT m_nMoveSource = 0;
    INT m_nMovePlaced = 0;
    std::vector<MovedItem> m_movedItems;
};
