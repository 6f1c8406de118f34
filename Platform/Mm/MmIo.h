#pragma once
// Multimedia file I/O: buffered files and their RIFF chunks (descend into
// a chunk, ascend out of it, create chunks whose sizes are written on the
// way out, padded to an even length).

#include "Platform/Mm/MmTypes.h"

DECLARE_HANDLE(HMMIO);

constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
constexpr DWORD MMIO_EXCLUSIVE = 0x00000010;
constexpr DWORD MMIO_DENYWRITE = 0x00000020;
constexpr DWORD MMIO_DENYNONE = 0x00000040;

// mmioDescend / mmioCreateChunk flags.
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;
constexpr DWORD MMIO_DIRTY = 0x10000000;

constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;

constexpr FOURCC FOURCC_RIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = MakeFourCC('L', 'I', 'S', 'T');

struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
    void* htask;
    LONG cchBuffer;
    char* pchBuffer;
    char* pchNext;
    char* pchEndRead;
    char* pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};
using LPMMIOINFO = MMIOINFO*;

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;
};
using LPMMCKINFO = MMCKINFO*;

// Null on failure, with the reason in info->wErrorRet when info is given.
HMMIO mmioOpenA(LPSTR path, LPMMIOINFO info, DWORD flags);
inline HMMIO mmioOpen(LPSTR path, LPMMIOINFO info, DWORD flags) { return mmioOpenA(path, info, flags); }
MMRESULT mmioClose(HMMIO file, UINT flags);
// The bytes read or written, -1 on failure.
LONG mmioRead(HMMIO file, char* buffer, LONG count);
LONG mmioWrite(HMMIO file, const char* buffer, LONG count);
// The new position, -1 on failure (SEEK_SET, SEEK_CUR, SEEK_END).
LONG mmioSeek(HMMIO file, LONG offset, int origin);
MMRESULT mmioFlush(HMMIO file, UINT flags);
// Reads the next chunk header (searching for ckid or fccType with the
// FIND flags) within `parent`, leaving the file at the chunk's data.
MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags);
// Leaves a chunk: a created (dirty) chunk has its size written and is
// padded to even; the file is left after the chunk.
MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT flags);
// Writes a chunk header (with its form type for RIFF or LIST) at the
// current position; the size is written by mmioAscend.
MMRESULT mmioCreateChunk(HMMIO file, LPMMCKINFO chunk, UINT flags);
FOURCC mmioStringToFOURCCA(LPCSTR text, UINT flags);
