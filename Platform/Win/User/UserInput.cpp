// Input: mouse and keyboard events fed in by the display layer are queued
// raw for the thread that owns the window they go to, and that thread turns
// them into window messages when it looks at its queue: WM_NCHITTEST
// decides client or non-client, a click on an inactive window asks
// WM_MOUSEACTIVATE, WM_SETCURSOR comes before each mouse message, and
// double clicks are found by time and distance. TranslateMessage makes
// WM_CHAR from key messages with a US keyboard layout.

#include <algorithm>
#include <cstdlib>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

constexpr int kMaxTransparentHits = 8;

UINT GenericKey(UINT vk)
{
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return vk;
    }
}

bool IsExtendedKey(UINT vk)
{
    switch (vk) {
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
        return true;
    default:
        return false;
    }
}

// Set-1 scan codes of a PC keyboard, for WM_KEYDOWN's lParam.
BYTE ScanCode(UINT vk)
{
    static constexpr char kTopRow[] = "QWERTYUIOP";
    static constexpr char kMiddleRow[] = "ASDFGHJKL";
    static constexpr char kBottomRow[] = "ZXCVBNM";
    for (BYTE i = 0; kTopRow[i]; ++i)
        if (vk == static_cast<UINT>(kTopRow[i]))
            return static_cast<BYTE>(0x10 + i);
    for (BYTE i = 0; kMiddleRow[i]; ++i)
        if (vk == static_cast<UINT>(kMiddleRow[i]))
            return static_cast<BYTE>(0x1E + i);
    for (BYTE i = 0; kBottomRow[i]; ++i)
        if (vk == static_cast<UINT>(kBottomRow[i]))
            return static_cast<BYTE>(0x2C + i);
    if (vk >= '1' && vk <= '9')
        return static_cast<BYTE>(0x02 + (vk - '1'));
    if (vk >= VK_F1 && vk <= VK_F10)
        return static_cast<BYTE>(0x3B + (vk - VK_F1));
    switch (vk) {
    case '0': return 0x0B;
    case VK_ESCAPE: return 0x01;
    case VK_OEM_MINUS: return 0x0C;
    case VK_OEM_PLUS: return 0x0D;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_OEM_4: return 0x1A;
    case VK_OEM_6: return 0x1B;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return 0x1D;
    case VK_OEM_1: return 0x27;
    case VK_OEM_7: return 0x28;
    case VK_OEM_3: return 0x29;
    case VK_SHIFT: case VK_LSHIFT: return 0x2A;
    case VK_OEM_5: return 0x2B;
    case VK_OEM_COMMA: return 0x33;
    case VK_OEM_PERIOD: return 0x34;
    case VK_OEM_2: case VK_DIVIDE: return 0x35;
    case VK_RSHIFT: return 0x36;
    case VK_MULTIPLY: return 0x37;
    case VK_MENU: case VK_LMENU: case VK_RMENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_CAPITAL: return 0x3A;
    case VK_NUMLOCK: return 0x45;
    case VK_SCROLL: return 0x46;
    case VK_HOME: case VK_NUMPAD7: return 0x47;
    case VK_UP: case VK_NUMPAD8: return 0x48;
    case VK_PRIOR: case VK_NUMPAD9: return 0x49;
    case VK_SUBTRACT: return 0x4A;
    case VK_LEFT: case VK_NUMPAD4: return 0x4B;
    case VK_NUMPAD5: return 0x4C;
    case VK_RIGHT: case VK_NUMPAD6: return 0x4D;
    case VK_ADD: return 0x4E;
    case VK_END: case VK_NUMPAD1: return 0x4F;
    case VK_DOWN: case VK_NUMPAD2: return 0x50;
    case VK_NEXT: case VK_NUMPAD3: return 0x51;
    case VK_INSERT: case VK_NUMPAD0: return 0x52;
    case VK_DELETE: case VK_DECIMAL: return 0x53;
    case VK_OEM_102: return 0x56;
    case VK_F11: return 0x57;
    case VK_F12: return 0x58;
    default: return 0;
    }
}

UINT ButtonKey(MouseButton button)
{
    switch (button) {
    case MouseButton::Right:
        return VK_RBUTTON;
    case MouseButton::Middle:
        return VK_MBUTTON;
    default:
        return VK_LBUTTON;
    }
}

// The button a physical button stands for while the buttons are swapped.
MouseButton LogicalButton(MouseButton physical)
{
    if (!State().buttonsSwapped || physical == MouseButton::Middle)
        return physical;
    return physical == MouseButton::Left ? MouseButton::Right : MouseButton::Left;
}

UINT ClientMouseMessage(const InputEvent& event)
{
    if (event.kind == InputKind::MouseMove)
        return WM_MOUSEMOVE;
    UINT down = event.button == MouseButton::Right ? WM_RBUTTONDOWN
              : event.button == MouseButton::Middle ? WM_MBUTTONDOWN
                                                    : WM_LBUTTONDOWN;
    return event.down ? down : down + 1;
}

WPARAM MouseKeysLocked()
{
    const BYTE* keys = State().asyncKeys;
    WPARAM flags = 0;
    if (keys[ButtonKey(LogicalButton(MouseButton::Left))] & 0x80)
        flags |= MK_LBUTTON;
    if (keys[ButtonKey(LogicalButton(MouseButton::Right))] & 0x80)
        flags |= MK_RBUTTON;
    if (keys[VK_MBUTTON] & 0x80)
        flags |= MK_MBUTTON;
    if (keys[VK_SHIFT] & 0x80)
        flags |= MK_SHIFT;
    if (keys[VK_CONTROL] & 0x80)
        flags |= MK_CONTROL;
    return flags;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<DWORD>(p.x), static_cast<DWORD>(p.y)); }

void SetKey(BYTE* keys, UINT vk, bool down)
{
    BYTE& key = keys[vk & 0xFF];
    if (down) {
        // The low bit toggles with each press (Caps Lock's light).
        if (!(key & 0x80))
            key ^= 0x01;
        key |= 0x80;
    } else {
        key &= static_cast<BYTE>(~0x80);
    }
}

void ApplyKeyState(MessageQueue& queue, const InputEvent& event)
{
    if (event.kind == InputKind::Key) {
        SetKey(queue.m_keys, event.vk, event.down);
        if (event.sideVk)
            SetKey(queue.m_keys, event.sideVk, event.down);
    } else if (event.kind == InputKind::MouseButton) {
        SetKey(queue.m_keys, ButtonKey(event.button), event.down);
    }
}

// Hands a raw event to the thread that owns its new target.
void Reroute(InputEvent event, const Window& target)
{
    MessageQueue* queue = QueueOfLocked(target.thread);
    if (!queue)
        return;
    event.target = target.handle;
    queue->m_input.push_back(event);
    queue->Note(event.kind == InputKind::MouseMove ? QS_MOUSEMOVE : QS_MOUSEBUTTON);
    Wake();
}

void NotifyParentsOfClick(Guard& lock, HWND window, UINT message, POINT screen)
{
    std::vector<std::pair<HWND, LPARAM>> parents;
    for (Window* w = FindLocked(window); w && w->IsChildStyle() && !(w->exStyle & WS_EX_NOPARENTNOTIFY) && w->parent &&
                                         !IsRoot(w->parent);
         w = w->parent) {
        POINT origin = ClientOriginOnScreen(*w->parent);
        parents.emplace_back(w->parent->handle, PointParam(POINT{screen.x - origin.x, screen.y - origin.y}));
    }
    lock.unlock();
    for (auto& [parent, at] : parents)
        SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(message, 0), at);
    lock.lock();
}

std::optional<MSG> CookKey(MessageQueue& queue, const InputEvent& event)
{
    UserState& state = State();
    Window* focus = FindLocked(state.focus);
    Window* active = FindLocked(state.active);
    bool system = event.system;
    HWND target = nullptr;
    if (focus && focus->thread == queue.m_thread) {
        target = focus->handle;
    } else if (active && active->thread == queue.m_thread) {
        target = active->handle;
        system = true;
    }
    if (!target)
        return std::nullopt;
    if (event.kind == InputKind::Char)
        return MSG{target, WM_CHAR, event.vk, 1, event.time, event.pt};
    UINT message = event.down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    return MSG{target, message, event.vk, event.keyData, event.time, event.pt};
}

std::optional<MSG> CookMouse(Guard& lock, MessageQueue& queue, InputEvent event)
{
    UserState& state = State();
    if (event.kind == InputKind::MouseWheel) {
        Window* target = FindLocked(event.target);
        if (!target || target->thread != queue.m_thread)
            return std::nullopt;
        return MSG{target->handle, WM_MOUSEWHEEL,
                   MAKEWPARAM(static_cast<DWORD>(event.mouseKeys), static_cast<DWORD>(event.wheel)),
                   PointParam(event.pt), event.time, event.pt};
    }
    HWND window = nullptr;
    LRESULT hit = HTCLIENT;
    bool captured = false;
    if (Window* capture = FindLocked(state.capture)) {
        if (capture->thread != queue.m_thread) {
            Reroute(event, *capture);
            return std::nullopt;
        }
        window = capture->handle;
        captured = true;
    } else {
        Window* target = FindLocked(event.target);
        if (!target || !IsVisibleLocked(*target))
            target = WindowAtLocked(event.pt);
        std::vector<HWND> excluded;
        for (int tries = 0;; ++tries) {
            if (!target || (target->style & WS_DISABLED))
                return std::nullopt;
            if (target->thread != queue.m_thread) {
                Reroute(event, *target);
                return std::nullopt;
            }
            window = target->handle;
            lock.unlock();
            hit = SendMessageA(window, WM_NCHITTEST, 0, PointParam(event.pt));
            lock.lock();
            if (hit != HTTRANSPARENT || tries >= kMaxTransparentHits)
                break;
            excluded.push_back(window);
            target = WindowAtLocked(event.pt, excluded);
        }
    }
    const bool client = captured || hit == HTCLIENT;
    const UINT clientMessage = ClientMouseMessage(event);
    UINT message = client ? clientMessage : clientMessage - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    const bool buttonDown = event.kind == InputKind::MouseButton && event.down;
    bool eat = false;
    if (buttonDown && !captured) {
        Window* w = FindLocked(window);
        Window* top = w ? TopLevelOf(w) : nullptr;
        if (top && top->parent == state.desktop.get() && state.active != top->handle) {
            HWND topHandle = top->handle;
            lock.unlock();
            LRESULT answer = SendMessageA(window, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(topHandle),
                                          MAKELPARAM(static_cast<DWORD>(hit), clientMessage));
            if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT)
                ActivateWindow(topHandle, WA_CLICKACTIVE);
            lock.lock();
            eat = answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
        }
    }
    if (!captured) {
        lock.unlock();
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(static_cast<DWORD>(hit), clientMessage));
        lock.lock();
    }
    Window* w = FindLocked(window);
    if (eat || !w)
        return std::nullopt;
    if (buttonDown) {
        const bool allowed = !client || (w->cls->style & CS_DBLCLKS);
        LastClick& last = queue.m_lastClick;
        const LONG dx = std::labs(event.pt.x - last.pt.x);
        const LONG dy = std::labs(event.pt.y - last.pt.y);
        const bool twice = allowed && last.window == window && last.message == message &&
                           event.time - last.time <= state.doubleClickTime &&
                           dx <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 && dy <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        if (twice) {
            message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
            last = LastClick{};
        } else {
            last = LastClick{window, message, event.time, event.pt};
        }
        if (client && !captured)
            NotifyParentsOfClick(lock, window, clientMessage, event.pt);
        w = FindLocked(window);
        if (!w)
            return std::nullopt;
    }
    if (client) {
        POINT origin = ClientOriginOnScreen(*w);
        return MSG{window, message, event.mouseKeys, PointParam(POINT{event.pt.x - origin.x, event.pt.y - origin.y}),
                   event.time, event.pt};
    }
    return MSG{window, message, static_cast<WPARAM>(hit), PointParam(event.pt), event.time, event.pt};
}

// Posts WM_MOUSELEAVE to a window tracking the pointer once it is elsewhere.
void CheckMouseLeaveLocked(const Window* target)
{
    for (auto& [thread, queue] : State().queues) {
        if (!queue->m_trackLeave || (target && queue->m_trackLeave == target->handle))
            continue;
        queue->m_posted.push_back(MSG{queue->m_trackLeave, queue->m_trackNonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE,
                                      0, 0, Now(), State().cursorPos});
        queue->Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
        queue->m_trackLeave = nullptr;
    }
}

// `over`, when given, is the top-level window a native host found under the
// pointer (null: none of ours), which the z-order here need not agree with.
void InjectMouse(InputKind kind, MouseButton button, bool down, POINT screen, int wheel, DWORD time,
                 std::optional<HWND> over = std::nullopt)
{
    Guard lock(Lock());
    UserState& state = State();
    RECT limit = state.cursorClipped ? state.cursorClip : state.virtualScreen;
    screen.x = std::clamp<LONG>(screen.x, limit.left, std::max(limit.left, limit.right - 1));
    screen.y = std::clamp<LONG>(screen.y, limit.top, std::max(limit.top, limit.bottom - 1));
    state.cursorPos = screen;
    if (kind == InputKind::MouseButton) {
        BYTE& key = state.asyncKeys[ButtonKey(button)];
        key = down ? static_cast<BYTE>(key | 0x81) : static_cast<BYTE>(key & ~0x80);
    }
    InputEvent event;
    event.kind = kind;
    event.pt = screen;
    event.time = time ? time : Now();
    // The async keys above keep the physical button; messages carry the
    // logical one.
    event.button = LogicalButton(button);
    event.down = down;
    event.wheel = wheel;
    event.mouseKeys = MouseKeysLocked();
    Window* target = nullptr;
    if (kind == InputKind::MouseWheel)
        target = FindLocked(state.focus);
    if (!target)
        target = FindLocked(state.capture);
    if (!target && over) {
        Window* top = FindLocked(*over);
        target = top ? WindowAtInLocked(*TopLevelOf(top), screen) : nullptr;
    } else if (!target) {
        target = WindowAtLocked(screen);
    }
    CheckMouseLeaveLocked(target);
    if (!target) {
        Wake();
        return;
    }
    MessageQueue* queue = QueueOfLocked(target->thread);
    if (!queue)
        return;
    event.target = target->handle;
    auto& input = queue->m_input;
    // Moves not yet looked at merge into one, as on Windows.
    if (kind == InputKind::MouseMove && !input.empty() && !input.back().cooked &&
        input.back().kind == InputKind::MouseMove && input.back().target == event.target) {
        input.back() = event;
    } else {
        input.push_back(event);
    }
    queue->Note(kind == InputKind::MouseMove ? QS_MOUSEMOVE : QS_MOUSEBUTTON);
    Wake();
}

} // namespace

bool TakeInputMessage(Guard& lock, MessageQueue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove,
                      MSG* msg)
{
    size_t i = 0;
    while (i < queue.m_input.size()) {
        if (!queue.m_input[i].cooked) {
            InputEvent event = queue.m_input[i];
            queue.m_input.erase(queue.m_input.begin() + static_cast<std::ptrdiff_t>(i));
            const bool keyboard = event.kind == InputKind::Key || event.kind == InputKind::Char;
            std::optional<MSG> cooked = keyboard ? CookKey(queue, event) : CookMouse(lock, queue, event);
            if (!cooked) {
                // The thread took the input even though no window wanted it.
                if (event.kind == InputKind::Key)
                    ApplyKeyState(queue, event);
                continue;
            }
            event.cooked = true;
            event.msg = *cooked;
            // Only appends happen while the lock was released, so the event goes back where it was.
            i = std::min(i, queue.m_input.size());
            queue.m_input.insert(queue.m_input.begin() + static_cast<std::ptrdiff_t>(i), event);
        }
        const InputEvent& event = queue.m_input[i];
        if (PassesFilterLocked(event.msg.hwnd, event.msg.message, filter, filterMin, filterMax)) {
            *msg = event.msg;
            if (remove) {
                ApplyKeyState(queue, event);
                queue.m_input.erase(queue.m_input.begin() + static_cast<std::ptrdiff_t>(i));
            }
            return true;
        }
        ++i;
    }
    return false;
}

char CharacterForKey(UINT vk, const BYTE* keys)
{
    const bool shift = keys[VK_SHIFT] & 0x80;
    const bool control = keys[VK_CONTROL] & 0x80;
    const bool alt = keys[VK_MENU] & 0x80;
    const bool caps = keys[VK_CAPITAL] & 0x01;
    if (control && alt)
        return 0;
    if (control) {
        if (vk >= 'A' && vk <= 'Z')
            return static_cast<char>(vk - 'A' + 1);
        switch (vk) {
        case VK_OEM_4: return 0x1B;
        case VK_OEM_5: return 0x1C;
        case VK_OEM_6: return 0x1D;
        case VK_RETURN: return '\n';
        case VK_BACK: return 0x7F;
        default: return 0;
        }
    }
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<char>((shift != caps ? 'A' : 'a') + (vk - 'A'));
    if (vk >= '0' && vk <= '9')
        return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<char>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return static_cast<char>('0' + (vk - VK_NUMPAD0));
    struct Pair {
        UINT vk;
        char plain;
        char shifted;
    };
    static constexpr Pair kKeys[] = {
        {VK_SPACE, ' ', ' '},     {VK_RETURN, '\r', '\r'},   {VK_BACK, '\b', '\b'},      {VK_TAB, '\t', '\t'},
        {VK_ESCAPE, 0x1B, 0x1B},  {VK_MULTIPLY, '*', '*'},   {VK_ADD, '+', '+'},         {VK_SUBTRACT, '-', '-'},
        {VK_DECIMAL, '.', '.'},   {VK_DIVIDE, '/', '/'},     {VK_OEM_1, ';', ':'},       {VK_OEM_PLUS, '=', '+'},
        {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PERIOD, '.', '>'},  {VK_OEM_2, '/', '?'},
        {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},      {VK_OEM_6, ']', '}'},
        {VK_OEM_7, '\'', '"'},    {VK_OEM_102, '\\', '|'},
    };
    for (const Pair& key : kKeys)
        if (key.vk == vk)
            return shift ? key.shifted : key.plain;
    return 0;
}

void InjectMouseMove(POINT screen, DWORD time)
{
    InjectMouse(InputKind::MouseMove, MouseButton::Left, false, screen, 0, time);
}

void InjectMouseButton(MouseButton button, bool down, POINT screen, DWORD time)
{
    InjectMouse(InputKind::MouseButton, button, down, screen, 0, time);
}

void InjectMouseWheel(POINT screen, int delta, DWORD time)
{
    InjectMouse(InputKind::MouseWheel, MouseButton::Left, false, screen, delta, time);
}

void InjectMouseMoveOver(HWND over, POINT screen, DWORD time)
{
    InjectMouse(InputKind::MouseMove, MouseButton::Left, false, screen, 0, time, over);
}

void InjectMouseButtonOver(HWND over, MouseButton button, bool down, POINT screen, DWORD time)
{
    InjectMouse(InputKind::MouseButton, button, down, screen, 0, time, over);
}

void InjectMouseWheelOver(HWND over, POINT screen, int delta, DWORD time)
{
    InjectMouse(InputKind::MouseWheel, MouseButton::Left, false, screen, delta, time, over);
}

void InjectKey(UINT virtualKey, bool down, DWORD time)
{
    virtualKey &= 0xFF;
    Guard lock(Lock());
    UserState& state = State();
    const UINT generic = GenericKey(virtualKey);
    const bool wasDown = (state.asyncKeys[generic] & 0x80) != 0;
    for (UINT vk : {virtualKey, generic}) {
        BYTE& key = state.asyncKeys[vk];
        key = down ? static_cast<BYTE>(key | 0x81) : static_cast<BYTE>(key & ~0x80);
    }
    const bool alt = (state.asyncKeys[VK_MENU] & 0x80) || (generic == VK_MENU && wasDown);
    const bool control = (state.asyncKeys[VK_CONTROL] & 0x80) != 0;
    InputEvent event;
    event.kind = InputKind::Key;
    event.vk = generic;
    event.sideVk = virtualKey != generic ? virtualKey : 0;
    event.down = down;
    event.time = time ? time : Now();
    event.pt = state.cursorPos;
    event.system = (alt && !control) || generic == VK_F10;
    DWORD data = 1u | (static_cast<DWORD>(ScanCode(virtualKey)) << 16) | (IsExtendedKey(virtualKey) ? 1u << 24 : 0u) |
                 (alt ? 1u << 29 : 0u) | ((wasDown || !down) ? 1u << 30 : 0u) | (down ? 0u : 1u << 31);
    event.keyData = static_cast<LPARAM>(static_cast<LONG>(data));
    Window* active = FindLocked(state.active);
    if (!active)
        return;
    MessageQueue* queue = QueueOfLocked(active->thread);
    if (!queue)
        return;
    queue->m_input.push_back(event);
    queue->Note(QS_KEY);
    Wake();
}

} // namespace win::user

using namespace win;
using namespace win::user;

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP)
        return TRUE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return FALSE;
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    char character = CharacterForKey(static_cast<UINT>(msg->wParam), queue.m_keys);
    // Printable characters come from the host's text input when it types them.
    if (HostTypesText() && static_cast<unsigned char>(character) >= 0x20 && character != 0x7F)
        character = 0;
    if (character) {
        // The character comes next, before anything posted earlier.
        UINT message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
        queue.m_posted.push_front(MSG{msg->hwnd, message, static_cast<unsigned char>(character), msg->lParam, msg->time,
                                      msg->pt});
        queue.Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
        Wake();
    }
    return TRUE;
}
