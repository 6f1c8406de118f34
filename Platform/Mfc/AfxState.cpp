#include "Platform/Mfc/Private/AfxState.h"

#include "Platform/Mfc/Dc.h"
#include "Platform/Mfc/GdiObjects.h"
#include "Platform/Mfc/Menu.h"
#include "Platform/Mfc/Wnd.h"

// Temporaries are cleared field by field rather than through Detach(),
// which would also look the handle up in the maps being destroyed.
template <>
void CHandleMap<CWnd, HWND>::Detach(CWnd* object)
{
    object->m_hWnd = nullptr;
}

template <>
void CHandleMap<CDC, HDC>::Detach(CDC* object)
{
    object->m_hDC = nullptr;
    object->m_hAttribDC = nullptr;
}

template <>
void CHandleMap<CGdiObject, HGDIOBJ>::Detach(CGdiObject* object)
{
    object->m_hObject = nullptr;
}

template <>
void CHandleMap<CMenu, HMENU>::Detach(CMenu* object)
{
    object->m_hMenu = nullptr;
}

AFX_THREAD_STATE* AfxGetThreadState()
{
    thread_local AFX_THREAD_STATE state;
    return &state;
}

void AFXAPI AfxDeleteTempMaps()
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (state->tempMapLock > 0)
        return;
    state->windows.DeleteTemporaries();
    state->dcs.DeleteTemporaries();
    state->gdiObjects.DeleteTemporaries();
    state->menus.DeleteTemporaries();
}
