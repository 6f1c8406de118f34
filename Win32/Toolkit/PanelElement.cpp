#include "Win32/Toolkit/PanelElement.h"

#include <algorithm>
#include <cstring>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Imaging/WindowTimer.h"
#include "Win32/Toolkit/ElementBitmaps.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/FramePainter.h"
#include "Win32/Toolkit/WindowRef.h"

namespace {

using EP = ElementProperties;

// Ids the element keeps only in its list once created.
constexpr INT kWriteOnceIds[] = {EP::kClassName, EP::kControlId, EP::kReserved1, EP::kReserved2, EP::kReserved3};

bool IsWriteOnceId(INT id)
{
    for (INT fixed : kWriteOnceIds)
        if (fixed == id)
            return true;
    return false;
}

bool ReadLong(const CPropertyList& list, INT id, LONG& out)
{
    const CTaggedValue* value = list.GetProperty(id);
    return value && CTaggedValue::IsIntegerType(value->GetType()) && value->CopyLong(out);
}

template <typename Int>
bool ReadInt(const CPropertyList& list, INT id, Int& out)
{
    LONG value = 0;
    if (!ReadLong(list, id, value))
        return false;
    out = static_cast<Int>(value);
    return true;
}

bool ReadString(const CPropertyList& list, INT id, CGfxString& out)
{
    const CTaggedValue* value = list.GetProperty(id);
    return value && value->GetType() == TVT_STRING && value->CopyString(out);
}

// A pointer property, which must hold a pointer (null allowed).
bool ReadPointer(const CPropertyList& list, INT id, void*& out)
{
    const CTaggedValue* value = list.GetProperty(id);
    if (!value || value->GetType() != TVT_POINTER)
        return false;
    out = value->GetPointer();
    return true;
}

void ReadValue(const CTaggedValue& value, INT& member)
{
    LONG read = 0;
    if (value.CopyLong(read))
        member = read;
}

std::unique_ptr<WindowRefBase> CloneOf(void* pointer)
{
    auto* reference = static_cast<WindowRefBase*>(pointer);
    return std::unique_ptr<WindowRefBase>(reference ? reference->Clone() : nullptr);
}

} // namespace

CTaggedValue WindowRefValue(WindowRefBase* reference)
{
    return CTaggedValue(static_cast<void*>(reference));
}

PanelElement::PanelElement() = default;

PanelElement::~PanelElement()
{
    Reset();
}

void PanelElement::Reset()
{
    m_pWindowRef.reset();
    m_pParent.reset();
    m_pOwner.reset();
    m_pProperties.reset();
    m_pBackground.reset();
    m_pFramePainter.reset();
    m_pFont.reset();
    KillOwnTimer();
    m_extensions1.clear();
    m_extensions2.clear();
    m_strClassName = CGfxString();
    m_strText = CGfxString();
    m_rcBounds = CGfxRect(0, 0, 0, 0);
    m_nReserved1 = m_nControlId = m_nReserved2 = 0;
    m_dwStyle = 0;
    m_nAutoStart = m_nReserved3 = m_nDrag = 0;
    m_nFixed = 1;
    m_crBackground = CRGBColor(255, 255, 255);
    m_crText = CRGBColor(0, 0, 0);
    m_nBackgroundMode = kNoBackground;
    m_nTimerId = m_nTimerElapse = 0;
}

CTaggedValue* PanelElement::GetProperty(INT id)
{
    return m_pProperties ? m_pProperties->GetProperty(id) : nullptr;
}

INT PanelElement::SetListValue(INT id, const CTaggedValue& value, BOOL* changed)
{
    if (!m_pProperties)
        return kNoSuchProperty;
    return m_pProperties->SetProperty(id, value, changed);
}

INT PanelElement::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    if (changed)
        *changed = FALSE;
    if (id < EP::kFixed || id > EP::kClassName)
        return kNoSuchProperty;
    if (IsWriteOnceId(id))
        return kFixedAfterCreation;
    // The list checks the kind first, so a refused value changes no member.
    const CTaggedValue* current = GetProperty(id);
    if (current && !ElementProperties::IsSameKind(*current, value))
        return ElementProperties::kWrongKind;
    switch (id) {
    case EP::kFixed:
        ReadValue(value, m_nFixed);
        break;
    case EP::kDrag:
        ReadValue(value, m_nDrag);
        break;
    case EP::kAutoStart:
        ReadValue(value, m_nAutoStart);
        break;
    case EP::kStyle: {
        LONG style = 0;
        if (value.CopyLong(style))
            m_dwStyle = static_cast<DWORD>(style);
        break;
    }
    case EP::kParent:
    case EP::kOwner: {
        // The list keeps the pointer of the element's own clone.
        std::unique_ptr<WindowRefBase>& member = id == EP::kParent ? m_pParent : m_pOwner;
        member = CloneOf(value.GetPointer());
        return SetListValue(id, WindowRefValue(member.get()), changed);
    }
    case EP::kText:
        value.CopyString(m_strText);
        break;
    default:
        break;
    }
    return SetListValue(id, value, changed);
}

bool PanelElement::HitTest(const CGfxPoint& point)
{
    return point.x >= m_rcBounds.left && point.x <= m_rcBounds.right && point.y >= m_rcBounds.top &&
           point.y <= m_rcBounds.bottom;
}

void PanelElement::Show(bool) {}
WindowRefBase* PanelElement::Activate() { return nullptr; }
void PanelElement::Enable(bool) {}
WindowRefBase* PanelElement::SetFocus() { return nullptr; }
void PanelElement::OnMouseEnter() {}
void PanelElement::OnMouseLeave() {}
CDrawContext* PanelElement::GetDrawContext() { return nullptr; }
void PanelElement::ReleaseDrawContext(CDrawContext*) {}
void PanelElement::Invalidate(const CGfxRect*, BOOL) {}
void PanelElement::Validate(const CGfxRect*) {}

bool PanelElement::GetUpdateRect(CGfxRect& out, BOOL)
{
    out = CGfxRect();
    return false;
}

void PanelElement::Redraw()
{
    CDrawContext* context = GetDrawContext();
    if (!context)
        return;
    Paint(context, GetLocalRect(), CGfxPoint());
    ReleaseDrawContext(context);
}

void PanelElement::Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin)
{
    if (!context)
        return;
    if (m_pBackground && m_pBackground->IsValid())
        context->DrawBitmap(m_pBackground.get(), target, origin, SRCCOPY);
    else if (!target.IsEmpty())
        context->FillRectF(CGfxRectF(target), m_crBackground);
    if (m_pFramePainter)
        m_pFramePainter->Paint(context, m_rcFrame);
}

bool PanelElement::OnPanelMessage(ElementMessage*, LRESULT*) { return false; }
bool PanelElement::OnCommand(UINT, UINT, void*) { return false; }
bool PanelElement::OnUpdateCommandUI(UINT, CCmdUI*) { return false; }
LRESULT PanelElement::SendMessage(const ElementMessage&) { return 0; }

template <typename Key>
bool PanelElement::LoadBackground(const Key& key, CResourceLoader* loader, const CColor* transparent, BOOL fit)
{
    m_pBackground.reset();
    CResourceLoader current;
    CResourceLoader& from = loader ? *loader : current;
    std::unique_ptr<CGdiBitmap> loaded = LoadResourceBitmap(from, key);
    if (!loaded || !loaded->IsValid())
        return false;
    if (fit) {
        m_sizeNatural = loaded->GetSize();
        CDrawContext* context = GetDrawContext();
        std::unique_ptr<CGdiBitmap> fitted =
            CopyBitmapArea(context, *loaded, CGfxPoint(), CGfxSize(m_rcBounds.Width(), m_rcBounds.Height()));
        if (context)
            ReleaseDrawContext(context);
        if (!fitted)
            return false;
        m_pBackground = std::move(fitted);
        m_nBackgroundMode = kFittedBackground;
    } else {
        m_pBackground = std::move(loaded);
        m_nBackgroundMode = kNaturalBackground;
    }
    m_pBackground->SetTransparentColor(transparent, nullptr);
    SizeToBackground();
    return true;
}

bool PanelElement::SetBackgroundBitmap(UINT id, CResourceLoader* loader, const CColor* transparent, BOOL fit)
{
    return LoadBackground(id, loader, transparent, fit);
}

bool PanelElement::SetBackgroundBitmap(const CGfxString& name, CResourceLoader* loader, const CColor* transparent,
                                       BOOL fit)
{
    return LoadBackground(name, loader, transparent, fit);
}

template <typename Key>
bool PanelElement::MakeFramePainter(const Key& key, WORD cells, WORD edgeMask, const CGfxRect& frame,
                                    const CColor* transparent)
{
    m_pFramePainter.reset();
    auto painter = std::make_unique<FramePainter>();
    FramePainterProperties properties;
    CTaggedValue mask, count;
    mask.SetUInt16(edgeMask);
    count.SetUInt16(cells);
    if (properties.SetProperty(FramePainterProperties::kEdgeMask, mask) != 0 ||
        properties.SetProperty(FramePainterProperties::kCellCount, count) != 0 || !painter->SetProperties(properties) ||
        !painter->LoadStrip(key, transparent))
        return false;
    m_pFramePainter = std::move(painter);
    m_rcFrame = frame;
    return true;
}

bool PanelElement::SetFramePainter(UINT id, CResourceLoader*, WORD cells, WORD edgeMask, const CGfxRect& frame,
                                   const CColor* transparent)
{
    return MakeFramePainter(id, cells, edgeMask, frame, transparent);
}

bool PanelElement::SetFramePainter(const CGfxString& name, CResourceLoader*, WORD cells, WORD edgeMask,
                                   const CGfxRect& frame, const CColor* transparent)
{
    return MakeFramePainter(name, cells, edgeMask, frame, transparent);
}

bool PanelElement::SizeToBackground() { return true; }
bool PanelElement::SetBounds(const CGfxRect&, BOOL) { return true; }
CGfxRect PanelElement::GetClientRect() { return CGfxRect(); }
CGfxRect PanelElement::GetWindowRect() { return CGfxRect(); }
CGfxRect PanelElement::MapRectTo(const WindowRefBase*, const CGfxRect& rect) { return rect; }
CGfxPoint PanelElement::MapPointTo(const WindowRefBase*, const CGfxPoint& point) { return point; }
CGfxRect PanelElement::ClientToScreen(const CGfxRect& rect) { return rect; }
CGfxPoint PanelElement::ClientToScreen(const CGfxPoint& point) { return point; }
CGfxRect PanelElement::ScreenToClient(const CGfxRect& rect) { return rect; }
CGfxPoint PanelElement::ScreenToClient(const CGfxPoint& point) { return point; }
void PanelElement::MoveTo(const CGfxRect&, BOOL) {}
void PanelElement::DragBy(const CGfxPoint&, const CGfxPoint&) {}
bool PanelElement::OnChildMoved(PanelElement*) { return true; }
HCURSOR PanelElement::SetCursor(HCURSOR) { return nullptr; }
int PanelElement::MessageBox(const CGfxString&, const CGfxString&, UINT) { return 0; }

void PanelElement::SetFont(CGdiFont* font, const CRGBColor& textColour, BOOL redraw)
{
    LOGFONTA logFont{};
    if (!font || !font->GetLogFont(&logFont))
        return;
    auto copy = std::make_unique<CGdiFont>(&logFont);
    if (!copy->GetHandle())
        return;
    m_crText = textColour;
    if (HWND window = OwnHwnd())
        SendMessage(ElementMessage(window, WM_SETFONT, reinterpret_cast<WPARAM>(copy->GetHandle()), redraw));
    m_pFont = std::move(copy);
    if (redraw)
        Redraw();
}

CGdiFont* PanelElement::GetFont()
{
    if (!m_pFont) {
        LOGFONTA logFont{};
        logFont.lfHeight = -16;
        logFont.lfWeight = 700;
        std::strcpy(logFont.lfFaceName, "Arial");
        m_pFont = std::make_unique<CGdiFont>(&logFont);
    }
    return m_pFont.get();
}

bool PanelElement::SetTimer(WORD id, WORD elapse, BOOL)
{
    KillOwnTimer();
    m_nTimerId = id;
    m_nTimerElapse = elapse;
    return true;
}

void PanelElement::KillOwnTimer()
{
    if (m_pTimer)
        m_pTimer->Kill();
    m_pTimer.reset();
}

void PanelElement::KillTimer()
{
    KillOwnTimer();
}

bool PanelElement::IsTimerRunning() const
{
    return m_pTimer && m_pTimer->IsArmed();
}

bool PanelElement::AttachToDialogItem(const WindowRefBase*, INT) { return false; }

ElementProperties* PanelElement::CreatePropertyList()
{
    return new ElementProperties;
}

void PanelElement::OnCreated()
{
    m_extensions1.emplace_back();
    m_extensions2.emplace_back();
}

INT PanelElement::GetKind()
{
    return kPlainKind;
}

BOOL PanelElement::SetPropertyList(const CPropertyList& properties)
{
    std::unique_ptr<ElementProperties> copy(CreatePropertyList());
    if (!copy)
        return FALSE;
    static_cast<CPropertyList&>(*copy) = properties;
    m_pProperties = std::move(copy);
    return TRUE;
}

INT PanelElement::Create(const CPropertyList& properties)
{
    if (!SetPropertyList(properties) || !ReadStandardProperties() || !CreateWindow()) {
        Reset();
        return 0;
    }
    OnCreated();
    GetFont();
    return 1;
}

bool PanelElement::ReadStandardProperties()
{
    const ElementProperties& list = *m_pProperties;
    void* parent = nullptr;
    void* owner = nullptr;
    if (!ReadString(list, EP::kClassName, m_strClassName) || !ReadString(list, EP::kText, m_strText) ||
        !ReadInt(list, EP::kReserved1, m_nReserved1) || !ReadInt(list, EP::kControlId, m_nControlId) ||
        !ReadInt(list, EP::kReserved2, m_nReserved2) || !ReadInt(list, EP::kStyle, m_dwStyle))
        return false;
    const CTaggedValue* bounds = list.GetProperty(EP::kBounds);
    if (!bounds || !bounds->CopyRect(m_rcBounds) || !ReadPointer(list, EP::kParent, parent) ||
        !ReadPointer(list, EP::kOwner, owner))
        return false;
    m_pParent = CloneOf(parent);
    m_pOwner = CloneOf(owner);
    SetListValue(EP::kParent, WindowRefValue(m_pParent.get()));
    SetListValue(EP::kOwner, WindowRefValue(m_pOwner.get()));
    return ReadInt(list, EP::kAutoStart, m_nAutoStart) && ReadInt(list, EP::kReserved3, m_nReserved3) &&
           ReadInt(list, EP::kDrag, m_nDrag) && ReadInt(list, EP::kFixed, m_nFixed);
}

bool PanelElement::HasWindow() const
{
    return m_pWindowRef && !m_pWindowRef->IsDead();
}

bool PanelElement::IsSameKind(PanelElement* other)
{
    return other && other->GetKind() == GetKind();
}

CGfxRect PanelElement::GetLocalRect() const
{
    return CGfxRect(0, 0, m_rcBounds.right - m_rcBounds.left, m_rcBounds.bottom - m_rcBounds.top);
}

PanelElement* PanelElement::GetParentElement() const
{
    return m_pParent ? m_pParent->GetElement() : nullptr;
}

void PanelElement::StoreBounds(const CGfxRect& bounds)
{
    m_rcBounds = bounds;
    SetListValue(EP::kBounds, CTaggedValue(bounds));
}

HWND PanelElement::OwnHwnd() const
{
    return HwndOf(m_pWindowRef.get());
}

void PanelElement::ScaleFrame(const CGfxRect& bounds)
{
    const double oldWidth = m_rcBounds.right - m_rcBounds.left + 1;
    const double oldHeight = m_rcBounds.bottom - m_rcBounds.top + 1;
    if (!m_pFramePainter || oldWidth <= 0 || oldHeight <= 0)
        return;
    const double newWidth = bounds.right - bounds.left + 1;
    const double newHeight = bounds.bottom - bounds.top + 1;
    // The frame rectangle is local: its offsets are already relative to the
    // bounds, so the scaled frame keeps the local origin.
    const double fx = m_rcFrame.left, fy = m_rcFrame.top;
    const double fw = m_rcFrame.right - m_rcFrame.left + 1, fh = m_rcFrame.bottom - m_rcFrame.top + 1;
    CGfxRect scaled;
    scaled.left = static_cast<LONG>(fx / oldWidth * newWidth);
    scaled.top = static_cast<LONG>(fy / oldHeight * newHeight);
    scaled.right = scaled.left + static_cast<LONG>(fw / oldWidth * newWidth) - 1;
    scaled.bottom = scaled.top + static_cast<LONG>(newHeight * fh / oldHeight) - 1;
    m_rcFrame = scaled;
}
