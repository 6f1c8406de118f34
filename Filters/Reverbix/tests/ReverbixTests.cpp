#include <cmath>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"

namespace {

using namespace plugin_test;

class ReverbixGraph : public WithModules {
protected:
    ReverbixGraph() : WithModules({ModulePath("Reverbix"), ModulePath("Grabwell")}) {}

    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_filter = Create<IBaseFilter>(CLSID_Reverbix, IID_IBaseFilter);
        ASSERT_TRUE(m_filter);
        m_audio = Query<IKLAudioFilter>(m_filter.Get(), IID_IKLAudioFilter);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), u"Audio Resampler"), S_OK);
    }
    HRESULT ConnectInput(const CMediaType& type, LONG buffer)
    {
        m_source = new PushSource(type, buffer, 2);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        m_graph->AddFilter(m_sourceFilter.Get(), u"Source");
        return Connect(m_graph.Get(), m_source->Pin(), PinOf(m_filter.Get(), 0).Get());
    }
    HRESULT ConnectOutput()
    {
        m_grabFilter = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        m_graph->AddFilter(m_grabFilter.Get(), u"Grab");
        m_grab = Query<IKLFrameGrab>(m_grabFilter.Get(), IID_IKLFrameGrab);
        return Connect(m_graph.Get(), PinOf(m_filter.Get(), 1).Get(), PinOf(m_grabFilter.Get(), 0).Get());
    }
    void TearDown() override
    {
        Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_audio.Reset();
        m_grab.Reset();
        m_grabFilter.Reset();
        m_filter.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    // Pushes `bytes` and returns what came out.
    std::vector<BYTE> Through(const std::vector<BYTE>& bytes)
    {
        Frame frame;
        frame.start = 0;
        frame.stop = kSecond;
        frame.data = bytes;
        std::thread pusher([&] { m_source->Push(frame); });
        REFERENCE_TIME time = 0, end = 0;
        IMediaSample* sample = nullptr;
        std::vector<BYTE> out;
        if (m_grab->GetSample(&time, &end, &sample) == S_OK) {
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            out.assign(data, data + sample->GetActualDataLength());
            sample->Release();
        }
        pusher.join();
        return out;
    }

    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_filter;
    com::ComPtr<IKLAudioFilter> m_audio;
    PushSource* m_source = nullptr;
    com::ComPtr<IBaseFilter> m_sourceFilter, m_grabFilter;
    com::ComPtr<IKLFrameGrab> m_grab;
};

TEST_F(ReverbixGraph, UpConvertsALargeBufferWithoutOverrunningTheOutput)
{
    constexpr LONG kInput = 96000; // above 32 KiB of 8-bit mono
    ASSERT_EQ(ConnectInput(PcmType(22050, 8, 1), kInput), S_OK);
    ASSERT_EQ(m_audio->SetOutputRate(48000), S_OK);
    ASSERT_EQ(m_audio->SetOutputBits(16), S_OK);
    ASSERT_EQ(m_audio->SetOutputChannels(2), S_OK);

    // The output offers the format that was set.
    com::ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(PinOf(m_filter.Get(), 1)->EnumMediaTypes(types.Receive()), S_OK);
    AM_MEDIA_TYPE* offered = nullptr;
    ASSERT_EQ(types->Next(1, &offered, nullptr), S_OK);
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(offered->pbFormat);
    EXPECT_EQ(format->nSamplesPerSec, 48000u);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(format->nChannels, 2);
    EXPECT_EQ(format->nBlockAlign, 4);
    EXPECT_EQ(format->nAvgBytesPerSec, 192000u);
    DeleteMediaType(offered);

    ASSERT_EQ(ConnectOutput(), S_OK);
    EXPECT_EQ(m_audio->SetOutputRate(44100), E_FAIL) << "the output is connected";
    int rate = 0;
    m_audio->GetOutputRate(&rate);
    EXPECT_EQ(rate, 48000);
    ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Pause(), S_OK);

    std::vector<BYTE> sine(kInput);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<BYTE>(128 + 100 * std::sin(i * 2 * 3.14159265 * 440 / 22050));
    std::vector<BYTE> out = Through(sine);
    ASSERT_GT(out.size(), 262144u) << "more than the old fixed output buffer";
    EXPECT_EQ(out.size() % 4, 0u);
    // About 48000 / 22050 frames out per frame in, less the engine's delay.
    EXPECT_NEAR(static_cast<double>(out.size()) / 4, kInput * 48000.0 / 22050, 48000.0 / 22050 * 1024);
    int peak = 0;
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        peak = std::max(peak, std::abs(static_cast<int16_t>(out[i] | out[i + 1] << 8)));
    EXPECT_GT(peak, 10000) << "the sine came through";
}

TEST_F(ReverbixGraph, WithoutDspTheBytesAreCopied)
{
    ASSERT_EQ(ConnectInput(PcmType(44100, 16, 1), 4096), S_OK);
    ASSERT_EQ(ConnectOutput(), S_OK);
    ASSERT_EQ(m_audio->SetDSPEnabled(0), S_OK);
    ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Pause(), S_OK);
    std::vector<BYTE> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    EXPECT_EQ(Through(bytes), bytes);
}

TEST_F(ReverbixGraph, RefusesOtherSampleSizes)
{
    EXPECT_TRUE(FAILED(ConnectInput(PcmType(44100, 24, 2), 4096)));
}

TEST_F(ReverbixGraph, SettingsAndTheirRefusals)
{
    int length = 0;
    ASSERT_EQ(m_audio->SetFFTLength(1000), S_OK);
    m_audio->GetFFTLength(&length);
    EXPECT_EQ(length, 512);
    EXPECT_EQ(m_audio->SetReverb("reverb1"), E_FAIL) << "names are compared exactly";
    EXPECT_EQ(m_audio->SetReverb(nullptr), S_OK);
    EXPECT_EQ(m_audio->SetReverb("Reverb1"), E_FAIL) << "2000 taps do not fit a 512-frame block";
    ASSERT_EQ(m_audio->SetFFTLength(1024), S_OK);
    EXPECT_EQ(m_audio->SetReverb("Reverb1"), S_OK);

    std::vector<float> tooMany(62);
    for (size_t i = 0; i < tooMany.size(); ++i)
        tooMany[i] = 100.0f + 100.0f * static_cast<float>(i);
    EXPECT_EQ(m_audio->SetBandPoints(62, tooMany.data()), E_FAIL);
    const float bands[] = {100.0f, 1000.0f, 8000.0f};
    EXPECT_EQ(m_audio->SetBandPoints(3, bands), S_OK);
    int count = 0;
    float read[64] = {};
    m_audio->GetBandPoints(&count, read);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(read[1], 1000.0f);

    int gains[2] = {7, 9}, back[2] = {};
    m_audio->SetChannelGains(gains, 0);
    m_audio->GetChannelGains(back);
    EXPECT_EQ(back[0], 7);
}

com::ComPtr<IStream> Stream(const std::u16string& text)
{
    com::ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive());
    ULONG written = 0;
    stream->Write(text.data(), static_cast<ULONG>(text.size() * 2), &written);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

TEST_F(ReverbixGraph, PersistsTypeAndFftLength)
{
    auto persist = Query<IPersistStream>(m_filter.Get(), IID_IPersistStream);
    m_audio->SetFilterType(2);
    com::ComPtr<IStream> saved;
    CreateStreamOnHGlobal(nullptr, TRUE, saved.Receive());
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
    STATSTG stat{};
    saved->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, 72u);

    int length = 0, type = 0;
    ASSERT_EQ(persist->Load(Stream(u"00000000000 00000000001 00000000100 ").Get()), S_OK);
    m_audio->GetFFTLength(&length);
    m_audio->GetFilterType(&type);
    EXPECT_EQ(length, 512);
    EXPECT_EQ(type, 1);
    ASSERT_EQ(persist->Load(Stream(u"00000000000 00000000000 00000100000 ").Get()), S_OK);
    m_audio->GetFFTLength(&length);
    EXPECT_EQ(length, 32768);

    EXPECT_TRUE(FAILED(persist->Load(Stream(u"00000000000 00000000002 000").Get()))) << "truncated";
    EXPECT_TRUE(FAILED(persist->Load(Stream(u"00000000007 00000000002 00000001024 ").Get()))) << "later version";
    m_audio->GetFFTLength(&length);
    m_audio->GetFilterType(&type);
    EXPECT_EQ(length, 32768);
    EXPECT_EQ(type, 0) << "the state stayed";
}

} // namespace
