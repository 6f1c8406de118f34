#include "Win32/Utils/SafeSave.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"

namespace {

// Names taken by files left behind (by a crash, or by another program) are
// skipped; past this many the folder is taken to be unusable.
constexpr int kNameAttempts = 100;
// WriteFile moves at most a DWORD at a time.
constexpr size_t kMaxWrite = 1u << 30;
constexpr char kTempMark[] = ".~";
constexpr char kTempEnding[] = ".tmp";

std::atomic<unsigned> g_nextSave{0};

// The temporary files this process is writing now: a stale one of this
// process is one that is not among them.
struct OpenSaves {
    std::mutex lock;
    std::set<std::string> paths;
};

OpenSaves& Open()
{
    static auto* saves = new OpenSaves; // saves may still be open during static destruction
    return *saves;
}

void Track(const std::string& tempPath, bool open)
{
    OpenSaves& saves = Open();
    std::lock_guard<std::mutex> guard(saves.lock);
    if (open)
        saves.paths.insert(tempPath);
    else
        saves.paths.erase(tempPath);
}

bool IsOpenHere(const std::string& tempPath)
{
    OpenSaves& saves = Open();
    std::lock_guard<std::mutex> guard(saves.lock);
    return saves.paths.count(tempPath) != 0;
}

std::string TempPathFor(const std::string& target)
{
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%s%x-%x%s", kTempMark, static_cast<unsigned>(GetCurrentProcessId()),
                  g_nextSave.fetch_add(1), kTempEnding);
    return target + suffix;
}

// The writer's process id of a temporary file name of `base`
// ("<base>.~<process>-<number>.tmp"), or false for any other name.
bool WriterOf(std::string_view name, std::string_view base, DWORD& process)
{
    const std::string_view mark = kTempMark;
    const std::string_view ending = kTempEnding;
    if (name.size() <= base.size() + mark.size() + ending.size() || name.substr(0, base.size()) != base ||
        name.substr(base.size(), mark.size()) != mark || !name.ends_with(ending))
        return false;
    std::string_view numbers = name.substr(base.size() + mark.size());
    numbers.remove_suffix(ending.size());
    const size_t dash = numbers.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == numbers.size())
        return false;
    auto isHex = [](std::string_view text) {
        return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
    };
    if (!isHex(numbers.substr(0, dash)) || !isHex(numbers.substr(dash + 1)) || dash > 8)
        return false;
    process = static_cast<DWORD>(std::strtoul(std::string(numbers.substr(0, dash)).c_str(), nullptr, 16));
    return true;
}

bool IsRunning(DWORD process)
{
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (!handle)
        return false;
    CloseHandle(handle);
    return true;
}

// Deletes the temporary files of saves of `target` that can no longer
// finish: their process has ended, or it is this one and no save of it has
// them open. Saves still running, here or in another process, keep theirs.
void RemoveStaleTemps(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = target.substr(folder.size());
    DWORD saved = GetLastError();
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((target + kTempMark + "*" + kTempEnding).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DWORD process = 0;
            const std::string path = folder + found.cFileName;
            if (!WriterOf(found.cFileName, base, process))
                continue;
            if (process == GetCurrentProcessId() ? !IsOpenHere(path) : !IsRunning(process))
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SetLastError(saved);
}

} // namespace

CSafeSave::~CSafeSave() { Abandon(); }

BOOL CSafeSave::Begin(LPCSTR lpszTarget)
{
    Abandon();
    m_nError = ERROR_SUCCESS;
    if (!lpszTarget || !*lpszTarget)
        return Fail(lpszTarget ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    RemoveStaleTemps(lpszTarget);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string tempPath = TempPathFor(lpszTarget);
        // Known as open before it exists, so that a save of the same file on
        // another thread never takes it for stale.
        Track(tempPath, true);
        HANDLE file = CreateFileA(tempPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_hFile = file;
            m_target = lpszTarget;
            m_tempPath = std::move(tempPath);
            return TRUE;
        }
        DWORD error = GetLastError();
        Track(tempPath, false);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return Fail(error);
    }
    return Fail(ERROR_FILE_EXISTS);
}

BOOL CSafeSave::Write(const void* lpBuf, size_t nCount)
{
    if (!IsOpen())
        return Fail(ERROR_INVALID_HANDLE);
    if (m_nError != ERROR_SUCCESS)
        return FALSE;
    const auto* bytes = static_cast<const BYTE*>(lpBuf);
    while (nCount > 0) {
        DWORD chunk = static_cast<DWORD>(std::min(nCount, kMaxWrite));
        DWORD written = 0;
        if (!WriteFile(m_hFile, bytes, chunk, &written, nullptr))
            return Fail(GetLastError());
        if (written != chunk)
            return Fail(ERROR_WRITE_FAULT);
        bytes += written;
        nCount -= written;
    }
    return TRUE;
}

BOOL CSafeSave::Commit()
{
    if (!IsOpen())
        return Fail(ERROR_INVALID_HANDLE);
    DWORD error = m_nError;
    if (error == ERROR_SUCCESS && !FlushFileBuffers(m_hFile))
        error = GetLastError();
    if (!CloseHandle(m_hFile) && error == ERROR_SUCCESS)
        error = GetLastError();
    m_hFile = INVALID_HANDLE_VALUE;
    if (error == ERROR_SUCCESS &&
        !MoveFileExA(m_tempPath.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileA(m_tempPath.c_str());
    Track(m_tempPath, false);
    m_tempPath.clear();
    if (error != ERROR_SUCCESS)
        return Fail(error);
    m_nError = ERROR_SUCCESS;
    return TRUE;
}

void CSafeSave::Abandon()
{
    if (!IsOpen())
        return;
    DWORD saved = GetLastError();
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    DeleteFileA(m_tempPath.c_str());
    Track(m_tempPath, false);
    m_tempPath.clear();
    SetLastError(saved);
}

BOOL CSafeSave::Fail(DWORD error)
{
    m_nError = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    SetLastError(m_nError);
    return FALSE;
}

BOOL SaveFileSafely(LPCSTR lpszPath, const void* lpBuf, size_t nCount)
{
    CSafeSave save;
    if (!save.Begin(lpszPath))
        return FALSE;
    // A failed write is reported by Commit, which then deletes the file.
    save.Write(lpBuf, nCount);
    return save.Commit();
}
