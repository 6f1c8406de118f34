#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DocumentMediaSupport.h"
#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/Material.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneRenderLayer.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Media/FrameReader.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"

namespace {

using document_media::Pcm;
using document_media::Seconds;
using media_tests::ColorOfFrame;
using media_tests::FramePtr;
using media_tests::PixelAt;

constexpr char kSection[] = "Scene0";

// A picture reader of numbered frames that reports its frame rate, as the
// DirectShow reader of a video file does.
class VideoReader : public media_tests::NumberedReader {
public:
    VideoReader(int width, int height, double fps, int frames, bool audio)
        : NumberedReader(width, height, fps, frames, audio)
    {
        m_dFrameRate = fps;
    }
};

// A source whose frames are scripted: every frame has a 16-bit audio block
// whose samples are all 1024 (or none), and frame `endAt` comes with the
// end flag.
class ScriptedFrames : public CMediaSource {
public:
    ScriptedFrames(bool audio, int endAt) : m_bAudio(audio), m_nEndAt(endAt) { m_tLength.SetSeconds(10.0); }
    MediaFrame* GetFrame(INT* end, INT, INT wantAudio, WAVEFORMATEX* format) override
    {
        auto frame = std::make_unique<MediaFrame>();
        if (wantAudio && m_bAudio && format != nullptr) {
            frame->m_pAudio = new CWaveBuffer(m_tFrame, format);
            auto* samples = reinterpret_cast<SHORT*>(frame->m_pAudio->m_pData);
            for (DWORD i = 0; i < frame->m_pAudio->m_nLength / 2; ++i)
                samples[i] = 1024;
        }
        *end = m_nFrames++ == m_nEndAt ? 1 : 0;
        m_tPosition = m_tPosition + m_tFrame;
        return frame.release();
    }

    bool m_bAudio;
    int m_nEndAt;
    int m_nFrames = 0;
};

// Readers made by path for the scene tests; other paths go to the
// document tests' scripted readers.
class SceneReaders : public CMediaReaderFactory {
public:
    explicit SceneReaders(CMediaReaderFactory* fallback) : m_pFallback(fallback) {}
    CMediaSource* CreateDShowReader(LPCSTR path) override
    {
        auto found = m_makers.find(path);
        return found != m_makers.end() ? found->second() : m_pFallback->CreateDShowReader(path);
    }
    CMediaSource* CreateAviFileReader(LPCSTR path) override { return m_pFallback->CreateAviFileReader(path); }

    std::map<std::string, std::function<CMediaSource*()>> m_makers;

private:
    CMediaReaderFactory* m_pFallback;
};

// The recording shell with the application's still-length setting.
class StillSettingShell : public document_media::RecordingShell {
public:
    CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR missing) override
    {
        m_events.push_back("text " + std::string(section) + "/" + entry);
        return m_bSet ? CString(m_strStill.c_str()) : CString(missing);
    }
    INT GetDebugLevel() override { return m_nDebugLevel; }
    void WriteDebugLog(LPCSTR text) override { m_events.push_back("log " + std::string(text)); }
    bool m_bSet = false;
    std::string m_strStill;
    INT m_nDebugLevel = 0;
};

class SceneTest : public document_media::DocumentMediaTest {
protected:
    SceneTest() : m_readers(&m_factory), m_installReaders(&m_readers), m_previous(CShellServices::Set(&m_settings)) {}
    ~SceneTest() override { CShellServices::Set(m_previous); }

    // A video file whose reader delivers `frames` numbered frames.
    std::string Video(const std::string& name, int width, int height, double fps, int frames, bool audio = false)
    {
        const std::string path = Touch(name);
        SetVideoLength(path, width, height, fps, frames, audio);
        return path;
    }
    void SetVideoLength(const std::string& path, int width, int height, double fps, int frames, bool audio = false)
    {
        m_readers.m_makers[path] = [=] { return new VideoReader(width, height, fps, frames, audio); };
    }
    std::string Scripted(const std::string& name, bool audio, int endAt)
    {
        const std::string path = Touch(name);
        m_readers.m_makers[path] = [=] {
            auto* source = new ScriptedFrames(audio, endAt);
            return source;
        };
        return path;
    }

    // Scene `dv` (720 x 576 at 25 frames per second, 48 kHz stereo sound)
    // from `in` for `duration` seconds, with a text effect keyed at `key0`
    // and `key3` (the thumbnail's time too) and two audio tracks, comes
    // back equal from a storyboard file, and its reader hands out three
    // frames and sound blocks of the output's sizes.
    void CheckDvSceneRoundTripsAndReads(const std::string& dv, double in, double duration, double key0, double key3)
    {
        Scene scene(dv.c_str());
        scene.SetInPoint(Seconds(in));
        scene.SetDuration(Seconds(duration));
        TextEffect text;
        text.SetTextUtf8("Holiday");
        text.SetKeyTime(Seconds(key0), 0);
        text.SetKeyTime(Seconds(key3), 3);
        scene.SetTextEffect(text);
        for (INT track : {0, 3}) {
            AudioClipList list;
            ASSERT_NE(list.AddFile(ScriptedSound("media/track" + std::to_string(track) + ".wav", 8.0, Pcm(2, 48000, 16)).c_str(),
                                   nullptr, nullptr),
                      nullptr);
            scene.GetAudio()->SetTrack(track, &list);
        }
        scene.GetAudio()->SetVolume(700);
        scene.SetThumbnailTime(key3);

        CProfile profile;
        scene.Save(m_folder.Path().c_str(), &profile, kSection);
        CProfile reloaded;
        RoundTrip(profile, reloaded);
        Scene loaded(m_folder.Path().c_str(), &reloaded, kSection);

        EXPECT_EQ(loaded.GetMediaKind(), Scene::kMediaVideo);
        EXPECT_STREQ(loaded.GetMediaPath(), dv.c_str());
        EXPECT_EQ(loaded.GetInPoint(), scene.GetInPoint());
        EXPECT_EQ(loaded.GetOutPoint(), scene.GetOutPoint());
        EXPECT_EQ(loaded.GetThumbnailTime().GetMilliseconds(), std::lround(key3 * 1000));
        EXPECT_EQ(loaded.GetThumbnailEffects(), Scene::kThumbText);
        ASSERT_NE(loaded.GetTextEffect(), nullptr);
        EXPECT_EQ(loaded.GetTextEffect()->GetTextUtf8(), "Holiday");
        EXPECT_EQ(loaded.GetTextEffect()->GetKeyTime3().GetMilliseconds(), std::lround(key3 * 1000));
        EXPECT_EQ(loaded.GetAudio()->GetTrackCount(), 2);
        EXPECT_EQ(loaded.GetAudio()->Equals(*scene.GetAudio()), 1);
        EXPECT_TRUE(m_settings.Events("message").empty());

        const WAVEFORMATEX format = Pcm(2, 48000, 16);
        ASSERT_EQ(loaded.OpenReader(CGfxSize(720, 576), 25.0), 1);
        for (int i = 0; i < 3; ++i) {
            FramePtr frame(loaded.GetFrame(1, 1, &format, 1024));
            ASSERT_NE(frame, nullptr);
            ASSERT_NE(frame->m_pImage, nullptr);
            EXPECT_EQ(media_tests::WidthOf(frame->m_pImage), 720);
            EXPECT_EQ(media_tests::HeightOf(frame->m_pImage), 576);
            ASSERT_NE(frame->m_pAudio, nullptr);
            // 1 / 25 s of 48 kHz 16-bit stereo.
            EXPECT_EQ(frame->m_pAudio->m_nLength, 7680u);
        }
        EXPECT_NEAR(loaded.GetPlayPosition(), 3 / 25.0, 1e-6);
        loaded.CloseReader();
        EXPECT_EQ(loaded.GetReader(), nullptr);
    }

    SceneReaders m_readers;
    media_tests::ScopedReaderFactory m_installReaders;
    StillSettingShell m_settings;
    CShellServices* m_previous;
};

TEST_F(SceneTest, ColourScenesLastTheStillSettingOrFiveSecondsWithoutIt)
{
    struct Case {
        bool set;
        const char* value;
        double seconds;
    } const cases[] = {{false, "", 5.0}, {true, "", 5.0}, {true, "2.5", 2.5}, {true, "0", 0.0}, {true, "junk", 0.0}};
    for (const Case& c : cases) {
        m_settings.m_bSet = c.set;
        m_settings.m_strStill = c.value;
        Scene scene(RGB(10, 20, 30));
        ASSERT_TRUE(scene.IsValid()) << c.value;
        EXPECT_EQ(scene.GetMediaKind(), Scene::kMediaColor);
        EXPECT_DOUBLE_EQ(scene.GetDuration().GetSeconds(), c.seconds) << c.value;
        EXPECT_EQ(scene.GetMaterial()->GetColor(), RGB(10, 20, 30));
    }
    EXPECT_EQ(m_settings.Events("text").front(), "text General Options/StillImageDuration");
}

TEST_F(SceneTest, MediaPathsMakeTheMaterialOfTheirType)
{
    const std::string still = m_folder.File("picture.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(still, media_fixtures::StillKind::Bmp24, 64, 48));
    struct Case {
        std::string path;
        INT kind;
        INT missing;
    } const cases[] = {
        {Video("clip.avi", 64, 48, 25.0, 50), Scene::kMediaVideo, 0},
        {still, Scene::kMediaStill, 0},
        {Touch("notes.xyz"), Scene::kMediaNone, 1},
        {Touch("noextension"), Scene::kMediaNone, 0},
        {Touch("song.wav"), Scene::kMediaNone, 0},
    };
    for (const Case& c : cases) {
        Scene scene(c.path.c_str());
        EXPECT_EQ(scene.GetMediaKind(), c.kind) << c.path;
        EXPECT_EQ(scene.IsMediaMissing(), c.missing) << c.path;
        EXPECT_EQ(scene.IsValid(), c.kind != Scene::kMediaNone) << c.path;
    }
    Scene video(cases[0].path.c_str());
    EXPECT_DOUBLE_EQ(video.GetDuration().GetSeconds(), 2.0);
    EXPECT_DOUBLE_EQ(video.GetFrameRate(), 25.0);
    EXPECT_EQ(video.GetDurationFrames(), 50);
    EXPECT_EQ(video.GetMediaDepth(), 24);
    Scene picture(still.c_str());
    EXPECT_DOUBLE_EQ(picture.GetDuration().GetSeconds(), 5.0);
}

TEST_F(SceneTest, AScenelessSceneAnswersNeutrally)
{
    Scene scene(static_cast<Material*>(nullptr));
    EXPECT_FALSE(scene.IsValid());
    EXPECT_EQ(scene.GetMediaPath(), nullptr);
    EXPECT_DOUBLE_EQ(scene.GetFrameRate(), 15.0);
    EXPECT_EQ(scene.HasAudio(), 1);
    EXPECT_EQ(scene.GetInFrame(), 0);
    EXPECT_EQ(scene.GetThumbnail(), nullptr);
    EXPECT_EQ(scene.OpenReader(CGfxSize(320, 240), 25.0), 0);
    EXPECT_EQ(scene.GetFrame(1, 1, nullptr, 1024), nullptr);
    EXPECT_EQ(scene.SeekReader(Seconds(1.0)), 0);
    scene.SetInPoint(Seconds(1.0));
    scene.SetDuration(Seconds(1.0));
    CProfile profile;
    scene.Save("", &profile, kSection);
    EXPECT_EQ(document_media::ValueOf(profile, kSection, Scene::kKeyMediaKind), "");
}

// A DV clip of ten seconds through a scripted reader, from 2 s for 6 s.
TEST_F(SceneTest, ADvSceneWithTextAndTwoTracksRoundTripsAndReads)
{
    CheckDvSceneRoundTripsAndReads(Video("media/dv-clip.avi", 720, 576, 25.0, 250, true), 2.0, 6.0, 0.5, 3.0);
}

// The scene tests over a real DV file: the DirectShow grab reader, with the
// plug-in modules it builds its graphs with registered in the test's own
// registry.
class DvFileSceneTest : public SceneTest {
protected:
    static void SetUpTestSuite()
    {
        for (const char* module : {"Grabwell", "Reverbix", "Switcher"})
            ASSERT_EQ(graph_test::CallModule(module, "DllRegisterServer"), S_OK) << module;
    }

    // A type-2 PAL DV AVI of `frames` frames with 48 kHz stereo sound, read
    // by the program's own reader.
    std::string DvFile(const std::string& name, int frames)
    {
        const std::string path = m_folder.File(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(playback_test::WriteDvAvi(path, 2, frames, true));
        m_readers.m_makers[path] = [path] { return CMediaReaderFactory().CreateDShowReader(path.c_str()); };
        return path;
    }
};

// The same as above over a real DV AVI of ten frames (0.4 s).
TEST_F(DvFileSceneTest, ARealDvSceneWithTextAndTwoTracksRoundTripsAndReads)
{
    const std::string dv = DvFile("media/dv-clip.avi", 10);
    {
        Scene scene(dv.c_str());
        ASSERT_EQ(scene.GetMediaKind(), Scene::kMediaVideo);
        EXPECT_EQ(scene.IsMediaMissing(), 0);
        EXPECT_DOUBLE_EQ(scene.GetFrameRate(), 25.0);
        EXPECT_EQ(scene.GetDurationFrames(), 10);
    }
    CheckDvSceneRoundTripsAndReads(dv, 0.08, 0.24, 0.04, 0.2);
}

TEST_F(SceneTest, AnOutPointBeyondAShortenedFileIsClampedWithOneMessage)
{
    const std::string path = Video("clip.avi", 64, 48, 25.0, 250);
    Scene scene(path.c_str());
    scene.SetInPoint(Seconds(2.0));
    scene.SetDuration(Seconds(8.0));
    CProfile profile;
    scene.Save("", &profile, kSection);

    SetVideoLength(path, 64, 48, 25.0, 100);
    Scene loaded("", &profile, kSection);
    EXPECT_DOUBLE_EQ(loaded.GetOutPoint().GetSeconds(), 4.0);
    EXPECT_DOUBLE_EQ(loaded.GetInPoint().GetSeconds(), 2.0);
    EXPECT_EQ(m_settings.Events("message").size(), 1u);
    EXPECT_EQ(loaded.IsMediaMissing(), 0);

    // Both ends beyond: the in point goes back to the start, still one
    // message per load.
    SetVideoLength(path, 64, 48, 25.0, 25);
    Scene shorter("", &profile, kSection);
    EXPECT_DOUBLE_EQ(shorter.GetInPoint().GetSeconds(), 0.0);
    EXPECT_DOUBLE_EQ(shorter.GetOutPoint().GetSeconds(), 1.0);
    EXPECT_EQ(m_settings.Events("message").size(), 2u);
}

TEST_F(SceneTest, MissingOrDamagedKeysLoadToDefaults)
{
    Scene scene(RGB(1, 2, 3));
    EXPECT_EQ(scene.Load("", nullptr, kSection), 0);
    CProfile profile;
    profile.SetValue(kSection, "Unrelated", "1");
    EXPECT_EQ(scene.Load("", &profile, kSection), 0);
    EXPECT_EQ(scene.GetMaterial()->GetColor(), RGB(1, 2, 3));

    document_media::PutEntries(profile, "Damaged",
                               {{Scene::kKeyMediaKind, "Bogus"}, {Scene::kKeyThumbnailTime, "not a time"},
                                {Scene::kKeyThumbnailEffects, "x"}, {1039, "7"}, {1038, "1"}});
    EXPECT_EQ(scene.Load("", &profile, "Damaged"), 1);
    EXPECT_FALSE(scene.IsValid());
    EXPECT_EQ(scene.GetThumbnailEffects(), 0u);
    EXPECT_EQ(scene.GetMotionEffect(), nullptr);

    document_media::PutEntries(profile, "Video", {{Scene::kKeyMediaKind, "VIDEO"}});
    EXPECT_EQ(scene.Load("", &profile, "Video"), 1);
    EXPECT_EQ(scene.GetMediaKind(), Scene::kMediaVideo);
    EXPECT_EQ(scene.GetThumbnail(), nullptr);
    EXPECT_EQ(scene.IsMediaMissing(), 1);
}

// Every entry of saved scenes (a video with a text effect, an overlay and
// a track; a still; a colour) damaged or emptied in turn: each loads.
TEST_F(SceneTest, EveryDamagedEntryLoadsWithoutHarm)
{
    const std::string video = Video("clip.avi", 64, 48, 10.0, 100, true);
    const std::string stillPath = m_folder.File("picture.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(stillPath, media_fixtures::StillKind::Bmp24, 16, 16));
    Scene full(video.c_str());
    full.SetTextEffect(TextEffect());
    full.SetMotionEffect(MotionEffect());
    full.SetOverlayMedia(video.c_str());
    AudioClipList list;
    ASSERT_NE(list.AddFile(ScriptedSound("track.wav", 4.0, Pcm(2, 22050, 16)).c_str(), nullptr, nullptr), nullptr);
    full.GetAudio()->SetTrack(2, &list);
    CProfile saved;
    full.Save("", &saved, kSection);
    Scene(stillPath.c_str()).Save("", &saved, "Still");
    Scene(RGB(1, 2, 3)).Save("", &saved, "Colour");

    for (CProfileSection* section = saved.GetFirstSection(); section != nullptr; section = section->m_pNext) {
        for (CProfileEntry* entry = section->m_pFirstEntry; entry != nullptr; entry = entry->m_pNext) {
            for (const char* damage : {"", "\xff-1e999 99:99:99.999"}) {
                CProfile profile;
                for (CProfileSection* copy = saved.GetFirstSection(); copy != nullptr; copy = copy->m_pNext) {
                    for (CProfileEntry* e = copy->m_pFirstEntry; e != nullptr; e = e->m_pNext)
                        profile.SetValue(copy->m_strName.c_str(), e->m_strName.c_str(),
                                         e == entry ? damage : e->m_strValue.c_str());
                }
                {
                    const std::string own = section->m_strName;
                    Scene scene("", &profile, own == "Still" || own == "Colour" ? own.c_str() : kSection);
                    scene.GetThumbnail();
                    if (scene.OpenReader(CGfxSize(16, 16), 10.0)) {
                        const WAVEFORMATEX format = Pcm(1, 8000, 8);
                        FramePtr frame(scene.GetFrame(1, 1, &format, 1024));
                    }
                    Scene copy(scene);
                    EXPECT_GE(copy.GetOverlayDepth(), 0);
                }
            }
        }
    }
}

TEST_F(SceneTest, OlderGeneratedScenesReadTheirColourAndText)
{
    CProfile profile;
    document_media::PutEntries(profile, kSection, {{Scene::kKeyMediaKind, "TextScene"}, {1092, "255"}});
    profile.SetValue(kSection, "TitleText", "Old title");
    Scene scene("", &profile, kSection);
    EXPECT_EQ(scene.GetMediaKind(), Scene::kMediaColor);
    EXPECT_EQ(scene.GetMaterial()->GetColor(), RGB(255, 0, 0));
    ASSERT_NE(scene.GetTextEffect(), nullptr);
    EXPECT_EQ(scene.GetTextEffect()->GetTextUtf8(), "Old title");
}

TEST_F(SceneTest, SceneFilesLoadOnlyWithTheirExactHeader)
{
    const std::string video = Video("clip.avi", 64, 48, 25.0, 100);
    struct Case {
        const char* type;
        const char* version;
        INT kind;
    } const cases[] = {
        {"Kestrelon Scene", "2.0", Scene::kMediaVideo},
        {"kestrelon scene", "2.0", Scene::kMediaNone},
        {"Kestrelon Scene", "1.0", Scene::kMediaNone},
        {"Storyboard", "2.0", Scene::kMediaNone},
    };
    for (const Case& c : cases) {
        CProfile file;
        document_media::PutEntries(file, "Header", {{Scene::kFileTypeKey, c.type}, {Scene::kVersionKey, c.version}});
        Scene(video.c_str()).Save(m_folder.Path().c_str(), &file, "Scene");
        const std::string path = m_folder.File("saved.scn");
        ASSERT_EQ(file.Save(path.c_str()), CProfile::kOk);
        Scene scene(path.c_str());
        EXPECT_EQ(scene.GetMediaKind(), c.kind) << c.type << " " << c.version;
        if (c.kind == Scene::kMediaVideo) {
            EXPECT_STREQ(scene.GetMediaPath(), video.c_str());
        }
    }
    Scene damaged(m_folder.Write("damaged.scn", std::string("\0\xFF[", 3)).c_str());
    EXPECT_FALSE(damaged.IsValid());
}

TEST_F(SceneTest, TheGainScalesTheReadersSound)
{
    struct Case {
        const char* what;
        INT gain;
        INT soundOn;
        SHORT sample;
    } const cases[] = {
        {"1024 is the scene's volume", 1024, 1, 512},
        {"1023", 1023, 1, 1023},
        {"1025", 1025, 1, 1025},
        {"own sound off", 1024, 0, 0},
        {"own sound off at 1025", 1025, 0, 0},
    };
    const WAVEFORMATEX format = Pcm(1, 8000, 16);
    const std::string path = Scripted("sound.avi", true, -1);
    for (const Case& c : cases) {
        Scene scene(path.c_str());
        scene.GetAudio()->SetVolume(512);
        scene.GetAudio()->SetSoundOn(c.soundOn);
        ASSERT_EQ(scene.OpenReader(CGfxSize(32, 24), 25.0), 1);
        FramePtr frame(scene.GetFrame(0, 1, &format, c.gain));
        ASSERT_NE(frame, nullptr) << c.what;
        ASSERT_NE(frame->m_pAudio, nullptr) << c.what;
        EXPECT_EQ(reinterpret_cast<const SHORT*>(frame->m_pAudio->m_pData)[0], c.sample) << c.what;
    }
}

TEST_F(SceneTest, WithoutSoundFromTheReaderAFrameGetsOneFrameOfSilence)
{
    const WAVEFORMATEX format = Pcm(2, 22050, 16);
    Scene scene(Scripted("silent.avi", false, -1).c_str());
    scene.GetAudio()->SetSoundOn(0);
    ASSERT_EQ(scene.OpenReader(CGfxSize(32, 24), 30.0), 1);
    FramePtr frame(scene.GetFrame(0, 1, &format, 2048));
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->m_pAudio, nullptr);
    const CWaveBuffer oneFrame(scene.GetReader()->GetFrameTime(), &format);
    EXPECT_EQ(frame->m_pAudio->m_nLength, oneFrame.m_nLength);
    EXPECT_EQ(std::memcmp(frame->m_pAudio->GetFormat(), &format, 16), 0);
    // Without audio wanted, none is made.
    FramePtr quiet(scene.GetFrame(0, 0, &format, 1024));
    ASSERT_NE(quiet, nullptr);
    EXPECT_EQ(quiet->m_pAudio, nullptr);
}

// Kept as the storyboard has always done it: the frame that comes with the
// end flag is not handed on.
TEST_F(SceneTest, FramesAreLoggedAboveDebugLevelThree)
{
    Scene scene(RGB(0, 0, 0));
    EXPECT_EQ(scene.GetFrame(1, 0, nullptr, 1024), nullptr);
    ASSERT_EQ(scene.OpenReader(CGfxSize(8, 8), 25.0), 1);
    for (INT level : {3, 4}) {
        m_settings.m_nDebugLevel = level;
        FramePtr frame(scene.GetFrame(1, 0, nullptr, 1024));
    }
    EXPECT_EQ(m_settings.Events("log"), (std::vector<std::string>{"log Scene::GetFrame\r\n"}));
}

TEST_F(SceneTest, AFrameThatArrivesWithTheEndFlagIsDropped)
{
    Scene scene(Scripted("ending.avi", false, 1).c_str());
    ASSERT_EQ(scene.OpenReader(CGfxSize(32, 24), 25.0), 1);
    FramePtr first(scene.GetFrame(1, 0, nullptr, 1024));
    EXPECT_NE(first, nullptr);
    FramePtr last(scene.GetFrame(1, 0, nullptr, 1024));
    EXPECT_EQ(last, nullptr);
}

TEST_F(SceneTest, ThumbnailsShowTheThumbnailTimeInsideTheScene)
{
    const std::string path = Video("clip.avi", 64, 48, 10.0, 100);
    Scene scene(path.c_str());
    scene.SetInPoint(Seconds(2.0));
    scene.SetDuration(Seconds(5.0));
    struct Case {
        double seconds;
        int frame;
        double keptSeconds;
    } const cases[] = {
        {3.0, 30, 3.0},
        // At the out point: the time one unit before it, which the reader
        // rounds to the nearest frame.
        {5.0, 50, 5.0},
        {4.96, 50, 4.96},
        {4.94, 49, 4.94},
        // Outside the scene: the in point.
        {6.0, 20, 2.0},
        {1.0, 20, 2.0},
    };
    for (const Case& c : cases) {
        scene.SetThumbnailTime(c.seconds);
        MediaFrame* thumbnail = scene.GetThumbnail();
        ASSERT_NE(thumbnail, nullptr) << c.seconds;
        EXPECT_EQ(media_tests::WidthOf(thumbnail->m_pImage), 120);
        EXPECT_EQ(media_tests::HeightOf(thumbnail->m_pImage), 90);
        EXPECT_EQ(PixelAt(thumbnail->m_pImage, 60, 45), ColorOfFrame(c.frame)) << c.seconds;
        EXPECT_DOUBLE_EQ(scene.GetThumbnailTime().GetSeconds(), c.keptSeconds);
        EXPECT_EQ(scene.GetThumbnail(), thumbnail);
    }
    MediaFrame* sized = nullptr;
    scene.DropThumbnail();
    sized = scene.GetThumbnailSized(40, 30);
    ASSERT_NE(sized, nullptr);
    EXPECT_EQ(media_tests::WidthOf(sized->m_pImage), 40);
}

TEST_F(SceneTest, AThumbnailTimeMovedToTheInPointRecomputesTheEffectFlags)
{
    Scene scene(Video("clip.avi", 64, 48, 10.0, 100).c_str());
    scene.SetColorEffect(ColorEffect());
    scene.SetTextEffect(TextEffect());
    scene.SetThumbnailTime(1.0);
    EXPECT_EQ(scene.GetThumbnailEffects(), Scene::kThumbColor | Scene::kThumbText);
    scene.RemoveTextEffect();
    scene.SetDuration(Seconds(0.5));
    ASSERT_NE(scene.GetThumbnail(), nullptr);
    EXPECT_EQ(scene.GetThumbnailTime().GetSeconds(), 0.0);
    EXPECT_EQ(scene.GetThumbnailEffects(), Scene::kThumbColor);
}

TEST_F(SceneTest, SeekingStaysBeforeTheOutPoint)
{
    Scene scene(Video("clip.avi", 64, 48, 10.0, 100).c_str());
    scene.SetInPoint(Seconds(2.0));
    scene.SetDuration(Seconds(5.0));
    ASSERT_EQ(scene.OpenReader(CGfxSize(64, 48), 10.0), 1);
    EXPECT_EQ(scene.GetReader()->m_tPosition.GetMilliseconds(), 2000);
    ASSERT_EQ(scene.SeekReader(Seconds(3.0)), 1);
    FramePtr frame(scene.GetFrame(1, 0, nullptr, 1024));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(PixelAt(frame->m_pImage, 5, 5), ColorOfFrame(30));
    EXPECT_NEAR(scene.GetPlayPosition(), 1.1, 1e-6);
    for (double past : {5.0, 7.5}) {
        ASSERT_EQ(scene.SeekReader(Seconds(past)), 1);
        EXPECT_LT(scene.GetReader()->m_tPosition.GetSeconds(), 5.0 + 1e-6) << past;
        EXPECT_NE(FramePtr(scene.GetFrame(1, 0, nullptr, 1024)), nullptr) << past;
    }
}

TEST_F(SceneTest, ThumbnailsDrawOnlyTheFlaggedEffects)
{
    Scene scene(Video("clip.avi", 64, 48, 10.0, 100).c_str());
    ColorEffect colour;
    colour.m_nRedShift = 100;
    colour.SetKeyTime(Seconds(10.0), 3);
    scene.SetColorEffect(colour);
    scene.SetThumbnailTime(2.0);
    ASSERT_NE(scene.GetThumbnail(), nullptr);
    const COLORREF drawn = PixelAt(scene.GetThumbnail()->m_pImage, 60, 45);
    EXPECT_NE(drawn, ColorOfFrame(20));

    // The same scene stored with no effect flagged for its thumbnail.
    CProfile profile;
    scene.Save("", &profile, kSection);
    document_media::PutEntries(profile, kSection, {{Scene::kKeyThumbnailEffects, "0"}});
    Scene plain("", &profile, kSection);
    ASSERT_NE(plain.GetThumbnail(), nullptr);
    EXPECT_EQ(PixelAt(plain.GetThumbnail()->m_pImage, 60, 45), ColorOfFrame(20));
    ASSERT_NE(plain.GetColorEffect(), nullptr);
}

TEST_F(SceneTest, SetInPointMovesEffectsAndTracksButSetInFrameDoesNot)
{
    const std::string path = Video("clip.avi", 64, 48, 10.0, 200);
    auto make = [&] {
        auto scene = std::make_unique<Scene>(path.c_str());
        scene->SetDuration(Seconds(10.0));
        ColorEffect colour;
        const double keys[] = {0.5, 2.0, 3.0, 9.5};
        for (int k = 0; k < 4; ++k)
            colour.SetKeyTime(Seconds(keys[k]), k);
        scene->SetColorEffect(colour);
        return scene;
    };
    auto keysOf = [](const Scene& scene) {
        std::vector<double> keys;
        for (int k = 0; k < 4; ++k)
            keys.push_back(scene.GetColorEffect()->GetKeyTime(k).GetSeconds());
        return keys;
    };

    auto byPoint = make();
    byPoint->SetInPoint(Seconds(1.0));
    EXPECT_DOUBLE_EQ(byPoint->GetInPoint().GetSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(byPoint->GetOutPoint().GetSeconds(), 10.0);
    // Moved back by a second, none below 0 nor past the 9 s left.
    EXPECT_EQ(keysOf(*byPoint), (std::vector<double>{0.0, 1.0, 2.0, 8.5}));
    EXPECT_EQ(byPoint->IsChanged(), 1);

    auto byFrame = make();
    byFrame->SetInFrame(10);
    EXPECT_DOUBLE_EQ(byFrame->GetInPoint().GetSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(byFrame->GetOutPoint().GetSeconds(), 10.0);
    EXPECT_EQ(keysOf(*byFrame), (std::vector<double>{0.5, 2.0, 3.0, 9.5}));

    // Moving the in point later than the effects pushes them to 0; the
    // duration is the limit.
    auto later = make();
    later->SetInPoint(Seconds(9.0));
    EXPECT_EQ(keysOf(*later), (std::vector<double>{0.0, 0.0, 0.0, 0.5}));
    // Stills have no in point to move.
    Scene colour(RGB(0, 0, 0));
    colour.SetInPoint(Seconds(1.0));
    EXPECT_DOUBLE_EQ(colour.GetInPoint().GetSeconds(), 0.0);
}

TEST_F(SceneTest, PassThroughKinds)
{
    auto scripted = [&](const std::string& name, DWORD fourcc) {
        const std::string path = Touch(name);
        document_media::ReaderScript script;
        script.seconds = 4.0;
        script.width = 64;
        script.height = 48;
        script.subtypeResult = 1;
        script.subtype.Data1 = fourcc;
        m_factory.m_scripts[path] = script;
        return path;
    };
    constexpr DWORD kMp43 = 0x3334504D;
    constexpr DWORD kWmv1 = 0x31564D57;
    constexpr DWORD kDivx = 0x58564944;
    struct Case {
        std::string path;
        bool effect;
        INT code;
        BOOL result;
    } const cases[] = {
        {scripted("movie.wmv", kMp43), false, 514, TRUE},
        {scripted("movie2.ASF", kWmv1), false, 514, TRUE},
        {scripted("other.WMV", kDivx), false, 4, FALSE},
        {scripted("clip.rm", 0), false, 1026, TRUE},
        {scripted("plain.avi", kMp43), false, 4, FALSE},
        {scripted("effect.wmv", kMp43), true, 0, FALSE},
    };
    for (const Case& c : cases) {
        Scene scene(c.path.c_str());
        if (c.effect)
            scene.SetColorEffect(ColorEffect());
        INT code = -1;
        EXPECT_EQ(scene.GetPassThroughKind(&code), c.result) << c.path;
        EXPECT_EQ(code, c.code) << c.path;
        EXPECT_EQ(scene.IsPassThroughCandidate(), !c.effect && c.path.find(".avi") == std::string::npos) << c.path;
    }
    INT code = -1;
    EXPECT_FALSE(Scene(RGB(0, 0, 0)).GetPassThroughKind(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(SceneTest, TheMotionEffectNeverPointsAtADeletedOverlay)
{
    const std::string path = Video("clip.avi", 64, 48, 10.0, 100);
    Scene scene(path.c_str());
    scene.SetMotionEffect(MotionEffect());
    auto* first = new Scene(path.c_str());
    scene.SetOverlayScene(first);
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), first);
    auto* second = new Scene(RGB(0, 0, 255));
    scene.SetOverlayScene(second);
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), second);
    EXPECT_EQ(scene.SetOverlayMedia(path.c_str()), 1);
    Scene* third = scene.GetOverlayScene();
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), third);
    EXPECT_EQ(scene.SetOverlayMedia(nullptr), 1);
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), nullptr);

    // A chain of two: the copy owns copies, and its effects point at them.
    auto* inner = new Scene(RGB(0, 255, 0));
    inner->SetMotionEffect(MotionEffect());
    scene.SetOverlayScene(inner);
    EXPECT_EQ(scene.GetOverlayDepth(), 2);
    EXPECT_EQ(scene.GetOverlayAt(1), inner);
    EXPECT_EQ(scene.GetOverlayAt(2), nullptr);
    Scene* chain[3] = {};
    scene.GetOverlayChain(chain);
    EXPECT_EQ(chain[0], inner);
    EXPECT_EQ(chain[1], nullptr);
    Scene copy(scene);
    ASSERT_NE(copy.GetOverlayScene(), nullptr);
    EXPECT_NE(copy.GetOverlayScene(), inner);
    EXPECT_EQ(copy.GetMotionEffect()->GetOverlayScene(), copy.GetOverlayScene());
    EXPECT_EQ(copy.GetOverlayScene()->GetMaterial()->GetColor(), RGB(0, 255, 0));

    Scene other(RGB(0, 0, 0));
    other.CopyEffectsFrom(scene);
    EXPECT_EQ(other.GetMotionEffect()->GetOverlayScene(), other.GetOverlayScene());
    EXPECT_NE(other.GetOverlayScene(), inner);
    scene.RemoveMotionEffect();
    EXPECT_EQ(scene.GetOverlayScene(), nullptr);
    EXPECT_EQ(scene.GetOverlayDepth(), 0);
}

TEST_F(SceneTest, AMotionEffectFromAnotherSceneRefersToThisScenesOverlay)
{
    Scene other(RGB(0, 0, 0));
    other.SetMotionEffect(MotionEffect());
    other.SetOverlayScene(new Scene(RGB(9, 9, 9)));
    Scene scene(RGB(0, 0, 0));
    scene.SetMotionEffect(*other.GetMotionEffect());
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), nullptr);
    auto* own = new Scene(RGB(1, 1, 1));
    scene.SetOverlayScene(own);
    scene.SetMotionEffect(*other.GetMotionEffect());
    EXPECT_EQ(scene.GetMotionEffect()->GetOverlayScene(), own);
}

TEST_F(SceneTest, ReloadingMakesTheMaterialOfTheMediaAgain)
{
    const std::string path = Video("clip.avi", 64, 48, 10.0, 100);
    Scene scene(path.c_str());
    scene.SetDuration(Seconds(3.0));
    ASSERT_NE(scene.GetThumbnail(), nullptr);
    Material* before = scene.GetMaterial();
    scene.ReloadMedia();
    EXPECT_NE(scene.GetMaterial(), before);
    EXPECT_DOUBLE_EQ(scene.GetDuration().GetSeconds(), 10.0);
    EXPECT_STREQ(scene.GetMediaPath(), path.c_str());

    // Media that no reader reads leaves the scene without material.
    Scene unknown(RGB(0, 0, 0));
    unknown.GetMaterial()->SetPath(Touch("odd.xyz").c_str());
    unknown.ReloadMedia();
    EXPECT_FALSE(unknown.IsValid());
    EXPECT_EQ(unknown.IsMediaMissing(), 1);
}

TEST_F(SceneTest, AudioServicesReachTheTracks)
{
    Scene scene(RGB(0, 0, 0));
    EXPECT_EQ(scene.HasCustomAudio(), 0);
    AudioClipList list;
    const std::string old = ScriptedSound("Old.wav", 4.0, Pcm(2, 44100, 16));
    ASSERT_NE(list.AddFile(old.c_str(), nullptr, nullptr), nullptr);
    scene.GetAudio()->SetTrack(1, &list);
    EXPECT_EQ(scene.HasCustomAudio(), 1);
    EXPECT_EQ(scene.AudioFilesExist(), 1);
    DWORD rate = 0;
    EXPECT_EQ(scene.GetMaxAudioByteRate(&rate), 1);
    EXPECT_EQ(rate, 176400u);
    const std::string replacement = ScriptedSound("new.wav", 4.0, Pcm(1, 22050, 8));
    CString upper = old.c_str();
    upper.MakeUpper();
    scene.RelinkAudioPath(upper, replacement.c_str());
    CStringList paths;
    EXPECT_EQ(scene.CollectAudioPaths(&paths), 1);
    EXPECT_STREQ(paths.GetHead(), replacement.c_str());
}

TEST_F(SceneTest, AnOverlayComesBackFromAStoryboardFile)
{
    const std::string path = Video("clip.avi", 64, 48, 10.0, 100);
    Scene scene(RGB(0, 0, 0));
    scene.SetMotionEffect(MotionEffect());
    scene.SetOverlayMedia(path.c_str());
    CProfile profile;
    scene.Save("", &profile, kSection);
    Scene loaded("", &profile, kSection);
    ASSERT_NE(loaded.GetOverlayScene(), nullptr);
    EXPECT_STREQ(loaded.GetOverlayScene()->GetMediaPath(), path.c_str());
    EXPECT_EQ(loaded.GetMotionEffect()->GetOverlayScene(), loaded.GetOverlayScene());
}

// A layer whose deletion the test can see.
class CountedLayer : public CSceneRenderLayer {
public:
    CountedLayer(Scene* owner, RDXControl* control, INT flag) : CSceneRenderLayer(owner, control, flag) { ++s_nAlive; }
    ~CountedLayer() override { --s_nAlive; }
    static CSceneRenderLayer* Make(Scene* owner, RDXControl* control, INT flag)
    {
        return new CountedLayer(owner, control, flag);
    }
    static inline int s_nAlive = 0;
};

TEST_F(SceneTest, RenderLayersAreSharedAndOutliveTheSceneWhileHeld)
{
    const CSceneRenderLayer::Factory previous = CSceneRenderLayer::SetFactory(CountedLayer::Make);
    CSceneRenderLayer* outliving = nullptr;
    {
        Scene scene(RGB(0, 0, 0));
        CSceneRenderLayer* layer = scene.GetRenderLayer(nullptr, 1);
        ASSERT_NE(layer, nullptr);
        EXPECT_EQ(scene.GetRenderLayer(nullptr, 1), layer);
        layer->Release();
        layer->Release();
        // The last reference let the scene delete it.
        EXPECT_EQ(scene.GetHeldRenderLayer(), nullptr);
        EXPECT_EQ(CountedLayer::s_nAlive, 0);

        CSceneRenderLayer* held = scene.GetRenderLayer(nullptr, 1);
        scene.ReleaseRenderLayer();
        EXPECT_EQ(CountedLayer::s_nAlive, 1);
        held->Release();
        EXPECT_EQ(CountedLayer::s_nAlive, 0);
        outliving = scene.GetRenderLayer(nullptr, 1);
    }
    CSceneRenderLayer::SetFactory(previous);
    EXPECT_EQ(CountedLayer::s_nAlive, 1);
    // The preview still held it: its own last release deletes it.
    outliving->Release();
    EXPECT_EQ(CountedLayer::s_nAlive, 0);
    EXPECT_EQ(CSceneRenderLayer::SetFactory(nullptr), nullptr);
}

TEST_F(SceneTest, GeneratedAndStillScenesOpenSeekAndHandOutFrames)
{
    const WAVEFORMATEX format = Pcm(1, 11025, 8);
    Scene colour(RGB(200, 100, 50));
    ASSERT_EQ(colour.OpenReader(CGfxSize(64, 48), 0.0), 1);
    EXPECT_DOUBLE_EQ(colour.GetReader()->GetFrameTime().GetSeconds(), 1.0 / 15.0);
    EXPECT_EQ(colour.SeekReader(Seconds(60.0)), 1);
    FramePtr frame(colour.GetFrame(1, 1, &format, 1024));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(media_tests::WidthOf(frame->m_pImage), 64);
    EXPECT_EQ(PixelAt(frame->m_pImage, 10, 10), RGB(200, 100, 50));
    ASSERT_NE(frame->m_pAudio, nullptr);
    EXPECT_EQ(frame->m_pAudio->m_nLength, CWaveBuffer(colour.GetReader()->GetFrameTime(), &format).m_nLength);

    const std::string stillPath = m_folder.File("picture.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(stillPath, media_fixtures::StillKind::Bmp24, 64, 48));
    Scene still(stillPath.c_str());
    ASSERT_EQ(still.OpenReader(CGfxSize(32, 24), 10.0), 1);
    EXPECT_EQ(still.SeekReader(Seconds(1.0)), 1);
    for (int i = 0; i < 3; ++i) {
        FramePtr picture(still.GetFrame(1, 0, nullptr, 1024));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(media_tests::WidthOf(picture->m_pImage), 32);
    }
    // Stills count their play position in frames handed out.
    EXPECT_NEAR(still.GetPlayPosition(), 0.3, 1e-9);
    ASSERT_NE(still.GetThumbnail(), nullptr);
}

} // namespace
