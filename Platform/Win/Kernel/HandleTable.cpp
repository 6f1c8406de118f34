#include "Platform/Win/Kernel/KernelObject.h"

#include <atomic>
#include <unordered_map>

#include "Platform/Win/Kernel/System.h"

namespace win::detail {

namespace {

// Handles are multiples of 4 as on Windows, starting well above the pseudo
// handles and small integers callers might confuse with them.
constexpr UINT_PTR kFirstHandle = 0x1000;

struct HandleTable {
    std::mutex lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> objects;
    UINT_PTR next = kFirstHandle;
};

HandleTable& Table()
{
    static HandleTable* table = new HandleTable; // lives until exit, used by atexit code too
    return *table;
}

struct WaitState {
    std::mutex lock;
    std::condition_variable changed;
};

WaitState& Waits()
{
    static WaitState* state = new WaitState;
    return *state;
}

} // namespace

KernelObject::~KernelObject() = default;

HANDLE InsertHandle(std::shared_ptr<KernelObject> object)
{
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    UINT_PTR value = t.next;
    t.next += 4;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    HandleTable& t = Table();
    {
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.objects.find(reinterpret_cast<UINT_PTR>(handle));
        if (it != t.objects.end())
            return it->second;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

bool RemoveHandle(HANDLE handle)
{
    std::shared_ptr<KernelObject> doomed; // destroyed outside the table lock
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == t.objects.end())
        return false;
    doomed = std::move(it->second);
    t.objects.erase(it);
    return true;
}

std::mutex& WaitLock() { return Waits().lock; }

void NotifyWaiters() { Waits().changed.notify_all(); }

std::condition_variable& WaitCondition() { return Waits().changed; }

DWORD CurrentThreadId()
{
    static std::atomic<DWORD> next{1};
    thread_local DWORD id = next.fetch_add(1);
    return id;
}

} // namespace win::detail
