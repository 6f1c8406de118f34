#include <cstring>
#include <numeric>

#include "Filters/Common/SampleCopy.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "Platform/Win/Kernel/Modules.h"

namespace {

using namespace plugin_test;

class Buffers : public testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(Buffers, AreCopiedByteForByte)
{
    auto [length, misalignment, mmx] = GetParam();
    std::vector<BYTE> source(static_cast<size_t>(length));
    std::iota(source.begin(), source.end(), BYTE{3});
    std::vector<BYTE> target(static_cast<size_t>(length + 16), 0xEE);
    BYTE* at = target.data() + misalignment;
    if (mmx)
        sample_copy::CopyBufferMmx(at, source.data(), length);
    else
        sample_copy::CopyBuffer(at, source.data(), length);
    EXPECT_EQ(std::memcmp(at, source.data(), source.size()), 0);
    EXPECT_EQ(at[length], 0xEE) << "nothing past the end";
}

INSTANTIATE_TEST_SUITE_P(Lengths, Buffers,
                         testing::Combine(testing::Values(31, 63, 1000), testing::Values(0, 7), testing::Bool()));

TEST(SampleCopy, CopiesFieldByFieldWithoutSample2)
{
    FakeSample source(64), target(64);
    REFERENCE_TIME start = 10, stop = 20;
    source.SetTime(&start, &stop);
    LONGLONG mediaStart = 3, mediaStop = 4;
    source.SetMediaTime(&mediaStart, &mediaStop);
    source.m_sync = TRUE;
    source.m_preroll = TRUE;
    source.m_discontinuity = TRUE;
    CMediaType type = PcmType(8000, 8, 1);
    source.SetMediaType(&type);
    source.SetActualDataLength(50);
    std::fill(source.m_buffer.begin(), source.m_buffer.end(), BYTE{9});

    ASSERT_EQ(sample_copy::CopySample(&source, &target, false), S_OK);
    EXPECT_EQ(target.m_start, 10);
    EXPECT_EQ(target.m_stop, 20);
    EXPECT_EQ(target.m_mediaStart, 3);
    EXPECT_TRUE(target.m_sync && target.m_preroll && target.m_discontinuity);
    ASSERT_NE(target.m_type, nullptr);
    EXPECT_EQ(target.m_type->majortype, MEDIATYPE_Audio);
    EXPECT_EQ(target.m_actual, 50);
    EXPECT_EQ(target.m_buffer[49], 9);
    EXPECT_EQ(target.m_buffer[50], 0);
}

TEST(SampleCopy, AnUnsetTimeStaysUnset)
{
    FakeSample source(8), target(8);
    ASSERT_EQ(sample_copy::CopySample(&source, &target, true), S_OK);
    EXPECT_FALSE(target.m_timeSet);
    EXPECT_FALSE(target.m_mediaTimeSet);
}

TEST(SampleCopy, RefusesAMissingBufferOrASmallDestination)
{
    FakeSample source(64), target(64), small(16);
    source.SetActualDataLength(32);
    source.m_pointerFails = true;
    EXPECT_TRUE(FAILED(sample_copy::CopySample(&source, &target, false)));
    EXPECT_EQ(target.m_actual, 0) << "nothing copied";
    source.m_pointerFails = false;
    target.m_pointerFails = true;
    EXPECT_TRUE(FAILED(sample_copy::CopySample(&source, &target, false)));
    EXPECT_EQ(sample_copy::CopySample(&source, &small, false), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(small.m_actual, 0);
    EXPECT_EQ(sample_copy::CopySample(nullptr, &small, false), E_POINTER);
}

// A stand-in for the CPU information library.
class CpuInfo final : public win::ModuleImage {
public:
    static DWORD Features() { return 0x800000; }
    FARPROC GetProc(const char* name) override
    {
        return std::string(name) == "wincpufeatures" ? reinterpret_cast<FARPROC>(&Features) : nullptr;
    }
    std::string Path() const override { return "CPUINF32.DLL"; }
};

TEST(SampleCopy, AMissingCpuLibraryMeansNoMmxAndIsAskedAgain)
{
    const sample_copy::Variant variant{32, false};
    EXPECT_FALSE(sample_copy::IsMmxPresent(variant));
    win::RegisterModuleFactory("CPUINF32.DLL", [] { return std::make_unique<CpuInfo>(); });
    EXPECT_TRUE(sample_copy::IsMmxPresent(variant));
    EXPECT_TRUE(sample_copy::IsMmxPresent(variant));
}

} // namespace
