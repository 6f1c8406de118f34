#include "Win32/Sb/Document/ColorMaterial.h"

#include <memory>
#include <new>

#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Media/GeneratedSource.h"
#include "Win32/Sb/Media/RdxViewer.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

// The language module's name for colour scenes.
constexpr UINT kColorSceneName = 530;
constexpr INT kPictureWidth = 320;
constexpr INT kPictureHeight = 240;
constexpr DWORD kFrameTimeMicroseconds = 66667;

} // namespace

ColorMaterial::ColorMaterial(COLORREF colour, const CMediaTime& duration, double frameRate, INT storedFlag)
    : GeneratedMaterial(kKindGenerated, "", frameRate, duration, storedFlag), m_crColor(colour)
{
    ColorMaterial::AcknowledgeChange();
    m_bUsable = 1;
}

ColorMaterial::ColorMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section, INT oldScene)
    : GeneratedMaterial(documentPath, profile, section)
{
    m_nKind = kKindGenerated;
    m_bOpenEnded = 0;
    const CProfileKeys keys({kKeyColor, kKeyOldColor});
    m_crColor = keys.GetUnsigned(profile, section, oldScene == 1 ? kKeyOldColor : kKeyColor);
    ColorMaterial::AcknowledgeChange();
    m_bUsable = 1;
}

Material* ColorMaterial::Clone() const
{
    auto* copy = new ColorMaterial(m_crColor, m_tDuration, m_dFrameRate, m_bStored);
    copy->AcknowledgeChange();
    copy->SetAudioEnabled(GetAudioEnabled());
    return copy;
}

INT ColorMaterial::CanOpen() const
{
    return m_bUsable && Material::CanOpen() ? 1 : 0;
}

INT ColorMaterial::CanMoveStart(LONGLONG) const
{
    return 0;
}

INT ColorMaterial::CanMoveEnd(LONGLONG) const
{
    return 0;
}

CMediaSource* ColorMaterial::CreateReader() const
{
    std::unique_ptr<CEffectOnlySource> source(new (std::nothrow) CEffectOnlySource(
        m_crColor, kPictureWidth, kPictureHeight, kFrameTimeMicroseconds, 1, nullptr, 0));
    if (source == nullptr || !source->IsOpen())
        return nullptr;
    return source.release();
}

INT ColorMaterial::CanCreateReader() const
{
    return 1;
}

RDXViewer* ColorMaterial::CreateViewer(RDXControl* owner, DWORD destination, INT)
{
    if (m_pViewer != nullptr)
        return m_pViewer;
    if (CMediaSource* source = CreateReader())
        m_pViewer = CViewerFactory::Get().CreateStillViewer(source, owner, destination);
    return m_pViewer;
}

INT ColorMaterial::Verify()
{
    return m_bUsable;
}

void ColorMaterial::Save(const CString& documentPath, CProfile* profile, LPCSTR section) const
{
    Material::Save(documentPath, profile, section);
    const CProfileKeys keys({kKeyColor});
    keys.SetUnsigned(profile, section, kKeyColor, m_crColor);
}

COLORREF ColorMaterial::GetColor() const
{
    return m_crColor;
}

void ColorMaterial::SetColor(const COLORREF* colour)
{
    if (colour == nullptr)
        return;
    m_crColor = *colour;
    AcknowledgeChange();
}

INT ColorMaterial::AcknowledgeChange()
{
    m_bChanged = 0;
    CResourceSwitch language(kResourceLanguage);
    CString name;
    name.LoadString(kColorSceneName);
    SetPath(name);
    return 0;
}
