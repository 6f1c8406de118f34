#pragma once
// The renderers' wait for a sample's time: until the graph runs, then
// until the sample's start on the graph's clock; either wait ends early
// when the renderer stops or flushes.

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

class Presentation {
public:
    // Waits while the filter is paused, then until stream time `start` of
    // the run that ended the wait (no wait without a clock, or for a
    // sample without a time). False when cancelled or stopped.
    bool WaitFor(CBaseFilter& filter, IReferenceClock* clock, bool timed, REFERENCE_TIME start);
    // Wakes a waiting sample and lets no new one wait until Resume.
    void Cancel() { m_cancel.Set(); }
    void Resume() { m_cancel.Reset(); }
    // Wakes a sample waiting for the graph to run.
    void Running() { m_running.Set(); }
    void NotRunning() { m_running.Reset(); }

private:
    CAMEvent m_cancel{TRUE};
    CAMEvent m_running{TRUE};
    CAMEvent m_due{FALSE};
};

} // namespace dshow
