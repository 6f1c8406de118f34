#pragma once
// CWaveBuffer: one block of PCM audio that carries its own format. The
// block is an 18-byte WAVEFORMATEX (the 16 PCM format bytes and a cbSize of
// 0) followed directly by the interleaved samples: unsigned 8-bit (silence
// 0x80) or signed 16-bit little-endian (silence 0). The readers fill one per
// frame, the scenes fade them, the mixer mixes them and the writers take the
// samples out.
//
// It lives with the media sources rather than with production because the
// sources make and hand out these blocks and the production library builds
// on the sources.
//
// Threads: a block belongs to the UI thread, which makes, mixes and frees
// it under no lock; the one other thread that reads a block is a writer
// graph's streaming thread, which copies a pushed block's samples under its
// push source's lock while the pushing thread waits in DeliverData.

#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"

class CMediaTime;

class CWaveBuffer {
public:
    static constexpr DWORD kHeaderSize = sizeof(WAVEFORMATEX);

    // Silence of `duration`, in microseconds when `microseconds` is set,
    // else in milliseconds, sized by InitForDuration.
    CWaveBuffer(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, DWORD duration, BOOL microseconds);
    // Init with the first 16 bytes of `format`; silence when `samples` is
    // null.
    CWaveBuffer(const WAVEFORMATEX* format, const BYTE* samples, DWORD length);
    // Silence as long as `span` in `format` (its 16 bytes copied
    // unchanged), rounded up to whole sample frames and then to an even
    // byte count. This is the one-frame block of the scenes, the mixer, the
    // producer and the writers.
    CWaveBuffer(const CMediaTime& span, const WAVEFORMATEX* format);
    virtual ~CWaveBuffer();

    CWaveBuffer(const CWaveBuffer&) = delete;
    CWaveBuffer& operator=(const CWaveBuffer&) = delete;

    // Replaces the block. An allocation failure leaves no block and
    // m_bValid 0.
    void Init(const WAVEFORMATEX* format, const BYTE* samples, DWORD length);
    // Silence of `microseconds`, rounded up to whole sample frames.
    void InitForDuration(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, DWORD microseconds);

    // Multiplies every sample of the capacity by position / total (fadeIn
    // set) or (total - position) / total; 8-bit samples about 128. The
    // scenes apply a level with (level, 1, 1024). Returns 1.
    INT ScaleLevel(INT position, INT fadeIn, INT total);
    // This = (this * weightThis + other * weightOther) / (weightThis +
    // weightOther) over the shorter length (the sum 0 divides by 1024).
    // Both headers must equal `format`; otherwise nothing changes and *ok
    // is 0.
    void Mix(const CWaveBuffer* other, INT weightThis, INT weightOther, const WAVEFORMATEX* format, INT* ok);
    // The plain mean of this buffer and `count` others (at most five take
    // part) of the same format and frame count.
    void MixAverage(CWaveBuffer* const* others, INT count, const WAVEFORMATEX* format, INT* ok);

    const WAVEFORMATEX* GetFormat() const { return reinterpret_cast<const WAVEFORMATEX*>(m_pBlock); }

    INT m_bValid = 0;
    DWORD m_nLength = 0;
    DWORD m_nBlockSize = 0;
    DWORD m_nCapacity = 0;
    BYTE* m_pBlock = nullptr;
    BYTE* m_pData = nullptr;

private:
    void FreeBlock();
};

// The smallest PCM format that carries both: the larger sample width and
// channel count, the larger rate raised to 11025, 22050 or 44100. `out` may
// be `b` but not `a`; its cbSize is left alone.
void MergeWaveFormats(const WAVEFORMATEX* a, const WAVEFORMATEX* b, WAVEFORMATEX* out);
