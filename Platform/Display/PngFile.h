#pragma once
// PNG files of 32-bit screen pixels, encoded with FFmpeg's PNG encoder.

#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace display {

// Writes `width` x `height` pixels (0x00RRGGBB, rows `stride` pixels apart)
// as an RGB PNG. The file appears whole or not at all; false on failure.
bool WritePng(const std::string& path, const DWORD* pixels, LONG width, LONG height, size_t stride);

// Reads a PNG into 0x00RRGGBB pixels, rows `width` apart (alpha is
// dropped); false when the file cannot be read or is no whole PNG.
bool ReadPng(const std::string& path, std::vector<DWORD>* pixels, LONG* width, LONG* height);

} // namespace display
