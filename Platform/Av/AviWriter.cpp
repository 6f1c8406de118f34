#include "Platform/Av/AviWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace av {
namespace {

constexpr uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');

// AVIMAINHEADER flags.
constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kIsInterleaved = 0x100;
constexpr uint32_t kTrustChunkType = 0x800;

constexpr uint32_t kMainHeaderSize = 56;
constexpr uint32_t kStreamHeaderSize = 56;
// Room for one super-index entry per RIFF; each RIFF holds up to 1 GiB, so
// a stream may span 256 GiB.
constexpr uint32_t kSuperIndexEntries = 256;
constexpr uint32_t kSuperIndexSize = 24 + 16 * kSuperIndexEntries;
constexpr uint32_t kExtendedHeaderSize = 248;
// The OpenDML index types.
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;
// A standard index entry's size has this bit set for a chunk that is not a
// key frame.
constexpr uint32_t kDeltaFrameBit = 0x80000000u;
// Gaps of audio are filled with chunks of at most this many bytes.
constexpr size_t kSilenceChunk = 1u << 20;
constexpr uint32_t kMaxChunk = 0x7FFFFFF0u;

class Bytes {
public:
    explicit Bytes(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v)
    {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + size);
    }
    void Zeros(size_t count) { m_out.insert(m_out.end(), count, 0); }
    void Chunk(uint32_t id, uint32_t size)
    {
        U32(id);
        U32(size);
    }
    void List(uint32_t size, uint32_t type)
    {
        Chunk(kList, size);
        U32(type);
    }

private:
    std::vector<uint8_t>& m_out;
};

uint32_t TwoDigits(int n)
{
    return static_cast<uint32_t>('0' + n / 10) | static_cast<uint32_t>('0' + n % 10) << 8;
}

uint32_t ChunkSuffix(const AviStreamFormat& format)
{
    if (format.type == kAviStreamAudio)
        return MakeFourCC(0, 0, 'w', 'b');
    if (format.type == kAviStreamVideo && !format.compressed)
        return MakeFourCC(0, 0, 'd', 'b');
    return MakeFourCC(0, 0, 'd', 'c');
}

uint32_t Clamp32(int64_t v)
{
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 0xFFFFFFFFll));
}

bool IsVideoLike(const AviStreamFormat& format)
{
    return format.type == kAviStreamVideo || format.type == kAviStreamInterleaved;
}

} // namespace

AviWriter::~AviWriter()
{
    Abandon();
}

int AviWriter::Create(const std::string& path)
{
    Abandon();
    return m_file.Create(path);
}

int AviWriter::AddStream(const AviStreamFormat& format)
{
    if (!IsOpen())
        return AVERROR(EBADF);
    if (m_started || m_streams.size() >= 100)
        return AVERROR(EINVAL);
    if (format.scale == 0 || format.rate == 0 || format.format.empty())
        return AVERROR(EINVAL);
    if (format.type != kAviStreamVideo && format.type != kAviStreamAudio && format.type != kAviStreamInterleaved)
        return AVERROR(EINVAL);
    if (format.type == kAviStreamAudio && format.sampleSize == 0)
        return AVERROR(EINVAL);
    Stream stream;
    stream.format = format;
    const int number = static_cast<int>(m_streams.size());
    stream.chunkId = TwoDigits(number) | ChunkSuffix(format);
    m_streams.push_back(std::move(stream));
    return number;
}

int64_t AviWriter::StreamLength(int stream) const
{
    if (stream < 0 || stream >= StreamCount())
        return 0;
    return m_streams[static_cast<size_t>(stream)].length;
}

int AviWriter::Write(int stream, int64_t position, uint32_t samples, const void* data, size_t size, uint32_t flags)
{
    if (!IsOpen())
        return AVERROR(EBADF);
    if (m_error != 0)
        return m_error;
    if (stream < 0 || stream >= StreamCount() || (data == nullptr && size != 0) || size > kMaxChunk)
        return AVERROR(EINVAL);
    Stream& s = m_streams[static_cast<size_t>(stream)];
    if (s.ended)
        return AVERROR(EINVAL);
    const uint32_t sampleSize = s.format.sampleSize;
    if (sampleSize != 0) {
        if (size % sampleSize != 0)
            return AVERROR(EINVAL);
        if (samples == 0)
            samples = static_cast<uint32_t>(size / sampleSize);
    } else {
        samples = 1;
    }
    if (position < 0)
        position = s.length;
    if (position < s.length)
        return AVERROR(EINVAL);
    if (!m_started) {
        if (int error = BeginFile(); error < 0)
            return Fail(error);
    }
    // Fill the gap: empty chunks repeat the frame before; audio is silent.
    while (s.length < position) {
        const int64_t gap = position - s.length;
        int error = 0;
        if (sampleSize == 0) {
            error = Place(stream, 1, nullptr, 0, 0);
        } else {
            const int64_t count = std::min<int64_t>(gap, static_cast<int64_t>(kSilenceChunk / sampleSize) + 1);
            std::vector<uint8_t> silence(static_cast<size_t>(count) * sampleSize, 0);
            error = Place(stream, static_cast<uint32_t>(count), silence.data(), silence.size(), kAviKeyFrame);
        }
        if (error < 0)
            return Fail(error);
    }
    if (int error = Place(stream, samples, data, size, flags); error < 0)
        return Fail(error);
    return 0;
}

int AviWriter::EndStream(int stream)
{
    if (!IsOpen())
        return AVERROR(EBADF);
    if (stream < 0 || stream >= StreamCount())
        return AVERROR(EINVAL);
    m_streams[static_cast<size_t>(stream)].ended = true;
    if (!m_started || m_error != 0)
        return m_error;
    if (int error = Flush(false); error < 0)
        return Fail(error);
    return 0;
}

double AviWriter::ChunkTime(const Stream& stream) const
{
    const double time = static_cast<double>(stream.length) * stream.format.scale / stream.format.rate;
    if (stream.format.initialFrames == 0 || IsVideoLike(stream.format))
        return time;
    // A stream with initial frames is written that many video frames ahead.
    for (const Stream& video : m_streams) {
        if (IsVideoLike(video.format))
            return time - static_cast<double>(stream.format.initialFrames) * video.format.scale / video.format.rate;
    }
    return time;
}

int AviWriter::Place(int stream, uint32_t samples, const void* data, size_t size, uint32_t flags)
{
    Stream& s = m_streams[static_cast<size_t>(stream)];
    if (m_interleave == AviInterleave::None) {
        s.length += samples;
        return WriteChunk(stream, samples, data, size, flags);
    }
    Stream::Held held{ChunkTime(s), samples, flags, {}};
    if (size != 0)
        held.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    s.held.push_back(std::move(held));
    s.length += samples;
    m_heldBytes += size;
    return Flush(false);
}

int AviWriter::Flush(bool all)
{
    for (;;) {
        Stream* earliest = nullptr;
        bool waiting = false;
        for (Stream& s : m_streams) {
            if (s.held.empty()) {
                waiting = waiting || !s.ended;
                continue;
            }
            if (earliest == nullptr || s.held.front().time < earliest->held.front().time)
                earliest = &s;
        }
        if (earliest == nullptr)
            return 0;
        if (waiting && !all && m_heldBytes <= kAviInterleaveHold)
            return 0;
        Stream::Held held = std::move(earliest->held.front());
        earliest->held.pop_front();
        m_heldBytes -= held.data.size();
        const int stream = static_cast<int>(earliest - m_streams.data());
        if (int error = WriteChunk(stream, held.samples, held.data.data(), held.data.size(), held.flags); error < 0)
            return error;
    }
}

int AviWriter::WriteChunk(int stream, uint32_t samples, const void* data, size_t size, uint32_t flags)
{
    Stream& s = m_streams[static_cast<size_t>(stream)];
    const uint32_t size32 = static_cast<uint32_t>(size);
    const uint64_t padded = 8 + size + (size & 1);
    // What the RIFF's indexes will take once this chunk is in.
    uint64_t indexes = 0;
    for (const Stream& each : m_streams)
        indexes += 32 + 8 * (each.riffIndex.size() + 1);
    if (m_riffCount == 1 && m_compatibilityIndex)
        indexes += 8 + 16 * (m_idx1.size() + 1);
    bool riffHasChunks = false;
    for (const Stream& each : m_streams)
        riffHasChunks = riffHasChunks || !each.riffIndex.empty();
    if (riffHasChunks && m_fileEnd - m_riffStart + padded + indexes > m_riffLimit) {
        if (int error = EndRiff(); error < 0)
            return error;
        if (int error = BeginRiff(); error < 0)
            return error;
    }

    const bool key = (flags & kAviKeyFrame) != 0 || s.format.type == kAviStreamAudio ||
                     (s.format.type == kAviStreamVideo && !s.format.compressed && size != 0);
    const uint64_t offset = m_fileEnd;
    std::vector<uint8_t> header;
    Bytes(header).Chunk(s.chunkId, size32);
    if (int error = Append(header.data(), header.size()); error < 0)
        return error;
    if (size != 0) {
        if (int error = Append(data, size); error < 0)
            return error;
    }
    if (size & 1) {
        const uint8_t pad = 0;
        if (int error = Append(&pad, 1); error < 0)
            return error;
    }
    s.riffIndex.push_back({offset, size32, key});
    s.riffDuration += samples;
    if (m_riffCount == 1) {
        ++s.firstRiffFrames;
        if (m_compatibilityIndex)
            m_idx1.push_back({s.chunkId, key ? kAviKeyFrame : 0u, static_cast<uint32_t>(offset - (m_moviStart + 8)),
                              size32});
    }
    s.written += samples;
    s.largestChunk = std::max(s.largestChunk, size32);
    return 0;
}

int AviWriter::BeginFile()
{
    m_started = true;
    const std::vector<uint8_t> headers = BuildHeaders();
    m_headerSize = headers.size();
    if (int error = Append(headers.data(), headers.size()); error < 0)
        return error;
    m_riffStart = 0;
    m_riffCount = 1;
    m_moviStart = m_fileEnd;
    std::vector<uint8_t> movi;
    Bytes(movi).List(4, MakeFourCC('m', 'o', 'v', 'i'));
    return Append(movi.data(), movi.size());
}

int AviWriter::BeginRiff()
{
    m_riffStart = m_fileEnd;
    ++m_riffCount;
    std::vector<uint8_t> header;
    Bytes bytes(header);
    bytes.Chunk(kRiff, 4);
    bytes.U32(MakeFourCC('A', 'V', 'I', 'X'));
    m_moviStart = m_riffStart + header.size();
    bytes.List(4, MakeFourCC('m', 'o', 'v', 'i'));
    return Append(header.data(), header.size());
}

int AviWriter::EndRiff()
{
    for (size_t n = 0; n < m_streams.size(); ++n) {
        Stream& s = m_streams[n];
        if (s.riffIndex.empty())
            continue;
        if (s.superIndex.size() >= kSuperIndexEntries)
            return AVERROR(EFBIG);
        std::vector<uint8_t> index;
        Bytes bytes(index);
        const uint32_t size = 24 + 8 * static_cast<uint32_t>(s.riffIndex.size());
        bytes.Chunk(MakeFourCC('i', 'x', 0, 0) | TwoDigits(static_cast<int>(n)) << 16, size);
        bytes.U16(2);
        bytes.U8(0);
        bytes.U8(kIndexOfChunks);
        bytes.U32(static_cast<uint32_t>(s.riffIndex.size()));
        bytes.U32(s.chunkId);
        bytes.U64(m_riffStart);
        bytes.U32(0);
        for (const IndexEntry& entry : s.riffIndex) {
            bytes.U32(static_cast<uint32_t>(entry.offset + 8 - m_riffStart));
            bytes.U32(entry.size | (entry.key ? 0u : kDeltaFrameBit));
        }
        s.superIndex.push_back({m_fileEnd, static_cast<uint32_t>(index.size()), s.riffDuration});
        if (int error = Append(index.data(), index.size()); error < 0)
            return error;
        s.riffIndex.clear();
        s.riffDuration = 0;
    }
    std::vector<uint8_t> size;
    Bytes(size).U32(static_cast<uint32_t>(m_fileEnd - m_moviStart - 8));
    if (int error = WriteAt(m_moviStart + 4, size.data(), size.size()); error < 0)
        return error;
    if (m_riffCount == 1 && m_compatibilityIndex) {
        std::vector<uint8_t> idx1;
        Bytes bytes(idx1);
        bytes.Chunk(MakeFourCC('i', 'd', 'x', '1'), static_cast<uint32_t>(16 * m_idx1.size()));
        for (const Idx1Entry& entry : m_idx1) {
            bytes.U32(entry.chunkId);
            bytes.U32(entry.flags);
            bytes.U32(entry.offset);
            bytes.U32(entry.size);
        }
        if (int error = Append(idx1.data(), idx1.size()); error < 0)
            return error;
        m_idx1.clear();
        m_idx1.shrink_to_fit();
    }
    size.clear();
    Bytes(size).U32(static_cast<uint32_t>(m_fileEnd - m_riffStart - 8));
    return WriteAt(m_riffStart + 4, size.data(), size.size());
}

std::vector<uint8_t> AviWriter::BuildHeaders() const
{
    const Stream* video = nullptr;
    for (const Stream& s : m_streams) {
        if (IsVideoLike(s.format)) {
            video = &s;
            break;
        }
    }
    uint32_t streamLists = 0;
    for (const Stream& s : m_streams) {
        const uint32_t format = static_cast<uint32_t>(s.format.format.size());
        streamLists += 12 + (8 + kStreamHeaderSize) + (8 + format + (format & 1)) + (8 + kSuperIndexSize);
    }
    const uint32_t hdrlSize = 4 + (8 + kMainHeaderSize) + streamLists + (12 + 8 + kExtendedHeaderSize);

    std::vector<uint8_t> out;
    Bytes bytes(out);
    // The first RIFF's size is patched in when it ends.
    bytes.Chunk(kRiff, 0);
    bytes.U32(MakeFourCC('A', 'V', 'I', ' '));
    bytes.List(hdrlSize, MakeFourCC('h', 'd', 'r', 'l'));

    double bytesPerSecond = 0;
    uint32_t largest = 0;
    uint32_t initialFrames = 0;
    for (const Stream& s : m_streams) {
        const double rate = static_cast<double>(s.format.rate) / s.format.scale;
        bytesPerSecond += rate * (s.format.sampleSize != 0 ? s.format.sampleSize : s.largestChunk);
        largest = std::max(largest, s.largestChunk);
        initialFrames = std::max(initialFrames, s.format.initialFrames);
    }
    bytes.Chunk(MakeFourCC('a', 'v', 'i', 'h'), kMainHeaderSize);
    bytes.U32(video != nullptr ? static_cast<uint32_t>(std::lround(1e6 * video->format.scale / video->format.rate))
                               : 0u);
    bytes.U32(static_cast<uint32_t>(std::min(bytesPerSecond, 4e9)));
    bytes.U32(0);
    uint32_t flags = kTrustChunkType;
    if (m_compatibilityIndex)
        flags |= kHasIndex;
    if (m_interleave == AviInterleave::ByTime)
        flags |= kIsInterleaved;
    bytes.U32(flags);
    // AVI 1.0 readers see the first RIFF only; its frame count is theirs.
    bytes.U32(video != nullptr ? Clamp32(static_cast<int64_t>(video->firstRiffFrames)) : 0u);
    bytes.U32(initialFrames);
    bytes.U32(static_cast<uint32_t>(m_streams.size()));
    bytes.U32(largest != 0 ? largest + 8 : 0u);
    bytes.U32(video != nullptr ? static_cast<uint32_t>(video->format.width) : 0u);
    bytes.U32(video != nullptr ? static_cast<uint32_t>(std::abs(video->format.height)) : 0u);
    bytes.Zeros(16);

    for (const Stream& s : m_streams) {
        const uint32_t format = static_cast<uint32_t>(s.format.format.size());
        bytes.List(4 + (8 + kStreamHeaderSize) + (8 + format + (format & 1)) + (8 + kSuperIndexSize),
                   MakeFourCC('s', 't', 'r', 'l'));
        bytes.Chunk(MakeFourCC('s', 't', 'r', 'h'), kStreamHeaderSize);
        bytes.U32(s.format.type);
        bytes.U32(s.format.handler);
        bytes.U32(0);
        bytes.U16(0);
        bytes.U16(0);
        bytes.U32(s.format.initialFrames);
        bytes.U32(s.format.scale);
        bytes.U32(s.format.rate);
        bytes.U32(0);
        bytes.U32(Clamp32(s.written));
        bytes.U32(s.largestChunk);
        bytes.U32(s.format.quality);
        bytes.U32(s.format.sampleSize);
        bytes.U16(0);
        bytes.U16(0);
        bytes.U16(static_cast<uint16_t>(s.format.width));
        bytes.U16(static_cast<uint16_t>(std::abs(s.format.height)));
        bytes.Chunk(MakeFourCC('s', 't', 'r', 'f'), format);
        bytes.Raw(s.format.format.data(), format);
        if (format & 1)
            bytes.U8(0);
        bytes.Chunk(MakeFourCC('i', 'n', 'd', 'x'), kSuperIndexSize);
        bytes.U16(4);
        bytes.U8(0);
        bytes.U8(kIndexOfIndexes);
        bytes.U32(static_cast<uint32_t>(s.superIndex.size()));
        bytes.U32(s.chunkId);
        bytes.Zeros(12);
        for (const SuperEntry& entry : s.superIndex) {
            bytes.U64(entry.offset);
            bytes.U32(entry.size);
            bytes.U32(entry.duration);
        }
        bytes.Zeros(16 * (kSuperIndexEntries - s.superIndex.size()));
    }

    bytes.List(4 + 8 + kExtendedHeaderSize, MakeFourCC('o', 'd', 'm', 'l'));
    bytes.Chunk(MakeFourCC('d', 'm', 'l', 'h'), kExtendedHeaderSize);
    bytes.U32(video != nullptr ? Clamp32(video->written) : 0u);
    bytes.Zeros(kExtendedHeaderSize - 4);
    return out;
}

int AviWriter::WriteHeaders()
{
    // The header's size depends only on the streams' declarations, so the
    // final one fits where the first was written. The first RIFF's size
    // field was patched when it ended; it is kept.
    const std::vector<uint8_t> headers = BuildHeaders();
    if (headers.size() != m_headerSize)
        return Fail(AVERROR_BUG);
    return WriteAt(8, headers.data() + 8, headers.size() - 8);
}

int AviWriter::Finish()
{
    if (!IsOpen())
        return AVERROR(EBADF);
    int error = m_error;
    if (error == 0 && !m_started)
        error = BeginFile();
    for (Stream& s : m_streams)
        s.ended = true;
    if (error == 0)
        error = Flush(true);
    if (error == 0)
        error = EndRiff();
    if (error == 0)
        error = WriteHeaders();
    if (error == 0)
        error = m_file.Commit();
    Abandon();
    return error;
}

void AviWriter::Abandon()
{
    m_file.Abandon();
    Close();
}

void AviWriter::Close()
{
    m_error = 0;
    m_started = false;
    m_streams.clear();
    m_heldBytes = 0;
    m_fileEnd = 0;
    m_headerSize = 0;
    m_riffCount = 0;
    m_riffStart = 0;
    m_moviStart = 0;
    m_idx1.clear();
}

int AviWriter::Fail(int error)
{
    if (m_error == 0)
        m_error = error;
    return error;
}

int AviWriter::WriteAt(uint64_t offset, const void* data, size_t size)
{
    std::FILE* file = m_file.File();
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0 || std::fwrite(data, 1, size, file) != size ||
        fseeko(file, static_cast<off_t>(m_fileEnd), SEEK_SET) != 0)
        return Fail(AVERROR(errno != 0 ? errno : EIO));
    return 0;
}

int AviWriter::Append(const void* data, size_t size)
{
    if (std::fwrite(data, 1, size, m_file.File()) != size)
        return Fail(AVERROR(errno != 0 ? errno : EIO));
    m_fileEnd += size;
    return 0;
}

} // namespace av
