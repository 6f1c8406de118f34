#include "Platform/Win/Gdi/Private/TextEngine.h"

#include <algorithm>
#include <cstring>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Base/WinError.h"

namespace win::gdi {

namespace {

constexpr std::u32string_view kEllipsis = U"...";
constexpr LONG kDefaultTabChars = 8;
// Caller-given spacing is held to this, far beyond any surface, so that
// positions never overflow.
constexpr LONGLONG kMaxPen = 1 << 24;

std::string_view NarrowText(LPCSTR text, int count)
{
    return count < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(count));
}

std::u16string_view WideText(LPCWSTR text, int count)
{
    return count < 0 ? std::u16string_view(text) : std::u16string_view(text, static_cast<size_t>(count));
}

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t'; }

LONG MeasureLine(std::u32string_view line, LONG tabWidth, const AdvanceFunction& advance)
{
    return CharacterOffsets(line, tabWidth, advance).back();
}

// The paragraph without its '&' prefixes, and the characters they mark.
TextLine StripPrefixes(std::u32string_view paragraph, bool keepPrefixes)
{
    TextLine line;
    if (keepPrefixes) {
        line.text = paragraph;
        return line;
    }
    for (size_t i = 0; i < paragraph.size(); ++i) {
        if (paragraph[i] != U'&') {
            line.text.push_back(paragraph[i]);
            continue;
        }
        if (i + 1 == paragraph.size())
            break;
        ++i;
        if (paragraph[i] != U'&')
            line.prefixed.push_back(line.text.size());
        line.text.push_back(paragraph[i]);
    }
    return line;
}

TextLine SliceLine(const TextLine& from, size_t begin, size_t end)
{
    TextLine line;
    line.text = from.text.substr(begin, end - begin);
    for (size_t p : from.prefixed)
        if (p >= begin && p < end)
            line.prefixed.push_back(p - begin);
    return line;
}

// Greedy breaking at spaces; a word wider than the line keeps a line of its
// own (or breaks between characters with DT_EDITCONTROL).
void BreakWords(const TextLine& paragraph, const TextLayoutOptions& options, const AdvanceFunction& advance,
                std::vector<TextLine>* lines)
{
    const std::u32string& text = paragraph.text;
    size_t start = 0;
    do {
        size_t breakEnd = std::u32string::npos;
        size_t breakNext = std::u32string::npos;
        LONG x = 0;
        size_t i = start;
        bool broke = false;
        while (i < text.size()) {
            if (IsSpace(text[i])) {
                size_t j = i;
                while (j < text.size() && IsSpace(text[j])) {
                    x = text[j] == U'\t' && options.tabWidth > 0 ? (x / options.tabWidth + 1) * options.tabWidth
                                                                 : x + advance(text[j]);
                    ++j;
                }
                if (i > start) {
                    breakEnd = i;
                    breakNext = j;
                }
                i = j;
                continue;
            }
            x += advance(text[i]);
            if (x > options.width) {
                if (breakEnd != std::u32string::npos) {
                    lines->push_back(SliceLine(paragraph, start, breakEnd));
                    start = breakNext;
                    broke = true;
                    break;
                }
                if ((options.format & DT_EDITCONTROL) && i > start) {
                    lines->push_back(SliceLine(paragraph, start, i));
                    start = i;
                    broke = true;
                    break;
                }
            }
            ++i;
        }
        if (!broke) {
            lines->push_back(SliceLine(paragraph, start, text.size()));
            start = text.size();
        }
    } while (start < text.size());
}

// The line as text[0, keep) + "..." + text[tail, end).
TextLine Ellipsized(const TextLine& line, size_t keep, size_t tail)
{
    TextLine out;
    out.text = line.text.substr(0, keep);
    out.text += kEllipsis;
    out.text += line.text.substr(tail);
    for (size_t p : line.prefixed) {
        if (p < keep)
            out.prefixed.push_back(p);
        else if (p >= tail)
            out.prefixed.push_back(p - tail + keep + kEllipsis.size());
    }
    return out;
}

// The longest head kept before "..." + text[tail, end) that fits; widths
// grow with the head, so a binary search finds it.
TextLine FitEllipsis(const TextLine& line, size_t headLimit, size_t tail, const TextLayoutOptions& options,
                     const AdvanceFunction& advance)
{
    size_t low = 0;
    size_t high = headLimit;
    while (low < high) {
        size_t mid = (low + high + 1) / 2;
        if (MeasureLine(Ellipsized(line, mid, tail).text, options.tabWidth, advance) <= options.width)
            low = mid;
        else
            high = mid - 1;
    }
    return Ellipsized(line, low, tail);
}

TextLine ApplyEllipsis(const TextLine& line, const TextLayoutOptions& options, const AdvanceFunction& advance)
{
    if (options.format & DT_PATH_ELLIPSIS) {
        size_t separator = line.text.find_last_of(U"\\/");
        if (separator != std::u32string::npos && separator > 0) {
            TextLine fitted = FitEllipsis(line, separator, separator, options, advance);
            if (MeasureLine(fitted.text, options.tabWidth, advance) <= options.width)
                return fitted;
            // Not even the last part fits: shorten it at its end as well.
            TextLine tailOnly = Ellipsized(line, 0, separator);
            return FitEllipsis(tailOnly, tailOnly.text.size(), tailOnly.text.size(), options, advance);
        }
    }
    return FitEllipsis(line, line.text.size(), line.text.size(), options, advance);
}

} // namespace


std::vector<LONG> CharacterOffsets(std::u32string_view line, LONG tabWidth, const AdvanceFunction& advance)
{
    std::vector<LONG> offsets;
    offsets.reserve(line.size() + 1);
    LONG x = 0;
    for (char32_t c : line) {
        offsets.push_back(x);
        if (c == U'\t' && tabWidth > 0)
            x = (x / tabWidth + 1) * tabWidth;
        else
            x += advance(c);
    }
    offsets.push_back(x);
    return offsets;
}

std::vector<TextLine> LayoutText(std::u32string_view text, const TextLayoutOptions& options,
                                 const AdvanceFunction& advance)
{
    const UINT format = options.format;
    std::vector<std::u32string_view> paragraphs;
    if (format & DT_SINGLELINE) {
        paragraphs.push_back(text);
    } else {
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != U'\r' && text[i] != U'\n')
                continue;
            paragraphs.push_back(text.substr(start, i - start));
            if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n')
                ++i;
            start = i + 1;
        }
        // A final line break starts no further line.
        if (paragraphs.size() > 1 && paragraphs.back().empty())
            paragraphs.pop_back();
    }

    std::vector<TextLine> lines;
    for (std::u32string_view paragraph : paragraphs) {
        TextLine stripped = StripPrefixes(paragraph, (format & DT_NOPREFIX) != 0);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
            BreakWords(stripped, options, advance, &lines);
        else
            lines.push_back(std::move(stripped));
    }
    const bool ellipsis = (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) != 0;
    for (TextLine& line : lines) {
        line.width = MeasureLine(line.text, options.tabWidth, advance);
        if (ellipsis && line.width > options.width) {
            line = ApplyEllipsis(line, options, advance);
            line.width = MeasureLine(line.text, options.tabWidth, advance);
        }
    }
    return lines;
}

namespace {

struct TextTarget {
    std::shared_ptr<DeviceContext> dc;
    std::shared_ptr<const RealizedFont> font;
    LOGFONTW logFont{};
    bool mono = false; // one-bit glyphs
};

bool OpenTarget(HDC handle, TextTarget* target)
{
    target->dc = LookupAs<DeviceContext>(handle);
    if (!target->dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const DeviceContext& dc = *target->dc;
    target->font = RealizedFontOf(dc);
    if (auto* font = dc.m_state.font.As<Font>())
        target->logFont = font->LogFontW();
    target->mono = dc.IsMono() || target->logFont.lfQuality == NONANTIALIASED_QUALITY;
    return true;
}

AdvanceFunction AdvanceOf(const RealizedFont& font)
{
    return [&font](char32_t c) { return font.Advance(c); };
}

RECT SurfaceRect(const DeviceContext& dc, const RECT& logical)
{
    POINT a = dc.ToSurface(logical.left, logical.top);
    POINT b = dc.ToSurface(logical.right, logical.bottom);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// The drawable area, on the surface, within `limit` when given.
detail::RectRegion DrawArea(const DeviceContext& dc, const Surface& surface, const RECT* limit)
{
    detail::RectRegion area = dc.DrawableRegion();
    area.Intersect(RECT{0, 0, surface.Width(), surface.Height()});
    if (limit)
        area.Intersect(*limit);
    return area;
}

void FillArea(Surface& surface, const detail::RectRegion& area, const RECT& rect, DWORD pixel)
{
    for (const RECT& part : area.Rects()) {
        RECT r = detail::IntersectRects(part, rect);
        if (!detail::IsEmptyRect(r))
            surface.FillLocked(r, pixel);
    }
}

DWORD Blend(DWORD under, DWORD over, BYTE alpha)
{
    DWORD out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        LONG u = static_cast<LONG>((under >> shift) & 0xFF);
        LONG o = static_cast<LONG>((over >> shift) & 0xFF);
        LONG v = u + ((o - u) * alpha + (o >= u ? 127 : -127)) / 255;
        out |= static_cast<DWORD>(v) << shift;
    }
    return out;
}

void PaintGlyph(Surface& surface, const detail::RectRegion& area, const GlyphImage& glyph, LONG x, LONG y,
                DWORD pixel, bool mono)
{
    RECT box{x, y, x + glyph.width, y + glyph.height};
    for (const RECT& part : area.Rects()) {
        RECT r = detail::IntersectRects(part, box);
        if (detail::IsEmptyRect(r))
            continue;
        for (LONG py = r.top; py < r.bottom; ++py) {
            DWORD* row = surface.Row(py);
            const BYTE* cover = glyph.coverage.data() + static_cast<size_t>(py - y) * static_cast<size_t>(glyph.width);
            for (LONG px = r.left; px < r.right; ++px) {
                BYTE a = cover[px - x];
                if (mono)
                    row[px] = a >= 128 ? pixel : row[px];
                else if (a == 255)
                    row[px] = pixel;
                else if (a != 0)
                    row[px] = Blend(row[px], pixel, a);
            }
        }
    }
}

// One line of text with its pen starting at (x, baseline) on the surface.
struct Run {
    std::u32string_view text;
    std::vector<LONG> offsets; // one per character, then the end
    const std::vector<size_t>* prefixed = nullptr;
    bool glyphs = true;
};

void PaintRun(const TextTarget& target, Surface& surface, const detail::RectRegion& area, const Run& run, LONG x,
              LONG baseline, bool opaqueBox)
{
    const DeviceContext& dc = *target.dc;
    const FontMetrics& m = target.font->Metrics();
    const LONG width = run.offsets.back();
    if (opaqueBox && width > 0)
        FillArea(surface, area, RECT{x, baseline - m.ascent, x + width, baseline + m.descent},
                 DcPixel(dc, dc.m_state.bkColor));
    const DWORD ink = DcPixel(dc, dc.m_state.textColor);
    if (run.glyphs) {
        for (size_t i = 0; i < run.text.size(); ++i) {
            auto glyph = target.font->Glyph(run.text[i], target.mono);
            if (glyph->width > 0 && glyph->height > 0)
                PaintGlyph(surface, area, *glyph, x + run.offsets[i] + glyph->left, baseline - glyph->top, ink,
                           target.mono);
        }
    }
    LONG underlineTop = baseline + m.underlinePosition;
    if (target.logFont.lfUnderline && width > 0)
        FillArea(surface, area, RECT{x, underlineTop, x + width, underlineTop + m.underlineThickness}, ink);
    if (target.logFont.lfStrikeOut && width > 0) {
        LONG top = baseline - m.strikeoutPosition;
        FillArea(surface, area, RECT{x, top, x + width, top + m.strikeoutThickness}, ink);
    }
    if (run.prefixed) {
        for (size_t p : *run.prefixed)
            if (p < run.text.size())
                FillArea(surface, area,
                         RECT{x + run.offsets[p], underlineTop, x + run.offsets[p + 1],
                              underlineTop + m.underlineThickness},
                         ink);
    }
}

// The left end of a line of `width` drawn at surface x with the alignment.
LONG AlignedLeft(UINT align, LONG x, LONG width)
{
    if ((align & TA_CENTER) == TA_CENTER)
        return x - width / 2;
    if (align & TA_RIGHT)
        return x - width;
    return x;
}

LONG AlignedBaseline(UINT align, LONG y, const FontMetrics& m)
{
    if ((align & TA_BASELINE) == TA_BASELINE)
        return y;
    if (align & TA_BOTTOM)
        return y - m.descent;
    return y + m.ascent;
}

// ExtTextOut for decoded text; `units` holds each character's code units
// for the dx array.
BOOL TextOutDecoded(HDC handle, int x, int y, UINT options, const RECT* rect, const std::u32string& text,
                    const std::vector<int>& units, const INT* dx)
{
    TextTarget target;
    if (!OpenTarget(handle, &target))
        return FALSE;
    DeviceContext& dc = *target.dc;
    const RealizedFont& font = *target.font;

    Run run;
    run.text = text;
    if (dx) {
        const size_t step = (options & ETO_PDY) ? 2 : 1;
        size_t unit = 0;
        LONGLONG pen = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            run.offsets.push_back(static_cast<LONG>(pen));
            for (int k = 0; k < units[i]; ++k, ++unit)
                pen = std::clamp<LONGLONG>(pen + dx[unit * step], -kMaxPen, kMaxPen);
        }
        run.offsets.push_back(static_cast<LONG>(pen));
    } else {
        run.offsets = CharacterOffsets(text, 0, AdvanceOf(font));
    }
    const LONG width = run.offsets.back();

    const UINT align = dc.m_state.textAlign;
    POINT reference = (align & TA_UPDATECP) ? dc.m_state.current : POINT{x, y};
    // A centred text leaves the current position where it was.
    if ((align & TA_UPDATECP) && (align & TA_CENTER) != TA_CENTER)
        dc.m_state.current.x += (align & TA_RIGHT) ? -width : width;
    POINT at = dc.ToSurface(reference);
    LONG left = AlignedLeft(align, at.x, width);
    LONG baseline = AlignedBaseline(align, at.y, font.Metrics());

    SurfaceLock lock(dc, true);
    if (!lock.Valid())
        return TRUE;
    Surface& surface = lock.Pixels();
    RECT limit{};
    if (rect)
        limit = SurfaceRect(dc, *rect);
    if (rect && (options & ETO_OPAQUE))
        FillArea(surface, DrawArea(dc, surface, nullptr), limit, DcPixel(dc, dc.m_state.bkColor));
    detail::RectRegion area = DrawArea(dc, surface, rect && (options & ETO_CLIPPED) ? &limit : nullptr);
    bool opaqueBox = dc.m_state.bkMode == OPAQUE && !(rect && (options & ETO_OPAQUE));
    PaintRun(target, surface, area, run, left, baseline, opaqueBox);
    return TRUE;
}

int DrawTextDecoded(HDC handle, const std::u32string& text, LPRECT rect, UINT format)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    TextTarget target;
    if (!OpenTarget(handle, &target))
        return 0;
    DeviceContext& dc = *target.dc;
    const RealizedFont& font = *target.font;
    const FontMetrics& m = font.Metrics();

    LONG tabChars = kDefaultTabChars;
    if (format & DT_TABSTOP) {
        tabChars = static_cast<LONG>((format >> 8) & 0xFF);
        format &= ~(0xFF00u);
    }
    TextLayoutOptions options;
    options.format = format;
    options.width = rect->right - rect->left;
    options.tabWidth = (format & DT_EXPANDTABS) ? std::max<LONG>(1, tabChars) * m.aveCharWidth : 0;
    AdvanceFunction advance = AdvanceOf(font);
    std::vector<TextLine> lines = LayoutText(text, options, advance);

    const LONG lineHeight = m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);
    const LONG textHeight = lineHeight * static_cast<LONG>(lines.size());
    LONG widest = 0;
    for (const TextLine& line : lines)
        widest = std::max(widest, line.width);

    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    LONG top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect->top + (rect->bottom - rect->top - textHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rect->bottom - textHeight;
    }

    SurfaceLock lock(dc, true);
    if (lock.Valid()) {
        Surface& surface = lock.Pixels();
        RECT limit = SurfaceRect(dc, *rect);
        detail::RectRegion area = DrawArea(dc, surface, (format & DT_NOCLIP) ? nullptr : &limit);
        const bool opaque = dc.m_state.bkMode == OPAQUE;
        const bool underlines = !(format & DT_NOPREFIX) && !(format & DT_HIDEPREFIX);
        LONG y = top;
        for (const TextLine& line : lines) {
            LONG x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (options.width - line.width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - line.width;
            Run run;
            run.text = line.text;
            run.offsets = CharacterOffsets(line.text, options.tabWidth, advance);
            run.prefixed = underlines ? &line.prefixed : nullptr;
            run.glyphs = !(format & DT_PREFIXONLY);
            POINT at = dc.ToSurface(x, y);
            PaintRun(target, surface, area, run, at.x, at.y + m.ascent, opaque && run.glyphs);
            y += lineHeight;
        }
    }
    return (top - rect->top) + textHeight;
}

BOOL ExtentDecoded(HDC handle, const std::u32string& text, const std::vector<int>& units, int maxExtent, LPINT fit,
                   LPINT dx, LPSIZE size)
{
    TextTarget target;
    if (!OpenTarget(handle, &target))
        return FALSE;
    std::vector<LONG> offsets = CharacterOffsets(text, 0, AdvanceOf(*target.font));
    int fitted = 0;
    int unit = 0;
    bool fitting = true;
    for (size_t i = 0; i < text.size(); ++i) {
        fitting = fitting && offsets[i + 1] <= maxExtent;
        for (int k = 0; k < units[i]; ++k, ++unit) {
            if (dx)
                dx[unit] = offsets[i + 1];
            if (fitting)
                ++fitted;
        }
    }
    if (fit)
        *fit = fitted;
    if (size) {
        size->cx = offsets.back();
        size->cy = target.font->Metrics().height;
    }
    return TRUE;
}

template <typename Metrics> void FillMetrics(const TextTarget& target, Metrics* out)
{
    const RealizedFont& font = *target.font;
    const FontMetrics& m = font.Metrics();
    std::memset(out, 0, sizeof(*out));
    out->tmHeight = m.height;
    out->tmAscent = m.ascent;
    out->tmDescent = m.descent;
    out->tmInternalLeading = m.internalLeading;
    out->tmExternalLeading = m.externalLeading;
    out->tmAveCharWidth = m.aveCharWidth;
    out->tmMaxCharWidth = m.maxCharWidth;
    out->tmWeight = target.logFont.lfWeight > 0 ? target.logFont.lfWeight : FW_NORMAL;
    out->tmDigitizedAspectX = 96;
    out->tmDigitizedAspectY = 96;
    out->tmFirstChar = 0x1E;
    out->tmLastChar = sizeof(out->tmLastChar) == 1 ? 0xFF : 0xFFFD;
    out->tmDefaultChar = 0x1F;
    out->tmBreakChar = 0x20;
    out->tmItalic = target.logFont.lfItalic ? 0xFF : 0;
    out->tmUnderlined = target.logFont.lfUnderline ? 0xFF : 0;
    out->tmStruckOut = target.logFont.lfStrikeOut ? 0xFF : 0;
    BYTE family = FF_SWISS;
    if (font.Family().find("Mono") != std::string::npos)
        family = FF_MODERN;
    else if (font.Family().find("Serif") != std::string::npos)
        family = FF_ROMAN;
    // TMPF_FIXED_PITCH set means variable pitch.
    out->tmPitchAndFamily =
        static_cast<BYTE>(family | TMPF_VECTOR | TMPF_TRUETYPE | (font.IsMonospace() ? 0 : TMPF_FIXED_PITCH));
    out->tmCharSet = target.logFont.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : target.logFont.lfCharSet;
}

} // namespace

} // namespace win::gdi

using namespace win::gdi;

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx)
{
    if (!text && count > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<int> units;
    std::u32string decoded = text ? win::DecodeUtf8(std::string_view(text, count), &units) : std::u32string();
    return TextOutDecoded(dc, x, y, options, rect, decoded, units, dx);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx)
{
    if (!text && count > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<int> units;
    std::u32string decoded = text ? win::DecodeUtf16(std::u16string_view(text, count), &units) : std::u32string();
    return TextOutDecoded(dc, x, y, options, rect, decoded, units, dx);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count)
{
    if (count < 0 || (!text && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count)
{
    if (count < 0 || (!text && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format)
{
    if (!text && count != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u32string decoded = text ? win::DecodeUtf8(NarrowText(text, count)) : std::u32string();
    return DrawTextDecoded(dc, decoded, rect, format);
}

int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    if (!text && count != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u32string decoded = text ? win::DecodeUtf16(WideText(text, count)) : std::u32string();
    return DrawTextDecoded(dc, decoded, rect, format);
}

BOOL GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size)
{
    if (count < 0 || (!text && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<int> units;
    std::u32string decoded =
        text ? win::DecodeUtf8(std::string_view(text, static_cast<size_t>(count)), &units) : U"";
    return ExtentDecoded(dc, decoded, units, fit ? maxExtent : INT32_MAX, fit, dx, size);
}

BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size)
{
    if (count < 0 || (!text && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<int> units;
    std::u32string decoded =
        text ? win::DecodeUtf16(std::u16string_view(text, static_cast<size_t>(count)), &units) : U"";
    return ExtentDecoded(dc, decoded, units, fit ? maxExtent : INT32_MAX, fit, dx, size);
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetTextExtentExPointA(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int count, LPSIZE size)
{
    return GetTextExtentPoint32A(dc, text, count, size);
}

BOOL GetTextExtentPointW(HDC dc, LPCWSTR text, int count, LPSIZE size)
{
    return GetTextExtentPoint32W(dc, text, count, size);
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics)
{
    TextTarget target;
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!OpenTarget(dc, &target))
        return FALSE;
    FillMetrics(target, metrics);
    return TRUE;
}

BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics)
{
    TextTarget target;
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!OpenTarget(dc, &target))
        return FALSE;
    FillMetrics(target, metrics);
    return TRUE;
}

int GetTextFaceA(HDC dc, int count, LPSTR face)
{
    TextTarget target;
    if (!OpenTarget(dc, &target))
        return 0;
    const std::string& name = target.font->Family();
    if (!face)
        return static_cast<int>(name.size()) + 1;
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = std::min(name.size(), static_cast<size_t>(count - 1));
    std::memcpy(face, name.data(), length);
    face[length] = '\0';
    return static_cast<int>(length) + 1;
}
