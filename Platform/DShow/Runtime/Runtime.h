#pragma once
// The DirectShow runtime: the filter graph manager, the filter mapper and
// its store, the device enumerator, the system clock, and the memory
// allocator, created by class identifier (BuiltinClasses.h), one class per
// header. Callers outside the runtime reach them through CoCreateInstance
// and the interfaces of DShowApi.h; this header is for the runtime's tests
// and its start.
//
// Out of memory: every object is made through com::CreateObject, so a
// creation that cannot get its memory returns E_OUTOFMEMORY.

#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Runtime/BuiltinClasses.h"
#include "Platform/DShow/Runtime/DeviceEnumerator.h"
#include "Platform/DShow/Runtime/FilterGraph.h"
#include "Platform/DShow/Runtime/FilterMapper.h"
#include "Platform/DShow/Runtime/FilterStore.h"
#include "Platform/DShow/Runtime/NotifyPoster.h"
#include "Platform/DShow/Runtime/SystemClock.h"
