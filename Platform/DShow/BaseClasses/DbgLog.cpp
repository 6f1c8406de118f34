#include "Platform/DShow/BaseClasses/DbgLog.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "Platform/Win/Kernel/System.h"

namespace {

DWORD LevelFromEnvironment()
{
    const char* text = std::getenv("KESTRELON_DSHOW_LOG");
    return text ? static_cast<DWORD>(std::strtoul(text, nullptr, 10)) : 0;
}

std::atomic<DWORD>& Level()
{
    static std::atomic<DWORD> level{LevelFromEnvironment()};
    return level;
}

} // namespace

void DbgLogInfo(DWORD, DWORD level, const char* format, ...)
{
    DWORD configured = Level();
    if (configured == 0 || level > configured)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    // Each call is one line, as the debug output of Windows shows it.
    if (length >= 0) {
        size_t end = std::min<size_t>(static_cast<size_t>(length), sizeof line - 2);
        if (end == 0 || line[end - 1] != '\n') {
            line[end] = '\n';
            line[end + 1] = '\0';
        }
    }
    OutputDebugStringA(line);
}

namespace dshow {

void SetDebugLogLevel(DWORD level) { Level() = level; }

DWORD DebugLogLevel() { return Level(); }

} // namespace dshow
