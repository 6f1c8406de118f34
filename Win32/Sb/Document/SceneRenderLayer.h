#pragma once
// CSceneRenderLayer: the preview's compositing layer of one scene. The
// preview engine makes its layers through the factory it installs; until it
// does, no layer is made and a scene previews without one.
//
// A layer is reference counted and starts with one reference. When the last
// reference goes, a layer that is still valid asks its scene to let it go
// (Scene::ReleaseRenderLayer deletes it); a layer the scene marked invalid
// (because the scene let go of it while it was still held) deletes itself.

#include "Platform/Win/Base/WinTypes.h"

class RDXControl;
class Scene;

class CSceneRenderLayer {
public:
    using Factory = CSceneRenderLayer* (*)(Scene* owner, RDXControl* control, INT flag);

    CSceneRenderLayer(Scene* owner, RDXControl* control, INT flag);
    virtual ~CSceneRenderLayer();
    CSceneRenderLayer(const CSceneRenderLayer&) = delete;
    CSceneRenderLayer& operator=(const CSceneRenderLayer&) = delete;

    // Whether the layer could set up its drawing surfaces.
    virtual BOOL IsValid() const;
    // Redraws the layer from its scene's current effects.
    virtual void Refresh();

    void AddRef() { ++m_nRefs; }
    void Release();
    void Invalidate() { m_bInvalid = TRUE; }
    BOOL IsReferenced() const { return m_nRefs > 0; }
    Scene* GetScene() const { return m_pScene; }
    RDXControl* GetControl() const { return m_pControl; }
    INT GetFlag() const { return m_nFlag; }

    // A new layer from the installed factory, or null without one.
    static CSceneRenderLayer* Create(Scene* owner, RDXControl* control, INT flag);
    // Installs `factory` (null: none) and returns the one installed before.
    static Factory SetFactory(Factory factory);

private:
    Scene* m_pScene;
    RDXControl* m_pControl;
    INT m_nFlag;
    INT m_nRefs = 1;
    BOOL m_bInvalid = FALSE;
};
