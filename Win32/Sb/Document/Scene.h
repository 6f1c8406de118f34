#pragma once
// Stand-in for the storyboard scene until the scene work replaces this file:
// a scene that holds no material yet, which is all the storyboard needs to
// keep scenes on their slots and lay them out in time.

#include "Win32/Sb/Document/StoryboardItem.h"

class Scene : public StoryboardItem {
public:
    Scene() = default;
    Scene(const Scene& other) = default;

    INT GetKind() const override { return kKindScene; }
    StoryboardItem* Clone() const override { return new Scene(*this); }
    // Without a material a scene is not usable, has no length and shares no
    // material with any other scene.
    BOOL IsValid() const override { return FALSE; }
    CMediaTime GetDuration() const override { return CMediaTime(); }
    BOOL IsSame(const StoryboardItem*) const override { return FALSE; }
    MediaFrame* GetThumbnail() override { return m_pThumbnail; }
};
