#pragma once
// One frame as a media source hands it on. The frame-source work completes
// this record (its destructor then deletes the audio block and frees the
// image); until then it only carries the fields, so that storyboard items can
// own a thumbnail frame.

#include "Platform/Win/WinTypes.h"

class CWaveBuffer;
class CIplImage;
struct IMediaSample;

struct MediaFrame {
    CWaveBuffer* m_pAudio = nullptr;
    CIplImage* m_pImage = nullptr;
    IMediaSample* m_pSample = nullptr;
    INT m_bFieldBased = 0;
    INT m_bSample = 0;
};
