// The "ListBox" class (single selection), also the list a combo box shows:
// a "ComboLBox" popup below a drop-down combo, or a child list under a
// simple one. A list that serves a combo box reports to the combo box, which
// speaks for it to the dialog.

#include <algorithm>
#include <cstring>

#include "Platform/Win/Controls/Private/ControlsInternal.h"

namespace win::controls {

namespace {

struct Item {
    std::string text;
    ULONG_PTR data = 0;
    UINT height = 0;
};

struct ListState {
    std::vector<Item> items;
    int current = LB_ERR;
    int caret = 0;
    int top = 0;
    UINT itemHeight = 13;
    int extent = 0;
    int xOffset = 0;
    HFONT font = nullptr;
    bool focus = false;
    bool tracking = false;
    HWND combo = nullptr; // the combo box this list serves
    // The bars asked for at creation: a bar that is not needed is hidden
    // (its style bit goes) and comes back when it is.
    bool verticalBar = false;
    bool horizontalBar = false;
};

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool OwnerDrawn(HWND window) { return StyleOf(window) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }
bool HasStrings(HWND window) { return !OwnerDrawn(window) || (StyleOf(window) & LBS_HASSTRINGS); }
int Count(const ListState& s) { return static_cast<int>(s.items.size()); }

HWND Target(HWND window, const ListState& s) { return s.combo ? s.combo : NotifyTarget(window); }

void Notify(HWND window, const ListState& s, WORD code)
{
    if (!s.combo && !(StyleOf(window) & LBS_NOTIFY))
        return;
    if (HWND target = Target(window, s))
        SendMessageA(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetWindowLongPtrA(window, GWLP_ID)), code),
                     reinterpret_cast<LPARAM>(window));
}

int CompareText(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        x = x >= 'A' && x <= 'Z' ? x + 32 : x;
        y = y >= 'A' && y <= 'Z' ? y + 32 : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && CompareText(text.substr(0, prefix.size()), prefix) == 0;
}

// Sorted owner-drawn lists without strings ask their owner to compare.
int Compare(HWND window, const ListState& s, const Item& a, int indexB)
{
    const Item& b = s.items[static_cast<size_t>(indexB)];
    if (HasStrings(window))
        return CompareText(a.text, b.text);
    COMPAREITEMSTRUCT compare{};
    compare.CtlType = ODT_LISTBOX;
    compare.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
    compare.hwndItem = window;
    compare.itemID1 = static_cast<UINT>(-1);
    compare.itemData1 = a.data;
    compare.itemID2 = static_cast<UINT>(indexB);
    compare.itemData2 = b.data;
    HWND target = Target(window, s);
    return target ? static_cast<int>(SendMessageA(target, WM_COMPAREITEM, compare.CtlID, reinterpret_cast<LPARAM>(&compare)))
                  : 0;
}

int VisibleRows(HWND window, const ListState& s)
{
    RECT r = ClientRect(window);
    return std::max<int>(1, (r.bottom - r.top) / static_cast<int>(s.itemHeight));
}

int MaxTop(HWND window, const ListState& s) { return std::max(0, Count(s) - VisibleRows(window, s)); }

void UpdateScrollBars(HWND window, ListState& s)
{
    const DWORD style = StyleOf(window);
    const UINT flags = SIF_ALL | ((style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
    if (s.verticalBar) {
        SCROLLINFO info{sizeof info, flags, 0, std::max(0, Count(s) - 1), static_cast<UINT>(VisibleRows(window, s)),
                        s.top, 0};
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    }
    if (s.horizontalBar) {
        RECT r = ClientRect(window);
        SCROLLINFO info{sizeof info, flags, 0, std::max(0, s.extent - 1), static_cast<UINT>(r.right - r.left),
                        s.xOffset, 0};
        SetScrollInfo(window, SB_HORZ, &info, TRUE);
    }
}

RECT ItemRect(HWND window, const ListState& s, int index)
{
    RECT r = ClientRect(window);
    const LONG top = (index - s.top) * static_cast<LONG>(s.itemHeight);
    return RECT{r.left - s.xOffset, top, std::max<LONG>(r.right, r.left + s.extent) - s.xOffset,
                top + static_cast<LONG>(s.itemHeight)};
}

void DrawItem(HWND window, ListState& s, HDC dc, int index, UINT action)
{
    RECT r = ItemRect(window, s, index);
    const bool selected = index == s.current && index >= 0;
    const bool focused = s.focus && index == s.caret;
    const bool enabled = IsWindowEnabled(window);
    if (OwnerDrawn(window)) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
        item.itemID = static_cast<UINT>(index);
        item.itemAction = action;
        item.itemState = (selected ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = r;
        item.itemData = index >= 0 && index < Count(s) ? s.items[static_cast<size_t>(index)].data : 0;
        if (HWND target = Target(window, s))
            SendMessageA(target, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return;
    }
    if (index >= 0 && index < Count(s)) {
        const COLORREF text = GetTextColor(dc);
        if (selected) {
            FillSysColor(dc, r, COLOR_HIGHLIGHT);
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        const int mode = SetBkMode(dc, TRANSPARENT);
        RECT place = r;
        place.left += 2;
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        if (StyleOf(window) & LBS_USETABSTOPS)
            format |= DT_EXPANDTABS;
        if (!enabled)
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, s.items[static_cast<size_t>(index)].text.c_str(), -1, &place, format);
        SetBkMode(dc, mode);
        SetTextColor(dc, text);
    }
    if (focused)
        DrawFocusRect(dc, &r);
}

void Paint(HWND window, ListState& s, HDC dc)
{
    HWND target = Target(window, s);
    HBRUSH brush = target ? reinterpret_cast<HBRUSH>(SendMessageA(target, WM_CTLCOLORLISTBOX,
                                                                  reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(window)))
                          : nullptr;
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(DefWindowProcA(window, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                                                        reinterpret_cast<LPARAM>(window)));
    FillWith(dc, ClientRect(window), brush);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    const int rows = VisibleRows(window, s) + 1;
    for (int i = s.top; i < Count(s) && i < s.top + rows; ++i)
        DrawItem(window, s, dc, i, ODA_DRAWENTIRE);
    if (Count(s) == 0 && s.focus)
        DrawItem(window, s, dc, OwnerDrawn(window) ? -1 : 0, ODA_FOCUS);
    SelectObject(dc, old);
}

void Redraw(HWND window) { InvalidateRect(window, nullptr, TRUE); }

void ScrollIntoView(HWND window, ListState& s, int index)
{
    if (index < 0)
        return;
    const int rows = VisibleRows(window, s);
    if (index < s.top)
        s.top = index;
    else if (index >= s.top + rows)
        s.top = index - rows + 1;
    s.top = std::clamp(s.top, 0, MaxTop(window, s));
    UpdateScrollBars(window, s);
}

void MeasureFixed(HWND window, ListState& s, const CREATESTRUCTA* create)
{
    if (!(StyleOf(window) & LBS_OWNERDRAWFIXED))
        return;
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = s.combo ? ODT_COMBOBOX : ODT_LISTBOX;
    measure.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
    measure.itemWidth = create ? static_cast<UINT>(create->cx) : 0;
    measure.itemHeight = s.itemHeight;
    if (HWND target = Target(window, s))
        SendMessageA(target, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
    if (measure.itemHeight)
        s.itemHeight = measure.itemHeight;
}

void FontMetrics(HWND window, ListState& s)
{
    if (OwnerDrawn(window))
        return;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    s.itemHeight = static_cast<UINT>(std::max<LONG>(1, tm.tmHeight));
}

void DeleteItemNotice(HWND window, const ListState& s, int index)
{
    const Item& item = s.items[static_cast<size_t>(index)];
    if (!OwnerDrawn(window) && !item.data)
        return;
    DELETEITEMSTRUCT del{};
    del.CtlType = s.combo ? ODT_COMBOBOX : ODT_LISTBOX;
    del.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
    del.itemID = static_cast<UINT>(index);
    del.hwndItem = window;
    del.itemData = item.data;
    if (HWND target = Target(window, s))
        SendMessageA(target, WM_DELETEITEM, del.CtlID, reinterpret_cast<LPARAM>(&del));
}

Item MakeItem(HWND window, LPARAM lParam)
{
    Item item;
    if (HasStrings(window))
        item.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    else
        item.data = static_cast<ULONG_PTR>(lParam);
    return item;
}

LRESULT Insert(HWND window, ListState& s, int at, Item item)
{
    if (at < 0 || at > Count(s))
        at = Count(s);
    s.items.insert(s.items.begin() + at, std::move(item));
    if (s.current >= at)
        ++s.current;
    if (StyleOf(window) & LBS_OWNERDRAWVARIABLE) {
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_LISTBOX;
        measure.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
        measure.itemID = static_cast<UINT>(at);
        measure.itemHeight = s.itemHeight;
        measure.itemData = s.items[static_cast<size_t>(at)].data;
        if (HWND target = Target(window, s))
            SendMessageA(target, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
        s.items[static_cast<size_t>(at)].height = measure.itemHeight;
    }
    UpdateScrollBars(window, s);
    Redraw(window);
    return at;
}

int Find(HWND window, const ListState& s, int start, LPARAM lParam, bool exact)
{
    const int n = Count(s);
    if (n == 0)
        return LB_ERR;
    const std::string wanted = HasStrings(window) && lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    const int first = start < 0 || start >= n ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        const Item& item = s.items[static_cast<size_t>(i)];
        const bool match = !HasStrings(window) ? item.data == static_cast<ULONG_PTR>(lParam)
                           : exact            ? CompareText(item.text, wanted) == 0
                                              : StartsWith(item.text, wanted);
        if (match)
            return i;
    }
    return LB_ERR;
}

int ItemAt(HWND window, const ListState& s, POINT p, bool* outside)
{
    RECT r = ClientRect(window);
    *outside = !PtInRect(&r, p);
    if (Count(s) == 0)
        return 0;
    const int row = p.y < 0 ? -1 : static_cast<int>(p.y / static_cast<LONG>(s.itemHeight));
    const int index = s.top + row;
    if (index < 0 || index >= Count(s)) {
        *outside = true;
        return std::clamp(index, 0, Count(s) - 1);
    }
    return index;
}

// A selection made by the user: drawn at once and reported.
void UserSelect(HWND window, ListState& s, int index)
{
    if (Count(s) == 0)
        return;
    index = std::clamp(index, 0, Count(s) - 1);
    s.caret = index;
    ScrollIntoView(window, s, index);
    if (index == s.current) {
        Redraw(window);
        return;
    }
    s.current = index;
    Redraw(window);
    Notify(window, s, LBN_SELCHANGE);
}

void Scroll(HWND window, ListState& s, bool vertical, WORD code, int thumb)
{
    if (vertical) {
        int top = s.top;
        const int rows = VisibleRows(window, s);
        switch (code) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= rows; break;
        case SB_PAGEDOWN: top += rows; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = thumb; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Count(s); break;
        default: return;
        }
        top = std::clamp(top, 0, MaxTop(window, s));
        if (top != s.top) {
            s.top = top;
            Redraw(window);
        }
    } else {
        RECT r = ClientRect(window);
        int x = s.xOffset;
        switch (code) {
        case SB_LINELEFT: x -= 8; break;
        case SB_LINERIGHT: x += 8; break;
        case SB_PAGELEFT: x -= r.right; break;
        case SB_PAGERIGHT: x += r.right; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = thumb; break;
        case SB_LEFT: x = 0; break;
        default: return;
        }
        x = std::clamp(x, 0, std::max(0, s.extent - static_cast<int>(r.right)));
        if (x != s.xOffset) {
            s.xOffset = x;
            Redraw(window);
        }
    }
    UpdateScrollBars(window, s);
}

void KeyDown(HWND window, ListState& s, UINT vk)
{
    if (Count(s) == 0)
        return;
    const int rows = VisibleRows(window, s);
    int to = s.current < 0 ? s.caret : s.current;
    switch (vk) {
    case VK_UP: --to; break;
    case VK_DOWN: to = s.current < 0 ? 0 : to + 1; break;
    case VK_PRIOR: to -= rows - 1; break;
    case VK_NEXT: to += rows - 1; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = Count(s) - 1; break;
    default: return;
    }
    UserSelect(window, s, to);
}

void CharacterKey(HWND window, ListState& s, char c)
{
    if (!HasStrings(window) || Count(s) == 0 || static_cast<unsigned char>(c) < 0x20)
        return;
    const int found = Find(window, s, s.current, reinterpret_cast<LPARAM>(std::string(1, c).c_str()), false);
    if (found != LB_ERR)
        UserSelect(window, s, found);
}

LRESULT CopyText(HWND window, const ListState& s, WPARAM index, LPARAM buffer)
{
    if (index >= s.items.size() || !buffer)
        return LB_ERR;
    const Item& item = s.items[index];
    if (!HasStrings(window)) {
        std::memcpy(reinterpret_cast<void*>(buffer), &item.data, sizeof item.data);
        return sizeof item.data;
    }
    std::memcpy(reinterpret_cast<char*>(buffer), item.text.c_str(), item.text.size() + 1);
    return static_cast<LRESULT>(item.text.size());
}

LRESULT ListMessage(HWND window, ListState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int n = Count(s);
    switch (message) {
    case LB_ADDSTRING: {
        Item item = MakeItem(window, lParam);
        int at = n;
        if (StyleOf(window) & LBS_SORT) {
            at = 0;
            while (at < n && Compare(window, s, item, at) >= 0)
                ++at;
        }
        return Insert(window, s, at, std::move(item));
    }
    case LB_INSERTSTRING: {
        const int at = static_cast<int>(wParam);
        if (at > n)
            return LB_ERR;
        return Insert(window, s, at, MakeItem(window, lParam));
    }
    case LB_DELETESTRING: {
        const int at = static_cast<int>(wParam);
        if (at < 0 || at >= n)
            return LB_ERR;
        DeleteItemNotice(window, s, at);
        s.items.erase(s.items.begin() + at);
        if (s.current == at)
            s.current = LB_ERR;
        else if (s.current > at)
            --s.current;
        s.caret = std::clamp(s.caret, 0, std::max(0, Count(s) - 1));
        s.top = std::clamp(s.top, 0, MaxTop(window, s));
        UpdateScrollBars(window, s);
        Redraw(window);
        return Count(s);
    }
    case LB_RESETCONTENT:
        for (int i = 0; i < n; ++i)
            DeleteItemNotice(window, s, i);
        s.items.clear();
        s.current = LB_ERR;
        s.caret = 0;
        s.top = 0;
        UpdateScrollBars(window, s);
        Redraw(window);
        return 0;
    case LB_GETCOUNT:
        return n;
    case LB_SETCURSEL: {
        const int at = static_cast<int>(wParam);
        if (at < 0 || at >= n) {
            s.current = LB_ERR;
            Redraw(window);
            return at == -1 ? 0 : LB_ERR;
        }
        s.current = at;
        s.caret = at;
        ScrollIntoView(window, s, at);
        Redraw(window);
        return at;
    }
    case LB_GETCURSEL:
        return s.current;
    case LB_GETSEL:
        return static_cast<int>(wParam) < n && static_cast<int>(wParam) >= 0 ? (s.current == static_cast<int>(wParam))
                                                                              : LB_ERR;
    case LB_SETSEL:
    case LB_GETSELCOUNT:
    case LB_GETSELITEMS:
        return LB_ERR;
    case LB_GETTEXT:
        return CopyText(window, s, wParam, lParam);
    case LB_GETTEXTLEN:
        if (wParam >= s.items.size())
            return LB_ERR;
        return HasStrings(window) ? static_cast<LRESULT>(s.items[wParam].text.size()) : sizeof(ULONG_PTR);
    case LB_GETITEMDATA:
        return wParam < s.items.size() ? static_cast<LRESULT>(s.items[wParam].data) : LB_ERR;
    case LB_SETITEMDATA:
        if (wParam >= s.items.size())
            return LB_ERR;
        s.items[wParam].data = static_cast<ULONG_PTR>(lParam);
        return TRUE;
    case LB_FINDSTRING:
        return Find(window, s, static_cast<int>(wParam), lParam, false);
    case LB_FINDSTRINGEXACT:
        return Find(window, s, static_cast<int>(wParam), lParam, true);
    case LB_SELECTSTRING: {
        const int found = Find(window, s, static_cast<int>(wParam), lParam, false);
        if (found != LB_ERR)
            ListMessage(window, s, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
        return found;
    }
    case LB_GETTOPINDEX:
        return s.top;
    case LB_SETTOPINDEX:
        if (static_cast<int>(wParam) >= n && n > 0)
            return LB_ERR;
        s.top = std::clamp(static_cast<int>(wParam), 0, MaxTop(window, s));
        UpdateScrollBars(window, s);
        Redraw(window);
        return 0;
    case LB_GETITEMRECT:
        if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= std::max(n, 1) || !lParam)
            return LB_ERR;
        *reinterpret_cast<RECT*>(lParam) = ItemRect(window, s, static_cast<int>(wParam));
        return TRUE;
    case LB_ITEMFROMPOINT: {
        bool outside = false;
        const int index = ItemAt(window, s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &outside);
        return MAKELONG(static_cast<WORD>(index), outside ? 1 : 0);
    }
    case LB_SETITEMHEIGHT:
        if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255)
            return LB_ERR;
        s.itemHeight = LOWORD(lParam);
        UpdateScrollBars(window, s);
        Redraw(window);
        return 0;
    case LB_GETITEMHEIGHT:
        return static_cast<LRESULT>(s.itemHeight);
    case LB_SETHORIZONTALEXTENT:
        s.extent = static_cast<int>(wParam);
        s.xOffset = std::clamp(s.xOffset, 0, std::max(0, s.extent));
        UpdateScrollBars(window, s);
        Redraw(window);
        return 0;
    case LB_GETHORIZONTALEXTENT:
        return s.extent;
    case LB_SETCARETINDEX:
        if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= n)
            return LB_ERR;
        s.caret = static_cast<int>(wParam);
        ScrollIntoView(window, s, s.caret);
        Redraw(window);
        return 0;
    case LB_GETCARETINDEX:
        return s.caret;
    case LB_INITSTORAGE:
        return n;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        ListState* s = MakeState<ListState>(window);
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        if (create && std::string(name) == kComboListClass)
            s->combo = static_cast<HWND>(create->lpCreateParams);
        else if (create && (create->style & LBS_COMBOBOX))
            s->combo = create->hwndParent;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ListState* s = StateOf<ListState>(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        s->verticalBar = create && (create->style & WS_VSCROLL);
        s->horizontalBar = create && (create->style & WS_HSCROLL);
        FontMetrics(window, *s);
        MeasureFixed(window, *s, create);
        UpdateScrollBars(window, *s);
        return 0;
    }
    case WM_NCDESTROY:
        FreeState<ListState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        for (int i = 0; i < Count(*s); ++i)
            DeleteItemNotice(window, *s, i);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, *s, dc); });
    case WM_SIZE:
        s->top = std::clamp(s->top, 0, MaxTop(window, *s));
        UpdateScrollBars(window, *s);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        FontMetrics(window, *s);
        UpdateScrollBars(window, *s);
        if (lParam)
            Redraw(window);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        Redraw(window);
        return 0;
    case WM_SETFOCUS:
        s->focus = true;
        Redraw(window);
        Notify(window, *s, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focus = false;
        Redraw(window);
        Notify(window, *s, LBN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN: {
        if (!s->combo && GetFocus() != window)
            SetFocus(window);
        bool outside = false;
        const int index = ItemAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &outside);
        if (!outside)
            UserSelect(window, *s, index);
        s->tracking = true;
        SetCapture(window);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->tracking) {
            bool outside = false;
            UserSelect(window, *s, ItemAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &outside));
        }
        return 0;
    case WM_LBUTTONUP:
        EndCapturedDrag(window, &s->tracking);
        return 0;
    case WM_CAPTURECHANGED:
        s->tracking = false;
        return 0;
    case WM_LBUTTONDBLCLK: {
        bool outside = false;
        const int index = ItemAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &outside);
        if (!outside) {
            UserSelect(window, *s, index);
            Notify(window, *s, LBN_DBLCLK);
        }
        return 0;
    }
    case WM_KEYDOWN:
        KeyDown(window, *s, static_cast<UINT>(wParam));
        return 0;
    case WM_CHAR:
        CharacterKey(window, *s, static_cast<char>(wParam));
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
        const bool vertical = message == WM_VSCROLL;
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, &info);
        Scroll(window, *s, vertical, LOWORD(wParam), info.nTrackPos);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        const int lines = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
        Scroll(window, *s, true, SB_THUMBPOSITION, s->top - lines);
        return 0;
    }
    default:
        return ListMessage(window, *s, message, wParam, lParam);
    }
}

} // namespace win::controls
