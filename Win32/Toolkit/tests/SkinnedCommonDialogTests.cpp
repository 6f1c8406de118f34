// The skinned file and font dialogs: the skin on the real dialog, the
// choice coming back, nothing of the skin left after, and WM_DESTROY going
// on to the dialog's own processing.

#include "Win32/Toolkit/SkinnedCommonDialogs.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "Win32/Toolkit/SkinnedControls.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"
#include "tests/support/TempDir.h"

using namespace dialog_test;

namespace {

namespace fs = std::filesystem;

bool IsOwnerDrawn(HWND dialog, int id) { return (::GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & 0xF) == BS_OWNERDRAW; }

bool MappedTo(HWND window, const CRuntimeClass* kind)
{
    CWnd* object = CWnd::FromHandlePermanent(window);
    return object && object->IsKindOf(kind);
}

// The active caption's fill, clear of the title and the close box.
COLORREF CaptionPixel(HWND dialog)
{
    RECT w{};
    ::GetWindowRect(dialog, &w);
    const int caption = ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYDLGFRAME);
    return WindowPixel(dialog, (w.right - w.left) - 60, caption / 2);
}

void Press(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

class CCheckedFileDialog : public KLFileDialog {
public:
    using KLFileDialog::KLFileDialog;
    CFileDialog* Inner() const { return m_pInnerDialog; }
    KLCaptionFrame* CaptionFrame() const { return m_pCaptionFrame; }
};

class SkinnedFileDialog : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        m_root = fs::weakly_canonical(m_folder.Path());
        fs::create_directories(m_root / "clips" / "old");
        for (const char* file : {"one.ksb", "clips/two.avi", "clips/old/three.avi"})
            std::ofstream(m_root / file) << "x";
    }
    testing_support::TempDir m_folder;
    fs::path m_root;
};

TEST_F(SkinnedFileDialog, TheSkinSitsOnTheRealDialogAndTheChoiceComesBack)
{
    CCheckedFileDialog dialog(TRUE, "avi", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "Movies (*.avi)|*.avi||");
    const std::string folder = (m_root / "clips").string();
    dialog.m_ofn.lpstrInitialDir = folder.c_str();
    HWND child = nullptr;
    const INT_PTR result = RunWith({[&] {
        HWND real = ::GetActiveWindow();
        EXPECT_EQ(CWnd::FromHandlePermanent(real), &dialog) << "moved to the real dialog";
        child = ::GetDlgItem(real, 0x0501);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(CWnd::FromHandlePermanent(child), dialog.Inner()) << "the child stays mapped";
        EXPECT_TRUE(MappedTo(child, RUNTIME_CLASS(CFileDialog)));
        EXPECT_TRUE(IsOwnerDrawn(real, IDOK));
        EXPECT_TRUE(IsOwnerDrawn(real, IDCANCEL));
        EXPECT_TRUE(MappedTo(::GetDlgItem(real, 0x0443), RUNTIME_CLASS(KLStatic)));
        EXPECT_EQ(::GetWindowLongA(real, GWL_STYLE) & WS_SYSMENU, 0);
        for (HWND c = ::GetWindow(real, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            char windowClass[32] = {};
            ::GetClassNameA(c, windowClass, sizeof windowClass);
            if (std::string(windowClass) == "ScrollBar") {
                EXPECT_FALSE(::IsWindowVisible(c)) << "no size grip";
            }
        }
        ASSERT_NE(dialog.CaptionFrame(), nullptr);
        EXPECT_EQ(CaptionPixel(real), kActiveCaption) << "the caption is the skin's";
        ::SetDlgItemTextA(real, 0x0480, "two.avi");
        Press(real, IDOK);
    }},
                                   [&] { return dialog.DoModal(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(std::string(dialog.GetPathName()), (m_root / "clips" / "two.avi").string());
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.Inner(), nullptr) << "the inner object is gone";
    EXPECT_EQ(dialog.CaptionFrame(), nullptr);
    EXPECT_FALSE(::IsWindow(child));
}

class CCheckedTextFontDialog : public KLTextFontDlg {
public:
    using KLTextFontDlg::KLTextFontDlg;
    KLCaptionFrame* CaptionFrame() const { return m_pCaptionFrame; }
};

class SkinnedFontDialog : public DialogTest {};

TEST_F(SkinnedFontDialog, TheTextFontDialogExchangesItsChoiceAndTheFont)
{
    LOGFONTA initial{};
    initial.lfHeight = -16;
    lstrcpynA(initial.lfFaceName, "DejaVu Sans", LF_FACESIZE);
    CCheckedTextFontDialog dialog(&initial, CF_SCREENFONTS | CF_EFFECTS | CF_SCALABLEONLY);
    const INT_PTR result = RunWith({[&] {
        HWND d = ::GetActiveWindow();
        char caption[64] = {};
        ::GetWindowTextA(d, caption, sizeof caption);
        EXPECT_STREQ(caption, "Text Font") << "template 591";
        EXPECT_EQ(::IsDlgButtonChecked(d, 4361), BST_CHECKED) << "the choice went into the radio group";
        EXPECT_TRUE(MappedTo(::GetDlgItem(d, 4360), RUNTIME_CLASS(KLRadioCheck)));
        EXPECT_TRUE(MappedTo(::GetDlgItem(d, 1072), RUNTIME_CLASS(KLGroupBox)));
        EXPECT_TRUE(IsOwnerDrawn(d, IDOK));
        EXPECT_NE(dialog.CaptionFrame(), nullptr);
        ::CheckRadioButton(d, 4360, 4361, 4360);
        ::SetDlgItemTextA(d, 1138, "20");
        Press(d, IDOK);
    }},
                                   [&] { return dialog.DoModal(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_nChoice, 0);
    EXPECT_EQ(dialog.CaptionFrame(), nullptr);
    LOGFONTA chosen{};
    dialog.GetCurrentFont(&chosen);
    EXPECT_STREQ(chosen.lfFaceName, "DejaVu Sans");
    EXPECT_EQ(chosen.lfHeight, -MulDiv(20, 96, 72));
}

// A font dialog whose hook records what reaches the system dialog's own
// processing and hands the rest to the framework's hook.
class CRecordingFontDialog : public KLFontDialog {
public:
    explicit CRecordingFontDialog(LOGFONTA* lf) : KLFontDialog(lf)
    {
        m_cf.lpfnHook = Hook;
        s_destroySeen = false;
    }
    KLCaptionFrame* CaptionFrame() const { return m_pCaptionFrame; }
    static UINT_PTR CALLBACK Hook(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DESTROY)
            s_destroySeen = true;
        return AfxCommDlgProc(hWnd, message, wParam, lParam);
    }
    static inline bool s_destroySeen = false;
};

TEST_F(SkinnedFontDialog, TheFontDialogIsSkinnedAndItsDestroyGoesOn)
{
    LOGFONTA initial{};
    initial.lfHeight = -16;
    lstrcpynA(initial.lfFaceName, "DejaVu Sans", LF_FACESIZE);
    CRecordingFontDialog dialog(&initial);
    const INT_PTR result = RunWith({[&] {
        HWND d = ::GetActiveWindow();
        EXPECT_EQ(CWnd::FromHandlePermanent(d), &dialog);
        EXPECT_TRUE(IsOwnerDrawn(d, IDOK));
        EXPECT_TRUE(MappedTo(::GetDlgItem(d, 0x0410), RUNTIME_CLASS(KLRadioCheck)));
        ASSERT_NE(dialog.CaptionFrame(), nullptr);
        EXPECT_EQ(CaptionPixel(d), kActiveCaption);
        ::SetDlgItemTextA(d, 1138, "12");
        Press(d, IDOK);
    }},
                                   [&] { return dialog.DoModal(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.GetFaceName(), CString("DejaVu Sans"));
    EXPECT_EQ(dialog.GetSize(), 120);
    EXPECT_EQ(dialog.CaptionFrame(), nullptr);
    EXPECT_TRUE(CRecordingFontDialog::s_destroySeen) << "WM_DESTROY went on to the dialog's own processing";
}

} // namespace
