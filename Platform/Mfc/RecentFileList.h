#pragma once
// The most-recently-used file list: full paths, newest first, kept in the
// application's profile section (entries made from a format such as
// "File%d", counted from 1) and shown in the File menu in place of the
// first list command's item.

#include "Platform/Mfc/CmdTarget.h"
#include "Platform/Mfc/String.h"

#include <vector>

// How long a shown name may be before its folders are shortened.
constexpr int AFX_ABBREV_FILENAME_LEN = 30;

class CRecentFileList {
public:
    CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize,
                    int nMaxDispLen = AFX_ABBREV_FILENAME_LEN);
    virtual ~CRecentFileList() = default;

    int GetSize() const { return m_nSize; }
    CString& operator[](int nIndex) { return m_arrNames[static_cast<size_t>(nIndex)]; }

    // Puts the file first; a path already listed (compared without case)
    // moves up instead of appearing twice.
    virtual void Add(LPCSTR lpszPathName);
    virtual void Remove(int nIndex);
    // The name as the menu shows it: without the folder when it is the
    // current one, else with folders shortened to the display length.
    virtual BOOL GetDisplayName(CString& strName, int nIndex, LPCSTR lpszCurDir, int nCurDir,
                                BOOL bAtLeastName = TRUE) const;
    // Replaces the menu items from the update's command on by one item per
    // file ("&1 name", ...), with consecutive command ids; with no files
    // the first item keeps its original text, disabled.
    virtual void UpdateMenu(CCmdUI* pCmdUI);
    virtual void ReadList();
    virtual void WriteList();

    int m_nSize;
    std::vector<CString> m_arrNames;
    CString m_strSectionName;
    CString m_strEntryFormat;
    UINT m_nStart;
    int m_nMaxDisplayLength;
    CString m_strOriginal;
};

// Shortens a path to at most cchMax characters by leaving out folders after
// the first ("/first/.../name"); with bAtLeastName the file name is kept
// whole even when it alone is longer.
void AFXAPI AfxAbbreviateName(CString& strName, int cchMax, BOOL bAtLeastName);
