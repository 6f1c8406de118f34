#include "Win32/Sb/Media/AviFileReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Sb/Media/AudStreamSrc.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::SoundClip;
using media_fixtures::SoundKind;
using media_tests::FramePtr;
using media_tests::PcmFormat;
using media_tests::Seconds;

// A folder of generated sound files.
class SoundFolder : public testing_support::TempDir {
public:
    SoundFolder() { media_fixtures::QuietMediaLogs(); }

    std::string Make(const std::string& name, SoundKind kind, int rate, int channels, double seconds = 1.0) const
    {
        const std::string path = File(name);
        SoundClip clip;
        clip.kind = kind;
        clip.sampleRate = rate;
        clip.channels = channels;
        clip.seconds = seconds;
        EXPECT_TRUE(media_fixtures::WriteSound(path, clip)) << name;
        return path;
    }
};

FramePtr NextAudio(CMediaSource& source, WAVEFORMATEX& format)
{
    INT failed = -1;
    FramePtr frame(source.GetAudio(&failed, &format, 1));
    EXPECT_EQ(failed, 0);
    return frame;
}

double Rms16(const CWaveBuffer& block)
{
    double sum = 0.0;
    const DWORD count = block.m_nLength / 2;
    for (DWORD i = 0; i < count; ++i) {
        const double s = static_cast<SHORT>(block.m_pData[2 * i] | block.m_pData[2 * i + 1] << 8);
        sum += s * s;
    }
    return count > 0 ? std::sqrt(sum / count) : 0.0;
}

// Each of the three ways to the caller's format gives the tone: the same
// format copied byte for byte, other PCM through the engine, compressed
// sound through two conversions.
TEST(AviFileReader, ReadsEveryWaveFormatIntoTheCallersFormat)
{
    SoundFolder folder;
    struct Case {
        const char* name;
        SoundKind kind;
        int rate;
        int channels;
    };
    const Case cases[] = {
        {"copy.wav", SoundKind::Wav16, 44100, 2},     {"eight.wav", SoundKind::Wav8, 22050, 1},
        {"ima.wav", SoundKind::WavImaAdpcm, 22050, 1}, {"ms.wav", SoundKind::WavMsAdpcm, 22050, 2},
        {"alaw.wav", SoundKind::WavAlaw, 8000, 1},     {"mp3.wav", SoundKind::WavMp3, 44100, 2},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Make(c.name, c.kind, c.rate, c.channels);
        CAviFileReader reader(path.c_str(), 1, 0, -1);
        ASSERT_EQ(reader.IsOpen(), 1) << c.name;
        EXPECT_EQ(reader.HasAudio(), 1);
        EXPECT_EQ(reader.HasVideo(), 0);
        EXPECT_EQ(reader.Close(), 0);
        EXPECT_NEAR(reader.m_tLength.GetSeconds(), 1.0, 0.05) << c.name;
        WAVEFORMATEX target = PcmFormat(2, 44100, 16);
        double loudest = 0.0;
        for (int i = 0; i < 4; ++i) {
            FramePtr frame = NextAudio(reader, target);
            ASSERT_NE(frame->m_pAudio, nullptr);
            // One 66,666 us frame of 44,100 Hz stereo 16-bit.
            EXPECT_EQ(frame->m_pAudio->m_nCapacity, 11760u) << c.name;
            loudest = std::max(loudest, Rms16(*frame->m_pAudio));
        }
        EXPECT_GT(loudest, 3000.0) << c.name;
    }
}

TEST(AviFileReader, TheSameFormatIsCopiedUnchanged)
{
    SoundFolder folder;
    const std::string path = folder.Make("copy.wav", SoundKind::Wav16, 44100, 2);
    const std::vector<unsigned char> file = media_fixtures::ReadBytes(path);
    CAviFileReader reader(path.c_str(), 1, 0, -1);
    WAVEFORMATEX target = PcmFormat(2, 44100, 16);
    FramePtr first = NextAudio(reader, target);
    ASSERT_NE(first->m_pAudio, nullptr);
    ASSERT_EQ(first->m_pAudio->m_nLength, 11760u);
    EXPECT_EQ(std::memcmp(first->m_pAudio->m_pData, file.data() + 44, 11760), 0);
    FramePtr second = NextAudio(reader, target);
    EXPECT_EQ(std::memcmp(second->m_pAudio->m_pData, file.data() + 44 + 11760, 11760), 0);
}

TEST(AviFileReader, AFormatWithoutAPcmFormFailsWith259)
{
    SoundFolder folder;
    std::vector<unsigned char> bytes =
        media_fixtures::ReadBytes(folder.Make("good.wav", SoundKind::Wav16, 11025, 1));
    bytes[20] = 0x34;
    bytes[21] = 0x12;
    const std::string path = folder.File("odd.wav");
    media_fixtures::WriteBytes(path, bytes);
    CAviFileReader reader(path.c_str(), 1, 0, -1);
    EXPECT_EQ(reader.IsOpen(), 0);
    EXPECT_EQ(reader.Close(), CAviFileReader::kNoPcmForm);

    CAviFileReader missing(folder.File("none.wav").c_str(), 1, 0, -1);
    EXPECT_EQ(missing.IsOpen(), 0);
    EXPECT_EQ(missing.m_nOpenError, CAviFileReader::kNotOpened);

    CMediaFile media(path.c_str());
    CMediaSource* made = nullptr;
    EXPECT_EQ(media.CreateReader(&made), CMediaFile::kCannotOpen);
    EXPECT_EQ(made, nullptr);
}

TEST(AviFileReader, TheFactoryOpensWaveFilesWithIt)
{
    SoundFolder folder;
    const std::string path = folder.Make("tone.wav", SoundKind::Wav8, 22050, 1);
    CMediaFile media(path.c_str());
    CMediaSource* made = nullptr;
    ASSERT_EQ(media.CreateReader(&made), CMediaFile::kOk);
    std::unique_ptr<CMediaSource> reader(made);
    EXPECT_NE(dynamic_cast<CAviFileReader*>(reader.get()), nullptr);
}

TEST(AviFileReader, AStartDelayGivesSilentBlocksFirst)
{
    SoundFolder folder;
    const std::string path = folder.Make("tone.wav", SoundKind::Wav16, 44100, 2);
    CAviFileReader reader(path.c_str(), 1, 0, -1);
    WAVEFORMATEX target = PcmFormat(2, 44100, 16);
    reader.SetStartTime(reader.GetFrameTime() * 5 / 2.0);
    const double start = reader.m_tPosition.GetSeconds();
    for (int i = 0; i < 2; ++i) {
        FramePtr frame = NextAudio(reader, target);
        ASSERT_NE(frame->m_pAudio, nullptr);
        EXPECT_EQ(Rms16(*frame->m_pAudio), 0.0) << i;
        EXPECT_EQ(reader.m_tPosition.GetSeconds(), start);
    }
    FramePtr third = NextAudio(reader, target);
    EXPECT_GT(Rms16(*third->m_pAudio), 3000.0);
}

TEST(AviFileReader, AFadeOutIsReportedOnceWhenItsLengthRemains)
{
    SoundFolder folder;
    const std::string path = folder.Make("short.wav", SoundKind::Wav16, 22050, 1, 1.5);
    CAviFileReader reader(path.c_str(), 1, 0, -1);
    reader.SetFadeOut(1);
    reader.SetFrameTime(Seconds(0.05));
    WAVEFORMATEX target = PcmFormat(1, 22050, 16);
    std::vector<double> reported;
    for (int i = 0; i < 30; ++i) {
        float seconds = 0.0f;
        if (reader.FadeOutStarts(&seconds)) {
            EXPECT_FLOAT_EQ(seconds, 0.75f);
            reported.push_back(reader.m_tPosition.GetSeconds());
        }
        NextAudio(reader, target);
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NEAR(reported[0], 0.75, 1e-6);
}

TEST(AviFileReader, AnOffsetPastTheEndLeavesNothingToPlay)
{
    SoundFolder folder;
    const std::string path = folder.Make("tone.wav", SoundKind::Wav16, 22050, 1);
    CAviFileReader reader(path.c_str(), 1, 5000000, -1);
    EXPECT_EQ(reader.m_nLengthUs, 0);
    EXPECT_EQ(reader.m_tLength.GetSeconds(), 0.0);
    EXPECT_NEAR(reader.m_tPosition.GetSeconds(), 1.0, 1e-6);
}

TEST(AviFileReader, AfterTheRangeTheNextReadStartsAgainAtTheInPoint)
{
    SoundFolder folder;
    const std::string path = folder.Make("tone.wav", SoundKind::Wav16, 44100, 2, 0.5);
    CAviFileReader reader(path.c_str(), 1, 0, -1);
    WAVEFORMATEX target = PcmFormat(2, 44100, 16);
    FramePtr first = NextAudio(reader, target);
    std::vector<BYTE> firstBytes(first->m_pAudio->m_pData, first->m_pAudio->m_pData + first->m_pAudio->m_nLength);
    int calls = 1;
    while (!reader.IsAtEnd() && calls < 100) {
        NextAudio(reader, target);
        ++calls;
    }
    ASSERT_EQ(reader.IsAtEnd(), 1);
    reader.SeekToStart();
    FramePtr again = NextAudio(reader, target);
    ASSERT_EQ(again->m_pAudio->m_nLength, firstBytes.size());
    EXPECT_EQ(std::memcmp(again->m_pAudio->m_pData, firstBytes.data(), firstBytes.size()), 0);
}

// The resampling stream source that runs off the end of its stream goes
// back to the reader's in point, not to the start of the file.
TEST(AviFileReader, TheResamplerRewindsToTheInPoint)
{
    SoundFolder folder;
    const std::string path = folder.Make("tone.wav", SoundKind::Wav8, 22050, 1);
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeAUDIO, 0), AVIERR_OK);
    WAVEFORMATEX target = PcmFormat(2, 44100, 16);
    CWaveBuffer block(Seconds(0.1), &target);
    {
        klAudStreamSrc source(stream, &target, static_cast<INT>(block.m_nCapacity / 4));
        ASSERT_EQ(source.IsValid(), 1);
        source.SetRewindPosition(11025);
        source.SetReadPosition(AVIStreamLength(stream));
        source.Read(&block);
        EXPECT_EQ(source.GetReadPosition(), 11025);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

} // namespace
