#pragma once
// Renders a skin art table into a folder: each row as a 24-bit BMP file
// (cursors as CUR files, records as their bytes) named after its
// identifier, and one resource source naming them all, "<table>.krc".
// Nothing written depends on the time or the machine.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Resources/SkinArt/SkinRow.h"

namespace skinart {

// The row drawn: the whole bitmap, every frame of a strip in its place.
Canvas Render(const SkinRow& row);
// A bottom-up 24-bit BMP file of the canvas.
std::vector<std::uint8_t> BmpFile(const Canvas& canvas);
// A CUR file of one 32 x 32 image: 24-bit colour and an AND mask that is
// set (and the colour black) where the canvas holds its key.
std::vector<std::uint8_t> CurFile(const Canvas& canvas, int hotX, int hotY);

// Writes the files and the resource source; false with `error` set when a
// file cannot be written.
bool WriteTable(std::span<const SkinRow> table, const std::string& name, const std::string& folder,
                std::string& error);

} // namespace skinart
