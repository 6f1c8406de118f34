#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"
#include "Platform/Win/User/Extensions.h"

namespace {

using namespace controls_test;

class ScrollBars : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        m_saved = win::user::GetInputTimings();
        win::user::InputTimings fast = m_saved;
        fast.repeatDelay = 30;
        fast.repeatInterval = 10;
        win::user::SetInputTimings(fast);
        m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE);
    }
    void TearDown() override
    {
        win::user::SetInputTimings(m_saved);
        ControlsTest::TearDown();
    }
    HWND MakeBar(DWORD style = SBS_HORZ)
    {
        HWND bar = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 16, m_parent,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(53165)), nullptr, nullptr);
        EXPECT_NE(bar, nullptr);
        SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
        PumpUntilIdle();
        ClearLog();
        return bar;
    }
    // The SB_ codes the window received as WM_HSCROLL or WM_VSCROLL.
    std::vector<WORD> Codes(HWND window, UINT message = WM_HSCROLL)
    {
        std::vector<WORD> codes;
        for (const Received& r : ReceivedOf(message))
            if (r.window == window)
                codes.push_back(LOWORD(r.wParam));
        return codes;
    }
    win::user::InputTimings m_saved;
    HWND m_parent = nullptr;
};

// Releases the left button from a timer once the modal tracking has begun.
POINT g_releaseAt{};
void CALLBACK ReleaseTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    InjectMouseButton(MouseButton::Left, false, g_releaseAt);
}

TEST_F(ScrollBars, PositionAndRangeRoundTrip)
{
    HWND bar = MakeBar();
    EXPECT_EQ(SetScrollPos(bar, SB_CTL, 40, TRUE), 0);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 40);
    SetScrollPos(bar, SB_CTL, 500, TRUE);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 100) << "clamped to the range";
    SCROLLINFO info{sizeof info, SIF_PAGE | SIF_POS, 0, 0, 20, 95, 0};
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 81) << "the page takes the top of the range";
    int low = -1;
    int high = -1;
    EXPECT_TRUE(GetScrollRange(bar, SB_CTL, &low, &high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(SendMessageA(bar, SBM_GETPOS, 0, 0), 81);
}

TEST_F(ScrollBars, ArrowClickSendsItsCodeThenEndScroll)
{
    HWND bar = MakeBar();
    RECT r{};
    GetWindowRect(bar, &r);
    ClickAt(POINT{r.right - 4, r.top + 8});
    PumpUntilIdle();
    EXPECT_EQ(Codes(m_parent), (std::vector<WORD>{SB_LINERIGHT, SB_ENDSCROLL}));
    auto received = ReceivedOf(WM_HSCROLL);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].lParam, reinterpret_cast<LPARAM>(bar)) << "the control's handle comes with it";
    ClearLog();
    ClickAt(POINT{r.right - 40, r.top + 8});
    PumpUntilIdle();
    EXPECT_EQ(Codes(m_parent), (std::vector<WORD>{SB_PAGERIGHT, SB_ENDSCROLL}));
}

TEST_F(ScrollBars, HoldingAnArrowRepeatsUntilRelease)
{
    HWND bar = MakeBar();
    RECT r{};
    GetWindowRect(bar, &r);
    g_releaseAt = POINT{r.left + 4, r.top + 8};
    InjectMouseMove(g_releaseAt);
    InjectMouseButton(MouseButton::Left, true, g_releaseAt);
    SetTimer(nullptr, 0, 150, ReleaseTimer);
    PumpUntilIdle();
    std::vector<WORD> codes = Codes(m_parent);
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(codes.back(), SB_ENDSCROLL);
    codes.pop_back();
    for (WORD code : codes)
        EXPECT_EQ(code, SB_LINELEFT);
}

TEST_F(ScrollBars, DraggingTheThumbTracksAndEndsAtItsPosition)
{
    HWND bar = MakeBar();
    SetScrollPos(bar, SB_CTL, 0, TRUE);
    RECT r{};
    GetWindowRect(bar, &r);
    const POINT grab{r.left + 16 + 4, r.top + 8};
    InjectMouseMove(grab);
    InjectMouseButton(MouseButton::Left, true, grab);
    InjectMouseMove(POINT{grab.x + 60, grab.y});
    InjectMouseButton(MouseButton::Left, false, POINT{grab.x + 60, grab.y});
    PumpUntilIdle();
    std::vector<Received> received = ReceivedOf(WM_HSCROLL);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(LOWORD(received[0].wParam), SB_THUMBTRACK);
    const WORD tracked = HIWORD(received[0].wParam);
    EXPECT_GT(tracked, 20);
    EXPECT_LT(tracked, 60);
    EXPECT_EQ(LOWORD(received[1].wParam), SB_THUMBPOSITION);
    EXPECT_EQ(HIWORD(received[1].wParam), tracked);
    EXPECT_EQ(LOWORD(received[2].wParam), SB_ENDSCROLL);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0) << "the owner moves the position itself";
}

TEST_F(ScrollBars, AWindowsBarShowsWhileItsRangeIsWiderThanItsPage)
{
    HWND window = MakeTopLevel(RECT{100, 100, 400, 300}, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, 100, 10, 0, 0};
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 300 - GetSystemMetrics(SM_CXVSCROLL));
    info.nMax = 5;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 300);
    info.fMask |= SIF_DISABLENOSCROLL;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL) << "kept, disabled";
    EXPECT_TRUE(ShowScrollBar(window, SB_VERT, FALSE));
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ScrollBars, AWindowsBarIsWorkedByTheMouseInItsFrame)
{
    HWND window = MakeTopLevel(RECT{100, 100, 400, 300}, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 50, 0};
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    PumpUntilIdle();
    ClearLog();
    RECT client{};
    GetClientRect(window, &client);
    POINT bottomArrow{client.right + 8, client.bottom - 4};
    ClientToScreen(window, &bottomArrow);
    ClickAt(bottomArrow);
    PumpUntilIdle();
    EXPECT_EQ(Codes(window, WM_VSCROLL), (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));
    auto received = ReceivedOf(WM_VSCROLL);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].lParam, 0) << "a window's own bar sends no handle";
}

TEST_F(ScrollBars, ASizeGripAnswersAsTheBottomRightCorner)
{
    HWND grip = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 300, 200, 16, 16, m_parent,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(SendMessageA(grip, WM_NCHITTEST, 0, 0), HTBOTTOMRIGHT);
    char name[16] = {};
    GetClassNameA(grip, name, sizeof name);
    EXPECT_STREQ(name, "ScrollBar");
}

} // namespace
