// The skin state every skinned window reads: colours and brushes answered to
// WM_CTLCOLOR, the UI fonts from the language module's strings, the fourteen
// frame bitmaps by id, and the installable accessor.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Platform/Display/Display.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

class SkinStateTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(display::Start(display::Backend::Headless)); }
    void TearDown() override { display::Stop(); }

    void LoadModules(const char* folder)
    {
        m_modules = std::make_unique<testing_support::LoadedResourceModules>(folder);
        ASSERT_TRUE(m_modules->IsLoaded());
    }

    std::unique_ptr<testing_support::LoadedResourceModules> m_modules;
};

LOGFONTA FontOf(CFont& font)
{
    LOGFONTA logFont{};
    GetObjectA(font.GetSafeHandle(), sizeof(logFont), &logFont);
    return logFont;
}

TEST_F(SkinStateTest, TheFourteenFrameBitmapsArePointedAtTheirIdsAndNothingLoads)
{
    CSkinState skin;
    const int ids[14] = {396, 396, 487, 485, 586, 517, 518, 473, 545, 556, 544, 543, 560, 559};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(skin.m_frameBitmaps[i].GetBitmapId(), ids[i]) << i;
        EXPECT_FALSE(skin.m_frameBitmaps[i].IsLoaded()) << i;
    }
    EXPECT_EQ(skin.GetFrameBitmap(396), &skin.m_frameBitmaps[0]);
    EXPECT_EQ(skin.GetFrameBitmap(473), &skin.m_frameBitmaps[7]);
    EXPECT_EQ(skin.GetFrameBitmap(559), &skin.m_frameBitmaps[13]);
    EXPECT_EQ(skin.GetFrameBitmap(972), nullptr);
}

TEST_F(SkinStateTest, ControlColoursFollowTheControlTypeAndTheStaticsStyle)
{
    CSkinState skin;
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND textStatic = CreateWindowExA(0, "Static", "text", WS_CHILD | SS_LEFT, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    HWND iconStatic = CreateWindowExA(0, "Static", "", WS_CHILD | SS_ICON, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    HWND frameStatic = CreateWindowExA(0, "Static", "", WS_CHILD | SS_BLACKFRAME, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    CWnd text, icon, frame;
    text.Attach(textStatic);
    icon.Attach(iconStatic);
    frame.Attach(frameStatic);

    const HBRUSH dialogBrush = static_cast<HBRUSH>(skin.m_brDialogBack.GetSafeHandle());
    const HBRUSH dialogAltBrush = static_cast<HBRUSH>(skin.m_brDialogBackAlt.GetSafeHandle());
    const HBRUSH nullBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    const struct {
        const char* name;
        UINT type;
        CWnd* wnd;
        BOOL alternate;
        COLORREF text;
        COLORREF back;
        int mode; // OPAQUE: left as it was
        HBRUSH brush;
    } rows[] = {
        {"edit", CTLCOLOR_EDIT, nullptr, FALSE, 0x000000, 0xADAD94, OPAQUE, static_cast<HBRUSH>(skin.m_brEditBack.GetSafeHandle())},
        {"list box", CTLCOLOR_LISTBOX, nullptr, TRUE, 0x000000, 0xADAD94, OPAQUE, static_cast<HBRUSH>(skin.m_brEditBack.GetSafeHandle())},
        {"dialog", CTLCOLOR_DLG, nullptr, FALSE, 0xCFCFCF, 0x5E5757, TRANSPARENT, dialogBrush},
        {"dialog, alternate", CTLCOLOR_DLG, nullptr, TRUE, 0xCFCFCF, 0x404040, TRANSPARENT, dialogAltBrush},
        {"icon static", CTLCOLOR_STATIC, &icon, FALSE, 0xCFCFCF, 0x5E5757, TRANSPARENT, dialogBrush},
        {"frame static", CTLCOLOR_STATIC, &frame, TRUE, 0xCFCFCF, 0x404040, TRANSPARENT, dialogAltBrush},
        {"text static", CTLCOLOR_STATIC, &text, FALSE, 0xCFCFCF, 0x5E5757, TRANSPARENT, nullBrush},
        {"button", CTLCOLOR_BTN, nullptr, FALSE, 0xCFCFCF, 0x51505A, TRANSPARENT, static_cast<HBRUSH>(skin.m_brButtonBack.GetSafeHandle())},
        {"scroll bar", CTLCOLOR_SCROLLBAR, nullptr, TRUE, 0xCFCFCF, 0x51505A, TRANSPARENT, static_cast<HBRUSH>(skin.m_brButtonBack.GetSafeHandle())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CDC dc;
        dc.Attach(CreateCompatibleDC(nullptr));
        dc.SetBkMode(OPAQUE);
        EXPECT_EQ(skin.GetCtlColorBrush(&dc, row.wnd, row.type, row.alternate), row.brush);
        EXPECT_EQ(dc.GetTextColor(), row.text);
        EXPECT_EQ(dc.GetBkColor(), row.back);
        EXPECT_EQ(dc.GetBkMode(), row.mode);
        DeleteDC(dc.Detach());
    }
    text.Detach();
    icon.Detach();
    frame.Detach();
    DestroyWindow(parent);
}

TEST_F(SkinStateTest, UIFontsComeFromTheLanguageModulesStrings)
{
    LoadModules(KESTRELON_PROGRAM_MODULES);
    CSkinState skin;
    char face[64] = "";
    char large[64] = "";
    {
        CResourceSwitch language(kResourceLanguage);
        ASSERT_GT(LoadStringA(GetCurrentResourceHandle(), 4382, face, sizeof(face)), 0);
        ASSERT_GT(LoadStringA(GetCurrentResourceHandle(), 4381, large, sizeof(large)), 0);
    }
    const LOGFONTA normal = FontOf(skin.m_fontUI);
    const LOGFONTA big = FontOf(skin.m_fontUILarge);
    EXPECT_STREQ(normal.lfFaceName, face);
    EXPECT_STREQ(big.lfFaceName, large);
    EXPECT_EQ(normal.lfWeight, FW_NORMAL);
    EXPECT_EQ(big.lfWeight, FW_NORMAL);
    EXPECT_LT(normal.lfHeight, 0);
}

TEST_F(SkinStateTest, MissingFontStringsGiveTheDefaultHeights)
{
    LoadModules(KESTRELON_UTILS_FIXTURE_MODULES);
    CSkinState skin;
    EXPECT_EQ(FontOf(skin.m_fontUI).lfHeight, -8);
    EXPECT_EQ(FontOf(skin.m_fontUILarge).lfHeight, 14);
    EXPECT_EQ(FontOf(skin.m_fontUI).lfWeight, FW_NORMAL);
}

TEST_F(SkinStateTest, LargeFontsPickTheLargeUIFont)
{
    CSkinState skin;
    skin.m_bLargeFonts = FALSE;
    EXPECT_EQ(skin.GetUIFont(), &skin.m_fontUI);
    skin.m_bLargeFonts = TRUE;
    EXPECT_EQ(skin.GetUIFont(), &skin.m_fontUILarge);
}

TEST_F(SkinStateTest, TheInstalledStateReplacesTheDefaultUntilRemoved)
{
    CSkinState& standard = GetSkinState();
    EXPECT_EQ(&GetSkinState(), &standard);
    CSkinState mine;
    EXPECT_EQ(SetSkinState(&mine), nullptr);
    EXPECT_EQ(&GetSkinState(), &mine);
    EXPECT_EQ(GetSkinFrameBitmap(545), &mine.m_frameBitmaps[8]);
    EXPECT_EQ(GetSkinFrameBitmap(1), nullptr);
    EXPECT_EQ(SetSkinState(nullptr), &mine);
    EXPECT_EQ(&GetSkinState(), &standard);
}

} // namespace
