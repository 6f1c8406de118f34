#pragma once
// The skinned tab control of a property sheet: takes over the sheet's own
// tab window and paints it from three skins (a background behind
// everything, a frame around the body under the tab row, one skin per tab)
// with the UI font; the selected tab stands 2 pixels higher and lower than
// the others, its text white. The constructor subclasses the window unless
// MFC maps it permanently already; IsSubclassed() tells which, and an
// object that did not subclass is deleted by its maker. Skins belong to
// the skin state, never to the control. UI thread only.

#include "Platform/Mfc/Mfc.h"

class CFrameBitmap;

class KLTabCtrl : public CTabCtrl {
public:
    explicit KLTabCtrl(HWND hWnd);
    ~KLTabCtrl() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }
    void SetFrameSkin(CFrameBitmap* skin) { m_pFrameSkin = skin; }
    void SetTabSkin(CFrameBitmap* skin) { m_pTabSkin = skin; }
    void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    void PaintTab(CDC& dc, int index, BOOL selected, int lineHeight);

    BOOL m_bSubclassed = FALSE;
    CFrameBitmap* m_pFrameSkin = nullptr;
    CFrameBitmap* m_pTabSkin = nullptr;
    CFrameBitmap* m_pBackgroundSkin = nullptr;
};
