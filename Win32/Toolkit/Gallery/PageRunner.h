#pragma once
// How a gallery page is run: the page's window is looked for by its title
// (and class)
// on a 50 ms timer while `whileShown` is given; once it shows it is
// repainted whole, handed to `whileShown`, and ended through the page's own
// `end` when that returns true. A page whose window never shows within ten
// seconds ends the active window unseen, rather than waiting forever. One
// page runs at a time; UI thread only.

#include <functional>

#include "Win32/Toolkit/Gallery/Pages.h"

namespace toolkit_gallery {

struct Watch {
    const char* title = nullptr;
    WhileShown whileShown;
    std::function<void(HWND)> end;
    bool inactive = false;
    int ticks = 0;
    // The window class looked for besides the title; null for any.
    const char* className = nullptr;
};

// Runs `show` (which returns when the page's window is gone) with the
// watch's timer running while the page is snapshot-driven.
void Run(Watch& watch, const std::function<void()>& show);

// Ends a dialog as its Cancel button does.
void Cancel(HWND dialog);

// Posts WM_CLOSE to the window.
void Close(HWND window);

// The application's loop for a modeless page: messages through the
// pre-translation of the windows they are for, until `window` is gone.
void PumpWhileAlive(HWND window);

} // namespace toolkit_gallery
