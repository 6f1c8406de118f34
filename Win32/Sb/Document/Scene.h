#pragma once
// Scene: one piece of media on the storyboard (an even slot). It owns its
// material (what it shows), its effects, its audio settings and tracks, the
// chain of overlay scenes its motion effect lays over it, the frame reader
// that turns its media into frames while it is previewed or produced, and
// the preview's render layer. A scene without a material is invalid and
// answers every media question with a neutral value.
//
// The scene writes its own entries (media kind, thumbnail time and effect
// flags) into one section of a storyboard or scene file, and lets its
// material, effect list and scene audio write theirs into the same section.
//
// Overlays: the scene owns its overlay scene; its motion effect only refers
// to it. Whenever the overlay changes, the effect is pointed at the new one
// before the old one is deleted, so the effect never refers to a deleted
// scene.

#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/Guid.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Utils/GfxTypes.h"

class CMediaSource;
class CProfile;
class CSceneRenderLayer;
class ColorEffect;
class Effect;
class Material;
class MotionEffect;
class RDXControl;
class SpectrumEffect;
class TextEffect;

class Scene : public StoryboardItem {
public:
    // Media kinds (GetMediaKind).
    static constexpr INT kMediaNone = 0;
    static constexpr INT kMediaVideo = 2;
    static constexpr INT kMediaStill = 4;
    static constexpr INT kMediaColor = 256;

    // Thumbnail effect flags: which effects the thumbnail shows.
    static constexpr DWORD kThumbColor = 1;
    static constexpr DWORD kThumbSpectrum = 2;
    static constexpr DWORD kThumbMotion = 4;
    static constexpr DWORD kThumbText = 8;

    // Entry names and values (untranslated strings).
    static constexpr UINT kKeyMediaKind = 1005;
    static constexpr UINT kKeyThumbnailTime = 1008;
    static constexpr UINT kKeyThumbnailEffects = 1009;
    static constexpr UINT kKindVideo = 1000;
    static constexpr UINT kKindOldGenerated = 1001;
    static constexpr UINT kKindStill = 1002;
    static constexpr UINT kKindColor = 1007;
    // The application setting of the length of new stills, in seconds.
    static constexpr UINT kSettingsSection = 1280;
    static constexpr UINT kStillDurationEntry = 1560;
    // Scene files: header section, its file type and version entries and
    // the values they must hold, and the section of the scene's entries.
    static constexpr UINT kSceneFileName = 1120;
    static constexpr UINT kHeaderSection = 1104;
    static constexpr UINT kFileTypeKey = 1106;
    static constexpr UINT kVersionKey = 1107;
    static constexpr UINT kSceneFileType = 1121;
    static constexpr UINT kSceneFileVersion = 1122;
    static constexpr UINT kSceneSection = 1113;
    // Message (language module): in or out point moved inside shorter media.
    static constexpr UINT kMediaShortenedMessage = 35071;

    // Pass-through codes (GetPassThroughKind).
    static constexpr INT kPassNone = 0;
    static constexpr INT kPassVideo = 2;
    static constexpr INT kPassOther = 4;
    static constexpr INT kPassWindowsMedia = 514;
    static constexpr INT kPassRealMedia = 1026;

    // A black colour scene.
    Scene();
    // A colour scene of `colour`.
    explicit Scene(COLORREF colour);
    // A scene of the media file at `path` (a scene file is read whole).
    explicit Scene(LPCSTR path);
    // Adopts `material` as it is.
    explicit Scene(Material* material);
    // Loads the scene from `section`.
    Scene(LPCSTR documentFolder, CProfile* profile, LPCSTR section);
    // A deep copy, overlays included; thumbnail, reader and render layer
    // stay with the source.
    Scene(const Scene& other);
    ~Scene() override;

    INT GetKind() const override { return kKindScene; }
    StoryboardItem* Clone() const override { return new Scene(*this); }
    BOOL IsValid() const override { return m_pMaterial != nullptr; }
    CMediaTime GetDuration() const override;
    BOOL IsSame(const StoryboardItem* item) const override;
    MediaFrame* GetThumbnail() override;

    // Times and frames, from the material.
    CMediaTime GetInPoint() const;
    CMediaTime GetOutPoint() const;
    CMediaTime GetMediaLength() const;
    // 15 without material or with a material of no rate.
    double GetFrameRate() const;
    INT GetInFrame() const;
    INT GetOutFrame() const;
    INT GetDurationFrames() const;
    // Video: moves the in point, keeps the out point, and moves effects and
    // audio so they stay on the same media content.
    void SetInPoint(const CMediaTime& time);
    // Video: the same at a frame, without moving effects or audio.
    void SetInFrame(INT frame);
    void SetDuration(const CMediaTime& time);
    void SetDurationFrames(INT frames);

    // Media properties, from the material.
    INT GetMediaKind() const;
    LPCSTR GetMediaPath() const;
    INT GetMediaWidth() const;
    INT GetMediaHeight() const;
    INT HasAudio() const;
    void SetAudioEnabled(INT enabled);
    INT GetVideoFormatInfo(GUID* subtype) const;
    INT GetMediaFlag1() const;
    INT GetMediaFlag2() const;
    INT HasMediaInfoText0() const;
    LPCSTR GetMediaInfoText0() const;
    LPCSTR GetMediaInfoText1() const;
    LPCSTR GetMediaInfoText2() const;
    LPCSTR GetMediaInfoText3() const;
    INT IsMediaMissing() const { return m_bMediaMissing; }
    void ClearMediaMissing() { m_bMediaMissing = 0; }
    Material* GetMaterial() const { return m_pMaterial; }
    INT GetMediaDepth() const { return m_nMediaDepth; }
    INT IsChanged() const { return m_bChanged; }
    void SetChanged(INT changed) { m_bChanged = changed; }

    // Frames. OpenReader: 1 when a reader is open and configured for frames
    // of `size` at `fps` (0 counts as 15) from the in point.
    INT OpenReader(const CGfxSize& size, double fps);
    // 1 after moving the open reader to `time` (kept before the out point).
    INT SeekReader(CMediaTime time);
    // The next frame, owned by the caller, or null. With audio wanted the
    // frame always carries a block: the reader's, scaled by `gain` (1024:
    // the scene's own volume; 0 while the scene's own sound is off), or one
    // frame of silence when the reader gave none.
    MediaFrame* GetFrame(INT wantVideo, INT wantAudio, const WAVEFORMATEX* format, INT gain);
    void CloseReader();
    CMediaSource* GetReader() const { return m_pReader; }
    // Seconds from the in point of the last frame read.
    double GetPlayPosition() const { return m_dPlayPosition; }

    // Effects.
    ColorEffect* GetColorEffect() const;
    SpectrumEffect* GetSpectrumEffect() const;
    TextEffect* GetTextEffect() const;
    MotionEffect* GetMotionEffect() const;
    void SetColorEffect(const ColorEffect& effect);
    void SetSpectrumEffect(const SpectrumEffect& effect);
    void SetTextEffect(const TextEffect& effect);
    void SetMotionEffect(const MotionEffect& effect);
    void RemoveColorEffect();
    void RemoveSpectrumEffect();
    void RemoveTextEffect();
    void RemoveMotionEffect();
    INT GetColorEffectTimes(CMediaTime& start, CMediaTime& end) const;
    INT GetSpectrumEffectTimes(CMediaTime& start, CMediaTime& end) const;
    INT GetTextEffectTimes(CMediaTime& start, CMediaTime& end) const;
    INT GetMotionEffectTimes(CMediaTime& start, CMediaTime& end) const;
    const EffectList& GetEffects() const { return m_Effects; }
    // Replaces every effect and the overlay chain by copies of `source`'s.
    INT CopyEffectsFrom(const Scene& source);
    // Moves every effect by `seconds` (each key kept within 0 and the
    // duration) and the audio tracks' starts with `flag`.
    void ShiftEffectTimes(double seconds, INT flag);
    void ShiftEffect(Effect* effect, double seconds) const;

    // The overlay chain.
    INT SetOverlayScene(Scene* overlay);
    INT SetOverlayMedia(LPCSTR path);
    Scene* GetOverlayScene() const { return m_pOverlayScene; }
    INT GetOverlayDepth() const;
    // Fills `out` (at least GetOverlayDepth() + 1 entries) with the chain,
    // ending with a null.
    void GetOverlayChain(Scene** out);
    Scene* GetOverlayAt(INT n);

    // The preview's layer of this scene: the one held (with a new
    // reference) or a new one; null when none can be made.
    CSceneRenderLayer* GetRenderLayer(RDXControl* control, INT flag);
    void ReleaseRenderLayer();
    CSceneRenderLayer* GetHeldRenderLayer() const { return m_pRenderLayer; }

    // Audio.
    SceneAudio* GetAudio() { return &m_Audio; }
    const SceneAudio* GetAudio() const { return &m_Audio; }
    void RelinkAudioPath(const CString& oldPath, const CString& newPath);
    INT CollectAudioPaths(CStringList* list) const;
    INT GetMaxAudioByteRate(DWORD* value) const;
    INT HasCustomAudio() const;
    INT AudioFilesExist() const;
    void DeleteConvertedAudio();

    // Pass-through tests of the producer.
    BOOL IsMpeg2Video() const;
    BOOL IsPassThroughCandidate() const;
    BOOL GetPassThroughKind(INT* code) const;

    // Files. Load: 1, or 0 for a null profile or a section without a media
    // kind (the scene unchanged).
    void Save(LPCSTR documentFolder, CProfile* profile, LPCSTR section);
    INT Load(LPCSTR documentFolder, CProfile* profile, LPCSTR section);
    // Reads a scene file; 1 when it was one and loaded, else 0 with the
    // scene unchanged.
    INT LoadSceneFile(LPCSTR path);
    // Makes the material again from the media path after it changed.
    void ReloadMedia();

    // Thumbnails: 120 x 90 or the given size, kept until the picture
    // changes; owned by the scene.
    MediaFrame* GetThumbnailSized(INT width, INT height);
    void DropThumbnail();
    void SetThumbnailTime(double seconds);
    const CMediaTime& GetThumbnailTime() const { return m_tThumbnail; }
    DWORD GetThumbnailEffects() const { return m_nThumbnailEffects; }
    void RecomputeEffectFlags();

    // The length of new stills and colour scenes: the application's setting,
    // 5 seconds when it is not set.
    static CMediaTime DefaultStillDuration();

private:
    void CreateColorMaterial(COLORREF colour);
    // The material for a media file: -1 when the path names a scene file
    // (read into this scene), else 0 with the material or null.
    INT MaterialFromPath(LPCSTR path, bool realMedia, Material** material);
    void AttachMaterial(Material* material);
    // Releases the overlay's layer and deletes the chain, first pointing
    // the motion effect at `replacement`, which the scene then owns.
    void ReplaceOverlay(Scene* replacement);
    void RefreshLayer();
    void BuildThumbnail(CMediaSource* reader, INT width, INT height);
    template <typename Kind>
    void SetEffectOfKind(const Kind& effect);
    void RemoveEffectOfKind(INT kind);

    CMediaTime m_tThumbnail;
    DWORD m_nThumbnailEffects = 0;
    Scene* m_pOverlayScene = nullptr;
    INT m_bChanged = 0;
    Material* m_pMaterial = nullptr;
    INT m_bMediaMissing = 0;
    INT m_nMediaDepth = 0;
    INT m_nMediaDepth2 = 8;
    CSceneRenderLayer* m_pRenderLayer = nullptr;
    EffectList m_Effects;
    CMediaSource* m_pReader = nullptr;
    double m_dPlayPosition = 0.0;
    SceneAudio m_Audio;
};
