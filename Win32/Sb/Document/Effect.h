#pragma once
// Stand-in for the scene effect base until the effect-model work replaces
// this file: the kind, the four key times and the renderer operations the
// effect list calls per frame, with the base behaviour (no renderer,
// nothing drawn). The four effect kinds come with that work; until then
// tests derive their own.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/MediaTime.h"

class CIplImage;
class CWaveBuffer;

class Effect {
public:
    static constexpr INT kText = 0;
    static constexpr INT kSpectrum = 1;
    static constexpr INT kColor = 2;
    static constexpr INT kMotion = 3;

    explicit Effect(INT kind) : m_nKind(kind) {}
    // Copies carry no renderer.
    Effect(const Effect& other)
        : m_tStart(other.m_tStart), m_tEnd(other.m_tEnd), m_nKind(other.m_nKind), m_nPreset(other.m_nPreset)
    {
        for (int i = 0; i < 4; ++i)
            m_tKey[i] = other.m_tKey[i];
    }
    Effect& operator=(const Effect&) = delete;
    virtual ~Effect() = default;

    virtual INT DetachRenderer() { return 0; }
    virtual bool AttachRenderer(CIplImage*, double, BYTE) { return false; }
    virtual bool HasRenderer() { return false; }
    // The image to go on with.
    virtual CIplImage* Render(CIplImage*, CWaveBuffer*, CMediaTime*) { return nullptr; }
    // Stand-in for the copy by kind of the real list: a new copy of this
    // effect.
    virtual Effect* Clone() const = 0;

    INT GetKind() const { return m_nKind; }
    CMediaTime GetKeyTime0() const { return m_tKey[0]; }
    CMediaTime GetKeyTime1() const { return m_tKey[1]; }
    CMediaTime GetKeyTime2() const { return m_tKey[2]; }
    CMediaTime GetKeyTime3() const { return m_tKey[3]; }
    void SetKeyTime(const CMediaTime& time, int index)
    {
        if (index >= 0 && index < 4)
            m_tKey[index] = time;
    }

protected:
    CMediaTime m_tStart;
    CMediaTime m_tEnd;
    INT m_nKind;
    CMediaTime m_tKey[4];
    INT m_nPreset = -1;
};
