#include "Platform/Mfc/Object.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/Archive.h"
#include "Platform/Win/Kernel/System.h"

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};
static const AFX_CLASSINIT s_afxClassInit_CObject(RUNTIME_CLASS(CObject));

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CUserException, CException)

CDumpContext afxDump;

namespace {

struct ClassRegistry {
    std::mutex lock;
    std::vector<CRuntimeClass*> classes;
};

// Built on first use: classes register from static initialisers of other
// files, in no particular order.
ClassRegistry& Registry()
{
    static ClassRegistry* registry = new ClassRegistry;
    return *registry;
}

// The sentence for each CArchiveException cause; %s is the quoted name.
constexpr const char* kArchiveMessages[] = {
    "No error occurred while reading or writing %s.",
    "An unexpected error occurred while reading or writing %s.",
    "Tried to write to %s, which is open for reading.",
    "%s ended unexpectedly.",
    "Tried to read from %s, which is open for writing.",
    "%s has an invalid format.",
    "%s contains an unexpected object.",
    "%s contains an incompatible version of an object.",
};

} // namespace

void AfxAssertFailedLine(LPCSTR file, int line, LPCSTR expression)
{
    char text[1024];
    std::snprintf(text, sizeof text, "Assertion failed: %s (%s:%d)\n", expression ? expression : "", file ? file : "?",
                  line);
    OutputDebugStringA(text);
    // The debug output may go nowhere; the reason for an abort must not.
    std::fputs(text, stderr);
    std::abort();
}

void AfxCheckFailedLine(LPCSTR file, int line, LPCSTR expression)
{
#ifndef NDEBUG
    AfxAssertFailedLine(file, line, expression);
#else
    AfxTrace("Check failed, recovering: %s (%s:%d)\n", expression ? expression : "", file ? file : "?", line);
#endif
}

void AFX_CDECL AfxTrace(LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    AfxTraceV(format, args);
    va_end(args);
}

void AfxTraceV(LPCSTR format, va_list args)
{
    if (!format)
        return;
    CString text;
    text.FormatV(format, args);
    OutputDebugStringA(text);
}

void AfxAssertValidObject(const CObject* pOb, LPCSTR file, int line)
{
    if (!pOb)
        AfxAssertFailedLine(file, line, "ASSERT_VALID: null object");
    pOb->AssertValid();
}

void AFXAPI AfxClassInit(CRuntimeClass* pNewClass)
{
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.classes.push_back(pNewClass);
}

CObject* CRuntimeClass::CreateObject() const
{
    if (!m_pfnCreateObject) {
        AfxTrace("CRuntimeClass::CreateObject: %s cannot be created dynamically\n", m_lpszClassName);
        return nullptr;
    }
    return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == pBaseClass)
            return TRUE;
    return FALSE;
}

CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    if (!lpszClassName)
        return nullptr;
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (CRuntimeClass* cls : registry.classes)
        if (std::strcmp(cls->m_lpszClassName, lpszClassName) == 0)
            return cls;
    return nullptr;
}

void CRuntimeClass::Store(CArchive& ar) const
{
    WORD length = static_cast<WORD>(std::strlen(m_lpszClassName));
    ar << static_cast<WORD>(m_wSchema & ~VERSIONABLE_SCHEMA) << length;
    ar.Write(m_lpszClassName, length);
}

CRuntimeClass* PASCAL CRuntimeClass::Load(CArchive& ar, UINT* pwSchemaNum)
{
    WORD schema = 0;
    WORD length = 0;
    ar >> schema >> length;
    std::string name(length, '\0');
    if (ar.Read(name.data(), length) != length)
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    if (pwSchemaNum)
        *pwSchemaNum = schema;
    CRuntimeClass* cls = FromName(name.c_str());
    if (!cls)
        AfxTrace("CArchive: class '%s' is not registered\n", name.c_str());
    return cls;
}

CObject* AFXAPI AfxReadObjectOfClass(CArchive& ar, const CRuntimeClass* pClass) { return ar.ReadObject(pClass); }

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& dc) const
{
    dc << "a " << GetRuntimeClass()->m_lpszClassName << " at " << static_cast<const void*>(this) << "\n";
}

CObject* AFXAPI AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject)
{
    return pObject && pObject->IsKindOf(pClass) ? pObject : nullptr;
}

CObject* AFXAPI AfxStaticDownCast(const CRuntimeClass* pClass, CObject* pObject)
{
    ASSERT(pObject == nullptr || pObject->IsKindOf(pClass));
    (void)pClass;
    return pObject;
}

CDumpContext& CDumpContext::operator<<(LPCSTR lpsz)
{
    OutputDebugStringA(lpsz ? lpsz : "(null)");
    return *this;
}

CDumpContext& CDumpContext::operator<<(LONG n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId32, n);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(DWORD n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRIu32, n);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(LONGLONG n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, n);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(ULONGLONG n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRIu64, n);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(double d)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", d);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return *this << text;
}

CDumpContext& CDumpContext::operator<<(const CObject* pOb)
{
    if (!pOb)
        return *this << "NULL";
    pOb->Dump(*this);
    return *this;
}

CDumpContext& CDumpContext::operator<<(const CObject& ob) { return *this << &ob; }

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (lpszError && nMaxError > 0)
        *lpszError = '\0';
    return FALSE;
}

BOOL CException::CopyErrorMessage(const CString& message, LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (lpszError && nMaxError > 0) {
        size_t n = std::min(static_cast<size_t>(message.GetLength()), static_cast<size_t>(nMaxError - 1));
        std::memcpy(lpszError, static_cast<LPCSTR>(message), n);
        lpszError[n] = '\0';
    }
    return TRUE;
}

int CException::ReportError(UINT nType, UINT nMessageID)
{
    char message[512];
    if (GetErrorMessage(message, sizeof(message)))
        return AfxMessageBox(message, nType);
    if (nMessageID == 0)
        nMessageID = AFX_IDP_NO_ERROR_AVAILABLE;
    return AfxMessageBox(nMessageID, nType);
}

BOOL CResourceException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    return CopyErrorMessage("A required resource was unavailable.", lpszError, nMaxError, pnHelpContext);
}

void AFXAPI AfxThrowResourceException() { throw new CResourceException; }

void AFXAPI AfxThrowUserException() { throw new CUserException; }

BOOL CMemoryException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    return CopyErrorMessage("Out of memory.", lpszError, nMaxError, pnHelpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    return CopyErrorMessage("An unsupported operation was attempted.", lpszError, nMaxError, pnHelpContext);
}

CArchiveException::CArchiveException(int cause, LPCSTR lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName)
{
}

BOOL CArchiveException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    int cause = m_cause >= none && m_cause <= badSchema ? m_cause : generic;
    CString name = m_strFileName.IsEmpty() ? CString("the archive") : "'" + m_strFileName + "'";
    CString message;
    message.Format(kArchiveMessages[cause], static_cast<LPCSTR>(name));
    if (message.GetLength() > 0 && message[0] == 't')
        message.SetAt(0, 'T');
    return CopyErrorMessage(message, lpszError, nMaxError, pnHelpContext);
}

void AFXAPI AfxThrowMemoryException()
{
    // Reporting a lack of memory must not need memory, so the exception is
    // a static one that Delete() leaves alone.
    static CMemoryException s_exception(FALSE);
    throw &s_exception;
}

void AFXAPI AfxThrowNotSupportedException() { throw new CNotSupportedException; }

void AFXAPI AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName)
{
    throw new CArchiveException(cause, lpszArchiveName);
}
