// Productions of scenes trimmed at either end: every produced frame of a
// scene is the source frame at its time, from the in point to the out
// point, whatever the source's kind and the output's. The clips tell their
// frame numbers in bars (playback_test::Clip::numbered), so a produced
// frame names the source frame it shows through any codec.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::ReferencePicture;

constexpr int kClipFrames = 100; // 4 s at 25 frames per second
constexpr int kFrameTime = 40000;

struct ClipKind {
    const char* name;
    const char* file;
    // The largest difference of a pixel of a produced uncompressed frame
    // from libavcodec's decode of its source frame.
    int tolerance;
    std::function<bool(const std::string&)> write;
};

void PrintTo(const ClipKind& kind, std::ostream* out) { *out << kind.name; }

playback_test::Clip SmallClip(const char* container, const char* video, const char* pixels, const char* audio)
{
    playback_test::Clip clip;
    clip.container = container;
    clip.video = video;
    clip.pixels = pixels;
    clip.width = 176;
    clip.height = 144;
    clip.frames = kClipFrames;
    clip.audio = audio;
    clip.texture = 3;
    clip.numbered = true;
    clip.clicks = true;
    return clip;
}

const ClipKind kKinds[] = {
    {"Dv", "dv.avi", 0,
     [](const std::string& path) {
         playback_test::Clip clip = playback_test::DvClip(kClipFrames, true);
         clip.texture = 3;
         clip.numbered = true;
         clip.clicks = true;
         return playback_test::WriteDvAvi(path, 2, clip);
     }},
    {"MotionJpeg", "mjpeg.avi", 2,
     [](const std::string& path) {
         return playback_test::WriteClip(path, SmallClip("avi", "mjpeg", "yuvj420p", "pcm_s16le"));
     }},
    {"Mpeg2", "mpeg2.mpg", 2,
     [](const std::string& path) {
         return playback_test::WriteClip(path, SmallClip("vob", "mpeg2video", "yuv420p", "mp2"));
     }},
    {"QuickTime", "clip.mov", 2,
     [](const std::string& path) {
         return playback_test::WriteClip(path, SmallClip("mov", "mpeg4", "yuv420p", "pcm_s16le"));
     }},
};

// The frame number a picture's bars tell.
int NumberOf(const ReferencePicture& picture)
{
    return playback_test::ReadFrameNumber([&](double x, double y) {
        const media_fixtures::Rgb rgb = picture.At(static_cast<int>(x * picture.width),
                                                   static_cast<int>(y * picture.height));
        return (rgb.r + rgb.g + rgb.b) / 3;
    });
}

int LargestDifference(const ReferencePicture& a, const ReferencePicture& b)
{
    if (a.width != b.width || a.height != b.height || a.bits.size() != b.bits.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 3; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(a.stride) + static_cast<size_t>(x);
            largest = std::max(largest, std::abs(a.bits[at] - b.bits[at]));
        }
    return largest;
}

enum class Output { Avi, Mpeg2 };

struct Trim {
    double in;
    double out;
};

// One production of a trimmed clip: the frame numbers the produced file
// shows, in order, the pictures of the frames asked for, and the first
// channel of the sound (an AVI's, at 44.1 kHz).
struct Produced {
    int result = 0;
    std::vector<int> numbers;
    std::vector<ReferencePicture> pictures;
    std::vector<int> sound;
};

// The source clip of a kind, its reference pictures checked to tell their
// numbers, and productions of it.
class TrimmedClipTest : public DvProductionTest {
protected:
    void Load(const ClipKind& kind)
    {
        m_clip = m_dir.File(kind.file);
        ASSERT_TRUE(kind.write(m_clip));
        media_fixtures::ForEachReferenceFrame(m_clip, [&](int, const ReferencePicture& picture) {
            m_source.push_back(picture);
            return true;
        });
        ASSERT_EQ(static_cast<int>(m_source.size()), kClipFrames);
        for (int n = 0; n < kClipFrames; ++n)
            ASSERT_EQ(NumberOf(m_source[static_cast<size_t>(n)]), n);
    }

    // The clip trimmed to [in, out), after a red scene of `leadIn` seconds
    // and a 0.4 s dissolve when `leadIn` is not 0; the pictures of the
    // produced frames `keep` are kept.
    Produced Produce(Output output, const Trim& trim, double leadIn, const std::vector<int>& keep);

    std::string m_clip;
    std::vector<ReferencePicture> m_source;
};

// An MPEG-2 program stream of the clip's size at 25 frames a second.
void SetMpeg2Output(ProductionParams& params, const std::string& target, int width, int height)
{
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = 2;
    params.m_wBitsPerPixel = 24;
    params.m_nFrameMicroseconds = kFrameTime;
    MpegDefaults(params);
    params.m_nMpegWidth = width;
    params.m_nMpegHeight = height;
    params.m_nMpegRateCode = 3;
    params.m_nMpegBitRate = 6000000;
}

Produced TrimmedClipTest::Produce(Output output, const Trim& trim, double leadIn, const std::vector<int>& keep)
{
    Storyboard storyboard;
    auto* scene = new Scene(m_clip.c_str());
    scene->SetInPoint(Seconds(trim.in));
    scene->SetDuration(Seconds(trim.out));
    int slot = 0;
    if (leadIn > 0) {
        storyboard.SetItem(MakeColourScene(leadIn, RGB(220, 20, 20)), slot++);
        storyboard.SetItem(MakeTransition(1, 0.4), slot++);
    }
    storyboard.SetItem(scene, slot);
    storyboard.RecomputeTimes();

    const int width = m_source.front().width;
    const int height = m_source.front().height;
    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    const std::string target = m_dir.File(output == Output::Avi ? "movie.avi" : "movie.mpg");
    if (output == Output::Avi) {
        SetAviOutput(params, target, mmioFOURCC('D', 'I', 'B', ' '), width, height, kFrameTime);
        params.m_nPcmFormatIndex = 13; // 44.1 kHz stereo 16-bit
    } else {
        SetMpeg2Output(params, target, width, height);
    }

    Produced produced;
    CProducer producer(&storyboard, &settings, nullptr);
    if ((produced.result = producer.Prepare(0, 0x7FFF)) != 0)
        return produced;
    CString name;
    if ((produced.result = producer.Produce(name)) != 0)
        return produced;
    media_fixtures::ForEachReferenceFrame(target, [&](int n, const ReferencePicture& picture) {
        produced.numbers.push_back(NumberOf(picture));
        if (std::find(keep.begin(), keep.end(), n) != keep.end())
            produced.pictures.push_back(picture);
        return true;
    });
    media_fixtures::ReadBackFile file;
    if (output == Output::Avi && media_fixtures::ReadBackMediaFile(target, file))
        for (size_t at = 0; at < file.audio16.size(); at += static_cast<size_t>(std::max(file.audioChannels, 1)))
            produced.sound.push_back(file.audio16[at]);
    std::remove(target.c_str());
    return produced;
}

class TrimmedProduction : public TrimmedClipTest,
                          public testing::WithParamInterface<std::tuple<ClipKind, Output>> {
protected:
    void SetUp() override
    {
        TrimmedClipTest::SetUp();
        Load(std::get<0>(GetParam()));
    }
    Output OutputKind() const { return std::get<1>(GetParam()); }
};

std::string Describe(const std::vector<int>& numbers)
{
    std::string text;
    for (int n : numbers)
        text += std::to_string(n) + " ";
    return text;
}

// Every frame of a trimmed clip from its in point to its out point, the
// first and last the very source frames there.
TEST_P(TrimmedProduction, EveryFrameFromTheInPointToTheOutPoint)
{
    const Trim trims[] = {{0, 4}, {0.04, 4}, {0.08, 3}, {0.2, 4}, {2, 4}, {2, 3.5}, {3, 4}, {0.2, 1.2}};
    for (const Trim& trim : trims) {
        SCOPED_TRACE(testing::Message() << "in " << trim.in << " out " << trim.out);
        const int first = static_cast<int>(std::lround(trim.in * 25));
        const int count = static_cast<int>(std::lround((trim.out - trim.in) * 25));
        const Produced produced = Produce(OutputKind(), trim, 0, {0, count - 1});
        ASSERT_EQ(produced.result, 0) << m_log.Take();
        std::vector<int> expected(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k)
            expected[static_cast<size_t>(k)] = first + k;
        EXPECT_EQ(produced.numbers, expected) << Describe(produced.numbers);
        if (OutputKind() == Output::Avi && produced.pictures.size() == 2) {
            const int tolerance = std::get<0>(GetParam()).tolerance;
            EXPECT_LE(LargestDifference(produced.pictures[0], m_source[static_cast<size_t>(first)]), tolerance);
            EXPECT_LE(LargestDifference(produced.pictures[1], m_source[static_cast<size_t>(first + count - 1)]),
                      tolerance);
        }
    }
}

// A clip trimmed at both ends after a 1 s red scene and a 0.4 s dissolve:
// the dissolve shows the clip from its in point, and the clip runs on to
// its out point.
TEST_P(TrimmedProduction, TrimmedAtBothEndsAfterADissolve)
{
    const Trim trim{1.2, 3.2};
    const Produced produced = Produce(OutputKind(), trim, 1.0, {});
    ASSERT_EQ(produced.result, 0) << m_log.Take();
    // 1 s + 2 s - 0.4 s.
    ASSERT_EQ(produced.numbers.size(), 65u);
    // The dissolve's end and the clip alone: frame k of the production
    // shows clip frame 30 + (k - 15).
    for (size_t k = 25; k < produced.numbers.size(); ++k)
        EXPECT_EQ(produced.numbers[k], 30 + static_cast<int>(k) - 15) << k;
}

class TrimmedSound : public TrimmedClipTest, public testing::WithParamInterface<ClipKind> {
protected:
    void SetUp() override
    {
        TrimmedClipTest::SetUp();
        Load(GetParam());
    }
};

// The clip's clicks, one at each of its whole seconds, come out where
// their seconds fall after the in point, whatever the seek did to where
// the file's sound starts (its chunks do not start with the pictures).
TEST_P(TrimmedSound, StaysOnThePictures)
{
    for (const Trim& trim : {Trim{0, 4}, Trim{0.04, 4}, Trim{1.3, 4}, Trim{2.5, 3.8}}) {
        SCOPED_TRACE(testing::Message() << "in " << trim.in);
        const Produced produced = Produce(Output::Avi, trim, 0, {});
        ASSERT_EQ(produced.result, 0) << m_log.Take();
        // The scene's sound fades in over its first second and out over its
        // last: the clicks of its first and last fifth of a second are left.
        for (int second = static_cast<int>(std::ceil(trim.in + 0.2)); second < trim.out - 0.2; ++second) {
            const long expected = std::lround((second - trim.in) * 44100);
            int peak = 0;
            long found = -1;
            for (long i = std::max(0L, expected - 22050);
                 i < std::min(expected + 22050, static_cast<long>(produced.sound.size())); ++i)
                if (std::abs(produced.sound[static_cast<size_t>(i)]) > peak) {
                    peak = std::abs(produced.sound[static_cast<size_t>(i)]);
                    found = i;
                }
            EXPECT_GT(peak, 5000) << second;
            // Within a millisecond.
            EXPECT_NEAR(found, expected, 44) << second;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Clips, TrimmedSound, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<ClipKind>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Clips, TrimmedProduction,
                         testing::Combine(testing::ValuesIn(kKinds), testing::Values(Output::Avi, Output::Mpeg2)),
                         [](const testing::TestParamInfo<std::tuple<ClipKind, Output>>& info) {
                             return std::string(std::get<0>(info.param).name)
                                 + (std::get<1>(info.param) == Output::Avi ? "ToAvi" : "ToMpeg2");
                         });

} // namespace
