#include "Platform/Display/testing/XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace display_test {

struct XServer::Connection {
    Display* display = nullptr;
    Atom netWmName = 0;
    Atom utf8 = 0;
    Atom motifHints = 0;
    Atom windowType = 0;
    Atom protocols = 0;
    Atom deleteWindow = 0;
    Atom clipboard = 0;
};

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);

// Windows come and go while this client looks at them: its errors are
// expected and ignored. SDL's own connection keeps the handler it had.
Display* g_observer = nullptr;
XErrorHandler g_previousHandler = nullptr;

int IgnoreObserverErrors(Display* display, XErrorEvent* error)
{
    if (display == g_observer || !g_previousHandler)
        return 0;
    return g_previousHandler(display, error);
}

// A property's 32-bit items (longs in Xlib), empty when unset.
std::vector<unsigned long> Longs(Display* display, Window window, Atom property, Atom type)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, property, 0, 64, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data && format == 32) {
        auto* items = reinterpret_cast<unsigned long*>(data);
        values.assign(items, items + count);
    }
    if (data)
        XFree(data);
    return values;
}

std::string Title(XServer::Connection& x, Window window)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(x.display, window, x.netWmName, 0, 1024, False, x.utf8, &actualType, &format, &count,
                           &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data)
        XFree(data);
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(x.display, window, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

} // namespace

std::unique_ptr<XServer> XServer::Start(int width, int height, std::string* why)
{
    int fds[2];
    if (pipe(fds) != 0) {
        *why = "no pipe";
        return nullptr;
    }
    // Xvfb picks a free display itself and writes its number when it is
    // ready; it ends with this process, however that ends.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        close(fds[0]);
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        *why = "cannot start Xvfb";
        return nullptr;
    }
    std::unique_ptr<XServer> server(new XServer);
    server->m_pid = pid;
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
        pollfd wait{fds[0], POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0)
            continue;
        char buffer[16];
        ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        *why = "Xvfb did not start (package xvfb)";
        return nullptr;
    }
    server->m_name = ":" + number.substr(0, number.find('\n'));
    auto x = std::make_unique<Connection>();
    x->display = XOpenDisplay(server->m_name.c_str());
    if (!x->display) {
        *why = "Xvfb does not answer on " + server->m_name;
        return nullptr;
    }
    g_observer = x->display;
    g_previousHandler = XSetErrorHandler(IgnoreObserverErrors);
    x->netWmName = XInternAtom(x->display, "_NET_WM_NAME", False);
    x->utf8 = XInternAtom(x->display, "UTF8_STRING", False);
    // Made now, as a window manager would: clients give their decoration
    // wishes in it only when it exists.
    x->motifHints = XInternAtom(x->display, "_MOTIF_WM_HINTS", False);
    x->windowType = XInternAtom(x->display, "_NET_WM_WINDOW_TYPE", False);
    x->protocols = XInternAtom(x->display, "WM_PROTOCOLS", False);
    x->deleteWindow = XInternAtom(x->display, "WM_DELETE_WINDOW", False);
    x->clipboard = XInternAtom(x->display, "CLIPBOARD", False);
    XSync(x->display, False);
    server->m_x = std::move(x);
    return server;
}

XServer::~XServer()
{
    if (m_x && m_x->display) {
        XSetErrorHandler(g_previousHandler);
        g_observer = nullptr;
        XCloseDisplay(m_x->display);
    }
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

std::vector<XWindowInfo> XServer::TopLevelWindows()
{
    Display* display = m_x->display;
    XSync(display, False);
    Window root = DefaultRootWindow(display);
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<XWindowInfo> out;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count))
        return out;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, children[i], &attributes))
            continue;
        XWindowInfo info;
        info.id = children[i];
        info.title = Title(*m_x, children[i]);
        Window child = 0;
        int x = 0;
        int y = 0;
        XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &child);
        info.x = x;
        info.y = y;
        info.width = attributes.width;
        info.height = attributes.height;
        info.viewable = attributes.map_state == IsViewable;
        info.overrideRedirect = attributes.override_redirect;
        std::vector<unsigned long> motif = Longs(display, children[i], m_x->motifHints, m_x->motifHints);
        if (motif.size() >= 3 && (motif[0] & 2))
            info.decorations = motif[2];
        std::vector<unsigned long> type = Longs(display, children[i], m_x->windowType, XA_ATOM);
        if (!type.empty()) {
            char* name = XGetAtomName(display, type[0]);
            info.windowType = name ? name : "";
            if (name)
                XFree(name);
        }
        Window transient = 0;
        if (XGetTransientForHint(display, children[i], &transient))
            info.transientFor = transient;
        out.push_back(info);
    }
    if (children)
        XFree(children);
    return out;
}

std::optional<XWindowInfo> XServer::FindByTitle(const std::string& title)
{
    for (const XWindowInfo& info : TopLevelWindows())
        if (info.title == title)
            return info;
    return std::nullopt;
}

std::optional<uint32_t> XServer::Pixel(XId window, int x, int y)
{
    XImage* image = XGetImage(m_x->display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return std::nullopt;
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

void XServer::Move(XId window, int x, int y)
{
    XMoveWindow(m_x->display, window, x, y);
    XSync(m_x->display, False);
}

void XServer::Resize(XId window, int width, int height)
{
    XResizeWindow(m_x->display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(m_x->display, False);
}

void XServer::Focus(XId window)
{
    XSetInputFocus(m_x->display, window, RevertToNone, CurrentTime);
    XSync(m_x->display, False);
}

XId XServer::FocusedWindow()
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_x->display, &focus, &revert);
    return focus;
}

void XServer::RequestClose(XId window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = m_x->protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(m_x->deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_x->display, window, False, NoEventMask, &event);
    XSync(m_x->display, False);
}

void XServer::SetWindowState(XId window, const std::vector<std::string>& states)
{
    std::vector<Atom> atoms;
    for (const std::string& state : states)
        atoms.push_back(XInternAtom(m_x->display, state.c_str(), False));
    XChangeProperty(m_x->display, window, XInternAtom(m_x->display, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
    XSync(m_x->display, False);
}

bool XServer::PointerAt(long* x, long* y)
{
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(m_x->display, DefaultRootWindow(m_x->display), &root, &child, &rootX, &rootY, &winX, &winY,
                       &mask))
        return false;
    *x = rootX;
    *y = rootY;
    return true;
}

bool XServer::ClipboardOwned() { return XGetSelectionOwner(m_x->display, m_x->clipboard) != 0; }

} // namespace display_test
