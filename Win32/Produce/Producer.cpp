#include "Win32/Produce/Producer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/Win/Registry/Registry.h"
#include "Platform/Win/User/MessageBox.h"
#include "Win32/Imaging/IplAlphaMask.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Imaging/SharedPalette.h"
#include "Win32/Produce/AsfWriter.h"
#include "Win32/Produce/AviWriter.h"
#include "Win32/Produce/DvWriter.h"
#include "Win32/Produce/MpegWriter.h"
#include "Win32/Produce/ProductionAudioMixer.h"
#include "Win32/Produce/ProductionCheck.h"
#include "Win32/Produce/ProductionDisplay.h"
#include "Win32/Produce/RealVideoWriter.h"
#include "Win32/Produce/WriterSettings.h"
#include "Win32/Sb/Document/AudioClip.h"
#include "Win32/Sb/Document/Material.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/ModalPump.h"

namespace {

// Resource strings: the producer's key in the untranslated module, and the
// texts of the language module.
constexpr UINT kOptionsKeyString = 1605;
constexpr UINT kProducingCaption = 2002;
constexpr UINT kKeepPartialQuestion = 20000;
constexpr UINT kMediaMissingMessage = 61466;
constexpr UINT kSmartCopyBitmap = 1012;

constexpr int kRelocationTries = 3;

// The record's word at 724, the video settings page's interleave check
// box: with it set the AVI writer holds video back behind 0.75 s of sound.
constexpr int kInterleaveWord = 1;
constexpr double kAudioPreload = 0.75;
constexpr int kPaletteEntries = 256;

CString LoadText(UINT id, LPCSTR fallback)
{
    CString text;
    if (!text.LoadString(id) || text.IsEmpty())
        text = fallback;
    return text;
}

bool IsDvSubtype(const GUID& subtype) { return subtype == MEDIASUBTYPE_dvsd || subtype == MEDIASUBTYPE_DVSD; }

void DeleteFrame(MediaFrame* frame)
{
    if (frame == nullptr)
        return;
    if (frame->m_bSample) {
        if (frame->m_pSample != nullptr)
            frame->m_pSample->Release();
        frame->m_pSample = nullptr;
        // A copied frame's picture belongs to its sample.
        frame->m_pImage = nullptr;
    }
    delete frame;
}

} // namespace

BEGIN_MESSAGE_MAP(CProducerNotifyWnd, CWnd)
    ON_MESSAGE(CProducerNotifyWnd::kGraphEventMessage, OnGraphEvent)
END_MESSAGE_MAP()

CProducerNotifyWnd::~CProducerNotifyWnd()
{
    if (GetSafeHwnd() != nullptr)
        DestroyWindow();
}

BOOL CProducerNotifyWnd::CreateHidden(HWND parent)
{
    const DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
    return CreateEx(0, AfxRegisterWndClass(0), "", style, 0, 0, 3, 3, parent,
                    parent != nullptr ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kControlId)) : nullptr);
}

LRESULT CProducerNotifyWnd::OnGraphEvent(WPARAM wParam, LPARAM lParam)
{
    return m_pProducer != nullptr ? m_pProducer->ForwardGraphEvent(wParam, lParam) : 0;
}

CProducer::CProducer(Storyboard* storyboard, CProductionSettings* settings, CProductionDisplay* display)
    : m_pStoryboard(storyboard), m_pSettings(settings), m_pDisplay(display)
{
    Construct(settings);
    m_pWriter.reset(CreateWriter(*settings, 1));
}

CProducer::CProducer(Storyboard* storyboard, CProductionSettings* settings, CProductionDisplay* display,
                     MediaWriter* writer, bool audioOn)
    : m_pWriter(writer), m_pStoryboard(storyboard), m_pSettings(settings), m_bAudioOn(audioOn),
      m_pDisplay(display)
{
    Construct(settings);
}

void CProducer::Construct(CProductionSettings* settings)
{
    m_nLastIndex = m_pStoryboard->GetLastIndex();
    m_strOutputName = settings->GetParams().m_szOutputPath;
    m_freeSpace = [](LPCSTR folder, ULONGLONG* freeBytes) { return GetDiskFreeBytes(folder, freeBytes); };
    // Made before the writer, so that writers running graphs can be given
    // its handle.
    m_pNotifyWnd = std::make_unique<CProducerNotifyWnd>(this);
    m_pNotifyWnd->CreateHidden(m_pDisplay != nullptr ? m_pDisplay->GetWindow() : nullptr);
}

CProducer::~CProducer()
{
    m_pPalette.reset();
    if (m_Window.sceneA != nullptr)
        m_Window.sceneA->CloseReader();
    if (m_Window.scene != nullptr)
        m_Window.scene->CloseReader();
    if (m_Window.sceneB != nullptr)
        m_Window.sceneB->CloseReader();
    CreateWriter(*m_pSettings, 0);
    m_pMixer.reset();
    m_pNotifyWnd.reset();
}

MediaWriter* CProducer::CreateWriter(const CProductionSettings& settings, int create)
{
    if (!create) {
        m_pWriter.reset();
        return nullptr;
    }
    const ProductionParams& params = settings.GetParams();
    switch (params.m_nOutputType) {
    case CProductionSettings::kMpeg:
        return CreateMpegWriter(settings);
    case CProductionSettings::kDv:
        return CreateDvWriter(settings);
    case CProductionSettings::kWindowsMedia:
        return CreateWindowsMediaWriter(settings);
    case CProductionSettings::kRealVideo:
        return CreateRealVideoWriter(settings);
    default:
        return CreateAviWriter(settings);
    }
}

// The MPEG writer: the 32 words from the MPEG block on carry its size,
// rates and sound; it always has sound.
MediaWriter* CProducer::CreateMpegWriter(const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    auto* writer = new MMpegWriter;
    writer->SetOutputName(params.m_szOutputPath);
    writer->SetOutputType(params.m_nOutputType);
    writer->SetMpegParams(WriterRecordOf(params).data());
    m_bAudioOn = true;
    return writer;
}

// The DV writer, configured from the settings; it posts its graph's events
// to the notify window.
MediaWriter* CProducer::CreateDvWriter(const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    const StoredCompressOptions& stored = params.m_Compress;
    auto* writer = new DVWriter(m_pNotifyWnd ? m_pNotifyWnd->GetSafeHwnd() : nullptr);
    ConfigureVideoWriter(*writer, settings);
    writer->SetCompressorHandler(stored.fccHandler);
    writer->SetAudioIndex(params.m_nDvAudioIndex);
    writer->SetInterleave(1, 0.0);
    m_bAudioOn = params.m_nDvAudioIndex != 1;
    LogProductionSettings(params, params.m_nDvAudioIndex);
    return writer;
}

// The Windows Media writer: the profile record chooses the system profile
// and sets the size and frame time rendered; it always has sound.
MediaWriter* CProducer::CreateWindowsMediaWriter(const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    auto* writer = new MASFWriter(m_pNotifyWnd->GetSafeHwnd());
    ConfigureProfiledWriter(*writer, settings);
    writer->SetStreamProfile(WriterRecordOf(params).data());
    m_bAudioOn = true;
    LogProductionSettings(params, 2);
    return writer;
}

// The RealVideo writer: as the Windows Media one, with the production's
// author, title and copyright texts for the clip.
MediaWriter* CProducer::CreateRealVideoWriter(const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    auto* writer = new MRealVideoWriter;
    ConfigureProfiledWriter(*writer, settings);
    writer->SetStreamProfile(WriterRecordOf(params).data());
    writer->SetAuthor(settings.GetAuthor());
    writer->SetTitle(settings.GetTitle());
    writer->SetCopyright(settings.GetRights());
    m_bAudioOn = true;
    LogProductionSettings(params, 2);
    return writer;
}

// The AVI writer: every output type but 2 to 5.
MediaWriter* CProducer::CreateAviWriter(const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    const int type = params.m_nOutputType;
    const StoredCompressOptions& stored = params.m_Compress;
    auto* writer = new AviWriter;
    ConfigureVideoWriter(*writer, settings);
    writer->SetCompressorHandler(stored.fccHandler);
    writer->SetAudioIndex(params.m_nPcmFormatIndex);
    writer->SetOutputType(type);
    writer->SetInterleave(1, params.m_nReserved[kInterleaveWord] != 0 ? kAudioPreload : 0.0);
    m_bAudioOn = params.m_nPcmFormatIndex != 1;
    LogProductionSettings(params, params.m_nPcmFormatIndex);
    return writer;
}

LRESULT CProducer::ForwardGraphEvent(WPARAM, LPARAM lParam)
{
    if (!m_pWriter)
        return 0;
    return m_pWriter->HandleNotify(static_cast<long>(lParam)) == 0 ? 1 : 0;
}

void CProducer::Log(LPCSTR text, int above) const
{
    if (CShellServices::Get().GetDebugLevel() > above)
        CShellServices::Get().WriteDebugLog(text);
}

StoryboardItem* CProducer::ItemAt(int slot) const { return m_pStoryboard->GetItem(slot); }

CMediaTime CProducer::ProductionTime(const CMediaTime& itemTime) const
{
    CMediaTime time;
    time.SetSeconds(itemTime.GetSeconds() - m_tFirstStart.GetSeconds());
    return time;
}

int CProducer::ReadLowDiskLevel() const
{
    const CString key = LoadText(kOptionsKeyString, kOptionsKey);
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return kDefaultLowDiskLevel;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG read = RegQueryValueExA(hkey, kLowDiskValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(hkey);
    return read == ERROR_SUCCESS && type == REG_DWORD ? static_cast<int>(value) : kDefaultLowDiskLevel;
}

bool CProducer::FrameTimesMatchForCopy(int sourceFrameTime, DWORD writerFrameTime)
{
    const long long difference = static_cast<long long>(sourceFrameTime) - static_cast<long long>(writerFrameTime);
    return difference > -5 && difference < 5;
}

void CProducer::WidenAudioFormatForClips(Scene* scene) { WidenFormatForClips(*scene, &m_AudioFormat, nullptr); }

int CProducer::CheckSceneMedia(Scene* scene, int* smartOk)
{
    *smartOk = 0;
    CMediaSource* reader = scene->GetMaterial() != nullptr ? scene->GetMaterial()->CreateReader() : nullptr;
    if (reader == nullptr)
        return kProduceMediaMissing;
    if (scene->GetAudio()->GetTrackCount() > 0)
        WidenAudioFormatForClips(scene);
    GUID subtype{};
    if (m_pWriter->GetOutputType() == CProductionSettings::kDv && reader->GetVideoSubtype(&subtype) && IsDvSubtype(subtype)
        && reader->GetFrameRate() > 0.0) {
        INT width = 0;
        INT height = 0;
        reader->GetFrameSize(&width, &height);
        const int frameTime = static_cast<int>(1000000.0 / reader->GetFrameRate() + 0.5);
        *smartOk = width == m_nFrameWidth && height == m_nFrameHeight && FrameTimesMatchForCopy(frameTime, m_nFrameTime);
    }
    if (m_nBitDepth == 8 && !m_pPalette) {
        m_pPalette = std::make_unique<CSharedPalette>(new CPaletteData(kPaletteEntries));
        m_pPalette->BuildStandard();
    }
    WAVEFORMATEX format{};
    if (reader->HasAudio() && reader->GetAudioFormat(&format)) {
        WAVEFORMATEX merged{};
        MergeWaveFormats(&m_AudioFormat, &format, &merged);
        m_AudioFormat = merged;
    }
    delete reader;
    return 0;
}

int CProducer::CheckSceneWithRelocation(Scene* scene, int* smartOk)
{
    for (int attempt = 0; attempt < kRelocationTries; ++attempt) {
        if (CheckSceneMedia(scene, smartOk) != kProduceMediaMissing)
            return 0;
        CString path = scene->GetMediaPath();
        if (CShellServices::Get().FindMissingMedia(&path, 0, 0) && scene->GetMaterial() != nullptr) {
            scene->GetMaterial()->SetPath(path);
            scene->ClearMediaMissing();
        }
    }
    CString text;
    text.Format(LoadText(kMediaMissingMessage, "The media file %s cannot be opened."), scene->GetMediaPath());
    CShellServices::Get().MessageBox(text, "", MB_OK);
    return kProduceCancelled;
}

void CProducer::CreateSmartCopyImage()
{
    auto image = std::make_unique<CIplImage>(kSmartCopyBitmap);
    if (image->GetImage() == nullptr)
        return;
    const CGfxRect rect = m_pDisplay != nullptr ? m_pDisplay->GetVideoRect() : CGfxRect(0, 0, 320, 240);
    if (rect.right > rect.left && rect.bottom > rect.top)
        image->Resize(rect.right - rect.left, rect.bottom - rect.top);
    m_pSmartImage = std::move(image);
}

int CProducer::Prepare(int first, int last)
{
    m_nLowDiskLevel = ReadLowDiskLevel();
    if (!m_pWriter)
        return kProduceOpenFailed;
    m_pWriter->GetFrameSize(&m_nFrameWidth, &m_nFrameHeight);
    m_pWriter->GetFrameTime(&m_nFrameTime);
    m_tFrame = CMediaTime(0, 0, 0, m_nFrameTime);
    m_AudioFormat = WriterAudioFormat();
    WORD bits = 0;
    m_pWriter->GetBitDepth(&bits);
    m_nBitDepth = bits;

    if (m_nLastIndex < 0)
        return kProduceNothing;
    const WORD lastIndex = static_cast<WORD>(m_nLastIndex);
    first = std::min<WORD>(static_cast<WORD>(first), lastIndex);
    last = std::min<WORD>(static_cast<WORD>(last), lastIndex);
    m_nLastSlot = last;

    m_nFirstSlot = -1;
    for (int i = first; i <= last; ++i) {
        StoryboardItem* item = ItemAt(i);
        if (item == nullptr || item->GetKind() != StoryboardItem::kKindScene)
            continue;
        auto* scene = static_cast<Scene*>(item);
        if (m_nFirstSlot < 0) {
            m_nFirstSlot = i;
            m_tFirstStart = scene->GetStart();
        }
        int smartOk = 0;
        if (const int checked = CheckSceneWithRelocation(scene, &smartOk); checked != 0)
            return checked;
        if (smartOk)
            BuildSmartRanges(m_pWriter->m_smartRanges, i);
    }
    if (m_nFirstSlot < 0)
        return kProduceNothing;

    const StoryboardItem* lastItem = nullptr;
    for (int i = last; i >= m_nFirstSlot && lastItem == nullptr; --i)
        lastItem = ItemAt(i);
    m_tTotal = ProductionTime(lastItem->GetEnd());
    const double totalFrames = m_tTotal.GetSeconds() / m_tFrame.GetSeconds() + 0.5;
    if (!(totalFrames < static_cast<double>(std::numeric_limits<int>::max()))) {
        // A length no storyboard of sound clips can have (a damaged clip's
        // header): the production is refused, never counted in overflow.
        Log("Prepare: the production is too long to count its frames\r\n", 0);
        return kProduceFailed;
    }
    m_nTotalFrames = static_cast<int>(totalFrames);
    if (m_nTotalFrames < 1)
        return kProduceNothing;

    if (m_pDisplay != nullptr) {
        m_pDisplay->SetSliderRange(m_nFramesWritten, m_nTotalFrames + 1);
        CString label;
        label.Format("%3.3d /%3.3d", m_nFramesWritten, m_nTotalFrames);
        m_pDisplay->SetLabel(label, 0);
    }
    m_pWriter->SetTotalFrames(m_nTotalFrames);

    if (m_bAudioOn) {
        m_pWriter->SetAudioFormat(PcmFormatOf(m_AudioFormat));
        const WAVEFORMATEX outputFormat = WriterAudioFormat();
        if (m_pWriter->GetOutputType() == CProductionSettings::kMpeg)
            m_AudioFormat = outputFormat;
        m_pMixer = std::make_unique<CProductionAudioMixer>(m_tFrame, &outputFormat, &m_AudioFormat, TRUE);
    }
    if (!m_pWriter->m_smartRanges.empty() && !m_pSmartImage)
        CreateSmartCopyImage();
    return 0;
}

int CProducer::OpenSceneReader(Scene* scene)
{
    return scene->OpenReader(CGfxSize(m_nFrameWidth, m_nFrameHeight), 1000000.0 / m_nFrameTime) ? 0
                                                                                                  : kProduceOpenFailed;
}

int CProducer::OpenFirstSlot()
{
    StoryboardItem* item = ItemAt(m_nFirstSlot);
    if (item != nullptr && item->GetKind() == StoryboardItem::kKindTransition) {
        m_Window.transition = static_cast<Transition*>(item);
        StoryboardItem* before = ItemAt(m_nFirstSlot - 1);
        if (before != nullptr && before->GetKind() == StoryboardItem::kKindScene) {
            m_Window.sceneA = static_cast<Scene*>(before);
            if (const int opened = OpenSceneReader(m_Window.sceneA); opened != 0)
                return opened;
        }
    } else if (item != nullptr) {
        m_Window.scene = static_cast<Scene*>(item);
        if (const int attached = AttachSceneAudioClips(m_Window.scene); attached != 0)
            return attached;
        if (const int opened = OpenSceneReader(m_Window.scene); opened != 0)
            return opened;
    }
    if (m_nFirstSlot != m_nLastSlot) {
        StoryboardItem* next = ItemAt(m_nFirstSlot + 1);
        if (next != nullptr && next->GetKind() == StoryboardItem::kKindTransition) {
            m_Window.nextTransition = static_cast<Transition*>(next);
        } else if (next != nullptr) {
            m_Window.sceneB = static_cast<Scene*>(next);
            return OpenSceneReader(m_Window.sceneB);
        }
    }
    return 0;
}

int CProducer::AdvanceSlot(int i)
{
    if (m_Window.sceneA != nullptr)
        m_Window.sceneA->CloseReader();
    m_Window.previousTransition = m_Window.transition;
    m_Window.transition = m_Window.nextTransition;
    m_Window.sceneA = m_Window.scene;
    m_Window.scene = m_Window.sceneB;
    m_Window.sceneB = nullptr;
    if (m_Window.scene != nullptr)
        if (const int attached = AttachSceneAudioClips(m_Window.scene); attached != 0)
            return attached;

    if (i + 2 > m_nLastSlot) {
        m_Window.nextTransition = nullptr;
        // A production may end on a transition: its scene after comes along.
        if (i + 1 == m_nLastSlot && m_Window.transition != nullptr) {
            StoryboardItem* after = ItemAt(m_nLastSlot + 1);
            if (after != nullptr && after->GetKind() == StoryboardItem::kKindScene) {
                m_Window.sceneB = static_cast<Scene*>(after);
                return OpenSceneReader(m_Window.sceneB);
            }
        }
        return 0;
    }
    StoryboardItem* ahead = ItemAt(i + 2);
    if (ahead == nullptr) {
        m_Window.nextTransition = nullptr;
        m_Window.sceneB = nullptr;
        return 0;
    }
    if (ahead->GetKind() == StoryboardItem::kKindTransition) {
        m_Window.nextTransition = static_cast<Transition*>(ahead);
        return 0;
    }
    m_Window.sceneB = static_cast<Scene*>(ahead);
    m_Window.nextTransition = nullptr;
    return OpenSceneReader(m_Window.sceneB);
}

int CProducer::Produce(CString& name)
{
    m_Window = SlotWindow{};
    m_pSoundScene = nullptr;
    if (!m_pWriter || m_nFirstSlot < 0)
        return kProduceOpenFailed;
    if (const int opened = OpenFirstSlot(); opened != 0)
        return opened;
    if (m_pDisplay != nullptr) {
        m_pDisplay->SetProgressText(LoadText(kProducingCaption, "Producing"));
        m_pDisplay->BeginProgress();
        m_pDisplay->SetProductionFile(m_pWriter->m_strOutputName);
        m_pDisplay->EnableSlider(0);
    }
    int r = 0;
    for (int i = m_nFirstSlot; i <= m_nLastSlot; ++i) {
        m_Window.slot = i;
        r = WriteSlot();
        if (r == kProduceCancelled) {
            // The user may keep what is written so far; production stops
            // here either way.
            const CString question = LoadText(kKeepPartialQuestion, "Keep the part produced so far?");
            if (CShellServices::Get().MessageBox(question, "", MB_YESNO) == IDYES)
                r = 0;
            else
                r = kProduceCancelled;
            if (r == 0)
                break;
        }
        if (r != 0)
            break;
        r = AdvanceSlot(i);
        if (r != 0)
            break;
    }
    for (Scene* scene : {m_Window.sceneA, m_Window.scene, m_Window.sceneB})
        if (scene != nullptr)
            scene->CloseReader();

    if (r != 0) {
        m_pWriter->Close(0);
    } else if (const int closed = m_pWriter->Close(1); closed == 0) {
        m_pWriter->GetOutputName(name);
    } else {
        m_pWriter->Close(0);
        switch (closed) {
        case kWriterStopped: r = kProduceStopped; break;
        case kWriterCancelled: r = kProduceCancelled; break;
        case kWriterFrameFailed: r = kProduceWriteFailed; break;
        default: r = kProduceFailed; break;
        }
    }
    if (m_pDisplay != nullptr) {
        m_pDisplay->EndProgress();
        m_pDisplay->ResetProgress();
    }
    return r;
}

MediaFrame* CProducer::GetSceneFrame(Scene* scene, int level)
{
    MediaFrame* frame = scene->GetFrame(1, m_bAudioOn ? 1 : 0, &m_AudioFormat, level);
    // A scene's clip whose pictures cannot be read (a damaged picture
    // stream opens as sound alone) shows black for its length: every frame
    // of the production has a picture, and the sound keeps its place.
    if (frame != nullptr && !frame->m_bSample && frame->m_pImage == nullptr)
        frame->m_pImage = new (std::nothrow) CIplImage(m_nFrameWidth, m_nFrameHeight, RGB(0, 0, 0));
    return frame;
}

void CProducer::StartSceneSound(const Scene* scene)
{
    if (scene == m_pSoundScene)
        return;
    m_pSoundScene = scene;
    // Each frame's sound block is its span rounded to whole samples, so the
    // sound handed out so far may run a little over or under the frames
    // written; the new scene's sound starts at its pictures' time.
    if (m_bAudioOn && m_pMixer)
        m_pMixer->Realign(static_cast<LONGLONG>(std::llround(m_tFrame.GetSeconds() * m_nFramesWritten
                                                             * m_pMixer->m_OutputFormat.nSamplesPerSec)));
}

int CProducer::WriteSceneVideo()
{
    Scene* scene = m_Window.scene;
    StartSceneSound(scene);
    const CMediaTime end = ProductionTime(m_Window.nextTransition != nullptr ? m_Window.nextTransition->GetStart()
                                                                             : scene->GetEnd());
    const LONGLONG endTime = end.GetReferenceTime();
    const CMediaTime half = m_tFrame / 2.0;
    // Frames reduced to their sound do not move production time on; a
    // reader that keeps giving them (its copy ranges do not match the
    // writer's) would never let the scene end. More of them than the scene
    // has frames is a failure.
    const int stallLimit = static_cast<int>(scene->GetDuration().GetSeconds() / m_tFrame.GetSeconds()) + 1;
    int stalled = 0;
    int r = 0;
    // The last item's end may fall on the middle of a frame, where rounding
    // decides whether that frame counts: the production's total does, so
    // it never gets a frame more than it announced to the writer.
    while (r == 0 && m_nFramesWritten < m_nTotalFrames && endTime >= (m_tCurrent + half).GetReferenceTime()) {
        if (stalled > stallLimit) {
            r = kProduceFailed;
            Log("WSV:Frames out of step with the copy ranges\r\n", 0);
            break;
        }
        if ((r = CheckCancel()) != 0) {
            CString text;
            text.Format("WSV:CEH(%d)\r\n", r);
            Log(text, 0);
            break;
        }
        MediaFrame* frame = GetSceneFrame(scene, m_nLevelScale);
        if (frame == nullptr) {
            r = kProduceFailed;
            CString text;
            text.Format("WSV:GetFrame(%d)\r\n", r);
            Log(text, 0);
            break;
        }
        const int written = m_nFramesWritten;
        r = PassToWriter(frame);
        stalled = m_nFramesWritten == written ? stalled + 1 : 0;
        DeleteFrame(frame);
    }
    Log("WSV:Done\r\n", 3);
    return r;
}

int CProducer::WriteTransition()
{
    Transition* transition = m_Window.transition;
    Scene* sceneA = m_Window.sceneA;
    Scene* sceneB = m_Window.sceneB;
    StartSceneSound(sceneB);
    const int n = static_cast<int>(transition->GetDuration().GetSeconds() / m_tFrame.GetSeconds() + 0.5);
    const LONGLONG endTime = ProductionTime(transition->GetEnd()).GetReferenceTime();
    CIplAlphaMask mask(m_nFrameWidth, m_nFrameHeight);
    CIplImage output(m_nFrameWidth, m_nFrameHeight, 0);
    std::vector<int> table;
    for (int i = 0; n > 1 && i < n; ++i)
        table.push_back(i * m_nLevelScale / (n - 1));
    auto level = [&](int index) {
        if (table.empty())
            return m_nLevelScale;
        if (index < 0 || index > n - 1)
            index = n - 1;
        return m_nLevelScale * table[static_cast<size_t>(index)] / m_nLevelScale;
    };
    if (CShellServices::Get().GetDebugLevel() > 3) {
        const TransitionEffect* effect = transition->GetEffect();
        CString text;
        text.Format("WriteTransition (%d) Overlap(%f) A(%f) B(%f)\r\n", effect != nullptr ? effect->GetRendererFamily() : 0,
                    transition->GetOverlapDuration(), effect != nullptr ? effect->GetParams()->m_fADuration : 0.0f,
                    effect != nullptr ? effect->GetParams()->m_fBDuration : 0.0f);
        CShellServices::Get().WriteDebugLog(text);
    }
    const CMediaTime half = m_tFrame / 2.0;
    int k = 0;
    int remaining = n;
    int r = 0;
    while (r == 0 && m_nFramesWritten < m_nTotalFrames && endTime >= (m_tCurrent + half).GetReferenceTime()) {
        --remaining;
        if ((r = CheckCancel()) != 0)
            break;
        MediaFrame* frameB = GetSceneFrame(sceneB, level(std::min(k, n - 1)));
        MediaFrame* frameA = GetSceneFrame(sceneA, level(std::min(remaining, n - 1)));
        if (frameA == nullptr || frameB == nullptr) {
            DeleteFrame(frameA);
            DeleteFrame(frameB);
            r = kProduceFailed;
            break;
        }
        // The frames at a dissolve's ends are all scene A or all scene B; a
        // DV production copies them unchanged when they belong to the
        // scenes' copied stretches. A copied frame of scene B goes on as the
        // frame written, as one of scene A already does.
        if (frameB->m_bSample && !frameA->m_bSample) {
            std::swap(frameA->m_pSample, frameB->m_pSample);
            std::swap(frameA->m_bSample, frameB->m_bSample);
        }
        if (frameA->m_pImage != nullptr && frameB->m_pImage != nullptr) {
            // Rounding may give more frames than n: the blend stays complete.
            const double progress = n > 0 ? std::min(1.0, static_cast<double>(k) / n) : 1.0;
            transition->Blend(frameA->m_pImage, frameB->m_pImage, &output, &mask, 0, 0, m_nFrameWidth, m_nFrameHeight,
                              progress, n, m_nFrameWidth, m_nFrameHeight, 1);
        }
        delete frameA->m_pImage;
        frameA->m_pImage = &output;
        bool crossFadeFailed = false;
        if (frameB->m_pAudio != nullptr && frameA->m_pAudio != nullptr && m_pMixer) {
            INT ok = 0;
            m_pMixer->CrossFade(&frameA->m_pAudio, &frameB->m_pAudio, &m_AudioFormat, &ok);
            crossFadeFailed = !ok;
        } else if (frameB->m_pAudio != nullptr && frameA->m_pAudio == nullptr) {
            frameA->m_pAudio = frameB->m_pAudio;
            frameB->m_pAudio = nullptr;
        }
        if (!crossFadeFailed)
            r = PassToWriter(frameA);
        DeleteFrame(frameB);
        frameA->m_pImage = nullptr;
        DeleteFrame(frameA);
        if (crossFadeFailed)
            break;
        ++k;
    }
    Log("WriteTransition Finished\r\n", 3);
    return r;
}

int CProducer::AttachSceneAudioClips(Scene* scene)
{
    if (!m_bAudioOn || !m_pMixer || scene->GetAudio()->GetTrackCount() == 0)
        return 0;
    // Each enabled track's clip is played once.
    for (int track = 0; track < SceneAudio::kTrackCount && m_pMixer->HasFreeSlot(); ++track) {
        AudioClip* clip = GetTrackClip(*scene, track);
        if (clip == nullptr)
            continue;
        CMediaFile file(clip->GetSourcePath());
        CMediaSource* reader = nullptr;
        if (file.CreateReader(&reader) != 0)
            return kProduceOpenFailed;
        if (reader == nullptr)
            continue;
        if (reader->HasAudio()) {
            reader->SetStartTime(CMediaTime(0, 0, 0, clip->GetStartOffset() * 1000.0) + m_tFrame);
            SetClipTimes(reader, m_tFrame, static_cast<LONGLONG>(clip->GetInPoint()) * 1000,
                         static_cast<LONGLONG>(clip->GetOutPoint()) * 1000);
            reader->InitFromAudioClip(clip);
            if (m_pMixer->AddSource(reader))
                continue;
        }
        delete reader;
    }
    return 0;
}

int CProducer::UpdateClipSource(CMediaSource* source, int slot)
{
    if (source->IsAtEnd()) {
        if (source->GetLoop()) {
            source->SeekToStart();
            source->m_bAtEnd = 0;
            if (source->GetFadeIn())
                m_pMixer->RestartSourceFadeIn(slot, 1.0f);
        } else {
            m_pMixer->RemoveSource(source);
            delete source;
        }
        return 0;
    }
    if (source->FadeInStarts())
        m_pMixer->RestartSourceFadeIn(slot, 1.0f);
    float seconds = 0.0f;
    if (source->FadeOutStarts(&seconds))
        m_pMixer->FadeOutSource(slot, seconds);
    return 0;
}

int CProducer::CheckCancel()
{
    const int pumped = PumpModalMessages(GetMainWindowCloseState().hWnd, TRUE);
    return pumped == kPumpCancel || pumped == kPumpAbort ? kProduceCancelled : 0;
}

void CProducer::UpdateProgress()
{
    if (m_nPreviewCounter == 10 || m_nPreviewCounter > 19)
        m_pDisplay->SetProgress(m_nTotalFrames > 0 ? m_nFramesWritten * 10000 / m_nTotalFrames : 0);
    if (m_nFramesWritten < m_nTotalFrames && m_nPreviewCounter > 19)
        m_pDisplay->SetSliderPosition(m_nFramesWritten);
    CString label;
    label.Format("%3.3d/%3.3d ", m_nFramesWritten, m_nTotalFrames);
    m_pDisplay->SetLabel(label, 0);
}
