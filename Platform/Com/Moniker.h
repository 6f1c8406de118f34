#pragma once
// Monikers and the running object table.
//
// The running object table is per process. It holds a reference on every
// registered object and moniker until the registration is revoked. Item
// monikers are the only monikers this layer makes; their display name is
// the delimiter followed by the item name, and two item monikers are equal
// when their item names are equal without regard to ASCII case.

#include <string>

#include "Platform/Com/ComApi.h"
#include "Platform/Com/Enumerator.h"
#include "Platform/Com/Persist.h"
#include "Platform/Com/Unknown.h"

DEFINE_GUID(IID_IBindCtx, 0x0000000E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IMoniker, 0x0000000F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IRunningObjectTable, 0x00000010, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IEnumString, 0x00000101, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IEnumMoniker, 0x00000102, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(CLSID_ItemMoniker, 0x00000304, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

constexpr HRESULT MK_S_REDUCED_TO_SELF = static_cast<HRESULT>(0x000401E2u);
constexpr HRESULT MK_S_MONIKERALREADYREGISTERED = static_cast<HRESULT>(0x000401E7u);
constexpr HRESULT MK_E_NOTBINDABLE = static_cast<HRESULT>(0x800401E8u);
constexpr HRESULT MK_E_NOINVERSE = static_cast<HRESULT>(0x800401ECu);
constexpr HRESULT MK_E_NOSTORAGE = static_cast<HRESULT>(0x800401EDu);
constexpr HRESULT MK_E_NOPREFIX = static_cast<HRESULT>(0x800401EEu);

constexpr DWORD ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;
constexpr DWORD ROTFLAGS_ALLOWANYCLIENT = 0x2;

constexpr DWORD MKSYS_NONE = 0;
constexpr DWORD MKSYS_ITEMMONIKER = 4;

struct IMoniker;
struct IRunningObjectTable;

struct BIND_OPTS {
    DWORD cbStruct;
    DWORD grfFlags;
    DWORD grfMode;
    DWORD dwTickCountDeadline;
};

struct IEnumString : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLESTR* items, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumString** clone) = 0;
};

struct IBindCtx : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RegisterObjectBound(IUnknown* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE RevokeObjectBound(IUnknown* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseBoundObjects() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBindOptions(BIND_OPTS* options) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindOptions(BIND_OPTS* options) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRunningObjectTable(IRunningObjectTable** table) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterObjectParam(LPOLESTR key, IUnknown* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectParam(LPOLESTR key, IUnknown** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumObjectParam(IEnumString** keys) = 0;
    virtual HRESULT STDMETHODCALLTYPE RevokeObjectParam(LPOLESTR key) = 0;
};
using LPBC = IBindCtx*;

struct IEnumMoniker : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** clone) = 0;
};

struct IMoniker : IPersistStream {
    virtual HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid,
                                                    void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reduce(IBindCtx* context, DWORD howFar, IMoniker** left,
                                             IMoniker** reduced) = 0;
    virtual HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) = 0;
    virtual HRESULT STDMETHODCALLTYPE Enum(BOOL forward, IEnumMoniker** monikers) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) = 0;
    virtual HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker* other, IMoniker** prefix) = 0;
    virtual HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker* other, IMoniker** relative) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR name,
                                                       ULONG* eaten, IMoniker** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) = 0;
};
using LPMONIKER = IMoniker*;

struct IRunningObjectTable : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revoke(DWORD cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsRunning(IMoniker* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(IMoniker* name, IUnknown** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE NoteChangeTime(DWORD cookie, FILETIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IMoniker* name, FILETIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumRunning(IEnumMoniker** monikers) = 0;
};
using LPRUNNINGOBJECTTABLE = IRunningObjectTable*;

HRESULT GetRunningObjectTable(DWORD reserved, LPRUNNINGOBJECTTABLE* table);
HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, LPMONIKER* moniker);

namespace com {

// Monikers taken when the enumerator is made.
using MonikerEnumerator = Enumerator<IEnumMoniker, IID_IEnumMoniker, Snapshot<IMoniker>>;

// A copy of `text` in task memory, as GetDisplayName hands names out.
HRESULT CopyToTaskMemory(const std::u16string& text, LPOLESTR* out);

// The parts of IMoniker that a simple, non-composite moniker does not
// support or answers alike: not persistent, reduces to itself, composes and
// enumerates nothing, has no inverse, prefix or relative path, parses no
// names.
class SimpleMoniker : public IMoniker {
public:
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker** reduced) override;
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker** composite) override;
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker** monikers) override;
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) override;
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker** prefix) override;
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker** relative) override;
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* eaten,
                                               IMoniker** result) override;
};

} // namespace com
