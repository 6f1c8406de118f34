#pragma once
// The 60 transition kinds of the catalogue and the effect object made from
// one of them. A kind is a renderer family (0..10) with a direction, shape
// and style; its effect owns the kind's parameter record and is of the
// renderer subclass its family selects (TransitionRenderers.h).
//
// Every family draws its figure once, through DrawFigure, into a
// TransitionRaster: black (0) where picture A shows, white (255) where B
// does. DrawPreview paints that figure into a device context and Blend
// uses it as the alpha mask of the output frame.

#include <type_traits>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/TransitionParams.h"

class CIplAlphaMask;
class CIplImage;
class TransitionEffect;
class TransitionRaster;

// One row of the catalogue.
struct TransitionCatalogRow {
    INT m_nBitmapId;
    INT m_nNameStringId;
    INT m_nId;
    INT m_nDirection;
    INT m_nShape;
    INT m_nStyle;
    INT m_nFamily;
    INT m_nIconX;
    INT m_nIconY;
};

namespace TransitionCatalog {

constexpr INT kRowCount = 60;

// The row, or null outside 0..59.
const TransitionCatalogRow* GetRow(INT row);
// -1 for a row outside 0..59.
INT GetBitmapId(INT row);
INT GetNameStringId(INT row);
INT GetId(INT row);
INT GetDirection(INT row);
// The icon corner of the first row with that id; (0, 0) when none has it.
POINT GetIconPosition(INT id);
// The first row whose id and direction equal the effect's; 60 when none,
// 0 for a null effect.
INT FindRow(const TransitionEffect* effect);
// For an id in 0..59 the first row with that id (60 when none); any other
// value comes back unchanged.
INT FindRowById(INT id);
// A new effect of the row's family; null for a row outside 0..59.
TransitionEffect* Create(INT row);
// A new effect equal to `effect`: its row's kind with the source's
// colours, flags, durations, overlap, style and softness. Null for a null
// effect or one whose id names no row.
TransitionEffect* Clone(const TransitionEffect* effect);

} // namespace TransitionCatalog

class TransitionEffect {
public:
    // The default parameters with the row applied.
    explicit TransitionEffect(INT row);
    // Virtual, as subclasses are deleted through this type.
    virtual ~TransitionEffect();

    TransitionEffect(const TransitionEffect&) = delete;
    TransitionEffect& operator=(const TransitionEffect&) = delete;

    // The door family's image renderer; the others do nothing.
    virtual void RenderImages(CIplImage* imageA, CIplImage* imageB, CIplImage* output, INT left, INT top,
                              INT right, INT bottom, float progress, INT bottomUp);
    // Paints the figure for `progress` into the rectangle of `dc`; sliding
    // styles move `movedA` and `movedB`, which the caller initialises to
    // the rectangle.
    virtual void DrawPreview(HDC dc, INT left, INT top, INT right, INT bottom, float progress, RECT* movedA,
                             RECT* movedB);
    // DrawPreview into the window's client area.
    virtual void DrawPreviewInWindow(HWND window, float progress);
    // The family's figure: what DrawPreview paints and Blend blends by.
    // The base draws nothing.
    virtual void DrawFigure(TransitionRaster& raster, const RECT& rect, float progress, RECT* movedA,
                            RECT* movedB) const;

    // The output frame at `progress`: B over A through the figure (or a
    // constant alpha, a slide, the door's warp). All images of one size;
    // `mask` of that size receives the figure through its drawing surface.
    // The sliding styles 4 and 3 paint the moved picture into A or B in
    // place before copying it to the output.
    void Blend(CIplImage* imageA, CIplImage* imageB, CIplImage* output, CIplAlphaMask* mask, INT left, INT top,
               INT right, INT bottom, double progress, INT frameCount, INT width, INT height, INT bottomUp);

    // Rows 1..59 set direction, shape, style, family and id and clear the
    // softness; other rows change nothing. Returns 1.
    INT ApplyRow(INT row);

    // The panels write into the record directly.
    TransitionParams* GetParams() { return m_pParams; }
    const TransitionParams* GetParams() const { return m_pParams; }

    INT GetRendererFamily() const { return m_pParams->m_nFamily; }
    float GetOverlapDuration() const { return m_pParams->m_fOverlapDuration; }
    float GetADuration() const { return m_pParams->m_fADuration; }
    float GetBDuration() const { return m_pParams->m_fBDuration; }
    COLORREF GetAColor() const { return m_pParams->m_crAColor; }
    COLORREF GetBColor() const { return m_pParams->m_crBColor; }
    void SetADuration(float seconds) { m_pParams->m_fADuration = seconds; }
    void SetBDuration(float seconds) { m_pParams->m_fBDuration = seconds; }
    void SetOverlapDuration(float seconds) { m_pParams->m_fOverlapDuration = seconds; }
    INT GetAUseColor() const { return m_pParams->m_bAUseColor; }
    INT GetBUseColor() const { return m_pParams->m_bBUseColor; }
    void SetAUseColor(INT flag) { m_pParams->m_bAUseColor = flag; }
    void SetBUseColor(INT flag) { m_pParams->m_bBUseColor = flag; }
    // False for the dissolve and door families and the sliding styles.
    BOOL IsSoftEdgeCapable() const;

protected:
    TransitionParams* m_pParams;
};
// Effects are deleted through the base.
static_assert(std::has_virtual_destructor_v<TransitionEffect>);
