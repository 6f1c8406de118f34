#include "Filters/Pellmark/ImgCap.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

#include "Filters/Common/SetupRecords.h"
#include "Platform/Outside/StillImage/StillImageWrite.h"

namespace {

// The path buffer the program's paths fit.
constexpr size_t kMaxPath = 260;

} // namespace

CImgCapInputPin::CImgCapInputPin(CImgCapFilter* filter, CCritSec* lock, HRESULT* result)
    : CRenderedInputPin(NAME("ImgCap input"), filter, lock, result, u"Input")
{
}

HRESULT CImgCapInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type)
        return E_INVALIDARG;
    return type->majortype == MEDIATYPE_Video &&
                   (type->subtype == MEDIASUBTYPE_RGB24 || type->subtype == MEDIASUBTYPE_RGB555)
               ? S_OK
               : E_FAIL;
}

HRESULT CImgCapInputPin::Receive(IMediaSample* sample)
{
    CAutoLock pinGuard(m_pLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    CAutoLock guard(&m_captureLock);
    if (m_pending != 0) {
        // Saved under the capture lock, so a caller that gives up waiting
        // either withdraws its request first or finds its frame saved.
        m_result = Save(sample);
        m_served = m_pending;
        m_pending = 0;
        m_done.Set();
    }
    return S_OK;
}

HRESULT CImgCapInputPin::EndOfStream()
{
    CAutoLock pinGuard(m_pLock);
    CAutoLock guard(&m_captureLock);
    return CRenderedInputPin::EndOfStream();
}

HRESULT CImgCapInputPin::BreakConnect()
{
    CAutoLock guard(&m_captureLock);
    return CRenderedInputPin::BreakConnect();
}

HRESULT CImgCapInputPin::Save(IMediaSample* sample)
{
    if (m_mt.formattype != FORMAT_VideoInfo || !m_mt.pbFormat || m_mt.cbFormat < sizeof(VIDEOINFOHEADER))
        return E_FAIL;
    const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.pbFormat)->bmiHeader;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data)
        return E_FAIL;
    // The frame must hold every row the header describes.
    const long long stride = (static_cast<long long>(header.biWidth) * header.biBitCount / 8 + 3) & ~3LL;
    const long long rows = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    if (stride <= 0 || stride * rows > sample->GetActualDataLength())
        return E_FAIL;
    return StillImageSaveFile(m_path.c_str(), &header, data, m_format) == STILLIMAGE_OK ? S_OK : E_FAIL;
}

HRESULT CImgCapInputPin::CaptureToFile(const char* path, DWORD timeout)
{
    const int format = CImgCapFilter::FormatFor(path);
    if (format < 0 || std::strlen(path) >= kMaxPath)
        return E_INVALIDARG;
    unsigned request = 0;
    {
        CAutoLock guard(&m_captureLock);
        request = ++m_nextRequest;
        if (request == 0)
            request = ++m_nextRequest;
        m_path = path;
        m_format = format;
        m_result = S_OK;
        m_pending = request;
        m_done.Reset();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        m_done.Wait(static_cast<DWORD>(std::max<long long>(0, left.count())));
        CAutoLock guard(&m_captureLock);
        if (m_served == request)
            return m_result;
        if (std::chrono::steady_clock::now() >= deadline) {
            // Withdrawn: no later frame is saved for this request.
            if (m_pending == request)
                m_pending = 0;
            m_done.Reset();
            return E_FAIL;
        }
    }
}

CImgCapFilter::CImgCapFilter(LPUNKNOWN outer, HRESULT* result)
    : CCaptureRenderer(NAME("ImgCap filter"), outer, CLSID_ImgCapRenderer)
{
    HRESULT hr = S_OK;
    m_pin = new (std::nothrow) CImgCapInputPin(this, &m_lock, &hr);
    if (!m_pin)
        hr = E_OUTOFMEMORY;
    if (result)
        *result = hr;
}

CUnknown* CImgCapFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    auto* filter = new (std::nothrow) CImgCapFilter(outer, result);
    if (!filter)
        *result = E_OUTOFMEMORY;
    return filter;
}

HRESULT CImgCapFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLFrameCap)
        return GetInterface(static_cast<IKLFrameCap*>(this), object);
    return CCaptureRenderer::NonDelegatingQueryInterface(riid, object);
}

int CImgCapFilter::FormatFor(const std::string& path)
{
    // The extension of the file name, not of a folder on the way to it.
    const size_t nameStart = path.find_last_of("/\\");
    const std::string name = nameStart == std::string::npos ? path : path.substr(nameStart + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return -1;
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".bmp")
        return STILLIMAGE_FILE_BMP;
    if (extension == ".jpg")
        return STILLIMAGE_FILE_JPEG;
    if (extension == ".tif")
        return STILLIMAGE_FILE_TIFF;
    return -1;
}

HRESULT CImgCapFilter::CaptureToFile(const char* path)
{
    if (!m_pin)
        return E_POINTER;
    if (!path)
        return E_INVALIDARG;
    return static_cast<CImgCapInputPin*>(m_pin)->CaptureToFile(path, m_wait);
}
