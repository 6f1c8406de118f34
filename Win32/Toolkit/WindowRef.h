#pragma once
// A reference to a window and to the element that owns it (none for a
// plain window). Elements never share references: each keeps its own
// clones and deletes them.
//
// The reference remembers the window handle it was made for. It is dead
// when it has no window object, the object had no handle, or that window
// has been destroyed since; GetWnd then answers null. For a live window,
// GetWnd answers the window's permanent object, or a temporary one of the
// thread when the window has none (valid until the thread's next idle), so
// a reference made from a temporary object never hands out a freed one.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/Forward.h"

class WindowRefBase {
public:
    virtual ~WindowRefBase() = default;
    virtual bool IsDead() const = 0;
    // A new reference to the same window and element; the caller owns it.
    virtual WindowRefBase* Clone() const = 0;
    virtual CWnd* GetWnd() const = 0;
    virtual PanelElement* GetElement() const = 0;
};

class WindowRef : public WindowRefBase {
public:
    explicit WindowRef(CWnd* window, PanelElement* element = nullptr);
    // A reference to a window known only by its handle.
    explicit WindowRef(HWND window, PanelElement* element = nullptr);

    bool IsDead() const override;
    WindowRef* Clone() const override;
    CWnd* GetWnd() const override;
    PanelElement* GetElement() const override { return m_pElement; }
    // The window handle, or null when the reference is dead.
    HWND GetHwnd() const { return IsDead() ? nullptr : m_hWnd; }

private:
    CWnd* m_pWnd;
    PanelElement* m_pElement;
    HWND m_hWnd;
};

// The live window handle of a reference that may be null or dead.
HWND HwndOf(const WindowRefBase* reference);
