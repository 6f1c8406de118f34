// The graph builder over the runtime's graph and system filters, with
// files made at test time, and the graph control over a scripted control.

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"
#include "Win32/Utils/DShowUtils.h"
#include "Win32/Utils/QORGraphBuilder.h"
#include "Win32/Utils/QORGraphControl.h"

using com::ComPtr;
using namespace graph_test;

namespace {

class GraphBuilderTest : public GraphFolder {
protected:
    std::u16string Write(const char* name, const playback_test::Clip& clip)
    {
        std::string path = Path(name);
        EXPECT_TRUE(playback_test::WriteClip(path, clip));
        return Wide(path);
    }
    std::u16string WriteDv(const char* name, int type)
    {
        std::string path = Path(name);
        EXPECT_TRUE(playback_test::WriteDvAvi(path, type, 3));
        return Wide(path);
    }
    static playback_test::Clip MjpegAvi()
    {
        playback_test::Clip clip;
        clip.video = "mjpeg";
        clip.pixels = "yuvj420p";
        clip.audio = "pcm_s16le";
        return clip;
    }
};

std::u16string NameOfFilter(IBaseFilter* filter)
{
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    if (info.pGraph)
        info.pGraph->Release();
    return info.achName;
}

std::u16string OwnerName(IPin* pin)
{
    PIN_INFO info{};
    pin->QueryPinInfo(&info);
    ComPtr<IBaseFilter> owner = ComPtr<IBaseFilter>::Adopt(info.pFilter);
    return NameOfFilter(owner.Get());
}

TEST_F(GraphBuilderTest, AviWithVideoAndAudio)
{
    std::u16string path = Write("clip.avi", MjpegAvi());
    QORGraphBuilder builder;
    ASSERT_EQ(builder.Create(path.c_str(), 0, 0, FALSE, FALSE, TRUE), S_OK);
    EXPECT_TRUE(HasFilter(builder.m_pGraph.Get(), u"Async Source"));
    EXPECT_EQ(NameOfFilter(builder.m_pSource.Get()), u"Splitter");
    EXPECT_TRUE(builder.m_pVideoPin);
    EXPECT_TRUE(builder.m_pAudioPin);
    EXPECT_EQ(builder.m_nVideoStreams, 1);
    EXPECT_EQ(builder.m_nAudioStreams, 1);
    EXPECT_EQ(builder.m_VideoSubtype, MEDIASUBTYPE_MJPG);
    EXPECT_NE(builder.m_dwRotCookie, 0u);

    // A second Create leaves the first file open.
    EXPECT_EQ(builder.Create(path.c_str(), 0, 0, FALSE, FALSE, FALSE), E_FAIL);
    EXPECT_TRUE(builder.m_pSource);

    ASSERT_EQ(builder.AddVideoDecoder(FALSE, FALSE), S_OK);
    EXPECT_EQ(OwnerName(builder.m_pVideoPin.Get()), u"Kestrelon MJPEG Decoder");
    EXPECT_EQ(builder.AddVideoDecoder(FALSE, FALSE), E_FAIL);
    EXPECT_EQ(builder.AddAudioDecoder(), S_OK); // PCM: nothing to add
    EXPECT_FALSE(builder.m_pAudioDecoder);

    EXPECT_EQ(builder.RemoveDecoders(), S_OK);
    EXPECT_FALSE(builder.m_pVideoDecoder);
    EXPECT_EQ(builder.m_pVideoPin.Get(), builder.m_pSourceVideoPin.Get());
    EXPECT_FALSE(HasFilter(builder.m_pGraph.Get(), u"Kestrelon MJPEG Decoder"));

    EXPECT_EQ(builder.ReleaseGraph(), S_OK);
    EXPECT_FALSE(builder.m_pGraph);
    EXPECT_EQ(builder.m_nVideoStreams, 0);
    EXPECT_EQ(builder.m_dwRotCookie, 0u);
    EXPECT_EQ(builder.Create(path.c_str(), 0, 0, TRUE, FALSE, FALSE), S_OK);
    EXPECT_EQ(NameOfFilter(builder.m_pSource.Get()), u"AVI-WAV File Source");
}

TEST_F(GraphBuilderTest, MpegSystemStreamAndItsDecoders)
{
    playback_test::Clip clip;
    clip.container = "mpeg";
    clip.video = "mpeg1video";
    clip.audio = "mp2";
    clip.sampleRate = 44100;
    std::u16string path = Write("clip.mpg", clip);
    QORGraphBuilder builder;
    ASSERT_EQ(builder.Create(path.c_str(), 0, 0, FALSE, FALSE, TRUE), S_OK);
    CLSID clsid{};
    builder.m_pSource->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_MPEG1Splitter);
    ASSERT_TRUE(builder.m_pVideoPin && builder.m_pAudioPin);
    ASSERT_EQ(builder.AddVideoDecoder(FALSE, FALSE), S_OK);
    EXPECT_EQ(OwnerName(builder.m_pVideoPin.Get()), u"MPEG-1 Video Decoder");
    ASSERT_EQ(builder.AddAudioDecoder(), S_OK);
    EXPECT_EQ(OwnerName(builder.m_pAudioPin.Get()), u"MPEG Audio Decoder");
}

TEST_F(GraphBuilderTest, DvDecoderAtFullResolution)
{
    std::u16string path = WriteDv("dv.avi", 2);
    QORGraphBuilder builder;
    builder.m_bDvFullResolution = TRUE;
    ASSERT_EQ(builder.Create(path.c_str(), 0, -1, FALSE, FALSE, TRUE), S_OK);
    EXPECT_FALSE(builder.m_pAudioPin);
    ASSERT_EQ(builder.AddVideoDecoder(FALSE, FALSE), S_OK);
    EXPECT_EQ(OwnerName(builder.m_pVideoPin.Get()), u"DV Decoder");
    ComPtr<IIPDVDec> dv;
    ASSERT_EQ(dv.QueryFrom(builder.m_pVideoDecoder.Get(), IID_IIPDVDec), S_OK);
    int display = 0;
    EXPECT_EQ(dv->get_IPDisplay(&display), S_OK);
    EXPECT_EQ(display, 1000);
}

TEST_F(GraphBuilderTest, NoVideoStreamChosen)
{
    std::u16string path = Write("clip.avi", MjpegAvi());
    QORGraphBuilder builder;
    ASSERT_EQ(builder.Create(path.c_str(), -1, 0, FALSE, FALSE, FALSE), S_OK);
    EXPECT_FALSE(builder.m_pVideoPin);
    EXPECT_EQ(builder.m_nVideoStreams, 1);
    EXPECT_EQ(builder.AddVideoDecoder(FALSE, FALSE), E_POINTER);
}

TEST_F(GraphBuilderTest, DolbyAudioIsRefused)
{
    playback_test::Clip clip = MjpegAvi();
    clip.audio = "ac3";
    std::u16string path = Write("ac3.avi", clip);
    QORGraphBuilder builder;
    EXPECT_EQ(builder.Create(path.c_str(), 0, 0, FALSE, FALSE, FALSE), E_FAIL);
}

TEST_F(GraphBuilderTest, FileNoSourceTakesFails)
{
    std::string path = Path("noise.bin");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    for (int i = 0; i < 4096; ++i)
        std::fputc((i * 7919) & 0xFF, file);
    std::fclose(file);
    QORGraphBuilder builder;
    EXPECT_TRUE(FAILED(builder.Create(Wide(path).c_str(), 0, 0, FALSE, FALSE, FALSE)));
    EXPECT_FALSE(builder.m_bBuilt);
    // Every failed source was taken out again.
    EXPECT_TRUE(FilterNames(builder.m_pGraph.Get()).empty());
}

TEST_F(GraphBuilderTest, StreamSourceGetsASplitterAndIsClassifiedAgain)
{
    std::u16string path = Write("clip.avi", MjpegAvi());
    QORGraphBuilder builder;
    ASSERT_EQ(DShowUtils::CreateFilterGraph(builder.m_pGraph.Receive()), S_OK);
    ASSERT_EQ(builder.m_pGraph->AddSourceFilter(path.c_str(), u"Async Source", builder.m_pSource.Receive()), S_OK);
    ASSERT_EQ(builder.ClassifyPins(0, 0), S_OK);
    EXPECT_EQ(NameOfFilter(builder.m_pSource.Get()), u"Splitter");
    EXPECT_EQ(builder.m_nVideoStreams, 1);
    EXPECT_EQ(builder.m_nAudioStreams, 1);
    EXPECT_TRUE(builder.m_pVideoPin && builder.m_pAudioPin);
}

TEST_F(GraphBuilderTest, MjpegDrawMode)
{
    std::u16string path = Write("clip.avi", MjpegAvi());
    struct Case {
        BOOL drawFilter;
        const char16_t* decoder;
        BOOL drawFlag;
    };
    const Case cases[] = {{TRUE, u"Avi Draw", TRUE}, {FALSE, u"Kestrelon MJPEG Decoder", FALSE}};
    for (const Case& each : cases) {
        QORGraphBuilder builder;
        builder.m_bDrawFilter = TRUE;
        ASSERT_EQ(builder.Create(path.c_str(), 0, -1, FALSE, FALSE, FALSE), S_OK);
        ASSERT_EQ(builder.AddVideoDecoder(TRUE, each.drawFilter), S_OK);
        EXPECT_EQ(OwnerName(builder.m_pVideoPin.Get()), each.decoder);
        EXPECT_EQ(builder.m_bDrawFilter, each.drawFlag);
    }
}

// ASF streams are counted whether taken or not, so the second of two
// video streams can be chosen.
TEST(GraphBuilderAsf, EveryStreamIsCounted)
{
    CMediaType asf = TypeOf(MEDIATYPE_AsfStream, MEDIASUBTYPE_AsfVideoStream);
    asf.SetFormatType(&FORMAT_VideoInfo);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(asf.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = 400000;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 320;
    info->bmiHeader.biHeight = 240;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = MEDIASUBTYPE_MJPG.Data1;
    ComPtr<IBaseFilter> source = FakeFilter::Make({Output({asf}, u"Stream 1"), Output({asf}, u"Stream 2"),
                                                   Output({TypeOf(MEDIATYPE_AsfStream, MEDIASUBTYPE_AsfAudioStream)},
                                                          u"Stream 3")});
    QORGraphBuilder builder;
    ASSERT_EQ(DShowUtils::CreateFilterGraph(builder.m_pGraph.Receive()), S_OK);
    ASSERT_EQ(builder.m_pGraph->AddFilter(source.Get(), u"ASF File Source"), S_OK);
    builder.m_pSource = source;
    ASSERT_EQ(builder.ClassifyPins(1, -1), S_OK);
    EXPECT_EQ(builder.m_nVideoStreams, 2);
    EXPECT_EQ(builder.m_nAudioStreams, 1);
    ASSERT_TRUE(builder.m_pSourceVideoPin);
    EXPECT_EQ(OwnerName(builder.m_pSourceVideoPin.Get()), u"ICM Handler");
    // The handler sits on the second stream.
    ComPtr<IPin> second, connected;
    ASSERT_EQ(DShowUtils::FindPinByName(source.Get(), u"Stream 2", second.Receive()), S_OK);
    EXPECT_EQ(second->ConnectedTo(connected.Receive()), S_OK);
}

TEST(GraphControl, ActsOnlyOutsideTheRequestedState)
{
    struct Case {
        OAFilterState state;
        int runs, pauses, stops;
    };
    const Case cases[] = {
        {State_Running, 0, 1, 1},
        {State_Paused, 1, 0, 1},
        {State_Stopped, 1, 1, 0},
    };
    for (const Case& each : cases) {
        ScriptedControl control;
        control.state = each.state;
        QORGraphControl graph(&control);
        EXPECT_EQ(graph.Run(), S_OK);
        EXPECT_EQ(graph.Pause(), S_OK);
        EXPECT_EQ(graph.Stop(), S_OK);
        EXPECT_EQ(control.runs, each.runs) << each.state;
        EXPECT_EQ(control.pauses, each.pauses) << each.state;
        EXPECT_EQ(control.stops, each.stops) << each.state;
    }
}

TEST(GraphControl, TransitionIsAskedThreeTimes)
{
    ScriptedControl control;
    control.state = State_Running;
    control.stateResult = VFW_S_STATE_INTERMEDIATE;
    QORGraphControl graph(&control);
    OAFilterState state = State_Stopped;
    EXPECT_EQ(graph.GetState(&state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(control.stateCalls, 3);
    // Stop goes on and stops (then "Graph not stopped" is logged).
    control.stateCalls = 0;
    EXPECT_EQ(graph.Stop(), S_OK);
    EXPECT_EQ(control.stops, 1);
    EXPECT_EQ(control.stateCalls, 6);
}

TEST(GraphControl, EmptyWrapper)
{
    QORGraphControl graph(nullptr);
    OAFilterState state = 0;
    EXPECT_EQ(graph.GetState(&state), E_POINTER);
    EXPECT_EQ(graph.Run(), E_POINTER);
    EXPECT_EQ(graph.Stop(), E_POINTER);
}

} // namespace
