#include "Win32/Imaging/IplAlphaMask.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Win32/Imaging/IplImage.h"

namespace {

struct Bgr {
    int blue;
    int green;
    int red;
};

// A frame of one row holding `pixels`.
std::unique_ptr<CIplImage> MakeRowFrame(const std::vector<Bgr>& pixels)
{
    auto image = std::make_unique<CIplImage>(static_cast<int>(pixels.size()), 1, 0);
    BYTE* row = reinterpret_cast<BYTE*>(image->GetImage()->imageData);
    for (std::size_t x = 0; x < pixels.size(); ++x) {
        row[3 * x] = static_cast<BYTE>(pixels[x].blue);
        row[3 * x + 1] = static_cast<BYTE>(pixels[x].green);
        row[3 * x + 2] = static_cast<BYTE>(pixels[x].red);
    }
    return image;
}

BYTE MaskAt(const CIplAlphaMask& mask, int x, int y)
{
    const IplImage* m = mask.GetImage();
    return static_cast<BYTE>(m->imageData[y * m->widthStep + x]);
}

std::vector<int> MaskRow(const CIplAlphaMask& mask, int y)
{
    std::vector<int> row;
    for (int x = 0; x < mask.GetImage()->width; ++x)
        row.push_back(MaskAt(mask, x, y));
    return row;
}

void SetMaskRow(CIplAlphaMask& mask, int y, const std::vector<int>& values)
{
    IplImage* m = mask.GetImage();
    for (std::size_t x = 0; x < values.size(); ++x)
        m->imageData[y * m->widthStep + static_cast<int>(x)] = static_cast<char>(values[x]);
}

struct KeyCase {
    Bgr pixel;
    int expected;
};

// Builds a soft-key mask over one row of the cases' pixels and checks it.
void ExpectSoftKey(COLORREF key, int percent, const std::vector<KeyCase>& cases, const std::string& label)
{
    std::vector<Bgr> pixels;
    for (const KeyCase& c : cases)
        pixels.push_back(c.pixel);
    auto source = MakeRowFrame(pixels);
    CIplAlphaMask mask(static_cast<int>(pixels.size()), 1);
    mask.BuildSoftColorKey(source.get(), key, percent);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(MaskAt(mask, static_cast<int>(i), 0), cases[i].expected)
            << label << ": pixel " << cases[i].pixel.blue << "," << cases[i].pixel.green << "," << cases[i].pixel.red;
}

} // namespace

TEST(CIplAlphaMask, MaskImageHasTheMaskForm)
{
    CIplAlphaMask mask(5, 3);
    const IplImage* m = mask.GetImage();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->nChannels, 1);
    EXPECT_EQ(m->colorModel[0], 'A');
    EXPECT_EQ(m->channelSeq[0], 'A');
    EXPECT_EQ(m->widthStep, 8);
    EXPECT_EQ(m->roi, nullptr);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(MaskRow(mask, y), std::vector<int>(5, 0));
}

TEST(CIplAlphaMask, ImpossibleSizesLeaveNoMaskAndEverythingIsSafe)
{
    CIplAlphaMask mask(0, 4);
    EXPECT_EQ(mask.GetImage(), nullptr);
    EXPECT_EQ(mask.GetWorkImage(), nullptr);
    auto source = MakeRowFrame({{1, 2, 3}});
    mask.BuildColorKey(source.get(), 0, 100);
    mask.BuildSoftColorKey(source.get(), 0, 100);
    mask.Mirror(1);
    mask.CopyWorkToMask(1);
    mask.BuildBitmapInfo();
    EXPECT_EQ(mask.GetBitmapInfo(), nullptr);
    mask.Free();
    mask.Free();
}

TEST(CIplAlphaMask, ExactKeyClearsMatchingPixelsAndGivesThePercentElsewhere)
{
    struct Case {
        int percent;
        int opaque;
    };
    const Case cases[] = {{100, 255}, {50, 127}, {0, 0}, {150, 255}, {-10, 0}};
    const COLORREF key = RGB(30, 20, 10);
    for (const Case& c : cases) {
        auto source = MakeRowFrame({{10, 20, 30}, {10, 20, 31}, {30, 20, 10}, {200, 0, 0}});
        CIplAlphaMask mask(4, 1);
        mask.BuildColorKey(source.get(), key, c.percent);
        EXPECT_EQ(MaskRow(mask, 0), (std::vector<int>{0, c.opaque, c.opaque, c.opaque})) << c.percent;
    }
}

TEST(CIplAlphaMask, KeysScanTheSourceRoi)
{
    auto source = std::make_unique<CIplImage>(4, 2, 0x00FFFFFF);
    BYTE* row1 = reinterpret_cast<BYTE*>(source->GetImage()->imageData) + source->GetImage()->widthStep;
    std::memset(row1 + 3, 0, 3);
    const RECT roi{1, 1, 3, 2};
    source->SetRoi(&roi, 0);
    CIplAlphaMask mask(2, 1);
    mask.BuildColorKey(source.get(), RGB(0, 0, 0), 100);
    EXPECT_EQ(MaskRow(mask, 0), (std::vector<int>{0, 255}));
}

TEST(CIplAlphaMask, SoftBlackKeyAtFullExactnessRampsOverTheNearBlacks)
{
    // Percent 100 with a black key works as 97: h = 7.
    ExpectSoftKey(RGB(0, 0, 0), 100,
                  {
                      {{0, 0, 0}, 0},
                      {{7, 7, 7}, 0},
                      {{8, 0, 0}, 18},
                      {{0, 16, 3}, 164},
                      {{23, 23, 23}, 164},
                      {{8, 16, 0}, 164},
                      {{24, 0, 0}, 255},
                      {{255, 255, 255}, 255},
                  },
                  "black");
}

TEST(CIplAlphaMask, SoftKeyAtFullExactnessMatchesTheTopFiveBits)
{
    ExpectSoftKey(RGB(255, 0, 0), 100,
                  {
                      {{0, 0, 248}, 0},
                      {{7, 7, 255}, 0},
                      {{8, 0, 255}, 255},
                      {{0, 0, 247}, 255},
                      {{0, 0, 0}, 255},
                  },
                  "red");
}

TEST(CIplAlphaMask, SoftKeyBandWidensAsThePercentFalls)
{
    // Percent 90: h = 25 around a grey key of 128.
    ExpectSoftKey(RGB(128, 128, 128), 90,
                  {
                      {{128, 128, 128}, 0},
                      {{96, 128, 128}, 0},
                      {{160, 128, 128}, 36},
                      {{95, 128, 128}, 77},
                      {{210, 128, 128}, 255},
                  },
                  "percent 90");
    // Percent 50: h = 127, so 128 lies just past the transparent core and
    // the ramp reaches only 121 at the top level.
    ExpectSoftKey(RGB(0, 0, 0), 50, {{{120, 0, 0}, 0}, {{128, 0, 0}, 1}, {{255, 0, 0}, 121}}, "percent 50");
}

TEST(CIplAlphaMask, SoftKeyAtZeroPercentIsTransparentEverywhere)
{
    std::mt19937 random(7);
    std::vector<Bgr> pixels;
    for (int i = 0; i < 64; ++i)
        pixels.push_back({static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                          static_cast<int>(random() % 256)});
    pixels.push_back({255, 255, 255});
    auto source = MakeRowFrame(pixels);
    for (COLORREF key : {RGB(0, 0, 0), RGB(255, 255, 255), RGB(90, 200, 13)}) {
        CIplAlphaMask mask(static_cast<int>(pixels.size()), 1);
        SetMaskRow(mask, 0, std::vector<int>(pixels.size(), 77));
        mask.BuildSoftColorKey(source.get(), key, 0);
        EXPECT_EQ(MaskRow(mask, 0), std::vector<int>(pixels.size(), 0)) << std::hex << key;
    }
}

TEST(CIplAlphaMask, MirrorTurnsTheMask)
{
    CIplAlphaMask mask(2, 2);
    SetMaskRow(mask, 0, {1, 2});
    SetMaskRow(mask, 1, {3, 4});
    mask.Mirror(0);
    EXPECT_EQ(MaskRow(mask, 0), (std::vector<int>{3, 4}));
    EXPECT_EQ(MaskRow(mask, 1), (std::vector<int>{1, 2}));
    mask.Mirror(1);
    EXPECT_EQ(MaskRow(mask, 0), (std::vector<int>{4, 3}));
    EXPECT_EQ(MaskRow(mask, 1), (std::vector<int>{2, 1}));
}

TEST(CIplAlphaMask, WorkImageAndHeaderDescribeTheDrawingSurface)
{
    CIplAlphaMask mask(5, 3);
    IplImage* work = mask.GetWorkImage();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(mask.GetWorkImage(), work);
    EXPECT_EQ(work->nChannels, 3);
    EXPECT_EQ(work->widthStep, 16);
    EXPECT_EQ(std::string(work->channelSeq, 3), "RGB");
    ASSERT_NE(work->roi, nullptr);
    EXPECT_EQ(work->roi->coi, 1);
    EXPECT_EQ(work->roi->width, 5);
    EXPECT_EQ(work->roi->height, 3);

    mask.BuildBitmapInfo();
    const BITMAPINFOHEADER* info = mask.GetBitmapInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->biSize, 40u);
    EXPECT_EQ(info->biWidth, 5);
    EXPECT_EQ(info->biHeight, 3);
    EXPECT_EQ(info->biPlanes, 1);
    EXPECT_EQ(info->biBitCount, 24);
    EXPECT_EQ(info->biCompression, BI_RGB);
    EXPECT_EQ(info->biSizeImage, static_cast<DWORD>(mask.GetImage()->imageSize));
}

TEST(CIplAlphaMask, DrawnRowsComeBackTopDownWhenFlipped)
{
    struct Case {
        int mirror;
        int drawnRow;
    };
    // GDI leaves rows bottom-up: a shape at the top of the surface is the
    // last row of the work image.
    const Case cases[] = {{1, 0}, {0, 3}};
    for (const Case& c : cases) {
        CIplAlphaMask mask(3, 4);
        IplImage* work = mask.GetWorkImage();
        ASSERT_NE(work, nullptr);
        std::memset(work->imageData + 3 * work->widthStep, 0xFF, 9);
        work->imageData[1 * work->widthStep + 1] = static_cast<char>(0xFF);
        mask.CopyWorkToMask(c.mirror);
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(MaskRow(mask, y), std::vector<int>(3, y == c.drawnRow ? 255 : 0))
                << "mirror " << c.mirror << " row " << y;
    }
}

TEST(CIplAlphaMask, FreeReleasesEverythingOnce)
{
    auto* mask = new CIplAlphaMask(4, 4);
    mask->GetWorkImage();
    mask->BuildBitmapInfo();
    mask->Free();
    EXPECT_EQ(mask->GetImage(), nullptr);
    EXPECT_EQ(mask->GetBitmapInfo(), nullptr);
    mask->Free();
    delete mask;
    delete new CIplAlphaMask(4, 4);
}
