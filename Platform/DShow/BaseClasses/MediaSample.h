#pragma once
// CMediaSample: a media sample over a buffer owned by its allocator. When
// its last reference goes its flags are cleared and it returns to the
// allocator through IMemAllocator::ReleaseBuffer.

#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/MediaType.h"
#include "Platform/Win/Base/Atomic.h"

class CBaseAllocator;

class CMediaSample : public IMediaSample2 {
public:
    CMediaSample(LPCTSTR name, CBaseAllocator* allocator, HRESULT* result, LPBYTE buffer = nullptr,
                 LONG length = 0);
    virtual ~CMediaSample();
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Points the sample at another buffer (for allocators whose samples
    // share or borrow memory).
    HRESULT SetPointer(BYTE* buffer, LONG length);

    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
    LONG STDMETHODCALLTYPE GetSize() override;
    // VFW_E_SAMPLE_TIME_NOT_SET without times; VFW_S_NO_STOP_TIME (with
    // stop = start + 1) when only the start is set.
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    // A null start clears the times; a null stop sets only the start.
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL syncPoint) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override;
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) override;
    LONG STDMETHODCALLTYPE GetActualDataLength() override;
    // VFW_E_BUFFER_OVERFLOW beyond the buffer (or below 0).
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
    // S_FALSE and null when the sample carries no type change.
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** mediaType) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) override;
    // VFW_E_MEDIA_TIME_NOT_SET without media times.
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

    // Copies up to `size` bytes of the properties; cbData tells how many.
    HRESULT STDMETHODCALLTYPE GetProperties(DWORD size, BYTE* properties) override;
    // Sets the fields that lie within `size` bytes (and within the record's
    // own cbData): flags, actual length, times, stream id, media type (with
    // AM_SAMPLE_TYPECHANGED) and the buffer.
    HRESULT STDMETHODCALLTYPE SetProperties(DWORD size, const BYTE* properties) override;

    static CMediaSample*& NextSample(CMediaSample* sample) { return sample->m_pNext; }

protected:
    friend class CBaseAllocator;

    // Sample flags: the AM_SAMPLE_ values, plus whether media times are set.
    enum : DWORD {
        Sample_SyncPoint = AM_SAMPLE_SPLICEPOINT,
        Sample_Preroll = AM_SAMPLE_PREROLL,
        Sample_Discontinuity = AM_SAMPLE_DATADISCONTINUITY,
        Sample_TypeChanged = AM_SAMPLE_TYPECHANGED,
        Sample_TimeValid = AM_SAMPLE_TIMEVALID,
        Sample_MediaTimeValid = 0x20,
        Sample_TimeDiscontinuity = AM_SAMPLE_TIMEDISCONTINUITY,
        Sample_StopValid = AM_SAMPLE_STOPVALID,
        Sample_ValidFlags = 0x1FF,
    };

    DWORD m_dwFlags = 0;
    DWORD m_dwTypeSpecificFlags = 0;
    LPBYTE m_pBuffer;
    LONG m_lActual = 0;
    LONG m_cbBuffer;
    CBaseAllocator* m_pAllocator;
    CMediaSample* m_pNext = nullptr;
    REFERENCE_TIME m_Start = 0;
    REFERENCE_TIME m_End = 0;
    LONGLONG m_MediaStart = 0;
    LONGLONG m_MediaEnd = 0;
    AM_MEDIA_TYPE* m_pMediaType = nullptr;
    DWORD m_dwStreamId = AM_STREAM_MEDIA;

public:
    win::Atomic<LONG> m_cRef{0};
};
