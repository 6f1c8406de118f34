// The still-image loader: any file under any of the picture extensions.
// The first byte picks the extension (formats without a signature of their
// own are found by it); the rest is the file. A picture that loads is
// expanded and packed as the readers do.

#include <cstring>
#include <string>

#include "Platform/Av/Diagnostics.h"
#include "Platform/Outside/StillImage/StillImage.h"
#include "Platform/Win/Kernel/Memory.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr const char* kExtensions[] = {"bmp", "jpg", "png", "tif", "gif", "tga", "pcx", "xbm",
                                       "pgm", "ras", "sgi", "xwd", "dpx", "pix", "qoi", "pcd"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av::QuietLogs(); // damaged files are the point here
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* extension = kExtensions[data[0] % std::size(kExtensions)];
    const std::string path = fuzz::WriteScratchFile(std::string("picture.") + extension, data + 1, size - 1);
    STILLFILEINFO info{};
    const INT described = StillImageGetFileInfo(path.c_str(), &info);
    FUZZ_CHECK(described <= STILLIMAGE_OK, path);
    STILLBITMAP bitmap;
    StillImageInitBitmap(&bitmap);
    const INT loaded = StillImageLoadFile(path.c_str(), &bitmap);
    FUZZ_CHECK(loaded <= STILLIMAGE_OK, path);
    if (loaded == STILLIMAGE_OK) {
        FUZZ_CHECK(bitmap.Bits && bitmap.Width > 0 && bitmap.Height > 0, path);
        FUZZ_CHECK(bitmap.BytesPerLine >= bitmap.Width * bitmap.BitsPerPixel / 8, path);
        if (HGLOBAL dib = StillImageToPackedDib(&bitmap))
            GlobalFree(dib);
        FUZZ_CHECK(StillImageColorRes(&bitmap, 24) == STILLIMAGE_OK, path);
        FUZZ_CHECK(bitmap.BitsPerPixel == 24, path);
    } else {
        FUZZ_CHECK(bitmap.Bits == nullptr, path);
    }
    StillImageFreeBitmap(&bitmap);
    return 0;
}
