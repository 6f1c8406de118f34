// Whole productions of generated storyboards into AVI files, read back by
// libavformat.

#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/SceneAudio.h"
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
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = 1;
    params.m_nWidth = kWidth;
    params.m_nHeight = kHeight;
    params.m_nFrameMicroseconds = kFrameTime;
    params.m_wBitsPerPixel = 24;
    params.m_Compress.fccType = mmioFOURCC('v', 'i', 'd', 's');
    params.m_Compress.fccHandler = handler;
    params.m_Compress.dwQuality = 9000;
    params.m_Compress.dwKeyFrameEvery = 1;
    params.m_Compress.dwFlags = AVICOMPRESSF_VALID;
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
    EXPECT_EQ(produced.video, "rawvideo");
    EXPECT_EQ(produced.width, kWidth);
    EXPECT_EQ(produced.height, kHeight);
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
    EXPECT_EQ(produced.video, "mjpeg");
    EXPECT_EQ(produced.width, kWidth);
    EXPECT_EQ(produced.height, kHeight);
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

} // namespace
