#include "Win32/Sb/Media/RealMediaReader.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "Platform/Outside/RealMedia/RealMedia.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/StillImageReader.h"

namespace {

constexpr INT kFrameCount = 5;
constexpr DWORD kFrameMicroseconds = 1000000;
constexpr LPCSTR kDecorationBitmap = "realvideo.bmp";
// The size of the black picture of a clip without video, thumbnail or
// decoration picture.
constexpr INT kDefaultWidth = 320;
constexpr INT kDefaultHeight = 240;

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length < MAX_PATH ? length : 0);
    const size_t slash = program.find_last_of('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

LPSTR CopyText(LPCSTR text)
{
    if (text == nullptr)
        return nullptr;
    const size_t length = std::strlen(text);
    auto* copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr)
        std::memcpy(copy, text, length + 1);
    return copy;
}

} // namespace

CRealMediaInfo::CRealMediaInfo(LPCSTR path, LPCSTR folder)
{
    if (folder != nullptr)
        std::snprintf(m_szFolder, sizeof m_szFolder, "%s", folder);
    if (path == nullptr)
        return;
    m_bInputGiven = 1;
    m_bReadOk = RMEditOpen(path, &m_pEdit) == RMEDIT_OK;
    m_bOpened = m_bReadOk ? 1 : 0;
}

CRealMediaInfo::~CRealMediaInfo()
{
    RMEditClose(m_pEdit);
}

void CRealMediaInfo::ReadClipInfo()
{
    if (!m_bReadOk)
        return;
    // Each text that the clip does not answer stays null and ends the
    // reading of the texts.
    m_bHasTitle = RMEditGetText(m_pEdit, RMEDIT_TEXT_TITLE, m_szTitle, kTitleSize) == RMEDIT_OK;
    m_bHasAuthor = m_bHasTitle && RMEditGetText(m_pEdit, RMEDIT_TEXT_AUTHOR, m_szAuthor, kAuthorSize) == RMEDIT_OK;
    m_bHasRights = m_bHasAuthor && RMEditGetText(m_pEdit, RMEDIT_TEXT_COPYRIGHT, m_szRights, kRightsSize) == RMEDIT_OK;
    if (!m_bHasRights)
        return;
    RMSTREAMINFO info{};
    if (RMEditGetStreamInfo(m_pEdit, &info) == RMEDIT_OK) {
        m_bHasAudio = info.bHasAudio;
        m_bHasVideo = info.bHasVideo;
        if (m_bHasVideo) {
            m_nVideoWidth = static_cast<WORD>(info.nVideoWidth);
            m_nVideoHeight = static_cast<WORD>(info.nVideoHeight);
        }
        m_bHasEvents = info.bHasEvents;
        m_bHasImageMaps = info.bHasImageMaps;
    }
    ReadProperties();
}

void CRealMediaInfo::ReadProperties()
{
    size_t used = 0;
    char name[256];
    char value[kPropertiesSize];
    for (INT i = 0; RMEditGetProperty(m_pEdit, i, name, sizeof name, value, sizeof value) == RMEDIT_OK; ++i) {
        const std::string line = std::string(name) + ": " + value + "\r\n";
        if (used + line.size() >= kPropertiesSize - 1)
            break;
        std::memcpy(m_szProperties + used, line.data(), line.size());
        used += line.size();
    }
    m_szProperties[used] = '\0';
}

CRealMediaReader::CRealMediaReader(LPCSTR path, LPCSTR programFolder)
{
    const std::string folder = programFolder != nullptr ? programFolder : ProgramFolder();
    m_strPath = path != nullptr ? path : "";
    m_pFallback = new (std::nothrow) CStillImageReader((folder + kDecorationBitmap).c_str(), 1, 0, 0);
    m_tSourceFrame.SetSeconds(1.0);
    m_pInfo = new (std::nothrow) CRealMediaInfo(path, folder.c_str());
    const bool opened = m_pInfo != nullptr && m_pInfo->IsOpened();
    if (opened) {
        m_pInfo->ReadClipInfo();
        m_pszTitle = CopyText(m_pInfo->GetTitle());
        m_pszAuthor = CopyText(m_pInfo->GetAuthor());
        m_pszRights = CopyText(m_pInfo->GetRights());
        m_pszProperties = CopyText(m_pInfo->GetProperties());
    }
    const bool thumbnail = path != nullptr && TakeThumbnail();
    if (!thumbnail)
        m_tLength.SetSeconds(kFrameCount);

    // The picture size: the clip's video, else its thumbnail, else the
    // decoration picture, else a plain default for the black frames.
    INT width = opened ? m_pInfo->m_nVideoWidth : 0;
    INT height = opened ? m_pInfo->m_nVideoHeight : 0;
    if ((width <= 0 || height <= 0) && thumbnail) {
        width = m_nThumbWidth;
        height = m_nThumbHeight;
    }
    if ((width <= 0 || height <= 0) && m_pFallback != nullptr && m_pFallback->IsOpen()) {
        width = m_pFallback->m_nSourceWidth;
        height = m_pFallback->m_nSourceHeight;
    }
    if (width <= 0 || height <= 0) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    InitVideo(0, kFrameCount, kFrameMicroseconds, width, height, 24);
}

CRealMediaReader::~CRealMediaReader()
{
    delete m_pFallback;
    delete m_pInfo;
    delete[] m_pszTitle;
    delete[] m_pszAuthor;
    delete[] m_pszRights;
    delete[] m_pszProperties;
    m_pszTitle = m_pszAuthor = m_pszRights = m_pszProperties = nullptr;
    if (m_pThumbBits != nullptr)
        CleanupRealThumb(m_pThumbBits);
}

bool CRealMediaReader::TakeThumbnail()
{
    BYTE* bits = nullptr;
    INT width = 0;
    INT height = 0;
    INT duration = 0;
    const std::string url = std::string("file:") + static_cast<LPCSTR>(m_strPath);
    if (!GetRealThumb(url.c_str(), &bits, &width, &height, &duration) || bits == nullptr || width <= 0 || height <= 0) {
        if (bits != nullptr)
            CleanupRealThumb(bits);
        return false;
    }
    if (m_pThumbBits != nullptr)
        CleanupRealThumb(m_pThumbBits);
    m_pThumbBits = bits;
    m_nThumbWidth = width;
    m_nThumbHeight = height;
    m_nDurationMs = duration;
    // A clip that does not say how long it is keeps the still length.
    m_tLength.SetSeconds(duration > 0 ? duration * 0.001 : kFrameCount);
    return true;
}

INT CRealMediaReader::HasVideo()
{
    return m_pInfo != nullptr ? m_pInfo->m_bHasVideo : 0;
}

INT CRealMediaReader::HasAudio()
{
    return m_pInfo != nullptr ? m_pInfo->m_bHasAudio : 0;
}

INT CRealMediaReader::HasEvents()
{
    return m_pInfo != nullptr ? m_pInfo->m_bHasEvents : 0;
}

INT CRealMediaReader::HasImageMaps()
{
    return m_pInfo != nullptr ? m_pInfo->m_bHasImageMaps : 0;
}

INT CRealMediaReader::HasProperties()
{
    return m_pszProperties != nullptr && m_pszProperties[0] != '\0';
}

void CRealMediaReader::ReadAudio(INT block, INT ignored, MediaFrame* frame)
{
    if (m_pFallback != nullptr)
        m_pFallback->ReadAudio(block, ignored, frame);
}

void CRealMediaReader::ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame)
{
    // The picture does not change from frame to frame, so a frame already
    // made is kept (and a clip without a thumbnail is not asked again for
    // every output frame).
    if (frame == nullptr || (heldIndex >= 0 && heldIndex == frameIndex))
        return;
    if (m_pThumbBits == nullptr && !TakeThumbnail()) {
        if (m_pFallback != nullptr)
            m_pFallback->ReadVideo(frameIndex, heldIndex, frame);
        return;
    }
    auto* image = new (std::nothrow) CIplImage(m_nThumbWidth, m_nThumbHeight, 0);
    IplImage* ipl = image != nullptr ? image->GetImage() : nullptr;
    if (ipl == nullptr) {
        delete image;
        return;
    }
    const size_t rowBytes = static_cast<size_t>(m_nThumbWidth) * 3;
    for (INT y = 0; y < m_nThumbHeight; ++y)
        std::memcpy(ipl->imageData + static_cast<ptrdiff_t>(y) * ipl->widthStep, m_pThumbBits + rowBytes * y, rowBytes);
    frame->m_pImage = image;
}

INT CRealMediaReader::IsOpenImpl()
{
    return (m_pInfo != nullptr && m_pInfo->IsOpened()) || m_pThumbBits != nullptr;
}

INT CRealMediaReader::CanAllocateImage()
{
    return m_pFallback != nullptr ? m_pFallback->CanAllocateImage() : 1;
}
