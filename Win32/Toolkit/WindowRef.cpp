#include "Win32/Toolkit/WindowRef.h"

WindowRef::WindowRef(CWnd* window, PanelElement* element)
    : m_pWnd(window), m_pElement(element), m_hWnd(window ? window->GetSafeHwnd() : nullptr)
{
}

WindowRef::WindowRef(HWND window, PanelElement* element)
    : m_pWnd(window ? CWnd::FromHandle(window) : nullptr), m_pElement(element), m_hWnd(window)
{
}

bool WindowRef::IsDead() const
{
    return !m_pWnd || !m_hWnd || !::IsWindow(m_hWnd);
}

WindowRef* WindowRef::Clone() const
{
    auto* copy = new WindowRef(*this);
    return copy;
}

CWnd* WindowRef::GetWnd() const
{
    if (IsDead())
        return nullptr;
    if (CWnd* permanent = CWnd::FromHandlePermanent(m_hWnd))
        return permanent;
    return CWnd::FromHandle(m_hWnd);
}

HWND HwndOf(const WindowRefBase* reference)
{
    if (!reference || reference->IsDead())
        return nullptr;
    CWnd* window = reference->GetWnd();
    return window ? window->GetSafeHwnd() : nullptr;
}
