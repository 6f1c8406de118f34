#pragma once
// The MFC subset the system is written on, over our Win32 layer.
//
// Out of memory: as in MFC, by exception. Collections and memory files throw
// CMemoryException* (AfxThrowMemoryException); a plain new of an MFC object
// lets std::bad_alloc leave, and the program treats either as fatal.

#include "Platform/Win/Win32.h"

#include "Platform/Mfc/AfxControls.h"
#include "Platform/Mfc/AfxDefs.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/Archive.h"
#include "Platform/Mfc/CmdTarget.h"
#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/CommandLineInfo.h"
#include "Platform/Mfc/DataExchange.h"
#include "Platform/Mfc/Dc.h"
#include "Platform/Mfc/Dialog.h"
#include "Platform/Mfc/DocManager.h"
#include "Platform/Mfc/DocTemplate.h"
#include "Platform/Mfc/Document.h"
#include "Platform/Mfc/File.h"
#include "Platform/Mfc/FileFind.h"
#include "Platform/Mfc/FrameWnd.h"
#include "Platform/Mfc/GdiObjects.h"
#include "Platform/Mfc/Geometry.h"
#include "Platform/Mfc/Menu.h"
#include "Platform/Mfc/MfcTime.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Mfc/RecentFileList.h"
#include "Platform/Mfc/String.h"
#include "Platform/Mfc/SyncObjects.h"
#include "Platform/Mfc/View.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Mfc/WinThread.h"
#include "Platform/Mfc/Wnd.h"

// Common controls, property sheets, common dialogs.
#include "Platform/Mfc/AfxCmn.h"
#include "Platform/Mfc/PropertySheet.h"
#include "Platform/Mfc/CommonDialogs.h"
