#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Generic/SceneAnalyser.h"

namespace {

using namespace plugin_test;

constexpr int kWidth = 5; // odd: rows carry a byte of padding
constexpr int kHeight = 4;
constexpr LONG kStride = (kWidth * 3 + 3) & ~3;
constexpr double kFrame = 0.04;

// A still of one colour with `padding` in the row padding.
std::vector<BYTE> Still(BYTE red, BYTE green, BYTE blue, BYTE padding = 0)
{
    std::vector<BYTE> frame(static_cast<size_t>(kStride * kHeight), padding);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            BYTE* pixel = &frame[static_cast<size_t>(y * kStride + 3 * x)];
            pixel[0] = blue;
            pixel[1] = green;
            pixel[2] = red;
        }
    return frame;
}

TEST(SceneAnalyser, FindsTheCutBetweenTwoStillsTenFramesLate)
{
    auto analyser = std::make_unique<SceneAnalyser>();
    analyser->SetFormat(kWidth, kHeight, kFrame);
    auto a = Still(10, 200, 30), b = Still(200, 10, 220);
    for (int n = 0; n < 80; ++n) {
        bool stored = analyser->Analyse(n < 40 ? a.data() : b.data(), kStride, n, (n + 0.5) * kFrame);
        if (n == 0) {
            EXPECT_TRUE(stored) << "the first frame starts a scene";
        }
        if (n < 50) {
            EXPECT_EQ(analyser->SceneCount(), 1) << "frame " << n;
        }
    }
    ASSERT_EQ(analyser->SceneCount(), 2);
    EXPECT_EQ(analyser->Scene(0), 0.0);
    EXPECT_NEAR(analyser->Scene(1), 40.5 * kFrame, 1e-9) << "the first frame of the second still";
}

TEST(SceneAnalyser, OneStillIsOneScene)
{
    auto analyser = std::make_unique<SceneAnalyser>();
    analyser->SetFormat(kWidth, kHeight, kFrame);
    auto a = Still(90, 90, 90);
    for (int n = 0; n < 100; ++n)
        analyser->Analyse(a.data(), kStride, n, n * kFrame);
    EXPECT_EQ(analyser->SceneCount(), 1);
}

TEST(SceneAnalyser, ReadsRowsByTheirPaddedStride)
{
    auto clean = std::make_unique<SceneAnalyser>();
    auto noisy = std::make_unique<SceneAnalyser>();
    clean->SetFormat(kWidth, kHeight, kFrame);
    noisy->SetFormat(kWidth, kHeight, kFrame);
    auto a = Still(10, 200, 30, 0x00), b = Still(10, 200, 30, 0xFF);
    clean->Analyse(a.data(), kStride, 0, 0);
    noisy->Analyse(b.data(), kStride, 0, 0);
    for (int c = 0; c < 3; ++c)
        for (int bin = 0; bin < SceneAnalyser::kBins; ++bin)
            EXPECT_EQ(clean->Histogram(c)[bin], noisy->Histogram(c)[bin]);
    EXPECT_GT(clean->Histogram(0)[10 >> 3], 0.0f);
    EXPECT_EQ(clean->Histogram(0)[255 >> 3], 0.0f) << "no padding byte counted";
}

// push source -> scene detector -> quick grab, the grab drained by a thread.
class DetectorGraph : public WithModules {
protected:
    DetectorGraph() : WithModules({ModulePath("Generic"), ModulePath("Grabwell")}) {}

    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_detectorFilter = Create<IBaseFilter>(CLSID_SceneDetector, IID_IBaseFilter);
        ASSERT_TRUE(m_detectorFilter);
        m_detector = Query<IKLSceneDetector>(m_detectorFilter.Get(), IID_IKLSceneDetector);
        ASSERT_EQ(m_graph->AddFilter(m_detectorFilter.Get(), u"Scene Detector"), S_OK);
    }
    void Build(const CMediaType& type)
    {
        m_source = new PushSource(type, kStride * kHeight);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        m_grabFilter = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        m_graph->AddFilter(m_sourceFilter.Get(), u"Source");
        m_graph->AddFilter(m_grabFilter.Get(), u"Grab");
        m_connected = SUCCEEDED(Connect(m_graph.Get(), m_source->Pin(), PinOf(m_detectorFilter.Get(), 0).Get())) &&
                      SUCCEEDED(Connect(m_graph.Get(), PinOf(m_detectorFilter.Get(), 1).Get(),
                                        PinOf(m_grabFilter.Get(), 0).Get()));
        m_grab = Query<IKLFrameGrab>(m_grabFilter.Get(), IID_IKLFrameGrab);
        m_drain = std::thread([this] {
            while (!m_stop) {
                BOOL dropped = FALSE;
                if (m_grab)
                    m_grab->DropSample(0, &dropped);
            }
        });
    }
    void TearDown() override
    {
        Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_stop = true;
        if (m_drain.joinable())
            m_drain.join();
        if (m_detector)
            m_detector->DetachGraph();
        m_detector.Reset();
        m_grab.Reset();
        m_grabFilter.Reset();
        m_detectorFilter.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    void PushFrame(int n, const std::vector<BYTE>& pixels)
    {
        Frame frame;
        frame.start = static_cast<REFERENCE_TIME>(n) * 400000;
        frame.stop = frame.start + 400000;
        frame.data = pixels;
        ASSERT_EQ(m_source->Push(frame), S_OK);
    }
    int Scenes()
    {
        double position = 0, duration = 0;
        int scenes = -1;
        m_detector->GetPosition(&position, &duration, &scenes);
        return scenes;
    }

    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_detectorFilter;
    com::ComPtr<IKLSceneDetector> m_detector;
    PushSource* m_source = nullptr;
    com::ComPtr<IBaseFilter> m_sourceFilter;
    com::ComPtr<IBaseFilter> m_grabFilter;
    com::ComPtr<IKLFrameGrab> m_grab;
    bool m_connected = false;
    std::atomic<bool> m_stop{false};
    std::thread m_drain;
};

TEST_F(DetectorGraph, FindsTheCutInATwoSceneClip)
{
    double sensitivity = 0, window = 0;
    EXPECT_EQ(m_detector->SetParameters(0.5, 1.0, TRUE), E_FAIL) << "no frame duration before a connection";
    Build(Rgb24Type(kWidth, kHeight, 400000));
    ASSERT_TRUE(m_connected);
    ASSERT_EQ(m_detector->SetParameters(0.5, 1.2, TRUE), S_OK);
    m_detector->GetParameters(&sensitivity, &window);
    EXPECT_NEAR(sensitivity, 0.5, 1e-9);
    EXPECT_NEAR(window, 30.5 * kFrame, 1e-9);
    ASSERT_EQ(m_detector->AttachGraph(), S_OK);
    m_detector->SetUsePosition(FALSE);
    ASSERT_EQ(m_detector->StartAnalysis(), S_OK);
    auto a = Still(10, 200, 30, 0x55), b = Still(200, 10, 220, 0xAA);
    for (int n = 0; n < 50; ++n)
        PushFrame(n, n < 40 ? a : b);
    EXPECT_EQ(Scenes(), 1) << "the cut is recorded ten frames late";
    PushFrame(50, b);
    ASSERT_EQ(Scenes(), 2);
    double time = -1;
    EXPECT_EQ(m_detector->GetScene(0, &time), S_OK);
    EXPECT_EQ(time, 0.0);
    EXPECT_EQ(m_detector->GetScene(1, &time), S_OK);
    EXPECT_NEAR(time, 40.5 * kFrame, 1e-9);
    EXPECT_EQ(m_detector->GetScene(2, &time), E_FAIL);
    EXPECT_EQ(m_detector->GetScene(-100, &time), S_OK);
    EXPECT_NEAR(time, 50.5 * kFrame, 1e-9);

    // The scenes persist.
    auto persist = Query<IPersistStream>(m_detectorFilter.Get(), IID_IPersistStream);
    com::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    auto other = Create<IBaseFilter>(CLSID_SceneDetector, IID_IBaseFilter);
    ASSERT_EQ(Query<IPersistStream>(other.Get(), IID_IPersistStream)->Load(stream.Get()), S_OK);
    auto copy = Query<IKLSceneDetector>(other.Get(), IID_IKLSceneDetector);
    EXPECT_EQ(copy->GetScene(1, &time), S_OK);
    EXPECT_NEAR(time, 40.5 * kFrame, 1e-9);
}

TEST_F(DetectorGraph, ParametersAtTwentyFiveFrames)
{
    Build(Rgb24Type(kWidth, kHeight, 400000));
    ASSERT_TRUE(m_connected);
    ASSERT_EQ(m_detector->SetParameters(0.5, 1.0, TRUE), S_OK);
    double sensitivity = 0, window = 0;
    m_detector->GetParameters(&sensitivity, &window);
    EXPECT_NEAR(sensitivity, 0.5, 1e-9);
    EXPECT_NEAR(window, 1.02, 1e-9) << "N = 25";
    ASSERT_EQ(m_detector->SetParameters(0.0, 0.01, TRUE), S_OK);
    m_detector->GetParameters(&sensitivity, &window);
    EXPECT_NEAR(sensitivity, 0.0, 1e-9);
    EXPECT_NEAR(window, 1.5 * kFrame, 1e-9) << "a window below one frame is raised to one";
}

TEST_F(DetectorGraph, RefusesOtherVideoFormats)
{
    CMediaType rgb565 = Rgb24Type(kWidth, kHeight);
    rgb565.SetSubtype(&MEDIASUBTYPE_RGB565);
    reinterpret_cast<VIDEOINFOHEADER*>(rgb565.Format())->bmiHeader.biBitCount = 16;
    Build(rgb565);
    EXPECT_FALSE(m_connected);
}

TEST_F(DetectorGraph, BadPersistedStateIsRefused)
{
    auto persist = Query<IPersistStream>(m_detectorFilter.Get(), IID_IPersistStream);
    auto load = [&](std::vector<BYTE> bytes) {
        com::ComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive());
        std::vector<BYTE> header;
        for (char c : std::string("00000000000 "))
            header.insert(header.end(), {static_cast<BYTE>(c), 0});
        bytes.insert(bytes.begin(), header.begin(), header.end());
        ULONG written = 0;
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        return persist->Load(stream.Get());
    };
    std::vector<BYTE> huge = {0xD1, 0x07, 0, 0}; // 2001 scenes
    EXPECT_TRUE(FAILED(load(huge)));
    std::vector<BYTE> truncated = {1, 0, 0, 0, 0, 0};
    EXPECT_TRUE(FAILED(load(truncated)));
    std::vector<BYTE> good = {0, 0, 0, 0};
    double threshold = 4.0;
    BYTE raw[8];
    std::memcpy(raw, &threshold, 8);
    good.insert(good.end(), raw, raw + 8);
    std::vector<BYTE> badWindow = good;
    badWindow.insert(badWindow.end(), {0, 1, 0, 0}); // 256 frames
    EXPECT_TRUE(FAILED(load(badWindow)));
    double sensitivity = 0, window = 0;
    m_detector->GetParameters(&sensitivity, &window);
    EXPECT_NEAR(sensitivity, 0.5, 1e-9) << "the state stayed";
    good.insert(good.end(), {20, 0, 0, 0});
    EXPECT_EQ(load(good), S_OK);
    m_detector->GetParameters(&sensitivity, &window);
    EXPECT_NEAR(sensitivity, 0.6, 1e-9);
}

} // namespace
