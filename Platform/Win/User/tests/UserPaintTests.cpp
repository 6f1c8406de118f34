#include <gtest/gtest.h>

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

} // namespace
