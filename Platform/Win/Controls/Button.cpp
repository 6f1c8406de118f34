// The "Button" class: push buttons, check boxes, radio buttons, three-state
// boxes, group boxes and owner-drawn buttons. The kind is read from the
// style at each paint and each click, so a style changed with SetWindowLong
// counts from then on.

#include <algorithm>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Controls/Private/DialogState.h"
#include "Platform/Win/User/Icons.h"

namespace win::controls {

namespace {

constexpr LONG kGlyphSide = 13;

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;   // drawn pressed
    bool focus = false;
    bool tracking = false; // the mouse holds it
    bool spaceDown = false;
    HFONT font = nullptr;
    HANDLE image = nullptr;
    UINT imageType = IMAGE_BITMAP;
};

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
DWORD TypeOf(HWND window) { return StyleOf(window) & BS_TYPEMASK; }

enum class Kind { Push, Check, Radio, Group, OwnerDraw };

Kind KindOf(DWORD type)
{
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return Kind::Check;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return Kind::Radio;
    case BS_GROUPBOX:
        return Kind::Group;
    case BS_OWNERDRAW:
        return Kind::OwnerDraw;
    default:
        return Kind::Push;
    }
}

LRESULT DialogCodeOf(DWORD type)
{
    switch (type) {
    case BS_PUSHBUTTON:
    case BS_PUSHBOX:
    case BS_USERBUTTON:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON:
        return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX:
        return DLGC_STATIC;
    default:
        return DLGC_BUTTON;
    }
}

UINT DrawFormat(DWORD style, UINT defaultHorizontal)
{
    UINT format = 0;
    switch (style & BS_CENTER) {
    case BS_LEFT:
        format |= DT_LEFT;
        break;
    case BS_RIGHT:
        format |= DT_RIGHT;
        break;
    case BS_CENTER:
        format |= DT_CENTER;
        break;
    default:
        format |= defaultHorizontal;
        break;
    }
    if (style & BS_MULTILINE) {
        format |= DT_WORDBREAK;
    } else {
        format |= DT_SINGLELINE;
        switch (style & BS_VCENTER) {
        case BS_TOP:
            format |= DT_TOP;
            break;
        case BS_BOTTOM:
            format |= DT_BOTTOM;
            break;
        default:
            format |= DT_VCENTER;
            break;
        }
    }
    return format;
}

// Vertically centres a word-wrapped text in `area` (DrawText centres
// single lines only).
RECT CentreLines(HDC dc, const std::string& text, RECT area, UINT format)
{
    if (!(format & DT_WORDBREAK))
        return area;
    RECT measured = area;
    DrawTextA(dc, text.c_str(), -1, &measured, (format & ~DT_VCENTER) | DT_CALCRECT);
    const LONG free = (area.bottom - area.top) - (measured.bottom - measured.top);
    if (free > 0)
        area.top += free / 2;
    return area;
}

void PaintImage(HDC dc, const ButtonState& s, const RECT& area, bool pushed)
{
    const LONG shift = pushed ? 1 : 0;
    if (s.imageType == IMAGE_ICON) {
        IconImage info;
        if (!GetIconImage(static_cast<HICON>(s.image), &info))
            return;
        DrawIconEx(dc, (area.left + area.right - info.width) / 2 + shift, (area.top + area.bottom - info.height) / 2 + shift,
                   static_cast<HICON>(s.image), 0, 0, 0, nullptr, DI_NORMAL);
        return;
    }
    BITMAP info{};
    if (!GetObjectA(s.image, sizeof info, &info))
        return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, s.image);
    BitBlt(dc, (area.left + area.right - info.bmWidth) / 2 + shift, (area.top + area.bottom - info.bmHeight) / 2 + shift,
           info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void PaintPush(HWND window, HDC dc, const ButtonState& s)
{
    RECT r = ClientRect(window);
    const DWORD style = StyleOf(window);
    const bool enabled = IsWindowEnabled(window);
    FillWith(dc, r, ControlBrush(window, dc, WM_CTLCOLORBTN));
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    UINT state = DFCS_BUTTONPUSH | (s.pushed ? DFCS_PUSHED : 0);
    DrawFrameControl(dc, &r, DFC_BUTTON, state);
    RECT content = r;
    InflateRect(&content, -3, -3);
    if (s.image && (style & (BS_BITMAP | BS_ICON))) {
        PaintImage(dc, s, content, s.pushed);
    } else {
        const std::string text = WindowText(window);
        HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        const UINT format = DrawFormat(style, DT_CENTER);
        RECT area = CentreLines(dc, text, content, format);
        if (s.pushed)
            OffsetRect(&area, 1, 1);
        DrawControlText(dc, text, area, format, !enabled);
        SelectObject(dc, old);
    }
    if (s.focus) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
}

void PaintCheckOrRadio(HWND window, HDC dc, const ButtonState& s, bool radio)
{
    RECT r = ClientRect(window);
    const DWORD style = StyleOf(window);
    const bool enabled = IsWindowEnabled(window);
    FillWith(dc, r, ControlBrush(window, dc, WM_CTLCOLORSTATIC));
    const bool boxRight = (style & BS_LEFTTEXT) != 0;
    const LONG top = (r.top + r.bottom - kGlyphSide) / 2;
    RECT glyph = boxRight ? RECT{r.right - kGlyphSide, top, r.right, top + kGlyphSide}
                          : RECT{r.left, top, r.left + kGlyphSide, top + kGlyphSide};
    UINT state = radio ? DFCS_BUTTONRADIO : (TypeOf(window) == BS_3STATE || TypeOf(window) == BS_AUTO3STATE) &&
                                                    s.check == BST_INDETERMINATE
                                                ? DFCS_BUTTON3STATE
                                                : DFCS_BUTTONCHECK;
    if (s.check != BST_UNCHECKED)
        state |= DFCS_CHECKED;
    if (s.pushed)
        state |= DFCS_PUSHED;
    if (!enabled)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &glyph, DFC_BUTTON, state);
    RECT text = boxRight ? RECT{r.left, r.top, glyph.left - 4, r.bottom} : RECT{glyph.right + 4, r.top, r.right, r.bottom};
    const std::string label = WindowText(window);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    const UINT format = DrawFormat(style, DT_LEFT);
    RECT area = CentreLines(dc, label, text, format);
    DrawControlText(dc, label, area, format, !enabled);
    if (s.focus && !label.empty()) {
        RECT measured = area;
        DrawTextA(dc, label.c_str(), -1, &measured, format | DT_CALCRECT);
        if (format & DT_SINGLELINE) {
            const LONG height = measured.bottom - measured.top;
            measured.top = (area.top + area.bottom - height) / 2;
            measured.bottom = measured.top + height;
        }
        InflateRect(&measured, 1, 1);
        IntersectRect(&measured, &measured, &r);
        DrawFocusRect(dc, &measured);
    }
    SelectObject(dc, old);
}

void PaintGroup(HWND window, HDC dc, const ButtonState& s)
{
    RECT r = ClientRect(window);
    const DWORD style = StyleOf(window);
    HBRUSH brush = ControlBrush(window, dc, WM_CTLCOLORSTATIC);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const std::string label = WindowText(window);
    RECT frame = r;
    frame.top += metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!label.empty()) {
        RECT text{0, 0, 0, 0};
        DrawTextA(dc, label.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
        const LONG width = text.right + 4;
        LONG left = r.left + 8;
        if ((style & BS_CENTER) == BS_CENTER)
            left = (r.left + r.right - width) / 2;
        else if ((style & BS_CENTER) == BS_RIGHT)
            left = r.right - 8 - width;
        RECT place{left, r.top, left + width, r.top + metrics.tmHeight};
        FillWith(dc, place, brush);
        DrawControlText(dc, label, place, DT_SINGLELINE | DT_CENTER | DT_TOP, !IsWindowEnabled(window));
    }
    SelectObject(dc, old);
}

void DrawOwner(HWND window, HDC dc, const ButtonState& s, UINT action)
{
    HWND parent = NotifyTarget(window);
    if (!parent)
        return;
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
    item.itemAction = action;
    item.itemState = (s.pushed ? ODS_SELECTED : 0) | (s.focus ? ODS_FOCUS : 0) |
                     (IsWindowEnabled(window) ? 0 : ODS_DISABLED) | (s.check == BST_CHECKED ? ODS_CHECKED : 0);
    item.hwndItem = window;
    item.hDC = dc;
    item.rcItem = ClientRect(window);
    SendMessageA(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void Paint(HWND window, HDC dc, const ButtonState& s, UINT action)
{
    switch (KindOf(TypeOf(window))) {
    case Kind::Check:
        PaintCheckOrRadio(window, dc, s, false);
        break;
    case Kind::Radio:
        PaintCheckOrRadio(window, dc, s, true);
        break;
    case Kind::Group:
        PaintGroup(window, dc, s);
        break;
    case Kind::OwnerDraw:
        DrawOwner(window, dc, s, action);
        break;
    case Kind::Push:
        PaintPush(window, dc, s);
        break;
    }
}

// Redraws now: owner-drawn buttons are told what changed.
void Redraw(HWND window, UINT action = ODA_DRAWENTIRE)
{
    if (!IsWindowVisible(window))
        return;
    ButtonState* s = StateOf<ButtonState>(window);
    HDC dc = GetDC(window);
    if (!dc)
        return;
    Paint(window, dc, *s, action);
    ReleaseDC(window, dc);
}

void SetPushed(HWND window, ButtonState& s, bool pushed)
{
    if (s.pushed == pushed)
        return;
    s.pushed = pushed;
    Redraw(window, ODA_SELECT);
}

// Unchecks the other automatic radio buttons of its group.
void CheckInGroup(HWND window)
{
    HWND parent = GetParent(window);
    if (!parent)
        return;
    std::vector<HWND> group;
    HWND first = window;
    for (HWND w = window; w; w = GetWindow(w, GW_HWNDPREV)) {
        first = w;
        if (GetWindowLongA(w, GWL_STYLE) & WS_GROUP)
            break;
    }
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (GetWindowLongA(w, GWL_STYLE) & WS_GROUP))
            break;
        if (w != window && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
            SendMessageA(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            SendMessageA(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void Clicked(HWND window, ButtonState& s)
{
    switch (TypeOf(window)) {
    case BS_AUTOCHECKBOX:
        SendMessageA(window, BM_SETCHECK, s.check ? BST_UNCHECKED : BST_CHECKED, 0);
        break;
    case BS_AUTO3STATE:
        SendMessageA(window, BM_SETCHECK, (s.check + 1) % 3, 0);
        break;
    case BS_AUTORADIOBUTTON:
        SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
        CheckInGroup(window);
        break;
    default:
        break;
    }
    NotifyParent(window, BN_CLICKED);
}

bool Inside(HWND window, LPARAM lParam)
{
    RECT r = ClientRect(window);
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&r, p) != FALSE;
}

} // namespace

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<ButtonState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ButtonState* s = StateOf<ButtonState>(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        FreeState<ButtonState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DialogCodeOf(TypeOf(window));
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc, *s, ODA_DRAWENTIRE); });
    case WM_ENABLE:
    case WM_SETTEXT: {
        LRESULT result = message == WM_SETTEXT ? DefWindowProcA(window, message, wParam, lParam) : 0;
        InvalidateRect(window, nullptr, TRUE);
        return message == WM_SETTEXT ? result : 0;
    }
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SETFOCUS:
        s->focus = true;
        Redraw(window, ODA_FOCUS);
        if (HWND parent = GetParent(window); parent && IsDialog(parent))
            UpdateDefaultButton(parent, window);
        if (StyleOf(window) & BS_NOTIFY)
            NotifyParent(window, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS: {
        s->focus = false;
        s->spaceDown = false;
        if (s->pushed)
            s->pushed = false;
        if (s->tracking && GetCapture() == window)
            ReleaseCapture();
        s->tracking = false;
        Redraw(window, ODA_FOCUS);
        // Focus going to a control that is no push button gives the
        // default look back to the dialog's default button.
        HWND parent = GetParent(window);
        HWND next = reinterpret_cast<HWND>(wParam);
        if (parent && IsDialog(parent) && next && IsChild(parent, next) &&
            !(SendMessageA(next, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
            UpdateDefaultButton(parent, next);
        if (StyleOf(window) & BS_NOTIFY)
            NotifyParent(window, BN_KILLFOCUS);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (TypeOf(window) == BS_GROUPBOX)
            return 0;
        if (GetFocus() != window)
            SetFocus(window);
        SetCapture(window);
        s->tracking = true;
        SetPushed(window, *s, true);
        return 0;
    case WM_MOUSEMOVE:
        if (s->tracking)
            SetPushed(window, *s, Inside(window, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (!s->tracking)
            return 0;
        const bool inside = Inside(window, lParam);
        s->tracking = false;
        if (GetCapture() == window)
            ReleaseCapture();
        SetPushed(window, *s, false);
        if (inside)
            Clicked(window, *s);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (s->tracking) {
            s->tracking = false;
            SetPushed(window, *s, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && TypeOf(window) != BS_GROUPBOX) {
            if (!s->spaceDown) {
                s->spaceDown = true;
                SetPushed(window, *s, true);
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE && s->spaceDown) {
            s->spaceDown = false;
            SetPushed(window, *s, false);
            Clicked(window, *s);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_CHAR:
        return 0;
    case BM_GETCHECK:
        return s->check;
    case BM_SETCHECK: {
        const Kind kind = KindOf(TypeOf(window));
        if (kind != Kind::Check && kind != Kind::Radio && kind != Kind::OwnerDraw)
            return 0;
        UINT check = static_cast<UINT>(wParam);
        if (check == BST_INDETERMINATE && TypeOf(window) != BS_3STATE && TypeOf(window) != BS_AUTO3STATE)
            check = BST_CHECKED;
        if (check > BST_INDETERMINATE)
            check = BST_CHECKED;
        if (check != s->check) {
            s->check = check;
            Redraw(window);
        }
        return 0;
    }
    case BM_GETSTATE:
        return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
        SetPushed(window, *s, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const DWORD style = StyleOf(window);
        const DWORD updated = (style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
        if (updated != style)
            SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(updated));
        if (lParam)
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK: {
        if (!IsWindowEnabled(window))
            return 0;
        RECT r = ClientRect(window);
        const LPARAM at = MAKELPARAM(static_cast<DWORD>(std::max<LONG>(0, r.right / 2)),
                                     static_cast<DWORD>(std::max<LONG>(0, r.bottom / 2)));
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(window, WM_LBUTTONUP, 0, at);
        return 0;
    }
    case BM_GETIMAGE:
        return wParam == s->imageType ? reinterpret_cast<LRESULT>(s->image) : 0;
    case BM_SETIMAGE: {
        HANDLE old = s->imageType == wParam ? s->image : nullptr;
        s->image = reinterpret_cast<HANDLE>(lParam);
        s->imageType = static_cast<UINT>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace win::controls
