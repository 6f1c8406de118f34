#pragma once
// The skinned child controls: objects that take over an existing control of
// a dialog (they subclass its window, they never make one) and paint it in
// the dialog's skin. KLGroupBox, KLStatic, KLToolbar and KLRadioCheck are
// made and deleted in bulk by the skinned dialog family
// (SubclassSkinnedChildren / UnsubclassSkinnedChildren, SkinnedDialog.h);
// a KLPictureWnd is made and deleted by the dialog or page that shows it.
//
// Each constructor takes the control's handle. When MFC already maps the
// handle permanently (a DDX_Control member, say), the object stays detached
// and IsSubclassed() answers FALSE: its creator deletes it and the control
// keeps its look. Skins are CFrameBitmaps of the skin state, never owned.
// UI thread only.

#include "Platform/Mfc/Mfc.h"

class CFrameBitmap;
class CIplImage;

class KLGroupBox : public CWnd {
    DECLARE_DYNAMIC(KLGroupBox)
public:
    explicit KLGroupBox(HWND hWnd);
    ~KLGroupBox() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }
    void SetControlSkin(CFrameBitmap* skin) { m_pControlSkin = skin; }
    void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bSubclassed = FALSE;
    CFrameBitmap* m_pControlSkin = nullptr;
    CFrameBitmap* m_pBackgroundSkin = nullptr;
};

class KLStatic : public CStatic {
    DECLARE_DYNAMIC(KLStatic)
public:
    explicit KLStatic(HWND hWnd);
    ~KLStatic() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }
    void SetControlSkin(CFrameBitmap* skin) { m_pControlSkin = skin; }
    void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bSubclassed = FALSE;
    // Kept for the dialog family's sake; a static draws no frame.
    CFrameBitmap* m_pControlSkin = nullptr;
    CFrameBitmap* m_pBackgroundSkin = nullptr;
};

class KLToolbar : public CToolBarCtrl {
    DECLARE_DYNAMIC(KLToolbar)
public:
    explicit KLToolbar(HWND hWnd);
    ~KLToolbar() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bSubclassed = FALSE;
    CFrameBitmap* m_pBackgroundSkin = nullptr;
};

class KLRadioCheck : public CButton {
    DECLARE_DYNAMIC(KLRadioCheck)
public:
    explicit KLRadioCheck(HWND hWnd);
    ~KLRadioCheck() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }
    void SetControlSkin(CFrameBitmap* skin) { m_pControlSkin = skin; }
    void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }

protected:
    afx_msg void OnPaint();
    afx_msg void OnEnable(BOOL bEnable);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bSubclassed = FALSE;
    // Kept for the dialog family's sake; the glyph is the system's.
    CFrameBitmap* m_pControlSkin = nullptr;
    CFrameBitmap* m_pBackgroundSkin = nullptr;
};

// A static that shows a colour swatch or a picture inside a bitmap frame
// (bitmap 974 in the dialog look, else 972, from the bitmap module,
// stretched over the whole control); the picture covers the inner part
// (1, 1, W - 9, H - 9). The picture is not owned: the caller keeps it alive
// while it is shown.
class KLPictureWnd : public CStatic {
    DECLARE_DYNAMIC(KLPictureWnd)
public:
    explicit KLPictureWnd(HWND hWnd);
    ~KLPictureWnd() override;

    BOOL IsSubclassed() const { return m_bSubclassed; }
    // Colour mode on, the picture dropped; repaints at once.
    void SetColor(COLORREF color);
    // A null picture shows black (SetColor(0)); repaints at once.
    void SetImage(CIplImage* image);

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bSubclassed = FALSE;

public:
    // Set by the owner before the control is first painted.
    BOOL m_bDialogLook = FALSE;

private:
    CIplImage* m_pImage = nullptr;
    COLORREF m_crColor = 0;
    BOOL m_bColorMode = FALSE;
};
