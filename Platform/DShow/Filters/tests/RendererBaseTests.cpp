// The renderers' base class and its scheduling: a sample that arrives
// while the renderer is paused waits for the run, and is then presented
// against the start time of that run.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Com/Object.h"
#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/tests/RecordingSink.h"

namespace playback_test {
namespace {

using namespace std::chrono_literals;

// A clock that keeps the base time of every advice and answers it at once.
class AnsweringClock final : public com::Object<com::Implements<IReferenceClock, IID_IReferenceClock>> {
public:
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override
    {
        CheckPointer(time, E_POINTER);
        *time = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME, HEVENT event,
                                         DWORD_PTR* cookie) override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bases.push_back(baseTime);
        }
        *cookie = 1;
        SetEvent(reinterpret_cast<HANDLE>(event));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return S_OK; }

    std::vector<REFERENCE_TIME> Bases()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_bases;
    }

private:
    std::mutex m_lock;
    std::vector<REFERENCE_TIME> m_bases;
};

// An output pin whose samples the test delivers itself, on its own thread.
class PushPin final : public CBaseOutputPin {
public:
    PushPin(CBaseFilter* filter, CCritSec* lock, HRESULT* result)
        : CBaseOutputPin(NAME("Push pin"), filter, lock, result, u"Output")
    {
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return *type->Type() == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        type->InitMediaType();
        type->SetType(&MEDIATYPE_Video);
        type->SetSubtype(&MEDIASUBTYPE_RGB32);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return dshow::SetBuffers(allocator, request, 1, 64);
    }
    HRESULT DeliverAt(REFERENCE_TIME start)
    {
        com::ComPtr<IMediaSample> sample;
        HRESULT hr = GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
        if (FAILED(hr))
            return hr;
        REFERENCE_TIME stop = start + 1;
        sample->SetTime(&start, &stop);
        return Deliver(sample.Get());
    }
};

class PushSource final : public CBaseFilter {
public:
    PushSource() : CBaseFilter(NAME("Push source"), nullptr, &m_lock, GUID_NULL)
    {
        HRESULT hr = S_OK;
        m_pin = new PushPin(this, &m_lock, &hr);
    }
    ~PushSource() override { delete m_pin; }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? m_pin : nullptr; }
    PushPin* Pin() { return m_pin; }

private:
    CCritSec m_lock;
    PushPin* m_pin;
};

// A recording renderer that tells which thread holds a sample in preroll,
// just before that sample waits for the run.
class PrerollingSink final : public RecordingSink {
public:
    PrerollingSink() : RecordingSink(MEDIATYPE_Video) {}
    pid_t PrerollThread() const { return m_prerollThread; }

protected:
    void Preroll(IMediaSample*) override { m_prerollThread = gettid(); }

private:
    std::atomic<pid_t> m_prerollThread{0};
};

// Whether thread `tid` comes to sleep in the kernel within ten seconds.
bool ComesToSleep(pid_t tid)
{
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
        std::ifstream in(path);
        std::string stat;
        std::getline(in, stat);
        const size_t paren = stat.rfind(')');
        if (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'S')
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

TEST(RendererBase, SampleHeldWhilePausedIsScheduledAgainstTheNextRunsStart)
{
    constexpr REFERENCE_TIME kFirstRun = 10 * UNITS;
    constexpr REFERENCE_TIME kSecondRun = 70 * UNITS;
    auto* source = new PushSource;
    com::ComPtr<IBaseFilter> heldSource;
    source->NonDelegatingQueryInterface(IID_IBaseFilter, heldSource.ReceiveVoid());
    auto* sink = new PrerollingSink;
    com::ComPtr<IBaseFilter> heldSink = Hold(sink);
    com::ComPtr<AnsweringClock> clock(new AnsweringClock);
    ASSERT_EQ(source->Pin()->Connect(sink->InputPin(), nullptr), S_OK);
    ASSERT_EQ(sink->SetSyncSource(clock.Get()), S_OK);

    ASSERT_EQ(source->Pause(), S_OK);
    ASSERT_EQ(sink->Run(kFirstRun), S_OK);
    ASSERT_EQ(sink->Pause(), S_OK);
    std::thread streaming([&] { EXPECT_EQ(source->Pin()->DeliverAt(0), S_OK); });
    const auto prerolled = std::chrono::steady_clock::now() + 10s;
    while (sink->PrerollThread() == 0 && std::chrono::steady_clock::now() < prerolled)
        std::this_thread::yield();
    const bool waiting = sink->PrerollThread() != 0 && ComesToSleep(sink->PrerollThread());
    EXPECT_TRUE(waiting) << "the sample waits for the run";
    EXPECT_EQ(sink->Run(kSecondRun), S_OK);
    streaming.join();

    EXPECT_EQ(clock->Bases(), std::vector<REFERENCE_TIME>{kSecondRun});
    EXPECT_EQ(sink->Records().size(), 1u);
    sink->Stop();
    source->Stop();
    source->Pin()->Disconnect();
    sink->InputPin()->Disconnect();
}

} // namespace
} // namespace playback_test
