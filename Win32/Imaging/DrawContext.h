#pragma once
// The graphics library's drawing surface: a device context that the context
// owns or borrows, with selection that remembers what it displaced, unit
// conversion, and lines, shapes, Bezier curves, markers, text and bitmaps in
// integer and double coordinates. CGfxRect rectangles are inclusive (GDI
// receives right + 1 and bottom + 1) and doubles reach GDI truncated toward
// zero. Every operation does nothing, or returns 0 or null, without a DC.
//
// The transparent blits key one colour of a bitmap out over the screen, a
// second bitmap, a tiled bitmap or a solid colour, in whatever mapping mode
// the destination uses, and leave the source bitmap as it was.

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Gdi/GdiText.h"
#include "Win32/Imaging/Color.h"
#include "Win32/Imaging/GdiObjects.h"
#include "Win32/Imaging/GfxLists.h"
#include "Win32/Imaging/GfxPointF.h"
#include "Win32/Utils/GfxTypes.h"

class CGdiBitmap;

// A point list is read from its first element; a segment is an array of
// four points (start, two control points, end).
using CGfxPointFList = CGfxPtrList<CGfxPointF*>;

class CGfxContext {
public:
    virtual ~CGfxContext() = default;

    virtual BOOL MoveTo(const CGfxPoint& point) = 0;
    virtual BOOL MoveTo(int x, int y) = 0;
    virtual BOOL MoveTo(const CGfxPointF& point) = 0;
    virtual BOOL MoveTo(double x, double y) = 0;
    virtual BOOL LineTo(const CGfxPoint& point) = 0;
    virtual BOOL LineTo(int x, int y) = 0;
    virtual BOOL LineTo(const CGfxPointF& point) = 0;
    virtual BOOL LineTo(double x, double y) = 0;
    virtual BOOL DrawLine(const CGfxPointF& from, const CGfxPointF& to) = 0;
    virtual BOOL DrawLineTransparent(const CGfxPointF& from, const CGfxPointF& to) = 0;
    virtual BOOL FrameMarker(const CGfxPointF& point, int type) = 0;
    virtual BOOL FillMarker(const CGfxPointF& point, int type) = 0;
    virtual BOOL Polygon(const CGfxPointFList& points) = 0;
    virtual BOOL Polyline(const CGfxPointFList& points) = 0;
    virtual BOOL Rectangle(const CGfxRect& rect) = 0;
    virtual BOOL Rectangle(const CGfxRectF& rect) = 0;
    virtual BOOL FrameRect(const CGfxRect& rect) = 0;
    virtual BOOL FrameRect(const CGfxRectF& rect) = 0;
    virtual BOOL InvertRect(const CGfxRect& rect) = 0;
    virtual BOOL PolyBezier(const CGfxPointF* points) = 0;
    virtual BOOL PolyBezierSegments(const CGfxPointFList& segments) = 0;
    virtual BOOL PolyBezierPath(const CGfxPointFList& segments) = 0;
    virtual BOOL SetPixel(const CGfxPoint& point, const CColor& color) = 0;
    virtual CRGBColor GetPixel(const CGfxPoint& point) = 0;
};

class CDrawContext : public CGfxContext {
public:
    // Borrows `hdc`; without one, owns a new memory DC. Saves the DC state.
    explicit CDrawContext(HDC hdc = nullptr);
    // Owns a memory DC compatible with the other context's DC (the screen
    // when `other` is null).
    explicit CDrawContext(CDrawContext* other);
    // Restores the DC to its state at construction, then releases an owned
    // DC.
    ~CDrawContext() override;
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    HDC GetHDC() const { return m_hDC; }
    // Makes an owned DC one that belongs to `window` (released with
    // ReleaseDC rather than deleted).
    void SetWindow(HWND window) { m_hWnd = window; }

    BOOL MoveTo(const CGfxPoint& point) override;
    BOOL MoveTo(int x, int y) override;
    BOOL MoveTo(const CGfxPointF& point) override;
    BOOL MoveTo(double x, double y) override;
    BOOL LineTo(const CGfxPoint& point) override;
    BOOL LineTo(int x, int y) override;
    BOOL LineTo(const CGfxPointF& point) override;
    BOOL LineTo(double x, double y) override;
    BOOL DrawLine(const CGfxPointF& from, const CGfxPointF& to) override;
    BOOL DrawLineTransparent(const CGfxPointF& from, const CGfxPointF& to) override;
    // Outlines the square of half size 1.5 (type 0), 2.5 (type 2) or 2.0.
    BOOL FrameMarker(const CGfxPointF& point, int type) override;
    // Fills the square of half size 1.5 (type 0), 2.5 (type 2) or 2.0 with
    // the brush and no outline.
    BOOL FillMarker(const CGfxPointF& point, int type) override;
    BOOL Polygon(const CGfxPointFList& points) override;
    BOOL Polyline(const CGfxPointFList& points) override;
    BOOL Rectangle(const CGfxRect& rect) override;
    BOOL Rectangle(const CGfxRectF& rect) override;
    BOOL FrameRect(const CGfxRect& rect) override;
    BOOL FrameRect(const CGfxRectF& rect) override;
    BOOL InvertRect(const CGfxRect& rect) override;
    BOOL PolyBezier(const CGfxPointF* points) override;
    BOOL PolyBezierSegments(const CGfxPointFList& segments) override;
    // One curve through all segments: 3n + 1 points.
    BOOL PolyBezierPath(const CGfxPointFList& segments) override;
    BOOL SetPixel(const CGfxPoint& point, const CColor& color) override;
    CRGBColor GetPixel(const CGfxPoint& point) override;

    // Each returns a record of the object it displaced (owned by the
    // context until the next selection of that kind), or null. Selecting
    // that record puts the earlier object back.
    CGdiPen* SelectPen(CGdiPen* pen);
    CGdiBrush* SelectBrush(CGdiBrush* brush);
    CGdiFont* SelectFont(CGdiFont* font);
    CGdiBitmap* SelectBitmap(CGdiBitmap* bitmap);

    CGfxPoint DeviceToLogical(const CGfxPoint& point);
    CGfxSize DeviceToLogical(const CGfxSize& size);
    CGfxPointF DeviceToLogicalF(const CGfxPointF& point);
    CGfxRect DeviceToLogicalRect(const CGfxRect& rect);

    CRGBColor SetBkColor(const CColor& color);
    CRGBColor SetTextColor(const CColor& color);
    int SetBkMode(int mode);
    int SetMapMode(int mode);
    int GetMapMode();

    BOOL FillRectF(const CGfxRectF& rect, const CColor& color);
    int DrawText(const CGfxString& text, const CGfxRect& rect, UINT format);
    BOOL GetTextExtent(const CGfxString& text, CGfxSize& size);
    BOOL BitBlt(const CGfxRect& destination, CDrawContext* source, const CGfxPoint& sourcePoint, DWORD rop);
    BOOL StretchBlt(const CGfxRect& destination, CDrawContext* source, const CGfxRect& sourceRect, DWORD rop);
    BOOL DrawBitmap(CGdiBitmap* bitmap, const CGfxRect& destination, const CGfxPoint& sourcePoint, DWORD rop);

    // The bitmap with its transparent colour keyed out over, in this order
    // of preference, `background` at `backgroundPoint`, `tile` repeated,
    // `color`, or what the destination shows. 1, or 0 when a DC, bitmap or
    // blit fails.
    BOOL DrawTransparent(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                         CGdiBitmap* background, const CGfxPoint* backgroundPoint, CGdiBitmap* tile,
                         const CColor* color);
    BOOL DrawBitmapOverBitmap(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                              CGdiBitmap* background, const CGfxPoint& backgroundPoint);
    BOOL DrawBitmapOverTile(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                            CGdiBitmap* tile);
    BOOL DrawBitmapOverColor(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                             const CColor& color);
    // The same for a bitmap whose mask was prepared (CGdiBitmap::
    // PrepareTransparency).
    BOOL DrawTransparentMasked(const CGfxRect& destination, CGdiBitmap* bitmap, const CGfxPoint& sourcePoint,
                               CGdiBitmap* background, const CGfxPoint* backgroundPoint, CGdiBitmap* tile,
                               const CColor* color);

    HDC m_hDC = nullptr;
    int m_nSavedDC = 0;
    BOOL m_bOwnsDC = FALSE;
    HWND m_hWnd = nullptr;
    CGdiPen* m_pPrevPen = nullptr;
    CGdiPen* m_pPen = nullptr;
    CGdiBrush* m_pPrevBrush = nullptr;
    CGdiBrush* m_pBrush = nullptr;
    CGdiFont* m_pPrevFont = nullptr;
    CGdiFont* m_pFont = nullptr;
    CGdiBitmap* m_pPrevBitmap = nullptr;
    CGdiBitmap* m_pBitmap = nullptr;

private:
    // Fills a W x H context with the background the transparent blits put
    // the bitmap over (background bitmap, tile, colour or this context's
    // pixels at `destination`'s corner).
    BOOL PaintBackground(CDrawContext& target, const CGfxSize& size, const CGfxRect& destination,
                         CGdiBitmap* background, const CGfxPoint* backgroundPoint, CGdiBitmap* tile,
                         const CColor* color);
};
