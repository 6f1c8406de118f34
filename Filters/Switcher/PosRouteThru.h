#pragma once
// The seeking router of the switcher's output pins: positions are read from
// the first input whose upstream pin can seek and every change is sent to
// all of them; a successful seek tells the switcher where the stream now
// starts. Also the switcher's rule for two media types being the same.

#include <atomic>
#include <vector>

#include "Filters/Common/PluginInterfaces.h"

// S_OK when the major types, subtypes and format types are equal and, for
// VIDEOINFOHEADER formats, the frame duration, width, height and bit
// count (either block missing counts as equal), for other formats the
// blocks byte for byte; E_FAIL otherwise.
HRESULT CompareMediaTypes(const AM_MEDIA_TYPE* a, const AM_MEDIA_TYPE* b);

class PosRouteThru : public CMediaPosition, public IMediaSeeking {
public:
    // `outer` is the output pin that owns the router; `switcher` is not
    // referenced (it outlives its pins).
    PosRouteThru(LPUNKNOWN outer, IBaseFilter* switcher, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // The switcher's connections changed: the pin list is rebuilt on the
    // next call.
    void SetStale() { m_stale = true; }
    virtual HRESULT GetMediaTime(LONGLONG*, LONGLONG*) { return E_FAIL; }

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override;

    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
    // Only a seek that reached every input moves the switcher's schedule.
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE put_Rate(double rate) override;
    HRESULT STDMETHODCALLTYPE get_Rate(double* rate) override;
    HRESULT STDMETHODCALLTYPE CanSeekForward(LONG* canSeek) override;
    HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG* canSeek) override;

private:
    HRESULT Rebuild();
    // The upstream pin of list entry `index` as `iid`.
    HRESULT Peer(size_t index, REFIID iid, void** peer);
    size_t PeerCount();
    template <typename Call> HRESULT OnFirstSeeking(Call call);
    template <typename Call> HRESULT OnFirstPosition(Call call);
    template <typename Call> HRESULT OnEverySeeking(Call call);
    template <typename Call> HRESULT OnEveryPosition(Call call);
    void NotifyStart(REFERENCE_TIME start);

    IBaseFilter* m_switcher;
    std::vector<IPin*> m_pins;
    std::atomic<bool> m_stale{true};
    CCritSec m_lock;
};
