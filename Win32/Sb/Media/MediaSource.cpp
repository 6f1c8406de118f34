#include "Win32/Sb/Media/MediaSource.h"

#include <cmath>

#include "Platform/Win/Base/WinError.h"
#include "Win32/Sb/Media/MediaFrame.h"

namespace {

CMediaTime FromSeconds(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

} // namespace

CMediaSource::CMediaSource() = default;

CMediaSource::~CMediaSource() = default;

void CMediaSource::SetStretch(INT)
{
    m_bStretch = 1;
}

void CMediaSource::SetInOut(CMediaTime out, CMediaTime in)
{
    if (out.GetSeconds() > in.GetSeconds()) {
        m_tLength = out - in;
        m_tIn = in;
    }
}

CMediaTime CMediaSource::SetStartPosition(CMediaTime time)
{
    m_tStart = Seek(time);
    return m_tStart;
}

// The frame index is a full 64-bit count: a 16-bit one wrapped after 65,535
// frames (36 minutes at 30 frames per second).
CMediaTime CMediaSource::Seek(CMediaTime time)
{
    const double t = time.GetSeconds();
    const double length = m_tLength.GetSeconds();
    const double sourceFrame = m_tSourceFrame.GetSeconds();
    const double outputFrame = m_tFrame.GetSeconds();
    LONGLONG index = 0;
    if (t > 0.0) {
        if (length >= t)
            // The nudge keeps a time computed as index x frame time from
            // rounding down to the frame before.
            index = sourceFrame > 0.0 ? static_cast<LONGLONG>(std::floor(t / sourceFrame + 1e-9)) : 0;
        else
            index = outputFrame > 0.0 ? static_cast<LONGLONG>(length / outputFrame + 0.5) - 1 : 0;
    }
    if (index < 0)
        index = 0;
    m_tPosition = FromSeconds(sourceFrame * static_cast<double>(index));
    m_bAtEnd = 0;
    return m_tPosition;
}

CMediaTime CMediaSource::SetFrameTime(CMediaTime frameTime)
{
    m_tFrame = frameTime;
    return m_tFrame;
}

CGfxSize CMediaSource::SetOutputSize(CGfxSize size)
{
    m_nOutWidth = size.cx;
    m_nOutHeight = size.cy;
    return size;
}

void CMediaSource::SetFailed(INT failed)
{
    m_bFailed = failed;
}

MediaFrame* CMediaSource::GetAudio(INT* failed, WAVEFORMATEX*, INT)
{
    if (failed != nullptr)
        *failed = 0;
    return nullptr;
}

MediaFrame* CMediaSource::GetFrame(INT* failed, INT, INT, WAVEFORMATEX*)
{
    if (failed != nullptr)
        *failed = 0;
    return nullptr;
}

MediaFrame* CMediaSource::GetNativeFrame(INT* failed, INT, INT)
{
    if (failed != nullptr)
        *failed = 0;
    return nullptr;
}

double CMediaSource::GetRelativePosition()
{
    return (m_tPosition - m_tIn).GetSeconds();
}

INT CMediaSource::IsAtEnd()
{
    return m_bAtEnd;
}

CMediaTime CMediaSource::SeekToStart()
{
    return Seek(m_tIn);
}

CMediaTime CMediaSource::GetInPoint()
{
    return m_tIn;
}

CMediaTime CMediaSource::Rewind()
{
    return Seek(CMediaTime(0, 0, 0, 0.0, m_tPosition.m_nUnitsPerSecond));
}

INT CMediaSource::IsOpen()
{
    return 1;
}

INT CMediaSource::HasVideo()
{
    return 1;
}

INT CMediaSource::HasAudio()
{
    return 0;
}

INT CMediaSource::HasEvents()
{
    return 0;
}

INT CMediaSource::HasImageMaps()
{
    return 0;
}

INT CMediaSource::HasProperties()
{
    return 0;
}

LPCSTR CMediaSource::GetProperties()
{
    return m_pszProperties;
}

LPCSTR CMediaSource::GetAuthor()
{
    return m_pszAuthor;
}

LPCSTR CMediaSource::GetTitle()
{
    return m_pszTitle;
}

LPCSTR CMediaSource::GetRights()
{
    return m_pszRights;
}

INT CMediaSource::GetAudioFormat(WAVEFORMATEX*)
{
    return 0;
}

WAVEFORMATEX* CMediaSource::GetNativeAudioFormat()
{
    return nullptr;
}

BITMAPINFOHEADER* CMediaSource::GetVideoHeader()
{
    return nullptr;
}

INT CMediaSource::GetVideoSubtype(GUID*)
{
    return 0;
}

SHORT CMediaSource::Close()
{
    return 0;
}

void CMediaSource::InitFromAudioClip(AudioClip*) {}

INT CMediaSource::GetLoop()
{
    return m_bLoop;
}

void CMediaSource::SetLoop(INT loop)
{
    m_bLoop = loop;
}

void CMediaSource::SetFadeIn(INT fadeIn)
{
    m_bFadeIn = fadeIn;
}

INT CMediaSource::GetFadeIn()
{
    return m_bFadeIn;
}

void CMediaSource::SetFadeOut(INT fadeOut)
{
    m_bFadeOut = fadeOut;
}

INT CMediaSource::GetFadeOut()
{
    return m_bFadeOut;
}

void CMediaSource::SetMute(INT mute)
{
    m_bMute = mute;
}

INT CMediaSource::GetMute()
{
    return m_bMute;
}

void CMediaSource::SetVolume(INT volume)
{
    m_nVolume = volume;
}

INT CMediaSource::GetVolume()
{
    return m_nVolume;
}

INT CMediaSource::FadeInStarts()
{
    return 0;
}

INT CMediaSource::FadeOutStarts(float*)
{
    return 0;
}

void CMediaSource::SetEffects(const EffectList*) {}

HRESULT CMediaSource::SeekGraph(CMediaTime)
{
    return E_FAIL;
}

void CMediaSource::SetStartTime(const CMediaTime& delay)
{
    m_tDelay = delay;
    m_tDelayTotal = delay;
}

void CMediaSource::GetFrameSize(INT* width, INT* height) const
{
    if (width != nullptr)
        *width = m_nSourceWidth;
    if (height != nullptr)
        *height = m_nSourceHeight;
}
