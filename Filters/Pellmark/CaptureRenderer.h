#pragma once
// What the two capture renderers share: a filter of one input pin that
// answers IMediaSeeking and IMediaPosition through a position pass-through
// over that pin, made on first use.

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"

class CCaptureRenderer : public CBaseFilter {
public:
    CCaptureRenderer(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid);
    ~CCaptureRenderer() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? m_pin : nullptr; }

protected:
    CCritSec m_lock;
    CBaseInputPin* m_pin = nullptr;

private:
    IUnknown* m_position = nullptr;
};
