#pragma once
// The stream switcher: ten inputs and ten outputs, samples passed from
// input to output by a time schedule. An input that runs ahead of the
// current switch event is held back until every other routed input has
// caught up, a zero-length frame marks each switch on the output, video
// passes as zero-copy duplicates and audio and samples near a switch as
// copies.

#include <atomic>
#include <vector>

#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Switcher/PosRouteThru.h"
#include "Filters/Switcher/SwitchSchedule.h"

class CQORSwitcher;

class CSwitcherInputPin : public CBaseInputPin, public IKLUnblock {
public:
    CSwitcherInputPin(CQORSwitcher* filter, int index, HRESULT* result);
    ~CSwitcherInputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }

    // Releases a Receive that waits for the schedule; S_FALSE when it did
    // not leave within 100 ms.
    HRESULT STDMETHODCALLTYPE Unblock() override;
    HRESULT STDMETHODCALLTYPE SetRouted(BOOL) override { return E_NOTIMPL; }

    void Wake() { SetEvent(m_wake); }
    void Hold() { ResetEvent(m_wake); }
    const ALLOCATOR_PROPERTIES& Notified() const { return m_notified; }
    bool AllocatorReadOnly() const { return m_bReadOnly != FALSE; }

private:
    bool Flushing() const { return m_flushState != 0; }
    bool MayDeliver() const { return m_active && !m_unblocking; }
    void MarkDone(REFERENCE_TIME time, bool mayWait);
    HRESULT Deliver(IMediaSample* sample, bool timed, REFERENCE_TIME start, REFERENCE_TIME stop);
    HRESULT DeliverBoundary(IMediaSample* sample, REFERENCE_TIME at);

    CQORSwitcher* m_switcher;
    int m_index;
    HANDLE m_gate;
    HANDLE m_wake;
    std::atomic<LONG> m_currentOutput{-1};
    std::atomic<LONG> m_flushOutput{-1};
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_unblocking{false};
    std::atomic<int> m_flushState{0};
    std::atomic<bool> m_newSegment{false};
    std::atomic<bool> m_eventAdvanced{false};
    int m_copyCountdown = 0;
    ALLOCATOR_PROPERTIES m_notified{};
};

class CSwitcherOutputPin : public CBaseOutputPin {
public:
    CSwitcherOutputPin(CQORSwitcher* filter, int index, HRESULT* result);
    ~CSwitcherOutputPin() override;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT Active() override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT InitAllocator(IMemAllocator** allocator) override;
    // Drops samples out of time order with what went before.
    HRESULT Deliver(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override { return S_OK; }

    void ResetTimes();
    // Unblock on the pin downstream (or behind a two-pin filter there).
    HRESULT UnblockDownstream();
    void SetRoutedDownstream(BOOL routed);
    void MarkRouterStale();
    IMemAllocator* Allocator() const { return m_pAllocator; }
    int Index() const { return m_index; }

private:
    com::ComPtr<IKLUnblock> DownstreamUnblock();

    CQORSwitcher* m_switcher;
    int m_index;
    IUnknown* m_router = nullptr;
    PosRouteThru* m_routerObject = nullptr;
    CCritSec m_deliverLock;
    REFERENCE_TIME m_lastStart;
    REFERENCE_TIME m_lastStop;
};

class CQORSwitcher : public CBaseFilter,
                     public CPersistStream,
                     public IKLSwitcher,
                     public ISpecifyPropertyPages,
                     public IKLSeekNotify {
public:
    static constexpr int kMaxPins = 10;
    static constexpr DWORD kMagic = 0x7F7F7F7F;

    CQORSwitcher(LPUNKNOWN outer, HRESULT* result);
    ~CQORSwitcher() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    int GetPinCount() override;
    CBasePin* GetPin(int index) override;
    LPAMOVIESETUP_FILTER GetSetupData() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;

    // IPersistStream (through CPersistStream)
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return CBaseFilter::GetClassID(clsid); }
    HRESULT WriteToStream(IStream* stream) override;
    // A truncated or unknown stream, or one of other pin counts, fails and
    // changes nothing.
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override;

    // IKLSwitcher; every edit marks the filter changed for persistence.
    HRESULT STDMETHODCALLTYPE SetPinCount(int inputs, int outputs) override;
    HRESULT STDMETHODCALLTYPE SetEventCount(int count) override;
    HRESULT STDMETHODCALLTYPE GetEventCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetPinCount(int* inputs, int* outputs) override;
    // E_FAIL for a type that differs from the connection or from the
    // type already set.
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetEvent(int index, const REFERENCE_TIME* end, const short* map) override;
    HRESULT STDMETHODCALLTYPE GetEvent(int index, REFERENCE_TIME* end, short* map) override;
    HRESULT STDMETHODCALLTYPE SetTypeRestriction(const GUID* major, const GUID* sub) override;
    HRESULT STDMETHODCALLTYPE GetTypeRestriction(GUID* major, GUID* sub) override;
    HRESULT STDMETHODCALLTYPE RouteSeconds(int input, int output, double start, double stop) override;
    HRESULT STDMETHODCALLTYPE Route(int input, int output, REFERENCE_TIME start, REFERENCE_TIME stop) override;
    HRESULT STDMETHODCALLTYPE SetLastSwitch(BOOL last) override;
    HRESULT STDMETHODCALLTYPE IsLastSwitchClear() override;
    HRESULT STDMETHODCALLTYPE GetScheduleValue(int* index) override;

    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;
    HRESULT STDMETHODCALLTYPE SetStartPosition(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE Reserved() override { return E_NOTIMPL; }

    // For the pins.
    CCritSec* Lock() { return &m_lock; }
    CSwitchSchedule& Schedule() { return m_schedule; }
    bool Running() const { return m_running; }
    bool LastSwitch() const { return m_lastSwitch; }
    bool Mmx() const { return m_mmx; }
    BOOL ReadOnly() const { return m_readOnly; }
    const ALLOCATOR_PROPERTIES& Largest() const { return m_largest; }
    HRESULT FilterType(CMediaType* type);
    HRESULT CheckType(const CMediaType* type);
    CSwitcherOutputPin* Output(int index) { return index >= 0 && index < m_outputCount ? m_outputs[index] : nullptr; }
    void Resync(bool pendingOnly);
    void EndExhaustedOutputs();
    void UpdateGates(int cause);
    // Recomputes the largest allocator properties and the read-only flag
    // (with `pin` counted as connected); reconnects the outputs when they
    // changed or grew.
    void AllocatorsChanged(CSwitcherInputPin* pin);
    void ConnectionsChanged();

private:
    CCritSec m_lock;
    CCritSec m_seekLock;
    int m_inputCount = 0;
    int m_outputCount = 0;
    CSwitcherInputPin* m_inputs[kMaxPins] = {};
    CSwitcherOutputPin* m_outputs[kMaxPins] = {};
    CSwitchSchedule m_schedule;
    CMediaType* m_type = nullptr;
    GUID m_major = GUID_NULL;
    GUID m_sub = GUID_NULL;
    std::atomic<bool> m_lastSwitch{false};
    std::atomic<bool> m_running{false};
    BOOL m_readOnly = FALSE;
    ALLOCATOR_PROPERTIES m_largest{};
    REFERENCE_TIME m_pendingSeek = 0;
    bool m_seekPending = false;
    bool m_mmx;
};
