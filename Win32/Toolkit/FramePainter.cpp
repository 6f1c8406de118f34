#include "Win32/Toolkit/FramePainter.h"

#include <algorithm>

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/ResourceLoader.h"

namespace {

struct PainterDefault {
    INT id;
    WORD value;
};

constexpr PainterDefault kPainterDefaults[] = {
    {FramePainterProperties::kEdgeMask, FramePainter::kAllSides},
    {FramePainterProperties::kCellCount, 8},
};

// The strip's cells, in the order the module draws them.
enum Cell : LONG { kTopLeft, kTop, kLeft, kTopRight, kBottomLeft, kRight, kBottom, kBottomRight };

class PieceList {
public:
    PieceList(const CGfxSize& cell, std::vector<FramePiece>& out) : m_cell(cell), m_out(out) {}

    void Add(Cell cell, LONG left, LONG top, LONG width, LONG height)
    {
        m_out.push_back(FramePiece{CGfxRect(left, top, left + width - 1, top + height - 1),
                                   CGfxPoint(cell * m_cell.cx, 0)});
    }
    // count - 2 whole cells from (left, top) stepping by (dx, dy), then a
    // piece of `remainder` along the step's axis when there is one.
    void AddRun(Cell cell, LONG left, LONG top, LONG count, LONG remainder, bool horizontal)
    {
        const LONG step = horizontal ? m_cell.cx : m_cell.cy;
        for (LONG i = 0; i < count - 2; ++i) {
            Add(cell, left, top, m_cell.cx, m_cell.cy);
            (horizontal ? left : top) += step;
        }
        if (remainder > 0)
            Add(cell, left, top, horizontal ? remainder : m_cell.cx, horizontal ? m_cell.cy : remainder);
    }

private:
    CGfxSize m_cell;
    std::vector<FramePiece>& m_out;
};

} // namespace

INT FramePainterProperties::DefineProperties()
{
    for (const PainterDefault& row : kPainterDefaults) {
        CTaggedValue value;
        if (!value.SetUInt16(row.value) || !AddItem(row.id, value, CPropertyItem::kOnce))
            return -1;
    }
    return 0;
}

std::vector<FramePiece> BuildFramePieces(const CGfxRect& frame, const CGfxSize& cell, WORD edgeMask)
{
    std::vector<FramePiece> pieces;
    if (cell.cx <= 0 || cell.cy <= 0)
        return pieces;
    const LONG w = cell.cx, h = cell.cy;
    const LONG L = frame.left, T = frame.top, R = frame.right, B = frame.bottom;
    const LONG width = R - L + 1, height = B - T + 1;
    const LONG nh = std::max<LONG>(width, 0) / w, nv = std::max<LONG>(height, 0) / h;
    const LONG rx = std::max<LONG>(width, 0) % w, ry = std::max<LONG>(height, 0) % h;
    const bool all = (edgeMask & FramePainter::kAllSides) != 0;
    const bool top = all || (edgeMask & FramePainter::kTopSide) != 0;
    const bool left = all || (edgeMask & FramePainter::kLeftSide) != 0;

    PieceList list(cell, pieces);
    list.Add(kTopLeft, L, T, w, h);
    if (top)
        list.AddRun(kTop, L + w, T, nh, rx, true);
    if (left)
        list.AddRun(kLeft, L, T + h, nv, ry, false);
    if (top)
        list.Add(kTopRight, R - w + 1, T, w, h);
    if (left)
        list.Add(kBottomLeft, L, B - h + 1, w, h);
    if (all) {
        list.AddRun(kRight, R - w + 1, T + h, nv, ry, false);
        list.AddRun(kBottom, L + w, B - h + 1, nh, rx, true);
        list.Add(kBottomRight, R - w + 1, B - h + 1, w, h);
    }
    return pieces;
}

FramePainter::FramePainter() = default;
FramePainter::~FramePainter() = default;

BOOL FramePainter::SetProperties(const FramePainterProperties& properties)
{
    auto copy = std::make_unique<CPropertyList>(properties);
    WORD mask = 0, cells = 0;
    const CTaggedValue* maskValue = copy->GetProperty(FramePainterProperties::kEdgeMask);
    const CTaggedValue* cellValue = copy->GetProperty(FramePainterProperties::kCellCount);
    if (!maskValue || !cellValue || !maskValue->CopyWord(mask) || !cellValue->CopyWord(cells))
        return FALSE;
    m_pProperties = std::move(copy);
    m_nEdgeMask = mask;
    m_nCellCount = cells;
    return TRUE;
}

BOOL FramePainter::LoadStrip(UINT id, const CColor* transparent)
{
    CResourceLoader loader;
    return TakeStrip(loader.LoadBitmapById(id), transparent);
}

BOOL FramePainter::LoadStrip(const CGfxString& name, const CColor* transparent)
{
    CResourceLoader loader;
    return TakeStrip(loader.LoadBitmapByName(name), transparent);
}

BOOL FramePainter::TakeStrip(CGdiBitmap* loaded, const CColor* transparent)
{
    std::unique_ptr<CGdiBitmap> strip(loaded);
    m_pStrip.reset();
    m_bMaskPrepared = false;
    if (!strip || m_nCellCount == 0)
        return FALSE;
    const CGfxSize size = strip->GetSize();
    const CGfxSize cell(size.cx / m_nCellCount, size.cy);
    if (cell.cx <= 0 || cell.cy <= 0)
        return FALSE;
    const CGfxPoint sample(cell.cx - 1, cell.cy - 1);
    strip->SetTransparentColor(transparent, &sample);
    m_sizeCell = cell;
    m_pStrip = std::move(strip);
    return TRUE;
}

void FramePainter::Paint(CDrawContext* context, const CGfxRect& frame)
{
    if (!m_pStrip || !context)
        return;
    if (!m_bMaskPrepared && m_pStrip->IsTransparent())
        m_pStrip->PrepareTransparency(context);
    m_bMaskPrepared = true;
    const CGfxSize cell = context->DeviceToLogical(m_sizeCell);
    const CGfxRect target = context->DeviceToLogicalRect(frame);
    if (cell.cx <= 0 || cell.cy <= 0)
        return;
    m_nRemainderX = std::max<LONG>(target.right - target.left + 1, 0) % cell.cx;
    m_nRemainderY = std::max<LONG>(target.bottom - target.top + 1, 0) % cell.cy;
    for (const FramePiece& piece : BuildFramePieces(target, cell, m_nEdgeMask))
        context->DrawTransparentMasked(piece.destination, m_pStrip.get(), piece.source, nullptr, nullptr, nullptr,
                                       nullptr);
}
