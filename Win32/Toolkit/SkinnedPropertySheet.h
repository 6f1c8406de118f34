#pragma once
// The skinned property sheet, base of every sheet and wizard of the
// program: the skinned caption and frame (a KLCaptionFrame with the close
// box), the skin's background, owner-drawn push buttons painted by the
// skinned button painter, and the tab control taken over by a KLTabCtrl
// whose tabs are 4 pixels taller than the system's. The caption frame and
// the tab wrapper are made in OnInitDialog and deleted in WM_DESTROY; a tab
// control that cannot be subclassed keeps the system look (and a wizard has
// none). In wizard mode every default-button change (DM_SETDEFID) makes the
// push buttons owner-drawn again first, since the sheet re-styles its new
// default button BS_DEFPUSHBUTTON. The pages drive Back and Next
// themselves (KLPropertyPage). UI thread only.

#include "Platform/Mfc/Mfc.h"

class CFrameBitmap;
class CSkinState;
class KLCaptionFrame;
class KLTabCtrl;

class KLPropertySheet : public CPropertySheet {
    DECLARE_DYNAMIC(KLPropertySheet)
public:
    KLPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    KLPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~KLPropertySheet() override;

    BOOL OnInitDialog() override;

protected:
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnDestroy();
    afx_msg void OnNcPaint();
    afx_msg BOOL OnNcActivate(BOOL bActive);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg LRESULT OnSetDefId(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    KLTabCtrl* m_pTabCtrl = nullptr;
    CSkinState* m_pApp;
    CFrameBitmap* m_pBackgroundSkin;
    KLCaptionFrame* m_pCaptionFrame = nullptr;
    int m_nPressedBox = -1;
    CWnd* m_pParent;

private:
    void TakeOverTabControl();
};
