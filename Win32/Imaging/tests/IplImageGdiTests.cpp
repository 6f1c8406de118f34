#include "Win32/Imaging/IplImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "TestResourceModule.h"

namespace {

using imaging_tests::Bytes;
using imaging_tests::ModuleImageOf;
using imaging_tests::Put16;
using imaging_tests::Put32;
using imaging_tests::TestResourceModule;

constexpr int kPictureWidth = 3;
constexpr int kPictureHeight = 2;
// Three pixels a row, so that IPL rows (8-byte aligned), DIB rows (4-byte
// aligned) and the packed pixels all differ in length.
constexpr COLORREF kPicture[kPictureHeight][kPictureWidth] = {
    {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
    {RGB(255, 255, 255), RGB(0, 0, 0), RGB(10, 20, 30)},
};
constexpr COLORREF kBackground = RGB(0x55, 0x66, 0x77);

COLORREF PixelOf(const CIplImage& image, int x, int y)
{
    const IplImage* i = image.GetImage();
    const auto* p = reinterpret_cast<const BYTE*>(i->imageData) + y * i->widthStep + x * 3;
    return RGB(p[2], p[1], p[0]);
}

std::unique_ptr<CIplImage> MakePictureImage()
{
    auto image = std::make_unique<CIplImage>(kPictureWidth, kPictureHeight, 0);
    const IplImage* i = image->GetImage();
    EXPECT_NE(i, nullptr);
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x) {
            auto* p = reinterpret_cast<BYTE*>(i->imageData) + y * i->widthStep + x * 3;
            p[0] = GetBValue(kPicture[y][x]);
            p[1] = GetGValue(kPicture[y][x]);
            p[2] = GetRValue(kPicture[y][x]);
        }
    return image;
}

// A memory DC on a 32-bit top-down DIB section filled with kBackground,
// whose pixels are read straight from the section's memory.
class DibSurface {
public:
    DibSurface(int width, int height) : m_width(width), m_height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        m_dc = CreateCompatibleDC(nullptr);
        m_previous = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = (GetRValue(kBackground) << 16) | (GetGValue(kBackground) << 8) | GetBValue(kBackground);
    }
    ~DibSurface()
    {
        SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF Pixel(int x, int y) const
    {
        const DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    DWORD* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_previous = nullptr;
};

std::unique_ptr<DibSurface> MakeDibSurface(int width, int height)
{
    auto surface = std::make_unique<DibSurface>(width, height);
    EXPECT_NE(surface->Dc(), nullptr);
    return surface;
}

// The picture as the surface should show it after drawing into `rect`,
// whose sides are whole multiples of the picture's (nearest neighbour).
COLORREF ExpectedPixel(const RECT& rect, int x, int y)
{
    if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom)
        return kBackground;
    const int sx = (x - rect.left) * kPictureWidth / (rect.right - rect.left);
    const int sy = (y - rect.top) * kPictureHeight / (rect.bottom - rect.top);
    return kPicture[sy][sx];
}

void ExpectSurfaceShows(const DibSurface& surface, const RECT& rect)
{
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            EXPECT_EQ(surface.Pixel(x, y), ExpectedPixel(rect, x, y)) << "at " << x << ", " << y;
}

void ExpectSurfaceUntouched(const DibSurface& surface)
{
    ExpectSurfaceShows(surface, RECT{0, 0, 0, 0});
}

TEST(CIplImageDraw, DrawsThePictureIntoTheRectangle)
{
    auto image = MakePictureImage();
    auto surface = MakeDibSurface(8, 5);
    SetStretchBltMode(surface->Dc(), HALFTONE);
    const RECT rect{2, 1, 2 + kPictureWidth, 1 + kPictureHeight};
    image->Draw(surface->Dc(), rect);
    ExpectSurfaceShows(*surface, rect);
    EXPECT_EQ(GetStretchBltMode(surface->Dc()), COLORONCOLOR) << "the DC keeps the mode Draw set";
    EXPECT_EQ(PixelOf(*image, 2, 1), kPicture[1][2]) << "the image is unchanged";
}

TEST(CIplImageDraw, StretchesByRepeatingPixels)
{
    const RECT cases[] = {
        {0, 0, 6, 2},
        {0, 0, 3, 6},
        {1, 1, 7, 5},
        {4, 2, 10, 6},  // partly outside the surface
    };
    for (const RECT& rect : cases) {
        SCOPED_TRACE(testing::Message() << "rect " << rect.left << "," << rect.top << "," << rect.right << ","
                                        << rect.bottom);
        auto image = MakePictureImage();
        auto surface = MakeDibSurface(8, 6);
        image->Draw(surface->Dc(), rect);
        ExpectSurfaceShows(*surface, rect);
    }
}

TEST(CIplImageDraw, NothingToDrawLeavesTheSurface)
{
    auto surface = MakeDibSurface(4, 4);
    CIplImage empty;
    empty.Draw(surface->Dc(), RECT{0, 0, 4, 4});
    ExpectSurfaceUntouched(*surface);

    auto image = MakePictureImage();
    image->Draw(surface->Dc(), RECT{2, 2, 2, 4});
    image->Draw(surface->Dc(), RECT{0, 0, 4, 0});
    ExpectSurfaceUntouched(*surface);
}

TEST(CIplImageDraw, ABadDcIsHarmless)
{
    auto image = MakePictureImage();
    image->Draw(nullptr, RECT{0, 0, 4, 4});
    image->Draw(reinterpret_cast<HDC>(static_cast<UINT_PTR>(0x7FFF1234)), RECT{0, 0, 4, 4});
    EXPECT_EQ(PixelOf(*image, 0, 0), kPicture[0][0]);
}

constexpr UINT kTrueColourBitmapId = 401;
constexpr UINT kPalettedBitmapId = 402;
constexpr UINT kDamagedBitmapId = 403;
constexpr UINT kDataOnlyId = 404;
constexpr WORD kRcData = 10;
constexpr WORD kBitmap = 2;

void PutHeader(Bytes& dib, WORD bits, DWORD colours)
{
    Put32(dib, sizeof(BITMAPINFOHEADER));
    Put32(dib, kPictureWidth);
    Put32(dib, kPictureHeight);
    Put16(dib, 1);
    Put16(dib, bits);
    Put32(dib, BI_RGB);
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, colours);
    Put32(dib, 0);
}

// The picture as a packed 24-bit DIB, bottom-up with rows padded to 4 bytes.
Bytes TrueColourPictureDib()
{
    Bytes dib;
    PutHeader(dib, 24, 0);
    for (int y = kPictureHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            dib.push_back(GetBValue(kPicture[y][x]));
            dib.push_back(GetGValue(kPicture[y][x]));
            dib.push_back(GetRValue(kPicture[y][x]));
        }
        dib.resize((dib.size() + 3) / 4 * 4, 0);
    }
    return dib;
}

// The picture as a packed 8-bit DIB whose table holds its six colours.
Bytes PalettedPictureDib()
{
    Bytes dib;
    PutHeader(dib, 8, kPictureWidth * kPictureHeight);
    for (const auto& row : kPicture)
        for (COLORREF c : row)
            Put32(dib, (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    for (int y = kPictureHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kPictureWidth; ++x)
            dib.push_back(static_cast<BYTE>(y * kPictureWidth + x));
        dib.resize((dib.size() + 3) / 4 * 4, 0);
    }
    return dib;
}

// A loaded resource module holding the picture in several forms, a bitmap
// short of its pixels, and raw data under a bitmap-like identifier.
class CIplImageResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bytes damaged = TrueColourPictureDib();
        damaged.resize(damaged.size() - 4);
        m_resources = std::make_unique<TestResourceModule>(
            "IplImageTests.dll", ModuleImageOf({
                                     {kBitmap, kTrueColourBitmapId, "", TrueColourPictureDib()},
                                     {kBitmap, kPalettedBitmapId, "", PalettedPictureDib()},
                                     {kBitmap, kDamagedBitmapId, "", damaged},
                                     {kRcData, kDataOnlyId, "", TrueColourPictureDib()},
                                 }));
        ASSERT_NE(m_resources->Handle(), nullptr);
    }

    std::unique_ptr<TestResourceModule> m_resources;
};

TEST_F(CIplImageResourceTest, LoadsTheBitmapsPicture)
{
    const UINT ids[] = {kTrueColourBitmapId, kPalettedBitmapId, kTrueColourBitmapId | 0x10000};
    for (UINT id : ids) {
        SCOPED_TRACE(testing::Message() << "id " << id);
        CIplImage image(id);
        ASSERT_NE(image.GetImage(), nullptr);
        EXPECT_EQ(image.GetImage()->width, kPictureWidth);
        EXPECT_EQ(image.GetImage()->height, kPictureHeight);
        EXPECT_EQ(image.GetImage()->roi, nullptr);
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x)
                EXPECT_EQ(PixelOf(image, x, y), kPicture[y][x]) << "at " << x << ", " << y;
    }
}

TEST_F(CIplImageResourceTest, MissingOrUnreadableBitmapsLeaveTheObjectEmpty)
{
    const UINT ids[] = {999, kDamagedBitmapId, kDataOnlyId, 0};
    for (UINT id : ids) {
        CIplImage image(id);
        EXPECT_EQ(image.GetImage(), nullptr) << "id " << id;
    }
}

} // namespace
