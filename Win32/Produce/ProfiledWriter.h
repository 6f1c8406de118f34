#pragma once
// ProfiledWriter: what the Windows Media and RealVideo writers share. Both
// take their picture size and frame time from the profile record chosen in
// the produce wizard (words 4, 5 and 6), which the producer reads back and
// renders, and both take sound as stereo 44.1 kHz 16-bit PCM only.

#include <memory>

#include "Platform/Vfw/AviFile.h"
#include "Win32/Produce/MediaWriter.h"

class CIplImage;

class ProfiledWriter : public MediaWriter {
public:
    // 7 for a size not above 0.
    int SetFrameSize(int width, int height);
    // Kept with the other settings; the profile decides how the pictures
    // are compressed, so nothing reads them.
    void SetCompressOptions(const AVICOMPRESSOPTIONS& options) { m_videoOptions = options; }
    // The code is not used: the format becomes stereo 44.1 kHz 16-bit PCM,
    // locked and marked set, with sound on.
    void SetAudioIndex(int code);
    // Ignored (the format is locked); marks the format set.
    int SetAudioFormat(PCMWAVEFORMAT format) override;
    int HandleNotify(long lParam) override;

    AVICOMPRESSOPTIONS m_videoOptions{};

protected:
    // Size (words 4, 5) and frame time (word 6, when above 0) of a profile
    // record; the sound format as SetAudioIndex gives it.
    void TakeProfileFrame(const INT32* record);
};

// `image` when it is `width` x `height`, else a scaled copy held in
// `scaled`; null when the copy cannot be made.
const CIplImage* ImageOfSize(const CIplImage* image, int width, int height, std::unique_ptr<CIplImage>& scaled);
