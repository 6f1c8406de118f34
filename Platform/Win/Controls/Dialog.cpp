// Dialog boxes: creation from a template, DefDlgProc, modal dialogs on the
// modal loop, EndDialog, dialog units.

#include <algorithm>
#include <vector>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/DialogState.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/User/ModalLoop.h"

namespace win::controls {

namespace {

// A template given only by its address is read no further than this when no
// resource module holds it.
constexpr size_t kUnboundedTemplateLimit = 64 * 1024;
// The point size templates give to ask for the system's dialog font.
constexpr WORD kSystemFontSize = 0x7FFF;

// Messages whose answer is the dialog procedure's return value itself.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

HFONT FontFor(const DialogDescription& d, bool* owned)
{
    *owned = false;
    if (!(d.style & DS_SETFONT) || d.pointSize == kSystemFontSize)
        return DefaultControlFont();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTA face{};
    face.lfHeight = -MulDiv(d.pointSize, dpi > 0 ? dpi : 96, 72);
    face.lfWeight = d.weight ? d.weight : FW_NORMAL;
    face.lfItalic = d.italic;
    face.lfCharSet = d.charset;
    lstrcpynA(face.lfFaceName, d.face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&face);
    if (!font)
        return DefaultControlFont();
    *owned = true;
    return font;
}

const char* ClassNameOf(const TemplateName& name, std::string* storage)
{
    if (name.isOrdinal) {
        const char* standard = StandardClassName(name.ordinal);
        if (!standard) {
            *storage = "#" + std::to_string(name.ordinal);
            return storage->c_str();
        }
        return standard;
    }
    *storage = name.text;
    return storage->c_str();
}

// Controls with a border get the sunken 3-D edge of dialogs.
DWORD EdgeStyle(const char* className, DWORD* style)
{
    const std::string name = className;
    const bool sunken = name == "Edit" || name == "ListBox" || name == "edit" || name == "listbox";
    if (sunken && (*style & WS_BORDER)) {
        *style &= ~WS_BORDER;
        return WS_EX_CLIENTEDGE;
    }
    return 0;
}

RECT DialogUnitsToPixels(SIZE base, short x, short y, short cx, short cy)
{
    return RECT{MulDiv(x, base.cx, 4), MulDiv(y, base.cy, 8), MulDiv(x + cx, base.cx, 4), MulDiv(y + cy, base.cy, 8)};
}

void SetState(HWND dialog, DialogState* state) { SetPropA(dialog, kDialogStateProperty, state); }

void CentreIn(HWND dialog, const RECT& area)
{
    RECT r{};
    GetWindowRect(dialog, &r);
    const LONG width = r.right - r.left;
    const LONG height = r.bottom - r.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;
    x = std::max<LONG>(0, std::min<LONG>(x, GetSystemMetrics(SM_CXSCREEN) - width));
    y = std::max<LONG>(0, std::min<LONG>(y, GetSystemMetrics(SM_CYSCREEN) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The default button of a new dialog: its first BS_DEFPUSHBUTTON.
UINT FirstDefaultButton(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            return static_cast<UINT>(GetDlgCtrlID(child));
    return 0;
}

HWND Create(HINSTANCE instance, const DialogDescription& d, HWND parent, DLGPROC proc, LPARAM param, bool modal)
{
    EnsureRegistered();
    std::string classStorage;
    const char* className = d.className.Empty() ? kDialogClass : ClassNameOf(d.className, &classStorage);
    WNDCLASSA info{};
    // A class without the dialog's extra bytes is no dialog class (a
    // control's, say): its procedure would never free the dialog's state.
    if (!GetClassInfoA(instance, className, &info) || info.cbWndExtra < DLGWINDOWEXTRA) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto state = std::make_unique<DialogState>();
    state->instance = instance;
    state->modal = modal;
    state->font = FontFor(d, &state->ownsFont);
    state->base = BaseUnitsOf(state->font);

    DWORD style = d.style & ~WS_VISIBLE;
    DWORD exStyle = d.exStyle;
    if (style & DS_MODALFRAME)
        exStyle |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }
    HMENU menu = nullptr;
    if (!d.menu.Empty() && !(style & WS_CHILD)) {
        menu = d.menu.isOrdinal ? LoadMenuA(instance, MAKEINTRESOURCEA(d.menu.ordinal))
                                : LoadMenuA(instance, d.menu.text.c_str());
    }
    RECT r = DialogUnitsToPixels(state->base, d.x, d.y, d.cx, d.cy);
    RECT frame{0, 0, r.right - r.left, r.bottom - r.top};
    AdjustWindowRectEx(&frame, style, menu != nullptr, exStyle);
    POINT at{r.left, r.top};
    if (!(style & WS_CHILD) && parent && !(style & DS_ABSALIGN))
        ClientToScreen(parent, &at);
    at.x += frame.left;
    at.y += frame.top;

    LONG width = frame.right - frame.left;
    LONG height = frame.bottom - frame.top;
    if (!(style & WS_CHILD)) {
        // A top-level window holds its own pixels: a damaged template's size
        // would cost a gigabyte and seconds of painting. No dialog needs
        // more than the largest window the screen takes.
        width = std::min<LONG>(width, GetSystemMetrics(SM_CXMAXTRACK));
        height = std::min<LONG>(height, GetSystemMetrics(SM_CYMAXTRACK));
    }
    HWND dialog = CreateWindowExA(exStyle, className, d.title.c_str(), style, at.x, at.y, width, height, parent, menu,
                                  instance, nullptr);
    if (!dialog) {
        if (menu)
            DestroyMenu(menu);
        if (state->ownsFont)
            DeleteObject(state->font);
        return nullptr;
    }
    DialogState* kept = state.release();
    SetState(dialog, kept);
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (d.style & DS_CENTER) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        CentreIn(dialog, work);
    }
    if (d.style & DS_SETFONT)
        SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(kept->font), FALSE);

    for (const DialogItem& item : d.items) {
        std::string itemClassStorage;
        const char* itemClass = ClassNameOf(item.className, &itemClassStorage);
        DWORD itemStyle = item.style | WS_CHILD;
        DWORD itemExStyle = item.exStyle | WS_EX_NOPARENTNOTIFY | EdgeStyle(itemClass, &itemStyle);
        RECT place = DialogUnitsToPixels(kept->base, item.x, item.y, item.cx, item.cy);
        LPCSTR text = item.text.isOrdinal ? MAKEINTRESOURCEA(item.text.ordinal) : item.text.text.c_str();
        void* creation = item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data());
        HWND control = CreateWindowExA(itemExStyle, itemClass, text, itemStyle, place.left, place.top,
                                       place.right - place.left, place.bottom - place.top, dialog,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, creation);
        if (!control) {
            if (d.style & DS_NOFAILCREATE)
                continue;
            DWORD error = GetLastError();
            DestroyWindow(dialog);
            SetLastError(error ? error : ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (d.style & DS_SETFONT)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(kept->font), FALSE);
    }
    if (!IsWindow(dialog))
        return nullptr;
    kept->defaultId = FirstDefaultButton(dialog);

    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    LRESULT setFocus = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(dialog))
        return nullptr;
    DialogState* after = DialogStateOf(dialog);
    if (after && setFocus && first) {
        after->savedFocus = first;
        if (GetActiveWindow() == GetAncestor(dialog, GA_ROOT))
            SetDialogFocus(dialog, first);
    } else if (after && !setFocus) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus))
            after->savedFocus = focus;
    }
    if ((d.style & WS_VISIBLE) && !modal && !(after && after->ended)) {
        ShowWindow(dialog, SW_SHOWNORMAL);
        UpdateWindow(dialog);
    }
    return dialog;
}

HWND CreateFromBytes(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc, LPARAM param,
                     bool modal)
{
    DialogDescription description;
    if (!ReadDialogTemplate(data, size, &description)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return Create(instance, description, parent, proc, param, modal);
}

size_t TemplateSize(HINSTANCE instance, const void* address)
{
    ResourceBytes holding = ResourceHolding(instance, address);
    return holding ? holding.size : kUnboundedTemplateLimit;
}

INT_PTR RunModal(HWND dialog, HWND owner)
{
    DialogState* state = DialogStateOf(dialog);
    ModalLoop loop(owner);
    INT_PTR result = 0;
    if (state && state->ended) {
        result = state->result;
    } else {
        const bool idleMessages = !(GetWindowLongA(dialog, GWL_STYLE) & DS_NOIDLEMSG);
        loop.m_filter = [dialog](MSG& msg) { return IsDialogMessageA(dialog, &msg) != FALSE; };
        loop.m_idle = [dialog, owner, idleMessages] {
            if (idleMessages && owner && IsWindow(owner))
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
        };
        ShowWindow(dialog, SW_SHOWNORMAL);
        UpdateWindow(dialog);
        result = loop.Run(dialog, 0);
    }
    loop.ReleaseOwner();
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    return result;
}

HWND OwnerOf(HWND parent)
{
    if (!parent || !IsWindow(parent))
        return nullptr;
    return GetAncestor(parent, GA_ROOT);
}

} // namespace

DialogState* DialogStateOf(HWND dialog)
{
    return dialog ? static_cast<DialogState*>(GetPropA(dialog, kDialogStateProperty)) : nullptr;
}

bool IsDialog(HWND window) { return DialogStateOf(window) != nullptr; }

SIZE BaseUnitsOf(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : DefaultControlFont());
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    GetTextExtentPoint32A(dc, kAlphabet, 52, &extent);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

} // namespace win::controls

using namespace win;
using namespace win::controls;

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param)
{
    ResourceBytes bytes = FindDialogTemplate(instance, templateName);
    if (!bytes)
        return nullptr;
    return CreateFromBytes(instance, bytes.data, bytes.size, parent, proc, param, false);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM param)
{
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateFromBytes(instance, dialogTemplate, TemplateSize(instance, dialogTemplate), parent, proc, param,
                           false);
}

HWND CreateDialogFromBytes(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc, LPARAM param)
{
    return CreateFromBytes(instance, data, size, parent, proc, param, false);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param)
{
    ResourceBytes bytes = FindDialogTemplate(instance, templateName);
    if (!bytes)
        return -1;
    HWND owner = OwnerOf(parent);
    HWND dialog = CreateFromBytes(instance, bytes.data, bytes.size, owner, proc, param, true);
    return dialog ? RunModal(dialog, owner) : -1;
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM param)
{
    if (!dialogTemplate) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    HWND owner = OwnerOf(parent);
    HWND dialog = CreateFromBytes(instance, dialogTemplate, TemplateSize(instance, dialogTemplate), owner, proc,
                                  param, true);
    return dialog ? RunModal(dialog, owner) : -1;
}

HWND win::controls::CreateDialogFromDescription(HINSTANCE instance, const DialogDescription& description, HWND parent,
                                               DLGPROC proc, LPARAM param)
{
    return Create(instance, description, parent, proc, param, false);
}

void win::controls::MakeChildPage(DialogDescription& d)
{
    d.style = (d.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE |
                           WS_DISABLED | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) |
              WS_CHILD | DS_CONTROL;
    d.exStyle |= WS_EX_CONTROLPARENT;
    d.x = 0;
    d.y = 0;
}

INT_PTR win::controls::DialogBoxFromBytes(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc,
                                          LPARAM param)
{
    HWND owner = OwnerOf(parent);
    HWND dialog = CreateFromBytes(instance, data, size, owner, proc, param, true);
    return dialog ? RunModal(dialog, owner) : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    DialogState* state = DialogStateOf(dialog);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    state->ended = true;
    state->result = result;
    if (ModalLoop* loop = ModalLoop::Find(dialog))
        loop->End(result);
    return TRUE;
}

bool win::DialogEnded(HWND dialog, INT_PTR* result)
{
    DialogState* state = DialogStateOf(dialog);
    if (!state || !state->ended)
        return false;
    if (result)
        *result = state->result;
    return true;
}

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
    if (proc) {
        const LONG_PTR saved = GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(dialog, message, wParam, lParam);
        if (handled) {
            if (AnswersDirectly(message) || !IsWindow(dialog))
                return handled;
            return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
        }
        if (IsWindow(dialog) && message != WM_NCDESTROY)
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, saved);
    }
    return DefaultDialogProc(dialog, message, wParam, lParam);
}

BOOL MapDialogRect(HWND dialog, LPRECT rect)
{
    if (!rect)
        return FALSE;
    DialogState* state = DialogStateOf(dialog);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{MulDiv(rect->left, state->base.cx, 4), MulDiv(rect->top, state->base.cy, 8),
                 MulDiv(rect->right, state->base.cx, 4), MulDiv(rect->bottom, state->base.cy, 8)};
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    static const SIZE base = BaseUnitsOf(DefaultControlFont());
    return static_cast<LONG>(MAKELONG(base.cx, base.cy));
}
