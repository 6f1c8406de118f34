#pragma once
// CMediaSource: the one interface every media file is read through. A
// source is positioned on a time inside an in/out range; each GetFrame
// hands back one MediaFrame (image and audio of one output frame) and steps
// on by one output frame. Times are CMediaTime values in microseconds
// unless said otherwise. The picture readers derive from CFrameReader; the
// AVIFile audio reader and the generated source derive from this class
// directly.
//
// Grab times: a reader that pulls frames from a running graph (the
// DirectShow grab reader and the grab sinks behind it) asks for every video
// frame and every audio block by its absolute media time in 100 ns units:
// the time of the source from its start, the in point not subtracted, the
// same for video and audio whatever the in point and the output frame rate.
// The grab sinks report each sample at its stream time plus the segment
// start the graph was last positioned at, which is that same media time.
// Video frame: the position (m_tPosition) x 10. Audio block n (as the
// frame reader numbers the blocks from the position): n x the output frame
// time x 10; GetAudio asks for the position x 10.
//
// Threads: a source is made, called and deleted on the UI thread (by the
// scenes that read through it and by the producer, which runs there), under
// no lock; the streaming threads of a reader's graph never call it, they
// only fill the graph's grab sinks, which the reader empties under the
// sinks' own locks.

#include <vector>

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/Guid.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Utils/GfxTypes.h"
#include "Win32/Utils/MediaTime.h"

struct MediaFrame;
class AudioClip;

// One range of DV frames that a DV production copies unchanged: the
// storyboard slot of its scene and its start and end in that scene's media
// time.
struct CSmartRange {
    INT m_nSlot = 0;
    CMediaTime m_tStart;
    CMediaTime m_tEnd;
};
using CSmartRangeList = std::vector<CSmartRange>;

class CMediaSource {
public:
    CMediaSource();
    virtual ~CMediaSource();

    CMediaSource(const CMediaSource&) = delete;
    CMediaSource& operator=(const CMediaSource&) = delete;

    virtual void SetStretch(INT stretch);
    // When out > in: the range becomes [in, out); otherwise nothing changes.
    virtual void SetInOut(CMediaTime out, CMediaTime in);
    // Seeks and makes the new position the start; returns it.
    virtual CMediaTime SetStartPosition(CMediaTime time);
    virtual CMediaTime Seek(CMediaTime time);
    virtual CMediaTime SetFrameTime(CMediaTime frameTime);
    virtual CGfxSize SetOutputSize(CGfxSize size);
    virtual void SetFailed(INT failed);
    virtual MediaFrame* GetAudio(INT* failed, WAVEFORMATEX* format, INT want);
    // A new frame owned by the caller, or null; *failed is set when building
    // the frame failed.
    virtual MediaFrame* GetFrame(INT* failed, INT wantVideo, INT wantAudio, WAVEFORMATEX* format);
    virtual MediaFrame* GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio);
    // Seconds from the in point to the position.
    virtual double GetRelativePosition();
    virtual INT IsAtEnd();
    virtual CMediaTime SeekToStart();
    virtual CMediaTime GetInPoint();
    virtual CMediaTime Rewind();
    virtual INT IsOpen();
    virtual INT HasVideo();
    virtual INT HasAudio();
    virtual INT HasEvents();
    virtual INT HasImageMaps();
    virtual INT HasProperties();
    virtual LPCSTR GetProperties();
    virtual LPCSTR GetAuthor();
    virtual LPCSTR GetTitle();
    virtual LPCSTR GetRights();
    virtual INT GetAudioFormat(WAVEFORMATEX* format);
    virtual WAVEFORMATEX* GetNativeAudioFormat();
    virtual BITMAPINFOHEADER* GetVideoHeader();
    virtual INT GetVideoSubtype(GUID* subtype);
    virtual SHORT Close();
    virtual void InitFromAudioClip(AudioClip* clip);
    virtual INT GetLoop();
    virtual void SetLoop(INT loop);
    virtual void SetFadeIn(INT fadeIn);
    virtual INT GetFadeIn();
    virtual void SetFadeOut(INT fadeOut);
    virtual INT GetFadeOut();
    virtual void SetMute(INT mute);
    virtual INT GetMute();
    virtual void SetVolume(INT volume);
    virtual INT GetVolume();
    virtual INT FadeInStarts();
    virtual INT FadeOutStarts(float* seconds);
    virtual void SetEffects(const EffectList* effects);
    virtual HRESULT SeekGraph(CMediaTime time);

    CMediaTime GetFrameTime() const { return m_tFrame; }
    // The silence before the audio starts, counting down from `delay`.
    void SetStartTime(const CMediaTime& delay);
    void GetFrameSize(INT* width, INT* height) const;
    double GetFrameRate() const { return m_dFrameRate; }
    void SetSmartRanges(const CSmartRangeList& ranges) { m_SmartRanges = ranges; }

    INT m_bAtEnd = 0;
    INT m_bFadeIn = 0;
    INT m_bFadeOut = 0;
    INT m_bMute = 0;
    INT m_nVolume = 1024;
    CMediaTime m_tLength;
    CMediaTime m_tDelay;
    CMediaTime m_tDelayTotal;
    CMediaTime m_tSourceFrame;
    // 16-bit values.
    INT m_nSourceWidth = 0;
    INT m_nSourceHeight = 0;
    double m_dFrameRate = 0.0;
    // In media time: the in point is not subtracted.
    CMediaTime m_tPosition;
    CMediaTime m_tFrame;
    INT m_nOutWidth = 0;
    INT m_nOutHeight = 0;
    CMediaTime m_tStart;
    // Sticky: every GetFrame comes back empty until SetFailed(0).
    INT m_bFailed = 0;
    CMediaTime m_tIn;
    // Pictures are made as if the half-width output flag were clear.
    INT m_bIgnoreHalfWidth = 0;
    // Taller than 288 lines and taller than wide (320 x 480, say).
    INT m_bFieldBased = 0;
    INT m_bLoop = 0;
    // 1: scale to the output size; 0: fit, keeping the aspect ratio.
    INT m_bStretch = 1;
    EffectList m_Effects;
    CSmartRangeList m_SmartRanges;
    // Clip texts; null except in the RealMedia reader, which owns them.
    LPSTR m_pszProperties = nullptr;
    LPSTR m_pszAuthor = nullptr;
    LPSTR m_pszTitle = nullptr;
    LPSTR m_pszRights = nullptr;
};
