#pragma once
// The layer's open objects by handle. A handle is a number, never a
// pointer, so a closed or made-up handle is refused rather than followed;
// a caller holds a shared reference while it works, so a close on another
// thread never frees an object under it. Internal to the layer.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vfw {

template <typename Object>
class HandleTable {
public:
    template <typename Handle>
    Handle Add(std::shared_ptr<Object> object)
    {
        std::lock_guard lock(m_lock);
        const std::uintptr_t handle = m_next++;
        m_objects.emplace(handle, std::move(object));
        return reinterpret_cast<Handle>(handle);
    }

    template <typename Handle>
    std::shared_ptr<Object> Find(Handle handle) const
    {
        std::lock_guard lock(m_lock);
        const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == m_objects.end() ? nullptr : found->second;
    }

    // The object taken out of the table, or null for an unknown handle.
    template <typename Handle>
    std::shared_ptr<Object> Remove(Handle handle)
    {
        std::lock_guard lock(m_lock);
        const auto found = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == m_objects.end())
            return nullptr;
        std::shared_ptr<Object> object = std::move(found->second);
        m_objects.erase(found);
        return object;
    }

private:
    mutable std::mutex m_lock;
    std::map<std::uintptr_t, std::shared_ptr<Object>> m_objects;
    std::uintptr_t m_next = 1;
};

} // namespace vfw
