#pragma once
// The table of installed video compressors behind ICInfo and ICOpen: one
// row per handler code, each backed by an FFmpeg encoder. A row whose
// encoder this FFmpeg lacks is not installed.

#include <span>

#include "Platform/Vfw/VfwTypes.h"

namespace vfw {

// Input depths a compressor accepts, as a mask.
constexpr DWORD kDepth8 = 1;
constexpr DWORD kDepth16 = 2;
constexpr DWORD kDepth24 = 4;
constexpr DWORD kDepth32 = 8;

enum class SizeRule {
    Any,
    Even,
    // Width and height multiples of 4 (the vector-quantising encoders).
    Multiple4,
    // 720 x 480 or 720 x 576 only.
    DvOnly,
};

struct CompressorRow {
    FOURCC fccHandler;
    const char16_t* name;
    const char16_t* description;
    // FFmpeg's encoder name.
    const char* encoder;
    // VIDCF_* flags.
    DWORD flags;
    DWORD inputDepths;
    // The output format's biCompression is the handler code; its bit count
    // is this one.
    WORD outputBitCount;
    SizeRule sizes;
    DWORD defaultKeyFrameRate;
    DWORD defaultQuality;
};

// The rows of the system's table (installed or not).
std::span<const CompressorRow> StandardCompressors();

// Replaces the table ICInfo and ICOpen read by `rows`, which must outlive
// their use (tests: a table of their own); RestoreCompressors brings the
// standard table back. Neither is for use while compressors are open.
void OverrideCompressors(std::span<const CompressorRow> rows);
void RestoreCompressors();

} // namespace vfw
