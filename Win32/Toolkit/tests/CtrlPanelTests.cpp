#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using namespace panel_test;
using BP = ButtonElementProperties;

constexpr UINT kBackground = 9010; // 300 x 80, pixel (x, 3 y, 90)
constexpr INT kFirstId = 701;
constexpr COLORREF kFaceUp = RGB(0, 160, 0);
constexpr COLORREF kFaceDown = RGB(160, 0, 0);

COLORREF BackgroundPixel(int x, int y)
{
    return RGB(x % 256, (3 * y) % 256, 90);
}

// Row i: id 701 + i at (2 + 14 i, 2), 12 x 16; rows 1 and 2 two-state, row 3
// repeating; row 0 is the play button, whose tip the language module has.
ButtonTableRow Row(INT i)
{
    return ButtonTableRow{i == 0 ? 53363 : kFirstId + i, -1, (i == 1 || i == 2) ? 2 : 1, 2 + 14 * i, 2, 12, 16,
                          i == 3 ? 1 : 0, 9011, 9012, 9013, 9014, 0};
}

std::vector<ButtonTableRow> Rows(INT count)
{
    std::vector<ButtonTableRow> rows;
    for (INT i = 0; i < count; ++i)
        rows.push_back(Row(i));
    return rows;
}

// A panel of the base alone: the fixture background, twenty buttons, pane 0
// under them and the shuttle on pane 3.
class TestPanel : public QKLCtrlPanel {
public:
    explicit TestPanel(const std::vector<ButtonTableRow>& rows = Rows(20))
    {
        SetTable(rows.data(), static_cast<INT>(rows.size()));
        SetPaneRect(0, 10, 40, 120, 16);
        SetPaneRect(3, 140, 40, 130, 23);
    }
    bool CreateWindow() override
    {
        TableBuild build(*this);
        return StartTableBuild(build, background, FALSE) && LoadPanelFont() && CreateShuttle(build) &&
               BuildRows(build, LabelUse::AsText, "TestPanel");
    }
    void SetPaneText(const CGfxString& text, INT pane) override
    {
        if (pane != 0 || !HasWindow())
            return;
        m_strLabel1 = text;
        DrawPaneNow(text, 0);
    }
    void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane) override
    {
        if (pane == 0)
            DrawPane(context, text, 0);
    }

    UINT background = kBackground;
};

class CtrlPanelTest : public PanelTest {
protected:
    const char* ModuleFolder() const override { return KESTRELON_TOOLKIT_FIXTURE_MODULES; }

    bool Make(TestPanel& panel, INT rowCount = 0, const ButtonTableRow* rows = nullptr)
    {
        const RECT bounds{10, 10, 310, 90};
        const bool made = panel.Create(owner.get(), 600, &bounds, rowCount, rows);
        Pump();
        return made;
    }
    static bool Enabled(QKLCtrlPanel& panel, INT id)
    {
        ButtonElement* button = panel.FindButton(id);
        return button && ::IsWindowEnabled(button->GetHwnd());
    }
    // The rows whose buttons are enabled, as a bit mask.
    static DWORD EnabledRows(QKLCtrlPanel& panel)
    {
        DWORD mask = 0;
        for (INT i = 0; i < panel.GetRowCount(); ++i)
            mask |= Enabled(panel, panel.GetRows()[i].id) ? 1u << i : 0u;
        return mask;
    }
    static std::vector<INT> ButtonIds(QKLCtrlPanel& panel)
    {
        std::vector<INT> ids;
        for (INT i = 0; i < panel.GetChildren().GetCount(); ++i)
            if (panel.GetChildren().GetAt(i)->GetKind() == PanelElement::kBitmapButtonKind)
                ids.push_back(panel.GetChildren().GetAt(i)->GetControlId());
        return ids;
    }
};

TEST_F(CtrlPanelTest, CreateNarrowsOrReplacesTheTableButNeverWidensIt)
{
    const std::vector<ButtonTableRow> own = {ButtonTableRow{801, -1, 1, 100, 60, 12, 16, 0, 9011, 9012, 0, 0, 0},
                                             ButtonTableRow{802, -1, 1, 120, 60, 12, 16, 0, 9011, 9012, 0, 0, 0}};
    struct Case {
        const char* what;
        INT rowCount;
        const ButtonTableRow* rows;
        INT table;
        std::vector<INT> firstIds;
    } const cases[] = {
        {"0 keeps the table", 0, nullptr, 5, {53363, 702, 703, 704, 705}},
        {"a negative count keeps the table", -4, nullptr, 5, {53363, 702, 703, 704, 705}},
        {"more rows than the table keeps its count", 9, nullptr, 5, {53363, 702, 703, 704, 705}},
        {"fewer rows drop the last", 3, nullptr, 5, {53363, 702, 703}},
        {"given rows replace the first ones", 2, own.data(), 5, {801, 802}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestPanel panel(Rows(c.table));
        ASSERT_TRUE(Make(panel, c.rowCount, c.rows));
        EXPECT_EQ(panel.GetRowCount(), static_cast<INT>(c.firstIds.size()));
        EXPECT_EQ(ButtonIds(panel), c.firstIds);
        EXPECT_EQ(panel.GetOwnerWindow(), owner.get());
        EXPECT_TRUE(::IsWindowVisible(panel.GetHwnd()));
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(panel.GetHwnd(), GWL_STYLE)) & 0xFFFF0000u,
                  QKLCtrlPanel::kPanelStyle | WS_VISIBLE);
    }
}

TEST_F(CtrlPanelTest, ARowBecomesAnOwnerDrawnButtonOfItsFaceSize)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    ButtonElement* repeating = panel.FindButton(704);
    ASSERT_NE(repeating, nullptr);
    EXPECT_EQ(repeating->GetBounds(), CGfxRect(44, 2, 55, 17)) << "12 x 16 at (44, 2), sized to its face";
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(repeating->GetHwnd(), GWL_STYLE)), QKLCtrlPanel::kButtonStyle);
    LONG value = 0;
    ASSERT_TRUE(repeating->GetProperty(BP::kAutoRepeat)->CopyLong(value));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(repeating->GetProperty(BP::kRepeatInterval)->CopyLong(value));
    EXPECT_EQ(value, 300);
    ASSERT_TRUE(panel.FindButton(702)->GetProperty(BP::kStateCount)->CopyLong(value));
    EXPECT_EQ(value, 2);
    EXPECT_EQ(panel.GetBounds(), CGfxRect(10, 10, 309, 89)) << "the background's 300 x 80";
}

TEST_F(CtrlPanelTest, EnableButtonsFollowsTheMaskTheEnableMaskAndTheCount)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    ASSERT_EQ(panel.GetRowCount(), 20);
    constexpr DWORD kAll = (1u << 20) - 1;
    struct Step {
        const char* what;
        DWORD enableMask;
        DWORD mask;
        INT count;
        INT visited;
        DWORD enabled;
    } const steps[] = {
        {"(0, -1) disables every button", 0xFFFFFFFF, 0, -1, 20, 0},
        {"(0xFFFF, -1) enables rows 0 to 15 only", 0xFFFFFFFF, 0xFFFF, -1, 20, 0xFFFF},
        {"a count past the table stops at its end", 0xFFFFFFFF, 0xFFFFFFFF, 50, 20, kAll},
        {"a count of 3 touches three rows", 0xFFFFFFFF, 0, 3, 3, kAll & ~7u},
        {"a clear enable-mask bit is never enabled", ~(1u << 4), 0xFFFFFFFF, -1, 20, kAll & ~(1u << 4)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        panel.SetEnableMask(s.enableMask);
        EXPECT_EQ(panel.EnableButtons(s.mask, s.count), s.visited);
        EXPECT_EQ(EnabledRows(panel), s.enabled);
        panel.ResetEnableMask();
    }
}

TEST_F(CtrlPanelTest, TheShuttleFollowsTheEnableMasksTopBit)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    SliderElement* shuttle = panel.GetShuttle();
    ASSERT_NE(shuttle, nullptr);
    EXPECT_EQ(shuttle->GetControlId(), QKLCtrlPanel::kShuttleId);
    EXPECT_FALSE(shuttle->IsEnabled()) << "a new shuttle is disabled";
    EXPECT_TRUE(panel.EnableShuttle(true));
    EXPECT_TRUE(shuttle->IsEnabled());

    panel.SetEnableMask(0x7FFFFFFF);
    EXPECT_FALSE(shuttle->IsEnabled()) << "the top bit clear disables it";
    EXPECT_FALSE(panel.EnableShuttle(true));
    EXPECT_FALSE(shuttle->IsEnabled()) << "and keeps it disabled";
}

TEST_F(CtrlPanelTest, AnEmptyEnableMaskDisablesAllAndResettingItEnablesNothing)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    panel.EnableButtons(0xFFFFFFFF, -1);
    panel.EnableShuttle(true);
    panel.SetEnableMask(0);
    EXPECT_EQ(EnabledRows(panel), 0u);
    EXPECT_FALSE(panel.GetShuttle()->IsEnabled());
    panel.ResetEnableMask();
    EXPECT_EQ(panel.GetEnableMask(), 0xFFFFFFFFu);
    EXPECT_EQ(EnabledRows(panel), 0u);
    EXPECT_FALSE(panel.GetShuttle()->IsEnabled());
    panel.EnableButtonsByMask(0xFFFFFFFF);
    EXPECT_EQ(EnabledRows(panel), (1u << 20) - 1);
}

TEST_F(CtrlPanelTest, TheBaseAnswersForPanelsWithoutTheirOwnBehaviour)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    EXPECT_EQ(panel.GetLoop(), 1);
    EXPECT_EQ(panel.PanelRequest(7), 0);
    EXPECT_EQ(panel.TransmitFileToTape(1, CGfxString("/tmp/clip.avi")), 0);
}

TEST_F(CtrlPanelTest, ARowWithoutBitmapsIsSkippedAndItsIdIgnored)
{
    std::vector<ButtonTableRow> rows = Rows(6);
    rows[2].up = 9999;
    TestPanel panel(rows);
    ASSERT_TRUE(Make(panel));
    EXPECT_EQ(ButtonIds(panel), (std::vector<INT>{53363, 702, 704, 705, 706}));
    panel.EnableButton(703, true);
    panel.SetButtonState(703, 1);
    panel.ShowButton(703, false);
    panel.SetButtonLabel(703, 41459);
    EXPECT_EQ(panel.GetButtonState(703), 0);
    EXPECT_EQ(panel.EnableButtons(0xFFFFFFFF, -1), 6) << "the row is still visited";
}

TEST_F(CtrlPanelTest, AMissingBackgroundFailsCreationAndLeavesThePanelReset)
{
    TestPanel panel;
    panel.background = 9999;
    EXPECT_FALSE(Make(panel));
    EXPECT_FALSE(panel.HasWindow());
    EXPECT_EQ(panel.GetWnd(), nullptr);
    EXPECT_EQ(panel.GetChildren().GetCount(), 0);
    EXPECT_EQ(panel.GetShuttle(), nullptr);
    EXPECT_EQ(panel.GetPanelFont(), nullptr);
    EXPECT_EQ(::GetWindow(owner->GetSafeHwnd(), GW_CHILD), nullptr) << "no window is left behind";
}

TEST_F(CtrlPanelTest, RowsSharingAnIdAreFoundByTheFirst)
{
    std::vector<ButtonTableRow> rows = Rows(3);
    rows[2].id = 702;
    TestPanel panel(rows);
    ASSERT_TRUE(Make(panel));
    panel.SetButtonState(702, 1);
    EXPECT_EQ(panel.FindButton(702)->GetBounds().left, 16);
    EXPECT_EQ(panel.GetButtonState(702), 1);
    std::vector<bool> checked;
    for (INT i = 0; i < panel.GetChildren().GetCount(); ++i)
        if (panel.GetChildren().GetAt(i)->GetControlId() == 702)
            checked.push_back(static_cast<ButtonElement*>(panel.GetChildren().GetAt(i))->IsChecked());
    EXPECT_EQ(checked, (std::vector<bool>{true, false}));
}

TEST_F(CtrlPanelTest, AClickGoesToTheMainWindowAsACommand)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    panel.EnableButtons(0xFFFFFFFF, -1);
    ASSERT_TRUE(ClickButton(panel, 705));
    EXPECT_EQ(main->window.Of(WM_COMMAND), (std::vector<Received>{{WM_COMMAND, 705, 0}}));
    EXPECT_TRUE(owner->All().empty()) << "the owner hears nothing of the base";
}

TEST_F(CtrlPanelTest, ButtonStatesAndLabelsAreSetAndReadById)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    auto* twoState = static_cast<BitmapButtonElement*>(panel.FindButton(702));
    EXPECT_EQ(panel.GetButtonState(702), 0);
    panel.SetButtonState(702, 1);
    EXPECT_EQ(panel.GetButtonState(702), 1);
    EXPECT_EQ(twoState->GetCurrentImage(), twoState->GetDownImage());
    Pump();
    EXPECT_EQ(ClientPixel(twoState->GetHwnd(), 6, 8), kFaceDown);
    panel.SetButtonState(702, 0);
    Pump();
    EXPECT_EQ(ClientPixel(twoState->GetHwnd(), 6, 8), kFaceUp);

    CResourceSwitch language(kResourceLanguage);
    panel.SetButtonLabel(702, 41460);
    EXPECT_EQ(std::string(twoState->GetText().GetString()), "Start");
}

TEST_F(CtrlPanelTest, PaneTextIsDrawnLeftAlignedOverFreshBackground)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    HWND window = panel.GetHwnd();
    const RECT pane{10, 40, 131, 57}; // (10, 40, 120, 16), inclusive
    HDC dc = GetDC(window);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &pane, red);
    DeleteObject(red);
    ReleaseDC(window, dc);

    panel.SetPaneText(CGfxString("Whole minutes"), 0);
    int black = 0, red_ = 0, wrong = 0, leftmost = pane.right;
    for (int y = pane.top; y < pane.bottom; ++y)
        for (int x = pane.left; x < pane.right; ++x) {
            const COLORREF c = ClientPixel(window, x, y);
            if (c == RGB(255, 0, 0))
                ++red_;
            else if (c != BackgroundPixel(x, y)) {
                // Text pixels are black or blended between black and the background.
                wrong += GetBValue(c) > 90 ? 1 : 0;
                black += c == RGB(0, 0, 0) ? 1 : 0;
                leftmost = std::min(leftmost, x);
            }
        }
    EXPECT_EQ(red_, 0) << "the pane is repainted from the background first";
    EXPECT_GT(black, 10);
    EXPECT_EQ(wrong, 0);
    EXPECT_LE(leftmost, pane.left + 3) << "left-aligned";
}

TEST_F(CtrlPanelTest, AButtonsTipIsItsIdsStringInTheLanguageModule)
{
    TestPanel panel;
    ASSERT_TRUE(Make(panel));
    panel.EnableToolTipsFor(true, GetLanguageResourceModule());
    HWND play = panel.FindButton(53363)->GetHwnd();
    win::commctrl::SetDefaultToolTipDelay(20);
    win::user::InjectMouseMove(CentreOf(play));
    Pump();
    HWND tip = ToolTipOfThread();
    ASSERT_NE(tip, nullptr);
    SendMessageA(tip, WM_TIMER, 1, 0);
    EXPECT_TRUE(IsWindowVisible(tip)) << "shown over the button";
    win::commctrl::SetDefaultToolTipDelay(0);
    EXPECT_EQ(ToolTipText(panel, play), "Play");
}

} // namespace
