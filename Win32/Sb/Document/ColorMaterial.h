#pragma once
// ColorMaterial: a plain colour picture of 320 x 240 pixels. Its reader is
// the effect-only source, which paints the colour with the scene's effects;
// its display name is the language module's name for colour scenes.

#include "Win32/Sb/Document/GeneratedMaterial.h"

class ColorMaterial : public GeneratedMaterial {
public:
    // Entry names (untranslated strings): the colour, and the colour of the
    // older colour scenes.
    static constexpr UINT kKeyColor = 1304;
    static constexpr UINT kKeyOldColor = 1092;

    ColorMaterial(COLORREF colour, const CMediaTime& duration, double frameRate, INT storedFlag);
    // `oldScene` 1 reads the colour of an older colour scene.
    ColorMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section, INT oldScene);

    Material* Clone() const override;
    INT CanOpen() const override;
    INT CanMoveStart(LONGLONG shift) const override;
    INT CanMoveEnd(LONGLONG shift) const override;
    CMediaSource* CreateReader() const override;
    INT CanCreateReader() const override;
    RDXViewer* CreateViewer(RDXControl* owner, DWORD destination, INT extra) override;
    INT Verify() override;
    void Save(const CString& documentPath, CProfile* profile, LPCSTR section) const override;
    COLORREF GetColor() const override;
    void SetColor(const COLORREF* colour) override;
    // Clears the changed mark and names the material again; returns 0.
    INT AcknowledgeChange() override;

protected:
    INT m_bUsable = 0;
    COLORREF m_crColor = 0;
};
