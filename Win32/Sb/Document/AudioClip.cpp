#include "Win32/Sb/Document/AudioClip.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Platform/Outside/WaveExtract/WaveExtract.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Utils/FileUtils.h"

namespace {

constexpr LONGLONG kUnitsPerMillisecond = 10000;
// Numbered names stop somewhere; a folder this full is taken as unusable.
constexpr int kMaxNumberedNames = 10000;
constexpr int kMaxTempNameTries = 100;

// Truncated toward zero, saturating at the ends of the range; NaN gives 0.
INT ClampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<INT>(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// Creates `path` as an empty file that no one else may have created: the
// name is then the clip's until the conversion writes it or gives it up.
bool ReserveFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// A new temporary "Tmp*.wav" name, reserved.
bool ReserveTempWav(std::string& target)
{
    char folder[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return false;
    for (int attempt = 0; attempt < kMaxTempNameTries; ++attempt) {
        char name[MAX_PATH];
        if (GetTempFileNameA(folder, "Tmp", 0, name) == 0)
            return false;
        // The ".tmp" file keeps the number taken until the ".wav" name is.
        std::string wav = name;
        const size_t dot = wav.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            wav.replace(dot + 1, std::string::npos, "wav");
        const bool reserved = ReserveFile(wav);
        DeleteFileA(name);
        if (reserved) {
            target = wav;
            return true;
        }
    }
    return false;
}

// "song_mp3" for "/music/song.mp3": the name, and the extension without
// its dot after an underscore when there is one.
std::string ConvertedBaseName(const std::string& source)
{
    const size_t slash = source.find_last_of('/');
    std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return name;
    const std::string extension = name.substr(dot + 1);
    name.erase(dot);
    return extension.empty() ? name : name + "_" + extension;
}

// The first free name of base.wav, base_01.wav, base_02.wav ... in
// `folder`, reserved. False when the folder takes no new file.
bool ReserveInFolder(const std::string& folderPath, const std::string& base, std::string& target)
{
    if (folderPath.empty())
        return false;
    std::string folder = folderPath;
    // A folder named without its trailing separator is still that folder.
    if (folder.back() != '/')
        folder += '/';
    for (int counter = 0; counter < kMaxNumberedNames; ++counter) {
        std::string candidate = folder + base;
        if (counter > 0) {
            char number[16];
            std::snprintf(number, sizeof number, "_%02d", counter);
            candidate += number;
        }
        candidate += ".wav";
        if (FileExists(candidate.c_str()))
            continue;
        if (ReserveFile(candidate)) {
            target = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

} // namespace

AudioClip::AudioClip(const CString& path)
{
    Reset();
    Probe(path);
}

AudioClip::AudioClip(const AudioClip& other)
{
    Reset();
    m_strSource = other.m_strSource;
    m_Format = other.m_Format;
    m_bValid = other.m_bValid;
    m_nMediaLength = other.m_nMediaLength;
    SetInPoint(other.m_nIn);
    SetOutPoint(other.m_nOut);
    m_nFullLength = other.m_nFullLength;
    m_nStart = other.m_nStart;
    m_nVolume = other.m_nVolume;
    m_bFadeIn = other.m_bFadeIn;
    m_bFadeOut = other.m_bFadeOut;
    m_bRepeat = other.m_bRepeat;
    m_bPanel = other.m_bPanel;
    for (INT i = 0; i < other.m_Points.GetCount(); ++i)
        AddEnvelopePoint(new AudioEnvelopePoint(**other.m_Points.PeekAt(i)));
    m_bCompressed = other.m_bCompressed;
    m_strConverted = other.m_strConverted;
}

AudioClip::~AudioClip()
{
    if (m_hStopEvent != nullptr)
        CloseHandle(m_hStopEvent);
    PtrListDeleteAll(m_Points);
}

INT AudioClip::GetLength() const
{
    return m_nOut - m_nIn;
}

void AudioClip::Reset()
{
    m_strSource.Empty();
    PtrListDeleteAll(m_Points);
    m_nMediaLength = 0;
    m_nIn = 0;
    m_nOut = 0;
    m_nFullLength = 0;
    m_nVolume = kUnityVolume;
    m_bRepeat = 0;
    m_bFadeIn = 0;
    m_bFadeOut = 0;
    m_bPanel = 1;
    m_bValid = 0;
    m_nStart = 0;
    m_strConverted.Empty();
    m_bCompressed = 0;
    m_Format = PCMWAVEFORMAT{};
    if (m_hStopEvent != nullptr)
        CloseHandle(m_hStopEvent);
    m_hStopEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, AUDIO_CONVERSION_STOP_EVENT);
}

void AudioClip::Probe(const CString& path)
{
    CMediaFile file(path);
    INT type = CMediaFile::kTypeNone;
    if (!file.m_bValid || file.DetectType(&type) != CMediaFile::kOk || type != CMediaFile::kTypeAudio)
        return;
    CMediaSource* made = nullptr;
    file.CreateReader(&made);
    std::unique_ptr<CMediaSource> reader(made);
    if (reader != nullptr && reader->IsOpen()) {
        WAVEFORMATEX format{};
        if (const WAVEFORMATEX* native = reader->GetNativeAudioFormat())
            format = *native;
        else
            reader->GetAudioFormat(&format);
        std::memcpy(&m_Format, &format, sizeof m_Format);
        m_nMediaLength = ClampToInt(reader->m_tLength.GetSeconds() * 1000.0);
        SetInPoint(0);
        SetOutPoint(m_nMediaLength);
        m_nFullLength = m_nMediaLength;
        m_strSource = path;
        m_bValid = reader->IsOpen();
    }
    INT mp3 = 0;
    INT mp2 = 0;
    file.IsMp3(&mp3);
    file.IsMp2(&mp2);
    m_bCompressed = mp3 || mp2 ? 1 : 0;
}

const PCMWAVEFORMAT* AudioClip::GetFormat() const
{
    return m_bValid ? &m_Format : nullptr;
}

// A fade-in spans [in, min(in + 1000, out)], a fade-out [max(in, out - 1000),
// out]. The fade-out compares the clip's length without sign, so an out
// point before the in point counts as a long clip; the start that gives is
// kept from falling below 0.
AudioEnvelopePoint AudioClip::FadeSpan(INT kind) const
{
    AudioEnvelopePoint span;
    if (kind == AudioEnvelopePoint::kFadeIn) {
        const LONGLONG end = static_cast<LONGLONG>(m_nIn) + kFadeLength;
        span.Set(m_nIn, end < m_nOut ? static_cast<INT>(end) : m_nOut, kind);
    } else {
        const auto length = static_cast<DWORD>(static_cast<LONGLONG>(m_nOut) - m_nIn);
        const LONGLONG start =
            length <= static_cast<DWORD>(kFadeLength) ? m_nIn : static_cast<LONGLONG>(m_nOut) - kFadeLength;
        span.Set(static_cast<INT>(std::max<LONGLONG>(0, start)), m_nOut, kind);
    }
    return span;
}

// Moves the clip's fade of `kind`, when it has one, to the clip's ends.
void AudioClip::FollowFade(INT kind, INT on)
{
    INT found = 0;
    const INT position = FindEnvelopePoint(kind, &found);
    if (!on || !found)
        return;
    AudioEnvelopePoint* point = *m_Points.GetAt(position);
    const AudioEnvelopePoint span = FadeSpan(kind);
    point->SetStart(span.GetStart());
    point->SetEnd(span.GetEnd());
}

void AudioClip::SetInPoint(INT milliseconds)
{
    m_nIn = milliseconds;
    FollowFade(AudioEnvelopePoint::kFadeIn, m_bFadeIn);
}

void AudioClip::SetOutPoint(INT milliseconds)
{
    m_nOut = milliseconds;
    FollowFade(AudioEnvelopePoint::kFadeOut, m_bFadeOut);
}

CMediaTime AudioClip::GetInTime() const
{
    return CMediaTime(0, 0, 0, m_nIn, CMediaTime::kMilliseconds);
}

CMediaTime AudioClip::GetOutTime() const
{
    return CMediaTime(0, 0, 0, m_nOut, CMediaTime::kMilliseconds);
}

void AudioClip::SetFadeIn(INT on)
{
    RemoveEnvelopePoint(AudioEnvelopePoint::kFadeIn);
    m_bFadeIn = on != 0 ? 1 : 0;
    if (m_bFadeIn)
        InsertEnvelopePoint(new AudioEnvelopePoint(FadeSpan(AudioEnvelopePoint::kFadeIn)), 0);
}

void AudioClip::SetFadeOut(INT on)
{
    RemoveEnvelopePoint(AudioEnvelopePoint::kFadeOut);
    m_bFadeOut = on != 0 ? 1 : 0;
    if (m_bFadeOut)
        AddEnvelopePoint(new AudioEnvelopePoint(FadeSpan(AudioEnvelopePoint::kFadeOut)));
}

void AudioClip::AddEnvelopePoint(AudioEnvelopePoint* point)
{
    if (point != nullptr && m_Points.AddTail(point) == nullptr)
        delete point;
}

BOOL AudioClip::InsertEnvelopePoint(AudioEnvelopePoint* point, INT position)
{
    if (point == nullptr)
        return FALSE;
    if (position < 0 || position > m_Points.GetCount() || m_Points.InsertAt(point, position) == nullptr) {
        delete point;
        return FALSE;
    }
    return TRUE;
}

AudioEnvelopePoint* AudioClip::GetEnvelopePoint(INT position)
{
    AudioEnvelopePoint** cell = m_Points.GetAt(position);
    return cell != nullptr ? *cell : nullptr;
}

INT AudioClip::FindEnvelopePoint(INT kind, INT* found) const
{
    const INT count = m_Points.GetCount();
    for (INT i = 0; i < count; ++i) {
        if ((*m_Points.PeekAt(i))->GetKind() == kind) {
            if (found != nullptr)
                *found = 1;
            return i;
        }
    }
    if (found != nullptr)
        *found = 0;
    return count;
}

void AudioClip::RemoveEnvelopePoint(INT kind)
{
    const INT count = m_Points.GetCount();
    INT index = m_Points.GetCursorIndex();
    for (INT step = 0; step < count; ++step) {
        index = (index + 1) % count;
        AudioEnvelopePoint* point = *m_Points.GetAt(index);
        if (point->GetKind() == kind) {
            m_Points.RemoveAt(-1);
            delete point;
            return;
        }
    }
}

void AudioClip::OffsetStart(double seconds, INT)
{
    m_nStart = ClampToInt(std::trunc(std::max(0.0, m_nStart * 0.001 + seconds) * 1000.0));
}

INT AudioClip::IsSameSettings(const AudioClip& other) const
{
    return m_nIn == other.m_nIn && m_nOut == other.m_nOut && m_nVolume == other.m_nVolume
               && m_nStart == other.m_nStart && m_bFadeIn == other.m_bFadeIn && m_bFadeOut == other.m_bFadeOut
               && m_bRepeat == other.m_bRepeat && m_bPanel == other.m_bPanel
           ? 1
           : 0;
}

BOOL AudioClip::NeedsConversion() const
{
    return m_strConverted.IsEmpty() && m_bCompressed;
}

BOOL AudioClip::ConvertToTempWav()
{
    if (!NeedsConversion())
        return TRUE;
    std::string target;
    if (!ReserveTempWav(target))
        return FALSE;
    return ConvertInto(target.c_str());
}

BOOL AudioClip::ConvertIntoFolder(const CString& folder)
{
    if (!NeedsConversion())
        return TRUE;
    std::string target;
    if (!ReserveInFolder(static_cast<LPCSTR>(folder), ConvertedBaseName(static_cast<LPCSTR>(m_strSource)), target)
        && !ReserveTempWav(target))
        return FALSE;
    return ConvertInto(target.c_str());
}

BOOL AudioClip::ConvertInto(const CString& target)
{
    CString source = m_strSource;
    CString written = target;
    if (AMExtractWaveFile(source, written, 0, static_cast<LONGLONG>(m_nFullLength) * kUnitsPerMillisecond)) {
        m_strConverted = target;
        return TRUE;
    }
    DeleteFileA(target);
    return FALSE;
}

void AudioClip::DeleteConverted()
{
    if (m_strConverted.IsEmpty() || !m_bCompressed)
        return;
    DeleteFileA(m_strConverted);
    m_strConverted.Empty();
}
