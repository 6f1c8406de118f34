#pragma once
// The shell: file operations, special folders, opening documents and
// dropped files.

#include "Platform/Com/Com.h"
#include "Platform/Win/CommDlg/CommDlg.h"

// Files dropped on a window (WM_DROPFILES).
DECLARE_HANDLE(HDROP);
