// Files dropped from the desktop: handed to the shell's handler, which
// knows the drop record's layout and the accepting windows.

#include <atomic>

#include "Platform/Win/User/DesktopHost.h"

namespace win::user {

namespace {

std::atomic<FileDropHandler> g_handler{nullptr};

} // namespace

void SetFileDropHandler(FileDropHandler handler) { g_handler = handler; }

bool InjectFileDrop(const std::vector<std::string>& paths, POINT screen)
{
    FileDropHandler handler = g_handler;
    return handler && !paths.empty() && handler(paths, screen);
}

} // namespace win::user
