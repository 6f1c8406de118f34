#pragma once
// AfxMessageBox. A message box goes to the replaceable handler when one is
// installed (tests install one that records the text and answers with a
// chosen button), else to the application's CWinApp::DoMessageBox (which
// the program overrides with its skinned message dialog). Without either
// the text goes to the debug output and the box answers with its default
// button, so nothing waits for a user who is not there. The handler is
// installed through AfxMessageBoxHandler.h.

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Win/User/MessageBox.h"

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// Shows string resource nIDPrompt (loaded with CString::LoadString).
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// The button a box of that type answers with when nobody presses one: the
// one MB_DEFBUTTON1..3 selects (the first when the type has fewer).
int AfxDefaultMessageBoxButton(UINT nType);
