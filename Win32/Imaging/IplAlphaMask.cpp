#include "Win32/Imaging/IplAlphaMask.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Imaging/IplImage.h"

namespace {

// The part of a 3-channel source that a key scans, cut to the mask's size.
struct ScanArea {
    const BYTE* first = nullptr;
    int step = 0;
    int pixelStep = 0;
    int width = 0;
    int height = 0;
};

bool FindScanArea(const CIplImage* source, const IplImage* mask, ScanArea& area)
{
    if (source == nullptr || mask == nullptr || mask->imageData == nullptr)
        return false;
    const IplImage* image = source->GetImage();
    if (image == nullptr || image->imageData == nullptr || image->nChannels < 3 || image->depth != IPL_DEPTH_8U)
        return false;
    int x = 0;
    int y = 0;
    int width = image->width;
    int height = image->height;
    if (const IplROI* roi = image->roi) {
        if (roi->xOffset < 0 || roi->yOffset < 0 || roi->width <= 0 || roi->height <= 0
            || std::int64_t{roi->xOffset} + roi->width > image->width
            || std::int64_t{roi->yOffset} + roi->height > image->height)
            return false;
        x = roi->xOffset;
        y = roi->yOffset;
        width = roi->width;
        height = roi->height;
    }
    area.first = reinterpret_cast<const BYTE*>(image->imageData) + static_cast<std::ptrdiff_t>(y) * image->widthStep
        + static_cast<std::ptrdiff_t>(x) * image->nChannels;
    area.step = image->widthStep;
    area.pixelStep = image->nChannels;
    area.width = std::min(width, mask->width);
    area.height = std::min(height, mask->height);
    return true;
}

// The key's bytes in pixel order: blue (bits 16-23), green, red (bits 0-7).
void KeyBytes(COLORREF key, int (&k)[3])
{
    k[0] = GetBValue(key);
    k[1] = GetGValue(key);
    k[2] = GetRValue(key);
}

// What one byte of one channel says under the soft key.
struct SoftKeyChannel {
    bool inner[256];
    bool outer[256];
    BYTE ramp[256];

    void Build(int key, int h)
    {
        const int innerLow = std::max(key - h, 0) & 0xF8;
        const int innerHigh = std::min(key + h, 255) & 0xF8;
        const int outerLow = std::max(key - 3 * h, 0) & 0xF8;
        const int outerHigh = std::min(key + 3 * h, 255) & 0xF8;
        for (int v = 0; v < 256; ++v) {
            const int q = v & 0xF8;
            inner[v] = q >= innerLow && q <= innerHigh;
            outer[v] = q >= outerLow && q <= outerHigh;
            ramp[v] = 0;
            if (h != 0) {
                const int d = std::max(std::abs(q - key) - h, 0);
                const double level = static_cast<double>(d) / (2.0 * h) * 255.0 + 0.5;
                ramp[v] = static_cast<BYTE>(std::clamp(static_cast<int>(level), 0, 255));
            }
        }
    }
};

} // namespace

CIplAlphaMask::CIplAlphaMask(int width, int height)
{
    Reset();
    m_pMask = CreateMaskImage(width, height);
}

CIplAlphaMask::~CIplAlphaMask()
{
    Free();
}

void CIplAlphaMask::Reset()
{
    m_pMask = nullptr;
    m_pWork = nullptr;
    m_pInfo = nullptr;
    m_hDC = nullptr;
    m_hBitmap = nullptr;
    m_hOldBitmap = nullptr;
}

IplImage* CIplAlphaMask::CreateMaskImage(int width, int height)
{
    IplImage* image = iplCreateImageHeader(1, 0, IPL_DEPTH_8U, "A", "A", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_TL,
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

IplImage* CIplAlphaMask::CreateWorkImage(int width, int height)
{
    IplImage* image = iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "RGB", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_TL,
                                           IPL_ALIGN_DWORD, width, height, nullptr, nullptr, nullptr, nullptr);
    if (image == nullptr || iplGetErrStatus() < 0)
        return nullptr;
    iplAllocateImage(image, 1, 0);
    if (iplGetErrStatus() < 0) {
        iplDeallocateHeader(image);
        return nullptr;
    }
    image->roi = iplCreateROI(1, 0, 0, width, height);
    if (image->roi == nullptr) {
        iplDeallocate(image, IPL_IMAGE_ALL);
        return nullptr;
    }
    return image;
}

void CIplAlphaMask::BuildBitmapInfo()
{
    if (m_pMask == nullptr)
        return;
    delete m_pInfo;
    m_pInfo = new (std::nothrow) BITMAPINFOHEADER{};
    if (m_pInfo == nullptr)
        return;
    m_pInfo->biSize = sizeof(BITMAPINFOHEADER);
    m_pInfo->biWidth = m_pMask->width;
    m_pInfo->biHeight = m_pMask->height;
    m_pInfo->biPlanes = 1;
    m_pInfo->biBitCount = 24;
    m_pInfo->biCompression = BI_RGB;
    m_pInfo->biSizeImage = static_cast<DWORD>(m_pMask->imageSize);
}

IplImage* CIplAlphaMask::GetWorkImage()
{
    if (m_pMask == nullptr)
        return nullptr;
    if (m_pWork == nullptr)
        m_pWork = CreateWorkImage(m_pMask->width, m_pMask->height);
    return m_pWork;
}

HDC CIplAlphaMask::GetDC()
{
    if (m_pMask == nullptr || GetWorkImage() == nullptr)
        return nullptr;
    if (m_hDC != nullptr)
        return m_hDC;
    if (m_pInfo == nullptr) {
        BuildBitmapInfo();
        if (m_pInfo == nullptr)
            return nullptr;
    }
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (dc == nullptr)
        return nullptr;
    // Compatible with the fresh memory DC, which holds a monochrome bitmap:
    // the drawing becomes two-level.
    HBITMAP bitmap = ::CreateDIBitmap(dc, m_pInfo, CBM_INIT, m_pWork->imageData,
                                      reinterpret_cast<const BITMAPINFO*>(m_pInfo), DIB_RGB_COLORS);
    if (bitmap == nullptr) {
        ::DeleteDC(dc);
        return nullptr;
    }
    m_hOldBitmap = ::SelectObject(dc, bitmap);
    m_hBitmap = bitmap;
    m_hDC = dc;
    return m_hDC;
}

void CIplAlphaMask::ReleaseDC(int mirror)
{
    if (m_hDC == nullptr)
        return;
    // GDI hands the rows back bottom-up.
    ::GetDIBits(m_hDC, m_hBitmap, 0, static_cast<UINT>(m_pMask->height), m_pWork->imageData,
                reinterpret_cast<BITMAPINFO*>(m_pInfo), DIB_RGB_COLORS);
    ::SelectObject(m_hDC, m_hOldBitmap);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_hBitmap = nullptr;
    m_hOldBitmap = nullptr;
    CopyWorkToMask(mirror);
}

void CIplAlphaMask::CopyWorkToMask(int mirror)
{
    if (m_pMask == nullptr || m_pWork == nullptr)
        return;
    CIplImage::SetChannelOfInterest(m_pWork, 1);
    iplCopy(m_pWork, m_pMask);
    if (mirror != 0)
        Mirror(0);
}

void CIplAlphaMask::BuildColorKey(const CIplImage* source, COLORREF key, int percent)
{
    ScanArea area;
    if (!FindScanArea(source, m_pMask, area))
        return;
    int k[3];
    KeyBytes(key, k);
    const auto opaque = static_cast<BYTE>(std::clamp<std::int64_t>(std::int64_t{percent} * 255 / 100, 0, 255));
    for (int y = 0; y < area.height; ++y) {
        const BYTE* in = area.first + static_cast<std::ptrdiff_t>(y) * area.step;
        BYTE* out = reinterpret_cast<BYTE*>(m_pMask->imageData) + static_cast<std::ptrdiff_t>(y) * m_pMask->widthStep;
        for (int x = 0; x < area.width; ++x) {
            const BYTE* p = in + static_cast<std::ptrdiff_t>(x) * area.pixelStep;
            out[x] = (p[0] == k[0] && p[1] == k[1] && p[2] == k[2]) ? 0 : opaque;
        }
    }
}

void CIplAlphaMask::BuildSoftColorKey(const CIplImage* source, COLORREF key, int percent)
{
    ScanArea area;
    if (!FindScanArea(source, m_pMask, area))
        return;
    int k[3];
    KeyBytes(key, k);
    // A black key cannot be matched exactly on real video, whose blacks are
    // never quite 0.
    if (k[0] <= 2 && k[1] <= 2 && k[2] <= 2 && percent == 100)
        percent = 97;
    const int h = static_cast<int>(std::clamp((100.0 - percent) * 2.55, -1024.0, 1024.0));
    SoftKeyChannel channel[3];
    for (int c = 0; c < 3; ++c)
        channel[c].Build(k[c], h);
    for (int y = 0; y < area.height; ++y) {
        const BYTE* in = area.first + static_cast<std::ptrdiff_t>(y) * area.step;
        BYTE* out = reinterpret_cast<BYTE*>(m_pMask->imageData) + static_cast<std::ptrdiff_t>(y) * m_pMask->widthStep;
        for (int x = 0; x < area.width; ++x) {
            const BYTE* p = in + static_cast<std::ptrdiff_t>(x) * area.pixelStep;
            BYTE value = 255;
            if (channel[0].inner[p[0]] && channel[1].inner[p[1]] && channel[2].inner[p[2]])
                value = 0;
            else if (h != 0 && channel[0].outer[p[0]] && channel[1].outer[p[1]] && channel[2].outer[p[2]])
                value = std::max({channel[0].ramp[p[0]], channel[1].ramp[p[1]], channel[2].ramp[p[2]]});
            out[x] = value;
        }
    }
}

void CIplAlphaMask::Mirror(int flag)
{
    if (m_pMask == nullptr)
        return;
    const IplROI* roi = m_pMask->roi;
    IplImage* mirrored = CreateMaskImage(roi != nullptr ? roi->width : m_pMask->width,
                                         roi != nullptr ? roi->height : m_pMask->height);
    if (mirrored == nullptr)
        return;
    iplMirror(m_pMask, mirrored, flag != 0 ? 1 : 0);
    iplDeallocate(m_pMask, IPL_IMAGE_ALL);
    m_pMask = mirrored;
}

void CIplAlphaMask::Free()
{
    ReleaseDC(0);
    if (m_pMask != nullptr)
        iplDeallocate(m_pMask, IPL_IMAGE_ALL);
    if (m_pWork != nullptr)
        iplDeallocate(m_pWork, IPL_IMAGE_ALL);
    delete m_pInfo;
    Reset();
}
