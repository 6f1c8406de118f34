#pragma once
// The common dialogs (open and save file, font), over the common controls.

#include "Platform/Win/CommCtrl/CommCtrl.h"
