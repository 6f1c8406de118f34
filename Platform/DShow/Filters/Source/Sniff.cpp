#include "Platform/DShow/Filters/Source/Sniff.h"

#include <cstring>

namespace dshow {
namespace {

bool At(const uint8_t* bytes, size_t length, size_t offset, const char* text)
{
    size_t n = std::strlen(text);
    return offset + n <= length && std::memcmp(bytes + offset, text, n) == 0;
}

bool StartCode(const uint8_t* bytes, size_t length, size_t offset, uint8_t code)
{
    return offset + 4 <= length && bytes[offset] == 0 && bytes[offset + 1] == 0 && bytes[offset + 2] == 1 &&
           bytes[offset + 3] == code;
}

// An MPEG audio frame header: sync, a layer, a bit rate and a rate that
// are not reserved.
bool MpegAudioFrame(const uint8_t* bytes, size_t length, size_t offset)
{
    if (offset + 4 > length || bytes[offset] != 0xFF || (bytes[offset + 1] & 0xE0) != 0xE0)
        return false;
    int version = (bytes[offset + 1] >> 3) & 3;
    int layer = (bytes[offset + 1] >> 1) & 3;
    int bitrate = bytes[offset + 2] >> 4;
    int rate = (bytes[offset + 2] >> 2) & 3;
    return version != 1 && layer != 0 && bitrate != 15 && rate != 3;
}

} // namespace

GUID SniffStreamSubtype(const uint8_t* bytes, size_t length)
{
    if (!bytes || length < 4)
        return GUID_NULL;
    if (At(bytes, length, 0, "RIFF")) {
        if (At(bytes, length, 8, "AVI "))
            return MEDIASUBTYPE_Avi;
        if (At(bytes, length, 8, "WAVE"))
            return MEDIASUBTYPE_WAVE;
        return GUID_NULL;
    }
    if (StartCode(bytes, length, 0, 0xBA) && length > 4)
        return (bytes[4] & 0xC0) == 0x40 ? MEDIASUBTYPE_MPEG2_PROGRAM : MEDIASUBTYPE_MPEG1System;
    if (StartCode(bytes, length, 0, 0xB3)) {
        // A sequence extension makes it MPEG-2.
        for (size_t i = 4; i + 4 < length && i < 4096; ++i)
            if (StartCode(bytes, length, i, 0xB5) && (bytes[i + 4] >> 4) == 1)
                return MEDIASUBTYPE_MPEG2_VIDEO;
        return MEDIASUBTYPE_MPEG1Video;
    }
    if (At(bytes, length, 0, "ID3") || MpegAudioFrame(bytes, length, 0))
        return MEDIASUBTYPE_MPEG1Audio;
    static const char* const kAtoms[] = {"moov", "mdat", "ftyp", "free", "wide", "skip", "pnot"};
    for (const char* atom : kAtoms)
        if (At(bytes, length, 4, atom))
            return MEDIASUBTYPE_QTMovie;
    // A DV DIF sequence starts with a header block: section 0, sequence 0.
    if (bytes[0] == 0x1F && bytes[1] == 0x07 && bytes[2] == 0x00)
        return MEDIASUBTYPE_DVSD;
    return GUID_NULL;
}

} // namespace dshow
