#pragma once
// Opening files, demuxers, muxers and codecs. Each helper answers 0 or
// FFmpeg's negative error code (ErrorText gives its text) and fills its out
// pointer only when it succeeds.

#include <cstdint>
#include <functional>
#include <string>

#include "Platform/Av/Pointers.h"

namespace av {

// Called on a codec context after it is made and before it is opened, to
// set what the caller needs: sizes, formats, rates, limits, private options.
using CodecSetup = std::function<void(AVCodecContext&)>;

// Opens `path` for reading through FFmpeg's "file:" protocol, so that a
// name with ':' or '%' in it is never taken for another protocol or for an
// image sequence. `format` names the demuxer (FFmpeg's short name, "rm");
// null lets FFmpeg probe the file.
int OpenInput(const std::string& path, InputPtr& input, const char* format = nullptr);

// Opens a demuxer of `format` that reads through a reader of the caller's:
// FFmpeg calls `read` and `seek` (avio_alloc_context's callbacks, `seek`
// may be null) with `opaque`, through a buffer of `bufferSize` bytes. The
// input owns the I/O it is made with and frees it with itself; a failed
// open leaves nothing behind.
using ReadCallback = int (*)(void* opaque, uint8_t* buffer, int size);
using SeekCallback = int64_t (*)(void* opaque, int64_t offset, int whence);
int OpenCustomInput(const AVInputFormat* format, void* opaque, ReadCallback read, SeekCallback seek, int bufferSize,
                    InputPtr& input);

// The index of the `nth` stream of `type` (from 0, in file order), or -1.
// File order, not FFmpeg's own choice of a best stream, so that a stream's
// number means the same to every layer that counts them.
int FindStream(const AVFormatContext* input, AVMediaType type, int nth = 0);

// Opens a decoder for a stream's parameters, or for a codec id alone.
// Decoders run on the calling thread only (thread_count 1) unless `setup`
// says otherwise: a frame-threaded decoder holds back its first pictures,
// which the one-picture helpers want at once.
int OpenDecoder(const AVCodecParameters* parameters, CodecPtr& decoder, const CodecSetup& setup = {});
int OpenDecoder(AVCodecID codec, CodecPtr& decoder, const CodecSetup& setup = {});

// Opens an encoder of `codec` once `setup` has set its sizes, formats and
// rates.
int OpenEncoder(AVCodecID codec, CodecPtr& encoder, const CodecSetup& setup);

// An output context that will write `path` in `format` (FFmpeg's muxer
// name; null: chosen from the extension). No file is opened yet: streams
// are added first, then OpenOutputFile creates the file.
int CreateOutput(const std::string& path, OutputPtr& output, const char* format = nullptr);
// Opens the output's file for writing, through "file:" as OpenInput does.
// The output context closes it.
int OpenOutputFile(AVFormatContext* output);

} // namespace av
