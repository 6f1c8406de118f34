#pragma once
// CObject, run-time class information, dynamic creation and the exception
// classes that are not about files.
//
// Every class implemented with IMPLEMENT_DYNAMIC, IMPLEMENT_DYNCREATE or
// IMPLEMENT_SERIAL is registered by name at start-up, so
// CRuntimeClass::FromName finds all of them; CArchive::ReadObject accepts
// only the serializable ones.

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/User/MessageBox.h"

// Added to a schema number, lets ReadObject load any stored schema of the
// class; Serialize asks CArchive::GetObjectSchema which one it got.
constexpr UINT VERSIONABLE_SCHEMA = 0x80000000u;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF for classes that are not serializable
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;

    // Null when the class has no default constructor registered
    // (DECLARE_DYNAMIC only).
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // The registered class of that exact (case-sensitive) name, or null.
    static CRuntimeClass* PASCAL FromName(LPCSTR lpszClassName);

    // The archive form: schema WORD, name length WORD, name bytes.
    void Store(CArchive& ar) const;
    // Reads the form written by Store and returns the registered class of
    // that name (null when none) with the stored schema in *pwSchemaNum.
    static CRuntimeClass* PASCAL Load(CArchive& ar, UINT* pwSchemaNum);
};

void AFXAPI AfxClassInit(CRuntimeClass* pNewClass);
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass) { AfxClassInit(pNewClass); }
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name) \
public: \
    static CRuntimeClass class##class_name; \
    static CRuntimeClass* PASCAL GetThisClass() { return &class##class_name; } \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name) \
    static CObject* PASCAL CreateObject();

#define DECLARE_SERIAL(class_name) \
    DECLARE_DYNCREATE(class_name) \
    friend CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb);

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew) \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), (wSchema), \
                                                   (pfnNew), RUNTIME_CLASS(base_class_name)}; \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); } \
    static const AFX_CLASSINIT s_afxClassInit_##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* PASCAL class_name::CreateObject() { return new class_name; } \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema) \
    CObject* PASCAL class_name::CreateObject() { return new class_name; } \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, (wSchema), class_name::CreateObject) \
    CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb) \
    { \
        pOb = static_cast<class_name*>(AfxReadObjectOfClass(ar, RUNTIME_CLASS(class_name))); \
        return ar; \
    }

// Reads an object that must be of `pClass` (used by DECLARE_SERIAL's >>).
CObject* AFXAPI AfxReadObjectOfClass(CArchive& ar, const CRuntimeClass* pClass);

class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    BOOL IsSerializable() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;

private:
    // As in MFC, objects are not copied unless a class says how.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

CObject* AFXAPI AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject);
CObject* AFXAPI AfxStaticDownCast(const CRuntimeClass* pClass, CObject* pObject);
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(::AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))
#define STATIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(::AfxStaticDownCast(RUNTIME_CLASS(class_name), (object))))
#define ASSERT_KINDOF(class_name, object) ASSERT((object)->IsKindOf(RUNTIME_CLASS(class_name)))

// The diagnostic stream Dump writes to; its text goes to OutputDebugStringA.
class CDumpContext {
public:
    CDumpContext& operator<<(LPCSTR lpsz);
    CDumpContext& operator<<(const CString& string) { return *this << static_cast<LPCSTR>(string); }
    CDumpContext& operator<<(LONG n);
    CDumpContext& operator<<(DWORD n);
    CDumpContext& operator<<(LONGLONG n);
    CDumpContext& operator<<(ULONGLONG n);
    CDumpContext& operator<<(double d);
    CDumpContext& operator<<(const void* p);
    CDumpContext& operator<<(const CObject* pOb);
    CDumpContext& operator<<(const CObject& ob);
    int GetDepth() const { return m_nDepth; }
    void SetDepth(int nNewDepth) { m_nDepth = nNewDepth; }
    void Flush() {}

private:
    int m_nDepth = 0;
};
extern CDumpContext afxDump;

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    CException() = default;
    explicit CException(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete) {}

    // Deletes the exception unless it is a static one (m_bAutoDelete FALSE).
    void Delete();
    // Copies a sentence describing the error, cut to nMaxError bytes with
    // its terminator. The base class has none and returns FALSE.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr);
    // Shows the error message in a message box (string nMessageID when the
    // exception has none) and returns the box's answer.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);

    BOOL m_bAutoDelete = TRUE;

protected:
    // Copies `message` as GetErrorMessage promises and returns TRUE.
    static BOOL CopyErrorMessage(const CString& message, LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext);
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    CMemoryException() = default;
    explicit CMemoryException(BOOL bAutoDelete) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    CNotSupportedException() = default;
    explicit CNotSupportedException(BOOL bAutoDelete) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};

// A window class, menu, dialog or other resource of the window system could
// not be made.
class CResourceException : public CException {
    DECLARE_DYNAMIC(CResourceException)
public:
    CResourceException() = default;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;
};
[[noreturn]] void AFXAPI AfxThrowResourceException();

// An operation the user has been told about (a message box) has stopped;
// nothing more is reported.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
public:
    CUserException() = default;
};
[[noreturn]] void AFXAPI AfxThrowUserException();

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum {
        none,
        generic,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema,
    };

    explicit CArchiveException(int cause = none, LPCSTR lpszArchiveName = nullptr);
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) override;

    int m_cause;
    CString m_strFileName;
};

// MFC's exception macros over C++ exceptions. An exception caught by CATCH
// is deleted at the end of its handler unless THROW_LAST passes it on.
class AfxExceptionLink {
public:
    explicit AfxExceptionLink(CException* e) : m_pException(e) {}
    ~AfxExceptionLink()
    {
        if (m_pException)
            m_pException->Delete();
    }
    AfxExceptionLink(const AfxExceptionLink&) = delete;
    AfxExceptionLink& operator=(const AfxExceptionLink&) = delete;
    void Release() { m_pException = nullptr; }

private:
    CException* m_pException;
};

#define TRY try
#define CATCH(class_name, e) \
    catch (class_name * e) \
    { \
        AfxExceptionLink afxExceptionLink_(e);
#define AND_CATCH(class_name, e) \
    } \
    catch (class_name * e) \
    { \
        AfxExceptionLink afxExceptionLink_(e);
#define END_CATCH }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) AND_CATCH(CException, e)
#define END_CATCH_ALL END_CATCH
#define THROW(e) throw e
#define THROW_LAST() \
    do { \
        afxExceptionLink_.Release(); \
        throw; \
    } while (0)
