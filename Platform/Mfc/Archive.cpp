#include "Platform/Mfc/Archive.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

#include "Platform/Mfc/File.h"
#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/System.h"

namespace {

constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr DWORD kBigClassTag = 0x80000000u;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;
constexpr int kMinBufSize = 128;
constexpr size_t kStringChunk = size_t{1} << 20;

// UTF-16LE bytes to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const std::string& bytes)
{
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<BYTE>(bytes[2 * i]) | (static_cast<BYTE>(bytes[2 * i + 1]) << 8));
    return win::Utf16ToUtf8(wide);
}

// The length prefix of a stored string; `wide` is set by the UTF-16 marker.
ULONGLONG ReadStringLength(CArchive& ar, bool& wide)
{
    BYTE byteLength = 0;
    ar >> byteLength;
    if (byteLength < 0xFF)
        return byteLength;
    WORD wordLength = 0;
    ar >> wordLength;
    if (wordLength == 0xFFFE) {
        if (wide)
            AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
        wide = true;
        return ReadStringLength(ar, wide);
    }
    if (wordLength < 0xFFFF)
        return wordLength;
    DWORD dwordLength = 0;
    ar >> dwordLength;
    return dwordLength;
}

} // namespace

struct CArchive::StoreMap : std::unordered_map<const void*, DWORD> {};

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf) : m_pFile(pFile), m_nMode(nMode)
{
    (void)lpBuf;
    m_buffer.resize(static_cast<size_t>(std::max(nBufSize, kMinBufSize)));
    if (pFile)
        m_strFileName = pFile->GetFilePath();
    m_loadArray.push_back(LoadEntry{nullptr, 0, nullptr});
    // Last, so that nothing after it can throw and leave it behind.
    m_storeMap = new StoreMap;
}

CArchive::~CArchive()
{
    if (m_pFile && !(m_nMode & bNoFlushOnDelete)) {
        try {
            Close();
        } catch (CException* e) {
            OutputDebugStringA("CArchive: closing in the destructor failed; buffered data is lost\n");
            e->Delete();
        } catch (...) {
            OutputDebugStringA("CArchive: closing in the destructor failed; buffered data is lost\n");
        }
    }
    Abort();
    delete m_storeMap;
}

void CArchive::Throw(int cause) const { AfxThrowArchiveException(cause, m_strFileName); }

void CArchive::CheckLoading()
{
    if (!m_pFile)
        Throw(CArchiveException::generic);
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
}

void CArchive::CheckStoring()
{
    if (!m_pFile)
        Throw(CArchiveException::generic);
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
}

UINT CArchive::GetObjectSchema()
{
    UINT schema = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return schema;
}

void CArchive::Require(size_t count)
{
    CheckLoading();
    if (m_bufEnd - m_bufCur >= count)
        return;
    std::memmove(m_buffer.data(), m_buffer.data() + m_bufCur, m_bufEnd - m_bufCur);
    m_bufEnd -= m_bufCur;
    m_bufCur = 0;
    if (m_buffer.size() < count)
        m_buffer.resize(count);
    while (m_bufEnd < count) {
        UINT got = m_pFile->Read(m_buffer.data() + m_bufEnd, static_cast<UINT>(m_buffer.size() - m_bufEnd));
        if (got == 0)
            Throw(CArchiveException::endOfFile);
        m_bufEnd += got;
    }
}

UINT CArchive::Read(void* lpBuf, UINT nMax)
{
    CheckLoading();
    BYTE* out = static_cast<BYTE*>(lpBuf);
    size_t done = std::min<size_t>(nMax, m_bufEnd - m_bufCur);
    if (done)
        std::memcpy(out, m_buffer.data() + m_bufCur, done);
    m_bufCur += done;
    while (done < nMax) {
        size_t remaining = nMax - done;
        if (remaining >= m_buffer.size()) {
            UINT got = m_pFile->Read(out + done, static_cast<UINT>(remaining));
            if (got == 0)
                break;
            done += got;
            continue;
        }
        UINT got = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
        m_bufCur = 0;
        m_bufEnd = got;
        if (got == 0)
            break;
        size_t take = std::min<size_t>(remaining, got);
        std::memcpy(out + done, m_buffer.data(), take);
        m_bufCur = take;
        done += take;
    }
    return static_cast<UINT>(done);
}

void CArchive::Write(const void* lpBuf, UINT nMax)
{
    CheckStoring();
    if (nMax == 0)
        return;
    if (m_buffer.size() - m_bufCur < nMax) {
        m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_bufCur));
        m_bufCur = 0;
        if (nMax >= m_buffer.size()) {
            m_pFile->Write(lpBuf, nMax);
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_bufCur, lpBuf, nMax);
    m_bufCur += nMax;
}

void CArchive::Flush()
{
    if (!m_pFile)
        return;
    if (IsLoading()) {
        LONGLONG unread = static_cast<LONGLONG>(m_bufEnd - m_bufCur);
        m_bufCur = m_bufEnd = 0;
        if (unread > 0)
            m_pFile->Seek(-unread, CFile::current);
    } else if (m_bufCur > 0) {
        m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_bufCur));
        m_bufCur = 0;
    }
}

void CArchive::Close()
{
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort()
{
    m_pFile = nullptr;
    m_bufCur = m_bufEnd = 0;
    m_storeMap->clear();
    m_loadArray.resize(1);
    m_nMapCount = 1;
}

void CArchive::WriteString(LPCSTR lpsz)
{
    if (lpsz)
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

BOOL CArchive::ReadString(CString& rString)
{
    std::string line;
    char c = 0;
    bool any = false;
    while (Read(&c, 1) == 1) {
        any = true;
        if (c == '\n')
            break;
        line += c;
    }
    if (!any) {
        rString.Empty();
        return FALSE;
    }
    if (c == '\n' && !line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(line.data(), static_cast<int>(line.size()));
    return TRUE;
}

LPSTR CArchive::ReadString(LPSTR lpsz, UINT nMax)
{
    if (!AFX_CHECK(lpsz != nullptr && nMax > 0))
        return nullptr;
    UINT done = 0;
    bool atEnd = false;
    while (done + 1 < nMax) {
        char c = 0;
        if (Read(&c, 1) != 1) {
            atEnd = true;
            break;
        }
        if (c == '\n') {
            if (done > 0 && lpsz[done - 1] == '\r')
                --done;
            break;
        }
        lpsz[done++] = c;
    }
    lpsz[done] = '\0';
    return done == 0 && atEnd ? nullptr : lpsz;
}

template <typename T> void CArchive::PutLE(T value)
{
    BYTE bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
    Write(bytes, sizeof(T));
}

template <typename T> T CArchive::GetLE()
{
    Require(sizeof(T));
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(m_buffer[m_bufCur + i]) << (8 * i));
    m_bufCur += sizeof(T);
    return value;
}

CArchive& CArchive::operator<<(BYTE by)
{
    PutLE<BYTE>(by);
    return *this;
}

CArchive& CArchive::operator<<(WORD w)
{
    PutLE<WORD>(w);
    return *this;
}

CArchive& CArchive::operator<<(LONG l)
{
    PutLE<DWORD>(static_cast<DWORD>(l));
    return *this;
}

CArchive& CArchive::operator<<(DWORD dw)
{
    PutLE<DWORD>(dw);
    return *this;
}

CArchive& CArchive::operator<<(float f)
{
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutLE<DWORD>(bits);
    return *this;
}

CArchive& CArchive::operator<<(double d)
{
    ULONGLONG bits;
    std::memcpy(&bits, &d, sizeof bits);
    PutLE<ULONGLONG>(bits);
    return *this;
}

CArchive& CArchive::operator<<(LONGLONG n)
{
    PutLE<ULONGLONG>(static_cast<ULONGLONG>(n));
    return *this;
}

CArchive& CArchive::operator<<(ULONGLONG n)
{
    PutLE<ULONGLONG>(n);
    return *this;
}

CArchive& CArchive::operator>>(BYTE& by)
{
    by = GetLE<BYTE>();
    return *this;
}

CArchive& CArchive::operator>>(WORD& w)
{
    w = GetLE<WORD>();
    return *this;
}

CArchive& CArchive::operator>>(LONG& l)
{
    l = static_cast<LONG>(GetLE<DWORD>());
    return *this;
}

CArchive& CArchive::operator>>(DWORD& dw)
{
    dw = GetLE<DWORD>();
    return *this;
}

CArchive& CArchive::operator>>(short& w)
{
    w = static_cast<short>(GetLE<WORD>());
    return *this;
}

CArchive& CArchive::operator>>(char& ch)
{
    ch = static_cast<char>(GetLE<BYTE>());
    return *this;
}

CArchive& CArchive::operator>>(float& f)
{
    DWORD bits = GetLE<DWORD>();
    std::memcpy(&f, &bits, sizeof f);
    return *this;
}

CArchive& CArchive::operator>>(double& d)
{
    ULONGLONG bits = GetLE<ULONGLONG>();
    std::memcpy(&d, &bits, sizeof d);
    return *this;
}

CArchive& CArchive::operator>>(LONGLONG& n)
{
    n = static_cast<LONGLONG>(GetLE<ULONGLONG>());
    return *this;
}

CArchive& CArchive::operator>>(ULONGLONG& n)
{
    n = GetLE<ULONGLONG>();
    return *this;
}

void CArchive::WriteCount(DWORD dwCount)
{
    if (dwCount < 0xFFFF) {
        *this << static_cast<WORD>(dwCount);
    } else {
        *this << static_cast<WORD>(0xFFFF) << dwCount;
    }
}

DWORD CArchive::ReadCount()
{
    WORD count = 0;
    *this >> count;
    if (count != 0xFFFF)
        return count;
    DWORD bigCount = 0;
    *this >> bigCount;
    return bigCount;
}

void CArchive::NewMapIndex()
{
    if (m_nMapCount >= kMaxMapCount)
        Throw(CArchiveException::badIndex);
    ++m_nMapCount;
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef)
{
    CheckStoring();
    if (!AFX_CHECK(pClassRef != nullptr))
        Throw(CArchiveException::badClass);
    if (pClassRef->m_wSchema == 0xFFFF) {
        AfxTrace("CArchive: %s is not serializable\n", pClassRef->m_lpszClassName);
        AfxThrowNotSupportedException();
    }
    auto known = m_storeMap->find(pClassRef);
    if (known != m_storeMap->end()) {
        if (known->second < kBigObjectTag)
            *this << static_cast<WORD>(kClassTag | known->second);
        else
            *this << kBigObjectTag << (kBigClassTag | known->second);
        return;
    }
    *this << kNewClassTag;
    pClassRef->Store(*this);
    m_storeMap->emplace(pClassRef, m_nMapCount);
    NewMapIndex();
}

void CArchive::WriteObject(const CObject* pOb)
{
    CheckStoring();
    if (!pOb) {
        *this << kNullTag;
        return;
    }
    auto known = m_storeMap->find(pOb);
    if (known != m_storeMap->end()) {
        if (known->second < kBigObjectTag)
            *this << static_cast<WORD>(known->second);
        else
            *this << kBigObjectTag << known->second;
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    // Entered before Serialize so that an object reached again from its own
    // members is written as a reference.
    m_storeMap->emplace(pOb, m_nMapCount);
    NewMapIndex();
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema, DWORD* pObTag)
{
    CheckLoading();
    WORD tag = 0;
    *this >> tag;
    DWORD obTag = 0;
    if (tag == kBigObjectTag)
        *this >> obTag;
    else
        obTag = (static_cast<DWORD>(tag & kClassTag) << 16) | (tag & ~kClassTag);
    if (!(obTag & kBigClassTag)) {
        if (pObTag)
            *pObTag = obTag;
        return nullptr;
    }

    CRuntimeClass* cls = nullptr;
    UINT schema = 0;
    if (tag == kNewClassTag) {
        cls = CRuntimeClass::Load(*this, &schema);
        if (!cls || cls->m_wSchema == 0xFFFF || !cls->m_pfnCreateObject)
            Throw(CArchiveException::badClass);
        if ((cls->m_wSchema & ~VERSIONABLE_SCHEMA) != schema && !(cls->m_wSchema & VERSIONABLE_SCHEMA))
            Throw(CArchiveException::badSchema);
        if (m_loadArray.size() > kMaxMapCount)
            Throw(CArchiveException::badIndex);
        m_loadArray.push_back(LoadEntry{cls, schema, nullptr});
    } else {
        DWORD index = obTag & ~kBigClassTag;
        if (index == 0 || index >= m_loadArray.size() || !m_loadArray[index].pClass)
            Throw(CArchiveException::badIndex);
        cls = m_loadArray[index].pClass;
        schema = m_loadArray[index].nSchema;
    }
    if (pClassRefRequested && !cls->IsDerivedFrom(pClassRefRequested))
        Throw(CArchiveException::badClass);
    if (pSchema)
        *pSchema = schema;
    if (pObTag)
        *pObTag = obTag;
    return cls;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClass)
{
    UINT schema = 0;
    DWORD obTag = 0;
    CRuntimeClass* cls = ReadClass(pClass, &schema, &obTag);
    if (!cls) {
        if (obTag >= m_loadArray.size() || (obTag != 0 && !m_loadArray[obTag].pObject))
            Throw(CArchiveException::badIndex);
        CObject* known = m_loadArray[obTag].pObject;
        if (known && pClass && !known->IsKindOf(pClass))
            Throw(CArchiveException::badClass);
        return known;
    }
    CObject* object = cls->CreateObject();
    if (!object)
        Throw(CArchiveException::badClass);
    if (m_loadArray.size() > kMaxMapCount) {
        delete object;
        Throw(CArchiveException::badIndex);
    }
    // Entered before Serialize so that references back to it resolve. An
    // object whose Serialize throws is not deleted, as in MFC: its destructor
    // may not expect a half-read state.
    m_loadArray.push_back(LoadEntry{nullptr, 0, object});
    m_nObjectSchema = schema;
    object->Serialize(*this);
    m_nObjectSchema = static_cast<UINT>(-1);
    return object;
}

void CArchive::SerializeClass(const CRuntimeClass* pClassRef)
{
    if (IsStoring())
        WriteClass(pClassRef);
    else
        ReadClass(pClassRef);
}

void CArchive::MapObject(const CObject* pOb)
{
    if (!pOb)
        return;
    if (IsStoring()) {
        if (m_storeMap->emplace(pOb, m_nMapCount).second)
            NewMapIndex();
    } else {
        if (m_loadArray.size() > kMaxMapCount)
            Throw(CArchiveException::badIndex);
        m_loadArray.push_back(LoadEntry{nullptr, 0, const_cast<CObject*>(pOb)});
    }
}

void CArchive::SetStoreParams(UINT nHashSize, UINT nBlockSize)
{
    (void)nBlockSize;
    m_storeMap->reserve(nHashSize);
}

void CArchive::SetLoadParams(UINT nGrowBy) { m_loadArray.reserve(nGrowBy); }

CArchive& AFXAPI operator<<(CArchive& ar, const CString& string)
{
    DWORD length = static_cast<DWORD>(string.GetLength());
    if (length < 0xFF) {
        ar << static_cast<BYTE>(length);
    } else if (length < 0xFFFE) {
        ar << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
    } else {
        ar << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << length;
    }
    ar.Write(static_cast<LPCSTR>(string), length);
    return ar;
}

CArchive& AFXAPI operator>>(CArchive& ar, CString& string)
{
    bool wide = false;
    ULONGLONG length = ReadStringLength(ar, wide);
    ULONGLONG bytes = wide ? length * 2 : length;
    // Read in chunks so that a corrupt length runs into the end of the file
    // instead of allocating what the length claims.
    std::string data;
    while (data.size() < bytes) {
        size_t chunk = static_cast<size_t>(std::min<ULONGLONG>(bytes - data.size(), kStringChunk));
        size_t at = data.size();
        data.resize(at + chunk);
        if (ar.Read(data.data() + at, static_cast<UINT>(chunk)) != chunk)
            AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    }
    if (wide)
        data = Utf8FromUtf16(data);
    if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
        AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
    string = CString(data.data(), static_cast<int>(data.size()));
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb)
{
    ar.WriteObject(pOb);
    return ar;
}

CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb)
{
    pOb = ar.ReadObject(nullptr);
    return ar;
}

CArchive& AFXAPI operator>>(CArchive& ar, const CObject*& pOb)
{
    pOb = ar.ReadObject(nullptr);
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CTime& time)
{
    return ar << static_cast<DWORD>(time.GetTime());
}

CArchive& AFXAPI operator>>(CArchive& ar, CTime& time)
{
    DWORD seconds = 0;
    ar >> seconds;
    time = CTime(static_cast<std::time_t>(seconds));
    return ar;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CTimeSpan& timeSpan)
{
    return ar << static_cast<LONG>(timeSpan.GetTotalSeconds());
}

CArchive& AFXAPI operator>>(CArchive& ar, CTimeSpan& timeSpan)
{
    LONG seconds = 0;
    ar >> seconds;
    timeSpan = CTimeSpan(static_cast<std::time_t>(seconds));
    return ar;
}
