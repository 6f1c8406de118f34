#include "Win32/Sb/Document/StillMaterial.h"

#include "Platform/Mfc/AfxMessageBox.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/RdxViewer.h"
#include "Win32/Utils/MessageBoxes.h"

namespace {

constexpr UINT kPictureFailureMessage = 2022;
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
    if (m_pViewer != nullptr)
        return m_pViewer;
    CMediaSource* reader = CreateReader();
    if (reader == nullptr) {
        ShowPictureFailure(m_strPath);
        return nullptr;
    }
    m_pViewer = CViewerFactory::Get().CreateStillViewer(reader, owner, destination);
    return m_pViewer;
}

void ShowPictureFailure(LPCSTR path)
{
    CString text;
    if (FormatResourceMessage(kPictureFailureMessage, path, text))
        AfxMessageBox(text, 0, 0);
}
