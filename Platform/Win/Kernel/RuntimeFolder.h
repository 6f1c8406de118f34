#pragma once
// Where the layer keeps what belongs to the user's session.

#include <string>

namespace win {
// The user's private folder for lock files and sockets: $XDG_RUNTIME_DIR, or
// else "/tmp/kestrelon-<uid>" (made with mode 0700), so that two users on
// one machine never share or block each other's locks. No trailing '/'.
std::string RuntimeFolder();
} // namespace win
