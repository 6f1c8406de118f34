#include "Win32/Sb/Document/MotionEffect.h"

#include <algorithm>
#include <string>

#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Render/MotionEffectRenderer.h"
#include "Win32/Utils/Profile.h"

namespace {

using namespace effect_names;

// Entries of the effect's section; a key entry ends in the key's name.
constexpr UINT kAnchor = 1058;
constexpr UINT kSize = 1059;
constexpr UINT kOlderDuration = 1060;
constexpr UINT kOpacity = 1062;
constexpr UINT kCompositeMode = 1067;
constexpr UINT kKeyColor = 1068;
constexpr UINT kOlderStart = 1069;
constexpr UINT kOverlayOffset = 1070;
constexpr UINT kShadowColor = 1071;
constexpr UINT kShadowOffset = 1072;
constexpr UINT kShadowScale = 1073;
constexpr UINT kShadowOpacity = 1074;
constexpr UINT kShadowSoftness = 1075;
// The names of keys 0, 1 and 3; key 2 is "Release".
constexpr UINT kKeyNames[4] = {1063, 1064, 0, 1065};
constexpr const char* kKey2Name = "Release";

struct PathPreset {
    INT thumbnailId;
    INT nameId;
    INT index;
    INT cells[4];
};

constexpr PathPreset kPathPresets[] = {
    {642, 61417, 0, {7, 4, 4, 1}}, {644, 61420, 1, {3, 4, 4, 5}}, {643, 61419, 2, {1, 4, 4, 7}},
    {645, 61418, 3, {5, 4, 4, 3}}, {1010, 61426, 4, {4, 4, 4, 4}}, {646, 61421, 5, {7, 4, 4, 4}},
    {650, 61425, 6, {6, 4, 4, 2}}, {648, 61423, 7, {8, 4, 4, 0}}, {900, 41435, 8, {8, 8, 8, 8}},
    {901, 41434, 9, {6, 6, 6, 6}},
};
constexpr INT kPathPresetCount = static_cast<INT>(std::size(kPathPresets));
static_assert(kPathPresetCount == 10);
constexpr INT kFadePreset = 4;
constexpr INT kCornerSize = 50;
constexpr LONG kLargestSize = 1000;

// Horizontal and vertical position codes of a key rectangle: 0 wholly
// before the frame's edge, 2 at it, 4 centred, 6 at the far edge, 8 wholly
// beyond it.
struct PlacementCode {
    int h;
    int v;
};
constexpr PlacementCode kInsideCodes[9] = {{2, 2}, {4, 2}, {6, 2}, {2, 4}, {4, 4}, {6, 4}, {2, 6}, {4, 6}, {6, 6}};
constexpr PlacementCode kOutsideCodes[9] = {{0, 0}, {4, 0}, {8, 0}, {0, 4}, {4, 4}, {8, 4}, {0, 8}, {4, 8}, {8, 8}};

// A corner key whose hold cell lies on one of the corner's edges enters
// along that edge.
struct CornerRule {
    int cell;
    int edgeFirst;
    int edgeLast;
    PlacementCode alongEdge;
    bool leftColumn;
    PlacementCode alongColumn;
};
constexpr CornerRule kCornerRules[] = {
    {0, 1, 2, {0, 2}, true, {2, 0}},
    {2, 0, 1, {8, 2}, false, {6, 0}},
    {6, 7, 8, {0, 6}, true, {2, 8}},
    {8, 6, 7, {8, 6}, false, {6, 8}},
};

PlacementCode CodesOf(INT cell, INT holdCell)
{
    if (cell == holdCell)
        return kInsideCodes[cell];
    for (const CornerRule& rule : kCornerRules) {
        if (rule.cell != cell)
            continue;
        if (holdCell >= rule.edgeFirst && holdCell <= rule.edgeLast)
            return rule.alongEdge;
        if (rule.leftColumn ? IsLeftColumn(holdCell) : IsRightColumn(holdCell))
            return rule.alongColumn;
    }
    return kOutsideCodes[cell];
}

LONG PositionOf(int code, LONG frame, LONG size)
{
    switch (code) {
    case 0:
        return -size;
    case 2:
        return 0;
    case 4:
        return frame / 2 - size / 2;
    case 6:
        return frame - size;
    default:
        return frame;
    }
}

INT ClampCell(INT cell)
{
    return std::clamp(cell, 0, 8);
}

INT Interpolate(INT from, INT to, INT percent)
{
    if (percent <= 0)
        return from;
    if (percent >= 100)
        return to;
    // Wide enough for any two stored values.
    return static_cast<INT>(from + (static_cast<LONGLONG>(to) - from) * percent / 100);
}

INT PercentBetween(const CMediaTime& t, const CMediaTime& from, const CMediaTime& to)
{
    const double span = to.GetSeconds() - from.GetSeconds();
    if (span == 0.0)
        return 0;
    const double percent = (t.GetSeconds() - from.GetSeconds()) / span * 100.0;
    return std::clamp(static_cast<INT>(percent), 0, 100);
}

bool LoadMotionNames(EffectNames& names)
{
    const bool entries = names.Load({kAnchor, kSize, kOlderDuration, kOpacity, kCompositeMode, kKeyColor, kOlderStart,
                                     kOverlayOffset, kShadowColor, kShadowOffset, kShadowScale, kShadowOpacity,
                                     kShadowSoftness, kKeyNames[0], kKeyNames[1], kKeyNames[3]});
    return names.Load({kMotionPresent, kMotionSection, kMediaPath}) && entries;
}

std::string KeyName(const EffectNames& names, int key)
{
    return key == 2 ? std::string(kKey2Name) : std::string(names[kKeyNames[key]]);
}

} // namespace

BOOL IsLeftColumn(INT cell)
{
    return cell == 0 || cell == 3 || cell == 6;
}

BOOL IsRightColumn(INT cell)
{
    return cell == 2 || cell == 5 || cell == 8;
}

MotionEffect::MotionEffect() : Effect(kMotion) {}

MotionEffect::MotionEffect(CProfile* profile, LPCSTR section) : Effect(kMotion)
{
    Load(profile, section, 0);
}

MotionEffect::MotionEffect(const MotionEffect& other)
    : Effect(other), m_strOverlayPath(other.m_strOverlayPath), m_tOverlayOffset(other.m_tOverlayOffset),
      m_nCompositeMode(other.m_nCompositeMode), m_nKeyLevel(other.m_nKeyLevel), m_crKeyColor(other.m_crKeyColor),
      m_pOverlayScene(other.m_pOverlayScene)
{
    std::copy(std::begin(other.m_keys), std::end(other.m_keys), std::begin(m_keys));
}

MotionEffect& MotionEffect::operator=(const MotionEffect& other)
{
    if (this == &other)
        return *this;
    Effect::operator=(other);
    std::copy(std::begin(other.m_keys), std::end(other.m_keys), std::begin(m_keys));
    m_nCompositeMode = other.m_nCompositeMode;
    m_nKeyLevel = other.m_nKeyLevel;
    m_crKeyColor = other.m_crKeyColor;
    m_strOverlayPath = other.m_strOverlayPath;
    m_tOverlayOffset = other.m_tOverlayOffset;
    m_pOverlayScene = other.m_pOverlayScene;
    return *this;
}

MotionEffect::~MotionEffect() = default;

void MotionEffect::SetKeyPlacement(INT key, INT cell, INT size, INT opacity)
{
    if (key < 0 || key > 3)
        return;
    m_keys[key].m_nAnchor = cell;
    m_keys[key].m_nSize = size;
    m_keys[key].m_nOpacity = opacity;
}

INT MotionEffect::ApplyPathPreset(LONG sceneMilliseconds, INT preset)
{
    if (preset < 0 || preset >= kPathPresetCount)
        return 0;
    if (m_nCompositeMode == kSoftColorKey) {
        m_keys[2].m_nOpacity = m_keys[1].m_nOpacity;
    } else {
        const INT ends = preset == kFadePreset ? 0 : 100;
        m_keys[0].m_nOpacity = ends;
        m_keys[1].m_nOpacity = 100;
        m_keys[2].m_nOpacity = 100;
        m_keys[3].m_nOpacity = ends;
    }
    if (preset < 8) {
        m_keys[2].m_nSize = m_keys[1].m_nSize;
    } else {
        for (MotionKey& key : m_keys)
            key.m_nSize = kCornerSize;
    }
    for (int k = 0; k < 4; ++k)
        m_keys[k].m_nAnchor = kPathPresets[preset].cells[k];
    const double length = static_cast<double>(sceneMilliseconds);
    m_tKey[0] = CMediaTime::FromMilliseconds(0.0);
    m_tKey[3] = CMediaTime::FromMilliseconds(length);
    if (preset < kFadePreset) {
        m_tKey[1] = CMediaTime::FromMilliseconds(length * 0.5);
        m_tKey[2] = m_tKey[1];
    } else {
        m_tKey[1] = CMediaTime::FromMilliseconds(length / 3.0);
        m_tKey[2] = CMediaTime::FromMilliseconds(length * 2.0 / 3.0);
    }
    return 1;
}

void MotionEffect::GetKeyRect(INT key, INT width, INT height, RECT* rect) const
{
    if (rect == nullptr)
        return;
    const MotionKey& k = m_keys[std::clamp(key, 0, 3)];
    // A size from a damaged file is kept to ten times the frame.
    const LONG size = std::clamp<LONG>(k.m_nSize, 0, kLargestSize);
    const LONG w = width * size / 100;
    const LONG h = height * size / 100;
    const PlacementCode code = CodesOf(ClampCell(k.m_nAnchor), ClampCell(m_keys[1].m_nAnchor));
    rect->left = PositionOf(code.h, width, w);
    rect->top = PositionOf(code.v, height, h);
    rect->right = rect->left + w;
    rect->bottom = rect->top + h;
}

void MotionEffect::GetRectAt(CMediaTime time, INT width, INT height, RECT* rect) const
{
    if (rect == nullptr)
        return;
    RECT from{};
    RECT to{};
    INT percent = 0;
    if (time <= m_tKey[1]) {
        GetKeyRect(0, width, height, &from);
        GetKeyRect(1, width, height, &to);
        percent = time < m_tKey[0] ? 0 : PercentBetween(time, m_tKey[0], m_tKey[1]);
    } else if (time <= m_tKey[2]) {
        GetKeyRect(1, width, height, &from);
        to = from;
    } else {
        GetKeyRect(1, width, height, &from);
        GetKeyRect(3, width, height, &to);
        percent = time >= m_tKey[3] ? 100 : PercentBetween(time, m_tKey[2], m_tKey[3]);
    }
    rect->left = Interpolate(from.left, to.left, percent);
    rect->top = Interpolate(from.top, to.top, percent);
    rect->right = Interpolate(from.right, to.right, percent);
    rect->bottom = Interpolate(from.bottom, to.bottom, percent);
}

namespace {

// A key value at `time`: key 0 to 1 in the entry, key 1 in the hold, key 1
// to 3 in the exit; key 2's own value never shows.
template <typename Read>
INT ValueAt(const MotionEffect& effect, const CMediaTime& time, Read read)
{
    const CMediaTime k0 = effect.GetKeyTime0();
    const CMediaTime k1 = effect.GetKeyTime1();
    const CMediaTime k2 = effect.GetKeyTime2();
    const CMediaTime k3 = effect.GetKeyTime3();
    if (time <= k1) {
        const INT percent = time < k0 ? 0 : PercentBetween(time, k0, k1);
        return Interpolate(read(effect.m_keys[0]), read(effect.m_keys[1]), percent);
    }
    if (time <= k2)
        return read(effect.m_keys[1]);
    const INT percent = time > k3 ? 100 : PercentBetween(time, k2, k3);
    return Interpolate(read(effect.m_keys[1]), read(effect.m_keys[3]), percent);
}

} // namespace

INT MotionEffect::GetOpacityAt(CMediaTime time) const
{
    return ValueAt(*this, time, [](const MotionKey& k) { return k.m_nOpacity; });
}

INT MotionEffect::GetShadowScaleAt(CMediaTime time) const
{
    return ValueAt(*this, time, [](const MotionKey& k) { return k.m_nShadowScale; });
}

INT MotionEffect::GetShadowOpacityAt(CMediaTime time) const
{
    return ValueAt(*this, time, [](const MotionKey& k) { return k.m_nShadowOpacity; });
}

COLORREF MotionEffect::GetShadowColorAt(CMediaTime time) const
{
    COLORREF color = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const INT channel = ValueAt(*this, time, [shift](const MotionKey& k) {
            return static_cast<INT>((k.m_crShadow >> shift) & 0xFF);
        });
        color |= static_cast<COLORREF>(channel & 0xFF) << shift;
    }
    return color;
}

CGfxPoint MotionEffect::GetShadowOffsetAt(CMediaTime time) const
{
    return CGfxPoint(ValueAt(*this, time, [](const MotionKey& k) { return k.m_nShadowDX; }),
                     ValueAt(*this, time, [](const MotionKey& k) { return k.m_nShadowDY; }));
}

bool MotionEffect::AttachRenderer(CIplImage*, double rate, BYTE storyboard)
{
    m_pRenderer.reset();
    auto renderer = std::make_unique<CMotionEffectRenderer>(this, storyboard);
    renderer->SetFrameRate(rate);
    m_pRenderer = std::move(renderer);
    return HasRenderer();
}

CIplImage* MotionEffect::Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time)
{
    auto* renderer = static_cast<CMotionEffectRenderer*>(m_pRenderer.get());
    if (renderer == nullptr || time == nullptr)
        return image;
    return renderer->RenderTime(image, *time, audio);
}

CIplImage* MotionEffect::RenderAtMilliseconds(CIplImage* image, CWaveBuffer* audio, LONG milliseconds)
{
    auto* renderer = static_cast<CMotionEffectRenderer*>(m_pRenderer.get());
    return renderer != nullptr ? renderer->RenderAt(image, milliseconds, audio) : image;
}

CIplImage* MotionEffect::RenderOverlayAt(CIplImage* image, LONG milliseconds, CWaveBuffer* audio)
{
    return RenderAtMilliseconds(image, audio, milliseconds);
}

void MotionEffect::Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT)
{
    if (profile == nullptr)
        return;
    EffectNames names;
    if (!LoadMotionNames(names)) {
        ShowEffectMessage(kSaveNameMissing);
        return;
    }
    const std::string own = BeginOwnSection(profile, sceneSection, names, kMotionPresent, kMotionSection,
                                            "Comment for Motion", "Motion Effect");
    LPCSTR section = own.c_str();
    profile->SetMediaTime(section, names[kOverlayOffset], m_tOverlayOffset);
    for (int k = 0; k < 4; ++k) {
        const MotionKey& key = m_keys[k];
        const std::string suffix = KeyName(names, k);
        auto entry = [&](UINT id) { return names.With(id, suffix); };
        profile->SetInt(section, entry(kAnchor).c_str(), key.m_nAnchor);
        profile->SetInt(section, entry(kSize).c_str(), key.m_nSize);
        profile->SetInt(section, entry(kOpacity).c_str(), key.m_nOpacity);
        profile->SetInt(section, entry(kShadowScale).c_str(), key.m_nShadowScale);
        profile->SetInt(section, entry(kShadowOpacity).c_str(), key.m_nShadowOpacity);
        profile->SetPoint(section, entry(kShadowOffset).c_str(), CGfxPoint(key.m_nShadowDX, key.m_nShadowDY));
        profile->SetUnsigned(section, entry(kShadowColor).c_str(), key.m_crShadow);
        profile->SetInt(section, entry(kShadowSoftness).c_str(), key.m_nShadowSoftness);
    }
    profile->SetInt(section, names[kCompositeMode], m_nCompositeMode);
    profile->SetUnsigned(section, names[kKeyColor], m_crKeyColor);
    if (m_pOverlayScene != nullptr)
        m_pOverlayScene->Save(documentPath, profile, section);
}

void MotionEffect::Load(CProfile* profile, LPCSTR section, INT)
{
    if (profile == nullptr)
        return;
    EffectNames names;
    const bool named = LoadMotionNames(names);
    const bool current = LoadKeyTimes(profile, section, names[kMotionPresent]) != 0;
    if (!named) {
        ShowEffectMessage(kLoadNameMissing);
        return;
    }
    CMediaTime total;
    if (!current) {
        m_tKey[0].SetSeconds(profile->GetDouble(section, names[kOlderStart]));
        total = m_tKey[0];
    }
    m_tOverlayOffset = profile->GetMediaTime(section, names[kOverlayOffset]);
    for (int k = 0; k < 4; ++k) {
        MotionKey& key = m_keys[k];
        const std::string suffix = KeyName(names, k);
        auto entry = [&](UINT id) { return names.With(id, suffix); };
        key.m_nAnchor = profile->GetInt(section, entry(kAnchor).c_str());
        key.m_nSize = profile->GetInt(section, entry(kSize).c_str());
        if (!current && k != 2) {
            total.AddSeconds(profile->GetDouble(section, entry(kOlderDuration).c_str()));
            m_tKey[k == 3 ? 3 : k + 1] = total;
        }
        key.m_nOpacity = profile->GetInt(section, entry(kOpacity).c_str());
        key.m_nShadowScale = profile->GetInt(section, entry(kShadowScale).c_str());
        key.m_nShadowOpacity = profile->GetInt(section, entry(kShadowOpacity).c_str());
        key.m_nSpare = 0;
        const CGfxPoint offset = profile->GetPoint(section, entry(kShadowOffset).c_str());
        key.m_nShadowDX = offset.x;
        key.m_nShadowDY = offset.y;
        key.m_crShadow = profile->GetUnsigned(section, entry(kShadowColor).c_str());
        key.m_nShadowSoftness = profile->GetBool(section, entry(kShadowSoftness).c_str());
    }
    m_nCompositeMode = profile->GetInt(section, names[kCompositeMode]);
    if (m_nCompositeMode == 0)
        m_nCompositeMode = kSoftColorKey;
    LPSTR path = profile->GetString(section, names[kMediaPath]);
    m_strOverlayPath = path != nullptr ? path : "";
    delete[] path;
    m_crKeyColor = profile->GetUnsigned(section, names[kKeyColor]);
    m_nKeyLevel = 128;
}

INT GetMotionPresetCount()
{
    return kPathPresetCount;
}

INT GetMotionPresetThumbnailId(INT row)
{
    return kPathPresets[row >= 0 && row < kPathPresetCount ? row : 0].thumbnailId;
}

INT GetMotionPresetNameId(INT row)
{
    return kPathPresets[row >= 0 && row < kPathPresetCount ? row : 0].nameId;
}

INT GetMotionPresetIndex(INT row)
{
    return kPathPresets[row >= 0 && row < kPathPresetCount ? row : 0].index;
}
