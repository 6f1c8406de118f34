#pragma once
// The main frame's popup menus as the tool bar's tabs open them: the frame
// shows the menu resource by id at a screen point and, when the menu has
// closed, tells the tool bar where the cursor was (QKLToolBar::OnMenuClosed),
// so that a click on another tab opens that tab's menu in turn. The shell's
// main frame installs the service; the default shows nothing.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Toolkit/ToolkitSeam.h"

class CPopupMenuService : public ToolkitSeam<CPopupMenuService> {
public:
    virtual ~CPopupMenuService() = default;

    // Shows menu `menuId` of the language module with its top-left corner
    // at `screenPoint`; `flags` 0xFFFF asks for the frame's tab-menu
    // behaviour. Returns when the menu has closed.
    virtual void DoPopupMenuById(UINT menuId, POINT screenPoint, UINT flags);
};
