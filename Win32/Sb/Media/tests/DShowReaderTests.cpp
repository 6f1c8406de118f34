// The DirectShow grab reader over the runtime's graph, the system filters
// and the plug-in modules of the build tree, with files made at test time.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "Platform/DShow/Filters/testing/PlaybackFixtures.h"
#include "Platform/DShow/Filters/testing/StandInFilters.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/DShowReader.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"
#ifndef KESTRELON_UTILS_FIXTURE_MODULES
#define KESTRELON_UTILS_FIXTURE_MODULES KESTRELON_PROGRAM_MODULES
#endif
#include "Win32/Utils/tests/ResourceModulesFixture.h"

using namespace graph_test;

namespace {

// The plug-in modules the reader builds its graphs with, registered in the
// test's own registry.
class ReaderTest : public GraphFolder {
protected:
    static void SetUpTestSuite()
    {
        for (const char* module : {"Grabwell", "Reverbix", "Switcher", "Quillet"})
            ASSERT_EQ(CallModule(module, "DllRegisterServer"), S_OK) << module;
        // A grab that gets nothing gives up after 3 s here, not 16 s.
        SetEnvironmentVariableA(kGrabWaitVariable, "3000");
    }
    static void TearDownTestSuite() { SetEnvironmentVariableA(kGrabWaitVariable, nullptr); }
    static constexpr char kGrabWaitVariable[] = "KESTRELON_GRAB_WAIT_MS";

    std::unique_ptr<CDShowReader> Open(const std::string& path)
    {
        return std::make_unique<CDShowReader>(path.c_str(), 0, 0);
    }
    std::string Clip(const char* name, const playback_test::Clip& clip)
    {
        std::string path = Path(name);
        EXPECT_TRUE(playback_test::WriteClip(path, clip));
        return path;
    }
    static playback_test::Clip Mjpeg(int width = 320, int height = 240)
    {
        playback_test::Clip clip;
        clip.video = "mjpeg";
        clip.pixels = "yuvj420p";
        clip.width = width;
        clip.height = height;
        clip.frames = 6;
        return clip;
    }
};

// The grey level of the middle of the frame's image.
int GreyOf(const MediaFrame* frame)
{
    COLORREF colour = media_tests::PixelAt(frame->m_pImage, media_tests::WidthOf(frame->m_pImage) / 2,
                                           media_tests::HeightOf(frame->m_pImage) / 2);
    return GetGValue(colour);
}

// The largest difference of a colour component between the frame's image
// and the reference decode of the same frame (256 when the sizes differ).
int LargestDifference(const MediaFrame* frame, const media_fixtures::ReferencePicture& reference)
{
    const CIplImage* image = frame->m_pImage;
    if (media_tests::WidthOf(image) != reference.width || media_tests::HeightOf(image) != reference.height)
        return 256;
    int largest = 0;
    for (int y = 0; y < reference.height; ++y)
        for (int x = 0; x < reference.width; ++x) {
            const COLORREF got = media_tests::PixelAt(image, x, y);
            const media_fixtures::Rgb want = reference.At(x, y);
            largest = std::max({largest, std::abs(GetRValue(got) - want.r), std::abs(GetGValue(got) - want.g),
                                std::abs(GetBValue(got) - want.b)});
        }
    return largest;
}

TEST_F(ReaderTest, MjpegStreamFormat)
{
    auto reader = Open(Clip("mjpeg.avi", Mjpeg()));
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    EXPECT_TRUE(reader->IsOpen());
    EXPECT_EQ(reader->HasVideo(), 1);
    EXPECT_EQ(reader->HasAudio(), 0);
    EXPECT_EQ(reader->m_nLastFrame - reader->m_nFirstFrame + 1, 6);
    EXPECT_NEAR(reader->m_tSourceFrame.GetTotalMicroseconds(), 40000.0, 1.0);
    GUID subtype{};
    EXPECT_EQ(reader->GetVideoSubtype(&subtype), 1);
    EXPECT_EQ(subtype, MEDIASUBTYPE_MJPG);
}

// Frame n read through the grab reader is libavcodec's decode of frame n:
// the same bytes for DV, whose decoder is the same; within a small error
// for the lossy paths.
TEST_F(ReaderTest, FramesEqualTheReferenceDecode)
{
    struct Case {
        const char* name;
        std::function<bool(const std::string&)> write;
        int frames;
        int tolerance;
    };
    auto clip = [](const char* container, const char* video, int frames) {
        return [=](const std::string& path) {
            playback_test::Clip each = Mjpeg();
            each.container = container;
            each.video = video;
            each.frames = frames;
            if (std::string(video) != "mjpeg")
                each.pixels = "yuv420p";
            return playback_test::WriteClip(path, each);
        };
    };
    const Case cases[] = {
        {"dv-type1.avi", [](const std::string& path) { return playback_test::WriteDvAvi(path, 1, 4); }, 4, 0},
        {"dv-type2.avi", [](const std::string& path) { return playback_test::WriteDvAvi(path, 2, 4); }, 4, 0},
        {"dv-textured.avi", [](const std::string& path) { return media_fixtures::WriteDvBenchmarkClip(path, 3); }, 3,
         0},
        {"mjpeg.avi", clip("avi", "mjpeg", 6), 6, 2},
        {"mpeg1.mpg", clip("mpeg", "mpeg1video", 6), 6, 2},
        {"mpeg2.mpg", clip("vob", "mpeg2video", 6), 6, 2},
        {"asf.wmv", clip("asf", "wmv2", 6), 6, 2},
        {"mpeg4.mov", clip("mov", "mpeg4", 6), 6, 2},
        {"mpeg4.avi", clip("avi", "mpeg4", 6), 6, 2},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const std::string path = Path(each.name);
        ASSERT_TRUE(each.write(path));
        auto reader = Open(path);
        ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
        for (int n = 0; n < each.frames; ++n) {
            media_fixtures::ReferencePicture reference;
            ASSERT_TRUE(media_fixtures::DecodeReferenceFrame(path, n, reference)) << n;
            INT failed = 0;
            std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 0, nullptr));
            ASSERT_TRUE(frame && frame->m_pImage) << n;
            EXPECT_EQ(failed, 0) << n;
            EXPECT_LE(LargestDifference(frame.get(), reference), each.tolerance) << n;
        }
    }
}

// The largest magnitude of the 16-bit samples in bytes [from, to) of a
// block.
int Loudest(const CWaveBuffer* block, DWORD from, DWORD to)
{
    int loudest = 0;
    for (DWORD at = from; at + 1 < std::min(to, block->m_nLength); at += 2) {
        int16_t sample = 0;
        std::memcpy(&sample, block->m_pData + at, sizeof sample);
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    }
    return loudest;
}

TEST_F(ReaderTest, DvAviFramesAndSound)
{
    for (int type : {1, 2}) {
        std::string path = Path(type == 1 ? "type1.avi" : "type2.avi");
        ASSERT_TRUE(playback_test::WriteDvAvi(path, type, 4));
        auto reader = Open(path);
        ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen) << type;
        EXPECT_EQ(reader->HasVideo(), 1);
        EXPECT_EQ(reader->HasAudio(), 1) << type;
        EXPECT_EQ(reader->m_nSourceWidth, 720);
        EXPECT_EQ(reader->m_nSourceHeight, 480);
        EXPECT_EQ(reader->m_bFieldBased, 0);
        WAVEFORMATEX format = media_tests::PcmFormat(2, 48000, 16);
        for (int n = 0; n < 4; ++n) {
            INT failed = 0;
            std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 1, &format));
            ASSERT_TRUE(frame && frame->m_pImage) << type << " " << n;
            EXPECT_EQ(failed, 0);
            // The file's sound may end a little before its last block; the
            // blocks carry its tone, not the silence of a grab that waited
            // in vain.
            ASSERT_TRUE(frame->m_pAudio);
            // 1000 bytes hold more than two periods of the tone.
            const DWORD length = frame->m_pAudio->m_nLength;
            EXPECT_GT(Loudest(frame->m_pAudio, 0, 1000), 1000) << type << " " << n;
            if (n < 3) {
                EXPECT_EQ(length, frame->m_pAudio->m_nCapacity) << type << " " << n;
                EXPECT_GT(Loudest(frame->m_pAudio, length - 1000, length), 1000) << type << " " << n;
            }
        }
    }
}

// A 29.97 fps DV AVI whose sound chunks lie far behind the pictures they
// go with (1,601.6 samples a frame, so most frames take from two chunks):
// read frame by frame with its sound, as the producer does, every block is
// the file's tone and no grab waits in vain.
TEST_F(ReaderTest, NtscDvSoundStoredBehindThePicturesKeepsPace)
{
    const std::string path = Path("ntsc_sound.avi");
    constexpr int kFrames = 16;
    ASSERT_TRUE(media_fixtures::WriteDvClipWithSoundStoredLate(path, kFrames));
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    ASSERT_EQ(reader->HasAudio(), 1);
    WAVEFORMATEX format = media_tests::PcmFormat(2, 48000, 16);
    for (int n = 0; n < kFrames - 1; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 1, &format));
        ASSERT_TRUE(frame && frame->m_pImage && frame->m_pAudio) << n;
        ASSERT_EQ(failed, 0) << n;
        const DWORD length = frame->m_pAudio->m_nLength;
        ASSERT_EQ(length, frame->m_pAudio->m_nCapacity) << n;
        // 1000 bytes hold more than two periods of the tone.
        EXPECT_GT(Loudest(frame->m_pAudio, 0, 1000), 1000) << n;
        EXPECT_GT(Loudest(frame->m_pAudio, length - 1000, length), 1000) << n;
    }
}

TEST_F(ReaderTest, AsfFileGoesThroughTheStreamHandlers)
{
    playback_test::Clip clip;
    clip.container = "asf";
    clip.video = "wmv2";
    clip.frames = 6;
    auto reader = Open(Clip("clip.wmv", clip));
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    EXPECT_TRUE(reader->m_bAsfFile);
}

// Video and sound are asked for in one time base: an in point inside the
// file and an output frame rate of its own change neither.
TEST_F(ReaderTest, InPointAndOutputRateKeepPictureAndSoundInStep)
{
    playback_test::Clip clip = Mjpeg();
    clip.frames = 10;
    clip.audio = "pcm_s16le";
    clip.sampleRate = 22050;
    clip.channels = 1;
    const std::string path = Clip("inpoint.avi", clip);
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    reader->SetInOut(media_tests::Seconds(0.4), media_tests::Seconds(0.12));
    reader->SetStartPosition(media_tests::Seconds(0.12));
    reader->SetFrameTime(media_tests::Seconds(0.08)); // 12.5 frames a second out of 25
    WAVEFORMATEX format = media_tests::PcmFormat(1, 22050, 16);
    for (int n = 0; n < 3; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 1, &format));
        ASSERT_TRUE(frame && frame->m_pImage && frame->m_pAudio) << n;
        media_fixtures::ReferencePicture reference;
        ASSERT_TRUE(media_fixtures::DecodeReferenceFrame(path, 3 + 2 * n, reference));
        EXPECT_LE(LargestDifference(frame.get(), reference), 2) << n;
        EXPECT_EQ(frame->m_pAudio->m_nLength, frame->m_pAudio->m_nCapacity) << n;
    }
}

// Every frame of the range reaches the quick grab renderer behind the
// switcher, the last ones too.
TEST_F(ReaderTest, WholeLengthSmartRangeGivesSamplesOnly)
{
    std::string path = Path("smart.avi");
    ASSERT_TRUE(playback_test::WriteDvAvi(path, 2, 4));
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    CSmartRange range;
    range.m_tStart = media_tests::Seconds(0.0);
    range.m_tEnd = reader->m_tLength + reader->m_tSourceFrame;
    reader->SetSmartRanges({range});
    for (int n = 0; n < 4; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 0, nullptr));
        ASSERT_TRUE(frame) << n;
        EXPECT_EQ(frame->m_bSample, 1) << n;
        EXPECT_TRUE(frame->m_pSample) << n;
        if (frame->m_pSample)
            frame->m_pSample->Release();
        frame->m_pSample = nullptr;
    }
}

// A grab that fails (here: the graph was moved past the end of the file)
// hands out no earlier picture as a new frame, and the failure is told.
TEST_F(ReaderTest, FailedGrabGivesNoEarlierPicture)
{
    auto reader = Open(Clip("ended.avi", Mjpeg()));
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    INT failed = 0;
    std::unique_ptr<MediaFrame> first(reader->GetFrame(&failed, 1, 0, nullptr));
    ASSERT_TRUE(first && first->m_pImage);
    EXPECT_NEAR(GreyOf(first.get()), playback_test::LevelOf(0), 4);
    ASSERT_TRUE(SUCCEEDED(reader->SeekGraph(media_tests::Seconds(10.0))));
    std::unique_ptr<MediaFrame> second(reader->GetFrame(&failed, 1, 0, nullptr));
    ASSERT_TRUE(second && second->m_pImage);
    EXPECT_EQ(GreyOf(second.get()), 0);
    std::unique_ptr<MediaFrame> third(reader->GetFrame(&failed, 1, 0, nullptr));
    EXPECT_EQ(failed, 1);
}

TEST_F(ReaderTest, FieldBasedOnlyWhenTallerThanWideAndThan288)
{
    struct Case {
        int width, height;
        INT fieldBased;
    };
    for (const Case& each : {Case{320, 480, 1}, Case{640, 480, 0}, Case{320, 240, 0}}) {
        auto reader = Open(Clip("size.avi", Mjpeg(each.width, each.height)));
        ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
        EXPECT_EQ(reader->m_bFieldBased, each.fieldBased) << each.width << "x" << each.height;
    }
}

TEST_F(ReaderTest, Mp3GivesAudioBlocksInTheRequestedFormat)
{
    std::string path = Path("tone.mp3");
    media_fixtures::SoundClip clip;
    clip.kind = media_fixtures::SoundKind::Mp3;
    clip.sampleRate = 44100;
    clip.seconds = 1.0;
    ASSERT_TRUE(media_fixtures::WriteSound(path, clip));
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    EXPECT_EQ(reader->HasVideo(), 0);
    EXPECT_EQ(reader->HasAudio(), 1);
    EXPECT_NEAR(reader->m_tSourceFrame.GetTotalMicroseconds(), 66666.67, 0.01);
    EXPECT_NEAR(reader->m_tLength.GetSeconds(), 1.0, 0.1);

    WAVEFORMATEX wanted = media_tests::PcmFormat(1, 22050, 16);
    for (int n = 0; n < 3; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetAudio(&failed, &wanted, 1));
        ASSERT_TRUE(frame && frame->m_pAudio) << n;
        EXPECT_EQ(failed, 0);
        const WAVEFORMATEX* got = frame->m_pAudio->GetFormat();
        EXPECT_EQ(got->nChannels, 1);
        EXPECT_EQ(got->nSamplesPerSec, 22050u);
        EXPECT_EQ(got->wBitsPerSample, 16);
        EXPECT_EQ(frame->m_pAudio->m_nLength, frame->m_pAudio->m_nCapacity) << n;
    }
}

TEST_F(ReaderTest, FileNoSplitterTakesIsNotOpen)
{
    std::string path = Path("noise.avi");
    std::vector<unsigned char> noise(8192);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>((i * 7919) >> 3);
    ASSERT_TRUE(media_fixtures::WriteBytes(path, noise));
    auto reader = Open(path);
    EXPECT_EQ(reader->m_nStatus, CDShowReader::kGraphFailed);
    EXPECT_FALSE(reader->IsOpen());
    auto missing = Open(Path("missing.avi"));
    EXPECT_EQ(missing->m_nStatus, CDShowReader::kGraphFailed);
}

// Sound in Dolby AC-3 is refused: the reader is not open.
TEST_F(ReaderTest, DolbySoundAloneIsRefused)
{
    playback_test::Clip clip;
    clip.video = nullptr;
    clip.audio = "ac3";
    auto reader = Open(Clip("ac3.avi", clip));
    EXPECT_EQ(reader->m_nStatus, CDShowReader::kGraphFailed);
    EXPECT_FALSE(reader->IsOpen());
}

// Streams the file splitters never offer, through a stand-in file source:
// a DVD sub-picture stream is refused; a video stream whose format block is
// of none of the four video format types is not supported; a plain one
// opens.
TEST_F(ReaderTest, StreamsOfAStandInSource)
{
    auto video = [](const GUID& subtype, const GUID& format, size_t size) {
        CMediaType type = graph_test::TypeOf(MEDIATYPE_Video, subtype);
        type.SetFormatType(&format);
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(static_cast<ULONG>(size)));
        if (size > 0)
            std::memset(info, 0, size);
        if (size >= sizeof(VIDEOINFOHEADER)) {
            info->AvgTimePerFrame = 400000;
            info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info->bmiHeader.biWidth = 320;
            info->bmiHeader.biHeight = 240;
            info->bmiHeader.biBitCount = 24;
            info->bmiHeader.biCompression = subtype.Data1;
        }
        return type;
    };
    struct Case {
        const char* name;
        CMediaType type;
        SHORT status;
    };
    const Case cases[] = {
        {"sub-picture", video(MEDIASUBTYPE_DVD_SUBPICTURE, FORMAT_None, 0), CDShowReader::kGraphFailed},
        {"DV info block", video(MEDIASUBTYPE_dvsd, FORMAT_DvInfo, sizeof(DVINFO)), CDShowReader::kUnsupportedVideo},
        {"video info", video(MEDIASUBTYPE_MJPG, FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER)), CDShowReader::kOpen},
    };
    playback_test::SystemFilterStandIn source(CLSID_AVIDoc, &playback_test::CreateStandInSource);
    for (const Case& each : cases) {
        playback_test::SetStandInSourceTypes({each.type});
        // No such file: the asynchronous source fails and the stand-in,
        // which takes any path, is tried next.
        auto reader = Open(Path("stand-in.avi"));
        EXPECT_EQ(reader->m_nStatus, each.status) << each.name;
        EXPECT_EQ(reader->IsOpen(), each.status == CDShowReader::kOpen) << each.name;
    }
    playback_test::SetStandInSourceTypes({});
}

// A file cut short opens with the frames it still holds, which come back
// as they were.
TEST_F(ReaderTest, TruncatedFileGivesWhatItHolds)
{
    const std::string whole = Path("whole.avi");
    ASSERT_TRUE(playback_test::WriteDvAvi(whole, 2, 10));
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(whole);
    ASSERT_FALSE(bytes.empty());
    bytes.resize(bytes.size() * 6 / 10);
    const std::string cut = Path("cut.avi");
    ASSERT_TRUE(media_fixtures::WriteBytes(cut, bytes));
    auto reader = Open(cut);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    const int count = reader->m_nLastFrame - reader->m_nFirstFrame + 1;
    int good = 0, failures = 0;
    for (int n = 0; n < count; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 0, nullptr));
        ASSERT_TRUE(frame) << n;
        media_fixtures::ReferencePicture reference;
        if (!failed && frame->m_pImage && media_fixtures::DecodeReferenceFrame(whole, n, reference) &&
            LargestDifference(frame.get(), reference) == 0)
            ++good;
        failures += failed ? 1 : 0;
    }
    EXPECT_GT(count, 3);
    EXPECT_LT(count, 10);
    EXPECT_EQ(good, count);
    EXPECT_EQ(failures, 0);
}

// A file deleted while its reader is open reads on from what the reader
// holds open.
TEST_F(ReaderTest, FileDeletedWhileOpen)
{
    playback_test::Clip clip = Mjpeg();
    const std::string path = Clip("deleted.avi", clip);
    std::vector<media_fixtures::ReferencePicture> references(6);
    for (int n = 0; n < 6; ++n)
        ASSERT_TRUE(media_fixtures::DecodeReferenceFrame(path, n, references[n]));
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    std::filesystem::remove(path);
    for (int n = 0; n < 6; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 0, nullptr));
        ASSERT_TRUE(frame && frame->m_pImage) << n;
        EXPECT_EQ(failed, 0) << n;
        EXPECT_LE(LargestDifference(frame.get(), references[n]), 2) << n;
    }
}

// The start-up check: a missing required filter names its file and stops
// the start; a missing AVI draw filter names it and the start goes on.
TEST_F(ReaderTest, MissingFiltersAtStartUp)
{
    testing_support::LoadedResourceModules modules(KESTRELON_PROGRAM_MODULES);
    ASSERT_TRUE(modules.IsLoaded());
    std::vector<std::string> shown;
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler([&shown](LPCSTR text, UINT, UINT) {
        shown.emplace_back(text ? text : "");
        return IDOK;
    });
    ASSERT_EQ(CallModule("Reverbix", "DllUnregisterServer"), S_OK);
    EXPECT_EQ(CheckRequiredFilters(), 0);
    ASSERT_EQ(CallModule("Reverbix", "DllRegisterServer"), S_OK);
    {
        playback_test::SystemFilterStandIn missing(CLSID_AVIDraw, nullptr);
        EXPECT_EQ(CheckRequiredFilters(), 1);
    }
    EXPECT_EQ(CheckRequiredFilters(), 1);
    AfxSetMessageBoxHandler(previous);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].find("Reverbix.ax"), std::string::npos) << shown[0];
    EXPECT_NE(shown[1].find("AVIDraw"), std::string::npos) << shown[1];
    EXPECT_NE(shown[0], shown[1]);
}

} // namespace

namespace {

// A clip's bytes with the sound stream's format damaged: its channel count
// set to `channels`.
bool DamageSoundFormat(const std::string& path, uint16_t channels)
{
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(path);
    for (size_t at = 0; at + 64 < bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "strh", 4) != 0 || std::memcmp(&bytes[at + 8], "auds", 4) != 0)
            continue;
        for (size_t f = at + 12; f + 12 < bytes.size() && f < at + 200; ++f) {
            if (std::memcmp(&bytes[f], "strf", 4) == 0) {
                bytes[f + 10] = static_cast<unsigned char>(channels & 0xFF);
                bytes[f + 11] = static_cast<unsigned char>(channels >> 8);
                return media_fixtures::WriteBytes(path, bytes);
            }
        }
    }
    return false;
}

// The sound chunks of an AVI's second stream ("01wb") zeroed: a format the
// decoder takes, and data it can decode nothing from.
bool ZeroSoundChunks(const std::string& path)
{
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(path);
    int zeroed = 0;
    for (size_t at = 0; at + 8 < bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "01wb", 4) != 0)
            continue;
        const uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | uint32_t{bytes[at + 7]} << 24;
        if (size == 16 || at + 8 + size > bytes.size())
            continue; // an index entry, not a chunk
        std::fill(bytes.begin() + static_cast<ptrdiff_t>(at + 8), bytes.begin() + static_cast<ptrdiff_t>(at + 8 + size), 0);
        ++zeroed;
    }
    return zeroed > 0 && media_fixtures::WriteBytes(path, bytes);
}

// A picture stream header whose length or scale reads 0xFFFFFFFF declares
// a clip of centuries: the clip is damaged and does not open.
TEST_F(ReaderTest, AStreamLengthOfCenturiesIsADamagedClip)
{
    for (const size_t field : {size_t{20}, size_t{32}}) { // dwScale, dwLength
        SCOPED_TRACE(field);
        const std::string path = Clip("centuries.avi", Mjpeg(160, 120));
        std::vector<unsigned char> bytes = media_fixtures::ReadBytes(path);
        size_t at = 0;
        while (at + 64 < bytes.size() && (std::memcmp(&bytes[at], "strh", 4) != 0 || std::memcmp(&bytes[at + 8], "vids", 4) != 0))
            ++at;
        ASSERT_LT(at + 64, bytes.size());
        std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(at + 8 + field), 4, 0xFF);
        ASSERT_TRUE(media_fixtures::WriteBytes(path, bytes));
        auto reader = Open(path);
        EXPECT_NE(reader->m_nStatus, CDShowReader::kOpen);
        EXPECT_EQ(reader->IsOpen(), 0);
    }
}

// A sound format no file of sound can have (thousands of channels): the
// clip is read as one without sound, so its format never becomes the
// production's.
TEST_F(ReaderTest, ADamagedSoundFormatMakesASilentClip)
{
    for (const uint16_t channels : {uint16_t{0xFFFF}, uint16_t{0x7FFF}, uint16_t{0}}) {
        SCOPED_TRACE(channels);
        playback_test::Clip clip = Mjpeg(160, 120);
        clip.audio = "pcm_s16le";
        const std::string path = Clip("damaged.avi", clip);
        ASSERT_TRUE(DamageSoundFormat(path, channels));
        auto reader = Open(path);
        ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
        EXPECT_EQ(reader->HasAudio(), 0);
        WAVEFORMATEX format{};
        EXPECT_EQ(reader->GetAudioFormat(&format), 0);
        WAVEFORMATEX wanted = media_tests::PcmFormat(2, 44100, 16);
        for (int n = 0; n < 3; ++n) {
            INT failed = 0;
            std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 1, &wanted));
            ASSERT_TRUE(frame && frame->m_pImage && frame->m_pAudio) << n;
            EXPECT_NEAR(GreyOf(frame.get()), playback_test::LevelOf(n), 3) << n;
            EXPECT_EQ(frame->m_pAudio->m_nLength, frame->m_pAudio->m_nCapacity) << n;
            EXPECT_EQ(Loudest(frame->m_pAudio, 0, frame->m_pAudio->m_nLength), 0) << n;
        }
    }
}

// Sound the branch cannot decode: the reads get whole silent blocks beside
// their pictures (the grab is waited out once at most, never per frame).
TEST_F(ReaderTest, UndecodableSoundGivesWholeSilentBlocks)
{
    playback_test::Clip clip = Mjpeg(160, 120);
    clip.frames = 8;
    clip.audio = "mp2";
    const std::string path = Clip("undecodable.avi", clip);
    ASSERT_TRUE(ZeroSoundChunks(path));
    auto reader = Open(path);
    ASSERT_EQ(reader->m_nStatus, CDShowReader::kOpen);
    WAVEFORMATEX wanted = media_tests::PcmFormat(2, 44100, 16);
    for (int n = 0; n < 8; ++n) {
        INT failed = 0;
        std::unique_ptr<MediaFrame> frame(reader->GetFrame(&failed, 1, 1, &wanted));
        ASSERT_TRUE(frame && frame->m_pImage && frame->m_pAudio) << n;
        EXPECT_EQ(frame->m_pAudio->m_nLength, frame->m_pAudio->m_nCapacity) << n;
        EXPECT_EQ(Loudest(frame->m_pAudio, 0, frame->m_pAudio->m_nLength), 0) << n;
        EXPECT_NEAR(GreyOf(frame.get()), playback_test::LevelOf(n), 3) << n;
    }
}

} // namespace
