// One transition blend per output frame at 720 x 480, for a row of each
// renderer family (and a softened wipe). Items are blends, so the reported
// items per second are blends per second.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/TransitionEffect.h"

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;

std::unique_ptr<CIplImage> MakeTestFrame(int seed)
{
    auto image = std::make_unique<CIplImage>(kWidth, kHeight, 0);
    IplImage* i = image->GetImage();
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = reinterpret_cast<BYTE*>(i->imageData) + y * i->widthStep;
        for (int x = 0; x < kWidth * 3; ++x)
            row[x] = static_cast<BYTE>((x * 7 + y * 13 + seed) & 0xFF);
    }
    return image;
}

// state.range(0): catalogue row; state.range(1): softness.
void BM_TransitionBlend(benchmark::State& state)
{
    std::unique_ptr<TransitionEffect> effect(TransitionCatalog::Create(static_cast<INT>(state.range(0))));
    if (effect == nullptr) {
        state.SkipWithError("no such row");
        return;
    }
    effect->GetParams()->m_nSoftness = static_cast<INT>(state.range(1));
    auto a = MakeTestFrame(1);
    auto b = MakeTestFrame(2);
    CIplImage output(kWidth, kHeight, 0);
    CIplAlphaMask mask(kWidth, kHeight);
    double progress = 0.0;
    for (auto _ : state) {
        effect->Blend(a.get(), b.get(), &output, &mask, 0, 0, kWidth, kHeight, progress, 50, kWidth, kHeight, 1);
        benchmark::ClobberMemory();
        // Different progress values, as a transition plays.
        progress += 0.07;
        if (progress > 1.0)
            progress -= 1.0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("family " + std::to_string(effect->GetRendererFamily()));
}
BENCHMARK(BM_TransitionBlend)
    ->ArgNames({"row", "softness"})
    ->Args({0, 0})   // cut
    ->Args({1, 0})   // dissolve
    ->Args({2, 0})   // wipe
    ->Args({2, 10})  // wipe with soft edge
    ->Args({18, 0})  // corner wipe
    ->Args({14, 0})  // push
    ->Args({22, 0})  // blinds
    ->Args({24, 0})  // clock
    ->Args({25, 0})  // dither
    ->Args({26, 0})  // barn door
    ->Args({30, 0})  // iris circle
    ->Args({33, 0})  // iris triangle
    ->Args({38, 0})  // comb
    ->Args({40, 0})  // corner box
    ->Args({52, 0}); // door

} // namespace

BENCHMARK_MAIN();
