#pragma once
// What the mode column reads of a scene to mark the modes whose effects it
// already carries. The scene belongs to the storyboard document, which lies
// above the toolkit, so the toolkit keeps `Scene` declared only and asks
// through this query; the preview area installs one over the document. The
// default finds no effect and no audio track in any scene.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Toolkit/ToolkitSeam.h"

class Scene;

class CSceneEffectQuery : public ToolkitSeam<CSceneEffectQuery> {
public:
    virtual ~CSceneEffectQuery() = default;

    // Whether the scene carries an effect of that kind; never called with
    // a null scene.
    virtual bool HasMotionEffect(Scene* scene);
    virtual bool HasSpectrumEffect(Scene* scene);
    virtual bool HasTextEffect(Scene* scene);
    virtual bool HasColorEffect(Scene* scene);
    // The number of audio tracks the scene has.
    virtual INT GetAudioTrackCount(Scene* scene);
};
