#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "Platform/Av/AviWriter.h"
#include "Platform/Vfw/AviObjects.h"
#include "Platform/Vfw/DibPicture.h"
#include "Platform/Vfw/Icm.h"

namespace vfw {

namespace {

struct Declared {
    AVISTREAMINFO info{};
    std::vector<BYTE> format;
    bool compressed = false;
    int index = -1;
};

// One file being written: the writer and the streams declared for it. The
// streams are added to the writer at the first write, once every format
// is known; the file is finished when the last reference goes.
class WriteState {
public:
    ~WriteState()
    {
        if (m_error == AVIERR_OK && Start() == AVIERR_OK)
            m_writer.Finish();
        else
            m_writer.Abandon();
    }

    HRESULT Create(const char* path) { return m_writer.Create(path) < 0 ? AVIERR_FILEOPEN : AVIERR_OK; }

    HRESULT Start()
    {
        if (m_started)
            return m_error;
        m_started = true;
        if (m_interleave)
            m_writer.SetInterleave(av::AviInterleave::ByTime);
        for (Declared& stream : m_streams) {
            if (stream.format.empty())
                continue;
            av::AviStreamFormat format;
            const AVISTREAMINFO& info = stream.info;
            format.type = info.fccType;
            const bool video = info.fccType == streamtypeVIDEO;
            const bool dib = video && (info.fccHandler == 0 || info.fccHandler == av::kAviHandlerDib) && !stream.compressed;
            format.handler = video ? (dib ? av::kAviHandlerDib : info.fccHandler) : 0;
            format.compressed = !dib;
            format.scale = info.dwScale != 0 ? info.dwScale : 1;
            format.rate = info.dwRate != 0 ? info.dwRate : 1;
            format.sampleSize = info.dwSampleSize;
            format.initialFrames = info.dwInitialFrames;
            format.quality = info.dwQuality;
            format.width = info.rcFrame.right - info.rcFrame.left;
            format.height = info.rcFrame.bottom - info.rcFrame.top;
            if (video && stream.format.size() >= sizeof(BITMAPINFOHEADER) && (format.width <= 0 || format.height <= 0)) {
                BITMAPINFOHEADER header{};
                std::memcpy(&header, stream.format.data(), sizeof header);
                format.width = header.biWidth;
                format.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
            }
            format.format = stream.format;
            stream.index = m_writer.AddStream(format);
            if (stream.index < 0)
                return m_error = AVIERR_BADFORMAT;
        }
        return AVIERR_OK;
    }

    HRESULT Write(std::size_t stream, LONG start, LONG samples, const void* data, LONG cb, DWORD flags)
    {
        if (const HRESULT started = Start(); started != AVIERR_OK)
            return started;
        const Declared& declared = m_streams[stream];
        if (declared.index < 0)
            return AVIERR_BADFORMAT;
        const int written = m_writer.Write(declared.index, start, static_cast<uint32_t>(samples), data,
                                           static_cast<std::size_t>(cb), (flags & AVIIF_KEYFRAME) != 0 ? av::kAviKeyFrame : 0);
        if (written == AVERROR(EINVAL))
            return AVIERR_BADPARAM;
        if (written < 0)
            return m_error = AVIERR_FILEWRITE;
        return AVIERR_OK;
    }

    std::vector<Declared> m_streams;
    bool m_started = false;
    bool m_interleave = false;
    HRESULT m_error = AVIERR_OK;
    av::AviWriter m_writer;
};

class WriteStream final : public IAVIStream {
public:
    WriteStream(std::shared_ptr<WriteState> state, std::size_t index) : m_state(std::move(state)), m_index(index) {}

    HRESULT Info(AVISTREAMINFO& info) override
    {
        const Declared& declared = m_state->m_streams[m_index];
        info = declared.info;
        if (declared.index >= 0)
            info.dwLength = static_cast<DWORD>(m_state->m_writer.StreamLength(declared.index));
        return AVIERR_OK;
    }

    HRESULT ReadFormat(LONG, LPVOID format, LONG* size) override
    {
        if (size == nullptr)
            return AVIERR_BADPARAM;
        const std::vector<BYTE>& bytes = m_state->m_streams[m_index].format;
        if (format != nullptr)
            std::memcpy(format, bytes.data(), std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(std::max<LONG>(*size, 0))));
        *size = static_cast<LONG>(bytes.size());
        return AVIERR_OK;
    }

    HRESULT Read(LONG, LONG, LPVOID, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }

    HRESULT SetFormat(LONG, const void* format, LONG size) override
    {
        if (m_state->m_started)
            return AVIERR_UNSUPPORTED;
        const auto* bytes = static_cast<const BYTE*>(format);
        m_state->m_streams[m_index].format.assign(bytes, bytes + size);
        return AVIERR_OK;
    }

    HRESULT Write(LONG start, LONG samples, const void* buffer, LONG cb, DWORD flags, LONG* samplesWritten,
                  LONG* bytesWritten) override
    {
        const HRESULT written = m_state->Write(m_index, start, samples, buffer, cb, flags);
        if (written == AVIERR_OK) {
            if (samplesWritten != nullptr)
                *samplesWritten = samples;
            if (bytesWritten != nullptr)
                *bytesWritten = cb;
        }
        return written;
    }

    // The compressor writes into this stream: its handler and chunk kind.
    void MarkCompressed(FOURCC handler)
    {
        Declared& declared = m_state->m_streams[m_index];
        declared.info.fccHandler = handler;
        declared.compressed = true;
    }

    void Interleave() { m_state->m_interleave = true; }

private:
    std::shared_ptr<WriteState> m_state;
    std::size_t m_index;
};

class WriteFile final : public IAVIFile {
public:
    explicit WriteFile(std::shared_ptr<WriteState> state) : m_state(std::move(state)) {}

    HRESULT Info(AVIFILEINFO& info) override
    {
        info = AVIFILEINFO{};
        info.dwCaps = AVIFILECAPS_CANWRITE;
        info.dwStreams = static_cast<DWORD>(m_state->m_streams.size());
        std::strncpy(info.szFileType, "AVI", sizeof info.szFileType - 1);
        return AVIERR_OK;
    }

    HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) override
    {
        LONG seen = 0;
        for (std::size_t i = 0; i < m_state->m_streams.size(); ++i) {
            if (type != 0 && m_state->m_streams[i].info.fccType != type)
                continue;
            if (seen++ == index) {
                *stream = new (std::nothrow) WriteStream(m_state, i);
                return *stream != nullptr ? AVIERR_OK : AVIERR_MEMORY;
            }
        }
        return AVIERR_NODATA;
    }

    HRESULT CreateStream(PAVISTREAM* stream, const AVISTREAMINFO* info) override
    {
        if (m_state->m_started)
            return AVIERR_UNSUPPORTED;
        if (info->fccType != streamtypeVIDEO && info->fccType != streamtypeAUDIO)
            return AVIERR_BADFORMAT;
        Declared declared;
        declared.info = *info;
        m_state->m_streams.push_back(declared);
        *stream = new (std::nothrow) WriteStream(m_state, m_state->m_streams.size() - 1);
        return *stream != nullptr ? AVIERR_OK : AVIERR_MEMORY;
    }

private:
    std::shared_ptr<WriteState> m_state;
};

// Frames in, through an installed compressor, into a written stream.
class CompressedStream final : public IAVIStream {
public:
    CompressedStream(PAVISTREAM target, const AVICOMPRESSOPTIONS& options) : m_target(target), m_options(options)
    {
        AVIStreamAddRef(m_target);
    }

    ~CompressedStream() override
    {
        if (m_hic != nullptr) {
            if (m_begun)
                ICCompressEnd(m_hic);
            ICClose(m_hic);
        }
        AVIStreamRelease(m_target);
    }

    HRESULT Info(AVISTREAMINFO& info) override { return m_target->Info(info); }

    HRESULT ReadFormat(LONG position, LPVOID format, LONG* size) override
    {
        return m_target->ReadFormat(position, format, size);
    }

    HRESULT Read(LONG, LONG, LPVOID, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }

    // `format` is the input BITMAPINFO; the compressor derives the stream's.
    HRESULT SetFormat(LONG position, const void* format, LONG size) override
    {
        if (m_hic != nullptr || size < static_cast<LONG>(sizeof(BITMAPINFOHEADER)))
            return AVIERR_BADFORMAT;
        const auto* bytes = static_cast<const BYTE*>(format);
        m_input.assign(bytes, bytes + size);
        m_hic = ICOpen(ICTYPE_VIDEO, m_options.fccHandler, ICMODE_COMPRESS);
        if (m_hic == nullptr)
            return AVIERR_NOCOMPRESSOR;
        const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(m_input.data());
        const LRESULT outputSize = ICCompressGetFormatSize(m_hic, in);
        if (outputSize < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)))
            return AVIERR_BADFORMAT;
        m_output.assign(static_cast<std::size_t>(outputSize), 0);
        auto* out = reinterpret_cast<BITMAPINFOHEADER*>(m_output.data());
        if (ICCompressGetFormat(m_hic, in, out) != ICERR_OK)
            return AVIERR_BADFORMAT;
        AVISTREAMINFO info{};
        m_target->Info(info);
        ICCOMPRESSFRAMES frames{};
        frames.lpbiInput = const_cast<BITMAPINFOHEADER*>(in);
        frames.lpbiOutput = out;
        frames.lQuality = static_cast<LONG>(m_options.dwQuality);
        frames.lKeyRate = (m_options.dwFlags & AVICOMPRESSF_KEYFRAMES) != 0 ? static_cast<LONG>(m_options.dwKeyFrameEvery) : 0;
        frames.lDataRate =
            (m_options.dwFlags & AVICOMPRESSF_DATARATE) != 0 ? static_cast<LONG>(m_options.dwBytesPerSecond) : 0;
        frames.dwRate = info.dwRate;
        frames.dwScale = info.dwScale;
        ICSendMessage(m_hic, ICM_COMPRESS_FRAMES_INFO, reinterpret_cast<DWORD_PTR>(&frames), sizeof frames);
        if (ICCompressBegin(m_hic, in, out) != ICERR_OK)
            return AVIERR_COMPRESSOR;
        m_begun = true;
        m_packet.resize(static_cast<std::size_t>(ICCompressGetSize(m_hic, in, out)));
        if (auto* written = dynamic_cast<WriteStream*>(m_target)) {
            written->MarkCompressed(m_options.fccHandler);
            if ((m_options.dwFlags & AVICOMPRESSF_INTERLEAVE) != 0)
                written->Interleave();
        }
        return m_target->SetFormat(position, m_output.data(), static_cast<LONG>(m_output.size()));
    }

    HRESULT Write(LONG start, LONG samples, const void* buffer, LONG cb, DWORD, LONG* samplesWritten,
                  LONG* bytesWritten) override
    {
        if (!m_begun)
            return AVIERR_BADFORMAT;
        const auto* in = reinterpret_cast<BITMAPINFOHEADER*>(m_input.data());
        const auto needed = static_cast<LONG>(DibStride(in->biWidth, in->biBitCount) * static_cast<DWORD>(std::abs(in->biHeight)));
        if (buffer == nullptr || cb < needed || samples != 1)
            return AVIERR_BADPARAM;
        auto* out = reinterpret_cast<BITMAPINFOHEADER*>(m_output.data());
        const DWORD keyEvery = (m_options.dwFlags & AVICOMPRESSF_KEYFRAMES) != 0 ? m_options.dwKeyFrameEvery : 0;
        const bool key = m_frames == 0 || (keyEvery > 0 && m_frames % keyEvery == 0);
        DWORD flags = 0;
        DWORD ckid = 0;
        const DWORD result = ICCompress(m_hic, key ? ICCOMPRESS_KEYFRAME : 0, out, m_packet.data(),
                                        const_cast<BITMAPINFOHEADER*>(in), const_cast<void*>(buffer), &ckid, &flags,
                                        static_cast<LONG>(m_frames), 0, m_options.dwQuality, nullptr, nullptr);
        if (result != static_cast<DWORD>(ICERR_OK))
            return AVIERR_COMPRESSOR;
        ++m_frames;
        return m_target->Write(start, 1, m_packet.data(), static_cast<LONG>(out->biSizeImage), flags, samplesWritten,
                               bytesWritten);
    }

private:
    PAVISTREAM m_target;
    AVICOMPRESSOPTIONS m_options;
    HIC m_hic = nullptr;
    bool m_begun = false;
    DWORD m_frames = 0;
    std::vector<BYTE> m_input;
    std::vector<BYTE> m_output;
    std::vector<BYTE> m_packet;
};

} // namespace

HRESULT CreateAviForWriting(const char* path, PAVIFILE* file)
{
    auto state = std::make_shared<WriteState>();
    if (const HRESULT created = state->Create(path); created != AVIERR_OK) {
        state->m_error = created;
        return created;
    }
    *file = new (std::nothrow) WriteFile(std::move(state));
    return *file != nullptr ? AVIERR_OK : AVIERR_MEMORY;
}

HRESULT MakeCompressedStream(PAVISTREAM source, const AVICOMPRESSOPTIONS& options, PAVISTREAM* compressed)
{
    ICINFO info{};
    if (!ICInfo(ICTYPE_VIDEO, options.fccHandler, &info))
        return AVIERR_NOCOMPRESSOR;
    *compressed = new (std::nothrow) CompressedStream(source, options);
    return *compressed != nullptr ? AVIERR_OK : AVIERR_MEMORY;
}

} // namespace vfw
