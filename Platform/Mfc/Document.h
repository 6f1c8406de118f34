#pragma once
// CDocument: the data a frame's views show. It knows its views, its file
// (path and title), whether it has unsaved changes, and the template that
// made it; it takes the file commands (save, save as, close) when the
// active view passes them on.
//
// Opening and saving go through Serialize with a CArchive over the file;
// a failure is told to the user (the framework's message) and answered
// with FALSE. Saving under a new name asks the application for the name
// (CWinApp::DoPromptFileName).

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/CmdTarget.h"
#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/Forward.h"

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument() = default;
    ~CDocument() override;

    const CString& GetTitle() const { return m_strTitle; }
    // Also retitles the frames that show the document.
    virtual void SetTitle(LPCSTR lpszTitle);
    const CString& GetPathName() const { return m_strPathName; }
    // Takes the full path; the title becomes the file name. With
    // bAddToMRU the file joins the recent file list.
    virtual void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    virtual BOOL IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

    virtual POSITION GetFirstViewPosition() const { return m_viewList.GetHeadPosition(); }
    virtual CView* GetNextView(POSITION& rPosition) const
    {
        return static_cast<CView*>(m_viewList.GetNext(rPosition));
    }
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // Calls OnUpdate of every view but pSender.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
    virtual BOOL OnSaveDocument(LPCSTR lpszPathName);
    // Destroys the document's frames and, when m_bAutoDelete, the document.
    virtual void OnCloseDocument();
    virtual void DeleteContents();
    // Asks whether to save unsaved changes ("Save changes to %1?"): Yes
    // saves, No goes on without, Cancel answers FALSE.
    virtual BOOL SaveModified();
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
    virtual void PreCloseFrame(CFrameWnd* pFrame);
    virtual void OnChangedViewList();
    virtual void OnIdle();
    virtual void ReportSaveLoadException(LPCSTR lpszPathName, CException* e, BOOL bSaving, UINT nIDPDefault);
    // Numbers the frames showing the document and retitles them.
    virtual void UpdateFrameCounts();
    virtual BOOL DoSave(LPCSTR lpszPathName, BOOL bReplace = TRUE);
    virtual BOOL DoFileSave();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    afx_msg void OnFileClose();
    afx_msg void OnFileSave();
    afx_msg void OnFileSaveAs();

    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    CPtrList m_viewList;
    BOOL m_bModified = FALSE;
    BOOL m_bAutoDelete = TRUE;
    BOOL m_bEmbedded = FALSE;

    DECLARE_MESSAGE_MAP()
};
