#include "Platform/Win/Kernel/Sync.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Platform/Win/Kernel/KernelObject.h"
#include "Platform/Win/Kernel/RuntimeFolder.h"

namespace {

using win::detail::KernelObject;
using Objects = std::vector<std::shared_ptr<KernelObject>>;

// Base of the named, waitable objects: gives its name back when it goes.
class SyncObject : public KernelObject {
public:
    ~SyncObject() override;
    bool IsWaitable() const override { return true; }
};

class EventObject final : public SyncObject {
public:
    EventObject(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
    bool IsSignalledFor(DWORD) const override { return m_signalled; }
    void OnWaitSatisfied(DWORD) override
    {
        if (!m_manualReset)
            m_signalled = false;
    }

    const bool m_manualReset;
    bool m_signalled; // guarded by WaitLock()
};

class MutexObject final : public SyncObject, public std::enable_shared_from_this<MutexObject> {
public:
    bool IsSignalledFor(DWORD threadId) const override { return m_owner == 0 || m_owner == threadId; }
    void OnWaitSatisfied(DWORD threadId) override { Acquire(threadId); }
    bool TakeAbandoned() override { return std::exchange(m_abandoned, false); }
    void Acquire(DWORD threadId);
    // Lists the mutex among its owner's, once the owner is set.
    void Track();
    void Release();

    // Guarded by WaitLock(); an owner of 0 means free.
    DWORD m_owner = 0;
    DWORD m_recursion = 0;
    bool m_abandoned = false;
};

class SemaphoreObject final : public SyncObject {
public:
    SemaphoreObject(LONG count, LONG maximum) : m_count(count), m_maximum(maximum) {}
    bool IsSignalledFor(DWORD) const override { return m_count > 0; }
    void OnWaitSatisfied(DWORD) override { --m_count; }

    LONG m_count; // guarded by WaitLock()
    const LONG m_maximum;
};

// The mutexes each thread owns, so that they can be abandoned when it ends.
// The raw pointer identifies the entry without touching the object.
struct OwnedMutex {
    MutexObject* raw;
    std::weak_ptr<MutexObject> object;
};

std::unordered_map<DWORD, std::vector<OwnedMutex>>& OwnedMutexes()
{
    static auto* owned = new std::unordered_map<DWORD, std::vector<OwnedMutex>>; // guarded by WaitLock()
    return *owned;
}

void MutexObject::Acquire(DWORD threadId)
{
    if (m_owner == 0) {
        m_owner = threadId;
        Track();
    }
    ++m_recursion;
}

void MutexObject::Track() { OwnedMutexes()[m_owner].push_back({this, weak_from_this()}); }

void MutexObject::Release()
{
    if (--m_recursion > 0)
        return;
    auto it = OwnedMutexes().find(m_owner);
    if (it != OwnedMutexes().end()) {
        std::erase_if(it->second, [this](const OwnedMutex& entry) { return entry.raw == this || entry.object.expired(); });
        if (it->second.empty())
            OwnedMutexes().erase(it);
    }
    m_owner = 0;
}

// The process-wide object namespace. Each name also keeps the descriptor of
// its lock file, held until the last object of that name in this process
// goes, so that a new object of the name made meanwhile reuses the lock
// instead of contending with it.
struct NameEntry {
    std::weak_ptr<KernelObject> object;
    int lockFd = -1;
};

struct NameTable {
    std::mutex lock;
    std::unordered_map<std::string, NameEntry> entries;
};

NameTable& Names()
{
    static auto* table = new NameTable; // lives until exit, objects may outlive static destruction
    return *table;
}

SyncObject::~SyncObject()
{
    if (m_name.empty())
        return;
    NameTable& names = Names();
    std::lock_guard<std::mutex> guard(names.lock);
    auto it = names.entries.find(m_name);
    // A newer object of the same name may already have taken the entry over.
    if (it == names.entries.end() || !it->second.object.expired())
        return;
    if (it->second.lockFd >= 0)
        close(it->second.lockFd);
    names.entries.erase(it);
}

// Object names may hold any character; the lock file name keeps the safe
// ones and writes the others as %XX. Very long names are shortened and made
// unique again with a hash, to stay within the file name limit.
std::string EscapeName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
            (c == '.' && !out.empty())) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    constexpr size_t kMaxLength = 200;
    if (out.size() > kMaxLength) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a, stable across processes
        for (unsigned char c : name)
            hash = (hash ^ c) * 1099511628211ull;
        char suffix[20];
        std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(hash));
        out = out.substr(0, kMaxLength) + suffix;
    }
    return out;
}

// Takes the lock file of a name for this process. Returns the descriptor,
// or -1 with `takenElsewhere` set when another process holds it; -1 alone
// when the file cannot be made (the object then works within this process).
int LockNameFile(const std::string& name, bool* takenElsewhere)
{
    *takenElsewhere = false;
    std::string folder = win::RuntimeFolder() + "/kestrelon-objects";
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return -1;
    std::string path = folder + "/" + EscapeName(name) + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *takenElsewhere = errno == EWOULDBLOCK;
        close(fd);
        return -1;
    }
    return fd;
}

// Creates an object with `make`, or for a name already in use returns a new
// handle to the object that has it. Sets the last error as CreateEvent does.
template <typename T, typename Make> HANDLE CreateNamed(LPCSTR name, Make make)
{
    if (!name || !*name) {
        HANDLE handle = win::detail::InsertHandle(make());
        SetLastError(ERROR_SUCCESS);
        return handle;
    }
    if (std::strlen(name) > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::shared_ptr<KernelObject> existing; // released after the table lock, as it may be the last reference
    NameTable& names = Names();
    std::lock_guard<std::mutex> guard(names.lock);
    auto it = names.entries.find(name);
    if (it != names.entries.end())
        existing = it->second.object.lock();
    if (existing) {
        if (!std::dynamic_pointer_cast<T>(existing)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        HANDLE handle = win::detail::InsertHandle(existing);
        SetLastError(ERROR_ALREADY_EXISTS);
        return handle;
    }
    bool takenElsewhere = false;
    int lockFd = it != names.entries.end() ? it->second.lockFd : -1;
    if (lockFd < 0)
        lockFd = LockNameFile(name, &takenElsewhere);
    std::shared_ptr<T> object = make();
    object->m_name = name;
    names.entries[name] = NameEntry{object, lockFd};
    HANDLE handle = win::detail::InsertHandle(object);
    SetLastError(takenElsewhere ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

template <typename T> HANDLE OpenNamed(LPCSTR name)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<KernelObject> existing;
    NameTable& names = Names();
    std::lock_guard<std::mutex> guard(names.lock);
    auto it = names.entries.find(name);
    if (it != names.entries.end())
        existing = it->second.object.lock();
    if (!existing) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (!std::dynamic_pointer_cast<T>(existing)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return win::detail::InsertHandle(existing);
}

template <typename T> std::shared_ptr<T> LookupObject(HANDLE handle)
{
    auto object = win::detail::LookupHandleAs<T>(handle);
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// A wait that is blocked, visible to PulseEvent, which can satisfy it on the
// waiter's behalf while the event is momentarily signalled.
struct Waiter {
    DWORD threadId;
    bool waitAll;
    const Objects* objects;
    bool resolved = false;
    DWORD result = WAIT_FAILED;
};

std::vector<Waiter*>& BlockedWaiters()
{
    static auto* waiters = new std::vector<Waiter*>; // guarded by WaitLock(), oldest first
    return *waiters;
}

// Keeps a waiter listed while it blocks.
class WaiterRegistration {
public:
    explicit WaiterRegistration(Waiter* waiter) : m_waiter(waiter) { BlockedWaiters().push_back(waiter); }
    ~WaiterRegistration() { std::erase(BlockedWaiters(), m_waiter); }
    WaiterRegistration(const WaiterRegistration&) = delete;
    WaiterRegistration& operator=(const WaiterRegistration&) = delete;

private:
    Waiter* m_waiter;
};

// Takes the objects of a wait when it can be satisfied now and stores the
// wait's result. `pulsed`, when given, counts as signalled and is left as
// it is when taken. Called with WaitLock() held.
bool TrySatisfy(const Objects& objects, bool waitAll, DWORD threadId, const KernelObject* pulsed, DWORD* result)
{
    auto signalled = [&](const KernelObject* object) {
        return object == pulsed || object->IsSignalledFor(threadId);
    };
    auto take = [&](KernelObject* object) {
        if (object == pulsed)
            return false;
        object->OnWaitSatisfied(threadId);
        return object->TakeAbandoned();
    };
    if (!waitAll) {
        for (size_t i = 0; i < objects.size(); ++i) {
            if (signalled(objects[i].get())) {
                DWORD base = take(objects[i].get()) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
                *result = base + static_cast<DWORD>(i);
                return true;
            }
        }
        return false;
    }
    if (!std::all_of(objects.begin(), objects.end(), [&](const auto& object) { return signalled(object.get()); }))
        return false;
    bool abandoned = false;
    for (const auto& object : objects)
        abandoned = take(object.get()) || abandoned;
    *result = abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
    return true;
}

DWORD WaitForObjects(const Objects& objects, bool waitAll, DWORD milliseconds)
{
    const DWORD threadId = win::detail::CurrentThreadId();
    // Makes sure this thread has an object whose end abandons the mutexes it takes here.
    win::detail::CurrentThreadObject();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> lock(win::detail::WaitLock());
    DWORD result = WAIT_TIMEOUT;
    if (TrySatisfy(objects, waitAll, threadId, nullptr, &result) || milliseconds == 0)
        return result;
    Waiter self{threadId, waitAll, &objects};
    WaiterRegistration registration(&self);
    std::condition_variable& changed = win::detail::WaitCondition();
    for (;;) {
        if (milliseconds == INFINITE)
            changed.wait(lock);
        else
            changed.wait_until(lock, deadline);
        if (self.resolved)
            return self.result;
        if (TrySatisfy(objects, waitAll, threadId, nullptr, &result))
            return result;
        if (milliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
    }
}

} // namespace

namespace win::detail {

void AbandonMutexesOf(DWORD threadId)
{
    auto it = OwnedMutexes().find(threadId);
    if (it == OwnedMutexes().end())
        return;
    std::vector<OwnedMutex> owned = std::move(it->second);
    OwnedMutexes().erase(it);
    for (const OwnedMutex& entry : owned) {
        if (auto mutex = entry.object.lock()) {
            mutex->m_owner = 0;
            mutex->m_recursion = 0;
            mutex->m_abandoned = true;
        }
    }
    NotifyWaiters();
}

} // namespace win::detail

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    return CreateNamed<EventObject>(
        name, [&] { return std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE); });
}

HANDLE OpenEventA(DWORD, BOOL, LPCSTR name) { return OpenNamed<EventObject>(name); }

BOOL SetEvent(HANDLE event)
{
    auto object = LookupObject<EventObject>(event);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    object->m_signalled = true;
    win::detail::NotifyWaiters();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    auto object = LookupObject<EventObject>(event);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    object->m_signalled = false;
    return TRUE;
}

BOOL PulseEvent(HANDLE event)
{
    auto object = LookupObject<EventObject>(event);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    for (Waiter* waiter : BlockedWaiters()) {
        if (waiter->resolved)
            continue;
        const Objects& objects = *waiter->objects;
        if (std::none_of(objects.begin(), objects.end(), [&](const auto& o) { return o.get() == object.get(); }))
            continue;
        if (TrySatisfy(objects, waiter->waitAll, waiter->threadId, object.get(), &waiter->result)) {
            waiter->resolved = true;
            if (!object->m_manualReset)
                break;
        }
    }
    object->m_signalled = false;
    win::detail::NotifyWaiters();
    return TRUE;
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name)
{
    const DWORD threadId = win::detail::CurrentThreadId();
    if (initialOwner)
        win::detail::CurrentThreadObject(); // so that the mutex is abandoned if this thread ends owning it
    std::shared_ptr<MutexObject> made;
    HANDLE handle = CreateNamed<MutexObject>(name, [&] {
        made = std::make_shared<MutexObject>();
        // Owned from the start, so no other thread can take it before it is tracked below.
        if (initialOwner) {
            made->m_owner = threadId;
            made->m_recursion = 1;
        }
        return made;
    });
    if (made && initialOwner) {
        std::lock_guard<std::mutex> guard(win::detail::WaitLock());
        made->Track();
    }
    return handle;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) { return OpenNamed<MutexObject>(name); }

BOOL ReleaseMutex(HANDLE mutex)
{
    auto object = LookupObject<MutexObject>(mutex);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    if (object->m_owner == 0 || object->m_owner != win::detail::CurrentThreadId()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    object->Release();
    win::detail::NotifyWaiters();
    return TRUE;
}

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCSTR name)
{
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateNamed<SemaphoreObject>(
        name, [&] { return std::make_shared<SemaphoreObject>(initialCount, maximumCount); });
}

HANDLE OpenSemaphoreA(DWORD, BOOL, LPCSTR name) { return OpenNamed<SemaphoreObject>(name); }

BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount)
{
    if (releaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto object = LookupObject<SemaphoreObject>(semaphore);
    if (!object)
        return FALSE;
    std::lock_guard<std::mutex> guard(win::detail::WaitLock());
    if (static_cast<LONGLONG>(object->m_count) + releaseCount > object->m_maximum) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (previousCount)
        *previousCount = object->m_count;
    object->m_count += releaseCount;
    win::detail::NotifyWaiters();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &object, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    Objects objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = win::detail::ResolveHandle(handles[i]);
        if (!object || !object->IsWaitable()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        // Taking one object twice in a single step has no meaning.
        if (waitAll && std::any_of(objects.begin(), objects.end(), [&](const auto& o) { return o == object; })) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    return WaitForObjects(objects, waitAll != FALSE, milliseconds);
}

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::LockStorage) &&
                  alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION),
              "a critical section's storage holds its lock");

static std::recursive_mutex& LockOf(LPCRITICAL_SECTION section)
{
    return *static_cast<std::recursive_mutex*>(__atomic_load_n(&section->Impl, __ATOMIC_ACQUIRE));
}

static bool Initialized(LPCRITICAL_SECTION section)
{
    return section && __atomic_load_n(&section->Impl, __ATOMIC_ACQUIRE) != nullptr;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    if (!section)
        return;
    void* lock = new (section->LockStorage) std::recursive_mutex;
    section->RecursionCount = 0;
    section->OwningThread = 0;
    __atomic_store_n(&section->Impl, lock, __ATOMIC_RELEASE);
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD)
{
    if (!section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    InitializeCriticalSection(section);
    return TRUE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    if (!section)
        return;
    if (Initialized(section))
        LockOf(section).~recursive_mutex();
    __atomic_store_n(&section->Impl, nullptr, __ATOMIC_RELEASE);
    section->RecursionCount = 0;
    section->OwningThread = 0;
}

// The owner fields are read by other threads (TryEnter, Leave checks), hence
// the atomic accesses even though only the owner writes them.
static void NoteEntered(LPCRITICAL_SECTION section)
{
    __atomic_store_n(&section->OwningThread, win::detail::CurrentThreadId(), __ATOMIC_RELAXED);
    __atomic_add_fetch(&section->RecursionCount, 1, __ATOMIC_RELAXED);
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    if (!Initialized(section))
        return;
    LockOf(section).lock();
    NoteEntered(section);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    if (!Initialized(section) || !LockOf(section).try_lock())
        return FALSE;
    NoteEntered(section);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    // Leaving a section the caller does not hold would corrupt the lock; it is ignored.
    if (!Initialized(section) ||
        __atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED) != win::detail::CurrentThreadId())
        return;
    if (__atomic_sub_fetch(&section->RecursionCount, 1, __ATOMIC_RELAXED) == 0)
        __atomic_store_n(&section->OwningThread, 0, __ATOMIC_RELAXED);
    LockOf(section).unlock();
}
