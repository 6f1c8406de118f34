#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

using namespace user_test;

class UserPaint : public UserTest {
protected:
    void TearDown() override
    {
        UserTest::TearDown();
        for (HBRUSH brush : m_brushes)
            DeleteObject(brush);
    }
    HBRUSH Brush(COLORREF color)
    {
        m_brushes.push_back(CreateSolidBrush(color));
        return m_brushes.back();
    }

private:
    std::vector<HBRUSH> m_brushes;
};

// The colour (COLORREF) of a window's pixel at a point of its client area.
COLORREF ClientPixel(HWND window, POINT p)
{
    std::shared_ptr<win::Surface> surface;
    RECT onSurface{};
    if (!win::user::WindowSurface(window, &surface, &onSurface))
        return 0xFFFFFFFF;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT screen{};
    GetWindowRect(window, &screen);
    return win::ColorFromPixel(surface->PixelAt(onSurface.left + origin.x - screen.left + p.x,
                                                onSurface.top + origin.y - screen.top + p.y));
}

// Records the PAINTSTRUCT of each WM_PAINT.
std::vector<RECT>& Painted()
{
    static std::vector<RECT> painted;
    return painted;
}

void RecordPaints(HWND window)
{
    Painted().clear();
    React(window, [](HWND w, UINT m, WPARAM, LPARAM, LRESULT* result) {
        if (m != WM_PAINT)
            return false;
        PAINTSTRUCT ps{};
        BeginPaint(w, &ps);
        Painted().push_back(ps.rcPaint);
        EndPaint(w, &ps);
        *result = 0;
        return true;
    });
}

TEST_F(UserPaint, InvalidationsBecomeOneWmPaintWithTheirUnion)
{
    HWND w = MakeTopLevel(RECT{0, 0, 200, 200});
    PumpUntilIdle();
    RecordPaints(w);
    RECT a{10, 10, 30, 40};
    RECT b{50, 20, 90, 25};
    InvalidateRect(w, &a, TRUE);
    InvalidateRect(w, &b, FALSE);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
    PumpUntilIdle();
    ASSERT_EQ(Painted().size(), 1u);
    const RECT& painted = Painted()[0];
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.top, 10);
    EXPECT_EQ(painted.right, 90);
    EXPECT_EQ(painted.bottom, 40);
    EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
}

TEST_F(UserPaint, ValidatedAreasAndHiddenWindowsGetNoPaint)
{
    HWND shown = MakeTopLevel(RECT{0, 0, 100, 100});
    HWND hidden = MakeTopLevel(RECT{0, 0, 100, 100}, WS_POPUP);
    PumpUntilIdle();
    RecordPaints(shown);
    InvalidateRect(shown, nullptr, TRUE);
    ValidateRect(shown, nullptr);
    InvalidateRect(hidden, nullptr, TRUE);
    ClearLog();
    PumpUntilIdle();
    EXPECT_TRUE(Painted().empty());
    EXPECT_TRUE(MessagesOf(hidden, {WM_PAINT}).empty());
}

TEST_F(UserPaint, EraseFillsTheClassBrushAndUpdateWindowPaintsAtOnce)
{
    HWND w = MakeTopLevel(RECT{0, 0, 100, 100}, WS_POPUP | WS_VISIBLE, RecordingClass(0, Brush(RGB(200, 10, 20))));
    ClearLog();
    UpdateWindow(w);
    EXPECT_EQ(MessagesOf(w, {WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_EQ(ClientPixel(w, POINT{50, 50}), RGB(200, 10, 20));
    ClearLog();
    PumpUntilIdle();
    EXPECT_TRUE(MessagesOf(w, {WM_PAINT}).empty()) << "already painted";
}

TEST_F(UserPaint, ClipChildrenKeepsChildrenOutOfTheParentsPaint)
{
    for (bool clip : {true, false}) {
        const char* parentClass = RecordingClass(0, Brush(RGB(0, 0, 255)));
        const char* childClass = RecordingClass(CS_DBLCLKS, Brush(RGB(0, 255, 0)));
        HWND parent = MakeTopLevel(RECT{0, 0, 100, 100}, WS_POPUP | WS_VISIBLE | (clip ? WS_CLIPCHILDREN : 0),
                                   parentClass);
        HWND child = MakeChild(parent, RECT{20, 20, 60, 60}, 1, WS_CHILD | WS_VISIBLE, childClass);
        PumpUntilIdle();
        EXPECT_EQ(ClientPixel(parent, POINT{5, 5}), RGB(0, 0, 255));
        EXPECT_EQ(ClientPixel(child, POINT{5, 5}), RGB(0, 255, 0));
        InvalidateRect(parent, nullptr, TRUE);
        RECT update{};
        EXPECT_EQ(GetUpdateRect(child, &update, FALSE), clip ? FALSE : TRUE) << "clip " << clip;
        // The parent alone repaints: its brush must not cover the child.
        HDC dc = GetDC(parent);
        RECT all{0, 0, 100, 100};
        FillRect(dc, &all, Brush(RGB(9, 9, 9)));
        ReleaseDC(parent, dc);
        EXPECT_EQ(ClientPixel(child, POINT{5, 5}), clip ? RGB(0, 255, 0) : RGB(9, 9, 9)) << "clip " << clip;
        DestroyWindow(parent);
        PumpUntilIdle();
    }
}

TEST_F(UserPaint, FrameIsPaintedOutsideTheClientArea)
{
    HWND w = CreateWindowExA(0, RecordingClass(0, Brush(RGB(255, 255, 255))), "framed",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                             nullptr, nullptr);
    PumpUntilIdle();
    std::shared_ptr<win::Surface> surface;
    RECT onSurface{};
    ASSERT_TRUE(win::user::WindowSurface(w, &surface, &onSurface));
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    COLORREF caption = win::ColorFromPixel(surface->PixelAt(50, frame + 5));
    EXPECT_EQ(caption, GetSysColor(GetActiveWindow() == w ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    // A client DC cannot draw over the frame.
    HDC dc = GetDC(w);
    RECT wide{-50, -50, 500, 500};
    FillRect(dc, &wide, Brush(RGB(1, 2, 3)));
    ReleaseDC(w, dc);
    EXPECT_EQ(win::ColorFromPixel(surface->PixelAt(50, frame + 5)), caption);
    EXPECT_EQ(ClientPixel(w, POINT{0, 0}), RGB(1, 2, 3));
}

constexpr COLORREF kOwnFrame = RGB(200, 40, 160);

// Paints the window's whole non-client area in kOwnFrame through its window
// DC, the client rectangle clipped out, as a skinned window paints its frame.
void PaintOwnFrame(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -outer.left, -outer.top);
    HDC dc = GetWindowDC(window);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    RECT all{0, 0, outer.right - outer.left, outer.bottom - outer.top};
    HBRUSH brush = CreateSolidBrush(kOwnFrame);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

// Every colour of the caption band (between the frame's sides, SM_CYCAPTION
// high below the top frame) on the window's surface.
std::set<COLORREF> CaptionColours(HWND window)
{
    std::shared_ptr<win::Surface> surface;
    RECT onSurface{};
    std::set<COLORREF> colours;
    if (!win::user::WindowSurface(window, &surface, &onSurface))
        return colours;
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    for (LONG y = onSurface.top + frame; y < onSurface.top + frame + GetSystemMetrics(SM_CYCAPTION); ++y)
        for (LONG x = onSurface.left + frame; x < onSurface.right - frame; ++x)
            colours.insert(win::ColorFromPixel(surface->PixelAt(x, y)));
    return colours;
}

// A dialog-framed window that paints its own frame: WM_NCPAINT without
// DefWindowProc, and after DefWindowProc for the messages whose default
// handling may draw the caption.
HWND MakeSelfFramed(HBRUSH background)
{
    HWND w = CreateWindowExA(WS_EX_DLGMODALFRAME, RecordingClass(0, background), "skinned",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, 50, 50, 240, 140, nullptr, nullptr, nullptr, nullptr);
    React(w, [](HWND window, UINT m, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        if (m != WM_NCPAINT && m != WM_NCACTIVATE && m != WM_SETTEXT)
            return false;
        *result = m == WM_NCPAINT ? 0 : DefWindowProcA(window, m, wParam, lParam);
        PaintOwnFrame(window);
        return true;
    });
    return w;
}

TEST_F(UserPaint, AWindowThatPaintsItsOwnFrameKeepsItsCaption)
{
    HWND other = MakeTopLevel(RECT{500, 300, 600, 400});
    HWND w = MakeSelfFramed(Brush(RGB(255, 255, 255)));
    struct Step {
        const char* what;
        std::function<void()> act;
    };
    const Step steps[] = {
        {"first shown", [&] { ShowWindow(w, SW_SHOW); }},
        {"retitled", [&] { SetWindowTextA(w, "retitled"); }},
        {"deactivated", [&] { SetActiveWindow(other); }},
        {"activated", [&] { SetActiveWindow(w); }},
        {"frame changed", [&] {
             SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
         }},
        {"resized", [&] { SetWindowPos(w, nullptr, 0, 0, 260, 150, SWP_NOMOVE | SWP_NOZORDER); }},
        {"frame redrawn", [&] { RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); }},
        {"hidden and shown", [&] {
             ShowWindow(w, SW_HIDE);
             ShowWindow(w, SW_SHOW);
         }},
    };
    for (const Step& step : steps) {
        step.act();
        PumpUntilIdle();
        EXPECT_EQ(CaptionColours(w), std::set<COLORREF>{kOwnFrame}) << step.what;
        EXPECT_EQ(ClientPixel(w, POINT{0, 0}), RGB(255, 255, 255)) << step.what << ": the window DC left the client";
    }
}

TEST_F(UserPaint, ActivationTellsTheFrameBeforeTheWindowAndBeforeItIsPainted)
{
    HWND other = MakeTopLevel(RECT{500, 300, 600, 400});
    PumpUntilIdle();
    HWND w = MakeSelfFramed(nullptr);
    ClearLog();
    ShowWindow(w, SW_SHOW);
    PumpUntilIdle();
    const std::initializer_list<UINT> frameAndActivation{WM_NCACTIVATE, WM_ACTIVATE, WM_NCPAINT};
    std::vector<UINT> shown = MessagesOf(w, frameAndActivation);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<UINT>(shown.begin(), shown.begin() + 3),
              (std::vector<UINT>{WM_NCACTIVATE, WM_ACTIVATE, WM_NCPAINT}));

    ClearLog();
    SetActiveWindow(other);
    PumpUntilIdle();
    // The window losing activation hears it first, each frame before its window.
    std::vector<std::pair<HWND, UINT>> inLogOrder;
    {
        std::lock_guard<std::mutex> guard(LogLock());
        for (const Received& r : Log())
            if (r.message == WM_NCACTIVATE || r.message == WM_ACTIVATE)
                inLogOrder.emplace_back(r.window, r.message);
    }
    EXPECT_EQ(inLogOrder, (std::vector<std::pair<HWND, UINT>>{
                              {w, WM_NCACTIVATE}, {w, WM_ACTIVATE}, {other, WM_NCACTIVATE}, {other, WM_ACTIVATE}}));
}

} // namespace
