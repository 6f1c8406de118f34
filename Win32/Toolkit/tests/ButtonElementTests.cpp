#include <gtest/gtest.h>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Toolkit/AnimateButtonElement.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"

namespace {

using namespace element_fixtures;
using BP = ButtonElementProperties;
using EP = ElementProperties;
using win::user::MouseButton;

const CRGBColor kKeyColour(kKey);

struct ButtonSetup {
    LONG id = 10;
    CGfxRect bounds = CGfxRect(50, 50, 69, 69);
    LONG states = 1;
    LONG autoRepeat = 0;
    LONG drag = 1;
    LONG fixed = 0;
    const char* caption = nullptr;
};

class ButtonTest : public ElementTest {
protected:
    template <typename Element>
    Element* Make(const ButtonSetup& setup)
    {
        ButtonElementProperties list;
        Describe(list, setup.id, setup.bounds, PanelRef());
        list.SetProperty(BP::kStateCount, CTaggedValue(setup.states));
        list.SetProperty(BP::kAutoRepeat, CTaggedValue(setup.autoRepeat));
        list.SetProperty(EP::kDrag, CTaggedValue(setup.drag));
        list.SetProperty(EP::kFixed, CTaggedValue(setup.fixed));
        if (setup.caption)
            list.SetProperty(EP::kText, CTaggedValue(CGfxString(setup.caption)));
        return AddChild(std::make_unique<Element>(), list);
    }
    BitmapButtonElement* MakeFaces(const ButtonSetup& setup)
    {
        auto* button = Make<BitmapButtonElement>(setup);
        if (button && !button->LoadBitmaps(kFaceUp, kFaceDown, kFaceFocus, kFaceDisabled, &kKeyColour, &kKeyColour,
                                           &kKeyColour, &kKeyColour))
            return nullptr;
        return button;
    }
    // Delivers `count` ticks of timer `id` to the element's window.
    static void Tick(WindowElement* element, UINT_PTR id, int count = 1)
    {
        for (int i = 0; i < count; ++i)
            SendMessageA(element->GetHwnd(), WM_TIMER, id, 0);
    }
};

TEST_F(ButtonTest, AHeldAutoRepeatButtonRepeatsOnEveryTickWhileOnIt)
{
    ButtonSetup setup;
    setup.autoRepeat = 1;
    setup.drag = 0;
    setup.fixed = 1;
    BitmapButtonElement* button = MakeFaces(setup);
    ASSERT_NE(button, nullptr);
    MoveTo(60, 60);
    Press(60, 60);
    ASSERT_TRUE(button->IsTimerRunning());
    EXPECT_EQ(button->GetTimerId(), ButtonElement::kRepeatTimer);
    EXPECT_EQ(button->GetTimerElapse(), 100);
    Tick(button, ButtonElement::kRepeatTimer, 10);
    EXPECT_EQ(panel->commands, std::vector<UINT>(10, 10)) << "ten ticks of 100 ms held: one second";

    MoveTo(200, 200);
    EXPECT_FALSE(button->IsTimerRunning()) << "off the button the timer is gone";
    Tick(button, ButtonElement::kRepeatTimer, 3);
    EXPECT_EQ(panel->commands.size(), 10u);

    MoveTo(60, 60);
    EXPECT_TRUE(button->IsTimerRunning()) << "back on, still held";
    Tick(button, ButtonElement::kRepeatTimer, 2);
    EXPECT_EQ(panel->commands.size(), 12u);
    Release(60, 60);
}

TEST_F(ButtonTest, WithSwappedButtonsTheRightButtonRepeats)
{
    ButtonSetup setup;
    setup.autoRepeat = 1;
    BitmapButtonElement* button = MakeFaces(setup);
    ASSERT_NE(button, nullptr);
    SwapMouseButton(TRUE);
    MoveTo(60, 60);
    Press(60, 60, MouseButton::Right);
    ASSERT_TRUE(button->IsTimerRunning());
    Tick(button, ButtonElement::kRepeatTimer, 4);
    EXPECT_EQ(panel->commands.size(), 4u);
    Release(60, 60, MouseButton::Right);
    Tick(button, ButtonElement::kRepeatTimer);
    EXPECT_EQ(panel->commands.size(), 5u) << "the click of the primary button";
}

TEST_F(ButtonTest, TheBitmapButtonPicksItsImageByState)
{
    BitmapButtonElement* button = MakeFaces(ButtonSetup{});
    ASSERT_NE(button, nullptr);
    struct Case {
        UINT itemState;
        CGdiBitmap* expected;
    };
    const Case cases[] = {
        {0, button->GetImage()},
        {ODS_SELECTED, button->GetDownImage()},
        {ODS_FOCUS, button->GetFocusImage()},
        {ODS_DISABLED, button->GetDisabledImage()},
        {ODS_SELECTED | ODS_FOCUS, button->GetDownImage()},
    };
    Canvas canvas(20, 20);
    CDrawContext context(canvas.dc.GetSafeHdc());
    for (const Case& c : cases) {
        button->DrawButton(&context, CGfxRect(0, 0, 19, 19), c.itemState);
        EXPECT_EQ(button->GetCurrentImage(), c.expected) << c.itemState;
    }
    EXPECT_EQ(canvas.At(10, 10), FaceColour(kFaceDown));
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255)) << "the key shows the panel's colour";

    ASSERT_EQ(button->SetProperty(BP::kStateCount, CTaggedValue(LONG{2}), nullptr), 0);
    ASSERT_EQ(button->SetProperty(BP::kChecked, CTaggedValue(LONG{1}), nullptr), 0);
    for (const Case& c : cases) {
        button->DrawButton(&context, CGfxRect(0, 0, 19, 19), c.itemState);
        EXPECT_EQ(button->GetCurrentImage(), button->GetDownImage()) << "checked, state " << c.itemState;
    }
    MoveTo(60, 60);
    EXPECT_TRUE(button->IsTracking());
    EXPECT_EQ(button->GetCurrentImage(), button->GetDownImage()) << "checked, hovered";
}

TEST_F(ButtonTest, TheCaptionTurnsGreyWhileTheDisabledImageShows)
{
    ButtonSetup setup;
    setup.caption = "Go";
    BitmapButtonElement* button = MakeFaces(setup);
    ASSERT_NE(button, nullptr);
    CRGBColor colour;
    button->Enable(false);
    EXPECT_EQ(button->GetCurrentImage(), button->GetDisabledImage());
    button->GetTextColour(colour);
    EXPECT_EQ(colour, CRGBColor(127, 127, 127));
    button->Enable(true);
    EXPECT_EQ(button->GetCurrentImage(), button->GetImage());
    button->GetTextColour(colour);
    EXPECT_EQ(colour, CRGBColor(0, 0, 0));
}

TEST_F(ButtonTest, OnlyOpaquePixelsOfTheImageArePartOfTheButton)
{
    BitmapButtonElement* button = MakeFaces(ButtonSetup{});
    ASSERT_NE(button, nullptr);
    struct Case {
        LONG x, y;
        bool hit;
    };
    const Case cases[] = {{50, 50, false}, {52, 52, false}, {53, 53, true}, {60, 60, true}, {69, 69, true},
                          {70, 69, false}};
    for (const Case& c : cases)
        EXPECT_EQ(button->HitTest(CGfxPoint(c.x, c.y)), c.hit) << c.x << "," << c.y;
}

TEST_F(ButtonTest, ADraggableButtonFollowsThePointerByItsGrabPoint)
{
    BitmapButtonElement* button = MakeFaces(ButtonSetup{});
    ASSERT_NE(button, nullptr);
    MoveTo(60, 60);
    EXPECT_EQ(button->GetHoverPoint(), CGfxPoint(10, 10));
    Press(60, 60);
    MoveTo(63, 62);
    MoveTo(66, 64);
    EXPECT_EQ(button->GetBounds(), CGfxRect(56, 54, 75, 73));
    EXPECT_EQ(panel->moved, (std::vector<PanelElement*>{button, button}));
    ASSERT_FALSE(panel->invalidated.empty());
    EXPECT_EQ(panel->invalidated.front(), CGfxRect(50, 50, 69, 69)) << "its old place is repainted";
    Release(66, 64);
}

TEST_F(ButtonTest, ACheckedButtonDraggedOffItselfStaysChecked)
{
    ButtonSetup setup;
    setup.states = 2;
    setup.drag = 0;
    setup.fixed = 1;
    BitmapButtonElement* button = MakeFaces(setup);
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->SetProperty(BP::kChecked, CTaggedValue(LONG{1}), nullptr), 0);
    MoveTo(60, 60);
    Press(60, 60);
    MoveTo(200, 200);
    EXPECT_TRUE(button->IsChecked());
    EXPECT_EQ(button->GetCurrentImage(), button->GetDownImage());
    EXPECT_EQ(SendMessageA(button->GetHwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    LONG checked = 0;
    EXPECT_TRUE(button->GetProperty(BP::kChecked)->CopyLong(checked));
    EXPECT_EQ(checked, 1);
    Release(200, 200);
}

TEST_F(ButtonTest, ATooWideCaptionShrinksTheFontAndNeverToNothing)
{
    struct Case {
        const char* caption;
        bool shrinksAll;
    };
    for (const Case& c : {Case{"Storyboard", false}, Case{"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", true}}) {
        ButtonSetup setup;
        setup.bounds = CGfxRect(100, 100, 159, 117);
        setup.caption = c.caption;
        setup.id = c.shrinksAll ? 12 : 11;
        ButtonElement* button = Make<ButtonElement>(setup);
        ASSERT_NE(button, nullptr);
        button->Redraw();
        LOGFONTA font{};
        ASSERT_TRUE(button->GetFont()->GetLogFont(&font));
        EXPECT_GT(font.lfHeight, -16) << c.caption;
        EXPECT_LT(font.lfHeight, 0) << c.caption << ": never a font of height 0";
        if (c.shrinksAll) {
            EXPECT_EQ(font.lfHeight, -1);
        }
        button->Redraw();
        LOGFONTA again{};
        button->GetFont()->GetLogFont(&again);
        EXPECT_EQ(again.lfHeight, font.lfHeight) << "the smaller font is kept";
    }
}

TEST_F(ButtonTest, TheCaptionIsFixedAtCreation)
{
    ButtonElement* button = Make<ButtonElement>(ButtonSetup{});
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->SetProperty(BP::kCaption, CTaggedValue(CGfxString("Other")), nullptr),
              PanelElement::kNoSuchProperty);
    EXPECT_EQ(button->GetKind(), PanelElement::kButtonKind);
    EXPECT_STREQ(button->GetWnd()->GetRuntimeClass()->m_lpszClassName, "OwnerDrawButton");
    EXPECT_EQ(button->GetStyle() & 0xFF, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_TRUE(button->RenderImageFiltered(1, CGfxRect(), nullptr)) << "nothing to render";
    EXPECT_FALSE(button->SetImage(kMissing, nullptr, FALSE, nullptr));
    EXPECT_EQ(button->GetImage(), nullptr);
    const CGfxRect source(10, 5, 39, 24);
    EXPECT_TRUE(button->SetImage(kPanelBackground, nullptr, FALSE, &source));
    EXPECT_EQ(button->GetBounds(), CGfxRect(50, 50, 79, 69)) << "the source rectangle's size";
}

COLORREF PixelOf(CGdiBitmap* bitmap, int x, int y)
{
    Canvas canvas(1, 1);
    HGDIOBJ previous = SelectObject(canvas.dc.GetSafeHdc(), bitmap->GetHandle());
    const COLORREF colour = GetPixel(canvas.dc.GetSafeHdc(), x, y);
    SelectObject(canvas.dc.GetSafeHdc(), previous);
    return colour;
}

TEST_F(ButtonTest, AnimationFramesAreCellsOfTheGridAndTheLastOneIsKept)
{
    CResourceLoader loader(Fixture());
    std::unique_ptr<CGdiBitmap> bitmap(loader.LoadBitmapById(kAnimation));
    ASSERT_NE(bitmap, nullptr);
    AnimationStrip strip(nullptr, *bitmap, 2, 4);
    EXPECT_EQ(strip.GetFrameCount(), 8);
    CGdiBitmap* frame = strip.GetFrame(nullptr, 9);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetSize(), CGfxSize(10, 10));
    EXPECT_EQ(PixelOf(frame, 5, 5), FrameColour(1)) << "column 1 of row 0";
    EXPECT_EQ(strip.GetFrame(nullptr, 1), frame) << "the kept frame";
    EXPECT_EQ(PixelOf(strip.GetFrame(nullptr, 6), 5, 5), FrameColour(6)) << "column 2 of row 1";

    struct Bad {
        INT rows, columns;
    };
    for (const Bad& b : {Bad{0, 4}, Bad{2, 0}, Bad{2, 41}, Bad{21, 4}}) {
        AnimationStrip empty(nullptr, *bitmap, b.rows, b.columns);
        EXPECT_EQ(empty.GetFrameCount(), 0) << b.rows << "x" << b.columns;
        EXPECT_EQ(empty.GetFrame(nullptr, 0), nullptr);
    }
}

TEST_F(ButtonTest, AnimatedButtonsRunTickByTickToTheirEnd)
{
    struct Case {
        const char* name;
        bool still;
        INT loop;
        bool backward;
        int ticks;
        INT state;
    };
    const Case cases[] = {
        {"one shot with a still image", true, 2, false, 13, AnimateButtonElement::kFinished},
        {"one shot, a tick early", true, 2, false, 12, AnimateButtonElement::kForward},
        {"still image, looping", true, -1, false, 13, AnimateButtonElement::kFinished},
        {"strip only, looping forward", false, -1, false, 30, AnimateButtonElement::kForward},
        {"strip only, running back", false, 2, true, 1, AnimateButtonElement::kFinished},
    };
    LONG id = 20;
    for (const Case& c : cases) {
        ButtonSetup setup;
        setup.id = id++;
        auto* button = Make<AnimateButtonElement>(setup);
        ASSERT_NE(button, nullptr) << c.name;
        EXPECT_EQ(button->GetState(), AnimateButtonElement::kIdle);
        button->SetTimer(7, 40, FALSE);
        EXPECT_FALSE(button->SetAnimation(0, kMissing, 2, 4, &kKeyColour, c.loop));
        EXPECT_FALSE(button->SetAnimation(c.still ? kStill : 0, kAnimation, 0, 4, &kKeyColour, c.loop));
        ASSERT_TRUE(button->SetAnimation(c.still ? kStill : 0, kAnimation, 2, 4, &kKeyColour, c.loop)) << c.name;
        EXPECT_EQ(button->GetCurrentImage(), c.still ? button->GetImage() : button->GetStrip()->GetFrame(nullptr, 0));

        Canvas canvas(20, 20);
        CDrawContext context(canvas.dc.GetSafeHdc());
        button->DrawButton(&context, CGfxRect(0, 0, 9, 9), ODS_SELECTED);
        if (c.still)
            button->OnClicked();
        else
            button->OnTrackStart(CGfxPoint(1, 1), 0);
        EXPECT_TRUE(button->IsTimerRunning()) << c.name;
        if (c.backward) {
            Tick(button, 7, 3);
            button->OnTrackEnd(CGfxPoint(-1, -1), 0);
            EXPECT_EQ(button->GetState(), AnimateButtonElement::kBackward);
        }
        Tick(button, 7, c.ticks);
        EXPECT_EQ(button->GetState(), c.state) << c.name;
        if (c.state == AnimateButtonElement::kFinished) {
            EXPECT_FALSE(button->IsTimerRunning()) << c.name;
            if (c.still) {
                EXPECT_EQ(button->GetCurrentImage(), button->GetImage()) << c.name;
            }
        }
    }
}

} // namespace
