#pragma once
// The shell's seams: the launcher that ShellExecute starts programs through,
// and drops of files made and delivered as the desktop does.

#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/Shell/Shell.h"

namespace win::shell {
// Starts a program with its argument vector (argv[0] the program, looked
// up on PATH); false when it cannot be started. Tests replace it to record
// what would run; an empty function puts the real one back.
using Launcher = std::function<bool(const std::vector<std::string>& argv)>;
void SetLauncher(Launcher launcher);

// A drop record (an HGLOBAL) for the names at a client point.
HDROP MakeDrop(const std::vector<std::string>& paths, POINT client, bool nonClient = false);
// Delivers dropped files as a desktop drop does: WM_DROPFILES posted to the
// window under `screen` that accepts files, or its nearest accepting
// ancestor. False (and nothing posted) when none accepts.
bool DropFiles(const std::vector<std::string>& paths, POINT screen);
} // namespace win::shell
