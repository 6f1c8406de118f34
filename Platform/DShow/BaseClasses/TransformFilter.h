#pragma once
// CTransformFilter: one input and one output pin ("XForm In" and
// "XForm Out", ids "In" and "Out"); every input sample is transformed into
// a new sample from the output allocator and delivered. Transform
// returning S_FALSE drops the sample (the first time with
// EC_QUALITY_CHANGE). The input type is checked by CheckInputType, the
// pair by CheckTransform; the output offers GetMediaType's types once the
// input is connected. A result other than S_OK refuses a type.

#include "Platform/DShow/BaseClasses/BaseFilter.h"
#include "Platform/DShow/BaseClasses/BaseInputPin.h"
#include "Platform/DShow/BaseClasses/BaseOutputPin.h"
#include "Platform/Win/Base/Atomic.h"

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(LPCTSTR objectName, CTransformFilter* filter, HRESULT* result, LPCWSTR pinName);

    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    // Also VFW_E_NOT_CONNECTED while the output is unconnected.
    HRESULT CheckStreaming() override;

    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;

protected:
    friend class CTransformFilter;
    CTransformFilter* m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(LPCTSTR objectName, CTransformFilter* filter, HRESULT* result, LPCWSTR pinName);
    ~CTransformOutputPin() override;

    // Adds IMediaSeeking and IMediaPosition, passed through to upstream.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;

    // E_UNEXPECTED while the input is unconnected.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

protected:
    friend class CTransformFilter;
    CTransformFilter* m_pTransformFilter;
    IUnknown* m_pPosition = nullptr;
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    // Makes the pins on first use, unless a derived constructor made them.
    CBasePin* GetPin(int index) override;
    // "In" and "Out".
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;

    // A filter whose pins are not both connected stops and pauses without
    // streaming (delivering end of stream downstream when the input is
    // unconnected); otherwise StartStreaming and StopStreaming bracket it.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;

    // What a derived filter supplies.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT CheckInputType(const CMediaType* in) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;

    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    // S_FALSE passes the quality message upstream.
    virtual HRESULT AlterQuality(Quality) { return S_FALSE; }
    virtual HRESULT SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
    virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }

    // Called by the input pin.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    friend class CTransformInputPin;
    friend class CTransformOutputPin;

    // An output buffer carrying the input sample's times and flags.
    HRESULT InitializeOutputSample(IMediaSample* sample, IMediaSample** outSample);

    win::Atomic<BOOL> m_bEOSDelivered{FALSE};
    win::Atomic<BOOL> m_bSampleSkipped{FALSE};
    win::Atomic<BOOL> m_bQualityChanged{FALSE};
    CCritSec m_csFilter;
    CCritSec m_csReceive;
    CTransformInputPin* m_pInput = nullptr;
    CTransformOutputPin* m_pOutput = nullptr;
};
