#pragma once
// Free functions over DirectShow filter graphs: every graph of the program is
// assembled with these. They hold no state; each works only on the
// interfaces it is given. Every function returns an HRESULT; an interface
// handed back through an out-parameter carries one reference the caller
// releases, and out-parameters are nulled first and stay null on failure.
//
// Filter names are narrow strings, converted with the current code page
// into at most 100 wide characters. Every DirectShow failure of the graph
// layer and its callers goes through LogDShowError.

#include <functional>

#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"
#include "Platform/Mfc/Forward.h"

namespace DShowUtils {

// Graph and filter creation.
HRESULT CreateFilterGraph(IGraphBuilder** graph);
HRESULT AddFilterByClsid(IGraphBuilder* graph, REFCLSID clsid, const char* name, IBaseFilter** filter);
HRESULT AddFilterAndConnect(IGraphBuilder* graph, IPin* output, REFCLSID clsid, const char* name,
                            IBaseFilter** filter);
// A failed interface query or Load also takes the new filter out of the
// graph again, so no unloaded source is left behind.
HRESULT AddFileSourceFilter(IGraphBuilder* graph, REFCLSID clsid, LPCWSTR path, const char* name,
                            IBaseFilter** filter);
HRESULT AddFilterFromMoniker(IGraphBuilder* graph, IMoniker* moniker, LPCWSTR name, IBaseFilter** filter);
// Each item's data is a moniker holding one reference; the owner of the
// combo box releases them with ReleaseDeviceCombo before it is emptied.
HRESULT FillDeviceCombo(CComboBox* combo, REFCLSID category);
void ReleaseDeviceCombo(CComboBox* combo);

// Pin lookup.
HRESULT GetPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
HRESULT GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
HRESULT FindPinByName(IBaseFilter* filter, LPCWSTR name, IPin** pin);
HRESULT FindPreviewPin(IBaseFilter* filter, IPin** pin);
HRESULT FindCapturePin(IBaseFilter* filter, IPin** pin);
HRESULT FindPinOfMediaType(IGraphBuilder* graph, IBaseFilter* start, REFGUID majorType, IPin** pin);
HRESULT FindFilterPinOfType(IGraphBuilder* graph, IBaseFilter* filter, REFGUID majorType, REFGUID subtype,
                            PIN_DIRECTION direction, IPin** pin);
HRESULT GetPinMajorType(IPin* pin, GUID* majorType);
HRESULT GetPinSubtype(IPin* pin, GUID* subtype);
HRESULT GetFirstMediaType(IPin* pin, AM_MEDIA_TYPE** type);

// Connecting.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream, BOOL direct);
HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* downstream, BOOL direct);
HRESULT GetSplitterClsidForSubtype(REFGUID subtype, CLSID* clsid);
HRESULT GetSplitterClsidForPin(IPin* pin, CLSID* clsid);
HRESULT ConnectSplitter(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter** splitter);

// Tear-down.
void RemoveDownstreamFilters(IGraphBuilder* graph, IBaseFilter* filter);
void RemoveUpstreamFilters(IGraphBuilder* graph, IBaseFilter* filter);
// Pins that cannot be enumerated give the enumeration's failure.
HRESULT DisconnectFilterPins(IGraphBuilder* graph, IBaseFilter* filter);
HRESULT AreAllPinsUnconnected(IBaseFilter* filter);

// Analog crossbar: a video path that cannot be routed is a failure.
HRESULT RouteCrossbar(IAMCrossbar* crossbar, LONG videoOutputType, LONG videoInputType, LONG audioOutputType,
                      LONG audioInputType, LONG relatedIndex);

// SmartTee insertion behind the first video output downstream of `filter`.
HRESULT InsertSmartTee(IGraphBuilder* graph, IBaseFilter* filter, IPin** capturePin, IPin** previewPin,
                       IPin** audioPin);
HRESULT InsertSmartTeeWithDVDecoder(IGraphBuilder* graph, IBaseFilter* filter, IBaseFilter** tee,
                                    IBaseFilter** dvDecoder, IPin** decoderOutput);

// Graph events: the window gets `message` with `lParam` per queued event
// (E_FAIL without a graph; a failure is logged with `failureMessage`).
HRESULT SetGraphNotifyWindow(IGraphBuilder* graph, HWND window, UINT message, LONG_PTR lParam,
                             const char* failureMessage);
// Hands every queued event to `handle` (each waited for at most 50 ms) and
// frees it; the last handler result, S_OK when there was none. E_FAIL
// without a graph.
HRESULT DrainGraphEvents(IGraphBuilder* graph, const std::function<HRESULT(LONG, LONG_PTR, LONG_PTR)>& handle);

// Running object table.
HRESULT AddGraphToRot(IUnknown* graph, DWORD* cookie);
void RemoveGraphFromRot(DWORD cookie);

// Error text: HRESULTs without a DirectShow text are not logged.
void LogDShowError(const char* file, int line, const char* message, HRESULT hr);
void LogAMError(HRESULT hr);
int ShowAMErrorText(HRESULT hr);

} // namespace DShowUtils

using DShowUtils::LogDShowError;

// Logs a failure with the caller's file and line.
#define LOG_DSHOW_ERROR(message, hr) DShowUtils::LogDShowError(__FILE__, __LINE__, (message), (hr))
