#include "Platform/Mfc/DocTemplate.h"

#include <string>
#include <strings.h>

#include "Platform/Mfc/WinApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass)
{
}

void CDocTemplate::LoadTemplate()
{
    if (m_strDocStrings.IsEmpty())
        m_strDocStrings.LoadString(m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const
{
    return AfxExtractSubString(rString, m_strDocStrings, index);
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCSTR lpszPathName, CDocument*& rpDocMatch)
{
    rpDocMatch = nullptr;
    POSITION pos = GetFirstDocPosition();
    while (pos) {
        CDocument* document = GetNextDoc(pos);
        if (strcasecmp(document->GetPathName(), lpszPathName) == 0) {
            rpDocMatch = document;
            return yesAlreadyOpen;
        }
    }
    CString extension;
    if (GetDocString(extension, filterExt) && !extension.IsEmpty()) {
        const std::string path(lpszPathName);
        const std::string wanted(static_cast<LPCSTR>(extension));
        if (path.size() >= wanted.size() &&
            strcasecmp(path.c_str() + path.size() - wanted.size(), wanted.c_str()) == 0)
            return yesAttemptNative;
    }
    return yesAttemptForeign;
}

CDocument* CDocTemplate::CreateNewDocument()
{
    if (!m_pDocClass)
        return nullptr;
    CObject* made = m_pDocClass->CreateObject();
    if (!made || !made->IsKindOf(RUNTIME_CLASS(CDocument))) {
        delete made;
        return nullptr;
    }
    auto* document = static_cast<CDocument*>(made);
    AddDocument(document);
    return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther)
{
    CCreateContext context;
    context.m_pCurrentFrame = pOther;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    CObject* made = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    if (!made || !made->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        delete made;
        return nullptr;
    }
    auto* frame = static_cast<CFrameWnd*>(made);
    // A frame that fails deletes itself (PostNcDestroy).
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible)
{
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

BOOL CDocTemplate::SaveAllModified()
{
    POSITION pos = GetFirstDocPosition();
    while (pos)
        if (!GetNextDoc(pos)->SaveModified())
            return FALSE;
    return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL)
{
    POSITION pos = GetFirstDocPosition();
    while (pos)
        GetNextDoc(pos)->OnCloseDocument();
}

void CDocTemplate::OnIdle()
{
    POSITION pos = GetFirstDocPosition();
    while (pos)
        GetNextDoc(pos)->OnIdle();
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (m_pOnlyDoc)
        m_pOnlyDoc->m_pDocTemplate = nullptr;
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const
{
    // The one document stands at a position of its own.
    return m_pOnlyDoc ? BEFORE_START_POSITION : nullptr;
}

CDocument* CSingleDocTemplate::GetNextDoc(POSITION& rPos) const
{
    CDocument* document = rPos == BEFORE_START_POSITION ? m_pOnlyDoc : nullptr;
    rPos = nullptr;
    return document;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc)
{
    CDocTemplate::AddDocument(pDoc);
    m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc)
{
    CDocTemplate::RemoveDocument(pDoc);
    if (m_pOnlyDoc == pDoc)
        m_pOnlyDoc = nullptr;
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument)
{
    CString name;
    if (!GetDocString(name, docName) || name.IsEmpty())
        name.LoadString(AFX_IDS_UNTITLED);
    pDocument->SetTitle(name);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible)
{
    CDocument* document = m_pOnlyDoc;
    CFrameWnd* frame = nullptr;
    bool created = false;
    if (document) {
        // The document in place is reused once it agreed to go.
        if (!document->SaveModified())
            return nullptr;
        CWnd* main = AfxGetMainWnd();
        if (main && main->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            frame = static_cast<CFrameWnd*>(main);
    } else {
        document = CreateNewDocument();
        created = true;
    }
    if (!document) {
        AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
        return nullptr;
    }
    if (!frame) {
        const BOOL autoDelete = document->m_bAutoDelete;
        // A frame that fails to be made must not take the document along.
        document->m_bAutoDelete = FALSE;
        frame = CreateNewFrame(document, nullptr);
        document->m_bAutoDelete = autoDelete;
        if (!frame) {
            AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
            if (created)
                delete document;
            return nullptr;
        }
    }
    if (!lpszPathName) {
        SetDefaultTitle(document);
        if (!bMakeVisible)
            document->m_bEmbedded = TRUE;
        if (!document->OnNewDocument()) {
            if (created)
                frame->DestroyWindow();
            return nullptr;
        }
    } else {
        CWaitCursor wait;
        const BOOL wasModified = document->IsModified();
        document->SetModifiedFlag(FALSE);
        if (!document->OnOpenDocument(lpszPathName)) {
            if (created) {
                frame->DestroyWindow();
            } else if (!document->IsModified()) {
                document->SetModifiedFlag(wasModified);
            } else {
                // The old contents are gone: the document starts afresh.
                SetDefaultTitle(document);
                document->OnNewDocument();
            }
            return nullptr;
        }
        document->SetPathName(lpszPathName);
    }
    CWinThread* thread = AfxGetThread();
    if (created && thread && !thread->m_pMainWnd)
        thread->m_pMainWnd = frame;
    InitialUpdateFrame(frame, document, bMakeVisible);
    return document;
}
