#pragma once
// GeneratedMaterial: a picture the program makes rather than reads from a
// file. It answers every question as a material without media; only its
// subclass ColorMaterial is made.

#include "Win32/Sb/Document/Material.h"

class GeneratedMaterial : public Material {
public:
    GeneratedMaterial(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag);
    // The common entries, with the path as stored (a display name).
    GeneratedMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section);
};
