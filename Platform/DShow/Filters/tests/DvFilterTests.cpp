// The DV video encoder, the DV multiplexer and the DV patch filter in
// graphs that end in the AVI multiplexer and the file writer; the files are
// read back, decoded and their audio recovered by FFmpeg.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Platform/Av/tests/AviReadBack.h"
#include "Platform/DShow/DShow.h"
#include "Platform/DShow/Filters/tests/WritingTestSupport.h"
#include "Platform/Win/Base/Utf.h"
#include "tests/support/TempDir.h"

namespace {

using namespace avi_test;
using namespace writing_test;

constexpr REFERENCE_TIME kPalFrame = UNITS / 25;
constexpr REFERENCE_TIME kNtscFrame = 333667;

CMediaType RgbType(int width, int height, REFERENCE_TIME frameTime)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    const LONG stride = (width * 3 + 3) & ~3;
    type.SetSampleSize(static_cast<ULONG>(stride * height));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *info = VIDEOINFOHEADER{};
    info->AvgTimePerFrame = frameTime;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(stride * height);
    return type;
}

// Frames whose top half is red and bottom half blue (bottom-up rows).
SampleSourceOptions RgbFrames(int width, int height, REFERENCE_TIME frameTime, int frames)
{
    SampleSourceOptions options;
    options.type = RgbType(width, height, frameTime);
    options.samples = frames;
    options.duration = frameTime;
    const LONG stride = (width * 3 + 3) & ~3;
    options.bufferSize = stride * height;
    options.make = [=](int) {
        std::vector<BYTE> bytes(static_cast<size_t>(stride * height), 0);
        for (int row = 0; row < height; ++row) {
            const bool top = row >= height / 2; // bottom-up: the last rows are the top
            for (int x = 0; x < width; ++x) {
                BYTE* pixel = &bytes[static_cast<size_t>(row * stride + x * 3)];
                pixel[0] = top ? 0 : 255; // blue
                pixel[2] = top ? 255 : 0; // red
            }
        }
        return bytes;
    };
    return options;
}

int16_t Signal(int64_t sample, int channel)
{
    const int16_t left = static_cast<int16_t>((sample * 37) % 30001 - 15000);
    return channel == 0 ? left : static_cast<int16_t>(-left / 2 + 7);
}

constexpr int kChunk = 1000;

// `total` sample frames of the test signal, in chunks of kChunk.
SampleSourceOptions SignalChunks(DWORD rate, int64_t total)
{
    SampleSourceOptions options;
    options.type = PcmType(rate);
    options.samples = static_cast<int>((total + kChunk - 1) / kChunk);
    options.duration = kChunk * UNITS / rate;
    options.bufferSize = kChunk * 4;
    options.make = [total](int index) {
        std::vector<BYTE> bytes;
        for (int64_t n = static_cast<int64_t>(index) * kChunk; n < std::min<int64_t>(total, (index + 1) * kChunk);
             ++n) {
            for (int channel = 0; channel < 2; ++channel) {
                const auto value = static_cast<uint16_t>(Signal(n, channel));
                bytes.push_back(static_cast<BYTE>(value));
                bytes.push_back(static_cast<BYTE>(value >> 8));
            }
        }
        return bytes;
    };
    return options;
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

Decoded DecodeVideo(const std::string& path)
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
            const int chromaRowShift = result.format == AV_PIX_FMT_YUV420P ? 1 : 0;
            const int chromaColumnShift = result.format == AV_PIX_FMT_YUV420P ? 1 : 2;
            result.topLuma = frame->data[0][top * frame->linesize[0] + x];
            result.bottomLuma = frame->data[0][bottom * frame->linesize[0] + x];
            result.topRed = frame->data[2][(top >> chromaRowShift) * frame->linesize[2] + (x >> chromaColumnShift)];
            result.bottomRed =
                frame->data[2][(bottom >> chromaRowShift) * frame->linesize[2] + (x >> chromaColumnShift)];
        }
        av_frame_unref(frame.get());
    }
    return result;
}

struct EncoderCase {
    const char* name;
    int width;
    int height;
    int videoFormat; // 0: left to the encoder
    int dvHeight;
};

TEST(DvEncoder, EncodesRgbFramesIntoDvOfTheSystemTheHeightOrIDVEncChooses)
{
    const EncoderCase cases[] = {
        {"PAL by height", 720, 576, 0, 576},
        {"NTSC by height", 720, 480, 0, 480},
        {"small frames scaled to NTSC", 320, 240, 0, 480},
        {"PAL set through IDVEnc", 720, 480, DVENCODERVIDEOFORMAT_PAL, 576},
    };
    for (const EncoderCase& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir folder;
        const std::string path = folder.File("encoded.avi");
        WriterGraph graph(path);
        const REFERENCE_TIME frameTime = c.dvHeight == 576 ? kPalFrame : kNtscFrame;
        com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(RgbFrames(c.width, c.height, frameTime, 4)), u"VideoSource");
        com::ComPtr<IBaseFilter> encoder = graph.Add(MakeFilter(CLSID_DVVideoEnc), u"DV Video Encoder");
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), encoder.Get()), S_OK);
        com::ComPtr<IDVEnc> settings;
        ASSERT_EQ(settings.QueryFrom(encoder.Get(), IID_IDVEnc), S_OK);
        int videoFormat = 0, dvFormat = 0, resolution = 0;
        ASSERT_EQ(settings->get_IFormatResolution(&videoFormat, &dvFormat, &resolution, FALSE, nullptr), S_OK);
        EXPECT_EQ(videoFormat, c.height == 576 ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC);
        EXPECT_EQ(dvFormat, DVENCODERFORMAT_DVSD);
        EXPECT_EQ(resolution, DVENCODERRESOLUTION_720x480);
        if (c.videoFormat != 0) {
            ASSERT_EQ(settings->put_IFormatResolution(c.videoFormat, DVENCODERFORMAT_DVSD,
                                                      DVENCODERRESOLUTION_720x480, FALSE, nullptr),
                      S_OK);
        }
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), encoder.Get(), graph.mux.Get()), S_OK);
        ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

        const Decoded decoded = DecodeVideo(path);
        EXPECT_EQ(decoded.frames, 4);
        EXPECT_EQ(decoded.width, 720);
        EXPECT_EQ(decoded.height, c.dvHeight);
        EXPECT_EQ(decoded.format, c.dvHeight == 576 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P);
        // Red on top, blue below: red has the higher red-difference and
        // the higher luma of the two.
        EXPECT_GT(decoded.topRed, 200);
        EXPECT_LT(decoded.bottomRed, 128);
        EXPECT_GT(decoded.topLuma, decoded.bottomLuma);
    }
}

TEST(DvEncoder, RefusesFormatsItCannotMake)
{
    com::ComPtr<IBaseFilter> encoder = MakeFilter(CLSID_DVVideoEnc);
    com::ComPtr<IDVEnc> settings;
    ASSERT_EQ(settings.QueryFrom(encoder.Get(), IID_IDVEnc), S_OK);
    EXPECT_EQ(settings->put_IFormatResolution(1999, DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480, FALSE,
                                              nullptr),
              E_INVALIDARG);
    EXPECT_EQ(settings->put_IFormatResolution(DVENCODERVIDEOFORMAT_PAL, DVENCODERFORMAT_DVHD,
                                              DVENCODERRESOLUTION_720x480, FALSE, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(settings->get_IFormatResolution(nullptr, nullptr, nullptr, FALSE, nullptr), E_POINTER);
}

// The audio of every frame of a type-1 file, as FFmpeg's DV demuxer
// recovers it, interleaved left/right.
std::vector<int16_t> RecoverAudio(const std::string& path, int& rate)
{
    std::vector<int16_t> samples;
    av::InputPtr input;
    EXPECT_EQ(av::OpenInput(path, input, "avi"), 0);
    if (!input)
        return samples;
    av::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const AVCodecParameters* parameters = input->streams[packet->stream_index]->codecpar;
        if (parameters->codec_type == AVMEDIA_TYPE_AUDIO) {
            rate = parameters->sample_rate;
            const auto* data = reinterpret_cast<const int16_t*>(packet->data);
            samples.insert(samples.end(), data, data + packet->size / 2);
        }
        av_packet_unref(packet.get());
    }
    return samples;
}

struct MuxCase {
    bool pal;
    DWORD rate;
};

TEST(DvMux, AudioComesBackSampleExactForBothSystemsAtEveryRate)
{
    const MuxCase cases[] = {{true, 32000}, {true, 44100}, {true, 48000},
                             {false, 32000}, {false, 44100}, {false, 48000}};
    constexpr int kFrames = 12;
    for (const MuxCase& c : cases) {
        SCOPED_TRACE(std::string(c.pal ? "PAL " : "NTSC ") + std::to_string(c.rate));
        testing_support::TempDir folder;
        const std::string path = folder.File("type1.avi");
        // The exact count the frames carry: rate x frame time, shared out.
        const int64_t total = static_cast<int64_t>(kFrames) * c.rate * (c.pal ? 1 : 1001) / (c.pal ? 25 : 30000);
        WriterGraph graph(path);
        SampleSourceOptions video;
        video.type = DvVideoType(c.pal);
        video.samples = kFrames;
        video.duration = c.pal ? kPalFrame : kNtscFrame;
        const std::vector<uint8_t> frame = EncodeDvFrame(c.pal);
        video.bufferSize = static_cast<LONG>(frame.size());
        video.make = [frame](int) { return std::vector<BYTE>(frame.begin(), frame.end()); };
        com::ComPtr<IBaseFilter> videoSource = graph.Add(MakeSource(video), u"VideoSource");
        com::ComPtr<IBaseFilter> audioSource = graph.Add(MakeSource(SignalChunks(c.rate, total + 5000)), u"AudioSource");
        com::ComPtr<IBaseFilter> dvMux = graph.Add(MakeFilter(CLSID_DVMux), u"DV Mux");
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), videoSource.Get(), dvMux.Get()), S_OK);
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), audioSource.Get(), dvMux.Get()), S_OK);
        ASSERT_EQ(ConnectFilters(graph.graph.Get(), dvMux.Get(), graph.mux.Get()), S_OK);
        ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

        EXPECT_NE(testing_support::ReadFile(path).find("iavsdvsd"), std::string::npos);
        int rate = 0;
        const std::vector<int16_t> audio = RecoverAudio(path, rate);
        EXPECT_EQ(rate, static_cast<int>(c.rate));
        ASSERT_EQ(static_cast<int64_t>(audio.size()), total * 2);
        int64_t wrong = 0;
        for (int64_t n = 0; n < total; ++n)
            wrong += audio[static_cast<size_t>(n * 2)] != Signal(n, 0) || audio[static_cast<size_t>(n * 2 + 1)] != Signal(n, 1);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(DecodeVideo(path).frames, kFrames);
    }
}

TEST(DvPatchFilter, PassesTypeTwoDvThroughToTheAviMux)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("type2.avi");
    WriterGraph graph(path);
    com::ComPtr<IBaseFilter> source = graph.Add(MakeSource(RgbFrames(720, 480, kNtscFrame, 3)), u"VideoSource");
    com::ComPtr<IBaseFilter> encoder = graph.Add(MakeFilter(CLSID_DVVideoEnc), u"DV Video Encoder");
    com::ComPtr<IBaseFilter> patch = graph.Add(MakeFilter(CLSID_DVPatchFilter), u"DV-Patch Filter");
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), source.Get(), encoder.Get()), S_OK);
    com::ComPtr<IPin> encoded = FreePin(encoder.Get(), PINDIR_OUTPUT);
    com::ComPtr<IPin> patchIn = FreePin(patch.Get(), PINDIR_INPUT);
    ASSERT_EQ(graph.graph->Connect(encoded.Get(), patchIn.Get()), S_OK);
    ASSERT_EQ(ConnectFilters(graph.graph.Get(), patch.Get(), graph.mux.Get()), S_OK);
    ASSERT_EQ(RunToEnd(graph.graph.Get()), EC_COMPLETE);

    const std::vector<StreamReadBack> streams = ReadBack(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].tag, MEDIASUBTYPE_dvsd.Data1);
    EXPECT_EQ(streams[0].packets, 3);
}

TEST(WritingFilters, PlaceholderIsCreatableAndHasNoPins)
{
    com::ComPtr<IBaseFilter> placeholder = MakeFilter(CLSID_QklawrPlaceholder);
    ASSERT_TRUE(placeholder);
    com::ComPtr<IEnumPins> pins;
    ASSERT_EQ(placeholder->EnumPins(pins.Receive()), S_OK);
    com::ComPtr<IPin> pin;
    EXPECT_EQ(pins->Next(1, pin.Receive(), nullptr), S_FALSE);
}

} // namespace
