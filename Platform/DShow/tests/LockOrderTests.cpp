#include <atomic>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"

namespace {

using namespace dshow_test;

// The in-place test filter with its filter lock in view.
class WatchedInPlace : public TestInPlace {
public:
    const CCritSec& FilterLock() const { return m_csFilter; }
    IPin* Input() { return GetPin(0); }
    IPin* Output() { return GetPin(1); }
};

// Connecting source to transform takes the source's lock, then the
// transform's; connecting the transform's output must never take them the
// other way round, or two threads connecting the two sides deadlock.
TEST(InPlaceLockOrder, ConnectingTheOutputAsksTheUpstreamPinWithoutHoldingTheTransformsLock)
{
    auto graph = MakeGraph();
    auto* transform = new WatchedInPlace;
    std::atomic<int> asked{0};
    std::atomic<int> askedUnderTheTransformsLock{0};
    SourceOptions options;
    options.onTypeAsked = [&] {
        ++asked;
        if (transform->FilterLock().IsHeldHere())
            ++askedUnderTheTransformsLock;
    };
    auto* source = new TestSource(options);
    auto* sink = new TestSink(SinkOptions{});
    [[maybe_unused]] auto held = {Hold(source), Hold(transform), Hold(sink)};
    ASSERT_EQ(graph->AddFilter(source, u"Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(transform, u"Transform"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink, u"Sink"), S_OK);

    // Pins connected directly, as code outside the graph's connect calls does.
    ASSERT_EQ(source->OutputPin()->Connect(transform->Input(), nullptr), S_OK);
    asked = 0;
    ASSERT_EQ(transform->Output()->Connect(sink->InputPin(), nullptr), S_OK);
    EXPECT_GT(asked.load(), 0) << "the upstream pin was asked for its types";
    EXPECT_EQ(askedUnderTheTransformsLock.load(), 0);

    AM_MEDIA_TYPE type{};
    ASSERT_EQ(sink->InputPin()->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_TestA);
    FreeMediaType(type);
    EXPECT_EQ(Peer(transform->Input()).Get(), static_cast<IBaseFilter*>(source)) << "the input was reconnected";
}

TEST(InPlaceLockOrder, AnOutputTypeTheUpstreamPinRefusesIsNotTaken)
{
    auto graph = MakeGraph();
    auto* transform = new WatchedInPlace;
    auto* source = new TestSource(SourceOptions{MEDIASUBTYPE_TestA});
    auto* sink = new TestSink(SinkOptions{MEDIASUBTYPE_TestB});
    [[maybe_unused]] auto held = {Hold(source), Hold(transform), Hold(sink)};
    graph->AddFilter(source, u"Source");
    graph->AddFilter(transform, u"Transform");
    graph->AddFilter(sink, u"Sink");
    ASSERT_EQ(source->OutputPin()->Connect(transform->Input(), nullptr), S_OK);
    EXPECT_TRUE(FAILED(transform->Output()->Connect(sink->InputPin(), nullptr)));
    com::ComPtr<IPin> none;
    EXPECT_EQ(transform->Output()->ConnectedTo(none.Receive()), VFW_E_NOT_CONNECTED);
}

} // namespace
