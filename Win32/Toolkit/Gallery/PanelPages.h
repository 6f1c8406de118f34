#pragma once
// The gallery's page of the control panels, in the program's own art: the
// editing screen's mode column, top bar and status bar around the preview
// transport (its four-button strip shown) and an effect tool dialog's
// button strip in its four-button form; and the trimmer panel of the
// recording and motion preview dialogs.

#include "Win32/Toolkit/Gallery/Pages.h"

namespace toolkit_gallery {

void ShowPanels(const GalleryModules& modules, const WhileShown& whileShown);
void ShowTrimmer(const GalleryModules& modules, const WhileShown& whileShown);

} // namespace toolkit_gallery
