#pragma once
// The Win32 subset the system is written on: every room of the layer.
//
// Out of memory: memory a caller asks for (GlobalAlloc, LocalAlloc,
// HeapAlloc, VirtualAlloc, bitmaps and DIB sections) fails the Windows way,
// with a null result and ERROR_NOT_ENOUGH_MEMORY; the layer's own
// bookkeeping lets std::bad_alloc leave the call (see Kernel.h).

#include "Platform/Win/Base/Base.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Registry/Registry.h"
#include "Platform/Win/Shell/Shell.h"
#include "Platform/Win/User/Caret.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Icons.h"
#include "Platform/Win/User/User.h"
