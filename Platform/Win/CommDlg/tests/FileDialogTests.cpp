#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/CommDlg/CommDlg.h"
#include "Platform/Win/CommCtrl/tests/CommCtrlTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace commctrl_test;

// Runs a file dialog on a temporary tree, its steps one per timer tick.
class FileDialogs : public CommCtrlTest {
protected:
    void SetUp() override
    {
        CommCtrlTest::SetUp();
        m_root = fs::temp_directory_path() /
                 ("kestrelon-filedlg-" + std::to_string(getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        for (const char* folder : {"Media", "clips", "Media/Deep"})
            fs::create_directories(m_root / folder);
        for (const char* file : {"b.AVI", "a.avi", "notes.txt", "Media/inner.avi", "z.Wav"})
            std::ofstream(m_root / file) << "x";
        std::ofstream(m_root / "bad\xff\xfename.avi") << "x";
        fs::create_symlink(m_root / "missing-target.avi", m_root / "broken.avi");
        m_cwd = fs::current_path();
    }
    void TearDown() override
    {
        fs::current_path(m_cwd);
        fs::remove_all(m_root);
        CommCtrlTest::TearDown();
    }
    OPENFILENAMEA Record(DWORD flags)
    {
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = m_parent;
        ofn.lpstrFilter = m_filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = m_file;
        ofn.nMaxFile = sizeof m_file;
        m_initialDir = m_root.string();
        ofn.lpstrInitialDir = m_initialDir.c_str();
        ofn.Flags = flags;
        return ofn;
    }
    BOOL Run(OPENFILENAMEA& ofn, std::vector<std::function<void()>> steps, bool save = false)
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
        const BOOL result = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
        s_self = nullptr;
        return result;
    }
    // The dialog that runs now (the active window).
    HWND Dialog() const { return GetActiveWindow(); }
    std::vector<std::string> Listed() const
    {
        std::vector<std::string> names;
        HWND list = GetDlgItem(Dialog(), lst2);
        const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            LVITEMA item{};
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            names.push_back(text);
        }
        return names;
    }
    void Type(const char* text) const { SetDlgItemTextA(Dialog(), edt1, text); }
    void Press(int id) const
    {
        HWND dialog = Dialog();
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    // Answers the message box that runs now.
    void Answer(int id) const { PostMessageA(GetActiveWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    int IndexOf(const std::string& name) const
    {
        const auto names = Listed();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }

    fs::path m_root;
    fs::path m_cwd;
    std::string m_initialDir;
    std::string m_filter = std::string("Video (*.avi)\0*.avi\0Sound (*.wav)\0*.wav\0All files\0*.*\0\0", 55);
    char m_file[512] = {};
    std::vector<std::function<void()>> m_steps;
    static FileDialogs* s_self;
};
FileDialogs* FileDialogs::s_self = nullptr;

TEST_F(FileDialogs, ListsFoldersThenMatchingFilesAndNavigates)
{
    OPENFILENAMEA ofn = Record(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR);
    const BOOL chosen = Run(ofn, {
        [&] {
            EXPECT_EQ(Listed(), (std::vector<std::string>{"clips", "Media", "a.avi", "b.AVI", "bad\xEF\xBF\xBD\xEF\xBF\xBDname.avi",
                                                          "broken.avi"}))
                << "folders first, patterns without regard to case, bad names shown replaced";
            HWND grip = nullptr;
            for (HWND c = GetWindow(Dialog(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char cls[32] = {};
                GetClassNameA(c, cls, sizeof cls);
                if (std::string(cls) == "ScrollBar" && (GetWindowLongA(c, GWL_STYLE) & SBS_SIZEGRIP))
                    grip = c;
            }
            EXPECT_NE(grip, nullptr) << "a size grip";
            // Double click on a folder opens it.
            HWND list = GetDlgItem(Dialog(), lst2);
            RECT r{LVIR_ICON, 0, 0, 0};
            SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(IndexOf("Media")), reinterpret_cast<LPARAM>(&r));
            SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 2, r.top + 2));
        },
        [&] {
            EXPECT_EQ(Listed(), (std::vector<std::string>{"Deep", "inner.avi"}));
            // The tool bar's up-one-level button.
            HWND bar = FindWindowExA(Dialog(), nullptr, "ToolbarWindow32", nullptr);
            ASSERT_NE(bar, nullptr);
            RECT up{};
            SendMessageA(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&up));
            POINT at{(up.left + up.right) / 2, (up.top + up.bottom) / 2};
            ClientToScreen(bar, &at);
            ClickAt(at);
        },
        [&] {
            EXPECT_EQ(IndexOf("clips"), 0);
            // A typed folder opens; a typed pattern filters.
            Type("Media/Deep");
            Press(IDOK);
        },
        [&] {
            EXPECT_TRUE(Listed().empty());
            Type("..");
            Press(IDOK);
        },
        [&] {
            Type("*.TXT");
            Press(IDOK);
        },
        [&] {
            EXPECT_EQ(Listed(), (std::vector<std::string>{"Deep"})) << "the typed pattern, in Media";
            // The type combo: sounds.
            HWND types = GetDlgItem(Dialog(), cmb1);
            SendMessageA(types, CB_SETCURSEL, 1, 0);
            SendMessageA(Dialog(), WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
        },
        [&] {
            Type("missing.avi");
            Press(IDOK); // a message box says so; the dialog stays
        },
        [&] { Answer(IDOK); },
        [&] { Press(ID_FILEDLG_UPFOLDER); },
        [&] {
            Type("z.wav");
            Press(IDOK);
        },
        [&] { Answer(IDOK); }, // z.wav is z.Wav only without regard to case: not found
        [&] {
            Type("a.avi");
            Press(IDOK);
        },
    });
    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::string(m_file), (fs::weakly_canonical(m_root) / "a.avi").string());
    EXPECT_EQ(std::string(m_file + ofn.nFileOffset), "a.avi");
    EXPECT_EQ(std::string(m_file + ofn.nFileExtension), "avi");
    EXPECT_EQ(ofn.nFilterIndex, 2u);
    EXPECT_EQ(fs::current_path(), m_cwd) << "OFN_NOCHANGEDIR";
}

TEST_F(FileDialogs, SaveAsksBeforeReplacingAndAddsTheDefaultExtension)
{
    OPENFILENAMEA ofn = Record(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
    std::strcpy(m_file, "untitled.avi");
    ofn.lpstrDefExt = "avi";
    char title[64] = {};
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrTitle = "Save the movie";
    const BOOL chosen = Run(ofn, {
        [&] {
            char caption[64] = {};
            GetWindowTextA(Dialog(), caption, sizeof caption);
            EXPECT_STREQ(caption, "Save the movie");
            EXPECT_EQ(controls_test::WindowText(GetDlgItem(Dialog(), edt1)), "untitled.avi");
            Type("a");
            Press(IDOK); // a.avi exists: asked
        },
        [&] { Answer(IDNO); },
        [&] {
            Type("fresh");
            Press(IDOK);
        },
    }, true);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::string(m_file), (fs::weakly_canonical(m_root) / "fresh.avi").string());
    EXPECT_STREQ(title, "fresh.avi");
    EXPECT_EQ(fs::current_path(), fs::weakly_canonical(m_root)) << "without OFN_NOCHANGEDIR the folder becomes current";
}

TEST_F(FileDialogs, MultipleNamesAndAShortBuffer)
{
    OPENFILENAMEA ofn = Record(OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR);
    ofn.nFilterIndex = 3;
    const BOOL chosen = Run(ofn, {
        [&] {
            Type("\"a.avi\" \"z.Wav\"");
            Press(IDOK);
        },
    });
    ASSERT_TRUE(chosen);
    const std::string folder = m_file;
    EXPECT_EQ(folder, fs::weakly_canonical(m_root).string());
    EXPECT_EQ(ofn.nFileOffset, folder.size() + 1);
    EXPECT_STREQ(m_file + ofn.nFileOffset, "a.avi");
    EXPECT_STREQ(m_file + ofn.nFileOffset + 6, "z.Wav");
    EXPECT_EQ(m_file[ofn.nFileOffset + 12], '\0') << "double NUL";

    OPENFILENAMEA shortOne = Record(OFN_NOCHANGEDIR);
    shortOne.nMaxFile = 8;
    const BOOL ok = Run(shortOne, {
        [&] {
            Type("a.avi");
            Press(IDOK);
        },
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    WORD needed = 0;
    std::memcpy(&needed, m_file, sizeof needed);
    EXPECT_EQ(needed, (fs::weakly_canonical(m_root) / "a.avi").string().size() + 1);
}

TEST_F(FileDialogs, TheFlagsChecksAskThroughMessageBoxes)
{
    // No write bits: read-only even for a user who could write anything.
    fs::permissions(m_root / "notes.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    struct Case {
        const char* what;
        DWORD flags;
        bool save;
        const char* typed;
        const char* asked; // a part of the box's text; null: no box
        int answer;
        bool chosen;
    };
    const Case cases[] = {
        {"a missing file", OFN_FILEMUSTEXIST, false, "missing.avi", "File not found", IDOK, false},
        {"a missing folder", OFN_PATHMUSTEXIST, true, "nowhere/x.avi", "path does not exist", IDOK, false},
        {"a read-only file", OFN_NOREADONLYRETURN, true, "notes.txt", "read-only", IDOK, false},
        {"replacing refused", OFN_OVERWRITEPROMPT, true, "a.avi", "already exists", IDNO, false},
        {"replacing agreed", OFN_OVERWRITEPROMPT, true, "a.avi", "already exists", IDYES, true},
        {"no replace prompt when opening", OFN_OVERWRITEPROMPT, false, "a.avi", nullptr, 0, true},
        {"a read-only file without the flag", 0, true, "notes.txt", nullptr, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OPENFILENAMEA ofn = Record(c.flags | OFN_HIDEREADONLY | OFN_NOCHANGEDIR);
        ofn.nFilterIndex = 3;
        std::string boxText;
        std::vector<std::function<void()>> steps{[&] {
            Type(c.typed);
            Press(IDOK); // a box runs inside
        }};
        if (c.asked) {
            steps.push_back([&] {
                for (HWND w = GetWindow(GetActiveWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
                    boxText += controls_test::WindowText(w) + "\n";
                Answer(c.answer);
            });
        }
        if (!c.chosen)
            steps.push_back([&] {
                EXPECT_NE(GetDlgItem(Dialog(), lst2), nullptr) << "the file dialog stays";
                Press(IDCANCEL);
            });
        const BOOL chosen = Run(ofn, steps, c.save);
        EXPECT_EQ(chosen != FALSE, c.chosen);
        if (c.asked) {
            EXPECT_NE(boxText.find(c.asked), std::string::npos) << boxText;
        } else {
            EXPECT_TRUE(boxText.empty());
        }
        if (c.chosen) {
            EXPECT_EQ(std::string(m_file), (fs::weakly_canonical(m_root) / c.typed).string());
        }
    }
}

TEST_F(FileDialogs, TheReadOnlyBoxStartsFromTheFlagsAndItsStateComesBack)
{
    struct Case {
        DWORD flags;
        bool save;
        bool shown;
        bool checked;
        bool click;
        bool readOnly;
    };
    const Case cases[] = {
        {OFN_HIDEREADONLY, false, false, false, false, false},
        {0, false, true, false, false, false},
        {0, false, true, false, true, true},
        {OFN_READONLY, false, true, true, false, true},
        {OFN_READONLY, false, true, true, true, false},
        {OFN_OVERWRITEPROMPT, true, true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << (c.save ? " save" : " open"));
        OPENFILENAMEA ofn = Record(c.flags | OFN_NOCHANGEDIR);
        const BOOL chosen = Run(ofn, {
            [&] {
                HWND box = GetDlgItem(Dialog(), chx1);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(IsWindowVisible(box) != FALSE, c.shown);
                EXPECT_EQ(IsDlgButtonChecked(Dialog(), chx1) == BST_CHECKED, c.checked);
                if (c.shown) {
                    RECT boxRect{};
                    RECT types{};
                    GetWindowRect(box, &boxRect);
                    GetWindowRect(GetDlgItem(Dialog(), cmb1), &types);
                    EXPECT_GE(boxRect.top, types.bottom) << "the box has a row of its own under the type";
                }
                if (c.click)
                    ClickAt(CentreOf(box));
            },
            [&] {
                Type("fresh.avi");
                Press(IDOK);
            },
        }, c.save);
        ASSERT_TRUE(chosen);
        EXPECT_EQ((ofn.Flags & OFN_READONLY) != 0, c.readOnly);
    }
}

// What the hook's dialog of an Explorer-form dialog was told.
struct HookLog {
    HWND hookDialog = nullptr;
    HWND from = nullptr;
    std::vector<UINT> codes; // repeats of one code in a row count once
    DWORD filterAtTypeChange = 0;
    std::string fileAtOk;
    int refusals = 0; // CDN_FILEOK answers still to refuse
};
HookLog* g_hookLog = nullptr;

UINT_PTR CALLBACK RecordingHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        g_hookLog->hookDialog = dialog;
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return 0;
    const auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
    HookLog& log = *g_hookLog;
    if (log.codes.empty() || log.codes.back() != notify->hdr.code)
        log.codes.push_back(notify->hdr.code);
    log.from = notify->hdr.hwndFrom;
    if (notify->hdr.code == CDN_TYPECHANGE)
        log.filterAtTypeChange = notify->lpOFN->nFilterIndex;
    if (notify->hdr.code == CDN_FILEOK) {
        log.fileAtOk = notify->lpOFN->lpstrFile;
        if (log.refusals > 0) {
            --log.refusals;
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
            return TRUE;
        }
    }
    return 0;
}

TEST_F(FileDialogs, TheHooksDialogIsToldOfEachStepAndMayRefuseTheChoice)
{
    HookLog log;
    log.refusals = 1;
    g_hookLog = &log;
    OPENFILENAMEA ofn = Record(OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_NOCHANGEDIR);
    ofn.lpfnHook = RecordingHook;
    const std::string inner = (fs::weakly_canonical(m_root) / "Media" / "inner.avi").string();
    const BOOL chosen = Run(ofn, {
        [&] {
            EXPECT_EQ(log.codes, (std::vector<UINT>{CDN_INITDONE, CDN_FOLDERCHANGE}));
            ASSERT_NE(log.hookDialog, nullptr);
            EXPECT_EQ(GetParent(log.hookDialog), Dialog()) << "the hook's dialog is the child";
            EXPECT_EQ(log.from, Dialog()) << "the file dialog tells it";
            LVITEMA item{};
            item.state = item.stateMask = LVIS_SELECTED;
            SendDlgItemMessageA(Dialog(), lst2, LVM_SETITEMSTATE, static_cast<WPARAM>(IndexOf("a.avi")),
                                reinterpret_cast<LPARAM>(&item));
            HWND types = GetDlgItem(Dialog(), cmb1);
            SendMessageA(types, CB_SETCURSEL, 2, 0);
            SendMessageA(Dialog(), WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
            Type("Media");
            Press(IDOK);
        },
        [&] {
            Type("inner.avi");
            Press(IDOK); // refused by the hook: the dialog stays
        },
        [&] {
            EXPECT_EQ(log.fileAtOk, inner) << "the record holds the choice when the hook is asked";
            Press(IDOK);
        },
    });
    g_hookLog = nullptr;
    ASSERT_TRUE(chosen);
    EXPECT_EQ(log.codes, (std::vector<UINT>{CDN_INITDONE, CDN_FOLDERCHANGE, CDN_SELCHANGE, CDN_TYPECHANGE,
                                            CDN_FOLDERCHANGE, CDN_FILEOK}));
    EXPECT_EQ(log.filterAtTypeChange, 3u);
    EXPECT_EQ(std::string(m_file), inner);
    EXPECT_EQ(ofn.nFilterIndex, 3u);

    // Without OFN_EXPLORER the hook's dialog runs but is told nothing.
    HookLog quiet;
    g_hookLog = &quiet;
    ofn = Record(OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_NOCHANGEDIR);
    ofn.lpfnHook = RecordingHook;
    EXPECT_FALSE(Run(ofn, {[&] { Press(IDCANCEL); }}));
    g_hookLog = nullptr;
    EXPECT_NE(quiet.hookDialog, nullptr);
    EXPECT_TRUE(quiet.codes.empty());
}

TEST_F(FileDialogs, BadRecordsFailAndCancelAnswersNoError)
{
    EXPECT_FALSE(GetOpenFileNameA(nullptr));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
    OPENFILENAMEA ofn = Record(0);
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
    ofn = Record(0);
    ofn.lpstrFile = nullptr;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
    ofn = Record(0);
    EXPECT_FALSE(Run(ofn, {[&] { Press(IDCANCEL); }}));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

} // namespace
