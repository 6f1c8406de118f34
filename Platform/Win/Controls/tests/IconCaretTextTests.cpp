#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"
#include "Platform/Win/User/Caret.h"
#include "Platform/Win/User/Icons.h"

namespace {

using namespace controls_test;

class IconsCaretText : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        m_window = MakeTopLevel(RECT{100, 100, 300, 300}, WS_POPUP | WS_VISIBLE,
                                RecordingClass(0, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
        SetActiveWindow(m_window);
        PumpUntilIdle();
        ClearLog();
    }
    COLORREF Pixel(int x, int y)
    {
        HDC dc = GetDC(m_window);
        COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(m_window, dc);
        return color;
    }
    HWND m_window = nullptr;
};

TEST_F(IconsCaretText, StockIconsAreDrawnWithTheirShapeAndTransparency)
{
    HDC dc = GetDC(m_window);
    EXPECT_TRUE(DrawIcon(dc, 10, 10, LoadIconA(nullptr, IDI_EXCLAMATION)));
    EXPECT_TRUE(DrawIcon(dc, 60, 10, LoadIconA(nullptr, IDI_HAND)));
    EXPECT_TRUE(DrawIconEx(dc, 110, 10, LoadIconA(nullptr, IDI_ASTERISK), 64, 64, 0, nullptr, DI_NORMAL));
    ReleaseDC(m_window, dc);
    const COLORREF yellow = Pixel(10 + 8, 10 + 25);
    EXPECT_GT(GetRValue(yellow), 200);
    EXPECT_GT(GetGValue(yellow), 150);
    EXPECT_LT(GetBValue(yellow), 100);
    EXPECT_EQ(Pixel(10 + 1, 10 + 1), RGB(255, 255, 255)) << "outside the shape the background stays";
    const COLORREF red = Pixel(60 + 16, 10 + 5);
    EXPECT_GT(GetRValue(red), 150);
    EXPECT_LT(GetGValue(red), 80);
    const COLORREF blue = Pixel(110 + 10, 10 + 32);
    EXPECT_GT(GetBValue(blue), 150) << "drawn at twice the size";
}

TEST_F(IconsCaretText, AnIconMadeFromBitmapsKeepsItsMaskAndComesBack)
{
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateCompatibleBitmap(screen, 8, 8);
    HBITMAP mask = CreateCompatibleBitmap(screen, 8, 8);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, color);
    RECT all{0, 0, 8, 8};
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(memory, &all, green);
    SelectObject(memory, mask);
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT clear{4, 0, 8, 8};
    FillRect(memory, &clear, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    HDC dc = GetDC(m_window);
    DrawIconEx(dc, 20, 20, icon, 0, 0, 0, nullptr, DI_NORMAL);
    ReleaseDC(m_window, dc);
    EXPECT_EQ(Pixel(21, 21), RGB(0, 200, 0));
    EXPECT_EQ(Pixel(26, 21), RGB(255, 255, 255)) << "the mask's white part is transparent";
    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(icon, &back));
    EXPECT_TRUE(back.fIcon);
    BITMAP bitmap{};
    GetObjectA(back.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 8);
    DeleteObject(back.hbmColor);
    DeleteObject(back.hbmMask);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    DeleteObject(color);
    DeleteObject(mask);
    DeleteObject(green);
}

TEST_F(IconsCaretText, IconFilesLoadAndDamagedImagesAreRefused)
{
    const std::string path = std::string(KESTRELON_RESOURCE_FIXTURE_SOURCES) + "/tiny.ico";
    HANDLE icon = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(icon, nullptr);
    win::user::IconImage image;
    ASSERT_TRUE(win::user::GetIconImage(static_cast<HICON>(icon), &image));
    EXPECT_EQ(image.width, 1);
    DestroyIcon(static_cast<HICON>(icon));
    SetLastError(0);
    EXPECT_EQ(LoadImageA(nullptr, (path + ".missing").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    win::ResourceBytes bits = win::FindResourceBytes(Fixture(), MAKEINTRESOURCEA(1), RT_ICON);
    ASSERT_TRUE(bits);
    for (DWORD cut = 0; cut < bits.size; ++cut) {
        SetLastError(0);
        HICON partial = CreateIconFromResourceEx(const_cast<PBYTE>(bits.data), cut, TRUE, 0x00030000, 0, 0, 0);
        if (partial) {
            DestroyIcon(partial); // a 32-bit image may leave its mask out
            continue;
        }
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << cut;
    }
}

TEST_F(IconsCaretText, TheCaretInvertsItsPlaceWhileShown)
{
    ASSERT_TRUE(CreateCaret(m_window, nullptr, 2, 10));
    ASSERT_TRUE(SetCaretPos(30, 40));
    EXPECT_EQ(Pixel(30, 40), RGB(255, 255, 255)) << "a new caret is hidden";
    ASSERT_TRUE(ShowCaret(m_window));
    EXPECT_EQ(Pixel(30, 40), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(32, 40), RGB(255, 255, 255)) << "two pixels wide";
    POINT at{};
    EXPECT_TRUE(GetCaretPos(&at));
    EXPECT_EQ(at.x, 30);
    SetCaretPos(50, 40);
    EXPECT_EQ(Pixel(30, 40), RGB(255, 255, 255)) << "moving takes it off its old place";
    EXPECT_EQ(Pixel(50, 40), RGB(0, 0, 0));
    InvalidateRect(m_window, nullptr, TRUE);
    UpdateWindow(m_window);
    EXPECT_EQ(Pixel(50, 40), RGB(0, 0, 0)) << "painting puts it back after";
    ASSERT_TRUE(HideCaret(m_window));
    EXPECT_EQ(Pixel(50, 40), RGB(255, 255, 255));
    EXPECT_TRUE(HideCaret(nullptr));
    EXPECT_TRUE(ShowCaret(nullptr));
    EXPECT_EQ(Pixel(50, 40), RGB(255, 255, 255)) << "hiding nests";
    EXPECT_TRUE(DestroyCaret());
    EXPECT_FALSE(ShowCaret(m_window));
    const UINT blink = GetCaretBlinkTime();
    EXPECT_TRUE(SetCaretBlinkTime(200));
    EXPECT_EQ(GetCaretBlinkTime(), 200u);
    SetCaretBlinkTime(blink);
}

TEST_F(IconsCaretText, TypedTextArrivesByteByByteInOrderWithTheKeys)
{
    SetFocus(m_window);
    InjectKey('A', true);
    InjectKey('A', false);
    win::user::InjectText("\xC3\xA9");
    Key('B');
    PumpUntilIdle();
    std::vector<WPARAM> characters;
    for (const Received& r : ReceivedOf(WM_CHAR))
        characters.push_back(r.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 0xC3, 0xA9, 'b'}));
}

TEST_F(IconsCaretText, WithTheHostTypingTextKeysMakeOnlyControlCharacters)
{
    SetFocus(m_window);
    win::user::SetHostTypesText(true);
    Key('A');
    Key(VK_RETURN);
    KeyWith(VK_CONTROL, 'C');
    win::user::InjectText("a");
    PumpUntilIdle();
    win::user::SetHostTypesText(false);
    std::vector<WPARAM> characters;
    for (const Received& r : ReceivedOf(WM_CHAR))
        characters.push_back(r.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'\r', 3, 'a'}));
}

class CursorHost : public win::user::DesktopHost {
public:
    void DesktopChanged() override {}
    void CursorChanged(win::user::CursorShape shape) override { shapes.push_back(shape); }
    void CursorImageChanged(const win::user::IconImage& image) override { images.push_back(image); }
    std::vector<win::user::CursorShape> shapes;
    std::vector<win::user::IconImage> images;
};

TEST_F(IconsCaretText, TheHostShowsStockShapesTheProgramsCursorsAndNone)
{
    CursorHost host;
    win::user::SetDesktopHost(&host);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SetCursor(LoadCursorA(Fixture(), MAKEINTRESOURCEA(245)));
    SetCursor(nullptr);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    win::user::SetDesktopHost(nullptr);
    using win::user::CursorShape;
    EXPECT_EQ(host.shapes, (std::vector<CursorShape>{CursorShape::Wait, CursorShape::Hidden, CursorShape::Arrow}));
    ASSERT_EQ(host.images.size(), 1u);
    EXPECT_TRUE(host.images[0].cursor);
}

} // namespace
