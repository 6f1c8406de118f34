#include "Win32/Toolkit/ToolDialog.h"

#include <algorithm>

#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/ToolDialogHost.h"

namespace {

constexpr int kButtonTextLimit = 64;
constexpr int kSwatchInset = 5;

bool IsSelector(UINT id)
{
    return id >= KLToolDialog::kFirstSelector && id <= KLToolDialog::kLastSelector;
}

} // namespace

KLToolDialogHost* ToolDialogHostOf(CWnd* owner)
{
    HWND window = owner ? owner->GetSafeHwnd() : nullptr;
    return window ? dynamic_cast<KLToolDialogHost*>(CWnd::FromHandlePermanent(window)) : nullptr;
}

BEGIN_MESSAGE_MAP(KLToolDialog, KLBaseDialog)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_MOVE()
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_COMMAND(KLToolDialog::kApply, OnApply)
    ON_COMMAND(KLToolDialog::kApplyAndHandOver, OnCommand3235)
    ON_COMMAND(KLToolDialog::kClose, OnCloseTool)
    ON_COMMAND(KLToolDialog::kRestoreTransport, OnCommand1338)
END_MESSAGE_MAP()

KLToolDialog::KLToolDialog(UINT nIDTemplate, CWnd* pOwner, UINT nModeCommandId, int nMode)
    : KLBaseDialog(nIDTemplate, pOwner), m_nModeCommandId(nModeCommandId), m_nMode(nMode), m_nTemplateId(nIDTemplate)
{
    m_pBackgroundSkin = GetSkinFrameBitmap(396);
    m_pControlSkin = GetSkinFrameBitmap(518);
}

KLToolDialog::~KLToolDialog() = default;

void KLToolDialog::DoDataExchange(CDataExchange*) {}

void KLToolDialog::RedrawPreview()
{
    if (KLToolDialogHost* host = ToolDialogHostOf(m_pParent))
        host->RedrawPreviewVideo();
}

void KLToolDialog::AttachPreviewScene(Scene*, int) {}
void KLToolDialog::AttachScene(Scene*) {}
BOOL KLToolDialog::WantsEffectPlayer() { return TRUE; }
void KLToolDialog::ApplyPreset(int) {}
int KLToolDialog::ApplyTemplate(void*) { return 0; }
void KLToolDialog::StoreInScene(Scene*) {}
int KLToolDialog::CanAcceptDrop(int, LPARAM) { return 0; }
int KLToolDialog::AcceptDrop(int, LPARAM) { return 0; }

BOOL KLToolDialog::DrawColourSwatch(CDC* pDC, COLORREF colour)
{
    HWND button = ::GetDlgItem(m_hWnd, kSwatch);
    if (!pDC || !button)
        return TRUE;
    CRect r;
    ::GetClientRect(button, &r);
    CRect square(r.right - r.Height() + kSwatchInset, r.top + kSwatchInset, r.right - kSwatchInset,
                 r.bottom - kSwatchInset);
    pDC->FillSolidRect(&square, colour);
    pDC->DrawEdge(&square, EDGE_SUNKEN, BF_RECT);
    return TRUE;
}

BOOL KLToolDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SubclassSkinnedChildren(m_hWnd, m_pBackgroundSkin, m_pControlSkin);
    m_nSelectedButton = kFirstSelector;
    if (ToolDialogHostOf(m_pParent))
        SendMessage(WM_MOVE);
    return TRUE;
}

StoryboardItem* KLToolDialog::GetOwnerViewItem()
{
    KLToolDialogHost* host = ToolDialogHostOf(m_pParent);
    return host ? host->GetPreviewedItem() : nullptr;
}

void KLToolDialog::EnableDlgItem(int nID, BOOL bEnable) { EnableDialogItem(m_hWnd, nID, bEnable); }

BOOL KLToolDialog::ShowDlgItem(int nID, int nCmdShow) { return ShowDialogItem(m_hWnd, nID, nCmdShow); }

// Right-aligned in the owner's mode panel area and as tall as it; an area
// narrower than the panel takes it from its left edge, cut to its width.
void KLToolDialog::OnMove(int, int)
{
    KLToolDialogHost* host = ToolDialogHostOf(m_pParent);
    if (!host)
        return;
    CRect area = host->GetModePanelRect();
    m_pParent->ClientToScreen(&area);
    CRect client;
    GetClientRect(&client);
    const int left = std::max<int>(area.left, area.right - client.Width());
    const CRect placed(left, area.top, area.right, area.bottom);
    CRect now;
    GetWindowRect(&now);
    // Moving sends WM_MOVE again: a panel already in place stops there.
    if (now != placed)
        MoveWindow(placed.left, placed.top, placed.Width(), placed.Height(), FALSE);
}

void KLToolDialog::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const UINT id = lpDrawItemStruct->CtlID;
    if (lpDrawItemStruct->CtlType != ODT_BUTTON || (!IsSelector(id) && id != kSwatch)) {
        KLBaseDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    char text[kButtonTextLimit + 1] = {};
    ::GetWindowTextA(lpDrawItemStruct->hwndItem, text, kButtonTextLimit + 1);
    DrawSkinnedButton(lpDrawItemStruct, text, id == m_nSelectedButton);
    if (id == kSwatch) {
        CDC dc;
        dc.Attach(lpDrawItemStruct->hDC);
        DrawColourSwatch(&dc, m_crSwatch);
        dc.Detach();
    }
}

HBRUSH KLToolDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = GetSkinState().GetCtlColorBrush(pDC, pWnd, nCtlColor, TRUE))
        return brush;
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

BOOL KLToolDialog::OnEraseBkgnd(CDC* pDC)
{
    if (pDC)
        FillWindowWithSkin(m_hWnd, pDC->m_hDC, m_pBackgroundSkin ? m_pBackgroundSkin : GetSkinFrameBitmap(473));
    return TRUE;
}

void KLToolDialog::OnDestroy()
{
    UnsubclassSkinnedChildren(m_hWnd);
    CWnd::OnDestroy();
}

void KLToolDialog::SendToolCommand(int command)
{
    CWaitCursor wait;
    if (HWND owner = m_pParent ? m_pParent->GetSafeHwnd() : nullptr)
        ::SendMessageA(owner, WM_KL_TOOLCOMMAND, static_cast<WPARAM>(command), 0);
    if (HWND control = ::GetDlgItem(m_hWnd, command))
        ::SetFocus(control);
}

void KLToolDialog::OnApply() { SendToolCommand(kApply); }
void KLToolDialog::OnCommand3235() { SendToolCommand(kApplyAndHandOver); }
void KLToolDialog::OnCommand1338() { SendToolCommand(kRestoreTransport); }

void KLToolDialog::OnCloseTool()
{
    if (HWND owner = m_pParent ? m_pParent->GetSafeHwnd() : nullptr)
        ::PostMessageA(owner, WM_KL_TOOLCOMMAND, kClose, 0);
}

void KLToolDialog::OnOK()
{
    CWaitCursor wait;
    HWND focus = ::GetFocus();
    const int id = focus && ::IsChild(m_hWnd, focus) ? ::GetDlgCtrlID(focus) : 0;
    const bool own = id == kRestoreTransport || id == kApplyAndHandOver || id == kClose;
    PostMessage(WM_COMMAND, static_cast<WPARAM>(own ? id : kApply));
    if (focus && id != kClose)
        ::SetFocus(focus);
}

void KLToolDialog::OnCancel()
{
    CWaitCursor wait;
    SendMessage(WM_COMMAND, kRestoreTransport);
    if (HWND owner = m_pParent ? m_pParent->GetSafeHwnd() : nullptr)
        ::PostMessageA(owner, WM_KL_TOOLCOMMAND, kClose, 0);
}
