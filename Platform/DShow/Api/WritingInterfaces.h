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
