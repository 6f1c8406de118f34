#pragma once
// The colour effect's per-pixel transform: contrast and brightness of the
// luminance, saturation as the gain of each channel's distance from it, then
// a fixed offset per channel, over packed blue-green-red pixels.
//
// Two code paths give the same pixels: one pixel at a time, and sixteen at
// a time in SSE2 registers (chosen once per process when the processor has
// SSE2, as every x86-64 processor does). Both compute the one-pixel formula
// exactly, so neutral settings leave every pixel unchanged, and the SSE2
// path finishes a count that is not a multiple of sixteen one pixel at a
// time, never touching memory past the last pixel.

#include "Platform/Win/Base/WinTypes.h"

// The fixed-point working values of one adjustment.
struct ColorAdjustGains {
    INT contrastGain = 256;   // h: luminance gain around mid-grey, 256 = 1.0
    INT brightness = 0;       // o: added to the luminance, in 1/256 levels
    INT saturationGain = 256; // t: gain of the distance from the luminance
    INT redOffset = 0;
    INT greenOffset = 0;
    INT blueOffset = 0;
};

// The working values of six parameters on 0..100 (50 neutral). Parameters
// outside 0..100 (or NaN, read as 0) are clamped into it, which keeps every
// working value within the range the fixed-point arithmetic is exact for.
ColorAdjustGains ComputeColorAdjustGains(double contrast, double brightness, double saturation, double red,
                                         double green, double blue);

// Transforms `count` packed pixels (blue, green, red) in place.
void AdjustColorPixels(int count, BYTE* pixels, double contrast, double brightness, double saturation, double red,
                       double green, double blue);
// The same with working values computed once, for callers that walk an
// image row by row. Values outside the ranges ComputeColorAdjustGains gives
// are clamped into them.
void ApplyColorAdjustment(const ColorAdjustGains& gains, int count, BYTE* pixels);

enum class ColorAdjustPath { Auto, OnePixel, Sse2 };

// Test hook: forces a path; Auto goes back to the processor's choice.
void SetColorAdjustPathForTesting(ColorAdjustPath path);
// The path adjustments take, choosing it on first use.
ColorAdjustPath GetColorAdjustPath();
// Whether this build has the path at all.
bool IsColorAdjustPathAvailable(ColorAdjustPath path);
