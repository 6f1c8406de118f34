#pragma once
// The base classes filters derive from: objects with a non-delegating
// unknown, pins, filters, allocators and samples, media types, threads and
// locks, the class factory templates and the module entry of a plug-in.
// They are in the runtime for the program's own filters and linked into
// every plug-in module as that module's own copy.
//
// Out of memory: creating an object through a class factory, committing an
// allocator and copying a media type report E_OUTOFMEMORY; no exception
// leaves a COM call.

#include "Platform/DShow/Api/DShowApi.h"
#include "Platform/DShow/BaseClasses/Allocator.h"
#include "Platform/DShow/BaseClasses/AMThread.h"
#include "Platform/DShow/BaseClasses/BaseFilter.h"
#include "Platform/DShow/BaseClasses/BaseInputPin.h"
#include "Platform/DShow/BaseClasses/BaseOutputPin.h"
#include "Platform/DShow/BaseClasses/BasePin.h"
#include "Platform/DShow/BaseClasses/BasePropertyPage.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/DbgLog.h"
#include "Platform/DShow/BaseClasses/FactoryTemplate.h"
#include "Platform/DShow/BaseClasses/Locks.h"
#include "Platform/DShow/BaseClasses/MediaSample.h"
#include "Platform/DShow/BaseClasses/MediaType.h"
#include "Platform/DShow/BaseClasses/PersistStream.h"
#include "Platform/DShow/BaseClasses/PosPassThru.h"
#include "Platform/DShow/BaseClasses/RefTime.h"
#include "Platform/DShow/BaseClasses/RenderedInputPin.h"
#include "Platform/DShow/BaseClasses/Source.h"
#include "Platform/DShow/BaseClasses/TransformFilter.h"
#include "Platform/DShow/BaseClasses/TransInPlaceFilter.h"
