#include "Win32/Sb/Media/GeneratedSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_tests::FramePtr;
using media_tests::HeightOf;
using media_tests::PcmFormat;
using media_tests::PixelAt;
using media_tests::RecordingEffect;
using media_tests::Seconds;
using media_tests::WidthOf;

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr DWORD kFrameTime = 66667;

// The generated scene's source as its material makes it.
std::unique_ptr<CGeneratedSource> MakeColourSource(COLORREF colour)
{
    return std::make_unique<CGeneratedSource>(colour, 320, 240, kFrameTime, 1, nullptr, 0);
}

FramePtr NextFrame(CMediaSource& source, INT wantVideo = 1, INT wantAudio = 0, WAVEFORMATEX* format = nullptr)
{
    INT failed = -1;
    FramePtr frame(source.GetFrame(&failed, wantVideo, wantAudio, format));
    EXPECT_EQ(failed, 0);
    return frame;
}

TEST(GeneratedSource, MaterialSourceIsOpenWithOneFrameOfLength)
{
    auto source = MakeColourSource(kBlue);
    EXPECT_EQ(source->IsOpen(), 1);
    EXPECT_EQ(source->HasVideo(), 1);
    EXPECT_EQ(source->HasAudio(), 0);
    EXPECT_EQ(source->GetVideoHeader(), nullptr);
    EXPECT_NEAR(source->m_tLength.GetSeconds(), 0.066667, 1e-9);
    EXPECT_NEAR(source->GetFrameTime().GetSeconds(), 0.066667, 1e-9);
    ASSERT_NE(source->m_pImage, nullptr);
    EXPECT_EQ(PixelAt(source->m_pImage, 160, 120), kBlue);
}

TEST(GeneratedSource, FramesAreFreshImagesOfTheOutputSize)
{
    auto source = MakeColourSource(kBlue);
    source->SetOutputSize(CGfxSize(720, 576));
    for (int i = 0; i < 3; ++i) {
        FramePtr frame = NextFrame(*source);
        ASSERT_NE(frame->m_pImage, nullptr);
        EXPECT_NE(frame->m_pImage, source->m_pImage);
        EXPECT_EQ(WidthOf(frame->m_pImage), 720);
        EXPECT_EQ(HeightOf(frame->m_pImage), 576);
        EXPECT_EQ(PixelAt(frame->m_pImage, 0, 0), kBlue);
        EXPECT_EQ(PixelAt(frame->m_pImage, 719, 575), kBlue);
    }
    EXPECT_EQ(WidthOf(source->m_pImage), 320) << "the first image keeps its size";
    EXPECT_EQ(HeightOf(source->m_pImage), 240);
}

TEST(GeneratedSource, EffectsAreDrawnAtThePosition)
{
    auto source = MakeColourSource(kBlue);
    source->SetOutputSize(CGfxSize(720, 576));
    auto log = std::make_shared<RecordingEffect::Log>();
    EffectList effects;
    effects.AddEffect(new RecordingEffect(log, RGB(255, 255, 0), 0.1, 10.0));
    source->SetEffects(&effects);
    std::vector<COLORREF> colours;
    for (int i = 0; i < 3; ++i)
        colours.push_back(PixelAt(NextFrame(*source)->m_pImage, 300, 300));
    EXPECT_EQ(colours, (std::vector<COLORREF>{kBlue, kBlue, RGB(255, 255, 0)})) << "drawn from 0.1 s on";
    ASSERT_EQ(log->times.size(), 1u);
    EXPECT_NEAR(log->times[0], 2 * 0.066667, 1e-9);
}

// Whether every pixel of the image is `colour`.
bool IsFlat(const CIplImage* image, COLORREF colour)
{
    for (int y = 0; y < HeightOf(image); ++y)
        for (int x = 0; x < WidthOf(image); ++x)
            if (PixelAt(image, x, y) != colour)
                return false;
    return true;
}

TEST(GeneratedSource, SceneEffectsChangeTheFramesOnlyBetweenTheirKeyTimes)
{
    auto source = std::make_unique<CGeneratedSource>(kBlue, 160, 120, 100000, 1, nullptr, 0);
    EffectList effects;
    SpectrumEffect negative;
    negative.SetStyle(23);
    negative.m_nLevelStart = negative.m_nLevelHold = negative.m_nLevelEnd = 100;
    ColorEffect warmer;
    warmer.m_nRedShift = 60;
    TextEffect title;
    title.SetTextUtf8("Hi");
    const double windows[3][2] = {{0.2, 0.4}, {0.6, 0.8}, {1.0, 1.2}};
    Effect* kinds[3] = {&negative, &warmer, &title};
    for (int i = 0; i < 3; ++i) {
        kinds[i]->SetKeyTime(Seconds(windows[i][0]), 0);
        kinds[i]->SetKeyTime(Seconds(windows[i][0] + 0.05), 1);
        kinds[i]->SetKeyTime(Seconds(windows[i][1] - 0.05), 2);
        kinds[i]->SetKeyTime(Seconds(windows[i][1]), 3);
    }
    effects.SetSpectrumEffect(negative);
    effects.SetColorEffect(warmer);
    effects.SetTextEffect(title);
    source->SetEffects(&effects);
    for (int frame = 0; frame < 15; ++frame) {
        const double t = frame * 0.1;
        bool inside = false;
        for (const auto& window : windows)
            inside |= t >= window[0] - 1e-9 && t <= window[1] + 1e-9;
        FramePtr next = NextFrame(*source);
        EXPECT_EQ(!IsFlat(next->m_pImage, kBlue), inside) << t;
    }
}

TEST(GeneratedSource, NeverReachesAnEnd)
{
    auto source = MakeColourSource(kBlue);
    for (int i = 0; i < 100; ++i)
        NextFrame(*source, 0, 0);
    EXPECT_EQ(source->IsAtEnd(), 0);
    EXPECT_NEAR(source->m_tPosition.GetSeconds(), 100 * 0.066667, 1e-6);
}

TEST(GeneratedSource, AudioBlocksAreSilenceInTheAskedFormat)
{
    auto withAudio = std::make_unique<CGeneratedSource>(kBlue, 320, 240, kFrameTime, 1, nullptr, 1);
    EXPECT_EQ(withAudio->HasAudio(), 1);
    WAVEFORMATEX format{};
    ASSERT_EQ(withAudio->GetAudioFormat(&format), 1);
    EXPECT_EQ(DWORD{format.nSamplesPerSec}, 22050u);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.wBitsPerSample, 8);
    EXPECT_EQ(DWORD{format.nAvgBytesPerSec}, 22050u);
    EXPECT_EQ(format.nBlockAlign, 1);
    ASSERT_NE(withAudio->GetNativeAudioFormat(), nullptr);
    EXPECT_EQ(DWORD{withAudio->GetNativeAudioFormat()->nSamplesPerSec}, 22050u);

    INT failed = -1;
    FramePtr native(withAudio->GetNativeFrame(&failed, 0, 1));
    ASSERT_NE(native->m_pAudio, nullptr);
    EXPECT_EQ(DWORD{native->m_pAudio->GetFormat()->nSamplesPerSec}, 22050u);
    EXPECT_EQ(native->m_pAudio->m_nLength, 1470u);
    EXPECT_EQ(native->m_pAudio->m_pData[0], 0x80);

    WAVEFORMATEX stereo = PcmFormat(2, 44100, 16);
    FramePtr frame = NextFrame(*withAudio, 0, 1, &stereo);
    ASSERT_NE(frame->m_pAudio, nullptr);
    EXPECT_EQ(frame->m_pAudio->GetFormat()->nChannels, 2);
    EXPECT_EQ(frame->m_pAudio->m_nLength, 11760u);

    auto silent = MakeColourSource(kBlue);
    EXPECT_EQ(silent->GetAudioFormat(&format), 0);
    EXPECT_EQ(silent->GetNativeAudioFormat(), nullptr);
}

TEST(GeneratedSource, GivenFormatReplacesTheDefault)
{
    const WAVEFORMATEX format = PcmFormat(2, 11025, 16);
    CGeneratedSource source(kBlue, 64, 48, 40000, 25, &format, 1);
    WAVEFORMATEX answered{};
    ASSERT_EQ(source.GetAudioFormat(&answered), 1);
    EXPECT_EQ(answered.nChannels, 2);
    EXPECT_EQ(DWORD{answered.nSamplesPerSec}, 11025u);
    EXPECT_NEAR(source.m_tLength.GetSeconds(), 1.0, 1e-9);
    ASSERT_NE(source.m_pAudioBlock, nullptr);
    EXPECT_EQ(source.m_pAudioBlock->m_nLength, 1764u);
}

TEST(GeneratedSource, LongScenesSeekWithoutWrapping)
{
    CGeneratedSource source(kBlue, 64, 48, 33333, 1, nullptr, 0);
    source.SetInOut(Seconds(2 * 3600.0), CMediaTime());
    // Frame 72,000: past the 65,535 a 16-bit index could hold.
    EXPECT_NEAR(source.Seek(Seconds(72000 * 0.033333)).GetSeconds(), 72000 * 0.033333, 1e-6);
    INT failed = -1;
    FramePtr native(source.GetNativeFrame(&failed, 1, 0));
    EXPECT_NEAR(source.m_tPosition.GetSeconds(), 72001 * 0.033333, 1e-6);
}

} // namespace
