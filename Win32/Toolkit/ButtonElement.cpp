#include "Win32/Toolkit/ButtonElement.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ButtonWindows.h"
#include "Win32/Toolkit/ElementBitmaps.h"
#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/WindowRef.h"

namespace {

using BP = ButtonElementProperties;

constexpr UINT kResizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
// DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP.
constexpr UINT kCaptionFormat = 0x125;
static_assert((DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP) == kCaptionFormat);

// Selects a font into a DC for the life of the object.
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : m_dc(dc), m_previous(::SelectObject(dc, font)) {}
    ~FontSelection()
    {
        if (m_previous)
            ::SelectObject(m_dc, m_previous);
    }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

bool TextFits(CDrawContext* context, CGdiFont* font, const CGfxString& text, const CGfxRect& rect)
{
    FontSelection selection(context->GetHDC(), font->GetHandle());
    CGfxSize extent;
    if (!context->GetTextExtent(text, extent))
        return false;
    return extent.cx <= rect.right - rect.left - 2 && extent.cy <= rect.bottom - rect.top - 2;
}

} // namespace

ButtonElement::ButtonElement() = default;

ButtonElement::~ButtonElement()
{
    DisconnectWindow();
    m_pCurrent = nullptr;
    m_pImage.reset();
}

void ButtonElement::DisconnectWindow()
{
    if (auto* link = dynamic_cast<ButtonWindowLink*>(m_pWnd))
        link->m_pElement = nullptr;
    ReleaseWindow();
    m_bTracking = false;
}

LONG ButtonElement::ReadListLong(INT id)
{
    LONG value = 0;
    if (const CTaggedValue* stored = PanelElement::GetProperty(id))
        stored->CopyLong(value);
    return value;
}

bool ButtonElement::IsTwoState()
{
    return ReadListLong(BP::kStateCount) == 2;
}

CTaggedValue* ButtonElement::GetProperty(INT id)
{
    if (id == BP::kFocusLook && GetHwnd()) {
        const LRESULT state = ::SendMessageA(GetHwnd(), BM_GETSTATE, 0, 0);
        SetListValue(BP::kFocusLook, CTaggedValue(static_cast<LONG>(state & BST_FOCUS)));
    }
    return WindowElement::GetProperty(id);
}

INT ButtonElement::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    if (id == BP::kCaption)
        return kNoSuchProperty;
    if (id < BP::kStateCount || id > BP::kRepeatInterval) {
        const INT result = WindowElement::SetProperty(id, value, changed);
        if (id == ElementProperties::kStyle && result == 0 && GetHwnd())
            ::SendMessageA(GetHwnd(), BM_SETSTYLE, m_dwStyle, TRUE);
        return result;
    }
    const INT result = SetListValue(id, value, changed);
    LONG number = 0;
    if (result != 0 || !value.CopyLong(number))
        return result;
    HWND window = GetHwnd();
    switch (id) {
    case BP::kFocusLook:
        SelectImage(number ? kFocusImage : kUpImage);
        Redraw();
        break;
    case BP::kChecked:
        if (window)
            ::SendMessageA(window, BM_SETCHECK, static_cast<WPARAM>(number), 0);
        if (IsTwoState()) {
            m_bChecked = number != 0;
            SelectImage(m_bChecked ? kDownImage : kUpImage);
            Redraw();
        }
        break;
    case BP::kPushed:
        if (window)
            ::SendMessageA(window, BM_SETSTATE, static_cast<WPARAM>(number), 0);
        break;
    case BP::kAutoRepeat:
        m_bAutoRepeat = number != 0;
        break;
    case BP::kRepeatInterval:
        m_nRepeatInterval = static_cast<WORD>(number);
        break;
    default:
        break;
    }
    return result;
}

bool ButtonElement::HitTest(const CGfxPoint& point)
{
    if (!WindowElement::HitTest(point))
        return false;
    if (!m_pCurrent)
        return true;
    return m_pCurrent->IsOpaqueAt(CGfxPoint(point.x - m_rcBounds.left, point.y - m_rcBounds.top)) != FALSE;
}

void ButtonElement::Redraw()
{
    WindowElement::Redraw();
}

void ButtonElement::Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin)
{
    if (!context)
        return;
    if (m_pCurrent && m_pCurrent->IsValid()) {
        if (m_pCurrent->IsTransparent()) {
            PanelElement* parent = GetParentElement();
            CGdiBitmap* background = parent ? parent->GetBackgroundBitmap() : nullptr;
            if (background && background->IsValid()) {
                const CGfxPoint at(m_rcBounds.left, m_rcBounds.top);
                context->DrawTransparent(target, m_pCurrent, origin, background, &at, nullptr, nullptr);
            } else {
                const CRGBColor colour = parent ? parent->GetBackgroundColour() : m_crBackground;
                context->DrawTransparent(target, m_pCurrent, origin, nullptr, nullptr, nullptr, &colour);
            }
        } else {
            context->DrawBitmap(m_pCurrent, target, origin, SRCCOPY);
        }
    }
    DrawCaption(context, target);
}

void ButtonElement::DrawCaption(CDrawContext* context, const CGfxRect& rect)
{
    if (m_strText.IsEmpty())
        return;
    bool fits = TextFits(context, GetFont(), m_strText, rect);
    if (!fits) {
        LOGFONTA logFont{};
        if (!GetFont()->GetLogFont(&logFont))
            return;
        // One unit closer to zero at a time; the element keeps each smaller
        // font, but never one of height 0, after which no caption would
        // ever be drawn again.
        while (!fits && logFont.lfHeight != 0) {
            logFont.lfHeight += logFont.lfHeight < 0 ? 1 : -1;
            if (logFont.lfHeight == 0)
                break;
            CGdiFont smaller(&logFont);
            if (!smaller.GetHandle())
                return;
            SetFont(&smaller, m_crText, FALSE);
            fits = TextFits(context, GetFont(), m_strText, rect);
        }
        if (!fits)
            return;
    }
    FontSelection selection(context->GetHDC(), GetFont()->GetHandle());
    CRGBColor textColour;
    GetTextColour(textColour);
    const CRGBColor previousText = context->SetTextColor(textColour);
    const CRGBColor previousBack = context->SetBkColor(m_crBackground);
    const int previousMode = context->SetBkMode(TRANSPARENT);
    context->DrawText(m_strText, rect, kCaptionFormat);
    context->SetBkMode(previousMode);
    context->SetBkColor(previousBack);
    context->SetTextColor(previousText);
}

bool ButtonElement::SizeToBackground()
{
    if (!m_pCurrent)
        return false;
    const CGfxSize size = m_pCurrent->GetSize();
    StoreBounds(CGfxRect(m_rcBounds.left, m_rcBounds.top, m_rcBounds.left + size.cx - 1, m_rcBounds.top + size.cy - 1));
    HWND window = GetHwnd();
    return window && ::SetWindowPos(window, nullptr, 0, 0, std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0),
                                    kResizeOnly);
}

void ButtonElement::DragBy(const CGfxPoint& from, const CGfxPoint& to)
{
    if (m_nFixed != 0 || m_nDrag == 0 || (to.x == from.x && to.y == from.y))
        return;
    const CGfxRect old = m_rcBounds;
    const LONG dx = to.x - from.x, dy = to.y - from.y;
    MoveTo(CGfxRect(old.left + dx, old.top + dy, old.right + dx, old.bottom + dy), FALSE);
    if (PanelElement* parent = GetParentElement()) {
        parent->Invalidate(&old, TRUE);
    } else if (HWND parentWindow = HwndOf(m_pParent.get())) {
        const RECT area = ToWin32Rect(old);
        ::InvalidateRect(parentWindow, &area, TRUE);
    }
}

bool ButtonElement::CreateButtonWindow(CButton* window)
{
    std::unique_ptr<CButton> made(window);
    CGfxString caption;
    const CTaggedValue* captionValue = PanelElement::GetProperty(BP::kCaption);
    if (!captionValue || !captionValue->CopyString(caption)) {
        m_pCurrent = nullptr;
        m_pImage.reset();
        return false;
    }
    m_dwStyle = (m_dwStyle & ~0xFFu) | BS_OWNERDRAW;
    SetListValue(ElementProperties::kStyle, CTaggedValue(static_cast<LONG>(m_dwStyle)));
    CWnd* parent = m_pParent ? m_pParent->GetWnd() : nullptr;
    if (!made->Create(caption.GetString(), m_dwStyle, ToWin32Rect(m_rcBounds), parent,
                      static_cast<UINT>(m_nControlId))) {
        if (auto* link = dynamic_cast<ButtonWindowLink*>(made.get()))
            link->m_pElement = nullptr;
        m_pCurrent = nullptr;
        m_pImage.reset();
        return false;
    }
    AdoptWindow(made.release());
    m_bAutoRepeat = ReadListLong(BP::kAutoRepeat) != 0;
    m_nRepeatInterval = static_cast<WORD>(ReadListLong(BP::kRepeatInterval));
    return true;
}

bool ButtonElement::CreateWindow()
{
    auto* window = new OwnerDrawButton;
    window->m_pElement = this;
    return CreateButtonWindow(window);
}

ElementProperties* ButtonElement::CreatePropertyList()
{
    return new ButtonElementProperties;
}

void ButtonElement::OnCreated()
{
    WindowElement::OnCreated();
    m_extensions1.emplace_back();
    m_extensions2.emplace_back();
}

INT ButtonElement::GetKind()
{
    return kButtonKind;
}

void ButtonElement::ShowImageInWindow(CGdiBitmap* image)
{
    if (HWND window = GetHwnd())
        ::SendMessageA(window, BM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(image ? image->GetHandle() : nullptr));
}

template <typename Key>
bool ButtonElement::LoadImage(const Key& key, const CColor* transparent, BOOL fit, const CGfxRect* source)
{
    m_pCurrent = nullptr;
    m_pImage.reset();
    CResourceLoader loader;
    std::unique_ptr<CGdiBitmap> loaded = LoadResourceBitmap(loader, key);
    if (!loaded || !loaded->IsValid())
        return false;
    CDrawContext* context = GetDrawContext();
    std::unique_ptr<CGdiBitmap> image;
    if (fit)
        image = CopyBitmapArea(context, *loaded, CGfxPoint(), CGfxSize(m_rcBounds.Width(), m_rcBounds.Height()));
    else if (source)
        image = CopyBitmapArea(context, *loaded, CGfxPoint(source->left, source->top),
                               CGfxSize(source->Width(), source->Height()));
    else
        image = std::move(loaded);
    if (image && transparent) {
        image->SetTransparentColor(transparent, nullptr);
        image->PrepareTransparency(context);
    }
    ReleaseDrawContext(context);
    if (!image)
        return false;
    m_pImage = std::move(image);
    m_pCurrent = m_pImage.get();
    ShowImageInWindow(m_pCurrent);
    SizeToBackground();
    return true;
}

bool ButtonElement::SetImage(UINT id, const CColor* transparent, BOOL fit, const CGfxRect* source)
{
    return LoadImage(id, transparent, fit, source);
}

bool ButtonElement::SetImage(const CGfxString& name, const CColor* transparent, BOOL fit, const CGfxRect* source)
{
    return LoadImage(name, transparent, fit, source);
}

bool ButtonElement::RenderImageFiltered(INT, const CGfxRect&, const void*)
{
    // CGdiBitmap::RenderFiltered comes with the planar imaging library.
    return m_pImage == nullptr;
}

void ButtonElement::Reserved1() {}
void ButtonElement::Reserved2() {}

void ButtonElement::SelectImage(INT)
{
    m_pCurrent = m_pImage.get();
}

void ButtonElement::OnTrackStart(const CGfxPoint&, UINT) {}
void ButtonElement::OnTrackMove(const CGfxPoint&, UINT) {}
void ButtonElement::OnTrackEnd(const CGfxPoint&, UINT) {}

void ButtonElement::DrawButton(CDrawContext* context, const CGfxRect& rect, UINT)
{
    Paint(context, rect, CGfxPoint());
}

void ButtonElement::StartTracking(const CGfxPoint& point, UINT flags)
{
    if (HWND window = GetHwnd())
        ::SetCapture(window);
    m_bTracking = true;
    OnTrackStart(point, flags);
}

void ButtonElement::StopTracking(const CGfxPoint& point, UINT flags)
{
    // Cleared first: releasing the capture reports a lost capture, which
    // must not end the tracking a second time.
    m_bTracking = false;
    ::ReleaseCapture();
    OnTrackEnd(point, flags);
}

bool ButtonElement::OnWindowMouseMove(UINT flags, const CGfxPoint& point, INT)
{
    const bool on = HitTest(MapPointTo(m_pParent.get(), point));
    const bool draggable = m_nDrag != 0 && m_nFixed == 0;
    if (flags != MK_LBUTTON) {
        if (on) {
            m_ptHover = point;
            if (!m_bTracking)
                StartTracking(point, flags);
            else
                OnTrackMove(point, flags);
        } else if (m_bTracking) {
            StopTracking(point, flags);
        }
        if (m_bAutoRepeat && IsTimerRunning())
            KillTimer();
        return true;
    }
    if (on) {
        if (!m_bTracking)
            StartTracking(point, flags);
        else
            OnTrackMove(point, flags);
        if (m_bAutoRepeat && !IsTimerRunning())
            SetTimer(kRepeatTimer, m_nRepeatInterval, TRUE);
        if (!draggable)
            return false;
        DragBy(m_ptHover, point);
        if (PanelElement* parent = GetParentElement())
            parent->OnChildMoved(this);
        return true;
    }
    if (m_bTracking)
        StopTracking(point, flags);
    if (m_bAutoRepeat && IsTimerRunning())
        KillTimer();
    // A pressed button dragged off itself keeps its checked state: the
    // flag, BM_GETCHECK, property 3 and the look stay in step.
    return draggable;
}

bool ButtonElement::OnWindowButtonDown(UINT, const CGfxPoint&, INT)
{
    if (m_bAutoRepeat)
        SetTimer(kRepeatTimer, m_nRepeatInterval, TRUE);
    return true;
}

bool ButtonElement::OnWindowTimer(UINT_PTR id)
{
    if (id != kRepeatTimer || !m_bAutoRepeat || !m_bTracking)
        return true;
    const int primary = ::GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    if (!(::GetAsyncKeyState(primary) & 0x8000))
        return true;
    if (HWND window = GetHwnd())
        ::SendMessageA(::GetParent(window), WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(m_nControlId)), 0);
    return true;
}

bool ButtonElement::OnWindowPaint(CDrawContext*, const CGfxRect&)
{
    return true;
}

bool ButtonElement::OnWindowEraseBackground(CDrawContext* context, const CGfxRect&)
{
    Paint(context, GetLocalRect(), CGfxPoint());
    return true;
}

bool ButtonElement::OnCaptureLost()
{
    if (m_bTracking) {
        m_bTracking = false;
        OnTrackEnd(CGfxPoint(-1, -1), 0);
    }
    return true;
}

void ButtonElement::GetTextColour(CRGBColor& out)
{
    out = m_crText;
}
