#pragma once
// The drawing rules of the spectrum styles, one per style key, over 24-bit
// pixels (blue, green, red). Used by CSpectrumEffectRenderer only.

#include "Platform/Win/Base/WinTypes.h"

class SpectrumRandom;

struct SpectrumCanvas {
    // The pixels read: the frame itself, or its copy for styles that read
    // other pixels than the one they write.
    const BYTE* source;
    int sourceStride;
    BYTE* frame;
    int frameStride;
    int width;
    int height;
    // The current level and the progress 0..1 through the segment.
    double level;
    double progress;
    // Blue, green, red.
    BYTE color[3];
    SpectrumRandom* random;
};

// Draws style `style`; keys without a rule (-1, unknown keys) draw nothing.
void DrawSpectrumStyle(INT style, const SpectrumCanvas& canvas);
