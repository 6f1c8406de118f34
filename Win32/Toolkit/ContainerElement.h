#pragma once
// The element that owns a host window of its own (WinPanel) and hosts child
// elements in it: every control panel, tool bar, button strip and slider is
// one. The children are a keyed list (by control id) that the container
// owns; destroying the container deletes them before its window goes.
//
// Hover tracking: each mouse move or cursor query hit-tests the children in
// list order; the child under the point gets OnMouseEnter (on every move
// over it), the child hovered before gets OnMouseLeave once when the mouse
// leaves it for another child or for no child. UI thread only.

#include "Win32/Toolkit/KeyedList.h"
#include "Win32/Toolkit/WindowElement.h"

class WinPanel;

class ContainerElement : public WindowElement {
public:
    ContainerElement() = default;
    ~ContainerElement() override;

    // Itself, then every child in list order.
    void Redraw() override;
    // Its own timer, then every child's.
    void KillTimer() override;
    // A WinPanel of class -1 (the framework's default child class when it
    // is empty), text -2, style -6, the bounds, parent -8 and id -3.
    bool CreateWindow() override;
    INT GetKind() override;

    // The six operations containers add, in this slot order. `direct` is 1
    // for a message of the element's own window, 0 for one its host passes
    // on to a hovered child container.
    virtual bool OnMouseMove(UINT flags, const CGfxPoint& point, INT direct);
    virtual bool OnButtonUp(UINT flags, const CGfxPoint& point, INT direct);
    virtual bool OnButtonDown(UINT flags, const CGfxPoint& point, INT direct);
    // True when the cursor is over a child.
    virtual bool OnSetCursor(const WindowRefBase* window, UINT hitTest, const CGfxPoint& point, UINT message);
    virtual bool OnPaint(CDrawContext* context, const CGfxRect& clip);
    // Paints the clip rectangle, its corner as the source origin.
    virtual bool OnEraseBackground(CDrawContext* context, const CGfxRect& clip);

    // CN_UPDATE_COMMAND_UI goes to OnUpdateCommandUI, CN_COMMAND to
    // OnCommand (with the id's low 16 bits); other codes answer false.
    bool DispatchCommand(UINT id, int code, void* extra);

    // Takes ownership of a child made with this container as -8 and -9.
    BOOL AddChild(PanelElement* child);
    CKeyedList& GetChildren() { return m_children; }
    // The child the last hover tracking found, or null.
    PanelElement* GetHoveredChild() const { return m_pHovered; }
    WinPanel* GetPanel() const;
    // Tool tips for the children, their strings read from `module`.
    BOOL EnableToolTips(HINSTANCE module);

protected:
    bool TrackHover(const CGfxPoint& point);
    // Deletes every child and forgets the hovered one.
    void DeleteChildren();

    CKeyedList m_children;

private:
    PanelElement* m_pHovered = nullptr;
};
