#include "Win32/Imaging/GfxArchive.h"

#include <algorithm>
#include <new>

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/System.h"

namespace {

constexpr ULONGLONG kMaxFileSize = 0xFFFFFFFFull;

DWORD Room(const BYTE* cur, const BYTE* max)
{
    return static_cast<DWORD>(max - cur);
}

} // namespace

BOOL CGfxArchiveFile::GetBuffer(BufferCommand, DWORD, BYTE**, BYTE**)
{
    return FALSE;
}

CGfxMemoryFile::CGfxMemoryFile(BOOL directBuffer) : m_bDirectBuffer(directBuffer) {}

CGfxMemoryFile::CGfxMemoryFile(std::vector<BYTE> bytes, BOOL directBuffer)
    : m_data(std::move(bytes)), m_bDirectBuffer(directBuffer)
{
    if (m_data.size() > kMaxFileSize)
        m_data.resize(kMaxFileSize);
    m_nLength = static_cast<DWORD>(m_data.size());
}

BOOL CGfxMemoryFile::Reserve(ULONGLONG size)
{
    if (size > kMaxFileSize)
        return FALSE;
    if (size <= m_data.size())
        return TRUE;
    try {
        m_data.resize(static_cast<size_t>(std::max<ULONGLONG>(size, std::min<ULONGLONG>(m_data.size() * 2ull, kMaxFileSize))));
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

DWORD CGfxMemoryFile::Read(void* buffer, DWORD count)
{
    if (buffer == nullptr || m_nPosition >= m_nLength)
        return 0;
    const DWORD n = std::min(count, m_nLength - m_nPosition);
    std::memcpy(buffer, m_data.data() + m_nPosition, n);
    m_nPosition += n;
    return n;
}

DWORD CGfxMemoryFile::Write(const void* buffer, DWORD count)
{
    if (buffer == nullptr || count == 0)
        return 0;
    const ULONGLONG end = static_cast<ULONGLONG>(m_nPosition) + count;
    if (!Reserve(end))
        return 0;
    // Bytes between the old end and a position sought past it may still hold
    // an uncommitted direct-buffer block; the gap must read as zeros.
    if (m_nPosition > m_nLength)
        std::memset(m_data.data() + m_nLength, 0, m_nPosition - m_nLength);
    std::memcpy(m_data.data() + m_nPosition, buffer, count);
    m_nPosition = static_cast<DWORD>(end);
    m_nLength = std::max(m_nLength, m_nPosition);
    return count;
}

BOOL CGfxMemoryFile::Seek(LONGLONG offset)
{
    const LONGLONG target = static_cast<LONGLONG>(m_nPosition) + offset;
    if (target < 0 || static_cast<ULONGLONG>(target) > kMaxFileSize)
        return FALSE;
    m_nPosition = static_cast<DWORD>(target);
    return TRUE;
}

BOOL CGfxMemoryFile::GetBuffer(BufferCommand command, DWORD count, BYTE** start, BYTE** end)
{
    if (!m_bDirectBuffer)
        return FALSE;
    switch (command) {
    case BufferCommand::NextForReading: {
        if (start == nullptr || end == nullptr)
            return FALSE;
        const DWORD n = m_nPosition < m_nLength ? std::min(count, m_nLength - m_nPosition) : 0;
        *start = m_data.data() + std::min<size_t>(m_nPosition, m_data.size());
        *end = *start + n;
        m_nPosition += n;
        return TRUE;
    }
    case BufferCommand::NextForWriting: {
        if (start == nullptr || end == nullptr)
            return FALSE;
        if (!Reserve(static_cast<ULONGLONG>(m_nPosition) + count))
            return FALSE;
        if (m_nPosition > m_nLength)
            std::memset(m_data.data() + m_nLength, 0, m_nPosition - m_nLength);
        *start = m_data.data() + m_nPosition;
        *end = *start + count;
        return TRUE;
    }
    case BufferCommand::Commit: {
        // Only bytes of a block handed out for writing can be committed.
        const ULONGLONG target = static_cast<ULONGLONG>(m_nPosition) + count;
        if (target > m_data.size())
            return FALSE;
        m_nPosition = static_cast<DWORD>(target);
        m_nLength = std::max(m_nLength, m_nPosition);
        return TRUE;
    }
    }
    return FALSE;
}

std::vector<BYTE> CGfxMemoryFile::GetBytes() const
{
    return std::vector<BYTE>(m_data.begin(), m_data.begin() + m_nLength);
}

CGfxDiskFile::~CGfxDiskFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
}

std::unique_ptr<CGfxDiskFile> CGfxDiskFile::OpenForReading(const char* path)
{
    if (path == nullptr)
        return nullptr;
    std::unique_ptr<CGfxDiskFile> file(new (std::nothrow) CGfxDiskFile);
    if (!file)
        return nullptr;
    file->m_hFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file->m_hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    return file;
}

std::unique_ptr<CGfxDiskFile> CGfxDiskFile::CreateForWriting(const char* path)
{
    if (path == nullptr || *path == '\0')
        return nullptr;
    std::unique_ptr<CGfxDiskFile> file(new (std::nothrow) CGfxDiskFile);
    if (!file || !file->m_save.Begin(path))
        return nullptr;
    return file;
}

DWORD CGfxDiskFile::Read(void* buffer, DWORD count)
{
    DWORD read = 0;
    if (Handle() == INVALID_HANDLE_VALUE || buffer == nullptr || !ReadFile(Handle(), buffer, count, &read, nullptr))
        return 0;
    return read;
}

DWORD CGfxDiskFile::Write(const void* buffer, DWORD count)
{
    DWORD written = 0;
    if (Handle() == INVALID_HANDLE_VALUE || buffer == nullptr || !WriteFile(Handle(), buffer, count, &written, nullptr))
        written = 0;
    if (written != count)
        m_bWriteFailed = TRUE;
    return written;
}

BOOL CGfxDiskFile::Seek(LONGLONG offset)
{
    if (Handle() == INVALID_HANDLE_VALUE)
        return FALSE;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(Handle(), distance, nullptr, FILE_CURRENT);
}

BOOL CGfxDiskFile::Commit()
{
    if (!m_save.IsOpen()) {
        if (m_hFile != INVALID_HANDLE_VALUE)
            CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        return TRUE;
    }
    if (m_bWriteFailed) {
        m_save.Abandon();
        return FALSE;
    }
    return m_save.Commit();
}

CGfxArchive::CGfxArchive(CGfxArchiveFile& file, UINT mode, DWORD bufferSize)
    : m_nMode(mode),
      m_bDirectBuffer(file.HasDirectBuffer()),
      m_nBufSize(bufferSize != 0 ? bufferSize : kDefaultBufferSize),
      m_pFile(&file)
{
    if (!m_bDirectBuffer) {
        m_ownBuffer.reset(new (std::nothrow) BYTE[m_nBufSize]);
        if (!m_ownBuffer) {
            m_bFailed = TRUE;
            m_pFile = nullptr;
            return;
        }
        m_lpBufStart = m_ownBuffer.get();
        m_lpBufCur = m_lpBufStart;
        m_lpBufMax = IsLoading() ? m_lpBufStart : m_lpBufStart + m_nBufSize;
    } else if (IsStoring()) {
        NextWriteBlock();
    }
}

CGfxArchive::~CGfxArchive()
{
    Close();
}

BOOL CGfxArchive::NextWriteBlock()
{
    BYTE* start = nullptr;
    BYTE* end = nullptr;
    if (!m_pFile->GetBuffer(CGfxArchiveFile::BufferCommand::NextForWriting, m_nBufSize, &start, &end) ||
        start == nullptr || end < start) {
        m_bFailed = TRUE;
        m_lpBufStart = m_lpBufCur = m_lpBufMax = nullptr;
        return FALSE;
    }
    m_lpBufStart = m_lpBufCur = start;
    m_lpBufMax = end;
    return TRUE;
}

BOOL CGfxArchive::FillBuffer()
{
    if (m_bDirectBuffer) {
        BYTE* start = nullptr;
        BYTE* end = nullptr;
        if (!m_pFile->GetBuffer(CGfxArchiveFile::BufferCommand::NextForReading, m_nBufSize, &start, &end) ||
            end < start) {
            m_lpBufCur = m_lpBufMax = m_lpBufStart;
            return FALSE;
        }
        m_lpBufStart = m_lpBufCur = start;
        m_lpBufMax = end;
        return TRUE;
    }
    DWORD filled = 0;
    while (filled < m_nBufSize) {
        const DWORD got = m_pFile->Read(m_lpBufStart + filled, m_nBufSize - filled);
        if (got == 0)
            break;
        filled += got;
    }
    m_lpBufCur = m_lpBufStart;
    m_lpBufMax = m_lpBufStart + filled;
    return TRUE;
}

DWORD CGfxArchive::Read(void* buffer, DWORD count)
{
    if (m_pFile == nullptr || !IsLoading() || buffer == nullptr || count == 0)
        return 0;
    BYTE* out = static_cast<BYTE*>(buffer);
    auto take = [&](DWORD wanted) {
        const DWORD n = std::min(wanted, Room(m_lpBufCur, m_lpBufMax));
        if (n != 0) {
            std::memcpy(out, m_lpBufCur, n);
            m_lpBufCur += n;
            out += n;
        }
        return n;
    };

    DWORD delivered = take(count);
    DWORD remaining = count - delivered;
    if (remaining == 0)
        return delivered;

    DWORD bypass = remaining - remaining % m_nBufSize;
    while (bypass > 0) {
        const DWORD got = m_pFile->Read(out, bypass);
        if (got == 0)
            break;
        out += got;
        delivered += got;
        remaining -= got;
        bypass -= got;
    }
    if (remaining > 0) {
        FillBuffer();
        delivered += take(remaining);
    }
    return delivered;
}

DWORD CGfxArchive::Write(const void* buffer, DWORD count)
{
    if (m_pFile == nullptr || IsLoading() || m_bFailed || buffer == nullptr)
        return 0;
    const BYTE* in = static_cast<const BYTE*>(buffer);

    const DWORD first = std::min(count, Room(m_lpBufCur, m_lpBufMax));
    if (first != 0) {
        std::memcpy(m_lpBufCur, in, first);
        m_lpBufCur += first;
    }
    DWORD remaining = count - first;
    if (remaining == 0)
        return count;
    in += first;

    if (!Flush())
        return 0;
    const DWORD bypass = remaining - remaining % m_nBufSize;
    if (bypass > 0) {
        const DWORD written = m_pFile->Write(in, bypass);
        if (written != bypass) {
            m_bFailed = TRUE;
            return first + written;
        }
        in += bypass;
        remaining -= bypass;
        // The block handed out before the bypass lies behind the new position.
        if (m_bDirectBuffer && !NextWriteBlock())
            return count - remaining;
    }
    // Less than one buffer is left, though a direct-buffer file may hand out
    // smaller blocks than asked for.
    while (remaining > 0) {
        const DWORD n = std::min(remaining, Room(m_lpBufCur, m_lpBufMax));
        if (n != 0) {
            std::memcpy(m_lpBufCur, in, n);
            m_lpBufCur += n;
            in += n;
            remaining -= n;
        } else if (!Flush() || Room(m_lpBufCur, m_lpBufMax) == 0) {
            m_bFailed = TRUE;
            return count - remaining;
        }
    }
    return count;
}

BOOL CGfxArchive::Flush()
{
    if (m_pFile == nullptr)
        return !m_bFailed;
    if (IsLoading()) {
        BOOL ok = TRUE;
        if (m_lpBufMax != m_lpBufCur)
            ok = m_pFile->Seek(-static_cast<LONGLONG>(Room(m_lpBufCur, m_lpBufMax)));
        m_lpBufCur = m_lpBufMax = m_lpBufStart;
        return ok;
    }
    if (m_bFailed)
        return FALSE;
    if (m_lpBufCur == m_lpBufStart)
        return TRUE;
    const DWORD n = Room(m_lpBufStart, m_lpBufCur);
    if (m_bDirectBuffer) {
        BYTE* unused = nullptr;
        if (!m_pFile->GetBuffer(CGfxArchiveFile::BufferCommand::Commit, n, &unused, &unused)) {
            m_bFailed = TRUE;
            return FALSE;
        }
        return NextWriteBlock();
    }
    const DWORD written = m_pFile->Write(m_lpBufStart, n);
    m_lpBufCur = m_lpBufStart;
    if (written != n) {
        m_bFailed = TRUE;
        return FALSE;
    }
    return TRUE;
}

BOOL CGfxArchive::Close()
{
    if (m_pFile == nullptr)
        return !m_bFailed;
    BOOL ok = Flush();
    if (IsStoring() && m_bFailed)
        ok = FALSE;
    m_pFile = nullptr;
    m_lpBufStart = m_lpBufCur = m_lpBufMax = nullptr;
    m_ownBuffer.reset();
    return ok;
}

BOOL CGfxArchive::WriteU8(BYTE value)
{
    return Write(&value, 1) == 1;
}

BOOL CGfxArchive::WriteU16(WORD value)
{
    BYTE bytes[2];
    PutLE16(bytes, value);
    return Write(bytes, sizeof bytes) == sizeof bytes;
}

BOOL CGfxArchive::WriteU32(DWORD value)
{
    BYTE bytes[4];
    PutLE32(bytes, value);
    return Write(bytes, sizeof bytes) == sizeof bytes;
}

BOOL CGfxArchive::WriteU64(ULONGLONG value)
{
    BYTE bytes[8];
    PutLE64(bytes, value);
    return Write(bytes, sizeof bytes) == sizeof bytes;
}

BOOL CGfxArchive::WriteFloat(float value)
{
    BYTE bytes[4];
    PutLEFloat(bytes, value);
    return Write(bytes, sizeof bytes) == sizeof bytes;
}

BOOL CGfxArchive::WriteDouble(double value)
{
    BYTE bytes[8];
    PutLEDouble(bytes, value);
    return Write(bytes, sizeof bytes) == sizeof bytes;
}

BOOL CGfxArchive::ReadU8(BYTE& value)
{
    BYTE byte;
    if (Read(&byte, 1) != 1)
        return FALSE;
    value = byte;
    return TRUE;
}

BOOL CGfxArchive::ReadU16(WORD& value)
{
    BYTE bytes[2];
    if (Read(bytes, sizeof bytes) != sizeof bytes)
        return FALSE;
    value = GetLE16(bytes);
    return TRUE;
}

BOOL CGfxArchive::ReadU32(DWORD& value)
{
    BYTE bytes[4];
    if (Read(bytes, sizeof bytes) != sizeof bytes)
        return FALSE;
    value = GetLE32(bytes);
    return TRUE;
}

BOOL CGfxArchive::ReadU64(ULONGLONG& value)
{
    BYTE bytes[8];
    if (Read(bytes, sizeof bytes) != sizeof bytes)
        return FALSE;
    value = GetLE64(bytes);
    return TRUE;
}

BOOL CGfxArchive::ReadI8(INT8& value)
{
    BYTE bits;
    if (!ReadU8(bits))
        return FALSE;
    value = static_cast<INT8>(bits);
    return TRUE;
}

BOOL CGfxArchive::ReadI16(SHORT& value)
{
    WORD bits;
    if (!ReadU16(bits))
        return FALSE;
    value = static_cast<SHORT>(bits);
    return TRUE;
}

BOOL CGfxArchive::ReadI32(LONG& value)
{
    DWORD bits;
    if (!ReadU32(bits))
        return FALSE;
    value = static_cast<LONG>(bits);
    return TRUE;
}

BOOL CGfxArchive::ReadI64(LONGLONG& value)
{
    ULONGLONG bits;
    if (!ReadU64(bits))
        return FALSE;
    value = static_cast<LONGLONG>(bits);
    return TRUE;
}

BOOL CGfxArchive::ReadFloat(float& value)
{
    BYTE bytes[4];
    if (Read(bytes, sizeof bytes) != sizeof bytes)
        return FALSE;
    value = GetLEFloat(bytes);
    return TRUE;
}

BOOL CGfxArchive::ReadDouble(double& value)
{
    BYTE bytes[8];
    if (Read(bytes, sizeof bytes) != sizeof bytes)
        return FALSE;
    value = GetLEDouble(bytes);
    return TRUE;
}
