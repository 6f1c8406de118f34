#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "FramePixels.h"
#include "TransitionGolden.h"
#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionRaster.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Catalogue rows used here.
constexpr INT kDissolveRow = 1;
constexpr INT kWipeLeftToRightRow = 5;
constexpr INT kPushDownRow = 14;
constexpr INT kSlideInDownRow = 10;
constexpr INT kSlideOutDownRow = 6;
constexpr INT kDoorFromRightRow = 52;
constexpr INT kDoorFromTopRow = 54;
constexpr INT kDoorClosingRow = 56;

using frame_pixels::PixelAt;
using frame_pixels::RgbPixels;

// Picture A: a smooth colour gradient.
std::unique_ptr<CIplImage> MakeGradientFrame(int width = kWidth, int height = kHeight)
{
    auto image = std::make_unique<CIplImage>(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = PixelAt(*image, x, y);
            p[0] = static_cast<BYTE>(40 + 3 * y);
            p[1] = static_cast<BYTE>(20 + 2 * x);
            p[2] = static_cast<BYTE>(200 - x - y);
        }
    }
    return image;
}

// Picture B: a checkerboard of 8-pixel squares with a stripe per row.
std::unique_ptr<CIplImage> MakeCheckerFrame(int width = kWidth, int height = kHeight)
{
    auto image = std::make_unique<CIplImage>(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = PixelAt(*image, x, y);
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = light ? 230 : 60;
            p[1] = static_cast<BYTE>(light ? 220 : 4 * y);
            p[2] = light ? 90 : 10;
        }
    }
    return image;
}

std::unique_ptr<CIplImage> MakeFlatFrame(COLORREF color, int width = kWidth, int height = kHeight)
{
    auto image = std::make_unique<CIplImage>(width, height, 0);
    image->FillColor(color);
    return image;
}

bool SamePixel(CIplImage& a, int ax, int ay, CIplImage& b, int bx, int by)
{
    const BYTE* p = PixelAt(a, ax, ay);
    const BYTE* q = PixelAt(b, bx, by);
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

bool SamePicture(CIplImage& a, CIplImage& b)
{
    const IplImage* i = a.GetImage();
    for (int y = 0; y < i->height; ++y) {
        for (int x = 0; x < i->width; ++x) {
            if (!SamePixel(a, x, y, b, x, y))
                return false;
        }
    }
    return true;
}

std::unique_ptr<TransitionEffect> CreateEffect(INT row, INT softness = 0)
{
    std::unique_ptr<TransitionEffect> effect(TransitionCatalog::Create(row));
    effect->GetParams()->m_nSoftness = softness;
    return effect;
}

// Blends A and B at `progress` with the effect into a fresh output.
std::unique_ptr<CIplImage> BlendFrames(TransitionEffect& effect, CIplImage& a, CIplImage& b, double progress,
                                       INT frameCount = 25)
{
    const int width = a.GetImage()->width;
    const int height = a.GetImage()->height;
    auto output = std::make_unique<CIplImage>(width, height, 0);
    CIplAlphaMask mask(width, height);
    effect.Blend(&a, &b, output.get(), &mask, 0, 0, width, height, progress, frameCount, width, height, 1);
    return output;
}

TEST(TransitionBlend, DissolveGoesFromAToBThroughAConstantMix)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto effect = CreateEffect(kDissolveRow);
    EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 0.0), *a));
    EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 1.0), *b));
    auto middle = BlendFrames(*effect, *a, *b, 0.5);
    EXPECT_TRUE(transition_golden::MatchesGolden("blend_dissolve_p050.ppm", RgbPixels(*middle), kWidth, kHeight, 3));
}

TEST(TransitionBlend, DissolveWithoutFramesGivesB)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto effect = CreateEffect(kDissolveRow);
    for (INT frames : {0, -3})
        EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 0.2, frames), *b)) << frames;
}

TEST(TransitionBlend, WipeWithSoftnessMatchesItsGoldenBlend)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto effect = CreateEffect(kWipeLeftToRightRow, 3);
    auto output = BlendFrames(*effect, *a, *b, 0.5);
    EXPECT_TRUE(
        transition_golden::MatchesGolden("blend_wipe_d7_soft3_p050.ppm", RgbPixels(*output), kWidth, kHeight, 3));
}

// The blend of white B over black A along one row: the blurred mask.
std::vector<int> WipeEdgeLevels(INT softness)
{
    auto a = MakeFlatFrame(RGB(0, 0, 0));
    auto b = MakeFlatFrame(RGB(255, 255, 255));
    auto effect = CreateEffect(kWipeLeftToRightRow, softness);
    auto output = BlendFrames(*effect, *a, *b, 0.5);
    std::vector<int> levels;
    for (int x = 0; x < kWidth; ++x)
        levels.push_back(PixelAt(*output, x, kHeight / 2)[0]);
    return levels;
}

TEST(TransitionBlend, SoftnessThreeBlursTheEdgeOverSevenPixels)
{
    // The hard edge lies between columns 31 (B) and 32 (A); a 7-pixel box
    // anchored at 3 mixes columns 29 to 34.
    const std::vector<int> levels = WipeEdgeLevels(3);
    for (int x = 0; x < kWidth; ++x) {
        if (x <= 28)
            EXPECT_EQ(levels[x], 255) << x;
        else if (x >= 35)
            EXPECT_EQ(levels[x], 0) << x;
        else
            EXPECT_TRUE(levels[x] > 0 && levels[x] < 255) << x << ": " << levels[x];
    }
    EXPECT_GT(levels[29], levels[34]);
}

TEST(TransitionBlend, SoftnessOutsideTheRangeIsClamped)
{
    const std::vector<int> hard = WipeEdgeLevels(0);
    for (int x = 0; x < kWidth; ++x)
        ASSERT_EQ(hard[x], x < 32 ? 255 : 0) << x;
    EXPECT_EQ(WipeEdgeLevels(-5), hard);
    EXPECT_EQ(WipeEdgeLevels(INT_MIN), hard);
    EXPECT_EQ(WipeEdgeLevels(100000), WipeEdgeLevels(TransitionParams::kMaxSoftness));
}

TEST(TransitionBlend, MaskReceivesTheFigure)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto output = std::make_unique<CIplImage>(kWidth, kHeight, 0);
    CIplAlphaMask mask(kWidth, kHeight);
    auto effect = CreateEffect(24);
    effect->Blend(a.get(), b.get(), output.get(), &mask, 0, 0, kWidth, kHeight, 0.3, 25, kWidth, kHeight, 1);
    TransitionRaster figure(kWidth, kHeight, POINT{0, 0});
    RECT movedA{0, 0, kWidth, kHeight};
    RECT movedB = movedA;
    effect->DrawFigure(figure, RECT{0, 0, kWidth, kHeight}, 0.3f, &movedA, &movedB);
    const IplImage* m = mask.GetImage();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const BYTE level = reinterpret_cast<const BYTE*>(m->imageData)[y * m->widthStep + x];
            ASSERT_EQ(level, figure.Row(y)[x]) << x << "," << y;
            ASSERT_TRUE(SamePixel(*output, x, y, level == 255 ? *b : *a, x, y)) << x << "," << y;
        }
    }
}

TEST(TransitionBlend, PushMovesBothPicturesByTheSameRows)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto effect = CreateEffect(kPushDownRow, 10);
    auto output = BlendFrames(*effect, *a, *b, 0.5);
    // Image rows run bottom-up: A leaves through the first rows, B follows.
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (y < 24)
                ASSERT_TRUE(SamePixel(*output, x, y, *a, x, y + 24)) << x << "," << y;
            else
                ASSERT_TRUE(SamePixel(*output, x, y, *b, x, y - 24)) << x << "," << y;
        }
    }
    EXPECT_TRUE(transition_golden::MatchesGolden("blend_push_d1_p050.ppm", RgbPixels(*output), kWidth, kHeight, 3));
    EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 0.0), *a));
    EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 1.0), *b));
}

TEST(TransitionBlend, SlideInCoversAWithBAndSlideOutUncoversB)
{
    auto b = MakeCheckerFrame();
    {
        auto a = MakeGradientFrame();
        auto original = MakeGradientFrame();
        auto output = BlendFrames(*CreateEffect(kSlideInDownRow), *a, *b, 0.25);
        for (int y = 0; y < kHeight; ++y) {
            const bool covered = y >= 36;
            ASSERT_TRUE(SamePixel(*output, 5, y, covered ? *b : *original, 5, covered ? y - 36 : y)) << y;
        }
    }
    {
        auto a = MakeGradientFrame();
        auto bCopy = MakeCheckerFrame();
        auto output = BlendFrames(*CreateEffect(kSlideOutDownRow), *a, *bCopy, 0.25);
        for (int y = 0; y < kHeight; ++y) {
            const bool stillA = y < 36;
            ASSERT_TRUE(SamePixel(*output, 5, y, stillA ? *a : *b, 5, stillA ? y + 12 : y)) << y;
        }
    }
}

TEST(TransitionBlend, ClosedDoorShowsTheSwingingPictureUnwarped)
{
    // Widths whose rows are padded (100 is 4 mod 8, 90 not a multiple of 4)
    // must not skew the swinging picture.
    for (int width : {64, 100, 90}) {
        auto a = MakeGradientFrame(width, kHeight);
        auto b = MakeCheckerFrame(width, kHeight);
        for (INT row : {kDoorFromRightRow, kDoorFromTopRow})
            EXPECT_TRUE(SamePicture(*BlendFrames(*CreateEffect(row), *a, *b, 1.0), *b)) << "row " << row << " width " << width;
        EXPECT_TRUE(SamePicture(*BlendFrames(*CreateEffect(kDoorClosingRow), *a, *b, 0.0), *a)) << "width " << width;
    }
}

TEST(TransitionBlend, OpenDoorLeavesOnlyItsHingeColumn)
{
    // Swung fully open, the picture is squeezed into the hinge column.
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto output = BlendFrames(*CreateEffect(kDoorFromRightRow), *a, *b, 0.0);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 1; x < kWidth; ++x)
            ASSERT_TRUE(SamePixel(*output, x, y, *a, x, y)) << x << "," << y;
    }
}

TEST(TransitionBlend, DoorHalfwayMatchesItsGoldenBlends)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    for (INT row : {kDoorFromRightRow, kDoorFromTopRow}) {
        auto effect = CreateEffect(row, 5);
        auto output = BlendFrames(*effect, *a, *b, 0.5);
        const std::string name = "blend_door_row" + std::to_string(row) + "_p050.ppm";
        EXPECT_TRUE(transition_golden::MatchesGolden(name, RgbPixels(*output), kWidth, kHeight, 3));
    }
}

TEST(TransitionBlend, ProgressOutsideZeroToOneIsLimited)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    for (INT row : {kDissolveRow, kWipeLeftToRightRow, 24, 30, kPushDownRow, kDoorFromRightRow}) {
        auto effect = CreateEffect(row);
        EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, -3.0), *BlendFrames(*effect, *a, *b, 0.0))) << row;
        EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, 7.5), *BlendFrames(*effect, *a, *b, 1.0))) << row;
        EXPECT_TRUE(SamePicture(*BlendFrames(*effect, *a, *b, std::nan("")), *BlendFrames(*effect, *a, *b, 0.0)))
            << row;
    }
}

TEST(TransitionBlend, MissingImagesOrMaskChangeNothing)
{
    auto a = MakeGradientFrame();
    auto b = MakeCheckerFrame();
    auto output = MakeFlatFrame(RGB(1, 2, 3));
    auto untouched = MakeFlatFrame(RGB(1, 2, 3));
    auto effect = CreateEffect(kWipeLeftToRightRow);
    effect->Blend(a.get(), b.get(), output.get(), nullptr, 0, 0, kWidth, kHeight, 0.5, 25, kWidth, kHeight, 1);
    effect->Blend(nullptr, b.get(), output.get(), nullptr, 0, 0, kWidth, kHeight, 0.5, 25, kWidth, kHeight, 1);
    CIplImage empty;
    CIplAlphaMask mask(kWidth, kHeight);
    effect->Blend(a.get(), &empty, output.get(), &mask, 0, 0, kWidth, kHeight, 0.5, 25, kWidth, kHeight, 1);
    EXPECT_TRUE(SamePicture(*output, *untouched));
}

} // namespace
