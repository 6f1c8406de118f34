#include "Platform/DShow/Filters/Writing/VideoEncoder.h"

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {

HRESULT VideoEncoder::CheckInputType(const CMediaType* in)
{
    return IsDibVideo(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoEncoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return SetBuffers(allocator, request, 2, OutputBytes());
}

HRESULT VideoEncoder::StartStreaming()
{
    std::lock_guard<std::mutex> guard(m_codecLock);
    const Target target = EncodeTarget();
    m_encoder.reset();
    const int error = av::OpenEncoder(target.codec, m_encoder, [&](AVCodecContext& c) {
        c.width = target.width;
        c.height = target.height;
        c.pix_fmt = target.format;
        c.time_base = target.timeBase;
        if (target.setup)
            target.setup(c);
    });
    if (error < 0)
        return E_FAIL;
    m_picture = av::AllocatePicture(target.format, target.width, target.height);
    return m_picture ? S_OK : E_OUTOFMEMORY;
}

HRESULT VideoEncoder::StopStreaming()
{
    std::lock_guard<std::mutex> guard(m_codecLock);
    m_encoder.reset();
    m_picture.reset();
    m_scaler.reset();
    return S_OK;
}

HRESULT VideoEncoder::Transform(IMediaSample* in, IMediaSample* out)
{
    std::lock_guard<std::mutex> guard(m_codecLock);
    if (!m_encoder || !m_picture)
        return VFW_E_WRONG_STATE;
    BYTE* bits = nullptr;
    in->GetPointer(&bits);
    DibPicture source;
    if (!DescribeDib(bits, in->GetActualDataLength(), m_pInput->CurrentMediaType(), source))
        return E_INVALIDARG;
    if (av_frame_make_writable(m_picture.get()) < 0 || !ScalePicture(m_scaler, source, DescribeFrame(m_picture.get())))
        return E_FAIL;
    BYTE* target = nullptr;
    out->GetPointer(&target);
    const LONG capacity = out->GetSize();
    LONG written = 0;
    m_picture->pts = m_encoder->frame_number;
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

} // namespace dshow
