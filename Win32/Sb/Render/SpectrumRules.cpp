#include "Win32/Sb/Render/SpectrumRules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Win32/Sb/Render/SpectrumEffectRenderer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

const BYTE* SourceAt(const SpectrumCanvas& c, int x, int y)
{
    return c.source + static_cast<std::ptrdiff_t>(y) * c.sourceStride + 3 * x;
}

BYTE* FrameAt(const SpectrumCanvas& c, int x, int y)
{
    return c.frame + static_cast<std::ptrdiff_t>(y) * c.frameStride + 3 * x;
}

void CopyPixel(BYTE* to, const BYTE* from)
{
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

void PaintPixel(const SpectrumCanvas& c, BYTE* to)
{
    CopyPixel(to, c.color);
}

void FillFrame(const SpectrumCanvas& c)
{
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x)
            PaintPixel(c, FrameAt(c, x, y));
    }
}

// (1 - a) x from + a x colour, per channel, truncated.
void MixTowardColor(const SpectrumCanvas& c, BYTE* to, const BYTE* from, double a)
{
    for (int i = 0; i < 3; ++i)
        to[i] = static_cast<BYTE>(static_cast<int>((1.0 - a) * from[i] + a * c.color[i]));
}

int ClampInt(int value, int low, int high)
{
    return std::min(std::max(value, low), high);
}

// Centred coordinates with the shorter axis scaled so that the frame's
// half sizes become equal: scale[0] for x, scale[1] for y.
void HalfSizeScales(const SpectrumCanvas& c, double scale[2])
{
    const double halfW = c.width / 2;
    const double halfH = c.height / 2;
    scale[0] = 1.0;
    scale[1] = 1.0;
    if (halfW <= 0.0 || halfH <= 0.0)
        return;
    if (halfW >= halfH)
        scale[1] = halfW / halfH;
    else
        scale[0] = halfH / halfW;
}

// A pixel in coordinates centred on the frame, the shorter axis scaled so
// that the half sizes match, with its distance from the centre.
struct CentredPixel {
    int x;
    int y;
    double dx;
    double dy;
    double r;
};

// Visits every pixel of the frame, row by row, in centred coordinates;
// `scale` receives the two axis scales.
template <typename Visit>
void ForEachCentred(const SpectrumCanvas& c, double scale[2], Visit visit)
{
    HalfSizeScales(c, scale);
    const int cx = c.width / 2;
    const int cy = c.height / 2;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const double dx = (x - cx) * scale[0];
            const double dy = (y - cy) * scale[1];
            visit(CentredPixel{x, y, dx, dy, std::sqrt(dx * dx + dy * dy)});
        }
    }
}

void Twirl(const SpectrumCanvas& c)
{
    const int cx = c.width / 2;
    const int cy = c.height / 2;
    const double radius = std::max(cx, cy);
    if (radius <= 0.0)
        return;
    double scale[2];
    ForEachCentred(c, scale, [&](const CentredPixel& p) {
        if (p.r >= radius)
            return;
        const double fall = 1.0 - p.r / radius;
        const double a = c.level * kDegree * fall * fall;
        const double sa = std::sin(a);
        const double ca = std::cos(a);
        const int sx = ClampInt(static_cast<int>(cx + (p.dx * ca - p.dy * sa) / scale[0]), 0, c.width - 1);
        const int sy = ClampInt(static_cast<int>(cy + (p.dx * sa + p.dy * ca) / scale[1]), 0, c.height - 1);
        CopyPixel(FrameAt(c, p.x, p.y), SourceAt(c, sx, sy));
    });
}

void Bulge(const SpectrumCanvas& c)
{
    double v = c.level * 0.01;
    if (v == 0.0)
        v = 0.01;
    const int w = c.width / 2;
    if (w <= 0)
        return;
    const double phi = std::sqrt(std::fabs(v)) * kPi / 2.0;
    const double sinPhi = std::sin(phi);
    std::vector<double> table(static_cast<size_t>(8 * w + 1));
    for (size_t k = 0; k < table.size(); ++k) {
        if (v > 0.0)
            table[k] = std::asin(std::min(1.0, k / (8.0 * w / sinPhi))) * w / phi;
        else
            table[k] = (w / sinPhi) * std::sin(phi * k / (8.0 * w));
    }
    const int cx = c.width / 2;
    const int cy = c.height / 2;
    double scale[2];
    ForEachCentred(c, scale, [&](const CentredPixel& p) {
        if (p.r >= w || p.r <= 0.0)
            return;
        const size_t k = std::min(static_cast<size_t>(8.0 * p.r + 0.5), table.size() - 1);
        const double f = table[k] / p.r;
        const int sx = static_cast<int>(cx + p.dx * f / scale[0]);
        const int sy = static_cast<int>(cy + p.dy * f / scale[1]);
        if (sx < 0 || sx >= c.width || sy < 0 || sy >= c.height)
            return;
        CopyPixel(FrameAt(c, p.x, p.y), SourceAt(c, sx, sy));
    });
}

void Brighten(const SpectrumCanvas& c)
{
    const double d = c.level * 0.01;
    const int f = std::min(std::abs(static_cast<int>(d * 255.0)), 255);
    static constexpr BYTE kBlack[3] = {0, 0, 0};
    const BYTE* target = d >= 0.0 ? c.color : kBlack;
    for (int y = 0; y < c.height; ++y) {
        BYTE* p = FrameAt(c, 0, y);
        for (int x = 0; x < c.width; ++x, p += 3) {
            for (int i = 0; i < 3; ++i)
                p[i] = static_cast<BYTE>(f * target[i] / 256 + p[i] * (255 - f) / 256);
        }
    }
}

void Tiles(const SpectrumCanvas& c)
{
    const int n = static_cast<int>(c.level);
    if (n <= 0)
        return;
    FillFrame(c);
    const int tileRows = (c.height - 1) / n + 1;
    const int tileColumns = (c.width - 1) / n + 1;
    SpectrumRandom& random = *c.random;
    int mask = random.Next() % 40;
    while (mask == 0)
        mask = random.Next() % 40;
    for (int top = 0; top < c.height; top += tileRows) {
        for (int left = 0; left < c.width; left += tileColumns) {
            const int h = std::min(tileRows, c.height - top);
            const int w = std::min(tileColumns, c.width - left);
            if (w <= 2 || h <= 2)
                continue;
            const int dy = (mask & random.Next()) - (mask & random.Next());
            int dx = (mask & random.Next()) - (mask & random.Next());
            if (dx == dy)
                dx = (mask & random.Next()) - (mask & random.Next());
            const int toTop = std::max(top + dy, 0);
            const int toLeft = std::max(left + dx, 0);
            for (int y = 0; y < h && toTop + y < c.height; ++y) {
                for (int x = 0; x < w && toLeft + x < c.width; ++x) {
                    BYTE* to = FrameAt(c, toLeft + x, toTop + y);
                    if (y == 0 || y == h - 1 || x == 0 || x == w - 1)
                        PaintPixel(c, to);
                    else
                        CopyPixel(to, SourceAt(c, left + x, top + y));
                }
            }
        }
    }
}

int Grey(const BYTE* p)
{
    return (76 * p[2] + 151 * p[1] + 28 * p[0]) >> 8;
}

void Emboss(const SpectrumCanvas& c)
{
    const int b = static_cast<int>(c.level * 0.01 * 255.0);
    const int e = 255 - std::min(b, 255);
    for (int y = 0; y < c.height; ++y) {
        int previous = 0;
        for (int x = 0; x < c.width; ++x) {
            const BYTE* s = SourceAt(c, x, y);
            const int grey = Grey(s);
            const int relief = x == 0 ? 128 : ClampInt(grey - previous, -128, 127) + 128;
            previous = grey;
            BYTE* p = FrameAt(c, x, y);
            for (int i = 0; i < 3; ++i)
                p[i] = static_cast<BYTE>(e * s[i] / 256 + (255 - e) * relief / 256);
        }
    }
}

void Ripple(const SpectrumCanvas& c)
{
    const int w = static_cast<int>(c.level + 0.5);
    const double cx = c.width / 2;
    const double cy = c.height / 2;
    const double corner = std::sqrt(cx * cx + cy * cy);
    const double outer = w * 0.01 * corner;
    const double inner = w > 100 ? corner * (w - 100) / 100.0 : 0.0;
    double scale[2];
    ForEachCentred(c, scale, [&](const CentredPixel& p) {
        if (p.r >= outer || p.r <= inner)
            return;
        const double s = 1.0 - p.r / outer;
        const double wave = std::sin(w * 0.01 * 3780.0 * kDegree * s);
        const double a = 20.0 * kDegree * wave * s * s;
        const int sx = ClampInt(static_cast<int>(cx + (p.dx * std::cos(a) - p.r * std::sin(a)) / scale[0]), 0, c.width - 1);
        const int sy = ClampInt(static_cast<int>(cy + (p.dy * std::cos(a) + p.r * std::sin(a)) / scale[1]), 0, c.height - 1);
        BYTE* pixel = FrameAt(c, p.x, p.y);
        CopyPixel(pixel, SourceAt(c, sx, sy));
        const double theta = std::atan2(p.dy, p.dx);
        const int shade = static_cast<int>(std::cos(kPi / 2.0 * std::fabs(std::cos(theta - kPi / 4.0)))
                                           * std::sin(kPi / 2.0 * std::fabs(wave)) * 0.3 * 256.0);
        if (shade == 0)
            return;
        for (int i = 0; i < 3; ++i)
            pixel[i] = static_cast<BYTE>(wave > 0.0 ? pixel[i] + (255 - pixel[i]) * shade / 256
                                                    : pixel[i] - pixel[i] * shade / 256);
    });
}

// The weight of the colour wash at a pixel.
using WashWeight = double (*)(const SpectrumCanvas& c, int x, int y);

template <WashWeight Weight>
void ColorWash(const SpectrumCanvas& c)
{
    for (int y = 0; y < c.height; ++y) {
        BYTE* p = FrameAt(c, 0, y);
        for (int x = 0; x < c.width; ++x, p += 3)
            MixTowardColor(c, p, p, c.level * 0.01 * Weight(c, x, y));
    }
}

double Uniform(const SpectrumCanvas&, int, int)
{
    return 1.0;
}
double FromFirstColumn(const SpectrumCanvas& c, int x, int)
{
    return 1.0 - static_cast<double>(x) / c.width;
}
double FromLastColumn(const SpectrumCanvas& c, int x, int)
{
    return static_cast<double>(x) / c.width;
}
double FromLastRow(const SpectrumCanvas& c, int, int y)
{
    return static_cast<double>(y) / c.height;
}
double FromFirstRow(const SpectrumCanvas& c, int, int y)
{
    return 1.0 - static_cast<double>(y) / c.height;
}

void OilPaint(const SpectrumCanvas& c)
{
    const int radius = ClampInt(static_cast<int>(c.level + 0.5), 1, 8);
    for (int y = radius + 1; y < c.height - radius; ++y) {
        for (int x = radius + 1; x < c.width - radius; ++x) {
            int counts[64] = {};
            int best = 0;
            const BYTE* chosen = SourceAt(c, x, y);
            for (int wy = y - radius; wy <= y + radius; ++wy) {
                const BYTE* s = SourceAt(c, x - radius, wy);
                for (int wx = -radius; wx <= radius; ++wx, s += 3) {
                    const int bin = (76 * s[0] + 151 * s[1] + 28 * s[2]) >> 10;
                    if (++counts[bin] > best) {
                        best = counts[bin];
                        chosen = s;
                    }
                }
            }
            CopyPixel(FrameAt(c, x, y), chosen);
        }
    }
}

void CircularVignette(const SpectrumCanvas& c)
{
    const double cover = 200.0 - c.level;
    const int iw = static_cast<int>(cover * c.width * 0.01);
    const int ih = static_cast<int>(cover * c.height * 0.01);
    const int left = (c.width - iw) / 2;
    const int first = (c.height - ih) / 2;
    const double m = c.width < c.height ? c.height / 2 - first - 1 : c.width / 2 - left;
    const int u = static_cast<int>(0.8 * m);
    if (m - u < 0 || m < 0)
        return;
    double scale[2];
    ForEachCentred(c, scale, [&](const CentredPixel& p) {
        BYTE* pixel = FrameAt(c, p.x, p.y);
        const bool inside = p.x >= left && p.x < left + iw && p.y >= first + 1 && p.y <= first + ih;
        if (!inside || p.r >= m)
            PaintPixel(c, pixel);
        else if (p.r >= u)
            MixTowardColor(c, pixel, SourceAt(c, p.x, p.y), (p.r - u) / (m - u));
    });
}

// The fraction of the band at index i of an inner span [o + 1, o + span].
double BandFraction(int i, int o, int span, int band)
{
    if (band <= 0)
        return 0.0;
    if (i <= o + band)
        return static_cast<double>(o + 1 + band - i) / band;
    if (i > o + span - band)
        return static_cast<double>(i - (o + span - band)) / band;
    return 0.0;
}

void RectangularFrame(const SpectrumCanvas& c)
{
    const double cover = 100.0 - c.level;
    const int iw = static_cast<int>(cover * c.width * 0.01);
    const int ih = static_cast<int>(cover * c.height * 0.01);
    const int o = (c.width - iw) / 2;
    const int e = (c.height - ih) / 2;
    const int band = static_cast<int>(cover * 20.0 * 0.01);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            BYTE* p = FrameAt(c, x, y);
            if (x < o + 1 || x > o + iw || y < e + 1 || y > e + ih) {
                PaintPixel(c, p);
                continue;
            }
            const double h = BandFraction(x, o, iw, band);
            const double v = BandFraction(y, e, ih, band);
            if (h != 0.0 || v != 0.0)
                MixTowardColor(c, p, SourceAt(c, x, y), (h + v) / 2.0);
        }
    }
}

void Mosaic(const SpectrumCanvas& c)
{
    const int block = ClampInt(static_cast<int>(c.level + 0.5), 1, 16);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x)
            CopyPixel(FrameAt(c, x, y), SourceAt(c, block * (x / block), block * (y / block)));
    }
}

void SnowPixel(BYTE* p, double b, int target)
{
    for (int i = 0; i < 3; ++i)
        p[i] = static_cast<BYTE>(static_cast<int>(b * target + (1.0 - b) * p[i]));
}

int SnowTarget(SpectrumRandom& random)
{
    return random.Next() % 10 >= 6 ? 255 : 0;
}

void SnowPerPixel(const SpectrumCanvas& c)
{
    const double b = c.level * 0.01;
    for (int y = 0; y < c.height; ++y) {
        BYTE* p = FrameAt(c, 0, y);
        for (int x = 0; x < c.width; ++x, p += 3)
            SnowPixel(p, b, SnowTarget(*c.random));
    }
}

void SnowPerRow(const SpectrumCanvas& c)
{
    const double b = c.level * 0.01;
    for (int y = 0; y < c.height; ++y) {
        const int target = SnowTarget(*c.random);
        BYTE* p = FrameAt(c, 0, y);
        for (int x = 0; x < c.width; ++x, p += 3)
            SnowPixel(p, b, target);
    }
}

struct TurnAngles {
    double s;
    double k;
};

TurnAngles TurnOf(const SpectrumCanvas& c)
{
    const double a = c.level * kDegree;
    return {std::clamp(std::sin(a), 0.0, 1.0), std::clamp(std::cos(a), 0.0, 1.0)};
}

// Source column `i` drawn at column `to`, scaled vertically by `scale` and
// centred.
void DrawColumnScaled(const SpectrumCanvas& c, int i, int to, double scale)
{
    if (to < 0 || to >= c.width || scale <= 0.0)
        return;
    const int height = std::min(static_cast<int>(c.height * scale), c.height);
    const int top = (c.height - height) / 2;
    for (int j = 0; j < height; ++j)
        CopyPixel(FrameAt(c, to, top + j), SourceAt(c, i, std::min(static_cast<int>(j / scale), c.height - 1)));
}

// Source row `i` drawn at row `to`, scaled horizontally and centred.
void DrawRowScaled(const SpectrumCanvas& c, int i, int to, double scale)
{
    if (to < 0 || to >= c.height || scale <= 0.0)
        return;
    const int width = std::min(static_cast<int>(c.width * scale), c.width);
    const int left = (c.width - width) / 2;
    for (int j = 0; j < width; ++j)
        CopyPixel(FrameAt(c, left + j, to), SourceAt(c, std::min(static_cast<int>(j / scale), c.width - 1), i));
}

void TurnColumnsRight(const SpectrumCanvas& c)
{
    const TurnAngles t = TurnOf(c);
    const double w2 = 2.0 * c.width;
    FillFrame(c);
    for (int i = 0; i < c.width; ++i)
        DrawColumnScaled(c, i, static_cast<int>(t.k * i), w2 / (w2 + t.s * i));
}

void TurnColumnsLeft(const SpectrumCanvas& c)
{
    const TurnAngles t = TurnOf(c);
    const double w2 = 2.0 * c.width;
    FillFrame(c);
    for (int i = 0; i < c.width; ++i) {
        const int d = c.width - i;
        DrawColumnScaled(c, i, static_cast<int>((1.0 - t.k) * d + i), w2 / static_cast<int>(w2 + t.s * d));
    }
}

void TurnRowsFar(const SpectrumCanvas& c)
{
    const TurnAngles t = TurnOf(c);
    const double w2 = 2.0 * c.width;
    FillFrame(c);
    for (int i = 0; i < c.height; ++i) {
        const int d = c.height - i;
        DrawRowScaled(c, i, std::min(static_cast<int>((1.0 - t.k) * d + i), c.height - 1),
                      w2 / static_cast<int>(w2 + t.s * d));
    }
}

void TurnRowsNear(const SpectrumCanvas& c)
{
    const TurnAngles t = TurnOf(c);
    const double w2 = 2.0 * c.width;
    FillFrame(c);
    for (int i = 0; i < c.height; ++i)
        DrawRowScaled(c, i, static_cast<int>(t.k * i), w2 / static_cast<int>(w2 + static_cast<int>(t.s * i)));
}

void SoftFocus(const SpectrumCanvas& c)
{
    static constexpr int kWeights[5][5] = {
        {0, 1, 2, 1, 0}, {1, 2, 4, 2, 1}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}, {0, 1, 2, 1, 0},
    };
    const int strength = ClampInt(static_cast<int>(c.level * 0.01 * 255.0), 0, 255);
    // Smoothed in place, so later windows see the smoothed values of
    // earlier centres.
    for (int y = 2; y <= c.height - 4; ++y) {
        for (int x = 2; x <= c.width - 4; ++x) {
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int ky = 0; ky < 5; ++ky) {
                    const BYTE* row = FrameAt(c, x - 2, y - 2 + ky) + ch;
                    for (int kx = 0; kx < 5; ++kx)
                        sum += kWeights[ky][kx] * row[3 * kx];
                }
                FrameAt(c, x, y)[ch] = static_cast<BYTE>(sum / 48);
            }
        }
    }
    for (int y = 0; y < c.height; ++y) {
        BYTE* p = FrameAt(c, 0, y);
        const BYTE* s = SourceAt(c, 0, y);
        for (int x = 0; x < 3 * c.width; ++x)
            p[x] = static_cast<BYTE>(strength * p[x] / 256 + s[x] * (255 - strength) / 256);
    }
}

void Wave(const SpectrumCanvas& c)
{
    int offsets[36];
    for (int i = 0; i < 36; ++i)
        offsets[i] = static_cast<int>(std::sin(5.0 * i * kDegree) * c.level * 0.5);
    int phase = static_cast<int>(c.progress * 36.0);
    bool reversed = false;
    for (int x = 0; x < c.width; ++x) {
        phase = ((phase + 1) % 36 + 36) % 36;
        if (phase == 0)
            reversed = !reversed;
        const int k = offsets[phase];
        if (!reversed) {
            for (int y = 0; y < c.height; ++y) {
                const int from = y + k;
                if (from >= 0 && from < c.height)
                    CopyPixel(FrameAt(c, x, y), FrameAt(c, x, from));
                else
                    PaintPixel(c, FrameAt(c, x, y));
            }
        } else {
            for (int y = c.height - 1; y >= 0; --y) {
                const int from = y - k;
                if (from >= 0 && from < c.height)
                    CopyPixel(FrameAt(c, x, y), FrameAt(c, x, from));
                else
                    PaintPixel(c, FrameAt(c, x, y));
            }
        }
    }
}

void Negative(const SpectrumCanvas& c)
{
    const int d = std::min(std::abs(static_cast<int>(c.level * 0.01 * 255.0)), 255);
    for (int y = 0; y < c.height; ++y) {
        BYTE* p = FrameAt(c, 0, y);
        for (int x = 0; x < 3 * c.width; ++x)
            p[x] = static_cast<BYTE>(p[x] * (255 - d) / 256 + d * (255 - p[x]) / 256);
    }
}

// The source index of destination index i of a fold over n, or -1 for the
// colour.
struct FoldLimits {
    int a, b, c, g, v;
    bool late;
};

FoldLimits FoldOf(double d, int n, double round)
{
    auto cut = [round](double value) { return static_cast<int>(value + round); };
    return {cut(d * n / 2.0), cut(n * (1.0 - d)), cut(n * (1.0 - d / 2.0)), cut(n * (2.0 - d)), cut(d * n),
            d >= 2.0 / 3.0};
}

int FoldSource(const FoldLimits& f, int i, int n)
{
    int s = -1;
    if (!f.late) {
        if (i >= f.a && i <= f.b)
            s = i;
        else if (i > f.b && i <= f.c)
            s = std::max(f.g - i - 1, 0);
    } else {
        if (i >= f.b && i <= f.c)
            s = std::max(f.g - i - 1, 0);
        else if (i > f.c && i <= f.v)
            s = std::max(f.v - i - 1, 0);
    }
    return s < 0 ? -1 : std::min(s, n - 1);
}

void FoldColumns(const SpectrumCanvas& c)
{
    const FoldLimits f = FoldOf(c.level * 0.01, c.width, 0.0);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const int s = FoldSource(f, x, c.width);
            if (s < 0)
                PaintPixel(c, FrameAt(c, x, y));
            else
                CopyPixel(FrameAt(c, x, y), SourceAt(c, s, y));
        }
    }
}

void FoldRows(const SpectrumCanvas& c)
{
    const FoldLimits f = FoldOf(c.level * 0.01, c.height, 0.5);
    for (int y = 0; y < c.height; ++y) {
        const int s = FoldSource(f, y, c.height);
        if (s < 0) {
            for (int x = 0; x < c.width; ++x)
                PaintPixel(c, FrameAt(c, x, y));
        } else {
            std::memcpy(FrameAt(c, 0, y), SourceAt(c, 0, s), static_cast<size_t>(3 * c.width));
        }
    }
}

using Rule = void (*)(const SpectrumCanvas& c);

// Style key k draws with kRules[k].
constexpr Rule kRules[] = {
    Twirl,
    Bulge,
    Brighten,
    Tiles,
    Emboss,
    Ripple,
    ColorWash<Uniform>,
    OilPaint,
    CircularVignette,
    RectangularFrame,
    Mosaic,
    SnowPerPixel,
    SnowPerRow,
    TurnColumnsRight,
    TurnColumnsLeft,
    TurnRowsFar,
    TurnRowsNear,
    ColorWash<FromFirstColumn>,
    ColorWash<FromLastColumn>,
    ColorWash<FromLastRow>,
    ColorWash<FromFirstRow>,
    SoftFocus,
    Wave,
    Negative,
    FoldColumns,
    FoldRows,
};
static_assert(std::size(kRules) == 26, "one rule per style key 0..25");

} // namespace

void DrawSpectrumStyle(INT style, const SpectrumCanvas& canvas)
{
    if (style < 0 || style >= static_cast<INT>(std::size(kRules)) || canvas.width <= 0 || canvas.height <= 0)
        return;
    kRules[style](canvas);
}
