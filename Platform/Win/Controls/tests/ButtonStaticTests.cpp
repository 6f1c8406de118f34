#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

class ButtonControl : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE);
    }
    HWND Make(const char* cls, const char* text, DWORD style, int id, RECT r)
    {
        HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, m_parent,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        EXPECT_NE(control, nullptr);
        return control;
    }
    std::vector<std::pair<int, WORD>> Commands()
    {
        std::vector<std::pair<int, WORD>> out;
        for (const Received& r : ReceivedOf(WM_COMMAND))
            if (r.window == m_parent)
                out.emplace_back(LOWORD(r.wParam), HIWORD(r.wParam));
        return out;
    }
    HWND m_parent = nullptr;
};

using ButtonCommands = std::vector<std::pair<int, WORD>>;

TEST_F(ButtonControl, ClickAndSpaceSendBnClicked)
{
    HWND button = Make("Button", "Push", BS_PUSHBUTTON, 5, RECT{10, 10, 90, 35});
    PumpUntilIdle();
    ClearLog();
    ClickAt(CentreOf(button));
    PumpUntilIdle();
    EXPECT_EQ(Commands(), (ButtonCommands{{5, BN_CLICKED}}));
    EXPECT_EQ(GetFocus(), button) << "a click gives the button the focus";
    ClearLog();
    Key(VK_SPACE);
    PumpUntilIdle();
    EXPECT_EQ(Commands(), (ButtonCommands{{5, BN_CLICKED}}));
    ClearLog();
    // Pressed inside, released outside: no click.
    InjectMouseButton(MouseButton::Left, true, CentreOf(button));
    InjectMouseMove(POINT{300, 300});
    InjectMouseButton(MouseButton::Left, false, POINT{300, 300});
    PumpUntilIdle();
    EXPECT_TRUE(Commands().empty());
}

TEST_F(ButtonControl, MessagesSetCheckStateAndStyle)
{
    struct Step {
        DWORD type;
        std::vector<UINT> clicks; // how many BM_CLICKs, as a list of expected checks after each
    };
    const Step steps[] = {
        {BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {BS_CHECKBOX, {BST_UNCHECKED, BST_UNCHECKED}},
        {BS_AUTORADIOBUTTON, {BST_CHECKED, BST_CHECKED}},
    };
    int id = 10;
    for (const Step& step : steps) {
        HWND button = Make("Button", "Box", step.type, id++, RECT{10, 10, 120, 30});
        for (UINT expected : step.clicks) {
            SendMessageA(button, BM_CLICK, 0, 0);
            EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), static_cast<LRESULT>(expected)) << step.type;
        }
        DestroyWindow(button);
    }
    HWND push = Make("Button", "Push", BS_PUSHBUTTON, 30, RECT{10, 10, 90, 35});
    SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "a push button has no check";
    SendMessageA(push, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(SendMessageA(push, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    SetFocus(push);
    EXPECT_EQ(SendMessageA(push, BM_GETSTATE, 0, 0) & BST_FOCUS, BST_FOCUS);
    SendMessageA(push, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongA(push, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessageA(push, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
}

TEST_F(ButtonControl, AnAutomaticRadioButtonClearsTheOthersOfItsGroup)
{
    HWND a = Make("Button", "A", BS_AUTORADIOBUTTON | WS_GROUP, 1, RECT{10, 10, 100, 30});
    HWND b = Make("Button", "B", BS_AUTORADIOBUTTON, 2, RECT{10, 40, 100, 60});
    HWND c = Make("Button", "C", BS_AUTORADIOBUTTON, 3, RECT{10, 70, 100, 90});
    HWND d = Make("Button", "D", BS_AUTORADIOBUTTON | WS_GROUP, 4, RECT{10, 100, 100, 120});
    SendMessageA(d, BM_SETCHECK, BST_CHECKED, 0);
    PumpUntilIdle();
    for (HWND clicked : {a, c, b}) {
        ClickAt(CentreOf(clicked));
        PumpUntilIdle();
        for (HWND radio : {a, b, c})
            EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), radio == clicked ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(SendMessageA(d, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group is left alone";
    }
}

TEST_F(ButtonControl, OwnerDrawnButtonsGetDrawItemWithTheirState)
{
    HWND button = Make("Button", "Drawn", BS_OWNERDRAW, 9, RECT{10, 10, 90, 35});
    std::vector<DRAWITEMSTRUCT> drawn;
    React(m_parent, [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
        if (message != WM_DRAWITEM)
            return false;
        drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
    });
    PumpUntilIdle();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().CtlType, ODT_BUTTON);
    EXPECT_EQ(drawn.back().CtlID, 9u);
    EXPECT_EQ(drawn.back().itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(drawn.back().hwndItem, button);
    drawn.clear();
    SetFocus(button);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().itemAction, ODA_FOCUS);
    EXPECT_TRUE(drawn.back().itemState & ODS_FOCUS);
    drawn.clear();
    InjectMouseButton(MouseButton::Left, true, CentreOf(button));
    PumpUntilIdle();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().itemAction, ODA_SELECT);
    EXPECT_TRUE(drawn.back().itemState & ODS_SELECTED);
    InjectMouseButton(MouseButton::Left, false, CentreOf(button));
    PumpUntilIdle();
    EXPECT_FALSE(drawn.back().itemState & ODS_SELECTED);
    drawn.clear();
    EnableWindow(button, FALSE);
    PumpUntilIdle();
    ASSERT_FALSE(drawn.empty());
    EXPECT_TRUE(drawn.back().itemState & ODS_DISABLED);
    React(m_parent, nullptr); // the reaction's captures end with the test
}

TEST_F(ButtonControl, AStyleChangedToOwnerDrawCountsFromTheNextPaint)
{
    HWND button = Make("Button", "Push", BS_PUSHBUTTON, 9, RECT{10, 10, 90, 35});
    PumpUntilIdle();
    int drawItems = 0;
    React(m_parent, [&](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_DRAWITEM)
            return false;
        ++drawItems;
        *result = TRUE;
        return true;
    });
    SetWindowLongA(button, GWL_STYLE, (GetWindowLongA(button, GWL_STYLE) & ~0xF) | BS_OWNERDRAW);
    EXPECT_EQ(drawItems, 0);
    InvalidateRect(button, nullptr, TRUE);
    PumpUntilIdle();
    EXPECT_EQ(drawItems, 1);
    EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
    React(m_parent, nullptr); // the reaction's captures end with the test
}

TEST_F(ButtonControl, ControlsPaintWithTheParentsColourAnswer)
{
    // The parent paints itself red; a static answered with NULL_BRUSH leaves it.
    const COLORREF red = RGB(200, 0, 0);
    HBRUSH redBrush = CreateSolidBrush(red);
    m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE, RecordingClass(0, redBrush));
    HWND clear = Make("Static", "", SS_LEFT, 1, RECT{10, 10, 110, 40});
    HWND plain = Make("Static", "", SS_LEFT, 2, RECT{10, 50, 110, 80});
    React(m_parent, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != clear)
            return false;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    });
    InvalidateRect(m_parent, nullptr, TRUE);
    PumpUntilIdle();
    HDC dc = GetDC(m_parent);
    EXPECT_EQ(GetPixel(dc, 60, 25), red) << "the null brush leaves the parent's pixels";
    EXPECT_EQ(GetPixel(dc, 60, 65), GetSysColor(COLOR_3DFACE)) << "the default answer fills with the face colour";
    ReleaseDC(m_parent, dc);
    DeleteObject(redBrush);
    React(m_parent, nullptr); // the reaction's captures end with the test
    (void)plain;
}

TEST_F(ButtonControl, StaticsNotifyOnlyWithSsNotify)
{
    HWND quiet = Make("Static", "quiet", SS_LEFT, 1, RECT{10, 10, 110, 40});
    HWND talking = Make("Static", "talking", SS_LEFT | SS_NOTIFY, 2, RECT{10, 50, 110, 80});
    PumpUntilIdle();
    ClearLog();
    ClickAt(CentreOf(quiet));
    PumpUntilIdle();
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(MessagesOf(m_parent, {WM_LBUTTONDOWN}).empty()) << "the click goes through to the parent";
    ClearLog();
    ClickAt(CentreOf(talking));
    ClickAt(CentreOf(talking));
    PumpUntilIdle();
    EXPECT_EQ(Commands(), (ButtonCommands{{2, STN_CLICKED}, {2, STN_DBLCLK}}));
}

TEST_F(ButtonControl, AnIconStaticTakesAStockIcon)
{
    HWND icon = Make("Static", "", SS_ICON, 1, RECT{10, 10, 42, 42});
    HICON hand = LoadIconA(nullptr, IDI_HAND);
    EXPECT_EQ(SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(hand), 0), 0);
    EXPECT_EQ(SendMessageA(icon, STM_GETICON, 0, 0), reinterpret_cast<LRESULT>(hand));
    PumpUntilIdle();
    HDC dc = GetDC(icon);
    const COLORREF middle = GetPixel(dc, 16, 5);
    ReleaseDC(icon, dc);
    EXPECT_GT(GetRValue(middle), 150) << "the hand icon is a red disc";
}

TEST_F(ButtonControl, AnIconStaticTakesTheSizeOfEachStockIconItIsGiven)
{
    struct Case {
        LPCSTR name;
        POINT sample; // a point of the icon's own colour
        bool (*colour)(COLORREF);
    };
    const Case cases[] = {
        {IDI_HAND, {8, 16}, [](COLORREF c) { return GetRValue(c) > 150 && GetBValue(c) < 100; }},
        {IDI_QUESTION, {8, 16}, [](COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 100; }},
        {IDI_EXCLAMATION, {10, 26}, [](COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) > 150; }},
        {IDI_ASTERISK, {8, 16}, [](COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 100; }},
    };
    for (const Case& c : cases) {
        // Smaller than the icon, as a template's dialog units may make it.
        HWND icon = Make("Static", "", SS_ICON, 1, RECT{10, 10, 30, 30});
        HICON stock = LoadIconA(nullptr, c.name);
        ASSERT_NE(stock, nullptr);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(stock), 0);
        RECT r{};
        GetClientRect(icon, &r);
        EXPECT_EQ(r.right, GetSystemMetrics(SM_CXICON)) << reinterpret_cast<UINT_PTR>(c.name);
        EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYICON)) << reinterpret_cast<UINT_PTR>(c.name);
        UpdateWindow(icon);
        HDC dc = GetDC(icon);
        const COLORREF seen = GetPixel(dc, c.sample.x, c.sample.y);
        ReleaseDC(icon, dc);
        EXPECT_TRUE(c.colour(seen)) << reinterpret_cast<UINT_PTR>(c.name) << " shows 0x" << std::hex << seen;
        DestroyWindow(icon);
    }
}

} // namespace
