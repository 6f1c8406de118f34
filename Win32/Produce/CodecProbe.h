#pragma once
// CCodecProbe: one installed video compressor asked in query mode what it
// can do: its description, whether key frames and a quality apply, whether
// it has a configuration dialog, its defaults and state block, and whether
// it takes a colour depth or a frame size. A compressor that is not
// installed or does not open gives a probe whose every query answers false.

#include "Platform/Mfc/String.h"
#include "Platform/Vfw/Vfw.h"

class CCodecProbe {
public:
    explicit CCodecProbe(FOURCC fccHandler);
    ~CCodecProbe();

    CCodecProbe(const CCodecProbe&) = delete;
    CCodecProbe& operator=(const CCodecProbe&) = delete;

    // The description, at most 127 bytes.
    CString GetDescription() const;
    // Whether the compressor takes `bytesPerPixel` deep frames and keeps the
    // depth (asked at 320 x 240 from a copy of `header`).
    BOOL SupportsDepth(int bytesPerPixel, const BITMAPINFOHEADER* header) const;
    // Whether the compressor takes frames of `width` x `height` unchanged
    // at 24, 16 or 8 bits (DV: 720 x 480 and 720 x 576 only); on success
    // the header's size becomes that size.
    BOOL SupportsFrameSize(BITMAPINFOHEADER* header, int width, int height) const;
    static BOOL IsDVFourCC(FOURCC fcc);

    HIC m_hic = nullptr;
    ICINFO m_info{};
    int m_bTemporal = 0;
    int m_bConfigurable = 0;
    int m_bQuality = 0;
    int m_bFound = 0;
    int m_cbState = 0;
    int m_nDefaultKeyFrameRate = 0;
    int m_nDefaultQuality = 0;
    BYTE* m_pState = nullptr;
    FOURCC m_fccHandler = 0;
};
