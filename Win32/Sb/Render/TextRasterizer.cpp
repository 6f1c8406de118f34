#include "Win32/Sb/Render/TextRasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Win32/Sb/Document/EffectRenderer.h"
#include "Win32/Sb/Document/TextEffect.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr int kOffsetSteps = 256;
// The largest side of the one-bit raster, and the largest font drawn into
// it: a title a quarter as high as a 1080-line frame, half a 480-line one.
constexpr INT kLargestRaster = 16384;
constexpr double kLargestFont = 1024.0;
// The widest outline or shadow, in coverage pixels.
constexpr int kLargestEdge = 64;
constexpr INT kPhaseBits = CTextRasterizer::kTwoColumnPhases | CTextRasterizer::kFourColumnPhases
    | CTextRasterizer::kTwoRowPhases | CTextRasterizer::kFourRowPhases;
constexpr INT kLineBits = CTextRasterizer::kLinesEnter | CTextRasterizer::kLinesLeave;

// Holds "TGBUSY" for one public operation.
class BusyLock {
public:
    explicit BusyLock(HANDLE mutex) : m_hMutex(mutex)
    {
        if (m_hMutex != nullptr)
            WaitForSingleObject(m_hMutex, INFINITE);
    }
    ~BusyLock()
    {
        if (m_hMutex != nullptr)
            ReleaseMutex(m_hMutex);
    }
    BusyLock(const BusyLock&) = delete;
    BusyLock& operator=(const BusyLock&) = delete;

private:
    HANDLE m_hMutex;
};

// The lines of a text: split at carriage returns (runs of them make no
// empty line), each without its leading line feeds; a line of line feeds
// only is one blank.
std::vector<std::u16string> SplitLines(LPCWSTR text)
{
    std::vector<std::u16string> lines;
    if (text == nullptr)
        return lines;
    const std::u16string_view all(text);
    size_t at = 0;
    while (at < all.size()) {
        const size_t end = std::min(all.find(u'\r', at), all.size());
        if (end > at) {
            std::u16string line(all.substr(at, end - at));
            const size_t first = line.find_first_not_of(u'\n');
            lines.push_back(first == std::u16string::npos ? std::u16string(u" ") : line.substr(first));
        }
        at = end + 1;
    }
    return lines;
}

INT RoundUp4(INT value)
{
    return (value + 3) & ~3;
}

// The distinct offsets of a disc's rim of `diameter`, one per direction
// step.
std::vector<std::pair<int, int>> RingOffsets(int diameter)
{
    std::vector<std::pair<int, int>> offsets;
    for (int j = 0; j < kOffsetSteps; ++j) {
        const double angle = j * 2.0 * kPi / kOffsetSteps;
        offsets.emplace_back(static_cast<int>(std::cos(angle) * diameter * 0.5),
                             static_cast<int>(std::sin(angle) * diameter * 0.5));
    }
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

// For rows 1..h - 2, the OR of the mask at every offset; an offset that
// would leave the mask adds nothing there, rather than reach round into the
// neighbouring row. Whole rows at a time, so that the OR runs vectorised.
std::vector<BYTE> Dilate(const std::vector<BYTE>& mask, int w, int h, const std::vector<std::pair<int, int>>& offsets)
{
    std::vector<BYTE> out(mask.size(), 0);
    for (const auto& [dx, dy] : offsets) {
        const int from = std::max(0, -dx);
        const int to = std::min(w, w - dx);
        for (int y = 1; y < h - 1 && from < to; ++y) {
            const int sy = y + dy;
            if (sy < 0 || sy >= h)
                continue;
            BYTE* __restrict row = &out[static_cast<size_t>(y) * w + from];
            const BYTE* __restrict source = &mask[static_cast<size_t>(sy) * w + from + dx];
            for (int x = 0; x < to - from; ++x)
                row[x] |= source[x];
        }
    }
    return out;
}

int DiameterOf(int width)
{
    return std::clamp(width, 0, kLargestEdge);
}

} // namespace

std::vector<BYTE> TextOutlineMask(const std::vector<BYTE>& mask, int w, int h, int width)
{
    std::vector<BYTE> out = Dilate(mask, w, h, RingOffsets(DiameterOf(width) + 2));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(out[i] & ~mask[i]);
    return out;
}

std::vector<BYTE> TextShadowMask(const std::vector<BYTE>& mask, int w, int h, int width, int radius)
{
    std::vector<BYTE> dilated = Dilate(mask, w, h, RingOffsets(DiameterOf(width)));
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 0; x < w; ++x)
            dilated[static_cast<size_t>(y) * w + x] |= mask[static_cast<size_t>(y) * w + x];
    }
    radius = std::min(radius, kLargestEdge / 2);
    if (radius < 1)
        return dilated;

    // A Gaussian whose weights add up to 3, so that the shadow keeps its
    // strength inside and fades at the edges. Its weight at (x, y) is
    // c g(x) g(y), so it runs as a pass along the rows and one down the
    // columns; outside the mask counts as empty.
    const int n = 2 * radius + 1;
    const int half = n / 2;
    std::vector<double> g(static_cast<size_t>(n));
    double line = 0.0;
    for (int k = 0; k < n; ++k) {
        const double e = static_cast<double>(k - half) / n * 3.0;
        g[static_cast<size_t>(k)] = std::exp(-0.5 * e * e);
        line += g[static_cast<size_t>(k)];
    }
    const double gauss = 1.0 / std::sqrt(2.0 * kPi);
    const double scale = gauss * 3.0 / (0.000001 + gauss * line * line);
    std::vector<double> across(dilated.size(), 0.0);
    for (int y = 0; y < h; ++y) {
        const BYTE* row = &dilated[static_cast<size_t>(y) * w];
        double* to = &across[static_cast<size_t>(y) * w];
        for (int x = 0; x < w; ++x) {
            double total = 0.0;
            const int first = std::max(0, half - x);
            const int last = std::min(n, w - x + half);
            for (int k = first; k < last; ++k)
                total += g[static_cast<size_t>(k)] * row[x + k - half];
            to[x] = total;
        }
    }
    std::vector<BYTE> out(mask.size(), 0);
    for (int y = 1; y < h - 1; ++y) {
        const int first = std::max(0, half - y);
        const int last = std::min(n, h - y + half);
        for (int x = 0; x < w; ++x) {
            double total = 0.0;
            for (int k = first; k < last; ++k)
                total += g[static_cast<size_t>(k)] * across[static_cast<size_t>(y + k - half) * w + x];
            out[static_cast<size_t>(y) * w + x] = static_cast<BYTE>(std::min(255.0, total * scale));
        }
    }
    return out;
}

namespace {

constexpr int kNibbleBits[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// The 4 x 4 reduction of a one-bit raster (rows `stride` bytes apart) into
// a coverage mask of (width / 4) x (height / 4), sampled `rowOffset` raster
// rows and `shift` raster columns on: each coverage byte counts the set
// bits of its block, c set bits giving c x 16 - 1.
std::vector<BYTE> ReduceRaster(const std::vector<BYTE>& raster, int width, int height, int stride, int rowOffset,
                               int shift)
{
    const int w = width / 4;
    const int h = height / 4;
    std::vector<BYTE> mask(static_cast<size_t>(w) * h, 0);
    auto nibbleAt = [&](const BYTE* row, int pixel) -> int {
        if (pixel >= width)
            return 0;
        const int byte = pixel / 8;
        const unsigned pair = unsigned{row[byte]} << 8 | (byte + 1 < stride ? row[byte + 1] : 0u);
        return static_cast<int>((pair >> (12 - pixel % 8)) & 0xF);
    };
    for (int k = 0; k < h; ++k) {
        for (int j = 0; j < w; ++j) {
            int count = 0;
            for (int r = 0; r < 4; ++r) {
                const int y = 4 * k + rowOffset + r;
                if (y < height)
                    count += kNibbleBits[nibbleAt(&raster[static_cast<size_t>(y) * stride], 4 * j + shift)];
            }
            mask[static_cast<size_t>(k) * w + j] = static_cast<BYTE>(count > 0 ? count * 16 - 1 : 0);
        }
    }
    return mask;
}

float AnchorOf(INT flags, INT zero, INT half, INT one, float fallback)
{
    float value = fallback;
    if (flags & zero)
        value = 0.0f;
    if (flags & half)
        value = 0.5f;
    if (flags & one)
        value = 1.0f;
    return value;
}

float AnchorX(const TextFrameState& s)
{
    return AnchorOf(s.m_nAnchor, 0x1, 0x2, 0x4, s.m_fAnchorX);
}

float AnchorY(const TextFrameState& s)
{
    return AnchorOf(s.m_nAnchor, 0x100, 0x200, 0x400, s.m_fAnchorY);
}

TextFrameState Blend(const TextFrameState& a, const TextFrameState& b, double w)
{
    auto mixColor = [w](DWORD ca, DWORD cb) {
        DWORD out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const double va = (ca >> shift) & 0xFF;
            const double vb = (cb >> shift) & 0xFF;
            out |= static_cast<DWORD>(static_cast<int>((1.0 - w) * va + w * vb)) << shift;
        }
        return out;
    };
    auto mix = [w](double va, double vb) { return static_cast<float>((1.0 - w) * va + w * vb); };
    TextFrameState out;
    out.m_crFace = mixColor(a.m_crFace, b.m_crFace);
    out.m_crOutline = mixColor(a.m_crOutline, b.m_crOutline);
    out.m_crShadow = mixColor(a.m_crShadow, b.m_crShadow);
    out.m_fX = mix(a.m_fX, b.m_fX);
    out.m_fY = mix(a.m_fY, b.m_fY);
    out.m_fZoom = mix(a.m_fZoom, b.m_fZoom);
    out.m_fAnchorX = mix(AnchorX(a), AnchorX(b));
    out.m_fAnchorY = mix(AnchorY(a), AnchorY(b));
    return out;
}

// Scales, outline and softness from a stored effect: anything that is not
// a usable number is read as the default, and each is kept within what a
// frame can show.
float SaneScale(float scale)
{
    return scale > 0.0f && scale <= 100.0f ? scale : (scale > 100.0f ? 100.0f : 1.0f);
}

float SaneFraction(float fraction)
{
    return fraction >= 0.0f && fraction <= 2.0f ? fraction : (fraction > 2.0f ? 2.0f : 0.0f);
}

// A font size of the raster, at most what a bitmap side may be.
LONG RasterFontSize(double size)
{
    return static_cast<LONG>(std::clamp(size, -kLargestFont, kLargestFont));
}

// A memory DC with the raster font selected; everything is given back when
// it goes.
class TextCanvas {
public:
    explicit TextCanvas(const LOGFONTW& font)
        : m_hFont(CreateFontIndirectW(&font)), m_hDc(CreateCompatibleDC(nullptr))
    {
        if (IsReady())
            m_hOldFont = SelectObject(m_hDc, m_hFont);
    }
    ~TextCanvas()
    {
        if (m_hOldFont != nullptr)
            SelectObject(m_hDc, m_hOldFont);
        if (m_hDc != nullptr)
            DeleteDC(m_hDc);
        if (m_hFont != nullptr)
            DeleteObject(m_hFont);
    }
    TextCanvas(const TextCanvas&) = delete;
    TextCanvas& operator=(const TextCanvas&) = delete;

    bool IsReady() const { return m_hFont != nullptr && m_hDc != nullptr; }
    HDC Dc() const { return m_hDc; }

    // Draws the lines white on black into a one-bit bitmap of width x
    // height and reads it, bottom-up, into `bits`; false when the bitmap
    // cannot be made or read.
    bool Draw(const std::vector<std::u16string>& lines, INT originX, INT lineHeight, INT extra, INT width,
              INT height, BYTE* bits)
    {
        HBITMAP bitmap = CreateCompatibleBitmap(m_hDc, width, height);
        if (bitmap == nullptr)
            return false;
        HGDIOBJ oldBitmap = SelectObject(m_hDc, bitmap);
        PatBlt(m_hDc, 0, 0, width, height, BLACKNESS);
        for (size_t i = 0; i < lines.size(); ++i)
            TextOutW(m_hDc, originX, static_cast<int>(i) * lineHeight + extra, lines[i].c_str(),
                     static_cast<int>(lines[i].size()));
        SelectObject(m_hDc, oldBitmap);
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = height;
        info.header.biPlanes = 1;
        info.header.biBitCount = 1;
        info.header.biCompression = BI_RGB;
        const bool read = GetDIBits(m_hDc, bitmap, 0, static_cast<UINT>(height), bits,
                                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
        DeleteObject(bitmap);
        return read;
    }

private:
    HFONT m_hFont;
    HDC m_hDc;
    HGDIOBJ m_hOldFont = nullptr;
};

// A one-channel 8-bit image header over `data` (w x h, rows w bytes apart;
// w is a multiple of 8), owned by the caller and freed with
// iplDeallocateHeader.
IplImage* GreyHeader(BYTE* data, int w, int h)
{
    IplImage* header = iplCreateImageHeader(1, 0, IPL_DEPTH_8U, const_cast<char*>("GRAY"), const_cast<char*>("GRAY"),
                                            IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_TL, IPL_ALIGN_4BYTES, w, h, nullptr,
                                            nullptr, nullptr, nullptr);
    if (header != nullptr)
        header->imageData = reinterpret_cast<char*>(data);
    return header;
}

} // namespace

CTextRasterizer::CTextRasterizer(const TextRasterizerSetup& setup)
{
    m_fOutline = setup.m_fOutline;
    m_fSoftness = setup.m_fSoftness;
    m_hMutex = CreateMutexA(nullptr, FALSE, "TGBUSY");
    BusyLock lock(m_hMutex);
    try {
        Build(setup);
    } catch (const std::bad_alloc&) {
        // A text too large for memory draws nothing.
        for (MaskSet* set : {&m_glyph, &m_outline, &m_shadow}) {
            for (Mask& mask : *set)
                Mask().swap(mask);
        }
        Mask().swap(m_scratch);
        m_bValid = 0;
    }
}

CTextRasterizer::~CTextRasterizer()
{
    FreeBuffers();
}

void CTextRasterizer::Build(const TextRasterizerSetup& setup)
{
    m_bValid = 0;
    m_nAlign = setup.m_nAlign;
    m_nStyle = setup.m_nStyle;
    m_fScaleY = SaneScale(setup.m_fScaleY);
    m_fScaleX = SaneScale(setup.m_fScaleX);
    m_fOutline = SaneFraction(m_fOutline);
    m_fSoftness = SaneFraction(m_fSoftness);
    const std::vector<std::u16string> lines = SplitLines(setup.m_pszText);

    LOGFONTW font = setup.m_lf;
    // The width keeps its proportion to the height when the height is cut
    // down to the largest font.
    const double height = setup.m_lf.lfHeight * static_cast<double>(m_fScaleY) * 4.0;
    const double width = setup.m_lf.lfHeight * static_cast<double>(m_fScaleX) * 1.6;
    const double cut = std::fabs(height) > kLargestFont ? kLargestFont / std::fabs(height) : 1.0;
    font.lfHeight = RasterFontSize(height * cut);
    font.lfWidth = RasterFontSize(width * cut);
    TextCanvas canvas(font);
    if (!canvas.IsReady())
        return;
    HDC dc = canvas.Dc();
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, static_cast<UINT>(m_nAlign));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);

    INT widest = 0;
    INT lineHeight = 0;
    for (const std::u16string& line : lines) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent);
        widest = std::max<INT>(widest, extent.cx);
        lineHeight = std::max<INT>(lineHeight, extent.cy);
    }
    INT extra = 0;
    if (m_nStyle & kLineBits) {
        extra = static_cast<INT>((m_fOutline + m_fSoftness) * lineHeight) + 16;
        lineHeight += extra;
    }
    lineHeight = RoundUp4(lineHeight);
    m_nLineCount = static_cast<INT>(lines.size());
    m_nRowsPerLine = lineHeight / 4;
    m_nCurrentLine = -1;
    const INT textHeight = lineHeight * m_nLineCount;
    const INT rasterHeight = m_nLineCount > 0 ? RoundUp4(textHeight + m_nRowsPerLine / 2) : 0;
    const INT rasterWidth = (widest + metrics.tmAveCharWidth + 32) & ~31;
    // A text larger than a bitmap can be is not drawn.
    if (rasterWidth > kLargestRaster || rasterHeight > kLargestRaster)
        return;
    m_nBottomPad = (rasterHeight - textHeight) / 4;
    INT originX = 0;
    if (m_nAlign == TA_LEFT)
        originX = metrics.tmAveCharWidth / 2;
    else if (m_nAlign == TA_RIGHT)
        originX = rasterWidth - metrics.tmAveCharWidth / 2;
    else if (m_nAlign == TA_CENTER)
        originX = rasterWidth / 2;

    std::vector<BYTE> raster;
    const INT stride = rasterWidth / 8;
    if (rasterHeight > 0 && rasterWidth > 0) {
        raster.assign(static_cast<size_t>(stride) * rasterHeight + 16, 0);
        if (!canvas.Draw(lines, originX, lineHeight, extra, rasterWidth, rasterHeight, raster.data()))
            return;
    }

    const int columnStep = (m_nStyle & kFourColumnPhases) ? 1 : (m_nStyle & kTwoColumnPhases) ? 2 : 4;
    const int rowStep = (m_nStyle & kFourRowPhases) ? 1 : (m_nStyle & kTwoRowPhases) ? 2 : 4;
    const int outlineWidth = static_cast<int>(m_nRowsPerLine * m_fOutline);
    const int blurRadius = static_cast<int>(m_nRowsPerLine * m_fSoftness);
    m_nWidth = rasterWidth / 4;
    m_nHeight = rasterHeight / 4;
    for (int row = 0; row < 4; row += rowStep) {
        for (int shift = 0; shift < 4; shift += columnStep) {
            const int phase = row * 4 + shift;
            if (phase != 0 && !(m_nStyle & kPhaseBits))
                continue;
            m_glyph[phase] = ReduceRaster(raster, rasterWidth, rasterHeight, stride, row, shift);
            if (m_nStyle & kOutline)
                m_outline[phase] = TextOutlineMask(m_glyph[phase], m_nWidth, m_nHeight, outlineWidth);
            if (m_nStyle & kShadow)
                m_shadow[phase] = TextShadowMask(m_glyph[phase], m_nWidth, m_nHeight, outlineWidth, blurRadius);
        }
    }
    m_scratch.assign(static_cast<size_t>(m_nWidth) * m_nHeight, 0);

    const double fontHeight = std::min(std::fabs(static_cast<double>(setup.m_lf.lfHeight)), kLargestFont);
    m_fShadowDistance = static_cast<float>(TextOutlinePercent(fontHeight) * fontHeight * 0.01);
    m_fShadowAngle = 45.0f;
    ComputeShadowOffset();
    m_bMmx = HasMmx() ? 1 : 0;
    m_bValid = 1;
}

void CTextRasterizer::ComputeShadowOffset()
{
    const double angle = (m_fShadowAngle - 90.0) * kDegree;
    m_nShadowX = static_cast<INT>(m_fShadowDistance * std::cos(angle) * m_fScaleX / m_fScaleY);
    m_nShadowY = static_cast<INT>(m_fShadowDistance * std::sin(angle));
}

INT CTextRasterizer::SetShadowDistance(float percent)
{
    BusyLock lock(m_hMutex);
    if (!(percent >= 0.0f && percent <= 200.0f))
        return -1;
    m_fShadowDistance = percent * m_nRowsPerLine * 0.01f;
    ComputeShadowOffset();
    return 0;
}

INT CTextRasterizer::SetShadowAngle(float degrees)
{
    BusyLock lock(m_hMutex);
    if (!(degrees >= -180.0f && degrees <= 180.0f))
        return -1;
    m_fShadowAngle = degrees;
    ComputeShadowOffset();
    return 0;
}

const BYTE* CTextRasterizer::GetGlyphMask(int phase) const
{
    return phase >= 0 && phase < kPhaseCount && !m_glyph[phase].empty() ? m_glyph[phase].data() : nullptr;
}

const BYTE* CTextRasterizer::GetOutlineMask(int phase) const
{
    return phase >= 0 && phase < kPhaseCount && !m_outline[phase].empty() ? m_outline[phase].data() : nullptr;
}

const BYTE* CTextRasterizer::GetShadowMask(int phase) const
{
    return phase >= 0 && phase < kPhaseCount && !m_shadow[phase].empty() ? m_shadow[phase].data() : nullptr;
}

int CTextRasterizer::PhaseAt(double u, double v) const
{
    int rowPhase = 0;
    int columnPhase = 0;
    if (m_nStyle & (kTwoRowPhases | kFourRowPhases)) {
        rowPhase = 3 - static_cast<int>((v - std::floor(v)) * 4.0);
        if (!(m_nStyle & kFourRowPhases))
            rowPhase &= ~1;
    }
    if (m_nStyle & (kTwoColumnPhases | kFourColumnPhases)) {
        columnPhase = 3 - static_cast<int>((u - std::floor(u)) * 4.0);
        if (!(m_nStyle & kFourColumnPhases))
            columnPhase &= ~1;
    }
    return rowPhase * 4 + columnPhase;
}

INT CTextRasterizer::DrawLayers(BYTE* bits, INT width, INT height, INT stride, DWORD face, DWORD outline,
                                DWORD shadow, float x, float y, float zoom, INT flip)
{
    BusyLock lock(m_hMutex);
    if (!m_bValid)
        return 1;
    if (bits == nullptr || width <= 0 || height <= 0 || m_nWidth <= 0 || m_nHeight <= 0)
        return 0;
    if (m_nStyle & kShadow)
        BlendLayer(Layer::Shadow, bits, width, height, stride, shadow, x, y, zoom, flip);
    if (m_nStyle & kOutline)
        BlendLayer(Layer::Outline, bits, width, height, stride, outline, x, y, zoom, flip);
    if (m_nStyle & kFace)
        BlendLayer(Layer::Face, bits, width, height, stride, face, x, y, zoom, flip);
    return 0;
}

void CTextRasterizer::BlendLayer(Layer layer, BYTE* bits, INT width, INT height, INT stride, DWORD color, float x,
                                 float y, float zoom, INT flip)
{
    const MaskSet& masks = layer == Layer::Shadow ? m_shadow : layer == Layer::Outline ? m_outline : m_glyph;
    // Positions far outside the frame (or not numbers at all, from a
    // damaged file) draw nothing.
    const double v = static_cast<double>(height) * y;
    const double u = static_cast<double>(width) * x;
    constexpr double kFar = 1.0e7;
    if (!(std::fabs(u) < kFar && std::fabs(v) < kFar))
        return;
    const Mask* mask = &masks[static_cast<size_t>(PhaseAt(u, v))];
    if (mask->empty())
        mask = &masks[0];
    if (mask->empty())
        return;

    int offsetX = 0;
    int offsetY = 0;
    if (layer == Layer::Shadow && !(m_nStyle & kShadowUnder)) {
        offsetX = m_nShadowX;
        offsetY = m_nShadowY;
    }
    double divide = 1.0;
    const BYTE* coverage = mask->data();
    if (zoom > 0.0f) {
        divide = std::min(zoom, 1000.0f) + 1.0;
        std::fill(m_scratch.begin(), m_scratch.end(), 0);
        IplImage* from = GreyHeader(const_cast<BYTE*>(mask->data()), m_nWidth, m_nHeight);
        IplImage* to = GreyHeader(m_scratch.data(), m_nWidth, m_nHeight);
        constexpr int kDenominator = 1000;
        const int reduced = static_cast<int>(std::lround(divide * kDenominator));
        if (from != nullptr && to != nullptr)
            iplDecimate(from, to, kDenominator, reduced, kDenominator, reduced, IPL_INTER_LINEAR);
        iplDeallocateHeader(from);
        iplDeallocateHeader(to);
        coverage = m_scratch.data();
        offsetX = static_cast<int>(offsetX / divide);
        offsetY = static_cast<int>(offsetY / divide);
    }

    int firstRow = offsetY + static_cast<int>(v);
    int maskRow = 0;
    int rows = m_nHeight;
    if (m_nCurrentLine >= 0) {
        const int lineStart = m_nBottomPad + m_nCurrentLine * m_nRowsPerLine;
        maskRow = static_cast<int>(lineStart / divide);
        rows = static_cast<int>(m_nRowsPerLine / divide);
        firstRow += maskRow;
    }
    const int firstColumn = static_cast<int>(u) + offsetX;
    const int columnFrom = std::max(0, -firstColumn);
    const int columnTo = std::min(m_nWidth, width - firstColumn);
    if (columnFrom >= columnTo)
        return;
    const int n0 = static_cast<int>((color >> 24) & 0xFF);
    const int channel[3] = {static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                            static_cast<int>((color >> 16) & 0xFF)};
    for (int k = 0; k < rows; ++k) {
        const int frameRow = firstRow + k;
        if (frameRow < 0 || frameRow >= height || maskRow + k >= m_nHeight)
            continue;
        const int memoryRow = flip ? height - 1 - frameRow : frameRow;
        const BYTE* cover = coverage + static_cast<size_t>(maskRow + k) * m_nWidth;
        BYTE* pixel = bits + static_cast<std::ptrdiff_t>(memoryRow) * stride + 3 * (firstColumn + columnFrom);
        for (int c = columnFrom; c < columnTo; ++c, pixel += 3) {
            // Runs of four empty coverage bytes are passed at once.
            if (c + 4 <= columnTo && (c & 3) == 0) {
                DWORD four;
                std::memcpy(&four, cover + c, sizeof four);
                if (four == 0) {
                    c += 3;
                    pixel += 9;
                    continue;
                }
            }
            const int value = cover[c];
            if (value == 0)
                continue;
            const int n = n0 == 0 ? value : (value * (255 - n0)) >> 8;
            for (int i = 0; i < 3; ++i)
                pixel[i] = static_cast<BYTE>((channel[i] * n + pixel[i] * (256 - n)) >> 8);
        }
    }
}

TextFrameState CTextRasterizer::StateOf(INT frame, const LineWindow& window) const
{
    const INT s = window.enterStart;
    const INT t = std::max(window.leaveStop, s);
    const INT e = std::min(std::max(window.enterStop, s), t);
    const INT x = std::min(std::max(window.leaveStart, e), t);
    const TextFrameState(&k)[4] = m_states;
    if (frame < s)
        return Blend(k[0], k[0], 0.0);
    if (frame < e)
        return Blend(k[0], k[1], static_cast<double>(frame - s) / (e - s));
    if (frame < x)
        return Blend(k[1], k[2], static_cast<double>(frame - e) / (x - e));
    if (frame < t)
        return Blend(k[2], k[3], static_cast<double>(frame - x) / (t - x));
    return Blend(k[3], k[3], 0.0);
}

INT CTextRasterizer::SetAnimation(const TextAnimation& animation)
{
    BusyLock lock(m_hMutex);
    if (!m_bValid)
        return 1;
    m_nStyle = (m_nStyle & ~kLineBits) | (animation.m_nFlags & kLineBits);
    for (int i = 0; i < 4; ++i) {
        m_states[i] = animation.m_states[i];
        m_states[i].m_fAnchorX = AnchorX(m_states[i]);
        m_states[i].m_fAnchorY = AnchorY(m_states[i]);
    }
    const INT s = animation.m_nStart;
    const INT t = std::max(animation.m_nStop, s);
    const INT e = std::min(std::max(animation.m_nEnterEnd, s), t);
    const INT x = std::min(std::max(animation.m_nExitStart, e), t);
    m_nFirstFrame = s;
    m_nLastFrame = t;
    m_windows.clear();
    if (!(m_nStyle & kLineBits)) {
        m_windows.push_back(LineWindow{s, e, x, t});
        return 0;
    }
    const INT n = std::max<INT>(m_nLineCount, 1);
    for (INT i = 0; i < n; ++i) {
        LineWindow window{s, e, x, t};
        if (m_nStyle & kLinesEnter) {
            const INT step = (e - s) / n;
            window.enterStart = s + i * step;
            window.enterStop = s + (i + 1) * step;
        }
        if (m_nStyle & kLinesLeave) {
            const INT step = (t - x) / n;
            window.leaveStart = x + i * step;
            window.leaveStop = x + (i + 1) * step;
        }
        m_windows.push_back(window);
    }
    return 0;
}

std::optional<TextFrameState> CTextRasterizer::GetFrameState(INT frame, INT line) const
{
    if (m_windows.empty() || frame < m_nFirstFrame || frame > m_nLastFrame)
        return std::nullopt;
    const size_t at = m_windows.size() == 1 ? 0 : static_cast<size_t>(line);
    if (line < 0 || at >= m_windows.size())
        return std::nullopt;
    return StateOf(frame, m_windows[at]);
}

INT CTextRasterizer::DrawFrame(BYTE* bits, INT width, INT height, INT stride, INT frame, INT flip)
{
    BusyLock lock(m_hMutex);
    if (!m_bValid || m_windows.empty())
        return 1;
    if (frame < m_nFirstFrame || frame > m_nLastFrame)
        return 2;
    if (width <= 0 || height <= 0)
        return 0;
    auto draw = [&](const TextFrameState& entry) {
        float ax = entry.m_fAnchorX;
        float ay = entry.m_fAnchorY;
        if (entry.m_fZoom > 0.0f) {
            ax /= entry.m_fZoom + 1.0f;
            ay /= entry.m_fZoom + 1.0f;
        }
        const float x = entry.m_fX - ax * m_nWidth / width;
        const float y = entry.m_fY - ay * m_nHeight / height;
        DrawLayers(bits, width, height, stride, entry.m_crFace, entry.m_crOutline, entry.m_crShadow, x, y,
                   entry.m_fZoom, flip);
    };
    if (!(m_nStyle & kLineBits)) {
        m_nCurrentLine = -1;
        draw(StateOf(frame, m_windows.front()));
        return 0;
    }
    // Mask line i counts from the bottom of the text.
    const INT n = static_cast<INT>(m_windows.size());
    for (INT i = 0; i < n; ++i) {
        m_nCurrentLine = i;
        draw(StateOf(frame, m_windows[static_cast<size_t>(n - 1 - i)]));
    }
    m_nCurrentLine = -1;
    return 0;
}

void CTextRasterizer::FreeBuffers()
{
    if (m_hMutex == nullptr)
        return;
    {
        BusyLock lock(m_hMutex);
        for (MaskSet* set : {&m_glyph, &m_outline, &m_shadow}) {
            for (Mask& mask : *set)
                Mask().swap(mask);
        }
        Mask().swap(m_scratch);
        m_windows.clear();
        m_bValid = 0;
    }
    CloseHandle(m_hMutex);
    m_hMutex = nullptr;
}
