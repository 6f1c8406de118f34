#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Switcher/PosRouteThru.h"
#include "Filters/Switcher/SwitchSchedule.h"

namespace {

using namespace plugin_test;

struct EventView {
    REFERENCE_TIME end;
    std::vector<short> map;
    bool operator==(const EventView&) const = default;
};

std::vector<EventView> Events(CSwitchSchedule& schedule)
{
    int count = 0;
    schedule.EventCount(&count);
    std::vector<EventView> events;
    for (int e = 0; e < count; ++e) {
        EventView view{0, std::vector<short>(static_cast<size_t>(schedule.Inputs()))};
        schedule.GetEvent(e, &view.end, view.map.data());
        events.push_back(view);
    }
    return events;
}

std::vector<short> Map(std::initializer_list<std::pair<int, short>> routes)
{
    std::vector<short> map(10, -1);
    for (auto [input, output] : routes)
        map[static_cast<size_t>(input)] = output;
    return map;
}

// The switcher's initial schedule: one event ending at 320 s, no routes.
class Schedule : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_schedule.SetSize(10, 10, 1), S_OK);
        ASSERT_EQ(m_schedule.SetEvent(0, 320 * kSecond, Map({}).data()), S_OK);
    }
    CSwitchSchedule m_schedule;
};

TEST_F(Schedule, RoutesSplitAndMerge)
{
    ASSERT_EQ(m_schedule.Route(0, 0, 0, 32000 * kSecond), S_OK);
    EXPECT_EQ(Events(m_schedule), (std::vector<EventView>{{32000 * kSecond, Map({{0, 0}})}}));

    SetUp();
    ASSERT_EQ(m_schedule.Route(1, 0, 5 * kSecond, 10 * kSecond), S_OK);
    EXPECT_EQ(Events(m_schedule), (std::vector<EventView>{{5 * kSecond, Map({})},
                                                          {10 * kSecond, Map({{1, 0}})},
                                                          {320 * kSecond, Map({})}}));
    // Touching identical routes become one event.
    ASSERT_EQ(m_schedule.Route(1, 0, 10 * kSecond, 20 * kSecond), S_OK);
    EXPECT_EQ(Events(m_schedule), (std::vector<EventView>{{5 * kSecond, Map({})},
                                                          {20 * kSecond, Map({{1, 0}})},
                                                          {320 * kSecond, Map({})}}));
    // Output -1 takes the route away again.
    ASSERT_EQ(m_schedule.Route(1, -1, 5 * kSecond, 20 * kSecond), S_OK);
    for (const EventView& event : Events(m_schedule))
        EXPECT_EQ(event.map, Map({}));
}

TEST_F(Schedule, RefusesBadRoutes)
{
    EXPECT_EQ(m_schedule.Route(0, 0, kSecond, kSecond), E_FAIL);
    EXPECT_EQ(m_schedule.Route(10, 0, 0, kSecond), E_FAIL);
    EXPECT_EQ(m_schedule.Route(0, 10, 0, kSecond), E_FAIL);
    EXPECT_EQ(m_schedule.Route(0, -2, 0, kSecond), E_FAIL);
    EXPECT_EQ(Events(m_schedule).size(), 1u);
}

TEST_F(Schedule, KeepsEventTimesInOrder)
{
    ASSERT_EQ(m_schedule.SetSize(10, 10, 3), S_OK);
    EXPECT_EQ(m_schedule.SetEvent(0, 50, Map({}).data()), S_OK) << "events not set yet do not count";
    EXPECT_EQ(m_schedule.SetEvent(1, 100, Map({}).data()), S_OK);
    EXPECT_EQ(m_schedule.SetEvent(2, 100, Map({}).data()), S_OK) << "equal times are allowed";
    EXPECT_EQ(m_schedule.SetEvent(2, 99, Map({}).data()), E_INVALIDARG);
    EXPECT_EQ(m_schedule.SetEvent(0, 101, Map({}).data()), E_INVALIDARG) << "after the next event's end";
    EXPECT_EQ(m_schedule.SetEvent(3, 200, Map({}).data()), E_INVALIDARG);
    EXPECT_EQ(m_schedule.SetEvent(1, 100, Map({{0, 10}}).data()), E_INVALIDARG) << "no output 10";
    EXPECT_EQ(m_schedule.SetSize(0, 10, 1), E_INVALIDARG);
}

TEST_F(Schedule, AdvancesWhenEveryRoutedInputIsDone)
{
    ASSERT_EQ(m_schedule.Route(0, 0, 0, 20 * kSecond), S_OK);
    ASSERT_EQ(m_schedule.Route(1, 1, 0, 20 * kSecond), S_OK);
    ASSERT_EQ(m_schedule.Route(0, 0, 20 * kSecond, 40 * kSecond), S_OK);
    ASSERT_EQ(m_schedule.Route(1, 2, 20 * kSecond, 40 * kSecond), S_OK);
    m_schedule.SetConnected(0, TRUE);
    m_schedule.SetConnected(1, TRUE);
    ASSERT_EQ(m_schedule.Seek(0), S_OK);
    bool advanced = false, exhausted = false;
    m_schedule.InputDone(0, &advanced, &exhausted);
    EXPECT_FALSE(advanced);
    m_schedule.InputDone(0, &advanced, &exhausted);
    EXPECT_FALSE(advanced) << "one input counts once";
    m_schedule.InputDone(1, &advanced, &exhausted);
    EXPECT_TRUE(advanced);
    EXPECT_FALSE(exhausted);
    int index = -1;
    EXPECT_EQ(m_schedule.CurrentIndex(&index), S_OK);
    EXPECT_EQ(index, 1);
    // One input ends its stream instead; the other's finishing advances.
    m_schedule.InputEnded(0, &advanced, &exhausted);
    EXPECT_FALSE(advanced);
    EXPECT_EQ(m_schedule.OutputFinished(0), 0) << "output 0 has no input left";
    EXPECT_EQ(m_schedule.OutputFinished(0), 1) << "reported once";
    m_schedule.InputDone(1, &advanced, &exhausted);
    EXPECT_TRUE(advanced);
    EXPECT_TRUE(exhausted);
}

TEST_F(Schedule, SeekingPastTheEndExhaustsIt)
{
    ASSERT_EQ(m_schedule.Route(0, 0, 0, 10 * kSecond), S_OK);
    m_schedule.SetConnected(0, TRUE);
    EXPECT_EQ(m_schedule.Seek(5 * kSecond), S_OK);
    EXPECT_EQ(m_schedule.Seek(400 * kSecond), E_FAIL);
    int index = 0;
    EXPECT_EQ(m_schedule.CurrentIndex(&index), VFW_S_NO_MORE_ITEMS);
}

com::ComPtr<IStream> NewStream()
{
    com::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    return stream;
}

void Rewind(IStream* stream)
{
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
}

TEST_F(Schedule, RoundTripsThroughAStream)
{
    ASSERT_EQ(m_schedule.Route(3, 7, 5 * kSecond, 10 * kSecond), S_OK);
    auto stream = NewStream();
    ASSERT_EQ(m_schedule.Write(stream.Get()), S_OK);
    Rewind(stream.Get());
    CSwitchSchedule copy;
    ASSERT_EQ(copy.Read(stream.Get()), S_OK);
    EXPECT_EQ(Events(copy), Events(m_schedule));
}

std::vector<BYTE> Words(std::initializer_list<DWORD> words)
{
    std::vector<BYTE> bytes;
    for (DWORD w : words)
        for (int b = 0; b < 4; ++b)
            bytes.push_back(static_cast<BYTE>(w >> (8 * b)));
    return bytes;
}

class BadStreams : public Schedule, public testing::WithParamInterface<std::vector<BYTE>> {};

TEST_P(BadStreams, AreRefusedAndChangeNothing)
{
    auto before = Events(m_schedule);
    auto stream = NewStream();
    const auto& bytes = GetParam();
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    Rewind(stream.Get());
    EXPECT_EQ(m_schedule.Read(stream.Get()), E_FAIL);
    EXPECT_EQ(Events(m_schedule), before);
}

INSTANTIATE_TEST_SUITE_P(Table, BadStreams,
                         testing::Values(Words({}),                    // empty
                                         Words({10, 10}),              // truncated header
                                         Words({0, 10, 1}),            // no inputs
                                         Words({10, 10, 0}),           // no events
                                         Words({10, 10, 0x7FFFFFFF}),  // huge count
                                         Words({100000, 10, 1}),       // huge input count
                                         Words({10, 10, 2, 0, 0})));   // events missing

TEST(MediaTypes, CompareTheFieldsTheSwitcherCaresAbout)
{
    CMediaType a = Rgb24Type(4, 2), b = Rgb24Type(4, 2);
    reinterpret_cast<VIDEOINFOHEADER*>(b.Format())->rcSource = {1, 2, 3, 4};
    reinterpret_cast<VIDEOINFOHEADER*>(b.Format())->dwBitRate = 99;
    EXPECT_EQ(CompareMediaTypes(&a, &b), S_OK);
    CMediaType wider = Rgb24Type(6, 2);
    EXPECT_EQ(CompareMediaTypes(&a, &wider), E_FAIL);
    CMediaType x = PcmType(44100, 16, 2), y = PcmType(44100, 16, 2);
    EXPECT_EQ(CompareMediaTypes(&x, &y), S_OK);
    y.Format()[sizeof(WAVEFORMATEX) - 1] ^= 1;
    EXPECT_EQ(CompareMediaTypes(&x, &y), E_FAIL);
    EXPECT_EQ(CompareMediaTypes(&x, &a), E_FAIL);
}

} // namespace
