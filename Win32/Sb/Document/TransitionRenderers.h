#pragma once
// The renderer subclasses of TransitionEffect, one per catalogue family.
// Each draws its family's figure; the door also warps a picture itself.

#include "Win32/Sb/Document/TransitionEffect.h"

// Family 0: no blend, picture A throughout.
class CutTransition : public TransitionEffect {
public:
    explicit CutTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 1: a grey of the progress; blended with a constant alpha.
class DissolveTransition : public TransitionEffect {
public:
    explicit DissolveTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 2: edge and corner wipes, and the sliding styles 3 to 5.
class WipeTransition : public TransitionEffect {
public:
    explicit WipeTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 3: four strips opening side by side.
class BlindsTransition : public TransitionEffect {
public:
    explicit BlindsTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 4: a sweep round the centre from the bottom centre.
class ClockTransition : public TransitionEffect {
public:
    explicit ClockTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 5: 5-pixel cells appearing in a fixed order in 40-pixel tiles.
class DitherTransition : public TransitionEffect {
public:
    explicit DitherTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 6: two bars closing in from the sides or opening out.
class BarnDoorTransition : public TransitionEffect {
public:
    explicit BarnDoorTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 7: circle, cross, box or triangle growing or shrinking.
class IrisTransition : public TransitionEffect {
public:
    explicit IrisTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 8: 5-pixel strips filling from alternate ends.
class CombTransition : public TransitionEffect {
public:
    explicit CombTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 9: a quadrant opening from a corner, or sliding.
class CornerBoxTransition : public TransitionEffect {
public:
    explicit CornerBoxTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
};

// Family 10: a picture swinging on a hinge at one edge, in perspective.
class DoorTransition : public TransitionEffect {
public:
    explicit DoorTransition(INT row) : TransitionEffect(row) {}
    void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                    RECT* movedB) const override;
    void RenderImages(CIplImage* imageA, CIplImage* imageB, CIplImage* output, INT left, INT top, INT right,
                      INT bottom, float progress, INT bottomUp) override;
};
