#include "Win32/Sb/Document/GeneratedMaterial.h"

GeneratedMaterial::GeneratedMaterial(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration,
                                     INT storedFlag)
    : Material(kind, path, frameRate, duration, storedFlag, 0)
{
}

GeneratedMaterial::GeneratedMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section)
    : Material(documentPath, profile, section)
{
}
