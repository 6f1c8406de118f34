#include "Win32/Sb/Render/SpectrumStyles.h"

namespace {

struct SpectrumStyleRow {
    INT key;
    INT minLevel;
    INT maxLevel;
    INT defaultLevel;
    INT hasColor;
    COLORREF defaultColor;
    INT bitmapId;
    INT nameId;
    INT key2;
};

constexpr SpectrumStyleRow kStyles[kSpectrumStyleCount] = {
    {-1, 0, 100, 0, 0, 0x000000, 1023, 61349, -1},     // no style
    {0, -1000, 1000, 500, 0, 0x000000, 522, 61408, 0},  // twirl
    {1, -100, 100, 50, 0, 0x000000, 523, 61409, 1},     // bulge / pinch
    {2, -100, 100, 50, 0, 0xFFFFFF, 524, 61410, 2},     // brighten / darken
    {3, 0, 100, 50, 1, 0xFF00FF, 525, 61411, 3},        // tiles
    {4, 0, 100, 50, 0, 0x000000, 526, 61412, 4},        // emboss
    {5, 0, 220, 110, 0, 0x000000, 527, 61413, 5},       // ripple
    {6, 0, 100, 50, 1, 0x909090, 528, 61414, 6},        // colour wash, uniform
    {7, 1, 8, 4, 0, 0x000000, 529, 61415, 7},           // oil paint
    {8, 0, 200, 100, 1, 0xFF00FF, 530, 61416, 8},       // circular vignette
    {9, 0, 100, 50, 1, 0xFF00FF, 983, 61353, 9},        // rectangular frame
    {10, 1, 16, 8, 0, 0x000000, 982, 61350, 10},        // mosaic
    {11, 0, 100, 50, 0, 0x000000, 988, 61351, 11},      // snow, per pixel
    {12, 0, 100, 50, 0, 0x000000, 977, 61352, 12},      // snow, per row
    {13, 0, 90, 50, 1, 0xFF00FF, 986, 61354, 13},       // turn, columns toward the right
    {14, 0, 90, 50, 1, 0xFF00FF, 987, 61355, 14},       // turn, columns toward the left
    {15, 0, 90, 50, 1, 0xFF00FF, 985, 61356, 15},       // turn, rows (far rows first)
    {16, 0, 90, 45, 1, 0xFF00FF, 984, 61357, 16},       // turn, rows (near rows first)
    {17, 0, 100, 50, 1, 0x80E0F0, 980, 61358, 17},      // colour wash, strongest at the first column
    {18, 0, 100, 50, 1, 0x80E0F0, 981, 61359, 18},      // colour wash, strongest at the last column
    {19, 0, 100, 50, 1, 0x80E0F0, 979, 61360, 19},      // colour wash, strongest at the last row
    {20, 0, 100, 50, 1, 0x80E0F0, 978, 61361, 20},      // colour wash, strongest at the first row
    {21, 0, 100, 50, 0, 0x000000, 989, 61362, 21},      // soft focus
    {22, 0, 100, 50, 1, 0xFF00FF, 990, 61363, 22},      // wave
    {23, 0, 100, 100, 0, 0xFF00FF, 1011, 61364, 23},    // negative
    {24, 0, 100, 100, 1, 0xFF00FF, 1008, 61365, 24},    // fold, columns
    {25, 0, 100, 100, 1, 0xFF00FF, 1009, 61366, 25},    // fold, rows
};

constexpr bool KeysAreRowsInOrder()
{
    for (INT i = 0; i < kSpectrumStyleCount; ++i) {
        if (kStyles[i].key != i - 1 || kStyles[i].key2 != kStyles[i].key)
            return false;
    }
    return true;
}
static_assert(KeysAreRowsInOrder(), "row i holds style key i - 1");

const SpectrumStyleRow* RowOf(INT key)
{
    const INT index = SpectrumStyleIndex(key);
    return index < kSpectrumStyleCount ? &kStyles[index] : nullptr;
}

template <typename Field>
Field Column(INT key, Field SpectrumStyleRow::*field)
{
    const SpectrumStyleRow* row = RowOf(key);
    return row != nullptr ? row->*field : Field{};
}

} // namespace

INT SpectrumStyleIndex(INT key)
{
    for (INT i = 0; i < kSpectrumStyleCount; ++i) {
        if (kStyles[i].key == key)
            return i;
    }
    return kSpectrumStyleCount;
}

bool IsSpectrumStyle(INT key)
{
    return SpectrumStyleIndex(key) < kSpectrumStyleCount;
}

INT SpectrumStyleKey(INT key)
{
    return Column(key, &SpectrumStyleRow::key);
}

INT SpectrumStyleMin(INT key)
{
    return Column(key, &SpectrumStyleRow::minLevel);
}

INT SpectrumStyleMax(INT key)
{
    return Column(key, &SpectrumStyleRow::maxLevel);
}

INT SpectrumStyleDefault(INT key)
{
    return Column(key, &SpectrumStyleRow::defaultLevel);
}

INT SpectrumStyleHasColor(INT key)
{
    return Column(key, &SpectrumStyleRow::hasColor);
}

COLORREF SpectrumStyleDefaultColor(INT key)
{
    return Column(key, &SpectrumStyleRow::defaultColor);
}

INT SpectrumStyleBitmapId(INT key)
{
    return Column(key, &SpectrumStyleRow::bitmapId);
}

INT SpectrumStyleNameId(INT key)
{
    return Column(key, &SpectrumStyleRow::nameId);
}
