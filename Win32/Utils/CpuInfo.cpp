#include "Win32/Utils/CpuInfo.h"

#include <cstring>
#include <iterator>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define KESTRELON_HAVE_CPUID 1
#endif

namespace {

constexpr DWORD kExtended = 0x80000000u;

constexpr int kVendorAmd = 1;
constexpr int kVendorIntel = 2;

struct VendorName {
    const char* name;
    int code;
};

constexpr VendorName kVendors[] = {
    {"AuthenticAMD", 1},
    {"GenuineIntel", 2},
    {"CyrixInstead", 3},
    {"CentaurHauls", 4},
};

struct ModelRow {
    int vendor;
    int family;
    int firstModel;
    int lastModel;
    int code;
};

constexpr ModelRow kModels[] = {
    {kVendorAmd, 4, 0, 15, 1},
    {kVendorAmd, 5, 0, 3, 2},
    {kVendorAmd, 5, 4, 7, 3},
    {kVendorAmd, 5, 8, 8, 4},
    {kVendorAmd, 5, 9, 15, 5},
    {kVendorAmd, 6, 0, 15, 6},
    {kVendorIntel, 4, 0, 1, 7},
    {kVendorIntel, 4, 2, 2, 8},
    {kVendorIntel, 4, 3, 3, 9},
    {kVendorIntel, 4, 4, 4, 10},
    {kVendorIntel, 4, 5, 5, 11},
    {kVendorIntel, 4, 7, 7, 12},
    {kVendorIntel, 4, 8, 8, 13},
    {kVendorIntel, 5, 1, 3, 14},
    {kVendorIntel, 5, 4, 4, 15},
    {kVendorIntel, 6, 1, 1, 16},
    {kVendorIntel, 6, 3, 3, 17},
    {kVendorIntel, 6, 5, 5, 17},
    {kVendorIntel, 6, 6, 6, 18},
    {kVendorIntel, 6, 7, 7, 19},
};

// Leaf 1 EDX bit of queries 5 to 21: bits 0 to 9, then 11 to 17.
constexpr int kFirstFeatureQuery = 5;
constexpr int kFeatureBits[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17};

CpuIdCache g_cache;
const CpuIdCache* g_testCache = nullptr;

#ifdef KESTRELON_HAVE_CPUID
void Leaf(DWORD leaf, DWORD (&regs)[4])
{
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    __cpuid(leaf, a, b, c, d);
    regs[0] = a;
    regs[1] = b;
    regs[2] = c;
    regs[3] = d;
}
#endif

const CpuIdCache& Cache()
{
    if (g_testCache != nullptr)
        return *g_testCache;
    if (g_cache.state == 0)
        ReadCpuId();
    return g_cache;
}

DWORD Bit(DWORD value, int bit)
{
    return (value >> bit) & 1u;
}

DWORD Bits(DWORD value, int low, int high)
{
    const int width = high - low + 1;
    return width >= 32 ? value : (value >> low) & ((1u << width) - 1u);
}

DWORD ByteOf(DWORD value, int index)
{
    return (value >> (8 * index)) & 0xFFu;
}

int VendorCode(const CpuIdCache& cache)
{
    for (const VendorName& v : kVendors) {
        if (std::memcmp(cache.vendor, v.name, 12) == 0)
            return v.code;
    }
    return 0;
}

int ModelCode(const CpuIdCache& cache, int vendor)
{
    const int family = static_cast<int>(Bits(cache.signature, 8, 11));
    const int model = static_cast<int>(Bits(cache.signature, 4, 7));
    for (const ModelRow& row : kModels) {
        if (row.vendor == vendor && row.family == family && model >= row.firstModel && model <= row.lastModel)
            return row.code;
    }
    return 0;
}

// Queries 47 to 58 split a register into four bit ranges.
struct Split {
    int low;
    int high;
};
constexpr Split kCacheSplit[] = {{16, 31}, {12, 15}, {8, 11}, {0, 7}};
constexpr Split kTlbSplit[] = {{28, 31}, {16, 27}, {12, 15}, {0, 11}};

} // namespace

int ReadCpuId()
{
    CpuIdCache cache;
#ifdef KESTRELON_HAVE_CPUID
#if defined(__x86_64__)
    const bool present = true;
#else
    const bool present = __get_cpuid_max(0, nullptr) != 0;
#endif
    if (present) {
        DWORD regs[4];
        Leaf(0, regs);
        std::memcpy(cache.vendor, &regs[1], 4);
        std::memcpy(cache.vendor + 4, &regs[3], 4);
        std::memcpy(cache.vendor + 8, &regs[2], 4);
        cache.state = 1;
        if (regs[0] != 0) {
            Leaf(1, regs);
            cache.signature = regs[0];
            cache.features = regs[3];
            Leaf(kExtended, regs);
            const DWORD highest = regs[0];
            if (highest >= kExtended + 1) {
                if (highest >= kExtended + 4) {
                    if (highest >= kExtended + 5) {
                        if (highest >= kExtended + 6)
                            Leaf(kExtended + 6, cache.extended6);
                        Leaf(kExtended + 5, cache.extended5);
                    }
                    for (DWORD i = 0; i < 3; ++i) {
                        Leaf(kExtended + 2 + i, regs);
                        std::memcpy(cache.brand + 16 * i, regs, 16);
                    }
                }
                Leaf(kExtended + 1, regs);
                cache.extendedFeatures = regs[3];
            }
        }
    } else {
        cache.state = -1;
    }
#else
    cache.state = -1;
#endif
    g_cache = cache;
    return cache.state;
}

int TestSseSupport()
{
#if defined(__SSE__) || defined(__x86_64__)
    return 1;
#else
    return 0;
#endif
}

INT_PTR QueryCpuInfo(int query)
{
    const CpuIdCache& cache = Cache();
    if (cache.state != 1)
        return 0;
    const int vendor = VendorCode(cache);
    const bool amd = vendor == kVendorAmd;
    const bool amdModel6 = amd && ModelCode(cache, vendor) == 6;
    const DWORD edx = cache.features;
    const DWORD extEdx = cache.extendedFeatures;
    if (query >= kFirstFeatureQuery && query < kFirstFeatureQuery + static_cast<int>(std::size(kFeatureBits)))
        return Bit(edx, kFeatureBits[query - kFirstFeatureQuery]);
    switch (query) {
    case 0:
        return vendor;
    case 1:
        return ModelCode(cache, vendor);
    case 2:
        return reinterpret_cast<INT_PTR>(cache.vendor);
    case 3:
        return reinterpret_cast<INT_PTR>(cache.brand);
    case 4:
        return 1;
    case 22:
        return Bit(edx, 25) | Bit(extEdx, 22);
    case 23:
        return Bit(edx, 23);
    case 24:
        return Bit(edx, 24);
    case 25:
        return Bit(extEdx, 30);
    case 26:
        return Bit(extEdx, 31);
    case 27:
        return Bit(extEdx, 22);
    case 28:
        return Bit(edx, 25);
    case 29:
        return Bit(edx, 25) != 0 && TestSseSupport() != 0 ? 1 : 0;
    case 30:
        return Bit(edx, 26);
    default:
        break;
    }
    if (query >= 31 && query <= 34)
        return amd ? ByteOf(cache.extended5[1], 3 - (query - 31)) : 0;
    if (query >= 35 && query <= 38)
        return amdModel6 ? ByteOf(cache.extended5[0], 3 - (query - 35)) : 0;
    if (query >= 39 && query <= 42)
        return amd ? ByteOf(cache.extended5[2], 3 - (query - 39)) : 0;
    if (query >= 43 && query <= 46)
        return amd ? ByteOf(cache.extended5[3], 3 - (query - 43)) : 0;
    if (query >= 47 && query <= 50) {
        const Split s = kCacheSplit[query - 47];
        return amd ? Bits(cache.extended6[2], s.low, s.high) : 0;
    }
    if (query >= 51 && query <= 54) {
        const Split s = kTlbSplit[query - 51];
        return amdModel6 ? Bits(cache.extended6[0], s.low, s.high) : 0;
    }
    if (query >= 55 && query <= 58) {
        const Split s = kTlbSplit[query - 55];
        return amdModel6 ? Bits(cache.extended6[1], s.low, s.high) : 0;
    }
    return 0;
}

void SetCpuIdCacheForTesting(const CpuIdCache* cache)
{
    g_testCache = cache;
    if (cache == nullptr)
        g_cache.state = 0;
}
