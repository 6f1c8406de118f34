#include "Win32/Toolkit/SkinnedPropertySheet.h"

#include "Win32/Toolkit/CaptionFrame.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SkinnedDialog.h"
#include "Win32/Toolkit/SkinnedTabCtrl.h"

IMPLEMENT_DYNAMIC(KLPropertySheet, CPropertySheet)

namespace {

constexpr int kTabGrowth = 4;

} // namespace

BEGIN_MESSAGE_MAP(KLPropertySheet, CPropertySheet)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(DM_SETDEFID, OnSetDefId)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

KLPropertySheet::KLPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(nIDCaption, pParentWnd, iSelectPage), m_pApp(&GetSkinState()),
      m_pBackgroundSkin(GetSkinFrameBitmap(473)), m_pParent(pParentWnd)
{
    m_psh.dwFlags &= ~PSH_HASHELP;
}

KLPropertySheet::KLPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(pszCaption, pParentWnd, iSelectPage), m_pApp(&GetSkinState()),
      m_pBackgroundSkin(GetSkinFrameBitmap(473)), m_pParent(pParentWnd)
{
    m_psh.dwFlags &= ~PSH_HASHELP;
}

KLPropertySheet::~KLPropertySheet()
{
    delete m_pTabCtrl;
    delete m_pCaptionFrame;
}

BOOL KLPropertySheet::OnInitDialog()
{
    const BOOL result = CPropertySheet::OnInitDialog();
    MakePushButtonsOwnerDraw(m_hWnd);
    ModifyStyle(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0);
    TakeOverTabControl();
    m_pCaptionFrame = new KLCaptionFrame(this, KLCaptionFrame::kCloseBox);
    return result;
}

void KLPropertySheet::TakeOverTabControl()
{
    HWND tab = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
    if (!tab)
        return;
    auto* tabs = new KLTabCtrl(tab);
    if (!tabs->IsSubclassed()) {
        delete tabs;
        return;
    }
    m_pTabCtrl = tabs;
    m_pTabCtrl->ModifyStyle(0, TCS_FOCUSNEVER);
    CRect first;
    if (m_pTabCtrl->GetItemRect(0, &first))
        m_pTabCtrl->SetItemSize(CSize(first.Width(), first.Height() + kTabGrowth));
    if (!(m_psh.dwFlags & PSH_WIZARD))
        SetActivePage(GetActiveIndex());
    m_pTabCtrl->SetBackgroundSkin(GetSkinFrameBitmap(473));
    m_pTabCtrl->SetFrameSkin(GetSkinFrameBitmap(545));
    m_pTabCtrl->SetTabSkin(GetSkinFrameBitmap(556));
}

void KLPropertySheet::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!DrawSkinnedItem(lpDrawItemStruct))
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

HBRUSH KLPropertySheet::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = SkinnedCtlColor(pDC, pWnd, nCtlColor))
        return brush;
    return CPropertySheet::OnCtlColor(pDC, pWnd, nCtlColor);
}

BOOL KLPropertySheet::OnEraseBkgnd(CDC* pDC)
{
    if (pDC)
        FillWindowWithSkin(m_hWnd, pDC->m_hDC, m_pBackgroundSkin ? m_pBackgroundSkin : GetSkinFrameBitmap(473));
    return TRUE;
}

LRESULT KLPropertySheet::OnSetDefId(WPARAM, LPARAM)
{
    if (m_psh.dwFlags & PSH_WIZARD)
        MakePushButtonsOwnerDraw(m_hWnd);
    return Default();
}

LRESULT KLPropertySheet::OnSetText(WPARAM, LPARAM lParam)
{
    CWnd::DefWindowProc(WM_SETTEXT, 0, lParam);
    if (m_pCaptionFrame)
        m_pCaptionFrame->PaintCaption(IsWindowEnabled(), nullptr);
    return TRUE;
}

void KLPropertySheet::OnNcPaint() { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

BOOL KLPropertySheet::OnNcActivate(BOOL)
{
    return static_cast<BOOL>(SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox));
}

void KLPropertySheet::OnNcLButtonDown(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLPropertySheet::OnMouseMove(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLPropertySheet::OnLButtonUp(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLPropertySheet::OnDestroy()
{
    delete m_pTabCtrl;
    m_pTabCtrl = nullptr;
    delete m_pCaptionFrame;
    m_pCaptionFrame = nullptr;
    CPropertySheet::OnDestroy();
}
