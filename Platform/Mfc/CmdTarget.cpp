#include "Platform/Mfc/CmdTarget.h"

#include "Platform/Mfc/Menu.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Mfc/Wnd.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap()
{
    static constexpr AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
    static constexpr AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The code's high word names the message (WM_NOTIFY, a reflected
    // message); commands and their update questions have none.
    UINT message = WM_COMMAND;
    WORD code = LOWORD(static_cast<DWORD>(nCode));
    if (nCode != CN_UPDATE_COMMAND_UI && nCode != CN_EVENT && HIWORD(static_cast<DWORD>(nCode)))
        message = HIWORD(static_cast<DWORD>(nCode));
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
            if (entry->nMessage != message || static_cast<WORD>(entry->nCode) != code || nID < entry->nID ||
                nID > entry->nLastID)
                continue;
            if (pHandlerInfo) {
                pHandlerInfo->pTarget = this;
                pHandlerInfo->pmf = entry->pfn;
                return TRUE;
            }
            AFX_MSGCALL call;
            call.nID = nID;
            call.nCode = nCode;
            call.pExtra = pExtra;
            if (entry->pfn(this, call))
                return TRUE;
        }
    }
    return FALSE;
}

void CCmdTarget::BeginWaitCursor() { AfxWaitCursor(1); }

void CCmdTarget::EndWaitCursor() { AfxWaitCursor(-1); }

void CCmdTarget::RestoreWaitCursor() { AfxWaitCursor(0); }

void AfxDoWaitCursor(int nCode)
{
    AFX_THREAD_STATE* state = AfxGetThreadState();
    if (nCode > 0) {
        if (state->waitCursorCount++ == 0)
            state->cursorBeforeWait = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        else
            ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    } else if (nCode < 0) {
        // More ends than begins are ignored.
        if (state->waitCursorCount > 0 && --state->waitCursorCount == 0)
            ::SetCursor(state->cursorBeforeWait ? state->cursorBeforeWait : ::LoadCursorA(nullptr, IDC_ARROW));
    } else if (state->waitCursorCount > 0) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    }
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message)
{
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry)
            if (entry->pnRegistered ? *entry->pnRegistered == message : entry->nMessage == message)
                return entry;
    return nullptr;
}

void CCmdUI::Enable(BOOL bOn)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
    } else if (m_pOther) {
        // A control that loses its enabling gives the focus on first.
        if (!bOn && ::GetFocus() == m_pOther->m_hWnd)
            if (CWnd* parent = m_pOther->GetParent())
                parent->SendMessage(WM_NEXTDLGCTL, 0, FALSE);
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther && (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON)) {
        m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
    }
}

void CCmdUI::SetRadio(BOOL bOn)
{
    if (m_pMenu && !m_pSubMenu && bOn)
        m_pMenu->CheckMenuRadioItem(m_nIndex, m_nIndex, m_nIndex, MF_BYPOSITION);
    else
        SetCheck(bOn ? 1 : 0);
}

void CCmdUI::SetText(LPCSTR lpszText)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)),
                            m_nID, lpszText);
    } else if (m_pOther) {
        m_pOther->SetWindowText(lpszText);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF)
        return TRUE;
    m_bEnableChanged = FALSE;
    const BOOL answered = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info{nullptr, nullptr};
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
    }
    return answered;
}
