#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DocumentMediaSupport.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Time.h"
#include "Win32/Sb/Document/ColorMaterial.h"
#include "Win32/Sb/Document/RealMediaMaterial.h"
#include "Win32/Sb/Document/StillMaterial.h"
#include "Win32/Sb/Document/VideoMaterial.h"
#include "Win32/Sb/Media/GeneratedSource.h"
#include "Win32/Sb/Media/RdxViewer.h"
#include "Win32/Utils/MessageBoxes.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

using document_media::MicrosecondsOf;
using document_media::ReaderScript;
using document_media::Seconds;

constexpr char kSection[] = "Scene0";

void PutEntries(CProfile& profile, const std::vector<document_media::Entry>& entries)
{
    document_media::PutEntries(profile, kSection, entries);
}

std::string Value(const CProfile& profile, UINT id)
{
    return document_media::ValueOf(profile, kSection, id);
}

double SecondsOf(const CMediaTime& time)
{
    return time.GetSeconds();
}

// Sets the file's last-write time, given in UTC.
bool SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME fileTime{};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && SystemTimeToFileTime(&time, &fileTime)
                     && SetFileTime(file, nullptr, nullptr, &fileTime);
    CloseHandle(file);
    return set;
}

// Makes the process's local time zone `zone` (TZ form), as the C library
// reads it, until the object goes.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_zone("TZ", zone) { Apply(); }
    ~ScopedTimeZone()
    {
        m_zone.Restore();
        Apply();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    static void Apply()
    {
        const std::time_t now = 0;
        std::localtime(&now);
    }

    document_media::ScopedVariable m_zone;
};

class MaterialTest : public document_media::DocumentMediaTest {
protected:
    // A video file whose reader reports `script`.
    std::string ScriptedVideo(const std::string& name, const ReaderScript& script)
    {
        const std::string path = Touch(name);
        m_factory.m_scripts[path] = script;
        return path;
    }

    ReaderScript TenSecondVideo()
    {
        ReaderScript script;
        script.seconds = 10.0;
        script.width = 352;
        script.height = 288;
        script.frameRate = 25.0;
        script.bitCount = 24;
        return script;
    }

    std::string Still(const std::string& name, int width, int height,
                      media_fixtures::StillKind kind = media_fixtures::StillKind::Bmp24)
    {
        const std::string path = m_folder.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(media_fixtures::WriteStill(path, kind, width, height));
        return path;
    }
};

TEST_F(MaterialTest, SectionsLoadKindsFlagsAndDefaults)
{
    struct Case {
        const char* what;
        std::vector<document_media::Entry> entries;
        INT kind;
        double seconds;
        INT openEnded;
        INT audio;
        double rate;
    } const cases[] = {
        {"kind 4 reads as 5", {{1021, "4"}}, 5, 0.0, 0, 1, 0.0},
        {"no audio entry means sound on", {{1021, "2"}, {1023, "00:05.000 ms"}}, 2, 5.0, 0, 1, 0.0},
        {"audio entry 0", {{1021, "1"}, {1028, "0"}}, 1, 0.0, 0, 0, 0.0},
        {"open-ended drops the duration", {{1021, "5"}, {1023, "00:05.000 ms"}, {1025, "1"}}, 5, 0.0, 1, 1, 0.0},
        {"rate and duration", {{1021, "5"}, {1022, "29.97"}, {1023, "01:02.500 ms"}}, 5, 62.5, 0, 1, 29.97},
        {"words where numbers belong", {{1021, "video"}, {1022, "fast"}, {1023, "long"}, {1025, "yes"}}, 0, 0.0, 0, 1,
         0.0},
        {"a negative rate", {{1021, "5"}, {1022, "-12.5"}}, 5, 0.0, 0, 1, 0.0},
        {"an empty section", {}, 0, 0.0, 0, 1, 0.0},
    };
    for (const Case& c : cases) {
        CProfile profile;
        PutEntries(profile, c.entries);
        Material material("", &profile, kSection);
        EXPECT_EQ(material.GetKind(), c.kind) << c.what;
        EXPECT_DOUBLE_EQ(SecondsOf(material.GetDuration()), c.seconds) << c.what;
        EXPECT_EQ(material.IsOpenEnded(), c.openEnded) << c.what;
        EXPECT_EQ(material.GetAudioEnabled(), c.audio) << c.what;
        EXPECT_DOUBLE_EQ(material.GetFrameRate(), c.rate) << c.what;
    }
}

TEST_F(MaterialTest, TimedDurationEndsInsideTheMedia)
{
    const std::string path = ScriptedVideo("clip.avi", TenSecondVideo());
    VideoMaterial video(path.c_str(), 15.0, 0, Seconds(2), Seconds(1), 0);
    ASSERT_DOUBLE_EQ(SecondsOf(video.GetMediaLength()), 10.0);
    struct Case {
        double asked;
        double duration;
    } const cases[] = {{5.0, 5.0}, {8.0, 8.0}, {9.0, 8.0}, {-3.0, 0.0}, {0.5, 0.5}};
    for (const Case& c : cases) {
        video.SetDuration(Seconds(c.asked), 1);
        EXPECT_EQ(video.GetToEnd(), 1);
        video.SetDuration(Seconds(c.asked), 0);
        EXPECT_DOUBLE_EQ(SecondsOf(video.GetDuration()), c.duration) << c.asked;
        EXPECT_EQ(video.GetToEnd(), 0) << c.asked;
        EXPECT_EQ(video.IsOpenEnded(), 0) << c.asked;
    }
    video.SetOutPoint(Seconds(6));
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetDuration()), 4.0);
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetOutPoint()), 6.0);
}

TEST_F(MaterialTest, ToEndVideoRunsFromTheInPointToTheEndOnce)
{
    const std::string path = ScriptedVideo("clip.avi", TenSecondVideo());
    VideoMaterial video(path.c_str(), 15.0, 0, Seconds(2), Seconds(0), 1);
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetDuration()), 8.0);
    EXPECT_EQ(video.GetToEnd(), 0);
    EXPECT_DOUBLE_EQ(video.GetFrameRate(), 25.0);
    INT size[2] = {};
    video.GetSize(size);
    EXPECT_EQ(size[0], 352);
    EXPECT_EQ(size[1], 288);
}

TEST_F(MaterialTest, TimedEndsMoveOnlyInsideTheMedia)
{
    const std::string path = ScriptedVideo("clip.avi", TenSecondVideo());
    VideoMaterial video(path.c_str(), 15.0, 0, Seconds(2), Seconds(5), 0);
    struct Case {
        const char* what;
        double shift;
        INT canMoveStart;
        INT canMoveEnd;
    } const cases[] = {
        {"no move", 0.0, 1, 1},
        {"end to the media's end", 3.0, 1, 1},
        {"end past the media", 3.5, 1, 0},
        {"start to the media's start", -2.0, 1, 1},
        {"start before the media", -2.5, 0, 1},
        {"end onto the in point", -5.0, 0, 0},
        {"end nearly onto the in point", -4.9, 0, 1},
        {"start nearly to the end", 4.9, 1, 0},
        {"start onto the end", 5.0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(video.CanMoveStart(MicrosecondsOf(c.shift)), c.canMoveStart) << c.what;
        EXPECT_EQ(video.CanMoveEnd(MicrosecondsOf(c.shift)), c.canMoveEnd) << c.what;
    }
    video.MoveStart(MicrosecondsOf(1.0));
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetInPoint()), 3.0);
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetDuration()), 4.0);
    video.MoveEnd(MicrosecondsOf(10.0));
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetOutPoint()), 10.0);
    video.MoveStart(MicrosecondsOf(-3.0));
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetInPoint()), 0.0);
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetDuration()), 10.0);
}

TEST_F(MaterialTest, OpenEndedMaterialMovesItsStartOnly)
{
    Material open(Material::kKindGenerated, "", 15.0, Seconds(3), 0, 1);
    EXPECT_EQ(open.CanMoveStart(MicrosecondsOf(-100.0)), 1);
    EXPECT_EQ(open.CanMoveEnd(MicrosecondsOf(1.0)), 0);
    open.MoveStart(MicrosecondsOf(1.0));
    open.MoveEnd(MicrosecondsOf(1.0));
    EXPECT_EQ(open.IsOpenEnded(), 1);
    EXPECT_DOUBLE_EQ(SecondsOf(open.GetDuration()), 0.0);

    Material fixed(Material::kKindGenerated, "", 15.0, Seconds(3), 0, 0);
    EXPECT_EQ(fixed.CanMoveStart(MicrosecondsOf(2.9)), 1);
    EXPECT_EQ(fixed.CanMoveStart(MicrosecondsOf(3.0)), 0);
    EXPECT_EQ(fixed.CanMoveEnd(MicrosecondsOf(-3.0)), 0);
    fixed.MoveEnd(MicrosecondsOf(-1.0));
    EXPECT_DOUBLE_EQ(SecondsOf(fixed.GetDuration()), 2.0);
}

TEST_F(MaterialTest, OpenMediaReaderTellsWhyAFileCannotBeUsed)
{
    const std::string video = ScriptedVideo("clip.avi", TenSecondVideo());
    struct Case {
        const char* what;
        std::string path;
        UINT message;
    } const cases[] = {
        {"no extension", Touch("noextension"), 3021},
        {"an extension no reader takes", Touch("notes.txt"), 3021},
        {"an empty file", Touch("empty.avi", ""), 3022},
        {"a missing file", m_folder.File("gone.avi"), 3025},
        {"a storyboard file", Touch("board.sbd"), 3021},
    };
    for (const Case& c : cases) {
        m_shell.m_events.clear();
        CMediaSource* reader = nullptr;
        INT answer = 0;
        EXPECT_EQ(OpenMediaReader(c.path.c_str(), &reader, " (suffix)", "Caption", &answer, MB_OKCANCEL), 0) << c.what;
        EXPECT_EQ(reader, nullptr) << c.what;
        EXPECT_EQ(answer, IDOK) << c.what;
        CString text;
        ASSERT_TRUE(FormatResourceMessage(c.message, c.path.c_str(), text)) << c.what;
        EXPECT_NE(std::string(text).find(c.path), std::string::npos) << c.what;
        const std::vector<std::string> expected = {
            "beep " + std::to_string(MB_ICONHAND),
            "message " + std::string(text) + " (suffix) | Caption | " + std::to_string(MB_OKCANCEL),
        };
        EXPECT_EQ(m_shell.Events("beep"), std::vector<std::string>{expected[0]}) << c.what;
        EXPECT_EQ(m_shell.Events("message"), std::vector<std::string>{expected[1]}) << c.what;
        EXPECT_LT(m_shell.m_events.size(), 3u) << c.what;
    }
    m_shell.m_events.clear();
    CMediaSource* reader = nullptr;
    EXPECT_EQ(OpenMediaReader(video.c_str(), &reader, "", "Caption", nullptr, 0), 1);
    EXPECT_NE(reader, nullptr);
    delete reader;
    EXPECT_TRUE(m_shell.Events("message").empty());
}

TEST_F(MaterialTest, VerifyRefusesAStoryboardFileAsMedia)
{
    const std::string board = Touch("board.sbd");
    StillMaterial material(board.c_str(), 15.0, Seconds(5), 0);
    EXPECT_EQ(material.Verify(), 0);
    ASSERT_EQ(m_shell.Events("message").size(), 1u);
    EXPECT_NE(m_shell.Events("message")[0].find("| PRAXOVELLE | 0"), std::string::npos);
    const std::string picture = Still("picture.bmp", 32, 16);
    EXPECT_EQ(StillMaterial(picture.c_str(), 15.0, Seconds(5), 0).Verify(), 1);
}

TEST_F(MaterialTest, FileStampIsTheUtcWriteTimeInAnyTimeZone)
{
    const std::string picture = Still("stamped.bmp", 16, 16);
    ASSERT_TRUE(SetWriteTime(picture, 2001, 2, 3, 4, 5, 6));
    StillMaterial material(picture.c_str(), 15.0, Seconds(5), 0);
    EXPECT_STREQ(material.GetFileStamp(), "2001 02 03 04 05 06 ");
    {
        ScopedTimeZone tokyo("JST-9");
        FILETIME utc = win::FileTimeFromUnix(981173106);
        FILETIME local{};
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        ASSERT_NE(CompareFileTime(&utc, &local), 0) << "the time zone did not change";
        EXPECT_STREQ(material.GetFileStamp(), "2001 02 03 04 05 06 ");
        EXPECT_EQ(material.HasChanged(), 0);
    }
    StillMaterial gone(m_folder.File("gone.bmp").c_str(), 15.0, Seconds(5), 0);
    EXPECT_STREQ(gone.GetFileStamp(), "");
}

TEST_F(MaterialTest, AFileHeldOpenWithoutSharingIsNotAChange)
{
    const std::string picture = Still("held.bmp", 16, 16);
    StillMaterial material(picture.c_str(), 15.0, Seconds(5), 0);
    HANDLE held = CreateFileA(picture.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(std::string(material.GetFileStamp()), "");
    EXPECT_EQ(material.HasChanged(), 0);
    CloseHandle(held);
}

TEST_F(MaterialTest, ChangedFilesAreNoticedUntilAcknowledged)
{
    const std::string path = ScriptedVideo("clip.avi", TenSecondVideo());
    ASSERT_TRUE(SetWriteTime(path, 2010, 1, 1, 0, 0, 0));
    VideoMaterial video(path.c_str(), 15.0, 0, Seconds(1), Seconds(4), 0);
    EXPECT_EQ(video.HasChanged(), 0);
    ASSERT_TRUE(SetWriteTime(path, 2011, 1, 1, 0, 0, 0));
    m_factory.m_scripts[path].seconds = 12.0;
    EXPECT_EQ(video.HasChanged(), 1);
    EXPECT_EQ(video.AcknowledgeChange(), 1);
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetMediaLength()), 12.0);
    EXPECT_EQ(video.HasChanged(), 0);
    EXPECT_EQ(video.AcknowledgeChange(), 0);
}

TEST_F(MaterialTest, StillsTakeTheirPictureFormatAndRateFifteen)
{
    struct Case {
        const char* name;
        media_fixtures::StillKind kind;
        int width;
        int height;
        INT depth;
    } const cases[] = {
        {"true.bmp", media_fixtures::StillKind::Bmp24, 64, 48, 24},
        {"palette.bmp", media_fixtures::StillKind::Bmp8, 40, 30, 8},
        {"photo.png", media_fixtures::StillKind::Png24, 20, 10, 24},
    };
    for (const Case& c : cases) {
        StillMaterial still(Still(c.name, c.width, c.height, c.kind).c_str(), 0.0, Seconds(5), 0);
        INT size[2] = {};
        still.GetSize(size);
        EXPECT_EQ(size[0], c.width) << c.name;
        EXPECT_EQ(size[1], c.height) << c.name;
        EXPECT_EQ(still.GetBitDepth(), c.depth) << c.name;
        EXPECT_DOUBLE_EQ(still.GetFrameRate(), 15.0) << c.name;
        EXPECT_EQ(still.GetKind(), Material::kKindStill) << c.name;
        std::unique_ptr<CMediaSource> reader(still.CreateReader());
        ASSERT_NE(reader, nullptr) << c.name;
        EXPECT_EQ(reader->m_nOutWidth, 160) << c.name;
        EXPECT_EQ(reader->m_nOutHeight, 120) << c.name;
    }
}

TEST_F(MaterialTest, CloneOfAChangedStillReadsTheFileAgain)
{
    const std::string path = Still("changing.bmp", 64, 48);
    StillMaterial still(path.c_str(), 15.0, Seconds(5), 1);
    still.SetAudioEnabled(0);
    ASSERT_TRUE(media_fixtures::WriteStill(path, media_fixtures::StillKind::Bmp8, 32, 16));
    std::unique_ptr<Material> copy(still.Clone());
    INT size[2] = {};
    copy->GetSize(size);
    EXPECT_EQ(size[0], 32);
    EXPECT_EQ(size[1], 16);
    EXPECT_EQ(copy->GetBitDepth(), 8);
    EXPECT_EQ(copy->GetStoredFlag(), 1);
    EXPECT_EQ(copy->GetAudioEnabled(), 0);
    EXPECT_DOUBLE_EQ(SecondsOf(copy->GetDuration()), 5.0);
}

TEST_F(MaterialTest, PathsAreSavedRelativeToTheDocumentOrWhole)
{
    const std::string picture = Still("media/pic.bmp", 16, 16);
    StillMaterial still(picture.c_str(), 15.0, Seconds(5), 0);
    struct Case {
        std::string documentFolder;
        std::string stored;
    } const cases[] = {
        {m_folder.File("docs/"), "$\\..\\media\\pic.bmp"},
        {m_folder.Path(), "$\\media\\pic.bmp"},
        {"", picture},
    };
    for (const Case& c : cases) {
        CProfile profile;
        still.Save(c.documentFolder.c_str(), &profile, kSection);
        EXPECT_EQ(Value(profile, Material::kKeyPath), c.stored) << c.documentFolder;
        EXPECT_STREQ(profile.GetValue(kSection, "Comment"), "Material Begin");
    }
    ColorMaterial colour(RGB(1, 2, 3), Seconds(2), 15.0, 0);
    CProfile profile;
    colour.Save(m_folder.Path().c_str(), &profile, kSection);
    EXPECT_EQ(Value(profile, Material::kKeyPath), "Color");
}

TEST_F(MaterialTest, EveryKindComesBackThroughTheDocument)
{
    const std::string documentFolder = m_folder.File("docs");
    const std::string picture = Still("media/pic.bmp", 64, 48);
    ReaderScript script = TenSecondVideo();
    const std::string clip = ScriptedVideo("media/clip.avi", script);
    CProfile profile;
    profile.SetSection("Still");
    StillMaterial still(picture.c_str(), 15.0, Seconds(7), 1);
    still.SetAudioEnabled(0);
    still.Save(documentFolder.c_str(), &profile, "Still");
    VideoMaterial video(clip.c_str(), 15.0, 0, Seconds(2.5), Seconds(4), 0);
    video.Save(documentFolder.c_str(), &profile, "Video");
    ColorMaterial colour(RGB(10, 20, 30), Seconds(3), 0.0, 0);
    colour.Save(documentFolder.c_str(), &profile, "Color");

    CProfile reloaded;
    RoundTrip(profile, reloaded);

    StillMaterial stillBack(documentFolder.c_str(), &reloaded, "Still");
    EXPECT_STREQ(stillBack.GetPath(), picture.c_str());
    EXPECT_EQ(stillBack.GetKind(), 1);
    EXPECT_DOUBLE_EQ(SecondsOf(stillBack.GetDuration()), 7.0);
    EXPECT_EQ(stillBack.GetStoredFlag(), 1);
    EXPECT_EQ(stillBack.GetAudioEnabled(), 0);
    INT size[2] = {};
    stillBack.GetSize(size);
    EXPECT_EQ(size[0], 64);

    VideoMaterial videoBack(documentFolder.c_str(), &reloaded, "Video");
    EXPECT_STREQ(videoBack.GetPath(), clip.c_str());
    EXPECT_EQ(videoBack.GetKind(), 2);
    EXPECT_DOUBLE_EQ(SecondsOf(videoBack.GetInPoint()), 2.5);
    EXPECT_DOUBLE_EQ(SecondsOf(videoBack.GetDuration()), 4.0);
    EXPECT_DOUBLE_EQ(SecondsOf(videoBack.GetMediaLength()), 10.0);
    EXPECT_DOUBLE_EQ(videoBack.GetFrameRate(), 25.0);
    EXPECT_EQ(videoBack.GetAudioEnabled(), 1);

    ColorMaterial colourBack(documentFolder.c_str(), &reloaded, "Color", 0);
    EXPECT_EQ(colourBack.GetKind(), 5);
    EXPECT_EQ(colourBack.GetColor(), RGB(10, 20, 30));
    EXPECT_DOUBLE_EQ(SecondsOf(colourBack.GetDuration()), 3.0);
    EXPECT_DOUBLE_EQ(colourBack.GetFrameRate(), 0.0);
    EXPECT_STREQ(colourBack.GetPath(), "Color");
    EXPECT_TRUE(m_shell.Events("message").empty());
}

TEST_F(MaterialTest, OlderColourScenesKeepTheirColourUnderTheOldName)
{
    CProfile profile;
    PutEntries(profile, {{1021, "4"}, {1092, "255"}, {1304, "65280"}});
    EXPECT_EQ(ColorMaterial("", &profile, kSection, 1).GetColor(), 255u);
    EXPECT_EQ(ColorMaterial("", &profile, kSection, 0).GetColor(), 65280u);
    EXPECT_EQ(ColorMaterial("", &profile, kSection, 1).GetKind(), 5);
}

TEST_F(MaterialTest, MissingMediaIsResolvedAndSearchedFor)
{
    const std::string documentFolder = m_folder.File("docs");
    const std::string found = ScriptedVideo("found/clip.avi", TenSecondVideo());
    const std::string resolved = m_folder.File("media/clip.avi");
    m_shell.m_replacements[resolved] = found;
    CProfile profile;
    PutEntries(profile, {{1020, "$\\..\\media\\clip.avi"}, {1021, "2"}, {1023, "00:03.000 ms"}});
    VideoMaterial video(documentFolder.c_str(), &profile, kSection);
    EXPECT_EQ(m_shell.Events("search"), std::vector<std::string>{"search " + resolved + " 01"});
    EXPECT_STREQ(video.GetPath(), found.c_str());
    EXPECT_DOUBLE_EQ(SecondsOf(video.GetMediaLength()), 10.0);

    m_shell.m_events.clear();
    VideoMaterial clipboard("", &profile, kSection);
    EXPECT_TRUE(m_shell.Events("search").empty());
    EXPECT_STREQ(clipboard.GetPath(), "$\\..\\media\\clip.avi");
    INT size[2] = {};
    clipboard.GetSize(size);
    EXPECT_EQ(size[0], 320);
    EXPECT_EQ(size[1], 240);
    EXPECT_DOUBLE_EQ(SecondsOf(clipboard.GetMediaLength()), 0.0);
}

TEST_F(MaterialTest, VideoKeepsTheSoundFormatAndSubtypeOfItsReader)
{
    ReaderScript script = TenSecondVideo();
    script.sound = document_media::Pcm(2, 22050, 16);
    script.subtypeResult = 1;
    script.subtype.Data1 = 0x3334504D;
    script.bitCount = 16;
    VideoMaterial video(ScriptedVideo("sound.avi", script).c_str(), 15.0, 0, Seconds(0), Seconds(2), 0);
    ASSERT_EQ(video.HasAudioFormat(), 1);
    const PCMWAVEFORMAT* format = video.GetAudioFormat();
    EXPECT_EQ(format->wf.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format->wf.nChannels, 2);
    EXPECT_EQ(format->wf.nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wf.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(format->wBitsPerSample, 16);
    GUID subtype{};
    EXPECT_EQ(video.GetVideoSubtype(&subtype), 1);
    EXPECT_EQ(subtype.Data1, 0x3334504Du);
    EXPECT_EQ(video.GetBitDepth(), 16);

    VideoMaterial silent(ScriptedVideo("silent.avi", TenSecondVideo()).c_str(), 15.0, 0, Seconds(0), Seconds(2), 0);
    EXPECT_EQ(silent.HasAudioFormat(), 0);
    EXPECT_EQ(silent.GetAudioFormat(), nullptr);
}

TEST_F(MaterialTest, RealMediaTakesTheClipTexts)
{
    media_fixtures::RealMediaClip clip;
    clip.title = "Harbour";
    clip.author = "Kestrelon Tests";
    clip.copyright = "(c) 2024";
    const std::string path = m_folder.File("clip.rm");
    ASSERT_TRUE(media_fixtures::WriteRealMedia(path, clip));
    RealMediaMaterial real(path.c_str(), 15.0, 0, Seconds(0), Seconds(0), 1);
    EXPECT_STREQ(real.GetMediaInfoText1(), "Kestrelon Tests");
    EXPECT_STREQ(real.GetMediaInfoText2(), "Harbour");
    EXPECT_STREQ(real.GetMediaInfoText3(), "(c) 2024");
    EXPECT_EQ(real.GetMediaFlag1(), 0);
    EXPECT_EQ(real.GetMediaFlag2(), 0);
    EXPECT_NEAR(SecondsOf(real.GetMediaLength()), 1.0, 0.11);
    EXPECT_DOUBLE_EQ(SecondsOf(real.GetDuration()), SecondsOf(real.GetMediaLength()));
    std::unique_ptr<Material> copy(real.Clone());
    EXPECT_STREQ(copy->GetMediaInfoText2(), "Harbour");
    EXPECT_EQ(copy->GetKind(), 2);
}

TEST_F(MaterialTest, ColourMaterialPaintsThroughTheEffectOnlySource)
{
    ColorMaterial colour(RGB(200, 10, 10), Seconds(4), 0.0, 0);
    EXPECT_STREQ(colour.GetPath(), "Color");
    EXPECT_EQ(colour.Verify(), 1);
    EXPECT_EQ(colour.CanOpen(), 1);
    EXPECT_EQ(colour.CanMoveStart(0), 0);
    EXPECT_EQ(colour.CanMoveEnd(0), 0);
    EXPECT_EQ(colour.IsFileBased(), 0);
    std::unique_ptr<CMediaSource> reader(colour.CreateReader());
    auto* source = dynamic_cast<CEffectOnlySource*>(reader.get());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->m_nFillColor, RGB(200, 10, 10));
    EXPECT_EQ(source->m_nOutWidth, 320);
    EXPECT_EQ(source->m_nOutHeight, 240);
    EXPECT_DOUBLE_EQ(source->GetFrameTime().GetTotalMicroseconds(), 66667.0);
    const COLORREF blue = RGB(0, 0, 255);
    colour.SetColor(&blue);
    EXPECT_EQ(colour.GetColor(), blue);
    EXPECT_EQ(colour.AcknowledgeChange(), 0);
    std::unique_ptr<Material> copy(colour.Clone());
    EXPECT_EQ(copy->GetColor(), blue);
    EXPECT_DOUBLE_EQ(copy->GetFrameRate(), 0.0);
}

TEST_F(MaterialTest, NewMaterialsTakeTheApplicationAudioSetting)
{
    m_shell.m_nNewMediaAudio = 0;
    ColorMaterial colour(RGB(1, 1, 1), Seconds(1), 15.0, 0);
    EXPECT_EQ(colour.GetAudioEnabled(), 0);
    EXPECT_EQ(m_shell.Events("setting"), std::vector<std::string>{"setting General Options/NewMediaWithAudio"});
    m_shell.m_nNewMediaAudio = 1;
    EXPECT_EQ(ColorMaterial(RGB(1, 1, 1), Seconds(1), 15.0, 0).GetAudioEnabled(), 1);
}

// Viewers that count themselves and are valid as told.
class CountingViewers : public CViewerFactory {
public:
    class Viewer : public RDXViewer {
    public:
        Viewer(bool valid, int* alive) : RDXViewer(nullptr), m_pAlive(alive)
        {
            m_bValid = valid ? 1 : 0;
            ++*m_pAlive;
        }
        ~Viewer() override { --*m_pAlive; }
        int* m_pAlive;
    };

    RDXViewer* CreateStillViewer(CMediaSource* source, RDXControl*, DWORD) override
    {
        delete source;
        ++m_nStills;
        return new Viewer(true, &m_nAlive);
    }
    RDXViewer* CreateVideoViewer(LPCSTR, INT inMs, INT outMs, RDXControl*, DWORD, INT, INT) override
    {
        m_videoTimes = {inMs, outMs};
        return new Viewer(m_bValid, &m_nAlive);
    }

    bool m_bValid = true;
    int m_nAlive = 0;
    int m_nStills = 0;
    std::pair<INT, INT> m_videoTimes;
};

class ScopedViewers {
public:
    explicit ScopedViewers(CViewerFactory* factory) : m_previous(CViewerFactory::Set(factory)) {}
    ~ScopedViewers() { CViewerFactory::Set(m_previous); }
    ScopedViewers(const ScopedViewers&) = delete;
    ScopedViewers& operator=(const ScopedViewers&) = delete;

private:
    CViewerFactory* m_previous;
};

TEST_F(MaterialTest, ViewersAreMadeOnceAndInvalidOnesAreNotKept)
{
    CountingViewers viewers;
    ScopedViewers installed(&viewers);
    VideoMaterial video(ScriptedVideo("clip.avi", TenSecondVideo()).c_str(), 15.0, 0, Seconds(1.5), Seconds(2), 0);
    viewers.m_bValid = false;
    EXPECT_EQ(video.CreateViewer(nullptr, 7, 0), nullptr);
    EXPECT_EQ(viewers.m_nAlive, 0);
    viewers.m_bValid = true;
    RDXViewer* viewer = video.CreateViewer(nullptr, 7, 0);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewers.m_videoTimes, (std::pair<INT, INT>{1500, 3500}));
    EXPECT_EQ(video.CreateViewer(nullptr, 7, 0), viewer);
    EXPECT_EQ(video.GetViewer(), viewer);
    video.ReleaseViewer();
    EXPECT_EQ(viewers.m_nAlive, 0);

    StillMaterial still(Still("pic.bmp", 8, 8).c_str(), 15.0, Seconds(2), 0);
    EXPECT_NE(still.CreateViewer(nullptr, 1, 0), nullptr);
    ColorMaterial colour(RGB(1, 2, 3), Seconds(2), 15.0, 0);
    EXPECT_NE(colour.CreateViewer(nullptr, 1, 0), nullptr);
    EXPECT_EQ(viewers.m_nStills, 2);
}

TEST_F(MaterialTest, AStillWithoutAReaderSaysSoAndHasNoViewer)
{
    std::vector<std::string> shown;
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler([&](LPCSTR text, UINT, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    const std::string path = Still("vanishing.bmp", 8, 8);
    StillMaterial still(path.c_str(), 15.0, Seconds(2), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(still.CreateViewer(nullptr, 1, 0), nullptr);
    AfxSetMessageBoxHandler(previous);
    CString expected;
    ASSERT_TRUE(FormatResourceMessage(2022, path.c_str(), expected));
    EXPECT_EQ(shown, std::vector<std::string>{std::string(expected)});
    // Without a viewer the standard factory makes none, and says nothing.
    StillMaterial present(Still("present.bmp", 8, 8).c_str(), 15.0, Seconds(2), 0);
    EXPECT_EQ(present.CreateViewer(nullptr, 1, 0), nullptr);
}

} // namespace
