#include "Win32/Sb/Document/AudioClipList.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Utils/FileUtils.h"

namespace {

// The entry names (untranslated strings) of one track's clip.
struct TrackKeys {
    UINT path;
    UINT in;
    UINT out;
    UINT fadeIn;
    UINT fadeOut;
    UINT repeat;
    UINT volume;
    UINT start;
    UINT fadeInPoint;
    UINT fadeOutPoint;
};

// Track 0, track 1, and tracks 2 to 5, whose names take the suffix "_n".
constexpr TrackKeys kTrackKeys[] = {
    {1133, 1135, 1136, 1137, 1138, 1139, 1140, 1152, 1147, 1148},
    {1134, 1142, 1141, 1143, 1144, 1145, 1146, 1153, 1149, 1150},
    {1400, 1401, 1402, 1403, 1404, 1405, 1406, 1407, 1408, 1409},
};

bool IsTrack(INT track)
{
    return track >= 0 && track < AudioClipList::kTrackCount;
}

const TrackKeys& KeysOf(INT track)
{
    return kTrackKeys[std::min(track, 2)];
}

CProfileKeys NamesOf(INT track)
{
    const TrackKeys& k = KeysOf(track);
    char suffix[16] = "";
    if (track >= 2)
        std::snprintf(suffix, sizeof suffix, "_%d", track);
    return CProfileKeys({k.path, k.in, k.out, k.fadeIn, k.fadeOut, k.repeat, k.volume, k.start, k.fadeInPoint,
                         k.fadeOutPoint},
                        suffix);
}

// A number as atoi reads it, held to the int range.
INT ReadNumber(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<INT>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// The first three blank-separated numbers of a stored point (start, end,
// kind); missing ones are 0, further ones are ignored.
void ReadPoint(LPCSTR text, INT numbers[3])
{
    const std::string value = text != nullptr ? text : "";
    size_t at = 0;
    for (int n = 0; n < 3; ++n) {
        numbers[n] = 0;
        at = value.find_first_not_of(' ', at);
        if (at == std::string::npos)
            continue;
        const size_t end = value.find(' ', at);
        numbers[n] = ReadNumber(value.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
}

// The stored form of a point: " start end kind", with its leading blank.
CString PointText(const AudioEnvelopePoint& point)
{
    CString text;
    text.Format(" %d %d %d", point.GetStart(), point.GetEnd(), point.GetKind());
    return text;
}

// Restores the stored fade of `kind`; a fade whose point is not stored is
// made afresh from the clip's in and out points.
void ReadFade(AudioClip& clip, const CProfileKeys& names, const CProfile* profile, LPCSTR section, UINT key, INT kind)
{
    LPCSTR stored = names.GetValue(profile, section, key);
    if (stored == nullptr) {
        if (kind == AudioEnvelopePoint::kFadeIn)
            clip.SetFadeIn(1);
        else
            clip.SetFadeOut(1);
        return;
    }
    INT numbers[3];
    ReadPoint(stored, numbers);
    auto* point = new AudioEnvelopePoint;
    point->Set(numbers[0], numbers[1], numbers[2]);
    clip.AddEnvelopePoint(point);
}

void WriteFade(AudioClip& clip, const CProfileKeys& names, CProfile* profile, LPCSTR section, UINT key, INT kind)
{
    INT found = 0;
    const INT position = clip.FindEnvelopePoint(kind, &found);
    if (found)
        names.SetValue(profile, section, key, PointText(*clip.GetEnvelopePoint(position)));
}

} // namespace

AudioClipList::AudioClipList(const AudioClipList& other)
{
    for (INT i = 0; i < other.m_Clips.GetCount(); ++i)
        m_Clips.AddTail(new AudioClip(**other.m_Clips.PeekAt(i)));
}

AudioClipList::AudioClipList(const CString& documentPath, const CProfile* profile, LPCSTR section, INT track)
{
    if (!IsTrack(track))
        return;
    const TrackKeys& k = KeysOf(track);
    const CProfileKeys names = NamesOf(track);
    LPCSTR stored = names.GetValue(profile, section, k.path);
    if (stored == nullptr || *stored == '\0')
        return;
    CString path = stored;
    ResolveRelativePath(documentPath, path);
    if (!CShellServices::Get().FindMissingMedia(&path, 1, 0) || path.IsEmpty())
        return;
    auto* clip = new AudioClip(path);
    if (!clip->IsValid()) {
        delete clip;
        return;
    }
    // Times before the start of the file or the scene cannot be played.
    clip->SetInPoint(std::max(0, names.GetInt(profile, section, k.in)));
    clip->SetOutPoint(std::max(0, names.GetInt(profile, section, k.out)));
    const BOOL fadeIn = names.GetBool(profile, section, k.fadeIn);
    const BOOL fadeOut = names.GetBool(profile, section, k.fadeOut);
    clip->SetFadeFlags(fadeIn, fadeOut);
    clip->SetRepeat(names.GetBool(profile, section, k.repeat));
    clip->SetVolume(std::clamp(names.GetInt(profile, section, k.volume), 0, AudioClip::kUnityVolume));
    clip->SetStartOffset(std::max(0, names.GetInt(profile, section, k.start)));
    if (fadeIn)
        ReadFade(*clip, names, profile, section, k.fadeInPoint, AudioEnvelopePoint::kFadeIn);
    if (fadeOut)
        ReadFade(*clip, names, profile, section, k.fadeOutPoint, AudioEnvelopePoint::kFadeOut);
    m_Clips.AddTail(clip);
}

AudioClipList::~AudioClipList()
{
    RemoveAll();
}

void AudioClipList::RemoveAll()
{
    PtrListDeleteAll(m_Clips);
}

AudioClip* AudioClipList::AddFile(const CString& path, INT* length, INT* position)
{
    auto* clip = new AudioClip(path);
    if (!clip->IsValid()) {
        delete clip;
        return nullptr;
    }
    return Append(clip, length, position);
}

AudioClip* AudioClipList::AddCopy(const AudioClip& clip, INT* length, INT* position)
{
    auto* copy = new AudioClip(clip);
    if (!copy->IsValid()) {
        delete copy;
        return nullptr;
    }
    return Append(copy, length, position);
}

AudioClip* AudioClipList::Append(AudioClip* clip, INT* length, INT* position)
{
    if (length != nullptr)
        *length = clip->GetLength();
    m_Clips.AddTail(clip);
    if (position != nullptr)
        *position = m_Clips.GetCount() - 1;
    return clip;
}

INT AudioClipList::GetTotalLength() const
{
    INT total = 0;
    for (INT i = 0; i < m_Clips.GetCount(); ++i)
        total += (*m_Clips.PeekAt(i))->GetLength();
    return total;
}

AudioClip* AudioClipList::GetAt(INT position)
{
    const INT count = m_Clips.GetCount();
    if (count == 0 || position < 0 || position > count)
        return nullptr;
    if (position == count)
        position = count - 1;
    return *m_Clips.GetAt(position);
}

INT AudioClipList::SetFadeIn(INT position, INT on)
{
    return SetFade(position, on, &AudioClip::SetFadeIn, &AudioClip::GetFadeIn);
}

INT AudioClipList::SetFadeOut(INT position, INT on)
{
    return SetFade(position, on, &AudioClip::SetFadeOut, &AudioClip::GetFadeOut);
}

INT AudioClipList::SetFade(INT position, INT on, void (AudioClip::*set)(INT), INT (AudioClip::*get)() const)
{
    if (position < 0 || position >= m_Clips.GetCount())
        return 0;
    AudioClip* clip = *m_Clips.GetAt(position);
    (clip->*set)(on);
    return (clip->*get)();
}

void AudioClipList::Save(const CString& documentPath, CProfile* profile, LPCSTR section, INT track) const
{
    if (!IsTrack(track) || m_Clips.GetCount() == 0)
        return;
    const TrackKeys& k = KeysOf(track);
    const CProfileKeys names = NamesOf(track);
    for (INT i = 0; i < m_Clips.GetCount(); ++i) {
        AudioClip& clip = **m_Clips.PeekAt(i);
        CString path = clip.GetSourcePath();
        MakeRelativePath(documentPath, path);
        names.SetValue(profile, section, k.path, path);
        names.SetInt(profile, section, k.in, clip.GetInPoint());
        names.SetInt(profile, section, k.out, clip.GetOutPoint());
        names.SetInt(profile, section, k.fadeIn, clip.GetFadeIn());
        names.SetInt(profile, section, k.fadeOut, clip.GetFadeOut());
        names.SetInt(profile, section, k.repeat, clip.GetRepeat());
        names.SetInt(profile, section, k.volume, clip.GetVolume());
        names.SetInt(profile, section, k.start, clip.GetStartOffset());
        if (clip.GetFadeIn())
            WriteFade(clip, names, profile, section, k.fadeInPoint, AudioEnvelopePoint::kFadeIn);
        if (clip.GetFadeOut())
            WriteFade(clip, names, profile, section, k.fadeOutPoint, AudioEnvelopePoint::kFadeOut);
    }
}
