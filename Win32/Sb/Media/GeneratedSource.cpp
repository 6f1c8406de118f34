#include "Win32/Sb/Media/GeneratedSource.h"

#include <new>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

constexpr WAVEFORMATEX kDefaultFormat = {WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};

CMediaTime FromMicroseconds(double microseconds)
{
    return CMediaTime(0, 0, 0, microseconds, CMediaTime::kMicroseconds);
}

} // namespace

CGeneratedSource::CGeneratedSource(COLORREF fillColor, INT width, INT height, DWORD frameTime, INT frameCount,
                                   const WAVEFORMATEX* format, INT withAudio)
    : m_nFillColor(fillColor), m_AudioFormat(kDefaultFormat), m_NativeFormat(kDefaultFormat)
{
    m_nSourceWidth = width;
    m_nSourceHeight = height;
    m_nOutWidth = width;
    m_nOutHeight = height;
    m_tSourceFrame = FromMicroseconds(frameTime);
    m_tFrame = m_tSourceFrame;
    Seek(CMediaTime());
    m_tStart = m_tPosition;
    SetInOut(m_tSourceFrame * frameCount, CMediaTime());

    m_pImage = new (std::nothrow) CIplImage(m_nOutWidth, m_nOutHeight, m_nFillColor);
    if (m_pImage != nullptr && m_pImage->GetImage() == nullptr) {
        delete m_pImage;
        m_pImage = nullptr;
    }
    m_bHasVideo = m_pImage != nullptr;

    if (withAudio) {
        if (format != nullptr) {
            m_AudioFormat = *format;
            m_AudioFormat.cbSize = 0;
        }
        m_pAudioBlock = new (std::nothrow) CWaveBuffer(m_tFrame, &m_AudioFormat);
        if (m_pAudioBlock != nullptr && (!m_pAudioBlock->m_bValid || m_pAudioBlock->m_pBlock == nullptr)) {
            delete m_pAudioBlock;
            m_pAudioBlock = nullptr;
        }
    }
    m_bHasAudio = m_pAudioBlock != nullptr;
}

CGeneratedSource::~CGeneratedSource()
{
    delete m_pImage;
    delete m_pAudioBlock;
}

MediaFrame* CGeneratedSource::MakeFrame(INT wantVideo, const WAVEFORMATEX* format)
{
    auto* frame = new (std::nothrow) MediaFrame;
    if (frame == nullptr)
        return nullptr;
    if (wantVideo) {
        frame->m_pImage = new (std::nothrow) CIplImage(m_nOutWidth, m_nOutHeight, m_nFillColor);
        if (frame->m_pImage != nullptr && frame->m_pImage->GetImage() == nullptr) {
            delete frame->m_pImage;
            frame->m_pImage = nullptr;
        }
    }
    if (format != nullptr) {
        frame->m_pAudio = new (std::nothrow) CWaveBuffer(m_tFrame, format);
        if (frame->m_pAudio != nullptr && !frame->m_pAudio->m_bValid) {
            delete frame->m_pAudio;
            frame->m_pAudio = nullptr;
        }
    }
    return frame;
}

MediaFrame* CGeneratedSource::GetFrame(INT* failed, INT wantVideo, INT wantAudio, WAVEFORMATEX* format)
{
    MediaFrame* frame = MakeFrame(wantVideo, wantAudio ? format : nullptr);
    if (frame != nullptr && frame->m_pImage != nullptr) {
        // The in point of a generated scene is always 0, so the position is
        // the time within the scene.
        CIplImage* drawn = m_Effects.RenderFrame(frame->m_pImage, frame->m_pAudio, m_tPosition, m_tFrame);
        if (drawn != nullptr && drawn != frame->m_pImage) {
            delete frame->m_pImage;
            frame->m_pImage = drawn;
        }
    }
    m_tPosition += m_tFrame;
    if (failed != nullptr)
        *failed = 0;
    return frame;
}

MediaFrame* CGeneratedSource::GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio)
{
    MediaFrame* frame = MakeFrame(wantVideo, wantAudio ? &m_AudioFormat : nullptr);
    Seek(m_tPosition + m_tFrame);
    if (failed != nullptr)
        *failed = 0;
    return frame;
}

INT CGeneratedSource::IsOpen()
{
    return m_pImage != nullptr;
}

INT CGeneratedSource::HasVideo()
{
    return m_bHasVideo;
}

INT CGeneratedSource::HasAudio()
{
    return m_bHasAudio;
}

INT CGeneratedSource::GetAudioFormat(WAVEFORMATEX* format)
{
    if (!m_bHasAudio || format == nullptr)
        return 0;
    const WORD extra = format->cbSize;
    *format = m_AudioFormat;
    format->cbSize = extra;
    return 1;
}

WAVEFORMATEX* CGeneratedSource::GetNativeAudioFormat()
{
    return m_bHasAudio ? &m_NativeFormat : nullptr;
}

BITMAPINFOHEADER* CGeneratedSource::GetVideoHeader()
{
    return nullptr;
}

void CGeneratedSource::SetEffects(const EffectList* effects)
{
    if (effects != nullptr)
        m_Effects.CopyFrom(*effects);
}
