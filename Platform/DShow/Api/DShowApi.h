#pragma once
// The DirectShow interfaces, GUIDs, structures and result codes, shared by
// the program, the runtime and the plug-ins. Declarations only.

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Api/WritingInterfaces.h"
#include "Platform/DShow/Api/VideoInterfaces.h"
