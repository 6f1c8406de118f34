// The GDI's blits on a 720 x 480 32-bit surface: BitBlt with the common
// raster operations, a monochrome mask blit, and StretchBlt in its modes.
// Items are destination pixels.

#include <benchmark/benchmark.h>

#include "Platform/Win/Gdi/Gdi.h"

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;

struct MemorySurface {
    MemorySurface(int width, int height, UINT bits)
        : dc(CreateCompatibleDC(nullptr)), bitmap(CreateBitmap(width, height, 1, bits, nullptr)),
          old(SelectObject(dc, bitmap))
    {
        for (int y = 0; y < height; y += 16)
            for (int x = 0; x < width; x += 16)
                SetPixelV(dc, x, y, RGB(x & 0xFF, y & 0xFF, (x + y) & 0xFF));
    }
    ~MemorySurface()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

void BM_BitBlt(benchmark::State& state)
{
    const DWORD rop = static_cast<DWORD>(state.range(0));
    MemorySurface source(kWidth, kHeight, 32);
    MemorySurface dest(kWidth, kHeight, 32);
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    HGDIOBJ oldBrush = SelectObject(dest.dc, brush);
    for (auto _ : state)
        benchmark::DoNotOptimize(BitBlt(dest.dc, 0, 0, kWidth, kHeight, source.dc, 0, 0, rop));
    SelectObject(dest.dc, oldBrush);
    DeleteObject(brush);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BitBlt)
    ->Arg(static_cast<int64_t>(SRCCOPY))
    ->Arg(static_cast<int64_t>(SRCAND))
    ->Arg(static_cast<int64_t>(SRCINVERT))
    ->Arg(static_cast<int64_t>(0x009A0709)) // a code the engine has no shortcut for
    ->Unit(benchmark::kMillisecond);

void BM_BitBltMonoMask(benchmark::State& state)
{
    MemorySurface mask(kWidth, kHeight, 1);
    MemorySurface dest(kWidth, kHeight, 32);
    for (auto _ : state)
        benchmark::DoNotOptimize(BitBlt(dest.dc, 0, 0, kWidth, kHeight, mask.dc, 0, 0, SRCAND));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_BitBltMonoMask)->Unit(benchmark::kMillisecond);

void BM_StretchBlt(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    MemorySurface source(kWidth / 2, kHeight / 2, 32);
    MemorySurface dest(kWidth, kHeight, 32);
    SetStretchBltMode(dest.dc, mode);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            StretchBlt(dest.dc, 0, 0, kWidth, kHeight, source.dc, 0, 0, kWidth / 2, kHeight / 2, SRCCOPY));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_StretchBlt)->Arg(COLORONCOLOR)->Arg(HALFTONE)->Unit(benchmark::kMillisecond);

void BM_StretchBltShrink(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    MemorySurface source(kWidth, kHeight, 32);
    MemorySurface dest(kWidth / 2, kHeight / 2, 32);
    SetStretchBltMode(dest.dc, mode);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            StretchBlt(dest.dc, 0, 0, kWidth / 2, kHeight / 2, source.dc, 0, 0, kWidth, kHeight, SRCCOPY));
    state.SetItemsProcessed(state.iterations() * (kWidth / 2) * (kHeight / 2));
}
BENCHMARK(BM_StretchBltShrink)->Arg(COLORONCOLOR)->Arg(HALFTONE)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
