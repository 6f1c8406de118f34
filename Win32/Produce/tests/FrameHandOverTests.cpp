#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Registry/Registry.h"
#include "Win32/Produce/FrameHandOver.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Produce/tests/ProducerFakes.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/TextEffect.h"

namespace {

constexpr int kWidth = kTestWidth;
constexpr int kHeight = kTestHeight;
// 25 frames per second.
constexpr DWORD kFrameTime = 40000;

// A production at 25 frames per second.
struct DvProduction : Production {
    explicit DvProduction(const char* layout, bool audioOn = false, int outputType = 1)
        : Production(layout, kFrameTime, audioOn, outputType)
    {
    }
};

std::unique_ptr<MediaFrame> MakeFrame(bool smart, bool audio = true)
{
    auto frame = std::make_unique<MediaFrame>();
    frame->m_pImage = new CIplImage(kWidth, kHeight, 0);
    frame->m_bSample = smart ? 1 : 0;
    if (audio) {
        constexpr WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
        frame->m_pAudio = new CWaveBuffer(CMediaTime(0, 0, 0, kFrameTime), &format);
    }
    return frame;
}

// A copied frame's picture belongs to its sample, which the producer never
// deletes with the frame; the tests' copied frames carry a picture of their
// own, freed here.
void FreeCopiedPicture(MediaFrame& frame)
{
    delete frame.m_pImage;
    frame.m_pImage = nullptr;
}

int Pass(Production& production, bool smart)
{
    std::unique_ptr<MediaFrame> frame = MakeFrame(smart);
    const int result = production.producer.PassToWriter(frame.get());
    if (smart)
        FreeCopiedPicture(*frame);
    return result;
}

std::vector<std::pair<double, double>> RangeSeconds(const CSmartRangeList& list)
{
    std::vector<std::pair<double, double>> seconds;
    for (const CSmartRange& range : list) {
        EXPECT_EQ(range.m_nSlot, 2);
        seconds.emplace_back(range.m_tStart.GetSeconds(), range.m_tEnd.GetSeconds());
    }
    return seconds;
}

template <typename Kind>
void AddEffect(Scene& scene, double start, double end)
{
    Kind effect;
    effect.SetKeyTime(Seconds(start), 0);
    effect.SetKeyTime(Seconds(start), 1);
    effect.SetKeyTime(Seconds(end), 2);
    effect.SetKeyTime(Seconds(end), 3);
    if constexpr (std::is_same_v<Kind, TextEffect>)
        scene.SetTextEffect(effect);
    else
        scene.SetColorEffect(effect);
}

void ExpectRangesNear(const std::vector<std::pair<double, double>>& actual,
                      const std::vector<std::pair<double, double>>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].first, expected[i].first, 1e-6) << i;
        EXPECT_NEAR(actual[i].second, expected[i].second, 1e-6) << i;
    }
}

// A scene at 20 s to 30 s of the production, overlapped by 1 s at each end.
constexpr const char* kDvLayout = "C21 D1 C10 D1 C5";

TEST(FrameHandOver, SmartRangesAroundATextEffect)
{
    DvProduction production(kDvLayout);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    AddEffect<TextEffect>(*static_cast<Scene*>(production.storyboard->GetItem(2)), 4.0, 4.3);
    CSmartRangeList list;
    EXPECT_TRUE(production.producer.BuildSmartRanges(list, 2));
    ExpectRangesNear(RangeSeconds(list), {{21.0, 24.0}, {24.3, 29.0}});
}

TEST(FrameHandOver, SmartRangesDropShortGaps)
{
    DvProduction production(kDvLayout);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    auto& scene = *static_cast<Scene*>(production.storyboard->GetItem(2));
    AddEffect<TextEffect>(scene, 4.0, 4.8);
    AddEffect<ColorEffect>(scene, 5.1, 6.0);
    CSmartRangeList list;
    EXPECT_TRUE(production.producer.BuildSmartRanges(list, 2));
    ExpectRangesNear(RangeSeconds(list), {{21.0, 24.0}, {26.0, 29.0}});
}

TEST(FrameHandOver, SmartRangeOfAWholeScene)
{
    DvProduction production("C4 D1 C3", false, 3);
    ASSERT_EQ(production.producer.Prepare(2, 2), 0);
    CSmartRangeList list;
    EXPECT_TRUE(production.producer.BuildSmartRanges(list, 2));
    ExpectRangesNear(RangeSeconds(list), {{0.0, 3.0}});
}

// A smart range from frame 5 (0.2 s) to frame 55 (2.2 s).
void AddRange(Production& production)
{
    production.writer->m_smartRanges.push_back(CSmartRange{0, Seconds(0.2), Seconds(2.2)});
}

TEST(FrameHandOver, DumbFrameNearARangeEndIsPrecededByDuplicatesWithSound)
{
    DvProduction production("C10", true);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    AddRange(production);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(Pass(production, false), 0);
    // Exactly at the range's start a dumb frame is written normally.
    ASSERT_EQ(Pass(production, false), 0);
    for (int i = 6; i < 52; ++i)
        ASSERT_EQ(Pass(production, true), 0);
    const size_t before = production.writer->m_writes.size();
    ASSERT_EQ(Pass(production, false), 0);
    const auto& writes = production.writer->m_writes;
    ASSERT_EQ(writes.size(), before + 4);
    for (size_t i = before; i < before + 3; ++i) {
        EXPECT_EQ(writes[i].smart, 1);
        EXPECT_TRUE(writes[i].audio);
        // One frame of sound each.
        EXPECT_NEAR(writes[i].audioBytes, 441.0, 1.0);
    }
    EXPECT_EQ(writes.back().smart, 0);
    EXPECT_TRUE(writes.back().image);
    EXPECT_EQ(production.producer.GetFramesWritten(), 56);
    EXPECT_NEAR(production.producer.GetCurrentTime().GetSeconds(), 2.24, 1e-6);
    for (size_t i = 0; i < before; ++i)
        EXPECT_EQ(writes[i].smart, 0) << i;
}

TEST(FrameHandOver, FramesInTheWrongSpotGoOutAsTheirSoundOnly)
{
    DvProduction production("C10", true);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    AddRange(production);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(Pass(production, i == 5), 0);
    // A dumb frame inside the first half of a range, not at its start.
    std::unique_ptr<MediaFrame> frame = MakeFrame(false);
    EXPECT_EQ(production.producer.PassToWriter(frame.get()), 0);
    EXPECT_EQ(frame->m_pAudio, nullptr);
    EXPECT_NE(frame->m_pImage, nullptr);
    const WrittenFrame& written = production.writer->m_writes.back();
    EXPECT_FALSE(written.image);
    EXPECT_TRUE(written.audio);
    EXPECT_EQ(written.smart, 0);
    EXPECT_EQ(production.producer.GetFramesWritten(), 6);

    // A smart frame after every range.
    production.writer->m_smartRanges.clear();
    frame = MakeFrame(true);
    production.writer->m_failAt = static_cast<int>(production.writer->m_writes.size()) + 1;
    production.writer->m_failCode = kWriterFrameFailed;
    EXPECT_EQ(production.producer.PassToWriter(frame.get()), kProduceAudioOnlyRejected);
    EXPECT_EQ(frame->m_pAudio, nullptr);
    FreeCopiedPicture(*frame);
    EXPECT_EQ(production.producer.GetFramesWritten(), 6);
}

// A range whose start lies inside a frame (off the frame grid, as at 29.97
// frames a second): the copied frame holding it is written as the range's
// first; a copied frame before it is still in the wrong spot.
TEST(FrameHandOver, ASmartFrameHoldingARangeStartIsWritten)
{
    DvProduction production("C10", true);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    // Frame 5 spans 0.2 s to 0.24 s.
    production.writer->m_smartRanges.push_back(CSmartRange{0, Seconds(0.21), Seconds(2.2)});
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Pass(production, false), 0);
    std::unique_ptr<MediaFrame> early = MakeFrame(true);
    EXPECT_EQ(production.producer.PassToWriter(early.get()), 0);
    FreeCopiedPicture(*early);
    EXPECT_EQ(production.producer.GetFramesWritten(), 4);
    ASSERT_EQ(Pass(production, false), 0);
    ASSERT_EQ(Pass(production, true), 0);
    EXPECT_EQ(production.producer.GetFramesWritten(), 6);
    EXPECT_EQ(production.writer->m_writes.back().smart, 0);
    EXPECT_TRUE(production.writer->m_writes.back().image);
}

TEST(FrameHandOver, PlacementAgainstTheCopyRanges)
{
    // One range from frame 5 (0.2 s) to frame 55 (2.2 s); frames of 0.04 s.
    const CSmartRangeList ranges{CSmartRange{0, Seconds(0.2), Seconds(2.2)}};
    auto units = [](double seconds) { return Seconds(seconds).GetReferenceTime(); };
    struct Case {
        const char* name;
        double start;
        bool copied;
        FramePlacement::Kind kind;
    };
    const Case cases[] = {
        {"re-encoded before the range", 0.04, false, FramePlacement::kInPlace},
        {"re-encoded at the range's start", 0.2, false, FramePlacement::kInPlace},
        {"re-encoded in the range's first half", 0.24, false, FramePlacement::kEncodedInACopyRange},
        {"re-encoded past the range's middle", 2.08, false, FramePlacement::kAfterRepeats},
        {"copied inside the range", 0.24, true, FramePlacement::kInPlace},
        {"copied holding the range's start", 0.19, true, FramePlacement::kInPlace},
        {"copied before the range", 0.04, true, FramePlacement::kCopiedOutsideTheRanges},
        {"copied after the range", 2.2, true, FramePlacement::kCopiedOutsideTheRanges},
    };
    for (const Case& c : cases) {
        const FramePlacement placement = PlaceFrame(ranges, units(c.start), units(c.start + 0.04), c.copied);
        EXPECT_EQ(placement.kind, c.kind) << c.name;
        EXPECT_EQ(placement.repeatUntil, c.kind == FramePlacement::kAfterRepeats ? units(2.2) : 0) << c.name;
    }
}

TEST(FrameHandOver, WriterCodes)
{
    const std::pair<int, int> cases[] = {{0, 0},
                                         {kWriterClosed, 0},
                                         {kWriterOpenFailed, kProduceOpenFailed},
                                         {12, kProduceStopped},
                                         {kWriterFrameFailed, kProduceWriteFailed},
                                         {kWriterStreamFailed, kProduceFailed},
                                         {1, kProduceFailed}};
    for (const auto& [code, result] : cases)
        EXPECT_EQ(CProducer::MapWriterCode(code), result) << code;

    DvProduction production("C10");
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    production.writer->m_failAt = 1;
    production.writer->m_failCode = kWriterClosed;
    EXPECT_EQ(Pass(production, false), 0);
    EXPECT_EQ(production.producer.GetFramesWritten(), 1);
}

TEST(FrameHandOver, LowDiskAsksOnce)
{
    DvProduction production("C10");
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    int queries = 0;
    production.producer.SetFreeSpaceQuery([&](LPCSTR, ULONGLONG* freeBytes) {
        ++queries;
        *freeBytes = 4900000;
        return TRUE;
    });
    for (int i = 0; i < 61; ++i)
        ASSERT_EQ(Pass(production, false), 0);
    EXPECT_EQ(production.shell.m_buttons, std::vector<UINT>{MB_YESNO});
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(production.producer.GetLowDiskLevel(), 0);
}

TEST(FrameHandOver, FailedFreeSpaceQueryAsksNothing)
{
    DvProduction production("C10");
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    production.producer.SetFreeSpaceQuery([](LPCSTR, ULONGLONG* freeBytes) {
        *freeBytes = 0;
        return FALSE;
    });
    for (int i = 0; i < 31; ++i)
        ASSERT_EQ(Pass(production, false), 0);
    EXPECT_TRUE(production.shell.m_messages.empty());
    EXPECT_EQ(production.producer.GetLowDiskLevel(), CProducer::kDefaultLowDiskLevel);
}

TEST(FrameHandOver, LowDiskNoStopsTheProduction)
{
    const std::pair<int, int> cases[] = {{1, kProduceCancelled}, {3, kProduceCancelled}, {5, kProduceStopped},
                                         {6, kProduceStopped}};
    for (const auto& [type, result] : cases) {
        DvProduction production("C10", false, type);
        ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
        production.producer.SetFreeSpaceQuery([](LPCSTR, ULONGLONG* freeBytes) {
            *freeBytes = 1000000;
            return TRUE;
        });
        production.shell.m_answers = {IDNO};
        EXPECT_EQ(Pass(production, false), result) << type;
        EXPECT_TRUE(production.writer->m_writes.empty());
    }
}

TEST(FrameHandOver, LowDiskLevelComesFromTheRegistry)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, CProducer::kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const DWORD level = 7;
    RegSetValueExA(key, CProducer::kLowDiskValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level), sizeof level);
    RegCloseKey(key);
    {
        DvProduction production("C10");
        ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
        EXPECT_EQ(production.producer.GetLowDiskLevel(), 7);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, CProducer::kOptionsKey);
}

} // namespace

namespace {

TEST(FrameHandOver, ReadersGetTheirRangesInMediaTime)
{
    // Scene 2 starts at 1 s of the production; its range 2 s..3 s of the
    // production is 1 s..2 s of its media.
    Production production("C2 D1 C3", 100000, false, 3);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    production.writer->m_smartRanges.push_back(CSmartRange{2, Seconds(2.0), Seconds(3.0)});
    CSmartRangeList seen;
    production.writer->m_onWrite = [&](int count) {
        if (count == 12)
            if (CMediaSource* reader = static_cast<Scene*>(production.storyboard->GetItem(2))->GetReader())
                seen = reader->m_SmartRanges;
    };
    CString name;
    // The colour scene's reader renders every frame, so the frames of the
    // range cannot be placed: the production fails instead of waiting for
    // copied frames that never come.
    EXPECT_EQ(production.producer.Produce(name), kProduceFailed);
    EXPECT_LT(production.writer->m_writes.size(), 80u);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{0});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].m_nSlot, 2);
    EXPECT_NEAR(seen[0].m_tStart.GetSeconds(), 1.0, 1e-6);
    EXPECT_NEAR(seen[0].m_tEnd.GetSeconds(), 2.0, 1e-6);
}

} // namespace
