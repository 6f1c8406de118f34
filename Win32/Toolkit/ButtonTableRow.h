#pragma once
// One button of a control panel's table: thirteen signed 32-bit integers in
// this order. Panels of the toolkit and of the mode panels above it fill the
// same rows, so the layout is fixed.

#include "Platform/Win/Base/WinTypes.h"

struct ButtonTableRow {
    // Control id of the button window, its key among the panel's children
    // and the id of its tool-tip string.
    INT id;
    // Free for the panel; -1 when the panel has no use for it.
    INT user;
    // 1 push button, 2 two-state button.
    INT states;
    // The face's rectangle in the panel's client coordinates.
    INT x;
    INT y;
    INT width;
    INT height;
    // Non-zero: the command repeats while the button is held.
    INT autoRepeat;
    // Bitmap ids of the four faces; 0 for none (focus and disabled).
    INT up;
    INT down;
    INT focus;
    INT disabled;
    // String id of a caption drawn on the button; 0 for none.
    INT label;
};
static_assert(sizeof(ButtonTableRow) == 13 * sizeof(INT), "rows are thirteen 32-bit integers");
