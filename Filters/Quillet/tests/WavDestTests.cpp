#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Quillet/WavDest.h"
#include "Platform/Win/Base/Utf.h"

extern "C" {
}

namespace {

using namespace plugin_test;
namespace fs = std::filesystem;

ULONG LongAt(const std::vector<BYTE>& bytes, size_t offset)
{
    ULONG value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes.at(offset + static_cast<size_t>(i));
    return value;
}

std::string TagAt(const std::vector<BYTE>& bytes, size_t offset)
{
    return std::string(bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset) + 4);
}

std::vector<BYTE> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

std::vector<BYTE> Audio(size_t count)
{
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>((i * 31) ^ (i >> 9));
    return bytes;
}

// A PCM type whose format block has `formatSize` bytes (16, 18, or more
// with extra bytes behind the WAVEFORMATEX).
CMediaType PcmTypeOfSize(ULONG formatSize)
{
    CMediaType type = PcmType(44100, 16, 2);
    std::vector<BYTE> format(formatSize, 0x5A);
    std::memcpy(format.data(), type.pbFormat, std::min<ULONG>(formatSize, 18));
    if (formatSize > 18) {
        const WORD extra = static_cast<WORD>(formatSize - 18);
        std::memcpy(format.data() + 16, &extra, 2);
    }
    type.SetFormat(format.data(), formatSize);
    return type;
}

// ---- the header and the type checks

struct HeaderCase {
    ULONG formatSize;
    ULONG dataCount;
    size_t dataTagAt;
    ULONG riffSize;
};

class WavHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(WavHeader, LaysOutTheChunksWithTheirPadBytes)
{
    const HeaderCase& c = GetParam();
    std::vector<BYTE> format(c.formatSize, 0x11);
    auto header = CQORWavDestFilter::Header(format.data(), c.formatSize, c.dataCount);
    ASSERT_EQ(header.size(), c.dataTagAt + 8);
    EXPECT_EQ(TagAt(header, 0), "RIFF");
    EXPECT_EQ(LongAt(header, 4), c.riffSize);
    EXPECT_EQ(TagAt(header, 8), "WAVE");
    EXPECT_EQ(TagAt(header, 12), "fmt ");
    EXPECT_EQ(LongAt(header, 16), c.formatSize);
    EXPECT_EQ(TagAt(header, c.dataTagAt), "data");
    EXPECT_EQ(LongAt(header, c.dataTagAt + 4), c.dataCount);
    if (c.formatSize & 1) {
        EXPECT_EQ(header[20 + c.formatSize], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WavHeader,
                         testing::Values(HeaderCase{18, 1000000, 38, 1000038}, HeaderCase{16, 0, 36, 36},
                                         HeaderCase{19, 10, 40, 10 + 48 - 8}, HeaderCase{18, 7, 38, 8 + 46 - 8}));

TEST(WavDestTypes, RefusesAnInputWithoutAWaveFormatWithAFailureCode)
{
    HRESULT hr = S_OK;
    auto* filter = new CQORWavDestFilter(nullptr, &hr);
    auto held = Query<IBaseFilter>(filter->GetOwner(), IID_IBaseFilter);
    ASSERT_EQ(hr, S_OK);
    CMediaType video = Rgb24Type(4, 2);
    CMediaType audio = PcmType(44100, 16, 2);
    CMediaType stream(&MEDIATYPE_Stream);
    stream.SetSubtype(&MEDIASUBTYPE_WAVE);
    EXPECT_TRUE(FAILED(filter->CheckInputType(&video)));
    EXPECT_TRUE(FAILED(filter->CheckTransform(&video, &stream)));
    EXPECT_EQ(filter->CheckInputType(&audio), S_OK);
    EXPECT_EQ(filter->CheckTransform(&audio, &stream), S_OK);
}

// ---- source, WAV writer and file writer

class WavGraph : public WithModules {
protected:
    WavGraph() : WithModules({ModulePath("Quillet"), ModulePath("Corvane")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_dir = fs::temp_directory_path() /
                ("kestrelon-wav-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_path = m_dir / "out.wav";
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_wav = Create<IBaseFilter>(CLSID_WavDest, IID_IBaseFilter);
        m_writer = Create<IBaseFilter>(CLSID_FileWriter, IID_IBaseFilter);
        ASSERT_EQ(m_graph->AddFilter(m_wav.Get(), u"Quillet"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_writer.Get(), u"FileWriter"), S_OK);
        auto sink = Query<IFileSinkFilter>(m_writer.Get(), IID_IFileSinkFilter);
        ASSERT_EQ(sink->SetFileName(win::Utf8ToUtf16(m_path.string()).c_str(), nullptr), S_OK);
    }
    void TearDown() override
    {
        if (m_graph)
            Control()->Stop();
        m_push.Reset();
        m_source.Reset();
        m_test.Reset();
        m_wav.Reset();
        m_writer.Reset();
        m_graph.Reset();
        fs::remove_all(m_dir);
        WithModules::TearDown();
    }
    com::ComPtr<IMediaControl> Control() { return Query<IMediaControl>(m_graph.Get(), IID_IMediaControl); }
    void ConnectRest(IPin* sourcePin)
    {
        ASSERT_EQ(Connect(m_graph.Get(), sourcePin, PinOf(m_wav.Get(), 0).Get()), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_wav.Get(), 1).Get(), PinOf(m_writer.Get(), 0).Get()), S_OK);
    }
    // The program's push source, cutting audio into buffers of `bytesPerBuffer`.
    void UsePushSource(const CMediaType& type, int bytesPerBuffer)
    {
        m_source = Create<IBaseFilter>(CLSID_QORSource, IID_IBaseFilter);
        m_push = Query<IKLPushSource>(m_source.Get(), IID_IKLPushSource);
        ASSERT_EQ(m_push->SetMediaType(&type, bytesPerBuffer), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_source.Get(), u"AudioSource"), S_OK);
        ConnectRest(PinOf(m_source.Get(), 0).Get());
    }
    // A test source that delivers on the test's thread.
    void UseTestSource(const CMediaType& type)
    {
        m_testSource = new PushSource(type, 1 << 16);
        m_test = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_testSource), IID_IBaseFilter);
        ASSERT_EQ(m_graph->AddFilter(m_test.Get(), u"Source"), S_OK);
        ConnectRest(m_testSource->Pin());
    }
    void PushTest(const std::vector<BYTE>& bytes, size_t piece)
    {
        for (size_t at = 0; at < bytes.size(); at += piece) {
            Frame frame;
            frame.data.assign(bytes.begin() + static_cast<long>(at),
                              bytes.begin() + static_cast<long>(std::min(bytes.size(), at + piece)));
            ASSERT_EQ(m_testSource->Push(frame), S_OK);
        }
    }

    fs::path m_dir, m_path;
    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_wav, m_writer, m_source, m_test;
    com::ComPtr<IKLPushSource> m_push;
    PushSource* m_testSource = nullptr;
};

TEST_F(WavGraph, PushSourceThroughTheWavWriterGivesAFileReadSampleExact)
{
    UsePushSource(PcmType(44100, 16, 2), 5880);
    ASSERT_EQ(Control()->Run(), S_OK);
    auto audio = Audio(1000000);
    for (size_t at = 0; at < audio.size(); at += 7000)
        ASSERT_EQ(m_push->DeliverData(audio.data() + at, static_cast<int>(std::min<size_t>(7000, audio.size() - at))),
                  S_OK);
    ASSERT_EQ(m_push->EndOfStream(), S_OK);
    LONG code = 0;
    ASSERT_EQ(Query<IMediaEvent>(m_graph.Get(), IID_IMediaEvent)->WaitForCompletion(kLongWait, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(Control()->Stop(), S_OK);

    auto file = ReadFile(m_path);
    ASSERT_EQ(file.size(), 46u + 1000000);
    EXPECT_EQ(LongAt(file, 4), 1000038u);
    EXPECT_EQ(LongAt(file, 42), 1000000u);
    EXPECT_EQ(std::vector<BYTE>(file.begin() + 46, file.end()), audio);
    media_fixtures::ReadBackFile decoded;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(m_path.string(), decoded));
    EXPECT_EQ(decoded.audioCodec, "pcm_s16le");
    EXPECT_EQ(decoded.audioRate, 44100);
    EXPECT_EQ(decoded.audioChannels, 2);
    EXPECT_EQ(decoded.audioBytes, std::vector<unsigned char>(audio.begin(), audio.end()));
}

struct FileCase {
    ULONG formatSize;
    size_t bytes;
    size_t headerSize;
};

class WavFiles : public WavGraph, public testing::WithParamInterface<FileCase> {};

TEST_P(WavFiles, AreWrittenWithTheirPadBytesAndReadBackExactly)
{
    const FileCase& c = GetParam();
    UseTestSource(PcmTypeOfSize(c.formatSize));
    ASSERT_EQ(Control()->Run(), S_OK);
    auto audio = Audio(c.bytes);
    PushTest(audio, 999);
    ASSERT_EQ(Control()->Stop(), S_OK);

    auto file = ReadFile(m_path);
    const size_t pad = c.bytes & 1;
    ASSERT_EQ(file.size(), c.headerSize + c.bytes + pad);
    EXPECT_EQ(LongAt(file, 4), file.size() - 8);
    EXPECT_EQ(TagAt(file, c.headerSize - 8), "data");
    EXPECT_EQ(LongAt(file, c.headerSize - 4), c.bytes);
    EXPECT_EQ(std::vector<BYTE>(file.begin() + static_cast<long>(c.headerSize),
                                file.begin() + static_cast<long>(c.headerSize + c.bytes)),
              audio);
    if (c.bytes % 4 == 0 && c.bytes > 0) {
        media_fixtures::ReadBackFile decoded;
        ASSERT_TRUE(media_fixtures::ReadBackMediaFile(m_path.string(), decoded));
        EXPECT_EQ(decoded.audioBytes, std::vector<unsigned char>(audio.begin(), audio.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, WavFiles,
                         testing::Values(FileCase{18, 4000, 46}, FileCase{16, 4000, 44}, FileCase{19, 4000, 48},
                                         FileCase{18, 4001, 46}, FileCase{18, 0, 46}));

TEST_F(WavGraph, EachRunWritesOnlyItsOwnCount)
{
    UseTestSource(PcmType(44100, 16, 2));
    ASSERT_EQ(Control()->Run(), S_OK);
    PushTest(Audio(8000), 1000);
    ASSERT_EQ(Control()->Stop(), S_OK);
    ASSERT_EQ(Control()->Run(), S_OK);
    auto second = Audio(400);
    PushTest(second, 400);
    ASSERT_EQ(Control()->Stop(), S_OK);
    auto file = ReadFile(m_path);
    EXPECT_EQ(LongAt(file, 42), 400u);
    EXPECT_EQ(LongAt(file, 4), 438u);
}

TEST_F(WavGraph, RefusesAVideoInput)
{
    m_testSource = new PushSource(Rgb24Type(4, 2), 64);
    m_test = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_testSource), IID_IBaseFilter);
    ASSERT_EQ(m_graph->AddFilter(m_test.Get(), u"Source"), S_OK);
    EXPECT_TRUE(FAILED(Connect(m_graph.Get(), m_testSource->Pin(), PinOf(m_wav.Get(), 0).Get())));
}

} // namespace
