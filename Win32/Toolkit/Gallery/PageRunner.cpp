#include "Win32/Toolkit/Gallery/PageRunner.h"

namespace toolkit_gallery {

namespace {

// Ticks (of 50 ms) a page may take to show before it is given up.
constexpr int kPatience = 200;
Watch* g_watch = nullptr;

void CALLBACK WatchTick(HWND, UINT, UINT_PTR id, DWORD)
{
    Watch* watch = g_watch;
    if (!watch)
        return;
    HWND window = ::FindWindowA(watch->className, watch->title);
    if (!window || !::IsWindowVisible(window)) {
        if (++watch->ticks == kPatience) {
            ::KillTimer(nullptr, id);
            if (HWND active = ::GetActiveWindow())
                watch->end(active);
        }
        return;
    }
    ::KillTimer(nullptr, id);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The caption in its inactive look, as when another window is active.
    if (watch->inactive)
        ::SendMessageA(window, WM_NCACTIVATE, FALSE, 0);
    if (watch->whileShown(window))
        watch->end(window);
}

} // namespace

void Run(Watch& watch, const std::function<void()>& show)
{
    UINT_PTR timer = 0;
    if (watch.whileShown) {
        g_watch = &watch;
        timer = ::SetTimer(nullptr, 0, 50, WatchTick);
    }
    show();
    if (timer)
        ::KillTimer(nullptr, timer);
    g_watch = nullptr;
}

void Cancel(HWND dialog)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
}

void Close(HWND window) { ::PostMessageA(window, WM_CLOSE, 0, 0); }

void PumpWhileAlive(HWND window)
{
    MSG msg;
    while (::IsWindow(window) && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

} // namespace toolkit_gallery
