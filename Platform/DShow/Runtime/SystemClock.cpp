#include "Platform/DShow/Runtime/SystemClock.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/BaseClasses/ComBase.h"

namespace dshow {
namespace {

REFERENCE_TIME Now()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

struct Advise {
    REFERENCE_TIME due;
    REFERENCE_TIME period; // 0 for a one-shot advise
    HANDLE handle;
};

class SystemClock final : public com::Object<com::Implements<IReferenceClock, IID_IReferenceClock>> {
public:
    ~SystemClock()
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override
    {
        CheckPointer(time, E_POINTER);
        *time = Now();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                                         DWORD_PTR* cookie) override
    {
        CheckPointer(cookie, E_POINTER);
        *cookie = 0;
        if (!event || baseTime + streamTime <= 0)
            return E_INVALIDARG;
        return Add(Advise{baseTime + streamTime, 0, reinterpret_cast<HANDLE>(event)}, cookie);
    }

    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME start, REFERENCE_TIME period, HSEMAPHORE semaphore,
                                             DWORD_PTR* cookie) override
    {
        CheckPointer(cookie, E_POINTER);
        *cookie = 0;
        if (!semaphore || start <= 0 || period <= 0)
            return E_INVALIDARG;
        return Add(Advise{start, period, reinterpret_cast<HANDLE>(semaphore)}, cookie);
    }

    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR cookie) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_advises.erase(cookie) ? S_OK : S_FALSE;
    }

private:
    HRESULT Add(const Advise& advise, DWORD_PTR* cookie)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            *cookie = m_nextCookie++;
            m_advises.emplace(*cookie, advise);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { Serve(); });
        }
        m_wake.notify_all();
        return S_OK;
    }

    // Signals what is due and sleeps until the next advise (or a change).
    void Serve()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        while (!m_stopping) {
            REFERENCE_TIME now = Now();
            REFERENCE_TIME next = MAX_TIME;
            for (auto it = m_advises.begin(); it != m_advises.end();) {
                Advise& advise = it->second;
                if (advise.due <= now) {
                    if (advise.period == 0) {
                        SetEvent(advise.handle);
                        it = m_advises.erase(it);
                        continue;
                    }
                    ReleaseSemaphore(advise.handle, 1, nullptr);
                    advise.due += advise.period;
                }
                next = std::min(next, advise.due);
                ++it;
            }
            if (next == MAX_TIME)
                m_wake.wait(guard);
            else
                m_wake.wait_for(guard, std::chrono::nanoseconds((next - now) * 100));
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::map<DWORD_PTR, Advise> m_advises;
    DWORD_PTR m_nextCookie = 1;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace

HRESULT CreateSystemClock(REFIID riid, void** object)
{
    return com::CreateObject<SystemClock>(riid, object);
}

} // namespace dshow
