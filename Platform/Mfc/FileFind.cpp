#include "Platform/Mfc/FileFind.h"

#include <cstring>
#include <string>

#include "Platform/Win/Kernel/System.h"

IMPLEMENT_DYNAMIC(CFileFind, CObject)

namespace {

// The absolute form of a folder, without a trailing '/' unless it is "/".
CString AbsoluteFolder(const CString& folder)
{
    std::string path(static_cast<LPCSTR>(folder));
    if (path.empty() || path[0] != '/') {
        char cwd[4096];
        DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
        std::string base = n > 0 && n < sizeof cwd ? std::string(cwd, n) : std::string("/");
        path = path.empty() || path == "." ? base : base + "/" + path;
    }
    // Folds "." and ".." components as Windows full paths do.
    std::string out;
    size_t at = 0;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        if (slash == std::string::npos)
            slash = path.size();
        std::string part = path.substr(at, slash - at);
        if (part == "..") {
            size_t cut = out.rfind('/');
            out.resize(cut == std::string::npos ? 0 : cut);
        } else if (!part.empty() && part != ".") {
            out += "/" + part;
        }
        at = slash + 1;
    }
    return out.empty() ? CString("/") : CString(out.c_str());
}

} // namespace

CFileFind::CFileFind() : m_hContext(INVALID_HANDLE_VALUE), m_found{}, m_next{} {}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close()
{
    if (m_hContext != INVALID_HANDLE_VALUE)
        FindClose(m_hContext);
    m_hContext = INVALID_HANDLE_VALUE;
    m_bHasFound = FALSE;
    m_bGotLast = FALSE;
    m_strRoot.Empty();
}

BOOL CFileFind::FindFile(LPCSTR pstrName, DWORD dwUnused)
{
    (void)dwUnused;
    Close();
    CString pattern = pstrName && *pstrName ? CString(pstrName) : CString("*.*");
    HANDLE context = FindFirstFileA(pattern, &m_next);
    if (context == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hContext = context;
    int slash = pattern.ReverseFind('/');
    m_strRoot = AbsoluteFolder(slash < 0 ? CString() : slash == 0 ? CString("/") : pattern.Left(slash));
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_hContext == INVALID_HANDLE_VALUE || m_bGotLast)
        return FALSE;
    m_found = m_next;
    m_bHasFound = TRUE;
    m_bGotLast = !FindNextFileA(m_hContext, &m_next);
    return !m_bGotLast;
}

const WIN32_FIND_DATAA* CFileFind::Current() const
{
    return AFX_CHECK(m_hContext != INVALID_HANDLE_VALUE && m_bHasFound) ? &m_found : nullptr;
}

ULONGLONG CFileFind::GetLength() const
{
    const WIN32_FIND_DATAA* entry = Current();
    return entry ? (static_cast<ULONGLONG>(entry->nFileSizeHigh) << 32) | entry->nFileSizeLow : 0;
}

CString CFileFind::GetFileName() const
{
    const WIN32_FIND_DATAA* entry = Current();
    return entry ? CString(entry->cFileName) : CString();
}

CString CFileFind::GetFilePath() const
{
    const WIN32_FIND_DATAA* entry = Current();
    if (!entry)
        return CString();
    return m_strRoot == "/" ? m_strRoot + entry->cFileName : m_strRoot + "/" + entry->cFileName;
}

CString CFileFind::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString CFileFind::GetRoot() const { return AFX_CHECK(m_hContext != INVALID_HANDLE_VALUE) ? m_strRoot : CString(); }

BOOL CFileFind::GetTime(FILETIME WIN32_FIND_DATAA::*which, FILETIME* pTimeStamp) const
{
    const WIN32_FIND_DATAA* entry = Current();
    if (!entry || !AFX_CHECK(pTimeStamp != nullptr))
        return FALSE;
    *pTimeStamp = entry->*which;
    return TRUE;
}

BOOL CFileFind::GetTime(FILETIME WIN32_FIND_DATAA::*which, CTime& refTime) const
{
    FILETIME time;
    if (!GetTime(which, &time))
        return FALSE;
    refTime = CTime(time);
    return TRUE;
}

BOOL CFileFind::GetLastWriteTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftLastWriteTime, pTimeStamp);
}
BOOL CFileFind::GetLastAccessTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftLastAccessTime, pTimeStamp);
}
BOOL CFileFind::GetCreationTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftCreationTime, pTimeStamp);
}
BOOL CFileFind::GetLastWriteTime(CTime& refTime) const { return GetTime(&WIN32_FIND_DATAA::ftLastWriteTime, refTime); }
BOOL CFileFind::GetLastAccessTime(CTime& refTime) const { return GetTime(&WIN32_FIND_DATAA::ftLastAccessTime, refTime); }
BOOL CFileFind::GetCreationTime(CTime& refTime) const { return GetTime(&WIN32_FIND_DATAA::ftCreationTime, refTime); }

BOOL CFileFind::IsDots() const
{
    const WIN32_FIND_DATAA* entry = Current();
    return entry && (std::strcmp(entry->cFileName, ".") == 0 || std::strcmp(entry->cFileName, "..") == 0);
}

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    const WIN32_FIND_DATAA* entry = Current();
    return entry && (entry->dwFileAttributes & dwMask) != 0;
}
