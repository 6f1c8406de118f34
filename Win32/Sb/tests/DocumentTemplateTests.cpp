// The document template with the smallest frame and view the framework
// allows: a storyboard file opens through the main window into the one
// document, without showing a frame that has not been shown yet.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DocumentMediaSupport.h"
#include "DocumentTestSupport.h"
#include "Platform/Mfc/View.h"
#include "Platform/Mfc/WinApp.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"

namespace {

using document_host::Layout;
using document_host::Text;

// A frame without menu, icon or accelerators of its own.
class CTemplateTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTemplateTestFrame)
public:
    BOOL LoadFrame(UINT, DWORD style, CWnd* parent, CCreateContext* context) override
    {
        return Create(nullptr, "Kestrelon", style, rectDefault, parent, nullptr, 0, context);
    }
};
IMPLEMENT_DYNCREATE(CTemplateTestFrame, CFrameWnd)

class CTemplateTestView : public CView {
    DECLARE_DYNCREATE(CTemplateTestView)
public:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CTemplateTestView, CView)

// The main window's open-storyboard operation, as far as the document sees
// it: a missing file is reported and changes nothing; otherwise the
// document starts afresh and reads the file, and a file it refuses is
// reported. Without a main window nothing opens.
class OpeningHost : public document_host::RecordingDocHost {
public:
    BOOL OpenStoryboardFile(LPCSTR path) override
    {
        m_events.push_back("open " + std::string(path));
        if (!m_bMainWindow || m_pTemplate == nullptr)
            return FALSE;
        POSITION position = m_pTemplate->GetFirstDocPosition();
        auto* doc = static_cast<CSBDoc*>(m_pTemplate->GetNextDoc(position));
        if (!std::filesystem::exists(path)) {
            m_messages.push_back("missing " + std::string(path));
            return TRUE;
        }
        doc->ClearStoryboard();
        const INT result = doc->InsertStoryboardFile(path, 0);
        if (result >= CSBDoc::kCannotRead && result <= CSBDoc::kBadVersion)
            m_messages.push_back("refused " + std::to_string(result));
        else
            doc->SetStoryboardPath(path);
        return TRUE;
    }

    bool m_bMainWindow = true;
    CDocTemplate* m_pTemplate = nullptr;
};

class DocumentTemplateTest : public document_media::DocumentMediaTest {
protected:
    DocumentTemplateTest() : m_app("Kestrelon Test"), m_previousHost(CSBDocHost::Set(&m_host))
    {
        m_pTemplate = new KLSingleDocTemplate(128, RUNTIME_CLASS(CSBDoc), RUNTIME_CLASS(CTemplateTestFrame),
                                              RUNTIME_CLASS(CTemplateTestView));
        m_app.AddDocTemplate(m_pTemplate);
        m_host.m_pTemplate = m_pTemplate;
    }
    ~DocumentTemplateTest() override
    {
        if (m_app.m_pMainWnd != nullptr)
            m_app.m_pMainWnd->DestroyWindow();
        CSBDocHost::Set(m_previousHost);
    }

    // A storyboard file of scenes on 0, 2 and 4 and a transition on 1.
    std::string SavedBoard(const std::string& name)
    {
        CSBDoc doc;
        Storyboard& board = *doc.GetStoryboard();
        for (INT slot : {0, 2, 4}) {
            auto* scene = new Scene(RGB(slot * 40, 0, 0));
            scene->SetDuration(document_media::Seconds(3.0));
            EXPECT_EQ(board.SetItem(scene, slot), 0);
        }
        EXPECT_EQ(board.SetItem(new Transition(TransitionCatalog::Create(1)), 1), 0);
        const std::string path = m_folder.File(name);
        EXPECT_TRUE(doc.SaveStoryboard(path.c_str()));
        return path;
    }

    CFrameWnd* Frame() const { return static_cast<CFrameWnd*>(m_app.m_pMainWnd); }

    CWinApp m_app;
    KLSingleDocTemplate* m_pTemplate = nullptr;
    OpeningHost m_host;
    CSBDocHost* m_previousHost;
};

TEST_F(DocumentTemplateTest, AFileOpensIntoTheDocumentWithoutShowingTheFrame)
{
    const std::string path = SavedBoard("board.sbd");
    CDocument* opened = m_app.OpenDocumentFile(path.c_str());
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(opened->IsKindOf(RUNTIME_CLASS(CSBDoc)));
    auto* doc = static_cast<CSBDoc*>(opened);
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"open " + path}));
    EXPECT_EQ(Layout(*doc), "STS.S");
    EXPECT_FALSE(doc->IsStoryboardModified());
    EXPECT_STREQ(doc->GetPathName(), path.c_str());
    EXPECT_STREQ(doc->GetStoryboardPath(), path.c_str());

    // The frame and its view exist, but the caller's wish to show them is
    // not followed: the file is shown once it has been read.
    ASSERT_NE(Frame(), nullptr);
    EXPECT_TRUE(Frame()->IsKindOf(RUNTIME_CLASS(CTemplateTestFrame)));
    ASSERT_NE(Frame()->GetActiveView(), nullptr);
    EXPECT_TRUE(Frame()->GetActiveView()->IsKindOf(RUNTIME_CLASS(CTemplateTestView)));
    EXPECT_EQ(Frame()->GetActiveDocument(), doc);
    EXPECT_FALSE(Frame()->IsWindowVisible());

    // A second file reuses the document and the frame.
    const std::string other = SavedBoard("other.SBD");
    EXPECT_EQ(m_pTemplate->OpenDocumentFile(other.c_str(), TRUE), doc);
    EXPECT_EQ(Layout(*doc), "STS.S");
    EXPECT_STREQ(doc->GetStoryboardPath(), other.c_str());
    EXPECT_FALSE(Frame()->IsWindowVisible());
    EXPECT_TRUE(m_host.m_messages.empty());
}

TEST_F(DocumentTemplateTest, AFileThatCannotBeReadIsReportedAndTheDocumentStays)
{
    const std::string path = SavedBoard("board.sbd");
    auto* doc = static_cast<CSBDoc*>(m_app.OpenDocumentFile(path.c_str()));
    ASSERT_NE(doc, nullptr);
    CFrameWnd* frame = Frame();

    // A file that has gone: reported, and the open document stays as it was.
    const std::string missing = m_folder.File("gone.sbd");
    EXPECT_EQ(m_pTemplate->OpenDocumentFile(missing.c_str(), TRUE), doc);
    EXPECT_EQ(m_host.m_messages, (std::vector<std::string>{"missing " + missing}));
    EXPECT_EQ(Layout(*doc), "STS.S");
    EXPECT_STREQ(doc->GetStoryboardPath(), path.c_str());
    EXPECT_EQ(Frame(), frame);

    // A file of another kind: the document reads nothing from it.
    const std::string other = m_folder.Write("scene.sbd", "[Header]\r\nFileType=Kestrelon Scene\r\nVersion=2.0\r\n");
    EXPECT_EQ(m_pTemplate->OpenDocumentFile(other.c_str(), TRUE), doc);
    EXPECT_EQ(m_host.m_messages.back(), "refused " + std::to_string(CSBDoc::kBadFileType));
    EXPECT_EQ(Frame(), frame);
    EXPECT_NE(Layout(*doc), "STS.S");
}

TEST_F(DocumentTemplateTest, WithoutAMainWindowNothingOpensAndNothingIsLeft)
{
    const std::string path = SavedBoard("board.sbd");
    m_host.m_bMainWindow = false;
    EXPECT_EQ(m_app.OpenDocumentFile(path.c_str()), nullptr);
    EXPECT_EQ(m_host.m_events, (std::vector<std::string>{"open " + path}));
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    EXPECT_EQ(m_pTemplate->GetFirstDocPosition(), nullptr) << "the document made for the file is gone";
}

TEST_F(DocumentTemplateTest, ANewDocumentFollowsTheCallersWishToShowIt)
{
    for (BOOL visible : {FALSE, TRUE}) {
        CDocument* doc = m_pTemplate->OpenDocumentFile(nullptr, visible);
        ASSERT_NE(doc, nullptr) << visible;
        EXPECT_TRUE(static_cast<CSBDoc*>(doc)->IsStoryboardEmpty()) << visible;
        ASSERT_NE(Frame(), nullptr) << visible;
        EXPECT_EQ(Frame()->IsWindowVisible(), visible) << visible;
        m_app.m_pMainWnd->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
    }
    EXPECT_TRUE(m_host.m_events.empty()) << "a new document reads no file";
}

} // namespace
