#include "Win32/Toolkit/WindowElement.h"

#include <algorithm>
#include <string>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Imaging/WindowTimer.h"
#include "Win32/Toolkit/ElementBitmaps.h"
#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/WindowRef.h"

namespace {

using EP = ElementProperties;

// SizeToBackground resizes only: no move, no Z-order change, no redraw, no
// activation.
constexpr UINT kResizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
static_assert(kResizeOnly == 0x1E);
// SetBounds moves the window to its new place as well.
constexpr UINT kMoveAndResize = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;

// Maps the two corners of an inclusive rectangle.
CGfxRect MapRect(HWND from, HWND to, const CGfxRect& rect)
{
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::MapWindowPoints(from, to, corners, 2);
    return CGfxRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
}

CGfxPoint MapPoint(HWND from, HWND to, const CGfxPoint& point)
{
    POINT mapped{point.x, point.y};
    ::MapWindowPoints(from, to, &mapped, 1);
    return CGfxPoint(mapped.x, mapped.y);
}

WindowRefBase* ReferenceTo(HWND window)
{
    return window ? new WindowRef(window) : nullptr;
}

} // namespace

WindowElement::~WindowElement()
{
    ReleaseWindow();
}

void WindowElement::AdoptWindow(CWnd* window)
{
    m_pWnd = window;
    m_pWindowRef = std::make_unique<WindowRef>(window, this);
    m_bOwnsWindow = true;
}

void WindowElement::ReleaseWindow()
{
    if (m_pDrawContext)
        ReleaseDrawContext(m_pDrawContext);
    if (m_pWnd && m_bOwnsWindow) {
        if (m_bAttached)
            m_pWnd->Detach();
        else if (m_pWnd->GetSafeHwnd())
            m_pWnd->DestroyWindow();
        delete m_pWnd;
    }
    m_pWnd = nullptr;
    m_bOwnsWindow = false;
    m_bAttached = false;
    m_pWindowRef.reset();
}

HWND WindowElement::GetHwnd() const
{
    return HasWindow() && m_pWnd ? m_pWnd->GetSafeHwnd() : nullptr;
}

INT WindowElement::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    const INT result = PanelElement::SetProperty(id, value, changed);
    if (id == EP::kText && result == 0 && GetHwnd())
        ::SetWindowTextA(GetHwnd(), m_strText.GetString());
    return result;
}

bool WindowElement::IsOwnWindow(const WindowRefBase* reference)
{
    HWND window = HwndOf(reference);
    return window && window == GetHwnd();
}

void WindowElement::Show(bool show)
{
    if (HWND window = GetHwnd())
        ::ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

WindowRefBase* WindowElement::Activate()
{
    HWND window = GetHwnd();
    return window ? ReferenceTo(::SetActiveWindow(window)) : nullptr;
}

void WindowElement::Enable(bool enable)
{
    if (HWND window = GetHwnd())
        ::EnableWindow(window, enable ? TRUE : FALSE);
}

WindowRefBase* WindowElement::SetFocus()
{
    HWND window = GetHwnd();
    return window ? ReferenceTo(::SetFocus(window)) : nullptr;
}

CDrawContext* WindowElement::GetDrawContext()
{
    if (m_pDrawContext)
        ReleaseDrawContext(m_pDrawContext);
    HWND window = GetHwnd();
    HDC dc = window ? ::GetDC(window) : nullptr;
    if (!dc)
        return nullptr;
    m_pDrawContext = new CDrawContext(dc);
    m_hKeptDc = dc;
    m_hKeptDcWindow = window;
    return m_pDrawContext;
}

void WindowElement::ReleaseDrawContext(CDrawContext* context)
{
    if (!context || context != m_pDrawContext)
        return;
    delete m_pDrawContext;
    m_pDrawContext = nullptr;
    ::ReleaseDC(m_hKeptDcWindow, m_hKeptDc);
    m_hKeptDc = nullptr;
    m_hKeptDcWindow = nullptr;
}

void WindowElement::Invalidate(const CGfxRect* rect, BOOL erase)
{
    HWND window = GetHwnd();
    if (!window)
        return;
    const RECT area = rect ? ToWin32Rect(*rect) : RECT{};
    ::InvalidateRect(window, rect ? &area : nullptr, erase);
}

void WindowElement::Validate(const CGfxRect* rect)
{
    HWND window = GetHwnd();
    if (!window)
        return;
    const RECT area = rect ? ToWin32Rect(*rect) : RECT{};
    ::ValidateRect(window, rect ? &area : nullptr);
}

bool WindowElement::GetUpdateRect(CGfxRect& out, BOOL erase)
{
    out = CGfxRect();
    HWND window = GetHwnd();
    RECT update{};
    if (!window || !::GetUpdateRect(window, &update, erase))
        return false;
    out = FromWin32Rect(update);
    return true;
}

LRESULT WindowElement::SendMessage(const ElementMessage& message)
{
    HWND window = GetHwnd();
    return window ? ::SendMessageA(window, message.GetMessage(), message.GetWParam(), message.GetLParam()) : 0;
}

bool WindowElement::SizeToBackground()
{
    if (m_nBackgroundMode != kNaturalBackground || !m_pBackground)
        return true;
    CGfxSize size = m_pBackground->GetSize();
    if (CDrawContext* context = GetDrawContext()) {
        size = context->DeviceToLogical(size);
        ReleaseDrawContext(context);
    }
    StoreBounds(CGfxRect(m_rcBounds.left, m_rcBounds.top, m_rcBounds.left + size.cx - 1, m_rcBounds.top + size.cy - 1));
    HWND window = GetHwnd();
    return window && ::SetWindowPos(window, nullptr, 0, 0, std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0),
                                    kResizeOnly);
}

bool WindowElement::SetBounds(const CGfxRect& bounds, BOOL redraw)
{
    HWND window = GetHwnd();
    if (!window)
        return true;
    ScaleFrame(bounds);
    if (m_nBackgroundMode == kNoBackground || !m_pBackground)
        return true;
    const CGfxSize size(InclusiveExtent(bounds.left, bounds.right), InclusiveExtent(bounds.top, bounds.bottom));
    if (!::SetWindowPos(window, nullptr, bounds.left, bounds.top, size.cx, size.cy, kMoveAndResize))
        return false;
    CDrawContext* context = GetDrawContext();
    std::unique_ptr<CGdiBitmap> replaced;
    if (m_nBackgroundMode == kFittedBackground) {
        std::unique_ptr<CGdiBitmap> natural = CopyBitmapArea(context, *m_pBackground, CGfxPoint(), m_sizeNatural);
        if (natural)
            replaced = CopyBitmapArea(context, *natural, CGfxPoint(), size);
    } else {
        replaced = StretchBitmap(context, *m_pBackground, size);
    }
    ReleaseDrawContext(context);
    if (!replaced)
        return false;
    if (m_pBackground->IsTransparent())
        replaced->SetTransparentColor(&m_pBackground->m_crTransparent, nullptr);
    m_pBackground = std::move(replaced);
    StoreBounds(bounds);
    if (redraw)
        Redraw();
    return true;
}

CGfxRect WindowElement::GetClientRect()
{
    HWND window = GetHwnd();
    RECT client{};
    if (!window || !::GetClientRect(window, &client))
        return CGfxRect();
    return FromWin32Rect(client);
}

CGfxRect WindowElement::GetWindowRect()
{
    HWND window = GetHwnd();
    RECT area{};
    if (!window || !::GetWindowRect(window, &area))
        return CGfxRect();
    return FromWin32Rect(area);
}

CGfxRect WindowElement::MapRectTo(const WindowRefBase* target, const CGfxRect& rect)
{
    return GetHwnd() ? MapRect(GetHwnd(), HwndOf(target), rect) : CGfxRect();
}

CGfxPoint WindowElement::MapPointTo(const WindowRefBase* target, const CGfxPoint& point)
{
    return GetHwnd() ? MapPoint(GetHwnd(), HwndOf(target), point) : CGfxPoint();
}

CGfxRect WindowElement::ClientToScreen(const CGfxRect& rect)
{
    return GetHwnd() ? MapRect(GetHwnd(), nullptr, rect) : CGfxRect();
}

CGfxPoint WindowElement::ClientToScreen(const CGfxPoint& point)
{
    return GetHwnd() ? MapPoint(GetHwnd(), nullptr, point) : CGfxPoint();
}

CGfxRect WindowElement::ScreenToClient(const CGfxRect& rect)
{
    return GetHwnd() ? MapRect(nullptr, GetHwnd(), rect) : CGfxRect();
}

CGfxPoint WindowElement::ScreenToClient(const CGfxPoint& point)
{
    return GetHwnd() ? MapPoint(nullptr, GetHwnd(), point) : CGfxPoint();
}

void WindowElement::MoveTo(const CGfxRect& bounds, BOOL repaint)
{
    if (m_nDrag == 0 && m_nFixed == 0)
        return;
    StoreBounds(bounds);
    if (HWND window = GetHwnd())
        ::MoveWindow(window, bounds.left, bounds.top, InclusiveExtent(bounds.left, bounds.right),
                     InclusiveExtent(bounds.top, bounds.bottom), repaint);
}

HCURSOR WindowElement::SetCursor(HCURSOR cursor)
{
    return ::SetCursor(cursor);
}

int WindowElement::MessageBox(const CGfxString& text, const CGfxString& caption, UINT type)
{
    return GetHwnd() ? m_pWnd->MessageBox(text.GetString(), caption.GetString(), type) : 0;
}

bool WindowElement::SetTimer(WORD id, WORD elapse, BOOL start)
{
    PanelElement::SetTimer(id, elapse, start);
    if (start)
        m_pTimer = std::make_unique<CWindowTimer>(GetHwnd(), id, elapse);
    return true;
}

bool WindowElement::AttachToDialogItem(const WindowRefBase* dialog, INT id)
{
    HWND dialogWindow = HwndOf(dialog);
    HWND control = dialogWindow ? ::GetDlgItem(dialogWindow, id) : nullptr;
    if (!m_pProperties || !control || m_pWnd)
        return false;
    auto window = std::make_unique<CWnd>();
    if (!window->Attach(control))
        return false;

    if (const int length = ::GetWindowTextLengthA(control)) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        ::GetWindowTextA(control, text.data(), length + 1);
        m_strText.Assign(text.c_str());
        SetListValue(EP::kText, CTaggedValue(m_strText));
    }
    m_nControlId = ::GetDlgCtrlID(control);
    SetListValue(EP::kControlId, CTaggedValue(static_cast<LONG>(m_nControlId)));
    m_dwStyle = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
    SetListValue(EP::kStyle, CTaggedValue(static_cast<LONG>(m_dwStyle)));
    HWND parent = ::GetParent(control);
    RECT area{};
    ::GetWindowRect(control, &area);
    // Bounds are in the parent's client coordinates everywhere else.
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    StoreBounds(FromWin32Rect(area));

    PanelElement* parentElement = parent == dialogWindow ? dialog->GetElement() : nullptr;
    m_pParent = std::make_unique<WindowRef>(parent, parentElement);
    SetListValue(EP::kParent, WindowRefValue(m_pParent.get()));
    HWND owner = ::GetWindow(control, GW_OWNER);
    m_pOwner = std::make_unique<WindowRef>(owner ? owner : parent, owner ? nullptr : parentElement);
    SetListValue(EP::kOwner, WindowRefValue(m_pOwner.get()));

    m_bAttached = true;
    AdoptWindow(window.release());
    return true;
}
