#include <gtest/gtest.h>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"

namespace {

using namespace element_fixtures;
using EP = ElementProperties;

class PanelElementTest : public ElementTest {
protected:
    // A container child of the panel at `bounds`, not yet added to it.
    std::unique_ptr<ContainerElement> MakeContainer(const CGfxRect& bounds, LONG drag = 1, LONG fixed = 0)
    {
        auto element = std::make_unique<ContainerElement>();
        ElementProperties list;
        Describe(list, 700, bounds, PanelRef());
        list.SetProperty(EP::kDrag, CTaggedValue(drag));
        list.SetProperty(EP::kFixed, CTaggedValue(fixed));
        EXPECT_TRUE(element->Create(list));
        return element;
    }
    // The window's place in the panel, inclusive.
    CGfxRect PlaceOf(HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, PanelHwnd(), reinterpret_cast<POINT*>(&r), 2);
        return CGfxRect(r.left, r.top, r.right - 1, r.bottom - 1);
    }
};

// An element whose window cannot be made.
class NoWindowElement : public WindowElement {
public:
    bool CreateWindow() override { return false; }
};

TEST_F(PanelElementTest, HitTestIsInclusiveAndDefaultBoundsHitNothing)
{
    auto element = MakeContainer(CGfxRect(10, 20, 29, 39));
    struct Case {
        LONG x, y;
        bool hit;
    };
    const Case cases[] = {{10, 20, true}, {29, 39, true}, {30, 39, false}, {29, 40, false}, {9, 20, false}};
    for (const Case& c : cases)
        EXPECT_EQ(element->HitTest(CGfxPoint(c.x, c.y)), c.hit) << c.x << "," << c.y;

    NoWindowElement fresh;
    EXPECT_EQ(fresh.GetBounds(), CGfxRect(0, 0, -1, -1));
    for (const CGfxPoint& p : {CGfxPoint(0, 0), CGfxPoint(-1, -1)})
        EXPECT_FALSE(fresh.HitTest(p));
}

TEST_F(PanelElementTest, SetPropertyAnswersByIdAndKind)
{
    auto element = MakeContainer(CGfxRect(10, 20, 29, 39));
    struct Case {
        const char* name;
        INT id;
        CTaggedValue value;
        INT expected;
    };
    const Case cases[] = {
        {"control id after creation", EP::kControlId, CTaggedValue(LONG{5}), PanelElement::kFixedAfterCreation},
        {"class name", EP::kClassName, CTaggedValue(CGfxString("Other")), PanelElement::kFixedAfterCreation},
        {"no such id", 7, CTaggedValue(LONG{1}), PanelElement::kNoSuchProperty},
        {"text where a number belongs", EP::kDrag, CTaggedValue(CGfxString("1")), ElementProperties::kWrongKind},
        {"changeable text", EP::kText, CTaggedValue(CGfxString("Panel")), 0},
        {"bounds change the list only", EP::kBounds, CTaggedValue(CGfxRect(0, 0, 99, 99)), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(element->SetProperty(c.id, c.value, nullptr), c.expected) << c.name;
    LONG id = 0;
    EXPECT_TRUE(element->GetProperty(EP::kControlId)->CopyLong(id));
    EXPECT_EQ(id, 700);
    EXPECT_EQ(element->GetDragFlag(), 1) << "the refused text changed nothing";
    EXPECT_TRUE(element->HitTest(CGfxPoint(10, 20))) << "-7 leaves the bounds";
    EXPECT_FALSE(element->HitTest(CGfxPoint(50, 50)));
    char text[16] = {};
    GetWindowTextA(element->GetHwnd(), text, sizeof text);
    EXPECT_STREQ(text, "Panel");
}

TEST_F(PanelElementTest, CreateCopiesTheListAndKeepsClonesOfTheReferences)
{
    ContainerElement element;
    ElementProperties list;
    Describe(list, 701, CGfxRect(1, 2, 30, 40), PanelRef());
    list.SetProperty(EP::kOwner, WindowRefValue(nullptr));
    ASSERT_TRUE(element.Create(list));
    EXPECT_EQ(element.GetControlId(), 701);
    EXPECT_EQ(element.GetBounds(), CGfxRect(1, 2, 30, 40));
    ASSERT_NE(element.GetParentRef(), nullptr);
    EXPECT_NE(element.GetParentRef(), PanelRef()) << "its own clone";
    EXPECT_EQ(element.GetParentRef()->GetElement(), panel.get());
    EXPECT_EQ(element.GetProperty(EP::kParent)->GetPointer(), element.GetParentRef());
    EXPECT_EQ(element.GetOwnerRef(), nullptr) << "null stays null";
    EXPECT_NE(element.GetPropertyList(), &list);
    EXPECT_EQ(element.GetExtensionCount(), 1u);
    EXPECT_TRUE(element.HasWindow());
    EXPECT_EQ(element.GetKind(), PanelElement::kContainerKind);
}

TEST_F(PanelElementTest, AFailedCreateLeavesTheElementReset)
{
    NoWindowElement noWindow;
    ElementProperties list;
    Describe(list, 702, CGfxRect(1, 2, 30, 40), PanelRef());
    EXPECT_EQ(noWindow.Create(list), 0);

    ContainerElement incomplete;
    CPropertyList partial;
    partial.AddItem(EP::kControlId, CTaggedValue(LONG{703}));
    EXPECT_EQ(incomplete.Create(partial), 0) << "a list without the standard properties";

    for (PanelElement* element : {static_cast<PanelElement*>(&noWindow), static_cast<PanelElement*>(&incomplete)}) {
        EXPECT_EQ(element->GetPropertyList(), nullptr);
        EXPECT_EQ(element->GetParentRef(), nullptr);
        EXPECT_EQ(element->GetBounds(), CGfxRect(0, 0, 0, 0));
        EXPECT_EQ(element->GetControlId(), 0);
        EXPECT_EQ(element->GetFixedFlag(), 1);
        EXPECT_FALSE(element->HasWindow());
    }
}

TEST_F(PanelElementTest, TheDefaultFontIsABoldArialOfSixteenPixelsKeptOnce)
{
    auto element = MakeContainer(CGfxRect(0, 0, 9, 9));
    CGdiFont* font = element->GetFont();
    LOGFONTA logFont{};
    ASSERT_TRUE(font->GetLogFont(&logFont));
    EXPECT_STREQ(logFont.lfFaceName, "Arial");
    EXPECT_EQ(logFont.lfHeight, -16);
    EXPECT_EQ(logFont.lfWeight, 700);
    EXPECT_EQ(element->GetFont(), font);
}

TEST_F(PanelElementTest, OneDrawingContextIsKept)
{
    auto element = MakeContainer(CGfxRect(0, 0, 9, 9));
    CDrawContext* first = element->GetDrawContext();
    ASSERT_NE(first, nullptr);
    CDrawContext* second = element->GetDrawContext();
    EXPECT_EQ(element->GetKeptDrawContext(), second);
    CDrawContext stranger(static_cast<HDC>(nullptr));
    element->ReleaseDrawContext(&stranger);
    EXPECT_EQ(element->GetKeptDrawContext(), second) << "only the kept context is released";
    element->ReleaseDrawContext(second);
    EXPECT_EQ(element->GetKeptDrawContext(), nullptr);
}

TEST_F(PanelElementTest, MoveToNeedsTheDragOrTheFixedFlag)
{
    struct Case {
        LONG drag, fixed;
        bool moves;
    };
    for (const Case& c : {Case{0, 0, false}, Case{1, 0, true}, Case{0, 1, true}}) {
        auto element = MakeContainer(CGfxRect(10, 10, 29, 29), c.drag, c.fixed);
        element->MoveTo(CGfxRect(50, 60, 69, 79), FALSE);
        const CGfxRect expected = c.moves ? CGfxRect(50, 60, 69, 79) : CGfxRect(10, 10, 29, 29);
        EXPECT_EQ(element->GetBounds(), expected) << c.drag << c.fixed;
        EXPECT_EQ(PlaceOf(element->GetHwnd()), expected) << c.drag << c.fixed;
    }
}

TEST_F(PanelElementTest, SetBoundsWithoutBackgroundMovesNothing)
{
    auto element = MakeContainer(CGfxRect(10, 10, 29, 29));
    EXPECT_TRUE(element->SetBounds(CGfxRect(40, 40, 99, 99), FALSE));
    EXPECT_EQ(element->GetBounds(), CGfxRect(10, 10, 29, 29));
    EXPECT_EQ(PlaceOf(element->GetHwnd()), CGfxRect(10, 10, 29, 29));
    CGfxRect stored;
    EXPECT_TRUE(element->GetProperty(EP::kBounds)->CopyRect(stored));
    EXPECT_EQ(stored, CGfxRect(10, 10, 29, 29));
}

TEST_F(PanelElementTest, BackgroundsTakeTheirNaturalSizeOrFitTheBoundsAndFollowSetBounds)
{
    auto natural = MakeContainer(CGfxRect(10, 10, 29, 29));
    ASSERT_TRUE(natural->SetBackgroundBitmap(kPanelBackground, nullptr, nullptr, FALSE));
    EXPECT_EQ(natural->GetBackgroundMode(), PanelElement::kNaturalBackground);
    EXPECT_EQ(natural->GetBounds(), CGfxRect(10, 10, 209, 69)) << "the bitmap's size";
    EXPECT_EQ(PlaceOf(natural->GetHwnd()), CGfxRect(10, 10, 209, 69));

    auto fitted = MakeContainer(CGfxRect(5, 5, 54, 34));
    ASSERT_TRUE(fitted->SetBackgroundBitmap(kPanelBackground, nullptr, nullptr, TRUE));
    EXPECT_EQ(fitted->GetBackgroundMode(), PanelElement::kFittedBackground);
    EXPECT_EQ(fitted->GetNaturalSize(), CGfxSize(200, 60));
    EXPECT_EQ(fitted->GetBackgroundBitmap()->GetSize(), CGfxSize(50, 30));
    EXPECT_EQ(fitted->GetBounds(), CGfxRect(5, 5, 54, 34));

    struct Case {
        const char* name;
        ContainerElement* element;
        CGfxRect bounds;
    };
    for (const Case& c : {Case{"stretched", natural.get(), CGfxRect(20, 30, 119, 59)},
                          Case{"refitted", fitted.get(), CGfxRect(60, 70, 159, 109)}}) {
        ASSERT_TRUE(c.element->SetBounds(c.bounds, TRUE)) << c.name;
        EXPECT_EQ(c.element->GetBounds(), c.bounds) << c.name;
        EXPECT_EQ(PlaceOf(c.element->GetHwnd()), c.bounds) << c.name << ": the window moves with its bounds";
        EXPECT_EQ(c.element->GetBackgroundBitmap()->GetSize(), CGfxSize(c.bounds.Width(), c.bounds.Height()))
            << c.name;
    }
    CDrawContext* context = fitted->GetDrawContext();
    EXPECT_EQ(context->GetPixel(CGfxPoint(3, 4)), CRGBColor(BackgroundPixel(3, 4))) << "refitted, not scaled";
    fitted->ReleaseDrawContext(context);

    EXPECT_FALSE(natural->SetBackgroundBitmap(kMissing, nullptr, nullptr, FALSE));
    EXPECT_EQ(natural->GetBackgroundBitmap(), nullptr);
}

TEST_F(PanelElementTest, AttachingADialogControlTakesItsPlaceInTheDialogsClientArea)
{
    CWnd dialog;
    ASSERT_TRUE(dialog.CreateEx(0, AfxRegisterWndClass(0), "dialog", WS_POPUP | WS_VISIBLE | WS_BORDER, 50, 60, 300,
                                200, nullptr, nullptr));
    HWND control = CreateWindowExA(0, "Button", "Apply", WS_CHILD | WS_VISIBLE, 30, 40, 80, 24, dialog.GetSafeHwnd(),
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1042)), nullptr, nullptr);
    ASSERT_NE(control, nullptr);
    WindowRef dialogRef(&dialog);
    auto attached = std::make_unique<ContainerElement>();
    ContainerElement& element = *attached;
    EXPECT_FALSE(element.AttachToDialogItem(&dialogRef, 1042)) << "no property list yet";
    ASSERT_TRUE(element.SetPropertyList(ElementProperties()));
    EXPECT_FALSE(element.AttachToDialogItem(&dialogRef, 999));
    ASSERT_TRUE(element.AttachToDialogItem(&dialogRef, 1042));
    EXPECT_EQ(element.GetBounds(), CGfxRect(30, 40, 109, 63));
    EXPECT_TRUE(element.HitTest(CGfxPoint(30, 40)));
    EXPECT_EQ(element.GetControlId(), 1042);
    EXPECT_STREQ(element.GetText().GetString(), "Apply");
    EXPECT_EQ(HwndOf(element.GetParentRef()), dialog.GetSafeHwnd());
    EXPECT_EQ(element.GetHwnd(), control);
    attached.reset();
    EXPECT_TRUE(IsWindow(control)) << "the dialog keeps its control";
    dialog.DestroyWindow();
}

TEST_F(PanelElementTest, AReferenceToAWindowThatWentAwayIsDead)
{
    auto element = MakeContainer(CGfxRect(0, 0, 9, 9));
    WindowRef reference(element->GetWnd(), element.get());
    EXPECT_FALSE(reference.IsDead());
    DestroyWindow(element->GetHwnd());
    EXPECT_TRUE(reference.IsDead());
    EXPECT_EQ(reference.GetWnd(), nullptr);
    EXPECT_FALSE(element->HasWindow());
    element->Invalidate(nullptr, TRUE);
    element->Show(true);
    EXPECT_EQ(element->GetClientRect(), CGfxRect());
}

} // namespace
