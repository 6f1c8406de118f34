#include "Platform/Win/Gdi/Private/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SIZES_H
#include FT_SFNT_NAMES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Gdi/FontFamilies.h"

namespace win::gdi {

namespace {

struct FaceAlias {
    const char* name;
    FontFamily family;
};

// The face names the program and its resources ask for, and the usual
// Windows faces, each with the DejaVu family that stands in for it.
constexpr std::array<FaceAlias, 33> kFaceAliases = {{
    {"Arial", FontFamily::Sans},
    {"Arial Narrow", FontFamily::Sans},
    {"Helvetica", FontFamily::Sans},
    {"Helv", FontFamily::Sans},
    {"MS Sans Serif", FontFamily::Sans},
    {"Microsoft Sans Serif", FontFamily::Sans},
    {"MS Shell Dlg", FontFamily::Sans},
    {"MS Shell Dlg 2", FontFamily::Sans},
    {"MS UI Gothic", FontFamily::Sans},
    {"Tahoma", FontFamily::Sans},
    {"Verdana", FontFamily::Sans},
    {"Segoe UI", FontFamily::Sans},
    {"Trebuchet MS", FontFamily::Sans},
    {"System", FontFamily::Sans},
    {"Small Fonts", FontFamily::Sans},
    {"DejaVu Sans", FontFamily::Sans},
    {"sans-serif", FontFamily::Sans},
    {"Times New Roman", FontFamily::Serif},
    {"Times", FontFamily::Serif},
    {"Tms Rmn", FontFamily::Serif},
    {"MS Serif", FontFamily::Serif},
    {"Georgia", FontFamily::Serif},
    {"Book Antiqua", FontFamily::Serif},
    {"DejaVu Serif", FontFamily::Serif},
    {"serif", FontFamily::Serif},
    {"Courier New", FontFamily::Mono},
    {"Courier", FontFamily::Mono},
    {"Lucida Console", FontFamily::Mono},
    {"Consolas", FontFamily::Mono},
    {"Fixedsys", FontFamily::Mono},
    {"Terminal", FontFamily::Mono},
    {"DejaVu Sans Mono", FontFamily::Mono},
    {"monospace", FontFamily::Mono},
}};

// Where Debian's fonts-dejavu-core puts the faces, for machines whose
// fontconfig does not know them: index [family][bold][italic].
constexpr const char* kFixedFaceFiles[3][2][2] = {
    {{"DejaVuSans.ttf", "DejaVuSans-Oblique.ttf"}, {"DejaVuSans-Bold.ttf", "DejaVuSans-BoldOblique.ttf"}},
    {{"DejaVuSerif.ttf", "DejaVuSerif-Italic.ttf"}, {"DejaVuSerif-Bold.ttf", "DejaVuSerif-BoldItalic.ttf"}},
    {{"DejaVuSansMono.ttf", "DejaVuSansMono-Oblique.ttf"},
     {"DejaVuSansMono-Bold.ttf", "DejaVuSansMono-BoldOblique.ttf"}},
};
constexpr const char* kFixedFaceFolder = "/usr/share/fonts/truetype/dejavu/";

// A cell height for lfHeight 0, the height of the Windows system font.
constexpr LONG kDefaultCellHeight = 16;
// Glyphs beyond this many pixels per em would take megabytes each.
constexpr LONG kMaxEm = 2048;
constexpr size_t kMaxCachedGlyphs = 4096;
// Large sizes make large glyphs; a font's cache stays below this.
constexpr size_t kMaxGlyphBytes = 16u << 20;
constexpr size_t kRecentFonts = 16;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string FaceNameOf(const LOGFONTW& logFont)
{
    size_t length = 0;
    while (length < LF_FACESIZE && logFont.lfFaceName[length] != 0)
        ++length;
    return Utf16ToUtf8(std::u16string_view(logFont.lfFaceName, length));
}

// Every FreeType and fontconfig call happens under this lock: FreeType's
// faces are not safe to share between threads.
std::mutex& EngineLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

// Loaded with EngineLock() held; lives until exit.
FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library made = nullptr;
        if (FT_Init_FreeType(&made) != 0)
            return static_cast<FT_Library>(nullptr);
        return made;
    }();
    return library;
}

struct FaceFile {
    std::string path;
    int index = 0;
};

bool FileExists(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

bool PatternHasFamily(FcPattern* pattern, const char* family)
{
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
        if (EqualsNoCase(reinterpret_cast<const char*>(value), family))
            return true;
    return false;
}

// fontconfig's match for the family and style; empty when fontconfig finds
// a face of another family (or requireFamily is false and it finds none).
FaceFile MatchWithFontconfig(const char* family, bool bold, bool italic, bool requireFamily)
{
    static const bool ready = FcInit() == FcTrue;
    if (!ready)
        return {};
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return {};
    FaceFile found;
    FcChar8* file = nullptr;
    int width = FC_WIDTH_NORMAL;
    FcPatternGetInteger(match, FC_WIDTH, 0, &width);
    bool acceptable = !requireFamily || (PatternHasFamily(match, family) && width == FC_WIDTH_NORMAL);
    if (acceptable && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
    }
    FcPatternDestroy(match);
    return found;
}

// DejaVu through fontconfig, else from its fixed folder, else whatever
// fontconfig offers for the generic family, so that text always shows.
FaceFile FindFaceFile(FontFamily family, bool bold, bool italic)
{
    const char* name = FamilyName(family);
    FaceFile found = MatchWithFontconfig(name, bold, italic, true);
    if (!found.path.empty())
        return found;
    std::string fixed = std::string(kFixedFaceFolder) + kFixedFaceFiles[static_cast<int>(family)][bold][italic];
    if (FileExists(fixed))
        return FaceFile{fixed, 0};
    constexpr const char* kGeneric[] = {"sans-serif", "serif", "monospace"};
    return MatchWithFontconfig(kGeneric[static_cast<int>(family)], bold, italic, false);
}

// One FT_Face per face file, shared by every size of it (each realised font
// has an FT_Size of its own).
FT_Face LoadFace(FontFamily family, bool bold, bool italic)
{
    static std::map<std::tuple<int, bool, bool>, FT_Face> faces;
    auto key = std::make_tuple(static_cast<int>(family), bold, italic);
    auto it = faces.find(key);
    if (it != faces.end())
        return it->second;
    FT_Face face = nullptr;
    FaceFile file = FindFaceFile(family, bold, italic);
    if (Library() && !file.path.empty() && FT_New_Face(Library(), file.path.c_str(), file.index, &face) != 0)
        face = nullptr;
    if (face && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
        FT_Set_Charmap(face, face->charmaps[0]);
    faces.emplace(key, face);
    return face;
}

LONG Scale(double units, double em, double unitsPerEm)
{
    return static_cast<LONG>(std::lround(units * em / unitsPerEm));
}

struct RealizationKey {
    int family;
    bool bold;
    bool italic;
    LONG width;  // lfWidth
    LONG height; // lfHeight
    bool operator<(const RealizationKey& o) const
    {
        return std::tie(family, bold, italic, width, height) < std::tie(o.family, o.bold, o.italic, o.width, o.height);
    }
};

} // namespace

struct RealizedFont::Impl {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    bool emboldenGlyphs = false;
    bool slantGlyphs = false;
    LONG boldExtra = 0;
    FontMetrics metrics;
    std::string family;
    bool monospace = false;
    mutable std::unordered_map<char32_t, LONG> advances;
    mutable std::unordered_map<char32_t, std::shared_ptr<const GlyphImage>> glyphs[2]; // grey, mono
    mutable size_t glyphBytes = 0;

    ~Impl()
    {
        if (size) {
            std::lock_guard<std::mutex> guard(EngineLock());
            FT_Done_Size(size);
        }
    }

    // With EngineLock() held.
    LONG AdvanceLocked(char32_t c) const
    {
        if (c < 0x20 || c == 0x7F)
            return 0;
        auto it = advances.find(c);
        if (it != advances.end())
            return it->second;
        FT_Activate_Size(size);
        FT_Fixed advance = 0;
        LONG pixels = 0;
        if (FT_Get_Advance(face, FT_Get_Char_Index(face, c), FT_LOAD_NO_HINTING, &advance) == 0)
            pixels = static_cast<LONG>((advance + 0x8000) >> 16) + boldExtra;
        if (advances.size() >= kMaxCachedGlyphs)
            advances.clear();
        advances.emplace(c, pixels);
        return pixels;
    }

    std::shared_ptr<const GlyphImage> RenderLocked(char32_t c, bool mono) const
    {
        auto made = std::make_shared<GlyphImage>();
        if (c < 0x20 || c == 0x7F)
            return made;
        FT_Activate_Size(size);
        FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
        if (FT_Load_Glyph(face, FT_Get_Char_Index(face, c), flags) != 0)
            return made;
        FT_GlyphSlot slot = face->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            if (emboldenGlyphs)
                FT_GlyphSlot_Embolden(slot);
            if (slantGlyphs)
                FT_GlyphSlot_Oblique(slot);
        }
        if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
            return made;
        const FT_Bitmap& bitmap = slot->bitmap;
        made->left = slot->bitmap_left;
        made->top = slot->bitmap_top;
        made->width = static_cast<LONG>(bitmap.width);
        made->height = static_cast<LONG>(bitmap.rows);
        made->coverage.assign(static_cast<size_t>(made->width) * static_cast<size_t>(made->height), 0);
        for (LONG y = 0; y < made->height; ++y) {
            const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            if (bitmap.pitch < 0)
                row = bitmap.buffer + static_cast<ptrdiff_t>(made->height - 1 - y) * -bitmap.pitch;
            BYTE* out = made->coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(made->width);
            for (LONG x = 0; x < made->width; ++x) {
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    out[x] = static_cast<BYTE>(bitmap.num_grays == 256 ? row[x] : row[x] * 255 / (bitmap.num_grays - 1));
            }
        }
        return made;
    }
};

RealizedFont::RealizedFont(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
RealizedFont::~RealizedFont() = default;

bool RealizedFont::HasFace() const { return m_impl->face != nullptr; }
const FontMetrics& RealizedFont::Metrics() const { return m_impl->metrics; }
const std::string& RealizedFont::Family() const { return m_impl->family; }
bool RealizedFont::IsMonospace() const { return m_impl->monospace; }

LONG RealizedFont::Advance(char32_t c) const
{
    if (!m_impl->face)
        return 0;
    std::lock_guard<std::mutex> guard(EngineLock());
    return m_impl->AdvanceLocked(c);
}

std::shared_ptr<const GlyphImage> RealizedFont::Glyph(char32_t c, bool mono) const
{
    if (!m_impl->face)
        return std::make_shared<GlyphImage>();
    std::lock_guard<std::mutex> guard(EngineLock());
    auto& cache = m_impl->glyphs[mono ? 1 : 0];
    auto it = cache.find(c);
    if (it != cache.end())
        return it->second;
    auto made = m_impl->RenderLocked(c, mono);
    if (cache.size() >= kMaxCachedGlyphs || m_impl->glyphBytes + made->coverage.size() > kMaxGlyphBytes) {
        m_impl->glyphs[0].clear();
        m_impl->glyphs[1].clear();
        m_impl->glyphBytes = 0;
    }
    m_impl->glyphBytes += made->coverage.size();
    cache.emplace(c, made);
    return made;
}

std::vector<std::string> FontFamilies(bool scalableOnly, bool fixedPitchOnly)
{
    std::set<std::string, bool (*)(const std::string&, const std::string&)> seen(
        [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    std::lock_guard<std::mutex> guard(EngineLock());
    FcPattern* pattern = FcPatternCreate();
    if (scalableOnly)
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (fixedPitchOnly)
        FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family &&
                family[0] != '@' && std::strlen(reinterpret_cast<const char*>(family)) < LF_FACESIZE)
                seen.insert(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return std::vector<std::string>(seen.begin(), seen.end());
}

namespace {

std::shared_ptr<const RealizedFont> Realize(const LOGFONTW& logFont)
{
    FontFamily family = FamilyForFace(FaceNameOf(logFont), logFont.lfPitchAndFamily);
    bool bold = logFont.lfWeight > FW_MEDIUM;
    bool italic = logFont.lfItalic != 0;

    std::lock_guard<std::mutex> guard(EngineLock());
    FT_Face face = LoadFace(family, bold, italic);
    auto impl = std::make_unique<RealizedFont::Impl>();
    impl->family = FamilyName(family);
    LONG height = logFont.lfHeight == 0 ? kDefaultCellHeight : logFont.lfHeight;
    LONG cellHeight = height > 0 ? std::min(height, kMaxEm) : 0;
    if (!face) {
        // Without any face the metrics still follow the request.
        auto em = static_cast<LONG>(std::clamp<LONGLONG>(
            height < 0 ? -static_cast<LONGLONG>(height) : static_cast<LONGLONG>(height), 1, kMaxEm));
        FontMetrics& m = impl->metrics;
        m.ascent = em * 4 / 5;
        m.descent = em - m.ascent;
        m.height = em;
        m.aveCharWidth = std::max<LONG>(1, em / 2);
        m.maxCharWidth = em;
        return std::make_shared<RealizedFont>(std::move(impl));
    }

    double unitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    double winAscent = face->ascender;
    double winDescent = -face->descender;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    }
    double cellUnits = std::max(1.0, winAscent + winDescent);
    LONG emY = cellHeight > 0 ? static_cast<LONG>(std::lround(cellHeight * unitsPerEm / cellUnits))
                              : static_cast<LONG>(std::min<LONGLONG>(-static_cast<LONGLONG>(height), kMaxEm));
    emY = std::clamp<LONG>(emY, 1, kMaxEm);
    double avgUnits = (os2 && os2->xAvgCharWidth > 0) ? os2->xAvgCharWidth : unitsPerEm / 2;
    LONG emX = emY;
    if (logFont.lfWidth != 0) {
        double wanted = std::min(std::fabs(static_cast<double>(logFont.lfWidth)), static_cast<double>(kMaxEm));
        emX = std::clamp<LONG>(static_cast<LONG>(std::lround(wanted * unitsPerEm / avgUnits)), 1, kMaxEm);
    }

    if (FT_New_Size(face, &impl->size) != 0)
        impl->size = nullptr;
    if (!impl->size || FT_Activate_Size(impl->size) != 0 ||
        FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(emX) * 64, static_cast<FT_F26Dot6>(emY) * 64, 72, 72) != 0) {
        FontMetrics& m = impl->metrics;
        m.ascent = Scale(winAscent, emY, unitsPerEm);
        m.descent = Scale(winDescent, emY, unitsPerEm);
        m.height = m.ascent + m.descent;
        return std::make_shared<RealizedFont>(std::move(impl));
    }
    impl->face = face;
    impl->emboldenGlyphs = bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    impl->slantGlyphs = italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    if (impl->emboldenGlyphs)
        impl->boldExtra = std::max<LONG>(1, static_cast<LONG>(std::lround(emY / 24.0)));
    impl->monospace = FT_IS_FIXED_WIDTH(face);
    if (face->family_name)
        impl->family = face->family_name;

    FontMetrics& m = impl->metrics;
    m.ascent = Scale(winAscent, emY, unitsPerEm);
    m.ascent = cellHeight > 0 ? std::min(m.ascent, cellHeight) : m.ascent;
    m.descent = cellHeight > 0 ? cellHeight - m.ascent : Scale(winDescent, emY, unitsPerEm);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max<LONG>(0, m.height - emY);
    if (hhea) {
        double gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
        m.externalLeading = std::max<LONG>(0, Scale(gap, emY, unitsPerEm));
    }
    m.aveCharWidth = std::max<LONG>(1, Scale(avgUnits, emX, unitsPerEm));
    m.maxCharWidth = std::max<LONG>(m.aveCharWidth, Scale(face->max_advance_width, emX, unitsPerEm) + impl->boldExtra);
    m.underlineThickness = std::max<LONG>(1, Scale(face->underline_thickness, emY, unitsPerEm));
    m.underlinePosition = std::max<LONG>(1, Scale(-face->underline_position, emY, unitsPerEm));
    m.underlinePosition = std::min(m.underlinePosition, std::max<LONG>(0, m.descent - m.underlineThickness));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        m.strikeoutThickness = std::max<LONG>(1, Scale(os2->yStrikeoutSize, emY, unitsPerEm));
        m.strikeoutPosition = Scale(os2->yStrikeoutPosition, emY, unitsPerEm);
    } else {
        m.strikeoutPosition = m.ascent / 3;
    }
    return std::make_shared<RealizedFont>(std::move(impl));
}

// Fonts are realised once per family, style and size; recently used ones
// stay even while no HFONT holds them, since callers often create and
// delete the same font on every paint.
std::shared_ptr<const RealizedFont> RealizeCached(const LOGFONTW& logFont)
{
    static std::mutex lock;
    static std::map<RealizationKey, std::weak_ptr<const RealizedFont>> known;
    static std::deque<std::shared_ptr<const RealizedFont>> recent;

    RealizationKey key{static_cast<int>(FamilyForFace(FaceNameOf(logFont), logFont.lfPitchAndFamily)),
                       logFont.lfWeight > FW_MEDIUM,
                       logFont.lfItalic != 0,
                       logFont.lfWidth,
                       logFont.lfHeight};
    std::lock_guard<std::mutex> guard(lock);
    auto it = known.find(key);
    if (it != known.end()) {
        if (auto alive = it->second.lock())
            return alive;
    }
    auto made = Realize(logFont);
    known[key] = made;
    recent.push_back(made);
    if (recent.size() > kRecentFonts)
        recent.pop_front();
    for (auto k = known.begin(); k != known.end();)
        k = k->second.expired() ? known.erase(k) : std::next(k);
    return made;
}

void CopyFaceName(LOGFONTW* logFont, std::string_view face)
{
    std::u16string wide;
    for (char32_t c : DecodeUtf8(face)) {
        size_t before = wide.size();
        AppendUtf16(wide, c);
        if (wide.size() >= LF_FACESIZE) {
            wide.resize(before); // a surrogate pair is never cut in two
            break;
        }
    }
    std::memset(logFont->lfFaceName, 0, sizeof(logFont->lfFaceName));
    std::copy(wide.begin(), wide.end(), logFont->lfFaceName);
}

LOGFONTW MakeLogFont(LONG height, LONG weight, BYTE pitchAndFamily, std::string_view face)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfPitchAndFamily = pitchAndFamily;
    CopyFaceName(&lf, face);
    return lf;
}

} // namespace

std::shared_ptr<FontObject> MakeStockFont(int stockIndex)
{
    auto font = std::make_shared<Font>(StockLogFont(stockIndex));
    font->m_stockIndex = stockIndex;
    return font;
}

FontFamily FamilyForFace(std::string_view face, BYTE pitchAndFamily)
{
    for (const FaceAlias& alias : kFaceAliases)
        if (EqualsNoCase(face, alias.name))
            return alias.family;
    if ((pitchAndFamily & 0xF0) == FF_MODERN || (pitchAndFamily & 0x03) == FIXED_PITCH)
        return FontFamily::Mono;
    if ((pitchAndFamily & 0xF0) == FF_ROMAN)
        return FontFamily::Serif;
    return FontFamily::Sans;
}

const char* FamilyName(FontFamily family)
{
    switch (family) {
    case FontFamily::Serif:
        return "DejaVu Serif";
    case FontFamily::Mono:
        return "DejaVu Sans Mono";
    case FontFamily::Sans:
        break;
    }
    return "DejaVu Sans";
}

LOGFONTW StockLogFont(int stockIndex)
{
    switch (stockIndex) {
    case OEM_FIXED_FONT:
        return MakeLogFont(kDefaultCellHeight, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Terminal");
    case ANSI_FIXED_FONT:
        return MakeLogFont(-13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New");
    case ANSI_VAR_FONT:
        return MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
    case SYSTEM_FIXED_FONT:
        return MakeLogFont(kDefaultCellHeight, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Fixedsys");
    case DEFAULT_GUI_FONT:
        return MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg");
    default:
        break;
    }
    return MakeLogFont(kDefaultCellHeight, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "System");
}

Font::Font(const LOGFONTW& logFont) : m_logFont(logFont) {}

LOGFONTA Font::LogFontA() const
{
    LOGFONTA a{};
    std::memcpy(&a, &m_logFont, offsetof(LOGFONTA, lfFaceName));
    std::string face = FaceNameOf(m_logFont);
    size_t length = Utf8CutLength(face, LF_FACESIZE - 1);
    std::memcpy(a.lfFaceName, face.data(), length);
    return a;
}

int Font::Describe(int size, void* buffer) const
{
    if (!buffer)
        return static_cast<int>(sizeof(LOGFONTA));
    if (size <= 0)
        return 0;
    LOGFONTA a = LogFontA();
    size_t bytes = std::min(static_cast<size_t>(size), sizeof(LOGFONTA));
    std::memcpy(buffer, &a, bytes);
    return static_cast<int>(bytes);
}

std::shared_ptr<const RealizedFont> Font::Realized() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_realized)
        m_realized = RealizeCached(m_logFont);
    return m_realized;
}

std::shared_ptr<const RealizedFont> RealizedFontOf(const DeviceContext& dc)
{
    if (auto* font = dc.m_state.font.As<Font>())
        return font->Realized();
    int stockIndex = SYSTEM_FONT;
    if (auto* other = dc.m_state.font.As<FontObject>(); other && other->m_stockIndex >= 0)
        stockIndex = other->m_stockIndex;
    return RealizeCached(StockLogFont(stockIndex));
}

} // namespace win::gdi

using namespace win::gdi;

HFONT CreateFontIndirectW(const LOGFONTW* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HFONT>(InsertObject(std::make_shared<Font>(*logFont)));
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTW wide{};
    std::memcpy(&wide, logFont, offsetof(LOGFONTA, lfFaceName));
    size_t length = 0;
    while (length < LF_FACESIZE && logFont->lfFaceName[length] != 0)
        ++length;
    CopyFaceName(&wide, std::string_view(logFont->lfFaceName, length));
    return CreateFontIndirectW(&wide);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR face)
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face) {
        size_t length = strnlen(face, LF_FACESIZE - 1);
        std::memcpy(lf.lfFaceName, face, length);
    }
    return CreateFontIndirectA(&lf);
}
