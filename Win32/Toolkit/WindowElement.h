#pragma once
// The element bound to a real window (an MFC CWnd): every operation of
// PanelElement that needs a window is answered here, except the making of
// the window, which each concrete element supplies (the container its host
// window, the buttons their owner-drawn buttons). Operations that touch the
// window do nothing, or answer their failure value, once the window is gone.
//
// The element owns its window object when it made it or took over a dialog
// control (AttachToDialogItem); destroying the element destroys the window,
// or only lets go of a dialog's control. UI thread only.

#include "Win32/Toolkit/PanelElement.h"

class WindowElement : public PanelElement {
public:
    WindowElement() = default;
    ~WindowElement() override;

    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed) override;
    bool IsOwnWindow(const WindowRefBase* reference) override;
    void Show(bool show) override;
    WindowRefBase* Activate() override;
    void Enable(bool enable) override;
    WindowRefBase* SetFocus() override;
    CDrawContext* GetDrawContext() override;
    void ReleaseDrawContext(CDrawContext* context) override;
    void Invalidate(const CGfxRect* rect, BOOL erase) override;
    void Validate(const CGfxRect* rect) override;
    bool GetUpdateRect(CGfxRect& out, BOOL erase) override;
    LRESULT SendMessage(const ElementMessage& message) override;
    bool SizeToBackground() override;
    // Without a window: true, nothing happens. The frame rectangle is
    // scaled with the bounds; without a background nothing more happens
    // (true). Otherwise the window moves to the new place and takes its
    // size, the background is refitted (mode 2) or stretched (mode 1), and
    // the bounds and -7 take the rectangle. False when the window refuses
    // or the new background cannot be made.
    bool SetBounds(const CGfxRect& bounds, BOOL redraw) override;
    CGfxRect GetClientRect() override;
    CGfxRect GetWindowRect() override;
    CGfxRect MapRectTo(const WindowRefBase* target, const CGfxRect& rect) override;
    CGfxPoint MapPointTo(const WindowRefBase* target, const CGfxPoint& point) override;
    CGfxRect ClientToScreen(const CGfxRect& rect) override;
    CGfxPoint ClientToScreen(const CGfxPoint& point) override;
    CGfxRect ScreenToClient(const CGfxRect& rect) override;
    CGfxPoint ScreenToClient(const CGfxPoint& point) override;
    void MoveTo(const CGfxRect& bounds, BOOL repaint) override;
    HCURSOR SetCursor(HCURSOR cursor) override;
    int MessageBox(const CGfxString& text, const CGfxString& caption, UINT type) override;
    bool SetTimer(WORD id, WORD elapse, BOOL start) override;
    // The control's text, id, style and rectangle (in its parent's client
    // coordinates) become the element's and its list's; the parent and the
    // owner (the parent when it has none) become -8 and -9.
    bool AttachToDialogItem(const WindowRefBase* dialog, INT id) override;

    // The window handle, or null without a live window.
    HWND GetHwnd() const;
    CWnd* GetWnd() const { return m_pWnd; }
    bool OwnsWindow() const { return m_bOwnsWindow; }
    CDrawContext* GetKeptDrawContext() const { return m_pDrawContext; }

protected:
    // Takes a window object the element made; it becomes the element's
    // window and reference.
    void AdoptWindow(CWnd* window);
    // Deletes (or, for a dialog's control, lets go of) the window object.
    void ReleaseWindow();

    CWnd* m_pWnd = nullptr;
    bool m_bOwnsWindow = false;
    CDrawContext* m_pDrawContext = nullptr;
    bool m_bAttached = false;

private:
    HDC m_hKeptDc = nullptr;
    HWND m_hKeptDcWindow = nullptr;
};
