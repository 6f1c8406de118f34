#pragma once
// Shared fixtures of the window-system tests: a window class whose windows
// record every message they get, windows built from it, and a pump.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Win/User/DesktopHost.h"
#include "Platform/Win/User/User.h"

namespace user_test {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything the recording windows received, in order, from any thread.
inline std::mutex& LogLock()
{
    static std::mutex lock;
    return lock;
}
inline std::vector<Received>& Log()
{
    static std::vector<Received> log;
    return log;
}
// Per window: an answer replacing DefWindowProc for some messages.
using Reaction = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline std::map<HWND, Reaction>& Reactions()
{
    static std::map<HWND, Reaction> reactions;
    return reactions;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Reaction reaction;
    {
        std::lock_guard<std::mutex> guard(LogLock());
        Log().push_back(Received{window, message, wParam, lParam});
        auto it = Reactions().find(window);
        if (it != Reactions().end())
            reaction = it->second;
    }
    LRESULT result = 0;
    if (reaction && reaction(window, message, wParam, lParam, &result))
        return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

inline void React(HWND window, Reaction reaction)
{
    std::lock_guard<std::mutex> guard(LogLock());
    Reactions()[window] = std::move(reaction);
}

// The recording class with the given class style and background, made once.
inline const char* RecordingClass(UINT style = 0, HBRUSH background = nullptr)
{
    static std::map<std::pair<UINT, HBRUSH>, std::string> made;
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    auto key = std::make_pair(style, background);
    auto it = made.find(key);
    if (it != made.end())
        return it->second.c_str();
    std::string name = "Recording" + std::to_string(made.size());
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 16;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    EXPECT_NE(RegisterClassA(&wc), 0);
    return made.emplace(key, name).first->second.c_str();
}

inline HWND MakeTopLevel(RECT r, DWORD style = WS_POPUP | WS_VISIBLE, const char* cls = nullptr, HWND owner = nullptr)
{
    return CreateWindowExA(0, cls ? cls : RecordingClass(), "top", style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, owner, nullptr, nullptr, nullptr);
}

inline HWND MakeChild(HWND parent, RECT r, int id, DWORD style = WS_CHILD | WS_VISIBLE, const char* cls = nullptr)
{
    return CreateWindowExA(0, cls ? cls : RecordingClass(), "child", style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr,
                           nullptr);
}

// Dispatches until the queue is empty, timers aside.
inline void PumpUntilIdle()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline void ClearLog()
{
    std::lock_guard<std::mutex> guard(LogLock());
    Log().clear();
}

// The messages a window received, keeping only those in `kept` when given.
inline std::vector<UINT> MessagesOf(HWND window, std::initializer_list<UINT> kept = {})
{
    std::lock_guard<std::mutex> guard(LogLock());
    std::vector<UINT> out;
    for (const Received& r : Log())
        if (r.window == window && (kept.size() == 0 || std::find(kept.begin(), kept.end(), r.message) != kept.end()))
            out.push_back(r.message);
    return out;
}

inline std::vector<Received> ReceivedOf(UINT message)
{
    std::lock_guard<std::mutex> guard(LogLock());
    std::vector<Received> out;
    for (const Received& r : Log())
        if (r.message == message)
            out.push_back(r);
    return out;
}

// Every test starts from an empty desktop and leaves one.
class UserTest : public testing::Test {
protected:
    void SetUp() override
    {
        ClearLog();
        SetCursorPos(0, 0);
        PumpUntilIdle();
    }
    void TearDown() override
    {
        ReleaseCapture();
        for (UINT vk = 1; vk < 256; ++vk)
            if (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000)
                win::user::InjectKey(vk, false);
        using win::user::MouseButton;
        for (auto button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle})
            win::user::InjectMouseButton(button, false, POINT{0, 0});
        PumpUntilIdle();
        std::vector<HWND> tops;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        }, reinterpret_cast<LPARAM>(&tops));
        for (HWND w : tops)
            DestroyWindow(w);
        PumpUntilIdle();
        std::lock_guard<std::mutex> guard(LogLock());
        Reactions().clear();
        Log().clear();
    }
};

} // namespace user_test
