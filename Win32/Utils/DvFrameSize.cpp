#include "Win32/Utils/DvFrameSize.h"

namespace {

constexpr SIZE kNtscSizes[kDvFrameSizeCount] = {{90, 60}, {180, 120}, {360, 240}, {720, 480}};

constexpr LONG PalHeight(LONG ntscHeight) { return ntscHeight * 6 / 5; }

bool IsRow(int index) { return index >= 0 && index < kDvFrameSizeCount; }

} // namespace

SIZE GetDvFrameSize(int index, BOOL bNtsc)
{
    if (!IsRow(index))
        return SIZE{0, 0};
    SIZE size = kNtscSizes[index];
    if (!bNtsc)
        size.cy = PalHeight(size.cy);
    return size;
}

BOOL IsNtscDvHeight(LONG height)
{
    for (const SIZE& row : kNtscSizes)
        if (row.cy == height)
            return TRUE;
    return FALSE;
}

BOOL IsPalDvHeight(LONG height)
{
    for (const SIZE& row : kNtscSizes)
        if (PalHeight(row.cy) == height)
            return TRUE;
    return FALSE;
}

SIZE GetDvFrameSizeById(int id, LONG height)
{
    return GetDvFrameSize(DvFrameSizeIndexFromId(id), IsNtscDvHeight(height));
}

int FindDvFrameSizeId(const SIZE* size, LONG height, BOOL bFitInside)
{
    if (!size)
        return DVRESOLUTION_HALF;
    BOOL ntsc;
    if (IsNtscDvHeight(height))
        ntsc = TRUE;
    else if (IsPalDvHeight(height))
        ntsc = FALSE;
    else
        return DVRESOLUTION_HALF;
    if (bFitInside) {
        for (int index = kDvFrameSizeCount - 1; index >= 0; --index) {
            SIZE row = GetDvFrameSize(index, ntsc);
            if (row.cx <= size->cx && row.cy <= size->cy)
                return DvFrameSizeIdFromIndex(index);
        }
    } else {
        for (int index = 0; index < kDvFrameSizeCount; ++index) {
            SIZE row = GetDvFrameSize(index, ntsc);
            if (row.cx >= size->cx && row.cy >= size->cy)
                return DvFrameSizeIdFromIndex(index);
        }
    }
    return DVRESOLUTION_HALF;
}
