#include "Platform/Win/Kernel/KernelObject.h"

#include <atomic>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/System.h"

namespace win::detail {

namespace {

HandleTable<KernelObject>& Table()
{
    // Lives until exit: atexit code closes handles too.
    static auto* table = new HandleTable<KernelObject>(HandleKind::KernelObject);
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
    HANDLE handle = Table().Add<HANDLE>(std::move(object));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    std::shared_ptr<KernelObject> object = Table().Find(handle);
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) { return Table().Remove(handle); }

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
