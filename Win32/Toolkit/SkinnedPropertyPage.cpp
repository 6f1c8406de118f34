#include "Win32/Toolkit/SkinnedPropertyPage.h"

#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SkinnedDialog.h"

BEGIN_MESSAGE_MAP(KLPropertyPage, CPropertyPage)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

KLPropertyPage::KLPropertyPage(UINT nIDTemplate, UINT nIDCaption)
    : CPropertyPage(nIDTemplate, nIDCaption), m_pBackgroundSkin(GetSkinFrameBitmap(473)),
      m_pControlSkin(GetSkinFrameBitmap(517))
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

KLPropertyPage::~KLPropertyPage() = default;

void KLPropertyPage::DoDataExchange(CDataExchange*) {}

void KLPropertyPage::PaintBackground(CDC* pDC)
{
    if (pDC)
        FillWindowWithSkin(m_hWnd, pDC->m_hDC, m_pBackgroundSkin ? m_pBackgroundSkin : GetSkinFrameBitmap(396));
}

BOOL KLPropertyPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    SubclassSkinnedChildren(m_hWnd, m_pBackgroundSkin, m_pControlSkin);
    return TRUE;
}

BOOL KLPropertyPage::OnSetActive()
{
    CPropertyPage::OnSetActive();
    CPropertySheet* sheet = GetSheet();
    if (sheet && (sheet->m_psh.dwFlags & PSH_WIZARD)) {
        const int index = sheet->GetPageIndex(this);
        const int count = sheet->GetPageCount();
        EnableDialogItem(sheet->m_hWnd, ID_WIZBACK, index != 0);
        ShowDialogItem(sheet->m_hWnd, ID_WIZNEXT, index == count - 1 ? SW_HIDE : SW_SHOW);
    }
    return TRUE;
}

void KLPropertyPage::SetDlgItemTextSkinned(int nID, LPCSTR lpszString)
{
    RepaintUnderSkinnedControl(m_hWnd, nID, m_pBackgroundSkin);
    SetDlgItemText(nID, lpszString);
}

void KLPropertyPage::SetDlgItemIntSkinned(int nID, UINT nValue, BOOL bSigned)
{
    RepaintUnderSkinnedControl(m_hWnd, nID, m_pBackgroundSkin);
    SetDlgItemInt(nID, nValue, bSigned);
}

void KLPropertyPage::EnableDlgItem(int nID, BOOL bEnable) { EnableDialogItem(m_hWnd, nID, bEnable); }

BOOL KLPropertyPage::ShowDlgItem(int nID, int nCmdShow) { return ShowDialogItem(m_hWnd, nID, nCmdShow); }

void KLPropertyPage::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!DrawSkinnedItem(lpDrawItemStruct))
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

HBRUSH KLPropertyPage::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = SkinnedCtlColor(pDC, pWnd, nCtlColor))
        return brush;
    return CPropertyPage::OnCtlColor(pDC, pWnd, nCtlColor);
}

// The background is all erase's; painting only validates.
void KLPropertyPage::OnPaint() { CPaintDC dc(this); }

BOOL KLPropertyPage::OnEraseBkgnd(CDC* pDC)
{
    PaintBackground(pDC);
    return TRUE;
}

void KLPropertyPage::OnDestroy()
{
    UnsubclassSkinnedChildren(m_hWnd);
    CPropertyPage::OnDestroy();
}
