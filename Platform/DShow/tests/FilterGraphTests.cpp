#include <string>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using namespace dshow_test;

TEST(FilterGraph, DuplicateNamesAreAcceptedByNumbering)
{
    auto graph = MakeGraph();
    auto first = Hold(new TestSink(SinkOptions{}));
    auto second = Hold(new TestSink(SinkOptions{}));
    EXPECT_EQ(graph->AddFilter(first.Get(), u"QOR Quick Grab Renderer"), S_OK);
    EXPECT_EQ(graph->AddFilter(second.Get(), u"QOR Quick Grab Renderer"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(NameOf(first.Get()), u"QOR Quick Grab Renderer");
    EXPECT_EQ(NameOf(second.Get()), u"QOR Quick Grab Renderer 0001");

    com::ComPtr<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(u"QOR Quick Grab Renderer 0001", found.Receive()), S_OK);
    EXPECT_EQ(found.Get(), second.Get());
    EXPECT_EQ(graph->FindFilterByName(u"Missing", found.Receive()), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph->AddFilter(first.Get(), u"Again"), E_INVALIDARG) << "a filter joins a graph once";
}

TEST(FilterGraph, LongAndMissingNamesAreMadeUsable)
{
    auto graph = MakeGraph();
    auto unnamed = Hold(new TestSink(SinkOptions{}));
    auto wordy = Hold(new TestSink(SinkOptions{}));
    EXPECT_EQ(graph->AddFilter(unnamed.Get(), nullptr), S_OK);
    EXPECT_FALSE(NameOf(unnamed.Get()).empty());
    std::u16string longName(300, u'x');
    EXPECT_EQ(graph->AddFilter(wordy.Get(), longName.c_str()), S_OK);
    EXPECT_EQ(NameOf(wordy.Get()).size(), size_t(MAX_FILTER_NAME - 1));
}

TEST(FilterGraph, ConnectDirectChecksItsPins)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestB});
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    auto* pickySink = new TestSink(SinkOptions{MEDIASUBTYPE_TestA});
    auto* outsider = new TestSink(SinkOptions{});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink), Hold(pickySink), Hold(outsider)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    graph->AddFilter(pickySink, u"Picky");

    struct Case {
        const char* what;
        IPin* output;
        IPin* input;
        HRESULT expected;
    } cases[] = {
        {"no common type", source->OutputPin(), pickySink->InputPin(), VFW_E_NO_ACCEPTABLE_TYPES},
        {"reversed", sink->InputPin(), source->OutputPin(), VFW_E_INVALID_DIRECTION},
        {"pin outside the graph", source->OutputPin(), outsider->InputPin(), VFW_E_NOT_IN_GRAPH},
        {"null pin", nullptr, sink->InputPin(), E_POINTER},
        {"fine", source->OutputPin(), sink->InputPin(), S_OK},
        {"already connected", source->OutputPin(), sink->InputPin(), VFW_E_ALREADY_CONNECTED},
    };
    for (const Case& c : cases)
        EXPECT_EQ(graph->ConnectDirect(c.output, c.input, nullptr), c.expected) << c.what;

    AM_MEDIA_TYPE type{};
    ASSERT_EQ(sink->InputPin()->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_TestB);
    FreeMediaType(type);

    // Each end is disconnected on its own.
    EXPECT_EQ(graph->Disconnect(source->OutputPin()), S_OK);
    EXPECT_EQ(Peer(sink->InputPin()).Get(), static_cast<IBaseFilter*>(source)) << "the other end stays";
    EXPECT_EQ(graph->Disconnect(sink->InputPin()), S_OK);
    com::ComPtr<IPin> none;
    EXPECT_EQ(sink->InputPin()->ConnectedTo(none.Receive()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(graph->Disconnect(sink->InputPin()), S_FALSE);
}

TEST(FilterGraph, InPlaceTransformSharesTheRenderersAllocator)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestB, 6});
    auto* inPlace = new TestInPlace;
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    [[maybe_unused]] auto held = {Hold(source), Hold(inPlace), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(inPlace, u"In place");
    graph->AddFilter(sink, u"Sink");
    IPin* transformIn = inPlace->GetPin(0);
    IPin* transformOut = inPlace->GetPin(1);
    ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), transformIn, nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(transformOut, sink->InputPin(), nullptr), S_OK);

    // Connecting the output reconnected the input: both sides now use the
    // renderer's allocator, and samples are changed where they are.
    EXPECT_TRUE(inPlace->SharesOneAllocator());
    EXPECT_EQ(Peer(transformIn).Get(), static_cast<IBaseFilter*>(source));

    auto control = Query<IMediaControl>(graph.Get(), IID_IMediaControl);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(sink->WaitForFrames(6, kLongWait));
    control->Stop();
    EXPECT_EQ(inPlace->Transformed(), 6);
}

class FilterGraphWithPlugin : public WithPlugin {};

TEST_F(FilterGraphWithPlugin, ConnectUsesATransformAlreadyInTheGraph)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestA});
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    com::ComPtr<IBaseFilter> converter;
    ASSERT_EQ(CoCreateInstance(CLSID_TestConverter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               converter.ReceiveVoid()),
              S_OK);
    graph->AddFilter(source, u"Source");
    graph->AddFilter(converter.Get(), u"ColourSpace Convertor");
    graph->AddFilter(sink, u"Sink");

    ASSERT_EQ(graph->Connect(source->OutputPin(), sink->InputPin()), S_OK);
    EXPECT_EQ(Peer(sink->InputPin()).Get(), converter.Get());
    com::ComPtr<IEnumFilters> filters;
    graph->EnumFilters(filters.Receive());
    IBaseFilter* all[8];
    ULONG count = 0;
    filters->Next(8, all, &count);
    for (ULONG i = 0; i < count; ++i)
        all[i]->Release();
    EXPECT_EQ(count, 3u) << "no other filter was added";
}

TEST_F(FilterGraphWithPlugin, ConnectInsertsARegisteredConverterWhenTheTypesNeedIt)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestA, 4});
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    ASSERT_EQ(graph->Connect(source->OutputPin(), sink->InputPin()), S_OK);

    com::ComPtr<IBaseFilter> inserted = Peer(sink->InputPin());
    ASSERT_TRUE(inserted);
    CLSID clsid{};
    Query<IPersist>(inserted.Get(), IID_IPersist)->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_TestConverter) << "the filter of normal merit, never the do-not-use one";
    EXPECT_EQ(NameOf(inserted.Get()), u"Test Converter");

    auto control = Query<IMediaControl>(graph.Get(), IID_IMediaControl);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(sink->WaitForFrames(4, kLongWait));
    control->Stop();
    EXPECT_EQ(sink->Frames()[3].value, 3 + kConverterIncrement);
}

TEST_F(FilterGraphWithPlugin, FiltersThatMustNotBeUsedAreNeverInserted)
{
    com::ComPtr<IFilterMapper2> mapper;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               mapper.ReceiveVoid()),
              S_OK);
    ASSERT_EQ(mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, CLSID_TestConverter), S_OK);

    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestA});
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    EXPECT_EQ(graph->Connect(source->OutputPin(), sink->InputPin()), VFW_E_CANNOT_CONNECT);
    EXPECT_FALSE(Peer(source->OutputPin()));
    com::ComPtr<IBaseFilter> none;
    EXPECT_EQ(graph->FindFilterByName(u"Hidden Converter", none.Receive()), VFW_E_NOT_FOUND);
}

TEST_F(FilterGraphWithPlugin, RenderFileBuildsFromTheSourceToTheRendererInTheGraph)
{
    testing_support::TempDir dir;
    std::string path = dir.Write("clip.test", "frames");
    com::RegisterBuiltinClass(CLSID_AsyncReader, &TestFileSource::GetClassObject);
    auto graph = MakeGraph();
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    auto held = Hold(sink);
    graph->AddFilter(sink, u"Sink");

    std::u16string file = com::Utf8ToWide(path);
    EXPECT_EQ(graph->RenderFile(file.c_str(), nullptr), S_OK);
    com::ComPtr<IBaseFilter> converter = Peer(sink->InputPin());
    ASSERT_TRUE(converter);
    EXPECT_EQ(NameOf(converter.Get()), u"Test Converter");
    com::ComPtr<IBaseFilter> source;
    EXPECT_EQ(graph->FindFilterByName(file.c_str(), source.Receive()), S_OK) << "named after its file";

    std::u16string missing = com::Utf8ToWide(dir.File("missing.test"));
    EXPECT_EQ(graph->RenderFile(missing.c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    com::UnregisterBuiltinClass(CLSID_AsyncReader);
}

TEST(FilterGraph, RenderFileWithNothingToRenderLeavesTheGraphAsItWas)
{
    testing_support::TempDir dir;
    std::string path = dir.Write("clip.test", "frames");
    com::RegisterBuiltinClass(CLSID_AsyncReader, &TestFileSource::GetClassObject);
    auto graph = MakeGraph();
    std::u16string file = com::Utf8ToWide(path);
    EXPECT_EQ(graph->RenderFile(file.c_str(), nullptr), VFW_E_CANNOT_RENDER);
    com::ComPtr<IEnumFilters> filters;
    graph->EnumFilters(filters.Receive());
    IBaseFilter* filter = nullptr;
    EXPECT_EQ(filters->Next(1, &filter, nullptr), S_FALSE);
    com::UnregisterBuiltinClass(CLSID_AsyncReader);
}

TEST(FilterGraph, EnumeratorNoticesChangesOfTheGraph)
{
    auto graph = MakeGraph();
    auto first = Hold(new TestSink(SinkOptions{}));
    auto second = Hold(new TestSink(SinkOptions{}));
    graph->AddFilter(first.Get(), u"First");
    com::ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.Receive()), S_OK);
    graph->AddFilter(second.Get(), u"Second");
    IBaseFilter* filter = nullptr;
    EXPECT_EQ(filters->Next(1, &filter, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    filters->Reset();
    ULONG count = 0;
    IBaseFilter* all[4];
    EXPECT_EQ(filters->Next(4, all, &count), S_FALSE);
    EXPECT_EQ(count, 2u);
    for (ULONG i = 0; i < count; ++i)
        all[i]->Release();
}

TEST(FilterGraph, RemovingAFilterDisconnectsBothEnds)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestB});
    auto* sink = new TestSink(SinkOptions{});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), sink->InputPin(), nullptr), S_OK);
    ASSERT_EQ(graph->RemoveFilter(sink), S_OK);
    EXPECT_FALSE(Peer(source->OutputPin()));
    EXPECT_FALSE(Peer(sink->InputPin()));
    FILTER_INFO info{};
    sink->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(graph->RemoveFilter(sink), VFW_E_NOT_FOUND);
}

// A source that cannot start, as a writer without a file name.
class RefusingSource : public TestSource {
public:
    using TestSource::TestSource;
    HRESULT STDMETHODCALLTYPE Pause() override { return E_FAIL; }
};

// A transition that fails part way leaves no filter in the new state: the
// graph reports the state it had, and its filters are in it.
TEST(FilterGraph, AFailedPauseLeavesEveryFilterStopped)
{
    auto graph = MakeGraph();
    auto* source = new RefusingSource(SourceOptions{MEDIASUBTYPE_TestB});
    auto* sink = new TestSink(SinkOptions{});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), sink->InputPin(), nullptr), S_OK);
    com::ComPtr<IMediaControl> control;
    control.QueryFrom(graph.Get(), IID_IMediaControl);
    EXPECT_EQ(control->Pause(), E_FAIL);
    OAFilterState graphState = State_Running;
    control->GetState(0, &graphState);
    EXPECT_EQ(graphState, State_Stopped);
    FILTER_STATE sinkState = State_Running;
    sink->GetState(0, &sinkState);
    EXPECT_EQ(sinkState, State_Stopped);
}

TEST(FilterGraph, ReconnectKeepsTheConnectionWithTheTypeAskedFor)
{
    auto graph = MakeGraph();
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestB});
    auto* sink = new TestSink(SinkOptions{});
    [[maybe_unused]] auto held = {Hold(source), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(sink, u"Sink");
    auto graph2 = Query<IFilterGraph2>(graph.Get(), IID_IFilterGraph2);
    EXPECT_EQ(graph2->ReconnectEx(source->OutputPin(), nullptr), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), sink->InputPin(), nullptr), S_OK);
    AM_MEDIA_TYPE type{};
    source->OutputPin()->ConnectionMediaType(&type);
    EXPECT_EQ(graph2->ReconnectEx(sink->InputPin(), &type), S_OK);
    EXPECT_EQ(Peer(sink->InputPin()).Get(), static_cast<IBaseFilter*>(source));
    EXPECT_EQ(graph->Reconnect(source->OutputPin()), S_OK);
    EXPECT_EQ(Peer(source->OutputPin()).Get(), static_cast<IBaseFilter*>(sink));
    FreeMediaType(type);
}

} // namespace
