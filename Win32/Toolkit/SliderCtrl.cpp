#include "Win32/Toolkit/SliderCtrl.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

using EP = ElementProperties;
using BP = ButtonElementProperties;
using SP = SliderElementProperties;

constexpr DWORD kStepButtonStyle = 0x5003000B; // child, visible, group, tab stop, owner-drawn
constexpr LONG kStepRepeatMilliseconds = 300;
constexpr const char* kBuiltInFormat = "%3d";
constexpr const char* kDecimalFormat = "%.1f";

const KLSliderCtrl::StepTable* StepTableFor(INT stepButtons, bool vertical)
{
    if (stepButtons <= 0)
        return nullptr;
    if (stepButtons == 1)
        return vertical ? &KLSliderCtrl::kVerticalSteps1 : &KLSliderCtrl::kHorizontalSteps1;
    return vertical ? &KLSliderCtrl::kVerticalSteps2 : &KLSliderCtrl::kHorizontalSteps2;
}

// Where a printf conversion ends: past flags, width, precision and
// the conversion letter. Null when it holds '*', a length modifier or no
// conversion at all.
const char* IntegerConversionEnd(const char* at)
{
    at += std::strspn(at, "-+ #0");
    while (std::isdigit(static_cast<unsigned char>(*at)))
        ++at;
    if (*at == '.') {
        ++at;
        while (std::isdigit(static_cast<unsigned char>(*at)))
            ++at;
    }
    return *at != '\0' && std::strchr("diouxX", *at) ? at + 1 : nullptr;
}

} // namespace

KLSliderCtrl::KLSliderCtrl() = default;

KLSliderCtrl::~KLSliderCtrl()
{
    m_pSlider = nullptr;
    m_pStepButton1 = m_pStepButton2 = nullptr;
}

bool KLSliderCtrl::IsIntegerFormat(const char* format)
{
    if (!format)
        return false;
    int conversions = 0;
    for (const char* at = format; *at;) {
        if (*at != '%') {
            ++at;
        } else if (at[1] == '%') {
            at += 2;
        } else {
            at = IntegerConversionEnd(at + 1);
            if (!at || ++conversions > 1)
                return false;
        }
    }
    return conversions == 1;
}

RECT KLSliderCtrl::FitToTrack(const RECT& placeholder, SIZE track, SIZE extra)
{
    const LONG dx = (extra.cx + track.cx - (placeholder.right - placeholder.left) - 1) / 2;
    const LONG dy = (extra.cy + track.cy - (placeholder.bottom - placeholder.top) - 1) / 2;
    return RECT{placeholder.left - dx, placeholder.top - dy, placeholder.right + dx, placeholder.bottom + dy};
}

void KLSliderCtrl::Show(bool show)
{
    for (PanelElement* part : {static_cast<PanelElement*>(m_pSlider), static_cast<PanelElement*>(m_pStepButton1),
                               static_cast<PanelElement*>(m_pStepButton2)})
        if (part)
            part->Show(show);
}

void KLSliderCtrl::Enable(bool enable)
{
    for (PanelElement* part : {static_cast<PanelElement*>(m_pSlider), static_cast<PanelElement*>(m_pStepButton1),
                               static_cast<PanelElement*>(m_pStepButton2)})
        if (part)
            part->Enable(enable);
}

bool KLSliderCtrl::OnPanelMessage(ElementMessage* message, LRESULT* result)
{
    if (result)
        *result = 0;
    if (!message)
        return false;
    const UINT code = message->GetMessage();
    if ((code == WM_HSCROLL || code == WM_VSCROLL) && m_pParent && m_pParent->GetSafeHwnd())
        ::SendMessageA(m_pParent->GetSafeHwnd(), code, message->GetWParam(), message->GetLParam());
    return false;
}

bool KLSliderCtrl::OnCommand(UINT id, UINT, void*)
{
    if (id != static_cast<UINT>(kStepUp) && id != static_cast<UINT>(kStepDown))
        return true;
    const INT d = GetPos();
    // Up moves a vertical slider toward its minimum (its top), a horizontal
    // one toward its maximum; down the other way.
    const bool towardMaximum = (id == static_cast<UINT>(kStepUp)) != IsVertical();
    INT next = d;
    if (towardMaximum && d < m_nMaximum)
        next = d + 1;
    else if (!towardMaximum && m_nMinimum < d)
        next = d - 1;
    if (next == d || !SetPos(next))
        return true;
    HWND dialog = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    if (dialog && m_pSlider) {
        const WPARAM wParam = (static_cast<WPARAM>(static_cast<WORD>(next)) << 16) + SB_ENDSCROLL;
        ::PostMessageA(dialog, IsVertical() ? WM_VSCROLL : WM_HSCROLL, wParam,
                       reinterpret_cast<LPARAM>(m_pSlider->GetHwnd()));
    }
    return true;
}

bool KLSliderCtrl::CreateOnDialogItem(INT controlId, CWnd* parent, INT minimum, INT maximum, INT position,
                                      INT vertical, UINT trackBitmap, UINT thumbBitmap, INT stepButtons)
{
    m_nDialogItemId = controlId;
    m_pParent = parent;
    m_nMinimum = minimum;
    m_nMaximum = maximum;
    m_nPosition = position;
    m_nVertical = vertical;
    m_nTrackBitmap = trackBitmap;
    m_nThumbBitmap = thumbBitmap;
    m_nStepButtons = stepButtons;
    m_nStepRowCount = stepButtons > 0 ? 2 : 0;
    m_pStepTable = StepTableFor(stepButtons, IsVertical());
    m_rect = RECT{0, 0, 0, 0};

    HWND dialog = parent ? parent->GetSafeHwnd() : nullptr;
    HWND placeholder = dialog ? ::GetDlgItem(dialog, controlId) : nullptr;
    if (placeholder) {
        CResourceSwitch bitmaps(kResourceBitmaps);
        ::GetWindowRect(placeholder, &m_rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&m_rect), 2);
        const UINT track = trackBitmap ? trackBitmap : IsVertical() ? kVerticalTrack : kHorizontalTrack;
        CResourceLoader loader;
        std::unique_ptr<CGdiBitmap> image(loader.LoadBitmapById(track));
        if (image) {
            const CGfxSize size = image->GetSize();
            const LONG extra = m_nStepRowCount ? kStepRoom : 0;
            m_rect = FitToTrack(m_rect, SIZE{size.cx, size.cy}, IsVertical() ? SIZE{0, extra} : SIZE{extra, 0});
            ::SetWindowPos(placeholder, nullptr, 0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    WindowRef parentRef(parent);
    ElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(controlId + kDialogIdOffset)));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kStyle)));
    list.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(m_rect.left, m_rect.top, m_rect.right - 1, m_rect.bottom - 1)));
    list.SetProperty(EP::kParent, WindowRefValue(&parentRef));
    list.SetProperty(EP::kOwner, WindowRefValue(&parentRef));
    return Create(list) != 0;
}

bool KLSliderCtrl::CreateWindow()
{
    const CRGBColor key(255, 0, 255);
    if (!ContainerElement::CreateWindow())
        return false;
    CResourceSwitch bitmaps(kResourceBitmaps);
    CResourceLoader loader;
    // Without a placeholder the slider has no size, and there is nothing for
    // a fitted background to cover.
    const bool hasArea = m_rect.right > m_rect.left && m_rect.bottom > m_rect.top;
    if (hasArea && !SetBackgroundBitmap(m_nBackgroundId, &loader, nullptr, TRUE))
        return false;
    SizeToBackground();
    WindowRef self(m_pWnd, this);
    if (m_pStepTable) {
        BitmapButtonElement** made[] = {&m_pStepButton1, &m_pStepButton2};
        for (INT i = 0; i < m_nStepRowCount; ++i)
            if (!BuildStepButton((*m_pStepTable)[i], i, self, &key, *made[i]))
                return false;
    }
    return CreateInnerSlider(self, &key);
}

bool KLSliderCtrl::BuildStepButton(const ButtonTableRow& row, INT index, WindowRef& self, const CColor* key,
                                   BitmapButtonElement*& made)
{
    ButtonElementProperties list;
    list.SetProperty(EP::kParent, WindowRefValue(&self));
    list.SetProperty(EP::kOwner, WindowRefValue(&self));
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(row.id)));
    list.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(row.x, row.y, row.x + row.width, row.y + row.height)));
    list.SetProperty(BP::kAutoRepeat, CTaggedValue(LONG{1}));
    list.SetProperty(BP::kRepeatInterval, CTaggedValue(kStepRepeatMilliseconds));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kStepButtonStyle)));
    list.SetProperty(BP::kStateCount, CTaggedValue(static_cast<LONG>(row.states)));
    auto button = std::make_unique<BitmapButtonElement>();
    if (!button->Create(list))
        return false;
    if (!button->LoadBitmaps(static_cast<UINT>(row.up), static_cast<UINT>(row.down), static_cast<UINT>(row.focus),
                             static_cast<UINT>(row.disabled), key, key, key, key)) {
        TRACE("QKLControlPanel: Unable to load bitmaps (button %d)\n", index);
        return true;
    }
    button->SizeToBackground();
    made = button.get();
    if (!AddChild(button.release())) {
        made = nullptr;
        return false;
    }
    return true;
}

bool KLSliderCtrl::CreateInnerSlider(WindowRef& self, const CColor* key)
{
    const LONG w = m_rect.right - m_rect.left, h = m_rect.bottom - m_rect.top;
    const LONG along = m_nStepRowCount ? kStepButtonLength : 0;
    const CGfxRect bounds = IsVertical() ? CGfxRect(0, along, w, h) : CGfxRect(along, 0, w, h);
    SliderElementProperties list;
    list.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(m_nDialogItemId)));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kStyle)));
    list.SetProperty(EP::kBounds, CTaggedValue(bounds));
    list.SetProperty(EP::kParent, WindowRefValue(&self));
    list.SetProperty(EP::kOwner, WindowRefValue(&self));
    list.SetProperty(SP::kOrientation, CTaggedValue(static_cast<LONG>(IsVertical() ? 1 : 0)));
    list.SetProperty(SP::kMinimum, CTaggedValue(static_cast<LONG>(m_nMinimum)));
    list.SetProperty(SP::kMaximum, CTaggedValue(static_cast<LONG>(m_nMaximum)));
    list.SetProperty(SP::kPosition, CTaggedValue(static_cast<LONG>(m_nPosition)));
    auto slider = std::make_unique<SliderElement>();
    if (!slider->Create(list))
        return false;
    const UINT track = m_nTrackBitmap ? m_nTrackBitmap : IsVertical() ? kVerticalTrack : kHorizontalTrack;
    const UINT thumb = m_nThumbBitmap ? m_nThumbBitmap : IsVertical() ? kVerticalThumb : kHorizontalThumb;
    const UINT disabled = m_nThumbBitmap        ? m_nThumbBitmap
                          : IsVertical() ? kVerticalThumbDisabled
                                         : kHorizontalThumbDisabled;
    slider->SetBitmaps(track, thumb, thumb, thumb, disabled, nullptr, key, key, key, key);
    slider->SizeToBackground();
    SliderElement* inner = slider.get();
    if (!AddChild(slider.release()))
        return false;
    m_pSlider = inner;
    return true;
}

LONG KLSliderCtrl::SliderLong(INT id, bool& found)
{
    LONG value = 0;
    const CTaggedValue* stored = m_pSlider ? m_pSlider->GetProperty(id) : nullptr;
    found = stored && stored->CopyLong(value);
    return value;
}

BOOL KLSliderCtrl::SetPos(INT value)
{
    if (!m_pSlider)
        return FALSE;
    // The slider stores the clamped position before the caller's value, so
    // the list's own changed flag misses every change within the range:
    // compare with the value held before instead.
    bool found = false;
    const LONG before = SliderLong(SP::kPosition, found);
    const INT result = m_pSlider->SetProperty(SP::kPosition, CTaggedValue(static_cast<LONG>(value)), nullptr);
    return result >= 0 && (!found || before != value) ? TRUE : FALSE;
}

INT KLSliderCtrl::GetPos()
{
    bool found = false;
    return SliderLong(SP::kPosition, found);
}

void KLSliderCtrl::SetRange(INT minimum, INT maximum)
{
    m_nMinimum = minimum;
    m_nMaximum = maximum;
    if (!m_pSlider)
        return;
    bool found = false;
    const LONG currentMaximum = SliderLong(SP::kMaximum, found);
    const CTaggedValue low(static_cast<LONG>(minimum)), high(static_cast<LONG>(maximum));
    if (SetsMinimumFirst(minimum, currentMaximum)) {
        m_pSlider->SetProperty(SP::kMinimum, low, nullptr);
        m_pSlider->SetProperty(SP::kMaximum, high, nullptr);
    } else {
        m_pSlider->SetProperty(SP::kMaximum, high, nullptr);
        m_pSlider->SetProperty(SP::kMinimum, low, nullptr);
    }
}

bool KLSliderCtrl::GetRange(INT& minimum, INT& maximum)
{
    bool hasMinimum = false, hasMaximum = false;
    const LONG low = SliderLong(SP::kMinimum, hasMinimum);
    const LONG high = SliderLong(SP::kMaximum, hasMaximum);
    if (!hasMinimum || !hasMaximum)
        return false;
    minimum = low;
    maximum = high;
    return true;
}

bool KLSliderCtrl::SetText(const char* text)
{
    if (!m_hValueLabel || !::IsWindow(m_hValueLabel))
        return false;
    ::SetWindowTextA(m_hValueLabel, text);
    return true;
}

bool KLSliderCtrl::SetValueText(INT value)
{
    if (!m_hValueLabel || !::IsWindow(m_hValueLabel))
        return false;
    CGfxString format;
    if (m_nFormatId != 0) {
        CResourceSwitch language(kResourceLanguage);
        CResourceLoader loader;
        int length = 0;
        if (!loader.LoadString(m_nFormatId, format, &length))
            format = CGfxString();
    }
    const char* chosen = IsIntegerFormat(format.GetString()) ? format.GetString() : kBuiltInFormat;
    char text[256];
    std::snprintf(text, sizeof text, chosen, value);
    return SetText(text);
}

bool KLSliderCtrl::SetValueText(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, kDecimalFormat, value);
    if (m_chDecimal)
        LocalizeDecimalPoint(text, m_chDecimal);
    else
        LocalizeDecimalPoint(text);
    return SetText(text);
}
