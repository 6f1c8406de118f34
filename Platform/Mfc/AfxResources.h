#pragma once
// The process's current resource module, through which MFC and the program
// load strings, dialogs, menus and bitmaps (see Platform/Win/Resources.h).
// CString::LoadString is defined with these.

#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Win/Kernel/Resources.h"

// The program itself until AfxSetResourceHandle is first called.
HINSTANCE AFXAPI AfxGetResourceHandle();
// Any handle is taken, null included; lookups in a null module fail.
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
// The first module that holds the resource: the current resource module,
// then the other loaded resource modules ("reslang.dll", "ResNoTrans.dll",
// "ResBmp.DLL" in that order), then the program. The current resource
// module when none holds it, so that the caller's lookup fails cleanly.
HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
