#pragma once
// The filter graph manager (CLSID_FilterGraph). One COM object with four
// parts, each answering its interfaces for the whole:
//
// - GraphBuilder (IFilterGraph, IGraphBuilder, IFilterGraph2): the filters
//   under unique names and their connections, with intelligent connect and
//   render, which try the filters in the graph first and then registered
//   filters above MERIT_DO_NOT_USE, best merit first.
// - GraphControl (IMediaControl, IMediaFilter): state changes, issued to
//   the filters downstream first, and the reference clock.
// - GraphSeeking (IMediaSeeking, IMediaPosition): positions through the
//   renderers, the filters that end a stream (connected input pins, no
//   connected output pin) and answer IMediaSeeking.
// - GraphEvents (IMediaEventEx, IMediaEventSink): the event queue, the
//   notify window and the default handling of EC_COMPLETE, which reaches
//   the application once every renderer has sent it.
//
// A pin that asks for a reconnection while the graph is connecting pins
// (Connect, ConnectDirect, Render, a reconnection) is reconnected when that
// operation ends, on the same thread.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Platform/Com/ComPtr.h"
#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/Locks.h"
#include "Platform/DShow/BaseClasses/MediaType.h"

namespace dshow {

class FilterGraph;

class GraphBuilder final : public IFilterGraph2 {
public:
    explicit GraphBuilder(FilterGraph& graph) : m_graph(graph) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** filters) override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override;
    HRESULT STDMETHODCALLTYPE Connect(IPin* output, IPin* input) override;
    HRESULT STDMETHODCALLTYPE Render(IPin* output) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR file) override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override;
    HRESULT STDMETHODCALLTYPE AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context, LPCWSTR filterName,
                                                        IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT STDMETHODCALLTYPE RenderEx(IPin* output, DWORD flags, DWORD* context) override;

private:
    friend class FilterGraph;

    // Marks an operation that connects pins; the outermost one runs the
    // reconnections asked for meanwhile.
    class Operation {
    public:
        explicit Operation(GraphBuilder& builder);
        ~Operation();

    private:
        GraphBuilder& m_builder;
    };

    HRESULT ConnectDirectInternal(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType);
    HRESULT ConnectVia(IPin* output, IPin* input, int depth);
    bool ConnectThrough(IPin* output, IBaseFilter* filter, IPin* input, int depth);
    HRESULT RenderPin(IPin* output, int depth, bool existingOnly);
    HRESULT RenderThrough(IPin* output, IBaseFilter* filter, int depth, bool existingOnly);
    HRESULT ReconnectNow(IPin* pin, const AM_MEDIA_TYPE* mediaType);
    void RunDeferredReconnections();
    HRESULT AddFilterInternal(IBaseFilter* filter, LPCWSTR name);
    HRESULT RemoveFilterInternal(IBaseFilter* filter);

    struct Deferred {
        com::ComPtr<IPin> pin;
        CMediaType type;
        bool hasType;
    };

    FilterGraph& m_graph;
    int m_operationDepth = 0;
    std::vector<Deferred> m_deferred;
    std::atomic<bool> m_aborted{false};
};

class GraphControl final : public IMediaControl, public IMediaFilter {
public:
    explicit GraphControl(FilterGraph& graph) : m_graph(graph) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IMediaControl, and IMediaFilter's Stop and Pause.
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG milliseconds, OAFilterState* state) override;
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR file) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR file, IDispatch** filter) override;
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch** collection) override;
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch** collection) override;
    HRESULT STDMETHODCALLTYPE StopWhenReady() override;

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

private:
    friend class FilterGraph;
    friend class GraphBuilder;
    friend class GraphSeeking;

    HRESULT RunAt(REFERENCE_TIME start);
    HRESULT PauseFilters();
    HRESULT RunFilters(REFERENCE_TIME start);
    HRESULT StopFilters();
    // S_FALSE when a filter is still on its way to the graph's state.
    HRESULT TransitionResult();
    // After a refused transition: every filter back to the graph's state.
    void RevertFilters();
    HRESULT ChooseClockIfNeeded();
    void UseClock(IReferenceClock* clock);
    // The stream time the filters have reached (0 when stopped).
    REFERENCE_TIME StreamTime();

    FilterGraph& m_graph;
};

class GraphSeeking final : public IMediaSeeking, public IMediaPosition {
public:
    explicit GraphSeeking(FilterGraph& graph) : m_graph(graph) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE put_Rate(double rate) override;
    HRESULT STDMETHODCALLTYPE get_Rate(double* rate) override;
    HRESULT STDMETHODCALLTYPE CanSeekForward(LONG* canSeek) override;
    HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG* canSeek) override;

private:
    friend class GraphControl;

    // Seeks every renderer; the graph lock is held.
    HRESULT SeekRenderers(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);

    FilterGraph& m_graph;
};

class GraphEvents final : public IMediaEventEx, public IMediaEventSink {
public:
    explicit GraphEvents(FilterGraph& graph);
    ~GraphEvents();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* event) override;
    // E_ABORT when no event comes within the time.
    HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG milliseconds) override;
    HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG milliseconds, LONG* code) override;
    HRESULT STDMETHODCALLTYPE CancelDefaultHandling(LONG code) override;
    HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(LONG code) override;
    HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
    HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG flags) override;
    HRESULT STDMETHODCALLTYPE GetNotifyFlags(LONG* flags) override;

    // From the filters, on any thread.
    HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    // A new run (or seek): forget the renderers that completed and wait for
    // these.
    void ExpectCompletion(std::vector<IBaseFilter*> renderers);

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    void Queue(const Event& event);

    FilterGraph& m_graph;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Event> m_queue;
    HANDLE m_handle;
    HWND m_window = nullptr;
    UINT m_message = 0;
    LONG_PTR m_instanceData = 0;
    LONG m_flags = 0;
    bool m_completeDefault = true;
    std::set<IBaseFilter*> m_expected;
    std::set<IBaseFilter*> m_completed;
    bool m_completeSent = false;
    LONG m_completionCode = 0;
};

class FilterGraph final : public CUnknown {
public:
    FilterGraph();
    ~FilterGraph() override;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    struct Entry {
        IBaseFilter* filter;
        std::u16string name;
    };

    // Everything below is guarded by m_lock.
    CCritSec m_lock;
    std::vector<Entry> m_filters;
    LONG m_version = 0;
    FILTER_STATE m_state = State_Stopped;
    IReferenceClock* m_clock = nullptr;
    bool m_clockDecided = false;
    REFERENCE_TIME m_runStart = 0;
    REFERENCE_TIME m_pausedStreamTime = 0;
    REFERENCE_TIME m_segmentStart = 0;
    GUID m_timeFormat;
    double m_rate = 1.0;

    // The filters in the order state changes reach them: every filter
    // after the filters it feeds.
    std::vector<IBaseFilter*> StateChangeOrder();
    // The filters that end a stream and can be seeked.
    std::vector<IBaseFilter*> Renderers();
    bool Contains(IBaseFilter* filter) const;

    GraphBuilder m_builder;
    GraphControl m_control;
    GraphSeeking m_seeking;
    GraphEvents m_events;
};

HRESULT CreateFilterGraph(REFIID riid, void** object);

} // namespace dshow
