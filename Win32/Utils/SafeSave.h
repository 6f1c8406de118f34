#pragma once
// CSafeSave: saves a file so that it is replaced whole or not at all. The
// new content goes to a temporary file beside the target, whose name is
// unique to this process and save ("<target>.~<process>-<number>.tmp",
// created with CREATE_NEW, so saves of one file in this process or another
// never share one); Commit flushes and closes it, moves it over the target
// and has the move written through to the folder. On any failure the
// temporary file is deleted, the target keeps its old content, and the
// Win32 error is kept (and set as the last error).
//
// A save killed before its commit leaves its temporary file behind; Begin
// deletes those of the same target whose process has ended (or, of this
// process, that no open save holds), and never one of a save still running.

#include <cstddef>
#include <string>

#include "Platform/Win/Base/WinTypes.h"

class CSafeSave {
public:
    CSafeSave() = default;
    // Abandons a save still open.
    ~CSafeSave();
    CSafeSave(const CSafeSave&) = delete;
    CSafeSave& operator=(const CSafeSave&) = delete;

    // Creates the temporary file for a new content of `lpszTarget` (the
    // target itself is not opened). Any earlier save still open is
    // abandoned first. FALSE when no temporary file can be made there.
    BOOL Begin(LPCSTR lpszTarget);
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    // The temporary file's handle, open for reading and writing and shared
    // with no one; INVALID_HANDLE_VALUE when no save is open. It stays the
    // save's: Commit and Abandon close it.
    HANDLE GetHandle() const { return m_hFile; }
    // Writes every byte at the file pointer; on failure the error is kept
    // and the save can only be abandoned.
    BOOL Write(const void* lpBuf, size_t nCount);
    // Flushes, closes and moves the temporary file over the target. FALSE
    // (with the temporary file deleted and the target untouched) when any
    // of these or an earlier Write failed, or no save is open.
    BOOL Commit();
    // Closes and deletes the temporary file; the target is untouched.
    void Abandon();

    // The Win32 error of the last failure, ERROR_SUCCESS after a commit.
    DWORD GetError() const { return m_nError; }
    // The temporary file's path while a save is open.
    const std::string& GetTempPath() const { return m_tempPath; }

private:
    BOOL Fail(DWORD error);

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    std::string m_target;
    std::string m_tempPath;
    DWORD m_nError = 0;
};

// Replaces the file `lpszPath` with `nCount` bytes through a CSafeSave.
// FALSE on failure, with the Win32 error as the last error.
BOOL SaveFileSafely(LPCSTR lpszPath, const void* lpBuf, size_t nCount);
