#include "Platform/Win/Gallery/Showcase.h"

#include <cstdlib>
#include <cstdio>
#include <string>

namespace gallery {

namespace {

constexpr int IDD_ALL = 100;
constexpr int IDC_NAME = 1001;
constexpr int IDC_SECOND = 1004;
constexpr int IDC_CHECK = 1006;
constexpr int IDC_LIST = 1007;
constexpr int IDC_COMBO = 1008;
constexpr int IDC_SCROLL = 1009;
constexpr int IDC_NOTES = 1010;
constexpr int IDC_DRAWN = 1012;

struct Swatch {
    UINT id;
    const char* name;
    COLORREF colour;
};

constexpr Swatch kSwatches[] = {
    {40001, "Red", RGB(200, 40, 40)},
    {40002, "Green", RGB(40, 160, 60)},
    {40003, "Blue", RGB(40, 70, 200)},
    {40004, "Grey", RGB(128, 128, 128)},
};

void DrawButtonFace(const DRAWITEMSTRUCT& draw)
{
    RECT r = draw.rcItem;
    const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
    FillRect(draw.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(draw.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    SetBkMode(draw.hDC, TRANSPARENT);
    SetTextColor(draw.hDC, (draw.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 128));
    DrawTextA(draw.hDC, "Drawn", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (draw.itemState & ODS_FOCUS) {
        InflateRect(&r, -4, -4);
        DrawFocusRect(draw.hDC, &r);
    }
}

INT_PTR CALLBACK SampleDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_DRAWITEM) {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlID != IDC_DRAWN)
            return FALSE;
        DrawButtonFace(*draw);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    return FALSE;
}

} // namespace

HMODULE LoadControlsFixture(const std::string& folder)
{
    static HMODULE module = [&] {
        setenv("KESTRELON_MODULE_DIR", folder.c_str(), 1);
        win::RegisterResourceModule("ControlsFixture.dll", "ControlsFixture.kres");
        return LoadLibraryA("ControlsFixture.dll");
    }();
    return module;
}

HWND MakeSampleDialog(HMODULE fixture, HWND owner)
{
    HWND dialog = CreateDialogParamA(fixture, MAKEINTRESOURCEA(IDD_ALL), owner, SampleDialogProc, 0);
    if (!dialog)
        return nullptr;
    for (const char* item : {"Alpha", "Beta", "Gamma", "Delta", "Epsilon"})
        SendDlgItemMessageA(dialog, IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    for (const char* item : {"Small", "Medium", "Large"})
        SendDlgItemMessageA(dialog, IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetDlgItemTextA(dialog, IDC_NAME, "Holiday");
    SetDlgItemTextA(dialog, IDC_NOTES, "First line\r\nSecond line");
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 30, 0};
    SetScrollInfo(GetDlgItem(dialog, IDC_SCROLL), SB_CTL, &info, TRUE);
    ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

void ApplyLook(HWND dialog, DialogLook look)
{
    SetForegroundWindow(dialog);
    switch (look) {
    case DialogLook::Normal:
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
        break;
    case DialogLook::Focused:
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_CHECK)), TRUE);
        break;
    case DialogLook::Disabled:
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetDlgCtrlID(child) != IDOK)
                EnableWindow(child, FALSE);
        break;
    case DialogLook::Checked:
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
        CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
        CheckRadioButton(dialog, IDC_SECOND - 1, IDC_SECOND + 1, IDC_SECOND);
        SendDlgItemMessageA(dialog, IDC_LIST, LB_SETCURSEL, 2, 0);
        SendDlgItemMessageA(dialog, IDC_COMBO, CB_SETCURSEL, 1, 0);
        break;
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HMENU MakeOwnerDrawnPopup()
{
    HMENU popup = CreatePopupMenu();
    for (const Swatch& swatch : kSwatches)
        AppendMenuA(popup, MF_OWNERDRAW, swatch.id, reinterpret_cast<LPCSTR>(&swatch));
    EnableMenuItem(popup, kSwatches[3].id, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(popup, kSwatches[1].id, MF_BYCOMMAND | MF_CHECKED);
    return popup;
}

bool AnswerOwnerDraw(UINT message, LPARAM lParam, LRESULT* result)
{
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU)
            return false;
        measure->itemWidth = 110;
        measure->itemHeight = 22;
        *result = TRUE;
        return true;
    }
    if (message != WM_DRAWITEM)
        return false;
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType != ODT_MENU)
        return false;
    const auto* swatch = reinterpret_cast<const Swatch*>(draw->itemData);
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    RECT r = draw->rcItem;
    FillRect(draw->hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    RECT chip{r.left + 4, r.top + 4, r.left + 18, r.bottom - 4};
    HBRUSH brush = CreateSolidBrush(swatch->colour);
    FillRect(draw->hDC, &chip, brush);
    DeleteObject(brush);
    RECT text{r.left + 24, r.top, r.right, r.bottom};
    SetBkMode(draw->hDC, TRANSPARENT);
    SetTextColor(draw->hDC, (draw->itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT)
                            : selected                          ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                : GetSysColor(COLOR_MENUTEXT));
    const std::string label = std::string(swatch->name) + ((draw->itemState & ODS_CHECKED) ? "  \xE2\x9C\x93" : "");
    DrawTextA(draw->hDC, label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    *result = TRUE;
    return true;
}

HWND MakeThumbnailList(HWND parent, RECT r)
{
    InitCommonControls();
    HWND list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ICON, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, parent, reinterpret_cast<HMENU>(1154), nullptr,
                                  nullptr);
    if (!list)
        return nullptr;
    HIMAGELIST images = ImageList_Create(80, 60, ILC_COLOR24 | ILC_MASK, 0, 8);
    HDC screen = ::GetDC(nullptr);
    const COLORREF colours[] = {RGB(200, 60, 50), RGB(60, 150, 70), RGB(50, 90, 190),
                                RGB(220, 180, 40), RGB(140, 70, 160), RGB(40, 160, 170)};
    for (int i = 0; i < 6; ++i) {
        HBITMAP picture = ::CreateCompatibleBitmap(screen, 80, 60);
        HDC dc = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(dc, picture);
        RECT all{0, 0, 80, 60};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        HBRUSH brush = ::CreateSolidBrush(colours[i]);
        RECT inner{6, 6, 74, 54};
        ::FillRect(dc, &inner, brush);
        ::DeleteObject(brush);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        ImageList_AddMasked(images, picture, RGB(0, 0, 0));
        ::DeleteObject(picture);
        char text[64];
        std::snprintf(text, sizeof text, "Scene %d\r\n00:%02d.000", i + 1, i * 7);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.iImage = i;
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::ReleaseDC(nullptr, screen);
    ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    return list;
}

} // namespace gallery
