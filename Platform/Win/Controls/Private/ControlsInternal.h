#pragma once
// What the sources of the control room share: the window procedures it
// registers, where each control keeps its state, how a control asks its
// parent for colours and tells it what happened, and the drawing pieces of
// the plain system look.
//
// Each control keeps a C++ object of its own in the first pointer of its
// window extra bytes; the object is made at WM_NCCREATE and freed at
// WM_NCDESTROY. Procedures never keep a lock while they send.

#include <functional>
#include <memory>
#include <string>

#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Kernel/Kernel.h"

namespace win::controls {

using user::FrameExtension;
using user::GetInputTimings;
using user::InputTimings;
using user::GetIconImage;
using user::IconImage;

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MenuPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The class of the list a drop-down combo box shows below itself.
constexpr const char* kComboListClass = "ComboLBox";
// The class of popup menu windows.
constexpr const char* kMenuClass = "#32768";
constexpr const char* kDialogClass = "#32770";

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

// Ends a drag the control follows with the mouse capture.
inline void EndCapturedDrag(HWND window, bool* dragging)
{
    if (!*dragging)
        return;
    *dragging = false;
    if (GetCapture() == window)
        ReleaseCapture();
}

// The window notifications of a control go to: its parent, or for a
// top-level control its owner.
HWND NotifyTarget(HWND control);
// WM_COMMAND (id, code) with the control's handle, to its parent.
void NotifyParent(HWND control, WORD code);
// The parent's WM_CTLCOLOR* answer for painting the control; the parent
// sets the DC's colours. A control without a parent asks DefWindowProc.
HBRUSH ControlBrush(HWND control, HDC dc, UINT message);
// Fills `rect` with the brush unless it is null or the null brush.
void FillWith(HDC dc, const RECT& rect, HBRUSH brush);

// The font controls draw with until WM_SETFONT gives them one.
HFONT DefaultControlFont();

// The character after a single '&' in a text, lower case; 0 for none.
char Mnemonic(const std::string& text);
std::string WindowText(HWND window);
RECT ClientRect(HWND window);
bool IsDialog(HWND window);

// The plain 3-D look.
void Frame3d(HDC dc, const RECT& rect, int light, int dark);
void FillSysColor(HDC dc, const RECT& rect, int color);
// Draws a text in the DC's text colour, greyed (etched) when `disabled`.
void DrawControlText(HDC dc, const std::string& text, RECT rect, UINT format, bool disabled);
// A small arrow in a rectangle: 0 up, 1 down, 2 left, 3 right.
void DrawArrow(HDC dc, const RECT& box, int direction, bool enabled);

// The dialog manager's part in the default push button: when the focus
// moves to `focus`, the push button that has it shows as the default and
// otherwise the dialog's default button does.
void UpdateDefaultButton(HWND dialog, HWND focus);

// The state of the scroll bars of windows and scroll bar controls (Scroll.cpp).
void ScrollWindowDestroyed(HWND window);
void PaintWindowScrollBars(HWND window, HDC dc, const RECT& vertical, const RECT& horizontal);
bool TrackWindowScrollBar(HWND window, LRESULT hit, POINT screen);

// The menu bar and system menu (Menus.cpp, MenuTracking.cpp).
void PaintMenuBar(HWND window, HDC dc, const RECT& bar, bool active);
bool MenuBarButtonDown(HWND window, LRESULT hit, POINT screen);
bool MenuCommand(HWND window, WPARAM command, LPARAM lParam);
void MenuWindowDestroyed(HWND window);

} // namespace win::controls
