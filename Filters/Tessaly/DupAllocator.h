#pragma once
// The duplicating allocator: a memory allocator whose samples either own a
// slice of one pool or are buffer-less headers over another sample's
// buffer, so that the switcher passes samples on without copying them.

#include "Filters/Common/PluginInterfaces.h"

class CDupAllocator;

class CDupSample : public CMediaSample {
public:
    CDupSample(CDupAllocator* allocator, HRESULT* result, LPBYTE buffer, LONG length, bool header);
    ~CDupSample() override;

    bool IsHeader() const { return m_header; }
    // Points the header at `source`'s buffer and holds source.
    HRESULT Refer(IMediaSample* source);
    // Forgets the referenced sample and hands it to the caller to release.
    IMediaSample* Forget();

private:
    friend class CDupAllocator;
    bool m_header;
    IMediaSample* m_referenced = nullptr;
    CDupSample* m_nextHeader = nullptr;
};

class CDupAllocator : public CBaseAllocator, public IKLDupAllocator {
public:
    CDupAllocator(LPUNKNOWN outer, HRESULT* result);
    ~CDupAllocator() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // Alignment 1 and prefix 0, whatever was asked.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;
    // Also wakes threads waiting for a header: they fail with
    // VFW_E_NOT_COMMITTED.
    HRESULT STDMETHODCALLTYPE Decommit() override;

    HRESULT STDMETHODCALLTYPE GetDuplicate(IMediaSample** out, IMediaSample* source, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetDuplicateWait(IMediaSample** out, IMediaSample* source, DWORD flags) override;

    // For the tests: how many headers exist, and whether the last commit
    // made a new pool.
    int HeaderCount() const { return m_headerCount; }
    int PoolAllocations() const { return m_poolAllocations; }

protected:
    HRESULT Alloc() override;
    // Decommit keeps the pool; it goes with the next change of properties.
    void Free() override {}

private:
    void FreeAll();
    bool AllBack() const;

    bool m_mmx;
    BYTE* m_pool = nullptr;
    SIZE_T m_poolBytes = 0;
    CDupSample* m_headers = nullptr;
    int m_freeHeaders = 0;
    int m_headerCount = 0;
    HANDLE m_headerSemaphore;
    LONG m_headerWaiting = 0;
    int m_poolAllocations = 0;
};
