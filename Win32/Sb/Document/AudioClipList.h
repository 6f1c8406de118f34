#pragma once
// AudioClipList: the ordered clips of one audio track, which the list owns.
// The program keeps one clip per track (the file form stores one), but the
// operations hold for any number. Positions count from 0; GetAt also takes
// the count itself for the last clip, so that callers that number clips
// from 1 reach every clip.
//
// Each track writes its clip into the scene's section under entry names of
// its own (tracks 0 and 1 have names of their own, tracks 2 to 5 share
// names with the suffix "_2" ... "_5").

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/AudioClip.h"
#include "Win32/Utils/KLPtrList.h"

class CProfile;

class AudioClipList {
public:
    static constexpr INT kTrackCount = 6;

    AudioClipList() = default;
    // Copies every clip.
    AudioClipList(const AudioClipList& other);
    // Reads the clip of `track` (0..5) from `section`; `documentPath` is the
    // folder of the document. The list stays empty without a clip, for a
    // file that cannot be found or used, and for other track numbers.
    AudioClipList(const CString& documentPath, const CProfile* profile, LPCSTR section, INT track);
    AudioClipList& operator=(const AudioClipList&) = delete;
    virtual ~AudioClipList();

    void RemoveAll();
    // A clip of the file appended, or null (nothing appended) when the file
    // gives no valid clip; `*length` receives its length and `*position`
    // its position when given.
    AudioClip* AddFile(const CString& path, INT* length, INT* position);
    AudioClip* AddCopy(const AudioClip& clip, INT* length, INT* position);
    INT GetTotalLength() const;
    INT GetCount() const { return m_Clips.GetCount(); }
    // The clip at `position`; the count gives the last clip; null for an
    // empty list, -1 and positions past the count.
    AudioClip* GetAt(INT position);
    // The clip's new fade flag; 0 for an empty list or a position that is
    // not one of the list.
    INT SetFadeIn(INT position, INT on);
    INT SetFadeOut(INT position, INT on);
    // Writes the entries of each clip in order (so the section keeps the
    // last); nothing for an empty list or a track outside 0..5.
    void Save(const CString& documentPath, CProfile* profile, LPCSTR section, INT track) const;

private:
    AudioClip* Append(AudioClip* clip, INT* length, INT* position);
    INT SetFade(INT position, INT on, void (AudioClip::*set)(INT), INT (AudioClip::*get)() const);

    KLPtrList<AudioClip*> m_Clips;
};
