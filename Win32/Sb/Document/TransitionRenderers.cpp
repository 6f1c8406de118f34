#include "Win32/Sb/Document/TransitionRenderers.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Win32/Sb/Document/TransitionRaster.h"

namespace {

constexpr BYTE kA = 0;
constexpr BYTE kB = 255;

// Floating-point coordinates become integers by truncation toward zero.
INT Trunc(double value)
{
    return static_cast<INT>(value);
}

struct Frame {
    INT L, T, R, B, W, H;
};

Frame FrameOf(const RECT& rect)
{
    return Frame{rect.left, rect.top, rect.right, rect.bottom, rect.right - rect.left, rect.bottom - rect.top};
}

// The bottom-right corner figure of the wipes at `q`, or its complement.
void BottomRightCorner(TransitionRaster& raster, const Frame& f, double q, bool complement)
{
    const INT L = f.L, T = f.T, R = f.R, B = f.B, W = f.W, H = f.H;
    if (q < 0.5) {
        const INT y = Trunc(B - 2 * q * H);
        const INT x = Trunc(R - 2 * q * W);
        if (!complement) {
            const POINT p[] = {{R, B}, {R, y}, {x, B}};
            raster.Polygon(p, 3, kB, false);
        } else {
            const POINT p[] = {{L, T}, {R, T}, {R, y}, {x, B}, {L, B}};
            raster.Polygon(p, 5, kB, false);
        }
    } else {
        const INT x = Trunc(R - 2 * (q - 0.5) * W);
        const INT y = Trunc(T + 2 * (1 - q) * H);
        if (!complement) {
            const POINT p[] = {{R, B}, {R, T}, {x, T}, {L, y}, {L, B}};
            raster.Polygon(p, 5, kB, false);
        } else {
            const POINT p[] = {{L, T}, {x, T}, {L, y}};
            raster.Polygon(p, 3, kB, false);
        }
    }
}

// The mirror image: the bottom-left corner figure, or its complement.
void BottomLeftCorner(TransitionRaster& raster, const Frame& f, double q, bool complement)
{
    const INT L = f.L, T = f.T, R = f.R, B = f.B, W = f.W, H = f.H;
    if (q < 0.5) {
        const INT x = Trunc(L + 2 * q * W);
        const INT y = Trunc(B - 2 * q * H);
        if (!complement) {
            const POINT p[] = {{L, B}, {x, B}, {L, y}};
            raster.Polygon(p, 3, kB, false);
        } else {
            const POINT p[] = {{R, T}, {R, B}, {x, B}, {L, y}, {L, T}};
            raster.Polygon(p, 5, kB, false);
        }
    } else {
        const INT y = Trunc(T + 2 * (1 - q) * H);
        const INT x = Trunc(L + 2 * (q - 0.5) * W);
        if (!complement) {
            const POINT p[] = {{L, B}, {R, B}, {R, y}, {x, T}, {L, T}};
            raster.Polygon(p, 5, kB, false);
        } else {
            const POINT p[] = {{R, T}, {R, y}, {x, T}};
            raster.Polygon(p, 3, kB, false);
        }
    }
}

// The cells of a dither tile in the order they turn to B.
constexpr std::array<INT, 65> kDitherOrder{11, 55, 43, 19, 41, 51, 3,  31, 60, 24, 1,  64, 14, 22, 47, 7,  34,
                                           49, 18, 61, 30, 10, 25, 36, 6,  38, 53, 2,  42, 58, 12, 44, 57, 13,
                                           33, 62, 23, 50, 63, 16, 39, 27, 9,  54, 48, 5,  32, 56, 17, 45, 37,
                                           15, 40, 35, 59, 20, 29, 4,  28, 21, 52, 46, 8,  26, 0};

} // namespace

void CutTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float, RECT*, RECT*) const
{
    raster.FillRect(rect, kA);
}

void DissolveTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*,
                                    RECT*) const
{
    raster.FillRect(rect, static_cast<BYTE>(Trunc(progress * 255.0) & 0xFF));
}

void WipeTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                                RECT* movedB) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    raster.FillRect(rect, kA);
    INT s = 0;
    switch (m_pParams->m_nDirection) {
    case 1: {
        const INT y = Trunc(f.B - f.H * p);
        raster.FillRect(RECT{f.L, y, f.R, f.B}, kB);
        s = f.B - y;
        break;
    }
    case 3: {
        const INT x = Trunc(f.R - f.W * p);
        raster.FillRect(RECT{x, f.T, f.R, f.B}, kB);
        s = f.R - x;
        break;
    }
    case 5: {
        const INT y = Trunc(f.T + f.H * p);
        raster.FillRect(RECT{f.L, f.T, f.R, y}, kB);
        s = y - f.T;
        break;
    }
    case 7: {
        const INT x = Trunc(f.L + f.W * p);
        raster.FillRect(RECT{f.L, f.T, x, f.B}, kB);
        s = x - f.L;
        break;
    }
    case 2: BottomRightCorner(raster, f, p, false); return;
    case 4: BottomLeftCorner(raster, f, 1.0 - p, true); return;
    case 6: BottomRightCorner(raster, f, 1.0 - p, true); return;
    case 8: BottomLeftCorner(raster, f, p, false); return;
    default: return;
    }
    const INT style = m_pParams->m_nStyle;
    const bool moveA = (style == 3 || style == 5) && movedA != nullptr;
    const bool moveB = (style == 4 || style == 5) && movedB != nullptr;
    switch (m_pParams->m_nDirection) {
    case 1:
        if (moveA) { movedA->top = f.T + s; movedA->bottom = f.B + s; }
        if (moveB) { movedB->top = f.T + s - f.H; movedB->bottom = f.B + s - f.H; }
        break;
    case 3:
        if (moveA) { movedA->left = f.L - s; movedA->right = f.R - s; }
        if (moveB) { movedB->left = f.L - s + f.W; movedB->right = f.R - s + f.W; }
        break;
    case 5:
        if (moveA) { movedA->top = f.T - s; movedA->bottom = f.B - s; }
        if (moveB) { movedB->top = f.T - s + f.H; movedB->bottom = f.B - s + f.H; }
        break;
    case 7:
        if (moveA) { movedA->left = f.L + s; movedA->right = f.R + s; }
        if (moveB) { movedB->left = f.L + s - f.W; movedB->right = f.R + s - f.W; }
        break;
    default: break;
    }
}

void BlindsTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    raster.FillRect(rect, kA);
    if (m_pParams->m_nDirection == 7) {
        // The strips leave the W - 4e columns at the right edge to A.
        const INT e = f.W / 4;
        for (INT i = 0; i < 4; ++i) {
            const INT left = f.L + i * e;
            raster.FillRect(RECT{left, f.T, Trunc(left + e * p), f.B}, kB);
        }
    } else if (m_pParams->m_nDirection == 5) {
        const INT e = f.H / 4;
        for (INT i = 0; i < 4; ++i) {
            const INT top = f.T + i * e;
            const INT height = i == 3 ? f.B - top : e;
            raster.FillRect(RECT{f.L, top, f.R, Trunc(top + height * p)}, kB);
        }
    }
}

void ClockTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    raster.FillRect(rect, kA);
    const INT P = 2 * (f.W + f.H);
    const INT m = Trunc(P * static_cast<double>(progress) + f.W / 2);
    const INT halfW = f.W / 2;
    if (m <= halfW)
        return;
    POINT points[8];
    INT n = 0;
    points[n++] = POINT{f.L + f.W / 2, f.T + f.H / 2};
    points[n++] = POINT{f.L + f.W / 2, f.B};
    if (m <= f.W) {
        points[n++] = POINT{f.R - m, f.B};
    } else if (m <= f.W + f.H) {
        points[n++] = POINT{f.L, f.B};
        points[n++] = POINT{f.L, f.B + f.W - m};
    } else if (m <= 2 * f.W + f.H) {
        points[n++] = POINT{f.L, f.B};
        points[n++] = POINT{f.L, f.T};
        points[n++] = POINT{f.L + m - f.W - f.H, f.T};
    } else if (m <= P) {
        points[n++] = POINT{f.L, f.B};
        points[n++] = POINT{f.L, f.T};
        points[n++] = POINT{f.R, f.T};
        points[n++] = POINT{f.R, f.T + m - 2 * f.W - f.H};
    } else {
        points[n++] = POINT{f.L, f.B};
        points[n++] = POINT{f.L, f.T};
        points[n++] = POINT{f.R, f.T};
        points[n++] = POINT{f.R, f.B};
        points[n++] = POINT{f.R + P - m, f.B};
    }
    raster.Polygon(points, n, kB, true);
}

void DitherTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    const double x = std::clamp((progress - 0.5) * 1.2, -0.5, 0.5);
    const INT d = Trunc((x + 0.5) * 64);
    raster.PushClip(rect);
    raster.FillRect(rect, kA);
    for (INT k = 0; k <= d; ++k) {
        const INT cell = kDitherOrder[k];
        const INT cx = 5 * (cell % 8);
        const INT cy = 5 * (cell / 8);
        for (INT j = 0; j <= f.H / 40; ++j) {
            for (INT i = 0; i <= f.W / 40; ++i) {
                const INT left = f.L + 40 * i + cx;
                const INT top = f.T + 40 * j + cy;
                raster.FillRect(RECT{left, top, left + 5, top + 5}, kB);
            }
        }
    }
    raster.PopClip();
}

void BarnDoorTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*,
                                    RECT*) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    const INT direction = m_pParams->m_nDirection;
    INT g = 0;
    switch (direction) {
    case 1: g = Trunc((f.H >> 1) * p); break;
    case 5: g = Trunc((f.H >> 1) * (1 - p)); break;
    case 7: g = Trunc((f.W >> 1) * p); break;
    case 3: g = Trunc((f.W >> 1) * (1 - p)); break;
    default: break;
    }
    const bool opening = direction == 7 || direction == 1;
    const BYTE background = opening ? kA : kB;
    const BYTE bars = opening ? kB : kA;
    raster.FillRect(rect, background);
    if (direction == 7 || direction == 3) {
        raster.FillRect(RECT{f.L, f.T, f.L + g, f.B}, bars);
        raster.FillRect(RECT{f.R - g, f.T, f.R, f.B}, bars);
    } else if (direction == 1 || direction == 5) {
        raster.FillRect(RECT{f.L, f.T, f.R, f.T + g}, bars);
        raster.FillRect(RECT{f.L, f.B - g, f.R, f.B}, bars);
    }
}

void IrisTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    const INT style = m_pParams->m_nStyle;
    const bool shrinking = style == 1;
    const double q = shrinking ? 1.0 - p : p;
    BYTE figure = shrinking ? kA : kB;
    BYTE background = shrinking ? kB : kA;
    const INT cx = f.L + f.W / 2;
    const INT cy = f.T + f.H / 2;
    raster.PushClip(rect);
    switch (m_pParams->m_nShape) {
    case 1: {
        raster.FillRect(rect, background);
        const INT r = Trunc(std::sqrt(static_cast<double>(f.W) * f.W + static_cast<double>(f.H) * f.H) * 0.5 * q);
        const INT x = Trunc(f.L + f.W * 0.5);
        const INT y = Trunc(f.T + f.H * 0.5);
        if (f.W >= f.H)
            raster.Ellipse(RECT{x - r, y - r, x + r, y + r}, figure, true);
        else
            raster.Ellipse(RECT{x - r, y - 2 * r, x + r, y + 2 * r}, figure, true);
        break;
    }
    case 2: {
        // The cross has its own progress and colours.
        const double crossQ = style == 2 ? 1.0 - p : p;
        figure = style == 2 ? kB : kA;
        background = style == 2 ? kA : kB;
        raster.FillRect(rect, background);
        const INT a = Trunc(crossQ * (f.W >> 1));
        const INT b = Trunc(crossQ * (f.H >> 1));
        raster.Rectangle(RECT{f.L + a, f.T, f.R - a, f.B}, figure, true);
        raster.Rectangle(RECT{f.L, f.T + b, f.R, f.B - b}, figure, true);
        break;
    }
    case 3: {
        raster.FillRect(rect, background);
        const INT halfW = Trunc(f.W / 2 * q + 5);
        const INT halfH = Trunc(q * (f.H / 2) + 5);
        raster.Rectangle(RECT{cx - halfW, cy - halfH, cx + halfW, cy + halfH}, figure, true);
        break;
    }
    case 4: {
        raster.FillRect(rect, background);
        const INT e = Trunc(f.H * q * 1.5);
        const INT d = Trunc(q * f.W * 1.5);
        const POINT points[] = {{cx, cy - e}, {cx - d, cy + e}, {cx + d, cy + e}};
        raster.Polygon(points, 3, figure, true);
        break;
    }
    default:
        raster.FillRect(rect, background);
        break;
    }
    raster.PopClip();
}

void CombTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    const INT direction = m_pParams->m_nDirection;
    raster.PushClip(rect);
    raster.FillRect(rect, kA);
    if (direction == 7) {
        const INT fill = Trunc(f.W * p);
        for (INT strip = 0, top = f.T; top < f.B; ++strip, top += 5) {
            const RECT band = strip % 2 == 0 ? RECT{f.R - fill, top, f.R, top + 5} : RECT{f.L, top, f.L + fill, top + 5};
            raster.FillRect(band, kB);
        }
    } else if (direction == 5) {
        const INT fill = Trunc(f.H * p);
        for (INT strip = 0, left = f.L; left < f.R; ++strip, left += 5) {
            const RECT band =
                strip % 2 == 0 ? RECT{left, f.B - fill, left + 5, f.B} : RECT{left, f.T, left + 5, f.T + fill};
            raster.FillRect(band, kB);
        }
    }
    raster.PopClip();
}

void CornerBoxTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                                     RECT* movedB) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    const INT direction = m_pParams->m_nDirection;
    if (direction != 2 && direction != 4 && direction != 6 && direction != 8) {
        raster.FillRect(rect, kA);
        return;
    }
    const INT x = (direction == 6 || direction == 8) ? Trunc(f.W * p + f.L) : Trunc((1 - p) * f.W + f.L);
    const INT y = (direction == 6 || direction == 4) ? Trunc(f.H * p + f.T) : Trunc((1 - p) * f.H + f.T);
    const RECT topLeft{f.L, f.T, x, y};
    const RECT topRight{x, f.T, f.R, y};
    const RECT bottomLeft{f.L, y, x, f.B};
    const RECT bottomRight{x, y, f.R, f.B};
    const INT W = f.W, H = f.H, T = f.T, B = f.B;
    if (m_pParams->m_nStyle == 3) {
        raster.FillRect(rect, kB);
        RECT moved{};
        switch (direction) {
        case 2:
            raster.FillRect(topLeft, kA);
            moved = RECT{x - W, T + H - y, x, B + H - y};
            break;
        // Directions 4 and 6 count from the rectangle's top like 2 and 8.
        case 4:
            raster.FillRect(bottomLeft, kA);
            moved = RECT{x - W, T - y, x, T + H - y};
            break;
        case 6:
            raster.FillRect(bottomRight, kA);
            moved = RECT{x, T - y, x + W, T + H - y};
            break;
        default:
            raster.FillRect(topRight, kA);
            moved = RECT{x, T + H - y, x + W, B + H - y};
            break;
        }
        if (movedA != nullptr)
            *movedA = moved;
        return;
    }
    raster.FillRect(rect, kA);
    RECT moved{};
    switch (direction) {
    case 2:
        raster.FillRect(bottomRight, kB);
        moved = RECT{x, T + B - y - H, x + W, 2 * B - y - H};
        break;
    case 4:
        raster.FillRect(topRight, kB);
        moved = RECT{x, T + H - y, x + W, B + H - y};
        break;
    case 6:
        raster.FillRect(topLeft, kB);
        moved = RECT{x - W, T + H - y, x, B + H - y};
        break;
    default:
        raster.FillRect(bottomLeft, kB);
        moved = RECT{x - W, T + B - y - H, x, 2 * B - y - H};
        break;
    }
    if (movedB != nullptr)
        *movedB = moved;
}

void DoorTransition::DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT*, RECT*) const
{
    const Frame f = FrameOf(rect);
    const double p = progress;
    const bool style1 = m_pParams->m_nStyle == 1;
    // Style 2 runs the swing backwards: the roles of p and 1 - p exchange.
    const double u = style1 ? 1.0 - p : p;
    const double v = style1 ? p : 1.0 - p;
    const BYTE background = style1 ? kA : kB;
    const BYTE door = style1 ? kB : kA;
    raster.PushClip(rect);
    raster.FillRect(rect, background);
    POINT points[4];
    bool draw = true;
    switch (m_pParams->m_nDirection) {
    case 3: {
        const INT l = Trunc(u * f.W);
        const INT e = Trunc(u * f.H * 0.25);
        points[0] = {f.L, f.T};
        points[1] = {f.R - l, f.T + e};
        points[2] = {f.R - l, f.B - e};
        points[3] = {f.L, f.B};
        break;
    }
    case 7: {
        const INT x = Trunc(u * f.W) + f.R - f.W;
        const INT e = Trunc(u * f.H * 0.25);
        points[0] = {f.R, f.T};
        points[1] = {x, f.T + e};
        points[2] = {x, f.B - e};
        points[3] = {f.R, f.B};
        break;
    }
    case 1: {
        const INT e = Trunc(f.H * v);
        const INT g = Trunc(u * f.W * 0.25);
        points[0] = {f.L, f.T};
        points[1] = {f.L + g, f.T + e};
        points[2] = {f.R - g, f.T + e};
        points[3] = {f.R, f.T};
        break;
    }
    case 5: {
        const INT e = Trunc(f.H * v);
        const INT g = Trunc(u * f.W * 0.25);
        points[0] = {f.L, f.B};
        points[1] = {f.L + g, f.B - e};
        points[2] = {f.R - g, f.B - e};
        points[3] = {f.R, f.B};
        break;
    }
    default: draw = false; break;
    }
    if (draw)
        raster.Polygon(points, 4, door, true);
    raster.PopClip();
}
