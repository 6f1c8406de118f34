// The AVI multiplexer ("AVI Mux"): one AVI stream per connected input pin
// (a new free input appears whenever the last one is connected), written
// through our AVI writer to the file named by the file writer behind its
// output. Video (VIDEOINFOHEADER; uncompressed as 'DIB '), PCM or other
// wave-format audio, and interleaved DV ('iavs' with its DVINFO) are taken.
//
// The file is opened when the graph leaves Stopped and completed when every
// input has ended (then the end of the stream goes on to the file writer,
// which reports EC_COMPLETE) or at Stop, keeping what was written so far.
// A write failure ends the graph with EC_ERRORABORT.
//
// Video and DV frames are placed by their time stamps counted from the
// first frame, so a frame that did not come leaves an empty chunk (the
// frame before repeats); audio is written as it comes. IConfigInterleaving's
// mode chooses between writing as samples come (INTERLEAVE_NONE) and
// interleaving by time; its preroll becomes the audio streams'
// dwInitialFrames (in video frames). IConfigAviMux's compatibility index
// adds an AVI 1.0 'idx1' to the OpenDML index.

#include <cmath>
#include <deque>
#include <memory>
#include <numeric>
#include <vector>

#include "Platform/Av/AviWriter.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

constexpr int kMaxInputs = 16;
constexpr REFERENCE_TIME kNtscFrame = 333667;

class AviMux;

class AviMuxInput final : public CBaseInputPin {
public:
    AviMuxInput(AviMux* mux, CCritSec* lock, HRESULT* result, LPCWSTR name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

    int m_stream = -1;
    bool m_ended = false;
    int64_t m_firstFrame = -1;

private:
    AviMux* m_mux;
};

class AviMuxOutput final : public CBaseOutputPin {
public:
    AviMuxOutput(CBaseFilter* filter, CCritSec* lock, HRESULT* result)
        : CBaseOutputPin(NAME("AVI Mux output"), filter, lock, result, u"AVI Out")
    {
    }
    ~AviMuxOutput() override
    {
        if (m_position)
            m_position->Release();
    }

    // Seeking the written file's graph moves the source behind the first
    // input, as a copy starts and ends where the source is set to.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
            CBasePin* first = m_pFilter->GetPin(0);
            return QuerySeekingThrough(GetOwner(), first, m_position, riid, object);
        }
        return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return *type->Type() == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (HRESULT hr = OnlyType(position, true); hr != S_OK)
            return hr;
        type->InitMediaType();
        type->SetType(&MEDIATYPE_Stream);
        type->SetSubtype(&MEDIASUBTYPE_Avi);
        return S_OK;
    }
    // The multiplexer writes its file itself; its samples carry nothing.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        return SetBuffers(allocator, request, 1, 1);
    }

private:
    IUnknown* m_position = nullptr;
};

class AviMux final : public CBaseFilter, public IConfigAviMux, public IConfigInterleaving {
public:
    AviMux() : CBaseFilter(NAME("AVI Mux"), nullptr, &m_lock, CLSID_AviDest)
    {
        HRESULT hr = S_OK;
        m_output = std::make_unique<AviMuxOutput>(this, &m_lock, &hr);
        AddInput();
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IConfigAviMux)
            return GetInterface(static_cast<IConfigAviMux*>(this), object);
        if (riid == IID_IConfigInterleaving)
            return GetInterface(static_cast<IConfigInterleaving*>(this), object);
        return CBaseFilter::NonDelegatingQueryInterface(riid, object);
    }

    int GetPinCount() override { return static_cast<int>(m_inputs.size()) + 1; }
    CBasePin* GetPin(int index) override
    {
        if (index >= 0 && index < static_cast<int>(m_inputs.size()))
            return m_inputs[static_cast<size_t>(index)].get();
        return index == static_cast<int>(m_inputs.size()) ? m_output.get() : nullptr;
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        CAutoLock guard(&m_lock);
        if (m_State == State_Stopped) {
            HRESULT hr = OpenFile();
            if (FAILED(hr))
                return hr;
        }
        return CBaseFilter::Pause();
    }

    HRESULT STDMETHODCALLTYPE Stop() override
    {
        CAutoLock guard(&m_lock);
        HRESULT hr = CBaseFilter::Stop();
        CAutoLock write(&m_writeLock);
        FinishFile();
        return hr;
    }

    // IConfigAviMux
    HRESULT STDMETHODCALLTYPE SetMasterStream(LONG stream) override
    {
        if (stream < -1 || stream >= kMaxInputs)
            return E_INVALIDARG;
        m_master = stream;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMasterStream(LONG* stream) override
    {
        CheckPointer(stream, E_POINTER);
        *stream = m_master;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetOutputCompatibilityIndex(BOOL on) override
    {
        CAutoLock guard(&m_lock);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        m_compatibilityIndex = on != FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetOutputCompatibilityIndex(BOOL* on) override
    {
        CheckPointer(on, E_POINTER);
        *on = m_compatibilityIndex ? TRUE : FALSE;
        return S_OK;
    }

    // IConfigInterleaving
    HRESULT STDMETHODCALLTYPE put_Mode(InterleavingMode mode) override
    {
        if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED)
            return E_INVALIDARG;
        CAutoLock guard(&m_lock);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        m_mode = mode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Mode(InterleavingMode* mode) override
    {
        CheckPointer(mode, E_POINTER);
        *mode = m_mode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Interleaving(const REFERENCE_TIME* interleave,
                                               const REFERENCE_TIME* preroll) override
    {
        CAutoLock guard(&m_lock);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        if ((interleave && *interleave < 0) || (preroll && *preroll < 0))
            return E_INVALIDARG;
        if (interleave)
            m_interleave = *interleave;
        if (preroll)
            m_preroll = *preroll;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) override
    {
        CheckPointer(interleave, E_POINTER);
        CheckPointer(preroll, E_POINTER);
        *interleave = m_interleave;
        *preroll = m_preroll;
        return S_OK;
    }

    void OnInputConnected()
    {
        for (const auto& input : m_inputs) {
            if (!input->IsConnected())
                return;
        }
        if (m_inputs.size() < kMaxInputs)
            AddInput();
    }

    HRESULT Write(AviMuxInput* input, IMediaSample* sample)
    {
        CAutoLock guard(&m_writeLock);
        if (!m_writer.IsOpen() || input->m_stream < 0)
            return VFW_E_WRONG_STATE;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const LONG size = sample->GetActualDataLength();
        if (size < 0 || (size > 0 && data == nullptr))
            return E_POINTER;
        int64_t position = -1;
        const REFERENCE_TIME frameTime = m_frameTimes[static_cast<size_t>(input->m_stream)];
        REFERENCE_TIME start = 0, stop = 0;
        if (frameTime > 0 && SUCCEEDED(sample->GetTime(&start, &stop))) {
            const int64_t frame = std::llround(static_cast<double>(start) / static_cast<double>(frameTime));
            if (input->m_firstFrame < 0)
                input->m_firstFrame = frame;
            position = std::max<int64_t>(frame - input->m_firstFrame, m_writer.StreamLength(input->m_stream));
        }
        const uint32_t flags = sample->IsSyncPoint() == S_OK ? av::kAviKeyFrame : 0u;
        const int error = m_writer.Write(input->m_stream, position, 0, data, static_cast<size_t>(size), flags);
        if (error < 0) {
            const HRESULT hr = WriteErrorResult(error);
            m_writer.Abandon();
            NotifyEvent(EC_ERRORABORT, hr, 0);
            return hr;
        }
        return S_OK;
    }

    HRESULT EndOfInput(AviMuxInput* input)
    {
        bool all = true;
        {
            CAutoLock guard(&m_writeLock);
            input->m_ended = true;
            if (input->m_stream >= 0 && m_writer.IsOpen())
                m_writer.EndStream(input->m_stream);
            for (const auto& each : m_inputs)
                all = all && (!each->IsConnected() || each->m_ended);
            if (all && !FinishFile())
                return S_OK;
        }
        return all ? m_output->DeliverEndOfStream() : S_OK;
    }

private:
    void AddInput()
    {
        HRESULT hr = S_OK;
        const size_t number = m_inputs.size() + 1;
        m_names.push_back(u"Input " + std::u16string{static_cast<char16_t>(u'0' + number / 10),
                                                     static_cast<char16_t>(u'0' + number % 10)});
        m_inputs.push_back(std::make_unique<AviMuxInput>(this, &m_lock, &hr, m_names.back().c_str()));
        IncrementPinVersion();
    }

    HRESULT OpenFile()
    {
        std::string path;
        HRESULT hr = GetSinkFileName(m_output.get(), path);
        if (FAILED(hr))
            return hr;
        CAutoLock guard(&m_writeLock);
        m_writer.Abandon();
        if (m_writer.Create(path) < 0)
            return E_FAIL;
        m_writer.SetCompatibilityIndex(m_compatibilityIndex);
        m_writer.SetInterleave(m_mode == INTERLEAVE_NONE ? av::AviInterleave::None : av::AviInterleave::ByTime);
        m_frameTimes.clear();
        REFERENCE_TIME videoFrame = 0;
        std::vector<av::AviStreamFormat> formats;
        std::vector<AviMuxInput*> inputs;
        for (const auto& input : m_inputs) {
            input->m_stream = -1;
            input->m_ended = false;
            input->m_firstFrame = -1;
            if (!input->IsConnected())
                continue;
            REFERENCE_TIME frameTime = 0;
            av::AviStreamFormat format;
            if (!Describe(input->CurrentMediaType(), format, frameTime)) {
                m_writer.Abandon();
                return VFW_E_TYPE_NOT_ACCEPTED;
            }
            if (videoFrame == 0)
                videoFrame = frameTime;
            formats.push_back(std::move(format));
            m_frameTimes.push_back(frameTime);
            inputs.push_back(input.get());
        }
        for (size_t i = 0; i < formats.size(); ++i) {
            if (formats[i].type == av::kAviStreamAudio && videoFrame > 0)
                formats[i].initialFrames = static_cast<uint32_t>((m_preroll + videoFrame / 2) / videoFrame);
            inputs[i]->m_stream = m_writer.AddStream(formats[i]);
            if (inputs[i]->m_stream < 0) {
                m_writer.Abandon();
                return E_FAIL;
            }
        }
        return S_OK;
    }

    // Completes the file; false (with EC_ERRORABORT sent) when that fails.
    bool FinishFile()
    {
        if (!m_writer.IsOpen())
            return true;
        const int error = m_writer.Finish();
        if (error < 0) {
            NotifyEvent(EC_ERRORABORT, WriteErrorResult(error), 0);
            return false;
        }
        return true;
    }

    static void RateOf(REFERENCE_TIME frameTime, av::AviStreamFormat& format)
    {
        // NTSC's 29.97 frames per second as its exact ratio.
        if (std::llabs(frameTime - kNtscFrame) <= 1) {
            format.scale = 1001;
            format.rate = 30000;
            return;
        }
        const int64_t divisor = std::gcd<int64_t, int64_t>(frameTime, UNITS);
        format.scale = static_cast<uint32_t>(frameTime / divisor);
        format.rate = static_cast<uint32_t>(UNITS / divisor);
    }

public:
    // The AVI stream for a connection's type; false for a type the file
    // cannot hold.
    static bool Describe(const CMediaType& type, av::AviStreamFormat& format, REFERENCE_TIME& frameTime)
    {
        const BYTE* block = type.pbFormat;
        frameTime = 0;
        if (*type.Type() == MEDIATYPE_Audio) {
            if (*type.FormatType() != FORMAT_WaveFormatEx || type.cbFormat < sizeof(PCMWAVEFORMAT) || !block)
                return false;
            const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(block);
            if (wave->nBlockAlign == 0 || wave->nAvgBytesPerSec == 0)
                return false;
            format.type = av::kAviStreamAudio;
            format.scale = wave->nBlockAlign;
            format.rate = wave->nAvgBytesPerSec;
            format.sampleSize = wave->nBlockAlign;
            format.format.assign(block, block + type.cbFormat);
            if (format.format.size() < sizeof(WAVEFORMATEX))
                format.format.resize(sizeof(WAVEFORMATEX), 0);
            return true;
        }
        if (*type.Type() == MEDIATYPE_Interleaved) {
            if (*type.FormatType() != FORMAT_DvInfo || type.cbFormat < sizeof(DVINFO) || !block)
                return false;
            const auto* info = reinterpret_cast<const DVINFO*>(block);
            // The 50/60 flag of the video auxiliary source pack; a PAL
            // frame is 144000 bytes.
            const bool pal = type.lSampleSize == 144000 || (type.lSampleSize == 0 && (info->dwDVVAuxSrc & 0x00200000));
            frameTime = pal ? UNITS / 25 : kNtscFrame;
            format.type = av::kAviStreamInterleaved;
            format.handler = type.subtype.Data1;
            format.width = 720;
            format.height = pal ? 576 : 480;
            RateOf(frameTime, format);
            format.format.assign(block, block + sizeof(DVINFO));
            return true;
        }
        if (*type.Type() == MEDIATYPE_Video) {
            if (*type.FormatType() != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !block)
                return false;
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(block);
            frameTime = info->AvgTimePerFrame > 0 ? info->AvgTimePerFrame : UNITS / 25;
            const BITMAPINFOHEADER& bitmap = info->bmiHeader;
            format.type = av::kAviStreamVideo;
            format.compressed = bitmap.biCompression != BI_RGB && bitmap.biCompression != BI_BITFIELDS;
            format.handler = format.compressed ? bitmap.biCompression : av::kAviHandlerDib;
            format.width = bitmap.biWidth;
            format.height = bitmap.biHeight;
            RateOf(frameTime, format);
            const size_t offset = offsetof(VIDEOINFOHEADER, bmiHeader);
            format.format.assign(block + offset, block + type.cbFormat);
            return true;
        }
        return false;
    }

private:
    CCritSec m_lock;
    CCritSec m_writeLock;
    std::vector<std::unique_ptr<AviMuxInput>> m_inputs;
    std::deque<std::u16string> m_names; // the pins keep pointers to their names
    std::unique_ptr<AviMuxOutput> m_output;
    av::AviWriter m_writer;
    std::vector<REFERENCE_TIME> m_frameTimes;
    LONG m_master = -1;
    bool m_compatibilityIndex = true;
    InterleavingMode m_mode = INTERLEAVE_NONE;
    REFERENCE_TIME m_interleave = UNITS;
    REFERENCE_TIME m_preroll = 0;
};

AviMuxInput::AviMuxInput(AviMux* mux, CCritSec* lock, HRESULT* result, LPCWSTR name)
    : CBaseInputPin(NAME("AVI Mux input"), mux, lock, result, name), m_mux(mux)
{
}

HRESULT AviMuxInput::CheckMediaType(const CMediaType* type)
{
    av::AviStreamFormat format;
    REFERENCE_TIME frameTime = 0;
    return AviMux::Describe(*type, format, frameTime) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviMuxInput::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (SUCCEEDED(hr))
        m_mux->OnInputConnected();
    return hr;
}

HRESULT STDMETHODCALLTYPE AviMuxInput::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_mux->Write(this, sample);
}

HRESULT STDMETHODCALLTYPE AviMuxInput::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_mux->EndOfInput(this);
}

} // namespace

HRESULT CreateAviMux(REFIID riid, void** object) { return CreateSystemObject<AviMux>(riid, object); }

} // namespace dshow
