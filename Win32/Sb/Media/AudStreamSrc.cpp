#include "Win32/Sb/Media/AudStreamSrc.h"

#include <algorithm>
#include <cstring>

#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// The 18 format bytes that decide a plain copy: the PCM fields and cbSize.
bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b)
{
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec
           && a.nAvgBytesPerSec == b.nAvgBytesPerSec && a.nBlockAlign == b.nBlockAlign
           && a.wBitsPerSample == b.wBitsPerSample && a.cbSize == b.cbSize;
}

} // namespace

klAudStreamSrc::klAudStreamSrc(PAVISTREAM stream, const WAVEFORMATEX* target, INT samplesPerBlock)
    : m_pStream(stream), m_nSamplesPerBlock(samplesPerBlock)
{
    if (stream == nullptr || target == nullptr || samplesPerBlock <= 0 || target->nBlockAlign == 0)
        return;
    std::memcpy(&m_TargetFormat, target, sizeof(PCMWAVEFORMAT));
    m_TargetFormat.cbSize = 0;
    m_nBytesPerBlock = samplesPerBlock * target->nBlockAlign;
    LONG size = 0;
    if (AVIStreamReadFormat(stream, 0, nullptr, &size) != AVIERR_OK || size < static_cast<LONG>(sizeof(PCMWAVEFORMAT)))
        return;
    // A 16-byte format counts as one with no extra bytes.
    m_StreamFormat.assign(static_cast<std::size_t>(std::max<LONG>(size, sizeof(WAVEFORMATEX))), 0);
    if (AVIStreamReadFormat(stream, 0, m_StreamFormat.data(), &size) != AVIERR_OK)
        return;
    WAVEFORMATEX streamFormat{};
    std::memcpy(&streamFormat, m_StreamFormat.data(), sizeof streamFormat);
    if (streamFormat.nBlockAlign == 0)
        return;
    if (SameFormat(streamFormat, m_TargetFormat)) {
        m_bCopy = 1;
    } else if (streamFormat.wFormatTag == WAVE_FORMAT_PCM) {
        m_bResample = 1;
        if (m_Processor.Init(128, static_cast<INT>(streamFormat.nSamplesPerSec), streamFormat.wBitsPerSample,
                             static_cast<INT>(target->nSamplesPerSec), target->wBitsPerSample, streamFormat.nChannels,
                             target->nChannels)
            == 0)
            return;
        m_ReadBuffer.resize(static_cast<std::size_t>(m_nBytesPerBlock) * 4);
    } else {
        m_bUseAcm = 1;
        m_PcmFormat = streamFormat;
        m_PcmFormat.wFormatTag = WAVE_FORMAT_PCM;
        m_PcmFormat.cbSize = 0;
        if (acmFormatSuggest(nullptr, reinterpret_cast<const WAVEFORMATEX*>(m_StreamFormat.data()), &m_PcmFormat,
                             sizeof m_PcmFormat, ACM_FORMATSUGGESTF_WFORMATTAG)
            != MMSYSERR_NOERROR)
            return;
    }
    m_bValid = 1;
}

klAudStreamSrc::~klAudStreamSrc() { CloseConversion(); }

LONG klAudStreamSrc::StreamEnd() const { return AVIStreamStart(m_pStream) + AVIStreamLength(m_pStream); }

void klAudStreamSrc::Read(CWaveBuffer* block)
{
    if (!m_bValid || block == nullptr || block->m_pData == nullptr)
        return;
    if (m_bCopy)
        ReadCopy(block);
    else if (m_bResample)
        ReadResampled(block);
    else
        ReadConverted(block);
}

void klAudStreamSrc::ReadCopy(CWaveBuffer* block)
{
    const LONG wanted = std::min<LONG>(StreamEnd() - m_nReadPosition,
                                       static_cast<LONG>(block->m_nCapacity / m_TargetFormat.nBlockAlign));
    if (wanted <= 0)
        return;
    LONG bytes = 0;
    LONG samples = 0;
    if (AVIStreamRead(m_pStream, m_nReadPosition, wanted, block->m_pData, static_cast<LONG>(block->m_nCapacity),
                      &bytes, &samples)
        != AVIERR_OK)
        return;
    m_nReadPosition += samples;
    block->m_nLength = static_cast<DWORD>(bytes);
}

void klAudStreamSrc::ReadResampled(CWaveBuffer* block)
{
    const LONG end = StreamEnd();
    if (m_nReadPosition >= end && m_nPendingBytes == 0) {
        // Back to the in point, not to the file's start.
        m_nReadPosition = m_nRewindPosition;
        m_bStreamEnded = 0;
        return;
    }
    WAVEFORMATEX streamFormat{};
    std::memcpy(&streamFormat, m_StreamFormat.data(), sizeof streamFormat);
    const INT targetAlign = m_TargetFormat.nBlockAlign;
    const INT frames = std::min<INT>(m_nSamplesPerBlock, static_cast<INT>(block->m_nCapacity) / targetAlign);
    INT filled = 0;
    while (filled < frames) {
        const INT read = m_Processor.Read(frames - filled, block->m_pData + static_cast<std::size_t>(filled) * targetAlign);
        filled += read;
        if (read > 0)
            continue;
        if (m_nPendingBytes == 0) {
            if (m_bStreamEnded)
                break;
            const LONG wanted = std::min<LONG>(static_cast<LONG>(m_ReadBuffer.size() / streamFormat.nBlockAlign),
                                               end - m_nReadPosition);
            LONG bytes = 0;
            LONG samples = 0;
            if (wanted > 0
                && AVIStreamRead(m_pStream, m_nReadPosition, wanted, m_ReadBuffer.data(),
                                 static_cast<LONG>(m_ReadBuffer.size()), &bytes, &samples)
                       != AVIERR_OK)
                break;
            if (samples < wanted || wanted <= 0 || m_nReadPosition + samples >= end)
                m_bStreamEnded = 1;
            m_nPendingAt = 0;
            m_nPendingBytes = static_cast<std::size_t>(bytes);
        }
        const INT pendingFrames = static_cast<INT>(m_nPendingBytes / streamFormat.nBlockAlign);
        const INT accepted =
            m_Processor.Feed(pendingFrames, m_ReadBuffer.data() + m_nPendingAt, m_bStreamEnded ? TRUE : FALSE);
        m_nPendingAt += static_cast<std::size_t>(accepted) * streamFormat.nBlockAlign;
        m_nPendingBytes -= std::min(m_nPendingBytes, static_cast<std::size_t>(accepted) * streamFormat.nBlockAlign);
        m_nReadPosition += accepted;
        if (accepted == 0 && m_nPendingBytes < streamFormat.nBlockAlign) {
            m_nPendingBytes = 0;
            if (m_bStreamEnded && m_Processor.Read(0, block->m_pData) == 0)
                break;
        }
    }
}

bool klAudStreamSrc::OpenConversion()
{
    const auto* streamFormat = reinterpret_cast<const WAVEFORMATEX*>(m_StreamFormat.data());
    if (acmStreamOpen(&m_hToPcm, nullptr, streamFormat, &m_PcmFormat, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME)
        != MMSYSERR_NOERROR)
        return false;
    if (!SameFormat(m_PcmFormat, m_TargetFormat)
        && acmStreamOpen(&m_hToTarget, nullptr, &m_PcmFormat, &m_TargetFormat, nullptr, 0, 0,
                         ACM_STREAMOPENF_NONREALTIME)
               != MMSYSERR_NOERROR)
        return false;
    // One second of source samples in the first buffer (as PCM), and its
    // target form plus a block in the second.
    DWORD pcmBytes = 0;
    if (acmStreamSize(m_hToPcm, streamFormat->nAvgBytesPerSec + streamFormat->nBlockAlign, &pcmBytes,
                      ACM_STREAMSIZEF_SOURCE)
        != MMSYSERR_NOERROR)
        return false;
    pcmBytes = std::max(pcmBytes, m_PcmFormat.nAvgBytesPerSec);
    DWORD targetBytes = pcmBytes;
    if (m_hToTarget != nullptr
        && acmStreamSize(m_hToTarget, pcmBytes, &targetBytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR)
        return false;
    m_FirstBuffer.resize(pcmBytes);
    m_SecondBuffer.resize(targetBytes + static_cast<DWORD>(m_nBytesPerBlock) * 2);
    m_nReadAt = 0;
    m_nEndAt = 0;
    m_bConversionOpen = 1;
    return true;
}

void klAudStreamSrc::CloseConversion()
{
    if (m_hToPcm != nullptr)
        acmStreamClose(m_hToPcm, 0);
    if (m_hToTarget != nullptr)
        acmStreamClose(m_hToTarget, 0);
    m_hToPcm = nullptr;
    m_hToTarget = nullptr;
    m_bConversionOpen = 0;
}

// Converts one second of the stream from the read position and appends it
// to the converted data.
bool klAudStreamSrc::Refill()
{
    std::memmove(m_SecondBuffer.data(), m_SecondBuffer.data() + m_nReadAt, m_nEndAt - m_nReadAt);
    m_nEndAt -= m_nReadAt;
    m_nReadAt = 0;
    AVISTREAMINFO info{};
    if (AVIStreamInfo(m_pStream, &info, sizeof info) != AVIERR_OK || info.dwScale == 0)
        return false;
    const LONG second = static_cast<LONG>((info.dwRate + info.dwScale - 1) / info.dwScale);
    const LONG wanted = std::min<LONG>(second, StreamEnd() - m_nReadPosition);
    if (wanted <= 0)
        return true;
    LONG bytes = 0;
    LONG samples = 0;
    std::vector<BYTE> raw(static_cast<std::size_t>(wanted) * std::max<DWORD>(info.dwSampleSize, 1));
    if (AVIStreamRead(m_pStream, m_nReadPosition, wanted, raw.data(), static_cast<LONG>(raw.size()), &bytes, &samples)
        != AVIERR_OK)
        return false;
    m_nReadPosition += samples;
    const bool last = m_nReadPosition >= StreamEnd();
    ACMSTREAMHEADER toPcm{};
    toPcm.cbStruct = sizeof toPcm;
    toPcm.pbSrc = raw.data();
    toPcm.cbSrcLength = static_cast<DWORD>(bytes);
    toPcm.pbDst = m_FirstBuffer.data();
    toPcm.cbDstLength = static_cast<DWORD>(m_FirstBuffer.size());
    if (acmStreamPrepareHeader(m_hToPcm, &toPcm, 0) != MMSYSERR_NOERROR)
        return false;
    const MMRESULT converted =
        acmStreamConvert(m_hToPcm, &toPcm, ACM_STREAMCONVERTF_BLOCKALIGN | (last ? ACM_STREAMCONVERTF_END : 0));
    acmStreamUnprepareHeader(m_hToPcm, &toPcm, 0);
    if (converted != MMSYSERR_NOERROR)
        return false;
    const DWORD room = static_cast<DWORD>(m_SecondBuffer.size() - m_nEndAt);
    if (m_hToTarget == nullptr) {
        const DWORD copied = std::min(room, toPcm.cbDstLengthUsed);
        std::memcpy(m_SecondBuffer.data() + m_nEndAt, m_FirstBuffer.data(), copied);
        m_nEndAt += copied;
        return true;
    }
    ACMSTREAMHEADER toTarget{};
    toTarget.cbStruct = sizeof toTarget;
    toTarget.pbSrc = m_FirstBuffer.data();
    toTarget.cbSrcLength = toPcm.cbDstLengthUsed;
    toTarget.pbDst = m_SecondBuffer.data() + m_nEndAt;
    toTarget.cbDstLength = room;
    if (acmStreamPrepareHeader(m_hToTarget, &toTarget, 0) != MMSYSERR_NOERROR)
        return false;
    const MMRESULT targeted = acmStreamConvert(m_hToTarget, &toTarget,
                                               ACM_STREAMCONVERTF_BLOCKALIGN | (last ? ACM_STREAMCONVERTF_END : 0));
    acmStreamUnprepareHeader(m_hToTarget, &toTarget, 0);
    if (targeted != MMSYSERR_NOERROR)
        return false;
    m_nEndAt += toTarget.cbDstLengthUsed;
    return true;
}

void klAudStreamSrc::ReadConverted(CWaveBuffer* block)
{
    if (!m_bConversionOpen && !OpenConversion()) {
        CloseConversion();
        m_bValid = 0;
        return;
    }
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(m_nBytesPerBlock), block->m_nCapacity);
    if (m_nEndAt - m_nReadAt < wanted && m_nReadPosition < StreamEnd() && !Refill()) {
        CloseConversion();
        m_bValid = 0;
        return;
    }
    const std::size_t available = std::min(wanted, m_nEndAt - m_nReadAt);
    std::memcpy(block->m_pData, m_SecondBuffer.data() + m_nReadAt, available);
    m_nReadAt += available;
}
