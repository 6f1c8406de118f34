#pragma once
// KLFloatSpin turns a dialog's up-down control and its buddy edit into a
// skinned field for a fractional value: the spin is stretched over the edit
// so that it shows one arrow bitmap at each end with the edit centred
// between them, the value is the edit's text with two decimals, and each
// arrow step changes it by 1 / scale (the spin's integer positions are the
// value times the scale, within the signed 16-bit range).
//
// The decimal separator is the user's (LOCALE_SDECIMAL) unless one is set;
// the text shows it and input is read with it. The spin should be
// horizontal (UDS_HORZ: the left half steps down) and must not write its
// own position into the buddy (no UDS_SETBUDDYINT).
//
// While an arrow is held the spin repeats; moving the pointer onto the edit
// releases the capture, which stops the repeat, and moving back onto the
// same arrow with the button still down presses it again.
//
// Without a buddy, with a scale of 0 or below, or over a spin MFC already
// maps, the object stays inactive: it never touches the edit. The owner
// makes the object over existing controls and deletes it when it closes;
// the spin gets its own procedure back then. UI thread only.

#include "Platform/Mfc/Mfc.h"

class KLFloatSpin : public CSpinButtonCtrl {
public:
    static constexpr int kLeftArrow = 11;
    static constexpr int kRightArrow = 13;

    KLFloatSpin(HWND hSpin, int nBuddyId, double scale, int arrowStyle);
    ~KLFloatSpin() override;

    // The value clamped to the range and shown; returns what is shown.
    double SetValue(double value);
    // The edit's text read as a number (0 when it is none), clamped to the
    // range and shown again.
    double GetValue();
    // The spin's range in positions trunc(upper x scale) and
    // trunc(lower x scale), each kept within the signed 16-bit range; the
    // shown value is clamped to it.
    void SetRange(double upper, double lower);
    // Disabled, the edit is read-only and both windows are disabled and
    // the spin hidden.
    void Enable(BOOL enable);
    // The separator the text uses; 0 for the user's.
    void SetDecimalSeparator(char separator) { m_chDecimal = separator; }

    BOOL IsActive() const { return m_bActive; }
    const CRect& GetLeftArrowRect() const { return m_rcLeftArrow; }
    const CRect& GetRightArrowRect() const { return m_rcRightArrow; }
    int GetPressedPart() const { return m_nPressedPart; }
    BOOL IsPressedLook() const { return m_bPressedLook; }

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void Layout();
    int PartAt(CPoint point) const;
    bool InMiddle(CPoint point) const;
    void DrawPart(CDC& dc, int part, BOOL pressed);
    void DrawPartNow(int part, BOOL pressed);
    // Positions of a value (the value times the scale, truncated).
    long long ToPositions(double value) const;
    void GetPositionRange(int& low, int& high) const;
    CString FormatValue(double value) const;
    char Separator() const;

    CRect m_rcLeftArrow;
    CRect m_rcRightArrow;
    BOOL m_bPressedLook = FALSE;
    int m_nPressedPart = 0;
    BOOL m_bLeftToMiddle = FALSE;
    BOOL m_bActive = FALSE;
    int m_nArrowStyle = 0;
    // The edit by handle: the CWnd the framework lends for a window it does
    // not map is freed at the next idle.
    HWND m_hBuddy = nullptr;
    double m_dScale = 0.0;
    char m_chDecimal = 0;
};
