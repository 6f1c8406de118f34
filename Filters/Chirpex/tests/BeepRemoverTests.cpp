#include <cstring>
#include <deque>
#include <thread>

#include "Filters/Chirpex/BeepRemover.h"
#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PluginTesting.h"

namespace {

using namespace plugin_test;

constexpr int16_t E = static_cast<int16_t>(0x8000);

struct BeepCase {
    const char* name;
    int channels;
    std::vector<int16_t> before;
    std::vector<int16_t> after;
    int16_t carried[2];
};

class Beeps : public testing::TestWithParam<BeepCase> {};

TEST_P(Beeps, AreReplacedByTheLastGoodValue)
{
    const BeepCase& c = GetParam();
    std::vector<int16_t> values = c.before;
    int16_t last[2] = {c.carried[0], c.carried[1]};
    RemoveBeeps(values.data(), static_cast<LONG>(values.size()), c.channels, last);
    EXPECT_EQ(values, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Beeps,
    testing::Values(BeepCase{"Mono", 1, {100, E, E, 200}, {100, 100, 100, 200}, {0, 0}},
                    BeepCase{"Stereo", 2, {1, 2, E, E, 3, E}, {1, 2, 1, 2, 3, 2}, {0, 0}},
                    BeepCase{"CarriedOver", 1, {E, 7}, {500, 7}, {500, 0}},
                    BeepCase{"OnlyTheErrorValue", 1, {-32767, E}, {-32767, -32767}, {0, 0}},
                    BeepCase{"ThreeChannels", 3, {E, E, E}, {E, E, E}, {5, 5}},
                    BeepCase{"OddStereo", 2, {1, 2, E, E, E}, {1, 2, 1, 2, 1}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

class ChirpexGraph : public WithModules {
protected:
    ChirpexGraph() : WithModules({ModulePath("Chirpex"), ModulePath("Grabwell")}) {}
    void TearDown() override
    {
        for (auto& chain : m_chains)
            if (chain.graph)
                Query<IMediaControl>(chain.graph.Get(), IID_IMediaControl)->Stop();
        m_chains.clear();
        WithModules::TearDown();
    }

    struct Chain {
        com::ComPtr<IGraphBuilder> graph;
        PushSource* source = nullptr;
        com::ComPtr<IBaseFilter> sourceFilter, chirpex, grab;
        com::ComPtr<IKLFrameGrab> frames;
        HRESULT connected = E_FAIL;
    };

    Chain& Build(const CMediaType& type)
    {
        Chain& chain = m_chains.emplace_back();
        chain.graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        chain.source = new PushSource(type, 64);
        chain.sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(chain.source), IID_IBaseFilter);
        chain.chirpex = Create<IBaseFilter>(CLSID_Chirpex, IID_IBaseFilter);
        chain.grab = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        chain.graph->AddFilter(chain.sourceFilter.Get(), u"Source");
        chain.graph->AddFilter(chain.chirpex.Get(), u"Chirpex Filter");
        chain.graph->AddFilter(chain.grab.Get(), u"Grab");
        chain.connected = Connect(chain.graph.Get(), chain.source->Pin(), PinOf(chain.chirpex.Get(), 0).Get());
        if (SUCCEEDED(chain.connected))
            chain.connected =
                Connect(chain.graph.Get(), PinOf(chain.chirpex.Get(), 1).Get(), PinOf(chain.grab.Get(), 0).Get());
        chain.frames = Query<IKLFrameGrab>(chain.grab.Get(), IID_IKLFrameGrab);
        return chain;
    }

    // Pushes `values` (with 0x8000 in the buffer past them) and returns
    // the first `look` values of what reached the grab.
    std::vector<int16_t> PassThrough(Chain& chain, const std::vector<int16_t>& values, size_t look)
    {
        Frame frame;
        frame.fill = 0x80; // 0x8080 past the data
        frame.start = 0;
        frame.stop = 1;
        frame.data.resize(values.size() * 2);
        std::memcpy(frame.data.data(), values.data(), frame.data.size());
        std::thread pusher([&] { chain.source->Push(frame); });
        REFERENCE_TIME time = 0, end = 0;
        IMediaSample* sample = nullptr;
        std::vector<int16_t> seen(look, 0);
        if (chain.frames->GetSample(&time, &end, &sample) == S_OK) {
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            std::memcpy(seen.data(), data, look * 2);
            sample->Release();
        }
        pusher.join();
        return seen;
    }

    std::deque<Chain> m_chains;
};

TEST_F(ChirpexGraph, CleansOddLengthStereoWithoutTouchingWhatFollows)
{
    Chain& chain = Build(PcmType(48000, 16, 2));
    ASSERT_EQ(chain.connected, S_OK);
    ASSERT_EQ(Query<IMediaControl>(chain.graph.Get(), IID_IMediaControl)->Pause(), S_OK);
    // The buffer past the data holds 0x8080: a 16-bit value read there
    // would not be 0x8000, so place an error value right behind the data.
    auto seen = PassThrough(chain, {1, 2, E, E, E, E}, 6);
    EXPECT_EQ(seen, (std::vector<int16_t>{1, 2, 1, 2, 1, 2}));
    seen = PassThrough(chain, {3, 4, E}, 4);
    EXPECT_EQ(seen, (std::vector<int16_t>{3, 4, 3, static_cast<int16_t>(0x8080)})) << "nothing past the data";
}

TEST_F(ChirpexGraph, EachFilterKeepsItsOwnLastValues)
{
    Chain& first = Build(PcmType(48000, 16, 1));
    Chain& second = Build(PcmType(48000, 16, 1));
    ASSERT_EQ(first.connected, S_OK);
    ASSERT_EQ(second.connected, S_OK);
    Query<IMediaControl>(first.graph.Get(), IID_IMediaControl)->Pause();
    Query<IMediaControl>(second.graph.Get(), IID_IMediaControl)->Pause();
    PassThrough(first, {300, 500}, 2);
    EXPECT_EQ(PassThrough(second, {E, 9}, 2), (std::vector<int16_t>{0, 9}));
    EXPECT_EQ(PassThrough(first, {E, 9}, 2), (std::vector<int16_t>{500, 9}));
}

TEST_F(ChirpexGraph, EightBitAudioPassesAndOtherFormatsAreRefused)
{
    Chain& eight = Build(PcmType(8000, 8, 1));
    ASSERT_EQ(eight.connected, S_OK);
    Query<IMediaControl>(eight.graph.Get(), IID_IMediaControl)->Pause();
    EXPECT_EQ(PassThrough(eight, {E, E}, 2), (std::vector<int16_t>{E, E}));
    EXPECT_TRUE(FAILED(Build(PcmType(48000, 24, 2)).connected));
    EXPECT_TRUE(FAILED(Build(Rgb24Type(4, 2)).connected));
}

TEST_F(ChirpexGraph, PersistsVersionAndLevel)
{
    auto chirpex = Create<IBaseFilter>(CLSID_Chirpex, IID_IBaseFilter);
    auto persist = Query<IPersistStream>(chirpex.Get(), IID_IPersistStream);
    com::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, 48u);
    ULARGE_INTEGER size{};
    persist->GetSizeMax(&size);
    EXPECT_EQ(size.QuadPart, 72u);
    std::u16string text(24, u'\0');
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(text.data(), 48, &read);
    EXPECT_EQ(text, u"00000000000 00000000220 ");

    auto beeps = Query<IKLBeepRemover>(chirpex.Get(), IID_IKLBeepRemover);
    beeps->SetLevel(7);
    com::ComPtr<IStream> bad;
    CreateStreamOnHGlobal(nullptr, TRUE, bad.Receive());
    ULONG written = 0;
    bad->Write(u"00000000000 0000", 32, &written);
    bad->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(persist->Load(bad.Get())));
    int level = 0;
    beeps->GetLevel(&level);
    EXPECT_EQ(level, 7) << "a truncated stream changes nothing";
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(persist->Load(stream.Get()), S_OK);
    beeps->GetLevel(&level);
    EXPECT_EQ(level, 220);
}

} // namespace
