#pragma once
// Bitmaps of the bitmap module drawn straight onto a DC: what the menu and
// the spin do with their skin pictures. Every call does nothing, or answers
// FALSE, when the bitmap is missing. UI thread only.

#include "Platform/Mfc/Mfc.h"

// Loads bitmap `id` of the bitmap module (the current module is put back).
BOOL LoadSkinBitmap(CBitmap& bitmap, UINT id);
// The loaded bitmap's size; (0, 0) when it has none.
CSize SkinBitmapSize(CBitmap& bitmap);
// Copies `size` of the bitmap from `source` to `at` (SRCCOPY).
BOOL CopySkinBitmap(CDC& dc, CBitmap& bitmap, CPoint at, CSize size, CPoint source = CPoint(0, 0));
// Stretches the whole bitmap over `target`.
BOOL StretchSkinBitmap(CDC& dc, CBitmap& bitmap, const CRect& target);
