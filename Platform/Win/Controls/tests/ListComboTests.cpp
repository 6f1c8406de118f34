#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

class ListAndCombo : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE);
    }
    HWND Make(const char* cls, DWORD style, RECT r, int id = 7)
    {
        HWND control = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, m_parent,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        EXPECT_NE(control, nullptr);
        PumpUntilIdle();
        return control;
    }
    std::vector<WORD> Notifications(int id = 7)
    {
        std::vector<WORD> codes;
        for (const Received& r : ReceivedOf(WM_COMMAND))
            if (r.window == m_parent && LOWORD(r.wParam) == id)
                codes.push_back(HIWORD(r.wParam));
        return codes;
    }
    static LRESULT Add(HWND control, UINT message, const char* text)
    {
        return SendMessageA(control, message, 0, reinterpret_cast<LPARAM>(text));
    }
    static std::string TextOf(HWND control, UINT message, int index)
    {
        char text[64] = {};
        SendMessageA(control, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    // The screen point of a list item's centre.
    static POINT ItemCentre(HWND list, int index)
    {
        RECT r{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        return p;
    }
    static HWND DroppedList(HWND combo)
    {
        HWND list = FindWindowA("ComboLBox", nullptr);
        EXPECT_NE(list, nullptr);
        (void)combo;
        return list;
    }
    HWND m_parent = nullptr;
};

TEST_F(ListAndCombo, ListMessagesKeepASortedListOfItems)
{
    HWND list = Make("ListBox", LBS_NOTIFY | LBS_SORT | WS_VSCROLL, RECT{10, 10, 150, 110});
    for (const char* fruit : {"pear", "apple", "Banana", "cherry"})
        Add(list, LB_ADDSTRING, fruit);
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    };
    const Case cases[] = {
        {"count", LB_GETCOUNT, 0, 0, 4},
        {"exact match ignores case", LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("BANANA"), 1},
        {"prefix match", LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("pe"), 3},
        {"no match", LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("kiwi"), LB_ERR},
        {"text length", LB_GETTEXTLEN, 2, 0, 6},
        {"text length out of range", LB_GETTEXTLEN, 9, 0, LB_ERR},
        {"no selection yet", LB_GETCURSEL, 0, 0, LB_ERR},
        {"select a string", LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ch"), 2},
        {"the selection", LB_GETCURSEL, 0, 0, 2},
        {"selecting past the end fails", LB_SETCURSEL, 9, 0, LB_ERR},
        {"and clears the selection", LB_GETCURSEL, 0, 0, LB_ERR},
        {"item data", LB_SETITEMDATA, 1, 0x5150, TRUE},
        {"reads back", LB_GETITEMDATA, 1, 0, 0x5150},
        {"item data out of range", LB_GETITEMDATA, 9, 0, LB_ERR},
        {"insert past the end fails", LB_INSERTSTRING, 9, reinterpret_cast<LPARAM>("x"), LB_ERR},
        {"delete out of range fails", LB_DELETESTRING, 9, 0, LB_ERR},
        {"delete answers the count", LB_DELETESTRING, 0, 0, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SendMessageA(list, c.message, c.wParam, c.lParam), c.expected) << c.what;
    EXPECT_EQ(TextOf(list, LB_GETTEXT, 0), "Banana");
    EXPECT_TRUE(Notifications().empty()) << "changes made by messages are not reported";
}

TEST_F(ListAndCombo, ClicksAndKeysSelectAndNotify)
{
    HWND list = Make("ListBox", LBS_NOTIFY, RECT{10, 10, 150, 110});
    for (const char* item : {"one", "two", "three"})
        Add(list, LB_ADDSTRING, item);
    PumpUntilIdle();
    ClearLog();
    ClickAt(ItemCentre(list, 1));
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{LBN_SETFOCUS, LBN_SELCHANGE}));
    ClearLog();
    ClickAt(ItemCentre(list, 1));
    PumpUntilIdle();
    EXPECT_EQ(Notifications(), (std::vector<WORD>{LBN_DBLCLK}));
    ClearLog();
    Key(VK_DOWN);
    Key(VK_DOWN);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{LBN_SELCHANGE})) << "the last item stops the second move";
    ClearLog();
    Key('O');
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0) << "a letter finds the next item starting with it";
    EXPECT_EQ(LOWORD(SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 2))), 0);
    EXPECT_EQ(HIWORD(SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 95))), 1) << "below the last item";
}

TEST_F(ListAndCombo, AListWithoutNotifyStaysSilent)
{
    HWND list = Make("ListBox", 0, RECT{10, 10, 150, 110});
    Add(list, LB_ADDSTRING, "one");
    Add(list, LB_ADDSTRING, "two");
    PumpUntilIdle();
    ClearLog();
    ClickAt(ItemCentre(list, 1));
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(Notifications().empty());
}

TEST_F(ListAndCombo, AnOwnerDrawnListIsMeasuredOnceAndDrawnWithItsData)
{
    int measures = 0;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::vector<ULONG_PTR> deleted;
    React(m_parent, [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
        if (message == WM_MEASUREITEM) {
            ++measures;
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 24;
            *result = TRUE;
            return true;
        }
        if (message == WM_DRAWITEM) {
            drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            *result = TRUE;
            return true;
        }
        if (message == WM_DELETEITEM) {
            deleted.push_back(reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->itemData);
            *result = TRUE;
            return true;
        }
        return false;
    });
    HWND list = Make("ListBox", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, RECT{10, 10, 150, 110});
    EXPECT_EQ(measures, 1);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 24);
    Add(list, LB_ADDSTRING, "first");
    Add(list, LB_ADDSTRING, "second");
    SendMessageA(list, LB_SETITEMDATA, 1, 0xBEEF);
    drawn.clear();
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    PumpUntilIdle();
    EXPECT_EQ(measures, 1) << "items are not measured one by one";
    ASSERT_GE(drawn.size(), 2u);
    const DRAWITEMSTRUCT& second = drawn[1];
    EXPECT_EQ(second.CtlType, ODT_LISTBOX);
    EXPECT_EQ(second.itemID, 1u);
    EXPECT_EQ(second.itemData, 0xBEEFu);
    EXPECT_TRUE(second.itemState & ODS_SELECTED);
    EXPECT_EQ(second.rcItem.top, 24);
    EXPECT_EQ(TextOf(list, LB_GETTEXT, 1), "second");
    SendMessageA(list, LB_SETITEMHEIGHT, 0, 30);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 30);
    SendMessageA(list, LB_DELETESTRING, 1, 0);
    EXPECT_EQ(deleted, (std::vector<ULONG_PTR>{0xBEEF}));
    React(m_parent, nullptr); // the reaction's captures end with the test
}

TEST_F(ListAndCombo, AListShowsItsScrollBarOnlyWhenItemsOverflow)
{
    HWND list = Make("ListBox", LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL, RECT{10, 10, 150, 110});
    Add(list, LB_ADDSTRING, "one");
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    for (int i = 0; i < 30; ++i)
        Add(list, LB_ADDSTRING, ("item " + std::to_string(i)).c_str());
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    SendMessageA(list, LB_SETTOPINDEX, 5, 0);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 5);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 600, 0);
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), 600);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
}

class Combo : public ListAndCombo {
protected:
    HWND MakeCombo(DWORD kind)
    {
        HWND combo = Make("ComboBox", kind | WS_VSCROLL | WS_TABSTOP, RECT{10, 10, 160, 150});
        for (const char* item : {"red", "green", "blue", "black"})
            Add(combo, CB_ADDSTRING, item);
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        SetFocus(combo);
        PumpUntilIdle();
        ClearLog();
        return combo;
    }
};

TEST_F(Combo, ListMessagesWorkInTheirComboForm)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("BLUE")), 2);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(WindowText(combo), "blue");
    EXPECT_EQ(TextOf(combo, CB_GETLBTEXT, 1), "green");
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 9, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 9, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("white")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_SETITEMDATA, 0, 77), TRUE);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 0, 0), 77);
    EXPECT_EQ(SendMessageA(combo, CB_DELETESTRING, 0, 0), 4);
    EXPECT_TRUE(Notifications().empty()) << "messages do not notify";
    RECT r{};
    GetWindowRect(combo, &r);
    EXPECT_LT(r.bottom - r.top, 40) << "the window is the field; the rest is the list's";
}

TEST_F(Combo, AChoiceByClickIsReportedOnceWhenTheListCloses)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    ClickAt(CentreOf(combo));
    PumpUntilIdle();
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    HWND list = DroppedList(combo);
    EXPECT_TRUE(IsWindowVisible(list));
    RECT comboRect{};
    RECT listRect{};
    GetWindowRect(combo, &comboRect);
    GetWindowRect(list, &listRect);
    EXPECT_EQ(listRect.top, comboRect.bottom) << "the list drops below the field";
    EXPECT_NE(GetActiveWindow(), list) << "the list takes no activation";
    ClickAt(ItemCentre(list, 2));
    PumpUntilIdle();
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
}

TEST_F(Combo, AChoiceByKeysIsReportedOnce)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    KeyWith(VK_MENU, VK_DOWN);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
    ClearLog();
    Key(VK_DOWN);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_SELCHANGE})) << "a closed list changes at once";
}

TEST_F(Combo, AnOutsideClickOrEscClosesWithoutAChoice)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    ClickAt(CentreOf(combo));
    PumpUntilIdle();
    HWND list = DroppedList(combo);
    InjectMouseMove(ItemCentre(list, 3)); // hovering moves the highlight only
    PumpUntilIdle();
    ClickAt(POINT{450, 350});
    PumpUntilIdle();
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
    ClearLog();
    Key(VK_F4);
    Key(VK_DOWN);
    Key(VK_ESCAPE);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
}

TEST_F(Combo, ADropDownComboEditsItsTextAndTakesTheChoice)
{
    HWND combo = MakeCombo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
    EXPECT_EQ(WindowText(combo), "red");
    win::user::InjectText("dish");
    PumpUntilIdle();
    EXPECT_EQ(WindowText(combo), "dish") << "the text was selected, so typing replaced it";
    std::vector<WORD> codes = Notifications();
    EXPECT_NE(std::find(codes.begin(), codes.end(), CBN_EDITCHANGE), codes.end());
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(WindowText(combo), "green");
    EXPECT_EQ(SendMessageA(combo, CB_LIMITTEXT, 3, 0), TRUE);
    ClearLog();
    Key(VK_DOWN);
    PumpUntilIdle();
    EXPECT_EQ(WindowText(combo), "blue");
    codes = Notifications();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_SELCHANGE), 1);
}

TEST_F(Combo, ATallWindowGivesItsHeightToTheListAndPaintsNothingBelowTheField)
{
    // The parent paints itself red: whatever the combo box does not cover stays red.
    const COLORREF red = RGB(200, 0, 0);
    HBRUSH redBrush = CreateSolidBrush(red);
    m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE, RecordingClass(0, redBrush));
    for (DWORD kind : {static_cast<DWORD>(CBS_DROPDOWNLIST), static_cast<DWORD>(CBS_DROPDOWN)}) {
        SCOPED_TRACE(kind);
        HWND combo = MakeCombo(kind);
        const LONG field = static_cast<LONG>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        MoveWindow(combo, 10, 10, 150, 200, TRUE);
        RECT r{};
        GetWindowRect(combo, &r);
        EXPECT_EQ(r.bottom - r.top, field) << "the window stays the field";
        RECT dropped{};
        SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        EXPECT_EQ(dropped.bottom - dropped.top, 200) << "the rest is the list's";
        InvalidateRect(m_parent, nullptr, TRUE);
        PumpUntilIdle();
        HDC dc = GetDC(m_parent);
        for (const POINT p : {POINT{80, 10 + field + 20}, POINT{150, 10 + field + 20}, POINT{150, 190}})
            EXPECT_EQ(GetPixel(dc, p.x, p.y), red) << "no strip below the field at " << p.x << "," << p.y;
        EXPECT_NE(GetPixel(dc, 150, 10 + field / 2), red) << "the button is drawn in the field";
        ReleaseDC(m_parent, dc);
        // The list drops as high as the window asked, at most its items.
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        RECT list{};
        GetWindowRect(DroppedList(combo), &list);
        EXPECT_EQ(list.top, r.bottom);
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        DestroyWindow(combo);
    }
    DestroyWindow(m_parent);
    DeleteObject(redBrush);
}

TEST_F(Combo, ASimpleComboShowsItsListBelowTheEdit)
{
    HWND combo = MakeCombo(CBS_SIMPLE);
    HWND list = GetDlgItem(combo, 1000);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(IsWindowVisible(list));
    ClickAt(ItemCentre(list, 3));
    PumpUntilIdle();
    EXPECT_EQ(WindowText(combo), "black");
    EXPECT_EQ(Notifications(), (std::vector<WORD>{CBN_SELCHANGE}));
}

} // namespace
