// kestrelon_skinart: draws the skin art of one table into a folder.
//
//   kestrelon_skinart --table <program|fixtures|dialog-fixtures|gallery> -o <folder>
//
// "program" is the bitmap module's art (SkinTable.h); "fixtures" is the
// toolkit tests' fixture set, whose pixels follow formulas the tests check;
// "dialog-fixtures" the dialog tests' solid skins with the program's art of
// the menu and the custom controls; "gallery" the art of the toolkit
// gallery's element page.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>

#include "Resources/SkinArt/ArtFiles.h"
#include "Resources/SkinArt/SkinTable.h"
#include "Win32/Toolkit/tests/fixtures/FixtureTable.h"

namespace {

struct Table {
    const char* name;
    std::span<const skinart::SkinRow> rows;
};

constexpr Table kTables[] = {
    {"program", skinart::kSkinTable},
    {"fixtures", toolkit_fixtures::kFixtureTable},
    {"dialog-fixtures", toolkit_fixtures::kDialogFixtureArt},
    {"gallery", toolkit_fixtures::kGalleryTable},
};

} // namespace

int main(int argc, char** argv)
{
    std::string table;
    std::string folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--table") == 0)
            table = argv[i + 1];
        else if (std::strcmp(argv[i], "-o") == 0)
            folder = argv[i + 1];
    }
    for (const Table& t : kTables) {
        if (table != t.name || folder.empty())
            continue;
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        std::string error;
        if (!skinart::WriteTable(t.rows, t.name, folder, error)) {
            std::fprintf(stderr, "%s: error: %s\n", argv[0], error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: %s --table <program|fixtures|dialog-fixtures|gallery> -o <folder>\n", argv[0]);
    return 2;
}
