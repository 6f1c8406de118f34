#pragma once
// The DirectShow subset the system and its plug-ins are written on: the
// interfaces, GUIDs, structures and result codes, the runtime's objects
// (filter graph manager, system clock, filter mapper, device enumerator,
// memory allocator, created by class identifier) and the base classes
// the plug-in filters derive from.

#include "Platform/DShow/AMThread.h"
#include "Platform/DShow/Allocator.h"
#include "Platform/DShow/BaseFilter.h"
#include "Platform/DShow/BaseInputPin.h"
#include "Platform/DShow/BaseOutputPin.h"
#include "Platform/DShow/BasePin.h"
#include "Platform/DShow/BasePropertyPage.h"
#include "Platform/DShow/ComBase.h"
#include "Platform/DShow/DShowErrors.h"
#include "Platform/DShow/DShowTypes.h"
#include "Platform/DShow/DbgLog.h"
#include "Platform/DShow/FactoryTemplate.h"
#include "Platform/DShow/FilterInterfaces.h"
#include "Platform/DShow/GraphInterfaces.h"
#include "Platform/DShow/Guids.h"
#include "Platform/DShow/Locks.h"
#include "Platform/DShow/MediaSample.h"
#include "Platform/DShow/MediaType.h"
#include "Platform/DShow/PersistStream.h"
#include "Platform/DShow/PosPassThru.h"
#include "Platform/DShow/RefTime.h"
#include "Platform/DShow/RenderedInputPin.h"
#include "Platform/DShow/Runtime.h"
#include "Platform/DShow/Source.h"
#include "Platform/DShow/TransInPlaceFilter.h"
#include "Platform/DShow/TransformFilter.h"
