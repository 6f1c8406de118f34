#pragma once
// CWinApp: the one application object. It is the first CWinThread (the
// thread that made it), holds the program's names and command line, its
// profile (values under HKEY_CURRENT_USER\Software\<registry key>\<profile
// name> once SetRegistryKey has been called; before that the profile calls
// answer their defaults and write nothing), the recent file list, and is
// the last command target commands route to.
//
// AfxWinMain runs it: InitInstance, then Run when that succeeded, and
// ExitInstance in either case, whose answer is the exit code.
//
// Message boxes: AfxMessageBox goes to the installed message box handler
// when there is one, else to the application's DoMessageBox, which shows
// the box owned by the main window with the application's name as caption.

#include "Platform/Mfc/CommandLineInfo.h"
#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/RecentFileList.h"
#include "Platform/Mfc/WinThread.h"
#include "Platform/Win/Registry/Registry.h"

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // Names, owned by the application (malloc'ed; a program replacing one
    // frees the old value).
    LPCSTR m_pszAppName = nullptr;
    LPCSTR m_pszExeName = nullptr;
    LPCSTR m_pszHelpFilePath = nullptr;
    LPCSTR m_pszProfileName = nullptr;
    LPCSTR m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;
    HINSTANCE m_hPrevInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CRecentFileList* m_pRecentFileList = nullptr;
    CDocManager* m_pDocManager = nullptr;

    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    int ExitInstance() override;
    int Run() override;
    BOOL OnIdle(LONG lCount) override;
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
    // nCode 1 begins a wait cursor, -1 ends one, 0 shows it again.
    virtual void DoWaitCursor(int nCode);

    // The profile.
    void SetRegistryKey(LPCSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
    // A null entry deletes the section; a null value deletes the entry.
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    // The bytes are new[]'ed for the caller, who deletes them.
    BOOL GetProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE* ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE pData, UINT nBytes);
    // HKEY_CURRENT_USER\Software\<key>\<profile>, created; the caller closes it.
    HKEY GetAppRegistryKey();
    HKEY GetSectionKey(LPCSTR lpszSection);

    // Reads the recent file list ("Recent File List", "File%d") of up to
    // nMaxMRU files; SaveStdProfileSettings (from ExitInstance) writes it.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void SaveStdProfileSettings();
    virtual void AddToRecentFileList(LPCSTR lpszPathName);
    // Hands each argument of m_lpCmdLine to rCmdInfo.ParseParam.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    // Documents (DocManager.h).
    void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
    virtual CDocument* OpenDocumentFile(LPCSTR lpszFileName);
    virtual BOOL SaveAllModified();
    void CloseAllDocuments(BOOL bEndSession);
    void HideApplication();
    virtual BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                                  CDocTemplate* pTemplate);
    // FileNew runs File New, FileOpen opens m_strFileName; FALSE when that
    // failed or left no main window.
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);

    HCURSOR LoadCursor(LPCSTR lpszResourceName) const;
    HCURSOR LoadCursor(UINT nIDResource) const { return LoadCursor(MAKEINTRESOURCEA(nIDResource)); }
    HCURSOR LoadStandardCursor(LPCSTR lpszCursorName) const { return ::LoadCursorA(nullptr, lpszCursorName); }
    HICON LoadIcon(LPCSTR lpszResourceName) const;
    HICON LoadIcon(UINT nIDResource) const { return LoadIcon(MAKEINTRESOURCEA(nIDResource)); }
    HICON LoadStandardIcon(LPCSTR lpszIconName) const { return ::LoadIconA(nullptr, lpszIconName); }
    // The classic look is the only one; kept for programs that ask for it.
    BOOL Enable3dControls() { return TRUE; }
    BOOL Enable3dControlsStatic() { return TRUE; }

    afx_msg void OnAppExit();
    afx_msg void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);
    // Opens the recent file of the command; one that cannot be opened
    // leaves the list.
    afx_msg BOOL OnOpenRecentFile(UINT nID);
    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();

protected:
    DECLARE_MESSAGE_MAP()
};

CWinApp* AFXAPI AfxGetApp();
LPCSTR AFXAPI AfxGetAppName();
HINSTANCE AFXAPI AfxGetInstanceHandle();
// Fills in the application's instance, command line and names.
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};
