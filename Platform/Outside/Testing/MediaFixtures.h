#pragma once
// Test fixtures made through FFmpeg at test time, for the tests of the
// still-image and RealMedia layers and of the readers above them: still
// images of every format the layers read, a 16-bit 5-6-5 BMP written by
// hand, and RealMedia clips with clip texts. Test code only; nothing here
// exposes FFmpeg.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media_fixtures {

enum class StillKind {
    Bmp24,
    Bmp8,
    Jpeg,
    Png24,
    Png8,
    TiffPackBits,
    TiffLzw,
    TiffRaw,
    Gif,
    Tga24,
    Tga8,
    Pcx24,
    Pcx8,
};

struct StillKindInfo {
    StillKind kind;
    const char* name;
    // Without the dot, lower case.
    const char* extension;
    // Bits per pixel as stored.
    int bits;
    // Pixels come back only approximately.
    bool lossy;
    // Stored with the fixture palette.
    bool paletted;
};

const std::vector<StillKindInfo>& StillKinds();
const StillKindInfo& InfoOf(StillKind kind);

struct Rgb {
    unsigned char r;
    unsigned char g;
    unsigned char b;
};

// The test picture: red top left, green top right, blue bottom left, white
// bottom right (the halves split at width / 2 and height / 2).
Rgb PictureColorAt(int x, int y, int width, int height);
// The palette of the 8-bit fixtures: 0 red, 1 green, 2 blue, 3 white, and
// from 4 on (i, 255 - i, i / 2).
Rgb FixturePaletteEntry(int index);

bool WriteStill(const std::string& path, StillKind kind, int width, int height);
// A BI_BITFIELDS BMP with masks 0xF800, 0x07E0, 0x001F and a 40-byte
// header, bottom-up, of the test picture.
bool WriteBitfields565Bmp(const std::string& path, int width, int height);

struct RealMediaClip {
    // A multiple of 16 each (RealVideo 1.0).
    int width = 176;
    int height = 144;
    int frames = 10;
    int framesPerSecond = 10;
    bool video = true;
    bool audio = false;
    std::string title;
    std::string author;
    std::string copyright;
    std::string comment;
};

// A clip of the test picture in RealVideo 1.0 (and AC-3 silence when
// asked) in FFmpeg's RealMedia container.
bool WriteRealMedia(const std::string& path, const RealMediaClip& clip);

// Sound files of a 440 Hz tone: PCM WAV (8 or 16 bits), MP3 (LAME), MP2,
// AC-3, WMA (version 2, in an ASF file), and WAV files of IMA ADPCM,
// Microsoft ADPCM, A-law, mu-law and MP3.
enum class SoundKind { Wav16, Wav8, Mp3, Mp2, Ac3, Wma, WavImaAdpcm, WavMsAdpcm, WavAlaw, WavMulaw, WavMp3 };

struct SoundClip {
    SoundKind kind = SoundKind::Wav16;
    int sampleRate = 22050;
    int channels = 2;
    double seconds = 1.0;
};

bool WriteSound(const std::string& path, const SoundClip& clip);

// What FFmpeg finds in a file's first sound stream: its rate, channels,
// sample width (of PCM samples; 16 for compressed sound) and length.
struct ProbedSound {
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;
    double seconds = 0.0;
};

bool ProbeSound(const std::string& path, ProbedSound& sound);

// The format and data size of a PCM WAV file, read field by field.
struct WavFileInfo {
    int formatTag = 0;
    int channels = 0;
    unsigned sampleRate = 0;
    unsigned bytesPerSecond = 0;
    int blockAlign = 0;
    int bits = 0;
    unsigned dataBytes = 0;
    // Whether the RIFF size and the data chunk agree with the file size.
    bool sizesAgree = false;
};

bool ReadWavFileInfo(const std::string& path, WavFileInfo& info);

// Silences FFmpeg's diagnostics, which damaged test input provokes by the
// hundred.
void QuietMediaLogs();

// The bytes of a file, or empty.
std::vector<unsigned char> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// The DV playback benchmark: a 720 x 480 NTSC DV AVI (type 2, video
// only) of `frames` textured, moving frames; and libavcodec decoding every
// video frame of a file on this thread, converting each to bottom-up RGB24
// rows when asked, timed from the first read.
bool WriteDvBenchmarkClip(const std::string& path, int frames);
bool DecodeVideoDirectly(const std::string& path, bool toRgb24, int& frames, double& seconds);

// The reference picture of a video frame: libavcodec's decode of frame n
// (from 0, in presentation order) of a file's first video stream, converted
// to 24-bit RGB the way the playback decoder converts it (bilinear scaler at
// the coded size), laid out as a bottom-up device-independent bitmap: rows
// of blue, green, red bytes, each row padded to a multiple of 4 bytes, the
// bottom row first.
struct ReferencePicture {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<unsigned char> bits;
    // The pixel at (x, y), y counted from the top.
    Rgb At(int x, int y) const;
};
bool DecodeReferenceFrame(const std::string& path, int frame, ReferencePicture& picture);
// The reference picture of every frame of a file in turn, until `each`
// answers false; false when the file cannot be decoded.
bool ForEachReferenceFrame(const std::string& path,
                           const std::function<bool(int frame, const ReferencePicture& picture)>& each);
// The production benchmark: the same clip with a 48 kHz stereo 16-bit PCM
// tone beside the pictures (a type-2 DV AVI), its pattern moved on by
// `first` frames; and libavcodec doing the least a production of the
// clips to a DVD-style MPEG-2 must: decoding every picture of `clips` to
// bottom-up RGB24, and encoding the first `encodeFrames` of them at 29.97
// frames per second to MPEG-2 at `bitRate` (GOP 12, two B pictures) and as
// long a 48 kHz stereo tone to MP2 at `audioBitRate`, packets dropped;
// timed from the first read.
bool WriteDvBenchmarkClipWithSound(const std::string& path, int frames, int first = 0);
// The same clip with its sound header declaring a quarter of the sound's
// block rate, so that most of the sound is stored after the last picture:
// a reader must read far ahead of the pictures to reach it.
bool WriteDvClipWithSoundStoredLate(const std::string& path, int frames);
bool TranscodeToMpeg2Directly(const std::vector<std::string>& clips, int encodeFrames, std::int64_t bitRate,
                              std::int64_t audioBitRate, int& decoded, double& seconds);

// What libavformat reads back of a written file: the video codec's name
// ("" without video), its size and coded depth, the bytes of each non-empty
// video packet, and the audio (its sample count by block alignment, and
// its bytes as 16-bit samples).
struct ReadBackFile {
    std::string videoCodec;
    int width = 0;
    int height = 0;
    int depth = 0;
    std::vector<std::vector<unsigned char>> videoPackets;
    bool audio = false;
    std::string audioCodec;
    int audioRate = 0;
    int audioChannels = 0;
    std::int64_t audioSamples = 0;
    std::vector<unsigned char> audioBytes;
    std::vector<std::int16_t> audio16;
};
bool ReadBackMediaFile(const std::string& path, ReadBackFile& file);

} // namespace media_fixtures
