#pragma once
// The slider: a container that draws a bitmap track and a bitmap thumb,
// maps an integer range onto the track, lets the user drag the thumb or
// click a point of the track, and tells its parent about every change with
// WM_HSCROLL or WM_VSCROLL: wParam = position << 16 | code (SB_THUMBTRACK
// while dragging, SB_ENDSCROLL at the end), lParam = the slider's window.
// Positions travel in 16 bits; the slider never sends one outside its
// range. A range whose maximum equals its minimum is one position: the
// thumb stays home and every value reads as the minimum.
//
// The thumb is a bitmap button whose window is invisible: the slider paints
// it and handles the mouse itself. Up to three range markers (blue, red,
// white) are drawn along the track. A disabled slider ignores the mouse but
// still paints. UI thread only.

#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/SliderElementProperties.h"

class BitmapButtonElement;

class SliderElement : public ContainerElement {
public:
    static constexpr DWORD kThumbStyle = 0x40000000; // WS_CHILD, never visible
    static constexpr INT kMarkerCount = 3;

    SliderElement() = default;
    ~SliderElement() override;

    // Id 5 (orientation) is fixed; 6 and 7 lay the slider out again; 8
    // moves the thumb (clamped) while the list keeps the caller's value.
    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed) override;
    void Enable(bool enable) override;
    void Redraw() override;
    // The track (background and frame), then the range markers.
    void Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin) override;
    // Moves the thumb to the value under `to` and sends SB_THUMBTRACK.
    void DragBy(const CGfxPoint& from, const CGfxPoint& to) override;
    bool CreateWindow() override;
    ElementProperties* CreatePropertyList() override;
    void OnCreated() override;
    bool OnMouseMove(UINT flags, const CGfxPoint& point, INT direct) override;
    bool OnButtonUp(UINT flags, const CGfxPoint& point, INT direct) override;
    bool OnButtonDown(UINT flags, const CGfxPoint& point, INT direct) override;
    // The thumb only; the track is painted with the background.
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;

    // The track (its size becomes the slider's) and the thumb's four
    // images from the current resource module. False when either cannot
    // be loaded.
    bool SetBitmaps(UINT track, UINT thumbUp, UINT thumbDown, UINT thumbFocus, UINT thumbDisabled,
                    const CColor* trackColour, const CColor* upColour, const CColor* downColour,
                    const CColor* focusColour, const CColor* disabledColour);
    // Marker `index` (0 to 2) between two values; (0, 0) removes it.
    void SetRangeMarker(INT index, LONG from, LONG to);

    BitmapButtonElement* GetThumb() const { return m_pThumb; }
    double GetPixelsPerUnit() const { return m_dPixelsPerUnit; }
    const CGfxRect& GetThumbHome() const { return m_rcThumbHome; }
    bool IsDragging() const { return m_bDragging; }
    bool IsEnabled() const { return m_bEnabled; }
    const CGfxPoint& GetMarkerStart(INT index) const { return m_ptMarkerStart[index]; }
    const CGfxPoint& GetMarkerEnd(INT index) const { return m_ptMarkerEnd[index]; }
    bool IsVertical() const { return m_nOrientation != 0; }

private:
    void Layout();
    void SetPosition(LONG value);
    LONG Clamp(LONG value) const;
    LONG ValueAt(const CGfxPoint& point) const;
    // The value under `point`, shown, and told to the parent with `code`.
    void MoveToPoint(const CGfxPoint& point, WORD code);
    void Notify(WORD code);
    bool IsOnThumb(const CGfxPoint& point);
    LONG Along(const CGfxPoint& point) const { return IsVertical() ? point.y : point.x; }
    LONG ReadLong(INT id);
    void PaintThumb(CDrawContext* context);

    BitmapButtonElement* m_pThumb = nullptr;
    INT m_nOrientation = 0;
    bool m_bEnabled = true;
    CGfxPoint m_ptLastDrag;
    double m_dPixelsPerUnit = 0.0;
    LONG m_nMaximum = 0;
    LONG m_nMinimum = 0;
    LONG m_nHalfThumb = 0;
    CGfxRect m_rcThumbHome;
    bool m_bDragging = false;
    LONG m_nDragOffset = 0;
    CGfxPoint m_ptMarkerStart[kMarkerCount];
    CGfxPoint m_ptMarkerEnd[kMarkerCount];
};
