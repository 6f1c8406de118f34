#include "Win32/Sb/Media/WaveBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_tests::Microseconds;
using media_tests::PcmFormat;

bool AllBytesAre(const CWaveBuffer& buffer, BYTE value)
{
    for (DWORD i = 0; i < buffer.m_nLength; ++i) {
        if (buffer.m_pData[i] != value)
            return false;
    }
    return true;
}

// A buffer holding `samples` in `format`.
CWaveBuffer BufferOf(const WAVEFORMATEX& format, const std::vector<BYTE>& samples)
{
    return CWaveBuffer(&format, samples.data(), static_cast<DWORD>(samples.size()));
}

std::vector<BYTE> Samples16(std::initializer_list<INT16> values)
{
    std::vector<BYTE> bytes;
    for (INT16 v : values) {
        bytes.push_back(static_cast<BYTE>(v));
        bytes.push_back(static_cast<BYTE>(static_cast<WORD>(v) >> 8));
    }
    return bytes;
}

INT16 Sample16At(const CWaveBuffer& buffer, int index)
{
    return static_cast<INT16>(buffer.m_pData[2 * index] | buffer.m_pData[2 * index + 1] << 8);
}

TEST(WaveBuffer, SpanConstructorSizesSilenceLikeTheFrameBlocks)
{
    struct Case {
        WORD channels;
        DWORD rate;
        WORD bits;
        double microseconds;
        DWORD bytes;
    } const cases[] = {
        {1, 11025, 8, 40000, 442},    // 441, made even
        {2, 44100, 16, 990, 176},     // 175 (174.6 rounded), raised to a whole frame
        {1, 11025, 8, 66667, 736},    // 735 made even: one sample more than the frame
        {1, 22050, 8, 66667, 1470},   // already even
        {2, 44100, 16, 40000, 7056},  // one PAL frame
        {2, 48000, 16, 33367, 6408},  // 6406.46 rounds to 6406, raised to 6408
        {1, 11025, 8, 0, 0},          // an empty block is valid
    };
    for (const Case& c : cases) {
        const WAVEFORMATEX format = PcmFormat(c.channels, c.rate, c.bits);
        CWaveBuffer buffer(Microseconds(c.microseconds), &format);
        EXPECT_EQ(buffer.m_bValid, 1) << c.microseconds;
        EXPECT_EQ(buffer.m_nLength, c.bytes) << c.rate << " Hz, " << c.microseconds << " us";
        EXPECT_EQ(buffer.m_nCapacity, c.bytes);
        EXPECT_EQ(buffer.m_nBlockSize, c.bytes + 18);
        EXPECT_EQ(buffer.m_pData, buffer.m_pBlock + 18);
        EXPECT_TRUE(AllBytesAre(buffer, c.bits == 16 ? 0x00 : 0x80));
    }
}

TEST(WaveBuffer, DurationConstructorDoesNotRoundToEven)
{
    CWaveBuffer milliseconds(1, 11025, 8, 40, FALSE);
    EXPECT_EQ(milliseconds.m_nLength, 441u);
    CWaveBuffer microseconds(1, 11025, 8, 40000, TRUE);
    EXPECT_EQ(microseconds.m_nLength, 441u);
    CWaveBuffer stereo(2, 44100, 16, 990, TRUE);
    EXPECT_EQ(stereo.m_nLength, 176u);
    const WAVEFORMATEX* header = stereo.GetFormat();
    EXPECT_EQ(header->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(header->nChannels, 2);
    EXPECT_EQ(DWORD{header->nSamplesPerSec}, 44100u);
    EXPECT_EQ(header->nBlockAlign, 4);
    EXPECT_EQ(DWORD{header->nAvgBytesPerSec}, 176400u);
    EXPECT_EQ(header->wBitsPerSample, 16);
    EXPECT_EQ(header->cbSize, 0);
}

TEST(WaveBuffer, HeaderCopiesTheFormatAndZeroesCbSize)
{
    WAVEFORMATEX format = PcmFormat(1, 22050, 8);
    format.cbSize = 0x5A5A;
    const BYTE samples[] = {1, 2, 3};
    CWaveBuffer buffer(&format, samples, 3);
    EXPECT_EQ(std::memcmp(buffer.m_pBlock, &format, 16), 0);
    EXPECT_EQ(buffer.GetFormat()->cbSize, 0);
    EXPECT_EQ(std::memcmp(buffer.m_pData, samples, 3), 0);
}

TEST(WaveBuffer, ScaleLevelWorksAboutTheSilenceLevel)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    struct Case {
        INT position;
        INT fadeIn;
        INT total;
        std::vector<BYTE> before;
        std::vector<BYTE> after;
    } const cases[] = {
        {0, 1, 1024, {0, 100, 128, 255}, {128, 128, 128, 128}},
        {0, 0, 1024, {0, 100, 128, 255}, {0, 100, 128, 255}},
        {512, 1, 1024, {0, 100, 128, 255}, {64, 114, 128, 191}},
        {1024, 1, 1024, {0, 100, 128, 255}, {0, 100, 128, 255}},
        {2048, 1, 1024, {28, 228}, {184, 72}}, // doubled, kept modulo 256
    };
    for (const Case& c : cases) {
        CWaveBuffer buffer = BufferOf(eight, c.before);
        EXPECT_EQ(buffer.ScaleLevel(c.position, c.fadeIn, c.total), 1);
        EXPECT_EQ(std::vector<BYTE>(buffer.m_pData, buffer.m_pData + buffer.m_nLength), c.after) << c.position;
    }
    const WAVEFORMATEX sixteen = PcmFormat(1, 11025, 16);
    CWaveBuffer buffer = BufferOf(sixteen, Samples16({1000, -1000, 32767, -3}));
    buffer.ScaleLevel(1, 1, 2);
    EXPECT_EQ(Sample16At(buffer, 0), 500);
    EXPECT_EQ(Sample16At(buffer, 1), -500);
    EXPECT_EQ(Sample16At(buffer, 2), 16383);
    EXPECT_EQ(Sample16At(buffer, 3), -1) << "truncated toward zero";
}

TEST(WaveBuffer, ScaleLevelCoversTheCapacityNotTheLength)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    CWaveBuffer buffer = BufferOf(eight, {0, 0, 0, 0});
    buffer.m_nLength = 2;
    buffer.ScaleLevel(0, 1, 1024);
    EXPECT_EQ(buffer.m_pData[3], 128);
}

TEST(WaveBuffer, MixWeighsTheTwoBuffers)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    struct Case {
        INT weightThis;
        INT weightOther;
        BYTE expected;
    } const cases[] = {{512, 512, 150}, {0, 0, 0}, {1024, 0, 200}, {256, 768, 125}};
    for (const Case& c : cases) {
        CWaveBuffer mine = BufferOf(eight, {200});
        CWaveBuffer other = BufferOf(eight, {100});
        INT ok = -1;
        mine.Mix(&other, c.weightThis, c.weightOther, &eight, &ok);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(mine.m_pData[0], c.expected) << c.weightThis << "/" << c.weightOther;
        EXPECT_EQ(other.m_pData[0], 100) << "the other buffer is not changed";
    }
    const WAVEFORMATEX sixteen = PcmFormat(1, 11025, 16);
    CWaveBuffer mine = BufferOf(sixteen, Samples16({-1000, 300}));
    CWaveBuffer other = BufferOf(sixteen, Samples16({3000, -301}));
    INT ok = 0;
    mine.Mix(&other, 512, 512, &sixteen, &ok);
    EXPECT_EQ(Sample16At(mine, 0), 1000);
    EXPECT_EQ(Sample16At(mine, 1), 0);
}

TEST(WaveBuffer, MixOfDifferentFormatsChangesNothing)
{
    const WAVEFORMATEX mono = PcmFormat(1, 11025, 8);
    const WAVEFORMATEX stereo = PcmFormat(2, 11025, 8);
    CWaveBuffer mine = BufferOf(mono, {200, 200});
    CWaveBuffer other = BufferOf(stereo, {100, 100});
    INT ok = -1;
    mine.Mix(&other, 512, 512, &mono, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(mine.m_pData[0], 200);
    EXPECT_EQ(other.m_pData[0], 100);
}

TEST(WaveBuffer, MixStopsAtTheShorterLength)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    CWaveBuffer mine = BufferOf(eight, {200, 200, 200});
    CWaveBuffer other = BufferOf(eight, {100});
    INT ok = 0;
    mine.Mix(&other, 512, 512, &eight, &ok);
    EXPECT_EQ(mine.m_pData[0], 150);
    EXPECT_EQ(mine.m_pData[1], 200);
}

TEST(WaveBuffer, MixAverageTakesThePlainMean)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    CWaveBuffer mine = BufferOf(eight, {30, 0});
    CWaveBuffer a = BufferOf(eight, {60, 255});
    CWaveBuffer b = BufferOf(eight, {90, 255});
    CWaveBuffer* others[] = {&a, &b};
    INT ok = 0;
    mine.MixAverage(others, 2, &eight, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(mine.m_pData[0], 60);
    EXPECT_EQ(mine.m_pData[1], 170);

    const WAVEFORMATEX sixteen = PcmFormat(1, 11025, 16);
    CWaveBuffer loud = BufferOf(sixteen, Samples16({-7}));
    CWaveBuffer quiet = BufferOf(sixteen, Samples16({0}));
    CWaveBuffer* one[] = {&quiet};
    loud.MixAverage(one, 1, &sixteen, &ok);
    EXPECT_EQ(Sample16At(loud, 0), -3) << "truncated toward zero";
}

TEST(WaveBuffer, MixAverageRefusesMismatches)
{
    const WAVEFORMATEX eight = PcmFormat(1, 11025, 8);
    const WAVEFORMATEX other = PcmFormat(1, 22050, 8);
    CWaveBuffer mine = BufferOf(eight, {30, 30});
    CWaveBuffer shorter = BufferOf(eight, {90});
    CWaveBuffer foreign = BufferOf(other, {90, 90});
    CWaveBuffer* shorterList[] = {&shorter};
    CWaveBuffer* foreignList[] = {&foreign};
    INT ok = -1;
    mine.MixAverage(shorterList, 1, &eight, &ok);
    EXPECT_EQ(ok, 0) << "another frame count";
    mine.MixAverage(foreignList, 1, &eight, &ok);
    EXPECT_EQ(ok, 0) << "another format";
    mine.MixAverage(shorterList, 0, &eight, &ok);
    EXPECT_EQ(ok, 0) << "no others";
    EXPECT_EQ(mine.m_pData[0], 30);
}

TEST(WaveBuffer, MergeWaveFormatsTakesTheLargerAndBucketsTheRate)
{
    struct Case {
        WAVEFORMATEX a;
        WAVEFORMATEX b;
        WORD channels;
        DWORD rate;
        WORD bits;
    } const cases[] = {
        {PcmFormat(1, 22050, 8), PcmFormat(2, 32000, 16), 2, 44100, 16},
        {PcmFormat(1, 8000, 8), PcmFormat(1, 11025, 8), 1, 11025, 8},
        {PcmFormat(1, 8000, 8), PcmFormat(1, 8000, 8), 1, 11025, 8},
        {PcmFormat(1, 16000, 16), PcmFormat(1, 11025, 8), 1, 22050, 16},
        {PcmFormat(2, 48000, 16), PcmFormat(1, 11025, 8), 2, 44100, 16},
    };
    for (const Case& c : cases) {
        WAVEFORMATEX out = c.b;
        out.cbSize = 7;
        MergeWaveFormats(&c.a, &c.b, &out);
        EXPECT_EQ(out.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(out.nChannels, c.channels);
        EXPECT_EQ(DWORD{out.nSamplesPerSec}, c.rate);
        EXPECT_EQ(out.wBitsPerSample, c.bits);
        EXPECT_EQ(out.nBlockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(DWORD{out.nAvgBytesPerSec}, c.rate * out.nBlockAlign);
        EXPECT_EQ(out.cbSize, 7) << "left as it was";
    }
    WAVEFORMATEX a = PcmFormat(1, 22050, 8);
    WAVEFORMATEX b = PcmFormat(2, 32000, 16);
    MergeWaveFormats(&a, &b, &b);
    EXPECT_EQ(DWORD{b.nAvgBytesPerSec}, 176400u) << "the output may be the second input";
}

} // namespace
