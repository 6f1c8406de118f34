#pragma once
// The skinned property page, base of every page of the program's sheets:
// the skin's background (PaintBackground, in WM_ERASEBKGND; WM_PAINT draws
// nothing), its children subclassed into the skinned controls in
// OnInitDialog and released in WM_DESTROY, owner-drawn push buttons of its
// template painted by the skinned button painter. In a wizard each page
// enables Back except on the first page and hides Next on the last as it
// becomes active; a missing button is left alone. Skins belong to the skin
// state. UI thread only.

#include "Platform/Mfc/Mfc.h"

class CFrameBitmap;

class KLPropertyPage : public CPropertyPage {
public:
    explicit KLPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~KLPropertyPage() override;

    virtual void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }
    // Fill-draws the client rectangle with the background skin, or with
    // the frame bitmap 396 when the page has none.
    virtual void PaintBackground(CDC* pDC);

    BOOL OnSetActive() override;
    BOOL OnInitDialog() override;

    // As the skinned dialog's: the background is repainted under a disabled
    // or read-only control first.
    void SetDlgItemTextSkinned(int nID, LPCSTR lpszString);
    void SetDlgItemIntSkinned(int nID, UINT nValue, BOOL bSigned = TRUE);
    // Nothing for a missing control; ShowDlgItem then answers 0.
    void EnableDlgItem(int nID, BOOL bEnable);
    BOOL ShowDlgItem(int nID, int nCmdShow);

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    CFrameBitmap* m_pBackgroundSkin;
    CFrameBitmap* m_pControlSkin;
};
