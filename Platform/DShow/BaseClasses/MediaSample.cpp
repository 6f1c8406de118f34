#include "Platform/DShow/BaseClasses/MediaSample.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/BaseClasses/Allocator.h"

CMediaSample::CMediaSample(LPCTSTR, CBaseAllocator* allocator, HRESULT* result, LPBYTE buffer, LONG length)
    : m_pBuffer(buffer), m_cbBuffer(length), m_pAllocator(allocator)
{
    if (!allocator && result)
        *result = VFW_E_NEED_OWNER;
}

CMediaSample::~CMediaSample() { DeleteMediaType(m_pMediaType); }

HRESULT STDMETHODCALLTYPE CMediaSample::QueryInterface(REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    if (riid == IID_IUnknown || riid == IID_IMediaSample || riid == IID_IMediaSample2) {
        *object = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CMediaSample::AddRef() { return static_cast<ULONG>(++m_cRef); }

ULONG STDMETHODCALLTYPE CMediaSample::Release()
{
    LONG left = --m_cRef;
    if (left == 0) {
        // Back to a clean sample before the allocator may hand it out again.
        if (m_dwFlags & Sample_TypeChanged)
            SetMediaType(nullptr);
        m_dwFlags = 0;
        m_dwTypeSpecificFlags = 0;
        m_dwStreamId = AM_STREAM_MEDIA;
        m_pAllocator->ReleaseBuffer(this);
    }
    return static_cast<ULONG>(left);
}

HRESULT CMediaSample::SetPointer(BYTE* buffer, LONG length)
{
    if (length < 0)
        return VFW_E_BUFFER_OVERFLOW;
    m_pBuffer = buffer;
    m_cbBuffer = length;
    m_lActual = length;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetPointer(BYTE** buffer)
{
    CheckPointer(buffer, E_POINTER);
    *buffer = m_pBuffer;
    return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetSize() { return m_cbBuffer; }

HRESULT STDMETHODCALLTYPE CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    if (!(m_dwFlags & Sample_TimeValid))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    CheckPointer(start, E_POINTER);
    CheckPointer(stop, E_POINTER);
    *start = m_Start;
    if (!(m_dwFlags & Sample_StopValid)) {
        *stop = m_Start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = m_End;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    if (!start) {
        m_dwFlags &= ~(Sample_TimeValid | Sample_StopValid);
        return S_OK;
    }
    m_Start = *start;
    m_dwFlags |= Sample_TimeValid;
    if (stop) {
        m_End = *stop;
        m_dwFlags |= Sample_StopValid;
    } else {
        m_dwFlags &= ~Sample_StopValid;
    }
    return S_OK;
}

static HRESULT Flag(DWORD flags, DWORD flag) { return (flags & flag) ? S_OK : S_FALSE; }

static void SetFlag(DWORD& flags, DWORD flag, BOOL on)
{
    if (on)
        flags |= flag;
    else
        flags &= ~flag;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsSyncPoint() { return Flag(m_dwFlags, Sample_SyncPoint); }

HRESULT STDMETHODCALLTYPE CMediaSample::SetSyncPoint(BOOL syncPoint)
{
    SetFlag(m_dwFlags, Sample_SyncPoint, syncPoint);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsPreroll() { return Flag(m_dwFlags, Sample_Preroll); }

HRESULT STDMETHODCALLTYPE CMediaSample::SetPreroll(BOOL preroll)
{
    SetFlag(m_dwFlags, Sample_Preroll, preroll);
    return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetActualDataLength() { return m_lActual; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetActualDataLength(LONG length)
{
    if (length < 0 || length > m_cbBuffer)
        return VFW_E_BUFFER_OVERFLOW;
    m_lActual = length;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaType(AM_MEDIA_TYPE** mediaType)
{
    CheckPointer(mediaType, E_POINTER);
    if (!(m_dwFlags & Sample_TypeChanged) || !m_pMediaType) {
        *mediaType = nullptr;
        return S_FALSE;
    }
    *mediaType = CreateMediaType(m_pMediaType);
    return *mediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaType(AM_MEDIA_TYPE* mediaType)
{
    DeleteMediaType(m_pMediaType);
    m_pMediaType = nullptr;
    if (!mediaType) {
        m_dwFlags &= ~Sample_TypeChanged;
        return S_OK;
    }
    m_pMediaType = CreateMediaType(mediaType);
    if (!m_pMediaType) {
        m_dwFlags &= ~Sample_TypeChanged;
        return E_OUTOFMEMORY;
    }
    m_dwFlags |= Sample_TypeChanged;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsDiscontinuity() { return Flag(m_dwFlags, Sample_Discontinuity); }

HRESULT STDMETHODCALLTYPE CMediaSample::SetDiscontinuity(BOOL discontinuity)
{
    SetFlag(m_dwFlags, Sample_Discontinuity, discontinuity);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop)
{
    if (!(m_dwFlags & Sample_MediaTimeValid))
        return VFW_E_MEDIA_TIME_NOT_SET;
    CheckPointer(start, E_POINTER);
    CheckPointer(stop, E_POINTER);
    *start = m_MediaStart;
    *stop = m_MediaEnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop)
{
    if (!start) {
        m_dwFlags &= ~Sample_MediaTimeValid;
        return S_OK;
    }
    CheckPointer(stop, E_POINTER);
    m_MediaStart = *start;
    m_MediaEnd = *stop;
    m_dwFlags |= Sample_MediaTimeValid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetProperties(DWORD size, BYTE* properties)
{
    if (size == 0)
        return S_OK;
    CheckPointer(properties, E_POINTER);
    AM_SAMPLE2_PROPERTIES props{};
    props.cbData = std::min<DWORD>(size, sizeof props);
    props.dwTypeSpecificFlags = m_dwTypeSpecificFlags;
    props.dwSampleFlags = m_dwFlags & ~Sample_MediaTimeValid;
    props.lActual = m_lActual;
    props.tStart = m_Start;
    props.tStop = m_End;
    props.dwStreamId = m_dwStreamId;
    props.pMediaType = (m_dwFlags & Sample_TypeChanged) ? m_pMediaType : nullptr;
    props.pbBuffer = m_pBuffer;
    props.cbBuffer = m_cbBuffer;
    std::memcpy(properties, &props, props.cbData);
    return S_OK;
}

// Whether a field lies within the first `size` bytes of the record.
#define FIELD_WITHIN(field, size)                                                                                    \
    (offsetof(AM_SAMPLE2_PROPERTIES, field) + sizeof(AM_SAMPLE2_PROPERTIES::field) <= (size))

HRESULT STDMETHODCALLTYPE CMediaSample::SetProperties(DWORD size, const BYTE* properties)
{
    if (size == 0)
        return S_OK;
    CheckPointer(properties, E_POINTER);
    AM_SAMPLE2_PROPERTIES props{};
    std::memcpy(&props, properties, std::min<DWORD>(size, sizeof props));
    DWORD valid = std::min<DWORD>(size, sizeof props);
    if (FIELD_WITHIN(cbData, valid))
        valid = std::min<DWORD>(valid, props.cbData);
    if (FIELD_WITHIN(dwTypeSpecificFlags, valid))
        m_dwTypeSpecificFlags = props.dwTypeSpecificFlags;
    if (FIELD_WITHIN(dwSampleFlags, valid)) {
        DWORD flags = props.dwSampleFlags & Sample_ValidFlags & ~Sample_MediaTimeValid;
        if (FIELD_WITHIN(pMediaType, valid)) {
            if (flags & AM_SAMPLE_TYPECHANGED) {
                HRESULT hr = SetMediaType(props.pMediaType);
                if (FAILED(hr))
                    return hr;
            } else {
                SetMediaType(nullptr);
            }
        } else {
            // The record does not reach the type: keep the one the sample has.
            flags = (flags & ~Sample_TypeChanged) | (m_dwFlags & Sample_TypeChanged);
        }
        m_dwFlags = flags | (m_dwFlags & Sample_MediaTimeValid);
        if (!(m_dwFlags & Sample_TypeChanged) && m_pMediaType) {
            DeleteMediaType(m_pMediaType);
            m_pMediaType = nullptr;
        }
    }
    if (FIELD_WITHIN(lActual, valid))
        m_lActual = props.lActual;
    if (FIELD_WITHIN(tStart, valid))
        m_Start = props.tStart;
    if (FIELD_WITHIN(tStop, valid))
        m_End = props.tStop;
    if (FIELD_WITHIN(dwStreamId, valid))
        m_dwStreamId = props.dwStreamId;
    if (FIELD_WITHIN(cbBuffer, valid)) {
        m_pBuffer = props.pbBuffer;
        m_cbBuffer = props.cbBuffer;
    }
    if (m_lActual > m_cbBuffer)
        m_lActual = m_cbBuffer;
    return S_OK;
}
