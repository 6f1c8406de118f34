#pragma once
// The DirectShow debug logger: DbgLog((type, level, format, ...)).
//
// A line is written through OutputDebugString when its level is at most
// the configured level, which is 0 (nothing is written) unless
// $KESTRELON_DSHOW_LOG gives a number or dshow::SetDebugLogLevel sets one.

#include "Platform/Win/Base/WinTypes.h"

constexpr DWORD LOG_TIMING = 0x01;
constexpr DWORD LOG_TRACE = 0x02;
constexpr DWORD LOG_MEMORY = 0x04;
constexpr DWORD LOG_LOCKING = 0x08;
constexpr DWORD LOG_ERROR = 0x10;

void DbgLogInfo(DWORD types, DWORD level, const char* format, ...) __attribute__((format(printf, 3, 4)));
#define DbgLog(args) DbgLogInfo args

namespace dshow {
// The level up to which lines are written; 0 writes nothing.
void SetDebugLogLevel(DWORD level);
DWORD DebugLogLevel();
} // namespace dshow
