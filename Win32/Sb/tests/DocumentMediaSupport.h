#pragma once
// Helpers of the material and audio tests: the program's resource modules,
// shell services that record what the document model asks of the shell,
// a reader factory whose video and sound readers are scripted (sound files
// without a script are measured through FFmpeg, as a real reader would),
// and the profile document round trip.

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Kernel/System.h"
#include "Platform/Win/User/MessageBox.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"
#include "tests/support/TempDir.h"

namespace document_media {

inline CMediaTime Seconds(double seconds)
{
    return media_tests::Seconds(seconds);
}

inline LONGLONG MicrosecondsOf(double seconds)
{
    return static_cast<LONGLONG>(seconds * 1000000.0);
}

// The name of entry `id` as the untranslated module gives it.
inline std::string KeyName(UINT id, const std::string& suffix = "")
{
    CResourceSwitch untranslated(kResourceUntranslated);
    CString name;
    name.LoadString(id);
    return static_cast<LPCSTR>(name) + suffix;
}

struct Entry {
    UINT id;
    std::string value;
    std::string suffix = "";
};

// A section of entries named by their string ids.
inline void PutEntries(CProfile& profile, LPCSTR section, const std::vector<Entry>& entries)
{
    profile.SetSection(section);
    for (const Entry& entry : entries)
        profile.SetValue(section, KeyName(entry.id, entry.suffix).c_str(), entry.value.c_str());
}

// The stored text of entry `id`, or "<missing>".
inline std::string ValueOf(const CProfile& profile, LPCSTR section, UINT id, const std::string& suffix = "")
{
    LPCSTR value = profile.GetValue(section, KeyName(id, suffix).c_str());
    return value != nullptr ? value : "<missing>";
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_previous = old;
            m_hadPrevious = true;
        }
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { Restore(); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    // Puts the earlier value back now.
    void Restore() { SetEnvironmentVariableA(m_name, m_hadPrevious ? m_previous.c_str() : nullptr); }

private:
    const char* m_name;
    std::string m_previous;
    bool m_hadPrevious = false;
};

// What a scripted reader reports.
struct ReaderScript {
    double seconds = 0.0;
    INT width = 0;
    INT height = 0;
    double frameRate = 0.0;
    // 0: no video header.
    WORD bitCount = 0;
    INT subtypeResult = 0;
    GUID subtype{};
    // wFormatTag 0: no sound.
    WAVEFORMATEX sound{};
};

class ScriptedSource : public CMediaSource {
public:
    explicit ScriptedSource(const ReaderScript& script) : m_script(script)
    {
        m_tLength.SetSeconds(script.seconds);
        m_nOutWidth = script.width;
        m_nOutHeight = script.height;
        m_dFrameRate = script.frameRate;
        m_header.biSize = sizeof m_header;
        m_header.biWidth = script.width;
        m_header.biHeight = script.height;
        m_header.biBitCount = script.bitCount;
    }
    INT HasVideo() override { return m_script.width > 0 ? 1 : 0; }
    INT HasAudio() override { return m_script.sound.wFormatTag != 0 ? 1 : 0; }
    INT GetAudioFormat(WAVEFORMATEX* format) override
    {
        if (!HasAudio())
            return 0;
        *format = m_script.sound;
        return 1;
    }
    WAVEFORMATEX* GetNativeAudioFormat() override { return HasAudio() ? &m_script.sound : nullptr; }
    BITMAPINFOHEADER* GetVideoHeader() override { return m_script.bitCount != 0 ? &m_header : nullptr; }
    INT GetVideoSubtype(GUID* subtype) override
    {
        *subtype = m_script.subtype;
        return m_script.subtypeResult;
    }

private:
    ReaderScript m_script;
    BITMAPINFOHEADER m_header{};
};

inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits)
{
    return media_tests::PcmFormat(channels, rate, bits);
}

// Video and sound readers follow the scripts by path; sound files without
// a script are measured with FFmpeg. Stills and RealMedia files get the
// program's real readers.
class ScriptedFactory : public CMediaReaderFactory {
public:
    CMediaSource* CreateDShowReader(LPCSTR path) override { return Make(path); }
    CMediaSource* CreateAviFileReader(LPCSTR path) override { return Make(path); }

    std::map<std::string, ReaderScript> m_scripts;

private:
    CMediaSource* Make(LPCSTR path)
    {
        auto found = m_scripts.find(path);
        if (found != m_scripts.end())
            return new ScriptedSource(found->second);
        media_fixtures::ProbedSound sound;
        if (!media_fixtures::ProbeSound(path, sound))
            return nullptr;
        ReaderScript script;
        script.seconds = sound.seconds;
        script.sound = Pcm(static_cast<WORD>(sound.channels), static_cast<DWORD>(sound.sampleRate),
                           static_cast<WORD>(sound.bits));
        return new ScriptedSource(script);
    }
};

// Records what the document model asks of the shell, in order.
class RecordingShell : public CShellServices {
public:
    INT FindMissingMedia(CString* path, INT optionA, INT optionB) override
    {
        m_events.push_back("search " + std::string(*path) + " " + std::to_string(optionA) + std::to_string(optionB));
        auto found = m_replacements.find(static_cast<LPCSTR>(*path));
        if (found != m_replacements.end())
            *path = found->second.c_str();
        return CShellServices::FindMissingMedia(path, optionA, optionB);
    }
    INT GetProfileInt(LPCSTR section, LPCSTR entry, INT missing) override
    {
        m_events.push_back("setting " + std::string(section) + "/" + entry);
        return m_nNewMediaAudio >= 0 ? m_nNewMediaAudio : missing;
    }
    int MessageBox(LPCSTR text, LPCSTR caption, UINT buttons) override
    {
        m_events.push_back("message " + std::string(text) + " | " + caption + " | " + std::to_string(buttons));
        return IDOK;
    }
    void Beep(UINT type) override { m_events.push_back("beep " + std::to_string(type)); }

    // The events that start with `prefix`.
    std::vector<std::string> Events(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& event : m_events) {
            if (event.rfind(prefix, 0) == 0)
                found.push_back(event);
        }
        return found;
    }

    std::vector<std::string> m_events;
    // Paths the missing-media search answers with another.
    std::map<std::string, std::string> m_replacements;
    // The application's audio setting for new media; -1: not set.
    INT m_nNewMediaAudio = -1;
};

// The program's resource modules, the recording shell and the scripted
// readers for the life of each test.
class DocumentMediaTest : public ::testing::Test {
protected:
    DocumentMediaTest()
        : m_resources(KESTRELON_PROGRAM_MODULES), m_previousShell(CShellServices::Set(&m_shell)),
          m_readers(&m_factory)
    {
        media_fixtures::QuietMediaLogs();
    }
    ~DocumentMediaTest() override { CShellServices::Set(m_previousShell); }

    // A sound file whose reader reports `seconds` of `format`.
    std::string ScriptedSound(const std::string& name, double seconds, const WAVEFORMATEX& format)
    {
        const std::string path = Touch(name);
        ReaderScript script;
        script.seconds = seconds;
        script.sound = format;
        m_factory.m_scripts[path] = script;
        return path;
    }

    // A file of some bytes (readers are scripted, so the bytes do not
    // matter), in a sub-folder when the name has one.
    std::string Touch(const std::string& name, const std::string& bytes = "media")
    {
        std::filesystem::create_directories(std::filesystem::path(m_folder.File(name)).parent_path());
        return m_folder.Write(name, bytes);
    }

    std::string WriteSound(const std::string& name, const media_fixtures::SoundClip& clip)
    {
        const std::string path = m_folder.File(name);
        EXPECT_TRUE(media_fixtures::WriteSound(path, clip)) << name;
        return path;
    }

    // `profile` written to a file and read back into `reloaded`, as a
    // storyboard file goes to disk and comes back.
    void RoundTrip(CProfile& profile, CProfile& reloaded)
    {
        const std::string path = m_folder.File("round-trip.sbd");
        ASSERT_EQ(profile.Save(path.c_str()), CProfile::kOk);
        ASSERT_EQ(reloaded.Load(path.c_str()), CProfile::kOk);
    }

    testing_support::LoadedResourceModules m_resources;
    RecordingShell m_shell;
    CShellServices* m_previousShell;
    ScriptedFactory m_factory;
    media_tests::ScopedReaderFactory m_readers;
    testing_support::TempDir m_folder;
};

} // namespace document_media
