#pragma once
// klAudStreamSrc: one audio stream of an AVIFile read block by block in the
// caller's PCM format: a plain copy when the formats are equal, the audio
// engine's resampler when the stream is PCM of another rate, width or
// channel count, or two conversions of the audio compression manager
// (stream format to PCM, PCM to the target) for a compressed stream.
// Blocks it cannot fill stay silent.

#include <vector>

#include "Platform/Vfw/Vfw.h"
#include "Win32/Sb/Audio/AudioProcessor.h"

class CWaveBuffer;

class klAudStreamSrc {
public:
    // `samplesPerBlock` frames of `target` make one block.
    klAudStreamSrc(PAVISTREAM stream, const WAVEFORMATEX* target, INT samplesPerBlock);
    ~klAudStreamSrc();

    klAudStreamSrc(const klAudStreamSrc&) = delete;
    klAudStreamSrc& operator=(const klAudStreamSrc&) = delete;

    INT IsValid() const { return m_bValid; }
    // The next stream sample to read, and where the resampler goes back to
    // when the stream ends (the reader's in point).
    void SetReadPosition(LONG sample) { m_nReadPosition = sample; }
    void SetRewindPosition(LONG sample) { m_nRewindPosition = sample; }
    LONG GetReadPosition() const { return m_nReadPosition; }
    // Fills `block` (of the target format) with the next block.
    void Read(CWaveBuffer* block);

private:
    void ReadCopy(CWaveBuffer* block);
    void ReadResampled(CWaveBuffer* block);
    void ReadConverted(CWaveBuffer* block);
    bool OpenConversion();
    void CloseConversion();
    bool Refill();
    LONG StreamEnd() const;

    INT m_bValid = 0;
    std::vector<BYTE> m_FirstBuffer;
    std::vector<BYTE> m_SecondBuffer;
    std::size_t m_nReadAt = 0;
    std::size_t m_nEndAt = 0;
    std::vector<BYTE> m_StreamFormat;
    WAVEFORMATEX m_PcmFormat{};
    WAVEFORMATEX m_TargetFormat{};
    LONG m_nReadPosition = 0;
    LONG m_nRewindPosition = 0;
    PAVISTREAM m_pStream = nullptr;
    INT m_nSamplesPerBlock = 0;
    INT m_nBytesPerBlock = 0;
    HACMSTREAM m_hToPcm = nullptr;
    HACMSTREAM m_hToTarget = nullptr;
    INT m_bConversionOpen = 0;
    INT m_bCopy = 0;
    INT m_bUseAcm = 0;
    INT m_bResample = 0;
    INT m_bStreamEnded = 0;
    std::vector<BYTE> m_ReadBuffer;
    std::size_t m_nPendingAt = 0;
    std::size_t m_nPendingBytes = 0;
    CAudioProcessor m_Processor;
};
