#pragma once
// What the transport panels ask of the preview area that owns them (the
// media preview, a room above the toolkit): to refresh its progress display
// after a panel has painted. The preview area installs its link when it
// starts; until then, and in tests that install none, no window is a
// preview area and nothing is asked. A panel asks only about its own owner
// window, and asks for the refresh only when the link says that window is
// a preview area: panels whose owner is something else (a mode panel that
// took over the transport's strips) are never asked through it. UI thread
// only.

#include "Platform/Mfc/Mfc.h"

class CPreviewAreaLink {
public:
    virtual ~CPreviewAreaLink() = default;
    // Whether `window` is one of the preview area's windows.
    virtual bool IsPreviewArea(CWnd* window) = 0;
    // The preview area behind `window` refreshes its display (what: 1, the
    // progress display).
    virtual void Refresh(CWnd* window, INT what) = 0;

    // The installed link, or one under which no window is a preview area.
    static CPreviewAreaLink& Get();
    // Installs `link` (null: none) and returns the one installed before.
    static CPreviewAreaLink* Set(CPreviewAreaLink* link);
};
