// A control panel on the headless desktop: a container with a background
// bitmap and a frame painter holding 20 bitmap buttons whose images have a
// key colour. Measured: the whole panel repainted (per repaint), mouse
// moves across it with the container's hover tracking and the buttons'
// opaque-pixel hit test (per move, through the message queue), and the hit
// test alone (per point).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Imaging/tests/TestResourceModule.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr UINT kFrameStrip = 9100;
constexpr UINT kFaceUp = 9101;
constexpr UINT kFaceDown = 9102;
constexpr UINT kFaceFocus = 9103;
constexpr UINT kBackground = 9105;
constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr int kWidth = 400;
constexpr int kHeight = 200;
constexpr int kColumns = 5;
constexpr int kRows = 4;
constexpr int kFace = 40;

imaging_tests::Bytes PanelModule()
{
    using imaging_tests::BitmapResource;
    auto face = [](COLORREF colour) {
        return [colour](int x, int y) { return (x - 20) * (x - 20) + (y - 20) * (y - 20) > 400 ? kKey : colour; };
    };
    return imaging_tests::ModuleImageOf({
        {2, kFrameStrip, "", BitmapResource(80, 10, [](int x, int y) {
             return (x % 10 == 9 && y == 9) ? kKey : RGB(20 + 28 * (x / 10), 90, 60);
         })},
        {2, kFaceUp, "", BitmapResource(kFace, kFace, face(RGB(0, 160, 0)))},
        {2, kFaceDown, "", BitmapResource(kFace, kFace, face(RGB(160, 0, 0)))},
        {2, kFaceFocus, "", BitmapResource(kFace, kFace, face(RGB(0, 0, 160)))},
        {2, kBackground, "", BitmapResource(kWidth, kHeight, [](int x, int y) { return RGB(x % 256, y, 90); })},
    });
}

// The panel and its buttons, made once for the run.
struct Panel {
    Panel()
    {
        application = std::make_unique<CResourceSwitch>();
        module = std::make_unique<imaging_tests::TestResourceModule>("ElementBench.dll", PanelModule());
        AfxSetResourceHandle(module->Handle());
        host.CreateEx(0, AfxRegisterWndClass(0), "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                      nullptr);
        WindowRef hostRef(&host);
        ElementProperties list;
        Describe(list, 500, CGfxRect(0, 0, kWidth - 1, kHeight - 1), &hostRef);
        ok = container.Create(list) && container.SetBackgroundBitmap(kBackground, nullptr, nullptr, FALSE) &&
             container.SetFramePainter(kFrameStrip, nullptr, 8, 1, CGfxRect(0, 0, kWidth - 1, kHeight - 1),
                                       &keyColour);
        WindowRef panelRef(container.GetWnd(), &container);
        for (int i = 0; ok && i < kColumns * kRows; ++i) {
            const LONG left = 20 + (i % kColumns) * 75, top = 15 + (i / kColumns) * 45;
            ButtonElementProperties buttonList;
            Describe(buttonList, 100 + i, CGfxRect(left, top, left + kFace - 1, top + kFace - 1), &panelRef);
            auto button = std::make_unique<BitmapButtonElement>();
            ok = button->Create(buttonList) &&
                 button->LoadBitmaps(kFaceUp, kFaceDown, kFaceFocus, 0, &keyColour, &keyColour, &keyColour, nullptr);
            ok = ok && container.AddChild(button.release());
        }
        Pump();
    }
    static void Describe(ElementProperties& list, LONG id, const CGfxRect& bounds, WindowRefBase* parent)
    {
        list.SetProperty(ElementProperties::kControlId, CTaggedValue(id));
        list.SetProperty(ElementProperties::kStyle, CTaggedValue(static_cast<LONG>(WS_CHILD | WS_VISIBLE)));
        list.SetProperty(ElementProperties::kBounds, CTaggedValue(bounds));
        list.SetProperty(ElementProperties::kParent, WindowRefValue(parent));
        list.SetProperty(ElementProperties::kOwner, WindowRefValue(parent));
    }
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    const CRGBColor keyColour{kKey};
    std::unique_ptr<CResourceSwitch> application;
    std::unique_ptr<imaging_tests::TestResourceModule> module;
    CWnd host;
    ContainerElement container;
    bool ok = false;
};

// The panel, or null (the benchmark skipped) when it could not be made.
Panel* ReadyPanel(benchmark::State& state)
{
    static Panel* panel = new Panel;
    if (panel->ok)
        return panel;
    state.SkipWithError("the panel could not be made");
    return nullptr;
}

// A zigzag of 1,000 points across the panel, over buttons and between them.
std::vector<POINT> Path()
{
    std::vector<POINT> points;
    for (int i = 0; i < 1000; ++i)
        points.push_back(POINT{(i * 7) % kWidth, ((i / (kWidth / 7)) * 13 + (i % 17)) % kHeight});
    return points;
}

void BM_PanelRepaint(benchmark::State& state)
{
    Panel* panel = ReadyPanel(state);
    if (!panel)
        return;
    for (auto _ : state)
        panel->container.Redraw();
}
BENCHMARK(BM_PanelRepaint)->Unit(benchmark::kMillisecond);

void BM_HoverMove(benchmark::State& state)
{
    Panel* panel = ReadyPanel(state);
    if (!panel)
        return;
    const std::vector<POINT> path = Path();
    size_t next = 0;
    for (auto _ : state) {
        win::user::InjectMouseMove(path[next]);
        Panel::Pump();
        next = (next + 1) % path.size();
    }
}
BENCHMARK(BM_HoverMove)->Iterations(1000)->Unit(benchmark::kMicrosecond);

void BM_HitTest(benchmark::State& state)
{
    Panel* panel = ReadyPanel(state);
    if (!panel)
        return;
    const std::vector<POINT> path = Path();
    size_t next = 0;
    for (auto _ : state) {
        const POINT& p = path[next];
        benchmark::DoNotOptimize(panel->container.GetChildren().FindAt(CGfxPoint(p.x, p.y)));
        next = (next + 1) % path.size();
    }
}
BENCHMARK(BM_HitTest)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
