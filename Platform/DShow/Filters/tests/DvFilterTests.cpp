// The DV video encoder, the DV multiplexer and the DV patch filter in
// graphs that end in the AVI multiplexer and the file writer; the files are
// read back, decoded and their audio recovered by FFmpeg.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Platform/Av/tests/AviReadBack.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/Filters/tests/WritingTestSupport.h"
#include "Platform/Win/Base/Utf.h"
#include "tests/support/TempDir.h"

namespace {

using namespace avi_test;
using namespace writing_test;

constexpr REFERENCE_TIME kPalFrame = UNITS / 25;
constexpr REFERENCE_TIME kNtscFrame = 333667;

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
