#include <cstring>
#include <future>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Grabwell/GrabFilter.h"
#include "Platform/Win/Kernel/System.h"

namespace {

using namespace plugin_test;

// A push source connected to a grab filter of `clsid` in a paused graph.
class GrabGraph : public WithModules {
protected:
    GrabGraph() : WithModules({ModulePath("Grabwell")}) {}

    void Build(REFCLSID clsid, const CMediaType& type, LONG bufferSize = 64)
    {
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_source = new PushSource(type, bufferSize);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        m_grab = Create<IBaseFilter>(clsid, IID_IBaseFilter);
        ASSERT_TRUE(m_grab);
        ASSERT_EQ(m_graph->AddFilter(m_sourceFilter.Get(), u"Source"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_grab.Get(), u"Grab"), S_OK);
        m_frameGrab = Query<IKLFrameGrab>(m_grab.Get(), IID_IKLFrameGrab);
        ASSERT_TRUE(m_frameGrab);
    }
    HRESULT ConnectUp() { return Connect(m_graph.Get(), m_source->Pin(), PinOf(m_grab.Get(), 0).Get()); }
    void Pause() { ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Pause(), S_OK); }
    void Stop() { ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop(), S_OK); }

    void TearDown() override
    {
        if (m_graph)
            Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_frameGrab.Reset();
        m_grab.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }

    // Pushes frames of one second each, frame i with value i + 1, on a
    // thread of its own (a Receive blocks until its sample is taken).
    std::thread PushSeconds(std::vector<int> seconds)
    {
        return std::thread([this, seconds] {
            for (int s : seconds)
                m_source->Push(s * kSecond, (s + 1) * kSecond, static_cast<BYTE>(s + 1));
        });
    }

    com::ComPtr<IGraphBuilder> m_graph;
    PushSource* m_source = nullptr;
    com::ComPtr<IBaseFilter> m_sourceFilter;
    com::ComPtr<IBaseFilter> m_grab;
    com::ComPtr<IKLFrameGrab> m_frameGrab;
};

struct Got {
    HRESULT hr;
    REFERENCE_TIME time;
    BYTE value;
};

Got GrabAt(IKLFrameGrab* grab, REFERENCE_TIME wanted)
{
    Got got{E_UNEXPECTED, wanted, 0};
    REFERENCE_TIME end = 0;
    BYTE buffer[64] = {};
    DWORD copied = 0;
    got.hr = grab->GetFrame(&got.time, &end, buffer, sizeof buffer, &copied);
    got.value = copied ? buffer[0] : 0;
    return got;
}

TEST_F(GrabGraph, FramesAreChosenByTheWantedTime)
{
    Build(CLSID_QuickGrab, OpaqueType());
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    std::thread pusher = PushSeconds({0, 1, 2, 5, 6});
    // A wanted time equal to a sample's stop is served by the next one.
    Got got = GrabAt(m_frameGrab.Get(), 1 * kSecond);
    EXPECT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.value, 2);
    EXPECT_EQ(got.time, 1 * kSecond);
    // Inside a sample's span.
    got = GrabAt(m_frameGrab.Get(), 2 * kSecond + 5);
    EXPECT_EQ(got.value, 3);
    // Far before the head: the head is answered and stays queued.
    got = GrabAt(m_frameGrab.Get(), 3 * kSecond);
    EXPECT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.value, 6);
    EXPECT_EQ(got.time, 5 * kSecond);
    EXPECT_EQ(GrabAt(m_frameGrab.Get(), 3 * kSecond).value, 6) << "the head stayed queued";
    REFERENCE_TIME time = 3 * kSecond, end = 0;
    IMediaSample* sample = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(m_frameGrab->GetSample(&time, &end, &sample), E_FAIL);
    EXPECT_EQ(sample, nullptr);
    EXPECT_EQ(time, 5 * kSecond);
    time = 5 * kSecond;
    ASSERT_EQ(m_frameGrab->GetSample(&time, &end, &sample), S_OK);
    EXPECT_EQ(end, 6 * kSecond);
    sample->Release();
    EXPECT_EQ(GrabAt(m_frameGrab.Get(), 6 * kSecond).value, 7);
    pusher.join();
    // End of stream with an empty queue fails fast.
    m_source->EndOfStream();
    EXPECT_EQ(GrabAt(m_frameGrab.Get(), 7 * kSecond).hr, E_FAIL);
}

TEST_F(GrabGraph, VideoTimesCountFromTheSegmentStart)
{
    Build(CLSID_VideoGrab, Rgb24Type(4, 2));
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    m_source->NewSegment(10 * kSecond);
    std::thread pusher = PushSeconds({0});
    Got got = GrabAt(m_frameGrab.Get(), 10 * kSecond);
    EXPECT_EQ(got.hr, S_OK);
    EXPECT_EQ(got.time, 10 * kSecond);
    pusher.join();
}

TEST_F(GrabGraph, AnUnstampedSampleIsReportedWithoutTimes)
{
    Build(CLSID_QuickGrab, OpaqueType());
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    std::thread pusher([this] {
        m_source->Push(0, kSecond, 1);
        Frame unstamped;
        unstamped.stamped = false;
        unstamped.data.assign(16, 9);
        m_source->Push(unstamped);
    });
    EXPECT_EQ(GrabAt(m_frameGrab.Get(), 0).value, 1);
    Got got = GrabAt(m_frameGrab.Get(), 77);
    EXPECT_EQ(got.hr, S_FALSE);
    EXPECT_EQ(got.value, 9);
    EXPECT_EQ(got.time, 77) << "not the times of another sample";
    pusher.join();
}

TEST_F(GrabGraph, AFrameWhoseDataCannotBeHadFails)
{
    Build(CLSID_QuickGrab, OpaqueType());
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    auto input = Query<IMemInputPin>(PinOf(m_grab.Get(), 0).Get(), IID_IMemInputPin);
    FakeSample sample(16);
    REFERENCE_TIME start = 0, stop = kSecond;
    sample.SetTime(&start, &stop);
    sample.SetActualDataLength(16);
    sample.m_pointerFails = true;
    std::thread pusher([&] { input->Receive(&sample); });
    REFERENCE_TIME time = 0, end = 0;
    BYTE buffer[16];
    DWORD copied = 0;
    EXPECT_TRUE(FAILED(m_frameGrab->GetFrame(&time, &end, buffer, sizeof buffer, &copied)));
    pusher.join();
}

TEST_F(GrabGraph, DroppingAndStoppingReleaseSamples)
{
    Build(CLSID_QuickGrab, OpaqueType());
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    BOOL dropped = TRUE;
    EXPECT_EQ(m_frameGrab->DropSample(0, &dropped), S_OK);
    EXPECT_FALSE(dropped);
    std::thread pusher = PushSeconds({0, 1});
    EXPECT_EQ(m_frameGrab->DropSample(0, &dropped), S_OK);
    EXPECT_TRUE(dropped);
    pusher.join();
    // Frame 2 is queued; stopping releases it and a later read waits for
    // new data.
    Stop();
    Pause();
    m_source->EndOfStream();
    EXPECT_EQ(GrabAt(m_frameGrab.Get(), 0).hr, E_FAIL);
}

struct TypeCase {
    const char* name;
    const GUID* clsid;
    CMediaType (*type)();
    bool accepted;
};

CMediaType Rgb() { return Rgb24Type(4, 2); }
CMediaType Pcm() { return PcmType(44100, 16, 2); }

class GrabTypes : public GrabGraph, public testing::WithParamInterface<TypeCase> {};

TEST_P(GrabTypes, AreCheckedAtConnection)
{
    Build(*GetParam().clsid, GetParam().type());
    EXPECT_EQ(SUCCEEDED(ConnectUp()), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Table, GrabTypes,
                         testing::Values(TypeCase{"QuickAny", &CLSID_QuickGrab, OpaqueType, true},
                                         TypeCase{"QuickPcm", &CLSID_QuickGrab, Pcm, true},
                                         TypeCase{"VideoRgb", &CLSID_VideoGrab, Rgb, true},
                                         TypeCase{"VideoPcm", &CLSID_VideoGrab, Pcm, false},
                                         TypeCase{"VideoAny", &CLSID_VideoGrab, OpaqueType, false},
                                         TypeCase{"AudioPcm", &CLSID_AudioGrab, Pcm, true},
                                         TypeCase{"AudioRgb", &CLSID_AudioGrab, Rgb, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GrabGraph, ASetTypeNarrowsTheVideoGrabToThatFormat)
{
    Build(CLSID_VideoGrab, Rgb24Type(4, 2));
    CMediaType wanted = Rgb24Type(8, 2);
    ASSERT_EQ(m_frameGrab->SetMediaType(&wanted), S_OK);
    EXPECT_TRUE(FAILED(ConnectUp()));
    GUID format{};
    DWORD size = 0;
    EXPECT_EQ(m_frameGrab->GetFormatInfo(&format, &size), E_UNEXPECTED);
    wanted = Rgb24Type(4, 2);
    ASSERT_EQ(m_frameGrab->SetMediaType(&wanted), S_OK);
    ASSERT_EQ(ConnectUp(), S_OK);
    ASSERT_EQ(m_frameGrab->GetFormatInfo(&format, &size), S_OK);
    EXPECT_EQ(format, FORMAT_VideoInfo);
    EXPECT_EQ(size, sizeof(VIDEOINFOHEADER));
    BYTE small[8] = {};
    EXPECT_EQ(m_frameGrab->GetFormat(small, sizeof small), S_OK);
    EXPECT_EQ(std::memcmp(small, wanted.Format(), sizeof small), 0);
}

TEST_F(GrabGraph, AudioComesAsItIsOrAsSilence)
{
    Build(CLSID_AudioGrab, PcmType(8000, 16, 1), 2048);
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    m_source->NewSegment(10 * kSecond);
    m_source->EndOfStream();
    std::vector<BYTE> buffer(8192, 0xFF);
    REFERENCE_TIME time = 0, end = 0;
    DWORD copied = 0;
    EXPECT_EQ(m_frameGrab->GetFrame(&time, &end, buffer.data(), 8192, &copied), S_OK);
    EXPECT_EQ(copied, 6000u);
    EXPECT_EQ(buffer[5999], 0);

    Stop();
    Pause();
    std::thread pusher([this] { m_source->Push(kSecond, 2 * kSecond, 7, 100); });
    EXPECT_EQ(m_frameGrab->GetFrame(&time, &end, buffer.data(), 8192, &copied), S_OK);
    EXPECT_EQ(copied, 100u);
    EXPECT_EQ(time, kSecond) << "audio reports the sample's own stamps";
    pusher.join();
    m_source->EndOfStream();
    EXPECT_EQ(m_frameGrab->GetFrame(&time, &end, buffer.data(), 8192, &copied), S_OK);
    EXPECT_EQ(copied, 6000u) << "the first silence size stays";
}

// The grab wait: 16 s unless a shorter one is set; a grab that gets
// nothing within it fails instead of hanging.
TEST_F(GrabGraph, TheGrabWaitCanBeShortened)
{
    struct Case {
        const char* value;
        DWORD wait;
    };
    for (const Case& each : {Case{nullptr, 16000}, Case{"250", 250}, Case{"0", 16000}, Case{"20000", 16000},
                             Case{"12ms", 16000}, Case{"", 16000}}) {
        SetEnvironmentVariableA(kGrabWaitVariable, each.value);
        EXPECT_EQ(GrabWaitSetting(), each.wait) << (each.value ? each.value : "unset");
    }
    SetEnvironmentVariableA(kGrabWaitVariable, "50");
    for (const GUID* clsid : {&CLSID_VideoGrab, &CLSID_QuickGrab}) {
        Build(*clsid, *clsid == CLSID_VideoGrab ? Rgb24Type(4, 2) : OpaqueType());
        ASSERT_EQ(ConnectUp(), S_OK);
        Pause();
        EXPECT_EQ(GrabAt(m_frameGrab.Get(), 0).hr, E_FAIL);
        Stop();
    }
    SetEnvironmentVariableA(kGrabWaitVariable, nullptr);
}

// Sound that never comes within the wait (and whose stream has not ended)
// is silence too, but answered S_FALSE, so that the caller waits no more.
TEST_F(GrabGraph, AudioThatNeverComesIsSilenceWithSFalse)
{
    SetEnvironmentVariableA(kGrabWaitVariable, "50");
    Build(CLSID_AudioGrab, PcmType(8000, 16, 1), 2048);
    ASSERT_EQ(ConnectUp(), S_OK);
    Pause();
    std::vector<BYTE> buffer(8192, 0xFF);
    REFERENCE_TIME time = 0, end = 0;
    DWORD copied = 0;
    EXPECT_EQ(m_frameGrab->GetFrame(&time, &end, buffer.data(), 8192, &copied), S_FALSE);
    EXPECT_GT(copied, 0u);
    EXPECT_EQ(buffer[0], 0);
    m_source->EndOfStream();
    EXPECT_EQ(m_frameGrab->GetFrame(&time, &end, buffer.data(), 8192, &copied), S_OK);
    Stop();
    SetEnvironmentVariableA(kGrabWaitVariable, nullptr);
}

TEST_F(GrabGraph, UnblockIsNotSupported)
{
    Build(CLSID_QuickGrab, OpaqueType());
    auto unblock = Query<IKLUnblock>(PinOf(m_grab.Get(), 0).Get(), IID_IKLUnblock);
    ASSERT_TRUE(unblock);
    EXPECT_EQ(unblock->Unblock(), E_NOTIMPL);
    EXPECT_EQ(unblock->SetRouted(TRUE), E_NOTIMPL);
    EXPECT_EQ(m_frameGrab->GetFormatInfo(nullptr, nullptr), E_POINTER);
}

} // namespace
