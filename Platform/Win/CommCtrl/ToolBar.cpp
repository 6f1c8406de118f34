// The "ToolbarWindow32" class: buttons with images from an image list (or
// bitmaps added to it), laid out in a row; a click reports WM_COMMAND
// (the button's command id, BN_CLICKED) to the parent, a check button
// toggles first. WM_PAINT draws only the buttons; the background comes
// from WM_ERASEBKGND.

#include <algorithm>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"

namespace win::commctrl {

namespace {

constexpr int kSeparator = 8;

struct ToolBar {
    std::vector<TBBUTTON> buttons;
    HIMAGELIST images = nullptr;
    bool ownsImages = false; // made for TB_ADDBITMAP
    SIZE bitmap{16, 15};
    SIZE button{23, 22};
    int pressed = -1; // index held by the mouse
};

ToolBar* Of(HWND window) { return StateOf<ToolBar>(window); }

int IndexOf(const ToolBar& tb, int command)
{
    for (size_t i = 0; i < tb.buttons.size(); ++i)
        if (tb.buttons[i].idCommand == command && !(tb.buttons[i].fsStyle & TBSTYLE_SEP))
            return static_cast<int>(i);
    return -1;
}

RECT ButtonRect(const ToolBar& tb, int index)
{
    int left = 0;
    for (int i = 0; i < index; ++i) {
        const TBBUTTON& b = tb.buttons[static_cast<size_t>(i)];
        if (b.fsState & TBSTATE_HIDDEN)
            continue;
        left += (b.fsStyle & TBSTYLE_SEP) ? kSeparator : tb.button.cx;
    }
    const TBBUTTON& b = tb.buttons[static_cast<size_t>(index)];
    const int width = (b.fsState & TBSTATE_HIDDEN) ? 0 : (b.fsStyle & TBSTYLE_SEP) ? kSeparator : tb.button.cx;
    return RECT{left + 2, 2, left + 2 + width, 2 + tb.button.cy};
}

int HitButton(const ToolBar& tb, POINT pt)
{
    for (size_t i = 0; i < tb.buttons.size(); ++i) {
        RECT r = ButtonRect(tb, static_cast<int>(i));
        if (PtInRect(&r, pt) && !(tb.buttons[i].fsStyle & TBSTYLE_SEP))
            return static_cast<int>(i);
    }
    return -1;
}

// Bitmaps of TB_ADDBITMAP join the tool bar's own image list.
LRESULT AddBitmap(ToolBar& tb, const TBADDBITMAP* add)
{
    if (!add)
        return -1;
    HBITMAP bitmap = add->hInst ? LoadBitmapA(add->hInst, MAKEINTRESOURCEA(add->nID))
                                : reinterpret_cast<HBITMAP>(add->nID);
    if (!bitmap)
        return -1;
    if (!tb.images) {
        tb.images = ImageList_Create(tb.bitmap.cx, tb.bitmap.cy, ILC_COLOR24 | ILC_MASK, 4, 4);
        tb.ownsImages = true;
    }
    const int first = ImageList_AddMasked(tb.images, bitmap, RGB(192, 192, 192));
    if (add->hInst)
        DeleteObject(bitmap);
    return first;
}

void Paint(HWND window, HDC dc, const ToolBar& tb)
{
    const bool flat = GetWindowLongA(window, GWL_STYLE) & TBSTYLE_FLAT;
    for (size_t i = 0; i < tb.buttons.size(); ++i) {
        const TBBUTTON& b = tb.buttons[i];
        if (b.fsState & TBSTATE_HIDDEN)
            continue;
        RECT r = ButtonRect(tb, static_cast<int>(i));
        if (b.fsStyle & TBSTYLE_SEP) {
            RECT line{(r.left + r.right) / 2 - 1, r.top + 2, (r.left + r.right) / 2 + 1, r.bottom - 2};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
            continue;
        }
        const bool down = (b.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) || tb.pressed == static_cast<int>(i);
        if (down)
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        else if (!flat)
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        if (tb.images && b.iBitmap >= 0) {
            const int x = r.left + (r.right - r.left - tb.bitmap.cx) / 2 + (down ? 1 : 0);
            const int y = r.top + (r.bottom - r.top - tb.bitmap.cy) / 2 + (down ? 1 : 0);
            ImageList_Draw(tb.images, b.iBitmap, dc, x, y,
                           (b.fsState & TBSTATE_ENABLED) ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50);
        }
    }
}

void SetState(HWND window, ToolBar& tb, int command, BYTE bit, bool on)
{
    const int index = IndexOf(tb, command);
    if (index < 0)
        return;
    BYTE& state = tb.buttons[static_cast<size_t>(index)].fsState;
    state = on ? static_cast<BYTE>(state | bit) : static_cast<BYTE>(state & ~bit);
    RECT r = ButtonRect(tb, index);
    InvalidateRect(window, &r, TRUE);
}

} // namespace

LRESULT CALLBACK ToolBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ToolBar>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ToolBar* tb = Of(window);
    if (!tb)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        if (tb->ownsImages)
            ImageList_Destroy(tb->images);
        FreeState<ToolBar>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc, *tb); });
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int index = HitButton(*tb, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (index < 0 || !(tb->buttons[static_cast<size_t>(index)].fsState & TBSTATE_ENABLED))
            return 0;
        tb->pressed = index;
        SetCapture(window);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_LBUTTONUP: {
        const int index = tb->pressed;
        tb->pressed = -1;
        if (GetCapture() == window)
            ReleaseCapture();
        InvalidateRect(window, nullptr, TRUE);
        if (index < 0 || HitButton(*tb, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != index)
            return 0;
        TBBUTTON& b = tb->buttons[static_cast<size_t>(index)];
        if (b.fsStyle & TBSTYLE_CHECK)
            b.fsState ^= TBSTATE_CHECKED;
        const int command = b.idCommand;
        if (HWND parent = NotifyTarget(window))
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(window));
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window && tb->pressed >= 0) {
            tb->pressed = -1;
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;

    case TB_BUTTONSTRUCTSIZE:
        return 0;
    case TB_SETIMAGELIST: {
        HIMAGELIST old = tb->images;
        if (tb->ownsImages && old)
            ImageList_Destroy(old), old = nullptr;
        tb->images = reinterpret_cast<HIMAGELIST>(lParam);
        tb->ownsImages = false;
        int cx = 0;
        int cy = 0;
        if (ImageList_GetIconSize(tb->images, &cx, &cy))
            tb->bitmap = SIZE{cx, cy};
        InvalidateRect(window, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case TB_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(tb->images);
    case TB_ADDBITMAP:
        return AddBitmap(*tb, reinterpret_cast<const TBADDBITMAP*>(lParam));
    case TB_ADDBUTTONSA: {
        const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
        if (!buttons || wParam > 1024)
            return FALSE;
        tb->buttons.insert(tb->buttons.end(), buttons, buttons + wParam);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TB_DELETEBUTTON:
        if (wParam >= tb->buttons.size())
            return FALSE;
        tb->buttons.erase(tb->buttons.begin() + static_cast<long>(wParam));
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case TB_GETBUTTON:
        if (wParam >= tb->buttons.size() || !lParam)
            return FALSE;
        *reinterpret_cast<TBBUTTON*>(lParam) = tb->buttons[wParam];
        return TRUE;
    case TB_BUTTONCOUNT:
        return static_cast<LRESULT>(tb->buttons.size());
    case TB_COMMANDTOINDEX:
        return IndexOf(*tb, static_cast<int>(wParam));
    case TB_GETITEMRECT:
        if (wParam >= tb->buttons.size() || !lParam)
            return FALSE;
        *reinterpret_cast<RECT*>(lParam) = ButtonRect(*tb, static_cast<int>(wParam));
        return TRUE;
    case TB_ENABLEBUTTON:
    case TB_CHECKBUTTON:
    case TB_PRESSBUTTON:
    case TB_HIDEBUTTON: {
        if (IndexOf(*tb, static_cast<int>(wParam)) < 0)
            return FALSE;
        const BYTE bit = message == TB_ENABLEBUTTON  ? TBSTATE_ENABLED
                         : message == TB_CHECKBUTTON ? TBSTATE_CHECKED
                         : message == TB_PRESSBUTTON ? TBSTATE_PRESSED
                                                     : TBSTATE_HIDDEN;
        SetState(window, *tb, static_cast<int>(wParam), bit, LOWORD(lParam) != 0);
        return TRUE;
    }
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONCHECKED: {
        const int index = IndexOf(*tb, static_cast<int>(wParam));
        if (index < 0)
            return FALSE;
        const BYTE bit = message == TB_ISBUTTONENABLED ? TBSTATE_ENABLED : TBSTATE_CHECKED;
        return (tb->buttons[static_cast<size_t>(index)].fsState & bit) != 0;
    }
    case TB_SETBUTTONSIZE:
        tb->button = SIZE{std::max<LONG>(LOWORD(lParam), 1), std::max<LONG>(HIWORD(lParam), 1)};
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case TB_SETBITMAPSIZE:
        tb->bitmap = SIZE{std::max<LONG>(LOWORD(lParam), 1), std::max<LONG>(HIWORD(lParam), 1)};
        return TRUE;
    case TB_AUTOSIZE: {
        if (GetWindowLongA(window, GWL_STYLE) & CCS_NORESIZE)
            return 0;
        HWND parent = GetParent(window);
        RECT client{};
        if (parent)
            GetClientRect(parent, &client);
        SetWindowPos(window, nullptr, 0, 0, client.right - client.left, tb->button.cy + 4,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::commctrl
