// The colour space converter: uncompressed video from one RGB or packed
// YUV layout to an RGB layout of the same size, through libswscale.

#include <cstring>

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/Av/AvMediaTypes.h"
#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/Playback.h"

namespace dshow {
namespace {

struct Layout {
    const GUID* subtype;
    AVPixelFormat pixels;
    WORD bits;
    DWORD compression;
    bool rgb;
};

const Layout kLayouts[] = {
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, 32, 0, true},
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 24, 0, true},
    {&MEDIASUBTYPE_RGB565, AV_PIX_FMT_RGB565LE, 16, 3, true},
    {&MEDIASUBTYPE_RGB555, AV_PIX_FMT_RGB555LE, 16, 0, true},
    {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, 16, 0x59565955, false},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, 16, 0x32595559, false},
};
constexpr int kRgbOutputs = 4;

const Layout* LayoutOf(const CMediaType& type)
{
    if (*type.Type() != MEDIATYPE_Video || !BitmapHeaderOf(type))
        return nullptr;
    for (const Layout& layout : kLayouts)
        if (*layout.subtype == *type.Subtype())
            return &layout;
    return nullptr;
}

int StrideOf(const Layout& layout, int width) { return ((width * layout.bits / 8) + 3) & ~3; }

class ColourConverter final : public CTransformFilter {
public:
    ColourConverter() : CTransformFilter(NAME("Colour Space Converter"), nullptr, CLSID_Colour) {}

    HRESULT CheckInputType(const CMediaType* in) override
    {
        const BITMAPINFOHEADER* bitmap = BitmapHeaderOf(*in);
        return LayoutOf(*in) && bitmap->biWidth > 0 && bitmap->biHeight != 0 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override
    {
        const Layout* from = LayoutOf(*in);
        const Layout* to = LayoutOf(*out);
        if (!from || !to || !to->rgb)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const BITMAPINFOHEADER* a = BitmapHeaderOf(*in);
        const BITMAPINFOHEADER* b = BitmapHeaderOf(*out);
        return a->biWidth == b->biWidth && std::abs(a->biHeight) == std::abs(b->biHeight) ? S_OK
                                                                                          : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (!m_pInput->IsConnected())
            return VFW_E_NOT_CONNECTED;
        if (position < 0)
            return E_INVALIDARG;
        if (position >= kRgbOutputs)
            return VFW_S_NO_MORE_ITEMS;
        const Layout& layout = kLayouts[position];
        const CMediaType& input = m_pInput->CurrentMediaType();
        const BITMAPINFOHEADER* from = BitmapHeaderOf(input);
        int width = from->biWidth;
        int height = std::abs(from->biHeight);
        type->InitMediaType();
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
        std::memset(info, 0, sizeof *info);
        info->AvgTimePerFrame = FrameDurationOf(input);
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = height;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = layout.bits;
        info->bmiHeader.biCompression = 0;
        info->bmiHeader.biSizeImage = static_cast<DWORD>(StrideOf(layout, width) * height);
        type->SetType(&MEDIATYPE_Video);
        type->SetSubtype(layout.subtype);
        type->SetFormatType(&FORMAT_VideoInfo);
        type->SetSampleSize(info->bmiHeader.biSizeImage);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        long size = static_cast<long>(m_pOutput->CurrentMediaType().GetSampleSize());
        return SetBuffers(allocator, request, 2, size);
    }
    HRESULT StopStreaming() override
    {
        m_scaler.reset();
        return S_OK;
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override
    {
        const CMediaType& inType = m_pInput->CurrentMediaType();
        const CMediaType& outType = m_pOutput->CurrentMediaType();
        const Layout* from = LayoutOf(inType);
        const Layout* to = LayoutOf(outType);
        const BITMAPINFOHEADER* a = BitmapHeaderOf(inType);
        const BITMAPINFOHEADER* b = BitmapHeaderOf(outType);
        if (!from || !to)
            return E_UNEXPECTED;
        int width = a->biWidth;
        int height = std::abs(a->biHeight);
        int inStride = StrideOf(*from, width);
        int outStride = StrideOf(*to, width);
        BYTE* source = nullptr;
        BYTE* target = nullptr;
        in->GetPointer(&source);
        out->GetPointer(&target);
        if (in->GetActualDataLength() < inStride * height || out->GetSize() < outStride * height)
            return S_FALSE; // a short frame is dropped
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), width, height, from->pixels, width, height,
                                            to->pixels, SWS_POINT, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return E_FAIL;
        // Bottom-up RGB is read and written from its last row up.
        const uint8_t* src[4] = {source, nullptr, nullptr, nullptr};
        int srcStride[4] = {inStride, 0, 0, 0};
        if (from->rgb && a->biHeight > 0) {
            src[0] = source + static_cast<ptrdiff_t>(inStride) * (height - 1);
            srcStride[0] = -inStride;
        }
        uint8_t* dst[4] = {target, nullptr, nullptr, nullptr};
        int dstStride[4] = {outStride, 0, 0, 0};
        if (b->biHeight > 0) {
            dst[0] = target + static_cast<ptrdiff_t>(outStride) * (height - 1);
            dstStride[0] = -outStride;
        }
        sws_scale(m_scaler.get(), src, srcStride, 0, height, dst, dstStride);
        out->SetActualDataLength(outStride * height);
        return S_OK;
    }

private:
    av::ScalerPtr m_scaler;
};

} // namespace

HRESULT CreateColourConverter(REFIID riid, void** object) { return CreateSystemObject<ColourConverter>(riid, object); }

} // namespace dshow
