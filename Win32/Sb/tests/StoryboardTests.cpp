#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Win/User/User.h"
#include "StoryboardTestItems.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/StoryboardSlotArray.h"
#include "Win32/Sb/Document/Transition.h"

namespace {

// Every test must end with as many labelled items alive as it began with:
// more means a leak, fewer an item deleted while still in use.
class StoryboardTest : public ::testing::Test {
protected:
    void SetUp() override { m_nAliveBefore = LabelledItem::s_nAlive; }
    void TearDown() override { EXPECT_EQ(LabelledItem::s_nAlive, m_nAliveBefore); }

private:
    int m_nAliveBefore = 0;
};

class StoryboardSlotArrayTest : public StoryboardTest {};

struct Notice {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

HWND FrameWindow()
{
    static HWND__ window;
    return &window;
}

// Points the storyboard's change notices at the frame window and records
// what would be sent there.
std::shared_ptr<std::vector<Notice>> RecordNotices(Storyboard& storyboard)
{
    auto notices = std::make_shared<std::vector<Notice>>();
    storyboard.SetNotifyWindow(FrameWindow());
    storyboard.SetMessageSender([notices](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        notices->push_back({window, message, wParam, lParam});
        return 0;
    });
    return notices;
}

// The storyboard that "from t f l" takes its items from.
constexpr const char* kOtherBoard = "Sa Tb Sc Td Se";

// Runs one edit written as text: "cut f l", "remove f l", "clear f l",
// "copy f l", "move t f l", "from t f l" (slots f..l of kOtherBoard inserted
// at t), "set LABEL i", "insert LABEL i" or "undo". A new item that the
// storyboard refuses is deleted here, since the caller keeps it.
INT Apply(Storyboard& storyboard, const std::string& action)
{
    std::istringstream in(action);
    std::string verb;
    in >> verb;
    if (verb == "undo")
        return storyboard.Undo();
    if (verb == "set" || verb == "insert") {
        std::string label;
        INT slot = 0;
        in >> label >> slot;
        LabelledItem* item = MakeItem(label);
        const INT result = verb == "set" ? storyboard.SetItem(item, slot) : storyboard.InsertItem(item, slot);
        if (result != Storyboard::kResultOk)
            delete item;
        return result;
    }
    INT a = 0;
    INT b = 0;
    INT c = 0;
    in >> a >> b;
    if (verb == "cut")
        return storyboard.CutRange(a, b);
    if (verb == "remove")
        return storyboard.RemoveRange(a, b);
    if (verb == "clear")
        return storyboard.ClearRange(a, b);
    if (verb == "copy")
        return storyboard.CopyRange(a, b);
    if (verb == "move") {
        in >> c;
        return storyboard.MoveRange(a, b, c);
    }
    if (verb == "from") {
        in >> c;
        auto other = StoryboardFrom(kOtherBoard);
        return storyboard.InsertFrom(*other, a, b, c);
    }
    ADD_FAILURE() << "unknown action " << action;
    return -1;
}

// A storyboard of labelled items with lengths in seconds, from slot 0 on.
std::unique_ptr<Storyboard> StoryboardOfLengths(const std::vector<std::pair<const char*, double>>& items)
{
    auto storyboard = std::make_unique<Storyboard>();
    for (size_t slot = 0; slot < items.size(); ++slot) {
        if (items[slot].first[0] != '_')
            storyboard->SetItem(MakeItem(items[slot].first, items[slot].second), static_cast<INT>(slot));
    }
    return storyboard;
}

// Slot 0 item, then one item on the given slot far up the storyboard.
std::unique_ptr<Storyboard> StoryboardReaching(INT slot)
{
    auto storyboard = StoryboardFrom("S0 T1 S2 T3");
    std::string label = (slot & 1) ? "T" : "S";
    storyboard->SetItem(MakeItem(label + std::to_string(slot)), slot);
    return storyboard;
}

std::unique_ptr<StoryboardSlotArray> ArrayFrom(std::string_view layout)
{
    auto array = std::make_unique<StoryboardSlotArray>(1, 0, 10);
    std::istringstream tokens{std::string(layout)};
    std::string token;
    for (INT slot = 0; tokens >> token; ++slot) {
        if (token != "_")
            array->SetAt(slot, MakeItem(token));
    }
    return array;
}

// From the lower bound to the last occupied slot.
std::string ArrayLayout(const StoryboardSlotArray& array)
{
    std::string text;
    for (INT slot = array.GetLowerBound(); slot <= array.GetLastOccupied(); ++slot) {
        if (!text.empty())
            text += ' ';
        text += LabelOf(array.PeekAt(slot));
    }
    return text;
}

TEST_F(StoryboardSlotArrayTest, ConstructionSizesFromTheBounds)
{
    struct Case {
        INT upper, lower;
        INT count, upperBound;
    };
    const Case cases[] = {
        {1, 0, 2, 1},
        {7, 5, 3, 7},
        {4, 5, 0, 4},  // an empty range
        {0, 5, 0, 4},  // upper below lower holds nothing
    };
    for (const Case& c : cases) {
        StoryboardSlotArray array(c.upper, c.lower, 1);
        EXPECT_EQ(array.GetCount(), c.count) << c.upper << ".." << c.lower;
        EXPECT_EQ(array.GetLowerBound(), c.lower);
        EXPECT_EQ(array.GetUpperBound(), c.upperBound);
    }
}

TEST_F(StoryboardSlotArrayTest, ReadingOrWritingPastTheEndGrowsByElevenBeyondTheIndex)
{
    struct Case {
        INT lower;
        INT index;
        bool write;
        INT count;
    };
    const Case cases[] = {
        {0, 5000, false, 5011},
        {0, 2, false, 13},
        {0, 1, false, 2},  // inside: no growth
        {7, 20, false, 24},
        {0, 4090, true, 4101},
        {7, 9, true, 13},
    };
    for (const Case& c : cases) {
        StoryboardSlotArray array(c.lower + 1, c.lower, 10);
        if (c.write)
            array.SetAt(c.index, MakeItem("S"));
        else
            EXPECT_EQ(array.GetAt(c.index), nullptr);
        EXPECT_EQ(array.GetCount(), c.count) << "index " << c.index;
        EXPECT_EQ(array.GetUpperBound(), c.lower + c.count - 1);
    }
}

TEST_F(StoryboardSlotArrayTest, PeekingNeverGrows)
{
    StoryboardSlotArray array(1, 0, 10);
    EXPECT_EQ(array.PeekAt(5000), nullptr);
    EXPECT_EQ(array.PeekAt(-1), nullptr);
    EXPECT_EQ(array.GetCount(), 2);
}

TEST_F(StoryboardSlotArrayTest, AbsurdIndicesNeitherAllocateNorLeak)
{
    StoryboardSlotArray array(1, 0, 10);
    EXPECT_EQ(array.GetAt(INT_MAX), nullptr);
    array.SetAt(INT_MAX, MakeItem("S"));
    array.SetAt(-5, MakeItem("S"));
    EXPECT_EQ(array.GetCount(), 2);
    EXPECT_EQ(array.GetLastOccupied(), -1);
}

TEST_F(StoryboardSlotArrayTest, WritingDeletesTheOccupantAndClearingDoesNot)
{
    const int alive = LabelledItem::s_nAlive;
    StoryboardSlotArray array(1, 0, 10);
    array.SetAt(0, MakeItem("S0"));
    array.SetAt(0, MakeItem("S1"));
    EXPECT_EQ(LabelledItem::s_nAlive, alive + 1);
    EXPECT_EQ(LabelOf(array.GetAt(0)), "S1");

    std::unique_ptr<StoryboardItem> kept(array.GetAt(0));
    array.ClearAt(0);
    EXPECT_EQ(array.GetAt(0), nullptr);
    EXPECT_EQ(LabelledItem::s_nAlive, alive + 1);

    StoryboardItem* item = MakeItem("S2");
    array.SetAt(0, item);
    array.SetAt(0, item);  // the same item again is not deleted
    EXPECT_EQ(array.GetAt(0), item);
}

TEST_F(StoryboardSlotArrayTest, LastOccupiedScansDownToZero)
{
    struct Case {
        INT lower;
        const char* layout;
        INT last;
    };
    const Case cases[] = {
        {0, "", -1},
        {0, "S0 T1 _ _", 1},
        {0, "_ _ _ T3", 3},
        {5, "", 4},  // below the lower bound counts as occupied
    };
    for (const Case& c : cases) {
        std::unique_ptr<StoryboardSlotArray> array =
            c.lower == 0 ? ArrayFrom(c.layout) : std::make_unique<StoryboardSlotArray>(c.lower + 2, c.lower, 1);
        EXPECT_EQ(array->GetLastOccupied(), c.last) << c.layout;
    }
}

TEST_F(StoryboardSlotArrayTest, RangeEmptinessTreatsNegativeSlotsAsEmpty)
{
    std::unique_ptr<StoryboardSlotArray> array = ArrayFrom("S0 _ _ T3");
    struct Case {
        INT a, n;
        BOOL empty;
    };
    const Case cases[] = {
        {1, 2, TRUE}, {1, 3, FALSE}, {0, 1, FALSE}, {-3, 3, TRUE}, {-3, 4, FALSE},
        {0, 0, TRUE}, {0, -4, TRUE}, {4, 100, TRUE}, {3, INT_MAX, FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(array->IsRangeEmpty(c.a, c.n), c.empty) << c.a << ", " << c.n;
    EXPECT_EQ(array->GetCount(), 14);
}

TEST_F(StoryboardSlotArrayTest, ShiftUpOpensAndShiftDownDropsSlots)
{
    struct Case {
        const char* layout;
        bool up;
        INT a, b;
        INT result;
        const char* after;
    };
    const Case cases[] = {
        {"S0 T1 S2", true, 1, 2, 2, "S0 _ _ T1 S2"},
        {"S0 _ S2", true, 0, 1, 2, "_ S0 _ S2"},
        {"S0 T1 S2", true, 3, 2, 0, "S0 T1 S2"},   // nothing at or above a
        {"S0 T1 S2", true, -4, 1, 3, "_ S0 T1 S2"}, // never below 0
        {"S0 T1 S2", true, 0, 0, 0, "S0 T1 S2"},
        {"S0 _ _ T3 S4", false, 1, 2, 11, "S0 T3 S4"},
        {"S0 _ _ T3 S4", false, 2, 100, 0, "S0 _ _ T3 S4"}, // nothing follows
        {"S0 _ T2", false, -1, 1, 0, "S0 _ T2"},             // below the array
    };
    for (const Case& c : cases) {
        std::unique_ptr<StoryboardSlotArray> array = ArrayFrom(c.layout);
        const INT result = c.up ? array->ShiftUp(c.a, c.b) : array->ShiftDown(c.a, c.b);
        EXPECT_EQ(ArrayLayout(*array), c.after) << c.layout << (c.up ? " up " : " down ") << c.a << ", " << c.b;
        EXPECT_EQ(result, c.result) << c.layout << (c.up ? " up " : " down ") << c.a << ", " << c.b;
    }
}

TEST_F(StoryboardSlotArrayTest, TakeRangeKeepsSlotNumbers)
{
    std::unique_ptr<StoryboardSlotArray> array = ArrayFrom("S0 T1 S2 T3 S4");
    std::unique_ptr<StoryboardSlotArray> taken = array->TakeRange(1, 2);
    EXPECT_EQ(ArrayLayout(*array), "S0 T3 S4");
    EXPECT_EQ(taken->GetLowerBound(), 1);
    EXPECT_EQ(taken->GetCount(), 2);
    EXPECT_EQ(ArrayLayout(*taken), "T1 S2");

    std::unique_ptr<StoryboardSlotArray> kept = array->TakeRangeKeepGap(1, 1);
    EXPECT_EQ(ArrayLayout(*array), "S0 _ S4");
    EXPECT_EQ(ArrayLayout(*kept), "T3");

    array->InsertArray(1, std::move(taken));
    EXPECT_EQ(ArrayLayout(*array), "S0 T1 S2 _ S4");
}

TEST_F(StoryboardSlotArrayTest, ReplaceRangeExchangesItems)
{
    std::unique_ptr<StoryboardSlotArray> array = ArrayFrom("S0 T1 S2");
    std::unique_ptr<StoryboardSlotArray> replaced = array->ReplaceAt(2, MakeItem("S9"));
    EXPECT_EQ(ArrayLayout(*array), "S0 T1 S9");
    EXPECT_EQ(replaced->GetLowerBound(), 2);
    EXPECT_EQ(ArrayLayout(*replaced), "S2");

    std::unique_ptr<StoryboardSlotArray> back = array->ReplaceRange(2, std::move(replaced));
    EXPECT_EQ(ArrayLayout(*array), "S0 T1 S2");
    EXPECT_EQ(ArrayLayout(*back), "S9");

    std::unique_ptr<StoryboardSlotArray> fromEmpty = array->ReplaceAt(6, MakeItem("S6"));
    EXPECT_EQ(ArrayLayout(*array), "S0 T1 S2 _ _ _ S6");
    EXPECT_EQ(fromEmpty->GetCount(), 1);
    EXPECT_EQ(fromEmpty->PeekAt(6), nullptr);
}

TEST_F(StoryboardSlotArrayTest, MovingBetweenArraysClosesTheSourceGap)
{
    std::unique_ptr<StoryboardSlotArray> source = ArrayFrom("S0 T1 S2 T3");
    std::unique_ptr<StoryboardSlotArray> destination = ArrayFrom("Sa Tb");
    destination->InsertItems(0, *source, 1, 2);
    EXPECT_EQ(ArrayLayout(*destination), "T1 S2 Sa Tb");
    EXPECT_EQ(ArrayLayout(*source), "S0 T3");

    StoryboardSlotArray::MoveItems(*source, 0, *source, 1, 1);  // same array: nothing
    EXPECT_EQ(ArrayLayout(*source), "S0 T3");
}

TEST_F(StoryboardTest, NewStoryboardIsEmpty)
{
    Storyboard storyboard;
    EXPECT_EQ(storyboard.GetLastIndex(), -1);
    EXPECT_EQ(storyboard.GetItem(0), nullptr);
    EXPECT_FALSE(storyboard.HasUndo());
    EXPECT_FALSE(storyboard.IsModified());
    EXPECT_EQ(storyboard.GetSlots().GetCount(), 2);
    EXPECT_EQ(Storyboard::GetMaxSlots(), 4096);
}

TEST_F(StoryboardTest, SlotParityIsAPlainFunctionOfTheIndex)
{
    struct Case {
        INT index;
        BOOL scene, transition;
    };
    const Case cases[] = {
        {-2, FALSE, FALSE}, {-1, FALSE, FALSE}, {0, TRUE, FALSE}, {1, FALSE, TRUE}, {4094, TRUE, FALSE}, {4095, FALSE, TRUE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Storyboard::IsSceneIndex(c.index), c.scene) << c.index;
        EXPECT_EQ(Storyboard::IsTransitionIndex(c.index), c.transition) << c.index;
    }
}

TEST_F(StoryboardTest, GetItemNeverEnlargesTheArray)
{
    auto storyboard = StoryboardFrom("S0 T1");
    const INT count = storyboard->GetSlots().GetCount();
    EXPECT_EQ(storyboard->GetItem(5000), nullptr);
    EXPECT_EQ(storyboard->GetItem(-1), nullptr);
    EXPECT_EQ(storyboard->GetSlots().GetCount(), count);
}

TEST_F(StoryboardTest, SetAndInsertCheckSlotLimitAndKind)
{
    struct Case {
        const char* action;
        INT result;
        const char* layout;
    };
    const Case cases[] = {
        {"set T9 0", 1, "S0 T1 S2"},
        {"set S9 1", 1, "S0 T1 S2"},
        {"set S9 4096", 4, "S0 T1 S2"},
        {"set T9 4097", 4, "S0 T1 S2"},
        {"set S9 -2", 1, "S0 T1 S2"},
        {"set S9 2", 0, "S0 T1 S9"},
        {"set T9 3", 0, "S0 T1 S2 T9"},
        {"insert T9 0", 1, "S0 T1 S2"},
        {"insert S9 4096", 4, "S0 T1 S2"},
        {"insert S9 -2", 1, "S0 T1 S2"},
        {"insert S9 2", 0, "S0 T1 S9 _ S2"},
        {"insert T9 1", 0, "S0 T9 _ T1 S2"},
        {"insert S9 6", 0, "S0 T1 S2 _ _ _ S9"},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardFrom("S0 T1 S2");
        EXPECT_EQ(Apply(*storyboard, c.action), c.result) << c.action;
        EXPECT_EQ(Layout(*storyboard), c.layout) << c.action;
    }
}

TEST_F(StoryboardTest, NullItemsAreRefused)
{
    auto storyboard = StoryboardFrom("S0");
    auto notices = RecordNotices(*storyboard);
    EXPECT_EQ(storyboard->SetItem(nullptr, 2), Storyboard::kResultWrongKind);
    EXPECT_EQ(storyboard->InsertItem(nullptr, 2), Storyboard::kResultWrongKind);
    EXPECT_EQ(Layout(*storyboard), "S0");
    // A missing item to insert is turned away before anything else happens.
    ASSERT_EQ(notices->size(), 1u);
    EXPECT_EQ(notices->back().wParam, 2u);
}

TEST_F(StoryboardTest, RefusedItemsStayWithTheCaller)
{
    auto storyboard = StoryboardFrom("S0 T1 S2");
    storyboard->CutRange(2, 2);
    const int alive = LabelledItem::s_nAlive;
    std::unique_ptr<LabelledItem> item(MakeItem("T9"));
    EXPECT_EQ(storyboard->SetItem(item.get(), 0), Storyboard::kResultWrongKind);
    EXPECT_EQ(storyboard->InsertItem(item.get(), 4096), Storyboard::kResultBeyondLimit);
    EXPECT_EQ(LabelledItem::s_nAlive, alive + 1);
    // The undo state still belongs to the cut.
    storyboard->Undo();
    EXPECT_EQ(Layout(*storyboard), "S0 T1 S2");
}

// The edits and their undo and redo on S0 T1 S2 T3 S4; each row runs from a
// fresh storyboard and checks the result and the layout after every step.
TEST_F(StoryboardTest, EditsUndoAndRedoOnFiveSlots)
{
    struct Step {
        const char* action;
        INT result;
        const char* layout;
    };
    struct Scenario {
        const char* name;
        std::vector<Step> steps;
    };
    const char* const start = "S0 T1 S2 T3 S4";
    const Scenario scenarios[] = {
        {"cut one scene re-opens its slot",
         {{"cut 2 2", 0, "S0 T1 _ T3 S4"},
          {"undo", 0, "S0 T1 S2 T3 S4"},
          {"undo", 0, "S0 T1 _ T3 S4"},
          {"undo", 0, "S0 T1 S2 T3 S4"}}},
        {"cut a scene and its transition",
         {{"cut 2 3", 0, "S0 T1 S4"}, {"undo", 0, start}, {"undo", 0, "S0 T1 S4"}}},
        {"cut one transition", {{"cut 1 1", 0, "S0 _ S2 T3 S4"}, {"undo", 0, start}}},
        {"cut to the end", {{"cut 2 -1", 0, "S0 T1"}, {"undo", 0, start}}},
        {"remove", {{"remove 2 3", 0, "S0 T1 S4"}, {"undo", 0, start}, {"undo", 0, "S0 T1 S4"}}},
        {"clear range",
         {{"clear 2 3", 0, "S0 T1 _ _ S4"}, {"undo", 0, start}, {"undo", 0, "S0 T1 _ _ S4"}, {"undo", 0, start}}},
        {"clear everything", {{"clear -1 -1", 0, ""}, {"undo", 0, start}}},
        {"set", {{"set S9 2", 0, "S0 T1 S9 T3 S4"}, {"undo", 0, start}, {"undo", 0, "S0 T1 S9 T3 S4"}}},
        {"set into a new slot", {{"set T9 5", 0, "S0 T1 S2 T3 S4 T9"}, {"undo", 0, start}}},
        {"insert",
         {{"insert S9 2", 0, "S0 T1 S9 _ S2 T3 S4"}, {"undo", 0, start}, {"undo", 0, "S0 T1 S9 _ S2 T3 S4"}}},
        {"move forward",
         {{"move 4 0 1", 0, "S2 T3 S0 T1 S4"},
          {"undo", 0, start},
          {"undo", 0, "S2 T3 S0 T1 S4"},
          {"undo", 0, start}}},
        {"move backward", {{"move 0 2 3", 0, "S2 T3 S0 T1 S4"}, {"undo", 0, start}, {"undo", 0, "S2 T3 S0 T1 S4"}}},
        {"move into an empty target",
         {{"move 6 0 1", 0, "S2 T3 S4 _ S0 T1"}, {"undo", 0, "S0 T1 S2 T3 S4"}}},
        {"move with the target inside the range",
         {{"move 2 0 3", 0, start}, {"undo", 0, start}, {"undo", 0, start}}},
        {"move onto its own first slot", {{"move 2 2 3", 0, start}, {"undo", 0, start}}},
        {"copy", {{"copy 0 4", 0, start}, {"undo", 0, start}, {"undo", 0, start}}},
        {"refused edits",
         {{"move 3 2 3", 3, start},
          {"move 4094 0 3", 4, start},
          {"cut 1 2", 0, "S0 T3 S4"},
          {"cut 5000 5000", 4, "S0 T3 S4"},
          {"undo", 0, start}}},
    };
    for (const Scenario& scenario : scenarios) {
        auto storyboard = StoryboardFrom(start);
        for (const Step& step : scenario.steps) {
            EXPECT_EQ(Apply(*storyboard, step.action), step.result) << scenario.name << ": " << step.action;
            EXPECT_EQ(Layout(*storyboard), step.layout) << scenario.name << ": " << step.action;
        }
    }
}

// Every edit of every kind on a board of the given number of slots: set and
// insert on each slot and just past the end, ranges of one to four slots for
// cut, remove, clear and copy, those ranges moved to every target of their
// parity forward and backward, and ranges of the other board inserted at
// every target.
std::vector<std::string> EveryEdit(INT slots)
{
    std::vector<std::string> edits;
    auto add = [&edits](const std::string& verb, std::initializer_list<INT> numbers) {
        std::string edit = verb;
        for (INT number : numbers)
            edit += ' ' + std::to_string(number);
        edits.push_back(edit);
    };
    for (INT i = 0; i <= slots + 1; ++i) {
        const std::string label = Storyboard::IsSceneIndex(i) ? "S9" : "T9";
        edits.push_back("set " + label + ' ' + std::to_string(i));
        edits.push_back("insert " + label + ' ' + std::to_string(i));
    }
    for (INT first = 0; first < slots; ++first) {
        for (INT last = first; last <= first + 3; ++last) {
            for (const char* verb : {"cut", "remove", "clear", "copy"})
                add(verb, {first, last});
            for (INT target = first & 1; target <= slots + 2; target += 2)
                add("move", {target, first, last});
        }
    }
    const std::pair<INT, INT> otherRanges[] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {1, 3}, {0, 4}};
    for (const auto& [first, last] : otherRanges) {
        for (INT target = first & 1; target <= slots + 1; target += 2)
            add("from", {target, first, last});
    }
    return edits;
}

// Undo gives back the board slot for slot, Redo the edit's result, and so on
// back and forth, whatever the edit and wherever the gaps lie.
TEST_F(StoryboardTest, UndoGivesBackTheBoardAndRedoTheEditAfterEveryEdit)
{
    const char* const boards[] = {
        "S0 T1 S2 T3 S4 T5 S6",
        "S0 _ S2 T3 S4 _ S6",
        "S0 T1 _ _ S4 T5 S6",
        "_ _ S2 T3 S4",
        "S0 T1 S2 _ _ _ _ T7 S8",
        "S0 _ _ _ S4 _ _ _ S8",
    };
    for (const char* board : boards) {
        const INT slots = StoryboardFrom(board)->GetLastIndex() + 1;
        for (const std::string& edit : EveryEdit(slots)) {
            auto storyboard = StoryboardFrom(board);
            const INT result = Apply(*storyboard, edit);
            const std::string edited = Layout(*storyboard);
            if (result != Storyboard::kResultOk) {
                EXPECT_EQ(edited, board) << board << ": " << edit << " refused";
                continue;
            }
            for (const std::string& expected : {std::string(board), edited, std::string(board)}) {
                EXPECT_EQ(storyboard->Undo(), Storyboard::kResultOk) << board << ": " << edit;
                EXPECT_EQ(Layout(*storyboard), expected) << board << ": " << edit;
            }
        }
    }
}

TEST_F(StoryboardTest, MoveRangeChecksParityAndTheSlotLimit)
{
    struct Case {
        INT target, first, last;
        INT result;
    };
    const Case cases[] = {
        {3, 2, 3, 3},        // target and first differ in parity
        {4094, 0, 3, 4},     // the last target slot would be 4097
        {4092, 0, 3, 0},     // the last target slot is 4095
        {0, 0, 4096, 4},     // the range ends beyond the limit
        {-2, 0, 1, 4},       // a target below slot 0
        {2, 4, 1, 4},        // a range that ends before it starts
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardFrom("S0 T1 S2 T3 S4");
        auto notices = RecordNotices(*storyboard);
        EXPECT_EQ(storyboard->MoveRange(c.target, c.first, c.last), c.result)
            << c.target << " " << c.first << " " << c.last;
        if (c.result != 0) {
            EXPECT_EQ(Layout(*storyboard), "S0 T1 S2 T3 S4");
            EXPECT_TRUE(notices->empty());
        }
    }
}

TEST_F(StoryboardTest, RangeEditsRefuseRangesOutsideTheSlots)
{
    const char* const actions[] = {
        "cut 0 4096", "remove 0 4096", "clear 4 4096", "copy 0 4096",
        "cut -2 1", "remove -2 1", "clear -2 1", "copy -2 1",
        "cut 4 1", "remove 4 1", "clear 4 1", "copy 4 1",
    };
    for (const char* action : actions) {
        auto storyboard = StoryboardFrom("S0 T1 S2 T3 S4");
        storyboard->CopyRange(0, 0);
        EXPECT_EQ(Apply(*storyboard, action), Storyboard::kResultBeyondLimit) << action;
        EXPECT_EQ(Layout(*storyboard), "S0 T1 S2 T3 S4") << action;
        storyboard->Undo();  // still the copy: nothing changes
        EXPECT_EQ(Layout(*storyboard), "S0 T1 S2 T3 S4") << action;
    }
}

TEST_F(StoryboardTest, InsertNeverPushesItemsPastTheLastSlot)
{
    struct Case {
        INT lastSlot;
        const char* action;
        INT result;
        INT lastIndex;
    };
    const Case cases[] = {
        {4094, "insert S9 0", 4, 4094},
        {4094, "insert S9 4094", 4, 4094},
        {4095, "insert T9 3", 4, 4095},
        {4093, "insert S9 2", 0, 4095},
        {4092, "insert S9 0", 0, 4094},
        {4094, "insert T9 1", 4, 4094},
        {100, "insert S9 4094", 0, 4094},   // nothing above to push
        {100, "insert T9 4095", 0, 4095},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardReaching(c.lastSlot);
        EXPECT_EQ(Apply(*storyboard, c.action), c.result) << c.lastSlot << ": " << c.action;
        EXPECT_EQ(storyboard->GetLastIndex(), c.lastIndex) << c.lastSlot << ": " << c.action;
    }
}

TEST_F(StoryboardTest, CutNearTheEndIsAllowed)
{
    auto storyboard = StoryboardReaching(4094);
    EXPECT_EQ(storyboard->CutRange(0, 3), Storyboard::kResultOk);
    EXPECT_EQ(LabelOf(storyboard->GetItem(4090)), "S4094");
    EXPECT_EQ(storyboard->GetLastIndex(), 4090);
    storyboard->Undo();
    EXPECT_EQ(LabelOf(storyboard->GetItem(4094)), "S4094");
    EXPECT_EQ(LabelOf(storyboard->GetItem(0)), "S0");
}

TEST_F(StoryboardTest, ClearEmptiesEvenAfterTheHighestSlotsWereWritten)
{
    for (INT slot : {4, 4085, 4086, 4090, 4094, 4095}) {
        auto storyboard = StoryboardReaching(slot);
        auto notices = RecordNotices(*storyboard);
        EXPECT_EQ(storyboard->Clear(), Storyboard::kResultOk);
        EXPECT_EQ(storyboard->GetLastIndex(), -1) << slot;
        EXPECT_EQ(storyboard->GetItem(slot), nullptr) << slot;
        EXPECT_FALSE(storyboard->HasUndo()) << slot;
        EXPECT_FALSE(storyboard->IsModified()) << slot;
        ASSERT_EQ(notices->size(), 1u) << slot;
        EXPECT_EQ(notices->back().wParam, 0u);
        // Nothing remains to come back.
        storyboard->Undo();
        EXPECT_EQ(storyboard->GetLastIndex(), -1) << slot;
    }
}

TEST_F(StoryboardTest, CopyRecordsAnUndoThatChangesNothing)
{
    auto storyboard = StoryboardFrom("S0 T1 S2");
    storyboard->SetModified(FALSE);
    auto notices = RecordNotices(*storyboard);
    Storyboard fresh;
    EXPECT_FALSE(fresh.HasUndo());

    EXPECT_EQ(storyboard->CopyRange(0, 1), Storyboard::kResultOk);
    EXPECT_TRUE(storyboard->IsModified());
    EXPECT_TRUE(storyboard->HasUndo());
    EXPECT_TRUE(notices->empty());

    EXPECT_EQ(storyboard->Undo(), Storyboard::kResultOk);
    EXPECT_EQ(Layout(*storyboard), "S0 T1 S2");
    EXPECT_EQ(notices->size(), 1u);
    storyboard->Clear();
    EXPECT_FALSE(storyboard->HasUndo());
}

TEST_F(StoryboardTest, NoticeNamesTheFirstSlotTouched)
{
    struct Case {
        std::vector<const char*> actions;
        std::vector<WPARAM> slots;
    };
    const Case cases[] = {
        {{"set S9 2"}, {2}},
        {{"insert S9 4"}, {4}},
        {{"cut 2 3"}, {2}},
        {{"remove 2 3"}, {2}},
        {{"clear 2 3"}, {2}},
        {{"move 4 0 1"}, {4}},
        {{"copy 0 1"}, {}},
        {{"set T9 0"}, {0}},       // refused, but the storyboard was changed before
        {{"clear 0 4096"}, {0}},   // likewise
        {{"cut 5 3"}, {}},         // refused range edits other than remove and clear stay silent
        {{"move 3 2 3"}, {}},
        // After an undo the notice carries the last position.
        {{"cut 2 3", "undo"}, {2, 2}},
        {{"move 4 0 1", "undo"}, {4, 0, 0}},
        // A redo tells the move's target and where the block landed again.
        {{"move 4 0 1", "undo", "undo"}, {4, 0, 0, 4, 2}},
        {{"move 0 2 3", "undo"}, {0, 4, 2}},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardFrom("S0 T1 S2 T3 S4");
        auto notices = RecordNotices(*storyboard);
        for (const char* action : c.actions)
            Apply(*storyboard, action);
        std::vector<WPARAM> slots;
        for (const Notice& notice : *notices) {
            EXPECT_EQ(notice.window, FrameWindow());
            EXPECT_EQ(notice.message, 0x419u);
            EXPECT_EQ(notice.lParam, 0);
            slots.push_back(notice.wParam);
        }
        EXPECT_EQ(slots, c.slots) << c.actions.front();
    }
}

TEST_F(StoryboardTest, NoticesNeedAWindowAndUnsavedChanges)
{
    auto storyboard = std::make_unique<Storyboard>();
    auto notices = RecordNotices(*storyboard);
    // A fresh storyboard is unchanged, so a refused edit says nothing.
    EXPECT_EQ(Apply(*storyboard, "set T9 0"), 1);
    EXPECT_TRUE(notices->empty());

    EXPECT_EQ(Apply(*storyboard, "set S0 0"), 0);
    EXPECT_EQ(notices->size(), 1u);

    storyboard->SetNotifyWindow(nullptr);
    EXPECT_EQ(Apply(*storyboard, "set S2 2"), 0);
    EXPECT_EQ(notices->size(), 1u);
}

TEST_F(StoryboardTest, UndoAfterSavingCountsAsAChange)
{
    auto storyboard = StoryboardFrom("S0 T1 S2");
    storyboard->CutRange(2, 2);
    storyboard->SetModified(FALSE);
    auto notices = RecordNotices(*storyboard);
    storyboard->Undo();
    EXPECT_EQ(Layout(*storyboard), "S0 T1 S2");
    EXPECT_TRUE(storyboard->IsModified());
    EXPECT_EQ(notices->size(), 1u);
}

TEST_F(StoryboardTest, InsertFromTakesTheOtherStoryboardsItems)
{
    struct Case {
        const char* layout;
        INT target;
        const char* after;
        const char* undone;
    };
    const Case cases[] = {
        {"S0 T1 S2", 2, "S0 T1 Sa Tb S2", "S0 T1 S2"},
        {"S0", 2, "S0 _ Sa Tb", "S0"},
        {"", 0, "Sa Tb", ""},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardFrom(c.layout);
        auto other = StoryboardFrom("Sa Tb Sc");
        EXPECT_EQ(storyboard->InsertFrom(*other, c.target, 0, 1), Storyboard::kResultOk) << c.layout;
        EXPECT_EQ(Layout(*storyboard), c.after) << c.layout;
        EXPECT_EQ(Layout(*other), "Sc") << c.layout;
        EXPECT_FALSE(other->HasUndo());
        EXPECT_TRUE(storyboard->HasUndo());
        storyboard->Undo();
        EXPECT_EQ(Layout(*storyboard), c.undone) << c.layout;
        storyboard->Undo();
        EXPECT_EQ(Layout(*storyboard), c.after) << c.layout;
    }
}

TEST_F(StoryboardTest, InsertFromChecksRoomOnBothStoryboards)
{
    struct Case {
        INT lastSlot;
        INT target, first, last;
        INT result;
    };
    const Case cases[] = {
        {10, 3, 0, 1, 3},      // parity
        {10, 4094, 0, 3, 4},   // beyond the last slot
        {4094, 0, 0, 1, 4},    // this storyboard's items would pass slot 4095
        {4095, 2, 0, 1, 4},
        {4092, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardReaching(c.lastSlot);
        auto other = StoryboardFrom("Sa Tb Sc");
        EXPECT_EQ(storyboard->InsertFrom(*other, c.target, c.first, c.last), c.result) << c.lastSlot;
        if (c.result != 0) {
            EXPECT_EQ(Layout(*other), "Sa Tb Sc");
            EXPECT_EQ(storyboard->GetLastIndex(), c.lastSlot);
        } else {
            EXPECT_EQ(storyboard->GetLastIndex(), c.lastSlot + 2);
        }
    }
}

TEST_F(StoryboardTest, MoveWithAnEmptyTargetReachingIntoTheRangeKeepsItsItems)
{
    auto storyboard = StoryboardFrom("_ _ _ _ S4 T5 S6");
    EXPECT_EQ(storyboard->MoveRange(0, 2, 5), Storyboard::kResultOk);
    EXPECT_EQ(Layout(*storyboard), "_ _ S4 T5 _ _ S6");
    storyboard->Undo();
    EXPECT_EQ(Layout(*storyboard), "_ _ _ _ S4 T5 S6");
}

// Edits whose closing rule, parity fix or empty target reshape the board
// around the edited slots: Undo still gives back the board slot for slot and
// Redo the edit's own result.
TEST_F(StoryboardTest, UndoGivesBackTheSlotsThatClosingAndParityRulesReshaped)
{
    struct Case {
        const char* what;
        const char* board;
        const char* edit;
        const char* edited;
    };
    const Case cases[] = {
        {"cut whose closing rule dropped the empty slot before the range", "S0 _ S2 T3 S4", "cut 2 2", "S0 T3 S4"},
        {"remove likewise", "S0 _ S2 T3 S4", "remove 2 2", "S0 T3 S4"},
        {"cut whose closing rule dropped the empty slot after the range", "S0 T1 S2 _ _ _ _ T7 S8", "cut 2 2",
         "S0 T1 _ _ _ T7 S8"},
        {"cut of a transition before a gap", "S0 T1 _ _ S4 T5 S6", "cut 1 1", "S0 _ S4 T5 S6"},
        {"scene moved forward on a board without gaps", "S0 T1 S2 T3 S4", "move 4 0 0", "_ T1 S2 T3 S0 _ S4"},
        {"scene moved backward on a board without gaps", "S0 T1 S2 T3 S4 T5 S6", "move 0 2 2", "S2 _ S0 T1 _ T3 S4 T5 S6"},
        {"one slot moved onto itself", "S0 T1 S2 T3 S4 T5 S6", "move 0 0 0", "S0 T1 S2 T3 S4 T5 S6"},
        {"backward move into empty slots", "S0 T1 _ _ S4 T5 S6", "move 2 4 5", "S0 T1 S4 T5 S6"},
        {"forward move out of a board with a gap", "S0 T1 _ _ S4 T5 S6", "move 6 0 1", "_ _ S4 T5 S0 T1 S6"},
        {"move of empty slots onto themselves", "S0 T1 _ _ S4 T5 S6", "move 2 2 3", "S0 T1 S4 T5 S6"},
        {"insertion from another storyboard into empty slots", "S0 T1 _ _ S4 T5 S6", "from 2 0 1",
         "S0 T1 Sa Tb S4 T5 S6"},
        {"odd insertion from another storyboard at an empty slot", "S0 T1 _ _ S4 T5 S6", "from 2 0 2",
         "S0 T1 Sa Tb Sc _ _ _ S4 T5 S6"},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardFrom(c.board);
        ASSERT_EQ(Apply(*storyboard, c.edit), Storyboard::kResultOk) << c.what;
        EXPECT_EQ(Layout(*storyboard), c.edited) << c.what;
        EXPECT_EQ(storyboard->Undo(), Storyboard::kResultOk) << c.what;
        EXPECT_EQ(Layout(*storyboard), c.board) << c.what << ": undo";
        EXPECT_EQ(storyboard->Undo(), Storyboard::kResultOk) << c.what;
        EXPECT_EQ(Layout(*storyboard), c.edited) << c.what << ": redo";
    }
}

TEST_F(StoryboardTest, TimesOverlapByTheTransitionBetweenScenes)
{
    struct Case {
        std::vector<std::pair<const char*, double>> items;
        // Start and end in seconds per slot; negative means not checked.
        std::vector<std::pair<double, double>> times;
    };
    const Case cases[] = {
        {{{"S0", 4}, {"T1", 1}, {"S2", 5}}, {{0, 4}, {3, 4}, {3, 8}}},
        {{{"S0", 4}, {"T1", 6}, {"S2", 5}}, {{0, 4}, {0, 6}, {0, 5}}},
        {{{"S0", 4}, {"_", 0}, {"S2", 5}}, {{0, 4}, {-1, -1}, {4, 9}}},
        {{{"S0", 4}, {"_", 0}, {"_", 0}, {"_", 0}, {"S4", 2}}, {{0, 4}, {-1, -1}, {-1, -1}, {-1, -1}, {4, 6}}},
        {{{"_", 0}, {"T1", 2}, {"S2", 5}}, {{-1, -1}, {0, 2}, {0, 5}}},
        {{{"S0", 2}, {"T1", 1}, {"S2", 3}, {"T3", 2}, {"S4", 1}},
         {{0, 2}, {1, 2}, {1, 4}, {2, 4}, {2, 3}}},
    };
    for (const Case& c : cases) {
        auto storyboard = StoryboardOfLengths(c.items);
        for (size_t slot = 0; slot < c.times.size(); ++slot) {
            if (c.times[slot].first < 0)
                continue;
            const StoryboardItem* item = storyboard->GetItem(static_cast<INT>(slot));
            ASSERT_NE(item, nullptr);
            EXPECT_DOUBLE_EQ(Seconds(item->GetStart()), c.times[slot].first) << c.items.front().first << " slot " << slot;
            EXPECT_DOUBLE_EQ(Seconds(item->GetEnd()), c.times[slot].second) << c.items.front().first << " slot " << slot;
        }
    }
}

TEST_F(StoryboardTest, TransitionWithoutAFollowingSceneKeepsItsTimes)
{
    auto storyboard = StoryboardOfLengths({{"S0", 4}, {"T1", 1}});
    StoryboardItem* transition = storyboard->GetItem(1);
    transition->SetStart(CMediaTime(0, 0, 7));
    transition->SetEnd(CMediaTime(0, 0, 9));
    storyboard->RecomputeTimes();
    EXPECT_DOUBLE_EQ(Seconds(transition->GetStart()), 7.0);
    EXPECT_DOUBLE_EQ(Seconds(transition->GetEnd()), 9.0);
}

TEST_F(StoryboardTest, EditsLayTheItemsOutAgain)
{
    auto storyboard = StoryboardOfLengths({{"S0", 4}, {"T1", 1}, {"S2", 5}, {"T3", 2}, {"S4", 3}});
    EXPECT_DOUBLE_EQ(Seconds(storyboard->GetItem(4)->GetStart()), 6.0);
    storyboard->CutRange(2, 3);
    EXPECT_DOUBLE_EQ(Seconds(storyboard->GetItem(2)->GetStart()), 3.0);
    EXPECT_DOUBLE_EQ(Seconds(storyboard->GetItem(2)->GetEnd()), 6.0);
    storyboard->Undo();
    EXPECT_DOUBLE_EQ(Seconds(storyboard->GetItem(4)->GetStart()), 6.0);
}

TEST_F(StoryboardTest, EmptyScenesAndTransitionsTakeTheirSlots)
{
    Storyboard storyboard;
    auto* scene = new Scene(static_cast<Material*>(nullptr));
    auto* transition = new Transition(nullptr);
    EXPECT_EQ(storyboard.SetItem(scene, 0), Storyboard::kResultOk);
    EXPECT_EQ(storyboard.SetItem(transition, 1), Storyboard::kResultOk);
    Transition refused(nullptr);
    EXPECT_EQ(storyboard.SetItem(&refused, 2), Storyboard::kResultWrongKind);
    EXPECT_EQ(storyboard.GetItem(0), scene);
    EXPECT_EQ(storyboard.GetItem(1), transition);
}

TEST_F(StoryboardTest, DestroyingDeletesSlotsAndUndoStore)
{
    const int alive = LabelledItem::s_nAlive;
    {
        auto storyboard = StoryboardFrom("S0 T1 S2 T3 S4");
        storyboard->CutRange(2, 3);
        storyboard->SetItem(MakeItem("S7"), 0);  // the replaced S0 goes to the undo store
        EXPECT_EQ(LabelledItem::s_nAlive, alive + 4);
    }
    EXPECT_EQ(LabelledItem::s_nAlive, alive);
}

} // namespace

namespace {

std::vector<WPARAM> g_changedSlots;

LRESULT CALLBACK RecordChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == Storyboard::kChangedMessage)
        g_changedSlots.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(StoryboardNotice, ReachesTheNotifyWindowThroughSendMessage)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordChanges;
    windowClass.lpszClassName = "StoryboardNoticeTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "StoryboardNoticeTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    g_changedSlots.clear();
    {
        Storyboard storyboard;
        storyboard.SetNotifyWindow(window);
        ASSERT_EQ(storyboard.SetItem(MakeItem("S2"), 2), Storyboard::kResultOk);
    }
    DestroyWindow(window);
    ASSERT_FALSE(g_changedSlots.empty());
    EXPECT_EQ(g_changedSlots.front(), 2u);
}

} // namespace
