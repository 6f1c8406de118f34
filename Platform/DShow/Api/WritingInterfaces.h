#pragma once
// The writing system filters and their control interfaces: the AVI
// multiplexer, the file writer, the DV video encoder and the DV
// multiplexer, and the start-up placeholders. Methods are declared in their
// real slot order.

#include "Platform/Com/Com.h"
#include "Platform/DShow/Api/DShowTypes.h"

DEFINE_GUID(CLSID_AviDest, 0xE2510970, 0xF137, 0x11CE, 0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6);
DEFINE_GUID(CLSID_FileWriter, 0x8596E5F0, 0x0DA5, 0x11D0, 0xBD, 0x21, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(CLSID_DVVideoEnc, 0x13AA3650, 0xBB6F, 0x11D0, 0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42);
DEFINE_GUID(CLSID_DVMux, 0x129D7E40, 0xC10D, 0x11D0, 0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42);
// The outside DV patch filter of type-2 DV files, and the start-up
// placeholder the plug-in check creates.
DEFINE_GUID(CLSID_DVPatchFilter, 0x5FBF5221, 0x8096, 0x11D3, 0x8C, 0xE2, 0x00, 0x08, 0xC7, 0x8F, 0xA0, 0x15);
DEFINE_GUID(CLSID_QklawrPlaceholder, 0xB0BF3281, 0xB1BD, 0x11D0, 0xA9, 0xB2, 0x00, 0xC0, 0xA8, 0x47, 0xCC, 0xA1);

DEFINE_GUID(IID_IConfigAviMux, 0x5ACD6AA0, 0xF482, 0x11CE, 0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6);
DEFINE_GUID(IID_IConfigInterleaving, 0xBEE3D220, 0x157B, 0x11D0, 0xBD, 0x23, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(IID_IFileSinkFilter, 0xA2104830, 0x7C70, 0x11CF, 0x8B, 0xCE, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6);
DEFINE_GUID(IID_IDVEnc, 0xD18E17A0, 0xAACB, 0x11D0, 0xAF, 0xB0, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42);

enum InterleavingMode {
    INTERLEAVE_NONE = 0,
    INTERLEAVE_CAPTURE = 1,
    INTERLEAVE_FULL = 2,
    INTERLEAVE_NONE_BUFFERED = 3,
};

// IDVEnc's video formats, DV formats and resolutions.
constexpr int DVENCODERVIDEOFORMAT_NTSC = 2000;
constexpr int DVENCODERVIDEOFORMAT_PAL = 2001;
constexpr int DVENCODERFORMAT_DVSD = 2007;
constexpr int DVENCODERFORMAT_DVHD = 2008;
constexpr int DVENCODERFORMAT_DVSL = 2009;
constexpr int DVENCODERRESOLUTION_720x480 = 2012;
constexpr int DVENCODERRESOLUTION_360x240 = 2013;
constexpr int DVENCODERRESOLUTION_180x120 = 2014;
constexpr int DVENCODERRESOLUTION_88x60 = 2015;

struct IConfigAviMux : IUnknown {
    // The stream the others are timed against; -1: none.
    virtual HRESULT STDMETHODCALLTYPE SetMasterStream(LONG stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMasterStream(LONG* stream) = 0;
    // Whether the file also carries an AVI 1.0 index ('idx1').
    virtual HRESULT STDMETHODCALLTYPE SetOutputCompatibilityIndex(BOOL on) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputCompatibilityIndex(BOOL* on) = 0;
};

struct IConfigInterleaving : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Mode(InterleavingMode mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Mode(InterleavingMode* mode) = 0;
    // The interleave period and the audio preroll, in 100 ns units.
    virtual HRESULT STDMETHODCALLTYPE put_Interleaving(const REFERENCE_TIME* interleave,
                                                       const REFERENCE_TIME* preroll) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) = 0;
};

struct IFileSinkFilter : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) = 0;
    // The name (task memory, freed by the caller) and type; E_FAIL when
    // none was set.
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) = 0;
};

struct IDVEnc : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                                            BYTE withDvInfo, DVINFO* dvInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                                            BYTE withDvInfo, DVINFO* dvInfo) = 0;
};

// Outside filters of the retiming, scene-scan and clip-save graphs, known by
// their class identifiers and the slots of their interfaces: the Indeo
// video encoder, the video scaler, the range filter ("Timeshift",
// "MediaPlacer") and the time warp.
DEFINE_GUID(CLSID_IndeoEncoder, 0x1F73E9B1, 0x8C3A, 0x11D0, 0xA3, 0xBE, 0x00, 0xA0, 0xC9, 0x24, 0x44, 0x36);
DEFINE_GUID(CLSID_VidScale, 0x2BE2194E, 0x4478, 0x4714, 0xA6, 0xB0, 0x1F, 0xA4, 0xDB, 0x9C, 0xB8, 0x3B);
DEFINE_GUID(IID_IVidScale, 0x0517C680, 0xAAE5, 0x48E8, 0xA1, 0x8D, 0x46, 0x08, 0xB2, 0xDF, 0xDB, 0xF1);
DEFINE_GUID(CLSID_MediaPlacer, 0x0B4310F9, 0xB8DA, 0x4A73, 0xAC, 0x92, 0x3C, 0x08, 0x7B, 0x74, 0x8D, 0x08);
DEFINE_GUID(IID_IMediaPlacer, 0x28F7D8B1, 0x99C0, 0x4657, 0x9A, 0x35, 0x7F, 0x36, 0x95, 0x15, 0x7D, 0x40);
DEFINE_GUID(CLSID_TimeWarp, 0xDBB81912, 0x7141, 0x11D4, 0xAC, 0xC8, 0x00, 0x50, 0xDA, 0x29, 0x59, 0x3F);
DEFINE_GUID(IID_ITimeWarp, 0xFD5010A5, 0x8EBE, 0x11CE, 0x81, 0x83, 0x00, 0xAA, 0x00, 0x57, 0x7D, 0xA1);

struct IVidScale : IUnknown {
    // The size of the output frames; flags 0. Set before the output pin
    // connects.
    virtual HRESULT STDMETHODCALLTYPE SetOutputSize(int width, int height, int flags) = 0;
};

// The range filter passes, from each "... Input" pin to its "... Output"
// pin, the samples between a start and a stop time, restamped from 0.
struct IMediaPlacer : IUnknown {
    // The range in seconds; the first two values are 0.
    virtual HRESULT STDMETHODCALLTYPE SetRange(DWORD reserved1, DWORD reserved2, double start, double stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRange(double* start, double* stop) = 0;
    // The subtype the video input asks for (MEDIASUBTYPE_RGB24 makes an
    // intelligent connect put a converter in front); GUID_NULL: any.
    virtual HRESULT STDMETHODCALLTYPE SetVideoSubtype(GUID subtype) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoSubtype(GUID* subtype) = 0;
    // Forgets the range: everything passes.
    virtual HRESULT STDMETHODCALLTYPE ClearRange() = 0;
    // Restarts the position count.
    virtual HRESULT STDMETHODCALLTYPE ResetPosition() = 0;
    // The source time of the last sample passed, in 100 ns units.
    virtual HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* position) = 0;
};

struct ITimeWarp : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetWarp(int* mode, float* speed, float* frameRate) = 0;
    // Retimes the video by `speed` (2: twice as fast) at `frameRate`
    // frames per second; modes 0 to 10 all retime by picking the nearest
    // frame.
    virtual HRESULT STDMETHODCALLTYPE SetWarp(int mode, float speed, float frameRate) = 0;
};
