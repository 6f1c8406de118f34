// The message box: a dialog made in memory, laid out around its text in
// the dialog font, with a stock icon and the buttons its type names.

#include <algorithm>
#include <iterator>
#include <string>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/DialogState.h"

namespace win::controls {

namespace {

constexpr int kIconControl = 20;
constexpr int kTextControl = 0xFFFF;

struct ButtonSpec {
    int id;
    const char* text;
};

struct BoxType {
    int count;
    ButtonSpec buttons[3];
};

// MB_OK .. MB_RETRYCANCEL, left to right.
constexpr BoxType kTypes[] = {
    {1, {{IDOK, "OK"}, {0, nullptr}, {0, nullptr}}},
    {2, {{IDOK, "OK"}, {IDCANCEL, "Cancel"}, {0, nullptr}}},
    {3, {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}}},
    {3, {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}}},
    {2, {{IDYES, "&Yes"}, {IDNO, "&No"}, {0, nullptr}}},
    {2, {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}, {0, nullptr}}},
};

struct BoxIcon {
    UINT flag;
    LPCSTR icon;
};

const BoxIcon kIcons[] = {
    {MB_ICONHAND, IDI_HAND},
    {MB_ICONQUESTION, IDI_QUESTION},
    {MB_ICONEXCLAMATION, IDI_EXCLAMATION},
    {MB_ICONASTERISK, IDI_ASTERISK},
};

struct Box {
    std::string text;
    UINT type;
};

const BoxType& TypeOf(UINT type)
{
    const UINT kind = type & MB_TYPEMASK;
    return kind < std::size(kTypes) ? kTypes[kind] : kTypes[0];
}

bool HasButton(UINT type, int id)
{
    const BoxType& t = TypeOf(type);
    for (int i = 0; i < t.count; ++i)
        if (t.buttons[i].id == id)
            return true;
    return false;
}

LPCSTR IconOf(UINT type)
{
    for (const BoxIcon& icon : kIcons)
        if ((type & MB_ICONMASK) == icon.flag)
            return icon.icon;
    return nullptr;
}

RECT Units(HWND dialog, int x, int y, int cx, int cy)
{
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(dialog, &r);
    return r;
}

HWND Child(HWND dialog, const char* className, const char* text, DWORD style, int id, const RECT& r, HFONT font)
{
    HWND control = CreateWindowExA(WS_EX_NOPARENTNOTIFY, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
    if (control)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void Layout(HWND dialog, const Box& box)
{
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    const RECT margin = Units(dialog, 0, 0, 7, 7);
    const RECT button = Units(dialog, 0, 0, 50, 14);
    const RECT gap = Units(dialog, 0, 0, 4, 4);
    const LONG m = margin.right;
    const LPCSTR iconName = IconOf(box.type);
    const LONG iconSide = iconName ? GetSystemMetrics(SM_CXICON) : 0;

    RECT text{0, 0, GetSystemMetrics(SM_CXSCREEN) * 3 / 5, 0};
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextA(dc, box.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);

    const BoxType& type = TypeOf(box.type);
    const LONG buttonWidth = button.right - button.left;
    const LONG buttonHeight = button.bottom - button.top;
    const LONG buttonsWidth = type.count * buttonWidth + (type.count - 1) * gap.right;
    const LONG textLeft = m + (iconName ? iconSide + m : 0);
    const LONG contentHeight = std::max<LONG>(text.bottom, iconSide);
    const LONG clientWidth = std::max<LONG>(textLeft + text.right + m, buttonsWidth + 2 * m);
    const LONG clientHeight = m + contentHeight + m + buttonHeight + m;

    if (iconName) {
        HWND icon = Child(dialog, "Static", "", SS_ICON, kIconControl, RECT{m, m, m + iconSide, m + iconSide}, font);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, iconName)), 0);
    }
    const LONG textTop = m + (contentHeight - text.bottom) / 2;
    Child(dialog, "Static", box.text.c_str(), SS_LEFT | SS_NOPREFIX, kTextControl,
          RECT{textLeft, textTop, textLeft + text.right, textTop + text.bottom}, font);

    int defaultIndex = static_cast<int>((box.type & MB_DEFMASK) >> 8);
    if (defaultIndex >= type.count)
        defaultIndex = 0;
    LONG x = (clientWidth - buttonsWidth) / 2;
    const LONG y = clientHeight - m - buttonHeight;
    HWND defaultButton = nullptr;
    for (int i = 0; i < type.count; ++i) {
        const DWORD style = (i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | (i == 0 ? WS_GROUP : 0);
        HWND b = Child(dialog, "Button", type.buttons[i].text, style, type.buttons[i].id,
                       RECT{x, y, x + buttonWidth, y + buttonHeight}, font);
        if (i == defaultIndex)
            defaultButton = b;
        x += buttonWidth + gap.right;
    }

    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND owner = GetWindow(dialog, GW_OWNER); owner && IsWindowVisible(owner))
        GetWindowRect(owner, &area);
    LONG left = std::clamp<LONG>(area.left + (area.right - area.left - width) / 2, 0,
                                 std::max<LONG>(0, GetSystemMetrics(SM_CXSCREEN) - width));
    LONG top = std::clamp<LONG>(area.top + (area.bottom - area.top - height) / 2, 0,
                                std::max<LONG>(0, GetSystemMetrics(SM_CYSCREEN) - height));
    SetWindowPos(dialog, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(type.buttons[defaultIndex].id), 0);
    if (DialogState* state = DialogStateOf(dialog))
        state->savedFocus = defaultButton;
}

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        Layout(dialog, *reinterpret_cast<const Box*>(lParam));
        return FALSE;
    case WM_COMMAND: {
        const auto* box = reinterpret_cast<const Box*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!box)
            return FALSE;
        const int id = LOWORD(wParam);
        if (id == IDCANCEL && !HasButton(box->type, IDCANCEL)) {
            // Esc and the close box answer OK when it is the only button.
            if ((box->type & MB_TYPEMASK) == MB_OK)
                EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (HasButton(box->type, id))
            EndDialog(dialog, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

} // namespace win::controls

using namespace win;
using namespace win::controls;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    Box box{text ? text : "", type};
    const DWORD exStyle = (type & (MB_TOPMOST | MB_SYSTEMMODAL)) ? WS_EX_TOPMOST : 0;
    DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0,
                                  caption ? caption : "Error", exStyle);
    builder.Font(8, "MS Shell Dlg");
    MessageBeep(type & MB_ICONMASK);
    INT_PTR answer = DialogBoxFromBytes(nullptr, builder.Data(), builder.Size(), owner, MessageBoxProc,
                                        reinterpret_cast<LPARAM>(&box));
    return answer < 0 ? 0 : static_cast<int>(answer);
}
