#include "Platform/Win/Kernel/Memory.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

#include "Platform/Win/Kernel/HandleTable.h"

namespace {

// A global block. Its data is malloc'd and freed with the block;
// `capacity` is what was allocated, so a block shrunk in place can grow back
// without moving.
struct Block {
    ~Block() { std::free(data); }
    void* data = nullptr;
    SIZE_T size = 0;
    SIZE_T capacity = 0;
    bool moveable = false;
    UINT lockCount = 0;
    UINT flags = 0;
};

constexpr UINT kMaxLockCount = 0xFF;
constexpr UINT kKeptFlags = GMEM_DISCARDABLE | GMEM_DDESHARE;

// Blocks by handle: a moveable block's handle is a token of the global
// memory range (4 modulo 16), a fixed block's is its data's address. The
// lock guards what is in the blocks and the index of moveable data. Calls
// that file a block under another handle (GlobalReAlloc, GlobalFree) look
// it up with the lock held, so that neither acts on a handle the other has
// just taken away; the others look it up first and then take the lock, so
// a free on another thread never waits for them.
struct BlockTable {
    win::HandleTable<Block> handles{win::HandleKind::GlobalMemory};
    std::mutex lock;
    std::unordered_map<UINT_PTR, HGLOBAL> byData; // moveable data address -> handle
};

BlockTable& Blocks()
{
    static auto* table = new BlockTable; // lives until exit, blocks may be freed by atexit code
    return *table;
}

std::shared_ptr<Block> Found(std::shared_ptr<Block> block)
{
    if (!block)
        SetLastError(ERROR_INVALID_HANDLE);
    return block;
}

// Resizes a block's data to `bytes`, in place when it fits, else by moving
// it when `mayMove`. The new tail is zeroed for GMEM_ZEROINIT.
bool Resize(Block& block, SIZE_T bytes, bool mayMove, bool zeroTail)
{
    if (bytes > block.capacity) {
        if (!mayMove) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        void* moved = std::realloc(block.data, bytes);
        if (!moved) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        block.data = moved;
        block.capacity = bytes;
    }
    if (zeroTail && bytes > block.size)
        std::memset(static_cast<BYTE*>(block.data) + block.size, 0, bytes - block.size);
    block.size = bytes;
    return true;
}

// Region sizes of VirtualAlloc, by base address, for MEM_RELEASE.
struct RegionTable {
    std::mutex lock;
    std::map<UINT_PTR, SIZE_T> regions;
};

RegionTable& Regions()
{
    static auto* table = new RegionTable;
    return *table;
}

constexpr SIZE_T kAllocationGranularity = 65536;

SIZE_T PageSize() { return static_cast<SIZE_T>(sysconf(_SC_PAGESIZE)); }
SIZE_T RoundUp(SIZE_T value, SIZE_T unit) { return (value + unit - 1) / unit * unit; }

bool ProtectionFor(DWORD protect, int* prot)
{
    switch (protect) {
    case PAGE_NOACCESS:
        *prot = PROT_NONE;
        return true;
    case PAGE_READONLY:
        *prot = PROT_READ;
        return true;
    case PAGE_READWRITE:
        *prot = PROT_READ | PROT_WRITE;
        return true;
    case PAGE_EXECUTE_READWRITE:
        *prot = PROT_READ | PROT_WRITE | PROT_EXEC;
        return true;
    default:
        return false;
    }
}

// The region holding [address, address + size), or end() when none does.
std::map<UINT_PTR, SIZE_T>::iterator RegionOf(RegionTable& table, UINT_PTR address, SIZE_T size)
{
    auto it = table.regions.upper_bound(address);
    if (it == table.regions.begin())
        return table.regions.end();
    --it;
    if (address + size > it->first + it->second || address + size < address)
        return table.regions.end();
    return it;
}

// Maps a fresh region aligned to the allocation granularity, at `wanted`
// when given. Null when the address space is taken.
void* MapRegion(UINT_PTR wanted, SIZE_T size, int prot)
{
    int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
    if (wanted) {
        void* at = mmap(reinterpret_cast<void*>(wanted), size, prot, flags | MAP_FIXED_NOREPLACE, -1, 0);
        if (at == MAP_FAILED)
            return nullptr;
        if (reinterpret_cast<UINT_PTR>(at) != wanted) { // older kernels treat the flag as a hint
            munmap(at, size);
            return nullptr;
        }
        return at;
    }
    // Over-maps by one granule and trims, so the base is granule-aligned as on Windows.
    SIZE_T padded = size + kAllocationGranularity;
    void* raw = mmap(nullptr, padded, prot, flags, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    UINT_PTR start = reinterpret_cast<UINT_PTR>(raw);
    UINT_PTR base = RoundUp(start, kAllocationGranularity);
    if (base > start)
        munmap(raw, base - start);
    UINT_PTR end = start + padded;
    if (end > base + size)
        munmap(reinterpret_cast<void*>(base + size), end - (base + size));
    return reinterpret_cast<void*>(base);
}

// A "Field:   1234 kB" figure of /proc/meminfo or /proc/self/status in
// bytes, or 0 when missing.
SIZE_T KilobyteField(const std::string& text, const std::string& field)
{
    const std::string key = field + ":";
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        if (text.compare(at, key.size(), key) == 0)
            return static_cast<SIZE_T>(std::strtoull(text.c_str() + at + key.size(), nullptr, 10)) * 1024;
        at = end + 1;
    }
    return 0;
}

std::string ReadText(const char* path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    // A zero-byte block still gets storage so that it has a unique address.
    SIZE_T capacity = bytes ? bytes : 1;
    void* data = (flags & GMEM_ZEROINIT) ? std::calloc(capacity, 1) : std::malloc(capacity);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto block = std::make_shared<Block>();
    block->data = data;
    block->size = bytes;
    block->capacity = capacity;
    block->moveable = (flags & GMEM_MOVEABLE) != 0;
    block->flags = flags & kKeptFlags;
    BlockTable& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!block->moveable) {
        table.handles.AddAt(data, std::move(block));
        return static_cast<HGLOBAL>(data);
    }
    HGLOBAL handle = table.handles.Add<HGLOBAL>(std::move(block));
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    table.byData[reinterpret_cast<UINT_PTR>(data)] = handle;
    return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags)
{
    BlockTable& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    const std::shared_ptr<Block> block = Found(table.handles.Find(handle));
    if (!block)
        return nullptr;
    if (flags & GMEM_MODIFY) {
        block->flags = (block->flags & ~GMEM_DISCARDABLE) | (flags & GMEM_DISCARDABLE);
        if ((flags & GMEM_MOVEABLE) && !block->moveable) {
            // A fixed block made moveable keeps its data and gets a token.
            HGLOBAL token = table.handles.Add<HGLOBAL>(block);
            if (!token) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            table.handles.Remove(handle);
            block->moveable = true;
            table.byData[reinterpret_cast<UINT_PTR>(block->data)] = token;
            return token;
        }
        return handle;
    }
    const bool zeroTail = (flags & GMEM_ZEROINIT) != 0;
    if (block->moveable) {
        // A locked block's address is in use, so it moves only when the caller allows it.
        bool mayMove = block->lockCount == 0 || (flags & GMEM_MOVEABLE);
        UINT_PTR oldData = reinterpret_cast<UINT_PTR>(block->data);
        if (!Resize(*block, bytes, mayMove, zeroTail))
            return nullptr;
        if (reinterpret_cast<UINT_PTR>(block->data) != oldData) {
            table.byData.erase(oldData);
            table.byData[reinterpret_cast<UINT_PTR>(block->data)] = handle;
        }
        return handle;
    }
    // A fixed block's handle is its address: moving it (only when allowed) gives a new handle.
    if (!Resize(*block, bytes, (flags & GMEM_MOVEABLE) != 0, zeroTail))
        return nullptr;
    HGLOBAL moved = static_cast<HGLOBAL>(block->data);
    if (moved != handle) {
        table.handles.Remove(handle);
        table.handles.AddAt(moved, block);
    }
    return moved;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    if (!handle)
        return nullptr;
    std::shared_ptr<Block> doomed; // freed outside the lock, once the last call using it ends
    BlockTable& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    doomed = Found(table.handles.Remove(handle));
    if (!doomed)
        return handle;
    if (doomed->moveable)
        table.byData.erase(reinterpret_cast<UINT_PTR>(doomed->data));
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL handle)
{
    BlockTable& table = Blocks();
    const std::shared_ptr<Block> block = Found(table.handles.Find(handle));
    if (!block)
        return nullptr;
    std::lock_guard<std::mutex> guard(table.lock);
    if (block->lockCount < kMaxLockCount)
        ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL handle)
{
    BlockTable& table = Blocks();
    const std::shared_ptr<Block> block = Found(table.handles.Find(handle));
    if (!block)
        return FALSE;
    std::lock_guard<std::mutex> guard(table.lock);
    if (block->lockCount == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->lockCount > 0)
        return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

UINT GlobalFlags(HGLOBAL handle)
{
    BlockTable& table = Blocks();
    const std::shared_ptr<Block> block = Found(table.handles.Find(handle));
    if (!block)
        return GMEM_INVALID_HANDLE;
    std::lock_guard<std::mutex> guard(table.lock);
    return block->lockCount | block->flags;
}

SIZE_T GlobalSize(HGLOBAL handle)
{
    BlockTable& table = Blocks();
    const std::shared_ptr<Block> block = Found(table.handles.Find(handle));
    if (!block)
        return 0;
    std::lock_guard<std::mutex> guard(table.lock);
    return block->size;
}

HGLOBAL GlobalHandle(LPCVOID address)
{
    BlockTable& table = Blocks();
    std::lock_guard<std::mutex> guard(table.lock);
    const UINT_PTR value = reinterpret_cast<UINT_PTR>(address);
    if (const auto moveable = table.byData.find(value); moveable != table.byData.end())
        return moveable->second;
    if (address)
        if (const std::shared_ptr<Block> fixed = table.handles.Find(address); fixed && !fixed->moveable)
            return static_cast<HGLOBAL>(const_cast<void*>(address));
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// Local blocks are always fixed: nothing offers LocalLock to reach the data
// of a moveable one.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) { return GlobalAlloc(flags & LMEM_ZEROINIT, bytes); }

HLOCAL LocalFree(HLOCAL block) { return GlobalFree(block); }

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect)
{
    int prot = PROT_NONE;
    if (size == 0 || !(allocationType & (MEM_COMMIT | MEM_RESERVE)) ||
        (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) || !ProtectionFor(protect, &prot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (size > SIZE_MAX / 2) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const SIZE_T page = PageSize();
    RegionTable& table = Regions();
    std::lock_guard<std::mutex> guard(table.lock);
    UINT_PTR wanted = reinterpret_cast<UINT_PTR>(address);
    // Committing pages of a region reserved earlier.
    if (wanted && !(allocationType & MEM_RESERVE)) {
        UINT_PTR start = wanted / page * page;
        SIZE_T length = RoundUp(wanted + size, page) - start;
        if (RegionOf(table, start, length) == table.regions.end() ||
            mprotect(reinterpret_cast<void*>(start), length, prot) != 0) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return nullptr;
        }
        return reinterpret_cast<void*>(start);
    }
    UINT_PTR base = wanted / kAllocationGranularity * kAllocationGranularity;
    SIZE_T length = RoundUp(wanted - base + size, page);
    if (wanted && base == 0) { // below the lowest address a region may have
        SetLastError(ERROR_INVALID_ADDRESS);
        return nullptr;
    }
    // Reserved pages are not accessible until committed.
    void* region = MapRegion(base, length, (allocationType & MEM_COMMIT) ? prot : PROT_NONE);
    if (!region) {
        SetLastError(wanted ? ERROR_INVALID_ADDRESS : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    table.regions[reinterpret_cast<UINT_PTR>(region)] = length;
    return region;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType)
{
    if (!address || (freeType != MEM_RELEASE && freeType != MEM_DECOMMIT) || (freeType == MEM_RELEASE && size != 0) ||
        size > SIZE_MAX / 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RegionTable& table = Regions();
    std::lock_guard<std::mutex> guard(table.lock);
    UINT_PTR at = reinterpret_cast<UINT_PTR>(address);
    if (freeType == MEM_RELEASE) {
        auto it = table.regions.find(at);
        if (it == table.regions.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        munmap(address, it->second);
        table.regions.erase(it);
        return TRUE;
    }
    const SIZE_T page = PageSize();
    UINT_PTR start = at / page * page;
    auto it = RegionOf(table, start, 1);
    if (it == table.regions.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    // Size 0 at the base decommits the whole region.
    SIZE_T length = size ? RoundUp(at + size, page) - start : it->first + it->second - start;
    if (RegionOf(table, start, length) == table.regions.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    madvise(reinterpret_cast<void*>(start), length, MADV_DONTNEED);
    mprotect(reinterpret_cast<void*>(start), length, PROT_NONE);
    return TRUE;
}

void GetSystemInfo(LPSYSTEM_INFO info)
{
    if (!info)
        return;
    DWORD processors = std::thread::hardware_concurrency();
    if (processors == 0)
        processors = 1;
    *info = SYSTEM_INFO{};
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    info->dwPageSize = static_cast<DWORD>(PageSize());
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0x10000));
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0x7FFFFFFEFFFFull));
    info->dwActiveProcessorMask = processors >= 64 ? ~DWORD_PTR{0} : (DWORD_PTR{1} << processors) - 1;
    info->dwNumberOfProcessors = processors;
    info->dwProcessorType = 8664; // PROCESSOR_AMD_X8664
    info->dwAllocationGranularity = kAllocationGranularity;
    info->wProcessorLevel = 6;
    info->wProcessorRevision = 0;
}

void GlobalMemoryStatus(LPMEMORYSTATUS status)
{
    if (!status)
        return;
    std::string meminfo = ReadText("/proc/meminfo");
    SIZE_T total = KilobyteField(meminfo, "MemTotal");
    SIZE_T available = KilobyteField(meminfo, "MemAvailable");
    if (total == 0) {
        total = static_cast<SIZE_T>(sysconf(_SC_PHYS_PAGES)) * PageSize();
        available = static_cast<SIZE_T>(sysconf(_SC_AVPHYS_PAGES)) * PageSize();
    }
    if (available > total)
        available = total;
    // The user part of the 64-bit address space, less what the process maps.
    constexpr SIZE_T kTotalVirtual = 0x7FFFFFFEFFFFull - 0x10000 + 1;
    SIZE_T used = KilobyteField(ReadText("/proc/self/status"), "VmSize");
    status->dwLength = sizeof(MEMORYSTATUS);
    status->dwMemoryLoad = total ? static_cast<DWORD>((total - available) * 100 / total) : 0;
    status->dwTotalPhys = total;
    status->dwAvailPhys = available;
    status->dwTotalPageFile = total + KilobyteField(meminfo, "SwapTotal");
    status->dwAvailPageFile = available + KilobyteField(meminfo, "SwapFree");
    status->dwTotalVirtual = kTotalVirtual;
    status->dwAvailVirtual = used < kTotalVirtual ? kTotalVirtual - used : 0;
}
