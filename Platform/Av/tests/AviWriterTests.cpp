#include "Platform/Av/AviWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Av/tests/AviReadBack.h"
#include "tests/support/TempDir.h"

namespace {

using namespace avi_test;
using av::AviStreamFormat;
using av::AviWriter;

AviStreamFormat DvVideoStream(bool pal)
{
    AviStreamFormat format;
    format.type = av::kAviStreamVideo;
    format.handler = av::kAviHandlerDvsd;
    format.scale = pal ? 1 : 1001;
    format.rate = pal ? 25 : 30000;
    format.width = 720;
    format.height = pal ? 576 : 480;
    format.format = BitmapHeader(720, format.height, 24, av::kAviHandlerDvsd, pal ? 144000 : 120000);
    return format;
}

AviStreamFormat PcmStream(uint32_t initialFrames)
{
    AviStreamFormat format;
    format.type = av::kAviStreamAudio;
    format.scale = 1;
    format.rate = kAudioRate;
    format.sampleSize = 4;
    format.initialFrames = initialFrames;
    format.format = PcmFormat(kAudioRate);
    return format;
}

TEST(AviWriter, TypeTwoDvWithPcmReadsBackAsDvVideoAndAudio)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("type2.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    ASSERT_EQ(frame.size(), 144000u);
    const std::vector<uint8_t> audio(static_cast<size_t>(kAudioRate / 25) * 4, 0);

    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.AddStream(PcmStream(1)), 1);
    writer.SetInterleave(av::AviInterleave::ByTime);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
        ASSERT_EQ(writer.Write(1, -1, 0, audio.data(), audio.size(), 0), 0);
    }
    EXPECT_EQ(writer.StreamLength(1), 10 * kAudioRate / 25);
    ASSERT_EQ(writer.Finish(), 0);

    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].tag, av::kAviHandlerDvsd);
    EXPECT_EQ(streams[0].packets, 10);
    EXPECT_EQ(streams[1].type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(streams[1].bytes, static_cast<int64_t>(audio.size()) * 10);
    const Headers headers = ReadHeaders(path);
    EXPECT_EQ(headers.initialFrames, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(headers.lengths, (std::vector<uint32_t>{10, 10 * kAudioRate / 25}));
}

TEST(AviWriter, TypeOneDvIsOneInterleavedStreamThatReadsBackAsDvVideo)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("type1.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(false);
    ASSERT_EQ(frame.size(), 120000u);

    AviStreamFormat format;
    format.type = av::kAviStreamInterleaved;
    format.handler = av::kAviHandlerDvsd;
    format.scale = 1001;
    format.rate = 30000;
    format.width = 720;
    format.height = 480;
    av::AviDvInfo info;
    format.format.resize(sizeof info);
    std::memcpy(format.format.data(), &info, sizeof info);
    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(format), 0);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(writer.Write(0, i, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
    ASSERT_EQ(writer.Finish(), 0);

    const std::string bytes = testing_support::ReadFile(path);
    EXPECT_NE(bytes.find("iavsdvsd"), std::string::npos);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_GE(streams.size(), 1u);
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].packets, 6);
}

TEST(AviWriter, UncompressedVideoIsWrittenAsDibChunks)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("dib.avi");
    AviStreamFormat format;
    format.handler = av::kAviHandlerDib;
    format.compressed = false;
    format.width = 16;
    format.height = 8;
    format.format = BitmapHeader(16, 8, 24, 0, 16 * 8 * 3);
    const std::vector<uint8_t> frame(16 * 8 * 3, 0x55);
    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(format), 0);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), 0), 0);
    ASSERT_EQ(writer.Finish(), 0);

    const std::string bytes = testing_support::ReadFile(path);
    EXPECT_NE(bytes.find("00db"), std::string::npos);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_RAWVIDEO);
    EXPECT_EQ(streams[0].packets, 5);
}

TEST(AviWriter, PositionsPastTheEndLeaveEmptyFramesAndEarlierOnesAreRefused)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("gaps.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    const std::vector<uint8_t> audio(400, 0);
    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.AddStream(PcmStream(0)), 1);
    ASSERT_EQ(writer.Write(0, 0, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
    ASSERT_EQ(writer.Write(0, 3, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
    ASSERT_EQ(writer.Write(1, 1000, 0, audio.data(), audio.size(), 0), 0);
    EXPECT_EQ(writer.StreamLength(0), 4);
    EXPECT_EQ(writer.StreamLength(1), 1100);
    ASSERT_EQ(writer.Finish(), 0);

    EXPECT_EQ(ReadHeaders(path).lengths, (std::vector<uint32_t>{4, 1100}));
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].bytes, 1100 * 4);
}

TEST(AviWriter, BadCallsAreRefusedWithoutWritingAFile)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("bad.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    AviWriter writer;
    EXPECT_LT(writer.AddStream(DvVideoStream(true)), 0);
    EXPECT_LT(writer.Write(0, -1, 1, frame.data(), frame.size(), 0), 0);
    ASSERT_EQ(writer.Create(path), 0);
    AviStreamFormat noRate = DvVideoStream(true);
    noRate.rate = 0;
    EXPECT_LT(writer.AddStream(noRate), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.AddStream(PcmStream(0)), 1);
    const uint8_t threeBytes[3] = {};
    EXPECT_LT(writer.Write(1, -1, 0, threeBytes, 3, 0), 0);
    EXPECT_LT(writer.Write(2, -1, 1, frame.data(), frame.size(), 0), 0);
    ASSERT_EQ(writer.Write(0, 5, 1, frame.data(), frame.size(), 0), 0);
    EXPECT_LT(writer.Write(0, 2, 1, frame.data(), frame.size(), 0), 0);
    EXPECT_LT(writer.AddStream(PcmStream(0)), 0);
    const std::string temp = writer.TempPath();
    struct stat info {};
    EXPECT_EQ(stat(temp.c_str(), &info), 0);
    writer.Abandon();
    EXPECT_NE(stat(temp.c_str(), &info), 0);
    EXPECT_NE(stat(path.c_str(), &info), 0);
}

TEST(AviWriter, TargetKeepsItsOldContentUntilTheNewFileIsComplete)
{
    testing_support::TempDir folder;
    const std::string path = folder.Write("old.avi", "old content");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    {
        AviWriter writer;
        ASSERT_EQ(writer.Create(path), 0);
        ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
        ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
        EXPECT_EQ(testing_support::ReadFile(path), "old content");
    }
    EXPECT_EQ(testing_support::ReadFile(path), "old content");

    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
    ASSERT_EQ(writer.Finish(), 0);
    EXPECT_EQ(testing_support::ReadFile(path).compare(0, 4, "RIFF"), 0);
}

TEST(AviWriter, SmallRiffLimitSpreadsTheFileOverAvixRiffsThatReadBackWhole)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("avix.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    const std::vector<uint8_t> audio(static_cast<size_t>(kAudioRate / 25) * 4, 0);
    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.AddStream(PcmStream(0)), 1);
    writer.SetRiffLimit(1u << 20);
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
        ASSERT_EQ(writer.Write(1, -1, 0, audio.data(), audio.size(), 0), 0);
    }
    ASSERT_EQ(writer.Finish(), 0);

    const Headers headers = ReadHeaders(path);
    EXPECT_GE(headers.riffs, 6);
    EXPECT_EQ(headers.lengths[0], 40u);
    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].packets, 40);
    EXPECT_EQ(streams[1].bytes, static_cast<int64_t>(audio.size()) * 40);
}

// A real OpenDML file past 1 GiB, read back by libavformat; its folder and
// the file go when the test ends.
TEST(AviWriter, FilePastOneGibibyteReadsBackEveryFrame)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("big.avi");
    const std::vector<uint8_t> frame = EncodeDvFrame(true);
    const std::vector<uint8_t> audio(static_cast<size_t>(kAudioRate / 25) * 4, 0);
    constexpr int kFrames = 8000; // 8000 x (144000 + 7680) bytes: about 1.13 GiB
    AviWriter writer;
    ASSERT_EQ(writer.Create(path), 0);
    ASSERT_EQ(writer.AddStream(DvVideoStream(true)), 0);
    ASSERT_EQ(writer.AddStream(PcmStream(0)), 1);
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(writer.Write(0, -1, 1, frame.data(), frame.size(), av::kAviKeyFrame), 0);
        ASSERT_EQ(writer.Write(1, -1, 0, audio.data(), audio.size(), 0), 0);
    }
    ASSERT_EQ(writer.Finish(), 0);

    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_GT(info.st_size, 1ll << 30);
    av::InputPtr input;
    ASSERT_EQ(av::OpenInput(path, input, "avi"), 0);
    ASSERT_EQ(input->nb_streams, 2u);
    EXPECT_EQ(input->streams[0]->codecpar->codec_id, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(input->streams[0]->nb_frames, kFrames);
    int64_t videoPackets = 0;
    int64_t audioBytes = 0;
    av::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == 0)
            ++videoPackets;
        else
            audioBytes += packet->size;
        av_packet_unref(packet.get());
    }
    EXPECT_EQ(videoPackets, kFrames);
    EXPECT_EQ(audioBytes, static_cast<int64_t>(audio.size()) * kFrames);
    input.reset();
    EXPECT_EQ(ReadHeaders(path).riffs, 2);
}

} // namespace
