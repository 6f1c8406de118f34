// The graph utilities over the runtime's graph, its system filters and
// filters described by the tests.

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"
#include "Win32/Utils/DShowUtils.h"

using com::ComPtr;
using namespace DShowUtils;
using namespace graph_test;

namespace {

using DShowUtilsTest = GraphFolder;

TEST(DShowUtilsPins, GetPinByDirection)
{
    ComPtr<IBaseFilter> inputOnly = FakeFilter::Make({Input()});
    ComPtr<IPin> pin;
    EXPECT_EQ(GetPin(inputOnly.Get(), PINDIR_OUTPUT, pin.Receive()), E_FAIL);
    EXPECT_FALSE(pin);
    EXPECT_EQ(GetPin(nullptr, PINDIR_OUTPUT, pin.Receive()), E_INVALIDARG);
    EXPECT_FALSE(pin);
    EXPECT_EQ(GetPin(inputOnly.Get(), PINDIR_INPUT, pin.Receive()), S_OK);
    EXPECT_TRUE(pin);
}

TEST(DShowUtilsPins, FindsPinsByNameExactly)
{
    ComPtr<IBaseFilter> tee = FakeFilter::Make({Input(), Output({}, u"Capture"), Output({}, u"Preview")});
    ComPtr<IPin> capture, preview, none;
    ASSERT_EQ(FindCapturePin(tee.Get(), capture.Receive()), S_OK);
    ASSERT_EQ(FindPreviewPin(tee.Get(), preview.Receive()), S_OK);
    PIN_INFO info{};
    preview->QueryPinInfo(&info);
    info.pFilter->Release();
    EXPECT_EQ(std::u16string(info.achName), u"Preview");
    EXPECT_EQ(FindPinByName(tee.Get(), u"preview", none.Receive()), E_FAIL);
}

TEST(DShowUtilsPins, MediaTypeQueries)
{
    ComPtr<IBaseFilter> source = FakeFilter::Make({Output({TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}), Output({})});
    ComPtr<IPin> audio, empty;
    ASSERT_EQ(GetPin(source.Get(), PINDIR_OUTPUT, audio.Receive()), S_OK);
    GUID major{}, subtype{};
    EXPECT_EQ(GetPinMajorType(audio.Get(), &major), S_OK);
    EXPECT_EQ(major, MEDIATYPE_Audio);
    EXPECT_EQ(GetPinSubtype(audio.Get(), &subtype), S_OK);
    EXPECT_EQ(subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(GetPinMajorType(nullptr, &major), E_POINTER);

    ComPtr<IGraphBuilder> graph = MakeGraph();
    EXPECT_EQ(FindFilterPinOfType(graph.Get(), source.Get(), MEDIATYPE_Audio, MEDIASUBTYPE_PCM, PINDIR_OUTPUT,
                                  empty.Receive()),
              S_OK);
    EXPECT_EQ(FindFilterPinOfType(graph.Get(), source.Get(), MEDIATYPE_Video, MEDIASUBTYPE_PCM, PINDIR_OUTPUT,
                                  empty.Receive()),
              E_FAIL);
}

TEST_F(DShowUtilsTest, FindsAudioPinTwoFiltersDownstream)
{
    std::string path = Path("mp2.mpg");
    playback_test::Clip clip;
    clip.container = "mpeg";
    clip.video = "mpeg1video";
    clip.audio = "mp2";
    clip.sampleRate = 44100;
    ASSERT_TRUE(playback_test::WriteClip(path, clip));

    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> source, splitter, decoder;
    ASSERT_EQ(graph->AddSourceFilter(Wide(path).c_str(), u"Async Source", source.Receive()), S_OK);
    ASSERT_EQ(ConnectSplitter(graph.Get(), source.Get(), splitter.Receive()), S_OK);
    EXPECT_TRUE(HasFilter(graph.Get(), u"Splitter"));
    ComPtr<IPin> splitterAudio;
    ASSERT_EQ(FindPinOfMediaType(graph.Get(), splitter.Get(), MEDIATYPE_Audio, splitterAudio.Receive()), S_OK);
    ASSERT_EQ(AddFilterAndConnect(graph.Get(), splitterAudio.Get(), CLSID_CMpegAudioCodec, "MPEG Audio Decoder",
                                  decoder.Receive()),
              S_OK);

    ComPtr<IPin> found, decoderOut;
    ASSERT_EQ(FindPinOfMediaType(graph.Get(), source.Get(), MEDIATYPE_Audio, found.Receive()), S_OK);
    ASSERT_EQ(GetPin(decoder.Get(), PINDIR_OUTPUT, decoderOut.Receive()), S_OK);
    // The splitter's audio pin is connected, so the walk reaches the decoder.
    EXPECT_EQ(found.Get(), splitterAudio.Get());
    ComPtr<IPin> afterDecoder;
    EXPECT_EQ(FindPinOfMediaType(graph.Get(), decoder.Get(), MEDIATYPE_Audio, afterDecoder.Receive()), S_OK);
    EXPECT_EQ(afterDecoder.Get(), decoderOut.Get());

    ComPtr<IBaseFilter> sink = FakeFilter::Make({Input()});
    ComPtr<IPin> none;
    EXPECT_EQ(FindPinOfMediaType(graph.Get(), sink.Get(), MEDIATYPE_Audio, none.Receive()), E_FAIL);
    EXPECT_EQ(FindPinOfMediaType(nullptr, sink.Get(), MEDIATYPE_Audio, none.Receive()), E_POINTER);

    // Tear-down leaves the source alone in the graph.
    RemoveDownstreamFilters(graph.Get(), source.Get());
    EXPECT_EQ(FilterNames(graph.Get()), std::vector<std::u16string>{u"Async Source"});
    EXPECT_EQ(AreAllPinsUnconnected(source.Get()), S_OK);
}

TEST(DShowUtilsSplitter, NonStreamSourceAddsNothing)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> source = FakeFilter::Make({Output({TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)})});
    ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    ComPtr<IBaseFilter> splitter;
    EXPECT_EQ(ConnectSplitter(graph.Get(), source.Get(), splitter.Receive()), E_INVALIDARG);
    EXPECT_FALSE(splitter);
    EXPECT_EQ(FilterNames(graph.Get()).size(), 1u);
}

TEST(DShowUtilsSplitter, SplitterChoiceBySubtype)
{
    struct Case {
        const GUID* subtype;
        const CLSID* splitter;
    };
    const Case cases[] = {
        {&MEDIASUBTYPE_Avi, &CLSID_AviSplitter},           {&MEDIASUBTYPE_QTMovie, &CLSID_QuickTimeParser},
        {&MEDIASUBTYPE_MPEG1Video, &CLSID_MPEG1Splitter},  {&MEDIASUBTYPE_MPEG2_PROGRAM, &CLSID_LigosMPEG2Splitter},
        {&MEDIASUBTYPE_WAVE, &CLSID_WAVEParser},           {&MEDIASUBTYPE_dvsd, &CLSID_DVSplitter},
        {&MEDIASUBTYPE_AsfVideoStream, &CLSID_ASFICMHandler}, {&MEDIASUBTYPE_AsfAudioStream, &CLSID_ASFACMHandler},
    };
    for (const Case& each : cases) {
        CLSID clsid{};
        EXPECT_EQ(GetSplitterClsidForSubtype(*each.subtype, &clsid), S_OK);
        EXPECT_EQ(clsid, *each.splitter);
    }
    CLSID clsid{};
    EXPECT_EQ(GetSplitterClsidForSubtype(MEDIASUBTYPE_PCM, &clsid), E_FAIL);
}

// A source whose first type is an MPEG-1 system stream but which only
// connects as an MPEG-2 program stream, reading an MPEG-2 file.
TEST_F(DShowUtilsTest, RefusedMpeg1SplitterFallsBackToLigos)
{
    std::string path = Path("mpeg2.mpg");
    playback_test::Clip clip;
    clip.container = "vob";
    clip.video = "mpeg2video";
    ASSERT_TRUE(playback_test::WriteClip(path, clip));

    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> async;
    ASSERT_EQ(graph->AddSourceFilter(Wide(path).c_str(), u"File", async.Receive()), S_OK);
    ComPtr<IPin> asyncPin;
    ASSERT_EQ(GetPin(async.Get(), PINDIR_OUTPUT, asyncPin.Receive()), S_OK);

    PinDescription description = Output({TypeOf(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System),
                           TypeOf(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM)});
    description.refused = {MEDIASUBTYPE_MPEG1System};
    ASSERT_EQ(description.reader.QueryFrom(asyncPin.Get(), IID_IAsyncReader), S_OK);
    ComPtr<IBaseFilter> source = FakeFilter::Make({description});
    ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);

    ComPtr<IBaseFilter> splitter;
    ASSERT_EQ(ConnectSplitter(graph.Get(), source.Get(), splitter.Receive()), S_OK);
    FILTER_INFO info{};
    splitter->QueryFilterInfo(&info);
    info.pGraph->Release();
    EXPECT_EQ(std::u16string(info.achName), u"Splitter");
    CLSID clsid{};
    splitter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_LigosMPEG2Splitter);
}

TEST(DShowUtilsSplitter, BothMpegSplittersRefuseLeavesNone)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    // No IAsyncReader: no splitter can read it.
    ComPtr<IBaseFilter> source = FakeFilter::Make({Output({TypeOf(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System)})});
    ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    ComPtr<IBaseFilter> splitter;
    EXPECT_TRUE(FAILED(ConnectSplitter(graph.Get(), source.Get(), splitter.Receive())));
    EXPECT_FALSE(splitter);
    EXPECT_EQ(FilterNames(graph.Get()), std::vector<std::u16string>{u"Source"});
}

TEST_F(DShowUtilsTest, FileSourceThatCannotLoadLeavesNoFilter)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> source;
    EXPECT_TRUE(FAILED(AddFileSourceFilter(graph.Get(), CLSID_AVIDoc, Wide(Path("missing.avi")).c_str(),
                                           "AVI-WAV File Source", source.Receive())));
    EXPECT_FALSE(source);
    // A filter without IFileSourceFilter is taken out again too.
    EXPECT_TRUE(FAILED(AddFileSourceFilter(graph.Get(), CLSID_NullRenderer, u"x", "Null", source.Receive())));
    EXPECT_TRUE(FilterNames(graph.Get()).empty());
    EXPECT_EQ(AddFileSourceFilter(graph.Get(), CLSID_AVIDoc, nullptr, "x", source.Receive()), E_POINTER);

    std::string path = Path("clip.avi");
    playback_test::Clip clip;
    clip.video = "mjpeg";
    clip.pixels = "yuvj420p";
    ASSERT_TRUE(playback_test::WriteClip(path, clip));
    ASSERT_EQ(AddFileSourceFilter(graph.Get(), CLSID_AVIDoc, Wide(path).c_str(), "AVI-WAV File Source",
                                  source.Receive()),
              S_OK);
    EXPECT_TRUE(HasFilter(graph.Get(), u"AVI-WAV File Source"));
}

TEST(DShowUtilsGraph, AddFilterByClsidAndConnect)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(AddFilterByClsid(nullptr, CLSID_NullRenderer, "Null", filter.Receive()), E_POINTER);
    EXPECT_TRUE(FAILED(AddFilterByClsid(graph.Get(), GUID_NULL, "Nothing", filter.Receive())));
    EXPECT_FALSE(filter);
    ASSERT_EQ(AddFilterByClsid(graph.Get(), CLSID_NullRenderer, "Null", filter.Receive()), S_OK);
    EXPECT_TRUE(HasFilter(graph.Get(), u"Null"));

    ComPtr<IBaseFilter> source = FakeFilter::Make({Output({TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)})});
    ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    EXPECT_EQ(ConnectFilters(graph.Get(), source.Get(), filter.Get(), TRUE), S_OK);
    EXPECT_EQ(AreAllPinsUnconnected(filter.Get()), E_FAIL);
    // No free pins are left on either side.
    EXPECT_EQ(ConnectFilters(graph.Get(), source.Get(), filter.Get(), TRUE), E_FAIL);
    EXPECT_EQ(DisconnectFilterPins(graph.Get(), filter.Get()), S_OK);
    EXPECT_EQ(AreAllPinsUnconnected(filter.Get()), S_OK);
    EXPECT_EQ(AreAllPinsUnconnected(source.Get()), S_OK);
    EXPECT_EQ(DisconnectFilterPins(nullptr, filter.Get()), E_POINTER);
}

// A crossbar of the pins the test lists.
struct CrossbarPin {
    LONG type;
    LONG related;
};

class FakeCrossbar final : public IAMCrossbar {
public:
    std::vector<CrossbarPin> outputs, inputs;
    bool canRouteVideo = true;
    std::vector<std::pair<LONG, LONG>> routed;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputCount, LONG* inputCount) override
    {
        *outputCount = static_cast<LONG>(outputs.size());
        *inputCount = static_cast<LONG>(inputs.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CanRoute(LONG output, LONG) override
    {
        return outputs[output].type == kVideoOut && !canRouteVideo ? E_FAIL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Route(LONG output, LONG input) override
    {
        routed.emplace_back(output, input);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsRoutedTo(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related, LONG* type) override
    {
        const CrossbarPin& pin = isInput ? inputs[index] : outputs[index];
        *related = pin.related;
        *type = pin.type;
        return S_OK;
    }

    static constexpr LONG kVideoOut = 12, kComposite = 2, kSVideo = 3, kAudioOut = 0x1009, kLine = 0x1001;
};

TEST(DShowUtilsCrossbar, RoutesLastMatchingInputsWithoutRelatedIndex)
{
    FakeCrossbar bar;
    bar.outputs = {{FakeCrossbar::kVideoOut, 1}, {FakeCrossbar::kAudioOut, 0}};
    bar.inputs = {{FakeCrossbar::kComposite, 3},
                  {FakeCrossbar::kSVideo, 4},
                  {FakeCrossbar::kComposite, 5},
                  {FakeCrossbar::kLine, 0},
                  {FakeCrossbar::kLine, 2}};
    EXPECT_EQ(RouteCrossbar(&bar, FakeCrossbar::kVideoOut, FakeCrossbar::kComposite, FakeCrossbar::kAudioOut,
                            FakeCrossbar::kLine, -1),
              S_OK);
    const std::vector<std::pair<LONG, LONG>> expected = {{0, 2}, {1, 4}};
    EXPECT_EQ(bar.routed, expected);
}

TEST(DShowUtilsCrossbar, RelatedIndexPicksThePartnerInput)
{
    FakeCrossbar bar;
    bar.outputs = {{FakeCrossbar::kVideoOut, 1}, {FakeCrossbar::kAudioOut, 0}};
    bar.inputs = {{FakeCrossbar::kComposite, 3}, {FakeCrossbar::kComposite, 2}, {FakeCrossbar::kLine, 1},
                  {FakeCrossbar::kLine, 0}};
    // Input 1 names input 2 as its partner: video from 1, audio from 2.
    EXPECT_EQ(RouteCrossbar(&bar, FakeCrossbar::kVideoOut, FakeCrossbar::kComposite, FakeCrossbar::kAudioOut,
                            FakeCrossbar::kLine, 2),
              S_OK);
    const std::vector<std::pair<LONG, LONG>> expected = {{0, 1}, {1, 2}};
    EXPECT_EQ(bar.routed, expected);
}

TEST(DShowUtilsCrossbar, UnroutableVideoIsAFailure)
{
    FakeCrossbar bar;
    bar.outputs = {{FakeCrossbar::kVideoOut, 1}, {FakeCrossbar::kAudioOut, 0}};
    bar.inputs = {{FakeCrossbar::kComposite, 1}, {FakeCrossbar::kLine, 0}};
    bar.canRouteVideo = false;
    EXPECT_TRUE(FAILED(RouteCrossbar(&bar, FakeCrossbar::kVideoOut, FakeCrossbar::kComposite,
                                     FakeCrossbar::kAudioOut, FakeCrossbar::kLine, -1)));
    EXPECT_TRUE(bar.routed.empty());
    EXPECT_EQ(RouteCrossbar(nullptr, 0, 0, 0, 0, -1), E_POINTER);
}

TEST(DShowUtilsRot, AddAndRemoveLeaveTheTableAsBefore)
{
    auto countRunning = [] {
        ComPtr<IRunningObjectTable> table;
        EXPECT_EQ(GetRunningObjectTable(0, table.Receive()), S_OK);
        ComPtr<IEnumMoniker> monikers;
        EXPECT_EQ(table->EnumRunning(monikers.Receive()), S_OK);
        int count = 0;
        ComPtr<IMoniker> moniker;
        while (monikers && monikers->Next(1, moniker.Receive(), nullptr) == S_OK)
            ++count;
        return count;
    };
    int before = countRunning();
    ComPtr<IGraphBuilder> graph = MakeGraph();
    DWORD cookie = 1;
    ASSERT_EQ(AddGraphToRot(graph.Get(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(countRunning(), before + 1);
    RemoveGraphFromRot(cookie);
    EXPECT_EQ(countRunning(), before);
    RemoveGraphFromRot(0);
    EXPECT_EQ(countRunning(), before);
    EXPECT_EQ(AddGraphToRot(nullptr, &cookie), E_POINTER);
}

TEST(DShowUtilsLog, ErrorTextLookups)
{
    // Neither logs nor shows anything for a code without text; no crash.
    LogDShowError("file.cpp", 1, "message", static_cast<HRESULT>(0x12345678));
    LogAMError(static_cast<HRESULT>(0x12345678));
    EXPECT_EQ(ShowAMErrorText(static_cast<HRESULT>(0x12345678)), 0);
}

} // namespace
