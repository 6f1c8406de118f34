#include "Platform/Av/Diagnostics.h"

#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace av {

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void QuietLogs()
{
    // FFmpeg's level is a plain variable; setting it once keeps threads that
    // ask together from writing it at the same time.
    static std::once_flag s_quiet;
    std::call_once(s_quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace av
