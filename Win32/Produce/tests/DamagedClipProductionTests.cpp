// Productions of clips that are damaged or change under the producer: a
// sound format no file can have, a clip that opens with sound only, and a
// clip cut short while it is being produced. None of them may hang the
// production, and none may end in a file short of pictures, or of frozen
// pictures, that reports success.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/Outside/Dv1394/Dv1394.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/ProductionDisplay.h"
#include "Win32/Produce/tests/DvProductionFixture.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "tests/support/FileSizeLimit.h"

namespace {

// Patches the 16-bit word `offset` bytes into the format ("strf") of the
// AVI stream whose header names `kind` ("vids" or "auds"); or, with
// `strfSize`, the format chunk's size.
bool PatchStreamFormat(const std::string& path, const char* kind, size_t offset, uint16_t value, bool strfSize = false)
{
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(path);
    for (size_t at = 0; at + 64 < bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "strh", 4) != 0 || std::memcmp(&bytes[at + 8], kind, 4) != 0)
            continue;
        for (size_t f = at + 12; f + 12 < bytes.size() && f < at + 200; ++f) {
            if (std::memcmp(&bytes[f], "strf", 4) != 0)
                continue;
            const size_t word = strfSize ? f + 4 : f + 8 + offset;
            bytes[word] = static_cast<unsigned char>(value & 0xFF);
            bytes[word + 1] = static_cast<unsigned char>(value >> 8);
            if (strfSize)
                bytes[word + 2] = bytes[word + 3] = 0;
            return media_fixtures::WriteBytes(path, bytes);
        }
    }
    return false;
}

// A display that runs `onFrame` with the count of progress updates.
class FrameCounter : public CProductionDisplay {
public:
    explicit FrameCounter(std::function<void(int)> onFrame) : m_onFrame(std::move(onFrame)) {}
    void SetProgress(int) override { m_onFrame(++m_nFrames); }

private:
    std::function<void(int)> m_onFrame;
    int m_nFrames = 0;
};

struct Outcome {
    int result = 0;
    int total = 0;
    media_fixtures::ReadBackFile file;
};

class DamagedClipProduction : public DvProductionTest {
protected:
    std::string MjpegClip(const char* name, int frames)
    {
        playback_test::Clip clip;
        clip.video = "mjpeg";
        clip.pixels = "yuvj420p";
        clip.width = 160;
        clip.height = 120;
        clip.frames = frames;
        clip.audio = "pcm_s16le";
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(playback_test::WriteClip(path, clip));
        return path;
    }

    // The clip as one scene into Motion-JPEG AVI (or PAL DV) with sound.
    // With `cut`, that file is cut to `cutSize` bytes once the production
    // is prepared, before any frame is read.
    Outcome Produce(const std::string& clip, bool dv, CProductionDisplay* display = nullptr,
                    const std::string& cut = std::string(), std::uintmax_t cutSize = 0)
    {
        Storyboard storyboard;
        storyboard.SetItem(new Scene(clip.c_str()), 0);
        storyboard.RecomputeTimes();
        CProductionSettings settings;
        const std::string target = m_dir.File("movie.avi");
        if (dv) {
            Dv1394StackSetting stack;
            stack.busLibraryPresent = true;
            SetDv1394StackSetting(stack);
            SetDvOutput(settings.GetParams(), target, true, 3);
        } else {
            SetAviOutput(settings.GetParams(), target, mmioFOURCC('M', 'J', 'P', 'G'), 160, 120, 40000);
            settings.GetParams().m_nPcmFormatIndex = 13;
        }
        Outcome outcome;
        CProducer producer(&storyboard, &settings, display);
        outcome.result = producer.Prepare(0, 0x7FFF);
        outcome.total = producer.GetTotalFrames();
        if (!cut.empty())
            std::filesystem::resize_file(cut, cutSize);
        CString name;
        if (outcome.result == 0)
            outcome.result = producer.Produce(name);
        if (outcome.result == 0) {
            EXPECT_TRUE(media_fixtures::ReadBackMediaFile(target, outcome.file));
        }
        return outcome;
    }
};

// A sound format of thousands of channels: the clip produces as a silent
// one at its own pace (it set the production's sound format and made every
// frame's sound block enormous).
TEST_F(DamagedClipProduction, ADamagedSoundFormatProducesSilently)
{
    for (const uint16_t channels : {uint16_t{0xFFFF}, uint16_t{0x7FFF}}) {
        SCOPED_TRACE(channels);
        const std::string clip = MjpegClip("damaged-sound.avi", 38);
        ASSERT_TRUE(PatchStreamFormat(clip, "auds", 2, channels));
        const Outcome outcome = Produce(clip, false);
        ASSERT_EQ(outcome.result, 0) << m_log.Take();
        EXPECT_EQ(static_cast<int>(outcome.file.videoPackets.size()), outcome.total);
        EXPECT_EQ(outcome.file.audioChannels, 2);
    }
}

// A clip whose picture stream cannot be read (its format chunk is empty)
// opens with its sound only: its frames have no picture. They are written
// black: every frame of the production has a picture, the sound runs as
// long as the pictures.
TEST_F(DamagedClipProduction, AClipWithoutPicturesStillGivesEveryFrame)
{
    const std::string clip = MjpegClip("no-pictures.avi", 38);
    ASSERT_TRUE(PatchStreamFormat(clip, "vids", 0, 0, true));
    for (const bool dv : {false, true}) {
        SCOPED_TRACE(dv ? "DV" : "Motion-JPEG");
        const Outcome outcome = Produce(clip, dv);
        ASSERT_EQ(outcome.result, 0) << m_log.Take();
        EXPECT_EQ(static_cast<int>(outcome.file.videoPackets.size()), outcome.total);
        // The clip's sound is there, a frame's worth for each frame.
        EXPECT_NEAR(static_cast<double>(outcome.file.audioSamples) / outcome.file.audioRate, outcome.total * 0.04,
                    0.04);
    }
}

// A 6 s DV clip cut to a tenth of its bytes just before its production
// starts reading it, or while it runs (the user's copy of it was still
// being written, or its disk went away): the production either fails, or
// every frame it wrote is the clip's own frame at its time (what the
// reader already held). It never ends in success with frozen or damaged
// pictures.
TEST_F(DamagedClipProduction, AClipCutShortWhileProducedFailsOrKeepsOnlyItsOwnFrames)
{
    for (const int cutAt : {0, 20}) {
        for (const bool dv : {true, false}) {
            SCOPED_TRACE(testing::Message() << (dv ? "to DV" : "to Motion-JPEG") << ", cut at frame " << cutAt);
            std::filesystem::remove(m_dir.File("movie.avi"));
            const std::string clip = m_dir.File("cut.avi");
            playback_test::Clip source = playback_test::DvClip(150, true);
            source.texture = 7;
            source.numbered = true;
            ASSERT_TRUE(playback_test::WriteDvAvi(clip, 2, source));
            const auto size = std::filesystem::file_size(clip);
            FrameCounter cutter([&](int frame) {
                if (frame == cutAt)
                    std::filesystem::resize_file(clip, size / 10);
            });
            const Outcome outcome = Produce(clip, dv, &cutter, cutAt == 0 ? clip : std::string(), size / 10);
            if (outcome.result != 0) {
                EXPECT_FALSE(std::filesystem::exists(m_dir.File("movie.avi")));
                continue;
            }
            ASSERT_EQ(static_cast<int>(outcome.file.videoPackets.size()), outcome.total);
            int frame = 0;
            media_fixtures::ForEachReferenceFrame(m_dir.File("movie.avi"), [&](int n, const media_fixtures::ReferencePicture& picture) {
                EXPECT_EQ(playback_test::ReadFrameNumber([&](double x, double y) {
                              const media_fixtures::Rgb rgb = picture.At(static_cast<int>(x * picture.width),
                                                                         static_cast<int>(y * picture.height));
                              return (rgb.r + rgb.g + rgb.b) / 3;
                          }),
                          n);
                ++frame;
                return true;
            });
            EXPECT_EQ(frame, outcome.total);
        }
    }
}

// A disk that fills during the production gives the failed write, whatever
// stream of the file meets it first: the Motion-JPEG AVI writes its sound
// in chunks ahead of its pictures.
TEST_F(DamagedClipProduction, AFullDiskIsAFailedWriteForEveryAviWriter)
{
    const std::string clip = MjpegClip("clip.avi", 100);
    for (const FOURCC handler : {mmioFOURCC('M', 'J', 'P', 'G'), mmioFOURCC('D', 'I', 'B', ' ')}) {
        Storyboard storyboard;
        storyboard.SetItem(new Scene(clip.c_str()), 0);
        storyboard.RecomputeTimes();
        CProductionSettings settings;
        const std::string target = m_dir.File("full.avi");
        SetAviOutput(settings.GetParams(), target, handler, 160, 120, 40000);
        settings.GetParams().m_nPcmFormatIndex = 13;
        CProducer producer(&storyboard, &settings, nullptr);
        ASSERT_EQ(producer.Prepare(0, 0x7FFF), 0);
        CString name;
        int result = 0;
        {
            testing_support::FileSizeLimit full(100000);
            ASSERT_TRUE(full.Active());
            result = producer.Produce(name);
        }
        EXPECT_EQ(result, kProduceWriteFailed) << m_log.Take();
        EXPECT_FALSE(std::filesystem::exists(target));
    }
}

} // namespace
