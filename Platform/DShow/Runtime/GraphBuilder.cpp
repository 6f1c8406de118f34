#include <algorithm>
#include <cctype>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/DShow/Api/Guids.h"
#include "Platform/DShow/Runtime/FilterGraph.h"
#include "Platform/DShow/Runtime/FilterStore.h"
#include "Platform/DShow/Runtime/GraphPins.h"
#include "Platform/DShow/Runtime/SystemClock.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Registry/Registry.h"

namespace dshow {
namespace {

// How many filters intelligent connect and render put between two pins.
constexpr int kMaxDepth = 4;
constexpr size_t kMaxNameLength = MAX_FILTER_NAME - 1;
constexpr DWORD AM_RENDEREX_RENDERTOEXISTINGRENDERERS = 0x1;

// The filters of the graph as they were when the enumerator was made (or
// last reset); out of sync once filters join or leave the graph. The graph
// stays alive as long as an enumerator of it.
class FilterSnapshot : public com::Snapshot<IBaseFilter> {
public:
    explicit FilterSnapshot(FilterGraph& graph) : m_graph(&graph), m_owner(graph.GetOwner()) { Reset(); }

    HRESULT Check() const
    {
        CAutoLock lock(&m_graph->m_lock);
        return m_version == m_graph->m_version ? S_OK : VFW_E_ENUM_OUT_OF_SYNC;
    }
    void Reset()
    {
        CAutoLock lock(&m_graph->m_lock);
        m_items.clear();
        for (const FilterGraph::Entry& entry : m_graph->m_filters)
            m_items.emplace_back(entry.filter);
        m_version = m_graph->m_version;
    }

private:
    FilterGraph* m_graph;
    com::ComPtr<IUnknown> m_owner;
    LONG m_version = 0;
};

using CEnumFilters = com::Enumerator<IEnumFilters, IID_IEnumFilters, FilterSnapshot>;

std::u16string NumberedName(const std::u16string& base, int number)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " %04d", number);
    std::u16string name = base.substr(0, kMaxNameLength - std::char_traits<char>::length(suffix));
    for (const char* c = suffix; *c; ++c)
        name += static_cast<char16_t>(*c);
    return name;
}

// Whether a file is an ASF (Windows Media) file: the header object's GUID
// leads it. Such files are read by the ASF reader, not parsed behind the
// asynchronous reader, whatever their extension says.
bool IsAsfFile(const std::string& path)
{
    static constexpr unsigned char kHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                  0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char head[sizeof kHeader] = {};
    DWORD read = 0;
    const bool asf = ReadFile(file, head, sizeof head, &read, nullptr) && read == sizeof head &&
                     std::equal(std::begin(head), std::end(head), std::begin(kHeader));
    CloseHandle(file);
    return asf;
}

// The source filter registered for the file's extension; the ASF reader for
// a Windows Media file (by its header or its extension); else the
// asynchronous file reader.
CLSID SourceFilterFor(const std::string& path)
{
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string key = "Media Type\\Extensions\\" + path.substr(dot);
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            char text[64] = {};
            DWORD size = sizeof text - 1, type = 0;
            CLSID clsid{};
            bool found = RegQueryValueExA(handle, "Source Filter", nullptr, &type, reinterpret_cast<BYTE*>(text),
                                          &size) == ERROR_SUCCESS &&
                         type == REG_SZ && win::GuidFromString(text, &clsid);
            RegCloseKey(handle);
            if (found)
                return clsid;
        }
    }
    if (IsAsfFile(path))
        return CLSID_ASFReader;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string extension = path.substr(dot + 1);
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension == "asf" || extension == "wmv" || extension == "wma")
            return CLSID_ASFReader;
    }
    return CLSID_AsyncReader;
}

// The registered filters (above MERIT_DO_NOT_USE) whose inputs take one of
// the types, best merit first; with `needOutputs`, only filters that have
// output pins.
std::vector<RegisteredFilter> Candidates(const std::vector<std::pair<GUID, GUID>>& types, bool needOutputs)
{
    std::vector<RegisteredFilter> candidates;
    for (RegisteredFilter& filter : RegisteredFilters(CLSID_LegacyAmFilterCategory)) {
        if (filter.merit <= MERIT_DO_NOT_USE)
            continue;
        if (needOutputs && !std::any_of(filter.pins.begin(), filter.pins.end(),
                                        [](const RegisteredPin& pin) { return pin.output; }))
            continue;
        bool takes = types.empty() ? FilterTakes(filter, false, GUID_NULL, GUID_NULL) : false;
        for (const auto& [major, minor] : types)
            takes = takes || FilterTakes(filter, false, major, minor);
        if (takes)
            candidates.push_back(std::move(filter));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const RegisteredFilter& a, const RegisteredFilter& b) { return a.merit > b.merit; });
    return candidates;
}

void DisconnectBoth(IPin* a, IPin* b)
{
    a->Disconnect();
    b->Disconnect();
}

} // namespace

GraphBuilder::Operation::Operation(GraphBuilder& builder) : m_builder(builder) { ++m_builder.m_operationDepth; }

GraphBuilder::Operation::~Operation()
{
    if (--m_builder.m_operationDepth == 0)
        m_builder.RunDeferredReconnections();
}

HRESULT STDMETHODCALLTYPE GraphBuilder::AddFilter(IBaseFilter* filter, LPCWSTR name)
{
    CAutoLock lock(&m_graph.m_lock);
    return AddFilterInternal(filter, name);
}

HRESULT GraphBuilder::AddFilterInternal(IBaseFilter* filter, LPCWSTR name)
{
    CheckPointer(filter, E_POINTER);
    if (m_graph.Contains(filter))
        return E_INVALIDARG;
    std::u16string base = name && *name ? std::u16string(name) : std::u16string(u"Filter");
    if (base.size() > kMaxNameLength)
        base.resize(kMaxNameLength);
    auto taken = [this](const std::u16string& candidate) {
        return std::any_of(m_graph.m_filters.begin(), m_graph.m_filters.end(),
                           [&](const FilterGraph::Entry& e) { return e.name == candidate; });
    };
    std::u16string unique = base;
    for (int n = 1; taken(unique); ++n)
        unique = NumberedName(base, n);

    filter->AddRef();
    m_graph.m_filters.push_back({filter, unique});
    HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(this), unique.c_str());
    if (FAILED(hr)) {
        m_graph.m_filters.pop_back();
        filter->Release();
        return hr;
    }
    if (m_graph.m_clock)
        filter->SetSyncSource(m_graph.m_clock);
    ++m_graph.m_version;
    return unique == base ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::RemoveFilter(IBaseFilter* filter)
{
    CAutoLock lock(&m_graph.m_lock);
    return RemoveFilterInternal(filter);
}

HRESULT GraphBuilder::RemoveFilterInternal(IBaseFilter* filter)
{
    CheckPointer(filter, E_POINTER);
    auto it = std::find_if(m_graph.m_filters.begin(), m_graph.m_filters.end(),
                           [filter](const FilterGraph::Entry& e) { return e.filter == filter; });
    if (it == m_graph.m_filters.end())
        return VFW_E_NOT_FOUND;
    if (m_graph.m_state != State_Stopped)
        filter->Stop();
    for (com::ComPtr<IPin>& pin : PinsOf(filter)) {
        if (com::ComPtr<IPin> peer = PeerOf(pin.Get()))
            DisconnectBoth(peer.Get(), pin.Get());
        m_deferred.erase(std::remove_if(m_deferred.begin(), m_deferred.end(),
                                        [&](const Deferred& d) { return d.pin.Get() == pin.Get(); }),
                         m_deferred.end());
    }
    // A filter that was the graph's clock takes the clock with it.
    com::ComPtr<IReferenceClock> clock;
    if (m_graph.m_clock && SUCCEEDED(filter->QueryInterface(IID_IReferenceClock, clock.ReceiveVoid())) &&
        clock.Get() == m_graph.m_clock) {
        m_graph.m_control.UseClock(nullptr);
        m_graph.m_clockDecided = false;
    }
    filter->SetSyncSource(nullptr);
    filter->JoinFilterGraph(nullptr, nullptr);
    m_graph.m_filters.erase(std::find_if(m_graph.m_filters.begin(), m_graph.m_filters.end(),
                                         [filter](const FilterGraph::Entry& e) { return e.filter == filter; }));
    ++m_graph.m_version;
    filter->Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::EnumFilters(IEnumFilters** filters)
{
    CheckPointer(filters, E_POINTER);
    return com::CreateObject<CEnumFilters>(IID_IEnumFilters, reinterpret_cast<void**>(filters),
                                           FilterSnapshot(m_graph));
}

HRESULT STDMETHODCALLTYPE GraphBuilder::FindFilterByName(LPCWSTR name, IBaseFilter** filter)
{
    CheckPointer(filter, E_POINTER);
    *filter = nullptr;
    CheckPointer(name, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    for (const FilterGraph::Entry& entry : m_graph.m_filters) {
        if (entry.name == name) {
            *filter = entry.filter;
            entry.filter->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType)
{
    CAutoLock lock(&m_graph.m_lock);
    Operation operation(*this);
    return ConnectDirectInternal(output, input, mediaType);
}

HRESULT GraphBuilder::ConnectDirectInternal(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(output, E_POINTER);
    CheckPointer(input, E_POINTER);
    com::ComPtr<IBaseFilter> from = OwnerOf(output);
    com::ComPtr<IBaseFilter> to = OwnerOf(input);
    if (!m_graph.Contains(from.Get()) || !m_graph.Contains(to.Get()))
        return VFW_E_NOT_IN_GRAPH;
    if (!IsDirection(output, PINDIR_OUTPUT) || !IsDirection(input, PINDIR_INPUT))
        return VFW_E_INVALID_DIRECTION;
    if (Reaches(to.Get(), from.Get()))
        return VFW_E_CIRCULAR_GRAPH;
    return output->Connect(input, mediaType);
}

HRESULT STDMETHODCALLTYPE GraphBuilder::Disconnect(IPin* pin)
{
    CheckPointer(pin, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    return pin->Disconnect();
}

HRESULT STDMETHODCALLTYPE GraphBuilder::Reconnect(IPin* pin) { return ReconnectEx(pin, nullptr); }

HRESULT STDMETHODCALLTYPE GraphBuilder::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType)
{
    CheckPointer(pin, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    if (!m_graph.Contains(OwnerOf(pin).Get()))
        return VFW_E_NOT_IN_GRAPH;
    if (!PeerOf(pin))
        return VFW_E_NOT_CONNECTED;
    if (m_operationDepth > 0) {
        Deferred later{com::ComPtr<IPin>(pin), CMediaType(), mediaType != nullptr};
        if (mediaType)
            later.type.Set(*mediaType);
        m_deferred.push_back(std::move(later));
        return S_OK;
    }
    Operation operation(*this);
    return ReconnectNow(pin, mediaType);
}

HRESULT GraphBuilder::ReconnectNow(IPin* pin, const AM_MEDIA_TYPE* mediaType)
{
    com::ComPtr<IPin> peer = PeerOf(pin);
    if (!peer)
        return VFW_E_NOT_CONNECTED;
    com::ComPtr<IPin> output = IsDirection(pin, PINDIR_OUTPUT) ? com::ComPtr<IPin>(pin) : peer;
    com::ComPtr<IPin> input = output.Get() == pin ? peer : com::ComPtr<IPin>(pin);
    HRESULT hr = output->Disconnect();
    if (FAILED(hr))
        return hr;
    hr = input->Disconnect();
    if (FAILED(hr))
        return hr;
    hr = ConnectDirectInternal(output.Get(), input.Get(), mediaType);
    if (FAILED(hr) && mediaType)
        hr = ConnectDirectInternal(output.Get(), input.Get(), nullptr);
    return hr;
}

void GraphBuilder::RunDeferredReconnections()
{
    // A reconnection may ask for more; a runaway chain is cut off.
    for (int rounds = 0; !m_deferred.empty() && rounds < 64; ++rounds) {
        Deferred next = std::move(m_deferred.front());
        m_deferred.erase(m_deferred.begin());
        if (!m_graph.Contains(OwnerOf(next.pin.Get()).Get()) || !PeerOf(next.pin.Get()))
            continue;
        ++m_operationDepth;
        ReconnectNow(next.pin.Get(), next.hasType ? &next.type : nullptr);
        --m_operationDepth;
    }
    m_deferred.clear();
}

HRESULT STDMETHODCALLTYPE GraphBuilder::SetDefaultSyncSource()
{
    CAutoLock lock(&m_graph.m_lock);
    if (m_graph.m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    com::ComPtr<IReferenceClock> clock;
    for (IBaseFilter* filter : m_graph.StateChangeOrder())
        if (SUCCEEDED(filter->QueryInterface(IID_IReferenceClock, clock.ReceiveVoid())))
            break;
    if (!clock) {
        HRESULT hr = CreateSystemClock(IID_IReferenceClock, clock.ReceiveVoid());
        if (FAILED(hr))
            return hr;
    }
    m_graph.m_control.UseClock(clock.Get());
    m_graph.m_clockDecided = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::Connect(IPin* output, IPin* input)
{
    CheckPointer(output, E_POINTER);
    CheckPointer(input, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    Operation operation(*this);
    if (!m_graph.Contains(OwnerOf(output).Get()) || !m_graph.Contains(OwnerOf(input).Get()))
        return VFW_E_NOT_IN_GRAPH;
    if (!IsDirection(output, PINDIR_OUTPUT) || !IsDirection(input, PINDIR_INPUT))
        return VFW_E_INVALID_DIRECTION;
    if (PeerOf(output) || PeerOf(input))
        return VFW_E_ALREADY_CONNECTED;
    m_aborted = false;
    return ConnectVia(output, input, 0);
}

HRESULT GraphBuilder::ConnectVia(IPin* output, IPin* input, int depth)
{
    HRESULT hr = ConnectDirectInternal(output, input, nullptr);
    if (SUCCEEDED(hr))
        return hr;
    if (depth >= kMaxDepth || m_aborted)
        return VFW_E_CANNOT_CONNECT;
    com::ComPtr<IBaseFilter> from = OwnerOf(output);
    com::ComPtr<IBaseFilter> to = OwnerOf(input);

    std::vector<com::ComPtr<IBaseFilter>> present;
    for (const FilterGraph::Entry& entry : m_graph.m_filters)
        present.emplace_back(entry.filter);
    for (com::ComPtr<IBaseFilter>& filter : present) {
        if (filter.Get() == from.Get() || filter.Get() == to.Get() || !m_graph.Contains(filter.Get()))
            continue;
        // Neither behind the input nor ahead of the output: no cycles.
        if (Reaches(to.Get(), filter.Get()) || Reaches(filter.Get(), from.Get()))
            continue;
        if (ConnectThrough(output, filter.Get(), input, depth))
            return S_OK;
    }

    for (const RegisteredFilter& candidate : Candidates(TypesOf(output), true)) {
        com::ComPtr<IBaseFilter> filter;
        if (FAILED(CoCreateInstance(candidate.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    filter.ReceiveVoid())))
            continue;
        if (FAILED(AddFilterInternal(filter.Get(), candidate.name.c_str())))
            continue;
        if (ConnectThrough(output, filter.Get(), input, depth))
            return S_OK;
        RemoveFilterInternal(filter.Get());
    }
    return VFW_E_CANNOT_CONNECT;
}

bool GraphBuilder::ConnectThrough(IPin* output, IBaseFilter* filter, IPin* input, int depth)
{
    for (com::ComPtr<IPin>& in : FreePinsOf(filter, PINDIR_INPUT)) {
        if (FAILED(ConnectDirectInternal(output, in.Get(), nullptr)))
            continue;
        for (com::ComPtr<IPin>& out : FreePinsOf(filter, PINDIR_OUTPUT))
            if (SUCCEEDED(ConnectVia(out.Get(), input, depth + 1)))
                return true;
        DisconnectBoth(output, in.Get());
    }
    return false;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::Render(IPin* output) { return RenderEx(output, 0, nullptr); }

HRESULT STDMETHODCALLTYPE GraphBuilder::RenderEx(IPin* output, DWORD flags, DWORD*)
{
    CheckPointer(output, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    Operation operation(*this);
    if (!m_graph.Contains(OwnerOf(output).Get()))
        return VFW_E_NOT_IN_GRAPH;
    if (!IsDirection(output, PINDIR_OUTPUT))
        return VFW_E_INVALID_DIRECTION;
    if (PeerOf(output))
        return VFW_E_ALREADY_CONNECTED;
    m_aborted = false;
    return RenderPin(output, 0, (flags & AM_RENDEREX_RENDERTOEXISTINGRENDERERS) != 0);
}

HRESULT GraphBuilder::RenderPin(IPin* output, int depth, bool existingOnly)
{
    if (depth >= kMaxDepth || m_aborted)
        return VFW_E_CANNOT_RENDER;
    com::ComPtr<IBaseFilter> from = OwnerOf(output);

    std::vector<com::ComPtr<IBaseFilter>> present;
    for (const FilterGraph::Entry& entry : m_graph.m_filters)
        present.emplace_back(entry.filter);
    for (com::ComPtr<IBaseFilter>& filter : present) {
        if (filter.Get() == from.Get() || !m_graph.Contains(filter.Get()) || Reaches(filter.Get(), from.Get()))
            continue;
        HRESULT hr = RenderThrough(output, filter.Get(), depth, existingOnly);
        if (SUCCEEDED(hr))
            return hr;
    }
    if (existingOnly)
        return VFW_E_CANNOT_RENDER;

    for (const RegisteredFilter& candidate : Candidates(TypesOf(output), false)) {
        com::ComPtr<IBaseFilter> filter;
        if (FAILED(CoCreateInstance(candidate.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    filter.ReceiveVoid())))
            continue;
        if (FAILED(AddFilterInternal(filter.Get(), candidate.name.c_str())))
            continue;
        HRESULT hr = RenderThrough(output, filter.Get(), depth, existingOnly);
        if (SUCCEEDED(hr))
            return hr;
        RemoveFilterInternal(filter.Get());
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT GraphBuilder::RenderThrough(IPin* output, IBaseFilter* filter, int depth, bool existingOnly)
{
    for (com::ComPtr<IPin>& in : FreePinsOf(filter, PINDIR_INPUT)) {
        if (FAILED(ConnectDirectInternal(output, in.Get(), nullptr)))
            continue;
        PinList outputs = FreePinsOf(filter, PINDIR_OUTPUT);
        size_t rendered = 0;
        for (com::ComPtr<IPin>& out : outputs)
            if (SUCCEEDED(RenderPin(out.Get(), depth + 1, existingOnly)))
                ++rendered;
        if (rendered == outputs.size())
            return S_OK;
        if (rendered > 0)
            return VFW_S_PARTIAL_RENDER;
        DisconnectBoth(output, in.Get());
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::RenderFile(LPCWSTR file, LPCWSTR)
{
    CheckPointer(file, E_POINTER);
    CAutoLock lock(&m_graph.m_lock);
    Operation operation(*this);
    com::ComPtr<IBaseFilter> source;
    HRESULT hr = AddSourceFilter(file, file, source.Receive());
    if (FAILED(hr))
        return hr;
    PinList outputs = PinsOf(source.Get(), PINDIR_OUTPUT);
    size_t rendered = 0;
    for (com::ComPtr<IPin>& out : outputs)
        if (!PeerOf(out.Get()) && SUCCEEDED(RenderPin(out.Get(), 0, false)))
            ++rendered;
    if (rendered == 0) {
        RemoveFilterInternal(source.Get());
        return VFW_E_CANNOT_RENDER;
    }
    return rendered == outputs.size() ? S_OK : VFW_S_PARTIAL_RENDER;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter)
{
    CheckPointer(filter, E_POINTER);
    *filter = nullptr;
    CheckPointer(file, E_POINTER);
    std::string path = com::WideToUtf8(file);
    if (path.empty() || !win::PathExists(path.c_str()))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    CAutoLock lock(&m_graph.m_lock);
    com::ComPtr<IBaseFilter> source;
    if (FAILED(CoCreateInstance(SourceFilterFor(path), nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                source.ReceiveVoid())))
        return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
    com::ComPtr<IFileSourceFilter> loader;
    if (FAILED(source->QueryInterface(IID_IFileSourceFilter, loader.ReceiveVoid())))
        return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
    HRESULT hr = loader->Load(file, nullptr);
    if (FAILED(hr))
        return hr;
    hr = AddFilterInternal(source.Get(), filterName ? filterName : file);
    if (FAILED(hr))
        return hr;
    *filter = source.Detach();
    return hr;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::SetLogFile(DWORD_PTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE GraphBuilder::Abort()
{
    m_aborted = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GraphBuilder::ShouldOperationContinue() { return m_aborted ? S_FALSE : S_OK; }

HRESULT STDMETHODCALLTYPE GraphBuilder::AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context,
                                                                  LPCWSTR filterName, IBaseFilter** filter)
{
    CheckPointer(filter, E_POINTER);
    *filter = nullptr;
    CheckPointer(moniker, E_POINTER);
    com::ComPtr<IBaseFilter> source;
    HRESULT hr = moniker->BindToObject(context, nullptr, IID_IBaseFilter, source.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    hr = AddFilter(source.Get(), filterName);
    if (SUCCEEDED(hr))
        *filter = source.Detach();
    return hr;
}

} // namespace dshow
