#include "Win32/Utils/FileUtils.h"

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "Platform/Mfc/File.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"

namespace {

constexpr char kStoredPrefix = '$';

bool IsStoredSeparator(char c) { return c == '\\' || c == '/'; }

std::string ToStd(const CString& text) { return std::string(static_cast<LPCSTR>(text), text.GetLength()); }

// Runs of '/' become one, so that every '/' ends exactly one folder name.
std::string CollapseSeparators(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (c != '/' || out.empty() || out.back() != '/')
            out += c;
    return out;
}

// The folder the file system question can be asked about: the path itself,
// or the nearest folder above it that exists; empty for the current folder.
std::string NearestExistingPath(std::string path)
{
    while (!path.empty() && !win::PathExists(path.c_str())) {
        size_t separator = path.rfind('/');
        if (separator == std::string::npos)
            path.clear();
        else if (separator == 0)
            path = "/";
        else
            path.erase(separator);
    }
    return path;
}

BOOL IsExistingFileWritable(LPCSTR name, DWORD attributes)
{
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    // Opening for writing without truncating finds what the attributes
    // cannot tell: permissions of other owners and handles that deny writing.
    HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    CloseHandle(file);
    return TRUE;
}

// The text after the last '.', or null when there is no '.'.
LPCSTR ExtensionOf(LPCSTR name)
{
    if (!name)
        return nullptr;
    const char* dot = std::strrchr(name, '.');
    return dot ? dot + 1 : nullptr;
}

BOOL HasExtension(LPCSTR name, LPCSTR extension)
{
    LPCSTR found = ExtensionOf(name);
    return found && _stricmp(found, extension) == 0;
}

} // namespace

int StripToFileName(CString& path)
{
    int separator = path.ReverseFind('/');
    if (separator > 0)
        path = path.Mid(separator + 1);
    return separator;
}

void StripToDirectory(CString& path)
{
    int separator = path.ReverseFind('/');
    if (separator > 0)
        path = path.Left(separator + 1);
}

void MakeRelativePath(LPCSTR base, CString& path)
{
    if (!base)
        return;
    std::string folder = CollapseSeparators(base);
    // A base without its trailing separator still names a folder.
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::string rest = ToStd(path);

    // The first component, up to a separator after position 0, is the
    // "drive": "/Clips/" of "/Clips/a.avi".
    size_t separator = rest.empty() ? std::string::npos : rest.find('/', 1);
    if (separator == std::string::npos)
        return;
    size_t length = separator + 1;
    if (folder.compare(0, length, rest, 0, length) != 0)
        return;
    folder.erase(0, length);
    rest.erase(0, length);

    while ((separator = rest.find('/')) != std::string::npos && separator > 0) {
        length = separator + 1;
        if (folder.compare(0, length, rest, 0, length) != 0)
            break;
        folder.erase(0, length);
        rest.erase(0, length);
    }

    std::string relative = "$\\";
    for (char c : folder)
        if (c == '/')
            relative += "..\\";
    for (char c : rest)
        relative += c == '/' ? '\\' : c;
    path = relative.c_str();
}

namespace {

// The folders of `base` from the root, made absolute against the current
// folder and with "." and ".." taken out: a document opened by a relative
// name ("out/film.SBD" from a terminal) resolves its media against where
// it really lies, and ".." climbs above the folders the name shows.
std::vector<std::string> AbsoluteFolders(const std::string& base)
{
    std::string full = base;
    if (full.empty() || full[0] != '/') {
        constexpr DWORD kCurrentFolderChars = 4096;
        char current[kCurrentFolderChars] = {};
        const DWORD length = GetCurrentDirectoryA(sizeof current, current);
        if (length > 0 && length < sizeof current)
            full = std::string(current) + '/' + full;
    }
    std::vector<std::string> folders;
    size_t at = 0;
    while (at <= full.size()) {
        size_t next = full.find('/', at);
        if (next == std::string::npos)
            next = full.size();
        const std::string name = full.substr(at, next - at);
        if (name == "..") {
            // Climbing stops at the root.
            if (!folders.empty())
                folders.pop_back();
        } else if (!name.empty() && name != ".") {
            folders.push_back(name);
        }
        at = next + 1;
    }
    return folders;
}

} // namespace

void ResolveRelativePath(LPCSTR base, CString& path)
{
    if (!base || !*base)
        return;
    std::string text = ToStd(path);
    if (text.size() < 2 || text[0] != kStoredPrefix || !IsStoredSeparator(text[1]))
        return;
    std::vector<std::string> folders = AbsoluteFolders(base);
    std::string rest = text.substr(2);
    while (rest.size() >= 3 && rest[0] == '.' && rest[1] == '.' && IsStoredSeparator(rest[2])) {
        rest.erase(0, 3);
        // Climbing stops at the root.
        if (!folders.empty())
            folders.pop_back();
    }
    for (char& c : rest)
        if (c == '\\')
            c = '/';
    std::string resolved;
    for (const std::string& folder : folders)
        resolved += '/' + folder;
    path = (resolved + '/' + rest).c_str();
}

BOOL IsWindowsAbsolutePath(LPCSTR path)
{
    if (!path || !path[0])
        return FALSE;
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')
        return TRUE;
    return path[0] == '\\' && path[1] == '\\';
}

BOOL GetDiskFreeBytes(LPCSTR path, ULONGLONG* freeBytes)
{
    if (!freeBytes)
        return FALSE;
    *freeBytes = 0;
    std::string folder = NearestExistingPath(path ? path : "");
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr, nullptr))
        return FALSE;
    *freeBytes = available.QuadPart;
    return TRUE;
}

ULONGLONG GetFileSizeByName(LPCSTR name)
{
    if (!name || !*name)
        return 0;
    // Writers of a growing capture file let readers in; letting the writer
    // keep writing lets the size be read while the capture runs.
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size{};
    BOOL ok = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return ok && size.QuadPart > 0 ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

BOOL FileExists(LPCSTR name)
{
    CFileStatus status;
    return CFile::GetStatus(name, status) ? TRUE : FALSE;
}

BOOL FileExistsStr(const CString& name) { return FileExists(name); }

BOOL IsPathWritable(LPCSTR name)
{
    if (!name || !*name)
        return FALSE;
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return IsExistingFileWritable(name, attributes);
    // CREATE_NEW rather than CREATE_ALWAYS: a file that appears between the
    // two calls is never truncated and deleted.
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_EXISTS && (attributes = GetFileAttributesA(name)) != INVALID_FILE_ATTRIBUTES)
            return IsExistingFileWritable(name, attributes);
        return FALSE;
    }
    CloseHandle(file);
    DeleteFileA(name);
    return TRUE;
}

BOOL IsMp2Extension(LPCSTR name) { return HasExtension(name, "MP2"); }
BOOL IsMp3Extension(LPCSTR name) { return HasExtension(name, "MP3"); }
BOOL IsCdaExtension(LPCSTR name) { return HasExtension(name, "CDA"); }

BOOL IsMpeg2Extension(LPCSTR name)
{
    for (LPCSTR extension : {"M2P", "M2S", "MPV", "MPEG2"})
        if (HasExtension(name, extension))
            return TRUE;
    return FALSE;
}

char GetUserDecimalSeparator()
{
    // Two bytes: a separator of more than one character does not fit and
    // leaves '.' in use.
    char separator[2] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) == 0 || !separator[0])
        return '.';
    return separator[0];
}

void LocalizeDecimalPoint(char* text) { LocalizeDecimalPoint(text, GetUserDecimalSeparator()); }

void LocalizeDecimalPoint(char* text, char separator)
{
    if (!text || separator == '.' || separator == '\0')
        return;
    for (size_t i = 1; text[i]; ++i)
        if (text[i] == '.' && _ismbcdigit(static_cast<unsigned char>(text[i - 1])))
            text[i] = separator;
}

void LocalizeDecimalPointStr(CString& text) { LocalizeDecimalPointStr(text, GetUserDecimalSeparator()); }

void LocalizeDecimalPointStr(CString& text, char separator)
{
    if (separator == '.' || separator == '\0')
        return;
    for (int i = 1; i < text.GetLength(); ++i)
        if (text.GetAt(i) == '.' && std::isdigit(static_cast<unsigned char>(text.GetAt(i - 1))))
            text.SetAt(i, separator);
}

void DelocalizeDecimalPoint(CString& text) { DelocalizeDecimalPoint(text, GetUserDecimalSeparator()); }

void DelocalizeDecimalPoint(CString& text, char separator)
{
    if (separator == '.' || separator == '\0')
        return;
    for (int i = 1; i < text.GetLength(); ++i)
        if (text.GetAt(i) == separator && std::isdigit(static_cast<unsigned char>(text.GetAt(i - 1))))
            text.SetAt(i, '.');
}

void FormatDateTime(CString& out, const CTime& time)
{
    out.Empty();
    SYSTEMTIME local{};
    if (!time.GetAsSystemTime(local))
        return;
    local.wMilliseconds = 0;
    char date[128] = {};
    char clock[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, clock, sizeof clock);
    out = CString(date) + " " + clock;
}
