#include "Win32/Toolkit/Gallery/PanelPages.h"

#include <memory>
#include <vector>

#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/PlayCtrlPanel.h"
#include "Win32/Toolkit/QKLModeCtrlPanel.h"
#include "Win32/Toolkit/QKLToolBar.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/ToolFourButton.h"
#include "Win32/Toolkit/TrimmerPanel.h"

namespace toolkit_gallery {

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 740;
constexpr LONG kColumnWidth = 68;
constexpr LONG kTopBarHeight = 56;
constexpr LONG kStatusBarHeight = 24;
constexpr RECT kTransport{330, 430, 670, 542};
constexpr RECT kToolStrip{249, 580, 751, 610};
constexpr int kTrimmerWidth = 320;
constexpr int kTrimmerHeight = 92;
// The mode whose button shows pressed, as when its tool is open.
constexpr INT kTextMode = 53324;

// A borderless window on the skin's dialog colour that owns the panels
// made in it; closing it lets the panels go first, while their windows
// still exist.
class PanelHost : public CWnd {
public:
    bool Make(const char* title, int x, int y, int width, int height)
    {
        const HBRUSH back = GetSkinState().GetCtlColorBrush(nullptr, nullptr, CTLCOLOR_DLG, FALSE);
        return CreateEx(0, AfxRegisterWndClass(0, nullptr, back), title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x,
                        y, width, height, nullptr, nullptr);
    }
    // The panel, kept for the window's life.
    template <class Panel>
    Panel& Keep(std::unique_ptr<Panel> panel)
    {
        Panel& kept = *panel;
        m_panels.push_back(std::move(panel));
        return kept;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CLOSE) {
            Release();
            DestroyWindow();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override { Release(); }

private:
    void Release()
    {
        while (!m_panels.empty())
            m_panels.pop_back();
    }

    std::vector<std::unique_ptr<ContainerElement>> m_panels;
};

// The editing screen's frame: the column down the left edge, the bars
// across the top and the bottom to its right, the panels in the middle.
bool MakeColumn(PanelHost& host)
{
    auto& column = host.Keep(std::make_unique<QKLModeCtrlPanel>());
    const RECT bounds{0, 0, kColumnWidth, kHeight};
    if (!column.Create(&host, 700, &bounds, 0, nullptr))
        return false;
    column.MoveTo(&bounds);
    column.EnableButtonsByMask(0xFFFFFFFF);
    column.SelectOnly(kTextMode, 1);
    return true;
}

bool MakeBars(PanelHost& host)
{
    auto& topBar = host.Keep(std::make_unique<QKLToolBar>(FALSE));
    auto& statusBar = host.Keep(std::make_unique<QKLToolBar>(TRUE));
    const RECT top{kColumnWidth, 0, kWidth, kTopBarHeight};
    const RECT status{kColumnWidth, kHeight - kStatusBarHeight, kWidth, kHeight};
    if (!topBar.Create(&host, 600, &top) || !statusBar.Create(&host, 601, &status))
        return false;
    topBar.RelayoutButtons();
    statusBar.SetLabel1Text("Holiday 2026.sbd");
    statusBar.SetLabel2Text("12 scenes, 4:35");
    statusBar.SetLabel3Text("Ready");
    statusBar.Redraw();
    return true;
}

bool MakeTransport(PanelHost& host)
{
    auto& transport = host.Keep(std::make_unique<QKLPlayCtrlPanel>());
    if (!transport.Create(&host, 53350, &kTransport, 0, nullptr))
        return false;
    transport.EnableButtons(0xFFFFFFFF, -1);
    transport.SetShuttleRange(0.0, 60000.0);
    transport.SetShuttlePosition(20000.0);
    transport.GetFourButtonStrip().Show(true);
    transport.SetPaneText(CGfxString("0:00:20"), 0);
    transport.SetPaneText(CGfxString("Scene 3"), 3);
    return true;
}

bool MakeToolStrip(PanelHost& host)
{
    auto& strip = host.Keep(std::make_unique<klToolFourButton>(0));
    if (!strip.Create(&host, 53410, &kToolStrip, 0, nullptr))
        return false;
    strip.SetSelection(0, &host);
    return true;
}

// The trimmer with a clip's range, the thumb a third of the way and a
// marked stretch.
bool MakeTrimmer(PanelHost& host)
{
    auto& trimmer = host.Keep(std::make_unique<QKLTrimmerPanel>());
    const RECT bounds{0, 0, kTrimmerWidth, kTrimmerHeight};
    if (!trimmer.Create(&host, 53420, &bounds, 0, nullptr))
        return false;
    trimmer.SetShuttleRange(0.0, 30000.0);
    trimmer.SetShuttlePosition(10000.0);
    trimmer.SetShuttleMarker(0, 20, 60);
    trimmer.SetPaneText(CGfxString("0:00:10"), 0);
    trimmer.SetPaneText(CGfxString("In 0:00:06"), 1);
    trimmer.SetPaneText(CGfxString("Out 0:00:18"), 2);
    return true;
}

// Shows the host once `make` has filled it, until it closes.
template <class Make>
void ShowHost(const WhileShown& whileShown, const char* title, int width, int height, Make make)
{
    PanelHost host;
    if (!host.Make(title, 12, 14, width, height))
        return;
    if (!make(host)) {
        host.SendMessage(WM_CLOSE);
        return;
    }
    const HWND window = host.m_hWnd;
    Watch watch{title, whileShown, Close};
    Run(watch, [&] { PumpWhileAlive(window); });
}

} // namespace

void ShowPanels(const GalleryModules&, const WhileShown& whileShown)
{
    ShowHost(whileShown, "Panels", kWidth, kHeight, [](PanelHost& host) {
        return MakeColumn(host) && MakeBars(host) && MakeTransport(host) && MakeToolStrip(host);
    });
}

void ShowTrimmer(const GalleryModules&, const WhileShown& whileShown)
{
    ShowHost(whileShown, "Trimmer", kTrimmerWidth, kTrimmerHeight, MakeTrimmer);
}

} // namespace toolkit_gallery
