#pragma once
// The host window of a container element (run-time class "WinPanel"): it
// hands every message to its element first (OnPanelMessage; a handled
// message is answered 0), turns mouse, paint, erase, cursor and tool-tip
// messages into element operations, and routes commands that reach it
// (WM_COMMAND from its child buttons, CCmdUI updates) to the element's
// DispatchCommand. A panel with tool tips takes their strings from its
// tool-tip module: the string whose id is the control id of the child
// under the mouse, cut to 79 characters.
//
// The element clears its pointer before the window goes, so no message of
// a window being destroyed reaches an element being destroyed.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/Forward.h"

class WinPanel : public CWnd {
    DECLARE_DYNCREATE(WinPanel)
public:
    WinPanel() = default;
    ~WinPanel() override;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    ContainerElement* m_pElement = nullptr;
    HINSTANCE m_hToolTipModule = nullptr;

protected:
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg BOOL OnToolTipText(UINT id, NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    // Button presses and releases: the element, then a hovered container.
    enum class Button { Up, Down };
    void OnButton(Button button, UINT flags, CPoint point);
};
