// The toolkit gallery: the program's skinned message box over the desktop,
// drawn from the program's own resource modules, on the chosen display back
// end (KESTRELON_DISPLAY). A tool for looking at the skin by hand; it is not
// installed.
//
//   kestrelon_toolkit_gallery [--snapshot file.png]
//
// With --snapshot the desktop is written to the file while the message box
// shows, and the program ends.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Display/Display.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Base/SanitizerDefaults.h"
#include "Win32/Toolkit/MessageBoxDialog.h"
#include "Win32/Utils/ResourceSwitch.h"

KESTRELON_SANITIZER_DEFAULTS()

namespace {

std::string g_snapshot;

// Once the message box shows: the desktop is written, then Esc answers it.
void CALLBACK SnapshotWhileShown(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = GetActiveWindow();
    if (!box || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, id);
    UpdateWindow(box);
    if (!display::SaveDesktopPng(g_snapshot))
        std::fprintf(stderr, "kestrelon_toolkit_gallery: cannot write %s\n", g_snapshot.c_str());
    display::TypeKey(VK_ESCAPE);
}

class CToolkitGalleryApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        if (!std::getenv("KESTRELON_MODULE_DIR"))
            setenv("KESTRELON_MODULE_DIR", KESTRELON_PROGRAM_MODULES, 1);
        m_modules = std::make_unique<CResourceModules>();
        if (!m_modules->IsLoaded()) {
            std::fprintf(stderr, "kestrelon_toolkit_gallery: the resource modules are not built\n");
            return FALSE;
        }
        if (!g_snapshot.empty())
            SetTimer(nullptr, 0, 300, SnapshotWhileShown);
        CResourceSwitch language(kResourceLanguage);
        KLMsgBoxDialog box("The clip \"Holiday 2026.avi\" is missing.\n"
                           "It may have been moved or renamed.\n"
                           "Do you want to look for it now?",
                           MB_YESNOCANCEL | MB_ICONQUESTION, 0, "Kestrelon", nullptr);
        box.DoModal();
        return FALSE;
    }

private:
    CResourceSwitch m_application;
    std::unique_ptr<CResourceModules> m_modules;
};

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--snapshot") == 0 && i + 1 < argc) {
            g_snapshot = argv[++i];
        } else {
            std::printf("usage: kestrelon_toolkit_gallery [--snapshot file.png]\n");
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (!display::StartChosen()) {
        std::fprintf(stderr, "kestrelon_toolkit_gallery: the display cannot be opened\n");
        return 1;
    }
    int code = 0;
    {
        CToolkitGalleryApp app;
        code = AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW);
    }
    display::Stop();
    return code;
}
