#pragma once
// CString: a value string of UTF-8 bytes with the operations of MFC 4.2.
// Indexes and lengths count bytes, as MFC's count TCHARs. Case folding
// (CompareNoCase, MakeUpper, MakeLower) touches ASCII letters only, so the
// bytes of multibyte characters are never changed.
//
// A CString passed to a printf-style `...` is not the text: callers cast to
// LPCSTR. Format, AfxTrace and the C library's printf family are checked by
// the compiler's format attribute, which reports the mistake.

#include <cstdarg>
#include <string>

#include "Platform/Mfc/AfxDefs.h"

class CString {
public:
    CString() = default;
    CString(const CString& stringSrc) = default;
    CString(CString&& stringSrc) noexcept = default;
    CString(char ch, int nRepeat = 1);
    // A null pointer gives an empty string; a resource identifier made with
    // MAKEINTRESOURCE loads that string resource, as in MFC (empty when it
    // is missing).
    CString(LPCSTR lpsz);
    CString(LPCSTR lpch, int nLength);
    CString(const unsigned char* psz);
    ~CString() = default;

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty();

    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    operator LPCSTR() const { return m_str.c_str(); }

    const CString& operator=(const CString& stringSrc);
    const CString& operator=(CString&& stringSrc) noexcept;
    const CString& operator=(char ch);
    const CString& operator=(LPCSTR lpsz);
    const CString& operator=(const unsigned char* psz);

    const CString& operator+=(const CString& string);
    const CString& operator+=(char ch);
    const CString& operator+=(LPCSTR lpsz);

    friend CString operator+(const CString& string1, const CString& string2);
    friend CString operator+(const CString& string, char ch);
    friend CString operator+(char ch, const CString& string);
    friend CString operator+(const CString& string, LPCSTR lpsz);
    friend CString operator+(LPCSTR lpsz, const CString& string);

    // strcmp order of the bytes; a null pointer compares as "".
    int Compare(LPCSTR lpsz) const;
    int CompareNoCase(LPCSTR lpsz) const;
    // The C library's collation order for the current locale.
    int Collate(LPCSTR lpsz) const;
    int CollateNoCase(LPCSTR lpsz) const;

    // Out-of-range arguments are clamped: a negative start is 0, a count
    // past the end takes the rest, a start past the end gives "".
    CString Mid(int nFirst, int nCount) const;
    CString Mid(int nFirst) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCSTR lpszCharSet) const;
    CString SpanExcluding(LPCSTR lpszCharSet) const;

    void MakeUpper();
    void MakeLower();
    // Reverses the characters: a multibyte UTF-8 sequence stays in order, as
    // an MBCS build of MFC keeps lead and trail bytes together.
    void MakeReverse();
    // Return the number of replacements; replacing a character by itself
    // counts none, as in MFC.
    int Replace(char chOld, char chNew);
    int Replace(LPCSTR lpszOld, LPCSTR lpszNew);
    int Remove(char chRemove);
    // Return the new length. The index is clamped into [0, GetLength()].
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, LPCSTR pstr);
    int Delete(int nIndex, int nCount = 1);

    // The string resource from the current resource module, then the
    // program's (defined in AfxResources.cpp); FALSE when missing or empty.
    BOOL LoadString(UINT nID);

    void Format(LPCSTR lpszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR lpszFormat, va_list argList);

    // Without an argument these trim ASCII white space.
    void TrimRight();
    void TrimRight(char chTarget);
    void TrimRight(LPCSTR lpszTargets);
    void TrimLeft();
    void TrimLeft(char chTarget);
    void TrimLeft(LPCSTR lpszTargets);

    // Return the byte index, or -1. A start index outside the string finds
    // nothing.
    int Find(char ch) const;
    int Find(LPCSTR lpszSub) const;
    int Find(char ch, int nStart) const;
    int Find(LPCSTR lpszSub, int nStart) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR lpszCharSet) const;

    // The buffer holds at least nMinBufLength bytes and a terminator; bytes
    // past the old length read as zero. Until ReleaseBuffer the CString must
    // not be used otherwise.
    LPSTR GetBuffer(int nMinBufLength);
    // ReleaseBuffer(-1) takes the length up to the first zero byte.
    void ReleaseBuffer(int nNewLength = -1);
    LPSTR GetBufferSetLength(int nNewLength);
    void FreeExtra();
    // Buffers are never shared between CStrings here, so locking only hands
    // out the buffer.
    LPSTR LockBuffer();
    void UnlockBuffer();

private:
    std::string m_str;
};

bool operator==(const CString& s1, const CString& s2);
bool operator==(const CString& s1, LPCSTR s2);
bool operator==(LPCSTR s1, const CString& s2);
bool operator!=(const CString& s1, const CString& s2);
bool operator!=(const CString& s1, LPCSTR s2);
bool operator!=(LPCSTR s1, const CString& s2);
bool operator<(const CString& s1, const CString& s2);
bool operator<(const CString& s1, LPCSTR s2);
bool operator<(LPCSTR s1, const CString& s2);
bool operator>(const CString& s1, const CString& s2);
bool operator>(const CString& s1, LPCSTR s2);
bool operator>(LPCSTR s1, const CString& s2);
bool operator<=(const CString& s1, const CString& s2);
bool operator<=(const CString& s1, LPCSTR s2);
bool operator<=(LPCSTR s1, const CString& s2);
bool operator>=(const CString& s1, const CString& s2);
bool operator>=(const CString& s1, LPCSTR s2);
bool operator>=(LPCSTR s1, const CString& s2);
