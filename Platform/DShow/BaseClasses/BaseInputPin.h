#pragma once
// CBaseInputPin: an input pin that receives samples through IMemInputPin.
// Receive checks the streaming state, reads the sample's properties into
// m_SampleProps and checks an in-band type change; derived pins call it
// first and then process the sample.

#include "Platform/DShow/BaseClasses/BasePin.h"
#include "Platform/Win/Base/Atomic.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result, LPCWSTR pinName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IMemInputPin
    // The pin's allocator, made (a memory allocator) on first request.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    // S_OK when a downstream Receive of this filter may block.
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

    HRESULT BreakConnect() override;
    // Decommits the allocator.
    HRESULT Inactive() override;

    // S_OK while samples may be received: VFW_E_WRONG_STATE when stopped,
    // S_FALSE while flushing, VFW_E_RUNTIME_ERROR after a runtime error.
    virtual HRESULT CheckStreaming();
    // Sends a quality message upstream (to the sink set, else the
    // connected pin).
    HRESULT PassNotify(Quality& quality);

    BOOL IsReadOnly() const { return m_bReadOnly; }
    BOOL IsFlushing() const { return m_bFlushing; }
    AM_SAMPLE2_PROPERTIES* SampleProps() { return &m_SampleProps; }

protected:
    IMemAllocator* m_pAllocator = nullptr;
    BYTE m_bReadOnly = FALSE;
    // Written under the pin lock, read by the streaming thread.
    win::Atomic<BYTE> m_bFlushing{FALSE};
    AM_SAMPLE2_PROPERTIES m_SampleProps{};

private:
    // The type of the last sample that carried one.
    CMediaType m_sampleType;
};
