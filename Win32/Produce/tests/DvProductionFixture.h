#pragma once
// A test that produces DV: the modules of the DV graph loaded, and the
// DV stack setting (which decides the file type) restored afterwards.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Filters/Common/testing/PluginTesting.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "tests/support/TempDir.h"

using DvFrame = std::vector<unsigned char>;

// The video blocks of a DV frame: of each sequence's 150 blocks of 80
// bytes, all but the header, subcode, video auxiliary and audio blocks. A
// type-1 file carries the production's sound in the audio blocks of copied
// frames, so copies are compared by these.
inline DvFrame DvVideoBlocks(const DvFrame& frame)
{
    constexpr size_t kBlock = 80;
    constexpr size_t kSequenceBlocks = 150;
    DvFrame video;
    for (size_t block = 0; (block + 1) * kBlock <= frame.size(); ++block) {
        const size_t inSequence = block % kSequenceBlocks;
        if (inSequence < 6 || (inSequence - 6) % 16 == 0)
            continue;
        video.insert(video.end(), frame.begin() + static_cast<ptrdiff_t>(block * kBlock),
                     frame.begin() + static_cast<ptrdiff_t>((block + 1) * kBlock));
    }
    return video;
}

// Keeps the lines the producer and the DV writer log about what went wrong
// (their first level), to show them when a production's check fails.
class ProductionLog : public CShellServices {
public:
    INT GetDebugLevel() override { return 1; }
    void WriteDebugLog(LPCSTR text) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_text += text;
    }
    std::string Take()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::exchange(m_text, std::string());
    }

private:
    std::mutex m_lock;
    std::string m_text;
};

class DvProductionTest : public plugin_test::WithModules {
protected:
    DvProductionTest()
        : WithModules({Module("Corvane"), Module("Switcher"), Module("Tessaly"), Module("Grabwell"),
                       Module("Reverbix")})
    {
    }
    static std::string Module(const char* name)
    {
        return std::string(KESTRELON_PRODUCE_PLUGIN_MODULES) + "/" + name + ".so";
    }
    void SetUp() override
    {
        WithModules::SetUp();
        media_fixtures::QuietMediaLogs();
        m_saved = GetDv1394StackSetting();
        m_previousShell = CShellServices::Set(&m_log);
    }
    void TearDown() override
    {
        CShellServices::Set(m_previousShell);
        SetDv1394StackSetting(m_saved);
        WithModules::TearDown();
    }

    testing_support::TempDir m_dir;
    Dv1394StackSetting m_saved;
    ProductionLog m_log;
    CShellServices* m_previousShell = nullptr;
};
