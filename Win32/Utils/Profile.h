#pragma once
// CProfile: an INI-style text document in memory: a header comment, then
// sections in order, each with a comment and ordered entries (name '='
// value, with an optional comment). It is the format of storyboard files,
// of every item's settings and of storyboard items on the clipboard.
//
// Files are written with CRLF line ends and read with CRLF or LF. Entry
// lines longer than 78 characters are wrapped with a backslash at the end of
// each segment. Values are stored as they stand in the file: SetString and
// GetString escape and unescape newline, carriage return, ';' and
// backslash; SetValue escapes only what would break the line (a ';' that
// would start a comment, newline and carriage return). Whatever Load reads
// (up to a malformed line), Save writes so that it reads back with the same
// sections and entries, their names and values exactly, and the same comment
// text (not always with the same blank lines, blanks around it or a ';' at
// its start, which cannot be told from the ';' a caller writes).

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/LogFont.h"
#include "Win32/Utils/GfxTypes.h"
#include "Win32/Utils/MediaTime.h"

#include <string>

class CProfileEntry {
public:
    CProfileEntry* m_pNext = nullptr;
    CProfileEntry* m_pPrev = nullptr;
    std::string m_strName;
    std::string m_strValue;
    std::string m_strComment;
};

class CProfileSection {
public:
    ~CProfileSection();

    CProfileSection* m_pNext = nullptr;
    CProfileSection* m_pPrev = nullptr;
    std::string m_strName;
    std::string m_strComment;
    CProfileEntry* m_pFirstEntry = nullptr;
    CProfileEntry* m_pLastEntry = nullptr;
};

class CProfile {
public:
    // Results of Load and Save.
    static constexpr int kOk = 0;
    static constexpr int kCannotOpen = -1;
    static constexpr int kMalformed = -2;
    static constexpr int kCannotCreate = -3;
    // Larger files are refused as if they could not be opened.
    static constexpr DWORD kMaxFileSize = 64u * 1024u * 1024u;

    CProfile() = default;
    ~CProfile();
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    void Clear();
    // 0; -1 when the file cannot be opened or is larger than kMaxFileSize
    // (the profile is then unchanged); -2 at a line that is neither section,
    // entry nor comment, or an entry before the first section (what was read
    // before it is kept). The modified flag is cleared in both 0 and -2.
    int Load(LPCSTR lpszPath);
    // 0, or -3 when the file cannot be written; an existing file is replaced
    // only once the new one is complete.
    int Save(LPCSTR lpszPath);

    BOOL HasSection(LPCSTR lpszSection) const;
    BOOL HasEntry(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    BOOL IsModified() const { return m_bModified; }

    // Header and comments are written as given: a text that should read back
    // as a comment starts its lines with ';'.
    void SetHeader(LPCSTR lpszText);
    LPCSTR GetHeader() const { return m_strHeader.c_str(); }
    void SetSection(LPCSTR lpszSection, LPCSTR lpszComment = nullptr);
    // The section's comment, or null when the section is missing.
    LPCSTR GetSectionComment(LPCSTR lpszSection) const;
    void SetValue(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue, LPCSTR lpszComment = nullptr);
    // The stored value text, or null when the section or entry is missing.
    LPCSTR GetValue(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    // The entry's comment, or null when the entry is missing.
    LPCSTR GetEntryComment(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    CProfileSection* GetFirstSection() const { return m_pFirstSection; }

    // The value with its escapes undone in a new buffer that the caller
    // frees with delete[]; null when the entry is missing.
    LPSTR GetString(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    int GetInt(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    BOOL GetBool(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    BYTE GetByte(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    DWORD GetUnsigned(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    DWORD GetHex(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    double GetDouble(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    CMediaTime GetMediaTime(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    int GetIntSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const;
    BYTE GetByteSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const;
    LPCSTR GetValueSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const;
    CGfxPoint GetPoint(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    // 1, or 0 without touching the font when entry + ".lfFaceName" is missing.
    BOOL GetLogFont(LPCSTR lpszSection, LPCSTR lpszEntry, LOGFONTW& font) const;

    void SetString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue, LPCSTR lpszComment = nullptr);
    void SetInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue, LPCSTR lpszComment = nullptr);
    void SetUnsigned(LPCSTR lpszSection, LPCSTR lpszEntry, DWORD nValue, LPCSTR lpszComment = nullptr);
    void SetHex(LPCSTR lpszSection, LPCSTR lpszEntry, DWORD nValue, LPCSTR lpszComment = nullptr);
    // "%-10.2f": two decimals, left-justified in ten columns.
    void SetFloat(LPCSTR lpszSection, LPCSTR lpszEntry, float fValue, LPCSTR lpszComment = nullptr);
    void SetMediaTime(LPCSTR lpszSection, LPCSTR lpszEntry, const CMediaTime& time, LPCSTR lpszComment = nullptr);
    void SetIntSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix, int nValue,
                        LPCSTR lpszComment = nullptr);
    void SetValueSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix, LPCSTR lpszValue,
                          LPCSTR lpszComment = nullptr);
    void SetPoint(LPCSTR lpszSection, LPCSTR lpszEntry, const CGfxPoint& point, LPCSTR lpszComment = nullptr);
    // Fourteen entries, entry + ".lfHeight" to entry + ".lfFaceName".
    void SetLogFont(LPCSTR lpszSection, LPCSTR lpszEntry, const LOGFONTW& font, LPCSTR lpszComment = nullptr);

    // Clipboard format 129 (CF_DSPTEXT): a 4-byte little-endian length and
    // the text as Save writes it. Each returns 1 on success, else 0.
    BOOL CopyToClipboard(HWND hOwner);
    BOOL IsClipboardAvailable(HWND hOwner);
    // The clipboard's profile replaces this one's content only when it was
    // read without error; otherwise the profile is left as it was.
    BOOL PasteFromClipboard(HWND hOwner);

    // The escape tables of SetString and GetString, in a buffer the caller
    // frees with delete[].
    static LPSTR EscapeText(LPCSTR lpszText);
    static LPSTR UnescapeText(LPCSTR lpszText);

private:
    CProfileSection* FindSection(LPCSTR lpszSection) const;
    CProfileEntry* FindEntry(LPCSTR lpszSection, LPCSTR lpszEntry) const;
    std::string WriteText() const;
    int ReadText(const std::string& text);

    std::string m_strHeader;
    CProfileSection* m_pFirstSection = nullptr;
    CProfileSection* m_pLastSection = nullptr;
    BOOL m_bModified = FALSE;
};
