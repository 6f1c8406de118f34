#include "Win32/Sb/Document/ProductionSettings.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "Platform/Win/Kernel/Crt.h"

namespace {

constexpr FOURCC kStreamVideo = mmioFOURCC('v', 'i', 'd', 's');
constexpr FOURCC kUncompressed = mmioFOURCC('D', 'I', 'B', ' ');
// The format slot's value while the format is the record's own header.
constexpr DWORD kOwnFormat = offsetof(ProductionParams, m_Format);

// The probe frame offered to each compressor.
constexpr LONG kProbeWidth = 320;
constexpr LONG kProbeHeight = 240;
constexpr WORD kProbeDepths[] = {8, 16, 24};
// Descriptions longer than this are cut.
constexpr int kDescriptionBytes = 128;

struct PcmRow {
    WORD channels;
    DWORD rate;
    WORD bits;
};

// PCM audio format indices 2..13.
constexpr PcmRow kPcmFormats[] = {
    {1, 11025, 8},  {2, 11025, 8},  {1, 11025, 16}, {2, 11025, 16}, {1, 22050, 8},  {2, 22050, 8},
    {1, 22050, 16}, {2, 22050, 16}, {1, 44100, 8},  {2, 44100, 8},  {1, 44100, 16}, {2, 44100, 16},
};
constexpr INT kFirstPcmIndex = 2;

// DV audio indices 0..3: the rate (0: no sound).
constexpr DWORD kDvRates[] = {32000, 0, 44100, 48000};

// The sound format Windows Media output starts with.
constexpr WAVEFORMATEX kWindowsMediaDefault{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

const CodecRegistry kSystemRegistry{ICInfo, ICOpen, ICGetInfo, ICSendMessage, ICClose};
const CodecRegistry* g_registry = &kSystemRegistry;

void CompleteFormat(WAVEFORMATEX* format)
{
    format->nBlockAlign = static_cast<WORD>(format->nChannels * format->wBitsPerSample / 8);
    format->nAvgBytesPerSec = DWORD{format->nBlockAlign} * format->nSamplesPerSec;
}

// What the produce wizard's compressor probe says of a handler: its
// ICINFO with a description, or FALSE when it has none.
BOOL ProbeCompressor(const CodecRegistry& icm, DWORD handler, ICINFO* info)
{
    ICINFO found{};
    if (!icm.Info(ICTYPE_VIDEO, handler, &found))
        return FALSE;
    HIC hic = icm.Open(ICTYPE_VIDEO, handler, ICMODE_QUERY);
    if (hic == nullptr)
        return FALSE;
    found.dwSize = sizeof found;
    icm.GetInfo(hic, &found, sizeof found);
    icm.Close(hic);
    if (found.szDescription[0] == 0)
        return FALSE;
    *info = found;
    return TRUE;
}

// Whether the compressor takes a 320 x 240 picture at 8, 16 or 24 bits
// and names an output format.
BOOL PassesInputTest(const CodecRegistry& icm, HIC hic, const BITMAPINFOHEADER& settingsFormat)
{
    BITMAPINFOHEADER in = settingsFormat;
    in.biWidth = kProbeWidth;
    in.biHeight = kProbeHeight;
    in.biPlanes = 1;
    in.biCompression = BI_RGB;
    bool accepted = false;
    for (WORD depth : kProbeDepths) {
        in.biBitCount = depth;
        in.biClrUsed = depth == 8 ? 256 : 0;
        in.biSizeImage = static_cast<DWORD>(((kProbeWidth * depth + 31) / 32) * 4 * kProbeHeight);
        if (icm.SendMessage(hic, ICM_COMPRESS_QUERY, reinterpret_cast<DWORD_PTR>(&in), 0) == ICERR_OK) {
            accepted = true;
            break;
        }
    }
    return accepted
        && icm.SendMessage(hic, ICM_COMPRESS_GET_FORMAT, reinterpret_cast<DWORD_PTR>(&in), 0) >= 1;
}

} // namespace

const CodecRegistry& CodecRegistry::Current()
{
    return *g_registry;
}

const CodecRegistry* CodecRegistry::SetCurrent(const CodecRegistry* registry)
{
    const CodecRegistry* previous = g_registry;
    g_registry = registry != nullptr ? registry : &kSystemRegistry;
    return previous;
}

ProductionParams::ProductionParams()
{
    std::memset(this, 0, sizeof *this);
    m_nOutputType = CProductionSettings::kAvi;
    m_nWidth = 320;
    m_nHeight = 240;
    m_nFrameMicroseconds = 66667;
    m_wBitsPerPixel = 24;
    m_Compress.fccType = kStreamVideo;
    m_Compress.fccHandler = kUncompressed;
    m_Compress.dwKeyFrameEvery = 7;
    m_Compress.dwQuality = 10000;
    m_Compress.dwBytesPerSecond = 153000;
    m_Compress.dwFlags = AVICOMPRESSF_DATARATE | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
    m_Compress.lpFormat = kOwnFormat;
    m_Compress.cbFormat = sizeof(BITMAPINFOHEADER);
    m_nWriterParam1 = 1;
    m_nWriterParam2 = 4;
    m_nParamA = 2;
    m_nMpegWidth = 352;
    m_nMpegHeight = 240;
    m_Format.biSize = sizeof(BITMAPINFOHEADER);
    m_Format.biWidth = 320;
    m_Format.biHeight = 240;
    m_Format.biPlanes = 1;
    m_Format.biBitCount = 24;
    m_Format.biCompression = BI_RGB;
    m_Format.biSizeImage = 230400;
}

void ProductionParams::CopyFrom(const ProductionParams& other)
{
    if (&other != this)
        std::memcpy(this, &other, sizeof *this);
    m_Compress.lpFormat = kOwnFormat;
}

void ProductionParams::GetWindowsMediaFormat(WAVEFORMATEX* format) const
{
    std::memcpy(format, reinterpret_cast<const BYTE*>(this) + kWindowsMediaAudio, sizeof(WAVEFORMATEX));
}

void ProductionParams::SetWindowsMediaFormat(const WAVEFORMATEX& format)
{
    std::memcpy(reinterpret_cast<BYTE*>(this) + kWindowsMediaAudio, &format, sizeof format);
}

CProductionSettings::CProductionSettings() = default;

CProductionSettings::~CProductionSettings()
{
    FreeCompressorState();
    DeleteCodecs();
}

void CProductionSettings::FreeCompressorState()
{
    delete[] m_pCompressorState;
    m_pCompressorState = nullptr;
    m_Params.m_Compress.lpParms = 0;
    m_Params.m_Compress.cbParms = 0;
}

void CProductionSettings::DeleteCodecs()
{
    while (!m_Codecs.IsEmpty()) {
        delete *m_Codecs.GetAt(0);
        m_Codecs.RemoveAt(0);
    }
    m_nCodecCount = 0;
}

void CProductionSettings::SetParams(const ProductionParams& params, const void* compressorState)
{
    FreeCompressorState();
    m_Params.CopyFrom(params);
    const DWORD size = m_Params.m_Compress.cbParms;
    m_Params.m_Compress.lpParms = 0;
    m_Params.m_Compress.cbParms = 0;
    if (compressorState == nullptr || size == 0)
        return;
    m_pCompressorState = new (std::nothrow) BYTE[size];
    if (m_pCompressorState == nullptr)
        return;
    std::memcpy(m_pCompressorState, compressorState, size);
    // The slot stays 0: the block's pointer is kept beside the record.
    m_Params.m_Compress.cbParms = size;
}

void CProductionSettings::SetOutputType(INT type)
{
    if (type == m_Params.m_nOutputType)
        return;
    m_Params.m_nOutputType = type;
    // MPEG's bit rate and encoder values and Windows Media's sound format
    // share these bytes.
    std::memset(reinterpret_cast<BYTE*>(&m_Params) + ProductionParams::kWindowsMediaAudio, 0,
                offsetof(ProductionParams, m_nAudioOptions) - ProductionParams::kWindowsMediaAudio);
    if (type == kWindowsMedia)
        m_Params.SetWindowsMediaFormat(kWindowsMediaDefault);
}

void CProductionSettings::SetMpegFormat(INT format)
{
    // A refused value changes nothing: the picture group always matches
    // the format that is stored.
    if (format < 0 || format > 2)
        return;
    m_Params.m_nMpegFormat = format;
    m_Params.m_nMpegGop = format == 2 ? 15 : 12;
    m_Params.m_nMpegAnchor = 3;
}

void CProductionSettings::SetMpegFrameRateCode(INT code)
{
    if (code >= 1 && code <= 5)
        m_Params.m_nMpegRateCode = code;
}

void CProductionSettings::SetMpegBitRate(INT rate)
{
    if (rate >= 400000 && rate <= 15000000)
        m_Params.m_nMpegBitRate = rate;
}

void CProductionSettings::SetMpegPresetValue(INT value)
{
    if (value >= 1 && value <= 15)
        m_Params.m_nMpegEncoder[3] = value;
}

void CProductionSettings::SetMpegMode(INT mode)
{
    if (mode >= 0 && mode <= 5)
        m_Params.m_nAudioOptions[0] = mode;
}

void CProductionSettings::SetMpegStereo(INT stereo)
{
    if (stereo == 0 || stereo == 1)
        m_Params.m_nAudioOptions[2] = stereo;
}

void CProductionSettings::SetMpegAudioRateIndex(INT index)
{
    if (index >= 0 && index <= 9)
        m_Params.m_nAudioOptions[3] = index;
}

void CProductionSettings::SetMpegSampleRate(INT rate)
{
    if (rate == 44100 || rate == 48000)
        m_Params.m_nAudioOptions[4] = rate;
}

void CProductionSettings::GetMpegFrameSize(INT* width, INT* height) const
{
    if (width != nullptr)
        *width = m_Params.m_nMpegWidth;
    if (height != nullptr)
        *height = m_Params.m_nMpegHeight;
}

void CProductionSettings::SetMpegFrameSize(INT width, INT height)
{
    m_Params.m_nMpegWidth = width;
    m_Params.m_nMpegHeight = height;
    m_Params.m_nWidth = width;
    m_Params.m_nHeight = height;
}

INT CProductionSettings::SelectAudioOption(INT index, INT value, INT keep)
{
    if (!keep)
        std::fill(std::begin(m_Params.m_nAudioOptions), std::end(m_Params.m_nAudioOptions), 0);
    if (index >= 0 && index < static_cast<INT>(std::size(m_Params.m_nAudioOptions)))
        m_Params.m_nAudioOptions[index] = value;
    return index;
}

void CProductionSettings::GetAudioFormat(WAVEFORMATEX* format, INT* ok) const
{
    *format = WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    *ok = 0;
    switch (m_Params.m_nOutputType) {
    case kMpeg:
        format->wBitsPerSample = 16;
        format->nChannels = static_cast<WORD>(GetMpegStereo() + 1);
        format->nSamplesPerSec = static_cast<DWORD>(GetMpegSampleRate());
        format->nBlockAlign = static_cast<WORD>(format->nChannels * 2);
        format->nAvgBytesPerSec = DWORD{format->nBlockAlign} * format->nSamplesPerSec;
        *ok = 1;
        return;
    case kDv: {
        format->nChannels = 2;
        format->wBitsPerSample = 16;
        format->nBlockAlign = 4;
        const INT index = m_Params.m_nDvAudioIndex;
        const bool known = index >= 0 && index < static_cast<INT>(std::size(kDvRates));
        format->nSamplesPerSec = known ? kDvRates[index] : 0;
        format->nAvgBytesPerSec = 4 * format->nSamplesPerSec;
        *ok = known ? 1 : 0;
        return;
    }
    default:
        break;
    }
    const INT index = m_Params.m_nPcmFormatIndex;
    if (index == 1) {
        *format = WAVEFORMATEX{WAVE_FORMAT_PCM, 0, 0, 0, 0, 8, 0};
        *ok = 1;
        return;
    }
    const INT row = index - kFirstPcmIndex;
    if (row < 0 || row >= static_cast<INT>(std::size(kPcmFormats)))
        return;
    format->nChannels = kPcmFormats[row].channels;
    format->nSamplesPerSec = kPcmFormats[row].rate;
    format->wBitsPerSample = kPcmFormats[row].bits;
    CompleteFormat(format);
    *ok = 1;
}

void CProductionSettings::GetStreamAudioFormat(INT* bytesPerSecond, WAVEFORMATEX* format) const
{
    if (m_Params.m_nOutputType == kMpeg) {
        format->wBitsPerSample = 16;
        format->nChannels = static_cast<WORD>(std::min(GetMpegStereo() + 1, 2));
        format->nSamplesPerSec = static_cast<DWORD>(GetMpegSampleRate());
    } else if (m_Params.m_nOutputType == kWindowsMedia) {
        WAVEFORMATEX stored{};
        m_Params.GetWindowsMediaFormat(&stored);
        format->nChannels = std::min<WORD>(stored.nChannels, 2);
        format->nSamplesPerSec = stored.nSamplesPerSec;
        format->wBitsPerSample = stored.wBitsPerSample;
    } else {
        return;
    }
    CompleteFormat(format);
    if (bytesPerSecond != nullptr)
        *bytesPerSecond = static_cast<INT>(format->nAvgBytesPerSec);
}

INT CProductionSettings::BuildCodecList()
{
    if (!m_Codecs.IsEmpty())
        return m_Codecs.GetCount();
    const CodecRegistry& icm = CodecRegistry::Current();

    std::vector<std::unique_ptr<ICINFO>> installed;
    for (DWORD i = 0;; ++i) {
        auto info = std::make_unique<ICINFO>();
        info->dwSize = sizeof(ICINFO);
        if (!icm.Info(ICTYPE_VIDEO, i, info.get()))
            break;
        const bool seen = std::any_of(installed.begin(), installed.end(),
                                      [&](const auto& known) { return known->fccHandler == info->fccHandler; });
        if (!seen)
            installed.push_back(std::move(info));
    }

    INT count = 0;
    for (const auto& entry : installed) {
        HIC hic = icm.Open(entry->fccType, entry->fccHandler, ICMODE_COMPRESS);
        if (hic == nullptr)
            continue;
        icm.Close(hic);
        hic = icm.Open(entry->fccType, entry->fccHandler, ICMODE_QUERY);
        if (hic == nullptr)
            continue;
        ICINFO described{};
        if (PassesInputTest(icm, hic, m_Params.m_Format) && ProbeCompressor(icm, entry->fccHandler, &described)) {
            auto* kept = new (std::nothrow) ICINFO(described);
            if (kept != nullptr && m_Codecs.AddTail(kept) != nullptr)
                ++count;
            else
                delete kept;
        }
        icm.Close(hic);
    }
    m_nCodecCount = count;
    return m_Codecs.GetCount();
}

INT CProductionSettings::GetCodec(INT index, CString* name, INT* handler)
{
    if (index < 0 || index >= m_nCodecCount || index >= m_Codecs.GetCount())
        return -1;
    ICINFO* const* entry = m_Codecs.PeekAt(index);
    if (entry == nullptr)
        return -1;
    if (name != nullptr) {
        char text[kDescriptionBytes + 1] = {};
        WideCharToMultiByte(CP_ACP, 0, (*entry)->szDescription, -1, text, kDescriptionBytes, nullptr, nullptr);
        text[kDescriptionBytes] = '\0';
        *name = text;
    }
    if (handler != nullptr)
        *handler = static_cast<INT>((*entry)->fccHandler);
    return index;
}
