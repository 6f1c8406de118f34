#pragma once
// CSpectrumEffectRenderer: draws a spectrum style onto every frame of the
// effect's window with a level that moves through the effect's start, hold
// and end levels over its key times. Each frame is drawn from the frame
// time alone (the random generator is seeded with the milliseconds), so the
// same time always gives the same picture, on every machine.
//
// Styles that read other pixels than the one they write draw from a copy of
// the frame into the frame itself; the frame handed in is always the frame
// handed back.

#include <memory>

#include "Win32/Sb/Document/EffectRenderer.h"
#include "Win32/Sb/Document/SpectrumEffect.h"

// The generator the styles draw noise and tile offsets from: the linear
// congruential generator of the Windows C library (15-bit results), so
// that frames match those drawn with that library.
class SpectrumRandom {
public:
    static constexpr INT kMax = 0x7FFF;

    void Seed(DWORD seed) { m_state = seed; }
    INT Next()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<INT>((m_state >> 16) & 0x7FFF);
    }

private:
    DWORD m_state = 1;
};

// The level and time of the key-time segment being drawn.
struct SpectrumState {
    INT m_nStyle = 0;
    INT m_nStartLevel = 0;
    INT m_nEndLevel = 0;
    // Seconds.
    double m_dSegmentStart = 0.0;
    double m_dSegmentLength = 0.0;
    COLORREF m_crColor = 0;
};

class CSpectrumEffectRenderer : public CEffectRenderer {
public:
    CSpectrumEffectRenderer(CIplImage* image, const SpectrumEffect& effect);
    ~CSpectrumEffectRenderer() override;

    // Draws the style at `milliseconds` into `image` and returns it; null
    // for a null image.
    CIplImage* Render(CIplImage* image, LONG milliseconds) override;

    const SpectrumEffect& GetEffect() const { return m_effect; }
    const SpectrumState& GetState() const { return m_state; }

private:
    // Picks the segment `milliseconds` falls in; other times keep the last.
    void SelectSegment(LONG milliseconds);

    SpectrumEffect m_effect;
    INT m_nStyle;
    SpectrumState m_state;
    SpectrumRandom m_random;
    // The copy of the frame that copying styles read from.
    std::unique_ptr<CIplImage> m_pSource;
};

// Whether the style writes into the frame as it reads it (no copy needed).
bool SpectrumStyleDrawsInPlace(INT style);
