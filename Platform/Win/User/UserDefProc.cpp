// DefWindowProc: the default handling of the messages the system relies on.

#include <algorithm>
#include <cstring>

#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

HWND ParentOf(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    return w && w->IsChildStyle() && w->parent && !IsRoot(w->parent) ? w->parent->handle : nullptr;
}

HCURSOR CursorFor(LRESULT hit)
{
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return LoadCursorA(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM:
        return LoadCursorA(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTSIZE:
        return LoadCursorA(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return LoadCursorA(nullptr, IDC_SIZENESW);
    default:
        return LoadCursorA(nullptr, IDC_ARROW);
    }
}

LRESULT SetCursorDefault(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (HWND parent = ParentOf(window))
        if (SendMessageA(parent, WM_SETCURSOR, wParam, lParam))
            return TRUE;
    const LRESULT hit = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
    if (hit == HTERROR)
        return FALSE;
    if (hit == HTCLIENT) {
        HCURSOR cursor = nullptr;
        {
            Guard lock(Lock());
            Window* w = FindLocked(window);
            cursor = w ? w->cls->cursor : nullptr;
        }
        if (!cursor)
            return FALSE;
        SetCursor(cursor);
        return TRUE;
    }
    SetCursor(CursorFor(hit));
    return TRUE;
}

LRESULT CopyText(HWND window, WPARAM size, LPSTR buffer)
{
    if (!buffer || size == 0)
        return 0;
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        buffer[0] = '\0';
        return 0;
    }
    size_t count = std::min(w->text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, w->text.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

void SetText(HWND window, LPCSTR text)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w)
        return;
    w->text = text && !IS_INTRESOURCE(text) ? text : "";
    // A top-level window's text is its native window's title.
    if (w->parent == State().desktop.get())
        DesktopChangedLocked();
    // A caption of ours shows the new title: the frame is painted anew
    // through WM_NCPAINT, so a window that paints its own frame keeps it.
    if ((w->style & WS_CAPTION) == WS_CAPTION && !WindowManagerFrames(w->style, w->ownFrame))
        InvalidateLocked(*w, detail::RectRegion(), RDW_INVALIDATE | RDW_FRAME);
}

void SendMoveAndSize(HWND window, UINT flags)
{
    RECT client{};
    DWORD style = 0;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        client = w->client;
        style = w->style;
    }
    if (!(flags & SWP_NOCLIENTMOVE))
        SendMessageA(window, WM_MOVE, 0,
                     MAKELPARAM(static_cast<DWORD>(client.left), static_cast<DWORD>(client.top)));
    if (!(flags & SWP_NOCLIENTSIZE)) {
        WPARAM kind = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageA(window, WM_SIZE, kind,
                     MAKELPARAM(static_cast<DWORD>(client.right - client.left),
                                static_cast<DWORD>(client.bottom - client.top)));
    }
}

void LimitSize(HWND window, WINDOWPOS* pos)
{
    if (!pos || (pos->flags & SWP_NOSIZE))
        return;
    DWORD style = 0;
    bool topLevel = false;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        style = w->style;
        topLevel = w->parent == State().desktop.get();
    }
    if (style & (WS_MINIMIZE | WS_MAXIMIZE))
        return;
    ApplyMinMaxTrack(window, style, topLevel, &pos->cx, &pos->cy);
}

LRESULT NonClientButtonDown(HWND window, WPARAM hit, LPARAM lParam)
{
    // A window that took the capture on this press tracks it itself (a box
    // of its own drawn in the caption): no move loop takes its input away.
    if (GetCapture() == window)
        return 0;
    if (hit == HTMENU || hit == HTSYSMENU || hit == HTVSCROLL || hit == HTHSCROLL) {
        const FrameExtension* extension = GetFrameExtension();
        if (extension && extension->nonClientButtonDown)
            extension->nonClientButtonDown(window, static_cast<LRESULT>(hit),
                                           POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    switch (hit) {
    case HTCAPTION:
        SendMessageA(window, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam);
        break;
    case HTCLOSE:
    case HTMINBUTTON:
    case HTMAXBUTTON:
        if (TrackCaptionButton(window, static_cast<LRESULT>(hit))) {
            WPARAM command = hit == HTCLOSE ? SC_CLOSE : hit == HTMINBUTTON ? SC_MINIMIZE
                                                      : IsZoomed(window)    ? SC_RESTORE
                                                                            : SC_MAXIMIZE;
            SendMessageA(window, WM_SYSCOMMAND, command, lParam);
        }
        break;
    case HTLEFT:
    case HTRIGHT:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
        SendMessageA(window, WM_SYSCOMMAND, SizeCommandFor(static_cast<LRESULT>(hit)), lParam);
        break;
    default:
        break;
    }
    return 0;
}

LRESULT SystemCommand(HWND window, WPARAM command, LPARAM lParam)
{
    switch (command & 0xFFF0) {
    case SC_CLOSE: {
        bool noClose = false;
        {
            Guard lock(Lock());
            Window* w = FindLocked(window);
            noClose = w && (w->cls->style & CS_NOCLOSE);
        }
        if (!noClose)
            SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    }
    case SC_MINIMIZE:
        ShowWindow(window, SW_MINIMIZE);
        break;
    case SC_MAXIMIZE:
        ShowWindow(window, SW_MAXIMIZE);
        break;
    case SC_RESTORE:
        ShowWindow(window, SW_RESTORE);
        break;
    case SC_MOVE:
    case SC_SIZE:
        TrackMoveSize(window, command, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case SC_KEYMENU:
    case SC_MOUSEMENU:
        if (const FrameExtension* extension = GetFrameExtension(); extension && extension->menuCommand)
            extension->menuCommand(window, command, lParam);
        break;
    default:
        break;
    }
    return 0;
}

// The system look: window colours for edits and list boxes, the 3-D face
// for the rest, with the text colour and background set to match.
LRESULT DefaultControlColor(UINT message, HDC dc)
{
    struct Colors {
        UINT message;
        int text;
        int back;
        int brush;
    };
    static constexpr Colors kColors[] = {
        {WM_CTLCOLORMSGBOX, COLOR_WINDOWTEXT, COLOR_3DFACE, COLOR_3DFACE},
        {WM_CTLCOLORBTN, COLOR_BTNTEXT, COLOR_3DFACE, COLOR_3DFACE},
        {WM_CTLCOLORDLG, COLOR_WINDOWTEXT, COLOR_3DFACE, COLOR_3DFACE},
        {WM_CTLCOLORSTATIC, COLOR_WINDOWTEXT, COLOR_3DFACE, COLOR_3DFACE},
        {WM_CTLCOLOREDIT, COLOR_WINDOWTEXT, COLOR_WINDOW, COLOR_WINDOW},
        {WM_CTLCOLORLISTBOX, COLOR_WINDOWTEXT, COLOR_WINDOW, COLOR_WINDOW},
        {WM_CTLCOLORSCROLLBAR, COLOR_WINDOWTEXT, COLOR_WINDOW, COLOR_SCROLLBAR},
    };
    for (const Colors& c : kColors) {
        if (c.message != message)
            continue;
        if (dc) {
            SetTextColor(dc, GetSysColor(c.text));
            SetBkColor(dc, GetSysColor(c.back));
        }
        return reinterpret_cast<LRESULT>(GetSysColorBrush(c.brush));
    }
    return 0;
}

} // namespace

} // namespace win::user

using namespace win;
using namespace win::user;

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (create && create->lpszName)
            SetText(window, create->lpszName);
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (!rect)
            return 0;
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || IsRoot(w))
            return 0;
        NonClientLayout layout = WindowNonClient(*w, rect->right - rect->left, rect->bottom - rect->top);
        *rect = detail::OffsetRectBy(layout.client, rect->left, rect->top);
        return 0;
    }
    case WM_NCHITTEST:
        return NonClientHitTest(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT:
        PaintNonClient(window);
        return 0;
    case WM_NCACTIVATE: {
        {
            Guard lock(Lock());
            if (Window* w = FindLocked(window))
                w->frameActive = wParam != 0;
        }
        PaintNonClient(window);
        return TRUE;
    }
    case WM_NCLBUTTONDOWN:
        return NonClientButtonDown(window, wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION && (GetWindowLongA(window, GWL_STYLE) & WS_MAXIMIZEBOX) &&
            !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
            SendMessageA(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        return 0;
    case WM_SYSCOMMAND:
        return SystemCommand(window, wParam, lParam);
    case WM_SETTEXT:
        SetText(window, reinterpret_cast<LPCSTR>(lParam));
        return TRUE;
    case WM_GETTEXT:
        return CopyText(window, wParam, reinterpret_cast<LPSTR>(lParam));
    case WM_GETTEXTLENGTH: {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        {
            Guard lock(Lock());
            Window* w = FindLocked(window);
            brush = w ? w->cls->background : nullptr;
        }
        if (!brush)
            return 0;
        RECT client{};
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETCURSOR:
        return SetCursorDefault(window, wParam, lParam);
    case WM_MOUSEACTIVATE:
        if (HWND parent = ParentOf(window))
            if (LRESULT answer = SendMessageA(parent, WM_MOUSEACTIVATE, wParam, lParam))
                return answer;
        return MA_ACTIVATE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(window))
            SetFocus(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        LimitSize(window, reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos)
            SendMoveAndSize(window, pos->flags);
        return 0;
    }
    case WM_RBUTTONUP: {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &at);
        SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(static_cast<DWORD>(at.x), static_cast<DWORD>(at.y)));
        return 0;
    }
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
        if (HWND parent = ParentOf(window))
            return SendMessageA(parent, message, wParam, lParam);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & (1 << 29)))
            SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCHAR:
        // Alt+letter opens the top-level window's menu at that letter,
        // Alt+Space its system menu.
        if (HWND top = GetAncestor(window, GA_ROOT))
            SendMessageA(top, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == window)
            ReleaseCapture();
        return 0;
    case WM_SETREDRAW: {
        Guard lock(Lock());
        if (Window* w = FindLocked(window))
            w->style = wParam ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
        return 0;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return DefaultControlColor(message, reinterpret_cast<HDC>(wParam));
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    default:
        return 0;
    }
}
