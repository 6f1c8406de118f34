#include "Win32/Toolkit/ContainerElement.h"

#include "Win32/Toolkit/ElementGeometry.h"
#include "Win32/Toolkit/WinPanel.h"
#include "Win32/Toolkit/WindowRef.h"

ContainerElement::~ContainerElement()
{
    if (WinPanel* panel = GetPanel())
        panel->m_pElement = nullptr;
    DeleteChildren();
    ReleaseWindow();
}

void ContainerElement::DeleteChildren()
{
    m_pHovered = nullptr;
    m_children.DeleteAll();
}

WinPanel* ContainerElement::GetPanel() const
{
    return dynamic_cast<WinPanel*>(m_pWnd);
}

void ContainerElement::Redraw()
{
    WindowElement::Redraw();
    for (INT i = 0; i < m_children.GetCount(); ++i)
        m_children.GetAt(i)->Redraw();
}

void ContainerElement::KillTimer()
{
    WindowElement::KillTimer();
    for (INT i = 0; i < m_children.GetCount(); ++i)
        m_children.GetAt(i)->KillTimer();
}

bool ContainerElement::CreateWindow()
{
    auto* panel = new WinPanel;
    panel->m_pElement = this;
    // The panel stays with the element even when its window fails.
    m_pWnd = panel;
    m_bOwnsWindow = true;
    LPCSTR className = m_strClassName.IsEmpty() ? AfxRegisterWndClass(0) : m_strClassName.GetString();
    CWnd* parent = m_pParent ? m_pParent->GetWnd() : nullptr;
    if (!panel->Create(className, m_strText.GetString(), m_dwStyle, ToWin32Rect(m_rcBounds), parent,
                       static_cast<UINT>(m_nControlId)))
        return false;
    AdoptWindow(panel);
    return true;
}

INT ContainerElement::GetKind()
{
    return kContainerKind;
}

bool ContainerElement::TrackHover(const CGfxPoint& point)
{
    PanelElement* previous = m_pHovered;
    PanelElement* hit = m_children.FindAt(point);
    m_pHovered = hit;
    if (!hit) {
        if (previous)
            previous->OnMouseLeave();
        return false;
    }
    hit->OnMouseEnter();
    if (previous && previous != hit)
        previous->OnMouseLeave();
    return true;
}

bool ContainerElement::OnMouseMove(UINT, const CGfxPoint& point, INT)
{
    return TrackHover(point);
}

bool ContainerElement::OnButtonUp(UINT, const CGfxPoint&, INT)
{
    return true;
}

bool ContainerElement::OnButtonDown(UINT, const CGfxPoint&, INT)
{
    return true;
}

bool ContainerElement::OnSetCursor(const WindowRefBase*, UINT, const CGfxPoint& point, UINT)
{
    return TrackHover(point);
}

bool ContainerElement::OnPaint(CDrawContext*, const CGfxRect&)
{
    return true;
}

bool ContainerElement::OnEraseBackground(CDrawContext* context, const CGfxRect& clip)
{
    Paint(context, clip, CGfxPoint(clip.left, clip.top));
    return true;
}

bool ContainerElement::DispatchCommand(UINT id, int code, void* extra)
{
    switch (code) {
    case CN_UPDATE_COMMAND_UI:
        return OnUpdateCommandUI(LOWORD(id), static_cast<CCmdUI*>(extra));
    case CN_COMMAND:
        return OnCommand(LOWORD(id), 0, extra);
    default:
        return false;
    }
}

BOOL ContainerElement::AddChild(PanelElement* child)
{
    return m_children.Add(child);
}

BOOL ContainerElement::EnableToolTips(HINSTANCE module)
{
    WinPanel* panel = GetPanel();
    if (!panel || !GetHwnd())
        return FALSE;
    panel->m_hToolTipModule = module;
    return panel->EnableToolTips(TRUE);
}
