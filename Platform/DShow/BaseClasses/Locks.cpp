#include "Platform/DShow/BaseClasses/Locks.h"

CAMEvent::CAMEvent(BOOL manualReset, HRESULT* result)
{
    m_hEvent = CreateEventA(nullptr, manualReset, FALSE, nullptr);
    if (!m_hEvent && result)
        *result = E_OUTOFMEMORY;
}

CAMEvent::~CAMEvent()
{
    if (m_hEvent)
        CloseHandle(m_hEvent);
}
