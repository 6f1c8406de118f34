#pragma once
// What the sources of the common-control room share: the window procedures
// it registers, WM_NOTIFY to the parent, and window subclassing for the
// controls that watch another window (an up-down's buddy, a tool tip's
// tools).

#include <map>
#include <mutex>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Platform/Win/Controls/ControlBuilding.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/User/Extensions.h"

namespace win::commctrl {

using controls::ClientRect;
using controls::FillSysColor;
using controls::FillWith;
using controls::FreeState;
using controls::MakeState;
using controls::NotifyTarget;
using controls::PaintWith;
using controls::StateOf;
using controls::WindowText;

LRESULT CALLBACK ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TrackBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UpDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TabControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ToolTipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ToolBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void EnsureRegistered();

// WM_NOTIFY with `header` (its hwndFrom, idFrom and code filled in here) to
// the control's parent; the parent's answer.
LRESULT SendNotify(HWND control, UINT code, NMHDR* header);
inline LRESULT SendNotify(HWND control, UINT code)
{
    NMHDR header{};
    return SendNotify(control, code, &header);
}

// One window's procedure replaced by `proc` on behalf of `owner`; the
// replacing procedure hands on what it does not take with CallOriginal.
// A window has at most one such subclass per `kind`.
class Subclasses {
public:
    explicit Subclasses(WNDPROC proc) : m_proc(proc) {}
    void Attach(HWND window, HWND owner);
    void Detach(HWND window);
    // The owner of a subclassed window; null when it is not subclassed.
    HWND OwnerOf(HWND window);
    LRESULT CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Entry {
        WNDPROC original;
        HWND owner;
    };
    WNDPROC m_proc;
    std::mutex m_lock;
    std::map<HWND, Entry> m_entries;
};

// The text height of the control's font.
int LineHeight(HWND window, HFONT font);

} // namespace win::commctrl
