#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/Win32.h"
#include "Resources/SkinArt/ArtFiles.h"
#include "Resources/SkinArt/Glyphs.h"
#include "Resources/SkinArt/SkinTable.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

using skinart::Canvas;
using skinart::Kind;
using skinart::Rgb;
using skinart::SkinRow;
using testing_support::LoadedResourceModules;

// A bitmap resource read back through the platform as 32-bit pixels.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> bits; // 0x00RRGGBB, top row first

    Rgb At(int x, int y) const
    {
        DWORD p = bits[static_cast<size_t>(y * width + x)];
        return Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)};
    }
};

Pixels ReadBitmap(HINSTANCE module, int id)
{
    Pixels pixels;
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (!bitmap)
        return pixels;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    query.bmiHeader.biWidth = info.bmWidth;
    query.bmiHeader.biHeight = -info.bmHeight;
    query.bmiHeader.biPlanes = 1;
    query.bmiHeader.biBitCount = 32;
    query.bmiHeader.biCompression = BI_RGB;
    pixels.bits.resize(static_cast<size_t>(info.bmWidth * info.bmHeight));
    HDC dc = CreateCompatibleDC(nullptr);
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.bits.data(), &query, DIB_RGB_COLORS) ==
        info.bmHeight) {
        pixels.width = info.bmWidth;
        pixels.height = info.bmHeight;
    }
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

std::string Describe(Rgb c)
{
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// Relative luminance and contrast ratio as the accessibility guidelines
// define them.
double Luminance(Rgb c)
{
    auto linear = [](int v) {
        double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

double Contrast(Rgb a, Rgb b)
{
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const SkinRow* ProgramRow(int id)
{
    for (const SkinRow& row : skinart::kSkinTable)
        if (row.id == id)
            return &row;
    return nullptr;
}

TEST(SkinArt, EveryRowOfTheTableIsInTheProgramsBitmapModule)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE bitmaps = GetBitmapResourceModule();
    for (const SkinRow& row : skinart::kSkinTable) {
        SCOPED_TRACE("row " + std::to_string(row.id) + ": " + row.use);
        if (row.kind == Kind::Cursor) {
            EXPECT_NE(FindResourceA(bitmaps, MAKEINTRESOURCEA(row.id), RT_GROUP_CURSOR), nullptr);
            continue;
        }
        if (row.kind == Kind::Record) {
            HRSRC found = FindResourceA(bitmaps, MAKEINTRESOURCEA(row.id), row.type);
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(SizeofResource(bitmaps, found), row.bytes.size());
            continue;
        }
        Pixels pixels = ReadBitmap(bitmaps, row.id);
        ASSERT_EQ(pixels.width, row.width);
        ASSERT_EQ(pixels.height, row.height);
        if (row.keyed) {
            for (auto [x, y] : {std::pair{0, 0}, {row.width - 1, 0}, {0, row.height - 1}, {row.width - 1, row.height - 1}})
                EXPECT_EQ(pixels.At(x, y), row.key) << "corner " << x << "," << y;
        }
        // The module holds what the table draws today.
        const Canvas drawn = skinart::Render(row);
        int differ = 0;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x)
                differ += pixels.At(x, y) == drawn.At(x, y) ? 0 : 1;
        EXPECT_EQ(differ, 0);
    }
}

TEST(SkinArt, TextColoursStandOutOnTheArtTheyAreDrawnOn)
{
    constexpr Rgb kLight[] = {{0xE1, 0xE1, 0xE1}, {0xCF, 0xCF, 0xCF}, {0xFF, 0xFF, 0xFF}};
    constexpr Rgb kBlack[] = {{0, 0, 0}};
    constexpr Rgb kGrey[] = {{0x80, 0x80, 0x80}};
    // Captions and labels drawn by code over the art, and the contrast they
    // need (a disabled grey caption needs less).
    struct Case {
        int id;
        std::span<const Rgb> text;
        double contrast;
    } const cases[] = {
        {473, kLight, 4.5}, {487, kLight, 4.5}, {543, kLight, 4.5}, {559, kLight, 4.5},
        {556, kLight, 4.5}, {485, kBlack, 4.5}, {586, kGrey, 3.0}, {554, kBlack, 4.5},
    };
    for (const Case& c : cases) {
        const SkinRow* row = ProgramRow(c.id);
        ASSERT_NE(row, nullptr) << c.id;
        const Canvas art = skinart::Render(*row);
        // The middle of every cell, where a caption lies over a corner or an edge.
        const int cells = row->kind == Kind::FrameStrip ? row->cells : 1;
        const int cellWidth = row->width / cells;
        for (int cell = 0; cell < cells; ++cell) {
            const Rgb under = art.At(cell * cellWidth + cellWidth / 2, row->height / 2);
            for (Rgb text : c.text)
                EXPECT_GE(Contrast(under, text), c.contrast)
                    << "text " << Describe(text) << " on " << Describe(under) << " in cell " << cell << " of " << c.id;
        }
    }
}

TEST(SkinArt, EachStripPicturePointsTowardItsPlaceInTheGrid)
{
    // Picture id and the direction its ink leans from the centre (x, y).
    struct Case {
        int id, dx, dy;
    } const cases[] = {{286, 0, 1}, {287, 1, 1}, {288, -1, 1},  {289, 0, 0},
                       {290, 0, -1}, {291, -1, -1}, {292, 1, -1}, {293, 1, 0}, {294, -1, 0}};
    auto sign = [](double v) { return v > 0.2 ? 1 : v < -0.2 ? -1 : 0; };
    for (const Case& c : cases) {
        const SkinRow* row = ProgramRow(c.id);
        ASSERT_NE(row, nullptr) << c.id;
        const Canvas art = skinart::Render(*row);
        // The ink's centre of mass against the picture's centre; an arrow's
        // head holds more ink than its shaft.
        double sx = 0, sy = 0;
        int ink = 0;
        for (int y = 0; y < art.Height(); ++y)
            for (int x = 0; x < art.Width(); ++x)
                if (!(art.At(x, y) == row->key)) {
                    sx += x - (art.Width() - 1) / 2.0;
                    sy += y - (art.Height() - 1) / 2.0;
                    ++ink;
                }
        ASSERT_GT(ink, 20) << c.id;
        EXPECT_EQ(sign(sx / ink), c.dx) << c.id;
        EXPECT_EQ(sign(sy / ink), c.dy) << c.id;
    }
}

TEST(SkinArt, CheckMarksLieOnTheSurfaceTheyAreCopiedOnto)
{
    // 939 lands on the menu's selection (COLORREF 0xBBBBA6), 910 on the
    // dialog background 473: their edges are those colours.
    const Rgb dialogBack = skinart::Render(*ProgramRow(473)).At(0, 0);
    const std::pair<int, Rgb> cases[] = {{939, Rgb{0xA6, 0xBB, 0xBB}}, {910, dialogBack}};
    for (const auto& [id, surface] : cases) {
        const Canvas art = skinart::Render(*ProgramRow(id));
        EXPECT_EQ(art.Width(), 11) << id;
        for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {0, art.Height() - 1}, {10, art.Height() - 1}})
            EXPECT_EQ(art.At(x, y), surface) << id << " at " << x << "," << y;
    }
}

TEST(SkinArtFixtures, CellStripsAndThePictureFollowTheirFormulas)
{
    LoadedResourceModules modules(KESTRELON_TOOLKIT_FIXTURE_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE bitmaps = GetBitmapResourceModule();
    auto cellFormula = [](int cellWidth) {
        return [cellWidth](int x, int y) {
            return Rgb{static_cast<std::uint8_t>(16 + 28 * (x / cellWidth)),
                       static_cast<std::uint8_t>(10 + 30 * (x % cellWidth)), static_cast<std::uint8_t>(5 + 15 * y)};
        };
    };
    struct Case {
        int id, width, height;
        std::function<Rgb(int, int)> formula;
    } const cases[] = {
        {9001, 64, 16, cellFormula(8)},
        {9003, 24, 8, cellFormula(8)},
        {9006, 16, 8, cellFormula(2)},
        {9002, 50, 30,
         [](int x, int y) { return Rgb{static_cast<std::uint8_t>(5 * x), static_cast<std::uint8_t>(8 * y), 77}; }},
    };
    for (const Case& c : cases) {
        Pixels pixels = ReadBitmap(bitmaps, c.id);
        ASSERT_EQ(pixels.width, c.width) << c.id;
        ASSERT_EQ(pixels.height, c.height) << c.id;
        for (auto [x, y] : {std::pair{0, 0}, {c.width - 1, 0}, {c.width / 2 + 1, c.height / 2}, {1, c.height - 1},
                            {c.width - 1, c.height - 1}})
            EXPECT_EQ(pixels.At(x, y), c.formula(x, y)) << c.id << " at " << x << "," << y;
    }
}

TEST(SkinArtFixtures, FrameStyleRecordsHoldTheirBytes)
{
    LoadedResourceModules modules(KESTRELON_TOOLKIT_FIXTURE_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE bitmaps = GetBitmapResourceModule();
    HRSRC counting = FindResourceA(bitmaps, MAKEINTRESOURCEA(9004), "FRAME_STYLE");
    ASSERT_NE(counting, nullptr);
    ASSERT_EQ(SizeofResource(bitmaps, counting), 16u);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(bitmaps, counting)));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bytes[i], i);
    HRSRC empty = FindResourceA(bitmaps, MAKEINTRESOURCEA(9005), "FRAME_STYLE");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(bitmaps, empty), 0u);
}

TEST(SkinArtGlyphs, GlyphsBlendWithinTheirColoursButNeverIntoTheKey)
{
    constexpr Rgb kInk{40, 44, 52};
    constexpr Rgb kUnder{200, 200, 200};
    using skinart::Direction;
    using skinart::Rect;
    const std::pair<const char*, std::function<void(Canvas&, const Rect&, Rgb)>> glyphs[] = {
        {"play", skinart::PlayTriangle},
        {"pause", skinart::PauseBars},
        {"stop", skinart::StopSquare},
        {"step back", [](Canvas& c, const Rect& r, Rgb i) { skinart::StepArrow(c, r, Direction::Left, i); }},
        {"skip forward", [](Canvas& c, const Rect& r, Rgb i) { skinart::SkipArrow(c, r, Direction::Right, i); }},
        {"loop", skinart::LoopArrow},
        {"record", skinart::RecordDot},
        {"eyedropper", skinart::Eyedropper},
        {"check", skinart::CheckMark},
        {"in point", [](Canvas& c, const Rect& r, Rgb i) { skinart::MarkBracket(c, r, Direction::Left, i); }},
        {"cross", skinart::CrossMark},
        {"triangle", [](Canvas& c, const Rect& r, Rgb i) { skinart::PointingTriangle(c, r, 4, i); }},
        {"diagonal arrow", [](Canvas& c, const Rect& r, Rgb i) { skinart::CompassArrow(c, r, 3, i); }},
    };
    for (const auto& [name, draw] : glyphs) {
        // An odd box puts edges between pixels, where anti-aliasing shows.
        Canvas keyed = Canvas::Keyed(20, 20, skinart::kMagentaKey);
        draw(keyed, {2, 2, 17, 17}, kInk);
        Canvas opaque(20, 20, kUnder);
        draw(opaque, {2, 2, 17, 17}, kInk);
        int ink = 0, blended = 0, stray = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                ink += keyed.At(x, y) == kInk ? 1 : 0;
                stray += keyed.At(x, y) == kInk || keyed.At(x, y) == skinart::kMagentaKey ? 0 : 1;
                blended += opaque.At(x, y) == kInk || opaque.At(x, y) == kUnder ? 0 : 1;
            }
        EXPECT_GT(ink, 16) << name;
        EXPECT_EQ(stray, 0) << name;
        EXPECT_GT(blended, 0) << name << " is anti-aliased over a colour of its own";
    }
}

} // namespace
