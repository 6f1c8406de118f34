#pragma once
// winmm: wave audio devices, mmio, MCI and multimedia timers.

#include "Platform/Win/User/User.h"
