#include "Win32/Produce/ProductionCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"

namespace {

struct Found {
    int severity;
    int slot;
    int code;
    bool operator==(const Found&) const = default;
};

std::vector<Found> Problems(const CProductionCheck& check)
{
    std::vector<Found> found;
    for (const CProductionProblem& problem : check.m_Problems)
        found.push_back({problem.m_nSeverity, problem.m_nSlot, problem.m_nCode});
    return found;
}

struct CheckCase {
    const char* layout;
    int selection;
    int first;
    int last;
    bool ok;
    std::vector<Found> problems;
};

TEST(ProductionCheck, ProblemsOfStoryboards)
{
    const CheckCase cases[] = {
        {"C5 D1 C5", 0, 0, 0, true, {}},
        // Slots 0..4, slot 3 a transition, slot 4 empty: the scene after it
        // is missing.
        {"C5 D1 C5 D1 _", 1, 0, 4, false, {{0, 3, 5}}},
        // The whole storyboard then ends on that transition.
        {"C5 D1 C5 D1", 0, 0, 0, false, {{0, 3, 6}}},
        // A selection from a transition slot: the scenes are not examined.
        {"M D1 C5", 1, 1, 2, false, {{0, 1, 6}}},
        {"C5 D1 C5", 1, 0, 1, false, {{0, 1, 6}}},
        {"C5 D1 M", 0, 0, 0, false, {{1, 2, 4}}},
        // A transition whose scene before it is gone.
        {"C5 _ _ D1 C5", 0, 0, 0, false, {{0, 3, 5}}},
    };
    for (const CheckCase& c : cases) {
        auto storyboard = ProduceStoryboard(c.layout);
        CProductionSettings settings;
        CProductionCheck check;
        check.m_bSelection = c.selection;
        check.m_nFirst = c.selection ? c.first : 0;
        check.m_nLast = c.selection ? c.last : storyboard->GetLastIndex();
        EXPECT_EQ(CheckStoryboardForProduction(*storyboard, settings, check), c.ok) << c.layout;
        EXPECT_EQ(Problems(check), c.problems) << c.layout;
        EXPECT_EQ(settings.m_bStoryboardValid, c.ok ? 1 : 0) << c.layout;
    }
}

TEST(ProductionCheck, ProblemsOutsideTheRangeAreNotRecorded)
{
    CProductionCheck check;
    check.m_nFirst = 2;
    check.m_nLast = 4;
    check.AddProblem(0, 5, CProductionProblem::kLoneTransition);
    check.AddProblem(0, 1, CProductionProblem::kLoneTransition);
    check.AddProblem(0, 4, CProductionProblem::kLoneTransition);
    EXPECT_EQ(Problems(check), (std::vector<Found>{{0, 4, 5}}));
}

struct Estimate {
    CMediaTime duration;
    WAVEFORMATEX format{};
    DWORD bytesPerSecond = 99;
    LONGLONG frames = -1;
    LONGLONG result = -1;
};

Estimate EstimateOf(const char* layout, int outputType, int audioIndex, int frameTime)
{
    auto storyboard = ProduceStoryboard(layout);
    CProductionSettings settings;
    settings.GetParams().m_nOutputType = outputType;
    settings.GetParams().m_nPcmFormatIndex = audioIndex;
    settings.GetParams().m_nFrameMicroseconds = frameTime;
    Estimate estimate;
    estimate.result = EstimateProduction(*storyboard, settings, 0, 0x7FFF, &estimate.duration, &estimate.format,
                                         &estimate.bytesPerSecond, &estimate.frames);
    return estimate;
}

TEST(ProductionCheck, EstimateRoundsTheFrameCount)
{
    // 7 + 6.5 - 1 s of overlap = 12.5 s at 25 frames per second.
    const Estimate estimate = EstimateOf("C7 D1 C6.5", 1, 0, 40000);
    EXPECT_DOUBLE_EQ(estimate.duration.GetSeconds(), 12.5);
    EXPECT_EQ(estimate.frames, 313);
    EXPECT_EQ(estimate.result, 313);
    // Colour scenes have no sound: the default format stands.
    EXPECT_EQ(estimate.format.nSamplesPerSec, 11025u);
    EXPECT_EQ(estimate.bytesPerSecond, 0u);
}

TEST(ProductionCheck, EstimateWithoutAudio)
{
    const Estimate estimate = EstimateOf("C10", 1, 1, 66667);
    EXPECT_EQ(estimate.frames, 150);
    EXPECT_EQ(estimate.bytesPerSecond, 0u);
    EXPECT_EQ(estimate.format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(estimate.format.nChannels, 0);
    EXPECT_EQ(estimate.format.nSamplesPerSec, 0u);
}

TEST(ProductionCheck, EmptyStoryboardEstimatesNothing)
{
    const Estimate estimate = EstimateOf("", 1, 0, 40000);
    EXPECT_EQ(estimate.result, 0);
    EXPECT_EQ(estimate.frames, 0);
    EXPECT_EQ(estimate.format.nSamplesPerSec, 11025u);
}

} // namespace
