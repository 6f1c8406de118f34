#include "Filters/Reverbix/Reverbix.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "Filters/Common/PluginClasses.h"

namespace {

constexpr int kReverbTaps = 2000;

// The "Reverb1" preset: taps 1 to 2000 (entry 0 is not read).
const std::array<SHORT, kReverbTaps + 1>& Reverb1()
{
    static const std::array<SHORT, kReverbTaps + 1> table = [] {
        std::array<SHORT, kReverbTaps + 1> taps{};
        taps[1] = 10000;
        taps[500] = 7500;
        taps[640] = 3000;
        taps[730] = 2567;
        taps[1100] = 5023;
        taps[1400] = 2551;
        taps[1600] = 1551;
        taps[1700] = 551;
        taps[1850] = 1281;
        return taps;
    }();
    return table;
}

int PowerOfTwoBelow(int length, int most)
{
    if (length < 2)
        return 1;
    int power = 1;
    while (power * 2 <= length && power * 2 <= most)
        power *= 2;
    return power;
}

} // namespace

CReverbixFilter::CReverbixFilter(LPUNKNOWN outer, HRESULT* result)
    : CTransformFilter(NAME("Reverbix"), outer, CLSID_Reverbix), CPersistStream(outer, result)
{
    // Configured from the start, so that its settings are taken before a
    // connection too.
    Reconfigure();
}

CUnknown* CReverbixFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    return new CReverbixFilter(outer, result);
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLAudioFilter)
        return GetInterface(static_cast<IKLAudioFilter*>(this), object);
    if (riid == IID_ISpecifyPropertyPages)
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), object);
    return CTransformFilter::NonDelegatingQueryInterface(riid, object);
}

void CReverbixFilter::Reconfigure()
{
    m_engine.Init(m_fftLength, m_input.rate, m_input.bits, m_output.rate, m_output.bits, m_input.channels,
                  m_output.channels);
    m_engine.SetNoise(m_dither);
    m_engine.SetMasterGainDb(m_gain);
}

void CReverbixFilter::ApplyFilterType()
{
    switch (m_filterType) {
    case 0:
        m_engine.SetLowPass(50000);
        m_engine.SetHighPass(10);
        break;
    case 1:
        m_engine.SetLowPass(5000);
        m_engine.SetHighPass(500);
        break;
    case 2:
        m_engine.SetLowPass(500);
        m_engine.SetHighPass(10);
        break;
    default:
        break;
    }
}

LONG CReverbixFilter::OutputBytesFor(LONG inputBytes) const
{
    const long long frames = inputBytes / std::max(1, m_input.FrameBytes());
    const long long block = PowerOfTwoBelow(std::max(1, m_fftLength) * 2 - 1, 1 << 16);
    // Whole blocks may be held back and come out with a later buffer.
    const long long out = (frames + 2 * block) * m_output.rate / std::max(1, m_input.rate) + 16;
    return static_cast<LONG>(std::min<long long>(out * m_output.FrameBytes(), 0x7FFFFFFF));
}

int CReverbixFilter::RoundFFT(int length) { return PowerOfTwoBelow(length, 65536); }

HRESULT STDMETHODCALLTYPE CReverbixFilter::Stop()
{
    m_streaming = false;
    return CTransformFilter::Stop();
}

HRESULT CReverbixFilter::CheckInputType(const CMediaType* type)
{
    if (*type->Type() != MEDIATYPE_Audio || *type->FormatType() != FORMAT_WaveFormatEx || !type->Format() ||
        type->FormatLength() < sizeof(WAVEFORMATEX))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->Format());
    if (format->wFormatTag != 1 || (format->wBitsPerSample != 8 && format->wBitsPerSample != 16))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_streaming && (format->wBitsPerSample != m_input.bits ||
                        static_cast<int>(format->nSamplesPerSec) != m_input.rate))
        return E_FAIL;
    if (m_pInput && m_pInput->IsConnected())
        return S_OK;
    m_input = {static_cast<int>(format->nSamplesPerSec), format->wBitsPerSample, format->nChannels};
    m_output = m_input;
    return S_OK;
}

HRESULT CReverbixFilter::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    return in->Format() && out->Format() ? S_OK : E_FAIL;
}

HRESULT CReverbixFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    if (!type->Format() || type->FormatLength() < sizeof(WAVEFORMATEX))
        return E_FAIL;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->Format());
    Format chosen{static_cast<int>(format->nSamplesPerSec), format->wBitsPerSample, format->nChannels};
    if (direction == PINDIR_OUTPUT)
        m_output = chosen;
    else
        m_input = chosen;
    HRESULT hr = CTransformFilter::SetMediaType(direction, type);
    Reconfigure();
    ApplyFilterType();
    return hr;
}

HRESULT CReverbixFilter::GetMediaType(int position, CMediaType* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    HRESULT hr = type->Set(m_pInput->CurrentMediaType());
    if (FAILED(hr))
        return hr;
    if (!type->Format() || type->FormatLength() < sizeof(WAVEFORMATEX))
        return E_UNEXPECTED;
    auto* format = reinterpret_cast<WAVEFORMATEX*>(type->Format());
    format->nChannels = static_cast<WORD>(m_output.channels);
    format->nSamplesPerSec = static_cast<DWORD>(m_output.rate);
    format->nBlockAlign = static_cast<WORD>(m_output.bits / 8 * m_output.channels);
    format->nAvgBytesPerSec = format->nBlockAlign * format->nSamplesPerSec;
    format->wBitsPerSample = static_cast<WORD>(m_output.bits);
    type->SetSampleSize(format->nBlockAlign);
    return S_OK;
}

HRESULT CReverbixFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!m_pInput->IsConnected())
        return E_FAIL;
    ALLOCATOR_PROPERTIES input{};
    com::ComPtr<IMemAllocator> inputAllocator;
    if (SUCCEEDED(m_pInput->GetAllocator(inputAllocator.Receive())))
        inputAllocator->GetProperties(&input);
    request->cBuffers = std::max<LONG>(input.cBuffers, 1);
    request->cbBuffer = std::max(kMinimumBuffer, OutputBytesFor(input.cbBuffer));
    request->cbAlign = std::max<LONG>(input.cbAlign, 1);
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer ||
        actual.cbAlign < request->cbAlign)
        return E_FAIL;
    return S_OK;
}

HRESULT CReverbixFilter::Transform(IMediaSample* in, IMediaSample* out)
{
    if (!m_streaming.exchange(true)) {
        AM_MEDIA_TYPE* changed = nullptr;
        if (in->GetMediaType(&changed) == S_OK && changed && changed->pbFormat &&
            changed->cbFormat >= sizeof(WAVEFORMATEX)) {
            const auto* format = reinterpret_cast<const WAVEFORMATEX*>(changed->pbFormat);
            Format now{static_cast<int>(format->nSamplesPerSec), format->wBitsPerSample, format->nChannels};
            if (now.rate != m_input.rate || now.bits != m_input.bits || now.channels != m_input.channels) {
                m_input = now;
                Reconfigure();
                ApplyFilterType();
            }
        }
        DeleteMediaType(changed);
    }
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    const LONG length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&from)) || FAILED(out->GetPointer(&to)) || !from || !to)
        return E_POINTER;
    LONG produced = 0;
    if (m_dsp) {
        // A buffer the output cannot hold is refused, never overrun.
        if (OutputBytesFor(length) > out->GetSize())
            return VFW_E_BUFFER_OVERFLOW;
        CAutoLock lock(&m_lock);
        const INT frames = length / std::max(1, m_input.FrameBytes());
        produced = m_engine.ProcessAll(frames, from, to, FALSE) * m_output.FrameBytes();
    } else {
        if (length > out->GetSize())
            return VFW_E_BUFFER_OVERFLOW;
        std::memcpy(to, from, static_cast<size_t>(std::max<LONG>(length, 0)));
        produced = length;
    }
    return out->SetActualDataLength(produced);
}

HRESULT CReverbixFilter::WriteToStream(IStream* stream)
{
    HRESULT hr = WriteInt(stream, m_filterType);
    if (SUCCEEDED(hr))
        hr = WriteInt(stream, m_fftLength);
    return hr;
}

HRESULT CReverbixFilter::ReadFromStream(IStream* stream)
{
    if (mPS_dwFileVersion > GetSoftwareVersion())
        return VFW_E_INVALID_FILE_VERSION;
    HRESULT hr = S_OK;
    int type = ReadInt(stream, hr);
    if (FAILED(hr))
        return hr;
    int length = ReadInt(stream, hr);
    if (FAILED(hr))
        return hr;
    m_filterType = type;
    m_fftLength = std::clamp(RoundFFT(length), 512, 32768);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetFilterType(int type)
{
    m_filterType = type;
    ApplyFilterType();
    return S_OK;
}

#define KL_GETTER(Method, Type, value)                                                                              \
    HRESULT STDMETHODCALLTYPE CReverbixFilter::Method(Type* out)                                                     \
    {                                                                                                                \
        CheckPointer(out, E_POINTER);                                                                                \
        *out = value;                                                                                                \
        return S_OK;                                                                                                 \
    }
KL_GETTER(GetFilterType, int, m_filterType)
KL_GETTER(GetInputChannels, int, m_input.channels)
KL_GETTER(GetGainsPerChannel, int, m_gainsPerChannel)
KL_GETTER(GetInputBits, int, m_input.bits)
KL_GETTER(GetInputRate, int, m_input.rate)
KL_GETTER(GetOutputChannels, int, m_output.channels)
KL_GETTER(GetOutputRate, int, m_output.rate)
KL_GETTER(GetOutputBits, int, m_output.bits)
KL_GETTER(GetFFTLength, int, m_fftLength)
KL_GETTER(GetDither, BYTE, m_dither)
KL_GETTER(GetDSPEnabled, BYTE, m_dsp)
#undef KL_GETTER

HRESULT STDMETHODCALLTYPE CReverbixFilter::GetChannelFlag(int channel, BYTE* flag)
{
    CheckPointer(flag, E_POINTER);
    *flag = static_cast<BYTE>(channel >= 0 ? m_engine.ChannelClipped(channel) : m_engine.AnyClipped());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetFFTLength(int length)
{
    m_fftLength = RoundFFT(length);
    Reconfigure();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetOutputChannels(int channels)
{
    if (m_pOutput && m_pOutput->IsConnected())
        return E_FAIL;
    m_output.channels = channels;
    Reconfigure();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetOutputBits(int bits)
{
    if (m_pOutput && m_pOutput->IsConnected())
        return E_FAIL;
    m_output.bits = bits;
    Reconfigure();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetOutputRate(int rate)
{
    if (m_pOutput && m_pOutput->IsConnected())
        return E_FAIL;
    m_output.rate = rate;
    Reconfigure();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetDither(BYTE dither)
{
    m_engine.SetNoise(dither);
    m_dither = dither;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetGain(float decibels)
{
    m_gain = decibels;
    m_engine.SetMasterGainDb(decibels);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetChannelGains(const int* values, int)
{
    CheckPointer(values, E_POINTER);
    const int count = std::clamp(m_input.channels * m_gainsPerChannel, 0, kMaxChannelGains);
    std::copy(values, values + count, m_channelGains);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::GetChannelGains(int* values)
{
    CheckPointer(values, E_POINTER);
    const int count = std::clamp(m_input.channels * m_gainsPerChannel, 0, kMaxChannelGains);
    std::copy(m_channelGains, m_channelGains + count, values);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetBandPoints(int count, const float* frequencies)
{
    return m_engine.SetBandFrequencies(count, frequencies) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetBandLevel(int, int band, float decibels)
{
    m_engine.SetBandGain(band, decibels);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::GetBandPoints(int* count, float* frequencies)
{
    CheckPointer(count, E_POINTER);
    m_engine.GetBandFrequencies(count, frequencies);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::GetBandLevel(int, int band, float* decibels)
{
    CheckPointer(decibels, E_POINTER);
    m_engine.GetBandGain(band, decibels);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetReverb(const char* name)
{
    if (!name)
        return m_engine.SetImpulseResponse(0, m_input.rate, nullptr) ? S_OK : E_FAIL;
    if (std::strcmp(name, "Reverb1") != 0)
        return E_FAIL;
    return m_engine.SetImpulseResponse(kReverbTaps, m_input.rate, Reverb1().data()) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::SetDSPEnabled(BYTE enabled)
{
    m_dsp = enabled;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CReverbixFilter::GetPages(CAUUID* pages)
{
    CheckPointer(pages, E_POINTER);
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 2;
    pages->pElems[0] = CLSID_ReverbixSettingsPage;
    pages->pElems[1] = CLSID_ReverbixEqualiserPage;
    return S_OK;
}
