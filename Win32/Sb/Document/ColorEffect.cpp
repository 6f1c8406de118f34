#include "Win32/Sb/Document/ColorEffect.h"

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Render/ColorEffectRenderer.h"
#include "Win32/Utils/Profile.h"

namespace {

struct ColorPreset {
    INT thumbnailId;
    INT nameId;
    INT index;
    INT shifts[3];
    // Saturation, brightness, contrast.
    INT levels[3];
    INT levelsApply;
};

constexpr ColorPreset kColorPresets[kColorPresetCount] = {
    {811, 61313, 0, {0, 0, 0}, {0, 0, 0}, 0},       {812, 61322, 1, {0, 0, -12}, {0, 0, 0}, 0},
    {813, 61323, 2, {0, 0, 12}, {0, 0, 0}, 0},      {814, 61314, 3, {0, 0, 0}, {-100, 0, 0}, 1},
    {815, 61315, 4, {32, 16, 0}, {-100, 0, 0}, 1},  {816, 61316, 5, {48, 24, 0}, {-100, 0, 0}, 1},
    {817, 61317, 6, {64, 32, 0}, {-100, 0, 0}, 1},  {818, 61318, 7, {0, 0, 8}, {-100, 0, 0}, 1},
    {819, 61319, 8, {0, 0, 16}, {-100, 0, 0}, 1},   {820, 61320, 9, {0, 0, 32}, {-100, 0, 0}, 1},
};

// An older section has no key times: the effect then covers four hours.
constexpr DWORD kOlderWindowHours = 4;

bool LoadColorNames(EffectNames& names)
{
    return names.LoadRange(effect_names::kColorMarker, effect_names::kContrast)
        && names.LoadRange(effect_names::kRedShift, effect_names::kMonochrome);
}

bool IsPresetRow(INT row)
{
    return row >= 0 && row < kColorPresetCount;
}

} // namespace

ColorEffect::ColorEffect() : Effect(kColor) {}

ColorEffect::ColorEffect(const ColorEffect& other) = default;

ColorEffect& ColorEffect::operator=(const ColorEffect& other) = default;

ColorEffect::~ColorEffect() = default;

bool ColorEffect::AttachRenderer(CIplImage*, double, BYTE)
{
    m_pRenderer = std::make_unique<CColorEffectRenderer>(*this);
    return HasRenderer();
}

CIplImage* ColorEffect::Render(CIplImage* image, CWaveBuffer*, CMediaTime* time)
{
    return ApplyAtMilliseconds(image, time);
}

void ColorEffect::Save(LPCSTR, CProfile* profile, LPCSTR sceneSection, INT)
{
    EffectNames names;
    if (profile == nullptr || !LoadColorNames(names))
        return;
    profile->SetString(sceneSection, "Comment for Color Effect", "Color Effect");
    SaveKeyTimes(profile, sceneSection, "");
    CColorEffectRenderer(*this).Save(profile, sceneSection);
}

void ColorEffect::Load(CProfile* profile, LPCSTR section, INT)
{
    if (!LoadKeyTimes(profile, section, "")) {
        m_tKey[0] = CMediaTime();
        m_tKey[3] = CMediaTime(kOlderWindowHours, 0, 0);
    }
    EffectNames names;
    if (profile == nullptr || !LoadColorNames(names))
        return;
    CColorEffectRenderer values;
    values.LoadParams(profile, section);
    m_nRedShift = values.m_nValues[0];
    m_nGreenShift = values.m_nValues[1];
    m_nBlueShift = values.m_nValues[2];
    m_nSaturation = values.m_nValues[3];
    m_nBrightness = values.m_nValues[4];
    m_nContrast = values.m_nValues[5];
    m_bMonochrome = values.m_nValues[6];
}

INT GetColorPresetValues(INT row, INT* apply, INT shifts[3], INT levels[3])
{
    for (int i = 0; i < 3; ++i) {
        shifts[i] = 0;
        levels[i] = 0;
    }
    *apply = 0;
    if (!IsPresetRow(row))
        return 0;
    const ColorPreset& preset = kColorPresets[row];
    for (int i = 0; i < 3; ++i)
        shifts[i] = preset.shifts[i];
    if (preset.levelsApply == 1) {
        *apply = 1;
        for (int i = 0; i < 3; ++i)
            levels[i] = preset.levels[i];
    }
    return 1;
}

INT GetColorPresetThumbnailId(INT row)
{
    return IsPresetRow(row) ? kColorPresets[row].thumbnailId : -1;
}

INT GetColorPresetNameId(INT row)
{
    return IsPresetRow(row) ? kColorPresets[row].nameId : -1;
}
