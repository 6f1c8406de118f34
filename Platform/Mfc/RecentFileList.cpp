#include "Platform/Mfc/RecentFileList.h"

#include <cstdio>
#include <string>
#include <strings.h>

#include "Platform/Mfc/Menu.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Win/Kernel/Files.h"

namespace {

CString FullPath(LPCSTR path)
{
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(path, sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? CString(full) : CString(path);
}

CString EntryName(const CString& format, int number)
{
    char entry[64];
    std::snprintf(entry, sizeof entry, static_cast<LPCSTR>(format), number);
    return CString(entry);
}

} // namespace

void AFXAPI AfxAbbreviateName(CString& strName, int cchMax, BOOL bAtLeastName)
{
    const std::string path(static_cast<LPCSTR>(strName));
    const size_t limit = cchMax > 0 ? static_cast<size_t>(cchMax) : 0;
    if (path.size() <= limit)
        return;
    const size_t lastSlash = path.find_last_of('/');
    const std::string name = lastSlash == std::string::npos ? path : path.substr(lastSlash + 1);
    const size_t firstEnd = path.find('/', path[0] == '/' ? 1 : 0);
    const std::string root = firstEnd == std::string::npos ? std::string() : path.substr(0, firstEnd) + "/...";
    // The root folder, then as many of the last folders as fit.
    std::string tail;
    if (lastSlash != std::string::npos && firstEnd != std::string::npos && firstEnd < lastSlash) {
        for (size_t slash = lastSlash; slash > firstEnd; slash = path.rfind('/', slash - 1)) {
            if (root.size() + path.size() - slash > limit)
                break;
            tail = path.substr(slash);
        }
    }
    if (!tail.empty())
        strName = (root + tail).c_str();
    else
        strName = bAtLeastName ? name.c_str() : "";
}

CRecentFileList::CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize,
                                 int nMaxDispLen)
    : m_nSize(nSize > 0 ? nSize : 0), m_arrNames(static_cast<size_t>(m_nSize)), m_strSectionName(lpszSection),
      m_strEntryFormat(lpszEntryFormat), m_nStart(nStart), m_nMaxDisplayLength(nMaxDispLen)
{
}

void CRecentFileList::Add(LPCSTR lpszPathName)
{
    if (m_nSize == 0 || !lpszPathName || !*lpszPathName)
        return;
    const CString path = FullPath(lpszPathName);
    int found = m_nSize - 1;
    for (int i = 0; i < m_nSize; ++i) {
        if (strcasecmp(m_arrNames[static_cast<size_t>(i)], path) == 0) {
            found = i;
            break;
        }
    }
    for (int i = found; i > 0; --i)
        m_arrNames[static_cast<size_t>(i)] = m_arrNames[static_cast<size_t>(i - 1)];
    m_arrNames[0] = path;
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_nSize)
        return;
    m_arrNames.erase(m_arrNames.begin() + nIndex);
    m_arrNames.emplace_back();
}

BOOL CRecentFileList::GetDisplayName(CString& strName, int nIndex, LPCSTR lpszCurDir, int nCurDir,
                                     BOOL bAtLeastName) const
{
    if (nIndex < 0 || nIndex >= m_nSize || m_arrNames[static_cast<size_t>(nIndex)].IsEmpty())
        return FALSE;
    const CString& path = m_arrNames[static_cast<size_t>(nIndex)];
    const std::string full(static_cast<LPCSTR>(path));
    const size_t slash = full.find_last_of('/');
    if (lpszCurDir && nCurDir > 0 && static_cast<int>(full.size()) > nCurDir &&
        strncasecmp(full.c_str(), lpszCurDir, static_cast<size_t>(nCurDir)) == 0 &&
        (slash == std::string::npos || static_cast<int>(slash) < nCurDir)) {
        strName = full.c_str() + nCurDir;
    } else {
        strName = path;
        AfxAbbreviateName(strName, m_nMaxDisplayLength, bAtLeastName);
    }
    return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI)
{
    if (m_strOriginal.IsEmpty() && pCmdUI->m_pMenu)
        pCmdUI->m_pMenu->GetMenuString(pCmdUI->m_nID, m_strOriginal, MF_BYCOMMAND);
    if (m_nSize == 0 || m_arrNames[0].IsEmpty()) {
        if (!m_strOriginal.IsEmpty())
            pCmdUI->SetText(m_strOriginal);
        pCmdUI->Enable(FALSE);
        return;
    }
    if (!pCmdUI->m_pMenu)
        return;
    for (int i = 0; i < m_nSize; ++i)
        pCmdUI->m_pMenu->DeleteMenu(pCmdUI->m_nID + static_cast<UINT>(i), MF_BYCOMMAND);
    char folder[MAX_PATH] = {};
    const DWORD folderLength = ::GetCurrentDirectoryA(sizeof folder - 1, folder);
    std::string current(folder, folderLength < sizeof folder ? folderLength : 0);
    if (!current.empty() && current.back() != '/')
        current += '/';
    CString name;
    for (int i = 0; i < m_nSize; ++i) {
        if (!GetDisplayName(name, i, current.c_str(), static_cast<int>(current.size())))
            break;
        // '&' would underline the next letter: doubled, it shows itself.
        std::string shown;
        for (LPCSTR p = name; *p; ++p) {
            if (*p == '&')
                shown += '&';
            shown += *p;
        }
        char text[MAX_PATH + 16];
        std::snprintf(text, sizeof text, "&%d %s", static_cast<int>((static_cast<UINT>(i) + 1 + m_nStart) % 10),
                      shown.c_str());
        pCmdUI->m_pMenu->InsertMenu(pCmdUI->m_nIndex++, MF_STRING | MF_BYPOSITION, pCmdUI->m_nID++, text);
    }
    // The caller's walk goes on after the items added here.
    pCmdUI->m_nIndex--;
    pCmdUI->m_nIndexMax = pCmdUI->m_pMenu->GetMenuItemCount();
    pCmdUI->m_bEnableChanged = TRUE;
}

void CRecentFileList::ReadList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int i = 0; i < m_nSize; ++i)
        m_arrNames[static_cast<size_t>(i)] =
            app->GetProfileString(m_strSectionName, EntryName(m_strEntryFormat, i + 1), "");
}

void CRecentFileList::WriteList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    // The section is written whole so that removed entries leave no trace.
    app->WriteProfileString(m_strSectionName, nullptr, nullptr);
    for (int i = 0; i < m_nSize; ++i)
        if (!m_arrNames[static_cast<size_t>(i)].IsEmpty())
            app->WriteProfileString(m_strSectionName, EntryName(m_strEntryFormat, i + 1),
                                    m_arrNames[static_cast<size_t>(i)]);
}
