#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "Platform/Com/Object.h"
#include "Platform/Com/Stream.h"
#include "Platform/Win/Kernel/Memory.h"

namespace {

// Asked of a stream to find out whether it is one of ours, also when the
// stream was made by another module's copy of this layer.
DEFINE_GUID(IID_IHGlobalSource, 0x6B7D1C35, 0x4E0F, 0x4B8A, 0x9A, 0x51, 0x2F, 0x61, 0x0C, 0x8E, 0x33, 0x17);
struct IHGlobalSource : IUnknown {
    virtual HGLOBAL STDMETHODCALLTYPE Block() = 0;
};

// What the clones of one stream share: the block and the stream's size,
// which may be less than the block's.
struct SharedBlock {
    std::mutex lock;
    HGLOBAL block = nullptr;
    ULONGLONG size = 0;
    bool deleteOnRelease = false;

    ~SharedBlock()
    {
        if (deleteOnRelease && block)
            GlobalFree(block);
    }

    // Makes the block hold at least `bytes`, zero-filling the part beyond
    // the stream's size. Called with the lock held.
    bool Reserve(ULONGLONG bytes)
    {
        if (bytes > 0x7FFFFFFFull)
            return false;
        SIZE_T capacity = GlobalSize(block);
        if (bytes > capacity) {
            SIZE_T grown = std::max<SIZE_T>(static_cast<SIZE_T>(bytes), capacity + capacity / 2 + 256);
            HGLOBAL larger = GlobalReAlloc(block, grown, GMEM_MOVEABLE);
            if (!larger)
                return false;
            block = larger;
        }
        if (bytes > size) {
            auto* bytesAt = static_cast<BYTE*>(GlobalLock(block));
            if (!bytesAt)
                return false;
            std::memset(bytesAt + size, 0, static_cast<size_t>(bytes - size));
            GlobalUnlock(block);
        }
        return true;
    }
};

class HGlobalStream final
    : public com::Object<com::Implements<IStream, IID_IStream, IID_ISequentialStream>,
                         com::Implements<IHGlobalSource, IID_IHGlobalSource>> {
public:
    HGlobalStream(std::shared_ptr<SharedBlock> shared, ULONGLONG position)
        : m_shared(std::move(shared)), m_position(position)
    {
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override
    {
        if (read)
            *read = 0;
        if (!buffer && size)
            return STG_E_INVALIDPOINTER;
        std::lock_guard<std::mutex> guard(m_shared->lock);
        ULONG count = 0;
        if (m_position < m_shared->size)
            count = static_cast<ULONG>(std::min<ULONGLONG>(size, m_shared->size - m_position));
        if (count) {
            auto* bytes = static_cast<BYTE*>(GlobalLock(m_shared->block));
            if (!bytes)
                return STG_E_READFAULT;
            std::memcpy(buffer, bytes + m_position, count);
            GlobalUnlock(m_shared->block);
            m_position += count;
        }
        if (read)
            *read = count;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override
    {
        if (written)
            *written = 0;
        if (!buffer && size)
            return STG_E_INVALIDPOINTER;
        std::lock_guard<std::mutex> guard(m_shared->lock);
        if (size == 0)
            return S_OK;
        ULONGLONG end = m_position + size;
        if (!m_shared->Reserve(end))
            return STG_E_MEDIUMFULL;
        auto* bytes = static_cast<BYTE*>(GlobalLock(m_shared->block));
        if (!bytes)
            return STG_E_WRITEFAULT;
        std::memcpy(bytes + m_position, buffer, size);
        GlobalUnlock(m_shared->block);
        m_position = end;
        m_shared->size = std::max(m_shared->size, end);
        if (written)
            *written = size;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        LONGLONG base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<LONGLONG>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<LONGLONG>(m_shared->size);
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target = base + move.QuadPart;
        if (target < 0)
            return STG_E_INVALIDFUNCTION;
        m_position = static_cast<ULONGLONG>(target);
        if (newPosition)
            newPosition->QuadPart = m_position;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        if (!m_shared->Reserve(size.QuadPart))
            return STG_E_MEDIUMFULL;
        m_shared->size = size.QuadPart;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override
    {
        if (read)
            read->QuadPart = 0;
        if (written)
            written->QuadPart = 0;
        if (!target)
            return STG_E_INVALIDPOINTER;
        BYTE chunk[4096];
        ULONGLONG left = size.QuadPart;
        while (left > 0) {
            ULONG got = 0;
            HRESULT hr = Read(chunk, static_cast<ULONG>(std::min<ULONGLONG>(left, sizeof chunk)), &got);
            if (FAILED(hr))
                return hr;
            if (got == 0)
                break;
            if (read)
                read->QuadPart += got;
            ULONG put = 0;
            hr = target->Write(chunk, got, &put);
            if (written)
                written->QuadPart += put;
            if (FAILED(hr))
                return hr;
            left -= got;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        std::lock_guard<std::mutex> guard(m_shared->lock);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_shared->size;
        stat->grfMode = STGM_READWRITE;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override
    {
        if (!clone)
            return STG_E_INVALIDPOINTER;
        ULONGLONG position;
        {
            std::lock_guard<std::mutex> guard(m_shared->lock);
            position = m_position;
        }
        return com::CreateObject<HGlobalStream>(IID_IStream, reinterpret_cast<void**>(clone), m_shared, position);
    }

    HGLOBAL STDMETHODCALLTYPE Block() override
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        return m_shared->block;
    }

private:
    std::shared_ptr<SharedBlock> m_shared;
    ULONGLONG m_position;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, LPSTREAM* stream)
{
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    auto shared = std::make_shared<SharedBlock>();
    if (block) {
        if (GlobalFlags(block) & GMEM_INVALID_HANDLE)
            return E_INVALIDARG;
        shared->size = GlobalSize(block);
    } else {
        block = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!block)
            return E_OUTOFMEMORY;
    }
    shared->block = block;
    shared->deleteOnRelease = deleteOnRelease != FALSE;
    return com::CreateObject<HGlobalStream>(IID_IStream, reinterpret_cast<void**>(stream), std::move(shared),
                                            ULONGLONG{0});
}

HRESULT GetHGlobalFromStream(LPSTREAM stream, HGLOBAL* block)
{
    if (!block)
        return E_INVALIDARG;
    *block = nullptr;
    if (!stream)
        return E_INVALIDARG;
    IHGlobalSource* source = nullptr;
    if (FAILED(stream->QueryInterface(IID_IHGlobalSource, reinterpret_cast<void**>(&source))))
        return E_INVALIDARG;
    *block = source->Block();
    source->Release();
    return S_OK;
}
