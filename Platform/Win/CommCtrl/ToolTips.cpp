// The "tooltips_class32" class: a topmost popup that never activates and
// shows a short text for a tool, a rectangle of a window or a whole window
// (TTF_IDISHWND). Mouse messages reach it through TTM_RELAYEVENT or, for
// tools with TTF_SUBCLASS, by subclassing the tool's window. The tip shows
// once the pointer rests on a tool for the initial delay and hides on a
// click, when the pointer leaves the tool and after the auto-pop delay.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

constexpr UINT_PTR kInitialTimer = 1;
constexpr UINT_PTR kAutoPopTimer = 2;
constexpr UINT_PTR kLeaveTimer = 3;
constexpr UINT kLeaveCheck = 50;

std::atomic<UINT> g_defaultInitial{0};

struct Tool {
    UINT flags = 0;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    HINSTANCE hinst = nullptr;
    std::string text;
    UINT_PTR resource = 0; // a string id of hinst
    bool callback = false;
    LPARAM lParam = 0;
};

struct ToolTip {
    std::vector<Tool> tools;
    bool active = true;
    int current = -1;
    bool shown = false;
    bool suppressed = false;
    int delays[4] = {-1, -1, -1, -1}; // by TTDT_; -1 follows the default
    std::string shownText;
    HFONT font = nullptr;
    int maxWidth = -1;
};

ToolTip* Of(HWND window) { return StateOf<ToolTip>(window); }

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
Subclasses g_toolWindows(ToolWindowProc);

UINT Delay(const ToolTip& tt, WPARAM which)
{
    if (tt.delays[which] >= 0)
        return static_cast<UINT>(tt.delays[which]);
    const UINT initial = tt.delays[TTDT_INITIAL] >= 0 ? static_cast<UINT>(tt.delays[TTDT_INITIAL])
                         : g_defaultInitial ? g_defaultInitial.load()
                                            : GetDoubleClickTime();
    switch (which) {
    case TTDT_AUTOPOP:
        return initial * 10;
    case TTDT_RESHOW:
        return std::max(1U, initial / 5);
    default:
        return initial;
    }
}

// The window a tool covers.
HWND ToolWindow(const Tool& tool)
{
    return (tool.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(tool.id) : tool.hwnd;
}

int FindTool(const ToolTip& tt, HWND hwnd, UINT_PTR id)
{
    for (size_t i = 0; i < tt.tools.size(); ++i)
        if (tt.tools[i].hwnd == hwnd && tt.tools[i].id == id)
            return static_cast<int>(i);
    return -1;
}

// The tool under a point given in `window`'s client coordinates.
int ToolAt(const ToolTip& tt, HWND window, POINT pt)
{
    for (size_t i = 0; i < tt.tools.size(); ++i) {
        const Tool& tool = tt.tools[i];
        if (tool.flags & TTF_IDISHWND) {
            HWND covered = reinterpret_cast<HWND>(tool.id);
            if (covered == window || (covered && IsChild(covered, window)))
                return static_cast<int>(i);
        } else if (tool.hwnd == window && PtInRect(&tool.rect, pt)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool PointerOnTool(const ToolTip& tt, int index)
{
    if (index < 0 || index >= static_cast<int>(tt.tools.size()))
        return false;
    POINT screen{};
    GetCursorPos(&screen);
    HWND under = WindowFromPoint(screen);
    if (!under)
        return false;
    POINT client = screen;
    ScreenToClient(under, &client);
    if (ToolAt(tt, under, client) == index)
        return true;
    // A rectangle tool of a window whose child lies under the pointer.
    const Tool& tool = tt.tools[static_cast<size_t>(index)];
    if (!(tool.flags & TTF_IDISHWND) && IsWindow(tool.hwnd)) {
        POINT local = screen;
        ScreenToClient(tool.hwnd, &local);
        return PtInRect(&tool.rect, local) && (under == tool.hwnd || IsChild(tool.hwnd, under));
    }
    return false;
}

void Hide(HWND window)
{
    ToolTip* tt = Of(window);
    if (!tt)
        return;
    KillTimer(window, kInitialTimer);
    KillTimer(window, kAutoPopTimer);
    KillTimer(window, kLeaveTimer);
    if (!tt->shown)
        return;
    tt->shown = false;
    ShowWindow(window, SW_HIDE);
    if (tt->current >= 0 && tt->current < static_cast<int>(tt->tools.size())) {
        NMHDR header{window, tt->tools[static_cast<size_t>(tt->current)].id, TTN_POP};
        if (HWND to = tt->tools[static_cast<size_t>(tt->current)].hwnd)
            SendMessageA(to, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
}

std::string LoadText(HINSTANCE module, UINT_PTR id)
{
    char buffer[1024] = {};
    const int n = LoadStringA(module, static_cast<UINT>(id), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// The tool's text, asking its window with TTN_NEEDTEXTA when it has none.
std::string TextOf(HWND window, int index)
{
    ToolTip* tt = Of(window);
    const Tool tool = tt->tools[static_cast<size_t>(index)];
    if (tool.resource)
        return LoadText(tool.hinst, tool.resource);
    if (!tool.callback)
        return tool.text;
    NMTTDISPINFOA nm{};
    nm.hdr.hwndFrom = window;
    nm.hdr.idFrom = tool.id;
    nm.hdr.code = TTN_NEEDTEXTA;
    nm.uFlags = tool.flags;
    nm.lParam = tool.lParam;
    if (IsWindow(tool.hwnd))
        SendMessageA(tool.hwnd, WM_NOTIFY, tool.id, reinterpret_cast<LPARAM>(&nm));
    nm.szText[sizeof nm.szText - 1] = '\0';
    if (nm.lpszText && nm.lpszText != LPSTR_TEXTCALLBACKA) {
        if (IS_INTRESOURCE(nm.lpszText))
            return nm.hinst ? LoadText(nm.hinst, reinterpret_cast<UINT_PTR>(nm.lpszText)) : std::string();
        return nm.lpszText;
    }
    return nm.szText;
}

UINT TextFormat(HWND window, const ToolTip& tt)
{
    UINT format = DT_LEFT | DT_EXPANDTABS;
    format |= tt.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE;
    if (GetWindowLongA(window, GWL_STYLE) & TTS_NOPREFIX)
        format |= DT_NOPREFIX;
    return format;
}

void Show(HWND window)
{
    ToolTip* tt = Of(window);
    if (!tt || !tt->active || tt->suppressed || tt->current < 0 || tt->current >= static_cast<int>(tt->tools.size()))
        return;
    const Tool& tool = tt->tools[static_cast<size_t>(tt->current)];
    if (!(GetWindowLongA(window, GWL_STYLE) & TTS_ALWAYSTIP)) {
        HWND root = GetAncestor(ToolWindow(tool), GA_ROOT);
        if (!root || GetActiveWindow() != root)
            return;
    }
    std::string text = TextOf(window, tt->current);
    if (!(tt = Of(window)) || text.empty())
        return;
    tt->shownText = text;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, tt->font ? tt->font : controls::DefaultControlFont());
    RECT measured{0, 0, tt->maxWidth > 0 ? tt->maxWidth : 4000, 0};
    DrawTextA(dc, text.c_str(), -1, &measured, TextFormat(window, *tt) | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    const int width = measured.right - measured.left + 8;
    const int height = measured.bottom - measured.top + 4;
    POINT at{};
    GetCursorPos(&at);
    at.y += 20;
    at.x = std::max<LONG>(0, std::min<LONG>(at.x, GetSystemMetrics(SM_CXSCREEN) - width));
    if (at.y + height > GetSystemMetrics(SM_CYSCREEN))
        at.y -= 20 + height + 4;
    tt->shown = true;
    SetWindowPos(window, HWND_TOPMOST, at.x, at.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(window, nullptr, TRUE);
    SetTimer(window, kAutoPopTimer, Delay(*tt, TTDT_AUTOPOP), nullptr);
    SetTimer(window, kLeaveTimer, kLeaveCheck, nullptr);
}

void Relay(HWND window, const MSG& msg)
{
    ToolTip* tt = Of(window);
    if (!tt)
        return;
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        // A click hides the tip until the pointer moves to another tool.
        Hide(window);
        if ((tt = Of(window)))
            tt->suppressed = true;
        return;
    case WM_MOUSEMOVE: {
        const POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        const int index = ToolAt(*tt, msg.hwnd, pt);
        if (index == tt->current)
            return;
        Hide(window);
        if (!(tt = Of(window)))
            return;
        const bool wasShowing = tt->current >= 0 && tt->shown;
        tt->current = index;
        tt->suppressed = false;
        if (index >= 0 && tt->active)
            SetTimer(window, kInitialTimer, Delay(*tt, wasShowing ? TTDT_RESHOW : TTDT_INITIAL), nullptr);
        return;
    }
    default:
        return;
    }
}

void Paint(HWND window, HDC dc)
{
    ToolTip* tt = Of(window);
    RECT r = ClientRect(window);
    FillSysColor(dc, r, COLOR_INFOBK);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_INFOTEXT));
    HGDIOBJ old = SelectObject(dc, tt->font ? tt->font : controls::DefaultControlFont());
    const int mode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&r, -4, -2);
    DrawTextA(dc, tt->shownText.c_str(), -1, &r, TextFormat(window, *tt));
    SetBkMode(dc, mode);
    SelectObject(dc, old);
}

// Relays the mouse messages of a subclassed tool window to its tool tip.
LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND tip = g_toolWindows.OwnerOf(window);
    if (tip && ((message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK) || message == WM_MOUSEMOVE)) {
        MSG msg{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = g_toolWindows.CallOriginal(window, message, wParam, lParam);
        g_toolWindows.Detach(window);
        return result;
    }
    return g_toolWindows.CallOriginal(window, message, wParam, lParam);
}

void FillInfo(const Tool& tool, TOOLINFOA* info)
{
    info->uFlags = tool.flags;
    info->hwnd = tool.hwnd;
    info->uId = tool.id;
    info->rect = tool.rect;
    info->hinst = tool.hinst;
    info->lParam = tool.lParam;
    if (tool.callback)
        info->lpszText = LPSTR_TEXTCALLBACKA;
    else if (tool.resource)
        info->lpszText = MAKEINTRESOURCEA(tool.resource);
}

void SetText(Tool& tool, const TOOLINFOA& info)
{
    tool.hinst = info.hinst;
    tool.callback = info.lpszText == LPSTR_TEXTCALLBACKA;
    tool.resource = 0;
    tool.text.clear();
    if (tool.callback || !info.lpszText)
        return;
    if (IS_INTRESOURCE(info.lpszText))
        tool.resource = reinterpret_cast<UINT_PTR>(info.lpszText);
    else
        tool.text = info.lpszText;
}

bool SizeOk(const TOOLINFOA* info) { return info && info->cbSize >= offsetof(TOOLINFOA, lParam); }

} // namespace

void SetDefaultToolTipDelay(UINT initialMs) { g_defaultInitial = initialMs; }

LRESULT CALLBACK ToolTipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ToolTip>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ToolTip* tt = Of(window);
    if (!tt)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        // A tip is a topmost tool window whatever the caller asked for.
        SetWindowLongA(window, GWL_EXSTYLE,
                       GetWindowLongA(window, GWL_EXSTYLE) | static_cast<LONG>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    }
    case WM_NCDESTROY:
        for (const Tool& tool : tt->tools)
            if ((tool.flags & TTF_SUBCLASS) && g_toolWindows.OwnerOf(ToolWindow(tool)) == window)
                g_toolWindows.Detach(ToolWindow(tool));
        FreeState<ToolTip>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_SETFONT:
        tt->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(tt->font);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    case WM_TIMER:
        switch (wParam) {
        case kInitialTimer:
            KillTimer(window, kInitialTimer);
            if (PointerOnTool(*tt, tt->current))
                Show(window);
            else
                tt->current = -1;
            return 0;
        case kAutoPopTimer:
            Hide(window);
            if ((tt = Of(window)))
                tt->suppressed = true;
            return 0;
        case kLeaveTimer:
            if (!PointerOnTool(*tt, tt->current)) {
                Hide(window);
                if ((tt = Of(window)))
                    tt->current = -1;
            }
            return 0;
        default:
            return 0;
        }

    case TTM_ACTIVATE:
        tt->active = wParam != 0;
        if (!tt->active)
            Hide(window);
        return 0;
    case TTM_SETDELAYTIME: {
        const int ms = static_cast<SHORT>(LOWORD(lParam));
        if (wParam == TTDT_AUTOMATIC) {
            tt->delays[TTDT_INITIAL] = ms < 0 ? -1 : ms;
            tt->delays[TTDT_AUTOPOP] = ms < 0 ? -1 : ms * 10;
            tt->delays[TTDT_RESHOW] = ms < 0 ? -1 : ms / 5;
        } else if (wParam <= TTDT_INITIAL) {
            tt->delays[wParam] = ms < 0 ? -1 : ms;
        }
        return 0;
    }
    case TTM_GETDELAYTIME:
        return wParam <= TTDT_INITIAL ? static_cast<LRESULT>(Delay(*tt, wParam)) : 0;
    case TTM_ADDTOOLA: {
        const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
        if (!SizeOk(info))
            return FALSE;
        Tool tool;
        tool.flags = info->uFlags;
        tool.hwnd = info->hwnd;
        tool.id = info->uId;
        tool.rect = info->rect;
        tool.lParam = info->cbSize >= offsetof(TOOLINFOA, lpReserved) ? info->lParam : 0;
        SetText(tool, *info);
        const int existing = FindTool(*tt, tool.hwnd, tool.id);
        if (existing >= 0)
            tt->tools[static_cast<size_t>(existing)] = tool;
        else
            tt->tools.push_back(tool);
        if (tool.flags & TTF_SUBCLASS)
            g_toolWindows.Attach(ToolWindow(tool), window);
        return TRUE;
    }
    case TTM_DELTOOLA: {
        const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
        if (!SizeOk(info))
            return 0;
        const int index = FindTool(*tt, info->hwnd, info->uId);
        if (index < 0)
            return 0;
        if (index == tt->current) {
            Hide(window);
            if (!(tt = Of(window)))
                return 0;
            tt->current = -1;
        } else if (index < tt->current) {
            --tt->current;
        }
        const Tool tool = tt->tools[static_cast<size_t>(index)];
        tt->tools.erase(tt->tools.begin() + index);
        if ((tool.flags & TTF_SUBCLASS) && g_toolWindows.OwnerOf(ToolWindow(tool)) == window)
            g_toolWindows.Detach(ToolWindow(tool));
        return 0;
    }
    case TTM_NEWTOOLRECTA: {
        const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
        const int index = SizeOk(info) ? FindTool(*tt, info->hwnd, info->uId) : -1;
        if (index >= 0)
            tt->tools[static_cast<size_t>(index)].rect = info->rect;
        return 0;
    }
    case TTM_UPDATETIPTEXTA: {
        const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
        const int index = SizeOk(info) ? FindTool(*tt, info->hwnd, info->uId) : -1;
        if (index < 0)
            return 0;
        SetText(tt->tools[static_cast<size_t>(index)], *info);
        if (index == tt->current && tt->shown) {
            tt->shownText = TextOf(window, index);
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    }
    case TTM_GETTOOLINFOA: {
        auto* info = reinterpret_cast<TOOLINFOA*>(lParam);
        const int index = SizeOk(info) ? FindTool(*tt, info->hwnd, info->uId) : -1;
        if (index < 0)
            return FALSE;
        FillInfo(tt->tools[static_cast<size_t>(index)], info);
        return TRUE;
    }
    case TTM_GETTEXTA: {
        auto* info = reinterpret_cast<TOOLINFOA*>(lParam);
        const int index = SizeOk(info) ? FindTool(*tt, info->hwnd, info->uId) : -1;
        if (index < 0 || !info->lpszText)
            return 0;
        // The buffer holds 80 characters unless wParam says otherwise.
        const size_t size = wParam ? static_cast<size_t>(wParam) : 80;
        const std::string text = tt->tools[static_cast<size_t>(index)].text;
        const size_t n = std::min(text.size(), size - 1);
        text.copy(info->lpszText, n);
        info->lpszText[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(tt->tools.size());
    case TTM_RELAYEVENT:
        if (const auto* msg = reinterpret_cast<const MSG*>(lParam))
            Relay(window, *msg);
        return 0;
    case TTM_SETMAXTIPWIDTH: {
        const int old = tt->maxWidth;
        tt->maxWidth = static_cast<int>(lParam);
        return old;
    }
    case TTM_POP:
        Hide(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
