#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Vfw/CompressorTable.h"
#include "Platform/Vfw/Vfw.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr LONG kFrames = 6;
constexpr DWORD kAudioRate = 22050;
// 1/15 s of 22,050 Hz stereo 16-bit per frame.
constexpr LONG kAudioPerFrame = 1470;

using WriteFolder = testing_support::TempDir;

// A BITMAPINFO of `bits` (a grey ramp palette for 8 bits) and frames of it.
std::vector<BYTE> BitmapInfo(LONG width, LONG height, WORD bits)
{
    const DWORD colours = bits == 8 ? 256 : 0;
    std::vector<BYTE> bytes(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bits;
    header->biCompression = BI_RGB;
    header->biClrUsed = colours;
    header->biSizeImage = static_cast<DWORD>((width * bits + 31) / 32 * 4 * height);
    auto* palette = reinterpret_cast<RGBQUAD*>(bytes.data() + sizeof(BITMAPINFOHEADER));
    for (DWORD i = 0; i < colours; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    return bytes;
}

std::vector<BYTE> Frame(const std::vector<BYTE>& info, LONG index)
{
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(info.data());
    std::vector<BYTE> bits(header->biSizeImage);
    for (std::size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<BYTE>((i * 3 + static_cast<std::size_t>(index) * 17) & 0x7F);
    return bits;
}

struct Written {
    AVCodecID video = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int depth = 0;
    int frames = 0;
    AVCodecID audio = AV_CODEC_ID_NONE;
    std::int64_t audioSamples = 0;
};

// What libavformat finds in the file.
bool Probe(const std::string& path, Written& written)
{
    av::InputPtr input;
    if (av::OpenInput(path, input) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return false;
    const int video = av::FindStream(input.get(), AVMEDIA_TYPE_VIDEO);
    const int audio = av::FindStream(input.get(), AVMEDIA_TYPE_AUDIO);
    if (video >= 0) {
        const AVCodecParameters* p = input->streams[video]->codecpar;
        written.video = p->codec_id;
        written.width = p->width;
        written.height = p->height;
        written.depth = p->bits_per_coded_sample;
    }
    int blockAlign = 1;
    if (audio >= 0) {
        written.audio = input->streams[audio]->codecpar->codec_id;
        blockAlign = std::max(input->streams[audio]->codecpar->block_align, 1);
    }
    av::PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video && packet->size > 0)
            ++written.frames;
        else if (packet->stream_index == audio)
            written.audioSamples += packet->size / blockAlign;
        av_packet_unref(packet.get());
    }
    return true;
}

// Writes kFrames frames of `bits` through `handler` (0: uncompressed) and
// a PCM track beside them.
bool WriteClip(const std::string& path, FOURCC handler, LONG width, LONG height, WORD bits, DWORD keyEvery = 0)
{
    PAVIFILE file = nullptr;
    if (AVIFileOpen(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK)
        return false;
    AVISTREAMINFO video{};
    video.fccType = streamtypeVIDEO;
    video.fccHandler = handler;
    video.dwScale = 66666;
    video.dwRate = 1000000;
    video.rcFrame = RECT{0, 0, width, height};
    AVISTREAMINFO audio{};
    audio.fccType = streamtypeAUDIO;
    audio.dwScale = 4;
    audio.dwRate = kAudioRate * 4;
    audio.dwSampleSize = 4;
    audio.dwInitialFrames = 1;
    PAVISTREAM raw = nullptr;
    PAVISTREAM sound = nullptr;
    bool ok = AVIFileCreateStream(file, &raw, &video) == AVIERR_OK
              && AVIFileCreateStream(file, &sound, &audio) == AVIERR_OK;
    PAVISTREAM pictures = raw;
    if (ok && handler != 0) {
        AVICOMPRESSOPTIONS options{};
        options.fccType = ICTYPE_VIDEO;
        options.fccHandler = handler;
        options.dwKeyFrameEvery = keyEvery;
        options.dwQuality = 8000;
        options.dwFlags = AVICOMPRESSF_VALID | (keyEvery != 0 ? AVICOMPRESSF_KEYFRAMES : 0) | AVICOMPRESSF_INTERLEAVE;
        ok = AVIMakeCompressedStream(&pictures, raw, &options, nullptr) == AVIERR_OK;
    }
    const std::vector<BYTE> info = BitmapInfo(width, height, bits);
    const WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 2, kAudioRate, kAudioRate * 4, 4, 16, 0};
    ok = ok && AVIStreamSetFormat(pictures, 0, info.data(), static_cast<LONG>(info.size())) == AVIERR_OK
         && AVIStreamSetFormat(sound, 0, &pcm, sizeof pcm) == AVIERR_OK;
    const std::vector<BYTE> samples(kAudioPerFrame * 4, 0);
    for (LONG i = 0; ok && i < kFrames; ++i) {
        const std::vector<BYTE> bits = Frame(info, i);
        ok = AVIStreamWrite(pictures, i, 1, bits.data(), static_cast<LONG>(bits.size()), AVIIF_KEYFRAME, nullptr,
                            nullptr)
                 == AVIERR_OK
             && AVIStreamWrite(sound, i * kAudioPerFrame, kAudioPerFrame, samples.data(),
                               static_cast<LONG>(samples.size()), AVIIF_KEYFRAME, nullptr, nullptr)
                    == AVIERR_OK;
    }
    if (pictures != raw)
        AVIStreamRelease(pictures);
    AVIStreamRelease(raw);
    AVIStreamRelease(sound);
    AVIFileRelease(file);
    return ok;
}

TEST(AviWrite, UncompressedFramesOfEveryDepthReadBack)
{
    WriteFolder folder;
    for (WORD bits : {WORD{8}, WORD{16}, WORD{24}}) {
        const std::string path = folder.File("dib" + std::to_string(bits) + ".avi");
        ASSERT_TRUE(WriteClip(path, 0, 64, 48, bits)) << bits;
        Written written;
        ASSERT_TRUE(Probe(path, written)) << bits;
        EXPECT_EQ(written.video, AV_CODEC_ID_RAWVIDEO) << bits;
        EXPECT_EQ(written.width, 64);
        EXPECT_EQ(written.height, 48);
        EXPECT_EQ(written.depth, bits);
        EXPECT_EQ(written.frames, kFrames);
        EXPECT_EQ(written.audio, AV_CODEC_ID_PCM_S16LE);
        EXPECT_EQ(written.audioSamples, kFrames * kAudioPerFrame);
    }
}

struct RowCodec {
    FOURCC handler;
    AVCodecID codec;
};

// Every installed compressor writes a file FFmpeg reads with the codec the
// handler names.
TEST(AviWrite, EveryCompressorOfTheTableWritesAReadableFile)
{
    const RowCodec codecs[] = {
        {mmioFOURCC('M', 'J', 'P', 'G'), AV_CODEC_ID_MJPEG},      {mmioFOURCC('c', 'v', 'i', 'd'), AV_CODEC_ID_CINEPAK},
        {mmioFOURCC('M', 'S', 'V', 'C'), AV_CODEC_ID_MSVIDEO1},   {mmioFOURCC('C', 'R', 'A', 'M'), AV_CODEC_ID_MSVIDEO1},
        {mmioFOURCC('M', 'P', '4', '2'), AV_CODEC_ID_MSMPEG4V2},  {mmioFOURCC('M', 'P', '4', '3'), AV_CODEC_ID_MSMPEG4V3},
        {mmioFOURCC('W', 'M', 'V', '1'), AV_CODEC_ID_WMV1},       {mmioFOURCC('W', 'M', 'V', '2'), AV_CODEC_ID_WMV2},
        {mmioFOURCC('d', 'v', 's', 'd'), AV_CODEC_ID_DVVIDEO},    {mmioFOURCC('H', 'F', 'Y', 'U'), AV_CODEC_ID_HUFFYUV},
    };
    ASSERT_EQ(std::size(codecs), vfw::StandardCompressors().size());
    WriteFolder folder;
    for (const vfw::CompressorRow& row : vfw::StandardCompressors()) {
        AVCodecID expected = AV_CODEC_ID_NONE;
        for (const RowCodec& c : codecs)
            if (c.handler == row.fccHandler)
                expected = c.codec;
        const bool dv = row.sizes == vfw::SizeRule::DvOnly;
        const LONG width = dv ? 720 : 64;
        const LONG height = dv ? 576 : 48;
        const WORD bits = (row.inputDepths & vfw::kDepth24) != 0 ? 24 : 16;
        const std::string path = folder.File("row.avi");
        ASSERT_TRUE(WriteClip(path, row.fccHandler, width, height, bits, 3)) << row.encoder;
        Written written;
        ASSERT_TRUE(Probe(path, written)) << row.encoder;
        EXPECT_EQ(written.video, expected) << row.encoder;
        EXPECT_EQ(written.width, width) << row.encoder;
        EXPECT_EQ(written.height, height) << row.encoder;
        EXPECT_EQ(written.depth, row.outputBitCount) << row.encoder;
        EXPECT_EQ(written.frames, kFrames) << row.encoder;
        EXPECT_EQ(written.audioSamples, kFrames * kAudioPerFrame) << row.encoder;
    }
}

TEST(AviWrite, RefusalsLeaveNoTemporaryFileBehind)
{
    WriteFolder folder;
    const std::string path = folder.File("refused.avi");
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_OK);
    AVISTREAMINFO video{};
    video.fccType = streamtypeVIDEO;
    video.dwScale = 1;
    video.dwRate = 15;
    PAVISTREAM raw = nullptr;
    ASSERT_EQ(AVIFileCreateStream(file, &raw, &video), AVIERR_OK);
    AVICOMPRESSOPTIONS options{};
    options.fccHandler = mmioFOURCC('I', 'V', '5', '0');
    PAVISTREAM compressed = nullptr;
    EXPECT_EQ(AVIMakeCompressedStream(&compressed, raw, &options, nullptr), AVIERR_NOCOMPRESSOR);
    // Video 1 takes 16-bit frames only: 24 bits are refused, as the
    // writer's depth negotiation expects.
    options.fccHandler = mmioFOURCC('M', 'S', 'V', 'C');
    ASSERT_EQ(AVIMakeCompressedStream(&compressed, raw, &options, nullptr), AVIERR_OK);
    const std::vector<BYTE> info = BitmapInfo(64, 48, 24);
    EXPECT_EQ(AVIStreamSetFormat(compressed, 0, info.data(), static_cast<LONG>(info.size())), AVIERR_BADFORMAT);
    BYTE bits[16] = {};
    EXPECT_NE(AVIStreamWrite(compressed, 0, 1, bits, sizeof bits, 0, nullptr, nullptr), AVIERR_OK);
    AVIStreamRelease(compressed);
    AVIStreamRelease(raw);
    AVIFileRelease(file);
    // No temporary file is left, whatever became of the target.
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

} // namespace
