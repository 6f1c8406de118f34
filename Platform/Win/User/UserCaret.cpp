// The caret of each thread. It is drawn by inverting its rectangle on the
// window's DC, so drawing it twice takes it away; a blink timer on the
// window flips it, and painting takes it off first and puts it back after.

#include <atomic>

#include "Platform/Win/User/Caret.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

// A timer id that no window of the program uses for its own timers.
constexpr UINT_PTR kBlinkTimer = 0xCA7E;

struct Caret {
    HWND window = nullptr;
    RECT rect{};
    bool grey = false;
    int hidden = 1;
    bool drawn = false;
    bool painting = false;
};

thread_local Caret t_caret;
std::atomic<UINT> g_blinkTime{530};

void Invert()
{
    Caret& c = t_caret;
    HDC dc = GetDCEx(c.window, nullptr, DCX_CACHE | DCX_USESTYLE);
    if (!dc)
        return;
    if (c.grey) {
        HBRUSH brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        HGDIOBJ old = SelectObject(dc, brush);
        PatBlt(dc, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, PATINVERT);
        SelectObject(dc, old);
    } else {
        InvertRect(dc, &c.rect);
    }
    ReleaseDC(c.window, dc);
}

void Draw(bool on)
{
    Caret& c = t_caret;
    if (c.drawn == on || !c.window || c.painting)
        return;
    c.drawn = on;
    Invert();
}

void CALLBACK Blink(HWND, UINT, UINT_PTR, DWORD)
{
    Caret& c = t_caret;
    if (c.hidden == 0 && !c.painting)
        Draw(!c.drawn);
}

void RestartBlink()
{
    Caret& c = t_caret;
    if (c.window)
        SetTimer(c.window, kBlinkTimer, g_blinkTime, Blink);
}

} // namespace

void CaretPaintBegin(HWND window)
{
    Caret& c = t_caret;
    if (c.window != window || c.painting)
        return;
    Draw(false);
    c.painting = true;
}

void CaretPaintEnd(HWND window)
{
    Caret& c = t_caret;
    if (c.window != window || !c.painting)
        return;
    c.painting = false;
    if (c.hidden == 0)
        Draw(true);
}

} // namespace win::user

using namespace win::user;

BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height)
{
    if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    DestroyCaret();
    if (bitmap && bitmap != reinterpret_cast<HBITMAP>(1)) {
        BITMAP info{};
        if (GetObjectA(bitmap, sizeof(info), &info)) {
            width = info.bmWidth;
            height = info.bmHeight;
        }
    }
    Caret& c = t_caret;
    c = Caret{};
    c.window = window;
    c.grey = bitmap == reinterpret_cast<HBITMAP>(1);
    c.rect = RECT{0, 0, width ? width : GetSystemMetrics(SM_CXBORDER), height ? height : GetSystemMetrics(SM_CYBORDER)};
    return TRUE;
}

BOOL DestroyCaret()
{
    Caret& c = t_caret;
    if (!c.window)
        return FALSE;
    c.painting = false;
    if (IsWindow(c.window)) {
        Draw(false);
        KillTimer(c.window, kBlinkTimer);
    }
    c = Caret{};
    return TRUE;
}

BOOL ShowCaret(HWND window)
{
    Caret& c = t_caret;
    if (!c.window || (window && window != c.window) || c.hidden == 0)
        return FALSE;
    if (--c.hidden == 0) {
        Draw(true);
        RestartBlink();
    }
    return TRUE;
}

BOOL HideCaret(HWND window)
{
    Caret& c = t_caret;
    if (!c.window || (window && window != c.window))
        return FALSE;
    if (c.hidden++ == 0) {
        Draw(false);
        KillTimer(c.window, kBlinkTimer);
    }
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    Caret& c = t_caret;
    if (!c.window)
        return FALSE;
    if (c.rect.left == x && c.rect.top == y)
        return TRUE;
    const bool wasDrawn = c.drawn;
    Draw(false);
    OffsetRect(&c.rect, x - c.rect.left, y - c.rect.top);
    if (wasDrawn || c.hidden == 0) {
        Draw(true);
        RestartBlink();
    }
    return TRUE;
}

BOOL GetCaretPos(LPPOINT point)
{
    if (!point)
        return FALSE;
    Caret& c = t_caret;
    *point = POINT{c.rect.left, c.rect.top};
    return c.window != nullptr;
}

UINT GetCaretBlinkTime() { return g_blinkTime; }

BOOL SetCaretBlinkTime(UINT milliseconds)
{
    g_blinkTime = milliseconds ? milliseconds : 530;
    RestartBlink();
    return TRUE;
}
