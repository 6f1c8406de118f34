#pragma once
// The kernel room: console control events, files, time, threads, synchronisation with named objects,
// memory, modules, resources and the C runtime helpers.
//
// Out of memory: memory a caller asks for (GlobalAlloc, LocalAlloc,
// HeapAlloc, VirtualAlloc) fails the Windows way, with a null result and
// ERROR_NOT_ENOUGH_MEMORY. The small bookkeeping of the layer itself (handle
// and object tables) is not made fallible: when even that cannot be had,
// std::bad_alloc leaves the call, as it would leave any C++ container.

#include "Platform/Win/Base/Base.h"
#include "Platform/Win/Kernel/Console.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/Kernel/System.h"
#include "Platform/Win/Kernel/Time.h"
