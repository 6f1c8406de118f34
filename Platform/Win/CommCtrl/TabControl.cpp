// The "SysTabControl32" class: one row of tabs over a framed body. A click
// or an arrow key asks the parent with TCN_SELCHANGING (non-zero keeps the
// current tab), then selects and reports TCN_SELCHANGE. TCM_SETCURSEL
// selects without asking. Painting is all in WM_PAINT, so a subclass that
// answers it replaces the look.

#include <algorithm>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

struct Tab {
    std::string text;
    LPARAM lParam = 0;
    int image = -1;
};

struct TabControl {
    std::vector<Tab> tabs;
    int selected = -1;
    HFONT font = nullptr;
    SIZE itemSize{}; // from TCM_SETITEMSIZE; zero measures each tab
    HIMAGELIST images = nullptr;
};

constexpr int kPadding = 6;
constexpr int kBodyInset = 4;

TabControl* Of(HWND window) { return StateOf<TabControl>(window); }
bool Valid(const TabControl& tc, int index) { return index >= 0 && index < static_cast<int>(tc.tabs.size()); }

int RowHeight(HWND window, const TabControl& tc)
{
    return tc.itemSize.cy > 0 ? tc.itemSize.cy : LineHeight(window, tc.font) + 2 * 3;
}

int TextWidth(HWND window, const TabControl& tc, const std::string& text)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, tc.font ? tc.font : controls::DefaultControlFont());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

// A tab's width: the item size's with TCS_FIXEDWIDTH, else its text's.
int TabWidth(HWND window, const TabControl& tc, int index)
{
    if ((GetWindowLongA(window, GWL_STYLE) & TCS_FIXEDWIDTH) && tc.itemSize.cx > 0)
        return tc.itemSize.cx;
    return TextWidth(window, tc, tc.tabs[static_cast<size_t>(index)].text) + 2 * kPadding;
}

RECT ItemRect(HWND window, const TabControl& tc, int index)
{
    int left = 2;
    for (int i = 0; i < index; ++i)
        left += TabWidth(window, tc, i);
    return RECT{left, 2, left + TabWidth(window, tc, index), 2 + RowHeight(window, tc)};
}

int HitTab(HWND window, const TabControl& tc, POINT pt)
{
    for (int i = 0; i < static_cast<int>(tc.tabs.size()); ++i) {
        RECT r = ItemRect(window, tc, i);
        if (PtInRect(&r, pt))
            return i;
    }
    return -1;
}

// Moves the selection to `index` as the user asked for it.
void UserSelect(HWND window, int index)
{
    TabControl* tc = Of(window);
    if (!tc || !Valid(*tc, index) || index == tc->selected)
        return;
    if (SendNotify(window, TCN_SELCHANGING))
        return;
    if (!(tc = Of(window)) || !Valid(*tc, index))
        return;
    tc->selected = index;
    InvalidateRect(window, nullptr, TRUE);
    SendNotify(window, TCN_SELCHANGE);
}

void Paint(HWND window, HDC dc)
{
    TabControl* tc = Of(window);
    const RECT client = ClientRect(window);
    FillWith(dc, client, controls::ControlBrush(window, dc, WM_CTLCOLORSTATIC));
    const int row = RowHeight(window, *tc);
    RECT body{client.left, client.top + row + 2, client.right, client.bottom};
    DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
    HGDIOBJ oldFont = SelectObject(dc, tc->font ? tc->font : controls::DefaultControlFont());
    const int mode = SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (int i = 0; i < static_cast<int>(tc->tabs.size()); ++i) {
        RECT r = ItemRect(window, *tc, i);
        if (i == tc->selected)
            InflateRect(&r, 2, 0), r.top -= 2, r.bottom += 1;
        FillSysColor(dc, r, COLOR_3DFACE);
        DrawEdge(dc, &r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
        RECT text = r;
        controls::DrawControlText(dc, tc->tabs[static_cast<size_t>(i)].text, text,
                                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, !IsWindowEnabled(window));
        if (i == tc->selected && GetFocus() == window) {
            InflateRect(&text, -3, -3);
            DrawFocusRect(dc, &text);
        }
    }
    SetBkMode(dc, mode);
    SelectObject(dc, oldFont);
}

LRESULT GetItem(TabControl& tc, int index, TCITEMA* item)
{
    if (!item || !Valid(tc, index))
        return FALSE;
    const Tab& tab = tc.tabs[static_cast<size_t>(index)];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const size_t n = std::min(tab.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        tab.text.copy(item->pszText, n);
        item->pszText[n] = '\0';
    }
    if (item->mask & TCIF_PARAM)
        item->lParam = tab.lParam;
    if (item->mask & TCIF_IMAGE)
        item->iImage = tab.image;
    if (item->mask & TCIF_STATE)
        item->dwState = 0;
    return TRUE;
}

void SetFields(Tab& tab, const TCITEMA& item)
{
    if (item.mask & TCIF_TEXT)
        tab.text = item.pszText && item.pszText != LPSTR_TEXTCALLBACKA ? item.pszText : "";
    if (item.mask & TCIF_PARAM)
        tab.lParam = item.lParam;
    if (item.mask & TCIF_IMAGE)
        tab.image = item.iImage;
}

} // namespace

LRESULT CALLBACK TabControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<TabControl>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    TabControl* tc = Of(window);
    if (!tc)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        FreeState<TabControl>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETFONT:
        tc->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(tc->font);
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT)
            UserSelect(window, tc->selected + (wParam == VK_LEFT ? -1 : 1));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int index = HitTab(window, *tc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (index < 0)
            return 0;
        if (!(GetWindowLongA(window, GWL_STYLE) & TCS_FOCUSNEVER) && GetFocus() != window)
            SetFocus(window);
        UserSelect(window, index);
        return 0;
    }
    case WM_LBUTTONUP:
        SendNotify(window, NM_CLICK);
        return 0;
    case WM_RBUTTONUP:
        SendNotify(window, NM_RCLICK);
        return 0;

    case TCM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(tc->images);
    case TCM_SETIMAGELIST: {
        HIMAGELIST old = tc->images;
        tc->images = reinterpret_cast<HIMAGELIST>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETITEMCOUNT:
        return static_cast<LRESULT>(tc->tabs.size());
    case TCM_GETITEMA:
        return GetItem(*tc, static_cast<int>(wParam), reinterpret_cast<TCITEMA*>(lParam));
    case TCM_SETITEMA: {
        const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (!item || !Valid(*tc, static_cast<int>(wParam)))
            return FALSE;
        SetFields(tc->tabs[wParam], *item);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TCM_INSERTITEMA: {
        const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (!item || static_cast<int>(wParam) < 0)
            return -1;
        const int index = std::min(static_cast<int>(wParam), static_cast<int>(tc->tabs.size()));
        Tab tab;
        SetFields(tab, *item);
        tc->tabs.insert(tc->tabs.begin() + index, std::move(tab));
        if (tc->selected < 0)
            tc->selected = 0;
        else if (index <= tc->selected)
            ++tc->selected;
        InvalidateRect(window, nullptr, TRUE);
        return index;
    }
    case TCM_DELETEITEM: {
        const int index = static_cast<int>(wParam);
        if (!Valid(*tc, index))
            return FALSE;
        tc->tabs.erase(tc->tabs.begin() + index);
        if (tc->selected == index)
            tc->selected = -1;
        else if (tc->selected > index)
            --tc->selected;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        tc->tabs.clear();
        tc->selected = -1;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !Valid(*tc, static_cast<int>(wParam)))
            return FALSE;
        *r = ItemRect(window, *tc, static_cast<int>(wParam));
        return TRUE;
    }
    case TCM_GETCURSEL:
        return tc->selected;
    case TCM_SETCURSEL: {
        const int old = tc->selected;
        if (!Valid(*tc, static_cast<int>(wParam)))
            return -1;
        tc->selected = static_cast<int>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        const int index = HitTab(window, *tc, info->pt);
        info->flags = index < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL;
        return index;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        const int top = RowHeight(window, *tc) + 2 + kBodyInset;
        if (wParam) {
            r->left -= kBodyInset;
            r->right += kBodyInset;
            r->top -= top;
            r->bottom += kBodyInset;
        } else {
            r->left += kBodyInset;
            r->right -= kBodyInset;
            r->top += top;
            r->bottom -= kBodyInset;
        }
        return 0;
    }
    case TCM_SETITEMSIZE: {
        const RECT first = tc->tabs.empty() ? RECT{0, 0, 0, RowHeight(window, *tc)} : ItemRect(window, *tc, 0);
        const LRESULT old = MAKELONG(static_cast<WORD>(first.right - first.left), static_cast<WORD>(first.bottom - first.top));
        tc->itemSize.cx = static_cast<SHORT>(LOWORD(lParam));
        tc->itemSize.cy = static_cast<SHORT>(HIWORD(lParam));
        InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
