#include "Platform/Mfc/Wnd.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "Platform/Mfc/AfxControls.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/User/Extensions.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

// Answers whether a command is enabled, for menu commands and accelerators
// that arrive without a control.
class CTestCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCSTR) override {}

    BOOL m_bEnabled = TRUE;
};

HINSTANCE ProgramInstance() { return ::GetModuleHandleA(nullptr); }

// The window's object answers the message as its window procedure would.
LRESULT CallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    const MSG saved = state->lastSentMsg;
    state->lastSentMsg = MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (CException* e) {
        // A handler's failure is reported and the message answered as
        // failed; it does not unwind through the window system.
        if (!e->IsKindOf(RUNTIME_CLASS(CUserException)))
            e->ReportError(MB_ICONEXCLAMATION);
        e->Delete();
        if (nMsg == WM_CREATE)
            result = -1;
        else if (nMsg == WM_PAINT)
            ::ValidateRect(hWnd, nullptr);
    }
    state->lastSentMsg = saved;
    // An object that overrode OnNcDestroy without calling the base still
    // lets go of its window here.
    if (nMsg == WM_NCDESTROY) {
        if (CWnd* still = CWnd::FromHandlePermanent(hWnd)) {
            still->Detach();
            still->PostNcDestroy();
        }
    }
    return result;
}

// Takes the window over for pWnd: attached, and its procedure replaced.
void SubclassForObject(HWND hWnd, WNDPROC* pfnSuper)
{
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc && !*pfnSuper)
        *pfnSuper = old;
}

// A popup menu (in the tree under `menu`) that holds the item directly.
HMENU FindMenuHolding(HMENU menu, UINT itemId)
{
    if (!menu)
        return nullptr;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            if (HMENU found = FindMenuHolding(sub, itemId))
                return found;
        } else if (::GetMenuItemID(menu, i) == itemId) {
            return menu;
        }
    }
    return nullptr;
}

// The object of the menu that holds an owner-drawn item: the popup being
// tracked, else the window's menu bar.
CMenu* MenuObjectFor(HWND hWnd, UINT itemId)
{
    for (HMENU root : {AfxGetThreadState()->trackingMenu, ::GetMenu(hWnd)}) {
        if (HMENU holder = FindMenuHolding(root, itemId)) {
            for (HMENU menu : {holder, root})
                if (CMenu* object = CMenu::FromHandlePermanent(menu))
                    return object;
        }
    }
    return nullptr;
}

BOOL ModifyLong(HWND hWnd, int index, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, index));
    const DWORD changed = (style & ~dwRemove) | dwAdd;
    if (style == changed)
        return FALSE;
    ::SetWindowLongA(hWnd, index, static_cast<LONG>(changed));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

} // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_COMPAREITEM()
    ON_WM_DELETEITEM()
    ON_WM_CTLCOLOR()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_QUERYAFXWNDPROC)
        return 1;
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    return CallWndProc(pWnd, hWnd, nMsg, wParam, lParam);
}

WNDPROC AFXAPI AfxGetAfxWndProc() { return &AfxWndProc; }

void AFXAPI AfxHookWindowCreate(CWnd* pWnd)
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (state->pWndInit == pWnd)
        return;
    state->pWndInit = pWnd;
    state->creationHookBefore = win::SetCreationHook([](HWND hWnd, const CREATESTRUCTA&) {
        AFX_THREAD_STATE* hooked = AfxGetThreadState();
        CWnd* object = hooked->pWndInit;
        // Only the first window made after the hook belongs to the object;
        // the windows it makes while being created (a dialog's controls)
        // see the hook that was there before.
        hooked->pWndInit = nullptr;
        win::SetCreationHook(hooked->creationHookBefore);
        if (object && object->Attach(hWnd)) {
            object->PreSubclassWindow();
            SubclassForObject(hWnd, &object->m_pfnSuper);
        }
    });
}

BOOL AFXAPI AfxUnhookWindowCreate()
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (!state->pWndInit)
        return TRUE;
    state->pWndInit = nullptr;
    win::SetCreationHook(state->creationHookBefore);
    return FALSE;
}

LPCSTR AFXAPI AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static std::mutex lock;
    static std::set<std::string> names;
    char name[128];
    std::snprintf(name, sizeof(name), "Afx:%p:%x:%p:%p:%p", static_cast<void*>(ProgramInstance()), nClassStyle,
                  static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    std::lock_guard<std::mutex> guard(lock);
    auto [it, added] = names.insert(name);
    WNDCLASSA existing{};
    if (added || !::GetClassInfoA(ProgramInstance(), name, &existing)) {
        WNDCLASSA wc{};
        wc.style = nClassStyle;
        wc.lpfnWndProc = &::DefWindowProcA;
        wc.hInstance = ProgramInstance();
        wc.hIcon = hIcon;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.lpszClassName = it->c_str();
        if (!::RegisterClassA(&wc) && !::GetClassInfoA(ProgramInstance(), name, &existing))
            AfxThrowResourceException();
    }
    return it->c_str();
}

namespace {

// The framework's own classes, registered when first used.
LPCSTR FrameworkClass(LPCSTR name)
{
    struct Registered {
        LPCSTR name;
        UINT style;
        bool window;
    };
    static constexpr Registered kClasses[] = {
        {AFX_WND, CS_DBLCLKS, false},
        {AFX_WNDFRAMEORVIEW, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, true},
    };
    static std::once_flag once;
    std::call_once(once, [] {
        for (const Registered& entry : kClasses) {
            WNDCLASSA wc{};
            wc.style = entry.style;
            wc.lpfnWndProc = &::DefWindowProcA;
            wc.hInstance = ProgramInstance();
            wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
            wc.hbrBackground = entry.window ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)) : nullptr;
            wc.lpszClassName = entry.name;
            ::RegisterClassA(&wc);
        }
    });
    return name;
}

} // namespace

// Handle maps.

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    return AfxGetThreadState()->windows.FromHandle(hWnd, [](HWND handle) {
        CWnd* temporary = new CWnd;
        temporary->m_hWnd = handle;
        return temporary;
    });
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? AfxGetThreadState()->windows.FromPermanent(hWnd) : nullptr;
}

void PASCAL CWnd::DeleteTempMap() { AfxGetThreadState()->windows.DeleteTemporaries(); }

BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_hWnd || !hWndNew || FromHandlePermanent(hWndNew))
        return FALSE;
    m_hWnd = hWndNew;
    AfxGetThreadState()->windows.SetPermanent(hWndNew, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd)
        AfxGetThreadState()->windows.RemovePermanent(hWnd, this);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    SubclassForObject(hWnd, &m_pfnSuper);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND control = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (!m_hWnd)
        return nullptr;
    if (m_pfnSuper)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    // Destroying reaches OnNcDestroy, which detaches; PostNcDestroy is
    // CWnd's own by now, so the object is not deleted twice.
    if (FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
    if (m_hWnd)
        Detach();
}

// Creation.

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = FrameworkClass((cs.style & WS_CHILD) ? AFX_WND : AFX_WNDFRAMEORVIEW);
    return TRUE;
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    CREATESTRUCT cs{lpParam,   ProgramInstance(), nIDorHMenu,
                    hWndParent, nHeight,          nWidth,
                    y,          x,                static_cast<LONG>(dwStyle),
                    lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    // When the hook never ran, no window message will reach PostNcDestroy.
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    return hWnd != nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND hWnd = m_hWnd;
    const bool permanent = FromHandlePermanent(hWnd) == this;
    // A permanent object may delete itself in PostNcDestroy: nothing of it
    // is touched after the window is gone.
    const BOOL result = ::DestroyWindow(hWnd);
    if (!permanent)
        Detach();
    return result;
}

// Messages.

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        result = 1;
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || !header->hwndFrom || !OnNotify(wParam, lParam, &result))
            return FALSE;
    } else {
        // Every WM_CTLCOLOR* message goes to the one WM_CTLCOLOR entry.
        const UINT lookup = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC ? WM_CTLCOLOR : message;
        const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), lookup);
        if (!entry || entry->nMessage == WM_COMMAND || entry->nMessage == WM_NOTIFY)
            return FALSE;
        AFX_MSGCALL call;
        call.message = message;
        call.wParam = wParam;
        call.lParam = lParam;
        if (!entry->pfn(this, call))
            return FALSE;
        result = call.result;
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

const MSG* CWnd::GetCurrentMessage()
{
    MSG& msg = AfxGetThreadState()->lastSentMsg;
    msg.time = static_cast<DWORD>(::GetMessageTime());
    const DWORD pos = static_cast<DWORD>(::GetMessagePos());
    msg.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    return &msg;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        // A window with tool tips sees the mouse first, for its tips.
        if (pWnd && AfxGetThreadState()->toolTipWindows.count(hWnd))
            pWnd->FilterToolTipMessage(pMsg);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!control) {
        // A menu command or an accelerator: a command that its handlers
        // disable is dropped.
        if (nID == 0)
            return FALSE;
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled)
            return TRUE;
        nCode = CN_COMMAND;
    } else {
        if (AfxGetThreadState()->lockoutNotifyWindow == m_hWnd)
            return TRUE;
        CWnd* child = FromHandlePermanent(control);
        LRESULT ignored = 0;
        if (child && child->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
            return TRUE;
        if (nID == 0)
            return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (AfxGetThreadState()->lockoutNotifyWindow == m_hWnd)
        return TRUE;
    if (CWnd* child = FromHandlePermanent(header->hwndFrom))
        if (child->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult))
            return TRUE;
    AFX_NOTIFY notify{pResult, header};
    // The sender's own id: a tool tip's notifications carry the tool's id
    // (a window handle for window tools) but come from the tip, id 0.
    const UINT nID = header->hwndFrom && ::IsWindow(header->hwndFrom)
                         ? static_cast<UINT>(::GetDlgCtrlID(header->hwndFrom))
                         : static_cast<UINT>(header->idFrom);
    return OnCmdMsg(nID, static_cast<int>(MAKELONG(LOWORD(header->code), WM_NOTIFY)), &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Messages a child's object can take back under WM_REFLECT_BASE.
    static constexpr UINT kReflected[] = {WM_HSCROLL,     WM_VSCROLL,     WM_PARENTNOTIFY, WM_DRAWITEM,   WM_MEASUREITEM,
                                          WM_DELETEITEM,  WM_VKEYTOITEM,  WM_CHARTOITEM,   WM_COMPAREITEM};
    for (UINT reflected : kReflected)
        if (message == reflected)
            return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    if (message == WM_COMMAND) {
        const int code = static_cast<int>(MAKELONG(HIWORD(wParam), WM_REFLECT_BASE + WM_COMMAND));
        if (!OnCmdMsg(0, code, nullptr, nullptr))
            return FALSE;
        if (pResult)
            *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT ignored = 0;
        AFX_NOTIFY notify{pResult ? pResult : &ignored, header};
        return OnCmdMsg(0, static_cast<int>(MAKELONG(LOWORD(header->code), WM_REFLECT_BASE + WM_NOTIFY)), &notify,
                        nullptr);
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        AFX_CTLCOLOR color{m_hWnd, reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX};
        return OnWndMsg(WM_REFLECT_BASE + WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&color), pResult);
    }
    return FALSE;
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* child = FromHandlePermanent(hWndChild);
    return child ? child->SendChildNotifyLastMsg(pResult) : FALSE;
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult)
{
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm)
{
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!bOnlyPerm) {
            ::SendMessageA(child, message, wParam, lParam);
        } else if (CWnd* object = FromHandlePermanent(child)) {
            CallWndProc(object, child, message, wParam, lParam);
        }
        if (bDeep && ::GetTopWindow(child)) {
            CWnd* wrapper = FromHandle(child);
            wrapper->SendMessageToDescendants(message, wParam, lParam, bDeep, bOnlyPerm);
        }
    }
}

// Default handlers.

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnClose() { Default(); }
BOOL CWnd::OnQueryEndSession() { return static_cast<BOOL>(Default()); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnDropFiles(HDROP) { Default(); }
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR) { return static_cast<BOOL>(Default()); }
void CWnd::OnPaletteChanged(CWnd*) { Default(); }
BOOL CWnd::OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
void CWnd::OnEnterIdle(UINT, CWnd*) { Default(); }
LRESULT CWnd::OnMenuChar(UINT, UINT, CMenu*) { return Default(); }
void CWnd::OnInitMenu(CMenu*) { Default(); }
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT)
{
    LRESULT result = 0;
    if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &result))
        return reinterpret_cast<HBRUSH>(result);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct->CtlType == ODT_MENU) {
        if (CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lpDrawItemStruct->hwndItem))) {
            menu->DrawItem(lpDrawItemStruct);
            return;
        }
    } else if (ReflectLastMsg(lpDrawItemStruct->hwndItem)) {
        return;
    }
    Default();
}

void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (lpMeasureItemStruct->CtlType == ODT_MENU) {
        if (CMenu* menu = MenuObjectFor(m_hWnd, lpMeasureItemStruct->itemID)) {
            menu->MeasureItem(lpMeasureItemStruct);
            return;
        }
    } else if (ReflectLastMsg(::GetDlgItem(m_hWnd, static_cast<int>(lpMeasureItemStruct->CtlID)))) {
        return;
    }
    Default();
}

int CWnd::OnCompareItem(int, LPCOMPAREITEMSTRUCT lpCompareItemStruct)
{
    LRESULT result = 0;
    if (ReflectLastMsg(lpCompareItemStruct->hwndItem, &result))
        return static_cast<int>(result);
    return static_cast<int>(Default());
}

void CWnd::OnDeleteItem(int, LPDELETEITEMSTRUCT lpDeleteItemStruct)
{
    if (!ReflectLastMsg(lpDeleteItemStruct->hwndItem))
        Default();
}

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (!pScrollBar || !ReflectLastMsg(pScrollBar->m_hWnd))
        Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (!pScrollBar || !ReflectLastMsg(pScrollBar->m_hWnd))
        Default();
}

void CWnd::OnNcDestroy()
{
    AfxWindowGone(this);
    Default();
    HWND hWnd = m_hWnd;
    // The window's procedure goes back to what it was, so that its last
    // messages (none after this) would not come to a deleted object.
    if (m_pfnSuper &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == &AfxWndProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();
}

// Wrappers.

CWnd* CWnd::GetTopLevelParent() const
{
    HWND top = m_hWnd;
    for (HWND next; top && (next = (::GetWindowLongA(top, GWL_STYLE) & WS_CHILD) ? ::GetParent(top)
                                                                            : ::GetWindow(top, GW_OWNER));)
        top = next;
    return FromHandle(top);
}

CWnd* CWnd::GetDescendantWindow(int nID, BOOL bOnlyPerm) const
{
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetDlgCtrlID(child) == nID) {
            CWnd* object = bOnlyPerm ? FromHandlePermanent(child) : FromHandle(child);
            if (object)
                return object;
        }
        if (::GetTopWindow(child))
            if (CWnd* found = FromHandle(child)->GetDescendantWindow(nID, bOnlyPerm))
                return found;
    }
    return nullptr;
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    const DWORD style = GetStyle();
    const bool child = (style & WS_CHILD) != 0;
    HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : child ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    // A hidden or minimised owner is no place to centre on.
    if (center && !child && (!::IsWindowVisible(center) || ::IsIconic(center)))
        center = nullptr;
    CRect window;
    GetWindowRect(&window);
    CRect area;
    CRect around;
    if (child) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        if (center) {
            ::GetClientRect(center, &around);
            ::MapWindowPoints(center, parent, reinterpret_cast<LPPOINT>(&around), 2);
        } else {
            around = area;
        }
    } else {
        if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
            area.SetRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        if (center)
            ::GetWindowRect(center, &around);
        else
            around = area;
    }
    int x = (around.left + around.right) / 2 - window.Width() / 2;
    int y = (around.top + around.bottom) / 2 - window.Height() / 2;
    if (x + window.Width() > area.right)
        x = area.right - window.Width();
    if (x < area.left)
        x = area.left;
    if (y + window.Height() > area.bottom)
        y = area.bottom - window.Height();
    if (y < area.top)
        y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType)
{
    const DWORD style = GetStyle();
    ::AdjustWindowRectEx(lpClientRect, style, FALSE, GetExStyle());
    // Outside adjustment counts the scroll bars as part of the frame.
    if (nAdjustType != 0) {
        if (style & WS_VSCROLL)
            lpClientRect->right += ::GetSystemMetrics(SM_CXVSCROLL);
        if (style & WS_HSCROLL)
            lpClientRect->bottom += ::GetSystemMetrics(SM_CYHSCROLL);
    }
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* pDC) { return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0; }

CDC* CWnd::BeginPaint(LPPAINTSTRUCT lpPaint) { return CDC::FromHandle(::BeginPaint(m_hWnd, lpPaint)); }

void CWnd::GetWindowText(CString& rString) const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(m_hWnd, text.data(), length + 1);
    rString = CString(text.data(), copied);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    HWND item = ::GetDlgItem(m_hWnd, nID);
    if (!item) {
        rString.Empty();
        return 0;
    }
    FromHandle(item)->GetWindowText(rString);
    return rString.GetLength();
}

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
}

int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton)
{
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id))
            return id;
    return 0;
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxCaptionText(), nType);
}

BOOL PASCAL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL PASCAL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::EnableToolTips(BOOL bEnable)
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (!m_hWnd)
        return FALSE;
    if (bEnable) {
        state->toolTipWindows.insert(m_hWnd);
        return TRUE;
    }
    state->toolTipWindows.erase(m_hWnd);
    if (state->toolTipOwner == m_hWnd && state->toolTip && ::IsWindow(state->toolTip)) {
        ::SendMessageA(state->toolTip, TTM_POP, 0, 0);
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = m_hWnd;
        ti.uId = state->toolTipLastId;
        ::SendMessageA(state->toolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        state->toolTipOwner = nullptr;
        state->toolTipLastHit = -1;
    }
    return TRUE;
}

INT_PTR CWnd::OnToolHitTest(CPoint point, TOOLINFOA* pTI) const
{
    // The visible child under the point, as a window tool whose text the
    // window gives through TTN_NEEDTEXT.
    HWND child = ::ChildWindowFromPointEx(m_hWnd, point, CWP_SKIPINVISIBLE);
    if (!child || child == m_hWnd)
        return -1;
    if (pTI) {
        pTI->hwnd = m_hWnd;
        pTI->uId = reinterpret_cast<UINT_PTR>(child);
        pTI->uFlags |= TTF_IDISHWND;
        pTI->lpszText = LPSTR_TEXTCALLBACKA;
    }
    return ::GetDlgCtrlID(child);
}

void CWnd::FilterToolTipMessage(MSG* pMsg)
{
    const UINT message = pMsg->message;
    const bool mouse = message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE || message == WM_LBUTTONDOWN ||
                       message == WM_LBUTTONUP || message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ||
                       message == WM_MBUTTONDOWN || message == WM_MBUTTONUP;
    if (!mouse || !m_hWnd)
        return;
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (!state->toolTip || !::IsWindow(state->toolTip)) {
        InitCommonControls();
        state->toolTip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                           ::GetAncestor(m_hWnd, GA_ROOT), nullptr, nullptr, nullptr);
        state->toolTipOwner = nullptr;
        state->toolTipLastHit = -1;
        if (!state->toolTip)
            return;
    }
    POINT at = pMsg->pt;
    ::ScreenToClient(m_hWnd, &at);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    const INT_PTR hit = OnToolHitTest(CPoint(at), &ti);
    if (hit != state->toolTipLastHit || state->toolTipOwner != m_hWnd ||
        (hit != -1 && ti.uId != state->toolTipLastId)) {
        if (state->toolTipOwner) {
            TOOLINFOA old{};
            old.cbSize = sizeof old;
            old.hwnd = state->toolTipOwner;
            old.uId = state->toolTipLastId;
            ::SendMessageA(state->toolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&old));
        }
        state->toolTipOwner = nullptr;
        state->toolTipLastHit = hit;
        if (hit != -1) {
            ::SendMessageA(state->toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
            state->toolTipOwner = m_hWnd;
            state->toolTipLastId = ti.uId;
        }
    }
    ::SendMessageA(state->toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg));
}
