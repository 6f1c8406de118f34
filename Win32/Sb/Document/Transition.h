#pragma once
// Transition: the storyboard item on an odd slot, between two scenes. It
// owns one catalogue transition (a TransitionEffect with its parameter
// record); its length on the storyboard is the effect's overlap. A
// transition without an effect is invalid and has no length.
//
// It writes its parameters into one section of a storyboard file and reads
// them back, or reads the one-line form of older files.

#include "Platform/Mfc/String.h"
#include "Win32/Sb/Document/StoryboardItem.h"

class CIplAlphaMask;
class CIplImage;
class CProfile;
class TransitionEffect;

class Transition : public StoryboardItem {
public:
    // The entry of the older one-line form and the name loaded with it
    // (untranslated strings).
    static constexpr UINT kKeyLegacyLine = 1003;
    static constexpr UINT kLegacyLineName = 1010;
    // The largest thumbnail: a catalogue picture is cut to it.
    static constexpr INT kThumbnailWidth = 80;
    static constexpr INT kThumbnailHeight = 60;

    // Adopts `effect` (null: an invalid transition).
    explicit Transition(TransitionEffect* effect);
    // The copy has an effect of its own, equal to the source's.
    Transition(const Transition& other);
    // Reads the effect from `section`; none when the section names no
    // catalogue transition.
    Transition(CProfile* profile, LPCSTR section);
    ~Transition() override;

    INT GetKind() const override { return kKindTransition; }
    StoryboardItem* Clone() const override { return new Transition(*this); }
    BOOL IsValid() const override { return m_pEffect != nullptr; }
    CMediaTime GetDuration() const override;
    BOOL IsSame(const StoryboardItem* item) const override;
    // The catalogue picture of the transition, at most 80 x 60; owned by
    // the transition and kept until the transition changes or goes.
    MediaFrame* GetThumbnail() override;
    void Save(CProfile* profile, LPCSTR section) const;

    // The catalogue name of the transition (language module); nothing
    // without an effect.
    void GetName(CString& name) const;
    TransitionEffect* GetEffect() const { return m_pEffect; }
    // Replaces the effect (null: none), which the transition then owns.
    void SetEffect(TransitionEffect* effect);
    float GetOverlapDuration() const;
    INT GetTransitionId() const;
    void Blend(CIplImage* imageA, CIplImage* imageB, CIplImage* output, CIplAlphaMask* mask, INT left, INT top,
               INT right, INT bottom, double progress, INT frameCount, INT width, INT height, INT bottomUp);

private:
    void Load(CProfile* profile, LPCSTR section);
    void LoadLegacyLine(LPCSTR line);

    TransitionEffect* m_pEffect = nullptr;
    // The catalogue row the kept thumbnail was made for.
    INT m_nThumbnailRow = -1;
};

// Where catalogue pictures come from: the bitmap module, unless a loader
// is installed (the picture of bitmap resource `id`, the caller's, or
// null). SetCataloguePictureLoader(null) puts the bitmap module back and
// returns the loader installed before.
using CataloguePictureLoader = CIplImage* (*)(UINT id);
CataloguePictureLoader SetCataloguePictureLoader(CataloguePictureLoader loader);

// The thumbnail frame made from a catalogue picture: the picture itself, or
// its top left 80 x 60 when it is larger. Takes over `picture`; null when
// it holds no image.
MediaFrame* MakeTransitionThumbnail(CIplImage* picture);
// A new frame (the caller's) with the picture of catalogue row 0, made as a
// thumbnail is; null when the picture cannot be loaded.
MediaFrame* LoadTransitionMaskBitmap();
