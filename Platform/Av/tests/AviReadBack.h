#pragma once
// Helpers of the tests that write AVI files (the AVI writer's and the
// multiplexer filters'): DV frames and format records to write, and what
// libavformat and the file's own headers say about a written file.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace avi_test {

inline constexpr int kAudioRate = 48000;

inline void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, static_cast<uint16_t>(v));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

inline uint32_t GetU32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

inline std::vector<uint8_t> BitmapHeader(int width, int height, uint16_t bits, uint32_t compression, uint32_t imageSize)
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

inline std::vector<uint8_t> PcmFormat(int rate)
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
inline std::vector<uint8_t> EncodeDvFrame(bool pal)
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

struct StreamReadBack {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    uint32_t tag = 0;
    int64_t packets = 0;
    int64_t bytes = 0;
};

// What libavformat finds in a file: each stream's type and codec, and the
// packets and bytes it reads from it.
inline std::vector<StreamReadBack> ReadBack(const std::string& path)
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

inline Headers ReadHeaders(const std::string& path)
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

struct Decoded {
    int width = 0;
    int height = 0;
    int frames = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    // Luma and red-difference chroma at the middle of the top and bottom
    // quarters of the first frame.
    int topLuma = 0, bottomLuma = 0, topRed = 0, bottomRed = 0;
};

// The first video stream of a file decoded: its size, format and frame
// count, and a few samples of its first frame.
inline Decoded DecodeVideo(const std::string& path)
{
    Decoded result;
    av::InputPtr input;
    EXPECT_EQ(av::OpenInput(path, input, "avi"), 0);
    if (!input)
        return result;
    const int stream = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    av::CodecPtr decoder;
    EXPECT_EQ(av::OpenDecoder(input->streams[stream]->codecpar, decoder), 0);
    av::FramePtr frame(av_frame_alloc());
    while (av::DecodeNextFrame(input.get(), stream, decoder.get(), frame.get()) == 0) {
        if (result.frames++ == 0) {
            result.width = frame->width;
            result.height = frame->height;
            result.format = static_cast<AVPixelFormat>(frame->format);
            const int x = frame->width / 2, top = frame->height / 4, bottom = frame->height * 3 / 4;
            result.topLuma = frame->data[0][top * frame->linesize[0] + x];
            result.bottomLuma = frame->data[0][bottom * frame->linesize[0] + x];
            // The red difference of planar YUV pictures.
            const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(result.format);
            if (frame->data[2] != nullptr && descriptor != nullptr && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB)) {
                auto red = [&](int row) {
                    return frame->data[2][(row >> descriptor->log2_chroma_h) * frame->linesize[2] +
                                          (x >> descriptor->log2_chroma_w)];
                };
                result.topRed = red(top);
                result.bottomRed = red(bottom);
            }
        }
        av_frame_unref(frame.get());
    }
    return result;
}

} // namespace avi_test
