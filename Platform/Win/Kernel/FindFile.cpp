#include "Platform/Win/Kernel/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "Platform/Win/Kernel/Errors.h"
#include "Platform/Win/Kernel/KernelObject.h"

namespace {

// A search takes its snapshot of the folder when it starts, so that entries
// made or removed while the caller walks it do not upset the walk.
class FindObject final : public win::detail::KernelObject {
public:
    std::mutex m_lock;
    std::vector<WIN32_FIND_DATAA> m_found;
    size_t m_next = 0;
};

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// '*' matches any run of characters and '?' exactly one, ignoring ASCII case.
bool MatchWildcard(const char* pattern, const char* name)
{
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || (*pattern && FoldCase(*pattern) == FoldCase(*name))) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

// As on Windows, a trailing ".*" also matches names without an extension,
// which makes "*.*" match every name.
bool MatchesPattern(const std::string& pattern, const std::string& name)
{
    if (MatchWildcard(pattern.c_str(), name.c_str()))
        return true;
    return pattern.size() >= 2 && pattern.ends_with(".*") &&
           MatchWildcard(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
}

// Folded order with "." and ".." first, the order NTFS lists a folder in.
bool ListsBefore(const std::string& a, const std::string& b)
{
    auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
    if (rank(a) != rank(b))
        return rank(a) < rank(b);
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return FoldCase(a[i]) < FoldCase(b[i]);
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Fills `data` for the entry at `path` called `name`; false when the name
// does not fit cFileName or the entry has gone.
bool FillFindData(const std::string& path, const std::string& name, WIN32_FIND_DATAA& data)
{
    if (name.size() >= MAX_PATH)
        return false;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
        return false;
    data = WIN32_FIND_DATAA{};
    data.dwFileAttributes = info.dwFileAttributes;
    data.ftCreationTime = info.ftCreationTime;
    data.ftLastAccessTime = info.ftLastAccessTime;
    data.ftLastWriteTime = info.ftLastWriteTime;
    data.nFileSizeHigh = info.nFileSizeHigh;
    data.nFileSizeLow = info.nFileSizeLow;
    std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
    return true;
}

// The matching entries of `folder` ("" for the current folder), or the
// error that stopped the listing.
DWORD ListMatches(const std::string& folder, const std::string& pattern, std::vector<WIN32_FIND_DATAA>& found)
{
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno);
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (MatchesPattern(pattern, entry->d_name))
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), ListsBefore);
    for (const std::string& name : names) {
        WIN32_FIND_DATAA data;
        if (FillFindData(folder + name, name, data))
            found.push_back(data);
    }
    return found.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

} // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string text = pattern;
    size_t slash = text.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    std::string namePattern = slash == std::string::npos ? text : text.substr(slash + 1);

    auto find = std::make_shared<FindObject>();
    DWORD error = ERROR_SUCCESS;
    if (namePattern.empty()) {
        // A bare folder name with a trailing separator names no entry.
        error = win::PathExists(folder.empty() ? "." : folder.c_str()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else if (namePattern.find_first_of("*?") == std::string::npos) {
        WIN32_FIND_DATAA entry;
        if (FillFindData(text, namePattern, entry))
            find->m_found.push_back(entry);
        else if (namePattern.size() >= MAX_PATH)
            error = ERROR_FILE_NOT_FOUND;
        else
            error = GetLastError();
    } else {
        error = ListMatches(folder, namePattern, find->m_found);
    }
    if (error) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    *data = find->m_found.front();
    find->m_next = 1;
    HANDLE handle = win::detail::InsertHandle(std::move(find));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data)
{
    auto find = win::detail::LookupHandleAs<FindObject>(handle);
    if (!find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(find->m_lock);
    if (find->m_next >= find->m_found.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = find->m_found[find->m_next++];
    return TRUE;
}

BOOL FindClose(HANDLE handle)
{
    if (!win::detail::LookupHandleAs<FindObject>(handle) || !win::detail::RemoveHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
