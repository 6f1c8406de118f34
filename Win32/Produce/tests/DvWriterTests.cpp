// The DV writer: its audio codes, routes, tolerance of failed pushes and
// end of the video stream against a stand-in graph; and the real graph it
// builds with the system filters and the plug-ins.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/DvWriter.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

constexpr FOURCC kDvsd = mmioFOURCC('d', 'v', 's', 'd');

CMediaTime At(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

// The bus library's answer for the length of a test.
class StackSetting {
public:
    explicit StackSetting(const Dv1394StackSetting& setting) : m_saved(GetDv1394StackSetting())
    {
        SetDv1394StackSetting(setting);
    }
    ~StackSetting() { SetDv1394StackSetting(m_saved); }

private:
    Dv1394StackSetting m_saved;
};

Dv1394StackSetting Stack(BOOL present, BYTE support)
{
    Dv1394StackSetting setting;
    setting.busLibraryPresent = present;
    setting.support = support;
    return setting;
}

TEST(DvSmartRoutes, StartTenMillisecondsEarlyAndNeverBeforeZero)
{
    struct Case {
        double start, end;
        REFERENCE_TIME frameTime;
        double routeStart, routeEnd;
    };
    const Case cases[] = {
        {2.0, 5.0, 0, 1.99, 4.99},
        {0.005, 1.0, 0, 0.0, 0.99},
        {2.0, 5.0, 400000, 1.99, 4.99},
        {0.0, 0.8, 400000, 0.0, 0.79},
        {0.005, 1.0, 400000, 0.0, 0.99},
        // 29.97 frames a second: ends off the frame grid take in the
        // frames holding them (frames 36 and 24 of 33,366 microseconds).
        {1.2012, 2.0024, 333660, 36 * 0.033366 - 0.01, 61 * 0.033366 - 0.01},
        {0.0, 0.8012, 333660, 0.0, 25 * 0.033366 - 0.01},
    };
    for (const Case& c : cases) {
        const std::vector<DvSmartRoute> routes = ComputeSmartRoutes({CSmartRange{2, At(c.start), At(c.end)}}, c.frameTime);
        ASSERT_EQ(routes.size(), 1u);
        EXPECT_NEAR(routes[0].start, c.routeStart, 1e-9) << c.start << " " << c.frameTime;
        EXPECT_NEAR(routes[0].end, c.routeEnd, 1e-9) << c.end << " " << c.frameTime;
    }
    // Several ranges keep their order.
    const std::vector<DvSmartRoute> two =
        ComputeSmartRoutes({CSmartRange{0, At(0.0), At(1.0)}, CSmartRange{2, At(2.0), At(3.0)}}, 400000);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NEAR(two[1].start, 1.99, 1e-9);
    EXPECT_TRUE(ComputeSmartRoutes({}).empty());
}

TEST(DvAviType, PresentStackWithSupportGivesTypeTwoElseTypeOne)
{
    struct Case {
        BOOL present;
        BYTE support;
        int type;
    };
    for (const Case& c : {Case{TRUE, 1, 2}, Case{TRUE, 7, 2}, Case{TRUE, 0, 1}, Case{FALSE, 1, 1}}) {
        StackSetting stack(Stack(c.present, c.support));
        EXPECT_EQ(QueryDvAviType(), c.type) << c.present << " " << int{c.support};
    }
}

TEST(DvCodecVersion, ComesFromTheStackSetting)
{
    Dv1394StackSetting setting;
    setting.codecVersionMS = 0x00060002;
    setting.codecVersionLS = 0x00000000;
    DWORD ms = 0, ls = 0;
    {
        StackSetting stack(setting);
        EXPECT_TRUE(GetDvCodecFileVersion(&ms, &ls));
        EXPECT_EQ(ms, 0x00060002u);
        EXPECT_EQ(ls, 0u);
    }
    EXPECT_TRUE(GetDvCodecFileVersion(&ms, &ls));
    EXPECT_EQ(ms, 0x00060001u);
    EXPECT_EQ(ls, 0x00050141u);
    setting.codecPresent = FALSE;
    StackSetting missing(setting);
    EXPECT_FALSE(GetDvCodecFileVersion(&ms, &ls));
    EXPECT_EQ(ms, 0u);
}

TEST(DvWriterAudio, CodesGiveTheDvRatesAndCodeOneASilentTrack)
{
    struct Case {
        FOURCC handler;
        int code;
        DWORD rate;
        WORD channels;
        int noAudio;
    };
    const Case cases[] = {
        {kDvsd, 3, 48000, 2, 0}, {kDvsd, 2, 44100, 2, 0}, {kDvsd, 1, 32000, 2, 1},
        {kDvsd, 0, 32000, 2, 0}, {kDvsd, 9, 32000, 2, 0}, {mmioFOURCC('D', 'V', 'S', 'D'), 3, 11025, 1, 0},
    };
    // Until the producer sets the compressor code, the codes change nothing.
    DVWriter plain;
    plain.SetAudioIndex(3);
    PCMWAVEFORMAT initial{};
    plain.GetAudioFormat(&initial);
    EXPECT_EQ(initial.wf.nSamplesPerSec, 11025u);
    EXPECT_EQ(plain.GetOutputType(), 3);
    for (const Case& c : cases) {
        DVWriter writer;
        writer.SetCompressorHandler(c.handler);
        writer.SetAudioIndex(c.code);
        PCMWAVEFORMAT format{};
        writer.GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nSamplesPerSec, c.rate) << c.code;
        EXPECT_EQ(format.wf.nChannels, c.channels) << c.code;
        EXPECT_EQ(writer.GetNoAudio(), c.noAudio) << c.code;
        EXPECT_EQ(writer.m_bAudioFormatLocked, 1);
        if (c.handler == kDvsd) {
            EXPECT_EQ(format.wBitsPerSample, 16);
            EXPECT_EQ(format.wf.nBlockAlign, 4);
            EXPECT_EQ(format.wf.nAvgBytesPerSec, c.rate * 4);
        }
        // The producer's format does not replace a locked one.
        writer.SetAudioFormat(PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8});
        writer.GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nSamplesPerSec, c.rate);
    }
}

// What the stand-in graph was asked to do; it outlives the graph, which the
// writer owns.
struct GraphRecord {
    int builds = 0;
    HRESULT buildResult = S_OK;
    int dvType = 0;
    bool audio = false;
    WAVEFORMATEX audioFormat{};
    std::vector<DWORD> audioLengths;
    int audioFailures = 0;
    int videoFailures = 0;
    int videos = 0;
    std::vector<bool> compressed;
    int videoEnds = 0;
    int stops = 0;
    int complete = 0;
    HRESULT eventResult = S_OK;
    HRESULT endResult = S_OK;
    bool repeatRefused = false;
};

class FakeGraph : public CDVWriterGraph {
public:
    explicit FakeGraph(std::shared_ptr<GraphRecord> record) : m_record(std::move(record)) {}

    HRESULT Build(const BITMAPINFOHEADER&, REFERENCE_TIME, const WAVEFORMATEX* audio, int dvType, LPCWSTR, int,
                  const CSmartRangeList&) override
    {
        ++m_record->builds;
        m_record->dvType = dvType;
        m_record->audio = audio != nullptr;
        if (audio != nullptr)
            m_record->audioFormat = *audio;
        return m_record->buildResult;
    }
    HRESULT ConfigureInterleaving(int, REFERENCE_TIME, REFERENCE_TIME) override { return S_OK; }
    HRESULT SetNotifyWindow(HWND, UINT, LONG_PTR) override { return S_OK; }
    HRESULT Run() override { return S_OK; }
    HRESULT Stop() override
    {
        ++m_record->stops;
        return S_OK;
    }
    HRESULT ProcessEvents(int* complete) override
    {
        *complete = m_record->complete;
        return m_record->eventResult;
    }
    HRESULT DeliverVideo(const CIplImage&) override
    {
        ++m_record->videos;
        return Video();
    }
    HRESULT DeliverAudio(const CWaveBuffer& block) override
    {
        m_record->audioLengths.push_back(block.m_nLength);
        return m_record->audioFailures-- > 0 ? E_FAIL : S_OK;
    }
    HRESULT DeliverCompressed(IMediaSample* sample) override
    {
        m_record->compressed.push_back(sample != nullptr);
        if (sample == nullptr && m_record->repeatRefused)
            return S_FALSE;
        return Video();
    }
    HRESULT EndVideo() override
    {
        ++m_record->videoEnds;
        return S_OK;
    }
    HRESULT EndAllStreams(LONG) override { return m_record->endResult; }
    bool HasAudio() const override { return true; }

private:
    HRESULT Video() { return m_record->videoFailures-- > 0 ? E_FAIL : S_OK; }
    std::shared_ptr<GraphRecord> m_record;
};

class DvWriterWithFakeGraph : public testing::Test {
protected:
    std::unique_ptr<DVWriter> MakeWriter(int width, int height, DWORD frameTime, int code, int totalFrames)
    {
        auto writer = std::make_unique<DVWriter>();
        writer->SetOutputName(m_dir.File("movie.avi").c_str());
        writer->SetFrameSize(width, height);
        writer->SetFrameTime(frameTime);
        writer->SetCompressorHandler(kDvsd);
        writer->SetAudioIndex(code);
        writer->SetTotalFrames(totalFrames);
        writer->m_makeGraph = [record = m_record] { return new FakeGraph(record); };
        return writer;
    }
    static std::unique_ptr<MediaFrame> Picture()
    {
        auto frame = std::make_unique<MediaFrame>();
        frame->m_pImage = new CIplImage(16, 16, 0x808080);
        return frame;
    }

    TempDir m_dir;
    std::shared_ptr<GraphRecord> m_record = std::make_shared<GraphRecord>();
};

TEST_F(DvWriterWithFakeGraph, FourFailedVideoPushesAreToleratedAndTheFifthFails)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 100);
    m_record->videoFailures = 5;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(writer->Write(*Picture(), 0), 0) << i;
    EXPECT_EQ(writer->Write(*Picture(), 0), kWriterFrameFailed);
    // A success starts the count again.
    EXPECT_EQ(writer->Write(*Picture(), 0), 0);
    m_record->videoFailures = 4;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(writer->Write(*Picture(), 0), 0) << i;
    EXPECT_EQ(writer->Close(0), 0);
}

TEST_F(DvWriterWithFakeGraph, AudioGetsOneRetry)
{
    auto writer = MakeWriter(720, 576, 40000, 3, 100);
    m_record->audioFailures = 1;
    EXPECT_EQ(writer->Write(*Picture(), 0), 0);
    m_record->audioFailures = 2;
    EXPECT_EQ(writer->Write(*Picture(), 0), kWriterFrameFailed);
    writer->Close(0);
}

TEST_F(DvWriterWithFakeGraph, EndVideoFiresOnceWhenExactlyTheAnnouncedFramesAreWritten)
{
    auto writer = MakeWriter(720, 576, 40000, 3, 3);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(writer->Write(*Picture(), 0), 0);
    EXPECT_EQ(m_record->videoEnds, 0);
    ASSERT_EQ(writer->Write(*Picture(), 0), 0);
    EXPECT_EQ(m_record->videoEnds, 1);
    EXPECT_EQ(writer->m_nFramesWritten, 3);
    // A frame with neither picture nor copied sample is not counted.
    MediaFrame empty;
    EXPECT_EQ(writer->Write(empty, 0), 0);
    EXPECT_EQ(writer->m_nFramesWritten, 3);
    EXPECT_EQ(m_record->videoEnds, 1);
    writer->Close(0);
}

// A finishing close keeps the file only when the graph wrote everything
// pushed: a graph that did not finish in time or stopped on an error has
// left frames out, and the production fails without a file.
TEST_F(DvWriterWithFakeGraph, AGraphThatDoesNotFinishFailsTheCloseAndLeavesNoFile)
{
    for (const HRESULT end : {S_FALSE, E_FAIL, S_OK}) {
        m_record = std::make_shared<GraphRecord>();
        m_record->endResult = end;
        auto writer = MakeWriter(720, 480, 33366, 3, 10);
        ASSERT_EQ(writer->Write(*Picture(), 0), 0);
        // What the graph's file writer would have left.
        const std::string temporary(writer->m_strTempName);
        ASSERT_FALSE(temporary.empty());
        { std::ofstream(temporary) << "partial"; }
        const std::string target = m_dir.File("movie.avi");
        if (end == S_OK) {
            EXPECT_EQ(writer->Close(1), 0);
            EXPECT_TRUE(std::filesystem::exists(target));
            std::filesystem::remove(target);
        } else {
            EXPECT_EQ(writer->Close(1), kWriterFrameFailed) << std::hex << end;
            EXPECT_FALSE(std::filesystem::exists(target));
        }
        EXPECT_FALSE(std::filesystem::exists(temporary));
        EXPECT_EQ(m_record->stops, 1);
    }
}

// Every frame without sound is pushed with this production's own frame of
// silence, which never goes into the frame (its owner deletes the frame's
// block); a second production at another rate gets blocks of its own
// length.
TEST_F(DvWriterWithFakeGraph, SilenceIsSizedPerProductionAndOwnedByTheWriter)
{
    struct Case {
        int code;
        DWORD frameTime;
        DWORD bytes;
    };
    // One frame of 16-bit stereo, rounded up to whole sample frames.
    for (const Case& c : {Case{3, 40000, 1920 * 4}, Case{1, 40000, 1280 * 4}, Case{2, 33366, 1472 * 4}}) {
        m_record = std::make_shared<GraphRecord>();
        auto writer = MakeWriter(720, c.frameTime == 40000 ? 576 : 480, c.frameTime, c.code, 10);
        auto frame = Picture();
        ASSERT_EQ(writer->Write(*frame, 0), 0);
        EXPECT_EQ(frame->m_pAudio, nullptr);
        // The producer's repeat of a copied frame carries no sound either.
        MediaFrame duplicate;
        duplicate.m_bSample = 1;
        ASSERT_EQ(writer->Write(duplicate, 1), 0);
        EXPECT_TRUE(m_record->audio);
        ASSERT_EQ(m_record->audioLengths.size(), 2u) << c.code;
        EXPECT_EQ(m_record->audioLengths[0], c.bytes) << c.code;
        EXPECT_EQ(m_record->audioLengths[1], c.bytes) << c.code;
        EXPECT_EQ(m_record->compressed, std::vector<bool>{false});
        writer->Close(0);
    }
}

// A repeat the push source acknowledges without delivering (the last
// copied frame is too old) leaves a hole in the file: the duplicate's own
// picture is encoded instead, and a duplicate without one is a failed frame.
TEST_F(DvWriterWithFakeGraph, ARefusedRepeatEncodesTheDuplicatesPicture)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 10);
    m_record->repeatRefused = true;
    MediaFrame duplicate;
    duplicate.m_bSample = 1;
    CIplImage picture(16, 16, 0x808080);
    duplicate.m_pImage = &picture;
    ASSERT_EQ(writer->Write(duplicate, 1), 0);
    EXPECT_EQ(m_record->videos, 1);
    EXPECT_EQ(writer->m_nFramesWritten, 1);
    duplicate.m_pImage = nullptr;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(writer->Write(duplicate, 1), 0) << i;
    EXPECT_EQ(writer->Write(duplicate, 1), kWriterFrameFailed);
    EXPECT_EQ(m_record->videos, 1);
    writer->Close(0);
}

TEST_F(DvWriterWithFakeGraph, ACopiedFrameOfAnotherSystemIsNeverCopied)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 10);
    struct Case {
        LONG size;
        BYTE dsf;
        bool copied;
    };
    for (const Case& c : {Case{120000, 0x00, true}, Case{144000, 0x80, false}, Case{120000, 0x80, false},
                          Case{1000, 0x00, false}}) {
        auto* sample = new plugin_test::FakeSample(c.size);
        sample->SetActualDataLength(c.size);
        sample->m_buffer[3] = c.dsf;
        MediaFrame frame;
        frame.m_bSample = 1;
        frame.m_pSample = sample;
        EXPECT_EQ(writer->Write(frame, 0), 0);
        EXPECT_EQ(frame.m_pSample, nullptr);
        // A foreign frame becomes a repeat of the last copied one.
        ASSERT_FALSE(m_record->compressed.empty());
        EXPECT_EQ(m_record->compressed.back(), c.copied) << c.size;
        // The writer released its reference; the test holds the last one.
        EXPECT_EQ(sample->m_refs.load(), 0);
        delete sample;
    }
    writer->Close(0);
}

TEST_F(DvWriterWithFakeGraph, AFailedBuildLeavesNoGraphAndIsTriedAgain)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 10);
    m_record->buildResult = E_FAIL;
    EXPECT_EQ(writer->Write(*Picture(), 0), kWriterNoName);
    EXPECT_FALSE(writer->m_pGraph);
    m_record->buildResult = S_OK;
    EXPECT_EQ(writer->Write(*Picture(), 0), 0);
    EXPECT_EQ(m_record->builds, 2);
    // The name cannot change under a built graph.
    EXPECT_EQ(writer->SetOutputName(m_dir.File("other.avi").c_str()), kWriterOpenFailed);
    writer->Close(0);
}

// A production file that cannot be made (its folder takes no new file) is
// the output that cannot be opened, as for every writer; no graph is built.
TEST_F(DvWriterWithFakeGraph, AFileThatCannotBeMadeIsAnOutputThatCannotBeOpened)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 10);
    ASSERT_EQ(writer->SetOutputName(m_dir.File("missing-folder/movie.avi").c_str()), 0);
    EXPECT_EQ(writer->Write(*Picture(), 0), kWriterOpenFailed);
    EXPECT_FALSE(writer->m_pGraph);
    EXPECT_EQ(m_record->builds, 0);
    writer->Close(0);
}

TEST_F(DvWriterWithFakeGraph, GraphEventsStopTheGraphOnCompletionAndReportErrors)
{
    auto writer = MakeWriter(720, 480, 33366, 3, 10);
    EXPECT_EQ(writer->HandleNotify(0), 0);
    ASSERT_EQ(writer->Write(*Picture(), 0), 0);
    EXPECT_EQ(writer->HandleNotify(0), 0);
    m_record->eventResult = E_FAIL;
    EXPECT_EQ(writer->HandleNotify(0), 1);
    m_record->eventResult = S_OK;
    m_record->complete = 1;
    const int stops = m_record->stops;
    EXPECT_EQ(writer->HandleNotify(0), 1);
    EXPECT_EQ(m_record->stops, stops + 1);
    writer->Close(0);
}

TEST(DvWriterFromTheProducer, IsConfiguredFromTheSettings)
{
    struct Case {
        int height;
        int frameTime;
        int code;
        DWORD rate;
    };
    auto storyboard = ProduceStoryboard("C2");
    for (const Case& c : {Case{576, 40000, 3, 48000}, Case{480, 33366, 1, 32000}}) {
        CProductionSettings settings;
        ProductionParams& params = settings.GetParams();
        std::strncpy(params.m_szOutputPath, "/tmp/kestrelon-dv-settings.avi", sizeof params.m_szOutputPath - 1);
        params.m_nOutputType = 3;
        params.m_nWidth = 720;
        params.m_nHeight = c.height;
        params.m_nFrameMicroseconds = c.frameTime;
        params.m_wBitsPerPixel = 24;
        params.m_Compress.fccHandler = kDvsd;
        params.m_nDvAudioIndex = c.code;
        CProducer producer(storyboard.get(), &settings, nullptr);
        auto* writer = dynamic_cast<DVWriter*>(producer.GetWriter());
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(writer->GetOutputType(), 3);
        EXPECT_EQ(writer->m_bih.biWidth, 720);
        EXPECT_EQ(writer->m_bih.biHeight, c.height);
        EXPECT_EQ(writer->m_bih.biSizeImage, static_cast<DWORD>(720 * 3 * c.height));
        EXPECT_EQ(writer->m_videoInfo.dwScale, static_cast<DWORD>(c.frameTime));
        EXPECT_EQ(writer->m_videoOptions.fccHandler, kDvsd);
        EXPECT_EQ(writer->m_hNotifyWnd, producer.GetNotifyWindow()->GetSafeHwnd());
        PCMWAVEFORMAT format{};
        writer->GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nSamplesPerSec, c.rate);
        EXPECT_EQ(writer->GetNoAudio(), c.code == 1 ? 1 : 0);
        CString name;
        EXPECT_EQ(writer->GetOutputName(name), 0);
        EXPECT_EQ(std::string(name), "/tmp/kestrelon-dv-settings.avi");
    }
}

// ---- the real graph

class DvWriterGraph : public plugin_test::WithModules {
protected:
    DvWriterGraph()
        : WithModules({KESTRELON_PRODUCE_PLUGIN_MODULES "/Corvane.so", KESTRELON_PRODUCE_PLUGIN_MODULES "/Switcher.so",
                       KESTRELON_PRODUCE_PLUGIN_MODULES "/Tessaly.so"})
    {
    }

    static BITMAPINFOHEADER Header(LONG height)
    {
        return BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 720, height, 1, 24, BI_RGB,
                                static_cast<DWORD>(720 * 3 * height), 0, 0, 0, 0};
    }
    // A PAL writer with 48 kHz sound of `total` announced frames.
    static void SetUpPalWriter(DVWriter& writer, const std::string& target, int total)
    {
        writer.SetOutputName(target.c_str());
        writer.SetFrameSize(720, 576);
        writer.SetFrameTime(40000);
        writer.SetCompressorHandler(kDvsd);
        writer.SetAudioIndex(3);
        writer.SetTotalFrames(total);
    }
    static bool Has(CDVWriterGraph& graph, const char16_t* name)
    {
        com::ComPtr<IBaseFilter> filter;
        return SUCCEEDED(graph.m_pGraphBuilder->FindFilterByName(name, filter.Receive()));
    }

    TempDir m_dir;
};

TEST_F(DvWriterGraph, HeightAndTypeChooseTheSystemAndTheFilters)
{
    struct Case {
        LONG height;
        int type;
        bool ranges;
        int videoFormat;
    };
    const Case cases[] = {
        {576, 2, false, DVENCODERVIDEOFORMAT_PAL}, {480, 2, true, DVENCODERVIDEOFORMAT_NTSC},
        {576, 1, true, DVENCODERVIDEOFORMAT_PAL},  {480, 1, false, DVENCODERVIDEOFORMAT_NTSC},
        {240, 2, false, DVENCODERVIDEOFORMAT_NTSC},
    };
    const WAVEFORMATEX audio{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " type " + std::to_string(c.type));
        CSmartRangeList ranges;
        if (c.ranges)
            ranges.push_back(CSmartRange{0, At(0.0), At(1.0)});
        CDVWriterGraph graph;
        const std::string path = m_dir.File("graph.avi");
        const std::u16string wide(path.begin(), path.end());
        ASSERT_EQ(graph.Build(Header(c.height), c.height == 576 ? 400000 : 333660, &audio, c.type,
                              reinterpret_cast<LPCWSTR>(wide.c_str()), 30, ranges),
                  S_OK);
        com::ComPtr<IBaseFilter> encoder;
        ASSERT_EQ(graph.m_pGraphBuilder->FindFilterByName(u"DV Video Encoder", encoder.Receive()), S_OK);
        com::ComPtr<IDVEnc> settings;
        ASSERT_EQ(settings.QueryFrom(encoder.Get(), IID_IDVEnc), S_OK);
        int videoFormat = 0, dvFormat = 0, resolution = 0;
        ASSERT_EQ(settings->get_IFormatResolution(&videoFormat, &dvFormat, &resolution, FALSE, nullptr), S_OK);
        EXPECT_EQ(videoFormat, c.videoFormat);
        EXPECT_EQ(dvFormat, DVENCODERFORMAT_DVSD);
        EXPECT_EQ(Has(graph, u"DV Mux"), c.type == 1);
        EXPECT_EQ(Has(graph, u"DV-Patch Filter"), c.type == 2);
        // No ranges: no path for copied frames.
        EXPECT_EQ(Has(graph, u"Kestrelon Video Switcher"), c.ranges);
        EXPECT_EQ(Has(graph, u"VideoCompressedSource"), c.ranges);
        EXPECT_EQ(static_cast<bool>(graph.m_pCompressedSource), c.ranges);
        EXPECT_TRUE(Has(graph, u"AudioSource"));
        EXPECT_TRUE(graph.HasAudio());
    }
}

// Written frames reach the file when a production ends before its
// announced last frame; an abandoned one leaves nothing behind.
TEST_F(DvWriterGraph, FinishedAndAbandonedFiles)
{
    for (int finish : {1, 0}) {
        SCOPED_TRACE(finish);
        TempDir folder;
        const std::string target = folder.File("movie.avi");
        {
            DVWriter writer;
            SetUpPalWriter(writer, target, 20);
            for (int n = 0; n < 6; ++n) {
                MediaFrame frame;
                frame.m_pImage = new CIplImage(720, 576, 0x202020u * static_cast<unsigned>(n + 1));
                ASSERT_EQ(writer.Write(frame, 0), 0) << n;
            }
            EXPECT_EQ(writer.Close(finish), 0);
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.File("")))
            names.push_back(entry.path().filename().string());
        if (!finish) {
            EXPECT_TRUE(names.empty());
            continue;
        }
        EXPECT_EQ(names, std::vector<std::string>{"movie.avi"});
        media_fixtures::ReadBackFile file;
        ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
        EXPECT_EQ(file.videoCodec, "dvvideo");
        EXPECT_EQ(file.videoPackets.size(), 6u);
        EXPECT_EQ(file.audioRate, 48000);
        EXPECT_NEAR(static_cast<double>(file.audio16.size() / 2), 6 * 1920.0, 1920.0 * 0.05);
    }
}

// Copied frames of a smart range go into the file unchanged; a frame of
// the other DV system in the range is never copied: the frame before it
// is repeated in its place.
TEST_F(DvWriterGraph, CopiedFramesKeepTheirBytesAndForeignOnesAreNotCopied)
{
    const std::string clip = m_dir.File("clip.avi");
    ASSERT_TRUE(playback_test::WriteTexturedDvAvi(clip, 10, true, 3));
    media_fixtures::ReadBackFile source;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(clip, source));
    ASSERT_EQ(source.videoPackets.size(), 10u);
    const std::string target = m_dir.File("copied.avi");
    {
        DVWriter writer;
        SetUpPalWriter(writer, target, 10);
        writer.m_smartRanges.push_back(CSmartRange{0, At(0.0), At(0.4)});
        for (size_t n = 0; n < 10; ++n) {
            // Frame 5 comes from an NTSC source.
            const std::vector<unsigned char>& bytes = source.videoPackets[n];
            const LONG size = n == 5 ? 120000 : static_cast<LONG>(bytes.size());
            auto* sample = new plugin_test::FakeSample(size);
            std::memcpy(sample->m_buffer.data(), bytes.data(), static_cast<size_t>(size));
            sample->SetActualDataLength(size);
            MediaFrame frame;
            frame.m_bSample = 1;
            frame.m_pSample = sample;
            ASSERT_EQ(writer.Write(frame, 0), 0) << n;
            delete sample;
        }
        ASSERT_EQ(writer.Close(1), 0);
    }
    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    std::vector<int> copied;
    for (const auto& packet : file.videoPackets) {
        EXPECT_EQ(packet.size(), 144000u);
        int from = -1;
        for (size_t n = 0; n < source.videoPackets.size(); ++n)
            if (source.videoPackets[n] == packet)
                from = static_cast<int>(n);
        copied.push_back(from);
    }
    // The last copied frame stands in for the foreign one.
    EXPECT_EQ(copied, (std::vector<int>{0, 1, 2, 3, 4, 4, 6, 7, 8, 9}));
}

TEST_F(DvWriterGraph, SoundTheDvMultiplexerCannotPackIsRefusedBeforeAFileExists)
{
    const std::string path = m_dir.File("refused.avi");
    const std::u16string wide(path.begin(), path.end());
    for (const WAVEFORMATEX& audio : {WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0},
                                      WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0}}) {
        CDVWriterGraph graph;
        EXPECT_EQ(graph.Build(Header(576), 400000, &audio, 1, reinterpret_cast<LPCWSTR>(wide.c_str()), 10, {}),
                  VFW_E_TYPE_NOT_ACCEPTED);
        EXPECT_FALSE(graph.m_pGraphBuilder);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    // Without a graph every operation says so.
    CDVWriterGraph empty;
    int complete = 0;
    EXPECT_EQ(empty.Run(), E_POINTER);
    EXPECT_EQ(empty.ProcessEvents(&complete), E_POINTER);
    EXPECT_EQ(empty.DeliverCompressed(nullptr), E_POINTER);
    EXPECT_EQ(empty.EndVideo(), E_POINTER);
}

} // namespace
