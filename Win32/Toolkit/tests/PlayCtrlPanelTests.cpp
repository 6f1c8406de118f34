#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/PlayCtrlPanel.h"
#include "Win32/Toolkit/PreviewAreaLink.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/WinPanel.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using namespace panel_test;
using SP = SliderElementProperties;

// A preview-area link that knows some windows as preview areas and records
// every refresh it is asked for.
class RecordingPreviewLink : public CPreviewAreaLink {
public:
    bool IsPreviewArea(CWnd* window) override { return previewAreas.count(window) != 0; }
    void Refresh(CWnd* window, INT what) override { refreshes.push_back({window, what}); }

    std::set<CWnd*> previewAreas;
    std::vector<std::pair<CWnd*, INT>> refreshes;
};

// The transport, recording the panes it draws.
class CountingPlayPanel : public QKLPlayCtrlPanel {
public:
    void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane) override
    {
        drawn.push_back(pane);
        QKLPlayCtrlPanel::DrawPaneText(context, text, pane);
    }
    std::vector<INT> drawn;
};

class PlayPanelTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        m_previousLink = CPreviewAreaLink::Set(&link);
        const RECT bounds{10, 10, 350, 122};
        ASSERT_TRUE(panel.Create(owner.get(), 53350, &bounds, 0, nullptr));
        Pump();
    }
    void TearDown() override
    {
        panel.SetOwnerWindow(nullptr);
        CPreviewAreaLink::Set(m_previousLink);
        PanelTest::TearDown();
    }
    void EnableAll()
    {
        panel.EnableButtons(0xFFFFFFFF, -1);
        Pump();
    }
    LONG ThumbPosition() { return ::ThumbPosition(panel); }
    std::vector<Received> OwnerHears() const { return TransportMessages(*owner); }

    RecordingPreviewLink link;
    CountingPlayPanel panel;

private:
    CPreviewAreaLink* m_previousLink = nullptr;
};

TEST_F(PlayPanelTest, ANewPanelIsDisabledWithItsStripsHiddenAndTipped)
{
    for (const ButtonTableRow& row : QKLPlayCtrlPanel::kRows) {
        ButtonElement* button = panel.FindButton(row.id);
        ASSERT_NE(button, nullptr) << row.id;
        EXPECT_FALSE(::IsWindowEnabled(button->GetHwnd())) << row.id;
    }
    EXPECT_FALSE(panel.GetShuttle()->IsEnabled());
    EXPECT_EQ(panel.GetLoop(), 0);
    EXPECT_EQ(panel.GetRangeStart(), 0.0);
    EXPECT_EQ(panel.GetRangeEnd(), 100.0);
    for (klFourButton* strip : {&panel.GetOneButtonStrip(), &panel.GetTwoButtonStrip(),
                                &panel.GetThreeButtonStrip(), &panel.GetFourButtonStrip()}) {
        ASSERT_NE(strip->GetHwnd(), nullptr);
        EXPECT_FALSE(::IsWindowVisible(strip->GetHwnd()));
        EXPECT_EQ(strip->GetPanel()->m_hToolTipModule, GetLanguageResourceModule());
        EXPECT_EQ(strip->GetOwnerWindow(), panel.GetWnd());
    }
    auto shown = [](HWND window) { return (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_FALSE(shown(panel.GetThreeButtonStrip().FindButton(53377)->GetHwnd()));
    EXPECT_TRUE(shown(panel.GetThreeButtonStrip().FindButton(53380)->GetHwnd()));
    EXPECT_EQ(ToolTipText(panel.GetThreeButtonStrip(), panel.GetThreeButtonStrip().FindButton(53380)->GetHwnd()),
              "Mark the in point (Shift: clear it)");
}

TEST_F(PlayPanelTest, EachButtonSendsItsMessageToTheOwner)
{
    EnableAll();
    klFourButton& marks = panel.GetThreeButtonStrip();
    marks.Show(true);
    marks.ShowButton(53377, true);
    Pump();
    struct Case {
        QKLCtrlPanel* on;
        INT id;
        bool shift;
        Received expected;
    } const cases[] = {
        {&panel, 53363, false, {0x401, 0, 0}}, {&panel, 53364, false, {0x401, 1, 0}},
        {&panel, 53375, false, {0x401, 2, 0}}, {&panel, 53367, false, {0x401, 3, 0}},
        {&panel, 53373, false, {0x401, 4, 0}}, {&panel, 53371, false, {0x401, 5, 0}},
        {&panel, 53369, false, {0x401, 6, 0}}, {&panel, 53365, false, {0x401, 7, 0}},
        {&marks, 53380, false, {0x402, 0, 0}}, {&marks, 53380, true, {0x402, 2, 0}},
        {&marks, 53381, false, {0x402, 1, 0}}, {&marks, 53381, true, {0x402, 3, 0}},
        {&marks, 53377, false, {0x402, 4, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + (c.shift ? " with Shift" : ""));
        owner->Clear();
        ASSERT_TRUE(ClickButton(*c.on, c.id, c.shift));
        EXPECT_EQ(OwnerHears(), std::vector<Received>{c.expected});
    }
    owner->Clear();
    EXPECT_TRUE(panel.OnCommand(4242, 0, nullptr));
    EXPECT_EQ(OwnerHears(), (std::vector<Received>{{WM_COMMAND, 4242, 0}})) << "any other id";
    EXPECT_TRUE(main->window.All().empty());
}

TEST_F(PlayPanelTest, TheLoopButtonTogglesAndIsReadBack)
{
    EnableAll();
    for (INT expected : {1, 0}) {
        owner->Clear();
        ASSERT_TRUE(ClickButton(panel, QKLPlayCtrlPanel::kLoopButton));
        EXPECT_EQ(panel.GetLoop(), expected);
        EXPECT_EQ(OwnerHears(), (std::vector<Received>{{0x401, 7, 0}}));
    }
    panel.SetLoop(1);
    EXPECT_EQ(panel.GetLoop(), 1);
}

TEST_F(PlayPanelTest, DraggingTheShuttleTracksAndEndsWithTheTimeUnderTheThumb)
{
    ASSERT_TRUE(panel.SetShuttleRange(0, 10000));
    SliderElement* shuttle = panel.GetShuttle();
    ASSERT_TRUE(shuttle->IsEnabled());
    const CGfxRect thumb = shuttle->GetThumb()->GetBounds();
    RECT track{};
    ::GetWindowRect(shuttle->GetHwnd(), &track);
    const LONG y = track.top + (thumb.top + thumb.bottom) / 2;
    const LONG x = track.left + (thumb.left + thumb.right + 1) / 2;
    const LONG to = x + static_cast<LONG>(std::lround(100 * shuttle->GetPixelsPerUnit()));
    using win::user::MouseButton;
    win::user::InjectMouseMove(POINT{x, y});
    win::user::InjectMouseButton(MouseButton::Left, true, POINT{x, y});
    Pump();
    owner->Clear();
    win::user::InjectMouseMove(POINT{to, y});
    Pump();
    ASSERT_FALSE(OwnerHears().empty());
    EXPECT_EQ(OwnerHears().back(), (Received{0x401, 8, 5000}));
    owner->Clear();
    win::user::InjectMouseButton(MouseButton::Left, false, POINT{to, y});
    Pump();
    EXPECT_EQ(OwnerHears(), (std::vector<Received>{{0x401, 9, 5000}}));
}

TEST_F(PlayPanelTest, RangesAndPositionsMapOntoTheShuttle)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double rangeStart, rangeEnd; // given to SetShuttleRange
        double position;             // given to SetShuttlePosition unless NaN is meant as the range start
        double start, end;
        LONG thumb;
    } const cases[] = {
        {"backwards", 5000, 2000, 2000, 2000, 5000, 0},
        {"empty: ten long", 3000, 3000, 3005, 3000, 3010, 100},
        {"past the end widens it", 0, 10000, 12000, 0, 12000, 200},
        {"before the start widens it", 1000, 2000, 0, 0, 2000, 0},
        {"rounded half up", 0, 10000, 2501, 0, 10000, 50},
        {"a position that is not a number is the start", 0, 10000, kNaN, 0, 10000, 0},
        {"an infinite end is the range start before", 400, kInfinity, 200, 0, 400, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        panel.SetShuttleRange(0, 100);
        EXPECT_TRUE(panel.SetShuttleRange(c.rangeStart, c.rangeEnd));
        EXPECT_TRUE(panel.GetShuttle()->IsEnabled());
        panel.SetShuttlePosition(c.position);
        EXPECT_EQ(panel.GetRangeStart(), c.start);
        EXPECT_EQ(panel.GetRangeEnd(), c.end);
        EXPECT_EQ(ThumbPosition(), c.thumb);
    }
    panel.SetShuttleRange(0, 1000);
    panel.SetShuttleMarker1(250, 5000);
    EXPECT_NE(panel.GetShuttle()->GetMarkerEnd(1), CGfxPoint()) << "a marker past the range is limited, not lost";
    panel.ClearShuttleMarker1();
    EXPECT_EQ(panel.GetShuttle()->GetMarkerEnd(1), CGfxPoint());
}

TEST_F(PlayPanelTest, PlayStateChecksPlayOrPause)
{
    panel.SetButtonState(53367, 1);
    panel.SetPlayState(true);
    EXPECT_EQ(panel.GetButtonState(53363), 1);
    EXPECT_EQ(panel.GetButtonState(53364), 0);
    EXPECT_EQ(panel.GetButtonState(53367), 0);
    panel.SetPlayState(false);
    EXPECT_EQ(panel.GetButtonState(53363), 0);
    EXPECT_EQ(panel.GetButtonState(53364), 1);
}

// Dark pixels of pane 1 (34, 64, 98, 16), where the panel draws label 3.
int InkInPaneOne(HWND window)
{
    int ink = 0;
    for (int y = 64; y <= 80; ++y)
        for (int x = 34; x <= 132; ++x)
            ink += GetGValue(ClientPixel(window, x, y)) < 100 ? 1 : 0;
    return ink;
}

TEST_F(PlayPanelTest, TheLastPaneDrawsHereOnlyWhileNoStripWithPanesShows)
{
    HWND window = panel.GetHwnd();
    const int before = InkInPaneOne(window);
    panel.GetThreeButtonStrip().Show(true);
    panel.drawn.clear();
    panel.SetPaneText(CGfxString("Scene 3 of 12"), 3);
    EXPECT_TRUE(panel.drawn.empty()) << "nothing drawn while the three-button strip shows";
    EXPECT_STREQ(panel.GetLabel(3).GetString(), "Scene 3 of 12");
    EXPECT_STREQ(panel.GetFourButtonStrip().GetLabel(2).GetString(), "Scene 3 of 12");

    panel.GetThreeButtonStrip().Show(false);
    Pump();
    panel.drawn.clear();
    panel.SetPaneText(CGfxString("Scene 4 of 12"), 3);
    EXPECT_EQ(panel.drawn, std::vector<INT>{1});
    EXPECT_GT(InkInPaneOne(window), before + 10);

    panel.drawn.clear();
    panel.SetPaneText(CGfxString("ignored"), 7);
    panel.SetPaneText(CGfxString("in and out"), 2);
    EXPECT_TRUE(panel.drawn.empty());
    EXPECT_STREQ(panel.GetTwoButtonStrip().GetLabel(3).GetString(), "in and out");
    EXPECT_STREQ(panel.GetThreeButtonStrip().GetLabel(3).GetString(), "in and out");
}

TEST_F(PlayPanelTest, OnlyAPreviewAreaOwnerIsAskedToRefresh)
{
    RecordingWindow other;
    ASSERT_TRUE(other.Make("mode panel", 700, 500, 100, 100));
    link.previewAreas.insert(owner.get());
    struct Case {
        CWnd* owner;
        bool asked;
    } const cases[] = {{owner.get(), true}, {&other, false}, {nullptr, false}};
    for (const Case& c : cases) {
        link.refreshes.clear();
        panel.SetOwnerWindow(c.owner);
        ::InvalidateRect(panel.GetHwnd(), nullptr, TRUE);
        ::UpdateWindow(panel.GetHwnd());
        if (c.asked)
            EXPECT_EQ(link.refreshes, (std::vector<std::pair<CWnd*, INT>>{{c.owner, 1}}));
        else
            EXPECT_TRUE(link.refreshes.empty());
    }
}

} // namespace
