#include "Win32/Sb/Document/Scene.h"

#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"

Scene::Scene() = default;

Scene::Scene(LPCSTR mediaPath) : m_strMediaPath(mediaPath) {}

Scene::Scene(const Scene& other) : StoryboardItem(other), m_strMediaPath(other.m_strMediaPath) {}

Scene::~Scene() = default;

LPCSTR Scene::GetMediaPath() const
{
    return m_strMediaPath.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strMediaPath);
}

void Scene::GetInPoint(CMediaTime& time) const
{
    time = CMediaTime();
}

void Scene::GetOutPoint(CMediaTime& time) const
{
    time = m_pReader ? m_pReader->m_tLength : CMediaTime();
}

INT Scene::OpenReader(const CGfxSize& size, double fps)
{
    if (!m_pReader) {
        CMediaSource* reader = nullptr;
        CMediaFile file(m_strMediaPath);
        if (m_strMediaPath.IsEmpty() || file.CreateReader(&reader) != CMediaFile::kOk || reader == nullptr) {
            delete reader;
            return 0;
        }
        m_pReader.reset(reader);
    }
    const double rate = fps > 0.0 ? fps : 15.0;
    m_pReader->SetOutputSize(size);
    m_pReader->SetFrameTime(CMediaTime(0, 0, 0, 1000000.0 / rate, CMediaTime::kMicroseconds));
    m_pReader->Seek(CMediaTime());
    return 1;
}

void Scene::CloseReader()
{
    m_pReader.reset();
}

void Scene::Save(LPCSTR documentFolder, CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (profile == nullptr || m_strMediaPath.IsEmpty() || !names.Load({effect_names::kMediaPath}))
        return;
    CString stored = m_strMediaPath;
    if (documentFolder != nullptr && *documentFolder != '\0')
        MakeRelativePath(documentFolder, stored);
    profile->SetString(section, names[effect_names::kMediaPath], stored);
}

INT Scene::Load(LPCSTR documentFolder, CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (profile == nullptr || !names.Load({effect_names::kMediaPath}))
        return 0;
    LPSTR stored = profile->GetString(section, names[effect_names::kMediaPath]);
    if (stored == nullptr)
        return 0;
    CString path = stored;
    delete[] stored;
    if (path.IsEmpty())
        return 0;
    ResolveRelativePath(documentFolder != nullptr ? documentFolder : "", path);
    m_strMediaPath = path;
    CloseReader();
    return 1;
}
