#pragma once
// The pieces of the control room that the rooms building further controls
// over it (the common controls) write their controls with: where a control
// keeps its state, how it paints, asks its parent for colours and finds whom
// to notify, and the drawing pieces of the plain system look.
//
// Each control keeps a C++ object of its own in the first pointer of its
// window extra bytes; the object is made at WM_NCCREATE and freed at
// WM_NCDESTROY.

#include <string>

#include "Platform/Win/Controls/Controls.h"

namespace win::controls {

// The classes of the room exist from the runtime's load on; this makes
// sure of it for callers that run before static initialisation is over.
void EnsureRegistered();

constexpr int kControlExtraBytes = static_cast<int>(sizeof(void*));

template <class T>
T* StateOf(HWND window)
{
    return reinterpret_cast<T*>(GetWindowLongPtrA(window, 0));
}

// Makes the state object at WM_NCCREATE; it is freed by FreeState.
template <class T>
T* MakeState(HWND window)
{
    auto* state = new T;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(state));
    return state;
}

template <class T>
void FreeState(HWND window)
{
    delete StateOf<T>(window);
    SetWindowLongPtrA(window, 0, 0);
}

// WM_PAINT of a control: `paint` draws into the paint DC.
template <class Paint>
LRESULT PaintWith(HWND window, Paint paint)
{
    PAINTSTRUCT ps{};
    if (HDC dc = BeginPaint(window, &ps)) {
        paint(dc);
        EndPaint(window, &ps);
    }
    return 0;
}

// The window notifications of a control go to: its parent, or for a
// top-level control its owner.
HWND NotifyTarget(HWND control);
// The parent's WM_CTLCOLOR* answer for painting the control; the parent
// sets the DC's colours. A control without a parent asks DefWindowProc.
HBRUSH ControlBrush(HWND control, HDC dc, UINT message);
// Fills `rect` with the brush unless it is null or the null brush.
void FillWith(HDC dc, const RECT& rect, HBRUSH brush);

// The font controls draw with until WM_SETFONT gives them one.
HFONT DefaultControlFont();

std::string WindowText(HWND window);
RECT ClientRect(HWND window);

// The plain system look.
void FillSysColor(HDC dc, const RECT& rect, int color);
// Draws a text in the DC's text colour, greyed (etched) when `disabled`.
void DrawControlText(HDC dc, const std::string& text, RECT rect, UINT format, bool disabled);
// A small arrow in a rectangle: 0 up, 1 down, 2 left, 3 right.
void DrawArrow(HDC dc, const RECT& box, int direction, bool enabled);

} // namespace win::controls
