#include "Win32/Sb/Document/FileMaterial.h"

#include <memory>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Time.h"
#include "Platform/Win/User/MessageBox.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/RdxViewer.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/MessageBoxes.h"

namespace {

// The language string that tells the user why a reader could not be made,
// by the reader factory's result.
struct OpenFailureMessage {
    INT result;
    UINT message;
};

constexpr OpenFailureMessage kOpenFailureMessages[] = {
    {257, 3021}, {258, 3021}, {259, 3022}, {260, 3023}, {261, 3024}, {262, 3025}, {263, 3026},
};
constexpr UINT kOtherOpenFailureMessage = 3027;

constexpr char kVerifyCaption[] = "PRAXOVELLE";
constexpr UINT kPictureFailureMessage = 2022;

UINT OpenFailureMessageOf(INT result)
{
    for (const OpenFailureMessage& row : kOpenFailureMessages) {
        if (row.result == result)
            return row.message;
    }
    return kOtherOpenFailureMessage;
}

} // namespace

FileMaterial::FileMaterial(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag)
    : Material(kind, path, frameRate, duration, storedFlag, 0)
{
    RefreshStamp();
}

FileMaterial::FileMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section)
    : Material(documentPath, profile, section)
{
    m_bOpenEnded = 0;
    if (!documentPath.IsEmpty()) {
        ResolveRelativePath(documentPath, m_strPath);
        CShellServices::Get().FindMissingMedia(&m_strPath, 0, 1);
    }
    RefreshStamp();
}

INT FileMaterial::IsFileBased() const
{
    return 1;
}

void FileMaterial::GetSize(INT size[2]) const
{
    size[0] = m_nWidth;
    size[1] = m_nHeight;
}

INT FileMaterial::GetBitDepth() const
{
    return m_nBitDepth;
}

CMediaSource* FileMaterial::CreateReader() const
{
    CMediaSource* reader = nullptr;
    CMediaFile file(m_strPath);
    file.CreateReader(&reader);
    // The reader reads the scene's own sound only while the material's audio
    // switch is on.
    if (reader != nullptr)
        reader->SetMute(GetAudioEnabled() ? 0 : 1);
    return reader;
}

INT FileMaterial::CanCreateReader() const
{
    return 1;
}

INT FileMaterial::Verify()
{
    CMediaSource* reader = nullptr;
    INT answer = 0;
    const INT result = OpenMediaReader(m_strPath, &reader, "", kVerifyCaption, &answer, 0);
    delete reader;
    return result;
}

INT FileMaterial::HasChanged()
{
    if (m_bChanged)
        return 1;
    return GetFileStamp() == m_strStamp ? 0 : 1;
}

INT FileMaterial::AcknowledgeChange()
{
    const INT changed = HasChanged();
    m_bChanged = 0;
    RefreshStamp();
    return changed;
}

void FileMaterial::ReadFormat(CMediaSource* reader)
{
    m_nWidth = 320;
    m_nHeight = 240;
    m_nBitDepth = 24;
    if (reader == nullptr)
        return;
    if (reader->m_nOutWidth > 0 && reader->m_nOutHeight > 0) {
        m_nWidth = reader->m_nOutWidth;
        m_nHeight = reader->m_nOutHeight;
    }
    m_dFrameRate = reader->GetFrameRate() != 0.0 ? reader->GetFrameRate() : 15.0;
    if (const BITMAPINFOHEADER* header = reader->GetVideoHeader(); header != nullptr && header->biBitCount > 0)
        m_nBitDepth = header->biBitCount;
}

CString FileMaterial::GetFileStamp() const
{
    WIN32_FILE_ATTRIBUTE_DATA status{};
    SYSTEMTIME time{};
    if (m_strPath.IsEmpty() || !GetFileAttributesExA(m_strPath, GetFileExInfoStandard, &status)
        || !FileTimeToSystemTime(&status.ftLastWriteTime, &time))
        return CString();
    CString stamp;
    stamp.Format("%04u %02u %02u %02u %02u %02u ", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                 time.wSecond);
    return stamp;
}

void FileMaterial::RefreshStamp()
{
    m_strStamp = GetFileStamp();
}

RDXViewer* FileMaterial::CreatePictureViewer(RDXControl* owner, DWORD destination)
{
    if (m_pViewer != nullptr)
        return m_pViewer;
    CMediaSource* reader = CreateReader();
    if (reader == nullptr) {
        CString text;
        if (FormatResourceMessage(kPictureFailureMessage, m_strPath, text))
            AfxMessageBox(text, 0, 0);
        return nullptr;
    }
    m_pViewer = CViewerFactory::Get().CreateStillViewer(reader, owner, destination);
    return m_pViewer;
}

// The reader of the file rule, not a subclass's: a still's reader shrinks
// its output to a thumbnail, which would hide the picture's own size.
void FileMaterial::ReadFormatFromFile()
{
    std::unique_ptr<CMediaSource> reader(FileMaterial::CreateReader());
    ReadFormat(reader.get());
}

INT OpenMediaReader(LPCSTR path, CMediaSource** reader, LPCSTR suffix, LPCSTR caption, INT* answer, UINT buttons)
{
    CMediaSource* made = nullptr;
    CMediaFile file(path);
    INT result = file.CreateReader(&made);
    if (result == CMediaFile::kOk && made != nullptr) {
        if (reader != nullptr)
            *reader = made;
        else
            delete made;
        return 1;
    }
    if (reader != nullptr)
        *reader = nullptr;
    if (result == CMediaFile::kOk)
        result = CMediaFile::kUnknownExtension;
    CString text;
    if (!FormatResourceMessage(OpenFailureMessageOf(result), path, text))
        text = path;
    text += suffix != nullptr ? suffix : "";
    CShellServices& shell = CShellServices::Get();
    shell.Beep(MB_ICONHAND);
    const int chosen = shell.MessageBox(text, caption, buttons);
    if (answer != nullptr)
        *answer = chosen;
    return 0;
}
