#include "Platform/Mfc/DocManager.h"

#include <algorithm>
#include <string>

#include "Platform/Mfc/CommonDialogs.h"
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

// The file dialog with a filter for each template's files (or only the
// given template's) and all files, the first template's extension as the
// default.
BOOL CDocManager::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                                   CDocTemplate* pTemplate)
{
    CFileDialog dialog(bOpenFileDialog);
    CString title;
    title.LoadString(nIDSTitle);
    CString filter;
    CString defaultExt;
    auto addTemplate = [&](CDocTemplate* docTemplate) {
        CString name;
        CString ext;
        if (!docTemplate->GetDocString(name, CDocTemplate::filterName) || name.IsEmpty() ||
            !docTemplate->GetDocString(ext, CDocTemplate::filterExt) || ext.IsEmpty())
            return;
        if (defaultExt.IsEmpty())
            defaultExt = ext[0] == '.' ? ext.Mid(1) : ext;
        filter += name;
        filter += '|';
        filter += '*';
        filter += ext[0] == '.' ? ext : "." + ext;
        filter += '|';
    };
    if (pTemplate) {
        addTemplate(pTemplate);
    } else {
        POSITION pos = m_templateList.GetHeadPosition();
        while (pos)
            addTemplate(static_cast<CDocTemplate*>(m_templateList.GetNext(pos)));
    }
    CString all;
    all.LoadString(AFX_IDS_ALLFILTER);
    filter += all + "|*.*||";
    std::string separated(static_cast<LPCSTR>(filter));
    std::replace(separated.begin(), separated.end(), '|', '\0');
    dialog.m_ofn.lpstrFilter = separated.c_str();
    dialog.m_ofn.Flags |= lFlags;
    dialog.m_ofn.lpstrTitle = title.IsEmpty() ? nullptr : static_cast<LPCSTR>(title);
    if (!defaultExt.IsEmpty())
        dialog.m_ofn.lpstrDefExt = defaultExt;
    std::string buffer(static_cast<LPCSTR>(fileName));
    buffer.resize(MAX_PATH, '\0');
    dialog.m_ofn.lpstrFile = buffer.data();
    dialog.m_ofn.nMaxFile = MAX_PATH;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    fileName = buffer.c_str();
    return TRUE;
}

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
