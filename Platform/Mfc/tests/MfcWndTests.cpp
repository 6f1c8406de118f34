// CWnd: objects attached from their window's first message, the handle
// maps, subclassing, reflection of notifications to the child's object,
// owner-drawn menu items to their CMenu, and the PreTranslateMessage walk.

#include <string>
#include <vector>

#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

constexpr int IDC_CHILD_BUTTON = 10;
constexpr int IDC_CHILD_SILENT = 11;
constexpr int IDC_CHILD_STATIC = 12;
constexpr int IDC_CHILD_SCROLL = 13;
constexpr int IDC_CHILD_LIST = 14;
constexpr UINT NOTIFY_CODE = 13;

class WndTest : public MfcTest {};

// Parent of the reflection tests: records what reaches it.
class CRecordingParent : public CWnd {
public:
    std::vector<std::string> m_got;
    afx_msg void OnButton() { m_got.push_back("parent clicked"); }
    afx_msg void OnSilent() { m_got.push_back("parent silent"); }
    afx_msg void OnNotified(NMHDR*, LRESULT* result)
    {
        m_got.push_back("parent notified");
        *result = 7;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingParent, CWnd)
    ON_BN_CLICKED(IDC_CHILD_BUTTON, OnButton)
    ON_BN_CLICKED(IDC_CHILD_SILENT, OnSilent)
    ON_NOTIFY(NOTIFY_CODE, IDC_CHILD_BUTTON, OnNotified)
END_MESSAGE_MAP()

// An owner-drawn button that takes its own notifications back.
class CSelfButton : public CButton {
public:
    std::vector<std::string> m_got;
    BOOL m_passClicks = FALSE;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        m_got.push_back("draw " + std::to_string(dis->CtlID));
    }
    afx_msg BOOL OnClicked()
    {
        m_got.push_back("clicked");
        return !m_passClicks;
    }
    afx_msg void OnNotify13(NMHDR* header, LRESULT* result)
    {
        m_got.push_back("notify " + std::to_string(header->idFrom));
        *result = 42;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfButton, CButton)
    ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
    ON_NOTIFY_REFLECT(NOTIFY_CODE, OnNotify13)
END_MESSAGE_MAP()

class CColouredStatic : public CStatic {
public:
    CBrush m_brush{RGB(1, 2, 3)};
    UINT m_type = 99;
    afx_msg HBRUSH CtlColor(CDC*, UINT type)
    {
        m_type = type;
        return m_brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColouredStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CSelfScroll : public CScrollBar {
public:
    std::vector<UINT> m_codes;
    afx_msg void HScroll(UINT code, UINT) { m_codes.push_back(code); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSelfScroll, CScrollBar)
    ON_WM_HSCROLL_REFLECT()
END_MESSAGE_MAP()

class CTallList : public CListBox {
public:
    int m_measured = 0;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override
    {
        ++m_measured;
        mis->itemHeight = 24;
    }
};

TEST_F(WndTest, ReflectedNotificationsReachTheChildObjectFirst)
{
    CRecordingParent parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr));
    CSelfButton button;
    CSelfButton silent;
    ASSERT_TRUE(button.Create("b", WS_VISIBLE | BS_OWNERDRAW, CRect(5, 5, 60, 30), &parent, IDC_CHILD_BUTTON));
    ASSERT_TRUE(silent.Create("s", WS_VISIBLE | BS_OWNERDRAW, CRect(70, 5, 120, 30), &parent, IDC_CHILD_SILENT));
    silent.m_passClicks = TRUE;
    UpdateWindow(parent.m_hWnd);
    PumpUntilIdle();
    EXPECT_NE(std::find(button.m_got.begin(), button.m_got.end(), "draw 10"), button.m_got.end())
        << "WM_DRAWITEM reaches the button's object";

    button.m_got.clear();
    silent.m_got.clear();
    button.SendMessage(BM_CLICK);
    silent.SendMessage(BM_CLICK);
    EXPECT_EQ(std::count(button.m_got.begin(), button.m_got.end(), "clicked"), 1);
    EXPECT_EQ(std::count(silent.m_got.begin(), silent.m_got.end(), "clicked"), 1);
    EXPECT_EQ(parent.m_got, std::vector<std::string>{"parent silent"}) << "only the _EX handler that declined passes on";

    NMHDR header{button.m_hWnd, IDC_CHILD_BUTTON, NOTIFY_CODE};
    parent.m_got.clear();
    const LRESULT answer = parent.SendMessage(WM_NOTIFY, IDC_CHILD_BUTTON, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(answer, 42) << "the child's result comes back";
    EXPECT_TRUE(parent.m_got.empty());
}

TEST_F(WndTest, ColourScrollAndMeasureMessagesReachTheChildObject)
{
    CRecordingParent parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
    CColouredStatic label;
    ASSERT_TRUE(label.Create("label", WS_VISIBLE, CRect(5, 5, 60, 20), &parent, IDC_CHILD_STATIC));
    CClientDC dc(&label);
    const LRESULT brush = parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC),
                                             reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), static_cast<HBRUSH>(label.m_brush));
    EXPECT_EQ(label.m_type, static_cast<UINT>(CTLCOLOR_STATIC));

    CSelfScroll bar;
    ASSERT_TRUE(bar.Create(SBS_HORZ | WS_VISIBLE, CRect(5, 30, 100, 45), &parent, IDC_CHILD_SCROLL));
    parent.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(bar.m_hWnd));
    EXPECT_EQ(bar.m_codes, std::vector<UINT>{SB_PAGERIGHT});

    CTallList list;
    ASSERT_TRUE(list.Create(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VISIBLE, CRect(5, 50, 100, 150), &parent,
                            IDC_CHILD_LIST));
    EXPECT_EQ(list.m_measured, 1) << "measured once, while the list box is made";
    EXPECT_EQ(list.GetItemHeight(0), 24);
}

TEST_F(WndTest, SubclassingTakesTheWindowAndUnsubclassingGivesItBack)
{
    HWND edit = CreateWindowExA(0, "EDIT", "text", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR original = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr) << "no object owns it yet";

    CEdit wrapper;
    ASSERT_TRUE(wrapper.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), &wrapper);
    EXPECT_TRUE(CWnd::FromHandlePermanent(edit)->IsKindOf(RUNTIME_CLASS(CEdit)));
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(AfxGetAfxWndProc()));
    CWnd second;
    EXPECT_FALSE(second.SubclassWindow(edit)) << "one object per window";

    wrapper.SetWindowText("through the old procedure");
    CString text;
    wrapper.GetWindowText(text);
    EXPECT_STREQ(text, "through the old procedure");

    EXPECT_EQ(wrapper.UnsubclassWindow(), edit);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr);
    EXPECT_EQ(wrapper.m_hWnd, nullptr);
    DestroyWindow(edit);
}

TEST_F(WndTest, TemporaryObjectsLiveUntilTheTempMapsAreFreed)
{
    HWND plain = CreateWindowExA(0, RecordingClass(), "plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    AfxDeleteTempMaps();
    AFX_THREAD_STATE* state = AfxGetThreadState();
    CWnd* first = CWnd::FromHandle(plain);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_hWnd, plain);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    PumpUntilIdle();
    SendMessageA(plain, WM_NULL, 0, 0);
    EXPECT_EQ(CWnd::FromHandle(plain), first) << "the same object until the thread idles";
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    EXPECT_EQ(state->windows.TemporaryCount(), 1u);
    AfxDeleteTempMaps();
    EXPECT_EQ(state->windows.TemporaryCount(), 0u);
    EXPECT_TRUE(IsWindow(plain)) << "freeing a temporary object leaves its window alone";
    DestroyWindow(plain);
}

class CSelfDeleting : public CWnd {
public:
    explicit CSelfDeleting(bool* deleted) : m_deleted(deleted) {}
    ~CSelfDeleting() override { *m_deleted = true; }
    void PostNcDestroy() override { delete this; }

private:
    bool* m_deleted;
};

TEST_F(WndTest, PostNcDestroyRunsAfterTheLastMessage)
{
    bool deleted = false;
    auto* window = new CSelfDeleting(&deleted);
    ASSERT_TRUE(window->CreateEx(0, AfxRegisterWndClass(0), "self", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND handle = window->m_hWnd;
    DestroyWindow(handle);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CWnd::FromHandlePermanent(handle), nullptr);
}

class CFailingCreate : public CWnd {
public:
    afx_msg int OnCreate(LPCREATESTRUCT) { AfxThrowResourceException(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFailingCreate, CWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

TEST_F(WndTest, AnExceptionInAHandlerIsReportedAndFailsTheMessage)
{
    CFailingCreate window;
    EXPECT_FALSE(window.CreateEx(0, AfxRegisterWndClass(0), "fails", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(window.m_hWnd, nullptr);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "A required resource was unavailable.");
}

class CDrawnMenu : public CMenu {
public:
    std::vector<UINT> m_measured;
    std::vector<ULONG_PTR> m_drawn;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override
    {
        m_measured.push_back(mis->itemID);
        mis->itemHeight = 20;
        mis->itemWidth = 80;
    }
    void DrawItem(LPDRAWITEMSTRUCT dis) override { m_drawn.push_back(dis->itemData); }
};

TEST_F(WndTest, OwnerDrawnMenuItemsGoToTheMenuObject)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    CMenu bar;
    ASSERT_TRUE(bar.CreateMenu());
    CDrawnMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_OWNERDRAW, 500, reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(0xABC)));
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup.m_hMenu), "&Drawn");
    owner.SetMenu(&bar);

    MEASUREITEMSTRUCT measure{ODT_MENU, 0, 500, 0, 0, 0xABC};
    owner.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(popup.m_measured, std::vector<UINT>{500});
    EXPECT_EQ(measure.itemHeight, 20u);

    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = 500;
    draw.hwndItem = reinterpret_cast<HWND>(popup.m_hMenu);
    draw.itemData = 0xABC;
    owner.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(popup.m_drawn, std::vector<ULONG_PTR>{0xABC});

    owner.SetMenu(nullptr);
    bar.RemoveMenu(0, MF_BYPOSITION);
}

class CKeyFilter : public CWnd {
public:
    std::vector<HWND> m_seen;
    BOOL m_take = FALSE;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        m_seen.push_back(msg->hwnd);
        return m_take;
    }
};

TEST_F(WndTest, PreTranslateMessageWalksFromTheWindowUpToTheStop)
{
    CKeyFilter top;
    ASSERT_TRUE(top.CreateEx(0, AfxRegisterWndClass(0), "top", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
    CKeyFilter middle;
    ASSERT_TRUE(middle.Create(nullptr, "middle", WS_VISIBLE, CRect(0, 0, 100, 100), &top, 1));
    HWND leaf = MakeChild(middle.m_hWnd, RECT{0, 0, 10, 10}, 2);
    MSG msg{leaf, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};

    EXPECT_FALSE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
    EXPECT_EQ(middle.m_seen.size(), 1u);
    EXPECT_EQ(top.m_seen.size(), 1u);

    EXPECT_FALSE(CWnd::WalkPreTranslateTree(middle.m_hWnd, &msg));
    EXPECT_EQ(top.m_seen.size(), 1u) << "the walk stops at the given window";

    middle.m_take = TRUE;
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
    EXPECT_EQ(top.m_seen.size(), 1u) << "a window that takes the message ends the walk";
}

TEST_F(WndTest, CenterWindowCentresOnTheOwner)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                               nullptr));
    CWnd popup;
    ASSERT_TRUE(popup.CreateEx(0, AfxRegisterWndClass(0), "popup", WS_POPUP, 0, 0, 100, 50, owner.m_hWnd, nullptr));
    popup.CenterWindow();
    CRect placed;
    popup.GetWindowRect(&placed);
    EXPECT_EQ(placed, CRect(250, 225, 350, 275));
}

} // namespace
