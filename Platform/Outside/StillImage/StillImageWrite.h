#pragma once
// The still-image library's file writer: one uncompressed frame, as a
// BITMAPINFOHEADER and its pixel bytes, saved as a BMP, JPEG or TIFF file.
// The file is written under a temporary name and moved over the target
// only when complete, so a failed save never leaves a half-written file.

#include "Platform/Outside/StillImage/StillImage.h"

// File format codes.
constexpr INT STILLIMAGE_FILE_BMP = 6;
constexpr INT STILLIMAGE_FILE_JPEG = 21;
constexpr INT STILLIMAGE_FILE_TIFF = 3;

// Saves a frame of 24-bit (blue, green, red) or 16-bit (5-5-5) pixels,
// rows padded to 4 bytes, bottom-up for a positive biHeight and top-down
// for a negative one. A BMP keeps the frame's bit depth; a JPEG is 24-bit
// colour; a TIFF is 24-bit RGB. STILLIMAGE_OK or a negative code:
// STILLIMAGE_ERR_BAD_ARG for a frame or format not handled,
// STILLIMAGE_ERR_OPEN when the file cannot be written.
INT StillImageSaveFile(LPCSTR path, const BITMAPINFOHEADER* header, const BYTE* bits, INT format);
