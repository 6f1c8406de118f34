// The filters of the retiming, scene-scan and clip-save graphs: the Indeo
// stand-in encoder, VidScale, the range filter and the time warp, each in
// a graph that ends in the AVI multiplexer and the file writer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Av/AviWriter.h"
#include "Platform/Av/tests/AviReadBack.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/tests/WritingTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using namespace avi_test;
using namespace writing_test;

constexpr REFERENCE_TIME kPalFrame = UNITS / 25;

TEST(IndeoEncoder, WritesMotionJpegAtTheInputSize)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("indeo.avi");
    WriterGraph graph(path);
    com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(RgbFrames(320, 240, kPalFrame, 5)), u"Source");
    com::ComPtr<IBaseFilter> encoder = graph.Add(MakeFilter(CLSID_IndeoEncoder), u"Indeo Encoder");
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), encoder.Get()), S_OK);
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), encoder.Get(), graph.mux.Get()), S_OK);
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_MJPEG);
    EXPECT_EQ(streams[0].packets, 5);
    const Decoded decoded = DecodeVideo(path);
    EXPECT_EQ(decoded.width, 320);
    EXPECT_EQ(decoded.height, 240);
    EXPECT_GT(decoded.topRed, 200);
    EXPECT_LT(decoded.bottomRed, 128);
}

TEST(VidScale, ScalesFramesToTheSizeSetBeforeTheOutputConnects)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("scaled.avi");
    WriterGraph graph(path);
    com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(RgbFrames(720, 576, kPalFrame, 3)), u"Source");
    com::ComPtr<IBaseFilter> scale = graph.Add(MakeFilter(CLSID_VidScale), u"VidScale");
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), scale.Get()), S_OK);
    com::ComPtr<IVidScale> size;
    ASSERT_EQ(size.QueryFrom(scale.Get(), IID_IVidScale), S_OK);
    EXPECT_EQ(size->SetOutputSize(0, 240, 0), E_INVALIDARG);
    ASSERT_EQ(size->SetOutputSize(320, 240, 0), S_OK);
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), scale.Get(), graph.mux.Get()), S_OK);
    EXPECT_EQ(size->SetOutputSize(160, 120, 0), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const Decoded decoded = DecodeVideo(path);
    EXPECT_EQ(decoded.frames, 3);
    EXPECT_EQ(decoded.width, 320);
    EXPECT_EQ(decoded.height, 240);
}

struct RangeCase {
    const char* name;
    double start;
    double stop;
    int keyEvery;
    int videoFrames;
};

TEST(MediaPlacer, PassesTheRangeFromAKeyFrameOnAndEndsAtTheStop)
{
    const RangeCase cases[] = {
        {"every frame a key frame", 0.4, 0.8, 1, 10},
        {"starts at the next key frame", 0.2, 0.8, 4, 12},
        {"no stop: to the end", 0.6, 0.0, 1, 10},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir folder;
        const std::string path = folder.File("range.avi");
        WriterGraph graph(path);
        SampleSourceOptions video;
        video.type = DvVideoType(true);
        video.samples = 25;
        const std::vector<uint8_t> frame = EncodeDvFrame(true);
        video.bufferSize = static_cast<LONG>(frame.size());
        video.make = [frame](int) { return std::vector<BYTE>(frame.begin(), frame.end()); };
        video.key = [every = c.keyEvery](int index) { return index % every == 0; };
        SampleSourceOptions audio;
        audio.type = PcmType(48000);
        audio.samples = 25;
        audio.bufferSize = 1920 * 4;
        audio.make = [](int index) { return std::vector<BYTE>(1920 * 4, static_cast<BYTE>(index)); };
        com::ComPtr<IBaseFilter> videoSource = graph.Add(MakeSource(video), u"Video");
        com::ComPtr<IBaseFilter> audioSource = graph.Add(MakeSource(audio), u"Audio");
        com::ComPtr<IBaseFilter> placer = graph.Add(MakeFilter(CLSID_MediaPlacer), u"MediaPlacer");
        com::ComPtr<IPin> videoIn, videoOut, audioIn, audioOut;
        ASSERT_EQ(placer->FindPin(u"Video Input", videoIn.Receive()), S_OK);
        ASSERT_EQ(placer->FindPin(u"Video Output", videoOut.Receive()), S_OK);
        ASSERT_EQ(placer->FindPin(u"Audio Input", audioIn.Receive()), S_OK);
        ASSERT_EQ(placer->FindPin(u"Audio Output", audioOut.Receive()), S_OK);
        ASSERT_EQ(graph.graph->ConnectDirect(FreePin(videoSource.Get(), PINDIR_OUTPUT).Get(), videoIn.Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph.graph->ConnectDirect(FreePin(audioSource.Get(), PINDIR_OUTPUT).Get(), audioIn.Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph.graph->ConnectDirect(videoOut.Get(), FreePin(graph.mux.Get(), PINDIR_INPUT).Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph.graph->ConnectDirect(audioOut.Get(), FreePin(graph.mux.Get(), PINDIR_INPUT).Get(), nullptr),
                  S_OK);
        com::ComPtr<IMediaPlacer> range;
        ASSERT_EQ(range.QueryFrom(placer.Get(), IID_IMediaPlacer), S_OK);
        ASSERT_EQ(range->ClearRange(), S_OK);
        ASSERT_EQ(range->SetRange(0, 0, c.start, c.stop), S_OK);
        ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

        const std::vector<StreamReadBack> streams = ReadBack(path);
        ASSERT_EQ(streams.size(), 2u);
        EXPECT_EQ(streams[0].packets, c.videoFrames);
        const double stop = c.stop > 0 ? c.stop : 1.0;
        EXPECT_EQ(streams[1].bytes, static_cast<int64_t>(std::llround((stop - c.start) * 25)) * 1920 * 4);
        LONGLONG position = 0;
        EXPECT_EQ(range->GetPosition(&position), S_OK);
        EXPECT_GE(position, static_cast<LONGLONG>(c.start * UNITS));
    }
}

// The clip-save graph's shape: a file's compressed video copied through the
// range filter, with the graph seekable through the file writer and the
// multiplexer back to the splitter.
TEST(MediaPlacer, CopiesARangeOfAFileAndLetsTheGraphSeekTheSource)
{
    testing_support::TempDir folder;
    const std::string source = folder.File("source.avi");
    {
        av::AviWriter writer;
        av::AviStreamFormat format;
        format.handler = av::kAviHandlerDvsd;
        format.rate = 25;
        format.width = 720;
        format.height = 576;
        format.format = BitmapHeader(720, 576, 24, av::kAviHandlerDvsd, 144000);
        const std::vector<uint8_t> frame = EncodeDvFrame(true);
        ASSERT_EQ(writer.Create(source), 0);
        ASSERT_EQ(writer.AddStream(format), 0);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
        ASSERT_EQ(writer.Finish(), 0);
    }
    const std::string path = folder.File("clip.avi");
    WriterGraph graph(path);
    com::ComPtr<IBaseFilter> reader;
    ASSERT_EQ(graph.graph->AddSourceFilter(win::Utf8ToUtf16(source).c_str(), u"Async Source", reader.Receive()),
              S_OK);
    com::ComPtr<IBaseFilter> splitter = graph.Add(MakeFilter(CLSID_AviSplitter), u"AVI Splitter");
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), reader.Get(), splitter.Get()), S_OK);
    com::ComPtr<IBaseFilter> placer = graph.Add(MakeFilter(CLSID_MediaPlacer), u"MediaPlacer");
    com::ComPtr<IPin> videoIn, videoOut;
    ASSERT_EQ(placer->FindPin(u"Video Input", videoIn.Receive()), S_OK);
    ASSERT_EQ(placer->FindPin(u"Video Output", videoOut.Receive()), S_OK);
    ASSERT_EQ(graph.graph->ConnectDirect(FreePin(splitter.Get(), PINDIR_OUTPUT).Get(), videoIn.Get(), nullptr), S_OK);
    ASSERT_EQ(graph.graph->ConnectDirect(videoOut.Get(), FreePin(graph.mux.Get(), PINDIR_INPUT).Get(), nullptr), S_OK);
    com::ComPtr<IMediaPlacer> range;
    ASSERT_EQ(range.QueryFrom(placer.Get(), IID_IMediaPlacer), S_OK);
    ASSERT_EQ(range->SetRange(0, 0, 0.2, 0.6), S_OK);

    com::ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(seeking.QueryFrom(graph.graph.Get(), IID_IMediaSeeking), S_OK);
    LONGLONG duration = 0;
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 20 * kPalFrame);
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].packets, 10);
}

TEST(MediaPlacer, RefusesBadRangesAndOtherSubtypesOnceOneIsSet)
{
    com::ComPtr<IBaseFilter> placer = MakeFilter(CLSID_MediaPlacer);
    com::ComPtr<IMediaPlacer> range;
    ASSERT_EQ(range.QueryFrom(placer.Get(), IID_IMediaPlacer), S_OK);
    EXPECT_EQ(range->SetRange(0, 0, -1.0, 2.0), E_INVALIDARG);
    EXPECT_EQ(range->SetRange(0, 0, 3.0, 2.0), E_INVALIDARG);
    ASSERT_EQ(range->SetVideoSubtype(MEDIASUBTYPE_RGB24), S_OK);
    com::ComPtr<IPin> videoIn;
    ASSERT_EQ(placer->FindPin(u"Video Input", videoIn.Receive()), S_OK);
    CMediaType dv = DvVideoType(true);
    EXPECT_EQ(videoIn->QueryAccept(&dv), S_FALSE);
    CMediaType rgb = RgbType(64, 48, kPalFrame);
    EXPECT_EQ(videoIn->QueryAccept(&rgb), S_OK);
}

struct WarpCase {
    float speed;
    float rate;
    int frames;
};

TEST(TimeWarp, RetimesBySpeedAtTheFrameRate)
{
    const WarpCase cases[] = {{2.0f, 25.0f, 10}, {0.5f, 25.0f, 40}, {1.0f, 50.0f, 40}};
    for (const WarpCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.speed) + " at " + std::to_string(c.rate));
        testing_support::TempDir folder;
        const std::string path = folder.File("warped.avi");
        WriterGraph graph(path);
        com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(RgbFrames(64, 48, kPalFrame, 20)), u"Source");
        com::ComPtr<IBaseFilter> warp = graph.Add(MakeFilter(CLSID_TimeWarp), u"Time Warp");
        com::ComPtr<ITimeWarp> settings;
        ASSERT_EQ(settings.QueryFrom(warp.Get(), IID_ITimeWarp), S_OK);
        ASSERT_EQ(settings->SetWarp(3, c.speed, c.rate), S_OK);
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), warp.Get()), S_OK);
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), warp.Get(), graph.mux.Get()), S_OK);
        ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

        av::InputPtr input;
        ASSERT_EQ(av::OpenInput(path, input, "avi"), 0);
        EXPECT_NEAR(av_q2d(input->streams[0]->avg_frame_rate), c.rate, 0.01);
        EXPECT_EQ(ReadBack(path)[0].packets, c.frames);
    }
}

TEST(TimeWarp, RefusesSpeedsRatesAndModesOutOfRange)
{
    com::ComPtr<IBaseFilter> warp = MakeFilter(CLSID_TimeWarp);
    com::ComPtr<ITimeWarp> settings;
    ASSERT_EQ(settings.QueryFrom(warp.Get(), IID_ITimeWarp), S_OK);
    EXPECT_EQ(settings->SetWarp(0, 0.0f, 25.0f), E_INVALIDARG);
    EXPECT_EQ(settings->SetWarp(0, 1.0f, 0.0f), E_INVALIDARG);
    EXPECT_EQ(settings->SetWarp(11, 1.0f, 25.0f), E_INVALIDARG);
    EXPECT_EQ(settings->SetWarp(-1, 1.0f, 25.0f), E_INVALIDARG);
    EXPECT_EQ(settings->SetWarp(10, 1.5f, 29.97f), S_OK);
    int mode = 0;
    float speed = 0, rate = 0;
    ASSERT_EQ(settings->GetWarp(&mode, &speed, &rate), S_OK);
    EXPECT_EQ(mode, 10);
    EXPECT_FLOAT_EQ(speed, 1.5f);
    EXPECT_FLOAT_EQ(rate, 29.97f);
}

} // namespace
