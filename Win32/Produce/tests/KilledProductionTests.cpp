// Productions killed at random moments, as a crash or a power cut ends
// them: the target keeps the old movie or holds the whole new one, never
// neither, and the next production sweeps the temporary files the killed
// ones left. Each production runs in a child process (this executable,
// running the disabled test below), which the test kills.
//
// KESTRELON_KILLS sets the kills per output type (2 by default; the
// script scripts/kill-productions runs a hundred in all).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/ChildProcess.h"

namespace {

constexpr char kClipVariable[] = "KESTRELON_KILL_CLIP";
constexpr char kTargetVariable[] = "KESTRELON_KILL_TARGET";
constexpr char kOutputVariable[] = "KESTRELON_KILL_OUTPUT";
constexpr char kOldMovie[] = "the old movie";

struct Output {
    const char* name;
    const char* extension;
};
constexpr Output kOutputs[] = {{"avi", ".avi"}, {"dv", ".avi"}, {"mpeg2", ".mpg"}};

class KilledProduction : public DvProductionTest {};

// The child's production: the clip as one scene into the output named.
TEST_F(KilledProduction, DISABLED_Produce)
{
    const char* clip = std::getenv(kClipVariable);
    const char* target = std::getenv(kTargetVariable);
    const char* output = std::getenv(kOutputVariable);
    ASSERT_TRUE(clip && target && output);
    Storyboard storyboard;
    storyboard.SetItem(new Scene(clip), 0);
    storyboard.RecomputeTimes();
    CProductionSettings settings;
    ProductionParams& params = settings.GetParams();
    if (std::strcmp(output, "dv") == 0) {
        Dv1394StackSetting stack;
        stack.busLibraryPresent = true;
        SetDv1394StackSetting(stack);
        SetDvOutput(params, target, true, 3);
    } else if (std::strcmp(output, "mpeg2") == 0) {
        std::strncpy(params.m_szOutputPath, target, sizeof params.m_szOutputPath - 1);
        params.m_nOutputType = 2;
        params.m_wBitsPerPixel = 24;
        params.m_nFrameMicroseconds = 40000;
        MpegDefaults(params);
        params.m_nMpegWidth = 720;
        params.m_nMpegHeight = 576;
        params.m_nMpegRateCode = 3;
        params.m_nMpegBitRate = 6000000;
    } else {
        SetAviOutput(params, target, mmioFOURCC('M', 'J', 'P', 'G'), 720, 576, 40000);
        params.m_nPcmFormatIndex = 13;
    }
    CProducer producer(&storyboard, &settings, nullptr);
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(producer.Produce(name), 0) << m_log.Take();
}

int KillsPerOutput()
{
    const char* text = std::getenv("KESTRELON_KILLS");
    const int kills = text != nullptr ? std::atoi(text) : 0;
    return kills > 0 ? kills : 2;
}

// The temporary files in a folder: the productions' and the media layer's.
std::vector<std::string> Temporaries(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("MMERGE", 0) == 0 || name.find(".~") != std::string::npos)
            found.push_back(name);
    }
    return found;
}

TEST_F(KilledProduction, KillsLeaveTheOldMovieOrTheNewOneAndTheNextProductionSweeps)
{
    const std::string clip = m_dir.File("clip.avi");
    playback_test::Clip source = playback_test::DvClip(50, true);
    source.texture = 3;
    ASSERT_TRUE(playback_test::WriteDvAvi(clip, 2, source));
    const std::string children = m_dir.File("children");
    const std::string movies = m_dir.File("movies");
    std::filesystem::create_directories(children);
    std::filesystem::create_directories(movies);
    std::mt19937 random(20261211);
    int kept = 0;
    int replaced = 0;
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        const std::string target = movies + "/movie" + output.extension;
        auto run = [&]() {
            return std::make_unique<testing_support::ChildProcess>(
                std::vector<std::string>{"--gtest_also_run_disabled_tests", "--gtest_filter=KilledProduction.DISABLED_Produce"},
                std::vector<std::pair<std::string, std::string>>{
                    {kClipVariable, clip}, {kTargetVariable, target}, {kOutputVariable, output.name},
                    {"TMPDIR", children}});
        };
        // A whole production first, to learn how long one takes.
        const auto start = std::chrono::steady_clock::now();
        auto whole = run();
        ASSERT_TRUE(whole->Started());
        ASSERT_EQ(whole->Wait(), 0);
        const auto took = std::chrono::steady_clock::now() - start;
        media_fixtures::ReadBackFile complete;
        ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, complete));
        const size_t frames = complete.videoPackets.size();
        ASSERT_EQ(frames, 50u);
        const std::vector<unsigned char> newMovie = media_fixtures::ReadBytes(target);

        for (int kill = 0; kill < KillsPerOutput(); ++kill) {
            ASSERT_TRUE(media_fixtures::WriteBytes(target, std::vector<unsigned char>(kOldMovie, kOldMovie + sizeof kOldMovie)));
            const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(took) *
                               std::uniform_real_distribution<double>(0.0, 1.1)(random);
            auto child = run();
            ASSERT_TRUE(child->Started());
            std::this_thread::sleep_for(delay);
            child->Kill();
            child->Wait();
            ASSERT_TRUE(std::filesystem::exists(target)) << "kill " << kill << " after " << delay.count() << " us";
            const std::vector<unsigned char> now = media_fixtures::ReadBytes(target);
            if (now == std::vector<unsigned char>(kOldMovie, kOldMovie + sizeof kOldMovie)) {
                ++kept;
                continue;
            }
            media_fixtures::ReadBackFile file;
            ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file)) << "kill " << kill;
            EXPECT_EQ(file.videoPackets.size(), frames) << "kill " << kill;
            ++replaced;
        }
        // The next production that runs to its end leaves no temporary file
        // behind, its own or the killed ones'.
        auto last = run();
        ASSERT_EQ(last->Wait(), 0);
        EXPECT_TRUE(Temporaries(movies).empty()) << testing::PrintToString(Temporaries(movies));
        EXPECT_EQ(media_fixtures::ReadBytes(target).size(), newMovie.size());
    }
    RecordProperty("kept", kept);
    RecordProperty("replaced", replaced);
    std::printf("kills: %d kept the old movie, %d left the new one\n", kept, replaced);
}

} // namespace
