#pragma once
// What the control-panel tests stand on: windows that record the commands
// and private messages they receive (the owner window a panel is created
// in, and a main window installed as AfxGetMainWnd()), the resource modules
// loaded from one folder (the program's by default), and clicks injected at
// a button's place on the headless desktop.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/CtrlPanel.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace panel_test {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received&) const = default;
};
void PrintTo(const Received& r, std::ostream* out);

constexpr UINT kPlayerMessage = WM_USER + 1; // 0x401
constexpr UINT kMarkMessage = WM_USER + 2;   // 0x402

// A window that records WM_COMMAND, WM_SYSCOMMAND and every message from
// WM_USER up, sent or posted, in the order they arrive.
class RecordingWindow : public CWnd {
public:
    // A visible popup at (x, y) on the screen, `width` x `height`.
    bool Make(const char* title, int x, int y, int width, int height, bool visible = true);
    ~RecordingWindow() override;

    // What arrived of one message, or of all.
    std::vector<Received> Of(UINT message) const;
    const std::vector<Received>& All() const { return m_received; }
    void Clear() { m_received.clear(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<Received> m_received;
};

// A recording main window, AfxGetMainWnd() for the object's life. Without an
// application object in the process a stand-in one is made for as long.
class RecordingMainWindow {
public:
    RecordingMainWindow();
    ~RecordingMainWindow();
    RecordingMainWindow(const RecordingMainWindow&) = delete;
    RecordingMainWindow& operator=(const RecordingMainWindow&) = delete;

    RecordingWindow window;

private:
    std::unique_ptr<CWinApp> m_app;
    CWnd* m_previous = nullptr;
};

// Dispatches until the queue is empty, timers left out (a test delivers
// the ticks it wants).
using element_fixtures::Pump;
// The centre of a window on the screen.
POINT CentreOf(HWND window);
// A full click at a screen point, with Shift held when asked.
void ClickAt(POINT screen, bool shift = false);
// A click on the centre of the panel's button `id`; false when the panel
// has no such button.
bool ClickButton(QKLCtrlPanel& panel, INT id, bool shift = false);
// The thread's tool-tip window, or null.
HWND ToolTipOfThread();
// The tip the panel gives for one of its child windows.
std::string ToolTipText(QKLCtrlPanel& panel, HWND tool);
// A pixel of a window's client area, read from the screen.
COLORREF ClientPixel(HWND window, int x, int y);
// Where the panel's shuttle thumb stands (-1 without a shuttle position).
LONG ThumbPosition(QKLCtrlPanel& panel);
// What a transport tells its owner: the WM_COMMANDs and the player (0x401)
// and mark (0x402) messages, in order.
std::vector<Received> TransportMessages(const RecordingWindow& owner);

// Each test: the modules of ModuleFolder() loaded, a recording owner window
// (600 x 400 at kOwnerOrigin) and a recording main window.
class PanelTest : public testing::Test {
protected:
    static constexpr POINT kOwnerOrigin{40, 40};

    void SetUp() override;
    void TearDown() override;
    // The folder the three resource modules load from.
    virtual const char* ModuleFolder() const { return KESTRELON_PROGRAM_MODULES; }

    std::unique_ptr<RecordingWindow> owner;
    std::unique_ptr<RecordingMainWindow> main;

private:
    std::unique_ptr<testing_support::LoadedResourceModules> m_modules;
};

} // namespace panel_test
