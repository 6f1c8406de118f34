#pragma once
// AviWriter: writes a RIFF AVI file of our own making, for the layers that
// need header details FFmpeg's AVI muxer does not give: interleaved DV
// ('iavs' streams with their DVINFO), each stream's dwInitialFrames, chunks
// placed at explicit stream positions, and control over interleaving.
//
// The file it writes is AVI 2.0 (OpenDML): every stream header carries a
// super index ('indx'), each RIFF of the file ends its 'movi' list with one
// standard index ('ix##') per stream, and once the first RIFF would pass
// 1 GiB the file goes on in 'AVIX' RIFFs, so files may grow past the 32-bit
// limits of AVI 1.0. With the compatibility index on (the default) the
// first RIFF also carries an AVI 1.0 'idx1' index of its chunks, so older
// readers find the first gigabyte.
//
// A file is written whole or not at all: Create makes a temporary file
// beside the target ("<target>.~<process>-<number>.tmp"); Finish completes
// the headers and indexes and renames it over the target; Abandon, a
// failure or the writer's destruction before Finish deletes it.
//
// Use: Create, AddStream for every stream, then Write chunks in any order of
// streams, then Finish. Every call answers 0 (AddStream: the stream's
// number) or a negative AVERROR code; after a failed write the file can
// only be abandoned. Streams cannot be added once the first chunk is
// written. The writer is not thread-safe: callers on several threads hold
// their own lock around it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Platform/Av/TempFile.h"

namespace av {

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr uint32_t kAviStreamVideo = MakeFourCC('v', 'i', 'd', 's');
constexpr uint32_t kAviStreamAudio = MakeFourCC('a', 'u', 'd', 's');
// Interleaved DV: one stream of whole DV frames with their audio inside.
constexpr uint32_t kAviStreamInterleaved = MakeFourCC('i', 'a', 'v', 's');
constexpr uint32_t kAviHandlerDvsd = MakeFourCC('d', 'v', 's', 'd');
// The handler of uncompressed video.
constexpr uint32_t kAviHandlerDib = MakeFourCC('D', 'I', 'B', ' ');

// Write flag: the chunk is a key frame (AVIIF_KEYFRAME). Audio and
// uncompressed chunks are always key frames.
constexpr uint32_t kAviKeyFrame = 0x10;

// The DVINFO record that follows an 'iavs' stream header as its format:
// the audio and video auxiliary source and control packs of the DV frames.
struct AviDvInfo {
    uint32_t audioAuxSource = 0;
    uint32_t audioAuxControl = 0;
    uint32_t audioAuxSource1 = 0;
    uint32_t audioAuxControl1 = 0;
    uint32_t videoAuxSource = 0;
    uint32_t videoAuxControl = 0;
    uint32_t reserved[2] = {0, 0};
};
static_assert(sizeof(AviDvInfo) == 32);

// One stream as the file declares it.
struct AviStreamFormat {
    // kAviStreamVideo, kAviStreamAudio or kAviStreamInterleaved.
    uint32_t type = kAviStreamVideo;
    // fccHandler: the codec's FOURCC ('dvsd', 'MJPG'), kAviHandlerDib for
    // uncompressed video, 0 for audio.
    uint32_t handler = 0;
    // The stream's rate: dwRate / dwScale samples per second (video: frames;
    // PCM audio: sample frames, with dwScale the block align and dwRate the
    // bytes per second, or 1 and the sample rate).
    uint32_t scale = 1;
    uint32_t rate = 25;
    // Bytes per sample for streams whose chunks hold many samples (PCM: the
    // block align); 0 when each chunk is one sample (video, DV).
    uint32_t sampleSize = 0;
    // dwInitialFrames: how far this stream's data is written ahead of the
    // video in an interleaved file (audio skew), in frames.
    uint32_t initialFrames = 0;
    uint32_t quality = 0xFFFFFFFFu;
    // rcFrame: the video's size; 0 for audio.
    int32_t width = 0;
    int32_t height = 0;
    // Video chunks are '##dc' (compressed) or '##db' (uncompressed DIB);
    // audio '##wb'; interleaved DV '##dc'.
    bool compressed = true;
    // The 'strf' chunk: a BITMAPINFOHEADER (with its colour table or codec
    // data), a WAVEFORMATEX, or an AviDvInfo, as the stream's type wants.
    std::vector<uint8_t> format;
};

enum class AviInterleave {
    // Chunks are written in the order they are given.
    None,
    // Chunks are held and written in the order of their times, so that
    // every stream's data for a moment lies together in the file; a stream
    // that falls silent holds the others for at most kAviInterleaveHold
    // bytes.
    ByTime,
};

class AviWriter {
public:
    static constexpr size_t kAviInterleaveHold = 64u << 20;

    AviWriter() = default;
    // Abandons a file not finished.
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Begins a file that Finish will put at `path`. The target is left
    // untouched until then.
    int Create(const std::string& path);
    // Declares a stream; answers its number (0, 1, ...) or an error. At most
    // 100 streams; only before the first Write.
    int AddStream(const AviStreamFormat& format);
    // Interleaving and the AVI 1.0 compatibility index; set before the
    // first Write.
    void SetInterleave(AviInterleave mode) { m_interleave = mode; }
    void SetCompatibilityIndex(bool on) { m_compatibilityIndex = on; }
    // Where the file starts a new RIFF; 1 GiB unless a test wants smaller.
    void SetRiffLimit(uint64_t bytes) { m_riffLimit = bytes; }
    // No more chunks will come for `stream`: interleaving stops waiting
    // for it.
    int EndStream(int stream);

    // Writes `size` bytes holding `samples` samples at sample `position` of
    // `stream` (position -1: at the stream's end). For a stream with a
    // sample size, `samples` 0 means size / sample size. A position past the
    // end fills the gap first: video with empty chunks (frames that repeat
    // the one before), audio with silence. A position before the end is an
    // error (AVERROR(EINVAL)): a chunk, once placed, is never rewritten.
    int Write(int stream, int64_t position, uint32_t samples, const void* data, size_t size, uint32_t flags);

    // Writes what is held, completes the indexes and headers, and moves the
    // file to its target. The writer is closed afterwards either way.
    int Finish();
    // Deletes the temporary file; the target is untouched.
    void Abandon();

    bool IsOpen() const { return m_file.IsOpen(); }
    int StreamCount() const { return static_cast<int>(m_streams.size()); }
    // The stream's length in samples so far (dwLength).
    int64_t StreamLength(int stream) const;
    // Bytes in the file so far.
    uint64_t FileSize() const { return m_fileEnd; }
    const std::string& TempPath() const { return m_file.Path(); }

private:
    struct IndexEntry {
        uint64_t offset; // of the chunk's header in the file
        uint32_t size;   // of the chunk's data
        bool key;
    };
    struct SuperEntry {
        uint64_t offset; // of the 'ix##' chunk
        uint32_t size;   // of the 'ix##' chunk with its header
        uint32_t duration;
    };
    struct Stream {
        AviStreamFormat format;
        uint32_t chunkId = 0;
        int64_t length = 0;       // samples placed (dwLength)
        int64_t written = 0;      // samples written to the file
        uint32_t largestChunk = 0;
        uint64_t firstRiffFrames = 0;
        std::vector<IndexEntry> riffIndex; // chunks of the current RIFF
        std::vector<SuperEntry> superIndex;
        uint32_t riffDuration = 0;
        struct Held {
            double time;
            uint32_t samples;
            uint32_t flags;
            std::vector<uint8_t> data;
        };
        std::deque<Held> held;
        bool ended = false;
    };

    int Place(int stream, uint32_t samples, const void* data, size_t size, uint32_t flags);
    double ChunkTime(const Stream& stream) const;
    int Flush(bool all);
    int WriteChunk(int stream, uint32_t samples, const void* data, size_t size, uint32_t flags);
    int BeginFile();
    int BeginRiff();
    int EndRiff();
    int WriteHeaders();
    int WriteAt(uint64_t offset, const void* data, size_t size);
    int Append(const void* data, size_t size);
    int Fail(int error);
    void Close();
    std::vector<uint8_t> BuildHeaders() const;

    TempFile m_file;
    int m_error = 0;
    AviInterleave m_interleave = AviInterleave::None;
    bool m_compatibilityIndex = true;
    bool m_started = false;
    uint64_t m_riffLimit = 1ull << 30;
    std::vector<Stream> m_streams;
    size_t m_heldBytes = 0;

    uint64_t m_fileEnd = 0;
    uint64_t m_headerSize = 0;
    int m_riffCount = 0;
    uint64_t m_riffStart = 0; // of the current RIFF's header
    uint64_t m_moviStart = 0; // of the current 'movi' LIST's header
    struct Idx1Entry {
        uint32_t chunkId;
        uint32_t flags;
        uint32_t offset;
        uint32_t size;
    };
    std::vector<Idx1Entry> m_idx1;
};

} // namespace av
