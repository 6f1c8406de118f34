// The look of the controls against golden images: the fixture dialog in
// four looks and an open popup of owner-drawn items, as the headless
// desktop draws them. KESTRELON_UPDATE_GOLDEN=1 writes the images anew
// (into the source tree) instead of comparing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Display/Display.h"
#include "Platform/Display/PngFile.h"
#include "Platform/Win/Gallery/Showcase.h"
#include "tests/support/TempDir.h"

namespace {

// Channels may differ this much (rounding); no pixel may differ more.
constexpr int kChannelTolerance = 2;

void PumpUntilIdle()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int Channel(DWORD pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

class Golden : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display::Start(display::Backend::Headless));
        m_fixture = gallery::LoadControlsFixture(KESTRELON_CONTROLS_FIXTURES);
        ASSERT_NE(m_fixture, nullptr) << "the build compiles " KESTRELON_CONTROLS_FIXTURES "/ControlsFixture.kres";
        SetCursorPos(0, 0);
    }
    void TearDown() override
    {
        PumpUntilIdle();
        display::Stop();
    }

    // Compares the window's snapshot with the golden image `name`.
    void ExpectLooksLike(HWND window, const std::string& name)
    {
        const std::string shot = m_dir.File(name + ".png");
        ASSERT_TRUE(display::SaveWindowPng(window, shot));
        ExpectMatchesGolden(shot, name);
    }

    void ExpectMatchesGolden(const std::string& shot, const std::string& name)
    {
        const std::string golden = std::string(KESTRELON_CONTROLS_GOLDEN) + "/" + name + ".png";
        if (const char* update = std::getenv("KESTRELON_UPDATE_GOLDEN"); update && *update == '1') {
            std::filesystem::copy_file(shot, golden, std::filesystem::copy_options::overwrite_existing);
            return;
        }
        std::vector<DWORD> expected;
        std::vector<DWORD> actual;
        LONG expectedWidth = 0;
        LONG expectedHeight = 0;
        LONG width = 0;
        LONG height = 0;
        ASSERT_TRUE(display::ReadPng(golden, &expected, &expectedWidth, &expectedHeight))
            << golden << " is missing: run with KESTRELON_UPDATE_GOLDEN=1 to make it";
        ASSERT_TRUE(display::ReadPng(shot, &actual, &width, &height));
        ASSERT_EQ(width, expectedWidth) << name;
        ASSERT_EQ(height, expectedHeight) << name;
        size_t differing = 0;
        size_t first = 0;
        for (size_t i = 0; i < actual.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                if (std::abs(Channel(actual[i], shift) - Channel(expected[i], shift)) > kChannelTolerance) {
                    if (differing++ == 0)
                        first = i;
                    break;
                }
            }
        }
        if (differing == 0)
            return;
        // The snapshot outlives the test's folder, for a look.
        const std::filesystem::path kept =
            std::filesystem::temp_directory_path() / ("kestrelon-golden-" + name + ".png");
        std::filesystem::copy_file(shot, kept, std::filesystem::copy_options::overwrite_existing);
        ADD_FAILURE() << name << ": " << differing << " pixels differ, the first at ("
                      << first % static_cast<size_t>(width) << ", " << first / static_cast<size_t>(width)
                      << "); the snapshot is " << kept.string();
    }

    HMODULE m_fixture = nullptr;
    testing_support::TempDir m_dir;
};

TEST_F(Golden, TheFixtureDialogInEachLook)
{
    for (size_t look = 0; look < std::size(gallery::kLookNames); ++look) {
        HWND dialog = gallery::MakeSampleDialog(m_fixture, nullptr);
        ASSERT_NE(dialog, nullptr);
        SetWindowPos(dialog, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        gallery::ApplyLook(dialog, static_cast<gallery::DialogLook>(look));
        PumpUntilIdle();
        ExpectLooksLike(dialog, std::string("dialog-") + gallery::kLookNames[look]);
        DestroyWindow(dialog);
        PumpUntilIdle();
    }
}

HWND g_owner = nullptr;
std::string* g_popupShot = nullptr;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (gallery::AnswerOwnerDraw(message, lParam, &result))
        return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK ShootPopup(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, id);
    UpdateWindow(popup);
    if (g_popupShot)
        display::SaveWindowPng(popup, *g_popupShot);
    display::TypeKey(VK_ESCAPE);
}

TEST_F(Golden, AnOpenPopupOfOwnerDrawnItems)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = "GoldenOwner";
    RegisterClassA(&wc);
    g_owner = CreateWindowExA(0, "GoldenOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(g_owner, nullptr);
    SetForegroundWindow(g_owner);
    HMENU popup = gallery::MakeOwnerDrawnPopup();
    std::string shot = m_dir.File("popup-live.png");
    g_popupShot = &shot;
    SetTimer(nullptr, 0, 10, ShootPopup);
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, g_owner, nullptr), 0);
    g_popupShot = nullptr;
    DestroyMenu(popup);
    ASSERT_TRUE(std::filesystem::exists(shot)) << "the popup was shot while it showed";

    ExpectMatchesGolden(shot, "menu-owner-drawn");
    DestroyWindow(g_owner);
}

TEST_F(Golden, AListViewOfThumbnailsWithTwoLineLabels)
{
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 40, 40, 420, 260, nullptr, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(parent, nullptr);
    HWND list = gallery::MakeThumbnailList(parent, RECT{0, 0, 420, 260});
    ASSERT_NE(list, nullptr);
    LVITEMA selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&selected));
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | static_cast<LONG>(LVS_SHOWSELALWAYS));
    InvalidateRect(list, nullptr, TRUE);
    PumpUntilIdle();
    ExpectLooksLike(list, "listview-icons");
    DestroyWindow(parent);
}

} // namespace
