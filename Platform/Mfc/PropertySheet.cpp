#include "Platform/Mfc/PropertySheet.h"

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Win/User/Extensions.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

namespace {

// The sheet makes a page's window right after PSPCB_CREATE: the page
// object takes the window over as it is made.
UINT AfxPropPageCallback(HWND, UINT message, PROPSHEETPAGEA* psp)
{
    if (message == PSPCB_CREATE && psp && psp->lParam)
        AfxHookWindowCreate(reinterpret_cast<CPropertyPage*>(psp->lParam));
    return TRUE;
}

} // namespace

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate)
{
    CommonConstruct(MAKEINTRESOURCEA(nIDTemplate), nIDCaption);
}

CPropertyPage::CPropertyPage(LPCSTR lpszTemplateName, UINT nIDCaption) : CDialog(lpszTemplateName)
{
    CommonConstruct(lpszTemplateName, nIDCaption);
}

void CPropertyPage::Construct(UINT nIDTemplate, UINT nIDCaption)
{
    m_lpszTemplateName = MAKEINTRESOURCEA(nIDTemplate);
    m_nIDHelp = nIDTemplate;
    CommonConstruct(m_lpszTemplateName, nIDCaption);
}

void CPropertyPage::CommonConstruct(LPCSTR lpszTemplateName, UINT nIDCaption)
{
    m_psp = PROPSHEETPAGEA{};
    m_psp.dwSize = sizeof(PROPSHEETPAGEA);
    m_psp.dwFlags = PSP_USECALLBACK;
    m_psp.pszTemplate = lpszTemplateName;
    m_psp.hInstance = lpszTemplateName ? AfxFindResourceHandle(lpszTemplateName, RT_DIALOG) : AfxGetResourceHandle();
    m_psp.pfnDlgProc = AfxDlgProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    m_psp.pfnCallback = AfxPropPageCallback;
    if (nIDCaption && m_strCaption.LoadString(nIDCaption)) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption;
    }
}

void CPropertyPage::SetModified(BOOL bChanged)
{
    if (HWND sheet = m_hWnd ? ::GetParent(m_hWnd) : nullptr)
        ::SendMessageA(sheet, bChanged ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

CPropertySheet* CPropertyPage::GetSheet() const
{
    CWnd* parent = m_hWnd ? CWnd::FromHandlePermanent(::GetParent(m_hWnd)) : nullptr;
    return parent && parent->IsKindOf(RUNTIME_CLASS(CPropertySheet)) ? static_cast<CPropertySheet*>(parent) : nullptr;
}

BOOL CPropertyPage::OnSetActive()
{
    // The first activation follows OnInitDialog, which showed the values.
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }
BOOL CPropertyPage::OnQueryCancel() { return TRUE; }
LRESULT CPropertyPage::OnWizardBack() { return 0; }
LRESULT CPropertyPage::OnWizardNext() { return 0; }
BOOL CPropertyPage::OnWizardFinish() { return TRUE; }
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != ::GetParent(m_hWnd))
        return CDialog::OnNotify(wParam, lParam, pResult);
    LRESULT result = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        result = !OnKillActive();
        break;
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        break;
    case PSN_RESET:
        OnReset();
        break;
    case PSN_QUERYCANCEL:
        result = !OnQueryCancel();
        break;
    case PSN_WIZBACK:
        result = OnWizardBack();
        break;
    case PSN_WIZNEXT:
        result = OnWizardNext();
        break;
    case PSN_WIZFINISH:
        result = !OnWizardFinish();
        break;
    case PSN_HELP:
        SendMessage(WM_COMMAND, ID_HELP);
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    CommonConstruct(pParentWnd, iSelectPage);
    m_strCaption.LoadString(nIDCaption);
}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    CommonConstruct(pParentWnd, iSelectPage);
    m_strCaption = pszCaption ? pszCaption : "";
}

// The tab window is the sheet's child: it goes with the sheet's window,
// never with this object.
CPropertySheet::~CPropertySheet() { m_tabCtrl.m_hWnd = nullptr; }

void CPropertySheet::CommonConstruct(CWnd* pParentWnd, UINT iSelectPage)
{
    m_psh = PROPSHEETHEADERA{};
    m_psh.dwSize = sizeof(PROPSHEETHEADERA);
    m_psh.dwFlags = PSH_PROPSHEETPAGE;
    m_psh.nStartPage = iSelectPage;
    m_pParentWnd = pParentWnd;
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (!pPage)
        return;
    m_pages.push_back(pPage);
    if (m_hWnd)
        if (HPROPSHEETPAGE page = CreatePropertySheetPageA(&pPage->m_psp))
            if (!SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(page)))
                DestroyPropertySheetPage(page);
}

void CPropertySheet::RemovePage(CPropertyPage* pPage) { RemovePage(GetPageIndex(pPage)); }

void CPropertySheet::RemovePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return;
    if (m_hWnd)
        SendMessage(PSM_REMOVEPAGE, static_cast<WPARAM>(nPage));
    m_pages.erase(m_pages.begin() + nPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage) const
{
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == pPage)
            return static_cast<int>(i);
    return -1;
}

int CPropertySheet::GetActiveIndex() const
{
    if (!m_hWnd)
        return static_cast<int>(m_psh.nStartPage);
    HWND page = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    return static_cast<int>(::SendMessageA(m_hWnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (!m_hWnd) {
        m_psh.nStartPage = static_cast<UINT>(nPage);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage)));
}

void CPropertySheet::SetTitle(LPCSTR lpszText, UINT nStyle)
{
    if (m_hWnd) {
        SendMessage(PSM_SETTITLEA, nStyle, reinterpret_cast<LPARAM>(lpszText));
        return;
    }
    m_strCaption = lpszText ? lpszText : "";
    m_psh.dwFlags = (m_psh.dwFlags & ~PSH_PROPTITLE) | (nStyle & PSH_PROPTITLE);
}

void CPropertySheet::SetWizardButtons(DWORD dwFlags)
{
    if (m_hWnd)
        ::PostMessageA(m_hWnd, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(dwFlags));
}

void CPropertySheet::SetFinishText(LPCSTR lpszText)
{
    if (m_hWnd)
        SendMessage(PSM_SETFINISHTEXTA, 0, reinterpret_cast<LPARAM>(lpszText));
}

CTabCtrl* CPropertySheet::GetTabControl() const { return m_hWnd && m_tabCtrl.m_hWnd ? &m_tabCtrl : nullptr; }

BOOL CPropertySheet::PressButton(int nButton)
{
    if (!m_hWnd || nButton < 0)
        return FALSE;
    SendMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(nButton));
    return TRUE;
}

void CPropertySheet::EndDialog(int nEndID)
{
    PressButton(nEndID == IDOK ? static_cast<int>(PSBTN_OK)
                : nEndID == ID_WIZFINISH ? static_cast<int>(PSBTN_FINISH)
                                         : static_cast<int>(PSBTN_CANCEL));
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_pages.empty() || m_hWnd)
        return -1;
    m_records.clear();
    for (CPropertyPage* page : m_pages)
        m_records.push_back(page->m_psp);
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!owner)
        if (CWnd* main = AfxGetMainWnd())
            owner = ::GetLastActivePopup(main->m_hWnd);
    while (owner && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    m_psh.dwSize = sizeof(PROPSHEETHEADERA);
    m_psh.dwFlags = (m_psh.dwFlags | PSH_PROPSHEETPAGE) & ~PSH_MODELESS;
    m_psh.hwndParent = owner;
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.pszCaption = m_strCaption;
    m_psh.nPages = static_cast<UINT>(m_records.size());
    m_psh.ppsp = m_records.data();
    AfxHookWindowCreate(this);
    int button = 0;
    const INT_PTR result = win::commctrl::RunPropertySheet(&m_psh, &button);
    AfxUnhookWindowCreate();
    return result < 0 ? -1 : button;
}

BOOL CPropertySheet::OnInitDialog() { return TRUE; }

LRESULT CPropertySheet::HandleInitDialog(WPARAM, LPARAM)
{
    // The sheet's own set-up (pages, buttons, the tab window) comes first.
    const LRESULT result = Default();
    // Named, not attached: a permanent mapping would keep any other object
    // from subclassing the tab window.
    m_tabCtrl.m_hWnd = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
    OnInitDialog();
    return result;
}

void CPropertySheet::OnDestroy()
{
    // Before the tab window goes, so that no stale handle stays named.
    m_tabCtrl.m_hWnd = nullptr;
    CWnd::OnDestroy();
}
