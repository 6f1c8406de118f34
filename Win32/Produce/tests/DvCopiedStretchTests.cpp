// DV productions of one clip repeated eleven times, joined by dissolves
// of 0.5 s, 0.4 s and 1.0 s and by cuts: the stretches between the joins
// are copied from the clip without decoding. A dissolve of a whole number
// of frames plus a half (0.5 s at 25 frames a second) ends between two
// frames of the output, so the copied stretch after it starts off the
// output's frame grid. Every output frame of a copied stretch must be the
// very source frame at its time, byte for byte, the production as long as
// its storyboard, and the clip's sound on its pictures after all ten
// joins.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"

namespace {

constexpr double kClipSeconds = 4.0;
constexpr double kSceneSeconds = 3.0;
// The joins between the eleven scenes: dissolves of these lengths, 0 a cut.
constexpr double kJoins[] = {0.5, 0.4, 1.0, 0, 0.5, 0.4, 1.0, 0, 0.5, 0.4};
// The scenes' in points, in turn: on a source frame, between two, on one.
constexpr double kInPoints[] = {0, 0.3, 0.52};

struct StretchCase {
    int type;
    bool pal;
};

void PrintTo(const StretchCase& c, std::ostream* out) { *out << "type " << c.type << (c.pal ? " PAL" : " NTSC"); }

// A scene's place in the production: its in point, its first output
// frame (the first frame read from it, in its incoming dissolve or after a
// cut) and the copied stretch between its joins, in seconds.
struct ScenePlace {
    double in;
    int firstFrame;
    double copyStart;
    double copyEnd;
};

class DvCopiedStretches : public DvProductionTest, public testing::WithParamInterface<StretchCase> {};

TEST_P(DvCopiedStretches, CopyEveryFrameAtItsTimeAndKeepTheSoundOnThePictures)
{
    const StretchCase& c = GetParam();
    Dv1394StackSetting stack;
    stack.busLibraryPresent = c.type == 2;
    SetDv1394StackSetting(stack);

    const double sourceFrame = c.pal ? 0.04 : 1001.0 / 30000;
    const int frameMicroseconds = c.pal ? 40000 : 33366;
    const double frame = frameMicroseconds / 1e6;
    playback_test::Clip clip = playback_test::DvClip(static_cast<int>(std::lround(kClipSeconds / sourceFrame)), c.pal);
    clip.texture = 5;
    clip.numbered = true;
    clip.clicks = true;
    const std::string source = m_dir.File("clip.avi");
    ASSERT_TRUE(playback_test::WriteDvAvi(source, 2, clip));
    media_fixtures::ReadBackFile sourceFile;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(source, sourceFile));

    Storyboard storyboard;
    int slot = 0;
    auto addScene = [&]() {
        auto* scene = new Scene(source.c_str());
        const double in = kInPoints[slot / 2 % std::size(kInPoints)];
        scene->SetInPoint(Seconds(in));
        scene->SetDuration(Seconds(in + kSceneSeconds));
        storyboard.SetItem(scene, slot++);
    };
    addScene();
    for (double join : kJoins) {
        if (join > 0)
            storyboard.SetItem(MakeTransition(1, join), slot);
        ++slot;
        addScene();
    }
    storyboard.RecomputeTimes();

    std::vector<ScenePlace> places;
    for (int s = 0; s < slot; s += 2) {
        const StoryboardItem* scene = storyboard.GetItem(s);
        const StoryboardItem* before = s > 0 ? storyboard.GetItem(s - 1) : nullptr;
        const StoryboardItem* after = storyboard.GetItem(s + 1);
        const double start = scene->GetStart().GetSeconds();
        // The item before is written while the scene's start lies at or
        // past the middle of the frame (in whole 100 ns units).
        const long long startUnits = std::llround(start * 1e7);
        const long long frameUnits = frameMicroseconds * 10LL;
        const int firstFrame =
            startUnits < frameUnits / 2 ? 0 : static_cast<int>((startUnits - frameUnits / 2) / frameUnits + 1);
        places.push_back({kInPoints[s / 2 % std::size(kInPoints)], firstFrame,
                          before != nullptr ? before->GetEnd().GetSeconds() : start,
                          after != nullptr ? after->GetStart().GetSeconds() : scene->GetEnd().GetSeconds()});
    }

    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    const std::string target = m_dir.File("movie.avi");
    SetDvOutput(params, target, c.pal, 3);
    CProducer producer(&storyboard, &settings, nullptr);
    m_log.Take();
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    const int total = producer.GetTotalFrames();
    EXPECT_EQ(total, static_cast<int>(storyboard.GetItem(slot - 1)->GetEnd().GetSeconds() / frame + 0.5));
    CString name;
    ASSERT_EQ(producer.Produce(name), 0) << m_log.Take();

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    ASSERT_EQ(static_cast<int>(file.videoPackets.size()), total) << m_log.Take();

    // Every frame wholly inside a copied stretch is its source frame, the
    // one the scene shows at that time: the scene's first frame shows the
    // source frame that holds its in point, and each output frame the next
    // source frame.
    int copied = 0;
    for (const ScenePlace& place : places) {
        for (int n = static_cast<int>(std::ceil(place.copyStart / frame - 1e-9));
             (n + 1) * frame <= place.copyEnd + 1e-9 && n < total; ++n) {
            const int expected = static_cast<int>(std::floor(place.in / sourceFrame + 1e-6)) + n - place.firstFrame;
            ASSERT_LT(expected, static_cast<int>(sourceFile.videoPackets.size())) << n;
            EXPECT_TRUE(DvVideoBlocks(file.videoPackets[static_cast<size_t>(n)]) ==
                        DvVideoBlocks(sourceFile.videoPackets[static_cast<size_t>(expected)]))
                << "frame " << n << " should copy source frame " << expected;
            ++copied;
        }
    }
    EXPECT_GT(copied, total / 2);

    // The clicks of the source's whole seconds, within a frame of their
    // time: the scene's sound starts with its first frame. Those in the
    // joins, where the sounds mix, are left out.
    ASSERT_EQ(file.audioRate, 48000);
    std::vector<int> sound;
    for (size_t at = 0; at < file.audio16.size(); at += 2)
        sound.push_back(file.audio16[at]);
    int clicks = 0;
    for (const ScenePlace& place : places) {
        for (int second = 1; second < kClipSeconds; ++second) {
            const double at = place.firstFrame * frame + second - place.in;
            if (at < place.copyStart + 0.1 || at > place.copyEnd - 0.2)
                continue;
            const long expected = std::lround(at * 48000);
            int peak = 0;
            long found = -1;
            for (long i = std::max(0L, expected - 12000);
                 i < std::min(expected + 12000, static_cast<long>(sound.size())); ++i)
                if (std::abs(sound[static_cast<size_t>(i)]) > peak) {
                    peak = std::abs(sound[static_cast<size_t>(i)]);
                    found = i;
                }
            EXPECT_GT(peak, 5000) << at;
            EXPECT_NEAR(static_cast<double>(found - expected) / 48000, 0.0, frame) << "click at " << at << " s";
            ++clicks;
        }
    }
    EXPECT_GE(clicks, 10);
}

INSTANTIATE_TEST_SUITE_P(Dv, DvCopiedStretches,
                         testing::Values(StretchCase{1, true}, StretchCase{2, true}, StretchCase{1, false},
                                         StretchCase{2, false}),
                         [](const testing::TestParamInfo<StretchCase>& info) {
                             return std::string(info.param.pal ? "Pal" : "Ntsc") + "Type"
                                 + std::to_string(info.param.type);
                         });

} // namespace
