#pragma once
// AudioClip: a stretch of an audio file placed on a scene: in and out
// points into the file, a start offset on the scene and a volume (all times
// in whole milliseconds, 1024 = unity), with a fade-in and a fade-out held
// as envelope points. A fade lasts 1000 ms, shortened to the clip: the
// fade-in spans [in, min(in + 1000, out)], the fade-out
// [max(in, out - 1000), out]; both follow the in and out points.
//
// A clip is made from a file, which it probes for its sound; a file that is
// missing, not audio, or that no reader opens gives a clip that is not
// valid. A compressed clip (an MP3 or MP2 file) can be converted into a PCM
// WAV file by the audio extractor; the clip then remembers the converted
// file, which outlives the clip until DeleteConverted runs.
//
// Every clip holds an open handle to the process-wide event that stops
// conversions, from construction to destruction. A clip is used by one
// thread at a time (the media library converts on a clip of its own).

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/AudioEnvelopePoint.h"
#include "Win32/Utils/KLPtrList.h"
#include "Win32/Utils/MediaTime.h"

class AudioClip {
public:
    static constexpr INT kUnityVolume = 1024;
    static constexpr INT kFadeLength = 1000;

    // Probes the file.
    explicit AudioClip(const CString& path);
    // Copies every setting, the envelope points, the compressed flag and the
    // converted path; opens its own stop-event handle.
    AudioClip(const AudioClip& other);
    AudioClip& operator=(const AudioClip&) = delete;
    virtual ~AudioClip();

    // Out point - in point.
    virtual INT GetLength() const;

    // Back to an empty clip that is not valid, with a fresh stop-event handle.
    void Reset();

    INT IsValid() const { return m_bValid; }
    // The 16-byte PCM format of the file's sound for a valid clip, else null.
    const PCMWAVEFORMAT* GetFormat() const;
    const CString& GetSourcePath() const { return m_strSource; }
    void SetSourcePath(const CString& path) { m_strSource = path; }
    // The converted WAV file; empty when there is none.
    CString GetConvertedPath() const { return m_strConverted; }
    INT GetMediaLength() const { return m_nMediaLength; }
    INT GetFullLength() const { return m_nFullLength; }
    INT IsCompressed() const { return m_bCompressed; }
    void SetCompressed(INT compressed) { m_bCompressed = compressed; }

    // The fade points follow.
    void SetInPoint(INT milliseconds);
    void SetOutPoint(INT milliseconds);
    INT GetInPoint() const { return m_nIn; }
    INT GetOutPoint() const { return m_nOut; }
    CMediaTime GetInTime() const;
    CMediaTime GetOutTime() const;
    // Replace the clip's fade of that kind: the fade-in point goes first,
    // the fade-out point last.
    void SetFadeIn(INT on);
    void SetFadeOut(INT on);
    INT GetFadeIn() const { return m_bFadeIn; }
    INT GetFadeOut() const { return m_bFadeOut; }
    // The two fade flags alone, for a reader that restores the fade points
    // itself.
    void SetFadeFlags(INT fadeIn, INT fadeOut)
    {
        m_bFadeIn = fadeIn != 0 ? 1 : 0;
        m_bFadeOut = fadeOut != 0 ? 1 : 0;
    }
    INT GetStartOffset() const { return m_nStart; }
    void SetStartOffset(INT milliseconds) { m_nStart = milliseconds; }
    INT GetVolume() const { return m_nVolume; }
    void SetVolume(INT volume) { m_nVolume = volume; }
    INT GetRepeat() const { return m_bRepeat; }
    void SetRepeat(INT repeat) { m_bRepeat = repeat; }
    // The audio panel's second switch.
    INT GetPanelFlag() const { return m_bPanel; }
    void SetPanelFlag(INT flag) { m_bPanel = flag; }

    // The clip takes the point over.
    void AddEnvelopePoint(AudioEnvelopePoint* point);
    // Before `position` (0: the new head; the count: the tail). A position
    // outside 0..count deletes the point and returns FALSE.
    BOOL InsertEnvelopePoint(AudioEnvelopePoint* point, INT position);
    // Null when the position is not one of the list.
    AudioEnvelopePoint* GetEnvelopePoint(INT position);
    INT GetEnvelopePointCount() const { return m_Points.GetCount(); }
    // The position of the first point of `kind` from the head, with
    // `*found` 1; the count with `*found` 0 when there is none.
    INT FindEnvelopePoint(INT kind, INT* found) const;
    // Deletes one point of `kind`, the first met walking on from the cursor.
    void RemoveEnvelopePoint(INT kind);

    // Moves the start offset by `seconds`, not below 0.
    void OffsetStart(double seconds, INT flag);
    // In, out, volume, start offset, fades, repeat and panel flags equal;
    // the files are not compared.
    INT IsSameSettings(const AudioClip& other) const;

    // Convert a compressed clip that has no converted file yet, into a new
    // temporary WAV file or into a WAV file in `folder` named after the
    // source (song.mp3 becomes song_mp3.wav, then song_mp3_01.wav ...; a
    // folder that cannot be written falls back to the temporary folder).
    // An existing file is never overwritten. The converted path is set only
    // once the WAV file is complete. FALSE when the conversion failed or was
    // stopped; TRUE also when there was nothing to convert.
    BOOL ConvertToTempWav();
    BOOL ConvertIntoFolder(const CString& folder);
    // Deletes the converted file of a compressed clip and forgets it.
    void DeleteConverted();

private:
    void Probe(const CString& path);
    // A new fade point of `kind` (fade-in or fade-out) for the clip's ends.
    AudioEnvelopePoint FadeSpan(INT kind) const;
    void FollowFade(INT kind, INT on);
    BOOL NeedsConversion() const;
    // Runs the extractor into `target`, which the clip reserved; a target
    // that did not become a WAV file is deleted again.
    BOOL ConvertInto(const CString& target);

    INT m_nMediaLength = 0;
    INT m_bValid = 0;
    CString m_strSource;
    CString m_strConverted;
    PCMWAVEFORMAT m_Format{};
    INT m_nFullLength = 0;
    INT m_nStart = 0;
    INT m_nIn = 0;
    INT m_nOut = 0;
    INT m_nVolume = kUnityVolume;
    INT m_bFadeIn = 0;
    INT m_bFadeOut = 0;
    INT m_bRepeat = 0;
    INT m_bPanel = 1;
    INT m_bCompressed = 0;
    HANDLE m_hStopEvent = nullptr;
    KLPtrList<AudioEnvelopePoint*> m_Points;
};
