#pragma once
// The windowless UI element: an object configured entirely through a
// numbered property list (ElementProperties), created from that list in one
// call, and bound to one real window by its subclasses (WindowElement).
// The element owns its standard properties, geometry, colours, background
// bitmap, frame painter, font and timer.
//
// Virtual operations keep their slot order: other parts of the program name
// them by position (the second is GetProperty, the fifth HitTest), and the
// container and the control-panel base append theirs after these fifty.
// Operations that need a window do nothing here (they answer 0, null or
// false); WindowElement gives them their window.
//
// Rectangles are inclusive; bounds are in the parent's client coordinates,
// and the local rectangle is (0, 0, width - 1, height - 1). Every hand-over
// to Win32 adds one to right and bottom. Failures are return values only:
// no operation shows a message or throws. UI thread only.

#include <memory>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Win32/Imaging/Color.h"
#include "Win32/Toolkit/ElementProperties.h"
#include "Win32/Toolkit/Forward.h"
#include "Win32/Utils/GfxTypes.h"

class CDrawContext;
class CGdiBitmap;
class CGdiFont;
class CResourceLoader;
class CTaggedValue;
class CWindowTimer;
class ElementMessage;
class FramePainter;
class WindowRefBase;

// An entry of an element's extension lists; each class level adds one.
class ElementExtension {
public:
    virtual ~ElementExtension() = default;
};

class PanelElement {
public:
    // Element kinds (GetKind).
    static constexpr INT kPlainKind = -1;
    static constexpr INT kContainerKind = 0;
    static constexpr INT kButtonKind = 3;
    static constexpr INT kAnimateButtonKind = 4;
    static constexpr INT kBitmapButtonKind = 5;

    // Background modes.
    static constexpr INT kNoBackground = 0;
    static constexpr INT kNaturalBackground = 1;
    static constexpr INT kFittedBackground = 2;

    // SetProperty answers beside 0.
    static constexpr INT kFixedAfterCreation = -18;
    static constexpr INT kNoSuchProperty = -19;

    PanelElement();
    PanelElement(const PanelElement&) = delete;
    PanelElement& operator=(const PanelElement&) = delete;

    // 1. Resets the element.
    virtual ~PanelElement();
    // 2. The value of property `id` in the element's list, or null.
    virtual CTaggedValue* GetProperty(INT id);
    // 3. Updates the member of a known id, then the list; the list's answer
    // (0, or ElementProperties::kWrongKind for a value of another kind),
    // kFixedAfterCreation for -1, -3, -4, -5, -11, kNoSuchProperty for an
    // id no level of the element knows. -7 changes the list only.
    virtual INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed);
    // 4. Whether the reference names this element's window.
    virtual bool IsOwnWindow(const WindowRefBase* reference) = 0;
    // 5. True when left <= x <= right and top <= y <= bottom of the bounds.
    virtual bool HitTest(const CGfxPoint& point);
    // 6-9.
    virtual void Show(bool show);
    // A new reference (the caller's) to the window active before, or null.
    virtual WindowRefBase* Activate();
    virtual void Enable(bool enable);
    // A new reference (the caller's) to the window that had the focus.
    virtual WindowRefBase* SetFocus();
    // 10-11. The mouse came over the element, or left it, in a container.
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();
    // 12-13. One kept context over the window's DC at a time: a second call
    // releases the first. Null without a window.
    virtual CDrawContext* GetDrawContext();
    virtual void ReleaseDrawContext(CDrawContext* context);
    // 14-17.
    virtual void Invalidate(const CGfxRect* rect, BOOL erase);
    virtual void Validate(const CGfxRect* rect);
    virtual bool GetUpdateRect(CGfxRect& out, BOOL erase);
    virtual void Redraw();
    // 18. Background bitmap (SRCCOPY from `origin`) or colour into
    // `target`, then the frame painter into the frame rectangle.
    virtual void Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin);
    // 19-21. Hooks of the host window; all answer false here.
    virtual bool OnPanelMessage(ElementMessage* message, LRESULT* result);
    virtual bool OnCommand(UINT id, UINT code, void* extra);
    virtual bool OnUpdateCommandUI(UINT id, CCmdUI* commandUI);
    // 22. Sends the message's id and parameters to this element's window.
    virtual LRESULT SendMessage(const ElementMessage& message);
    // 23-24. Replaces the background (the old one goes first). Fit: a copy
    // of the bitmap cropped or padded to the bounds (mode 2, the loaded
    // size kept as natural size); otherwise the bitmap itself (mode 1),
    // after which the element takes its size. A null loader reads the
    // current resource module. False when the bitmap cannot be had.
    virtual bool SetBackgroundBitmap(UINT id, CResourceLoader* loader, const CColor* transparent, BOOL fit);
    virtual bool SetBackgroundBitmap(const CGfxString& name, CResourceLoader* loader, const CColor* transparent,
                                     BOOL fit);
    // 25-26. A new frame painter from a strip of the current resource
    // module (the loader is not used); the frame rectangle is local. False,
    // with no painter, when the strip cannot be loaded or cut into cells.
    virtual bool SetFramePainter(UINT id, CResourceLoader* unused, WORD cells, WORD edgeMask, const CGfxRect& frame,
                                 const CColor* transparent);
    virtual bool SetFramePainter(const CGfxString& name, CResourceLoader* unused, WORD cells, WORD edgeMask,
                                 const CGfxRect& frame, const CColor* transparent);
    // 27. In mode 1 with a bitmap, the bounds take the bitmap's size and
    // the window is resized; true without effect otherwise.
    virtual bool SizeToBackground();
    // 28. See WindowElement.
    virtual bool SetBounds(const CGfxRect& bounds, BOOL redraw);
    // 29-36. Window geometry; empty rectangles and (0, 0) without a window.
    virtual CGfxRect GetClientRect();
    virtual CGfxRect GetWindowRect();
    virtual CGfxRect MapRectTo(const WindowRefBase* target, const CGfxRect& rect);
    virtual CGfxPoint MapPointTo(const WindowRefBase* target, const CGfxPoint& point);
    virtual CGfxRect ClientToScreen(const CGfxRect& rect);
    virtual CGfxPoint ClientToScreen(const CGfxPoint& point);
    virtual CGfxRect ScreenToClient(const CGfxRect& rect);
    virtual CGfxPoint ScreenToClient(const CGfxPoint& point);
    // 37. Only while -12 or -13 is non-zero: new bounds and -7, and the
    // window moved there.
    virtual void MoveTo(const CGfxRect& bounds, BOOL repaint);
    // 38-39. Dragging: nothing here; true.
    virtual void DragBy(const CGfxPoint& from, const CGfxPoint& to);
    virtual bool OnChildMoved(PanelElement* child);
    // 40-41.
    virtual HCURSOR SetCursor(HCURSOR cursor);
    virtual int MessageBox(const CGfxString& text, const CGfxString& caption, UINT type);
    // 42. A copy of the font becomes the element's (nothing changes when
    // its LOGFONT cannot be read), WM_SETFONT tells the window.
    virtual void SetFont(CGdiFont* font, const CRGBColor& textColour, BOOL redraw);
    // 43. The element's font; without one, a bold 16-pixel "Arial" made
    // once and kept.
    virtual CGdiFont* GetFont();
    // 44-45. SetTimer stops a running timer, keeps id and elapse, and with
    // `start` arms a timer on the window.
    virtual bool SetTimer(WORD id, WORD elapse, BOOL start);
    virtual void KillTimer();
    // 46. Each concrete element makes its window here.
    virtual bool CreateWindow() = 0;
    // 47. Makes an existing dialog control the element's window; needs a
    // property list given beforehand (SetPropertyList).
    virtual bool AttachToDialogItem(const WindowRefBase* dialog, INT id);
    // 48-50.
    virtual ElementProperties* CreatePropertyList();
    virtual void OnCreated();
    virtual INT GetKind();

    // Copies the list, reads the standard properties, makes the window;
    // then OnCreated and GetFont. 1, or 0 with the element reset.
    INT Create(const CPropertyList& properties);
    // Gives the element a list of its own kind holding `properties`' items
    // (for AttachToDialogItem). FALSE when the list cannot be made.
    BOOL SetPropertyList(const CPropertyList& properties);
    // True when the element's window reference exists and is live.
    bool HasWindow() const;
    bool IsSameKind(PanelElement* other);
    CGfxRect GetLocalRect() const;
    const CRGBColor& GetBackgroundColour() const { return m_crBackground; }

    WindowRefBase* GetWindowRef() const { return m_pWindowRef.get(); }
    WindowRefBase* GetParentRef() const { return m_pParent.get(); }
    WindowRefBase* GetOwnerRef() const { return m_pOwner.get(); }
    // The element owning the parent window, or null.
    PanelElement* GetParentElement() const;
    const CGfxRect& GetBounds() const { return m_rcBounds; }
    const CGfxString& GetText() const { return m_strText; }
    INT GetControlId() const { return m_nControlId; }
    DWORD GetStyle() const { return m_dwStyle; }
    INT GetDragFlag() const { return m_nDrag; }
    INT GetFixedFlag() const { return m_nFixed; }
    INT GetAutoStart() const { return m_nAutoStart; }
    CGdiBitmap* GetBackgroundBitmap() const { return m_pBackground.get(); }
    INT GetBackgroundMode() const { return m_nBackgroundMode; }
    const CGfxSize& GetNaturalSize() const { return m_sizeNatural; }
    FramePainter* GetFramePainter() const { return m_pFramePainter.get(); }
    const CGfxRect& GetFrameRect() const { return m_rcFrame; }
    const CRGBColor& GetTextColourMember() const { return m_crText; }
    CWindowTimer* GetTimer() const { return m_pTimer.get(); }
    bool IsTimerRunning() const;
    WORD GetTimerId() const { return m_nTimerId; }
    WORD GetTimerElapse() const { return m_nTimerElapse; }
    ElementProperties* GetPropertyList() const { return m_pProperties.get(); }
    size_t GetExtensionCount() const { return m_extensions1.size(); }

protected:
    // Empties the element: what Create's failure and the destructor do.
    void Reset();
    // Stops and deletes the element's own timer.
    void KillOwnTimer();
    // Sets a value in the element's list, refusing other kinds.
    INT SetListValue(INT id, const CTaggedValue& value, BOOL* changed = nullptr);
    // Bounds and property -7 together.
    void StoreBounds(const CGfxRect& bounds);
    // The window handle behind the element's own reference, or null.
    HWND OwnHwnd() const;
    // Makes the frame painter; shared by both SetFramePainter forms.
    template <typename Key>
    bool MakeFramePainter(const Key& key, WORD cells, WORD edgeMask, const CGfxRect& frame, const CColor* transparent);
    template <typename Key>
    bool LoadBackground(const Key& key, CResourceLoader* loader, const CColor* transparent, BOOL fit);
    // Scales the frame rectangle from the old bounds to `bounds`.
    void ScaleFrame(const CGfxRect& bounds);

    std::unique_ptr<WindowRefBase> m_pWindowRef;
    std::unique_ptr<ElementProperties> m_pProperties;
    CGfxString m_strClassName;
    CGfxString m_strText;
    INT m_nReserved1 = 0;
    INT m_nControlId = 0;
    INT m_nReserved2 = 0;
    DWORD m_dwStyle = 0;
    CGfxRect m_rcBounds;
    std::unique_ptr<WindowRefBase> m_pParent;
    std::unique_ptr<WindowRefBase> m_pOwner;
    CRGBColor m_crBackground{255, 255, 255};
    std::unique_ptr<CGdiBitmap> m_pBackground;
    INT m_nBackgroundMode = kNoBackground;
    std::unique_ptr<FramePainter> m_pFramePainter;
    CGfxRect m_rcFrame;
    CGfxSize m_sizeNatural;
    std::unique_ptr<CWindowTimer> m_pTimer;
    WORD m_nTimerId = 0;
    WORD m_nTimerElapse = 0;
    std::unique_ptr<CGdiFont> m_pFont;
    CRGBColor m_crText{0, 0, 0};
    INT m_nAutoStart = 0;
    INT m_nReserved3 = 0;
    INT m_nDrag = 0;
    INT m_nFixed = 1;
    std::vector<std::unique_ptr<ElementExtension>> m_extensions1;
    std::vector<std::unique_ptr<ElementExtension>> m_extensions2;

private:
    bool ReadStandardProperties();
};

// The value to put under -8 or -9: a pointer to the reference, which the
// element clones (the caller keeps its own).
CTaggedValue WindowRefValue(WindowRefBase* reference);
