#pragma once
// A renderer of one input pin: it presents each sample at its time on the
// graph's clock (at once without a clock), holds samples while paused
// (and reports the paused state as intermediate until it holds one, or the
// end of the stream), sends EC_COMPLETE at the end of the stream, and answers IMediaSeeking and
// IMediaPosition by passing them upstream. Derived renderers say which
// types they take and what presenting a sample means.

#include "Platform/DShow/Filters/Renderers/Presentation.h"

namespace dshow {

class RendererBase;

class RendererInputPin : public CRenderedInputPin {
public:
    RendererInputPin(RendererBase* renderer, HRESULT* result, LPCWSTR name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // Also the interfaces the renderer answers through PinInterface.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

private:
    RendererBase* m_renderer;
};

class RendererBase : public CBaseFilter {
public:
    RendererBase(LPCTSTR name, REFCLSID clsid, LPCWSTR pinName);
    ~RendererBase() override;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;

protected:
    friend class RendererInputPin;

    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType*) { return S_OK; }
    // Presents one sample, at its time; called on the streaming thread.
    virtual HRESULT Render(IMediaSample* sample) = 0;
    // Whether samples wait for their time on the graph's clock.
    virtual bool Scheduled() { return true; }
    // A sample that arrived while paused, before it waits for the run: a
    // renderer that shows a still frame shows it here.
    virtual void Preroll(IMediaSample*) {}
    // The end of the stream, before EC_COMPLETE; a renderer that still
    // plays what it was given waits here.
    virtual void EndOfStream() {}
    virtual void OnStop() {}
    virtual void OnNewSegment(REFERENCE_TIME) {}
    virtual void OnFlush() {}
    // An interface the input pin answers besides its own (counted on the
    // filter, as the pin is); E_NOINTERFACE by default.
    virtual HRESULT PinInterface(REFIID, void**) { return E_NOINTERFACE; }

    RendererInputPin* m_pin = nullptr;
    Presentation m_presentation;
    // Set while a sample (or the end of the stream) has arrived since the
    // last stop, flush or pause from stopped.
    CAMEvent m_holding{TRUE};
    CCritSec m_lock;

private:
    IUnknown* m_position = nullptr;
};

} // namespace dshow
