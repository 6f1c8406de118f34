// The font dialog over the installed families: face, style, size, effects
// with a colour, and a sample drawn in the choice.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/Win/CommDlg/CommDlg.h"
#include "Platform/Win/Controls/DialogBuilding.h"
#include "Platform/Win/Gdi/FontFamilies.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Kernel/Resources.h"

namespace win::commdlg {

DWORD& LastCommonDialogError();

namespace {

constexpr const char* kStateProperty = "KestrelonFontDialog";
constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
constexpr const char* kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};

struct NamedColour {
    const char* name;
    COLORREF colour;
};
constexpr NamedColour kColours[] = {
    {"Black", RGB(0, 0, 0)},         {"Maroon", RGB(128, 0, 0)},    {"Green", RGB(0, 128, 0)},
    {"Olive", RGB(128, 128, 0)},     {"Navy", RGB(0, 0, 128)},      {"Purple", RGB(128, 0, 128)},
    {"Teal", RGB(0, 128, 128)},      {"Gray", RGB(128, 128, 128)},  {"Silver", RGB(192, 192, 192)},
    {"Red", RGB(255, 0, 0)},         {"Lime", RGB(0, 255, 0)},      {"Yellow", RGB(255, 255, 0)},
    {"Blue", RGB(0, 0, 255)},        {"Fuchsia", RGB(255, 0, 255)}, {"Aqua", RGB(0, 255, 255)},
    {"White", RGB(255, 255, 255)},
};

struct FontDialog {
    CHOOSEFONTA* cf = nullptr;
    std::vector<std::string> families;
    HFONT sample = nullptr;
};

FontDialog* StateOf(HWND dialog) { return static_cast<FontDialog*>(GetPropA(dialog, kStateProperty)); }

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

LRESULT Item(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : CB_ERR;
}

int Selected(HWND dialog, int id) { return static_cast<int>(Item(dialog, id, CB_GETCURSEL)); }

// The size field: typed or chosen, in points; 0 when it holds no number.
int ChosenSize(HWND dialog)
{
    char text[16] = {};
    GetDlgItemTextA(dialog, cmb3, text, sizeof text);
    const int points = std::atoi(text);
    return points > 0 && points <= 1638 ? points : 0;
}

// The choice as a LOGFONT; false when the size is no number.
bool Choice(HWND dialog, const FontDialog& fd, LOGFONTA* lf, COLORREF* colour)
{
    *lf = LOGFONTA{};
    const int face = Selected(dialog, cmb1);
    const int style = std::max(0, Selected(dialog, cmb2));
    const int points = ChosenSize(dialog);
    if (face < 0 || face >= static_cast<int>(fd.families.size()) || points == 0)
        return false;
    lf->lfHeight = -MulDiv(points, ScreenDpi(), 72);
    lf->lfWeight = style >= 2 ? FW_BOLD : FW_NORMAL;
    lf->lfItalic = (style % 2) ? TRUE : FALSE;
    lf->lfUnderline = IsDlgButtonChecked(dialog, chx2) == BST_CHECKED;
    lf->lfStrikeOut = IsDlgButtonChecked(dialog, chx1) == BST_CHECKED;
    lf->lfCharSet = DEFAULT_CHARSET;
    lf->lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf->lfFaceName, fd.families[static_cast<size_t>(face)].c_str(), LF_FACESIZE);
    const int c = Selected(dialog, cmb4);
    *colour = c >= 0 ? static_cast<COLORREF>(Item(dialog, cmb4, CB_GETITEMDATA, static_cast<WPARAM>(c)))
                     : fd.cf->rgbColors;
    return true;
}

void UpdateSample(HWND dialog, FontDialog& fd)
{
    LOGFONTA lf;
    COLORREF colour = 0;
    if (!Choice(dialog, fd, &lf, &colour))
        return;
    HFONT font = CreateFontIndirectA(&lf);
    if (HWND sample = GetDlgItem(dialog, stc5)) {
        SendMessageA(sample, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        InvalidateRect(sample, nullptr, TRUE);
    }
    if (fd.sample)
        DeleteObject(fd.sample);
    fd.sample = font;
}

int IndexNoCase(const std::vector<std::string>& names, const char* wanted)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), wanted) == 0)
            return static_cast<int>(i);
    return -1;
}

void Fill(HWND dialog, FontDialog& fd)
{
    CHOOSEFONTA& cf = *fd.cf;
    for (const std::string& family : fd.families)
        Item(dialog, cmb1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(family.c_str()));
    for (const char* style : kStyles)
        Item(dialog, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(style));
    for (int size : kSizes) {
        if ((cf.Flags & CF_LIMITSIZE) && (size < cf.nSizeMin || size > cf.nSizeMax))
            continue;
        char text[8];
        std::snprintf(text, sizeof text, "%d", size);
        Item(dialog, cmb3, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    const bool effects = cf.Flags & CF_EFFECTS;
    for (const NamedColour& c : kColours) {
        const LRESULT at = Item(dialog, cmb4, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.name));
        if (at >= 0)
            Item(dialog, cmb4, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(c.colour));
    }
    for (int id : {chx1, chx2, cmb4, grp1, stc4})
        if (HWND control = GetDlgItem(dialog, id))
            ShowWindow(control, effects ? SW_SHOW : SW_HIDE);

    // The starting choice: the LOGFONT given, else the first family.
    int face = 0;
    int style = 0;
    int points = 10;
    if ((cf.Flags & CF_INITTOLOGFONTSTRUCT) && cf.lpLogFont) {
        const LOGFONTA& lf = *cf.lpLogFont;
        const int found = IndexNoCase(fd.families, lf.lfFaceName);
        face = found >= 0 ? found : 0;
        style = (lf.lfWeight >= FW_SEMIBOLD ? 2 : 0) + (lf.lfItalic ? 1 : 0);
        if (lf.lfHeight < 0)
            points = MulDiv(-lf.lfHeight, 72, ScreenDpi());
        else if (lf.lfHeight > 0)
            points = MulDiv(lf.lfHeight, 72, ScreenDpi());
        CheckDlgButton(dialog, chx2, lf.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, chx1, lf.lfStrikeOut ? BST_CHECKED : BST_UNCHECKED);
    }
    Item(dialog, cmb1, CB_SETCURSEL, static_cast<WPARAM>(face));
    Item(dialog, cmb2, CB_SETCURSEL, static_cast<WPARAM>(style));
    char size[8];
    std::snprintf(size, sizeof size, "%d", points);
    const LRESULT sized = Item(dialog, cmb3, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(size));
    Item(dialog, cmb3, CB_SETCURSEL, static_cast<WPARAM>(sized));
    SetDlgItemTextA(dialog, cmb3, size);
    int colour = 0;
    for (size_t i = 0; i < std::size(kColours); ++i)
        if (kColours[i].colour == (cf.rgbColors & 0xFFFFFF))
            colour = static_cast<int>(i);
    Item(dialog, cmb4, CB_SETCURSEL, static_cast<WPARAM>(colour));
    SetDlgItemTextA(dialog, stc5, "AaBbYyZz");
    UpdateSample(dialog, fd);
}

void Accept(HWND dialog, FontDialog& fd)
{
    LOGFONTA lf;
    COLORREF colour = 0;
    if (!Choice(dialog, fd, &lf, &colour)) {
        MessageBoxA(dialog, "Size must be a number.", "Font", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CHOOSEFONTA& cf = *fd.cf;
    const int points = ChosenSize(dialog);
    if ((cf.Flags & CF_LIMITSIZE) && (points < cf.nSizeMin || points > cf.nSizeMax)) {
        char text[96];
        std::snprintf(text, sizeof text, "Size must be between %d and %d points.", cf.nSizeMin, cf.nSizeMax);
        MessageBoxA(dialog, text, "Font", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (cf.lpLogFont)
        *cf.lpLogFont = lf;
    cf.iPointSize = points * 10;
    if (cf.Flags & CF_EFFECTS)
        cf.rgbColors = colour;
    cf.nFontType = static_cast<WORD>(SCREEN_FONTTYPE | (lf.lfWeight >= FW_BOLD ? BOLD_FONTTYPE : 0) |
                                     (lf.lfItalic ? ITALIC_FONTTYPE : 0) |
                                     (lf.lfWeight < FW_BOLD && !lf.lfItalic ? REGULAR_FONTTYPE : 0));
    if ((cf.Flags & CF_USESTYLE) && cf.lpszStyle) {
        const int style = std::max(0, Selected(dialog, cmb2));
        std::strcpy(cf.lpszStyle, kStyles[style]);
    }
    EndDialog(dialog, TRUE);
}

INT_PTR CALLBACK FontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    FontDialog* fd = StateOf(dialog);
    if (message == WM_INITDIALOG) {
        fd = reinterpret_cast<FontDialog*>(lParam);
        SetPropA(dialog, kStateProperty, fd);
        Fill(dialog, *fd);
        if ((fd->cf->Flags & CF_ENABLEHOOK) && fd->cf->lpfnHook)
            fd->cf->lpfnHook(dialog, message, wParam, reinterpret_cast<LPARAM>(fd->cf));
        return TRUE;
    }
    if (!fd)
        return FALSE;
    // The hook sees every message first; an answer takes it.
    if ((fd->cf->Flags & CF_ENABLEHOOK) && fd->cf->lpfnHook && message != WM_NCDESTROY)
        if (UINT_PTR answer = fd->cf->lpfnHook(dialog, message, wParam, lParam))
            return static_cast<INT_PTR>(answer);
    if (!(fd = StateOf(dialog)))
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Accept(dialog, *fd);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, FALSE);
            return TRUE;
        case chx1:
        case chx2:
            UpdateSample(dialog, *fd);
            return FALSE;
        case cmb1:
        case cmb2:
        case cmb3:
        case cmb4:
            if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_EDITCHANGE)
                UpdateSample(dialog, *fd);
            return FALSE;
        default:
            return FALSE;
        }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, stc5)) {
            LOGFONTA lf;
            COLORREF colour = 0;
            if (Choice(dialog, *fd, &lf, &colour))
                SetTextColor(reinterpret_cast<HDC>(wParam), colour);
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
        }
        return FALSE;
    case WM_NCDESTROY:
        RemovePropA(dialog, kStateProperty);
        if (fd->cf->Flags & CF_ENABLEHOOK && fd->cf->lpfnHook)
            fd->cf->lpfnHook(dialog, message, wParam, lParam);
        if (fd->sample)
            DeleteObject(fd->sample);
        fd->sample = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void BuildTemplate(DialogTemplateBuilder& b)
{
    const DWORD child = WS_CHILD | WS_VISIBLE;
    b.Font(8, "MS Shell Dlg");
    b.Control("&Font:", static_cast<WORD>(stc1), kStaticAtom, child, 7, 7, 98, 9);
    b.Control("", static_cast<WORD>(cmb1), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT, 7, 18,
              98, 120);
    b.Control("Font st&yle:", static_cast<WORD>(stc2), kStaticAtom, child, 112, 7, 64, 9);
    b.Control("", static_cast<WORD>(cmb2), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWNLIST, 112, 18, 64, 80);
    b.Control("&Size:", static_cast<WORD>(stc3), kStaticAtom, child, 183, 7, 40, 9);
    b.Control("", static_cast<WORD>(cmb3), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWN, 183, 18, 40, 120);
    b.Control("Effects", static_cast<WORD>(grp1), kButtonAtom, child | BS_GROUPBOX, 7, 40, 98, 72);
    b.Control("Stri&keout", static_cast<WORD>(chx1), kButtonAtom, child | WS_TABSTOP | BS_AUTOCHECKBOX, 13, 52, 80,
              10);
    b.Control("&Underline", static_cast<WORD>(chx2), kButtonAtom, child | WS_TABSTOP | BS_AUTOCHECKBOX, 13, 66, 80,
              10);
    b.Control("&Color:", static_cast<WORD>(stc4), kStaticAtom, child, 13, 81, 30, 9);
    b.Control("", static_cast<WORD>(cmb4), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWNLIST, 13, 92, 82, 100);
    b.Control("AaBbYyZz", static_cast<WORD>(stc5), kStaticAtom, child | SS_CENTER | SS_SUNKEN, 112, 40, 111, 72);
    b.Control("OK", IDOK, kButtonAtom, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 119, 120, 50, 14);
    b.Control("Cancel", IDCANCEL, kButtonAtom, child | WS_TABSTOP | BS_PUSHBUTTON, 173, 120, 50, 14);
}

} // namespace

} // namespace win::commdlg

BOOL ChooseFontA(LPCHOOSEFONTA cf)
{
    using namespace win;
    using namespace win::commdlg;
    DWORD& error = LastCommonDialogError();
    error = 0;
    if (!cf) {
        error = CDERR_INITIALIZATION;
        return FALSE;
    }
    if (cf->lStructSize != sizeof(CHOOSEFONTA)) {
        error = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if ((cf->Flags & CF_ENABLEHOOK) && !cf->lpfnHook) {
        error = CDERR_NOHOOK;
        return FALSE;
    }
    if ((cf->Flags & CF_LIMITSIZE) && cf->nSizeMax < cf->nSizeMin) {
        error = CFERR_MAXLESSTHANMIN;
        return FALSE;
    }
    InitCommonControls();
    FontDialog fd;
    fd.cf = cf;
    fd.families = gdi::FontFamilies(cf->Flags & CF_SCALABLEONLY, cf->Flags & CF_FIXEDPITCHONLY);
    if (fd.families.empty()) {
        error = CFERR_NOFONTS;
        return FALSE;
    }
    INT_PTR result = -1;
    if ((cf->Flags & CF_ENABLETEMPLATE) && cf->lpTemplateName) {
        ResourceBytes bytes = FindDialogTemplate(cf->hInstance, cf->lpTemplateName);
        if (!bytes) {
            error = CDERR_FINDRESFAILURE;
            return FALSE;
        }
        result = controls::DialogBoxFromBytes(cf->hInstance, bytes.data, bytes.size, cf->hwndOwner, FontDialogProc,
                                              reinterpret_cast<LPARAM>(&fd));
    } else {
        DialogTemplateBuilder b(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 230, 141,
                                "Font");
        BuildTemplate(b);
        result = controls::DialogBoxFromBytes(nullptr, b.Data(), b.Size(), cf->hwndOwner, FontDialogProc,
                                              reinterpret_cast<LPARAM>(&fd));
    }
    if (result < 0) {
        error = CDERR_DIALOGFAILURE;
        return FALSE;
    }
    return result == TRUE;
}
