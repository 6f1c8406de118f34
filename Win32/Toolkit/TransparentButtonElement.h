#pragma once
// A two-state bitmap button that shows a small picture over its face while
// it is checked: the picture (a bitmap of the bitmap module, keyed with
// magenta) is loaded on each paint, which is cheap at its size, and drawn
// over the button's current face. It is drawn only when the button's
// parent element has a background bitmap, as the button strip has. UI
// thread only.

#include "Win32/Toolkit/BitmapButtonElement.h"

class TransparentButtonElement : public BitmapButtonElement {
public:
    TransparentButtonElement() = default;
    ~TransparentButtonElement() override;

    void Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin) override;

    // The picture's bitmap id (0: none); the next paint uses it.
    void SetImageId(UINT id) { m_nImageId = id; }
    UINT GetImageId() const { return m_nImageId; }

private:
    UINT m_nImageId = 0;
};
