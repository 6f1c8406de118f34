#include "Win32/Toolkit/tests/PanelTestSupport.h"

#include <ostream>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ButtonElement.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/SliderElementProperties.h"

namespace panel_test {

void PrintTo(const Received& r, std::ostream* out)
{
    *out << "{0x" << std::hex << r.message << std::dec << ", " << r.wParam << ", " << r.lParam << "}";
}

bool RecordingWindow::Make(const char* title, int x, int y, int width, int height, bool visible)
{
    const DWORD style = WS_POPUP | (visible ? WS_VISIBLE : 0);
    return CreateEx(0, AfxRegisterWndClass(0), title, style, x, y, width, height, nullptr, nullptr) != FALSE;
}

RecordingWindow::~RecordingWindow()
{
    if (GetSafeHwnd())
        DestroyWindow();
}

std::vector<Received> RecordingWindow::Of(UINT message) const
{
    std::vector<Received> out;
    for (const Received& r : m_received)
        if (r.message == message)
            out.push_back(r);
    return out;
}

LRESULT RecordingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND || message == WM_SYSCOMMAND || (message >= WM_USER && message < 0xC000))
        m_received.push_back(Received{message, wParam, lParam});
    // The recorded messages end here, so that no default handling acts on
    // them (WM_SYSCOMMAND would close or minimise the window).
    if (message == WM_SYSCOMMAND || message >= WM_USER)
        return 0;
    return CWnd::WindowProc(message, wParam, lParam);
}

RecordingMainWindow::RecordingMainWindow()
{
    if (!AfxGetThread())
        m_app = std::make_unique<CWinApp>("Kestrelon Panel Test");
    CWinThread* thread = AfxGetThread();
    window.Make("Kestrelon", 0, 0, 200, 100, false);
    m_previous = thread->m_pMainWnd;
    thread->m_pMainWnd = &window;
}

RecordingMainWindow::~RecordingMainWindow()
{
    if (CWinThread* thread = AfxGetThread(); thread && thread->m_pMainWnd == &window)
        thread->m_pMainWnd = m_previous;
    if (window.GetSafeHwnd())
        window.DestroyWindow();
    m_app.reset();
}

POINT CentreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickAt(POINT screen, bool shift)
{
    using win::user::MouseButton;
    if (shift)
        win::user::InjectKey(VK_SHIFT, true);
    win::user::InjectMouseMove(screen);
    Pump();
    win::user::InjectMouseButton(MouseButton::Left, true, screen);
    Pump();
    win::user::InjectMouseButton(MouseButton::Left, false, screen);
    Pump();
    if (shift) {
        win::user::InjectKey(VK_SHIFT, false);
        Pump();
    }
}

bool ClickButton(QKLCtrlPanel& panel, INT id, bool shift)
{
    ButtonElement* button = panel.FindButton(id);
    if (!button || !button->GetHwnd())
        return false;
    ClickAt(CentreOf(button->GetHwnd()), shift);
    return true;
}

HWND ToolTipOfThread()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) {
            char name[32] = {};
            GetClassNameA(w, name, sizeof name);
            if (std::string(name) == TOOLTIPS_CLASSA)
                *reinterpret_cast<HWND*>(p) = w;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string ToolTipText(QKLCtrlPanel& panel, HWND tool)
{
    TOOLTIPTEXTA text{};
    // From the thread's tip window, as the tip sends it; before the first
    // tip is made (a hidden panel), from the tool itself.
    HWND tip = ToolTipOfThread();
    text.hdr.hwndFrom = tip ? tip : tool;
    text.hdr.idFrom = reinterpret_cast<UINT_PTR>(tool);
    text.hdr.code = TTN_NEEDTEXTA;
    text.uFlags = TTF_IDISHWND;
    SendMessageA(panel.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&text));
    return text.lpszText ? std::string(text.lpszText) : std::string();
}

LONG ThumbPosition(QKLCtrlPanel& panel)
{
    LONG position = -1;
    if (SliderElement* shuttle = panel.GetShuttle())
        if (const CTaggedValue* stored = shuttle->GetProperty(SliderElementProperties::kPosition))
            stored->CopyLong(position);
    return position;
}

std::vector<Received> TransportMessages(const RecordingWindow& owner)
{
    std::vector<Received> out;
    for (const Received& r : owner.All())
        if (r.message == WM_COMMAND || r.message == 0x401 || r.message == 0x402)
            out.push_back(r);
    return out;
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

void PanelTest::SetUp()
{
    m_modules = std::make_unique<testing_support::LoadedResourceModules>(ModuleFolder());
    ASSERT_TRUE(m_modules->IsLoaded()) << "the build makes the modules in " << ModuleFolder();
    SetCursorPos(0, 0);
    Pump();
    main = std::make_unique<RecordingMainWindow>();
    owner = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(owner->Make("owner", kOwnerOrigin.x, kOwnerOrigin.y, 600, 400));
    Pump();
}

void PanelTest::TearDown()
{
    ReleaseCapture();
    win::user::InjectMouseButton(win::user::MouseButton::Left, false, POINT{0, 0});
    win::user::InjectKey(VK_SHIFT, false);
    Pump();
    owner.reset();
    main.reset();
    Pump();
    AfxDeleteTempMaps();
    m_modules.reset();
}

} // namespace panel_test
