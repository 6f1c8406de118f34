#pragma once
// One implementation of the IEnumXxx shape (Next, Skip, Reset, Clone) over
// a source of items that its user supplies.
//
// Every enumerator follows the same rules: Next with a null array is
// E_POINTER, and without `fetched` it hands out one item at most
// (E_INVALIDARG for more); it returns S_OK when it fetched all `count`
// items and S_FALSE otherwise. Skip returns S_OK when it skipped exactly
// `count` items, also when that reaches the end, and S_FALSE when the items
// ran out first. Reset starts again from the first item. Clone makes an
// independent enumerator at the same position.
//
// A source is a copyable class with
//   using Item = ...;                         // what Next hands out
//   bool Fetch(size_t position, Item* item);  // hands out a new reference
//                                             // or copy; false past the end
//   bool Has(size_t position);                // whether an item is there
// and optionally
//   HRESULT Check();  // a failure code every call returns (for instance
//                     // when the source changed behind the enumerator)
//   void Reset();     // takes the source afresh for Reset
// Its calls are made with the enumerator's lock held.

#include <utility>
#include <vector>

#include "Platform/Com/ComPtr.h"
#include "Platform/Com/Object.h"
#include "Platform/Win/Kernel/Sync.h"

namespace com {

template <typename Interface, const IID& InterfaceId, typename Source>
class Enumerator final : public Object<Implements<Interface, InterfaceId>> {
public:
    using Item = typename Source::Item;

    explicit Enumerator(Source source, size_t position = 0) : m_source(std::move(source)), m_position(position)
    {
        InitializeCriticalSection(&m_lock);
    }
    ~Enumerator() override { DeleteCriticalSection(&m_lock); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (!items)
            return E_POINTER;
        if (fetched)
            *fetched = 0;
        else if (count > 1)
            return E_INVALIDARG;
        Hold hold(m_lock);
        if (HRESULT hr = Check(); FAILED(hr))
            return hr;
        ULONG n = 0;
        while (n < count && m_source.Fetch(m_position, &items[n])) {
            ++m_position;
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        Hold hold(m_lock);
        if (HRESULT hr = Check(); FAILED(hr))
            return hr;
        ULONG n = 0;
        while (n < count && m_source.Has(m_position)) {
            ++m_position;
            ++n;
        }
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override
    {
        Hold hold(m_lock);
        if constexpr (requires(Source& s) { s.Reset(); })
            m_source.Reset();
        m_position = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(Interface** clone) override
    {
        if (!clone)
            return E_POINTER;
        *clone = nullptr;
        Hold hold(m_lock);
        if (HRESULT hr = Check(); FAILED(hr))
            return hr;
        return CreateObject<Enumerator>(InterfaceId, reinterpret_cast<void**>(clone), m_source, m_position);
    }

private:
    // Holds the enumerator's lock for a scope.
    class Hold {
    public:
        explicit Hold(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
        ~Hold() { LeaveCriticalSection(&m_lock); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CRITICAL_SECTION& m_lock;
    };

    HRESULT Check()
    {
        if constexpr (requires(Source& s) { s.Check(); })
            return m_source.Check();
        else
            return S_OK;
    }

    CRITICAL_SECTION m_lock;
    Source m_source;
    size_t m_position;
};

// A source over interface pointers taken when the enumerator is made; the
// enumerator holds a reference on each.
template <typename I> class Snapshot {
public:
    using Item = I*;

    Snapshot() = default;
    explicit Snapshot(std::vector<ComPtr<I>> items) : m_items(std::move(items)) {}

    bool Fetch(size_t position, I** item) const
    {
        if (position >= m_items.size())
            return false;
        *item = m_items[position].Get();
        (*item)->AddRef();
        return true;
    }
    bool Has(size_t position) const { return position < m_items.size(); }

protected:
    std::vector<ComPtr<I>> m_items;
};

} // namespace com
