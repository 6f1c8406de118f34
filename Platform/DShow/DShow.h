#pragma once
// The DirectShow subset the system and its plug-ins are written on: the
// interfaces, GUIDs, structures and result codes, the base classes the
// filters derive from, and the runtime's settings. The runtime's objects
// (filter graph manager, system clock, filter mapper, device enumerator,
// memory allocator) are created by class identifier.
//
// Out of memory: COM calls report E_OUTOFMEMORY (see BaseClasses.h and
// Runtime/Runtime.h); no exception leaves a COM call.

#include "Platform/DShow/Api/DShowApi.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Runtime/NotifyPoster.h"
