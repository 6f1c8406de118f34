#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/Win/Win32.h"
#include "Resources/SkinArt/ArtFiles.h"
#include "Resources/SkinArt/SkinTable.h"
#include "Win32/Toolkit/SliderCtrl.h"
#include "Win32/Toolkit/TrimmerPanel.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

using skinart::Rgb;
using skinart::SkinRow;

const SkinRow* Row(int id)
{
    const auto* found = std::find_if(skinart::kSkinTable.begin(), skinart::kSkinTable.end(),
                                     [id](const SkinRow& row) { return row.id == id; });
    return found == skinart::kSkinTable.end() ? nullptr : &*found;
}

// The faces of a row at its size (a row of no size takes the other
// orientation's pair: the same faces), keyed with magenta.
void ExpectFacesOf(const ButtonTableRow& row, int width, int height)
{
    for (INT face : {row.up, row.down, row.focus, row.disabled}) {
        if (face == 0)
            continue;
        const SkinRow* art = Row(face);
        ASSERT_NE(art, nullptr) << "face " << face << " of " << row.id;
        EXPECT_EQ(art->width, width) << face;
        EXPECT_EQ(art->height, height) << face;
        EXPECT_TRUE(art->keyed && art->key == skinart::kMagentaKey) << face;
    }
}

TEST(SliderAndTrimmerArt, StepFacesAndTracksMeetAtTheTablesPlaces)
{
    for (const KLSliderCtrl::StepTable* table : {&KLSliderCtrl::kHorizontalSteps1, &KLSliderCtrl::kHorizontalSteps2})
        for (const ButtonTableRow& row : *table)
            ExpectFacesOf(row, 17, 19);
    for (const KLSliderCtrl::StepTable* table : {&KLSliderCtrl::kVerticalSteps1, &KLSliderCtrl::kVerticalSteps2})
        for (const ButtonTableRow& row : *table)
            ExpectFacesOf(row, 25, 17);
    // The far step button starts where the track ends.
    ASSERT_NE(Row(750), nullptr);
    ASSERT_NE(Row(752), nullptr);
    EXPECT_EQ(KLSliderCtrl::kStepButtonLength + Row(750)->width, KLSliderCtrl::kHorizontalSteps1[1].x);
    EXPECT_EQ(KLSliderCtrl::kStepButtonLength + Row(752)->height, KLSliderCtrl::kVerticalSteps1[1].y);
    EXPECT_EQ(Row(750)->height, 19);
    EXPECT_EQ(Row(752)->width, 25);
    for (int thumb : {742, 745, 746, 749}) {
        ASSERT_NE(Row(thumb), nullptr) << thumb;
        EXPECT_TRUE(Row(thumb)->keyed) << thumb;
    }
}

// The glyph pixels (light) of a face, counted per line along one axis.
std::vector<int> GlyphLines(int id, bool columns)
{
    const skinart::Canvas face = skinart::Render(*Row(id));
    std::vector<int> lines(static_cast<size_t>(columns ? face.Width() : face.Height()), 0);
    for (int y = 0; y < face.Height(); ++y)
        for (int x = 0; x < face.Width(); ++x)
            if (face.At(x, y).g > 200)
                ++lines[static_cast<size_t>(columns ? x : y)];
    return lines;
}

TEST(SliderAndTrimmerArt, EachStepFacePointsTheWayItsButtonMovesTheThumb)
{
    // An arrow's tip is its thinnest end: the last line of glyph toward the
    // way the thumb moves holds fewer pixels than the first.
    struct Case {
        int face;
        bool horizontal;
        int way; // -1 left or up, 1 right or down
    } const cases[] = {
        {726, true, -1}, {1088, true, -1}, {734, true, 1}, {1092, true, 1}, // 53387 left, 53386 right
        {738, false, -1}, {730, false, 1},                                  // 53386 to the top, 53387 down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.face));
        const std::vector<int> lines = GlyphLines(c.face, c.horizontal);
        const auto first = std::find_if(lines.begin(), lines.end(), [](int n) { return n > 0; });
        const auto last = std::find_if(lines.rbegin(), lines.rend(), [](int n) { return n > 0; });
        ASSERT_NE(first, lines.end());
        const int tip = c.way > 0 ? *last : *first, base = c.way > 0 ? *first : *last;
        EXPECT_LT(tip, base);
    }
}

TEST(SliderAndTrimmerArt, TheTrimmersBackgroundHoldsItsButtonsPanesAndShuttle)
{
    const SkinRow* back = Row(QKLTrimmerPanel::kBackground);
    ASSERT_NE(back, nullptr);
    for (const ButtonTableRow& row : QKLTrimmerPanel::kRows) {
        ExpectFacesOf(row, 22, 33);
        EXPECT_LE(row.x + row.width, back->width) << row.id;
        EXPECT_LE(row.y + row.height, back->height) << row.id;
    }
    QKLTrimmerPanel panel;
    for (INT pane = 0; pane < QKLCtrlPanel::kPaneCount; ++pane) {
        const RECT& r = panel.GetPaneRect(pane); // x, y, width, height
        EXPECT_LE(r.left + r.right + 1, back->width) << pane;
        EXPECT_LE(r.top + r.bottom + 1, back->height) << pane;
    }
    // The panes are light under the black text; the panel's middle dark.
    const skinart::Canvas art = skinart::Render(*back);
    for (INT pane = 0; pane < 3; ++pane) {
        const RECT& r = panel.GetPaneRect(pane);
        EXPECT_GT(art.At(r.left + r.right / 2, r.top + r.bottom / 2).g, 180) << pane;
    }
    EXPECT_LT(art.At(160, 90).g, 100);
}

TEST(SliderAndTrimmerArt, EveryButtonOfBothHasATip)
{
    testing_support::LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    char buffer[256];
    std::vector<INT> ids{KLSliderCtrl::kStepUp, KLSliderCtrl::kStepDown, QKLCtrlPanel::kShuttleId};
    for (const ButtonTableRow& row : QKLTrimmerPanel::kRows)
        ids.push_back(row.id);
    for (INT id : ids)
        EXPECT_GT(LoadStringA(GetLanguageResourceModule(), static_cast<UINT>(id), buffer, sizeof buffer), 0) << id;
}

} // namespace
