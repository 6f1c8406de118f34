#pragma once
// CColorEffectRenderer: the colour effect's renderer. It copies the
// effect's seven values when made and applies the first six to every frame
// through the frame image's colour adjustment. The seventh, the monochrome
// switch, survives only while the saturation (value 4) is -100.

#include "Win32/Sb/Document/EffectRenderer.h"

class ColorEffect;

class CColorEffectRenderer : public CFilterRenderer {
public:
    static constexpr INT kKind = 2;

    CColorEffectRenderer() = default;
    explicit CColorEffectRenderer(const ColorEffect& effect);

    void ApplyTo(CIplImage* image) override;
    INT GetKind() const override { return kKind; }
    CFilterRenderer* Clone() const override;
    // Integer entries named by the untranslated names 1082, 1083, 1084
    // (values 1-3), 1078 (value 5), 1079 (value 4), 1080 (value 6) and 1086
    // (value 7, read back as a boolean); nothing when a name is missing.
    void SaveParams(CProfile* profile, LPCSTR section) override;
    void LoadParams(CProfile* profile, LPCSTR section) override;

    // Red, green and blue shifts, saturation, brightness, contrast and the
    // monochrome switch.
    INT m_nValues[7] = {};
};
