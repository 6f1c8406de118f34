#pragma once
// CPropertySheet and CPropertyPage over PropertySheetA. A page is a
// CDialog whose window the sheet makes on its first activation (the page's
// PROPSHEETPAGEA callback hooks the creation to the object); the sheet's
// notifications reach the page's On... members. OnKillActive takes the
// controls' values back (UpdateData(TRUE)), so a refused value keeps the
// sheet on the page. DoModal answers IDOK, ID_WIZFINISH or IDCANCEL.
// While the sheet's window lives, GetTabControl answers a CTabCtrl of the
// sheet's own that names the sheet's tab window without mapping it, so that
// the tab window stays free for a subclass that replaces its painting.

#include <vector>

#include "Platform/Mfc/AfxCmn.h"
#include "Platform/Mfc/Dialog.h"
#include "Platform/Mfc/Forward.h"

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    CPropertyPage() { CommonConstruct(nullptr, 0); }
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    explicit CPropertyPage(LPCSTR lpszTemplateName, UINT nIDCaption = 0);
    void Construct(UINT nIDTemplate, UINT nIDCaption = 0);

    // Tells the sheet that the page has changes to apply (Apply enabled).
    void SetModified(BOOL bChanged = TRUE);
    // The sheet the page is in, once it is made.
    CPropertySheet* GetSheet() const;

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    // Apply: OnOK, then TRUE; FALSE keeps the sheet open on the page.
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    // A wizard's navigation: 0 goes on, -1 stays, a template id jumps.
    virtual LRESULT OnWizardBack();
    virtual LRESULT OnWizardNext();
    // FALSE keeps the wizard open.
    virtual BOOL OnWizardFinish();
    // A page does not end the sheet: these only take part in OnApply and
    // OnReset.
    void OnOK() override;
    void OnCancel() override;

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    PROPSHEETPAGEA m_psp{};

private:
    void CommonConstruct(LPCSTR lpszTemplateName, UINT nIDCaption);
    CString m_strCaption;
    BOOL m_bFirstSetActive = TRUE;
};

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    CPropertySheet() { CommonConstruct(nullptr, 0); }
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* pPage);
    void RemovePage(CPropertyPage* pPage);
    void RemovePage(int nPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage) { return SetActivePage(GetPageIndex(pPage)); }
    void SetTitle(LPCSTR lpszText, UINT nStyle = 0);
    void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }
    BOOL IsWizard() const { return (m_psh.dwFlags & PSH_WIZARD) != 0; }
    // Posted, so a page may call it from OnSetActive.
    void SetWizardButtons(DWORD dwFlags);
    void SetFinishText(LPCSTR lpszText);
    CTabCtrl* GetTabControl() const;
    BOOL PressButton(int nButton);
    void EndDialog(int nEndID);

    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();

    PROPSHEETHEADERA m_psh{};
    CWnd* m_pParentWnd = nullptr;

protected:
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void CommonConstruct(CWnd* pParentWnd, UINT iSelectPage);
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_records;
    CString m_strCaption;
    // Handed out by GetTabControl, which is const.
    mutable CTabCtrl m_tabCtrl;
};
