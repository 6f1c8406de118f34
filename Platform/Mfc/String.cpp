#include "Platform/Mfc/String.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "Platform/Win/Base/Utf.h"

namespace {

const char* OrEmpty(LPCSTR lpsz) { return lpsz ? lpsz : ""; }

char FoldLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The C locale's white space; bytes of UTF-8 sequences are never white.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int CompareFolded(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(FoldLower(*a));
        unsigned char cb = static_cast<unsigned char>(FoldLower(*b));
        if (ca != cb || ca == 0)
            return ca < cb ? -1 : (ca > cb ? 1 : 0);
    }
}

std::string Folded(const char* s)
{
    std::string out(s);
    for (char& c : out)
        c = FoldLower(c);
    return out;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

} // namespace

CString::CString(char ch, int nRepeat) : m_str(static_cast<size_t>(std::max(nRepeat, 0)), ch) {}

CString::CString(LPCSTR lpsz)
{
    if (lpsz && IS_INTRESOURCE(lpsz))
        LoadString(LOWORD(reinterpret_cast<UINT_PTR>(lpsz)));
    else if (lpsz)
        m_str = lpsz;
}

CString::CString(LPCSTR lpch, int nLength)
{
    if (lpch && nLength > 0)
        m_str.assign(lpch, static_cast<size_t>(nLength));
}

CString::CString(const unsigned char* psz) : CString(reinterpret_cast<LPCSTR>(psz)) {}

void CString::Empty() { std::string().swap(m_str); }

char CString::GetAt(int nIndex) const
{
    if (!AFX_CHECK(nIndex >= 0 && nIndex < GetLength()))
        return '\0';
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch)
{
    if (AFX_CHECK(nIndex >= 0 && nIndex < GetLength()))
        m_str[static_cast<size_t>(nIndex)] = ch;
}

const CString& CString::operator=(const CString& stringSrc)
{
    m_str = stringSrc.m_str;
    return *this;
}

const CString& CString::operator=(CString&& stringSrc) noexcept
{
    m_str = std::move(stringSrc.m_str);
    return *this;
}

const CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

const CString& CString::operator=(LPCSTR lpsz)
{
    // Assigning a pointer into this string's own text must work.
    if (!lpsz || IS_INTRESOURCE(lpsz))
        m_str.clear();
    else
        m_str.assign(std::string(lpsz));
    return *this;
}

const CString& CString::operator=(const unsigned char* psz) { return *this = reinterpret_cast<LPCSTR>(psz); }

const CString& CString::operator+=(const CString& string)
{
    m_str += string.m_str;
    return *this;
}

const CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

const CString& CString::operator+=(LPCSTR lpsz)
{
    if (lpsz)
        m_str += std::string(lpsz);
    return *this;
}

CString operator+(const CString& string1, const CString& string2)
{
    CString out(string1);
    out += string2;
    return out;
}

CString operator+(const CString& string, char ch)
{
    CString out(string);
    out += ch;
    return out;
}

CString operator+(char ch, const CString& string)
{
    CString out(ch);
    out += string;
    return out;
}

CString operator+(const CString& string, LPCSTR lpsz)
{
    CString out(string);
    out += lpsz;
    return out;
}

CString operator+(LPCSTR lpsz, const CString& string)
{
    CString out(lpsz);
    out += string;
    return out;
}

int CString::Compare(LPCSTR lpsz) const { return Sign(std::strcmp(m_str.c_str(), OrEmpty(lpsz))); }

int CString::CompareNoCase(LPCSTR lpsz) const { return CompareFolded(m_str.c_str(), OrEmpty(lpsz)); }

int CString::Collate(LPCSTR lpsz) const { return Sign(std::strcoll(m_str.c_str(), OrEmpty(lpsz))); }

int CString::CollateNoCase(LPCSTR lpsz) const
{
    return Sign(std::strcoll(Folded(m_str.c_str()).c_str(), Folded(OrEmpty(lpsz)).c_str()));
}

CString CString::Mid(int nFirst, int nCount) const
{
    int length = GetLength();
    nFirst = std::clamp(nFirst, 0, length);
    nCount = std::clamp(nCount, 0, length - nFirst);
    return CString(m_str.data() + nFirst, nCount);
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(LPCSTR lpszCharSet) const
{
    return Left(static_cast<int>(std::strspn(m_str.c_str(), OrEmpty(lpszCharSet))));
}

CString CString::SpanExcluding(LPCSTR lpszCharSet) const
{
    return Left(static_cast<int>(std::strcspn(m_str.c_str(), OrEmpty(lpszCharSet))));
}

void CString::MakeUpper()
{
    for (char& c : m_str)
        c = FoldUpper(c);
}

void CString::MakeLower()
{
    for (char& c : m_str)
        c = FoldLower(c);
}

void CString::MakeReverse()
{
    std::string out(m_str.size(), '\0');
    size_t end = out.size();
    for (size_t at = 0; at < m_str.size();) {
        // A byte that starts no sequence of the right shape moves on its own.
        std::string_view rest = std::string_view(m_str).substr(at);
        size_t length = std::max<size_t>(1, win::Utf8SequenceLength(rest, win::Utf8Form::Shaped));
        end -= length;
        std::memcpy(&out[end], m_str.data() + at, length);
        at += length;
    }
    m_str.swap(out);
}

int CString::Replace(char chOld, char chNew)
{
    if (chOld == chNew)
        return 0;
    int count = 0;
    for (char& c : m_str)
        if (c == chOld) {
            c = chNew;
            ++count;
        }
    return count;
}

int CString::Replace(LPCSTR lpszOld, LPCSTR lpszNew)
{
    if (!lpszOld || !*lpszOld)
        return 0;
    const std::string from(lpszOld);
    const std::string to(OrEmpty(lpszNew));
    std::string out;
    int count = 0;
    size_t done = 0;
    for (size_t at = m_str.find(from); at != std::string::npos; at = m_str.find(from, done)) {
        out.append(m_str, done, at - done);
        out += to;
        done = at + from.size();
        ++count;
    }
    if (count) {
        out.append(m_str, done, std::string::npos);
        m_str.swap(out);
    }
    return count;
}

int CString::Remove(char chRemove)
{
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), chRemove), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, char ch)
{
    m_str.insert(static_cast<size_t>(std::clamp(nIndex, 0, GetLength())), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCSTR pstr)
{
    if (pstr)
        m_str.insert(static_cast<size_t>(std::clamp(nIndex, 0, GetLength())), std::string(pstr));
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    nIndex = std::max(nIndex, 0);
    if (nCount > 0 && nIndex < GetLength())
        m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(std::min(nCount, GetLength() - nIndex)));
    return GetLength();
}

void CString::Format(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR lpszFormat, va_list argList)
{
    if (!AFX_CHECK(lpszFormat != nullptr)) {
        Empty();
        return;
    }
    // The arguments may point into this string, so the text is built aside.
    va_list measure;
    va_copy(measure, argList);
    int needed = std::vsnprintf(nullptr, 0, lpszFormat, measure);
    va_end(measure);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed));
        std::vsnprintf(out.data(), out.size() + 1, lpszFormat, argList);
    }
    m_str.swap(out);
}

void CString::TrimRight()
{
    size_t end = m_str.size();
    while (end > 0 && IsSpace(m_str[end - 1]))
        --end;
    m_str.resize(end);
}

void CString::TrimRight(char chTarget)
{
    size_t end = m_str.size();
    while (end > 0 && m_str[end - 1] == chTarget)
        --end;
    m_str.resize(end);
}

void CString::TrimRight(LPCSTR lpszTargets)
{
    if (!lpszTargets)
        return;
    size_t end = m_str.find_last_not_of(lpszTargets);
    m_str.resize(end == std::string::npos ? 0 : end + 1);
}

void CString::TrimLeft()
{
    size_t start = 0;
    while (start < m_str.size() && IsSpace(m_str[start]))
        ++start;
    m_str.erase(0, start);
}

void CString::TrimLeft(char chTarget)
{
    size_t start = 0;
    while (start < m_str.size() && m_str[start] == chTarget)
        ++start;
    m_str.erase(0, start);
}

void CString::TrimLeft(LPCSTR lpszTargets)
{
    if (!lpszTargets)
        return;
    size_t start = m_str.find_first_not_of(lpszTargets);
    m_str.erase(0, start == std::string::npos ? m_str.size() : start);
}

int CString::Find(char ch) const { return Find(ch, 0); }

int CString::Find(LPCSTR lpszSub) const { return Find(lpszSub, 0); }

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t at = m_str.find(ch, static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR lpszSub, int nStart) const
{
    if (!lpszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t at = m_str.find(lpszSub, static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    size_t at = m_str.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(LPCSTR lpszCharSet) const
{
    if (!lpszCharSet || !*lpszCharSet)
        return -1;
    size_t at = m_str.find_first_of(lpszCharSet);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (!AFX_CHECK(nMinBufLength >= 0))
        nMinBufLength = 0;
    if (static_cast<size_t>(nMinBufLength) > m_str.size())
        m_str.resize(static_cast<size_t>(nMinBufLength));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength)
{
    size_t length = nNewLength < 0 ? std::strlen(m_str.c_str()) : static_cast<size_t>(nNewLength);
    if (!AFX_CHECK(length <= m_str.size()))
        length = m_str.size();
    m_str.resize(length);
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    if (!AFX_CHECK(nNewLength >= 0))
        nNewLength = 0;
    m_str.resize(static_cast<size_t>(nNewLength));
    return m_str.data();
}

void CString::FreeExtra() { m_str.shrink_to_fit(); }

LPSTR CString::LockBuffer() { return m_str.data(); }

void CString::UnlockBuffer() {}

bool operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
bool operator==(const CString& s1, LPCSTR s2) { return s1.Compare(s2) == 0; }
bool operator==(LPCSTR s1, const CString& s2) { return s2.Compare(s1) == 0; }
bool operator!=(const CString& s1, const CString& s2) { return s1.Compare(s2) != 0; }
bool operator!=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) != 0; }
bool operator!=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) != 0; }
bool operator<(const CString& s1, const CString& s2) { return s1.Compare(s2) < 0; }
bool operator<(const CString& s1, LPCSTR s2) { return s1.Compare(s2) < 0; }
bool operator<(LPCSTR s1, const CString& s2) { return s2.Compare(s1) > 0; }
bool operator>(const CString& s1, const CString& s2) { return s1.Compare(s2) > 0; }
bool operator>(const CString& s1, LPCSTR s2) { return s1.Compare(s2) > 0; }
bool operator>(LPCSTR s1, const CString& s2) { return s2.Compare(s1) < 0; }
bool operator<=(const CString& s1, const CString& s2) { return s1.Compare(s2) <= 0; }
bool operator<=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) <= 0; }
bool operator<=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) >= 0; }
bool operator>=(const CString& s1, const CString& s2) { return s1.Compare(s2) >= 0; }
bool operator>=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) >= 0; }
bool operator>=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) <= 0; }
