#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/SliderCtrl.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"
#include "Win32/Toolkit/tests/ThumbDrag.h"

namespace {

using namespace panel_test;

constexpr UINT IDD_SLIDERS = 625;
constexpr INT kHorizontalPlace = 1201;
constexpr INT kHorizontalLabel = 1202;
constexpr INT kVerticalPlace = 1203;
constexpr INT kVerticalLabel = 1204;
// Value formats of the tests' language module.
constexpr UINT kPercentFormat = 62010;
constexpr UINT kTextFormat = 62011;
constexpr UINT kTwoValuesFormat = 62012;
constexpr UINT kNoConversionFormat = 62013;

// The slider tests' dialog, recording the scroll messages it gets.
class SliderDialog : public CDialog {
public:
    std::vector<Received> scrolls;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_HSCROLL || message == WM_VSCROLL)
            scrolls.push_back({message, wParam, lParam});
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class SliderCtrlTest : public PanelTest {
protected:
    const char* ModuleFolder() const override { return KESTRELON_TOOLKIT_SLIDER_MODULES; }
    void SetUp() override
    {
        PanelTest::SetUp();
        ASSERT_TRUE(dialog.Create(IDD_SLIDERS, nullptr));
        dialog.SetWindowPos(nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
        Pump();
    }
    void TearDown() override
    {
        slider.reset();
        if (dialog.GetSafeHwnd())
            dialog.DestroyWindow();
        PanelTest::TearDown();
    }
    HWND Item(INT id) { return ::GetDlgItem(dialog.GetSafeHwnd(), id); }
    RECT ClientRectOf(HWND window)
    {
        RECT r{};
        ::GetWindowRect(window, &r);
        ::MapWindowPoints(nullptr, dialog.GetSafeHwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // A slider over the horizontal or vertical placeholder.
    void Make(bool vertical, INT steps, INT minimum = 0, INT maximum = 10, INT position = 10)
    {
        slider = std::make_unique<KLSliderCtrl>();
        ASSERT_TRUE(slider->CreateOnDialogItem(vertical ? kVerticalPlace : kHorizontalPlace, &dialog, minimum,
                                               maximum, position, vertical ? 1 : 0, 0, 0, steps));
        Pump();
        dialog.scrolls.clear();
    }
    std::string LabelText(INT id)
    {
        char text[128] = {};
        ::GetWindowTextA(Item(id), text, sizeof text);
        return text;
    }

    SliderDialog dialog;
    std::unique_ptr<KLSliderCtrl> slider;
};

TEST(SliderCtrl, ThePlaceholderIsFittedToTheTrack)
{
    struct Case {
        const char* what;
        RECT placeholder;
        SIZE track, extra;
        RECT fitted;
    } const cases[] = {
        {"a larger placeholder shrinks about its middle", {10, 20, 210, 50}, {150, 20}, {0, 0}, {35, 25, 185, 45}},
        {"step buttons add their room along the axis", {10, 20, 133, 39}, {89, 19}, {34, 0}, {10, 20, 133, 39}},
        {"an even difference rounds toward zero", {0, 0, 100, 19}, {89, 19}, {0, 0}, {6, 0, 94, 19}},
        {"a smaller placeholder grows", {40, 40, 50, 50}, {25, 89}, {0, 34}, {33, -16, 57, 106}},
    };
    for (const Case& c : cases) {
        const RECT got = KLSliderCtrl::FitToTrack(c.placeholder, c.track, c.extra);
        EXPECT_EQ(got.left, c.fitted.left) << c.what;
        EXPECT_EQ(got.top, c.fitted.top) << c.what;
        EXPECT_EQ(got.right, c.fitted.right) << c.what;
        EXPECT_EQ(got.bottom, c.fitted.bottom) << c.what;
    }
}

TEST(SliderCtrl, OnlyOneIntegerConversionIsAFormat)
{
    struct Case {
        const char* format;
        bool usable;
    } const cases[] = {
        {"%3d", true},    {"%d%%", true},     {"%-+5.2x", true}, {"%i items", true}, {"%s", false},
        {"%d to %d", false}, {"100%", false}, {"%", false},      {"%ld", false},      {"%*d", false},
        {"%f", false},    {"plain", false},   {"", false},       {"%%d", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KLSliderCtrl::IsIntegerFormat(c.format), c.usable) << '"' << c.format << '"';
    EXPECT_FALSE(KLSliderCtrl::IsIntegerFormat(nullptr));
}

TEST(SliderCtrl, TheRangeIsNeverInvertedOnTheWay)
{
    // (150, 300) on 0..100: the maximum first; (0, 20) on 50..200: the
    // minimum first.
    EXPECT_FALSE(KLSliderCtrl::SetsMinimumFirst(150, 100));
    EXPECT_TRUE(KLSliderCtrl::SetsMinimumFirst(0, 200));
}

TEST_F(SliderCtrlTest, APlaceholderTakesTheTracksSizeAtItsCornerAndTheSliderLiesOverIt)
{
    struct Case {
        bool vertical;
        INT steps;
        SIZE placeholder; // pixels, or the template's size
        SIZE track, extra;
    } const cases[] = {
        {false, 0, {200, 30}, {89, 19}, {0, 0}}, // 88 x 18: an even difference rounds toward zero
        {false, 1, {0, 0}, {89, 19}, {34, 0}},
        {true, 2, {0, 0}, {25, 89}, {0, 34}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.vertical ? "vertical" : "horizontal") + " with steps " + std::to_string(c.steps));
        HWND place = Item(c.vertical ? kVerticalPlace : kHorizontalPlace);
        if (c.placeholder.cx)
            ::SetWindowPos(place, nullptr, 0, 0, c.placeholder.cx, c.placeholder.cy, SWP_NOMOVE | SWP_NOZORDER);
        const RECT before = ClientRectOf(place);
        Make(c.vertical, c.steps);
        const RECT fitted = KLSliderCtrl::FitToTrack(before, c.track, c.extra);
        const RECT after = ClientRectOf(place);
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_EQ(after.right - after.left, fitted.right - fitted.left);
        EXPECT_EQ(after.bottom - after.top, fitted.bottom - fitted.top);
        const RECT made = ClientRectOf(slider->GetHwnd());
        EXPECT_EQ(made.left, fitted.left);
        EXPECT_EQ(made.top, fitted.top);
        EXPECT_EQ(::GetDlgCtrlID(slider->GetHwnd()), (c.vertical ? kVerticalPlace : kHorizontalPlace) + 3000);
        ASSERT_NE(slider->GetSlider(), nullptr);
        EXPECT_EQ(::GetDlgCtrlID(slider->GetSlider()->GetHwnd()), c.vertical ? kVerticalPlace : kHorizontalPlace);
        const CGfxRect inner = slider->GetSlider()->GetBounds();
        const LONG skip = c.steps ? KLSliderCtrl::kStepButtonLength : 0;
        EXPECT_EQ(c.vertical ? inner.top : inner.left, skip);
        EXPECT_EQ(inner.Width(), c.track.cx);
        EXPECT_EQ(inner.Height(), c.track.cy);
        EXPECT_EQ(slider->GetStepButton(1) != nullptr, c.steps != 0);
        EXPECT_EQ(slider->GetStepButton(2) != nullptr, c.steps != 0);
        slider.reset();
    }
}

TEST_F(SliderCtrlTest, AMissingPlaceholderGivesASliderOfNoSizeAtTheCorner)
{
    slider = std::make_unique<KLSliderCtrl>();
    EXPECT_TRUE(slider->CreateOnDialogItem(4321, &dialog, 0, 10, 0, 0, 0, 0, 1));
    ASSERT_NE(slider->GetHwnd(), nullptr);
    const RECT at = ClientRectOf(slider->GetHwnd());
    EXPECT_EQ(at.left, 0);
    EXPECT_EQ(at.top, 0);
    const RECT& r = slider->GetRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    KLSliderCtrl windowless;
    EXPECT_FALSE(windowless.SetPos(3));
    EXPECT_EQ(windowless.GetPos(), 0);
    INT low = -1, high = -1;
    EXPECT_FALSE(windowless.GetRange(low, high));
    windowless.SetRange(5, 1);
    EXPECT_FALSE(windowless.SetValueText(7));
}

TEST_F(SliderCtrlTest, StepButtonsMoveByOneWithinTheRangeAndPostAnEndedScroll)
{
    struct Case {
        bool vertical;
        INT steps;
        INT start;
        INT id;
        INT expected;
    } const cases[] = {
        {false, 1, 10, KLSliderCtrl::kStepUp, 10},  // at the maximum: nothing
        {false, 1, 10, KLSliderCtrl::kStepDown, 9}, // (9 << 16) + 8
        {false, 2, 0, KLSliderCtrl::kStepDown, 0},
        {false, 2, 0, KLSliderCtrl::kStepUp, 1},
        {true, 1, 0, KLSliderCtrl::kStepUp, 0}, // up moves a vertical slider toward its minimum
        {true, 1, 5, KLSliderCtrl::kStepUp, 4},
        {true, 2, 10, KLSliderCtrl::kStepDown, 10},
        {true, 2, 5, KLSliderCtrl::kStepDown, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.vertical ? "vertical " : "horizontal ") + std::to_string(c.steps) + " from " +
                     std::to_string(c.start) + " by " + std::to_string(c.id));
        Make(c.vertical, c.steps, 0, 10, c.start);
        BitmapButtonElement* button = nullptr;
        for (INT which : {1, 2})
            if (slider->GetStepButton(which)->GetControlId() == c.id)
                button = slider->GetStepButton(which);
        ASSERT_NE(button, nullptr);
        ClickAt(CentreOf(button->GetHwnd()));
        EXPECT_EQ(slider->GetPos(), c.expected);
        if (c.expected == c.start) {
            EXPECT_TRUE(dialog.scrolls.empty());
        } else {
            const UINT message = c.vertical ? WM_VSCROLL : WM_HSCROLL;
            const WPARAM wParam = (static_cast<WPARAM>(c.expected) << 16) + SB_ENDSCROLL;
            EXPECT_EQ(dialog.scrolls, (std::vector<Received>{
                                          {message, wParam, reinterpret_cast<LPARAM>(slider->GetSlider()->GetHwnd())}}));
        }
        slider.reset();
    }
}

TEST_F(SliderCtrlTest, DraggingTheThumbScrollsTheDialogWithTheSlidersOwnMessages)
{
    Make(false, 0, 0, 100, 0);
    SliderElement* inner = slider->GetSlider();
    ThumbDrag drag(*inner);
    drag.MoveTo(40);
    drag.Release();
    const LPARAM from = reinterpret_cast<LPARAM>(inner->GetHwnd());
    ASSERT_GE(dialog.scrolls.size(), 2u);
    EXPECT_EQ(dialog.scrolls.back(), (Received{WM_HSCROLL, (WPARAM{40} << 16) | SB_ENDSCROLL, from}));
    EXPECT_EQ(dialog.scrolls.front(), (Received{WM_HSCROLL, (WPARAM{40} << 16) | SB_THUMBTRACK, from}));
    EXPECT_EQ(slider->GetPos(), 40);
}

TEST_F(SliderCtrlTest, SetRangeGivesTheSliderBothEndsAsGiven)
{
    struct Case {
        INT fromLow, fromHigh, low, high;
    } const cases[] = {{0, 100, 150, 300}, {50, 200, 0, 20}, {0, 100, 30, 10}};
    for (const Case& c : cases) {
        Make(false, 1, c.fromLow, c.fromHigh, c.fromLow);
        slider->SetRange(c.low, c.high);
        INT low = -1, high = -1;
        ASSERT_TRUE(slider->GetRange(low, high));
        EXPECT_EQ(low, c.low);
        EXPECT_EQ(high, c.high);
        slider.reset();
    }
}

TEST_F(SliderCtrlTest, TheValueLabelShowsTheFormattedValue)
{
    Make(false, 1);
    EXPECT_FALSE(slider->SetValueText(7)) << "no label yet";
    slider->m_hValueLabel = Item(kHorizontalLabel);
    struct Case {
        UINT format;
        const char* shown;
    } const cases[] = {
        {0, "  7"},          {kPercentFormat, "7%"},     {kTextFormat, "  7"},
        {kTwoValuesFormat, "  7"}, {kNoConversionFormat, "  7"}, {64999, "  7"}, // missing: the built-in one
    };
    for (const Case& c : cases) {
        slider->m_nFormatId = c.format;
        EXPECT_TRUE(slider->SetValueText(7));
        EXPECT_EQ(LabelText(kHorizontalLabel), c.shown) << c.format;
    }
    for (auto [separator, shown] : {std::pair{',', "2,5"}, std::pair{'.', "2.5"}}) {
        slider->SetDecimalSeparator(separator);
        EXPECT_TRUE(slider->SetValueText(2.5));
        EXPECT_EQ(LabelText(kHorizontalLabel), shown);
    }
    slider->m_hValueLabel = reinterpret_cast<HWND>(0x7fff1234);
    EXPECT_FALSE(slider->SetValueText(2.5)) << "a label that is no window";
}

TEST_F(SliderCtrlTest, ShowAndEnableReachTheSliderAndStepsButNotTheContainer)
{
    Make(true, 1, 0, 10, 5);
    auto visible = [](HWND w) { return (::GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; };
    slider->Enable(false);
    EXPECT_FALSE(slider->GetSlider()->IsEnabled());
    EXPECT_FALSE(::IsWindowEnabled(slider->GetStepButton(1)->GetHwnd()));
    EXPECT_FALSE(::IsWindowEnabled(slider->GetStepButton(2)->GetHwnd()));
    slider->Enable(true);
    EXPECT_TRUE(slider->GetSlider()->IsEnabled());
    slider->Show(false);
    EXPECT_TRUE(visible(slider->GetHwnd()));
    EXPECT_FALSE(visible(slider->GetSlider()->GetHwnd()));
    EXPECT_FALSE(visible(slider->GetStepButton(1)->GetHwnd()));
    slider->Show(true);
    EXPECT_TRUE(visible(slider->GetStepButton(2)->GetHwnd()));
}

} // namespace
