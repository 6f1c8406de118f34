#pragma once
// Allocators of media samples.
//
// CBaseAllocator keeps a free list of samples and hands them out from
// GetBuffer, blocking until one comes back unless AM_GBF_NOWAIT. Commit
// allocates (through Alloc) and holds a reference on the allocator itself;
// Decommit wakes every waiting GetBuffer (which then fails with
// VFW_E_NOT_COMMITTED) and, once every sample is back, frees (through Free)
// and drops that reference.
//
// CMemAllocator allocates one block for all buffers and keeps it across
// decommits until the properties change.

#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/Locks.h"
#include "Platform/DShow/BaseClasses/MediaSample.h"

class CBaseAllocator : public CUnknown, public IMemAllocator, public CCritSec {
public:
    CBaseAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, BOOL event = TRUE,
                   BOOL enableReleaseCallback = FALSE);
    ~CBaseAllocator() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // VFW_E_ALREADY_COMMITTED while committed, VFW_E_BUFFERS_OUTSTANDING
    // while samples are out.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    // VFW_E_NOT_COMMITTED when not committed (also when decommitted while
    // waiting), VFW_E_TIMEOUT with AM_GBF_NOWAIT and no free sample.
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

    // A list of samples linked through their m_pNext.
    class CSampleList {
    public:
        int GetCount() const { return m_nOnList; }
        CMediaSample* Head() const { return m_List; }
        CMediaSample* Next(CMediaSample* sample) const { return CMediaSample::NextSample(sample); }
        void Add(CMediaSample* sample);
        CMediaSample* RemoveHead();
        void Remove(CMediaSample* sample);

    private:
        CMediaSample* m_List = nullptr;
        int m_nOnList = 0;
    };

protected:
    // Wakes the threads waiting in GetBuffer; call with the lock held.
    void NotifySample();
    void SetWaiting() { ++m_lWaiting; }

    // Checks the properties: VFW_E_SIZENOTSET when incomplete, S_FALSE when
    // nothing changed since the last allocation, S_OK otherwise.
    virtual HRESULT Alloc();
    virtual void Free() = 0;

    CSampleList m_lFree;
    HANDLE m_hSem;
    LONG m_lWaiting = 0;
    LONG m_lCount = 0;
    LONG m_lAllocated = 0;
    LONG m_lSize = 0;
    LONG m_lAlignment = 0;
    LONG m_lPrefix = 0;
    BOOL m_bChanged = FALSE;
    BOOL m_bCommitted = FALSE;
    BOOL m_bDecommitInProgress = FALSE;
};

class CMemAllocator : public CBaseAllocator {
public:
    CMemAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result);
    ~CMemAllocator() override;

    // VFW_E_BADALIGN for an alignment of 0 or one whose (alignment - 1)
    // has a bit of the system's allocation granularity set; sizes are
    // rounded up so that every buffer (after its prefix) is aligned.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;

    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

protected:
    HRESULT Alloc() override;
    // The memory stays until the properties change or the allocator goes.
    void Free() override {}
    void ReallyFree();

    LPBYTE m_pBuffer = nullptr;
    SIZE_T m_bufferBytes = 0;
};

// A new memory allocator with one reference.
HRESULT CreateMemoryAllocator(IMemAllocator** allocator);
