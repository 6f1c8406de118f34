#include "Platform/Outside/WaveExtract/WaveExtract.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Win/Kernel/Sync.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::SoundClip;
using media_fixtures::SoundKind;
using media_fixtures::WavFileInfo;
using testing_support::TempDir;

constexpr LONGLONG kUnitsPerSecond = 10000000;

std::string WriteClip(const TempDir& folder, const std::string& name, const SoundClip& clip)
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(media_fixtures::WriteSound(path, clip)) << name;
    return path;
}

BOOL Extract(const std::string& source, const std::string& target, LONGLONG start = 0, LONGLONG stop = 0)
{
    CString from(source.c_str());
    CString to(target.c_str());
    return AMExtractWaveFile(from, to, start, stop);
}

// The window given in seconds.
BOOL ExtractWindow(const std::string& source, const std::string& target, double start, double stop)
{
    return Extract(source, target, std::llround(start * kUnitsPerSecond), std::llround(stop * kUnitsPerSecond));
}

long SampleFrames(const WavFileInfo& info)
{
    return info.blockAlign > 0 ? static_cast<long>(info.dataBytes / static_cast<unsigned>(info.blockAlign)) : -1;
}

int FilesIn(const TempDir& folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++count;
    return count;
}

// The process-wide stop event, made as the media library makes it.
class StopEventHolder {
public:
    explicit StopEventHolder(BOOL set) : m_event(CreateEventA(nullptr, TRUE, set, AUDIO_CONVERSION_STOP_EVENT)) {}
    ~StopEventHolder() { CloseHandle(m_event); }
    void Set() { SetEvent(m_event); }
    StopEventHolder(const StopEventHolder&) = delete;
    StopEventHolder& operator=(const StopEventHolder&) = delete;

private:
    HANDLE m_event;
};

TEST(WaveExtract, EverySoundBecomesPcmOfItsRateAndChannelsAndLength)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    // Compressed sound may come out up to one codec frame longer or shorter.
    struct Case {
        const char* name;
        SoundClip clip;
        int bits;
        long tolerance;
    } const cases[] = {
        {"tone16.wav", {SoundKind::Wav16, 22050, 2, 1.5}, 16, 0},
        {"tone8.wav", {SoundKind::Wav8, 11025, 1, 1.0}, 8, 0},
        {"song.mp3", {SoundKind::Mp3, 22050, 2, 2.0}, 16, 1152},
        {"mono.mp3", {SoundKind::Mp3, 44100, 1, 1.0}, 16, 1152},
        {"song.mp2", {SoundKind::Mp2, 22050, 1, 1.0}, 16, 1152},
        {"film.ac3", {SoundKind::Ac3, 48000, 2, 1.0}, 16, 1536},
        {"song.wma", {SoundKind::Wma, 22050, 2, 1.0}, 16, 2048},
    };
    for (const Case& c : cases) {
        const std::string source = WriteClip(folder, c.name, c.clip);
        const std::string target = folder.File(std::string(c.name) + ".wav");
        ASSERT_TRUE(Extract(source, target)) << c.name;
        WavFileInfo info;
        ASSERT_TRUE(media_fixtures::ReadWavFileInfo(target, info)) << c.name;
        EXPECT_EQ(info.formatTag, 1) << c.name;
        EXPECT_EQ(info.channels, c.clip.channels) << c.name;
        EXPECT_EQ(info.sampleRate, static_cast<unsigned>(c.clip.sampleRate)) << c.name;
        EXPECT_EQ(info.bits, c.bits) << c.name;
        EXPECT_EQ(info.blockAlign, c.clip.channels * c.bits / 8) << c.name;
        EXPECT_EQ(info.bytesPerSecond, info.sampleRate * static_cast<unsigned>(info.blockAlign)) << c.name;
        EXPECT_TRUE(info.sizesAgree) << c.name;
        const long expected = std::lround(c.clip.seconds * c.clip.sampleRate);
        EXPECT_LE(std::labs(SampleFrames(info) - expected), c.tolerance) << c.name << ": " << SampleFrames(info);
    }
}

TEST(WaveExtract, TheSoundOfAVideoFileIsTaken)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    media_fixtures::RealMediaClip clip;
    clip.audio = true;
    clip.frames = 20;
    const std::string source = folder.File("film.rm");
    ASSERT_TRUE(media_fixtures::WriteRealMedia(source, clip));
    const std::string target = folder.File("film.wav");
    ASSERT_TRUE(Extract(source, target));
    WavFileInfo info;
    ASSERT_TRUE(media_fixtures::ReadWavFileInfo(target, info));
    EXPECT_EQ(info.formatTag, 1);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.bits, 16);
    EXPECT_TRUE(info.sizesAgree);
    // Two seconds of AC-3 silence, give or take a codec frame.
    EXPECT_LE(std::labs(SampleFrames(info) - 88200), 1536) << SampleFrames(info);
}

TEST(WaveExtract, TheWindowCutsStartAndStop)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    struct Case {
        const char* name;
        SoundClip clip;
        double start;
        double stop;
        long tolerance;
    } const cases[] = {
        {"window.wav", {SoundKind::Wav16, 22050, 1, 3.0}, 0.5, 2.0, 0},
        {"tail.wav", {SoundKind::Wav16, 22050, 1, 3.0}, 2.5, 0.0, 0},
        {"window.mp3", {SoundKind::Mp3, 22050, 1, 3.0}, 1.0, 2.5, 1152},
    };
    for (const Case& c : cases) {
        const std::string source = WriteClip(folder, c.name, c.clip);
        const std::string target = folder.File(std::string(c.name) + ".wav");
        ASSERT_TRUE(ExtractWindow(source, target, c.start, c.stop)) << c.name;
        WavFileInfo info;
        ASSERT_TRUE(media_fixtures::ReadWavFileInfo(target, info)) << c.name;
        const double end = c.stop > 0.0 ? c.stop : c.clip.seconds;
        const long expected = std::lround((end - c.start) * c.clip.sampleRate);
        EXPECT_LE(std::labs(SampleFrames(info) - expected), c.tolerance) << c.name << ": " << SampleFrames(info);
    }
}

TEST(WaveExtract, FailuresLeaveTheTargetAsItWas)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    const std::string tone = WriteClip(folder, "tone.wav", {SoundKind::Wav16, 11025, 1, 1.0});
    const std::string picture = folder.File("picture.png");
    ASSERT_TRUE(media_fixtures::WriteStill(picture, media_fixtures::StillKind::Png24, 16, 16));
    const std::string junk = folder.Write("junk.mp3", "not a sound file at all");
    struct Case {
        const char* what;
        std::string source;
        double start;
        double stop;
    } const cases[] = {
        {"a missing source", folder.File("gone.mp3"), 0.0, 0.0},
        {"a file without sound", picture, 0.0, 0.0},
        {"a file that does not decode", junk, 0.0, 0.0},
        {"a window past the end", tone, 5.0, 6.0},
        {"a stop before the start", tone, 0.8, 0.2},
    };
    const std::string target = folder.Write("kept.wav", "old content");
    for (const Case& c : cases) {
        EXPECT_FALSE(ExtractWindow(c.source, target, c.start, c.stop)) << c.what;
        EXPECT_EQ(testing_support::ReadFile(target), "old content") << c.what;
    }
    EXPECT_EQ(FilesIn(folder), 4);
}

TEST(WaveExtract, TheStopEventEndsTheConversionWithoutAFile)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    const std::string source = WriteClip(folder, "long.mp3", {SoundKind::Mp3, 22050, 2, 4.0});
    const std::string target = folder.File("long.wav");
    {
        StopEventHolder stop(TRUE);
        EXPECT_FALSE(Extract(source, target));
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(FilesIn(folder), 1);
    // A stop event that is not set lets conversions run.
    StopEventHolder idle(FALSE);
    EXPECT_TRUE(Extract(source, target));
    EXPECT_TRUE(std::filesystem::exists(target));
}

// Size of the largest unfinished WAV file (".part") in the folder; -1 when
// there is none.
std::intmax_t PartialWavSize(const TempDir& folder)
{
    std::intmax_t largest = -1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path(), error)) {
        if (entry.path().extension() == ".part")
            largest = std::max<std::intmax_t>(largest, static_cast<std::intmax_t>(entry.file_size(error)));
    }
    return largest;
}

// The source is a pipe fed with the first part of an MP3 file: the
// conversion has written sound and waits for more when the event is set.
TEST(WaveExtract, TheStopEventEndsAConversionUnderWayWithoutAFile)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    const std::string mp3 = testing_support::ReadFile(WriteClip(folder, "whole.mp3", {SoundKind::Mp3, 22050, 2, 20.0}));
    ASSERT_GT(mp3.size(), 30000u);
    const std::string pipe = folder.File("stream.mp3");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string target = folder.File("stream.wav");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto late = [&] { return std::chrono::steady_clock::now() > deadline; };

    StopEventHolder stop(FALSE);
    std::promise<void> closePipe;
    std::atomic<bool> fed{false};
    std::thread feeder([&, closed = closePipe.get_future()] {
        int fd = -1;
        while (fd < 0 && !late()) {
            fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            // Two thirds of the file, then nothing until the pipe closes.
            size_t done = 0;
            const size_t part = mp3.size() * 2 / 3;
            while (done < part) {
                const ssize_t written = write(fd, mp3.data() + done, part - done);
                if (written <= 0)
                    break;
                done += static_cast<size_t>(written);
            }
        }
        fed = true;
        closed.wait();
        if (fd >= 0)
            close(fd);
    });
    auto converted = std::async(std::launch::async, [&] { return Extract(pipe, target); });

    // Waits until the unfinished file holds a good deal of sound.
    while (!(fed && PartialWavSize(folder) > 100000) && !late())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(late()) << "the conversion never got under way";
    stop.Set();
    closePipe.set_value();
    feeder.join();
    EXPECT_FALSE(converted.get());
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(PartialWavSize(folder), -1);
    EXPECT_EQ(FilesIn(folder), 2);
}

} // namespace
