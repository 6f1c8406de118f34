// Windows: the window table and tree, creation and destruction, relations,
// window longs, text, properties, search and enumeration.

#include <algorithm>
#include <cstring>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/Kernel/Time.h"
#include "Platform/Win/User/Clipboard.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

LRESULT CALLBACK RootProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

std::shared_ptr<Window> MakeRoot(UserState& state, const char* className, bool onScreen)
{
    auto cls = std::make_shared<WindowClass>();
    cls->name = className;
    cls->proc = RootProc;
    cls->background = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_DESKTOP + 1));
    cls->windows = 1;
    state.classes.push_back(cls);
    auto root = std::make_shared<Window>();
    root->handle = state.windows.Add<HWND>(root);
    root->cls = cls;
    root->proc = RootProc;
    root->style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (onScreen ? WS_VISIBLE : 0);
    const LONG width = onScreen ? state.screenWidth.load() : 0;
    const LONG height = onScreen ? state.screenHeight.load() : 0;
    root->rect = RECT{0, 0, width, height};
    root->client = root->rect;
    if (onScreen)
        root->surface = std::make_shared<Surface>(width, height, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
    return root;
}

// Where a top-level window goes among the desktop's children: topmost
// windows stay above the others.
size_t TopOfGroup(const Window& parent, const Window& window)
{
    if (window.exStyle & WS_EX_TOPMOST)
        return 0;
    size_t i = 0;
    while (i < parent.children.size() && (parent.children[i]->exStyle & WS_EX_TOPMOST))
        ++i;
    return i;
}

void Unlink(Window& window)
{
    if (window.parent)
        std::erase(window.parent->children, &window);
}

// Frees a window and whatever is left below it, without messages.
void FreeLocked(Window& window)
{
    for (Window* child : std::vector<Window*>(window.children))
        FreeLocked(*child);
    UserState& state = State();
    Unlink(window);
    window.parent = nullptr;
    state.windows.ForEach([&](UINT_PTR, const std::shared_ptr<Window>& other) {
        if (other->owner == &window)
            other->owner = nullptr;
    });
    if (window.cls)
        --window.cls->windows;
    HWND handle = window.handle;
    if (state.active == handle)
        state.active = nullptr;
    if (state.focus == handle)
        state.focus = nullptr;
    if (state.capture == handle)
        state.capture = nullptr;
    if (state.mainWindow == handle)
        state.mainWindow = nullptr;
    if (state.activeBeforeFocusLoss == handle)
        state.activeBeforeFocusLoss = nullptr;
    for (auto& [thread, queue] : state.queues) {
        if (queue->m_trackLeave == handle)
            queue->m_trackLeave = nullptr;
        if (queue->m_lastClick.window == handle)
            queue->m_lastClick = LastClick{};
    }
    KillWindowTimersLocked(handle);
    FailSendsToLocked(handle);
    win::detail::ClipboardWindowGone(handle);
    window.props.clear();
    window.dead = true;
    const auto keep = state.windows.Remove(handle); // freed as this returns, not under the caller
    Wake();
}

std::vector<HWND> ChildHandles(const Window& window)
{
    std::vector<HWND> handles;
    for (const Window* child : window.children)
        handles.push_back(child->handle);
    return handles;
}

void NotifyParents(HWND window, UINT event)
{
    std::vector<std::pair<HWND, LPARAM>> parents;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        while (w && w->IsChildStyle() && !(w->exStyle & WS_EX_NOPARENTNOTIFY) && w->parent && !IsRoot(w->parent)) {
            parents.emplace_back(w->parent->handle, reinterpret_cast<LPARAM>(window));
            w = w->parent;
        }
    }
    WPARAM wParam = MAKEWPARAM(event, static_cast<DWORD>(GetDlgCtrlID(window)));
    for (auto& [parent, lParam] : parents)
        SendMessageA(parent, WM_PARENTNOTIFY, wParam, lParam);
}

void SendDestroy(HWND window)
{
    SendMessageA(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        children = ChildHandles(*w);
        for (Window* child : w->children)
            child->destroying = true;
    }
    for (HWND child : children)
        SendDestroy(child);
}

void SendNcDestroy(HWND window)
{
    std::vector<HWND> children;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return;
        children = ChildHandles(*w);
    }
    for (HWND child : children)
        SendNcDestroy(child);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    if (const FrameExtension* extension = GetFrameExtension(); extension && extension->windowDestroyed)
        extension->windowDestroyed(window);
    Guard lock(Lock());
    if (Window* w = FindLocked(window))
        FreeLocked(*w);
}

std::string PropKey(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<UINT_PTR>(name));
    return ToLower(name);
}

bool MatchesName(const Window& window, LPCSTR className, LPCSTR windowName)
{
    if (className) {
        if (IS_INTRESOURCE(className)) {
            if (window.cls->atom != static_cast<ATOM>(reinterpret_cast<UINT_PTR>(className)))
                return false;
        } else if (ToLower(window.cls->name) != ToLower(className)) {
            return false;
        }
    }
    return !windowName || ToLower(window.text) == ToLower(windowName);
}

LONG_PTR GetWindowValue(HWND handle, int index, size_t size)
{
    Guard lock(Lock());
    Window* w = FindLocked(handle);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_WNDPROC:
        if (size < sizeof(LONG_PTR))
            break;
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
        if (w->IsChildStyle())
            return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle : nullptr);
        return reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
    case GWL_ID:
        return static_cast<LONG_PTR>(w->id);
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWL_USERDATA:
        return w->userData;
    default:
        if (index < 0 || static_cast<size_t>(index) + size > w->extra.size())
            break;
        if (size == sizeof(LONG)) {
            LONG value = 0;
            std::memcpy(&value, w->extra.data() + index, size);
            return value;
        }
        LONG_PTR value = 0;
        std::memcpy(&value, w->extra.data() + index, size);
        return value;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetStyle(HWND handle, int index, DWORD value)
{
    STYLESTRUCT change{};
    {
        Guard lock(Lock());
        Window* w = FindLocked(handle);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
    }
    change.styleNew = value;
    SendMessageA(handle, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    {
        Guard lock(Lock());
        Window* w = FindLocked(handle);
        if (!w)
            return 0;
        (index == GWL_STYLE ? w->style : w->exStyle) = change.styleNew;
        DesktopChangedLocked();
    }
    SendMessageA(handle, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    return static_cast<LONG>(change.styleOld);
}

LONG_PTR SetWindowValue(HWND handle, int index, LONG_PTR value, size_t size)
{
    if (index == GWL_STYLE || index == GWL_EXSTYLE)
        return SetStyle(handle, index, static_cast<DWORD>(value));
    Guard lock(Lock());
    Window* w = FindLocked(handle);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    switch (index) {
    case GWL_WNDPROC:
        if (size < sizeof(LONG_PTR))
            break;
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWL_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWL_HWNDPARENT: {
        // Sets the owner of a top-level window.
        if (w->IsChildStyle())
            break;
        old = reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
        Window* owner = value ? FindLocked(reinterpret_cast<HWND>(value)) : nullptr;
        if (value && (!owner || IsRoot(owner))) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        w->owner = owner ? TopLevelOf(owner) : nullptr;
        if (w->owner == w)
            w->owner = nullptr;
        DesktopChangedLocked();
        return old;
    }
    case GWL_ID:
        old = static_cast<LONG_PTR>(w->id);
        w->id = static_cast<UINT_PTR>(value);
        return old;
    case GWL_USERDATA:
        old = w->userData;
        w->userData = value;
        return old;
    default:
        if (index < 0 || static_cast<size_t>(index) + size > w->extra.size())
            break;
        if (size == sizeof(LONG)) {
            LONG previous = 0;
            LONG next = static_cast<LONG>(value);
            std::memcpy(&previous, w->extra.data() + index, size);
            std::memcpy(w->extra.data() + index, &next, size);
            return previous;
        }
        std::memcpy(&old, w->extra.data() + index, size);
        std::memcpy(w->extra.data() + index, &value, size);
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

} // namespace

UserState& State()
{
    static UserState* state = [] {
        auto* made = new UserState; // lives until exit: thread-exit clean-up runs late
        made->desktop = MakeRoot(*made, "#32769", true);
        made->messageRoot = MakeRoot(*made, "Message", false);
        return made;
    }();
    return *state;
}

// Applies the limits a resizable top-level window reports in WM_GETMINMAXINFO.
void ApplyMinMaxTrack(HWND window, DWORD style, bool topLevel, int* width, int* height)
{
    if (!topLevel || !(style & WS_THICKFRAME))
        return;
    MINMAXINFO info{};
    info.ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    info.ptMaxPosition = POINT{-GetSystemMetrics(SM_CXFRAME), -GetSystemMetrics(SM_CYFRAME)};
    info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    *width = std::clamp<int>(*width, info.ptMinTrackSize.x, std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
    *height = std::clamp<int>(*height, info.ptMinTrackSize.y, std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

Window* FindLocked(HWND window)
{
    const std::shared_ptr<Window> found = State().windows.Find(window);
    return !found || found->dead ? nullptr : found.get();
}

bool IsRoot(const Window* window)
{
    const UserState& state = State();
    return window == state.desktop.get() || window == state.messageRoot.get();
}

Window* TopLevelOf(Window* window)
{
    while (window && window->parent && !IsRoot(window->parent))
        window = window->parent;
    return window;
}

bool IsDescendant(const Window* ancestor, const Window* window)
{
    for (const Window* w = window; w; w = w->parent)
        if (w == ancestor)
            return true;
    return false;
}

// Places a linked or unlinked window among its parent's children.
void LinkLocked(Window& window, Window& parent, HWND insertAfter)
{
    Unlink(window);
    window.parent = &parent;
    auto& siblings = parent.children;
    const bool desktop = &parent == State().desktop.get();
    size_t at = 0;
    if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        if (desktop) {
            window.exStyle = insertAfter == HWND_TOPMOST ? (window.exStyle | WS_EX_TOPMOST)
                                                         : (window.exStyle & ~WS_EX_TOPMOST);
            at = TopOfGroup(parent, window);
        }
    } else if (insertAfter == HWND_BOTTOM) {
        if (desktop)
            window.exStyle &= ~WS_EX_TOPMOST;
        at = siblings.size();
    } else if (insertAfter == HWND_TOP) {
        at = desktop ? TopOfGroup(parent, window) : 0;
    } else {
        auto it = std::find_if(siblings.begin(), siblings.end(),
                               [&](const Window* s) { return s->handle == insertAfter; });
        at = it == siblings.end() ? TopOfGroup(parent, window) : static_cast<size_t>(it - siblings.begin()) + 1;
        if (desktop) {
            // A window keeps to its group: topmost windows above the rest.
            size_t groupTop = TopOfGroup(parent, window);
            size_t firstPlain = 0;
            while (firstPlain < siblings.size() && (siblings[firstPlain]->exStyle & WS_EX_TOPMOST))
                ++firstPlain;
            at = (window.exStyle & WS_EX_TOPMOST) ? std::min(at, firstPlain) : std::max(at, groupTop);
        }
    }
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(at, siblings.size())), &window);
}

// Keeps owned windows above their owner after the owner moved in z-order.
void RaiseOwnedLocked(Window& owner)
{
    Window* desktop = State().desktop.get();
    std::vector<Window*> owned;
    for (Window* w : desktop->children)
        if (w->owner == &owner)
            owned.push_back(w);
    // Reinserting from the bottom one up keeps their order among themselves.
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        Window* w = *it;
        auto& siblings = desktop->children;
        auto ownerAt = std::find(siblings.begin(), siblings.end(), &owner) - siblings.begin();
        auto ownedAt = std::find(siblings.begin(), siblings.end(), w) - siblings.begin();
        if (ownedAt > ownerAt && !(w->exStyle & WS_EX_TOPMOST && !(owner.exStyle & WS_EX_TOPMOST))) {
            std::erase(siblings, w);
            siblings.insert(std::find(siblings.begin(), siblings.end(), &owner), w);
        }
        RaiseOwnedLocked(*w);
    }
}

void DropThreadWindowsLocked(DWORD thread)
{
    std::vector<std::shared_ptr<Window>> doomed;
    State().windows.ForEach([&](UINT_PTR, const std::shared_ptr<Window>& w) {
        if (w->thread == thread && !w->dead)
            doomed.push_back(w);
    });
    for (auto& w : doomed) {
        // A child whose parent was dropped before it is already gone.
        if (!w->dead)
            FreeLocked(*w);
    }
    DesktopChangedLocked();
}

} // namespace win::user

using namespace win;
using namespace win::user;

namespace {

// A window linked into the tree that no message has reached yet, with the
// style its creation applied (an overlapped window's caption added).
struct InsertedWindow {
    HWND handle = nullptr;
    bool topLevel = false;
    DWORD style = 0;
};

// Validate and insert: checks the class and the parent or owner, gives the
// place and size their defaults (in `create`) and links a new window into
// the tree; a null handle, with the last error set, when the class or the
// parent is wrong.
InsertedWindow InsertWindowLocked(CREATESTRUCTA& create)
{
    UserState& state = State();
    auto cls = FindClassLocked(create.lpszClass);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return {};
    }
    DWORD style = static_cast<DWORD>(create.style);
    Window* parent = state.desktop.get();
    Window* owner = nullptr;
    if (create.hwndParent == HWND_MESSAGE) {
        parent = state.messageRoot.get();
    } else if (create.hwndParent) {
        Window* given = FindLocked(create.hwndParent);
        if (!given) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return {};
        }
        if (style & WS_CHILD)
            parent = given;
        else if (!IsRoot(given))
            owner = TopLevelOf(given);
    } else if (style & WS_CHILD) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return {};
    }
    const bool topLevel = parent == state.desktop.get();
    // Overlapped windows always have a caption, as on Windows.
    const bool overlapped = topLevel && !(style & (WS_POPUP | WS_CHILD));
    if (overlapped)
        style |= WS_CAPTION | WS_CLIPSIBLINGS;
    if (create.x == CW_USEDEFAULT) {
        int step = overlapped ? 24 * (1 + state.cascade++ % 8) : 0;
        create.x = create.y = step;
    }
    if (create.cx == CW_USEDEFAULT) {
        create.cx = overlapped ? state.screenWidth * 3 / 4 : 0;
        create.cy = overlapped ? state.screenHeight * 3 / 4 : 0;
    }
    create.cx = std::max(create.cx, 0);
    create.cy = std::max(create.cy, 0);

    auto w = std::make_shared<Window>();
    w->handle = state.windows.Add<HWND>(w);
    if (!w->handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
    w->made = ++state.windowsMade;
    w->thread = GetCurrentThreadId();
    w->cls = cls;
    w->proc = cls->proc;
    w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w->exStyle = create.dwExStyle;
    w->id = reinterpret_cast<UINT_PTR>(create.hMenu);
    w->instance = create.hInstance;
    w->rect = RECT{create.x, create.y, create.x + create.cx, create.y + create.cy};
    w->client = w->rect;
    w->normalRect = w->rect;
    w->extra.assign(static_cast<size_t>(cls->windowExtraBytes), 0);
    w->owner = owner;
    if (topLevel)
        w->surface = std::make_shared<Surface>(create.cx, create.cy, PixelFromColor(GetSysColor(COLOR_BTNFACE)));
    ++cls->windows;
    // New top-level windows go on top; children below their siblings,
    // so that creation order is z-order from the top (dialog tab order).
    LinkLocked(*w, *parent, topLevel ? HWND_TOP : HWND_BOTTOM);
    return InsertedWindow{w->handle, topLevel, style};
}

// Min and max sizes: a resizable top-level window takes the size limits it
// reports, before it is told of its creation.
void ApplyCreationMinMax(const InsertedWindow& inserted, CREATESTRUCTA& create)
{
    int width = create.cx;
    int height = create.cy;
    ApplyMinMaxTrack(inserted.handle, inserted.style, inserted.topLevel, &width, &height);
    if (width == create.cx && height == create.cy)
        return;
    {
        Guard lock(Lock());
        if (Window* w = FindLocked(inserted.handle)) {
            w->rect.right = w->rect.left + width;
            w->rect.bottom = w->rect.top + height;
            w->client = w->normalRect = w->rect;
            if (w->surface)
                w->surface->Resize(width, height, PixelFromColor(GetSysColor(COLOR_BTNFACE)));
        }
    }
    create.cx = width;
    create.cy = height;
}

// WM_NCCREATE; a window that refuses it is freed at once, without
// WM_DESTROY.
bool SendNcCreate(HWND handle, CREATESTRUCTA& create)
{
    if (SendMessageA(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)))
        return true;
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    Guard lock(Lock());
    if (Window* w = FindLocked(handle))
        FreeLocked(*w);
    return false;
}

// WM_NCCALCSIZE: the client area, never of a negative size, into `client`;
// false when the window has gone meanwhile.
bool CalcClientArea(HWND handle, RECT* client)
{
    {
        Guard lock(Lock());
        Window* w = FindLocked(handle);
        if (!w)
            return false;
        *client = w->rect;
    }
    SendMessageA(handle, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(client));
    Guard lock(Lock());
    Window* w = FindLocked(handle);
    if (!w)
        return false;
    client->right = std::max(client->right, client->left);
    client->bottom = std::max(client->bottom, client->top);
    w->client = *client;
    return true;
}

// The creation messages up to the parents' notice; false when the window
// refused its creation or has gone.
bool SendCreationMessages(HWND handle, CREATESTRUCTA& create)
{
    RECT client{};
    if (!SendNcCreate(handle, create) || !CalcClientArea(handle, &client))
        return false;
    if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return false;
    }
    if (!IsWindow(handle))
        return false;
    const DWORD clientWidth = static_cast<DWORD>(client.right - client.left);
    const DWORD clientHeight = static_cast<DWORD>(client.bottom - client.top);
    SendMessageA(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(clientWidth, clientHeight));
    SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(static_cast<DWORD>(client.left), static_cast<DWORD>(client.top)));
    NotifyParents(handle, WM_CREATE);
    return true;
}

} // namespace

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parentHandle, HMENU menu, HINSTANCE instance, LPVOID param)
{
    CurrentQueue(); // the thread owns windows from here on; its queue cleans them up when it ends
    CREATESTRUCTA create{param, instance, menu, parentHandle, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    InsertedWindow inserted;
    {
        Guard lock(Lock());
        inserted = InsertWindowLocked(create);
    }
    const HWND handle = inserted.handle;
    if (!handle)
        return nullptr;
    RunCreationHook(handle, create);
    if (!IsWindow(handle))
        return nullptr;
    ApplyCreationMinMax(inserted, create);
    if (!SendCreationMessages(handle, create))
        return nullptr;
    if (style & WS_VISIBLE) {
        int show = (style & WS_MAXIMIZE)   ? SW_SHOWMAXIMIZED
                   : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                                           : SW_SHOW;
        ShowWindow(handle, show);
    }
    return IsWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND window)
{
    bool visible = false;
    std::vector<HWND> owned;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (IsRoot(w) || w->thread != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying)
            return TRUE;
        w->destroying = true;
        visible = (w->style & WS_VISIBLE) != 0;
        State().windows.ForEach([&](UINT_PTR, const std::shared_ptr<Window>& other) {
            if (other->owner != w || other->dead)
                return;
            if (other->thread == w->thread)
                owned.push_back(other->handle);
            else
                other->owner = nullptr;
        });
    }
    NotifyParents(window, WM_DESTROY);
    if (visible)
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    ActivateOtherWindow(window);
    for (HWND o : owned)
        DestroyWindow(o);
    SendDestroy(window);
    {
        Guard lock(Lock());
        UserState& state = State();
        Window* w = FindLocked(window);
        auto within = [&](HWND h) {
            Window* other = FindLocked(h);
            return other && w && IsDescendant(w, other);
        };
        if (within(state.capture))
            state.capture = nullptr;
        if (within(state.focus))
            state.focus = nullptr;
    }
    SendNcDestroy(window);
    Guard lock(Lock());
    DesktopChangedLocked();
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    Guard lock(Lock());
    if (FindLocked(window))
        return TRUE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

BOOL IsChild(HWND parent, HWND window)
{
    Guard lock(Lock());
    Window* p = FindLocked(parent);
    Window* w = FindLocked(window);
    if (!p || !w)
        return FALSE;
    while (w->IsChildStyle() && w->parent) {
        w = w->parent;
        if (w == p)
            return TRUE;
    }
    return FALSE;
}

HWND GetDesktopWindow()
{
    Guard lock(Lock());
    return State().desktop->handle;
}

HWND GetParent(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->IsChildStyle())
        return w->parent && !IsRoot(w->parent) ? w->parent->handle : nullptr;
    if ((w->style & WS_POPUP) && w->owner)
        return w->owner->handle;
    return nullptr;
}

HWND GetAncestor(HWND window, UINT flags)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (IsRoot(w))
        return nullptr;
    switch (flags) {
    case GA_PARENT:
        return w->parent ? w->parent->handle : nullptr;
    case GA_ROOT:
        return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
        Window* root = TopLevelOf(w);
        while (root->owner)
            root = root->owner;
        return root->handle;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND SetParent(HWND child, HWND newParent)
{
    HWND old = nullptr;
    {
        Guard lock(Lock());
        UserState& state = State();
        Window* w = FindLocked(child);
        Window* parent = newParent ? FindLocked(newParent) : state.desktop.get();
        if (newParent == HWND_MESSAGE)
            parent = state.messageRoot.get();
        if (!w || !parent) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (IsRoot(w) || IsDescendant(w, parent)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        old = w->parent ? w->parent->handle : nullptr;
        const bool wasVisible = IsVisibleLocked(*w);
        if (wasVisible && w->parent && !IsRoot(w->parent))
            ExposeLocked(*w->parent, w->rect);
        LinkLocked(*w, *parent, HWND_TOP);
        if (parent == state.desktop.get()) {
            if (!w->surface)
                w->surface = std::make_shared<Surface>(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top,
                                                       PixelFromColor(GetSysColor(COLOR_BTNFACE)));
        } else {
            w->surface.reset();
            w->owner = nullptr;
        }
        if (IsVisibleLocked(*w))
            InvalidateAllLocked(*w);
        DesktopChangedLocked();
    }
    return old;
}

HWND GetWindow(HWND window, UINT command)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const std::vector<Window*>* siblings = w->parent ? &w->parent->children : nullptr;
    auto at = [&]() -> std::ptrdiff_t {
        return siblings ? std::find(siblings->begin(), siblings->end(), w) - siblings->begin() : -1;
    };
    switch (command) {
    case GW_HWNDFIRST:
        return siblings && !siblings->empty() ? siblings->front()->handle : nullptr;
    case GW_HWNDLAST:
        return siblings && !siblings->empty() ? siblings->back()->handle : nullptr;
    case GW_HWNDNEXT: {
        auto i = at();
        return siblings && i >= 0 && static_cast<size_t>(i + 1) < siblings->size() ? (*siblings)[i + 1]->handle
                                                                                    : nullptr;
    }
    case GW_HWNDPREV: {
        auto i = at();
        return siblings && i > 0 ? (*siblings)[i - 1]->handle : nullptr;
    }
    case GW_OWNER:
        return w->owner ? w->owner->handle : nullptr;
    case GW_CHILD:
        return w->children.empty() ? nullptr : w->children.front()->handle;
    case GW_ENABLEDPOPUP:
        for (Window* other : State().desktop->children)
            if (other->owner == w && (other->style & WS_VISIBLE) && !(other->style & WS_DISABLED))
                return other->handle;
        return nullptr;
    default:
        SetLastError(ERROR_INVALID_GW_COMMAND);
        return nullptr;
    }
}

HWND GetTopWindow(HWND window)
{
    return GetWindow(window ? window : GetDesktopWindow(), GW_CHILD);
}

HWND GetDlgItem(HWND dialog, int id)
{
    Guard lock(Lock());
    Window* w = FindLocked(dialog);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (Window* child : w->children)
        if (static_cast<int>(child->id) == id)
            return child->handle;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return w->IsChildStyle() ? static_cast<int>(w->id) : 0;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId)
        *processId = GetCurrentProcessId();
    return w->thread;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName)
{
    Guard lock(Lock());
    UserState& state = State();
    Window* p = parent == HWND_MESSAGE ? state.messageRoot.get() : parent ? FindLocked(parent) : state.desktop.get();
    if (!p) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    bool started = childAfter == nullptr;
    for (Window* child : p->children) {
        if (!started) {
            started = child->handle == childAfter;
            continue;
        }
        if (!child->destroying && MatchesName(*child, className, windowName))
            return child->handle;
    }
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) { return FindWindowExA(nullptr, nullptr, className, windowName); }

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param)
{
    if (!callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles;
    {
        Guard lock(Lock());
        Window* p = parent ? FindLocked(parent) : State().desktop.get();
        if (!p) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        auto collect = [&](auto&& self, const Window& w) -> void {
            for (const Window* child : w.children) {
                handles.push_back(child->handle);
                self(self, *child);
            }
        };
        collect(collect, *p);
    }
    for (HWND h : handles)
        if (IsWindow(h) && !callback(h, param))
            return FALSE;
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param)
{
    if (!callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles;
    {
        Guard lock(Lock());
        handles = ChildHandles(*State().desktop);
    }
    for (HWND h : handles)
        if (IsWindow(h) && !callback(h, param))
            return FALSE;
    return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param)
{
    if (!callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles;
    {
        Guard lock(Lock());
        for (const Window* w : State().desktop->children)
            if (w->thread == threadId)
                handles.push_back(w->handle);
    }
    for (HWND h : handles)
        if (IsWindow(h) && !callback(h, param))
            return FALSE;
    return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text)
{
    if (!IsWindow(window))
        return FALSE;
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int size)
{
    if (!text || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    text[0] = '\0';
    if (!IsWindow(window))
        return 0;
    LRESULT copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(text));
    return static_cast<int>(copied);
}

int GetWindowTextLengthA(HWND window)
{
    if (!IsWindow(window))
        return 0;
    return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

LONG GetWindowLongA(HWND window, int index) { return static_cast<LONG>(GetWindowValue(window, index, sizeof(LONG))); }

LONG SetWindowLongA(HWND window, int index, LONG value)
{
    return static_cast<LONG>(SetWindowValue(window, index, value, sizeof(LONG)));
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) { return GetWindowValue(window, index, sizeof(LONG_PTR)); }

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value)
{
    return SetWindowValue(window, index, value, sizeof(LONG_PTR));
}

BOOL SetPropA(HWND window, LPCSTR name, HANDLE data)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::string key = PropKey(name);
    for (auto& [k, v] : w->props) {
        if (k == key) {
            v = data;
            return TRUE;
        }
    }
    w->props.emplace_back(std::move(key), data);
    return TRUE;
}

HANDLE GetPropA(HWND window, LPCSTR name)
{
    if (!name)
        return nullptr;
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::string key = PropKey(name);
    for (auto& [k, v] : w->props)
        if (k == key)
            return v;
    return nullptr;
}

HANDLE RemovePropA(HWND window, LPCSTR name)
{
    if (!name)
        return nullptr;
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::string key = PropKey(name);
    for (auto it = w->props.begin(); it != w->props.end(); ++it) {
        if (it->first == key) {
            HANDLE data = it->second;
            w->props.erase(it);
            return data;
        }
    }
    return nullptr;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!proc)
        return 0;
    return proc(window, message, wParam, lParam);
}
