#pragma once
// CArchive: MFC's binary serialisation over a CFile, with MFC's byte layout
// so that files keep the form the program's documents have. Every value is
// written little-endian field by field, on any host.
//
// Objects go through WriteObject/ReadObject with MFC's tags: 0 for null;
// 0xFFFF, schema WORD, name length WORD and name for a class met for the
// first time; 0x8000 | index for a class already written; the index alone
// for an object already written. Classes and objects share one index space
// that starts at 1. Indexes from 0x7FFF on are written as the WORD 0x7FFF
// and a DWORD (with 0x80000000 set for a class).
//
// Errors are thrown as CArchiveException*: endOfFile when a value is cut
// short, badClass for a class that is not registered or not of the type
// asked for, badSchema for a stored schema the class does not accept,
// badIndex for a reference to an index never written, readOnly/writeOnly
// for the wrong direction. Errors of the file come through as
// CFileException*.

#include <vector>

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/MfcTime.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Mfc/String.h"

class CArchive {
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

    // The buffer is the archive's own; `lpBuf` is accepted for MFC's
    // signature and not used.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    // Closes (flushing stored data) unless bNoFlushOnDelete; an error while
    // flushing here is logged, never thrown out of the destructor.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsByteSwapping() const { return FALSE; }
    BOOL IsBufferEmpty() const { return m_bufCur == m_bufEnd; }
    CFile* GetFile() const { return m_pFile; }

    // The schema of the object being loaded, once; then (UINT)-1.
    UINT GetObjectSchema();
    void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

    // Loading: returns the bytes read, fewer at the end of the file.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Storing: writes the buffer to the file. Loading: moves the file back
    // to the first byte the archive has not handed out.
    void Flush();
    void Close();
    // Drops buffered data without writing it; never throws.
    void Abort();

    // Writes the text without a terminator.
    void WriteString(LPCSTR lpsz);
    // Read a line and drop its "\r\n" or "\n"; FALSE / null at the end.
    BOOL ReadString(CString& rString);
    LPSTR ReadString(LPSTR lpsz, UINT nMax);

    // A count: a WORD below 0xFFFF, else 0xFFFF and a DWORD.
    void WriteCount(DWORD dwCount);
    DWORD ReadCount();

    void WriteObject(const CObject* pOb);
    CObject* ReadObject(const CRuntimeClass* pClass);
    void WriteClass(const CRuntimeClass* pClassRef);
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr, UINT* pSchema = nullptr,
                             DWORD* pObTag = nullptr);
    void SerializeClass(const CRuntimeClass* pClassRef);
    // Enters an object in the index space without writing it, so later
    // references to it are written (or read) as its index.
    void MapObject(const CObject* pOb);
    void SetStoreParams(UINT nHashSize = 2053, UINT nBlockSize = 128);
    void SetLoadParams(UINT nGrowBy = 1024);

    CArchive& operator<<(BYTE by);
    CArchive& operator<<(WORD w);
    CArchive& operator<<(LONG l); // int, BOOL
    CArchive& operator<<(DWORD dw); // UINT
    CArchive& operator<<(short w) { return *this << static_cast<WORD>(w); }
    CArchive& operator<<(char ch) { return *this << static_cast<BYTE>(ch); }
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    CArchive& operator<<(LONGLONG n);
    CArchive& operator<<(ULONGLONG n);

    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(LONG& l);
    CArchive& operator>>(DWORD& dw);
    CArchive& operator>>(short& w);
    CArchive& operator>>(char& ch);
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    CArchive& operator>>(LONGLONG& n);
    CArchive& operator>>(ULONGLONG& n);

    void* m_pDocument = nullptr;
    CString m_strFileName;

private:
    // The objects and classes stored so far, each with its map index.
    struct StoreMap;
    struct LoadEntry {
        CRuntimeClass* pClass; // set for class entries
        UINT nSchema;
        CObject* pObject; // set for object entries
    };

    void CheckLoading();
    void CheckStoring();
    [[noreturn]] void Throw(int cause) const;
    // Makes at least `count` bytes available in the buffer or throws
    // endOfFile.
    void Require(size_t count);
    template <typename T> void PutLE(T value);
    template <typename T> T GetLE();
    void NewMapIndex();

    CFile* m_pFile;
    UINT m_nMode;
    UINT m_nObjectSchema = static_cast<UINT>(-1);
    std::vector<BYTE> m_buffer;
    size_t m_bufCur = 0; // next byte to read, or next free byte when storing
    size_t m_bufEnd = 0; // end of the loaded bytes
    DWORD m_nMapCount = 1;
    StoreMap* m_storeMap; // owned
    std::vector<LoadEntry> m_loadArray;
};

// MFC's string prefix: a BYTE length below 0xFF; else 0xFF and a WORD
// below 0xFFFE; else 0xFF, 0xFFFF and a DWORD. A WORD of 0xFFFE marks a
// UTF-16 string written by a Unicode build; such strings are read and
// converted to UTF-8.
CArchive& AFXAPI operator<<(CArchive& ar, const CString& string);
CArchive& AFXAPI operator>>(CArchive& ar, CString& string);
CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb);
CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb);
CArchive& AFXAPI operator>>(CArchive& ar, const CObject*& pOb);
// MFC 4.2 stores times as 32-bit DWORDs; that form is kept so stored files
// match.
CArchive& AFXAPI operator<<(CArchive& ar, const CTime& time);
CArchive& AFXAPI operator>>(CArchive& ar, CTime& time);
CArchive& AFXAPI operator<<(CArchive& ar, const CTimeSpan& timeSpan);
CArchive& AFXAPI operator>>(CArchive& ar, CTimeSpan& timeSpan);
