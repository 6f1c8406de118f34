#pragma once
// winmm: wave audio devices, mmio, MCI and multimedia timers.

#include "Platform/Mm/MmIo.h"
#include "Platform/Mm/MmTimer.h"
#include "Platform/Mm/WaveOut.h"
#include "Platform/Win/User/User.h"
