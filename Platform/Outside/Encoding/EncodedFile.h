#pragma once
// EncodedFile: one media file made by FFmpeg's encoders and muxers for the
// outside encoder layers (MPEG, Windows Media, RealVideo). It takes pictures
// as 24-bit blue-green-red rows and sound as 16-bit PCM, converts them to
// what its encoders take (size, pixel format, sample rate, channels), and
// writes under a temporary name that replaces the target only when Finish
// succeeds, so that a failed or abandoned file never appears as the target.
// Every call answers 0 or a negative AVERROR code.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "Platform/Av/Open.h"

namespace av_encoding {

struct VideoSettings {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    // Frames per second as a fraction (30000/1001).
    AVRational frameRate{0, 1};
    int64_t bitRate = 0;
    int gopSize = 12;
    int maxBFrames = 0;
    AVRational sampleAspect{1, 1};
    // Sets what a layer needs beyond the above (rate control, private options).
    av::CodecSetup extra;
};

struct AudioSettings {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;
};

class EncodedFile {
public:
    EncodedFile();
    ~EncodedFile();
    EncodedFile(const EncodedFile&) = delete;
    EncodedFile& operator=(const EncodedFile&) = delete;

    // Opens the encoders and the temporary file beside `target` and writes
    // the header. `video` or `audio` may be null (no such stream);
    // `metadata` goes to the container. On failure nothing is left on disk.
    int Open(const std::string& target, const char* format, const VideoSettings* video, const AudioSettings* audio,
             const std::map<std::string, std::string>& metadata = {},
             const std::map<std::string, std::string>& muxerOptions = {});
    bool IsOpen() const;
    bool HasVideo() const;
    bool HasAudio() const;

    // One picture of `width` x `height`, 24-bit BGR rows `stride` bytes
    // apart, stored bottom row first when `bottomUp`, scaled to the
    // stream's size, at `pts` in frames of the stream's rate.
    int WriteVideo(const uint8_t* bits, int width, int height, int stride, bool bottomUp, int64_t pts);
    // The same at `time` in units of `unit` seconds (100 ns, 1 ms), which
    // falls on the nearest frame of the stream's rate. A picture whose
    // frame was already written is passed over (answer 0), so that input
    // at a higher rate is thinned to the stream's.
    int WriteVideoAt(const uint8_t* bits, int width, int height, int stride, bool bottomUp, int64_t time,
                     AVRational unit);
    // Interleaved signed 16-bit PCM of `channels` at `sampleRate`; the
    // stream's timing is the count of its samples.
    int WriteAudio(const uint8_t* pcm, size_t bytes, int sampleRate, int channels);
    // Drains the encoders, writes the trailer and moves the file over the
    // target.
    int Finish();
    // Drops the file; the target is left as it was.
    void Abandon();

    // Pictures and audio samples (per channel, at the stream's rate) taken.
    int64_t VideoFrames() const;
    int64_t AudioSamples() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace av_encoding
