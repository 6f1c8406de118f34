// CFileDialog over the file dialog: the object on the dialog's child,
// multiple names one by one, and CDocManager::DoPromptFileName.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

namespace fs = std::filesystem;

class MfcFileDialogs : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        m_root = fs::weakly_canonical(fs::temp_directory_path()) /
                 ("kestrelon-mfcfiledlg-" + std::to_string(getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "sub");
        for (const char* file : {"one.ksb", "two.ksb", "three.avi"})
            std::ofstream(m_root / file) << "x";
        m_cwd = fs::current_path();
        fs::current_path(m_root);
    }
    void TearDown() override
    {
        fs::current_path(m_cwd);
        fs::remove_all(m_root);
        MfcTest::TearDown();
    }
    // Runs `steps` one per timer tick while a dialog runs.
    template <class Body>
    auto RunWith(std::vector<std::function<void()>> steps, Body body)
    {
        m_steps = std::move(steps);
        s_self = this;
        SetTimer(nullptr, 0, 15, [](HWND, UINT, UINT_PTR id, DWORD) {
            if (!s_self || s_self->m_steps.empty()) {
                KillTimer(nullptr, id);
                return;
            }
            auto step = s_self->m_steps.front();
            s_self->m_steps.erase(s_self->m_steps.begin());
            step();
        });
        auto result = body();
        s_self = nullptr;
        return result;
    }
    static void TypeAndOk(const char* text)
    {
        HWND dialog = GetActiveWindow();
        SetDlgItemTextA(dialog, edt1, text);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }
    fs::path m_root;
    fs::path m_cwd;
    std::vector<std::function<void()>> m_steps;
    static MfcFileDialogs* s_self;
};
MfcFileDialogs* MfcFileDialogs::s_self = nullptr;

class CCheckedFileDialog : public CFileDialog {
public:
    using CFileDialog::CFileDialog;
    BOOL OnInitDialog() override
    {
        m_initialised = true;
        m_childWindow = m_hWnd;
        HWND real = ::GetParent(m_hWnd);
        for (HWND c = ::GetWindow(real, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            char cls[32] = {};
            ::GetClassNameA(c, cls, sizeof cls);
            if (std::string(cls) == "ScrollBar")
                m_parentHasGrip = true;
        }
        return CFileDialog::OnInitDialog();
    }
    bool m_initialised = false;
    bool m_parentHasGrip = false;
    HWND m_childWindow = nullptr;
};

TEST_F(MfcFileDialogs, TheObjectIsTheChildAndMultipleNamesIterate)
{
    char names[1024] = {};
    CCheckedFileDialog dialog(TRUE, "ksb", nullptr,
                              OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR,
                              "Storyboards (*.ksb)|*.ksb|All Files (*.*)|*.*||");
    dialog.m_ofn.lpstrFile = names;
    dialog.m_ofn.nMaxFile = sizeof names;
    dialog.m_ofn.lpstrTitle = "Paste files";
    const INT_PTR result = RunWith({[&] {
                                        EXPECT_EQ(CWnd::FromHandlePermanent(dialog.m_childWindow), &dialog);
                                        TypeAndOk("\"one.ksb\" \"two.ksb\"");
                                    }},
                                   [&] { return dialog.DoModal(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(dialog.m_initialised);
    EXPECT_TRUE(dialog.m_parentHasGrip) << "the real dialog, the object's parent, has the size grip";
    EXPECT_NE(dialog.m_childWindow, nullptr);
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "released with the dialog";
    std::vector<std::string> paths;
    for (POSITION pos = dialog.GetStartPosition(); pos;)
        paths.push_back(static_cast<LPCSTR>(dialog.GetNextPathName(pos)));
    EXPECT_EQ(paths, (std::vector<std::string>{(m_root / "one.ksb").string(), (m_root / "two.ksb").string()}));
}

TEST_F(MfcFileDialogs, ASingleChoiceAndItsParts)
{
    CFileDialog dialog(FALSE, "avi", "untitled.avi", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Movies (*.avi)|*.avi||");
    const INT_PTR result = RunWith({[&] { TypeAndOk("sub/clip"); }}, [&] { return dialog.DoModal(); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(std::string(dialog.GetPathName()), (m_root / "sub" / "clip.avi").string());
    EXPECT_EQ(dialog.GetFileName(), CString("clip.avi"));
    EXPECT_EQ(dialog.GetFileExt(), CString("avi"));
    EXPECT_EQ(dialog.GetFileTitle(), CString("clip"));
    POSITION pos = dialog.GetStartPosition();
    EXPECT_EQ(std::string(dialog.GetNextPathName(pos)), (m_root / "sub" / "clip.avi").string());
    EXPECT_EQ(pos, nullptr);

    CFileDialog cancelled(TRUE);
    EXPECT_EQ(RunWith({[] {
                          HWND d = GetActiveWindow();
                          SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(GetDlgItem(d, IDCANCEL)));
                      }},
                      [&] { return cancelled.DoModal(); }),
              IDCANCEL);
}

TEST_F(MfcFileDialogs, TheDocumentManagerAsksWithTheFileDialog)
{
    CDocManager manager;
    CString name;
    CString caption;
    const BOOL chosen = RunWith({[&] {
                                    char text[64] = {};
                                    ::GetWindowTextA(GetActiveWindow(), text, sizeof text);
                                    caption = text;
                                    TypeAndOk("three.avi");
                                }},
                                [&] { return manager.DoPromptFileName(name, AFX_IDS_OPENFILE, OFN_FILEMUSTEXIST, TRUE, nullptr); });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(caption, CString("Open"));
    EXPECT_EQ(std::string(name), (m_root / "three.avi").string());
}

} // namespace

namespace {

constexpr UINT IDD_TEXTFONT = 591;

// A font dialog on its own template whose hook replaces the framework's:
// it finds its object itself and exchanges one more choice.
class CTextFontDialog : public CFontDialog {
public:
    explicit CTextFontDialog(LOGFONTA* lf) : CFontDialog(lf, CF_SCREENFONTS | CF_EFFECTS | CF_SCALABLEONLY)
    {
        m_cf.Flags |= CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_NOVERTFONTS;
        m_cf.lpTemplateName = MAKEINTRESOURCEA(IDD_TEXTFONT);
        m_cf.lpfnHook = Hook;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Radio(pDX, 4360, m_choice); }

    static UINT_PTR CALLBACK Hook(HWND hWnd, UINT message, WPARAM, LPARAM)
    {
        auto* self = dynamic_cast<CTextFontDialog*>(CWnd::FromHandle(hWnd));
        if (!self)
            return 0;
        if (message == WM_INITDIALOG) {
            self->m_foundAtInit = true;
            self->UpdateData(FALSE);
        } else if (message == WM_DESTROY) {
            self->UpdateData(TRUE);
        }
        return 0;
    }
    BOOL OnInitDialog() override
    {
        m_frameworkInit = true;
        return CFontDialog::OnInitDialog();
    }

    int m_choice = 1;
    bool m_foundAtInit = false;
    bool m_frameworkInit = false;
};

class MfcFontDialogs : public MfcTest {};

TEST_F(MfcFontDialogs, AReplacingHookFindsItsObjectOnTheTemplate)
{
    LOGFONTA initial{};
    initial.lfHeight = -16;
    lstrcpynA(initial.lfFaceName, "DejaVu Sans", LF_FACESIZE);
    CTextFontDialog dialog(&initial);
    static CTextFontDialog* s_dialog = nullptr;
    s_dialog = &dialog;
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND d = GetActiveWindow();
        EXPECT_EQ(IsDlgButtonChecked(d, 4361), BST_CHECKED) << "the member went into the radio group";
        CheckRadioButton(d, 4360, 4361, 4360);
        SetDlgItemTextA(d, 1138, "20");
        CheckDlgButton(d, 1040, BST_CHECKED);
        char caption[64] = {};
        GetWindowTextA(d, caption, sizeof caption);
        EXPECT_STREQ(caption, "Text Font");
        EXPECT_EQ(CWnd::FromHandlePermanent(d), s_dialog);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDOK)));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.m_foundAtInit);
    EXPECT_FALSE(dialog.m_frameworkInit) << "a replacing hook means no framework OnInitDialog";
    EXPECT_EQ(dialog.m_choice, 0);
    EXPECT_EQ(dialog.GetFaceName(), CString("DejaVu Sans"));
    EXPECT_EQ(dialog.GetSize(), 200);
    EXPECT_TRUE(dialog.IsStrikeOut());
    EXPECT_FALSE(dialog.IsBold());
    EXPECT_EQ(dialog.GetWeight(), FW_NORMAL);
    LOGFONTA chosen{};
    dialog.GetCurrentFont(&chosen);
    EXPECT_EQ(chosen.lfHeight, -MulDiv(20, 96, 72));
}

} // namespace
