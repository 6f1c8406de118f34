#include "Win32/Sb/Media/WaveBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "Platform/Win/Kernel/Crt.h"
#include "Win32/Utils/MediaTime.h"

namespace {

// The 16 bytes of a PCM format (everything but cbSize).
constexpr size_t kPcmFormatBytes = 16;

WAVEFORMATEX PcmFormat(WORD channels, DWORD samplesPerSec, WORD bitsPerSample)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = samplesPerSec;
    format.nBlockAlign = static_cast<WORD>(channels * (bitsPerSample / 8));
    format.nAvgBytesPerSec = samplesPerSec * format.nBlockAlign;
    format.wBitsPerSample = bitsPerSample;
    return format;
}

// MulDiv of the byte rate over the duration, raised to whole sample frames.
DWORD BytesFor(DWORD frameBytes, DWORD samplesPerSec, DWORD microseconds)
{
    const LONG bytes = MulDiv(static_cast<LONG>(samplesPerSec * frameBytes), static_cast<LONG>(microseconds), 1000000);
    DWORD count = bytes > 0 ? static_cast<DWORD>(bytes) : 0;
    if (frameBytes != 0 && count % frameBytes != 0)
        count += frameBytes - count % frameBytes;
    return count;
}

bool HeaderEquals(const BYTE* block, const WAVEFORMATEX* format)
{
    return block != nullptr && format != nullptr && std::memcmp(block, format, kPcmFormatBytes) == 0;
}

INT16 Sample16(const BYTE* at)
{
    return static_cast<INT16>(static_cast<WORD>(at[0] | at[1] << 8));
}

void Store16(BYTE* at, LONG value)
{
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

} // namespace

CWaveBuffer::CWaveBuffer(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, DWORD duration, BOOL microseconds)
{
    InitForDuration(channels, samplesPerSec, bitsPerSample, microseconds ? duration : duration * 1000);
}

CWaveBuffer::CWaveBuffer(const WAVEFORMATEX* format, const BYTE* samples, DWORD length)
{
    Init(format, samples, length);
}

CWaveBuffer::CWaveBuffer(const CMediaTime& span, const WAVEFORMATEX* format)
{
    if (format == nullptr)
        return;
    const double units = span.GetTotalUnits();
    const DWORD microseconds = units > 0.0 ? static_cast<DWORD>(std::min(units, 4294967295.0)) : 0;
    const DWORD frameBytes = DWORD{format->wBitsPerSample} / 8 * format->nChannels;
    DWORD bytes = BytesFor(frameBytes, format->nSamplesPerSec, microseconds);
    // Kept as it always was: odd counts gain a byte, so an 8-bit mono block
    // is one sample longer than its span.
    if (bytes % 2 != 0)
        ++bytes;
    Init(format, nullptr, bytes);
}

CWaveBuffer::~CWaveBuffer()
{
    FreeBlock();
}

void CWaveBuffer::FreeBlock()
{
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_pData = nullptr;
}

void CWaveBuffer::Init(const WAVEFORMATEX* format, const BYTE* samples, DWORD length)
{
    FreeBlock();
    m_bValid = 0;
    m_nLength = 0;
    m_nCapacity = length;
    m_nBlockSize = length + kHeaderSize;
    if (format == nullptr || length > UINT32_MAX - kHeaderSize)
        return;
    m_pBlock = new (std::nothrow) BYTE[m_nBlockSize];
    if (m_pBlock == nullptr)
        return;
    std::memset(m_pBlock, 0, kHeaderSize);
    std::memcpy(m_pBlock, format, kPcmFormatBytes);
    m_pData = m_pBlock + kHeaderSize;
    if (samples != nullptr)
        std::memcpy(m_pData, samples, length);
    else
        std::memset(m_pData, format->wBitsPerSample == 16 ? 0x00 : 0x80, length);
    m_nLength = length;
    m_bValid = 1;
}

void CWaveBuffer::InitForDuration(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, DWORD microseconds)
{
    const WAVEFORMATEX format = PcmFormat(channels, samplesPerSec, bitsPerSample);
    const DWORD frameBytes = DWORD{bitsPerSample} / 8 * channels;
    Init(&format, nullptr, BytesFor(frameBytes, samplesPerSec, microseconds));
}

INT CWaveBuffer::ScaleLevel(INT position, INT fadeIn, INT total)
{
    if (m_pData == nullptr || total == 0)
        return 1;
    const LONGLONG factor = fadeIn ? position : total - position;
    const WORD bits = GetFormat()->wBitsPerSample;
    if (bits == 8) {
        for (DWORD i = 0; i < m_nCapacity; ++i)
            m_pData[i] = static_cast<BYTE>((LONGLONG{m_pData[i]} - 128) * factor / total + 128);
    } else if (bits == 16) {
        for (DWORD i = 0; i + 1 < m_nCapacity; i += 2)
            Store16(m_pData + i, static_cast<LONG>(Sample16(m_pData + i) * factor / total));
    }
    return 1;
}

void CWaveBuffer::Mix(const CWaveBuffer* other, INT weightThis, INT weightOther, const WAVEFORMATEX* format, INT* ok)
{
    if (ok != nullptr)
        *ok = 0;
    if (other == nullptr || !HeaderEquals(m_pBlock, format) || !HeaderEquals(other->m_pBlock, format))
        return;
    const DWORD count = std::min(m_nLength, other->m_nLength);
    const LONGLONG sum = LONGLONG{weightThis} + weightOther;
    const LONGLONG divisor = sum != 0 ? sum : 1024;
    if (format->wBitsPerSample == 8) {
        for (DWORD i = 0; i < count; ++i)
            m_pData[i] = static_cast<BYTE>((m_pData[i] * LONGLONG{weightThis} + other->m_pData[i] * LONGLONG{weightOther}) / divisor);
    } else if (format->wBitsPerSample == 16) {
        for (DWORD i = 0; i + 1 < count; i += 2)
            Store16(m_pData + i, static_cast<LONG>((Sample16(m_pData + i) * LONGLONG{weightThis}
                                                    + Sample16(other->m_pData + i) * LONGLONG{weightOther})
                                                   / divisor));
    }
    if (ok != nullptr)
        *ok = 1;
}

void CWaveBuffer::MixAverage(CWaveBuffer* const* others, INT count, const WAVEFORMATEX* format, INT* ok)
{
    if (ok != nullptr)
        *ok = 0;
    // Six sources at most: this buffer and five others.
    count = std::min<INT>(count, 5);
    if (others == nullptr || count <= 0 || !HeaderEquals(m_pBlock, format) || others[0] == nullptr
        || !HeaderEquals(others[0]->m_pBlock, format) || format->nBlockAlign == 0)
        return;
    const DWORD frames = m_nLength / format->nBlockAlign;
    DWORD length = m_nLength;
    for (INT i = 0; i < count; ++i) {
        if (others[i] == nullptr || others[i]->m_pData == nullptr || others[i]->m_nLength / format->nBlockAlign != frames)
            return;
        length = std::min(length, others[i]->m_nLength);
    }
    const LONGLONG sources = LONGLONG{count} + 1;
    if (format->wBitsPerSample == 8) {
        for (DWORD b = 0; b < length; ++b) {
            LONGLONG sum = m_pData[b];
            for (INT i = 0; i < count; ++i)
                sum += others[i]->m_pData[b];
            m_pData[b] = static_cast<BYTE>(sum / sources);
        }
    } else if (format->wBitsPerSample == 16) {
        for (DWORD b = 0; b + 1 < length; b += 2) {
            LONGLONG sum = Sample16(m_pData + b);
            for (INT i = 0; i < count; ++i)
                sum += Sample16(others[i]->m_pData + b);
            Store16(m_pData + b, static_cast<LONG>(sum / sources));
        }
    }
    if (ok != nullptr)
        *ok = 1;
}

void MergeWaveFormats(const WAVEFORMATEX* a, const WAVEFORMATEX* b, WAVEFORMATEX* out)
{
    if (a == nullptr || b == nullptr || out == nullptr)
        return;
    // Copies first: the record is packed, so its members cannot be bound
    // to references (std::max takes them by reference).
    const WORD tag = a->wFormatTag;
    const WORD bits = std::max(WORD{a->wBitsPerSample}, WORD{b->wBitsPerSample});
    const WORD channels = std::max(WORD{a->nChannels}, WORD{b->nChannels});
    const DWORD rate = std::max(DWORD{a->nSamplesPerSec}, DWORD{b->nSamplesPerSec});
    out->wFormatTag = tag;
    out->wBitsPerSample = bits;
    out->nChannels = channels;
    out->nSamplesPerSec = rate <= 11025 ? 11025 : rate <= 22050 ? 22050 : 44100;
    out->nBlockAlign = static_cast<WORD>(bits / 8 * channels);
    out->nAvgBytesPerSec = DWORD{out->nBlockAlign} * out->nSamplesPerSec;
}
