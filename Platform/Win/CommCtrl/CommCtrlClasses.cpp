// The common-control classes, registered when the runtime is loaded, and
// the pieces their procedures share.

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

struct ClassEntry {
    const char* name;
    WNDPROC proc;
    UINT style;
    int background = 0; // a system colour + 1; 0 for none
};

const ClassEntry kClasses[] = {
    {WC_LISTVIEWA, ListViewProc, CS_DBLCLKS},
    {TRACKBAR_CLASSA, TrackBarProc, CS_HREDRAW | CS_VREDRAW},
    {UPDOWN_CLASSA, UpDownProc, CS_HREDRAW | CS_VREDRAW},
    {WC_TABCONTROLA, TabControlProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW},
    {TOOLTIPS_CLASSA, ToolTipProc, CS_SAVEBITS},
    {TOOLBARCLASSNAMEA, ToolBarProc, CS_DBLCLKS, COLOR_3DFACE + 1},
};

void Register()
{
    controls::EnsureRegistered();
    for (const ClassEntry& entry : kClasses) {
        WNDCLASSA wc{};
        wc.style = entry.style | CS_GLOBALCLASS;
        wc.lpfnWndProc = entry.proc;
        wc.cbWndExtra = controls::kControlExtraBytes;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = entry.background ? GetSysColorBrush(entry.background - 1) : nullptr;
        wc.lpszClassName = entry.name;
        RegisterClassA(&wc);
    }
}

const struct Registrar {
    Registrar() { EnsureRegistered(); }
} g_registrar;

} // namespace

void EnsureRegistered()
{
    static std::once_flag once;
    std::call_once(once, Register);
}

LRESULT SendNotify(HWND control, UINT code, NMHDR* header)
{
    header->hwndFrom = control;
    header->idFrom = static_cast<UINT_PTR>(GetWindowLongPtrA(control, GWLP_ID));
    header->code = code;
    HWND target = NotifyTarget(control);
    if (!target)
        return 0;
    return SendMessageA(target, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void Subclasses::Attach(HWND window, HWND owner)
{
    if (!IsWindow(window))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_entries.find(window);
    if (it != m_entries.end()) {
        it->second.owner = owner;
        return;
    }
    auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    m_entries[window] = Entry{original, owner};
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_proc));
}

void Subclasses::Detach(HWND window)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_entries.find(window);
    if (it == m_entries.end())
        return;
    // Another subclass laid over ours keeps the chain: ours stays in it,
    // passing everything on.
    if (IsWindow(window) && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != m_proc) {
        it->second.owner = nullptr;
        return;
    }
    if (IsWindow(window))
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
    m_entries.erase(it);
}

HWND Subclasses::OwnerOf(HWND window)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_entries.find(window);
    return it == m_entries.end() ? nullptr : it->second.owner;
}

LRESULT Subclasses::CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_entries.find(window);
        if (it != m_entries.end())
            original = it->second.original;
    }
    if (!original)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(original, window, message, wParam, lParam);
}

int LineHeight(HWND window, HFONT font)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font ? font : controls::DefaultControlFont());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmHeight > 0 ? metrics.tmHeight : 13;
}

} // namespace win::commctrl

void InitCommonControls() { win::commctrl::EnsureRegistered(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init)
{
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    win::commctrl::EnsureRegistered();
    return TRUE;
}
