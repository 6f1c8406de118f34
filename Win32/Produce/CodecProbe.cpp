#include "Win32/Produce/CodecProbe.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include "Platform/Win/Kernel/Crt.h"

namespace {

// The output format the compressor gives for `in`, or null when it gives
// none.
std::unique_ptr<BYTE[]> FetchOutputFormat(HIC hic, const BITMAPINFOHEADER& in)
{
    const LRESULT size = ICCompressGetFormatSize(hic, &in);
    if (size < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)))
        return nullptr;
    std::unique_ptr<BYTE[]> out(new (std::nothrow) BYTE[static_cast<size_t>(size)]());
    if (!out || ICCompressGetFormat(hic, &in, reinterpret_cast<BITMAPINFOHEADER*>(out.get())) != ICERR_OK)
        return nullptr;
    return out;
}

} // namespace

CCodecProbe::CCodecProbe(FOURCC fccHandler) : m_fccHandler(fccHandler)
{
    m_info.dwSize = sizeof m_info;
    if (!ICInfo(ICTYPE_VIDEO, fccHandler, &m_info))
        return;
    m_bFound = 1;
    m_hic = ICOpen(m_info.fccType, fccHandler, ICMODE_QUERY);
    if (m_hic == nullptr)
        return;
    ICGetInfo(m_hic, &m_info, sizeof m_info);
    m_bTemporal = (m_info.dwFlags & VIDCF_TEMPORAL) != 0;
    m_nDefaultKeyFrameRate = static_cast<int>(ICGetDefaultKeyFrameRate(m_hic));
    m_nDefaultQuality = static_cast<int>(ICGetDefaultQuality(m_hic));
    m_bConfigurable = ICSendMessage(m_hic, ICM_CONFIGURE, static_cast<DWORD_PTR>(-1), 0) != ICERR_UNSUPPORTED;
    m_bQuality = (m_info.dwFlags & VIDCF_QUALITY) != 0;
    const LRESULT stateSize = ICGetState(m_hic, nullptr, 0);
    if (stateSize > 0) {
        m_pState = new (std::nothrow) BYTE[static_cast<size_t>(stateSize)]();
        if (m_pState != nullptr) {
            m_cbState = static_cast<int>(stateSize);
            ICGetState(m_hic, m_pState, static_cast<DWORD>(stateSize));
        }
    }
}

CCodecProbe::~CCodecProbe()
{
    delete[] m_pState;
    if (m_hic != nullptr)
        ICClose(m_hic);
}

CString CCodecProbe::GetDescription() const
{
    char text[128] = {};
    WideCharToMultiByte(0, 0, m_info.szDescription, -1, text, sizeof text, nullptr, nullptr);
    text[sizeof text - 1] = '\0';
    return CString(text);
}

BOOL CCodecProbe::SupportsDepth(int bytesPerPixel, const BITMAPINFOHEADER* header) const
{
    if (m_hic == nullptr || bytesPerPixel <= 0 || header == nullptr)
        return FALSE;
    BITMAPINFOHEADER in = *header;
    in.biSize = sizeof in;
    in.biWidth = 320;
    in.biHeight = 240;
    in.biBitCount = static_cast<WORD>(bytesPerPixel * 8);
    in.biClrUsed = in.biBitCount == 8 ? 256 : 0;
    if (ICCompressQuery(m_hic, &in, nullptr) != ICERR_OK)
        return FALSE;
    const std::unique_ptr<BYTE[]> bytes = FetchOutputFormat(m_hic, in);
    if (!bytes)
        return FALSE;
    const auto* out = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.get());
    const DWORD colourLimit = in.biBitCount == 8 ? 256 : 0;
    return out->biBitCount == in.biBitCount && out->biPlanes == 1 && out->biClrUsed <= colourLimit;
}

BOOL CCodecProbe::SupportsFrameSize(BITMAPINFOHEADER* header, int width, int height) const
{
    if (m_hic == nullptr || header == nullptr)
        return FALSE;
    // A size counts only when the compressor gives an output format of
    // exactly that size at one of the depths a writer would offer it (24,
    // then 16, then 8 bits); anything else would fail when production
    // starts.
    BITMAPINFOHEADER in = *header;
    in.biSize = sizeof in;
    in.biWidth = width;
    in.biHeight = height;
    bool taken = false;
    for (WORD bits : {WORD(24), WORD(16), WORD(8)}) {
        in.biBitCount = bits;
        in.biClrUsed = bits == 8 ? 256 : 0;
        const std::unique_ptr<BYTE[]> bytes = FetchOutputFormat(m_hic, in);
        if (!bytes)
            continue;
        const auto* out = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.get());
        if (out->biWidth == width && (out->biHeight == height || out->biHeight == -height)) {
            taken = true;
            break;
        }
    }
    if (!taken)
        return FALSE;
    if (IsDVFourCC(m_fccHandler) && !(width == 720 && (height == 480 || height == 576)))
        return FALSE;
    header->biWidth = width;
    header->biHeight = height;
    return TRUE;
}

BOOL CCodecProbe::IsDVFourCC(FOURCC fcc)
{
    return fcc == mmioFOURCC('d', 'v', 's', 'd') || fcc == mmioFOURCC('D', 'V', 'S', 'D');
}
