#include "Win32/Sb/Media/MediaFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/File.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"
#include "tests/support/TempDir.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

using media_tests::RecordingFactory;
using media_tests::ScopedReaderFactory;
using testing_support::TempDir;

std::string Touch(const TempDir& folder, const std::string& name, const std::string& contents = "not empty")
{
    std::filesystem::create_directories(std::filesystem::path(folder.File(name)).parent_path());
    return folder.Write(name, contents);
}

TEST(MediaFile, DetectionTableClassifiesByExtension)
{
    TempDir folder;
    struct Case {
        const char* name;
        INT result;
        INT type;
    } const cases[] = {
        {"clip.Avi", 0, 2},       {"clip.AVI", 0, 2},       {"clip.avi", 0, 2},       {"clip", 257, 0},
        {"clip.", 257, 0},        {"film.RM", 0, 2},        {"film.rm", 0, 2},        {"film.asf", 0, 2},
        {"film.wmv", 0, 2},       {"film.mpeg2", 0, 2},     {"film.Mpg", 0, 2},       {"film.dat", 0, 2},
        {"film.mov", 0, 2},       {"board.sbd", 0, 1},      {"scene.SCN", 0, 128},    {"library.dsc", 0, 2048},
        {"sound.wav", 0, 8},      {"song.Mp3", 0, 8},       {"photo.jpg", 0, 4},      {"photo.TIF", 0, 4},
        {"photo.pcd", 0, 4},      {"photo.png", 0, 4},      {"photo.dib", 0, 4},      {"photo.wmf", 0, 4},
        {"photo.jpeg", 258, 0},   {"photo.gif", 258, 0},    {"photo.tiff", 258, 0},   {"notes.txt", 258, 0},
        {"my.folder/clip", 257, 0},
    };
    for (const Case& c : cases) {
        CMediaFile file(Touch(folder, c.name).c_str());
        INT type = -1;
        EXPECT_EQ(file.DetectType(&type), c.result) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(file.m_nType, c.type) << c.name;
    }
}

TEST(MediaFile, ExtensionIsKeptAsWritten)
{
    TempDir folder;
    CMediaFile file(Touch(folder, "Clip.MPeg").c_str());
    EXPECT_STREQ(file.m_strExt, "MPeg");
    EXPECT_EQ(file.m_bExists, 1);
    EXPECT_EQ(file.m_bValid, 1);
}

TEST(MediaFile, ValidNeedsAnExtensionAndAFile)
{
    TempDir folder;
    struct Case {
        std::string path;
        INT exists;
        INT valid;
        INT checkResult;
    } const cases[] = {
        {Touch(folder, "here.avi"), 1, 1, 0},
        {Touch(folder, "noextension"), 1, 0, 0},
        {folder.File("gone.avi"), 0, 0, 262},
    };
    for (const Case& c : cases) {
        CMediaFile file(c.path.c_str());
        EXPECT_EQ(file.m_bExists, c.exists) << c.path;
        EXPECT_EQ(file.m_bValid, c.valid) << c.path;
        INT exists = -1;
        EXPECT_EQ(file.CheckExists(&exists), c.checkResult) << c.path;
        EXPECT_EQ(exists, c.exists) << c.path;
        CFileStatus status;
        EXPECT_EQ(file.GetFileStatus(status), c.exists ? 0 : 264) << c.path;
    }
}

TEST(MediaFile, ExtensionTestsIgnoreLetterCase)
{
    struct Case {
        const char* path;
        INT realMedia;
        INT windowsMedia;
        INT mp3;
        INT mp2;
    } const cases[] = {
        {"/x/a.Rm", 1, 0, 0, 0}, {"/x/a.ASF", 0, 1, 0, 0}, {"/x/a.wMv", 0, 1, 0, 0},
        {"/x/a.mp3", 0, 0, 1, 0}, {"/x/a.MP2", 0, 0, 0, 1}, {"/x/a.rmvb", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CMediaFile file(c.path);
        INT yes = -1;
        EXPECT_EQ(file.IsRealMedia(&yes), 0);
        EXPECT_EQ(yes, c.realMedia) << c.path;
        file.IsWindowsMedia(&yes);
        EXPECT_EQ(yes, c.windowsMedia) << c.path;
        file.IsMp3(&yes);
        EXPECT_EQ(yes, c.mp3) << c.path;
        file.IsMp2(&yes);
        EXPECT_EQ(yes, c.mp2) << c.path;
    }
}

TEST(MediaFile, SetPathRecomputesTheExtension)
{
    TempDir folder;
    CMediaFile file(Touch(folder, "first.avi").c_str());
    ASSERT_EQ(file.m_nType, 2);
    EXPECT_EQ(file.SetPath(Touch(folder, "second").c_str()), 0);
    EXPECT_STREQ(file.m_strExt, "") << "no extension of its own, none kept from before";
    EXPECT_EQ(file.m_nType, 0);
    EXPECT_EQ(file.m_bValid, 0);
    INT type = -1;
    EXPECT_EQ(file.DetectType(&type), 257);
    file.SetPath(Touch(folder, "third.png").c_str());
    EXPECT_EQ(file.m_nType, 4);
    EXPECT_EQ(file.m_bValid, 1);
}

TEST(MediaFile, CreateReaderPicksTheReaderByType)
{
    TempDir folder;
    RecordingFactory factory;
    ScopedReaderFactory scoped(&factory);
    struct Case {
        const char* name;
        const char* reader;
    } const cases[] = {
        {"clip.RM", "realmedia"}, {"clip.rm", "realmedia"}, {"clip.asf", "dshow"}, {"clip.avi", "dshow"},
        {"song.mp3", "dshow"},    {"voice.wav", "avifile"}, {"photo.png", "still"}, {"photo.JPG", "still"},
    };
    for (const Case& c : cases) {
        factory.m_requests.clear();
        CMediaFile file(Touch(folder, c.name).c_str());
        CMediaSource* reader = nullptr;
        EXPECT_EQ(file.CreateReader(&reader), 0) << c.name;
        EXPECT_NE(reader, nullptr) << c.name;
        delete reader;
        ASSERT_EQ(factory.m_requests.size(), 1u) << c.name;
        EXPECT_EQ(factory.m_requests[0].kind, c.reader) << c.name;
        EXPECT_EQ(factory.m_requests[0].path, folder.File(c.name)) << c.name;
    }
}

TEST(MediaFile, CreateReaderFailsBeforeMakingAReader)
{
    TempDir folder;
    RecordingFactory factory;
    ScopedReaderFactory scoped(&factory);
    struct Case {
        std::string path;
        INT result;
    } const cases[] = {
        {Touch(folder, "empty.avi", ""), 259},
        {folder.File("gone.avi"), 262},
        {Touch(folder, "notes.txt"), 258},
        {Touch(folder, "noextension"), 257},
    };
    for (const Case& c : cases) {
        CMediaFile file(c.path.c_str());
        CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
        EXPECT_EQ(file.CreateReader(&reader), c.result) << c.path;
        EXPECT_EQ(reader, nullptr) << c.path;
    }
    EXPECT_TRUE(factory.m_requests.empty()) << "no reader was made, not even an MP2 probe";
}

TEST(MediaFile, DocumentsGetNoReader)
{
    TempDir folder;
    RecordingFactory factory;
    ScopedReaderFactory scoped(&factory);
    for (const char* name : {"board.sbd", "scene.scn", "library.dsc"}) {
        CMediaFile file(Touch(folder, name).c_str());
        CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
        EXPECT_EQ(file.CreateReader(&reader), 0) << name;
        EXPECT_EQ(reader, nullptr) << name;
    }
    EXPECT_TRUE(factory.m_requests.empty());
}

TEST(MediaFile, ReaderThatDoesNotOpenIsClosedAndGives259)
{
    TempDir folder;
    RecordingFactory factory;
    factory.m_outcome = RecordingFactory::Outcome::NotOpen;
    ScopedReaderFactory scoped(&factory);
    CMediaFile file(Touch(folder, "clip.avi").c_str());
    CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
    EXPECT_EQ(file.CreateReader(&reader), 259);
    EXPECT_EQ(reader, nullptr);
    EXPECT_EQ(factory.m_nCloses, 1);
}

TEST(MediaFile, MissingReaderIsAFailureNotASuccess)
{
    TempDir folder;
    RecordingFactory factory;
    factory.m_outcome = RecordingFactory::Outcome::NoReader;
    ScopedReaderFactory scoped(&factory);
    CMediaFile file(Touch(folder, "clip.avi").c_str());
    CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
    EXPECT_EQ(file.CreateReader(&reader), 259);
    EXPECT_EQ(reader, nullptr);
}

TEST(MediaFile, ReadersNotBuiltYetGive259)
{
    TempDir folder;
    for (const char* name : {"clip.avi", "clip.asf", "voice.wav", "song.mp3"}) {
        CMediaFile file(Touch(folder, name).c_str());
        CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
        EXPECT_EQ(file.CreateReader(&reader), 259) << name;
        EXPECT_EQ(reader, nullptr) << name;
    }
}

TEST(MediaFile, Mp2IsProbedForVideo)
{
    TempDir folder;
    RecordingFactory factory;
    ScopedReaderFactory scoped(&factory);
    struct Case {
        const char* name;
        RecordingFactory::Outcome outcome;
        RecordingFactory::Streams streams;
        INT type;
    } const cases[] = {
        {"video", RecordingFactory::Outcome::Open, {true, true, true}, 2},
        {"audio only", RecordingFactory::Outcome::Open, {false, false, true}, 8},
        {"neither", RecordingFactory::Outcome::Open, {false, true, false}, 0},
        {"not open", RecordingFactory::Outcome::NotOpen, {true, true, true}, 0},
        {"no reader", RecordingFactory::Outcome::NoReader, {true, true, true}, 0},
    };
    for (const Case& c : cases) {
        factory.m_outcome = c.outcome;
        factory.m_streams = c.streams;
        factory.m_requests.clear();
        CMediaFile file(Touch(folder, "clip.mp2").c_str());
        EXPECT_EQ(file.m_nType, c.type) << c.name;
        ASSERT_EQ(factory.m_requests.size(), 1u) << c.name;
        EXPECT_EQ(factory.m_requests[0].kind, "dshow") << c.name;
    }
}

TEST(MediaFile, MissingMp2HasNoTypeAndGives262)
{
    TempDir folder;
    RecordingFactory factory;
    factory.m_outcome = RecordingFactory::Outcome::NotOpen;
    ScopedReaderFactory scoped(&factory);
    CMediaFile file(folder.File("gone.mp2").c_str());
    EXPECT_EQ(file.m_nType, 0);
    EXPECT_EQ(file.m_bExists, 0);
    CMediaSource* reader = reinterpret_cast<CMediaSource*>(1);
    EXPECT_EQ(file.CreateReader(&reader), 262);
    EXPECT_EQ(reader, nullptr);
}

TEST(MediaFile, TiffCompressionCheckRefusesOnlyLzw)
{
    TempDir folder;
    const std::string lzw = folder.File("lzw.tif");
    const std::string upper = folder.File("LZW.TIF");
    const std::string packbits = folder.File("packbits.tif");
    const std::string lzwAsPng = folder.File("lzw.png");
    ASSERT_TRUE(media_fixtures::WriteStill(lzw, media_fixtures::StillKind::TiffLzw, 32, 16));
    ASSERT_TRUE(media_fixtures::WriteStill(upper, media_fixtures::StillKind::TiffLzw, 32, 16));
    ASSERT_TRUE(media_fixtures::WriteStill(packbits, media_fixtures::StillKind::TiffPackBits, 32, 16));
    ASSERT_TRUE(media_fixtures::WriteStill(lzwAsPng, media_fixtures::StillKind::TiffLzw, 32, 16));
    struct Case {
        std::string path;
        INT result;
    } const cases[] = {
        {lzw, 0}, {upper, 0}, {packbits, 1}, {lzwAsPng, 1}, {folder.File("gone.tif"), 1}, {Touch(folder, "junk.tif"), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMediaFile(c.path.c_str()).CheckTiffCompression(), c.result) << c.path;
}

// The untranslated module of the tests, with the scene document names.
class SceneMediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR"))
            m_previousFolder = old;
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", KESTRELON_SB_MEDIA_FIXTURE_MODULES);
        m_application = std::make_unique<CResourceSwitch>();
        m_modules = std::make_unique<CResourceModules>();
        AfxSetResourceHandle(GetModuleHandleA(nullptr));
        ASSERT_NE(GetUntranslatedResourceModule(), nullptr);
    }
    void TearDown() override
    {
        m_modules.reset();
        m_application.reset();
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_previousFolder.empty() ? nullptr : m_previousFolder.c_str());
    }

    // A scene document whose scene section names `media` as a video.
    CProfile& NewScene(const std::string& media)
    {
        m_profile.Clear();
        m_profile.SetSection("Header");
        m_profile.SetValue("Header", "FileType", "Kestrelon Scene");
        m_profile.SetValue("Header", "Version", "2.0");
        m_profile.SetSection("Scene");
        m_profile.SetValue("Scene", "MediaKind", "Video");
        m_profile.SetValue("Scene", "MediaPath", media.c_str());
        return m_profile;
    }

    // Saves the document and checks it.
    INT Check(INT* ok, CString& missing)
    {
        const std::string path = m_folder.File("scenes/saved.scn");
        std::filesystem::create_directories(m_folder.File("scenes"));
        EXPECT_EQ(m_profile.Save(path.c_str()), 0);
        return CMediaFile(path.c_str()).CheckSceneMedia(ok, missing);
    }

    TempDir m_folder;
    CProfile m_profile;

private:
    std::string m_previousFolder;
    std::unique_ptr<CResourceSwitch> m_application;
    std::unique_ptr<CResourceModules> m_modules;
};

TEST_F(SceneMediaTest, SceneWhoseMediaExistsPasses)
{
    Touch(m_folder, "scenes/clip.avi");
    Touch(m_folder, "media/still.png");
    NewScene("$\\clip.avi");
    m_profile.SetValue("Scene", "OverlayCount", "1");
    m_profile.SetSection("SceneOverlay_0");
    m_profile.SetValue("SceneOverlay_0", "MediaKind", "still");
    m_profile.SetValue("SceneOverlay_0", "MediaPath", "$\\..\\media\\still.png");
    INT ok = -1;
    CString missing("left over");
    EXPECT_EQ(Check(&ok, missing), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(missing.IsEmpty());
}

TEST_F(SceneMediaTest, FirstMissingFileIsReportedResolved)
{
    Touch(m_folder, "scenes/present.avi");
    NewScene("$\\..\\media\\missing.avi");
    m_profile.SetValue("Scene", "OverlayCount", "1");
    m_profile.SetSection("SceneOverlay_0");
    m_profile.SetValue("SceneOverlay_0", "MediaKind", "Video");
    m_profile.SetValue("SceneOverlay_0", "MediaPath", "$\\also-missing.avi");
    INT ok = -1;
    CString missing;
    EXPECT_EQ(Check(&ok, missing), 262);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(std::string(missing), m_folder.File("media/missing.avi"));
}

TEST_F(SceneMediaTest, EntriesAreTestedInTheirOrder)
{
    Touch(m_folder, "scenes/main.avi");
    struct Case {
        const char* name;
        void (*build)(CProfile&);
        const char* missing;
    } const cases[] = {
        {"overlay sub-section",
         [](CProfile& p) {
             p.SetValue("Scene", "OverlayCount", "3");
             p.SetSection("SceneOverlay_2");
             p.SetValue("SceneOverlay_2", "MediaKind", "VIDEO");
             p.SetValue("SceneOverlay_2", "MediaPath", "$\\overlay.avi");
         },
         "scenes/overlay.avi"},
        {"motion chain",
         [](CProfile& p) {
             p.SetValue("Scene", "HasMotion", "1");
             p.SetSection("SceneMotion0");
             p.SetValue("SceneMotion0", "HasMotion", "1");
             p.SetValue("SceneMotion0", "MediaKind", "Video");
             p.SetValue("SceneMotion0", "MediaPath", "$\\main.avi");
             p.SetSection("SceneMotion0Motion0");
             p.SetValue("SceneMotion0Motion0", "MediaKind", "Still");
             p.SetValue("SceneMotion0Motion0", "MediaPath", "$\\nested.png");
         },
         "scenes/nested.png"},
        {"audio track 3",
         [](CProfile& p) {
             p.SetValue("Scene", "HasAudio", "1");
             p.SetValue("Scene", "AudioPath", "$\\main.avi");
             p.SetValue("Scene", "AudioPath_3", "$\\track3.wav");
         },
         "scenes/track3.wav"},
        {"audio ignored without the audio flag",
         [](CProfile& p) {
             p.SetValue("Scene", "HasAudio", "0");
             p.SetValue("Scene", "AudioPath_3", "$\\track3.wav");
         },
         ""},
        {"other media kinds name no file",
         [](CProfile& p) {
             p.SetValue("Scene", "OverlayCount", "1");
             p.SetSection("SceneOverlay_0");
             p.SetValue("SceneOverlay_0", "MediaKind", "Colour");
             p.SetValue("SceneOverlay_0", "MediaPath", "$\\none.avi");
         },
         ""},
    };
    for (const Case& c : cases) {
        c.build(NewScene("$\\main.avi"));
        INT ok = -1;
        CString missing;
        const INT result = Check(&ok, missing);
        if (*c.missing == '\0') {
            EXPECT_EQ(result, 0) << c.name;
            EXPECT_EQ(ok, 1) << c.name;
        } else {
            EXPECT_EQ(result, 262) << c.name;
            EXPECT_EQ(ok, 0) << c.name;
            EXPECT_EQ(std::string(missing), m_folder.File(c.missing)) << c.name;
        }
    }
}

TEST_F(SceneMediaTest, WrongHeaderNamesTheSceneFileItself)
{
    struct Case {
        const char* name;
        const char* key;
        const char* value;
    } const cases[] = {
        {"another file type", "FileType", "Kestrelon Storyboard"},
        {"type in another case", "FileType", "kestrelon scene"},
        {"another version", "Version", "1.0"},
    };
    for (const Case& c : cases) {
        NewScene("/nowhere/clip.avi");
        m_profile.SetValue("Header", c.key, c.value);
        INT ok = -1;
        CString missing;
        EXPECT_EQ(Check(&ok, missing), 262) << c.name;
        EXPECT_EQ(ok, 0) << c.name;
        EXPECT_EQ(std::string(missing), m_folder.File("scenes/saved.scn")) << c.name;
    }
}

TEST_F(SceneMediaTest, OtherFileTypesAreNotChecked)
{
    INT ok = -1;
    CString missing("x");
    EXPECT_EQ(CMediaFile(Touch(m_folder, "clip.avi").c_str()).CheckSceneMedia(&ok, missing), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(missing.IsEmpty());
}

} // namespace
