#pragma once
// The still-image library the picture readers load files with: file
// information, loading into a bitmap, colour resolution, conversion to a
// packed device-independent bitmap. Backed by FFmpeg's image decoders; the
// format is found from the file's first bytes and, for formats without a
// signature (TGA, PCX), from the extension.
//
// A loaded bitmap is either 8 bits per pixel with a colour table (palette
// images other than GIF, grey and black-and-white images) or 24 bits per
// pixel (blue, green, red); rows are top-down and padded to 4 bytes.
//
// Every call returns STILLIMAGE_OK or a negative code and never throws;
// damaged, truncated and foreign files give STILLIMAGE_ERR_CORRUPT or
// STILLIMAGE_ERR_FORMAT.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

constexpr INT STILLIMAGE_OK = 0;
constexpr INT STILLIMAGE_ERR_BAD_ARG = -1;
constexpr INT STILLIMAGE_ERR_OPEN = -2;
constexpr INT STILLIMAGE_ERR_READ = -3;
// Empty file, or no decoder for what the file holds.
constexpr INT STILLIMAGE_ERR_FORMAT = -4;
// The decoder refused the data or reported damage.
constexpr INT STILLIMAGE_ERR_CORRUPT = -5;
constexpr INT STILLIMAGE_ERR_NO_MEMORY = -6;
// Larger than STILLIMAGE_MAX_SIDE or STILLIMAGE_MAX_PIXELS, or a file
// larger than STILLIMAGE_MAX_FILE.
constexpr INT STILLIMAGE_ERR_TOO_LARGE = -7;

// Sides fit the readers' 16-bit sizes.
constexpr LONG STILLIMAGE_MAX_SIDE = 32767;
constexpr LONGLONG STILLIMAGE_MAX_PIXELS = 64LL * 1024 * 1024;
constexpr LONGLONG STILLIMAGE_MAX_FILE = 256LL * 1024 * 1024;

struct STILLFILEINFO {
    LONG Width;
    LONG Height;
    // As stored: 1, 8, 16, 24 or 32.
    INT BitsPerPixel;
    LONGLONG SizeDisk;
    // "BMP", "JPEG", "PNG", "TIFF", "GIF", "TGA", "PCX", ...
    char Format[16];
    // Upper-case words: "UNCOMPRESSED", "LZW", "PACKBITS", "RLE", "JPEG",
    // "DEFLATE", "BITFIELDS", ...
    char Compression[32];
};

struct STILLBITMAP {
    LONG Width;
    LONG Height;
    // 8 or 24 once loaded; 0 when empty.
    INT BitsPerPixel;
    // Entries of Palette in use; 0 for 24-bit bitmaps.
    INT ColorCount;
    RGBQUAD Palette[256];
    LONG BytesPerLine;
    // Owned by the bitmap; null when empty.
    BYTE* Bits;
};

INT StillImageGetFileInfo(LPCSTR path, STILLFILEINFO* info);
// Empties the record without freeing anything.
void StillImageInitBitmap(STILLBITMAP* bitmap);
// Frees what the bitmap held before.
INT StillImageLoadFile(LPCSTR path, STILLBITMAP* bitmap);
// Only 24 is offered: an 8-bit bitmap is expanded through its colour table.
INT StillImageColorRes(STILLBITMAP* bitmap, INT bitsPerPixel);
// A movable global block: BITMAPINFOHEADER, the colour table (8-bit only),
// bottom-up rows padded to 4 bytes. Null for an empty bitmap or when memory
// is short.
HGLOBAL StillImageToPackedDib(const STILLBITMAP* bitmap);
void StillImageFreeBitmap(STILLBITMAP* bitmap);
