#pragma once
// The DirectShow subset the system and its plug-ins are written on: the
// interfaces, GUIDs, structures and result codes, the runtime's objects
// (filter graph manager, system clock, filter mapper, device enumerator,
// memory allocator, created by class identifier) and the base classes
// the plug-in filters derive from.

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/Api/Guids.h"
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
#include "Platform/DShow/Runtime/Runtime.h"
