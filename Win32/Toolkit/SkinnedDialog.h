#pragma once
// The skinned dialog bases and the functions the whole dialog family shares.
//
// KLBaseDialog draws its push buttons as skinned buttons (they must be
// owner-drawn; MakePushButtonsOwnerDraw makes them so) and keeps a
// background and a control skin. KLDialog, the base of every ordinary
// dialog of the program, also replaces the caption and frame (a
// KLCaptionFrame with the close box), subclasses its children into the
// skinned controls and paints its background from the skin. Its skin
// objects are made in OnInitDialog and freed in WM_DESTROY; skins belong to
// the skin state, which outlives every dialog. UI thread only.

#include "Platform/Mfc/Mfc.h"

class CFrameBitmap;
class KLCaptionFrame;

class KLBaseDialog : public CDialog {
    DECLARE_DYNAMIC(KLBaseDialog)
public:
    KLBaseDialog(UINT nIDTemplate, CWnd* pParentWnd);
    ~KLBaseDialog() override;

    virtual void SetBackgroundSkin(CFrameBitmap* skin) { m_pBackgroundSkin = skin; }

    // The dialog background under the control is repainted first (only
    // under a disabled or read-only control), then the text is set.
    void SetDlgItemTextSkinned(int nID, LPCSTR lpszString);
    void SetDlgItemIntSkinned(int nID, UINT nValue, BOOL bSigned = TRUE);

protected:
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    CFrameBitmap* m_pBackgroundSkin = nullptr;
    CFrameBitmap* m_pControlSkin = nullptr;
    CWnd* m_pParent;
};

class KLDialog : public KLBaseDialog {
    DECLARE_DYNAMIC(KLDialog)
public:
    KLDialog(UINT nIDTemplate, CWnd* pParentWnd);
    ~KLDialog() override;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnDestroy();
    afx_msg void OnNcPaint();
    afx_msg BOOL OnNcActivate(BOOL bActive);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

    KLCaptionFrame* m_pCaptionFrame = nullptr;
    int m_nPressedBox = -1;
};

// Subclasses every direct child of `parent` into a skinned control by its
// window class and style: check boxes and radio buttons (BS_CHECKBOX,
// BS_AUTOCHECKBOX, BS_RADIOBUTTON, BS_AUTORADIOBUTTON) into KLRadioCheck,
// group boxes into KLGroupBox, text statics (SS_LEFT, SS_CENTER, SS_RIGHT)
// into KLStatic, tool bars into KLToolbar; every other child is left alone.
// A child MFC already maps permanently keeps its object and its look.
void SubclassSkinnedChildren(HWND parent, CFrameBitmap* background, CFrameBitmap* control);
// Un-subclasses and deletes every skinned control wrapper of `parent`'s
// direct children.
void UnsubclassSkinnedChildren(HWND parent);
// Makes every BS_PUSHBUTTON and BS_DEFPUSHBUTTON child owner-drawn.
void MakePushButtonsOwnerDraw(HWND parent);
// Paints one owner-drawn push button in the skin.
void DrawSkinnedButton(LPDRAWITEMSTRUCT lpDrawItemStruct, LPCSTR text, BOOL pressed);

// What every skinned dialog does as it initialises: push buttons
// owner-drawn, children subclassed with the two skins, WS_SYSMENU,
// WS_MINIMIZEBOX and WS_MAXIMIZEBOX cleared. Returns the dialog's new
// caption frame (with the close box), owned by the caller.
KLCaptionFrame* DressSkinnedDialog(CWnd& dialog, CFrameBitmap* background, CFrameBitmap* control);
// Undoes it as the dialog is destroyed: the wrappers go, the caption frame
// is deleted and its pointer cleared.
void UndressSkinnedDialog(CWnd& dialog, KLCaptionFrame*& frame);
// The skinned dialogs' WM_CTLCOLOR answer: the skin state's brush, or
// null when it has none for the control.
HBRUSH SkinnedCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
// The skinned dialogs' owner-drawn push buttons: reads the button's text
// (at most 63 characters) and paints it; FALSE for any other item.
BOOL DrawSkinnedItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
// Fill-draws a window's client rectangle on `dc` with the skin; nothing
// without a skin or a DC.
void FillWindowWithSkin(HWND window, HDC dc, CFrameBitmap* skin);
// Repaints the dialog's background under control `nID` on the control's
// own DC (the skin, else the frame bitmap 396), only for a disabled or
// read-only control: an enabled, writable one paints its whole background
// itself. A missing control is skipped.
void RepaintUnderSkinnedControl(HWND dialog, int nID, CFrameBitmap* background);
// EnableWindow and ShowWindow on a dialog's control when it exists;
// ShowDialogItem answers ShowWindow's result, 0 for a missing control.
void EnableDialogItem(HWND dialog, int nID, BOOL bEnable);
BOOL ShowDialogItem(HWND dialog, int nID, int nCmdShow);
