#include "Filters/Chirpex/BeepRemover.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "Filters/Common/PluginClasses.h"

namespace {

constexpr int16_t kErrorValue = static_cast<int16_t>(0x8000);
std::atomic<int> g_instances{0};

inline void Fix(int16_t& value, int16_t& lastGood)
{
    if (value == kErrorValue)
        value = lastGood;
    lastGood = value;
}

} // namespace

void RemoveBeeps(int16_t* values, LONG count, int channels, int16_t lastGood[2])
{
    if (channels == 1) {
        for (LONG i = 0; i < count; ++i)
            Fix(values[i], lastGood[0]);
    } else if (channels == 2) {
        LONG i = 0;
        for (; i + 1 < count; i += 2) {
            Fix(values[i], lastGood[0]);
            Fix(values[i + 1], lastGood[1]);
        }
        if (i < count)
            Fix(values[i], lastGood[0]);
    }
}

CChirpexFilter::CChirpexFilter(LPUNKNOWN outer, HRESULT* result)
    : CTransInPlaceFilter(NAME("Chirpex"), outer, CLSID_Chirpex, result), CPersistStream(outer, result),
      m_instance(++g_instances)
{
}

CUnknown* CChirpexFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result) { return new CChirpexFilter(outer, result); }

HRESULT STDMETHODCALLTYPE CChirpexFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLBeepRemover)
        return GetInterface(static_cast<IKLBeepRemover*>(this), object);
    if (riid == IID_ISpecifyPropertyPages)
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (riid == IID_IPersistStream)
        return GetInterface(static_cast<IPersistStream*>(this), object);
    return CTransInPlaceFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CChirpexFilter::CheckInputType(const CMediaType* type)
{
    if (*type->Type() != MEDIATYPE_Audio || *type->FormatType() != FORMAT_WaveFormatEx || !type->Format() ||
        type->FormatLength() < sizeof(WAVEFORMATEX))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->Format());
    if (format->wFormatTag != 1 || (format->wBitsPerSample != 8 && format->wBitsPerSample != 16))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CChirpexFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    if (type->Format() && type->FormatLength() >= sizeof(WAVEFORMATEX)) {
        const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->Format());
        m_rate = static_cast<int>(format->nSamplesPerSec);
        m_bytesPerSample = format->wBitsPerSample / 8;
        m_channels = format->nChannels;
    }
    CTransInPlaceFilter::SetMediaType(direction, type);
    if (direction == PINDIR_OUTPUT && m_pInput && m_pOutput && m_pInput->IsConnected() && m_pOutput->IsConnected() &&
        !OutputPin()->IsConnectingHere() && *type != m_pInput->CurrentMediaType())
        ReconnectPin(m_pInput, type);
    return S_OK;
}

HRESULT CChirpexFilter::Transform(IMediaSample* sample)
{
    if (m_bytesPerSample != 2)
        return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data)
        return S_OK;
    LONG count = sample->GetActualDataLength() / 2;
    // The values may sit at any byte; they are read and written whole.
    std::vector<int16_t> values(static_cast<size_t>(count));
    std::memcpy(values.data(), data, values.size() * 2);
    RemoveBeeps(values.data(), count, m_channels, m_lastGood);
    std::memcpy(data, values.data(), values.size() * 2);
    return S_OK;
}

HRESULT CChirpexFilter::WriteToStream(IStream* stream) { return WriteInt(stream, m_level); }

HRESULT CChirpexFilter::ReadFromStream(IStream* stream)
{
    if (mPS_dwFileVersion > GetSoftwareVersion())
        return VFW_E_INVALID_FILE_VERSION;
    HRESULT hr = S_OK;
    int level = ReadInt(stream, hr);
    if (FAILED(hr))
        return hr;
    m_level = level;
    m_on = level > 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CChirpexFilter::GetLevel(int* level)
{
    CheckPointer(level, E_POINTER);
    *level = m_level;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CChirpexFilter::SetLevel(int level)
{
    m_level = level;
    m_on = level > 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CChirpexFilter::GetPages(CAUUID* pages)
{
    CheckPointer(pages, E_POINTER);
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_ChirpexPage;
    return S_OK;
}
