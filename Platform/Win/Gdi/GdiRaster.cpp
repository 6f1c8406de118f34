#include "Platform/Win/Gdi/Private/GdiRaster.h"

#include <algorithm>

namespace win::gdi {

namespace {

constexpr DWORD kRgb = 0x00FFFFFF;

template <typename Op>
void Apply(DWORD* dst, const DWORD* s, const DWORD* p, LONG count, bool holes, Op op)
{
    if (holes) {
        for (LONG i = 0; i < count; ++i)
            if (!(p[i] & kLeavePixel))
                dst[i] = op(p[i], s ? s[i] : 0, dst[i]) & kRgb;
        return;
    }
    for (LONG i = 0; i < count; ++i)
        dst[i] = op(p ? p[i] : 0, s ? s[i] : 0, dst[i]) & kRgb;
}

// Sum of the minterms of the index, for the codes without a fast path.
DWORD General(BYTE index, DWORD p, DWORD s, DWORD d)
{
    DWORD result = 0;
    for (int term = 0; term < 8; ++term) {
        if (!((index >> term) & 1))
            continue;
        result |= ((term & 4) ? p : ~p) & ((term & 2) ? s : ~s) & ((term & 1) ? d : ~d);
    }
    return result;
}

} // namespace

BYTE RopFromRop2(int mode)
{
    // R2 codes are 1 + a 4-entry table over (pen, destination).
    BYTE r2 = static_cast<BYTE>((mode - 1) & 0xF);
    BYTE index = 0;
    for (int term = 0; term < 8; ++term) {
        int p = (term >> 2) & 1, d = term & 1;
        if ((r2 >> ((p << 1) | d)) & 1)
            index |= static_cast<BYTE>(1 << term);
    }
    return index;
}

void CombineRow(BYTE rop, DWORD* dst, const DWORD* s, const DWORD* p, LONG count, bool holes)
{
    holes = holes && p;
    switch (rop) {
    case 0xCC: // SRCCOPY
        if (!holes) {
            for (LONG i = 0; i < count; ++i)
                dst[i] = s[i] & kRgb;
            return;
        }
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD) { return sv; });
    case 0xF0: // PATCOPY
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD, DWORD) { return pv; });
    case 0x88: // SRCAND
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return sv & dv; });
    case 0xEE: // SRCPAINT
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return sv | dv; });
    case 0x66: // SRCINVERT
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return sv ^ dv; });
    case 0x33: // NOTSRCCOPY
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD) { return ~sv; });
    case 0x44: // SRCERASE
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return sv & ~dv; });
    case 0x11: // NOTSRCERASE
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return ~(sv | dv); });
    case 0xBB: // MERGEPAINT
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD sv, DWORD dv) { return ~sv | dv; });
    case 0xC0: // MERGECOPY
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD sv, DWORD) { return pv & sv; });
    case 0x55: // DSTINVERT
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD, DWORD dv) { return ~dv; });
    case 0x5A: // PATINVERT
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD, DWORD dv) { return pv ^ dv; });
    case 0xA0: // pen AND destination
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD, DWORD dv) { return pv & dv; });
    case 0xFA: // pen OR destination
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD, DWORD dv) { return pv | dv; });
    case 0xB8: // the classic mask-through-pattern (PSDPxax)
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD sv, DWORD dv) { return ((pv ^ dv) & sv) ^ pv; });
    case 0xE2: // DSPDxax
        return Apply(dst, s, p, count, holes, [](DWORD pv, DWORD sv, DWORD dv) { return ((pv ^ dv) & sv) ^ dv; });
    case 0xAA: // destination unchanged
        return;
    case 0x00:
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD, DWORD) { return 0u; });
    case 0xFF:
        return Apply(dst, s, p, count, holes, [](DWORD, DWORD, DWORD) { return kRgb; });
    default:
        return Apply(dst, s, p, count, holes, [rop](DWORD pv, DWORD sv, DWORD dv) { return General(rop, pv, sv, dv); });
    }
}

Paint Paint::Solid(DWORD pixel)
{
    Paint paint;
    paint.m_pixel = pixel;
    return paint;
}

Paint Paint::FromBrush(const DeviceContext& dc, const Brush* brush)
{
    Paint paint;
    if (!brush || brush->m_style == BS_NULL) {
        paint.m_null = true;
        return paint;
    }
    paint.m_origin = POINT{dc.m_state.brushOrg.x + dc.m_origin.x, dc.m_state.brushOrg.y + dc.m_origin.y};
    if (brush->m_style == BS_HATCHED) {
        const DWORD ink = DcPixel(dc, brush->Color());
        const DWORD back = dc.m_state.bkMode == OPAQUE ? DcPixel(dc, dc.m_state.bkColor) : kLeavePixel;
        paint.m_holes = dc.m_state.bkMode != OPAQUE;
        paint.m_width = 8;
        paint.m_height = 8;
        paint.m_pattern.assign(64, back);
        for (LONG y = 0; y < 8; ++y) {
            for (LONG x = 0; x < 8; ++x) {
                bool on = false;
                switch (brush->m_hatch) {
                case HS_HORIZONTAL: on = y == 7; break;
                case HS_VERTICAL: on = x == 7; break;
                case HS_FDIAGONAL: on = x == y; break;
                case HS_BDIAGONAL: on = x == 7 - y; break;
                case HS_CROSS: on = x == 7 || y == 7; break;
                default: on = x == y || x == 7 - y; break;
                }
                if (on)
                    paint.m_pattern[static_cast<size_t>(y * 8 + x)] = ink;
            }
        }
        return paint;
    }
    if (brush->m_style == BS_PATTERN && !brush->m_pattern.empty()) {
        paint.m_width = brush->m_patternWidth;
        paint.m_height = brush->m_patternHeight;
        paint.m_pattern = brush->m_pattern;
        // A monochrome pattern takes the DC's colours: 0 the text colour,
        // 1 the background colour.
        const DWORD zero = DcPixel(dc, dc.m_state.textColor);
        const DWORD one = DcPixel(dc, dc.m_state.bkColor);
        for (DWORD& pixel : paint.m_pattern) {
            if (brush->m_patternMono)
                pixel = pixel ? one : zero;
            else if (dc.IsMono())
                pixel = DcPixel(dc, ColorFromPixel(pixel));
        }
        return paint;
    }
    paint.m_pixel = DcPixel(dc, brush->Color());
    return paint;
}

void Paint::Row(LONG x, LONG y, LONG count, DWORD* out) const
{
    if (m_pattern.empty()) {
        std::fill(out, out + count, m_pixel);
        return;
    }
    LONG py = (y - m_origin.y) % m_height;
    if (py < 0)
        py += m_height;
    const DWORD* row = m_pattern.data() + static_cast<size_t>(py) * static_cast<size_t>(m_width);
    LONG px = (x - m_origin.x) % m_width;
    if (px < 0)
        px += m_width;
    for (LONG i = 0; i < count; ++i) {
        out[i] = row[px];
        if (++px == m_width)
            px = 0;
    }
}

void NormaliseSpans(std::vector<Span>* spans)
{
    std::sort(spans->begin(), spans->end(),
              [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    std::vector<Span> out;
    out.reserve(spans->size());
    for (const Span& s : *spans) {
        if (s.x1 <= s.x0)
            continue;
        if (!out.empty() && out.back().y == s.y && s.x0 <= out.back().x1)
            out.back().x1 = std::max(out.back().x1, s.x1);
        else
            out.push_back(s);
    }
    *spans = std::move(out);
}

RECT RowsOf(std::initializer_list<const std::vector<Span>*> lists)
{
    LONG top = 0x7FFFFFFF, bottom = -0x7FFFFFFF;
    for (const std::vector<Span>* spans : lists)
        for (const Span& s : *spans) {
            top = std::min(top, s.y);
            bottom = std::max(bottom, s.y + 1);
        }
    return top < bottom ? RECT{0, top, 0, bottom} : RECT{0, 0, 0, 0};
}

void PaintSpans(const DeviceContext& dc, Surface& surface, const std::vector<Span>& spans, const Paint& paint,
                BYTE rop)
{
    if (paint.IsNull() || spans.empty())
        return;
    detail::RectRegion area = dc.DrawableRegion();
    area.Intersect(RECT{0, 0, surface.Width(), surface.Height()});
    std::vector<DWORD> pattern;
    for (const RECT& clip : area.Rects()) {
        for (const Span& s : spans) {
            if (s.y < clip.top || s.y >= clip.bottom)
                continue;
            LONG x0 = std::max(s.x0, clip.left);
            LONG x1 = std::min(s.x1, clip.right);
            if (x0 >= x1)
                continue;
            pattern.resize(static_cast<size_t>(x1 - x0));
            paint.Row(x0, s.y, x1 - x0, pattern.data());
            CombineRow(rop, surface.Row(s.y) + x0, nullptr, pattern.data(), x1 - x0, paint.HasHoles());
        }
    }
}

RECT DrawBounds(const DeviceContext& dc)
{
    if (!dc.m_surface)
        return RECT{0, 0, 0, 0};
    SIZE size = dc.m_surface->Size();
    return detail::IntersectRects(dc.DrawableRegion().Bounds(), RECT{0, 0, size.cx, size.cy});
}

void PaintRect(const DeviceContext& dc, Surface& surface, const RECT& rect, const Paint& paint, BYTE rop)
{
    if (paint.IsNull())
        return;
    detail::RectRegion area = dc.DrawableRegion();
    area.Intersect(RECT{0, 0, surface.Width(), surface.Height()});
    area.Intersect(rect);
    std::vector<DWORD> pattern;
    for (const RECT& r : area.Rects()) {
        LONG count = r.right - r.left;
        pattern.resize(static_cast<size_t>(count));
        for (LONG y = r.top; y < r.bottom; ++y) {
            paint.Row(r.left, y, count, pattern.data());
            CombineRow(rop, surface.Row(y) + r.left, nullptr, pattern.data(), count, paint.HasHoles());
        }
    }
}

} // namespace win::gdi
