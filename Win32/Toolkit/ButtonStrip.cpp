#include "Win32/Toolkit/ButtonStrip.h"

#include <memory>

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/TransparentButtonElement.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

using EP = ElementProperties;
using BP = ButtonElementProperties;

constexpr UINT kBackground = 1071;
constexpr int kButtonWidth = 27;
constexpr int kButtonHeight = 21;
constexpr LONG kStripStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr LONG kButtonStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_OWNERDRAW;
constexpr int kMirroredMode = 0;
constexpr int kPlacedMode = 3;
constexpr UINT kCentreMark = 289;

struct StripButton {
    int x, y;
    UINT bitmap;
};

constexpr StripButton kButtons[KLButtonStrip::kButtonCount] = {
    {3, 3, 1072},  {30, 3, 1073},  {57, 3, 1074},  {3, 24, 1075}, {30, 24, 1076},
    {57, 24, 1077}, {3, 45, 1078}, {30, 45, 1079}, {57, 45, 1080},
};

// The picture of each grid place: arrows toward the place from the centre.
constexpr UINT kPictures[KLButtonStrip::kButtonCount] = {291, 290, 292, 294, 289, 293, 288, 286, 287};

} // namespace

KLButtonStrip::~KLButtonStrip() = default;

UINT KLButtonStrip::PictureFor(int mode, int index)
{
    if (index < 0 || index >= kButtonCount)
        return 0;
    if (mode == kMirroredMode)
        return kPictures[kButtonCount - 1 - index];
    if (mode == kPlacedMode)
        return kPictures[index];
    return kCentreMark;
}

TransparentButtonElement* KLButtonStrip::ButtonAt(int index)
{
    if (index < 0 || index >= kButtonCount)
        return nullptr;
    for (INT i = 0; i < m_children.GetCount(); ++i)
        if (m_children.GetAt(i)->GetControlId() == static_cast<INT>(kFirstButtonId) + index)
            return dynamic_cast<TransparentButtonElement*>(m_children.GetAt(i));
    return nullptr;
}

bool KLButtonStrip::CreateOnDialogItem(int controlId, CWnd* dialog)
{
    HWND control = dialog ? ::GetDlgItem(dialog->GetSafeHwnd(), controlId) : nullptr;
    if (!control)
        return false;
    CRect place;
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, dialog->GetSafeHwnd(), reinterpret_cast<POINT*>(&place), 2);
    return Create(place.left, place.top, place.right, place.bottom, dialog);
}

bool KLButtonStrip::Create(int left, int top, int right, int bottom, CWnd* dialog)
{
    WindowRef parent(dialog);
    ElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(kFirstButtonId)));
    list.SetProperty(EP::kStyle, CTaggedValue(kStripStyle));
    list.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(left, top, right - 1, bottom - 1)));
    list.SetProperty(EP::kParent, WindowRefValue(&parent));
    list.SetProperty(EP::kOwner, WindowRefValue(&parent));
    list.SetProperty(EP::kDrag, CTaggedValue(LONG{1}));
    list.SetProperty(EP::kFixed, CTaggedValue(LONG{0}));
    if (!PanelElement::Create(list))
        return false;
    m_pOwner = dialog;
    SetMode(kMirroredMode, kCentre);
    return true;
}

bool KLButtonStrip::CreateWindow()
{
    CResourceSwitch bitmaps(kResourceBitmaps);
    if (!ContainerElement::CreateWindow())
        return false;
    if (!SetBackgroundBitmap(kBackground, nullptr, nullptr, FALSE))
        return false;
    SizeToBackground();
    WindowRef self(m_pWnd, this);
    for (int i = 0; i < kButtonCount; ++i) {
        const StripButton& place = kButtons[i];
        BP list;
        list.SetProperty(EP::kParent, WindowRefValue(&self));
        list.SetProperty(EP::kOwner, WindowRefValue(&self));
        list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(kFirstButtonId) + i));
        list.SetProperty(EP::kBounds,
                         CTaggedValue(CGfxRect(place.x, place.y, place.x + kButtonWidth, place.y + kButtonHeight)));
        list.SetProperty(EP::kStyle, CTaggedValue(kButtonStyle));
        list.SetProperty(BP::kStateCount, CTaggedValue(LONG{2}));
        auto button = std::make_unique<TransparentButtonElement>();
        if (!button->Create(list))
            return false;
        button->LoadBitmaps(place.bitmap, place.bitmap, 0, 0, nullptr, nullptr, nullptr, nullptr);
        button->SizeToBackground();
        AddChild(button.release());
    }
    return true;
}

void KLButtonStrip::Select(int index)
{
    if (TransparentButtonElement* old = ButtonAt(m_nSelection)) {
        old->SetProperty(BP::kChecked, CTaggedValue(LONG{0}), nullptr);
        old->Redraw();
    }
    m_nSelection = index;
    if (TransparentButtonElement* now = ButtonAt(m_nSelection)) {
        now->SetProperty(BP::kChecked, CTaggedValue(LONG{1}), nullptr);
        now->Redraw();
    }
}

void KLButtonStrip::SetMode(int mode, int selection)
{
    m_nMode = mode;
    for (int i = 0; i < kButtonCount; ++i)
        if (TransparentButtonElement* button = ButtonAt(i))
            button->SetImageId(PictureFor(mode, i));
    Select(selection >= 0 && selection < kButtonCount ? selection : m_nSelection);
}

bool KLButtonStrip::OnCommand(UINT id, UINT, void*)
{
    if (id < kFirstButtonId || id >= kFirstButtonId + kButtonCount)
        return false;
    Select(static_cast<int>(id - kFirstButtonId));
    if (m_pOwner && ::IsWindow(m_pOwner->GetSafeHwnd()))
        ::SendMessageA(m_pOwner->GetSafeHwnd(), kSelectionMessage, static_cast<WORD>(m_nMode), m_nSelection);
    return true;
}
