#include "Win32/Sb/Document/VideoMaterial.h"

#include <cstring>
#include <new>

#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/RdxViewer.h"

VideoMaterial::VideoMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                             const CMediaTime& duration, INT toEnd)
    : VideoMaterial(path, frameRate, storedFlag, inPoint, duration, toEnd, true)
{
}

VideoMaterial::VideoMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                             const CMediaTime& duration, INT toEnd, bool readFormat)
    : TimedMaterial(kKindVideo, path, frameRate, storedFlag, inPoint, duration, toEnd)
{
    if (readFormat)
        ReadFormatFromFile();
}

VideoMaterial::VideoMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section)
    : TimedMaterial(documentPath, profile, section)
{
    m_nKind = kKindVideo;
    ReadFormatFromFile();
}

Material* VideoMaterial::Clone() const
{
    auto* copy = new VideoMaterial(m_strPath, m_dFrameRate, m_bStored, m_tIn, m_tDuration, m_bToEnd);
    copy->SetAudioEnabled(GetAudioEnabled());
    return copy;
}

const PCMWAVEFORMAT* VideoMaterial::GetAudioFormat() const
{
    return m_pAudioFormat.get();
}

INT VideoMaterial::HasAudioFormat() const
{
    return m_pAudioFormat != nullptr ? 1 : 0;
}

RDXViewer* VideoMaterial::CreateViewer(RDXControl* owner, DWORD destination, INT extra)
{
    if (m_pViewer != nullptr)
        return m_pViewer;
    RDXViewer* viewer = CViewerFactory::Get().CreateVideoViewer(
        m_strPath, static_cast<INT>(GetInPoint().GetMilliseconds()), static_cast<INT>(GetOutPoint().GetMilliseconds()),
        owner, destination, GetAudioEnabled(), extra);
    if (viewer != nullptr && !viewer->IsValid()) {
        delete viewer;
        viewer = nullptr;
    }
    m_pViewer = viewer;
    return m_pViewer;
}

void VideoMaterial::ReadFormat(CMediaSource* reader)
{
    ReadStreamFormat(reader);
    TimedMaterial::ReadFormat(reader);
}

INT VideoMaterial::GetVideoSubtype(GUID* subtype) const
{
    if (subtype != nullptr)
        *subtype = m_VideoSubtype;
    return m_nSubtypeResult;
}

void VideoMaterial::ReadStreamFormat(CMediaSource* reader)
{
    m_pAudioFormat.reset();
    m_nSubtypeResult = 0;
    if (reader == nullptr)
        return;
    m_nSubtypeResult = reader->GetVideoSubtype(&m_VideoSubtype);
    if (!reader->HasAudio())
        return;
    WAVEFORMATEX format{};
    if (!reader->GetAudioFormat(&format))
        return;
    m_pAudioFormat.reset(new (std::nothrow) PCMWAVEFORMAT{});
    if (m_pAudioFormat != nullptr)
        std::memcpy(m_pAudioFormat.get(), &format, sizeof(PCMWAVEFORMAT));
}
