// The skin's painting on a 1024 x 768 screen-sized surface: the dialog
// background tile filled over all of it (composed off-screen and copied
// once) and the dialog window frame drawn around it. Times are per call.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// The program's resource modules, loaded for the whole run.
bool LoadProgramModules()
{
    static const bool loaded = [] {
        setenv("KESTRELON_MODULE_DIR", KESTRELON_PROGRAM_MODULES, 1);
        static CResourceSwitch application;
        static CResourceModules modules;
        return modules.IsLoaded() != FALSE;
    }();
    return loaded;
}

struct Screen {
    Screen()
    {
        dc.Attach(CreateCompatibleDC(nullptr));
        bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
        old = dc.SelectObject(bitmap);
    }
    ~Screen()
    {
        dc.SelectObject(old);
        DeleteDC(dc.Detach());
        DeleteObject(bitmap);
    }
    CDC dc;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

void PaintSkin(benchmark::State& state, int bitmapId, bool fill)
{
    if (!LoadProgramModules()) {
        state.SkipWithError("the program's resource modules did not load");
        return;
    }
    Screen screen;
    CFrameBitmap skin;
    skin.SetBitmapId(bitmapId);
    const CRect all(0, 0, kWidth, kHeight);
    if (!skin.Load()) {
        state.SkipWithError("the skin bitmap is missing");
        return;
    }
    for (auto _ : state) {
        if (fill)
            skin.DrawFill(&screen.dc, &all);
        else
            skin.DrawFrame(&screen.dc, &all);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_DialogBackgroundFill(benchmark::State& state) { PaintSkin(state, 473, true); }
void BM_DialogWindowFrame(benchmark::State& state) { PaintSkin(state, 545, false); }
BENCHMARK(BM_DialogBackgroundFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DialogWindowFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
