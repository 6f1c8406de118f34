#include "Win32/Toolkit/WinPanel.h"

#include <memory>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Toolkit/ClippedPaint.h"
#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

IMPLEMENT_DYNCREATE(WinPanel, CWnd)

BEGIN_MESSAGE_MAP(WinPanel, CWnd)
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SETCURSOR()
    ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFFFFFF, OnToolTipText)
END_MESSAGE_MAP()

namespace {

// The hovered child when it is a container like the panel's element.
ContainerElement* HoveredContainer(ContainerElement* element)
{
    PanelElement* child = element->GetHoveredChild();
    if (!child || !element->IsSameKind(child))
        return nullptr;
    return dynamic_cast<ContainerElement*>(child);
}

} // namespace

WinPanel::~WinPanel() = default;

BOOL WinPanel::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (!pHandlerInfo && m_pElement && m_pElement->DispatchCommand(nID, nCode, pExtra))
        return TRUE;
    return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL WinPanel::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (m_pElement) {
        ElementMessage element(nullptr, message, wParam, lParam);
        LRESULT ignored = 0;
        if (m_pElement->OnPanelMessage(&element, &ignored)) {
            if (pResult)
                *pResult = 0;
            return TRUE;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

void WinPanel::OnMouseMove(UINT nFlags, CPoint point)
{
    const CGfxPoint at(point.x, point.y);
    if (!m_pElement || !m_pElement->OnMouseMove(nFlags, at, 1)) {
        Default();
        return;
    }
    if (ContainerElement* child = HoveredContainer(m_pElement))
        child->OnMouseMove(nFlags, at, 1);
}

void WinPanel::OnButton(Button button, UINT flags, CPoint point)
{
    const CGfxPoint at(point.x, point.y);
    auto handle = [&](ContainerElement* element, INT direct) {
        return button == Button::Up ? element->OnButtonUp(flags, at, direct)
                                    : element->OnButtonDown(flags, at, direct);
    };
    if (!m_pElement || !handle(m_pElement, 1)) {
        Default();
        return;
    }
    if (ContainerElement* child = HoveredContainer(m_pElement))
        handle(child, 0);
}

void WinPanel::OnLButtonUp(UINT nFlags, CPoint point)
{
    OnButton(Button::Up, nFlags, point);
}

void WinPanel::OnLButtonDown(UINT nFlags, CPoint point)
{
    OnButton(Button::Down, nFlags, point);
}

void WinPanel::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (dc && m_pElement) {
        ContainerElement* element = m_pElement;
        PaintClipped(dc, [element](CDrawContext* context, const CGfxRect& clip) {
            return element->OnPaint(context, clip);
        });
    }
    ::EndPaint(m_hWnd, &paint);
}

BOOL WinPanel::OnEraseBkgnd(CDC* pDC)
{
    if (pDC && m_pElement) {
        ContainerElement* element = m_pElement;
        PaintClipped(pDC->GetSafeHdc(), [element](CDrawContext* context, const CGfxRect& clip) {
            return element->OnEraseBackground(context, clip);
        });
    }
    // Answered 0 even after painting, as the panels have always done.
    return FALSE;
}

BOOL WinPanel::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    if (!m_pElement)
        return static_cast<BOOL>(Default());
    const DWORD position = ::GetMessagePos();
    POINT point{static_cast<SHORT>(LOWORD(position)), static_cast<SHORT>(HIWORD(position))};
    ::ScreenToClient(m_hWnd, &point);
    WindowRef window(pWnd ? pWnd->GetSafeHwnd() : nullptr);
    if (m_pElement->OnSetCursor(&window, nHitTest, CGfxPoint(point.x, point.y), message))
        return TRUE;
    return static_cast<BOOL>(Default());
}

BOOL WinPanel::OnToolTipText(UINT, NMHDR* header, LRESULT* result)
{
    auto* tip = reinterpret_cast<TOOLTIPTEXTA*>(header);
    tip->szText[0] = '\0';
    tip->lpszText = tip->szText;
    if (result)
        *result = 0;
    HWND tool = reinterpret_cast<HWND>(header->idFrom);
    if (!(tip->uFlags & TTF_IDISHWND) || !CWnd::FromHandlePermanent(tool))
        return TRUE;
    const UINT id = static_cast<UINT>(::GetDlgCtrlID(tool));
    // The tool-tip module is current for the string load only.
    std::unique_ptr<CResourceSwitch> language;
    if (m_hToolTipModule)
        language = std::make_unique<CResourceSwitch>(m_hToolTipModule);
    // LoadString cuts the text to the buffer: 79 characters and the zero.
    if (::LoadStringA(AfxGetResourceHandle(), id, tip->szText, static_cast<int>(sizeof tip->szText)) <= 0)
        tip->szText[0] = '\0';
    return TRUE;
}
