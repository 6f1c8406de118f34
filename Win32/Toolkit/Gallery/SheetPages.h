#pragma once
// The gallery's pages of the skinned property sheet, the wizard and the
// docked tool dialog, over the tests' sheet and tool templates that the
// gallery's module shares (pages 701..704, tool dialog 710).

#include "Win32/Toolkit/Gallery/Pages.h"

namespace toolkit_gallery {

void ShowSheet(const GalleryModules& modules, const WhileShown& whileShown);
void ShowWizard(const GalleryModules& modules, const WhileShown& whileShown);
void ShowToolDialog(const GalleryModules& modules, const WhileShown& whileShown);

} // namespace toolkit_gallery
