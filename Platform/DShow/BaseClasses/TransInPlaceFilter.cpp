#include "Platform/DShow/BaseClasses/TransInPlaceFilter.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/BaseClasses/Allocator.h"

CTransInPlaceInputPin::CTransInPlaceInputPin(LPCTSTR objectName, CTransInPlaceFilter* filter, HRESULT* result,
                                             LPCWSTR pinName)
    : CTransformInputPin(objectName, filter, result, pinName), m_pTIPFilter(filter)
{
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    CheckPointer(types, E_POINTER);
    *types = nullptr;
    if (!m_pTIPFilter->m_pOutput->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_pTIPFilter->m_pOutput->GetConnected()->EnumMediaTypes(types);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* type)
{
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    if (m_pTIPFilter->m_pOutput->IsConnected())
        return m_pTIPFilter->m_pOutput->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::GetAllocator(IMemAllocator** allocator)
{
    CheckPointer(allocator, E_POINTER);
    CAutoLock lock(m_pLock);
    if (m_pTIPFilter->m_pOutput->IsConnected()) {
        HRESULT hr = m_pTIPFilter->OutputPin()->ConnectedIMemInputPin()->GetAllocator(allocator);
        if (SUCCEEDED(hr))
            m_pTIPFilter->OutputPin()->SetAllocator(*allocator);
        return hr;
    }
    // A temporary allocator: connecting the output reconnects this pin.
    return CTransformInputPin::GetAllocator(allocator);
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    CheckPointer(allocator, E_POINTER);
    CAutoLock lock(m_pLock);
    m_bReadOnly = static_cast<BYTE>(readOnly != FALSE);
    if (!m_pTIPFilter->OutputPin()->IsConnected())
        return CTransformInputPin::NotifyAllocator(allocator, readOnly);

    HRESULT hr = S_OK;
    CTransInPlaceOutputPin* output = m_pTIPFilter->OutputPin();
    if (readOnly && m_pTIPFilter->m_bModifiesData) {
        // A read-only buffer cannot be changed in place: samples will be
        // copied into the output pin's own allocator.
        IMemAllocator* outputAllocator = output->PeekAllocator();
        if (!outputAllocator) {
            hr = output->ConnectedIMemInputPin()->GetAllocator(&outputAllocator);
            if (FAILED(hr))
                hr = CreateMemoryAllocator(&outputAllocator);
            if (SUCCEEDED(hr)) {
                output->SetAllocator(outputAllocator);
                outputAllocator->Release();
            }
        }
        if (allocator == outputAllocator) {
            hr = E_FAIL;
        } else if (SUCCEEDED(hr)) {
            ALLOCATOR_PROPERTIES props, actual;
            hr = allocator->GetProperties(&props);
            if (SUCCEEDED(hr))
                hr = outputAllocator->SetProperties(&props, &actual);
            if (SUCCEEDED(hr) && (props.cBuffers > actual.cBuffers || props.cbBuffer > actual.cbBuffer ||
                                  props.cbAlign > actual.cbAlign))
                hr = E_FAIL;
            if (SUCCEEDED(hr))
                hr = output->ConnectedIMemInputPin()->NotifyAllocator(outputAllocator, FALSE);
        }
    } else {
        hr = output->ConnectedIMemInputPin()->NotifyAllocator(allocator, readOnly);
        if (SUCCEEDED(hr))
            output->SetAllocator(allocator);
    }
    if (SUCCEEDED(hr)) {
        allocator->AddRef();
        if (m_pAllocator)
            m_pAllocator->Release();
        m_pAllocator = allocator;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties)
{
    if (m_pTIPFilter->m_pOutput->IsConnected())
        return m_pTIPFilter->OutputPin()->ConnectedIMemInputPin()->GetAllocatorRequirements(properties);
    return E_NOTIMPL;
}

namespace {

// What the upstream pin said while an output pin of this thread connects:
// its types, and its QueryAccept answer for every type the connection may
// try (the upstream types, the downstream pin's types and the type asked
// for); and whether the input is to be reconnected once the lock is let go.
struct UpstreamAnswers {
    const CTransInPlaceOutputPin* pin = nullptr;
    bool connected = false;
    std::vector<CMediaType> types;
    std::vector<std::pair<CMediaType, HRESULT>> accepts;
    bool reconnectInput = false;
};

thread_local UpstreamAnswers* t_answers = nullptr;

UpstreamAnswers* AnswersFor(const CTransInPlaceOutputPin* pin)
{
    return t_answers && t_answers->pin == pin ? t_answers : nullptr;
}

// Copies of the types `pin` proposes, added to `out`.
void ReadTypes(IPin* pin, std::vector<CMediaType>& out)
{
    IEnumMediaTypes* types = nullptr;
    if (FAILED(pin->EnumMediaTypes(&types)) || !types)
        return;
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    while (types->Next(1, &type, &fetched) == S_OK && fetched == 1) {
        out.emplace_back(*static_cast<const CMediaType*>(type));
        DeleteMediaType(type);
    }
    types->Release();
}

// The upstream types as an enumerator hands them out.
class AnsweredTypes {
public:
    using Item = AM_MEDIA_TYPE*;

    explicit AnsweredTypes(std::vector<CMediaType> types) : m_types(std::move(types)) {}

    bool Fetch(size_t position, AM_MEDIA_TYPE** type)
    {
        if (position >= m_types.size())
            return false;
        *type = CreateMediaType(&m_types[position]);
        return *type != nullptr;
    }
    bool Has(size_t position) { return position < m_types.size(); }

private:
    std::vector<CMediaType> m_types;
};

using CEnumAnsweredTypes = com::Enumerator<IEnumMediaTypes, IID_IEnumMediaTypes, AnsweredTypes>;

} // namespace

CTransInPlaceOutputPin::CTransInPlaceOutputPin(LPCTSTR objectName, CTransInPlaceFilter* filter, HRESULT* result,
                                               LPCWSTR pinName)
    : CTransformOutputPin(objectName, filter, result, pinName), m_pTIPFilter(filter)
{
}

HRESULT STDMETHODCALLTYPE CTransInPlaceOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(receivePin, E_POINTER);
    UpstreamAnswers answers;
    answers.pin = this;
    IPin* upstream = nullptr;
    if (m_pTIPFilter->m_pInput->ConnectedTo(&upstream) == S_OK) {
        answers.connected = true;
        ReadTypes(upstream, answers.types);
        std::vector<CMediaType> candidates = answers.types;
        ReadTypes(receivePin, candidates);
        if (mediaType)
            candidates.emplace_back(*static_cast<const CMediaType*>(mediaType));
        for (CMediaType& candidate : candidates) {
            HRESULT accepted = upstream->QueryAccept(&candidate);
            answers.accepts.emplace_back(std::move(candidate), accepted);
        }
        upstream->Release();
    }
    UpstreamAnswers* outer = std::exchange(t_answers, &answers);
    HRESULT hr = CTransformOutputPin::Connect(receivePin, mediaType);
    t_answers = outer;
    if (FAILED(hr) || !answers.reconnectInput)
        return hr;
    // The upstream filter must see the type the downstream pin took.
    CMediaType taken;
    {
        CAutoLock lock(m_pLock);
        taken = m_mt;
    }
    hr = m_pTIPFilter->ReconnectPin(m_pTIPFilter->m_pInput, &taken);
    if (FAILED(hr)) {
        receivePin->Disconnect();
        CAutoLock lock(m_pLock);
        DisconnectInternal();
    }
    return hr;
}

void CTransInPlaceOutputPin::ReconnectInputLater() { AnswersFor(this)->reconnectInput = true; }

bool CTransInPlaceOutputPin::IsConnectingHere() const { return AnswersFor(this) != nullptr; }

HRESULT STDMETHODCALLTYPE CTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    CheckPointer(types, E_POINTER);
    *types = nullptr;
    if (const UpstreamAnswers* answers = AnswersFor(this)) {
        if (!answers->connected)
            return VFW_E_NOT_CONNECTED;
        return com::CreateObject<CEnumAnsweredTypes>(IID_IEnumMediaTypes, reinterpret_cast<void**>(types),
                                                     AnsweredTypes(answers->types));
    }
    if (!m_pTIPFilter->m_pInput->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_pTIPFilter->m_pInput->GetConnected()->EnumMediaTypes(types);
}

HRESULT CTransInPlaceOutputPin::UpstreamAccepts(const CMediaType* type)
{
    if (const UpstreamAnswers* answers = AnswersFor(this)) {
        for (const auto& [candidate, accepted] : answers->accepts)
            if (candidate == *type)
                return accepted;
        // A type the upstream pin was not asked about before the lock.
        return S_FALSE;
    }
    return m_pTIPFilter->m_pInput->GetConnected()->QueryAccept(type);
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type)
{
    // Copying between allocators fixes the buffer sizes once streaming:
    // only the current type will do then.
    if (m_pTIPFilter->UsingDifferentAllocators() && !m_pFilter->IsStopped())
        return *type == m_mt ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    if (m_pTIPFilter->m_pInput->IsConnected())
        return UpstreamAccepts(type);
    return S_OK;
}

void CTransInPlaceOutputPin::SetAllocator(IMemAllocator* allocator)
{
    allocator->AddRef();
    if (m_pAllocator)
        m_pAllocator->Release();
    m_pAllocator = allocator;
}

CTransInPlaceFilter::CTransInPlaceFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid, HRESULT*, bool modifiesData)
    : CTransformFilter(name, outer, clsid), m_bModifiesData(modifiesData)
{
}

CBasePin* CTransInPlaceFilter::GetPin(int index)
{
    if (!m_pInput) {
        HRESULT hr = S_OK;
        m_pInput = new CTransInPlaceInputPin(NAME("TransInPlace input pin"), this, &hr, u"Input");
        m_pOutput = new CTransInPlaceOutputPin(NAME("TransInPlace output pin"), this, &hr, u"Output");
    }
    if (index == 0)
        return m_pInput;
    if (index == 1)
        return m_pOutput;
    return nullptr;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted{};
    if (m_pInput->IsConnected()) {
        IMemAllocator* inputAllocator = InputPin()->PeekAllocator();
        if (!inputAllocator)
            return E_FAIL;
        HRESULT hr = inputAllocator->GetProperties(&wanted);
        if (FAILED(hr))
            return hr;
    } else {
        // A guess; connecting the input revises it.
        wanted.cBuffers = 1;
        wanted.cbBuffer = 1;
    }
    request->cBuffers = std::max<LONG>(wanted.cBuffers, 1);
    request->cbBuffer = std::max<LONG>(wanted.cbBuffer, 1);
    request->cbAlign = std::max<LONG>(wanted.cbAlign, 1);
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    if (wanted.cBuffers > actual.cBuffers || wanted.cbBuffer > actual.cbBuffer || wanted.cbAlign > actual.cbAlign)
        return E_FAIL;
    return S_OK;
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin*)
{
    if (!m_pGraph)
        return VFW_E_NOT_IN_GRAPH;
    if (direction == PINDIR_OUTPUT) {
        // The upstream filter must see the type the downstream pin took;
        // the output pin's Connect reconnects the input once it no longer
        // holds this filter's lock.
        if (!m_pInput->IsConnected())
            return S_OK;
        if (OutputPin()->IsConnectingHere()) {
            OutputPin()->ReconnectInputLater();
            return S_OK;
        }
        return ReconnectPin(m_pInput, &m_pOutput->CurrentMediaType());
    }
    if (m_pOutput->IsConnected() && m_pInput->CurrentMediaType() != m_pOutput->CurrentMediaType())
        return ReconnectPin(m_pOutput, &m_pInput->CurrentMediaType());
    return S_OK;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    if (props->dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->Deliver(sample);

    bool copied = UsingDifferentAllocators();
    if (copied) {
        sample = Copy(sample);
        if (!sample)
            return E_UNEXPECTED;
    }
    HRESULT hr = Transform(sample);
    if (SUCCEEDED(hr)) {
        if (hr == S_OK) {
            hr = m_pOutput->Deliver(sample);
        } else if (hr == S_FALSE) {
            m_bSampleSkipped = TRUE;
            if (!m_bQualityChanged) {
                NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
                m_bQualityChanged = TRUE;
            }
            hr = S_OK;
        }
    }
    if (copied)
        sample->Release();
    return hr;
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* source)
{
    AM_SAMPLE2_PROPERTIES* props = m_pInput->SampleProps();
    DWORD flags = m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0;
    if (!(props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT))
        flags |= AM_GBF_NOTASYNCPOINT;
    IMediaSample* dest = nullptr;
    HRESULT hr = OutputPin()->PeekAllocator()
                     ? OutputPin()->PeekAllocator()->GetBuffer(
                           &dest, (props->dwSampleFlags & AM_SAMPLE_TIMEVALID) ? &props->tStart : nullptr,
                           (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr, flags)
                     : VFW_E_NO_ALLOCATOR;
    if (FAILED(hr))
        return nullptr;

    BYTE* from = nullptr;
    BYTE* to = nullptr;
    source->GetPointer(&from);
    dest->GetPointer(&to);
    LONG length = source->GetActualDataLength();
    if (length > dest->GetSize() || !from || !to) {
        dest->Release();
        return nullptr;
    }
    std::memcpy(to, from, static_cast<size_t>(length));
    dest->SetActualDataLength(length);

    if (props->dwSampleFlags & AM_SAMPLE_TIMEVALID)
        dest->SetTime(&props->tStart, (props->dwSampleFlags & AM_SAMPLE_STOPVALID) ? &props->tStop : nullptr);
    dest->SetSyncPoint((props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0);
    dest->SetPreroll((props->dwSampleFlags & AM_SAMPLE_PREROLL) != 0);
    dest->SetDiscontinuity((props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0);
    if (props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY)
        m_bSampleSkipped = FALSE;
    if (props->dwSampleFlags & AM_SAMPLE_TYPECHANGED)
        dest->SetMediaType(props->pMediaType);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        dest->SetMediaTime(&mediaStart, &mediaStop);
    return dest;
}

BOOL CTransInPlaceFilter::UsingDifferentAllocators() const
{
    return InputPin()->PeekAllocator() != OutputPin()->PeekAllocator();
}

BOOL CTransInPlaceFilter::TypesMatch() { return InputPin()->CurrentMediaType() == OutputPin()->CurrentMediaType(); }
