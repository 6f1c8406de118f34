#include "Win32/Sb/Document/StillMaterial.h"

#include "Win32/Sb/Media/MediaSource.h"

namespace {

constexpr INT kThumbnailWidth = 160;
constexpr INT kThumbnailHeight = 120;

} // namespace

StillMaterial::StillMaterial(LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag)
    : FileMaterial(kKindStill, path, frameRate, duration, storedFlag)
{
    ReadFormatFromFile();
}

StillMaterial::StillMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section)
    : FileMaterial(documentPath, profile, section)
{
    m_nKind = kKindStill;
    ReadFormatFromFile();
}

Material* StillMaterial::Clone() const
{
    auto* copy = new StillMaterial(m_strPath, m_dFrameRate, m_tDuration, m_bStored);
    copy->SetAudioEnabled(GetAudioEnabled());
    return copy;
}

CMediaSource* StillMaterial::CreateReader() const
{
    CMediaSource* reader = FileMaterial::CreateReader();
    if (reader != nullptr)
        reader->SetOutputSize(CGfxSize(kThumbnailWidth, kThumbnailHeight));
    return reader;
}

RDXViewer* StillMaterial::CreateViewer(RDXControl* owner, DWORD destination, INT)
{
    return CreatePictureViewer(owner, destination);
}
