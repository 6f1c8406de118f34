#pragma once
// The Win32 subset the system is written on.

#include "Platform/Win/Crt.h"
#include "Platform/Win/Files.h"
#include "Platform/Win/Guid.h"
#include "Platform/Win/Memory.h"
#include "Platform/Win/Modules.h"
#include "Platform/Win/Registry.h"
#include "Platform/Win/Sync.h"
#include "Platform/Win/System.h"
#include "Platform/Win/Time.h"
#include "Platform/Win/WinError.h"
#include "Platform/Win/WinTypes.h"
