#pragma once
// The program's message box, in the skin: a KLDialog on the language
// module's template 582 (IDOK at the left, 4353 in the middle, IDCANCEL at
// the right, static 4354 for the icon, static 4355 for the text). The
// MB_* style picks the buttons shown and their captions, the icon and the
// default button; DoModal answers IDOK, IDCANCEL, IDABORT, IDRETRY,
// IDIGNORE, IDYES or IDNO as a system message box would. A text longer than
// the template's static grows the box (never past the work area) and
// centres it again. UI thread only.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/SkinnedDialog.h"

class KLMsgBoxDialog : public KLDialog {
    DECLARE_DYNAMIC(KLMsgBoxDialog)
public:
    static constexpr UINT IDD = 582;
    static constexpr int kMiddleButton = 4353;
    static constexpr int kIconStatic = 4354;
    static constexpr int kTextStatic = 4355;

    // An empty caption keeps the template's title; the help context id is
    // kept, and no help button exists.
    KLMsgBoxDialog(LPCSTR text, UINT style, UINT helpContextId, LPCSTR caption, CWnd* pParentWnd);
    ~KLMsgBoxDialog() override;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Enter arrives as IDOK; its answer depends on the type and the focus.
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnMiddleButton();
    DECLARE_MESSAGE_MAP()

    CButton m_btnOk;
    CButton m_btnCancel;
    CButton m_btnMiddle;
    CString m_strCaption;
    CString m_strText;
    UINT m_nStyle;
    UINT m_nHelpContextId;

private:
    void FitText();
    void ShowIcon();
    void LayOutButtons();
    void ChooseDefaultButton();
    void Answer(int answer);
};

// Shows the message box over `owner` with its caption and answers the
// button chosen. The current resource module must be the language module.
int KLMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
// The application's route for every framework message box (its
// DoMessageBox): the box under the language module, with no caption and no
// parent.
int SkinnedMessageBox(LPCSTR text, UINT type, UINT helpId);
