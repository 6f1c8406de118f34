// The room's classes and frame extension, registered when the runtime is
// loaded, and the helpers its controls share.

#include <mutex>

#include "Platform/Win/Controls/Private/ControlsInternal.h"

namespace win::controls {

namespace {

struct ClassSpec {
    const char* name;
    WNDPROC proc;
    UINT style;
    int extraBytes;
    LPCSTR cursor;
};

LRESULT CALLBACK DialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcA(window, message, wParam, lParam);
}

const ClassSpec kClasses[] = {
    {"Button", ButtonProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, kControlExtraBytes, IDC_ARROW},
    {"Static", StaticProc, CS_DBLCLKS, kControlExtraBytes, IDC_ARROW},
    {"Edit", EditProc, CS_DBLCLKS, kControlExtraBytes, IDC_IBEAM},
    {"ListBox", ListBoxProc, CS_DBLCLKS, kControlExtraBytes, IDC_ARROW},
    {kComboListClass, ListBoxProc, CS_DBLCLKS | CS_SAVEBITS, kControlExtraBytes, IDC_ARROW},
    {"ComboBox", ComboBoxProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, kControlExtraBytes, IDC_ARROW},
    {"ScrollBar", ScrollBarProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, kControlExtraBytes, IDC_ARROW},
    {kDialogClass, DialogClassProc, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA, IDC_ARROW},
    {kMenuClass, MenuPopupProc, CS_DBLCLKS | CS_SAVEBITS | CS_DROPSHADOW, kControlExtraBytes, IDC_ARROW},
};

void WindowGone(HWND window)
{
    ScrollWindowDestroyed(window);
    MenuWindowDestroyed(window);
}

bool NonClientButtonDown(HWND window, LRESULT hit, POINT screen)
{
    if (hit == HTVSCROLL || hit == HTHSCROLL)
        return TrackWindowScrollBar(window, hit, screen);
    return MenuBarButtonDown(window, hit, screen);
}

FrameExtension MakeFrameExtension()
{
    FrameExtension frame;
    frame.paintMenuBar = PaintMenuBar;
    frame.paintScrollBars = PaintWindowScrollBars;
    frame.nonClientButtonDown = NonClientButtonDown;
    frame.menuCommand = MenuCommand;
    frame.windowDestroyed = WindowGone;
    return frame;
}

const FrameExtension g_frame = MakeFrameExtension();

void Register()
{
    for (const ClassSpec& spec : kClasses) {
        WNDCLASSA wc{};
        wc.style = spec.style | CS_GLOBALCLASS;
        wc.lpfnWndProc = spec.proc;
        wc.cbWndExtra = spec.extraBytes;
        wc.hCursor = LoadCursorA(nullptr, spec.cursor);
        wc.lpszClassName = spec.name;
        RegisterClassA(&wc);
    }
    user::SetFrameExtension(&g_frame);
}

// The runtime registers the classes as it loads, before any window exists.
const struct Registrar {
    Registrar() { EnsureRegistered(); }
} g_registrar;

} // namespace

void EnsureRegistered()
{
    static std::once_flag once;
    std::call_once(once, Register);
}

HWND NotifyTarget(HWND control)
{
    if (GetWindowLongA(control, GWL_STYLE) & WS_CHILD)
        return GetParent(control);
    return GetWindow(control, GW_OWNER);
}

void NotifyParent(HWND control, WORD code)
{
    if (HWND parent = NotifyTarget(control))
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetWindowLongPtrA(control, GWLP_ID)), code),
                     reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlBrush(HWND control, HDC dc, UINT message)
{
    HWND parent = NotifyTarget(control);
    LRESULT answer = parent ? SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control))
                            : DefWindowProcA(control, message, reinterpret_cast<WPARAM>(dc),
                                             reinterpret_cast<LPARAM>(control));
    if (!answer && parent)
        answer = DefWindowProcA(control, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    return reinterpret_cast<HBRUSH>(answer);
}

void FillWith(HDC dc, const RECT& rect, HBRUSH brush)
{
    if (brush && brush != GetStockObject(NULL_BRUSH))
        FillRect(dc, &rect, brush);
}

HFONT DefaultControlFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

char Mnemonic(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        char c = text[i + 1];
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return 0;
}

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

RECT ClientRect(HWND window)
{
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

void FillSysColor(HDC dc, const RECT& rect, int color) { FillRect(dc, &rect, GetSysColorBrush(color)); }

void Frame3d(HDC dc, const RECT& r, int light, int dark)
{
    FillSysColor(dc, RECT{r.left, r.top, r.right, r.top + 1}, light);
    FillSysColor(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, light);
    FillSysColor(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
    FillSysColor(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, dark);
}

void DrawControlText(HDC dc, const std::string& text, RECT rect, UINT format, bool disabled)
{
    if (text.empty())
        return;
    if (!disabled) {
        DrawTextA(dc, text.c_str(), -1, &rect, format);
        return;
    }
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF color = GetTextColor(dc);
    RECT shifted = rect;
    OffsetRect(&shifted, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextA(dc, text.c_str(), -1, &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    DrawTextA(dc, text.c_str(), -1, &rect, format);
    SetTextColor(dc, color);
    SetBkMode(dc, mode);
}

void DrawArrow(HDC dc, const RECT& box, int direction, bool enabled)
{
    const LONG size = std::max<LONG>(2, std::min(box.right - box.left, box.bottom - box.top) / 4);
    const LONG cx = (box.left + box.right) / 2;
    const LONG cy = (box.top + box.bottom) / 2;
    auto line = [&](LONG x0, LONG y0, LONG x1, LONG y1, int color) {
        RECT r{x0, y0, x1, y1};
        FillSysColor(dc, r, color);
    };
    auto draw = [&](LONG dx, LONG dy, int color) {
        for (LONG i = 0; i < size; ++i) {
            switch (direction) {
            case 0:
                line(cx - i + dx, cy - size / 2 + i + dy, cx + i + 1 + dx, cy - size / 2 + i + 1 + dy, color);
                break;
            case 1:
                line(cx - i + dx, cy + size / 2 - i + dy, cx + i + 1 + dx, cy + size / 2 - i + 1 + dy, color);
                break;
            case 2:
                line(cx - size / 2 + i + dx, cy - i + dy, cx - size / 2 + i + 1 + dx, cy + i + 1 + dy, color);
                break;
            default:
                line(cx + size / 2 - i + dx, cy - i + dy, cx + size / 2 - i + 1 + dx, cy + i + 1 + dy, color);
                break;
            }
        }
    };
    if (enabled) {
        draw(0, 0, COLOR_BTNTEXT);
    } else {
        draw(1, 1, COLOR_3DHILIGHT);
        draw(0, 0, COLOR_3DSHADOW);
    }
}

} // namespace win::controls
