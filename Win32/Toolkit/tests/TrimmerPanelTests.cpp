#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/TrimmerPanel.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"
#include "Win32/Toolkit/tests/ThumbDrag.h"

namespace {

using namespace panel_test;
using SP = SliderElementProperties;

class TrimmerTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        const RECT bounds{10, 10, 330, 102};
        ASSERT_TRUE(panel.Create(owner.get(), 53420, &bounds, 0, nullptr));
        Pump();
        owner->Clear();
    }
    void TearDown() override
    {
        panel.SetOwnerWindow(nullptr);
        PanelTest::TearDown();
    }
    LONG ThumbPosition() { return ::ThumbPosition(panel); }
    std::vector<Received> OwnerHears() const { return TransportMessages(*owner); }

    QKLTrimmerPanel panel;
};

TEST_F(TrimmerTest, ANewPanelHasEveryButtonEnabledPauseCheckedAndTheShuttleDisabled)
{
    RECT client{};
    ::GetClientRect(panel.GetHwnd(), &client);
    EXPECT_EQ(client.right, 320) << "the background's size";
    EXPECT_EQ(client.bottom, 92);
    for (const ButtonTableRow& row : QKLTrimmerPanel::kRows) {
        ButtonElement* button = panel.FindButton(row.id);
        ASSERT_NE(button, nullptr) << row.id;
        EXPECT_TRUE(::IsWindowEnabled(button->GetHwnd())) << row.id;
        EXPECT_EQ(panel.GetButtonState(row.id), row.id == QKLTrimmerPanel::kPause ? 1 : 0) << row.id;
    }
    EXPECT_FALSE(panel.GetShuttle()->IsEnabled());
    panel.EnableToolTipsFor(true, GetLanguageResourceModule());
    EXPECT_EQ(ToolTipText(panel, panel.FindButton(53430)->GetHwnd()), "Go to the in point");
    LONG maximum = -1;
    panel.GetShuttle()->GetProperty(SP::kMaximum)->CopyLong(maximum);
    EXPECT_EQ(maximum, 100);
    // No loop, play or end buttons of the preview transport's ids here.
    EXPECT_EQ(panel.GetLoop(), 0);
    panel.SetLoop(1);
    panel.SetPlayState(true);
    EXPECT_EQ(panel.GetLoop(), 0);
    EXPECT_EQ(panel.GetButtonState(QKLTrimmerPanel::kPause), 1);
}

TEST_F(TrimmerTest, OwnIdsGoToTheOwnerAsCommandsAndTheMarksAsMarkMessages)
{
    struct Case {
        INT id;
        bool shift;
        Received expected;
    } const cases[] = {
        {53423, false, {WM_COMMAND, 53423, 0}}, {53424, false, {WM_COMMAND, 53424, 0}},
        {53425, false, {WM_COMMAND, 53425, 0}}, {53426, false, {WM_COMMAND, 53426, 0}},
        {53427, false, {WM_COMMAND, 53427, 0}}, {53428, false, {WM_COMMAND, 53428, 0}},
        {53430, false, {WM_COMMAND, 53430, 0}}, {53431, false, {WM_COMMAND, 53431, 0}},
        {53380, false, {0x402, 0, 0}},          {53380, true, {0x402, 2, 0}},
        {53381, false, {0x402, 1, 0}},          {53381, true, {0x402, 3, 0}},
        {53377, false, {0x402, 4, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + (c.shift ? " with Shift" : ""));
        owner->Clear();
        ASSERT_TRUE(ClickButton(panel, c.id, c.shift));
        EXPECT_EQ(OwnerHears(), std::vector<Received>{c.expected});
    }
    EXPECT_TRUE(main->window.All().empty());
}

TEST_F(TrimmerTest, SeekingToTheMarkInRepeatsOnEveryTickWhileHeld)
{
    ButtonElement* seek = panel.FindButton(QKLTrimmerPanel::kSeekToMarkIn);
    ASSERT_NE(seek, nullptr);
    const POINT at = CentreOf(seek->GetHwnd());
    using win::user::MouseButton;
    win::user::InjectMouseMove(at);
    win::user::InjectMouseButton(MouseButton::Left, true, at);
    Pump();
    ASSERT_TRUE(seek->IsTimerRunning());
    EXPECT_EQ(seek->GetTimerElapse(), 300);
    const size_t pressed = owner->Of(WM_COMMAND).size();
    for (int tick = 0; tick < 3; ++tick)
        ::SendMessageA(seek->GetHwnd(), WM_TIMER, ButtonElement::kRepeatTimer, 0);
    EXPECT_EQ(owner->Of(WM_COMMAND).size(), pressed + 3) << "one command a tick of 300 ms";
    win::user::InjectMouseButton(MouseButton::Left, false, at);
    Pump();
    EXPECT_FALSE(seek->IsTimerRunning());
    const size_t released = owner->Of(WM_COMMAND).size();
    ::SendMessageA(seek->GetHwnd(), WM_TIMER, ButtonElement::kRepeatTimer, 0);
    EXPECT_EQ(owner->Of(WM_COMMAND).size(), released) << "released: no more repeats";
    for (const Received& r : owner->Of(WM_COMMAND))
        EXPECT_EQ(r.wParam, WPARAM{53430});
}

TEST_F(TrimmerTest, ReleasingTheThumbSendsTheTimeUnderIt)
{
    ASSERT_TRUE(panel.SetShuttleRange(1000, 3000));
    ThumbDrag drag(*panel.GetShuttle());
    drag.MoveTo(25);
    ASSERT_FALSE(OwnerHears().empty());
    EXPECT_EQ(OwnerHears().back(), (Received{0x401, 8, 1500}));
    owner->Clear();
    drag.Release();
    EXPECT_EQ(OwnerHears(), (std::vector<Received>{{0x401, 9, 1500}}));
}

TEST_F(TrimmerTest, RangesAndPositionsMapOntoAShuttleOfAHundred)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        double rangeStart, rangeEnd, position;
        double start, end;
        LONG thumb;
    } const cases[] = {
        {"the middle", 1000, 3000, 2000, 1000, 3000, 50},
        {"backwards", 3000, 1000, 1500, 1000, 3000, 25},
        {"empty: ten long", 3000, 3000, 3005, 3000, 3010, 50},
        {"past the end widens it", 0, 1000, 4000, 0, 4000, 100},
        {"before the start widens it", 1000, 2000, 0, 0, 2000, 0},
        {"a position that is not a number is the start", 1000, 3000, kNaN, 1000, 3000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(panel.SetShuttleRange(c.rangeStart, c.rangeEnd));
        panel.SetShuttlePosition(c.position);
        EXPECT_EQ(panel.GetRangeStart(), c.start);
        EXPECT_EQ(panel.GetRangeEnd(), c.end);
        EXPECT_EQ(ThumbPosition(), c.thumb);
    }
    panel.SetShuttleRange(1000, 3000);
    panel.SetShuttleMarker1(1500, 9000);
    EXPECT_NE(panel.GetShuttle()->GetMarkerEnd(1), CGfxPoint()) << "a marker past the range is limited, not lost";
    panel.ClearShuttleMarker1();
    EXPECT_EQ(panel.GetShuttle()->GetMarkerEnd(1), CGfxPoint());
}

// The columns of pane 1 (19, 58) to (83, 74) that hold dark (text) pixels.
std::pair<int, int> InkColumnsOfPaneOne(HWND window)
{
    int first = -1, last = -1;
    for (int x = 19; x <= 83; ++x)
        for (int y = 58; y <= 74; ++y)
            if (GetGValue(ClientPixel(window, x, y)) < 100) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(TrimmerTest, PaneTextsAreCentredAndOnlyPanesZeroToTwoKeepThem)
{
    panel.SetPaneText(CGfxString("0:01"), 1);
    const auto [first, last] = InkColumnsOfPaneOne(panel.GetHwnd());
    ASSERT_GE(first, 0) << "the text is drawn";
    EXPECT_NEAR((first + last) / 2.0, 51.0, 2.0);
    EXPECT_STREQ(panel.GetLabel(2).GetString(), "0:01");
    panel.SetPaneText(CGfxString("kept"), 3);
    panel.SetPaneText(CGfxString("kept"), -1);
    for (INT label : {1, 3})
        EXPECT_STRNE(panel.GetLabel(label).GetString(), "kept");
    // Repainting draws the labels again, in their panes.
    ::InvalidateRect(panel.GetHwnd(), nullptr, TRUE);
    ::UpdateWindow(panel.GetHwnd());
    EXPECT_EQ(InkColumnsOfPaneOne(panel.GetHwnd()), (std::pair{first, last}));

    QKLTrimmerPanel windowless;
    windowless.SetPaneText(CGfxString("nowhere"), 0);
    EXPECT_STREQ(windowless.GetLabel(1).GetString(), "");
}

} // namespace
