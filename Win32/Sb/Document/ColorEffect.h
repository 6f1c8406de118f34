#pragma once
// ColorEffect (kind 2): recolours a scene's frames with three channel
// shifts, saturation, brightness and contrast (the frame image's colour
// adjustment) and a monochrome switch. It is stored in the scene section
// itself; ten colour presets (grey, sepia and tints) fill it in.

#include "Win32/Sb/Document/Effect.h"

class ColorEffect : public Effect {
public:
    ColorEffect();
    ColorEffect(const ColorEffect& other);
    ColorEffect& operator=(const ColorEffect& other);
    ~ColorEffect() override;

    bool AttachRenderer(CIplImage* image, double rate, BYTE storyboard) override;
    // Draws at the time in milliseconds.
    CIplImage* Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time) override;
    // Without key entries (the older layout) the window is 0 to 4 hours.
    void Load(CProfile* profile, LPCSTR section, INT flag) override;
    void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT position) override;
    Effect* Clone() const override { return new ColorEffect(*this); }

    INT m_nRedShift = 0;
    INT m_nGreenShift = 0;
    INT m_nBlueShift = 0;
    // -100 makes the picture grey; the monochrome switch survives in the
    // renderer only then.
    INT m_nSaturation = 0;
    INT m_nBrightness = 0;
    INT m_nContrast = 0;
    INT m_bMonochrome = 0;
    INT m_nSpare = 0;
};

constexpr INT kColorPresetCount = 10;

// Row 0..9 of the colour presets: the shifts always, and, when the row's
// last three values apply (*apply set), saturation, brightness and
// contrast; both outputs are cleared first. 1, or 0 for a row outside the
// table (outputs cleared).
INT GetColorPresetValues(INT row, INT* apply, INT shifts[3], INT levels[3]);
// -1 for a row outside 0..9.
INT GetColorPresetThumbnailId(INT row);
INT GetColorPresetNameId(INT row);
