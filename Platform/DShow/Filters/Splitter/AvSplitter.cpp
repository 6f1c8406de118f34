#include "Platform/DShow/Filters/Splitter/AvSplitter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Av/Av.h"
#include "Platform/DShow/Filters/FilterHelpers.h"
#include "Platform/DShow/Filters/SystemFilters.h"
#include "Platform/DShow/Filters/Splitter/DeliveryQueue.h"

namespace dshow {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr size_t kHeadBytes = 64 * 1024;
constexpr int64_t kProbeBytes = 5 * 1024 * 1024;
constexpr REFERENCE_TIME kTimeSlack = 100;

const char* DemuxerFor(const GUID& subtype)
{
    if (subtype == MEDIASUBTYPE_Avi)
        return "avi";
    if (subtype == MEDIASUBTYPE_WAVE)
        return "wav";
    if (subtype == MEDIASUBTYPE_MPEG1System || subtype == MEDIASUBTYPE_MPEG2_PROGRAM ||
        subtype == MEDIASUBTYPE_MPEG1VideoCD)
        return "mpeg";
    if (subtype == MEDIASUBTYPE_MPEG1Video || subtype == MEDIASUBTYPE_MPEG2_VIDEO)
        return "mpegvideo";
    if (subtype == MEDIASUBTYPE_MPEG1Audio)
        return "mp3";
    if (subtype == MEDIASUBTYPE_QTMovie)
        return "mov";
    if (subtype == MEDIASUBTYPE_DVSD)
        return "dv";
    return nullptr;
}

// The DVINFO of a type-1 DV AVI: found when a stream header of type
// 'iavs' leads the file, from the stream format that follows it.
bool FindInterleavedDv(const std::vector<uint8_t>& head, DVINFO& info)
{
    for (size_t i = 0; i + 12 <= head.size(); ++i) {
        if (std::memcmp(&head[i], "strh", 4) != 0 || std::memcmp(&head[i + 8], "iavs", 4) != 0)
            continue;
        info = DVINFO{};
        for (size_t j = i + 12; j + 8 + sizeof(DVINFO) <= head.size() && j < i + 256; ++j) {
            if (std::memcmp(&head[j], "strf", 4) == 0) {
                std::memcpy(&info, &head[j + 8], sizeof(DVINFO));
                break;
            }
        }
        return true;
    }
    return false;
}

// A DVINFO made from the streams FFmpeg found, for a file whose own is
// missing: the 50/60 system and the audio rate (48, 44.1 or 32 kHz).
void CompleteDvInfo(DVINFO& info, const AVFormatContext& context)
{
    if (info.dwDVVAuxSrc || info.dwDVAAuxSrc)
        return;
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVCodecParameters& codec = *context.streams[i]->codecpar;
        if (codec.codec_type == AVMEDIA_TYPE_VIDEO && codec.height > 480)
            info.dwDVVAuxSrc |= 0x20u << 16;
        if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
            DWORD rate = codec.sample_rate == 44100 ? 1 : codec.sample_rate == 32000 ? 2 : 0;
            info.dwDVAAuxSrc |= (rate << 3) << 24;
        }
    }
}

// What a sample carries besides its data.
struct SampleMarks {
    bool timed = false;
    REFERENCE_TIME begin = 0;
    REFERENCE_TIME end = 0;
    bool sync = false;
    bool discontinuity = false;
};

void FillSample(IMediaSample* sample, const AVPacket& packet, const SampleMarks& marks)
{
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    LONG size = std::min<LONG>(packet.size, sample->GetSize());
    std::memcpy(data, packet.data, static_cast<size_t>(std::max<LONG>(size, 0)));
    sample->SetActualDataLength(size);
    if (marks.timed) {
        REFERENCE_TIME begin = marks.begin;
        REFERENCE_TIME end = marks.end;
        sample->SetTime(&begin, &end);
        sample->SetPreroll(end <= 0);
    }
    sample->SetSyncPoint(marks.sync);
    sample->SetDiscontinuity(marks.discontinuity);
}

// A queued pin takes at most this many entries ahead of its thread, unless
// another pin has nothing queued: then the reading goes on, so that streams
// stored far apart in a file (sound chunks long after the pictures they go
// with) still reach every pin. All queues together hold at most this many
// bytes, whatever the file.
constexpr size_t kQueueEntries = 4;
constexpr size_t kQueueBytes = 64u << 20;

class AvSplitter;

class SplitterInputPin final : public CBasePin {
public:
    SplitterInputPin(AvSplitter* splitter, CCritSec* lock, HRESULT* result);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

private:
    AvSplitter* m_splitter;
};

class SplitterOutputPin final : public CBaseOutputPin, public IMediaSeeking {
public:
    SplitterOutputPin(AvSplitter* splitter, CCritSec* lock, HRESULT* result, LPCWSTR name, const CMediaType& type,
                      long bufferSize, long buffers);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSeeking)
            return GetInterface(static_cast<IMediaSeeking*>(this), object);
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return *type->Type() == *m_type.Type() && *type->Subtype() == *m_type.Subtype() &&
                       (*type->FormatType() == GUID_NULL || *type->FormatType() == *m_type.FormatType())
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position > 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = m_type;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return SetBuffers(allocator, request, m_buffers, m_bufferSize);
    }

    // IMediaSeeking, answered by the splitter.
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override
    {
        CheckPointer(format, E_POINTER);
        return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override { return GetTimeFormat(format); }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override
    {
        CheckPointer(format, E_POINTER);
        *format = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override { return IsFormatSupported(format); }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override
    {
        CheckPointer(format, E_POINTER);
        return *format == TIME_FORMAT_MEDIA_TIME || *format == GUID_NULL ? S_OK : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override
    {
        CheckPointer(target, E_POINTER);
        auto media = [](const GUID* f) { return !f || *f == TIME_FORMAT_MEDIA_TIME || *f == GUID_NULL; };
        if (!media(targetFormat) || !media(sourceFormat))
            return E_INVALIDARG;
        *target = source;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override
    {
        HRESULT hr = current ? GetCurrentPosition(current) : S_OK;
        if (SUCCEEDED(hr) && stop)
            hr = GetStopPosition(stop);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override
    {
        if (earliest)
            *earliest = 0;
        return latest ? GetDuration(latest) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override { return rate == 1.0 ? S_OK : E_INVALIDARG; }
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override
    {
        CheckPointer(rate, E_POINTER);
        *rate = 1.0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override
    {
        CheckPointer(preroll, E_POINTER);
        *preroll = 0;
        return S_OK;
    }

    long BufferSize() const { return m_bufferSize; }
    DeliveryQueue& Queue() { return m_queue; }
    bool m_ended = false; // on the streaming thread only

private:
    AvSplitter* m_splitter;
    CMediaType m_type;
    long m_bufferSize;
    long m_buffers;
    DeliveryQueue m_queue{*this};
};

class AvSplitter final : public CBaseFilter, public IFileSourceFilter {
public:
    explicit AvSplitter(const SplitterKind& kind)
        : CBaseFilter(NAME("Splitter"), nullptr, &m_lock, *kind.clsid), m_kind(kind)
    {
        if (kind.inputSubtypes) {
            HRESULT hr = S_OK;
            m_input = new SplitterInputPin(this, &m_lock, &hr);
        }
    }
    ~AvSplitter() override
    {
        StopStreaming();
        Close();
        for (SplitterOutputPin* pin : m_retired)
            delete pin;
        delete m_input;
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IFileSourceFilter && !m_kind.inputSubtypes)
            return GetInterface(static_cast<IFileSourceFilter*>(this), object);
        return CBaseFilter::NonDelegatingQueryInterface(riid, object);
    }

    int GetPinCount() override { return (m_input ? 1 : 0) + static_cast<int>(m_outputs.size()); }
    CBasePin* GetPin(int index) override
    {
        if (index < 0)
            return nullptr;
        if (m_input) {
            if (index == 0)
                return m_input;
            --index;
        }
        return index < static_cast<int>(m_outputs.size()) ? m_outputs[index] : nullptr;
    }

    HRESULT STDMETHODCALLTYPE Stop() override
    {
        m_quit = true;
        HRESULT hr = CBaseFilter::Stop();
        StopStreaming();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Pause() override
    {
        CAutoLock lock(&m_lock);
        bool wasStopped = m_State == State_Stopped;
        HRESULT hr = CBaseFilter::Pause();
        if (SUCCEEDED(hr) && wasStopped && m_context)
            StartStreaming();
        return hr;
    }

    // IFileSourceFilter, for the registrations that read files themselves.
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, const AM_MEDIA_TYPE*) override
    {
        CheckPointer(file, E_POINTER);
        CAutoLock lock(&m_lock);
        if (m_context)
            return E_UNEXPECTED;
        std::string path = com::WideToUtf8(file);
        std::ifstream probe(path, std::ios::binary);
        if (!probe)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        std::vector<uint8_t> head(kHeadBytes);
        probe.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(probe.gcount()));
        av::InputPtr input;
        if (av::OpenInput(path, input) < 0 || !Accepts(input->iformat->name))
            return VFW_E_INVALID_FILE_FORMAT;
        HRESULT hr = Prepare(std::move(input), head);
        if (SUCCEEDED(hr))
            m_file = file;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        *file = nullptr;
        CAutoLock lock(&m_lock);
        if (m_file.empty())
            return E_FAIL;
        if (type) {
            std::memset(type, 0, sizeof *type);
            type->majortype = MEDIATYPE_Stream;
        }
        return com::CopyToTaskMemory(m_file, file);
    }

    const SplitterKind& Kind() const { return m_kind; }

    // The input's reader is connected: open the stream through it.
    HRESULT OpenReader(IAsyncReader* reader, const GUID& subtype);
    void Close();

    HRESULT Seek(SplitterOutputPin* pin, LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags);
    LONGLONG Duration() const { return m_duration; }
    LONGLONG StopPosition() const { return m_stop; }
    LONGLONG CurrentPosition() const { return m_start + m_delivered; }

private:
    bool Accepts(const char* demuxer) const
    {
        std::string list = std::string(",") + (m_kind.fileDemuxers ? m_kind.fileDemuxers : "") + ",";
        std::string names = demuxer ? demuxer : "";
        size_t from = 0;
        while (from <= names.size()) {
            size_t comma = names.find(',', from);
            std::string one = names.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            if (list.find("," + one + ",") != std::string::npos)
                return true;
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
        return false;
    }
    HRESULT Prepare(av::InputPtr input, const std::vector<uint8_t>& head);
    void StartStreaming();
    void StopStreaming()
    {
        m_quit = true;
        RoomMade();
        if (m_thread.joinable())
            m_thread.join();
        for (SplitterOutputPin* pin : m_outputs)
            pin->Queue().Stop();
        m_quit = false;
    }
    void Stream();
    bool SeekDemuxer(LONGLONG start);
    bool SeekToTime(int index, int64_t target);
    bool ReachesKeyFrame(int index, int64_t target);
    // The next packet: one read while checking a seek, else the demuxer's.
    int NextPacket(AVPacket* packet);
    // Waits until `pin`'s queue may take another entry; false when stopped.
    bool WaitForRoom(SplitterOutputPin* pin);
    bool HasRoom(SplitterOutputPin* pin);
    void RoomMade()
    {
        std::lock_guard<std::mutex> guard(m_roomLock);
        m_room.notify_all();
    }
    SplitterOutputPin* Master()
    {
        for (SplitterOutputPin* pin : m_outputs)
            if (pin->IsConnected())
                return pin;
        return m_outputs.empty() ? nullptr : m_outputs[0];
    }

    static int ReadPacket(void* opaque, uint8_t* buffer, int size);
    static int64_t SeekPacket(void* opaque, int64_t offset, int whence);
    static int Interrupted(void* opaque) { return static_cast<AvSplitter*>(opaque)->m_quit ? 1 : 0; }

    const SplitterKind& m_kind;
    CCritSec m_lock;
    CCritSec m_seekLock;
    SplitterInputPin* m_input = nullptr;
    std::vector<SplitterOutputPin*> m_outputs;
    std::vector<SplitterOutputPin*> m_retired;
    std::vector<int> m_pinOfStream;
    std::u16string m_file;

    av::InputPtr m_context;
    IAsyncReader* m_reader = nullptr;
    int64_t m_readPosition = 0;
    int64_t m_length = 0;
    int64_t m_startTime = 0; // the file's first time, in AV_TIME_BASE

    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    std::mutex m_roomLock;
    std::condition_variable m_room;
    bool m_queued = false; // deliveries go through the pins' queues
    LONGLONG m_duration = 0;
    LONGLONG m_start = 0;
    LONGLONG m_stop = 0;
    bool m_stopSet = false;
    std::atomic<LONGLONG> m_delivered{0};
    bool m_fresh = true; // nothing read since opening
    // Packets read to check where a seek landed, delivered first.
    std::deque<av::PacketPtr> m_pending;
};

SplitterInputPin::SplitterInputPin(AvSplitter* splitter, CCritSec* lock, HRESULT* result)
    : CBasePin(NAME("Splitter input"), splitter, lock, result, u"Input", PINDIR_INPUT), m_splitter(splitter)
{
}

HRESULT SplitterInputPin::CheckMediaType(const CMediaType* type)
{
    if (*type->Type() != MEDIATYPE_Stream)
        return VFW_E_TYPE_NOT_ACCEPTED;
    for (const GUID* const* subtype = m_splitter->Kind().inputSubtypes; *subtype && **subtype != GUID_NULL;
         ++subtype)
        if (*type->Subtype() == **subtype)
            return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SplitterInputPin::CompleteConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CompleteConnect(pin);
    if (FAILED(hr))
        return hr;
    com::ComPtr<IAsyncReader> reader;
    if (FAILED(pin->QueryInterface(IID_IAsyncReader, reader.ReceiveVoid())))
        return E_NOINTERFACE;
    return m_splitter->OpenReader(reader.Get(), *CurrentMediaType().Subtype());
}

HRESULT SplitterInputPin::BreakConnect()
{
    m_splitter->Close();
    return CBasePin::BreakConnect();
}

SplitterOutputPin::SplitterOutputPin(AvSplitter* splitter, CCritSec* lock, HRESULT* result, LPCWSTR name,
                                     const CMediaType& type, long bufferSize, long buffers)
    : CBaseOutputPin(NAME("Splitter output"), splitter, lock, result, name), m_splitter(splitter), m_type(type),
      m_bufferSize(bufferSize), m_buffers(buffers)
{
}

constexpr DWORD kSeekingCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                       AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                       AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

HRESULT STDMETHODCALLTYPE SplitterOutputPin::GetCapabilities(DWORD* capabilities)
{
    CheckPointer(capabilities, E_POINTER);
    *capabilities = kSeekingCapabilities;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SplitterOutputPin::CheckCapabilities(DWORD* capabilities)
{
    CheckPointer(capabilities, E_POINTER);
    DWORD wanted = *capabilities;
    *capabilities &= kSeekingCapabilities;
    return *capabilities == wanted ? S_OK : *capabilities ? S_FALSE : E_FAIL;
}

HRESULT STDMETHODCALLTYPE SplitterOutputPin::GetDuration(LONGLONG* duration)
{
    CheckPointer(duration, E_POINTER);
    *duration = m_splitter->Duration();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SplitterOutputPin::GetStopPosition(LONGLONG* stop)
{
    CheckPointer(stop, E_POINTER);
    *stop = m_splitter->StopPosition();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SplitterOutputPin::GetCurrentPosition(LONGLONG* current)
{
    CheckPointer(current, E_POINTER);
    *current = m_splitter->CurrentPosition();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SplitterOutputPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                                          DWORD stopFlags)
{
    return m_splitter->Seek(this, current, currentFlags, stop, stopFlags);
}

int AvSplitter::ReadPacket(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<AvSplitter*>(opaque);
    if (self->m_quit)
        return AVERROR_EXIT;
    int64_t left = self->m_length - self->m_readPosition;
    if (left <= 0)
        return AVERROR_EOF;
    LONG length = static_cast<LONG>(std::min<int64_t>(left, size));
    HRESULT hr = self->m_reader->SyncRead(self->m_readPosition, length, buffer);
    if (FAILED(hr))
        return AVERROR(EIO);
    if (hr == S_FALSE) {
        // A short read: the file was cut while it is read, and now ends
        // where the reader says.
        LONGLONG total = 0, available = 0;
        if (FAILED(self->m_reader->Length(&total, &available)) || total >= self->m_length)
            return AVERROR(EIO);
        self->m_length = total;
        length = static_cast<LONG>(std::min<int64_t>(std::max<int64_t>(total - self->m_readPosition, 0), length));
        if (length == 0)
            return AVERROR_EOF;
    }
    self->m_readPosition += length;
    return length;
}

int64_t AvSplitter::SeekPacket(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<AvSplitter*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->m_length;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += self->m_readPosition;
        break;
    case SEEK_END:
        offset += self->m_length;
        break;
    default:
        return -1;
    }
    if (offset < 0)
        return -1;
    self->m_readPosition = offset;
    return offset;
}

HRESULT AvSplitter::OpenReader(IAsyncReader* reader, const GUID& subtype)
{
    CAutoLock lock(&m_lock);
    Close();
    const char* demuxerName = DemuxerFor(subtype);
    const AVInputFormat* demuxer = demuxerName ? av_find_input_format(demuxerName) : nullptr;
    if (!demuxer)
        return VFW_E_TYPE_NOT_ACCEPTED;
    LONGLONG total = 0, available = 0;
    if (FAILED(reader->Length(&total, &available)) || total <= 0)
        return VFW_E_INVALID_FILE_FORMAT;
    m_reader = reader;
    m_reader->AddRef();
    m_length = total;
    m_readPosition = 0;

    std::vector<uint8_t> head(static_cast<size_t>(std::min<LONGLONG>(total, kHeadBytes)));
    if (FAILED(reader->SyncRead(0, static_cast<LONG>(head.size()), head.data())))
        head.clear();

    // The input owns its reader's I/O from here on, on every path.
    av::InputPtr input;
    const int error = av::OpenCustomInput(demuxer, this, &ReadPacket, &SeekPacket, kIoBufferSize, input);
    if (error < 0) {
        Close();
        return error == AVERROR(ENOMEM) ? E_OUTOFMEMORY : VFW_E_INVALID_FILE_FORMAT;
    }
    HRESULT hr = Prepare(std::move(input), head);
    if (FAILED(hr))
        Close();
    return hr;
}

HRESULT AvSplitter::Prepare(av::InputPtr input, const std::vector<uint8_t>& head)
{
    AVFormatContext* context = input.get();
    context->interrupt_callback = {&Interrupted, this};
    context->probesize = kProbeBytes;
    context->max_analyze_duration = 5 * AV_TIME_BASE;
    if (avformat_find_stream_info(context, nullptr) < 0)
        return VFW_E_INVALID_FILE_FORMAT;

    DVINFO dvInfo{};
    bool interleaved = m_kind.interleavedDv && FindInterleavedDv(head, dvInfo);
    if (interleaved)
        CompleteDvInfo(dvInfo, *context);
    m_pinOfStream.assign(context->nb_streams, -1);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream& stream = *context->streams[i];
        CMediaType type;
        if (interleaved) {
            if (stream.codecpar->codec_id != AV_CODEC_ID_DVVIDEO)
                continue;
            type.InitMediaType();
            type.SetType(&MEDIATYPE_Interleaved);
            type.SetSubtype(&MEDIASUBTYPE_dvsd);
            type.SetFormatType(&FORMAT_DvInfo);
            type.SetFormat(reinterpret_cast<const BYTE*>(&dvInfo), sizeof dvInfo);
            type.SetSampleSize(stream.codecpar->height > 480 ? 144000 : 120000);
        } else if (!MediaTypeForStream(stream, m_kind.flavour, type)) {
            continue;
        }
        bool video = stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        // Pictures are at most 4096 x 4096 (MediaTypeForStream); a DV frame
        // is at most 144000 bytes.
        long bufferSize = interleaved ? 256 * 1024
                          : video     ? static_cast<long>(std::max<int64_t>(
                                      int64_t{stream.codecpar->width} * stream.codecpar->height * 4 + 65536, 256 * 1024))
                                : 1024 * 1024;
        char16_t name[32];
        const char* prefix = interleaved ? "DV" : video ? "Video" : "Audio";
        std::string text = std::string(prefix) + (m_outputs.empty() ? "" : " " + std::to_string(m_outputs.size()));
        size_t n = 0;
        for (; n < text.size() && n < 31; ++n)
            name[n] = static_cast<char16_t>(text[n]);
        name[n] = 0;
        HRESULT hr = S_OK;
        auto* pin = new SplitterOutputPin(this, &m_lock, &hr, name, type, bufferSize, video ? 4 : 8);
        m_pinOfStream[i] = static_cast<int>(m_outputs.size());
        m_outputs.push_back(pin);
    }
    if (m_outputs.empty())
        return VFW_E_INVALID_FILE_FORMAT;
    m_startTime = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    m_duration = context->duration != AV_NOPTS_VALUE ? av_rescale(context->duration, UNITS, AV_TIME_BASE) : 0;
    // Times count from the first picture, so that frame n is at n frame
    // durations whatever sound a file stores before it (an MPEG program
    // stream's sound often starts a little earlier); sound before the
    // first picture comes out before time zero.
    for (size_t i = 0; i < m_pinOfStream.size(); ++i) {
        const AVStream& stream = *context->streams[i];
        if (m_pinOfStream[i] < 0 || stream.codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
            stream.start_time == AV_NOPTS_VALUE)
            continue;
        const int64_t first = av_rescale_q(stream.start_time, stream.time_base, {1, AV_TIME_BASE});
        if (first > m_startTime) {
            m_duration = std::max<LONGLONG>(0, m_duration - av_rescale(first - m_startTime, UNITS, AV_TIME_BASE));
            m_startTime = first;
        }
        break;
    }
    m_start = 0;
    m_stop = m_duration;
    m_stopSet = false;
    m_fresh = true;
    m_context = std::move(input);
    IncrementPinVersion();
    return S_OK;
}

void AvSplitter::Close()
{
    CAutoLock lock(&m_lock);
    StopStreaming();
    for (SplitterOutputPin* pin : m_outputs) {
        if (IPin* peer = pin->GetConnected()) {
            peer->Disconnect();
            pin->Disconnect();
        }
        m_retired.push_back(pin); // others may still hold the pin
    }
    if (!m_outputs.empty())
        IncrementPinVersion();
    m_outputs.clear();
    m_pinOfStream.clear();
    m_pending.clear();
    m_context.reset();
    if (m_reader)
        m_reader->Release();
    m_reader = nullptr;
}

void AvSplitter::StartStreaming()
{
    StopStreaming();
    // With one connected pin nothing can be held up: it is delivered to
    // on the reading thread, sparing a hand-over per sample.
    size_t connected = 0;
    for (SplitterOutputPin* pin : m_outputs)
        connected += pin->IsConnected() ? 1 : 0;
    m_queued = connected > 1;
    for (SplitterOutputPin* pin : m_outputs)
        if (pin->IsConnected() && m_queued) {
            pin->Queue().OnTaken([this] { RoomMade(); });
            pin->Queue().Start();
        }
    m_thread = std::thread([this] { Stream(); });
}

bool AvSplitter::HasRoom(SplitterOutputPin* pin)
{
    size_t bytes = 0;
    for (SplitterOutputPin* one : m_outputs)
        if (one->IsConnected())
            bytes += one->Queue().Bytes();
    if (bytes >= kQueueBytes)
        return false;
    if (pin->Queue().Count() < kQueueEntries)
        return true;
    for (SplitterOutputPin* one : m_outputs)
        if (one != pin && one->IsConnected() && !one->m_ended && one->Queue().Count() == 0)
            return true;
    return false;
}

bool AvSplitter::WaitForRoom(SplitterOutputPin* pin)
{
    std::unique_lock<std::mutex> lock(m_roomLock);
    while (!m_quit) {
        if (HasRoom(pin))
            return true;
        // The wake-up comes when any pin's thread takes an entry; the time
        // limit only guards against a missed one.
        m_room.wait_for(lock, std::chrono::milliseconds(50));
    }
    return false;
}

bool AvSplitter::SeekToTime(int index, int64_t target)
{
    AVFormatContext* context = m_context.get();
    return avformat_seek_file(context, index, INT64_MIN, target, target, 0) >= 0 ||
           av_seek_frame(context, index, target, AVSEEK_FLAG_BACKWARD) >= 0;
}

// Whether stream `index` reaches a key frame at or before `target` after
// a seek, before any frame past the target: from that key frame on every
// frame decodes, and those before the target are dropped downstream by
// their times. The packets read to tell stay pending for delivery. A
// stream that shows no key frame and no time soon is taken as it is.
bool AvSplitter::ReachesKeyFrame(int index, int64_t target)
{
    constexpr size_t kLookAhead = 4096;
    constexpr size_t kLookAheadBytes = 16u << 20;
    m_pending.clear();
    size_t bytes = 0;
    while (m_pending.size() < kLookAhead && bytes < kLookAheadBytes) {
        av::PacketPtr packet(av_packet_alloc());
        if (!packet || av_read_frame(m_context.get(), packet.get()) < 0)
            return true;
        bytes += static_cast<size_t>(std::max(packet->size, 0));
        const bool ours = packet->stream_index == index;
        const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        m_pending.push_back(std::move(packet));
        if (!ours || time == AV_NOPTS_VALUE)
            continue;
        if (key || time > target)
            return time <= target;
    }
    return true;
}

bool AvSplitter::SeekDemuxer(LONGLONG start)
{
    m_pending.clear();
    if (m_fresh && start == 0)
        return true;
    // Seek in the master pin's stream, rounding down, so that the frame
    // that covers the start is read first.
    int index = -1;
    SplitterOutputPin* master = Master();
    for (size_t i = 0; i < m_pinOfStream.size(); ++i)
        if (m_pinOfStream[i] >= 0 && m_outputs[m_pinOfStream[i]] == master)
            index = static_cast<int>(i);
    AVFormatContext* context = m_context.get();
    if (index >= 0) {
        const AVStream& stream = *context->streams[index];
        const int64_t first = av_rescale_q_rnd(m_startTime, {1, AV_TIME_BASE}, stream.time_base, AV_ROUND_DOWN);
        const int64_t target = av_rescale_q_rnd(start, {1, UNITS}, stream.time_base, AV_ROUND_DOWN) + first;
        if (SeekToTime(index, target)) {
            // Demuxers without an index of key frames (MPEG program and
            // elementary streams) land on the packet nearest the time, often
            // inside a group of pictures whose frames cannot be decoded
            // without the key frame before it: step back until a key frame
            // at or before the target comes first.
            const AVCodecDescriptor* codec = avcodec_descriptor_get(stream.codecpar->codec_id);
            const bool intraOnly = codec != nullptr && (codec->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
            if (stream.codecpar->codec_type != AVMEDIA_TYPE_VIDEO || intraOnly)
                return true;
            // A demuxer that seeks by decoding times may put the first
            // picture's successor at the stream's first time: the very start
            // is sought a second before it.
            const int64_t second = av_rescale_q(1, {1, 1}, stream.time_base);
            for (int64_t back = second / 2; !ReachesKeyFrame(index, target); back *= 2) {
                m_pending.clear();
                const int64_t earlier = target - back;
                if (earlier <= first || !SeekToTime(index, earlier))
                    return SeekToTime(index, first - second);
            }
            return true;
        }
    }
    int64_t target = av_rescale(start, AV_TIME_BASE, UNITS) + m_startTime;
    if (avformat_seek_file(context, -1, INT64_MIN, target, target, 0) >= 0)
        return true;
    return av_seek_frame(context, -1, target, AVSEEK_FLAG_BACKWARD) >= 0 ||
           av_seek_frame(context, -1, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0;
}

int AvSplitter::NextPacket(AVPacket* packet)
{
    if (m_pending.empty())
        return av_read_frame(m_context.get(), packet);
    av_packet_move_ref(packet, m_pending.front().get());
    m_pending.pop_front();
    return 0;
}

void AvSplitter::Stream()
{
    LONGLONG start = m_start;
    LONGLONG stop = m_stop;
    // Only a stop the caller set ends the stream early: a duration the
    // demuxer estimated (elementary streams) may fall short of the file.
    bool stopSet = m_stopSet;
    AVFormatContext* context = m_context.get();
    HRESULT failure = S_OK;
    if (!SeekDemuxer(start) && start > 0)
        failure = VFW_E_INVALID_FILE_FORMAT;
    m_fresh = false;
    m_delivered = 0;
    for (SplitterOutputPin* pin : m_outputs) {
        pin->m_ended = !pin->IsConnected();
        if (pin->IsConnected())
            m_queued ? pin->Queue().NewSegment(start, stop) : (void)pin->DeliverNewSegment(start, stop, 1.0);
    }
    av::PacketPtr packet(av_packet_alloc());
    bool discontinuity = true;
    int errors = 0;
    while (!m_quit && SUCCEEDED(failure)) {
        int error = NextPacket(packet.get());
        if (error == AVERROR_EOF || error == AVERROR_EXIT || (error < 0 && avio_feof(context->pb)))
            break;
        if (error < 0) {
            // Damage the demuxer cannot step over ends the stream.
            if (++errors > 32)
                failure = VFW_E_INVALID_FILE_FORMAT;
            continue;
        }
        errors = 0;
        int index = packet->stream_index < static_cast<int>(m_pinOfStream.size()) ? m_pinOfStream[packet->stream_index]
                                                                                  : -1;
        SplitterOutputPin* pin = index >= 0 ? m_outputs[index] : nullptr;
        if (!pin || pin->m_ended) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVStream& stream = *context->streams[packet->stream_index];
        int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        bool timed = pts != AV_NOPTS_VALUE;
        REFERENCE_TIME media = 0;
        if (timed)
            media = ToReferenceTime(pts, stream.time_base) - av_rescale(m_startTime, UNITS, AV_TIME_BASE);
        // Times converted from the stream's base differ by a few units from
        // the caller's, who counts whole frames of 100 ns units.
        if (timed && stopSet && media + kTimeSlack >= stop) {
            pin->m_ended = true;
            m_queued ? pin->Queue().EndOfStream() : (void)pin->DeliverEndOfStream();
            av_packet_unref(packet.get());
            bool all = true;
            for (SplitterOutputPin* one : m_outputs)
                all = all && one->m_ended;
            if (all)
                break;
            continue;
        }
        SampleMarks marks;
        if (timed) {
            marks.timed = true;
            marks.begin = media - start;
            if (marks.begin < 0 && marks.begin > -kTimeSlack)
                marks.begin = 0; // the frame at the start, off by the conversion

            // The end is the next frame's start converted the same way, so
            // that samples in a row abut: a duration converted on its own
            // rounds apart from the starts and makes neighbours overlap by
            // a unit, which downstream filters take for a step back in time.
            marks.end = marks.begin + 1;
            if (packet->duration > 0)
                marks.end = std::max(marks.end, ToReferenceTime(pts + packet->duration, stream.time_base) -
                                                    av_rescale(m_startTime, UNITS, AV_TIME_BASE) - start);
            if (media > 0)
                m_delivered = media - start;
        }
        marks.sync = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        marks.discontinuity = discontinuity;
        discontinuity = false;
        if (m_queued) {
            if (!WaitForRoom(pin)) {
                av_packet_unref(packet.get());
                break; // stopped
            }
            std::shared_ptr<AVPacket> held(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
            if (!held) {
                av_packet_unref(packet.get());
                break;
            }
            av_packet_move_ref(held.get(), packet.get());
            const auto bytes = static_cast<size_t>(std::max(held->size, 0));
            pin->Queue().Deferred([held, marks](IMediaSample* sample) { FillSample(sample, *held, marks); }, bytes);
            if (pin->Queue().Refused())
                pin->m_ended = true; // downstream wants no more
            continue;
        }
        IMediaSample* sample = nullptr;
        if (FAILED(pin->GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) {
            av_packet_unref(packet.get());
            break; // stopped or flushing
        }
        FillSample(sample, *packet, marks);
        av_packet_unref(packet.get());
        HRESULT hr = pin->Deliver(sample);
        sample->Release();
        if (hr != S_OK)
            pin->m_ended = true; // downstream wants no more
    }
    if (m_quit)
        return;
    if (FAILED(failure))
        NotifyEvent(EC_ERRORABORT, failure, 0);
    for (SplitterOutputPin* pin : m_outputs)
        if (pin->IsConnected())
            m_queued ? pin->Queue().EndOfStream() : (void)pin->DeliverEndOfStream();
}

HRESULT AvSplitter::Seek(SplitterOutputPin* pin, LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags)
{
    CAutoLock seekLock(&m_seekLock);
    if (pin != Master())
        return S_OK; // the first connected pin seeks for all
    LONGLONG newStart = m_start;
    LONGLONG newStop = m_stop;
    DWORD how = currentFlags & AM_SEEKING_PositioningBitsMask;
    if (how != AM_SEEKING_NoPositioning) {
        CheckPointer(current, E_POINTER);
        newStart = how == AM_SEEKING_RelativePositioning ? CurrentPosition() + *current : *current;
    }
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if (stopHow != AM_SEEKING_NoPositioning) {
        CheckPointer(stop, E_POINTER);
        newStop = stopHow == AM_SEEKING_RelativePositioning ? m_stop + *stop : *stop;
    }
    newStart = std::max<LONGLONG>(0, m_duration > 0 ? std::min(newStart, m_duration) : newStart);
    if (m_duration > 0 && (newStop <= 0 || newStop > m_duration))
        newStop = m_duration;
    if (stopHow != AM_SEEKING_NoPositioning)
        m_stopSet = newStop < m_duration || m_duration <= 0;
    if (how == AM_SEEKING_NoPositioning) {
        m_stop = newStop; // a new stop alone takes effect at the next start
        return S_OK;
    }
    bool streaming = m_thread.joinable();
    if (streaming) {
        for (SplitterOutputPin* one : m_outputs) {
            if (one->IsConnected())
                one->DeliverBeginFlush();
            one->Queue().Drop();
        }
        StopStreaming();
    }
    m_start = newStart;
    m_stop = newStop;
    m_delivered = 0;
    m_fresh = false;
    if (current && (currentFlags & AM_SEEKING_ReturnTime))
        *current = newStart;
    if (stop && (stopFlags & AM_SEEKING_ReturnTime))
        *stop = newStop;
    if (streaming) {
        for (SplitterOutputPin* one : m_outputs)
            if (one->IsConnected())
                one->DeliverEndFlush();
        if (m_State != State_Stopped)
            StartStreaming();
    }
    return S_OK;
}

} // namespace

HRESULT CreateAvSplitter(const SplitterKind& kind, REFIID riid, void** object)
{
    return CreateSystemObject<AvSplitter>(riid, object, kind);
}

} // namespace dshow
