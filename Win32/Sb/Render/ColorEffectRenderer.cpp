#include "Win32/Sb/Render/ColorEffectRenderer.h"

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Utils/Profile.h"

namespace {

constexpr int kSaturation = 3;
constexpr int kMonochrome = 6;
constexpr INT kGrey = -100;

// Where each value is stored, in the order written.
struct ValueEntry {
    UINT name;
    int value;
};
constexpr ValueEntry kEntries[] = {
    {effect_names::kRedShift, 0},   {effect_names::kGreenShift, 1}, {effect_names::kBlueShift, 2},
    {effect_names::kBrightness, 4}, {effect_names::kSaturation, 3}, {effect_names::kContrast, 5},
};
constexpr UINT kMonochromeName = effect_names::kMonochrome;

bool LoadParamNames(EffectNames& names)
{
    return names.Load({effect_names::kRedShift, effect_names::kGreenShift, effect_names::kBlueShift,
                       effect_names::kBrightness, effect_names::kSaturation, effect_names::kContrast,
                       kMonochromeName});
}

} // namespace

CColorEffectRenderer::CColorEffectRenderer(const ColorEffect& effect)
    : m_nValues{effect.m_nRedShift,  effect.m_nGreenShift, effect.m_nBlueShift, effect.m_nSaturation,
                effect.m_nBrightness, effect.m_nContrast,   effect.m_bMonochrome}
{
}

void CColorEffectRenderer::ApplyTo(CIplImage* image)
{
    if (image == nullptr)
        return;
    if (m_nValues[kSaturation] != kGrey)
        m_nValues[kMonochrome] = 0;
    image->AdjustColors(m_nValues[0], m_nValues[1], m_nValues[2], m_nValues[3], m_nValues[4], m_nValues[5]);
}

CFilterRenderer* CColorEffectRenderer::Clone() const
{
    auto* copy = new CColorEffectRenderer;
    for (int i = 0; i < 7; ++i)
        copy->m_nValues[i] = m_nValues[i];
    return copy;
}

void CColorEffectRenderer::SaveParams(CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (profile == nullptr || !LoadParamNames(names))
        return;
    for (const ValueEntry& entry : kEntries)
        profile->SetInt(section, names[entry.name], m_nValues[entry.value]);
    profile->SetInt(section, names[kMonochromeName], m_nValues[kMonochrome]);
}

void CColorEffectRenderer::LoadParams(CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (profile == nullptr || !LoadParamNames(names))
        return;
    for (const ValueEntry& entry : kEntries)
        m_nValues[entry.value] = profile->GetInt(section, names[entry.name]);
    m_nValues[kMonochrome] = profile->GetBool(section, names[kMonochromeName]);
}
