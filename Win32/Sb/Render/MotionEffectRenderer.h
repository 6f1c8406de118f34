#pragma once
// CMotionEffectRenderer: the motion effect's picture-in-picture. Made for
// the storyboard's rendering (production), it works on its own copy of the
// effect's overlay scene (or a scene opened from the effect's overlay path
// when there is none), reads the overlay's frames at the output size from
// the overlay's in point moved by the effect's overlay offset, and
// composites each one into the frame: at the effect's rectangle for the
// time, with its composite mode, key and opacity, after a drop shadow in
// mode 8. The overlay's sound is mixed into the frame's audio.
//
// Made without the storyboard flag (an editing panel's preview) it draws
// nothing: the preview's render layers composite the overlay themselves.

#include <memory>

#include "Win32/Sb/Document/EffectRenderer.h"
#include "Win32/Utils/MediaTime.h"

class CMediaSource;
class CWaveBuffer;
class MotionEffect;
class Scene;

class CMotionEffectRenderer : public CEffectRenderer {
public:
    CMotionEffectRenderer(const MotionEffect* effect, BYTE production);
    ~CMotionEffectRenderer() override;

    void SetFrameRate(double rate) { m_dFrameRate = rate > 0.0 ? rate : kDefaultRate; }
    double GetFrameRate() const { return m_dFrameRate; }

    // Not used: the motion renderer draws at times.
    CIplImage* Render(CIplImage* image, LONG position) override;
    // Draws the overlay frame of `time` (relative to the scene) into the
    // image and returns it; null for a null image.
    CIplImage* RenderTime(CIplImage* image, const CMediaTime& time, CWaveBuffer* audio);
    CIplImage* RenderAt(CIplImage* image, LONG milliseconds, CWaveBuffer* audio);

    const Scene* GetOverlayScene() const { return m_pOverlay.get(); }

private:
    static constexpr double kDefaultRate = 15.0;

    // Opens the overlay's reader for frames like `image`, positioned for
    // `time`; false when there is none.
    bool OpenOverlay(const CIplImage* image, const CMediaTime& time);

    const MotionEffect* m_pEffect;
    double m_dFrameRate = kDefaultRate;
    std::unique_ptr<Scene> m_pOverlay;
    // The overlay's reader, owned by the overlay scene.
    CMediaSource* m_pReader = nullptr;
    BYTE m_bProduction;
};
