#pragma once
// Stand-in for a scene's effect list until the effect-model work replaces
// this file: the list owns its effects and offers what the media sources
// call (CopyFrom, RenderFrame). Loading, saving and the per-kind set and
// remove operations come with that work; AddEffect stands in for them.

#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/Effect.h"
#include "Win32/Utils/MediaTime.h"

class CIplImage;
class CWaveBuffer;

class EffectList {
public:
    EffectList() = default;
    EffectList(const EffectList&) = delete;
    EffectList& operator=(const EffectList&) = delete;
    ~EffectList() { RemoveAll(); }

    // Takes over `effect`, appending it.
    void AddEffect(Effect* effect)
    {
        if (effect != nullptr)
            m_effects.push_back(effect);
    }
    INT GetCount() const { return static_cast<INT>(m_effects.size()); }
    void RemoveAll()
    {
        for (Effect* effect : m_effects)
            delete effect;
        m_effects.clear();
    }

    // Appends copies of the last effect of each kind of `other`, in the
    // order colour, spectrum, motion, text; returns the new count.
    INT CopyFrom(const EffectList& other)
    {
        const Effect* last[4] = {nullptr, nullptr, nullptr, nullptr};
        for (const Effect* effect : other.m_effects) {
            if (effect->GetKind() >= 0 && effect->GetKind() < 4)
                last[effect->GetKind()] = effect;
        }
        for (INT kind : {Effect::kColor, Effect::kSpectrum, Effect::kMotion, Effect::kText}) {
            if (last[kind] != nullptr)
                AddEffect(last[kind]->Clone());
        }
        return GetCount();
    }

    // Draws every effect whose window [key 0, key 3] holds `time` (relative
    // to the scene) and frees the renderers of those that have passed;
    // returns the image to go on with.
    CIplImage* RenderFrame(CIplImage* image, CWaveBuffer* audio, const CMediaTime& time, const CMediaTime& frameTime)
    {
        const double units = frameTime.GetTotalUnits();
        const double rate = units > 0.0 ? 1000000.0 / units : 0.0;
        CMediaTime at = time;
        for (Effect* effect : m_effects) {
            if (effect->GetKeyTime0() <= at && at <= effect->GetKeyTime3()) {
                if (!effect->HasRenderer())
                    effect->AttachRenderer(image, rate, 1);
                if (effect->HasRenderer()) {
                    if (CIplImage* rendered = effect->Render(image, audio, &at))
                        image = rendered;
                }
            }
            if (at > effect->GetKeyTime3())
                effect->DetachRenderer();
        }
        return image;
    }

private:
    std::vector<Effect*> m_effects;
};
