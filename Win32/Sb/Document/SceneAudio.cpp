#include "Win32/Sb/Document/SceneAudio.h"

#include <algorithm>

#include "Platform/Win/Kernel/Crt.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"

namespace {

bool IsTrack(INT track)
{
    return track >= 0 && track < SceneAudio::kTrackCount;
}

// The entry name of a track's flag: the flag name and "_n".
CString TrackFlagName(LPCSTR flagName, INT track)
{
    CString name;
    name.Format("%s_%d", flagName, track);
    return name;
}

// Calls `visit` with every clip of `list`.
template <typename Visit>
void ForEachClip(AudioClipList* list, Visit visit)
{
    if (list == nullptr)
        return;
    for (INT i = 0; i < list->GetCount(); ++i)
        visit(*list->GetAt(i));
}

} // namespace

SceneAudio::SceneAudio() = default;

SceneAudio::SceneAudio(const SceneAudio& other)
{
    CopyFrom(other);
}

SceneAudio& SceneAudio::operator=(const SceneAudio& other)
{
    if (this != &other) {
        DeleteTracks();
        CopyFrom(other);
    }
    return *this;
}

SceneAudio::~SceneAudio()
{
    DeleteTracks();
}

void SceneAudio::CopyFrom(const SceneAudio& other)
{
    m_nVolume = other.m_nVolume;
    m_bFadeIn = other.m_bFadeIn;
    m_bFadeOut = other.m_bFadeOut;
    m_bSoundOn = other.m_bSoundOn;
    for (INT track = 0; track < kTrackCount; ++track) {
        m_pTracks[track] = other.m_pTracks[track] != nullptr ? new AudioClipList(*other.m_pTracks[track]) : nullptr;
        m_nTrackFlags[track] = other.m_nTrackFlags[track];
    }
}

void SceneAudio::DeleteTracks()
{
    for (AudioClipList*& list : m_pTracks) {
        delete list;
        list = nullptr;
    }
}

void SceneAudio::Reset()
{
    m_nVolume = kUnityVolume;
    m_bFadeIn = 0;
    m_bFadeOut = 0;
    m_bSoundOn = 1;
    DeleteTracks();
    std::fill(std::begin(m_nTrackFlags), std::end(m_nTrackFlags), 0);
}

INT SceneAudio::Equals(const SceneAudio& other) const
{
    if (this == &other)
        return 1;
    if (m_nVolume != other.m_nVolume || m_bFadeIn != other.m_bFadeIn || m_bFadeOut != other.m_bFadeOut
        || m_bSoundOn != other.m_bSoundOn)
        return 0;
    for (INT track = 0; track < kTrackCount; ++track) {
        AudioClipList* mine = m_pTracks[track];
        AudioClipList* theirs = other.m_pTracks[track];
        if (mine == nullptr || theirs == nullptr) {
            if (mine != theirs)
                return 0;
            continue;
        }
        const AudioClip* a = mine->GetAt(1);
        const AudioClip* b = theirs->GetAt(1);
        if (a == nullptr || b == nullptr) {
            if (a != b)
                return 0;
            continue;
        }
        if (!a->IsSameSettings(*b))
            return 0;
    }
    return 1;
}

INT SceneAudio::HasCustomAudio() const
{
    const SceneAudio defaults;
    return Equals(defaults) ? 0 : 1;
}

INT SceneAudio::GetTrackCount() const
{
    return static_cast<INT>(std::count_if(std::begin(m_pTracks), std::end(m_pTracks),
                                          [](const AudioClipList* list) { return list != nullptr; }));
}

INT SceneAudio::HasTrack(INT track) const
{
    return IsTrack(track) && m_pTracks[track] != nullptr ? 1 : 0;
}

AudioClipList* SceneAudio::GetTrack(INT track) const
{
    return IsTrack(track) ? m_pTracks[track] : nullptr;
}

void SceneAudio::SetTrack(INT track, const AudioClipList* list)
{
    if (!IsTrack(track))
        return;
    delete m_pTracks[track];
    m_pTracks[track] = list != nullptr && list->GetCount() > 0 ? new AudioClipList(*list) : nullptr;
}

INT SceneAudio::GetTrackFlag(INT track) const
{
    return IsTrack(track) ? m_nTrackFlags[track] : 0;
}

void SceneAudio::SetTrackFlag(INT track, INT flag)
{
    if (IsTrack(track))
        m_nTrackFlags[track] = flag;
}

void SceneAudio::Save(const CString& documentPath, CProfile* profile, LPCSTR section) const
{
    const CProfileKeys keys({kKeySoundOff, kKeyVolume, kKeyFadeIn, kKeyFadeOut, kKeyTrackFlag, kKeyHasTracks});
    keys.SetInt(profile, section, kKeySoundOff, m_bSoundOn ? 0 : 1);
    keys.SetInt(profile, section, kKeyVolume, m_nVolume);
    keys.SetInt(profile, section, kKeyFadeIn, m_bFadeIn);
    keys.SetInt(profile, section, kKeyFadeOut, m_bFadeOut);
    if (LPCSTR flagName = keys.Name(kKeyTrackFlag); flagName != nullptr && profile != nullptr) {
        for (INT track = 0; track < kTrackCount; ++track)
            profile->SetInt(section, TrackFlagName(flagName, track), m_nTrackFlags[track]);
    }
    if (keys.Name(kKeyHasTracks) == nullptr)
        return;
    keys.SetInt(profile, section, kKeyHasTracks, GetTrackCount() > 0 ? 1 : 0);
    for (INT track = 0; track < kTrackCount; ++track) {
        if (m_pTracks[track] != nullptr && m_pTracks[track]->GetCount() > 0)
            m_pTracks[track]->Save(documentPath, profile, section, track);
    }
}

void SceneAudio::Load(const CString& documentPath, const CProfile* profile, LPCSTR section)
{
    DeleteTracks();
    const CProfileKeys keys({kKeySoundOff, kKeyVolume, kKeyFadeIn, kKeyFadeOut, kKeyTrackFlag, kKeyHasTracks});
    m_bSoundOn = keys.GetBool(profile, section, kKeySoundOff) ? 0 : 1;
    // A section without a volume has always read as silent; a volume
    // beyond the range is held to it.
    m_nVolume = std::clamp(keys.GetInt(profile, section, kKeyVolume), 0, kUnityVolume);
    m_bFadeIn = keys.GetBool(profile, section, kKeyFadeIn);
    m_bFadeOut = keys.GetBool(profile, section, kKeyFadeOut);
    LPCSTR flagName = keys.Name(kKeyTrackFlag);
    for (INT track = 0; track < kTrackCount; ++track) {
        m_nTrackFlags[track] =
            flagName != nullptr && profile != nullptr ? profile->GetBool(section, TrackFlagName(flagName, track)) : 0;
    }
    if (!keys.GetBool(profile, section, kKeyHasTracks))
        return;
    for (INT track = 0; track < kTrackCount; ++track) {
        auto* list = new AudioClipList(documentPath, profile, section, track);
        if (list->GetCount() == 0) {
            delete list;
            list = nullptr;
        }
        m_pTracks[track] = list;
    }
}

INT SceneAudio::RelinkMediaPath(const CString& oldPath, const CString& newPath)
{
    INT changed = 0;
    for (AudioClipList* list : m_pTracks) {
        ForEachClip(list, [&](AudioClip& clip) {
            if (_mbsicmp(reinterpret_cast<const unsigned char*>(static_cast<LPCSTR>(clip.GetSourcePath())),
                         reinterpret_cast<const unsigned char*>(static_cast<LPCSTR>(oldPath)))
                == 0) {
                clip.SetSourcePath(newPath);
                changed = 1;
            }
        });
    }
    return changed;
}

INT SceneAudio::CollectPaths(CStringList* list) const
{
    INT added = 0;
    for (AudioClipList* track : m_pTracks) {
        ForEachClip(track, [&](AudioClip& clip) {
            if (list != nullptr) {
                list->AddTail(clip.GetSourcePath());
                added = 1;
            }
        });
    }
    return added;
}

INT SceneAudio::GetMaxByteRate(DWORD* value) const
{
    INT found = 0;
    for (AudioClipList* list : m_pTracks) {
        AudioClip* last = list != nullptr ? list->GetAt(list->GetCount()) : nullptr;
        if (last == nullptr)
            continue;
        found = 1;
        const PCMWAVEFORMAT* format = last->GetFormat();
        if (format != nullptr && value != nullptr && format->wf.nAvgBytesPerSec > *value)
            *value = format->wf.nAvgBytesPerSec;
    }
    return found;
}

void SceneAudio::OffsetStarts(double seconds, INT flag)
{
    for (AudioClipList* list : m_pTracks) {
        if (AudioClip* last = list != nullptr ? list->GetAt(list->GetCount()) : nullptr)
            last->OffsetStart(seconds, flag);
    }
}

INT SceneAudio::AllFilesExist() const
{
    INT all = 1;
    for (AudioClipList* list : m_pTracks) {
        ForEachClip(list, [&](AudioClip& clip) {
            if (!FileExistsStr(clip.GetSourcePath()))
                all = 0;
        });
    }
    return all;
}

void SceneAudio::DeleteConvertedFiles()
{
    for (AudioClipList* list : m_pTracks) {
        if (AudioClip* last = list != nullptr ? list->GetAt(list->GetCount()) : nullptr)
            last->DeleteConverted();
    }
}
