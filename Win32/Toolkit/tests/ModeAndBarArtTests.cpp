#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "Platform/Win/Win32.h"
#include "Win32/Toolkit/QKLModeCtrlPanel.h"
#include "Win32/Toolkit/QKLToolBar.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

using testing_support::LoadedResourceModules;

SIZE BitmapSize(int id)
{
    SIZE size{0, 0};
    HBITMAP bitmap = LoadBitmapA(GetBitmapResourceModule(), MAKEINTRESOURCEA(id));
    if (!bitmap)
        return size;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    DeleteObject(bitmap);
    return SIZE{info.bmWidth, info.bmHeight};
}

bool HasString(UINT id)
{
    CResourceSwitch language(kResourceLanguage);
    CString text;
    return text.LoadString(id) && !text.IsEmpty();
}

// Every face of a row at exactly the row's size, and its tip in the
// language module.
void ExpectFacesAndTip(INT id, INT width, INT height, std::initializer_list<INT> faces)
{
    for (INT face : faces) {
        const SIZE size = BitmapSize(face);
        EXPECT_EQ(size.cx, width) << "face " << face << " of " << id;
        EXPECT_EQ(size.cy, height) << "face " << face << " of " << id;
    }
    if (id > 0) {
        EXPECT_TRUE(HasString(static_cast<UINT>(id))) << "tip of " << id;
    }
}

TEST(ModeAndBarArt, TheModeColumnsIdsAreInTheProgramsModules)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    LONG bottom = 0;
    for (const ButtonTableRow& row : QKLModeCtrlPanel::kRows) {
        // The rows of the main menu and the about box are never built (the
        // about face belongs to the status bar); they keep their tips.
        if (row.id == 166 || row.id == 165) {
            ExpectFacesAndTip(row.id, row.width, row.height, {});
            continue;
        }
        ExpectFacesAndTip(row.id, row.width, row.height, {row.up, row.down, row.focus, row.disabled});
        // The produce button runs its animation strip of 2 x 15 faces.
        if (row.id == QKLModeCtrlPanel::kProduceId) {
            const SIZE strip = BitmapSize(QKLModeCtrlPanel::kProduceStrip);
            EXPECT_EQ(strip.cx, 15 * row.width);
            EXPECT_EQ(strip.cy, 2 * row.height);
        }
        bottom = std::max<LONG>(bottom, row.y + row.height);
    }
    for (UINT marker : {QKLModeCtrlPanel::kMarkerClear, QKLModeCtrlPanel::kMarkerSet}) {
        const SIZE size = BitmapSize(static_cast<int>(marker));
        EXPECT_TRUE(size.cx > 0 && size.cx <= QKLModeCtrlPanel::kModeStripWidth) << marker;
        EXPECT_TRUE(size.cy > 0 && size.cy <= 36) << marker;
    }
    // The fitted background holds the column on any screen.
    const SIZE background = BitmapSize(static_cast<int>(QKLModeCtrlPanel::kBackground));
    EXPECT_EQ(background.cx, 68);
    EXPECT_GE(background.cy, 2000);
    EXPECT_GE(background.cy, bottom);
}

TEST(ModeAndBarArt, TheBarsIdsAreInTheProgramsModules)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    struct Layout {
        std::span<const ToolBarRow> rows;
        UINT background;
        LONG height;
    } const layouts[] = {
        {QKLToolBar::kTopRows, QKLToolBar::kTopBackground, 56},
        {QKLToolBar::kStatusRows, QKLToolBar::kStatusBackground, 24},
    };
    for (const Layout& layout : layouts) {
        for (const ToolBarRow& row : layout.rows) {
            ExpectFacesAndTip(row.id, row.width, row.height, {row.up, row.down, row.focus, row.disabled});
            if (row.label) {
                EXPECT_TRUE(HasString(static_cast<UINT>(row.label))) << "caption " << row.label;
            }
            EXPECT_LE(row.y + row.height, layout.height) << row.id;
        }
        const SIZE background = BitmapSize(static_cast<int>(layout.background));
        EXPECT_EQ(background.cy, layout.height) << layout.background;
        EXPECT_GE(background.cx, 3840) << layout.background;
    }
    CResourceSwitch language(kResourceLanguage);
    LOGFONTA font{};
    EXPECT_GT(LoadFontDescription(QKLToolBar::kFontDescription, font), 0);
    EXPECT_LT(font.lfHeight, 0);
}

} // namespace
