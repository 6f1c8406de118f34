#pragma once
// The graphics library's buffered byte stream, through which property lists
// and pixel buffers are stored and loaded, and the file objects it runs
// over. The archive adds no framing of its own; stored structures are
// written field by field in little-endian through the helpers below, never
// as copies of C++ objects.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/SafeSave.h"

// What an archive needs of a file. Read and Write report the bytes moved
// (fewer than asked at the end of the file or on failure).
class CGfxArchiveFile {
public:
    enum class BufferCommand {
        // Hand out the next block of up to `count` bytes at the position for
        // reading and move the position past it.
        NextForReading,
        // Hand out a block of `count` bytes at the position for writing; the
        // position stays until the bytes are committed.
        NextForWriting,
        // The first `count` bytes of the block handed out for writing hold
        // data: move the position past them.
        Commit,
    };

    CGfxArchiveFile() = default;
    CGfxArchiveFile(const CGfxArchiveFile&) = delete;
    CGfxArchiveFile& operator=(const CGfxArchiveFile&) = delete;
    virtual ~CGfxArchiveFile() = default;

    virtual DWORD Read(void* buffer, DWORD count) = 0;
    virtual DWORD Write(const void* buffer, DWORD count) = 0;
    // Moves the position by `offset` from the current position; FALSE (and
    // the position unchanged) when it would fall before the start.
    virtual BOOL Seek(LONGLONG offset) = 0;
    // TRUE when the file hands out its own memory through GetBuffer.
    virtual BOOL HasDirectBuffer() const { return FALSE; }
    // The direct-buffer request; `start` and `end` receive the block for the
    // Next commands. FALSE when the file has no direct buffer or cannot
    // provide the block.
    virtual BOOL GetBuffer(BufferCommand command, DWORD count, BYTE** start, BYTE** end);
};

// A growable file in memory, optionally handing out its memory directly.
class CGfxMemoryFile : public CGfxArchiveFile {
public:
    explicit CGfxMemoryFile(BOOL directBuffer = FALSE);
    // A file holding `bytes`, positioned at its start.
    explicit CGfxMemoryFile(std::vector<BYTE> bytes, BOOL directBuffer = FALSE);

    DWORD Read(void* buffer, DWORD count) override;
    // Writing past the end grows the file; a gap left by seeking past the
    // end reads as zeros.
    DWORD Write(const void* buffer, DWORD count) override;
    BOOL Seek(LONGLONG offset) override;
    BOOL HasDirectBuffer() const override { return m_bDirectBuffer; }
    BOOL GetBuffer(BufferCommand command, DWORD count, BYTE** start, BYTE** end) override;

    // The file's bytes (its length, not what is reserved for a block).
    std::vector<BYTE> GetBytes() const;
    DWORD GetLength() const { return m_nLength; }
    DWORD GetPosition() const { return m_nPosition; }

private:
    BOOL Reserve(ULONGLONG size);

    std::vector<BYTE> m_data;
    DWORD m_nLength = 0;
    DWORD m_nPosition = 0;
    BOOL m_bDirectBuffer = FALSE;
};

// A file on disk. A file created for writing is a temporary file beside its
// final path (a CSafeSave) until Commit moves it into place, so an
// interrupted store never leaves a half-written file under the final name.
class CGfxDiskFile : public CGfxArchiveFile {
public:
    // Null when the file cannot be opened.
    static std::unique_ptr<CGfxDiskFile> OpenForReading(const char* path);
    // Null when the temporary file cannot be created.
    static std::unique_ptr<CGfxDiskFile> CreateForWriting(const char* path);
    // Removes an uncommitted temporary file.
    ~CGfxDiskFile() override;

    DWORD Read(void* buffer, DWORD count) override;
    DWORD Write(const void* buffer, DWORD count) override;
    BOOL Seek(LONGLONG offset) override;
    // Closes the file and, for a file created for writing, moves it to its
    // final path. FALSE when a write failed earlier or the move fails (the
    // temporary file is then removed and the final path left as it was).
    BOOL Commit();

private:
    CGfxDiskFile() = default;
    HANDLE Handle() const { return m_save.IsOpen() ? m_save.GetHandle() : m_hFile; }

    // A file opened for reading.
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    // A file created for writing.
    CSafeSave m_save;
    BOOL m_bWriteFailed = FALSE;
};

class CGfxArchive {
public:
    static constexpr UINT kStore = 0;
    static constexpr UINT kLoad = 1;
    static constexpr DWORD kDefaultBufferSize = 4096;

    // Bit 0 of `mode` set means loading. A buffer size of 0 means the
    // default. The file must outlive the archive.
    CGfxArchive(CGfxArchiveFile& file, UINT mode, DWORD bufferSize = kDefaultBufferSize);
    CGfxArchive(const CGfxArchive&) = delete;
    CGfxArchive& operator=(const CGfxArchive&) = delete;
    // Closes the archive (see Close).
    ~CGfxArchive();

    BOOL IsLoading() const { return (m_nMode & kLoad) != 0; }
    BOOL IsStoring() const { return !IsLoading(); }

    // The bytes delivered: fewer than `count` at the end of the file; 0 on a
    // storing or closed archive.
    DWORD Read(void* buffer, DWORD count);
    // `count`, or fewer when the file failed to take data during this call;
    // 0 on a loading, closed or failed archive. A file failure is sticky:
    // the bytes buffered before it are lost, so every later write reports 0.
    DWORD Write(const void* buffer, DWORD count);
    // Loading: moves the file back over the buffered bytes not yet taken.
    // Storing: hands the buffered bytes to the file. FALSE on a file failure.
    BOOL Flush();
    // Flushes and detaches from the file; later reads and writes move
    // nothing. FALSE when the flush or an earlier write failed.
    BOOL Close();
    BOOL IsFailed() const { return m_bFailed; }

    // Little-endian fields; TRUE when every byte moved. A short read leaves
    // the value as it was.
    BOOL WriteU8(BYTE value);
    BOOL WriteU16(WORD value);
    BOOL WriteU32(DWORD value);
    BOOL WriteU64(ULONGLONG value);
    BOOL WriteI8(INT8 value) { return WriteU8(static_cast<BYTE>(value)); }
    BOOL WriteI16(SHORT value) { return WriteU16(static_cast<WORD>(value)); }
    BOOL WriteI32(LONG value) { return WriteU32(static_cast<DWORD>(value)); }
    BOOL WriteI64(LONGLONG value) { return WriteU64(static_cast<ULONGLONG>(value)); }
    BOOL WriteFloat(float value);
    BOOL WriteDouble(double value);
    BOOL ReadU8(BYTE& value);
    BOOL ReadU16(WORD& value);
    BOOL ReadU32(DWORD& value);
    BOOL ReadU64(ULONGLONG& value);
    BOOL ReadI8(INT8& value);
    BOOL ReadI16(SHORT& value);
    BOOL ReadI32(LONG& value);
    BOOL ReadI64(LONGLONG& value);
    BOOL ReadFloat(float& value);
    BOOL ReadDouble(double& value);

private:
    BOOL FillBuffer();
    BOOL NextWriteBlock();

    UINT m_nMode;
    BOOL m_bDirectBuffer;
    DWORD m_nBufSize;
    CGfxArchiveFile* m_pFile;
    BYTE* m_lpBufCur = nullptr;
    BYTE* m_lpBufMax = nullptr;
    BYTE* m_lpBufStart = nullptr;
    std::unique_ptr<BYTE[]> m_ownBuffer;
    BOOL m_bFailed = FALSE;
};

// Little-endian fields in a byte array, for records built whole and then
// written with one archive write (such as a property list's 48-byte item).
inline void PutLE8(BYTE* p, BYTE v) { p[0] = v; }
inline void PutLE16(BYTE* p, WORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void PutLE32(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}
inline void PutLE64(BYTE* p, ULONGLONG v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}
inline void PutLEFloat(BYTE* p, float v)
{
    DWORD bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLE32(p, bits);
}
inline void PutLEDouble(BYTE* p, double v)
{
    ULONGLONG bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLE64(p, bits);
}
inline BYTE GetLE8(const BYTE* p) { return p[0]; }
inline WORD GetLE16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD GetLE32(const BYTE* p)
{
    DWORD v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
inline ULONGLONG GetLE64(const BYTE* p)
{
    ULONGLONG v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
inline float GetLEFloat(const BYTE* p)
{
    DWORD bits = GetLE32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
inline double GetLEDouble(const BYTE* p)
{
    ULONGLONG bits = GetLE64(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
