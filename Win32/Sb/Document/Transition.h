#pragma once
// Stand-in for the storyboard transition until the transition work replaces
// this file: a transition that holds no effect yet, which is all the
// storyboard needs to keep transitions on their slots.

#include "Win32/Sb/Document/StoryboardItem.h"

class Transition : public StoryboardItem {
public:
    Transition() = default;
    Transition(const Transition& other) = default;

    INT GetKind() const override { return kKindTransition; }
    StoryboardItem* Clone() const override { return new Transition(*this); }
    // Without an effect a transition is not usable, has no overlap and shares
    // no effect with any other transition.
    BOOL IsValid() const override { return FALSE; }
    CMediaTime GetDuration() const override { return CMediaTime(); }
    BOOL IsSame(const StoryboardItem*) const override { return FALSE; }
    MediaFrame* GetThumbnail() override { return nullptr; }
};
