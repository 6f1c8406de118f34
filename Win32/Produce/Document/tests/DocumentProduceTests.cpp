// The storyboard document produced through the production the program
// installs: a real AVI file, read back by libavformat, and the document's
// report of the result.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Document/StoryboardProduction.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/tests/DocumentTestSupport.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
// 10 frames per second.
constexpr int kFrameTime = 100000;

using document_host::Text;

Scene* ColourScene(COLORREF colour, double seconds)
{
    auto* scene = new Scene(colour);
    CMediaTime length;
    length.SetSeconds(seconds);
    scene->SetDuration(length);
    return scene;
}

class DocumentProduceTest : public testing::Test {
protected:
    DocumentProduceTest()
        : m_resources(KESTRELON_PROGRAM_MODULES), m_previousHost(CSBDocHost::Set(&m_host)),
          m_previousProduction(CDocProduction::Get())
    {
        media_fixtures::QuietMediaLogs();
        CStoryboardProduction::Install();
    }
    ~DocumentProduceTest() override
    {
        CDocProduction::Set(m_previousProduction);
        CSBDocHost::Set(m_previousHost);
    }

    // Red and green scenes of 2 s with a 0.5 s dissolve between them:
    // 3.5 s, 35 frames.
    void FillBoard(CSBDoc& doc)
    {
        Storyboard& board = *doc.GetStoryboard();
        ASSERT_EQ(board.SetItem(ColourScene(RGB(220, 20, 20), 2.0), 0), 0);
        TransitionEffect* dissolve = TransitionCatalog::Create(1);
        dissolve->SetOverlapDuration(0.5f);
        ASSERT_EQ(board.SetItem(new Transition(dissolve), 1), 0);
        ASSERT_EQ(board.SetItem(ColourScene(RGB(20, 220, 20), 2.0), 2), 0);
        board.RecomputeTimes();
    }

    // Uncompressed 24-bit AVI of 64 x 48 at 10 frames per second to `target`.
    void SetOutput(CSBDoc& doc, const std::string& target)
    {
        ProductionParams& params = doc.GetProductionSettings()->GetParams();
        SetAviOutput(params, target, mmioFOURCC('D', 'I', 'B', ' '), kWidth, kHeight, kFrameTime);
    }

    testing_support::LoadedResourceModules m_resources;
    document_host::RecordingDocHost m_host;
    CSBDocHost* m_previousHost;
    CDocProduction* m_previousProduction;
    testing_support::TempDir m_folder;
};

TEST_F(DocumentProduceTest, ProduceWritesTheStoryboardAsAnAviAndHandsItToTheLibrary)
{
    CSBDoc doc;
    FillBoard(doc);
    const std::string target = m_folder.File("movie.avi");
    SetOutput(doc, target);

    double seconds = 0.0;
    INT frames = 0;
    DWORD bytesPerSecond = 0;
    WAVEFORMATEX format{};
    EXPECT_EQ(doc.GetProductionEstimate(&seconds, &frames, &bytesPerSecond, &format), 35);
    EXPECT_EQ(frames, 35);
    EXPECT_DOUBLE_EQ(seconds, 3.5);

    EXPECT_EQ(doc.Produce(), 1);
    EXPECT_TRUE(m_host.m_messages.empty()) << "success shows no message";
    EXPECT_EQ(m_host.m_events,
              (std::vector<std::string>{"buttons 11", "library " + target + " 10", "slider 1", "buttons 00"}));

    media_fixtures::ReadBackFile file;
    ASSERT_TRUE(media_fixtures::ReadBackMediaFile(target, file));
    EXPECT_EQ(file.videoCodec, "rawvideo");
    EXPECT_EQ(file.width, kWidth);
    EXPECT_EQ(file.height, kHeight);
    ASSERT_EQ(file.videoPackets.size(), 35u);
    // The middle pixel (blue, green, red) of the first scene and the second.
    const size_t middle = (kHeight / 2) * ((kWidth * 3 + 3) & ~3u) + (kWidth / 2) * 3;
    auto near = [&](size_t frame, int b, int g, int r) {
        const std::vector<unsigned char>& bytes = file.videoPackets[frame];
        return bytes.size() > middle + 2 && std::abs(bytes[middle] - b) <= 6 && std::abs(bytes[middle + 1] - g) <= 6
               && std::abs(bytes[middle + 2] - r) <= 6;
    };
    EXPECT_TRUE(near(5, 20, 20, 220));
    EXPECT_TRUE(near(30, 20, 220, 20));
}

TEST_F(DocumentProduceTest, FailedProductionsReportTheProducersCode)
{
    struct Case {
        const char* name;
        bool board;
        std::string target;
        UINT message;
    };
    const std::vector<Case> cases = {
        // The writer cannot open its file (-95).
        {"no such folder", true, m_folder.File("missing-folder/movie.avi"), 2042},
        // Nothing to produce (-100).
        {"empty storyboard", false, m_folder.File("empty.avi"), 2038},
    };
    for (const Case& c : cases) {
        m_host.m_events.clear();
        m_host.m_messages.clear();
        CSBDoc doc;
        if (c.board)
            FillBoard(doc);
        SetOutput(doc, c.target);
        EXPECT_EQ(doc.Produce(), 0) << c.name;
        ASSERT_EQ(m_host.m_messages.size(), 1u) << c.name;
        EXPECT_EQ(m_host.m_messages[0], Text(c.message) + " | " + Text(2044) + " | " + std::to_string(0x1040))
            << c.name;
        EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"buttons 11", "slider 1", "buttons 00"})) << c.name;
        EXPECT_FALSE(std::filesystem::exists(c.target)) << c.name;
    }

    // Without an installed production nothing can be produced.
    CDocProduction::Set(nullptr);
    m_host.m_messages.clear();
    CSBDoc doc;
    FillBoard(doc);
    SetOutput(doc, m_folder.File("uninstalled.avi"));
    EXPECT_EQ(doc.Produce(), 0);
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].rfind(Text(2038), 0), 0u);
    EXPECT_EQ(doc.GetProductionEstimate(nullptr, nullptr, nullptr, nullptr), 0);
}

} // namespace
