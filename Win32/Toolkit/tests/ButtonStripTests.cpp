#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Win32/Toolkit/ButtonStrip.h"
#include "Win32/Toolkit/TransparentButtonElement.h"
#include "Win32/Toolkit/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;
using dialog_test::PumpUntilIdle;

// The picture of each grid place, as the strip's art names it.
constexpr UINT kPlacePictures[9] = {291, 290, 292, 294, 289, 293, 288, 286, 287};

class ButtonStrip : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        ASSERT_TRUE(strip.CreateOnDialogItem(kStripPlace, &dialog));
        PumpUntilIdle();
    }

    int CheckedCount()
    {
        int checked = 0;
        for (int i = 0; i < KLButtonStrip::kButtonCount; ++i)
            checked += strip.ButtonAt(i)->IsChecked() ? 1 : 0;
        return checked;
    }
    // The pointer comes over the button first: the button it leaves lets
    // the mouse go only as it sees it leave.
    void ClickButton(int index)
    {
        using win::user::MouseButton;
        const POINT centre = dialog_test::CentreOf(strip.ButtonAt(index)->GetHwnd());
        win::user::InjectMouseMove(centre);
        PumpUntilIdle();
        win::user::InjectMouseButton(MouseButton::Left, true, centre);
        win::user::InjectMouseButton(MouseButton::Left, false, centre);
        PumpUntilIdle();
    }
    // What button `index` must show: its face, and when checked the
    // picture keyed over it.
    COLORREF Expected(int index, UINT picture, bool checked, int x, int y)
    {
        const skinart::Canvas face = ControlArt(1072 + index);
        if (checked) {
            const skinart::Canvas art = ControlArt(static_cast<int>(picture));
            if (!(art.At(x, y) == skinart::kMagentaKey))
                return ToColorref(art.At(x, y));
        }
        return ToColorref(face.At(x, y));
    }
    // How many pixels of the button differ from what it must show.
    int WrongPixels(int index, bool checked)
    {
        TransparentButtonElement* button = strip.ButtonAt(index);
        HWND window = button->GetHwnd();
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = ::GetDC(window);
        int wrong = 0;
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 27; ++x)
                wrong += ::GetPixel(dc, x, y) == Expected(index, button->GetImageId(), checked, x, y) ? 0 : 1;
        ::ReleaseDC(window, dc);
        return wrong;
    }

    KLButtonStrip strip;
};

TEST_F(ButtonStrip, EachModeGivesTheButtonsTheirPictures)
{
    struct Case {
        int mode;
        std::function<UINT(int)> picture;
    } const cases[] = {
        {0, [](int i) { return kPlacePictures[8 - i]; }},
        {3, [](int i) { return kPlacePictures[i]; }},
        {1, [](int) { return 289u; }},
        {-7, [](int) { return 289u; }},
    };
    for (const Case& c : cases) {
        strip.SetMode(c.mode, 4);
        for (int i = 0; i < KLButtonStrip::kButtonCount; ++i)
            EXPECT_EQ(strip.ButtonAt(i)->GetImageId(), c.picture(i)) << "mode " << c.mode << " button " << i;
    }
    strip.SetMode(0, 0);
    EXPECT_EQ(strip.ButtonAt(0)->GetImageId(), 287u);
    EXPECT_EQ(strip.ButtonAt(8)->GetImageId(), 291u);
}

TEST_F(ButtonStrip, OnlyTheCheckedButtonDrawsItsPictureOverItsFace)
{
    strip.SetMode(3, 2);
    for (int i = 0; i < KLButtonStrip::kButtonCount; ++i)
        EXPECT_EQ(WrongPixels(i, i == 2), 0) << "button " << i;
}

TEST_F(ButtonStrip, AClickSelectsTheButtonAndTellsTheDialogEachTime)
{
    strip.SetMode(3, 4);
    ClickButton(2);
    ClickButton(2);
    ASSERT_EQ(dialog.selections.size(), 2u);
    for (const auto& s : dialog.selections) {
        EXPECT_EQ(s.wParam, 3u);
        EXPECT_EQ(s.lParam, 2);
    }
    EXPECT_EQ(strip.GetSelection(), 2);
    EXPECT_TRUE(strip.ButtonAt(2)->IsChecked()) << "clicked again, it stays selected";
    EXPECT_FALSE(strip.ButtonAt(4)->IsChecked());
}

TEST_F(ButtonStrip, ExactlyOneButtonIsCheckedAfterEveryOperation)
{
    EXPECT_EQ(strip.GetSelection(), KLButtonStrip::kCentre);
    EXPECT_EQ(CheckedCount(), 1) << "after creation";
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"mode 3 at 7", [&] { strip.SetMode(3, 7); }},
        {"a selection past the grid", [&] { strip.SetMode(0, 12); }},
        {"a negative selection", [&] { strip.SetMode(5, -1); }},
        {"a click on 0", [&] { ClickButton(0); }},
        {"a click on 8", [&] { ClickButton(8); }},
        {"a click on 8 again", [&] { ClickButton(8); }},
    };
    const int selections[] = {7, 7, 7, 0, 8, 8};
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].second();
        EXPECT_EQ(CheckedCount(), 1) << steps[i].first;
        EXPECT_EQ(strip.GetSelection(), selections[i]) << steps[i].first;
        EXPECT_TRUE(strip.ButtonAt(selections[i])->IsChecked()) << steps[i].first;
    }
    EXPECT_EQ(strip.GetMode(), 5);
}

TEST_F(ButtonStrip, CreationFailsWithoutAPlaceholderOrAWindow)
{
    KLButtonStrip missing;
    EXPECT_FALSE(missing.CreateOnDialogItem(4242, &dialog));
    EXPECT_FALSE(missing.CreateOnDialogItem(kStripPlace, nullptr));
    KLButtonStrip windowless;
    EXPECT_FALSE(windowless.Create(0, 0, 87, 69, nullptr)) << "a child window needs its dialog";
    EXPECT_EQ(windowless.GetHwnd(), nullptr);
}

} // namespace
