#pragma once
// CRenderedInputPin: the input pin of a renderer. End of stream while the
// filter runs (or a Run after it) sends EC_COMPLETE to the graph once; a
// flush or a new activation forgets it.

#include "Platform/DShow/BaseClasses/BaseInputPin.h"
#include "Platform/Win/Base/Atomic.h"

class CRenderedInputPin : public CBaseInputPin {
public:
    CRenderedInputPin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result, LPCWSTR pinName);

    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT Active() override;
    HRESULT Run(REFERENCE_TIME start) override;

protected:
    void DoCompleteHandling();

    win::Atomic<BOOL> m_bAtEndOfStream{FALSE};
    win::Atomic<BOOL> m_bCompleteNotified{FALSE};
};
