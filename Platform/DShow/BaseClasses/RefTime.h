#pragma once
// A reference time (100 ns units) with millisecond helpers.

#include "Platform/DShow/Api/DShowTypes.h"

class CRefTime {
public:
    CRefTime() = default;
    CRefTime(REFERENCE_TIME time) : m_time(time) {}

    operator REFERENCE_TIME() const { return m_time; }
    CRefTime& operator=(REFERENCE_TIME time)
    {
        m_time = time;
        return *this;
    }
    CRefTime& operator+=(const CRefTime& other)
    {
        m_time += other.m_time;
        return *this;
    }
    CRefTime& operator-=(const CRefTime& other)
    {
        m_time -= other.m_time;
        return *this;
    }
    LONG Millisecs() const { return static_cast<LONG>(m_time / MILLISECONDS); }
    REFERENCE_TIME GetUnits() const { return m_time; }

    REFERENCE_TIME m_time = 0;
};
