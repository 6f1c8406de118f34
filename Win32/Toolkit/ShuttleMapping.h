#pragma once
// The arithmetic of a transport's shuttle: a time range in milliseconds
// (kept by the panel as its range start and end) mapped onto the slider's
// positions 0 to `span`. Times from callers that are not finite count as the
// range start; a range is never shorter than 10 ms; no time is ever cast to
// an integer outside the integer's range. Pure functions, any thread.

#include "Platform/Win/Base/WinTypes.h"

namespace shuttle {

inline constexpr double kShortestRange = 10.0;

// `time`, or `start` when `time` is not finite.
double Finite(double time, double start);
// The smaller and the larger of a and b (not finite: the old start) as the
// range, made 10 long when it is shorter.
void SetRange(double& start, double& end, double a, double b);
// The range widened to take `time` (made 10 long when it is empty).
void Widen(double& start, double& end, double time);
// The position of `time`, rounded half up, limited to 0..span.
LONG PositionOf(double time, double start, double end, LONG span);
// The time under `position`, truncated to whole milliseconds.
double TimeAt(LONG position, double start, double end, LONG span);
// A marker's position for `time`, truncated; the slider limits it, this
// only keeps the cast defined.
LONG MarkerAt(double time, double start, double end, LONG span);
// Milliseconds as a message parameter, kept inside the parameter's range.
LPARAM Milliseconds(double time);

} // namespace shuttle
