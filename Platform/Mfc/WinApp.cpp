#include "Platform/Mfc/WinApp.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/AfxResources.h"
#include "Platform/Mfc/DocManager.h"
#include "Platform/Mfc/Private/AfxState.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/User/Extensions.h"

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {

std::atomic<CWinApp*> g_app{nullptr};

LPCSTR Duplicate(LPCSTR text) { return text ? strdup(text) : nullptr; }

void Replace(LPCSTR& field, LPCSTR text)
{
    std::free(const_cast<char*>(field));
    field = Duplicate(text);
}

struct DefaultIcon {
    UINT buttons;
    UINT icon;
};

// The icon a box gets when its type names none.
constexpr DefaultIcon kDefaultIcons[] = {
    {MB_OK, MB_ICONEXCLAMATION},
    {MB_OKCANCEL, MB_ICONEXCLAMATION},
    {MB_YESNO, MB_ICONQUESTION},
    {MB_YESNOCANCEL, MB_ICONQUESTION},
};

// "-x" is a flag; so is "/word", but not a path such as "/tmp/a.ksb".
bool IsFlag(const CString& argument)
{
    LPCSTR text = argument;
    if (text[0] == '-')
        return text[1] != '\0';
    if (text[0] != '/' || text[1] == '\0')
        return false;
    for (LPCSTR p = text + 1; *p; ++p)
        if (!std::isalpha(static_cast<unsigned char>(*p)))
            return false;
    return true;
}

// Closes a registry key when it goes out of scope.
struct KeyHolder {
    HKEY key;
    ~KeyHolder()
    {
        if (key)
            ::RegCloseKey(key);
    }
};

} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
    ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
    ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, OnOpenRecentFile)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    m_pszAppName = Duplicate(lpszAppName);
    CWinApp* previous = g_app.exchange(this);
    AFX_CHECK(previous == nullptr);
    AfxGetThreadState()->pThread = this;
    m_nThreadID = ::GetCurrentThreadId();
}

CWinApp::~CWinApp()
{
    delete m_pDocManager;
    delete m_pRecentFileList;
    for (LPCSTR* field : {&m_pszAppName, &m_pszExeName, &m_pszHelpFilePath, &m_pszProfileName, &m_pszRegistryKey})
        Replace(*field, nullptr);
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    AfxDeleteTempMaps();
    return static_cast<int>(m_msgCur.wParam);
}

int CWinApp::Run()
{
    // Without a main window nothing could ever end the loop.
    if (!m_pMainWnd)
        ::PostQuitMessage(0);
    return CWinThread::Run();
}

BOOL CWinApp::OnIdle(LONG lCount)
{
    const BOOL more = CWinThread::OnIdle(lCount);
    if (lCount <= 0 && m_pDocManager)
        m_pDocManager->OnIdle();
    return more;
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    if ((nType & MB_ICONMASK) == 0)
        for (const DefaultIcon& entry : kDefaultIcons)
            if ((nType & MB_TYPEMASK) == entry.buttons)
                nType |= entry.icon;
    CWnd* main = GetMainWnd();
    HWND owner = main && main->m_hWnd ? ::GetLastActivePopup(main->m_hWnd) : ::GetActiveWindow();
    return ::MessageBoxA(owner, lpszPrompt, m_pszAppName, nType);
}

void CWinApp::DoWaitCursor(int nCode) { AfxDoWaitCursor(nCode); }

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey)
{
    Replace(m_pszRegistryKey, lpszRegistryKey);
    // Under a registry key the profile is named after the application.
    Replace(m_pszProfileName, m_pszAppName ? m_pszAppName : "");
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey)
{
    CString key;
    key.LoadString(nIDRegistryKey);
    SetRegistryKey(key);
}

HKEY CWinApp::GetAppRegistryKey()
{
    if (!m_pszRegistryKey || !m_pszProfileName)
        return nullptr;
    const std::string path = std::string("Software\\") + m_pszRegistryKey + "\\" + m_pszProfileName;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CWinApp::GetSectionKey(LPCSTR lpszSection)
{
    KeyHolder app{GetAppRegistryKey()};
    if (!app.key || !lpszSection)
        return nullptr;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(app.key, lpszSection, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                          &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    KeyHolder section{GetSectionKey(lpszSection)};
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (!section.key || ::RegQueryValueExA(section.key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(&value),
                                           &size) != ERROR_SUCCESS || type != REG_DWORD)
        return static_cast<UINT>(nDefault);
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    KeyHolder section{GetSectionKey(lpszSection)};
    const DWORD value = static_cast<DWORD>(nValue);
    return section.key && ::RegSetValueExA(section.key, lpszEntry, 0, REG_DWORD,
                                           reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    KeyHolder section{GetSectionKey(lpszSection)};
    DWORD type = 0;
    DWORD size = 0;
    if (!section.key || ::RegQueryValueExA(section.key, lpszEntry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return CString(lpszDefault);
    std::string text(size + 1, '\0');
    if (::RegQueryValueExA(section.key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) !=
        ERROR_SUCCESS)
        return CString(lpszDefault);
    return CString(text.c_str());
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    if (!lpszEntry) {
        KeyHolder app{GetAppRegistryKey()};
        if (!app.key)
            return FALSE;
        const LONG result = ::RegDeleteTreeA(app.key, lpszSection);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    KeyHolder section{GetSectionKey(lpszSection)};
    if (!section.key)
        return FALSE;
    if (!lpszValue) {
        const LONG result = ::RegDeleteValueA(section.key, lpszEntry);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return ::RegSetValueExA(section.key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue),
                            static_cast<DWORD>(std::strlen(lpszValue) + 1)) == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE* ppData, UINT* pBytes)
{
    *ppData = nullptr;
    *pBytes = 0;
    KeyHolder section{GetSectionKey(lpszSection)};
    DWORD type = 0;
    DWORD size = 0;
    if (!section.key || ::RegQueryValueExA(section.key, lpszEntry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return FALSE;
    auto* data = new BYTE[size ? size : 1];
    if (::RegQueryValueExA(section.key, lpszEntry, nullptr, &type, data, &size) != ERROR_SUCCESS) {
        delete[] data;
        return FALSE;
    }
    *ppData = data;
    *pBytes = size;
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE pData, UINT nBytes)
{
    KeyHolder section{GetSectionKey(lpszSection)};
    return section.key && ::RegSetValueExA(section.key, lpszEntry, 0, REG_BINARY, pData, nBytes) == ERROR_SUCCESS;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU)
{
    if (nMaxMRU == 0)
        return;
    delete m_pRecentFileList;
    m_pRecentFileList = new CRecentFileList(0, "Recent File List", "File%d", static_cast<int>(nMaxMRU));
    m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList)
        m_pRecentFileList->WriteList();
}

void CWinApp::AddToRecentFileList(LPCSTR lpszPathName)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(lpszPathName);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    const std::vector<CString> arguments = AfxSplitCommandLine(m_lpCmdLine);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const bool flag = IsFlag(arguments[i]);
        LPCSTR param = arguments[i];
        rCmdInfo.ParseParam(flag ? param + 1 : param, flag, i + 1 == arguments.size());
    }
}

HCURSOR CWinApp::LoadCursor(LPCSTR lpszResourceName) const
{
    return ::LoadCursorA(AfxFindResourceHandle(lpszResourceName, RT_GROUP_CURSOR), lpszResourceName);
}

HICON CWinApp::LoadIcon(LPCSTR lpszResourceName) const
{
    return ::LoadIconA(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate)
{
    if (!m_pDocManager)
        m_pDocManager = new CDocManager;
    m_pDocManager->AddDocTemplate(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const
{
    return m_pDocManager ? m_pDocManager->GetFirstDocTemplatePosition() : nullptr;
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const
{
    return m_pDocManager ? m_pDocManager->GetNextDocTemplate(pos) : nullptr;
}

CDocument* CWinApp::OpenDocumentFile(LPCSTR lpszFileName)
{
    return m_pDocManager ? m_pDocManager->OpenDocumentFile(lpszFileName) : nullptr;
}

BOOL CWinApp::SaveAllModified() { return m_pDocManager ? m_pDocManager->SaveAllModified() : TRUE; }

void CWinApp::CloseAllDocuments(BOOL bEndSession)
{
    if (m_pDocManager)
        m_pDocManager->CloseAllDocuments(bEndSession);
}

void CWinApp::HideApplication()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->ShowWindow(SW_HIDE);
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate)
{
    return m_pDocManager && m_pDocManager->DoPromptFileName(fileName, nIDSTitle, lFlags, bOpenFileDialog, pTemplate);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    BOOL result = TRUE;
    if (rCmdInfo.m_nShellCommand == CCommandLineInfo::FileNew) {
        // A program that maps File New itself gets the command.
        if (!AfxGetApp()->OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr))
            OnFileNew();
        result = m_pMainWnd != nullptr;
    } else if (rCmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        result = OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    }
    return result;
}

void CWinApp::OnFileNew()
{
    if (m_pDocManager)
        m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen()
{
    if (m_pDocManager)
        m_pDocManager->OnFileOpen();
}

BOOL CWinApp::OnOpenRecentFile(UINT nID)
{
    if (!m_pRecentFileList)
        return FALSE;
    const int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
    if (index < 0 || index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].IsEmpty())
        return FALSE;
    const CString path = (*m_pRecentFileList)[index];
    if (!OpenDocumentFile(path))
        m_pRecentFileList->Remove(index);
    return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI)
{
    if (m_pRecentFileList)
        m_pRecentFileList->UpdateMenu(pCmdUI);
    else
        pCmdUI->Enable(FALSE);
}

CWinApp* AFXAPI AfxGetApp() { return g_app.load(); }

LPCSTR AFXAPI AfxGetAppName()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pszAppName : nullptr;
}

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleA(nullptr);
}

CWnd* AFXAPI AfxGetMainWnd()
{
    CWinThread* thread = AfxGetThread();
    return thread ? thread->GetMainWnd() : nullptr;
}

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return TRUE;
    app->m_hInstance = hInstance;
    app->m_hPrevInstance = hPrevInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
    AfxGetThreadState()->pThread = app;
    app->m_nThreadID = ::GetCurrentThreadId();

    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(hInstance, module, sizeof module - 1);
    const std::string path(module);
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const size_t dot = base.find_last_of('.'); dot != std::string::npos && dot > 0)
        base.erase(dot);
    if (!app->m_pszExeName)
        Replace(app->m_pszExeName, base.c_str());
    if (!app->m_pszHelpFilePath)
        Replace(app->m_pszHelpFilePath, (folder + base + ".HLP").c_str());
    if (!app->m_pszAppName) {
        CString title;
        Replace(app->m_pszAppName, title.LoadString(AFX_IDS_APP_TITLE) ? static_cast<LPCSTR>(title) : base.c_str());
    }
    if (!app->m_pszProfileName)
        Replace(app->m_pszProfileName, (base + ".INI").c_str());
    return TRUE;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    int code = -1;
    CWinApp* app = AfxGetApp();
    CWinThread* thread = AfxGetThread();
    if (AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) && thread &&
        (!app || app->InitApplication())) {
        if (thread->InitInstance()) {
            code = thread->Run();
        } else {
            // A failed start still gets to clean up.
            if (thread->m_pMainWnd)
                thread->m_pMainWnd->DestroyWindow();
            code = thread->ExitInstance();
        }
    }
    AfxDeleteTempMaps();
    return code;
}

void AfxWaitCursor(int nCode)
{
    if (CWinApp* app = AfxGetApp())
        app->DoWaitCursor(nCode);
    else
        AfxDoWaitCursor(nCode);
}

void AfxWindowGone(CWnd* pWnd)
{
    CWinThread* thread = AfxGetThread();
    if (!thread)
        return;
    // The thread's loop ends with its main window.
    if (thread->m_pMainWnd == pWnd) {
        ::PostQuitMessage(0);
        thread->m_pMainWnd = nullptr;
    }
    if (thread->m_pActiveWnd == pWnd)
        thread->m_pActiveWnd = nullptr;
}

LPCSTR AfxCaptionText() { return AfxGetAppName(); }

CWaitCursor::CWaitCursor() { AfxWaitCursor(1); }

CWaitCursor::~CWaitCursor() { AfxWaitCursor(-1); }

void CWaitCursor::Restore() { AfxWaitCursor(0); }
