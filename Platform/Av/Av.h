#pragma once
// The shared FFmpeg helpers of the platform's media layers: owning pointers
// for FFmpeg's objects, error texts and log level, opening files and
// codecs, decoding, encoding and pixel-format conversion.
//
// The helpers keep FFmpeg's own conventions: objects are passed as FFmpeg's
// pointers, and a helper that can fail answers 0 or a negative AVERROR code
// (ErrorText gives its text), so that each layer maps failures to its own
// error codes. Only rooms that name kestrelon_av see FFmpeg; system code
// never includes this header.

#include "Platform/Av/Decode.h"
#include "Platform/Av/Diagnostics.h"
#include "Platform/Av/Encode.h"
#include "Platform/Av/Open.h"
#include "Platform/Av/Picture.h"
#include "Platform/Av/Pointers.h"
