#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DocumentMediaSupport.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/SceneAudio.h"

namespace {

using document_media::Entry;
using document_media::Pcm;

constexpr char kSection[] = "Scene0";

class SceneAudioTest : public document_media::DocumentMediaTest {
protected:
    // A track list of one clip of a scripted sound file.
    std::unique_ptr<AudioClipList> Track(const std::string& name, const WAVEFORMATEX& format = Pcm(2, 22050, 16))
    {
        auto list = std::make_unique<AudioClipList>();
        EXPECT_NE(list->AddFile(ScriptedSound(name, 10.0, format).c_str(), nullptr, nullptr), nullptr) << name;
        return list;
    }

    std::vector<std::string> Paths(const SceneAudio& audio)
    {
        CStringList list;
        audio.CollectPaths(&list);
        std::vector<std::string> paths;
        for (POSITION at = list.GetHeadPosition(); at != nullptr;)
            paths.push_back(static_cast<LPCSTR>(list.GetNext(at)));
        return paths;
    }
};

TEST_F(SceneAudioTest, OnlyChangedSettingsOrTracksAreCustomAudio)
{
    auto track = Track("a.mp3");
    struct Case {
        const char* what;
        void (*change)(SceneAudio&, const AudioClipList&);
        INT custom;
    } const cases[] = {
        {"the defaults", [](SceneAudio&, const AudioClipList&) {}, 0},
        {"a track flag", [](SceneAudio& audio, const AudioClipList&) { audio.SetTrackFlag(3, 1); }, 0},
        {"volume 1023", [](SceneAudio& audio, const AudioClipList&) { audio.SetVolume(1023); }, 1},
        {"a fade-in", [](SceneAudio& audio, const AudioClipList&) { audio.SetFadeIn(1); }, 1},
        {"own sound off", [](SceneAudio& audio, const AudioClipList&) { audio.SetSoundOn(0); }, 1},
        {"a track", [](SceneAudio& audio, const AudioClipList& list) { audio.SetTrack(4, &list); }, 1},
    };
    for (const Case& c : cases) {
        SceneAudio audio;
        c.change(audio, *track);
        EXPECT_EQ(audio.HasCustomAudio(), c.custom) << c.what;
    }
}

TEST_F(SceneAudioTest, TracksAreCopiesOfTheCallersLists)
{
    SceneAudio audio;
    auto list = Track("a.mp3");
    audio.SetTrack(2, list.get());
    ASSERT_NE(audio.GetTrack(2), nullptr);
    EXPECT_NE(audio.GetTrack(2), list.get());
    list->GetAt(0)->SetVolume(100);
    EXPECT_EQ(audio.GetTrack(2)->GetAt(0)->GetVolume(), 1024);
    EXPECT_EQ(audio.GetTrackCount(), 1);
    EXPECT_EQ(audio.HasTrack(2), 1);
    AudioClipList empty;
    audio.SetTrack(2, &empty);
    EXPECT_EQ(audio.GetTrack(2), nullptr);
    audio.SetTrack(1, list.get());
    audio.SetTrack(1, nullptr);
    EXPECT_EQ(audio.GetTrackCount(), 0);
    audio.SetTrack(6, list.get());
    audio.SetTrack(-1, list.get());
    EXPECT_EQ(audio.GetTrackCount(), 0);
    EXPECT_EQ(audio.GetTrack(6), nullptr);
    EXPECT_EQ(audio.HasTrack(-1), 0);
}

TEST_F(SceneAudioTest, CopiesAndAssignmentsOwnTheirTracks)
{
    SceneAudio source;
    source.SetVolume(300);
    source.SetTrackFlag(5, 1);
    source.SetTrack(0, Track("a.mp3").get());
    SceneAudio copy(source);
    EXPECT_EQ(copy.Equals(source), 1);
    EXPECT_NE(copy.GetTrack(0), source.GetTrack(0));
    EXPECT_EQ(copy.GetTrackFlag(5), 1);

    SceneAudio assigned;
    assigned.SetTrack(3, Track("b.mp3").get());
    assigned = source;
    EXPECT_EQ(assigned.GetTrack(3), nullptr);
    ASSERT_NE(assigned.GetTrack(0), nullptr);
    EXPECT_NE(assigned.GetTrack(0), source.GetTrack(0));
    EXPECT_EQ(assigned.GetVolume(), 300);
    assigned = assigned;
    EXPECT_EQ(assigned.Equals(source), 1);
    assigned.Reset();
    EXPECT_EQ(assigned.HasCustomAudio(), 0);
    EXPECT_EQ(assigned.GetTrackFlag(5), 0);
}

TEST_F(SceneAudioTest, EqualSettingsOfDifferentFilesCompareEqual)
{
    SceneAudio a;
    SceneAudio b;
    a.SetTrack(0, Track("a.mp3").get());
    EXPECT_EQ(a.Equals(b), 0);
    b.SetTrack(0, Track("b.wav", Pcm(1, 11025, 8)).get());
    EXPECT_EQ(a.Equals(b), 1);
    b.GetTrack(0)->GetAt(0)->SetStartOffset(10);
    EXPECT_EQ(a.Equals(b), 0);
    b.GetTrack(0)->GetAt(0)->SetStartOffset(0);
    b.SetTrackFlag(0, 1);
    EXPECT_EQ(a.Equals(b), 1);
}

TEST_F(SceneAudioTest, RelinkingIgnoresLetterCase)
{
    SceneAudio audio;
    audio.SetTrack(0, Track("Song.mp3").get());
    audio.SetTrack(4, Track("other.mp3").get());
    const std::string song = m_folder.File("Song.mp3");
    std::string shouted = song;
    shouted.replace(shouted.size() - 8, 8, "SONG.MP3");
    EXPECT_EQ(audio.RelinkMediaPath(shouted.c_str(), "/new/song.mp3"), 1);
    EXPECT_EQ(Paths(audio), (std::vector<std::string>{"/new/song.mp3", m_folder.File("other.mp3")}));
    EXPECT_EQ(audio.RelinkMediaPath(shouted.c_str(), "/newer/song.mp3"), 0);
}

TEST_F(SceneAudioTest, MaxByteRateComesFromTheTracksLastClips)
{
    SceneAudio audio;
    DWORD rate = 0;
    EXPECT_EQ(audio.GetMaxByteRate(&rate), 0);
    EXPECT_EQ(rate, 0u);
    audio.SetTrack(1, Track("stereo.wav", Pcm(2, 22050, 16)).get());
    audio.SetTrack(3, Track("mono.wav", Pcm(1, 11025, 8)).get());
    EXPECT_EQ(audio.GetMaxByteRate(&rate), 1);
    EXPECT_EQ(rate, 88200u);
    rate = 100000;
    EXPECT_EQ(audio.GetMaxByteRate(&rate), 1);
    EXPECT_EQ(rate, 100000u);
}

TEST_F(SceneAudioTest, ServicesReachEveryTrack)
{
    SceneAudio audio;
    audio.SetTrack(0, Track("a.mp3").get());
    audio.SetTrack(5, Track("b.mp3").get());
    audio.GetTrack(5)->GetAt(0)->SetStartOffset(3000);
    audio.OffsetStarts(-1.0, 1);
    EXPECT_EQ(audio.GetTrack(0)->GetAt(0)->GetStartOffset(), 0);
    EXPECT_EQ(audio.GetTrack(5)->GetAt(0)->GetStartOffset(), 2000);
    EXPECT_EQ(audio.AllFilesExist(), 1);
    std::filesystem::remove(m_folder.File("b.mp3"));
    EXPECT_EQ(audio.AllFilesExist(), 0);
    EXPECT_EQ(SceneAudio().AllFilesExist(), 1);
    EXPECT_EQ(Paths(SceneAudio()).size(), 0u);
}

TEST_F(SceneAudioTest, OwnSoundOffIsWrittenInverted)
{
    SceneAudio audio;
    audio.SetSoundOn(0);
    CProfile profile;
    audio.Save("", &profile, kSection);
    EXPECT_EQ(document_media::ValueOf(profile, kSection, SceneAudio::kKeySoundOff), "1");
    EXPECT_EQ(document_media::ValueOf(profile, kSection, SceneAudio::kKeyHasTracks), "0");
    EXPECT_EQ(document_media::ValueOf(profile, kSection, SceneAudio::kKeyTrackFlag, "_5"), "0");
}

TEST_F(SceneAudioTest, SectionsLoadToTheirValues)
{
    const std::string clip = ScriptedSound("a.mp3", 10.0, Pcm(2, 22050, 16));
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        INT soundOn;
        INT volume;
        INT fadeIn;
        INT tracks;
        INT flag3;
    } const cases[] = {
        {"an empty section", {}, 1, 0, 0, 0, 0},
        {"sound off", {{1131, "1"}, {1132, "1024"}}, 0, 1024, 0, 0, 0},
        {"any nonzero is on", {{1131, "7"}, {1128, "-2"}, {1151, "9", "_3"}}, 0, 0, 1, 0, 1},
        {"a volume past unity", {{1132, "5000"}}, 1, 1024, 0, 0, 0},
        {"a negative volume", {{1132, "-40"}}, 1, 0, 0, 0, 0},
        {"words", {{1131, "off"}, {1132, "loud"}, {1130, "yes"}, {1133, clip}}, 1, 0, 0, 0, 0},
        {"tracks switched off", {{1132, "512"}, {1130, "0"}, {1133, clip}}, 1, 512, 0, 0, 0},
        {"tracks switched on", {{1130, "1"}, {1133, clip}, {1400, clip, "_4"}}, 1, 0, 0, 2, 0},
    };
    for (const Case& c : cases) {
        CProfile profile;
        document_media::PutEntries(profile, kSection, c.entries);
        SceneAudio audio;
        audio.SetTrack(3, Track("held.mp3").get());
        audio.Load("", &profile, kSection);
        EXPECT_EQ(audio.GetSoundOn(), c.soundOn) << c.what;
        EXPECT_EQ(audio.GetVolume(), c.volume) << c.what;
        EXPECT_EQ(audio.GetFadeIn(), c.fadeIn) << c.what;
        EXPECT_EQ(audio.GetTrackCount(), c.tracks) << c.what;
        EXPECT_EQ(audio.GetTrack(3), nullptr) << c.what;
        EXPECT_EQ(audio.GetTrackFlag(3), c.flag3) << c.what;
    }
}

TEST_F(SceneAudioTest, SixTracksComeBackThroughTheDocument)
{
    const std::string documentFolder = m_folder.File("docs");
    SceneAudio audio;
    audio.SetVolume(700);
    audio.SetFadeIn(1);
    audio.SetSoundOn(0);
    for (INT track = 0; track < SceneAudio::kTrackCount; ++track) {
        auto list = Track("sounds/track" + std::to_string(track) + ".mp3");
        AudioClip* clip = list->GetAt(0);
        clip->SetInPoint(100 * track);
        clip->SetOutPoint(9000 - 100 * track);
        clip->SetFadeIn(track % 2);
        clip->SetFadeOut(track % 3 == 0 ? 1 : 0);
        clip->SetRepeat(track == 4);
        clip->SetVolume(1000 - track);
        clip->SetStartOffset(250 * track);
        audio.SetTrack(track, list.get());
        audio.SetTrackFlag(track, track % 2);
    }
    CProfile profile;
    audio.Save(documentFolder.c_str(), &profile, kSection);
    EXPECT_EQ(document_media::ValueOf(profile, kSection, 1400, "_3"), "$\\..\\sounds\\track3.mp3");

    CProfile reloaded;
    RoundTrip(profile, reloaded);
    SceneAudio back;
    back.Load(documentFolder.c_str(), &reloaded, kSection);
    EXPECT_EQ(back.Equals(audio), 1);
    EXPECT_EQ(back.GetTrackCount(), 6);
    for (INT track = 0; track < SceneAudio::kTrackCount; ++track) {
        AudioClip* original = audio.GetTrack(track)->GetAt(0);
        AudioClip* loaded = back.GetTrack(track)->GetAt(0);
        EXPECT_STREQ(loaded->GetSourcePath(), original->GetSourcePath()) << track;
        EXPECT_EQ(loaded->IsSameSettings(*original), 1) << track;
        EXPECT_EQ(loaded->GetEnvelopePointCount(), original->GetEnvelopePointCount()) << track;
        EXPECT_EQ(back.GetTrackFlag(track), track % 2) << track;
    }
    EXPECT_EQ(back.GetVolume(), 700);
    EXPECT_EQ(back.GetSoundOn(), 0);
    EXPECT_TRUE(m_shell.Events("message").empty());
}

TEST_F(SceneAudioTest, ConvertedFilesOfTheTracksAreDeleted)
{
    SceneAudio audio;
    auto list = std::make_unique<AudioClipList>();
    AudioClip* clip = list->AddFile(WriteSound("song.mp3", {media_fixtures::SoundKind::Mp3, 22050, 2, 1.0}).c_str(),
                                    nullptr, nullptr);
    ASSERT_NE(clip, nullptr);
    ASSERT_TRUE(clip->ConvertIntoFolder(m_folder.Path().c_str()));
    const std::string converted = static_cast<LPCSTR>(clip->GetConvertedPath());
    EXPECT_TRUE(std::filesystem::exists(converted));
    audio.SetTrack(2, list.get());
    audio.DeleteConvertedFiles();
    EXPECT_FALSE(std::filesystem::exists(converted));
    EXPECT_STREQ(audio.GetTrack(2)->GetAt(0)->GetConvertedPath(), "");
}

} // namespace
