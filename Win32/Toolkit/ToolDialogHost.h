#pragma once
// What a docked tool dialog asks of the window that owns it: the storyboard
// view implements this beside its window object, and a tool dialog finds it
// on its owner's permanent object. A tool dialog whose owner's object does
// not implement it (a plain window) does not dock, redraws no preview and
// sees no previewed item. UI thread only.

#include "Platform/Mfc/Mfc.h"

class StoryboardItem;

class KLToolDialogHost {
public:
    virtual ~KLToolDialogHost() = default;

    // The area the tool dialogs lie in, in the owner's client coordinates.
    virtual CRect GetModePanelRect() = 0;
    // The item shown in the preview; null for none.
    virtual StoryboardItem* GetPreviewedItem() = 0;
    // Redraws the preview area's video; nothing when the view has none.
    virtual void RedrawPreviewVideo() = 0;
};

// The host behind a window's permanent object, or null.
KLToolDialogHost* ToolDialogHostOf(CWnd* owner);
