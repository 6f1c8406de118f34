#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "Win32/Utils/KLPtrList.h"

namespace {

using IntList = KLPtrList<INT>;

void Fill(IntList& list, const std::vector<INT>& values)
{
    for (INT v : values)
        list.AddTail(v);
}

// The values from the head, read without moving the cursor.
std::vector<INT> Contents(const IntList& list)
{
    std::vector<INT> out;
    for (INT i = 0; i < list.GetCount(); ++i)
        out.push_back(*list.PeekAt(i));
    return out;
}

// Counts destructor runs, so tests can tell what a list deletes.
struct Counted {
    explicit Counted(int* destroyed) : m_pDestroyed(destroyed) {}
    virtual ~Counted() { ++*m_pDestroyed; }
    int* m_pDestroyed;
};

struct DerivedCounted : Counted {
    DerivedCounted(int* destroyed, int* derivedDestroyed) : Counted(destroyed), m_pDerived(derivedDestroyed) {}
    ~DerivedCounted() override { ++*m_pDerived; }
    int* m_pDerived;
};

TEST(KLPtrList, InsertAtPlacesBeforePositionAndResetsCursor)
{
    struct Case {
        INT cursor;
        INT position;
        std::vector<INT> expected;
    };
    const Case cases[] = {
        {0, 0, {9, 1, 2, 3}},
        {0, -1, {1, 2, 3, 9}}, // before the head: at the tail
        {0, 3, {1, 2, 3, 9}},  // position equal to the count: at the tail
        {0, 1, {1, 9, 2, 3}},
        {0, 2, {1, 2, 9, 3}},
        {2, -1, {1, 2, 9, 3}}, // before the cursor node
        {2, 1, {1, 9, 2, 3}},
        {1, 3, {1, 2, 3, 9}},
    };
    for (const Case& c : cases) {
        IntList list;
        Fill(list, {1, 2, 3});
        list.GetAt(c.cursor);
        INT* stored = list.InsertAt(9, c.position);
        ASSERT_NE(stored, nullptr) << c.cursor << " " << c.position;
        EXPECT_EQ(*stored, 9);
        EXPECT_EQ(Contents(list), c.expected) << c.cursor << " " << c.position;
        EXPECT_EQ(list.GetCount(), 4);
        EXPECT_EQ(list.GetCursorIndex(), 0);
        EXPECT_EQ(*list.GetCurrent(), c.expected[0]);
    }
}

TEST(KLPtrList, InsertAtOutsideTheListChangesNothing)
{
    for (INT position : {4, 100, -2, INT_MIN, INT_MAX}) {
        IntList list;
        Fill(list, {1, 2, 3});
        list.GetAt(2);
        EXPECT_EQ(list.InsertAt(9, position), nullptr) << position;
        EXPECT_EQ(Contents(list), (std::vector<INT>{1, 2, 3})) << position;
        EXPECT_EQ(list.GetCursorIndex(), 2);
        EXPECT_EQ(*list.GetCurrent(), 3);
    }
}

TEST(KLPtrList, InsertAtIntoEmptyListMakesTheOnlyElement)
{
    for (INT position : {-1, 0, 5}) {
        IntList list;
        ASSERT_NE(list.InsertAt(7, position), nullptr) << position;
        EXPECT_EQ(Contents(list), std::vector<INT>{7});
        EXPECT_EQ(*list.GetCurrent(), 7);
        EXPECT_EQ(list.GetCursorIndex(), 0);
    }
    IntList list;
    EXPECT_EQ(list.InsertAt(7, -2), nullptr);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(KLPtrList, AddTailKeepsCursorUnlessListWasEmpty)
{
    IntList list;
    list.AddTail(1);
    EXPECT_EQ(list.GetCursorIndex(), 0);
    EXPECT_EQ(*list.GetCurrent(), 1);

    Fill(list, {2, 3});
    list.GetAt(2);
    list.AddTail(4);
    EXPECT_EQ(list.GetCursorIndex(), 2);
    EXPECT_EQ(*list.GetCurrent(), 3);
    EXPECT_EQ(Contents(list), (std::vector<INT>{1, 2, 3, 4}));
}

TEST(KLPtrList, GetAtWalksBothWaysFromTheCursor)
{
    IntList list;
    Fill(list, {10, 11, 12, 13, 14});
    const INT walk[] = {2, 1, 4, 0, 3, 3, 1};
    for (INT n : walk) {
        ASSERT_NE(list.GetAt(n), nullptr);
        EXPECT_EQ(*list.GetAt(n), 10 + n);
        EXPECT_EQ(list.GetCursorIndex(), n);
        EXPECT_EQ(*list.GetCurrent(), 10 + n);
    }
}

TEST(KLPtrList, GetAtOutsideTheListReturnsNullAndKeepsCursor)
{
    IntList empty;
    EXPECT_EQ(empty.GetAt(0), nullptr);
    EXPECT_EQ(empty.GetCurrent(), nullptr);

    IntList list;
    Fill(list, {1, 2, 3});
    list.GetAt(1);
    for (INT n : {3, -1, INT_MAX}) {
        EXPECT_EQ(list.GetAt(n), nullptr) << n;
        EXPECT_EQ(list.GetCursorIndex(), 1);
    }
}

TEST(KLPtrList, PeekAtDoesNotMoveTheCursor)
{
    IntList list;
    Fill(list, {1, 2, 3, 4});
    list.GetAt(3);
    EXPECT_EQ(*list.PeekAt(1), 2);
    EXPECT_EQ(*list.PeekAt(0), 1);
    EXPECT_EQ(list.PeekAt(4), nullptr);
    EXPECT_EQ(list.GetCursorIndex(), 3);
}

TEST(KLPtrList, RemoveAtFollowsTheCursorRules)
{
    struct Case {
        INT cursor;
        INT position;
        std::vector<INT> expected;
        INT cursorIndex;
        INT current;
    };
    const Case cases[] = {
        {3, -1, {1, 2, 3}, 0, 1}, // the tail at the cursor: cursor wraps to the head
        {2, 0, {2, 3, 4}, 1, 3},  // before the cursor: same element, one index less
        {2, -1, {1, 2, 4}, 2, 4}, // the cursor node: its follower takes its index
        {2, 2, {1, 2, 4}, 2, 4},
        {1, 3, {1, 2, 3}, 1, 2},  // after the cursor: cursor untouched
        {0, 0, {2, 3, 4}, 0, 2},  // the head at the cursor: the next node is head and cursor
        {0, -1, {2, 3, 4}, 0, 2},
        {3, 3, {1, 2, 3}, 0, 1},
    };
    for (const Case& c : cases) {
        IntList list;
        Fill(list, {1, 2, 3, 4});
        list.GetAt(c.cursor);
        EXPECT_TRUE(list.RemoveAt(c.position));
        EXPECT_EQ(Contents(list), c.expected) << c.cursor << " " << c.position;
        EXPECT_EQ(list.GetCount(), 3);
        EXPECT_EQ(list.GetCursorIndex(), c.cursorIndex) << c.cursor << " " << c.position;
        EXPECT_EQ(*list.GetCurrent(), c.current) << c.cursor << " " << c.position;
    }
}

TEST(KLPtrList, RemoveAtOutsideTheListChangesNothing)
{
    for (INT position : {4, 5, -2, INT_MIN}) {
        IntList list;
        Fill(list, {1, 2, 3, 4});
        list.GetAt(1);
        EXPECT_FALSE(list.RemoveAt(position)) << position;
        EXPECT_EQ(Contents(list), (std::vector<INT>{1, 2, 3, 4}));
        EXPECT_EQ(list.GetCursorIndex(), 1);
    }
}

TEST(KLPtrList, RemovingTheLastElementEmptiesTheList)
{
    IntList list;
    list.AddTail(1);
    EXPECT_TRUE(list.RemoveAt(-1));
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetCursorIndex(), 0);
    EXPECT_EQ(list.GetCurrent(), nullptr);
    EXPECT_FALSE(list.RemoveAt(-1));
    EXPECT_FALSE(list.RemoveAt(0));
    EXPECT_FALSE(list.ResetCursor());

    list.AddTail(2);
    EXPECT_TRUE(list.ResetCursor());
    EXPECT_EQ(Contents(list), std::vector<INT>{2});
}

TEST(KLPtrList, CellsHoldWholePointers)
{
    KLPtrList<UINT_PTR> list;
    const UINT_PTR wide = static_cast<UINT_PTR>(0xFEDCBA9876543210ull);
    list.AddTail(wide);
    list.InsertAt(wide - 1, 0);
    EXPECT_EQ(*list.GetAt(1), wide);
    EXPECT_EQ(*list.GetAt(0), wide - 1);
}

TEST(KLPtrList, DestroyingTheListLeavesTheObjectsAlive)
{
    int destroyed = 0;
    Counted a(&destroyed), b(&destroyed);
    {
        KLPtrList<Counted*> list;
        list.AddTail(&a);
        list.AddTail(&b);
    }
    EXPECT_EQ(destroyed, 0);
}

TEST(KLPtrList, DeleteAllRunsEveryDestructor)
{
    int destroyed = 0;
    int derivedDestroyed = 0;
    KLPtrList<Counted*> list;
    list.AddTail(new Counted(&destroyed));
    list.AddTail(nullptr);
    list.AddTail(new DerivedCounted(&destroyed, &derivedDestroyed));
    list.GetAt(2);
    PtrListDeleteAll(list);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(derivedDestroyed, 1);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.ResetCursor());
}

} // namespace
