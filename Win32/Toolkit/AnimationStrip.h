#pragma once
// One bitmap holding a grid of equal animation frames, rows by columns:
// frame i is the cell in column i mod columns of row i div columns. The
// strip keeps its own copy of the bitmap (with the source's transparent
// colour) and the last frame it cut out. A grid of no rows or columns, or
// with cells of no width or height, has no frames.

#include <memory>

#include "Win32/Utils/GfxTypes.h"

class CDrawContext;
class CGdiBitmap;

class AnimationStrip {
public:
    // Copies `strip` and cuts frame 0.
    AnimationStrip(CDrawContext* context, CGdiBitmap& strip, INT rows, INT columns);
    ~AnimationStrip();
    AnimationStrip(const AnimationStrip&) = delete;
    AnimationStrip& operator=(const AnimationStrip&) = delete;

    // Frame `index` (taken modulo the frame count), owned by the strip
    // until another frame is asked for; the same index as last time gives
    // the kept frame. Null without frames or when the copy fails.
    CGdiBitmap* GetFrame(CDrawContext* context, INT index);

    INT GetFrameCount() const { return m_nFrameCount; }
    INT GetCachedIndex() const { return m_nCachedIndex; }
    const CGfxSize& GetFrameSize() const { return m_sizeFrame; }

private:
    INT m_nCachedIndex = -1;
    INT m_nFrameCount = 0;
    std::unique_ptr<CGdiBitmap> m_pStrip;
    std::unique_ptr<CGdiBitmap> m_pFrame;
    INT m_nColumns = 0;
    INT m_nRows = 0;
    CGfxSize m_sizeFrame;
};
