#pragma once
// What the dialog manager keeps for each dialog window (a window property,
// freed at WM_NCDESTROY), and the pieces of Dialog.cpp and
// DialogManager.cpp that call each other.

#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Controls/DialogBuilding.h"

namespace win::controls {

// The window property that holds a dialog's state.
constexpr const char* kDialogStateProperty = "KestrelonDialogState";

struct DialogState {
    HINSTANCE instance = nullptr;
    bool modal = false;
    HFONT font = nullptr;
    bool ownsFont = false;
    SIZE base{};
    // The control that gets the focus back when the dialog is activated.
    HWND savedFocus = nullptr;
    // DM_SETDEFID's id; 0 while none is set.
    UINT defaultId = 0;
    // EndDialog called, maybe before the modal loop began.
    bool ended = false;
    INT_PTR result = 0;
};

DialogState* DialogStateOf(HWND dialog);
// Dialog base units of a font: average character width and height.
SIZE BaseUnitsOf(HFONT font);
// Moves the focus to a control the way the dialog manager does: an edit's
// text is selected, and the default push button follows the focus.
void SetDialogFocus(HWND dialog, HWND control);
// DefDlgProc's own handling, after the dialog procedure declined.
LRESULT DefaultDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace win::controls
