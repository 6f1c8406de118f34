#pragma once
// The plug-ins' private COM interfaces, method by method in slot order,
// shared by the plug-ins and the program that drives them.

#include "Platform/DShow/DShow.h"

DEFINE_GUID(IID_IKLUnblock, 0xB2F66400, 0x02E3, 0x11D3, 0x88, 0x8D, 0x00, 0x80, 0xC8, 0x2D, 0x90, 0x47);
DEFINE_GUID(IID_IKLFrameGrab, 0xD77770E3, 0x0DB0, 0x11D2, 0x85, 0xC0, 0x00, 0x80, 0xC8, 0x75, 0x47, 0x29);
DEFINE_GUID(IID_IKLSewer, 0xB0623B60, 0x8FB4, 0x11D4, 0xA1, 0xFC, 0x00, 0xA0, 0xC9, 0x39, 0x4D, 0x5B);
DEFINE_GUID(IID_IKLDupAllocator, 0x2260A681, 0x06D0, 0x11D3, 0x88, 0x8D, 0x00, 0x80, 0xC8, 0x2D, 0x90, 0x47);
DEFINE_GUID(IID_IKLSwitcher, 0x6E6EF3C5, 0xAAEA, 0x11D2, 0x98, 0x3B, 0x00, 0x80, 0xC8, 0x45, 0xF2, 0x83);
DEFINE_GUID(IID_IKLSeekNotify, 0xD01E33C0, 0x039F, 0x11D3, 0x88, 0x8D, 0x00, 0x80, 0xC8, 0x2D, 0x90, 0x47);
DEFINE_GUID(IID_IKLSceneDetector, 0x141E7AB7, 0x0B2E, 0x11D4, 0x80, 0x2B, 0x00, 0xA0, 0xC9, 0x70, 0x09, 0xDE);
DEFINE_GUID(IID_IKLBeepRemover, 0xAD921471, 0xE06A, 0x11D1, 0xBD, 0x94, 0x00, 0x80, 0xC8, 0x58, 0x58, 0x69);
DEFINE_GUID(IID_IKLAudioFilter, 0xFFCC7D60, 0xB848, 0x11D1, 0xBD, 0x6B, 0x00, 0x80, 0xC8, 0x58, 0x58, 0x69);

// Stream identifier of the zero-length frames the switcher inserts at a
// switch; such samples are never forwarded by a switcher input.
constexpr DWORD KL_BOUNDARY_STREAM_ID = 0x80000000;

struct IKLUnblock : IUnknown {
    // Releases a Receive that waits for the schedule.
    virtual HRESULT STDMETHODCALLTYPE Unblock() = 0;
    // Whether the pin carries data in the current switch event.
    virtual HRESULT STDMETHODCALLTYPE SetRouted(BOOL routed) = 0;
};

struct IKLFrameGrab : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetFormatInfo(GUID* formatType, DWORD* formatSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFormat(BYTE* buffer, DWORD bufferSize) = 0;
    // time: in the wanted time, out the start of the frame returned.
    virtual HRESULT STDMETHODCALLTYPE GetFrame(REFERENCE_TIME* time, REFERENCE_TIME* endTime, BYTE* buffer,
                                               DWORD bufferSize, DWORD* bytesCopied) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSample(REFERENCE_TIME* time, REFERENCE_TIME* endTime,
                                                IMediaSample** sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE DropSample(REFERENCE_TIME time, BOOL* dropped) = 0;
};

struct IKLSewer : IUnknown {
    // The limit, as the two halves of one REFERENCE_TIME.
    virtual HRESULT STDMETHODCALLTYPE Set(int low, int high) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimes(REFERENCE_TIME* keyFrameStart, REFERENCE_TIME* lastStart) = 0;
};

struct IKLDupAllocator : IUnknown {
    // A pooled sample holding a copy of source's data and properties.
    virtual HRESULT STDMETHODCALLTYPE GetDuplicate(IMediaSample** out, IMediaSample* source, DWORD flags) = 0;
    // A header over source's own buffer; source is held until it returns.
    virtual HRESULT STDMETHODCALLTYPE GetDuplicateWait(IMediaSample** out, IMediaSample* source, DWORD flags) = 0;
};

struct IKLSwitcher : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetPinCount(int inputs, int outputs) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEventCount(int count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEventCount(int* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPinCount(int* inputs, int* outputs) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEvent(int index, const REFERENCE_TIME* end, const short* map) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEvent(int index, REFERENCE_TIME* end, short* map) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTypeRestriction(const GUID* major, const GUID* sub) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeRestriction(GUID* major, GUID* sub) = 0;
    virtual HRESULT STDMETHODCALLTYPE RouteSeconds(int input, int output, double start, double stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE Route(int input, int output, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLastSwitch(BOOL last) = 0;
    // 1 when the flag is clear, 0 when it is set.
    virtual HRESULT STDMETHODCALLTYPE IsLastSwitchClear() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScheduleValue(int* index) = 0;
};

struct IKLSeekNotify : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetStartPosition(REFERENCE_TIME start) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
};

struct IKLSceneDetector : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SeekTo(double seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPosition(double* position, double* duration, int* scenes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParameters(double sensitivity, double windowSeconds, BOOL sampleTimes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParameters(double* sensitivity, double* windowSeconds) = 0;
    // Index -100 gives the time of the last analysed frame.
    virtual HRESULT STDMETHODCALLTYPE GetScene(int index, double* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartAnalysis() = 0;
    virtual HRESULT STDMETHODCALLTYPE StopAnalysis() = 0;
    virtual HRESULT STDMETHODCALLTYPE GoToScene(int offset) = 0;
    virtual HRESULT STDMETHODCALLTYPE StepFrames(int frames) = 0;
    virtual HRESULT STDMETHODCALLTYPE AttachGraph() = 0;
    virtual HRESULT STDMETHODCALLTYPE DetachGraph() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetUsePosition(BOOL usePosition) = 0;
};

struct IKLBeepRemover : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLevel(int* level) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLevel(int level) = 0;
};

struct IKLAudioFilter : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFilterType(int type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFilterType(int* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputChannels(int* channels) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGainsPerChannel(int* gains) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputBits(int* bits) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputRate(int* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputChannels(int* channels) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputRate(int* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputBits(int* bits) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelFlag(int channel, BYTE* flag) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFFTLength(int length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFFTLength(int* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputChannels(int channels) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputBits(int bits) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputRate(int rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDither(BYTE dither) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDither(BYTE* dither) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGain(float decibels) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetChannelGains(const int* values, int ignored) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelGains(int* values) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved1(int, int) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2(int, int) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBandPoints(int count, const float* frequencies) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBandLevel(int ignored, int band, float decibels) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBandPoints(int* count, float* frequencies) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBandLevel(int ignored, int band, float* decibels) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReverb(const char* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDSPEnabled(BYTE enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDSPEnabled(BYTE* enabled) = 0;
};

// ---- push source, still capture and sequence capture

DEFINE_GUID(IID_IKLPushSource, 0xADA54BA0, 0x288C, 0x11D3, 0xBB, 0x4B, 0x00, 0x80, 0xC8, 0x53, 0x6D, 0x1D);
DEFINE_GUID(IID_IKLFrameCap, 0x7F3EC4E2, 0x470E, 0x11D2, 0x85, 0xC1, 0x00, 0x80, 0xC8, 0x45, 0xF2, 0x83);
DEFINE_GUID(IID_IKLFrameGiver, 0x095B04A2, 0x44F2, 0x11D2, 0x85, 0xC1, 0x00, 0x80, 0xC8, 0x45, 0xF2, 0x83);
DEFINE_GUID(IID_FrameReceiver, 0x095B04A1, 0x44F2, 0x11D2, 0x85, 0xC1, 0x00, 0x80, 0xC8, 0x45, 0xF2, 0x83);

struct IKLPushSource : IUnknown {
    // The one type the output offers; bytesPerBuffer cuts audio into
    // samples of that many bytes through a ring (0: one sample a block).
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type, int bytesPerBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeliverData(BYTE* data, int length) = 0;
    // Null repeats the sample signalled last while it is recent; S_FALSE
    // says the repeat was acknowledged but nothing was delivered.
    virtual HRESULT STDMETHODCALLTYPE Signal(IMediaSample* sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
};

struct IKLFrameCap : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CaptureToFile(const char* path) = 0;
};

struct FrameReceiver : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE PushSample(IMediaSample* sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
};

struct IKLFrameGiver : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetReceiver(FrameReceiver* receiver) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseReceiver() = 0;
    virtual HRESULT STDMETHODCALLTYPE Trigger() = 0;
};
