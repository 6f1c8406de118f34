#pragma once
// The base of the Win32 layer: exact-width types, error codes, GUIDs and
// the plain structures (bitmap and wave headers) every room shares. Nothing
// here allocates.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/Guid.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"
