#pragma once
// The common controls as objects: thin wrappers over their messages, and
// CImageList, which owns an image list handle.

#include "Platform/Mfc/GdiObjects.h"
#include "Platform/Mfc/Wnd.h"

class CImageList : public CObject {
    DECLARE_DYNAMIC(CImageList)
public:
    CImageList() = default;
    ~CImageList() override { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    BOOL Attach(HIMAGELIST hImageList);
    HIMAGELIST Detach();
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL SetImageCount(UINT nNewCount) { return ImageList_SetImageCount(m_hImageList, nNewCount); }
    int Add(CBitmap* pbmImage, CBitmap* pbmMask);
    int Add(CBitmap* pbmImage, COLORREF crMask);
    int Add(HICON hIcon) { return ImageList_ReplaceIcon(m_hImageList, -1, hIcon); }
    int Replace(int nImage, HICON hIcon) { return ImageList_ReplaceIcon(m_hImageList, nImage, hIcon); }
    BOOL Remove(int nImage) { return ImageList_Remove(m_hImageList, nImage); }
    COLORREF SetBkColor(COLORREF cr) { return ImageList_SetBkColor(m_hImageList, cr); }
    COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);

    HIMAGELIST m_hImageList = nullptr;
};

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetItemCount() const { return SendInt(LVM_GETITEMCOUNT); }
    int InsertItem(const LVITEMA* pItem) { return SendInt(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(pItem)); }
    int InsertItem(int nItem, LPCSTR lpszItem);
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage);
    int InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
    BOOL GetItem(LVITEMA* pItem) const { return SendInt(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(pItem)); }
    BOOL SetItem(const LVITEMA* pItem) { return SendInt(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(pItem)); }
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
    CString GetItemText(int nItem, int nSubItem) const;
    int GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const
    {
        return static_cast<UINT>(::SendMessageA(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(nItem), nMask));
    }
    BOOL DeleteItem(int nItem) { return SendInt(LVM_DELETEITEM, static_cast<WPARAM>(nItem)); }
    BOOL DeleteAllItems() { return SendInt(LVM_DELETEALLITEMS); }
    int GetNextItem(int nItem, int nFlags) const
    {
        return SendInt(LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), static_cast<LPARAM>(nFlags));
    }
    UINT GetSelectedCount() const { return static_cast<UINT>(SendInt(LVM_GETSELECTEDCOUNT)); }
    BOOL EnsureVisible(int nItem, BOOL bPartialOK)
    {
        return SendInt(LVM_ENSUREVISIBLE, static_cast<WPARAM>(nItem), bPartialOK);
    }
    BOOL SetBkColor(COLORREF cr) { return SendInt(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(cr)); }
    COLORREF GetBkColor() const { return static_cast<COLORREF>(::SendMessageA(m_hWnd, LVM_GETBKCOLOR, 0, 0)); }
    BOOL SetTextBkColor(COLORREF cr) { return SendInt(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(cr)); }
    BOOL SetTextColor(COLORREF cr) { return SendInt(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(cr)); }
    // The list's image list of the kind; the object wraps it for a while
    // (a temporary one when no CImageList of the caller holds it).
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    HIMAGELIST GetImageList(int nImageListType) const
    {
        return reinterpret_cast<HIMAGELIST>(::SendMessageA(m_hWnd, LVM_GETIMAGELIST, static_cast<WPARAM>(nImageListType), 0));
    }
    BOOL RedrawItems(int nFirst, int nLast) { return SendInt(LVM_REDRAWITEMS, static_cast<WPARAM>(nFirst), nLast); }
    BOOL Update(int nItem) { return SendInt(LVM_UPDATE, static_cast<WPARAM>(nItem)); }
    BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const;
    int HitTest(CPoint pt, UINT* pFlags = nullptr) const;
    int FindItem(LVFINDINFOA* pFindInfo, int nStart = -1) const
    {
        return SendInt(LVM_FINDITEMA, static_cast<WPARAM>(nStart), reinterpret_cast<LPARAM>(pFindInfo));
    }
    int GetTopIndex() const { return SendInt(LVM_GETTOPINDEX); }
};

class CTabCtrl : public CWnd {
    DECLARE_DYNAMIC(CTabCtrl)
public:
    CTabCtrl() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetItemCount() const { return SendInt(TCM_GETITEMCOUNT); }
    BOOL GetItem(int nItem, TCITEMA* pTabCtrlItem) const
    {
        return SendInt(TCM_GETITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem));
    }
    BOOL SetItem(int nItem, TCITEMA* pTabCtrlItem)
    {
        return SendInt(TCM_SETITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem));
    }
    LONG InsertItem(int nItem, TCITEMA* pTabCtrlItem)
    {
        return SendInt(TCM_INSERTITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem));
    }
    LONG InsertItem(int nItem, LPCSTR lpszItem);
    BOOL DeleteItem(int nItem) { return SendInt(TCM_DELETEITEM, static_cast<WPARAM>(nItem)); }
    BOOL DeleteAllItems() { return SendInt(TCM_DELETEALLITEMS); }
    BOOL GetItemRect(int nItem, LPRECT lpRect) const
    {
        return SendInt(TCM_GETITEMRECT, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(lpRect));
    }
    int GetCurSel() const { return SendInt(TCM_GETCURSEL); }
    int SetCurSel(int nItem) { return SendInt(TCM_SETCURSEL, static_cast<WPARAM>(nItem)); }
    CSize SetItemSize(CSize size);
    void AdjustRect(BOOL bLarger, LPRECT lpRect) { SendMessage(TCM_ADJUSTRECT, bLarger, reinterpret_cast<LPARAM>(lpRect)); }
    int HitTest(TCHITTESTINFO* pHitTestInfo) const { return SendInt(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo)); }
};

class CSpinButtonCtrl : public CWnd {
    DECLARE_DYNAMIC(CSpinButtonCtrl)
public:
    CSpinButtonCtrl() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    BOOL SetAccel(int nAccel, UDACCEL* pAccel) { return SendInt(UDM_SETACCEL, static_cast<WPARAM>(nAccel), reinterpret_cast<LPARAM>(pAccel)); }
    UINT GetAccel(int nAccel, UDACCEL* pAccel) const
    {
        return static_cast<UINT>(SendInt(UDM_GETACCEL, static_cast<WPARAM>(nAccel), reinterpret_cast<LPARAM>(pAccel)));
    }
    int SetBase(int nBase) { return SendInt(UDM_SETBASE, static_cast<WPARAM>(nBase)); }
    UINT GetBase() const { return static_cast<UINT>(SendInt(UDM_GETBASE)); }
    CWnd* SetBuddy(CWnd* pWndBuddy)
    {
        return FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(pWndBuddy->GetSafeHwnd()))));
    }
    CWnd* GetBuddy() const { return FromHandle(reinterpret_cast<HWND>(::SendMessageA(m_hWnd, UDM_GETBUDDY, 0, 0))); }
    int SetPos(int nPos) { return static_cast<SHORT>(LOWORD(SendInt(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(nPos), 0)))); }
    int GetPos() const { return SendInt(UDM_GETPOS); }
    void SetRange(short nLower, short nUpper)
    {
        SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
    }
    void SetRange32(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper); }
    DWORD GetRange() const { return static_cast<DWORD>(SendInt(UDM_GETRANGE)); }
    void GetRange(int& lower, int& upper) const;
};

class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    CToolTipCtrl() = default;
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate); }
    // A tool for a rectangle of `pWnd` (the whole client area when none
    // is given), with a text (LPSTR_TEXTCALLBACK asks pWnd) or a string id.
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText = LPSTR_TEXTCALLBACK, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    BOOL AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
    void UpdateTipText(UINT nIDText, CWnd* pWnd, UINT_PTR nIDTool = 0);
    void SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect);
    int GetToolCount() const { return SendInt(TTM_GETTOOLCOUNT); }
    void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
    void SetDelayTime(UINT nDelay) { SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, static_cast<LPARAM>(nDelay)); }
    void SetDelayTime(DWORD dwDuration, int iTime) { SendMessage(TTM_SETDELAYTIME, dwDuration, iTime); }
    void Pop() { SendMessage(TTM_POP); }

private:
    void FillInInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool) const;
    BOOL AddToolWith(CWnd* pWnd, LPSTR lpszText, HINSTANCE hinst, LPCRECT lpRectTool, UINT_PTR nIDTool);
};

class CToolBarCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolBarCtrl)
public:
    CToolBarCtrl() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetButtonStructSize(int nSize) { SendMessage(TB_BUTTONSTRUCTSIZE, static_cast<WPARAM>(nSize)); }
    int AddBitmap(int nNumButtons, UINT nBitmapID);
    CImageList* SetImageList(CImageList* pImageList);
    BOOL AddButtons(int nNumButtons, LPTBBUTTON lpButtons)
    {
        return SendInt(TB_ADDBUTTONSA, static_cast<WPARAM>(nNumButtons), reinterpret_cast<LPARAM>(lpButtons));
    }
    BOOL EnableButton(int nID, BOOL bEnable = TRUE)
    {
        return SendInt(TB_ENABLEBUTTON, static_cast<WPARAM>(nID), MAKELPARAM(bEnable, 0));
    }
    BOOL CheckButton(int nID, BOOL bCheck = TRUE)
    {
        return SendInt(TB_CHECKBUTTON, static_cast<WPARAM>(nID), MAKELPARAM(bCheck, 0));
    }
    BOOL IsButtonEnabled(int nID) const { return SendInt(TB_ISBUTTONENABLED, static_cast<WPARAM>(nID)); }
    BOOL IsButtonChecked(int nID) const { return SendInt(TB_ISBUTTONCHECKED, static_cast<WPARAM>(nID)); }
    int GetButtonCount() const { return SendInt(TB_BUTTONCOUNT); }
    BOOL GetItemRect(int nIndex, LPRECT lpRect) const
    {
        return SendInt(TB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
    }
    void AutoSize() { SendMessage(TB_AUTOSIZE); }
};
