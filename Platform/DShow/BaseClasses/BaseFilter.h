#pragma once
// CBaseFilter: a filter with a lock, a state, a reference clock and a fixed
// or computed set of pins. Derived classes supply GetPinCount and GetPin.

#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/Locks.h"
#include "Platform/DShow/BaseClasses/RefTime.h"
#include "Platform/Win/Base/Atomic.h"

class CBasePin;

// A filter's registration record (the filter mapper's REGFILTER2 data).
struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    LPCWSTR strName;
    DWORD dwMerit;
    UINT nPins;
    const REGFILTERPINS* lpPin;
};
using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
using AMOVIESETUP_PIN = REGFILTERPINS;
using LPAMOVIESETUP_FILTER = AMOVIESETUP_FILTER*;

// Registers (or with registering FALSE unregisters) a filter's setup record
// in the legacy filter category through the filter mapper; a null mapper
// makes one (CLSID_FilterMapper2) for the call.
HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper, BOOL registering);

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    // `lock` is the filter lock shared with the pins; the filter does not
    // own it.
    CBaseFilter(LPCTSTR name, LPUNKNOWN outer, CCritSec* lock, REFCLSID clsid);
    CBaseFilter(LPCTSTR name, LPUNKNOWN outer, CCritSec* lock, REFCLSID clsid, HRESULT* result);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;

    // IMediaFilter. Stop deactivates the connected pins, Pause activates
    // them when coming from Stopped, Run pauses first when stopped and
    // then runs the connected pins with the start time.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    // The pin whose name is `id`.
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    // Keeps the graph and its IMediaEventSink without references: the
    // graph owns the filter, not the other way round.
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

    // IAMovieSetup: registers GetSetupData() with the filter mapper.
    HRESULT STDMETHODCALLTYPE Register() override;
    HRESULT STDMETHODCALLTYPE Unregister() override;

    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int index) = 0;
    virtual LPAMOVIESETUP_FILTER GetSetupData() { return nullptr; }

    // Stream time: the clock's time less the run start; VFW_E_NO_CLOCK.
    virtual HRESULT StreamTime(CRefTime& streamTime);
    // The start time Run was last given, for the streaming threads, which
    // read it without the filter lock.
    REFERENCE_TIME RunStartTime() const { return m_tRunStart.load(); }
    // Sends an event to the graph; an EC_COMPLETE carries this filter as
    // its second parameter. E_NOTIMPL outside a graph.
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    // Asks the graph to reconnect `pin` (with `type` when given).
    HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type);

    BOOL IsActive();
    BOOL IsStopped() { return m_State == State_Stopped; }
    IFilterGraph* GetFilterGraph() { return m_pGraph; }
    LPCWSTR QueryFilterName() { return m_pFilterName; }
    virtual LONG GetPinVersion() { return m_PinVersion; }
    void IncrementPinVersion();

protected:
    friend class CBasePin;

    // Read by streaming threads without the filter lock.
    win::Atomic<FILTER_STATE> m_State{State_Stopped};
    IReferenceClock* m_pClock = nullptr;
    // Under the filter lock; streaming threads read RunStartTime().
    CRefTime m_tStart;
    CLSID m_clsid;
    CCritSec* m_pLock;
    LPWSTR m_pFilterName = nullptr;
    IFilterGraph* m_pGraph = nullptr;
    IMediaEventSink* m_pSink = nullptr;
    LONG volatile m_PinVersion = 1;

private:
    // m_tStart as Run set it, before any pin runs.
    win::Atomic<REFERENCE_TIME> m_tRunStart{0};
};
