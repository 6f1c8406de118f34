#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Display/Display.h"
#include "Platform/Display/testing/ScopedEnvironment.h"
#include "Platform/Win/User/User.h"
#include "tests/support/TempDir.h"

namespace {

// A decoded PNG: RGB rows.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    COLORREF At(int x, int y) const
    {
        const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};

// Decodes through FFmpeg's own PNG decoder, independent of our writer.
std::optional<Image> DecodePng(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 8 || std::string(bytes.begin() + 1, bytes.begin() + 4) != "PNG")
        return std::nullopt;
    av::CodecPtr decoder;
    av::FramePtr frame(av_frame_alloc());
    if (!frame || av::OpenDecoder(AV_CODEC_ID_PNG, decoder) < 0 || av::DecodePicture(decoder.get(), bytes, frame.get()) < 0
        || frame->format != AV_PIX_FMT_RGB24)
        return std::nullopt;
    Image image{frame->width, frame->height, {}};
    for (int y = 0; y < frame->height; ++y) {
        const uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        image.rgb.insert(image.rgb.end(), row, row + frame->width * 3);
    }
    return image;
}

// A window class per background colour, made once.
const char* SolidClass(COLORREF color)
{
    static std::map<COLORREF, std::string> made;
    auto it = made.find(color);
    if (it != made.end())
        return it->second.c_str();
    std::string name = "Solid" + std::to_string(color);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = CreateSolidBrush(color);
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
    return made.emplace(color, name).first->second.c_str();
}

HWND MakeSolidWindow(COLORREF color, RECT r)
{
    return CreateWindowExA(0, SolidClass(color), "", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

void PumpUntilIdle()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 230);

class Desktop : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(display::Start(display::Backend::Headless)); }
    void TearDown() override
    {
        for (HWND w : m_windows)
            DestroyWindow(w);
        PumpUntilIdle();
        display::Stop();
    }
    HWND Solid(COLORREF color, RECT r)
    {
        m_windows.push_back(MakeSolidWindow(color, r));
        return m_windows.back();
    }

    testing_support::TempDir m_dir;

private:
    std::vector<HWND> m_windows;
};

TEST_F(Desktop, SnapshotOfOverlappingWindowsShowsTheTopOneInFront)
{
    HWND red = Solid(kRed, RECT{100, 100, 300, 300});
    Solid(kBlue, RECT{200, 200, 400, 400});
    PumpUntilIdle();
    const std::string path = m_dir.File("desktop.png");
    ASSERT_TRUE(display::SaveDesktopPng(path));
    auto image = DecodePng(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1024);
    EXPECT_EQ(image->height, 768);
    EXPECT_EQ(image->At(150, 150), kRed);
    EXPECT_EQ(image->At(250, 250), kBlue) << "the later window is on top";
    EXPECT_EQ(image->At(350, 350), kBlue);
    EXPECT_EQ(image->At(50, 50), GetSysColor(COLOR_DESKTOP));
    EXPECT_EQ(display::DesktopPixel(250, 250), kBlue);

    SetWindowPos(red, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpUntilIdle();
    ASSERT_TRUE(display::SaveDesktopPng(path));
    image = DecodePng(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->At(250, 250), kRed);
    EXPECT_EQ(image->At(350, 350), kBlue);
}

TEST_F(Desktop, WindowSnapshotShowsItsOwnSurface)
{
    HWND red = Solid(kRed, RECT{100, 100, 300, 250});
    Solid(kBlue, RECT{150, 150, 400, 400});
    PumpUntilIdle();
    const std::string path = m_dir.File("window.png");
    ASSERT_TRUE(display::SaveWindowPng(red, path));
    auto image = DecodePng(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 200);
    EXPECT_EQ(image->height, 150);
    EXPECT_EQ(image->At(199, 149), kRed) << "covered on screen, still its own";
}

TEST_F(Desktop, FailedSnapshotsLeaveNoFile)
{
    HWND gone = Solid(kRed, RECT{0, 0, 10, 10});
    DestroyWindow(gone);
    EXPECT_FALSE(display::SaveWindowPng(gone, m_dir.File("gone.png")));
    const std::string unreachable = m_dir.File("missing/desktop.png");
    EXPECT_FALSE(display::SaveDesktopPng(unreachable));
    EXPECT_FALSE(std::filesystem::exists(unreachable + ".partial"));
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(Desktop, InjectedClickReachesTheWindowUnderThePointer)
{
    static POINT s_clicked{-1, -1};
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_LBUTTONDOWN)
            s_clicked = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        return DefWindowProcA(w, m, wp, lp);
    };
    wc.lpszClassName = "ClickTarget";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "ClickTarget", "", WS_POPUP | WS_VISIBLE, 500, 400, 100, 100, nullptr, nullptr,
                             nullptr, nullptr);
    PumpUntilIdle();
    display::Click(display::Button::Left, POINT{530, 410});
    PumpUntilIdle();
    EXPECT_EQ(s_clicked.x, 30);
    EXPECT_EQ(s_clicked.y, 10);
    DestroyWindow(w);
}

TEST(DisplayChoice, EnvironmentPicksTheBackend)
{
    struct Case {
        const char* forced;
        const char* x11;
        const char* wayland;
        display::Backend expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, display::Backend::Headless},
        {nullptr, ":0", nullptr, display::Backend::Sdl},
        {nullptr, nullptr, "wayland-0", display::Backend::Sdl},
        {"headless", ":0", nullptr, display::Backend::Headless},
        {"sdl", nullptr, nullptr, display::Backend::Sdl},
        {"bogus", nullptr, nullptr, display::Backend::Headless},
    };
    for (const Case& c : cases) {
        display_test::ScopedEnvironment env;
        env.Set("KESTRELON_DISPLAY", c.forced);
        env.Set("DISPLAY", c.x11);
        env.Set("WAYLAND_DISPLAY", c.wayland);
        EXPECT_EQ(display::ChooseBackend(), c.expected)
            << (c.forced ? c.forced : "-") << " " << (c.x11 ? c.x11 : "-") << " " << (c.wayland ? c.wayland : "-");
    }
}

TEST(DisplayChoice, UnreachableDisplayFallsBackUnlessSdlWasForced)
{
    display_test::ScopedEnvironment env;
    env.Set("SDL_VIDEODRIVER", nullptr);
    env.Set("DISPLAY", ":4321");
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("KESTRELON_DISPLAY", nullptr);
    EXPECT_EQ(display::StartChosen(), display::Backend::Headless);
    display::Stop();
    env.Set("KESTRELON_DISPLAY", "sdl");
    EXPECT_EQ(display::StartChosen(), std::nullopt);
    EXPECT_FALSE(display::IsRunning());
}

} // namespace
