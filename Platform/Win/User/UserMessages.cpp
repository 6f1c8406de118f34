// Message queues: one per thread that uses the window system, made on first
// use and dropped (with the thread's windows) when the thread ends. Sending,
// posting, retrieving and dispatching messages, and the waits that look at
// the queue.
//
// A message sent to a window of another thread is queued for that thread
// and the sender waits; while it waits it handles the messages sent to its
// own windows, so two threads sending to each other do not deadlock. The
// receiver handles sent messages in every call that looks at its queue
// (GetMessage, PeekMessage, WaitMessage, SendMessage). A sender whose window
// goes away, or whose receiving thread ends, gets 0.

#include <algorithm>
#include <chrono>

#include "Platform/Win/Kernel/Time.h"
#include "Platform/Win/User/ModalLoop.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

constexpr int kMaxFramePaintsPerLook = 64;

thread_local bool t_queueGone = false;

void EndQueue(const std::shared_ptr<MessageQueue>& queue)
{
    HANDLE handle = nullptr;
    {
        Guard lock(Lock());
        DropThreadWindowsLocked(queue->m_thread);
        for (auto& sent : queue->m_sent) {
            sent->done = true;
            sent->result = 0;
        }
        queue->m_sent.clear();
        queue->m_posted.clear();
        queue->m_input.clear();
        queue->m_timers.clear();
        State().queues.erase(queue->m_thread);
        handle = queue->m_handle;
        Wake();
    }
    win::detail::RemoveHandle(handle);
}

// Owns the calling thread's queue; ends it when the thread ends.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder()
    {
        t_queueGone = true;
        if (queue)
            EndQueue(queue);
    }
};

QueueHolder& Holder()
{
    thread_local QueueHolder holder;
    return holder;
}

void HandleOneSentLocked(Guard& lock, MessageQueue& queue)
{
    std::shared_ptr<SentMessage> sent = queue.m_sent.front();
    queue.m_sent.pop_front();
    queue.m_receiving.push_back(sent);
    lock.unlock();
    LRESULT result = 0;
    if (sent->task)
        sent->task();
    else
        result = CallProc(sent->window, sent->message, sent->wParam, sent->lParam);
    lock.lock();
    std::erase(queue.m_receiving, sent);
    if (!sent->done) {
        sent->result = result;
        sent->done = true;
    }
    Wake();
}

void HandleSentLocked(Guard& lock, MessageQueue& queue)
{
    while (!queue.m_sent.empty())
        HandleOneSentLocked(lock, queue);
}

LRESULT SendToThread(HWND window, DWORD thread, UINT message, WPARAM wParam, LPARAM lParam, bool wait,
                     std::function<void()> task = {})
{
    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->wantsReply = wait;
    sent->task = std::move(task);
    Guard lock(Lock());
    MessageQueue* target = QueueOfLocked(thread);
    if (!target)
        return 0;
    MessageQueue& self = CurrentQueueLocked();
    target->m_sent.push_back(sent);
    target->Note(QS_SENDMESSAGE);
    Wake();
    if (!wait)
        return TRUE;
    while (!sent->done) {
        if (!self.m_sent.empty()) {
            HandleOneSentLocked(lock, self);
            continue;
        }
        win::detail::WaitCondition().wait(lock);
    }
    return sent->result;
}

bool RangePasses(UINT message, UINT filterMin, UINT filterMax)
{
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

void NoteRetrieved(MessageQueue& queue, const MSG& msg)
{
    queue.m_lastTime = msg.time;
    queue.m_lastPos = msg.pt;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return MSG{window, message, wParam, lParam, Now(), State().cursorPos};
}

// One look at the queue in Windows' order: sent messages (handled here),
// posted messages, input, WM_QUIT, WM_PAINT, WM_TIMER.
bool PeekLocked(Guard& lock, MessageQueue& queue, MSG* msg, HWND filter, UINT filterMin, UINT filterMax, UINT flags)
{
    const bool remove = (flags & PM_REMOVE) != 0;
    const UINT kinds = (flags >> 16) ? (flags >> 16) : QS_ALLINPUT;
    HandleSentLocked(lock, queue);
    queue.m_newBits = 0;
    if (kinds & QS_POSTMESSAGE) {
        for (auto it = queue.m_posted.begin(); it != queue.m_posted.end(); ++it) {
            // A posted WM_QUIT passes any filter, as the quit flag does.
            bool quit = it->message == WM_QUIT && !it->hwnd;
            if (!quit && !PassesFilterLocked(it->hwnd, it->message, filter, filterMin, filterMax))
                continue;
            *msg = *it;
            if (remove)
                queue.m_posted.erase(it);
            NoteRetrieved(queue, *msg);
            return true;
        }
    }
    if ((kinds & QS_INPUT) && TakeInputMessage(lock, queue, filter, filterMin, filterMax, remove, msg)) {
        NoteRetrieved(queue, *msg);
        return true;
    }
    if ((kinds & QS_POSTMESSAGE) && queue.m_quit) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.m_quitCode), 0);
        if (remove)
            queue.m_quit = false;
        NoteRetrieved(queue, *msg);
        return true;
    }
    if ((kinds & QS_PAINT) && RangePasses(WM_PAINT, filterMin, filterMax)) {
        // Bounded: a frame painter that asks for its frame again must not hold the thread here.
        for (int frames = 0; frames < kMaxFramePaintsPerLook; ++frames) {
            Window* w = FindPaintWindowLocked(queue.m_thread, filter);
            if (!w)
                break;
            if (w->update.IsEmpty() && !w->internalPaint) {
                // Only the frame needs drawing: that needs no WM_PAINT.
                w->frameNeeded = false;
                HWND handle = w->handle;
                lock.unlock();
                SendMessageA(handle, WM_NCPAINT, 1, 0);
                lock.lock();
                continue;
            }
            *msg = MakeMessage(w->handle, WM_PAINT, 0, 0);
            if (remove)
                w->internalPaint = false;
            NoteRetrieved(queue, *msg);
            return true;
        }
    }
    if ((kinds & QS_TIMER) && TakeDueTimer(queue, filter, filterMin, filterMax, remove, msg)) {
        NoteRetrieved(queue, *msg);
        return true;
    }
    return false;
}

bool FilterWindowValid(HWND filter)
{
    if (!filter || filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
        return true;
    Guard lock(Lock());
    Window* w = FindLocked(filter);
    return w && w->thread == GetCurrentThreadId();
}

// Waits until something may have changed, or until the next timer is due.
void WaitForChange(Guard& lock, const MessageQueue& queue)
{
    auto due = NextTimerDue(queue);
    if (!due) {
        win::detail::WaitCondition().wait(lock);
        return;
    }
    ULONGLONG now = NowLong();
    if (*due <= now)
        return;
    win::detail::WaitCondition().wait_for(lock, std::chrono::milliseconds(*due - now));
}

bool AnyTimerDue(const MessageQueue& queue)
{
    auto due = NextTimerDue(queue);
    return due && *due <= NowLong();
}

} // namespace

DWORD Now() { return GetTickCount(); }

ULONGLONG NowLong() { return GetTickCount64(); }

bool MessageQueue::IsSignalledFor(DWORD) const
{
    DWORD bits = (m_waitFlags & MWMO_INPUTAVAILABLE) ? StatusBits() : m_newBits;
    if (AnyTimerDue(*this))
        bits |= QS_TIMER;
    return (bits & m_waitMask) != 0;
}

DWORD MessageQueue::StatusBits() const
{
    DWORD bits = 0;
    if (!m_posted.empty() || m_quit)
        bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    for (const InputEvent& event : m_input) {
        switch (event.kind) {
        case InputKind::Key:
            bits |= QS_KEY;
            break;
        case InputKind::MouseMove:
            bits |= QS_MOUSEMOVE;
            break;
        default:
            bits |= QS_MOUSEBUTTON;
            break;
        }
    }
    if (!m_sent.empty())
        bits |= QS_SENDMESSAGE;
    if (FindPaintWindowLocked(m_thread, nullptr))
        bits |= QS_PAINT;
    if (AnyTimerDue(*this))
        bits |= QS_TIMER;
    return bits;
}

std::shared_ptr<MessageQueue> CurrentQueue()
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    return State().queues[queue.m_thread];
}

MessageQueue& CurrentQueueLocked()
{
    QueueHolder* holder = t_queueGone ? nullptr : &Holder();
    if (holder && holder->queue)
        return *holder->queue;
    const DWORD thread = GetCurrentThreadId();
    auto& queues = State().queues;
    auto it = queues.find(thread);
    if (it != queues.end())
        return *it->second;
    auto queue = std::make_shared<MessageQueue>(thread);
    queue->m_handle = win::detail::InsertHandle(queue);
    queues.emplace(thread, queue);
    if (holder)
        holder->queue = queue;
    return *queue;
}

MessageQueue* QueueOfLocked(DWORD thread)
{
    auto& queues = State().queues;
    auto it = queues.find(thread);
    return it == queues.end() ? nullptr : it->second.get();
}

LRESULT CallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = nullptr;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w)
            return 0;
        proc = w->proc;
    }
    return proc ? proc(window, message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

bool PassesFilterLocked(HWND messageWindow, UINT message, HWND filter, UINT filterMin, UINT filterMax)
{
    if (!RangePasses(message, filterMin, filterMax))
        return false;
    if (!filter)
        return true;
    if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)))
        return messageWindow == nullptr;
    if (messageWindow == filter)
        return true;
    Window* w = FindLocked(messageWindow);
    Window* f = FindLocked(filter);
    return w && f && IsDescendant(f, w);
}

bool RunOnWindowThread(HWND window, std::function<void()> task)
{
    DWORD thread = 0;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w || w->thread == 0)
            return false;
        thread = w->thread;
    }
    SendToThread(window, thread, WM_NULL, 0, 0, false, std::move(task));
    return true;
}

void FailSendsToLocked(HWND window)
{
    for (auto& [thread, queue] : State().queues) {
        auto& sent = queue->m_sent;
        for (auto it = sent.begin(); it != sent.end();) {
            if ((*it)->window == window) {
                (*it)->done = true;
                (*it)->result = 0;
                it = sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    Wake();
}

} // namespace win::user

using namespace win;
using namespace win::user;

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            Guard lock(Lock());
            for (Window* w : State().desktop->children)
                tops.push_back(w->handle);
        }
        for (HWND top : tops)
            SendMessageA(top, message, wParam, lParam);
        return 0;
    }
    DWORD thread = 0;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        thread = w->thread;
    }
    if (thread == 0 || thread == GetCurrentThreadId())
        return CallProc(window, message, wParam, lParam);
    return SendToThread(window, thread, message, wParam, lParam, true);
}

BOOL SendNotifyMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD thread = 0;
    {
        Guard lock(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        thread = w->thread;
    }
    if (thread == 0 || thread == GetCurrentThreadId()) {
        CallProc(window, message, wParam, lParam);
        return TRUE;
    }
    SendToThread(window, thread, message, wParam, lParam, false);
    return TRUE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window)
        return PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam);
    Guard lock(Lock());
    UserState& state = State();
    std::vector<Window*> targets;
    if (window == HWND_BROADCAST) {
        targets = state.desktop->children;
    } else {
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        targets.push_back(w);
    }
    for (Window* w : targets) {
        MessageQueue* queue = QueueOfLocked(w->thread);
        if (!queue)
            continue;
        queue->m_posted.push_back(MSG{w->handle, message, wParam, lParam, Now(), state.cursorPos});
        queue->Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    }
    Wake();
    return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    Guard lock(Lock());
    MessageQueue* queue = QueueOfLocked(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue->m_posted.push_back(MSG{nullptr, message, wParam, lParam, Now(), State().cursorPos});
    queue->Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    Wake();
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    queue.m_quit = true;
    queue.m_quitCode = exitCode;
    queue.Note(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
    Wake();
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FilterWindowValid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    return PeekLocked(lock, queue, msg, window, filterMin, filterMax, removeFlags) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!FilterWindowValid(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    for (;;) {
        if (PeekLocked(lock, queue, msg, window, filterMin, filterMax, PM_REMOVE))
            return msg->message == WM_QUIT ? 0 : 1;
        if (!queue.m_sent.empty())
            continue;
        WaitForChange(lock, queue);
    }
}

BOOL WaitMessage()
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    for (;;) {
        HandleSentLocked(lock, queue);
        if ((queue.m_newBits & ~QS_SENDMESSAGE) != 0 || AnyTimerDue(queue))
            return TRUE;
        WaitForChange(lock, queue);
    }
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((msg->message == WM_TIMER || msg->message == WM_SYSTIMER) && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        bool known = false;
        {
            Guard lock(Lock());
            known = FindTimerProc(CurrentQueueLocked(), msg->hwnd, msg->wParam, proc);
        }
        // Only the procedure a live timer was set with is called.
        if (known)
            proc(msg->hwnd, msg->message, msg->wParam, Now());
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    {
        Guard lock(Lock());
        Window* w = FindLocked(msg->hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->thread != GetCurrentThreadId() && w->thread != 0) {
            SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
            return 0;
        }
    }
    return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LONG GetMessageTime()
{
    Guard lock(Lock());
    return static_cast<LONG>(CurrentQueueLocked().m_lastTime);
}

DWORD GetMessagePos()
{
    Guard lock(Lock());
    POINT pos = CurrentQueueLocked().m_lastPos;
    return MAKELONG(static_cast<DWORD>(pos.x), static_cast<DWORD>(pos.y));
}

BOOL InSendMessage()
{
    Guard lock(Lock());
    return CurrentQueueLocked().m_receiving.empty() ? FALSE : TRUE;
}

BOOL ReplyMessage(LRESULT result)
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    if (queue.m_receiving.empty() || queue.m_receiving.back()->done)
        return FALSE;
    queue.m_receiving.back()->result = result;
    queue.m_receiving.back()->done = true;
    Wake();
    return TRUE;
}

DWORD GetQueueStatus(UINT flags)
{
    Guard lock(Lock());
    MessageQueue& queue = CurrentQueueLocked();
    DWORD now = queue.StatusBits() & flags;
    DWORD fresh = queue.m_newBits & flags;
    if (AnyTimerDue(queue))
        fresh |= QS_TIMER & flags;
    queue.m_newBits &= ~flags;
    return MAKELONG(fresh, now);
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags)
{
    if (count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::shared_ptr<MessageQueue> queue = CurrentQueue();
    {
        Guard lock(Lock());
        queue->m_waitMask = wakeMask;
        queue->m_waitFlags = flags;
    }
    std::vector<HANDLE> all(handles, handles + count);
    all.push_back(queue->m_handle);
    const ULONGLONG start = NowLong();
    for (;;) {
        DWORD slice = milliseconds;
        if (milliseconds != INFINITE) {
            ULONGLONG elapsed = NowLong() - start;
            slice = elapsed >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - elapsed);
        }
        // The wait cannot see time pass, so it is cut short when a timer falls due.
        if (wakeMask & QS_TIMER) {
            Guard lock(Lock());
            if (auto due = NextTimerDue(*queue)) {
                ULONGLONG now = NowLong();
                DWORD untilDue = *due > now ? static_cast<DWORD>(std::min<ULONGLONG>(*due - now, 0x7FFFFFFF)) : 0;
                slice = std::min(slice, untilDue);
            }
        }
        DWORD result = WaitForMultipleObjects(static_cast<DWORD>(all.size()), all.data(),
                                              (flags & MWMO_WAITALL) ? TRUE : FALSE, slice);
        if (result != WAIT_TIMEOUT)
            return result;
        if (milliseconds != INFINITE && NowLong() - start >= milliseconds)
            return WAIT_TIMEOUT;
    }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask)
{
    return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wakeMask, waitAll ? MWMO_WAITALL : 0);
}

namespace win {

DWORD WaitHandlingSentMessages(DWORD count, const HANDLE* handles, DWORD milliseconds)
{
    const ULONGLONG start = NowLong();
    for (;;) {
        DWORD slice = milliseconds;
        if (milliseconds != INFINITE) {
            ULONGLONG elapsed = NowLong() - start;
            slice = elapsed >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - elapsed);
        }
        DWORD result = MsgWaitForMultipleObjectsEx(count, handles, slice, QS_SENDMESSAGE, 0);
        if (result != WAIT_OBJECT_0 + count)
            return result;
        Guard lock(Lock());
        MessageQueue& queue = CurrentQueueLocked();
        HandleSentLocked(lock, queue);
        queue.m_newBits &= ~QS_SENDMESSAGE;
    }
}

} // namespace win
