// Bitmap files as CDIB reads them: from a file (Load) and from a file image
// in memory (AttachFileImage). A bitmap that loads is drawn and saved again,
// and what was saved loads to the same size.

#include <cstring>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Win32.h"
#include "Win32/Imaging/Dib.h"
#include "fuzz/FuzzSupport.h"

namespace {

void Use(CDIB& dib, HDC dc)
{
    FUZZ_CHECK(dib.GetWidth() > 0 && dib.GetHeight() != 0, "a loaded bitmap has a size");
    dib.Draw(dc, 0, 0, 8, 8);
    (void)dib.GetNumColors();
    CMemFile saved;
    if (!dib.Save(&saved))
        return;
    saved.SeekToBegin();
    CDIB again;
    FUZZ_CHECK(again.Load(&saved), "a saved bitmap loads");
    FUZZ_CHECK(again.GetWidth() == dib.GetWidth() && again.GetHeight() == dib.GetHeight(), "the same size");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, target);

    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CDIB loaded;
    if (loaded.Load(&file))
        Use(loaded, dc);

    // The pixels stay in the caller's block: a copy of exactly the input's
    // size, so that reading past it is caught.
    std::vector<BYTE> image(data, data + size);
    CDIB attached;
    if (!image.empty() && attached.AttachFileImage(image.data(), static_cast<DWORD>(image.size())))
        Use(attached, dc);

    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    return 0;
}
