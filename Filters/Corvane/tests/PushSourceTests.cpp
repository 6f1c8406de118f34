#include <cstring>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/CaptureSink.h"
#include "Filters/Common/testing/PluginTesting.h"

namespace {

using namespace plugin_test;

CMediaType DvType(LONG height, REFERENCE_TIME frame)
{
    CMediaType type = Rgb24Type(720, height, frame);
    type.SetSubtype(&MEDIASUBTYPE_dvsd);
    return type;
}

std::vector<BYTE> Pattern(size_t count, int seed)
{
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + seed);
    return bytes;
}

class PushSourceGraph : public WithModules {
protected:
    PushSourceGraph() : WithModules({ModulePath("Corvane")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_source = Create<IBaseFilter>(CLSID_QORSource, IID_IBaseFilter);
        m_push = Query<IKLPushSource>(m_source.Get(), IID_IKLPushSource);
        ASSERT_TRUE(m_push);
        m_sink = new CaptureSink();
        m_sinkFilter = Hold(m_sink);
        ASSERT_EQ(m_graph->AddFilter(m_source.Get(), u"AudioSource"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_sinkFilter.Get(), u"Sink"), S_OK);
    }
    void TearDown() override
    {
        if (m_graph)
            Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_push.Reset();
        m_source.Reset();
        m_sinkFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    void Start(const CMediaType& type, int bytesPerBuffer)
    {
        ASSERT_EQ(m_push->SetMediaType(&type, bytesPerBuffer), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_source.Get(), 0).Get(), m_sink->Pin()), S_OK);
        ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Run(), S_OK);
    }

    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_source;
    com::ComPtr<IKLPushSource> m_push;
    CaptureSink* m_sink = nullptr;
    com::ComPtr<IBaseFilter> m_sinkFilter;
};

TEST_F(PushSourceGraph, CutsAudioIntoBuffersStampedByByteCount)
{
    Start(PcmType(48000, 16, 2), 6408);
    auto audio = Pattern(2 * 6408, 3);
    // Divided unlike the output buffers.
    ASSERT_EQ(m_push->DeliverData(audio.data(), 5000), S_OK);
    ASSERT_EQ(m_push->DeliverData(audio.data() + 5000, 6408 * 2 - 5000), S_OK);
    ASSERT_TRUE(m_sink->WaitForSamples(2));
    auto samples = m_sink->Samples();
    EXPECT_EQ(samples[0].start, 0);
    EXPECT_EQ(samples[0].stop, 333750);
    EXPECT_EQ(samples[1].start, 333750);
    EXPECT_EQ(samples[1].stop, 667500);
    EXPECT_EQ(samples[1].mediaStart, 333750);
    std::vector<BYTE> joined = samples[0].data;
    joined.insert(joined.end(), samples[1].data.begin(), samples[1].data.end());
    EXPECT_EQ(joined, audio);
}

TEST_F(PushSourceGraph, DeliversTheTrailingAudioAtTheEndOfTheStream)
{
    Start(PcmType(48000, 16, 2), 6408);
    auto audio = Pattern(6408 + 100, 5);
    ASSERT_EQ(m_push->DeliverData(audio.data(), static_cast<int>(audio.size())), S_OK);
    ASSERT_TRUE(m_sink->WaitForSamples(1));
    EXPECT_EQ(m_push->EndOfStream(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[1].data, std::vector<BYTE>(audio.begin() + 6408, audio.end()));
    EXPECT_EQ(samples[1].start, 333750);
    EXPECT_EQ(samples[1].stop, static_cast<REFERENCE_TIME>(6508.0 / 192000 * 10000000));
    EXPECT_EQ(m_sink->EndsOfStream(), 1);
    // Ended: a second end is fine, more data is not.
    EXPECT_EQ(m_push->EndOfStream(), S_OK);
    EXPECT_EQ(m_push->DeliverData(audio.data(), 10), E_FAIL);
    EXPECT_EQ(m_push->Signal(nullptr), E_FAIL);
}

TEST_F(PushSourceGraph, RefusesABufferCountLargerThanTheAudioBufferAndKeepsItsType)
{
    CMediaType first = PcmType(48000, 16, 2);
    ASSERT_EQ(m_push->SetMediaType(&first, 6408), S_OK);
    // A block the ring could never hold.
    std::vector<BYTE> huge(384500);
    EXPECT_EQ(m_push->DeliverData(huge.data(), 384500), E_INVALIDARG);
    // 8 kHz mono 8-bit negotiates 8000 / 10 + 200 = 1000-byte buffers.
    CMediaType slow = PcmType(8000, 8, 1);
    EXPECT_EQ(m_push->SetMediaType(&slow, 1001), E_INVALIDARG);
    EXPECT_EQ(m_push->SetMediaType(&slow, -1), E_INVALIDARG);
    EXPECT_EQ(m_push->SetMediaType(nullptr, 0), E_INVALIDARG);
    AM_MEDIA_TYPE kept{};
    ASSERT_EQ(m_push->GetMediaType(&kept), S_OK);
    EXPECT_TRUE(CMediaType(kept) == first);
    FreeMediaType(kept);
    EXPECT_EQ(m_push->SetMediaType(&slow, 1000), S_OK);
}

TEST_F(PushSourceGraph, VideoBlocksBecomeOneSampleEachAndOversizedOnesAreRefused)
{
    Start(Rgb24Type(4, 2, 400000), 0);
    for (int frame = 0; frame < 3; ++frame) {
        auto bytes = Pattern(24, frame);
        ASSERT_EQ(m_push->DeliverData(bytes.data(), 24), S_OK);
    }
    // The negotiated buffer is biSizeImage + 20 bytes.
    auto large = Pattern(24 + 21, 9);
    EXPECT_EQ(m_push->DeliverData(large.data(), static_cast<int>(large.size())), E_INVALIDARG);
    EXPECT_EQ(m_push->DeliverData(nullptr, 4), E_INVALIDARG);
    ASSERT_TRUE(m_sink->WaitForSamples(3));
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 3u);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(samples[frame].data, Pattern(24, frame));
        EXPECT_EQ(samples[frame].start, frame * 400000);
        EXPECT_EQ(samples[frame].stop, (frame + 1) * 400000);
    }
    EXPECT_EQ(m_push->EndOfStream(), S_OK);
}

struct RepeatCase {
    LONG height;
    REFERENCE_TIME frame;
    REFERENCE_TIME step;
    int repeatsDelivered;
};

class DvRepeats : public PushSourceGraph, public testing::WithParamInterface<RepeatCase> {};

TEST_P(DvRepeats, RepeatsTheHeldSampleWhileItIsRecent)
{
    const RepeatCase& c = GetParam();
    Start(DvType(c.height, c.frame), 0);
    FakeSample frame(c.height == 576 ? 144000 : 120000);
    auto bytes = Pattern(static_cast<size_t>(frame.GetSize()), 1);
    std::memcpy(frame.m_buffer.data(), bytes.data(), bytes.size());
    frame.SetActualDataLength(frame.GetSize());
    ASSERT_EQ(m_push->Signal(&frame), S_OK);
    // The repeats past the held sample's age are acknowledged with S_FALSE:
    // nothing was delivered for them.
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(m_push->Signal(nullptr), i < c.repeatsDelivered ? S_OK : S_FALSE) << i;
    ASSERT_TRUE(m_sink->WaitForSamples(1 + c.repeatsDelivered));
    EXPECT_EQ(m_push->EndOfStream(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), static_cast<size_t>(1 + c.repeatsDelivered));
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].data, bytes) << i;
        EXPECT_EQ(samples[i].start, static_cast<REFERENCE_TIME>(i) * c.step) << i;
        EXPECT_EQ(samples[i].stop, static_cast<REFERENCE_TIME>(i + 1) * c.step) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, DvRepeats,
                         testing::Values(RepeatCase{480, 333667, 333666, 3}, RepeatCase{576, 400000, 400000, 2},
                                         RepeatCase{480, 400000, 333333, 3}));

// A typed push source and a sink behind it, added to a graph.
struct VideoBranch {
    com::ComPtr<IBaseFilter> source;
    com::ComPtr<IKLPushSource> push;
    CaptureSink* sink = new CaptureSink();
    com::ComPtr<IBaseFilter> sinkFilter = Hold(sink);

    void AddTo(IGraphBuilder* graph, const char16_t* name)
    {
        source = Create<IBaseFilter>(CLSID_QORSource, IID_IBaseFilter);
        push = Query<IKLPushSource>(source.Get(), IID_IKLPushSource);
        CMediaType type = Rgb24Type(4, 2, 400000);
        ASSERT_EQ(push->SetMediaType(&type, 0), S_OK);
        ASSERT_EQ(graph->AddFilter(source.Get(), name), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(sinkFilter.Get(), nullptr)));
        ASSERT_EQ(Connect(graph, PinOf(source.Get(), 0).Get(), sink->Pin()), S_OK);
    }
    REFERENCE_TIME Start(size_t index)
    {
        EXPECT_TRUE(sink->WaitForSamples(index + 1));
        auto samples = sink->Samples();
        return samples.size() > index ? samples[index].start : -1;
    }
};

TEST_F(PushSourceGraph, SourcesOfOneGraphShareTheirVideoTimeAndOtherGraphsDoNot)
{
    // The production's two video sources in one graph, and meanwhile a
    // source of another graph.
    VideoBranch first, second, lone;
    first.AddTo(m_graph.Get(), u"VideoSource");
    second.AddTo(m_graph.Get(), u"VideoCompressedSource");
    auto otherGraph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    lone.AddTo(otherGraph.Get(), u"VideoSource");
    ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Run(), S_OK);
    ASSERT_EQ(Query<IMediaControl>(otherGraph.Get(), IID_IMediaControl)->Run(), S_OK);

    auto bytes = Pattern(24, 0);
    ASSERT_EQ(first.push->DeliverData(bytes.data(), 24), S_OK);
    ASSERT_EQ(lone.push->DeliverData(bytes.data(), 24), S_OK);
    ASSERT_EQ(second.push->DeliverData(bytes.data(), 24), S_OK);
    ASSERT_EQ(first.push->DeliverData(bytes.data(), 24), S_OK);
    EXPECT_EQ(first.Start(0), 0);
    EXPECT_EQ(second.Start(0), 400000);
    EXPECT_EQ(first.Start(1), 800000);
    EXPECT_EQ(lone.Start(0), 0);
    Query<IMediaControl>(otherGraph.Get(), IID_IMediaControl)->Stop();
}

TEST_F(PushSourceGraph, OffersOnlyItsStoredTypeAndNegotiatesDvBuffersByHeight)
{
    // No type yet: nothing connects.
    EXPECT_NE(Connect(m_graph.Get(), PinOf(m_source.Get(), 0).Get(), m_sink->Pin()), S_OK);
    CMediaType pal = DvType(576, 400000);
    ASSERT_EQ(m_push->SetMediaType(&pal, 0), S_OK);
    ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_source.Get(), 0).Get(), m_sink->Pin()), S_OK);
    // Typed while connected: refused.
    EXPECT_EQ(m_push->SetMediaType(&pal, 0), E_FAIL);
    com::ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(Query<IMemInputPin>(m_sink->Pin(), IID_IMemInputPin)->GetAllocator(allocator.Receive()), S_OK);
    ALLOCATOR_PROPERTIES properties{};
    ASSERT_EQ(allocator->GetProperties(&properties), S_OK);
    EXPECT_EQ(properties.cbBuffer, 144000);
    EXPECT_EQ(properties.cBuffers, 4);
}

} // namespace
