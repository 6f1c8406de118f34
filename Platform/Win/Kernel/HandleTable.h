#pragma once
// The one table behind every kind of handle the platform hands out. A
// handle is a number from its kind's range (HandleKinds.h), never a pointer,
// so a closed, made-up or other kind's handle is refused rather than
// followed. Find hands out a shared reference: a caller holds it while it
// works, so a close on another thread never frees an object under it, and
// the object lives on until the last such use ends. Remove hands the object
// out, so that it dies outside the table's lock.
//
// Values are handed out upwards from the range's first value, a step apart,
// and wrap round to its start skipping values still open; Add fails (a null
// handle) only when every value of the range is open.
//
// Lock: each table has its own mutex, taken for the lookup alone and never
// held while anything else is taken, so a caller may hold locks of its own
// around any call. A table its owner's lock already guards (the USER window
// table, under the USER lock) is a HandleTable<T, OwnerLocked>. ForEach
// visits with the table's lock held: the visitor must not call the table.
// Objects are never null in a table.

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "Platform/Win/Kernel/HandleKinds.h"

namespace win {

// For a table guarded by its owner's lock.
struct OwnerLocked {
    void lock() {}
    void unlock() {}
};

namespace detail {

template <typename Handle> UINT_PTR HandleValue(Handle handle)
{
    if constexpr (std::is_pointer_v<Handle>)
        return reinterpret_cast<UINT_PTR>(handle);
    else
        return static_cast<UINT_PTR>(handle);
}

template <typename Handle> Handle HandleFromValue(UINT_PTR value)
{
    if constexpr (std::is_pointer_v<Handle>)
        return reinterpret_cast<Handle>(value);
    else
        return static_cast<Handle>(value);
}

// Called by Find on a found object, with no lock of the table held; tests
// stop a use here to close its handle on another thread meanwhile.
using HandleUseProbe = void (*)(HandleKind kind, UINT_PTR value);
void SetHandleUseProbe(HandleUseProbe probe);
extern std::atomic<HandleUseProbe> g_handleUseProbe;

} // namespace detail

template <typename T, typename Lock = std::mutex>
class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : HandleTable(RangeOf(kind)) {}
    // A table over a range of its own (a part of its kind's, or a test's).
    explicit HandleTable(const HandleRange& range) : m_range(range), m_next(range.first) {}
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // The object's new handle; null when every value of the range is open.
    template <typename Handle = UINT_PTR> Handle Add(std::shared_ptr<T> object)
    {
        std::lock_guard<Lock> guard(m_lock);
        if (!object || m_objects.size() >= CapacityOf(m_range))
            return detail::HandleFromValue<Handle>(0);
        UINT_PTR value = m_next;
        while (m_objects.count(value))
            value = After(value);
        m_next = After(value);
        m_objects.emplace(value, std::move(object));
        return detail::HandleFromValue<Handle>(value);
    }

    // Files the object under a value its owner chose outside the range (a
    // fixed memory block is its own address); false when the value is open.
    template <typename Handle> bool AddAt(Handle handle, std::shared_ptr<T> object)
    {
        std::lock_guard<Lock> guard(m_lock);
        return object && m_objects.emplace(detail::HandleValue(handle), std::move(object)).second;
    }

    // The object, or null for a handle that names none in this table.
    template <typename Handle> std::shared_ptr<T> Find(Handle handle) const
    {
        const UINT_PTR value = detail::HandleValue(handle);
        std::shared_ptr<T> found;
        {
            std::lock_guard<Lock> guard(m_lock);
            const auto it = m_objects.find(value);
            if (it == m_objects.end())
                return nullptr;
            found = it->second;
        }
        if constexpr (!std::is_same_v<Lock, OwnerLocked>) {
            if (const detail::HandleUseProbe probe = detail::g_handleUseProbe.load(std::memory_order_acquire))
                probe(m_range.kind, value);
        }
        return found;
    }

    // The object taken out of the table, or null for an unknown handle.
    template <typename Handle> std::shared_ptr<T> Remove(Handle handle)
    {
        std::lock_guard<Lock> guard(m_lock);
        const auto it = m_objects.find(detail::HandleValue(handle));
        if (it == m_objects.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(it->second);
        m_objects.erase(it);
        return object;
    }

    // Calls visit(value, object) for each open handle, in no order.
    template <typename Visit> void ForEach(Visit&& visit) const
    {
        std::lock_guard<Lock> guard(m_lock);
        for (const auto& [value, object] : m_objects)
            visit(value, object);
    }

    size_t Count() const
    {
        std::lock_guard<Lock> guard(m_lock);
        return m_objects.size();
    }

private:
    UINT_PTR After(UINT_PTR value) const
    {
        value += m_range.step;
        return value >= m_range.end ? m_range.first : value;
    }

    const HandleRange m_range;
    mutable Lock m_lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<T>> m_objects;
    UINT_PTR m_next;
};

} // namespace win
