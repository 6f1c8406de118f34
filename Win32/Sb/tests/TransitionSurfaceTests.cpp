#include <gtest/gtest.h>

#include <memory>

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/User/User.h"
#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionRaster.h"

namespace {

constexpr INT kWidth = 64;
constexpr INT kHeight = 48;

BYTE MaskAt(const CIplAlphaMask& mask, int x, int y)
{
    const IplImage* m = mask.GetImage();
    return reinterpret_cast<const BYTE*>(m->imageData)[y * m->widthStep + x];
}

// The figure of a row drawn with GDI on the mask's drawing surface.
std::unique_ptr<CIplAlphaMask> DrawRowOnMaskSurface(INT row, float progress)
{
    auto mask = std::make_unique<CIplAlphaMask>(kWidth, kHeight);
    std::unique_ptr<TransitionEffect> effect(TransitionCatalog::Create(row));
    HDC dc = mask->GetDC();
    if (dc == nullptr)
        return mask;
    RECT a{0, 0, kWidth, kHeight};
    RECT b = a;
    effect->DrawPreview(dc, 0, 0, kWidth, kHeight, progress, &a, &b);
    mask->ReleaseDC(1);
    return mask;
}

TEST(TransitionSurface, MaskSurfaceDrawsTwoLevelsTopRowsFirst)
{
    CIplAlphaMask mask(kWidth, kHeight);
    HDC dc = mask.GetDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(mask.GetDC(), dc);
    const RECT top{0, 0, kWidth, 10};
    ::FillRect(dc, &top, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const RECT grey{0, 20, kWidth, 30};
    HBRUSH light = ::CreateSolidBrush(RGB(200, 200, 200));
    ::FillRect(dc, &grey, light);
    ::DeleteObject(light);
    mask.ReleaseDC(1);
    for (int y = 0; y < kHeight; ++y) {
        const BYTE expected = (y < 10 || (y >= 20 && y < 30)) ? 255 : 0;
        ASSERT_EQ(MaskAt(mask, 5, y), expected) << y;
    }
}

TEST(TransitionSurface, ReopenedSurfaceKeepsTheLastDrawing)
{
    CIplAlphaMask mask(kWidth, kHeight);
    HDC dc = mask.GetDC();
    ASSERT_NE(dc, nullptr);
    const RECT left{0, 0, 8, kHeight};
    ::FillRect(dc, &left, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    mask.ReleaseDC(1);
    mask.ReleaseDC(1);
    dc = mask.GetDC();
    ASSERT_NE(dc, nullptr);
    const RECT right{56, 0, kWidth, kHeight};
    ::FillRect(dc, &right, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    mask.ReleaseDC(0);
    EXPECT_EQ(MaskAt(mask, 0, 0), 255);
    EXPECT_EQ(MaskAt(mask, 63, 47), 255);
    EXPECT_EQ(MaskAt(mask, 30, 20), 0);
}

TEST(TransitionSurface, FreeClosesAnOpenSurface)
{
    CIplAlphaMask mask(kWidth, kHeight);
    ASSERT_NE(mask.GetDC(), nullptr);
    mask.Free();
    EXPECT_EQ(mask.GetImage(), nullptr);
    EXPECT_EQ(mask.GetDC(), nullptr);
}

TEST(TransitionSurface, GdiFiguresMatchTheRasterisedFigures)
{
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        if (TransitionCatalog::GetRow(row)->m_nFamily == 1)
            continue;
        for (float p : {0.0f, 0.5f, 1.0f}) {
            auto mask = DrawRowOnMaskSurface(row, p);
            std::unique_ptr<TransitionEffect> effect(TransitionCatalog::Create(row));
            TransitionRaster raster(kWidth, kHeight, POINT{0, 0});
            RECT a{0, 0, kWidth, kHeight};
            RECT b = a;
            effect->DrawFigure(raster, RECT{0, 0, kWidth, kHeight}, p, &a, &b);
            int differing = 0;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x)
                    differing += MaskAt(*mask, x, y) != raster.Row(y)[x] ? 1 : 0;
            }
            EXPECT_EQ(differing, 0) << "row " << row << " p " << p;
        }
    }
}

// A 24-bit colour memory DC of `width` x `height`, filled with red.
struct ColourDc {
    ColourDc(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
        const RECT all{0, 0, width, height};
        ::FillRect(m_dc, &all, red);
        ::DeleteObject(red);
    }
    ~ColourDc()
    {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

TEST(TransitionSurface, PreviewPaintsOnlyItsRectangleWithTheDissolveGrey)
{
    ColourDc target(40, 30);
    ASSERT_NE(target.m_dc, nullptr);
    std::unique_ptr<TransitionEffect> dissolve(TransitionCatalog::Create(1));
    RECT a{10, 5, 30, 25};
    RECT b = a;
    dissolve->DrawPreview(target.m_dc, 10, 5, 30, 25, 0.5f, &a, &b);
    EXPECT_EQ(::GetPixel(target.m_dc, 9, 10), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(target.m_dc, 10, 5), RGB(127, 127, 127));
    EXPECT_EQ(::GetPixel(target.m_dc, 29, 24), RGB(127, 127, 127));
    EXPECT_EQ(::GetPixel(target.m_dc, 30, 24), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(target.m_dc, 20, 25), RGB(255, 0, 0));
}

TEST(TransitionSurface, PreviewInWindowFillsTheClientArea)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.lpszClassName = "TransitionPreviewTest";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowExA(0, "TransitionPreviewTest", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    std::unique_ptr<TransitionEffect> wipe(TransitionCatalog::Create(5));
    wipe->DrawPreviewInWindow(window, 0.25f);
    HDC dc = ::GetDC(window);
    EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(::GetPixel(dc, 15, 47), RGB(255, 255, 255));
    EXPECT_EQ(::GetPixel(dc, 16, 0), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 63, 47), RGB(0, 0, 0));
    ::ReleaseDC(window, dc);
    ::DestroyWindow(window);
    ::UnregisterClassA("TransitionPreviewTest", nullptr);
}

} // namespace
