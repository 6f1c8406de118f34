#include <gtest/gtest.h>

#include <vector>

#include "Win32/Toolkit/ButtonElement.h"
#include "Win32/Toolkit/FourButton.h"
#include "Win32/Toolkit/ToolFourButton.h"
#include "Win32/Toolkit/WinPanel.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using namespace panel_test;

const RECT kStripBounds{0, 60, 320, 110};

class FourButtonTest : public PanelTest {
protected:
    template <typename Panel>
    bool Make(Panel& panel, INT rowCount = 0, const ButtonTableRow* rows = nullptr)
    {
        const bool made = panel.Create(owner.get(), 700, &kStripBounds, rowCount, rows);
        Pump();
        return made;
    }
    static bool Checked(QKLCtrlPanel& panel, INT id) { return panel.GetButtonState(id) != 0; }
};

TEST_F(FourButtonTest, TheBackgroundFollowsTheRowCount)
{
    struct Case {
        INT rows;
        UINT background;
    } const cases[] = {{4, 835}, {3, 849}, {2, 849}, {1, 848}, {0, 0}, {5, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(klFourButton::BackgroundFor(c.rows), c.background) << c.rows << " rows";

    const ButtonTableRow own{53400, -1, 1, 108, 2, 62, 26, 0, 846, 845, 847, 858, 0};
    klFourButton one;
    ASSERT_TRUE(Make(one, 1, &own));
    EXPECT_EQ(one.GetChildren().GetCount(), 1);
    EXPECT_NE(one.FindButton(53400), nullptr);
    EXPECT_EQ(one.GetBounds(), CGfxRect(0, 60, 339, 109)) << "sized to the 340 x 50 background";
    EXPECT_EQ(one.GetBackgroundMode(), PanelElement::kNaturalBackground);
}

TEST_F(FourButtonTest, ThreeIdsAreSentAsCommandsAndTheOthersPostedWithTheirId)
{
    {
        klFourButton strip;
        ASSERT_TRUE(Make(strip));
        ASSERT_TRUE(ClickButton(strip, 53416));
        EXPECT_EQ(owner->All(), (std::vector<Received>{{0x401, 53416, 0}}));
    }

    const ButtonTableRow marks[] = {{53380, -1, 1, 109, 2, 22, 33, 0, 363, 364, 365, 0, 0},
                                    {53381, -1, 1, 262, 2, 22, 33, 0, 367, 368, 369, 0, 0}};
    klFourButton markStrip;
    ASSERT_TRUE(Make(markStrip, 2, marks));
    owner->Clear();
    ASSERT_TRUE(ClickButton(markStrip, 53380));
    EXPECT_EQ(owner->All(), (std::vector<Received>{{WM_COMMAND, 53380, 0}}));
    EXPECT_TRUE(main->window.All().empty());
}

TEST_F(FourButtonTest, AStripWithoutOwnerIgnoresClicks)
{
    klFourButton strip;
    ASSERT_TRUE(Make(strip));
    strip.SetOwnerWindow(nullptr);
    ASSERT_TRUE(ClickButton(strip, 53416));
    ASSERT_TRUE(ClickButton(strip, 53363));
    EXPECT_TRUE(owner->All().empty());
    EXPECT_TRUE(main->window.All().empty());
}

TEST_F(FourButtonTest, PaneTextsGoToLabelsTwoAndThree)
{
    klFourButton strip;
    ASSERT_TRUE(Make(strip));
    strip.SetPaneText(CGfxString("00:01:02"), 1);
    strip.SetPaneText(CGfxString("00:03:04"), 2);
    strip.SetPaneText(CGfxString("ignored"), 0);
    strip.SetPaneText(CGfxString("ignored"), 3);
    EXPECT_STREQ(strip.GetLabel(1).GetString(), "");
    EXPECT_STREQ(strip.GetLabel(2).GetString(), "00:01:02");
    EXPECT_STREQ(strip.GetLabel(3).GetString(), "00:03:04");
}

TEST_F(FourButtonTest, ANewToolStripShowsWithEveryButtonDisabledAndNoOwner)
{
    struct Case {
        INT oneButton;
        std::vector<INT> ids;
        LONG width;
    } const cases[] = {{0, {3038, 3039, 3040, 1000}, 504}, {1, {1000}, 162}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oneButton ? "one-button form" : "four-button form");
        klToolFourButton strip(c.oneButton);
        ASSERT_TRUE(Make(strip));
        EXPECT_TRUE(::IsWindowVisible(strip.GetHwnd()));
        EXPECT_EQ(strip.GetOwnerWindow(), nullptr);
        EXPECT_EQ(strip.GetSelection(), -1);
        EXPECT_EQ(strip.GetBounds().Width(), c.width);
        for (INT id : c.ids) {
            ButtonElement* button = strip.FindButton(id);
            ASSERT_NE(button, nullptr) << id;
            EXPECT_FALSE(::IsWindowEnabled(button->GetHwnd())) << id;
        }
        EXPECT_STREQ(strip.FindButton(1000)->GetText().GetString(), "Add");
    }
}

TEST_F(FourButtonTest, TheToolStripServesTheDialogItWasGivenAndChecksOneState)
{
    klToolFourButton strip(0);
    ASSERT_TRUE(Make(strip));
    strip.SetSelection(0, owner.get());
    Pump();
    EXPECT_TRUE(::IsWindowVisible(strip.GetHwnd()));
    for (INT id : {3038, 3039}) {
        ASSERT_TRUE(ClickButton(strip, id));
        EXPECT_EQ(owner->All().back(), (Received{WM_COMMAND, static_cast<WPARAM>(id), 0}));
        EXPECT_EQ(Checked(strip, 3038), id == 3038);
        EXPECT_EQ(Checked(strip, 3039), id == 3039);
        EXPECT_FALSE(Checked(strip, 3040));
    }

    RecordingWindow other;
    ASSERT_TRUE(other.Make("other dialog", 700, 500, 100, 100));
    strip.SetSelection(5, &other);
    EXPECT_FALSE(::IsWindowVisible(strip.GetHwnd()));
    EXPECT_EQ(strip.GetOwnerWindow(), &other);
    strip.Show(true);
    Pump();
    ASSERT_TRUE(ClickButton(strip, 1000));
    EXPECT_EQ(other.All(), (std::vector<Received>{{WM_COMMAND, 1000, 0}}));

    strip.SetSelection(-1, &other);
    EXPECT_EQ(strip.GetOwnerWindow(), nullptr);
    EXPECT_FALSE(::IsWindowVisible(strip.GetHwnd()));
    strip.Show(true);
    strip.EnableButtons(15, -1);
    Pump();
    other.Clear();
    owner->Clear();
    ASSERT_TRUE(ClickButton(strip, 1000));
    EXPECT_TRUE(other.All().empty() && owner->All().empty()) << "no owner: the click is ignored";
}

} // namespace
