// Documents, views and frames: the single-document template's making of
// document, frame and view, command routing, menu updates, the frame's
// layout and title, closing with unsaved changes, and opening files.

#include <string>
#include <vector>

#include "Platform/Mfc/tests/MfcTestSupport.h"
#include "tests/support/TempDir.h"

using namespace mfc_test;

namespace {

constexpr UINT ID_SHARED = 32780;
constexpr UINT ID_DOCUMENT_ONLY = 32781;
constexpr UINT ID_APP_ONLY = 32782;

std::vector<std::string>& Events()
{
    static std::vector<std::string> events;
    return events;
}

class CFrameTestDoc : public CDocument {
    DECLARE_DYNCREATE(CFrameTestDoc)
public:
    CFrameTestDoc() { Events().push_back("document"); }
    BOOL OnNewDocument() override
    {
        Events().push_back("OnNewDocument");
        m_value = 0;
        return CDocument::OnNewDocument();
    }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_value;
        else
            ar >> m_value;
    }
    afx_msg void OnShared() { Events().push_back("document shared"); }
    afx_msg void OnDocumentOnly() { Events().push_back("document only"); }

    LONG m_value = 0;
    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CFrameTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CFrameTestDoc, CDocument)
    ON_COMMAND(ID_SHARED, OnShared)
    ON_COMMAND(ID_DOCUMENT_ONLY, OnDocumentOnly)
END_MESSAGE_MAP()

class CFrameTestView : public CView {
    DECLARE_DYNCREATE(CFrameTestView)
public:
    CFrameTestView() { Events().push_back("view"); }
    void OnDraw(CDC*) override {}
    void OnInitialUpdate() override
    {
        Events().push_back("OnInitialUpdate");
        CView::OnInitialUpdate();
    }
    afx_msg void OnShared() { Events().push_back("view shared"); }
    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CFrameTestView, CView)
BEGIN_MESSAGE_MAP(CFrameTestView, CView)
    ON_COMMAND(ID_SHARED, OnShared)
END_MESSAGE_MAP()

class CFrameTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CFrameTestFrame)
public:
    CFrameTestFrame() { Events().push_back("frame"); }
    afx_msg void OnRun() { Events().push_back("frame run"); }
    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CFrameTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CFrameTestFrame, CFrameWnd)
    ON_COMMAND(ID_TOOLS_RUN, OnRun)
END_MESSAGE_MAP()

class CDocApp : public CWinApp {
public:
    CDocApp() : CWinApp("Kestrelon Test")
    {
        AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CFrameTestDoc),
                                              RUNTIME_CLASS(CFrameTestFrame), RUNTIME_CLASS(CFrameTestView)));
        m_nCmdShow = SW_SHOW;
    }
    afx_msg void OnAppOnly() { Events().push_back("app only"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDocApp, CWinApp)
    ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
    ON_COMMAND(ID_APP_ONLY, OnAppOnly)
END_MESSAGE_MAP()

class DocViewTest : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        Events().clear();
    }
    void TearDown() override
    {
        if (m_app.m_pMainWnd)
            m_app.m_pMainWnd->DestroyWindow();
        MfcTest::TearDown();
    }
    CFrameWnd* Frame() { return static_cast<CFrameWnd*>(m_app.m_pMainWnd); }
    CFrameTestDoc* Document() { return static_cast<CFrameTestDoc*>(Frame()->GetActiveDocument()); }
    // Feeds the queue through the application, as its Run loop would.
    void PumpThroughApplication()
    {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (msg.message == WM_QUIT || m_app.PreTranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    CDocApp m_app;
};

TEST_F(DocViewTest, FileNewMakesDocumentFrameAndViewThenStartsThem)
{
    m_app.OnFileNew();
    EXPECT_EQ(Events(), (std::vector<std::string>{"document", "frame", "view", "OnNewDocument", "OnInitialUpdate"}));
    CFrameWnd* frame = Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsKindOf(RUNTIME_CLASS(CFrameTestFrame)));
    EXPECT_TRUE(frame->IsWindowVisible());

    CMenu* menu = frame->GetMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetMenuItemCount(), 2u);
    CString text;
    menu->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&File");
    EXPECT_NE(frame->m_hAccelTable, nullptr);

    frame->GetWindowText(text);
    EXPECT_STREQ(text, "Untitled - Kestrelon Test");

    CView* view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST));
    EXPECT_EQ(view->GetDocument(), frame->GetActiveDocument());
    auto fills = [&] {
        CRect client;
        frame->GetClientRect(&client);
        CRect pane;
        view->GetWindowRect(&pane);
        frame->ScreenToClient(&pane);
        return pane == client;
    };
    EXPECT_TRUE(fills());
    frame->MoveWindow(10, 10, 420, 330);
    EXPECT_TRUE(fills()) << "the view follows the frame's size";
}

TEST_F(DocViewTest, CommandsGoToTheViewItsDocumentTheFrameThenTheApplication)
{
    m_app.OnFileNew();
    Events().clear();
    for (UINT id : {ID_SHARED, ID_DOCUMENT_ONLY, ID_TOOLS_RUN, ID_APP_ONLY})
        Frame()->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0));
    EXPECT_EQ(Events(), (std::vector<std::string>{"view shared", "document only", "frame run", "app only"}));
}

// Input from a timer once the popup is up.
void CALLBACK EscapeOnceShown(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, id);
    win::user::InjectKey(VK_ESCAPE, true);
    win::user::InjectKey(VK_ESCAPE, false);
}

TEST_F(DocViewTest, MenuUpdatesGreyCommandsNobodyHandlesAlsoInTrackedPopups)
{
    m_app.OnFileNew();
    CFrameWnd* frame = Frame();
    CMenu* tools = frame->GetMenu()->GetSubMenu(1);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools->m_hMenu), MAKELPARAM(1, FALSE));
    EXPECT_EQ(tools->GetMenuState(ID_ALWAYS_GREY, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(tools->GetMenuState(ID_TOOLS_RUN, MF_BYCOMMAND) & MF_GRAYED, 0u);

    frame->m_bAutoMenuEnable = FALSE;
    tools->EnableMenuItem(ID_ALWAYS_GREY, MF_BYCOMMAND | MF_ENABLED);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools->m_hMenu), MAKELPARAM(1, FALSE));
    EXPECT_EQ(tools->GetMenuState(ID_ALWAYS_GREY, MF_BYCOMMAND) & MF_GRAYED, 0u) << "automatic greying is off";

    frame->m_bAutoMenuEnable = TRUE;
    SetTimer(nullptr, 0, 10, EscapeOnceShown);
    EXPECT_EQ(tools->TrackPopupMenu(TPM_RETURNCMD, 100, 100, frame), 0);
    EXPECT_EQ(tools->GetMenuState(ID_ALWAYS_GREY, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED)
        << "the popup tracked with the frame as owner was updated";
}

TEST_F(DocViewTest, ClosingAModifiedDocumentAsksFirst)
{
    m_app.OnFileNew();
    HWND frame = Frame()->m_hWnd;
    Document()->SetModifiedFlag();

    m_boxAnswer = IDCANCEL;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "Save changes to Untitled?");
    EXPECT_EQ(m_boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_TRUE(IsWindow(frame)) << "cancel keeps the frame";

    m_boxAnswer = IDYES;
    // The file dialog that asks for the name is cancelled.
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND dialog = GetActiveWindow();
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    });
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(frame)) << "saving needs a file name, and asking for one was cancelled";

    m_boxAnswer = IDNO;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends with its main frame";
}

TEST_F(DocViewTest, OpeningAFileReusesTheDocumentAndJoinsTheRecentList)
{
    testing_support::TempDir folder;
    const std::string path = folder.File("film.ksb");
    m_app.SetRegistryKey("Kestrelon Tests");
    m_app.LoadStdProfileSettings(4);
    m_app.OnFileNew();
    CFrameTestDoc* document = Document();
    document->m_value = 77;
    ASSERT_TRUE(document->OnSaveDocument(path.c_str()));

    Events().clear();
    EXPECT_EQ(m_app.OpenDocumentFile(path.c_str()), document);
    EXPECT_EQ(Events(), std::vector<std::string>{"OnInitialUpdate"})
        << "the document and frame are reused and the view starts again";
    EXPECT_EQ(document->m_value, 77);
    EXPECT_STREQ(document->GetPathName(), path.c_str());
    CString title;
    Frame()->GetWindowText(title);
    EXPECT_STREQ(title, "film.ksb - Kestrelon Test");
    EXPECT_STREQ((*m_app.m_pRecentFileList)[0], path.c_str());

    EXPECT_EQ(m_app.OpenDocumentFile(folder.File("missing.ksb").c_str()), nullptr);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "Failed to open document.");
    EXPECT_EQ(document->m_value, 77) << "a failed open leaves the document as it was";

    m_app.AddToRecentFileList(folder.File("gone.ksb").c_str());
    EXPECT_TRUE(m_app.OnCmdMsg(ID_FILE_MRU_FILE1, CN_COMMAND, nullptr, nullptr));
    EXPECT_STREQ((*m_app.m_pRecentFileList)[0], path.c_str()) << "a recent file that cannot be opened leaves the list";
}

TEST_F(DocViewTest, TheFramesAcceleratorsReachTheApplication)
{
    m_app.OnFileNew();
    Events().clear();
    SetForegroundWindow(Frame()->m_hWnd);
    Frame()->GetActiveView()->SetFocus();
    win::user::InjectKey(VK_CONTROL, true);
    win::user::InjectKey('N', true);
    win::user::InjectKey('N', false);
    win::user::InjectKey(VK_CONTROL, false);
    PumpThroughApplication();
    EXPECT_EQ(Events(), (std::vector<std::string>{"OnNewDocument", "OnInitialUpdate"}))
        << "Ctrl+N ran File New on the document in place";
}

TEST_F(DocViewTest, AFrameMadeWithTheDefaultRectangleTakesTheDefaultPlaceAndSize)
{
    auto* frame = new CFrameTestFrame;
    ASSERT_TRUE(frame->Create(nullptr, "Default", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault));
    CRect placed;
    frame->GetWindowRect(&placed);
    EXPECT_EQ(placed.Width(), GetSystemMetrics(SM_CXSCREEN) * 3 / 4);
    EXPECT_EQ(placed.Height(), GetSystemMetrics(SM_CYSCREEN) * 3 / 4);
    EXPECT_GE(placed.left, 0);
    EXPECT_GE(placed.top, 0);
    frame->DestroyWindow();
}

TEST_F(DocViewTest, ProcessShellCommandOpensANewDocumentByDefault)
{
    CCommandLineInfo info;
    m_app.m_lpCmdLine = const_cast<LPSTR>("");
    m_app.ParseCommandLine(info);
    EXPECT_TRUE(m_app.ProcessShellCommand(info));
    ASSERT_NE(Frame(), nullptr);
    EXPECT_NE(Document(), nullptr);
}

} // namespace
