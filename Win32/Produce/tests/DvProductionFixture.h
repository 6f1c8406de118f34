#pragma once
// A test that produces DV: the modules of the DV graph loaded, and the
// DV stack setting (which decides the file type) restored afterwards.

#include <gtest/gtest.h>

#include <string>

#include "Filters/Common/testing/PluginTesting.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "tests/support/TempDir.h"

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
    }
    void TearDown() override
    {
        SetDv1394StackSetting(m_saved);
        WithModules::TearDown();
    }

    testing_support::TempDir m_dir;
    Dv1394StackSetting m_saved;
};
