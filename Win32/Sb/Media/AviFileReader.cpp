#include "Win32/Sb/Media/AviFileReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Win32/Sb/Document/AudioClip.h"
#include "Win32/Sb/Media/AudStreamSrc.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// Readers start with a frame time of a fifteenth of a second until the
// caller sets its own.
constexpr double kDefaultFrameMicroseconds = 1000000.0 / 15;

CMediaTime Microseconds(double microseconds) { return CMediaTime::FromMilliseconds(microseconds / 1000.0); }

} // namespace

CAviFileReader::CAviFileReader(LPCSTR path, INT open, INT startOffset, INT)
{
    if (AVIFileOpen(&m_pFile, path, OF_READ, nullptr) != AVIERR_OK) {
        m_pFile = nullptr;
        m_nOpenError = kNotOpened;
        return;
    }
    if (AVIFileInfo(m_pFile, &m_FileInfo, sizeof m_FileInfo) != AVIERR_OK) {
        m_nOpenError = kNoFileInfo;
        ReleaseFile();
        return;
    }
    if (AVIFileGetStream(m_pFile, &m_pStream, streamtypeAUDIO, 0) != AVIERR_OK) {
        m_pStream = nullptr;
        m_nOpenError = kNoAudioStream;
        ReleaseFile();
        return;
    }
    // Without its information the stream is of no use: stop here rather
    // than go on with a released file.
    if (AVIStreamInfo(m_pStream, &m_StreamInfo, sizeof m_StreamInfo) != AVIERR_OK) {
        m_nOpenError = kNoFileInfo;
        ReleaseFile();
        return;
    }
    LONG size = 0;
    if (AVIStreamReadFormat(m_pStream, 0, nullptr, &size) != AVIERR_OK || size < static_cast<LONG>(sizeof m_Format)) {
        m_nOpenError = kNoFormat;
        ReleaseFile();
        return;
    }
    m_pFormatBlock.assign(static_cast<std::size_t>(std::max<LONG>(size, sizeof(WAVEFORMATEX))), 0);
    if (AVIStreamReadFormat(m_pStream, 0, m_pFormatBlock.data(), &size) != AVIERR_OK) {
        m_nOpenError = kNoFormat;
        ReleaseFile();
        return;
    }
    std::memcpy(&m_Format, m_pFormatBlock.data(), sizeof m_Format);
    std::memcpy(&m_NativeFormat, m_pFormatBlock.data(), sizeof m_NativeFormat);
    if (size < static_cast<LONG>(sizeof(WAVEFORMATEX)))
        m_NativeFormat.cbSize = 0;
    bool usable = m_Format.wf.wFormatTag == WAVE_FORMAT_PCM;
    if (!usable) {
        m_PcmSuggestion.wFormatTag = WAVE_FORMAT_PCM;
        usable = acmFormatSuggest(nullptr, reinterpret_cast<const WAVEFORMATEX*>(m_pFormatBlock.data()),
                                  &m_PcmSuggestion, sizeof m_PcmSuggestion, ACM_FORMATSUGGESTF_WFORMATTAG)
                 == MMSYSERR_NOERROR;
    }
    if (!usable) {
        m_nError = kNoPcmForm;
        ReleaseFile();
        return;
    }
    m_bHasAudio = 1;
    const LONG length = AVIStreamLength(m_pStream);
    if (length == -1) {
        m_nOpenError = kNoLength;
        ReleaseFile();
        return;
    }
    m_bOpen = open;
    m_bFailed = 0;
    LONG sampleBytes = 0;
    AVIStreamRead(m_pStream, AVIStreamStart(m_pStream), 1, nullptr, 0, &sampleBytes, nullptr);
    m_nSampleBytes = sampleBytes;
    m_nStartSample = AVIStreamStart(m_pStream);
    m_nEndSample = m_nStartSample + length;
    m_nBytesPerSecond = static_cast<INT>(m_Format.wf.nAvgBytesPerSec);
    m_nSampleRate = static_cast<INT>(m_Format.wf.nSamplesPerSec);
    const double duration = static_cast<double>(AVIStreamSampleToTime(m_pStream, length)) * 1000.0;
    // An offset past the end leaves nothing to play, never a negative length.
    const double start = std::clamp(static_cast<double>(startOffset), 0.0, duration);
    m_nStartUs = static_cast<INT>(start);
    m_nLengthUs = static_cast<INT>(duration - start);
    m_tLength = Microseconds(m_nLengthUs);
    m_tPosition = Microseconds(m_nStartUs);
    m_tStart = m_tPosition;
    m_tIn = m_tPosition;
    m_tSourceFrame = Microseconds(static_cast<INT>(kDefaultFrameMicroseconds));
    SetFrameTime(Microseconds(static_cast<INT>(kDefaultFrameMicroseconds)));
    m_nInSample = SampleAt(m_tIn);
    m_nOutSample = m_nEndSample;
    m_nCurSample = m_nInSample;
}

CAviFileReader::~CAviFileReader()
{
    delete m_pSource;
    m_pSource = nullptr;
    ReleaseFile();
}

void CAviFileReader::ReleaseFile()
{
    if (m_pStream != nullptr)
        AVIStreamRelease(m_pStream);
    if (m_pFile != nullptr)
        AVIFileRelease(m_pFile);
    m_pStream = nullptr;
    m_pFile = nullptr;
}

INT CAviFileReader::SampleAt(const CMediaTime& time) const
{
    if (m_pStream == nullptr)
        return 0;
    const LONG sample = AVIStreamTimeToSample(m_pStream, static_cast<LONG>(time.GetMilliseconds()));
    return std::clamp<INT>(sample, m_nStartSample, m_nEndSample);
}

void CAviFileReader::SetInOut(CMediaTime out, CMediaTime in)
{
    if (!(out.GetSeconds() > in.GetSeconds()))
        return;
    m_tLength = out - in;
    m_tIn = in;
    m_nInSample = SampleAt(in);
    m_nOutSample = SampleAt(out);
    m_nCurSample = m_nInSample;
}

CMediaTime CAviFileReader::Seek(CMediaTime time)
{
    m_nInSample = SampleAt(time);
    m_nOutSample = std::clamp<INT>(SampleAt(time + m_tLength), m_nStartSample, m_nEndSample);
    m_nCurSample = m_nInSample;
    m_tPosition = time;
    m_bAtEnd = 0;
    return m_tPosition;
}

CMediaTime CAviFileReader::SetFrameTime(CMediaTime frameTime)
{
    m_tFrame = frameTime;
    const double microseconds = frameTime.GetTotalMicroseconds();
    const INT align = std::max<INT>(m_Format.wf.nBlockAlign, 1);
    const auto bytes = static_cast<LONGLONG>(static_cast<double>(m_nBytesPerSecond) * microseconds / 1000000.0);
    m_nFrameBytes = static_cast<INT>((bytes + align - 1) / align * align);
    m_nFrameSamples = static_cast<INT>(static_cast<double>(m_nSampleRate) * microseconds / 1000000.0);
    return m_tFrame;
}

MediaFrame* CAviFileReader::GetAudio(INT* failed, WAVEFORMATEX* format, INT want)
{
    auto* frame = new (std::nothrow) MediaFrame;
    if (failed != nullptr)
        *failed = m_bFailed;
    if (frame == nullptr || m_bFailed)
        return frame;
    if (want && format != nullptr) {
        auto* block = new (std::nothrow) CWaveBuffer(m_tFrame, format);
        frame->m_pAudio = block;
        if (m_pSource == nullptr) {
            const double delay = m_tDelay.GetSeconds();
            const double frameSeconds = m_tFrame.GetSeconds();
            m_tDelay = delay >= frameSeconds ? m_tDelay - m_tFrame : CMediaTime();
            // Still waiting: a silent block, and the position stays.
            if (m_tDelay.GetSeconds() > 0.0)
                return frame;
        }
        if (m_pSource == nullptr && block != nullptr && block->m_pBlock != nullptr && format->nBlockAlign != 0
            && m_pStream != nullptr) {
            m_pSource = new (std::nothrow)
                klAudStreamSrc(m_pStream, format, static_cast<INT>(block->m_nCapacity / format->nBlockAlign));
            if (m_pSource != nullptr && m_pSource->IsValid()) {
                m_pSource->SetReadPosition(SampleAt(m_tPosition));
                m_pSource->SetRewindPosition(m_nInSample);
            } else {
                delete m_pSource;
                m_pSource = nullptr;
            }
        }
        if (m_pSource != nullptr && block != nullptr && block->m_pBlock != nullptr)
            m_pSource->Read(block);
    }
    m_tPosition = m_tPosition + m_tFrame;
    if (m_tPosition.GetSeconds() >= (m_tIn + m_tLength).GetSeconds() - 1e-9) {
        m_bAtEnd = 1;
        m_nCurSample = m_nInSample;
        delete m_pSource;
        m_pSource = nullptr;
        m_bFadeInDue = 0;
        m_bFadeOutDue = 0;
    }
    return frame;
}

MediaFrame* CAviFileReader::GetNativeFrame(INT* failed, INT, INT)
{
    if (failed != nullptr)
        *failed = m_bFailed;
    return new (std::nothrow) MediaFrame;
}

INT CAviFileReader::IsOpen() { return m_bOpen && m_pFile != nullptr && m_pStream != nullptr ? 1 : 0; }

INT CAviFileReader::HasVideo() { return 0; }

INT CAviFileReader::HasAudio() { return m_bHasAudio; }

INT CAviFileReader::GetAudioFormat(WAVEFORMATEX* format)
{
    if (format != nullptr)
        std::memcpy(format, &m_Format, sizeof m_Format);
    return 1;
}

WAVEFORMATEX* CAviFileReader::GetNativeAudioFormat() { return &m_NativeFormat; }

SHORT CAviFileReader::Close() { return static_cast<SHORT>(m_nError); }

void CAviFileReader::InitFromAudioClip(AudioClip* clip)
{
    if (clip == nullptr)
        return;
    SetLoop(clip->GetRepeat());
    SetFadeIn(clip->GetFadeIn());
    SetFadeOut(clip->GetFadeOut());
    SetVolume(clip->GetVolume());
}

INT CAviFileReader::FadeInStarts()
{
    if (!m_bFadeIn || m_bFadeInDue || m_tDelay.GetSeconds() > m_tFrame.GetSeconds())
        return 0;
    m_bFadeInDue = 1;
    return 1;
}

INT CAviFileReader::FadeOutStarts(float* seconds)
{
    if (!m_bFadeOut)
        return 0;
    const LONGLONG length = m_tLength.GetMilliseconds();
    const LONGLONG fade = length < 2000 ? length / 2 : 1000;
    if (seconds != nullptr)
        *seconds = static_cast<float>(fade) / 1000.0f;
    if (m_bFadeOutDue || (m_tPosition - m_tIn).GetMilliseconds() < length - fade)
        return 0;
    m_bFadeOutDue = 1;
    return 1;
}
