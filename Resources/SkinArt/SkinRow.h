#pragma once
// One row of a skin art table: a bitmap, cursor or data record of the
// bitmap module, with what the generator needs to draw it and what the
// toolkit relies on when it uses it.
//
// Kinds:
// - FrameStrip: `cells` equal cells side by side (cell width = width /
//   cells, every cell the full height), in the frame painter's order: 0 top
//   left corner, 1 top edge, 2 left edge, 3 top right corner, 4 bottom left
//   corner, 5 right edge, 6 bottom edge, 7 bottom right corner; a top bar has
//   3 cells (corner, edge, corner). Edge cells tile seamlessly.
// - FillTile: tiled over an area; seamless in both directions.
// - ButtonFace: one state of a button, one bitmap per state.
// - KeyedImage: drawn whole; every pixel outside the shape is exactly the key.
// - Picture: drawn whole (or stretched), opaque.
// - AnimationStrip: a grid of `columns` x `rows` equal frames, keyed; the
//   painter draws one frame at a time.
// - Cursor: 32 x 32 with its hot spot; key-coloured pixels are transparent.
// - Record: a custom resource (`type`) holding `bytes` unchanged.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "Resources/SkinArt/Raster.h"

namespace skinart {

enum class Kind { FrameStrip, FillTile, ButtonFace, KeyedImage, Picture, AnimationStrip, Cursor, Record };
enum class ButtonState { Up, Down, Focus, Disabled };

// Key colours: magenta for panel buttons, thumbs, pictures and strips; the
// warm grey of the animated produce button.
inline constexpr Rgb kMagentaKey{255, 0, 255};
inline constexpr Rgb kProduceKey{192, 160, 128};

struct SkinRow;
// Draws the row (one frame of an animation strip) into a canvas of the
// row's size (of one frame), which starts as the key colour when keyed.
using Painter = void (*)(Canvas& canvas, const SkinRow& row, int frame);

struct SkinRow {
    int id = 0;
    Kind kind = Kind::Picture;
    int width = 0;
    int height = 0;
    int cells = 1;
    int columns = 1;
    int rows = 1;
    ButtonState state = ButtonState::Up;
    int hotX = 0;
    int hotY = 0;
    bool keyed = false;
    Rgb key{};
    Painter paint = nullptr;
    const char* type = nullptr;
    std::span<const std::uint8_t> bytes{};
    // What draws it.
    const char* use = "";

    constexpr int CellWidth() const { return width / cells; }
    constexpr int FrameWidth() const { return width / columns; }
    constexpr int FrameHeight() const { return height / rows; }
};

// Whether a row is complete and consistent for its kind.
constexpr bool RowIsSound(const SkinRow& row)
{
    if (row.id < 1 || row.id > 0xFFFF || std::string_view(row.use).empty())
        return false;
    if (row.kind == Kind::Record)
        return row.type != nullptr && row.paint == nullptr;
    if (row.paint == nullptr || row.width <= 0 || row.height <= 0)
        return false;
    switch (row.kind) {
    case Kind::FrameStrip:
        return (row.cells == 8 || row.cells == 3) && row.width % row.cells == 0 && !row.keyed;
    case Kind::KeyedImage:
        return row.keyed;
    case Kind::AnimationStrip:
        return row.keyed && row.columns > 0 && row.rows > 0 && row.width % row.columns == 0 &&
               row.height % row.rows == 0;
    case Kind::Cursor:
        return row.keyed && row.width == 32 && row.height == 32 && row.hotX >= 0 && row.hotX < 32 && row.hotY >= 0 &&
               row.hotY < 32;
    default:
        return true;
    }
}

// Every row sound and no identifier given twice within a kind of resource
// (bitmaps, cursors, records).
constexpr bool TableIsSound(std::span<const SkinRow> table)
{
    auto group = [](Kind kind) { return kind == Kind::Cursor ? 1 : kind == Kind::Record ? 2 : 0; };
    for (size_t i = 0; i < table.size(); ++i) {
        if (!RowIsSound(table[i]))
            return false;
        for (size_t j = i + 1; j < table.size(); ++j)
            if (table[i].id == table[j].id && group(table[i].kind) == group(table[j].kind))
                return false;
    }
    return true;
}

// The rows of several tables as one: each family of art keeps its rows in
// its own header and the program's table joins them.
template <size_t... N>
constexpr auto JoinRows(const std::array<SkinRow, N>&... parts)
{
    std::array<SkinRow, (N + ... + 0)> joined{};
    size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), joined.begin() + at), at += N), ...);
    return joined;
}

} // namespace skinart
