#pragma once
// CFile over the Win32 file layer (so share modes, locks and error codes are
// the layer's), CStdioFile for text, CMemFile in memory, and
// CFileException. Positions and lengths are 64-bit because media files pass
// 4 GiB. Paths are native: '/' separates.
//
// Errors are thrown as CFileException* (release with Delete()). The
// destructors never throw: a file still open is closed as Abort closes it.

#include <vector>

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Mfc/MfcTime.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Kernel/Files.h"

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR lpszArchiveName = nullptr);

    // A sentence naming the file, such as "The file '/a/b.txt' was not
    // found."
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;

    // The cause for a Win32 error code / a C library errno value.
    static int PASCAL OsErrorToException(LONG lOsError);
    static int PASCAL ErrnoToException(int nErrno);
    // Throw unless the error is 0. ThrowErrno records the Win32 code that
    // corresponds to the errno value as m_lOsError.
    static void PASCAL ThrowOsError(LONG lOsError, LPCSTR lpszFileName = nullptr);
    static void PASCAL ThrowErrno(int nErrno, LPCSTR lpszFileName = nullptr);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

// m_size is 64-bit here (MFC 4.2 has a LONG) because media files pass 4 GiB.
struct CFileStatus {
    CTime m_ctime;
    CTime m_mtime;
    CTime m_atime;
    LONGLONG m_size;
    BYTE m_attribute;
    char m_szFullName[MAX_PATH];
};

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum Attribute : BYTE {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20,
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    static inline const HANDLE hFileNull = INVALID_HANDLE_VALUE;

    CFile();
    // Wraps an open handle; the handle is not closed by the destructor.
    explicit CFile(HANDLE hFile);
    // Opens or throws CFileException*.
    CFile(LPCSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;

    operator HANDLE() const { return m_hFile; }

    // On failure returns FALSE and, when given, fills the exception's cause,
    // OS error and file name.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Returns the bytes read; 0 at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Throws (diskFull for a short write) unless every byte was written.
    virtual void Write(const void* lpBuf, UINT nCount);
    // Returns the new position. A position before the start throws badSeek.
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    // Leaves the position at the new end.
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    // Throws when closing reports an error.
    virtual void Close();
    virtual void Abort();
    virtual void LockRange(ULONGLONG dwPos, ULONGLONG dwCount);
    virtual void UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount);
    virtual CFile* Duplicate() const;

    // The full path given to Open ("" for a wrapped handle until set), its
    // last component, and that component without its extension.
    virtual CString GetFileName() const;
    virtual CString GetFileTitle() const;
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual void SetFilePath(LPCSTR lpszNewName) { m_strFileName = lpszNewName; }

    virtual BOOL GetStatus(CFileStatus& rStatus) const;
    // FALSE when the file does not exist.
    static BOOL PASCAL GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus);
    static void PASCAL Rename(LPCSTR lpszOldName, LPCSTR lpszNewName);
    static void PASCAL Remove(LPCSTR lpszFileName);

    HANDLE m_hFile;

protected:
    // Throws CFileException* for the calling thread's last error.
    [[noreturn]] void ThrowLastError() const;

    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};

// Text mode (the default) writes '\n' as "\r\n" and reads "\r\n" as '\n';
// typeBinary leaves bytes alone. Reads are buffered, writes go straight to
// the file, so nothing is lost when the object goes without Close.
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)
public:
    CStdioFile();
    CStdioFile(LPCSTR lpszFileName, UINT nOpenFlags);
    ~CStdioFile() override;

    BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    void WriteString(LPCSTR lpsz);
    // Reads up to nMax - 1 bytes, stopping after a '\n' which is kept;
    // returns null when nothing was left to read.
    LPSTR ReadString(LPSTR lpsz, UINT nMax);
    // Reads a line without its "\r\n" or "\n"; FALSE at the end of the file.
    BOOL ReadString(CString& rString);

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override;
    void SetLength(ULONGLONG dwNewLen) override;
    void Flush() override;
    void Close() override;
    void Abort() override;
    // Not supported on a buffered stream, as in MFC.
    void LockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    void UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    CFile* Duplicate() const override;

private:
    // The next byte, or -1 at the end of the file.
    int GetByte();
    int PeekByte();
    // The next byte after text-mode translation, or -1.
    int GetChar();
    // Moves the file back over read-ahead bytes not yet handed out.
    void DropReadAhead();

    BOOL m_bText = TRUE;
    std::vector<char> m_readAhead;
    size_t m_readPos = 0;
};

// A file in memory that grows by m_nGrowBytes (0: a fixed buffer that
// cannot grow; writing past it throws CMemoryException*). Buffers given to
// Attach must come from malloc when they may grow, since growing reallocates
// them.
class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
public:
    explicit CMemFile(UINT nGrowBytes = 1024);
    CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    ~CMemFile() override;

    // With nGrowBytes 0 the buffer's bytes are the file's contents; otherwise
    // the file starts empty and the buffer is its first storage.
    void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    // Hands the buffer to the caller (to release with free) and empties the
    // file.
    BYTE* Detach();

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    // Seeking past the end is allowed; a later write fills the gap with
    // zeros.
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG dwNewLen) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    void Flush() override {}
    void Close() override;
    void Abort() override;
    void LockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    void UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    CFile* Duplicate() const override;
    using CFile::GetStatus;
    BOOL GetStatus(CFileStatus& rStatus) const override;

protected:
    virtual BYTE* Alloc(SIZE_T nBytes);
    virtual BYTE* Realloc(BYTE* lpMem, SIZE_T nBytes);
    virtual void Free(BYTE* lpMem);
    // Makes the buffer hold at least dwNewLen bytes.
    virtual void GrowFile(SIZE_T dwNewLen);

    UINT m_nGrowBytes;
    SIZE_T m_nPosition = 0;
    SIZE_T m_nBufferSize = 0;
    SIZE_T m_nFileSize = 0;
    BYTE* m_lpBuffer = nullptr;
    BOOL m_bAutoDelete = TRUE;
};
