#include "Win32/Utils/SafeSave.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"

namespace {

// Names taken by files left behind (by a crash, or by another program) are
// skipped; past this many the folder is taken to be unusable.
constexpr int kNameAttempts = 100;
// WriteFile moves at most a DWORD at a time.
constexpr size_t kMaxWrite = 1u << 30;

std::atomic<unsigned> g_nextSave{0};

std::string TempPathFor(const std::string& target)
{
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".~%x-%x.tmp", static_cast<unsigned>(GetCurrentProcessId()),
                  g_nextSave.fetch_add(1));
    return target + suffix;
}

} // namespace

CSafeSave::~CSafeSave() { Abandon(); }

BOOL CSafeSave::Begin(LPCSTR lpszTarget)
{
    Abandon();
    m_nError = ERROR_SUCCESS;
    if (!lpszTarget || !*lpszTarget)
        return Fail(lpszTarget ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string tempPath = TempPathFor(lpszTarget);
        HANDLE file = CreateFileA(tempPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_hFile = file;
            m_target = lpszTarget;
            m_tempPath = std::move(tempPath);
            return TRUE;
        }
        DWORD error = GetLastError();
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
    if (error == ERROR_SUCCESS && !MoveFileExA(m_tempPath.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileA(m_tempPath.c_str());
        m_tempPath.clear();
        return Fail(error);
    }
    m_tempPath.clear();
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
