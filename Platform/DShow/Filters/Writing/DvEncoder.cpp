// The DV Video Encoder: RGB24 (or RGB32) frames in, 'dvsd' DV frames out
// through libavcodec's dvvideo encoder: 525/60 (NTSC, 720 x 480, 4:1:1) or
// 625/50 (PAL, 720 x 576, 4:2:0). The system follows the input's height
// (576 lines: PAL, anything else: NTSC) until IDVEnc sets it; a picture of
// another size is scaled to the DV frame.

#include <mutex>

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/Writing/DvFormat.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

bool IsRgbInput(const CMediaType& type)
{
    return *type.Type() == MEDIATYPE_Video &&
           (*type.Subtype() == MEDIASUBTYPE_RGB24 || *type.Subtype() == MEDIASUBTYPE_RGB32) &&
           *type.FormatType() == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat;
}

const VIDEOINFOHEADER& VideoInfo(const CMediaType& type)
{
    return *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

class DvEncoder final : public CTransformFilter, public IDVEnc {
public:
    DvEncoder() : CTransformFilter(NAME("DV Video Encoder"), nullptr, CLSID_DVVideoEnc) {}

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IDVEnc)
            return GetInterface(static_cast<IDVEnc*>(this), object);
        return CTransformFilter::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT STDMETHODCALLTYPE get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution, BYTE withDvInfo,
                                                    DVINFO* dvInfo) override
    {
        CheckPointer(videoFormat, E_POINTER);
        CheckPointer(dvFormat, E_POINTER);
        CheckPointer(resolution, E_POINTER);
        CAutoLock guard(&m_csFilter);
        *videoFormat = Pal() ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC;
        *dvFormat = DVENCODERFORMAT_DVSD;
        *resolution = m_resolution;
        if (withDvInfo) {
            CheckPointer(dvInfo, E_POINTER);
            *dvInfo = MakeDvInfo(Pal(), 0);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE put_IFormatResolution(int videoFormat, int dvFormat, int resolution, BYTE,
                                                    DVINFO*) override
    {
        if (videoFormat != DVENCODERVIDEOFORMAT_NTSC && videoFormat != DVENCODERVIDEOFORMAT_PAL)
            return E_INVALIDARG;
        // Only the 25 Mbit/s format is made.
        if (dvFormat != DVENCODERFORMAT_DVSD)
            return E_INVALIDARG;
        if (resolution < DVENCODERRESOLUTION_720x480 || resolution > DVENCODERRESOLUTION_88x60)
            return E_INVALIDARG;
        CAutoLock guard(&m_csFilter);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        m_videoFormat = videoFormat;
        m_resolution = resolution;
        return S_OK;
    }

    HRESULT CheckInputType(const CMediaType* in) override
    {
        if (!IsRgbInput(*in))
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& bitmap = VideoInfo(*in).bmiHeader;
        return bitmap.biWidth > 0 && bitmap.biHeight != 0 && bitmap.biCompression == BI_RGB
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        if (FAILED(CheckInputType(in)))
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (*out->Type() != MEDIATYPE_Video ||
            (*out->Subtype() != MEDIASUBTYPE_dvsd && *out->Subtype() != MEDIASUBTYPE_DVSD) ||
            *out->FormatType() != FORMAT_VideoInfo || out->cbFormat < sizeof(VIDEOINFOHEADER) || !out->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& bitmap = VideoInfo(*out).bmiHeader;
        return bitmap.biWidth == 720 && std::abs(bitmap.biHeight) == GetDvSystem(PalFor(*in)).height
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (!m_pInput->IsConnected())
            return E_UNEXPECTED;
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        const CMediaType& in = m_pInput->CurrentMediaType();
        *type = MakeDvVideoType(PalFor(in), VideoInfo(in).AvgTimePerFrame);
        return type->pbFormat ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return SetUpBuffers(allocator, request, 2, GetDvSystem(Pal()).frameBytes);
    }

    HRESULT StartStreaming() override
    {
        std::lock_guard<std::mutex> guard(m_codecLock);
        const bool pal = Pal();
        const DvSystem& system = GetDvSystem(pal);
        const AVPixelFormat format = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
        m_encoder.reset();
        const int error = av::OpenEncoder(AV_CODEC_ID_DVVIDEO, m_encoder, [&](AVCodecContext& c) {
            c.width = 720;
            c.height = system.height;
            c.pix_fmt = format;
            c.time_base = AVRational{system.rateDenominator, system.rateNumerator};
        });
        if (error < 0)
            return E_FAIL;
        m_picture = av::AllocatePicture(format, 720, system.height);
        return m_picture ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT StopStreaming() override
    {
        std::lock_guard<std::mutex> guard(m_codecLock);
        m_encoder.reset();
        m_picture.reset();
        m_scaler.reset();
        return S_OK;
    }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override
    {
        std::lock_guard<std::mutex> guard(m_codecLock);
        if (!m_encoder || !m_picture)
            return VFW_E_WRONG_STATE;
        const BITMAPINFOHEADER& bitmap = VideoInfo(m_pInput->CurrentMediaType()).bmiHeader;
        const int width = bitmap.biWidth;
        const int height = std::abs(bitmap.biHeight);
        const int bytesPerPixel = bitmap.biBitCount / 8;
        const int stride = (width * bytesPerPixel + 3) & ~3;
        BYTE* source = nullptr;
        in->GetPointer(&source);
        if (source == nullptr || in->GetActualDataLength() < stride * height)
            return E_INVALIDARG;
        const AVPixelFormat from = bytesPerPixel == 3 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA;
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), width, height, from, m_picture->width,
                                            m_picture->height, static_cast<AVPixelFormat>(m_picture->format),
                                            av::kConvertFlags, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return E_FAIL;
        // A bottom-up bitmap is read from its last row upwards.
        const bool bottomUp = bitmap.biHeight > 0;
        const uint8_t* planes[4] = {bottomUp ? source + static_cast<ptrdiff_t>(stride) * (height - 1) : source};
        const int strides[4] = {bottomUp ? -stride : stride};
        if (av_frame_make_writable(m_picture.get()) < 0 ||
            sws_scale(m_scaler.get(), planes, strides, 0, height, m_picture->data, m_picture->linesize) !=
                m_picture->height)
            return E_FAIL;
        BYTE* target = nullptr;
        out->GetPointer(&target);
        const LONG capacity = out->GetSize();
        LONG written = 0;
        const int error = av::Encode(m_encoder.get(), m_picture.get(), [&](AVPacket* packet) {
            if (packet->size > capacity)
                return AVERROR(ENOSPC);
            std::copy(packet->data, packet->data + packet->size, target);
            written = packet->size;
            return 0;
        });
        if (error < 0 || written == 0)
            return E_FAIL;
        out->SetActualDataLength(written);
        out->SetSyncPoint(TRUE);
        return S_OK;
    }

private:
    bool PalFor(const CMediaType& in) const
    {
        if (m_videoFormat != 0)
            return m_videoFormat == DVENCODERVIDEOFORMAT_PAL;
        return IsRgbInput(in) && std::abs(VideoInfo(in).bmiHeader.biHeight) == 576;
    }
    bool Pal() const { return PalFor(m_pInput ? m_pInput->CurrentMediaType() : CMediaType()); }

    // 0 until IDVEnc sets it: the input's height decides.
    int m_videoFormat = 0;
    int m_resolution = DVENCODERRESOLUTION_720x480;
    std::mutex m_codecLock;
    av::CodecPtr m_encoder;
    av::FramePtr m_picture;
    av::ScalerPtr m_scaler;
};

} // namespace

HRESULT CreateDvEncoder(REFIID riid, void** object) { return CreateSystemObject<DvEncoder>(riid, object); }

} // namespace dshow
