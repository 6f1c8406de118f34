#pragma once
// CGlobalBlob: a moveable global-memory block that carries profile text
// between a file and the clipboard. On the clipboard the bytes sit behind a
// 4-byte little-endian length.

#include "Platform/Win/Base/WinTypes.h"

class CGlobalBlob {
public:
    CGlobalBlob() = default;
    // Frees the block.
    ~CGlobalBlob();
    CGlobalBlob(const CGlobalBlob&) = delete;
    CGlobalBlob& operator=(const CGlobalBlob&) = delete;

    // Frees any block, then sets the size with nothing used and, for a size
    // above 0, allocates a moveable block (zeroed when bZero is set). FALSE
    // when the allocation fails (the blob is then empty).
    BOOL Init(DWORD nSize, BOOL bZero);
    // Unlocks fully and frees the block; the blob is empty afterwards.
    void Free();
    // The block's address (null without a block).
    LPVOID Lock();
    void Unlock();
    // Size 0 frees the block. Without a block one is allocated; with one of
    // another size it is reallocated (the old block stays on failure). The
    // used count is clamped to the new size. FALSE on failure.
    BOOL Resize(DWORD nNewSize);
    // Reads the whole file (others may read but not write meanwhile).
    BOOL ReadFile(LPCSTR lpszPath);
    // Creates the file and writes the blob's size in bytes; TRUE only when
    // all were written (a partial file is removed).
    BOOL WriteFile(LPCSTR lpszPath) const;
    // Hands a copy behind the length to the clipboard under `format` and
    // leaves the blob empty.
    BOOL PutOnClipboard(HWND hOwner, UINT format);
    // Takes the clipboard's data of `format`; a block shorter than its
    // length says (or than the length itself) is rejected.
    BOOL GetFromClipboard(HWND hOwner, UINT format);

    DWORD GetSize() const { return m_nSize; }
    DWORD GetUsed() const { return m_nUsed; }
    HGLOBAL GetHandle() const { return m_hMem; }
    LPVOID GetLocked() const { return m_pLocked; }

    // Blocks of 2000 bytes and more get 1000 bytes of slack.
    static SIZE_T AllocationSize(DWORD nSize) { return nSize < 2000 ? nSize : SIZE_T(nSize) + 1000; }

private:
    void UnlockFully();

    LPVOID m_pLocked = nullptr;
    DWORD m_nSize = 0;
    DWORD m_nUsed = 0;
    HGLOBAL m_hMem = nullptr;
};
