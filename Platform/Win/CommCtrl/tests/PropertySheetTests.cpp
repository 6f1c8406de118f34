#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Win/CommCtrl/tests/CommCtrlTestSupport.h"

namespace {

using namespace commctrl_test;

// What the pages saw and how they answer, by page number.
struct PageBook {
    std::vector<std::pair<int, UINT>> events; // (page, PSN_ code)
    std::vector<LPARAM> applyArgs;
    std::map<std::pair<int, UINT>, LRESULT> answers;
    std::map<int, LPARAM> buttons; // PSM_SETWIZBUTTONS posted on activation
};
PageBook* g_book = nullptr;

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(page, DWLP_USER, psp->lParam);
        return TRUE;
    }
    if (message != WM_NOTIFY || !g_book)
        return FALSE;
    const auto* nm = reinterpret_cast<const PSHNOTIFY*>(lParam);
    const int number = static_cast<int>(GetWindowLongPtrA(page, DWLP_USER));
    g_book->events.emplace_back(number, nm->hdr.code);
    if (nm->hdr.code == PSN_APPLY)
        g_book->applyArgs.push_back(nm->lParam);
    if (nm->hdr.code == PSN_SETACTIVE && g_book->buttons.count(number))
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, g_book->buttons[number]);
    auto it = g_book->answers.find({number, nm->hdr.code});
    SetWindowLongPtrA(page, DWLP_MSGRESULT, it == g_book->answers.end() ? 0 : it->second);
    return TRUE;
}

class PropertySheets : public CommCtrlTest {
protected:
    void SetUp() override
    {
        CommCtrlTest::SetUp();
        g_book = &m_book;
    }
    void TearDown() override
    {
        g_book = nullptr;
        CommCtrlTest::TearDown();
    }
    // Pages 0..count-1 from templates in memory, each with an edit.
    void MakePages(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto builder = std::make_unique<win::DialogTemplateBuilder>(WS_CHILD | DS_CONTROL, 0, 0, 180, 90,
                                                                        "Page " + std::to_string(i));
            builder->Font(8, "MS Shell Dlg");
            builder->Control("", static_cast<WORD>(100 + i), win::kEditAtom, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                             7, 7, 100, 12);
            PROPSHEETPAGEA psp{};
            psp.dwSize = sizeof psp;
            psp.dwFlags = PSP_DLGINDIRECT;
            psp.pResource = static_cast<LPCDLGTEMPLATEA>(builder->Data());
            psp.pfnDlgProc = PageProc;
            psp.lParam = i;
            m_templates.push_back(std::move(builder));
            m_pages.push_back(psp);
        }
    }
    PROPSHEETHEADERA Header(DWORD flags)
    {
        PROPSHEETHEADERA h{};
        h.dwSize = sizeof h;
        h.dwFlags = flags | PSH_PROPSHEETPAGE;
        h.hwndParent = m_parent;
        h.pszCaption = "Settings";
        h.nPages = static_cast<UINT>(m_pages.size());
        h.ppsp = m_pages.data();
        return h;
    }
    HWND Modeless(DWORD flags)
    {
        PROPSHEETHEADERA h = Header(flags | PSH_MODELESS);
        HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&h));
        EXPECT_NE(sheet, nullptr);
        PumpUntilIdle();
        return sheet;
    }
    static int Current(HWND sheet)
    {
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        return page ? static_cast<int>(GetWindowLongPtrA(page, DWLP_USER)) : -1;
    }
    static void Press(HWND sheet, int id)
    {
        SendMessageA(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(sheet, id)));
        PumpUntilIdle();
    }
    static bool Shown(HWND sheet, int id) { return IsWindowVisible(GetDlgItem(sheet, id)) != FALSE; }
    static bool Enabled(HWND sheet, int id) { return IsWindowEnabled(GetDlgItem(sheet, id)) != FALSE; }
    std::vector<int> PagesThatGot(UINT code) const
    {
        std::vector<int> out;
        for (const auto& [page, got] : m_book.events)
            if (got == code)
                out.push_back(page);
        return out;
    }
    PageBook m_book;
    std::vector<std::unique_ptr<win::DialogTemplateBuilder>> m_templates;
    std::vector<PROPSHEETPAGEA> m_pages;
};

TEST_F(PropertySheets, AFourPageWizardWalksItsButtons)
{
    MakePages(4);
    m_book.buttons = {{0, PSWIZB_NEXT}, {1, PSWIZB_BACK | PSWIZB_NEXT}, {2, PSWIZB_BACK | PSWIZB_NEXT},
                      {3, PSWIZB_BACK | PSWIZB_FINISH}};
    HWND sheet = Modeless(PSH_WIZARD);
    EXPECT_EQ(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0), 0) << "no tabs in a wizard";
    EXPECT_EQ(Current(sheet), 0);
    EXPECT_FALSE(Enabled(sheet, ID_WIZBACK));
    EXPECT_TRUE(Shown(sheet, ID_WIZNEXT));
    EXPECT_FALSE(Shown(sheet, ID_WIZFINISH));

    Press(sheet, ID_WIZNEXT);
    EXPECT_EQ(Current(sheet), 1);
    EXPECT_TRUE(Enabled(sheet, ID_WIZBACK));

    // PSN_WIZNEXT names the page to go to by its template.
    m_book.answers[{1, PSN_WIZNEXT}] = reinterpret_cast<LRESULT>(m_pages[3].pResource);
    Press(sheet, ID_WIZNEXT);
    EXPECT_EQ(Current(sheet), 3);
    EXPECT_TRUE(Shown(sheet, ID_WIZFINISH));
    EXPECT_FALSE(Shown(sheet, ID_WIZNEXT));
    EXPECT_EQ(LOWORD(SendMessageA(sheet, DM_GETDEFID, 0, 0)), ID_WIZFINISH);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(sheet, ID_WIZFINISH), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    Press(sheet, ID_WIZBACK);
    EXPECT_EQ(Current(sheet), 2);
    // A page that refuses to be left keeps the wizard on it.
    m_book.answers[{2, PSN_KILLACTIVE}] = TRUE;
    Press(sheet, ID_WIZNEXT);
    EXPECT_EQ(Current(sheet), 2);
    m_book.answers.erase({2, PSN_KILLACTIVE});
    Press(sheet, ID_WIZNEXT);
    EXPECT_EQ(Current(sheet), 3);

    // Finish refused, then accepted.
    m_book.answers[{3, PSN_WIZFINISH}] = TRUE;
    Press(sheet, ID_WIZFINISH);
    INT_PTR result = 0;
    EXPECT_FALSE(win::DialogEnded(sheet, &result));
    m_book.answers.erase({3, PSN_WIZFINISH});
    Press(sheet, ID_WIZFINISH);
    EXPECT_TRUE(win::DialogEnded(sheet, &result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(PagesThatGot(PSN_WIZNEXT), (std::vector<int>{0, 1, 2, 2}));
    DestroyWindow(sheet);
}

// The default button's style as each DM_SETDEFID reaches the sheet.
std::vector<std::pair<int, LONG>>* g_defaults = nullptr;
WNDPROC g_sheetProc = nullptr;
LRESULT CALLBACK RecordDefaults(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DM_SETDEFID && g_defaults)
        g_defaults->emplace_back(static_cast<int>(wParam),
                                 GetWindowLongA(GetDlgItem(sheet, static_cast<int>(wParam)), GWL_STYLE) & BS_TYPEMASK);
    return CallWindowProcA(g_sheetProc, sheet, message, wParam, lParam);
}

TEST_F(PropertySheets, AWizardsNewDefaultButtonIsRestyledBeforeTheSheetHearsOfIt)
{
    MakePages(2);
    m_book.buttons = {{0, PSWIZB_NEXT}, {1, PSWIZB_BACK | PSWIZB_FINISH}};
    HWND sheet = Modeless(PSH_WIZARD);
    std::vector<std::pair<int, LONG>> defaults;
    g_defaults = &defaults;
    g_sheetProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordDefaults)));
    HWND finish = GetDlgItem(sheet, ID_WIZFINISH);
    SetWindowLongA(finish, GWL_STYLE, (GetWindowLongA(finish, GWL_STYLE) & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Press(sheet, ID_WIZNEXT);
    g_defaults = nullptr;
    ASSERT_FALSE(defaults.empty());
    EXPECT_EQ(defaults.back(), (std::pair<int, LONG>{ID_WIZFINISH, BS_DEFPUSHBUTTON}))
        << "an owner-drawn Finish became the default push button";
    DestroyWindow(sheet);
}

TEST_F(PropertySheets, CancelCanBeRefusedAndResetsEveryPage)
{
    MakePages(2);
    HWND sheet = Modeless(PSH_NOAPPLYNOW);
    EXPECT_EQ(GetDlgItem(sheet, ID_APPLY_NOW), nullptr);
    HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    ASSERT_NE(tab, nullptr);
    char cls[64] = {};
    GetClassNameA(tab, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysTabControl32");
    EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 2);
    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    EXPECT_EQ(Current(sheet), 1);
    EXPECT_FALSE(SendMessageA(sheet, PSM_SETCURSEL, 9, 0)) << "an index past the end";

    m_book.answers[{1, PSN_QUERYCANCEL}] = TRUE;
    Press(sheet, IDCANCEL);
    INT_PTR result = 0;
    EXPECT_FALSE(win::DialogEnded(sheet, &result));
    m_book.answers.clear();
    Press(sheet, IDCANCEL);
    EXPECT_TRUE(win::DialogEnded(sheet, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(PagesThatGot(PSN_RESET), (std::vector<int>{0, 1}));
    DestroyWindow(sheet);
}

// Drives a modal sheet from a thread timer, one step a tick.
std::vector<std::function<void()>>* g_script = nullptr;
void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!g_script || g_script->empty()) {
        KillTimer(nullptr, id);
        return;
    }
    auto step = g_script->front();
    g_script->erase(g_script->begin());
    step();
}

TEST_F(PropertySheets, OkAppliesEveryPageShownInOrder)
{
    MakePages(3);
    HWND sheet = nullptr;
    std::vector<std::function<void()>> script = {
        [&] { sheet = GetActiveWindow(); },
        [&] { SendMessageA(sheet, PSM_SETCURSEL, 2, 0); },
        [&] {
            // A tab click asks the page to be left; a refusal keeps it.
            m_book.answers[{2, PSN_KILLACTIVE}] = TRUE;
            HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
            RECT r{};
            SendMessageA(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
            POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ClientToScreen(tab, &at);
            ClickAt(at);
        },
        [&] {
            EXPECT_EQ(Current(sheet), 2);
            m_book.answers.clear();
            HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            SendMessageA(sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)));
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        },
    };
    g_script = &script;
    SetTimer(nullptr, 0, 20, ScriptTimer);
    PROPSHEETHEADERA h = Header(0);
    int button = 0;
    EXPECT_EQ(win::commctrl::RunPropertySheet(&h, &button), 1);
    g_script = nullptr;
    EXPECT_EQ(button, IDOK);
    EXPECT_EQ(PagesThatGot(PSN_APPLY), (std::vector<int>{0, 2})) << "page 1 was never made";
    EXPECT_EQ(m_book.applyArgs, (std::vector<LPARAM>{TRUE, TRUE}));
}

TEST_F(PropertySheets, BadHeadersAndPagesFail)
{
    EXPECT_EQ(PropertySheetA(nullptr), -1);
    PROPSHEETHEADERA h{};
    h.dwSize = 8;
    EXPECT_EQ(PropertySheetA(&h), -1);
    EXPECT_EQ(CreatePropertySheetPageA(nullptr), nullptr);
    PROPSHEETPAGEA small{};
    small.dwSize = 4;
    EXPECT_EQ(CreatePropertySheetPageA(&small), nullptr);
    MakePages(1);
    HPROPSHEETPAGE page = CreatePropertySheetPageA(&m_pages[0]);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(DestroyPropertySheetPage(page));
    EXPECT_FALSE(DestroyPropertySheetPage(page));
}

} // namespace
