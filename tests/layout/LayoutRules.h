#pragma once
// The layering of the tree as data: which room each folder is, which rooms
// it stands on, which third-party packages it may use, and the checker that
// reads every source file's #include lines against that table.
//
// Rules:
// - A file, and a header it includes, belongs to the room with the longest
//   path prefix of its own. It may include its own room and every room its
//   room stands on, directly or through others; nothing above, and nothing
//   of a room that lies inside one of those but is not stood on itself.
// - A room's Private/ folder is for that room alone (and the tests of the
//   rooms it lies in).
// - A third-party package's headers belong to the rooms named for it (and
//   their tests); a package that a room's own headers show (FFmpeg through
//   Platform/Av) also to the rooms standing on that room.
// - System code (Win32/, Filters/, Program/, bench/) includes only the C++
//   standard library, compiler intrinsics and our own headers; its tests
//   also the test frameworks.

#include <string>
#include <vector>

namespace layout {

struct Room {
    std::string path;
    std::vector<std::string> standsOn;
    bool system = false;
};

struct Package {
    std::string name;
    std::vector<std::string> headerPrefixes; // "libavcodec/", "SDL.h", ...
    std::vector<std::string> rooms;          // the rooms it belongs to
    // Whether the rooms standing on its rooms may use it too (a room whose
    // headers show the package's types); otherwise it is private to them.
    bool passedOn = false;
};

struct Rules {
    std::vector<Room> rooms;
    std::vector<Package> packages;
    // Platform rooms that system code never includes, whatever it stands on.
    std::vector<std::string> hiddenFromSystem;
    // Folders of helpers for tests and benchmarks only.
    std::vector<std::string> testSupport;
};

// The project's own table.
const Rules& ProjectRules();

struct Violation {
    std::string file; // relative to the tree's top
    int line = 0;
    std::string message;
};

// Checks every .h, .cpp, .cc and .c file under the rooms' folders of the
// tree at `top`.
std::vector<Violation> CheckTree(const std::string& top, const Rules& rules);

std::string Describe(const Violation& violation);

// What keeps the table and the build's rooms (the folders the CMakeLists.txt
// files declare, relative to the tree's top) apart: a row the build does not
// declare, a room of the build without a row, a row given twice. One
// message each; none when they agree.
std::vector<std::string> CompareWithBuild(const Rules& rules, const std::vector<std::string>& builtRooms);

} // namespace layout
