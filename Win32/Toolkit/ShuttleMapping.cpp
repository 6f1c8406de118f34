#include "Win32/Toolkit/ShuttleMapping.h"

#include <algorithm>
#include <cmath>

namespace shuttle {

namespace {

constexpr double kWidestMarker = 1.0e9;
constexpr double kParameterLimit = 9.0e18;

void KeepLength(double start, double& end)
{
    if (!(end - start > 0.0))
        end = start + kShortestRange;
}

} // namespace

double Finite(double time, double start)
{
    return std::isfinite(time) ? time : start;
}

void SetRange(double& start, double& end, double a, double b)
{
    a = Finite(a, start);
    b = Finite(b, start);
    start = std::min(a, b);
    end = std::max(a, b);
    KeepLength(start, end);
}

void Widen(double& start, double& end, double time)
{
    const double t = Finite(time, start);
    start = std::min(start, t);
    end = std::max(end, t);
    KeepLength(start, end);
}

LONG PositionOf(double time, double start, double end, LONG span)
{
    const double t = Finite(time, start);
    const double place = std::trunc((t - start) * span / (end - start) + 0.5);
    return static_cast<LONG>(std::clamp<double>(place, 0, span));
}

double TimeAt(LONG position, double start, double end, LONG span)
{
    return std::trunc(start + static_cast<double>(position) / span * (end - start));
}

LONG MarkerAt(double time, double start, double end, LONG span)
{
    const double length = end - start > 0.0 ? end - start : kShortestRange;
    const double at = std::trunc((Finite(time, start) - start) * span / length);
    return static_cast<LONG>(std::clamp(at, -kWidestMarker, kWidestMarker));
}

LPARAM Milliseconds(double time)
{
    if (std::isnan(time))
        return 0;
    return static_cast<LPARAM>(std::trunc(std::clamp(time, -kParameterLimit, kParameterLimit)));
}

} // namespace shuttle
