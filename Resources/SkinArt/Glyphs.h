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

// The window buttons of the tool bar.
void HelpBadge(Canvas& canvas, const Rect& box, Rgb colour);
void MinimiseBar(Canvas& canvas, const Rect& box, Rgb colour);

// The editing modes of the mode column, one glyph a mode.
void TextLines(Canvas& canvas, const Rect& box, Rgb colour);
// A small picture laid over a larger one.
void PictureOverPicture(Canvas& canvas, const Rect& box, Rgb colour);
// Two pictures meeting along a diagonal.
void DiagonalSplit(Canvas& canvas, const Rect& box, Rgb colour);
void SpectrumBars(Canvas& canvas, const Rect& box, Rgb colour);
void MusicNote(Canvas& canvas, const Rect& box, Rgb colour);
void ColourDrop(Canvas& canvas, const Rect& box, Rgb colour);
void Camera(Canvas& canvas, const Rect& box, Rgb colour);
void Scissors(Canvas& canvas, const Rect& box, Rgb colour);
// A screen on its stand with an arrow leaving it.
void ScreenOut(Canvas& canvas, const Rect& box, Rgb colour);
void Globe(Canvas& canvas, const Rect& box, Rgb colour);
// The library: a stack of cards, and a disc.
void CardStack(Canvas& canvas, const Rect& box, Rgb colour);
void Disc(Canvas& canvas, const Rect& box, Rgb colour);

// The file commands.
void NewPage(Canvas& canvas, const Rect& box, Rgb colour);
void OpenFolder(Canvas& canvas, const Rect& box, Rgb colour);
void SaveDisk(Canvas& canvas, const Rect& box, Rgb colour);
// A hooked arrow turning back to the left.
void UndoArrow(Canvas& canvas, const Rect& box, Rgb colour);
// Directions in eighths of a turn, clockwise from pointing right (0 right,
// 2 down, 4 left, 6 up; odd values point to the corners).
// A solid triangle pointing that way.
void PointingTriangle(Canvas& canvas, const Rect& box, int eighths, Rgb colour);
// An arrow (head and shaft) pointing that way.
void CompassArrow(Canvas& canvas, const Rect& box, int eighths, Rgb colour);

} // namespace skinart
