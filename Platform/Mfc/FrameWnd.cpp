#include "Platform/Mfc/FrameWnd.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Win/Kernel/Modules.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

namespace {

// The width or height CreateWindowEx is given for one side of a frame's
// rectangle. A side that starts at CW_USEDEFAULT (rectDefault) leaves its
// size to the window system as well, where the subtraction would overflow;
// any other side is measured wide enough not to, and an inverted one has
// no size, as CreateWindowEx would make it.
int ExtentOf(LONG from, LONG to)
{
    if (from == CW_USEDEFAULT)
        return CW_USEDEFAULT;
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(to) - from, 0, INT_MAX));
}

} // namespace

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_WM_SIZE()
    ON_WM_SETFOCUS()
    ON_WM_INITMENUPOPUP()
    ON_MESSAGE_VOID(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

BOOL AFXAPI AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep)
{
    rString.Empty();
    if (!lpszFullString)
        return FALSE;
    LPCSTR start = lpszFullString;
    for (; iSubString > 0; --iSubString) {
        start = std::strchr(start, chSep);
        if (!start)
            return FALSE;
        ++start;
    }
    LPCSTR end = std::strchr(start, chSep);
    rString = CString(start, end ? static_cast<int>(end - start) : static_cast<int>(std::strlen(start)));
    return TRUE;
}

// Frames are looked for among the parents' permanent objects only: a
// window without one is no frame of the framework's.
CFrameWnd* CWnd::GetParentFrame() const
{
    if (!(::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD))
        return nullptr;
    for (HWND parent = ::GetParent(m_hWnd); parent; parent = ::GetParent(parent)) {
        CWnd* object = FromHandlePermanent(parent);
        if (object && object->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            return static_cast<CFrameWnd*>(object);
        if (!(::GetWindowLongA(parent, GWL_STYLE) & WS_CHILD))
            break;
    }
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const
{
    CFrameWnd* frame = IsKindOf(RUNTIME_CLASS(CFrameWnd)) ? static_cast<CFrameWnd*>(const_cast<CWnd*>(this))
                                                          : GetParentFrame();
    while (frame) {
        CFrameWnd* outer = frame->GetParentFrame();
        if (!outer)
            break;
        frame = outer;
    }
    return frame;
}

CFrameWnd::~CFrameWnd()
{
    if (m_hAccelTable)
        ::DestroyAcceleratorTable(m_hAccelTable);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        CWnd::PreCreateWindow(cs);
    if (cs.style & FWS_ADDTOTITLE)
        cs.style |= FWS_PREFIXTITLE;
    return TRUE;
}

LPCSTR CFrameWnd::GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource)
{
    LPCSTR name = MAKEINTRESOURCEA(nIDResource);
    HICON icon = ::LoadIconA(AfxFindResourceHandle(name, RT_GROUP_ICON), name);
    if (!icon)
        return nullptr;
    CREATESTRUCT cs{};
    cs.style = static_cast<LONG>(dwDefaultStyle);
    PreCreateWindow(cs);
    WNDCLASSA existing{};
    if (!cs.lpszClass || !::GetClassInfoA(::GetModuleHandleA(nullptr), cs.lpszClass, &existing) ||
        existing.hIcon == icon)
        return nullptr;
    return AfxRegisterWndClass(existing.style, existing.hCursor, existing.hbrBackground, icon);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    CString full;
    if (full.LoadString(nIDResource))
        AfxExtractSubString(m_strTitle, full, 0);
    LPCSTR className = GetIconWndClass(dwDefaultStyle, nIDResource);
    const CString title = m_strTitle;
    if (!Create(className, title, dwDefaultStyle, rectDefault, pParentWnd, MAKEINTRESOURCEA(nIDResource), 0, pContext))
        return FALSE;
    m_hMenuDefault = ::GetMenu(m_hWnd);
    LoadAccelTable(MAKEINTRESOURCEA(nIDResource));
    // Without a context nobody else starts the views.
    if (!pContext)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext)
{
    HMENU menu = nullptr;
    if (lpszMenuName) {
        menu = ::LoadMenuA(AfxFindResourceHandle(lpszMenuName, RT_MENU), lpszMenuName);
        if (!menu) {
            PostNcDestroy();
            return FALSE;
        }
    }
    m_strTitle = lpszWindowName;
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                  ExtentOf(rect.left, rect.right), ExtentOf(rect.top, rect.bottom),
                  pParentWnd ? pParentWnd->m_hWnd : nullptr, menu, pContext)) {
        if (menu)
            ::DestroyMenu(menu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(LPCSTR lpszResourceName)
{
    if (m_hAccelTable)
        return FALSE;
    m_hAccelTable = ::LoadAcceleratorsA(AfxFindResourceHandle(lpszResourceName, RT_ACCELERATOR), lpszResourceName);
    return m_hAccelTable != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!OnCreateClient(lpCreateStruct, static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams)))
        return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (pContext && pContext->m_pNewViewClass && !CreateView(pContext, AFX_IDW_PANE_FIRST))
        return FALSE;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    CObject* made = pContext->m_pNewViewClass->CreateObject();
    if (!made || !made->IsKindOf(RUNTIME_CLASS(CWnd))) {
        delete made;
        return nullptr;
    }
    auto* view = static_cast<CWnd*>(made);
    // A view that fails deletes itself (PostNcDestroy).
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext))
        return nullptr;
    return view;
}

void CFrameWnd::OnDestroy()
{
    // The menu the frame was made with goes with the frame, even when the
    // program showed another.
    if (m_hMenuDefault && ::GetMenu(m_hWnd) != m_hMenuDefault)
        ::SetMenu(m_hWnd, m_hMenuDefault);
    CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() { delete this; }

CDocument* CFrameWnd::GetActiveDocument()
{
    CView* view = GetActiveView();
    return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify)
{
    CView* old = m_pViewActive;
    if (pViewNew == old)
        return;
    m_pViewActive = nullptr;
    if (bNotify && old)
        old->OnActivateView(FALSE, pViewNew, old);
    m_pViewActive = pViewNew;
    if (bNotify && pViewNew)
        pViewNew->OnActivateView(TRUE, pViewNew, old);
}

void CFrameWnd::RecalcLayout(BOOL)
{
    if (!m_hWnd)
        return;
    m_nIdleFlags &= ~static_cast<UINT>(idleLayout);
    AFX_SIZEPARENTPARAMS layout{};
    GetClientRect(&layout.rect);
    layout.bStretch = TRUE;
    HWND pane = nullptr;
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (static_cast<UINT>(::GetDlgCtrlID(child)) == AFX_IDW_PANE_FIRST)
            pane = child;
        else
            ::SendMessageA(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
    if (pane) {
        const CRect rest(layout.rect);
        ::MoveWindow(pane, rest.left, rest.top, rest.Width() > 0 ? rest.Width() : 0,
                     rest.Height() > 0 ? rest.Height() : 0, TRUE);
    }
}

void CFrameWnd::DelayRecalcLayout(BOOL) { m_nIdleFlags |= idleLayout; }

void CFrameWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd)
{
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(pOldWnd);
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    if (nCmdShow == -1)
        nCmdShow = IsIconic() ? SW_RESTORE : IsWindowVisible() ? SW_SHOWNA : SW_SHOW;
    ShowWindow(nCmdShow);
    if (nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE && nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_SHOWNA)
        BringWindowToTop();
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible)
{
    CView* view = nullptr;
    if (!GetActiveView()) {
        CWnd* pane = GetDescendantWindow(static_cast<int>(AFX_IDW_PANE_FIRST), TRUE);
        if (pane && pane->IsKindOf(RUNTIME_CLASS(CView))) {
            view = static_cast<CView*>(pane);
            SetActiveView(view, FALSE);
        }
    }
    if (bMakeVisible) {
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
        if (view)
            view->OnActivateFrame(WA_INACTIVE, this);
        int show = -1;
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this) {
            // The program's first frame shows as the program was started.
            show = app->m_nCmdShow;
            app->m_nCmdShow = -1;
        }
        ActivateFrame(show);
        if (view)
            view->OnActivateView(TRUE, view, view);
    }
    if (pDoc)
        pDoc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    if (!(GetStyle() & FWS_ADDTOTITLE))
        return;
    CDocument* document = GetActiveDocument();
    UpdateFrameTitleForDocument(bAddToTitle && document ? static_cast<LPCSTR>(document->GetTitle()) : nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCSTR lpszDocName)
{
    std::string text;
    std::string document;
    if (lpszDocName) {
        document = lpszDocName;
        if (m_nWindow > 0)
            document += ":" + std::to_string(m_nWindow);
    }
    const std::string title(static_cast<LPCSTR>(m_strTitle));
    if (GetStyle() & FWS_PREFIXTITLE)
        text = lpszDocName ? document + " - " + title : title;
    else
        text = lpszDocName ? title + " - " + document : title;
    // Setting the same text again would only flicker.
    CString current;
    GetWindowText(current);
    if (text != static_cast<LPCSTR>(current))
        SetWindowText(text.c_str());
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    if (m_nIdleFlags & idleLayout)
        RecalcLayout();
    if (m_nIdleFlags & idleTitle) {
        m_nIdleFlags &= ~static_cast<UINT>(idleTitle);
        OnUpdateFrameTitle(TRUE);
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (CWnd::PreTranslateMessage(pMsg))
        return TRUE;
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) {
        HACCEL accelerators = GetDefaultAccelerator();
        return accelerators && ::TranslateAcceleratorA(m_hWnd, accelerators, pMsg);
    }
    return FALSE;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CView* view = GetActiveView(); view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu)
{
    if (bSysMenu)
        return;
    CCmdUI state;
    state.m_pMenu = pPopupMenu;
    state.m_nIndexMax = pPopupMenu->GetMenuItemCount();
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        state.m_nID = pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
        if (state.m_nID == 0)
            continue;
        if (state.m_nID == static_cast<UINT>(-1)) {
            // A submenu takes the state of its first command, never greyed
            // for want of a handler.
            state.m_pSubMenu = pPopupMenu->GetSubMenu(static_cast<int>(state.m_nIndex));
            if (!state.m_pSubMenu || (state.m_nID = state.m_pSubMenu->GetMenuItemID(0)) == 0 ||
                state.m_nID == static_cast<UINT>(-1))
                continue;
            state.DoUpdate(this, TRUE);
        } else {
            // System commands (0xF000 on) are the window's, not a handler's.
            state.m_pSubMenu = nullptr;
            state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
        }
        // An update may have added or removed items (the recent files).
        const UINT count = pPopupMenu->GetMenuItemCount();
        if (count < state.m_nIndexMax) {
            state.m_nIndex -= state.m_nIndexMax - count;
            while (state.m_nIndex < count &&
                   pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex)) == state.m_nID)
                ++state.m_nIndex;
        }
        state.m_nIndexMax = count;
    }
}

void CFrameWnd::OnClose()
{
    CDocument* document = GetActiveDocument();
    if (document && !document->CanCloseFrame(this))
        return;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        if (!document && !app->SaveAllModified())
            return;
        app->HideApplication();
        app->CloseAllDocuments(FALSE);
        // Closing the documents may have taken the main window with them.
        if (!app->m_pMainWnd) {
            ::PostQuitMessage(0);
            return;
        }
    }
    if (document && document->m_bAutoDelete) {
        bool otherFrame = false;
        POSITION pos = document->GetFirstViewPosition();
        while (pos) {
            CView* view = document->GetNextView(pos);
            if (view->GetParentFrame() != this)
                otherFrame = true;
        }
        if (!otherFrame) {
            document->OnCloseDocument();
            return;
        }
        document->PreCloseFrame(this);
    }
    DestroyWindow();
}
