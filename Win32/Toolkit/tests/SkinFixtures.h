#pragma once
// The toolkit tests' own bitmap module and drawing surfaces. The fixture
// bitmaps are drawn by the skin generator from formulas, so a test knows
// every pixel: in the cell strips, pixel (x, y) of cell n at column c is
// RGB(16 + 28 n, 10 + 30 c, 5 + 15 y); in the fill bitmap, RGB(5 x, 8 y, 77).

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Mfc/Mfc.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace skin_fixtures {

constexpr int kCells64x16 = 9001;      // eight cells of 8 x 16
constexpr int kFill50x30 = 9002;       // one fill bitmap
constexpr int kTopBar24x8 = 9003;      // three cells of 8 x 8
constexpr int kFrameStyle16 = 9004;    // "FRAME_STYLE" bytes 0 to 15
constexpr int kEmptyFrameStyle = 9005; // an empty "FRAME_STYLE" record
constexpr int kNarrowCells16x8 = 9006; // eight cells of 2 x 8
constexpr int kMissingBitmap = 9999;

inline COLORREF CellPixel(int x, int y, int cellWidth)
{
    return RGB(16 + 28 * (x / cellWidth), 10 + 30 * (x % cellWidth), 5 + 15 * y);
}

inline COLORREF FillPixel(int x, int y)
{
    return RGB(5 * x, 8 * y, 77);
}

// The three modules loaded from the fixture folder (the program's language
// and untranslated modules, the fixture bitmaps) for the test's life.
class FixtureModules : public testing::Test {
protected:
    void SetUp() override
    {
        m_modules = std::make_unique<testing_support::LoadedResourceModules>(KESTRELON_TOOLKIT_FIXTURE_MODULES);
        ASSERT_TRUE(m_modules->IsLoaded()) << "the build makes " KESTRELON_TOOLKIT_FIXTURE_MODULES;
    }
    void TearDown() override { m_modules.reset(); }

private:
    std::unique_ptr<testing_support::LoadedResourceModules> m_modules;
};

// A memory DC over a 32-bit bitmap of w x h filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc.Attach(CreateCompatibleDC(nullptr));
        m_previous = dc.SelectObject(m_bitmap);
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc.GetSafeHdc(), &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        dc.SelectObject(m_previous);
        DeleteDC(dc.Detach());
        DeleteObject(m_bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    COLORREF At(int x, int y) const { return GetPixel(dc.GetSafeHdc(), x, y); }

    CDC dc;

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
};

} // namespace skin_fixtures
