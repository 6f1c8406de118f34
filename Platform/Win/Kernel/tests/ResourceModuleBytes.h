#pragma once
// Module files written byte by byte, for tests that need resources the
// compiler would never write (damaged data, data at odd offsets).

#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/ResourceFormat.h"

namespace resource_test {

struct RawResource {
    DWORD type;     // ordinal
    DWORD name;     // ordinal
    std::string data;
};

inline void AppendDword(std::string& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(value >> (8 * i));
}

// A module of `resources` by ordinal, with an empty name pool; each data
// block starts on the format's boundary plus `skew` bytes, and the last one
// ends the file.
inline std::string ModuleFile(const std::vector<RawResource>& resources, DWORD skew = 0)
{
    namespace rf = win::resfile;
    const DWORD directoryEnd = static_cast<DWORD>(rf::kHeaderSize + rf::kEntrySize * resources.size());
    std::string file(rf::kMagic, 4);
    AppendDword(file, rf::kVersion);
    AppendDword(file, static_cast<DWORD>(resources.size()));
    AppendDword(file, directoryEnd);
    AppendDword(file, 0);
    std::string data;
    for (const RawResource& resource : resources) {
        while ((directoryEnd + data.size()) % rf::kDataAlignment != 0)
            data += '\0';
        data.append(skew, '\0');
        AppendDword(file, resource.type);
        AppendDword(file, resource.name);
        AppendDword(file, 0);
        AppendDword(file, static_cast<DWORD>(directoryEnd + data.size()));
        AppendDword(file, static_cast<DWORD>(resource.data.size()));
        AppendDword(file, 0);
        data += resource.data;
    }
    return file + data;
}

// A BITMAPINFOHEADER as its 40 bytes.
inline std::string InfoHeader(LONG width, LONG height, WORD bitCount, DWORD compression = 0, DWORD colorsUsed = 0)
{
    std::string out;
    AppendDword(out, 40);
    AppendDword(out, static_cast<DWORD>(width));
    AppendDword(out, static_cast<DWORD>(height));
    AppendDword(out, 1u | static_cast<DWORD>(bitCount) << 16);
    AppendDword(out, compression);
    AppendDword(out, 0);
    AppendDword(out, 0);
    AppendDword(out, 0);
    AppendDword(out, colorsUsed);
    AppendDword(out, 0);
    return out;
}

} // namespace resource_test
