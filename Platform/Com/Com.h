#pragma once
// The COM and OLE subset the system is written on.
//
// Out of memory: objects are made through com::CreateObject, which returns
// E_OUTOFMEMORY instead of letting std::bad_alloc cross the call; task
// memory (CoTaskMemAlloc) and strings (SysAllocString) return null.

#include "Platform/Com/ComApi.h"
#include "Platform/Com/ComPtr.h"
#include "Platform/Com/Enumerator.h"
#include "Platform/Com/Moniker.h"
#include "Platform/Com/Object.h"
#include "Platform/Com/OleAuto.h"
#include "Platform/Com/Persist.h"
#include "Platform/Com/PropertyBag.h"
#include "Platform/Com/PropertyPage.h"
#include "Platform/Com/Stream.h"
#include "Platform/Com/Unknown.h"
