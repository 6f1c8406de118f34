// The parts of the transition effects that work on devices and frames:
// the preview, the image renderer and the door's warp. The figures they
// draw are in TransitionRenderers.cpp.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/User/User.h"
#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionRaster.h"
#include "Win32/Sb/Document/TransitionRenderers.h"

namespace {

bool HasPixels(const CIplImage* image)
{
    return image != nullptr && image->GetImage() != nullptr && image->GetImage()->imageData != nullptr;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top)
        return RECT{0, 0, 0, 0};
    return r;
}

bool IsEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// Copies the part of `rect` that the moved picture covers from `from`
// (shifted back by the moved rectangle's corner) into `to`; false when the
// moved picture does not meet the rectangle.
bool CopyMovedPart(CIplImage* from, const RECT& moved, const RECT& rect, CIplImage* to)
{
    const RECT part = Intersect(rect, moved);
    if (IsEmpty(part))
        return false;
    const RECT source{part.left - moved.left, part.top - moved.top, part.right - moved.left, part.bottom - moved.top};
    from->SetRoi(&source);
    to->SetRoi(&part);
    to->CopyFrom(from);
    from->FreeRoi();
    to->FreeRoi();
    return true;
}

// Image rows run the other way from the figure's device rows.
RECT MirrorRows(const RECT& r, INT height)
{
    return RECT{r.left, -r.top, r.right, 2 * height - r.bottom};
}

void SlidePictures(INT style, CIplImage* imageA, CIplImage* imageB, CIplImage* output, const RECT& rect,
                   const RECT& movedA, const RECT& movedB)
{
    switch (style) {
    case 4:
        CopyMovedPart(imageB, movedB, rect, imageA);
        output->CopyFrom(imageA);
        break;
    case 3:
        CopyMovedPart(imageA, movedA, rect, imageB);
        output->CopyFrom(imageB);
        break;
    default:
        CopyMovedPart(imageB, movedB, rect, output);
        CopyMovedPart(imageA, movedA, rect, output);
        break;
    }
}

// Progress outside 0..1 (or not a number) would push the figures' integer
// coordinates beyond any range.
double LimitProgress(double progress)
{
    return std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
}

} // namespace

void TransitionEffect::DrawPreview(HDC dc, INT left, INT top, INT right, INT bottom, float progress, RECT* movedA,
                                   RECT* movedB)
{
    if (dc == nullptr)
        return;
    TransitionRaster raster(dc);
    DrawFigure(raster, RECT{left, top, right, bottom}, static_cast<float>(LimitProgress(progress)), movedA, movedB);
}

void TransitionEffect::DrawPreviewInWindow(HWND window, float progress)
{
    HDC dc = ::GetDC(window);
    if (dc == nullptr)
        return;
    RECT client{};
    ::GetClientRect(window, &client);
    RECT movedA = client;
    RECT movedB = client;
    DrawPreview(dc, client.left, client.top, client.right, client.bottom, progress, &movedA, &movedB);
    ::ReleaseDC(window, dc);
}

void TransitionEffect::Blend(CIplImage* imageA, CIplImage* imageB, CIplImage* output, CIplAlphaMask* mask, INT left,
                             INT top, INT right, INT bottom, double progress, INT frameCount, INT, INT height,
                             INT bottomUp)
{
    if (!HasPixels(imageA) || !HasPixels(imageB) || !HasPixels(output))
        return;
    progress = LimitProgress(progress);
    const INT family = m_pParams->m_nFamily;
    if (family == 1) {
        INT alpha = 255;
        if (frameCount > 0)
            alpha = std::clamp(static_cast<INT>(progress * 255.0), 0, 255);
        imageA->BlendConstant(imageB, alpha, output);
        return;
    }
    if (family == 10) {
        RenderImages(imageA, imageB, output, left, top, right, bottom, static_cast<float>(progress), bottomUp);
        return;
    }
    if (mask == nullptr || mask->GetImage() == nullptr || mask->GetImage()->imageData == nullptr)
        return;
    IplImage* maskImage = mask->GetImage();
    const RECT rect{left, top, right, bottom};
    RECT movedA = rect;
    RECT movedB = rect;
    if (HDC dc = mask->GetDC(); dc != nullptr) {
        DrawPreview(dc, left, top, right, bottom, static_cast<float>(progress), &movedA, &movedB);
        mask->ReleaseDC(1);
    } else {
        // Without a drawing surface the figure is rasterised straight into
        // the mask, with the same pixel rules.
        TransitionRaster raster(reinterpret_cast<BYTE*>(maskImage->imageData), maskImage->width, maskImage->height,
                                maskImage->widthStep, POINT{0, 0});
        DrawFigure(raster, rect, static_cast<float>(progress), &movedA, &movedB);
    }
    maskImage = mask->GetImage();
    if (maskImage == nullptr)
        return;
    const INT style = m_pParams->m_nStyle;
    if (style == 3 || style == 4 || style == 5) {
        const IplImage* a = imageA->GetImage();
        const RECT frame{0, 0, a->width, a->height};
        SlidePictures(style, imageA, imageB, output, Intersect(rect, frame), MirrorRows(movedA, height),
                      MirrorRows(movedB, height));
        return;
    }
    // The record may hold anything a file or a panel wrote; an unchecked
    // negative softness would make a kernel of no pixels.
    const INT softness = TransitionParams::ClampSoftness(m_pParams->m_nSoftness);
    if (softness != 0)
        iplBlur(maskImage, maskImage, 2 * softness + 1, 2 * softness + 1, softness, softness);
    imageA->BlendWithMask(imageB, mask, output);
}

void DoorTransition::RenderImages(CIplImage* imageA, CIplImage* imageB, CIplImage* output, INT, INT, INT, INT,
                                  float progress, INT bottomUp)
{
    if (!HasPixels(imageA) || !HasPixels(imageB) || !HasPixels(output))
        return;
    progress = static_cast<float>(LimitProgress(progress));
    const bool style1 = m_pParams->m_nStyle == 1;
    CIplImage* moving = style1 ? imageB : imageA;
    output->CopyFrom(style1 ? imageA : imageB);
    const double q = style1 ? 1.0 - progress : progress;
    INT direction = m_pParams->m_nDirection;
    if (bottomUp != 0 && (direction == 1 || direction == 5))
        direction = 6 - direction;

    const IplImage* src = moving->GetImage();
    IplImage* dst = output->GetImage();
    if (src->nChannels != 3 || dst->nChannels != 3)
        return;
    const INT w = std::min(src->width, dst->width);
    const INT h = std::min(src->height, dst->height);
    if (w <= 0 || h <= 0)
        return;
    const double theta = q * std::numbers::pi / 2.0;
    const double sine = std::clamp(std::sin(theta), 0.0, 1.0);
    const double cosine = std::clamp(std::cos(theta), 0.0, 1.0);
    const double depth = 2.0 * w;
    // Rows are stepped by each image's own row length: frame rows are
    // padded, so 3 x width bytes would skew every width not a multiple of 8.
    auto srcPixel = [&](INT x, INT y) {
        return reinterpret_cast<const BYTE*>(src->imageData) + static_cast<std::ptrdiff_t>(y) * src->widthStep + 3 * x;
    };
    auto put = [&](INT x, INT y, const BYTE* pixel) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        std::memcpy(reinterpret_cast<BYTE*>(dst->imageData) + static_cast<std::ptrdiff_t>(y) * dst->widthStep + 3 * x,
                    pixel, 3);
    };
    auto copyColumn = [&](INT x, INT to, double k) {
        const INT offset = static_cast<INT>((1.0 - k) * h * 0.5);
        for (INT y = 0; y < h; ++y)
            put(to, static_cast<INT>(y * k) + offset, srcPixel(x, y));
    };
    auto copyRow = [&](INT y, INT to, double k) {
        const INT offset = static_cast<INT>((w - w * k) * 0.5);
        for (INT x = 0; x < w; ++x)
            put(static_cast<INT>(x * k) + offset, to, srcPixel(x, y));
    };
    switch (direction) {
    case 3:
        for (INT x = 0; x < w; ++x)
            copyColumn(x, static_cast<INT>(x * cosine), depth / (depth + x * sine));
        break;
    case 7:
        for (INT x = 0; x < w; ++x)
            copyColumn(x, static_cast<INT>(x + (w - x) * (1.0 - cosine)),
                       depth / (depth + static_cast<INT>((w - x) * sine)));
        break;
    case 5:
        for (INT y = 0; y < h; ++y)
            copyRow(y, static_cast<INT>(y * cosine), depth / (depth + static_cast<INT>(y * sine)));
        break;
    case 1:
        for (INT y = 0; y < h; ++y)
            copyRow(y, std::min(static_cast<INT>(y + (h - y) * (1.0 - cosine)), h - 1),
                    depth / (depth + static_cast<INT>((h - y) * sine)));
        break;
    default:
        break;
    }
}
