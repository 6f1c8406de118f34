#pragma once
// What FFmpeg reads back from a media file, for the tests of the encoder
// layers and the writers above them: the container, each stream's codec,
// picture size, rate and sound format, and the pictures and samples that
// decode. Test code only; nothing here exposes FFmpeg.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace media_fixtures {

struct ProbedStream {
    bool video = false;
    // FFmpeg's codec name ("mpeg2video", "mp2", "wmv2", "rv20", "ac3").
    std::string codec;
    int width = 0;
    int height = 0;
    // Frames per second the stream declares (0 when it declares none).
    double frameRate = 0;
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;
    // Pictures, or samples per channel, that decode.
    int64_t decoded = 0;
    // Start time of the first picture or sample that decodes, seconds.
    double firstTime = 0;
};

struct ProbedFile {
    bool opened = false;
    // FFmpeg's demuxer name ("mpeg", "asf", "rm").
    std::string format;
    double duration = 0;
    std::map<std::string, std::string> metadata;
    std::vector<ProbedStream> streams;

    const ProbedStream* Video() const;
    const ProbedStream* Audio() const;
};

ProbedFile ProbeFile(const std::string& path);

// Picture `index` of a moving test pattern: `height` rows of 24-bit BGR,
// `stride` bytes apart (0: width x 3).
std::vector<uint8_t> MovingPicture(int width, int height, int index, int stride = 0);
// `samples` frames of a 440 Hz tone, 16-bit, `channels` interleaved, at
// `sampleRate`, continuing from sample `first`.
std::vector<uint8_t> Tone(int samples, int channels, int sampleRate, int64_t first = 0);

// The names of the files in `folder`.
std::vector<std::string> FilesIn(const std::string& folder);

} // namespace media_fixtures
