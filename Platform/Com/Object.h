#pragma once
// The IUnknown of a plain heap object, written once.
//
// com::Object<Entries...> derives from the interface of each entry and
// answers QueryInterface for the identifiers the entries list. An entry
// names the interface (or a partial implementation derived from it alone,
// such as com::SimpleMoniker) followed by every identifier it answers: an
// interface derived from others answers for them too. IID_IUnknown answers
// with the first entry, so the object has one identity.
//
// The object starts without references; its creator takes the first (see
// CreateObject below) and the last Release deletes it. The count is
// atomic, so references may be taken and dropped on any thread.
//
// Aggregatable objects keep their own non-delegating unknown (the
// DirectShow base classes' CUnknown); CreateObject creates those too.

#include <new>
#include <type_traits>
#include <utility>

#include "Platform/Com/Unknown.h"
#include "Platform/Win/Base/Atomic.h"

namespace com {

template <typename Interface, const IID&... Ids> struct Implements {
    static_assert(sizeof...(Ids) > 0, "an entry answers at least one identifier");
    static_assert(std::is_base_of_v<IUnknown, Interface>, "an entry is an interface");

    using Type = Interface;
    static bool Answers(REFIID riid) { return ((riid == Ids) || ...); }
};

namespace detail {
template <typename First, typename...> struct FirstEntry {
    using Type = typename First::Type;
};
} // namespace detail

template <typename... Entries> class Object : public Entries::Type... {
    static_assert(sizeof...(Entries) > 0, "an object answers at least one interface");
    using First = typename detail::FirstEntry<Entries...>::Type;

public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = Find(riid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    void* Find(REFIID riid)
    {
        if (riid == IID_IUnknown)
            return static_cast<IUnknown*>(static_cast<First*>(this));
        void* found = nullptr;
        (void)((Entries::Answers(riid) && (found = static_cast<typename Entries::Type*>(this))) || ...);
        return found;
    }

    win::Atomic<ULONG> m_refs{0};
};

// Makes a T from `args` and hands out its `riid` interface; without that
// interface the object goes again. E_OUTOFMEMORY when the memory for the
// object (or anything its constructor allocates) cannot be had: an
// allocation failure never crosses a COM call.
template <typename T, typename... Args> HRESULT CreateObject(REFIID riid, void** object, Args&&... args)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    T* created = nullptr;
    try {
        created = new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr;
    if constexpr (std::is_base_of_v<INonDelegatingUnknown, T>) {
        created->NonDelegatingAddRef();
        hr = created->NonDelegatingQueryInterface(riid, object);
        created->NonDelegatingRelease();
    } else {
        created->AddRef();
        hr = created->QueryInterface(riid, object);
        created->Release();
    }
    return hr;
}

} // namespace com
