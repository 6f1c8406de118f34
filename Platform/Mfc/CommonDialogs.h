#pragma once
// The common dialogs as objects. CFileDialog runs the Explorer-form file
// dialog with its own hook: the object is attached to the dialog's child
// (the hook's dialog, whose parent is the real dialog) before OnInitDialog
// runs, and released when it goes.

#include <string>

#include "Platform/Mfc/Dialog.h"

class CCommonDialog : public CDialog {
    DECLARE_DYNAMIC(CCommonDialog)
public:
    explicit CCommonDialog(CWnd* pParentWnd) { m_pParentWnd = pParentWnd; }
    // The system dialog ends itself: its buttons go on to it.
    void OnOK() override { Default(); }
    void OnCancel() override { Default(); }

protected:
    // The window that owns the dialog while it runs.
    HWND OwnerForModal();
};

class CFileDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter is pairs of description and patterns, each ended by '|',
    // the whole by "||".
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    INT_PTR DoModal() override;

    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    BOOL GetReadOnlyPref() const { return (m_ofn.Flags & OFN_READONLY) != 0; }
    // The chosen names one by one (OFN_ALLOWMULTISELECT), as full paths.
    POSITION GetStartPosition() const { return reinterpret_cast<POSITION>(m_ofn.lpstrFile); }
    CString GetNextPathName(POSITION& pos) const;

    OPENFILENAMEA m_ofn{};
    BOOL m_bOpenFileDialog;

protected:
    char m_szFileTitle[64] = {};
    char m_szFileName[MAX_PATH] = {};
    CString m_strDefExt;
    std::string m_strFilter; // NUL-separated, as the dialog takes it
};

class CFontDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFontDialog)
public:
    explicit CFontDialog(LPLOGFONTA lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                         CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);

    // The object is attached to the dialog as it is made, so that a hook
    // of the caller's own finds it with CWnd::FromHandle.
    INT_PTR DoModal() override;

    void GetCurrentFont(LPLOGFONTA lplf);
    CString GetFaceName() const { return CString(m_cf.lpLogFont->lfFaceName); }
    int GetSize() const { return m_cf.iPointSize; }
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return static_cast<int>(m_cf.lpLogFont->lfWeight); }
    BOOL IsBold() const { return m_cf.lpLogFont->lfWeight >= FW_SEMIBOLD; }
    BOOL IsItalic() const { return m_cf.lpLogFont->lfItalic ? TRUE : FALSE; }
    BOOL IsUnderline() const { return m_cf.lpLogFont->lfUnderline ? TRUE : FALSE; }
    BOOL IsStrikeOut() const { return m_cf.lpLogFont->lfStrikeOut ? TRUE : FALSE; }

    CHOOSEFONTA m_cf{};
    LOGFONTA m_lf{};

protected:
    char m_szStyleName[64] = {};
};

// The hook every framework common dialog runs with.
UINT_PTR CALLBACK AfxCommDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
