// The skinned dialog base on the fixture dialog with every kind of child:
// which children are skinned and how the skin goes again, the caption box
// by injected input, and the skinned controls' painting.

#include "Win32/Toolkit/SkinnedDialog.h"

#include <map>
#include <string>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Toolkit/CaptionFrame.h"
#include "Win32/Toolkit/SkinnedControls.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"
#include "Win32/Toolkit/tests/SkinFixtures.h"

using namespace dialog_test;

namespace {

constexpr int IDC_LEFT_BUTTON = 1001;
constexpr int IDC_LONG_BUTTON = 1002;
constexpr int IDC_AUTO_CHECK = 1011;
constexpr int IDC_DISABLED_RADIO = 1017;
constexpr int IDC_EDIT = 1040;
constexpr int IDC_READ_ONLY_EDIT = 1041;
constexpr int IDC_PICTURE = 1060;
constexpr int IDC_LONG_TEXT = 1034;

// The fixture dialog, with a DDX_Control member on the auto check box and
// a record of the children's procedures before the skin and after it went.
class CFixtureDialog : public KLDialog {
public:
    CFixtureDialog() : KLDialog(IDD_FIXTURE, nullptr) {}

    BOOL OnInitDialog() override
    {
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            m_procsBefore[::GetDlgCtrlID(child)] = ::GetWindowLongPtrA(child, GWLP_WNDPROC);
        return KLDialog::OnInitDialog();
    }
    KLCaptionFrame* CaptionFrame() const { return m_pCaptionFrame; }

    std::map<int, LONG_PTR> m_procsBefore;
    std::map<int, LONG_PTR> m_procsAfter;
    std::map<int, bool> m_wrappedAfter;
    int m_closes = 0;
    int m_sizeMoves = 0;
    CButton m_autoCheck;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_AUTO_CHECK, m_autoCheck); }
    afx_msg void OnDestroy()
    {
        KLDialog::OnDestroy();
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const int id = ::GetDlgCtrlID(child);
            m_procsAfter[id] = ::GetWindowLongPtrA(child, GWLP_WNDPROC);
            m_wrappedAfter[id] = CWnd::FromHandlePermanent(child) != nullptr;
        }
    }
    afx_msg LRESULT OnEnterSizeMove(WPARAM, LPARAM)
    {
        ++m_sizeMoves;
        return Default();
    }
    afx_msg void OnClose()
    {
        ++m_closes;
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFixtureDialog, KLDialog)
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_MESSAGE(WM_ENTERSIZEMOVE, OnEnterSizeMove)
END_MESSAGE_MAP()

class SkinnedDialog : public DialogTest {
protected:
    // Runs the fixture dialog; each step gets its window.
    INT_PTR Run(CFixtureDialog& dialog, std::vector<std::function<void(HWND)>> steps)
    {
        // The template places the dialog at the screen's corner, its caption
        // above the top: it moves where the pointer can reach it first.
        std::vector<std::function<void()>> wrapped{[&dialog] {
            ::SetWindowPos(dialog.m_hWnd, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }};
        for (auto& step : steps)
            wrapped.push_back([&dialog, step] { step(dialog.m_hWnd); });
        return RunWith(std::move(wrapped), [&] { return dialog.DoModal(); });
    }
    static void End(HWND dialog) { ::SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }
};

// Which object each child is mapped to after OnInitDialog: the skinned
// wrapper, the data-exchange member, or none.
struct ChildRow {
    int id;
    const CRuntimeClass* expected; // null: no object
    bool ownerDrawn;
};

TEST_F(SkinnedDialog, EveryChildIsSkinnedByItsClassAndStyleAndLetGoOnDestroy)
{
    const ChildRow rows[] = {
        {IDOK, nullptr, true},
        {IDCANCEL, nullptr, true},
        {IDC_LEFT_BUTTON, nullptr, true},
        {IDC_LONG_BUTTON, nullptr, true},
        {1010, RUNTIME_CLASS(KLRadioCheck), false},        // check box
        {IDC_AUTO_CHECK, RUNTIME_CLASS(CButton), false},   // mapped by DDX_Control first
        {1012, RUNTIME_CLASS(KLRadioCheck), false},        // radio button
        {1013, RUNTIME_CLASS(KLRadioCheck), false},        // auto radio buttons
        {1014, RUNTIME_CLASS(KLRadioCheck), false},
        {1015, nullptr, false},                            // three-state boxes
        {1016, nullptr, false},
        {IDC_DISABLED_RADIO, RUNTIME_CLASS(KLRadioCheck), false},
        {1020, RUNTIME_CLASS(KLGroupBox), false},          // group boxes
        {1021, RUNTIME_CLASS(KLGroupBox), false},
        {1022, RUNTIME_CLASS(KLGroupBox), false},
        {1030, RUNTIME_CLASS(KLStatic), false},            // left, centre, right statics
        {1031, RUNTIME_CLASS(KLStatic), false},
        {1032, RUNTIME_CLASS(KLStatic), false},
        {IDC_LONG_TEXT, RUNTIME_CLASS(KLStatic), false},
        {1033, nullptr, false},                            // icon
        {IDC_EDIT, nullptr, false},
        {IDC_READ_ONLY_EDIT, nullptr, false},
        {1050, nullptr, false},                            // list view
        {1051, RUNTIME_CLASS(KLToolbar), false},
        {IDC_PICTURE, nullptr, false},                     // black rectangle
    };
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        for (const ChildRow& row : rows) {
            HWND child = ::GetDlgItem(d, row.id);
            ASSERT_NE(child, nullptr) << row.id;
            CWnd* object = CWnd::FromHandlePermanent(child);
            EXPECT_EQ(object ? object->GetRuntimeClass() : nullptr, row.expected) << "child " << row.id;
            EXPECT_EQ((::GetWindowLongA(child, GWL_STYLE) & 0xF) == BS_OWNERDRAW, row.ownerDrawn) << "child " << row.id;
        }
        EXPECT_EQ(::GetWindowLongA(d, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        ASSERT_NE(dialog.CaptionFrame(), nullptr);
        End(d);
    }});
    EXPECT_EQ(dialog.CaptionFrame(), nullptr) << "deleted in WM_DESTROY";
    for (const ChildRow& row : rows) {
        if (row.id == IDC_AUTO_CHECK)
            continue; // the member keeps its own to the end
        EXPECT_FALSE(dialog.m_wrappedAfter[row.id]) << "child " << row.id;
        EXPECT_EQ(dialog.m_procsAfter[row.id], dialog.m_procsBefore[row.id]) << "child " << row.id;
    }
}

TEST_F(SkinnedDialog, PushButtonsAreDrawnInTheSkinAndReadAtMost63Characters)
{
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        // Without its frame bitmap the button shows the frame shade.
        EXPECT_EQ(ClientPixel(::GetDlgItem(d, IDOK), 1, 1), GetSkinState().m_crFrameShade[0]);
        HWND button = ::GetDlgItem(d, IDC_LONG_BUTTON);
        // An item wide enough for the whole text.
        const RECT r{0, 0, 700, 24};
        auto drawn = [&](const std::string& text) {
            ::SetWindowTextA(button, text.c_str());
            skin_fixtures::Canvas canvas(r.right, r.bottom);
            DRAWITEMSTRUCT item{ODT_BUTTON, IDC_LONG_BUTTON, 0, ODA_DRAWENTIRE, 0, button, canvas.dc.m_hDC, r, 0};
            EXPECT_TRUE(DrawSkinnedItem(&item));
            std::vector<COLORREF> pixels;
            for (int y = 0; y < r.bottom; ++y)
                for (int x = 0; x < r.right; ++x)
                    pixels.push_back(canvas.At(x, y));
            return pixels;
        };
        const std::string text = std::string(62, 'i') + "WWWWWW";
        EXPECT_EQ(drawn(text), drawn(text.substr(0, 63)));
        EXPECT_NE(drawn(text.substr(0, 63)), drawn(text.substr(0, 62))) << "the 63rd character shows";
        End(d);
    }});
}

TEST_F(SkinnedDialog, TheCloseBoxClicksOnlyWhenReleasedOverIt)
{
    CFixtureDialog dialog;
    POINT box{};
    POINT away{};
    // A window layer whose default processing of a caption press still
    // enters the move loop while the window holds the capture takes the
    // moves and the release from the box: the script cannot run there.
    bool moveLoop = false;
    auto state = [&] { return dialog.CaptionFrame()->GetBoxState(0); };
    auto scripted = [&](std::function<void(HWND)> step) {
        return [&, step](HWND d) {
            if (!moveLoop)
                step(d);
        };
    };
    const INT_PTR result = Run(dialog, {
        [&](HWND d) {
            RECT w{};
            ::GetWindowRect(d, &w);
            const int caption = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYDLGFRAME);
            box = POINT{w.right - 5 - 12, w.top + caption / 2};
            away = POINT{w.left + 60, w.top + caption + 40};
            ASSERT_EQ(dialog.CaptionFrame()->HitTest(box), 0);
            win::user::InjectMouseMove(box);
            win::user::InjectMouseButton(win::user::MouseButton::Left, true, box);
        },
        [&](HWND d) {
            if ((moveLoop = dialog.m_sizeMoves > 0)) {
                win::user::InjectMouseButton(win::user::MouseButton::Left, false, box);
                return;
            }
            EXPECT_EQ(::GetCapture(), d);
            EXPECT_EQ(state(), 1) << "pressed";
            win::user::InjectMouseMove(away);
        },
        scripted([&](HWND) {
            EXPECT_EQ(state(), 0) << "left";
            win::user::InjectMouseMove(box);
        }),
        scripted([&](HWND) {
            EXPECT_EQ(state(), 1) << "back over it";
            win::user::InjectMouseMove(away);
            win::user::InjectMouseButton(win::user::MouseButton::Left, false, away);
        }),
        [&](HWND d) {
            if (moveLoop) {
                End(d);
                return;
            }
            EXPECT_EQ(state(), 0);
            EXPECT_EQ(dialog.m_closes, 0) << "released outside";
            EXPECT_NE(::GetCapture(), d);
            // Stamped past the double-click time: a second press, not a double click.
            win::user::InjectMouseButton(win::user::MouseButton::Left, true, box,
                                         ::GetTickCount() + ::GetDoubleClickTime() + 1);
        },
        scripted([&](HWND) { win::user::InjectMouseButton(win::user::MouseButton::Left, false, box); }),
    });
    ASSERT_FALSE(moveLoop) << "a press on a caption box entered the move loop";
    EXPECT_EQ(dialog.m_closes, 1);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(SkinnedDialog, APressOnTheCaptionOutsideTheBoxMovesTheDialog)
{
    CFixtureDialog dialog;
    RECT before{};
    RECT after{};
    Run(dialog, {
        [&](HWND d) {
            ::GetWindowRect(d, &before);
            const POINT grip{before.left + 40, before.top + 10};
            ASSERT_EQ(dialog.CaptionFrame()->HitTest(grip), -1);
            win::user::InjectMouseMove(grip);
            win::user::InjectMouseButton(win::user::MouseButton::Left, true, grip);
            win::user::InjectMouseMove(POINT{grip.x + 30, grip.y + 20});
            win::user::InjectMouseButton(win::user::MouseButton::Left, false, POINT{grip.x + 30, grip.y + 20});
        },
        [&](HWND d) {
            ::GetWindowRect(d, &after);
            End(d);
        },
    });
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
}

TEST_F(SkinnedDialog, ANewTitleRepaintsTheCaptionInTheActiveLook)
{
    CFixtureDialog dialog;
    // A point of the caption's inner band, clear of the title and the box.
    auto captionPixel = [](HWND d) {
        RECT w{};
        ::GetWindowRect(d, &w);
        const int caption = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYDLGFRAME);
        return WindowPixel(d, (w.right - w.left) - 60, caption / 2);
    };
    Run(dialog, {[&](HWND d) {
        EXPECT_EQ(captionPixel(d), kActiveCaption);
        ::SendMessageA(d, WM_NCACTIVATE, FALSE, 0);
        EXPECT_EQ(captionPixel(d), kInactiveCaption);
        ::SetWindowTextA(d, "A new title");
        EXPECT_EQ(captionPixel(d), kActiveCaption);
        End(d);
    }});
}

TEST_F(SkinnedDialog, SetTextSkinnedRepaintsUnderDisabledOrReadOnlyControlsOnly)
{
    struct Row {
        int id;
        bool disable;
        bool repainted;
    };
    const Row rows[] = {{IDC_EDIT, false, false}, {IDC_READ_ONLY_EDIT, false, true}, {IDC_EDIT, true, true}};
    for (const Row& row : rows) {
        CFixtureDialog dialog;
        Run(dialog, {[&](HWND d) {
            HWND control = ::GetDlgItem(d, row.id);
            ::EnableWindow(control, !row.disable);
            PumpUntilIdle();
            // A mark the repaint would cover, where the text does not go.
            const RECT r = ClientRectOf(control);
            const POINT mark{r.right - 2, r.bottom - 2};
            HDC dc = ::GetDC(control);
            ::SetPixel(dc, mark.x, mark.y, RGB(255, 0, 0));
            ::ReleaseDC(control, dc);
            dialog.SetDlgItemTextSkinned(row.id, "x");
            const COLORREF after = ClientPixel(control, mark.x, mark.y);
            EXPECT_EQ(after == kDialogBack, row.repainted) << "control " << row.id << " disabled " << row.disable;
            char text[8] = {};
            ::GetWindowTextA(control, text, sizeof text);
            EXPECT_STREQ(text, "x");
            End(d);
        }});
    }
}

TEST_F(SkinnedDialog, ADisabledRadioIsGreyAndRepaintsWhenEnabled)
{
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        HWND radio = ::GetDlgItem(d, IDC_DISABLED_RADIO);
        const RECT r = ClientRectOf(radio);
        EXPECT_GT(CountClientPixels(radio, r, 0x969696), 0);
        EXPECT_EQ(CountClientPixels(radio, r, GetSkinState().m_crDialogText), 0);
        ::EnableWindow(radio, TRUE);
        PumpUntilIdle();
        EXPECT_EQ(CountClientPixels(radio, r, 0x969696), 0);
        EXPECT_GT(CountClientPixels(radio, r, GetSkinState().m_crDialogText), 0);
        End(d);
    }});
}

TEST_F(SkinnedDialog, AShorterStaticTextLeavesNoRemains)
{
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        HWND text = ::GetDlgItem(d, IDC_LONG_TEXT);
        RECT r = ClientRectOf(text);
        r.left = r.right / 2;
        EXPECT_GT(CountClientPixels(text, r, kDialogBack), 0);
        EXPECT_LT(CountClientPixels(text, r, kDialogBack), (r.right - r.left) * r.bottom) << "the long text shows";
        ::SetWindowTextA(text, "Short");
        PumpUntilIdle();
        EXPECT_EQ(CountClientPixels(text, r, kDialogBack), (r.right - r.left) * r.bottom);
        End(d);
    }});
}

TEST_F(SkinnedDialog, APictureShowsBlackAColourOrAnImageInsideItsFrame)
{
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        HWND control = ::GetDlgItem(d, IDC_PICTURE);
        auto* picture = new KLPictureWnd(control);
        ASSERT_TRUE(picture->IsSubclassed());
        picture->m_bDialogLook = TRUE;
        const RECT r = ClientRectOf(control);
        const RECT inner{1, 1, r.right - 9, r.bottom - 9};
        const int innerPixels = (inner.right - inner.left) * (inner.bottom - inner.top);
        picture->SetColor(RGB(10, 200, 30));
        EXPECT_EQ(CountClientPixels(control, inner, RGB(10, 200, 30)), innerPixels);
        EXPECT_EQ(ClientPixel(control, r.right - 4, r.bottom - 4), kDialogPictureFrame);
        picture->SetImage(nullptr);
        EXPECT_EQ(CountClientPixels(control, inner, RGB(0, 0, 0)), innerPixels);
        CIplImage image(8, 8, RGB(200, 40, 90));
        picture->SetImage(&image);
        EXPECT_EQ(CountClientPixels(control, inner, RGB(200, 40, 90)), innerPixels);
        EXPECT_EQ(ClientPixel(control, 0, 0), kDialogPictureFrame);
        delete picture;
        EXPECT_EQ(CWnd::FromHandlePermanent(control), nullptr);
        EXPECT_TRUE(::IsWindow(control)) << "the wrapper never destroys its control";
        End(d);
    }});
}

TEST_F(SkinnedDialog, CaptionBoxIndexesOutsideTheRangeAreIgnored)
{
    CFixtureDialog dialog;
    Run(dialog, {[&](HWND d) {
        KLCaptionFrame* frame = dialog.CaptionFrame();
        for (int box : {-1, 2, 7}) {
            frame->SetBoxState(box, 1);
            EXPECT_EQ(frame->GetBoxState(box), 0);
        }
        EXPECT_EQ(frame->GetBoxState(0), 0);
        End(d);
    }});
}

TEST_F(SkinnedDialog, NonClientMessagesWithoutTheCaptionFrameSkipTheSkin)
{
    // A dialog never initialised has no caption frame: painting falls back
    // to the window's own, and a press reaches no box.
    CFixtureDialog dialog;
    dialog.CreateEx(0, "Static", "bare", WS_POPUP | WS_CAPTION | WS_VISIBLE, 10, 10, 200, 120, nullptr, nullptr);
    ASSERT_NE(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.CaptionFrame(), nullptr);
    ::SendMessageA(dialog.m_hWnd, WM_NCPAINT, 1, 0);
    ::SendMessageA(dialog.m_hWnd, WM_NCACTIVATE, TRUE, 0);
    ::SendMessageA(dialog.m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(200, 15));
    EXPECT_NE(::GetCapture(), dialog.m_hWnd);
    dialog.DestroyWindow();
}

} // namespace
