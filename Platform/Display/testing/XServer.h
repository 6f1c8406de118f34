#pragma once
// A virtual X server (Xvfb) of the test's own, and what a window manager or
// any other client sees of the windows on it: the top-level windows with
// their titles, places and hints, their pixels, the focus, the pointer and
// the clipboard's owner; and what such a client can do to them (move, size,
// focus, ask to close). Xlib stays inside XServer.cpp.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace display_test {

using XId = unsigned long;

struct XWindowInfo {
    XId id = 0;
    std::string title;
    long x = 0; // on the screen
    long y = 0;
    long width = 0;
    long height = 0;
    bool viewable = false;
    bool overrideRedirect = false;
    std::optional<unsigned long> decorations; // _MOTIF_WM_HINTS, when set
    std::string windowType;                   // _NET_WM_WINDOW_TYPE's name
    XId transientFor = 0;
};

class XServer {
public:
    // Starts Xvfb with one screen of the given size; null with the reason
    // in `why` when none can start.
    static std::unique_ptr<XServer> Start(int width, int height, std::string* why);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", for DISPLAY.
    const std::string& Name() const { return m_name; }

    std::vector<XWindowInfo> TopLevelWindows();
    std::optional<XWindowInfo> FindByTitle(const std::string& title);
    // 0x00RRGGBB of a pixel of a window, in its own coordinates.
    std::optional<uint32_t> Pixel(XId window, int x, int y);
    void Move(XId window, int x, int y);
    void Resize(XId window, int width, int height);
    void Focus(XId window);
    XId FocusedWindow();
    // WM_DELETE_WINDOW, as a window manager sends it for the close box.
    void RequestClose(XId window);
    // Sets _NET_WM_STATE to these atoms, as a window manager does when it
    // maximizes or minimizes a window ("_NET_WM_STATE_MAXIMIZED_VERT", ...).
    void SetWindowState(XId window, const std::vector<std::string>& states);
    bool PointerAt(long* x, long* y);
    bool ClipboardOwned();

    struct Connection;

private:
    XServer() = default;
    int m_pid = -1;
    std::string m_name;
    std::unique_ptr<Connection> m_x;
};

} // namespace display_test
