#include "Win32/Sb/Document/SpectrumEffect.h"

#include <algorithm>
#include <string>
#include <utility>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Render/SpectrumEffectRenderer.h"
#include "Win32/Sb/Render/SpectrumStyles.h"
#include "Win32/Utils/Profile.h"

namespace {

// The spectrum entries, each followed by "_" and the effect's place in its
// list.
constexpr UINT kKey0 = 1045;
constexpr UINT kKey3 = 1046;
constexpr UINT kKey1 = 1047;
constexpr UINT kKey2 = 1048;
constexpr UINT kPreset = 1049;
constexpr UINT kLevelStart = 1051;
constexpr UINT kLevelHold = 1052;
constexpr UINT kLevelEnd = 1054;
constexpr UINT kColorEntry = 1089;

// Style pairs that mirror each other across the rows of a frame.
constexpr std::pair<INT, INT> kMirroredStyles[] = {{15, 16}, {19, 20}};

bool LoadSpectrumNames(EffectNames& names)
{
    return names.Load({effect_names::kSpectrumPresent, effect_names::kSpectrumSection,
                       effect_names::kSpectrumStyle, kKey0, kKey3, kKey1, kKey2, kPreset, kLevelStart, kLevelHold,
                       kLevelEnd, kColorEntry});
}

INT MirroredStyle(INT style)
{
    for (const auto& [a, b] : kMirroredStyles) {
        if (style == a)
            return b;
        if (style == b)
            return a;
    }
    return style;
}

// Whether the rows of the frames run from the top, as every frame image of
// the media pipeline does; without an image the caller's flag decides.
bool RowsRunDown(const CIplImage* image, BYTE storyboard)
{
    const IplImage* frame = image != nullptr ? image->GetImage() : nullptr;
    return frame != nullptr ? frame->origin == IPL_ORIGIN_TL : storyboard != 0;
}

CMediaTime Milliseconds(int milliseconds)
{
    return CMediaTime::FromMilliseconds(milliseconds);
}

} // namespace

SpectrumEffect::SpectrumEffect() : Effect(kSpectrum)
{
    SetDefaults();
}

SpectrumEffect::SpectrumEffect(const SpectrumEffect& other) = default;

SpectrumEffect& SpectrumEffect::operator=(const SpectrumEffect& other) = default;

SpectrumEffect::~SpectrumEffect() = default;

void SpectrumEffect::SetDefaults()
{
    m_crColor = 0;
    m_nLevelStart = 0;
    m_nLevelHold = 100;
    m_nLevelEnd = 100;
    m_nLevelMin = 0;
    m_nLevelMax = 100;
    m_nStyle = 0;
    m_nPreset = 1;
}

bool SpectrumEffect::AttachRenderer(CIplImage* image, double, BYTE storyboard)
{
    SpectrumEffect drawn(*this);
    if (RowsRunDown(image, storyboard))
        drawn.m_nStyle = MirroredStyle(m_nStyle);
    m_pRenderer = std::make_unique<CSpectrumEffectRenderer>(image, drawn);
    return HasRenderer();
}

CIplImage* SpectrumEffect::Render(CIplImage* image, CWaveBuffer*, CMediaTime* time)
{
    return ApplyAtMilliseconds(image, time);
}

void SpectrumEffect::SetStyle(INT style)
{
    if (!IsSpectrumStyle(style))
        return;
    if (style != m_nStyle) {
        m_nStyle = style;
        m_crColor = SpectrumStyleDefaultColor(style);
    }
    ApplyStyleDefaults(style);
}

INT SpectrumEffect::ApplyStyleDefaults(INT style)
{
    m_nStyle = SpectrumStyleKey(style);
    m_nLevelMin = SpectrumStyleMin(style);
    m_nLevelMax = SpectrumStyleMax(style);
    m_nLevelStart = std::max(m_nLevelMin, 0);
    m_nLevelEnd = m_nLevelStart;
    m_nLevelHold = SpectrumStyleDefault(style);
    return m_nLevelHold;
}

BOOL SpectrumEffect::StyleHasColor() const
{
    return SpectrumStyleHasColor(m_nStyle);
}

COLORREF SpectrumEffect::StyleDefaultColor() const
{
    return SpectrumStyleDefaultColor(m_nStyle);
}

void SpectrumEffect::Save(LPCSTR, CProfile* profile, LPCSTR sceneSection, INT position)
{
    if (profile == nullptr)
        return;
    // A missing name still gives an entry of its own.
    EffectNames names;
    LoadSpectrumNames(names);
    const std::string section =
        BeginOwnSection(profile, sceneSection, names, effect_names::kSpectrumPresent, effect_names::kSpectrumSection,
                        "Comment for Spectrum Effect", "Spectrum Effect");
    const std::string suffix = "_" + std::to_string(position);
    auto entry = [&](UINT id) { return names.With(id, suffix); };
    profile->SetInt(section.c_str(), entry(effect_names::kSpectrumStyle).c_str(), m_nStyle);
    profile->SetInt(section.c_str(), entry(kKey0).c_str(), static_cast<int>(m_tKey[0].GetMilliseconds()));
    profile->SetInt(section.c_str(), entry(kKey1).c_str(), static_cast<int>(m_tKey[1].GetMilliseconds()));
    profile->SetInt(section.c_str(), entry(kKey2).c_str(), static_cast<int>(m_tKey[2].GetMilliseconds()));
    profile->SetInt(section.c_str(), entry(kKey3).c_str(), static_cast<int>(m_tKey[3].GetMilliseconds()));
    profile->SetInt(section.c_str(), entry(kLevelStart).c_str(), m_nLevelStart);
    profile->SetInt(section.c_str(), entry(kLevelHold).c_str(), m_nLevelHold);
    profile->SetInt(section.c_str(), entry(kLevelEnd).c_str(), m_nLevelEnd);
    profile->SetUnsigned(section.c_str(), entry(kColorEntry).c_str(), m_crColor);
    profile->SetInt(section.c_str(), entry(kPreset).c_str(), m_nPreset);
}

void SpectrumEffect::Load(CProfile* profile, LPCSTR section, INT)
{
    if (profile == nullptr)
        return;
    EffectNames names;
    LoadSpectrumNames(names);
    std::string suffix;
    for (INT i = 0; i < kSpectrumStyleCount && suffix.empty(); ++i) {
        const std::string candidate = "_" + std::to_string(i);
        if (profile->HasEntry(section, names.With(effect_names::kSpectrumStyle, candidate).c_str()))
            suffix = candidate;
    }
    if (suffix.empty())
        return;
    auto entry = [&](UINT id) { return names.With(id, suffix); };
    m_nStyle = profile->GetInt(section, entry(effect_names::kSpectrumStyle).c_str());
    m_tKey[0] = Milliseconds(profile->GetInt(section, entry(kKey0).c_str()));
    m_tKey[3] = Milliseconds(profile->GetInt(section, entry(kKey3).c_str()));
    m_nLevelStart = profile->GetInt(section, entry(kLevelStart).c_str());
    m_nLevelEnd = profile->GetInt(section, entry(kLevelEnd).c_str());
    m_crColor = profile->GetUnsigned(section, entry(kColorEntry).c_str());
    m_nPreset = profile->GetInt(section, entry(kPreset).c_str());
    if (profile->HasEntry(section, entry(kKey1).c_str())) {
        m_tKey[1] = Milliseconds(profile->GetInt(section, entry(kKey1).c_str()));
        m_tKey[2] = Milliseconds(profile->GetInt(section, entry(kKey2).c_str()));
        m_nLevelHold = profile->GetInt(section, entry(kLevelHold).c_str());
    } else {
        m_tKey[1] = Milliseconds(static_cast<int>(m_tKey[3].GetMilliseconds()));
        m_tKey[2] = m_tKey[1];
        m_nLevelHold = m_nLevelEnd;
    }
}
