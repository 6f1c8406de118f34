#pragma once
// Pixel access of the frame tests: a pixel's bytes (blue, green, red) and a
// whole frame as red-green-blue rows, top row first, as golden pictures
// hold them.

#include <cstddef>
#include <vector>

#include "Win32/Imaging/IplImage.h"

namespace frame_pixels {

inline BYTE* PixelAt(CIplImage& image, int x, int y)
{
    IplImage* i = image.GetImage();
    return reinterpret_cast<BYTE*>(i->imageData) + static_cast<std::ptrdiff_t>(y) * i->widthStep + 3 * x;
}

inline std::vector<unsigned char> RgbPixels(CIplImage& image)
{
    std::vector<unsigned char> pixels;
    const IplImage* i = image.GetImage();
    for (int y = 0; y < i->height; ++y) {
        for (int x = 0; x < i->width; ++x) {
            const BYTE* p = PixelAt(image, x, y);
            pixels.insert(pixels.end(), {p[2], p[1], p[0]});
        }
    }
    return pixels;
}

} // namespace frame_pixels
