#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <vector>

#include "Platform/Win/Win32.h"
#include "Win32/Toolkit/FourButton.h"
#include "Win32/Toolkit/PlayCtrlPanel.h"
#include "Win32/Toolkit/ToolFourButton.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

SIZE BitmapSize(HINSTANCE module, INT id)
{
    SIZE size{0, 0};
    if (HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id))) {
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        size = SIZE{info.bmWidth, info.bmHeight};
        DeleteObject(bitmap);
    }
    return size;
}

// A panel's table on its background, with the panes drawn on it.
struct PanelArt {
    const char* name;
    UINT background;
    std::span<const ButtonTableRow> rows;
    std::vector<RECT> panes; // (x, y, width, height)
};

// The transport comes first: the default strip borrows its play and stop
// faces, which keep the transport's size.
std::vector<PanelArt> PanelsArt()
{
    using Play = QKLPlayCtrlPanel;
    const std::vector<RECT> stripPanes{{34, 4, 64, 16}, {187, 4, 64, 16}};
    return {
        {"the transport", Play::kBackground, Play::kRows,
         {{34, 38, 64, 16}, {34, 64, 98, 16}, {124, 64, 188, 16}, {130, 35, 129, 22}}},
        {"the default strip", 835, klFourButton::kDefaultRows, stripPanes},
        {"the one-button strip", 848, Play::kOneButtonStrip, stripPanes},
        {"the two-button strip", 849, Play::kTwoButtonStrip, stripPanes},
        {"the three-button strip", 849, Play::kThreeButtonStrip, stripPanes},
        {"the four-button strip", 835, Play::kFourButtonStrip, stripPanes},
        {"the tool strip, one button", klToolFourButton::kOneButtonBackground, klToolFourButton::kOneButtonRows, {}},
        {"the tool strip, four buttons", klToolFourButton::kFourButtonBackground, klToolFourButton::kFourButtonRows,
         {}},
    };
}

TEST(ControlPanelArt, EveryFaceHasItsRowsSizeAndEveryBackgroundHoldsItsRowsAndPanes)
{
    testing_support::LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE bitmaps = GetBitmapResourceModule();
    std::set<INT> sized;
    for (const PanelArt& panel : PanelsArt()) {
        SCOPED_TRACE(panel.name);
        const SIZE back = BitmapSize(bitmaps, static_cast<INT>(panel.background));
        ASSERT_GT(back.cx, 0) << "background " << panel.background;
        for (const ButtonTableRow& row : panel.rows) {
            for (INT face : {row.up, row.down, row.focus, row.disabled}) {
                if (face == 0 || !sized.insert(face).second)
                    continue;
                const SIZE size = BitmapSize(bitmaps, face);
                EXPECT_EQ(size.cx, row.width) << "face " << face << " of " << row.id;
                EXPECT_EQ(size.cy, row.height) << "face " << face << " of " << row.id;
            }
            EXPECT_LE(row.x + row.width, back.cx) << row.id;
            EXPECT_LE(row.y + row.height, back.cy) << row.id;
        }
        for (const RECT& pane : panel.panes) {
            EXPECT_LE(pane.left + pane.right + 1, back.cx);
            EXPECT_LE(pane.top + pane.bottom + 1, back.cy);
        }
    }
    // The strips of the transport lie on its background at (0, 60).
    EXPECT_GE(BitmapSize(bitmaps, 330).cy, QKLPlayCtrlPanel::kStripRect.top + 50);
    const SIZE track = BitmapSize(bitmaps, QKLCtrlPanel::kShuttleTrack);
    EXPECT_EQ(track.cx, 130);
    EXPECT_EQ(track.cy, 23);
    EXPECT_GT(BitmapSize(bitmaps, QKLCtrlPanel::kShuttleThumb).cx, 0);
}

TEST(ControlPanelArt, EveryButtonHasATipAndEveryCaptionItsText)
{
    testing_support::LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE language = GetLanguageResourceModule();
    auto text = [language](UINT id) {
        char buffer[256] = {};
        return LoadStringA(language, id, buffer, sizeof buffer) > 0 ? std::string(buffer) : std::string();
    };
    for (const PanelArt& panel : PanelsArt())
        for (const ButtonTableRow& row : panel.rows) {
            EXPECT_FALSE(text(static_cast<UINT>(row.id)).empty()) << "tip of " << row.id << " in " << panel.name;
            if (row.label != 0) {
                EXPECT_FALSE(text(static_cast<UINT>(row.label)).empty()) << "caption " << row.label;
            }
        }
    EXPECT_FALSE(text(QKLCtrlPanel::kShuttleId).empty());
}

} // namespace
