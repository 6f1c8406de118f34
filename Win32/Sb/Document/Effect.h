#pragma once
// Effect: what the four scene effects (text, spectrum, colour, motion) have
// in common: the kind, four key times relative to the start of the scene,
// a preset number and the renderer that draws the effect while it is
// attached.
//
// The key times divide the effect's life: key 0 starts it, key 1 ends the
// entry, key 2 starts the exit, key 3 ends it; a frame at time t is drawn
// while key 0 <= t <= key 3. Nothing forces the keys into order.
//
// A renderer exists only between AttachRenderer and DetachRenderer (or the
// next attach, or the effect's end); copies and assignments never carry it.
// The base frees, reports and applies whatever renderer a kind attached;
// the kinds' own data, attach, save and load live in their classes.

#include <memory>
#include <string>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/EffectRenderer.h"
#include "Win32/Utils/MediaTime.h"

class CIplImage;
class CProfile;
class EffectNames;
class CWaveBuffer;

class Effect {
public:
    static constexpr INT kText = 0;
    static constexpr INT kSpectrum = 1;
    static constexpr INT kColor = 2;
    static constexpr INT kMotion = 3;
    static constexpr INT kKindCount = 4;

    explicit Effect(INT kind);
    Effect(const Effect& other);
    Effect& operator=(const Effect& other);
    virtual ~Effect();

    // Frees the renderer; 1.
    virtual INT DetachRenderer();
    // Makes the kind's renderer for frames like `image` at `rate` frames per
    // second, replacing one that is attached; `storyboard` is 1 when the
    // storyboard's rendering pass attaches, 0 for an editing panel's own
    // preview. Whether a renderer is attached.
    virtual bool AttachRenderer(CIplImage* image, double rate, BYTE storyboard);
    virtual bool HasRenderer();
    // Draws the effect at time `time` (relative to the scene) and returns
    // the image to go on with; null when nothing was drawn.
    virtual CIplImage* Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time);
    virtual CIplImage* RenderAtMilliseconds(CIplImage* image, CWaveBuffer* audio, LONG milliseconds);
    // The renderer's own entry with a frame number or milliseconds; null
    // without a renderer.
    virtual CIplImage* ApplyRenderer(CIplImage* image, LONG position);
    virtual INT GetKind() const;
    // Reads the effect from `section`; the flag is not used.
    virtual void Load(CProfile* profile, LPCSTR section, INT flag);
    // Writes the effect for the scene section `sceneSection`; `position` is
    // the effect's place in its list.
    virtual void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT position);
    // A copy made with the kind's copy constructor, without renderer.
    virtual Effect* Clone() const = 0;

    CMediaTime GetKeyTime0() const { return m_tKey[0]; }
    CMediaTime GetKeyTime1() const { return m_tKey[1]; }
    CMediaTime GetKeyTime2() const { return m_tKey[2]; }
    CMediaTime GetKeyTime3() const { return m_tKey[3]; }
    CMediaTime GetKeyTime(int index) const;
    // Index 0..3; any other index changes nothing.
    void SetKeyTime(const CMediaTime& time, int index);
    void CopyKeyTimes(const Effect& other);
    INT GetPreset() const { return m_nPreset; }
    void SetPreset(INT preset) { m_nPreset = preset; }
    // The attached renderer, or null.
    CEffectRenderer* GetRenderer() const { return m_pRenderer.get(); }
    const CMediaTime& GetStartTime() const { return m_tStart; }
    const CMediaTime& GetEndTime() const { return m_tEnd; }
    void SetStartTime(const CMediaTime& time) { m_tStart = time; }
    void SetEndTime(const CMediaTime& time) { m_tEnd = time; }

    // The four key times under `prefix` + the key names. 0 for a null
    // profile or a missing name (the latter after message 4391), else 1.
    INT SaveKeyTimes(CProfile* profile, LPCSTR section, LPCSTR prefix) const;
    // 1 when the key entries were there and were read. Otherwise all four
    // become 0 and the result is 0: an older layout, a null profile or a
    // missing name (after message 4392).
    INT LoadKeyTimes(CProfile* profile, LPCSTR section, LPCSTR prefix);

protected:
    // ApplyRenderer with `time` in milliseconds.
    CIplImage* ApplyAtMilliseconds(CIplImage* image, const CMediaTime* time);
    // Starts an effect's own section, scene section + name `suffix` + "0":
    // the presence entry `present` = 1 in the scene section, then the
    // comment entry and the key times (under the prefix `present`) in the
    // own section, whose name is returned.
    std::string BeginOwnSection(CProfile* profile, LPCSTR sceneSection, const EffectNames& names, UINT present,
                                UINT suffix, LPCSTR commentName, LPCSTR comment) const;

    CMediaTime m_tStart;
    CMediaTime m_tEnd;
    INT m_nKind;
    CMediaTime m_tKey[4];
    INT m_nPreset = -1;
    std::unique_ptr<CEffectRenderer> m_pRenderer;
};
