#pragma once
// The glyphs of the transport and tool buttons, drawn anti-aliased in one
// colour into a pixel box (centred, scaled to the box's shorter side). On a
// keyed canvas they follow the canvas's key rule, so a glyph drawn straight
// onto the key leaves no blended fringe.

#include "Resources/SkinArt/Raster.h"

namespace skinart {

enum class Direction { Left, Right };

void PlayTriangle(Canvas& canvas, const Rect& box, Rgb colour);
void PauseBars(Canvas& canvas, const Rect& box, Rgb colour);
void StopSquare(Canvas& canvas, const Rect& box, Rgb colour);
// One frame forward or back: a triangle against a bar.
void StepArrow(Canvas& canvas, const Rect& box, Direction direction, Rgb colour);
// To the start or the end: two triangles against a bar.
void SkipArrow(Canvas& canvas, const Rect& box, Direction direction, Rgb colour);
// A plain triangle pointing one of four ways (the step buttons of sliders).
enum class Heading { Left, Right, Up, Down };
void ArrowHead(Canvas& canvas, const Rect& box, Heading heading, Rgb colour);
// Seek to a mark: a triangle pointing at a bracket (Left: the in point's
// bracket on the left, opening to the right).
void SeekToMark(Canvas& canvas, const Rect& box, Direction direction, Rgb colour);
// An open ring with an arrow head at its gap.
void LoopArrow(Canvas& canvas, const Rect& box, Rgb colour);
void RecordDot(Canvas& canvas, const Rect& box, Rgb colour);
// A pipette lying from the top right to the bottom left.
void Eyedropper(Canvas& canvas, const Rect& box, Rgb colour);
void CheckMark(Canvas& canvas, const Rect& box, Rgb colour);
// An in point (Left: a bracket opening to the right) or an out point.
void MarkBracket(Canvas& canvas, const Rect& box, Direction direction, Rgb colour);
// Two crossed bars: clear.
void CrossMark(Canvas& canvas, const Rect& box, Rgb colour);

} // namespace skinart
