// A full repaint of the skinned fixture dialog on the headless desktop: its
// background, window frame and caption, and every child (owner-drawn push
// buttons, skinned check boxes, radio buttons, group boxes and statics, the
// edits, list view and tool bar), from the program's own skin art. Times
// are per repaint.

#include <benchmark/benchmark.h>

#include "Platform/Display/Display.h"
#include "Win32/Toolkit/Gallery/Pages.h"

namespace {

void BM_FixtureDialogFullRepaint(benchmark::State& state)
{
    if (!display::Start(display::Backend::Headless)) {
        state.SkipWithError("the headless desktop did not start");
        return;
    }
    {
        toolkit_gallery::GalleryModules modules(KESTRELON_PROGRAM_MODULES, KESTRELON_TOOLKIT_GALLERY_MODULES);
        if (!modules.IsLoaded()) {
            state.SkipWithError("the resource modules are not built");
        } else {
            toolkit_gallery::ShowPage("dialog", modules, [&state](HWND dialog) {
                for (auto _ : state)
                    ::RedrawWindow(dialog, nullptr, nullptr,
                                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
                return true;
            });
        }
    }
    display::Stop();
}
BENCHMARK(BM_FixtureDialogFullRepaint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
