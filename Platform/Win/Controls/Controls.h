#pragma once
// Dialogs, the standard controls, menus and accelerators, over USER.

#include "Platform/Win/User/User.h"
