// The "SysListView32" class. Icon mode lays the items out in rows of
// cells (image above a label of up to two lines that wraps at spaces and
// line breaks); the list, small-icon and report modes show one item per
// row, small image and text. There are no columns: subitem texts are only
// kept. The view scrolls vertically.

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

constexpr int kSubItems = 8;
constexpr int kMargin = 2;

struct Item {
    std::string text;
    std::vector<std::string> subTexts;
    int image = -1;
    UINT state = 0;
    LPARAM lParam = 0;
};

struct ListView {
    std::vector<Item> items;
    HIMAGELIST images[3] = {};
    COLORREF background = GetSysColor(COLOR_WINDOW);
    COLORREF textBackground = GetSysColor(COLOR_WINDOW);
    COLORREF textColor = GetSysColor(COLOR_WINDOWTEXT);
    HFONT font = nullptr;
    int top = 0; // pixels scrolled
    int anchor = -1;
    int pressed = -1; // item under a left press, -2 for none
    bool rightPressed = false;
};

ListView* Of(HWND window) { return StateOf<ListView>(window); }
DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool IconMode(HWND window) { return (Style(window) & LVS_TYPEMASK) == LVS_ICON; }
bool Valid(const ListView& lv, int index) { return index >= 0 && index < static_cast<int>(lv.items.size()); }

struct Geometry {
    int cellWidth;
    int cellHeight;
    int perRow;
    int imageWidth;
    int imageHeight;
    int line;
};

Geometry Measure(HWND window, const ListView& lv)
{
    Geometry g{};
    g.line = LineHeight(window, lv.font);
    const RECT client = ClientRect(window);
    const int width = std::max<int>(1, client.right - client.left);
    if (IconMode(window)) {
        g.imageWidth = 32;
        g.imageHeight = 32;
        ImageList_GetIconSize(lv.images[LVSIL_NORMAL], &g.imageWidth, &g.imageHeight);
        g.cellWidth = std::max(g.imageWidth + 16, 76);
        g.cellHeight = g.imageHeight + 6 + 2 * g.line + 6;
        g.perRow = std::max(1, (width - kMargin) / g.cellWidth);
    } else {
        g.imageWidth = 0;
        g.imageHeight = 0;
        ImageList_GetIconSize(lv.images[LVSIL_SMALL], &g.imageWidth, &g.imageHeight);
        g.cellWidth = width - 2 * kMargin;
        g.cellHeight = std::max(g.line + 2, g.imageHeight + 2);
        g.perRow = 1;
    }
    return g;
}

RECT CellRect(HWND, const ListView& lv, const Geometry& g, int index)
{
    const int row = index / g.perRow;
    const int col = index % g.perRow;
    const int left = kMargin + col * g.cellWidth;
    const int top = kMargin + row * g.cellHeight - lv.top;
    return RECT{left, top, left + g.cellWidth, top + g.cellHeight};
}

RECT IconRect(HWND window, const ListView& lv, const Geometry& g, int index)
{
    RECT cell = CellRect(window, lv, g, index);
    if (IconMode(window)) {
        const int left = cell.left + (g.cellWidth - g.imageWidth) / 2;
        return RECT{left, cell.top + 2, left + g.imageWidth, cell.top + 2 + g.imageHeight};
    }
    return RECT{cell.left, cell.top + 1, cell.left + g.imageWidth, cell.top + 1 + g.imageHeight};
}

RECT LabelRect(HWND window, const ListView& lv, const Geometry& g, int index)
{
    RECT cell = CellRect(window, lv, g, index);
    if (IconMode(window))
        return RECT{cell.left + 2, cell.top + 2 + g.imageHeight + 4, cell.right - 2, cell.bottom - 2};
    const int left = cell.left + g.imageWidth + (g.imageWidth ? 2 : 0);
    return RECT{left, cell.top, cell.right, cell.bottom};
}

int ContentHeight(const ListView& lv, const Geometry& g)
{
    const int rows = (static_cast<int>(lv.items.size()) + g.perRow - 1) / g.perRow;
    return rows * g.cellHeight + 2 * kMargin;
}

void UpdateScrollBar(HWND window, ListView& lv)
{
    const Geometry g = Measure(window, lv);
    const RECT client = ClientRect(window);
    const int page = client.bottom - client.top;
    const int content = ContentHeight(lv, g);
    lv.top = std::max(0, std::min(lv.top, content - page));
    if (Style(window) & LVS_NOSCROLL) {
        lv.top = 0;
        return;
    }
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, content - 1, static_cast<UINT>(std::max(page, 0)),
                    lv.top, 0};
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    ShowScrollBar(window, SB_VERT, content > page);
}

void ScrollTo(HWND window, ListView& lv, int top)
{
    lv.top = top;
    UpdateScrollBar(window, lv);
    InvalidateRect(window, nullptr, TRUE);
}

int HitItem(HWND window, const ListView& lv, POINT pt, UINT* flags)
{
    const Geometry g = Measure(window, lv);
    for (int i = 0; i < static_cast<int>(lv.items.size()); ++i) {
        RECT icon = IconRect(window, lv, g, i);
        RECT label = LabelRect(window, lv, g, i);
        if (PtInRect(&icon, pt)) {
            if (flags)
                *flags = LVHT_ONITEMICON;
            return i;
        }
        if (PtInRect(&label, pt)) {
            if (flags)
                *flags = LVHT_ONITEMLABEL;
            return i;
        }
    }
    if (flags)
        *flags = LVHT_NOWHERE;
    return -1;
}

void InvalidateItem(HWND window, const ListView& lv, int index)
{
    if (!Valid(lv, index))
        return;
    RECT r = CellRect(window, lv, Measure(window, lv), index);
    InvalidateRect(window, &r, TRUE);
}

// Changes an item's state bits under `mask`, asking the parent first;
// false when the parent refused or nothing changed.
bool ChangeState(HWND window, int index, UINT state, UINT mask)
{
    ListView* lv = Of(window);
    if (!lv || !Valid(*lv, index))
        return false;
    const UINT old = lv->items[static_cast<size_t>(index)].state;
    const UINT now = (old & ~mask) | (state & mask);
    if (now == old)
        return false;
    NMLISTVIEW nm{};
    nm.iItem = index;
    nm.uNewState = now;
    nm.uOldState = old;
    nm.uChanged = LVIF_STATE;
    nm.lParam = lv->items[static_cast<size_t>(index)].lParam;
    if (SendNotify(window, LVN_ITEMCHANGING, &nm.hdr))
        return false;
    lv = Of(window);
    if (!lv || !Valid(*lv, index))
        return false;
    lv->items[static_cast<size_t>(index)].state = now;
    InvalidateItem(window, *lv, index);
    nm.lParam = lv->items[static_cast<size_t>(index)].lParam;
    SendNotify(window, LVN_ITEMCHANGED, &nm.hdr);
    return true;
}

// Applies a state to one item, or to every item for -1; selecting in a
// single-selection view and focusing clear the others first.
BOOL SetState(HWND window, int index, UINT state, UINT mask)
{
    ListView* lv = Of(window);
    if (!lv || (index != -1 && !Valid(*lv, index)))
        return FALSE;
    const bool single = Style(window) & LVS_SINGLESEL;
    UINT exclusive = 0;
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
        exclusive |= LVIS_FOCUSED;
    if (single && (mask & LVIS_SELECTED) && (state & LVIS_SELECTED))
        exclusive |= LVIS_SELECTED;
    const int count = static_cast<int>(lv->items.size());
    if (exclusive && index != -1)
        for (int i = 0; i < count; ++i)
            if (i != index)
                ChangeState(window, i, 0, exclusive);
    if (index == -1) {
        for (int i = 0; i < count; ++i)
            ChangeState(window, i, state, single && (state & LVIS_SELECTED) && i > 0 ? mask & ~exclusive : mask);
        return TRUE;
    }
    ChangeState(window, index, state, mask);
    return TRUE;
}

void CopyText(const std::string& text, LPSTR buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    text.copy(buffer, n);
    buffer[n] = '\0';
}

std::string TextOf(LPCSTR text)
{
    if (!text || text == LPSTR_TEXTCALLBACKA)
        return std::string();
    return text;
}

LRESULT GetItem(ListView& lv, LVITEMA* item)
{
    if (!item || !Valid(lv, item->iItem) || item->iSubItem < 0 || item->iSubItem > kSubItems)
        return FALSE;
    const Item& it = lv.items[static_cast<size_t>(item->iItem)];
    if (item->mask & LVIF_TEXT) {
        const std::string& text = item->iSubItem == 0 ? it.text
                                  : static_cast<size_t>(item->iSubItem) <= it.subTexts.size()
                                      ? it.subTexts[static_cast<size_t>(item->iSubItem - 1)]
                                      : std::string();
        CopyText(text, item->pszText, item->cchTextMax);
    }
    if (item->mask & LVIF_IMAGE)
        item->iImage = it.image;
    if (item->mask & LVIF_PARAM)
        item->lParam = it.lParam;
    if (item->mask & LVIF_STATE)
        item->state = it.state & item->stateMask;
    return TRUE;
}

void SetSubText(Item& it, int sub, const std::string& text)
{
    if (sub == 0) {
        it.text = text;
        return;
    }
    if (static_cast<size_t>(sub) > it.subTexts.size())
        it.subTexts.resize(static_cast<size_t>(sub));
    it.subTexts[static_cast<size_t>(sub - 1)] = text;
}

LRESULT SetItem(HWND window, ListView& lv, const LVITEMA* item)
{
    if (!item || !Valid(lv, item->iItem) || item->iSubItem < 0 || item->iSubItem > kSubItems)
        return FALSE;
    Item& it = lv.items[static_cast<size_t>(item->iItem)];
    if (item->mask & LVIF_TEXT)
        SetSubText(it, item->iSubItem, TextOf(item->pszText));
    if (item->iSubItem == 0) {
        if (item->mask & LVIF_IMAGE)
            it.image = item->iImage;
        if (item->mask & LVIF_PARAM)
            it.lParam = item->lParam;
    }
    InvalidateItem(window, lv, item->iItem);
    if (item->iSubItem == 0 && (item->mask & LVIF_STATE))
        SetState(window, item->iItem, item->state, item->stateMask);
    return TRUE;
}

LRESULT InsertItem(HWND window, ListView& lv, const LVITEMA* item)
{
    if (!item || item->iItem < 0 || item->iSubItem != 0)
        return -1;
    const int index = std::min(item->iItem, static_cast<int>(lv.items.size()));
    Item it;
    if (item->mask & LVIF_TEXT)
        it.text = TextOf(item->pszText);
    if (item->mask & LVIF_IMAGE)
        it.image = item->iImage;
    if (item->mask & LVIF_PARAM)
        it.lParam = item->lParam;
    lv.items.insert(lv.items.begin() + index, std::move(it));
    if (lv.anchor >= index)
        ++lv.anchor;
    UpdateScrollBar(window, lv);
    InvalidateRect(window, nullptr, TRUE);
    NMLISTVIEW nm{};
    nm.iItem = index;
    nm.lParam = item->mask & LVIF_PARAM ? item->lParam : 0;
    SendNotify(window, LVN_INSERTITEM, &nm.hdr);
    if ((item->mask & LVIF_STATE) && IsWindow(window))
        SetState(window, index, item->state, item->stateMask);
    return index;
}

void SendDeleteItem(HWND window, int index, LPARAM lParam)
{
    NMLISTVIEW nm{};
    nm.iItem = index;
    nm.lParam = lParam;
    SendNotify(window, LVN_DELETEITEM, &nm.hdr);
}

LRESULT DeleteItem(HWND window, int index)
{
    ListView* lv = Of(window);
    if (!lv || !Valid(*lv, index))
        return FALSE;
    SendDeleteItem(window, index, lv->items[static_cast<size_t>(index)].lParam);
    lv = Of(window);
    if (!lv || !Valid(*lv, index))
        return FALSE;
    lv->items.erase(lv->items.begin() + index);
    if (lv->anchor == index)
        lv->anchor = -1;
    else if (lv->anchor > index)
        --lv->anchor;
    UpdateScrollBar(window, *lv);
    InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

LRESULT DeleteAll(HWND window)
{
    ListView* lv = Of(window);
    if (!lv)
        return FALSE;
    NMLISTVIEW nm{};
    nm.iItem = -1;
    // A parent that answers TRUE wants no LVN_DELETEITEM per item.
    const bool quiet = SendNotify(window, LVN_DELETEALLITEMS, &nm.hdr) != 0;
    lv = Of(window);
    if (!lv)
        return FALSE;
    if (!quiet)
        for (int i = 0; i < static_cast<int>(lv->items.size()); ++i)
            SendDeleteItem(window, i, lv->items[static_cast<size_t>(i)].lParam);
    lv = Of(window);
    if (!lv)
        return FALSE;
    lv->items.clear();
    lv->anchor = -1;
    lv->top = 0;
    UpdateScrollBar(window, *lv);
    InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

int NextItem(const ListView& lv, int start, UINT flags)
{
    const UINT want = flags & (LVNI_SELECTED | LVNI_FOCUSED);
    for (int i = std::max(start + 1, 0); i < static_cast<int>(lv.items.size()); ++i)
        if ((lv.items[static_cast<size_t>(i)].state & want) == want)
            return i;
    return -1;
}

int Focused(const ListView& lv) { return NextItem(lv, -1, LVNI_FOCUSED); }

LRESULT EnsureVisible(HWND window, ListView& lv, int index, bool partialOk)
{
    if (!Valid(lv, index))
        return FALSE;
    const Geometry g = Measure(window, lv);
    RECT cell = CellRect(window, lv, g, index);
    const RECT client = ClientRect(window);
    if (partialOk && cell.bottom > client.top && cell.top < client.bottom)
        return TRUE;
    if (cell.top < client.top)
        ScrollTo(window, lv, lv.top + cell.top - client.top - kMargin);
    else if (cell.bottom > client.bottom)
        ScrollTo(window, lv, lv.top + cell.bottom - client.bottom + kMargin);
    return TRUE;
}

LRESULT ItemRect(HWND window, const ListView& lv, int index, RECT* rect)
{
    if (!rect || !Valid(lv, index))
        return FALSE;
    const Geometry g = Measure(window, lv);
    switch (rect->left) {
    case LVIR_ICON:
        *rect = IconRect(window, lv, g, index);
        break;
    case LVIR_LABEL:
        *rect = LabelRect(window, lv, g, index);
        break;
    default:
        *rect = CellRect(window, lv, g, index);
        break;
    }
    return TRUE;
}

LRESULT FindItem(const ListView& lv, int start, const LVFINDINFOA* find)
{
    if (!find)
        return -1;
    const int count = static_cast<int>(lv.items.size());
    const int first = std::max(start + 1, 0);
    const int span = (find->flags & LVFI_WRAP) ? count : count - first;
    for (int n = 0; n < span; ++n) {
        const int i = (first + n) % std::max(count, 1);
        const Item& it = lv.items[static_cast<size_t>(i)];
        if (find->flags & LVFI_PARAM) {
            if (it.lParam == find->lParam)
                return i;
            continue;
        }
        if ((find->flags & (LVFI_STRING | LVFI_PARTIAL)) && find->psz) {
            const std::string want = find->psz;
            const std::string have = (find->flags & LVFI_PARTIAL) ? it.text.substr(0, want.size()) : it.text;
            if (have.size() == want.size() &&
                std::equal(have.begin(), have.end(), want.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                }))
                return i;
        }
    }
    return -1;
}

void Paint(HWND window, HDC dc)
{
    ListView* lv = Of(window);
    if (!lv)
        return;
    const RECT client = ClientRect(window);
    const bool enabled = IsWindowEnabled(window);
    if (lv->background != CLR_NONE) {
        HBRUSH brush = CreateSolidBrush(enabled ? lv->background : GetSysColor(COLOR_3DFACE));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    const Geometry g = Measure(window, *lv);
    const bool showSelection = GetFocus() == window || (Style(window) & LVS_SHOWSELALWAYS);
    HGDIOBJ oldFont = SelectObject(dc, lv->font ? lv->font : controls::DefaultControlFont());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HIMAGELIST images = lv->images[IconMode(window) ? LVSIL_NORMAL : LVSIL_SMALL];
    for (int i = 0; i < static_cast<int>(lv->items.size()); ++i) {
        RECT cell = CellRect(window, *lv, g, i);
        if (cell.bottom <= client.top || cell.top >= client.bottom)
            continue;
        const Item& it = lv->items[static_cast<size_t>(i)];
        const bool selected = (it.state & LVIS_SELECTED) && showSelection;
        RECT icon = IconRect(window, *lv, g, i);
        if (images && it.image >= 0)
            ImageList_Draw(images, it.image, dc, icon.left, icon.top,
                           ILD_TRANSPARENT | (selected && GetFocus() == window ? ILD_SELECTED : ILD_NORMAL));
        RECT label = LabelRect(window, *lv, g, i);
        UINT format = DT_NOPREFIX | DT_END_ELLIPSIS;
        format |= IconMode(window) && !(Style(window) & LVS_NOLABELWRAP) ? DT_CENTER | DT_WORDBREAK
                                                                          : DT_SINGLELINE | DT_VCENTER | DT_LEFT;
        // The label's background covers the text it holds, not the cell.
        RECT measured = label;
        DrawTextA(dc, it.text.c_str(), -1, &measured, format | DT_CALCRECT);
        RECT back = label;
        if (IconMode(window)) {
            const int w = std::min<int>(measured.right - measured.left, label.right - label.left);
            back.left = label.left + (label.right - label.left - w) / 2 - 1;
            back.right = back.left + w + 2;
            back.bottom = std::min(label.bottom, label.top + static_cast<int>(measured.bottom - measured.top));
        } else {
            back.right = std::min(label.right, measured.right + 2);
        }
        COLORREF fill = selected ? GetSysColor(GetFocus() == window ? COLOR_HIGHLIGHT : COLOR_3DFACE)
                                 : lv->textBackground;
        if (fill != CLR_NONE && !it.text.empty()) {
            HBRUSH brush = CreateSolidBrush(fill);
            FillRect(dc, &back, brush);
            DeleteObject(brush);
        }
        SetTextColor(dc, !enabled                               ? GetSysColor(COLOR_GRAYTEXT)
                         : selected && GetFocus() == window ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                : lv->textColor);
        DrawTextA(dc, it.text.c_str(), -1, &label, format);
        if ((it.state & LVIS_FOCUSED) && GetFocus() == window)
            DrawFocusRect(dc, &back);
    }
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

UINT KeyFlags()
{
    UINT flags = 0;
    if (GetKeyState(VK_CONTROL) & 0x8000)
        flags |= LVKF_CONTROL;
    if (GetKeyState(VK_SHIFT) & 0x8000)
        flags |= LVKF_SHIFT;
    if (GetKeyState(VK_MENU) & 0x8000)
        flags |= LVKF_ALT;
    return flags;
}

void SelectRange(HWND window, int from, int to)
{
    ListView* lv = Of(window);
    if (!lv)
        return;
    const int low = std::min(from, to);
    const int high = std::max(from, to);
    for (int i = 0; i < static_cast<int>(lv->items.size()); ++i)
        ChangeState(window, i, i >= low && i <= high ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

// Moves the selection to `index` as a click or a key would, with the
// modifier keys held.
void SelectByUser(HWND window, int index, UINT keys, bool toggle)
{
    ListView* lv = Of(window);
    if (!lv)
        return;
    const bool single = Style(window) & LVS_SINGLESEL;
    if (index < 0) {
        if (!(keys & (LVKF_CONTROL | LVKF_SHIFT)))
            SetState(window, -1, 0, LVIS_SELECTED);
        return;
    }
    if ((keys & LVKF_SHIFT) && !single && Valid(*lv, lv->anchor)) {
        SelectRange(window, lv->anchor, index);
    } else if ((keys & LVKF_CONTROL) && !single) {
        if (toggle) {
            const UINT state = lv->items[static_cast<size_t>(index)].state;
            ChangeState(window, index, state ^ LVIS_SELECTED, LVIS_SELECTED);
        }
        if ((lv = Of(window)))
            lv->anchor = index;
    } else {
        for (int i = 0; lv && i < static_cast<int>(lv->items.size()); ++i)
            if (i != index)
                ChangeState(window, i, 0, LVIS_SELECTED);
        ChangeState(window, index, LVIS_SELECTED, LVIS_SELECTED);
        if ((lv = Of(window)))
            lv->anchor = index;
    }
    SetState(window, index, LVIS_FOCUSED, LVIS_FOCUSED);
    if ((lv = Of(window)))
        EnsureVisible(window, *lv, index, false);
}

void SendActivate(HWND window, UINT code, int index, POINT pt)
{
    ListView* lv = Of(window);
    NMITEMACTIVATE nm{};
    nm.iItem = index;
    nm.ptAction = pt;
    nm.uKeyFlags = KeyFlags();
    if (lv && Valid(*lv, index)) {
        nm.uNewState = lv->items[static_cast<size_t>(index)].state;
        nm.uOldState = nm.uNewState;
        nm.lParam = lv->items[static_cast<size_t>(index)].lParam;
    }
    SendNotify(window, code, &nm.hdr);
}

void KeyDown(HWND window, WPARAM key)
{
    NMLVKEYDOWN nm{};
    nm.wVKey = static_cast<WORD>(key);
    SendNotify(window, LVN_KEYDOWN, &nm.hdr);
    ListView* lv = Of(window);
    if (!lv || lv->items.empty())
        return;
    const Geometry g = Measure(window, *lv);
    const int count = static_cast<int>(lv->items.size());
    const int focus = Focused(*lv);
    const RECT client = ClientRect(window);
    const int pageRows = std::max(1, static_cast<int>(client.bottom - client.top) / g.cellHeight);
    int target = focus;
    switch (key) {
    case VK_LEFT:
        target = focus - (IconMode(window) ? 1 : 0);
        break;
    case VK_RIGHT:
        target = focus + (IconMode(window) ? 1 : 0);
        break;
    case VK_UP:
        target = focus - g.perRow;
        break;
    case VK_DOWN:
        target = focus < 0 ? 0 : focus + g.perRow;
        break;
    case VK_PRIOR:
        target = focus - g.perRow * pageRows;
        break;
    case VK_NEXT:
        target = focus + g.perRow * pageRows;
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_SPACE:
        if (focus >= 0)
            SelectByUser(window, focus, KeyFlags(), true);
        return;
    default:
        return;
    }
    target = std::max(0, std::min(target, count - 1));
    const UINT keys = KeyFlags();
    if (keys & LVKF_CONTROL) {
        // Ctrl moves only the focus.
        SetState(window, target, LVIS_FOCUSED, LVIS_FOCUSED);
        if ((lv = Of(window)))
            EnsureVisible(window, *lv, target, false);
        return;
    }
    SelectByUser(window, target, keys, false);
}

} // namespace

LRESULT CALLBACK ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ListView>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ListView* lv = Of(window);
    if (!lv)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY: {
        const bool shared = Style(window) & LVS_SHAREIMAGELISTS;
        if (!shared)
            for (HIMAGELIST list : lv->images)
                if (list)
                    ImageList_Destroy(list);
        FreeState<ListView>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_SETFONT:
        lv->font = reinterpret_cast<HFONT>(wParam);
        UpdateScrollBar(window, *lv);
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(lv->font);
    case WM_SIZE:
        UpdateScrollBar(window, *lv);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        SendNotify(window, message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        KeyDown(window, wParam);
        return 0;
    case WM_VSCROLL: {
        const Geometry g = Measure(window, *lv);
        const RECT client = ClientRect(window);
        int top = lv->top;
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            top -= g.cellHeight;
            break;
        case SB_LINEDOWN:
            top += g.cellHeight;
            break;
        case SB_PAGEUP:
            top -= client.bottom - client.top;
            break;
        case SB_PAGEDOWN:
            top += client.bottom - client.top;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            top = HIWORD(wParam);
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = ContentHeight(*lv, g);
            break;
        default:
            return 0;
        }
        ScrollTo(window, *lv, std::max(0, top));
        return 0;
    }
    case WM_MOUSEWHEEL:
        ScrollTo(window, *lv, std::max(0, lv->top - GET_WHEEL_DELTA_WPARAM(wParam) / 120 *
                                                          Measure(window, *lv).cellHeight));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        if (GetFocus() != window)
            SetFocus(window);
        lv = Of(window);
        if (!lv)
            return 0;
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int index = HitItem(window, *lv, pt, nullptr);
        if (message == WM_RBUTTONDOWN) {
            // A right click selects an unselected item alone and keeps a
            // selection it falls into.
            if (index < 0 || !(lv->items[static_cast<size_t>(index)].state & LVIS_SELECTED))
                SelectByUser(window, index, 0, false);
            else
                SetState(window, index, LVIS_FOCUSED, LVIS_FOCUSED);
            if ((lv = Of(window)))
                lv->rightPressed = true;
            return 0;
        }
        SelectByUser(window, index, KeyFlags(), true);
        if ((lv = Of(window)))
            lv->pressed = index;
        return 0;
    }
    case WM_LBUTTONUP:
        if (lv->pressed != -2) {
            const int index = lv->pressed;
            lv->pressed = -2;
            SendActivate(window, NM_CLICK, index, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        }
        return 0;
    case WM_RBUTTONUP:
        if (lv->rightPressed) {
            lv->rightPressed = false;
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            SendActivate(window, NM_RCLICK, HitItem(window, *lv, pt, nullptr), pt);
        }
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SendActivate(window, message == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RDBLCLK, HitItem(window, *lv, pt, nullptr),
                     pt);
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;

    case LVM_GETBKCOLOR:
        return static_cast<LRESULT>(lv->background);
    case LVM_SETBKCOLOR:
        lv->background = static_cast<COLORREF>(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTBKCOLOR:
        return static_cast<LRESULT>(lv->textBackground);
    case LVM_SETTEXTBKCOLOR:
        lv->textBackground = static_cast<COLORREF>(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTCOLOR:
        return static_cast<LRESULT>(lv->textColor);
    case LVM_SETTEXTCOLOR:
        lv->textColor = static_cast<COLORREF>(lParam);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case LVM_GETIMAGELIST:
        return wParam < 3 ? reinterpret_cast<LRESULT>(lv->images[wParam]) : 0;
    case LVM_SETIMAGELIST: {
        if (wParam >= 3)
            return 0;
        HIMAGELIST old = lv->images[wParam];
        lv->images[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
        UpdateScrollBar(window, *lv);
        InvalidateRect(window, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETITEMCOUNT:
        return static_cast<LRESULT>(lv->items.size());
    case LVM_GETITEMA:
        return GetItem(*lv, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMA:
        return SetItem(window, *lv, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_INSERTITEMA:
        return InsertItem(window, *lv, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_DELETEITEM:
        return DeleteItem(window, static_cast<int>(wParam));
    case LVM_DELETEALLITEMS:
        return DeleteAll(window);
    case LVM_GETNEXTITEM:
        return NextItem(*lv, static_cast<int>(wParam), static_cast<UINT>(lParam));
    case LVM_FINDITEMA:
        return FindItem(*lv, static_cast<int>(wParam), reinterpret_cast<const LVFINDINFOA*>(lParam));
    case LVM_GETITEMRECT:
        return ItemRect(window, *lv, static_cast<int>(wParam), reinterpret_cast<RECT*>(lParam));
    case LVM_HITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        info->iItem = HitItem(window, *lv, info->pt, &info->flags);
        info->iSubItem = 0;
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
        return EnsureVisible(window, *lv, static_cast<int>(wParam), lParam != 0);
    case LVM_REDRAWITEMS:
        for (int i = static_cast<int>(wParam); i <= static_cast<int>(lParam); ++i)
            InvalidateItem(window, *lv, i);
        return TRUE;
    case LVM_UPDATE:
        if (!Valid(*lv, static_cast<int>(wParam)))
            return FALSE;
        InvalidateItem(window, *lv, static_cast<int>(wParam));
        UpdateWindow(window);
        return TRUE;
    case LVM_GETTOPINDEX: {
        const Geometry g = Measure(window, *lv);
        return std::min(static_cast<int>(lv->items.size()), lv->top / g.cellHeight * g.perRow);
    }
    case LVM_SETITEMSTATE: {
        const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
        if (!item)
            return FALSE;
        return SetState(window, static_cast<int>(wParam), item->state, item->stateMask);
    }
    case LVM_GETITEMSTATE:
        return Valid(*lv, static_cast<int>(wParam)) ? lv->items[wParam].state & static_cast<UINT>(lParam) : 0;
    case LVM_GETITEMTEXTA: {
        auto* item = reinterpret_cast<LVITEMA*>(lParam);
        if (!item || !Valid(*lv, static_cast<int>(wParam)))
            return 0;
        item->iItem = static_cast<int>(wParam);
        item->mask = LVIF_TEXT;
        if (!GetItem(*lv, item))
            return 0;
        return item->pszText && item->cchTextMax > 0 ? static_cast<LRESULT>(std::string(item->pszText).size()) : 0;
    }
    case LVM_SETITEMTEXTA: {
        auto* item = reinterpret_cast<LVITEMA*>(lParam);
        if (!item || !Valid(*lv, static_cast<int>(wParam)) || item->iSubItem < 0 || item->iSubItem > kSubItems)
            return FALSE;
        SetSubText(lv->items[wParam], item->iSubItem, TextOf(item->pszText));
        InvalidateItem(window, *lv, static_cast<int>(wParam));
        return TRUE;
    }
    case LVM_GETSELECTEDCOUNT:
        return std::count_if(lv->items.begin(), lv->items.end(),
                             [](const Item& it) { return (it.state & LVIS_SELECTED) != 0; });
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
