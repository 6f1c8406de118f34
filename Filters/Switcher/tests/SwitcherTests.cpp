#include <algorithm>
#include <atomic>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"

namespace {

using namespace plugin_test;

// Two push sources on inputs 0 and 1 of a switcher whose output 0 feeds a
// quick grab filter.
class SwitcherGraph : public WithModules {
protected:
    SwitcherGraph() : WithModules({ModulePath("Switcher"), ModulePath("Tessaly"), ModulePath("Grabwell")}) {}

    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_filter = Create<IBaseFilter>(CLSID_QORSwitcher, IID_IBaseFilter);
        ASSERT_TRUE(m_filter);
        m_switcher = Query<IKLSwitcher>(m_filter.Get(), IID_IKLSwitcher);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), u"Kestrelon Video Switcher"), S_OK);
    }

    void Build(const CMediaType& type = OpaqueType(), bool connectOutput = true)
    {
        for (int i = 0; i < 2; ++i) {
            m_sources[i] = new PushSource(type, 64);
            m_sourceFilters[i] = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_sources[i]), IID_IBaseFilter);
            ASSERT_EQ(m_graph->AddFilter(m_sourceFilters[i].Get(), i ? u"B" : u"A"), S_OK);
            ASSERT_EQ(Connect(m_graph.Get(), m_sources[i]->Pin(), PinOf(m_filter.Get(), i).Get()), S_OK);
        }
        m_grabFilter = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        ASSERT_EQ(m_graph->AddFilter(m_grabFilter.Get(), u"QOR Quick Grab Renderer"), S_OK);
        if (connectOutput) {
            ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_filter.Get(), 10).Get(), PinOf(m_grabFilter.Get(), 0).Get()),
                      S_OK);
        }
        m_grab = Query<IKLFrameGrab>(m_grabFilter.Get(), IID_IKLFrameGrab);
    }

    void TearDown() override
    {
        if (m_graph)
            Control()->Stop();
        for (auto& thread : m_threads)
            thread.join();
        m_grab.Reset();
        m_grabFilter.Reset();
        m_switcher.Reset();
        m_filter.Reset();
        for (auto& filter : m_sourceFilters)
            filter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }

    com::ComPtr<IMediaControl> Control() { return Query<IMediaControl>(m_graph.Get(), IID_IMediaControl); }

    // Pushes one-second frames (start second, value) on a thread of its own.
    void PushFrom(int source, std::vector<std::pair<double, BYTE>> frames, double length = 1.0)
    {
        m_threads.emplace_back([this, source, frames, length] {
            for (auto [second, value] : frames) {
                auto start = static_cast<REFERENCE_TIME>(second * kSecond);
                m_sources[source]->Push(start, start + static_cast<REFERENCE_TIME>(length * kSecond), value);
            }
        });
    }

    struct Taken {
        HRESULT hr;
        REFERENCE_TIME start;
        BYTE value;
        BYTE* buffer;
    };
    Taken Take(REFERENCE_TIME wanted)
    {
        Taken taken{E_FAIL, wanted, 0, nullptr};
        REFERENCE_TIME end = 0;
        IMediaSample* sample = nullptr;
        taken.hr = m_grab->GetSample(&taken.start, &end, &sample);
        if (sample) {
            sample->GetPointer(&taken.buffer);
            taken.value = taken.buffer[0];
            sample->Release();
        }
        return taken;
    }
    bool IsDuplicateOf(int source, BYTE* buffer)
    {
        auto buffers = m_sources[source]->Buffers();
        return std::find(buffers.begin(), buffers.end(), buffer) != buffers.end();
    }

    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_filter;
    com::ComPtr<IKLSwitcher> m_switcher;
    PushSource* m_sources[2] = {};
    com::ComPtr<IBaseFilter> m_sourceFilters[2];
    com::ComPtr<IBaseFilter> m_grabFilter;
    com::ComPtr<IKLFrameGrab> m_grab;
    std::vector<std::thread> m_threads;
};

TEST_F(SwitcherGraph, ANewFilterHasTwentyPins)
{
    int pins = 0;
    while (PinOf(m_filter.Get(), pins))
        ++pins;
    EXPECT_EQ(pins, 20);
    EXPECT_FALSE(PinOf(m_filter.Get(), 20));
    PIN_INFO info{};
    ASSERT_EQ(PinOf(m_filter.Get(), 3)->QueryPinInfo(&info), S_OK);
    info.pFilter->Release();
    EXPECT_EQ(std::u16string(info.achName), u"Input  3");
    EXPECT_EQ(m_switcher->SetPinCount(1, 1), E_FAIL);
    EXPECT_EQ(m_switcher->SetPinCount(11, 1), E_INVALIDARG);
    int inputs = 0, outputs = 0;
    EXPECT_EQ(m_switcher->GetPinCount(&inputs, &outputs), S_OK);
    EXPECT_EQ(inputs + outputs, 20);
    EXPECT_EQ(m_switcher->IsLastSwitchClear(), 1);
}

TEST_F(SwitcherGraph, TheInitialScheduleDropsEverything)
{
    Build();
    ASSERT_EQ(Control()->Pause(), S_OK);
    EXPECT_EQ(m_sources[0]->Push(0, kSecond, 1), S_OK);
    BOOL dropped = TRUE;
    EXPECT_EQ(m_grab->DropSample(0, &dropped), S_OK);
    EXPECT_FALSE(dropped) << "nothing reached the output";
}

TEST_F(SwitcherGraph, OneInputPassesInOrderAsDuplicates)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 32000), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    PushFrom(0, {{0, 1}, {0.5, 9}, {1, 2}});
    Taken first = Take(0);
    EXPECT_EQ(first.value, 1);
    EXPECT_TRUE(IsDuplicateOf(0, first.buffer)) << "video passes without a copy";
    Taken second = Take(kSecond);
    EXPECT_EQ(second.value, 2) << "the sample overlapping its predecessor is not delivered";
    EXPECT_EQ(second.start, kSecond);
}

TEST_F(SwitcherGraph, AudioIsCopied)
{
    Build(PcmType(8000, 16, 1));
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 32000), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    PushFrom(0, {{0, 5}});
    Taken taken = Take(0);
    EXPECT_EQ(taken.value, 5);
    EXPECT_FALSE(IsDuplicateOf(0, taken.buffer));
}

TEST_F(SwitcherGraph, TwoInputsOneAfterTheOther)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 10), S_OK);
    ASSERT_EQ(m_switcher->RouteSeconds(1, 0, 10, 20), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    // B runs ahead and must wait for A to pass the switch.
    PushFrom(1, {{10, 20}, {11, 21}, {12, 22}, {19, 23}});
    PushFrom(0, {{0, 1}, {1, 2}, {8, 3}, {10, 4}});

    Taken a1 = Take(0);
    EXPECT_EQ(a1.value, 1);
    EXPECT_TRUE(IsDuplicateOf(0, a1.buffer));
    EXPECT_EQ(Take(kSecond).value, 2);
    Taken a3 = Take(8 * kSecond);
    EXPECT_EQ(a3.value, 3);
    EXPECT_FALSE(IsDuplicateOf(0, a3.buffer)) << "within two frames of the switch: a copy";

    // The zero-length frame at the switch, made from A's first sample
    // past it, comes before B's samples.
    REFERENCE_TIME time = 10 * kSecond - 1, end = 0;
    BYTE buffer[64];
    DWORD copied = 0;
    ASSERT_EQ(m_grab->GetFrame(&time, &end, buffer, sizeof buffer, &copied), S_OK);
    EXPECT_EQ(time, 10 * kSecond);
    EXPECT_EQ(end, 10 * kSecond);
    EXPECT_EQ(buffer[0], 4);

    // B did not advance the schedule itself: its frames far from the next
    // switch pass as duplicates, the last one before it as a copy.
    Taken b1 = Take(10 * kSecond);
    EXPECT_EQ(b1.value, 20);
    EXPECT_TRUE(IsDuplicateOf(1, b1.buffer));
    EXPECT_EQ(Take(11 * kSecond).value, 21);
    EXPECT_EQ(Take(12 * kSecond).value, 22);
    Taken b4 = Take(19 * kSecond);
    EXPECT_EQ(b4.value, 23);
    EXPECT_FALSE(IsDuplicateOf(1, b4.buffer));
    // The schedule is exhausted: end of stream on the output.
    EXPECT_EQ(Take(20 * kSecond).hr, E_FAIL);
    int index = 0;
    EXPECT_EQ(m_switcher->GetScheduleValue(&index), VFW_S_NO_MORE_ITEMS);
}

TEST_F(SwitcherGraph, TheFirstTwoSamplesAfterTheInputsOwnSwitchAreCopies)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 20), S_OK);
    ASSERT_EQ(m_switcher->RouteSeconds(1, 1, 0, 10), S_OK); // output 1 is not connected
    ASSERT_EQ(Control()->Pause(), S_OK);
    ASSERT_EQ(m_sources[1]->Push(9 * kSecond, 10 * kSecond, 30), S_OK);
    PushFrom(0, {{0, 1}, {9, 2}, {10, 3}, {11, 4}, {12, 5}});
    const bool duplicate[] = {true, false, false, false, true};
    const double starts[] = {0, 9, 10, 11, 12};
    for (int i = 0; i < 5; ++i) {
        Taken taken = Take(static_cast<REFERENCE_TIME>(starts[i] * kSecond));
        EXPECT_EQ(taken.value, i + 1);
        EXPECT_EQ(IsDuplicateOf(0, taken.buffer), duplicate[i]) << "frame " << i + 1;
    }
}

TEST_F(SwitcherGraph, TheLastSwitchHasNoBoundaryFrame)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 10), S_OK);
    ASSERT_EQ(m_switcher->RouteSeconds(1, 0, 10, 20), S_OK);
    ASSERT_EQ(m_switcher->SetLastSwitch(TRUE), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    PushFrom(1, {{10, 20}});
    PushFrom(0, {{8, 3}, {10, 4}});
    EXPECT_EQ(Take(8 * kSecond).value, 3);
    REFERENCE_TIME time = 10 * kSecond - 1, end = 0;
    BYTE buffer[64];
    DWORD copied = 0;
    ASSERT_EQ(m_grab->GetFrame(&time, &end, buffer, sizeof buffer, &copied), S_OK);
    EXPECT_EQ(buffer[0], 20);
}

TEST_F(SwitcherGraph, StopReleasesAWaitingReceive)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 10), S_OK);
    ASSERT_EQ(m_switcher->RouteSeconds(1, 0, 10, 20), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    std::atomic<bool> returned{false};
    std::thread waiting([&] {
        m_sources[1]->Push(10 * kSecond, 11 * kSecond, 20);
        returned = true;
    });
    // B is held back (A never reaches the switch) until the graph stops.
    EXPECT_FALSE(returned);
    ASSERT_EQ(Control()->Stop(), S_OK);
    waiting.join();
    EXPECT_TRUE(returned);
}

TEST_F(SwitcherGraph, UnblockingLeavesThePinDelivering)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 32000), S_OK);
    ASSERT_EQ(Control()->Pause(), S_OK);
    auto unblock = Query<IKLUnblock>(PinOf(m_filter.Get(), 0).Get(), IID_IKLUnblock);
    ASSERT_TRUE(unblock);
    EXPECT_EQ(unblock->Unblock(), S_OK) << "no Receive running";
    // The grab holds frame 1, so the Receive of frame 2 blocks downstream
    // and Unblock gives up after its wait.
    PushFrom(0, {{0, 1}, {1, 2}});
    BOOL dropped = FALSE;
    while (!dropped)
        m_grab->DropSample(0, &dropped);
    // Frame 2 may be on its way or blocked; either way the pin recovers.
    unblock->Unblock();
    PushFrom(0, {{2, 3}});
    Taken taken = Take(2 * kSecond);
    EXPECT_EQ(taken.value, 3) << "the unblocking flag was cleared";
}

TEST_F(SwitcherGraph, SeeksReachEveryInputAndMoveTheSchedule)
{
    Build();
    ASSERT_EQ(m_switcher->RouteSeconds(0, 0, 0, 10), S_OK);
    ASSERT_EQ(m_switcher->RouteSeconds(1, 0, 10, 20), S_OK);
    m_sources[1]->SetSeekShift(15 * kSecond);
    auto seeking = Query<IMediaSeeking>(PinOf(m_filter.Get(), 10).Get(), IID_IMediaSeeking);
    ASSERT_TRUE(seeking);
    EXPECT_EQ(seeking->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(m_sources[0]->RateCalls() + m_sources[1]->RateCalls(), 0);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 100 * kSecond);

    // A failed position change does not move the schedule: the sources
    // have no IMediaPosition.
    auto position = Query<IMediaPosition>(PinOf(m_filter.Get(), 10).Get(), IID_IMediaPosition);
    ASSERT_TRUE(position);
    EXPECT_TRUE(FAILED(position->put_CurrentPosition(12.0)));
    ASSERT_EQ(Control()->Pause(), S_OK);
    int index = -1;
    m_switcher->GetScheduleValue(&index);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(Control()->Stop(), S_OK);

    LONGLONG current = 0;
    ASSERT_EQ(seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    EXPECT_EQ(m_sources[0]->Seeks(), std::vector<REFERENCE_TIME>{0});
    EXPECT_EQ(m_sources[1]->Seeks(), std::vector<REFERENCE_TIME>{0});
    // The second input reported 15 s: the schedule starts there.
    ASSERT_EQ(Control()->Pause(), S_OK);
    m_switcher->GetScheduleValue(&index);
    EXPECT_EQ(index, 1);
}

TEST_F(SwitcherGraph, WithoutInputsSeekingHasNoPeer)
{
    m_grabFilter = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
    ASSERT_EQ(m_graph->AddFilter(m_grabFilter.Get(), u"Grab"), S_OK);
    CMediaType type = OpaqueType();
    ASSERT_EQ(m_graph->ConnectDirect(PinOf(m_filter.Get(), 10).Get(), PinOf(m_grabFilter.Get(), 0).Get(), &type),
              S_OK);
    auto seeking = Query<IMediaSeeking>(PinOf(m_filter.Get(), 10).Get(), IID_IMediaSeeking);
    ASSERT_TRUE(seeking);
    LONGLONG duration = 0, current = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), E_INVALIDARG);
    EXPECT_EQ(seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, 0), E_NOTIMPL);
    EXPECT_FALSE(Query<IMediaSeeking>(PinOf(m_filter.Get(), 11).Get(), IID_IMediaSeeking))
        << "only a connected output answers";
}

TEST_F(SwitcherGraph, MediaTypesFollowTheConnection)
{
    Build(OpaqueType(), false);
    CMediaType rgb = Rgb24Type(4, 2), opaque = OpaqueType();
    EXPECT_EQ(m_switcher->SetMediaType(&rgb), E_FAIL);
    EXPECT_EQ(m_switcher->SetMediaType(&opaque), S_OK);
    m_graph->Disconnect(m_sources[0]->Pin());
    m_graph->Disconnect(PinOf(m_filter.Get(), 0).Get());
    m_graph->Disconnect(m_sources[1]->Pin());
    m_graph->Disconnect(PinOf(m_filter.Get(), 1).Get());
    EXPECT_EQ(m_switcher->SetMediaType(&rgb), E_FAIL) << "a set type stays until it is removed";
    EXPECT_EQ(m_switcher->SetMediaType(nullptr), S_OK);
    EXPECT_EQ(m_switcher->SetMediaType(&rgb), S_OK);
    // A type the filter does not take is refused at connection.
    EXPECT_TRUE(FAILED(Connect(m_graph.Get(), m_sources[0]->Pin(), PinOf(m_filter.Get(), 0).Get())));
    // A restriction refuses other major types.
    EXPECT_EQ(m_switcher->SetMediaType(nullptr), S_OK);
    GUID audio = MEDIATYPE_Audio;
    EXPECT_EQ(m_switcher->SetTypeRestriction(&audio, nullptr), S_OK);
    EXPECT_TRUE(FAILED(Connect(m_graph.Get(), m_sources[0]->Pin(), PinOf(m_filter.Get(), 0).Get())));
}

// ---- persistence

com::ComPtr<IStream> NewStream(const std::vector<BYTE>& bytes = {})
{
    com::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    if (!bytes.empty()) {
        ULONG written = 0;
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    }
    return stream;
}

std::vector<BYTE> Contents(IStream* stream)
{
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

class SwitcherPersistence : public SwitcherGraph {
protected:
    com::ComPtr<IPersistStream> Persist(IBaseFilter* filter)
    {
        return Query<IPersistStream>(filter, IID_IPersistStream);
    }
    std::vector<BYTE> Saved()
    {
        auto stream = NewStream();
        EXPECT_EQ(Persist(m_filter.Get())->Save(stream.Get(), TRUE), S_OK);
        return Contents(stream.Get());
    }
    // The header (version 0 as 12 UTF-16 characters) and little-endian
    // words.
    static std::vector<BYTE> Header()
    {
        std::vector<BYTE> bytes;
        for (char c : std::string("00000000000 "))
            bytes.insert(bytes.end(), {static_cast<BYTE>(c), 0});
        return bytes;
    }
    static void Put(std::vector<BYTE>& bytes, DWORD word)
    {
        for (int b = 0; b < 4; ++b)
            bytes.push_back(static_cast<BYTE>(word >> (8 * b)));
    }
    static void PutSchedule(std::vector<BYTE>& bytes, DWORD inputs)
    {
        Put(bytes, inputs);
        Put(bytes, 10);
        Put(bytes, 1);
        for (int b = 0; b < 8; ++b)
            bytes.push_back(b == 1 ? 0x10 : 0);
        for (DWORD i = 0; i < inputs; ++i)
            bytes.insert(bytes.end(), {0xFF, 0xFF});
    }
};

TEST_F(SwitcherPersistence, RoundTripsAndReportsItsSize)
{
    auto persist = Persist(m_filter.Get());
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(m_switcher->RouteSeconds(2, 3, 5, 10), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK) << "schedule edits count as changes";
    GUID video = MEDIATYPE_Video, rgb = MEDIASUBTYPE_RGB24;
    m_switcher->SetTypeRestriction(&video, &rgb);
    m_switcher->SetLastSwitch(TRUE);
    std::vector<BYTE> saved = Saved();
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_GE(size.QuadPart, saved.size());

    auto other = Create<IBaseFilter>(CLSID_QORSwitcher, IID_IBaseFilter);
    ASSERT_EQ(Persist(other.Get())->Load(NewStream(saved).Get()), S_OK);
    auto switcher = Query<IKLSwitcher>(other.Get(), IID_IKLSwitcher);
    int count = 0;
    switcher->GetEventCount(&count);
    EXPECT_EQ(count, 3);
    REFERENCE_TIME end = 0;
    short map[10];
    ASSERT_EQ(switcher->GetEvent(1, &end, map), S_OK);
    EXPECT_EQ(end, 10 * kSecond);
    EXPECT_EQ(map[2], 3);
    GUID major{}, sub{};
    switcher->GetTypeRestriction(&major, &sub);
    EXPECT_EQ(major, MEDIATYPE_Video);
    EXPECT_EQ(sub, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(switcher->IsLastSwitchClear(), 0);
}

TEST_F(SwitcherPersistence, ReadsOlderForms)
{
    m_switcher->SetLastSwitch(TRUE);
    std::vector<BYTE> v1 = Header();
    Put(v1, 0x7F7F7F7F);
    Put(v1, 1);
    Put(v1, 10);
    Put(v1, 10);
    v1.insert(v1.end(), 32, 0);
    PutSchedule(v1, 10);
    ASSERT_EQ(Persist(m_filter.Get())->Load(NewStream(v1).Get()), S_OK);
    EXPECT_EQ(m_switcher->IsLastSwitchClear(), 1);

    std::vector<BYTE> bare = Header();
    Put(bare, 10);
    Put(bare, 10);
    PutSchedule(bare, 10);
    EXPECT_EQ(Persist(m_filter.Get())->Load(NewStream(bare).Get()), S_OK);
}

TEST_F(SwitcherPersistence, RefusesBadStreamsAndKeepsItsState)
{
    ASSERT_EQ(m_switcher->RouteSeconds(2, 3, 5, 10), S_OK);
    std::vector<BYTE> good = Saved();
    std::vector<std::vector<BYTE>> bad;
    bad.emplace_back(good.begin(), good.end() - 3);          // truncated
    bad.emplace_back(good.begin(), good.begin() + 30);       // truncated header
    std::vector<BYTE> version0 = Header();
    Put(version0, 0x7F7F7F7F);
    Put(version0, 0);
    bad.push_back(version0);                                  // magic with version 0
    std::vector<BYTE> version9 = Header();
    Put(version9, 0x7F7F7F7F);
    Put(version9, 9);
    bad.push_back(version9);                                  // unknown version
    std::vector<BYTE> pins = Header();
    Put(pins, 4);
    Put(pins, 4);
    PutSchedule(pins, 4);
    bad.push_back(pins);                                      // other pin counts
    std::vector<BYTE> huge = Header();
    Put(huge, 10);
    Put(huge, 10);
    Put(huge, 10);
    Put(huge, 10);
    Put(huge, 0x7FFFFFFF);
    bad.push_back(huge);                                      // huge event count
    std::vector<BYTE> newer = good;
    newer[0] = '9';
    bad.push_back(newer);                                     // a later software version
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_TRUE(FAILED(Persist(m_filter.Get())->Load(NewStream(bad[i]).Get()))) << "case " << i;
        EXPECT_EQ(Saved(), good) << "case " << i;
    }
}

} // namespace
