#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "DocumentMediaSupport.h"
#include "Platform/Outside/WaveExtract/WaveExtract.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Win32/Sb/Document/AudioClipList.h"

namespace {

using document_media::Entry;
using media_fixtures::SoundClip;
using media_fixtures::SoundKind;
using media_fixtures::WavFileInfo;

constexpr char kSection[] = "Scene0";

struct Span {
    INT kind;
    INT start;
    INT end;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& span)
{
    return out << "kind " << span.kind << " [" << span.start << ", " << span.end << "]";
}

// The clip's envelope points, head first.
std::vector<Span> PointsOf(AudioClip& clip)
{
    std::vector<Span> points;
    for (INT i = 0; i < clip.GetEnvelopePointCount(); ++i) {
        const AudioEnvelopePoint* point = clip.GetEnvelopePoint(i);
        points.push_back({point->GetKind(), point->GetStart(), point->GetEnd()});
    }
    return points;
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class AudioClipTest : public document_media::DocumentMediaTest {
protected:
    AudioClipTest() : m_temp("TMPDIR", TempFolder()) {}

    std::string TempFolder()
    {
        const std::string folder = m_folder.File("temp");
        std::filesystem::create_directories(folder);
        return folder;
    }

    std::string TenSecondMp3() { return ScriptedSound("song.mp3", 10.0, document_media::Pcm(2, 44100, 16)); }

    // A real MP3 of `seconds`, probed through FFmpeg.
    std::string RealMp3(const std::string& name, double seconds = 2.0)
    {
        return WriteSound(name, {SoundKind::Mp3, 22050, 2, seconds});
    }

    // Checks that `path` is a complete PCM WAV file of the clip's sound.
    void ExpectWavOf(const std::string& path, const AudioClip& clip)
    {
        WavFileInfo info;
        ASSERT_TRUE(media_fixtures::ReadWavFileInfo(path, info)) << path;
        EXPECT_TRUE(info.sizesAgree);
        EXPECT_EQ(info.formatTag, 1);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.sampleRate, 22050u);
        EXPECT_EQ(info.bits, 16);
        const long frames = static_cast<long>(info.dataBytes / 4);
        const long expected = static_cast<long>(clip.GetFullLength()) * 22050 / 1000;
        EXPECT_LE(std::labs(frames - expected), 1152) << frames << " frames for " << expected;
    }

    document_media::ScopedVariable m_temp;
};

TEST_F(AudioClipTest, TenSecondMp3FadesFollowTheInAndOutPoints)
{
    AudioClip clip(TenSecondMp3().c_str());
    ASSERT_TRUE(clip.IsValid());
    EXPECT_EQ(clip.GetInPoint(), 0);
    EXPECT_EQ(clip.GetOutPoint(), 10000);
    EXPECT_EQ(clip.GetFullLength(), 10000);
    EXPECT_EQ(clip.GetMediaLength(), 10000);
    EXPECT_EQ(clip.IsCompressed(), 1);
    clip.SetFadeIn(1);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{3, 0, 1000}}));
    clip.SetFadeOut(1);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{3, 0, 1000}, {4, 9000, 10000}}));
    clip.SetOutPoint(500);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{3, 0, 1000}, {4, 0, 500}}));
    clip.SetInPoint(200);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{3, 200, 500}, {4, 0, 500}}));
    EXPECT_EQ(clip.GetLength(), 300);
    EXPECT_DOUBLE_EQ(clip.GetInTime().GetSeconds(), 0.2);
    EXPECT_DOUBLE_EQ(clip.GetOutTime().GetSeconds(), 0.5);
}

TEST_F(AudioClipTest, FadesAreSetOnceAndRemovedWhenOff)
{
    AudioClip clip(TenSecondMp3().c_str());
    clip.SetFadeIn(1);
    clip.SetFadeIn(1);
    clip.SetFadeOut(1);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{3, 0, 1000}, {4, 9000, 10000}}));
    clip.SetFadeIn(0);
    EXPECT_EQ(clip.GetFadeIn(), 0);
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{4, 9000, 10000}}));
    INT found = 1;
    EXPECT_EQ(clip.FindEnvelopePoint(3, &found), 1);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(clip.FindEnvelopePoint(4, &found), 0);
    EXPECT_EQ(found, 1);
}

TEST_F(AudioClipTest, FadeOutNeverStartsBeforeZero)
{
    AudioClip clip(TenSecondMp3().c_str());
    clip.SetFadeOut(1);
    struct Case {
        INT in;
        INT out;
        Span fade;
    } const cases[] = {
        {100, 2600, {4, 1600, 2600}},
        {100, 900, {4, 100, 900}},
        {800, 300, {4, 0, 300}},
        {5000, 4500, {4, 3500, 4500}},
    };
    for (const Case& c : cases) {
        clip.SetInPoint(c.in);
        clip.SetOutPoint(c.out);
        EXPECT_EQ(PointsOf(clip), std::vector<Span>{c.fade}) << c.in << " to " << c.out;
    }
}

TEST(AudioEnvelopePoint, UnknownKindsAreStoredAsTen)
{
    const AudioEnvelopePoint fresh;
    EXPECT_EQ(fresh.GetKind(), 5);
    EXPECT_EQ(fresh.GetEnd(), 134217727);
    EXPECT_EQ(fresh.GetSegment().m_nStartLevel, 1024);
    EXPECT_FLOAT_EQ(fresh.GetSegment().m_fShape, -1.0f);
    struct Case {
        INT given;
        INT stored;
    } const cases[] = {{9, 10}, {-1, 10}, {0, 0}, {3, 3}, {8, 8}, {1000, 10}};
    for (const Case& c : cases) {
        AudioEnvelopePoint point;
        point.Set(10, 20, c.given);
        EXPECT_EQ(point.GetKind(), c.stored) << c.given;
        EXPECT_EQ(point.GetStart(), 10);
        EXPECT_EQ(point.GetEnd(), 20);
    }
}

TEST_F(AudioClipTest, EnvelopePointsInsertByPosition)
{
    AudioClip clip(TenSecondMp3().c_str());
    auto point = [](INT kind) {
        auto* made = new AudioEnvelopePoint;
        made->Set(kind, kind, kind);
        return made;
    };
    clip.AddEnvelopePoint(point(1));
    EXPECT_TRUE(clip.InsertEnvelopePoint(point(0), 0));
    EXPECT_TRUE(clip.InsertEnvelopePoint(point(2), 2));
    EXPECT_TRUE(clip.InsertEnvelopePoint(point(7), 1));
    EXPECT_FALSE(clip.InsertEnvelopePoint(point(8), 9));
    EXPECT_EQ(PointsOf(clip), (std::vector<Span>{{0, 0, 0}, {7, 7, 7}, {1, 1, 1}, {2, 2, 2}}));
    EXPECT_EQ(clip.GetEnvelopePoint(4), nullptr);
    EXPECT_EQ(clip.GetEnvelopePoint(-1), nullptr);
    AudioClip copy(clip);
    EXPECT_EQ(PointsOf(copy), PointsOf(clip));
}

TEST_F(AudioClipTest, StartOffsetMovesButNotBeforeZero)
{
    AudioClip clip(TenSecondMp3().c_str());
    struct Case {
        INT start;
        double seconds;
        INT moved;
    } const cases[] = {{3000, -5.0, 0}, {3000, 0.5, 3500}, {0, 1.25, 1250}, {3000, -3.0, 0}, {200, -0.1, 100}};
    for (const Case& c : cases) {
        clip.SetStartOffset(c.start);
        clip.OffsetStart(c.seconds, 1);
        EXPECT_EQ(clip.GetStartOffset(), c.moved) << c.start << " by " << c.seconds;
    }
}

TEST_F(AudioClipTest, SameSettingsIgnoreTheFile)
{
    AudioClip a(ScriptedSound("a.wav", 4.0, document_media::Pcm(1, 11025, 8)).c_str());
    AudioClip b(ScriptedSound("b.wav", 4.0, document_media::Pcm(2, 44100, 16)).c_str());
    EXPECT_EQ(a.IsSameSettings(b), 1);
    b.SetPanelFlag(0);
    EXPECT_EQ(a.IsSameSettings(b), 0);
    b.SetPanelFlag(1);
    b.SetRepeat(1);
    EXPECT_EQ(a.IsSameSettings(b), 0);
    AudioClip copy(b);
    EXPECT_EQ(copy.IsSameSettings(b), 1);
    EXPECT_STREQ(copy.GetSourcePath(), b.GetSourcePath());
}

TEST_F(AudioClipTest, OnlyAudioFilesThatOpenMakeValidClips)
{
    const std::string picture = m_folder.File("picture.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(picture, media_fixtures::StillKind::Bmp24, 8, 8));
    struct Case {
        const char* what;
        std::string path;
    } const cases[] = {
        {"a missing file", m_folder.File("gone.mp3")},
        {"a still", picture},
        {"a text file", Touch("notes.txt")},
        {"sound that does not decode", Touch("junk.wav", "not really a sound")},
    };
    AudioClipList list;
    for (const Case& c : cases) {
        AudioClip clip(c.path.c_str());
        EXPECT_FALSE(clip.IsValid()) << c.what;
        EXPECT_EQ(clip.GetFormat(), nullptr) << c.what;
        EXPECT_STREQ(clip.GetSourcePath(), "") << c.what;
        EXPECT_EQ(list.AddFile(c.path.c_str(), nullptr, nullptr), nullptr) << c.what;
    }
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(AudioClipTest, SoundFilesAreProbedForTheirFormatAndLength)
{
    struct Case {
        const char* name;
        SoundClip clip;
        INT compressed;
        INT toleranceMs;
    } const cases[] = {
        {"tone.wav", {SoundKind::Wav16, 22050, 2, 1.5}, 0, 1},
        {"low.wav", {SoundKind::Wav8, 11025, 1, 1.0}, 0, 1},
        {"tone.mp3", {SoundKind::Mp3, 22050, 2, 2.0}, 1, 60},
    };
    for (const Case& c : cases) {
        AudioClipList list;
        INT length = -1;
        INT position = -1;
        AudioClip* clip = list.AddFile(WriteSound(c.name, c.clip).c_str(), &length, &position);
        ASSERT_NE(clip, nullptr) << c.name;
        EXPECT_EQ(position, 0) << c.name;
        EXPECT_EQ(length, clip->GetLength()) << c.name;
        const PCMWAVEFORMAT* format = clip->GetFormat();
        ASSERT_NE(format, nullptr) << c.name;
        const int bits = c.clip.kind == SoundKind::Wav8 ? 8 : 16;
        EXPECT_EQ(format->wf.wFormatTag, WAVE_FORMAT_PCM) << c.name;
        EXPECT_EQ(format->wf.nChannels, c.clip.channels) << c.name;
        EXPECT_EQ(format->wf.nSamplesPerSec, static_cast<DWORD>(c.clip.sampleRate)) << c.name;
        EXPECT_EQ(format->wBitsPerSample, bits) << c.name;
        const auto bytesPerSecond = static_cast<DWORD>(c.clip.sampleRate * c.clip.channels * bits / 8);
        EXPECT_EQ(format->wf.nAvgBytesPerSec, bytesPerSecond) << c.name;
        EXPECT_NEAR(clip->GetMediaLength(), c.clip.seconds * 1000.0, c.toleranceMs) << c.name;
        EXPECT_EQ(clip->GetOutPoint(), clip->GetMediaLength()) << c.name;
        EXPECT_EQ(clip->IsCompressed(), c.compressed) << c.name;
    }
}

TEST_F(AudioClipTest, PositionLookupTakesTheCountForTheLastClip)
{
    AudioClipList list;
    std::vector<AudioClip*> clips;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        INT position = -1;
        clips.push_back(list.AddFile(ScriptedSound(name, 2.0, document_media::Pcm(1, 8000, 8)).c_str(), nullptr,
                                     &position));
        EXPECT_EQ(position, static_cast<INT>(clips.size()) - 1);
    }
    struct Case {
        INT position;
        AudioClip* clip;
    } const cases[] = {{0, clips[0]}, {1, clips[1]}, {2, clips[2]}, {3, clips[2]}, {4, nullptr}, {-1, nullptr},
                       {1, clips[1]}, {0, clips[0]}};
    for (const Case& c : cases)
        EXPECT_EQ(list.GetAt(c.position), c.clip) << c.position;
    EXPECT_EQ(list.GetTotalLength(), 6000);

    AudioClipList one;
    one.AddCopy(*clips[1], nullptr, nullptr);
    EXPECT_NE(one.GetAt(0), nullptr);
    EXPECT_EQ(one.GetAt(0), one.GetAt(1));
    AudioClipList none;
    EXPECT_EQ(none.GetAt(0), nullptr);
    EXPECT_EQ(none.SetFadeIn(0, 1), 0);
    EXPECT_EQ(list.SetFadeIn(1, 1), 1);
    EXPECT_EQ(list.SetFadeOut(5, 1), 0);
    EXPECT_EQ(clips[1]->GetFadeIn(), 1);
}

TEST_F(AudioClipTest, CompressedClipsConvertToANewTemporaryWav)
{
    AudioClip clip(RealMp3("song.mp3").c_str());
    ASSERT_TRUE(clip.IsValid());
    ASSERT_TRUE(clip.ConvertToTempWav());
    const std::string converted = static_cast<LPCSTR>(clip.GetConvertedPath());
    EXPECT_EQ(std::filesystem::path(converted).parent_path(), std::filesystem::path(TempFolder()));
    EXPECT_EQ(std::filesystem::path(converted).filename().string().rfind("Tmp", 0), 0u);
    EXPECT_EQ(std::filesystem::path(converted).extension(), ".wav");
    ExpectWavOf(converted, clip);
    EXPECT_EQ(FilesIn(TempFolder()), std::set<std::string>{std::filesystem::path(converted).filename().string()});
    // Converted once, the clip keeps its file.
    EXPECT_TRUE(clip.ConvertToTempWav());
    EXPECT_STREQ(clip.GetConvertedPath(), converted.c_str());
    clip.DeleteConverted();
    EXPECT_STREQ(clip.GetConvertedPath(), "");
    EXPECT_FALSE(std::filesystem::exists(converted));

    AudioClip plain(WriteSound("plain.wav", {SoundKind::Wav16, 8000, 1, 0.5}).c_str());
    EXPECT_TRUE(plain.ConvertToTempWav());
    EXPECT_STREQ(plain.GetConvertedPath(), "");
}

TEST_F(AudioClipTest, ATemporaryWavThatExistsIsNeverOverwritten)
{
    AudioClip clip(RealMp3("song.mp3").c_str());
    // The temporary names are numbered one after the other: the one after
    // this probe is taken by a WAV file of someone else's.
    char probe[MAX_PATH];
    const UINT number = GetTempFileNameA(TempFolder().c_str(), "Tmp", 0, probe);
    ASSERT_NE(number, 0u);
    std::filesystem::remove(probe);
    char taken[64];
    std::snprintf(taken, sizeof taken, "Tmp%X.wav", (number + 1) & 0xFFFF);
    const std::string precious = m_folder.Write("temp/" + std::string(taken), "someone else's sound");
    ASSERT_TRUE(clip.ConvertToTempWav());
    EXPECT_NE(std::string(clip.GetConvertedPath()), precious);
    EXPECT_EQ(testing_support::ReadFile(precious), "someone else's sound");
    ExpectWavOf(static_cast<LPCSTR>(clip.GetConvertedPath()), clip);
}

TEST_F(AudioClipTest, ConversionIntoAFolderNumbersTheName)
{
    const std::string folder = m_folder.File("converted");
    std::filesystem::create_directories(folder);
    m_folder.Write("converted/song_mp3.wav", "first");
    m_folder.Write("converted/song_mp3_01.wav", "second");
    const std::string source = RealMp3("song.mp3");
    struct Case {
        std::string folder;
        std::string name;
    } const cases[] = {
        {folder + "/", "song_mp3_02.wav"},
        {folder, "song_mp3_03.wav"},
    };
    for (const Case& c : cases) {
        AudioClip clip(source.c_str());
        ASSERT_TRUE(clip.ConvertIntoFolder(c.folder.c_str())) << c.folder;
        EXPECT_STREQ(clip.GetConvertedPath(), (folder + "/" + c.name).c_str()) << c.folder;
        ExpectWavOf(folder + "/" + c.name, clip);
    }
    EXPECT_EQ(testing_support::ReadFile(folder + "/song_mp3.wav"), "first");
    EXPECT_EQ(testing_support::ReadFile(folder + "/song_mp3_01.wav"), "second");

    AudioClip elsewhere(source.c_str());
    ASSERT_TRUE(elsewhere.ConvertIntoFolder(m_folder.File("no/such/folder").c_str()));
    EXPECT_EQ(std::filesystem::path(static_cast<LPCSTR>(elsewhere.GetConvertedPath())).parent_path(),
              std::filesystem::path(TempFolder()));
}

TEST_F(AudioClipTest, AStoppedConversionFailsAndLeavesNoWav)
{
    const std::string folder = m_folder.File("converted");
    std::filesystem::create_directories(folder);
    m_folder.Write("converted/other.wav", "kept");
    const std::string source = RealMp3("long.mp3", 3.0);
    HANDLE stop = CreateEventA(nullptr, TRUE, TRUE, AUDIO_CONVERSION_STOP_EVENT);
    AudioClip intoFolder(source.c_str());
    EXPECT_FALSE(intoFolder.ConvertIntoFolder(folder.c_str()));
    EXPECT_STREQ(intoFolder.GetConvertedPath(), "");
    AudioClip intoTemp(source.c_str());
    EXPECT_FALSE(intoTemp.ConvertToTempWav());
    EXPECT_STREQ(intoTemp.GetConvertedPath(), "");
    CloseHandle(stop);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"other.wav"});
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

// Sections of one clip on track 0.
class ClipKeysTest : public AudioClipTest {
protected:
    std::unique_ptr<AudioClipList> Load(const std::vector<Entry>& entries, INT track = 0)
    {
        CProfile profile;
        document_media::PutEntries(profile, kSection, entries);
        return std::make_unique<AudioClipList>("", &profile, kSection, track);
    }
};

TEST_F(ClipKeysTest, StoredVolumesAreHeldToTheirRange)
{
    const std::string path = TenSecondMp3();
    struct Case {
        const char* stored;
        INT volume;
    } const cases[] = {{"2000", 1024}, {"-5", 0}, {"700", 700}, {"loud", 0}};
    for (const Case& c : cases) {
        auto list = Load({{1133, path}, {1140, c.stored}});
        ASSERT_EQ(list->GetCount(), 1) << c.stored;
        EXPECT_EQ(list->GetAt(0)->GetVolume(), c.volume) << c.stored;
    }
}

TEST_F(ClipKeysTest, StoredFadePointsReadBackAsWritten)
{
    const std::string path = TenSecondMp3();
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        std::vector<Span> points;
    } const cases[] = {
        {"a fade-in point", {{1133, path}, {1137, "1"}, {1147, " 0 1000 3"}}, {{3, 0, 1000}}},
        {"two numbers", {{1133, path}, {1137, "1"}, {1147, " 5 700"}}, {{0, 5, 700}}},
        {"more numbers", {{1133, path}, {1137, "1"}, {1147, "  1 2 3 4 5"}}, {{3, 1, 2}}},
        {"a flag without its point", {{1133, path}, {1136, "8000"}, {1138, "1"}}, {{4, 7000, 8000}}},
        {"a point without its flag", {{1133, path}, {1147, " 0 1000 3"}}, {}},
        {"both", {{1133, path}, {1137, "1"}, {1138, "1"}, {1147, " 0 900 3"}, {1148, " 9000 10000 4"}},
         {{3, 0, 900}, {4, 9000, 10000}}},
    };
    for (const Case& c : cases) {
        auto list = Load(c.entries);
        ASSERT_EQ(list->GetCount(), 1) << c.what;
        EXPECT_EQ(PointsOf(*list->GetAt(0)), c.points) << c.what;
    }
}

TEST_F(ClipKeysTest, MissingFilesGoToTheSearchAndLeaveTheTrackEmpty)
{
    const std::string gone = m_folder.File("gone.mp3");
    auto list = Load({{1134, gone}}, 1);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(m_shell.Events("search"), std::vector<std::string>{"search " + gone + " 10"});
    const std::string found = TenSecondMp3();
    m_shell.m_replacements[gone] = found;
    list = Load({{1134, gone}}, 1);
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_STREQ(list->GetAt(0)->GetSourcePath(), found.c_str());
    EXPECT_EQ(Load({{1400, found, "_6"}}, 6)->GetCount(), 0);
    EXPECT_EQ(Load({{1133, found}}, -1)->GetCount(), 0);
    EXPECT_EQ(Load({{1133, ""}})->GetCount(), 0);
}

TEST_F(ClipKeysTest, EachTrackWritesItsOwnNames)
{
    const std::string path = TenSecondMp3();
    AudioClipList list;
    AudioClip* clip = list.AddFile(path.c_str(), nullptr, nullptr);
    clip->SetInPoint(1000);
    clip->SetOutPoint(9000);
    clip->SetFadeIn(1);
    clip->SetVolume(512);
    clip->SetStartOffset(250);
    struct Case {
        INT track;
        UINT pathKey;
        UINT inKey;
        UINT outKey;
        UINT fadeInPointKey;
        std::string suffix;
    } const cases[] = {
        {0, 1133, 1135, 1136, 1147, ""},
        {1, 1134, 1142, 1141, 1149, ""},
        {2, 1400, 1401, 1402, 1408, "_2"},
        {5, 1400, 1401, 1402, 1408, "_5"},
    };
    for (const Case& c : cases) {
        CProfile profile;
        list.Save(m_folder.Path().c_str(), &profile, kSection, c.track);
        EXPECT_EQ(document_media::ValueOf(profile, kSection, c.pathKey, c.suffix), "$\\song.mp3") << c.track;
        EXPECT_EQ(document_media::ValueOf(profile, kSection, c.inKey, c.suffix), "1000") << c.track;
        EXPECT_EQ(document_media::ValueOf(profile, kSection, c.outKey, c.suffix), "9000") << c.track;
        EXPECT_EQ(document_media::ValueOf(profile, kSection, c.fadeInPointKey, c.suffix), " 1000 2000 3") << c.track;
        AudioClipList back(m_folder.Path().c_str(), &profile, kSection, c.track);
        ASSERT_EQ(back.GetCount(), 1) << c.track;
        EXPECT_EQ(back.GetAt(0)->IsSameSettings(*clip), 1) << c.track;
        EXPECT_EQ(PointsOf(*back.GetAt(0)), PointsOf(*clip)) << c.track;
    }
    CProfile untouched;
    list.Save("", &untouched, kSection, 6);
    AudioClipList().Save("", &untouched, kSection, 0);
    EXPECT_FALSE(untouched.HasSection(kSection));
}

} // namespace
