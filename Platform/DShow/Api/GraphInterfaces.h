#pragma once
// The interfaces of the filter graph manager and the runtime's helpers:
// building and controlling graphs, events, positions, the filter mapper,
// device enumeration, and the control interfaces of a few system filters.
// Methods are declared in their real slot order.

#include "Platform/Com/Com.h"
#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/DShow/Api/FilterInterfaces.h"

DEFINE_GUID(IID_IFilterGraph, 0x56A8689F, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEventSink, 0x56A868A2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IFileSourceFilter, 0x56A868A6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IGraphBuilder, 0x56A868A9, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaControl, 0x56A868B1, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaPosition, 0x56A868B2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEvent, 0x56A868B6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEventEx, 0x56A868C0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IFilterGraph2, 0x36B73882, 0xC2C8, 0x11CF, 0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60);
DEFINE_GUID(IID_IFilterMapper2, 0xB79BB0B0, 0x33C1, 0x11D1, 0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75);
DEFINE_GUID(IID_ICreateDevEnum, 0x29840822, 0x5B84, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(IID_IAMCrossbar, 0xC6E13380, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56);
DEFINE_GUID(IID_IIPDVDec, 0xB8E8BD60, 0x0BFE, 0x11D0, 0xAF, 0x91, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42);

struct IEnumFilters : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumFilters** clone) = 0;
};

struct IFilterGraph : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT STDMETHODCALLTYPE Connect(IPin* output, IPin* input) = 0;
    virtual HRESULT STDMETHODCALLTYPE Render(IPin* output) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE ShouldOperationContinue() = 0;
};

struct IFilterGraph2 : IGraphBuilder {
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context,
                                                                LPCWSTR filterName, IBaseFilter** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderEx(IPin* output, DWORD flags, DWORD* context) = 0;
};

struct IMediaControl : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Run() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(LONG milliseconds, OAFilterState* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderFile(BSTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR file, IDispatch** filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopWhenReady() = 0;
};

struct IMediaEvent : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* event) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2,
                                               LONG milliseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG milliseconds, LONG* code) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelDefaultHandling(LONG code) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(LONG code) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
    virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNotifyFlags(LONG* flags) = 0;
};

struct IMediaEventSink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaPosition : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Rate(double rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Rate(double* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSeekForward(LONG* canSeek) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG* canSeek) = 0;
};

struct IFilterMapper2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* category, LPCOLESTR instance,
                                                       REFCLSID filter) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker,
                                                     const CLSID* category, LPCOLESTR instance,
                                                     const REGFILTER2* description) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumMoniker** monikers, DWORD flags, BOOL exactMatch,
                                                          DWORD merit, BOOL inputNeeded, DWORD inputTypeCount,
                                                          const GUID* inputTypes, const REGPINMEDIUM* inputMedium,
                                                          const CLSID* inputCategory, BOOL render,
                                                          BOOL outputNeeded, DWORD outputTypeCount,
                                                          const GUID* outputTypes, const REGPINMEDIUM* outputMedium,
                                                          const CLSID* outputCategory) = 0;
};

struct IFileSourceFilter : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) = 0;
};

struct ICreateDevEnum : IUnknown {
    // S_FALSE (and a null enumerator) when the category has no device.
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers,
                                                            DWORD flags) = 0;
};

struct IAMCrossbar : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputs, LONG* inputs) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanRoute(LONG output, LONG input) = 0;
    virtual HRESULT STDMETHODCALLTYPE Route(LONG output, LONG input) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsRoutedTo(LONG output, LONG* input) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* relatedIndex,
                                                          LONG* physicalType) = 0;
};

struct IIPDVDec : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IPDisplay(int* displayPixels) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IPDisplay(int displayPixels) = 0;
};

// Playback system filters: the file source's reader and the audio
// renderer's volume.
DEFINE_GUID(IID_IAsyncReader, 0x56A868AA, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IBasicAudio, 0x56A868B3, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);

struct IAsyncReader : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                                       IMemAllocator** actual) = 0;
    virtual HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
};

struct IBasicAudio : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE put_Volume(long volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Volume(long* volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Balance(long balance) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Balance(long* balance) = 0;
};
