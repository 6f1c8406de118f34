// The File Writer: the sink that writes the bytes it receives to the file
// named through IFileSinkFilter. A sample's start time, when it has one, is
// the byte offset of its data (so a writer can come back to fill in a
// header); without one the data goes at the end. The file is written under
// a temporary name and moved over the target at the end of the stream or
// at Stop; a writer that receives nothing leaves the target untouched (the
// AVI multiplexer writes its file itself, to the name given here). The
// input pin also answers IStream, through which an upstream writer comes
// back at the end to write a header; after the file was moved over its
// target such writes go to the target itself.

#include <algorithm>
#include <cerrno>
#include <string>

#include "Platform/Av/TempFile.h"
#include "Platform/DShow/Filters/Renderers/RendererBase.h"
#include "Platform/DShow/Filters/Writing/Writing.h"
#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Base/WinError.h"

extern "C" {
#include <libavutil/error.h>
}

namespace dshow {

HRESULT WriteErrorResult(int error)
{
    return error == AVERROR(ENOSPC) ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : E_FAIL;
}

HRESULT OnlyType(int position, bool ready)
{
    if (!ready)
        return E_UNEXPECTED;
    if (position < 0)
        return E_INVALIDARG;
    return position > 0 ? VFW_S_NO_MORE_ITEMS : S_OK;
}

HRESULT QuerySeekingThrough(IUnknown* owner, IPin* input, IUnknown*& holder, REFIID riid, void** object)
{
    CheckPointer(object, E_POINTER);
    *object = nullptr;
    if (riid != IID_IMediaSeeking && riid != IID_IMediaPosition)
        return E_NOINTERFACE;
    if (!holder) {
        HRESULT hr = CreatePosPassThru(owner, FALSE, input, &holder);
        if (FAILED(hr))
            return hr;
    }
    return holder->QueryInterface(riid, object);
}

HRESULT GetSinkFileName(IPin* output, std::string& path)
{
    path.clear();
    CheckPointer(output, E_POINTER);
    com::ComPtr<IPin> connected;
    if (FAILED(output->ConnectedTo(connected.Receive())))
        return VFW_E_NOT_CONNECTED;
    PIN_INFO info{};
    HRESULT hr = connected->QueryPinInfo(&info);
    if (FAILED(hr))
        return hr;
    com::ComPtr<IFileSinkFilter> sink;
    if (info.pFilter) {
        hr = info.pFilter->QueryInterface(IID_IFileSinkFilter, sink.ReceiveVoid());
        info.pFilter->Release();
    }
    if (!sink)
        return E_NOINTERFACE;
    LPOLESTR name = nullptr;
    hr = sink->GetCurFile(&name, nullptr);
    if (FAILED(hr))
        return hr;
    path = win::Utf16ToUtf8(name);
    CoTaskMemFree(name);
    return path.empty() ? E_FAIL : S_OK;
}

namespace {

class FileWriter final : public RendererBase, public IFileSinkFilter, public IStream {
public:
    FileWriter() : RendererBase(NAME("File Writer"), CLSID_FileWriter, u"in") {}
    ~FileWriter() override { m_file.Abandon(); }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IFileSinkFilter)
            return GetInterface(static_cast<IFileSinkFilter*>(this), object);
        return RendererBase::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        CAutoLock guard(&m_lock);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        m_name = file;
        m_type = type != nullptr ? CMediaType(*type) : CMediaType();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* type) override
    {
        CheckPointer(file, E_POINTER);
        *file = nullptr;
        CAutoLock guard(&m_lock);
        if (m_name.empty())
            return E_FAIL;
        const size_t bytes = (m_name.size() + 1) * sizeof(WCHAR);
        *file = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (*file == nullptr)
            return E_OUTOFMEMORY;
        std::copy(m_name.c_str(), m_name.c_str() + m_name.size() + 1, *file);
        if (type != nullptr) {
            CMediaType copy(m_type);
            *type = copy;
            // The caller owns the format block now.
            copy.pbFormat = nullptr;
            copy.cbFormat = 0;
            copy.pUnk = nullptr;
        }
        return S_OK;
    }

    // IStream of the input pin: seek and write; nothing else.
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override
    {
        if (written)
            *written = 0;
        CheckPointer(buffer, STG_E_INVALIDPOINTER);
        CAutoLock guard(&m_fileLock);
        std::FILE* file = m_file.File();
        std::FILE* target = nullptr;
        if (!file) {
            if (m_name.empty())
                return E_FAIL;
            const std::string path = win::Utf16ToUtf8(m_name);
            target = std::fopen(path.c_str(), "r+b");
            if (!target && errno == ENOENT)
                target = std::fopen(path.c_str(), "w+b");
            if (!target)
                return STG_E_WRITEFAULT;
            file = target;
        }
        bool ok = fseeko(file, static_cast<off_t>(m_streamPosition), SEEK_SET) == 0 &&
                  (size == 0 || std::fwrite(buffer, 1, size, file) == size);
        if (target)
            ok = std::fclose(target) == 0 && ok;
        if (!ok)
            return errno == ENOSPC ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : STG_E_WRITEFAULT;
        m_streamPosition += size;
        if (written)
            *written = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        CAutoLock guard(&m_fileLock);
        long long base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = m_streamPosition;
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        if (base + move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        m_streamPosition = base + move.QuadPart;
        if (newPosition)
            newPosition->QuadPart = static_cast<ULONGLONG>(m_streamPosition);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

protected:
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    bool Scheduled() override { return false; }
    HRESULT PinInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IStream || riid == IID_ISequentialStream)
            return GetInterface(static_cast<IStream*>(this), object);
        return E_NOINTERFACE;
    }

    HRESULT Render(IMediaSample* sample) override
    {
        CAutoLock guard(&m_fileLock);
        if (!m_file.IsOpen()) {
            if (m_name.empty())
                return E_FAIL;
            if (int error = m_file.Create(win::Utf16ToUtf8(m_name)); error < 0)
                return Fail(WriteErrorResult(error));
        }
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const size_t size = static_cast<size_t>(sample->GetActualDataLength());
        REFERENCE_TIME start = 0, stop = 0;
        std::FILE* file = m_file.File();
        const bool placed = SUCCEEDED(sample->GetTime(&start, &stop)) && start >= 0;
        if (fseeko(file, placed ? static_cast<off_t>(start) : 0, placed ? SEEK_SET : SEEK_END) != 0 ||
            (size != 0 && std::fwrite(data, 1, size, file) != size))
            return Fail(errno == ENOSPC ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : E_FAIL);
        return S_OK;
    }

    void EndOfStream() override { Commit(); }
    void OnStop() override { Commit(); }

private:
    HRESULT Fail(HRESULT hr)
    {
        m_file.Abandon();
        NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
    }

    void Commit()
    {
        CAutoLock guard(&m_fileLock);
        if (!m_file.IsOpen())
            return;
        if (int error = m_file.Commit(); error < 0)
            NotifyEvent(EC_ERRORABORT, WriteErrorResult(error), 0);
    }

    std::u16string m_name;
    CMediaType m_type;
    CCritSec m_fileLock;
    av::TempFile m_file;
    long long m_streamPosition = 0;
};

} // namespace

HRESULT CreateFileWriter(REFIID riid, void** object) { return CreateSystemObject<FileWriter>(riid, object); }

} // namespace dshow
