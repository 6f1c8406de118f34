#pragma once
// What a plug-in module built on the base classes defines, and the entry
// points built from it.
//
// A module defines `CFactoryTemplate g_Templates[]` (one row per creatable
// class) and `int g_cTemplates`. The base classes supply DllGetClassObject
// and DllCanUnloadNow over them; the module's DllRegisterServer and
// DllUnregisterServer call AMovieDllRegisterServer2(TRUE / FALSE).

#include "Platform/DShow/BaseClasses/BaseFilter.h"
#include "Platform/DShow/BaseClasses/ComBase.h"

using LPFNNewCOMObject = CUnknown* (*)(LPUNKNOWN outer, HRESULT* result);
using LPFNInitRoutine = void (*)(BOOL loading, const CLSID* clsid);

struct CFactoryTemplate {
    LPCWSTR m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;

    BOOL IsClassID(REFCLSID clsid) const { return *m_ClsID == clsid; }
    CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result) const { return m_lpfnNew(outer, result); }
};

extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;

// Registers (or unregisters) every class of g_Templates: the key
// HKEY_CLASSES_ROOT\CLSID\{clsid} with the template's name, its
// InprocServer32 with the module's full path and ThreadingModel "Both",
// and, for templates with a setup record, the filter with the filter
// mapper. Unregistering removes the filters first, then the keys.
HRESULT AMovieDllRegisterServer2(BOOL registering);

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object);
extern "C" HRESULT DllCanUnloadNow();
