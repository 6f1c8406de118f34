#pragma once
// The drawing core the window system needs: device contexts on window
// surfaces, solid brushes, system colours and FillRect. The full GDI (pens,
// fonts and text, bitmaps and memory DCs, regions, blits) extends this.
//
// Shape, for the code that extends it (GdiInternal.h):
// - Every GDI object lives in one handle table as a win::gdi::GdiObject
//   (type = its OBJ_* value); handles are table tokens, never pointers, so a
//   stale or forged handle fails with ERROR_INVALID_HANDLE. Stock objects
//   are flagged and survive DeleteObject.
// - A device context (win::gdi::DeviceContext) holds:
//     m_surface  the 32-bit win::Surface it draws on (a top-level window's
//                surface, the desktop's, later a bitmap's);
//     m_origin   where logical (0,0) lies on that surface (the client or
//                window corner of a window DC);
//     m_visible  the part of the surface it may touch, as a list of
//                rectangles in surface coordinates (a window DC: its visible
//                area with clipped children and siblings removed; a paint
//                DC: that area within the update region);
//     m_clip     the application's clip region in device coordinates, when
//                one is selected;
//   and, added by the GDI, the selected objects and drawing attributes.
//   Every drawing call maps logical to device coordinates (+ m_origin for
//   MM_TEXT) and fills only DrawableRegion().
// - Brush handles may also be COLOR_* + 1 values (as class backgrounds
//   are), which stand for the system colour's brush.

#include "Platform/Win/System.h"
#include "Platform/Win/WinTypes.h"

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;

constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_METADC = 4;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_METAFILE = 9;
constexpr DWORD OBJ_MEMDC = 10;
constexpr DWORD OBJ_EXTPEN = 11;

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_BTNHILIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = 20;
constexpr int COLOR_3DHILIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

// Returns the system colour; 0 for an index outside the table.
DWORD GetSysColor(int index);
// A stock brush of the system colour (never deleted); null for a bad index.
HBRUSH GetSysColorBrush(int index);

HBRUSH CreateSolidBrush(COLORREF color);
// Null for the indices not offered yet (pens and fonts come with the GDI).
HGDIOBJ GetStockObject(int index);
// TRUE for stock objects without deleting them; FALSE with
// ERROR_INVALID_HANDLE for handles that are not open.
BOOL DeleteObject(HGDIOBJ object);
// The OBJ_* value, 0 for a handle that is not open.
DWORD GetObjectType(HGDIOBJ object);

// Fills `rect` (logical coordinates, right and bottom excluded) within the
// DC's drawable area. Returns nonzero on success; 0 for a bad DC or brush.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
