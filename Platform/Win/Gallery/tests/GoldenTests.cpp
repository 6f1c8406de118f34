// The look of the controls against golden images: the fixture dialog in
// four looks and an open popup of owner-drawn items, as the headless
// desktop draws them. KESTRELON_UPDATE_GOLDEN=1 writes the images anew
// (into the source tree) instead of comparing.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Platform/Display/Display.h"
#include "Platform/Display/testing/GoldenPng.h"
#include "Platform/Win/Gallery/Showcase.h"
#include "tests/support/TempDir.h"

namespace {

void PumpUntilIdle()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

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
        EXPECT_TRUE(display_test::MatchesGoldenPng(shot, KESTRELON_CONTROLS_GOLDEN, name));
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
