#pragma once
// RDXViewer: the object that shows a material on the preview surface (a
// still picture, or a clip playing), owned by the material and deleted
// through its virtual destructor. The viewers are made through a
// CViewerFactory: the preview installs the one that makes real viewers;
// the standard factory makes none, so a material then has no viewer and
// the preview shows nothing for it.

#include "Platform/Win/Base/WinTypes.h"

class CMediaSource;
// The preview control a viewer draws for; it belongs to the preview.
class RDXControl;

class RDXViewer {
public:
    explicit RDXViewer(RDXControl* owner) : m_pOwner(owner) {}
    virtual ~RDXViewer() = default;
    RDXViewer(const RDXViewer&) = delete;
    RDXViewer& operator=(const RDXViewer&) = delete;

    // 1 once the viewer was built; a viewer that was not is deleted by its
    // maker at once.
    INT IsValid() const { return m_bValid; }
    virtual void SetFlags(INT flags) { m_nFlags = flags; }
    virtual INT GetFlags() const { return m_nFlags; }

protected:
    RDXControl* m_pOwner;
    INT m_bValid = 0;
    INT m_nFlags = 1;
};

class CViewerFactory {
public:
    virtual ~CViewerFactory() = default;
    // A viewer that shows one frame of `source` on the surface object
    // `destination`. The viewer, or the factory when it makes none, takes
    // the source over and deletes it; a null source gives a viewer that
    // shows nothing.
    virtual RDXViewer* CreateStillViewer(CMediaSource* source, RDXControl* owner, DWORD destination);
    // A viewer that plays `path` from `inMs` to `outMs`; `audio` is the
    // material's audio switch and `extra` the caller's request (0: play
    // without sound where the owner asks for it).
    virtual RDXViewer* CreateVideoViewer(LPCSTR path, INT inMs, INT outMs, RDXControl* owner, DWORD destination,
                                         INT audio, INT extra);

    static CViewerFactory& Get();
    // Installs `factory` (null restores the standard one) and returns the
    // one installed before.
    static CViewerFactory* Set(CViewerFactory* factory);
};
