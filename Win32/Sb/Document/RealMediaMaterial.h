#pragma once
// RealMediaMaterial: a RealMedia video file, with the texts and flags its
// reader offers (property listing, author, title, rights notice; events).
// Its viewer shows the clip's thumbnail picture.

#include "Win32/Sb/Document/VideoMaterial.h"

class RealMediaMaterial : public VideoMaterial {
public:
    RealMediaMaterial(LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                      const CMediaTime& duration, INT toEnd);

    Material* Clone() const override;
    INT GetMediaFlag1() const override;
    LPCSTR GetMediaInfoText0() const override;
    RDXViewer* CreateViewer(RDXControl* owner, DWORD destination, INT extra) override;
    void ReadFormat(CMediaSource* reader) override;

protected:
    INT m_bEvents = 0;
    INT m_bImageMaps = 0;
};
