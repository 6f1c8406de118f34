#pragma once
// VideoMaterial: a video (or other time-based) file, with the PCM format of
// its sound and the media subtype of its video stream as the reader gives
// them. Its viewer plays the clip between the in and out points.

#include <memory>

#include "Platform/Win/Base/Guid.h"
#include "Win32/Sb/Document/TimedMaterial.h"

class VideoMaterial : public TimedMaterial {
public:
    // With `toEnd` set the scene runs from the in point to the end of the
    // media.
    VideoMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint, const CMediaTime& duration,
                  INT toEnd);
    VideoMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section);

    Material* Clone() const override;
    const PCMWAVEFORMAT* GetAudioFormat() const override;
    INT HasAudioFormat() const override;
    // A viewer that cannot play the clip is not kept.
    RDXViewer* CreateViewer(RDXControl* owner, DWORD destination, INT extra) override;
    void ReadFormat(CMediaSource* reader) override;

    // Copies the video subtype to `subtype` and returns what the reader
    // answered when asked for it (0: not known).
    virtual INT GetVideoSubtype(GUID* subtype) const;

protected:
    // For subclasses, which read the format once they are made themselves.
    VideoMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint, const CMediaTime& duration,
                  INT toEnd, bool readFormat);

    // The subtype and the sound's format from `reader`.
    void ReadStreamFormat(CMediaSource* reader);

    std::unique_ptr<PCMWAVEFORMAT> m_pAudioFormat;
    INT m_nSubtypeResult = 0;
    GUID m_VideoSubtype{};
};
