#pragma once
// The owning pointer array behind the storyboard and its undo store: an MFC
// pointer array whose first element stands for slot `lower bound`, so that a
// range taken out of the storyboard keeps its slot numbers. Indices are
// absolute slot numbers throughout. The array owns its items: writing a slot
// deletes what stood there and destroying the array deletes what is left.

#include <memory>

#include "Platform/Mfc/Collections.h"
#include "Platform/Win/Base/WinTypes.h"

class StoryboardItem;

class StoryboardSlotArray {
public:
    // Sized to upperBound - lowerBound + 1 elements (none when that is not
    // positive).
    StoryboardSlotArray(INT upperBound, INT lowerBound, INT growBy);
    StoryboardSlotArray(const StoryboardSlotArray&) = delete;
    StoryboardSlotArray& operator=(const StoryboardSlotArray&) = delete;
    ~StoryboardSlotArray();

    // Reading or writing at or beyond the end first resizes the array to
    // (index - lower bound) + 11 elements.
    StoryboardItem* GetAt(INT index);
    void SetAt(INT index, StoryboardItem* item);
    // Nulls the slot without deleting its item.
    void ClearAt(INT index);
    // Reads without growing: null outside the array.
    StoryboardItem* PeekAt(INT index) const;

    INT GetLowerBound() const { return m_nLowerBound; }
    INT GetUpperBound() const { return m_nUpperBound; }
    INT GetCount() const;
    // From the upper bound down to 0, the first index that is below the lower
    // bound or holds an item; -1 for an empty array with lower bound 0.
    INT GetLastOccupied() const;
    // Negative indices count as empty; true for n <= 0.
    BOOL IsRangeEmpty(INT a, INT n) const;

    // Every item from the last occupied slot down to a moves up by b;
    // returns the number of items moved.
    INT ShiftUp(INT a, INT b);
    // Drops the b slots at a, moving everything above them down; returns the
    // number of slots moved.
    INT ShiftDown(INT a, INT b);

    // Items b..b+n-1 of the source go to a..a+n-1 of the destination, then
    // the source drops those n slots.
    static void MoveItems(StoryboardSlotArray& destination, INT a, StoryboardSlotArray& source, INT b, INT n);
    void InsertItems(INT a, StoryboardSlotArray& source, INT b, INT n);
    // A new array with lower bound a holding the items a..a+n-1, the gap
    // closed here; the KeepGap form leaves those slots here, empty.
    std::unique_ptr<StoryboardSlotArray> TakeRange(INT a, INT n);
    std::unique_ptr<StoryboardSlotArray> TakeRangeKeepGap(INT a, INT n);
    // Inserts every slot of the array at a; the array is used up.
    void InsertArray(INT a, std::unique_ptr<StoryboardSlotArray> array);
    // Exchanges the array's slots with as many slots at a; returns the items
    // that stood there as a new array with lower bound a.
    std::unique_ptr<StoryboardSlotArray> ReplaceRange(INT a, std::unique_ptr<StoryboardSlotArray> array);
    std::unique_ptr<StoryboardSlotArray> ReplaceAt(INT a, StoryboardItem* item);

private:
    // Whether the element count for `index` can be had without growing past
    // what any storyboard could sensibly ask for.
    BOOL Reserve(INT index);
    StoryboardItem* TakeAt(INT index);
    void Resize(INT count);

    CPtrArray m_elements;
    INT m_nLowerBound = 0;
    INT m_nUpperBound = -1;
    INT m_nGrowBy = 1;
};
