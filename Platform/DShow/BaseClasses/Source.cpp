#include "Platform/DShow/BaseClasses/Source.h"

#include <cstdio>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/Win/Kernel/Time.h"

CSource::CSource(LPCTSTR name, LPUNKNOWN outer, CLSID clsid, HRESULT*) : CSource(name, outer, clsid) {}

CSource::CSource(LPCTSTR name, LPUNKNOWN outer, CLSID clsid) : CBaseFilter(name, outer, &m_cStateLock, clsid) {}

CSource::~CSource()
{
    // Each pin removes itself from the array as it goes.
    while (m_iPins != 0)
        delete m_paStreams[m_iPins - 1];
    delete[] m_paStreams;
}

int CSource::GetPinCount()
{
    CAutoLock lock(&m_cStateLock);
    return m_iPins;
}

CBasePin* CSource::GetPin(int index)
{
    CAutoLock lock(&m_cStateLock);
    if (index >= 0 && index < m_iPins)
        return m_paStreams[index];
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CSource::FindPin(LPCWSTR id, IPin** pin)
{
    CheckPointer(pin, E_POINTER);
    *pin = nullptr;
    CheckPointer(id, E_POINTER);
    int number = 0;
    for (LPCWSTR c = id; *c; ++c) {
        if (*c < u'0' || *c > u'9' || number > 100000)
            return VFW_E_NOT_FOUND;
        number = number * 10 + (*c - u'0');
    }
    CBasePin* found = GetPin(number - 1);
    if (!found)
        return VFW_E_NOT_FOUND;
    *pin = found;
    found->AddRef();
    return S_OK;
}

HRESULT CSource::AddPin(CSourceStream* stream)
{
    CAutoLock lock(&m_cStateLock);
    auto** streams = new CSourceStream*[m_iPins + 1];
    for (int i = 0; i < m_iPins; ++i)
        streams[i] = m_paStreams[i];
    streams[m_iPins] = stream;
    delete[] m_paStreams;
    m_paStreams = streams;
    ++m_iPins;
    IncrementPinVersion();
    return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* stream)
{
    CAutoLock lock(&m_cStateLock);
    for (int i = 0; i < m_iPins; ++i) {
        if (m_paStreams[i] == stream) {
            for (int j = i + 1; j < m_iPins; ++j)
                m_paStreams[j - 1] = m_paStreams[j];
            --m_iPins;
            IncrementPinVersion();
            return S_OK;
        }
    }
    return S_FALSE;
}

int CSource::FindPinNumber(IPin* pin)
{
    CAutoLock lock(&m_cStateLock);
    for (int i = 0; i < m_iPins; ++i)
        if (static_cast<IPin*>(m_paStreams[i]) == pin)
            return i;
    return -1;
}

CSourceStream::CSourceStream(LPCTSTR objectName, HRESULT* result, CSource* filter, LPCWSTR pinName)
    : CAMThread(result), CBaseOutputPin(objectName, filter, filter->pStateLock(), result, pinName), m_pFilter(filter)
{
    HRESULT hr = m_pFilter->AddPin(this);
    if (result)
        *result = hr;
}

CSourceStream::~CSourceStream() { m_pFilter->RemovePin(this); }

HRESULT CSourceStream::Active()
{
    CAutoLock lock(m_pFilter->pStateLock());
    if (m_pFilter->IsActive())
        return S_FALSE;
    if (!IsConnected())
        return S_OK;
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr))
        return hr;
    if (!Create())
        return E_FAIL;
    hr = Init();
    if (FAILED(hr))
        return hr;
    return Pause();
}

HRESULT CSourceStream::Inactive()
{
    CAutoLock lock(m_pFilter->pStateLock());
    if (!IsConnected())
        return S_OK;
    // Decommitting first releases a worker that waits for a buffer.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (FAILED(hr))
        return hr;
    if (ThreadExists()) {
        hr = Stop();
        if (FAILED(hr))
            return hr;
        hr = Exit();
        if (FAILED(hr))
            return hr;
        Close();
    }
    return S_OK;
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* type)
{
    CAutoLock lock(m_pFilter->pStateLock());
    CMediaType mine;
    GetMediaType(&mine);
    return mine == *type ? S_OK : E_FAIL;
}

HRESULT CSourceStream::GetMediaType(int position, CMediaType* type)
{
    CAutoLock lock(m_pFilter->pStateLock());
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return GetMediaType(type);
}

HRESULT STDMETHODCALLTYPE CSourceStream::QueryId(LPWSTR* id)
{
    CheckPointer(id, E_POINTER);
    int number = m_pFilter->FindPinNumber(this) + 1;
    if (number < 1)
        return VFW_E_NOT_FOUND;
    char text[12];
    std::snprintf(text, sizeof text, "%d", number);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(WCHAR) * 12));
    if (!*id)
        return E_OUTOFMEMORY;
    int i = 0;
    for (; text[i]; ++i)
        (*id)[i] = static_cast<WCHAR>(text[i]);
    (*id)[i] = 0;
    return S_OK;
}

DWORD CSourceStream::ThreadProc()
{
    Command command;
    do {
        command = GetRequest();
        if (command != CMD_INIT)
            Reply(static_cast<DWORD>(E_UNEXPECTED));
    } while (command != CMD_INIT);

    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(hr));
        return 1;
    }
    Reply(S_OK);

    do {
        command = GetRequest();
        switch (command) {
        case CMD_EXIT:
        case CMD_STOP:
            Reply(S_OK);
            break;
        case CMD_RUN:
        case CMD_PAUSE:
            Reply(S_OK);
            DoBufferProcessingLoop();
            break;
        default:
            Reply(static_cast<DWORD>(E_NOTIMPL));
            break;
        }
    } while (command != CMD_EXIT);

    hr = OnThreadDestroy();
    return FAILED(hr) ? 1 : 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop()
{
    OnThreadStartPlay();
    Command command = CMD_STOP;
    do {
        while (!CheckRequest(&command)) {
            IMediaSample* sample = nullptr;
            HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (FAILED(hr)) {
                // Decommitted: a stop request is on its way.
                Sleep(1);
                continue;
            }
            hr = FillBuffer(sample);
            if (hr == S_OK) {
                hr = Deliver(sample);
                sample->Release();
                // S_FALSE or an error from downstream: stop pushing.
                if (hr != S_OK)
                    return S_OK;
            } else if (hr == S_FALSE) {
                sample->Release();
                DeliverEndOfStream();
                return S_OK;
            } else {
                sample->Release();
                DeliverEndOfStream();
                m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        }
        // Requests other than stop are answered here; a stop request is
        // left for ThreadProc to answer.
        if (command == CMD_RUN || command == CMD_PAUSE)
            Reply(S_OK);
        else if (command != CMD_STOP)
            Reply(static_cast<DWORD>(E_UNEXPECTED));
    } while (command != CMD_STOP);
    return S_FALSE;
}
