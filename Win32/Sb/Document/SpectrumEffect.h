#pragma once
// SpectrumEffect (kind 1): one of the spectrum styles over a scene's
// frames, with a level that runs from the start level to the hold level
// during the entry (key 0 to key 1), holds, and runs to the end level
// during the exit (key 2 to key 3). The styles' level ranges and default
// colours come from the spectrum style table.

#include "Win32/Sb/Document/Effect.h"

class SpectrumEffect : public Effect {
public:
    SpectrumEffect();
    SpectrumEffect(const SpectrumEffect& other);
    SpectrumEffect& operator=(const SpectrumEffect& other);
    ~SpectrumEffect() override;

    void SetDefaults();
    // The mirrored styles 15/16 and 19/20 are swapped for the renderer when
    // the image's rows run from the top (as every frame of the storyboard
    // pass does), so that they look the same there as on the bottom-up
    // surfaces of a preview; without an image `storyboard` decides.
    bool AttachRenderer(CIplImage* image, double rate, BYTE storyboard) override;
    // Draws at the time in milliseconds.
    CIplImage* Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time) override;
    void Load(CProfile* profile, LPCSTR section, INT flag) override;
    void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT position) override;
    Effect* Clone() const override { return new SpectrumEffect(*this); }

    // A style that is not a key of the style table is ignored. A new style
    // takes its default colour; then ApplyStyleDefaults.
    void SetStyle(INT style);
    // The style's range and levels; returns the default level.
    INT ApplyStyleDefaults(INT style);
    BOOL StyleHasColor() const;
    COLORREF StyleDefaultColor() const;

    COLORREF m_crColor = 0;
    INT m_nLevelStart = 0;
    INT m_nLevelHold = 100;
    INT m_nLevelEnd = 100;
    INT m_nLevelMin = 0;
    INT m_nLevelMax = 100;
    INT m_nStyle = 0;
};
