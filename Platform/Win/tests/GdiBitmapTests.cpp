#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GdiTestSupport.h"

namespace {

using gdi_test::ColorCanvas;

// A BITMAPINFO with room for a full colour table or the three masks.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

DibInfo DibInfoOf(int width, int height, WORD bits, DWORD compression = BI_RGB)
{
    DibInfo info{};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, 0, 0, 0, 0, 0};
    const RGBQUAD table[] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    if (bits <= 8)
        for (int i = 0; i < (1 << bits) && i < 5; ++i)
            info.colors[i] = table[i];
    if (compression == BI_BITFIELDS) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colors, masks, sizeof masks);
    }
    return info;
}

const BITMAPINFO* AsInfo(const DibInfo& info) { return reinterpret_cast<const BITMAPINFO*>(&info); }
BITMAPINFO* AsInfo(DibInfo& info) { return reinterpret_cast<BITMAPINFO*>(&info); }

// A colour as a 32-bit DIB stores it (blue in the low byte).
DWORD DibPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

TEST(GdiBitmap, DibSectionsOfEveryDepthKeepTheirPixelsInTheirOwnLayout)
{
    struct Case {
        WORD bits;
        DWORD compression;
        COLORREF color;
        std::vector<BYTE> encoded; // pixel (0,0) in the section's bytes
    };
    const Case cases[] = {
        {1, BI_RGB, RGB(255, 255, 255), {0x80}},
        {4, BI_RGB, RGB(255, 0, 0), {0x20}},
        {8, BI_RGB, RGB(0, 0, 255), {4}},
        {16, BI_RGB, RGB(255, 0, 0), {0x00, 0x7C}},
        {16, BI_BITFIELDS, RGB(255, 0, 0), {0x00, 0xF8}},
        {24, BI_RGB, RGB(1, 2, 3), {3, 2, 1}},
        {32, BI_RGB, RGB(1, 2, 3), {3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, compression " << c.compression);
        DibInfo info = DibInfoOf(4, -2, c.bits, c.compression); // top-down
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_TRUE(section);
        ASSERT_TRUE(bits);
        gdi_test::Canvas canvas(section);
        EXPECT_TRUE(SetPixelV(canvas.dc(), 0, 0, c.color));
        EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + c.encoded.size()), c.encoded)
            << "drawing lands in the application's bits";
        EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), c.color);

        // Writing the bits directly shows in the next GDI read.
        std::memset(bits, 0, c.encoded.size());
        EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(0, 0, 0));

        // A 32-bit copy through GetDIBits and back through SetDIBits.
        SetPixelV(canvas.dc(), 3, 1, c.color);
        DibInfo query = DibInfoOf(4, -2, 32);
        std::vector<DWORD> pixels(8, 0xDEADBEEF);
        EXPECT_EQ(GetDIBits(canvas.dc(), section, 0, 2, pixels.data(), AsInfo(query),
                            DIB_RGB_COLORS),
                  2);
        EXPECT_EQ(pixels[7], DibPixel(c.color));
        pixels[0] = pixels[7];
        EXPECT_EQ(SetDIBits(canvas.dc(), section, 0, 2, pixels.data(), AsInfo(query), DIB_RGB_COLORS), 2);
        EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), c.color);
    }
}

TEST(GdiBitmap, PaletteIndexedSectionsTakeTheirColoursFromTheDcPalette)
{
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[3];
    } log{0x300, 3, {{0, 0, 0, 0}, {0, 255, 0, 0}, {255, 0, 255, 0}}};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
    auto screenLike = ColorCanvas(1, 1);
    HPALETTE old = SelectPalette(screenLike->dc(), palette, FALSE);
    struct {
        BITMAPINFOHEADER header;
        WORD indices[256];
    } info{};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 1, 1, 8, BI_RGB, 0, 0, 0, 2, 0};
    info.indices[0] = 2;
    info.indices[1] = 1;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screenLike->dc(), reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS,
                                       &bits, nullptr, 0);
    ASSERT_TRUE(section);
    static_cast<BYTE*>(bits)[0] = 1;
    gdi_test::Canvas canvas(section);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{"gm"}));
    SelectPalette(screenLike->dc(), old, FALSE);
    DeleteObject(palette);
}

TEST(GdiBitmap, DrawingOnASectionLeavesTheBitsOfUntouchedPixelsAlone)
{
    // Entries 0 and 5 are both black: re-encoding index 5 would give 0.
    DibInfo info = DibInfoOf(4, -2, 8);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(section);
    auto* bytes = static_cast<BYTE*>(bits);
    bytes[0] = 5;
    bytes[4] = 5;
    gdi_test::Canvas canvas(section);
    SetPixelV(canvas.dc(), 3, 1, RGB(255, 0, 0));
    EXPECT_EQ(bytes[7], 2) << "the drawn pixel";
    EXPECT_EQ(bytes[0], 5) << "another row keeps its index";
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT right{2, 0, 4, 1};
    FillRect(canvas.dc(), &right, red);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(bytes[4], 5);
    DeleteObject(red);
}

TEST(GdiBitmap, ShapesOnABottomUpSectionLandInItsLastRowsFirst)
{
    DibInfo info = DibInfoOf(4, 3, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(section);
    gdi_test::Canvas canvas(section);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), red);
    HGDIOBJ oldPen = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    Rectangle(canvas.dc(), 0, 0, 3, 2); // fills (0,0)-(2,1) without a pen
    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(red);
    const auto* bytes = static_cast<const BYTE*>(bits);
    const size_t stride = 12;
    EXPECT_EQ(bytes[2 * stride + 2], 255) << "the top row is the last in memory";
    EXPECT_EQ(bytes[2 * stride + 3 + 2], 255);
    EXPECT_EQ(bytes[2 * stride + 6 + 2], 0);
    EXPECT_EQ(bytes[1 * stride + 2], 0);
}

TEST(GdiBitmap, GetDIBitsAnswersTheHeaderQueryAndHonoursRowOrder)
{
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, nullptr);
    gdi_test::Canvas canvas(bitmap);
    gdi_test::Paint(canvas.dc(), {"r..", "..b"});
    DibInfo query{};
    query.header.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(canvas.dc(), bitmap, 0, 0, nullptr, AsInfo(query), DIB_RGB_COLORS), 2);
    EXPECT_EQ(query.header.biWidth, 3);
    EXPECT_EQ(query.header.biHeight, 2);
    EXPECT_EQ(query.header.biBitCount, 32);
    EXPECT_EQ(query.header.biSizeImage, 24u);

    // 24-bit rows are padded to 4 bytes; bottom-up puts the bottom row first.
    DibInfo bottomUp = DibInfoOf(3, 2, 24);
    std::vector<BYTE> rows(24, 0xEE);
    EXPECT_EQ(GetDIBits(canvas.dc(), bitmap, 0, 2, rows.data(), AsInfo(bottomUp), DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[6], 255) << "blue of the bottom row's last pixel comes first";
    EXPECT_EQ(rows[12 + 2], 255) << "red of the top row's first pixel";
    DibInfo topDown = DibInfoOf(3, -2, 24);
    EXPECT_EQ(GetDIBits(canvas.dc(), bitmap, 0, 2, rows.data(), AsInfo(topDown), DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[2], 255) << "top-down puts the top row first";
}

TEST(GdiBitmap, PaletteRequestsGetTheirColourTableAndBits)
{
    // Text drawn white on black into a monochrome bitmap, read back one bit
    // per pixel as the text rasteriser reads it, and at 4 and 8 bits.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 2);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 32, 2, BLACKNESS);
    PatBlt(dc, 0, 0, 4, 1, WHITENESS);
    SelectObject(dc, old);
    // Bottom-up: the painted top row comes second. One bit keeps black and
    // white as they are; deeper requests map them into the system colours.
    for (WORD bits : {1, 4, 8}) {
        DibInfo info = DibInfoOf(32, 2, bits);
        std::vector<BYTE> rows(2 * 32, 0xEE);
        ASSERT_EQ(GetDIBits(dc, bitmap, 0, 2, rows.data(), AsInfo(info), DIB_RGB_COLORS), 2) << bits;
        const size_t stride = (32 * bits + 31) / 32 * 4;
        EXPECT_NE(rows[0], rows[stride]) << bits;
        if (bits == 1) {
            EXPECT_EQ(rows[0], 0x00);
            EXPECT_EQ(rows[stride], 0xF0);
            EXPECT_EQ(info.colors[0].rgbRed, 0);
            EXPECT_EQ(info.colors[1].rgbRed, 255);
        }
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(GdiBitmap, SixteenBitRequestsGetTheirLayoutAndMasks)
{
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    gdi_test::Canvas canvas(bitmap);
    SetPixelV(canvas.dc(), 0, 0, RGB(255, 0, 0));
    struct Case {
        DWORD compression;
        WORD pixel;
        DWORD redMask;
    };
    for (Case c : {Case{BI_RGB, 0x7C00, 0}, Case{BI_BITFIELDS, 0xF800, 0xF800}}) {
        DibInfo info = DibInfoOf(1, 1, 16, BI_RGB);
        info.header.biCompression = c.compression;
        DWORD pixels = 0;
        EXPECT_EQ(GetDIBits(canvas.dc(), bitmap, 0, 1, &pixels, AsInfo(info), DIB_RGB_COLORS), 1);
        EXPECT_EQ(static_cast<WORD>(pixels), c.pixel) << "compression " << c.compression;
        if (c.redMask) {
            DWORD mask = 0;
            std::memcpy(&mask, info.colors, sizeof mask);
            EXPECT_EQ(mask, c.redMask);
        }
    }
    DibInfo bad = DibInfoOf(1, 1, 24, BI_BITFIELDS);
    DWORD pixels = 0;
    EXPECT_EQ(GetDIBits(canvas.dc(), bitmap, 0, 1, &pixels, AsInfo(bad), DIB_RGB_COLORS), 0);
}

TEST(GdiBitmap, NewMemoryDcsHoldAOnePixelMonochromeBitmap)
{
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP info{};
    HGDIOBJ stock = GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(GetObject(stock, sizeof info, &info), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);
    HBITMAP compatible = CreateCompatibleBitmap(dc, 8, 8);
    GetObject(compatible, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, 1) << "the mask code relies on a monochrome bitmap here";
    EXPECT_EQ(info.bmWidthBytes, 2) << "monochrome rows are padded to 16 bits";
    HBITMAP colour = CreateBitmap(4, 4, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, colour);
    EXPECT_EQ(old, stock);
    HBITMAP second = CreateCompatibleBitmap(dc, 8, 8);
    GetObject(second, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    SelectObject(dc, old);
    DeleteDC(dc);
    for (HBITMAP b : {compatible, colour, second})
        DeleteObject(b);
}

TEST(GdiBitmap, GetObjectUsesTheSixtyFourBitStructureSizes)
{
    DibInfo dib = DibInfoOf(4, 4, 16, BI_BITFIELDS);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, AsInfo(dib), DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP device = CreateBitmap(4, 4, 1, 32, nullptr);
    HPEN pen = CreatePen(PS_DASH, 1, RGB(255, 0, 0));
    LOGBRUSH logBrush{BS_SOLID, RGB(1, 2, 3), 0};
    HPEN extPen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &logBrush, 0, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    struct Case {
        const char* name;
        HGDIOBJ object;
        int size;
    };
    const Case cases[] = {
        {"bitmap", device, 32}, {"DIB section", section, 104}, {"pen", pen, 16},
        {"extended pen", extPen, 32}, {"brush", brush, 16},   {"palette", GetStockObject(DEFAULT_PALETTE), 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetObject(c.object, 0, nullptr), c.size) << c.name;
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(section, sizeof ds, &ds), 104);
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
    EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
    BITMAP bm{};
    EXPECT_EQ(GetObject(section, sizeof bm, &bm), 32) << "a BITMAP-sized buffer gets the BITMAP";
    LOGPEN lp{};
    GetObject(pen, sizeof lp, &lp);
    EXPECT_EQ(lp.lopnStyle, PS_DASH);
    EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
    EXTLOGPEN elp{};
    GetObject(extPen, sizeof elp, &elp);
    EXPECT_EQ(elp.elpWidth, 3u);
    EXPECT_EQ(GetObjectType(extPen), OBJ_EXTPEN);
    LOGBRUSH lb{};
    GetObject(brush, sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
    LOGPEN nullPen{};
    GetObject(GetStockObject(NULL_PEN), sizeof nullPen, &nullPen);
    EXPECT_EQ(nullPen.lopnStyle, PS_NULL);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(section), static_cast<HGDIOBJ>(device), static_cast<HGDIOBJ>(pen),
                      static_cast<HGDIOBJ>(extPen), static_cast<HGDIOBJ>(brush)})
        DeleteObject(o);
}

TEST(GdiBitmap, MonochromeBitsRoundTripInTheirWordPaddedLayout)
{
    const BYTE bits[] = {0xA0, 0x00, 0x50, 0x00};
    HBITMAP mono = CreateBitmap(4, 2, 1, 1, bits);
    BYTE back[4] = {};
    EXPECT_EQ(GetBitmapBits(mono, sizeof back, back), 4);
    EXPECT_EQ(std::vector<BYTE>(back, back + 4), std::vector<BYTE>(bits, bits + 4));
    gdi_test::Canvas canvas(mono);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{".#.#", "#.#."}));
    const BYTE all[] = {0xF0, 0, 0xF0, 0};
    EXPECT_EQ(SetBitmapBits(mono, sizeof all, all), 4);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{"....", "...."}));
}

TEST(GdiBitmap, CreateDIBitmapFillsAColourBitmapFromTheBits)
{
    auto screenLike = ColorCanvas(1, 1);
    DibInfo info = DibInfoOf(2, 1, 8);
    const BYTE pixels[4] = {2, 3, 0, 0};
    HBITMAP bitmap = CreateDIBitmap(screenLike->dc(), &info.header, CBM_INIT, pixels, AsInfo(info), DIB_RGB_COLORS);
    ASSERT_TRUE(bitmap);
    gdi_test::Canvas canvas(bitmap);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{"rg"}));
}

TEST(GdiBitmap, MalformedBitmapHeadersAreRefused)
{
    struct Case {
        const char* name;
        DibInfo info;
    };
    auto with = [](auto change) {
        DibInfo info = DibInfoOf(4, 4, 8);
        change(info.header);
        return info;
    };
    const Case cases[] = {
        {"zero width", with([](BITMAPINFOHEADER& h) { h.biWidth = 0; })},
        {"negative width", with([](BITMAPINFOHEADER& h) { h.biWidth = -4; })},
        {"huge height", with([](BITMAPINFOHEADER& h) { h.biHeight = 0x7FFFFFFF; })},
        {"odd depth", with([](BITMAPINFOHEADER& h) { h.biBitCount = 7; })},
        {"run-length", with([](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; })},
        {"bitfields on 8 bits", with([](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; })},
        {"short header", with([](BITMAPINFOHEADER& h) { h.biSize = 20; })},
        {"two planes", with([](BITMAPINFOHEADER& h) { h.biPlanes = 2; })},
    };
    for (const Case& c : cases) {
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(c.info), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.name;
        EXPECT_EQ(bits, nullptr) << c.name;
    }
    void* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(GdiBitmap, ABitmapGoesIntoOneMemoryDcAtATime)
{
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(first, bitmap);
    EXPECT_TRUE(old);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    SelectObject(first, old);
    HGDIOBJ old2 = SelectObject(second, bitmap);
    EXPECT_TRUE(old2) << "free again once deselected";
    SelectObject(second, old2);
    DeleteDC(first);
    DeleteDC(second);
    DeleteObject(bitmap);
}

TEST(GdiBitmap, DeletingASelectedObjectWaitsForItsDeselection)
{
    auto canvas = ColorCanvas(2, 1);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(canvas->dc(), brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH) << "still selected, so still there";
    PatBlt(canvas->dc(), 0, 0, 1, 1, PATCOPY);
    EXPECT_EQ(GetPixel(canvas->dc(), 0, 0), RGB(255, 0, 0)) << "and still drawing";
    EXPECT_EQ(SelectObject(canvas->dc(), old), brush);
    SetLastError(0);
    EXPECT_EQ(GetObjectType(brush), 0u) << "gone with its deselection";
}

TEST(GdiBitmap, PixelsOutsideTheBitmapReadAsInvalid)
{
    auto canvas = ColorCanvas(2, 2);
    EXPECT_EQ(GetPixel(canvas->dc(), 2, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(canvas->dc(), -1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(canvas->dc(), 5, 5, RGB(1, 2, 3)), CLR_INVALID);
    EXPECT_EQ(SetPixel(canvas->dc(), 1, 1, RGB(1, 2, 3)), RGB(1, 2, 3));
}

} // namespace
