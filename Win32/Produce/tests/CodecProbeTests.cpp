#include "Win32/Produce/CodecProbe.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "Platform/Vfw/CompressorTable.h"

namespace {

using vfw::SizeRule;

constexpr FOURCC kDvsd = mmioFOURCC('d', 'v', 's', 'd');
constexpr FOURCC kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr FOURCC kMsvc = mmioFOURCC('M', 'S', 'V', 'C');
constexpr FOURCC kPal8 = mmioFOURCC('P', 'A', 'L', '8');
constexpr FOURCC kEcho = mmioFOURCC('D', 'V', 'S', 'D');
constexpr FOURCC kNone = mmioFOURCC('I', 'V', '5', '0');

// A registry of its own: the system's DV, Motion-JPEG and Video 1 rows, a
// compressor that takes only 8-bit frames, and a DV compressor that
// echoes any size it is asked for.
constexpr vfw::CompressorRow kRows[] = {
    {kDvsd, u"DV", u"DV Video Encoder", "dvvideo", 0, vfw::kDepth24, 24, SizeRule::DvOnly, 1, 10000},
    {kMjpg, u"MJPEG", u"Motion JPEG", "mjpeg", VIDCF_QUALITY, vfw::kDepth16 | vfw::kDepth24, 24, SizeRule::Even, 1,
     8500},
    {kMsvc, u"MS-CRAM", u"Microsoft Video 1", "msvideo1", VIDCF_QUALITY | VIDCF_TEMPORAL, vfw::kDepth16, 16,
     SizeRule::Multiple4, 15, 7500},
    {kPal8, u"PAL8", u"Palette only", "rawvideo", 0, vfw::kDepth8, 8, SizeRule::Any, 1, 10000},
    {kEcho, u"DV", u"Echoing DV", "dvvideo", 0, vfw::kDepth24, 24, SizeRule::Any, 1, 10000},
};

class CodecProbeTest : public testing::Test {
protected:
    void SetUp() override { vfw::OverrideCompressors(kRows); }
    void TearDown() override { vfw::RestoreCompressors(); }

    static BITMAPINFOHEADER Header()
    {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = 320;
        header.biHeight = 240;
        header.biPlanes = 1;
        header.biBitCount = 24;
        return header;
    }
};

// The first of 24, 16 and 8 bits that the compressor takes and keeps, as a
// writer negotiates its depth; 0 when none.
int NegotiatedDepth(const CCodecProbe& probe)
{
    const BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 320, 240, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    for (int bits : {24, 16, 8})
        if (probe.SupportsDepth(bits / 8, &header))
            return bits;
    return 0;
}

TEST_F(CodecProbeTest, DepthNegotiationFallsFrom24To16To8)
{
    const std::pair<FOURCC, int> cases[] = {{kMjpg, 24}, {kMsvc, 16}, {kPal8, 8}, {kNone, 0}};
    for (const auto& [fcc, depth] : cases) {
        CCodecProbe probe(fcc);
        EXPECT_EQ(NegotiatedDepth(probe), depth) << std::string(reinterpret_cast<const char*>(&fcc), 4);
    }
}

TEST_F(CodecProbeTest, ReportsTheCompressorsAbilities)
{
    CCodecProbe probe(kMsvc);
    EXPECT_EQ(probe.m_bFound, 1);
    EXPECT_NE(probe.m_hic, nullptr);
    EXPECT_EQ(std::string(probe.GetDescription()), "Microsoft Video 1");
    EXPECT_TRUE(probe.m_bTemporal);
    EXPECT_TRUE(probe.m_bQuality);
    EXPECT_FALSE(probe.m_bConfigurable);
    EXPECT_EQ(probe.m_nDefaultKeyFrameRate, 15);
    EXPECT_EQ(probe.m_nDefaultQuality, 7500);
    EXPECT_EQ(probe.m_cbState, 0);
    EXPECT_EQ(probe.m_pState, nullptr);
}

TEST_F(CodecProbeTest, DvTakesOnlyDvSizes)
{
    for (FOURCC fcc : {kDvsd, kEcho}) {
        CCodecProbe probe(fcc);
        BITMAPINFOHEADER header = Header();
        EXPECT_FALSE(probe.SupportsFrameSize(&header, 640, 480));
        EXPECT_EQ(header.biWidth, 320);
        EXPECT_TRUE(probe.SupportsFrameSize(&header, 720, 576));
        EXPECT_EQ(header.biWidth, 720);
        EXPECT_EQ(header.biHeight, 576);
    }
}

TEST_F(CodecProbeTest, SizesTheCompressorRefusesAreRefused)
{
    CCodecProbe probe(kMsvc);
    BITMAPINFOHEADER header = Header();
    // Video 1 takes multiples of 4 only; the format query fails for 322.
    EXPECT_FALSE(probe.SupportsFrameSize(&header, 322, 240));
    EXPECT_EQ(header.biWidth, 320);
    EXPECT_TRUE(probe.SupportsFrameSize(&header, 640, 480));
    EXPECT_EQ(header.biWidth, 640);
}

TEST_F(CodecProbeTest, UninstalledCompressorAnswersFalse)
{
    CCodecProbe probe(kNone);
    EXPECT_EQ(probe.m_bFound, 0);
    EXPECT_EQ(probe.m_hic, nullptr);
    BITMAPINFOHEADER header = Header();
    EXPECT_FALSE(probe.SupportsDepth(3, &header));
    EXPECT_FALSE(probe.SupportsFrameSize(&header, 320, 240));
    EXPECT_TRUE(probe.GetDescription().IsEmpty());
}

TEST(CodecProbe, DvFourCCs)
{
    EXPECT_TRUE(CCodecProbe::IsDVFourCC(kDvsd));
    EXPECT_TRUE(CCodecProbe::IsDVFourCC(kEcho));
    EXPECT_FALSE(CCodecProbe::IsDVFourCC(mmioFOURCC('d', 'v', 'h', 'd')));
}

} // namespace
