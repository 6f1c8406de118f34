#pragma once
// The structures and classes of the window system, declared, with its
// callback types, for headers that need no more than a pointer or a
// reference to them (the handles themselves are in WinTypes.h).

#include "Platform/Win/Base/WinTypes.h"

struct MSG;
struct WNDCLASSA;
struct WNDCLASSEXA;
struct CREATESTRUCTA;
struct PAINTSTRUCT;
struct WINDOWPOS;
struct NCCALCSIZE_PARAMS;
struct MINMAXINFO;
struct STYLESTRUCT;
struct TRACKMOUSEEVENT;
struct ICONINFO;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

namespace win {
class ModalLoop;
} // namespace win

namespace win::user {
class DesktopHost;
struct FrameExtension;
struct InputTimings;
struct IconImage;
} // namespace win::user
