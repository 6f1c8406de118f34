#pragma once
// The one door of the window system into the GDI: device contexts on the
// surfaces of windows (GetDC, GetWindowDC, BeginPaint), the rectangles of a
// region, stock objects of its own (the system colour brushes) and the size
// of the display.

#include <memory>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/Gdi/Surface.h"

namespace win::gdi {

enum class DcKind {
    Client, // GetDC: the client area
    Window, // GetWindowDC: the whole window, non-client area included
    Paint,  // BeginPaint: the client area within the update region
    Memory, // CreateCompatibleDC: the selected bitmap
};

// A DC drawing on `surface` with logical (0,0) at `origin` and limited to
// `visible` (surface coordinates). Released with ReleaseSurfaceDC.
HDC CreateSurfaceDC(DcKind kind, HWND window, std::shared_ptr<Surface> surface, POINT origin,
                    detail::RectRegion visible);
// False for a DC that is not a surface DC (a memory DC, a bad handle).
bool ReleaseSurfaceDC(HDC dc);
// The window a surface DC draws on; null for other DCs.
HWND SurfaceDcWindow(HDC dc);
// Narrows the area a surface DC may touch to `area` (surface coordinates),
// or takes `area` away from it with `exclude`.
bool ClipSurfaceDc(HDC dc, const detail::RectRegion& area, bool exclude);
// The rectangles of a region object; false for a bad handle.
bool RegionArea(HRGN region, detail::RectRegion* area);
// Makes an object a stock object, which DeleteObject leaves alone.
void MakeStockObject(HGDIOBJ object);
// The size of the display the window system shows (1024 x 768 until set),
// which GetDeviceCaps reports for screen DCs.
void SetDisplaySize(LONG width, LONG height);
SIZE DisplaySize();

} // namespace win::gdi
