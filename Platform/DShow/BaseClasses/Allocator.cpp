#include "Platform/DShow/BaseClasses/Allocator.h"

#include <climits>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/Win/Kernel/Memory.h"

void CBaseAllocator::CSampleList::Add(CMediaSample* sample)
{
    CMediaSample::NextSample(sample) = m_List;
    m_List = sample;
    ++m_nOnList;
}

CMediaSample* CBaseAllocator::CSampleList::RemoveHead()
{
    CMediaSample* sample = m_List;
    if (sample) {
        m_List = CMediaSample::NextSample(sample);
        CMediaSample::NextSample(sample) = nullptr;
        --m_nOnList;
    }
    return sample;
}

void CBaseAllocator::CSampleList::Remove(CMediaSample* sample)
{
    for (CMediaSample** link = &m_List; *link; link = &CMediaSample::NextSample(*link)) {
        if (*link == sample) {
            *link = CMediaSample::NextSample(sample);
            CMediaSample::NextSample(sample) = nullptr;
            --m_nOnList;
            return;
        }
    }
}

CBaseAllocator::CBaseAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, BOOL event, BOOL)
    : CUnknown(name, outer), m_hSem(nullptr)
{
    if (event) {
        m_hSem = CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr);
        if (!m_hSem && result)
            *result = E_OUTOFMEMORY;
    }
}

CBaseAllocator::~CBaseAllocator()
{
    if (m_hSem)
        CloseHandle(m_hSem);
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMemAllocator)
        return GetInterface(static_cast<IMemAllocator*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    CheckPointer(request, E_POINTER);
    CheckPointer(actual, E_POINTER);
    CAutoLock lock(this);
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_lAllocated != m_lFree.GetCount())
        return VFW_E_BUFFERS_OUTSTANDING;
    m_lCount = request->cBuffers;
    m_lSize = request->cbBuffer;
    m_lAlignment = request->cbAlign;
    m_lPrefix = request->cbPrefix;
    m_bChanged = TRUE;
    *actual = *request;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties)
{
    CheckPointer(properties, E_POINTER);
    CAutoLock lock(this);
    properties->cBuffers = m_lCount;
    properties->cbBuffer = m_lSize;
    properties->cbAlign = m_lAlignment;
    properties->cbPrefix = m_lPrefix;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Commit()
{
    CAutoLock lock(this);
    if (m_bCommitted)
        return S_OK;
    m_bCommitted = TRUE;
    // Samples of an unfinished decommit are still there to be used.
    if (m_bDecommitInProgress) {
        m_bDecommitInProgress = FALSE;
        return S_OK;
    }
    HRESULT hr = Alloc();
    if (FAILED(hr)) {
        m_bCommitted = FALSE;
        return hr;
    }
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Decommit()
{
    bool release = false;
    {
        CAutoLock lock(this);
        if (!m_bCommitted)
            return S_OK;
        m_bCommitted = FALSE;
        if (m_lFree.GetCount() < m_lAllocated) {
            m_bDecommitInProgress = TRUE;
        } else {
            m_bDecommitInProgress = FALSE;
            Free();
            release = true;
        }
        NotifySample();
    }
    if (release)
        Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                                    DWORD flags)
{
    CheckPointer(sample, E_POINTER);
    *sample = nullptr;
    CMediaSample* found = nullptr;
    for (;;) {
        {
            CAutoLock lock(this);
            if (!m_bCommitted)
                return VFW_E_NOT_COMMITTED;
            found = m_lFree.RemoveHead();
            if (!found) {
                if (flags & AM_GBF_NOWAIT)
                    return VFW_E_TIMEOUT;
                SetWaiting();
            }
        }
        if (found)
            break;
        WaitForSingleObject(m_hSem, INFINITE);
    }
    found->m_cRef = 1;
    *sample = found;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::ReleaseBuffer(IMediaSample* sample)
{
    CheckPointer(sample, E_POINTER);
    bool release = false;
    {
        CAutoLock lock(this);
        m_lFree.Add(static_cast<CMediaSample*>(sample));
        NotifySample();
        if (m_bDecommitInProgress && m_lFree.GetCount() == m_lAllocated) {
            Free();
            m_bDecommitInProgress = FALSE;
            release = true;
        }
    }
    if (release)
        Release();
    return S_OK;
}

void CBaseAllocator::NotifySample()
{
    if (m_lWaiting != 0) {
        ReleaseSemaphore(m_hSem, m_lWaiting, nullptr);
        m_lWaiting = 0;
    }
}

HRESULT CBaseAllocator::Alloc()
{
    if (m_lCount <= 0 || m_lSize <= 0 || m_lAlignment <= 0)
        return VFW_E_SIZENOTSET;
    return m_bChanged ? S_OK : S_FALSE;
}

CMemAllocator::CMemAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result)
    : CBaseAllocator(name, outer, result, TRUE, FALSE)
{
}

CMemAllocator::~CMemAllocator()
{
    Decommit();
    ReallyFree();
}

CUnknown* CMemAllocator::CreateInstance(LPUNKNOWN outer, HRESULT* result)
{
    return new CMemAllocator(NAME("CMemAllocator"), outer, result);
}

HRESULT STDMETHODCALLTYPE CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    CheckPointer(request, E_POINTER);
    CheckPointer(actual, E_POINTER);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    LONG align = request->cbAlign;
    if (align <= 0 || (info.dwAllocationGranularity & static_cast<DWORD>(align - 1)) != 0)
        return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0)
        return E_INVALIDARG;
    CAutoLock lock(this);
    if (m_bCommitted)
        return VFW_E_ALREADY_COMMITTED;
    if (m_lAllocated != m_lFree.GetCount())
        return VFW_E_BUFFERS_OUTSTANDING;
    LONGLONG size = static_cast<LONGLONG>(request->cbBuffer) + request->cbPrefix;
    if (size % align)
        size += align - size % align;
    if (size > INT_MAX)
        return E_OUTOFMEMORY;
    m_lCount = request->cBuffers;
    m_lSize = static_cast<LONG>(size) - request->cbPrefix;
    m_lAlignment = align;
    m_lPrefix = request->cbPrefix;
    m_bChanged = TRUE;
    actual->cBuffers = m_lCount;
    actual->cbBuffer = m_lSize;
    actual->cbAlign = m_lAlignment;
    actual->cbPrefix = m_lPrefix;
    return S_OK;
}

HRESULT CMemAllocator::Alloc()
{
    CAutoLock lock(this);
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE)
        return S_OK;
    if (m_pBuffer)
        ReallyFree();
    LONGLONG stride = static_cast<LONGLONG>(m_lSize) + m_lPrefix;
    LONGLONG total = stride * m_lCount;
    if (total <= 0 || total > (1LL << 40))
        return E_OUTOFMEMORY;
    m_pBuffer = static_cast<LPBYTE>(VirtualAlloc(nullptr, static_cast<SIZE_T>(total), MEM_COMMIT, PAGE_READWRITE));
    if (!m_pBuffer)
        return E_OUTOFMEMORY;
    m_bufferBytes = static_cast<SIZE_T>(total);
    LPBYTE next = m_pBuffer;
    for (LONG i = 0; i < m_lCount; ++i, next += stride) {
        auto* sample = new CMediaSample(NAME("Default memory media sample"), this, &hr, next + m_lPrefix, m_lSize);
        m_lFree.Add(sample);
        ++m_lAllocated;
    }
    m_bChanged = FALSE;
    return S_OK;
}

void CMemAllocator::ReallyFree()
{
    // Every sample is back on the free list: Decommit saw to it.
    while (CMediaSample* sample = m_lFree.RemoveHead())
        delete sample;
    m_lAllocated = 0;
    if (m_pBuffer) {
        VirtualFree(m_pBuffer, 0, MEM_RELEASE);
        m_pBuffer = nullptr;
        m_bufferBytes = 0;
    }
}

HRESULT CreateMemoryAllocator(IMemAllocator** allocator)
{
    CheckPointer(allocator, E_POINTER);
    *allocator = nullptr;
    HRESULT hr = S_OK;
    auto* created = new CMemAllocator(NAME("CMemAllocator"), nullptr, &hr);
    if (FAILED(hr)) {
        delete created;
        return hr;
    }
    created->NonDelegatingAddRef();
    hr = created->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(allocator));
    created->NonDelegatingRelease();
    return hr;
}
