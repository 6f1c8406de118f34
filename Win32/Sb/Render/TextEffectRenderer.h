#pragma once
// CTextEffectRenderer: the text effect's renderer. It makes a rasteriser
// for the effect's font, text and style, turns the four key times into
// frame numbers at its frame rate and has the rasteriser keep one
// interpolated state per frame; drawing a frame then only blends the
// prepared masks with that frame's state.
//
// Made for production it uses four sub-pixel phases in each direction, so
// that moving text glides; made for a panel's preview it uses none. It
// writes that choice into the effect's style bits.

#include <memory>

#include "Win32/Sb/Document/EffectRenderer.h"
#include "Win32/Sb/Render/TextRasterizer.h"

class TextEffect;
struct TextKeyState;

class CTextEffectRenderer : public CEffectRenderer {
public:
    // `effect` must outlive the renderer. A rate of 0 is taken as 15.
    CTextEffectRenderer(INT unused, TextEffect* effect, double rate, BYTE quality);
    ~CTextEffectRenderer() override;

    // Blends the text of frame `frame` into the image and returns it.
    CIplImage* Render(CIplImage* image, LONG frame) override;

    bool IsValid() const { return m_bValid != 0; }
    double GetFrameRate() const { return m_dFrameRate; }
    CTextRasterizer* GetRasterizer() const { return m_pRasterizer.get(); }

private:
    TextEffect* m_pEffect;
    std::unique_ptr<CTextRasterizer> m_pRasterizer;
    BYTE m_bValid = 0;
    double m_dFrameRate;
    BYTE m_bQuality;
};

// A key state of a text effect as the rasteriser draws it: its colours as
// 0xAARRGGBB with the transparency kept, its anchor and its position; the
// two further values become the anchor point, zoom 0.
TextFrameState TextFrameStateOf(const TextKeyState& state);
