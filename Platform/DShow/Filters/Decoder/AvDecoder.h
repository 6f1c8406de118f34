#pragma once
// The decoder over libavcodec, registered under every decoder class: each
// registration names the compressed types its input takes. Video comes
// out as RGB24, RGB32 or UYVY (the DV registration scales to the display
// resolution IIPDVDec sets), audio as 16-bit PCM. Frames that end before
// the segment start (the lead-in after a seek) are not delivered.

#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

struct DecoderKind {
    const CLSID* clsid;
    LPCWSTR name;
    // The input types, GUID_NULL subtype for any the decoder knows.
    const REGPINTYPES* inputTypes;
    UINT inputTypeCount;
    // The DV decoder: IIPDVDec and its display resolutions.
    bool dv;
};

HRESULT CreateAvDecoder(const DecoderKind& kind, REFIID riid, void** object);

} // namespace dshow
