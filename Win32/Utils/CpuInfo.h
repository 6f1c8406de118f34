#pragma once
// The processor's CPUID data, read once into a cache and answered through
// numbered queries; the colour adjustment picks its code path from them.
//
// On x86 the cache is read with <cpuid.h>; other processors have no CPUID
// and answer 0 to every query. The SSE probe is "compiled with SSE" (always
// so on x86-64) instead of executing an instruction under an exception
// handler.

#include "Platform/Win/Base/WinTypes.h"

struct CpuIdCache {
    // 0 not read, -1 no CPUID instruction, 1 read.
    INT state = 0;
    char vendor[13] = {};
    char brand[49] = {};
    DWORD signature = 0;
    DWORD features = 0;
    DWORD extendedFeatures = 0;
    // EAX, EBX, ECX, EDX of extended leaves 5 and 6.
    DWORD extended5[4] = {};
    DWORD extended6[4] = {};
};

// The answer to `query` (0..58, see the table in CpuInfo.cpp); 0 without
// CPUID or for a query that is not answered. Queries 2 and 3 answer the
// address of the vendor and brand strings, hence the pointer-sized result.
INT_PTR QueryCpuInfo(int query);
// Fills the cache; -1 without CPUID, else 1.
int ReadCpuId();
// 1 when SSE instructions run on this build and processor, else 0.
int TestSseSupport();

// Test hook: answers queries from `cache` instead of the processor; null
// goes back to reading the processor on the next query.
void SetCpuIdCacheForTesting(const CpuIdCache* cache);
