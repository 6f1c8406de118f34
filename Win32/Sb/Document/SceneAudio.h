#pragma once
// SceneAudio: the audio settings of one scene: volume (1024 = unity),
// fades and on/off switch of the scene's own sound, six audio tracks of
// clips, which it owns (a track is either null or a list holding at least
// one clip), and six track flags that it keeps without reading them. It
// offers the scene services over all tracks and writes its entries, and
// lets each track write its clip, into the scene's section.

#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

class AudioClipList;
class CProfile;

class SceneAudio {
public:
    static constexpr INT kTrackCount = 6;
    static constexpr INT kUnityVolume = 1024;

    // Entry names (untranslated strings).
    static constexpr UINT kKeyFadeIn = 1128;
    static constexpr UINT kKeyFadeOut = 1129;
    static constexpr UINT kKeyHasTracks = 1130;
    static constexpr UINT kKeySoundOff = 1131;
    static constexpr UINT kKeyVolume = 1132;
    // + "_0" ... "_5".
    static constexpr UINT kKeyTrackFlag = 1151;

    SceneAudio();
    // Copies the settings, the flags and every track list.
    SceneAudio(const SceneAudio& other);
    SceneAudio& operator=(const SceneAudio& other);
    ~SceneAudio();

    // Back to the defaults, deleting every track list.
    void Reset();
    // Whether the settings and every track's first clip settings match; the
    // files and the track flags are not compared.
    INT Equals(const SceneAudio& other) const;
    // Whether anything differs from a default scene audio.
    INT HasCustomAudio() const;
    INT GetTrackCount() const;
    INT HasTrack(INT track) const;
    // The list of track 0..5 (null when empty), or null.
    AudioClipList* GetTrack(INT track) const;
    // Track 0..5 becomes a copy of `list`, or empty for a null or empty
    // list; the caller keeps its list.
    void SetTrack(INT track, const AudioClipList* list);

    void Save(const CString& documentPath, CProfile* profile, LPCSTR section) const;
    // Reads the settings and the tracks, replacing every track held before.
    void Load(const CString& documentPath, const CProfile* profile, LPCSTR section);

    // Every clip whose file is `oldPath` (in any letter case) takes
    // `newPath`; 1 when one did.
    INT RelinkMediaPath(const CString& oldPath, const CString& newPath);
    // Appends the file of every clip; 1 when one was added.
    INT CollectPaths(CStringList* list) const;
    // Raises `*value` to the largest average bytes per second of the
    // tracks' last clips; 1 when a track had one.
    INT GetMaxByteRate(DWORD* value) const;
    // Moves the start of each track's last clip by `seconds`.
    void OffsetStarts(double seconds, INT flag);
    // 0 when the file of any clip is missing.
    INT AllFilesExist() const;
    // Each track's last clip deletes its converted file.
    void DeleteConvertedFiles();

    INT GetVolume() const { return m_nVolume; }
    void SetVolume(INT volume) { m_nVolume = volume; }
    INT GetFadeIn() const { return m_bFadeIn; }
    void SetFadeIn(INT on) { m_bFadeIn = on; }
    INT GetFadeOut() const { return m_bFadeOut; }
    void SetFadeOut(INT on) { m_bFadeOut = on; }
    INT GetSoundOn() const { return m_bSoundOn; }
    void SetSoundOn(INT on) { m_bSoundOn = on; }
    INT GetTrackFlag(INT track) const;
    void SetTrackFlag(INT track, INT flag);

private:
    void CopyFrom(const SceneAudio& other);
    void DeleteTracks();

    INT m_nVolume = kUnityVolume;
    INT m_bFadeIn = 0;
    INT m_bFadeOut = 0;
    INT m_bSoundOn = 1;
    AudioClipList* m_pTracks[kTrackCount] = {};
    INT m_nTrackFlags[kTrackCount] = {};
};
