// The DV Video Encoder: uncompressed frames (RGB24 above all) in, 'dvsd' DV frames out
// through libavcodec's dvvideo encoder: 525/60 (NTSC, 720 x 480, 4:1:1) or
// 625/50 (PAL, 720 x 576, 4:2:0). The system follows the input's height
// (576 lines: PAL, anything else: NTSC) until IDVEnc sets it; a picture of
// another size is scaled to the DV frame.

#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/DShow/Filters/Writing/DvFormat.h"
#include "Platform/DShow/Filters/Writing/VideoEncoder.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

class DvEncoder final : public VideoEncoder, public IDVEnc {
public:
    DvEncoder() : VideoEncoder(NAME("DV Video Encoder"), CLSID_DVVideoEnc) {}

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IDVEnc)
            return GetInterface(static_cast<IDVEnc*>(this), object);
        return VideoEncoder::NonDelegatingQueryInterface(riid, object);
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

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        if (FAILED(CheckInputType(in)))
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (*out->Type() != MEDIATYPE_Video ||
            (*out->Subtype() != MEDIASUBTYPE_dvsd && *out->Subtype() != MEDIASUBTYPE_DVSD) ||
            *out->FormatType() != FORMAT_VideoInfo || out->cbFormat < sizeof(VIDEOINFOHEADER) || !out->pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER& bitmap = VideoInfoOf(*out).bmiHeader;
        return bitmap.biWidth == 720 && std::abs(bitmap.biHeight) == GetDvSystem(PalFor(*in)).height
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (HRESULT hr = OnlyType(position, m_pInput->IsConnected()); hr != S_OK)
            return hr;
        const CMediaType& in = m_pInput->CurrentMediaType();
        *type = MakeDvVideoType(PalFor(in), VideoInfoOf(in).AvgTimePerFrame);
        return type->pbFormat ? S_OK : E_OUTOFMEMORY;
    }

protected:
    Target EncodeTarget() override
    {
        const bool pal = Pal();
        const DvSystem& system = GetDvSystem(pal);
        Target target;
        target.codec = AV_CODEC_ID_DVVIDEO;
        target.format = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
        target.width = 720;
        target.height = system.height;
        target.timeBase = AVRational{system.rateDenominator, system.rateNumerator};
        return target;
    }
    LONG OutputBytes() override { return GetDvSystem(Pal()).frameBytes; }

private:
    bool PalFor(const CMediaType& in) const
    {
        if (m_videoFormat != 0)
            return m_videoFormat == DVENCODERVIDEOFORMAT_PAL;
        return IsDibVideo(in) && std::abs(VideoInfoOf(in).bmiHeader.biHeight) == 576;
    }
    bool Pal() const { return PalFor(m_pInput ? m_pInput->CurrentMediaType() : CMediaType()); }

    // 0 until IDVEnc sets it: the input's height decides.
    int m_videoFormat = 0;
    int m_resolution = DVENCODERRESOLUTION_720x480;
};

} // namespace

HRESULT CreateDvEncoder(REFIID riid, void** object) { return CreateSystemObject<DvEncoder>(riid, object); }

} // namespace dshow
