#include "Platform/DShow/Runtime/FilterGraph.h"

#include <algorithm>
#include <set>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Api/VideoInterfaces.h"
#include "Platform/DShow/Runtime/GraphPins.h"

namespace dshow {

FilterGraph::FilterGraph()
    : CUnknown(NAME("Filter Graph"), nullptr), m_timeFormat(TIME_FORMAT_MEDIA_TIME), m_builder(*this),
      m_control(*this), m_seeking(*this), m_events(*this)
{
}

FilterGraph::~FilterGraph()
{
    // Stop streaming before the event queue and the clock go, then let the
    // filters go (connected filters hold each other through their pins).
    m_control.Stop();
    CAutoLock lock(&m_lock);
    while (!m_filters.empty())
        m_builder.RemoveFilterInternal(m_filters.back().filter);
    if (m_clock)
        m_clock->Release();
    m_clock = nullptr;
}

HRESULT STDMETHODCALLTYPE FilterGraph::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFilterGraph || riid == IID_IGraphBuilder || riid == IID_IFilterGraph2)
        return GetInterface(static_cast<IFilterGraph2*>(&m_builder), object);
    if (riid == IID_IMediaControl || riid == IID_IDispatch)
        return GetInterface(static_cast<IMediaControl*>(&m_control), object);
    if (riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IMediaFilter*>(&m_control), object);
    if (riid == IID_IMediaSeeking)
        return GetInterface(static_cast<IMediaSeeking*>(&m_seeking), object);
    if (riid == IID_IMediaPosition)
        return GetInterface(static_cast<IMediaPosition*>(&m_seeking), object);
    if (riid == IID_IMediaEvent || riid == IID_IMediaEventEx)
        return GetInterface(static_cast<IMediaEventEx*>(&m_events), object);
    if (riid == IID_IMediaEventSink)
        return GetInterface(static_cast<IMediaEventSink*>(&m_events), object);
    // The audio renderer's volume, forwarded: E_NOINTERFACE without one.
    // The video renderer's window and picture likewise.
    if (riid == IID_IBasicAudio || riid == IID_IVideoWindow || riid == IID_IBasicVideo) {
        CAutoLock lock(&m_lock);
        for (const Entry& entry : m_filters)
            if (SUCCEEDED(entry.filter->QueryInterface(riid, object)))
                return S_OK;
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

bool FilterGraph::Contains(IBaseFilter* filter) const
{
    return std::any_of(m_filters.begin(), m_filters.end(), [filter](const Entry& e) { return e.filter == filter; });
}

std::vector<IBaseFilter*> FilterGraph::StateChangeOrder()
{
    std::vector<IBaseFilter*> ordered;
    std::set<IBaseFilter*> placed;
    std::vector<IBaseFilter*> pending;
    for (const Entry& entry : m_filters)
        pending.push_back(entry.filter);
    while (!pending.empty()) {
        bool progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            bool ready = true;
            for (com::ComPtr<IBaseFilter>& next : DownstreamOf(*it))
                if (next.Get() != *it && Contains(next.Get()) && !placed.count(next.Get()))
                    ready = false;
            if (ready) {
                ordered.push_back(*it);
                placed.insert(*it);
                it = pending.erase(it);
                progress = true;
            } else {
                ++it;
            }
        }
        // A cycle: take the rest as they come.
        if (!progress) {
            ordered.insert(ordered.end(), pending.begin(), pending.end());
            break;
        }
    }
    return ordered;
}

std::vector<IBaseFilter*> FilterGraph::Renderers()
{
    std::vector<IBaseFilter*> renderers;
    for (const Entry& entry : m_filters) {
        bool input = false, output = false;
        for (com::ComPtr<IPin>& pin : PinsOf(entry.filter)) {
            if (!PeerOf(pin.Get()))
                continue;
            (IsDirection(pin.Get(), PINDIR_INPUT) ? input : output) = true;
        }
        if (!input || output)
            continue;
        com::ComPtr<IUnknown> seeking;
        if (SUCCEEDED(entry.filter->QueryInterface(IID_IMediaSeeking, seeking.ReceiveVoid())) ||
            SUCCEEDED(entry.filter->QueryInterface(IID_IMediaPosition, seeking.ReceiveVoid())))
            renderers.push_back(entry.filter);
    }
    return renderers;
}

HRESULT CreateFilterGraph(REFIID riid, void** object)
{
    return com::CreateObject<FilterGraph>(riid, object);
}

// The parts answer IUnknown for the graph.
#define GRAPH_PART_UNKNOWN(Part)                                                                                     \
    HRESULT STDMETHODCALLTYPE Part::QueryInterface(REFIID riid, void** object)                                       \
    {                                                                                                                \
        return m_graph.GetOwner()->QueryInterface(riid, object);                                                     \
    }                                                                                                                \
    ULONG STDMETHODCALLTYPE Part::AddRef() { return m_graph.GetOwner()->AddRef(); }                                  \
    ULONG STDMETHODCALLTYPE Part::Release() { return m_graph.GetOwner()->Release(); }

GRAPH_PART_UNKNOWN(GraphBuilder)
GRAPH_PART_UNKNOWN(GraphControl)
GRAPH_PART_UNKNOWN(GraphSeeking)
GRAPH_PART_UNKNOWN(GraphEvents)

} // namespace dshow
