#pragma once
// Runs, pauses and stops a graph only when it is not already in the
// requested state.

#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"

class QORGraphControl {
public:
    // Any interface of the graph; the wrapper stays empty when the graph
    // has no IMediaControl.
    explicit QORGraphControl(IUnknown* graph);
    virtual ~QORGraphControl() = default;

    // GetState with a 1000 ms time-out, asked again while the graph is in
    // transition, at most three times; E_POINTER when empty.
    HRESULT GetState(OAFilterState* state);
    HRESULT Stop();
    HRESULT Pause();
    HRESULT Run();

private:
    // Pause or Run unless the graph is already there.
    HRESULT MoveTo(OAFilterState wanted);

    com::ComPtr<IMediaControl> m_pControl;
};
