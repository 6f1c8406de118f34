#pragma once
// The property frame: a modal property sheet over the property pages of
// one or more objects, each page an IPropertyPage made by its class
// identifier. The frame is the pages' site: a page that reports
// PROPPAGESTATUS_DIRTY through OnStatusChange enables Apply; Apply and OK
// apply every dirty page that has been shown; Cancel applies nothing.

#include "Platform/Com/Com.h"
#include "Platform/Win/CommCtrl/CommCtrl.h"

struct OCPFIPARAMS {
    ULONG cbStructSize;
    HWND hWndOwner;
    int x;
    int y;
    LPCOLESTR lpszCaption;
    ULONG cObjects;
    LPUNKNOWN* lplpUnk;
    ULONG cPages;
    CLSID* lpPages;
    LCID lcid;
    DISPID dispidInitialProperty;
};
using LPOCPFIPARAMS = OCPFIPARAMS*;

// The frame's caption is "<caption> Properties" ("Properties" without a
// caption); it is centred on its owner (x and y are not looked at). Pages
// that cannot be made or refuse the objects are left out. S_OK when the
// frame ran (closed by OK or Cancel); E_INVALIDARG for missing objects or
// pages; the failure of the last page when no page could be made.
HRESULT OleCreatePropertyFrameIndirect(LPOCPFIPARAMS params);
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, LPUNKNOWN* objects,
                               ULONG pageCount, LPCLSID pages, LCID locale, DWORD reserved, LPVOID reserved2);
