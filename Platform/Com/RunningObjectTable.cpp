#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Com/Moniker.h"
#include "Platform/Win/Kernel/Time.h"

namespace {

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::u16string DisplayNameOf(IMoniker* moniker)
{
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || !name)
        return {};
    std::u16string text(name);
    CoTaskMemFree(name);
    return text;
}

// Two monikers name the same object when they are equal by either's
// IsEqual; monikers from another module's copy of this layer compare by
// their display names.
bool SameName(IMoniker* a, IMoniker* b) { return a == b || a->IsEqual(b) == S_OK || b->IsEqual(a) == S_OK; }

class ItemMoniker final
    : public com::Object<com::Implements<com::SimpleMoniker, IID_IMoniker, IID_IPersistStream, IID_IPersist>> {
public:
    ItemMoniker(std::u16string delimiter, std::u16string item)
        : m_delimiter(std::move(delimiter)), m_item(std::move(item))
    {
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_ItemMoniker;
        return S_OK;
    }

    // Binding an item needs the container on its left, which nothing in the
    // system composes.
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID, void** object) override
    {
        if (object)
            *object = nullptr;
        return MK_E_NOOBJECT;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID, void** object) override
    {
        if (object)
            *object = nullptr;
        return MK_E_NOSTORAGE;
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override
    {
        if (!other)
            return E_INVALIDARG;
        CLSID clsid;
        if (FAILED(other->GetClassID(&clsid)) || clsid != CLSID_ItemMoniker)
            return S_FALSE;
        return EqualIgnoringCase(DisplayNameOf(other), m_delimiter + m_item) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override
    {
        if (!hash)
            return E_POINTER;
        DWORD h = 0;
        for (char16_t c : m_item)
            h = (h * 3) ^ FoldAscii(c);
        *hash = h;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker* newlyRunning) override
    {
        if (newlyRunning && IsEqual(newlyRunning) == S_OK)
            return S_OK;
        IRunningObjectTable* table = nullptr;
        if (FAILED(GetRunningObjectTable(0, &table)))
            return S_FALSE;
        HRESULT hr = table->IsRunning(this);
        table->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override
    {
        return MK_E_UNAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override
    {
        if (!name)
            return E_POINTER;
        return com::CopyToTaskMemory(m_delimiter + m_item, name);
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override
    {
        if (!kind)
            return E_POINTER;
        *kind = MKSYS_ITEMMONIKER;
        return S_OK;
    }

private:
    std::u16string m_delimiter;
    std::u16string m_item;
};

struct Registration {
    DWORD cookie;
    IUnknown* object;
    IMoniker* name;
    FILETIME changed;
};

class RunningObjectTable final : public IRunningObjectTable {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IRunningObjectTable) {
            *object = static_cast<IRunningObjectTable*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The table lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Register(DWORD, IUnknown* object, IMoniker* name, DWORD* cookie) override
    {
        if (cookie)
            *cookie = 0;
        if (!object || !name || !cookie)
            return E_INVALIDARG;
        object->AddRef();
        name->AddRef();
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        std::lock_guard<std::mutex> guard(m_lock);
        bool taken = false;
        for (const Registration& r : m_entries)
            taken = taken || SameName(r.name, name);
        *cookie = m_nextCookie++;
        m_entries.push_back(Registration{*cookie, object, name, now});
        return taken ? MK_S_MONIKERALREADYREGISTERED : S_OK;
    }

    HRESULT STDMETHODCALLTYPE Revoke(DWORD cookie) override
    {
        Registration found{};
        {
            std::lock_guard<std::mutex> guard(m_lock);
            auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                   [cookie](const Registration& r) { return r.cookie == cookie; });
            if (it == m_entries.end())
                return E_INVALIDARG;
            found = *it;
            m_entries.erase(it);
        }
        // Released outside the lock: the object's destructor may use the table.
        found.object->Release();
        found.name->Release();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE IsRunning(IMoniker* name) override
    {
        if (!name)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_lock);
        return Find(name) ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE GetObject(IMoniker* name, IUnknown** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!name)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_lock);
        const Registration* r = Find(name);
        if (!r)
            return MK_E_UNAVAILABLE;
        *object = r->object;
        r->object->AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE NoteChangeTime(DWORD cookie, FILETIME* time) override
    {
        if (!time)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_lock);
        for (Registration& r : m_entries) {
            if (r.cookie == cookie) {
                r.changed = *time;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IMoniker* name, FILETIME* time) override
    {
        if (!name || !time)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_lock);
        const Registration* r = Find(name);
        if (!r)
            return MK_E_UNAVAILABLE;
        *time = r->changed;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumRunning(IEnumMoniker** monikers) override
    {
        if (!monikers)
            return E_INVALIDARG;
        std::vector<com::ComPtr<IMoniker>> names;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            for (const Registration& r : m_entries)
                names.emplace_back(r.name);
        }
        return com::CreateObject<com::MonikerEnumerator>(IID_IEnumMoniker, reinterpret_cast<void**>(monikers),
                                                         com::Snapshot<IMoniker>(std::move(names)));
    }

private:
    const Registration* Find(IMoniker* name) const
    {
        for (const Registration& r : m_entries)
            if (SameName(r.name, name))
                return &r;
        return nullptr;
    }

    std::mutex m_lock;
    std::vector<Registration> m_entries;
    DWORD m_nextCookie = 1;
};

} // namespace

HRESULT GetRunningObjectTable(DWORD, LPRUNNINGOBJECTTABLE* table)
{
    if (!table)
        return E_INVALIDARG;
    static RunningObjectTable* instance = new RunningObjectTable; // lives until exit
    *table = instance;
    return S_OK;
}

HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, LPMONIKER* moniker)
{
    if (!moniker)
        return E_INVALIDARG;
    return com::CreateObject<ItemMoniker>(IID_IMoniker, reinterpret_cast<void**>(moniker),
                                          delimiter ? delimiter : u"", item ? item : u"");
}
