#include "Win32/Sb/Document/TextEffect.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Render/TextEffectRenderer.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

using namespace effect_names;

// The text entries of the effect's own section.
constexpr UINT kTextEntry = 1536;
constexpr UINT kFont = 1537;
constexpr UINT kAlign = 1543;
constexpr UINT kStyle = 1544;
constexpr UINT kColor1 = 1547;
constexpr UINT kColor2 = 1548;
constexpr UINT kColor3 = 1549;
constexpr UINT kAnchor = 1550;
constexpr UINT kX = 1551;
constexpr UINT kY = 1552;
constexpr UINT kExtra1 = 1553;
constexpr UINT kExtra2 = 1554;
constexpr UINT kOffsetPercent = 1558;
constexpr UINT kEdgePercent = 1564;
constexpr UINT kOffsetAngle = 1565;
constexpr UINT kOutlineFraction = 1566;
// The names of states 0..3.
constexpr UINT kStateNames[4] = {1538, 1541, 1540, 1539};

// The older layout: the text, its font, its start in milliseconds and four
// parts (states 0..3) with a colour, opacity, cell, duration and switch.
constexpr UINT kOlderText = 1090;
constexpr UINT kOlderFont = 1091;
constexpr UINT kOlderStart = 1102;
constexpr UINT kOlderParts[4] = {1094, 1096, 1540, 1095};
constexpr UINT kOlderColor = 1093;
constexpr UINT kOlderOpacity = 1100;
constexpr UINT kOlderCell = 1097;
constexpr UINT kOlderSeconds = 1098;
constexpr UINT kOlderShown = 1099;

constexpr UINT kDefaultFontDescription = 3372;
constexpr LONG kDefaultFontHeight = -21;
constexpr BYTE kDefaultPitchAndFamily = 0x12;
constexpr BYTE kBlankMarker = 0xFF;

// Placement cells 0..8, and the cells of the older layout.
constexpr float kCellX[9] = {0.0f, 0.5f, 1.0f, 0.0f, 0.5f, 1.0f, 0.0f, 0.5f, 1.0f};
constexpr float kCellY[9] = {1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
constexpr float kOlderCellX[9] = {0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 1.0f, 1.0f, 1.0f};
constexpr float kOlderCellY[9] = {0.5f, 1.0f, 1.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.5f, 1.0f};

// The anchor of states 1 and 2 by their position code, and of states 0 and
// 3 by their own code (row) and state 1's (column).
constexpr INT kPrimaryAnchor[9] = {0x0101, 0x0102, 0x0104, 0x0201, 0x0202, 0x0204, 0x0401, 0x0402, 0x0404};
constexpr INT kSecondaryAnchor[9][9] = {
    {0x0101, 0x0104, 0x0104, 0x0401, 0x0404, 0x0404, 0x0401, 0x0404, 0x0404},
    {0x0102, 0x0102, 0x0102, 0x0402, 0x0402, 0x0402, 0x0402, 0x0402, 0x0402},
    {0x0101, 0x0101, 0x0104, 0x0401, 0x0401, 0x0404, 0x0401, 0x0401, 0x0404},
    {0x0201, 0x0204, 0x0204, 0x0201, 0x0204, 0x0204, 0x0201, 0x0204, 0x0204},
    {0x0202, 0x0202, 0x0202, 0x0202, 0x0202, 0x0202, 0x0202, 0x0202, 0x0202},
    {0x0201, 0x0201, 0x0204, 0x0201, 0x0201, 0x0204, 0x0201, 0x0201, 0x0204},
    {0x0101, 0x0104, 0x0104, 0x0101, 0x0104, 0x0104, 0x0401, 0x0404, 0x0404},
    {0x0102, 0x0102, 0x0102, 0x0102, 0x0102, 0x0102, 0x0402, 0x0402, 0x0402},
    {0x0101, 0x0101, 0x0104, 0x0101, 0x0101, 0x0104, 0x0401, 0x0401, 0x0404},
};

struct PresetColor {
    BYTE red, green, blue, transparency;
    constexpr DWORD Word() const
    {
        return DWORD{red} | DWORD{green} << 8 | DWORD{blue} << 16 | DWORD{transparency} << 24;
    }
};

struct TextStylePreset {
    INT number;
    INT thumbnailId;
    INT nameId;
    PresetColor colors[3];
    double offsetPercent;
    double edgePercent;
    double angle;
    double outlineFraction;
};

constexpr TextStylePreset kStylePresets[] = {
    {100, 868, 61429, {{255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 0, 127}}, 15, 0, 0, 0},
    {101, 934, 61432, {{0, 238, 255, 0}, {0, 90, 255, 0}, {179, 57, 192, 50}}, 8, 0, 0, 0},
    {102, 937, 61433, {{0, 90, 255, 64}, {54, 16, 233, 0}, {0, 238, 255, 64}}, 6, 0, 0, 0},
    {103, 935, 61434, {{242, 187, 197, 127}, {0, 0, 0, 255}, {255, 255, 255, 127}}, 8, 0, 0, 0},
    {104, 936, 61435, {{30, 75, 60, 100}, {255, 255, 255, 0}, {7, 44, 21, 194}}, 5, 0, 0, 0},
    {105, 933, 61436, {{233, 131, 149, 64}, {255, 255, 255, 0}, {255, 102, 0, 64}}, 5, 0, 0, 0},
    {106, 938, 61428, {{0, 228, 228, 0}, {0, 0, 0, 0}, {0, 228, 0, 0}}, 5, 0, 0, 0},
    {107, 932, 61427, {{0, 0, 228, 0}, {255, 255, 255, 0}, {228, 0, 0, 0}}, 5, 0, 0, 0},
    {108, 1002, 61332, {{0, 90, 255, 0}, {0, 0, 0, 127}, {0, 0, 0, 51}}, 15, 5, 0, 0.05},
    {109, 1001, 61333, {{255, 255, 255, 0}, {255, 255, 255, 0}, {216, 179, 86, 102}}, 7, 5, -57, 0},
    {110, 996, 61341, {{255, 255, 255, 0}, {191, 152, 234, 0}, {0, 0, 0, 127}}, 6, 8, 0, 0.05},
    {111, 999, 61335, {{31, 173, 234, 0}, {0, 0, 0, 0}, {0, 0, 0, 102}}, 6, 0, 36, 0},
    {112, 1005, 61337, {{234, 182, 93, 100}, {85, 16, 5, 120}, {133, 132, 130, 61}}, 6, 13, 0, 0.1},
    {113, 1000, 61338, {{151, 151, 248, 102}, {104, 32, 113, 120}, {133, 132, 130, 36}}, 6, 8, -105, 0.05},
    {114, 997, 61336, {{8, 8, 243, 0}, {0, 136, 0, 0}, {34, 100, 30, 127}}, 10, 10, 0, 0.05},
    {115, 1004, 61330, {{0, 0, 0, 0}, {0, 238, 255, 0}, {124, 124, 118, 127}}, 6, 5, -90, 0.05},
    {116, 995, 61339, {{213, 26, 138, 0}, {0, 0, 0, 26}, {246, 0, 255, 0}}, 0, 8, 3, 0.05},
    {117, 1003, 61331, {{28, 143, 192, 0}, {0, 0, 0, 0}, {0, 0, 0, 51}}, 15, 5, 120, 0},
    {118, 994, 61340, {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 0, 56}}, 6, 6, 0, 0.05},
};
constexpr INT kStylePresetCount = static_cast<INT>(std::size(kStylePresets));
static_assert(kStylePresetCount == 19);

constexpr bool StylePresetsNumberedInOrder()
{
    for (INT i = 0; i < kStylePresetCount; ++i) {
        if (kStylePresets[i].number != 100 + i)
            return false;
    }
    return true;
}
static_assert(StylePresetsNumberedInOrder(), "style preset n is row n - 100");

struct TextMotionPreset {
    INT thumbnailId;
    INT nameId;
    INT index;
    INT cells[4];
    double key0Milliseconds;
    // Keys 1, 2 and 3 as fractions of the scene's length.
    double factors[3];
    BYTE transparency[4];
};

constexpr TextMotionPreset kMotionPresets[] = {
    {1081, 61426, 0, {4, 4, 4, 4}, 0, {0.25, 0.75, 1.0}, {0, 0, 0, 0}},
    {926, 41433, 1, {4, 4, 4, 4}, 0, {0.1, 0.9, 1.0}, {255, 0, 0, 255}},
    {1083, 41432, 2, {7, 4, 4, 1}, 0, {0.5, 0.5, 1.0}, {0, 0, 0, 0}},
    {930, 41436, 3, {2, 1, 1, 0}, 0, {0.5, 0.5, 1.0}, {0, 0, 0, 0}},
    {1082, 41437, 4, {5, 4, 4, 3}, 0, {0.5, 0.5, 1.0}, {0, 0, 0, 0}},
    {929, 41438, 5, {8, 7, 7, 6}, 0, {0.5, 0.5, 1.0}, {0, 0, 0, 0}},
    {927, 41439, 6, {0, 4, 4, 4}, 0, {0.25, 0.9, 1.0}, {0, 0, 0, 255}},
    {928, 41440, 7, {2, 4, 4, 4}, 0, {0.25, 0.9, 1.0}, {0, 0, 0, 255}},
    {931, 41441, 8, {1, 4, 4, 4}, 0, {0.25, 0.9, 1.0}, {0, 0, 0, 255}},
};
constexpr INT kMotionPresetCount = static_cast<INT>(std::size(kMotionPresets));
static_assert(kMotionPresetCount == 9);

const TextStylePreset& StyleRow(INT row)
{
    return kStylePresets[row >= 0 && row < kStylePresetCount ? row : 0];
}

const TextMotionPreset& MotionRow(INT row)
{
    return kMotionPresets[row >= 0 && row < kMotionPresetCount ? row : 0];
}

INT ClampCell(INT cell)
{
    return std::clamp(cell, 0, 8);
}

INT PositionCode(const TextKeyState& state)
{
    return ClampCell(static_cast<INT>(2.0f * state.m_fX) + 3 * static_cast<INT>(2.0f * state.m_fY));
}

bool LoadTextNames(EffectNames& names)
{
    const bool keys = names.LoadRange(1536, 1554) && names.Load({1556, 1557, kOffsetPercent})
        && names.LoadRange(kEdgePercent, kOutlineFraction);
    return names.Load({kTextPresent, kTextSection}) && keys;
}

bool LoadOlderNames(EffectNames& names)
{
    return names.LoadRange(kOlderText, kOlderStart) && names.Load({1540});
}

DWORD WithTransparency(DWORD color, DWORD transparency)
{
    return (color & 0x00FFFFFFu) | (transparency & 0xFFu) << 24;
}

// `text` with a blank at either end replaced by the marker byte, so that
// the profile keeps it.
std::string MarkBlankEnds(std::string text)
{
    if (!text.empty() && text.front() == ' ')
        text.front() = static_cast<char>(kBlankMarker);
    if (!text.empty() && text.back() == ' ')
        text.back() = static_cast<char>(kBlankMarker);
    return text;
}

// The reverse: a marker is read only where one is written, as the first or
// the last byte.
std::string UnmarkBlankEnds(std::string text)
{
    if (!text.empty() && static_cast<BYTE>(text.front()) == kBlankMarker)
        text.front() = ' ';
    if (!text.empty() && static_cast<BYTE>(text.back()) == kBlankMarker)
        text.back() = ' ';
    return text;
}

// Stored text in the program's multibyte code page, or, when it is not
// valid there, in the single-byte code page of older files.
std::u16string DecodeStoredText(const std::string& stored)
{
    const UINT codePage = win::IsWellFormedUtf8(stored) ? static_cast<UINT>(_getmbcp()) : CP_WINDOWS_1252;
    if (stored.empty())
        return std::u16string();
    const int length = MultiByteToWideChar(codePage, 0, stored.data(), static_cast<int>(stored.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(std::max(length, 0)), u'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, stored.data(), static_cast<int>(stored.size()), wide.data(), length);
    return wide;
}

std::string ProfileString(const CProfile* profile, LPCSTR section, LPCSTR entry, bool* found)
{
    LPSTR value = profile->GetString(section, entry);
    *found = value != nullptr;
    std::string text = value != nullptr ? value : "";
    delete[] value;
    return text;
}

} // namespace

double TextOutlinePercent(double height)
{
    const double magnitude = std::fabs(height);
    if (magnitude < 1.0)
        return 0.0;
    return 100.0 * std::ceil(0.95 * std::log(magnitude)) / magnitude;
}

TextEffect::TextEffect() : Effect(Effect::kText)
{
    SetDefaults();
}

TextEffect::TextEffect(const TextEffect& other) : Effect(other)
{
    *this = other;
}

TextEffect& TextEffect::operator=(const TextEffect& other)
{
    if (this == &other)
        return *this;
    Effect::operator=(other);
    m_nTextAlign = other.m_nTextAlign;
    m_nStyleFlags = other.m_nStyleFlags;
    m_dScaleY = other.m_dScaleY;
    m_dScaleX = other.m_dScaleX;
    m_dOffsetPercent = other.m_dOffsetPercent;
    m_dEdgePercent = other.m_dEdgePercent;
    m_dOffsetAngle = other.m_dOffsetAngle;
    m_dOutlineFraction = other.m_dOutlineFraction;
    std::memcpy(m_szText, other.m_szText, sizeof m_szText);
    m_dFrameRate = 1.0;
    m_lf = other.m_lf;
    std::copy(std::begin(other.m_keyStates), std::end(other.m_keyStates), std::begin(m_keyStates));
    return *this;
}

TextEffect::~TextEffect() = default;

void TextEffect::SetDefaults()
{
    ClearText();
    m_nPreset = 3;
    m_lf = LOGFONTW{};
    m_lf.lfHeight = kDefaultFontHeight;
    m_lf.lfWeight = FW_NORMAL;
    m_lf.lfQuality = PROOF_QUALITY;
    m_lf.lfPitchAndFamily = kDefaultPitchAndFamily;
    const std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), m_lf.lfFaceName);
    {
        CResourceSwitch language(kResourceLanguage);
        LoadFontDescriptionW(kDefaultFontDescription, m_lf);
    }
    for (TextKeyState& state : m_keyStates)
        state = TextKeyState{};
    m_nTextAlign = TA_CENTER;
    m_nStyleFlags = kOutline | kShadow | kFace;
    m_dScaleY = 1.0;
    m_dScaleX = 0.0;
    m_dOffsetPercent = TextOutlinePercent(m_lf.lfHeight);
    m_dEdgePercent = 0.0;
    m_dOffsetAngle = 0.0;
    m_dOutlineFraction = 0.0;
    m_dFrameRate = 1.0;
}

void TextEffect::ClearText()
{
    std::fill(std::begin(m_szText), std::end(m_szText), u'\0');
}

void TextEffect::SetText(LPCWSTR text)
{
    ClearText();
    if (text == nullptr)
        return;
    std::u16string_view view(text);
    size_t length = std::min(view.size(), static_cast<size_t>(kMaxText - 1));
    // A surrogate pair is never cut in two.
    if (length < view.size() && length > 0 && view[length - 1] >= 0xD800 && view[length - 1] < 0xDC00)
        --length;
    std::copy_n(view.data(), length, m_szText);
}

void TextEffect::SetTextUtf8(const std::string& text)
{
    SetText(win::Utf8ToUtf16(text).c_str());
}

std::string TextEffect::GetTextUtf8() const
{
    return win::Utf16ToUtf8(std::u16string_view(m_szText));
}

bool TextEffect::AttachRenderer(CIplImage* image, double rate, BYTE storyboard)
{
    const IplImage* frame = image != nullptr ? image->GetImage() : nullptr;
    m_dScaleY = frame != nullptr ? frame->height * (1.0 / 240.0) : 0.0;
    m_dScaleX = frame != nullptr ? frame->width * (1.0 / 320.0) : 0.0;
    m_pRenderer.reset();
    m_dFrameRate = rate;
    m_pRenderer = std::make_unique<CTextEffectRenderer>(0, this, rate, storyboard);
    return HasRenderer();
}

CIplImage* TextEffect::Render(CIplImage* image, CWaveBuffer*, CMediaTime* time)
{
    const LONGLONG frame = time != nullptr ? time->ToCount(m_dFrameRate) : 0;
    return ApplyRenderer(image, static_cast<LONG>(frame));
}

void TextEffect::Save(LPCSTR, CProfile* profile, LPCSTR sceneSection, INT)
{
    if (profile == nullptr)
        return;
    EffectNames names;
    if (!LoadTextNames(names)) {
        ShowEffectMessage(kSaveNameMissing);
        return;
    }
    const std::string own =
        BeginOwnSection(profile, sceneSection, names, kTextPresent, kTextSection, "Comment for Text", "Text Effect");
    LPCSTR section = own.c_str();

    const std::string utf8 = GetTextUtf8();
    const std::string stored = utf8.substr(0, win::Utf8CutLength(utf8, kMaxText - 1));
    profile->SetString(section, names[kTextEntry], MarkBlankEnds(stored).c_str());
    profile->SetLogFont(section, names[kFont], m_lf);
    profile->SetInt(section, names[kAlign], m_nTextAlign);
    profile->SetInt(section, names[kStyle], m_nStyleFlags);
    profile->SetFloat(section, names[kOffsetPercent], static_cast<float>(m_dOffsetPercent));
    profile->SetFloat(section, names[kEdgePercent], static_cast<float>(m_dEdgePercent));
    profile->SetFloat(section, names[kOffsetAngle], static_cast<float>(m_dOffsetAngle));
    profile->SetFloat(section, names[kOutlineFraction], static_cast<float>(m_dOutlineFraction));
    for (int i = 0; i < 4; ++i) {
        const TextKeyState& state = m_keyStates[i];
        auto entry = [&](UINT id) { return std::string(names[kStateNames[i]]) + names[id]; };
        profile->SetHex(section, entry(kColor1).c_str(), state.m_crColor1);
        profile->SetHex(section, entry(kColor2).c_str(), state.m_crColor2);
        profile->SetHex(section, entry(kColor3).c_str(), state.m_crColor3);
        profile->SetInt(section, entry(kAnchor).c_str(), state.m_nAnchor);
        profile->SetFloat(section, entry(kX).c_str(), state.m_fX);
        profile->SetFloat(section, entry(kY).c_str(), state.m_fY);
        profile->SetFloat(section, entry(kExtra1).c_str(), state.m_fExtra1);
        profile->SetFloat(section, entry(kExtra2).c_str(), state.m_fExtra2);
    }
}

void TextEffect::Load(CProfile* profile, LPCSTR section, INT)
{
    if (profile == nullptr)
        return;
    EffectNames prefix;
    prefix.Load({kTextPresent});
    if (!LoadKeyTimes(profile, section, prefix[kTextPresent])) {
        LoadOlderLayout(profile, section);
        return;
    }
    EffectNames names;
    if (!LoadTextNames(names)) {
        ShowEffectMessage(kLoadNameMissing);
        return;
    }
    bool found = false;
    const std::string stored = ProfileString(profile, section, names[kTextEntry], &found);
    SetText(found ? DecodeStoredText(UnmarkBlankEnds(stored)).c_str() : u" ");
    profile->GetLogFont(section, names[kFont], m_lf);
    m_nTextAlign = profile->GetInt(section, names[kAlign]);
    m_nStyleFlags = profile->GetInt(section, names[kStyle]);
    m_dOffsetPercent = profile->GetDouble(section, names[kOffsetPercent]);
    if (profile->HasEntry(section, names[kEdgePercent])) {
        m_dEdgePercent = profile->GetDouble(section, names[kEdgePercent]);
        m_dOffsetAngle = profile->GetDouble(section, names[kOffsetAngle]);
        m_dOutlineFraction = profile->GetDouble(section, names[kOutlineFraction]);
    } else {
        m_dEdgePercent = 0.0;
        m_dOffsetAngle = 0.0;
        m_dOutlineFraction = 0.0;
    }
    for (int i = 0; i < 4; ++i) {
        TextKeyState& state = m_keyStates[i];
        auto entry = [&](UINT id) { return std::string(names[kStateNames[i]]) + names[id]; };
        state.m_crColor1 = profile->GetHex(section, entry(kColor1).c_str());
        state.m_crColor2 = profile->GetHex(section, entry(kColor2).c_str());
        state.m_crColor3 = profile->GetHex(section, entry(kColor3).c_str());
        state.m_nAnchor = profile->GetInt(section, entry(kAnchor).c_str());
        state.m_fX = static_cast<float>(profile->GetDouble(section, entry(kX).c_str()));
        state.m_fY = static_cast<float>(profile->GetDouble(section, entry(kY).c_str()));
        state.m_fExtra1 = static_cast<float>(profile->GetDouble(section, entry(kExtra1).c_str()));
        state.m_fExtra2 = static_cast<float>(profile->GetDouble(section, entry(kExtra2).c_str()));
    }
}

void TextEffect::LoadOlderLayout(CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (!LoadOlderNames(names)) {
        ShowEffectMessage(kOlderTitleNameMissing);
        return;
    }
    bool found = false;
    const std::string stored = ProfileString(profile, section, names[kOlderText], &found);
    SetText(found ? DecodeStoredText(stored).c_str() : u" ");
    const bool fontFound = profile->GetLogFont(section, names[kOlderFont], m_lf) != 0;

    double t = profile->GetInt(section, names[kOlderStart]) * 0.001;
    m_nStyleFlags = kFace;
    for (int i = 0; i < 4; ++i) {
        const std::string part = names[kOlderParts[i]];
        auto entry = [&](UINT id) { return part + names[id]; };
        const DWORD value = profile->GetUnsigned(section, entry(kOlderColor).c_str());
        const INT opacity = profile->GetInt(section, entry(kOlderOpacity).c_str());
        TextKeyState& state = m_keyStates[i];
        const DWORD color = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
        state.m_crColor1 = WithTransparency(color, static_cast<DWORD>(255 - opacity * 255 / 100));
        const INT cell = ClampCell(profile->GetInt(section, entry(kOlderCell).c_str()));
        state.m_fX = kOlderCellX[cell];
        state.m_fY = kOlderCellY[cell];
        if (i == 2) {
            state.m_crColor1 = m_keyStates[1].m_crColor1;
            state.m_fX = m_keyStates[1].m_fX;
            state.m_fY = m_keyStates[1].m_fY;
        }
        m_tKey[i].SetSeconds(t);
        t += profile->GetDouble(section, entry(kOlderSeconds).c_str());
        const bool shown = profile->GetBool(section, entry(kOlderShown).c_str()) != 0;
        if (shown && i == 0)
            m_nStyleFlags |= kLinesEnter;
        if (shown && i == 3)
            m_nStyleFlags |= kLinesLeave;
    }
    m_tKey[3].SetSeconds(t);
    UpdateAnchors();
    if (!fontFound)
        ShowEffectMessage(kOlderTitleFontMissing);
}

void TextEffect::SetStateColors(DWORD color1, DWORD color2, DWORD color3)
{
    for (TextKeyState& state : m_keyStates) {
        state.m_crColor1 = color1;
        state.m_crColor2 = color2;
        state.m_crColor3 = color3;
    }
}

INT TextEffect::ApplyPreset(LONG sceneMilliseconds, INT preset)
{
    if (preset >= 108)
        return ApplyStylePreset(preset);
    if (preset >= 100) {
        const TextStylePreset& row = StyleRow(preset - 100);
        SetStateColors(row.colors[0].Word(), row.colors[1].Word(), row.colors[2].Word());
        m_dOffsetPercent = row.offsetPercent;
        if (preset == 100) {
            m_dOffsetPercent = TextOutlinePercent(m_lf.lfHeight);
            m_dEdgePercent = 0.0;
            m_dOffsetAngle = 0.0;
            m_dOutlineFraction = 0.0;
        }
        return 1;
    }
    const TextMotionPreset& row = MotionRow(preset);
    m_tKey[0] = CMediaTime::FromMilliseconds(row.key0Milliseconds);
    for (int k = 1; k < 4; ++k)
        m_tKey[k] = CMediaTime::FromMilliseconds(sceneMilliseconds * row.factors[k - 1]);
    for (int i = 0; i < 4; ++i) {
        TextKeyState& state = m_keyStates[i];
        state.m_fX = kCellX[row.cells[i]];
        state.m_fY = kCellY[row.cells[i]];
        const DWORD b = row.transparency[i];
        state.m_crColor1 = WithTransparency(state.m_crColor1, b);
        state.m_crColor2 = WithTransparency(state.m_crColor2, b);
        state.m_crColor3 = WithTransparency(state.m_crColor3, 255 - (255 - b) / 2);
    }
    return 1;
}

INT TextEffect::ApplyStylePreset(INT preset)
{
    if (preset < 108 || preset > 118)
        return 0;
    const TextStylePreset& row = StyleRow(preset - 100);
    m_nStyleFlags |= kOutline | kShadow | kFace;
    SetStateColors(row.colors[0].Word(), row.colors[1].Word(), row.colors[2].Word());
    m_dOutlineFraction = row.outlineFraction;
    m_dEdgePercent = row.edgePercent;
    m_dOffsetPercent = row.offsetPercent;
    m_dOffsetAngle = row.angle;
    return 1;
}

void TextEffect::SetStatePlacement(INT state, INT cell)
{
    if (state < 0 || state > 3)
        return;
    cell = ClampCell(cell);
    const bool hold = state == 1 || state == 2;
    for (int i = 0; i < 4; ++i) {
        if (i == state || (hold && (i == 1 || i == 2))) {
            m_keyStates[i].m_fX = kCellX[cell];
            m_keyStates[i].m_fY = kCellY[cell];
        }
    }
}

void TextEffect::GetStatePlacement(INT state, INT* column, INT* row) const
{
    const TextKeyState& s = m_keyStates[std::clamp(state, 0, 3)];
    if (column != nullptr)
        *column = static_cast<INT>(2.0f * s.m_fX);
    if (row != nullptr)
        *row = static_cast<INT>(2.0f * s.m_fY);
}

void TextEffect::UpdateAnchors()
{
    const INT hold = PositionCode(m_keyStates[1]);
    m_keyStates[1].m_nAnchor = kPrimaryAnchor[hold];
    m_keyStates[2].m_nAnchor = kPrimaryAnchor[hold];
    for (int i : {0, 3})
        m_keyStates[i].m_nAnchor = kSecondaryAnchor[PositionCode(m_keyStates[i])][hold];
}

INT GetTextEffectPresetCount()
{
    return kStylePresetCount;
}

INT GetTextMotionPresetCount()
{
    return kMotionPresetCount;
}

INT GetTextEffectPresetThumbnailId(INT row)
{
    return StyleRow(row).thumbnailId;
}

INT GetTextEffectPresetNameId(INT row)
{
    return StyleRow(row).nameId;
}

INT GetTextEffectPresetNumber(INT row)
{
    return StyleRow(row).number;
}

INT GetTextMotionPresetThumbnailId(INT row)
{
    return MotionRow(row).thumbnailId;
}

INT GetTextMotionPresetNameId(INT row)
{
    return MotionRow(row).nameId;
}

INT GetTextMotionPresetIndex(INT row)
{
    return MotionRow(row).index;
}
