#include "Platform/Mm/MmTimer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "Platform/Win/Kernel/Sync.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    UINT id = 0;
    UINT delay = 0;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    UINT flags = 0;
    std::mutex lock;
    std::condition_variable wake;
    bool killed = false;
    std::thread thread;
};

std::mutex g_timersLock;
std::map<UINT, std::shared_ptr<Timer>> g_timers;
UINT g_nextId = 1;

void Fire(const Timer& timer)
{
    if (timer.flags & (TIME_CALLBACK_EVENT_SET | TIME_CALLBACK_EVENT_PULSE)) {
        HANDLE event = reinterpret_cast<HANDLE>(timer.callback);
        if (timer.flags & TIME_CALLBACK_EVENT_PULSE)
            PulseEvent(event);
        else
            SetEvent(event);
    } else {
        timer.callback(timer.id, 0, timer.user, 0, 0);
    }
}

// Fires at start + n * delay, so that a periodic timer does not drift.
void Run(std::shared_ptr<Timer> timer)
{
    Clock::time_point due = Clock::now();
    std::unique_lock<std::mutex> lock(timer->lock);
    while (true) {
        due += std::chrono::milliseconds(timer->delay);
        if (timer->wake.wait_until(lock, due, [&] { return timer->killed; }))
            return;
        lock.unlock();
        Fire(*timer);
        lock.lock();
        if (!(timer->flags & TIME_PERIODIC) || timer->killed)
            break;
        if (Clock::now() - due > std::chrono::milliseconds(200))
            due = Clock::now(); // a late callback does not make a burst
    }
    lock.unlock();
    if (!(timer->flags & TIME_PERIODIC)) {
        // A one-shot timer is gone once it fired.
        std::lock_guard<std::mutex> guard(g_timersLock);
        auto it = g_timers.find(timer->id);
        if (it != g_timers.end() && it->second == timer) {
            it->second->thread.detach();
            g_timers.erase(it);
        }
    }
}

} // namespace

UINT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags)
{
    if (delay == 0 || !callback)
        return 0;
    auto timer = std::make_shared<Timer>();
    timer->delay = delay;
    timer->callback = callback;
    timer->user = user;
    timer->flags = flags;
    std::lock_guard<std::mutex> guard(g_timersLock);
    timer->id = g_nextId++;
    if (g_nextId == 0)
        g_nextId = 1;
    g_timers[timer->id] = timer;
    timer->thread = std::thread(Run, timer);
    return timer->id;
}

MMRESULT timeKillEvent(UINT timerId)
{
    std::shared_ptr<Timer> timer;
    {
        std::lock_guard<std::mutex> guard(g_timersLock);
        auto it = g_timers.find(timerId);
        if (it == g_timers.end())
            return TIMERR_NOCANDO;
        timer = it->second;
        g_timers.erase(it);
    }
    {
        std::lock_guard<std::mutex> guard(timer->lock);
        timer->killed = true;
    }
    timer->wake.notify_all();
    if (timer->thread.get_id() == std::this_thread::get_id())
        timer->thread.detach(); // killed from its own callback
    else if (timer->thread.joinable())
        timer->thread.join();
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) { return period ? TIMERR_NOERROR : TIMERR_NOCANDO; }
MMRESULT timeEndPeriod(UINT period) { return period ? TIMERR_NOERROR : TIMERR_NOCANDO; }

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size)
{
    if (!caps || size < sizeof(TIMECAPS))
        return TIMERR_NOCANDO;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return TIMERR_NOERROR;
}
