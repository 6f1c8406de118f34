#pragma once
// The gallery's page of the custom controls, in the program's art: a
// skinned dialog (the gallery's own template 640) holding the slider with
// its value label, the decimal spin and the button strip.

#include "Win32/Toolkit/Gallery/Pages.h"

namespace toolkit_gallery {

void ShowControls(const GalleryModules& modules, const WhileShown& whileShown);

} // namespace toolkit_gallery
