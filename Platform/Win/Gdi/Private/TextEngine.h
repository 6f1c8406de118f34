#pragma once
// The text engine behind GdiText.h: face names mapped to the DejaVu
// families, faces realised through fontconfig and FreeType, glyph coverage,
// and the DrawText layout. Shared by the GDI's text calls and their tests.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Win/Gdi/GdiText.h"
#include "Platform/Win/Gdi/Private/GdiInternal.h"

namespace win::gdi {

enum class FontFamily { Sans, Serif, Mono };

// The DejaVu family a face name (UTF-8) stands for; unknown names choose by
// the LOGFONT's lfPitchAndFamily. Names compare ASCII case-insensitively.
FontFamily FamilyForFace(std::string_view face, BYTE pitchAndFamily);
const char* FamilyName(FontFamily family);

// Metrics of a realised font in pixels, as GetTextMetrics reports them.
struct FontMetrics {
    LONG height = 0;
    LONG ascent = 0;
    LONG descent = 0;
    LONG internalLeading = 0;
    LONG externalLeading = 0;
    LONG aveCharWidth = 0;
    LONG maxCharWidth = 0;
    // Below the baseline (positive down) to the top of the line.
    LONG underlinePosition = 0;
    LONG underlineThickness = 1;
    // Above the baseline to the top of the line.
    LONG strikeoutPosition = 0;
    LONG strikeoutThickness = 1;
};

// A glyph's coverage, one byte per pixel (0..255; only 0 and 255 when drawn
// for a monochrome surface), placed relative to the pen on the baseline.
struct GlyphImage {
    LONG left = 0; // pen to first column
    LONG top = 0;  // baseline up to first row
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> coverage;
};

// A face at one size. Shared by the fonts that ask for the same realisation;
// safe to use from any thread.
class RealizedFont {
public:
    struct Impl;
    explicit RealizedFont(std::unique_ptr<Impl> impl);
    ~RealizedFont();
    RealizedFont(const RealizedFont&) = delete;
    RealizedFont& operator=(const RealizedFont&) = delete;

    // False when no face could be loaded: such a font measures and draws
    // nothing but its metrics.
    bool HasFace() const;
    const FontMetrics& Metrics() const;
    // The family name of the face in use.
    const std::string& Family() const;
    bool IsMonospace() const;
    // The integral advance of a character; control characters advance 0.
    LONG Advance(char32_t c) const;
    std::shared_ptr<const GlyphImage> Glyph(char32_t c, bool mono) const;

private:
    std::unique_ptr<Impl> m_impl;
};

// A logical font (an HFONT). Its LOGFONTW is kept as given; the face is
// realised on first use.
class Font final : public FontObject {
public:
    explicit Font(const LOGFONTW& logFont);
    // GetObjectA: a LOGFONTA (60 bytes) with the face name in UTF-8.
    int Describe(int size, void* buffer) const override;

    const LOGFONTW& LogFontW() const { return m_logFont; }
    LOGFONTA LogFontA() const;
    std::shared_ptr<const RealizedFont> Realized() const;

private:
    LOGFONTW m_logFont;
    mutable std::mutex m_lock;
    mutable std::shared_ptr<const RealizedFont> m_realized;
};

// The font a DC draws with: the selected font, or the system font when the
// selection is not one of the text engine's fonts.
std::shared_ptr<const RealizedFont> RealizedFontOf(const DeviceContext& dc);
// The LOGFONTW of a stock font index (SYSTEM_FONT, DEFAULT_GUI_FONT, ...).
LOGFONTW StockLogFont(int stockIndex);

// The DrawText layout of a text: its lines after prefix handling, line
// breaking and ellipsis, measured with `advance`.
struct TextLine {
    std::u32string text;
    LONG width = 0;
    // Characters drawn with the mnemonic underline ('&' prefixes).
    std::vector<size_t> prefixed;
};
struct TextLayoutOptions {
    UINT format = 0;
    LONG width = 0;    // the rectangle's width, for breaking and ellipses
    LONG tabWidth = 0; // in pixels, with DT_EXPANDTABS
};
using AdvanceFunction = std::function<LONG(char32_t)>;
std::vector<TextLine> LayoutText(std::u32string_view text, const TextLayoutOptions& options,
                                 const AdvanceFunction& advance);
// The x offset of each character of a line and, last, the line's width;
// tabs move to the next multiple of tabWidth when tabWidth > 0.
std::vector<LONG> CharacterOffsets(std::u32string_view line, LONG tabWidth, const AdvanceFunction& advance);

} // namespace win::gdi
