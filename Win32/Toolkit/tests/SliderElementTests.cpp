#include <gtest/gtest.h>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"

namespace {

using namespace element_fixtures;
using SP = SliderElementProperties;

// The slider's origin in the panel.
constexpr LONG kLeft = 20;
constexpr LONG kTop = 40;

class SliderTest : public ElementTest {
protected:
    SliderElement* MakeSlider(LONG minimum, LONG maximum, LONG orientation = 0)
    {
        SliderElementProperties list;
        Describe(list, 300, CGfxRect(kLeft, kTop, kLeft + 9, kTop + 9), PanelRef());
        list.SetProperty(SP::kOrientation, CTaggedValue(orientation));
        list.SetProperty(SP::kMinimum, CTaggedValue(minimum));
        list.SetProperty(SP::kMaximum, CTaggedValue(maximum));
        SliderElement* slider = AddChild(std::make_unique<SliderElement>(), list);
        if (slider && !slider->SetBitmaps(orientation ? kVerticalTrack : kTrack, kThumb, kThumb, 0, 0, nullptr,
                                          nullptr, nullptr, nullptr, nullptr))
            return nullptr;
        Pump();
        panel->scrolls.clear();
        return slider;
    }
    LONG ThumbLeft(SliderElement* slider) { return slider->GetThumb()->GetBounds().left; }
    LONG Position(SliderElement* slider)
    {
        LONG value = 0;
        slider->GetProperty(SP::kPosition)->CopyLong(value);
        return value;
    }
    // (position, code) of every scroll notification so far.
    std::vector<std::pair<LONG, LONG>> Scrolls(UINT message = WM_HSCROLL)
    {
        std::vector<std::pair<LONG, LONG>> out;
        for (const auto& s : panel->scrolls) {
            EXPECT_EQ(s.message, message);
            out.emplace_back(HIWORD(s.wParam), LOWORD(s.wParam));
        }
        return out;
    }
};

TEST_F(SliderTest, TheRangeMapsOntoTheTrackAndPositionsBeyondItShowAtTheEnd)
{
    SliderElement* slider = MakeSlider(0, 200);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetBounds(), CGfxRect(kLeft, kTop, kLeft + 219, kTop + 29)) << "the track's size";
    EXPECT_DOUBLE_EQ(slider->GetPixelsPerUnit(), 1.0);
    EXPECT_EQ(slider->GetThumbHome(), CGfxRect(0, 4, 19, 23));
    struct Case {
        LONG value;
        LONG left;
        LONG stored;
    };
    for (const Case& c : {Case{100, 100, 100}, Case{300, 200, 300}, Case{-5, 0, -5}}) {
        EXPECT_EQ(slider->SetProperty(SP::kPosition, CTaggedValue(c.value), nullptr), 0);
        EXPECT_EQ(ThumbLeft(slider), c.left) << c.value;
        EXPECT_EQ(Position(slider), c.stored) << c.value << ": the property keeps the value as set";
    }
    EXPECT_EQ(slider->SetProperty(SP::kOrientation, CTaggedValue(LONG{1}), nullptr), PanelElement::kFixedAfterCreation);
    EXPECT_FALSE(IsWindowVisible(slider->GetThumb()->GetHwnd()));
}

TEST_F(SliderTest, ATrackClickCentresTheThumbOnTheClick)
{
    SliderElement* slider = MakeSlider(0, 200);
    ASSERT_NE(slider, nullptr);
    MoveTo(kLeft + 60, kTop + 15);
    Press(kLeft + 60, kTop + 15);
    Release(kLeft + 60, kTop + 15);
    EXPECT_EQ(ThumbLeft(slider), 50);
    EXPECT_EQ(Scrolls(), (std::vector<std::pair<LONG, LONG>>{{50, SB_ENDSCROLL}}));
    EXPECT_EQ(panel->scrolls[0].lParam, reinterpret_cast<LPARAM>(slider->GetHwnd()));
}

TEST_F(SliderTest, DraggingSendsOneThumbTrackPerMoveAndOneEndWithinTheRange)
{
    SliderElement* slider = MakeSlider(0, 200);
    ASSERT_NE(slider, nullptr);
    MoveTo(kLeft + 5, kTop + 10);
    Press(kLeft + 5, kTop + 10);
    EXPECT_TRUE(slider->IsDragging());
    MoveTo(kLeft + 35, kTop + 10);
    MoveTo(kLeft + 105, kTop + 12);
    MoveTo(kLeft + 380, kTop + 12);
    Release(kLeft + 380, kTop + 12);
    EXPECT_EQ(Scrolls(), (std::vector<std::pair<LONG, LONG>>{
                             {30, SB_THUMBTRACK}, {100, SB_THUMBTRACK}, {200, SB_THUMBTRACK}, {200, SB_ENDSCROLL}}));
    EXPECT_EQ(ThumbLeft(slider), 200);
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(slider->GetThumb()->GetCurrentImage(), slider->GetThumb()->GetDownImage());
}

TEST_F(SliderTest, ADisabledSliderIgnoresTheMouseButStillPaints)
{
    SliderElement* slider = MakeSlider(0, 200);
    ASSERT_NE(slider, nullptr);
    slider->Enable(false);
    MoveTo(kLeft + 5, kTop + 10);
    Press(kLeft + 5, kTop + 10);
    MoveTo(kLeft + 90, kTop + 10);
    Release(kLeft + 90, kTop + 10);
    EXPECT_TRUE(panel->scrolls.empty());
    EXPECT_EQ(ThumbLeft(slider), 0);
    Canvas canvas(220, 30, RGB(0, 0, 0));
    CDrawContext context(canvas.dc.GetSafeHdc());
    slider->Paint(&context, slider->GetLocalRect(), CGfxPoint());
    EXPECT_EQ(canvas.At(100, 3), RGB(200, 200, 200));
    EXPECT_TRUE(IsWindowEnabled(slider->GetHwnd())) << "the slider's own window stays enabled";
}

TEST_F(SliderTest, MarkersLieTwoPixelsApartAndGoWithZeroZero)
{
    SliderElement* slider = MakeSlider(0, 200);
    ASSERT_NE(slider, nullptr);
    slider->SetRangeMarker(0, 20, 120);
    slider->SetRangeMarker(1, 20, 120);
    const LONG y = static_cast<LONG>(0.9 * 30) + 1;
    EXPECT_EQ(slider->GetMarkerStart(0), CGfxPoint(30, y - 2));
    EXPECT_EQ(slider->GetMarkerEnd(0), CGfxPoint(130, y - 2));
    EXPECT_EQ(slider->GetMarkerStart(1), CGfxPoint(30, y)) << "marker 0 lies higher";
    Canvas canvas(220, 30);
    CDrawContext context(canvas.dc.GetSafeHdc());
    slider->Paint(&context, slider->GetLocalRect(), CGfxPoint());
    EXPECT_EQ(canvas.At(80, y - 2), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(80, y), RGB(255, 0, 0));
    slider->SetRangeMarker(0, 0, 0);
    EXPECT_EQ(slider->GetMarkerStart(0), CGfxPoint());
    EXPECT_EQ(slider->GetMarkerEnd(0), CGfxPoint());
}

TEST_F(SliderTest, AVerticalSliderRunsDownItsTrack)
{
    SliderElement* slider = MakeSlider(0, 100, 1);
    ASSERT_NE(slider, nullptr);
    EXPECT_DOUBLE_EQ(slider->GetPixelsPerUnit(), 2.0);
    slider->SetProperty(SP::kPosition, CTaggedValue(LONG{25}), nullptr);
    EXPECT_EQ(slider->GetThumb()->GetBounds().top, 50);
    MoveTo(kLeft + 15, kTop + 150);
    Press(kLeft + 15, kTop + 150);
    Release(kLeft + 15, kTop + 150);
    EXPECT_EQ(Scrolls(WM_VSCROLL), (std::vector<std::pair<LONG, LONG>>{{70, SB_ENDSCROLL}}));
    slider->SetRangeMarker(2, 0, 50);
    EXPECT_EQ(slider->GetMarkerEnd(2), CGfxPoint(28, 100));
}

TEST_F(SliderTest, ARangeOfOnePositionKeepsTheThumbHome)
{
    SliderElement* slider = MakeSlider(5, 5);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetPixelsPerUnit(), 0.0);
    slider->SetProperty(SP::kPosition, CTaggedValue(LONG{9}), nullptr);
    EXPECT_EQ(slider->GetThumb()->GetBounds(), slider->GetThumbHome());
    MoveTo(kLeft + 100, kTop + 15);
    Press(kLeft + 100, kTop + 15);
    Release(kLeft + 100, kTop + 15);
    EXPECT_EQ(Scrolls(), (std::vector<std::pair<LONG, LONG>>{{5, SB_ENDSCROLL}}));
    EXPECT_EQ(slider->GetThumb()->GetBounds(), slider->GetThumbHome());
}

} // namespace
