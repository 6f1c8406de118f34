#pragma once
// The standard controls as objects: thin wrappers over their messages.
// Owner-drawn buttons, list boxes and combo boxes are drawn by their
// objects' DrawItem (and measured, compared and freed by MeasureItem,
// CompareItem and DeleteItem): the parent hands those messages back to the
// control's object (reflection, Wnd.h).

#include "Platform/Mfc/Wnd.h"
#include "Platform/Win/User/Icons.h"

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
    HICON SetIcon(HICON hIcon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon))); }
    HICON GetIcon() const { return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, STM_GETICON, 0, 0)); }
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
    HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    UINT GetState() const { return static_cast<UINT>(::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0)); }
    void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, bHighlight); }
    int GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
    UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
    HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, BM_GETIMAGE, IMAGE_BITMAP, 0)); }
    HICON SetIcon(HICON hIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
    }
    HICON GetIcon() const { return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, BM_GETIMAGE, IMAGE_ICON, 0)); }

    // An owner-drawn button is drawn here; the base draws nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// An owner-drawn push button showing one of four bitmaps: up, down
// (pressed), focused and disabled.
class CBitmapButton : public CButton {
    DECLARE_DYNAMIC(CBitmapButton)
public:
    CBitmapButton() = default;
    // From the resource module that holds them; the first is needed.
    BOOL LoadBitmaps(LPCSTR lpszBitmapResource, LPCSTR lpszBitmapResourceSel = nullptr,
                     LPCSTR lpszBitmapResourceFocus = nullptr, LPCSTR lpszBitmapResourceDisabled = nullptr);
    BOOL LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel = 0, UINT nIDBitmapResourceFocus = 0,
                     UINT nIDBitmapResourceDisabled = 0);
    // Subclasses the dialog's button and loads the bitmaps named after its
    // caption with "U", "D", "F" and "X" added.
    BOOL AutoLoad(UINT nID, CWnd* pParent);
    // Sizes the button to its up bitmap.
    void SizeToContent();

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
    void SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax); }
    UINT GetLimitText() const { return static_cast<UINT>(::SendMessageA(m_hWnd, EM_GETLIMITTEXT, 0, 0)); }
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE)
    {
        SetSel(static_cast<SHORT>(LOWORD(dwSelection)), static_cast<SHORT>(HIWORD(dwSelection)), bNoScroll);
    }
    DWORD GetSel() const { return static_cast<DWORD>(::SendMessageA(m_hWnd, EM_GETSEL, 0, 0)); }
    void GetSel(int& nStartChar, int& nEndChar) const;
    void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE)
    {
        SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText));
    }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly)); }
    void LineScroll(int nLines, int nChars = 0) { SendMessage(EM_LINESCROLL, static_cast<WPARAM>(nChars), nLines); }
    int GetLineCount() const { return static_cast<int>(::SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0)); }
    int LineIndex(int nLine = -1) const { return static_cast<int>(::SendMessageA(m_hWnd, EM_LINEINDEX, static_cast<WPARAM>(nLine), 0)); }
    int LineLength(int nLine = -1) const { return static_cast<int>(::SendMessageA(m_hWnd, EM_LINELENGTH, static_cast<WPARAM>(nLine), 0)); }
    int LineFromChar(int nIndex = -1) const { return static_cast<int>(::SendMessageA(m_hWnd, EM_LINEFROMCHAR, static_cast<WPARAM>(nIndex), 0)); }
    int GetLine(int nIndex, LPSTR lpszBuffer, int nMaxLength) const;
    int GetFirstVisibleLine() const { return static_cast<int>(::SendMessageA(m_hWnd, EM_GETFIRSTVISIBLELINE, 0, 0)); }
    BOOL CanUndo() const { return static_cast<BOOL>(::SendMessageA(m_hWnd, EM_CANUNDO, 0, 0)); }
    BOOL Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
    void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER); }
    BOOL GetModify() const { return static_cast<BOOL>(::SendMessageA(m_hWnd, EM_GETMODIFY, 0, 0)); }
    void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified); }
    void SetPasswordChar(char ch) { SendMessage(EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch)); }
    char GetPasswordChar() const { return static_cast<char>(::SendMessageA(m_hWnd, EM_GETPASSWORDCHAR, 0, 0)); }
    void SetMargins(UINT nLeft, UINT nRight) { SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight)); }
    void GetRect(LPRECT lpRect) const { ::SendMessageA(m_hWnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }
    CPoint PosFromChar(UINT nChar) const { return CPoint(static_cast<LPARAM>(::SendMessageA(m_hWnd, EM_POSFROMCHAR, nChar, 0))); }
    int CharFromPos(CPoint pt) const
    {
        return static_cast<int>(::SendMessageA(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(static_cast<DWORD>(pt.x), static_cast<DWORD>(pt.y))));
    }
    void Cut() { SendMessage(WM_CUT); }
    void Copy() { SendMessage(WM_COPY); }
    void Paste() { SendMessage(WM_PASTE); }
    void Clear() { SendMessage(WM_CLEAR); }
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    CListBox() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCount() const { return SendInt(LB_GETCOUNT); }
    int GetCurSel() const { return SendInt(LB_GETCURSEL); }
    int SetCurSel(int nSelect) { return SendInt(LB_SETCURSEL, static_cast<WPARAM>(nSelect)); }
    int GetSel(int nIndex) const { return SendInt(LB_GETSEL, static_cast<WPARAM>(nIndex)); }
    int GetTopIndex() const { return SendInt(LB_GETTOPINDEX); }
    int SetTopIndex(int nIndex) { return SendInt(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex)); }
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData)
    {
        return SendInt(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData));
    }
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    int GetItemRect(int nIndex, LPRECT lpRect) const
    {
        return SendInt(LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
    }
    int GetText(int nIndex, LPSTR lpszBuffer) const
    {
        return SendInt(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer));
    }
    void GetText(int nIndex, CString& rString) const;
    int GetTextLen(int nIndex) const { return SendInt(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex)); }
    int SetItemHeight(int nIndex, UINT cyItemHeight)
    {
        return SendInt(LB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELPARAM(cyItemHeight, 0));
    }
    int GetItemHeight(int nIndex) const { return SendInt(LB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex)); }
    void SetHorizontalExtent(int cxExtent) { SendInt(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(cxExtent)); }
    int GetHorizontalExtent() const { return SendInt(LB_GETHORIZONTALEXTENT); }
    int SetCaretIndex(int nIndex, BOOL bScroll = TRUE) { return SendInt(LB_SETCARETINDEX, static_cast<WPARAM>(nIndex), bScroll); }
    int GetCaretIndex() const { return SendInt(LB_GETCARETINDEX); }
    // The item nearest the point; bOutside is set when the point is past the items.
    UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const;
    int AddString(LPCSTR lpszItem) { return SendInt(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)); }
    int DeleteString(UINT nIndex) { return SendInt(LB_DELETESTRING, nIndex); }
    int InsertString(int nIndex, LPCSTR lpszItem)
    {
        return SendInt(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszItem));
    }
    void ResetContent() { SendInt(LB_RESETCONTENT); }
    int FindString(int nStartAfter, LPCSTR lpszItem) const
    {
        return SendInt(LB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszItem));
    }
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const
    {
        return SendInt(LB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), reinterpret_cast<LPARAM>(lpszFind));
    }
    int SelectString(int nStartAfter, LPCSTR lpszItem)
    {
        return SendInt(LB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszItem));
    }

    // Owner-drawn lists.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    virtual int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct);
    virtual void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCount() const { return SendInt(CB_GETCOUNT); }
    int GetCurSel() const { return SendInt(CB_GETCURSEL); }
    int SetCurSel(int nSelect) { return SendInt(CB_SETCURSEL, static_cast<WPARAM>(nSelect)); }
    DWORD GetEditSel() const { return static_cast<DWORD>(::SendMessageA(m_hWnd, CB_GETEDITSEL, 0, 0)); }
    BOOL LimitText(int nMaxChars) { return SendInt(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars)); }
    BOOL SetEditSel(int nStartChar, int nEndChar)
    {
        return SendInt(CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(nStartChar), static_cast<WORD>(nEndChar)));
    }
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(::SendMessageA(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
    }
    int SetItemData(int nIndex, DWORD_PTR dwItemData)
    {
        return SendInt(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData));
    }
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    int GetLBText(int nIndex, LPSTR lpszText) const
    {
        return SendInt(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText));
    }
    void GetLBText(int nIndex, CString& rString) const;
    int GetLBTextLen(int nIndex) const { return SendInt(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)); }
    int SetItemHeight(int nIndex, UINT cyItemHeight)
    {
        return SendInt(CB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(cyItemHeight));
    }
    int GetItemHeight(int nIndex) const { return SendInt(CB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex)); }
    int SetExtendedUI(BOOL bExtended = TRUE) { return SendInt(CB_SETEXTENDEDUI, bExtended); }
    BOOL GetExtendedUI() const { return SendInt(CB_GETEXTENDEDUI); }
    void GetDroppedControlRect(LPRECT lprect) const
    {
        ::SendMessageA(m_hWnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(lprect));
    }
    BOOL GetDroppedState() const { return SendInt(CB_GETDROPPEDSTATE); }
    int SetDroppedWidth(UINT nWidth) { return SendInt(CB_SETDROPPEDWIDTH, nWidth); }
    int GetDroppedWidth() const { return SendInt(CB_GETDROPPEDWIDTH); }
    int GetTopIndex() const { return SendInt(CB_GETTOPINDEX); }
    int SetTopIndex(int nIndex) { return SendInt(CB_SETTOPINDEX, static_cast<WPARAM>(nIndex)); }
    void ShowDropDown(BOOL bShowIt = TRUE) { SendInt(CB_SHOWDROPDOWN, bShowIt); }
    int AddString(LPCSTR lpszString) { return SendInt(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)); }
    int DeleteString(UINT nIndex) { return SendInt(CB_DELETESTRING, nIndex); }
    int InsertString(int nIndex, LPCSTR lpszString)
    {
        return SendInt(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszString));
    }
    void ResetContent() { SendInt(CB_RESETCONTENT); }
    int FindString(int nStartAfter, LPCSTR lpszString) const
    {
        return SendInt(CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszString));
    }
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const
    {
        return SendInt(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), reinterpret_cast<LPARAM>(lpszFind));
    }
    int SelectString(int nStartAfter, LPCSTR lpszString)
    {
        return SendInt(CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszString));
    }
    void Clear() { SendMessage(WM_CLEAR); }
    void Copy() { SendMessage(WM_COPY); }
    void Cut() { SendMessage(WM_CUT); }
    void Paste() { SendMessage(WM_PASTE); }

    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    virtual int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct);
    virtual void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
public:
    CScrollBar() = default;
    // The scroll bar's object: its permanent one when that is a CScrollBar,
    // else a temporary CScrollBar until the thread's next idle.
    static CScrollBar* PASCAL FromHandle(HWND hWnd);
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw); }
    void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const { ::GetScrollRange(m_hWnd, SB_CTL, lpMinPos, lpMaxPos); }
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE)
    {
        ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw);
    }
    void ShowScrollBar(BOOL bShow = TRUE) { ::ShowScrollBar(m_hWnd, SB_CTL, bShow); }
    BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH) { return ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags); }
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE)
    {
        ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw);
        return TRUE;
    }
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL)
    {
        lpScrollInfo->cbSize = sizeof(SCROLLINFO);
        lpScrollInfo->fMask = nMask;
        return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
    }
    // The highest position the thumb can reach.
    int GetScrollLimit();
};

#include "Platform/Mfc/MessageMapCalls.h"
