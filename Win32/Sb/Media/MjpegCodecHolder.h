#pragma once
// CMjpegCodecHolder: keeps the installed Motion-JPEG compressor open for
// the program's run when its description carries the product's mark (the
// first four characters of untranslated string 1273; no string, no mark,
// and any MJPEG compressor is kept). Another MJPEG compressor is closed at
// once. The held handle is one for the process.

#include "Platform/Vfw/Vfw.h"

class CMjpegCodecHolder {
public:
    static constexpr UINT kMarkString = 1273;

    CMjpegCodecHolder();
    virtual ~CMjpegCodecHolder();

    CMjpegCodecHolder(const CMjpegCodecHolder&) = delete;
    CMjpegCodecHolder& operator=(const CMjpegCodecHolder&) = delete;

    // The held compressor, or null.
    static HIC GetHeldCodec();
};
