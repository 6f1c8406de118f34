#include "Win32/Produce/ProductionCheck.h"

#include <algorithm>

#include "Win32/Produce/MediaWriter.h"
#include "Win32/Sb/Document/AudioClip.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/Material.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Utils/FileUtils.h"

namespace {

constexpr WAVEFORMATEX kDefaultFormat{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};

bool IsKind(const Storyboard& storyboard, int slot, int kind)
{
    const StoryboardItem* item = storyboard.GetItem(slot);
    return item != nullptr && item->GetKind() == kind;
}

void Widen(const WAVEFORMATEX& by, WAVEFORMATEX* format, DWORD* bytesPerSecond)
{
    WAVEFORMATEX merged{};
    MergeWaveFormats(format, &by, &merged);
    *format = merged;
    if (bytesPerSecond != nullptr)
        *bytesPerSecond = std::max(*bytesPerSecond, merged.nAvgBytesPerSec);
}

// The scene and its overlay chain each refer to files that exist.
bool SceneFilesExist(Scene& scene)
{
    for (int n = scene.GetOverlayDepth(); n >= 0; --n) {
        Scene* layer = scene.GetOverlayAt(n);
        if (layer == nullptr)
            continue;
        if (layer->GetMediaKind() != Scene::kMediaColor && !FileExists(layer->GetMediaPath()))
            return false;
        if (layer->GetAudio()->GetTrackCount() > 0 && !layer->AudioFilesExist())
            return false;
    }
    return true;
}

// The latest item at or before `slot`, down to `first`.
const StoryboardItem* LastItemUpTo(const Storyboard& storyboard, int first, int slot)
{
    for (int i = slot; i >= first; --i)
        if (const StoryboardItem* item = storyboard.GetItem(i))
            return item;
    return nullptr;
}

} // namespace

void CProductionCheck::AddProblem(int severity, int slot, int code)
{
    if (IsInRange(slot))
        m_Problems.push_back(CProductionProblem{severity, slot, code});
}

AudioClip* GetTrackClip(const Scene& scene, int track)
{
    const SceneAudio* audio = scene.GetAudio();
    AudioClipList* list = audio->GetTrack(track);
    if (list == nullptr || !audio->GetTrackFlag(track))
        return nullptr;
    AudioClip* clip = list->GetAt(list->GetCount());
    return clip != nullptr && clip->IsValid() ? clip : nullptr;
}

void WidenFormatForClips(const Scene& scene, WAVEFORMATEX* format, DWORD* bytesPerSecond)
{
    for (int track = 0; track < SceneAudio::kTrackCount; ++track)
        if (const AudioClip* clip = GetTrackClip(scene, track); clip != nullptr && clip->GetFormat() != nullptr)
            Widen(FormatExOf(*clip->GetFormat()), format, bytesPerSecond);
}

bool CheckStoryboardForProduction(const Storyboard& storyboard, CProductionSettings& settings,
                                  CProductionCheck& check)
{
    int first = 0;
    int last = storyboard.GetLastIndex();
    if (check.m_bSelection) {
        first = check.m_nFirst;
        last = check.m_nLast;
    }
    if (Storyboard::IsTransitionIndex(first)) {
        check.AddProblem(CProductionProblem::kSeverityError, first, CProductionProblem::kRangeOnTransition);
    } else if (Storyboard::IsTransitionIndex(last)) {
        check.AddProblem(CProductionProblem::kSeverityError, last, CProductionProblem::kRangeOnTransition);
    } else {
        for (int i = first; i <= last; ++i) {
            StoryboardItem* item = storyboard.GetItem(i);
            if (item == nullptr)
                continue;
            if (item->GetKind() == StoryboardItem::kKindTransition) {
                const bool loneBefore = i > 0 && i < last && storyboard.GetItem(i - 1) == nullptr;
                if (loneBefore || storyboard.GetItem(i + 1) == nullptr)
                    check.AddProblem(CProductionProblem::kSeverityError, i, CProductionProblem::kLoneTransition);
            } else if (item->GetKind() == StoryboardItem::kKindScene) {
                if (!SceneFilesExist(static_cast<Scene&>(*item)))
                    check.AddProblem(CProductionProblem::kSeverityMissingFile, i, CProductionProblem::kMissingFile);
            }
        }
    }
    const bool ok = check.m_Problems.empty();
    settings.m_bStoryboardValid = ok ? 1 : 0;
    return ok;
}

LONGLONG EstimateProduction(const Storyboard& storyboard, const CProductionSettings& settings, int first, int last,
                            CMediaTime* duration, WAVEFORMATEX* format, DWORD* bytesPerSecond, LONGLONG* frames)
{
    if (settings.m_bSelectionOnly) {
        first = std::max(first, 0);
        last = std::min(last, storyboard.GetLastIndex());
    } else {
        first = 0;
        last = storyboard.GetLastIndex();
    }
    *duration = CMediaTime();
    *format = kDefaultFormat;
    *bytesPerSecond = 0;
    *frames = 0;
    if (last < first)
        return 0;

    bool fromMedia = false;
    auto fromSettings = [&](bool pcmTag) {
        INT ok = 0;
        WAVEFORMATEX chosen{};
        settings.GetAudioFormat(&chosen, &ok);
        *format = ok ? chosen : WAVEFORMATEX{};
        if (pcmTag)
            format->wFormatTag = WAVE_FORMAT_PCM;
        *bytesPerSecond = format->nAvgBytesPerSec;
    };
    switch (settings.GetOutputType()) {
    case 2:
        fromSettings(false);
        break;
    case 3:
        fromSettings(true);
        break;
    case 4:
        break;
    default:
        if (settings.GetParams().m_nPcmFormatIndex == 1) {
            *format = WAVEFORMATEX{};
            format->wFormatTag = WAVE_FORMAT_PCM;
        } else if (settings.GetParams().m_nPcmFormatIndex == 0) {
            fromMedia = true;
        } else {
            fromSettings(true);
        }
        break;
    }

    int firstScene = -1;
    for (int i = first; i <= last; ++i) {
        if (!IsKind(storyboard, i, StoryboardItem::kKindScene))
            continue;
        if (firstScene < 0)
            firstScene = i;
        if (!fromMedia)
            continue;
        const auto& scene = static_cast<const Scene&>(*storyboard.GetItem(i));
        const Material* material = scene.GetMaterial();
        if (scene.HasAudio() && material != nullptr && material->HasAudioFormat() && material->GetAudioFormat())
            Widen(FormatExOf(*material->GetAudioFormat()), format, bytesPerSecond);
        WidenFormatForClips(scene, format, bytesPerSecond);
    }
    const StoryboardItem* lastItem = LastItemUpTo(storyboard, first, last);
    const StoryboardItem* firstItem = storyboard.GetItem(first);
    if (firstItem == nullptr || lastItem == nullptr)
        return 0;
    *duration = lastItem->GetEnd() - firstItem->GetStart();
    const DWORD frameTime = static_cast<DWORD>(std::max(settings.GetParams().m_nFrameMicroseconds, 1));
    *frames = static_cast<LONGLONG>(duration->GetSeconds() * 1000000.0 / frameTime + 0.5);
    return *frames;
}
