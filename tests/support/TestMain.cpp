// The main of every test executable: each test process gets a private
// registry folder and runtime folder, so tests never touch the user's
// settings and parallel test processes never see each other's named objects.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Win/Base/SanitizerDefaults.h"
#include "tests/support/TempDir.h"

KESTRELON_SANITIZER_DEFAULTS()

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing_support::TempDir root;
    std::filesystem::create_directories(root.File("registry"));
    std::filesystem::create_directories(root.File("runtime"));
    setenv("KESTRELON_REGISTRY_DIR", root.File("registry").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root.File("runtime").c_str(), 1);
    setenv("XDG_CONFIG_HOME", root.File("config").c_str(), 1);
    return RUN_ALL_TESTS();
}
