#pragma once
// Icons and cursors: the stock ones (IDI_*, IDC_*), those of a module's
// RT_GROUP_ICON / RT_GROUP_CURSOR resources, and those made from bitmaps.
// An icon is kept as 32-bit pixels with alpha; drawing blends it over the
// destination. Icons a module's resources give through LoadIcon, LoadCursor
// or LoadImage with LR_SHARED are shared: DestroyIcon leaves them alone.

#include <vector>

#include "Platform/Win/Base/WinTypes.h"

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};
using PICONINFO = ICONINFO*;

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT IMAGE_ENHMETAFILE = 3;

constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_MONOCHROME = 0x0001;
constexpr UINT LR_COLOR = 0x0002;
constexpr UINT LR_COPYRETURNORG = 0x0004;
constexpr UINT LR_COPYDELETEORG = 0x0008;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_LOADTRANSPARENT = 0x0020;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_VGACOLOR = 0x0080;
constexpr UINT LR_LOADMAP3DCOLORS = 0x1000;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_COPYFROMRESOURCE = 0x4000;
constexpr UINT LR_SHARED = 0x8000;

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;

// A bitmap (IMAGE_BITMAP), icon or cursor of a module, or with
// LR_LOADFROMFILE of a .bmp, .ico or .cur file; cx and cy 0 take the image's
// own size (LR_DEFAULTSIZE: the system's icon or cursor size). A module of
// null asks for the stock images. Null with the last error on failure.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
inline HANDLE LoadImage(HINSTANCE i, LPCSTR n, UINT t, int cx, int cy, UINT f) { return LoadImageA(i, n, t, cx, cy, f); }
// From a colour bitmap and an AND mask (or, without colour, a mask of twice
// the height holding AND and XOR halves). The bitmaps stay the caller's.
HICON CreateIconIndirect(PICONINFO info);
// New bitmaps of the icon, which the caller deletes.
BOOL GetIconInfo(HICON icon, PICONINFO info);
HICON CopyIcon(HICON icon);
// One image of an icon or cursor resource (RT_ICON, RT_CURSOR data).
HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags);
// The id of the image of a group resource that suits the size best; 0 when
// the directory is damaged.
int LookupIconIdFromDirectoryEx(PBYTE directory, BOOL icon, int cx, int cy, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// cx, cy 0: the icon's own size (DI_DEFAULTSIZE: the system size). With a
// brush the icon is first put on that background. DI_MASK draws the mask
// (black where the icon is), DI_IMAGE the colours without blending.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH background, UINT flags);

namespace win::user {

// An icon or cursor's pixels, top row first, 0xAARRGGBB.
struct IconImage {
    LONG width = 0;
    LONG height = 0;
    POINT hotspot{};
    bool cursor = false;
    std::vector<DWORD> pixels;
};
// False for a handle that is no icon or cursor.
bool GetIconImage(HICON icon, IconImage* image);

} // namespace win::user
