#include "Platform/Av/Av.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Av/TempFile.h"
#include "tests/support/TempDir.h"

#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 24;

// Every byte of every row differs from its neighbours, so a swapped or
// shifted row shows.
av::FramePtr MakePatternPicture(AVPixelFormat format, int bytesPerPixel)
{
    av::FramePtr picture = av::AllocatePicture(format, kWidth, kHeight);
    if (!picture)
        return nullptr;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0];
        for (int x = 0; x < kWidth * bytesPerPixel; ++x)
            row[x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return picture;
}

av::FramePtr MakeFlatYuvPicture(uint8_t luma)
{
    av::FramePtr picture = av::AllocatePicture(AV_PIX_FMT_YUV420P, kWidth, kHeight);
    if (!picture)
        return nullptr;
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? kHeight : kHeight / 2;
        for (int y = 0; y < rows; ++y)
            std::memset(picture->data[plane] + static_cast<ptrdiff_t>(y) * picture->linesize[plane],
                        plane == 0 ? luma : 128, static_cast<size_t>(picture->linesize[plane]));
    }
    return picture;
}

av::CodecSetup PictureSetup(AVPixelFormat format)
{
    return [format](AVCodecContext& context) {
        context.width = kWidth;
        context.height = kHeight;
        context.pix_fmt = format;
        context.time_base = AVRational{1, 25};
    };
}

std::vector<uint8_t> EncodedPng()
{
    av::CodecPtr encoder;
    av::FramePtr picture = MakePatternPicture(AV_PIX_FMT_RGB24, 3);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(av::OpenEncoder(AV_CODEC_ID_PNG, encoder, PictureSetup(AV_PIX_FMT_RGB24)), 0);
    EXPECT_EQ(av::EncodePicture(encoder.get(), picture.get(), bytes), 0);
    return bytes;
}

TEST(AvPicture, EncodedPictureDecodesToTheSamePixels)
{
    struct Case {
        AVCodecID codec;
        AVPixelFormat format;
        int bytesPerPixel;
    } const cases[] = {
        {AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 3},
        {AV_CODEC_ID_BMP, AV_PIX_FMT_BGR24, 3},
        {AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, 3},
        {AV_CODEC_ID_PNG, AV_PIX_FMT_GRAY8, 1},
    };
    for (const Case& c : cases) {
        const char* name = avcodec_get_name(c.codec);
        av::FramePtr picture = MakePatternPicture(c.format, c.bytesPerPixel);
        ASSERT_TRUE(picture) << name;
        av::CodecPtr encoder;
        ASSERT_EQ(av::OpenEncoder(c.codec, encoder, PictureSetup(c.format)), 0) << name;
        std::vector<uint8_t> bytes;
        ASSERT_EQ(av::EncodePicture(encoder.get(), picture.get(), bytes), 0) << name;

        av::CodecPtr decoder;
        ASSERT_EQ(av::OpenDecoder(c.codec, decoder), 0) << name;
        av::FramePtr decoded(av_frame_alloc());
        ASSERT_EQ(av::DecodePicture(decoder.get(), bytes, decoded.get()), 0) << name;
        ASSERT_EQ(decoded->format, c.format) << name;
        ASSERT_EQ(decoded->width, kWidth) << name;
        ASSERT_EQ(decoded->height, kHeight) << name;
        for (int y = 0; y < kHeight; ++y) {
            ASSERT_EQ(std::memcmp(decoded->data[0] + static_cast<ptrdiff_t>(y) * decoded->linesize[0],
                                  picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0],
                                  static_cast<size_t>(kWidth * c.bytesPerPixel)),
                      0)
                << name << " row " << y;
        }
    }
}

TEST(AvPicture, ConversionBetweenRgbOrdersSwapsTheChannels)
{
    av::FramePtr rgb = MakePatternPicture(AV_PIX_FMT_RGB24, 3);
    av::FramePtr bgr = av::ConvertPicture(rgb.get(), AV_PIX_FMT_BGR24);
    ASSERT_TRUE(bgr);
    EXPECT_EQ(bgr->format, AV_PIX_FMT_BGR24);
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* from = rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0];
        const uint8_t* to = bgr->data[0] + static_cast<ptrdiff_t>(y) * bgr->linesize[0];
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(to[3 * x], from[3 * x + 2]) << x << "," << y;
            ASSERT_EQ(to[3 * x + 1], from[3 * x + 1]) << x << "," << y;
            ASSERT_EQ(to[3 * x + 2], from[3 * x]) << x << "," << y;
        }
    }
}

// Mono pictures a few pixels wide and at least three rows tall are where
// the scaler writes past the end of its destination.
TEST(AvPicture, ConversionWritesNothingPastAnUnpaddedDestination)
{
    struct Case {
        AVPixelFormat from;
        AVPixelFormat to;
        int bytesPerPixel;
    };
    const Case cases[] = {
        {AV_PIX_FMT_MONOWHITE, AV_PIX_FMT_GRAY8, 1},
        {AV_PIX_FMT_MONOBLACK, AV_PIX_FMT_GRAY8, 1},
        {AV_PIX_FMT_MONOWHITE, AV_PIX_FMT_BGR24, 3},
        {AV_PIX_FMT_GRAY8, AV_PIX_FMT_BGR24, 3},
        {AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR24, 3},
    };
    constexpr uint8_t kGuard = 0xA5;
    constexpr size_t kGuardBytes = 64;
    for (const Case& c : cases) {
        for (int width = 1; width <= 9; ++width) {
            for (int height : {1, 3, 6, 17}) {
                const std::string name = std::string(av_get_pix_fmt_name(c.from)) + " to " +
                                         av_get_pix_fmt_name(c.to) + " " + std::to_string(width) + "x" +
                                         std::to_string(height);
                av::FramePtr picture = av::AllocatePicture(c.from, width, height);
                ASSERT_TRUE(picture) << name;
                for (int y = 0; y < height; ++y)
                    std::memset(picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0], 0x5A,
                                static_cast<size_t>(picture->linesize[0]));
                const int stride = width * c.bytesPerPixel;
                std::vector<uint8_t> block(static_cast<size_t>(stride) * height + kGuardBytes, kGuard);
                uint8_t* const planes[4] = {block.data(), nullptr, nullptr, nullptr};
                const int strides[4] = {stride, 0, 0, 0};
                ASSERT_TRUE(av::ConvertPicture(picture.get(), c.to, planes, strides)) << name;
                for (size_t i = block.size() - kGuardBytes; i < block.size(); ++i)
                    ASSERT_EQ(block[i], kGuard) << name << ": byte " << i - (block.size() - kGuardBytes)
                                                << " past the destination was written";
            }
        }
    }
}

TEST(AvDecode, DamagedPictureFailsWithoutAPicture)
{
    av::QuietLogs();
    const std::vector<uint8_t> whole = EncodedPng();
    ASSERT_GT(whole.size(), 64u);
    const std::string words = "no picture here, only words";
    const struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"signature only", std::vector<uint8_t>(whole.begin(), whole.begin() + 8)},
        {"first half", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 2))},
        {"words", std::vector<uint8_t>(words.begin(), words.end())},
    };
    for (const Case& c : cases) {
        av::CodecPtr decoder;
        ASSERT_EQ(av::OpenDecoder(AV_CODEC_ID_PNG, decoder), 0);
        av::FramePtr picture(av_frame_alloc());
        EXPECT_EQ(av::DecodePicture(decoder.get(), c.bytes, picture.get()), AVERROR_INVALIDDATA) << c.name;
        EXPECT_EQ(picture->data[0], nullptr) << c.name;
    }
}

// Writes FFV1 pictures of the given luma levels into an AVI file through the
// encode loop, and reads them back frame by frame.
TEST(AvStream, ClipWrittenThroughTheEncodeLoopReadsBackFrameByFrame)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("clip.avi");
    const uint8_t levels[] = {16, 80, 144, 235};
    {
        av::OutputPtr output;
        ASSERT_EQ(av::CreateOutput(path, output), 0);
        av::CodecPtr encoder;
        ASSERT_EQ(av::OpenEncoder(AV_CODEC_ID_FFV1, encoder, PictureSetup(AV_PIX_FMT_YUV420P)), 0);
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        ASSERT_NE(stream, nullptr);
        ASSERT_GE(avcodec_parameters_from_context(stream->codecpar, encoder.get()), 0);
        stream->time_base = encoder->time_base;
        ASSERT_EQ(av::OpenOutputFile(output.get()), 0);
        ASSERT_GE(avformat_write_header(output.get(), nullptr), 0);
        const av::PacketSink write = [&](AVPacket* packet) {
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            return av_interleaved_write_frame(output.get(), packet);
        };
        int64_t pts = 0;
        for (uint8_t level : levels) {
            av::FramePtr picture = MakeFlatYuvPicture(level);
            picture->pts = pts++;
            ASSERT_EQ(av::Encode(encoder.get(), picture.get(), write), 0);
        }
        ASSERT_EQ(av::Encode(encoder.get(), nullptr, write), 0);
        ASSERT_GE(av_write_trailer(output.get()), 0);
    }

    av::InputPtr input;
    ASSERT_EQ(av::OpenInput(path, input), 0);
    const int stream = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    ASSERT_EQ(stream, 0);
    EXPECT_EQ(av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO, 1), -1);
    EXPECT_EQ(av::FindStream(input.get(), AVMEDIA_TYPE_AUDIO), -1);
    av::CodecPtr decoder;
    ASSERT_EQ(av::OpenDecoder(input->streams[stream]->codecpar, decoder), 0);
    av::FramePtr frame(av_frame_alloc());
    for (uint8_t level : levels) {
        ASSERT_EQ(av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()), 0) << int{level};
        EXPECT_EQ(frame->data[0][0], level);
        EXPECT_EQ(frame->data[0][static_cast<ptrdiff_t>(kHeight - 1) * frame->linesize[0] + kWidth - 1], level);
    }
    EXPECT_EQ(av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()), AVERROR_EOF);
}

TEST(AvOpen, MissingFileAnswersNoSuchFile)
{
    testing_support::TempDir folder;
    av::InputPtr input;
    EXPECT_EQ(av::OpenInput(folder.File("missing.avi"), input), AVERROR(ENOENT));
    EXPECT_FALSE(input);
}

// A reader over bytes in memory, for inputs read through custom I/O.
struct MemoryReader {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    static int Read(void* opaque, uint8_t* buffer, int size)
    {
        auto* self = static_cast<MemoryReader*>(opaque);
        const size_t n = std::min(self->bytes.size() - self->position, static_cast<size_t>(size));
        if (n == 0)
            return AVERROR_EOF;
        std::memcpy(buffer, self->bytes.data() + self->position, n);
        self->position += n;
        return static_cast<int>(n);
    }
};

// A second of 8 kHz 8-bit mono PCM in a wave file.
std::vector<uint8_t> PcmWave()
{
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    auto tag = [&](const char* fourcc) { bytes.insert(bytes.end(), fourcc, fourcc + 4); };
    tag("RIFF");
    put(4 + 8 + 16 + 8 + 8000, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(8000, 4);
    put(8000, 4);
    put(1, 2);
    put(8, 2);
    tag("data");
    put(8000, 4);
    bytes.resize(bytes.size() + 8000, 0x80);
    return bytes;
}

// The input owns the I/O it reads through: nothing of it outlives the
// input, or a failed open (the sanitizer build's leak check says so).
TEST(AvOpen, CustomInputReadsThroughTheCallersReader)
{
    const AVInputFormat* wav = av_find_input_format("wav");
    ASSERT_NE(wav, nullptr);
    MemoryReader sound{PcmWave()};
    av::InputPtr input;
    ASSERT_EQ(av::OpenCustomInput(wav, &sound, &MemoryReader::Read, nullptr, 4096, input), 0);
    ASSERT_EQ(input->nb_streams, 1u);
    EXPECT_EQ(input->streams[0]->codecpar->sample_rate, 8000);
    input.reset();

    MemoryReader garbage{std::vector<uint8_t>(4096, 0x5A)};
    EXPECT_LT(av::OpenCustomInput(wav, &garbage, &MemoryReader::Read, nullptr, 4096, input), 0);
    EXPECT_FALSE(input);
}

TEST(AvDiagnostics, ErrorTextIsFFmpegsTextForTheCode)
{
    const struct Case {
        int code;
        const char* text;
    } cases[] = {
        {AVERROR_EOF, "End of file"},
        {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
        {AVERROR_DECODER_NOT_FOUND, "Decoder not found"},
        {AVERROR(ENOENT), "No such file or directory"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(av::ErrorText(c.code), c.text) << c.code;
}

} // namespace

namespace {

// A process id that has ended: a child that exited and was reaped.
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

// The temporary files that writers killed before finishing left beside a
// target are removed when the next one starts; those of writers still
// running (here: this process's open file, and a live process) stay.
TEST(AvTempFile, LeftoversOfEndedWritersAreRemovedAndLiveOnesKept)
{
    testing_support::TempDir dir;
    const std::string target = dir.File("MMERGE0.avi");
    av::TempFile open;
    ASSERT_EQ(open.Create(target), 0);
    const std::string killed = dir.Write("MMERGE0.avi.~" + std::to_string(EndedProcess()) + "-3.tmp", "lost");
    const std::string mine = dir.Write("MMERGE0.avi.~" + std::to_string(getpid()) + "-999.tmp", "abandoned");
    const std::string live = dir.Write("MMERGE0.avi.~" + std::to_string(getppid()) + "-1.tmp", "running");
    const std::string other = dir.Write("MMERGE1.avi.~" + std::to_string(EndedProcess()) + "-1.tmp", "other target");
    av::TempFile next;
    ASSERT_EQ(next.Create(target), 0);
    EXPECT_FALSE(std::filesystem::exists(killed));
    EXPECT_FALSE(std::filesystem::exists(mine));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(open.Path()));
    EXPECT_TRUE(std::filesystem::exists(next.Path()));
}

} // namespace
