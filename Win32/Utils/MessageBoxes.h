#pragma once
// Message boxes that show a string of the language module. Each answers
// with the button pressed, or IDCANCEL (2) without showing anything when
// the string is missing.

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/User/MessageBox.h"

// The language module's string `nID` with its one "%s" replaced by `lpszArg`
// (a null argument reads as ""); a string with other conversions is taken
// as it stands. FALSE, with `text` emptied, when the string is missing.
BOOL FormatResourceMessage(UINT nID, LPCSTR lpszArg, CString& text);

int ShowResourceMessage(UINT nID, UINT nType = MB_OK);
// The string formatted as FormatResourceMessage does.
int ShowFormattedMessage(UINT nID, LPCSTR lpszArg, UINT nType = MB_OK);
// Formats the string with the DirectShow description of `hr` (empty when
// there is none).
int ShowDirectShowError(UINT nID, HRESULT hr, UINT nType = MB_OK);
