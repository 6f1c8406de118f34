#include "Platform/Mfc/Menu.h"

#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Mfc/Wnd.h"

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu() { DestroyMenu(); }

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu)
{
    return AfxGetThreadState()->menus.FromHandle(hMenu, [](HMENU handle) {
        CMenu* temporary = new CMenu;
        temporary->m_hMenu = handle;
        return temporary;
    });
}

CMenu* PASCAL CMenu::FromHandlePermanent(HMENU hMenu)
{
    return hMenu ? AfxGetThreadState()->menus.FromPermanent(hMenu) : nullptr;
}

void PASCAL CMenu::DeleteTempMap() { AfxGetThreadState()->menus.DeleteTemporaries(); }

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !hMenu)
        return FALSE;
    m_hMenu = hMenu;
    AfxGetThreadState()->menus.SetPermanent(hMenu, this);
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu)
        AfxGetThreadState()->menus.RemovePermanent(hMenu, this);
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName)
{
    return Attach(::LoadMenuA(AfxFindResourceHandle(lpszResourceName, RT_MENU), lpszResourceName));
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    const int length = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    if (length <= 0) {
        rString.Empty();
        return 0;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetMenuStringA(m_hMenu, nIDItem, text.data(), length + 1, nFlags);
    rString = CString(text.data(), copied);
    return copied;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    // Remembered so that WM_MEASUREITEM of its owner-drawn items finds it.
    HMENU outer = state->trackingMenu;
    state->trackingMenu = m_hMenu;
    const BOOL result = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
    state->trackingMenu = outer;
    return result;
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}
