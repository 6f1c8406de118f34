#include "Win32/Sb/Document/Material.h"

#include <algorithm>
#include <cmath>

#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/RdxViewer.h"
#include "Win32/Utils/Profile.h"

namespace {

// The application's audio switch for new media; on unless set otherwise.
INT NewMediaAudioSetting()
{
    const CProfileKeys names({Material::kSettingsSection, Material::kNewMediaAudioEntry});
    LPCSTR section = names.Name(Material::kSettingsSection);
    LPCSTR entry = names.Name(Material::kNewMediaAudioEntry);
    if (section == nullptr || entry == nullptr)
        return 1;
    return CShellServices::Get().GetProfileInt(section, entry, 1) != 0 ? 1 : 0;
}

// A stored frame rate that is not a number, or negative, reads as 0 (which
// the scene takes as 15).
double UsableRate(double rate)
{
    return std::isfinite(rate) && rate > 0.0 ? rate : 0.0;
}

} // namespace

Material::Material(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag, INT openEnded)
    : m_nKind(kind), m_bStored(storedFlag), m_bOpenEnded(openEnded != 0 ? 1 : 0), m_dFrameRate(frameRate),
      m_bAudio(NewMediaAudioSetting())
{
    if (!m_bOpenEnded)
        m_tDuration += duration;
    Material::SetPath(path);
}

Material::Material(const CString&, const CProfile* profile, LPCSTR section) : m_nKind(0)
{
    const CProfileKeys keys(
        {kKeyPath, kKeyKind, kKeyFrameRate, kKeyDuration, kKeyStoredFlag, kKeyOpenEnded, kKeyAudio});
    LPCSTR path = keys.GetValue(profile, section, kKeyPath);
    m_strPath = path != nullptr ? path : "";
    m_nKind = keys.GetInt(profile, section, kKeyKind);
    if (m_nKind == kKindOldGenerated)
        m_nKind = kKindGenerated;
    m_dFrameRate = UsableRate(keys.GetDouble(profile, section, kKeyFrameRate));
    m_tDuration += keys.GetMediaTime(profile, section, kKeyDuration);
    m_bStored = keys.GetBool(profile, section, kKeyStoredFlag);
    m_bOpenEnded = keys.GetBool(profile, section, kKeyOpenEnded);
    m_bAudio = keys.GetBool(profile, section, kKeyAudio, TRUE);
    if (m_bOpenEnded)
        m_tDuration = CMediaTime();
}

Material::~Material()
{
    Material::ReleaseViewer();
}

Material* Material::Clone() const
{
    auto* copy = new Material(m_nKind, m_strPath, m_dFrameRate, m_tDuration, m_bStored, m_bOpenEnded);
    copy->SetAudioEnabled(GetAudioEnabled());
    return copy;
}

INT Material::CanOpen() const
{
    std::unique_ptr<CMediaSource> reader(CreateReader());
    return reader != nullptr && reader->IsOpen() ? 1 : 0;
}

void Material::SetPath(LPCSTR path)
{
    m_strPath = path != nullptr ? path : "";
}

void Material::SetDuration(const CMediaTime& time, INT openEnded)
{
    m_tDuration = CMediaTime();
    m_bOpenEnded = openEnded != 0 ? 1 : 0;
    if (!m_bOpenEnded)
        m_tDuration += time;
}

void Material::GetSize(INT size[2]) const
{
    size[0] = 320;
    size[1] = 240;
}

INT Material::GetBitDepth() const
{
    return 24;
}

const PCMWAVEFORMAT* Material::GetAudioFormat() const
{
    return nullptr;
}

INT Material::HasAudioFormat() const
{
    return 0;
}

INT Material::GetMediaFlag1() const
{
    return 0;
}

INT Material::GetMediaFlag2() const
{
    return 0;
}

LPCSTR Material::GetMediaInfoText0() const
{
    return nullptr;
}

LPCSTR Material::GetMediaInfoText1() const
{
    return m_pszInfo[1].get();
}

LPCSTR Material::GetMediaInfoText2() const
{
    return m_pszInfo[2].get();
}

LPCSTR Material::GetMediaInfoText3() const
{
    return m_pszInfo[3].get();
}

INT Material::CanMoveStart(LONGLONG shift) const
{
    if (m_bOpenEnded)
        return 1;
    return m_tDuration.GetTotalMicroseconds() - static_cast<double>(shift) > 0.0 ? 1 : 0;
}

INT Material::CanMoveEnd(LONGLONG shift) const
{
    if (m_bOpenEnded)
        return 0;
    return m_tDuration.GetTotalMicroseconds() + static_cast<double>(shift) > 0.0 ? 1 : 0;
}

void Material::MoveStart(LONGLONG shift)
{
    if (m_bOpenEnded)
        SetDuration(CMediaTime(), 1);
    else
        SetDuration(Microseconds(m_tDuration.GetTotalMicroseconds() - static_cast<double>(shift)), 0);
}

void Material::MoveEnd(LONGLONG shift)
{
    if (!m_bOpenEnded)
        SetDuration(Microseconds(m_tDuration.GetTotalMicroseconds() + static_cast<double>(shift)), 0);
}

INT Material::IsFileBased() const
{
    return 0;
}

CMediaTime Material::GetDuration() const
{
    return m_tDuration;
}

void Material::GetDurationEx(CMediaTime* duration, INT* openEnded) const
{
    if (duration != nullptr)
        *duration = m_tDuration;
    if (openEnded != nullptr)
        *openEnded = m_bOpenEnded;
}

CMediaTime Material::GetInPoint() const
{
    return CMediaTime();
}

CMediaTime Material::GetOutPoint() const
{
    return m_tDuration;
}

CMediaTime Material::GetMediaLength() const
{
    return m_tDuration;
}

INT Material::ProbeTime(const CMediaTime&, INT)
{
    return 0;
}

INT Material::ProbeStart(INT flag)
{
    return ProbeTime(CMediaTime(), flag);
}

CMediaSource* Material::CreateReader() const
{
    return nullptr;
}

INT Material::CanCreateReader() const
{
    return 0;
}

RDXViewer* Material::GetViewer() const
{
    return m_pViewer;
}

void Material::ReleaseViewer()
{
    delete m_pViewer;
    m_pViewer = nullptr;
}

RDXViewer* Material::CreateViewer(RDXControl*, DWORD, INT)
{
    return m_pViewer;
}

INT Material::Verify()
{
    return 1;
}

void Material::Save(const CString& documentPath, CProfile* profile, LPCSTR section) const
{
    if (profile == nullptr)
        return;
    profile->SetString(section, "Comment", "Material Begin");
    const CProfileKeys keys(
        {kKeyPath, kKeyKind, kKeyFrameRate, kKeyDuration, kKeyStoredFlag, kKeyOpenEnded, kKeyAudio});
    CString path = m_strPath;
    if (IsFileBased() && !documentPath.IsEmpty())
        CShellServices::Get().MakePathRelative(documentPath, &path);
    keys.SetValue(profile, section, kKeyPath, path);
    keys.SetInt(profile, section, kKeyKind, m_nKind);
    keys.SetFloat(profile, section, kKeyFrameRate, static_cast<float>(m_dFrameRate));
    keys.SetMediaTime(profile, section, kKeyDuration, m_tDuration);
    keys.SetInt(profile, section, kKeyStoredFlag, m_bStored);
    keys.SetInt(profile, section, kKeyOpenEnded, m_bOpenEnded);
    keys.SetInt(profile, section, kKeyAudio, m_bAudio);
}

COLORREF Material::GetColor() const
{
    return 0;
}

void Material::SetColor(const COLORREF*) {}

INT Material::GetAudioEnabled() const
{
    return m_bAudio;
}

void Material::SetAudioEnabled(INT enabled)
{
    m_bAudio = enabled;
}

INT Material::HasChanged()
{
    return m_bChanged;
}

INT Material::AcknowledgeChange()
{
    const INT changed = m_bChanged;
    m_bChanged = 0;
    return changed;
}

CMediaTime Material::Microseconds(double microseconds)
{
    return CMediaTime(0, 0, 0, std::max(0.0, microseconds), CMediaTime::kMicroseconds);
}
