#include "Filters/Tessaly/DupAllocator.h"

#include <algorithm>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/SampleCopy.h"
#include "Platform/Win/Kernel/Memory.h"

namespace {

constexpr sample_copy::Variant kCopyVariant{32, false};
constexpr int kMinimumHeaders = 128;

} // namespace

CDupSample::CDupSample(CDupAllocator* allocator, HRESULT* result, LPBYTE buffer, LONG length, bool header)
    : CMediaSample(NAME("Dup sample"), allocator, result, buffer, length), m_header(header)
{
}

CDupSample::~CDupSample()
{
    if (m_referenced)
        m_referenced->Release();
}

HRESULT CDupSample::Refer(IMediaSample* source)
{
    BYTE* buffer = nullptr;
    HRESULT hr = source->GetPointer(&buffer);
    if (FAILED(hr))
        return hr;
    hr = SetPointer(buffer, source->GetSize());
    if (FAILED(hr))
        return hr;
    hr = sample_copy::CopySampleProperties(source, this);
    if (FAILED(hr))
        return hr;
    source->AddRef();
    m_referenced = source;
    return S_OK;
}

IMediaSample* CDupSample::Forget()
{
    IMediaSample* referenced = m_referenced;
    m_referenced = nullptr;
    m_pBuffer = nullptr;
    m_cbBuffer = 0;
    m_lActual = 0;
    return referenced;
}

CDupAllocator::CDupAllocator(LPUNKNOWN outer, HRESULT* result)
    : CBaseAllocator(NAME("Dup allocator"), outer, result), m_mmx(sample_copy::IsMmxPresent(kCopyVariant)),
      m_headerSemaphore(CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr))
{
    if (!m_headerSemaphore)
        *result = E_OUTOFMEMORY;
}

CDupAllocator::~CDupAllocator()
{
    Decommit();
    FreeAll();
    if (m_headerSemaphore)
        CloseHandle(m_headerSemaphore);
}

CUnknown* CDupAllocator::CreateInstance(LPUNKNOWN outer, HRESULT* result) { return new CDupAllocator(outer, result); }

HRESULT STDMETHODCALLTYPE CDupAllocator::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IKLDupAllocator)
        return GetInterface(static_cast<IKLDupAllocator*>(this), object);
    return CBaseAllocator::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CDupAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    CheckPointer(request, E_POINTER);
    CheckPointer(actual, E_POINTER);
    CAutoLock lock(this);
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    if (request->cbAlign == 0 || (info.dwAllocationGranularity & static_cast<DWORD>(request->cbAlign - 1)))
        return VFW_E_BADALIGN;
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_lAllocated != m_lFree.GetCount())
        return VFW_E_BUFFERS_OUTSTANDING;
    m_lCount = request->cBuffers;
    m_lSize = request->cbBuffer;
    m_lAlignment = 1;
    m_lPrefix = 0;
    m_bChanged = TRUE;
    *actual = {m_lCount, m_lSize, 1, 0};
    return S_OK;
}

HRESULT CDupAllocator::Alloc()
{
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE)
        return S_OK;
    if (m_pool)
        FreeAll();
    const SIZE_T slice = static_cast<SIZE_T>(m_lSize) + static_cast<SIZE_T>(m_lPrefix);
    m_poolBytes = slice * static_cast<SIZE_T>(m_lCount);
    m_pool = static_cast<BYTE*>(VirtualAlloc(nullptr, m_poolBytes, MEM_COMMIT, PAGE_READWRITE));
    if (!m_pool)
        return E_OUTOFMEMORY;
    ++m_poolAllocations;
    for (LONG i = 0; i < m_lCount; ++i) {
        HRESULT created = S_OK;
        auto* sample = new (std::nothrow)
            CDupSample(this, &created, m_pool + m_lPrefix + slice * static_cast<SIZE_T>(i), m_lSize, false);
        if (!sample)
            return E_OUTOFMEMORY;
        m_lFree.Add(sample);
        ++m_lAllocated;
    }
    while (m_headerCount < std::max<int>(m_lCount, kMinimumHeaders)) {
        HRESULT created = S_OK;
        auto* header = new (std::nothrow) CDupSample(this, &created, nullptr, 0, true);
        if (!header)
            return E_OUTOFMEMORY;
        header->m_nextHeader = m_headers;
        m_headers = header;
        ++m_freeHeaders;
        ++m_headerCount;
    }
    m_bChanged = FALSE;
    return S_OK;
}

void CDupAllocator::FreeAll()
{
    while (CMediaSample* sample = m_lFree.RemoveHead())
        delete sample;
    while (CDupSample* header = m_headers) {
        m_headers = header->m_nextHeader;
        delete header;
    }
    if (m_pool)
        VirtualFree(m_pool, 0, MEM_RELEASE);
    m_pool = nullptr;
    m_poolBytes = 0;
    m_lAllocated = 0;
    m_freeHeaders = 0;
    m_headerCount = 0;
}

bool CDupAllocator::AllBack() const { return m_lFree.GetCount() == m_lAllocated && m_freeHeaders == m_headerCount; }

HRESULT STDMETHODCALLTYPE CDupAllocator::ReleaseBuffer(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    auto* returned = static_cast<CDupSample*>(static_cast<CMediaSample*>(static_cast<IMediaSample2*>(sample)));
    IMediaSample* source = nullptr;
    bool release = false;
    {
        CAutoLock lock(this);
        if (returned->IsHeader()) {
            source = returned->Forget();
            returned->m_nextHeader = m_headers;
            m_headers = returned;
            ++m_freeHeaders;
            if (m_headerWaiting) {
                ReleaseSemaphore(m_headerSemaphore, m_headerWaiting, nullptr);
                m_headerWaiting = 0;
            }
        } else {
            m_lFree.Add(returned);
            NotifySample();
        }
        if (m_bDecommitInProgress && AllBack()) {
            m_bDecommitInProgress = FALSE;
            release = true;
        }
    }
    // The source belongs to another allocator: released outside this lock.
    if (source)
        source->Release();
    if (release)
        Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDupAllocator::Decommit()
{
    bool release = false;
    {
        CAutoLock lock(this);
        if (!m_bCommitted && !m_bDecommitInProgress)
            return S_OK;
        if (!m_bCommitted)
            return S_OK;
        m_bCommitted = FALSE;
        if (!AllBack()) {
            m_bDecommitInProgress = TRUE;
        } else {
            m_bDecommitInProgress = FALSE;
            release = true;
        }
        NotifySample();
        if (m_headerWaiting) {
            ReleaseSemaphore(m_headerSemaphore, m_headerWaiting, nullptr);
            m_headerWaiting = 0;
        }
    }
    if (release)
        Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDupAllocator::GetDuplicate(IMediaSample** out, IMediaSample* source, DWORD flags)
{
    CheckPointer(out, E_POINTER);
    *out = nullptr;
    CheckPointer(source, E_POINTER);
    IMediaSample* copy = nullptr;
    HRESULT hr = GetBuffer(&copy, nullptr, nullptr, flags);
    if (FAILED(hr))
        return hr;
    hr = sample_copy::CopySample(source, copy, m_mmx);
    if (FAILED(hr)) {
        copy->Release();
        return hr;
    }
    *out = copy;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDupAllocator::GetDuplicateWait(IMediaSample** out, IMediaSample* source, DWORD flags)
{
    CheckPointer(out, E_POINTER);
    *out = nullptr;
    CDupSample* header = nullptr;
    for (;;) {
        {
            CAutoLock lock(this);
            if (!m_bCommitted)
                return VFW_E_NOT_COMMITTED;
            header = m_headers;
            if (header) {
                m_headers = header->m_nextHeader;
                header->m_nextHeader = nullptr;
                --m_freeHeaders;
            } else if (!(flags & AM_GBF_NOWAIT)) {
                ++m_headerWaiting;
            }
        }
        if (header)
            break;
        if (flags & AM_GBF_NOWAIT)
            return VFW_E_TIMEOUT;
        WaitForSingleObject(m_headerSemaphore, INFINITE);
    }
    header->m_cRef = 1;
    HRESULT hr = source ? header->Refer(source) : E_POINTER;
    if (FAILED(hr)) {
        header->Release();
        return hr;
    }
    *out = header;
    return S_OK;
}
