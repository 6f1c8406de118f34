#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Win32/Toolkit/FloatSpin.h"
#include "Win32/Toolkit/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;
using dialog_test::PumpUntilIdle;

constexpr UINT_PTR kSpinRepeatTimer = 1;

class FloatSpin : public ControlsTest {
protected:
    // The spin over edit 1101 with scale 20 and range 0..900.
    std::unique_ptr<KLFloatSpin> DurationSpin(char separator = '.')
    {
        auto spin = std::make_unique<KLFloatSpin>(Item(kRightSpin), 0, 20.0, 0);
        spin->SetDecimalSeparator(separator);
        spin->SetRange(900.0, 0.0);
        return spin;
    }
    std::string EditText(int id = kRightEdit)
    {
        char text[64] = {};
        ::GetWindowTextA(Item(id), text, sizeof text);
        return text;
    }
    void Type(const char* text, int id = kRightEdit) { ::SetWindowTextA(Item(id), text); }
    // A point of an arrow of the spin, on the screen.
    POINT ArrowPoint(const KLFloatSpin& spin, bool right)
    {
        const CRect& arrow = right ? spin.GetRightArrowRect() : spin.GetLeftArrowRect();
        POINT p{(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2};
        ::ClientToScreen(spin.GetSafeHwnd(), &p);
        return p;
    }
    POINT EditPoint(int id = kRightEdit) { return dialog_test::CentreOf(Item(id)); }
};

TEST_F(FloatSpin, TheSpinSpansItsEditWithTheEditCentredBetweenTwoArrows)
{
    struct Case {
        int spin;
        int buddy;  // 0: the spin's own buddy
        int edit;
    } const cases[] = {{kRightSpin, 0, kRightEdit}, {kLeftSpin, kLeftEdit, kLeftEdit}};
    const int arrowWidth = ControlArt(592).Width();
    for (const Case& c : cases) {
        CRect before;
        ::GetWindowRect(Item(c.edit), &before);
        KLFloatSpin spin(Item(c.spin), c.buddy, 20.0, 0);
        ASSERT_TRUE(spin.IsActive()) << c.spin;
        CRect s;
        CRect e;
        ::GetWindowRect(Item(c.spin), &s);
        ::GetWindowRect(Item(c.edit), &e);
        EXPECT_EQ(reinterpret_cast<HWND>(spin.SendMessage(UDM_GETBUDDY)), Item(c.edit));
        EXPECT_LE(s.left, before.left);
        EXPECT_GE(s.right, before.right) << "the spin covers the edit";
        EXPECT_EQ(e.left - s.left, s.right - e.right) << "the edit is centred";
        EXPECT_EQ(e.left - s.left, arrowWidth) << "the free width on each side is one arrow";
        EXPECT_EQ(e.top, s.top);
        EXPECT_EQ(e.Height(), s.Height() - 1);
        EXPECT_EQ(spin.GetLeftArrowRect(), CRect(0, 0, arrowWidth, s.Height()));
        EXPECT_EQ(spin.GetRightArrowRect(), CRect(s.Width() - arrowWidth, 0, s.Width(), s.Height()));
    }
}

TEST_F(FloatSpin, TypedTextIsReadAsANumberAndClampedToTheRange)
{
    auto spin = DurationSpin();
    struct Case {
        const char* typed;
        double value;
        const char* shown;
    } const cases[] = {
        {"1000", 900.0, "900.00"}, {"12.5", 12.5, "12.50"}, {"abc", 0.0, "0.00"}, {"1e400", 900.0, "900.00"},
        {"-0", 0.0, "0.00"},       {"nan", 0.0, "0.00"},    {"-5", 0.0, "0.00"},  {"2,5", 2.0, "2.00"},
    };
    for (const Case& c : cases) {
        Type(c.typed);
        EXPECT_DOUBLE_EQ(spin->GetValue(), c.value) << c.typed;
        EXPECT_EQ(EditText(), c.shown) << c.typed;
    }
}

TEST_F(FloatSpin, AnArrowStepsByOneOverTheScale)
{
    auto spin = DurationSpin();
    struct Case {
        const char* from;
        bool right;
        const char* to;
    } const cases[] = {
        {"1.00", true, "1.05"}, {"1.05", false, "1.00"}, {"1.15", true, "1.20"}, {"0.00", false, "0.00"},
        {"900.00", true, "900.00"},
    };
    for (const Case& c : cases) {
        Type(c.from);
        dialog_test::Click(ArrowPoint(*spin, c.right));
        PumpUntilIdle();
        EXPECT_EQ(EditText(), c.to) << c.from << (c.right ? " up" : " down");
        EXPECT_EQ(spin->GetPressedPart(), 0);
    }
}

TEST_F(FloatSpin, SettingTheShownValueLeavesTheEditAlone)
{
    auto spin = DurationSpin();
    EXPECT_DOUBLE_EQ(spin->SetValue(2.5), 2.5);
    EXPECT_EQ(EditText(), "2.50");
    dialog.changes.clear();
    EXPECT_DOUBLE_EQ(spin->SetValue(2.5), 2.5);
    EXPECT_TRUE(dialog.changes.empty()) << "no EN_CHANGE for the text already shown";
    EXPECT_DOUBLE_EQ(spin->SetValue(-3.0), 0.0);
    EXPECT_EQ(dialog.changes, std::vector<int>{kRightEdit});
}

TEST_F(FloatSpin, ACommaSeparatorIsShownAndRead)
{
    auto spin = DurationSpin(',');
    Type("2,50");
    EXPECT_DOUBLE_EQ(spin->GetValue(), 2.5);
    spin->SetValue(2.5);
    EXPECT_EQ(EditText(), "2,50");
    dialog_test::Click(ArrowPoint(*spin, true));
    PumpUntilIdle();
    EXPECT_EQ(EditText(), "2,55");
}

TEST_F(FloatSpin, HoldingAnArrowRepeatsUntilThePointerIsOverTheEdit)
{
    using win::user::MouseButton;
    auto spin = DurationSpin();
    spin->SetValue(1.0);
    HWND window = spin->GetSafeHwnd();
    const POINT arrow = ArrowPoint(*spin, true);
    auto tick = [&] {
        ::SendMessageA(window, WM_TIMER, kSpinRepeatTimer, 0);
        PumpUntilIdle();
    };
    win::user::InjectMouseMove(arrow);
    win::user::InjectMouseButton(MouseButton::Left, true, arrow);
    PumpUntilIdle();
    EXPECT_EQ(EditText(), "1.05") << "the press steps once";
    EXPECT_TRUE(spin->IsPressedLook());
    tick();
    EXPECT_EQ(EditText(), "1.10") << "the held arrow repeats";
    win::user::InjectMouseMove(EditPoint());
    PumpUntilIdle();
    EXPECT_NE(::GetCapture(), window);
    EXPECT_FALSE(spin->IsPressedLook());
    tick();
    EXPECT_EQ(EditText(), "1.10") << "no repeat over the edit";
    win::user::InjectMouseMove(arrow);
    PumpUntilIdle();
    EXPECT_EQ(::GetCapture(), window) << "back over the arrow, the press starts again";
    EXPECT_EQ(EditText(), "1.15");
    tick();
    EXPECT_EQ(EditText(), "1.20");
    win::user::InjectMouseButton(MouseButton::Left, false, arrow);
    PumpUntilIdle();
    EXPECT_EQ(spin->GetPressedPart(), 0);
    tick();
    EXPECT_EQ(EditText(), "1.20");
}

TEST_F(FloatSpin, DisablingMakesTheEditReadOnlyAndHidesTheSpin)
{
    auto spin = DurationSpin();
    HWND edit = Item(kRightEdit);
    for (BOOL enable : {FALSE, TRUE}) {
        spin->Enable(enable);
        EXPECT_EQ((::GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0, !enable);
        EXPECT_EQ(::IsWindowEnabled(edit) != 0, enable != 0);
        EXPECT_EQ(::IsWindowEnabled(spin->GetSafeHwnd()) != 0, enable != 0);
        EXPECT_EQ(::IsWindowVisible(spin->GetSafeHwnd()) != 0, enable != 0);
    }
}

TEST_F(FloatSpin, RangesBeyondSixteenBitsAreClamped)
{
    KLFloatSpin spin(Item(kRightSpin), 0, 100.0, 0);
    spin.SetRange(1000.0, -1000.0);
    int lower = 0;
    int upper = 0;
    spin.GetRange(lower, upper);
    EXPECT_EQ(lower, -32768);
    EXPECT_EQ(upper, 32767);
    EXPECT_DOUBLE_EQ(spin.SetValue(500.0), 327.67);
}

TEST_F(FloatSpin, WithoutABuddyAScaleOrItsOwnSpinTheControlStaysInactive)
{
    CWnd mapped;
    ASSERT_TRUE(mapped.SubclassWindow(Item(kLeftSpin)));
    Type("7.00", kLeftEdit);
    struct Case {
        const char* why;
        int spin;
        int buddy;
        double scale;
    } const cases[] = {
        {"no buddy", kLonelySpin, 0, 20.0},
        {"scale 0", kRightSpin, 0, 0.0},
        {"negative scale", kRightSpin, 0, -2.0},
        {"already mapped", kLeftSpin, kLeftEdit, 20.0},
    };
    for (const Case& c : cases) {
        ::ShowWindow(Item(c.spin), SW_HIDE);
        KLFloatSpin spin(Item(c.spin), c.buddy, c.scale, 1);
        EXPECT_FALSE(spin.IsActive()) << c.why;
        EXPECT_TRUE(::IsWindowVisible(Item(c.spin))) << c.why << ": the spin is shown in every case";
        spin.SetRange(10.0, 0.0);
        spin.SetValue(3.0);
        spin.GetValue();
    }
    EXPECT_EQ(EditText(kLeftEdit), "7.00") << "an inactive control never writes an edit";
    mapped.UnsubclassWindow();
}

} // namespace
