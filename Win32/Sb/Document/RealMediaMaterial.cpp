#include "Win32/Sb/Document/RealMediaMaterial.h"

#include <cstring>
#include <new>

#include "Win32/Sb/Media/MediaSource.h"

namespace {

// The buffers the clip texts are copied into, in the order of the media
// information texts: property listing, author, title, rights notice.
constexpr size_t kInfoTextSizes[] = {4096, 261, 257, 260};

// A copy of `text` cut to `size` bytes with its terminator, or null.
std::unique_ptr<char[]> CopyText(LPCSTR text, size_t size)
{
    if (text == nullptr)
        return nullptr;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
    if (copy != nullptr) {
        std::strncpy(copy.get(), text, size - 1);
        copy[size - 1] = '\0';
    }
    return copy;
}

} // namespace

RealMediaMaterial::RealMediaMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                                     const CMediaTime& duration, INT toEnd)
    : VideoMaterial(path, frameRate, storedFlag, inPoint, duration, toEnd, false)
{
    ReadFormatFromFile();
}

Material* RealMediaMaterial::Clone() const
{
    auto* copy = new RealMediaMaterial(m_strPath, m_dFrameRate, m_bStored, m_tIn, m_tDuration, m_bToEnd);
    copy->SetAudioEnabled(GetAudioEnabled());
    return copy;
}

INT RealMediaMaterial::GetMediaFlag1() const
{
    return m_bEvents;
}

LPCSTR RealMediaMaterial::GetMediaInfoText0() const
{
    return m_pszInfo[0].get();
}

// The RealMedia reader hands out the clip's thumbnail as every frame, so
// the viewer takes the reader itself as its one-picture source.
RDXViewer* RealMediaMaterial::CreateViewer(RDXControl* owner, DWORD destination, INT)
{
    return CreatePictureViewer(owner, destination);
}

void RealMediaMaterial::ReadFormat(CMediaSource* reader)
{
    ReadStreamFormat(reader);
    for (auto& text : m_pszInfo)
        text.reset();
    m_bEvents = 0;
    m_bImageMaps = 0;
    if (reader != nullptr) {
        m_bEvents = reader->HasEvents();
        m_bImageMaps = reader->HasImageMaps();
        if (reader->HasProperties())
            m_pszInfo[0] = CopyText(reader->GetProperties(), kInfoTextSizes[0]);
        m_pszInfo[1] = CopyText(reader->GetAuthor(), kInfoTextSizes[1]);
        m_pszInfo[2] = CopyText(reader->GetTitle(), kInfoTextSizes[2]);
        m_pszInfo[3] = CopyText(reader->GetRights(), kInfoTextSizes[3]);
    }
    TimedMaterial::ReadFormat(reader);
}
