#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Platform/Vfw/Vfw.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::SoundClip;
using media_fixtures::SoundKind;

// A folder of the test's own, with FFmpeg quiet about damaged input.
class Folder : public testing_support::TempDir {
public:
    Folder() { media_fixtures::QuietMediaLogs(); }
};

std::string Sound(const Folder& folder, const std::string& name, SoundKind kind, int rate, int channels,
                  double seconds = 1.0)
{
    const std::string path = folder.File(name);
    SoundClip clip;
    clip.kind = kind;
    clip.sampleRate = rate;
    clip.channels = channels;
    clip.seconds = seconds;
    EXPECT_TRUE(media_fixtures::WriteSound(path, clip)) << name;
    return path;
}

WAVEFORMATEX FormatOf(PAVISTREAM stream)
{
    LONG size = 0;
    EXPECT_EQ(AVIStreamReadFormat(stream, 0, nullptr, &size), AVIERR_OK);
    std::vector<BYTE> bytes(static_cast<std::size_t>(std::max<LONG>(size, sizeof(WAVEFORMATEX))));
    EXPECT_EQ(AVIStreamReadFormat(stream, 0, bytes.data(), &size), AVIERR_OK);
    WAVEFORMATEX format{};
    std::memcpy(&format, bytes.data(), sizeof format);
    return format;
}

TEST(AviFileRead, APcmWaveIsOneAudioStreamOfBlocks)
{
    Folder folder;
    const std::string path = Sound(folder, "tone.wav", SoundKind::Wav16, 22050, 2);
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    AVIFILEINFO info{};
    ASSERT_EQ(AVIFileInfo(file, &info, sizeof info), AVIERR_OK);
    EXPECT_EQ(info.dwStreams, 1u);
    EXPECT_STREQ(info.szFileType, "WAVE");
    // Without video, the file counts in its audio stream's samples.
    EXPECT_EQ(info.dwScale, 4u);
    EXPECT_EQ(info.dwRate, 88200u);
    EXPECT_EQ(info.dwLength, 22050u);
    PAVISTREAM stream = nullptr;
    EXPECT_NE(AVIFileGetStream(file, &stream, streamtypeAUDIO, 1), AVIERR_OK);
    EXPECT_EQ(stream, nullptr);
    EXPECT_NE(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
    // The stream keeps the file's data.
    EXPECT_EQ(AVIFileRelease(file), 0u);

    AVISTREAMINFO s{};
    ASSERT_EQ(AVIStreamInfo(stream, &s, sizeof s), AVIERR_OK);
    EXPECT_EQ(s.fccType, streamtypeAUDIO);
    EXPECT_EQ(s.dwScale, 4u);
    EXPECT_EQ(s.dwRate, 88200u);
    EXPECT_EQ(s.dwSampleSize, 4u);
    EXPECT_EQ(s.dwLength, 22050u);
    EXPECT_EQ(AVIStreamStart(stream), 0);
    EXPECT_EQ(AVIStreamLength(stream), 22050);
    EXPECT_EQ(AVIStreamSampleToTime(stream, 22050), 1000);
    EXPECT_EQ(AVIStreamTimeToSample(stream, 500), 11025);

    const WAVEFORMATEX format = FormatOf(stream);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.wBitsPerSample, 16);

    LONG bytes = -1;
    LONG samples = -1;
    ASSERT_EQ(AVIStreamRead(stream, 0, 1, nullptr, 0, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(bytes, 4);
    EXPECT_EQ(samples, 1);
    std::vector<BYTE> buffer(400);
    ASSERT_EQ(AVIStreamRead(stream, 1000, 100, buffer.data(), 400, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 100);
    const std::vector<unsigned char> whole = media_fixtures::ReadBytes(path);
    EXPECT_EQ(std::memcmp(buffer.data(), whole.data() + 44 + 4000, 400), 0);
    // Near the end a read comes back short; at the end, empty.
    ASSERT_EQ(AVIStreamRead(stream, 22000, 100, buffer.data(), 400, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 50);
    ASSERT_EQ(AVIStreamRead(stream, 22050, 100, buffer.data(), 400, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 0);
    EXPECT_EQ(AVIStreamRead(stream, 0, 10, buffer.data(), 3, &bytes, &samples), AVIERR_BUFFERTOOSMALL);
    EXPECT_EQ(AVIStreamRelease(stream), 0u);
}

struct KindCase {
    SoundKind kind;
    WORD tag;
};

TEST(AviFileRead, CompressedWavesKeepTheirFormatTags)
{
    Folder folder;
    const KindCase cases[] = {
        {SoundKind::Wav8, WAVE_FORMAT_PCM},           {SoundKind::WavImaAdpcm, WAVE_FORMAT_IMA_ADPCM},
        {SoundKind::WavMsAdpcm, WAVE_FORMAT_ADPCM},   {SoundKind::WavAlaw, WAVE_FORMAT_ALAW},
        {SoundKind::WavMulaw, WAVE_FORMAT_MULAW},     {SoundKind::WavMp3, WAVE_FORMAT_MPEGLAYER3},
    };
    for (const KindCase& c : cases) {
        const std::string path = Sound(folder, "kind.wav", c.kind, 22050, 1);
        PAVIFILE file = nullptr;
        ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK) << c.tag;
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
        const WAVEFORMATEX format = FormatOf(stream);
        EXPECT_EQ(format.wFormatTag, c.tag);
        EXPECT_EQ(format.nSamplesPerSec, 22050u);
        EXPECT_GT(AVIStreamLength(stream), 0);
        WAVEFORMATEX pcm{};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        ASSERT_EQ(acmFormatSuggest(nullptr, &format, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(pcm.nSamplesPerSec, 22050u);
        EXPECT_EQ(pcm.nChannels, 1);
        EXPECT_EQ(pcm.wBitsPerSample, c.tag == WAVE_FORMAT_PCM ? 8 : 16);
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }
}

std::vector<unsigned char> WithFormatTag(std::vector<unsigned char> wav, WORD tag)
{
    wav[20] = static_cast<unsigned char>(tag & 0xFF);
    wav[21] = static_cast<unsigned char>(tag >> 8);
    return wav;
}

// Damaged and odd files give an error or a shorter stream, never a crash.
TEST(AviFileRead, BadFilesFailCleanly)
{
    Folder folder;
    const std::string good = Sound(folder, "good.wav", SoundKind::Wav16, 11025, 1);
    const std::vector<unsigned char> bytes = media_fixtures::ReadBytes(good);
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpen(&file, folder.File("missing.wav").c_str(), OF_READ, nullptr), AVIERR_FILEOPEN);
    EXPECT_EQ(file, nullptr);

    const std::string empty = folder.File("empty.wav");
    media_fixtures::WriteBytes(empty, {});
    EXPECT_NE(AVIFileOpen(&file, empty.c_str(), OF_READ, nullptr), AVIERR_OK);

    // Half the data: the stream is as long as what is there.
    const std::string truncated = folder.File("truncated.wav");
    media_fixtures::WriteBytes(truncated, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 44 + 5000));
    ASSERT_EQ(AVIFileOpen(&file, truncated.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(stream), 2500);
    AVIStreamRelease(stream);
    AVIFileRelease(file);

    // A data chunk of no bytes: an empty stream or no stream.
    std::vector<unsigned char> header(bytes.begin(), bytes.begin() + 44);
    header[40] = header[41] = header[42] = header[43] = 0;
    header[4] = 36;
    header[5] = header[6] = header[7] = 0;
    const std::string zero = folder.File("zero.wav");
    media_fixtures::WriteBytes(zero, header);
    if (AVIFileOpen(&file, zero.c_str(), OF_READ, nullptr) == AVIERR_OK) {
        if (AVIFileGetStream(file, &stream, streamtypeAUDIO, 0) == AVIERR_OK) {
            EXPECT_EQ(AVIStreamLength(stream), 0);
            BYTE buffer[8];
            LONG read = -1;
            EXPECT_EQ(AVIStreamRead(stream, 0, 2, buffer, 8, nullptr, &read), AVIERR_OK);
            EXPECT_EQ(read, 0);
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }

    // An unknown format tag has no PCM form.
    const std::string odd = folder.File("odd.wav");
    media_fixtures::WriteBytes(odd, WithFormatTag(bytes, 0x1234));
    if (AVIFileOpen(&file, odd.c_str(), OF_READ, nullptr) == AVIERR_OK) {
        if (AVIFileGetStream(file, &stream, streamtypeAUDIO, 0) == AVIERR_OK) {
            const WAVEFORMATEX format = FormatOf(stream);
            WAVEFORMATEX pcm{};
            pcm.wFormatTag = WAVE_FORMAT_PCM;
            EXPECT_EQ(acmFormatSuggest(nullptr, &format, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG),
                      ACMERR_NOTPOSSIBLE);
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
}

// Seeded mutations of a small WAV: every call on whatever opens must stay
// within the file's data (the sanitizer builds check the reads).
TEST(AviFileRead, SurvivesMutatedFiles)
{
    Folder folder;
    const std::vector<std::string> seeds = {
        Sound(folder, "seed16.wav", SoundKind::Wav16, 8000, 2, 0.1),
        Sound(folder, "seedima.wav", SoundKind::WavImaAdpcm, 8000, 1, 0.2),
    };
    std::mt19937 random(19);
    const std::string path = folder.File("mutant.wav");
    int opened = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<unsigned char> bytes = media_fixtures::ReadBytes(seeds[static_cast<std::size_t>(round) % 2]);
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
            case 0:
                bytes[at] = static_cast<unsigned char>(random());
                break;
            case 1:
                bytes[std::min<std::size_t>(at, 60)] ^= static_cast<unsigned char>(1u << (random() % 8));
                break;
            default:
                bytes.resize(std::max<std::size_t>(at, 8));
                break;
            }
        }
        media_fixtures::WriteBytes(path, bytes);
        PAVIFILE file = nullptr;
        if (AVIFileOpen(&file, path.c_str(), OF_READ, nullptr) != AVIERR_OK)
            continue;
        ++opened;
        AVIFILEINFO info{};
        AVIFileInfo(file, &info, sizeof info);
        PAVISTREAM stream = nullptr;
        if (AVIFileGetStream(file, &stream, streamtypeAUDIO, 0) == AVIERR_OK) {
            // The whole format: a decoder reads the extra bytes behind it.
            LONG size = 0;
            AVIStreamReadFormat(stream, 0, nullptr, &size);
            std::vector<BYTE> formatBytes(static_cast<std::size_t>(std::max<LONG>(size, sizeof(WAVEFORMATEX))));
            AVIStreamReadFormat(stream, 0, formatBytes.data(), &size);
            const auto& format = *reinterpret_cast<const WAVEFORMATEX*>(formatBytes.data());
            const LONG length = AVIStreamLength(stream);
            std::vector<BYTE> buffer(4096);
            LONG bytesRead = 0;
            for (LONG start : {LONG{0}, length / 2, length - 1, length, length + 5}) {
                EXPECT_EQ(AVIStreamRead(stream, start, AVISTREAMREAD_CONVENIENT, buffer.data(), 4096, &bytesRead,
                                        nullptr),
                          AVIERR_OK);
                EXPECT_LE(bytesRead, 4096);
            }
            WAVEFORMATEX pcm{};
            pcm.wFormatTag = WAVE_FORMAT_PCM;
            HACMSTREAM acm = nullptr;
            if (acmFormatSuggest(nullptr, &format, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG) == MMSYSERR_NOERROR
                && acmStreamOpen(&acm, nullptr, &format, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME)
                       == MMSYSERR_NOERROR) {
                std::vector<BYTE> out(1 << 20);
                ACMSTREAMHEADER header{};
                header.cbStruct = sizeof header;
                header.pbSrc = buffer.data();
                header.cbSrcLength = static_cast<DWORD>(bytesRead);
                header.pbDst = out.data();
                header.cbDstLength = static_cast<DWORD>(out.size());
                acmStreamPrepareHeader(acm, &header, 0);
                acmStreamConvert(acm, &header, ACM_STREAMCONVERTF_BLOCKALIGN);
                EXPECT_LE(header.cbDstLengthUsed, header.cbDstLength);
                acmStreamUnprepareHeader(acm, &header, 0);
                acmStreamClose(acm, 0);
            }
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    EXPECT_GT(opened, 0);
}

TEST(Acm, ConvertsPcmToAnotherRateWidthAndChannelCount)
{
    WAVEFORMATEX in{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    WAVEFORMATEX out{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(nullptr, nullptr, &in, &out, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), MMSYSERR_NOERROR);
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, &in, &out, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
              MMSYSERR_NOERROR);
    DWORD size = 0;
    ASSERT_EQ(acmStreamSize(stream, 22050, &size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_GE(size, 176400u);
    std::vector<BYTE> source(22050);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<BYTE>(128 + std::lround(100 * std::sin(2 * M_PI * 440.0 * i / 22050)));
    std::vector<BYTE> target(size);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = 22050;
    header.pbDst = target.data();
    header.cbDstLength = size;
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_END),
              MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbSrcLengthUsed, 22050u);
    EXPECT_NEAR(static_cast<double>(header.cbDstLengthUsed), 176400.0, 64.0);
    EXPECT_EQ(header.cbDstLengthUsed % 4, 0u);
    EXPECT_NE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE, 0u);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_INVALHANDLE);
}

TEST(Acm, DecodesAdpcmToPcmAndRefusesWhatItCannot)
{
    Folder folder;
    const std::string path = Sound(folder, "ima.wav", SoundKind::WavImaAdpcm, 22050, 1);
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
    LONG size = 0;
    AVIStreamReadFormat(stream, 0, nullptr, &size);
    std::vector<BYTE> formatBytes(static_cast<std::size_t>(size));
    AVIStreamReadFormat(stream, 0, formatBytes.data(), &size);
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(formatBytes.data());
    LONG bytes = 0;
    std::vector<BYTE> source(1 << 16);
    ASSERT_EQ(AVIStreamRead(stream, 0, AVISTREAMREAD_CONVENIENT, source.data(), static_cast<LONG>(source.size()),
                            &bytes, nullptr),
              AVIERR_OK);
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, format, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_NOERROR);
    HACMSTREAM acm = nullptr;
    ASSERT_EQ(acmStreamOpen(&acm, nullptr, format, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
              MMSYSERR_NOERROR);
    DWORD room = 0;
    ASSERT_EQ(acmStreamSize(acm, static_cast<DWORD>(bytes), &room, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    std::vector<BYTE> target(room);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = static_cast<DWORD>(bytes);
    header.pbDst = target.data();
    header.cbDstLength = room;
    acmStreamPrepareHeader(acm, &header, 0);
    ASSERT_EQ(acmStreamConvert(acm, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    // A second of 16-bit mono, give or take the last block's padding.
    EXPECT_NEAR(static_cast<double>(header.cbDstLengthUsed), 44100.0, 2048.0);
    double energy = 0.0;
    for (DWORD i = 0; i + 1 < header.cbDstLengthUsed; i += 2) {
        const double s = static_cast<SHORT>(target[i] | target[i + 1] << 8);
        energy += s * s;
    }
    EXPECT_GT(std::sqrt(energy / (header.cbDstLengthUsed / 2)), 1000.0);
    acmStreamUnprepareHeader(acm, &header, 0);
    acmStreamClose(acm, 0);
    AVIStreamRelease(stream);
    AVIFileRelease(file);

    WAVEFORMATEX odd{0x1234, 1, 22050, 11025, 256, 4, 0};
    EXPECT_EQ(acmStreamOpen(&acm, nullptr, &odd, &pcm, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acm, nullptr);
    WAVEFORMATEX to24{WAVE_FORMAT_PCM, 1, 22050, 66150, 3, 24, 0};
    WAVEFORMATEX from{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    EXPECT_EQ(acmStreamOpen(&acm, nullptr, &from, &to24, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
}

} // namespace
