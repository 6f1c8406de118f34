#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Gdi/Private/TextEngine.h"
#include "Platform/Win/User/User.h"

namespace {

using win::gdi::FamilyForFace;
using win::gdi::FamilyName;
using win::gdi::FontFamily;
using win::gdi::LayoutText;
using win::gdi::TextLayoutOptions;
using win::gdi::TextLine;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory DC with a bitmap of its own and, when made with a font, that
// font selected.
class Canvas {
public:
    Canvas(int width, int height, bool mono) : m_width(width), m_height(height)
    {
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
        m_oldBitmap = SelectObject(m_dc, m_bitmap);
    }
    ~Canvas()
    {
        if (m_oldFont)
            SelectObject(m_dc, m_oldFont);
        SelectObject(m_dc, m_oldBitmap);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
        if (m_font)
            DeleteObject(m_font);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Selects the font, which the canvas then owns.
    void Use(HFONT font)
    {
        HGDIOBJ displaced = SelectObject(m_dc, font);
        if (m_font)
            DeleteObject(m_font);
        else
            m_oldFont = displaced;
        m_font = font;
    }
    void Fill(COLORREF color)
    {
        RECT all{0, 0, m_width, m_height};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }
    // The smallest rectangle holding every pixel that is not `background`;
    // empty when there is none.
    RECT InkBox(COLORREF background) const
    {
        RECT box{m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (GetPixel(m_dc, x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box.right > box.left ? box : RECT{0, 0, 0, 0};
    }
    int CountPixels(bool (*test)(COLORREF)) const
    {
        int count = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                count += test(GetPixel(m_dc, x, y)) ? 1 : 0;
        return count;
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
};

LOGFONTA LogFontOf(const char* face, LONG height, LONG weight = FW_NORMAL)
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

HFONT FontOf(const char* face, LONG height, LONG weight = FW_NORMAL)
{
    LOGFONTA lf = LogFontOf(face, height, weight);
    return CreateFontIndirectA(&lf);
}

// A white colour canvas with black transparent text in Arial 16 px.
std::unique_ptr<Canvas> ArialCanvas(int width = 200, int height = 40)
{
    auto canvas = std::make_unique<Canvas>(width, height, false);
    canvas->Fill(kWhite);
    canvas->Use(FontOf("Arial", -16));
    SetTextColor(canvas->Dc(), kBlack);
    SetBkMode(canvas->Dc(), TRANSPARENT);
    return canvas;
}

SIZE ExtentOf(HDC dc, const char* text)
{
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size));
    return size;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

TEST(GdiTextFonts, FaceNamesMapToDejaVuFamilies)
{
    struct Case {
        const char* face;
        BYTE pitchAndFamily;
        FontFamily family;
    };
    const Case cases[] = {
        {"Arial", 0, FontFamily::Sans},
        {"MS Sans Serif", 0, FontFamily::Sans},
        {"MS Shell Dlg", 0, FontFamily::Sans},
        {"MS Shell Dlg 2", 0, FontFamily::Sans},
        {"Tahoma", FF_ROMAN, FontFamily::Sans},
        {"verdana", 0, FontFamily::Sans},
        {"System", 0, FontFamily::Sans},
        {"Times New Roman", 0, FontFamily::Serif},
        {"COURIER NEW", 0, FontFamily::Mono},
        {"No Such Face", FF_ROMAN | VARIABLE_PITCH, FontFamily::Serif},
        {"No Such Face", FIXED_PITCH, FontFamily::Mono},
        {"No Such Face", FF_MODERN, FontFamily::Mono},
        {"", 0, FontFamily::Sans},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FamilyForFace(c.face, c.pitchAndFamily), c.family) << c.face;
}

TEST(GdiTextFonts, EveryFamilyResolvesToItsDejaVuFace)
{
    const char* faces[] = {"Arial", "Times New Roman", "Courier New"};
    for (const char* face : faces) {
        Canvas canvas(8, 8, false);
        canvas.Use(FontOf(face, -12));
        char name[LF_FACESIZE] = {};
        int length = GetTextFaceA(canvas.Dc(), LF_FACESIZE, name);
        EXPECT_STREQ(name, FamilyName(FamilyForFace(face, 0))) << face;
        EXPECT_EQ(length, static_cast<int>(std::strlen(name)) + 1);
        EXPECT_EQ(GetTextFaceA(canvas.Dc(), 0, nullptr), length);
    }
}

TEST(GdiTextFonts, GetObjectGivesBackTheLogFont)
{
    LOGFONTA asked = LogFontOf("MS Shell Dlg", -11, FW_SEMIBOLD);
    asked.lfItalic = 1;
    asked.lfCharSet = DEFAULT_CHARSET;
    HFONT font = CreateFontIndirectA(&asked);
    ASSERT_TRUE(font);
    EXPECT_EQ(GetObjectType(font), OBJ_FONT);
    EXPECT_EQ(GetObjectA(font, 0, nullptr), 60);
    LOGFONTA got{};
    EXPECT_EQ(GetObjectA(font, sizeof(got), &got), 60);
    EXPECT_EQ(std::memcmp(&got, &asked, sizeof(got)), 0);
    DeleteObject(font);

    LOGFONTW wide{};
    wide.lfHeight = 20;
    const char16_t face[] = u"Caf\u00e9 Sans";
    std::memcpy(wide.lfFaceName, face, sizeof(face));
    HFONT fromWide = CreateFontIndirectW(&wide);
    EXPECT_EQ(GetObjectA(fromWide, sizeof(got), &got), 60);
    EXPECT_STREQ(got.lfFaceName, "Caf\xc3\xa9 Sans") << "face names come back in UTF-8";
    EXPECT_EQ(got.lfHeight, 20);
    DeleteObject(fromWide);

    SetLastError(0);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(GdiTextMetrics, HeightsFollowTheLogFont)
{
    struct Case {
        LONG height;
        LONG width;
        LONG weight;
        const char* face;
    };
    const Case cases[] = {
        {-16, 0, FW_NORMAL, "Arial"}, {16, 0, FW_NORMAL, "Arial"},        {0, 0, FW_NORMAL, "Arial"},
        {-21, 0, FW_BOLD, "Arial"},   {-12, 20, FW_NORMAL, "Times New Roman"}, {-13, 0, FW_NORMAL, "Courier New"},
    };
    for (const Case& c : cases) {
        Canvas canvas(8, 8, false);
        LOGFONTA lf = LogFontOf(c.face, c.height, c.weight);
        lf.lfWidth = c.width;
        canvas.Use(CreateFontIndirectA(&lf));
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(canvas.Dc(), &tm));
        std::string name = std::string(c.face) + " " + std::to_string(c.height);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent) << name;
        EXPECT_GT(tm.tmDescent, 0) << name;
        if (c.height < 0) {
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.height) << name << ": the character height";
        }
        if (c.height > 0) {
            EXPECT_EQ(tm.tmHeight, c.height) << name << ": the cell height";
        }
        if (c.width > 0) {
            EXPECT_NEAR(tm.tmAveCharWidth, c.width, 1) << name;
        }
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth) << name;
        EXPECT_EQ(tm.tmWeight, c.weight) << name;
        SIZE extent = ExtentOf(canvas.Dc(), "Mg");
        EXPECT_EQ(extent.cy, tm.tmHeight) << name;
    }

    Canvas mono(8, 8, false);
    mono.Use(FontOf("Courier New", -13));
    TEXTMETRICA tm{};
    GetTextMetricsA(mono.Dc(), &tm);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "the bit marks variable pitch";
    EXPECT_EQ(ExtentOf(mono.Dc(), "iiii").cx, ExtentOf(mono.Dc(), "MMMM").cx);
}

TEST(GdiTextMetrics, ADcWithoutAFontMeasuresWithTheSystemFont)
{
    Canvas canvas(8, 8, false);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(canvas.Dc(), &tm));
    EXPECT_EQ(tm.tmHeight, 16);
    HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
    ASSERT_TRUE(gui);
    LOGFONTA lf{};
    EXPECT_EQ(GetObjectA(gui, sizeof(lf), &lf), 60);
    EXPECT_STREQ(lf.lfFaceName, "MS Shell Dlg");
    HGDIOBJ old = SelectObject(canvas.Dc(), gui);
    ASSERT_TRUE(GetTextMetricsA(canvas.Dc(), &tm));
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
    SelectObject(canvas.Dc(), old);
}

TEST(GdiTextExtent, InkLiesInsideTheExtentBox)
{
    auto canvas = ArialCanvas();
    const char* text = "Hello, World";
    SIZE extent = ExtentOf(canvas->Dc(), text);
    ASSERT_TRUE(TextOutA(canvas->Dc(), 10, 10, text, static_cast<int>(std::strlen(text))));
    RECT ink = canvas->InkBox(kWhite);
    RECT cell{10, 10, 10 + extent.cx, 10 + extent.cy};
    EXPECT_TRUE(Inside(ink, cell)) << Describe(ink) << " in " << Describe(cell);
    EXPECT_GT(ink.right - ink.left, extent.cx * 9 / 10) << "the text fills its extent";

    EXPECT_EQ(ExtentOf(canvas->Dc(), "Hello, ").cx + ExtentOf(canvas->Dc(), "World").cx, extent.cx)
        << "extents add up, as GDI's do without kerning";
    SIZE wide{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas->Dc(), u"Hello, World", 12, &wide));
    EXPECT_EQ(wide.cx, extent.cx);
    EXPECT_EQ(wide.cy, extent.cy);
    SIZE empty{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas->Dc(), "", 0, &empty));
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, extent.cy);
}

TEST(GdiTextExtent, ExPointCountsTheFittingBytes)
{
    auto canvas = ArialCanvas();
    const char* text = "Caf\xc3\xa9s"; // 5 characters, 6 bytes
    int dx[6] = {};
    int fit = -1;
    SIZE size{};
    int caf = ExtentOf(canvas->Dc(), "Caf").cx;
    ASSERT_TRUE(GetTextExtentExPointA(canvas->Dc(), text, 6, caf, &fit, dx, &size));
    EXPECT_EQ(fit, 3);
    EXPECT_EQ(dx[2], caf);
    EXPECT_EQ(dx[3], dx[4]) << "both bytes of a character share its extent";
    EXPECT_EQ(dx[5], size.cx);
    ASSERT_TRUE(GetTextExtentExPointA(canvas->Dc(), text, 6, dx[4], &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 5) << "a fitting prefix ends on a character boundary";
    ASSERT_TRUE(GetTextExtentExPointA(canvas->Dc(), text, 6, 0, &fit, nullptr, nullptr));
    EXPECT_EQ(fit, 0);
}

bool IsGrey(COLORREF c) { return c != kWhite && c != kBlack; }
bool IsWhite(COLORREF c) { return c == kWhite; }
bool IsRed(COLORREF c) { return c == RGB(255, 0, 0); }

TEST(GdiTextDraw, ColourSurfacesBlendAndMonochromeOnesDoNot)
{
    auto colour = ArialCanvas();
    TextOutA(colour->Dc(), 4, 4, "Anti-aliased", 12);
    EXPECT_GT(colour->CountPixels(&IsGrey), 0) << "coverage blends with the background";

    Canvas mono(200, 40, true);
    mono.Use(FontOf("Arial", -16));
    SetTextColor(mono.Dc(), kWhite);
    SetBkMode(mono.Dc(), TRANSPARENT);
    TextOutW(mono.Dc(), 4, 4, u"One bit deep", 12);
    EXPECT_EQ(mono.CountPixels(&IsGrey), 0);
    EXPECT_GT(mono.CountPixels(&IsWhite), 20);

    Canvas crisp(200, 40, false);
    crisp.Fill(kWhite);
    LOGFONTA lf = LogFontOf("Arial", -16);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    crisp.Use(CreateFontIndirectA(&lf));
    SetBkMode(crisp.Dc(), TRANSPARENT);
    TextOutA(crisp.Dc(), 4, 4, "Crisp", 5);
    EXPECT_EQ(crisp.CountPixels(&IsGrey), 0);
    EXPECT_GT(crisp.Width() * crisp.Height() - crisp.CountPixels(&IsWhite), 20);
}

TEST(GdiTextDraw, OpaqueModeFillsTheCellAndTransparentLeavesIt)
{
    for (int mode : {OPAQUE, TRANSPARENT}) {
        auto canvas = ArialCanvas();
        SetBkMode(canvas->Dc(), mode);
        SetBkColor(canvas->Dc(), RGB(255, 0, 0));
        SIZE extent = ExtentOf(canvas->Dc(), "Box");
        TextOutA(canvas->Dc(), 20, 5, "Box", 3);
        RECT cell{20, 5, 20 + extent.cx, 5 + extent.cy};
        EXPECT_EQ(GetPixel(canvas->Dc(), cell.left, cell.top), mode == OPAQUE ? RGB(255, 0, 0) : kWhite);
        EXPECT_EQ(GetPixel(canvas->Dc(), cell.right - 1, cell.bottom - 1), mode == OPAQUE ? RGB(255, 0, 0) : kWhite);
        EXPECT_EQ(GetPixel(canvas->Dc(), cell.right, cell.top), kWhite) << "nothing outside the cell";
        EXPECT_EQ(GetPixel(canvas->Dc(), cell.left - 1, cell.top), kWhite);
    }
}

TEST(GdiTextDraw, ClippingKeepsInkInside)
{
    const char* text = "Clipped text that is long";
    const int length = static_cast<int>(std::strlen(text));
    {
        auto canvas = ArialCanvas();
        IntersectClipRect(canvas->Dc(), 0, 0, 40, 40);
        TextOutA(canvas->Dc(), 2, 2, text, length);
        SelectClipRgn(canvas->Dc(), nullptr); // GetPixel sees only what the clip region shows
        RECT ink = canvas->InkBox(kWhite);
        EXPECT_GT(ink.right, 30);
        EXPECT_LE(ink.right, 40) << "the DC's clip region";
    }
    {
        auto canvas = ArialCanvas();
        RECT limit{10, 8, 50, 14};
        ExtTextOutA(canvas->Dc(), 2, 2, ETO_CLIPPED, &limit, text, static_cast<UINT>(length), nullptr);
        RECT ink = canvas->InkBox(kWhite);
        EXPECT_TRUE(Inside(ink, limit)) << Describe(ink);
    }
    {
        auto canvas = ArialCanvas();
        SetBkColor(canvas->Dc(), RGB(255, 0, 0));
        RECT opaque{0, 0, 100, 30};
        ExtTextOutA(canvas->Dc(), 2, 2, ETO_OPAQUE, &opaque, nullptr, 0, nullptr);
        EXPECT_EQ(canvas->CountPixels(&IsRed), 100 * 30) << "ETO_OPAQUE fills in TRANSPARENT mode too";
    }
}

TEST(GdiTextDraw, UnderlineAndStrikeOutSpanTheText)
{
    struct Case {
        BYTE underline;
        BYTE strikeOut;
    };
    const Case cases[] = {{1, 0}, {0, 1}};
    auto plain = ArialCanvas();
    TextOutA(plain->Dc(), 10, 5, "ruled", 5);
    const RECT plainInk = plain->InkBox(kWhite);
    const SIZE extent = ExtentOf(plain->Dc(), "ruled");
    for (const Case& c : cases) {
        auto canvas = ArialCanvas();
        LOGFONTA lf = LogFontOf("Arial", -16);
        lf.lfUnderline = c.underline;
        lf.lfStrikeOut = c.strikeOut;
        canvas->Use(CreateFontIndirectA(&lf));
        TextOutA(canvas->Dc(), 10, 5, "ruled", 5);
        RECT ink = canvas->InkBox(kWhite);
        EXPECT_EQ(ink.left, 10) << "the line starts at the pen";
        EXPECT_EQ(ink.right, 10 + extent.cx) << "and ends at the extent";
        EXPECT_EQ(ink.bottom > plainInk.bottom, c.underline != 0);
        EXPECT_LE(ink.bottom, 5 + extent.cy);
    }
}

TEST(GdiTextFonts, BoldAndItalicChangeTheGlyphs)
{
    auto regular = ArialCanvas();
    TextOutA(regular->Dc(), 4, 4, "Styled", 6);
    const int regularInk = regular->CountPixels(&IsWhite);
    auto bold = ArialCanvas();
    bold->Use(FontOf("Arial", -16, FW_BOLD));
    TextOutA(bold->Dc(), 4, 4, "Styled", 6);
    EXPECT_GT(ExtentOf(bold->Dc(), "Styled").cx, ExtentOf(regular->Dc(), "Styled").cx);
    EXPECT_LT(bold->CountPixels(&IsWhite), regularInk) << "bold strokes cover more";
    auto italic = ArialCanvas();
    LOGFONTA lf = LogFontOf("Arial", -16);
    lf.lfItalic = 1;
    italic->Use(CreateFontIndirectA(&lf));
    TextOutA(italic->Dc(), 4, 4, "Styled", 6);
    EXPECT_NE(italic->CountPixels(&IsWhite), regularInk);
    EXPECT_EQ(ExtentOf(italic->Dc(), "Styled").cy, ExtentOf(regular->Dc(), "Styled").cy);
}

TEST(GdiTextDraw, DxSpacingPlacesEveryCharacter)
{
    auto canvas = ArialCanvas();
    const INT dx[] = {30, 30, 30};
    ExtTextOutA(canvas->Dc(), 0, 0, 0, nullptr, "lll", 3, dx);
    RECT ink = canvas->InkBox(kWhite);
    EXPECT_GE(ink.right - ink.left, 60) << "three narrow glyphs spread over 90 pixels";
    EXPECT_LT(ink.right, 90);
}

TEST(GdiTextDraw, AlignmentMovesTheReferencePoint)
{
    struct Case {
        UINT align;
        LONG minLeft, maxRight; // relative to x
    };
    auto probe = ArialCanvas();
    SIZE extent = ExtentOf(probe->Dc(), "Align");
    TEXTMETRICA tm{};
    GetTextMetricsA(probe->Dc(), &tm);
    const LONG x = 100;
    const Case cases[] = {
        {TA_LEFT | TA_TOP, x, x + extent.cx},
        {TA_RIGHT | TA_TOP, x - extent.cx, x},
        {TA_CENTER | TA_TOP, x - extent.cx / 2 - 1, x + extent.cx / 2 + 1},
    };
    for (const Case& c : cases) {
        auto canvas = ArialCanvas();
        SetTextAlign(canvas->Dc(), c.align);
        TextOutA(canvas->Dc(), x, 2, "Align", 5);
        RECT ink = canvas->InkBox(kWhite);
        EXPECT_GE(ink.left, c.minLeft) << c.align;
        EXPECT_LE(ink.right, c.maxRight) << c.align;
    }
    auto baseline = ArialCanvas();
    SetTextAlign(baseline->Dc(), TA_BASELINE);
    TextOutA(baseline->Dc(), 10, 30, "H", 1);
    EXPECT_EQ(baseline->InkBox(kWhite).bottom, 30) << "H sits on the baseline";

    auto updating = ArialCanvas();
    SetTextAlign(updating->Dc(), TA_UPDATECP);
    MoveToEx(updating->Dc(), 5, 0, nullptr);
    TextOutA(updating->Dc(), 0, 0, "Align", 5);
    POINT current{};
    GetCurrentPositionEx(updating->Dc(), &current);
    EXPECT_EQ(current.x, 5 + extent.cx);
}

LONG TenEach(char32_t c) { return c < 0x20 ? 0 : 10; }

std::vector<std::u32string> LinesOf(const std::vector<TextLine>& lines)
{
    std::vector<std::u32string> texts;
    for (const TextLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

TEST(GdiTextLayout, BreaksPrefixesAndEllipses)
{
    struct Case {
        const char* name;
        std::u32string text;
        UINT format;
        LONG width;
        std::vector<std::u32string> lines;
    };
    const Case cases[] = {
        {"fits", U"aaa bbb ccc", DT_WORDBREAK, 200, {U"aaa bbb ccc"}},
        {"two lines", U"aaa bbb ccc", DT_WORDBREAK, 75, {U"aaa bbb", U"ccc"}},
        {"word a line", U"aaa bbb ccc", DT_WORDBREAK, 35, {U"aaa", U"bbb", U"ccc"}},
        {"long word keeps its line", U"abcdefghij k", DT_WORDBREAK, 50, {U"abcdefghij", U"k"}},
        {"edit control breaks words", U"abcdefgh", DT_WORDBREAK | DT_EDITCONTROL, 50, {U"abcde", U"fgh"}},
        {"line ends", U"a\r\nb\nc\rd", 0, 200, {U"a", U"b", U"c", U"d"}},
        {"single line", U"a\r\nb", DT_SINGLELINE, 200, {U"a\r\nb"}},
        {"prefix", U"&File", 0, 200, {U"File"}},
        {"escaped prefix", U"a&&b", 0, 200, {U"a&b"}},
        {"no prefix", U"&File", DT_NOPREFIX, 200, {U"&File"}},
        {"end ellipsis", U"abcdefghij", DT_SINGLELINE | DT_END_ELLIPSIS, 60, {U"abc..."}},
        {"word ellipsis", U"abcdefghij", DT_SINGLELINE | DT_WORD_ELLIPSIS, 65, {U"abc..."}},
        {"fitting text keeps", U"abc", DT_SINGLELINE | DT_END_ELLIPSIS, 30, {U"abc"}},
        {"path ellipsis", U"/home/user/file.txt", DT_SINGLELINE | DT_PATH_ELLIPSIS, 150, {U"/ho.../file.txt"}},
        {"path without folder", U"abcdefghij", DT_SINGLELINE | DT_PATH_ELLIPSIS, 60, {U"abc..."}},
        {"empty", U"", 0, 100, {U""}},
    };
    for (const Case& c : cases) {
        TextLayoutOptions options;
        options.format = c.format;
        options.width = c.width;
        std::vector<TextLine> lines = LayoutText(c.text, options, &TenEach);
        EXPECT_EQ(LinesOf(lines), c.lines) << c.name;
        const bool ellipsis = (c.format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) != 0;
        for (const TextLine& line : lines)
            EXPECT_TRUE(!ellipsis || line.width <= c.width) << c.name;
    }
    TextLayoutOptions plain;
    plain.width = 100;
    std::vector<TextLine> prefixed = LayoutText(U"Save &As", plain, &TenEach);
    ASSERT_EQ(prefixed.size(), 1u);
    EXPECT_EQ(prefixed[0].prefixed, std::vector<size_t>{5});
    EXPECT_EQ(prefixed[0].width, 70);
    EXPECT_EQ(win::gdi::CharacterOffsets(U"a\tb", 40, &TenEach), (std::vector<LONG>{0, 10, 40, 50}));
}

TEST(GdiTextLayout, ArbitraryTextAndFlagsKeepTheirPromises)
{
    const char32_t alphabet[] = U"ab &/\\\t\r\nxyz";
    const UINT flags[] = {DT_WORDBREAK, DT_SINGLELINE, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS, DT_WORD_ELLIPSIS,
                          DT_NOPREFIX, DT_EDITCONTROL, DT_EXPANDTABS};
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int round = 0; round < 500; ++round) {
        std::u32string text;
        for (unsigned n = next(40); n > 0; --n)
            text.push_back(alphabet[next(std::size(alphabet) - 1)]);
        TextLayoutOptions options;
        for (UINT flag : flags)
            options.format |= next(2) ? flag : 0;
        options.width = static_cast<LONG>(next(120)) - 10;
        options.tabWidth = (options.format & DT_EXPANDTABS) ? 40 : 0;
        const bool ellipsis = (options.format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) != 0;
        for (const TextLine& line : LayoutText(text, options, &TenEach)) {
            EXPECT_EQ(line.width, win::gdi::CharacterOffsets(line.text, options.tabWidth, &TenEach).back());
            EXPECT_TRUE(!ellipsis || line.width <= std::max<LONG>(options.width, 30)) << round;
            for (size_t p : line.prefixed)
                EXPECT_LT(p, line.text.size()) << round;
        }
    }
}

TEST(GdiTextDrawText, CalcRectMeasuresWithoutDrawing)
{
    auto canvas = ArialCanvas();
    TEXTMETRICA tm{};
    GetTextMetricsA(canvas->Dc(), &tm);
    SIZE extent = ExtentOf(canvas->Dc(), "one two three");
    RECT single{5, 7, 6, 8};
    EXPECT_EQ(DrawTextA(canvas->Dc(), "one two three", -1, &single, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(single.left, 5);
    EXPECT_EQ(single.top, 7);
    EXPECT_EQ(single.right - single.left, extent.cx);
    EXPECT_EQ(single.bottom - single.top, tm.tmHeight);
    RECT wide{5, 7, 6, 8};
    DrawTextW(canvas->Dc(), u"one two three", -1, &wide, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(wide.right, single.right);

    struct Case {
        LONG width;
        int lines;
    };
    const LONG oneTwo = ExtentOf(canvas->Dc(), "one two").cx;
    const Case cases[] = {{extent.cx + 5, 1}, {oneTwo + 1, 2}, {1, 3}};
    for (const Case& c : cases) {
        RECT r{0, 0, c.width, 0};
        int height = DrawTextA(canvas->Dc(), "one two three", -1, &r, DT_CALCRECT | DT_WORDBREAK);
        EXPECT_EQ(height, c.lines * tm.tmHeight) << c.width;
        EXPECT_EQ(r.bottom, height);
    }
    EXPECT_EQ(canvas->InkBox(kWhite).right, 0) << "DT_CALCRECT draws nothing";
}

TEST(GdiTextDrawText, CentresInTheRectangle)
{
    auto canvas = ArialCanvas(200, 60);
    RECT r{0, 0, 200, 60};
    SIZE extent = ExtentOf(canvas->Dc(), "Mid");
    int height = DrawTextA(canvas->Dc(), "Mid", 3, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    LONG top = (60 - extent.cy) / 2;
    EXPECT_EQ(height, top + extent.cy) << "offset of the text bottom from the top";
    RECT cell{(200 - extent.cx) / 2, top, (200 - extent.cx) / 2 + extent.cx, top + extent.cy};
    RECT ink = canvas->InkBox(kWhite);
    EXPECT_TRUE(Inside(ink, cell)) << Describe(ink) << " in " << Describe(cell);
    EXPECT_NEAR((ink.left + ink.right) / 2, 100, 3);

    auto right = ArialCanvas(200, 60);
    RECT rr{0, 0, 150, 60};
    DrawTextA(right->Dc(), "Right", -1, &rr, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    RECT rightInk = right->InkBox(kWhite);
    EXPECT_LE(rightInk.right, 150);
    EXPECT_GT(rightInk.right, 140);
    EXPECT_LE(rightInk.bottom, 60);
    EXPECT_GT(rightInk.top, 60 - extent.cy);
}

TEST(GdiTextDrawText, EllipsisFitsAndClippingCuts)
{
    const char* text = "A label far too long for its box";
    auto ellipsis = ArialCanvas();
    RECT box{10, 5, 90, 30};
    DrawTextA(ellipsis->Dc(), text, -1, &box, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    RECT ink = ellipsis->InkBox(kWhite);
    EXPECT_GT(ink.right, 70);
    EXPECT_LE(ink.right, 90) << "shortened to fit, not clipped";

    auto clipped = ArialCanvas();
    DrawTextA(clipped->Dc(), text, -1, &box, DT_SINGLELINE);
    EXPECT_LE(clipped->InkBox(kWhite).right, 90);
    auto unclipped = ArialCanvas();
    DrawTextA(unclipped->Dc(), text, -1, &box, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(unclipped->InkBox(kWhite).right, 90);

    RECT measure = box;
    DrawTextA(ellipsis->Dc(), text, -1, &measure, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(measure.right, 90);
}

TEST(GdiTextDrawText, PrefixUnderlinesTheMarkedCharacter)
{
    struct Case {
        const char* text;
        UINT format;
        bool underline;
    };
    auto plain = ArialCanvas();
    RECT box{0, 0, 200, 40};
    DrawTextA(plain->Dc(), "File", -1, &box, DT_SINGLELINE);
    const RECT plainInk = plain->InkBox(kWhite);
    const Case cases[] = {
        {"&File", DT_SINGLELINE, true},
        {"&File", DT_SINGLELINE | DT_HIDEPREFIX, false},
        {"Fil&e", DT_SINGLELINE, true},
    };
    for (const Case& c : cases) {
        auto canvas = ArialCanvas();
        RECT r = box;
        DrawTextA(canvas->Dc(), c.text, -1, &r, c.format);
        RECT ink = canvas->InkBox(kWhite);
        EXPECT_EQ(ink.bottom > plainInk.bottom, c.underline) << c.text << " " << c.format;
        EXPECT_LE(ink.right, ExtentOf(canvas->Dc(), "File").cx) << c.text << ": the '&' takes no room";
    }
    auto literal = ArialCanvas();
    RECT r = box;
    DrawTextA(literal->Dc(), "&File", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(literal->InkBox(kWhite).right, plainInk.right) << "DT_NOPREFIX draws the '&'";
}

TEST(GdiTextThreads, ThreadsDrawAndMeasureTogether)
{
    auto measure = [] {
        auto canvas = ArialCanvas();
        LONG first = ExtentOf(canvas->Dc(), "Threads share one font cache").cx;
        for (int i = 0; i < 40; ++i) {
            canvas->Use(FontOf(i % 2 ? "Verdana" : "Arial", -10 - i % 7));
            TextOutA(canvas->Dc(), 0, 0, "Threads share one font cache", 28);
        }
        canvas->Use(FontOf("Arial", -16));
        return ExtentOf(canvas->Dc(), "Threads share one font cache").cx == first;
    };
    bool same[4] = {};
    std::vector<std::thread> threads;
    for (bool& result : same)
        threads.emplace_back([&result, &measure] { result = measure(); });
    for (std::thread& t : threads)
        t.join();
    for (bool result : same)
        EXPECT_TRUE(result);
}

TEST(GdiTextErrors, BadHandlesAndArgumentsFailCleanly)
{
    SIZE size{};
    SetLastError(0);
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "x", 1, &size));
    TEXTMETRICA tm{};
    EXPECT_FALSE(GetTextMetricsA(nullptr, &tm));

    auto canvas = ArialCanvas();
    EXPECT_EQ(DrawTextA(canvas->Dc(), "x", 1, nullptr, 0), 0);
    EXPECT_FALSE(GetTextExtentPoint32A(canvas->Dc(), "x", 1, nullptr));
    EXPECT_FALSE(TextOutA(canvas->Dc(), 0, 0, nullptr, 3));
    EXPECT_TRUE(TextOutA(canvas->Dc(), -5000, -5000, "far away", 8)) << "off-surface text draws nothing";
    const char broken[] = "\xff\xc3(\xe2\x82";
    EXPECT_TRUE(GetTextExtentPoint32A(canvas->Dc(), broken, 5, &size));
    EXPECT_GT(size.cx, 0) << "bad UTF-8 measures as replacement characters";
    const char16_t lone[] = {0xD800, u'a'};
    EXPECT_TRUE(TextOutW(canvas->Dc(), 0, 0, lone, 2));
}

} // namespace
