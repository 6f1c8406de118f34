#pragma once
// Win32 error codes for the C library's errno values: one table, shared by
// the kernel's own calls and by the rooms above it that work on files.

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"

namespace win {
// The last-error code for a POSIX errno value; `unknown` for a value the
// table has no row for.
DWORD ErrorFromErrno(int error, DWORD unknown = ERROR_GEN_FAILURE);
} // namespace win
