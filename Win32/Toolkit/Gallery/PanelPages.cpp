#include "Win32/Toolkit/Gallery/PanelPages.h"

#include <memory>

#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/PlayCtrlPanel.h"
#include "Win32/Toolkit/QKLModeCtrlPanel.h"
#include "Win32/Toolkit/QKLToolBar.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/ToolFourButton.h"

namespace toolkit_gallery {

namespace {

constexpr const char* kTitle = "Panels";
constexpr int kWidth = 1000;
constexpr int kHeight = 740;
constexpr LONG kColumnWidth = 68;
constexpr LONG kTopBarHeight = 56;
constexpr LONG kStatusBarHeight = 24;
constexpr RECT kTransport{330, 430, 670, 542};
constexpr RECT kToolStrip{249, 580, 751, 610};
// The mode whose button shows pressed, as when its tool is open.
constexpr INT kTextMode = 53324;

// The editing screen's frame: the column down the left edge, the bars
// across the top and the bottom to its right, the panels in the middle on
// the skin's dialog colour. Closing it lets the panels go first, while
// their windows still exist.
class PanelScreen : public CWnd {
public:
    bool Make()
    {
        const HBRUSH back = GetSkinState().GetCtlColorBrush(nullptr, nullptr, CTLCOLOR_DLG, FALSE);
        if (!CreateEx(0, AfxRegisterWndClass(0, nullptr, back), kTitle, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 12,
                      14, kWidth, kHeight, nullptr, nullptr))
            return false;
        return MakeColumn() && MakeBars() && MakeTransport() && MakeToolStrip();
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
    bool MakeColumn()
    {
        m_column = std::make_unique<QKLModeCtrlPanel>();
        const RECT bounds{0, 0, kColumnWidth, kHeight};
        if (!m_column->Create(this, 700, &bounds, 0, nullptr))
            return false;
        m_column->MoveTo(&bounds);
        m_column->EnableButtonsByMask(0xFFFFFFFF);
        m_column->SelectOnly(kTextMode, 1);
        return true;
    }
    bool MakeBars()
    {
        m_topBar = std::make_unique<QKLToolBar>(FALSE);
        m_statusBar = std::make_unique<QKLToolBar>(TRUE);
        const RECT top{kColumnWidth, 0, kWidth, kTopBarHeight};
        const RECT status{kColumnWidth, kHeight - kStatusBarHeight, kWidth, kHeight};
        if (!m_topBar->Create(this, 600, &top) || !m_statusBar->Create(this, 601, &status))
            return false;
        m_topBar->RelayoutButtons();
        m_statusBar->SetLabel1Text("Holiday 2026.sbd");
        m_statusBar->SetLabel2Text("12 scenes, 4:35");
        m_statusBar->SetLabel3Text("Ready");
        m_statusBar->Redraw();
        return true;
    }
    bool MakeTransport()
    {
        m_transport = std::make_unique<QKLPlayCtrlPanel>();
        if (!m_transport->Create(this, 53350, &kTransport, 0, nullptr))
            return false;
        m_transport->EnableButtons(0xFFFFFFFF, -1);
        m_transport->SetShuttleRange(0.0, 60000.0);
        m_transport->SetShuttlePosition(20000.0);
        m_transport->GetFourButtonStrip().Show(true);
        m_transport->SetPaneText(CGfxString("0:00:20"), 0);
        m_transport->SetPaneText(CGfxString("Scene 3"), 3);
        return true;
    }
    bool MakeToolStrip()
    {
        m_toolStrip = std::make_unique<klToolFourButton>(0);
        if (!m_toolStrip->Create(this, 53410, &kToolStrip, 0, nullptr))
            return false;
        m_toolStrip->SetSelection(0, this);
        return true;
    }
    void Release()
    {
        m_toolStrip.reset();
        m_transport.reset();
        m_statusBar.reset();
        m_topBar.reset();
        m_column.reset();
    }

    std::unique_ptr<QKLModeCtrlPanel> m_column;
    std::unique_ptr<QKLToolBar> m_topBar;
    std::unique_ptr<QKLToolBar> m_statusBar;
    std::unique_ptr<QKLPlayCtrlPanel> m_transport;
    std::unique_ptr<klToolFourButton> m_toolStrip;
};

} // namespace

void ShowPanels(const GalleryModules&, const WhileShown& whileShown)
{
    PanelScreen screen;
    if (!screen.Make()) {
        if (screen.GetSafeHwnd())
            screen.SendMessage(WM_CLOSE);
        return;
    }
    const HWND window = screen.m_hWnd;
    Watch watch{kTitle, whileShown, Close};
    Run(watch, [&] { PumpWhileAlive(window); });
}

} // namespace toolkit_gallery
