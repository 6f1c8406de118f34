#include "Win32/Toolkit/SplashPump.h"

namespace {
SplashPumpHook g_splashPump = nullptr;
} // namespace

SplashPumpHook SetSplashPump(SplashPumpHook hook)
{
    SplashPumpHook previous = g_splashPump;
    g_splashPump = hook;
    return previous;
}

void PumpSplashUntilDone()
{
    if (g_splashPump)
        g_splashPump();
}
