#pragma once
// Diagnostics, exception helpers and the small types every MFC header uses.
//
// Debug builds are those without NDEBUG. There ASSERT logs the failed
// expression through OutputDebugStringA and aborts. Release builds compile
// ASSERT away, as MFC does; the layer's own range checks (AFX_CHECK) still
// run there, log once per failure and make the caller take a safe path (a
// default value, a per-thread dummy element, no change) instead of touching
// memory it does not own. TRACE, as in MFC, writes only in debug builds;
// AfxTrace writes in every build.

#include <cstdarg>

#include "Platform/Win/Base/WinTypes.h"

#ifndef AFXAPI
#define AFXAPI
#endif
#ifndef PASCAL
#define PASCAL
#endif
#ifndef AFX_CDECL
#define AFX_CDECL
#endif
#ifndef AFX_INLINE
#define AFX_INLINE inline
#endif

using PUINT = UINT*;

[[noreturn]] void AfxAssertFailedLine(LPCSTR file, int line, LPCSTR expression);
// Formats with printf rules and passes the text to OutputDebugStringA.
void AFX_CDECL AfxTrace(LPCSTR format, ...) __attribute__((format(printf, 1, 2)));
void AfxTraceV(LPCSTR format, va_list args);
// The failure of a range or state check inside the layer: aborts in debug
// builds, logs in release builds. Returns so that the caller can recover.
void AfxCheckFailedLine(LPCSTR file, int line, LPCSTR expression);

#ifndef NDEBUG
#define ASSERT(f) ((f) ? (void)0 : ::AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define TRACE(...) ::AfxTrace(__VA_ARGS__)
#define ASSERT_VALID(pOb) ::AfxAssertValidObject((pOb), __FILE__, __LINE__)
#else
// sizeof keeps the operands "used" (no unused-variable warnings) without
// evaluating them.
#define ASSERT(f) ((void)sizeof(!(f)))
#define VERIFY(f) ((void)(f))
// The arguments are still checked against the format, never evaluated.
#define TRACE(...) (true ? (void)0 : ::AfxTrace(__VA_ARGS__))
#define ASSERT_VALID(pOb) ((void)sizeof(pOb))
#endif
#define TRACE0(sz) TRACE("%s", sz)
#define TRACE1(sz, p1) TRACE(sz, p1)
#define TRACE2(sz, p1, p2) TRACE(sz, p1, p2)
#define TRACE3(sz, p1, p2, p3) TRACE(sz, p1, p2, p3)
#define UNUSED(x) ((void)(x))
#define UNUSED_ALWAYS(x) ((void)(x))

// True when `f` holds. Evaluated in every build.
#define AFX_CHECK(f) ((f) ? true : (::AfxCheckFailedLine(__FILE__, __LINE__, #f), false))

class CObject;
void AfxAssertValidObject(const CObject* pOb, LPCSTR file, int line);

inline BOOL AfxIsValidAddress(const void* p, UINT_PTR nBytes, BOOL bReadWrite = TRUE)
{
    (void)bReadWrite;
    return p != nullptr || nBytes == 0;
}
inline BOOL AfxIsValidString(LPCSTR psz, int nLength = -1)
{
    (void)nLength;
    return psz != nullptr;
}

// Exceptions are thrown as heap pointers and released with Delete().
[[noreturn]] void AFXAPI AfxThrowMemoryException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] void AFXAPI AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName = nullptr);
[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG lOsError = -1, LPCSTR lpszFileName = nullptr);

struct __POSITION {};
using POSITION = __POSITION*;
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(static_cast<INT_PTR>(-1)))
