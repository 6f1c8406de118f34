#pragma once
// The file and font dialogs in the skin: owner-drawn push buttons, skinned
// children (473 background, 517 control skin), the skinned caption and
// frame with the close box, the skin state's control colours and the 473
// background. Each lives on its caller's stack for one DoModal; its skin
// objects are made as the dialog initialises and freed as it is destroyed,
// after which WM_DESTROY goes on to the dialog's own processing (our file
// and font dialogs release their own state there).
//
// KLFileDialog is attached by the framework to the child dialog of the
// Explorer-form file dialog; it moves itself to the real dialog (the
// child's parent), leaves a plain CFileDialog on the child so that it stays
// mapped, and hides the real dialog's size grip.
//
// KLTextFontDlg is a KLFontDialog on the language module's template 591
// with one more radio group (from control 4360), exchanged with its choice
// member; its own hook replaces the framework's, so it dresses the dialog
// itself on WM_INITDIALOG. UI thread only.

#include "Platform/Mfc/Mfc.h"

class CSkinState;
class KLCaptionFrame;

class KLFileDialog : public CFileDialog {
    DECLARE_DYNAMIC(KLFileDialog)
public:
    explicit KLFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                          DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                          CWnd* pParentWnd = nullptr);
    ~KLFileDialog() override;

    BOOL OnInitDialog() override;

protected:
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnNcPaint();
    afx_msg BOOL OnNcActivate(BOOL bActive);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    CFileDialog* m_pInnerDialog = nullptr;
    CSkinState* m_pApp;
    KLCaptionFrame* m_pCaptionFrame = nullptr;
    int m_nPressedBox = -1;
};

class KLFontDialog : public CFontDialog {
    DECLARE_DYNAMIC(KLFontDialog)
public:
    explicit KLFontDialog(LPLOGFONTA lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                          CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
    ~KLFontDialog() override;

    BOOL OnInitDialog() override;

protected:
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnNcPaint();
    afx_msg BOOL OnNcActivate(BOOL bActive);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    CSkinState* m_pApp;
    KLCaptionFrame* m_pCaptionFrame = nullptr;
    int m_nPressedBox = -1;
};

class KLTextFontDlg : public KLFontDialog {
    DECLARE_DYNAMIC(KLTextFontDlg)
public:
    static constexpr UINT IDD = 591;
    static constexpr int IDC_FIRST_CHOICE = 4360;

    explicit KLTextFontDlg(LPLOGFONTA lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                           CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
    ~KLTextFontDlg() override;

    // The radio group's choice, 0 for its first button; 1 at construction.
    int m_nChoice = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    static UINT_PTR CALLBACK HookProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
