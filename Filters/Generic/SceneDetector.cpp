#include "Filters/Generic/SceneDetector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Filters/Common/PluginClasses.h"

namespace {

constexpr double kUnits = 10000000.0;

HRESULT ReadExactly(IStream* stream, void* data, ULONG size)
{
    ULONG read = 0;
    HRESULT hr = stream->Read(data, size, &read);
    return FAILED(hr) ? hr : read == size ? S_OK : VFW_E_FILE_TOO_SHORT;
}

HRESULT WriteExactly(IStream* stream, const void* data, ULONG size)
{
    ULONG written = 0;
    HRESULT hr = stream->Write(data, size, &written);
    return FAILED(hr) ? hr : written == size ? S_OK : STG_E_MEDIUMFULL;
}

// Little-endian values of the persisted state.
template <typename T> HRESULT ReadValue(IStream* stream, T* value)
{
    BYTE bytes[sizeof(T)];
    HRESULT hr = ReadExactly(stream, bytes, sizeof bytes);
    if (FAILED(hr))
        return hr;
    unsigned long long bits = 0;
    for (int b = static_cast<int>(sizeof(T)) - 1; b >= 0; --b)
        bits = bits << 8 | bytes[b];
    if constexpr (sizeof(T) == 4) {
        auto narrow = static_cast<uint32_t>(bits);
        std::memcpy(value, &narrow, 4);
    } else {
        std::memcpy(value, &bits, 8);
    }
    return S_OK;
}

template <typename T> HRESULT WriteValue(IStream* stream, T value)
{
    unsigned long long bits = 0;
    if constexpr (sizeof(T) == 4) {
        uint32_t narrow = 0;
        std::memcpy(&narrow, &value, 4);
        bits = narrow;
    } else {
        std::memcpy(&bits, &value, 8);
    }
    BYTE bytes[sizeof(T)];
    for (size_t b = 0; b < sizeof(T); ++b)
        bytes[b] = static_cast<BYTE>(bits >> (8 * b));
    return WriteExactly(stream, bytes, sizeof bytes);
}

} // namespace

CSceneDetectorFilter::CSceneDetectorFilter(LPUNKNOWN outer, HRESULT* result)
    : CInPlaceCopyFilter(NAME("Scene Detector"), outer, CLSID_SceneDetector, result), CPersistStream(outer, result)
{
}

CSceneDetectorFilter::~CSceneDetectorFilter() { DetachGraph(); }

CUnknown* CSceneDetectorFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    return new CSceneDetectorFilter(outer, result);
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLSceneDetector)
        return GetInterface(static_cast<IKLSceneDetector*>(this), object);
    if (riid == IID_ISpecifyPropertyPages)
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), object);
    return CInPlaceCopyFilter::NonDelegatingQueryInterface(riid, object);
}

bool CSceneDetectorFilter::IsRgb24(const CMediaType* type)
{
    if (*type->Type() != MEDIATYPE_Video || *type->Subtype() != MEDIASUBTYPE_RGB24 ||
        type->FormatLength() < sizeof(VIDEOINFOHEADER) || !type->Format())
        return false;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type->Format())->bmiHeader.biBitCount == 24;
}

HRESULT CSceneDetectorFilter::CheckInputType(const CMediaType* type)
{
    if (*type->FormatType() != FORMAT_VideoInfo)
        return E_INVALIDARG;
    if (!IsRgb24(type))
        return E_FAIL;
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
    CAutoLock lock(&m_analysisLock);
    m_frameDuration = info->AvgTimePerFrame * 1e-7;
    m_haveFormat = m_frameDuration > 0;
    // Rows of a bitmap are padded to whole 4-byte words.
    m_stride = (info->bmiHeader.biWidth * 3 + 3) & ~3;
    m_imageBytes = m_stride * std::max<LONG>(info->bmiHeader.biHeight, 0);
    m_analyser.SetFormat(info->bmiHeader.biWidth, info->bmiHeader.biHeight, m_frameDuration);
    return S_OK;
}

HRESULT CSceneDetectorFilter::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!IsRgb24(in) || *in != *out)
        return E_FAIL;
    return S_OK;
}

HRESULT CSceneDetectorFilter::StopStreaming()
{
    CAutoLock lock(&m_analysisLock);
    m_analyser.SetAppendIndex(0);
    m_analyser.ClearWindow();
    return S_OK;
}

HRESULT CSceneDetectorFilter::Transform(IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = SampleTimes(sample, &start, &stop);
    if (FAILED(hr))
        return hr;
    CAutoLock lock(&m_analysisLock);
    double time = m_sampleTimes ? std::max(0.0, (start + stop) / 2.0 / kUnits) : (m_frames + 0.5) * m_frameDuration;
    if (m_analysing) {
        BYTE* pixels = nullptr;
        // A short buffer is not read past its end.
        if (SUCCEEDED(sample->GetPointer(&pixels)) && pixels && sample->GetActualDataLength() >= m_imageBytes)
            m_analyser.Analyse(pixels, m_stride, m_frames, time);
        m_lastTime = time;
        ++m_frames;
    }
    return S_OK;
}

HRESULT CSceneDetectorFilter::WriteToStream(IStream* stream)
{
    CAutoLock lock(&m_analysisLock);
    const int count = m_analyser.SceneCount();
    HRESULT hr = WriteValue<int32_t>(stream, count);
    for (int i = 0; i < count && SUCCEEDED(hr); ++i)
        hr = WriteValue<double>(stream, m_analyser.Scene(i));
    if (SUCCEEDED(hr))
        hr = WriteValue<double>(stream, m_analyser.Threshold());
    if (SUCCEEDED(hr))
        hr = WriteValue<int32_t>(stream, m_analyser.Window());
    return hr;
}

HRESULT CSceneDetectorFilter::ReadFromStream(IStream* stream)
{
    if (mPS_dwFileVersion > GetSoftwareVersion())
        return VFW_E_INVALID_FILE_VERSION;
    int32_t count = 0;
    HRESULT hr = ReadValue(stream, &count);
    if (FAILED(hr))
        return hr;
    if (count < 0 || count > SceneAnalyser::kMaxScenes)
        return VFW_E_INVALID_FILE_FORMAT;
    std::vector<double> scenes(static_cast<size_t>(count));
    for (double& scene : scenes)
        if (FAILED(hr = ReadValue(stream, &scene)))
            return hr;
    double threshold = 0;
    int32_t window = 0;
    if (FAILED(hr = ReadValue(stream, &threshold)) || FAILED(hr = ReadValue(stream, &window)))
        return hr;
    if (!std::isfinite(threshold) || threshold <= 0 || window < 1 || window > SceneAnalyser::kMaxWindow)
        return VFW_E_INVALID_FILE_FORMAT;
    CAutoLock lock(&m_analysisLock);
    m_analyser.SetScenes(scenes.data(), count);
    m_analyser.SetThreshold(threshold);
    m_analyser.SetWindow(window);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::SeekTo(double seconds)
{
    if (m_usePosition) {
        if (!m_position)
            return E_FAIL;
        REFTIME duration = 0, current = 0;
        m_position->get_Duration(&duration);
        m_position->get_CurrentPosition(&current);
        m_position->put_CurrentPosition(seconds);
        return S_OK;
    }
    if (!m_seeking)
        return E_FAIL;
    LONGLONG current = 0, duration = 0;
    m_seeking->GetCurrentPosition(&current);
    m_seeking->GetDuration(&duration);
    LONGLONG target = static_cast<LONGLONG>(seconds * kUnits);
    m_seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &duration, AM_SEEKING_AbsolutePositioning);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::GetPosition(double* position, double* duration, int* scenes)
{
    CheckPointer(position, E_POINTER);
    CheckPointer(duration, E_POINTER);
    if (m_usePosition) {
        if (!m_position)
            return E_FAIL;
        m_position->get_CurrentPosition(position);
        m_position->get_Duration(duration);
    } else {
        if (!m_seeking)
            return E_FAIL;
        LONGLONG current = 0, length = 0;
        m_seeking->GetCurrentPosition(&current);
        m_seeking->GetDuration(&length);
        *position = current / kUnits;
        *duration = length / kUnits;
    }
    if (scenes) {
        CAutoLock lock(&m_analysisLock);
        *scenes = m_analyser.SceneCount();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::SetParameters(double sensitivity, double windowSeconds,
                                                              BOOL sampleTimes)
{
    CAutoLock lock(&m_analysisLock);
    m_sampleTimes = sampleTimes != FALSE;
    m_analyser.SetThreshold(sensitivity < 0.5 ? (sensitivity + 1) * 2 : (sensitivity - 0.5) * 10 + 3);
    // Before a connection there is no frame duration to count the window in.
    if (!m_haveFormat)
        return E_FAIL;
    int frames = static_cast<int>(windowSeconds / m_frameDuration + 1e-9);
    if (frames >= 180)
        frames = 179;
    // A window shorter than one frame would leave nothing to compare.
    m_analyser.SetWindow(std::max(frames, 1));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::GetParameters(double* sensitivity, double* windowSeconds)
{
    CheckPointer(sensitivity, E_POINTER);
    CheckPointer(windowSeconds, E_POINTER);
    CAutoLock lock(&m_analysisLock);
    double threshold = m_analyser.Threshold();
    *sensitivity = threshold < 3 ? (threshold - 2) * 0.5 : (threshold - 3) * 0.1 + 0.5;
    *windowSeconds = (m_analyser.Window() + 0.5) * m_frameDuration;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::GetScene(int index, double* time)
{
    CheckPointer(time, E_POINTER);
    CAutoLock lock(&m_analysisLock);
    if (index == -100) {
        *time = m_lastTime;
        return S_OK;
    }
    if (index < 0 || index >= m_analyser.SceneCount())
        return E_FAIL;
    *time = m_analyser.Scene(index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::StartAnalysis()
{
    if (!m_control)
        return S_OK;
    {
        CAutoLock lock(&m_analysisLock);
        m_analyser.ClearScenes();
        m_analysing = true;
    }
    m_control->Run();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::StopAnalysis()
{
    CAutoLock lock(&m_analysisLock);
    m_analysing = false;
    m_frames = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::GoToScene(int offset)
{
    double position = 0, duration = 0;
    HRESULT hr = GetPosition(&position, &duration, nullptr);
    if (FAILED(hr))
        return hr;
    double time = 0;
    {
        CAutoLock lock(&m_analysisLock);
        const int count = m_analyser.SceneCount();
        if (count == 0)
            return E_FAIL;
        int contained = 0;
        while (contained < count && m_analyser.Scene(contained) <= position + m_frameDuration / 2)
            ++contained;
        int chosen = std::clamp(contained + offset - 1, 0, count - 1);
        m_analyser.SetAppendIndex(chosen);
        time = m_analyser.Scene(chosen);
    }
    return SeekTo(time);
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::StepFrames(int frames)
{
    double position = 0, duration = 0;
    HRESULT hr = GetPosition(&position, &duration, nullptr);
    if (FAILED(hr))
        return hr;
    return SeekTo(position + frames * m_frameDuration);
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::AttachGraph()
{
    if (!m_pGraph)
        return S_OK;
    if (!m_seeking)
        m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_seeking));
    if (!m_position)
        m_pGraph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&m_position));
    if (!m_control)
        m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::DetachGraph()
{
    for (IUnknown** held : {reinterpret_cast<IUnknown**>(&m_seeking), reinterpret_cast<IUnknown**>(&m_position),
                            reinterpret_cast<IUnknown**>(&m_control)}) {
        if (*held)
            (*held)->Release();
        *held = nullptr;
    }
    CAutoLock lock(&m_analysisLock);
    m_analyser.SetAppendIndex(0);
    m_analyser.ClearWindow();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::SetUsePosition(BOOL usePosition)
{
    m_usePosition = usePosition != FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSceneDetectorFilter::GetPages(CAUUID* pages)
{
    CheckPointer(pages, E_POINTER);
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_SceneDetectorPage;
    return S_OK;
}
