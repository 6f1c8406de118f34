#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"
#include "Platform/Win/User/User.h"

namespace {

using namespace dshow_test;
using namespace std::chrono_literals;

constexpr UINT WM_GRAPHNOTIFY = WM_USER + 0x12;

// A graph of one source feeding one sink, with its control interfaces.
struct Chain {
    explicit Chain(const SourceOptions& sourceOptions, const SinkOptions& sinkOptions = SinkOptions{MEDIASUBTYPE_TestA})
        : graph(MakeGraph()), source(new TestSource(sourceOptions)), sink(new TestSink(sinkOptions)),
          held{Hold(source), Hold(sink)}
    {
        graph->AddFilter(source, u"Source");
        graph->AddFilter(sink, u"Sink");
        EXPECT_EQ(graph->ConnectDirect(source->OutputPin(), sink->InputPin(), nullptr), S_OK);
        control = Query<IMediaControl>(graph.Get(), IID_IMediaControl);
        events = Query<IMediaEventEx>(graph.Get(), IID_IMediaEventEx);
        seeking = Query<IMediaSeeking>(graph.Get(), IID_IMediaSeeking);
    }
    ~Chain()
    {
        if (control)
            control->Stop();
    }

    LONGLONG Position()
    {
        LONGLONG position = -1;
        EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK);
        return position;
    }
    HRESULT SeekTo(LONGLONG position)
    {
        return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    LONG NextEvent(DWORD milliseconds)
    {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events->GetEvent(&code, &p1, &p2, static_cast<LONG>(milliseconds)) != S_OK)
            return 0;
        events->FreeEventParams(code, p1, p2);
        return code;
    }

    com::ComPtr<IGraphBuilder> graph;
    TestSource* source;
    TestSink* sink;
    com::ComPtr<IBaseFilter> held[2];
    com::ComPtr<IMediaControl> control;
    com::ComPtr<IMediaEventEx> events;
    com::ComPtr<IMediaSeeking> seeking;
};

TEST(GraphPlayback, RunDeliversEveryFrameInOrderAndCompletesOnce)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 5});
    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    LONG code = 0;
    LONG_PTR p1 = -1, p2 = -1;
    ASSERT_EQ(chain.events->GetEvent(&code, &p1, &p2, kLongWait), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(p1, S_OK);
    auto frames = chain.sink->Frames();
    ASSERT_EQ(frames.size(), 5u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].value, i);
        EXPECT_EQ(frames[i].start, static_cast<REFERENCE_TIME>(i) * kFrameDuration);
    }
    EXPECT_EQ(chain.events->GetEvent(&code, &p1, &p2, 50), E_ABORT) << "one EC_COMPLETE only";
}

TEST(GraphPlayback, CompletionWaitsForEveryRenderer)
{
    Chain quick(SourceOptions{MEDIASUBTYPE_TestA, 3});
    auto* slowSource = new TestSource(SourceOptions{MEDIASUBTYPE_TestA, 8});
    auto* slowSink = new TestSink(SinkOptions{MEDIASUBTYPE_TestA, true});
    [[maybe_unused]] auto held = {Hold(slowSource), Hold(slowSink)};
    quick.graph->AddFilter(slowSource, u"Slow source");
    quick.graph->AddFilter(slowSink, u"Slow sink");
    ASSERT_EQ(quick.graph->ConnectDirect(slowSource->OutputPin(), slowSink->InputPin(), nullptr), S_OK);

    ASSERT_TRUE(SUCCEEDED(quick.control->Run()));
    ASSERT_EQ(quick.NextEvent(kLongWait), EC_COMPLETE);
    EXPECT_EQ(slowSink->Frames().size(), 8u) << "not before the paced renderer has shown its last frame";
    EXPECT_EQ(quick.NextEvent(50), 0);

    // Without the default handling every renderer's EC_COMPLETE comes
    // through, naming the renderer.
    quick.control->Stop();
    quick.events->CancelDefaultHandling(EC_COMPLETE);
    quick.SeekTo(0);
    ASSERT_TRUE(SUCCEEDED(quick.control->Run()));
    std::set<LONG_PTR> renderers;
    for (int i = 0; i < 2; ++i) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        ASSERT_EQ(quick.events->GetEvent(&code, &p1, &p2, kLongWait), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        renderers.insert(p2);
    }
    EXPECT_EQ(renderers, (std::set<LONG_PTR>{reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(quick.sink)),
                                             reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(slowSink))}));
}

TEST(GraphPlayback, StateIsIntermediateUntilTheRendererHoldsAFrame)
{
    CAMEvent gate(TRUE);
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 5, gate});
    EXPECT_EQ(chain.control->Pause(), S_FALSE) << "the pause has not completed";
    OAFilterState state = -1;
    EXPECT_EQ(chain.control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);
    gate.Set();
    EXPECT_EQ(chain.control->GetState(kLongWait, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(chain.sink->Frames().size(), 1u) << "paused, the renderer holds the first frame";
    EXPECT_EQ(chain.control->Stop(), S_OK);
    EXPECT_EQ(chain.control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST(GraphPlayback, PausedGraphHoldsItsPositionAndShowsTheFrameItSeeksTo)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 100}, SinkOptions{MEDIASUBTYPE_TestA, true});
    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    ASSERT_TRUE(chain.sink->WaitForFrames(3, kLongWait));
    ASSERT_TRUE(SUCCEEDED(chain.control->Pause()));
    LONGLONG paused = chain.Position();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(chain.Position(), paused);

    chain.sink->ClearFrames();
    ASSERT_EQ(chain.SeekTo(50 * kFrameDuration), S_OK);
    ASSERT_TRUE(chain.sink->WaitForFrames(1, kLongWait));
    Received first = chain.sink->Frames()[0];
    EXPECT_EQ(first.value, 50);
    EXPECT_EQ(first.start, 0) << "sample times restart at the new position";
    EXPECT_EQ(first.segment, 50 * kFrameDuration);
    EXPECT_EQ(chain.Position(), 50 * kFrameDuration);
    OAFilterState state;
    EXPECT_EQ(chain.control->GetState(kLongWait, &state), S_OK);

    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    ASSERT_TRUE(chain.sink->WaitForFrames(3, kLongWait));
    EXPECT_EQ(chain.sink->Frames()[2].value, 52);
    EXPECT_GE(chain.Position(), 50 * kFrameDuration);
}

TEST(GraphPlayback, SeekWhileRunningGoesOnFromTheNewPosition)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 100}, SinkOptions{MEDIASUBTYPE_TestA, true});
    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    ASSERT_TRUE(chain.sink->WaitForFrames(2, kLongWait));
    ASSERT_EQ(chain.SeekTo(20 * kFrameDuration), S_OK);
    OAFilterState state;
    chain.control->GetState(0, &state);
    EXPECT_EQ(state, State_Running);
    ASSERT_TRUE(chain.sink->WaitForFrames(6, kLongWait));
    auto frames = chain.sink->Frames();
    auto restart = std::find_if(frames.begin(), frames.end(), [](const Received& r) { return r.value == 20; });
    ASSERT_NE(restart, frames.end());
    EXPECT_EQ(restart->start, 0);
    EXPECT_EQ(restart->segment, 20 * kFrameDuration);
    EXPECT_GE(chain.Position(), 20 * kFrameDuration);
}

TEST(GraphPlayback, StopReleasesAStreamingThreadHeldByTheRenderer)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 100});
    ASSERT_TRUE(SUCCEEDED(chain.control->Pause()));
    OAFilterState state;
    ASSERT_EQ(chain.control->GetState(kLongWait, &state), S_OK);
    // The source's worker is now blocked in the renderer (or waiting for a
    // buffer of the full allocator); stopping must release it.
    auto stopped = std::async(std::launch::async, [&] { return chain.control->Stop(); });
    ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(stopped.get(), S_OK);
    EXPECT_FALSE(chain.source->Stream()->ThreadExists());
}

TEST(GraphPlayback, WithoutAClockTheGraphRunsAsFastAsTheRendererTakes)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 50}, SinkOptions{MEDIASUBTYPE_TestA, true});
    auto filter = Query<IMediaFilter>(chain.graph.Get(), IID_IMediaFilter);
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    LONG code = 0;
    ASSERT_EQ(chain.events->WaitForCompletion(kLongWait, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(chain.sink->Frames().size(), 50u);
    com::ComPtr<IReferenceClock> clock;
    filter->GetSyncSource(clock.Receive());
    EXPECT_FALSE(clock);
}

TEST(GraphPlayback, PositionInterfaceWorksInSeconds)
{
    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 50});
    auto position = Query<IMediaPosition>(chain.graph.Get(), IID_IMediaPosition);
    REFTIME duration = 0;
    ASSERT_EQ(position->get_Duration(&duration), S_OK);
    EXPECT_DOUBLE_EQ(duration, 2.0);
    ASSERT_EQ(position->put_CurrentPosition(1.2), S_OK);
    REFTIME now = 0;
    position->get_CurrentPosition(&now);
    EXPECT_DOUBLE_EQ(now, 1.2);
    LONG can = 0;
    position->CanSeekBackward(&can);
    EXPECT_EQ(can, OATRUE);
    EXPECT_EQ(position->put_Rate(0.0), E_INVALIDARG);
}

TEST(GraphPlayback, CompletionReachesTheNotifyWindowAsItsMessage)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "GraphNotifyTarget";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "GraphNotifyTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(window, nullptr);

    Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 3});
    ASSERT_EQ(chain.events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_GRAPHNOTIFY, 42), S_OK);
    ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
    MSG msg{};
    auto deadline = std::chrono::steady_clock::now() + 10s;
    bool arrived = false;
    while (!arrived && std::chrono::steady_clock::now() < deadline) {
        arrived = PeekMessageA(&msg, window, WM_GRAPHNOTIFY, WM_GRAPHNOTIFY, PM_REMOVE);
        if (!arrived)
            std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(arrived);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 42);
    EXPECT_EQ(chain.NextEvent(0), EC_COMPLETE) << "the message tells the owner to drain the queue";
    DestroyWindow(window);
}

std::atomic<int> g_posted{0};
std::atomic<DWORD> g_postingThread{0};

BOOL RecordPost(HWND, UINT, WPARAM, LPARAM)
{
    g_postingThread = GetCurrentThreadId();
    ++g_posted;
    return TRUE;
}

TEST(GraphPlayback, NotifyMessagesArePostedFromTheStreamingThread)
{
    dshow::SetNotifyPoster(&RecordPost);
    g_posted = 0;
    {
        Chain chain(SourceOptions{MEDIASUBTYPE_TestA, 2});
        chain.events->SetNotifyWindow(static_cast<OAHWND>(0x1234), WM_GRAPHNOTIFY, 7);
        ASSERT_TRUE(SUCCEEDED(chain.control->Run()));
        ASSERT_EQ(chain.NextEvent(kLongWait), EC_COMPLETE);
        // The message follows the queued event.
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (g_posted == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(g_posted, 1);
        EXPECT_NE(g_postingThread, GetCurrentThreadId());
    }
    dshow::SetNotifyPoster(nullptr);
}

} // namespace
