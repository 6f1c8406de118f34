// The producer's texts and picture come from the program's own resource
// modules.

#include <gtest/gtest.h>

#include <string>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProducerFakes.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

void PressEscape(CProducer& producer)
{
    PostMessage(producer.GetNotifyWindow()->GetSafeHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
}

class ProducerTexts : public testing::Test {
protected:
    static std::string Text(UINT id)
    {
        CString text;
        text.LoadString(id);
        return static_cast<LPCSTR>(text);
    }

    testing_support::LoadedResourceModules m_modules{KESTRELON_PROGRAM_MODULES};
    // The language module is current, as in the program.
    CResourceSwitch m_language{kResourceLanguage};
};

TEST_F(ProducerTexts, CaptionAndKeepQuestion)
{
    ASSERT_TRUE(m_modules.IsLoaded());
    struct CaptionDisplay : RecordingDisplay {
        void SetProgressText(LPCSTR text) override { caption = text; }
        std::string caption;
    };
    Production production("C2", 100000);
    CaptionDisplay display;
    CProducer producer(production.storyboard.get(), &production.settings, &display,
                       new RecordingWriter(kTestWidth, kTestHeight, 100000), false);
    auto* writer = static_cast<RecordingWriter*>(producer.GetWriter());
    writer->m_onWrite = [&](int count) {
        if (count == 3)
            PressEscape(producer);
    };
    ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(producer.Produce(name), 0);
    EXPECT_EQ(display.caption, "Producing");
    ASSERT_EQ(production.shell.m_messages.size(), 1u);
    EXPECT_EQ(production.shell.m_messages[0], Text(20000));
    EXPECT_NE(Text(20000).find("Keep"), std::string::npos);
}

TEST_F(ProducerTexts, MissingMediaAndLowDisk)
{
    Production missing("C2 D1 M", 100000);
    EXPECT_EQ(missing.producer.Prepare(0, 0x7FFF), kProduceCancelled);
    ASSERT_EQ(missing.shell.m_messages.size(), 1u);
    EXPECT_EQ(missing.shell.m_messages[0],
              "The media file /nonexistent-kestrelon-media/missing.avi cannot be found. The production cannot start.");

    Production low("C1", 100000);
    low.producer.SetFreeSpaceQuery([](LPCSTR, ULONGLONG* freeBytes) {
        *freeBytes = 4900000;
        return TRUE;
    });
    ASSERT_EQ(low.producer.Prepare(0, 0x7FFF), 0);
    CString name;
    EXPECT_EQ(low.producer.Produce(name), 0);
    ASSERT_EQ(low.shell.m_messages.size(), 1u);
    EXPECT_EQ(low.shell.m_messages[0].rfind("Less than 5 MB of disk space are free on ", 0), 0u)
        << low.shell.m_messages[0];
}

// The picture shown while DV frames are copied unchanged.
TEST_F(ProducerTexts, SmartCopyPicture)
{
    CIplImage picture(1012);
    ASSERT_NE(picture.GetImage(), nullptr);
    EXPECT_EQ(picture.GetImage()->width, 160);
    EXPECT_EQ(picture.GetImage()->height, 120);
}

} // namespace
