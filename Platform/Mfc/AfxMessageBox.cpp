#include "Platform/Mfc/AfxMessageBoxHandler.h"

#include <iterator>
#include <mutex>
#include <string>
#include <utility>

#include "Platform/Mfc/String.h"
#include "Platform/Mfc/WinApp.h"
#include "Platform/Win/Kernel/System.h"

namespace {

struct Buttons {
    int count;
    int ids[3];
};

// The buttons of MB_OK .. MB_RETRYCANCEL, left to right.
constexpr Buttons kButtons[] = {
    {1, {IDOK, 0, 0}},
    {2, {IDOK, IDCANCEL, 0}},
    {3, {IDABORT, IDRETRY, IDIGNORE}},
    {3, {IDYES, IDNO, IDCANCEL}},
    {2, {IDYES, IDNO, 0}},
    {2, {IDRETRY, IDCANCEL, 0}},
};

std::mutex g_lock;
AfxMessageBoxHandler g_handler;

int DefaultHandler(LPCSTR lpszText, UINT nType, UINT)
{
    OutputDebugStringA((std::string("Message box: ") + (lpszText ? lpszText : "") + "\n").c_str());
    return AfxDefaultMessageBoxButton(nType);
}

} // namespace

int AfxDefaultMessageBoxButton(UINT nType)
{
    UINT kind = nType & MB_TYPEMASK;
    const Buttons& buttons = kind < std::size(kButtons) ? kButtons[kind] : kButtons[0];
    int index = static_cast<int>((nType & MB_DEFMASK) >> 8);
    return buttons.ids[index < buttons.count ? index : 0];
}

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return std::exchange(g_handler, std::move(handler));
}

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    AfxMessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        handler = g_handler;
    }
    // Called outside the lock: a handler may show a nested message box.
    if (handler)
        return handler(lpszText ? lpszText : "", nType, nIDHelp);
    if (CWinApp* app = AfxGetApp())
        return app->DoMessageBox(lpszText ? lpszText : "", nType, nIDHelp);
    return DefaultHandler(lpszText, nType, nIDHelp);
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    if (nIDHelp == static_cast<UINT>(-1))
        nIDHelp = nIDPrompt;
    return AfxMessageBox(static_cast<LPCSTR>(text), nType, nIDHelp);
}
