#include "Win32/Produce/Producer.h"

#include <gtest/gtest.h>

#include <memory>

#include "Platform/Win/User/User.h"
#include "Win32/Produce/AviWriter.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Produce/tests/ProducerFakes.h"
#include "Win32/Sb/Document/ProductionSettings.h"

namespace {

constexpr int kWidth = kTestWidth;
constexpr int kHeight = kTestHeight;

void PressEscape(CProducer& producer)
{
    PostMessage(producer.GetNotifyWindow()->GetSafeHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST(Producer, FrameCountLabelAndRange)
{
    Production production("C10", 66667);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    EXPECT_EQ(production.producer.GetTotalFrames(), 150);
    EXPECT_EQ(production.writer->m_nTotalFrames, 150);
    ASSERT_FALSE(production.display.m_labels.empty());
    EXPECT_EQ(production.display.m_labels.front(), "000 /150");
    EXPECT_EQ(production.display.m_rangeStart, 0);
    EXPECT_EQ(production.display.m_rangeStop, 151);
}

// More frames than can be counted (a damaged clip's header declaring
// centuries) refuse the production instead of counting in overflow.
TEST(Producer, ATotalThatCannotBeCountedIsRefused)
{
    Production production("C1000000000", 1);
    EXPECT_EQ(production.producer.Prepare(0, 0x7FFF), kProduceFailed);
    EXPECT_GE(production.producer.GetTotalFrames(), 0);
}

TEST(Producer, DvCopyNeedsFrameTimesWithinFiveMicroseconds)
{
    EXPECT_TRUE(CProducer::FrameTimesMatchForCopy(40000, 40000));
    EXPECT_TRUE(CProducer::FrameTimesMatchForCopy(40000, 40004));
    EXPECT_TRUE(CProducer::FrameTimesMatchForCopy(40004, 40000));
    EXPECT_FALSE(CProducer::FrameTimesMatchForCopy(40000, 40005));
    EXPECT_FALSE(CProducer::FrameTimesMatchForCopy(40005, 40000));
}

TEST(Producer, ProducesEveryFrameAndFinishesOnce)
{
    // 2 + 2 - 1 s at 10 frames per second.
    Production production("C2 D1 C2", 100000);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(production.producer.Produce(name), 0);
    EXPECT_EQ(production.writer->m_writes.size(), 30u);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{1});
    EXPECT_EQ(std::string(name), "/tmp/kestrelon-producer-test.avi");
    for (const WrittenFrame& frame : production.writer->m_writes) {
        EXPECT_TRUE(frame.image);
        EXPECT_FALSE(frame.audio);
        EXPECT_EQ(frame.smart, 0);
    }
    EXPECT_EQ(production.display.m_begun, 1);
    EXPECT_EQ(production.display.m_ended, 1);
    EXPECT_EQ(production.display.m_labels.back(), "029/030 ");
}

TEST(Producer, TransitionBlendsFromSceneAToSceneB)
{
    Production production("C2 D1 C2", 100000);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(production.producer.Produce(name), 0);
    const auto& writes = production.writer->m_writes;
    ASSERT_EQ(writes.size(), 30u);
    // Frames 0..9 are scene A alone, 10..19 the dissolve, 20..29 scene B.
    EXPECT_EQ(writes[5].pixel, writes[0].pixel);
    EXPECT_EQ(writes[25].pixel, writes[29].pixel);
    EXPECT_NE(writes[0].pixel, writes[29].pixel);
    const int blueA = static_cast<int>(writes[0].pixel & 0xFF);
    const int blueB = static_cast<int>(writes[29].pixel & 0xFF);
    const int blueMid = static_cast<int>(writes[15].pixel & 0xFF);
    EXPECT_GT(std::abs(blueMid - blueA), 4);
    EXPECT_GT(std::abs(blueMid - blueB), 4);
}

TEST(Producer, AudioGoesWithEveryFrame)
{
    Production production("C1 D0.5 C1", 100000, true);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    ASSERT_EQ(production.producer.Produce(name), 0);
    ASSERT_EQ(production.writer->m_writes.size(), 15u);
    DWORD total = 0;
    for (const WrittenFrame& frame : production.writer->m_writes) {
        EXPECT_TRUE(frame.audio);
        EXPECT_GT(frame.audioBytes, 0u);
        total += frame.audioBytes;
    }
    // 1.5 s of the writer's 11,025 Hz mono 8-bit format, within a frame.
    EXPECT_NEAR(static_cast<double>(total), 16537.5, 1103.0);
}

TEST(Producer, EscapeAndKeepStopsAndKeepsTheFramesWritten)
{
    Production production("C2 D1 C2", 100000);
    production.writer->m_onWrite = [&](int count) {
        if (count == 5)
            PressEscape(production.producer);
    };
    production.shell.m_answers = {IDYES};
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(production.producer.Produce(name), 0);
    EXPECT_EQ(production.writer->m_writes.size(), 5u);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{1});
    EXPECT_FALSE(name.IsEmpty());
    EXPECT_EQ(production.shell.m_buttons, std::vector<UINT>{MB_YESNO});
}

TEST(Producer, EscapeAndDiscardAbandonsTheFile)
{
    Production production("C2 D1 C2", 100000);
    production.writer->m_onWrite = [&](int count) {
        if (count == 12)
            PressEscape(production.producer);
    };
    production.shell.m_answers = {IDNO};
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(production.producer.Produce(name), kProduceCancelled);
    EXPECT_EQ(production.writer->m_writes.size(), 12u);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{0});
    EXPECT_TRUE(name.IsEmpty());
}

TEST(Producer, FailedFinishingCloseAbandonsOnceAndMapsTheCode)
{
    const std::pair<int, int> cases[] = {{12, kProduceStopped}, {13, kProduceCancelled}, {18, kProduceWriteFailed},
                                         {2, kProduceFailed}};
    for (const auto& [code, result] : cases) {
        Production production("C1", 100000);
        production.writer->m_finishCode = code;
        ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
        CString name;
        EXPECT_EQ(production.producer.Produce(name), result) << code;
        EXPECT_EQ(production.writer->m_closes, (std::vector<int>{1, 0})) << code;
        EXPECT_TRUE(name.IsEmpty());
    }
}

TEST(Producer, WriterFailureEndsTheProduction)
{
    Production production("C2", 100000);
    production.writer->m_failAt = 7;
    production.writer->m_failCode = kWriterFrameFailed;
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(production.producer.Produce(name), kProduceWriteFailed);
    EXPECT_EQ(production.writer->m_writes.size(), 7u);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{0});
}

TEST(Producer, SelectionStartingOnATransitionBeginsAtTheFirstScene)
{
    Production production("C2 D1 C3 D1 C2", 100000);
    ASSERT_EQ(production.producer.Prepare(1, 4), 0);
    EXPECT_EQ(production.producer.GetFirstSlot(), 2);
    // Scene 2 (3 s) to the end of the last: 3 + 2 - 1 s.
    EXPECT_EQ(production.producer.GetTotalFrames(), 40);
}

TEST(Producer, TransitionWithoutBothNeighbours)
{
    Production production("C2 D1", 100000);
    ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(production.producer.Produce(name), kProduceLoneTransition);
    EXPECT_EQ(production.writer->m_closes, std::vector<int>{0});
}

TEST(Producer, MissingMediaAfterThreeSearches)
{
    Production production("C2 D1 M", 100000);
    EXPECT_EQ(production.producer.Prepare(0, 0x7FFF), kProduceCancelled);
    EXPECT_EQ(production.shell.m_searches, 3);
    EXPECT_EQ(production.shell.m_buttons, std::vector<UINT>{MB_OK});
    ASSERT_EQ(production.shell.m_messages.size(), 1u);
    EXPECT_NE(production.shell.m_messages[0].find("missing.avi"), std::string::npos);
}

TEST(Producer, NothingToProduce)
{
    Production empty("", 100000);
    EXPECT_EQ(empty.producer.Prepare(0, 0x7FFF), kProduceNothing);
    Production transitionOnly("_ D1", 100000);
    EXPECT_EQ(transitionOnly.producer.Prepare(0, 0x7FFF), kProduceNothing);
    Production zeroLength("C0", 100000);
    EXPECT_EQ(zeroLength.producer.Prepare(0, 0x7FFF), kProduceNothing);
    EXPECT_TRUE(zeroLength.writer->m_writes.empty());
}

// The video page's interleave check box (the record's word at 724) asks
// the AVI writer for 0.75 s of audio preload: 15 frames at 20 per second.
TEST(Producer, TheInterleaveWordGivesTheAviWriterItsPreload)
{
    auto storyboard = ProduceStoryboard("C2");
    for (const auto& [word, initialFrames] : {std::pair{1, 15u}, std::pair{0, 0u}}) {
        CProductionSettings settings;
        settings.GetParams().m_nFrameMicroseconds = 50000;
        settings.GetParams().m_nReserved[1] = word;
        ScriptedShell shell;
        CProducer producer(storyboard.get(), &settings, nullptr);
        auto* writer = dynamic_cast<AviWriter*>(producer.GetWriter());
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(writer->m_audioInfo.dwInitialFrames, initialFrames) << word;
    }
}

// 8-bit output holds the standard palette while producing.
TEST(Producer, EightBitOutputHoldsTheStandardPalette)
{
    for (const auto& [bits, held] : {std::pair{8, true}, std::pair{24, false}}) {
        Production production("C1", 100000);
        production.writer->SetBitDepth(bits);
        ASSERT_EQ(production.producer.Prepare(0, 0x7FFF), 0);
        EXPECT_EQ(production.producer.GetPalette() != nullptr, held) << bits;
    }
}

TEST(Producer, GraphEventsReachTheWriter)
{
    Production production("C2", 100000);
    const HWND window = production.producer.GetNotifyWindow()->GetSafeHwnd();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessage(window, CProducerNotifyWnd::kGraphEventMessage, 0, 77), 1);
    EXPECT_EQ(production.writer->m_notified, std::vector<long>{77});
    production.producer.CreateWriter(production.settings, 0);
    EXPECT_EQ(SendMessage(window, CProducerNotifyWnd::kGraphEventMessage, 0, 78), 0);
}

TEST(Producer, NotifyWindowIsAHiddenChildWithId999)
{
    struct ParentDisplay : RecordingDisplay {
        HWND GetWindow() override { return parent; }
        HWND parent = nullptr;
    } display;
    display.parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                     nullptr);
    ASSERT_NE(display.parent, nullptr);
    {
        auto storyboard = ProduceStoryboard("C1");
        CProductionSettings settings;
        CProducer producer(storyboard.get(), &settings, &display, new RecordingWriter(kWidth, kHeight, 100000), false);
        const HWND window = producer.GetNotifyWindow()->GetSafeHwnd();
        EXPECT_EQ(GetParent(window), display.parent);
        EXPECT_EQ(GetDlgCtrlID(window), 999);
        EXPECT_FALSE(IsWindowVisible(window));
    }
    DestroyWindow(display.parent);
}

} // namespace
