#pragma once
// AviWriter: the writer of AVI files through AVIFile: one video stream,
// uncompressed ('DIB ') or through an installed compressor, and one PCM
// audio stream beside it. Frames become bitmaps of the output depth; the
// depth the compressor takes is found by asking for 24, then 16, then 8
// bits. Video may be held back behind preloaded audio (up to 30 frames);
// audio is gathered and written in chunks whose rhythm depends on the
// interleave setting and, for Motion-JPEG, on the frame rate.

#include <memory>
#include <vector>

#include "Platform/Vfw/Vfw.h"
#include "Win32/Produce/MediaWriter.h"

class CSharedPalette;
class CIplImage;
class CWaveBuffer;

// The video stream header, frame header and compression options of a new
// AVI writer: 24-bit 320 x 240 frames, 'DIB ', 66,667 microseconds a frame.
// The DV writer starts from the same records.
void SetDefaultAviVideoRecords(AVISTREAMINFO& info, BITMAPINFOHEADER& header, AVICOMPRESSOPTIONS& options);

class AviWriter : public MediaWriter {
public:
    AviWriter();
    ~AviWriter() override;

    int Write(MediaFrame& frame, int smart) override;
    int Close(int finish) override;
    int SetAudioFormat(PCMWAVEFORMAT format) override;

    // 2 while the file is open.
    int SetOutputName(LPCSTR name);
    // 7 for a width that is not a multiple of 4.
    int SetFrameSize(int width, int height);
    int SetFrameTime(DWORD microseconds);
    void SetCompressOptions(const AVICOMPRESSOPTIONS& options);
    int SetBitDepth(int bits);
    void SetCompressorHandler(FOURCC handler) { m_videoInfo.fccHandler = handler; }
    // 0 the producer's format, 1 no audio, 2..13 a fixed PCM format.
    void SetAudioIndex(int code);
    // Audio written every `every` frames; video held back behind the audio
    // by `preload` (a fraction of a second) worth of frames.
    void SetInterleave(int every, double preload);

    PAVIFILE m_pFile = nullptr;
    PAVISTREAM m_pVideo = nullptr;
    AVISTREAMINFO m_videoInfo{};
    std::unique_ptr<CSharedPalette> m_pPalette;
    BITMAPINFOHEADER* m_pDib = nullptr;
    BITMAPINFOHEADER m_bih{};
    AVICOMPRESSOPTIONS m_videoOptions{};
    std::vector<BYTE> m_pCompressedFormat;
    PAVISTREAM m_pAudio = nullptr;
    AVISTREAMINFO m_audioInfo{};
    AVICOMPRESSOPTIONS m_audioOptions{};
    std::vector<BYTE> m_pAudioAccum;

private:
    int OpenFile(MediaFrame& frame);
    int CreateVideoStream();
    bool QueryCompressedFormat(std::vector<BYTE>& input);
    int CreateAudioStream();
    int WriteVideo(const CIplImage* image);
    int WriteVideoFrame(const BYTE* bits, LONG frameNumber);
    int WriteAudio(const CWaveBuffer* block);
    bool AudioDue(bool pending) const;
    // Writes the frames still held behind the audio, in order.
    int FlushHeldFrames();
    std::vector<BYTE> FormatCopy() const;
    bool IsMotionJpeg() const;
    DWORD ImageSize() const;
    void Log(LPCSTR text, int above) const;

    // The next video frame number the file gets while frames are held.
    LONG m_nNextVideoFrame = 0;
    DWORD m_nHeldDelay = 0;
    size_t m_nAccumCapacity = 0;
    std::vector<BYTE> m_overflow;
};
