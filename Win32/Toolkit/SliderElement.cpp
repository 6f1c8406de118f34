#include "Win32/Toolkit/SliderElement.h"

#include <memory>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/WindowRef.h"

namespace {

using SP = SliderElementProperties;
using EP = ElementProperties;

struct MarkerLook {
    CRGBColor colour;
    LONG lift; // pixels towards the top (horizontal) or left (vertical)
};

constexpr MarkerLook kMarkers[SliderElement::kMarkerCount] = {
    {CRGBColor(0, 0, 255), 2},
    {CRGBColor(255, 0, 0), 0},
    {CRGBColor(255, 255, 255), 0},
};

// Half away from zero.
LONG Round(double value)
{
    return static_cast<LONG>(value > 0 ? value + 0.5 : value - 0.5);
}

} // namespace

SliderElement::~SliderElement()
{
    m_pThumb = nullptr;
}

LONG SliderElement::ReadLong(INT id)
{
    LONG value = 0;
    if (const CTaggedValue* stored = GetProperty(id))
        stored->CopyLong(value);
    return value;
}

bool SliderElement::CreateWindow()
{
    if (!ContainerElement::CreateWindow())
        return false;
    WindowRef self(m_pWnd, this);
    ButtonElementProperties thumb;
    if (thumb.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(kThumbStyle))) != 0 ||
        thumb.SetProperty(EP::kControlId, CTaggedValue(static_cast<LONG>(m_nControlId + 1))) != 0 ||
        thumb.SetProperty(EP::kBounds, CTaggedValue(CGfxRect(0, 0, 20, 20))) != 0 ||
        thumb.SetProperty(EP::kParent, WindowRefValue(&self)) != 0 ||
        thumb.SetProperty(EP::kOwner, WindowRefValue(&self)) != 0 ||
        thumb.SetProperty(EP::kDrag, CTaggedValue(LONG{1})) != 0 ||
        thumb.SetProperty(EP::kFixed, CTaggedValue(LONG{0})) != 0)
        return false;
    auto button = std::make_unique<BitmapButtonElement>();
    if (!button->Create(thumb) || !AddChild(button.get()))
        return false;
    m_pThumb = button.release();
    return true;
}

ElementProperties* SliderElement::CreatePropertyList()
{
    return new SliderElementProperties;
}

void SliderElement::OnCreated()
{
    ContainerElement::OnCreated();
    m_extensions1.emplace_back();
    m_extensions2.emplace_back();
}

INT SliderElement::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    switch (id) {
    case SP::kOrientation:
        return kFixedAfterCreation;
    case SP::kMaximum:
    case SP::kMinimum: {
        const INT result = SetListValue(id, value, changed);
        Layout();
        return result;
    }
    case SP::kPosition: {
        const CTaggedValue* current = GetProperty(id);
        if (current && !ElementProperties::IsSameKind(*current, value))
            return ElementProperties::kWrongKind;
        LONG position = 0;
        value.CopyLong(position);
        SetPosition(position);
        return SetListValue(id, value, changed);
    }
    default:
        return ContainerElement::SetProperty(id, value, changed);
    }
}

bool SliderElement::SetBitmaps(UINT track, UINT thumbUp, UINT thumbDown, UINT thumbFocus, UINT thumbDisabled,
                               const CColor* trackColour, const CColor* upColour, const CColor* downColour,
                               const CColor* focusColour, const CColor* disabledColour)
{
    if (!m_pThumb || !SetBackgroundBitmap(track, nullptr, trackColour, FALSE) ||
        !m_pThumb->LoadBitmaps(thumbUp, thumbDown, thumbFocus, thumbDisabled, upColour, downColour, focusColour,
                               disabledColour))
        return false;
    m_pThumb->SizeToBackground();
    Layout();
    SetPosition(ReadLong(SP::kPosition));
    return true;
}

void SliderElement::Layout()
{
    m_nMaximum = ReadLong(SP::kMaximum);
    m_nMinimum = ReadLong(SP::kMinimum);
    m_nOrientation = static_cast<INT>(ReadLong(SP::kOrientation));
    const LONG width = m_rcBounds.Width(), height = m_rcBounds.Height();
    const CGfxRect thumb = m_pThumb ? m_pThumb->GetBounds() : CGfxRect();
    const LONG tw = thumb.Width(), th = thumb.Height();
    LONG travel;
    if (!IsVertical()) {
        const LONG top = height / 2 - th / 2 - 1;
        m_rcThumbHome = CGfxRect(0, top, tw - 1, top + th - 1);
        travel = width - tw;
        m_nHalfThumb = tw / 2;
    } else {
        const LONG left = width / 2 - tw / 2 - 1;
        m_rcThumbHome = CGfxRect(left, 0, left + tw - 1, th - 1);
        travel = height - th;
        m_nHalfThumb = th / 2;
    }
    // A range of one position has no pixels per unit: nothing is divided
    // by zero and every value shows at the home place.
    m_dPixelsPerUnit = m_nMaximum != m_nMinimum ? static_cast<double>(travel) / (m_nMaximum - m_nMinimum) : 0.0;
    Invalidate(nullptr, TRUE);
}

LONG SliderElement::Clamp(LONG value) const
{
    if (value < m_nMinimum)
        return m_nMinimum;
    if (value >= m_nMaximum)
        return m_nMaximum;
    return value;
}

void SliderElement::SetPosition(LONG value)
{
    const LONG clamped = Clamp(value);
    if (m_pThumb) {
        const LONG offset = Round((clamped - m_nMinimum) * m_dPixelsPerUnit);
        CGfxRect moved = m_rcThumbHome;
        if (IsVertical()) {
            moved.top += offset;
            moved.bottom += offset;
        } else {
            moved.left += offset;
            moved.right += offset;
        }
        const CGfxRect old = m_pThumb->GetBounds();
        CDrawContext* context = GetDrawContext();
        if (context)
            Paint(context, old, CGfxPoint(old.left, old.top));
        m_pThumb->MoveTo(moved, FALSE);
        if (context) {
            PaintThumb(context);
            ReleaseDrawContext(context);
        }
    }
    SetListValue(SP::kPosition, CTaggedValue(clamped));
}

LONG SliderElement::ValueAt(const CGfxPoint& point) const
{
    if (m_dPixelsPerUnit == 0.0)
        return m_nMinimum;
    const LONG x = Along(point) - m_nDragOffset - m_nHalfThumb;
    return Clamp(Round(x / m_dPixelsPerUnit) + m_nMinimum);
}

void SliderElement::MoveToPoint(const CGfxPoint& point, WORD code)
{
    SetPosition(ValueAt(point));
    Notify(code);
}

void SliderElement::Notify(WORD code)
{
    HWND parent = HwndOf(m_pParent.get());
    if (!parent)
        return;
    const LONG position = ReadLong(SP::kPosition);
    const WPARAM wParam = (static_cast<WPARAM>(static_cast<WORD>(position)) << 16) | code;
    const ElementMessage message(parent, IsVertical() ? WM_VSCROLL : WM_HSCROLL, wParam,
                                 reinterpret_cast<LPARAM>(GetHwnd()));
    if (PanelElement* element = GetParentElement())
        element->SendMessage(message);
    else
        ::SendMessageA(parent, message.GetMessage(), message.GetWParam(), message.GetLParam());
}

bool SliderElement::IsOnThumb(const CGfxPoint& point)
{
    return m_pThumb && m_children.FindAt(point) == m_pThumb;
}

void SliderElement::DragBy(const CGfxPoint&, const CGfxPoint& to)
{
    MoveToPoint(to, SB_THUMBTRACK);
}

bool SliderElement::OnButtonDown(UINT, const CGfxPoint& point, INT)
{
    if (!m_bEnabled)
        return false;
    if (IsOnThumb(point)) {
        ::SetCapture(GetHwnd());
        const CGfxRect& thumb = m_pThumb->GetBounds();
        m_nDragOffset = Along(point) - m_nHalfThumb - (IsVertical() ? thumb.top : thumb.left);
        m_ptLastDrag = point;
        m_bDragging = true;
    } else {
        m_nDragOffset = 0;
    }
    return false;
}

bool SliderElement::OnMouseMove(UINT flags, const CGfxPoint& point, INT)
{
    if (!m_bEnabled)
        return false;
    const bool onThumb = IsOnThumb(point);
    if (flags == MK_LBUTTON) {
        if (onThumb)
            m_bDragging = true;
        if (!m_bDragging)
            return false;
        m_pThumb->SelectImage(ButtonElement::kDownImage);
        DragBy(m_ptLastDrag, point);
        m_ptLastDrag = point;
        return true;
    }
    if (m_bDragging) {
        m_bDragging = false;
        MoveToPoint(m_ptLastDrag, SB_ENDSCROLL);
    }
    if (!onThumb)
        return false;
    m_pThumb->SelectImage(ButtonElement::kUpImage);
    if (CDrawContext* context = GetDrawContext()) {
        PaintThumb(context);
        ReleaseDrawContext(context);
    }
    m_ptLastDrag = point;
    return true;
}

bool SliderElement::OnButtonUp(UINT, const CGfxPoint& point, INT direct)
{
    if (!m_bEnabled)
        return false;
    if (m_bDragging)
        ::ReleaseCapture();
    if (direct == 0)
        return true;
    m_bDragging = false;
    MoveToPoint(point, SB_ENDSCROLL);
    return false;
}

void SliderElement::PaintThumb(CDrawContext* context)
{
    if (m_pThumb)
        m_pThumb->Paint(context, m_pThumb->GetBounds(), CGfxPoint());
}

bool SliderElement::OnPaint(CDrawContext* context, const CGfxRect&)
{
    PaintThumb(context);
    return true;
}

void SliderElement::Redraw()
{
    CDrawContext* context = GetDrawContext();
    if (!context)
        return;
    Paint(context, GetLocalRect(), CGfxPoint());
    PaintThumb(context);
    ReleaseDrawContext(context);
}

void SliderElement::Enable(bool enable)
{
    m_bEnabled = enable;
    if (m_pThumb)
        m_pThumb->Enable(enable);
    Redraw();
}

void SliderElement::Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin)
{
    ContainerElement::Paint(context, target, origin);
    if (!context)
        return;
    for (INT i = kMarkerCount - 1; i >= 0; --i) {
        const CGfxPoint& start = m_ptMarkerStart[i];
        const CGfxPoint& end = m_ptMarkerEnd[i];
        const bool shown = (!IsVertical() && (start.x != 0 || end.x != 0)) ||
                           (m_nOrientation == 1 && (start.y != 0 || end.y != 0));
        if (!shown)
            continue;
        CGdiPen pen(kMarkers[i].colour, 2, static_cast<int>(PS_SOLID));
        HGDIOBJ previous = ::SelectObject(context->GetHDC(), pen.GetHandle());
        context->MoveTo(start);
        context->LineTo(end);
        if (previous)
            ::SelectObject(context->GetHDC(), previous);
    }
}

void SliderElement::SetRangeMarker(INT index, LONG from, LONG to)
{
    if (index < 0 || index >= kMarkerCount)
        return;
    if (from == 0 && to == 0) {
        m_ptMarkerStart[index] = CGfxPoint();
        m_ptMarkerEnd[index] = CGfxPoint();
        Redraw();
        return;
    }
    const LONG u = static_cast<LONG>((Clamp(from) - m_nMinimum) * m_dPixelsPerUnit);
    const LONG t = static_cast<LONG>((Clamp(to) - m_nMinimum) * m_dPixelsPerUnit);
    const LONG lift = kMarkers[index].lift;
    if (!IsVertical()) {
        const LONG y = static_cast<LONG>(0.9 * m_rcBounds.Height()) - lift + 1;
        m_ptMarkerStart[index] = CGfxPoint(m_nHalfThumb + u, y);
        m_ptMarkerEnd[index] = CGfxPoint(m_nHalfThumb + t, y);
    } else {
        const LONG x = static_cast<LONG>(0.9 * m_rcBounds.Width()) - lift + 1;
        m_ptMarkerStart[index] = CGfxPoint(x, u);
        m_ptMarkerEnd[index] = CGfxPoint(x, t);
    }
    Redraw();
}
