#include "Filters/Quillet/WavDest.h"

#include <cstring>
#include <limits>

#include "Filters/Common/Allocation.h"

namespace {

// Writes a tag or a 32-bit little-endian value at `at`.
void PutTag(BYTE* at, const char* tag) { std::memcpy(at, tag, 4); }

void PutLong(BYTE* at, ULONG value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<BYTE>(value >> (8 * i));
}

// The format chunk's body with its pad byte.
ULONG PaddedFormatSize(ULONG formatSize) { return formatSize + (formatSize & 1); }

// Seeks `stream` to `offset` and writes the bytes there.
HRESULT WriteAt(IStream* stream, ULONGLONG offset, const std::vector<BYTE>& bytes)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    HRESULT hr = stream->Seek(position, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr))
        hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    return hr;
}

} // namespace

CQORWavDestOutputPin::CQORWavDestOutputPin(CTransformFilter* filter, HRESULT* result)
    : CTransformOutputPin(NAME("WAV writer output"), filter, result, u"Out")
{
}

HRESULT CQORWavDestOutputPin::CheckMediaType(const CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    return type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_WAVE ? S_OK : S_FALSE;
}

CQORWavDestFilter::CQORWavDestFilter(LPUNKNOWN outer, HRESULT* result)
    : CTransformFilter(NAME("QOR WAV Dest"), outer, CLSID_WavDest)
{
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CTransformInputPin(NAME("WAV writer input"), this, &hr, u"In");
    m_pOutput = new (std::nothrow) CQORWavDestOutputPin(this, &hr);
    if (!m_pInput || !m_pOutput)
        hr = E_OUTOFMEMORY;
    if (result)
        *result = hr;
}

CUnknown* CQORWavDestFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    auto* filter = new (std::nothrow) CQORWavDestFilter(outer, result);
    if (!filter)
        *result = E_OUTOFMEMORY;
    return filter;
}

HRESULT CQORWavDestFilter::CheckInputType(const CMediaType* in)
{
    CheckPointer(in, E_POINTER);
    return in->formattype == FORMAT_WaveFormatEx ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CQORWavDestFilter::CheckTransform(const CMediaType* in, const CMediaType*) { return CheckInputType(in); }

HRESULT CQORWavDestFilter::GetMediaType(int position, CMediaType* type)
{
    CheckPointer(type, E_POINTER);
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    type->InitMediaType();
    type->SetType(&MEDIATYPE_Stream);
    type->SetSubtype(&MEDIASUBTYPE_WAVE);
    return S_OK;
}

HRESULT CQORWavDestFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    CheckPointer(allocator, E_POINTER);
    CheckPointer(request, E_POINTER);
    if (!m_pInput->IsConnected())
        return E_UNEXPECTED;
    com::ComPtr<IMemAllocator> inputAllocator;
    HRESULT hr = m_pInput->GetAllocator(inputAllocator.Receive());
    if (FAILED(hr))
        return hr;
    ALLOCATOR_PROPERTIES input{};
    hr = inputAllocator->GetProperties(&input);
    if (FAILED(hr))
        return hr;
    request->cBuffers = 1;
    request->cbAlign = 1;
    request->cbBuffer = input.cbBuffer;
    return plugin_allocation::SetProperties(allocator, request, true);
}

HRESULT CQORWavDestFilter::StartStreaming()
{
    m_dataCount = 0;
    m_headerSize = PaddedFormatSize(m_pInput->CurrentMediaType().cbFormat) + 28;
    return S_OK;
}

HRESULT CQORWavDestFilter::Transform(IMediaSample* in, IMediaSample* out)
{
    BYTE* source = nullptr;
    BYTE* destination = nullptr;
    HRESULT hr = in->GetPointer(&source);
    if (SUCCEEDED(hr))
        hr = out->GetPointer(&destination);
    if (FAILED(hr))
        return hr;
    const LONG length = in->GetActualDataLength();
    if (length < 0 || length > out->GetSize())
        return E_FAIL;
    std::memcpy(destination, source, static_cast<size_t>(length));
    REFERENCE_TIME start = 0, stop = 0;
    if (in->GetTime(&start, &stop) == S_OK)
        out->SetTime(&start, &stop);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        out->SetMediaTime(&mediaStart, &mediaStop);
    AM_MEDIA_TYPE* type = nullptr;
    in->GetMediaType(&type);
    out->SetMediaType(type);
    if (type)
        DeleteMediaType(type);
    out->SetActualDataLength(length);

    // The file stays below 4 GB, with room for the pad byte at the end.
    const ULONGLONG position = static_cast<ULONGLONG>(m_dataCount) + m_headerSize;
    if (position + static_cast<ULONGLONG>(length) + 1 > std::numeric_limits<ULONG>::max())
        return E_FAIL;
    start = static_cast<REFERENCE_TIME>(position);
    stop = start + length;
    out->SetTime(&start, &stop);
    m_dataCount += static_cast<ULONG>(length);
    return S_OK;
}

std::vector<BYTE> CQORWavDestFilter::Header(const BYTE* format, ULONG formatSize, ULONG dataCount)
{
    const ULONG padded = PaddedFormatSize(formatSize);
    std::vector<BYTE> header(padded + 28, 0);
    BYTE* out = header.data();
    PutTag(out, "RIFF");
    PutLong(out + 4, dataCount + (dataCount & 1) + padded + 28 - 8);
    PutTag(out + 8, "WAVE");
    PutTag(out + 12, "fmt ");
    PutLong(out + 16, formatSize);
    if (formatSize)
        std::memcpy(out + 20, format, formatSize);
    PutTag(out + 20 + padded, "data");
    PutLong(out + 24 + padded, dataCount);
    return header;
}

HRESULT CQORWavDestFilter::StopStreaming()
{
    IPin* connected = m_pOutput->GetConnected();
    if (!connected)
        return E_FAIL;
    com::ComPtr<IStream> stream;
    HRESULT hr = connected->QueryInterface(IID_IStream, stream.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    const CMediaType& format = m_pInput->CurrentMediaType();
    hr = WriteAt(stream.Get(), 0, Header(format.pbFormat, format.cbFormat, m_dataCount));
    // An odd data count is followed by the pad byte that ends the chunk.
    if (SUCCEEDED(hr) && (m_dataCount & 1))
        hr = WriteAt(stream.Get(), static_cast<ULONGLONG>(m_headerSize) + m_dataCount, std::vector<BYTE>(1, 0));
    return hr;
}
