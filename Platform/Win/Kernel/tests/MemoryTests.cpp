#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <unistd.h>

#include "Platform/Win/Kernel/Memory.h"

namespace {

bool AllBytesAre(const void* data, SIZE_T size, BYTE value)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return std::all_of(bytes, bytes + size, [value](BYTE b) { return b == value; });
}

// A moveable block of `size` bytes, each set to `fill`, left unlocked.
HGLOBAL MakeFilledMoveableBlock(SIZE_T size, BYTE fill)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    FillMemory(GlobalLock(block), size, fill);
    GlobalUnlock(block);
    return block;
}

TEST(MemoryGlobal, FixedBlockHandleIsItsZeroedAddress)
{
    HGLOBAL block = GlobalAlloc(GPTR, 24);
    ASSERT_NE(block, nullptr);
    void* data = GlobalLock(block);
    EXPECT_EQ(data, block);
    EXPECT_TRUE(AllBytesAre(data, 24, 0));
    EXPECT_EQ(GlobalSize(block), 24u);
    EXPECT_EQ(GlobalHandle(data), block);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryGlobal, MoveableBlockCountsLocks)
{
    HGLOBAL block = GlobalAlloc(GHND, 32);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    void* data = GlobalLock(block);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(data, block) << "the handle is a token, not the address";
    EXPECT_EQ(GlobalLock(block), data);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(data), block);

    EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
    SetLastError(ERROR_INVALID_DATA);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), NO_ERROR) << "unlocked by this call";
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryGlobal, ReAllocKeepsContentsAndZeroFillsTheNewTail)
{
    HGLOBAL block = MakeFilledMoveableBlock(4, 0xAB);
    ASSERT_EQ(GlobalReAlloc(block, 4096, GMEM_ZEROINIT), block) << "a moveable handle survives growth";
    EXPECT_EQ(GlobalSize(block), 4096u);
    const BYTE* data = static_cast<const BYTE*>(GlobalLock(block));
    EXPECT_TRUE(AllBytesAre(data, 4, 0xAB));
    EXPECT_TRUE(AllBytesAre(data + 4, 4092, 0));
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(MemoryGlobal, LockedMoveableBlockGrowsOnlyWhenAllowedToMove)
{
    HGLOBAL block = MakeFilledMoveableBlock(16, 0x5A);
    void* data = GlobalLock(block);
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    EXPECT_EQ(GlobalLock(block), data) << "the block did not move";
    EXPECT_TRUE(AllBytesAre(data, 16, 0x5A));
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, GMEM_MOVEABLE), block);
    EXPECT_TRUE(AllBytesAre(GlobalLock(block), 16, 0x5A));
    GlobalFree(block);
}

TEST(MemoryGlobal, FixedBlockMovesOnlyWhenAllowedAndGetsANewHandle)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 8);
    FillMemory(block, 8, 0x11);
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalReAlloc(block, 4, 0), block) << "shrinking stays in place";
    HGLOBAL moved = GlobalReAlloc(block, 1 << 20, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalLock(moved), moved);
    EXPECT_TRUE(AllBytesAre(moved, 4, 0x11));
    EXPECT_EQ(GlobalSize(moved), SIZE_T{1} << 20);
    GlobalFree(moved);
}

TEST(MemoryGlobal, BadHandlesFailWithoutTouchingMemory)
{
    HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 8);
    GlobalFree(freed);
    BYTE stackBytes[8] = {};
    const HGLOBAL cases[] = {freed, reinterpret_cast<HGLOBAL>(0x1234), stackBytes};
    for (HGLOBAL bad : cases) {
        SetLastError(0);
        EXPECT_EQ(GlobalLock(bad), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(GlobalUnlock(bad));
        EXPECT_EQ(GlobalFlags(bad), GMEM_INVALID_HANDLE);
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_EQ(GlobalReAlloc(bad, 64, GMEM_MOVEABLE), nullptr);
        EXPECT_EQ(GlobalHandle(bad), nullptr);
        EXPECT_EQ(GlobalFree(bad), bad) << "the handle comes back on failure";
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_TRUE(AllBytesAre(stackBytes, 8, 0));
}

TEST(MemoryGlobal, ImpossibleSizeFails)
{
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_MAX), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(MemoryLocal, LocalBlocksAreFixed)
{
    HLOCAL block = LocalAlloc(LPTR, 12);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllBytesAre(block, 12, 0));
    EXPECT_EQ(GlobalSize(block), 12u);
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalFree(block), block);
}

TEST(MemoryVirtual, RegionsAreGranuleAlignedAndReleasedWhole)
{
    auto* region = static_cast<BYTE*>(VirtualAlloc(nullptr, 100000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(region) % 65536, 0u);
    region[0] = 1;
    region[99999] = 2;
    EXPECT_TRUE(VirtualFree(region + 4096, 4096, MEM_DECOMMIT));
    EXPECT_FALSE(VirtualFree(region, 4096, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "release takes the whole region";
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(region, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
}

TEST(MemoryVirtual, ReservedPagesCanBeCommittedLater)
{
    auto* region = static_cast<BYTE*>(VirtualAlloc(nullptr, 1 << 20, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(region, nullptr);
    BYTE* page = static_cast<BYTE*>(VirtualAlloc(region + 70000, 10, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(page) % sysconf(_SC_PAGESIZE), 0u);
    region[70009] = 42;
    EXPECT_EQ(region[70009], 42);
    EXPECT_EQ(VirtualAlloc(region + (2 << 20), 10, MEM_COMMIT, PAGE_READWRITE), nullptr) << "outside the region";
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
}

TEST(MemorySystem, SystemInfoDescribesThisMachine)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(info.dwAllocationGranularity, 65536u);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
}

TEST(MemorySystem, MemoryStatusIsConsistent)
{
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
    EXPECT_GT(status.dwTotalPhys, 0u);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    EXPECT_GT(status.dwAvailVirtual, SIZE_T{1} << 40);
}

} // namespace
