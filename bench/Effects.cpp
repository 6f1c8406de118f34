// Scene effects drawn onto 720 x 480 frames as the storyboard's rendering
// pass draws them: a two-line, 48-pixel, outlined and shadowed title moving
// through its entry, the colour effect, one spectrum style, and all three
// on one frame. Items are frames, so the reported items per second are
// frames per second. The renderers are attached once, before the loop, as
// they are for a scene; BM_TextAttach measures that attach on its own.

#include <benchmark/benchmark.h>

#include <memory>

#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/TextEffect.h"

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr double kRate = 25.0;
// The scene is ten seconds long; every effect covers it.
constexpr double kSceneMilliseconds = 10000.0;

std::unique_ptr<CIplImage> MakeTestFrame()
{
    auto image = std::make_unique<CIplImage>(kWidth, kHeight, 0);
    IplImage* i = image->GetImage();
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = reinterpret_cast<BYTE*>(i->imageData) + y * i->widthStep;
        for (int x = 0; x < kWidth * 3; ++x)
            row[x] = static_cast<BYTE>((x * 7 + y * 13) & 0xFF);
    }
    return image;
}

void CoverScene(Effect& effect)
{
    effect.SetKeyTime(CMediaTime::FromMilliseconds(0), 0);
    effect.SetKeyTime(CMediaTime::FromMilliseconds(kSceneMilliseconds * 0.3), 1);
    effect.SetKeyTime(CMediaTime::FromMilliseconds(kSceneMilliseconds * 0.7), 2);
    effect.SetKeyTime(CMediaTime::FromMilliseconds(kSceneMilliseconds), 3);
}

// 48 pixels high on a 480-line frame: the font is sized for 240 lines.
TextEffect TitleEffect()
{
    TextEffect effect;
    effect.SetTextUtf8("Kestrelon Summer\r\nHolidays 2002");
    effect.m_lf.lfHeight = -24;
    effect.ApplyStylePreset(110);
    CoverScene(effect);
    effect.SetStatePlacement(0, 7);
    effect.SetStatePlacement(1, 4);
    effect.SetStatePlacement(3, 1);
    effect.UpdateAnchors();
    return effect;
}

ColorEffect SepiaEffect()
{
    ColorEffect effect;
    INT apply = 0;
    INT shifts[3];
    INT levels[3];
    GetColorPresetValues(5, &apply, shifts, levels);
    effect.m_nRedShift = shifts[0];
    effect.m_nGreenShift = shifts[1];
    effect.m_nBlueShift = shifts[2];
    effect.m_nSaturation = levels[0];
    CoverScene(effect);
    return effect;
}

SpectrumEffect VignetteEffect()
{
    SpectrumEffect effect;
    effect.SetStyle(8);
    effect.m_nLevelStart = effect.m_nLevelHold = effect.m_nLevelEnd = 100;
    CoverScene(effect);
    return effect;
}

// Draws frames of the list one after another, as a scene is produced.
void RunFrames(benchmark::State& state, EffectList& list)
{
    auto source = MakeTestFrame();
    CIplImage frame(kWidth, kHeight, 0);
    const CMediaTime frameTime = CMediaTime::FromMilliseconds(1000.0 / kRate);
    CMediaTime at;
    // The first frame attaches the renderers.
    list.RenderFrame(&frame, nullptr, at, frameTime);
    for (auto _ : state) {
        frame.CopyFrom(source.get());
        at += frameTime;
        if (at.GetMilliseconds() >= kSceneMilliseconds)
            at = frameTime;
        list.RenderFrame(&frame, nullptr, at, frameTime);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TextFrames(benchmark::State& state)
{
    EffectList list;
    list.SetTextEffect(TitleEffect());
    RunFrames(state, list);
}
BENCHMARK(BM_TextFrames)->Unit(benchmark::kMillisecond);

void BM_ColorFrames(benchmark::State& state)
{
    EffectList list;
    list.SetColorEffect(SepiaEffect());
    RunFrames(state, list);
}
BENCHMARK(BM_ColorFrames)->Unit(benchmark::kMillisecond);

void BM_SpectrumFrames(benchmark::State& state)
{
    EffectList list;
    list.SetSpectrumEffect(VignetteEffect());
    RunFrames(state, list);
}
BENCHMARK(BM_SpectrumFrames)->Unit(benchmark::kMillisecond);

void BM_AllThreeFrames(benchmark::State& state)
{
    EffectList list;
    list.SetColorEffect(SepiaEffect());
    list.SetSpectrumEffect(VignetteEffect());
    list.SetTextEffect(TitleEffect());
    RunFrames(state, list);
}
BENCHMARK(BM_AllThreeFrames)->Unit(benchmark::kMillisecond);

void BM_TextAttach(benchmark::State& state)
{
    TextEffect effect = TitleEffect();
    CIplImage frame(kWidth, kHeight, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(effect.AttachRenderer(&frame, kRate, 1));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextAttach)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
