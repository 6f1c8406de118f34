#pragma once
// StillMaterial: a still image file shown for the scene's duration. Its
// readers deliver thumbnail-sized frames (160 x 120), its viewer one
// picture.

#include "Win32/Sb/Document/FileMaterial.h"

class StillMaterial : public FileMaterial {
public:
    StillMaterial(LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag);
    StillMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section);

    Material* Clone() const override;
    CMediaSource* CreateReader() const override;
    // No reader: tells the user the picture cannot be shown.
    RDXViewer* CreateViewer(RDXControl* owner, DWORD destination, INT extra) override;
};
