#pragma once
// The layout of a compiled resource module file (".kres"), shared by the
// resource compiler (Resources/Compiler) and the loader (Resources.cpp).
// Everything is little-endian; the file is read whole and checked before
// any resource in it is handed out.
//
//   offset 0   magic "KRES"
//          4   DWORD version (kResourceFileVersion)
//          8   DWORD number of directory entries
//         12   DWORD offset of the name pool
//         16   DWORD size of the name pool
//         20   directory: entries of kResourceEntrySize bytes
//              DWORD type   ordinal, or kResourceNamed | offset into the pool
//              DWORD name   ordinal, or kResourceNamed | offset into the pool
//              DWORD language (0: neutral)
//              DWORD offset of the data in the file
//              DWORD size of the data
//              DWORD reserved (0)
//   the name pool: zero-terminated upper-case UTF-8 names
//   the data of each resource, each starting on a 4-byte boundary
//
// The data of each resource type has the Windows layout for that type (see
// Resources/README.md), so code that walks a template itself reads what it
// would read on Windows.

#include <cstddef>
#include <cstdint>

namespace win::resfile {

inline constexpr char kMagic[4] = {'K', 'R', 'E', 'S'};
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kHeaderSize = 20;
inline constexpr std::size_t kEntrySize = 24;
inline constexpr std::uint32_t kNamed = 0x80000000u;
// Ordinals are 16-bit, as MAKEINTRESOURCE values are.
inline constexpr std::uint32_t kMaxOrdinal = 0xFFFF;
// Every resource's data starts at a multiple of this offset; the loader
// refuses a file where one does not.
inline constexpr std::uint32_t kDataAlignment = 4;
// A module file larger than this is refused rather than read into memory.
inline constexpr std::size_t kMaxFileSize = 256u * 1024u * 1024u;
// The extension of compiled module files next to the program.
inline constexpr const char* kExtension = ".kres";

} // namespace win::resfile
