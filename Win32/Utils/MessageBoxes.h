#pragma once
// Message boxes that show a string of the language module. Each answers
// with the button pressed, or IDCANCEL (2) without showing anything when
// the string is missing.

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/User/MessageBox.h"

int ShowResourceMessage(UINT nID, UINT nType = MB_OK);
// The string holds one "%s", which becomes `lpszArg` (a null argument reads
// as ""). A string with other conversions is shown as it stands rather than
// formatted with arguments it was not given.
int ShowFormattedMessage(UINT nID, LPCSTR lpszArg, UINT nType = MB_OK);
// Formats the string with the DirectShow description of `hr` (empty when
// there is none).
int ShowDirectShowError(UINT nID, HRESULT hr, UINT nType = MB_OK);
