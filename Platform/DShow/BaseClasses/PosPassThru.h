#pragma once
// Seeking through filters: CMediaPosition (IMediaPosition with a dispatch
// stub), CPosPassThru (IMediaSeeking and IMediaPosition answered by the pin
// connected to a given pin, that is, passed upstream) and
// CRendererPosPassThru (the same for a renderer, which can report the
// times of the last sample it was given).

#include "Platform/DShow/Api/GraphInterfaces.h"
#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/DShow/BaseClasses/Locks.h"

// IDispatch without type information: nothing in the system automates the
// position interfaces, so there is no type library.
class CBaseDispatch {
public:
    HRESULT GetTypeInfoCount(UINT* count);
    HRESULT GetTypeInfo(REFIID riid, UINT index, LCID locale, ITypeInfo** info);
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
};

class CMediaPosition : public CUnknown, public IMediaPosition {
public:
    CMediaPosition(LPCTSTR name, LPUNKNOWN outer);
    CMediaPosition(LPCTSTR name, LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

protected:
    CBaseDispatch m_basedisp;
};

class CPosPassThru : public IMediaSeeking, public CMediaPosition {
public:
    // `pin` is the pin whose connected pin answers; it is not referenced.
    CPosPassThru(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, IPin* pin);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IMediaSeeking, passed to the peer; E_NOTIMPL without one.
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    // GetMediaTime when it succeeds, else the peer's position.
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    // E_INVALIDARG for a rate of 0.
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override;

    // IMediaPosition, passed to the peer's IMediaPosition.
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
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

    // The media time of what the filter has reached; E_FAIL here.
    virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop);

protected:
    HRESULT GetPeer(IMediaPosition** peer);
    HRESULT GetPeerSeeking(IMediaSeeking** peer);

    IPin* m_pPin;
};

class CRendererPosPassThru : public CPosPassThru {
public:
    CRendererPosPassThru(LPCTSTR name, LPUNKNOWN outer, HRESULT* result, IPin* pin);

    // Records the times of the sample being rendered (its stream times)
    // as the current position.
    HRESULT RegisterMediaTime(IMediaSample* sample);
    HRESULT RegisterMediaTime(LONGLONG start, LONGLONG stop);
    // Forgets the recorded times (after a seek or a stop).
    HRESULT ResetMediaTime();
    // At end of stream the position becomes the stop position.
    HRESULT EOS();
    HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) override;

private:
    CCritSec m_PositionLock;
    LONGLONG m_StartMedia = 0;
    LONGLONG m_EndMedia = 0;
    BOOL m_bReset = TRUE;
};

// A pass-through aggregated by `outer` over `pin` (a CRendererPosPassThru
// when `renderer`), returned as its inner unknown with one reference.
HRESULT CreatePosPassThru(LPUNKNOWN outer, BOOL renderer, IPin* pin, IUnknown** passThru);
