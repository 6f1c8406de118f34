#include "Platform/Mfc/Dialog.h"

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Mfc/WinThread.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/ModalLoop.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CWnd* object = CWnd::FromHandlePermanent(hWnd);
    // A dialog without its object still gets the focus set for it.
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CDialog)))
        return TRUE;
    return static_cast<CDialog*>(object)->OnInitDialog();
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
    if (IS_INTRESOURCE(lpszTemplateName))
        m_nIDHelp = static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszTemplateName));
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = lpDialogTemplate;
    m_lpszTemplateName = nullptr;
    m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr;
}

HWND CDialog::PreModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner)
        if (CWnd* main = AfxGetMainWnd())
            owner = main->m_hWnd;
    // A popup cannot be owned by a child window.
    while (owner && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    if (!m_pParentWnd && owner)
        owner = ::GetLastActivePopup(owner);
    return owner;
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE instance = AfxGetResourceHandle();
    win::ResourceBytes bytes;
    if (m_lpszTemplateName) {
        instance = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
        bytes = win::FindDialogTemplate(instance, m_lpszTemplateName);
        if (!bytes)
            return -1;
    } else if (!m_lpDialogTemplate) {
        return -1;
    }
    HWND owner = PreModal();
    AfxUnhookWindowCreate();
    m_nModalResult = -1;
    {
        win::ModalLoop loop(owner);
        AfxHookWindowCreate(this);
        HWND made = bytes ? ::CreateDialogFromBytes(instance, bytes.data, bytes.size, owner, AfxDlgProc, 0)
                          : ::CreateDialogIndirectParamA(instance, m_lpDialogTemplate, owner, AfxDlgProc, 0);
        if (!AfxUnhookWindowCreate())
            PostNcDestroy();
        INT_PTR ended = 0;
        if (made && m_hWnd == made) {
            if (win::DialogEnded(made, &ended)) {
                m_nModalResult = ended;
            } else {
                const bool idleMessages = !(GetStyle() & DS_NOIDLEMSG);
                LPARAM idleCount = 0;
                loop.m_filter = [this, &idleCount](MSG& msg) {
                    if (msg.message != WM_KICKIDLE)
                        idleCount = 0;
                    CWinThread* thread = AfxGetThread();
                    return (thread ? thread->PreTranslateMessage(&msg) : WalkPreTranslateTree(m_hWnd, &msg)) != FALSE;
                };
                loop.m_idle = [this, owner, idleMessages, &idleCount] {
                    if (idleMessages && idleCount == 0 && owner && ::IsWindow(owner))
                        ::SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(m_hWnd));
                    if (m_hWnd)
                        SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++);
                };
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
                m_nModalResult = loop.Run(made, -1);
            }
        }
        loop.ReleaseOwner();
    }
    DestroyWindow();
    PostModal();
    return m_nModalResult;
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && m_nIDHelp == 0)
        m_nIDHelp = static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszTemplateName));
    HINSTANCE instance = AfxFindResourceHandle(lpszTemplateName, RT_DIALOG);
    win::ResourceBytes bytes = win::FindDialogTemplate(instance, lpszTemplateName);
    if (!bytes)
        return FALSE;
    m_pParentWnd = pParentWnd;
    AfxHookWindowCreate(this);
    HWND made = ::CreateDialogFromBytes(instance, bytes.data, bytes.size, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                                        AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    return made != nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd)
{
    m_pParentWnd = pParentWnd;
    AfxHookWindowCreate(this);
    HWND made = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpDialogTemplate,
                                             pParentWnd ? pParentWnd->m_hWnd : nullptr, AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    return made != nullptr;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    PreInitDialog();
    // The dialog procedure (AfxDlgProc) calls OnInitDialog.
    return Default();
}

BOOL CDialog::OnInitDialog()
{
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    // The controls' notifications while values move are the exchange's
    // own doing, not the user's: the dialog does not get them.
    AFX_THREAD_STATE* state = AfxGetThreadState();
    HWND outerLockout = state->lockoutNotifyWindow;
    state->lockoutNotifyWindow = m_hWnd;
    BOOL done = FALSE;
    try {
        DoDataExchange(&exchange);
        done = TRUE;
    } catch (CException* e) {
        // A refused value has been told already; anything else is reported.
        if (!e->IsKindOf(RUNTIME_CLASS(CUserException)))
            e->ReportError(MB_ICONEXCLAMATION, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
    }
    state->lockoutNotifyWindow = outerLockout;
    return done;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

DWORD CDialog::GetDefID()
{
    const DWORD answer = static_cast<DWORD>(SendMessage(DM_GETDEFID));
    return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Only input goes through the dialog manager; other messages are
    // dispatched as they are.
    const bool key = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
    const bool mouse = pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST;
    if (!key && !mouse)
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}
