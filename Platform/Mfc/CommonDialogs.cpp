#include "Platform/Mfc/CommonDialogs.h"

#include <algorithm>
#include <cstring>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Win/Kernel/Kernel.h"

IMPLEMENT_DYNAMIC(CCommonDialog, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CFontDialog, CCommonDialog)

namespace {

// The object of the common dialog being opened on this thread.
thread_local CCommonDialog* t_opening = nullptr;

} // namespace

UINT_PTR CALLBACK AfxCommDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return 0;
    // A dialog whose object was attached as it was made (the font dialog),
    // or the child the waiting object takes over (the file dialog).
    if (CWnd* attached = CWnd::FromHandlePermanent(hWnd)) {
        if (attached->IsKindOf(RUNTIME_CLASS(CDialog)))
            return static_cast<UINT_PTR>(static_cast<CDialog*>(attached)->OnInitDialog());
        return TRUE;
    }
    CCommonDialog* object = t_opening;
    t_opening = nullptr;
    if (!object)
        return TRUE;
    object->SubclassWindow(hWnd);
    return static_cast<UINT_PTR>(object->OnInitDialog());
}

HWND CCommonDialog::OwnerForModal() { return PreModal(); }

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog)
{
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.Flags = dwFlags | OFN_ENABLEHOOK | OFN_EXPLORER;
    m_ofn.lpfnHook = AfxCommDlgProc;
    if (lpszDefExt) {
        m_strDefExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_strDefExt;
    }
    if (lpszFileName)
        lstrcpynA(m_szFileName, lpszFileName, sizeof m_szFileName);
    if (lpszFilter) {
        m_strFilter = lpszFilter;
        std::replace(m_strFilter.begin(), m_strFilter.end(), '|', '\0');
        m_strFilter.push_back('\0');
        m_ofn.lpstrFilter = m_strFilter.c_str();
    }
}

INT_PTR CFileDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    m_ofn.hwndOwner = OwnerForModal();
    // The framework's hook attaches the object; a caller's own hook
    // replaces it.
    if (!m_ofn.lpfnHook)
        m_ofn.lpfnHook = AfxCommDlgProc;
    CCommonDialog* outer = t_opening;
    t_opening = this;
    const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    t_opening = outer;
    if (m_hWnd)
        Detach();
    return chosen ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return CString(m_ofn.lpstrFile ? m_ofn.lpstrFile : ""); }

CString CFileDialog::GetFileName() const
{
    if (!m_ofn.lpstrFile || m_ofn.nFileOffset >= m_ofn.nMaxFile)
        return CString();
    return CString(m_ofn.lpstrFile + m_ofn.nFileOffset);
}

CString CFileDialog::GetFileExt() const
{
    if (!m_ofn.lpstrFile || m_ofn.nFileExtension == 0 || m_ofn.nFileExtension >= m_ofn.nMaxFile)
        return CString();
    return CString(m_ofn.lpstrFile + m_ofn.nFileExtension);
}

CString CFileDialog::GetFileTitle() const
{
    CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString CFileDialog::GetNextPathName(POSITION& pos) const
{
    LPCSTR at = reinterpret_cast<LPCSTR>(pos);
    if (!at) {
        return CString();
    }
    if (at == m_ofn.lpstrFile) {
        // One name: the buffer holds a whole path.
        if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT)) {
            pos = nullptr;
            return CString(m_ofn.lpstrFile);
        }
        at += std::strlen(at) + 1;
        if (*at == '\0') {
            pos = nullptr;
            return CString(m_ofn.lpstrFile);
        }
    }
    CString folder(m_ofn.lpstrFile);
    CString name(at);
    at += std::strlen(at) + 1;
    pos = *at ? reinterpret_cast<POSITION>(const_cast<char*>(at)) : nullptr;
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '/')
        folder += '/';
    return folder + name;
}

CFontDialog::CFontDialog(LPLOGFONTA lplfInitial, DWORD dwFlags, CDC*, CWnd* pParentWnd) : CCommonDialog(pParentWnd)
{
    m_cf.lStructSize = sizeof m_cf;
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = dwFlags | CF_ENABLEHOOK;
    m_cf.lpfnHook = AfxCommDlgProc;
    m_cf.lpszStyle = m_szStyleName;
    if (lplfInitial) {
        m_lf = *lplfInitial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    m_cf.hwndOwner = OwnerForModal();
    if (m_cf.Flags & CF_ENABLETEMPLATE && !m_cf.hInstance)
        m_cf.hInstance = AfxFindResourceHandle(m_cf.lpTemplateName, RT_DIALOG);
    AfxHookWindowCreate(this);
    const BOOL chosen = ::ChooseFontA(&m_cf);
    AfxUnhookWindowCreate();
    if (m_hWnd)
        Detach();
    return chosen ? IDOK : IDCANCEL;
}

void CFontDialog::GetCurrentFont(LPLOGFONTA lplf)
{
    if (!lplf)
        return;
    if (m_hWnd) {
        // While the dialog runs: what it shows now.
        HWND face = ::GetDlgItem(m_hWnd, cmb1);
        char name[LF_FACESIZE] = {};
        if (face)
            ::GetWindowTextA(face, name, sizeof name);
        *lplf = m_lf;
        lstrcpynA(lplf->lfFaceName, name, LF_FACESIZE);
        return;
    }
    *lplf = m_lf;
}
