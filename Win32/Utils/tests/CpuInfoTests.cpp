#include "Win32/Utils/CpuInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

CpuIdCache CacheOf(const char* vendor, int family, int model)
{
    CpuIdCache cache;
    cache.state = 1;
    std::memcpy(cache.vendor, vendor, 12);
    cache.signature = static_cast<DWORD>(family << 8 | model << 4);
    return cache;
}

// Answers queries from a made-up processor for the life of the object.
class FakeProcessor {
public:
    explicit FakeProcessor(const CpuIdCache& cache) : m_cache(cache) { SetCpuIdCacheForTesting(&m_cache); }
    ~FakeProcessor() { SetCpuIdCacheForTesting(nullptr); }
    FakeProcessor(const FakeProcessor&) = delete;
    FakeProcessor& operator=(const FakeProcessor&) = delete;

private:
    CpuIdCache m_cache;
};

} // namespace

TEST(CpuInfo, WithoutCpuidEveryQueryAnswersZero)
{
    CpuIdCache none;
    none.state = -1;
    none.features = 0xFFFFFFFF;
    FakeProcessor processor(none);
    for (int query = 0; query <= 60; ++query)
        EXPECT_EQ(QueryCpuInfo(query), 0) << query;
}

TEST(CpuInfo, VendorsAndModelsHaveTheirCodes)
{
    struct Case {
        const char* vendor;
        int family;
        int model;
        int vendorCode;
        int modelCode;
    };
    const Case cases[] = {
        {"AuthenticAMD", 4, 9, 1, 1},  {"AuthenticAMD", 5, 3, 1, 2},  {"AuthenticAMD", 5, 7, 1, 3},
        {"AuthenticAMD", 5, 8, 1, 4},  {"AuthenticAMD", 5, 12, 1, 5}, {"AuthenticAMD", 6, 2, 1, 6},
        {"GenuineIntel", 4, 1, 2, 7},  {"GenuineIntel", 4, 2, 2, 8},  {"GenuineIntel", 4, 3, 2, 9},
        {"GenuineIntel", 4, 4, 2, 10}, {"GenuineIntel", 4, 5, 2, 11}, {"GenuineIntel", 4, 6, 2, 0},
        {"GenuineIntel", 4, 7, 2, 12}, {"GenuineIntel", 4, 8, 2, 13}, {"GenuineIntel", 5, 2, 2, 14},
        {"GenuineIntel", 5, 4, 2, 15}, {"GenuineIntel", 6, 1, 2, 16}, {"GenuineIntel", 6, 3, 2, 17},
        {"GenuineIntel", 6, 5, 2, 17}, {"GenuineIntel", 6, 6, 2, 18}, {"GenuineIntel", 6, 7, 2, 19},
        {"GenuineIntel", 6, 8, 2, 0},  {"GenuineIntel", 15, 2, 2, 0}, {"CyrixInstead", 5, 2, 3, 0},
        {"CentaurHauls", 6, 6, 4, 0},  {"SomeoneElse!", 6, 6, 0, 0},
    };
    for (const Case& c : cases) {
        FakeProcessor processor(CacheOf(c.vendor, c.family, c.model));
        EXPECT_EQ(QueryCpuInfo(0), c.vendorCode) << c.vendor;
        EXPECT_EQ(QueryCpuInfo(1), c.modelCode) << c.vendor << " " << c.family << "/" << c.model;
        EXPECT_EQ(QueryCpuInfo(4), 1);
    }
}

TEST(CpuInfo, FeatureQueriesReadTheirBits)
{
    struct Case {
        int query;
        DWORD features;
        DWORD extended;
    };
    const Case cases[] = {
        {5, 1u << 0, 0},   {14, 1u << 9, 0},   {15, 1u << 11, 0}, {21, 1u << 17, 0}, {22, 1u << 25, 0},
        {22, 0, 1u << 22}, {23, 1u << 23, 0},  {24, 1u << 24, 0}, {25, 0, 1u << 30}, {26, 0, 1u << 31},
        {27, 0, 1u << 22}, {28, 1u << 25, 0},  {30, 1u << 26, 0},
    };
    for (const Case& c : cases) {
        CpuIdCache cache = CacheOf("GenuineIntel", 6, 6);
        FakeProcessor without(cache);
        EXPECT_EQ(QueryCpuInfo(c.query), 0) << c.query;
        cache.features = c.features;
        cache.extendedFeatures = c.extended;
        FakeProcessor with(cache);
        EXPECT_EQ(QueryCpuInfo(c.query), 1) << c.query;
    }
    CpuIdCache reserved = CacheOf("GenuineIntel", 6, 6);
    reserved.features = 1u << 10;
    FakeProcessor processor(reserved);
    for (int query = 5; query <= 21; ++query)
        EXPECT_EQ(QueryCpuInfo(query), 0) << "bit 10 belongs to no query, asked " << query;
}

TEST(CpuInfo, AmdCacheQueriesSplitTheExtendedLeaves)
{
    CpuIdCache amd = CacheOf("AuthenticAMD", 6, 4);
    amd.extended5[0] = 0x11223344;
    amd.extended5[1] = 0x55667788;
    amd.extended5[2] = 0x99AABBCC;
    amd.extended5[3] = 0xDDEEFF01;
    amd.extended6[0] = 0x12345678;
    amd.extended6[1] = 0x9ABCDEF0;
    amd.extended6[2] = 0x0200F140;
    struct Case {
        int query;
        DWORD expected;
    };
    const Case cases[] = {
        {31, 0x55}, {34, 0x88},   {35, 0x11}, {38, 0x44},  {39, 0x99}, {42, 0xCC},  {43, 0xDD},
        {46, 0x01}, {47, 0x0200}, {48, 0xF},  {49, 0x1},   {50, 0x40}, {51, 0x1},   {52, 0x234},
        {53, 0x5},  {54, 0x678},  {55, 0x9},  {56, 0xABC}, {57, 0xD},  {58, 0xEF0}, {59, 0},
    };
    {
        FakeProcessor processor(amd);
        for (const Case& c : cases)
            EXPECT_EQ(QueryCpuInfo(c.query), static_cast<INT_PTR>(c.expected)) << c.query;
    }
    // Queries 35-38 and 51-58 need model code 6; the rest need AMD at all.
    CpuIdCache olderAmd = amd;
    olderAmd.signature = 5 << 8 | 8 << 4;
    {
        FakeProcessor processor(olderAmd);
        EXPECT_EQ(QueryCpuInfo(31), 0x55);
        EXPECT_EQ(QueryCpuInfo(35), 0);
        EXPECT_EQ(QueryCpuInfo(47), 0x0200);
        EXPECT_EQ(QueryCpuInfo(51), 0);
    }
    CpuIdCache intel = amd;
    std::memcpy(intel.vendor, "GenuineIntel", 12);
    FakeProcessor processor(intel);
    for (const Case& c : cases)
        EXPECT_EQ(QueryCpuInfo(c.query), 0) << c.query;
}

TEST(CpuInfo, StringQueriesAnswerAddresses)
{
    CpuIdCache cache = CacheOf("GenuineIntel", 6, 6);
    std::strcpy(cache.brand, "Test Processor");
    FakeProcessor processor(cache);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(QueryCpuInfo(2))), "GenuineIntel");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(QueryCpuInfo(3))), "Test Processor");
}

TEST(CpuInfo, ThisProcessorIsRead)
{
#if defined(__x86_64__)
    EXPECT_EQ(ReadCpuId(), 1);
    EXPECT_NE(QueryCpuInfo(30), 0) << "every x86-64 processor has SSE2";
    EXPECT_EQ(QueryCpuInfo(29), QueryCpuInfo(28));
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(QueryCpuInfo(2))), 12u);
    EXPECT_EQ(TestSseSupport(), 1);
#else
    if (ReadCpuId() == -1)
        EXPECT_EQ(QueryCpuInfo(0), 0);
#endif
}
