#include "Platform/Av/AviWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "Platform/Av/Av.h"
#include "tests/support/TempDir.h"

namespace {

using av::AviStreamFormat;
using av::AviWriter;

constexpr int kAudioRate = 48000;

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, static_cast<uint16_t>(v));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t GetU32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

std::vector<uint8_t> BitmapHeader(int width, int height, uint16_t bits, uint32_t compression, uint32_t imageSize)
{
    std::vector<uint8_t> out;
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(width));
    PutU32(out, static_cast<uint32_t>(height));
    PutU16(out, 1);
    PutU16(out, bits);
    PutU32(out, compression);
    PutU32(out, imageSize);
    for (int i = 0; i < 4; ++i)
        PutU32(out, 0);
    return out;
}

std::vector<uint8_t> PcmFormat(int rate)
{
    std::vector<uint8_t> out;
    PutU16(out, 1);
    PutU16(out, 2);
    PutU32(out, static_cast<uint32_t>(rate));
    PutU32(out, static_cast<uint32_t>(rate * 4));
    PutU16(out, 4);
    PutU16(out, 16);
    PutU16(out, 0);
    return out;
}

// One DV frame of a grey picture, PAL (625 lines) or NTSC (525 lines).
std::vector<uint8_t> EncodeDvFrame(bool pal)
{
    const int height = pal ? 576 : 480;
    const AVPixelFormat format = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    av::CodecPtr encoder;
    EXPECT_EQ(av::OpenEncoder(AV_CODEC_ID_DVVIDEO, encoder,
                              [&](AVCodecContext& c) {
                                  c.width = 720;
                                  c.height = height;
                                  c.pix_fmt = format;
                                  c.time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
                              }),
              0);
    av::FramePtr picture = av::AllocatePicture(format, 720, height);
    for (int plane = 0; plane < 3; ++plane) {
        // 4:2:0 halves the chroma rows; 4:1:1 keeps them all.
        const int rows = plane != 0 && pal ? height / 2 : height;
        std::memset(picture->data[plane], plane == 0 ? 100 : 128,
                    static_cast<size_t>(picture->linesize[plane]) * static_cast<size_t>(rows));
    }
    std::vector<uint8_t> frame;
    EXPECT_EQ(av::Encode(encoder.get(), picture.get(),
                         [&](AVPacket* packet) {
                             frame.assign(packet->data, packet->data + packet->size);
                             return 0;
                         }),
              0);
    return frame;
}

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

struct StreamReadBack {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    uint32_t tag = 0;
    int64_t packets = 0;
    int64_t bytes = 0;
};

// What libavformat finds in a file: each stream's type and codec, and the
// packets and bytes it reads from it.
std::vector<StreamReadBack> ReadBack(const std::string& path)
{
    av::InputPtr input;
    EXPECT_EQ(av::OpenInput(path, input, "avi"), 0);
    if (!input)
        return {};
    EXPECT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
    std::vector<StreamReadBack> streams(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        streams[i].type = input->streams[i]->codecpar->codec_type;
        streams[i].codec = input->streams[i]->codecpar->codec_id;
        streams[i].tag = input->streams[i]->codecpar->codec_tag;
    }
    av::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        // The DV demuxer inside may add streams as it finds them.
        if (static_cast<size_t>(packet->stream_index) >= streams.size())
            streams.resize(static_cast<size_t>(packet->stream_index) + 1);
        StreamReadBack& s = streams[static_cast<size_t>(packet->stream_index)];
        ++s.packets;
        s.bytes += packet->size;
        av_packet_unref(packet.get());
    }
    return streams;
}

// The dwInitialFrames and dwLength of each stream header, and the number of
// RIFFs, read from the file's bytes.
struct Headers {
    std::vector<uint32_t> initialFrames;
    std::vector<uint32_t> lengths;
    int riffs = 0;
};

Headers ReadHeaders(const std::string& path)
{
    Headers headers;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return headers;
    std::string bytes(65536, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    for (size_t at = bytes.find("strh"); at != std::string::npos && at + 48 <= bytes.size();
         at = bytes.find("strh", at + 4)) {
        headers.initialFrames.push_back(GetU32(bytes, at + 8 + 16));
        headers.lengths.push_back(GetU32(bytes, at + 8 + 32));
    }
    std::string header(8, '\0');
    for (off_t at = 0; fseeko(file, at, SEEK_SET) == 0 && std::fread(header.data(), 1, 8, file) == 8 &&
                       header.compare(0, 4, "RIFF") == 0;
         at += 8 + static_cast<off_t>(GetU32(header, 4))) {
        ++headers.riffs;
    }
    std::fclose(file);
    return headers;
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
