#pragma once
// How the toolkit reaches the neighbours above it (the main frame, the
// preview area) without including them: each is a small interface of the
// toolkit's own whose operations do nothing by default. The layer above
// installs its implementation when it starts, tests install recording ones;
// until then Get answers a default instance. UI thread only.
//
//   class CPopupMenuService : public ToolkitSeam<CPopupMenuService> { ... };
//   CPopupMenuService::Get().DoPopupMenuById(...);

template <typename Interface>
class ToolkitSeam {
public:
    // The installed implementation, else the do-nothing default.
    static Interface& Get()
    {
        static Interface fallback;
        return s_pInstalled ? *s_pInstalled : fallback;
    }
    // Installs `seam` (null: the default again) and returns the one it
    // replaces, or null when that was the default. The caller keeps
    // ownership and uninstalls it before it goes.
    static Interface* Install(Interface* seam)
    {
        Interface* previous = s_pInstalled;
        s_pInstalled = seam;
        return previous;
    }

private:
    static inline Interface* s_pInstalled = nullptr;
};
