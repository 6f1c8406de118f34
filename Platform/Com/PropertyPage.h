#pragma once
// Property pages: the interfaces an object uses to name its pages and that
// a page and its frame (the page site) use to talk to each other.

#include "Platform/Com/ComApi.h"
#include "Platform/Com/Unknown.h"
#include "Platform/Win/Base/WinTypes.h"

DEFINE_GUID(IID_ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IPropertyPage, 0xB196B28D, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IPropertyPageSite, 0xB196B28C, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

// A window message; the USER layer defines it.
struct MSG;
using LPMSG = MSG*;

// A counted array of GUIDs in task memory.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;
    SIZE size;
    LPOLESTR pszDocString;
    LPOLESTR pszHelpFile;
    DWORD dwHelpContext;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) = 0;
};

struct IPropertyPageSite : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) = 0;
};

struct IPropertyPage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Deactivate() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT STDMETHODCALLTYPE Show(UINT command) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPageDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Apply() = 0;
    virtual HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDirectory) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) = 0;
};
