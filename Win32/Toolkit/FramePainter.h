#pragma once
// The frame painter of an element: a decorative border drawn from one strip
// bitmap of equal cells (four corners and four edge pieces), the edge pieces
// tiled along the sides and the last piece of each side cut to fit. The
// strip is drawn through its transparency mask, whose key colour is sampled
// at the bottom-right pixel of the first cell. The centre of the frame is
// never touched.
//
// Cells of the strip, left to right: 0 top-left corner, 1 top edge, 2 left
// edge, 3 top-right corner, 4 bottom-left corner, 5 right edge, 6 bottom
// edge, 7 bottom-right corner.
//
// Edge mask: bit 0 (1) draws every side, bit 1 (2) the top side and the
// top-right corner, bit 2 (4) the left side and the bottom-left corner; the
// top-left corner is always drawn. UI thread only.

#include <memory>
#include <vector>

#include "Win32/Imaging/Color.h"
#include "Win32/Imaging/PropertyList.h"
#include "Win32/Utils/GfxTypes.h"

class CDrawContext;
class CGdiBitmap;

// The painter's two write-once 16-bit properties.
class FramePainterProperties : public CPropertyList {
public:
    static constexpr INT kEdgeMask = 0;
    static constexpr INT kCellCount = 1;

    FramePainterProperties() { FramePainterProperties::DefineProperties(); }
    INT DefineProperties() override;
};

// One piece of a frame: where it goes and where it comes from in the strip.
struct FramePiece {
    CGfxRect destination;
    CGfxPoint source;

    bool operator==(const FramePiece& other) const
    {
        return destination == other.destination && source == other.source;
    }
};

// The pieces of a frame in drawing order, for cells of `cell` size (both
// sides above 0; an empty list otherwise).
std::vector<FramePiece> BuildFramePieces(const CGfxRect& frame, const CGfxSize& cell, WORD edgeMask);

class FramePainter {
public:
    static constexpr WORD kAllSides = 1;
    static constexpr WORD kTopSide = 2;
    static constexpr WORD kLeftSide = 4;

    FramePainter();
    ~FramePainter();
    FramePainter(const FramePainter&) = delete;
    FramePainter& operator=(const FramePainter&) = delete;

    // Keeps a copy of the list and reads the edge mask and the cell count.
    // FALSE when the copy cannot be made or the list lacks either property.
    BOOL SetProperties(const FramePainterProperties& properties);
    // Loads the strip from the current resource module and gives it the
    // transparent colour (none for null). FALSE, with no strip kept, when
    // the bitmap is missing, its size cannot be read, or it is narrower
    // than its cell count (cells of no width).
    BOOL LoadStrip(UINT id, const CColor* transparent);
    BOOL LoadStrip(const CGfxString& name, const CColor* transparent);

    // Draws the frame into `frame` (inclusive, in the context's device
    // units); nothing without a strip.
    void Paint(CDrawContext* context, const CGfxRect& frame);

    WORD GetEdgeMask() const { return m_nEdgeMask; }
    WORD GetCellCount() const { return m_nCellCount; }
    const CGfxSize& GetCellSize() const { return m_sizeCell; }
    LONG GetRemainderX() const { return m_nRemainderX; }
    LONG GetRemainderY() const { return m_nRemainderY; }
    CGdiBitmap* GetStrip() const { return m_pStrip.get(); }

private:
    BOOL TakeStrip(CGdiBitmap* strip, const CColor* transparent);

    std::unique_ptr<CPropertyList> m_pProperties;
    std::unique_ptr<CGdiBitmap> m_pStrip;
    WORD m_nEdgeMask = kAllSides;
    WORD m_nCellCount = 8;
    CGfxSize m_sizeCell;
    LONG m_nRemainderX = 0;
    LONG m_nRemainderY = 0;
    // The mask is made on the first paint, from a context of the target.
    bool m_bMaskPrepared = false;
};
