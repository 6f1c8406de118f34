// CDialog: modal runs (end value, owner, nesting, WM_QUIT, idle messages,
// keys through PreTranslateMessage), modeless dialogs in the application's
// loop, and data exchange with its refusals.

#include <functional>
#include <string>
#include <vector>

#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

constexpr UINT WM_FINISH = WM_APP + 1;

class CExchangeDialog : public CDialog {
public:
    explicit CExchangeDialog(CWnd* parent = nullptr) : CDialog(IDD_EXCHANGE, parent) {}

    int m_int = 5;
    UINT m_uint = 7;
    long m_long = -9;
    CString m_text = "hello";
    float m_float = 1.5f;
    double m_double = 2.25;
    int m_check = 1;
    int m_radio = 2;
    int m_combo = 1;
    int m_list = 0;
    CButton m_pick;

    int m_textChanges = 0;
    int m_kicks = 0;
    int m_focusAtCancel = 0;
    std::function<void(CExchangeDialog&)> m_afterInit;

    BOOL OnInitDialog() override
    {
        for (LPCSTR item : {"Zero", "One", "Two"})
            SendDlgItemMessage(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        for (LPCSTR item : {"A", "B"})
            SendDlgItemMessage(IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        const BOOL result = CDialog::OnInitDialog();
        if (m_afterInit)
            m_afterInit(*this);
        return result;
    }
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_INT, m_int);
        DDV_MinMaxInt(pDX, m_int, -100, 100);
        DDX_Text(pDX, IDC_UINT, m_uint);
        DDX_Text(pDX, IDC_LONG, m_long);
        DDX_Text(pDX, IDC_TEXT, m_text);
        DDV_MaxChars(pDX, m_text, 5);
        DDX_Text(pDX, IDC_FLOAT, m_float);
        DDV_MinMaxFloat(pDX, m_float, 1.0f, 900.0f);
        DDX_Text(pDX, IDC_DOUBLE, m_double);
        DDX_Check(pDX, IDC_CHECK, m_check);
        DDX_Radio(pDX, IDC_RADIO1, m_radio);
        DDX_CBIndex(pDX, IDC_COMBO, m_combo);
        DDX_LBIndex(pDX, IDC_LIST, m_list);
        DDX_Control(pDX, IDC_PICK, m_pick);
    }
    void OnCancel() override
    {
        m_focusAtCancel = ::GetDlgCtrlID(::GetFocus());
        CDialog::OnCancel();
    }
    afx_msg void OnTextChange() { ++m_textChanges; }
    afx_msg LRESULT OnKickIdle(WPARAM, LPARAM)
    {
        ++m_kicks;
        return FALSE;
    }
    afx_msg LRESULT OnFinish(WPARAM wParam, LPARAM)
    {
        EndDialog(static_cast<int>(wParam));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CExchangeDialog, CDialog)
    ON_EN_CHANGE(IDC_TEXT, OnTextChange)
    ON_MESSAGE(WM_KICKIDLE, OnKickIdle)
    ON_MESSAGE(WM_FINISH, OnFinish)
END_MESSAGE_MAP()

class DialogTest : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        ASSERT_TRUE(m_owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                     400, 300, nullptr, nullptr));
        SetForegroundWindow(m_owner.m_hWnd);
    }
    CWnd m_owner;
};

// Keys typed once the dialog shows, from a timer of the modal loop.
std::vector<UINT>* g_keys = nullptr;
// When set, the keys wait until the dialog has heard of an idle time.
const int* g_kicks = nullptr;

void CALLBACK TypeOnceShown(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND active = GetActiveWindow();
    char title[32] = {};
    GetWindowTextA(active, title, sizeof title);
    if (!g_keys || std::string(title) != "Exchange" || (g_kicks && *g_kicks == 0))
        return;
    KillTimer(nullptr, id);
    for (UINT vk : *g_keys) {
        win::user::InjectKey(vk, true);
        win::user::InjectKey(vk, false);
    }
}

TEST_F(DialogTest, DoModalReturnsTheEndValueAndGivesTheOwnerBack)
{
    CExchangeDialog dialog(&m_owner);
    dialog.m_afterInit = [](CExchangeDialog& d) { d.PostMessage(WM_FINISH, 42); };
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone";
    EXPECT_TRUE(m_owner.IsWindowEnabled());
    EXPECT_EQ(GetActiveWindow(), m_owner.m_hWnd);
}

TEST_F(DialogTest, ModalDialogsNestAndEndOnAQuitThatIsPostedAgain)
{
    CExchangeDialog outer(&m_owner);
    INT_PTR innerResult = 0;
    outer.m_afterInit = [&](CExchangeDialog& o) {
        CExchangeDialog inner(&o);
        inner.m_afterInit = [](CExchangeDialog& i) { i.PostMessage(WM_FINISH, 7); };
        innerResult = inner.DoModal();
        EXPECT_TRUE(o.IsWindowEnabled()) << "the inner dialog gave its owner back";
        PostQuitMessage(3);
    };
    EXPECT_EQ(outer.DoModal(), -1) << "a quit ends the loop";
    EXPECT_EQ(innerResult, 7);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "posted again for the caller's loop";
    EXPECT_EQ(quit.wParam, 3u);
    EXPECT_TRUE(m_owner.IsWindowEnabled());
}

TEST_F(DialogTest, KeysReachTheModalDialogThroughPreTranslateMessage)
{
    CExchangeDialog dialog(&m_owner);
    std::vector<UINT> keys{VK_TAB, VK_ESCAPE};
    g_keys = &keys;
    g_kicks = &dialog.m_kicks;
    SetTimer(nullptr, 0, 10, TypeOnceShown);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    g_keys = nullptr;
    g_kicks = nullptr;
    EXPECT_EQ(dialog.m_focusAtCancel, IDC_UINT) << "Tab moved on from the first field";
    EXPECT_GT(dialog.m_kicks, 0) << "the dialog heard of the idle times while it waited";
}

TEST_F(DialogTest, ValuesGoIntoTheControlsAndComeBack)
{
    CExchangeDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_EXCHANGE, &m_owner));
    struct Shown {
        int id;
        const char* text;
    };
    for (const Shown& s : {Shown{IDC_INT, "5"}, Shown{IDC_UINT, "7"}, Shown{IDC_LONG, "-9"}, Shown{IDC_TEXT, "hello"},
                           Shown{IDC_FLOAT, "1.5"}, Shown{IDC_DOUBLE, "2.25"}}) {
        CString text;
        dialog.GetDlgItemText(s.id, text);
        EXPECT_STREQ(text, s.text) << s.id;
    }
    EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_CHECK), BST_CHECKED);
    EXPECT_EQ(dialog.GetCheckedRadioButton(IDC_RADIO1, IDC_RADIO3), IDC_RADIO3);
    EXPECT_EQ(dialog.SendDlgItemMessage(IDC_COMBO, CB_GETCURSEL), 1);
    EXPECT_EQ(dialog.SendDlgItemMessage(IDC_TEXT, EM_GETLIMITTEXT), 5) << "DDV_MaxChars limits the edit";
    EXPECT_EQ(CWnd::FromHandlePermanent(::GetDlgItem(dialog.m_hWnd, IDC_PICK)), &dialog.m_pick);
    EXPECT_EQ(dialog.m_textChanges, 0) << "the exchange's own changes are not notified";

    dialog.SetDlgItemText(IDC_INT, " -12 ");
    dialog.SetDlgItemText(IDC_UINT, "4000000000");
    dialog.SetDlgItemText(IDC_TEXT, "bye");
    dialog.SetDlgItemText(IDC_FLOAT, "899.5");
    dialog.SetDlgItemText(IDC_DOUBLE, "-0.125");
    dialog.CheckDlgButton(IDC_CHECK, BST_UNCHECKED);
    dialog.CheckRadioButton(IDC_RADIO1, IDC_RADIO3, IDC_RADIO1);
    dialog.SendDlgItemMessage(IDC_COMBO, CB_SETCURSEL, 2);
    dialog.SendDlgItemMessage(IDC_LIST, LB_SETCURSEL, 1);
    EXPECT_EQ(dialog.m_textChanges, 1) << "changes made outside the exchange are notified";
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_int, -12);
    EXPECT_EQ(dialog.m_uint, 4000000000u);
    EXPECT_STREQ(dialog.m_text, "bye");
    EXPECT_FLOAT_EQ(dialog.m_float, 899.5f);
    EXPECT_DOUBLE_EQ(dialog.m_double, -0.125);
    EXPECT_EQ(dialog.m_check, 0);
    EXPECT_EQ(dialog.m_radio, 0);
    EXPECT_EQ(dialog.m_combo, 2);
    EXPECT_EQ(dialog.m_list, 1);
    EXPECT_TRUE(m_boxes.empty());
    dialog.m_pick.UnsubclassWindow();
    dialog.DestroyWindow();
}

TEST_F(DialogTest, RefusedValuesAreToldFocusedAndFailUpdateData)
{
    CExchangeDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_EXCHANGE, &m_owner));
    dialog.ShowWindow(SW_SHOW);
    SetForegroundWindow(dialog.m_hWnd);
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {IDC_INT, "12abc", "Please enter an integer."},
        {IDC_INT, "99999999999", "Please enter an integer."},
        {IDC_INT, "", "Please enter an integer."},
        {IDC_INT, "500", "Please enter an integer between -100 and 100."},
        {IDC_UINT, "-3", "Please enter a positive integer."},
        {IDC_LONG, "1.5", "Please enter an integer."},
        {IDC_TEXT, "toolong", "Please enter no more than 5 characters."},
        {IDC_FLOAT, "abc", "Please enter a number."},
        {IDC_FLOAT, "1000", "Please enter a number between 1 and 900."},
        {IDC_DOUBLE, "1e999", "Please enter a number."},
    };
    for (const Case& c : cases) {
        CString before;
        dialog.GetDlgItemText(c.id, before);
        m_boxes.clear();
        dialog.SetDlgItemText(c.id, c.text);
        EXPECT_FALSE(dialog.UpdateData(TRUE)) << c.text;
        ASSERT_EQ(m_boxes.size(), 1u) << c.text;
        EXPECT_EQ(m_boxes[0].text, c.message);
        EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), c.id) << c.text;
        dialog.SetDlgItemText(c.id, before);
    }

    m_boxes.clear();
    dialog.SetDlgItemText(IDC_INT, "x");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, IDOK)));
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(dialog.m_nModalResult, -1) << "OK with a refused value keeps the dialog";
    dialog.SetDlgItemText(IDC_INT, "1");
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog.m_hWnd, IDOK)));
    EXPECT_EQ(dialog.m_nModalResult, IDOK);
    dialog.m_pick.UnsubclassWindow();
    dialog.DestroyWindow();
}

class CPanelApp : public CWinApp {
public:
    CPanelApp() : CWinApp("Panel Test") {}
};

TEST_F(DialogTest, ModelessDialogsGetDialogKeysFromTheApplicationLoop)
{
    CPanelApp app;
    app.m_pMainWnd = &m_owner;
    CExchangeDialog panel;
    ASSERT_TRUE(panel.Create(IDD_EXCHANGE, &m_owner));
    panel.ShowWindow(SW_SHOW);
    SetForegroundWindow(panel.m_hWnd);
    panel.GetDlgItem(IDC_INT)->SetFocus();
    win::user::InjectKey(VK_TAB, true);
    win::user::InjectKey(VK_TAB, false);
    win::user::InjectKey(VK_ESCAPE, true);
    win::user::InjectKey(VK_ESCAPE, false);
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (app.PreTranslateMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(panel.m_focusAtCancel, IDC_UINT);
    EXPECT_EQ(panel.m_nModalResult, IDCANCEL);
    app.m_pMainWnd = nullptr;
    panel.m_pick.UnsubclassWindow();
    panel.DestroyWindow();
}

} // namespace
