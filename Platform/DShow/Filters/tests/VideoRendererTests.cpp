// The video renderer on the headless desktop: its window placed in an
// owner window through the graph's IVideoWindow, the decoded frames drawn
// there, as a snapshot of the owner shows.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Av/AviWriter.h"
#include "Platform/Av/tests/AviReadBack.h"
#include "Platform/Display/Display.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/tests/WritingTestSupport.h"
#include "Platform/Win/Kernel/Time.h"
#include "Platform/Win/User/User.h"
#include "tests/support/TempDir.h"

namespace {

using namespace writing_test;

constexpr COLORREF kOwnerColour = RGB(0, 200, 0);
constexpr LONG kStyle = 0x46000000; // WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN

struct Snapshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    COLORREF At(int x, int y) const
    {
        const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};

// The window's snapshot, decoded by FFmpeg's PNG decoder.
std::optional<Snapshot> TakeSnapshot(HWND window, const std::string& path)
{
    if (!display::SaveWindowPng(window, path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    av::CodecPtr decoder;
    av::FramePtr frame(av_frame_alloc());
    if (av::OpenDecoder(AV_CODEC_ID_PNG, decoder) < 0 || av::DecodePicture(decoder.get(), bytes, frame.get()) < 0 ||
        frame->format != AV_PIX_FMT_RGB24)
        return std::nullopt;
    Snapshot snapshot{frame->width, frame->height, {}};
    for (int y = 0; y < frame->height; ++y) {
        const uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        snapshot.rgb.insert(snapshot.rgb.end(), row, row + frame->width * 3);
    }
    return snapshot;
}

bool Reddish(COLORREF c) { return GetRValue(c) > 200 && GetBValue(c) < 60; }
bool Bluish(COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60; }

void PumpUntilIdle()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

class VideoRenderer : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display::Start(display::Backend::Headless));
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hbrBackground = CreateSolidBrush(kOwnerColour);
        wc.lpszClassName = "VideoOwner";
        RegisterClassA(&wc);
        m_owner = CreateWindowExA(0, "VideoOwner", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 300, 200,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_owner);
        PumpUntilIdle();
        m_source = MakeSource(RgbFrames(64, 48, UNITS / 25, 3));
        m_renderer = MakeFilter(CLSID_VideoRenderer);
        ASSERT_EQ(m_graph->AddFilter(m_source.Get(), u"Source"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_renderer.Get(), u"Video Renderer"), S_OK);
        ASSERT_EQ(ConnectFilters(m_graph.Get(), m_source.Get(), m_renderer.Get()), S_OK);
        PlaceVideoWindow();
    }

    // The graph's video window as a child of the owner at (20, 10),
    // 128 x 96, as the players place it.
    void PlaceVideoWindow()
    {
        ASSERT_EQ(m_window.QueryFrom(m_graph.Get(), IID_IVideoWindow), S_OK);
        ASSERT_EQ(m_window->put_Owner(reinterpret_cast<OAHWND>(m_owner)), S_OK);
        ASSERT_EQ(m_window->put_WindowStyle(kStyle), S_OK);
        ASSERT_EQ(m_window->SetWindowPosition(20, 10, 128, 96), S_OK);
        ASSERT_EQ(m_window->put_Visible(OATRUE), S_OK);
        PumpUntilIdle();
    }

    void TearDown() override
    {
        if (m_window)
            m_window->put_Owner(0);
        m_window = nullptr;
        m_source = nullptr;
        m_renderer = nullptr;
        m_graph = nullptr;
        DestroyWindow(m_owner);
        PumpUntilIdle();
        display::Stop();
    }

    // The colour in the middle of the video window, on a snapshot.
    COLORREF VideoCentre()
    {
        PumpUntilIdle();
        auto snapshot = TakeSnapshot(m_owner, m_dir.File("centre.png"));
        return snapshot ? snapshot->At(20 + 64, 10 + 48) : CLR_INVALID;
    }

    // The owner's snapshot shows the frame in the video window's place:
    // red above, blue below, the owner's colour around it.
    void ExpectFrameShown()
    {
        PumpUntilIdle();
        auto snapshot = TakeSnapshot(m_owner, m_dir.File("owner.png"));
        ASSERT_TRUE(snapshot);
        EXPECT_EQ(snapshot->width, 300);
        EXPECT_TRUE(Reddish(snapshot->At(20 + 64, 10 + 20))) << std::hex << snapshot->At(84, 30);
        EXPECT_TRUE(Bluish(snapshot->At(20 + 64, 10 + 76))) << std::hex << snapshot->At(84, 86);
        EXPECT_EQ(snapshot->At(5, 5), kOwnerColour);
        EXPECT_EQ(snapshot->At(20 + 140, 10 + 48), kOwnerColour);
    }

    testing_support::TempDir m_dir;
    HWND m_owner = nullptr;
    com::ComPtr<IGraphBuilder> m_graph = MakeGraph();
    com::ComPtr<IBaseFilter> m_source;
    com::ComPtr<IBaseFilter> m_renderer;
    com::ComPtr<IVideoWindow> m_window;
};

TEST_F(VideoRenderer, PlayedFramesAreDrawnInTheOwnersWindow)
{
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(m_window->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((std::vector<LONG>{left, top, width, height}), (std::vector<LONG>{20, 10, 128, 96}));
    LONG visible = OAFALSE;
    ASSERT_EQ(m_window->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, OATRUE);
    com::ComPtr<IBasicVideo> video;
    ASSERT_EQ(video.QueryFrom(m_graph.Get(), IID_IBasicVideo), S_OK);
    LONG videoWidth = 0, videoHeight = 0;
    ASSERT_EQ(video->GetVideoSize(&videoWidth, &videoHeight), S_OK);
    EXPECT_EQ(videoWidth, 64);
    EXPECT_EQ(videoHeight, 48);
    ASSERT_EQ(RunToEnd(m_graph.Get()), EC_COMPLETE);
    ExpectFrameShown();
}

TEST_F(VideoRenderer, PausingShowsAndHoldsTheFirstFrame)
{
    com::ComPtr<IMediaControl> control;
    ASSERT_EQ(control.QueryFrom(m_graph.Get(), IID_IMediaControl), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    OAFilterState state = State_Stopped;
    ASSERT_EQ(control->GetState(10000, &state), S_OK) << "the pause completes once a frame is held";
    EXPECT_EQ(state, State_Paused);
    com::ComPtr<IBasicVideo> video;
    ASSERT_EQ(video.QueryFrom(m_graph.Get(), IID_IBasicVideo), S_OK);
    LONG bytes = 0;
    EXPECT_EQ(video->GetCurrentImage(&bytes, nullptr), S_OK);
    EXPECT_EQ(bytes, static_cast<LONG>(sizeof(BITMAPINFOHEADER)) + 64 * 48 * 4);
    ExpectFrameShown();
    control->Stop();
}

TEST_F(VideoRenderer, DestinationRectanglePlacesThePictureInTheWindow)
{
    com::ComPtr<IBasicVideo> video;
    ASSERT_EQ(video.QueryFrom(m_graph.Get(), IID_IBasicVideo), S_OK);
    EXPECT_EQ(video->IsUsingDefaultDestination(), S_OK);
    EXPECT_EQ(video->SetDestinationPosition(0, 0, 0, 10), E_INVALIDARG);
    ASSERT_EQ(video->SetDestinationPosition(64, 48, 64, 48), S_OK);
    EXPECT_EQ(video->IsUsingDefaultDestination(), S_FALSE);
    ASSERT_EQ(RunToEnd(m_graph.Get()), EC_COMPLETE);
    PumpUntilIdle();
    auto snapshot = TakeSnapshot(m_owner, m_dir.File("placed.png"));
    ASSERT_TRUE(snapshot);
    // The picture fills the lower right quarter of the video window.
    EXPECT_TRUE(Reddish(snapshot->At(20 + 96, 10 + 56)));
    EXPECT_TRUE(Bluish(snapshot->At(20 + 96, 10 + 88)));
    EXPECT_FALSE(Reddish(snapshot->At(20 + 30, 10 + 20))) << "the border, not the picture";
}

// A file of 10 uncompressed frames, red for the first 0.2 s and blue after.
std::string WriteTwoColourFile(const std::string& path)
{
    av::AviWriter writer;
    av::AviStreamFormat format;
    format.handler = av::kAviHandlerDib;
    format.compressed = false;
    format.rate = 25;
    format.width = 64;
    format.height = 48;
    format.format = avi_test::BitmapHeader(64, 48, 24, 0, 64 * 48 * 3);
    EXPECT_EQ(writer.Create(path), 0);
    EXPECT_EQ(writer.AddStream(format), 0);
    for (int i = 0; i < 10; ++i) {
        std::vector<uint8_t> frame(64 * 48 * 3, 0);
        for (size_t at = 0; at < frame.size(); at += 3)
            frame[at + (i < 5 ? 2 : 0)] = 255; // red, then blue (BGR)
        EXPECT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
    }
    EXPECT_EQ(writer.Finish(), 0);
    return path;
}

TEST_F(VideoRenderer, SeekWhilePausedShowsTheFrameAtTheNewPosition)
{
    // A graph of its own, built by RenderFile.
    m_window = nullptr;
    m_graph = MakeGraph();
    const std::string path = WriteTwoColourFile(m_dir.File("two.avi"));
    ASSERT_EQ(m_graph->RenderFile(win::Utf8ToUtf16(path).c_str(), nullptr), S_OK);
    PlaceVideoWindow();
    com::ComPtr<IMediaControl> control;
    ASSERT_EQ(control.QueryFrom(m_graph.Get(), IID_IMediaControl), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    OAFilterState state = State_Stopped;
    ASSERT_EQ(control->GetState(10000, &state), S_OK);
    EXPECT_TRUE(Reddish(VideoCentre()));

    com::ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(seeking.QueryFrom(m_graph.Get(), IID_IMediaSeeking), S_OK);
    LONGLONG position = 3 * UNITS / 10;
    ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
    ASSERT_EQ(control->GetState(10000, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_TRUE(Bluish(VideoCentre())) << "the frame at 0.3 s";
    control->Stop();
}

TEST_F(VideoRenderer, FullScreenCoversTheScreenAndComesBack)
{
    ASSERT_EQ(m_window->put_FullScreenMode(OATRUE), S_OK);
    LONG fullScreen = OAFALSE;
    ASSERT_EQ(m_window->get_FullScreenMode(&fullScreen), S_OK);
    EXPECT_EQ(fullScreen, OATRUE);
    LONG left = -1, top = -1, width = 0, height = 0;
    ASSERT_EQ(m_window->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((std::vector<LONG>{left, top, width, height}),
              (std::vector<LONG>{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
    ASSERT_EQ(m_window->put_FullScreenMode(OAFALSE), S_OK);
    ASSERT_EQ(m_window->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((std::vector<LONG>{left, top, width, height}), (std::vector<LONG>{20, 10, 128, 96}));
    OAHWND owner = 0;
    ASSERT_EQ(m_window->get_Owner(&owner), S_OK);
    EXPECT_EQ(reinterpret_cast<HWND>(owner), m_owner);
}

UINT g_drained = 0;

LRESULT CALLBACK DrainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN)
        ++g_drained;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(VideoRenderer, MouseInputGoesToTheMessageDrain)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DrainProc;
    wc.lpszClassName = "VideoDrain";
    RegisterClassA(&wc);
    HWND drain = CreateWindowExA(0, "VideoDrain", "", WS_POPUP, 600, 600, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(drain);
    ASSERT_EQ(m_window->put_MessageDrain(reinterpret_cast<OAHWND>(drain)), S_OK);
    g_drained = 0;
    display::Click(display::Button::Left, POINT{20 + 40, 10 + 40});
    // The click reaches the video window's thread, which posts it on.
    for (int poll = 0; poll < 500 && g_drained == 0; ++poll) {
        PumpUntilIdle();
        Sleep(10);
    }
    EXPECT_EQ(g_drained, 1u);
    m_window->put_MessageDrain(0);
    DestroyWindow(drain);
}

TEST(VideoRendererGraph, GraphWithoutVideoRendererHasNoVideoWindow)
{
    com::ComPtr<IGraphBuilder> graph = MakeGraph();
    com::ComPtr<IVideoWindow> window;
    EXPECT_EQ(window.QueryFrom(graph.Get(), IID_IVideoWindow), E_NOINTERFACE);
}

} // namespace
