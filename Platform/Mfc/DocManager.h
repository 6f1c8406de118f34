#pragma once
// The application's document templates and the file commands over them:
// File New (the first template), File Open (a file name from
// DoPromptFileName, then the template that matches it best), closing and
// saving all documents.
//
// DoPromptFileName asks with the file dialog, its types from the
// templates' filter strings and "All Files".

#include "Platform/Mfc/DocTemplate.h"

class CDocManager : public CObject {
    DECLARE_DYNAMIC(CDocManager)
public:
    CDocManager() = default;
    ~CDocManager() override;

    virtual void AddDocTemplate(CDocTemplate* pTemplate);
    virtual POSITION GetFirstDocTemplatePosition() const { return m_templateList.GetHeadPosition(); }
    virtual CDocTemplate* GetNextDocTemplate(POSITION& pos) const
    {
        return static_cast<CDocTemplate*>(m_templateList.GetNext(pos));
    }
    virtual void OnFileNew();
    virtual void OnFileOpen();
    virtual CDocument* OpenDocumentFile(LPCSTR lpszFileName);
    virtual BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                                  CDocTemplate* pTemplate);
    virtual BOOL SaveAllModified();
    virtual void CloseAllDocuments(BOOL bEndSession);
    virtual int GetOpenDocumentCount();
    virtual void OnIdle();

protected:
    CPtrList m_templateList;
};
