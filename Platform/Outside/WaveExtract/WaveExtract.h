#pragma once
// The audio extractor ("QKLAWE1.dll"): the sound of any file FFmpeg reads
// (MP3, MP2, WMA, AC-3, WAV, the sound of a video file) written as a PCM WAV
// file with the source's rate and channels, 16-bit samples (8-bit when the
// source's samples are 8-bit).
//
// The conversion runs on the calling thread. It writes a temporary file
// beside the target and moves it over the target only once it is complete,
// so the target is either the whole WAV file or left as it was. Setting the
// process-wide named event AUDIO_CONVERSION_STOP_EVENT ends every running
// conversion early, without a target.

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

// The event that the media library creates and sets to end conversions.
constexpr char AUDIO_CONVERSION_STOP_EVENT[] = "AudioConversionStopEvent";

// Writes the sound of `source` between `start` and `stop` (counts of 100 ns
// from the start of the file) to `target`. A stop of 0 or below runs to the
// end of the sound. Nonzero when the target holds the complete file; 0 when
// the source has no sound that decodes, the window holds nothing, the
// target cannot be written or the stop event was set.
BOOL AMExtractWaveFile(CString& source, CString& target, LONGLONG start, LONGLONG stop);
