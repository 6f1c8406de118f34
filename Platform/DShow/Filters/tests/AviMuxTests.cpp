// The AVI multiplexer and the file writer in graphs fed by sample sources:
// the files they write, read back by libavformat.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

#include "Platform/Av/tests/AviReadBack.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/tests/WritingTestSupport.h"
#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/Time.h"
#include "tests/support/Instrumented.h"
#include "tests/support/TempDir.h"

namespace {

using namespace avi_test;
using namespace writing_test;

constexpr REFERENCE_TIME kPalFrame = UNITS / 25;
constexpr REFERENCE_TIME kNtscFrame = 333667;

CMediaType InterleavedDvType(bool pal)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Interleaved);
    type.SetSubtype(&MEDIASUBTYPE_dvsd);
    type.SetFormatType(&FORMAT_DvInfo);
    type.SetSampleSize(pal ? 144000 : 120000);
    auto* info = reinterpret_cast<DVINFO*>(type.AllocFormatBuffer(sizeof(DVINFO)));
    *info = DVINFO{};
    return type;
}

SampleSourceOptions DvFrames(const CMediaType& type, bool pal, int frames)
{
    SampleSourceOptions options;
    options.type = type;
    options.samples = frames;
    options.duration = pal ? kPalFrame : kNtscFrame;
    const std::vector<uint8_t> frame = EncodeDvFrame(pal);
    options.bufferSize = static_cast<LONG>(frame.size());
    options.make = [frame](int) { return std::vector<BYTE>(frame.begin(), frame.end()); };
    return options;
}

SampleSourceOptions PcmFrames(int frames, REFERENCE_TIME frameTime)
{
    SampleSourceOptions options;
    options.type = PcmType(static_cast<DWORD>(kAudioRate));
    options.samples = frames;
    options.duration = frameTime;
    const size_t bytes = static_cast<size_t>(kAudioRate * frameTime / UNITS) * 4;
    options.bufferSize = static_cast<LONG>(bytes);
    options.make = [bytes](int index) { return std::vector<BYTE>(bytes, static_cast<BYTE>(index)); };
    return options;
}

void Feed(WriterGraph& graph, const SampleSourceOptions& options)
{
    com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(options), nullptr);
    EXPECT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), graph.mux.Get()), S_OK);
}

TEST(AviMux, TypeTwoDvWithPcmIsReadBackAsDvVideoAndAudio)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("type2.avi");
    WriterGraph graph(path);
    com::ComPtr<IConfigAviMux> config;
    ASSERT_EQ(config.QueryFrom(graph.mux.Get(), IID_IConfigAviMux), S_OK);
    EXPECT_EQ(config->SetOutputCompatibilityIndex(TRUE), S_OK);
    com::ComPtr<IConfigInterleaving> interleaving;
    ASSERT_EQ(interleaving.QueryFrom(graph.mux.Get(), IID_IConfigInterleaving), S_OK);
    EXPECT_EQ(interleaving->put_Mode(INTERLEAVE_FULL), S_OK);
    const REFERENCE_TIME interleave = UNITS, preroll = 2 * kPalFrame;
    EXPECT_EQ(interleaving->put_Interleaving(&interleave, &preroll), S_OK);
    Feed(graph, DvFrames(DvVideoType(true), true, 12));
    Feed(graph, PcmFrames(12, kPalFrame));
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].tag, MEDIASUBTYPE_dvsd.Data1);
    EXPECT_EQ(streams[0].packets, 12);
    EXPECT_EQ(streams[1].type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(streams[1].bytes, 12 * 1920 * 4);
    const Headers headers = ReadHeaders(path);
    EXPECT_EQ(headers.initialFrames, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(headers.lengths, (std::vector<uint32_t>{12, 12 * 1920}));
    EXPECT_NE(testing_support::ReadFile(path).find("idx1"), std::string::npos);
}

TEST(AviMux, TypeOneDvIsOneInterleavedStream)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("type1.avi");
    WriterGraph graph(path);
    // As the DV writer sets it for type 1: the OpenDML index alone.
    com::ComPtr<IConfigAviMux> config;
    ASSERT_EQ(config.QueryFrom(graph.mux.Get(), IID_IConfigAviMux), S_OK);
    ASSERT_EQ(config->SetOutputCompatibilityIndex(FALSE), S_OK);
    Feed(graph, DvFrames(InterleavedDvType(false), false, 9));
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const std::string bytes = testing_support::ReadFile(path);
    EXPECT_NE(bytes.find("iavsdvsd"), std::string::npos);
    EXPECT_EQ(bytes.find("idx1"), std::string::npos);
    EXPECT_NE(bytes.find("ix00"), std::string::npos);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_GE(streams.size(), 1u);
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].packets, 9);
    EXPECT_EQ(ReadHeaders(path).lengths, (std::vector<uint32_t>{9}));
}

off_t TempFileSize(const std::string& folder)
{
    off_t size = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".tmp")
            size = static_cast<off_t>(entry.file_size());
    }
    return size;
}

TEST(AviMux, StopKeepsWhatWasWrittenAndAMissingFileNameFailsThePause)
{
    testing_support::TempDir folder;
    {
        // No file name: the graph cannot start.
        com::ComPtr<IGraphBuilder> graph = MakeGraph();
        com::ComPtr<IBaseFilter> mux = MakeFilter(CLSID_AviDest);
        com::ComPtr<IBaseFilter> writer = MakeFilter(CLSID_FileWriter);
        graph->AddFilter(mux.Get(), u"AviMux");
        graph->AddFilter(writer.Get(), u"FileWriter");
        ASSERT_EQ(ConnectFilters(graph.Get(), mux.Get(), writer.Get()), S_OK);
        com::ComPtr<IBaseFilter> source = MakeSource(PcmFrames(3, kPalFrame));
        graph->AddFilter(source.Get(), nullptr);
        ASSERT_EQ(ConnectFilters(graph.Get(), source.Get(), mux.Get()), S_OK);
        com::ComPtr<IMediaControl> control;
        control.QueryFrom(graph.Get(), IID_IMediaControl);
        EXPECT_TRUE(FAILED(control->Pause()));
        control->Stop();
    }
    // Only one of two inputs ends: no EC_COMPLETE, and Stop completes the
    // file with what came.
    const std::string path = folder.File("stopped.avi");
    WriterGraph graph(path);
    // The sound source waits for the five frames to be made before it goes
    // past its first hundred blocks, so on a loaded machine the file cannot
    // reach its size while the pictures are still on their way.
    auto framesMade = std::make_shared<std::atomic<int>>(0);
    SampleSourceOptions frames = DvFrames(DvVideoType(true), true, 5);
    frames.make = [framesMade, make = frames.make](int index) {
        std::vector<BYTE> bytes = make(index);
        ++*framesMade;
        return bytes;
    };
    Feed(graph, frames);
    SampleSourceOptions endless = PcmFrames(1000000, kPalFrame);
    endless.make = [framesMade, make = endless.make](int index) {
        for (int wait = 0; index >= 100 && *framesMade < 5 && wait < 2000; ++wait)
            Sleep(5);
        return make(index);
    };
    Feed(graph, endless);
    com::ComPtr<IMediaControl> control;
    control.QueryFrom(graph.graph.Get(), IID_IMediaControl);
    com::ComPtr<IMediaFilter> filter;
    filter.QueryFrom(graph.graph.Get(), IID_IMediaFilter);
    filter->SetSyncSource(nullptr);
    ASSERT_EQ(control->Run(), S_OK);
    // Until the file being written holds a few megabytes.
    for (int poll = 0; poll < 1000 && TempFileSize(folder.Path()) < (4 << 20); ++poll)
        Sleep(10);
    ASSERT_EQ(control->Stop(), S_OK);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].packets, 5);
    EXPECT_GT(streams[1].bytes, 0);
}

// An OpenDML file past 1 GiB written through the graph; its folder goes
// when the test ends.
TEST(AviMux, FilePastOneGibibyteReadsBackEveryFrame)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("big.avi");
    constexpr int kFrames = 7600; // 7600 x 151680 bytes: about 1.07 GiB
    WriterGraph graph(path);
    Feed(graph, DvFrames(DvVideoType(true), true, kFrames));
    Feed(graph, PcmFrames(kFrames, kPalFrame));
    ASSERT_EQ(RunToEnd(graph.graph.Get(), 120000 * testing_support::kInstrumentedSlowdown), EC_COMPLETE);

    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_GT(info.st_size, 1ll << 30);
    EXPECT_EQ(ReadHeaders(path).riffs, 2);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].packets, kFrames);
    EXPECT_EQ(streams[1].bytes, static_cast<int64_t>(kFrames) * 1920 * 4);
}

} // namespace

namespace {

// Samples given to the file writer alone land at the byte offsets their
// start times give.
TEST(FileWriter, WritesEachSampleAtTheOffsetOfItsStartTime)
{
    testing_support::TempDir folder;
    const std::string path = folder.Write("stream.bin", "old");
    com::ComPtr<IGraphBuilder> graph = MakeGraph();
    com::ComPtr<IBaseFilter> writer = MakeFilter(CLSID_FileWriter);
    SampleSourceOptions options;
    options.type = CMediaType(&MEDIATYPE_Stream);
    options.samples = 3;
    options.duration = 4; // bytes: the start time is the offset
    options.bufferSize = 4;
    options.make = [](int index) { return std::vector<BYTE>(4, static_cast<BYTE>('A' + index)); };
    com::ComPtr<IBaseFilter> source = MakeSource(options);
    ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(writer.Get(), u"File Writer"), S_OK);
    com::ComPtr<IFileSinkFilter> sink;
    ASSERT_EQ(sink.QueryFrom(writer.Get(), IID_IFileSinkFilter), S_OK);
    LPOLESTR name = nullptr;
    EXPECT_EQ(sink->GetCurFile(&name, nullptr), E_FAIL);
    ASSERT_EQ(sink->SetFileName(win::Utf8ToUtf16(path).c_str(), nullptr), S_OK);
    ASSERT_EQ(sink->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(win::Utf16ToUtf8(name), path);
    CoTaskMemFree(name);
    ASSERT_EQ(ConnectFilters(graph.Get(), source.Get(), writer.Get()), S_OK);
    ASSERT_EQ(RunToEnd(graph.Get()), EC_COMPLETE);
    EXPECT_EQ(testing_support::ReadFile(path), "AAAABBBBCCCC");
}

} // namespace
