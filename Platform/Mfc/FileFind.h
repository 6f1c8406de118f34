#pragma once
// CFileFind over FindFirstFileA/FindNextFileA with MFC's look-ahead: FindFile
// only starts the search, and each FindNextFile makes the next entry current
// and returns nonzero while more entries remain after it. So
//     BOOL more = find.FindFile(pattern);
//     while (more) { more = find.FindNextFile(); use(find); }
// visits every entry once, the last one after FindNextFile returned FALSE.
// Paths are joined with '/'.

#include "Platform/Mfc/MfcTime.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Kernel/Files.h"

class CFileFind : public CObject {
    DECLARE_DYNAMIC(CFileFind)
public:
    CFileFind();
    ~CFileFind() override;

    // A null name searches "*.*" in the current folder. FALSE (with the
    // last error set) when nothing matches or the folder does not exist.
    virtual BOOL FindFile(LPCSTR pstrName = nullptr, DWORD dwUnused = 0);
    virtual BOOL FindNextFile();
    void Close();

    // Questions about the current entry; they answer empty / FALSE / 0
    // before the first FindNextFile.
    ULONGLONG GetLength() const;
    virtual CString GetFileName() const;
    virtual CString GetFilePath() const;
    virtual CString GetFileTitle() const;
    // The absolute folder searched, without a trailing '/' (except "/");
    // known from FindFile on.
    virtual CString GetRoot() const;

    virtual BOOL GetLastWriteTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetLastAccessTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetCreationTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetLastWriteTime(CTime& refTime) const;
    virtual BOOL GetLastAccessTime(CTime& refTime) const;
    virtual BOOL GetCreationTime(CTime& refTime) const;

    virtual BOOL IsDots() const;
    virtual BOOL MatchesMask(DWORD dwMask) const;
    BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsTemporary() const { return MatchesMask(FILE_ATTRIBUTE_TEMPORARY); }
    BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }
    BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }

private:
    // The current entry, or null (a failed check) before the first
    // FindNextFile.
    const WIN32_FIND_DATAA* Current() const;
    BOOL GetTime(FILETIME WIN32_FIND_DATAA::*which, FILETIME* pTimeStamp) const;
    BOOL GetTime(FILETIME WIN32_FIND_DATAA::*which, CTime& refTime) const;

    HANDLE m_hContext;
    WIN32_FIND_DATAA m_found;
    WIN32_FIND_DATAA m_next;
    BOOL m_bHasFound = FALSE;
    BOOL m_bGotLast = FALSE;
    CString m_strRoot;
};
