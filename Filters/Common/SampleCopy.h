#pragma once
// The fast sample copy that the switcher, the utility library and the scene
// detector share: the data of a media sample and every property DirectShow
// defines, copied into a buffer of another allocator. Each library builds
// its own copy of this code; the few differences between the libraries
// are the variant's fields.

#include "Platform/DShow/DShow.h"

namespace sample_copy {

struct Variant {
    // Below this many bytes the MMX copy copies plainly.
    int mmxPlainThreshold;
    // Whether the CPU information library is unloaded after the check.
    bool unloadAfterCheck;
};

// True when the processor reports MMX through "CPUINF32.DLL"
// ("wincpufeatures", bit 23 or 25). A missing library or export answers
// false and the next call checks again; a made check is kept.
bool IsMmxPresent(const Variant& variant);

// Copy `length` bytes; both copy every byte whatever the alignment.
void CopyBuffer(BYTE* destination, const BYTE* source, LONG length);
void CopyBufferMmx(BYTE* destination, const BYTE* source, LONG length);

// Times, media times, flags, stream id, media type and actual length, through
// IMediaSample2 when both samples have it, else field by field.
HRESULT CopySampleProperties(IMediaSample* source, IMediaSample* destination);

// Properties and the source's actual data length of data. Fails (and copies
// nothing) when a buffer pointer cannot be had (E_POINTER) or the
// destination is smaller than the data (VFW_E_BUFFER_OVERFLOW).
HRESULT CopySample(IMediaSample* source, IMediaSample* destination, bool useMmx);

// The low 32 bits of the processor's time-stamp counter.
DWORD ReadTimeStamp();

} // namespace sample_copy
