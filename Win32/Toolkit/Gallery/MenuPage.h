#pragma once
// The gallery's page of the skinned popup menu: a tracked popup drawn by
// KLMenu, with a checked item, a separator and a submenu. The page's
// window is the popup's own window, as the menu layer shows it.

#include "Win32/Toolkit/Gallery/Pages.h"

namespace toolkit_gallery {

void ShowMenu(const GalleryModules& modules, const WhileShown& whileShown);

} // namespace toolkit_gallery
