#include "Platform/Outside/WindowsMedia/WindowsMedia.h"

#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/DShow/Api/Guids.h"
#include "Platform/Outside/Testing/Probe.h"
#include "Platform/Win/Base/Utf.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::FilesIn;
using media_fixtures::ProbedFile;
using media_fixtures::ProbeFile;
using testing_support::TempDir;
using namespace wmf;

template <typename T>
struct Released {
    T* object = nullptr;
    ~Released()
    {
        if (object != nullptr)
            object->Release();
    }
    T* operator->() const { return object; }
};

struct ProfileFacts {
    int width = 0;
    int height = 0;
    REFERENCE_TIME frameTime = 0;
    int sampleRate = 0;
    int channels = 0;
};

ProfileFacts FactsOf(Profile* profile)
{
    ProfileFacts facts;
    DWORD count = 0;
    EXPECT_EQ(profile->GetStreamCount(&count), S_OK);
    for (DWORD i = 0; i < count; ++i) {
        Released<StreamConfig> stream;
        EXPECT_EQ(profile->GetStream(i, &stream.object), S_OK);
        DWORD size = 0;
        EXPECT_EQ(stream->GetMediaType(nullptr, &size), S_OK);
        std::vector<BYTE> bytes(size);
        auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(bytes.data());
        EXPECT_EQ(stream->GetMediaType(type, &size), S_OK);
        if (type->majortype == MEDIATYPE_Video) {
            EXPECT_EQ(type->cbFormat, 88u);
            VIDEOINFOHEADER info;
            std::memcpy(&info, type->pbFormat, sizeof info);
            facts.width = info.rcSource.right;
            facts.height = info.rcSource.bottom;
            facts.frameTime = info.AvgTimePerFrame;
        } else {
            EXPECT_EQ(type->majortype, MEDIATYPE_Audio);
            WAVEFORMATEX wave;
            std::memcpy(&wave, type->pbFormat, sizeof wave);
            facts.sampleRate = static_cast<int>(wave.nSamplesPerSec);
            facts.channels = wave.nChannels;
            EXPECT_GE(wave.nAvgBytesPerSec * 8, 24000u);
        }
    }
    return facts;
}

WM_MEDIA_TYPE AudioType(WAVEFORMATEX& wave)
{
    wave = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    WM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = 4;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof wave;
    type.pbFormat = reinterpret_cast<BYTE*>(&wave);
    return type;
}

WM_MEDIA_TYPE VideoType(VIDEOINFOHEADER& info, int width, int height, REFERENCE_TIME frameTime,
                        const GUID& subtype = MEDIASUBTYPE_RGB24)
{
    info = {};
    info.rcSource = {0, 0, width, height};
    info.rcTarget = info.rcSource;
    info.AvgTimePerFrame = frameTime;
    info.bmiHeader = {40, width, height, 1, 24, 0, 0, 0, 0, 0, 0};
    WM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = subtype;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    return type;
}

// A writer for profile `index` with a PCM and an RGB24 input of the
// profile's own size (or `width` x `height`) at `frameTime`.
struct Session {
    Released<Profile> profile;
    Released<Writer> writer;
    ProfileFacts facts;
    DWORD audioInput = 0;
    DWORD videoInput = 0;
    bool hasVideo = false;
    int width = 0;
    int height = 0;
    WAVEFORMATEX wave{};
    VIDEOINFOHEADER info{};

    HRESULT Begin(DWORD index, const std::string& path, int inputWidth = 0, int inputHeight = 0,
                  REFERENCE_TIME frameTime = 0)
    {
        HRESULT hr = LoadSystemProfile(index, &profile.object);
        if (hr != S_OK)
            return hr;
        facts = FactsOf(profile.object);
        width = inputWidth != 0 ? inputWidth : facts.width;
        height = inputHeight != 0 ? inputHeight : facts.height;
        EXPECT_EQ(CreateWriter(&writer.object), S_OK);
        EXPECT_EQ(writer->SetProfile(profile.object), S_OK);
        DWORD count = 0;
        EXPECT_EQ(writer->GetInputCount(&count), S_OK);
        for (DWORD i = 0; i < count; ++i) {
            Released<InputProps> props;
            EXPECT_EQ(writer->GetInputProps(i, &props.object), S_OK);
            GUID type{};
            EXPECT_EQ(props->GetType(&type), S_OK);
            WM_MEDIA_TYPE media{};
            if (type == MEDIATYPE_Audio) {
                audioInput = i;
                media = AudioType(wave);
            } else {
                videoInput = i;
                hasVideo = true;
                media = VideoType(info, width, height, frameTime != 0 ? frameTime : facts.frameTime);
            }
            EXPECT_EQ(props->SetMediaType(&media), S_OK);
            EXPECT_EQ(writer->SetInputProps(i, props.object), S_OK);
        }
        const std::u16string wide = win::Utf8ToUtf16(path);
        EXPECT_EQ(writer->SetOutputFilename(wide.c_str()), S_OK);
        return writer->BeginWriting();
    }

    HRESULT WriteBytes(DWORD input, QWORD time, const std::vector<uint8_t>& bytes)
    {
        Released<Buffer> sample;
        HRESULT hr = writer->AllocateSample(static_cast<DWORD>(bytes.size()), &sample.object);
        if (hr != S_OK)
            return hr;
        BYTE* data = nullptr;
        DWORD length = 0;
        EXPECT_EQ(sample->GetBufferAndLength(&data, &length), S_OK);
        std::memcpy(data, bytes.data(), bytes.size());
        EXPECT_EQ(sample->SetLength(static_cast<DWORD>(bytes.size())), S_OK);
        return writer->WriteSample(input, time, 0, sample.object);
    }

    // `frames` frames of `frameTime` with their audio.
    void Write(int frames, REFERENCE_TIME frameTime)
    {
        int64_t fed = 0;
        for (int n = 0; n < frames; ++n) {
            const QWORD time = static_cast<QWORD>(n * frameTime);
            const int64_t upTo = (n + 1) * frameTime * 44100 / UNITS;
            ASSERT_EQ(WriteBytes(audioInput, time, media_fixtures::Tone(static_cast<int>(upTo - fed), 2, 44100, fed)),
                      S_OK);
            fed = upTo;
            if (hasVideo) {
                const int stride = (width * 3 + 3) & ~3;
                ASSERT_EQ(WriteBytes(videoInput, time, media_fixtures::MovingPicture(width, height, n, stride)), S_OK);
            }
        }
    }
};

class WindowsMediaProfile : public testing::TestWithParam<DWORD> {};

TEST_P(WindowsMediaProfile, WritesAnAsfFileLibavformatReadsBack)
{
    TempDir folder;
    const std::string path = folder.File("out.wmv");
    Session session;
    ASSERT_EQ(session.Begin(GetParam(), path), S_OK);
    const REFERENCE_TIME frameTime = session.hasVideo ? session.facts.frameTime : 666670;
    session.Write(12, frameTime);
    EXPECT_TRUE(FilesIn(folder.Path()).size() == 1 && FilesIn(folder.Path())[0] != "out.wmv");
    ASSERT_EQ(session.writer->Flush(), S_OK);
    ASSERT_EQ(session.writer->EndWriting(), S_OK);
    EXPECT_EQ(session.writer->EndWriting(), S_OK);
    EXPECT_THAT(FilesIn(folder.Path()), testing::ElementsAre("out.wmv"));

    const ProbedFile probed = ProbeFile(path);
    ASSERT_TRUE(probed.opened);
    EXPECT_EQ(probed.format, "asf");
    if (session.hasVideo) {
        ASSERT_NE(probed.Video(), nullptr);
        EXPECT_EQ(probed.Video()->codec, "wmv2");
        EXPECT_EQ(probed.Video()->width, session.facts.width);
        EXPECT_EQ(probed.Video()->height, session.facts.height);
        EXPECT_EQ(probed.Video()->decoded, 12);
    } else {
        EXPECT_EQ(probed.Video(), nullptr);
    }
    ASSERT_NE(probed.Audio(), nullptr);
    EXPECT_EQ(probed.Audio()->codec, "wmav2");
    EXPECT_EQ(probed.Audio()->sampleRate, session.facts.sampleRate);
    EXPECT_EQ(probed.Audio()->channels, session.facts.channels);
    const double seconds = static_cast<double>(probed.Audio()->decoded) / session.facts.sampleRate;
    EXPECT_NEAR(seconds, 12.0 * static_cast<double>(frameTime) / UNITS, 4096.0 / session.facts.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, WindowsMediaProfile, testing::Range(DWORD{0}, GetSystemProfileCount()));

TEST(WindowsMedia, ProfilesHaveNamesAndDescriptions)
{
    ASSERT_GE(GetSystemProfileCount(), 10u);
    Released<Profile> profile;
    ASSERT_EQ(LoadSystemProfile(0, &profile.object), S_OK);
    DWORD length = 0;
    ASSERT_EQ(profile->GetName(nullptr, &length), S_OK);
    std::u16string name(length, u'\0');
    DWORD small = 3;
    EXPECT_EQ(profile->GetName(name.data(), &small), E_INVALIDARG);
    ASSERT_EQ(profile->GetName(name.data(), &length), S_OK);
    EXPECT_EQ(win::Utf16ToUtf8(name.c_str()), "Video for dial-up modems (56 Kbps)");
    ASSERT_EQ(profile->GetDescription(nullptr, &length), S_OK);
    EXPECT_GT(length, 1u);
    Released<StreamConfig> stream;
    EXPECT_EQ(profile->GetStream(2, &stream.object), E_INVALIDARG);
}

TEST(WindowsMedia, BadProfileIndexIsRefused)
{
    Profile* profile = reinterpret_cast<Profile*>(1);
    EXPECT_EQ(LoadSystemProfile(GetSystemProfileCount(), &profile), E_INVALIDARG);
    EXPECT_EQ(profile, nullptr);
}

TEST(WindowsMedia, InputsOfAnotherSizeAndRateAreConvertedToTheProfile)
{
    TempDir folder;
    const std::string path = folder.File("out.wmv");
    Session session;
    // Profile 0 is 160 x 120 at 15 fps; the input is 320 x 240 at 30 fps.
    ASSERT_EQ(session.Begin(0, path, 320, 240, 333333), S_OK);
    session.Write(30, 333333);
    ASSERT_EQ(session.writer->EndWriting(), S_OK);
    const ProbedFile probed = ProbeFile(path);
    ASSERT_NE(probed.Video(), nullptr);
    EXPECT_EQ(probed.Video()->width, 160);
    EXPECT_EQ(probed.Video()->decoded, 15);
}

TEST(WindowsMedia, WriterRefusesWhatItCannotTake)
{
    TempDir folder;
    Released<Profile> profile;
    ASSERT_EQ(LoadSystemProfile(3, &profile.object), S_OK);
    Released<Writer> writer;
    ASSERT_EQ(CreateWriter(&writer.object), S_OK);
    ASSERT_EQ(writer->SetProfile(profile.object), S_OK);
    const std::u16string wide = win::Utf8ToUtf16(folder.File("out.wmv"));
    ASSERT_EQ(writer->SetOutputFilename(wide.c_str()), S_OK);
    // Inputs without media types.
    EXPECT_EQ(writer->BeginWriting(), NS_E_INVALID_REQUEST);
    Released<InputProps> video;
    ASSERT_EQ(writer->GetInputProps(1, &video.object), S_OK);
    VIDEOINFOHEADER info;
    WM_MEDIA_TYPE type = VideoType(info, 320, 240, 666667, MEDIASUBTYPE_RGB555);
    EXPECT_EQ(video->SetMediaType(&type), NS_E_INVALID_INPUT_FORMAT);
    type = VideoType(info, 0, 240, 666667);
    EXPECT_EQ(video->SetMediaType(&type), NS_E_INVALID_INPUT_FORMAT);
    EXPECT_EQ(writer->SetInputProps(1, video.object), NS_E_INVALID_INPUT_FORMAT);
    Released<InputProps> audio;
    ASSERT_EQ(writer->GetInputProps(0, &audio.object), S_OK);
    WAVEFORMATEX wave;
    type = AudioType(wave);
    wave.wBitsPerSample = 8;
    EXPECT_EQ(audio->SetMediaType(&type), NS_E_INVALID_INPUT_FORMAT);
    EXPECT_EQ(writer->GetInputProps(2, &audio.object), E_INVALIDARG);
    EXPECT_EQ(writer->EndWriting(), NS_E_INVALID_REQUEST);
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(WindowsMedia, WriterReleasedBeforeTheEndLeavesNoFile)
{
    TempDir folder;
    {
        Session session;
        ASSERT_EQ(session.Begin(3, folder.File("out.wmv")), S_OK);
        session.Write(3, 666667);
        EXPECT_EQ(session.WriteBytes(session.videoInput, 0, std::vector<uint8_t>(16)), E_INVALIDARG);
        EXPECT_EQ(session.WriteBytes(session.audioInput, 0, std::vector<uint8_t>(6)), E_INVALIDARG);
    }
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

TEST(WindowsMedia, UnwritableFolderFailsToBegin)
{
    TempDir folder;
    Session session;
    EXPECT_LT(session.Begin(3, folder.File("missing/out.wmv")), 0);
}

class Recorder final : public StatusCallback {
public:
    ULONG AddRef() override { return ++m_count; }
    ULONG Release() override { return --m_count; }
    HRESULT OnStatus(WMT_STATUS status, HRESULT result, WMT_ATTR_DATATYPE, BYTE*, void* context) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_status = status;
        m_result = result;
        m_context = context;
        m_thread = std::this_thread::get_id();
        m_done.notify_all();
        return S_OK;
    }
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_status >= 0; });
    }

    std::atomic<ULONG> m_count{1};
    std::mutex m_mutex;
    std::condition_variable m_done;
    int m_status = -1;
    HRESULT m_result = E_FAIL;
    void* m_context = nullptr;
    std::thread::id m_thread;
};

TEST(WindowsMedia, IndexerReportsClosedFromAnotherThread)
{
    TempDir folder;
    const std::string path = folder.File("out.wmv");
    {
        Session session;
        ASSERT_EQ(session.Begin(10, path), S_OK);
        session.Write(5, 666670);
        ASSERT_EQ(session.writer->EndWriting(), S_OK);
    }
    Recorder recorder;
    int context = 0;
    {
        Released<Indexer> indexer;
        ASSERT_EQ(CreateIndexer(&indexer.object), S_OK);
        const std::u16string wide = win::Utf8ToUtf16(path);
        ASSERT_EQ(indexer->StartIndexing(wide.c_str(), &recorder, &context), S_OK);
        recorder.Wait();
    }
    EXPECT_EQ(recorder.m_status, WMT_CLOSED);
    EXPECT_EQ(recorder.m_result, S_OK);
    EXPECT_EQ(recorder.m_context, &context);
    EXPECT_NE(recorder.m_thread, std::this_thread::get_id());
    EXPECT_EQ(recorder.m_count, 1u);

    Released<Indexer> indexer;
    ASSERT_EQ(CreateIndexer(&indexer.object), S_OK);
    const std::string notAsf = folder.Write("plain.wmv", "not a Windows Media file");
    EXPECT_LT(indexer->StartIndexing(win::Utf8ToUtf16(notAsf).c_str(), &recorder, nullptr), 0);
    EXPECT_LT(indexer->StartIndexing(win::Utf8ToUtf16(folder.File("none.wmv")).c_str(), &recorder, nullptr), 0);
}

} // namespace
