// The system filters one by one: the file source's sniffing and reads, the
// file-source registrations (AVI-WAV, ASF), the DV decoder's resolutions,
// the colour space converter, the Smart Tee and the audio renderer; then
// bad files and a seeded fuzz of the source and splitters.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/DShow/Filters/tests/PlaybackSupport.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Base/SanitizerDefaults.h"
#include "tests/support/TempDir.h"

#if defined(KESTRELON_ADDRESS_SANITIZER)
#include <sanitizer/lsan_interface.h>
#endif

namespace playback_test {
namespace {

constexpr unsigned Fourcc(char a, char b, char c, char d)
{
    return static_cast<unsigned>(a) | static_cast<unsigned>(b) << 8 | static_cast<unsigned>(c) << 16 |
           static_cast<unsigned>(d) << 24;
}

com::ComPtr<IBaseFilter> Create(REFCLSID clsid)
{
    com::ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    return filter;
}

std::vector<com::ComPtr<IPin>> Pins(IBaseFilter* filter, PIN_DIRECTION direction)
{
    std::vector<com::ComPtr<IPin>> pins;
    com::ComPtr<IEnumPins> all;
    filter->EnumPins(all.Receive());
    IPin* pin = nullptr;
    while (all->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION which;
        pin->QueryDirection(&which);
        if (which == direction)
            pins.emplace_back(pin);
        pin->Release();
    }
    return pins;
}

std::u16string NameOfPeer(IPin* pin)
{
    com::ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(peer.Receive())))
        return u"";
    PIN_INFO info{};
    peer->QueryPinInfo(&info);
    FILTER_INFO filter{};
    info.pFilter->QueryFilterInfo(&filter);
    if (filter.pGraph)
        filter.pGraph->Release();
    info.pFilter->Release();
    return filter.achName;
}

class SystemFilterFiles : public testing::Test {
protected:
    static void SetUpTestSuite() { media_fixtures::QuietMediaLogs(); }
    std::string Write(const char* name, const Clip& clip)
    {
        std::string path = m_dir.File(name);
        EXPECT_TRUE(WriteClip(path, clip)) << name;
        return path;
    }
    std::string DvFile(int type = 2)
    {
        std::string path = m_dir.File("dv.avi");
        EXPECT_TRUE(WriteDvAvi(path, type, 10));
        return path;
    }
    testing_support::TempDir m_dir;
};

TEST_F(SystemFilterFiles, FileSourceSniffsTheSubtypeFromTheFirstBytes)
{
    struct Case {
        const char* file;
        Clip clip;
        GUID subtype;
    };
    Clip avi;
    avi.video = "mjpeg";
    avi.pixels = "yuvj420p";
    avi.frames = 2;
    avi.width = 64;
    avi.height = 48;
    Clip mpeg1 = avi;
    mpeg1.container = "mpeg";
    mpeg1.video = "mpeg1video";
    mpeg1.pixels = "yuv420p";
    Clip mpeg2 = mpeg1;
    mpeg2.container = "vob";
    mpeg2.video = "mpeg2video";
    Clip m1v = mpeg1;
    m1v.container = "mpeg1video";
    Clip m2v = mpeg2;
    m2v.container = "mpeg2video";
    Clip mov = avi;
    mov.container = "mov";
    Clip mp2;
    mp2.container = "mp2";
    mp2.audio = "mp2";
    mp2.frames = 2;
    Clip asf;
    asf.container = "asf";
    asf.audio = "wmav2";
    asf.frames = 2;
    const Case cases[] = {
        {"a.avi", avi, MEDIASUBTYPE_Avi},           {"a.mpg", mpeg1, MEDIASUBTYPE_MPEG1System},
        {"a.vob", mpeg2, MEDIASUBTYPE_MPEG2_PROGRAM}, {"a.m1v", m1v, MEDIASUBTYPE_MPEG1Video},
        {"a.m2v", m2v, MEDIASUBTYPE_MPEG2_VIDEO},     {"a.mov", mov, MEDIASUBTYPE_QTMovie},
        {"a.mp2", mp2, MEDIASUBTYPE_MPEG1Audio},
    };
    // A Windows Media file goes to the ASF reader, which reads it itself.
    {
        std::string path = Write("a.asf", asf);
        auto graph = com::ComPtr<IGraphBuilder>();
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
        com::ComPtr<IBaseFilter> source;
        std::u16string file = com::Utf8ToWide(path);
        ASSERT_EQ(graph->AddSourceFilter(file.c_str(), u"Source", source.Receive()), S_OK);
        CLSID clsid{};
        ASSERT_EQ(source->GetClassID(&clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_ASFReader);
    }
    for (const Case& c : cases) {
        std::string path = Write(c.file, c.clip);
        auto graph = com::ComPtr<IGraphBuilder>();
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
        com::ComPtr<IBaseFilter> source;
        std::u16string file = com::Utf8ToWide(path);
        ASSERT_EQ(graph->AddSourceFilter(file.c_str(), u"Async Source", source.Receive()), S_OK) << c.file;
        auto outputs = Pins(source.Get(), PINDIR_OUTPUT);
        ASSERT_EQ(outputs.size(), 1u);
        com::ComPtr<IEnumMediaTypes> types;
        outputs[0]->EnumMediaTypes(types.Receive());
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
        EXPECT_EQ(type->majortype, MEDIATYPE_Stream);
        EXPECT_EQ(type->subtype, c.subtype) << c.file;
        DeleteMediaType(type);
    }
    std::string dv = m_dir.File("raw.dv");
    Clip raw;
    raw.container = "dv";
    raw.video = "dvvideo";
    raw.pixels = "yuv411p";
    raw.width = 720;
    raw.height = 480;
    raw.rateNum = 30000;
    raw.rateDen = 1001;
    raw.frames = 1;
    ASSERT_TRUE(WriteClip(dv, raw));
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(dv);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0x1F) << "a DIF header block, which the source names DVSD";
}

TEST_F(SystemFilterFiles, AsyncReaderReadsAlignedAndUnalignedAndStopsAtTheEnd)
{
    std::string path = m_dir.Write("bytes.bin", "0123456789abcdefghij");
    auto source = Create(CLSID_AsyncReader);
    com::ComPtr<IFileSourceFilter> loader;
    ASSERT_EQ(source->QueryInterface(IID_IFileSourceFilter, loader.ReceiveVoid()), S_OK);
    std::u16string missing = com::Utf8ToWide(m_dir.File("missing.bin"));
    EXPECT_EQ(loader->Load(missing.c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    std::u16string file = com::Utf8ToWide(path);
    ASSERT_EQ(loader->Load(file.c_str(), nullptr), S_OK);
    LPOLESTR name = nullptr;
    ASSERT_EQ(loader->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(std::u16string(name), file);
    CoTaskMemFree(name);
    com::ComPtr<IAsyncReader> reader;
    ASSERT_EQ(Pins(source.Get(), PINDIR_OUTPUT)[0]->QueryInterface(IID_IAsyncReader, reader.ReceiveVoid()), S_OK);
    LONGLONG total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 20);
    BYTE bytes[8] = {};
    EXPECT_EQ(reader->SyncRead(3, 5, bytes), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 5), "34567");
    EXPECT_EQ(reader->SyncRead(17, 8, bytes), S_FALSE) << "short at the end";

    ALLOCATOR_PROPERTIES wanted{2, 8, 1, 0};
    com::ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(reader->RequestAllocator(nullptr, &wanted, allocator.Receive()), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* first = nullptr;
    IMediaSample* second = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), S_OK);
    REFERENCE_TIME start = 8 * UNITS, stop = 16 * UNITS;
    first->SetTime(&start, &stop);
    start = 16 * UNITS;
    stop = 24 * UNITS;
    second->SetTime(&start, &stop);
    ASSERT_EQ(reader->Request(first, 1), S_OK);
    ASSERT_EQ(reader->Request(second, 2), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    ASSERT_EQ(reader->WaitForNext(1000, &done, &user), S_OK);
    EXPECT_EQ(user, 1u);
    BYTE* data = nullptr;
    done->GetPointer(&data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 8), "89abcdef");
    ASSERT_EQ(reader->WaitForNext(1000, &done, &user), S_FALSE) << "the last request ends past the file";
    EXPECT_EQ(done->GetActualDataLength(), 4);
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    reader->BeginFlush();
    EXPECT_EQ(reader->WaitForNext(1000, &done, &user), VFW_E_WRONG_STATE);
    reader->EndFlush();
    first->Release();
    second->Release();
    allocator->Decommit();
}

TEST_F(SystemFilterFiles, FileSourcesByClassRenderTheirStreams)
{
    struct Case {
        const char* name;
        const CLSID* clsid;
        std::function<std::string()> write;
        size_t frames;
        long long samples;
    };
    Clip asf;
    asf.container = "asf";
    asf.video = "wmv2";
    asf.audio = "wmav2";
    asf.sampleRate = 44100;
    const Case cases[] = {
        {"AVI-WAV File Source", &CLSID_AVIDoc, [&] { return DvFile(); }, 10, 16016},
        {"ASF File Source", &CLSID_ASFReader, [&] { return Write("clip.asf", asf); }, 10, 17640},
    };
    for (const Case& c : cases) {
        std::string path = c.write();
        Playback playback;
        if (std::string(c.name) == "ASF File Source") {
            HRESULT hr = playback.Render(path);
            EXPECT_EQ(hr, S_OK) << "RenderFile takes a Windows Media file to the ASF reader";
        }
        auto source = Create(*c.clsid);
        com::ComPtr<IFileSourceFilter> loader;
        ASSERT_EQ(source->QueryInterface(IID_IFileSourceFilter, loader.ReceiveVoid()), S_OK);
        std::u16string file = com::Utf8ToWide(path);
        ASSERT_EQ(loader->Load(file.c_str(), nullptr), S_OK) << c.name;
        std::u16string name = com::Utf8ToWide(c.name);
        ASSERT_EQ(playback.Graph()->AddFilter(source.Get(), name.c_str()), S_OK);
        for (auto& pin : Pins(source.Get(), PINDIR_OUTPUT))
            EXPECT_EQ(playback.Graph()->Render(pin.Get()), S_OK) << c.name;
        ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE) << c.name;
        EXPECT_EQ(playback.Video().Records().size(), c.frames) << c.name;
        EXPECT_NEAR(static_cast<double>(playback.Audio().AudioSamples()), static_cast<double>(c.samples), 4096)
            << c.name;
    }
}

TEST_F(SystemFilterFiles, DvDecoderScalesToItsDisplayResolution)
{
    std::string path = DvFile();
    struct Case {
        int resolution;
        int width;
        int height;
    };
    const Case cases[] = {{DVRESOLUTION_FULL, 720, 480},
                          {DVRESOLUTION_HALF, 360, 240},
                          {DVRESOLUTION_QUARTER, 180, 120},
                          {DVRESOLUTION_DC, 88, 60}};
    for (const Case& c : cases) {
        Playback playback;
        auto decoder = Create(CLSID_DVVideoCodec);
        com::ComPtr<IIPDVDec> display;
        ASSERT_EQ(decoder->QueryInterface(IID_IIPDVDec, display.ReceiveVoid()), S_OK);
        ASSERT_EQ(display->put_IPDisplay(c.resolution), S_OK);
        int got = 0;
        display->get_IPDisplay(&got);
        EXPECT_EQ(got, c.resolution);
        EXPECT_EQ(display->put_IPDisplay(999), E_INVALIDARG);
        playback.Graph()->AddFilter(decoder.Get(), u"DV Decoder");
        ASSERT_EQ(playback.Render(path), S_OK);
        ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
        const CMediaType connected = playback.Video().ConnectedType();
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(connected.Format());
        EXPECT_EQ(info->bmiHeader.biWidth, c.width);
        EXPECT_EQ(info->bmiHeader.biHeight, c.height);
        std::vector<Record> frames = playback.Video().Records();
        ASSERT_EQ(frames.size(), 10u);
        EXPECT_EQ(frames[0].size, static_cast<long>(info->bmiHeader.biSizeImage));
        EXPECT_NEAR(frames[3].first[0], RgbOfLevel(LevelOf(3)), 4);
    }
}

TEST_F(SystemFilterFiles, ColourSpaceConverterJoinsDecoderAndRenderer)
{
    std::string path = DvFile();
    com::ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
    auto* sink = new RecordingSink(MEDIATYPE_Video, MEDIASUBTYPE_RGB565);
    auto held = Hold(sink);
    graph->AddFilter(held.Get(), u"Sink");
    auto converter = Create(CLSID_Colour);
    graph->AddFilter(converter.Get(), u"ColourSpace Convertor");
    com::ComPtr<IMediaFilter> filter;
    graph->QueryInterface(IID_IMediaFilter, filter.ReceiveVoid());
    filter->SetSyncSource(nullptr);
    std::u16string file = com::Utf8ToWide(path);
    HRESULT hr = graph->RenderFile(file.c_str(), nullptr);
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    EXPECT_EQ(NameOfPeer(sink->InputPin()), u"ColourSpace Convertor") << "the converter already in the graph";
    com::ComPtr<IMediaControl> control;
    graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    com::ComPtr<IMediaEvent> events;
    graph->QueryInterface(IID_IMediaEvent, events.ReceiveVoid());
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(static_cast<LONG>(kLongWait), &code), S_OK);
    control->Stop();
    std::vector<Record> frames = sink->Records();
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames[0].size, 720 * 2 * 480);
    int blue = (frames[5].first[0] & 0x1F) << 3;
    EXPECT_NEAR(blue, RgbOfLevel(LevelOf(5)), 10);
}

TEST_F(SystemFilterFiles, SmartTeeFeedsCaptureAndAnUntimedPreview)
{
    std::string path = DvFile();
    Playback playback;
    auto tee = Create(CLSID_SmartTee);
    auto* preview = new RecordingSink(MEDIATYPE_Video);
    auto heldPreview = Hold(preview);
    IGraphBuilder* graph = playback.Graph();
    graph->AddFilter(tee.Get(), u"Smart Tee");
    graph->AddFilter(heldPreview.Get(), u"Preview Sink");
    auto source = Create(CLSID_AVIDoc);
    com::ComPtr<IFileSourceFilter> loader;
    source->QueryInterface(IID_IFileSourceFilter, loader.ReceiveVoid());
    std::u16string file = com::Utf8ToWide(path);
    ASSERT_EQ(loader->Load(file.c_str(), nullptr), S_OK);
    graph->AddFilter(source.Get(), u"Source");
    auto decoder = Create(CLSID_DVVideoCodec);
    graph->AddFilter(decoder.Get(), u"DV Decoder");
    com::ComPtr<IPin> capture, previewPin, input;
    tee->FindPin(u"Capture", capture.Receive());
    tee->FindPin(u"Preview", previewPin.Receive());
    tee->FindPin(u"Input", input.Receive());
    ASSERT_TRUE(capture && previewPin && input);
    ASSERT_EQ(graph->ConnectDirect(Pins(source.Get(), PINDIR_OUTPUT)[0].Get(),
                                   Pins(decoder.Get(), PINDIR_INPUT)[0].Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->Connect(Pins(decoder.Get(), PINDIR_OUTPUT)[0].Get(), input.Get()), S_OK);
    ASSERT_EQ(graph->Connect(capture.Get(), playback.Video().InputPin()), S_OK);
    ASSERT_EQ(graph->Connect(previewPin.Get(), preview->InputPin()), S_OK);
    ASSERT_EQ(playback.RunToEnd(), EC_COMPLETE);
    std::vector<Record> captured = playback.Video().Records();
    ASSERT_EQ(captured.size(), 10u) << "capture gets every frame";
    EXPECT_EQ(captured[1].start, 333667);
    std::vector<Record> previewed = preview->Records();
    EXPECT_GE(previewed.size(), 1u);
    EXPECT_LE(previewed.size(), 10u);
}

TEST_F(SystemFilterFiles, AudioRendererPlaysInRealTimeAndOffersItsClockAndVolume)
{
    setenv("SDL_AUDIODRIVER", "kestrelon-none", 1); // the null device
    std::string path = m_dir.File("tone.wav");
    ASSERT_TRUE(media_fixtures::WriteSound(path, {media_fixtures::SoundKind::Wav16, 22050, 2, 0.3}));
    com::ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
    std::u16string file = com::Utf8ToWide(path);
    ASSERT_EQ(graph->RenderFile(file.c_str(), nullptr), S_OK);
    com::ComPtr<IBasicAudio> audio;
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, audio.ReceiveVoid()), S_OK);
    EXPECT_EQ(audio->put_Volume(-2000), S_OK);
    long volume = 0;
    audio->get_Volume(&volume);
    EXPECT_EQ(volume, -2000);
    EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
    com::ComPtr<IMediaControl> control;
    graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    com::ComPtr<IMediaEvent> events;
    graph->QueryInterface(IID_IMediaEvent, events.ReceiveVoid());
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    com::ComPtr<IMediaFilter> filter;
    graph->QueryInterface(IID_IMediaFilter, filter.ReceiveVoid());
    com::ComPtr<IReferenceClock> clock;
    ASSERT_EQ(filter->GetSyncSource(clock.Receive()), S_OK);
    com::ComPtr<IBasicAudio> fromClock;
    EXPECT_EQ(clock->QueryInterface(IID_IBasicAudio, fromClock.ReceiveVoid()), S_OK)
        << "the audio renderer is the graph's clock";
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(static_cast<LONG>(kLongWait), &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(control->Stop(), S_OK);
}

// A wave file whose sound is in a format nobody knows: the container
// opens, but the splitter has no stream to offer.
std::vector<unsigned char> WaveOfAnUnknownFormat()
{
    std::vector<unsigned char> bytes;
    auto put = [&](unsigned value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    auto tag = [&](const char* fourcc) { bytes.insert(bytes.end(), fourcc, fourcc + 4); };
    constexpr unsigned kData = 4096;
    tag("RIFF");
    put(4 + 8 + 16 + 8 + kData, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(0, 2); // the format tag: none
    put(1, 2);
    put(8000, 4);
    put(8000, 4);
    put(1, 2);
    put(8, 2);
    tag("data");
    put(kData, 4);
    for (unsigned i = 0; i < kData; ++i)
        bytes.push_back(static_cast<unsigned char>(i * 7));
    return bytes;
}

TEST_F(SystemFilterFiles, FilesASplitterCannotOpenThroughAReaderFailAndLeaveNothingBehind)
{
    std::string path = m_dir.File("unknown.wav");
    ASSERT_TRUE(media_fixtures::WriteBytes(path, WaveOfAnUnknownFormat()));
    std::u16string file = com::Utf8ToWide(path);
    for (int round = 0; round < 8; ++round) {
        auto source = Create(CLSID_AsyncReader);
        com::ComPtr<IFileSourceFilter> loader;
        ASSERT_EQ(source->QueryInterface(IID_IFileSourceFilter, loader.ReceiveVoid()), S_OK);
        ASSERT_EQ(loader->Load(file.c_str(), nullptr), S_OK);
        auto parser = Create(CLSID_WAVEParser);
        com::ComPtr<IPin> output = Pins(source.Get(), PINDIR_OUTPUT)[0];
        com::ComPtr<IPin> input = Pins(parser.Get(), PINDIR_INPUT)[0];
        EXPECT_TRUE(FAILED(output->Connect(input.Get(), nullptr))) << "round " << round;
        EXPECT_TRUE(Pins(parser.Get(), PINDIR_OUTPUT).empty());
    }
#if defined(KESTRELON_ADDRESS_SANITIZER)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "LeakSanitizer found memory the failed opens left";
#endif
}

// Bytes of a file, changed by a seeded generator.
std::vector<unsigned char> Mutate(std::vector<unsigned char> bytes, unsigned seed)
{
    std::mt19937 random(seed);
    int changes = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < changes && !bytes.empty(); ++i) {
        size_t at = random() % bytes.size();
        switch (random() % 4) {
        case 0:
            bytes[at] = static_cast<unsigned char>(random());
            break;
        case 1:
            bytes[at] ^= static_cast<unsigned char>(1u << (random() % 8));
            break;
        case 2:
            bytes[at] = random() % 2 ? 0xFF : 0x00;
            break;
        default:
            bytes.resize(std::max<size_t>(at, bytes.size() / 2)); // truncated
            break;
        }
    }
    return bytes;
}

// Renders and runs a damaged file: a DirectShow failure, or a run that
// ends (EC_COMPLETE or EC_ERRORABORT) and stops.
void ExpectFailsOrEnds(const std::string& path, const std::string& label)
{
    Playback playback;
    HRESULT hr = playback.Render(path);
    if (FAILED(hr)) {
        EXPECT_TRUE(HRESULT_FACILITY(hr) == 4 || hr == E_FAIL || hr == E_OUTOFMEMORY ||
                    hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == E_INVALIDARG)
            << label << std::hex << " " << hr;
        return;
    }
    LONG code = playback.RunToEnd(15000);
    EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << label << " ended with " << code;
    EXPECT_EQ(playback.Stop(), S_OK) << label;
}

TEST_F(SystemFilterFiles, BadFilesFailOrEndWithoutHanging)
{
    std::string dv = DvFile();
    std::vector<unsigned char> good = media_fixtures::ReadBytes(dv);
    std::vector<unsigned char> random(20000);
    std::mt19937 generator(7);
    for (unsigned char& b : random)
        b = static_cast<unsigned char>(generator());
    std::vector<unsigned char> riffGarbage = random;
    std::memcpy(riffGarbage.data(), "RIFF\x10\x4e\x00\x00" "AVI LIST", 16);
    std::vector<unsigned char> packGarbage = random;
    const unsigned char pack[] = {0, 0, 1, 0xBA, 0x44};
    std::memcpy(packGarbage.data(), pack, sizeof pack);
    std::vector<unsigned char> waveHead = {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"empty.avi", {}},
        {"garbage.avi", riffGarbage},
        {"garbage.mpg", packGarbage},
        {"unknown.xyz", random},
        {"short.wav", waveHead},
        {"truncated.avi", std::vector<unsigned char>(good.begin(), good.begin() + good.size() * 2 / 5)},
        {"headless.avi", std::vector<unsigned char>(good.begin() + 2048, good.end())},
    };
    for (const Case& c : cases) {
        std::string path = m_dir.File(c.name);
        ASSERT_TRUE(media_fixtures::WriteBytes(path, c.bytes));
        ExpectFailsOrEnds(path, c.name);
    }
}

TEST_F(SystemFilterFiles, SeededMutationsOfSmallFilesNeverCrashOrHang)
{
    Clip avi;
    avi.video = "mjpeg";
    avi.pixels = "yuvj420p";
    avi.codecTag = Fourcc('M', 'J', 'P', 'G');
    avi.width = 64;
    avi.height = 48;
    avi.frames = 4;
    avi.audio = "pcm_s16le";
    avi.sampleRate = 8000;
    avi.channels = 1;
    Clip mpeg = avi;
    mpeg.container = "mpeg";
    mpeg.video = "mpeg1video";
    mpeg.pixels = "yuv420p";
    mpeg.codecTag = 0;
    mpeg.audio = "mp2";
    mpeg.sampleRate = 44100;
    std::string wav = m_dir.File("seed.wav");
    ASSERT_TRUE(media_fixtures::WriteSound(wav, {media_fixtures::SoundKind::Wav16, 8000, 1, 0.2}));
    const std::pair<const char*, std::string> seeds[] = {
        {"avi", Write("seed.avi", avi)}, {"mpg", Write("seed.mpg", mpeg)}, {"wav", wav}};
    constexpr unsigned kRounds = 24;
    for (const auto& [extension, path] : seeds) {
        std::vector<unsigned char> original = media_fixtures::ReadBytes(path);
        ASSERT_FALSE(original.empty());
        for (unsigned seed = 1; seed <= kRounds; ++seed) {
            std::string mutated = m_dir.File("fuzz." + std::string(extension));
            ASSERT_TRUE(media_fixtures::WriteBytes(mutated, Mutate(original, seed * 7919 + extension[0])));
            ExpectFailsOrEnds(mutated, std::string(extension) + " seed " + std::to_string(seed));
        }
    }
}

} // namespace
} // namespace playback_test
