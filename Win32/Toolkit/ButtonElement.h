#pragma once
// The owner-drawn button element: its window is a Win32 button with
// BS_OWNERDRAW whose MFC class ("OwnerDrawButton" and its siblings) hands
// its mouse, timer, paint, erase and capture messages and its DrawItem to
// the element. The element paints one image (through its transparency
// mask over the parent's background) and a caption that shrinks its font
// until it fits.
//
// Tracking: the button holds the mouse capture from the moment the mouse
// comes over it until it leaves, the capture goes elsewhere, or the element
// is reset. A held auto-repeat button sends its parent WM_COMMAND (its id,
// code 0) on every tick of timer 101 while the primary button is down;
// the click itself is the button's BN_CLICKED. A button with -12 set and
// -13 clear follows the mouse while dragged, keeping the grab point under
// the pointer. UI thread only.

#include <memory>

#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/WindowElement.h"

class CButton;

class ButtonElement : public WindowElement {
public:
    static constexpr WORD kRepeatTimer = 101;
    // SelectImage states.
    static constexpr INT kUpImage = 1;
    static constexpr INT kDownImage = 2;
    static constexpr INT kFocusImage = 3;
    static constexpr INT kDisabledImage = 4;

    ButtonElement();
    ~ButtonElement() override;

    // Id 2 stores the button's BST_FOCUS bit before answering.
    CTaggedValue* GetProperty(INT id) override;
    // Ids 1 to 6 act on the button; id 0 (the caption) is fixed at
    // creation; -6 also restyles the window.
    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed) override;
    // The bounds, then an opaque pixel of the current image.
    bool HitTest(const CGfxPoint& point) override;
    void Redraw() override;
    void Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin) override;
    // The bounds take the current image's size; false without an image.
    bool SizeToBackground() override;
    void DragBy(const CGfxPoint& from, const CGfxPoint& to) override;
    bool CreateWindow() override;
    ElementProperties* CreatePropertyList() override;
    void OnCreated() override;
    INT GetKind() override;

    // Appended operations, in slot order.
    // Replaces the base image: the bitmap of the current resource module
    // fitted to the button (fit), only `source` of it, or all of it. False,
    // with no image, when it cannot be loaded.
    virtual bool SetImage(UINT id, const CColor* transparent, BOOL fit, const CGfxRect* source);
    virtual bool SetImage(const CGfxString& name, const CColor* transparent, BOOL fit, const CGfxRect* source);
    // Filtered rendering waits for the imaging library's filter chain: true
    // without an image, false with one.
    virtual bool RenderImageFiltered(INT state, const CGfxRect& target, const void* effect);
    virtual void Reserved1();
    virtual void Reserved2();
    virtual void SelectImage(INT state);
    virtual void OnTrackStart(const CGfxPoint& point, UINT flags);
    virtual void OnTrackMove(const CGfxPoint& point, UINT flags);
    virtual void OnTrackEnd(const CGfxPoint& point, UINT flags);
    virtual void DrawButton(CDrawContext* context, const CGfxRect& rect, UINT itemState);
    virtual bool OnWindowMouseMove(UINT flags, const CGfxPoint& point, INT direct);
    virtual bool OnWindowButtonDown(UINT flags, const CGfxPoint& point, INT direct);
    virtual bool OnWindowTimer(UINT_PTR id);
    virtual bool OnWindowPaint(CDrawContext* context, const CGfxRect& clip);
    virtual bool OnWindowEraseBackground(CDrawContext* context, const CGfxRect& clip);
    virtual bool OnCaptureLost();
    virtual void GetTextColour(CRGBColor& out);

    CGdiBitmap* GetImage() const { return m_pImage.get(); }
    CGdiBitmap* GetCurrentImage() const { return m_pCurrent; }
    bool IsChecked() const { return m_bChecked; }
    bool IsTracking() const { return m_bTracking; }
    const CGfxPoint& GetHoverPoint() const { return m_ptHover; }
    bool IsTwoState();

protected:
    // Makes `window` (with its element pointer set) the button's window.
    bool CreateButtonWindow(CButton* window);
    // Clears the window's element pointer, then lets the window go.
    void DisconnectWindow();
    // Draws the caption into `rect`, shrinking the font until it fits.
    void DrawCaption(CDrawContext* context, const CGfxRect& rect);
    template <typename Key>
    bool LoadImage(const Key& key, const CColor* transparent, BOOL fit, const CGfxRect* source);
    void StartTracking(const CGfxPoint& point, UINT flags);
    void StopTracking(const CGfxPoint& point, UINT flags);
    // Tells the button window which image it shows.
    void ShowImageInWindow(CGdiBitmap* image);
    LONG ReadListLong(INT id);

    std::unique_ptr<CGdiBitmap> m_pImage;
    CGdiBitmap* m_pCurrent = nullptr;
    CGfxPoint m_ptHover;
    bool m_bChecked = false;
    bool m_bTracking = false;
    bool m_bAutoRepeat = false;
    WORD m_nRepeatInterval = 100;
};
