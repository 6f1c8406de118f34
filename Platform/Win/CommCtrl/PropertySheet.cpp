// Property sheets and wizards. The sheet is a dialog built here with a
// "SysTabControl32" child (none in wizard mode) and its push buttons; its
// pages are the callers' templates made into DS_CONTROL child dialogs on
// their first activation, each given a pointer to the sheet's copy of its
// PROPSHEETPAGEA as the WM_INITDIALOG parameter. Pages answer the PSN_
// notifications through DWLP_MSGRESULT.

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Platform/Win/CommCtrl/Private/CommCtrlInternal.h"
#include "Platform/Win/Controls/DialogBuilding.h"
#include "Platform/Win/Kernel/Resources.h"

namespace win::commctrl {

struct SheetPage {
    PROPSHEETPAGEA psp{};
    std::string title; // kept for pszTitle
    HWND window = nullptr;
    bool created = false; // PSPCB_CREATE was asked
};

namespace {

constexpr const char* kSheetProperty = "KestrelonPropertySheet";
// A modeless sheet's state, owned by its window.
constexpr const char* kOwnedProperty = "KestrelonPropertySheetOwned";
// Templates given only by address are read no further than this.
constexpr size_t kUnboundedTemplateLimit = 64 * 1024;
constexpr int kMargin = 7;         // dialog units
constexpr int kButtonWidth = 50;   // dialog units
constexpr int kButtonHeight = 14;  // dialog units
constexpr int kButtonGap = 4;      // dialog units

std::mutex g_pagesLock;
std::set<SheetPage*> g_pages;

bool LivePage(HPROPSHEETPAGE page)
{
    std::lock_guard<std::mutex> guard(g_pagesLock);
    return g_pages.count(page) != 0;
}

HPROPSHEETPAGE NewPage(const PROPSHEETPAGEA& from)
{
    auto* page = new SheetPage;
    const size_t size = std::min<size_t>(from.dwSize, sizeof(PROPSHEETPAGEA));
    std::memcpy(&page->psp, &from, size);
    page->psp.dwSize = static_cast<DWORD>(sizeof(PROPSHEETPAGEA));
    if (size < sizeof(PROPSHEETPAGEA)) {
        page->psp.pszHeaderTitle = nullptr;
        page->psp.pszHeaderSubTitle = nullptr;
    }
    if ((page->psp.dwFlags & PSP_USETITLE) && page->psp.pszTitle && !IS_INTRESOURCE(page->psp.pszTitle)) {
        page->title = page->psp.pszTitle;
        page->psp.pszTitle = page->title.c_str();
    }
    if ((page->psp.dwFlags & PSP_USEREFPARENT) && page->psp.pcRefParent)
        ++*page->psp.pcRefParent;
    std::lock_guard<std::mutex> guard(g_pagesLock);
    g_pages.insert(page);
    return page;
}

void ReleasePage(HPROPSHEETPAGE page)
{
    {
        std::lock_guard<std::mutex> guard(g_pagesLock);
        if (!g_pages.erase(page))
            return;
    }
    if (page->window && IsWindow(page->window))
        DestroyWindow(page->window);
    if ((page->psp.dwFlags & PSP_USECALLBACK) && page->psp.pfnCallback)
        page->psp.pfnCallback(nullptr, PSPCB_RELEASE, &page->psp);
    if ((page->psp.dwFlags & PSP_USEREFPARENT) && page->psp.pcRefParent && *page->psp.pcRefParent)
        --*page->psp.pcRefParent;
    delete page;
}

struct Sheet {
    DWORD flags = 0;
    HINSTANCE instance = nullptr;
    std::string caption;
    PFNPROPSHEETCALLBACK callback = nullptr;
    std::vector<HPROPSHEETPAGE> pages;
    int start = 0;
    int current = -1;
    std::set<HWND> changed;
    LPARAM wizardButtons = PSWIZB_BACK | PSWIZB_NEXT;
    int endButton = 0;
    RECT pageArea{}; // pixels, in the sheet's client area
    SIZE pageUnits{}; // the largest page, in dialog units
};

Sheet* SheetOf(HWND sheet) { return sheet ? static_cast<Sheet*>(GetPropA(sheet, kSheetProperty)) : nullptr; }
bool Wizard(const Sheet& s) { return s.flags & PSH_WIZARD; }

std::string TextOrResource(HINSTANCE module, LPCSTR text)
{
    if (!text)
        return std::string();
    if (!IS_INTRESOURCE(text))
        return text;
    std::string loaded;
    LoadStringText(module, static_cast<UINT>(reinterpret_cast<UINT_PTR>(text)), loaded);
    return loaded;
}

// The page's template read into a description; false when it is missing
// or damaged.
bool ReadPageTemplate(const SheetPage& page, DialogDescription* out)
{
    if (page.psp.dwFlags & PSP_DLGINDIRECT) {
        if (!page.psp.pResource)
            return false;
        ResourceBytes holding = ResourceHolding(page.psp.hInstance, page.psp.pResource);
        return ReadDialogTemplate(page.psp.pResource, holding ? holding.size : kUnboundedTemplateLimit, out);
    }
    ResourceBytes bytes = FindDialogTemplate(page.psp.hInstance, page.psp.pszTemplate);
    return bytes && ReadDialogTemplate(bytes.data, bytes.size, out);
}

std::string PageTitle(const SheetPage& page)
{
    if (page.psp.dwFlags & PSP_USETITLE)
        return TextOrResource(page.psp.hInstance, page.psp.pszTitle);
    DialogDescription d;
    return ReadPageTemplate(page, &d) ? d.title : std::string();
}

// What a wizard page's navigation answer names a page by: its template's
// resource id, or for a template in memory its address.
LRESULT TemplateKey(const SheetPage& page) { return reinterpret_cast<LRESULT>(page.psp.pszTemplate); }

LRESULT NotifyPage(HWND sheet, HWND page, UINT code, LPARAM lParam = 0)
{
    if (!page || !IsWindow(page))
        return 0;
    PSHNOTIFY nm{};
    nm.hdr.hwndFrom = sheet;
    nm.hdr.idFrom = 0;
    nm.hdr.code = code;
    nm.lParam = lParam;
    return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
}

HWND Item(HWND sheet, int id) { return GetDlgItem(sheet, id); }

// A page made on its first activation, placed in the page area, hidden.
HWND MakePage(HWND sheet, Sheet& s, HPROPSHEETPAGE page)
{
    if (page->window && IsWindow(page->window))
        return page->window;
    if ((page->psp.dwFlags & PSP_USECALLBACK) && page->psp.pfnCallback && !page->created) {
        page->created = true;
        if (!page->psp.pfnCallback(nullptr, PSPCB_CREATE, &page->psp))
            return nullptr;
    }
    DialogDescription d;
    if (!ReadPageTemplate(*page, &d))
        return nullptr;
    controls::MakeChildPage(d);
    HWND window = controls::CreateDialogFromDescription(page->psp.hInstance, d, sheet, page->psp.pfnDlgProc,
                                                        reinterpret_cast<LPARAM>(&page->psp));
    if (!window || !SheetOf(sheet))
        return nullptr;
    page->window = window;
    SetWindowPos(window, HWND_TOP, s.pageArea.left, s.pageArea.top, s.pageArea.right - s.pageArea.left,
                 s.pageArea.bottom - s.pageArea.top, SWP_NOACTIVATE);
    return window;
}

int IndexOfWindow(const Sheet& s, HWND window)
{
    for (size_t i = 0; i < s.pages.size(); ++i)
        if (s.pages[i]->window == window)
            return static_cast<int>(i);
    return -1;
}

int IndexOfId(const Sheet& s, LRESULT id)
{
    for (size_t i = 0; i < s.pages.size(); ++i)
        if (TemplateKey(*s.pages[i]) == id)
            return static_cast<int>(i);
    return -1;
}

HWND CurrentPage(const Sheet& s)
{
    return s.current >= 0 && s.current < static_cast<int>(s.pages.size()) ? s.pages[static_cast<size_t>(s.current)]->window
                                                                          : nullptr;
}

// The new default button is re-styled BS_DEFPUSHBUTTON whatever push style
// it had, an owner-drawn one included, before the sheet hears DM_SETDEFID:
// a sheet that draws its own buttons takes them back there.
void SetDefault(HWND sheet, int id)
{
    for (int other : {IDOK, ID_WIZNEXT, ID_WIZFINISH})
        if (other != id)
            if (HWND button = Item(sheet, other))
                if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                    SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (HWND button = Item(sheet, id)) {
        const LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_OWNERDRAW)
            SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
    SendMessageA(sheet, DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

void ApplyWizardButtons(HWND sheet, Sheet& s)
{
    const LPARAM b = s.wizardButtons;
    EnableWindow(Item(sheet, ID_WIZBACK), (b & PSWIZB_BACK) != 0);
    HWND next = Item(sheet, ID_WIZNEXT);
    HWND finish = Item(sheet, ID_WIZFINISH);
    const bool finishing = (b & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    if (s.flags & PSH_WIZARDHASFINISH) {
        EnableWindow(next, (b & PSWIZB_NEXT) != 0);
        EnableWindow(finish, (b & PSWIZB_FINISH) != 0);
    } else if (finishing) {
        // Finish takes Next's place.
        ShowWindow(next, SW_HIDE);
        ShowWindow(finish, SW_SHOW);
        EnableWindow(finish, (b & PSWIZB_FINISH) != 0);
    } else {
        ShowWindow(finish, SW_HIDE);
        ShowWindow(next, SW_SHOW);
        EnableWindow(next, (b & PSWIZB_NEXT) != 0);
    }
    if (b & PSWIZB_FINISH)
        SetDefault(sheet, ID_WIZFINISH);
    else if (b & PSWIZB_NEXT)
        SetDefault(sheet, ID_WIZNEXT);
}

// Moves to page `index`: the current page may refuse to be left
// (PSN_KILLACTIVE), the new one may name another (PSN_SETACTIVE answering
// -1 skips it in the direction of travel). False when nothing changed.
bool Activate(HWND sheet, int index, int direction)
{
    Sheet* s = SheetOf(sheet);
    if (!s || index < 0 || index >= static_cast<int>(s->pages.size()))
        return false;
    HWND old = CurrentPage(*s);
    if (old && index != s->current) {
        if (NotifyPage(sheet, old, PSN_KILLACTIVE))
            return false;
        if (!(s = SheetOf(sheet)))
            return false;
    }
    for (int guard = 0; guard < static_cast<int>(s->pages.size()) && index >= 0 &&
                        index < static_cast<int>(s->pages.size());
         ++guard) {
        HWND page = MakePage(sheet, *s, s->pages[static_cast<size_t>(index)]);
        if (!(s = SheetOf(sheet)))
            return false;
        if (!page)
            return false;
        const int previous = s->current;
        s->current = index;
        if (HWND tab = Item(sheet, ID_PSTABCONTROL))
            SendMessageA(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        const LRESULT answer = NotifyPage(sheet, page, PSN_SETACTIVE);
        if (!(s = SheetOf(sheet)))
            return false;
        if (answer == -1 && direction != 0) {
            s->current = previous;
            index += direction;
            continue;
        }
        if (answer != 0 && answer != -1) {
            const int named = IndexOfId(*s, answer);
            if (named >= 0 && named != index) {
                s->current = previous;
                index = named;
                continue;
            }
        }
        for (HPROPSHEETPAGE other : s->pages)
            if (other->window && other->window != page)
                ShowWindow(other->window, SW_HIDE);
        ShowWindow(page, SW_SHOW);
        if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE))
            if (GetFocus() == nullptr || !IsChild(page, GetFocus()))
                if (GetActiveWindow() == sheet)
                    SetFocus(first);
        return true;
    }
    return false;
}

void End(HWND sheet, int button, INT_PTR result)
{
    if (Sheet* s = SheetOf(sheet))
        s->endButton = button;
    if (GetWindowLongA(sheet, GWL_STYLE) & WS_CHILD)
        return;
    EndDialog(sheet, result);
}

// Applies every page made so far, in order; false when one refused (and
// the sheet then shows it when it asked to).
bool ApplyAll(HWND sheet, bool closing)
{
    Sheet* s = SheetOf(sheet);
    if (!s)
        return false;
    if (HWND current = CurrentPage(*s)) {
        if (NotifyPage(sheet, current, PSN_KILLACTIVE))
            return false;
    }
    if (!(s = SheetOf(sheet)))
        return false;
    const std::vector<HPROPSHEETPAGE> pages = s->pages;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!LivePage(pages[i]) || !pages[i]->window)
            continue;
        const LRESULT answer = NotifyPage(sheet, pages[i]->window, PSN_APPLY, closing);
        if (answer == PSNRET_INVALID_NOCHANGEPAGE) {
            Activate(sheet, static_cast<int>(i), 0);
            return false;
        }
        if (answer == PSNRET_INVALID)
            return false;
        if (!SheetOf(sheet))
            return false;
    }
    if ((s = SheetOf(sheet))) {
        s->changed.clear();
        EnableWindow(Item(sheet, ID_APPLY_NOW), FALSE);
    }
    return true;
}

void Cancel(HWND sheet)
{
    Sheet* s = SheetOf(sheet);
    if (!s)
        return;
    if (HWND current = CurrentPage(*s))
        if (NotifyPage(sheet, current, PSN_QUERYCANCEL))
            return;
    if (!(s = SheetOf(sheet)))
        return;
    const std::vector<HPROPSHEETPAGE> pages = s->pages;
    for (HPROPSHEETPAGE page : pages)
        if (LivePage(page) && page->window)
            NotifyPage(sheet, page->window, PSN_RESET);
    End(sheet, IDCANCEL, 0);
}

// A wizard navigation answer: 0 goes on by one, -1 stays, a template id
// goes to that page.
void Navigate(HWND sheet, UINT code, int direction)
{
    Sheet* s = SheetOf(sheet);
    HWND page = s ? CurrentPage(*s) : nullptr;
    if (!page)
        return;
    const LRESULT answer = NotifyPage(sheet, page, code);
    if (!(s = SheetOf(sheet)) || answer == -1)
        return;
    int target = s->current + direction;
    if (answer != 0) {
        target = IndexOfId(*s, answer);
        if (target < 0)
            return;
    }
    Activate(sheet, target, direction);
}

void Finish(HWND sheet)
{
    Sheet* s = SheetOf(sheet);
    HWND page = s ? CurrentPage(*s) : nullptr;
    if (page && NotifyPage(sheet, page, PSN_WIZFINISH))
        return;
    End(sheet, ID_WIZFINISH, 1);
}

void Command(HWND sheet, int id)
{
    Sheet* s = SheetOf(sheet);
    if (!s)
        return;
    switch (id) {
    case IDOK:
        if (ApplyAll(sheet, true))
            End(sheet, IDOK, 1);
        return;
    case IDCANCEL:
        Cancel(sheet);
        return;
    case ID_APPLY_NOW:
        ApplyAll(sheet, false);
        return;
    case IDHELP:
        NotifyPage(sheet, CurrentPage(*s), PSN_HELP);
        return;
    case ID_WIZBACK:
        if (IsWindowEnabled(Item(sheet, ID_WIZBACK)))
            Navigate(sheet, PSN_WIZBACK, -1);
        return;
    case ID_WIZNEXT:
        if (IsWindowEnabled(Item(sheet, ID_WIZNEXT)) && IsWindowVisible(Item(sheet, ID_WIZNEXT)))
            Navigate(sheet, PSN_WIZNEXT, 1);
        return;
    case ID_WIZFINISH:
        if (IsWindowEnabled(Item(sheet, ID_WIZFINISH)))
            Finish(sheet);
        return;
    default:
        return;
    }
}

void AddTab(HWND sheet, int index, const SheetPage& page)
{
    HWND tab = Item(sheet, ID_PSTABCONTROL);
    if (!tab)
        return;
    std::string title = PageTitle(page);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.data();
    SendMessageA(tab, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

bool AddPage(HWND sheet, HPROPSHEETPAGE page)
{
    Sheet* s = SheetOf(sheet);
    if (!s || !LivePage(page))
        return false;
    s->pages.push_back(page);
    AddTab(sheet, static_cast<int>(s->pages.size()) - 1, *page);
    return true;
}

bool RemovePage(HWND sheet, int index, HPROPSHEETPAGE page)
{
    Sheet* s = SheetOf(sheet);
    if (!s)
        return false;
    if (page) {
        auto it = std::find(s->pages.begin(), s->pages.end(), page);
        index = it == s->pages.end() ? -1 : static_cast<int>(it - s->pages.begin());
    }
    if (index < 0 || index >= static_cast<int>(s->pages.size()))
        return false;
    HPROPSHEETPAGE removed = s->pages[static_cast<size_t>(index)];
    const bool wasCurrent = index == s->current;
    if (wasCurrent)
        s->current = -1;
    else if (index < s->current)
        --s->current;
    s->pages.erase(s->pages.begin() + index);
    s->changed.erase(removed->window);
    if (HWND tab = Item(sheet, ID_PSTABCONTROL))
        SendMessageA(tab, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    ReleasePage(removed);
    if (wasCurrent && (s = SheetOf(sheet)) && !s->pages.empty())
        Activate(sheet, std::min(index, static_cast<int>(s->pages.size()) - 1), 0);
    return true;
}

void SetTitle(HWND sheet, Sheet& s, DWORD style, LPCSTR text)
{
    std::string title = TextOrResource(s.instance, text);
    if (style & PSH_PROPTITLE)
        title = "Properties for " + title;
    SetWindowTextA(sheet, title.c_str());
}

// Places the tab, the page area and the buttons for the largest page.
void Layout(HWND sheet, Sheet& s)
{
    RECT page{0, 0, s.pageUnits.cx, s.pageUnits.cy};
    MapDialogRect(sheet, &page);
    RECT unit{kMargin, kMargin, kButtonWidth, kButtonHeight};
    MapDialogRect(sheet, &unit);
    RECT gap{kButtonGap, 0, 0, 0};
    MapDialogRect(sheet, &gap);
    const int margin = unit.left;
    const int width = std::max<int>(page.right, 4 * unit.right + 3 * gap.left);
    const int height = page.bottom;
    int bottom = 0;
    if (HWND tab = Item(sheet, ID_PSTABCONTROL)) {
        RECT area{margin, margin, margin + width, margin + height};
        RECT outer = area;
        SendMessageA(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&outer));
        OffsetRect(&outer, margin - outer.left, margin - outer.top);
        MoveWindow(tab, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, FALSE);
        area = outer;
        SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        s.pageArea = area;
        bottom = outer.bottom;
    } else {
        s.pageArea = RECT{margin, margin, margin + width, margin + height};
        bottom = s.pageArea.bottom;
        if (HWND line = Item(sheet, 0x3026))
            MoveWindow(line, margin, bottom + margin / 2, width, 2, FALSE);
    }
    const int clientWidth = std::max<int>(bottom > 0 ? s.pageArea.right + margin : 0, width + 2 * margin);
    const int top = bottom + margin;
    // The buttons in slots from the right edge leftwards; Next and Finish
    // share a slot unless the wizard always shows Finish.
    const bool shared = !(s.flags & PSH_WIZARDHASFINISH);
    std::vector<std::vector<int>> slots =
        Wizard(s) ? std::vector<std::vector<int>>{{IDHELP}, {IDCANCEL}, {ID_WIZFINISH}, {ID_WIZNEXT}, {ID_WIZBACK}}
                  : std::vector<std::vector<int>>{{IDHELP}, {ID_APPLY_NOW}, {IDCANCEL}, {IDOK}};
    if (Wizard(s) && shared) {
        slots[2].push_back(ID_WIZNEXT);
        slots.erase(slots.begin() + 3);
    }
    int right = clientWidth - margin;
    for (const std::vector<int>& slot : slots) {
        bool placed = false;
        for (int id : slot)
            if (HWND button = Item(sheet, id)) {
                MoveWindow(button, right - unit.right, top, unit.right, unit.bottom, FALSE);
                placed = true;
            }
        if (placed)
            right -= unit.right + gap.left;
    }
    RECT frame{0, 0, clientWidth, top + unit.bottom + margin};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(sheet, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(sheet, GWL_EXSTYLE)));
    SetWindowPos(sheet, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred on the parent, or on the screen.
    RECT area{};
    HWND parent = GetWindow(sheet, GW_OWNER);
    if (parent)
        GetWindowRect(parent, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT self{};
    GetWindowRect(sheet, &self);
    const LONG x = std::max<LONG>(0, area.left + (area.right - area.left - (self.right - self.left)) / 2);
    const LONG y = std::max<LONG>(0, area.top + (area.bottom - area.top - (self.bottom - self.top)) / 2);
    SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam)
{
    Sheet* s = SheetOf(sheet);
    switch (message) {
    case WM_INITDIALOG: {
        s = reinterpret_cast<Sheet*>(lParam);
        SetPropA(sheet, kSheetProperty, s);
        std::vector<HPROPSHEETPAGE> pages;
        pages.swap(s->pages);
        for (HPROPSHEETPAGE page : pages)
            AddPage(sheet, page);
        Layout(sheet, *s);
        if (Wizard(*s))
            ApplyWizardButtons(sheet, *s);
        EnableWindow(Item(sheet, ID_APPLY_NOW), FALSE);
        if ((s->flags & PSH_USECALLBACK) && s->callback)
            s->callback(sheet, PSCB_INITIALIZED, 0);
        if ((s = SheetOf(sheet)) && !s->pages.empty())
            Activate(sheet, std::clamp(s->start, 0, static_cast<int>(s->pages.size()) - 1), 1);
        if ((s = SheetOf(sheet)))
            if (HWND page = CurrentPage(*s))
                if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE))
                    SetFocus(first);
        return FALSE;
    }
    case WM_NCDESTROY:
        if (auto* owned = static_cast<Sheet*>(GetPropA(sheet, kOwnedProperty))) {
            RemovePropA(sheet, kOwnedProperty);
            for (HPROPSHEETPAGE page : owned->pages)
                page->window = nullptr;
            for (HPROPSHEETPAGE page : owned->pages)
                ReleasePage(page);
            RemovePropA(sheet, kSheetProperty);
            delete owned;
            return FALSE;
        }
        if (s) {
            RemovePropA(sheet, kSheetProperty);
            for (HPROPSHEETPAGE page : s->pages)
                page->window = nullptr; // the sheet's children go with it
            for (HPROPSHEETPAGE page : s->pages)
                ReleasePage(page);
            s->pages.clear();
        }
        return FALSE;
    case WM_COMMAND:
        if (s && lParam && HIWORD(wParam) == BN_CLICKED) {
            Command(sheet, LOWORD(wParam));
            return TRUE;
        }
        if (s && !lParam && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            // Enter and Esc: the default button, or Cancel.
            if (LOWORD(wParam) == IDOK && Wizard(*s)) {
                const LRESULT def = SendMessageA(sheet, DM_GETDEFID, 0, 0);
                Command(sheet, HIWORD(def) == DC_HASDEFID ? LOWORD(def) : ID_WIZNEXT);
            } else {
                Command(sheet, LOWORD(wParam));
            }
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        if (s)
            Cancel(sheet);
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (s && header && header->idFrom == ID_PSTABCONTROL) {
            HWND tab = Item(sheet, ID_PSTABCONTROL);
            if (header->code == TCN_SELCHANGING) {
                // The current page may refuse to be left.
                const LRESULT refuse = NotifyPage(sheet, CurrentPage(*s), PSN_KILLACTIVE);
                SetWindowLongPtrA(sheet, DWLP_MSGRESULT, refuse ? TRUE : FALSE);
                return TRUE;
            }
            if (header->code == TCN_SELCHANGE) {
                const int index = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
                // KILLACTIVE was asked already.
                s->current = -1;
                Activate(sheet, index, 0);
                return TRUE;
            }
        }
        return FALSE;
    }
    default:
        break;
    }
    if (!s)
        return FALSE;
    LRESULT answer = 0;
    switch (message) {
    case PSM_SETCURSEL: {
        int index = static_cast<int>(wParam);
        if (lParam) {
            auto it = std::find(s->pages.begin(), s->pages.end(), reinterpret_cast<HPROPSHEETPAGE>(lParam));
            index = it == s->pages.end() ? -1 : static_cast<int>(it - s->pages.begin());
        }
        answer = Activate(sheet, index, 0);
        break;
    }
    case PSM_SETCURSELID:
        answer = Activate(sheet, IndexOfId(*s, lParam), 0);
        break;
    case PSM_ADDPAGE:
        answer = AddPage(sheet, reinterpret_cast<HPROPSHEETPAGE>(lParam));
        break;
    case PSM_REMOVEPAGE:
        RemovePage(sheet, static_cast<int>(wParam), reinterpret_cast<HPROPSHEETPAGE>(lParam));
        break;
    case PSM_CHANGED:
        s->changed.insert(reinterpret_cast<HWND>(wParam));
        EnableWindow(Item(sheet, ID_APPLY_NOW), TRUE);
        break;
    case PSM_UNCHANGED:
        s->changed.erase(reinterpret_cast<HWND>(wParam));
        if (s->changed.empty())
            EnableWindow(Item(sheet, ID_APPLY_NOW), FALSE);
        break;
    case PSM_APPLY:
        answer = ApplyAll(sheet, false);
        break;
    case PSM_CANCELTOCLOSE:
        EnableWindow(Item(sheet, IDCANCEL), FALSE);
        SetWindowTextA(Item(sheet, IDOK), "Close");
        break;
    case PSM_SETTITLEA:
        SetTitle(sheet, *s, static_cast<DWORD>(wParam), reinterpret_cast<LPCSTR>(lParam));
        break;
    case PSM_SETWIZBUTTONS:
        s->wizardButtons = lParam;
        if (Wizard(*s))
            ApplyWizardButtons(sheet, *s);
        break;
    case PSM_SETFINISHTEXTA: {
        HWND finish = Item(sheet, ID_WIZFINISH);
        SetWindowTextA(finish, TextOrResource(s->instance, reinterpret_cast<LPCSTR>(lParam)).c_str());
        ShowWindow(Item(sheet, ID_WIZBACK), SW_HIDE);
        ShowWindow(Item(sheet, ID_WIZNEXT), SW_HIDE);
        ShowWindow(finish, SW_SHOW);
        EnableWindow(finish, TRUE);
        SetDefault(sheet, ID_WIZFINISH);
        break;
    }
    case PSM_PRESSBUTTON: {
        static const int kButtons[] = {ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH, IDOK, ID_APPLY_NOW, IDCANCEL, IDHELP};
        if (wParam < 7)
            if (HWND button = Item(sheet, kButtons[wParam]))
                PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(kButtons[wParam], BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
        break;
    }
    case PSM_GETTABCONTROL:
        answer = reinterpret_cast<LRESULT>(Item(sheet, ID_PSTABCONTROL));
        break;
    case PSM_GETCURRENTPAGEHWND:
        answer = reinterpret_cast<LRESULT>(CurrentPage(*s));
        break;
    case PSM_ISDIALOGMESSAGE:
        answer = lParam && IsDialogMessageA(sheet, reinterpret_cast<MSG*>(lParam));
        break;
    case PSM_HWNDTOINDEX:
        answer = IndexOfWindow(*s, reinterpret_cast<HWND>(wParam));
        break;
    case PSM_INDEXTOHWND:
        answer = wParam < s->pages.size() ? reinterpret_cast<LRESULT>(s->pages[wParam]->window) : 0;
        break;
    case PSM_PAGETOINDEX: {
        auto it = std::find(s->pages.begin(), s->pages.end(), reinterpret_cast<HPROPSHEETPAGE>(lParam));
        answer = it == s->pages.end() ? -1 : it - s->pages.begin();
        break;
    }
    case PSM_INDEXTOPAGE:
        answer = wParam < s->pages.size() ? reinterpret_cast<LRESULT>(s->pages[wParam]) : 0;
        break;
    default:
        return FALSE;
    }
    SetWindowLongPtrA(sheet, DWLP_MSGRESULT, answer);
    return TRUE;
}

// The sheet's template: its buttons and tab, placed by Layout.
void BuildTemplate(DialogTemplateBuilder& b, const Sheet& s, bool hasHelp)
{
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    if (Wizard(s)) {
        b.Control("", 0x3026, kStaticAtom, WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 10, 1);
        b.Control("< &Back", ID_WIZBACK, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
        b.Control("&Next >", ID_WIZNEXT, kButtonAtom, button | BS_DEFPUSHBUTTON, 0, 0, kButtonWidth, kButtonHeight);
        b.Control("Finish", ID_WIZFINISH, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
        b.Control("Cancel", IDCANCEL, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
    } else {
        b.Control("", ID_PSTABCONTROL, WC_TABCONTROLA, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0,
                  10, 10);
        b.Control("OK", IDOK, kButtonAtom, button | BS_DEFPUSHBUTTON, 0, 0, kButtonWidth, kButtonHeight);
        b.Control("Cancel", IDCANCEL, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
        if (!(s.flags & PSH_NOAPPLYNOW))
            b.Control("&Apply", ID_APPLY_NOW, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
    }
    if (hasHelp)
        b.Control("Help", IDHELP, kButtonAtom, button, 0, 0, kButtonWidth, kButtonHeight);
}

} // namespace

INT_PTR RunPropertySheet(LPCPROPSHEETHEADERA header, int* endButton)
{
    if (endButton)
        *endButton = 0;
    if (!header || header->dwSize < offsetof(PROPSHEETHEADERA, pfnCallback) || header->nPages > 100 ||
        (header->nPages && !header->ppsp)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    EnsureRegistered();
    auto sheet = std::make_unique<Sheet>();
    Sheet& s = *sheet;
    s.flags = header->dwFlags;
    s.instance = header->hInstance;
    s.callback = header->dwSize >= sizeof(PROPSHEETHEADERA) ? header->pfnCallback : nullptr;
    bool hasHelp = (s.flags & PSH_HASHELP) != 0;
    for (UINT i = 0; i < header->nPages; ++i) {
        HPROPSHEETPAGE page = nullptr;
        if (s.flags & PSH_PROPSHEETPAGE) {
            // Pages given as an array of records, each its own dwSize long.
            const auto* bytes = reinterpret_cast<const BYTE*>(header->ppsp);
            size_t offset = 0;
            for (UINT j = 0; j < i; ++j)
                offset += reinterpret_cast<const PROPSHEETPAGEA*>(bytes + offset)->dwSize;
            const auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(bytes + offset);
            if (record->dwSize < PROPSHEETPAGEA_V1_SIZE)
                break;
            page = NewPage(*record);
        } else {
            page = LivePage(header->phpage[i]) ? header->phpage[i] : nullptr;
        }
        if (!page)
            continue;
        if (page->psp.dwFlags & PSP_HASHELP)
            hasHelp = true;
        s.pages.push_back(page);
    }
    if (s.pages.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (HPROPSHEETPAGE page : s.pages) {
        DialogDescription d;
        if (ReadPageTemplate(*page, &d)) {
            s.pageUnits.cx = std::max<LONG>(s.pageUnits.cx, d.cx);
            s.pageUnits.cy = std::max<LONG>(s.pageUnits.cy, d.cy);
        }
    }
    if (s.flags & PSH_USEPSTARTPAGE) {
        const std::string wanted = TextOrResource(s.instance, header->pStartPage);
        for (size_t i = 0; i < s.pages.size(); ++i)
            if (PageTitle(*s.pages[i]) == wanted)
                s.start = static_cast<int>(i);
    } else {
        s.start = static_cast<int>(header->nStartPage);
    }
    std::string caption = TextOrResource(s.instance, header->pszCaption);
    if (s.flags & PSH_PROPTITLE)
        caption = "Properties for " + caption;
    const bool modeless = s.flags & PSH_MODELESS;
    DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN |
                                      (modeless ? WS_VISIBLE : 0),
                                  0, 0, 100, 100, caption, WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME);
    builder.Font(8, "MS Shell Dlg");
    BuildTemplate(builder, s, hasHelp);
    // The pages are the sheet's from here on; a sheet that cannot be made
    // releases them.
    Sheet* kept = sheet.get();
    if (modeless) {
        HWND window = CreateDialogFromBytes(nullptr, builder.Data(), builder.Size(), header->hwndParent, SheetProc,
                                            reinterpret_cast<LPARAM>(kept));
        if (!window) {
            for (HPROPSHEETPAGE page : kept->pages)
                ReleasePage(page);
            return -1;
        }
        // A modeless sheet's state lives with its window.
        SetPropA(window, kOwnedProperty, sheet.release());
        return reinterpret_cast<INT_PTR>(window);
    }
    const INT_PTR result = controls::DialogBoxFromBytes(nullptr, builder.Data(), builder.Size(), header->hwndParent,
                                                        SheetProc, reinterpret_cast<LPARAM>(kept));
    if (endButton)
        *endButton = kept->endButton ? kept->endButton : IDCANCEL;
    if (result < 0)
        for (HPROPSHEETPAGE page : kept->pages)
            ReleasePage(page);
    return result < 0 ? -1 : result;
}

} // namespace win::commctrl

HPROPSHEETPAGE CreatePropertySheetPageA(LPCPROPSHEETPAGEA page)
{
    if (!page || page->dwSize < PROPSHEETPAGEA_V1_SIZE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return win::commctrl::NewPage(*page);
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page)
{
    if (!win::commctrl::LivePage(page))
        return FALSE;
    win::commctrl::ReleasePage(page);
    return TRUE;
}

INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header) { return win::commctrl::RunPropertySheet(header, nullptr); }
