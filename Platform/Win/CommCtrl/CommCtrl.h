#pragma once
// The common controls (property sheets, spin controls, tool tips, list
// views, track bars), over the standard controls.

#include "Platform/Win/Controls/Controls.h"
