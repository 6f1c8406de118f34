// The parts of the room still to come; each goes when its file arrives.
#include "Platform/Win/Controls/Private/ControlsInternal.h"
namespace win::controls {
LRESULT CALLBACK MenuPopupProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
void PaintMenuBar(HWND, HDC, const RECT&, bool) {}
bool MenuBarButtonDown(HWND, LRESULT, POINT) { return false; }
bool MenuCommand(HWND, WPARAM, LPARAM) { return false; }
void MenuWindowDestroyed(HWND) {}
}
HMENU LoadMenuA(HINSTANCE, LPCSTR) { return nullptr; }
BOOL DestroyMenu(HMENU) { return FALSE; }
