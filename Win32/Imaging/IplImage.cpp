#include "Win32/Imaging/IplImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/User/User.h"
#include "Win32/Imaging/ColorAdjust.h"
#include "Win32/Imaging/IplAlphaMask.h"

namespace {

RECT WholeImage(const IplImage* image)
{
    return RECT{0, 0, image->width, image->height};
}

// The ROI's size, or the image's without one.
SIZE RegionSize(const IplImage* image)
{
    if (image->roi != nullptr)
        return SIZE{image->roi->width, image->roi->height};
    return SIZE{image->width, image->height};
}

void SetImageRoi(IplImage* image, const RECT& rect, int coi)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (image->roi != nullptr)
        iplSetROI(image->roi, coi, rect.left, rect.top, width, height);
    else
        image->roi = iplCreateROI(coi, rect.left, rect.top, width, height);
}

void Release(IplImage* image)
{
    if (image != nullptr)
        iplDeallocate(image, IPL_IMAGE_ALL);
}

// The frame rows that a field operation touches.
int FieldRows(const IplImage* frame, const IplImage* field)
{
    const std::int64_t twice = std::int64_t{2} * field->height;
    return twice < frame->height ? static_cast<int>(twice) : frame->height;
}

void CopyRow(const IplImage* from, int fromRow, IplImage* to, int toRow)
{
    if (fromRow >= from->height || toRow >= to->height || from->imageData == nullptr || to->imageData == nullptr)
        return;
    std::memcpy(to->imageData + static_cast<std::ptrdiff_t>(toRow) * to->widthStep,
                from->imageData + static_cast<std::ptrdiff_t>(fromRow) * from->widthStep,
                static_cast<std::size_t>(std::min(from->widthStep, to->widthStep)));
}

bool HasImage(const CIplImage* image)
{
    return image != nullptr && image->GetImage() != nullptr;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

struct DibKind {
    WORD bits;
    DWORD compression;
    DWORD tableEntries;
    DWORD maskBytes;
};

constexpr DibKind kDibKinds[] = {
    {8, BI_RGB, 256, 0},
    {16, BI_RGB, 0, 0},
    {16, BI_BITFIELDS, 0, 12},
    {24, BI_RGB, 0, 0},
    {32, BI_RGB, 0, 0},
};

constexpr DWORD kMasks565[3] = {0xF800, 0x07E0, 0x001F};

std::int64_t DibStride(std::int64_t width, int bits)
{
    return (width * bits / 8 + 3) / 4 * 4;
}

// The extent from `from` to `to`, or false when it does not fit an int.
bool Extent(LONG from, LONG to, int* extent)
{
    const std::int64_t e = std::int64_t{to} - from;
    if (e < std::numeric_limits<int>::min() || e > std::numeric_limits<int>::max())
        return false;
    *extent = static_cast<int>(e);
    return true;
}

// The bitmap's pixels as a 24-bit DIB read through a memory DC of the
// screen; null when the DIB cannot be made or filled.
BITMAPINFOHEADER* ReadBitmapAsDib(HBITMAP bitmap)
{
    BITMAP info{};
    if (GetObject(bitmap, sizeof info, &info) == 0)
        return nullptr;
    BITMAPINFOHEADER* dib = AllocDib(3, info.bmWidth, info.bmHeight);
    if (dib == nullptr)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    int lines = 0;
    if (memory != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(info.bmHeight), GetDibBits(dib),
                          reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
        if (previous != nullptr && previous != HGDI_ERROR)
            SelectObject(memory, previous);
        DeleteDC(memory);
    }
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    if (lines != info.bmHeight) {
        FreeDib(dib);
        return nullptr;
    }
    return dib;
}

} // namespace

CIplImage::CIplImage(int width, int height, unsigned fillColor) : m_pImage(CreateIplRgbImage(width, height))
{
    if (m_pImage == nullptr || fillColor == 0)
        return;
    // One pass over the pixels: the first row is laid out, the others copy
    // it (the colour scenes make one such image per frame).
    const char pixel[3] = {static_cast<char>(GetBValue(fillColor)), static_cast<char>(GetGValue(fillColor)),
                           static_cast<char>(GetRValue(fillColor))};
    char* first = m_pImage->imageData;
    const std::size_t rowBytes = static_cast<std::size_t>(m_pImage->width) * 3;
    for (std::size_t x = 0; x < rowBytes; x += 3)
        std::memcpy(first + x, pixel, 3);
    for (int y = 1; y < m_pImage->height; ++y)
        std::memcpy(first + static_cast<std::ptrdiff_t>(y) * m_pImage->widthStep, first, rowBytes);
}

CIplImage::CIplImage(const CIplImage* source)
{
    if (!HasImage(source))
        return;
    IplImage* from = source->m_pImage;
    m_pImage = CreateIplRgbImage(from->width, from->height);
    if (m_pImage == nullptr)
        return;
    if (from->roi == nullptr) {
        iplCopy(from, m_pImage);
        return;
    }
    RECT saved{};
    int coi = 0;
    source->GetRoi(&saved, &coi);
    SetImageRoi(from, WholeImage(from), 0);
    iplCopy(from, m_pImage);
    SetImageRoi(from, saved, coi);
}

CIplImage::CIplImage(BITMAPINFOHEADER* dib, bool deleteDib) : m_pImage(CreateIplImageFromDib(dib))
{
    if (deleteDib)
        FreeDib(dib);
}

CIplImage::CIplImage(UINT resourceId)
{
    LPCSTR name = MAKEINTRESOURCEA(resourceId);
    HBITMAP bitmap = LoadBitmapA(AfxFindResourceHandle(name, RT_BITMAP), name);
    if (bitmap == nullptr)
        return;
    BITMAPINFOHEADER* dib = ReadBitmapAsDib(bitmap);
    DeleteObject(bitmap);
    m_pImage = CreateIplImageFromDib(dib);
    FreeDib(dib);
}

CIplImage::~CIplImage()
{
    Free();
}

void CIplImage::Attach(IplImage* image)
{
    m_pImage = image;
}

void CIplImage::Free()
{
    Release(m_pImage);
    m_pImage = nullptr;
}

void CIplImage::Clear()
{
    m_pImage = nullptr;
}

IplImage* CIplImage::ScaleTo(int width, int height) const
{
    if (m_pImage == nullptr)
        return nullptr;
    const int w = m_pImage->width;
    const int h = m_pImage->height;
    if (width == w && height == h)
        return nullptr;
    IplImage* result = CreateIplRgbImage(width, height);
    if (result == nullptr)
        return nullptr;
    if (width >= w && height >= h) {
        iplZoom(m_pImage, result, width, w, height, h, IPL_INTER_LINEAR);
    } else if (width <= w && height <= h) {
        iplDecimate(m_pImage, result, width, w, height, h, IPL_INTER_LINEAR);
    } else {
        // One axis grows and the other shrinks: the width changes first,
        // by nearest neighbour, then the height, linearly.
        IplImage* middle = CreateIplRgbImage(width, h);
        if (middle == nullptr) {
            Release(result);
            return nullptr;
        }
        if (width > w) {
            iplZoom(m_pImage, middle, width, w, h, h, IPL_INTER_NN);
            if (iplGetErrStatus() >= 0)
                iplDecimate(middle, result, width, width, height, h, IPL_INTER_LINEAR);
        } else {
            iplDecimate(m_pImage, middle, width, w, h, h, IPL_INTER_NN);
            if (iplGetErrStatus() >= 0)
                iplZoom(middle, result, width, width, height, h, IPL_INTER_LINEAR);
        }
        Release(middle);
    }
    if (iplGetErrStatus() < 0) {
        Release(result);
        return nullptr;
    }
    return result;
}

void CIplImage::Resize(int width, int height)
{
    IplImage* scaled = ScaleTo(width, height);
    if (scaled == nullptr)
        return;
    Release(m_pImage);
    m_pImage = scaled;
}

CIplImage* CIplImage::CreateResized(int width, int height) const
{
    IplImage* scaled = ScaleTo(width, height);
    if (scaled == nullptr)
        return nullptr;
    auto* image = new (std::nothrow) CIplImage();
    if (image == nullptr) {
        Release(scaled);
        return nullptr;
    }
    image->Attach(scaled);
    return image;
}

void CIplImage::SetRoi(const RECT* rect, int coi)
{
    if (m_pImage != nullptr && rect != nullptr)
        SetImageRoi(m_pImage, *rect, coi);
}

int CIplImage::GetRoi(RECT* rect, int* coi) const
{
    if (m_pImage == nullptr)
        return 0;
    if (const IplROI* roi = m_pImage->roi) {
        if (rect != nullptr)
            *rect = RECT{roi->xOffset, roi->yOffset, roi->xOffset + roi->width, roi->yOffset + roi->height};
        if (coi != nullptr)
            *coi = roi->coi;
        return 1;
    }
    if (rect != nullptr)
        *rect = WholeImage(m_pImage);
    if (coi != nullptr)
        *coi = 0;
    return 1;
}

void CIplImage::FreeRoi()
{
    if (m_pImage != nullptr && m_pImage->roi != nullptr)
        iplDeallocate(m_pImage, IPL_IMAGE_ROI);
}

int CIplImage::SetChannelOfInterest(IplImage* image, int coi)
{
    if (image == nullptr)
        return 0;
    if (image->roi != nullptr) {
        const int previous = image->roi->coi;
        image->roi->coi = coi;
        return previous;
    }
    image->roi = iplCreateROI(coi, 0, 0, image->width, image->height);
    return 0;
}

void CIplImage::CopyFrom(const CIplImage* other)
{
    if (m_pImage != nullptr && HasImage(other))
        iplCopy(other->m_pImage, m_pImage);
}

void CIplImage::Mirror(int flag)
{
    if (m_pImage == nullptr)
        return;
    const SIZE size = RegionSize(m_pImage);
    IplImage* mirrored = CreateIplRgbImage(size.cx, size.cy);
    if (mirrored == nullptr)
        return;
    iplMirror(m_pImage, mirrored, flag != 0 ? 1 : 0);
    Release(m_pImage);
    m_pImage = mirrored;
}

void CIplImage::FillChannel(int channel, int value)
{
    if (m_pImage == nullptr)
        return;
    const int previous = SetChannelOfInterest(m_pImage, channel);
    iplSet(m_pImage, value);
    SetChannelOfInterest(m_pImage, previous);
}

void CIplImage::FillColor(COLORREF color)
{
    FillChannel(1, GetBValue(color));
    FillChannel(2, GetGValue(color));
    FillChannel(3, GetRValue(color));
}

int CIplImage::BlendConstant(const CIplImage* source, int alpha, CIplImage* destination)
{
    const int alphaA = alpha > 255 ? 0 : 255 - alpha;
    if (m_pImage == nullptr || !HasImage(source))
        return 0;
    IplImage* target = nullptr;
    if (destination != nullptr) {
        target = destination->m_pImage;
    } else {
        const SIZE size = RegionSize(m_pImage);
        target = CreateIplRgbImage(size.cx, size.cy);
    }
    if (target == nullptr)
        return 0;
    iplAlphaCompositeC(m_pImage, source->m_pImage, target, IPL_COMPOSITE_OVER, alphaA, alpha, FALSE, TRUE);
    if (destination == nullptr) {
        iplCopy(target, m_pImage);
        Release(target);
    }
    return 1;
}

int CIplImage::BlendWithMask(const CIplImage* source, const CIplAlphaMask* mask, CIplImage* destination)
{
    if (m_pImage == nullptr || !HasImage(source) || mask == nullptr || mask->GetImage() == nullptr)
        return 0;
    IplImage* target = nullptr;
    if (destination != nullptr) {
        target = destination->m_pImage;
    } else {
        const SIZE size = RegionSize(m_pImage);
        target = CreateIplRgbImage(size.cx, size.cy);
    }
    if (target == nullptr)
        return 0;
    iplAlphaComposite(source->m_pImage, m_pImage, target, IPL_COMPOSITE_OVER, mask->GetImage(), nullptr, nullptr,
                      FALSE, TRUE);
    if (destination == nullptr) {
        iplCopy(target, m_pImage);
        Release(target);
    }
    return 1;
}

void CIplImage::AdjustColors(int red, int green, int blue, int saturation, int brightness, int contrast)
{
    if (m_pImage == nullptr)
        return;
    if (red == 0 && green == 0 && blue == 0 && saturation == 0 && brightness == 0 && contrast == 0)
        return;
    const ColorAdjustGains gains = ComputeColorAdjustGains(
        contrast * 0.3 + 50.0, brightness * 0.3 + 50.0, saturation * 0.5 + 50.0, (red + 256.0) * 0.1953125,
        (green + 256.0) * 0.1953125, (blue + 256.0) * 0.1953125);
    // Row by row, so that the fill bytes at the end of padded rows are
    // skipped rather than taken for pixels.
    if (m_pImage->nChannels == 3 && m_pImage->depth == IPL_DEPTH_8U && m_pImage->imageData != nullptr) {
        for (int y = 0; y < m_pImage->height; ++y)
            ApplyColorAdjustment(gains, m_pImage->width,
                                 reinterpret_cast<BYTE*>(m_pImage->imageData) + static_cast<std::ptrdiff_t>(y) * m_pImage->widthStep);
    }
    iplDeallocate(m_pImage, IPL_IMAGE_ROI);
}

int CIplImage::ToDib(BITMAPINFOHEADER* dib) const
{
    if (dib == nullptr || m_pImage == nullptr)
        return 0;
    IplToDib(dib, m_pImage, IPL_DITHER_FS, IPL_PALCONV_NONE);
    return 1;
}

void CIplImage::Draw(HDC dc, const RECT& rect) const
{
    int width = 0;
    int height = 0;
    if (m_pImage == nullptr || !Extent(rect.left, rect.right, &width) || !Extent(rect.top, rect.bottom, &height))
        return;
    BITMAPINFOHEADER* dib = AllocDib(3, m_pImage->width, m_pImage->height);
    if (ToDib(dib) != 0) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, rect.left, rect.top, width, height, 0, 0, m_pImage->width, m_pImage->height,
                      GetDibBits(dib), reinterpret_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS, SRCCOPY);
    }
    FreeDib(dib);
}

IplImage* CreateIplRgbImage(int width, int height)
{
    IplImage* image = iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_TL,
                                           IPL_ALIGN_QWORD, width, height, nullptr, nullptr, nullptr, nullptr);
    if (image == nullptr || iplGetErrStatus() < 0)
        return nullptr;
    iplAllocateImage(image, 1, 0);
    if (iplGetErrStatus() < 0) {
        iplDeallocateHeader(image);
        return nullptr;
    }
    return image;
}

IplImage* CreateIplImageFromDib(const BITMAPINFOHEADER* dib)
{
    if (dib == nullptr || dib->biHeight == std::numeric_limits<LONG>::min())
        return nullptr;
    IplImage* image = CreateIplRgbImage(dib->biWidth, dib->biHeight < 0 ? -dib->biHeight : dib->biHeight);
    if (image == nullptr)
        return nullptr;
    iplConvertFromDIB(dib, image);
    if (iplGetErrStatus() < 0) {
        Release(image);
        return nullptr;
    }
    return image;
}

void IplToDib(BITMAPINFOHEADER* dib, const IplImage* image, int dither, int paletteConversion)
{
    if (dib != nullptr)
        iplConvertToDIB(image, dib, dither, paletteConversion);
}

BITMAPINFOHEADER* AllocDib(int kind, int width, int height)
{
    if (kind < 0 || kind >= static_cast<int>(std::size(kDibKinds)) || width <= 0 || height <= 0)
        return nullptr;
    const DibKind& k = kDibKinds[kind];
    const std::int64_t sizeImage = DibStride(width, k.bits) * height;
    const std::int64_t total = static_cast<std::int64_t>(sizeof(BITMAPINFOHEADER)) + 4 * k.tableEntries + k.maskBytes
        + sizeImage;
    if (total > std::numeric_limits<LONG>::max())
        return nullptr;
    auto* block = new (std::nothrow) BYTE[static_cast<std::size_t>(total)]();
    if (block == nullptr)
        return nullptr;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = k.bits;
    header->biCompression = k.compression;
    header->biSizeImage = static_cast<DWORD>(sizeImage);
    header->biClrUsed = k.tableEntries;
    header->biClrImportant = k.tableEntries;
    if (k.maskBytes != 0)
        std::memcpy(block + sizeof(BITMAPINFOHEADER), kMasks565, sizeof kMasks565);
    return header;
}

void FreeDib(BITMAPINFOHEADER* dib)
{
    delete[] reinterpret_cast<BYTE*>(dib);
}

BYTE* GetDibBits(BITMAPINFOHEADER* dib)
{
    if (dib == nullptr)
        return nullptr;
    BYTE* bits = reinterpret_cast<BYTE*>(dib) + dib->biSize;
    switch (dib->biBitCount) {
    case 8:
        return bits + 256 * sizeof(RGBQUAD);
    case 16:
        return dib->biCompression == BI_BITFIELDS ? bits + sizeof kMasks565 : bits;
    case 24:
    case 32:
        return bits;
    default:
        return nullptr;
    }
}

int GetDibStride(const BITMAPINFOHEADER* dib)
{
    if (dib == nullptr)
        return 0;
    const int bits = dib->biBitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return 0;
    const std::int64_t stride = DibStride(dib->biWidth, bits);
    return stride > 0 && stride <= std::numeric_limits<int>::max() ? static_cast<int>(stride) : 0;
}

void SplitFields(CIplImage* frame, CIplImage* first, CIplImage* second)
{
    if (!HasImage(frame) || !HasImage(first) || !HasImage(second))
        return;
    const IplImage* f = frame->GetImage();
    const int rows = FieldRows(f, first->GetImage());
    for (int k = 0; 2 * k < rows; ++k) {
        CopyRow(f, 2 * k, first->GetImage(), k);
        if (2 * k + 1 < rows)
            CopyRow(f, 2 * k + 1, second->GetImage(), k);
    }
}

void ExtractField(CIplImage* frame, CIplImage* field)
{
    if (!HasImage(frame) || !HasImage(field))
        return;
    const IplImage* f = frame->GetImage();
    const int rows = FieldRows(f, field->GetImage());
    for (int k = 0; 2 * k < rows; ++k)
        CopyRow(f, 2 * k, field->GetImage(), k);
}

void InterleaveFields(CIplImage* frame, CIplImage* first, CIplImage* second)
{
    if (!HasImage(frame) || !HasImage(first) || !HasImage(second))
        return;
    IplImage* f = frame->GetImage();
    const int rows = FieldRows(f, first->GetImage());
    for (int k = 0; 2 * k < rows; ++k) {
        CopyRow(first->GetImage(), k, f, 2 * k);
        if (2 * k + 1 < rows)
            CopyRow(second->GetImage(), k, f, 2 * k + 1);
    }
}

void CompositeImageIntoRect(CIplImage* destination, CIplImage* source, int interlaced, const CompositeParams* params,
                            const RECT* rect)
{
    if (params == nullptr || rect == nullptr)
        return;
    if (params->m_nMode == CompositeParams::kConstantOpacity && params->m_nPercent == 0)
        return;
    if (!HasImage(destination) || !HasImage(source))
        return;
    const RECT visible = Intersect(*rect, WholeImage(destination->GetImage()));
    if (visible.right <= visible.left || visible.bottom <= visible.top)
        return;
    const RECT sourcePart{visible.left - rect->left, visible.top - rect->top, visible.right - rect->left,
                          visible.bottom - rect->top};
    const std::int64_t width64 = std::int64_t{rect->right} - rect->left;
    const std::int64_t height64 = std::int64_t{rect->bottom} - rect->top;
    if (width64 > std::numeric_limits<int>::max() || height64 > std::numeric_limits<int>::max())
        return;
    const int width = static_cast<int>(width64);
    const int height = static_cast<int>(height64);

    // A source of another size is scaled into an image of our own; the
    // caller's image keeps its size.
    std::unique_ptr<CIplImage> scaled;
    CIplImage* work = source;
    const IplImage* s = source->GetImage();
    if (s->width != width || s->height != height) {
        if (interlaced != 0) {
            CIplImage first(s->width, s->height / 2, 0);
            CIplImage second(s->width, s->height / 2, 0);
            if (first.GetImage() == nullptr || second.GetImage() == nullptr)
                return;
            SplitFields(source, &first, &second);
            first.Resize(width, height / 2);
            second.Resize(width, height / 2);
            scaled.reset(new (std::nothrow) CIplImage(width, height, 0));
            if (!HasImage(scaled.get()))
                return;
            InterleaveFields(scaled.get(), &first, &second);
        } else {
            scaled.reset(source->CreateResized(width, height));
            if (scaled == nullptr)
                return;
        }
        work = scaled.get();
    }

    destination->SetRoi(&visible, 0);
    work->SetRoi(&sourcePart, 0);
    const int partWidth = sourcePart.right - sourcePart.left;
    const int partHeight = sourcePart.bottom - sourcePart.top;
    const auto key = static_cast<COLORREF>(params->m_crKey);
    switch (params->m_nMode) {
    case CompositeParams::kSoftColorKey:
    case CompositeParams::kExactColorKey: {
        CIplAlphaMask mask(partWidth, partHeight);
        if (mask.GetImage() == nullptr)
            break;
        if (params->m_nMode == CompositeParams::kSoftColorKey)
            mask.BuildSoftColorKey(work, key, params->m_nPercent);
        else
            mask.BuildColorKey(work, key, params->m_nPercent);
        destination->BlendWithMask(work, &mask);
        mask.Free();
        break;
    }
    case CompositeParams::kConstantOpacity:
        destination->BlendConstant(
            work, static_cast<int>(std::clamp<std::int64_t>(std::int64_t{params->m_nPercent} * 255 / 100, -1, 256)));
        break;
    default:
        break;
    }
    destination->FreeRoi();
    work->FreeRoi();
}
