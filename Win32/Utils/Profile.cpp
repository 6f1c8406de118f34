#include "Win32/Utils/Profile.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/User/Clipboard.h"
#include "Win32/Utils/GlobalBlob.h"
#include "Win32/Utils/SafeSave.h"

namespace {

constexpr size_t kWrapColumn = 78;

struct Escape {
    const char* plain;
    const char* escaped;
};

// Tried in this order in both directions.
constexpr Escape kEscapes[] = {{"\n", "\\n"}, {"\r", "\\r"}, {";", "\\;"}, {"\\", "\\\\"}};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

LPSTR Replace(LPCSTR text, bool escaping)
{
    std::string out;
    if (text) {
        for (const char* p = text; *p;) {
            bool matched = false;
            for (const Escape& e : kEscapes) {
                const char* from = escaping ? e.plain : e.escaped;
                if (StartsWithNoCase(p, from)) {
                    out += escaping ? e.escaped : e.plain;
                    p += std::strlen(from);
                    matched = true;
                    break;
                }
            }
            if (!matched)
                out += *p++;
        }
    }
    auto* buffer = new char[out.size() + 1];
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return buffer;
}

// What SetValue escapes: a ';' the reader would take for the start of a
// comment, and line ends, which would end the entry's line.
std::string EscapeLineBreakers(LPCSTR value)
{
    std::string out;
    for (size_t i = 0; value[i]; ++i) {
        char c = value[i];
        if (c == ';' && (i == 0 || value[i - 1] != '\\'))
            out += "\\;";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// The inverse of EscapeLineBreakers, for values that are otherwise used as
// stored (font face names).
std::string UnescapeLineBreakers(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char next = value[i + 1];
            if (next == ';' || next == 'n' || next == 'r') {
                out += next == ';' ? ';' : next == 'n' ? '\n' : '\r';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

// A line whose text ends in a backslash would read back as continued and
// swallow the next line; a blank after the backslash, which the reader
// trims from values, prevents that.
std::string KeepLineEnds(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n' && !out.empty() && out.back() == '\\')
            out += ' ';
        out += c;
    }
    if (!out.empty() && out.back() == '\\')
        out += ' ';
    return out;
}

// A raw line break in an entry's name or value (one the reader made of a
// continued line followed by an empty line) is written the way it was read:
// a backslash, the line end and an empty line.
void AppendKeepingLineBreaks(std::string& out, const std::string& text, size_t start, size_t count)
{
    for (size_t i = start; i < start + count && i < text.size(); ++i) {
        if (text[i] == '\n')
            out += "\\\n\n";
        else
            out += text[i];
    }
}

// Header and section comments are written as given, so callers supply the
// ';'. Comments read from a file have lost theirs, and written back bare
// they would read as malformed lines or even as sections: a line with text
// that does not start with ';' gets one. So does a line of blanks, which
// would otherwise read back as a blank comment line of its own.
std::string AsCommentLines(const std::string& text)
{
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        size_t first = line.find_first_not_of(" \t\r\f\v");
        if (!line.empty() && (first == std::string::npos || line[first] != ';'))
            line.insert(0, ";");
        out += line;
        if (end < text.size())
            out += '\n';
        start = end + 1;
    }
    return out;
}

// An entry's comment as one line. Comments read from a file end in their
// line end; wrapping could leave that line end alone on a segment of its own,
// an empty line that would join the next line into the comment.
std::string OneLine(std::string comment)
{
    while (!comment.empty() && (comment.back() == '\n' || comment.back() == '\r'))
        comment.pop_back();
    for (char& c : comment)
        if (c == '\n' || c == '\r')
            c = ' ';
    return comment;
}

void AppendWrapped(std::string& out, const std::string& line)
{
    size_t start = 0;
    while (line.size() - start > kWrapColumn) {
        size_t cut = kWrapColumn;
        for (size_t p = kWrapColumn; p >= 1; --p) {
            if (line[start + p] == ' ') {
                cut = p;
                break;
            }
        }
        AppendKeepingLineBreaks(out, line, start, cut);
        out += "\\\n";
        start += cut;
    }
    AppendKeepingLineBreaks(out, line, start, line.size() - start);
    out += '\n';
}

// Physical lines of a file, with CRLF read as LF, as a Windows text-mode
// stream reads them.
class LineReader {
public:
    explicit LineReader(const std::string& data) : m_data(data) {}

    bool Next(std::string& line)
    {
        if (m_pos >= m_data.size())
            return false;
        size_t end = m_data.find('\n', m_pos);
        if (end == std::string::npos) {
            line.assign(m_data, m_pos, std::string::npos);
            m_pos = m_data.size();
            return true;
        }
        size_t stop = end > m_pos && m_data[end - 1] == '\r' ? end - 1 : end;
        line.assign(m_data, m_pos, stop - m_pos);
        line += '\n';
        m_pos = end + 1;
        return true;
    }

    bool AtEnd() const { return m_pos >= m_data.size(); }

private:
    const std::string& m_data;
    size_t m_pos = 0;
};

// A logical line: physical lines joined where one ends in a backslash and a
// newline (both removed) or is empty (fewer than two characters).
bool NextLogicalLine(LineReader& reader, std::string& logical)
{
    logical.clear();
    std::string physical;
    bool any = false;
    while (reader.Next(physical)) {
        any = true;
        logical += physical;
        if (physical.size() >= 2 && physical.compare(physical.size() - 2, 2, "\\\n") == 0) {
            logical.resize(logical.size() - 2);
            continue;
        }
        if (physical.size() < 2)
            continue;
        return true;
    }
    return any;
}

enum class LineKind { Comment, Section, Entry, Malformed };

struct Line {
    LineKind kind = LineKind::Malformed;
    std::string name;
    std::string value;
    std::string comment;
    bool hasComment = false;
};

Line Classify(const std::string& text)
{
    Line line;
    size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin]))
        ++begin;
    if (begin == text.size()) {
        line.kind = LineKind::Comment;
        return line;
    }
    size_t end = text.size();
    for (size_t i = begin; i < text.size(); ++i) {
        if (text[i] == ';' && (i == begin || text[i - 1] != '\\')) {
            line.hasComment = true;
            line.comment = text.substr(i + 1);
            end = i;
            break;
        }
    }
    if (end == begin) {
        line.kind = LineKind::Comment;
        return line;
    }
    if (text[begin] == '[') {
        size_t at = begin + 1;
        while (at < end && IsSpace(text[at]))
            ++at;
        if (at == end || text[at] == ']')
            return line;
        size_t stop = at;
        while (stop < end && text[stop] != ']' && !IsSpace(text[stop]))
            ++stop;
        if (stop == end)
            return line;
        line.kind = LineKind::Section;
        line.name = text.substr(at, stop - at);
        return line;
    }
    size_t equals = text.find('=', begin);
    if (equals == std::string::npos || equals >= end || equals == begin || equals + 1 == end)
        return line;
    size_t value = equals + 1;
    while (value < end && IsSpace(text[value]))
        ++value;
    size_t valueEnd = end;
    while (valueEnd > value && IsSpace(text[valueEnd - 1]))
        --valueEnd;
    line.kind = LineKind::Entry;
    line.name = text.substr(begin, equals - begin);
    line.value = text.substr(value, valueEnd - value);
    return line;
}

const char* SkipSpace(const char* text)
{
    while (IsSpace(*text))
        ++text;
    return text;
}

// atoi as the Windows run-time has it: out-of-range values are clamped.
int ParseInt(const char* text)
{
    if (!text)
        return 0;
    long long value = std::strtoll(SkipSpace(text), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// strtoul of a 32-bit unsigned long: a minus sign negates, overflow gives
// 0xFFFFFFFF.
DWORD ParseUnsigned(const char* text, int base)
{
    if (!text)
        return 0;
    const char* p = SkipSpace(text);
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    bool digit = base == 16 ? std::isxdigit(static_cast<unsigned char>(*p)) != 0
                            : (*p >= '0' && *p <= '9');
    if (!digit)
        return 0;
    errno = 0;
    unsigned long long value = std::strtoull(p, nullptr, base);
    if (errno == ERANGE || value > 0xFFFFFFFFull)
        return 0xFFFFFFFFu;
    DWORD result = static_cast<DWORD>(value);
    return negative ? 0u - result : result;
}

// atof without the locale: profile files always use '.'.
double ParseDouble(const char* text)
{
    if (!text)
        return 0.0;
    const char* p = SkipSpace(text);
    if (*p == '+')
        ++p;
    double value = 0.0;
    std::from_chars(p, p + std::strlen(p), value);
    return value;
}

std::string Suffixed(LPCSTR entry, LPCSTR suffix) { return std::string(entry) + (suffix ? suffix : ""); }

// The whole of a file of at most kMaxFileSize bytes; a folder, a device or
// a pipe is no profile file.
bool ReadWholeFile(LPCSTR path, std::string& data)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
              static_cast<ULONGLONG>(size.QuadPart) <= CProfile::kMaxFileSize;
    if (ok) {
        data.assign(static_cast<size_t>(size.QuadPart), '\0');
        size_t total = 0;
        while (total < data.size()) {
            DWORD got = 0;
            if (!ReadFile(file, data.data() + total, static_cast<DWORD>(data.size() - total), &got, nullptr) ||
                got == 0)
                break;
            total += got;
        }
        // A file that shrank while it was read is taken as it was found.
        data.resize(total);
    }
    CloseHandle(file);
    return ok;
}

// A new file in the temporary folder, as GetTempFileNameA makes it.
bool MakeTempFile(char (&name)[MAX_PATH])
{
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH && GetTempFileNameA(folder, "ATI", 0, name) != 0;
}

} // namespace

CProfileSection::~CProfileSection()
{
    while (m_pFirstEntry) {
        CProfileEntry* next = m_pFirstEntry->m_pNext;
        delete m_pFirstEntry;
        m_pFirstEntry = next;
    }
}

CProfile::~CProfile() { Clear(); }

void CProfile::Clear()
{
    m_strHeader.clear();
    while (m_pFirstSection) {
        CProfileSection* next = m_pFirstSection->m_pNext;
        delete m_pFirstSection;
        m_pFirstSection = next;
    }
    m_pLastSection = nullptr;
    m_bModified = FALSE;
}

int CProfile::Load(LPCSTR lpszPath)
{
    std::string data;
    if (!lpszPath || !ReadWholeFile(lpszPath, data))
        return kCannotOpen;
    return ReadText(data);
}

int CProfile::ReadText(const std::string& data)
{
    Clear();
    LineReader reader(data);
    std::string text;
    std::string comments;
    CProfileSection* current = nullptr;
    int result = kOk;
    auto flushComments = [&] {
        if (comments.empty())
            return;
        if (current)
            current->m_strComment = comments;
        else
            m_strHeader = comments;
        comments.clear();
    };
    while (NextLogicalLine(reader, text)) {
        // The blank line that closes a saved document is not a comment of
        // the last section.
        if (reader.AtEnd() && text.find_first_not_of(" \t\r\n\f\v") == std::string::npos)
            break;
        Line line = Classify(text);
        // Names are C strings to every caller, so a name ends at a NUL byte;
        // one left empty is as malformed as an empty name in the file.
        line.name.resize(std::strlen(line.name.c_str()));
        if (line.kind == LineKind::Malformed || (line.kind != LineKind::Comment && line.name.empty())) {
            result = kMalformed;
            break;
        }
        if (line.kind == LineKind::Comment) {
            comments += line.comment;
            comments += '\n';
            continue;
        }
        flushComments();
        if (line.kind == LineKind::Section) {
            SetSection(line.name.c_str());
            current = FindSection(line.name.c_str());
            continue;
        }
        if (!current) {
            result = kMalformed;
            break;
        }
        // Values are stored as the file has them, escapes included.
        SetValue(current->m_strName.c_str(), line.name.c_str(), nullptr,
                 line.hasComment ? line.comment.c_str() : nullptr);
        FindEntry(current->m_strName.c_str(), line.name.c_str())->m_strValue = line.value;
    }
    if (result == kOk)
        flushComments();
    m_bModified = FALSE;
    return result;
}

int CProfile::Save(LPCSTR lpszPath)
{
    if (!lpszPath || !*lpszPath)
        return kCannotCreate;
    std::string text = WriteText();
    if (!SaveFileSafely(lpszPath, text.data(), text.size()))
        return kCannotCreate;
    m_bModified = FALSE;
    return kOk;
}

std::string CProfile::WriteText() const
{
    std::string text;
    if (!m_strHeader.empty())
        text += KeepLineEnds(AsCommentLines(m_strHeader)) + "\n";
    for (const CProfileSection* section = m_pFirstSection; section; section = section->m_pNext) {
        text += "\n[" + section->m_strName + "]\n";
        if (!section->m_strComment.empty())
            text += KeepLineEnds(AsCommentLines(section->m_strComment)) + "\n";
        for (const CProfileEntry* entry = section->m_pFirstEntry; entry; entry = entry->m_pNext) {
            std::string line = entry->m_strName + "=" + entry->m_strValue;
            if (!entry->m_strComment.empty()) {
                // A comment read from a file keeps the blank after its ';',
                // so it is not given a second one.
                std::string comment = OneLine(entry->m_strComment);
                line += (comment[0] == ' ' || comment[0] == '\t' ? "\t;" : "\t; ") + comment;
            }
            // A line ending in a backslash would read as continued.
            if (line.back() == '\\')
                line += ' ';
            AppendWrapped(text, line);
        }
    }
    text += '\n';
    // Text mode on Windows writes every newline as CR LF.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

CProfileSection* CProfile::FindSection(LPCSTR lpszSection) const
{
    if (!lpszSection)
        return nullptr;
    for (CProfileSection* section = m_pFirstSection; section; section = section->m_pNext)
        if (section->m_strName == lpszSection)
            return section;
    return nullptr;
}

CProfileEntry* CProfile::FindEntry(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    CProfileSection* section = FindSection(lpszSection);
    if (!section || !lpszEntry)
        return nullptr;
    for (CProfileEntry* entry = section->m_pFirstEntry; entry; entry = entry->m_pNext)
        if (entry->m_strName == lpszEntry)
            return entry;
    return nullptr;
}

BOOL CProfile::HasSection(LPCSTR lpszSection) const { return FindSection(lpszSection) != nullptr; }

BOOL CProfile::HasEntry(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return FindEntry(lpszSection, lpszEntry) != nullptr;
}

void CProfile::SetHeader(LPCSTR lpszText)
{
    if (!m_strHeader.empty()) {
        m_strHeader.clear();
        m_bModified = TRUE;
    }
    if (lpszText) {
        m_strHeader = lpszText;
        m_bModified = TRUE;
    }
}

void CProfile::SetSection(LPCSTR lpszSection, LPCSTR lpszComment)
{
    if (!lpszSection)
        return;
    CProfileSection* section = FindSection(lpszSection);
    if (!section) {
        section = new CProfileSection;
        section->m_strName = lpszSection;
        section->m_pPrev = m_pLastSection;
        if (m_pLastSection)
            m_pLastSection->m_pNext = section;
        else
            m_pFirstSection = section;
        m_pLastSection = section;
        m_bModified = TRUE;
    }
    if (lpszComment) {
        section->m_strComment = lpszComment;
        m_bModified = TRUE;
    }
}

LPCSTR CProfile::GetSectionComment(LPCSTR lpszSection) const
{
    const CProfileSection* section = FindSection(lpszSection);
    return section ? section->m_strComment.c_str() : nullptr;
}

void CProfile::SetValue(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue, LPCSTR lpszComment)
{
    if (!lpszSection || !lpszEntry)
        return;
    SetSection(lpszSection);
    CProfileSection* section = FindSection(lpszSection);
    CProfileEntry* entry = FindEntry(lpszSection, lpszEntry);
    if (!entry) {
        entry = new CProfileEntry;
        entry->m_strName = lpszEntry;
        entry->m_pPrev = section->m_pLastEntry;
        if (section->m_pLastEntry)
            section->m_pLastEntry->m_pNext = entry;
        else
            section->m_pFirstEntry = entry;
        section->m_pLastEntry = entry;
        m_bModified = TRUE;
    }
    if (lpszValue) {
        entry->m_strValue = EscapeLineBreakers(lpszValue);
        m_bModified = TRUE;
    }
    if (lpszComment) {
        entry->m_strComment = lpszComment;
        m_bModified = TRUE;
    }
}

LPCSTR CProfile::GetValue(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    const CProfileEntry* entry = FindEntry(lpszSection, lpszEntry);
    return entry ? entry->m_strValue.c_str() : nullptr;
}

LPCSTR CProfile::GetEntryComment(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    const CProfileEntry* entry = FindEntry(lpszSection, lpszEntry);
    return entry ? entry->m_strComment.c_str() : nullptr;
}

LPSTR CProfile::EscapeText(LPCSTR lpszText) { return Replace(lpszText, true); }
LPSTR CProfile::UnescapeText(LPCSTR lpszText) { return Replace(lpszText, false); }

LPSTR CProfile::GetString(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    LPCSTR value = GetValue(lpszSection, lpszEntry);
    return value ? UnescapeText(value) : nullptr;
}

int CProfile::GetInt(LPCSTR lpszSection, LPCSTR lpszEntry) const { return ParseInt(GetValue(lpszSection, lpszEntry)); }

BOOL CProfile::GetBool(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return GetInt(lpszSection, lpszEntry) != 0 ? TRUE : FALSE;
}

BYTE CProfile::GetByte(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return static_cast<BYTE>(GetInt(lpszSection, lpszEntry));
}

DWORD CProfile::GetUnsigned(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return ParseUnsigned(GetValue(lpszSection, lpszEntry), 10);
}

DWORD CProfile::GetHex(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return ParseUnsigned(GetValue(lpszSection, lpszEntry), 16);
}

double CProfile::GetDouble(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return ParseDouble(GetValue(lpszSection, lpszEntry));
}

CMediaTime CProfile::GetMediaTime(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    CMediaTime time(0, 0, 0, 0.0, CMediaTime::kMicroseconds);
    if (LPCSTR value = GetValue(lpszSection, lpszEntry))
        time.Parse(value);
    return time;
}

int CProfile::GetIntSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const
{
    return lpszEntry ? GetInt(lpszSection, Suffixed(lpszEntry, lpszSuffix).c_str()) : 0;
}

BYTE CProfile::GetByteSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const
{
    return lpszEntry ? GetByte(lpszSection, Suffixed(lpszEntry, lpszSuffix).c_str()) : 0;
}

LPCSTR CProfile::GetValueSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix) const
{
    return lpszEntry ? GetValue(lpszSection, Suffixed(lpszEntry, lpszSuffix).c_str()) : nullptr;
}

CGfxPoint CProfile::GetPoint(LPCSTR lpszSection, LPCSTR lpszEntry) const
{
    return CGfxPoint(GetIntSuffixed(lpszSection, lpszEntry, ".x"), GetIntSuffixed(lpszSection, lpszEntry, ".y"));
}

void CProfile::SetString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue, LPCSTR lpszComment)
{
    if (!lpszValue) {
        SetValue(lpszSection, lpszEntry, nullptr, lpszComment);
        return;
    }
    LPSTR escaped = EscapeText(lpszValue);
    SetValue(lpszSection, lpszEntry, escaped, lpszComment);
    delete[] escaped;
}

void CProfile::SetInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue, LPCSTR lpszComment)
{
    char text[16];
    SetValue(lpszSection, lpszEntry, _itoa(nValue, text, 10), lpszComment);
}

void CProfile::SetUnsigned(LPCSTR lpszSection, LPCSTR lpszEntry, DWORD nValue, LPCSTR lpszComment)
{
    char text[16];
    SetValue(lpszSection, lpszEntry, _ultoa(nValue, text, 10), lpszComment);
}

void CProfile::SetHex(LPCSTR lpszSection, LPCSTR lpszEntry, DWORD nValue, LPCSTR lpszComment)
{
    char text[16];
    SetValue(lpszSection, lpszEntry, _ultoa(nValue, text, 16), lpszComment);
}

void CProfile::SetFloat(LPCSTR lpszSection, LPCSTR lpszEntry, float fValue, LPCSTR lpszComment)
{
    // "%-10.2f" in the C locale, whatever locale the program runs in.
    char text[400];
    auto result = std::to_chars(text, text + sizeof text - 1, static_cast<double>(fValue), std::chars_format::fixed, 2);
    char* end = result.ec == std::errc() ? result.ptr : text;
    while (end - text < 10)
        *end++ = ' ';
    *end = '\0';
    SetValue(lpszSection, lpszEntry, text, lpszComment);
}

void CProfile::SetMediaTime(LPCSTR lpszSection, LPCSTR lpszEntry, const CMediaTime& time, LPCSTR lpszComment)
{
    SetValue(lpszSection, lpszEntry, time.Format(TRUE).c_str(), lpszComment);
}

void CProfile::SetIntSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix, int nValue,
                              LPCSTR lpszComment)
{
    if (lpszEntry)
        SetInt(lpszSection, Suffixed(lpszEntry, lpszSuffix).c_str(), nValue, lpszComment);
}

void CProfile::SetValueSuffixed(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszSuffix, LPCSTR lpszValue,
                                LPCSTR lpszComment)
{
    if (lpszEntry)
        SetValue(lpszSection, Suffixed(lpszEntry, lpszSuffix).c_str(), lpszValue, lpszComment);
}

void CProfile::SetPoint(LPCSTR lpszSection, LPCSTR lpszEntry, const CGfxPoint& point, LPCSTR lpszComment)
{
    SetIntSuffixed(lpszSection, lpszEntry, ".x", point.x, lpszComment);
    SetIntSuffixed(lpszSection, lpszEntry, ".y", point.y, lpszComment);
}

namespace {

struct LongField {
    const char* suffix;
    LONG LOGFONTW::*field;
};
struct ByteField {
    const char* suffix;
    BYTE LOGFONTW::*field;
};

constexpr LongField kLongFields[] = {{".lfHeight", &LOGFONTW::lfHeight},
                                     {".lfWidth", &LOGFONTW::lfWidth},
                                     {".lfEscapement", &LOGFONTW::lfEscapement},
                                     {".lfOrientation", &LOGFONTW::lfOrientation},
                                     {".lfWeight", &LOGFONTW::lfWeight}};
constexpr ByteField kByteFields[] = {{".lfItalic", &LOGFONTW::lfItalic},
                                     {".lfUnderline", &LOGFONTW::lfUnderline},
                                     {".lfStrikeOut", &LOGFONTW::lfStrikeOut},
                                     {".lfCharSet", &LOGFONTW::lfCharSet},
                                     {".lfOutPrecision", &LOGFONTW::lfOutPrecision},
                                     {".lfClipPrecision", &LOGFONTW::lfClipPrecision},
                                     {".lfQuality", &LOGFONTW::lfQuality},
                                     {".lfPitchAndFamily", &LOGFONTW::lfPitchAndFamily}};
constexpr const char* kFaceName = ".lfFaceName";

} // namespace

void CProfile::SetLogFont(LPCSTR lpszSection, LPCSTR lpszEntry, const LOGFONTW& font, LPCSTR lpszComment)
{
    if (!lpszSection || !lpszEntry)
        return;
    for (const LongField& f : kLongFields)
        SetIntSuffixed(lpszSection, lpszEntry, f.suffix, font.*f.field,
                       f.field == &LOGFONTW::lfHeight ? lpszComment : nullptr);
    for (const ByteField& f : kByteFields) {
        char text[8];
        SetValueSuffixed(lpszSection, lpszEntry, f.suffix, _ultoa(font.*f.field, text, 10));
    }
    // At most 31 bytes of the face, cut where a character begins.
    int length = 0;
    while (length < LF_FACESIZE && font.lfFaceName[length])
        ++length;
    char face[4 * LF_FACESIZE] = {};
    int count = WideCharToMultiByte(static_cast<UINT>(_getmbcp()), 0, font.lfFaceName, length, face, sizeof face - 1,
                                    nullptr, nullptr);
    size_t bytes = win::Utf8CutLength(std::string_view(face, count > 0 ? static_cast<size_t>(count) : 0),
                                      LF_FACESIZE - 1);
    face[bytes] = '\0';
    SetValueSuffixed(lpszSection, lpszEntry, kFaceName, face);
}

BOOL CProfile::GetLogFont(LPCSTR lpszSection, LPCSTR lpszEntry, LOGFONTW& font) const
{
    LPCSTR face = GetValueSuffixed(lpszSection, lpszEntry, kFaceName);
    if (!face)
        return FALSE;
    for (const LongField& f : kLongFields)
        font.*f.field = GetIntSuffixed(lpszSection, lpszEntry, f.suffix);
    for (const ByteField& f : kByteFields)
        font.*f.field = GetByteSuffixed(lpszSection, lpszEntry, f.suffix);
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    std::string plain = UnescapeLineBreakers(face);
    // A UTF-8 text never needs more UTF-16 units than it has bytes.
    std::u16string wide(plain.size() + LF_FACESIZE, u'\0');
    int count = MultiByteToWideChar(static_cast<UINT>(_getmbcp()), 0, plain.c_str(), -1, wide.data(),
                                    static_cast<int>(wide.size()));
    if (count > 0) {
        wide[LF_FACESIZE - 1] = 0;
        std::memcpy(font.lfFaceName, wide.data(), sizeof font.lfFaceName);
    }
    return TRUE;
}

BOOL CProfile::CopyToClipboard(HWND hOwner)
{
    char name[MAX_PATH];
    if (!MakeTempFile(name))
        return FALSE;
    BOOL modified = m_bModified;
    int saved = Save(name);
    m_bModified = modified;
    if (saved != kOk) {
        DeleteFileA(name);
        return FALSE;
    }
    CGlobalBlob blob;
    blob.Init(0, FALSE);
    BOOL read = blob.ReadFile(name);
    DeleteFileA(name);
    if (!read)
        return FALSE;
    return blob.PutOnClipboard(hOwner, CF_DSPTEXT);
}

BOOL CProfile::IsClipboardAvailable(HWND hOwner)
{
    if (!OpenClipboard(hOwner))
        return FALSE;
    BOOL available = IsClipboardFormatAvailable(CF_DSPTEXT);
    CloseClipboard();
    return available;
}

BOOL CProfile::PasteFromClipboard(HWND hOwner)
{
    CGlobalBlob blob;
    if (!blob.GetFromClipboard(hOwner, CF_DSPTEXT))
        return FALSE;
    char name[MAX_PATH];
    if (!MakeTempFile(name))
        return FALSE;
    BOOL written = blob.WriteFile(name);
    blob.Free();
    CProfile pasted;
    int loaded = written ? pasted.Load(name) : kCannotOpen;
    DeleteFileA(name);
    if (loaded != kOk)
        return FALSE;
    Clear();
    m_strHeader = std::move(pasted.m_strHeader);
    m_pFirstSection = std::exchange(pasted.m_pFirstSection, nullptr);
    m_pLastSection = std::exchange(pasted.m_pLastSection, nullptr);
    m_bModified = FALSE;
    return TRUE;
}
