#include "Platform/DShow/Filters/Renderers/Presentation.h"

namespace dshow {

bool Presentation::WaitFor(CBaseFilter& filter, IReferenceClock* clock, bool timed, REFERENCE_TIME start)
{
    HANDLE untilRunning[] = {m_running, m_cancel};
    if (WaitForMultipleObjects(2, untilRunning, FALSE, INFINITE) != WAIT_OBJECT_0)
        return false;
    if (filter.IsStopped())
        return false;
    if (!clock || !timed)
        return true;
    m_due.Reset();
    // The run's start is read only now: a sample that waited through a
    // pause belongs to the run that woke it.
    const REFERENCE_TIME runStart = filter.RunStartTime();
    DWORD_PTR cookie = 0;
    if (FAILED(clock->AdviseTime(runStart, start, reinterpret_cast<HEVENT>(static_cast<HANDLE>(m_due)), &cookie)))
        return true; // the time has passed, or the clock cannot tell: present at once
    HANDLE untilDue[] = {m_due, m_cancel};
    DWORD woken = WaitForMultipleObjects(2, untilDue, FALSE, INFINITE);
    clock->Unadvise(cookie);
    return woken == WAIT_OBJECT_0;
}

} // namespace dshow
