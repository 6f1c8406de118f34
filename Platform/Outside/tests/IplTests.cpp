#include "Platform/Outside/Ipl/Ipl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

struct ImageDeleter {
    void operator()(IplImage* image) const
    {
        if (image != nullptr)
            iplDeallocate(image, IPL_IMAGE_ALL);
    }
};
using ImagePtr = std::unique_ptr<IplImage, ImageDeleter>;

const char* SequenceFor(int channels)
{
    switch (channels) {
    case 1:
        return "G";
    case 3:
        return "BGR";
    case 4:
        return "BGRA";
    default:
        return "XY";
    }
}

// An allocated 8-bit image whose row padding holds 0xEE, so that tests see
// writes past the end of a row.
ImagePtr MakeImage(int channels, int width, int height, int align = IPL_ALIGN_QWORD, int alphaChannel = 0,
                   const char* sequence = nullptr)
{
    IplImage* image = iplCreateImageHeader(channels, alphaChannel, IPL_DEPTH_8U, channels == 1 ? "GRAY" : "RGB",
                                           sequence != nullptr ? sequence : SequenceFor(channels), IPL_DATA_ORDER_PIXEL,
                                           IPL_ORIGIN_TL, align, width, height, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(image, nullptr);
    iplAllocateImage(image, 1, 0xEE);
    iplSet(image, 0);
    return ImagePtr(image);
}

BYTE& At(IplImage* image, int x, int y, int c = 0)
{
    return reinterpret_cast<BYTE*>(image->imageData)[y * image->widthStep + x * image->nChannels + c];
}

// Writes `values`, whole rows of width x channels bytes in order.
void Fill(IplImage* image, const std::vector<int>& values)
{
    const int rowBytes = image->width * image->nChannels;
    for (std::size_t i = 0; i < values.size(); ++i)
        image->imageData[(i / rowBytes) * image->widthStep + i % rowBytes] = static_cast<char>(values[i]);
}

ImagePtr MakeFilled(int channels, int width, int height, const std::vector<int>& values)
{
    ImagePtr image = MakeImage(channels, width, height);
    Fill(image.get(), values);
    return image;
}

std::vector<int> Read(const IplImage* image)
{
    std::vector<int> values;
    for (int y = 0; y < image->height; ++y)
        for (int i = 0; i < image->width * image->nChannels; ++i)
            values.push_back(static_cast<BYTE>(image->imageData[y * image->widthStep + i]));
    return values;
}

bool PaddingIntact(const IplImage* image)
{
    const int rowBytes = image->width * image->nChannels;
    for (int y = 0; y < image->height; ++y)
        for (int i = rowBytes; i < image->widthStep; ++i)
            if (static_cast<BYTE>(image->imageData[y * image->widthStep + i]) != 0xEE)
                return false;
    return true;
}

void SetRoi(IplImage* image, int coi, int x, int y, int width, int height)
{
    if (image->roi != nullptr)
        iplSetROI(image->roi, coi, x, y, width, height);
    else
        image->roi = iplCreateROI(coi, x, y, width, height);
}

std::vector<int> RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<int> values(count);
    for (int& v : values)
        v = level(random);
    return values;
}

// A DIB block: header, then `extra` (masks or colour table), then rows.
struct Dib {
    std::vector<BYTE> bytes;

    BITMAPINFOHEADER* Header() { return reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
    BYTE* Pixels() { return bytes.data() + m_pixelOffset; }
    int Stride() const { return m_stride; }
    // Memory row `row` (0 is the first row in memory).
    BYTE* Row(int row) { return Pixels() + row * m_stride; }

    std::size_t m_pixelOffset = 0;
    int m_stride = 0;
};

Dib MakeDib(int bits, int width, int height, DWORD compression = BI_RGB, const std::vector<DWORD>& extra = {},
            DWORD colorsUsed = 0)
{
    Dib dib;
    dib.m_stride = (width * bits + 31) / 32 * 4;
    const int rows = height < 0 ? -height : height;
    dib.m_pixelOffset = sizeof(BITMAPINFOHEADER) + extra.size() * 4;
    dib.bytes.assign(dib.m_pixelOffset + static_cast<std::size_t>(dib.m_stride) * rows, 0);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = compression;
    header.biClrUsed = colorsUsed;
    std::memcpy(dib.bytes.data(), &header, sizeof header);
    if (!extra.empty())
        std::memcpy(dib.bytes.data() + sizeof header, extra.data(), extra.size() * 4);
    return dib;
}

DWORD Quad(int r, int g, int b)
{
    return static_cast<DWORD>(b | g << 8 | r << 16);
}

std::vector<int> Bytes(const BYTE* p, int count)
{
    return std::vector<int>(p, p + count);
}

// The four pixels (blue, green, red) of the DIB conversion tests: row 0
// then row 1.
const std::vector<int> kQuadPixels = {0x10, 0x20, 0x30, 0xFF, 0x80, 0x00, 0x08, 0x04, 0x02, 0x00, 0x00, 0xFF};

} // namespace

TEST(IplHeader, RowsAreAlignedAndSized)
{
    struct Case {
        int channels;
        int width;
        int align;
        int step;
    };
    const Case cases[] = {
        {3, 1, 8, 8}, {3, 8, 8, 24}, {3, 180, 8, 544}, {3, 5, 4, 16}, {1, 10, 8, 16}, {1, 10, 4, 12}, {4, 3, 32, 32},
    };
    for (const Case& c : cases) {
        ImagePtr image(iplCreateImageHeader(c.channels, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL,
                                            IPL_ORIGIN_TL, c.align, c.width, 3, nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(iplGetErrStatus(), IPL_StsOk);
        EXPECT_EQ(image->widthStep, c.step) << c.channels << "x" << c.width << " align " << c.align;
        EXPECT_EQ(image->imageSize, c.step * 3);
        EXPECT_EQ(image->nSize, static_cast<int>(sizeof(IplImage)));
        EXPECT_EQ(image->imageData, nullptr);
        EXPECT_EQ(std::string(image->channelSeq, 3), "BGR");
    }
}

TEST(IplHeader, BadArgumentsGiveNullAndStatus)
{
    struct Case {
        const char* label;
        int channels;
        int alpha;
        int depth;
        int order;
        int origin;
        int align;
        int width;
        int height;
        IPLStatus status;
    };
    const Case cases[] = {
        {"no channels", 0, 0, IPL_DEPTH_8U, 0, 0, 8, 4, 4, IPL_BadNumChannels},
        {"five channels", 5, 0, IPL_DEPTH_8U, 0, 0, 8, 4, 4, IPL_BadNumChannels},
        {"alpha past channels", 3, 4, IPL_DEPTH_8U, 0, 0, 8, 4, 4, IPL_BadAlphaChannel},
        {"16-bit depth", 3, 0, IPL_DEPTH_16U, 0, 0, 8, 4, 4, IPL_BadDepth},
        {"plane order", 3, 0, IPL_DEPTH_8U, IPL_DATA_ORDER_PLANE, 0, 8, 4, 4, IPL_BadOrder},
        {"origin 2", 3, 0, IPL_DEPTH_8U, 0, 2, 8, 4, 4, IPL_BadOrigin},
        {"align 3", 3, 0, IPL_DEPTH_8U, 0, 0, 3, 4, 4, IPL_BadAlign},
        {"zero width", 3, 0, IPL_DEPTH_8U, 0, 0, 8, 0, 4, IPL_BadImageSize},
        {"negative height", 3, 0, IPL_DEPTH_8U, 0, 0, 8, 4, -1, IPL_BadImageSize},
        {"over 2 GB", 3, 0, IPL_DEPTH_8U, 0, 0, 8, 30000, 30000, IPL_BadImageSize},
    };
    for (const Case& c : cases) {
        IplImage* image = iplCreateImageHeader(c.channels, c.alpha, c.depth, "RGB", "BGR", c.order, c.origin, c.align,
                                               c.width, c.height, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(image, nullptr) << c.label;
        EXPECT_EQ(iplGetErrStatus(), c.status) << c.label;
    }
}

TEST(IplHeader, AllocationFillsAndAlignsTheData)
{
    ImagePtr image(iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", 0, 0, 8, 5, 3, nullptr, nullptr, nullptr,
                                        nullptr));
    iplAllocateImage(image.get(), 1, 0x5A);
    ASSERT_EQ(iplGetErrStatus(), IPL_StsOk);
    ASSERT_NE(image->imageData, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image->imageData) % 32, 0u);
    for (int i = 0; i < image->imageSize; ++i)
        ASSERT_EQ(static_cast<BYTE>(image->imageData[i]), 0x5A);
    iplAllocateImage(image.get(), 0, 0x5A);
    for (int i = 0; i < image->imageSize; ++i)
        ASSERT_EQ(image->imageData[i], 0);

    iplAllocateImage(nullptr, 1, 0);
    EXPECT_EQ(iplGetErrStatus(), IPL_HeaderIsNull);
}

TEST(IplHeader, DeallocatingTheRoiKeepsTheImage)
{
    ImagePtr image = MakeImage(3, 4, 4);
    SetRoi(image.get(), 1, 1, 1, 2, 2);
    iplDeallocate(image.get(), IPL_IMAGE_ROI);
    EXPECT_EQ(image->roi, nullptr);
    EXPECT_NE(image->imageData, nullptr);
    iplSet(image.get(), 7);
    EXPECT_EQ(At(image.get(), 3, 3, 2), 7);
}

TEST(IplStatus, EachCallSetsTheStatus)
{
    iplSet(nullptr, 0);
    EXPECT_EQ(iplGetErrStatus(), IPL_HeaderIsNull);
    ImagePtr image = MakeImage(1, 2, 2);
    iplSet(image.get(), 1);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsOk);
    iplSetErrStatus(IPL_StsError);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsError);
}

TEST(IplRegion, BadRegionsFailAndChangeNothing)
{
    struct Case {
        const char* label;
        int coi;
        int x;
        int y;
        int width;
        int height;
        IPLStatus status;
    };
    const Case cases[] = {
        {"past the right edge", 0, 2, 0, 3, 1, IPL_BadROISize},
        {"past the bottom", 0, 0, 3, 1, 2, IPL_BadROISize},
        {"negative offset", 0, -1, 0, 1, 1, IPL_BadROISize},
        {"empty", 0, 0, 0, 0, 1, IPL_BadROISize},
        {"coi 4 of 3 channels", 4, 0, 0, 1, 1, IPL_BadCOI},
    };
    for (const Case& c : cases) {
        ImagePtr image = MakeImage(3, 4, 4);
        SetRoi(image.get(), c.coi, c.x, c.y, c.width, c.height);
        iplSet(image.get(), 9);
        EXPECT_EQ(iplGetErrStatus(), c.status) << c.label;
        EXPECT_EQ(Read(image.get()), std::vector<int>(48, 0)) << c.label;
    }
}

TEST(IplSet, FillsTheRegionOrItsChannel)
{
    struct Case {
        const char* label;
        bool roi;
        int coi;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"whole image", false, 0, std::vector<int>(12, 200)},
        {"region", true, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 200, 200}},
        {"channel 2 of a region", true, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 0}},
    };
    for (const Case& c : cases) {
        ImagePtr image = MakeImage(3, 2, 2);
        if (c.roi)
            SetRoi(image.get(), c.coi, 1, 1, 1, 1);
        iplSet(image.get(), 200 + 256);
        EXPECT_EQ(Read(image.get()), c.expected) << c.label;
        EXPECT_TRUE(PaddingIntact(image.get())) << c.label;
    }
}

TEST(IplCopy, CopiesTheSharedPartOfTheRegions)
{
    ImagePtr src = MakeFilled(1, 4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    ImagePtr dst = MakeImage(1, 4, 3);
    SetRoi(src.get(), 0, 1, 1, 3, 2);
    SetRoi(dst.get(), 0, 0, 0, 2, 3);
    iplCopy(src.get(), dst.get());
    EXPECT_EQ(iplGetErrStatus(), IPL_StsOk);
    EXPECT_EQ(Read(dst.get()), (std::vector<int>{6, 7, 0, 0, 10, 11, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(PaddingIntact(dst.get()));
}

TEST(IplCopy, ChannelOfInterestPicksOneChannel)
{
    struct Case {
        const char* label;
        int srcChannels;
        int srcCoi;
        int dstChannels;
        int dstCoi;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"coi 1 of 3 channels into 1 channel", 3, 1, 1, 0, {10, 40}},
        {"coi 3 of 3 channels into 1 channel", 3, 3, 1, 0, {30, 60}},
        {"1 channel into coi 2", 1, 0, 3, 2, {0, 10, 0, 0, 20, 0}},
        {"coi 2 to coi 3", 3, 2, 3, 3, {0, 0, 20, 0, 0, 50}},
        {"coi on the source only", 3, 2, 3, 0, {0, 20, 0, 0, 50, 0}},
    };
    for (const Case& c : cases) {
        ImagePtr src = MakeFilled(c.srcChannels, 2, 1,
                                  c.srcChannels == 1 ? std::vector<int>{10, 20} : std::vector<int>{10, 20, 30, 40, 50, 60});
        ImagePtr dst = MakeImage(c.dstChannels, 2, 1);
        if (c.srcCoi != 0)
            SetRoi(src.get(), c.srcCoi, 0, 0, 2, 1);
        if (c.dstCoi != 0)
            SetRoi(dst.get(), c.dstCoi, 0, 0, 2, 1);
        iplCopy(src.get(), dst.get());
        EXPECT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
        EXPECT_EQ(Read(dst.get()), c.expected) << c.label;
    }
}

TEST(IplCopy, DifferentChannelCountsWithoutCoiFail)
{
    ImagePtr src = MakeImage(3, 2, 2);
    ImagePtr dst = MakeImage(1, 2, 2);
    iplCopy(src.get(), dst.get());
    EXPECT_EQ(iplGetErrStatus(), IPL_BadNumChannels);
}

TEST(IplCopy, OverlappingRegionsOfOneImageCopyAsIfThroughABuffer)
{
    ImagePtr image = MakeFilled(1, 5, 1, {1, 2, 3, 4, 5});
    // The same image as source (columns 0-3) and destination (columns 1-4):
    // a second header over the same pixels carries the other region.
    IplImage alias = *image;
    alias.roi = iplCreateROI(0, 0, 0, 4, 1);
    SetRoi(image.get(), 0, 1, 0, 4, 1);
    iplCopy(&alias, image.get());
    iplDeleteROI(alias.roi);
    iplDeallocate(image.get(), IPL_IMAGE_ROI);
    EXPECT_EQ(Read(image.get()), (std::vector<int>{1, 1, 2, 3, 4}));
}

TEST(IplMirror, FlipsAboutEitherAxis)
{
    struct Case {
        int axis;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {0, {4, 5, 6, 1, 2, 3}},
        {1, {3, 2, 1, 6, 5, 4}},
        {-1, {6, 5, 4, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        ImagePtr src = MakeFilled(1, 3, 2, {1, 2, 3, 4, 5, 6});
        ImagePtr dst = MakeImage(1, 3, 2);
        iplMirror(src.get(), dst.get(), c.axis);
        EXPECT_EQ(Read(dst.get()), c.expected) << "axis " << c.axis;
        iplMirror(src.get(), src.get(), c.axis);
        EXPECT_EQ(Read(src.get()), c.expected) << "in place, axis " << c.axis;
    }
}

TEST(IplMirror, KeepsPixelsWholeAndRejectsOtherAxes)
{
    ImagePtr src = MakeFilled(3, 2, 1, {1, 2, 3, 4, 5, 6});
    ImagePtr dst = MakeImage(3, 2, 1);
    iplMirror(src.get(), dst.get(), 1);
    EXPECT_EQ(Read(dst.get()), (std::vector<int>{4, 5, 6, 1, 2, 3}));
    iplMirror(src.get(), dst.get(), 2);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
}

TEST(IplZoom, NearestNeighbourRepeatsPixels)
{
    ImagePtr src = MakeFilled(1, 2, 2, {7, 9, 11, 13});
    ImagePtr dst = MakeImage(1, 4, 4);
    iplZoom(src.get(), dst.get(), 4, 2, 4, 2, IPL_INTER_NN);
    EXPECT_EQ(Read(dst.get()), (std::vector<int>{7, 7, 9, 9, 7, 7, 9, 9, 11, 11, 13, 13, 11, 11, 13, 13}));
}

TEST(IplZoom, LinearInterpolatesBetweenPixelCentres)
{
    ImagePtr src = MakeFilled(1, 2, 2, {0, 100, 100, 200});
    ImagePtr dst = MakeImage(1, 4, 4);
    iplZoom(src.get(), dst.get(), 4, 2, 4, 2, IPL_INTER_LINEAR);
    EXPECT_EQ(Read(dst.get()),
              (std::vector<int>{0, 25, 75, 100, 25, 50, 100, 125, 75, 100, 150, 175, 100, 125, 175, 200}));
}

TEST(IplZoom, ScaledSizeIsTheRegionTimesTheFraction)
{
    ImagePtr src = MakeFilled(1, 3, 1, {10, 20, 30});
    ImagePtr dst = MakeImage(1, 10, 2);
    iplSet(dst.get(), 99);
    iplZoom(src.get(), dst.get(), 5, 2, 1, 1, IPL_INTER_NN);
    const std::vector<int> values = Read(dst.get());
    EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 10),
              (std::vector<int>{10, 10, 20, 20, 20, 30, 30, 99, 99, 99}));
    EXPECT_EQ(std::vector<int>(values.begin() + 10, values.end()), std::vector<int>(10, 99));
}

TEST(IplDecimate, LinearAveragesTheCoveredSpan)
{
    struct Case {
        const char* label;
        std::vector<int> row;
        int xDst;
        int xSrc;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"half", {10, 20, 30, 41}, 1, 2, {15, 36}},
        {"two thirds", {0, 90, 180}, 2, 3, {30, 150}},
        {"one", {3, 200, 17}, 1, 1, {3, 200, 17}},
    };
    for (const Case& c : cases) {
        const int width = static_cast<int>(c.row.size());
        ImagePtr src = MakeFilled(1, width, 1, c.row);
        ImagePtr dst = MakeImage(1, static_cast<int>(c.expected.size()), 1);
        iplDecimate(src.get(), dst.get(), c.xDst, c.xSrc, 1, 1, IPL_INTER_LINEAR);
        EXPECT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
        EXPECT_EQ(Read(dst.get()), c.expected) << c.label;
    }
}

TEST(IplDecimate, NearestNeighbourSamplesPixelCentres)
{
    ImagePtr src = MakeFilled(1, 4, 1, {10, 20, 30, 41});
    ImagePtr dst = MakeImage(1, 2, 1);
    iplDecimate(src.get(), dst.get(), 1, 2, 1, 1, IPL_INTER_NN);
    EXPECT_EQ(Read(dst.get()), (std::vector<int>{20, 41}));
}

TEST(IplScaling, FlatImagesStayFlatAndFactorOneCopies)
{
    struct Case {
        int xDst;
        int xSrc;
        int yDst;
        int ySrc;
        int interpolate;
        bool zoom;
    };
    const Case cases[] = {
        {3, 1, 7, 3, IPL_INTER_LINEAR, true}, {5, 4, 2, 1, IPL_INTER_NN, true},   {9, 7, 9, 7, IPL_INTER_SUPER, true},
        {1, 3, 2, 7, IPL_INTER_LINEAR, false}, {3, 5, 1, 1, IPL_INTER_NN, false},
    };
    for (const Case& c : cases) {
        ImagePtr src = MakeImage(3, 21, 14);
        iplSet(src.get(), 173);
        ImagePtr dst = MakeImage(3, 21 * c.xDst / c.xSrc, 14 * c.yDst / c.ySrc);
        if (c.zoom)
            iplZoom(src.get(), dst.get(), c.xDst, c.xSrc, c.yDst, c.ySrc, c.interpolate);
        else
            iplDecimate(src.get(), dst.get(), c.xDst, c.xSrc, c.yDst, c.ySrc, c.interpolate);
        EXPECT_EQ(Read(dst.get()), std::vector<int>(dst->width * dst->height * 3, 173))
            << c.xDst << "/" << c.xSrc << " x " << c.yDst << "/" << c.ySrc;
        EXPECT_TRUE(PaddingIntact(dst.get()));
    }
    const std::vector<int> picture = RandomBytes(11 * 6 * 3, 1);
    for (int interpolate : {IPL_INTER_NN, IPL_INTER_LINEAR, IPL_INTER_SUPER}) {
        ImagePtr src = MakeFilled(3, 11, 6, picture);
        ImagePtr zoomed = MakeImage(3, 11, 6);
        ImagePtr decimated = MakeImage(3, 11, 6);
        iplZoom(src.get(), zoomed.get(), 1, 1, 1, 1, interpolate);
        iplDecimate(src.get(), decimated.get(), 1, 1, 1, 1, interpolate);
        EXPECT_EQ(Read(zoomed.get()), picture) << interpolate;
        EXPECT_EQ(Read(decimated.get()), picture) << interpolate;
    }
}

TEST(IplScaling, WrongFractionsOrFiltersAreRejected)
{
    ImagePtr src = MakeImage(1, 4, 4);
    ImagePtr dst = MakeImage(1, 4, 4);
    iplZoom(src.get(), dst.get(), 1, 2, 1, 1, IPL_INTER_NN);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
    iplZoom(src.get(), dst.get(), 1, 0, 1, 1, IPL_INTER_NN);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
    iplDecimate(src.get(), dst.get(), 2, 1, 1, 1, IPL_INTER_NN);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
    iplDecimate(src.get(), dst.get(), 1, 2, 1, 1, 7);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
}

TEST(IplScaling, HonoursRegionsAndChannelOfInterest)
{
    ImagePtr src = MakeFilled(3, 3, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    ImagePtr dst = MakeImage(1, 5, 1);
    SetRoi(src.get(), 2, 1, 0, 2, 1);
    SetRoi(dst.get(), 0, 1, 0, 4, 1);
    iplZoom(src.get(), dst.get(), 2, 1, 1, 1, IPL_INTER_NN);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsOk);
    EXPECT_EQ(Read(dst.get()), (std::vector<int>{0, 5, 5, 8, 8}));
}

TEST(IplBlur, AveragesTheBoxAroundTheAnchorWithRepeatedEdges)
{
    struct Case {
        const char* label;
        int cols;
        int rows;
        int anchorX;
        int anchorY;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"3 wide, centred", 3, 1, 1, 0, {0, 0, 30, 61}},
        {"3 wide, anchored left", 3, 1, 0, 0, {0, 30, 61, 91}},
        {"1 x 1", 1, 1, 0, 0, {0, 0, 0, 91}},
        {"2 wide rounds halves up", 2, 1, 0, 0, {0, 0, 46, 91}},
    };
    for (const Case& c : cases) {
        ImagePtr row = MakeFilled(1, 4, 1, {0, 0, 0, 91});
        ImagePtr out = MakeImage(1, 4, 1);
        iplBlur(row.get(), out.get(), c.cols, c.rows, c.anchorX, c.anchorY);
        EXPECT_EQ(Read(out.get()), c.expected) << c.label;

        ImagePtr column = MakeFilled(1, 1, 4, {0, 0, 0, 91});
        iplBlur(column.get(), column.get(), c.rows, c.cols, c.anchorY, c.anchorX);
        EXPECT_EQ(Read(column.get()), c.expected) << c.label << ", down a column in place";
    }
}

TEST(IplBlur, BlursEveryChannelOrTheChannelOfInterest)
{
    ImagePtr image = MakeFilled(3, 3, 3, std::vector<int>(27, 0));
    At(image.get(), 1, 1, 0) = 90;
    At(image.get(), 1, 1, 2) = 180;
    ImagePtr out = MakeImage(3, 3, 3);
    iplBlur(image.get(), out.get(), 3, 3, 1, 1);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Bytes(reinterpret_cast<BYTE*>(&At(out.get(), i % 3, i / 3)), 3), (std::vector<int>{10, 0, 20}));

    SetRoi(image.get(), 3, 0, 0, 3, 3);
    iplBlur(image.get(), image.get(), 3, 3, 1, 1);
    EXPECT_EQ(Bytes(reinterpret_cast<BYTE*>(&At(image.get(), 0, 0)), 3), (std::vector<int>{0, 0, 20}));
    EXPECT_EQ(Bytes(reinterpret_cast<BYTE*>(&At(image.get(), 1, 1)), 3), (std::vector<int>{90, 0, 20}));

    iplBlur(image.get(), out.get(), 3, 3, 3, 0);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
    iplBlur(image.get(), out.get(), 0, 3, 0, 0);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
}

TEST(IplComposite, ConstantAlphasFollowThePorterDuffRules)
{
    struct Case {
        const char* label;
        int type;
        BOOL premul;
        BOOL divide;
        int expected;
    };
    // A = 200 with alpha 160, B = 100 with alpha 96.
    const Case cases[] = {
        {"over", IPL_COMPOSITE_OVER, 0, 1, 182},    {"over, not divided", IPL_COMPOSITE_OVER, 0, 0, 140},
        {"in", IPL_COMPOSITE_IN, 0, 1, 200},        {"in, not divided", IPL_COMPOSITE_IN, 0, 0, 47},
        {"out", IPL_COMPOSITE_OUT, 0, 1, 200},      {"out, not divided", IPL_COMPOSITE_OUT, 0, 0, 78},
        {"atop", IPL_COMPOSITE_ATOP, 0, 1, 163},    {"atop, not divided", IPL_COMPOSITE_ATOP, 0, 0, 61},
        {"xor", IPL_COMPOSITE_XOR, 0, 1, 174},      {"xor, not divided", IPL_COMPOSITE_XOR, 0, 0, 92},
        {"plus", IPL_COMPOSITE_PLUS, 0, 1, 163},    {"over, premultiplied", IPL_COMPOSITE_OVER, 1, 0, 237},
        {"in, premultiplied", IPL_COMPOSITE_IN, 1, 0, 75},
    };
    for (const Case& c : cases) {
        ImagePtr a = MakeFilled(3, 1, 1, {200, 200, 200});
        ImagePtr b = MakeFilled(3, 1, 1, {100, 100, 100});
        ImagePtr d = MakeImage(3, 1, 1);
        iplAlphaCompositeC(a.get(), b.get(), d.get(), c.type, 160, 96, c.premul, c.divide);
        EXPECT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
        EXPECT_EQ(Read(d.get()), std::vector<int>(3, c.expected)) << c.label;
    }
}

TEST(IplComposite, ConstantOverLimitsAndDissolveWeights)
{
    struct Case {
        int aA;
        int aB;
        int expected;
    };
    // A = 200, B = 100; the blends' alphas are 255 - a and a.
    const Case cases[] = {{255, 0, 200}, {0, 255, 100}, {127, 128, 166}, {300, -4, 200}, {255, 255, 200}, {0, 0, 0}};
    for (const Case& c : cases) {
        ImagePtr a = MakeFilled(1, 3, 1, {200, 200, 200});
        ImagePtr b = MakeFilled(1, 3, 1, {100, 100, 100});
        ImagePtr d = MakeImage(1, 3, 1);
        iplAlphaCompositeC(a.get(), b.get(), d.get(), IPL_COMPOSITE_OVER, c.aA, c.aB, FALSE, TRUE);
        EXPECT_EQ(Read(d.get()), std::vector<int>(3, c.expected)) << c.aA << "/" << c.aB;
    }
}

TEST(IplComposite, MaskOverOpaqueImageMatchesTheFormulaForEveryLevel)
{
    // Every pair of colour level (x) and alpha (y), over three B levels.
    ImagePtr a = MakeImage(1, 256, 256);
    ImagePtr mask = MakeImage(1, 256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            At(a.get(), x, y) = static_cast<BYTE>(x);
            At(mask.get(), x, y) = static_cast<BYTE>(y);
        }
    for (int level : {0, 77, 255}) {
        ImagePtr b = MakeImage(1, 256, 256);
        iplSet(b.get(), level);
        ImagePtr d = MakeImage(1, 256, 256);
        iplAlphaComposite(a.get(), b.get(), d.get(), IPL_COMPOSITE_OVER, mask.get(), nullptr, nullptr, FALSE, TRUE);
        ASSERT_EQ(iplGetErrStatus(), IPL_StsOk);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const int weighted = 255 * (x * y + level * (255 - y));
                ASSERT_EQ(At(d.get(), x, y), (weighted + 65025 / 2) / 65025) << x << " " << y << " " << level;
            }
    }
}

TEST(IplComposite, MaskSelectsPerPixelWithinRegions)
{
    ImagePtr a = MakeFilled(3, 3, 1, {200, 200, 200, 200, 200, 200, 200, 200, 200});
    ImagePtr b = MakeFilled(3, 3, 1, {100, 100, 100, 100, 100, 100, 100, 100, 100});
    ImagePtr mask = MakeFilled(1, 4, 1, {9, 255, 0, 128});
    SetRoi(mask.get(), 0, 1, 0, 3, 1);
    iplAlphaComposite(a.get(), b.get(), b.get(), IPL_COMPOSITE_OVER, mask.get(), nullptr, nullptr, FALSE, TRUE);
    EXPECT_EQ(Read(b.get()), (std::vector<int>{200, 200, 200, 100, 100, 100, 150, 150, 150}));
}

TEST(IplComposite, AlphaChannelsAndResultAlpha)
{
    // BGRA images: A carries its alpha in channel 4; the destination gets
    // the result alpha there.
    ImagePtr a = MakeImage(4, 1, 1, IPL_ALIGN_QWORD, 4);
    ImagePtr b = MakeImage(4, 1, 1, IPL_ALIGN_QWORD, 4);
    ImagePtr d = MakeImage(4, 1, 1, IPL_ALIGN_QWORD, 4);
    Fill(a.get(), {200, 200, 200, 160});
    Fill(b.get(), {100, 100, 100, 96});
    iplAlphaComposite(a.get(), b.get(), d.get(), IPL_COMPOSITE_OVER, nullptr, nullptr, nullptr, FALSE, TRUE);
    EXPECT_EQ(Read(d.get()), (std::vector<int>{182, 182, 182, 196}));

    ImagePtr alphaOut = MakeImage(1, 1, 1);
    ImagePtr plainA = MakeFilled(3, 1, 1, {200, 200, 200});
    ImagePtr plainB = MakeFilled(3, 1, 1, {100, 100, 100});
    ImagePtr plainD = MakeImage(3, 1, 1);
    ImagePtr alphaA = MakeFilled(1, 1, 1, {160});
    ImagePtr alphaB = MakeFilled(1, 1, 1, {96});
    iplAlphaComposite(plainA.get(), plainB.get(), plainD.get(), IPL_COMPOSITE_OVER, alphaA.get(), alphaB.get(),
                      alphaOut.get(), FALSE, TRUE);
    EXPECT_EQ(Read(plainD.get()), (std::vector<int>{182, 182, 182}));
    EXPECT_EQ(Read(alphaOut.get()), (std::vector<int>{196}));
}

TEST(IplComposite, ChannelOfInterestLimitsTheChannels)
{
    ImagePtr a = MakeFilled(3, 2, 1, {200, 200, 200, 200, 200, 200});
    ImagePtr b = MakeFilled(3, 2, 1, {100, 100, 100, 100, 100, 100});
    SetRoi(b.get(), 2, 0, 0, 2, 1);
    iplAlphaCompositeC(a.get(), b.get(), b.get(), IPL_COMPOSITE_OVER, 255, 255, FALSE, TRUE);
    EXPECT_EQ(Read(b.get()), (std::vector<int>{100, 200, 100, 100, 200, 100}));
}

TEST(IplComposite, MismatchedImagesAndUnknownTypesFail)
{
    ImagePtr a = MakeImage(3, 2, 2);
    ImagePtr gray = MakeImage(1, 2, 2);
    iplAlphaCompositeC(a.get(), gray.get(), a.get(), IPL_COMPOSITE_OVER, 1, 1, FALSE, TRUE);
    EXPECT_EQ(iplGetErrStatus(), IPL_BadNumChannels);
    iplAlphaCompositeC(a.get(), a.get(), a.get(), 6, 1, 1, FALSE, TRUE);
    EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
    iplAlphaComposite(a.get(), nullptr, a.get(), IPL_COMPOSITE_OVER, nullptr, nullptr, nullptr, FALSE, TRUE);
    EXPECT_EQ(iplGetErrStatus(), IPL_HeaderIsNull);
}

TEST(IplDib, WritesEveryDepthWithPaddedRowsBottomUp)
{
    struct Case {
        const char* label;
        int bits;
        DWORD compression;
        std::vector<DWORD> extra;
        std::vector<int> firstRow;
        std::vector<int> secondRow;
    };
    const std::vector<DWORD> table = {Quad(0x30, 0x20, 0x10), Quad(0x00, 0x80, 0xFF), Quad(0x02, 0x04, 0x08),
                                      Quad(0xFF, 0x00, 0x00)};
    const Case cases[] = {
        {"24 bits", 24, BI_RGB, {}, {0x08, 0x04, 0x02, 0x00, 0x00, 0xFF, 0, 0}, {0x10, 0x20, 0x30, 0xFF, 0x80, 0x00, 0, 0}},
        {"32 bits", 32, BI_RGB, {}, {0x08, 0x04, 0x02, 0, 0x00, 0x00, 0xFF, 0}, {0x10, 0x20, 0x30, 0, 0xFF, 0x80, 0x00, 0}},
        {"16 bits 5-5-5", 16, BI_RGB, {}, {0x01, 0x00, 0x00, 0x7C}, {0x82, 0x18, 0x1F, 0x02}},
        {"16 bits 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {0x21, 0x00, 0x00, 0xF8}, {0x02, 0x31, 0x1F, 0x04}},
        {"8 bits", 8, BI_RGB, table, {2, 3, 0, 0}, {0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        ImagePtr image = MakeFilled(3, 2, 2, kQuadPixels);
        Dib dib = MakeDib(c.bits, 2, 2, c.compression, c.extra, c.bits == 8 ? 4 : 0);
        std::memset(dib.Pixels(), 0, dib.bytes.size() - dib.m_pixelOffset);
        iplConvertToDIB(image.get(), dib.Header(), IPL_DITHER_NONE, IPL_PALCONV_NONE);
        EXPECT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
        EXPECT_EQ(Bytes(dib.Row(0), dib.Stride()), c.firstRow) << c.label;
        EXPECT_EQ(Bytes(dib.Row(1), dib.Stride()), c.secondRow) << c.label;
    }
}

TEST(IplDib, ReadsBackEveryDepthAcrossRowStrides)
{
    struct Case {
        const char* label;
        int bits;
        DWORD compression;
        std::vector<DWORD> masks;
        int keptBits[3];
    };
    const Case cases[] = {
        {"24 bits", 24, BI_RGB, {}, {8, 8, 8}},
        {"32 bits", 32, BI_RGB, {}, {8, 8, 8}},
        {"16 bits 5-5-5", 16, BI_RGB, {}, {5, 5, 5}},
        {"16 bits 5-6-5", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {5, 6, 5}},
        {"32 bits with masks", 32, BI_BITFIELDS, {0x00FF0000, 0x0000FF00, 0x000000FF}, {8, 8, 8}},
    };
    for (const Case& c : cases) {
        for (int width = 1; width <= 5; ++width) {
            const std::vector<int> picture = RandomBytes(static_cast<std::size_t>(width) * 3 * 3, width);
            ImagePtr image = MakeFilled(3, width, 3, picture);
            Dib dib = MakeDib(c.bits, width, 3, c.compression, c.masks);
            iplConvertToDIB(image.get(), dib.Header(), IPL_DITHER_FS, IPL_PALCONV_NONE);
            ImagePtr back = MakeImage(3, width, 3);
            iplConvertFromDIB(dib.Header(), back.get());
            ASSERT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
            EXPECT_TRUE(PaddingIntact(back.get())) << c.label;
            const std::vector<int> values = Read(back.get());
            for (std::size_t i = 0; i < values.size(); ++i) {
                // Blue, green, red keep their top bits; the rest repeats
                // them.
                const int channel = static_cast<int>(i % 3);
                const int bits = c.keptBits[2 - channel];
                const int top = picture[i] >> (8 - bits);
                int expected = 0;
                for (int pos = 8 - bits;; pos -= bits) {
                    expected |= pos >= 0 ? top << pos : top >> -pos;
                    if (pos <= 0)
                        break;
                }
                ASSERT_EQ(values[i], expected) << c.label << " width " << width << " value " << i;
            }
        }
    }
}

TEST(IplDib, TopDownDibsAndBottomLeftImagesKeepRowOrder)
{
    ImagePtr image = MakeFilled(3, 2, 2, kQuadPixels);
    Dib topDown = MakeDib(24, 2, -2);
    iplConvertToDIB(image.get(), topDown.Header(), IPL_DITHER_NONE, IPL_PALCONV_NONE);
    EXPECT_EQ(Bytes(topDown.Row(0), 6), (std::vector<int>{0x10, 0x20, 0x30, 0xFF, 0x80, 0x00}));

    image->origin = IPL_ORIGIN_BL;
    Dib bottomUp = MakeDib(24, 2, 2);
    iplConvertToDIB(image.get(), bottomUp.Header(), IPL_DITHER_NONE, IPL_PALCONV_NONE);
    EXPECT_EQ(Bytes(bottomUp.Row(0), 6), (std::vector<int>{0x10, 0x20, 0x30, 0xFF, 0x80, 0x00}));
}

TEST(IplDib, ReadsPalettedDibsOfOneFourAndEightBits)
{
    const std::vector<DWORD> table = {Quad(0, 0, 0), Quad(255, 255, 255), Quad(10, 20, 30)};
    struct Case {
        const char* label;
        int bits;
        std::vector<BYTE> row;
        std::vector<int> indices;
    };
    const Case cases[] = {
        {"1 bit", 1, {0xB4, 0x40}, {1, 0, 1, 1, 0, 1, 0, 0, 0, 1}},
        {"4 bits", 4, {0x12, 0x01, 0x20, 0x10, 0x02}, {1, 2, 0, 1, 2, 0, 1, 0, 0, 2}},
        {"8 bits", 8, {1, 2, 0, 1, 2, 0, 1, 0, 0, 7}, {1, 2, 0, 1, 2, 0, 1, 0, 0, -1}},
    };
    for (const Case& c : cases) {
        Dib dib = MakeDib(c.bits, 10, 1, BI_RGB, c.bits == 1 ? std::vector<DWORD>(table.begin(), table.begin() + 2) : table,
                          c.bits == 1 ? 2 : 3);
        std::memcpy(dib.Row(0), c.row.data(), c.row.size());
        ImagePtr image = MakeImage(3, 10, 1);
        iplConvertFromDIB(dib.Header(), image.get());
        ASSERT_EQ(iplGetErrStatus(), IPL_StsOk) << c.label;
        for (int x = 0; x < 10; ++x) {
            const int index = c.indices[x];
            const DWORD q = index < 0 ? 0 : table[index];
            EXPECT_EQ(Bytes(&At(image.get(), x, 0), 3),
                      (std::vector<int>{static_cast<int>(q & 0xFF), static_cast<int>((q >> 8) & 0xFF),
                                        static_cast<int>((q >> 16) & 0xFF)}))
                << c.label << " pixel " << x;
        }
    }
}

TEST(IplDib, GreyImagesAndChannelOfInterest)
{
    ImagePtr grey = MakeFilled(1, 2, 1, {7, 250});
    Dib dib = MakeDib(24, 2, 1);
    iplConvertToDIB(grey.get(), dib.Header(), IPL_DITHER_NONE, IPL_PALCONV_NONE);
    EXPECT_EQ(Bytes(dib.Row(0), 6), (std::vector<int>{7, 7, 7, 250, 250, 250}));

    Dib colours = MakeDib(24, 2, 1);
    const BYTE bgr[] = {0, 0, 255, 255, 255, 255};
    std::memcpy(colours.Row(0), bgr, sizeof bgr);
    ImagePtr luminance = MakeImage(1, 2, 1);
    iplConvertFromDIB(colours.Header(), luminance.get());
    EXPECT_EQ(Read(luminance.get()), (std::vector<int>{76, 255}));

    ImagePtr image = MakeImage(3, 2, 1);
    SetRoi(image.get(), 3, 0, 0, 2, 1);
    iplConvertFromDIB(colours.Header(), image.get());
    EXPECT_EQ(Read(image.get()), (std::vector<int>{0, 0, 255, 0, 0, 255}));
}

TEST(IplDib, ConvertsOnlyTheRegion)
{
    ImagePtr image = MakeFilled(3, 2, 2, kQuadPixels);
    SetRoi(image.get(), 0, 1, 1, 1, 1);
    Dib dib = MakeDib(24, 1, 1);
    iplConvertToDIB(image.get(), dib.Header(), IPL_DITHER_NONE, IPL_PALCONV_NONE);
    EXPECT_EQ(Bytes(dib.Row(0), 3), (std::vector<int>{0x00, 0x00, 0xFF}));

    ImagePtr target = MakeImage(3, 3, 3);
    SetRoi(target.get(), 0, 2, 2, 1, 1);
    iplConvertFromDIB(dib.Header(), target.get());
    iplDeallocate(target.get(), IPL_IMAGE_ROI);
    std::vector<int> expected(27, 0);
    expected[26] = 0xFF;
    EXPECT_EQ(Read(target.get()), expected);
}

TEST(IplDib, UnsupportedDibsAreRejected)
{
    struct Case {
        const char* label;
        int bits;
        DWORD compression;
        DWORD colorsUsed;
        bool writing;
    };
    const Case cases[] = {
        {"2 bits", 2, BI_RGB, 0, false},       {"run-length", 8, BI_RLE8, 0, false},
        {"1 bit target", 1, BI_RGB, 0, true},  {"masks on 24 bits", 24, BI_BITFIELDS, 0, false},
        {"table too long", 8, BI_RGB, 300, false},
    };
    for (const Case& c : cases) {
        Dib dib = MakeDib(c.bits, 2, 2, c.compression, std::vector<DWORD>(256, 0), c.colorsUsed);
        ImagePtr image = MakeImage(3, 2, 2);
        if (c.writing)
            iplConvertToDIB(image.get(), dib.Header(), 0, 0);
        else
            iplConvertFromDIB(dib.Header(), image.get());
        EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg) << c.label;
    }
    ImagePtr image = MakeImage(3, 2, 2);
    iplConvertFromDIB(nullptr, image.get());
    EXPECT_EQ(iplGetErrStatus(), IPL_StsNullPtr);
}

TEST(IplDib, PopularityFillsTheTableWithTheCommonestColours)
{
    ImagePtr image = MakeFilled(3, 2, 2, {0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0xF0, 0x08, 0x80});
    Dib dib = MakeDib(8, 2, 2, BI_RGB, std::vector<DWORD>(4, 0x00ABCDEF), 4);
    iplConvertToDIB(image.get(), dib.Header(), IPL_DITHER_NONE, IPL_PALCONV_POPULATE);
    const auto* table = reinterpret_cast<const DWORD*>(dib.bytes.data() + sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(table[0], Quad(0x34, 0x24, 0x14));
    EXPECT_EQ(table[1], Quad(0x84, 0x0C, 0xF4));
    EXPECT_EQ(table[2], 0u);
    EXPECT_EQ(table[3], 0u);
    EXPECT_EQ(Bytes(dib.Row(0), 2), (std::vector<int>{0, 1}));
    EXPECT_EQ(Bytes(dib.Row(1), 2), (std::vector<int>{0, 0}));
}

TEST(IplDib, ErrorDiffusionMixesTheTableColours)
{
    ImagePtr image = MakeImage(3, 8, 8);
    iplSet(image.get(), 128);
    const std::vector<DWORD> blackAndWhite = {Quad(0, 0, 0), Quad(255, 255, 255)};
    int white[2] = {0, 0};
    for (int dither : {IPL_DITHER_NONE, IPL_DITHER_FS}) {
        Dib dib = MakeDib(8, 8, 8, BI_RGB, blackAndWhite, 2);
        iplConvertToDIB(image.get(), dib.Header(), dither, IPL_PALCONV_NONE);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                white[dither] += dib.Row(y)[x];
    }
    EXPECT_EQ(white[IPL_DITHER_NONE], 64);
    EXPECT_GE(white[IPL_DITHER_FS], 28);
    EXPECT_LE(white[IPL_DITHER_FS], 36);
}
