#pragma once
// What the sources of the control room share: the window procedures it
// registers, where each control keeps its state, how a control asks its
// parent for colours and tells it what happened, and the drawing pieces of
// the plain system look.
//
// How each control keeps its state and paints is in ControlBuilding.h, which
// the common controls share. Procedures never keep a lock while they send.

#include <functional>
#include <memory>
#include <string>

#include "Platform/Win/Controls/ControlBuilding.h"
#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Icons.h"

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

// Ends a drag the control follows with the mouse capture.
inline void EndCapturedDrag(HWND window, bool* dragging)
{
    if (!*dragging)
        return;
    *dragging = false;
    if (GetCapture() == window)
        ReleaseCapture();
}

// WM_COMMAND (id, code) with the control's handle, to its parent.
void NotifyParent(HWND control, WORD code);
// The character after a single '&' in a text, lower case; 0 for none.
char Mnemonic(const std::string& text);
bool IsDialog(HWND window);
// The plain 3-D look.
void Frame3d(HDC dc, const RECT& rect, int light, int dark);

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
