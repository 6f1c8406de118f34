#pragma once
// EffectList: a scene's effects in render order, at most one per kind when
// edited through the per-kind operations. The list owns its entries and,
// through them, its effects. It draws a frame through every effect whose
// window holds the frame time, and writes itself into and reads itself
// from a scene's section of a storyboard document.
//
// Overlay scenes: a motion effect refers to the scene it lays over the
// frames and never owns it; the scene that carries the effect does. While a
// freshly loaded list has not been asked for its overlay (TakeOverlayScene)
// the list keeps the overlay scenes it built itself and deletes them with
// the last effect that refers to them, so no effect is left pointing at a
// deleted scene. The owning scene points its motion effect at its own
// overlay after a copy (SetOverlayScene) and clears it before deleting the
// overlay (SetOverlayScene(nullptr)).

#include <memory>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/Effect.h"
#include "Win32/Utils/KLPtrList.h"
#include "Win32/Utils/MediaTime.h"

class CIplImage;
class CProfile;
class CWaveBuffer;
class ColorEffect;
class MotionEffect;
class Scene;
class SpectrumEffect;
class TextEffect;

// One entry of the list: the effect it owns.
struct EffectEntry {
    Effect* m_pEffect = nullptr;
};

class EffectList {
public:
    EffectList();
    EffectList(const EffectList&) = delete;
    EffectList& operator=(const EffectList&) = delete;
    ~EffectList();

    // Takes over `effect`, appending it; null adds nothing.
    void AddEffect(Effect* effect);
    INT GetCount() const { return m_entries.GetCount(); }
    BOOL IsEmpty() const { return m_entries.IsEmpty(); }
    // The effect at `position` in render order, or null.
    Effect* GetAt(INT position) const;
    void RemoveAll();
    void ResetCursor() { m_entries.ResetCursor(); }

    // Appends the effects stored in `sceneSection` in the order text,
    // motion, colour, spectrum (with the older layouts, overlay sections
    // first). `documentPath` is handed to the overlay scenes; with
    // `olderText` the scene section itself holds an older text effect.
    void Load(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT olderText);
    // The list comment, the count and every effect in list order.
    void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT unused);
    // Appends copies of the last effect of each kind of `other`, in the
    // order colour, spectrum, motion, text; returns the new count. Overlay
    // scenes that `other` still keeps itself are copied with their effects.
    INT CopyFrom(const EffectList& other);

    // Draws every effect whose window [key 0, key 3] holds `time` (relative
    // to the scene), attaching renderers as effects come into their window
    // and detaching those whose window has passed; returns the image to go
    // on with: `image`, or a new one the caller takes over (and then deletes
    // `image` itself). `frameTime` is the length of one output frame; a
    // frame of no length counts as one second.
    CIplImage* RenderFrame(CIplImage* image, CWaveBuffer* audio, const CMediaTime& time, const CMediaTime& frameTime);

    // Per kind: store a copy (assigned over the one there, whose renderer
    // is detached first), remove the first one (1, or 0 when there is
    // none), its key 0 and key 3 (1, or 0 untouched when there is none),
    // and find the first one.
    void SetTextEffect(const TextEffect& effect);
    void SetSpectrumEffect(const SpectrumEffect& effect);
    void SetColorEffect(const ColorEffect& effect);
    void SetMotionEffect(const MotionEffect& effect);
    INT RemoveTextEffect() { return RemoveEffect(Effect::kText); }
    INT RemoveSpectrumEffect() { return RemoveEffect(Effect::kSpectrum); }
    INT RemoveColorEffect() { return RemoveEffect(Effect::kColor); }
    INT RemoveMotionEffect() { return RemoveEffect(Effect::kMotion); }
    INT GetTextEffectRange(CMediaTime& start, CMediaTime& end) const { return GetEffectRange(Effect::kText, start, end); }
    INT GetSpectrumEffectRange(CMediaTime& start, CMediaTime& end) const
    {
        return GetEffectRange(Effect::kSpectrum, start, end);
    }
    INT GetColorEffectRange(CMediaTime& start, CMediaTime& end) const
    {
        return GetEffectRange(Effect::kColor, start, end);
    }
    INT GetMotionEffectRange(CMediaTime& start, CMediaTime& end) const
    {
        return GetEffectRange(Effect::kMotion, start, end);
    }
    TextEffect* FindTextEffect() const;
    SpectrumEffect* FindSpectrumEffect() const;
    ColorEffect* FindColorEffect() const;
    MotionEffect* FindMotionEffect() const;

    Effect* FindEffect(INT kind) const;
    INT RemoveEffect(INT kind);
    INT GetEffectRange(INT kind, CMediaTime& start, CMediaTime& end) const;

    // Points every motion effect of the list at `overlay` (not owned).
    void SetOverlayScene(Scene* overlay);
    // The overlay scene the first motion effect refers to, when the list
    // built it on loading: the caller takes it over and the effect keeps
    // referring to it. Null otherwise.
    std::unique_ptr<Scene> TakeOverlayScene();

private:
    template <typename Kind>
    void SetEffect(const Kind& effect);
    // Builds a motion effect and its overlay scene from `section`, or
    // nothing when the scene does not load.
    void LoadMotionSection(LPCSTR documentPath, CProfile* profile, LPCSTR section);
    // Deletes the overlay scenes the list keeps that no effect refers to.
    void DropUnreferencedOverlays();

    KLPtrList<EffectEntry*> m_entries;
    std::vector<std::unique_ptr<Scene>> m_ownedOverlays;
};
