#pragma once
// What the gallery program shows and the golden images capture: the
// controls fixture's dialog filled with sample content in one of its looks,
// and a popup menu whose items its owner draws.

#include <string>

#include "Platform/Win/Win32.h"

namespace gallery {

// The controls fixture module (dialog 100, menu 128, icon 121), loaded once
// from `folder`; null when it is not there.
HMODULE LoadControlsFixture(const std::string& folder);

enum class DialogLook { Normal, Focused, Disabled, Checked };
constexpr const char* kLookNames[] = {"normal", "focused", "disabled", "checked"};

// The fixture's dialog with every control, modeless and shown, its list and
// combo filled; it draws its owner-drawn button itself.
HWND MakeSampleDialog(HMODULE fixture, HWND owner);
void ApplyLook(HWND dialog, DialogLook look);

// A popup of owner-drawn items (colour swatches with names); the window
// that tracks it answers its WM_MEASUREITEM and WM_DRAWITEM through
// AnswerOwnerDraw.
HMENU MakeOwnerDrawnPopup();
bool AnswerOwnerDraw(UINT message, LPARAM lParam, LRESULT* result);

// An icon-mode list view of six 80 x 60 thumbnails (coloured pictures on
// black, added masked with black) with two-line labels, as the scene list
// shows them; it owns its image list.
HWND MakeThumbnailList(HWND parent, RECT r);

} // namespace gallery
