#pragma once
// The abstract windowless UI element, as far as the core types use it: the
// property getter and the hit test. The UI toolkit completes the class with
// the rest of its operations (placed between and after these).

#include "Platform/Win/Base/WinTypes.h"

class CGfxPoint;
class CTaggedValue;

class PanelElement {
public:
    virtual ~PanelElement() = default;

    // The value of property `id` from the element's property list (negative
    // ids are the standard properties), or null for an id it does not define.
    virtual CTaggedValue* GetProperty(INT id) = 0;

    // True when `point` (in the parent's coordinates) lies inside the
    // element's inclusive bounds.
    virtual bool HitTest(const CGfxPoint& point) = 0;
};
