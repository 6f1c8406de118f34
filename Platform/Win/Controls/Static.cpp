// The "Static" class: labels, icons, bitmaps, rectangles and frames. A
// static without SS_NOTIFY is transparent to the mouse (the parent gets the
// clicks); with it, it reports STN_CLICKED and STN_DBLCLK.

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/User/Icons.h"

namespace win::controls {

namespace {

struct StaticState {
    HFONT font = nullptr;
    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;
};

UINT TextFormat(DWORD style)
{
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        format |= DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_SIMPLE:
        format |= DT_SINGLELINE | DT_NOCLIP;
        break;
    case SS_LEFTNOWORDWRAP:
        format |= DT_LEFT;
        break;
    default:
        format |= DT_LEFT | DT_WORDBREAK;
        break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if ((style & SS_CENTERIMAGE) && (format & DT_WORDBREAK) == 0)
        format |= DT_VCENTER | DT_SINGLELINE;
    if (style & SS_ENDELLIPSIS)
        format |= DT_END_ELLIPSIS;
    return format;
}

// The fill of the rectangle kinds and the two frame colours of the frame
// kinds, in system colours.
struct Shape {
    DWORD type;
    int color;
    bool frame;
};
constexpr Shape kShapes[] = {
    {SS_BLACKRECT, COLOR_3DDKSHADOW, false}, {SS_GRAYRECT, COLOR_3DSHADOW, false},
    {SS_WHITERECT, COLOR_3DHILIGHT, false},  {SS_BLACKFRAME, COLOR_3DDKSHADOW, true},
    {SS_GRAYFRAME, COLOR_3DSHADOW, true},    {SS_WHITEFRAME, COLOR_3DHILIGHT, true},
};

void PaintImage(HWND window, HDC dc, const StaticState& s, const RECT& r)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    if (s.icon) {
        IconImage image;
        LONG x = r.left;
        LONG y = r.top;
        if ((style & SS_CENTERIMAGE) && GetIconImage(s.icon, &image)) {
            x = (r.left + r.right - image.width) / 2;
            y = (r.top + r.bottom - image.height) / 2;
        }
        DrawIconEx(dc, x, y, s.icon, 0, 0, 0, nullptr, DI_NORMAL);
    } else if (s.bitmap) {
        BITMAP info{};
        if (!GetObjectA(s.bitmap, sizeof info, &info))
            return;
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, s.bitmap);
        LONG x = r.left;
        LONG y = r.top;
        if (style & SS_CENTERIMAGE) {
            x = (r.left + r.right - info.bmWidth) / 2;
            y = (r.top + r.bottom - info.bmHeight) / 2;
        }
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
}

void Paint(HWND window, HDC dc, const StaticState& s)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    RECT r = ClientRect(window);
    if (type == SS_OWNERDRAW) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = IsWindowEnabled(window) ? 0 : ODS_DISABLED;
        item.hwndItem = window;
        item.hDC = dc;
        item.rcItem = r;
        if (HWND parent = NotifyTarget(window))
            SendMessageA(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return;
    }
    HBRUSH brush = ControlBrush(window, dc, WM_CTLCOLORSTATIC);
    for (const Shape& shape : kShapes) {
        if (shape.type != type)
            continue;
        if (shape.frame)
            FrameRect(dc, &r, GetSysColorBrush(shape.color));
        else
            FillSysColor(dc, r, shape.color);
        return;
    }
    if (type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT || type == SS_ETCHEDFRAME) {
        const UINT sides = type == SS_ETCHEDHORZ ? BF_TOP : type == SS_ETCHEDVERT ? BF_LEFT : BF_RECT;
        DrawEdge(dc, &r, EDGE_ETCHED, sides);
        return;
    }
    FillWith(dc, r, brush);
    if (type == SS_ICON || type == SS_BITMAP) {
        PaintImage(window, dc, s, r);
        return;
    }
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    DrawControlText(dc, WindowText(window), r, TextFormat(style), !IsWindowEnabled(window));
    SelectObject(dc, old);
}

// An icon static takes the size of its icon, unless it centres the icon
// in its own rectangle or keeps that rectangle as it is.
void FitToIcon(HWND window, DWORD style, HICON icon)
{
    IconImage image;
    if ((style & SS_TYPEMASK) != SS_ICON || (style & (SS_CENTERIMAGE | SS_REALSIZEIMAGE)) || !icon ||
        !GetIconImage(icon, &image))
        return;
    SetWindowPos(window, nullptr, 0, 0, image.width, image.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// An icon or bitmap named by the template: a resource of the dialog's module.
void LoadNamedImage(HWND window, StaticState& s, const CREATESTRUCTA* create)
{
    if (!create || !create->lpszName)
        return;
    LPCSTR name = create->lpszName;
    if (!IS_INTRESOURCE(name) && !*name)
        return;
    const DWORD type = static_cast<DWORD>(create->style) & SS_TYPEMASK;
    if (type == SS_ICON) {
        s.icon = LoadIconA(create->hInstance, name);
        FitToIcon(window, static_cast<DWORD>(create->style), s.icon);
    } else if (type == SS_BITMAP) {
        s.bitmap = LoadBitmapA(create->hInstance, name);
    }
}

} // namespace

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<StaticState>(window);
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const DWORD type = create ? static_cast<DWORD>(create->style) & SS_TYPEMASK : 0;
        if (type == SS_ICON || type == SS_BITMAP) {
            // The window text of an image static is empty; its name is a resource.
            CREATESTRUCTA copy = *create;
            copy.lpszName = "";
            return DefWindowProcA(window, message, wParam, reinterpret_cast<LPARAM>(&copy));
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    StaticState* s = StateOf<StaticState>(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        LoadNamedImage(window, *s, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return 0;
    case WM_NCDESTROY:
        FreeState<StaticState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCHITTEST: {
        if (GetWindowLongA(window, GWL_STYLE) & SS_NOTIFY)
            return DefWindowProcA(window, message, wParam, lParam);
        return HTTRANSPARENT;
    }
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc, *s); });
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_LBUTTONDOWN:
        if (GetWindowLongA(window, GWL_STYLE) & SS_NOTIFY)
            NotifyParent(window, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (GetWindowLongA(window, GWL_STYLE) & SS_NOTIFY)
            NotifyParent(window, STN_DBLCLK);
        return 0;
    case STM_SETICON: {
        HICON old = s->icon;
        s->icon = reinterpret_cast<HICON>(wParam);
        FitToIcon(window, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), s->icon);
        InvalidateRect(window, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(s->icon);
    case STM_SETIMAGE: {
        LRESULT old = 0;
        if (wParam == IMAGE_ICON || wParam == IMAGE_CURSOR) {
            old = reinterpret_cast<LRESULT>(s->icon);
            s->icon = reinterpret_cast<HICON>(lParam);
            FitToIcon(window, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), s->icon);
        } else if (wParam == IMAGE_BITMAP) {
            old = reinterpret_cast<LRESULT>(s->bitmap);
            s->bitmap = reinterpret_cast<HBITMAP>(lParam);
        }
        InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case STM_GETIMAGE:
        if (wParam == IMAGE_BITMAP)
            return reinterpret_cast<LRESULT>(s->bitmap);
        return reinterpret_cast<LRESULT>(s->icon);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::controls
