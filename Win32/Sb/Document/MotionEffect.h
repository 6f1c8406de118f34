#pragma once
// MotionEffect (kind 3): a second scene, the overlay, shown as a picture
// over the frames of the scene that carries the effect. Over the four key
// times the picture flies in, holds and flies out: each key has a placement
// cell of the frame, a size in percent of the frame and an opacity, and a
// drop shadow with its own colour, scale, opacity, offset and softness.
// The picture is composited with a constant opacity or through a colour
// key.
//
// The overlay scene belongs to the scene that carries the effect; the
// effect only refers to it (see EffectList.h) and records its media path.

#include "Platform/Mfc/String.h"
#include "Win32/Sb/Document/Effect.h"
#include "Win32/Utils/GfxTypes.h"

class Scene;

struct MotionKey {
    // Placement cell 0..8: column cell % 3, row cell / 3.
    INT m_nAnchor = 4;
    // Width and height in percent of the frame's.
    INT m_nSize = 20;
    // The picture's opacity in modes 6 and 8, the key's percent in 4 and 7.
    INT m_nOpacity = 100;
    INT m_nMode = 6;
    INT m_nKeyLevel = 128;
    COLORREF m_crKey = 0xFF0000;
    COLORREF m_crShadow = 0;
    INT m_nShadowScale = 100;
    INT m_nShadowOpacity = 75;
    // Only key 0's value counts: non-zero blurs the shadow.
    INT m_nShadowSoftness = 0;
    INT m_nSpare = 0;
    INT m_nShadowDX = 0;
    INT m_nShadowDY = 0;
};
static_assert(sizeof(MotionKey) == 52);

class MotionEffect : public Effect {
public:
    // Composite modes.
    static constexpr INT kSoftColorKey = 4;
    static constexpr INT kConstantOpacity = 6;
    static constexpr INT kExactColorKey = 7;
    static constexpr INT kDropShadow = 8;

    MotionEffect();
    // The defaults, then Load from the section.
    MotionEffect(CProfile* profile, LPCSTR section);
    MotionEffect(const MotionEffect& other);
    MotionEffect& operator=(const MotionEffect& other);
    ~MotionEffect() override;

    void SetOverlayPath(LPCSTR path) { m_strOverlayPath = path; }
    LPCSTR GetMediaPath() const { return m_strOverlayPath; }
    Scene* GetOverlayScene() const { return m_pOverlayScene; }
    void SetOverlayScene(Scene* scene) { m_pOverlayScene = scene; }
    // Keys 0..3; another key changes nothing.
    void SetKeyPlacement(INT key, INT cell, INT size, INT opacity);
    // Presets 0..9 on a scene `sceneMilliseconds` long: 1, or 0 for another
    // preset (nothing changes).
    INT ApplyPathPreset(LONG sceneMilliseconds, INT preset);

    // The picture's rectangle at `time` in a frame of `width` x `height`
    // (right and bottom excluded).
    void GetRectAt(CMediaTime time, INT width, INT height, RECT* rect) const;
    void GetKeyRect(INT key, INT width, INT height, RECT* rect) const;
    INT GetOpacityAt(CMediaTime time) const;
    INT GetShadowScaleAt(CMediaTime time) const;
    INT GetShadowOpacityAt(CMediaTime time) const;
    COLORREF GetShadowColorAt(CMediaTime time) const;
    CGfxPoint GetShadowOffsetAt(CMediaTime time) const;

    bool AttachRenderer(CIplImage* image, double rate, BYTE storyboard) override;
    // The renderer's frame at `time`, with the overlay's sound mixed into
    // `audio`; the image unchanged without a renderer.
    CIplImage* Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time) override;
    CIplImage* RenderAtMilliseconds(CIplImage* image, CWaveBuffer* audio, LONG milliseconds) override;
    CIplImage* RenderOverlayAt(CIplImage* image, LONG milliseconds, CWaveBuffer* audio);
    void Load(CProfile* profile, LPCSTR section, INT flag) override;
    // Writes the overlay scene's own entries into the effect's section too.
    void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT position) override;
    Effect* Clone() const override { return new MotionEffect(*this); }

    CString m_strOverlayPath;
    CMediaTime m_tOverlayOffset;
    INT m_nCompositeMode = kConstantOpacity;
    INT m_nKeyLevel = 128;
    COLORREF m_crKeyColor = 0xFF0000;
    MotionKey m_keys[4];

private:
    Scene* m_pOverlayScene = nullptr;
};

INT GetMotionPresetCount();
// Rows 0..9; a row outside is read as row 0.
INT GetMotionPresetThumbnailId(INT row);
INT GetMotionPresetNameId(INT row);
INT GetMotionPresetIndex(INT row);
BOOL IsLeftColumn(INT cell);
BOOL IsRightColumn(INT cell);
