#pragma once
// Named properties read from and written to a bag, with an error log.

#include "Platform/Com/OleAuto.h"
#include "Platform/Com/Unknown.h"

DEFINE_GUID(IID_IPropertyBag, 0x55272A00, 0x42CB, 0x11CE, 0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
DEFINE_GUID(IID_IErrorLog, 0x3127CA40, 0x446E, 0x11CE, 0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

struct IErrorLog : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddError(LPCOLESTR propertyName, EXCEPINFO* error) = 0;
};

struct IPropertyBag : IUnknown {
    // With `value->vt` VT_EMPTY the bag chooses the type; otherwise the value
    // is converted to the type asked for.
    virtual HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) = 0;
};
using LPPROPERTYBAG = IPropertyBag*;
