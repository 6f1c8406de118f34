// The "ComboBox" class: a field (an edit for CBS_SIMPLE and CBS_DROPDOWN, a
// drawn field for CBS_DROPDOWNLIST) and a list. The list of a drop-down
// combo box is a top-level popup ("ComboLBox") that shows below the field,
// takes no activation, follows the pointer while open and closes on a choice
// or a click anywhere else; the choice is reported when it closes, so that
// one choice sends one CBN_SELCHANGE.

#include <algorithm>

#include "Platform/Win/Controls/Private/ControlsInternal.h"

namespace win::controls {

namespace {

constexpr int kEditId = 1001;
constexpr int kListId = 1000;

struct ComboState {
    HWND edit = nullptr;
    HWND list = nullptr;
    WNDPROC editProc = nullptr;
    bool dropped = false;
    int selectionAtDrop = CB_ERR;
    bool pointerInList = false; // since the list opened
    bool focus = false;
    bool extendedUi = false;
    bool settingEdit = false; // the combo box itself is changing the edit's text
    HFONT font = nullptr;
    LONG fieldHeight = 20;
    LONG listHeight = 100;
    LONG droppedWidth = 0;
};

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
DWORD Kind(HWND window) { return StyleOf(window) & 3; }
bool IsDropDown(HWND window) { return Kind(window) == CBS_DROPDOWN || Kind(window) == CBS_DROPDOWNLIST; }

void Notify(HWND combo, WORD code) { NotifyParent(combo, code); }

LRESULT ToList(ComboState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    return s.list ? SendMessageA(s.list, message, wParam, lParam) : CB_ERR;
}

int Current(ComboState& s) { return static_cast<int>(ToList(s, LB_GETCURSEL, 0, 0)); }

std::string ItemText(ComboState& s, int index)
{
    const LRESULT length = ToList(s, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::string text(static_cast<size_t>(length) + sizeof(ULONG_PTR), '\0');
    ToList(s, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

RECT ButtonRect(HWND combo)
{
    RECT r = ClientRect(combo);
    InflateRect(&r, -2, -2);
    r.left = std::max(r.left, r.right - GetSystemMetrics(SM_CXVSCROLL));
    return r;
}

RECT FieldRect(HWND combo, const ComboState& s)
{
    RECT r = ClientRect(combo);
    r.bottom = std::min(r.bottom, r.top + s.fieldHeight);
    InflateRect(&r, -2, -2);
    if (IsDropDown(combo))
        r.right = ButtonRect(combo).left;
    return r;
}

// The field shows the current item (an edit takes its text).
void ShowCurrent(HWND combo, ComboState& s)
{
    if (s.edit) {
        const int current = Current(s);
        if (current >= 0) {
            s.settingEdit = true;
            SetWindowTextA(s.edit, ItemText(s, current).c_str());
            SendMessageA(s.edit, EM_SETSEL, 0, -1);
            s.settingEdit = false;
        }
    }
    InvalidateRect(combo, nullptr, FALSE);
}

LONG FieldHeightFor(HWND combo, HFONT font)
{
    HDC dc = GetDC(combo);
    HGDIOBJ old = SelectObject(dc, font ? font : DefaultControlFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
    return tm.tmHeight + 8;
}

void Layout(HWND combo, ComboState& s)
{
    RECT client = ClientRect(combo);
    RECT field = FieldRect(combo, s);
    if (s.edit)
        SetWindowPos(s.edit, nullptr, field.left, field.top, field.right - field.left, field.bottom - field.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (s.list && Kind(combo) == CBS_SIMPLE)
        SetWindowPos(s.list, nullptr, 0, s.fieldHeight, client.right, std::max<LONG>(0, client.bottom - s.fieldHeight),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void Drop(HWND combo, ComboState& s)
{
    if (s.dropped || !IsDropDown(combo) || !s.list)
        return;
    Notify(combo, CBN_DROPDOWN);
    if (!IsWindow(combo))
        return;
    s.selectionAtDrop = Current(s);
    RECT r{};
    GetWindowRect(combo, &r);
    const LONG itemHeight = static_cast<LONG>(ToList(s, LB_GETITEMHEIGHT, 0, 0));
    const LONG count = std::max<LONG>(1, static_cast<LONG>(ToList(s, LB_GETCOUNT, 0, 0)));
    const LONG height = std::max<LONG>(itemHeight + 2, std::min<LONG>(s.listHeight, count * itemHeight + 2));
    const LONG width = std::max<LONG>(s.droppedWidth, r.right - r.left);
    LONG top = r.bottom;
    if (top + height > GetSystemMetrics(SM_CYSCREEN))
        top = r.top - height;
    s.dropped = true;
    s.pointerInList = false;
    SetWindowPos(s.list, HWND_TOPMOST, r.left, top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    const int current = Current(s);
    if (current >= 0)
        ToList(s, LB_SETTOPINDEX, static_cast<WPARAM>(current), 0);
    SetCapture(combo);
    InvalidateRect(combo, nullptr, FALSE);
}

void CloseUp(HWND combo, ComboState& s, bool chosen)
{
    if (!s.dropped)
        return;
    s.dropped = false;
    SetWindowPos(s.list, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    if (GetCapture() == combo)
        ReleaseCapture();
    if (!chosen)
        ToList(s, LB_SETCURSEL, static_cast<WPARAM>(s.selectionAtDrop), 0);
    Notify(combo, chosen ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (!IsWindow(combo))
        return;
    Notify(combo, CBN_CLOSEUP);
    if (!IsWindow(combo))
        return;
    if (chosen && Current(s) != s.selectionAtDrop) {
        ShowCurrent(combo, s);
        Notify(combo, CBN_SELCHANGE);
    }
    InvalidateRect(combo, nullptr, FALSE);
}

// A choice made with the list closed: reported at once.
void SelectNow(HWND combo, ComboState& s, int index)
{
    const int count = static_cast<int>(ToList(s, LB_GETCOUNT, 0, 0));
    if (count <= 0)
        return;
    index = std::clamp(index, 0, count - 1);
    if (index == Current(s))
        return;
    ToList(s, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowCurrent(combo, s);
    Notify(combo, CBN_SELCHANGE);
}

// Arrow keys, F4, Enter and Esc, wherever the focus is in the combo box.
bool Key(HWND combo, ComboState& s, UINT vk, bool alt)
{
    const int count = static_cast<int>(ToList(s, LB_GETCOUNT, 0, 0));
    const int rows = std::max<int>(1, s.listHeight / std::max<LONG>(1, static_cast<LONG>(ToList(s, LB_GETITEMHEIGHT, 0, 0))));
    if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
        if (s.dropped)
            CloseUp(combo, s, true);
        else
            Drop(combo, s);
        return true;
    }
    if (s.dropped && (vk == VK_RETURN || vk == VK_ESCAPE)) {
        CloseUp(combo, s, vk == VK_RETURN);
        return true;
    }
    int to = Current(s);
    switch (vk) {
    case VK_UP: to = to < 0 ? 0 : to - 1; break;
    case VK_DOWN: to = to < 0 ? 0 : to + 1; break;
    case VK_PRIOR: to -= rows - 1; break;
    case VK_NEXT: to += rows - 1; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = count - 1; break;
    default: return false;
    }
    if (count <= 0)
        return true;
    to = std::clamp(to, 0, count - 1);
    if (s.dropped)
        ToList(s, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    else
        SelectNow(combo, s, to);
    return true;
}

POINT ToScreen(HWND window, LPARAM lParam)
{
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &p);
    return p;
}

bool InWindow(HWND window, POINT screen)
{
    RECT r{};
    GetWindowRect(window, &r);
    return PtInRect(&r, screen) != FALSE;
}

void HoverList(ComboState& s, POINT screen)
{
    POINT inList = screen;
    ScreenToClient(s.list, &inList);
    const LRESULT hit = ToList(s, LB_ITEMFROMPOINT, 0, MAKELPARAM(static_cast<DWORD>(inList.x), static_cast<DWORD>(inList.y)));
    if (!HIWORD(static_cast<DWORD>(hit)))
        ToList(s, LB_SETCURSEL, LOWORD(static_cast<DWORD>(hit)), 0);
}

void Paint(HWND combo, ComboState& s, HDC dc)
{
    RECT client = ClientRect(combo);
    const bool enabled = IsWindowEnabled(combo);
    HBRUSH back = ControlBrush(combo, dc, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
    if (Kind(combo) == CBS_SIMPLE) {
        FillWith(dc, client, ControlBrush(combo, dc, WM_CTLCOLORDLG));
        return;
    }
    RECT frame = client;
    frame.bottom = std::min(frame.bottom, frame.top + s.fieldHeight);
    FillWith(dc, frame, back);
    DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
    RECT button = ButtonRect(combo);
    UINT state = DFCS_SCROLLCOMBOBOX | (s.dropped ? DFCS_PUSHED | DFCS_FLAT : 0) | (enabled ? 0 : DFCS_INACTIVE);
    DrawFrameControl(dc, &button, DFC_SCROLL, state);
    if (Kind(combo) != CBS_DROPDOWNLIST)
        return;
    RECT field = FieldRect(combo, s);
    const int current = Current(s);
    const bool highlight = s.focus && !s.dropped && enabled;
    const DWORD style = StyleOf(combo);
    if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(combo));
        item.itemID = static_cast<UINT>(current);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = ODS_COMBOBOXEDIT | (highlight ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        item.hwndItem = combo;
        item.hDC = dc;
        item.rcItem = field;
        item.itemData = current >= 0 ? static_cast<ULONG_PTR>(ToList(s, LB_GETITEMDATA, static_cast<WPARAM>(current), 0)) : 0;
        if (HWND parent = NotifyTarget(combo))
            SendMessageA(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return;
    }
    RECT inner = field;
    InflateRect(&inner, -1, -1);
    if (highlight) {
        FillSysColor(dc, inner, COLOR_HIGHLIGHT);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    if (current >= 0) {
        HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
        const int mode = SetBkMode(dc, TRANSPARENT);
        RECT text = inner;
        text.left += 2;
        DrawControlText(dc, ItemText(s, current), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, !enabled);
        SetBkMode(dc, mode);
        SelectObject(dc, old);
    }
    if (highlight)
        DrawFocusRect(dc, &inner);
}

LRESULT CALLBACK ComboEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND combo = GetParent(edit);
    ComboState* s = combo ? StateOf<ComboState>(combo) : nullptr;
    if (!s || !s->editProc)
        return DefWindowProcA(edit, message, wParam, lParam);
    const WNDPROC proc = s->editProc;
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcA(proc, edit, message, wParam, lParam);
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (s->dropped && msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_F4 || wParam == VK_PRIOR || wParam == VK_NEXT ||
            ((wParam == VK_RETURN || wParam == VK_ESCAPE) && s->dropped)) {
            if (Key(combo, *s, static_cast<UINT>(wParam), false))
                return 0;
        }
        break;
    case WM_SYSKEYDOWN:
        if ((wParam == VK_UP || wParam == VK_DOWN) && Key(combo, *s, static_cast<UINT>(wParam), true))
            return 0;
        break;
    case WM_SETFOCUS: {
        LRESULT result = CallWindowProcA(proc, edit, message, wParam, lParam);
        HWND from = reinterpret_cast<HWND>(wParam);
        if (!s->focus && from != combo) {
            s->focus = true;
            Notify(combo, CBN_SETFOCUS);
        }
        return result;
    }
    case WM_KILLFOCUS: {
        LRESULT result = CallWindowProcA(proc, edit, message, wParam, lParam);
        HWND to = reinterpret_cast<HWND>(wParam);
        if (to != combo && s->focus) {
            CloseUp(combo, *s, false);
            s->focus = false;
            Notify(combo, CBN_KILLFOCUS);
        }
        return result;
    }
    default:
        break;
    }
    return CallWindowProcA(proc, edit, message, wParam, lParam);
}

void Create(HWND combo, ComboState& s, const CREATESTRUCTA& create)
{
    const DWORD style = static_cast<DWORD>(create.style);
    const DWORD kind = style & 3;
    s.fieldHeight = FieldHeightFor(combo, nullptr);
    s.listHeight = std::max<LONG>(create.cy - s.fieldHeight, s.fieldHeight);
    HINSTANCE instance = create.hInstance;
    if (kind == CBS_SIMPLE || kind == CBS_DROPDOWN) {
        DWORD editStyle = WS_CHILD | WS_VISIBLE | ((style & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0) |
                          ((style & CBS_UPPERCASE) ? ES_UPPERCASE : 0) | ((style & CBS_LOWERCASE) ? ES_LOWERCASE : 0);
        s.edit = CreateWindowExA(0, "Edit", "", editStyle, 0, 0, 0, 0, combo,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEditId)), instance, nullptr);
        if (s.edit)
            s.editProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(s.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc)));
    }
    DWORD listStyle = LBS_NOTIFY | WS_VSCROLL | LBS_COMBOBOX;
    if (style & CBS_SORT)
        listStyle |= LBS_SORT;
    if (style & CBS_OWNERDRAWFIXED)
        listStyle |= LBS_OWNERDRAWFIXED;
    if (style & CBS_OWNERDRAWVARIABLE)
        listStyle |= LBS_OWNERDRAWVARIABLE;
    if (style & CBS_HASSTRINGS)
        listStyle |= LBS_HASSTRINGS;
    if (style & CBS_DISABLENOSCROLL)
        listStyle |= LBS_DISABLENOSCROLL;
    if (kind == CBS_SIMPLE) {
        s.list = CreateWindowExA(WS_EX_CLIENTEDGE, "ListBox", "", WS_CHILD | WS_VISIBLE | listStyle, 0, 0, 0, 0, combo,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListId)), instance, nullptr);
    } else {
        // A top-level window's menu argument is its menu bar: the popup has no id.
        s.list = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kComboListClass, "",
                                 WS_POPUP | WS_BORDER | listStyle, 0, 0, 100, 100, combo, nullptr, instance, combo);
        // The window is as high as the field; the rest of the template's
        // height is the list's.
        SetWindowPos(combo, nullptr, 0, 0, create.cx, s.fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Layout(combo, s);
}

// A drop-down combo box's window takes the field's height again.
void FitToField(HWND combo, ComboState& s)
{
    if (IsDropDown(combo)) {
        RECT r{};
        GetWindowRect(combo, &r);
        SetWindowPos(combo, nullptr, 0, 0, r.right - r.left, s.fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Layout(combo, s);
}

void SetFont(HWND combo, ComboState& s, HFONT font, bool redraw)
{
    s.font = font;
    if (s.edit)
        SendMessageA(s.edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    if (s.list)
        SendMessageA(s.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    s.fieldHeight = FieldHeightFor(combo, font);
    FitToField(combo, s);
    if (redraw)
        InvalidateRect(combo, nullptr, TRUE);
}

// The CB_ messages that are their list's LB_ messages.
struct Mapped {
    UINT combo;
    UINT list;
    bool changesSelection;
};
constexpr Mapped kMapped[] = {
    {CB_ADDSTRING, LB_ADDSTRING, false},         {CB_DELETESTRING, LB_DELETESTRING, true},
    {CB_GETCOUNT, LB_GETCOUNT, false},           {CB_GETCURSEL, LB_GETCURSEL, false},
    {CB_GETLBTEXT, LB_GETTEXT, false},           {CB_GETLBTEXTLEN, LB_GETTEXTLEN, false},
    {CB_INSERTSTRING, LB_INSERTSTRING, false},   {CB_RESETCONTENT, LB_RESETCONTENT, true},
    {CB_FINDSTRING, LB_FINDSTRING, false},       {CB_FINDSTRINGEXACT, LB_FINDSTRINGEXACT, false},
    {CB_SELECTSTRING, LB_SELECTSTRING, true},    {CB_SETCURSEL, LB_SETCURSEL, true},
    {CB_GETITEMDATA, LB_GETITEMDATA, false},     {CB_SETITEMDATA, LB_SETITEMDATA, false},
    {CB_GETTOPINDEX, LB_GETTOPINDEX, false},     {CB_SETTOPINDEX, LB_SETTOPINDEX, false},
    {CB_GETHORIZONTALEXTENT, LB_GETHORIZONTALEXTENT, false},
    {CB_SETHORIZONTALEXTENT, LB_SETHORIZONTALEXTENT, false},
    {CB_INITSTORAGE, LB_INITSTORAGE, false},
};

LRESULT ComboMessage(HWND combo, ComboState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const Mapped& m : kMapped) {
        if (m.combo != message)
            continue;
        LRESULT result = ToList(s, m.list, wParam, lParam);
        if (m.changesSelection) {
            if (s.edit && (message == CB_RESETCONTENT || (message == CB_SETCURSEL && static_cast<int>(wParam) < 0))) {
                s.settingEdit = true;
                SetWindowTextA(s.edit, "");
                s.settingEdit = false;
            }
            ShowCurrent(combo, s);
        }
        return result;
    }
    switch (message) {
    case CB_LIMITTEXT:
        if (!s.edit)
            return CB_ERR;
        SendMessageA(s.edit, EM_LIMITTEXT, wParam, 0);
        return TRUE;
    case CB_GETEDITSEL:
        return s.edit ? SendMessageA(s.edit, EM_GETSEL, wParam, lParam) : CB_ERR;
    case CB_SETEDITSEL:
        if (!s.edit)
            return CB_ERR;
        SendMessageA(s.edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(lParam))),
                     static_cast<SHORT>(HIWORD(lParam)));
        return TRUE;
    case CB_SHOWDROPDOWN:
        if (wParam)
            Drop(combo, s);
        else
            CloseUp(combo, s, false);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return s.dropped;
    case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam)
            return CB_ERR;
        RECT r{};
        GetWindowRect(combo, &r);
        r.bottom = r.top + s.fieldHeight + s.listHeight;
        *reinterpret_cast<RECT*>(lParam) = r;
        return TRUE;
    }
    case CB_SETITEMHEIGHT:
        if (static_cast<int>(wParam) == -1) {
            s.fieldHeight = static_cast<LONG>(lParam);
            FitToField(combo, s);
            return 0;
        }
        return ToList(s, LB_SETITEMHEIGHT, wParam, lParam);
    case CB_GETITEMHEIGHT:
        if (static_cast<int>(wParam) == -1)
            return s.fieldHeight;
        return ToList(s, LB_GETITEMHEIGHT, wParam, 0);
    case CB_SETEXTENDEDUI:
        s.extendedUi = wParam != 0;
        return CB_OKAY;
    case CB_GETEXTENDEDUI:
        return s.extendedUi;
    case CB_SETDROPPEDWIDTH:
        s.droppedWidth = static_cast<LONG>(wParam);
        return s.droppedWidth;
    case CB_GETDROPPEDWIDTH:
        return s.droppedWidth;
    default:
        return DefWindowProcA(combo, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK ComboBoxProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ComboState>(combo);
        // WS_VSCROLL and WS_HSCROLL of a combo box are its list's; the
        // field itself has no bars.
        const LONG style = GetWindowLongA(combo, GWL_STYLE);
        if (style & (WS_VSCROLL | WS_HSCROLL))
            SetWindowLongA(combo, GWL_STYLE, style & ~static_cast<LONG>(WS_VSCROLL | WS_HSCROLL));
        return DefWindowProcA(combo, message, wParam, lParam);
    }
    ComboState* s = StateOf<ComboState>(combo);
    if (!s)
        return DefWindowProcA(combo, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        Create(combo, *s, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return 0;
    case WM_DESTROY:
        if (s->list && IsDropDown(combo))
            DestroyWindow(s->list);
        s->list = nullptr;
        return 0;
    case WM_NCDESTROY:
        FreeState<ComboState>(combo);
        return DefWindowProcA(combo, message, wParam, lParam);
    case WM_WINDOWPOSCHANGING: {
        // A drop-down combo box's window is its field: a taller window
        // gives the extra height to the list, which drops below it.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos && IsDropDown(combo) && !(pos->flags & SWP_NOSIZE) && pos->cy != s->fieldHeight) {
            if (pos->cy > s->fieldHeight)
                s->listHeight = pos->cy - s->fieldHeight;
            pos->cy = s->fieldHeight;
        }
        return DefWindowProcA(combo, message, wParam, lParam);
    }
    case WM_SIZE:
        Layout(combo, *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(combo, &paint);
        if (dc) {
            Paint(combo, *s, dc);
            EndPaint(combo, &paint);
        }
        return 0;
    }
    case WM_SETFONT:
        SetFont(combo, *s, reinterpret_cast<HFONT>(wParam), lParam != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        if (s->edit)
            EnableWindow(s->edit, wParam != 0);
        if (s->list)
            EnableWindow(s->list, wParam != 0);
        InvalidateRect(combo, nullptr, TRUE);
        return 0;
    case WM_SETTEXT:
        if (s->edit)
            return SetWindowTextA(s->edit, reinterpret_cast<LPCSTR>(lParam));
        {
            const LRESULT found = ToList(*s, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lParam);
            if (found < 0)
                return CB_ERR;
            ToList(*s, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
            ShowCurrent(combo, *s);
            return TRUE;
        }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        if (s->edit)
            return SendMessageA(s->edit, message, wParam, lParam);
        const int current = Current(*s);
        const std::string text = current >= 0 ? ItemText(*s, current) : std::string();
        if (message == WM_GETTEXTLENGTH)
            return static_cast<LRESULT>(text.size());
        if (!wParam || !lParam)
            return 0;
        const size_t count = std::min(text.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(text.data(), count, reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (s->dropped && msg && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_SETFOCUS:
        if (s->edit) {
            SetFocus(s->edit);
            return 0;
        }
        if (!s->focus) {
            s->focus = true;
            Notify(combo, CBN_SETFOCUS);
        }
        InvalidateRect(combo, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS: {
        HWND to = reinterpret_cast<HWND>(wParam);
        if (s->edit && to == s->edit)
            return 0;
        CloseUp(combo, *s, false);
        if (s->focus) {
            s->focus = false;
            Notify(combo, CBN_KILLFOCUS);
        }
        InvalidateRect(combo, nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT screen = ToScreen(combo, lParam);
        if (s->dropped) {
            if (InWindow(s->list, screen)) {
                s->pointerInList = true;
                HoverList(*s, screen);
            } else {
                CloseUp(combo, *s, false);
            }
            return 0;
        }
        if (GetFocus() != combo && GetFocus() != s->edit)
            SetFocus(combo);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT button = ButtonRect(combo);
        if (Kind(combo) == CBS_DROPDOWNLIST || (Kind(combo) == CBS_DROPDOWN && PtInRect(&button, at)))
            Drop(combo, *s);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->dropped) {
            const POINT screen = ToScreen(combo, lParam);
            if (InWindow(s->list, screen)) {
                s->pointerInList = true;
                HoverList(*s, screen);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (s->dropped) {
            const POINT screen = ToScreen(combo, lParam);
            if (InWindow(s->list, screen) && s->pointerInList) {
                HoverList(*s, screen);
                CloseUp(combo, *s, true);
            }
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (s->dropped && reinterpret_cast<HWND>(lParam) != combo)
            CloseUp(combo, *s, false);
        return 0;
    case WM_KEYDOWN:
        if (Key(combo, *s, static_cast<UINT>(wParam), false))
            return 0;
        return DefWindowProcA(combo, message, wParam, lParam);
    case WM_SYSKEYDOWN:
        if ((wParam == VK_UP || wParam == VK_DOWN) && Key(combo, *s, static_cast<UINT>(wParam), true))
            return 0;
        return DefWindowProcA(combo, message, wParam, lParam);
    case WM_CHAR:
        if (Kind(combo) == CBS_DROPDOWNLIST && static_cast<unsigned char>(wParam) >= 0x20) {
            const char text[2] = {static_cast<char>(wParam), 0};
            const LRESULT found = ToList(*s, LB_FINDSTRING, static_cast<WPARAM>(Current(*s)), reinterpret_cast<LPARAM>(text));
            if (found >= 0) {
                if (s->dropped)
                    ToList(*s, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
                else
                    SelectNow(combo, *s, static_cast<int>(found));
            }
        }
        return 0;
    case WM_COMMAND: {
        const HWND from = reinterpret_cast<HWND>(lParam);
        const WORD code = HIWORD(wParam);
        if (from && from == s->edit) {
            if (s->settingEdit)
                return 0;
            if (code == EN_CHANGE)
                Notify(combo, CBN_EDITCHANGE);
            else if (code == EN_UPDATE)
                Notify(combo, CBN_EDITUPDATE);
        } else if (from && from == s->list && Kind(combo) == CBS_SIMPLE) {
            if (code == LBN_SELCHANGE) {
                ShowCurrent(combo, *s);
                Notify(combo, CBN_SELCHANGE);
            } else if (code == LBN_DBLCLK) {
                Notify(combo, CBN_DBLCLK);
            }
        }
        return 0;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM: {
        // The list's owner-draw messages speak for the combo box.
        HWND parent = NotifyTarget(combo);
        if (!parent)
            return 0;
        const UINT id = static_cast<UINT>(GetDlgCtrlID(combo));
        switch (message) {
        case WM_DRAWITEM: {
            DRAWITEMSTRUCT item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            item.CtlType = ODT_COMBOBOX;
            item.CtlID = id;
            item.hwndItem = combo;
            return SendMessageA(parent, message, id, reinterpret_cast<LPARAM>(&item));
        }
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            item->CtlType = ODT_COMBOBOX;
            item->CtlID = id;
            return SendMessageA(parent, message, id, lParam);
        }
        case WM_DELETEITEM: {
            DELETEITEMSTRUCT item = *reinterpret_cast<DELETEITEMSTRUCT*>(lParam);
            item.CtlType = ODT_COMBOBOX;
            item.CtlID = id;
            item.hwndItem = combo;
            return SendMessageA(parent, message, id, reinterpret_cast<LPARAM>(&item));
        }
        default: {
            COMPAREITEMSTRUCT item = *reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
            item.CtlType = ODT_COMBOBOX;
            item.CtlID = id;
            item.hwndItem = combo;
            return SendMessageA(parent, message, id, reinterpret_cast<LPARAM>(&item));
        }
        }
    }
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        if (HWND parent = NotifyTarget(combo))
            return SendMessageA(parent, message, wParam, lParam);
        return DefWindowProcA(combo, message, wParam, lParam);
    default:
        return ComboMessage(combo, *s, message, wParam, lParam);
    }
}

} // namespace win::controls
