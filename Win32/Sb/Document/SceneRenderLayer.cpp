#include "Win32/Sb/Document/SceneRenderLayer.h"

#include "Win32/Sb/Document/Scene.h"

namespace {

CSceneRenderLayer::Factory g_factory = nullptr;

} // namespace

CSceneRenderLayer::CSceneRenderLayer(Scene* owner, RDXControl* control, INT flag)
    : m_pScene(owner), m_pControl(control), m_nFlag(flag)
{
}

CSceneRenderLayer::~CSceneRenderLayer() = default;

BOOL CSceneRenderLayer::IsValid() const
{
    return !m_bInvalid;
}

void CSceneRenderLayer::Refresh() {}

void CSceneRenderLayer::Release()
{
    if (m_nRefs > 0)
        --m_nRefs;
    if (m_nRefs > 0)
        return;
    if (m_bInvalid || m_pScene == nullptr)
        delete this;
    else
        m_pScene->ReleaseRenderLayer();
}

CSceneRenderLayer* CSceneRenderLayer::Create(Scene* owner, RDXControl* control, INT flag)
{
    return g_factory != nullptr ? g_factory(owner, control, flag) : nullptr;
}

CSceneRenderLayer::Factory CSceneRenderLayer::SetFactory(Factory factory)
{
    const Factory previous = g_factory;
    g_factory = factory;
    return previous;
}
