#include "Win32/Sb/Document/EffectList.h"

#include <algorithm>
#include <string>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ColorEffect.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SpectrumEffect.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Utils/Profile.h"

namespace {

// The positions the list loader looks for spectrum effects at.
constexpr int kSpectrumSearch = 99;

using namespace effect_names;

bool LoadListNames(EffectNames& names)
{
    return names.Load({kOlderTextSection, kSpectrumPresent, kTextPresent, kMotionPresent, kEffectCount,
                       kOverlayIsMotion, kOverlayPrefix, kOverlayCount, kOverlayEffectCount, kSpectrumStyle,
                       kMotionSection, kColorMarker, kTextSection, kSpectrumSection});
}

template <typename Kind>
Kind* AsKind(Effect* effect)
{
    return dynamic_cast<Kind*>(effect);
}

} // namespace

EffectList::EffectList() = default;

EffectList::~EffectList()
{
    RemoveAll();
}

void EffectList::AddEffect(Effect* effect)
{
    if (effect != nullptr && m_entries.AddTail(new EffectEntry{effect}) == nullptr)
        delete effect;
}

Effect* EffectList::GetAt(INT position) const
{
    EffectEntry* const* entry = m_entries.PeekAt(position);
    return entry != nullptr ? (*entry)->m_pEffect : nullptr;
}

void EffectList::RemoveAll()
{
    while (!m_entries.IsEmpty()) {
        EffectEntry* entry = *m_entries.GetAt(0);
        m_entries.RemoveAt(0);
        delete entry->m_pEffect;
        delete entry;
    }
    m_ownedOverlays.clear();
}

Effect* EffectList::FindEffect(INT kind) const
{
    for (INT i = 0; i < GetCount(); ++i) {
        Effect* effect = GetAt(i);
        if (effect->GetKind() == kind)
            return effect;
    }
    return nullptr;
}

INT EffectList::RemoveEffect(INT kind)
{
    for (INT i = 0; i < GetCount(); ++i) {
        EffectEntry* entry = *m_entries.GetAt(i);
        if (entry->m_pEffect->GetKind() != kind)
            continue;
        m_entries.RemoveAt(i);
        delete entry->m_pEffect;
        delete entry;
        DropUnreferencedOverlays();
        return 1;
    }
    return 0;
}

INT EffectList::GetEffectRange(INT kind, CMediaTime& start, CMediaTime& end) const
{
    const Effect* effect = FindEffect(kind);
    if (effect == nullptr)
        return 0;
    start = effect->GetKeyTime0();
    end = effect->GetKeyTime3();
    return 1;
}

TextEffect* EffectList::FindTextEffect() const
{
    return AsKind<TextEffect>(FindEffect(Effect::kText));
}

SpectrumEffect* EffectList::FindSpectrumEffect() const
{
    return AsKind<SpectrumEffect>(FindEffect(Effect::kSpectrum));
}

ColorEffect* EffectList::FindColorEffect() const
{
    return AsKind<ColorEffect>(FindEffect(Effect::kColor));
}

MotionEffect* EffectList::FindMotionEffect() const
{
    return AsKind<MotionEffect>(FindEffect(Effect::kMotion));
}

template <typename Kind>
void EffectList::SetEffect(const Kind& effect)
{
    if (Kind* own = AsKind<Kind>(FindEffect(effect.GetKind()))) {
        if (own == &effect)
            return;
        own->DetachRenderer();
        *own = effect;
        DropUnreferencedOverlays();
        return;
    }
    AddEffect(new Kind(effect));
}

void EffectList::SetTextEffect(const TextEffect& effect)
{
    SetEffect(effect);
}

void EffectList::SetSpectrumEffect(const SpectrumEffect& effect)
{
    SetEffect(effect);
}

void EffectList::SetColorEffect(const ColorEffect& effect)
{
    SetEffect(effect);
}

void EffectList::SetMotionEffect(const MotionEffect& effect)
{
    SetEffect(effect);
}

CIplImage* EffectList::RenderFrame(CIplImage* image, CWaveBuffer* audio, const CMediaTime& time,
                                   const CMediaTime& frameTime)
{
    const double units = frameTime.GetTotalUnits();
    const double rate = units > 0.0 ? 1000000.0 / units : 1.0;
    CMediaTime at = time;
    CIplImage* const given = image;
    for (INT i = 0; i < GetCount(); ++i) {
        Effect* effect = (*m_entries.GetAt(i))->m_pEffect;
        if (effect->GetKeyTime0() <= at && at <= effect->GetKeyTime3()) {
            if (!effect->HasRenderer())
                effect->AttachRenderer(image, rate, 1);
            CIplImage* rendered = effect->HasRenderer() ? effect->Render(image, audio, &at) : nullptr;
            if (rendered != nullptr && rendered != image) {
                // An image an earlier effect of this pass made is replaced:
                // the caller only ever sees the given image and the last.
                if (image != given)
                    delete image;
                image = rendered;
            }
        }
        if (at > effect->GetKeyTime3())
            effect->DetachRenderer();
    }
    return image;
}

void EffectList::Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT)
{
    EffectNames names;
    if (profile == nullptr || !names.Load({kEffectCount}))
        return;
    profile->SetString(sceneSection, kListComment, kListCommentValue);
    profile->SetInt(sceneSection, names[kEffectCount], GetCount());
    for (INT i = 0; i < GetCount(); ++i)
        GetAt(i)->Save(documentPath, profile, sceneSection, i);
}

void EffectList::LoadMotionSection(LPCSTR documentPath, CProfile* profile, LPCSTR section)
{
    auto motion = std::make_unique<MotionEffect>(profile, section);
    // The section gives the overlay its material.
    auto overlay = std::make_unique<Scene>(static_cast<Material*>(nullptr));
    if (!overlay->Load(documentPath, profile, section))
        return;
    motion->SetOverlayPath(overlay->GetMediaPath());
    motion->SetOverlayScene(overlay.get());
    m_ownedOverlays.push_back(std::move(overlay));
    AddEffect(motion.release());
}

void EffectList::Load(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT olderText)
{
    EffectNames names;
    if (profile == nullptr || !LoadListNames(names))
        return;
    const std::string scene = sceneSection != nullptr ? sceneSection : "";
    INT further = profile->GetInt(sceneSection, names[kOverlayEffectCount]);
    INT count = profile->GetInt(sceneSection, names[kEffectCount]);

    if (olderText) {
        auto text = std::make_unique<TextEffect>();
        text->Load(profile, sceneSection, 0);
        AddEffect(text.release());
    }

    const std::string overlayPrefix = scene + names[kOverlayPrefix];
    const INT overlays = profile->GetInt(sceneSection, names[kOverlayCount]);
    for (INT i = 0; i < overlays; ++i) {
        const std::string section = overlayPrefix + "_" + std::to_string(i);
        if (!profile->HasSection(section.c_str()))
            continue;
        if (profile->GetBool(section.c_str(), names[kOverlayIsMotion]))
            LoadMotionSection(documentPath, profile, section.c_str());
        if (profile->HasEntry(section.c_str(), names[kOlderTextSection])) {
            auto text = std::make_unique<TextEffect>();
            text->Load(profile, section.c_str(), 8);
            AddEffect(text.release());
        }
    }

    if (count > 0) {
        if (profile->HasEntry(sceneSection, names[kTextPresent])) {
            --count;
            auto text = std::make_unique<TextEffect>();
            text->Load(profile, (scene + names[kTextSection] + "0").c_str(), 0);
            AddEffect(text.release());
        }
        if (profile->HasEntry(sceneSection, names[kMotionPresent])) {
            --count;
            LoadMotionSection(documentPath, profile, (scene + names[kMotionSection] + "0").c_str());
        }
    }

    if (profile->GetInt(sceneSection, names[kColorMarker]) == 2) {
        auto color = std::make_unique<ColorEffect>();
        color->Load(profile, sceneSection, 0);
        AddEffect(color.release());
        --count;
    }

    if (count > 0 || further > 0) {
        const std::string spectrumSection = profile->HasEntry(sceneSection, names[kSpectrumPresent])
            ? scene + names[kSpectrumSection] + "0"
            : scene;
        for (int i = 0; i < kSpectrumSearch && (count > 0 || further > 0); ++i) {
            if (!profile->HasEntry(spectrumSection.c_str(), names.With(kSpectrumStyle, "_" + std::to_string(i)).c_str()))
                continue;
            auto spectrum = std::make_unique<SpectrumEffect>();
            spectrum->Load(profile, spectrumSection.c_str(), 0);
            AddEffect(spectrum.release());
            --count;
            --further;
        }
    }
}

INT EffectList::CopyFrom(const EffectList& other)
{
    const Effect* last[Effect::kKindCount] = {};
    for (INT i = 0; i < other.GetCount(); ++i) {
        const Effect* effect = other.GetAt(i);
        if (effect->GetKind() >= 0 && effect->GetKind() < Effect::kKindCount)
            last[effect->GetKind()] = effect;
    }
    for (INT kind : {Effect::kColor, Effect::kSpectrum, Effect::kMotion, Effect::kText}) {
        if (last[kind] == nullptr)
            continue;
        Effect* copy = last[kind]->Clone();
        if (auto* motion = AsKind<MotionEffect>(copy)) {
            const Scene* overlay = motion->GetOverlayScene();
            const bool keptByOther = std::any_of(other.m_ownedOverlays.begin(), other.m_ownedOverlays.end(),
                                                 [overlay](const auto& owned) { return owned.get() == overlay; });
            if (keptByOther && overlay != nullptr) {
                m_ownedOverlays.push_back(std::make_unique<Scene>(*overlay));
                motion->SetOverlayScene(m_ownedOverlays.back().get());
            }
        }
        AddEffect(copy);
    }
    return GetCount();
}

void EffectList::SetOverlayScene(Scene* overlay)
{
    for (INT i = 0; i < GetCount(); ++i) {
        if (auto* motion = AsKind<MotionEffect>(GetAt(i)))
            motion->SetOverlayScene(overlay);
    }
    DropUnreferencedOverlays();
}

std::unique_ptr<Scene> EffectList::TakeOverlayScene()
{
    const MotionEffect* motion = FindMotionEffect();
    if (motion == nullptr)
        return nullptr;
    for (auto it = m_ownedOverlays.begin(); it != m_ownedOverlays.end(); ++it) {
        if (it->get() == motion->GetOverlayScene()) {
            std::unique_ptr<Scene> taken = std::move(*it);
            m_ownedOverlays.erase(it);
            return taken;
        }
    }
    return nullptr;
}

void EffectList::DropUnreferencedOverlays()
{
    std::erase_if(m_ownedOverlays, [this](const std::unique_ptr<Scene>& owned) {
        for (INT i = 0; i < GetCount(); ++i) {
            const auto* motion = AsKind<MotionEffect>(GetAt(i));
            if (motion != nullptr && motion->GetOverlayScene() == owned.get())
                return false;
        }
        return true;
    });
}
