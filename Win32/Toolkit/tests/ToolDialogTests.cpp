// The docked tool dialog over a stub view that implements the host: docking
// in the mode panel area, the tool commands sent and posted to the view,
// Enter and Esc by injected keys, the selector buttons and the swatch, and
// an owner that is no view.

#include "Win32/Toolkit/ToolDialog.h"

#include <vector>

#include "Win32/Toolkit/ToolDialogHost.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"

using namespace dialog_test;

namespace {

constexpr UINT IDD_TOOL = 710;
constexpr int IDC_TEXT = 1284;
constexpr int kModeButton = 53324;

// The stub view: a window whose permanent object is the host, with a mode
// panel area set by the test; it records the tool commands it gets.
class CStubView : public CWnd, public KLToolDialogHost {
public:
    CStubView()
    {
        CreateEx(0, AfxRegisterWndClass(0), "view", WS_POPUP | WS_VISIBLE, 20, 30, 900, 700, nullptr, nullptr);
    }
    ~CStubView() override { DestroyWindow(); }

    CRect GetModePanelRect() override { return m_area; }
    StoryboardItem* GetPreviewedItem() override { return m_item; }
    void RedrawPreviewVideo() override { ++m_redraws; }

    CRect m_area{68, 400, 868, 525};
    StoryboardItem* m_item = reinterpret_cast<StoryboardItem*>(0x1234);
    int m_redraws = 0;
    std::vector<WPARAM> m_commands;

protected:
    afx_msg LRESULT OnToolCommand(WPARAM wParam, LPARAM)
    {
        m_commands.push_back(wParam);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CStubView, CWnd)
    ON_MESSAGE(WM_KL_TOOLCOMMAND, OnToolCommand)
END_MESSAGE_MAP()

// A panel that records the commands it gets and where the focus was then.
class CFixturePanel : public KLToolDialog {
public:
    explicit CFixturePanel(CWnd* owner) : KLToolDialog(IDD_TOOL, owner, kModeButton, 0) {}

    struct Command {
        int id;
        int focus;
        bool operator==(const Command&) const = default;
    };
    std::vector<Command> m_commands;
    void SetSwatch(COLORREF colour) { m_crSwatch = colour; }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        // Commands of no control: the panel's own, not its children's.
        if (!lParam && LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)
            m_commands.push_back({LOWORD(wParam), ::GetDlgCtrlID(::GetFocus())});
        return KLToolDialog::OnCommand(wParam, lParam);
    }
};

class ToolDialog : public DialogTest {
protected:
    // Makes the panel and gives it the keyboard.
    void Open(CFixturePanel& panel, CWnd& owner)
    {
        ASSERT_TRUE(panel.Create(IDD_TOOL, &owner));
        panel.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(panel.m_hWnd);
        Pump(panel);
    }
    // The application's loop for a modeless dialog: keys through the
    // dialog's PreTranslateMessage.
    static void Pump(CFixturePanel& panel)
    {
        MSG msg;
        for (int i = 0; i < 1000 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (panel.m_hWnd && panel.PreTranslateMessage(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    static CRect ScreenArea(CStubView& view)
    {
        CRect area = view.m_area;
        view.ClientToScreen(&area);
        return area;
    }
    static CRect WindowOf(CWnd& window)
    {
        CRect r;
        window.GetWindowRect(&r);
        return r;
    }
    static void Focus(CFixturePanel& panel, int id) { ::SetFocus(::GetDlgItem(panel.m_hWnd, id)); }
};

TEST_F(ToolDialog, DocksAtTheAreasRightEdgeOrCutToItsWidth)
{
    struct Case {
        int areaWidth;
        int offset; // from the area's left edge
        int width;
    };
    for (const Case c : {Case{800, 200, 600}, Case{500, 0, 500}}) {
        CStubView view;
        view.m_area = CRect(68, 400, 68 + c.areaWidth, 525);
        CFixturePanel panel(&view);
        Open(panel, view);
        EXPECT_EQ(WindowOf(panel).TopLeft(), ScreenArea(view).TopLeft() + CSize(ScreenArea(view).Width() - WindowOf(panel).Width(), 0))
            << "docked as it initialised";
        panel.SetWindowPos(nullptr, 0, 0, 600, 40, SWP_NOMOVE | SWP_NOZORDER);
        panel.SendMessage(WM_MOVE);
        const CRect area = ScreenArea(view);
        EXPECT_EQ(WindowOf(panel), CRect(area.left + c.offset, area.top, area.left + c.offset + c.width, area.bottom))
            << "area " << c.areaWidth;
        // The view's layout changes: the panel follows on WM_MOVE.
        view.m_area.OffsetRect(0, -50);
        view.m_area.bottom += 20;
        panel.SendMessage(WM_MOVE);
        EXPECT_EQ(WindowOf(panel).top, ScreenArea(view).top);
        EXPECT_EQ(WindowOf(panel).Height(), ScreenArea(view).Height());
        EXPECT_EQ(WindowOf(panel).right, ScreenArea(view).right);
        panel.RedrawPreview();
        EXPECT_EQ(view.m_redraws, 1);
        EXPECT_EQ(panel.GetOwnerViewItem(), view.m_item);
        panel.DestroyWindow();
    }
}

TEST_F(ToolDialog, AnOwnerThatIsNoViewGetsNoDockingNorPreview)
{
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, AfxRegisterWndClass(0), "plain", WS_POPUP | WS_VISIBLE, 20, 30, 900, 700, nullptr,
                               nullptr));
    CFixturePanel panel(&plain);
    Open(panel, plain);
    panel.MoveWindow(300, 200, 400, 80);
    panel.SendMessage(WM_MOVE);
    EXPECT_EQ(WindowOf(panel), CRect(300, 200, 700, 280));
    EXPECT_EQ(panel.GetOwnerViewItem(), nullptr);
    panel.RedrawPreview();
    panel.DestroyWindow();
    plain.DestroyWindow();
}

TEST_F(ToolDialog, ToolCommandsAreSentToTheViewAndCloseIsPosted)
{
    struct Case {
        int command;
        bool sent;
        bool controlGone;
    };
    const Case cases[] = {
        {KLToolDialog::kApply, true, false},
        {KLToolDialog::kApplyAndHandOver, true, false},
        {KLToolDialog::kRestoreTransport, true, false},
        {KLToolDialog::kApply, true, true},
        {KLToolDialog::kClose, false, false},
    };
    for (const Case& c : cases) {
        CStubView view;
        CFixturePanel panel(&view);
        Open(panel, view);
        Focus(panel, IDC_TEXT);
        if (c.controlGone)
            ::DestroyWindow(::GetDlgItem(panel.m_hWnd, c.command));
        panel.SendMessage(WM_COMMAND, static_cast<WPARAM>(c.command));
        EXPECT_EQ(view.m_commands.size(), c.sent ? 1u : 0u) << c.command;
        Pump(panel);
        ASSERT_EQ(view.m_commands.size(), 1u) << c.command;
        EXPECT_EQ(view.m_commands[0], static_cast<WPARAM>(c.command));
        const int focusAfter = c.sent && !c.controlGone ? c.command : IDC_TEXT;
        EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), focusAfter) << c.command;
        panel.DestroyWindow();
    }
}

TEST_F(ToolDialog, EnterPostsTheFocusedControlsCommandAndKeepsTheFocus)
{
    struct Case {
        int focus;
        int command;
    };
    const Case cases[] = {
        {IDC_TEXT, KLToolDialog::kApply},
        {KLToolDialog::kRestoreTransport, KLToolDialog::kRestoreTransport},
        {KLToolDialog::kApplyAndHandOver, KLToolDialog::kApplyAndHandOver},
        {KLToolDialog::kClose, KLToolDialog::kClose},
    };
    for (const Case& c : cases) {
        CStubView view;
        CFixturePanel panel(&view);
        Open(panel, view);
        Focus(panel, c.focus);
        PressKey(VK_RETURN);
        Pump(panel);
        // The command arrives posted, after Enter gave the focus back.
        EXPECT_EQ(panel.m_commands, (std::vector<CFixturePanel::Command>{{c.command, c.focus}})) << c.focus;
        ASSERT_EQ(view.m_commands.size(), 1u) << c.focus;
        EXPECT_EQ(view.m_commands[0], static_cast<WPARAM>(c.command));
        EXPECT_TRUE(::IsWindow(panel.m_hWnd)) << "the panel never ends itself";
        panel.DestroyWindow();
    }
}

TEST_F(ToolDialog, EscRestoresTheTransportThenAsksTheViewToClose)
{
    CStubView view;
    CFixturePanel panel(&view);
    Open(panel, view);
    Focus(panel, IDC_TEXT);
    PressKey(VK_ESCAPE);
    Pump(panel);
    EXPECT_EQ(view.m_commands, (std::vector<WPARAM>{KLToolDialog::kRestoreTransport, KLToolDialog::kClose}));
    EXPECT_EQ(panel.m_commands.front().id, KLToolDialog::kRestoreTransport) << "sent to the panel itself";
    EXPECT_TRUE(::IsWindow(panel.m_hWnd));
    panel.DestroyWindow();
}

TEST_F(ToolDialog, TheFirstSelectorIsPressedAndTheSwatchShowsItsColour)
{
    CStubView view;
    CFixturePanel panel(&view);
    panel.SetSwatch(RGB(255, 0, 0));
    Open(panel, view);
    panel.UpdateWindow();
    // A pressed skinned button writes its text in black.
    auto blackPixels = [&](int id) {
        HWND button = ::GetDlgItem(panel.m_hWnd, id);
        return CountClientPixels(button, ClientRectOf(button), RGB(0, 0, 0));
    };
    EXPECT_GT(blackPixels(KLToolDialog::kFirstSelector), 0);
    EXPECT_EQ(blackPixels(3039), 0);
    EXPECT_EQ(blackPixels(KLToolDialog::kLastSelector), 0);

    HWND swatch = ::GetDlgItem(panel.m_hWnd, KLToolDialog::kSwatch);
    const RECT r = ClientRectOf(swatch);
    const int h = r.bottom - r.top;
    const RECT square{r.right - h + 5, r.top + 5, r.right - 5, r.bottom - 5};
    EXPECT_EQ(ClientPixel(swatch, (square.left + square.right) / 2, (square.top + square.bottom) / 2), RGB(255, 0, 0));
    EXPECT_NE(ClientPixel(swatch, square.left, square.top + 3), RGB(255, 0, 0)) << "edged sunken";
    EXPECT_NE(ClientPixel(swatch, square.left - 2, square.top + 3), RGB(255, 0, 0)) << "only the square";
    panel.DestroyWindow();
}

TEST_F(ToolDialog, ControlsTakeTheDarkerColoursAndTheBaseAnswersTheDefaults)
{
    CStubView view;
    CFixturePanel panel(&view);
    Open(panel, view);
    HDC dc = ::GetDC(panel.m_hWnd);
    const auto brush = reinterpret_cast<HBRUSH>(
        panel.SendMessage(WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(panel.m_hWnd)));
    EXPECT_EQ(::GetBkColor(dc), GetSkinState().m_crDialogBackAlt);
    ::ReleaseDC(panel.m_hWnd, dc);
    EXPECT_EQ(brush, GetSkinState().GetCtlColorBrush(nullptr, nullptr, CTLCOLOR_DLG, TRUE));
    EXPECT_NE(brush, GetSkinState().GetCtlColorBrush(nullptr, nullptr, CTLCOLOR_DLG, FALSE));

    EXPECT_TRUE(panel.WantsEffectPlayer());
    EXPECT_EQ(panel.ApplyTemplate(nullptr), 0);
    EXPECT_EQ(panel.CanAcceptDrop(17, 0), 0);
    EXPECT_EQ(panel.AcceptDrop(17, 0), 0);
    int linked = 0;
    EXPECT_EQ(panel.GetLinkedObject(), nullptr);
    panel.SetLinkedObject(&linked);
    EXPECT_EQ(panel.GetLinkedObject(), &linked);
    panel.EnableDlgItem(9999, FALSE);
    EXPECT_EQ(panel.ShowDlgItem(9999, SW_HIDE), 0);
    panel.EnableDlgItem(IDC_TEXT, FALSE);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(panel.m_hWnd, IDC_TEXT)));
    panel.DestroyWindow();
}

} // namespace
