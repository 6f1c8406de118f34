#include "Win32/Produce/AviWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Vfw/CompressorTable.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr FOURCC kMjpg = mmioFOURCC('M', 'J', 'P', 'G');

struct ReadBack {
    std::string video;
    int width = 0;
    int height = 0;
    int depth = 0;
    int frames = 0;
    bool audio = false;
    std::int64_t audioSamples = 0;
};

ReadBack Read(const std::string& path)
{
    media_fixtures::ReadBackFile file;
    ReadBack back;
    if (!media_fixtures::ReadBackMediaFile(path, file))
        return back;
    back.video = file.videoCodec;
    back.width = file.width;
    back.height = file.height;
    back.depth = file.depth;
    back.frames = static_cast<int>(file.videoPackets.size());
    back.audio = file.audio;
    back.audioSamples = file.audioSamples;
    return back;
}

// The chunks of `id` ("01wb": the audio) listed in the file's idx1 index.
int IndexedChunks(const std::string& path, const char* id)
{
    const std::string bytes = testing_support::ReadFile(path);
    const size_t index = bytes.rfind("idx1");
    if (index == std::string::npos || index + 8 > bytes.size())
        return -1;
    int count = 0;
    for (size_t entry = index + 8; entry + 16 <= bytes.size(); entry += 16)
        if (bytes.compare(entry, 4, id) == 0)
            ++count;
    return count;
}

// A writer of 64 x 48 frames at `fps` into `path`, PCM audio by index.
std::unique_ptr<AviWriter> MakeWriter(const std::string& path, int fps, FOURCC handler, int audioIndex)
{
    auto writer = std::make_unique<AviWriter>();
    writer->SetOutputName(path.c_str());
    EXPECT_EQ(writer->SetFrameSize(kWidth, kHeight), 0);
    writer->SetFrameTime(1000000 / fps);
    AVICOMPRESSOPTIONS options{streamtypeVIDEO, handler, 1, 8000, 0, AVICOMPRESSF_VALID, nullptr, 0, nullptr, 0, 0};
    writer->SetCompressOptions(options);
    writer->SetBitDepth(24);
    writer->SetCompressorHandler(handler);
    writer->SetAudioIndex(audioIndex);
    writer->SetInterleave(1, 0.0);
    return writer;
}

// One frame: a flat picture and one frame of sound in the writer's format.
std::unique_ptr<MediaFrame> MakeFrame(const AviWriter& writer, int fps, bool image = true)
{
    auto frame = std::make_unique<MediaFrame>();
    if (image)
        frame->m_pImage = new CIplImage(kWidth, kHeight, 0x204080);
    PCMWAVEFORMAT pcm{};
    writer.GetAudioFormat(&pcm);
    const WAVEFORMATEX format = FormatExOf(pcm);
    frame->m_pAudio = new CWaveBuffer(CMediaTime(0, 0, 0, 1000000.0 / fps), &format);
    return frame;
}

int WriteFrames(AviWriter& writer, int fps, int count, bool image = true)
{
    for (int i = 0; i < count; ++i)
        if (const int result = writer.Write(*MakeFrame(writer, fps, image), 0); result != 0)
            return result;
    return 0;
}

TEST(AviWriter, UncompressedFramesAndSoundReadBack)
{
    TempDir dir;
    const std::string path = dir.File("out.avi");
    auto writer = MakeWriter(path, 10, mmioFOURCC('D', 'I', 'B', ' '), 2);
    writer->SetTotalFrames(12);
    ASSERT_EQ(WriteFrames(*writer, 10, 12), 0);
    ASSERT_EQ(writer->Close(1), 0);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.video, "rawvideo");
    EXPECT_EQ(back.width, kWidth);
    EXPECT_EQ(back.height, kHeight);
    EXPECT_EQ(back.depth, 24);
    EXPECT_EQ(back.frames, 12);
    EXPECT_TRUE(back.audio);
    // 1.2 s at 11,025 Hz; each frame's block is rounded up a little.
    EXPECT_NEAR(static_cast<double>(back.audioSamples), 13230.0, 12 * 2.0);
    EXPECT_EQ(IndexedChunks(path, "01wb"), 12);
    EXPECT_FALSE(std::filesystem::exists(dir.File("MMERGE0.avi")));
}

TEST(AviWriter, MotionJpegWritesTwoAudioChunksASecond)
{
    TempDir dir;
    const std::string path = dir.File("out.avi");
    auto writer = MakeWriter(path, 20, kMjpg, 4);
    writer->SetTotalFrames(40);
    ASSERT_EQ(WriteFrames(*writer, 20, 40), 0);
    ASSERT_EQ(writer->Close(1), 0);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.video, "mjpeg");
    EXPECT_EQ(back.frames, 40);
    EXPECT_EQ(IndexedChunks(path, "01wb"), 4);
    EXPECT_NEAR(static_cast<double>(back.audioSamples), 22050.0, 40 * 2.0);
}

TEST(AviWriter, AudioIndexOneGivesNoAudioStream)
{
    TempDir dir;
    const std::string path = dir.File("out.avi");
    auto writer = MakeWriter(path, 10, mmioFOURCC('D', 'I', 'B', ' '), 1);
    writer->SetTotalFrames(5);
    ASSERT_EQ(WriteFrames(*writer, 10, 5), 0);
    ASSERT_EQ(writer->Close(1), 0);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.frames, 5);
    EXPECT_FALSE(back.audio);
}

TEST(AviWriter, FirstFrameWithoutImageGivesAnAudioOnlyFile)
{
    TempDir dir;
    const std::string path = dir.File("out.avi");
    auto writer = MakeWriter(path, 10, mmioFOURCC('D', 'I', 'B', ' '), 2);
    writer->SetTotalFrames(5);
    ASSERT_EQ(WriteFrames(*writer, 10, 5, false), 0);
    ASSERT_EQ(writer->Close(1), 0);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.video, "");
    EXPECT_TRUE(back.audio);
    EXPECT_NEAR(static_cast<double>(back.audioSamples), 5512.5, 5 * 2.0);
}

TEST(AviWriter, PreloadHoldsVideoAndCloseFlushesWhatIsHeld)
{
    // 0.75 s at 20 frames per second: 15 frames held behind the audio.
    for (const int written : {30, 20}) {
        TempDir dir;
        const std::string path = dir.File("out.avi");
        auto writer = MakeWriter(path, 20, mmioFOURCC('D', 'I', 'B', ' '), 2);
        writer->SetInterleave(1, 0.75);
        EXPECT_EQ(writer->m_audioInfo.dwInitialFrames, 15u);
        writer->SetTotalFrames(30);
        ASSERT_EQ(WriteFrames(*writer, 20, written), 0);
        ASSERT_EQ(writer->Close(1), 0);
        EXPECT_EQ(Read(path).frames, written) << written;
    }
}

TEST(AviWriter, DepthFallsToWhatTheCompressorTakes)
{
    static constexpr vfw::CompressorRow kRows[] = {
        {mmioFOURCC('P', 'A', 'L', '8'), u"PAL8", u"Palette only", "rawvideo", 0, vfw::kDepth8, 8,
         vfw::SizeRule::Any, 1, 10000},
        {mmioFOURCC('N', 'O', 'N', 'E'), u"NONE", u"Takes nothing", "rawvideo", 0, 0, 8, vfw::SizeRule::Any, 1,
         10000},
    };
    vfw::OverrideCompressors(kRows);
    TempDir dir;
    {
        auto writer = MakeWriter(dir.File("eight.avi"), 10, mmioFOURCC('P', 'A', 'L', '8'), 1);
        writer->SetTotalFrames(3);
        EXPECT_EQ(WriteFrames(*writer, 10, 3), 0);
        WORD bits = 0;
        writer->GetBitDepth(&bits);
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(writer->m_bih.biClrUsed, 256u);
        EXPECT_EQ(writer->Close(1), 0);
        EXPECT_EQ(Read(dir.File("eight.avi")).frames, 3);
    }
    {
        auto writer = MakeWriter(dir.File("none.avi"), 10, mmioFOURCC('N', 'O', 'N', 'E'), 1);
        EXPECT_EQ(WriteFrames(*writer, 10, 1), kWriterStreamFailed);
        EXPECT_EQ(writer->Close(0), 0);
    }
    vfw::RestoreCompressors();
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.avi")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("MMERGE0.avi")));
}

TEST(AviWriter, SettersAndAudioIndexTable)
{
    AviWriter writer;
    EXPECT_EQ(writer.SetFrameSize(66, 48), kWriterBadWidth);
    EXPECT_EQ(writer.SetFrameTime(0), kWriterBadFrameTime);
    struct Case {
        int code;
        DWORD rate;
        WORD channels;
        WORD bits;
    };
    const Case cases[] = {{2, 11025, 1, 8}, {5, 11025, 2, 16}, {9, 22050, 2, 16}, {13, 44100, 2, 16},
                          {14, 44100, 1, 8}, {15, 44100, 2, 8}};
    for (const Case& c : cases) {
        writer.SetAudioIndex(c.code);
        PCMWAVEFORMAT format{};
        writer.GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nSamplesPerSec, c.rate) << c.code;
        EXPECT_EQ(format.wf.nChannels, c.channels) << c.code;
        EXPECT_EQ(format.wBitsPerSample, c.bits) << c.code;
        EXPECT_EQ(format.wf.nBlockAlign, c.channels * c.bits / 8) << c.code;
        EXPECT_EQ(format.wf.nAvgBytesPerSec, c.rate * format.wf.nBlockAlign) << c.code;
        // A fixed format stays when the producer offers another.
        writer.SetAudioFormat(PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 48000, 192000, 4}, 16});
        writer.GetAudioFormat(&format);
        EXPECT_EQ(format.wf.nSamplesPerSec, c.rate) << c.code;
    }
}

TEST(AviWriter, CloseWithoutWriteMakesNoFile)
{
    TempDir dir;
    AviWriter writer;
    writer.SetOutputName(dir.File("out.avi").c_str());
    EXPECT_EQ(writer.Close(1), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    AviWriter unnamed;
    MediaFrame frame;
    EXPECT_EQ(unnamed.Write(frame, 0), kWriterNoName);
}

} // namespace
