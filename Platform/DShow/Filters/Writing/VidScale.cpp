// VidScale: scales uncompressed video (RGB24, RGB32, UYVY, YUY2) to the
// size set through IVidScale, keeping the subtype; until a size is set the
// frames keep theirs.

#include <mutex>

#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/DShow/Filters/Writing/DibTransform.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

constexpr int kMaxSide = 8192;

class VidScale final : public DibTransform, public IVidScale {
public:
    VidScale() : DibTransform(NAME("VidScale"), CLSID_VidScale) {}

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IVidScale)
            return GetInterface(static_cast<IVidScale*>(this), object);
        return DibTransform::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT STDMETHODCALLTYPE SetOutputSize(int width, int height, int) override
    {
        if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
            return E_INVALIDARG;
        CAutoLock guard(&m_csFilter);
        if (GetPin(1) != nullptr && m_pOutput->IsConnected())
            return VFW_E_ALREADY_CONNECTED;
        m_width = width;
        m_height = height;
        return S_OK;
    }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override
    {
        BYTE* from = nullptr;
        BYTE* to = nullptr;
        in->GetPointer(&from);
        out->GetPointer(&to);
        DibPicture source, target;
        if (!DescribeDib(from, in->GetActualDataLength(), m_pInput->CurrentMediaType(), source) ||
            !DescribeDib(to, out->GetSize(), m_pOutput->CurrentMediaType(), target))
            return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(m_scalerLock);
        if (!ScalePicture(m_scaler, source, target))
            return E_FAIL;
        out->SetActualDataLength(DibImageSize(*m_pOutput->CurrentMediaType().Subtype(), target.width, target.height));
        return S_OK;
    }

protected:
    void OutputSize(const CMediaType& in, int& width, int& height) override
    {
        const BITMAPINFOHEADER& bitmap = VideoInfoOf(in).bmiHeader;
        width = m_width > 0 ? m_width : bitmap.biWidth;
        height = m_height > 0 ? m_height : std::abs(bitmap.biHeight);
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::mutex m_scalerLock;
    av::ScalerPtr m_scaler;
};

} // namespace

HRESULT CreateVidScale(REFIID riid, void** object) { return CreateSystemObject<VidScale>(riid, object); }

} // namespace dshow
