#include <atomic>
#include <filesystem>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Pellmark/ImgCap.h"
#include "Platform/Outside/StillImage/StillImageWrite.h"

namespace {

using namespace plugin_test;
namespace fs = std::filesystem;

constexpr LONG kWidth = 16, kHeight = 8;

CMediaType Rgb555Type(LONG width, LONG height)
{
    CMediaType type = Rgb24Type(width, height);
    type.SetSubtype(&MEDIASUBTYPE_RGB555);
    auto* video = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
    video->bmiHeader.biBitCount = 16;
    video->bmiHeader.biSizeImage = static_cast<DWORD>(((width * 2 + 3) & ~3) * height);
    return type;
}

TEST(ImgCapPaths, TakeTheExtensionOfTheFileNameAndRefuseWhatCannotBeWritten)
{
    const struct {
        const char* path;
        int format;
    } cases[] = {
        {"shot.bmp", STILLIMAGE_FILE_BMP},   {"shot.JPG", STILLIMAGE_FILE_JPEG},
        {"a/b.c/shot.tif", STILLIMAGE_FILE_TIFF}, {"C:\\x.y\\shot.Tif", STILLIMAGE_FILE_TIFF},
        {"my.dir/shot", -1},                 {"shot.png", -1},
        {"shot.jpeg", -1},                   {"shot", -1},
        {"shot.", -1},                       {"shot.bmpx", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CImgCapFilter::FormatFor(c.path), c.format) << c.path;
}

// A capture graph: a test source of frames filled with one value each,
// the still-image renderer behind it.
class StillCapture : public WithModules {
protected:
    StillCapture() : WithModules({ModulePath("Pellmark")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_dir = fs::temp_directory_path() / ("kestrelon-still-" + std::to_string(::getpid()) + "-" +
                                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        HRESULT hr = S_OK;
        m_capture = new CImgCapFilter(nullptr, &hr);
        m_captureFilter = Query<IBaseFilter>(m_capture->GetOwner(), IID_IBaseFilter);
        m_frameCap = Query<IKLFrameCap>(m_captureFilter.Get(), IID_IKLFrameCap);
        ASSERT_TRUE(m_frameCap);
    }
    void Build(const CMediaType& type)
    {
        m_source = new PushSource(type, static_cast<LONG>(type.lSampleSize ? type.lSampleSize : 1 << 12));
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        ASSERT_EQ(m_graph->AddFilter(m_sourceFilter.Get(), u"Source"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_captureFilter.Get(), u"ImgCapRenderer"), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), m_source->Pin(), PinOf(m_captureFilter.Get(), 0).Get()), S_OK);
        ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Run(), S_OK);
    }
    void TearDown() override
    {
        StopFrames();
        if (m_graph)
            Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_frameCap.Reset();
        m_captureFilter.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        fs::remove_all(m_dir);
        WithModules::TearDown();
    }
    HRESULT PushFrame(BYTE value)
    {
        Frame frame;
        frame.data.assign(static_cast<size_t>(m_frameBytes), value);
        return m_source->Push(frame);
    }
    // Frames 1, 2, 3, ... pushed one after another on a thread of their own.
    void StartFrames()
    {
        m_running = true;
        m_pusher = std::thread([this] {
            while (m_running) {
                PushFrame(static_cast<BYTE>(++m_sent));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    void StopFrames()
    {
        m_running = false;
        if (m_pusher.joinable())
            m_pusher.join();
    }
    std::string PathOf(const char* name) { return (m_dir / name).string(); }

    fs::path m_dir;
    com::ComPtr<IGraphBuilder> m_graph;
    CImgCapFilter* m_capture = nullptr;
    com::ComPtr<IBaseFilter> m_captureFilter, m_sourceFilter;
    com::ComPtr<IKLFrameCap> m_frameCap;
    PushSource* m_source = nullptr;
    LONG m_frameBytes = kWidth * 3 * kHeight;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_sent{0};
    std::thread m_pusher;
};

struct StillCase {
    const char* name;
    const char* format;
    bool exact;
};

class StillFiles : public StillCapture, public testing::WithParamInterface<StillCase> {};

TEST_P(StillFiles, HoldTheFrameInTheFormatTheirNameSays)
{
    const StillCase& c = GetParam();
    Build(Rgb24Type(kWidth, kHeight));
    StartFrames();
    const std::string path = PathOf(c.name);
    ASSERT_EQ(m_frameCap->CaptureToFile(path.c_str()), S_OK);
    STILLFILEINFO info{};
    ASSERT_EQ(StillImageGetFileInfo(path.c_str(), &info), STILLIMAGE_OK);
    EXPECT_STREQ(info.Format, c.format);
    STILLBITMAP bitmap;
    StillImageInitBitmap(&bitmap);
    ASSERT_EQ(StillImageLoadFile(path.c_str(), &bitmap), STILLIMAGE_OK);
    EXPECT_EQ(bitmap.Width, kWidth);
    EXPECT_EQ(bitmap.Height, kHeight);
    ASSERT_EQ(bitmap.BitsPerPixel, 24);
    // Every byte of the frame held one value; JPEG comes close.
    const int value = bitmap.Bits[0];
    EXPECT_GT(value, 0);
    for (LONG y = 0; y < kHeight; ++y)
        for (LONG x = 0; x < kWidth * 3; ++x) {
            ASSERT_NEAR(bitmap.Bits[y * bitmap.BytesPerLine + x], value, c.exact ? 0 : 3);
        }
    StillImageFreeBitmap(&bitmap);
}

INSTANTIATE_TEST_SUITE_P(Formats, StillFiles,
                         testing::Values(StillCase{"shot.bmp", "BMP", true}, StillCase{"shot.JPG", "JPEG", false},
                                         StillCase{"shot.tif", "TIFF", true}));

TEST_F(StillCapture, SavesA555FrameAsABitmap)
{
    CMediaType type = Rgb555Type(kWidth, kHeight);
    m_frameBytes = static_cast<LONG>(reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biSizeImage);
    Build(type);
    StartFrames();
    const std::string path = PathOf("shot.bmp");
    ASSERT_EQ(m_frameCap->CaptureToFile(path.c_str()), S_OK);
    STILLFILEINFO info{};
    ASSERT_EQ(StillImageGetFileInfo(path.c_str(), &info), STILLIMAGE_OK);
    EXPECT_STREQ(info.Format, "BMP");
    EXPECT_EQ(info.BitsPerPixel, 16);
}

TEST_F(StillCapture, TwoCapturesSaveTwoDifferentFrames)
{
    Build(Rgb24Type(kWidth, kHeight));
    StartFrames();
    const std::string first = PathOf("first.bmp"), second = PathOf("second.bmp");
    ASSERT_EQ(m_frameCap->CaptureToFile(first.c_str()), S_OK);
    ASSERT_EQ(m_frameCap->CaptureToFile(second.c_str()), S_OK);
    STILLBITMAP a, b;
    StillImageInitBitmap(&a);
    StillImageInitBitmap(&b);
    ASSERT_EQ(StillImageLoadFile(first.c_str(), &a), STILLIMAGE_OK);
    ASSERT_EQ(StillImageLoadFile(second.c_str(), &b), STILLIMAGE_OK);
    EXPECT_LT(a.Bits[0], b.Bits[0]);
    StillImageFreeBitmap(&a);
    StillImageFreeBitmap(&b);
}

TEST_F(StillCapture, RefusesNamesItCannotWriteWithoutWaiting)
{
    Build(Rgb24Type(kWidth, kHeight));
    for (const char* name : {"shot.png", "shot.jpeg", "shot"}) {
        const std::string path = PathOf(name);
        EXPECT_EQ(m_frameCap->CaptureToFile(path.c_str()), E_INVALIDARG) << name;
        EXPECT_FALSE(fs::exists(path)) << name;
    }
    fs::create_directories(m_dir / "my.dir");
    EXPECT_EQ(m_frameCap->CaptureToFile(PathOf("my.dir/shot").c_str()), E_INVALIDARG);
    EXPECT_EQ(m_frameCap->CaptureToFile(nullptr), E_INVALIDARG);
    EXPECT_EQ(m_frameCap->CaptureToFile(std::string(300, 'a').append(".bmp").c_str()), E_INVALIDARG);
}

TEST_F(StillCapture, AnUnwritableFolderFailsTheCapture)
{
    Build(Rgb24Type(kWidth, kHeight));
    StartFrames();
    EXPECT_EQ(m_frameCap->CaptureToFile(PathOf("missing/shot.bmp").c_str()), E_FAIL);
}

TEST_F(StillCapture, ATimedOutRequestIsWithdrawnAndTheNextCaptureWaitsForItsOwnFrame)
{
    Build(Rgb24Type(kWidth, kHeight));
    m_capture->SetCaptureWait(50);
    const std::string late = PathOf("late.bmp");
    EXPECT_EQ(m_frameCap->CaptureToFile(late.c_str()), E_FAIL);
    // A frame arriving after the time-out is not saved.
    ASSERT_EQ(PushFrame(7), S_OK);
    EXPECT_FALSE(fs::exists(late));
    // With no frame the next capture fails again rather than succeeding.
    EXPECT_EQ(m_frameCap->CaptureToFile(PathOf("none.bmp").c_str()), E_FAIL);
    EXPECT_FALSE(fs::exists(PathOf("none.bmp")));
    m_capture->SetCaptureWait(kLongWait);
    StartFrames();
    const std::string next = PathOf("next.bmp");
    ASSERT_EQ(m_frameCap->CaptureToFile(next.c_str()), S_OK);
    EXPECT_TRUE(fs::exists(next));
}

TEST_F(StillCapture, AcceptsOnlyRgbVideo)
{
    m_source = new PushSource(PcmType(44100, 16, 2), 64);
    m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
    ASSERT_EQ(m_graph->AddFilter(m_sourceFilter.Get(), u"Source"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(m_captureFilter.Get(), u"ImgCapRenderer"), S_OK);
    EXPECT_TRUE(FAILED(Connect(m_graph.Get(), m_source->Pin(), PinOf(m_captureFilter.Get(), 0).Get())));
    EXPECT_TRUE(Query<IMediaSeeking>(m_captureFilter.Get(), IID_IMediaSeeking));
}

} // namespace
