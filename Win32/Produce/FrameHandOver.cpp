#include "Win32/Produce/FrameHandOver.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Platform/Win/User/MessageBox.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/ProductionAudioMixer.h"
#include "Win32/Produce/ProductionDisplay.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

constexpr UINT kLowDiskQuestion = 2047;
// Free gaps between blocked stretches shorter than this are not copied.
constexpr double kShortestSmartRange = 0.5;

struct Interval {
    double start;
    double end;
};

CMediaTime FromSeconds(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

// The drive part of a folder: the text before its first ':', else before
// its first '\'.
CString DriveOf(const CString& folder)
{
    const int colon = folder.Find(':');
    if (colon >= 0)
        return folder.Left(colon);
    const int backslash = folder.Find('\\');
    return backslash >= 0 ? folder.Left(backslash) : folder;
}

CString FolderOf(const CString& path)
{
    int cut = -1;
    for (int i = 0; i < path.GetLength(); ++i)
        if (path[i] == '\\' || path[i] == '/')
            cut = i;
    return cut >= 0 ? path.Left(cut) : CString(".");
}

} // namespace

int CProducer::MapWriterCode(int code)
{
    switch (code) {
    case kWriterOk:
    case kWriterClosed:
        return 0;
    case kWriterOpenFailed:
        return kProduceOpenFailed;
    case kWriterStopped:
        return kProduceStopped;
    case kWriterFrameFailed:
        return kProduceWriteFailed;
    default:
        return kProduceFailed;
    }
}

void CProducer::SetClipTimes(CMediaSource* source, const CMediaTime& frameDuration, LONGLONG first, LONGLONG second)
{
    const CMediaTime in(0, 0, 0, static_cast<double>(first));
    const CMediaTime out(0, 0, 0, static_cast<double>(second));
    source->SetFrameTime(frameDuration);
    source->SetInOut(out, in);
    source->SetStartPosition(in);
}

int CProducer::PassToWriter(MediaFrame* frame)
{
    if (const int lowDisk = CheckLowDisk(); lowDisk != 0)
        return lowDisk;
    if (const int cancelled = CheckHandOverCancel(); cancelled != 0)
        return cancelled;
    const WAVEFORMATEX writerFormat = WriterAudioFormat();
    if (const int mixed = MixFrameAudio(frame, writerFormat); mixed != 0)
        return mixed;
    if (m_pDisplay != nullptr)
        ShowProgress(*frame);
    if (const int cancelled = CheckHandOverCancel(); cancelled != 0)
        return cancelled;

    const LONGLONG start = WrittenTime();
    const FramePlacement placement =
        PlaceFrame(m_pWriter->m_smartRanges, start, start + m_tFrame.GetReferenceTime(), frame->m_bSample != 0);
    switch (placement.kind) {
    case FramePlacement::kInPlace:
        break;
    case FramePlacement::kAfterRepeats:
        RepeatCopiedFrame(frame->m_pImage, placement.repeatUntil, writerFormat);
        break;
    case FramePlacement::kEncodedInACopyRange:
        Log("PassToWriter: Dumb Frame in the wrong spot\r\n!", 0);
        return WriteAudioOnly(frame);
    case FramePlacement::kCopiedOutsideTheRanges:
        Log("PassToWriter: Smart Frame in the wrong spot!\r\n", 0);
        return WriteAudioOnly(frame);
    }
    return WriteFrame(*frame);
}

int CProducer::CheckLowDisk()
{
    if (m_nFramesWritten % 30 != 0 || m_nLowDiskLevel <= 0)
        return 0;
    const CString folder = FolderOf(m_strOutputName);
    ULONGLONG freeBytes = 0;
    // A failed query says nothing about the free space: go on.
    if (!m_freeSpace || !m_freeSpace(folder, &freeBytes))
        return 0;
    const ULONGLONG freeMegabytes = freeBytes / 1000000;
    if (freeMegabytes >= static_cast<ULONGLONG>(m_nLowDiskLevel))
        return 0;
    CString format;
    if (!format.LoadString(kLowDiskQuestion) || format.IsEmpty())
        format = "Less than %d MB are free on %s. Continue?";
    CString text;
    text.Format(format, m_nLowDiskLevel, static_cast<LPCSTR>(DriveOf(folder)));
    m_nLowDiskLevel = 0;
    if (CShellServices::Get().MessageBox(text, "", MB_YESNO) == IDYES)
        return 0;
    return m_pWriter->GetOutputType() >= CProductionSettings::kRealVideo ? kProduceStopped : kProduceCancelled;
}

int CProducer::CheckHandOverCancel()
{
    const int code = CheckCancel();
    if (code != 0) {
        CString text;
        text.Format("PassToWriter aborting Event(%d)\r\n", code);
        Log(text, 0);
    }
    return code;
}

WAVEFORMATEX CProducer::WriterAudioFormat() const
{
    PCMWAVEFORMAT format{};
    m_pWriter->GetAudioFormat(&format);
    return FormatExOf(format);
}

int CProducer::MixFrameAudio(MediaFrame* frame, const WAVEFORMATEX& writerFormat)
{
    if (m_bAudioOn) {
        if (const int updated = UpdateClipSources(); updated != 0)
            return updated;
        auto* mixed = new CWaveBuffer(m_tFrame * 2, &writerFormat);
        if (m_pMixer) {
            m_pMixer->Mix(frame->m_pAudio, mixed);
            // The last frame also takes what the mixer still holds: the
            // production's sound lasts exactly as long as its frames.
            if (m_nFramesWritten + 1 == m_nTotalFrames) {
                const double seconds = m_tFrame.GetSeconds() * m_nTotalFrames;
                m_pMixer->Flush(mixed, static_cast<LONGLONG>(std::llround(seconds * writerFormat.nSamplesPerSec)));
            }
        }
        delete frame->m_pAudio;
        frame->m_pAudio = mixed;
    }
    // Every sound fades out, once, when the last second has come.
    if (m_tTotal.GetSeconds() - m_tCurrent.GetSeconds() < 1.0)
        m_bNearEnd = true;
    if (m_bNearEnd && !m_bFadeOutDone && m_pMixer) {
        m_pMixer->FadeOutAll(m_nTotalFrames - m_nFramesWritten);
        m_bFadeOutDone = true;
    }
    return 0;
}

int CProducer::UpdateClipSources()
{
    if (!m_pMixer)
        return 0;
    for (int slot = 0; slot <= m_pMixer->GetLastUsedSlot(); ++slot)
        if (CMediaSource* source = m_pMixer->GetSource(slot))
            if (const int updated = UpdateClipSource(source, slot); updated != 0)
                return updated;
    if (m_nFramesWritten < m_nFadeInFrames && !m_bFadeInDone) {
        m_pMixer->RestartFadeIns();
        m_bFadeInDone = true;
    }
    return 0;
}

void CProducer::ShowProgress(const MediaFrame& frame)
{
    UpdateProgress();
    // A copied frame has no picture to show: the first of a run, and every
    // 21st after it, shows the copy sign instead.
    if (!frame.m_bSample) {
        m_pDisplay->ShowImage(frame.m_pImage);
        m_nPreviewCounter = 20;
    } else if (m_nPreviewCounter < 20) {
        ++m_nPreviewCounter;
    } else {
        if (m_pSmartImage)
            m_pDisplay->ShowImage(m_pSmartImage.get());
        m_nPreviewCounter = 0;
    }
}

FramePlacement PlaceFrame(const CSmartRangeList& ranges, LONGLONG start, LONGLONG next, bool copied)
{
    const CSmartRange* holding = nullptr;
    const CSmartRange* after = nullptr;
    LONGLONG lastEnd = 0;
    bool startsInFrame = false;
    for (const CSmartRange& range : ranges) {
        const LONGLONG rangeStart = range.m_tStart.GetReferenceTime();
        const LONGLONG rangeEnd = range.m_tEnd.GetReferenceTime();
        if (rangeStart <= start && start < rangeEnd) {
            holding = &range;
            break;
        }
        if (rangeStart > next) {
            after = &range;
            break;
        }
        // A range whose start falls inside this frame (its start lies off
        // the production's frame grid, as at 29.97 frames a second) takes
        // this frame as its first copied one.
        startsInFrame = startsInFrame || (rangeStart > start && rangeStart < next);
        lastEnd = rangeEnd;
    }
    if (holding != nullptr && !copied) {
        const LONGLONG rangeStart = holding->m_tStart.GetReferenceTime();
        const LONGLONG rangeEnd = holding->m_tEnd.GetReferenceTime();
        if (start > (rangeStart + rangeEnd) >> 1)
            return FramePlacement{FramePlacement::kAfterRepeats, rangeEnd};
        if (start != rangeStart)
            return FramePlacement{FramePlacement::kEncodedInACopyRange};
    } else if (holding == nullptr && copied) {
        if (!startsInFrame && (after == nullptr || (start > lastEnd && next < after->m_tStart.GetReferenceTime())))
            return FramePlacement{FramePlacement::kCopiedOutsideTheRanges};
    }
    return FramePlacement{};
}

void CProducer::RepeatCopiedFrame(CIplImage* image, LONGLONG until, const WAVEFORMATEX& writerFormat)
{
    // The DV writer repeats the last copied frame; each repeat carries one
    // frame of silence so the sound keeps step with the pictures.
    MediaFrame duplicate;
    duplicate.m_pImage = image;
    duplicate.m_bSample = 1;
    while (WrittenTime() < until) {
        Log("PassToWriter: Smart duplicating\r\n!", 0);
        duplicate.m_pAudio = m_bAudioOn ? new CWaveBuffer(m_tFrame, &writerFormat) : nullptr;
        const int written = m_pWriter->Write(duplicate, 1);
        delete duplicate.m_pAudio;
        duplicate.m_pAudio = nullptr;
        if (written != 0)
            break;
        CountWrittenFrame();
    }
    duplicate.m_pImage = nullptr;
}

int CProducer::WriteAudioOnly(MediaFrame* frame)
{
    // The record takes the frame's audio over, so that the block is freed
    // once.
    MediaFrame record;
    record.m_pAudio = frame->m_pAudio;
    frame->m_pAudio = nullptr;
    return m_pWriter->Write(record, 0) != 0 ? kProduceAudioOnlyRejected : 0;
}

int CProducer::WriteFrame(MediaFrame& frame)
{
    const int written = m_pWriter->Write(frame, 0);
    if (written != 0) {
        CString text;
        text.Format("PassToWriter Writer Error(%d)\r\n", written);
        Log(text, 0);
    }
    CountWrittenFrame();
    return MapWriterCode(written);
}

LONGLONG CProducer::WrittenTime() const { return (m_tFrame * m_nFramesWritten).GetReferenceTime(); }

void CProducer::CountWrittenFrame()
{
    ++m_nFramesWritten;
    m_tCurrent += m_tFrame;
}

// The copied frames of a range are the output frames it touches (a range
// that starts or ends inside a frame takes that frame too, as the DV
// writer's switch does), and the reader's next frame is the production's
// next frame: the range reaches the reader as the positions of its first
// copied frame and of the frame after its last, in the reader's own time.
// So the reader copies the very frames the writer expects copied, whatever
// half frame lies between the scene's start and the production's frame
// grid.
void CProducer::HandSmartRanges(Scene* scene, int slot)
{
    constexpr double kGridSlack = 1e-6;
    CMediaSource* reader = scene != nullptr ? scene->GetReader() : nullptr;
    const double frame = m_tFrame.GetSeconds();
    if (reader == nullptr || frame <= 0.0)
        return;
    CSmartRangeList converted;
    const double position = reader->m_tPosition.GetSeconds();
    for (const CSmartRange& range : m_pWriter->m_smartRanges) {
        if (range.m_nSlot != slot)
            continue;
        const double first = std::floor(range.m_tStart.GetSeconds() / frame + kGridSlack);
        const double end = std::ceil(range.m_tEnd.GetSeconds() / frame - kGridSlack);
        converted.push_back(CSmartRange{slot, FromSeconds(position + (first - m_nFramesWritten) * frame),
                                        FromSeconds(position + (end - m_nFramesWritten) * frame)});
    }
    reader->SetSmartRanges(converted);
}

int CProducer::WriteSlot()
{
    if (m_Window.scene != nullptr && m_Window.transition == nullptr) {
        HandSmartRanges(m_Window.scene, m_Window.slot);
        return WriteSceneVideo();
    }
    if (m_Window.transition != nullptr) {
        if (m_Window.sceneA == nullptr || m_Window.sceneB == nullptr)
            return kProduceLoneTransition;
        HandSmartRanges(m_Window.sceneB, m_Window.slot + 1);
        return WriteTransition();
    }
    return 0;
}

int CProducer::BuildSmartRanges(CSmartRangeList& list, int slot)
{
    const auto* scene = static_cast<const Scene*>(ItemAt(slot));
    if (scene == nullptr)
        return !list.empty();
    const double base = m_tFirstStart.GetSeconds();
    const double d = scene->GetStart().GetSeconds() - base;
    const double f = scene->GetEnd().GetSeconds() - base;
    std::vector<Interval> blocked;
    auto sceneAt = [&](int i) -> const StoryboardItem* {
        const StoryboardItem* item = ItemAt(i);
        return item != nullptr && item->GetKind() == StoryboardItem::kKindScene ? item : nullptr;
    };
    if (slot > 1 && slot != m_nFirstSlot)
        if (const StoryboardItem* before = sceneAt(slot - 2))
            blocked.push_back({d, before->GetEnd().GetSeconds() - base});
    if (slot != m_nLastSlot)
        if (const StoryboardItem* following = sceneAt(slot + 2))
            blocked.push_back({following->GetStart().GetSeconds() - base, f});
    // The scene's reader draws its effects on its own time, which starts at
    // the scene's first frame.
    const double origin = SceneOrigin(scene).GetSeconds();
    using EffectTimes = INT (Scene::*)(CMediaTime&, CMediaTime&) const;
    for (EffectTimes times : {&Scene::GetTextEffectTimes, &Scene::GetSpectrumEffectTimes,
                              &Scene::GetColorEffectTimes, &Scene::GetMotionEffectTimes}) {
        CMediaTime start;
        CMediaTime end;
        if ((scene->*times)(start, end))
            blocked.push_back({origin + start.GetSeconds(), origin + end.GetSeconds()});
    }

    auto addRange = [&](double start, double end) {
        if (end - start > kShortestSmartRange)
            list.push_back(CSmartRange{slot, FromSeconds(start), FromSeconds(end)});
    };
    if (blocked.empty()) {
        addRange(d, f);
        return !list.empty();
    }
    std::sort(blocked.begin(), blocked.end(), [](const Interval& a, const Interval& b) { return a.start < b.start; });
    std::vector<Interval> merged{blocked.front()};
    for (size_t i = 1; i < blocked.size(); ++i) {
        if (blocked[i].start <= merged.back().end)
            merged.back().end = std::max(merged.back().end, blocked[i].end);
        else
            merged.push_back(blocked[i]);
    }
    if (d < merged.front().start)
        addRange(d, merged.front().start);
    for (size_t i = 1; i < merged.size(); ++i)
        addRange(merged[i - 1].end, merged[i].start);
    if (merged.back().end < f)
        addRange(merged.back().end, f);
    return !list.empty();
}

CMediaTime CProducer::SceneOrigin(const StoryboardItem* scene) const
{
    // The frames whose middle lies at or before the scene's start go to
    // the item ahead of it (the writing loops' own test), so the scene's
    // first frame is the first whose middle lies past its start.
    const LONGLONG start = ProductionTime(scene->GetStart()).GetReferenceTime();
    const LONGLONG frame = m_tFrame.GetReferenceTime();
    const LONGLONG half = (m_tFrame / 2.0).GetReferenceTime();
    if (frame <= 0 || start < half)
        return CMediaTime(0, 0, 0, 0.0, m_tFrame.m_nUnitsPerSecond);
    return m_tFrame * static_cast<LONG>((start - half) / frame + 1);
}
