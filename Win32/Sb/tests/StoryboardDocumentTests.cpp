#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>


#include "DocumentMediaSupport.h"
#include "DocumentTestSupport.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/Clipboard.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/ColorMaterial.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionParams.h"
#include "Win32/Sb/Document/VideoMaterial.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Utils/Profile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace {

using document_media::KeyName;
using document_media::Pcm;
using document_media::Seconds;
using testing_support::ReadFile;

HWND StripWindow()
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5B));
}

using document_host::Layout;
using document_host::Text;

// What the windows above the document would do, recorded.
class RecordingHost : public document_host::RecordingDocHost {
public:
    HWND GetStripWindow() override { return StripWindow(); }
    BOOL HasStrip() override { return TRUE; }
    INT GetStripCurrentSlot() override { return m_nCurrentSlot; }
    BOOL GetStripSelection(INT* first, INT* last) override
    {
        if (m_nSelectionFirst < 0)
            return FALSE;
        *first = m_nSelectionFirst;
        *last = m_nSelectionLast;
        return TRUE;
    }
    void SelectSlot(INT slot) override { m_events.push_back("select " + std::to_string(slot)); }
    BOOL DropFilesOnCell(INT slot, HANDLE) override
    {
        m_events.push_back("drop " + std::to_string(slot));
        return TRUE;
    }
    BOOL ChooseFileToOpen(LPCSTR defaultExt, LPCSTR, LPCSTR, CString& path) override
    {
        m_events.push_back(std::string("open dialog ") + defaultExt);
        path = m_strChosen.c_str();
        return !m_strChosen.empty();
    }
    BOOL ChooseFileToSave(LPCSTR defaultExt, LPCSTR initial, LPCSTR filter, CString& path) override
    {
        m_events.push_back(std::string("save dialog ") + defaultExt + " " + initial + " " + filter);
        path = m_strChosen.c_str();
        return !m_strChosen.empty();
    }
    void MediaRenamed(LPCSTR oldPath, LPCSTR newPath) override
    {
        m_events.push_back("renamed " + std::string(oldPath) + " " + newPath);
    }
    INT SaveStoryboardRange(CSBDoc&, INT first, INT last) override
    {
        m_events.push_back("save range " + std::to_string(first) + " " + std::to_string(last));
        return 5;
    }
    CString GetLibraryName() override { return "Holiday.kll"; }
    CString GetLibraryPath() override { return m_strLibraryPath.c_str(); }
    void OpenLibrary(LPCSTR path, LPCSTR name) override
    {
        m_events.push_back("open library " + std::string(path) + " " + name);
    }
    BOOL RunItemProperties(LPCSTR caption, LPCSTR title, Scene* scene, Transition* transition) override
    {
        m_events.push_back("properties " + std::string(caption) + " [" + title + "] " + (scene ? "scene" : "-") + " "
                           + (transition ? "transition" : "-"));
        return TRUE;
    }
    CDocProducer* CreateProducer(Storyboard&, CProductionSettings&) override;

    INT m_nCurrentSlot = -1;
    INT m_nSelectionFirst = -1;
    INT m_nSelectionLast = -1;
    std::string m_strChosen;
    std::string m_strLibraryPath;
    // The producer's answers and what it was asked.
    INT m_nPrepareResult = 0;
    INT m_nProduceResult = 0;
    std::string m_strOutput;
};

class RecordingProducer : public CDocProducer {
public:
    explicit RecordingProducer(RecordingHost& host) : m_host(host) {}
    INT Prepare(INT reserved, INT selectionOnly, INT first, INT last) override
    {
        m_host.m_events.push_back("prepare " + std::to_string(reserved) + " " + std::to_string(selectionOnly) + " "
                                  + std::to_string(first) + " " + std::to_string(last));
        return m_host.m_nPrepareResult;
    }
    INT Produce(CString& outputName) override
    {
        m_host.m_events.push_back("produce");
        outputName = m_host.m_strOutput.c_str();
        return m_host.m_nProduceResult;
    }

private:
    RecordingHost& m_host;
};

CDocProducer* RecordingHost::CreateProducer(Storyboard&, CProductionSettings&)
{
    return new RecordingProducer(*this);
}

TransitionEffect* MakeEffect(INT id, float a, float b, float overlap)
{
    TransitionEffect* effect = TransitionCatalog::Create(TransitionCatalog::FindRowById(id));
    effect->SetADuration(a);
    effect->SetBDuration(b);
    effect->SetOverlapDuration(overlap);
    return effect;
}

Scene* ColourScene(COLORREF colour, double seconds)
{
    auto* scene = new Scene(colour);
    scene->SetDuration(Seconds(seconds));
    return scene;
}

// The message that tells how many items of a read were left out.
std::string LeftOutMessage(INT count)
{
    CString text;
    text.Format(Text(2025).c_str(), count);
    return static_cast<LPCSTR>(text) + std::string(" | ") + Text(2003) + " | 48";
}

void EmptyTheClipboard()
{
    ASSERT_TRUE(OpenClipboard(StripWindow()));
    EmptyClipboard();
    CloseClipboard();
}

void PutOnClipboard(UINT format, const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(GlobalLock(block)));
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(StripWindow()));
    EmptyClipboard();
    SetClipboardData(format, block);
    CloseClipboard();
}

class StoryboardDocumentTest : public document_media::DocumentMediaTest {
protected:
    StoryboardDocumentTest() : m_previousHost(CSBDocHost::Set(&m_host)) {}
    ~StoryboardDocumentTest() override { CSBDocHost::Set(m_previousHost); }

    // Scenes of 5 s on 0, 2 and 4 and a transition on 1.
    void FillSmallBoard(CSBDoc& doc)
    {
        Storyboard& board = *doc.GetStoryboard();
        ASSERT_EQ(board.SetItem(ColourScene(RGB(255, 0, 0), 5.0), 0), 0);
        ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 1.0f, 1.0f, 0.5f)), 1), 0);
        ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 255, 0), 5.0), 2), 0);
        ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 255), 5.0), 4), 0);
    }

    // A video file of `seconds` whose reader is scripted.
    std::string ScriptedVideo(const std::string& name, double seconds)
    {
        const std::string path = Touch(name);
        document_media::ReaderScript script;
        script.seconds = seconds;
        script.width = 64;
        script.height = 48;
        script.frameRate = 25.0;
        script.bitCount = 24;
        m_factory.m_scripts[path] = script;
        return path;
    }

    // `profile` saved as a storyboard file of `name`.
    std::string WriteProfile(CProfile& profile, const std::string& name)
    {
        const std::string path = m_folder.File(name);
        EXPECT_EQ(profile.Save(path.c_str()), CProfile::kOk);
        return path;
    }

    // A storyboard profile frame with `count` and `first` as texts.
    void Frame(CProfile& profile, const std::string& version, const std::string& count, const std::string& first)
    {
        const std::string header = KeyName(1104);
        const std::string index = KeyName(1105);
        profile.SetSection(header.c_str());
        profile.SetValue(header.c_str(), KeyName(1106).c_str(), KeyName(1108).c_str());
        profile.SetValue(header.c_str(), KeyName(1107).c_str(), version.c_str());
        profile.SetSection(index.c_str());
        profile.SetValue(index.c_str(), KeyName(1110).c_str(), count.c_str());
        profile.SetValue(index.c_str(), KeyName(1112).c_str(), first.c_str());
    }

    // An item section of slot `slot` copied from `doc`'s item `from`.
    void PutItem(CProfile& profile, CSBDoc& doc, INT from, INT slot)
    {
        std::unique_ptr<CProfile> single(doc.BuildStoryboardProfile("", from, from));
        const std::string source = KeyName(1113) + "_" + std::to_string(from);
        const std::string target = KeyName(1113) + "_" + std::to_string(slot);
        profile.SetSection(target.c_str());
        for (CProfileSection* section = single->GetFirstSection(); section != nullptr; section = section->m_pNext) {
            if (section->m_strName != source)
                continue;
            for (CProfileEntry* entry = section->m_pFirstEntry; entry != nullptr; entry = entry->m_pNext)
                profile.SetValue(target.c_str(), entry->m_strName.c_str(), entry->m_strValue.c_str());
        }
    }

    RecordingHost m_host;
    CSBDocHost* m_previousHost;
};

TEST_F(StoryboardDocumentTest, TheProfileHasTheHeaderIndexAndOneSectionPerOccupiedSlot)
{
    CSBDoc doc;
    FillSmallBoard(doc);
    std::unique_ptr<CProfile> profile(doc.BuildStoryboardProfile("", -1, -1));
    ASSERT_NE(profile, nullptr);
    EXPECT_STREQ(profile->GetHeader(), KeyName(1103).c_str());
    const std::string header = KeyName(1104);
    EXPECT_EQ(document_media::ValueOf(*profile, header.c_str(), 1106), KeyName(1108));
    EXPECT_EQ(document_media::ValueOf(*profile, header.c_str(), 1107), KeyName(1109));
    EXPECT_EQ(document_media::ValueOf(*profile, KeyName(1105).c_str(), 1110), "4");
    EXPECT_EQ(document_media::ValueOf(*profile, KeyName(1105).c_str(), 1112), "0");
    std::vector<std::string> sections;
    for (CProfileSection* section = profile->GetFirstSection(); section != nullptr; section = section->m_pNext)
        sections.push_back(section->m_strName);
    EXPECT_EQ(sections, (std::vector<std::string>{"Header", "Index", "Scene_0", "Scene_1", "Scene_2", "Scene_4"}));
    EXPECT_EQ(document_media::ValueOf(*profile, "Scene_0", 1114), KeyName(1115));
    EXPECT_EQ(document_media::ValueOf(*profile, "Scene_1", 1114), KeyName(1116));

    // A range keeps its slot numbers; reversed ends are exchanged; negative
    // ones give nothing.
    std::unique_ptr<CProfile> range(doc.BuildStoryboardProfile("", 4, 1));
    EXPECT_EQ(range->GetInt("Index", "First"), 1);
    EXPECT_EQ(range->GetInt("Index", "Count"), 3);
    EXPECT_FALSE(range->HasSection("Scene_0"));
    EXPECT_TRUE(range->HasSection("Scene_4"));
    EXPECT_EQ(doc.BuildStoryboardProfile("", -2, 3), nullptr);
}

TEST_F(StoryboardDocumentTest, AnEmptyBoardWritesCountMinusOneAndReadsBackAsNothing)
{
    CSBDoc doc;
    const std::string path = m_folder.File("empty.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(path.c_str()));
    CProfile saved;
    ASSERT_EQ(saved.Load(path.c_str()), CProfile::kOk);
    EXPECT_EQ(saved.GetInt("Index", "Count"), -1);
    EXPECT_FALSE(saved.HasSection("Scene_0"));

    CSBDoc reader;
    EXPECT_EQ(reader.InsertStoryboardFile(path.c_str(), 0), 0);
    EXPECT_TRUE(reader.IsStoryboardEmpty());
    EXPECT_TRUE(m_host.m_messages.empty());
}

// A storyboard of every kind of scene, effect, audio track and transition.
class FullBoardTest : public StoryboardDocumentTest {
protected:
    void FillFullBoard(CSBDoc& doc)
    {
        const std::string video = Touch("media/clip.avi");
        document_media::ReaderScript script;
        script.seconds = 20.0;
        script.width = 320;
        script.height = 240;
        script.frameRate = 25.0;
        script.bitCount = 24;
        script.sound = Pcm(2, 44100, 16);
        m_factory.m_scripts[video] = script;
        const std::string overlayVideo = Touch("media/overlay.avi");
        m_factory.m_scripts[overlayVideo] = script;
        const std::string still = m_folder.File("media/picture.bmp");
        ASSERT_TRUE(media_fixtures::WriteStill(still, media_fixtures::StillKind::Bmp24, 32, 24));

        Storyboard& board = *doc.GetStoryboard();
        auto* videoScene = new Scene(video.c_str());
        ASSERT_TRUE(videoScene->IsValid());
        videoScene->SetInPoint(Seconds(2.0));
        videoScene->SetDuration(Seconds(8.0));
        TextEffect text;
        text.SetTextUtf8("Summer");
        text.SetKeyTime(Seconds(0.5), 0);
        text.SetKeyTime(Seconds(3.0), 3);
        videoScene->SetTextEffect(text);
        videoScene->SetColorEffect(ColorEffect());
        for (INT track : {0, 5}) {
            AudioClipList list;
            ASSERT_NE(list.AddFile(ScriptedSound("media/track" + std::to_string(track) + ".wav", 6.0, Pcm(2, 44100, 16))
                                       .c_str(),
                                   nullptr, nullptr),
                      nullptr);
            videoScene->GetAudio()->SetTrack(track, &list);
        }
        ASSERT_EQ(board.SetItem(videoScene, 0), 0);
        ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 1.25f, 3.5f, 0.75f)), 1), 0);

        auto* stillScene = new Scene(still.c_str());
        ASSERT_TRUE(stillScene->IsValid());
        stillScene->SetSpectrumEffect(SpectrumEffect());
        ASSERT_EQ(board.SetItem(stillScene, 2), 0);
        ASSERT_EQ(board.SetItem(new Transition(MakeEffect(1, 1.0f, 1.0f, 0.5f)), 3), 0);

        auto* colourScene = ColourScene(RGB(10, 20, 30), 6.0);
        colourScene->SetMotionEffect(MotionEffect());
        colourScene->SetOverlayMedia(overlayVideo.c_str());
        ASSERT_EQ(board.SetItem(colourScene, 4), 0);
        ASSERT_EQ(board.SetItem(ColourScene(RGB(200, 100, 0), 4.0), 8), 0);
        board.RecomputeTimes();
    }
};

TEST_F(FullBoardTest, EveryKindOfItemSavesLoadsBackEqualAndSavesTheSameBytes)
{
    CSBDoc doc;
    FillFullBoard(doc);
    ASSERT_TRUE(doc.GetStoryboard()->IsModified());
    const std::string first = m_folder.File("board.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(first.c_str()));
    EXPECT_FALSE(doc.IsStoryboardModified());

    CSBDoc loaded;
    EXPECT_EQ(loaded.InsertStoryboardFile(first.c_str(), 0), 9);
    EXPECT_FALSE(loaded.IsStoryboardModified()) << "a file just read is not modified";
    ASSERT_EQ(Layout(loaded), Layout(doc));
    EXPECT_EQ(Layout(loaded), "STSTS...S");
    for (INT i = 0; i <= doc.GetLastIndex(); ++i) {
        const StoryboardItem* a = doc.GetItem(i);
        const StoryboardItem* b = loaded.GetItem(i);
        if (a == nullptr)
            continue;
        ASSERT_NE(b, nullptr) << "slot " << i;
        EXPECT_EQ(a->GetKind(), b->GetKind()) << "slot " << i;
        if (a->GetKind() == StoryboardItem::kKindScene) {
            EXPECT_EQ(static_cast<const Scene*>(a)->GetMediaKind(), static_cast<const Scene*>(b)->GetMediaKind());
            EXPECT_STREQ(static_cast<const Scene*>(a)->GetMediaPath(), static_cast<const Scene*>(b)->GetMediaPath());
        }
        EXPECT_EQ(a->GetDuration().GetMilliseconds(), b->GetDuration().GetMilliseconds()) << "slot " << i;
        EXPECT_EQ(a->GetStart().GetMilliseconds(), b->GetStart().GetMilliseconds()) << "slot " << i;
    }
    const auto* video = static_cast<const Scene*>(loaded.GetItem(0));
    EXPECT_EQ(video->GetAudio()->GetTrackCount(), 2);
    ASSERT_NE(video->GetTextEffect(), nullptr);
    EXPECT_EQ(video->GetTextEffect()->GetTextUtf8(), "Summer");
    EXPECT_NE(static_cast<const Scene*>(loaded.GetItem(4))->GetOverlayScene(), nullptr);

    const std::string second = m_folder.File("again.sbd");
    ASSERT_TRUE(loaded.SaveStoryboard(second.c_str()));
    EXPECT_EQ(ReadFile(second), ReadFile(first));
    EXPECT_TRUE(m_host.m_messages.empty());
}

// Every kind of transition of the catalogue (row 0 is "no transition")
// with its own colours, durations and softness, between colour scenes, and
// a scene with a clip on each of the six audio tracks with its own settings.
TEST_F(FullBoardTest, EveryTransitionKindAndAudioTrackSavesLoadsBackEqualAndSavesTheSameBytes)
{
    CSBDoc doc;
    Storyboard& board = *doc.GetStoryboard();
    constexpr INT kRows = TransitionCatalog::kRowCount;
    for (INT row = 1; row <= kRows; ++row)
        ASSERT_EQ(board.SetItem(ColourScene(RGB(row * 4, 255 - row * 4, 7), 5.0), 2 * (row - 1)), 0);
    for (INT row = 1; row < kRows; ++row) {
        TransitionEffect* effect = TransitionCatalog::Create(row);
        // Whole milliseconds, most of which a float holds only nearly.
        auto seconds = [](INT milliseconds) { return static_cast<float>(milliseconds / 1000.0); };
        effect->SetADuration(seconds(1000 + 17 * row));
        effect->SetBDuration(seconds(2000 - 13 * row));
        effect->SetOverlapDuration(seconds(250 + 11 * row));
        TransitionParams* params = effect->GetParams();
        params->m_crAColor = RGB(row, 2 * row, 3 * row);
        params->m_crBColor = RGB(255 - row, 128, row);
        params->m_bAUseColor = row % 2;
        params->m_bBUseColor = row % 3 == 0 ? 1 : 0;
        params->m_nSoftness = effect->IsSoftEdgeCapable() && row % 2 == 0 ? 10 : 0;
        ASSERT_EQ(board.SetItem(new Transition(effect), 2 * row - 1), 0);
    }
    auto* first = static_cast<Scene*>(board.GetItem(0));
    SceneAudio& audio = *first->GetAudio();
    for (INT track = 0; track < SceneAudio::kTrackCount; ++track) {
        AudioClipList list;
        const std::string sound =
            ScriptedSound("media/track" + std::to_string(track) + ".wav", 6.0, Pcm(2, 44100, 16));
        AudioClip* clip = list.AddFile(sound.c_str(), nullptr, nullptr);
        ASSERT_NE(clip, nullptr);
        clip->SetInPoint(100 * track);
        clip->SetOutPoint(4000 + 100 * track);
        clip->SetVolume(AudioClip::kUnityVolume - 100 * track);
        clip->SetRepeat(track == 4 ? 1 : 0);
        clip->SetStartOffset(250 * track);
        audio.SetTrack(track, &list);
        audio.SetTrackFlag(track, track % 2);
    }
    audio.SetVolume(700);
    audio.SetFadeIn(1);
    board.RecomputeTimes();
    const std::string saved = m_folder.File("every-kind.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(saved.c_str()));

    CSBDoc loaded;
    EXPECT_EQ(loaded.InsertStoryboardFile(saved.c_str(), 0), 2 * kRows - 1);
    ASSERT_EQ(Layout(loaded), Layout(doc));
    for (INT row = 1; row < kRows; ++row) {
        const TransitionEffect* a = doc.GetTransitionEffect(2 * row - 1);
        const TransitionEffect* b = loaded.GetTransitionEffect(2 * row - 1);
        ASSERT_NE(b, nullptr) << "row " << row;
        BYTE written[TransitionParams::kStoredSize];
        BYTE read[TransitionParams::kStoredSize];
        a->GetParams()->Write(written);
        b->GetParams()->Write(read);
        EXPECT_EQ(std::memcmp(written, read, sizeof written), 0) << "row " << row;
    }
    const SceneAudio& reloaded = *static_cast<const Scene*>(loaded.GetItem(0))->GetAudio();
    EXPECT_EQ(reloaded.GetTrackCount(), SceneAudio::kTrackCount);
    EXPECT_TRUE(reloaded.Equals(audio));
    for (INT track = 0; track < SceneAudio::kTrackCount; ++track) {
        const AudioClip* a = audio.GetTrack(track)->GetAt(0);
        const AudioClip* b = reloaded.GetTrack(track)->GetAt(0);
        ASSERT_NE(b, nullptr) << "track " << track;
        EXPECT_EQ(b->GetLength(), a->GetLength()) << "track " << track;
        EXPECT_EQ(b->GetVolume(), a->GetVolume()) << "track " << track;
        EXPECT_EQ(b->GetRepeat(), a->GetRepeat()) << "track " << track;
        EXPECT_EQ(reloaded.GetTrackFlag(track), track % 2) << "track " << track;
    }

    const std::string again = m_folder.File("every-kind-again.sbd");
    ASSERT_TRUE(loaded.SaveStoryboard(again.c_str()));
    EXPECT_EQ(ReadFile(again), ReadFile(saved));
    EXPECT_TRUE(m_host.m_messages.empty());
}

TEST_F(FullBoardTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag)
{
    CSBDoc doc;
    FillFullBoard(doc);
    const std::string path = m_folder.File("kept.sbd");
    const std::string old = "; an older storyboard\r\n";
    m_folder.Write("kept.sbd", old);

    // No folder, and a folder in the file's place.
    std::filesystem::create_directories(m_folder.File("folder.sbd"));
    for (const std::string& target : {m_folder.File("no-such-folder/board.sbd"), m_folder.File("folder.sbd")}) {
        EXPECT_FALSE(doc.SaveStoryboard(target.c_str())) << target;
        EXPECT_TRUE(doc.IsStoryboardModified()) << target;
    }

    // A write that fails half way.
    BOOL saved = TRUE;
    {
        testing_support::FileSizeLimit limit(64);
        ASSERT_TRUE(limit.Active());
        saved = doc.SaveStoryboard(path.c_str());
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(doc.IsStoryboardModified()) << "the close still asks to save";
    EXPECT_EQ(ReadFile(path), old);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"folder.sbd", "kept.sbd", "media"})) << "no half-written file";

    // A read-only folder holding a read-only older file (the file's own
    // attribute stops the super-user too, whom folder permissions do not).
    namespace fs = std::filesystem;
    const std::string lockedFolder = m_folder.File("locked");
    fs::create_directories(lockedFolder);
    const std::string locked = m_folder.Write("locked/board.sbd", old);
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    fs::permissions(lockedFolder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(doc.SaveStoryboard(locked.c_str()));
    EXPECT_TRUE(doc.IsStoryboardModified());
    EXPECT_EQ(ReadFile(locked), old);
    std::vector<std::string> inLocked;
    for (const auto& entry : fs::directory_iterator(lockedFolder))
        inLocked.push_back(entry.path().filename().string());
    EXPECT_EQ(inLocked, (std::vector<std::string>{"board.sbd"})) << "no temporary file left";
    fs::permissions(lockedFolder, fs::perms::owner_all, fs::perm_options::add);
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL));

    // The storyboard path serves when no path is given.
    doc.SetStoryboardPath(path.c_str());
    EXPECT_TRUE(doc.SaveStoryboard(nullptr));
    EXPECT_FALSE(doc.IsStoryboardModified());
}

TEST_F(StoryboardDocumentTest, BadFilesGiveTheirCodesAndLeaveTheDocument)
{
    CSBDoc good;
    FillSmallBoard(good);
    const std::string valid = m_folder.File("valid.sbd");
    ASSERT_TRUE(good.SaveStoryboard(valid.c_str()));
    const std::string text = ReadFile(valid);

    auto frame = [&](const std::string& version, const std::string& count, const std::string& first) {
        CProfile profile;
        Frame(profile, version, count, first);
        PutItem(profile, good, 0, 0);
        return profile.Save(m_folder.File("framed.sbd").c_str()) == 0 ? m_folder.File("framed.sbd") : std::string();
    };
    struct Case {
        std::string name;
        std::string path;
        INT result;
    };
    std::vector<Case> cases = {
        {"missing file", m_folder.File("absent.sbd"), CSBDoc::kCannotRead},
        {"wrong extension", m_folder.Write("valid.txt", text), CSBDoc::kCannotRead},
        {"binary", m_folder.Write("binary.sbd", std::string("\x00\x01\xFF\xFE[\x80", 6)), CSBDoc::kCannotRead},
        {"no header", m_folder.Write("noheader.sbd", "[Index]\r\nCount=0\r\nFirst=0\r\n"), CSBDoc::kNoHeader},
        {"scene file", m_folder.Write("scene.sbd", "[Header]\r\nFileType=Kestrelon Scene\r\nVersion=2.0\r\n"),
         CSBDoc::kBadFileType},
        {"no file type", m_folder.Write("notype.sbd", "[Header]\r\nVersion=2.0\r\n"), CSBDoc::kBadFileType},
        {"file type in other case",
         m_folder.Write("case.sbd", "[Header]\r\nFileType=KESTRELON STORYBOARD\r\nVersion=2.0\r\n"),
         CSBDoc::kBadFileType},
        {"no version", m_folder.Write("noversion.sbd", "[Header]\r\nFileType=Kestrelon Storyboard\r\n"),
         CSBDoc::kBadVersion},
        {"later version",
         m_folder.Write("later.sbd", "[Header]\r\nFileType=Kestrelon Storyboard\r\nVersion=3.0\r\n[Index]\r\n"),
         CSBDoc::kBadVersion},
        {"no index", m_folder.Write("noindex.sbd", "[Header]\r\nFileType=Kestrelon Storyboard\r\nVersion=2.0\r\n"), 0},
    };
    for (auto [name, count, first] : {std::tuple{"huge count", "99999", "0"}, {"count below -1", "-5", "0"},
                                      {"count not a number", "four", "0"}, {"negative first", "2", "-2"},
                                      {"first past the limit", "0", "70000"}, {"count beyond 32 bits", "99999999999", "0"}}) {
        const std::string path = frame("2.0", count, first);
        const std::string kept = m_folder.Write(std::string(name) + ".sbd", ReadFile(path));
        cases.push_back({name, kept, 0});
    }
    for (const Case& c : cases) {
        CSBDoc doc;
        FillSmallBoard(doc);
        doc.GetStoryboard()->SetModified(FALSE);
        EXPECT_EQ(doc.InsertStoryboardFile(c.path.c_str(), 2), c.result) << c.name;
        EXPECT_EQ(Layout(doc), "STS.S") << c.name;
        EXPECT_FALSE(doc.IsStoryboardModified()) << c.name;
    }
    EXPECT_TRUE(m_host.m_messages.empty());

    // Truncated copies read what stands before the cut, or fail cleanly.
    for (size_t cut : {size_t{10}, text.size() / 3, text.size() / 2, text.size() - 3}) {
        const std::string path = m_folder.Write("cut.sbd", text.substr(0, cut));
        CSBDoc doc;
        const INT result = doc.InsertStoryboardFile(path.c_str(), 0);
        EXPECT_GE(result, CSBDoc::kCannotRead) << cut;
        if (result <= 0) {
            EXPECT_TRUE(doc.IsStoryboardEmpty()) << cut;
        }
    }

    // The extension is compared without regard to case.
    const std::string lower = m_folder.Write("lower.sbd", text);
    CSBDoc doc;
    EXPECT_EQ(doc.InsertStoryboardFile(lower.c_str(), 0), 5);
    EXPECT_EQ(Layout(doc), "STS.S");
}

TEST_F(StoryboardDocumentTest, CountsThatDisagreeWithTheSectionsReadWhatTheIndexCovers)
{
    CSBDoc source;
    FillSmallBoard(source);
    // Sections out of order, one beyond the count, one missing inside it.
    CProfile profile;
    PutItem(profile, source, 2, 2);
    PutItem(profile, source, 4, 6);
    Frame(profile, "2.0", "3", "0");
    PutItem(profile, source, 0, 0);
    CSBDoc doc;
    EXPECT_EQ(doc.InsertStoryboardFile(WriteProfile(profile, "disagree.sbd").c_str(), 0), 4);
    EXPECT_EQ(Layout(doc), "S.S");
    // Slot 1 is empty, as a section follows it; slot 3, the last the index
    // names, is missing from the end of the file.
    EXPECT_EQ(doc.GetDroppedItemCount(), 1);
}

TEST_F(StoryboardDocumentTest, OlderFilesShiftTheirItemsByOneSlot)
{
    CSBDoc source;
    FillSmallBoard(source);
    struct Placed {
        INT from;
        INT section;
    };
    struct Case {
        const char* name;
        const char* count;
        std::vector<Placed> items;
        INT dropped;
    };
    // The source's slot 0 is a scene, slot 1 a transition, slot 2 a scene.
    const std::vector<Case> cases = {
        // With the first section the items move one slot up; the transition
        // then gets a colour scene before it.
        {"with the first section", "2", {{1, 0}, {2, 1}}, 0},
        // Without it they move one slot down.
        {"without the first section", "3", {{0, 1}, {1, 2}, {2, 3}}, 0},
        // An item that lands on the wrong parity is left out and counted.
        {"wrong parity", "3", {{1, 0}, {2, 1}, {0, 2}}, 1},
    };
    for (const Case& c : cases) {
        m_host.m_messages.clear();
        CProfile profile;
        Frame(profile, "1.0", c.count, "0");
        for (const Placed& item : c.items)
            PutItem(profile, source, item.from, item.section);
        CSBDoc doc;
        EXPECT_EQ(doc.InsertStoryboardFile(WriteProfile(profile, "older.sbd").c_str(), 0), std::atoi(c.count) + 1)
            << c.name;
        EXPECT_EQ(Layout(doc), "STS") << c.name;
        EXPECT_EQ(doc.GetDroppedItemCount(), c.dropped) << c.name;
        ASSERT_EQ(m_host.m_messages.size(), static_cast<size_t>(c.dropped)) << c.name;
        if (c.dropped > 0) {
            EXPECT_EQ(m_host.m_messages[0], "1 items of the storyboard could not be placed and were left out. | "
                                                + Text(2003) + " | 48");
        }
    }
}

TEST_F(StoryboardDocumentTest, ItemsNumberedPastTheSlotLimitAreLeftOutAndCounted)
{
    CSBDoc source;
    FillSmallBoard(source);
    CProfile profile;
    Frame(profile, "2.0", "3", "4094");
    PutItem(profile, source, 0, 4094);
    PutItem(profile, source, 1, 4095);
    PutItem(profile, source, 2, 4096);
    CSBDoc doc;
    EXPECT_EQ(doc.InsertStoryboardFile(WriteProfile(profile, "high.sbd").c_str(), 0), 4);
    EXPECT_EQ(Layout(doc), "STS") << "the transition got a colour scene after it";
    // Slot 4096 lies past the limit; 4097, the last the index names, has no
    // section, so the file was cut short there.
    EXPECT_EQ(doc.GetDroppedItemCount(), 2);
    EXPECT_EQ(m_host.m_messages.size(), 1u);
}

TEST_F(StoryboardDocumentTest, TooManySlotsForThePlaceGiveMessage2019)
{
    CProfile profile;
    Frame(profile, "2.0", "2099", "0");
    CSBDoc doc;
    EXPECT_EQ(doc.InsertStoryboardFile(WriteProfile(profile, "big.sbd").c_str(), 2000), 0);
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_NE(m_host.m_messages[0].find(Text(2020)), std::string::npos);
    EXPECT_NE(m_host.m_messages[0].find("2047"), std::string::npos);
    EXPECT_NE(m_host.m_messages[0].find("| " + Text(2003) + " | 48"), std::string::npos);
    EXPECT_TRUE(doc.IsStoryboardEmpty());
}

TEST_F(StoryboardDocumentTest, ARangeCopiedFromThreeToSixPastedAtFourLandsAtThree)
{
    CSBDoc source;
    Storyboard& board = *source.GetStoryboard();
    for (INT i = 0; i <= 8; i += 2)
        ASSERT_EQ(board.SetItem(ColourScene(RGB(i, 0, 0), 5.0), i), 0);
    for (INT i = 1; i < 8; i += 2)
        ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 1.0f, 1.0f, 0.5f)), i), 0);
    std::unique_ptr<CProfile> range(source.BuildStoryboardProfile("", 3, 6));
    EXPECT_EQ(range->GetInt("Index", "First"), 3);
    EXPECT_EQ(range->GetInt("Index", "Count"), 3);
    EXPECT_TRUE(range->HasSection("Scene_3"));
    EXPECT_TRUE(range->HasSection("Scene_6"));
    ASSERT_TRUE(source.CopyToClipboard(3, 6));
    EXPECT_EQ(source.GetLastIndex(), 8);
    EXPECT_TRUE(source.CanPaste());

    CSBDoc target;
    FillSmallBoard(target);
    target.Paste(3);
    // Raised to 4, then one slot back to fit the range's parity.
    EXPECT_EQ(Layout(target), "STSTSTS.S");
    const auto* pasted = static_cast<const Scene*>(target.GetItem(4));
    EXPECT_EQ(static_cast<const ColorMaterial*>(pasted->GetMaterial())->GetColor(), RGB(4, 0, 0));
    EXPECT_TRUE(target.IsStoryboardModified());
}

TEST_F(StoryboardDocumentTest, CutLeavesTheItemsWhenTheClipboardCannotTakeThem)
{
    CSBDoc doc;
    FillSmallBoard(doc);
    // Another thread holds the clipboard open.
    std::atomic<bool> opened{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        OpenClipboard(nullptr);
        opened = true;
        while (!release)
            std::this_thread::yield();
        CloseClipboard();
    });
    while (!opened)
        std::this_thread::yield();
    EXPECT_FALSE(doc.CutToClipboard(0, 2));
    release = true;
    holder.join();
    EXPECT_EQ(Layout(doc), "STS.S") << "nothing cut that is not on the clipboard";

    EXPECT_TRUE(doc.CutToClipboard(0, 1));
    EXPECT_EQ(Layout(doc), "S.S");
    CSBDoc other;
    EXPECT_EQ(other.InsertStoryboardFile(nullptr, 0), 2);
    EXPECT_EQ(Layout(other), "ST");
}

TEST_F(StoryboardDocumentTest, ForeignClipboardBlocksAreRefused)
{
    CSBDoc doc;
    EmptyTheClipboard();
    EXPECT_FALSE(doc.CanPaste());
    EXPECT_EQ(doc.InsertStoryboardFile(nullptr, 0), CSBDoc::kCannotRead);

    const std::string profileText = "[Header]\r\nFileType=Kestrelon Storyboard\r\nVersion=2.0\r\n[Index]\r\n";
    std::string wrongLength("\xFF\xFF\x00\x00", 4);
    PutOnClipboard(CF_DSPTEXT, wrongLength + profileText);
    EXPECT_FALSE(doc.CanPaste());
    EXPECT_EQ(doc.InsertStoryboardFile(nullptr, 0), CSBDoc::kCannotRead);

    // Not a profile of ours: another file type, the older version.
    auto prefixed = [](const std::string& text) {
        const DWORD n = static_cast<DWORD>(text.size());
        return std::string{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF), 0, 0} + text;
    };
    PutOnClipboard(CF_DSPTEXT, prefixed("[Header]\r\nFileType=Other\r\nVersion=2.0\r\n[Index]\r\n"));
    EXPECT_FALSE(doc.CanPaste());
    EXPECT_EQ(doc.InsertStoryboardFile(nullptr, 0), CSBDoc::kBadFileType);
    PutOnClipboard(CF_DSPTEXT, prefixed("[Header]\r\nFileType=Kestrelon Storyboard\r\nVersion=1.0\r\n[Index]\r\n"));
    EXPECT_FALSE(doc.CanPaste());
    PutOnClipboard(CF_DSPTEXT, prefixed(profileText));
    EXPECT_TRUE(doc.CanPaste());

    // A file list goes to the strip's cell of the even slot.
    PutOnClipboard(CF_HDROP, std::string(24, '\0'));
    EXPECT_TRUE(doc.CanPaste());
    doc.Paste(5);
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"drop 6"}));
    EXPECT_TRUE(doc.IsStoryboardEmpty());
    EXPECT_TRUE(m_host.m_messages.empty());
}

// Seeded mutations of a real storyboard file: every one reads to a code or
// to items, never a crash, and a refused one leaves the document empty.
TEST_F(FullBoardTest, MutatedFilesNeverHarmTheReader)
{
    CSBDoc doc;
    FillFullBoard(doc);
    const std::string original = m_folder.File("seed.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(original.c_str()));
    const std::string text = ReadFile(original);
    const std::string path = m_folder.File("mutant.sbd");
    std::mt19937 random(20261211);
    const char* tokens[] = {"-1", "4095", "4096", "65535", "-2147483648", "99999999999", "1.0", "=", "[", "]",
                            "\r\n", "\\", ";", "Scene_", "$\\..\\..\\", "\xFF"};
    for (int round = 0; round < 300; ++round) {
        std::string mutant = text;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !mutant.empty(); ++e) {
            const size_t at = random() % mutant.size();
            switch (random() % 5) {
            case 0:
                mutant[at] = static_cast<char>(random());
                break;
            case 1:
                mutant.erase(at, 1 + random() % 40);
                break;
            case 2:
                mutant.insert(at, tokens[random() % std::size(tokens)]);
                break;
            case 3:
                mutant.insert(at, mutant.substr(random() % mutant.size(), random() % 120));
                break;
            default:
                mutant.resize(at);
                break;
            }
        }
        m_folder.Write("mutant.sbd", mutant);
        CSBDoc reader;
        const INT result = reader.InsertStoryboardFile(path.c_str(), 0);
        ASSERT_GE(result, CSBDoc::kCannotRead) << round;
        ASSERT_LE(result, Storyboard::kMaxSlots) << round;
        if (result <= 0) {
            ASSERT_TRUE(reader.IsStoryboardEmpty()) << round;
        }
    }
}

// A duration or time stored negative (which reads as a huge unsigned
// field) or longer than a day leaves its item out, counted; a day is kept.
TEST_F(FullBoardTest, TimesOutsideADayLeaveTheirItemOut)
{
    CSBDoc source;
    FillFullBoard(source);
    const std::string saved = m_folder.File("board.sbd");
    ASSERT_TRUE(source.SaveStoryboard(saved.c_str()));
    struct Case {
        const char* name;
        const char* section;
        const char* entry;
        const char* value;
        INT dropped;
    };
    const Case cases[] = {
        {"a colour scene lasting -1", "Scene_8", "Duration", "-1", 1},
        {"a colour scene lasting a day and a second", "Scene_8", "Duration", "24:00:01.000 ms", 1},
        {"a colour scene lasting a day", "Scene_8", "Duration", "24:00:00.000 ms", 0},
        {"a thumbnail at -1", "Scene_2", "ThumbnailTime", "-1", 1},
        {"a title starting at -1", "Scene_0Text0", "TextKeyStart", "-1", 1},
        {"a motion ending past a day", "Scene_4Motion0", "MotionKeyEnd", "25:00:00.000 ms", 1},
        {"an overlay's thumbnail at -1", "Scene_4Motion0", "ThumbnailTime", "-1", 1},
        {"a sound clip starting past a day", "Scene_0", "AudioStart_5", "86400001", 1},
        {"a transition's first side lasting -1", "Scene_1", "ADuration", "-1", 1},
        {"an overlap past a day", "Scene_3", "OverlapDuration", "25:00:00.000 ms", 1},
        {"a transition's second side lasting a day", "Scene_3", "BDuration", "24:00:00.000 ms", 0},
    };
    for (const Case& c : cases) {
        m_host.m_messages.clear();
        CProfile profile;
        ASSERT_EQ(profile.Load(saved.c_str()), CProfile::kOk);
        ASSERT_TRUE(profile.HasEntry(c.section, c.entry)) << c.name;
        profile.SetValue(c.section, c.entry, c.value);
        CSBDoc doc;
        EXPECT_EQ(doc.InsertStoryboardFile(WriteProfile(profile, "damaged.sbd").c_str(), 0), 9) << c.name;
        EXPECT_EQ(doc.GetDroppedItemCount(), c.dropped) << c.name;
        EXPECT_EQ(m_host.m_messages, c.dropped > 0 ? std::vector<std::string>{LeftOutMessage(c.dropped)}
                                                   : std::vector<std::string>{})
            << c.name;
        for (INT i = 0; i <= doc.GetLastIndex(); ++i) {
            if (const StoryboardItem* item = doc.GetItem(i)) {
                EXPECT_LE(item->GetDuration().GetSeconds(), 24.0 * 60 * 60) << c.name << ", slot " << i;
            }
        }
    }
}

// A file cut short (a partial copy or download) says how many of the items
// its index names it lost: every slot after the last section left, and a
// last section cut before its item could be read.
TEST_F(StoryboardDocumentTest, FilesCutShortCountTheItemsTheyLost)
{
    CSBDoc source;
    FillSmallBoard(source);
    ASSERT_EQ(source.GetStoryboard()->SetItem(new Transition(MakeEffect(33, 1.0f, 1.0f, 0.5f)), 3), 0);
    ASSERT_EQ(Layout(source), "STSTS");
    const std::string saved = m_folder.File("whole.sbd");
    ASSERT_TRUE(source.SaveStoryboard(saved.c_str()));
    const std::string text = ReadFile(saved);

    // The file ends just before `marker`, or just after it when it is kept.
    struct Cut {
        const char* name;
        std::string marker;
        bool markerKept;
        INT lost;
    };
    const Cut cuts[] = {
        {"the whole file", "", false, 0},
        {"before the last section", "[Scene_4]", false, 1},
        {"before the second transition", "[Scene_3]", false, 2},
        {"before the first transition", "[Scene_1]", false, 4},
        {"right after the index", "[Scene_0]", false, 5},
        {"inside the last item's kind", "[Scene_4]\r\nItemType=Sc", true, 1},
        {"after the last item's kind", "[Scene_4]\r\nItemType=Scene\r\n", true, 1},
    };
    for (const Cut& cut : cuts) {
        m_host.m_messages.clear();
        std::string kept = text;
        if (!cut.marker.empty()) {
            const size_t at = text.find(cut.marker);
            ASSERT_NE(at, std::string::npos) << cut.name;
            kept = text.substr(0, at + (cut.markerKept ? cut.marker.size() : 0));
        }
        CSBDoc doc;
        EXPECT_EQ(doc.InsertStoryboardFile(m_folder.Write("cut.sbd", kept).c_str(), 0), 5) << cut.name;
        EXPECT_EQ(doc.GetDroppedItemCount(), cut.lost) << cut.name;
        // The count comes last, after any message of the merge.
        EXPECT_EQ(m_host.m_messages.empty() ? std::string() : m_host.m_messages.back(),
                  cut.lost > 0 ? LeftOutMessage(cut.lost) : std::string())
            << cut.name;
    }

    // The clipboard carries its text whole: a range copied up to an empty
    // slot is not taken for a cut one.
    CSBDoc small;
    FillSmallBoard(small);
    ASSERT_TRUE(small.CopyToClipboard(2, 3));
    m_host.m_messages.clear();
    CSBDoc target;
    target.Paste(0);
    EXPECT_EQ(Layout(target), "S");
    EXPECT_EQ(target.GetDroppedItemCount(), 0);
    EXPECT_TRUE(m_host.m_messages.empty());
}

TEST_F(StoryboardDocumentTest, PlacementsTheStoryboardRefusesAreDeletedAndReported)
{
    CSBDoc doc;
    EXPECT_EQ(doc.AddScene(ColourScene(RGB(1, 1, 1), 2.0), 0), CSBDoc::kSceneSet);
    EXPECT_EQ(doc.AddScene(ColourScene(RGB(2, 2, 2), 2.0), 0), CSBDoc::kSceneInserted);
    EXPECT_EQ(doc.AddScene(ColourScene(RGB(3, 3, 3), 2.0), 4096), CSBDoc::kSceneRefused);
    EXPECT_EQ(doc.AddScene(nullptr, 2), CSBDoc::kSceneRefused);
    EXPECT_EQ(doc.AddSceneFromFile(3, "whatever.avi"), CSBDoc::kSceneRefused);
    EXPECT_EQ(Layout(doc), "S.S");
    EXPECT_EQ(m_host.m_messages.size(), 2u);
    EXPECT_EQ(m_host.m_messages[0], Text(2029) + " | " + Text(2003) + " | 48");

    doc.SetPendingScene(ColourScene(RGB(4, 4, 4), 2.0));
    EXPECT_FALSE(doc.PlacePendingScene(4096));
    EXPECT_EQ(doc.GetPendingScene(), nullptr) << "the refused scene is not left pending";
    EXPECT_EQ(m_host.m_messages.size(), 3u);
    doc.SetPendingScene(ColourScene(RGB(5, 5, 5), 2.0));
    EXPECT_TRUE(doc.PlacePendingScene(2));
    EXPECT_EQ(Layout(doc), "S.S.S");
}

TEST_F(StoryboardDocumentTest, ImportPlacesAtTheNextEvenSlot)
{
    const std::string video = ScriptedVideo("media/import.avi", 4.0);
    m_host.m_strChosen = video;

    CSBDoc doc;
    FillSmallBoard(doc);
    m_host.m_nCurrentSlot = 1;
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    EXPECT_EQ(Layout(doc), "STS.S.S") << "inserted at 2";
    EXPECT_STREQ(static_cast<const Scene*>(doc.GetItem(2))->GetMediaPath(), video.c_str());
    m_host.m_nCurrentSlot = -1;
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    EXPECT_EQ(Layout(doc), "STS.S.S.S") << "last index 6 + 1 raised to 8";
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"open dialog scn", "library " + video + " 00", "select 2",
                                                         "open dialog scn", "library " + video + " 00", "select 8"}));

    // A storyboard file is inserted whole; a missing or unusable file says so.
    CSBDoc source;
    FillSmallBoard(source);
    const std::string board = m_folder.File("import.SBD");
    ASSERT_TRUE(source.SaveStoryboard(board.c_str()));
    m_host.m_strChosen = board;
    m_host.m_nCurrentSlot = 9;
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    EXPECT_EQ(Layout(doc), "STS.S.S.S.STS.S");
    m_host.m_strChosen = m_folder.File("gone.avi");
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    const std::string junk = m_folder.Write("junk.xyz", "junk");
    m_host.m_strChosen = junk;
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    // Windows Media and RealMedia video is produced by pass-through only.
    const std::string windowsMedia = ScriptedVideo("media/clip.wmv", 4.0);
    m_host.m_strChosen = windowsMedia;
    EXPECT_EQ(doc.ImportMediaFile(), 0);
    ASSERT_EQ(m_host.m_messages.size(), 3u);
    EXPECT_EQ(m_host.m_messages[0], "The file " + m_folder.File("gone.avi") + " does not exist. | <app> | 48");
    EXPECT_EQ(m_host.m_messages[1], "The file " + junk + " cannot be used as a scene. | <app> | 48");
    EXPECT_EQ(m_host.m_messages[2], "The file " + windowsMedia + " cannot be used as a scene. | <app> | 48");
    EXPECT_EQ(doc.GetPendingScene(), nullptr);
    EXPECT_EQ(Layout(doc), "STS.S.S.S.STS.S");
}

TEST_F(StoryboardDocumentTest, ATransitionOnSlotOneOfAnEmptyBoardGetsColourScenes)
{
    CSBDoc doc;
    TransitionEffect* effect = MakeEffect(33, 2.0f, 2.0f, 0.0f);
    effect->SetAUseColor(0);
    effect->SetBUseColor(0);
    doc.InitTransitionDurations(effect, 1);
    EXPECT_FLOAT_EQ(effect->GetADuration(), 5.0f);
    EXPECT_FLOAT_EQ(effect->GetBDuration(), 5.0f);
    EXPECT_EQ(effect->GetAUseColor(), 1);
    EXPECT_EQ(effect->GetBUseColor(), 1);
    EXPECT_FLOAT_EQ(effect->GetOverlapDuration(), 1.0f);
    doc.ApplyTransition(effect, 1, FALSE);
    EXPECT_EQ(Layout(doc), "STS");
    for (INT slot : {0, 2}) {
        const auto* scene = static_cast<const Scene*>(doc.GetItem(slot));
        EXPECT_EQ(scene->GetMediaKind(), Scene::kMediaColor);
        EXPECT_DOUBLE_EQ(scene->GetDuration().GetSeconds(), 5.0);
    }
    EXPECT_EQ(doc.GetTransitionEffect(1), effect);
    EXPECT_FLOAT_EQ(effect->GetOverlapDuration(), 1.0f);

    // Family 0 or slot 0 empties the slot.
    doc.ApplyTransition(nullptr, 1, FALSE);
    EXPECT_EQ(Layout(doc), "S.S");
    doc.ApplyTransition(MakeEffect(33, 1.0f, 1.0f, 1.0f), 2, FALSE);
    EXPECT_EQ(Layout(doc), "S.S");
}

TEST_F(StoryboardDocumentTest, TransitionsAreClampedToWhatTheirScenesLeave)
{
    CSBDoc doc;
    Storyboard& board = *doc.GetStoryboard();
    ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 0), 5.0), 0), 0);
    ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 2.0f, 2.0f, 1.5f)), 1), 0);
    ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 0), 4.0), 2), 0);
    ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 0), 10.0), 4), 0);
    TransitionEffect* effect = MakeEffect(33, 5.0f, 5.0f, 3.0f);
    doc.ApplyTransition(effect, 3, FALSE);
    EXPECT_FLOAT_EQ(effect->GetADuration(), 2.5f) << "4 s less the 1.5 s on the far side";
    EXPECT_FLOAT_EQ(effect->GetBDuration(), 5.0f);
    EXPECT_FLOAT_EQ(effect->GetOverlapDuration(), 2.5f);

    TransitionEffect init(TransitionCatalog::FindRowById(33));
    doc.InitTransitionDurations(&init, 3);
    EXPECT_FLOAT_EQ(init.GetADuration(), 4.0f - 1.5f);
    EXPECT_FLOAT_EQ(init.GetBDuration(), 10.0f);
    EXPECT_EQ(init.GetAUseColor(), 0);

    // No scene after a transition: no overlap.
    TransitionEffect lone(TransitionCatalog::FindRowById(33));
    lone.SetOverlapDuration(2.0f);
    doc.ClampTransition(&lone, 5);
    EXPECT_FLOAT_EQ(lone.GetOverlapDuration(), 0.0f);
}

TEST_F(StoryboardDocumentTest, ClampingAllSkipsATrailingTransitionAndLaysTheItemsOutAgain)
{
    CSBDoc doc;
    Storyboard& board = *doc.GetStoryboard();
    ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 0), 5.0), 0), 0);
    ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 2.0f, 2.0f, 2.0f)), 1), 0);
    ASSERT_EQ(board.SetItem(ColourScene(RGB(0, 0, 0), 5.0), 2), 0);
    ASSERT_EQ(board.SetItem(new Transition(MakeEffect(33, 2.0f, 2.0f, 0.25f)), 3), 0);
    board.RecomputeTimes();
    EXPECT_EQ(doc.GetItem(2)->GetStart().GetMilliseconds(), 3000);

    // The scene after the first transition gets shorter than its overlap.
    static_cast<Scene*>(doc.GetItem(2))->SetDuration(Seconds(1.0));
    board.RecomputeTimes();
    EXPECT_EQ(doc.ClampAllTransitions(), 3);
    // 1 s less the 0.25 s of the transition on its far side.
    EXPECT_FLOAT_EQ(doc.GetTransitionEffect(1)->GetOverlapDuration(), 0.75f);
    EXPECT_FLOAT_EQ(doc.GetTransitionEffect(3)->GetOverlapDuration(), 0.25f) << "the trailing one is skipped";
    EXPECT_EQ(doc.GetItem(2)->GetStart().GetMilliseconds(), 4250) << "times follow the shorter overlap";

    // Stills and colour scenes get the given length (0: one second).
    doc.SetStillSceneDurations(0.0, TRUE);
    for (INT slot : {0, 2})
        EXPECT_DOUBLE_EQ(doc.GetItem(slot)->GetDuration().GetSeconds(), 1.0);
    EXPECT_TRUE(doc.RangeHasStillScenes(FALSE));
    EXPECT_TRUE(doc.IsStoryboardModified());
    EXPECT_FLOAT_EQ(doc.GetTransitionEffect(1)->GetOverlapDuration(), 0.75f);
    EXPECT_EQ(doc.GetItem(2)->GetStart().GetMilliseconds(), 250);
    EXPECT_FALSE(CSBDoc().RangeHasStillScenes(FALSE));

    // With a selection only the selected scenes change.
    m_host.m_nSelectionFirst = 2;
    m_host.m_nSelectionLast = 40;
    doc.SetStillSceneDurations(3.0, FALSE);
    EXPECT_DOUBLE_EQ(doc.GetItem(0)->GetDuration().GetSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(doc.GetItem(2)->GetDuration().GetSeconds(), 3.0);
}

TEST_F(StoryboardDocumentTest, ProduceResultsShowTheirMessages)
{
    CSBDoc doc;
    struct Case {
        INT code;
        INT message;
    };
    for (const Case& c : {Case{0, 0}, {-97, 0}, {-96, 0}, {-94, 2043}, {257, 2031}, {258, 2032}, {259, 2033},
                          {260, 2034}, {261, 2035}, {262, 2036}, {263, 2037}, {-100, 2038}, {-99, 3011},
                          {-98, 2040}, {-95, 2042}, {-93, 2046}, {1, 2043}, {-1, 2043}}) {
        m_host.m_messages.clear();
        EXPECT_EQ(doc.ShowProduceResult(c.code, 1), c.code == 0 ? 1 : 0) << c.code;
        if (c.message == 0) {
            EXPECT_TRUE(m_host.m_messages.empty()) << c.code;
        } else {
            ASSERT_EQ(m_host.m_messages.size(), 1u) << c.code;
            EXPECT_EQ(m_host.m_messages[0], Text(c.message) + " | " + Text(2044) + " | " + std::to_string(0x1040))
                << c.code;
        }
    }
}

TEST_F(StoryboardDocumentTest, ProduceRunsTheProducerOverTheBoardOrTheSelection)
{
    CSBDoc doc;
    FillSmallBoard(doc);
    m_host.m_strOutput = m_folder.File("movie.avi");
    EXPECT_EQ(doc.Produce(), 1);
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"buttons 11", "prepare 0 0 0 32767", "produce",
                                                         "library " + m_host.m_strOutput + " 10", "slider 1",
                                                         "buttons 00"}));

    m_host.m_events.clear();
    doc.GetProductionSettings()->m_bSelectionOnly = 1;
    m_host.m_nSelectionFirst = 2;
    m_host.m_nSelectionLast = 4;
    m_host.m_nPrepareResult = 259;
    EXPECT_EQ(doc.Produce(), 0);
    EXPECT_EQ(m_host.m_events,
              (std::vector<std::string>{"buttons 11", "prepare 0 1 2 4", "slider 1", "buttons 00"}));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].rfind(Text(2033), 0), 0u);

    EXPECT_EQ(doc.SaveRangeToLibrary(1, 3), 0);
    EXPECT_EQ(m_host.m_events.back(), "save range 1 3");
}

// A storyboard saved beside its media folder and opened by a relative name
// from the folder above (as from a terminal) finds its media where it lies.
TEST_F(StoryboardDocumentTest, AStoryboardOpenedByARelativeNameFindsItsMedia)
{
    const std::string clip = ScriptedVideo("media/clip.avi", 6.0);
    std::filesystem::create_directories(m_folder.File("out"));
    CSBDoc doc;
    ASSERT_EQ(doc.GetStoryboard()->SetItem(new Scene(clip.c_str()), 0), 0);
    ASSERT_TRUE(doc.SaveStoryboard(m_folder.File("out/film.SBD").c_str()));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(m_folder.Path());
    CSBDoc reader;
    const INT inserted = reader.InsertStoryboardFile("out/film.SBD", 0);
    std::filesystem::current_path(previous);
    EXPECT_EQ(inserted, 1);
    const auto* scene = static_cast<const Scene*>(reader.GetItem(0));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(std::filesystem::path(scene->GetMediaPath()), std::filesystem::canonical(clip));
    EXPECT_FALSE(scene->IsMediaMissing());
    EXPECT_TRUE(m_host.m_messages.empty());
}

TEST_F(StoryboardDocumentTest, RenamingMediaMovesTheFileAndEveryUserFollows)
{
    const std::string clip = ScriptedVideo("media/clip.avi", 6.0);
    CSBDoc doc;
    Storyboard& board = *doc.GetStoryboard();
    ASSERT_EQ(board.SetItem(new Scene(clip.c_str()), 0), 0);
    ASSERT_EQ(board.SetItem(new Scene(clip.c_str()), 2), 0);
    // An overlay of the same file follows too.
    auto* colour = ColourScene(RGB(0, 0, 0), 5.0);
    colour->SetMotionEffect(MotionEffect());
    ASSERT_EQ(colour->SetOverlayMedia(clip.c_str()), 1);
    ASSERT_EQ(board.SetItem(colour, 4), 0);
    board.SetModified(FALSE);

    // Cancel, the same name, and a name in a folder that does not exist
    // change nothing.
    doc.RenameSceneMedia(0);
    m_host.m_strChosen = clip;
    doc.RenameSceneMedia(0);
    m_host.m_strChosen = m_folder.File("nowhere/clip.avi");
    doc.RenameSceneMedia(0);
    EXPECT_STREQ(static_cast<const Scene*>(doc.GetItem(0))->GetMediaPath(), clip.c_str());
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0], "The file " + clip + " cannot be renamed. | <app> | 0");
    EXPECT_FALSE(doc.IsStoryboardModified());
    EXPECT_EQ(m_host.m_events[0], "save dialog *.avi " + clip + " *.avi|*.avi||");

    const std::string renamed = m_folder.File("media/holiday.avi");
    m_host.m_strChosen = renamed;
    doc.RenameSceneMedia(0);
    EXPECT_TRUE(std::filesystem::exists(renamed));
    EXPECT_FALSE(std::filesystem::exists(clip));
    for (INT slot : {0, 2})
        EXPECT_STREQ(static_cast<const Scene*>(doc.GetItem(slot))->GetMediaPath(), renamed.c_str()) << slot;
    CStringList paths;
    doc.CollectMediaPaths(&paths);
    std::vector<std::string> collected;
    for (POSITION p = paths.GetHeadPosition(); p != nullptr;)
        collected.push_back(static_cast<LPCSTR>(paths.GetNext(p)));
    EXPECT_EQ(std::count(collected.begin(), collected.end(), renamed), 3) << "two scenes and the overlay";
    EXPECT_EQ(std::count(collected.begin(), collected.end(), clip), 0);
    EXPECT_EQ(m_host.m_events.back(), "renamed " + clip + " " + renamed);
    EXPECT_TRUE(doc.IsStoryboardModified());
}

// The audio clips of a renamed file follow it too, on every scene and
// track, while clips of other files stay.
TEST_F(StoryboardDocumentTest, RenamingMediaRepointsTheAudioClipsThatPlayIt)
{
    std::filesystem::create_directories(m_folder.File("media"));
    const std::string sound = WriteSound("media/voice.wav", {media_fixtures::SoundKind::Wav16, 11025, 1, 2.0});
    const std::string other = WriteSound("media/music.wav", {media_fixtures::SoundKind::Wav16, 11025, 1, 2.0});
    CSBDoc doc;
    Storyboard& board = *doc.GetStoryboard();
    // A scene whose media is the sound file itself (no import makes one, but
    // a storyboard file may name any file as a scene's media).
    auto* own = new Scene(new VideoMaterial(sound.c_str(), 25.0, 0, CMediaTime(), Seconds(2.0), 1));
    ASSERT_STREQ(own->GetMediaPath(), sound.c_str());
    ASSERT_EQ(board.SetItem(own, 0), 0);
    auto* colour = ColourScene(RGB(0, 0, 0), 5.0);
    ASSERT_EQ(board.SetItem(colour, 2), 0);
    for (auto [scene, track, path] : {std::tuple{own, 1, sound}, {colour, 0, sound}, {colour, 3, sound},
                                      {colour, 5, other}}) {
        AudioClipList list;
        ASSERT_NE(list.AddFile(path.c_str(), nullptr, nullptr), nullptr) << path;
        scene->GetAudio()->SetTrack(track, &list);
    }
    auto clipPath = [](Scene* scene, INT track) {
        return std::string(scene->GetAudio()->GetTrack(track)->GetAt(0)->GetSourcePath());
    };

    const std::string renamed = m_folder.File("media/speech.wav");
    m_host.m_strChosen = renamed;
    doc.RenameSceneMedia(0);
    ASSERT_TRUE(std::filesystem::exists(renamed));
    EXPECT_FALSE(std::filesystem::exists(sound));
    EXPECT_TRUE(m_host.m_messages.empty());
    EXPECT_STREQ(own->GetMediaPath(), renamed.c_str());
    EXPECT_EQ(clipPath(own, 1), renamed);
    EXPECT_EQ(clipPath(colour, 0), renamed);
    EXPECT_EQ(clipPath(colour, 3), renamed);
    EXPECT_EQ(clipPath(colour, 5), other) << "a clip of another file stays";
    EXPECT_EQ(m_host.m_events.back(), "renamed " + sound + " " + renamed);
}

TEST_F(StoryboardDocumentTest, RelinkTreatsAudioAndVideoPathsApart)
{
    const std::string sound = ScriptedSound("media/voice.wav", 3.0, Pcm(1, 22050, 16));
    const std::string other = ScriptedSound("media/other.wav", 3.0, Pcm(1, 22050, 16));
    CSBDoc doc;
    auto* scene = ColourScene(RGB(0, 0, 0), 5.0);
    AudioClipList list;
    ASSERT_NE(list.AddFile(sound.c_str(), nullptr, nullptr), nullptr);
    scene->GetAudio()->SetTrack(0, &list);
    ASSERT_EQ(doc.GetStoryboard()->SetItem(scene, 0), 0);
    doc.RelinkMedia(sound.c_str(), other.c_str(), 0, -1);
    CStringList paths;
    EXPECT_EQ(doc.CollectMediaPaths(&paths), 0);
    bool found = false;
    for (POSITION p = paths.GetHeadPosition(); p != nullptr;)
        found = found || std::string(static_cast<LPCSTR>(paths.GetNext(p))) == other;
    EXPECT_TRUE(found);
    EXPECT_EQ(doc.DropMediaThumbnails(sound.c_str()), 1);
    EXPECT_FALSE(doc.RefreshScenesUsingMedia(sound.c_str(), 0, -1));

    // A video path: the scenes using it up to the last index given follow,
    // the path compared without regard to case.
    const std::string clip = ScriptedVideo("media/clip.avi", 4.0);
    const std::string moved = ScriptedVideo("media/moved.avi", 4.0);
    ASSERT_EQ(doc.GetStoryboard()->SetItem(new Scene(clip.c_str()), 2), 0);
    ASSERT_EQ(doc.GetStoryboard()->SetItem(new Scene(clip.c_str()), 4), 0);
    auto mediaOf = [&](INT slot) { return std::string(static_cast<const Scene*>(doc.GetItem(slot))->GetMediaPath()); };
    doc.RelinkMedia(clip.c_str(), moved.c_str(), 0, 2);
    EXPECT_EQ(mediaOf(2), moved);
    EXPECT_EQ(mediaOf(4), clip) << "beyond the last index given";
    CString upper = clip.c_str();
    upper.MakeUpper();
    doc.RelinkMedia(upper, moved.c_str(), 0, -1);
    EXPECT_EQ(mediaOf(4), moved);
    EXPECT_EQ(std::string(scene->GetAudio()->GetTrack(0)->GetAt(0)->GetSourcePath()), other) << "clips stay";
    EXPECT_TRUE(doc.RefreshScenesUsingMedia(moved.c_str(), 0, -1));
}

TEST_F(StoryboardDocumentTest, TheDefaultTextStyleCarriesTheFont)
{
    CSBDoc doc;
    TextEffect styled;
    styled.m_lf.lfHeight = 42;
    styled.m_lf.lfWeight = 700;
    styled.m_lf.lfFaceName[0] = u'Q';
    styled.m_lf.lfFaceName[1] = 0;
    doc.SetDefaultTextStyle(&styled);
    TextEffect fresh;
    doc.ApplyDefaultTextStyle(&fresh);
    EXPECT_EQ(fresh.m_lf.lfHeight, 42);
    EXPECT_EQ(fresh.m_lf.lfWeight, 700);
    EXPECT_EQ(fresh.m_lf.lfFaceName[0], u'Q');
    EXPECT_EQ(CSBDoc().GetCellWidth(3), 36 + 40) << "76 for a transition cell without a strip";
}

TEST_F(StoryboardDocumentTest, TheTemplateOpensAFileHiddenAndTheDocumentIsDynamic)
{
    CRuntimeClass* documentClass = RUNTIME_CLASS(CSBDoc);
    std::unique_ptr<CObject> made(documentClass->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CDocument)));
    EXPECT_STREQ(documentClass->m_lpszClassName, "CSBDoc");
    EXPECT_FALSE(static_cast<CSBDoc*>(made.get())->OnOpenDocument("a.sbd")) << "no main window";
}

TEST_F(StoryboardDocumentTest, TheLibraryTravelsWithTheStoryboardWhenTheSettingSaysSo)
{
    CSBDoc doc;
    FillSmallBoard(doc);
    m_host.m_strLibraryPath = m_folder.File("libraries/Holiday.kll");
    const std::string plain = m_folder.File("plain.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(plain.c_str()));
    CProfile saved;
    ASSERT_EQ(saved.Load(plain.c_str()), CProfile::kOk);
    EXPECT_FALSE(saved.HasEntry("Header", "LibraryName"));

    m_shell.m_nNewMediaAudio = 1;
    const std::string with = m_folder.File("with-library.sbd");
    ASSERT_TRUE(doc.SaveStoryboard(with.c_str()));
    ASSERT_EQ(saved.Load(with.c_str()), CProfile::kOk);
    EXPECT_STREQ(saved.GetValue("Header", "LibraryName"), "Holiday.kll");
    EXPECT_STREQ(saved.GetValue("Header", "LibraryPath"), "$\\libraries\\Holiday.kll");
    std::unique_ptr<CProfile> clip(doc.BuildStoryboardProfile("", 0, 2));
    EXPECT_STREQ(clip->GetValue("Header", "LibraryPath"), m_host.m_strLibraryPath.c_str()) << "full path";

    CSBDoc reader;
    EXPECT_EQ(reader.InsertStoryboardFile(with.c_str(), 0), 5);
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"open library " + m_host.m_strLibraryPath + " Holiday.kll"}));
}

TEST_F(StoryboardDocumentTest, PastingAtAnOddSlotInsertsAtTheNextEvenOne)
{
    CSBDoc source;
    FillSmallBoard(source);
    ASSERT_TRUE(source.CopyToClipboard(0, 1));
    CSBDoc doc;
    FillSmallBoard(doc);
    doc.Paste(3);
    EXPECT_EQ(Layout(doc), "STS.STS");
}

TEST_F(StoryboardDocumentTest, ThePropertiesSheetGetsTheSceneTheTransitionOrThePath)
{
    CSBDoc doc;
    FillSmallBoard(doc);
    const std::string caption = Text(61469);
    EXPECT_FALSE(doc.EditCurrentItemProperties()) << "no current slot";
    m_host.m_nCurrentSlot = 1;
    EXPECT_TRUE(doc.EditCurrentItemProperties());
    EXPECT_TRUE(doc.EditItemProperties(static_cast<Scene*>(doc.GetItem(0))));
    EXPECT_FALSE(doc.EditMediaProperties(""));
    EXPECT_TRUE(doc.EditMediaProperties("/media/a.avi"));
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"properties " + caption + " [] - transition",
                                                         "properties " + caption + " [] scene -",
                                                         "properties " + caption + " [/media/a.avi] - -"}));
}

TEST_F(StoryboardDocumentTest, ATrueColourDisplayNeedsNoPalette)
{
    CSBDoc doc;
    EXPECT_EQ(doc.RealizePalette(nullptr), 1);
    doc.ReleasePalette();
}

// The program's untranslated module names every part of a scene file, so
// a scene file whose media exists passes the check and one whose media has
// gone names it.
TEST_F(StoryboardDocumentTest, SceneFilesOfTheProgramsOwnNamesPassTheMediaCheck)
{
    const std::string still = m_folder.File("picture.bmp");
    ASSERT_TRUE(media_fixtures::WriteStill(still, media_fixtures::StillKind::Bmp24, 16, 16));
    Scene scene(still.c_str());
    ASSERT_TRUE(scene.IsValid());
    CProfile profile;
    const std::string header = KeyName(1104);
    profile.SetSection(header.c_str());
    profile.SetValue(header.c_str(), KeyName(1106).c_str(), KeyName(1121).c_str());
    profile.SetValue(header.c_str(), KeyName(1107).c_str(), KeyName(1122).c_str());
    scene.Save(m_folder.Path().c_str(), &profile, KeyName(1113).c_str());
    const std::string path = WriteProfile(profile, "picture.scn");

    INT ok = 0;
    CString missing;
    EXPECT_EQ(CMediaFile(path.c_str()).CheckSceneMedia(&ok, missing), CMediaFile::kOk);
    EXPECT_EQ(ok, 1);
    std::filesystem::remove(still);
    CMediaFile(path.c_str()).CheckSceneMedia(&ok, missing);
    EXPECT_EQ(ok, 0);
    EXPECT_STREQ(missing, still.c_str());
}

} // namespace
