#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Win32.h"
#include "tests/support/TempDir.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

using testing_support::LoadedResourceModules;
using testing_support::ModuleFolderOverride;
using testing_support::TempDir;

HINSTANCE Program() { return GetModuleHandleA(nullptr); }

class ResourceSwitchTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_modules.IsLoaded()); }

    LoadedResourceModules m_modules;
};

TEST_F(ResourceSwitchTest, ModulesOfTheThreeKindsAreDistinct)
{
    HINSTANCE language = CResourceSwitch::GetModule(kResourceLanguage);
    HINSTANCE untranslated = CResourceSwitch::GetModule(kResourceUntranslated);
    HINSTANCE bitmaps = CResourceSwitch::GetModule(kResourceBitmaps);
    EXPECT_NE(language, nullptr);
    EXPECT_NE(untranslated, nullptr);
    EXPECT_NE(bitmaps, nullptr);
    EXPECT_NE(language, untranslated);
    EXPECT_NE(language, bitmaps);
    EXPECT_EQ(language, GetLanguageResourceModule());
    EXPECT_EQ(untranslated, GetUntranslatedResourceModule());
    EXPECT_EQ(bitmaps, GetBitmapResourceModule());
    EXPECT_EQ(language, GetModuleHandleA("reslang.dll"));
    EXPECT_EQ(untranslated, GetModuleHandleA("ResNoTrans.dll"));
    EXPECT_EQ(bitmaps, GetModuleHandleA("ResBmp.DLL"));
    for (int kind : {-1, 3, 7})
        EXPECT_EQ(CResourceSwitch::GetModule(kind), nullptr) << kind;
}

TEST_F(ResourceSwitchTest, EachKindLooksUpItsOwnModule)
{
    struct Case {
        int kind;
        const char* text;
    } const cases[] = {
        {kResourceLanguage, "language module"},
        {kResourceUntranslated, "untranslated module"},
        {kResourceBitmaps, "bitmap module"},
    };
    for (const Case& c : cases) {
        CResourceSwitch use(c.kind);
        EXPECT_EQ(GetCurrentResourceHandle(), CResourceSwitch::GetModule(c.kind));
        EXPECT_EQ(use.GetHandle(), CResourceSwitch::GetModule(c.kind));
        CString text;
        EXPECT_TRUE(text.LoadString(8001));
        EXPECT_STREQ(text, c.text);
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, NestedSwitchesRestoreWhatWasCurrentWhenEachWasMade)
{
    {
        CResourceSwitch outer(kResourceBitmaps);
        EXPECT_EQ(GetCurrentResourceHandle(), GetBitmapResourceModule());
        {
            CResourceSwitch inner(kResourceLanguage);
            EXPECT_EQ(GetCurrentResourceHandle(), GetLanguageResourceModule());
        }
        EXPECT_EQ(GetCurrentResourceHandle(), GetBitmapResourceModule());
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, UnknownKindSwitchesNothingButRestoresAtItsEnd)
{
    {
        CResourceSwitch none(7);
        EXPECT_EQ(none.GetHandle(), nullptr);
        EXPECT_EQ(GetCurrentResourceHandle(), Program());
        AfxSetResourceHandle(GetUntranslatedResourceModule());
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, SwitchKeepsTheModuleToRestore)
{
    {
        CResourceSwitch use(kResourceLanguage);
        use.Switch(kResourceUntranslated);
        EXPECT_EQ(GetCurrentResourceHandle(), GetUntranslatedResourceModule());
        EXPECT_EQ(use.GetHandle(), GetUntranslatedResourceModule());
        use.Switch(9);
        EXPECT_EQ(use.GetHandle(), GetUntranslatedResourceModule()) << "other kinds do nothing";
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, ReapplyMakesTheSwitchModuleCurrentAgain)
{
    CResourceSwitch use(kResourceBitmaps);
    AfxSetResourceHandle(GetLanguageResourceModule());
    use.Reapply();
    EXPECT_EQ(GetCurrentResourceHandle(), GetBitmapResourceModule());
}

TEST_F(ResourceSwitchTest, SwitchToAGivenModule)
{
    {
        CResourceSwitch use(GetUntranslatedResourceModule());
        EXPECT_EQ(GetCurrentResourceHandle(), GetUntranslatedResourceModule());
        EXPECT_EQ(use.GetHandle(), GetUntranslatedResourceModule());
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, DefaultSwitchChangesAndRestoresNothing)
{
    AfxSetResourceHandle(GetLanguageResourceModule());
    {
        CResourceSwitch counted;
        EXPECT_EQ(counted.GetHandle(), nullptr);
        AfxSetResourceHandle(GetBitmapResourceModule());
    }
    EXPECT_EQ(GetCurrentResourceHandle(), GetBitmapResourceModule());
}

TEST_F(ResourceSwitchTest, SwapReturnsTheModuleThatWasCurrent)
{
    EXPECT_EQ(SwapResourceHandle(GetBitmapResourceModule()), Program());
    EXPECT_EQ(SwapResourceHandle(Program()), GetBitmapResourceModule());
    EXPECT_EQ(GetCurrentResourceHandle(), Program());
}

TEST_F(ResourceSwitchTest, TheLastSwitchFreesTheModulesInsteadOfRestoring)
{
    {
        CResourceSwitch use(kResourceLanguage);
        m_modules.EndApplicationSwitch();
        EXPECT_NE(GetLanguageResourceModule(), nullptr) << "one switch still lives";
    }
    for (int kind : {kResourceLanguage, kResourceUntranslated, kResourceBitmaps})
        EXPECT_EQ(CResourceSwitch::GetModule(kind), nullptr) << kind;
    EXPECT_EQ(GetModuleHandleA("reslang.dll"), nullptr) << "unloaded";
    EXPECT_NE(GetCurrentResourceHandle(), Program()) << "nothing was restored";
    AfxSetResourceHandle(Program());
}

TEST_F(ResourceSwitchTest, FindResourceHandleLooksInTheOtherModulesToo)
{
    CResourceSwitch language(kResourceLanguage);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(300), RT_BITMAP), GetBitmapResourceModule());
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE((8001 >> 4) + 1), RT_STRING), GetLanguageResourceModule())
        << "the current module first";
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(999), RT_BITMAP), GetLanguageResourceModule())
        << "the current module when none has it";
}

TEST_F(ResourceSwitchTest, LoadStringDoesNotLookInTheOtherModules)
{
    CResourceSwitch language(kResourceLanguage);
    CString text("left over");
    EXPECT_FALSE(text.LoadString(7000));
    EXPECT_TRUE(text.IsEmpty());
}

TEST(ResourceSwitchModules, AMissingModuleLeavesTheModulesNotLoaded)
{
    TempDir folder;
    for (const char* file : {"reslang.kres", "ResNoTrans.kres"})
        std::filesystem::copy_file(std::string(KESTRELON_UTILS_FIXTURE_MODULES) + "/" + file, folder.File(file));
    LoadedResourceModules modules(folder.Path());
    EXPECT_FALSE(modules.IsLoaded());
    EXPECT_EQ(GetBitmapResourceModule(), nullptr);
    EXPECT_NE(GetLanguageResourceModule(), nullptr);
    EXPECT_NE(GetUntranslatedResourceModule(), nullptr);
}

TEST(ResourceSwitchModules, LoadingAgainKeepsOneReferencePerModule)
{
    LoadedResourceModules modules;
    ASSERT_TRUE(modules.IsLoaded());
    HINSTANCE language = GetLanguageResourceModule();
    CResourceModules again;
    EXPECT_TRUE(again.IsLoaded());
    EXPECT_EQ(GetLanguageResourceModule(), language);
    modules.EndApplicationSwitch();
    EXPECT_EQ(GetModuleHandleA("reslang.dll"), nullptr) << "freed once, gone";
}

TEST(ResourceSwitchModules, TheProgramModulesHoldTheStringsTheProgramShows)
{
    LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    {
        CResourceSwitch language(kResourceLanguage);
        for (UINT id : {33000u, 33001u, 33002u, 33003u, 33004u, 33005u, 33006u, 33007u, 33010u, 33020u}) {
            CString text;
            ASSERT_TRUE(text.LoadString(id)) << id;
            std::string s(text);
            size_t first = s.find('%');
            ASSERT_NE(first, std::string::npos) << id;
            EXPECT_EQ(s.substr(first, 2), "%s") << id;
            EXPECT_EQ(s.find('%', first + 1), std::string::npos) << id << ": one conversion only";
        }
        CString base;
        EXPECT_TRUE(base.LoadString(61274));
    }
    {
        CResourceSwitch untranslated(kResourceUntranslated);
        struct Case {
            UINT id;
            const char* text;
        } const cases[] = {{1249, ".wav"}, {1250, ".avi"}, {1287, ".bmp"}};
        for (const Case& c : cases) {
            CString text;
            EXPECT_TRUE(text.LoadString(c.id));
            EXPECT_STREQ(text, c.text);
        }
    }
    LOGFONTA toolbar = {};
    EXPECT_GT(LoadFontDescription(2074, toolbar), 0);
    EXPECT_LT(toolbar.lfHeight, 0);
    LOGFONTW text = {};
    EXPECT_GT(LoadFontDescriptionW(3372, text), 0);
    EXPECT_EQ(text.lfHeight, -21);
}

// Font records start from values no description gives, so that a field the
// reader leaves alone is seen.
LOGFONTA NarrowSentinel()
{
    LOGFONTA font = {};
    font.lfHeight = 99;
    font.lfWidth = 5;
    font.lfCharSet = 77;
    std::strcpy(font.lfFaceName, "Sentinel");
    return font;
}

LOGFONTW WideSentinel()
{
    LOGFONTW font = {};
    font.lfHeight = 99;
    font.lfWidth = 5;
    font.lfCharSet = 77;
    std::u16string face = u"Sentinel";
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return font;
}

std::u16string FaceOf(const LOGFONTW& font)
{
    std::u16string face;
    for (int i = 0; i < LF_FACESIZE && font.lfFaceName[i]; ++i)
        face += font.lfFaceName[i];
    return face;
}

struct FontCase {
    UINT id;
    int length;
    const char* narrowFace;
    LONG narrowHeight;
    BYTE narrowCharSet;
    const char16_t* wideFace;
    LONG wideHeight;
    BYTE wideCharSet;
};

const FontCase kFontCases[] = {
    {6000, 5, "Arial", 99, 77, u"Arial", -21, 0},
    {6001, 8, "Arial", 99, 77, u"Arial", 12, 0},
    {6002, 10, "Arial", -12, 0, u"Arial", 12, 0},
    {6003, 16, "Tahoma", -16, 128, u"Tahoma", 16, 128},
    {6004, 17, "Courier New", -8, 2, u"Courier New", 8, 0},
    {6005, 10, "Verdana", 99, 77, u"Verdana", -21, 0},
    {6006, 10, "Arial", 9, 1, u"Arial", -9, 1},
    {6007, 55, "A face name much longer than th", -10, 0, u"A face name much longer than th", 10, 0},
    {6008, 9, "Arial", -12, 77, u"Arial", 12, 0},
    {6009, 17, "Gr\xc3\xbc\xc3\x9f" "e Sans", -11, 0, u"Gr\u00fc\u00dfe Sans", 11, 0},
    {6010, 9, "Arial", 0, 0, u"Arial", -21, 0},
    {6011, 5, "", -12, 1, u"", 12, 1},
};

TEST_F(ResourceSwitchTest, NarrowFontDescriptionsOfEveryForm)
{
    for (const FontCase& c : kFontCases) {
        LOGFONTA font = NarrowSentinel();
        EXPECT_EQ(LoadFontDescription(c.id, font), c.length) << c.id;
        EXPECT_STREQ(font.lfFaceName, c.narrowFace) << c.id;
        EXPECT_EQ(font.lfHeight, c.narrowHeight) << c.id;
        EXPECT_EQ(font.lfCharSet, c.narrowCharSet) << c.id;
        EXPECT_EQ(font.lfWidth, 5) << c.id << ": other fields are untouched";
    }
    EXPECT_EQ(GetCurrentResourceHandle(), Program()) << "the reader's switch ended";
}

TEST_F(ResourceSwitchTest, WideFontDescriptionsOfEveryForm)
{
    for (const FontCase& c : kFontCases) {
        LOGFONTW font = WideSentinel();
        EXPECT_EQ(LoadFontDescriptionW(c.id, font), c.length) << c.id;
        EXPECT_EQ(FaceOf(font), c.wideFace) << c.id;
        EXPECT_EQ(font.lfHeight, c.wideHeight) << c.id;
        EXPECT_EQ(font.lfCharSet, c.wideCharSet) << c.id;
        EXPECT_EQ(font.lfWidth, 5) << c.id;
    }
}

TEST_F(ResourceSwitchTest, MissingOrEmptyFontDescriptions)
{
    for (UINT id : {6012u, 9999u}) {
        LOGFONTA narrow = NarrowSentinel();
        EXPECT_EQ(LoadFontDescription(id, narrow), 0) << id;
        EXPECT_STREQ(narrow.lfFaceName, "Sentinel");
        EXPECT_EQ(narrow.lfHeight, 99);
        EXPECT_EQ(narrow.lfCharSet, 77);
        LOGFONTW wide = WideSentinel();
        EXPECT_EQ(LoadFontDescriptionW(id, wide), 0) << id;
        EXPECT_EQ(FaceOf(wide), u"Sentinel");
        EXPECT_EQ(wide.lfHeight, -21) << "the defaults are set first";
        EXPECT_EQ(wide.lfCharSet, 0);
    }
}

} // namespace
