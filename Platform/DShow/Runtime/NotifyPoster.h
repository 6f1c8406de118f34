#pragma once
// Process-wide settings of the DirectShow runtime.

#include "Platform/Win/Base/WinTypes.h"

namespace dshow {

// How a graph posts the message given to IMediaEventEx::SetNotifyWindow,
// from whatever thread queued the event. The default is the USER layer's
// PostMessageA; null restores it.
using NotifyPoster = BOOL (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetNotifyPoster(NotifyPoster poster);

} // namespace dshow
