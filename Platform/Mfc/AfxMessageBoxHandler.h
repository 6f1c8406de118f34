#pragma once
// The replaceable handler of AfxMessageBox (see AfxMessageBox.h), which
// tests install to record each box and answer it with a chosen button.

#include <functional>

#include "Platform/Mfc/AfxMessageBox.h"

using AfxMessageBoxHandler = std::function<int(LPCSTR lpszText, UINT nType, UINT nIDHelp)>;

// Returns the handler that was installed before; an empty handler restores
// the default.
AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler);
