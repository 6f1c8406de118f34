#include "Win32/Produce/ProductionAudioMixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

constexpr WAVEFORMATEX kStereo16{WAVE_FORMAT_PCM, 2, 11025, 44100, 4, 16, 0};
// 40 ms at 11,025 Hz.
constexpr DWORD kBlockFrames = 441;

CMediaTime Milliseconds(double ms) { return CMediaTime::FromMilliseconds(ms); }

std::vector<BYTE> Constant16(DWORD frames, int channels, int level)
{
    std::vector<BYTE> bytes;
    for (DWORD i = 0; i < frames * static_cast<DWORD>(channels); ++i) {
        bytes.push_back(static_cast<BYTE>(level & 0xFF));
        bytes.push_back(static_cast<BYTE>((level >> 8) & 0xFF));
    }
    return bytes;
}

// A clip that yields blocks of one constant level, `frames` long.
class ConstantClip : public CMediaSource {
public:
    ConstantClip(int level, DWORD frames, INT volume) : m_level(level), m_frames(frames) { m_nVolume = volume; }

    MediaFrame* GetAudio(INT* failed, WAVEFORMATEX* format, INT) override
    {
        *failed = 0;
        auto* frame = new MediaFrame;
        const std::vector<BYTE> bytes = Constant16(m_frames, format->nChannels, m_level);
        frame->m_pAudio = new CWaveBuffer(format, bytes.data(), static_cast<DWORD>(bytes.size()));
        return frame;
    }

private:
    int m_level;
    DWORD m_frames;
};

// Mixes `blocks` primary blocks of `level` and answers the left channel of
// everything mixed.
std::vector<int> MixBlocks(CProductionAudioMixer& mixer, int blocks, int level)
{
    const std::vector<BYTE> samples = Constant16(kBlockFrames, 2, level);
    std::vector<int> left;
    for (int b = 0; b < blocks; ++b) {
        CWaveBuffer primary(&kStereo16, samples.data(), static_cast<DWORD>(samples.size()));
        CWaveBuffer output(&kStereo16, nullptr, (kBlockFrames + 512) * 4);
        mixer.Mix(&primary, &output);
        for (DWORD i = 0; i + 3 < output.m_nLength; i += 4)
            left.push_back(static_cast<SHORT>(output.m_pData[i] | output.m_pData[i + 1] << 8));
    }
    return left;
}

TEST(ProductionAudioMixer, WithoutFormatsItMixesAt11025HzStereo16Bit)
{
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    EXPECT_TRUE(mixer.m_bReady);
    // Copies: the packed format's fields are not aligned for a reference.
    const WAVEFORMATEX output = mixer.m_OutputFormat;
    const WAVEFORMATEX source = mixer.m_SourceFormat;
    EXPECT_EQ(DWORD{output.nSamplesPerSec}, 11025u);
    EXPECT_EQ(WORD{output.nChannels}, 2);
    EXPECT_EQ(WORD{output.wBitsPerSample}, 16);
    EXPECT_EQ(WORD{source.nBlockAlign}, 4);
    EXPECT_EQ(mixer.m_nBlockDuration, 40000);
}

TEST(ProductionAudioMixer, TheProductionFadesInOverItsFirstSecond)
{
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    const std::vector<int> left = MixBlocks(mixer, 30, 16384);
    ASSERT_GT(left.size(), 12000u);
    EXPECT_EQ(left[0], 0);
    EXPECT_NEAR(left[2756], 4000, 3);
    EXPECT_NEAR(left[5512], 8000, 3);
    EXPECT_EQ(left[11025], 16000);
    EXPECT_EQ(left[12000], 16000);
}

struct SlotCase {
    int slot;
    INT volume;
    int expected;
};

// A clip's level is its volume once its fade-in is over, in every slot
// (the later stereo slots too).
TEST(ProductionAudioMixer, SourcesEndAtTheirVolumeInEverySlot)
{
    for (const SlotCase& c : {SlotCase{0, 512, 8000}, SlotCase{35, 512, 8000}, SlotCase{39, 1024, 16000}}) {
        CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
        for (int slot = 0; slot < c.slot; ++slot)
            ASSERT_TRUE(mixer.AddSource(new ConstantClip(0, kBlockFrames, 1024)));
        ASSERT_TRUE(mixer.AddSource(new ConstantClip(16384, kBlockFrames, c.volume)));
        const std::vector<int> left = MixBlocks(mixer, 30, 0);
        ASSERT_GT(left.size(), 12000u);
        EXPECT_EQ(left[0], 0) << c.slot;
        EXPECT_NEAR(left[5512], c.expected / 2, 3) << c.slot;
        EXPECT_EQ(left[12000], c.expected) << c.slot;
    }
}

// A clip's last block may be short: the rest of it is silence.
TEST(ProductionAudioMixer, AShortSourceBlockIsPaddedWithSilence)
{
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    mixer.AddSource(new ConstantClip(16384, kBlockFrames / 2, 1024));
    const std::vector<int> left = MixBlocks(mixer, 40, 0);
    ASSERT_GT(left.size(), 16000u);
    // Past the fade-in, each block is half clip and half silence.
    const std::size_t block = 35 * kBlockFrames;
    EXPECT_EQ(left[block + 10], 16000);
    EXPECT_EQ(left[block + kBlockFrames / 2 + 10], 0);
}

TEST(ProductionAudioMixer, CrossFadeAveragesIntoTheLongerBlock)
{
    std::vector<BYTE> shorter(441, 200);
    std::vector<BYTE> longer(442, 100);
    const WAVEFORMATEX mono8{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    auto* a = new CWaveBuffer(&mono8, shorter.data(), 441);
    auto* b = new CWaveBuffer(&mono8, longer.data(), 442);
    CWaveBuffer* first = a;
    CWaveBuffer* second = b;
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    INT ok = 0;
    mixer.CrossFade(&first, &second, &mono8, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(first, b);
    EXPECT_EQ(second, a);
    EXPECT_EQ(first->m_pData[0], 150);
    EXPECT_EQ(first->m_pData[440], 150);
    EXPECT_EQ(first->m_pData[441], 100);
    delete a;
    delete b;
}

TEST(ProductionAudioMixer, FortySlotsAndTheirBookkeeping)
{
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    EXPECT_EQ(mixer.GetLastUsedSlot(), 0);
    EXPECT_TRUE(mixer.HasFreeSlot());
    std::vector<CMediaSource*> added;
    for (int i = 0; i < 40; ++i) {
        added.push_back(new ConstantClip(0, kBlockFrames, 1024));
        ASSERT_TRUE(mixer.AddSource(added.back()));
    }
    EXPECT_FALSE(mixer.HasFreeSlot());
    ConstantClip extra(0, kBlockFrames, 1024);
    EXPECT_FALSE(mixer.AddSource(&extra));
    EXPECT_EQ(mixer.GetSourceCount(), 40);
    EXPECT_EQ(mixer.GetLastUsedSlot(), 39);
    for (int i = 0; i < 40; ++i) {
        if (i == 7)
            continue;
        ASSERT_TRUE(mixer.RemoveSource(added[static_cast<std::size_t>(i)]));
        delete added[static_cast<std::size_t>(i)];
    }
    EXPECT_FALSE(mixer.RemoveSource(&extra));
    EXPECT_EQ(mixer.GetLastUsedSlot(), 7);
    EXPECT_EQ(mixer.GetSource(7), added[7]);
    EXPECT_EQ(mixer.GetSource(0), nullptr);
    mixer.ReleaseAllSources();
    EXPECT_EQ(mixer.GetSourceCount(), 0);
    mixer.AddSource(new ConstantClip(0, kBlockFrames, 1024));
    EXPECT_EQ(mixer.GetLastUsedSlot(), 0);
}

TEST(ProductionAudioMixer, FadeOutAllBringsEverythingToSilence)
{
    CProductionAudioMixer mixer(Milliseconds(40), nullptr, nullptr, FALSE);
    mixer.AddSource(new ConstantClip(8000, kBlockFrames, 1024));
    MixBlocks(mixer, 30, 8000);
    mixer.FadeOutAll(10);
    const std::vector<int> left = MixBlocks(mixer, 20, 8000);
    ASSERT_GT(left.size(), 8000u);
    EXPECT_GT(left[100], 10000);
    EXPECT_EQ(left[6000], 0);
}

} // namespace

namespace {

// Mixes `blocks` blocks of `frames` frames each into outputs of `room`
// frames, flushes the last toward `total` (-1: what was mixed in) and
// answers the frames handed out in all and the left channel 64 frames
// before the end.
struct MixedRun {
    LONGLONG frames = 0;
    int nearEnd = 0;
};

MixedRun MixAndFlush(int blocks, DWORD frames, DWORD room, LONGLONG total)
{
    CProductionAudioMixer mixer(Milliseconds(100), &kStereo16, &kStereo16, TRUE);
    const std::vector<BYTE> samples = Constant16(frames, 2, 8000);
    MixedRun run;
    for (int b = 0; b < blocks; ++b) {
        CWaveBuffer primary(&kStereo16, samples.data(), static_cast<DWORD>(samples.size()));
        CWaveBuffer output(&kStereo16, nullptr, room * 4);
        mixer.Mix(&primary, &output);
        if (b == blocks - 1)
            mixer.Flush(&output, total);
        run.frames += output.m_nLength / 4;
        if (output.m_nLength >= 65 * 4) {
            const DWORD at = output.m_nLength - 65 * 4;
            run.nearEnd = static_cast<SHORT>(output.m_pData[at] | output.m_pData[at + 1] << 8);
        }
    }
    return run;
}

} // namespace

// The engine keeps part of a block back and the output may be too small
// for what it gives: the last block of a production hands all of it out.
TEST(ProductionAudioMixer, FlushHandsOutEverySampleMixed)
{
    struct Case {
        int blocks;
        DWORD frames;
        DWORD room;
        LONGLONG total;
        LONGLONG expected;
    } const cases[] = {
        {50, 1103, 2206, -1, 55150},   // 0.1 s blocks at 11,025 Hz
        {50, 1103, 2206, 55125, 55125}, // the production's own length: cut
        {3, 441, 441, -1, 1323},        // outputs without room to spare
        {20, 441, 882, 9000, 9000},     // longer than mixed: silence after
        {1, 100, 200, -1, 100},         // less than one engine block
    };
    for (const Case& c : cases) {
        const MixedRun run = MixAndFlush(c.blocks, c.frames, c.room, c.total);
        EXPECT_EQ(run.frames, c.expected) << c.blocks << " x " << c.frames;
    }
    // The flushed end is the mixed sound (the engine gives 16000 for
    // 16384), not silence.
    EXPECT_NEAR(MixAndFlush(50, 1103, 2206, -1).nearEnd, 8000 * 16000 / 16384, 3);
}

// Blocks of 0.1 s rounded to 1,103 or 1,102 frames (or much longer or
// shorter) run over or under the frames' time; where a new sound starts,
// realigning cuts or pads the difference so that the new sound comes out
// at its exact place.
TEST(ProductionAudioMixer, RealignStartsTheNextSoundAtItsPlace)
{
    for (const DWORD frames : {1103u, 1102u, 1150u, 1000u}) {
        CProductionAudioMixer mixer(Milliseconds(100), &kStereo16, &kStereo16, TRUE);
        std::vector<int> left;
        LONGLONG handedOut = 0;
        // Sound already handed out cannot be taken back: the new sound's
        // head is cut instead, and the rest of it stays in place.
        LONGLONG start = 0;
        for (int b = 0; b < 20; ++b) {
            if (b == 10) {
                start = std::max<LONGLONG>(11025, handedOut);
                mixer.Realign(11025);
            }
            const std::vector<BYTE> samples = Constant16(frames, 2, b < 10 ? 8000 : -8000);
            CWaveBuffer primary(&kStereo16, samples.data(), static_cast<DWORD>(samples.size()));
            CWaveBuffer output(&kStereo16, nullptr, frames * 2 * 4);
            mixer.Mix(&primary, &output);
            if (b == 19)
                mixer.Flush(&output, -1);
            handedOut += output.m_nLength / 4;
            for (DWORD i = 0; i + 3 < output.m_nLength; i += 4)
                left.push_back(static_cast<SHORT>(output.m_pData[i] | output.m_pData[i + 1] << 8));
        }
        const auto firstNegative = std::find_if(left.begin(), left.end(), [](int v) { return v < 0; }) - left.begin();
        EXPECT_EQ(firstNegative, start) << frames;
        EXPECT_EQ(handedOut, 11025 + 10 * static_cast<LONGLONG>(frames)) << frames;
    }
}
