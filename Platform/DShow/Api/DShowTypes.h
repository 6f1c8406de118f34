#pragma once
// DirectShow structures, enumerations and constants with their real values.
// Structures holding pointers (AM_MEDIA_TYPE, AM_SAMPLE2_PROPERTIES) have
// the host's layout; the format blocks they point at (VIDEOINFOHEADER,
// WAVEFORMATEX) keep the Windows layout.

#include <cstddef>

#include "Platform/Com/Com.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"

struct IBaseFilter;
struct IFilterGraph;

// Times in 100 ns units.
using REFERENCE_TIME = LONGLONG;
// Times in seconds.
using REFTIME = double;
constexpr LONGLONG UNITS = 10000000;
constexpr LONGLONG MILLISECONDS = UNITS / 1000;
constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFFLL;

using OAFilterState = LONG;
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;
using OABool = LONG;
constexpr OABool OATRUE = -1;
constexpr OABool OAFALSE = 0;
using HEVENT = DWORD_PTR;
using HSEMAPHORE = DWORD_PTR;

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

struct PIN_INFO {
    IBaseFilter* pFilter;
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;
};

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

struct AM_SAMPLE2_PROPERTIES {
    DWORD cbData;
    DWORD dwTypeSpecificFlags;
    DWORD dwSampleFlags;
    LONG lActual;
    REFERENCE_TIME tStart;
    REFERENCE_TIME tStop;
    DWORD dwStreamId;
    AM_MEDIA_TYPE* pMediaType;
    BYTE* pbBuffer;
    LONG cbBuffer;
};

// AM_SAMPLE2_PROPERTIES::dwSampleFlags.
constexpr DWORD AM_SAMPLE_SPLICEPOINT = 0x01;
constexpr DWORD AM_SAMPLE_PREROLL = 0x02;
constexpr DWORD AM_SAMPLE_DATADISCONTINUITY = 0x04;
constexpr DWORD AM_SAMPLE_TYPECHANGED = 0x08;
constexpr DWORD AM_SAMPLE_TIMEVALID = 0x10;
constexpr DWORD AM_SAMPLE_TIMEDISCONTINUITY = 0x40;
constexpr DWORD AM_SAMPLE_FLUSH_ON_PAUSE = 0x80;
constexpr DWORD AM_SAMPLE_STOPVALID = 0x100;
constexpr DWORD AM_SAMPLE_ENDOFSTREAM = 0x200;
// AM_SAMPLE2_PROPERTIES::dwStreamId.
constexpr DWORD AM_STREAM_MEDIA = 0;
constexpr DWORD AM_STREAM_CONTROL = 1;

// IMemAllocator::GetBuffer flags.
constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 1;
constexpr DWORD AM_GBF_NOTASYNCPOINT = 2;
constexpr DWORD AM_GBF_NOWAIT = 4;
constexpr DWORD AM_GBF_NODDSURFACELOCK = 8;

enum QualityMessageType { Famine = 0, Flood = 1 };
struct Quality {
    QualityMessageType Type;
    LONG Proportion;
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

// IMediaSeeking positioning flags.
constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;
constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x4;
constexpr DWORD AM_SEEKING_ReturnTime = 0x8;
constexpr DWORD AM_SEEKING_Segment = 0x10;
constexpr DWORD AM_SEEKING_NoFlush = 0x20;
// IMediaSeeking capabilities.
constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;
constexpr DWORD AM_SEEKING_CanPlayBackwards = 0x40;
constexpr DWORD AM_SEEKING_CanDoSegments = 0x80;
constexpr DWORD AM_SEEKING_Source = 0x100;

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40 && offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

// Filter merits.
constexpr DWORD MERIT_PREFERRED = 0x800000;
constexpr DWORD MERIT_NORMAL = 0x600000;
constexpr DWORD MERIT_UNLIKELY = 0x400000;
constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

// Filter registration records (IFilterMapper2 and the plug-ins' setup data).
struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGFILTERPINS {
    LPCWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    LPCWSTR strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};

constexpr DWORD REG_PINFLAG_B_ZERO = 0x1;
constexpr DWORD REG_PINFLAG_B_RENDERER = 0x2;
constexpr DWORD REG_PINFLAG_B_MANY = 0x4;
constexpr DWORD REG_PINFLAG_B_OUTPUT = 0x8;

struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM* lpMedium;
    const CLSID* clsPinCategory;
};

// dwVersion 1 uses cPins/rgPins, version 2 cPins2/rgPins2.
struct REGFILTER2 {
    DWORD dwVersion;
    DWORD dwMerit;
    union {
        struct {
            ULONG cPins;
            const REGFILTERPINS* rgPins;
        };
        struct {
            ULONG cPins2;
            const REGFILTERPINS2* rgPins2;
        };
    };
};

// IMediaEventEx::SetNotifyFlags.
constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

// Event codes.
constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;
constexpr LONG EC_TIME = 0x04;
constexpr LONG EC_REPAINT = 0x05;
constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
constexpr LONG EC_PALETTE_CHANGED = 0x09;
constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
constexpr LONG EC_QUALITY_CHANGE = 0x0B;
constexpr LONG EC_SHUTTING_DOWN = 0x0C;
constexpr LONG EC_CLOCK_CHANGED = 0x0D;
constexpr LONG EC_PAUSED = 0x0E;
constexpr LONG EC_OPENING_FILE = 0x10;
constexpr LONG EC_BUFFERING_DATA = 0x11;
constexpr LONG EC_FULLSCREEN_LOST = 0x12;
constexpr LONG EC_ACTIVATE = 0x13;
constexpr LONG EC_NEED_RESTART = 0x14;
constexpr LONG EC_WINDOW_DESTROYED = 0x15;
constexpr LONG EC_DISPLAY_CHANGED = 0x16;
constexpr LONG EC_STARVATION = 0x17;
constexpr LONG EC_STREAM_CONTROL_STOPPED = 0x1A;
constexpr LONG EC_STREAM_CONTROL_STARTED = 0x1B;
constexpr LONG EC_END_OF_SEGMENT = 0x1C;
constexpr LONG EC_SEGMENT_STARTED = 0x1D;
constexpr LONG EC_LENGTH_CHANGED = 0x1E;
constexpr LONG EC_DEVICE_LOST = 0x1F;
constexpr LONG EC_USER = 0x8000;

// Physical connector types of analog crossbars.
constexpr LONG PhysConn_Video_Tuner = 1;
constexpr LONG PhysConn_Video_Composite = 2;
constexpr LONG PhysConn_Video_SVideo = 3;
constexpr LONG PhysConn_Video_VideoDecoder = 12;
constexpr LONG PhysConn_Audio_Tuner = 0x1000;
constexpr LONG PhysConn_Audio_Line = 0x1001;
constexpr LONG PhysConn_Audio_AudioDecoder = 0x1009;

// Display resolutions of the DV decoder (IIPDVDec).
constexpr int DVRESOLUTION_FULL = 1000;
constexpr int DVRESOLUTION_HALF = 1001;
constexpr int DVRESOLUTION_QUARTER = 1002;
constexpr int DVRESOLUTION_DC = 1003;

// Format blocks of the playback filters' media types.
struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    DWORD dwInterlaceFlags;
    DWORD dwCopyProtectFlags;
    DWORD dwPictAspectRatioX;
    DWORD dwPictAspectRatioY;
    DWORD dwControlFlags;
    DWORD dwReserved2;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(offsetof(VIDEOINFOHEADER2, AvgTimePerFrame) == 40 && offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);

struct MPEG1VIDEOINFO {
    VIDEOINFOHEADER hdr;
    DWORD dwStartTimeCode;
    DWORD cbSequenceHeader;
    BYTE bSequenceHeader[1];
};
static_assert(offsetof(MPEG1VIDEOINFO, dwStartTimeCode) == 88);

struct MPEG2VIDEOINFO {
    VIDEOINFOHEADER2 hdr;
    DWORD dwStartTimeCode;
    DWORD cbSequenceHeader;
    DWORD dwProfile;
    DWORD dwLevel;
    DWORD dwFlags;
    DWORD dwSequenceHeader[1];
};

// The format block of an interleaved DV stream ('iavs'): the audio and
// video auxiliary packs of the DIF stream.
struct DVINFO {
    DWORD dwDVAAuxSrc;
    DWORD dwDVAAuxCtl;
    DWORD dwDVAAuxSrc1;
    DWORD dwDVAAuxCtl1;
    DWORD dwDVVAuxSrc;
    DWORD dwDVVAuxCtl;
    DWORD dwDVReserved[2];
};
static_assert(sizeof(DVINFO) == 32);
