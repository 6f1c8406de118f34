#include "Platform/Mfc/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "Platform/Win/Kernel/Errors.h"
#include "Platform/Win/Kernel/System.h"

IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

namespace {

struct OsErrorCause {
    DWORD error;
    int cause;
};

constexpr OsErrorCause kOsErrorCauses[] = {
    {ERROR_SUCCESS, CFileException::none},
    {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    {ERROR_PATH_NOT_FOUND, CFileException::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_INVALID_HANDLE, CFileException::invalidFile},
    {ERROR_INVALID_DRIVE, CFileException::badPath},
    {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
    {ERROR_NO_MORE_FILES, CFileException::fileNotFound},
    {ERROR_WRITE_PROTECT, CFileException::accessDenied},
    {ERROR_NOT_READY, CFileException::hardIO},
    {ERROR_SEEK, CFileException::badSeek},
    {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
    {ERROR_WRITE_FAULT, CFileException::hardIO},
    {ERROR_READ_FAULT, CFileException::hardIO},
    {ERROR_GEN_FAILURE, CFileException::hardIO},
    {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    {ERROR_HANDLE_EOF, CFileException::endOfFile},
    {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
    {ERROR_DISK_FULL, CFileException::diskFull},
    {ERROR_FILE_EXISTS, CFileException::accessDenied},
    {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
    {ERROR_CANNOT_MAKE, CFileException::directoryFull},
    {ERROR_INVALID_NAME, CFileException::badPath},
    {ERROR_BAD_PATHNAME, CFileException::badPath},
    {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
    {ERROR_DIRECTORY, CFileException::badPath},
    {ERROR_DIR_NOT_EMPTY, CFileException::accessDenied},
    {ERROR_BUSY, CFileException::sharingViolation},
};

struct ErrnoCause {
    int error;
    int cause;
};

constexpr ErrnoCause kErrnoCauses[] = {
    {ENOENT, CFileException::fileNotFound},
    {ENOTDIR, CFileException::badPath},
    {ENAMETOOLONG, CFileException::badPath},
    {ELOOP, CFileException::badPath},
    {EMFILE, CFileException::tooManyOpenFiles},
    {ENFILE, CFileException::tooManyOpenFiles},
    {EACCES, CFileException::accessDenied},
    {EPERM, CFileException::accessDenied},
    {EROFS, CFileException::accessDenied},
    {EEXIST, CFileException::accessDenied},
    {EISDIR, CFileException::accessDenied},
    {EBADF, CFileException::invalidFile},
    {ESPIPE, CFileException::badSeek},
    {EIO, CFileException::hardIO},
    {EBUSY, CFileException::sharingViolation},
    {EDEADLK, CFileException::lockViolation},
    {ENOSPC, CFileException::diskFull},
    {EDQUOT, CFileException::diskFull},
    {EFBIG, CFileException::diskFull},
};

// The sentence for each cause; %s is the quoted file name.
constexpr const char* kFileMessages[] = {
    "No error occurred while accessing %s.",
    "An unexpected error occurred while accessing %s.",
    "The file %s was not found.",
    "The path of %s is not valid.",
    "%s could not be opened because too many files are open.",
    "Access to %s was denied.",
    "An invalid file handle was used with %s.",
    "%s could not be removed because it is the current folder.",
    "%s could not be created because the folder is full.",
    "A seek on %s failed.",
    "A hardware error occurred while accessing %s.",
    "A sharing violation occurred while accessing %s.",
    "A locking violation occurred while accessing %s.",
    "The disk is full while writing %s.",
    "An attempt was made to read past the end of %s.",
};

// GetFullPathNameA into a CString; the name as given when that fails.
CString FullPath(LPCSTR name)
{
    char fixed[MAX_PATH];
    DWORD n = GetFullPathNameA(name, MAX_PATH, fixed, nullptr);
    if (n == 0)
        return CString(name);
    if (n < MAX_PATH)
        return CString(fixed, static_cast<int>(n));
    std::string big(n, '\0');
    DWORD m = GetFullPathNameA(name, n, big.data(), nullptr);
    return m == 0 || m >= n ? CString(name) : CString(big.data(), static_cast<int>(m));
}

CTime TimeOrZero(const FILETIME& ft)
{
    return (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) ? CTime() : CTime(ft);
}

void CopyName(char (&dest)[MAX_PATH], LPCSTR source)
{
    size_t n = std::min(std::strlen(source), static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(dest, source, n);
    dest[n] = '\0';
}

[[noreturn]] void ThrowLastErrorFor(LPCSTR name)
{
    DWORD error = GetLastError();
    if (error == ERROR_SUCCESS)
        AfxThrowFileException(CFileException::generic, -1, name);
    AfxThrowFileException(CFileException::OsErrorToException(static_cast<LONG>(error)), static_cast<LONG>(error), name);
}

constexpr UINT kReadAhead = 4096;

} // namespace

void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName)
{
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : generic;
    CString name = m_strFileName.IsEmpty() ? CString("an unnamed file") : "'" + m_strFileName + "'";
    CString message;
    message.Format(kFileMessages[cause], static_cast<LPCSTR>(name));
    // A sentence starts with a capital even when the name leads it.
    if (message.GetLength() > 0 && message[0] == 'a')
        message.SetAt(0, 'A');
    return CopyErrorMessage(message, lpszError, nMaxError, pnHelpContext);
}

int PASCAL CFileException::OsErrorToException(LONG lOsError)
{
    for (const OsErrorCause& entry : kOsErrorCauses)
        if (static_cast<LONG>(entry.error) == lOsError)
            return entry.cause;
    return generic;
}

int PASCAL CFileException::ErrnoToException(int nErrno)
{
    if (nErrno == 0)
        return none;
    for (const ErrnoCause& entry : kErrnoCauses)
        if (entry.error == nErrno)
            return entry.cause;
    return generic;
}

void PASCAL CFileException::ThrowOsError(LONG lOsError, LPCSTR lpszFileName)
{
    if (lOsError != 0)
        AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void PASCAL CFileException::ThrowErrno(int nErrno, LPCSTR lpszFileName)
{
    if (nErrno != 0)
        AfxThrowFileException(ErrnoToException(nErrno), static_cast<LONG>(win::ErrorFromErrno(nErrno)), lpszFileName);
}

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) : CFile()
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        CloseHandle(m_hFile);
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (!AFX_CHECK(m_hFile == hFileNull))
        CFile::Abort();
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();

    auto fail = [&](DWORD error) {
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(static_cast<LONG>(error));
            pError->m_lOsError = static_cast<LONG>(error);
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    };
    if (!lpszFileName || !*lpszFileName)
        return fail(ERROR_PATH_NOT_FOUND);

    DWORD access;
    switch (nOpenFlags & 0x3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }
    DWORD share;
    switch (nOpenFlags & 0x70) {
    case shareCompat:
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }
    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE file = CreateFileA(lpszFileName, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return fail(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
    }
    m_hFile = file;
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPath(lpszFileName);
    return TRUE;
}

void CFile::ThrowLastError() const { ThrowLastErrorFor(m_strFileName); }

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        ThrowLastError();
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        ThrowLastError();
    if (written != nCount)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (nFrom > end)
        AfxThrowFileException(CFileException::badSeek, static_cast<LONG>(ERROR_INVALID_PARAMETER), m_strFileName);
    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, distance, &position, nFrom))
        ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!GetFileSizeEx(m_hFile, &size))
        ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    CFile::Seek(static_cast<LONGLONG>(dwNewLen), begin);
    if (!SetEndOfFile(m_hFile))
        ThrowLastError();
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, distance, &position, FILE_CURRENT))
        ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Flush()
{
    if (m_hFile != hFileNull && !FlushFileBuffers(m_hFile))
        ThrowLastError();
}

void CFile::Close()
{
    bool failed = false;
    DWORD error = ERROR_SUCCESS;
    if (m_hFile != hFileNull && !CloseHandle(m_hFile)) {
        failed = true;
        error = GetLastError();
    }
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
    if (failed) {
        SetLastError(error);
        ThrowLastErrorFor(name);
    }
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

void CFile::LockRange(ULONGLONG dwPos, ULONGLONG dwCount)
{
    if (!LockFile(m_hFile, static_cast<DWORD>(dwPos), static_cast<DWORD>(dwPos >> 32), static_cast<DWORD>(dwCount),
                  static_cast<DWORD>(dwCount >> 32)))
        ThrowLastError();
}

void CFile::UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount)
{
    if (!UnlockFile(m_hFile, static_cast<DWORD>(dwPos), static_cast<DWORD>(dwPos >> 32), static_cast<DWORD>(dwCount),
                    static_cast<DWORD>(dwCount >> 32)))
        ThrowLastError();
}

CFile* CFile::Duplicate() const
{
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), m_hFile, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        ThrowLastError();
    // The copy owns its own handle whether or not this object owns its own.
    CFile* file = new CFile(copy);
    file->m_bCloseOnDelete = TRUE;
    file->m_strFileName = m_strFileName;
    return file;
}

CString CFile::GetFileName() const { return m_strFileName.Mid(m_strFileName.ReverseFind('/') + 1); }

CString CFile::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const
{
    rStatus = CFileStatus{};
    CopyName(rStatus.m_szFullName, m_strFileName);
    FILETIME created{}, accessed{}, written{};
    LARGE_INTEGER size;
    if (m_hFile == hFileNull || !GetFileTime(m_hFile, &created, &accessed, &written) ||
        !GetFileSizeEx(m_hFile, &size))
        return FALSE;
    rStatus.m_size = size.QuadPart;
    DWORD attributes = m_strFileName.IsEmpty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(m_strFileName);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        rStatus.m_attribute = static_cast<BYTE>(attributes & ~FILE_ATTRIBUTE_NORMAL);
    rStatus.m_ctime = TimeOrZero(created);
    rStatus.m_atime = TimeOrZero(accessed);
    rStatus.m_mtime = TimeOrZero(written);
    return TRUE;
}

BOOL PASCAL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus)
{
    rStatus = CFileStatus{};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!lpszFileName || !*lpszFileName || !GetFileAttributesExA(lpszFileName, GetFileExInfoStandard, &data))
        return FALSE;
    CopyName(rStatus.m_szFullName, FullPath(lpszFileName));
    rStatus.m_size = static_cast<LONGLONG>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    rStatus.m_attribute = static_cast<BYTE>(data.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL);
    rStatus.m_ctime = TimeOrZero(data.ftCreationTime);
    rStatus.m_atime = TimeOrZero(data.ftLastAccessTime);
    rStatus.m_mtime = TimeOrZero(data.ftLastWriteTime);
    return TRUE;
}

void PASCAL CFile::Rename(LPCSTR lpszOldName, LPCSTR lpszNewName)
{
    if (!MoveFileA(lpszOldName, lpszNewName))
        ThrowLastErrorFor(lpszOldName);
}

void PASCAL CFile::Remove(LPCSTR lpszFileName)
{
    if (!DeleteFileA(lpszFileName))
        ThrowLastErrorFor(lpszFileName);
}

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(LPCSTR lpszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CStdioFile::~CStdioFile() = default;

BOOL CStdioFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    m_bText = (nOpenFlags & typeBinary) == 0;
    m_readAhead.clear();
    m_readPos = 0;
    return CFile::Open(lpszFileName, nOpenFlags & ~static_cast<UINT>(typeText | typeBinary), pError);
}

int CStdioFile::GetByte()
{
    if (m_readPos == m_readAhead.size()) {
        m_readAhead.resize(kReadAhead);
        m_readPos = 0;
        UINT got = CFile::Read(m_readAhead.data(), kReadAhead);
        m_readAhead.resize(got);
        if (got == 0)
            return -1;
    }
    return static_cast<unsigned char>(m_readAhead[m_readPos++]);
}

int CStdioFile::PeekByte()
{
    int c = GetByte();
    if (c >= 0)
        --m_readPos;
    return c;
}

int CStdioFile::GetChar()
{
    int c = GetByte();
    if (m_bText && c == '\r' && PeekByte() == '\n')
        c = GetByte();
    return c;
}

void CStdioFile::DropReadAhead()
{
    LONGLONG unread = static_cast<LONGLONG>(m_readAhead.size() - m_readPos);
    m_readAhead.clear();
    m_readPos = 0;
    if (unread > 0)
        CFile::Seek(-unread, current);
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount)
{
    char* out = static_cast<char*>(lpBuf);
    UINT done = 0;
    if (!m_bText) {
        done = static_cast<UINT>(std::min<size_t>(nCount, m_readAhead.size() - m_readPos));
        if (done)
            std::memcpy(out, m_readAhead.data() + m_readPos, done);
        m_readPos += done;
        return done < nCount ? done + CFile::Read(out + done, nCount - done) : done;
    }
    for (int c; done < nCount && (c = GetChar()) >= 0;)
        out[done++] = static_cast<char>(c);
    return done;
}

void CStdioFile::Write(const void* lpBuf, UINT nCount)
{
    DropReadAhead();
    if (!m_bText) {
        CFile::Write(lpBuf, nCount);
        return;
    }
    const char* in = static_cast<const char*>(lpBuf);
    std::string chunk;
    for (UINT at = 0; at < nCount;) {
        chunk.clear();
        for (; at < nCount && chunk.size() < 65536; ++at) {
            if (in[at] == '\n')
                chunk += '\r';
            chunk += in[at];
        }
        CFile::Write(chunk.data(), static_cast<UINT>(chunk.size()));
    }
}

void CStdioFile::WriteString(LPCSTR lpsz)
{
    if (AFX_CHECK(lpsz != nullptr))
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

LPSTR CStdioFile::ReadString(LPSTR lpsz, UINT nMax)
{
    if (!AFX_CHECK(lpsz != nullptr && nMax > 0))
        return nullptr;
    UINT done = 0;
    bool atEnd = false;
    while (done + 1 < nMax) {
        int c = GetChar();
        if (c < 0) {
            atEnd = true;
            break;
        }
        lpsz[done++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    lpsz[done] = '\0';
    return done == 0 && atEnd ? nullptr : lpsz;
}

BOOL CStdioFile::ReadString(CString& rString)
{
    std::string line;
    int c = GetChar();
    if (c < 0) {
        rString.Empty();
        return FALSE;
    }
    for (; c >= 0 && c != '\n'; c = GetChar())
        line += static_cast<char>(c);
    // Text mode has already turned "\r\n" into '\n'; a binary stream still
    // has the '\r'.
    if (c == '\n' && !m_bText && !line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(line.data(), static_cast<int>(line.size()));
    return TRUE;
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LONGLONG unread = static_cast<LONGLONG>(m_readAhead.size() - m_readPos);
    m_readAhead.clear();
    m_readPos = 0;
    return CFile::Seek(nFrom == current ? lOff - unread : lOff, nFrom);
}

ULONGLONG CStdioFile::GetPosition() const { return CFile::GetPosition() - (m_readAhead.size() - m_readPos); }

void CStdioFile::SetLength(ULONGLONG dwNewLen)
{
    DropReadAhead();
    CFile::SetLength(dwNewLen);
}

void CStdioFile::Flush()
{
    DropReadAhead();
    CFile::Flush();
}

void CStdioFile::Close()
{
    m_readAhead.clear();
    m_readPos = 0;
    CFile::Close();
}

void CStdioFile::Abort()
{
    m_readAhead.clear();
    m_readPos = 0;
    CFile::Abort();
}

void CStdioFile::LockRange(ULONGLONG, ULONGLONG) { AfxThrowNotSupportedException(); }
void CStdioFile::UnlockRange(ULONGLONG, ULONGLONG) { AfxThrowNotSupportedException(); }
CFile* CStdioFile::Duplicate() const { AfxThrowNotSupportedException(); }

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : m_nGrowBytes(nGrowBytes)
{
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile()
{
    if (m_lpBuffer && m_bAutoDelete)
        Free(m_lpBuffer);
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes)
{
    if (!AFX_CHECK(m_lpBuffer == nullptr))
        Close();
    m_nGrowBytes = nGrowBytes;
    m_nPosition = 0;
    m_nBufferSize = lpBuffer ? nBufferSize : 0;
    m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
    m_lpBuffer = lpBuffer;
    m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach()
{
    BYTE* buffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
    m_bAutoDelete = TRUE;
    return buffer;
}

BYTE* CMemFile::Alloc(SIZE_T nBytes) { return static_cast<BYTE*>(std::malloc(nBytes)); }
BYTE* CMemFile::Realloc(BYTE* lpMem, SIZE_T nBytes) { return static_cast<BYTE*>(std::realloc(lpMem, nBytes)); }
void CMemFile::Free(BYTE* lpMem) { std::free(lpMem); }

void CMemFile::GrowFile(SIZE_T dwNewLen)
{
    if (dwNewLen <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        AfxThrowMemoryException();
    SIZE_T size = (dwNewLen + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
    BYTE* buffer = m_lpBuffer ? Realloc(m_lpBuffer, size) : Alloc(size);
    if (!buffer)
        AfxThrowMemoryException();
    m_lpBuffer = buffer;
    m_nBufferSize = size;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount)
{
    if (m_nPosition >= m_nFileSize)
        return 0;
    UINT count = static_cast<UINT>(std::min<SIZE_T>(nCount, m_nFileSize - m_nPosition));
    if (count)
        std::memcpy(lpBuf, m_lpBuffer + m_nPosition, count);
    m_nPosition += count;
    return count;
}

void CMemFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    SIZE_T newEnd = m_nPosition + nCount;
    GrowFile(newEnd);
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = newEnd;
    m_nFileSize = std::max(m_nFileSize, newEnd);
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (nFrom > end)
        AfxThrowFileException(CFileException::badSeek);
    LONGLONG base = nFrom == begin     ? 0
                    : nFrom == current ? static_cast<LONGLONG>(m_nPosition)
                                       : static_cast<LONGLONG>(m_nFileSize);
    if ((lOff < 0 && base + lOff < 0) || (lOff > 0 && lOff > std::numeric_limits<LONGLONG>::max() - base))
        AfxThrowFileException(CFileException::badSeek);
    m_nPosition = static_cast<SIZE_T>(base + lOff);
    return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG dwNewLen)
{
    SIZE_T length = static_cast<SIZE_T>(dwNewLen);
    GrowFile(length);
    if (length > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, length - m_nFileSize);
    m_nFileSize = length;
    m_nPosition = std::min(m_nPosition, length);
}

void CMemFile::Close()
{
    if (m_lpBuffer && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
    m_bAutoDelete = TRUE;
}

void CMemFile::Abort() { Close(); }

void CMemFile::LockRange(ULONGLONG, ULONGLONG) { AfxThrowNotSupportedException(); }
void CMemFile::UnlockRange(ULONGLONG, ULONGLONG) { AfxThrowNotSupportedException(); }
CFile* CMemFile::Duplicate() const { AfxThrowNotSupportedException(); }

BOOL CMemFile::GetStatus(CFileStatus& rStatus) const
{
    rStatus = CFileStatus{};
    rStatus.m_size = static_cast<LONGLONG>(m_nFileSize);
    return TRUE;
}
