// Drop records (WM_DROPFILES and CF_HDROP): any bytes give a count and
// names that lie within the record, or none at all.

#include <cstring>

#include "Platform/Win/Win32.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!block)
        return 0;
    if (size)
        std::memcpy(GlobalLock(block), data, size), GlobalUnlock(block);
    HDROP drop = reinterpret_cast<HDROP>(block);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
    char name[16];
    for (UINT i = 0; i < count && i < 64; ++i) {
        DragQueryFileA(drop, i, nullptr, 0);
        DragQueryFileA(drop, i, name, sizeof name);
    }
    POINT pt{};
    DragQueryPoint(drop, &pt);
    GlobalFree(block);
    return 0;
}
