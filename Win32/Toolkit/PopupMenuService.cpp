#include "Win32/Toolkit/PopupMenuService.h"

void CPopupMenuService::DoPopupMenuById(UINT, POINT, UINT) {}
