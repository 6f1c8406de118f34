// Frame-image work done once per video frame: the colour effect's
// adjustment, scaling a DV frame to a VCD frame, and the two blends of the
// transitions. Items are pixels.

#include <benchmark/benchmark.h>

#include <memory>

#include "Win32/Imaging/ColorAdjust.h"
#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"

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

void BM_AdjustColors(benchmark::State& state)
{
    const auto path = static_cast<ColorAdjustPath>(state.range(0));
    if (!IsColorAdjustPathAvailable(path)) {
        state.SkipWithError("path not in this build");
        return;
    }
    SetColorAdjustPathForTesting(path);
    auto frame = MakeTestFrame(1);
    for (auto _ : state) {
        frame->AdjustColors(12, -8, 5, 30, 10, 20);
        benchmark::ClobberMemory();
    }
    SetColorAdjustPathForTesting(ColorAdjustPath::Auto);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_AdjustColors)
    ->Arg(static_cast<int>(ColorAdjustPath::Auto))
    ->Arg(static_cast<int>(ColorAdjustPath::OnePixel))
    ->Arg(static_cast<int>(ColorAdjustPath::Sse2))
    ->ArgName("path");

void BM_Scale720x480To352x240(benchmark::State& state)
{
    auto frame = MakeTestFrame(2);
    for (auto _ : state) {
        std::unique_ptr<CIplImage> scaled(frame->CreateResized(352, 240));
        benchmark::DoNotOptimize(scaled.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Scale720x480To352x240);

void BM_Scale352x240To720x480(benchmark::State& state)
{
    std::unique_ptr<CIplImage> small(MakeTestFrame(3)->CreateResized(352, 240));
    for (auto _ : state) {
        std::unique_ptr<CIplImage> scaled(small->CreateResized(kWidth, kHeight));
        benchmark::DoNotOptimize(scaled.get());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Scale352x240To720x480);

void BM_BlendConstant(benchmark::State& state)
{
    auto a = MakeTestFrame(4);
    auto b = MakeTestFrame(5);
    auto output = std::make_unique<CIplImage>(kWidth, kHeight, 0);
    for (auto _ : state) {
        a->BlendConstant(b.get(), 100, output.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BlendConstant);

void BM_BlendWithMask(benchmark::State& state)
{
    auto a = MakeTestFrame(6);
    auto b = MakeTestFrame(7);
    auto output = std::make_unique<CIplImage>(kWidth, kHeight, 0);
    CIplAlphaMask mask(kWidth, kHeight);
    IplImage* m = mask.GetImage();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            m->imageData[y * m->widthStep + x] = static_cast<char>((x + y) & 0xFF);
    for (auto _ : state) {
        a->BlendWithMask(b.get(), &mask, output.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BlendWithMask);

} // namespace

BENCHMARK_MAIN();
