#include <gtest/gtest.h>

#include <string>

#include "Platform/Win/CommCtrl/tests/CommCtrlTestSupport.h"

namespace {

using namespace commctrl_test;

class Bars : public CommCtrlTest {
protected:
    // The codes of WM_HSCROLL/WM_VSCROLL from `control` and their positions.
    std::vector<std::pair<WORD, WORD>> Scrolls(HWND control, UINT message)
    {
        std::vector<std::pair<WORD, WORD>> out;
        for (const Received& r : ReceivedOf(message))
            if (reinterpret_cast<HWND>(r.lParam) == control)
                out.emplace_back(LOWORD(r.wParam), HIWORD(r.wParam));
        return out;
    }
};

using Pairs = std::vector<std::pair<WORD, WORD>>;

TEST_F(Bars, TrackBarKeysStepByLineAndPage)
{
    HWND bar = Make(TRACKBAR_CLASSA, TBS_BOTH | TBS_NOTICKS | WS_TABSTOP, RECT{10, 10, 310, 40});
    SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELONG(0, 300));
    SendMessageA(bar, TBM_SETLINESIZE, 0, 10);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, 50);
    SendMessageA(bar, TBM_SETPOS, TRUE, 100);
    EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), 300);
    SendMessageA(bar, TBM_SETPOS, TRUE, 900);
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 300) << "clamped";
    SendMessageA(bar, TBM_SETPOS, TRUE, 100);
    SetFocus(bar);
    ClearLog();
    struct Step {
        UINT key;
        WORD code;
        LRESULT position;
    } steps[] = {
        {VK_RIGHT, TB_LINEDOWN, 110}, {VK_LEFT, TB_LINEUP, 100}, {VK_NEXT, TB_PAGEDOWN, 150},
        {VK_PRIOR, TB_PAGEUP, 100},   {VK_END, TB_BOTTOM, 300},  {VK_HOME, TB_TOP, 0},
    };
    for (const Step& s : steps) {
        ClearLog();
        Key(s.key);
        PumpUntilIdle();
        EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), s.position) << s.key;
        EXPECT_EQ(Scrolls(bar, WM_HSCROLL), (Pairs{{s.code, 0}, {TB_ENDTRACK, 0}})) << s.key;
    }
}

TEST_F(Bars, TrackBarClickPagesAndDragTracksTheThumb)
{
    HWND bar = Make(TRACKBAR_CLASSA, TBS_VERT, RECT{10, 10, 40, 230});
    SendMessageA(bar, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageA(bar, TBM_SETRANGEMAX, TRUE, 100);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, 10);
    SendMessageA(bar, TBM_SETPOS, TRUE, 50);
    RECT channel{};
    SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    ClearLog();
    ClickAt(Screen(bar, POINT{20, channel.bottom - 2}));
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 60);
    EXPECT_EQ(Scrolls(bar, WM_VSCROLL), (Pairs{{TB_PAGEDOWN, 0}, {TB_ENDTRACK, 0}}));

    RECT thumb{};
    SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const POINT grab = Screen(bar, POINT{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2});
    ClearLog();
    InjectMouseMove(grab);
    InjectMouseButton(MouseButton::Left, true, grab);
    const POINT top = Screen(bar, POINT{20, channel.top});
    InjectMouseMove(top);
    InjectMouseButton(MouseButton::Left, false, top);
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(Scrolls(bar, WM_VSCROLL), (Pairs{{TB_THUMBTRACK, 0}, {TB_THUMBPOSITION, 0}, {TB_ENDTRACK, 0}}));
}

class UpDowns : public Bars {
protected:
    void SetUp() override
    {
        Bars::SetUp();
        m_edit = Make("Edit", WS_BORDER, RECT{10, 10, 110, 34}, 60);
        m_spin = Make(UPDOWN_CLASSA, UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT | UDS_AUTOBUDDY,
                      RECT{0, 0, 16, 24}, 61);
        SendMessageA(m_spin, UDM_SETRANGE, 0, MAKELONG(20, 0));
        SendMessageA(m_spin, UDM_SETPOS, 0, 5);
        PumpUntilIdle();
        ClearLog();
        m_notices.clear();
    }
    POINT UpArrow()
    {
        RECT r{};
        GetClientRect(m_spin, &r);
        return Screen(m_spin, POINT{r.right / 2, r.bottom / 4});
    }
    HWND m_edit = nullptr;
    HWND m_spin = nullptr;
};

TEST_F(UpDowns, AutoBuddyAlignsAndShowsThePositionInItsBase)
{
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(m_spin, UDM_GETBUDDY, 0, 0)), m_edit);
    RECT edit{};
    RECT spin{};
    GetWindowRect(m_edit, &edit);
    GetWindowRect(m_spin, &spin);
    EXPECT_EQ(spin.right, 110 + 100) << "at the buddy's former right edge";
    EXPECT_EQ(WindowText(m_edit), "5");
    EXPECT_EQ(SendMessageA(m_spin, UDM_SETBASE, 16, 0), 10);
    EXPECT_EQ(SendMessageA(m_spin, UDM_SETBASE, 7, 0), 0) << "only 10 and 16";
    SendMessageA(m_spin, UDM_SETPOS, 0, 18);
    EXPECT_EQ(WindowText(m_edit), "0x0012");
    SetWindowTextA(m_edit, "0x000A");
    EXPECT_EQ(LOWORD(SendMessageA(m_spin, UDM_GETPOS, 0, 0)), 10);
    SetWindowTextA(m_edit, "none");
    EXPECT_NE(HIWORD(SendMessageA(m_spin, UDM_GETPOS, 0, 0)), 0) << "not a number";
    EXPECT_EQ(SendMessageA(m_spin, UDM_GETRANGE, 0, 0), MAKELONG(20, 0));
}

TEST_F(UpDowns, ClickStepsAndReportsThenEnds)
{
    ClickAt(UpArrow());
    PumpUntilIdle();
    EXPECT_EQ(WindowText(m_edit), "6");
    ASSERT_EQ(Of(UDN_DELTAPOS).size(), 1u);
    EXPECT_EQ(Of(UDN_DELTAPOS)[0].upDown.iPos, 5);
    EXPECT_EQ(Of(UDN_DELTAPOS)[0].upDown.iDelta, 1);
    EXPECT_EQ(Scrolls(m_spin, WM_VSCROLL), (Pairs{{SB_THUMBPOSITION, 6}, {SB_ENDSCROLL, 6}}));

    // Arrow keys in the buddy step too.
    SetFocus(m_edit);
    Key(VK_DOWN);
    PumpUntilIdle();
    EXPECT_EQ(WindowText(m_edit), "5");

    // A refused step keeps the position.
    m_answer = [](const NMHDR* h) { return h->code == UDN_DELTAPOS ? 1 : 0; };
    ClickAt(UpArrow());
    PumpUntilIdle();
    EXPECT_EQ(WindowText(m_edit), "5");
    EXPECT_EQ(LOWORD(SendMessageA(m_spin, UDM_GETPOS, 0, 0)), 5);
}

TEST_F(UpDowns, HoldingRepeatsUntilCaptureIsLostAndAPressRestartsIt)
{
    const POINT at = UpArrow();
    InjectMouseMove(at);
    InjectMouseButton(MouseButton::Left, true, at);
    ASSERT_TRUE(PumpUntil([&] { return Of(UDN_DELTAPOS).size() >= 4; }));
    ReleaseCapture();
    PumpUntilIdle();
    const size_t stopped = Of(UDN_DELTAPOS).size();
    PumpFor(150);
    EXPECT_EQ(Of(UDN_DELTAPOS).size(), stopped) << "no repeat without the capture";
    EXPECT_EQ(Scrolls(m_spin, WM_VSCROLL).back().first, SB_ENDSCROLL);

    // The button is still down: a re-sent WM_LBUTTONDOWN starts again.
    RECT r{};
    GetClientRect(m_spin, &r);
    SendMessageA(m_spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom / 4));
    ASSERT_TRUE(PumpUntil([&] { return Of(UDN_DELTAPOS).size() >= stopped + 3; }));
    InjectMouseButton(MouseButton::Left, false, at);
    PumpUntilIdle();
    const int steps = static_cast<int>(Of(UDN_DELTAPOS).size());
    EXPECT_EQ(WindowText(m_edit), std::to_string(std::min(20, 5 + steps))) << "one for each step, up to the top";
}

class Tabs : public CommCtrlTest {
protected:
    HWND MakeTabs(DWORD style = 0)
    {
        HWND tabs = Make(WC_TABCONTROLA, style, RECT{10, 10, 410, 210}, 12320);
        for (const char* name : {"General", "Video", "Audio"}) {
            TCITEMA item{};
            item.mask = TCIF_TEXT | TCIF_PARAM;
            item.pszText = const_cast<char*>(name);
            item.lParam = name[0];
            SendMessageA(tabs, TCM_INSERTITEMA, 99, reinterpret_cast<LPARAM>(&item));
        }
        return tabs;
    }
    static RECT Rect(HWND tabs, int i)
    {
        RECT r{};
        SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return r;
    }
};

TEST_F(Tabs, ItemRectanglesSizeAndText)
{
    HWND tabs = MakeTabs();
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    const RECT first = Rect(tabs, 0);
    const RECT second = Rect(tabs, 1);
    EXPECT_EQ(second.left, first.right);
    EXPECT_EQ(second.top, first.top);
    RECT none{};
    EXPECT_FALSE(SendMessageA(tabs, TCM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&none)));

    // The height always follows TCM_SETITEMSIZE; the width with TCS_FIXEDWIDTH.
    const LRESULT old = SendMessageA(tabs, TCM_SETITEMSIZE, 0,
                                     MAKELPARAM(first.right - first.left, first.bottom - first.top + 4));
    EXPECT_EQ(HIWORD(old), first.bottom - first.top);
    EXPECT_EQ(Rect(tabs, 0).bottom - Rect(tabs, 0).top, first.bottom - first.top + 4);
    SetWindowLongA(tabs, GWL_STYLE, GetWindowLongA(tabs, GWL_STYLE) | static_cast<LONG>(TCS_FIXEDWIDTH));
    SendMessageA(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(90, 20));
    EXPECT_EQ(Rect(tabs, 2).right - Rect(tabs, 2).left, 90);

    char text[256] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, "Video");
    EXPECT_EQ(item.lParam, 'V');
    EXPECT_FALSE(SendMessageA(tabs, TCM_GETITEMA, 5, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(SendMessageA(tabs, TCM_SETCURSEL, 7, 0), -1);

    RECT body{0, 0, 400, 200};
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&body));
    RECT back = body;
    SendMessageA(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(back.top, 0);
    EXPECT_EQ(back.right, 400);
    EXPECT_GT(body.top, Rect(tabs, 0).bottom);
}

TEST_F(Tabs, ASelectionChangeCanBeVetoed)
{
    HWND tabs = MakeTabs(TCS_FOCUSNEVER);
    const RECT third = Rect(tabs, 2);
    m_answer = [](const NMHDR* h) { return h->code == TCN_SELCHANGING ? 1 : 0; };
    ClickAt(Screen(tabs, POINT{(third.left + third.right) / 2, (third.top + third.bottom) / 2}));
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Of(TCN_SELCHANGE).size(), 0u);
    EXPECT_NE(GetFocus(), tabs) << "TCS_FOCUSNEVER";

    m_answer = nullptr;
    ClickAt(Screen(tabs, POINT{(third.left + third.right) / 2, (third.top + third.bottom) / 2}));
    PumpUntilIdle();
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Of(TCN_SELCHANGING).size(), 2u);
    EXPECT_EQ(Of(TCN_SELCHANGE).size(), 1u);
}

class ToolTips : public CommCtrlTest {
protected:
    void SetUp() override
    {
        CommCtrlTest::SetUp();
        m_tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, m_parent, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(m_tip, nullptr);
        SendMessageA(m_tip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 30);
    }
    void AddRectTool(UINT id, RECT r, const char* text, UINT flags = TTF_SUBCLASS)
    {
        TOOLINFOA info{};
        info.cbSize = sizeof info;
        info.uFlags = flags;
        info.hwnd = m_parent;
        info.uId = id;
        info.rect = r;
        info.lpszText = const_cast<char*>(text);
        EXPECT_TRUE(SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
    }
    bool Shown() { return IsWindowVisible(m_tip) != FALSE; }
    HWND m_tip = nullptr;
};

TEST_F(ToolTips, ARectangleToolShowsAfterTheDelayAndHidesOnAClick)
{
    AddRectTool(1, RECT{20, 20, 120, 60}, "Play");
    AddRectTool(2, RECT{200, 20, 300, 60}, "Stop");
    EXPECT_EQ(SendMessageA(m_tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    const POINT on{100 + 50, 100 + 40};
    InjectMouseMove(on);
    PumpUntilIdle();
    EXPECT_FALSE(Shown()) << "not before the initial delay";
    ASSERT_TRUE(PumpUntil([&] { return Shown(); }));
    RECT r{};
    GetWindowRect(m_tip, &r);
    EXPECT_GE(r.top, on.y) << "below the pointer";
    EXPECT_TRUE(GetWindowLongA(m_tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetActiveWindow(), m_tip);

    InjectMouseButton(MouseButton::Left, true, on);
    InjectMouseButton(MouseButton::Left, false, on);
    PumpUntilIdle();
    EXPECT_FALSE(Shown());
    PumpFor(100);
    EXPECT_FALSE(Shown()) << "a click keeps it hidden over the same tool";

    // Leaving the tools hides; deleting a tool forgets it.
    TOOLINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = m_parent;
    info.uId = 2;
    SendMessageA(m_tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(SendMessageA(m_tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    SendMessageA(m_tip, TTM_DELTOOLA, 0, 0);
}

TEST_F(ToolTips, AWindowToolAsksItsWindowForTheTextThroughRelayedMessages)
{
    HWND button = Make("Button", BS_PUSHBUTTON, RECT{20, 100, 120, 130}, 3008, "Pick");
    int asked = 0;
    React(m_parent, [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
        if (message != WM_NOTIFY)
            return false;
        auto* tip = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        if (tip->hdr.code != TTN_NEEDTEXTA)
            return false;
        ++asked;
        EXPECT_EQ(tip->hdr.idFrom, reinterpret_cast<UINT_PTR>(button));
        std::snprintf(tip->szText, sizeof tip->szText, "Eyedropper");
        return true;
    });
    TOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = m_parent;
    info.uId = reinterpret_cast<UINT_PTR>(button);
    info.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));

    // The owner relays what its pump sees, as PreTranslateMessage does.
    const POINT on = CentreOf(button);
    InjectMouseMove(on);
    ASSERT_TRUE(PumpUntil([&] {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_MOUSEMOVE)
                SendMessageA(m_tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
            DispatchMessageA(&msg);
        }
        return Shown();
    }));
    EXPECT_EQ(asked, 1);

    // Deactivated, it hides and stays hidden.
    SendMessageA(m_tip, TTM_ACTIVATE, FALSE, 0);
    EXPECT_FALSE(Shown());
    InjectMouseMove(POINT{on.x + 1, on.y});
    PumpFor(120);
    EXPECT_FALSE(Shown());
}

} // namespace

namespace {

using namespace commctrl_test;

class ToolBars : public CommCtrlTest {};

TEST_F(ToolBars, ButtonsSendTheirCommandsWhenEnabledAndCheckButtonsToggle)
{
    HWND bar = Make(TOOLBARCLASSNAMEA, TBSTYLE_FLAT | CCS_NODIVIDER, RECT{0, 0, 300, 28}, 0x4A0);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 3, 0);
    ImageList_SetImageCount(images, 3);
    SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TBBUTTON buttons[3] = {};
    const int commands[] = {40961, 0, 40962};
    for (int i = 0; i < 3; ++i) {
        buttons[i].iBitmap = i;
        buttons[i].idCommand = commands[i];
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = i == 1 ? TBSTYLE_SEP : i == 2 ? TBSTYLE_CHECK : TBSTYLE_BUTTON;
    }
    EXPECT_TRUE(SendMessageA(bar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons)));
    EXPECT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), 3);
    PumpUntilIdle();
    auto click = [&](int index) {
        RECT r{};
        SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        ClickAt(Screen(bar, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
        PumpUntilIdle();
    };
    auto commandsSeen = [&] {
        std::vector<int> seen;
        for (const Received& r : ReceivedOf(WM_COMMAND))
            if (reinterpret_cast<HWND>(r.lParam) == bar)
                seen.push_back(LOWORD(r.wParam));
        return seen;
    };
    ClearLog();
    click(0);
    click(2);
    EXPECT_EQ(commandsSeen(), (std::vector<int>{40961, 40962}));
    EXPECT_TRUE(SendMessageA(bar, TB_ISBUTTONCHECKED, 40962, 0));
    EXPECT_TRUE(SendMessageA(bar, TB_ENABLEBUTTON, 40961, MAKELONG(FALSE, 0)));
    ClearLog();
    click(0);
    EXPECT_TRUE(commandsSeen().empty()) << "a disabled button sends nothing";
    EXPECT_FALSE(SendMessageA(bar, TB_ISBUTTONENABLED, 40961, 0));
    EXPECT_FALSE(SendMessageA(bar, TB_ENABLEBUTTON, 12345, MAKELONG(TRUE, 0))) << "no such command";
    EXPECT_FALSE(SendMessageA(bar, TB_GETITEMRECT, 7, 0));
    DestroyWindow(bar);
    EXPECT_TRUE(ImageList_Destroy(images)) << "a list given with TB_SETIMAGELIST stays the caller's";
}

} // namespace
