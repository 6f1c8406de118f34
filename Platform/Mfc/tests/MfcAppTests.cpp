// The application and its threads: the start and end of AfxWinMain, idle
// work, message boxes, the profile and the recent file list, the command
// line, worker threads, synchronisation objects and wait cursors.

#include <atomic>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp("Kestrelon Test") {}

    BOOL m_initSucceeds = TRUE;
    std::vector<std::string> m_calls;
    std::vector<LONG> m_idleCounts;
    size_t m_temporariesBefore = 0;
    size_t m_temporariesAfter = 99;
    CWnd m_frame;

    BOOL InitInstance() override
    {
        m_calls.push_back("InitInstance");
        if (!m_initSucceeds)
            return FALSE;
        m_frame.CreateEx(0, AfxRegisterWndClass(0), "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                         nullptr, nullptr);
        m_pMainWnd = &m_frame;
        CWnd::FromHandle(GetDesktopWindow());
        return TRUE;
    }
    int Run() override
    {
        m_calls.push_back("Run");
        return CWinApp::Run();
    }
    BOOL OnIdle(LONG lCount) override
    {
        m_idleCounts.push_back(lCount);
        if (lCount == 1)
            m_temporariesBefore = AfxGetThreadState()->windows.TemporaryCount();
        const BOOL more = CWinApp::OnIdle(lCount);
        if (lCount == 1)
            m_temporariesAfter = AfxGetThreadState()->windows.TemporaryCount();
        // Once the idle work is done, the test's user closes the window.
        if (!more && m_frame.m_hWnd)
            m_frame.PostMessage(WM_CLOSE);
        return more;
    }
    int ExitInstance() override
    {
        m_calls.push_back("ExitInstance");
        CWinApp::ExitInstance();
        return 3;
    }
    int DoMessageBox(LPCSTR prompt, UINT type, UINT) override
    {
        m_calls.push_back(std::string("box ") + prompt + " " + std::to_string(type));
        return IDYES;
    }
};

class AppTest : public MfcTest {};

TEST_F(AppTest, AFailedInitInstanceStillEndsWithExitInstance)
{
    CTestApp app;
    app.m_initSucceeds = FALSE;
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW), 3);
    EXPECT_EQ(app.m_calls, (std::vector<std::string>{"InitInstance", "ExitInstance"}));
}

TEST_F(AppTest, RunEndsWhenTheMainWindowGoesAndIdlesFreeingTemporaries)
{
    CTestApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxGetThread(), &app);
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW), 3);
    EXPECT_EQ(app.m_calls, (std::vector<std::string>{"InitInstance", "Run", "ExitInstance"}));
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    ASSERT_GE(app.m_idleCounts.size(), 2u);
    EXPECT_EQ(app.m_idleCounts[0], 0);
    EXPECT_EQ(app.m_idleCounts[1], 1);
    EXPECT_GE(app.m_temporariesBefore, 1u);
    EXPECT_EQ(app.m_temporariesAfter, 0u) << "the idle work freed the desktop's object";
    EXPECT_STREQ(app.m_pszAppName, "Kestrelon Test");
    EXPECT_NE(app.m_pszExeName, nullptr);
    EXPECT_TRUE(std::string(app.m_pszHelpFilePath).ends_with(std::string(app.m_pszExeName) + ".HLP"));
}

TEST_F(AppTest, MessageBoxesGoToTheApplicationWithoutAHandler)
{
    CTestApp app;
    AfxMessageBoxHandler tests = AfxSetMessageBoxHandler({});
    EXPECT_EQ(AfxMessageBox("Save?", MB_YESNO), IDYES);
    AfxSetMessageBoxHandler(tests);
    EXPECT_EQ(app.m_calls, std::vector<std::string>{"box Save? 4"});
    EXPECT_EQ(AfxMessageBox("Handled", MB_OK), IDOK);
    EXPECT_EQ(app.m_calls.size(), 1u) << "an installed handler comes first";
}

TEST_F(AppTest, ProfileValuesRoundTripThroughTheRegistry)
{
    CWinApp app("Profile Test");
    EXPECT_EQ(app.GetProfileInt("Settings", "Count", 7), 7u) << "defaults before a registry key is set";
    EXPECT_FALSE(app.WriteProfileInt("Settings", "Count", 1));
    app.SetRegistryKey("Kestrelon Tests");
    EXPECT_STREQ(app.m_pszProfileName, "Profile Test");

    EXPECT_TRUE(app.WriteProfileInt("Settings", "Count", 42));
    EXPECT_TRUE(app.WriteProfileString("Settings", "Folder", "/tmp/out"));
    BYTE bytes[] = {1, 2, 3};
    EXPECT_TRUE(app.WriteProfileBinary("Settings", "Blob", bytes, sizeof bytes));
    EXPECT_EQ(app.GetProfileInt("Settings", "Count", 0), 42u);
    EXPECT_STREQ(app.GetProfileString("Settings", "Folder"), "/tmp/out");
    EXPECT_STREQ(app.GetProfileString("Settings", "Missing", "fallback"), "fallback");
    EXPECT_EQ(app.GetProfileInt("Settings", "Folder", -1), static_cast<UINT>(-1)) << "a text is no number";
    LPBYTE read = nullptr;
    UINT size = 0;
    ASSERT_TRUE(app.GetProfileBinary("Settings", "Blob", &read, &size));
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(read[2], 3);
    delete[] read;

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelon Tests\\Profile Test\\Settings", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD value = 0;
    DWORD type = 0;
    DWORD length = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, "Count", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &length),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 42u);
    RegCloseKey(key);

    EXPECT_TRUE(app.WriteProfileString("Settings", "Folder", nullptr));
    EXPECT_STREQ(app.GetProfileString("Settings", "Folder", "gone"), "gone");
    EXPECT_TRUE(app.WriteProfileString("Settings", nullptr, nullptr));
    EXPECT_EQ(app.GetProfileInt("Settings", "Count", 5), 5u) << "the section went";
}

TEST_F(AppTest, RecentFilesRoundTripAndFillTheFileMenu)
{
    CWinApp app("Recent Test");
    app.SetRegistryKey("Kestrelon Tests");
    app.LoadStdProfileSettings(4);
    ASSERT_NE(app.m_pRecentFileList, nullptr);

    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
    CMenu* file = menu.GetSubMenu(0);
    auto update = [&] {
        CCmdUI ui;
        ui.m_pMenu = file;
        ui.m_nIndexMax = file->GetMenuItemCount();
        for (ui.m_nIndex = 0; ui.m_nIndex < ui.m_nIndexMax; ++ui.m_nIndex) {
            ui.m_nID = file->GetMenuItemID(static_cast<int>(ui.m_nIndex));
            if (ui.m_nID == ID_FILE_MRU_FILE1)
                ui.DoUpdate(&app, FALSE);
        }
    };
    update();
    EXPECT_EQ(menu.GetMenuState(ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED) << "no files yet";

    app.AddToRecentFileList("/tmp/a.ksb");
    app.AddToRecentFileList("/tmp/b.ksb");
    app.AddToRecentFileList("/TMP/A.KSB");
    EXPECT_STREQ((*app.m_pRecentFileList)[0], "/TMP/A.KSB") << "the same file, named again, moves up";
    EXPECT_STREQ((*app.m_pRecentFileList)[1], "/tmp/b.ksb");
    EXPECT_TRUE((*app.m_pRecentFileList)[2].IsEmpty());
    app.SaveStdProfileSettings();
    EXPECT_STREQ(app.GetProfileString("Recent File List", "File1"), "/TMP/A.KSB");
    EXPECT_STREQ(app.GetProfileString("Recent File List", "File2"), "/tmp/b.ksb");

    CRecentFileList again(0, "Recent File List", "File%d", 4);
    again.ReadList();
    EXPECT_STREQ(again[1], "/tmp/b.ksb");

    update();
    CString text;
    file->GetMenuString(ID_FILE_MRU_FILE1, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&1 /TMP/A.KSB");
    file->GetMenuString(ID_FILE_MRU_FILE2, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&2 /tmp/b.ksb");
    EXPECT_EQ(file->GetMenuItemID(4), ID_FILE_MRU_FILE1) << "the files take the first file item's place";
    EXPECT_EQ(file->GetMenuItemID(5), ID_FILE_MRU_FILE2);
    EXPECT_EQ(file->GetMenuState(ID_FILE_MRU_FILE2, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST(AbbreviateNameTest, LongPathsKeepTheRootAndTheLastFolders)
{
    struct Case {
        const char* path;
        int limit;
        const char* shown;
    };
    const Case cases[] = {
        {"/tmp/a.ksb", 30, "/tmp/a.ksb"},
        {"/home/user/projects/films/holiday.ksb", 30, "/home/.../films/holiday.ksb"},
        {"/home/user/projects/films/holiday.ksb", 21, "/home/.../holiday.ksb"},
        {"/home/user/projects/films/holiday.ksb", 20, "holiday.ksb"},
        {"/home/user/a-very-long-file-name.ksb", 20, "a-very-long-file-name.ksb"},
    };
    for (const Case& c : cases) {
        CString name(c.path);
        AfxAbbreviateName(name, c.limit, TRUE);
        EXPECT_STREQ(name, c.shown) << c.path;
    }
}

TEST(CommandLineTest, ArgumentsBecomeTheShellCommand)
{
    struct Case {
        const char* line;
        int command;
        const char* file;
        BOOL splash;
    };
    const Case cases[] = {
        {"", CCommandLineInfo::FileNew, "", TRUE},
        {"/tmp/film.ksb", CCommandLineInfo::FileOpen, "/tmp/film.ksb", TRUE},
        {"\"/tmp/my film.ksb\"", CCommandLineInfo::FileOpen, "/tmp/my film.ksb", TRUE},
        {"/p /tmp/film.ksb", CCommandLineInfo::FilePrint, "/tmp/film.ksb", TRUE},
        {"-Embedding", CCommandLineInfo::FileNew, "", FALSE},
        {"/Unregserver", CCommandLineInfo::AppUnregister, "", TRUE},
    };
    for (const Case& c : cases) {
        CWinApp app("Command Line Test");
        app.m_lpCmdLine = const_cast<LPSTR>(c.line);
        CCommandLineInfo info;
        app.ParseCommandLine(info);
        EXPECT_EQ(info.m_nShellCommand, c.command) << c.line;
        EXPECT_STREQ(info.m_strFileName, c.file) << c.line;
        EXPECT_EQ(info.m_bShowSplash, c.splash) << c.line;
    }
    const std::vector<CString> split = AfxSplitCommandLine(R"(a "b c" d\"e "f\\" g)");
    ASSERT_EQ(split.size(), 5u);
    EXPECT_STREQ(split[1], "b c");
    EXPECT_STREQ(split[2], "d\"e");
    EXPECT_STREQ(split[3], "f\\");
}

UINT Worker(LPVOID parameter)
{
    auto* ran = static_cast<std::atomic<int>*>(parameter);
    ran->store(AfxGetThread() != nullptr ? 2 : 1);
    return 17;
}

TEST(ThreadTest, WorkersRunTheirFunctionAndKeepTheirObjectWhenAsked)
{
    std::atomic<int> ran{0};
    CWinThread* thread = AfxBeginThread(Worker, &ran, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    EXPECT_EQ(thread->GetThreadPriority(), THREAD_PRIORITY_ABOVE_NORMAL);
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread->m_hThread, &code);
    EXPECT_EQ(code, 17u);
    EXPECT_EQ(ran.load(), 2) << "the worker's AfxGetThread is its object";
    delete thread;
}

TEST(SyncTest, CriticalSectionsAreRecursiveAndLocksExcludeOtherThreads)
{
    CCriticalSection section;
    {
        CSingleLock outer(&section, TRUE);
        CSingleLock inner(&section, TRUE);
        EXPECT_TRUE(outer.IsLocked());
        EXPECT_TRUE(inner.IsLocked()) << "the owner may enter again";
    }
    CMutex mutex;
    CEvent taken;
    CEvent release;
    struct Shared {
        CMutex* mutex;
        CEvent* taken;
        CEvent* release;
    } shared{&mutex, &taken, &release};
    CWinThread* holder = AfxBeginThread(
        [](LPVOID p) -> UINT {
            auto* s = static_cast<Shared*>(p);
            CSingleLock lock(s->mutex, TRUE);
            s->taken->SetEvent();
            s->release->Lock();
            return 0;
        },
        &shared, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    holder->m_bAutoDelete = FALSE;
    holder->ResumeThread();
    ASSERT_TRUE(taken.Lock(5000));
    CSingleLock mine(&mutex);
    EXPECT_FALSE(mine.Lock(0)) << "the other thread holds the mutex";
    release.SetEvent();
    EXPECT_TRUE(mine.Lock(5000));
    EXPECT_TRUE(mine.Unlock());
    WaitForSingleObject(holder->m_hThread, 5000);
    delete holder;
}

TEST_F(AppTest, WaitCursorsNestAndRestoreTheCursor)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(GetCursor(), wait);
        {
            CWaitCursor inner;
            SetCursor(arrow);
            inner.Restore();
            EXPECT_EQ(GetCursor(), wait);
        }
        EXPECT_EQ(GetCursor(), wait) << "the outer wait is still on";
    }
    EXPECT_EQ(GetCursor(), arrow);
}

} // namespace
