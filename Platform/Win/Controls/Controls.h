#pragma once
// Dialogs, the standard controls, scroll bars, menus and accelerators, over
// USER.

#include "Platform/Win/Controls/Accelerators.h"
#include "Platform/Win/Controls/ControlStyles.h"
#include "Platform/Win/Controls/DialogTemplate.h"
#include "Platform/Win/Controls/Dialogs.h"
#include "Platform/Win/Controls/Menus.h"
#include "Platform/Win/Controls/ScrollBars.h"
#include "Platform/Win/User/User.h"
