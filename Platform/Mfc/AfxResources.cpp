#include "Platform/Mfc/AfxResources.h"

#include <atomic>
#include <string>

#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"

namespace {

// The program uses the resource module from its UI thread; atomics keep a
// read from another thread well defined.
std::atomic<bool> g_resourceHandleSet{false};
std::atomic<HINSTANCE> g_resourceHandle{nullptr};

bool Holds(HINSTANCE module, LPCSTR name, LPCSTR type)
{
    return FindResourceA(module, name, type) != nullptr;
}

} // namespace

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    if (!g_resourceHandleSet.load())
        return GetModuleHandleA(nullptr);
    return g_resourceHandle.load();
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_resourceHandle.store(hInstResource);
    g_resourceHandleSet.store(true);
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    DWORD saved = GetLastError();
    HINSTANCE current = AfxGetResourceHandle();
    HINSTANCE found = nullptr;
    if (Holds(current, lpszName, lpszType)) {
        found = current;
    } else {
        for (HMODULE module : win::LoadedResourceModules()) {
            if (module != current && Holds(module, lpszName, lpszType)) {
                found = module;
                break;
            }
        }
        HINSTANCE program = GetModuleHandleA(nullptr);
        if (!found && program != current && Holds(program, lpszName, lpszType))
            found = program;
    }
    SetLastError(saved);
    return found ? found : current;
}

// MFC looks in the current resource module and then in the program's own
// resources; the other resource modules are not searched, so a string that
// the language module lacks stays missing. The framework's own strings come
// from its table when neither module has them.
BOOL CString::LoadString(UINT nID)
{
    std::string text;
    HINSTANCE current = AfxGetResourceHandle();
    HINSTANCE program = GetModuleHandleA(nullptr);
    if (!win::LoadStringText(current, nID, text) && (current == program || !win::LoadStringText(program, nID, text))) {
        if (LPCSTR framework = AfxFrameworkString(nID)) {
            *this = framework;
            return TRUE;
        }
        Empty();
        return FALSE;
    }
    *this = CString(text.data(), static_cast<int>(text.size()));
    return TRUE;
}
