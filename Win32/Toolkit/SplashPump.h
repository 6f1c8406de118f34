#pragma once
// Dialogs wait for the start-up splash window before they initialise, so
// that none opens over it: PumpSplashUntilDone pumps messages until the
// splash is done. The shell installs the splash's pump; until then the call
// does nothing.

using SplashPumpHook = void (*)();

// Installs `hook` (null: none) and returns the one it replaces.
SplashPumpHook SetSplashPump(SplashPumpHook hook);
void PumpSplashUntilDone();
