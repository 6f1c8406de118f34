// The asynchronous file source ("Async Source"): one output pin of
// MEDIATYPE_Stream with the subtype sniffed from the file, read by the
// downstream parser through IAsyncReader, in aligned requests queued and
// completed in order, or in synchronous reads of any position and length.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/Source/Sniff.h"

namespace dshow {
namespace {

constexpr size_t kSniffBytes = 4096;

// A file read at positions, from any thread.
class ReadFile {
public:
    ~ReadFile() { Close(); }
    bool Open(const std::string& path)
    {
        Close();
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        struct stat info {};
        if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            Close();
            return false;
        }
        m_size = info.st_size;
        return true;
    }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_size = 0;
    }
    // The file's size now: a file cut short while it is read (a copy still
    // being written, a medium pulled) tells its readers where its data
    // really ends.
    LONGLONG Size() const
    {
        struct stat info {};
        if (m_fd >= 0 && fstat(m_fd, &info) == 0)
            return info.st_size;
        return m_size;
    }
    // The bytes read (fewer at the end of the file), -1 on failure.
    LONG Read(LONGLONG position, LONG length, BYTE* buffer) const
    {
        if (m_fd < 0 || position < 0 || length < 0)
            return -1;
        LONG total = 0;
        while (total < length) {
            ssize_t got = ::pread(m_fd, buffer + total, static_cast<size_t>(length - total), position + total);
            if (got < 0)
                return -1;
            if (got == 0)
                break;
            total += static_cast<LONG>(got);
        }
        return total;
    }

private:
    int m_fd = -1;
    LONGLONG m_size = 0;
};

class AsyncSource;

class AsyncOutputPin final : public CBasePin, public IAsyncReader {
public:
    AsyncOutputPin(AsyncSource* source, CCritSec* lock, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IAsyncReader)
            return GetInterface(static_cast<IAsyncReader*>(this), object);
        return CBasePin::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    // IAsyncReader's flush; IPin's, which shares the slot, is never called
    // on an output pin.
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // IAsyncReader
    HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                               IMemAllocator** actual) override;
    HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override;
    HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
    HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override;

private:
    struct Pending {
        IMediaSample* sample;
        DWORD_PTR user;
    };
    HRESULT ReadInto(IMediaSample* sample);

    AsyncSource* m_source;
    std::mutex m_queueLock;
    std::deque<Pending> m_queue;
    CAMEvent m_ready{TRUE};
    bool m_flushing = false;
};

class AsyncSource final : public CBaseFilter, public IFileSourceFilter {
public:
    AsyncSource() : CBaseFilter(NAME("Async Source"), nullptr, &m_lock, CLSID_AsyncReader) {}
    ~AsyncSource() override { delete m_pin; }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IFileSourceFilter)
            return GetInterface(static_cast<IFileSourceFilter*>(this), object);
        return CBaseFilter::NonDelegatingQueryInterface(riid, object);
    }

    int GetPinCount() override { return m_pin ? 1 : 0; }
    CBasePin* GetPin(int index) override { return index == 0 ? m_pin : nullptr; }

    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, const AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        CAutoLock lock(&m_lock);
        if (m_pin)
            return E_UNEXPECTED; // loaded once
        std::string path = com::WideToUtf8(file);
        if (!m_file.Open(path))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        std::vector<BYTE> head(kSniffBytes);
        LONG got = m_file.Read(0, static_cast<LONG>(head.size()), head.data());
        m_type.InitMediaType();
        m_type.SetType(&MEDIATYPE_Stream);
        GUID subtype = type && type->subtype != GUID_NULL ? type->subtype
                                                          : SniffStreamSubtype(head.data(), got > 0 ? got : 0);
        m_type.SetSubtype(&subtype);
        m_type.SetSampleSize(1);
        m_name = file;
        HRESULT hr = S_OK;
        m_pin = new AsyncOutputPin(this, &m_lock, &hr);
        IncrementPinVersion();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        *file = nullptr;
        CAutoLock lock(&m_lock);
        if (!m_pin)
            return E_FAIL;
        HRESULT hr = com::CopyToTaskMemory(m_name, file);
        if (SUCCEEDED(hr) && type)
            hr = CopyMediaType(type, &m_type);
        return hr;
    }

    const CMediaType& Type() const { return m_type; }
    const ReadFile& File() const { return m_file; }

private:
    CCritSec m_lock;
    AsyncOutputPin* m_pin = nullptr;
    ReadFile m_file;
    CMediaType m_type;
    std::u16string m_name;
};

AsyncOutputPin::AsyncOutputPin(AsyncSource* source, CCritSec* lock, HRESULT* result)
    : CBasePin(NAME("Async output"), source, lock, result, u"Output", PINDIR_OUTPUT), m_source(source)
{
}

HRESULT AsyncOutputPin::CheckMediaType(const CMediaType* type)
{
    const CMediaType& mine = m_source->Type();
    if (*type->Type() != MEDIATYPE_Stream)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (*type->Subtype() == *mine.Subtype() || *type->Subtype() == GUID_NULL)
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AsyncOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_source->Type();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                                           IMemAllocator** actual)
{
    CheckPointer(properties, E_POINTER);
    CheckPointer(actual, E_POINTER);
    *actual = nullptr;
    ALLOCATOR_PROPERTIES wanted = *properties;
    if (wanted.cbAlign <= 0)
        wanted.cbAlign = 1;
    ALLOCATOR_PROPERTIES got{};
    if (preferred && SUCCEEDED(preferred->SetProperties(&wanted, &got))) {
        preferred->AddRef();
        *actual = preferred;
        return S_OK;
    }
    IMemAllocator* made = nullptr;
    HRESULT hr = CreateMemoryAllocator(&made);
    if (FAILED(hr))
        return hr;
    hr = made->SetProperties(&wanted, &got);
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    *actual = made;
    return S_OK;
}

HRESULT AsyncOutputPin::ReadInto(IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = sample->GetTime(&start, &stop);
    if (FAILED(hr))
        return hr;
    LONGLONG position = start / UNITS;
    LONG length = static_cast<LONG>((stop - start) / UNITS);
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    if (length < 0 || length > sample->GetSize() || position < 0)
        return E_INVALIDARG;
    LONG got = m_source->File().Read(position, length, buffer);
    if (got < 0)
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    sample->SetActualDataLength(got);
    if (got < length) {
        REFERENCE_TIME end = start + static_cast<REFERENCE_TIME>(got) * UNITS;
        sample->SetTime(&start, &end);
        return S_FALSE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::Request(IMediaSample* sample, DWORD_PTR user)
{
    CheckPointer(sample, E_POINTER);
    std::lock_guard<std::mutex> guard(m_queueLock);
    if (m_flushing)
        return VFW_E_WRONG_STATE;
    sample->AddRef();
    m_queue.push_back({sample, user});
    m_ready.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user)
{
    CheckPointer(sample, E_POINTER);
    CheckPointer(user, E_POINTER);
    *sample = nullptr;
    *user = 0;
    while (true) {
        bool flushing = false;
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            flushing = m_flushing;
            if (!m_queue.empty()) {
                Pending next = m_queue.front();
                m_queue.pop_front();
                if (m_queue.empty() && !m_flushing)
                    m_ready.Reset();
                *sample = next.sample;
                *user = next.user;
            } else if (m_flushing) {
                return VFW_E_WRONG_STATE;
            }
        }
        if (*sample) {
            // The queue held the sample while it waited; the caller keeps
            // the reference it had when it asked.
            (*sample)->Release();
            return flushing ? VFW_E_WRONG_STATE : ReadInto(*sample);
        }
        if (!m_ready.Wait(timeout))
            return VFW_E_TIMEOUT;
    }
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::BeginFlush()
{
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_flushing = true;
    m_ready.Set();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::EndFlush()
{
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_flushing = false;
    if (m_queue.empty())
        m_ready.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::SyncReadAligned(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    return ReadInto(sample);
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer)
{
    CheckPointer(buffer, E_POINTER);
    LONG got = m_source->File().Read(position, length, buffer);
    if (got < 0)
        return position < 0 || length < 0 ? E_INVALIDARG : HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    return got == length ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE AsyncOutputPin::Length(LONGLONG* total, LONGLONG* available)
{
    CheckPointer(total, E_POINTER);
    CheckPointer(available, E_POINTER);
    *total = *available = m_source->File().Size();
    return S_OK;
}

} // namespace

HRESULT CreateAsyncSource(REFIID riid, void** object) { return CreateSystemObject<AsyncSource>(riid, object); }

} // namespace dshow
