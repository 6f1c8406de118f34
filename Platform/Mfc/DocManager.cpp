#include "Platform/Mfc/DocManager.h"

#include "Platform/Win/Kernel/Files.h"

IMPLEMENT_DYNAMIC(CDocManager, CObject)

CDocManager::~CDocManager()
{
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos) {
        auto* docTemplate = static_cast<CDocTemplate*>(m_templateList.GetNext(pos));
        if (docTemplate->m_bAutoDelete)
            delete docTemplate;
    }
    m_templateList.RemoveAll();
}

void CDocManager::AddDocTemplate(CDocTemplate* pTemplate)
{
    if (!pTemplate)
        return;
    pTemplate->LoadTemplate();
    m_templateList.AddTail(pTemplate);
}

void CDocManager::OnFileNew()
{
    if (m_templateList.IsEmpty()) {
        AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
        return;
    }
    // The first template makes new documents.
    static_cast<CDocTemplate*>(m_templateList.GetHead())->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen()
{
    CString name;
    if (!DoPromptFileName(name, AFX_IDS_OPENFILE, 0, TRUE, nullptr))
        return;
    OpenDocumentFile(name);
}

CDocument* CDocManager::OpenDocumentFile(LPCSTR lpszFileName)
{
    if (!lpszFileName || !*lpszFileName)
        return nullptr;
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(lpszFileName, sizeof full, full, nullptr);
    LPCSTR path = length > 0 && length < sizeof full ? full : lpszFileName;
    CDocTemplate* best = nullptr;
    CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
    CDocument* open = nullptr;
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos) {
        auto* docTemplate = static_cast<CDocTemplate*>(m_templateList.GetNext(pos));
        CDocument* match = nullptr;
        const CDocTemplate::Confidence confidence = docTemplate->MatchDocType(path, match);
        if (confidence > bestMatch) {
            bestMatch = confidence;
            best = docTemplate;
        }
        if (confidence == CDocTemplate::yesAlreadyOpen) {
            open = match;
            break;
        }
    }
    if (open) {
        // An open document comes forward instead of opening twice.
        POSITION views = open->GetFirstViewPosition();
        if (views)
            if (CFrameWnd* frame = open->GetNextView(views)->GetParentFrame())
                frame->ActivateFrame();
        return open;
    }
    if (!best) {
        AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC);
        return nullptr;
    }
    return best->OpenDocumentFile(path);
}

BOOL CDocManager::DoPromptFileName(CString&, UINT, DWORD, BOOL, CDocTemplate*) { return FALSE; }

BOOL CDocManager::SaveAllModified()
{
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos)
        if (!static_cast<CDocTemplate*>(m_templateList.GetNext(pos))->SaveAllModified())
            return FALSE;
    return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL bEndSession)
{
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos)
        static_cast<CDocTemplate*>(m_templateList.GetNext(pos))->CloseAllDocuments(bEndSession);
}

int CDocManager::GetOpenDocumentCount()
{
    int count = 0;
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos) {
        auto* docTemplate = static_cast<CDocTemplate*>(m_templateList.GetNext(pos));
        POSITION docs = docTemplate->GetFirstDocPosition();
        while (docs) {
            docTemplate->GetNextDoc(docs);
            ++count;
        }
    }
    return count;
}

void CDocManager::OnIdle()
{
    POSITION pos = m_templateList.GetHeadPosition();
    while (pos)
        static_cast<CDocTemplate*>(m_templateList.GetNext(pos))->OnIdle();
}
