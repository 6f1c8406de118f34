#pragma once
// What FFmpeg says: the text of its error codes, and how much it logs.

#include <string>

namespace av {

// The text FFmpeg gives for an error code (a negative AVERROR value), or a
// "Error number N occurred" text for a code it does not know.
std::string ErrorText(int code);

// Silences FFmpeg's log for the rest of the process; callers that read
// damaged files on purpose use it so that the decoders' complaints do not
// fill the output. Safe to call from any thread, any number of times.
void QuietLogs();

} // namespace av
