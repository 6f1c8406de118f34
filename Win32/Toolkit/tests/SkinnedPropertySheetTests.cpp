// The skinned property sheet and pages over the tests' four page templates:
// a wizard's Back and Next page by page, the skinned tabs checked on
// pixels, buttons kept owner-drawn through a default-button change, the
// caption repainted for a new title, and the pages' skinned children and
// helpers.

#include "Win32/Toolkit/SkinnedPropertySheet.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "Win32/Toolkit/SkinnedControls.h"
#include "Win32/Toolkit/SkinnedPropertyPage.h"
#include "Win32/Toolkit/SkinnedTabCtrl.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"

using namespace dialog_test;

namespace {

constexpr UINT IDD_SHEET_PAGE_1 = 701;
constexpr int IDC_LABEL = 1030;
constexpr int IDC_VALUE = 1040;
constexpr int IDC_DISABLED_VALUE = 1041;
constexpr int IDC_PAGE_BUTTON = 1050;
constexpr int IDC_CHECK = 1011;
constexpr COLORREF kTabSkin = RGB(0, 160, 90);

// A page of the fixture set: page n (0..3) has template and caption 701 + n.
// Its value must stay at most 100 to leave the page.
class CFixturePage : public KLPropertyPage {
public:
    explicit CFixturePage(int n) : KLPropertyPage(IDD_SHEET_PAGE_1 + n, IDD_SHEET_PAGE_1 + n) {}

    int m_value = 5;
    BOOL m_finish = TRUE;
    bool m_wrappedOnDestroy = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_VALUE, m_value);
        if (pDX->m_bSaveAndValidate && m_value > 100)
            pDX->Fail();
    }
    BOOL OnWizardFinish() override { return m_finish; }
    afx_msg void OnDestroy()
    {
        KLPropertyPage::OnDestroy();
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            m_wrappedOnDestroy |= CWnd::FromHandlePermanent(child) != nullptr;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFixturePage, KLPropertyPage)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

// A skinned sheet that shows its tab wrapper and, when asked, maps its tab
// window permanently before it initialises, so that no wrapper can take it.
class CFixtureSheet : public KLPropertySheet {
public:
    explicit CFixtureSheet(bool wizard, bool blockTabs = false) : KLPropertySheet("Fixture Sheet"), m_block(blockTabs)
    {
        if (wizard)
            m_psh.dwFlags |= PSH_WIZARD;
    }
    BOOL OnInitDialog() override
    {
        if (m_block)
            m_blocker.Attach(reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL)));
        return KLPropertySheet::OnInitDialog();
    }
    KLTabCtrl* Tabs() const { return m_pTabCtrl; }
    void Unblock() { m_blocker.Detach(); }

private:
    bool m_block;
    CTabCtrl m_blocker;
};

class SkinnedSheet : public DialogTest {
protected:
    // The sheet with `count` fixture pages, run with one step per tick;
    // each step gets the sheet's window.
    INT_PTR Run(CPropertySheet& sheet, int count, std::vector<std::function<void(HWND)>> steps)
    {
        for (int i = 0; i < count; ++i) {
            m_pages.push_back(std::make_unique<CFixturePage>(i));
            sheet.AddPage(m_pages.back().get());
        }
        std::vector<std::function<void()>> wrapped{
            [&sheet] { ::SetWindowPos(sheet.m_hWnd, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }};
        for (auto& step : steps)
            wrapped.push_back([&sheet, step] { step(sheet.m_hWnd); });
        return RunWith(std::move(wrapped), [&] { return sheet.DoModal(); });
    }
    static void Press(HWND sheet, int id)
    {
        ::SendMessageA(sheet, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(sheet, id)));
    }
    static RECT TabRect(HWND tab, int index)
    {
        RECT r{};
        ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // The top row of the text in a tab: the first row of its label area
    // holding anything but the background.
    static int TextTop(HWND tab, const RECT& r)
    {
        for (int y = r.top + 1; y < r.top + 21; ++y)
            for (int x = r.left + 3; x < r.right - 3; ++x)
                if (ClientPixel(tab, x, y) != kDialogBack)
                    return y;
        return -1;
    }
    // The largest red value of a tab's label area (white text reaches 255).
    static int Brightest(HWND tab, const RECT& r)
    {
        int brightest = 0;
        for (int y = r.top + 1; y < r.top + 21; ++y)
            for (int x = r.left + 3; x < r.right - 3; ++x)
                if (const COLORREF c = ClientPixel(tab, x, y); c != kDialogBack)
                    brightest = std::max<int>(brightest, GetRValue(c));
        return brightest;
    }
    CFixturePage& Page(int n) { return *m_pages[static_cast<size_t>(n)]; }

    std::vector<std::unique_ptr<CFixturePage>> m_pages;
    int m_textTop = -1;
};

TEST_F(SkinnedSheet, AWizardsPagesSetBackAndNextPageByPage)
{
    struct Case {
        int pages;
    };
    for (const Case c : {Case{4}, Case{1}}) {
        CFixtureSheet sheet(true);
        std::vector<std::function<void(HWND)>> steps;
        for (int i = 0; i < c.pages; ++i)
            steps.push_back([&, i](HWND s) {
                EXPECT_EQ(sheet.GetActiveIndex(), i);
                EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(s, ID_WIZBACK)) != FALSE, i != 0) << "page " << i;
                EXPECT_EQ(::IsWindowVisible(::GetDlgItem(s, ID_WIZNEXT)) != FALSE, i != c.pages - 1) << "page " << i;
                Press(s, i == c.pages - 1 ? IDCANCEL : ID_WIZNEXT);
            });
        m_pages.clear();
        EXPECT_EQ(Run(sheet, c.pages, std::move(steps)), IDCANCEL);
    }
}

TEST_F(SkinnedSheet, EnterAfterADefaultButtonChangeLeavesEveryButtonOwnerDrawn)
{
    CFixtureSheet sheet(true);
    auto everyButtonOwnerDrawn = [](HWND s) {
        int buttons = 0;
        for (HWND child = ::GetWindow(s, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char name[16] = {};
            ::GetClassNameA(child, name, sizeof name);
            if (lstrcmpiA(name, "Button") != 0)
                continue;
            ++buttons;
            EXPECT_EQ(::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << ::GetDlgCtrlID(child);
        }
        EXPECT_GE(buttons, 4);
    };
    const INT_PTR result = Run(sheet, 2, {
        [&](HWND s) {
            everyButtonOwnerDrawn(s);
            Press(s, ID_WIZNEXT);
            // Finish becomes the default button.
            sheet.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
            Page(1).m_finish = FALSE;
        },
        [&](HWND s) {
            EXPECT_EQ(LOWORD(::SendMessageA(s, DM_GETDEFID, 0, 0)), ID_WIZFINISH);
            everyButtonOwnerDrawn(s);
            ::SetFocus(::GetDlgItem(Page(1).m_hWnd, IDC_VALUE));
            PressKey(VK_RETURN);
        },
        [&](HWND s) {
            EXPECT_EQ(sheet.GetActiveIndex(), 1) << "the page refused to finish";
            everyButtonOwnerDrawn(s);
            Page(1).m_finish = TRUE;
            ::SetFocus(::GetDlgItem(Page(1).m_hWnd, IDC_VALUE));
            PressKey(VK_RETURN);
        },
    });
    EXPECT_EQ(result, ID_WIZFINISH) << "Enter reached the skinned Finish";
}

TEST_F(SkinnedSheet, TabsAreTallerAndTheSelectedOneStandsOut)
{
    int systemHeight = 0;
    {
        CPropertySheet plain("Plain");
        Run(plain, 4, {[&](HWND s) {
            const RECT r = TabRect(reinterpret_cast<HWND>(::SendMessageA(s, PSM_GETTABCONTROL, 0, 0)), 0);
            systemHeight = r.bottom - r.top;
            Press(s, IDCANCEL);
        }});
        m_pages.clear();
    }
    CFixtureSheet sheet(false);
    Run(sheet, 4, {
        [&](HWND) { sheet.SetActivePage(1); },
        [&](HWND) {
            ASSERT_NE(sheet.Tabs(), nullptr);
            HWND tab = sheet.Tabs()->m_hWnd;
            EXPECT_TRUE(::GetWindowLongA(tab, GWL_STYLE) & TCS_FOCUSNEVER);
            ::InvalidateRect(tab, nullptr, TRUE);
            ::UpdateWindow(tab);
            const RECT selected = TabRect(tab, 1);
            const RECT other = TabRect(tab, 2);
            EXPECT_EQ(selected.bottom - selected.top, systemHeight + 4);
            const int x = (selected.left + selected.right) / 2;
            const int ox = (other.left + other.right) / 2;
            // The selected tab's 2-pixel skin starts 3 pixels above its item
            // and ends 2 pixels below the 22-pixel row; the others' 1 above
            // and at the row's end.
            EXPECT_EQ(ClientPixel(tab, x, selected.top - 2), kTabSkin);
            EXPECT_EQ(ClientPixel(tab, x, selected.top + 22), kTabSkin);
            EXPECT_NE(ClientPixel(tab, ox, other.top - 2), kTabSkin);
            EXPECT_EQ(ClientPixel(tab, ox, other.top - 1), kTabSkin);
            EXPECT_EQ(ClientPixel(tab, ox, other.top + 21), kTabSkin);
            EXPECT_NE(ClientPixel(tab, ox, other.top + 22), kTabSkin);
            // The first tab's skin starts 2 pixels left of its item.
            const RECT first = TabRect(tab, 0);
            EXPECT_EQ(ClientPixel(tab, first.left - 2, first.top + 10), kTabSkin);
            EXPECT_NE(ClientPixel(tab, other.left - 3, other.top + 10), kTabSkin) << "only the first";
            // White text on the selected tab, the dialog colour on the others:
            // the brightest pixel of each label.
            EXPECT_GT(Brightest(tab, selected), GetRValue(GetSkinState().m_crDialogText));
            EXPECT_LE(Brightest(tab, other), GetRValue(GetSkinState().m_crDialogText));
            EXPECT_GT(Brightest(tab, other), GetRValue(kDialogBack)) << "the other labels show";
            m_textTop = TextTop(tab, selected);
            sheet.SetActivePage(2);
        },
        [&](HWND s) {
            HWND tab = sheet.Tabs()->m_hWnd;
            ::UpdateWindow(tab);
            EXPECT_EQ(TextTop(tab, TabRect(tab, 1)), m_textTop + 1) << "the selected text stood 1 pixel higher";
            Press(s, IDCANCEL);
        },
    });
}

TEST_F(SkinnedSheet, ATabControlThatCannotBeSubclassedKeepsTheSystemLook)
{
    CFixtureSheet sheet(false, true);
    Run(sheet, 2, {[&](HWND s) {
        EXPECT_EQ(sheet.Tabs(), nullptr);
        HWND tab = reinterpret_cast<HWND>(::SendMessageA(s, PSM_GETTABCONTROL, 0, 0));
        EXPECT_FALSE(::GetWindowLongA(tab, GWL_STYLE) & TCS_FOCUSNEVER);
        sheet.SetActivePage(1);
        ::UpdateWindow(tab);
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        sheet.Unblock();
        Press(s, IDCANCEL);
    }});
}

TEST_F(SkinnedSheet, ANewTitleRepaintsTheSkinnedCaption)
{
    CFixtureSheet sheet(false);
    auto captionPixel = [](HWND s) {
        RECT w{};
        ::GetWindowRect(s, &w);
        const int caption = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYDLGFRAME);
        return WindowPixel(s, (w.right - w.left) - 60, caption / 2);
    };
    Run(sheet, 1, {[&](HWND s) {
        EXPECT_EQ(::GetWindowLongA(s, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        EXPECT_EQ(captionPixel(s), kActiveCaption);
        ::SendMessageA(s, WM_NCACTIVATE, FALSE, 0);
        EXPECT_EQ(captionPixel(s), kInactiveCaption);
        sheet.SetTitle("A new title");
        EXPECT_EQ(captionPixel(s), kActiveCaption);
        char text[32] = {};
        ::GetWindowTextA(s, text, sizeof text);
        EXPECT_STREQ(text, "A new title");
        Press(s, IDCANCEL);
    }});
}

TEST_F(SkinnedSheet, PagesSkinTheirChildrenAndReleaseThemOnDestroy)
{
    CFixtureSheet sheet(false);
    Run(sheet, 2, {
        [&](HWND) {
            HWND first = Page(0).m_hWnd;
            EXPECT_TRUE(CWnd::FromHandlePermanent(::GetDlgItem(first, IDC_LABEL))->IsKindOf(RUNTIME_CLASS(KLStatic)));
            EXPECT_TRUE(CWnd::FromHandlePermanent(::GetDlgItem(first, IDC_CHECK))->IsKindOf(RUNTIME_CLASS(KLRadioCheck)));
            // The page's own owner-drawn button is painted in the skin; a
            // plain push button of a page stays as it is.
            EXPECT_EQ(ClientPixel(::GetDlgItem(first, IDC_PAGE_BUTTON), 1, 1), GetSkinState().m_crFrameShade[0]);
            sheet.SetActivePage(1);
        },
        [&](HWND s) {
            EXPECT_EQ(::GetWindowLongA(::GetDlgItem(Page(1).m_hWnd, IDC_PAGE_BUTTON), GWL_STYLE) & BS_TYPEMASK,
                      BS_PUSHBUTTON);
            EXPECT_EQ(ClientPixel(Page(1).m_hWnd, 2, ClientRectOf(Page(1).m_hWnd).bottom - 2), kDialogBack);
            Press(s, IDCANCEL);
        },
    });
    EXPECT_FALSE(Page(0).m_wrappedOnDestroy);
    EXPECT_FALSE(Page(1).m_wrappedOnDestroy);
}

TEST_F(SkinnedSheet, PagesSetEnableAndShowTheirControls)
{
    CFixtureSheet sheet(false);
    Run(sheet, 1, {[&](HWND s) {
        CFixturePage& page = Page(0);
        HWND disabled = ::GetDlgItem(page.m_hWnd, IDC_DISABLED_VALUE);
        const RECT r = ClientRectOf(disabled);
        HDC dc = ::GetDC(disabled);
        ::SetPixel(dc, r.right - 2, r.bottom - 2, RGB(255, 0, 0));
        ::ReleaseDC(disabled, dc);
        page.SetDlgItemTextSkinned(IDC_DISABLED_VALUE, "x");
        EXPECT_EQ(ClientPixel(disabled, r.right - 2, r.bottom - 2), kDialogBack) << "repainted under the control";
        page.SetDlgItemIntSkinned(IDC_VALUE, 42);
        EXPECT_EQ(page.GetDlgItemInt(IDC_VALUE), 42u);

        page.EnableDlgItem(IDC_VALUE, FALSE);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page.m_hWnd, IDC_VALUE)));
        page.EnableDlgItem(9999, FALSE);
        EXPECT_NE(page.ShowDlgItem(IDC_VALUE, SW_HIDE), 0) << "it was visible";
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page.m_hWnd, IDC_VALUE)));
        EXPECT_EQ(page.ShowDlgItem(9999, SW_SHOW), 0);
        Press(s, IDCANCEL);
    }});
}

TEST_F(SkinnedSheet, ARefusedValueKeepsThePage)
{
    CFixtureSheet sheet(false);
    Run(sheet, 2, {[&](HWND s) {
        Page(0).SetDlgItemText(IDC_VALUE, "500");
        sheet.SetActivePage(1);
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        Page(0).SetDlgItemText(IDC_VALUE, "50");
        sheet.SetActivePage(1);
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        EXPECT_EQ(Page(0).m_value, 50);
        Press(s, IDCANCEL);
    }});
}

} // namespace
