#include "Win32/Toolkit/ButtonWindows.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Toolkit/AnimateButtonElement.h"
#include "Win32/Toolkit/ClippedPaint.h"
#include "Win32/Toolkit/ElementGeometry.h"

IMPLEMENT_DYNCREATE(OwnerDrawButton, CButton)
IMPLEMENT_DYNCREATE(OwnerDrawBitmapButton, CBitmapButton)
IMPLEMENT_DYNCREATE(AnimateButton, CButton)

BEGIN_MESSAGE_MAP(OwnerDrawButton, CButton)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_PAINT()
    ON_WM_CAPTURECHANGED()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(OwnerDrawBitmapButton, CBitmapButton)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_PAINT()
    ON_WM_CAPTURECHANGED()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(AnimateButton, CButton)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDOWN()
    ON_WM_PAINT()
    ON_WM_CAPTURECHANGED()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {

// What the three window classes do alike; each calls Default afterwards
// where the button's own processing follows.
struct ButtonMessages {
    static void DrawItem(ButtonElement* element, LPDRAWITEMSTRUCT item)
    {
        if (!element || !item)
            return;
        CDrawContext context(item->hDC);
        element->DrawButton(&context, FromWin32Rect(item->rcItem), item->itemState);
    }
    static void Timer(ButtonElement* element, UINT_PTR id)
    {
        if (element)
            element->OnWindowTimer(id);
    }
    static void MouseMove(ButtonElement* element, UINT flags, CPoint point)
    {
        if (element)
            element->OnWindowMouseMove(flags, CGfxPoint(point.x, point.y), 1);
    }
    static void ButtonDown(ButtonElement* element, UINT flags, CPoint point)
    {
        if (element)
            element->OnWindowButtonDown(flags, CGfxPoint(point.x, point.y), 1);
    }
    static void Paint(CWnd* window, ButtonElement* element)
    {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(window->GetSafeHwnd(), &paint);
        if (element)
            PaintClipped(dc, [element](CDrawContext* context, const CGfxRect& clip) {
                return element->OnWindowPaint(context, clip);
            }, FALSE);
        ::EndPaint(window->GetSafeHwnd(), &paint);
    }
    static BOOL Erase(ButtonElement* element, CDC* dc)
    {
        if (!element || !dc)
            return FALSE;
        return PaintClipped(dc->GetSafeHdc(), [element](CDrawContext* context, const CGfxRect& clip) {
            return element->OnWindowEraseBackground(context, clip);
        }, FALSE);
    }
    static void CaptureChanged(CWnd* window, ButtonElement* element, CWnd* taker)
    {
        if (element && (!taker || taker->GetSafeHwnd() != window->GetSafeHwnd()))
            element->OnCaptureLost();
    }
};

} // namespace

// The handlers every button window class has alike.
#define BUTTON_WINDOW_COMMON_HANDLERS(theClass) \
    void theClass::DrawItem(LPDRAWITEMSTRUCT item) { ButtonMessages::DrawItem(m_pElement, item); } \
    void theClass::OnTimer(UINT_PTR id) { ButtonMessages::Timer(m_pElement, id); Default(); } \
    void theClass::OnMouseMove(UINT flags, CPoint point) \
    { \
        ButtonMessages::MouseMove(m_pElement, flags, point); \
        Default(); \
    } \
    void theClass::OnPaint() { ButtonMessages::Paint(this, m_pElement); } \
    void theClass::OnCaptureChanged(CWnd* pWnd) \
    { \
        ButtonMessages::CaptureChanged(this, m_pElement, pWnd); \
        Default(); \
    } \
    BOOL theClass::OnEraseBkgnd(CDC* pDC) { return ButtonMessages::Erase(m_pElement, pDC); }

BUTTON_WINDOW_COMMON_HANDLERS(OwnerDrawButton)
BUTTON_WINDOW_COMMON_HANDLERS(OwnerDrawBitmapButton)
BUTTON_WINDOW_COMMON_HANDLERS(AnimateButton)

void OwnerDrawButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    ButtonMessages::ButtonDown(m_pElement, nFlags, point);
    Default();
}

void OwnerDrawBitmapButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    ButtonMessages::ButtonDown(m_pElement, nFlags, point);
    Default();
}

void AnimateButton::OnLButtonDown(UINT, CPoint)
{
    m_bPressed = TRUE;
    Default();
}

void AnimateButton::OnLButtonUp(UINT, CPoint)
{
    if (m_bPressed && m_pElement)
        static_cast<AnimateButtonElement*>(m_pElement)->OnClicked();
    m_bPressed = FALSE;
    Default();
}
