// The stand-in for the Indeo video encoder, which has no encoder on this
// platform: it takes the same uncompressed frames and writes Motion JPEG
// ('MJPG', libavcodec's mjpeg encoder, every frame a key frame) at the
// input's size and rate, which the AVI multiplexer stores and every reader
// of the program decodes.

#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/DShow/Filters/Writing/VideoEncoder.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

constexpr DWORD kMjpg = 0x47504A4D; // 'MJPG'
// Quantiser of the JPEG pictures: good quality at a size near Indeo's.
constexpr int kQuality = 4;

class IndeoEncoder final : public VideoEncoder {
public:
    IndeoEncoder() : VideoEncoder(NAME("Indeo Encoder"), CLSID_IndeoEncoder) {}

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        if (!IsDibVideo(*in) || *out->Type() != MEDIATYPE_Video || *out->Subtype() != MEDIASUBTYPE_MJPG ||
            *out->FormatType() != FORMAT_VideoInfo || out->cbFormat < sizeof(VIDEOINFOHEADER) || !out->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& from = VideoInfoOf(*in).bmiHeader;
        const BITMAPINFOHEADER& to = VideoInfoOf(*out).bmiHeader;
        return to.biWidth == from.biWidth && std::abs(to.biHeight) == std::abs(from.biHeight)
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (HRESULT hr = OnlyType(position, m_pInput->IsConnected()); hr != S_OK)
            return hr;
        const VIDEOINFOHEADER& in = VideoInfoOf(m_pInput->CurrentMediaType());
        type->InitMediaType();
        type->SetType(&MEDIATYPE_Video);
        type->SetSubtype(&MEDIASUBTYPE_MJPG);
        type->SetFormatType(&FORMAT_VideoInfo);
        type->SetVariableSize();
        type->SetTemporalCompression(FALSE);
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        if (!info)
            return E_OUTOFMEMORY;
        *info = VIDEOINFOHEADER{};
        info->AvgTimePerFrame = in.AvgTimePerFrame;
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = in.bmiHeader.biWidth;
        info->bmiHeader.biHeight = std::abs(in.bmiHeader.biHeight);
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = 24;
        info->bmiHeader.biCompression = kMjpg;
        info->bmiHeader.biSizeImage = static_cast<DWORD>(OutputBytes());
        info->rcSource = RECT{0, 0, info->bmiHeader.biWidth, info->bmiHeader.biHeight};
        info->rcTarget = info->rcSource;
        return S_OK;
    }

protected:
    Target EncodeTarget() override
    {
        const VIDEOINFOHEADER& in = VideoInfoOf(m_pInput->CurrentMediaType());
        Target target;
        target.codec = AV_CODEC_ID_MJPEG;
        target.format = AV_PIX_FMT_YUVJ420P;
        target.width = in.bmiHeader.biWidth;
        target.height = std::abs(in.bmiHeader.biHeight);
        target.timeBase = AVRational{static_cast<int>(in.AvgTimePerFrame > 0 ? in.AvgTimePerFrame : UNITS / 25),
                                     static_cast<int>(UNITS)};
        target.setup = [](AVCodecContext& c) {
            c.flags |= AV_CODEC_FLAG_QSCALE;
            c.global_quality = FF_QP2LAMBDA * kQuality;
            c.qmin = c.qmax = kQuality;
        };
        return target;
    }
    LONG OutputBytes() override
    {
        const BITMAPINFOHEADER& in = VideoInfoOf(m_pInput->CurrentMediaType()).bmiHeader;
        // A JPEG picture stays well below three bytes a pixel.
        return in.biWidth * std::abs(in.biHeight) * 3 + 65536;
    }
};

} // namespace

HRESULT CreateIndeoEncoder(REFIID riid, void** object) { return CreateSystemObject<IndeoEncoder>(riid, object); }

} // namespace dshow
