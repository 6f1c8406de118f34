#pragma once
// The discard sink: takes any stream and throws every sample away, while
// remembering, against a limit the program sets, the start of the last
// sample and of the last key frame at or before that limit.

#include <atomic>

#include "Filters/Common/PluginInterfaces.h"

class CSewerFilter;

class CSewerInputPin : public CBaseInputPin {
public:
    CSewerInputPin(CSewerFilter* filter, CCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return CBaseInputPin::BeginFlush(); }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return CBaseInputPin::EndFlush(); }

private:
    friend class CSewerFilter;
    std::atomic<REFERENCE_TIME> m_limit{0};
    std::atomic<REFERENCE_TIME> m_segmentStart{0};
    std::atomic<REFERENCE_TIME> m_lastStart{0};
    std::atomic<REFERENCE_TIME> m_lastKeyStart{0};
    // Set once a key frame at or before the limit was recorded.
    std::atomic<bool> m_valid{false};
};

class CSewerFilter : public CBaseFilter, public IKLSewer {
public:
    CSewerFilter(LPUNKNOWN outer, HRESULT* result);
    ~CSewerFilter() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? m_pin : nullptr; }
    LPAMOVIESETUP_FILTER GetSetupData() override;

    HRESULT STDMETHODCALLTYPE Set(int low, int high) override;
    // E_FAIL until a key frame at or before the limit has been received.
    HRESULT STDMETHODCALLTYPE GetTimes(REFERENCE_TIME* keyFrameStart, REFERENCE_TIME* lastStart) override;

private:
    CCritSec m_lock;
    CSewerInputPin* m_pin;
};
