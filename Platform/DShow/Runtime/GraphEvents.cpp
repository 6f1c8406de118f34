#include <algorithm>
#include <atomic>
#include <chrono>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Runtime/FilterGraph.h"
#include "Platform/DShow/Runtime/NotifyPoster.h"
#include "Platform/Win/User/User.h"

namespace dshow {
namespace {

std::atomic<NotifyPoster>& Poster()
{
    static std::atomic<NotifyPoster> poster{nullptr};
    return poster;
}

// Waits on `changed` until `ready` or the time is up; a negative time
// waits without limit.
template <typename Ready>
bool WaitFor(std::condition_variable& changed, std::unique_lock<std::mutex>& lock, LONG milliseconds, Ready ready)
{
    if (milliseconds < 0) {
        changed.wait(lock, ready);
        return true;
    }
    return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

} // namespace

void SetNotifyPoster(NotifyPoster poster) { Poster() = poster; }

GraphEvents::GraphEvents(FilterGraph& graph) : m_graph(graph)
{
    m_handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

GraphEvents::~GraphEvents()
{
    if (m_handle)
        CloseHandle(m_handle);
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetTypeInfoCount(UINT* count)
{
    CheckPointer(count, E_POINTER);
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    CheckPointer(info, E_POINTER);
    *info = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE GraphEvents::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetEventHandle(OAEVENT* event)
{
    CheckPointer(event, E_POINTER);
    *event = reinterpret_cast<OAEVENT>(m_handle);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG milliseconds)
{
    CheckPointer(code, E_POINTER);
    CheckPointer(param1, E_POINTER);
    CheckPointer(param2, E_POINTER);
    std::unique_lock<std::mutex> lock(m_lock);
    if (!WaitFor(m_changed, lock, milliseconds, [this] { return !m_queue.empty(); })) {
        *code = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    Event event = m_queue.front();
    m_queue.pop_front();
    if (m_queue.empty())
        ResetEvent(m_handle);
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::WaitForCompletion(LONG milliseconds, LONG* code)
{
    CheckPointer(code, E_POINTER);
    std::unique_lock<std::mutex> lock(m_lock);
    if (!WaitFor(m_changed, lock, milliseconds, [this] { return m_completionCode != 0; })) {
        *code = 0;
        return E_ABORT;
    }
    *code = m_completionCode;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::CancelDefaultHandling(LONG code)
{
    if (code != EC_COMPLETE)
        return S_FALSE;
    std::lock_guard<std::mutex> lock(m_lock);
    m_completeDefault = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::RestoreDefaultHandling(LONG code)
{
    if (code != EC_COMPLETE)
        return S_FALSE;
    std::lock_guard<std::mutex> lock(m_lock);
    m_completeDefault = true;
    return S_OK;
}

// None of the events the runtime queues carries allocated parameters.
HRESULT STDMETHODCALLTYPE GraphEvents::FreeEventParams(LONG, LONG_PTR, LONG_PTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE GraphEvents::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_window = reinterpret_cast<HWND>(window);
    m_message = static_cast<UINT>(message);
    m_instanceData = instanceData;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::SetNotifyFlags(LONG flags)
{
    if (flags & ~AM_MEDIAEVENT_NONOTIFY)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(m_lock);
    m_flags = flags;
    if (flags & AM_MEDIAEVENT_NONOTIFY) {
        m_queue.clear();
        ResetEvent(m_handle);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::GetNotifyFlags(LONG* flags)
{
    CheckPointer(flags, E_POINTER);
    std::lock_guard<std::mutex> lock(m_lock);
    *flags = m_flags;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphEvents::Notify(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    std::unique_lock<std::mutex> lock(m_lock);
    Event event{code, param1, param2};
    if (code == EC_COMPLETE && m_completeDefault) {
        // One EC_COMPLETE for the graph, once every renderer has ended.
        m_completed.insert(reinterpret_cast<IBaseFilter*>(param2));
        bool all = std::includes(m_completed.begin(), m_completed.end(), m_expected.begin(), m_expected.end());
        if (m_completeSent || !all)
            return S_OK;
        m_completeSent = true;
        event = Event{EC_COMPLETE, S_OK, 0};
    }
    if (m_flags & AM_MEDIAEVENT_NONOTIFY)
        return S_OK;
    m_queue.push_back(event);
    SetEvent(m_handle);
    if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT)
        m_completionCode = code;
    HWND window = m_window;
    UINT message = m_message;
    LONG_PTR instanceData = m_instanceData;
    lock.unlock();
    m_changed.notify_all();
    if (window) {
        NotifyPoster poster = Poster();
        (poster ? poster : &PostMessageA)(window, message, 0, instanceData);
    }
    return S_OK;
}

void GraphEvents::ExpectCompletion(std::vector<IBaseFilter*> renderers)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_expected = std::set<IBaseFilter*>(renderers.begin(), renderers.end());
    m_completed.clear();
    m_completeSent = false;
    m_completionCode = 0;
}

} // namespace dshow
