#include "Platform/Vfw/Icm.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Vfw/CompressorTable.h"
#include "Platform/Vfw/DibPicture.h"
#include "Platform/Win/Kernel/HandleTable.h"

namespace vfw {

namespace {

// Quality (0..10000) against the quantiser of the encoders that take one:
// 10000 is quantiser 2, 0 is 31.
constexpr int kBestQuantiser = 2;
constexpr int kWorstQuantiser = 31;

constexpr CompressorRow kStandardCompressors[] = {
    {mmioFOURCC('M', 'J', 'P', 'G'), u"MJPEG", u"Motion JPEG", "mjpeg", VIDCF_QUALITY | VIDCF_CRUNCH,
     kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Even, 1, 8500},
    {mmioFOURCC('c', 'v', 'i', 'd'), u"Cinepak", u"Cinepak Codec", "cinepak",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Multiple4, 15,
     7500},
    {mmioFOURCC('M', 'S', 'V', 'C'), u"MS-CRAM", u"Microsoft Video 1", "msvideo1",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16, 16, SizeRule::Multiple4, 15, 7500},
    {mmioFOURCC('C', 'R', 'A', 'M'), u"MS-CRAM", u"Microsoft Video 1", "msvideo1",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16, 16, SizeRule::Multiple4, 15, 7500},
    {mmioFOURCC('M', 'P', '4', '2'), u"MS-MPEG4 V2", u"Microsoft MPEG-4 Video Codec V2", "msmpeg4v2",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Even, 15,
     7500},
    {mmioFOURCC('M', 'P', '4', '3'), u"MS-MPEG4 V3", u"Microsoft MPEG-4 Video Codec V3", "msmpeg4",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Even, 15,
     7500},
    {mmioFOURCC('W', 'M', 'V', '1'), u"WMV1", u"Windows Media Video 7", "wmv1",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Even, 15,
     7500},
    {mmioFOURCC('W', 'M', 'V', '2'), u"WMV2", u"Windows Media Video 8", "wmv2",
     VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_CRUNCH, kDepth16 | kDepth24 | kDepth32, 24, SizeRule::Even, 15,
     7500},
    {mmioFOURCC('d', 'v', 's', 'd'), u"DV", u"DV Video Encoder", "dvvideo", 0, kDepth24 | kDepth32, 24,
     SizeRule::DvOnly, 1, 10000},
    {mmioFOURCC('H', 'F', 'Y', 'U'), u"Huffyuv", u"Huffyuv lossless codec", "huffyuv", 0,
     kDepth24 | kDepth32, 24, SizeRule::Even, 1, 10000},
};

constexpr bool UniqueHandlers()
{
    for (std::size_t i = 0; i < std::size(kStandardCompressors); ++i)
        for (std::size_t j = i + 1; j < std::size(kStandardCompressors); ++j)
            if (kStandardCompressors[i].fccHandler == kStandardCompressors[j].fccHandler)
                return false;
    return true;
}
static_assert(UniqueHandlers());

// Encoders that take a quantiser (global_quality with the QSCALE flag).
constexpr const char* kQuantisingEncoders[] = {"mjpeg", "msmpeg4v2", "msmpeg4", "wmv1", "wmv2", "mpeg4"};

std::mutex g_lock;
std::span<const CompressorRow> g_rows = kStandardCompressors;

BYTE FoldCase(BYTE c) { return c >= 'a' && c <= 'z' ? static_cast<BYTE>(c - 'a' + 'A') : c; }

bool SameHandler(FOURCC a, FOURCC b)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (FoldCase(static_cast<BYTE>(a >> shift)) != FoldCase(static_cast<BYTE>(b >> shift)))
            return false;
    return true;
}

bool Installed(const CompressorRow& row) { return avcodec_find_encoder_by_name(row.encoder) != nullptr; }

// The installed rows, in table order.
std::vector<const CompressorRow*> InstalledRows()
{
    std::lock_guard lock(g_lock);
    std::vector<const CompressorRow*> rows;
    for (const CompressorRow& row : g_rows)
        if (Installed(row))
            rows.push_back(&row);
    return rows;
}

// Handler codes of real compressors are four printable characters; smaller
// values number the installed compressors.
constexpr DWORD kIndexLimit = 0x10000;

const CompressorRow* FindRow(DWORD fccType, DWORD fccHandler)
{
    if (fccType != ICTYPE_VIDEO && fccType != 0)
        return nullptr;
    const std::vector<const CompressorRow*> rows = InstalledRows();
    if (fccHandler < kIndexLimit)
        return fccHandler < rows.size() ? rows[fccHandler] : nullptr;
    for (const CompressorRow* row : rows)
        if (SameHandler(row->fccHandler, fccHandler))
            return row;
    return nullptr;
}

void CopyWide(WCHAR* to, std::size_t capacity, const char16_t* from)
{
    std::size_t i = 0;
    for (; from != nullptr && from[i] != 0 && i + 1 < capacity; ++i)
        to[i] = from[i];
    to[i] = 0;
}

void FillInfo(const CompressorRow& row, ICINFO& info)
{
    std::memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    info.fccType = ICTYPE_VIDEO;
    info.fccHandler = row.fccHandler;
    info.dwFlags = row.flags;
    info.dwVersion = 0x00010000;
    info.dwVersionICM = 0x0104;
    CopyWide(info.szName, std::size(info.szName), row.name);
    CopyWide(info.szDescription, std::size(info.szDescription), row.description);
    std::size_t i = 0;
    for (; row.encoder[i] != 0 && i + 1 < std::size(info.szDriver); ++i)
        info.szDriver[i] = static_cast<WCHAR>(row.encoder[i]);
    info.szDriver[i] = 0;
}

DWORD DepthMask(WORD bitCount)
{
    switch (bitCount) {
    case 8:
        return kDepth8;
    case 16:
        return kDepth16;
    case 24:
        return kDepth24;
    case 32:
        return kDepth32;
    default:
        return 0;
    }
}

bool SizeAccepted(SizeRule rule, LONG width, LONG height)
{
    if (width <= 0 || height == 0)
        return false;
    height = height < 0 ? -height : height;
    switch (rule) {
    case SizeRule::Any:
        return true;
    case SizeRule::Even:
        return width % 2 == 0 && height % 2 == 0;
    case SizeRule::Multiple4:
        return width % 4 == 0 && height % 4 == 0;
    case SizeRule::DvOnly:
        return width == 720 && (height == 480 || height == 576);
    }
    return false;
}

// An open compressor: its row, the settings the messages gave it and, from
// ICM_COMPRESS_BEGIN to ICM_COMPRESS_END, its encoder.
class Compressor {
public:
    explicit Compressor(const CompressorRow& row) : m_row(row) {}

    LRESULT Message(UINT msg, DWORD_PTR dw1, DWORD_PTR dw2);

private:
    LRESULT Query(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const;
    LRESULT GetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const;
    LRESULT Begin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out);
    LRESULT Compress(const ICCOMPRESS& request);
    bool Quantising() const;
    int QuantiserFor(DWORD quality) const;

    const CompressorRow& m_row;
    DWORD m_quality = ICQUALITY_DEFAULT;
    DWORD m_keyRate = 0;
    bool m_keyRateGiven = false;
    DWORD m_rate = 15;
    DWORD m_scale = 1;
    LONG m_dataRate = 0;
    av::CodecPtr m_encoder;
    std::int64_t m_nextPts = 0;
    LONG m_width = 0;
    LONG m_height = 0;
};

bool Compressor::Quantising() const
{
    return std::any_of(std::begin(kQuantisingEncoders), std::end(kQuantisingEncoders),
                       [this](const char* name) { return std::strcmp(name, m_row.encoder) == 0; });
}

int Compressor::QuantiserFor(DWORD quality) const
{
    if (quality == ICQUALITY_DEFAULT)
        quality = m_row.defaultQuality;
    quality = std::min<DWORD>(quality, ICQUALITY_HIGH);
    return kBestQuantiser + static_cast<int>((ICQUALITY_HIGH - quality) * (kWorstQuantiser - kBestQuantiser)
                                             / ICQUALITY_HIGH);
}

LRESULT Compressor::Query(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const
{
    if (in == nullptr)
        return ICERR_BADPARAM;
    if (in->biCompression != BI_RGB || (DepthMask(in->biBitCount) & m_row.inputDepths) == 0 || in->biPlanes > 1)
        return ICERR_BADFORMAT;
    if (!SizeAccepted(m_row.sizes, in->biWidth, in->biHeight))
        return ICERR_BADFORMAT;
    if (out != nullptr
        && (!SameHandler(out->biCompression, m_row.fccHandler) || out->biWidth != in->biWidth
            || std::abs(out->biHeight) != std::abs(in->biHeight)))
        return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT Compressor::GetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const
{
    if (const LRESULT query = Query(in, nullptr); query != ICERR_OK)
        return query;
    if (out == nullptr)
        return sizeof(BITMAPINFOHEADER);
    std::memset(out, 0, sizeof *out);
    out->biSize = sizeof *out;
    out->biWidth = in->biWidth;
    out->biHeight = std::abs(in->biHeight);
    out->biPlanes = 1;
    out->biBitCount = m_row.outputBitCount;
    out->biCompression = m_row.fccHandler;
    out->biSizeImage = static_cast<DWORD>(out->biWidth * out->biHeight * m_row.outputBitCount / 8);
    return ICERR_OK;
}

LRESULT Compressor::Begin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
    if (const LRESULT query = Query(in, out); query != ICERR_OK)
        return query;
    const AVCodec* codec = avcodec_find_encoder_by_name(m_row.encoder);
    if (codec == nullptr)
        return ICERR_UNSUPPORTED;
    m_width = in->biWidth;
    m_height = std::abs(in->biHeight);
    const bool dv = m_row.sizes == SizeRule::DvOnly;
    const bool ntsc = m_height == 480;
    AVPixelFormat format = codec->pix_fmts != nullptr ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    if (dv)
        format = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
    const DWORD keyRate = m_keyRateGiven ? m_keyRate : m_row.defaultKeyFrameRate;
    const bool quantising = Quantising();
    const int quantiser = QuantiserFor(m_quality);
    const LONG dataRate = m_dataRate;
    AVRational timeBase{static_cast<int>(std::max<DWORD>(m_scale, 1)), static_cast<int>(std::max<DWORD>(m_rate, 1))};
    if (dv)
        timeBase = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
    av::CodecPtr encoder;
    const int opened = av::OpenEncoder(codec->id, encoder, [&](AVCodecContext& context) {
        context.width = m_width;
        context.height = m_height;
        context.pix_fmt = format;
        context.time_base = timeBase;
        context.framerate = av_inv_q(timeBase);
        context.gop_size = keyRate > 0 ? static_cast<int>(keyRate) : 600;
        context.max_b_frames = 0;
        if (quantising && dataRate > 0) {
            context.bit_rate = static_cast<std::int64_t>(dataRate) * 8;
        } else if (quantising) {
            context.flags |= AV_CODEC_FLAG_QSCALE;
            context.global_quality = FF_QP2LAMBDA * quantiser;
        }
    });
    if (opened < 0)
        return ICERR_BADFORMAT;
    m_encoder = std::move(encoder);
    m_nextPts = 0;
    return ICERR_OK;
}

LRESULT Compressor::Compress(const ICCOMPRESS& request)
{
    if (!m_encoder)
        return ICERR_ERROR;
    if (request.lpbiInput == nullptr || request.lpInput == nullptr || request.lpbiOutput == nullptr
        || request.lpOutput == nullptr)
        return ICERR_BADPARAM;
    if (request.lpbiInput->biWidth != m_width || std::abs(request.lpbiInput->biHeight) != m_height)
        return ICERR_BADFORMAT;
    av::FramePtr picture = ConvertDib(*request.lpbiInput, request.lpInput, m_encoder->pix_fmt);
    if (!picture)
        return ICERR_MEMORY;
    picture->pts = m_nextPts++;
    if ((request.dwFlags & ICCOMPRESS_KEYFRAME) != 0)
        picture->pict_type = AV_PICTURE_TYPE_I;
    if ((m_encoder->flags & AV_CODEC_FLAG_QSCALE) != 0 && request.dwQuality != ICQUALITY_DEFAULT)
        picture->quality = FF_QP2LAMBDA * QuantiserFor(request.dwQuality);
    std::vector<BYTE> bytes;
    bool key = false;
    const int encoded = av::Encode(m_encoder.get(), picture.get(), [&](AVPacket* packet) {
        bytes.assign(packet->data, packet->data + packet->size);
        key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        return 0;
    });
    if (encoded < 0)
        return ICERR_ERROR;
    const DWORD limit = static_cast<DWORD>(Message(ICM_COMPRESS_GET_SIZE, 0, 0));
    if (bytes.size() > limit)
        return ICERR_ERROR;
    if (!bytes.empty())
        std::memcpy(request.lpOutput, bytes.data(), bytes.size());
    request.lpbiOutput->biSizeImage = static_cast<DWORD>(bytes.size());
    if (request.lpdwFlags != nullptr)
        *request.lpdwFlags = key ? AVIIF_KEYFRAME : 0;
    if (request.lpckid != nullptr)
        *request.lpckid = 0;
    return ICERR_OK;
}

LRESULT Compressor::Message(UINT msg, DWORD_PTR dw1, DWORD_PTR dw2)
{
    const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(dw1);
    switch (msg) {
    case ICM_GETINFO: {
        if (dw1 == 0)
            return sizeof(ICINFO);
        ICINFO info;
        FillInfo(m_row, info);
        const DWORD count = std::min<DWORD>(static_cast<DWORD>(dw2), sizeof info);
        std::memcpy(reinterpret_cast<void*>(dw1), &info, count);
        return count;
    }
    case ICM_GETDEFAULTKEYFRAMERATE:
        if (dw1 != 0)
            *reinterpret_cast<DWORD*>(dw1) = m_row.defaultKeyFrameRate;
        return ICERR_OK;
    case ICM_GETDEFAULTQUALITY:
        if (dw1 != 0)
            *reinterpret_cast<DWORD*>(dw1) = m_row.defaultQuality;
        return ICERR_OK;
    case ICM_GETQUALITY:
        if (dw1 != 0)
            *reinterpret_cast<DWORD*>(dw1) = m_quality == ICQUALITY_DEFAULT ? m_row.defaultQuality : m_quality;
        return ICERR_OK;
    case ICM_SETQUALITY:
        m_quality = static_cast<DWORD>(dw1);
        return ICERR_OK;
    // No compressor here has a dialog: the query form and the dialog form
    // both say so.
    case ICM_CONFIGURE:
    case ICM_ABOUT:
        return ICERR_UNSUPPORTED;
    // No state block: the size is 0, and a state of 0 bytes is taken.
    case ICM_GETSTATE:
        return 0;
    case ICM_SETSTATE:
        return 0;
    case ICM_COMPRESS_QUERY:
        return Query(in, reinterpret_cast<const BITMAPINFOHEADER*>(dw2));
    case ICM_COMPRESS_GET_FORMAT:
        return GetFormat(in, reinterpret_cast<BITMAPINFOHEADER*>(dw2));
    case ICM_COMPRESS_GET_SIZE: {
        const LONG width = in != nullptr ? in->biWidth : m_width;
        const LONG height = in != nullptr ? std::abs(in->biHeight) : m_height;
        return static_cast<LRESULT>(width) * height * 4 + 65536;
    }
    case ICM_COMPRESS_FRAMES_INFO: {
        const auto* frames = reinterpret_cast<const ICCOMPRESSFRAMES*>(dw1);
        if (frames == nullptr)
            return ICERR_BADPARAM;
        m_quality = frames->lQuality < 0 ? ICQUALITY_DEFAULT : static_cast<DWORD>(frames->lQuality);
        m_keyRate = frames->lKeyRate > 0 ? static_cast<DWORD>(frames->lKeyRate) : 0;
        m_keyRateGiven = true;
        m_dataRate = std::max<LONG>(frames->lDataRate, 0);
        if (frames->dwRate != 0 && frames->dwScale != 0) {
            m_rate = frames->dwRate;
            m_scale = frames->dwScale;
        }
        return ICERR_OK;
    }
    case ICM_COMPRESS_BEGIN:
        return Begin(in, reinterpret_cast<const BITMAPINFOHEADER*>(dw2));
    case ICM_COMPRESS:
        if (dw1 == 0)
            return ICERR_BADPARAM;
        return Compress(*reinterpret_cast<const ICCOMPRESS*>(dw1));
    case ICM_COMPRESS_END:
        m_encoder.reset();
        return ICERR_OK;
    default:
        return ICERR_UNSUPPORTED;
    }
}

win::HandleTable<Compressor> g_open{win::HandleKind::Compressor};

} // namespace

std::span<const CompressorRow> StandardCompressors() { return kStandardCompressors; }

void OverrideCompressors(std::span<const CompressorRow> rows)
{
    std::lock_guard lock(g_lock);
    g_rows = rows;
}

void RestoreCompressors()
{
    std::lock_guard lock(g_lock);
    g_rows = kStandardCompressors;
}

} // namespace vfw

BOOL ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* info)
{
    const vfw::CompressorRow* row = vfw::FindRow(fccType, fccHandler);
    if (row == nullptr || info == nullptr)
        return FALSE;
    vfw::FillInfo(*row, *info);
    return TRUE;
}

HIC ICOpen(DWORD fccType, DWORD fccHandler, UINT mode)
{
    if (mode != ICMODE_QUERY && mode != ICMODE_COMPRESS && mode != ICMODE_FASTCOMPRESS)
        return nullptr;
    const vfw::CompressorRow* row = vfw::FindRow(fccType, fccHandler);
    if (row == nullptr)
        return nullptr;
    return vfw::g_open.Add<HIC>(std::make_shared<vfw::Compressor>(*row));
}

LRESULT ICGetInfo(HIC hic, ICINFO* info, DWORD cb)
{
    if (info == nullptr)
        return 0;
    return ICSendMessage(hic, ICM_GETINFO, reinterpret_cast<DWORD_PTR>(info), cb);
}

LRESULT ICClose(HIC hic)
{
    return vfw::g_open.Remove(hic) ? ICERR_OK : ICERR_BADHANDLE;
}

LRESULT ICSendMessage(HIC hic, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2)
{
    const std::shared_ptr<vfw::Compressor> compressor = vfw::g_open.Find(hic);
    if (!compressor)
        return ICERR_BADHANDLE;
    return compressor->Message(msg, dw1, dw2);
}

DWORD ICCompress(HIC hic, DWORD dwFlags, LPBITMAPINFOHEADER lpbiOutput, LPVOID lpData, LPBITMAPINFOHEADER lpbiInput,
                 LPVOID lpBits, DWORD* lpckid, DWORD* lpdwFlags, LONG lFrameNum, DWORD dwFrameSize, DWORD dwQuality,
                 LPBITMAPINFOHEADER lpbiPrev, LPVOID lpPrev)
{
    ICCOMPRESS request{dwFlags,   lpbiOutput, lpData,      lpbiInput,  lpBits,   lpckid, lpdwFlags,
                       lFrameNum, dwFrameSize, dwQuality, lpbiPrev, lpPrev};
    return static_cast<DWORD>(ICSendMessage(hic, ICM_COMPRESS, reinterpret_cast<DWORD_PTR>(&request), sizeof request));
}
