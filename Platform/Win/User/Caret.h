#pragma once
// The caret: one per thread, owned by a window of that thread, drawn by
// inverting its rectangle and blinking at the caret blink time. A created
// caret starts hidden; ShowCaret and HideCaret nest.

#include "Platform/Win/Base/WinTypes.h"

// A bitmap of null makes a solid caret, (HBITMAP)1 a grey one; a width or
// height of 0 takes the border width or height.
BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// A null window means the caret's own window; another window than the
// caret's fails.
BOOL ShowCaret(HWND window);
BOOL HideCaret(HWND window);
// In the client coordinates of the caret's window.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);
UINT GetCaretBlinkTime();
// Also for the carets blinking now.
BOOL SetCaretBlinkTime(UINT milliseconds);
