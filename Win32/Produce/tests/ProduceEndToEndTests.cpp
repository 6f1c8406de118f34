// Whole productions of generated storyboards into AVI files, read back by
// libavformat.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
// 10 frames per second.
constexpr int kFrameTime = 100000;
// Audio index 5: 11,025 Hz stereo 16-bit.
constexpr int kAudioIndex = 5;

struct Produced {
    std::string video;
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<int16_t> samples;
};

// The production's codec and the frame size every production here has.
void ExpectVideo(const Produced& produced, const std::string& codec)
{
    EXPECT_EQ(produced.video, codec);
    EXPECT_EQ(produced.width, kWidth);
    EXPECT_EQ(produced.height, kHeight);
}

Produced ReadProduced(const std::string& path)
{
    media_fixtures::ReadBackFile file;
    Produced produced;
    if (!media_fixtures::ReadBackMediaFile(path, file))
        return produced;
    produced.video = file.videoCodec;
    produced.width = file.width;
    produced.height = file.height;
    produced.frames = std::move(file.videoPackets);
    produced.samples = std::move(file.audio16);
    return produced;
}

// The blue, green and red of the middle pixel of an uncompressed frame.
std::array<int, 3> MiddlePixel(const std::vector<uint8_t>& frame)
{
    const size_t stride = (kWidth * 3 + 3) & ~3u;
    const size_t at = (kHeight / 2) * stride + (kWidth / 2) * 3;
    return {frame[at], frame[at + 1], frame[at + 2]};
}

double Rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds)
{
    const size_t from = static_cast<size_t>(fromSeconds * 11025) * 2;
    const size_t to = std::min(samples.size(), static_cast<size_t>(toSeconds * 11025) * 2);
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// A pixel (x, y from the top left) of an uncompressed bottom-up frame.
std::array<int, 3> PixelAt(const std::vector<uint8_t>& frame, int x, int y)
{
    const size_t stride = (kWidth * 3 + 3) & ~3u;
    const size_t at = static_cast<size_t>(kHeight - 1 - y) * stride + static_cast<size_t>(x) * 3;
    return {frame[at], frame[at + 1], frame[at + 2]};
}

// Red and green scenes of 2 s and a 2 s still with a 0.5 s dissolve and a
// 0.5 s wipe (5 s in all); the first scene plays a 6 s tone on its first
// audio track.
std::unique_ptr<Storyboard> MakeStoryboard(const std::string& tone, const std::string& still)
{
    auto storyboard = std::make_unique<Storyboard>();
    storyboard->SetItem(MakeColourScene(2, RGB(220, 20, 20)), 0);
    storyboard->SetItem(MakeTransition(1, 0.5), 1);
    storyboard->SetItem(MakeColourScene(2, RGB(20, 220, 20)), 2);
    storyboard->SetItem(MakeTransition(2, 0.5), 3);
    auto* picture = new Scene(still.c_str());
    picture->SetDuration(Seconds(2));
    storyboard->SetItem(picture, 4);
    storyboard->RecomputeTimes();
    auto* first = static_cast<Scene*>(storyboard->GetItem(0));
    AudioClipList list;
    if (list.AddFile(tone.c_str(), nullptr, nullptr) != nullptr) {
        first->GetAudio()->SetTrack(0, &list);
        first->GetAudio()->SetTrackFlag(0, 1);
    }
    return storyboard;
}

int Produce(Storyboard& storyboard, const std::string& target, FOURCC handler, CString& name)
{
    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    SetAviOutput(params, target, handler, kWidth, kHeight, kFrameTime);
    params.m_nPcmFormatIndex = kAudioIndex;
    CProducer producer(&storyboard, &settings, nullptr);
    if (const int prepared = producer.Prepare(0, 0x7FFF); prepared != 0)
        return prepared;
    return producer.Produce(name);
}

class ProduceEndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        media_fixtures::QuietMediaLogs();
        m_tone = m_dir.File("tone.wav");
        ASSERT_TRUE(media_fixtures::WriteSound(m_tone, {media_fixtures::SoundKind::Wav16, 11025, 2, 6.0}));
        m_still = m_dir.File("still.bmp");
        ASSERT_TRUE(media_fixtures::WriteStill(m_still, media_fixtures::StillKind::Bmp24, kWidth, kHeight));
    }

    TempDir m_dir;
    std::string m_tone;
    std::string m_still;
};

TEST_F(ProduceEndToEnd, UncompressedAviOfScenesTransitionsAndTone)
{
    auto storyboard = MakeStoryboard(m_tone, m_still);
    ASSERT_EQ(static_cast<Scene*>(storyboard->GetItem(0))->GetAudio()->GetTrackCount(), 1);
    const std::string target = m_dir.File("movie.avi");
    CString name;
    ASSERT_EQ(Produce(*storyboard, target, mmioFOURCC('D', 'I', 'B', ' '), name), 0);
    EXPECT_EQ(std::string(name), target);
    const Produced produced = ReadProduced(target);
    ExpectVideo(produced, "rawvideo");
    ASSERT_EQ(produced.frames.size(), 50u);
    // 5 s of stereo sound, within the rounding of the frames' blocks.
    EXPECT_EQ(produced.samples.size() / 2, 55125u);

    auto near = [](const std::array<int, 3>& bgr, int b, int g, int r) {
        return std::abs(bgr[0] - b) <= 6 && std::abs(bgr[1] - g) <= 6 && std::abs(bgr[2] - r) <= 6;
    };
    EXPECT_TRUE(near(MiddlePixel(produced.frames[5]), 20, 20, 220));
    EXPECT_TRUE(near(MiddlePixel(produced.frames[25]), 20, 220, 20));
    // The still's test picture: red top left, blue bottom left.
    EXPECT_TRUE(near(PixelAt(produced.frames[45], 8, 8), 0, 0, 255));
    EXPECT_TRUE(near(PixelAt(produced.frames[45], 8, kHeight - 8), 255, 0, 0));
    // The dissolve (1.5 s to 2 s) mixes red and green halfway through.
    const auto mid = MiddlePixel(produced.frames[17]);
    EXPECT_GT(mid[1], 60);
    EXPECT_GT(mid[2], 60);
    EXPECT_LT(mid[1], 180);
    EXPECT_LT(mid[2], 180);

    // The tone fades in over the first second and out over the last.
    const double full = Rms(produced.samples, 2.0, 3.0);
    EXPECT_GT(full, 1000.0);
    EXPECT_LT(Rms(produced.samples, 0.0, 0.2), full * 0.5);
    EXPECT_LT(Rms(produced.samples, 4.8, 5.0), full * 0.5);
}

TEST_F(ProduceEndToEnd, MotionJpegAvi)
{
    auto storyboard = MakeStoryboard(m_tone, m_still);
    const std::string target = m_dir.File("movie-mjpeg.avi");
    CString name;
    ASSERT_EQ(Produce(*storyboard, target, mmioFOURCC('M', 'J', 'P', 'G'), name), 0);
    const Produced produced = ReadProduced(target);
    ExpectVideo(produced, "mjpeg");
    EXPECT_EQ(produced.frames.size(), 50u);
    EXPECT_EQ(produced.samples.size() / 2, 55125u);
}

TEST_F(ProduceEndToEnd, UnwritableFolderFailsAndLeavesNothing)
{
    auto storyboard = MakeStoryboard(m_tone, m_still);
    CString name;
    EXPECT_EQ(Produce(*storyboard, m_dir.File("missing-folder/movie.avi"), mmioFOURCC('D', 'I', 'B', ' '), name),
              kProduceOpenFailed);
    EXPECT_TRUE(name.IsEmpty());
}

// A red scene, two 2 s PAL DV clips and a still, 6.5 s in all: the red
// scene (0-2 s) dissolves into clip A (1.5-3.5 s), which wipes to the still
// (3-5 s), which dissolves into clip B (4.5-6.5 s). The clips show grey
// level 40 + 8 n in their frame n and carry a 440 Hz tone; the red scene and
// the still are silent.
class ProduceDvEndToEnd : public ProduceEndToEnd {
protected:
    static void SetUpTestSuite()
    {
        for (const char* module : {"Grabwell", "Reverbix", "Switcher"})
            ASSERT_EQ(graph_test::CallModule(module, "DllRegisterServer"), S_OK) << module;
    }

    void SetUp() override
    {
        ProduceEndToEnd::SetUp();
        for (const char* name : {"clip-a.avi", "clip-b.avi"}) {
            m_clips.push_back(m_dir.File(name));
            ASSERT_TRUE(playback_test::WriteDvAvi(m_clips.back(), 2, 50, true));
        }
    }

    std::unique_ptr<Storyboard> MakeDvStoryboard() const
    {
        auto storyboard = std::make_unique<Storyboard>();
        storyboard->SetItem(MakeColourScene(2, RGB(220, 20, 20)), 0);
        storyboard->SetItem(MakeTransition(1, 0.5), 1);
        storyboard->SetItem(new Scene(m_clips[0].c_str()), 2);
        storyboard->SetItem(MakeTransition(2, 0.5), 3);
        auto* picture = new Scene(m_still.c_str());
        picture->SetDuration(Seconds(2));
        storyboard->SetItem(picture, 4);
        storyboard->SetItem(MakeTransition(1, 0.5), 5);
        storyboard->SetItem(new Scene(m_clips[1].c_str()), 6);
        storyboard->RecomputeTimes();
        return storyboard;
    }

    std::vector<std::string> m_clips;
};

// The grey a clip frame of level `level` comes out in (limited-range luma
// to full-range RGB; levels above 255 wrap).
int GreyOf(int level)
{
    return std::clamp(static_cast<int>(std::lround(((level & 0xFF) - 16) * 255.0 / 219.0)), 0, 255);
}

// Clip frame shown at `seconds` into a clip.
int ClipFrameAt(double seconds)
{
    return static_cast<int>(std::floor(seconds * 25 + 1e-6));
}

using PixelOf = std::function<std::array<int, 3>(int frame, int x, int y)>;

// The pictures of the DV storyboard's production: blue, green, red of
// pixel (x, y) from the top left of frame k, within `tolerance`.
void CheckDvPictures(const PixelOf& pixel, int tolerance)
{
    auto near = [&](const std::array<int, 3>& bgr, int b, int g, int r) {
        return std::abs(bgr[0] - b) <= tolerance && std::abs(bgr[1] - g) <= tolerance
            && std::abs(bgr[2] - r) <= tolerance;
    };
    const int midX = kWidth / 2;
    const int midY = kHeight / 2;
    EXPECT_TRUE(near(pixel(5, midX, midY), 20, 20, 220));
    // Clip A alone from 2 s on (its 0.5 s onwards), clip B from 5 s.
    for (int k : {21, 22, 23, 24, 51, 52, 53, 54}) {
        const double start = k < 40 ? 1.5 : 4.5;
        const int grey = GreyOf(playback_test::LevelOf(ClipFrameAt(k / 10.0 - start)));
        EXPECT_TRUE(near(pixel(k, midX, midY), grey, grey, grey)) << k;
    }
    // The still's test picture: red top left, blue bottom left.
    EXPECT_TRUE(near(pixel(40, 8, 8), 0, 0, 255));
    EXPECT_TRUE(near(pixel(40, 8, kHeight - 8), 255, 0, 0));
    // Halfway through the dissolve from red to clip A (1.5 s to 2 s) both
    // show: red has fallen and blue risen.
    const auto dissolve = pixel(18, midX, midY);
    EXPECT_GT(dissolve[0], 40);
    EXPECT_LT(dissolve[0], GreyOf(playback_test::LevelOf(ClipFrameAt(0.3))) - 20);
    EXPECT_LT(dissolve[2], 200);
    // Halfway through the wipe from clip A to the still (3 s to 3.5 s) part
    // of the picture shows the still's colours and part the clip's grey.
    int still = 0;
    int clip = 0;
    for (int y = 2; y < kHeight; y += 4) {
        for (int x = 2; x < kWidth; x += 4) {
            const auto bgr = pixel(32, x, y);
            const media_fixtures::Rgb colour = media_fixtures::PictureColorAt(x, y, kWidth, kHeight);
            if (near(bgr, colour.b, colour.g, colour.r))
                ++still;
            else if (std::abs(bgr[0] - bgr[1]) <= tolerance && std::abs(bgr[1] - bgr[2]) <= tolerance)
                ++clip;
        }
    }
    EXPECT_GT(still, 10);
    EXPECT_GT(clip, 10);
}

// The sound of the DV storyboard's production: silence, the clips' tone
// coming and going with the transitions, and the fade over the last second.
void CheckDvSound(const std::vector<int16_t>& samples)
{
    EXPECT_NEAR(static_cast<double>(samples.size()) / 2, 6.5 * 11025, 1.0);
    const double tone = Rms(samples, 2.0, 3.0);
    EXPECT_GT(tone, 5000.0);
    EXPECT_LT(Rms(samples, 0.1, 1.4), 50.0);
    EXPECT_LT(Rms(samples, 1.5, 1.75), Rms(samples, 1.75, 2.0));
    EXPECT_LT(Rms(samples, 1.75, 2.0), tone * 0.6);
    EXPECT_GT(Rms(samples, 3.0, 3.25), Rms(samples, 3.25, 3.5));
    EXPECT_LT(Rms(samples, 3.6, 4.4), 50.0);
    EXPECT_NEAR(Rms(samples, 5.0, 5.4), tone, tone * 0.05);
    EXPECT_LT(Rms(samples, 6.25, 6.5), tone * 0.5);
}

TEST_F(ProduceDvEndToEnd, UncompressedAvi)
{
    auto storyboard = MakeDvStoryboard();
    const std::string target = m_dir.File("dv-movie.avi");
    CString name;
    ASSERT_EQ(Produce(*storyboard, target, mmioFOURCC('D', 'I', 'B', ' '), name), 0);
    const Produced produced = ReadProduced(target);
    ExpectVideo(produced, "rawvideo");
    ASSERT_EQ(produced.frames.size(), 65u);
    CheckDvPictures([&](int k, int x, int y) { return PixelAt(produced.frames[static_cast<size_t>(k)], x, y); }, 8);
    CheckDvSound(produced.samples);
}

// The Motion-JPEG production read back frame by frame through the
// program's own reader.
TEST_F(ProduceDvEndToEnd, MotionJpegAvi)
{
    auto storyboard = MakeDvStoryboard();
    const std::string target = m_dir.File("dv-movie-mjpeg.avi");
    CString name;
    ASSERT_EQ(Produce(*storyboard, target, mmioFOURCC('M', 'J', 'P', 'G'), name), 0);
    const Produced produced = ReadProduced(target);
    ExpectVideo(produced, "mjpeg");
    ASSERT_EQ(produced.frames.size(), 65u);
    CheckDvSound(produced.samples);

    Scene movie(target.c_str());
    ASSERT_EQ(movie.OpenReader(CGfxSize(kWidth, kHeight), 10.0), 1);
    const WAVEFORMATEX format = media_tests::PcmFormat(2, 11025, 16);
    std::vector<std::unique_ptr<CIplImage>> pictures;
    for (int k = 0; k < 65; ++k) {
        std::unique_ptr<MediaFrame> frame(movie.GetFrame(1, 0, &format, 1024));
        ASSERT_NE(frame, nullptr) << k;
        ASSERT_NE(frame->m_pImage, nullptr) << k;
        pictures.emplace_back(frame->m_pImage);
        frame->m_pImage = nullptr;
    }
    movie.CloseReader();
    CheckDvPictures(
        [&](int k, int x, int y) {
            const COLORREF colour = media_tests::PixelAt(pictures[static_cast<size_t>(k)].get(), x, y);
            return std::array<int, 3>{GetBValue(colour), GetGValue(colour), GetRValue(colour)};
        },
        14);
}

} // namespace
