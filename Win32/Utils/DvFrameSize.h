#pragma once
// The four display sizes of the DV decoder and the choice among them.
//
// Rows 0 to 3 hold the NTSC sizes 90 x 60, 180 x 120, 360 x 240 and
// 720 x 480; a row's identifier is the decoder resolution 1003 - index
// (DVRESOLUTION_FULL 1000 is 720 x 480, DVRESOLUTION_DC 1003 is 90 x 60).
// PAL rows have the same widths and the NTSC height x 6 / 5.

#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/Win/Base/WinTypes.h"

constexpr int kDvFrameSizeCount = 4;

constexpr int DvFrameSizeIndexFromId(int id) { return DVRESOLUTION_DC - id; }
constexpr int DvFrameSizeIdFromIndex(int index) { return DVRESOLUTION_DC - index; }

// The row's width and its NTSC or PAL height; 0 x 0 for an index outside
// 0..3.
SIZE GetDvFrameSize(int index, BOOL bNtsc);
// The height is one of 60, 120, 240, 480.
BOOL IsNtscDvHeight(LONG height);
// The height is one of 72, 144, 288, 576.
BOOL IsPalDvHeight(LONG height);
// The identifier's row, NTSC when `height` is an NTSC height, else PAL.
SIZE GetDvFrameSizeById(int id, LONG height);
// The standard comes from `height` (NTSC, else PAL, else the answer is
// DVRESOLUTION_HALF). With `bFitInside` the largest row that fits inside
// `size` wins, else the smallest that covers it. DVRESOLUTION_HALF when no
// size is given or no row qualifies.
int FindDvFrameSizeId(const SIZE* size, LONG height, BOOL bFitInside);
