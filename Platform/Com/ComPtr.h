#pragma once
// An owning interface pointer: holds one reference and releases it when it
// is reset, reassigned or destroyed.

#include <utility>

#include "Platform/Com/Unknown.h"

namespace com {

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on `p`.
    ComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(T* p)
    {
        ComPtr(p).Swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr Adopt(T* p)
    {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Releases what is held and returns the slot for an out-parameter.
    T** Receive()
    {
        Reset();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Queries `from` for `iid` (the identifier of T) and holds the result.
    HRESULT QueryFrom(IUnknown* from, REFIID iid)
    {
        if (!from) {
            Reset();
            return E_POINTER;
        }
        return from->QueryInterface(iid, ReceiveVoid());
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

private:
    T* m_p = nullptr;
};

} // namespace com
