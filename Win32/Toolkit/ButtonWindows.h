#pragma once
// The window classes of the button elements (run-time class names
// "OwnerDrawButton", "OwnerDrawBitmapButton" and "AnimateButton"). Each
// hands its mouse, timer, paint, erase and capture messages and its
// DrawItem to its element, then lets the button do its default processing;
// the button's own drawing happens only through DrawItem and WM_ERASEBKGND.
// The element clears the pointer before the window goes.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/Forward.h"

// The members every button window class has: DrawItem and the handlers of
// the messages it hands its element.
#define BUTTON_WINDOW_COMMON_MEMBERS() \
public: \
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override; \
\
protected: \
    afx_msg void OnTimer(UINT_PTR nIDEvent); \
    afx_msg void OnMouseMove(UINT nFlags, CPoint point); \
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point); \
    afx_msg void OnPaint(); \
    afx_msg void OnCaptureChanged(CWnd* pWnd); \
    afx_msg BOOL OnEraseBkgnd(CDC* pDC); \
    DECLARE_MESSAGE_MAP()

// The element a button window serves.
class ButtonWindowLink {
public:
    virtual ~ButtonWindowLink() = default;
    ButtonElement* m_pElement = nullptr;
};

class OwnerDrawButton : public CButton, public ButtonWindowLink {
    DECLARE_DYNCREATE(OwnerDrawButton)
    BUTTON_WINDOW_COMMON_MEMBERS()
};

class OwnerDrawBitmapButton : public CBitmapButton, public ButtonWindowLink {
    DECLARE_DYNCREATE(OwnerDrawBitmapButton)
    BUTTON_WINDOW_COMMON_MEMBERS()
};

class AnimateButton : public CButton, public ButtonWindowLink {
    DECLARE_DYNCREATE(AnimateButton)
    BUTTON_WINDOW_COMMON_MEMBERS()

public:
    BOOL m_bPressed = FALSE;

protected:
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
};
