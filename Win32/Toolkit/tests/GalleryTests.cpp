// The toolkit gallery's pages as pictures: on the headless desktop against
// golden pictures, and under a virtual X server of the test's own through
// the sdl back end, where each page is a native window of its own that the
// skin draws whole, caption included.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/Display/Display.h"
#include "Platform/Display/PngFile.h"
#include "Platform/Display/testing/GoldenPng.h"
#include "Platform/Display/testing/ScopedEnvironment.h"
#include "Platform/Display/testing/XServer.h"
#include "Win32/Toolkit/Gallery/Pages.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "tests/support/TempDir.h"

namespace {

using toolkit_gallery::GalleryModules;

// Shows the page and writes its window to `file` once it shows; whether
// it was written.
bool Snapshot(const std::string& page, const GalleryModules& modules, const std::string& file,
              const std::function<void(HWND)>& andThen = nullptr)
{
    bool written = false;
    toolkit_gallery::ShowPage(page, modules, [&](HWND window) {
        written = display::SaveWindowPng(window, file);
        if (andThen)
            andThen(window);
        return true;
    });
    return written;
}

class GalleryGolden : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display::Start(display::Backend::Headless));
        SetCursorPos(0, 0);
        m_modules = std::make_unique<GalleryModules>(KESTRELON_PROGRAM_MODULES, KESTRELON_TOOLKIT_GALLERY_MODULES);
        ASSERT_TRUE(m_modules->IsLoaded()) << "the build makes " KESTRELON_TOOLKIT_GALLERY_MODULES;
    }
    void TearDown() override
    {
        m_modules.reset();
        AfxDeleteTempMaps();
        display::Stop();
    }

    std::unique_ptr<GalleryModules> m_modules;
    testing_support::TempDir m_dir;
};

TEST_F(GalleryGolden, EveryPageLooksAsItsGoldenPicture)
{
    for (const char* page :
         {"dialog", "dialog-inactive", "messagebox", "font", "elements", "sheet", "wizard", "tooldialog", "panels", "trimmer", "menu", "controls"}) {
        const std::string shot = m_dir.File(std::string(page) + ".png");
        ASSERT_TRUE(Snapshot(page, *m_modules, shot)) << page << " showed";
        EXPECT_TRUE(display_test::MatchesGoldenPng(shot, KESTRELON_TOOLKIT_GOLDEN, std::string("gallery-") + page));
    }
}

// ---- Under X ---------------------------------------------------------------

int Red(DWORD rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
int Green(DWORD rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
int Blue(DWORD rgb) { return static_cast<int>(rgb & 0xFF); }

// The colour (0x00RRGGBB) of a fill bitmap of the bitmap module.
DWORD FillColour(UINT id)
{
    HBITMAP bitmap = LoadBitmapA(GetBitmapResourceModule(), MAKEINTRESOURCEA(id));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF colour = GetPixel(dc, 1, 1);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return static_cast<DWORD>(GetRValue(colour)) << 16 | static_cast<DWORD>(GetGValue(colour)) << 8 | GetBValue(colour);
}

class GalleryUnderX : public testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        m_x = display_test::XServer::Start(1024, 768, &why);
        if (!m_x)
            GTEST_SKIP() << "no virtual X server could start: " << why;
        m_environment.Set("DISPLAY", m_x->Name().c_str());
        m_environment.Set("WAYLAND_DISPLAY", nullptr);
        m_environment.Set("KESTRELON_DISPLAY", "sdl");
        m_environment.Set("SDL_VIDEODRIVER", "x11");
        // No graphics card: SDL draws in software, without GLX.
        m_environment.Set("SDL_RENDER_DRIVER", "software");
        m_environment.Set("SDL_FRAMEBUFFER_ACCELERATION", "0");
        ASSERT_EQ(display::StartChosen(), display::Backend::Sdl) << "SDL opens no display on " << m_x->Name();
        m_modules = std::make_unique<GalleryModules>(KESTRELON_PROGRAM_MODULES, KESTRELON_TOOLKIT_GALLERY_MODULES);
        ASSERT_TRUE(m_modules->IsLoaded());
    }
    void TearDown() override
    {
        m_modules.reset();
        AfxDeleteTempMaps();
        if (m_x)
            display::Stop();
        m_x.reset();
    }

    // The page's native window as another client of the X server sees it,
    // once it shows.
    std::optional<display_test::XWindowInfo> Native(HWND window)
    {
        char title[128] = {};
        GetWindowTextA(window, title, sizeof title);
        std::optional<display_test::XWindowInfo> found;
        for (int i = 0; i < 300; ++i) {
            found = m_x->FindByTitle(title);
            if (found && found->viewable)
                return found;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
        return found;
    }

    std::unique_ptr<display_test::XServer> m_x;
    std::unique_ptr<GalleryModules> m_modules;

private:
    display_test::ScopedEnvironment m_environment;
};

TEST_F(GalleryUnderX, EveryPageIsABorderlessNativeWindowThatTheSkinDraws)
{
    const DWORD active = FillColour(543);
    const DWORD inactive = FillColour(559);
    struct Case {
        const char* page;
        DWORD band; // 0: no caption
    };
    for (const Case& c : {Case{"dialog", active}, Case{"dialog-inactive", inactive}, Case{"messagebox", active},
                          Case{"file", active}, Case{"font", active}, Case{"elements", 0}, Case{"sheet", active},
                          Case{"wizard", active}, Case{"tooldialog", 0}, Case{"panels", 0},
                          Case{"trimmer", 0}, Case{"menu", 0}, Case{"controls", active}}) {
        const std::string file = std::string(KESTRELON_TESTS_OUTPUT) + "/toolkit-gallery-x-" + c.page + ".png";
        RECT r{};
        std::optional<display_test::XWindowInfo> native;
        ASSERT_TRUE(Snapshot(c.page, *m_modules, file, [&](HWND window) {
            GetWindowRect(window, &r);
            native = Native(window);
        })) << c.page;

        ASSERT_TRUE(native) << c.page << ": no native window";
        EXPECT_TRUE(native->overrideRedirect || native->decorations == 0u)
            << c.page << ": borderless, the window manager draws no frame";
        EXPECT_EQ(native->width, r.right - r.left) << c.page;
        EXPECT_EQ(native->height, r.bottom - r.top) << c.page;

        std::vector<DWORD> pixels;
        LONG width = 0;
        LONG height = 0;
        ASSERT_TRUE(display::ReadPng(file, &pixels, &width, &height)) << file;
        EXPECT_EQ(width, r.right - r.left) << c.page;
        EXPECT_EQ(height, r.bottom - r.top) << c.page;
        const std::set<DWORD> colours(pixels.begin(), pixels.end());
        EXPECT_GE(colours.size(), 16u) << c.page << ": a picture, not a blank";
        if (c.band) {
            int inBand = 0;
            for (LONG x = 0; x < width; ++x)
                inBand += pixels[static_cast<size_t>(11 * width + x)] == c.band;
            EXPECT_GT(inBand, width / 3) << c.page << ": the picture's caption is the skin's band ("
                                         << Red(c.band) << ", " << Green(c.band) << ", " << Blue(c.band) << ")";
        }
    }
}

} // namespace
