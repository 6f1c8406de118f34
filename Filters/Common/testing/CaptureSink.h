#pragma once
// A sink for the plug-ins' tests: one input pin taking any type, keeping a
// copy of every sample it receives (bytes, times, media times) and
// counting ends of stream; the test waits for a number of samples.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "Platform/DShow/DShow.h"

namespace plugin_test {

struct Received {
    std::vector<BYTE> data;
    bool timed = false;
    REFERENCE_TIME start = 0, stop = 0;
    bool mediaTimed = false;
    LONGLONG mediaStart = 0, mediaStop = 0;
};

class CaptureSinkPin;

class CaptureSink : public CBaseFilter {
public:
    CaptureSink();
    ~CaptureSink() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    IPin* Pin();

    std::vector<Received> Samples();
    int EndsOfStream();
    // True once `count` samples arrived (false after kLongWait).
    bool WaitForSamples(size_t count);
    // True once an end of stream arrived (false after kLongWait).
    bool WaitForEnd();

private:
    friend class CaptureSinkPin;
    CCritSec m_lock;
    CaptureSinkPin* m_pin;
    std::mutex m_recordLock;
    std::condition_variable m_arrived;
    std::vector<Received> m_samples;
    int m_ends = 0;
};

// The filter's own reference, for a filter made with `new`.
com::ComPtr<IBaseFilter> Hold(CBaseFilter* filter);

} // namespace plugin_test
