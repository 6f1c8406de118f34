#include "Win32/Produce/ProductionAudioMixer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// The engine's block; its output may run one block ahead of or behind the
// input, so the mixed block has room for that much more.
constexpr INT kBlockFrames = 256;
constexpr float kFadeInSeconds = 1.0f;

bool SamePcmFormat(const WAVEFORMATEX* a, const WAVEFORMATEX& b)
{
    return a != nullptr && std::memcmp(a, &b, sizeof(PCMWAVEFORMAT)) == 0;
}

} // namespace

CProductionAudioMixer::CProductionAudioMixer(const CMediaTime& span, const WAVEFORMATEX* outputFormat,
                                             const WAVEFORMATEX* sourceFormat, BOOL useOutputFormat)
{
    m_bUseOutputFormat = useOutputFormat != FALSE;
    if (m_bUseOutputFormat && outputFormat != nullptr)
        m_OutputFormat = *outputFormat;
    m_SourceFormat = sourceFormat != nullptr ? *sourceFormat : m_OutputFormat;
    m_nBlockDuration = static_cast<INT>(span.GetTotalUnits());
    m_pSilence = new (std::nothrow) CWaveBuffer(span, &m_OutputFormat);
    const INT initialised = m_Processor.Init(kBlockFrames, static_cast<INT>(m_SourceFormat.nSamplesPerSec),
                                             m_SourceFormat.wBitsPerSample,
                                             static_cast<INT>(m_OutputFormat.nSamplesPerSec),
                                             m_OutputFormat.wBitsPerSample, m_SourceFormat.nChannels,
                                             m_OutputFormat.nChannels);
    m_bReady = m_pSilence != nullptr && m_pSilence->m_bValid && initialised != 0;
    // The production's own sound fades in over its first second.
    SetInputGain(0, 0.0f, 0.0f);
    SetInputGain(0, 1.0f, kFadeInSeconds);
}

CProductionAudioMixer::~CProductionAudioMixer()
{
    ReleaseAllSources();
    delete m_pSilence;
}

void CProductionAudioMixer::SetInputGain(INT input, float target, float rampSeconds)
{
    const INT channels = m_Processor.GetInputChannels();
    for (INT c = 0; c < channels; ++c)
        m_Processor.SetGain(input * channels + c, target, rampSeconds);
}

void CProductionAudioMixer::FadeIn(INT slot, float rampSeconds)
{
    const CMediaSource* source = m_pSources[slot];
    const float volume = source != nullptr ? static_cast<float>(m_pSources[slot]->GetVolume()) / 1024.0f : 0.0f;
    SetInputGain(slot + 1, 0.0f, 0.0f);
    SetInputGain(slot + 1, volume, rampSeconds);
}

bool CProductionAudioMixer::AddSource(CMediaSource* source)
{
    for (INT slot = 0; slot < kCapacity; ++slot) {
        if (m_pSources[slot] != nullptr)
            continue;
        m_pSources[slot] = source;
        FadeIn(slot, kFadeInSeconds);
        return true;
    }
    return false;
}

bool CProductionAudioMixer::HasFreeSlot() const
{
    return std::any_of(std::begin(m_pSources), std::end(m_pSources), [](CMediaSource* s) { return s == nullptr; });
}

bool CProductionAudioMixer::RemoveSource(CMediaSource* source)
{
    for (CMediaSource*& slot : m_pSources) {
        if (slot != nullptr && slot == source) {
            slot = nullptr;
            return true;
        }
    }
    return false;
}

CMediaSource* CProductionAudioMixer::GetSource(INT slot) const
{
    return slot >= 0 && slot < kCapacity ? m_pSources[slot] : nullptr;
}

INT CProductionAudioMixer::GetLastUsedSlot() const
{
    for (INT slot = kCapacity - 1; slot >= 0; --slot)
        if (m_pSources[slot] != nullptr)
            return slot;
    return 0;
}

INT CProductionAudioMixer::GetSourceCount() const
{
    return static_cast<INT>(std::count_if(std::begin(m_pSources), std::end(m_pSources),
                                          [](CMediaSource* s) { return s != nullptr; }));
}

void CProductionAudioMixer::ReleaseAllSources()
{
    for (CMediaSource*& slot : m_pSources) {
        delete slot;
        slot = nullptr;
    }
}

void CProductionAudioMixer::Mix(const CWaveBuffer* primary, CWaveBuffer* output)
{
    if (primary == nullptr || output == nullptr || primary->m_pData == nullptr || output->m_pData == nullptr
        || m_SourceFormat.nBlockAlign == 0 || m_OutputFormat.nBlockAlign == 0)
        return;
    const DWORD frames = primary->m_nLength / m_SourceFormat.nBlockAlign;
    const std::size_t bytes = static_cast<std::size_t>(frames) * m_SourceFormat.nBlockAlign;
    const BYTE* inputs[kCapacity + 1] = {primary->m_pData};
    std::vector<std::unique_ptr<MediaFrame>> kept;
    INT used = 0;
    for (INT slot = 0; slot < kCapacity; ++slot) {
        inputs[slot + 1] = nullptr;
        if (m_pSources[slot] == nullptr)
            continue;
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(m_pSources[slot]->GetAudio(&failed, &m_SourceFormat, 1));
        const CWaveBuffer* block = frame != nullptr ? frame->m_pAudio : nullptr;
        used = slot + 1;
        if (block == nullptr || block->m_pData == nullptr || !SamePcmFormat(block->GetFormat(), m_SourceFormat)) {
            kept.push_back(std::move(frame));
            continue;
        }
        // A block shorter than the primary one (the end of a clip) is
        // padded with silence rather than read past its end.
        if (block->m_nLength < bytes) {
            std::vector<BYTE>& padded = m_Padded[slot];
            padded.assign(bytes, m_SourceFormat.wBitsPerSample == 8 ? 0x80 : 0x00);
            if (block->m_nLength > 0)
                std::memcpy(padded.data(), block->m_pData, block->m_nLength);
            inputs[slot + 1] = padded.data();
        } else {
            inputs[slot + 1] = block->m_pData;
        }
        kept.push_back(std::move(frame));
    }
    // The engine gives up to a block more than it takes; it mixes into room
    // of its own and the output takes what it can hold.
    const double ratio = static_cast<double>(m_OutputFormat.nSamplesPerSec) / m_SourceFormat.nSamplesPerSec;
    const auto room = static_cast<std::size_t>((frames + 4.0 * kBlockFrames) * ratio + 8.0 * kBlockFrames);
    m_Mixed.resize(room * m_OutputFormat.nBlockAlign);
    const INT produced = m_Processor.ProcessAllInputs(static_cast<INT>(frames), used + 1, inputs, m_Mixed.data());
    m_nFramesIn += frames;
    output->m_nLength = 0;
    Deliver(m_Mixed.data(), static_cast<std::size_t>(std::max(produced, 0)) * m_OutputFormat.nBlockAlign, output);
}

void CProductionAudioMixer::Deliver(const BYTE* mixed, std::size_t bytes, CWaveBuffer* output)
{
    // What was held over from the last block goes first; what the output
    // cannot hold now waits for the next one.
    const std::size_t skip = std::min(bytes, static_cast<std::size_t>(m_nSkipFrames) * m_OutputFormat.nBlockAlign);
    m_nSkipFrames -= static_cast<LONGLONG>(skip / m_OutputFormat.nBlockAlign);
    m_Held.insert(m_Held.end(), mixed + skip, mixed + bytes);
    const std::size_t room = output->m_nCapacity > output->m_nLength ? output->m_nCapacity - output->m_nLength : 0;
    const std::size_t align = m_OutputFormat.nBlockAlign;
    const std::size_t made = std::min(m_Held.size(), room / align * align);
    if (made == 0)
        return; // nothing held, or no room: an empty buffer has no data to copy from
    std::memcpy(output->m_pData + output->m_nLength, m_Held.data(), made);
    output->m_nLength += static_cast<DWORD>(made);
    m_Held.erase(m_Held.begin(), m_Held.begin() + static_cast<std::ptrdiff_t>(made));
    m_nFramesOut += static_cast<LONGLONG>(made / align);
}

void CProductionAudioMixer::Flush(CWaveBuffer* output, LONGLONG total)
{
    if (output == nullptr || output->m_pData == nullptr || m_SourceFormat.nSamplesPerSec == 0
        || m_OutputFormat.nBlockAlign == 0)
        return;
    const std::size_t align = m_OutputFormat.nBlockAlign;
    LONGLONG owed = total >= 0 ? total - m_nFramesOut : OwedFrames();
    if (owed < 0) {
        // The sources' blocks ran longer than the production: the surplus
        // comes off the end.
        const LONGLONG keep = std::max<LONGLONG>(0, output->m_nLength / align + owed);
        m_nFramesOut -= output->m_nLength / align - keep;
        output->m_nLength = static_cast<DWORD>(keep * align);
        owed = 0;
    }
    if (owed == 0) {
        m_Held.clear();
        return;
    }
    // Silence pushes the engine's last samples out; it gives at least one
    // block per block fed.
    std::vector<BYTE> tail(m_Held);
    const std::size_t wanted = static_cast<std::size_t>(owed) * align;
    const double ratio = static_cast<double>(m_OutputFormat.nSamplesPerSec) / m_SourceFormat.nSamplesPerSec;
    m_Mixed.resize(static_cast<std::size_t>((4.0 * kBlockFrames) * ratio + 8.0 * kBlockFrames) * align);
    for (int round = 0; round < 8 && tail.size() < wanted; ++round) {
        const INT produced = m_Processor.ProcessAllInputs(kBlockFrames, 0, nullptr, m_Mixed.data());
        const std::size_t bytes = static_cast<std::size_t>(std::max(produced, 0)) * align;
        tail.insert(tail.end(), m_Mixed.data(), m_Mixed.data() + bytes);
    }
    tail.resize(wanted, m_OutputFormat.wBitsPerSample == 8 ? 0x80 : 0x00);
    m_Held.clear();
    std::vector<BYTE> whole(output->m_pData, output->m_pData + output->m_nLength);
    whole.insert(whole.end(), tail.begin(), tail.end());
    const WAVEFORMATEX format = *output->GetFormat();
    output->Init(&format, whole.data(), static_cast<DWORD>(whole.size()));
    m_nFramesOut += owed;
}

void CProductionAudioMixer::Realign(LONGLONG total)
{
    const std::size_t align = m_OutputFormat.nBlockAlign;
    if (align == 0 || total < 0 || m_SourceFormat.nSamplesPerSec == 0)
        return;
    // Where the next sound mixed in will come out: after everything mixed
    // so far, whether handed out, held or still inside the engine.
    const LONGLONG owed = total - (m_nFramesOut + OwedFrames());
    m_nShiftFrames += owed;
    if (owed > 0) {
        const LONGLONG cancelled = std::min(owed, m_nSkipFrames);
        m_nSkipFrames -= cancelled;
        m_Held.resize(m_Held.size() + static_cast<std::size_t>(owed - cancelled) * align,
                      m_OutputFormat.wBitsPerSample == 8 ? 0x80 : 0x00);
    } else if (owed < 0) {
        const LONGLONG cut = std::min(-owed, static_cast<LONGLONG>(m_Held.size() / align));
        m_Held.erase(m_Held.begin(), m_Held.begin() + static_cast<std::ptrdiff_t>(cut * static_cast<LONGLONG>(align)));
        m_nSkipFrames += -owed - cut;
    }
}

LONGLONG CProductionAudioMixer::OwedFrames() const
{
    if (m_SourceFormat.nSamplesPerSec == 0)
        return 0;
    const LONGLONG sourceRate = m_SourceFormat.nSamplesPerSec;
    const LONGLONG expected = (m_nFramesIn * m_OutputFormat.nSamplesPerSec + sourceRate / 2) / sourceRate;
    return expected + m_nShiftFrames - m_nFramesOut;
}

void CProductionAudioMixer::CrossFade(CWaveBuffer** a, CWaveBuffer** b, const WAVEFORMATEX* format, INT* ok)
{
    if (ok != nullptr)
        *ok = 0;
    if (a == nullptr || b == nullptr || *a == nullptr || *b == nullptr)
        return;
    if ((*a)->m_nLength < (*b)->m_nLength)
        std::swap(*a, *b);
    (*a)->Mix(*b, 512, 512, format, ok);
}

void CProductionAudioMixer::FadeOutAll(INT frames)
{
    const float ramp = static_cast<float>(m_nBlockDuration * 0.000001 * frames);
    for (INT input = 0; input <= kCapacity; ++input)
        SetInputGain(input, 0.0f, ramp);
}

void CProductionAudioMixer::RestartFadeIns()
{
    for (INT slot = 0; slot < kCapacity; ++slot)
        FadeIn(slot, kFadeInSeconds);
}

void CProductionAudioMixer::RestartSourceFadeIn(INT slot, float rampSeconds)
{
    if (slot >= 0 && slot < kCapacity)
        FadeIn(slot, rampSeconds);
}

void CProductionAudioMixer::FadeOutSource(INT slot, float seconds)
{
    if (slot >= 0 && slot < kCapacity)
        SetInputGain(slot + 1, 0.0f, seconds);
}
