#pragma once
// The spectrum style table: 27 styles with the keys -1 (no style) to 25,
// each with its level range, default level, whether the user may choose its
// colour, its default colour (COLORREF), its thumbnail bitmap and its name
// string (language module). Style keys are stored in documents.

#include "Platform/Win/Base/WinTypes.h"

constexpr INT kSpectrumStyleCount = 27;
constexpr INT kSpectrumNoStyle = -1;

// The row of the style, or kSpectrumStyleCount when no row has the key.
INT SpectrumStyleIndex(INT key);
// The columns of the style's row; 0 for a key that is not in the table.
INT SpectrumStyleKey(INT key);
INT SpectrumStyleMin(INT key);
INT SpectrumStyleMax(INT key);
INT SpectrumStyleDefault(INT key);
INT SpectrumStyleHasColor(INT key);
COLORREF SpectrumStyleDefaultColor(INT key);
INT SpectrumStyleBitmapId(INT key);
INT SpectrumStyleNameId(INT key);
bool IsSpectrumStyle(INT key);
