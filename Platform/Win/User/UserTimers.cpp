// Timers: kept in the queue of the thread that set them and turned into
// WM_TIMER when due and the queue has nothing else to hand out. A timer
// falls due again one interval after its WM_TIMER was taken; intervals that
// passed meanwhile are not made up, as on Windows.

#include <algorithm>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

UINT ClampElapse(UINT elapse) { return std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM); }

} // namespace

bool TakeDueTimer(MessageQueue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove, MSG* msg)
{
    const ULONGLONG now = NowLong();
    Timer* next = nullptr;
    for (Timer& timer : queue.m_timers) {
        if (timer.due > now || !PassesFilterLocked(timer.window, WM_TIMER, filter, filterMin, filterMax))
            continue;
        if (!next || timer.due < next->due)
            next = &timer;
    }
    if (!next)
        return false;
    *msg = MSG{next->window, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->proc), static_cast<DWORD>(now),
               State().cursorPos};
    if (remove)
        next->due = now + next->elapse;
    return true;
}

std::optional<ULONGLONG> NextTimerDue(const MessageQueue& queue)
{
    std::optional<ULONGLONG> due;
    for (const Timer& timer : queue.m_timers)
        if (!due || timer.due < *due)
            due = timer.due;
    return due;
}

bool FindTimerProc(const MessageQueue& queue, HWND window, UINT_PTR id, TIMERPROC proc)
{
    return std::any_of(queue.m_timers.begin(), queue.m_timers.end(), [&](const Timer& t) {
        return t.window == window && t.id == id && t.proc == proc;
    });
}

void KillWindowTimersLocked(HWND window)
{
    for (auto& [thread, queue] : State().queues)
        std::erase_if(queue->m_timers, [&](const Timer& t) { return t.window == window; });
}

} // namespace win::user

using namespace win;
using namespace win::user;

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    Guard lock(Lock());
    UserState& state = State();
    MessageQueue& queue = CurrentQueueLocked();
    if (window) {
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->thread != queue.m_thread) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    Timer* existing = nullptr;
    for (Timer& t : queue.m_timers)
        if (t.window == window && t.id == id && (window || id != 0))
            existing = &t;
    if (!existing) {
        Timer timer;
        timer.window = window;
        // A thread timer gets an id of its own unless it names one it has.
        timer.id = window ? id : state.nextThreadTimer++;
        queue.m_timers.push_back(timer);
        existing = &queue.m_timers.back();
    }
    existing->elapse = ClampElapse(elapse);
    existing->proc = proc;
    existing->due = NowLong() + existing->elapse;
    Wake();
    return existing->id != 0 ? existing->id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    auto removed = std::erase_if(queue.m_timers, [&](const Timer& t) { return t.window == window && t.id == id; });
    if (removed == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
