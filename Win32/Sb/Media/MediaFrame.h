#pragma once
// One output frame as a media source hands it on: the audio block and the
// image of the frame, or a compressed sample passed through unchanged. The
// receiver owns the record; deleting it deletes the audio block and the
// image. A carried sample is the consumer's to release.

#include "Platform/Win/Base/WinTypes.h"

class CWaveBuffer;
class CIplImage;
struct IMediaSample;

struct MediaFrame {
    MediaFrame() = default;
    ~MediaFrame();
    MediaFrame(const MediaFrame&) = delete;
    MediaFrame& operator=(const MediaFrame&) = delete;

    CWaveBuffer* m_pAudio = nullptr;
    CIplImage* m_pImage = nullptr;
    // Meaningful only while m_bSample is set.
    IMediaSample* m_pSample = nullptr;
    INT m_bFieldBased = 0;
    // The frame carries m_pSample instead of an image; no effects are drawn
    // on it.
    INT m_bSample = 0;
};
