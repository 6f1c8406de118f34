// The dialog manager: keyboard navigation between a dialog's controls, the
// default push button, the dialog procedure's defaults, and the calls on
// dialog items.

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/DialogState.h"

namespace win::controls {

namespace {

constexpr LRESULT kPushButton = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;

LRESULT DialogCode(HWND control, const MSG* msg = nullptr)
{
    return SendMessageA(control, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

// By the control's own style: a dialog that is still hidden has usable controls.
bool Usable(HWND window)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The dialog's controls in tab order; the controls of child dialogs
// (WS_EX_CONTROLPARENT) stand in their parent's place.
void Collect(HWND parent, std::vector<HWND>& out)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && Usable(child))
            Collect(child, out);
        else
            out.push_back(child);
    }
}

std::vector<HWND> Controls(HWND dialog)
{
    std::vector<HWND> list;
    Collect(dialog, list);
    return list;
}

// Where `control` (or the list entry that holds it, such as the combo box
// of its edit) stands in the list; -1 when nowhere.
int IndexOf(const std::vector<HWND>& list, HWND control)
{
    for (HWND w = control; w; w = GetParent(w)) {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i] == w)
                return static_cast<int>(i);
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    return -1;
}

bool TabStop(HWND window) { return Usable(window) && (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP); }

void SaveFocus(HWND dialog)
{
    DialogState* state = DialogStateOf(dialog);
    HWND focus = GetFocus();
    if (state && focus && IsChild(dialog, focus))
        state->savedFocus = focus;
}

void RestoreFocus(HWND dialog)
{
    DialogState* state = DialogStateOf(dialog);
    HWND saved = state ? state->savedFocus : nullptr;
    if (saved && IsWindow(saved) && IsChild(dialog, saved) && Usable(saved)) {
        SetFocus(saved);
        UpdateDefaultButton(dialog, saved);
        return;
    }
    if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE))
        SetDialogFocus(dialog, first);
}

// Enter: the focused push button, else the default button, else IDOK.
// A default id that names a button the dialog manager cannot make the
// default (an owner-drawn one) gives IDOK.
void PressEnter(HWND dialog)
{
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus) && (DialogCode(focus) & kPushButton)) {
        if (IsWindowEnabled(focus))
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(focus)), BN_CLICKED),
                         reinterpret_cast<LPARAM>(focus));
        return;
    }
    int id = IDOK;
    LRESULT defined = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(static_cast<DWORD>(defined)) == DC_HASDEFID) {
        HWND button = GetDlgItem(dialog, LOWORD(static_cast<DWORD>(defined)));
        if (!button || (DialogCode(button) & kPushButton))
            id = LOWORD(static_cast<DWORD>(defined));
    }
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button)) {
        MessageBeep(0);
        return;
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PressEscape(HWND dialog)
{
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (cancel && !IsWindowEnabled(cancel))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}

bool IsStaticWithoutPrefix(HWND control)
{
    char name[16] = {};
    GetClassNameA(control, name, sizeof name);
    return std::string(name) == "Static" && (GetWindowLongA(control, GWL_STYLE) & SS_NOPREFIX);
}

// Alt+letter (or the letter alone where the focus takes no characters):
// the control whose text underlines it, searched from after the focus.
bool Mnemonic(HWND dialog, HWND from, char character)
{
    const char wanted = static_cast<char>(character >= 'A' && character <= 'Z' ? character + 32 : character);
    std::vector<HWND> list = Controls(dialog);
    const int n = static_cast<int>(list.size());
    const int start = IndexOf(list, from);
    for (int step = 1; step <= n; ++step) {
        HWND control = list[static_cast<size_t>((start + step + n) % n)];
        if (!Usable(control) || IsStaticWithoutPrefix(control) || controls::Mnemonic(WindowText(control)) != wanted)
            continue;
        const LRESULT code = DialogCode(control);
        if (code & DLGC_STATIC) {
            // A label gives the focus to the control after it.
            const int at = IndexOf(list, control);
            for (int next = 1; next < n; ++next) {
                HWND candidate = list[static_cast<size_t>((at + next) % n)];
                if (Usable(candidate) && !(DialogCode(candidate) & DLGC_STATIC)) {
                    SetDialogFocus(dialog, candidate);
                    return true;
                }
            }
            return true;
        }
        if (code & DLGC_BUTTON) {
            if (!(code & kPushButton))
                SetDialogFocus(dialog, control);
            SendMessageA(control, BM_CLICK, 0, 0);
            return true;
        }
        SetDialogFocus(dialog, control);
        return true;
    }
    return false;
}

void Arrow(HWND dialog, bool previous)
{
    HWND focus = GetFocus();
    HWND next = GetNextDlgGroupItem(dialog, focus, previous);
    if (!next || next == focus)
        return;
    SetDialogFocus(dialog, next);
    if (DialogCode(next) & DLGC_RADIOBUTTON)
        SendMessageA(next, BM_CLICK, 0, 0);
}

} // namespace

void SetDialogFocus(HWND dialog, HWND control)
{
    if (!control)
        return;
    const LRESULT code = DialogCode(control);
    SetFocus(control);
    if (code & DLGC_HASSETSEL)
        SendMessageA(control, EM_SETSEL, 0, -1);
    UpdateDefaultButton(dialog, control);
}

void UpdateDefaultButton(HWND dialog, HWND focus)
{
    DialogState* state = DialogStateOf(dialog);
    if (!state)
        return;
    HWND looks = nullptr;
    if (focus && IsChild(dialog, focus) && (DialogCode(focus) & kPushButton))
        looks = focus;
    else if (state->defaultId)
        looks = GetDlgItem(dialog, static_cast<int>(state->defaultId));
    for (HWND control : Controls(dialog)) {
        if (control != looks && (DialogCode(control) & DLGC_DEFPUSHBUTTON))
            SendMessageA(control, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
    if (looks && (DialogCode(looks) & DLGC_UNDEFPUSHBUTTON))
        SendMessageA(looks, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

LRESULT DefaultDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogState* state = DialogStateOf(dialog);
    switch (message) {
    case WM_ERASEBKGND: {
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        FillWith(reinterpret_cast<HDC>(wParam), ClientRect(dialog), brush);
        return 1;
    }
    case WM_SHOWWINDOW:
        if (!wParam)
            SaveFocus(dialog);
        return DefWindowProcA(dialog, message, wParam, lParam);
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            RestoreFocus(dialog);
        else
            SaveFocus(dialog);
        return 0;
    case WM_SETFOCUS:
        RestoreFocus(dialog);
        return 0;
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_NCDESTROY:
        if (state) {
            RemovePropA(dialog, kDialogStateProperty);
            if (state->ownsFont)
                DeleteObject(state->font);
            delete state;
        }
        return DefWindowProcA(dialog, message, wParam, lParam);
    case DM_GETDEFID:
        if (!state || !state->defaultId)
            return 0;
        return MAKELONG(static_cast<WORD>(state->defaultId), DC_HASDEFID);
    case DM_SETDEFID: {
        if (!state)
            return FALSE;
        state->defaultId = static_cast<UINT>(wParam);
        HWND focus = GetFocus();
        UpdateDefaultButton(dialog, focus && IsChild(dialog, focus) ? focus : nullptr);
        return TRUE;
    }
    case DM_REPOSITION:
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
        SetDialogFocus(dialog, target);
        return 0;
    }
    case WM_GETFONT:
        return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_SETFONT:
        if (state && reinterpret_cast<HFONT>(wParam) != state->font) {
            if (state->ownsFont)
                DeleteObject(state->font);
            state->font = reinterpret_cast<HFONT>(wParam);
            state->ownsFont = false;
            state->base = BaseUnitsOf(state->font);
        }
        return 0;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return -1;
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
        return 0;
    default:
        return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

} // namespace win::controls

using namespace win;
using namespace win::controls;

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> list = Controls(dialog);
    const int n = static_cast<int>(list.size());
    if (n == 0)
        return nullptr;
    const int start = control ? IndexOf(list, control) : -1;
    for (int step = 1; step <= n; ++step) {
        int at = 0;
        if (start < 0)
            at = previous ? n - step : step - 1;
        else
            at = previous ? (start - step + n) % n : (start + step) % n;
        if (TabStop(list[static_cast<size_t>(at)]))
            return list[static_cast<size_t>(at)];
    }
    return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> list = Controls(dialog);
    const int n = static_cast<int>(list.size());
    int at = control ? IndexOf(list, control) : -1;
    if (n == 0)
        return nullptr;
    if (at < 0)
        at = 0;
    int first = at;
    while (first > 0 && !(GetWindowLongA(list[static_cast<size_t>(first)], GWL_STYLE) & WS_GROUP))
        --first;
    int end = at + 1;
    while (end < n && !(GetWindowLongA(list[static_cast<size_t>(end)], GWL_STYLE) & WS_GROUP))
        ++end;
    const int size = end - first;
    for (int step = 1; step < size; ++step) {
        const int offset = previous ? (at - first - step + size) % size : (at - first + step) % size;
        HWND candidate = list[static_cast<size_t>(first + offset)];
        if (Usable(candidate) && !(DialogCode(candidate) & DLGC_STATIC))
            return candidate;
    }
    return control ? control : list[static_cast<size_t>(first)];
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg)
{
    if (!dialog || !msg || !msg->hwnd || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN: {
        const LRESULT code = DialogCode(msg->hwnd, msg);
        if (code & DLGC_WANTMESSAGE)
            break;
        switch (msg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB)
                break;
            if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0))
                SetDialogFocus(dialog, next);
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (code & DLGC_WANTARROWS)
                break;
            Arrow(dialog, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
            return TRUE;
        case VK_RETURN:
            PressEnter(dialog);
            return TRUE;
        case VK_ESCAPE:
            PressEscape(dialog);
            return TRUE;
        default:
            break;
        }
        break;
    }
    case WM_CHAR: {
        const LRESULT code = DialogCode(msg->hwnd, msg);
        if (!(code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) && msg->wParam > 0x20 &&
            Mnemonic(dialog, msg->hwnd, static_cast<char>(msg->wParam)))
            return TRUE;
        break;
    }
    case WM_SYSCHAR:
        if (Mnemonic(dialog, msg->hwnd, static_cast<char>(msg->wParam)))
            return TRUE;
        break;
    default:
        break;
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextA(control, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size)
{
    if (text && size > 0)
        text[0] = '\0';
    HWND control = GetDlgItem(dialog, id);
    return control ? static_cast<UINT>(GetWindowTextA(control, text, size)) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    char text[16];
    if (isSigned)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    else
        std::snprintf(text, sizeof text, "%u", value);
    return SetDlgItemTextA(dialog, id, text);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    if (translated)
        *translated = FALSE;
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return 0;
    std::string text = WindowText(control);
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (isSigned && i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const size_t digits = i;
    unsigned long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + static_cast<unsigned>(text[i++] - '0');
        if (value > 0xFFFFFFFFull)
            return 0;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i == digits || i != text.size())
        return 0;
    if (isSigned) {
        if ((!negative && value > 0x7FFFFFFFull) || (negative && value > 0x80000000ull))
            return 0;
        if (translated)
            *translated = TRUE;
        const long long signedValue = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
        return static_cast<UINT>(static_cast<int>(signedValue));
    }
    if (translated)
        *translated = TRUE;
    return static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return FALSE;
    SendMessageA(control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? static_cast<UINT>(SendMessageA(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check)
{
    BOOL found = FALSE;
    for (int id = first; id <= last; ++id) {
        HWND control = GetDlgItem(dialog, id);
        if (!control)
            continue;
        SendMessageA(control, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
        found = found || id == check;
    }
    return found;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : 0;
}
