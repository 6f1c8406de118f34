// Whole DV productions: a storyboard of two DV AVI clips joined by a
// dissolve, produced into type-1 and type-2 DV AVI files of both systems
// at every DV sound rate and read back by libavformat. The untouched
// stretches of the clips are copied frame for frame; the dissolve is
// encoded anew.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/TempDir.h"

namespace {

using Frame = DvFrame;

// The index of the source frame `frame` copies, or -1.
int CopiedFrom(const std::vector<Frame>& source, const Frame& frame)
{
    const Frame video = DvVideoBlocks(frame);
    for (size_t i = 0; i < source.size(); ++i)
        if (DvVideoBlocks(source[i]) == video)
            return static_cast<int>(i);
    return -1;
}

double Rms(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    to = std::min(to, samples.size());
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

struct DvCase {
    int type;
    bool pal;
    int audioCode;
    int rate;
};

std::string Describe(const DvCase& c)
{
    return "type " + std::to_string(c.type) + (c.pal ? " PAL " : " NTSC ") + std::to_string(c.rate) + " code " +
           std::to_string(c.audioCode);
}

class DvProduceEndToEnd : public DvProductionTest {
protected:
    void ProduceAndCheck(const DvCase& c);
};

void DvProduceEndToEnd::ProduceAndCheck(const DvCase& c)
{
    SCOPED_TRACE(Describe(c));
    // The bus library decides the file type.
    Dv1394StackSetting stack;
    stack.busLibraryPresent = c.type == 2;
    SetDv1394StackSetting(stack);

    // Two clips of 1.2 s (their frames are flat grey levels that tell the
    // frame number) and a 0.4 s dissolve: 2.0 s in all.
    const int clipFrames = c.pal ? 30 : 36;
    const std::string tag = std::to_string(c.type) + (c.pal ? "pal" : "ntsc") + std::to_string(c.audioCode);
    const std::string first = m_dir.File("first" + tag + ".avi");
    const std::string second = m_dir.File("second" + tag + ".avi");
    ASSERT_TRUE(playback_test::WriteTexturedDvAvi(first, clipFrames, c.pal, 1));
    ASSERT_TRUE(playback_test::WriteTexturedDvAvi(second, clipFrames, c.pal, 2));
    media_fixtures::ReadBackFile firstClip, secondClip;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(first, firstClip));
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(second, secondClip));

    Storyboard storyboard;
    storyboard.SetItem(new Scene(first.c_str()), 0);
    storyboard.SetItem(MakeTransition(1, 0.4), 1);
    storyboard.SetItem(new Scene(second.c_str()), 2);
    storyboard.RecomputeTimes();

    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    const std::string target = m_dir.File("movie" + tag + ".avi");
    SetDvOutput(params, target, c.pal, c.audioCode);
    CProducer producer(&storyboard, &settings, nullptr);
    m_log.Take();
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    const int total = producer.GetTotalFrames();
    CString name;
    ASSERT_EQ(producer.Produce(name), 0) << m_log.Take();
    EXPECT_EQ(std::string(name), target);

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    EXPECT_EQ(file.videoCodec, "dvvideo");
    EXPECT_EQ(file.width, 720);
    EXPECT_EQ(file.height, c.pal ? 576 : 480);
    ASSERT_EQ(static_cast<int>(file.videoPackets.size()), total) << m_log.Take();
    const std::string bytes = testing_support::ReadFile(target);
    EXPECT_EQ(bytes.find("iavs") != std::string::npos, c.type == 1);

    // Copied stretches: the first clip up to the dissolve, the second clip
    // after it; the dissolve in between encoded anew. At 29.97 frames a
    // second the clips' ends lie off the production's frame grid, and the
    // frames holding them are copied.
    const double frameSeconds = params.m_nFrameMicroseconds / 1e6;
    const double dissolveStart = storyboard.GetItem(2)->GetStart().GetSeconds();
    const double dissolveEnd = storyboard.GetItem(0)->GetEnd().GetSeconds();
    int previous = -1;
    int copied = 0;
    for (int n = 0; n < total; ++n) {
        const double at = n * frameSeconds;
        const Frame& frame = file.videoPackets[static_cast<size_t>(n)];
        if (at < dissolveStart - 1e-6) {
            EXPECT_EQ(CopiedFrom(firstClip.videoPackets, frame), n) << n;
            ++copied;
        } else if (at + frameSeconds > dissolveEnd + 1e-6) {
            const int from = CopiedFrom(secondClip.videoPackets, frame);
            EXPECT_NEAR(from, (at - dissolveStart) / frameSeconds, 1.0) << n;
            EXPECT_GT(from, previous) << n;
            previous = from;
            ++copied;
        } else {
            EXPECT_EQ(CopiedFrom(firstClip.videoPackets, frame), -1) << n;
            EXPECT_EQ(CopiedFrom(secondClip.videoPackets, frame), -1) << n;
        }
    }
    EXPECT_GE(copied, total * 3 / 4);

    // The sound: the production's rate, stereo, as long as the pictures.
    ASSERT_TRUE(file.audio);
    EXPECT_EQ(file.audioRate, c.rate);
    EXPECT_EQ(file.audioChannels, 2);
    const double expected = total * frameSeconds * c.rate;
    const auto samples = static_cast<double>(file.audio16.size() / 2);
    // Within a sample a frame where the writer's own silence fills the
    // track or the DV multiplexer gives every frame its share; the mixed
    // sound of a type-2 file is as long as the mixer made it.
    const bool exact = c.type == 1 || c.audioCode == 1;
    EXPECT_NEAR(samples, expected, exact ? static_cast<double>(total) : expected * 0.02);
    // The clips' tone in the middle of the first clip; silence for code 1.
    const auto middle = static_cast<size_t>(0.5 * c.rate) * 2;
    const double level = Rms(file.audio16, middle, middle + static_cast<size_t>(0.2 * c.rate) * 2);
    if (c.audioCode == 1)
        EXPECT_EQ(level, 0.0);
    else
        EXPECT_GT(level, 1000.0);
}

TEST_F(DvProduceEndToEnd, StoryboardOfDvClipsWithADissolve)
{
    const DvCase cases[] = {
        {2, true, 0, 32000},  {2, true, 2, 44100},  {2, true, 3, 48000},  {2, false, 0, 32000},
        {2, false, 2, 44100}, {2, false, 3, 48000}, {1, true, 0, 32000},  {1, true, 2, 44100},
        {1, true, 3, 48000},  {1, false, 0, 32000}, {1, false, 2, 44100}, {1, false, 3, 48000},
        {2, true, 1, 32000},  {1, false, 1, 32000},
    };
    for (const DvCase& c : cases)
        ProduceAndCheck(c);
}

} // namespace
