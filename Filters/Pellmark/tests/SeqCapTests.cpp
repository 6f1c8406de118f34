#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/CaptureSink.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Pellmark/SeqCap.h"

namespace {

using namespace plugin_test;

constexpr LONG kWidth = 4, kHeight = 2, kFrameBytes = kWidth * 3 * kHeight;
constexpr REFERENCE_TIME kFrame = 333667;

// A capture graph (test source → sequence renderer) and a writing graph
// (sequence source → sink) in one process.
class SequenceCapture : public WithModules {
protected:
    SequenceCapture() : WithModules({ModulePath("Pellmark")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_captureGraph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_writeGraph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_renderer = Create<IBaseFilter>(CLSID_SeqCapRenderer, IID_IBaseFilter);
        m_giver = Query<IKLFrameGiver>(m_renderer.Get(), IID_IKLFrameGiver);
        HRESULT hr = S_OK;
        m_sourceObject = new CSeqCapSource(nullptr, &hr);
        m_source = Query<IBaseFilter>(m_sourceObject->GetOwner(), IID_IBaseFilter);
        m_receiver = Query<FrameReceiver>(m_source.Get(), IID_FrameReceiver);
        ASSERT_TRUE(m_giver && m_receiver);
        // The capture side's buffers are larger than a frame, so an
        // oversized frame can be sent.
        m_camera = new PushSource(Rgb24Type(kWidth, kHeight, kFrame), 64);
        m_cameraFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_camera), IID_IBaseFilter);
        m_sink = new CaptureSink();
        m_sinkFilter = Hold(m_sink);
        ASSERT_EQ(m_captureGraph->AddFilter(m_cameraFilter.Get(), u"Camera"), S_OK);
        ASSERT_EQ(m_captureGraph->AddFilter(m_renderer.Get(), u"SequenceRenderer"), S_OK);
        ASSERT_EQ(m_writeGraph->AddFilter(m_source.Get(), u"SequenceSource"), S_OK);
        ASSERT_EQ(m_writeGraph->AddFilter(m_sinkFilter.Get(), u"Writer"), S_OK);
    }
    void TearDown() override
    {
        for (auto* graph : {m_captureGraph.Get(), m_writeGraph.Get()})
            if (graph)
                Query<IMediaControl>(graph, IID_IMediaControl)->Stop();
        m_giver.Reset();
        m_receiver.Reset();
        m_renderer.Reset();
        m_source.Reset();
        m_cameraFilter.Reset();
        m_sinkFilter.Reset();
        m_captureGraph.Reset();
        m_writeGraph.Reset();
        WithModules::TearDown();
    }
    void ConnectCamera()
    {
        ASSERT_EQ(Connect(m_captureGraph.Get(), m_camera->Pin(), PinOf(m_renderer.Get(), 0).Get()), S_OK);
    }
    HRESULT ConnectWriter()
    {
        return Connect(m_writeGraph.Get(), PinOf(m_source.Get(), 0).Get(), m_sink->Pin());
    }
    void RunBoth()
    {
        ASSERT_EQ(Query<IMediaControl>(m_writeGraph.Get(), IID_IMediaControl)->Run(), S_OK);
        ASSERT_EQ(Query<IMediaControl>(m_captureGraph.Get(), IID_IMediaControl)->Run(), S_OK);
    }
    void Ready()
    {
        ConnectCamera();
        ASSERT_EQ(m_giver->SetReceiver(m_receiver.Get()), S_OK);
        ASSERT_EQ(ConnectWriter(), S_OK);
        RunBoth();
    }
    HRESULT Capture(BYTE value, LONG length = kFrameBytes)
    {
        Frame frame;
        frame.start = 50000000 + value * kFrame;
        frame.stop = frame.start + kFrame;
        frame.data.assign(static_cast<size_t>(length), value);
        return m_camera->Push(frame);
    }

    com::ComPtr<IGraphBuilder> m_captureGraph, m_writeGraph;
    com::ComPtr<IBaseFilter> m_renderer, m_source, m_cameraFilter, m_sinkFilter;
    com::ComPtr<IKLFrameGiver> m_giver;
    com::ComPtr<FrameReceiver> m_receiver;
    CSeqCapSource* m_sourceObject = nullptr;
    PushSource* m_camera = nullptr;
    CaptureSink* m_sink = nullptr;
};

TEST_F(SequenceCapture, HandsTriggeredFramesOverBackToBack)
{
    Ready();
    for (BYTE value = 1; value <= 9; ++value) {
        // Every third frame is chosen.
        if (value % 3 == 0) {
            ASSERT_EQ(m_giver->Trigger(), S_OK);
        }
        ASSERT_EQ(Capture(value), S_OK);
    }
    ASSERT_TRUE(m_sink->WaitForSamples(3));
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(samples[i].data, std::vector<BYTE>(kFrameBytes, static_cast<BYTE>(3 * (i + 1)))) << i;
        EXPECT_EQ(samples[i].start, static_cast<REFERENCE_TIME>(i) * kFrame) << i;
        EXPECT_EQ(samples[i].stop, static_cast<REFERENCE_TIME>(i + 1) * kFrame) << i;
    }
}

TEST_F(SequenceCapture, TwoTriggersBeforeAFramePassOneFrame)
{
    Ready();
    ASSERT_EQ(m_giver->Trigger(), S_OK);
    ASSERT_EQ(m_giver->Trigger(), S_OK);
    ASSERT_EQ(Capture(1), S_OK);
    ASSERT_EQ(Capture(2), S_OK);
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].data[0], 1);
}

TEST_F(SequenceCapture, AFrameLargerThanTheOutputBufferIsRefusedAndTheStreamGoesOn)
{
    Ready();
    ASSERT_EQ(m_giver->Trigger(), S_OK);
    EXPECT_EQ(Capture(1, kFrameBytes + 8), S_OK);
    ASSERT_EQ(m_giver->Trigger(), S_OK);
    ASSERT_EQ(Capture(2), S_OK);
    ASSERT_TRUE(m_sink->WaitForSamples(1));
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].data, std::vector<BYTE>(kFrameBytes, 2));
    EXPECT_EQ(samples[0].start, 0);
}

TEST_F(SequenceCapture, AHandOverThatTimedOutIsWithdrawnAndLaterFramesFollowWithoutAGap)
{
    ConnectCamera();
    ASSERT_EQ(m_giver->SetReceiver(m_receiver.Get()), S_OK);
    ASSERT_EQ(ConnectWriter(), S_OK);
    // The writing graph is not running yet: the push is not taken.
    m_sourceObject->SetPushWait(50);
    FakeSample frame(kFrameBytes);
    frame.SetActualDataLength(kFrameBytes);
    EXPECT_EQ(m_receiver->PushSample(&frame), E_FAIL);
    RunBoth();
    ASSERT_EQ(m_giver->Trigger(), S_OK);
    ASSERT_EQ(Capture(4), S_OK);
    ASSERT_TRUE(m_sink->WaitForSamples(1));
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ASSERT_TRUE(m_sink->WaitForEnd());
    auto samples = m_sink->Samples();
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].data[0], 4);
    EXPECT_EQ(samples[0].start, 0);
    // Ended by the end of stream, not by an error.
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    auto events = Query<IMediaEvent>(m_writeGraph.Get(), IID_IMediaEvent);
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        EXPECT_NE(code, EC_ERRORABORT);
        events->FreeEventParams(code, p1, p2);
    }
}

TEST_F(SequenceCapture, AReceiverSetBeforeTheRendererIsConnectedGetsNoType)
{
    ASSERT_EQ(m_giver->SetReceiver(m_receiver.Get()), S_OK);
    EXPECT_NE(ConnectWriter(), S_OK);
    EXPECT_EQ(m_giver->SetReceiver(nullptr), E_INVALIDARG);
    // Frames arriving with no receiver are refused.
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ASSERT_EQ(m_giver->ReleaseReceiver(), S_OK);
    ConnectCamera();
    ASSERT_EQ(Query<IMediaControl>(m_captureGraph.Get(), IID_IMediaControl)->Run(), S_OK);
    EXPECT_EQ(Capture(1), E_POINTER);
}

} // namespace
