#pragma once
// CDialog: a dialog box made from a template (a module's RT_DIALOG
// resource, found through AfxFindResourceHandle, or a template in memory).
//
// DoModal disables the owner (the parent given, else the main window's last
// active popup), runs the dialog's modal loop until EndDialog (the
// object's or ::EndDialog on its window), a WM_QUIT (posted again; DoModal
// answers -1) or the window's end, gives the owner back its enabling and
// activation, and destroys the window. Each message first goes through the
// thread's PreTranslateMessage, so the dialog's keys go through
// IsDialogMessage (CDialog::PreTranslateMessage); each time the queue runs
// empty the dialog gets WM_KICKIDLE (and the owner WM_ENTERIDLE unless the
// template says DS_NOIDLEMSG). Create makes a modeless dialog, whose keys
// reach IsDialogMessage through the same PreTranslateMessage from the
// application's loop.
//
// OnInitDialog moves the members' values into the controls
// (UpdateData(FALSE)); OnOK takes them back and checks them
// (UpdateData(TRUE)) before ending with IDOK; Esc and Cancel end with
// IDCANCEL (OnCancel).

#include "Platform/Mfc/DataExchange.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // A dialog made from a template in memory (for DoModal).
    BOOL InitModalIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd = nullptr);
    virtual INT_PTR DoModal();
    virtual BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL CreateIndirect(LPCDLGTEMPLATEA lpDialogTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Moves the values between the members and the controls; FALSE when a
    // value was refused (the user has been told and the field focused).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    void GotoDlgCtrl(CWnd* pWndCtrl);
    void NextDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void SetDefID(UINT nID) { SendMessage(DM_SETDEFID, nID); }
    // The default button's id, or 0.
    DWORD GetDefID();
    void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

    BOOL PreTranslateMessage(MSG* pMsg) override;

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    LPCSTR m_lpszTemplateName = nullptr;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;
    LPCDLGTEMPLATEA m_lpDialogTemplate = nullptr;
    INT_PTR m_nModalResult = -1;

protected:
    // The window that owns the dialog while it runs modally.
    HWND PreModal();
    void PostModal() {}
    virtual void PreInitDialog() {}

    DECLARE_MESSAGE_MAP()
};

// The dialog procedure of every CDialog: WM_INITDIALOG calls the object's
// OnInitDialog; everything else is the object's through its window
// procedure.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
