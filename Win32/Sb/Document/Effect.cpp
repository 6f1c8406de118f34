#include "Win32/Sb/Document/Effect.h"

#include <string>

#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Utils/Profile.h"

namespace {

// The key entries in the order they are written: key 0, key 3, key 1,
// key 2.
struct KeyEntry {
    UINT name;
    int key;
};
constexpr KeyEntry kKeyEntries[] = {
    {effect_names::kKeyTime0, 0},
    {effect_names::kKeyTime3, 3},
    {effect_names::kKeyTime1, 1},
    {effect_names::kKeyTime2, 2},
};

bool LoadKeyNames(EffectNames& names)
{
    return names.Load({effect_names::kKeyTime0, effect_names::kKeyTime3, effect_names::kKeyTime1,
                       effect_names::kKeyTime2});
}

} // namespace

Effect::Effect(INT kind) : m_nKind(kind) {}

Effect::Effect(const Effect& other)
    : m_tStart(other.m_tStart), m_tEnd(other.m_tEnd), m_nKind(other.m_nKind), m_nPreset(other.m_nPreset)
{
    CopyKeyTimes(other);
}

Effect& Effect::operator=(const Effect& other)
{
    if (this != &other) {
        m_tStart = other.m_tStart;
        m_tEnd = other.m_tEnd;
        m_nKind = other.m_nKind;
        m_nPreset = other.m_nPreset;
        CopyKeyTimes(other);
        // The renderer was made for the old parameters.
        m_pRenderer.reset();
    }
    return *this;
}

Effect::~Effect() = default;

INT Effect::DetachRenderer()
{
    m_pRenderer.reset();
    return 1;
}

bool Effect::AttachRenderer(CIplImage*, double, BYTE)
{
    return false;
}

bool Effect::HasRenderer()
{
    return m_pRenderer != nullptr;
}

CIplImage* Effect::Render(CIplImage*, CWaveBuffer*, CMediaTime*)
{
    return nullptr;
}

CIplImage* Effect::RenderAtMilliseconds(CIplImage*, CWaveBuffer*, LONG)
{
    return nullptr;
}

CIplImage* Effect::ApplyRenderer(CIplImage* image, LONG position)
{
    return m_pRenderer ? m_pRenderer->Render(image, position) : nullptr;
}

CIplImage* Effect::ApplyAtMilliseconds(CIplImage* image, const CMediaTime* time)
{
    return ApplyRenderer(image, time != nullptr ? static_cast<LONG>(time->GetMilliseconds()) : 0);
}

std::string Effect::BeginOwnSection(CProfile* profile, LPCSTR sceneSection, const EffectNames& names, UINT present,
                                    UINT suffix, LPCSTR commentName, LPCSTR comment) const
{
    profile->SetInt(sceneSection, names[present], 1);
    const std::string section = std::string(sceneSection) + names[suffix] + "0";
    profile->SetString(section.c_str(), commentName, comment);
    SaveKeyTimes(profile, section.c_str(), names[present]);
    return section;
}

INT Effect::GetKind() const
{
    return m_nKind;
}

void Effect::Load(CProfile*, LPCSTR, INT) {}

void Effect::Save(LPCSTR, CProfile*, LPCSTR, INT) {}

CMediaTime Effect::GetKeyTime(int index) const
{
    return index >= 0 && index < 4 ? m_tKey[index] : CMediaTime();
}

void Effect::SetKeyTime(const CMediaTime& time, int index)
{
    if (index >= 0 && index < 4)
        m_tKey[index] = time;
}

void Effect::CopyKeyTimes(const Effect& other)
{
    for (int i = 0; i < 4; ++i)
        m_tKey[i] = other.m_tKey[i];
}

INT Effect::SaveKeyTimes(CProfile* profile, LPCSTR section, LPCSTR prefix) const
{
    if (profile == nullptr)
        return 0;
    EffectNames names;
    if (!LoadKeyNames(names)) {
        ShowEffectMessage(effect_names::kSaveNameMissing);
        return 0;
    }
    const std::string head = prefix != nullptr ? prefix : "";
    for (const KeyEntry& entry : kKeyEntries)
        profile->SetMediaTime(section, (head + names[entry.name]).c_str(), m_tKey[entry.key]);
    return 1;
}

INT Effect::LoadKeyTimes(CProfile* profile, LPCSTR section, LPCSTR prefix)
{
    for (CMediaTime& key : m_tKey)
        key = CMediaTime();
    if (profile == nullptr)
        return 0;
    EffectNames names;
    if (!LoadKeyNames(names)) {
        ShowEffectMessage(effect_names::kLoadNameMissing);
        return 0;
    }
    const std::string head = prefix != nullptr ? prefix : "";
    if (!profile->HasEntry(section, (head + names[effect_names::kKeyTime0]).c_str()))
        return 0;
    for (const KeyEntry& entry : kKeyEntries)
        m_tKey[entry.key] = profile->GetMediaTime(section, (head + names[entry.name]).c_str());
    return 1;
}
