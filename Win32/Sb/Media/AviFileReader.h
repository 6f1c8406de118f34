#pragma once
// CAviFileReader: the audio of a WAV file (or any file AVIFile opens) as a
// media source. Each GetAudio hands out one output frame's worth in the
// caller's format, after the start delay has passed in silent blocks;
// conversion is the audio stream source's (klAudStreamSrc). A stream whose
// format has no PCM form leaves the reader closed with Close() answering
// 259.

#include <vector>

#include "Platform/Vfw/Vfw.h"
#include "Win32/Sb/Media/MediaSource.h"

class klAudStreamSrc;

class CAviFileReader : public CMediaSource {
public:
    static constexpr INT kNoPcmForm = 259;

    enum OpenError {
        kOpenOk = 0,
        kNoFileInfo = 1,
        kNoAudioStream = 2,
        kNoFormat = 3,
        kNoLength = 4,
        kNotOpened = 5,
    };

    // `startOffset` in microseconds: where in the file the audio starts.
    CAviFileReader(LPCSTR path, INT open, INT startOffset, INT unused);
    ~CAviFileReader() override;

    void SetInOut(CMediaTime out, CMediaTime in) override;
    CMediaTime Seek(CMediaTime time) override;
    CMediaTime SetFrameTime(CMediaTime frameTime) override;
    MediaFrame* GetAudio(INT* failed, WAVEFORMATEX* format, INT want) override;
    MediaFrame* GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio) override;
    INT IsOpen() override;
    INT HasVideo() override;
    INT HasAudio() override;
    INT GetAudioFormat(WAVEFORMATEX* format) override;
    WAVEFORMATEX* GetNativeAudioFormat() override;
    SHORT Close() override;
    void InitFromAudioClip(AudioClip* clip) override;
    INT FadeInStarts() override;
    INT FadeOutStarts(float* seconds) override;

    INT m_bOpen = 0;
    INT m_bHasAudio = 0;
    PAVIFILE m_pFile = nullptr;
    AVIFILEINFO m_FileInfo{};
    PAVISTREAM m_pStream = nullptr;
    AVISTREAMINFO m_StreamInfo{};
    PCMWAVEFORMAT m_Format{};
    WAVEFORMATEX m_NativeFormat{};
    INT m_nBytesPerSecond = 0;
    INT m_nSampleRate = 0;
    INT m_nSampleBytes = 0;
    INT m_nStartSample = 0;
    INT m_nEndSample = 0;
    INT m_nInSample = 0;
    INT m_nOutSample = 0;
    INT m_nCurSample = 0;
    INT m_nStartUs = 0;
    INT m_nLengthUs = 0;
    INT m_nFrameBytes = 0;
    INT m_nFrameSamples = 0;
    INT m_nError = 0;
    INT m_nOpenError = kOpenOk;
    INT m_nUnitsPerSecond = 1000000;
    std::vector<BYTE> m_pFormatBlock;
    WAVEFORMATEX m_PcmSuggestion{};
    klAudStreamSrc* m_pSource = nullptr;
    INT m_bFadeInDue = 0;
    INT m_bFadeOutDue = 0;

private:
    void ReleaseFile();
    // The stream sample at `time`, within the stream's samples.
    INT SampleAt(const CMediaTime& time) const;
};
