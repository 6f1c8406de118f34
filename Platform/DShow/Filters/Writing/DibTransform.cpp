#include "Platform/DShow/Filters/Writing/DibTransform.h"

#include <cstdlib>

#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {

HRESULT DibTransform::CheckInputType(const CMediaType* in)
{
    return IsDibVideo(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DibTransform::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!IsDibVideo(*in) || !IsDibVideo(*out) || *in->Subtype() != *out->Subtype())
        return VFW_E_TYPE_NOT_ACCEPTED;
    const BITMAPINFOHEADER& to = VideoInfoOf(*out).bmiHeader;
    int width = 0, height = 0;
    OutputSize(*in, width, height);
    return to.biWidth == width && std::abs(to.biHeight) == height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DibTransform::GetMediaType(int position, CMediaType* type)
{
    if (HRESULT hr = OnlyType(position, m_pInput->IsConnected()); hr != S_OK)
        return hr;
    const CMediaType& in = m_pInput->CurrentMediaType();
    int width = 0, height = 0;
    OutputSize(in, width, height);
    *type = in;
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->ReallocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!info)
        return E_OUTOFMEMORY;
    const LONG bytes = DibImageSize(*in.Subtype(), width, height);
    info->AvgTimePerFrame = OutputFrameTime();
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = VideoInfoOf(in).bmiHeader.biHeight < 0 ? -height : height;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(bytes);
    info->rcSource = RECT{0, 0, width, height};
    info->rcTarget = info->rcSource;
    type->SetSampleSize(static_cast<ULONG>(bytes));
    return S_OK;
}

HRESULT DibTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const CMediaType& out = m_pOutput->CurrentMediaType();
    const BITMAPINFOHEADER& bitmap = VideoInfoOf(out).bmiHeader;
    return SetBuffers(allocator, request, 2, DibImageSize(*out.Subtype(), bitmap.biWidth, bitmap.biHeight));
}

void DibTransform::OutputSize(const CMediaType& in, int& width, int& height)
{
    const BITMAPINFOHEADER& bitmap = VideoInfoOf(in).bmiHeader;
    width = bitmap.biWidth;
    height = std::abs(bitmap.biHeight);
}

REFERENCE_TIME DibTransform::OutputFrameTime() { return InputFrameTime(); }

REFERENCE_TIME DibTransform::InputFrameTime()
{
    const REFERENCE_TIME time = VideoInfoOf(m_pInput->CurrentMediaType()).AvgTimePerFrame;
    return time > 0 ? time : UNITS / 25;
}

} // namespace dshow
