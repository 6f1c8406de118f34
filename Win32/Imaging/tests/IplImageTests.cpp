#include "Win32/Imaging/IplImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Win32/Imaging/ColorAdjust.h"
#include "Win32/Imaging/IplAlphaMask.h"

namespace {

using Pixel = std::vector<int>;

BYTE* PixelAddress(const CIplImage& image, int x, int y)
{
    const IplImage* i = image.GetImage();
    return reinterpret_cast<BYTE*>(i->imageData) + y * i->widthStep + x * 3;
}

// Blue, green, red of pixel (x, y).
Pixel PixelAt(const CIplImage& image, int x, int y)
{
    const BYTE* p = PixelAddress(image, x, y);
    return {p[0], p[1], p[2]};
}

void Paint(CIplImage& image, int x, int y, int blue, int green, int red)
{
    BYTE* p = PixelAddress(image, x, y);
    p[0] = static_cast<BYTE>(blue);
    p[1] = static_cast<BYTE>(green);
    p[2] = static_cast<BYTE>(red);
}

// Every pixel of the image, row by row.
std::vector<Pixel> Pixels(const CIplImage& image)
{
    std::vector<Pixel> pixels;
    for (int y = 0; y < image.GetImage()->height; ++y)
        for (int x = 0; x < image.GetImage()->width; ++x)
            pixels.push_back(PixelAt(image, x, y));
    return pixels;
}

std::unique_ptr<CIplImage> MakeFrame(int width, int height, COLORREF fill = 0)
{
    auto image = std::make_unique<CIplImage>(width, height, fill);
    EXPECT_NE(image->GetImage(), nullptr);
    return image;
}

// A frame whose pixel (x, y) is (x, y, x + y) modulo 256.
std::unique_ptr<CIplImage> MakeGradientFrame(int width, int height)
{
    auto image = MakeFrame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            Paint(*image, x, y, x % 256, y % 256, (x + y) % 256);
    return image;
}

// A frame of one grey level per column (odd columns `odd`, even ones `even`).
std::unique_ptr<CIplImage> MakeStripedFrame(int width, int height, int even, int odd)
{
    auto image = MakeFrame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = x % 2 != 0 ? odd : even;
            Paint(*image, x, y, v, v, v);
        }
    return image;
}

// A frame whose row y holds the grey level `levels[y]`.
std::unique_ptr<CIplImage> MakeRowsFrame(int width, const std::vector<int>& levels)
{
    auto image = MakeFrame(width, static_cast<int>(levels.size()));
    for (int y = 0; y < static_cast<int>(levels.size()); ++y)
        for (int x = 0; x < width; ++x)
            Paint(*image, x, y, levels[y], levels[y], levels[y]);
    return image;
}

std::vector<int> RowLevels(const CIplImage& image)
{
    std::vector<int> levels;
    for (int y = 0; y < image.GetImage()->height; ++y)
        levels.push_back(PixelAt(image, 0, y)[0]);
    return levels;
}

bool AllPixelsAre(const CIplImage& image, const Pixel& expected)
{
    for (const Pixel& p : Pixels(image))
        if (p != expected)
            return false;
    return true;
}

void FillPadding(CIplImage& image, BYTE value)
{
    IplImage* i = image.GetImage();
    for (int y = 0; y < i->height; ++y)
        std::memset(i->imageData + y * i->widthStep + i->width * 3, value, i->widthStep - i->width * 3);
}

bool PaddingIs(const CIplImage& image, BYTE value)
{
    const IplImage* i = image.GetImage();
    for (int y = 0; y < i->height; ++y)
        for (int b = i->width * 3; b < i->widthStep; ++b)
            if (static_cast<BYTE>(i->imageData[y * i->widthStep + b]) != value)
                return false;
    return true;
}

struct DibDeleter {
    void operator()(BITMAPINFOHEADER* dib) const { FreeDib(dib); }
};
using DibPtr = std::unique_ptr<BITMAPINFOHEADER, DibDeleter>;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

CompositeParams ParamsOf(int mode, COLORREF key, int percent)
{
    return CompositeParams{mode, static_cast<INT>(key), static_cast<INT>(key), 128, percent, 1, 0};
}

} // namespace

TEST(CIplImage, FillColourWritesEachChannelAndLeavesNoRoi)
{
    struct Case {
        unsigned fill;
        Pixel expected;
    };
    const Case cases[] = {{0, {0, 0, 0}}, {255, {0, 0, 255}}, {0x00102030, {0x10, 0x20, 0x30}}, {0x00FF0000, {255, 0, 0}}};
    for (const Case& c : cases) {
        auto image = MakeFrame(5, 3, c.fill);
        EXPECT_TRUE(AllPixelsAre(*image, c.expected)) << std::hex << c.fill;
        EXPECT_EQ(image->GetImage()->roi, nullptr);
    }
}

TEST(CIplImage, MadeImagesHaveTheFrameForm)
{
    auto image = MakeFrame(5, 3);
    const IplImage* i = image->GetImage();
    EXPECT_EQ(i->nChannels, 3);
    EXPECT_EQ(i->depth, IPL_DEPTH_8U);
    EXPECT_EQ(std::string(i->colorModel, 3), "RGB");
    EXPECT_EQ(std::string(i->channelSeq, 3), "BGR");
    EXPECT_EQ(i->align, 8);
    EXPECT_EQ(i->widthStep, 16);
    EXPECT_EQ(i->origin, IPL_ORIGIN_TL);
}

TEST(CIplImage, ImpossibleSizesLeaveTheObjectEmpty)
{
    const int sizes[][2] = {{0, 5}, {5, 0}, {-3, 2}, {40000, 40000}};
    for (const auto& size : sizes) {
        CIplImage image(size[0], size[1], 0x123456);
        EXPECT_EQ(image.GetImage(), nullptr) << size[0] << "x" << size[1];
    }
}

TEST(CIplImage, CopyHoldsTheWholePictureAndKeepsTheSourceRoi)
{
    auto source = MakeGradientFrame(6, 4);
    const RECT roi{1, 1, 3, 4};
    source->SetRoi(&roi, 2);
    CIplImage copy(source.get());
    ASSERT_NE(copy.GetImage(), nullptr);
    EXPECT_EQ(copy.GetImage()->roi, nullptr);
    EXPECT_EQ(Pixels(copy), Pixels(*source));
    RECT kept;
    int coi = 0;
    source->GetRoi(&kept, &coi);
    EXPECT_TRUE(SameRect(kept, roi));
    EXPECT_EQ(coi, 2);
}

TEST(CIplImage, CopyOfNothingIsEmpty)
{
    CIplImage empty;
    EXPECT_EQ(CIplImage(static_cast<const CIplImage*>(nullptr)).GetImage(), nullptr);
    EXPECT_EQ(CIplImage(&empty).GetImage(), nullptr);
}

TEST(CIplImage, FromDibConvertsBottomUpRows)
{
    for (bool deleteDib : {false, true}) {
        BITMAPINFOHEADER* dib = AllocDib(3, 5, 2);
        ASSERT_NE(dib, nullptr);
        BYTE* bits = GetDibBits(dib);
        for (int i = 0; i < 16; ++i)
            bits[i] = static_cast<BYTE>(i + 1);
        CIplImage image(dib, deleteDib);
        if (!deleteDib)
            FreeDib(dib);
        ASSERT_NE(image.GetImage(), nullptr);
        EXPECT_EQ(PixelAt(image, 0, 1), (Pixel{1, 2, 3}));
        EXPECT_EQ(PixelAt(image, 4, 1), (Pixel{13, 14, 15}));
        EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{0, 0, 0}));
    }
    EXPECT_EQ(CIplImage(nullptr, true).GetImage(), nullptr);
}

TEST(CIplImage, FreeIsRepeatableAndDeletionFreesTheImage)
{
    auto* image = new CIplImage(8, 8, 0);
    image->Free();
    EXPECT_EQ(image->GetImage(), nullptr);
    image->Free();
    delete image;
    // Deleting a full object releases its image (a leak checker sees it).
    delete new CIplImage(8, 8, 0x00FFFFFF);
}

TEST(CIplImage, AttachAndClearHandOwnershipOver)
{
    IplImage* raw = CreateIplRgbImage(2, 2);
    CIplImage image;
    image.Attach(raw);
    EXPECT_EQ(image.GetImage(), raw);
    image.Clear();
    EXPECT_EQ(image.GetImage(), nullptr);
    iplDeallocate(raw, IPL_IMAGE_ALL);
}

TEST(CIplImageScaling, TheCurrentSizeMakesNothing)
{
    auto image = MakeFrame(32, 24, 0x00808080);
    const IplImage* before = image->GetImage();
    EXPECT_EQ(image->ScaleTo(32, 24), nullptr);
    EXPECT_EQ(image->CreateResized(32, 24), nullptr);
    image->Resize(32, 24);
    EXPECT_EQ(image->GetImage(), before);
    CIplImage empty;
    EXPECT_EQ(empty.ScaleTo(4, 4), nullptr);
}

TEST(CIplImageScaling, EveryPathGivesTheAskedSize)
{
    const int sizes[][2] = {{640, 480}, {160, 120}, {640, 200}, {160, 480}, {321, 240}, {320, 17}, {352, 240}};
    for (const auto& size : sizes) {
        auto image = MakeFrame(320, 240, RGB(200, 100, 50));
        std::unique_ptr<CIplImage> scaled(image->CreateResized(size[0], size[1]));
        ASSERT_NE(scaled, nullptr) << size[0] << "x" << size[1];
        EXPECT_EQ(scaled->GetImage()->width, size[0]);
        EXPECT_EQ(scaled->GetImage()->height, size[1]);
        EXPECT_TRUE(AllPixelsAre(*scaled, Pixel{50, 100, 200})) << size[0] << "x" << size[1];
        image->Resize(size[0], size[1]);
        EXPECT_EQ(image->GetImage()->width, size[0]);
        EXPECT_EQ(Pixels(*image), Pixels(*scaled));
    }
}

TEST(CIplImageScaling, WideningWhileShorteningRepeatsColumnsFirst)
{
    auto image = MakeStripedFrame(320, 240, 0, 200);
    image->Resize(640, 200);
    ASSERT_EQ(image->GetImage()->width, 640);
    for (int y : {0, 99, 199})
        for (int x = 0; x < 640; x += 2) {
            const int expected = (x / 2) % 2 != 0 ? 200 : 0;
            ASSERT_EQ(PixelAt(*image, x, y), (Pixel{expected, expected, expected})) << x << "," << y;
            ASSERT_EQ(PixelAt(*image, x + 1, y), PixelAt(*image, x, y)) << x << "," << y;
        }
}

TEST(CIplImageScaling, NarrowingWhileHeighteningSamplesColumnsFirst)
{
    // Nearest-neighbour decimation keeps the odd columns' level; averaging
    // would have given 100.
    auto image = MakeStripedFrame(640, 200, 0, 200);
    image->Resize(320, 240);
    EXPECT_TRUE(AllPixelsAre(*image, Pixel{200, 200, 200}));
}

TEST(CIplImageScaling, AnIntermediateThatCannotBeMadeReportsNoImage)
{
    // Widening 1 to 30000 while shortening 30000 to 1 needs a 30000 x 30000
    // intermediate, more than an image may hold.
    auto image = MakeFrame(1, 30000, 0x00404040);
    EXPECT_EQ(image->ScaleTo(30000, 1), nullptr);
    EXPECT_EQ(image->CreateResized(30000, 1), nullptr);
    image->Resize(30000, 1);
    EXPECT_EQ(image->GetImage()->width, 1);
    EXPECT_EQ(image->GetImage()->height, 30000);
}

TEST(CIplImageRegion, SetGetAndFreeTheRoi)
{
    auto image = MakeFrame(8, 6);
    RECT rect;
    int coi = -1;
    EXPECT_EQ(image->GetRoi(&rect, &coi), 1);
    EXPECT_TRUE(SameRect(rect, RECT{0, 0, 8, 6}));
    EXPECT_EQ(coi, 0);

    const RECT first{1, 2, 4, 5};
    image->SetRoi(&first, 2);
    image->GetRoi(&rect, &coi);
    EXPECT_TRUE(SameRect(rect, first));
    EXPECT_EQ(coi, 2);
    const IplROI* roi = image->GetImage()->roi;
    EXPECT_EQ(roi->width, 3);
    EXPECT_EQ(roi->height, 3);

    const RECT second{0, 0, 2, 2};
    image->SetRoi(&second, 0);
    EXPECT_EQ(image->GetImage()->roi, roi);
    image->GetRoi(&rect, &coi);
    EXPECT_TRUE(SameRect(rect, second));

    image->FreeRoi();
    EXPECT_EQ(image->GetImage()->roi, nullptr);
    CIplImage empty;
    EXPECT_EQ(empty.GetRoi(&rect, &coi), 0);
}

TEST(CIplImageRegion, SetChannelOfInterestReturnsThePreviousOne)
{
    auto image = MakeFrame(4, 4);
    EXPECT_EQ(CIplImage::SetChannelOfInterest(image->GetImage(), 3), 0);
    const IplROI* roi = image->GetImage()->roi;
    ASSERT_NE(roi, nullptr);
    EXPECT_EQ(roi->width, 4);
    EXPECT_EQ(roi->coi, 3);
    EXPECT_EQ(CIplImage::SetChannelOfInterest(image->GetImage(), 1), 3);
    EXPECT_EQ(CIplImage::SetChannelOfInterest(nullptr, 1), 0);
}

TEST(CIplImageRegion, FillsLeaveAWholeRoiWithoutChannel)
{
    auto image = MakeFrame(3, 2);
    image->FillChannel(2, 99);
    EXPECT_TRUE(AllPixelsAre(*image, Pixel{0, 99, 0}));
    RECT rect;
    int coi = -1;
    image->GetRoi(&rect, &coi);
    EXPECT_TRUE(SameRect(rect, RECT{0, 0, 3, 2}));
    EXPECT_EQ(coi, 0);

    image->FillColor(RGB(1, 2, 3));
    EXPECT_TRUE(AllPixelsAre(*image, Pixel{3, 2, 1}));
}

TEST(CIplImageRegion, FillsStayInsideTheRoi)
{
    auto image = MakeFrame(3, 2);
    const RECT roi{1, 1, 3, 2};
    image->SetRoi(&roi, 0);
    image->FillColor(RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(*image, 0, 1), (Pixel{0, 0, 0}));
    EXPECT_EQ(PixelAt(*image, 1, 1), (Pixel{30, 20, 10}));
    EXPECT_EQ(PixelAt(*image, 2, 1), (Pixel{30, 20, 10}));
    EXPECT_EQ(PixelAt(*image, 2, 0), (Pixel{0, 0, 0}));
}

TEST(CIplImageRegion, CopyFromCropsThroughRegions)
{
    auto source = MakeGradientFrame(100, 80);
    auto thumbnail = MakeFrame(80, 60);
    const RECT crop{0, 0, 80, 60};
    source->SetRoi(&crop, 0);
    thumbnail->SetRoi(&crop, 0);
    thumbnail->CopyFrom(source.get());
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 80; x += 9)
            ASSERT_EQ(PixelAt(*thumbnail, x, y), PixelAt(*source, x, y));
    thumbnail->CopyFrom(nullptr);
}

TEST(CIplImageRegion, MirrorGivesAnImageOfTheRoi)
{
    auto image = MakeGradientFrame(4, 2);
    const RECT roi{1, 0, 3, 2};
    image->SetRoi(&roi, 0);
    image->Mirror(1);
    ASSERT_EQ(image->GetImage()->width, 2);
    EXPECT_EQ(PixelAt(*image, 0, 0), (Pixel{2, 0, 2}));
    EXPECT_EQ(PixelAt(*image, 1, 1), (Pixel{1, 1, 2}));
    image->Mirror(0);
    EXPECT_EQ(PixelAt(*image, 0, 0), (Pixel{2, 1, 3}));
    EXPECT_EQ(PixelAt(*image, 1, 1), (Pixel{1, 0, 1}));
}

TEST(CIplImageBlend, ConstantAlphaBlendsTheSourceOverThisImage)
{
    struct Case {
        int alpha;
        int expected;
    };
    // This image 200, source 100; alpha 127 weighs them by the OVER rule.
    const Case cases[] = {{0, 200}, {255, 100}, {127, 167}, {128, 166}, {300, 100}, {-5, 200}};
    for (const Case& c : cases) {
        auto image = MakeFrame(4, 3, 0x00C8C8C8);
        auto source = MakeFrame(4, 3, 0x00646464);
        EXPECT_EQ(image->BlendConstant(source.get(), c.alpha), 1);
        EXPECT_TRUE(AllPixelsAre(*image, Pixel{c.expected, c.expected, c.expected})) << c.alpha;
    }
}

TEST(CIplImageBlend, BlendIntoADestinationLeavesThisImage)
{
    auto image = MakeFrame(4, 3, 0x00C8C8C8);
    auto source = MakeFrame(4, 3, 0x00646464);
    auto output = MakeFrame(4, 3);
    EXPECT_EQ(image->BlendConstant(source.get(), 255, output.get()), 1);
    EXPECT_TRUE(AllPixelsAre(*image, Pixel{200, 200, 200}));
    EXPECT_TRUE(AllPixelsAre(*output, Pixel{100, 100, 100}));
    EXPECT_EQ(image->BlendConstant(nullptr, 255), 0);
    CIplImage empty;
    EXPECT_EQ(image->BlendConstant(&empty, 255), 0);
}

TEST(CIplImageBlend, BlendsChangeOnlyTheRoi)
{
    auto image = MakeFrame(4, 2, 0x00C8C8C8);
    auto source = MakeFrame(2, 1, 0x00646464);
    const RECT roi{2, 1, 4, 2};
    image->SetRoi(&roi, 0);
    image->BlendConstant(source.get(), 255);
    image->FreeRoi();
    EXPECT_EQ(PixelAt(*image, 1, 1), (Pixel{200, 200, 200}));
    EXPECT_EQ(PixelAt(*image, 2, 1), (Pixel{100, 100, 100}));
    EXPECT_EQ(PixelAt(*image, 3, 0), (Pixel{200, 200, 200}));
}

TEST(CIplImageBlend, MaskChoosesPerPixel)
{
    auto image = MakeFrame(3, 1, 0x00C8C8C8);
    auto source = MakeFrame(3, 1, 0x00646464);
    CIplAlphaMask mask(3, 1);
    BYTE* m = reinterpret_cast<BYTE*>(mask.GetImage()->imageData);
    m[0] = 0;
    m[1] = 255;
    m[2] = 128;
    EXPECT_EQ(image->BlendWithMask(source.get(), &mask), 1);
    EXPECT_EQ(Pixels(*image), (std::vector<Pixel>{{200, 200, 200}, {100, 100, 100}, {150, 150, 150}}));

    CIplAlphaMask noMask(0, 0);
    EXPECT_EQ(image->BlendWithMask(source.get(), &noMask), 0);
    EXPECT_EQ(image->BlendWithMask(source.get(), nullptr), 0);
    EXPECT_EQ(image->BlendWithMask(nullptr, &mask), 0);
}

TEST(CIplImageAdjust, AllZeroSettingsChangeNothing)
{
    auto image = MakeGradientFrame(9, 4);
    const std::vector<Pixel> before = Pixels(*image);
    const RECT roi{1, 1, 2, 2};
    image->SetRoi(&roi, 1);
    image->AdjustColors(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Pixels(*image), before);
    EXPECT_NE(image->GetImage()->roi, nullptr);
}

TEST(CIplImageAdjust, PaddedRowsAreWalkedRowByRow)
{
    // 180 pixels make 540-byte rows padded to 544.
    for (ColorAdjustPath path : {ColorAdjustPath::OnePixel, ColorAdjustPath::Sse2}) {
        if (!IsColorAdjustPathAvailable(path))
            continue;
        SetColorAdjustPathForTesting(path);
        auto image = MakeGradientFrame(180, 3);
        FillPadding(*image, 0xEE);
        const std::vector<Pixel> before = Pixels(*image);
        const RECT roi{0, 0, 10, 1};
        image->SetRoi(&roi, 0);
        image->AdjustColors(10, 0, 0, 0, 0, 0);
        const std::vector<Pixel> after = Pixels(*image);
        for (std::size_t i = 0; i < after.size(); ++i) {
            const Pixel expected{before[i][0], before[i][1], std::min(before[i][2] + 10, 255)};
            ASSERT_EQ(after[i], expected) << "pixel " << i;
        }
        EXPECT_TRUE(PaddingIs(*image, 0xEE));
        EXPECT_EQ(image->GetImage()->roi, nullptr);
    }
    SetColorAdjustPathForTesting(ColorAdjustPath::Auto);
}

TEST(CIplImageAdjust, SettingsMapOntoTheAdjustment)
{
    struct Case {
        const char* label;
        int red;
        int green;
        int blue;
        int saturation;
        Pixel expected;
    };
    // Pixel (blue 10, green 200, red 50) has luminance 34280 / 256.
    const Case cases[] = {
        {"no saturation turns grey", 0, 0, 0, -100, {133, 133, 133}},
        {"red -256 removes red", -256, 0, 0, 0, {10, 200, 0}},
        {"blue +256 saturates blue", 0, 0, 256, 0, {255, 200, 50}},
        {"green -20", 0, -20, 0, 0, {10, 180, 50}},
    };
    for (const Case& c : cases) {
        auto image = MakeFrame(2, 1);
        Paint(*image, 0, 0, 10, 200, 50);
        Paint(*image, 1, 0, 10, 200, 50);
        image->AdjustColors(c.red, c.green, c.blue, c.saturation, 0, 0);
        EXPECT_EQ(PixelAt(*image, 1, 0), c.expected) << c.label;
    }
    CIplImage empty;
    empty.AdjustColors(1, 1, 1, 1, 1, 1);
}

TEST(AllocDib, KindsLayOutTheBlock)
{
    struct Case {
        int kind;
        int bits;
        DWORD compression;
        DWORD colours;
        int stride;
        int pixelOffset;
    };
    const Case cases[] = {
        {0, 8, BI_RGB, 256, 12, 40 + 1024},
        {1, 16, BI_RGB, 0, 20, 40},
        {2, 16, BI_BITFIELDS, 0, 20, 52},
        {3, 24, BI_RGB, 0, 32, 40},
        {4, 32, BI_RGB, 0, 40, 40},
    };
    for (const Case& c : cases) {
        DibPtr dib(AllocDib(c.kind, 10, 3));
        ASSERT_NE(dib, nullptr) << c.kind;
        EXPECT_EQ(dib->biSize, 40u);
        EXPECT_EQ(dib->biWidth, 10);
        EXPECT_EQ(dib->biHeight, 3);
        EXPECT_EQ(dib->biPlanes, 1);
        EXPECT_EQ(dib->biBitCount, c.bits) << c.kind;
        EXPECT_EQ(dib->biCompression, c.compression) << c.kind;
        EXPECT_EQ(dib->biClrUsed, c.colours) << c.kind;
        EXPECT_EQ(dib->biClrImportant, c.colours) << c.kind;
        EXPECT_EQ(dib->biSizeImage, static_cast<DWORD>(c.stride * 3)) << c.kind;
        EXPECT_EQ(GetDibStride(dib.get()), c.stride) << c.kind;
        EXPECT_EQ(GetDibBits(dib.get()) - reinterpret_cast<BYTE*>(dib.get()), c.pixelOffset) << c.kind;
    }
    DibPtr masked(AllocDib(2, 1, 1));
    const auto* masks = reinterpret_cast<const DWORD*>(masked.get() + 1);
    EXPECT_EQ(masks[0], 0xF800u);
    EXPECT_EQ(masks[1], 0x07E0u);
    EXPECT_EQ(masks[2], 0x001Fu);
}

TEST(AllocDib, OtherKindsAndSizesGiveNothing)
{
    EXPECT_EQ(AllocDib(5, 10, 10), nullptr);
    EXPECT_EQ(AllocDib(-1, 10, 10), nullptr);
    EXPECT_EQ(AllocDib(3, 0, 10), nullptr);
    EXPECT_EQ(AllocDib(3, 10, -2), nullptr);
    EXPECT_EQ(AllocDib(4, 100000, 100000), nullptr);
    BITMAPINFOHEADER fourBits{40, 10, 10, 1, 4, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(GetDibBits(&fourBits), nullptr);
    EXPECT_EQ(GetDibStride(&fourBits), 0);
    EXPECT_EQ(GetDibBits(nullptr), nullptr);
    EXPECT_EQ(GetDibStride(nullptr), 0);
}

TEST(CIplImageDib, EveryKindRoundTripsThroughToDib)
{
    // 5 pixels make rows of 15, 10 and 20 bytes that need padding.
    struct Case {
        int kind;
        int keptBits;
    };
    const Case cases[] = {{1, 5}, {2, 5}, {3, 8}, {4, 8}};
    auto image = MakeGradientFrame(5, 3);
    for (int x = 0; x < 5; ++x)
        Paint(*image, x, 2, 255 - 40 * x, 17 * x, 128);
    for (const Case& c : cases) {
        DibPtr dib(AllocDib(c.kind, 5, 3));
        EXPECT_EQ(image->ToDib(dib.get()), 1);
        CIplImage back(dib.get(), false);
        ASSERT_NE(back.GetImage(), nullptr);
        const std::vector<Pixel> original = Pixels(*image);
        const std::vector<Pixel> returned = Pixels(back);
        for (std::size_t i = 0; i < original.size(); ++i)
            for (int channel = 0; channel < 3; ++channel) {
                // Green keeps 6 bits in the 5-6-5 layout.
                const int bits = c.kind == 2 && channel == 1 ? 6 : c.keptBits;
                const int mask = 0xFF << (8 - bits) & 0xFF;
                ASSERT_EQ(returned[i][channel] & mask, original[i][channel] & mask) << c.kind << " pixel " << i;
            }
    }
}

TEST(CIplImageDib, EightBitDibsUseTheirTable)
{
    auto image = MakeFrame(3, 2, RGB(255, 0, 0));
    Paint(*image, 1, 1, 255, 255, 255);
    DibPtr dib(AllocDib(0, 3, 2));
    auto* table = reinterpret_cast<RGBQUAD*>(dib.get() + 1);
    table[0] = RGBQUAD{0, 0, 0, 0};
    table[1] = RGBQUAD{0, 0, 255, 0};
    table[2] = RGBQUAD{255, 255, 255, 0};
    EXPECT_EQ(image->ToDib(dib.get()), 1);
    const BYTE* bits = GetDibBits(dib.get());
    const int stride = GetDibStride(dib.get());
    EXPECT_EQ((std::vector<int>{bits[0], bits[1], bits[2]}), (std::vector<int>{1, 2, 1}));
    EXPECT_EQ((std::vector<int>{bits[stride], bits[stride + 1], bits[stride + 2]}), (std::vector<int>{1, 1, 1}));
}

TEST(CIplImageDib, MissingPiecesGiveNothing)
{
    auto image = MakeFrame(2, 2);
    CIplImage empty;
    DibPtr dib(AllocDib(3, 2, 2));
    EXPECT_EQ(image->ToDib(nullptr), 0);
    EXPECT_EQ(empty.ToDib(dib.get()), 0);
    EXPECT_EQ(CreateIplImageFromDib(nullptr), nullptr);
    BITMAPINFOHEADER rle{40, 2, 2, 1, 8, BI_RLE8, 0, 0, 0, 0, 0};
    EXPECT_EQ(CreateIplImageFromDib(&rle), nullptr);
}

TEST(Fields, SplitSendsEvenRowsFirstAndOddRowsSecond)
{
    struct Case {
        const char* label;
        int frameRows;
        int fieldRows;
        std::vector<int> first;
        std::vector<int> second;
    };
    // Frame row y holds level 10 y + 1; field rows start at 0.
    const Case cases[] = {
        {"whole frame", 6, 3, {1, 21, 41}, {11, 31, 51}},
        {"odd frame: last row to the first field", 5, 3, {1, 21, 41}, {11, 31, 0}},
        {"short fields", 6, 2, {1, 21}, {11, 31}},
    };
    for (const Case& c : cases) {
        std::vector<int> levels;
        for (int y = 0; y < c.frameRows; ++y)
            levels.push_back(10 * y + 1);
        auto frame = MakeRowsFrame(4, levels);
        auto first = MakeFrame(4, c.fieldRows);
        auto second = MakeFrame(4, c.fieldRows);
        SplitFields(frame.get(), first.get(), second.get());
        EXPECT_EQ(RowLevels(*first), c.first) << c.label;
        EXPECT_EQ(RowLevels(*second), c.second) << c.label;
    }
}

TEST(Fields, ExtractTakesEvenRows)
{
    auto frame = MakeRowsFrame(2, {1, 11, 21, 31, 41});
    auto field = MakeFrame(2, 3);
    ExtractField(frame.get(), field.get());
    EXPECT_EQ(RowLevels(*field), (std::vector<int>{1, 21, 41}));
    auto shortField = MakeFrame(2, 2);
    ExtractField(frame.get(), shortField.get());
    EXPECT_EQ(RowLevels(*shortField), (std::vector<int>{1, 21}));
}

TEST(Fields, InterleaveFillsEvenAndOddRows)
{
    auto frame = MakeRowsFrame(3, {99, 99, 99, 99, 99});
    auto first = MakeRowsFrame(3, {1, 2});
    auto second = MakeRowsFrame(3, {5, 6});
    InterleaveFields(frame.get(), first.get(), second.get());
    EXPECT_EQ(RowLevels(*frame), (std::vector<int>{1, 5, 2, 6, 99}));
}

TEST(Fields, MissingOrNarrowImagesAreSafe)
{
    auto frame = MakeRowsFrame(4, {1, 11, 21, 31});
    CIplImage empty;
    SplitFields(frame.get(), &empty, nullptr);
    ExtractField(nullptr, frame.get());
    InterleaveFields(frame.get(), nullptr, &empty);
    EXPECT_EQ(RowLevels(*frame), (std::vector<int>{1, 11, 21, 31}));

    auto narrow = MakeFrame(2, 2);
    ExtractField(frame.get(), narrow.get());
    EXPECT_EQ(Pixels(*narrow), (std::vector<Pixel>{{1, 1, 1}, {1, 1, 1}, {21, 21, 21}, {21, 21, 21}}));
}

TEST(CompositeImageIntoRect, ZeroOpacityChangesNothingAndKeepsTheSource)
{
    auto destination = MakeFrame(8, 8, 0x00323232);
    auto source = MakeFrame(4, 4, 0x00C8C8C8);
    const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 0);
    const RECT rect{0, 0, 8, 8};
    CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
    EXPECT_TRUE(AllPixelsAre(*destination, Pixel{50, 50, 50}));
    EXPECT_EQ(source->GetImage()->width, 4);
}

TEST(CompositeImageIntoRect, HalfOpacityBlendsWithAlpha127)
{
    auto destination = MakeFrame(4, 4, 0x00C8C8C8);
    auto source = MakeFrame(2, 2, 0x00646464);
    const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 50);
    const RECT rect{1, 1, 3, 3};
    CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
    EXPECT_EQ(PixelAt(*destination, 1, 1), (Pixel{167, 167, 167}));
    EXPECT_EQ(PixelAt(*destination, 2, 2), (Pixel{167, 167, 167}));
    EXPECT_EQ(PixelAt(*destination, 0, 0), (Pixel{200, 200, 200}));
    EXPECT_EQ(PixelAt(*destination, 3, 2), (Pixel{200, 200, 200}));
    EXPECT_EQ(destination->GetImage()->roi, nullptr);
    EXPECT_EQ(source->GetImage()->roi, nullptr);
}

TEST(CompositeImageIntoRect, RectanglePartlyOutsideTakesTheMatchingPart)
{
    auto destination = MakeFrame(6, 4);
    auto source = MakeFrame(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            Paint(*source, x, y, 10 * (x + 1), y, 0);
    const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 100);
    const RECT rect{4, 1, 8, 5};
    CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const Pixel expected = (x >= 4 && y >= 1) ? Pixel{10 * (x - 3), y - 1, 0} : Pixel{0, 0, 0};
            EXPECT_EQ(PixelAt(*destination, x, y), expected) << x << "," << y;
        }
}

TEST(CompositeImageIntoRect, TheCallersSourceKeepsItsSize)
{
    auto destination = MakeFrame(8, 8);
    auto source = MakeGradientFrame(4, 4);
    const std::vector<Pixel> before = Pixels(*source);
    const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 100);
    const RECT rect{0, 0, 8, 8};
    CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
    EXPECT_EQ(source->GetImage()->width, 4);
    EXPECT_EQ(source->GetImage()->height, 4);
    EXPECT_EQ(Pixels(*source), before);
    std::unique_ptr<CIplImage> scaled(source->CreateResized(8, 8));
    EXPECT_EQ(Pixels(*destination), Pixels(*scaled));
}

TEST(CompositeImageIntoRect, InterlacedSourcesScaleFieldByField)
{
    struct Case {
        int height;
        std::vector<int> rows;
    };
    // Even source rows 200, odd rows 50; each field stays flat, so the rows
    // alternate; an odd height leaves the last row black.
    const Case cases[] = {
        {8, {200, 50, 200, 50, 200, 50, 200, 50}},
        {7, {200, 50, 200, 50, 200, 50, 0}},
    };
    for (const Case& c : cases) {
        auto destination = MakeFrame(4, 8, 0x00636363);
        auto source = MakeRowsFrame(4, {200, 50, 200, 50});
        const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 100);
        const RECT rect{0, 0, 4, c.height};
        CompositeImageIntoRect(destination.get(), source.get(), 1, &params, &rect);
        std::vector<int> expected = c.rows;
        expected.resize(8, 99);
        EXPECT_EQ(RowLevels(*destination), expected) << c.height;
        EXPECT_EQ(source->GetImage()->height, 4);
        EXPECT_EQ(RowLevels(*source), (std::vector<int>{200, 50, 200, 50}));
    }
}

TEST(CompositeImageIntoRect, ModesWithoutARuleChangeNoPixel)
{
    for (int mode : {0, 5, 8}) {
        auto destination = MakeFrame(8, 8, 0x00323232);
        auto source = MakeFrame(4, 4, 0x00C8C8C8);
        const CompositeParams params = ParamsOf(mode, 0, 100);
        const RECT rect{0, 0, 8, 8};
        CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
        EXPECT_TRUE(AllPixelsAre(*destination, Pixel{50, 50, 50})) << mode;
        EXPECT_EQ(source->GetImage()->width, 4) << mode;
    }
}

TEST(CompositeImageIntoRect, ColourKeysLetTheDestinationShowThrough)
{
    struct Case {
        const char* label;
        int mode;
        COLORREF key;
    };
    // Source pixels: the key, a near-key pixel, a far pixel; destination 50.
    const Case cases[] = {
        {"exact key", CompositeParams::kExactColorKey, RGB(0, 0, 0)},
        {"soft black key", CompositeParams::kSoftColorKey, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        auto destination = MakeFrame(3, 1, 0x00323232);
        auto source = MakeFrame(3, 1);
        Paint(*source, 1, 0, 5, 5, 5);
        Paint(*source, 2, 0, 200, 200, 200);
        const CompositeParams params = ParamsOf(c.mode, c.key, 100);
        const RECT rect{0, 0, 3, 1};
        CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &rect);
        EXPECT_EQ(PixelAt(*destination, 0, 0), (Pixel{50, 50, 50})) << c.label;
        const Pixel nearKey = c.mode == CompositeParams::kExactColorKey ? Pixel{5, 5, 5} : Pixel{50, 50, 50};
        EXPECT_EQ(PixelAt(*destination, 1, 0), nearKey) << c.label;
        EXPECT_EQ(PixelAt(*destination, 2, 0), (Pixel{200, 200, 200})) << c.label;
    }
}

TEST(CompositeImageIntoRect, MissingPiecesDoNothing)
{
    auto destination = MakeFrame(2, 2, 0x00323232);
    auto source = MakeFrame(2, 2, 0x00C8C8C8);
    const CompositeParams params = ParamsOf(CompositeParams::kConstantOpacity, 0, 100);
    const RECT outside{5, 5, 7, 7};
    const RECT inside{0, 0, 2, 2};
    CIplImage empty;
    CompositeImageIntoRect(destination.get(), source.get(), 0, &params, &outside);
    CompositeImageIntoRect(destination.get(), &empty, 0, &params, &inside);
    CompositeImageIntoRect(destination.get(), source.get(), 0, nullptr, &inside);
    CompositeImageIntoRect(nullptr, source.get(), 0, &params, &inside);
    EXPECT_TRUE(AllPixelsAre(*destination, Pixel{50, 50, 50}));
}
