// CPropertySheet and CPropertyPage: wizards whose pages drive the buttons
// and jump, data exchange on leaving a page, Apply on OK and refusals; and
// the common-control wrappers.

#include <functional>
#include <string>
#include <vector>

#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

constexpr UINT IDD_PAGE_A = 210;
constexpr UINT IDD_PAGE_B = 211;
constexpr UINT IDD_PAGE_C = 212;
constexpr UINT IDS_PAGE_A = 210;

std::vector<std::string>* g_trail = nullptr;
void Trail(const std::string& what)
{
    if (g_trail)
        g_trail->push_back(what);
}

class CNumberPage : public CPropertyPage {
public:
    CNumberPage(UINT id, const char* name, UINT caption = 0) : CPropertyPage(id, caption), m_name(name) {}
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_INT, m_value);
        DDV_MinMaxInt(pDX, m_value, 0, 100);
    }
    BOOL OnSetActive() override
    {
        Trail(m_name + ".SetActive");
        CPropertySheet* sheet = GetSheet();
        if (sheet && sheet->IsWizard()) {
            const int index = sheet->GetPageIndex(this);
            DWORD buttons = index > 0 ? PSWIZB_BACK : 0;
            buttons |= index == sheet->GetPageCount() - 1 ? PSWIZB_FINISH : PSWIZB_NEXT;
            sheet->SetWizardButtons(buttons);
        }
        return CPropertyPage::OnSetActive();
    }
    BOOL OnApply() override
    {
        Trail(m_name + ".Apply");
        return CPropertyPage::OnApply();
    }
    LRESULT OnWizardNext() override { return m_next; }
    BOOL OnQueryCancel() override { return m_allowCancel; }

    std::string m_name;
    int m_value = 5;
    LRESULT m_next = 0;
    BOOL m_allowCancel = TRUE;
};

class MfcPropertySheets : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        g_trail = &m_trail;
    }
    void TearDown() override
    {
        g_trail = nullptr;
        MfcTest::TearDown();
    }
    // Runs `steps` one per timer tick inside the sheet's modal loop.
    INT_PTR RunWith(CPropertySheet& sheet, std::vector<std::function<void()>> steps)
    {
        m_steps = std::move(steps);
        s_self = this;
        SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
            if (!s_self || s_self->m_steps.empty()) {
                KillTimer(nullptr, id);
                return;
            }
            auto step = s_self->m_steps.front();
            s_self->m_steps.erase(s_self->m_steps.begin());
            step();
        });
        const INT_PTR result = sheet.DoModal();
        s_self = nullptr;
        return result;
    }
    static void Press(CPropertySheet& sheet, int id)
    {
        sheet.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(sheet.m_hWnd, id)));
    }
    std::vector<std::string> m_trail;
    std::vector<std::function<void()>> m_steps;
    static MfcPropertySheets* s_self;
};
MfcPropertySheets* MfcPropertySheets::s_self = nullptr;

TEST_F(MfcPropertySheets, AWizardStaysOnAPageWhoseValueIsRefusedAndJumpsWhereNextSays)
{
    CPropertySheet sheet("Produce");
    CNumberPage a(IDD_PAGE_A, "a", IDS_PAGE_A);
    CNumberPage b(IDD_PAGE_B, "b");
    CNumberPage c(IDD_PAGE_C, "c");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    sheet.AddPage(&c);
    sheet.SetWizardMode();
    EXPECT_EQ(sheet.GetPageCount(), 3);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    a.m_next = IDD_PAGE_C;
    const INT_PTR result = RunWith(sheet, {
        [&] {
            EXPECT_NE(sheet.m_hWnd, nullptr);
            EXPECT_EQ(CWnd::FromHandlePermanent(sheet.m_hWnd), &sheet);
            EXPECT_EQ(sheet.GetActivePage(), &a);
            EXPECT_EQ(a.GetDlgItemInt(IDC_INT), 5u) << "OnInitDialog showed the value";
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, ID_WIZBACK)));
            a.SetDlgItemText(IDC_INT, "500");
            Press(sheet, ID_WIZNEXT);
        },
        [&] {
            EXPECT_EQ(sheet.GetActiveIndex(), 0) << "the refused value keeps the page";
            a.SetDlgItemText(IDC_INT, "42");
            Press(sheet, ID_WIZNEXT);
        },
        [&] {
            EXPECT_EQ(a.m_value, 42);
            EXPECT_EQ(sheet.GetActivePage(), &c) << "Next named page C";
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZFINISH)));
            Press(sheet, ID_WIZBACK);
        },
        [&] {
            EXPECT_EQ(sheet.GetActivePage(), &b);
            sheet.SetActivePage(2);
        },
        [&] { sheet.PressButton(PSBTN_FINISH); },
    });
    EXPECT_EQ(result, ID_WIZFINISH);
    EXPECT_EQ(a.m_hWnd, nullptr) << "the page windows went with the sheet";
    EXPECT_EQ(m_boxes.size(), 1u) << "the refusal was told";
}

TEST_F(MfcPropertySheets, OkAppliesThePagesShownInOrderAndCancelCanBeRefused)
{
    CPropertySheet sheet("Options");
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    CNumberPage a(IDD_PAGE_A, "a", IDS_PAGE_A);
    CNumberPage b(IDD_PAGE_B, "b");
    CNumberPage c(IDD_PAGE_C, "c");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    sheet.AddPage(&c);
    sheet.SetActivePage(1);
    const INT_PTR result = RunWith(sheet, {
        [&] {
            CTabCtrl* tab = sheet.GetTabControl();
            ASSERT_NE(tab, nullptr);
            EXPECT_EQ(tab->GetItemCount(), 3);
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            tab->GetItem(0, &item);
            EXPECT_STREQ(text, "First") << "the caption string";
            EXPECT_EQ(tab->GetCurSel(), 1);
            EXPECT_EQ(::GetDlgItem(sheet.m_hWnd, ID_APPLY_NOW), nullptr);
            sheet.SetActivePage(&a);
        },
        [&] {
            b.m_allowCancel = FALSE;
            sheet.SetActivePage(&b);
            Press(sheet, IDCANCEL);
        },
        [&] {
            EXPECT_NE(sheet.m_hWnd, nullptr) << "Cancel refused";
            b.SetDlgItemText(IDC_INT, "77");
            Press(sheet, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(b.m_value, 77);
    std::vector<std::string> applies;
    for (const std::string& t : m_trail)
        if (t.find(".Apply") != std::string::npos)
            applies.push_back(t);
    EXPECT_EQ(applies, (std::vector<std::string>{"a.Apply", "b.Apply"})) << "c was never shown";
}

TEST_F(MfcPropertySheets, TheTabControlIsATabControlObjectForAsLongAsTheSheetLives)
{
    CPropertySheet sheet("Options");
    CNumberPage a(IDD_PAGE_A, "a", IDS_PAGE_A);
    CNumberPage b(IDD_PAGE_B, "b");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    HWND tabWindow = nullptr;
    const INT_PTR result = RunWith(sheet, {
        [&] {
            CTabCtrl* tab = sheet.GetTabControl();
            ASSERT_NE(tab, nullptr);
            EXPECT_TRUE(tab->IsKindOf(RUNTIME_CLASS(CTabCtrl)));
            EXPECT_EQ(tab, sheet.GetTabControl()) << "the same object each time";
            EXPECT_EQ(tab->GetItemCount(), 2);
            tabWindow = tab->m_hWnd;
            Press(sheet, IDCANCEL);
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_NE(tabWindow, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(tabWindow), nullptr) << "the object lets go of the window with the sheet";
    EXPECT_EQ(sheet.GetTabControl(), nullptr);
}

// A tab control object that paints the tab window itself.
class CPaintedTabs : public CTabCtrl {
public:
    int m_paints = 0;

protected:
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        ++m_paints;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintedTabs, CTabCtrl)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(MfcPropertySheets, ASubclassCanTakeOverTheSheetsTabWindow)
{
    CPropertySheet sheet("Options");
    CNumberPage a(IDD_PAGE_A, "a", IDS_PAGE_A);
    sheet.AddPage(&a);
    CPaintedTabs tabs;
    RunWith(sheet, {
        [&] {
            HWND tab = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETTABCONTROL));
            ASSERT_NE(tab, nullptr);
            ASSERT_TRUE(tabs.SubclassWindow(tab)) << "the sheet leaves its tab window unmapped";
            EXPECT_EQ(sheet.GetTabControl()->GetItemCount(), 1);
            tabs.Invalidate();
            tabs.UpdateWindow();
            EXPECT_GT(tabs.m_paints, 0);
            tabs.UnsubclassWindow();
            Press(sheet, IDCANCEL);
        },
    });
}

class MfcCommonControls : public MfcTest {};

TEST_F(MfcCommonControls, ListImageTabAndSpinWrappers)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr));
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_ICON, CRect(0, 0, 300, 200), &parent, 1154));
    CImageList images;
    ASSERT_TRUE(images.Create(80, 60, ILC_COLOR24, 0, 8));
    list.SetImageList(&images, LVSIL_NORMAL);
    EXPECT_EQ(list.GetImageList(LVSIL_NORMAL), images.GetSafeHandle());
    EXPECT_EQ(list.InsertItem(0, "Scene 1\r\n00:00.000"), 0);
    EXPECT_TRUE(list.SetItemData(0, 99));
    EXPECT_EQ(list.GetItemData(0), 99u);
    for (int sub = 1; sub <= 3; ++sub)
        EXPECT_TRUE(list.SetItemText(0, sub, "Scene 1")) << "subitems without columns";
    EXPECT_EQ(list.GetItemText(0, 2), CString("Scene 1"));
    EXPECT_TRUE(list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(list.GetItemData(5), 0u);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    list.SetImageList(nullptr, LVSIL_NORMAL);

    CTabCtrl tab;
    ASSERT_TRUE(tab.Create(WS_CHILD | WS_VISIBLE, CRect(0, 200, 300, 300), &parent, 2));
    EXPECT_EQ(tab.InsertItem(0, "One"), 0);
    EXPECT_EQ(tab.InsertItem(1, "Two"), 1);
    CRect r;
    EXPECT_TRUE(tab.GetItemRect(0, &r));
    const CSize old = tab.SetItemSize(CSize(r.Width(), r.Height() + 4));
    EXPECT_EQ(old.cy, r.Height());

    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(310, 0, 360, 20), &parent, 3));
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT, CRect(360, 0, 376, 20), &parent, 4));
    spin.SetBuddy(&edit);
    spin.SetRange(0, 900);
    spin.SetPos(12);
    EXPECT_EQ(LOWORD(spin.GetPos()), 12);
    int lower = -1;
    int upper = -1;
    spin.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 900);
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, CString("12"));
    EXPECT_EQ(spin.GetBuddy()->m_hWnd, edit.m_hWnd);

    CToolBarCtrl bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT, CRect(0, 0, 100, 26), &parent, 5));
    CImageList barImages;
    ASSERT_TRUE(barImages.Create(16, 16, ILC_COLOR24, 1, 1));
    barImages.SetImageCount(1);
    bar.SetImageList(&barImages);
    TBBUTTON button{};
    button.idCommand = 40961;
    button.fsState = TBSTATE_ENABLED;
    EXPECT_TRUE(bar.AddButtons(1, &button));
    EXPECT_EQ(bar.GetButtonCount(), 1);
    EXPECT_TRUE(bar.EnableButton(40961, FALSE));
    EXPECT_FALSE(bar.IsButtonEnabled(40961));
    char barClass[32] = {};
    ::GetClassNameA(bar.m_hWnd, barClass, sizeof barClass);
    EXPECT_STREQ(barClass, "ToolbarWindow32");

    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&parent, TTS_ALWAYSTIP));
    CRect toolRect(0, 0, 50, 50);
    EXPECT_TRUE(tips.AddTool(&parent, "Play", &toolRect, 1));
    EXPECT_TRUE(tips.AddTool(&edit));
    EXPECT_EQ(tips.GetToolCount(), 2);
    tips.UpdateTipText("Pause", &parent, 1);
    tips.DelTool(&parent, 1);
    EXPECT_EQ(tips.GetToolCount(), 1);
    parent.DestroyWindow();
}

} // namespace

namespace {

class CTipPanel : public CWnd {
public:
    int m_asked = 0;
    UINT_PTR m_askedFor = 0;
    afx_msg BOOL OnNeedText(UINT, NMHDR* header, LRESULT* result)
    {
        auto* tip = reinterpret_cast<TOOLTIPTEXTA*>(header);
        ++m_asked;
        m_askedFor = header->idFrom;
        if (tip->uFlags & TTF_IDISHWND)
            std::snprintf(tip->szText, sizeof tip->szText, "Control %d",
                          ::GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)));
        *result = 0;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTipPanel, CWnd)
    ON_NOTIFY_EX(TTN_NEEDTEXTA, 0, OnNeedText)
END_MESSAGE_MAP()

HWND ShownTip()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) {
        char cls[32] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (std::string(cls) == TOOLTIPS_CLASSA && IsWindowVisible(w))
            *reinterpret_cast<HWND*>(p) = w;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(MfcCommonControls, EnableToolTipsAsksTheWindowForTheChildsText)
{
    win::commctrl::SetDefaultToolTipDelay(20);
    CTipPanel panel;
    ASSERT_TRUE(panel.CreateEx(0, AfxRegisterWndClass(0), "panel", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                               nullptr));
    CButton play;
    ASSERT_TRUE(play.Create("Play", WS_CHILD | WS_VISIBLE, CRect(10, 10, 90, 40), &panel, 53364));
    EXPECT_TRUE(panel.EnableToolTips(TRUE));
    POINT on{50 + 50, 50 + 25};
    win::user::InjectMouseMove(on);
    const auto end = GetTickCount() + 3000;
    MSG msg;
    while (!ShownTip() && GetTickCount() < end) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            Sleep(1);
        }
    }
    EXPECT_NE(ShownTip(), nullptr);
    EXPECT_EQ(panel.m_asked, 1);
    EXPECT_EQ(panel.m_askedFor, reinterpret_cast<UINT_PTR>(play.m_hWnd)) << "the tool is the child window";
    panel.EnableToolTips(FALSE);
    EXPECT_EQ(ShownTip(), nullptr);
    win::commctrl::SetDefaultToolTipDelay(0);
    panel.DestroyWindow();
}

} // namespace
