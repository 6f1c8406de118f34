#include "Win32/Sb/Document/Scene.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "Platform/DShow/Api/Guids.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/ColorMaterial.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Document/RealMediaMaterial.h"
#include "Win32/Sb/Document/SceneRenderLayer.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/StillMaterial.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Document/VideoMaterial.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr double kDefaultFrameRate = 15.0;
constexpr INT kThumbnailWidth = 120;
constexpr INT kThumbnailHeight = 90;
// The length the document gives new stills when the setting is not there.
constexpr double kDefaultStillSeconds = 5.0;

CMediaTime Microseconds(double microseconds)
{
    return CMediaTime(0, 0, 0, std::max(0.0, microseconds), CMediaTime::kMicroseconds);
}

CMediaTime SecondsTime(double seconds)
{
    return Microseconds(seconds * 1000000.0);
}

double UsableRate(double fps)
{
    return fps > 0.0 ? fps : kDefaultFrameRate;
}

constexpr DWORD FourCC(char a, char b, char c, char d)
{
    return static_cast<DWORD>(static_cast<BYTE>(a)) | static_cast<DWORD>(static_cast<BYTE>(b)) << 8
        | static_cast<DWORD>(static_cast<BYTE>(c)) << 16 | static_cast<DWORD>(static_cast<BYTE>(d)) << 24;
}

// The video codes a Windows Media file can be copied through with.
constexpr DWORD kWindowsMediaCodecs[] = {FourCC('W', 'M', 'V', '1'), FourCC('M', 'P', '4', '2'),
                                         FourCC('M', 'P', '4', '3')};

// The part of `path` from its last '.', or empty.
CString ExtensionOf(LPCSTR path)
{
    const char* dot = path != nullptr ? std::strrchr(path, '.') : nullptr;
    return dot != nullptr ? CString(dot) : CString();
}

bool SameText(LPCSTR a, LPCSTR b)
{
    return a != nullptr && b != nullptr && CString(a).CompareNoCase(b) == 0;
}

} // namespace

CMediaTime Scene::DefaultStillDuration()
{
    const CProfileKeys names({kSettingsSection, kStillDurationEntry});
    CString text;
    if (names.Name(kSettingsSection) != nullptr && names.Name(kStillDurationEntry) != nullptr)
        text = CShellServices::Get().GetProfileString(names.Name(kSettingsSection), names.Name(kStillDurationEntry), "");
    text.TrimLeft();
    text.TrimRight();
    // An absent setting is the document's own default, not a still of no
    // length.
    const double seconds = text.IsEmpty() ? kDefaultStillSeconds : std::atof(text);
    return CMediaTime::FromMilliseconds(std::max(0.0, seconds * 1000.0));
}

Scene::Scene()
{
    CreateColorMaterial(RGB(0, 0, 0));
}

Scene::Scene(COLORREF colour)
{
    CreateColorMaterial(colour);
}

Scene::Scene(LPCSTR path)
{
    Material* material = nullptr;
    if (MaterialFromPath(path, true, &material) == 0)
        AttachMaterial(material);
}

Scene::Scene(Material* material) : m_pMaterial(material) {}

Scene::Scene(LPCSTR documentFolder, CProfile* profile, LPCSTR section)
{
    Load(documentFolder, profile, section);
}

Scene::Scene(const Scene& other) : StoryboardItem(other)
{
    m_bMediaMissing = other.m_bMediaMissing;
    m_nMediaDepth = other.m_nMediaDepth;
    m_nMediaDepth2 = other.m_nMediaDepth2;
    m_dPlayPosition = other.m_dPlayPosition;
    m_Audio = other.m_Audio;
    if (other.m_pMaterial != nullptr)
        m_pMaterial = other.m_pMaterial->Clone();
    m_Effects.CopyFrom(other.m_Effects);
    m_tThumbnail = other.m_tThumbnail;
    m_nThumbnailEffects = other.m_nThumbnailEffects;
    if (other.m_pOverlayScene != nullptr)
        m_pOverlayScene = new Scene(*other.m_pOverlayScene);
    m_Effects.SetOverlayScene(m_pOverlayScene);
}

Scene::~Scene()
{
    ReleaseRenderLayer();
    FreeThumbnail();
    delete m_pMaterial;
    delete m_pReader;
    ReplaceOverlay(nullptr);
    m_Audio.Reset();
}

CMediaTime Scene::GetDuration() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetDuration() : CMediaTime();
}

BOOL Scene::IsSame(const StoryboardItem* item) const
{
    const auto* scene = dynamic_cast<const Scene*>(item);
    return scene != nullptr && m_pMaterial != nullptr && scene->m_pMaterial == m_pMaterial;
}

void Scene::CreateColorMaterial(COLORREF colour)
{
    auto* material = new (std::nothrow) ColorMaterial(colour, DefaultStillDuration(), kDefaultFrameRate, 0);
    if (material != nullptr && !material->Verify()) {
        delete material;
        material = nullptr;
    }
    m_pMaterial = material;
}

INT Scene::MaterialFromPath(LPCSTR path, bool realMedia, Material** material)
{
    *material = nullptr;
    CMediaFile file(path);
    INT type = CMediaFile::kTypeNone;
    const INT result = file.DetectType(&type);
    if (result == CMediaFile::kUnknownExtension) {
        m_bMediaMissing = 1;
        return 0;
    }
    if (result != CMediaFile::kOk)
        return 0;
    switch (type) {
    case CMediaFile::kTypeScene:
        LoadSceneFile(path);
        return -1;
    case CMediaFile::kTypeVideo: {
        INT isRealMedia = 0;
        if (realMedia)
            file.IsRealMedia(&isRealMedia);
        if (isRealMedia)
            *material = new RealMediaMaterial(path, kDefaultFrameRate, 0, CMediaTime(), CMediaTime(), 1);
        else
            *material = new VideoMaterial(path, kDefaultFrameRate, 0, CMediaTime(), CMediaTime(), 1);
        return 0;
    }
    case CMediaFile::kTypeStill:
        *material = new StillMaterial(path, kDefaultFrameRate, DefaultStillDuration(), 0);
        return 0;
    default:
        return 0;
    }
}

void Scene::AttachMaterial(Material* material)
{
    m_pMaterial = material;
    if (material != nullptr) {
        m_nMediaDepth = material->GetBitDepth();
        m_nMediaDepth2 = m_nMediaDepth;
    }
}

// Times and frames.

CMediaTime Scene::GetInPoint() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetInPoint() : CMediaTime();
}

CMediaTime Scene::GetOutPoint() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetOutPoint() : CMediaTime();
}

CMediaTime Scene::GetMediaLength() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaLength() : CMediaTime();
}

double Scene::GetFrameRate() const
{
    return m_pMaterial != nullptr ? UsableRate(m_pMaterial->GetFrameRate()) : kDefaultFrameRate;
}

INT Scene::GetInFrame() const
{
    return m_pMaterial != nullptr ? static_cast<INT>(GetInPoint().ToCount(m_pMaterial->GetFrameRate())) : 0;
}

INT Scene::GetOutFrame() const
{
    return m_pMaterial != nullptr ? static_cast<INT>(GetOutPoint().ToCount(m_pMaterial->GetFrameRate())) : 0;
}

INT Scene::GetDurationFrames() const
{
    return m_pMaterial != nullptr ? static_cast<INT>(GetDuration().ToCount(GetFrameRate())) : 0;
}

void Scene::SetInPoint(const CMediaTime& time)
{
    auto* timed = dynamic_cast<TimedMaterial*>(m_pMaterial);
    if (timed == nullptr || GetMediaKind() != kMediaVideo)
        return;
    const CMediaTime oldIn = GetInPoint();
    const CMediaTime oldOut = GetOutPoint();
    timed->SetInPoint(time);
    SetDuration(oldOut);
    m_bChanged = 1;
    FreeThumbnail();
    ShiftEffectTimes(oldIn.GetSeconds() - GetInPoint().GetSeconds(), 1);
}

void Scene::SetInFrame(INT frame)
{
    auto* timed = dynamic_cast<TimedMaterial*>(m_pMaterial);
    if (timed == nullptr || GetMediaKind() != kMediaVideo)
        return;
    const CMediaTime oldOut = GetOutPoint();
    const double fps = m_pMaterial->GetFrameRate() != 0.0 ? m_pMaterial->GetFrameRate() : kDefaultFrameRate;
    timed->SetInPoint(Microseconds(frame * 1000000.0 / fps));
    SetDuration(oldOut);
    m_bChanged = 1;
    FreeThumbnail();
}

void Scene::SetDuration(const CMediaTime& time)
{
    if (m_pMaterial == nullptr)
        return;
    auto* timed = dynamic_cast<TimedMaterial*>(m_pMaterial);
    if (timed != nullptr && GetMediaKind() == kMediaVideo)
        timed->SetOutPoint(time);
    else
        m_pMaterial->SetDuration(time, 0);
    m_bChanged = 1;
}

void Scene::SetDurationFrames(INT frames)
{
    if (m_pMaterial == nullptr)
        return;
    const double fps = m_pMaterial->GetFrameRate() != 0.0 ? m_pMaterial->GetFrameRate() : kDefaultFrameRate;
    SetDuration(Microseconds(frames * 1000000.0 / fps));
}

// Media properties.

INT Scene::GetMediaKind() const
{
    if (m_pMaterial == nullptr)
        return kMediaNone;
    switch (m_pMaterial->GetKind()) {
    case Material::kKindStill:
        return kMediaStill;
    case Material::kKindVideo:
        return kMediaVideo;
    case Material::kKindGenerated:
        return kMediaColor;
    default:
        return kMediaNone;
    }
}

LPCSTR Scene::GetMediaPath() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetPath() : nullptr;
}

INT Scene::GetMediaWidth() const
{
    INT size[2] = {0, 0};
    if (m_pMaterial != nullptr)
        m_pMaterial->GetSize(size);
    return size[0];
}

INT Scene::GetMediaHeight() const
{
    INT size[2] = {0, 0};
    if (m_pMaterial != nullptr)
        m_pMaterial->GetSize(size);
    return size[1];
}

INT Scene::HasAudio() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetAudioEnabled() : 1;
}

void Scene::SetAudioEnabled(INT enabled)
{
    if (m_pMaterial != nullptr)
        m_pMaterial->SetAudioEnabled(enabled);
}

INT Scene::GetVideoFormatInfo(GUID* subtype) const
{
    const auto* video = dynamic_cast<const VideoMaterial*>(m_pMaterial);
    if (video == nullptr || GetMediaKind() != kMediaVideo)
        return 0;
    return video->GetVideoSubtype(subtype);
}

INT Scene::GetMediaFlag1() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaFlag1() : 0;
}

INT Scene::GetMediaFlag2() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaFlag2() : 0;
}

INT Scene::HasMediaInfoText0() const
{
    return GetMediaInfoText0() != nullptr ? 1 : 0;
}

LPCSTR Scene::GetMediaInfoText0() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaInfoText0() : nullptr;
}

LPCSTR Scene::GetMediaInfoText1() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaInfoText1() : nullptr;
}

LPCSTR Scene::GetMediaInfoText2() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaInfoText2() : nullptr;
}

LPCSTR Scene::GetMediaInfoText3() const
{
    return m_pMaterial != nullptr ? m_pMaterial->GetMediaInfoText3() : nullptr;
}

// Frames.

INT Scene::OpenReader(const CGfxSize& size, double fps)
{
    if (m_pReader == nullptr && m_pMaterial != nullptr)
        m_pReader = m_pMaterial->CreateReader();
    if (m_pReader == nullptr)
        return 0;
    m_pReader->SetOutputSize(size);
    m_pReader->SetFrameTime(Microseconds(1000000.0 / UsableRate(fps)));
    m_pReader->SetInOut(GetOutPoint(), GetInPoint());
    m_pReader->Seek(GetInPoint());
    m_dPlayPosition = 0.0;
    if (!m_Effects.IsEmpty()) {
        m_Effects.ResetCursor();
        m_Effects.SetOverlayScene(m_pOverlayScene);
        m_pReader->SetEffects(&m_Effects);
    }
    m_pReader->SetFadeIn(m_Audio.GetFadeIn());
    m_pReader->SetFadeOut(m_Audio.GetFadeOut());
    m_pReader->SetVolume(m_Audio.GetVolume());
    // The reader keeps one switch for the scene's own sound: off while the
    // scene's sound is off or its material's audio is.
    m_pReader->SetMute(m_Audio.GetSoundOn() != 0 && HasAudio() ? 0 : 1);
    return 1;
}

INT Scene::SeekReader(CMediaTime time)
{
    if (m_pReader == nullptr)
        return 0;
    const CMediaTime out = GetOutPoint();
    if (time >= out)
        time = out.MinusUnits(1);
    m_pReader->SetInOut(out, GetInPoint());
    m_pReader->Seek(time);
    return 1;
}

MediaFrame* Scene::GetFrame(INT wantVideo, INT wantAudio, const WAVEFORMATEX* format, INT gain)
{
    CShellServices& shell = CShellServices::Get();
    if (shell.GetDebugLevel() > 3)
        shell.WriteDebugLog("Scene::GetFrame\r\n");
    if (m_pReader == nullptr)
        return nullptr;
    INT end = 0;
    WAVEFORMATEX wanted{};
    if (format != nullptr)
        wanted = *format;
    MediaFrame* frame = m_pReader->GetFrame(&end, wantVideo, wantAudio, format != nullptr ? &wanted : nullptr);
    if (wantAudio && format != nullptr && frame != nullptr) {
        if (frame->m_pAudio == nullptr) {
            frame->m_pAudio = new (std::nothrow) CWaveBuffer(m_pReader->GetFrameTime(), format);
        } else {
            INT level = gain == SceneAudio::kUnityVolume ? m_Audio.GetVolume() : gain;
            if (m_Audio.GetSoundOn() == 0)
                level = 0;
            frame->m_pAudio->ScaleLevel(level, 1, SceneAudio::kUnityVolume);
        }
    }
    if (end && frame != nullptr) {
        delete frame;
        frame = nullptr;
    }
    if (GetMediaKind() == kMediaStill) {
        m_dPlayPosition += m_pReader->GetFrameTime().GetSeconds();
    } else {
        const double position = m_pReader->m_tPosition.GetSeconds() - GetInPoint().GetSeconds();
        m_dPlayPosition = position > 0.0 ? position : 0.0;
    }
    return frame;
}

void Scene::CloseReader()
{
    delete m_pReader;
    m_pReader = nullptr;
}

// Effects.

ColorEffect* Scene::GetColorEffect() const
{
    return m_Effects.FindColorEffect();
}

SpectrumEffect* Scene::GetSpectrumEffect() const
{
    return m_Effects.FindSpectrumEffect();
}

TextEffect* Scene::GetTextEffect() const
{
    return m_Effects.FindTextEffect();
}

MotionEffect* Scene::GetMotionEffect() const
{
    return m_Effects.FindMotionEffect();
}

void Scene::RefreshLayer()
{
    if (m_pRenderLayer != nullptr)
        m_pRenderLayer->Refresh();
}

template <typename Kind>
void Scene::SetEffectOfKind(const Kind& effect)
{
    if constexpr (std::is_same_v<Kind, ColorEffect>)
        m_Effects.SetColorEffect(effect);
    else if constexpr (std::is_same_v<Kind, SpectrumEffect>)
        m_Effects.SetSpectrumEffect(effect);
    else if constexpr (std::is_same_v<Kind, TextEffect>)
        m_Effects.SetTextEffect(effect);
    else
        m_Effects.SetMotionEffect(effect);
    // A motion effect copied from elsewhere may refer to another scene's
    // overlay; this scene's effect refers to this scene's.
    m_Effects.SetOverlayScene(m_pOverlayScene);
    RefreshLayer();
    m_bChanged = 1;
}

void Scene::SetColorEffect(const ColorEffect& effect)
{
    SetEffectOfKind(effect);
}

void Scene::SetSpectrumEffect(const SpectrumEffect& effect)
{
    SetEffectOfKind(effect);
}

void Scene::SetTextEffect(const TextEffect& effect)
{
    SetEffectOfKind(effect);
}

void Scene::SetMotionEffect(const MotionEffect& effect)
{
    SetEffectOfKind(effect);
}

void Scene::RemoveEffectOfKind(INT kind)
{
    const INT removed = m_Effects.RemoveEffect(kind);
    RefreshLayer();
    m_bChanged = removed;
    if (kind == Effect::kMotion)
        ReplaceOverlay(nullptr);
}

void Scene::RemoveColorEffect()
{
    RemoveEffectOfKind(Effect::kColor);
}

void Scene::RemoveSpectrumEffect()
{
    RemoveEffectOfKind(Effect::kSpectrum);
}

void Scene::RemoveTextEffect()
{
    RemoveEffectOfKind(Effect::kText);
}

void Scene::RemoveMotionEffect()
{
    RemoveEffectOfKind(Effect::kMotion);
}

INT Scene::GetColorEffectTimes(CMediaTime& start, CMediaTime& end) const
{
    return m_Effects.GetColorEffectRange(start, end);
}

INT Scene::GetSpectrumEffectTimes(CMediaTime& start, CMediaTime& end) const
{
    return m_Effects.GetSpectrumEffectRange(start, end);
}

INT Scene::GetTextEffectTimes(CMediaTime& start, CMediaTime& end) const
{
    return m_Effects.GetTextEffectRange(start, end);
}

INT Scene::GetMotionEffectTimes(CMediaTime& start, CMediaTime& end) const
{
    return m_Effects.GetMotionEffectRange(start, end);
}

INT Scene::CopyEffectsFrom(const Scene& source)
{
    m_Effects.RemoveAll();
    ReplaceOverlay(nullptr);
    m_Effects.CopyFrom(source.m_Effects);
    if (m_Effects.FindMotionEffect() != nullptr) {
        Scene* overlay = source.m_pOverlayScene != nullptr ? new Scene(*source.m_pOverlayScene) : nullptr;
        ReplaceOverlay(overlay);
    }
    return 1;
}

void Scene::ShiftEffectTimes(double seconds, INT flag)
{
    m_Audio.OffsetStarts(seconds, flag);
    if (m_Effects.IsEmpty())
        return;
    for (INT kind : {Effect::kColor, Effect::kSpectrum, Effect::kText, Effect::kMotion}) {
        if (Effect* effect = m_Effects.FindEffect(kind))
            ShiftEffect(effect, seconds);
    }
    RefreshLayer();
}

void Scene::ShiftEffect(Effect* effect, double seconds) const
{
    if (effect == nullptr)
        return;
    const double duration = GetDuration().GetSeconds();
    for (int key = 0; key < 4; ++key) {
        const double moved = std::min(std::max(0.0, effect->GetKeyTime(key).GetSeconds() + seconds), duration);
        effect->SetKeyTime(SecondsTime(moved), key);
    }
}

// The overlay chain.

void Scene::ReplaceOverlay(Scene* replacement)
{
    Scene* old = m_pOverlayScene;
    m_pOverlayScene = replacement;
    // The motion effect refers to the overlay; it must never be left
    // pointing at the one deleted below.
    m_Effects.SetOverlayScene(replacement);
    if (old == nullptr || old == replacement)
        return;
    if (old->m_pRenderLayer != nullptr)
        old->m_pRenderLayer->Release();
    delete old;
}

INT Scene::SetOverlayScene(Scene* overlay)
{
    ReplaceOverlay(overlay);
    return 1;
}

INT Scene::SetOverlayMedia(LPCSTR path)
{
    if (path == nullptr) {
        ReplaceOverlay(nullptr);
        return 1;
    }
    auto* overlay = new (std::nothrow) Scene(path);
    ReplaceOverlay(overlay);
    return overlay != nullptr ? 1 : 0;
}

INT Scene::GetOverlayDepth() const
{
    if (m_Effects.FindMotionEffect() == nullptr)
        return 0;
    return 1 + (m_pOverlayScene != nullptr ? m_pOverlayScene->GetOverlayDepth() : 0);
}

void Scene::GetOverlayChain(Scene** out)
{
    Scene* current = this;
    while (current != nullptr && current->m_Effects.FindMotionEffect() != nullptr) {
        *out++ = current->m_pOverlayScene;
        current = current->m_pOverlayScene;
    }
    if (current != nullptr)
        *out = nullptr;
}

Scene* Scene::GetOverlayAt(INT n)
{
    Scene* current = this;
    for (INT i = 0; i < n && current != nullptr; ++i)
        current = current->m_Effects.FindMotionEffect() != nullptr ? current->m_pOverlayScene : nullptr;
    return current;
}

// The render layer.

CSceneRenderLayer* Scene::GetRenderLayer(RDXControl* control, INT flag)
{
    if (m_pRenderLayer != nullptr) {
        m_pRenderLayer->AddRef();
        return m_pRenderLayer;
    }
    CSceneRenderLayer* layer = CSceneRenderLayer::Create(this, control, flag);
    if (layer == nullptr)
        return nullptr;
    if (!layer->IsValid()) {
        delete layer;
        return nullptr;
    }
    m_pRenderLayer = layer;
    return layer;
}

void Scene::ReleaseRenderLayer()
{
    if (m_pRenderLayer == nullptr)
        return;
    if (m_pMaterial != nullptr)
        m_pMaterial->ReleaseViewer();
    CSceneRenderLayer* layer = m_pRenderLayer;
    m_pRenderLayer = nullptr;
    if (layer->IsReferenced())
        layer->Invalidate();
    else
        delete layer;
}

// Audio.

void Scene::RelinkAudioPath(const CString& oldPath, const CString& newPath)
{
    if (m_Audio.GetTrackCount() > 0)
        m_Audio.RelinkMediaPath(oldPath, newPath);
}

INT Scene::CollectAudioPaths(CStringList* list) const
{
    return m_Audio.CollectPaths(list);
}

INT Scene::GetMaxAudioByteRate(DWORD* value) const
{
    return m_Audio.GetTrackCount() > 0 ? m_Audio.GetMaxByteRate(value) : 0;
}

INT Scene::HasCustomAudio() const
{
    return m_Audio.HasCustomAudio();
}

INT Scene::AudioFilesExist() const
{
    return m_Audio.AllFilesExist();
}

void Scene::DeleteConvertedAudio()
{
    m_Audio.DeleteConvertedFiles();
}

// Pass-through tests.

BOOL Scene::IsMpeg2Video() const
{
    GUID subtype{};
    if (GetMediaKind() != kMediaVideo)
        return FALSE;
    GetVideoFormatInfo(&subtype);
    return IsEqualGUID(subtype, MEDIASUBTYPE_MPEG2_VIDEO) || IsEqualGUID(subtype, MEDIASUBTYPE_MPEG2_PROGRAM);
}

BOOL Scene::IsPassThroughCandidate() const
{
    if (GetMediaKind() != kMediaVideo || !m_Effects.IsEmpty())
        return FALSE;
    const CString extension = ExtensionOf(GetMediaPath());
    return SameText(extension, ".ASF") || SameText(extension, ".WMV") || SameText(extension, ".RM");
}

BOOL Scene::GetPassThroughKind(INT* code) const
{
    INT ignored = 0;
    if (code == nullptr)
        code = &ignored;
    *code = kPassNone;
    if (GetMediaKind() != kMediaVideo || !m_Effects.IsEmpty())
        return FALSE;
    *code = kPassVideo;
    GUID subtype{};
    const INT known = GetVideoFormatInfo(&subtype);
    const CString extension = ExtensionOf(GetMediaPath());
    const bool match = known != 0
        && std::find(std::begin(kWindowsMediaCodecs), std::end(kWindowsMediaCodecs), subtype.Data1)
            != std::end(kWindowsMediaCodecs);
    const bool windowsMedia = SameText(extension, ".ASF") || SameText(extension, ".WMV");
    if (windowsMedia && match) {
        *code = kPassWindowsMedia;
        return TRUE;
    }
    if (SameText(extension, ".RM")) {
        *code = kPassRealMedia;
        return TRUE;
    }
    *code = kPassOther;
    return FALSE;
}

// Files.

void Scene::Save(LPCSTR documentFolder, CProfile* profile, LPCSTR section)
{
    if (profile == nullptr)
        return;
    const CProfileKeys keys({kKeyMediaKind, kKeyThumbnailTime, kKeyThumbnailEffects, kKindVideo, kKindStill, kKindColor});
    LPCSTR kind = nullptr;
    switch (GetMediaKind()) {
    case kMediaVideo:
        kind = keys.Name(kKindVideo);
        break;
    case kMediaStill:
        kind = keys.Name(kKindStill);
        break;
    case kMediaColor:
        kind = keys.Name(kKindColor);
        break;
    default:
        break;
    }
    keys.SetValue(profile, section, kKeyMediaKind, kind != nullptr ? kind : "");
    keys.SetMediaTime(profile, section, kKeyThumbnailTime, m_tThumbnail);
    keys.SetUnsigned(profile, section, kKeyThumbnailEffects, m_nThumbnailEffects);
    const CString folder = documentFolder != nullptr ? documentFolder : "";
    if (m_pMaterial != nullptr)
        m_pMaterial->Save(folder, profile, section);
    m_Effects.SetOverlayScene(m_pOverlayScene);
    m_Effects.Save(folder, profile, section, 0);
    m_Audio.Save(folder, profile, section);
}

INT Scene::Load(LPCSTR documentFolder, CProfile* profile, LPCSTR section)
{
    const CProfileKeys keys({kKeyMediaKind, kKeyThumbnailTime, kKeyThumbnailEffects, kKindVideo, kKindOldGenerated,
                             kKindStill, kKindColor});
    if (profile == nullptr || !keys.Has(profile, section, kKeyMediaKind))
        return 0;
    const CString folder = documentFolder != nullptr ? documentFolder : "";
    CloseReader();
    FreeThumbnail();
    delete m_pMaterial;
    m_pMaterial = nullptr;
    LPCSTR kind = keys.GetValue(profile, section, kKeyMediaKind);
    INT oldGenerated = 0;
    if (SameText(kind, keys.Name(kKindVideo))) {
        m_pMaterial = new VideoMaterial(folder, profile, section);
        const CMediaTime length = GetMediaLength();
        if (GetOutPoint() > length) {
            SetDuration(length);
            m_bMediaMissing = 1;
        }
        if (GetInPoint() > length) {
            SetInFrame(0);
            m_bMediaMissing = 1;
        }
        if (m_bMediaMissing) {
            CResourceSwitch language(kResourceLanguage);
            CString text;
            if (text.LoadString(kMediaShortenedMessage))
                CShellServices::Get().MessageBox(text, "", 0);
            m_bMediaMissing = 0;
        }
    } else if (SameText(kind, keys.Name(kKindStill))) {
        m_pMaterial = new StillMaterial(folder, profile, section);
    } else if (SameText(kind, keys.Name(kKindOldGenerated))) {
        m_pMaterial = new ColorMaterial(folder, profile, section, 1);
        oldGenerated = 1;
    } else if (SameText(kind, keys.Name(kKindColor))) {
        m_pMaterial = new ColorMaterial(folder, profile, section, 0);
    }
    m_tThumbnail = keys.GetMediaTime(profile, section, kKeyThumbnailTime);
    m_nThumbnailEffects = keys.GetUnsigned(profile, section, kKeyThumbnailEffects);

    m_Effects.RemoveAll();
    ReplaceOverlay(nullptr);
    m_Effects.Load(folder, profile, section, oldGenerated);
    if (!m_Effects.IsEmpty()) {
        std::unique_ptr<Scene> overlay = m_Effects.TakeOverlayScene();
        ReplaceOverlay(overlay.release());
    }
    m_Audio.Load(folder, profile, section);
    return 1;
}

INT Scene::LoadSceneFile(LPCSTR path)
{
    if (path == nullptr)
        return 0;
    CString names[7];
    {
        CResourceSwitch untranslated(kResourceUntranslated);
        const UINT ids[7] = {kSceneFileName, kHeaderSection,    kFileTypeKey, kSceneFileType,
                             kVersionKey,    kSceneFileVersion, kSceneSection};
        for (int i = 0; i < 7; ++i) {
            if (!names[i].LoadString(ids[i]) || names[i].IsEmpty())
                return 0;
        }
    }
    CProfile profile;
    if (profile.Load(path) != CProfile::kOk)
        return 0;
    LPCSTR type = profile.GetValue(names[1], names[2]);
    LPCSTR version = profile.GetValue(names[1], names[4]);
    if (type == nullptr || version == nullptr || std::strcmp(type, names[3]) != 0
        || std::strcmp(version, names[5]) != 0)
        return 0;
    CString folder = path;
    StripToDirectory(folder);
    return Load(folder, &profile, names[6]);
}

void Scene::ReloadMedia()
{
    CString path = GetMediaPath() != nullptr ? GetMediaPath() : "";
    Material* material = nullptr;
    if (MaterialFromPath(path, false, &material) < 0)
        return;
    CloseReader();
    delete m_pMaterial;
    m_pMaterial = nullptr;
    AttachMaterial(material);
    FreeThumbnail();
}

// Thumbnails.

MediaFrame* Scene::GetThumbnail()
{
    return GetThumbnailSized(kThumbnailWidth, kThumbnailHeight);
}

MediaFrame* Scene::GetThumbnailSized(INT width, INT height)
{
    if (m_pThumbnail != nullptr || m_pMaterial == nullptr)
        return m_pThumbnail;
    std::unique_ptr<CMediaSource> reader(m_pMaterial->CreateReader());
    BuildThumbnail(reader.get(), width, height);
    return m_pThumbnail;
}

void Scene::BuildThumbnail(CMediaSource* reader, INT width, INT height)
{
    FreeThumbnail();
    if (reader == nullptr || !reader->IsOpen()) {
        m_bMediaMissing = 1;
        return;
    }
    reader->SetOutputSize(CGfxSize(GetMediaWidth(), GetMediaHeight()));
    reader->SetFrameTime(Microseconds(1000000.0 / GetFrameRate()));
    const CMediaTime in = GetInPoint();
    const CMediaTime out = GetOutPoint();
    if (m_tThumbnail < in || m_tThumbnail > out) {
        m_tThumbnail = in;
        RecomputeEffectFlags();
    }
    reader->SetInOut(out, in);
    reader->Seek(m_tThumbnail == out ? m_tThumbnail.MinusUnits(1) : m_tThumbnail);
    // A single picture for the storyboard, made as the preview makes them.
    reader->m_bIgnoreHalfWidth = 1;
    if (!m_Effects.IsEmpty()) {
        EffectList shown;
        auto add = [&](Effect* effect, DWORD flag) {
            if (effect != nullptr && (m_nThumbnailEffects & flag) != 0)
                shown.AddEffect(effect->Clone());
        };
        add(m_Effects.FindSpectrumEffect(), kThumbSpectrum);
        add(m_Effects.FindMotionEffect(), kThumbMotion);
        shown.SetOverlayScene(m_pOverlayScene);
        add(m_Effects.FindColorEffect(), kThumbColor);
        add(m_Effects.FindTextEffect(), kThumbText);
        reader->SetEffects(&shown);
    }
    INT end = 0;
    std::unique_ptr<MediaFrame> frame(reader->GetFrame(&end, 1, 0, nullptr));
    if (frame == nullptr || end)
        return;
    if (frame->m_pImage != nullptr)
        frame->m_pImage->Resize(width, height);
    SetThumbnail(frame.release());
}

void Scene::DropThumbnail()
{
    if (m_pMaterial != nullptr)
        FreeThumbnail();
}

void Scene::SetThumbnailTime(double seconds)
{
    m_tThumbnail = SecondsTime(seconds);
    RecomputeEffectFlags();
    if (m_pMaterial != nullptr) {
        FreeThumbnail();
        m_dPlayPosition = seconds;
    }
}

void Scene::RecomputeEffectFlags()
{
    m_nThumbnailEffects = 0;
    if (m_Effects.FindSpectrumEffect() != nullptr)
        m_nThumbnailEffects |= kThumbSpectrum;
    if (m_Effects.FindTextEffect() != nullptr)
        m_nThumbnailEffects |= kThumbText;
    if (m_Effects.FindMotionEffect() != nullptr)
        m_nThumbnailEffects |= kThumbMotion;
    if (m_Effects.FindColorEffect() != nullptr)
        m_nThumbnailEffects |= kThumbColor;
}
