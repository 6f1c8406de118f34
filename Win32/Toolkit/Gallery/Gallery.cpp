// The toolkit gallery: the skinned toolkit's windows (the fixture dialog
// active and inactive, the message box, the open and font dialogs, and a
// page of elements), drawn from the program's own resource modules and the
// gallery's, on the chosen display back end (KESTRELON_DISPLAY). A tool for
// looking at the skin by hand; it is not installed.
//
//   kestrelon_toolkit_gallery [--page <name>] [--snapshot file.png]
//
// Without --page every page shows in turn, each until it is closed. With
// --snapshot each page's window is written to file-<page>.png once it
// shows, and the page ends.

#include <cstdio>
#include <cstring>
#include <string>

#include "Platform/Display/Display.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Base/SanitizerDefaults.h"
#include "Win32/Toolkit/Gallery/Pages.h"

KESTRELON_SANITIZER_DEFAULTS()

namespace {

std::string g_page;
std::string g_snapshot;
int g_failures = 0;

// "shots/gallery.png" and "font" give "shots/gallery-font.png".
std::string SnapshotOf(const std::string& page)
{
    const size_t dot = g_snapshot.rfind('.');
    const size_t slash = g_snapshot.rfind('/');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = extension ? g_snapshot.substr(0, dot) : g_snapshot;
    return stem + "-" + page + (extension ? g_snapshot.substr(dot) : ".png");
}

class CToolkitGalleryApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        toolkit_gallery::GalleryModules modules(KESTRELON_PROGRAM_MODULES, KESTRELON_TOOLKIT_GALLERY_MODULES);
        if (!modules.IsLoaded()) {
            std::fprintf(stderr, "kestrelon_toolkit_gallery: the resource modules are not built\n");
            ++g_failures;
            return FALSE;
        }
        for (const char* page : toolkit_gallery::kPageNames) {
            if (!g_page.empty() && g_page != page)
                continue;
            toolkit_gallery::WhileShown whileShown;
            if (!g_snapshot.empty()) {
                whileShown = [page](HWND window) {
                    const std::string file = SnapshotOf(page);
                    if (!display::SaveWindowPng(window, file)) {
                        std::fprintf(stderr, "kestrelon_toolkit_gallery: cannot write %s\n", file.c_str());
                        ++g_failures;
                    }
                    return true;
                };
            }
            toolkit_gallery::ShowPage(page, modules, whileShown);
        }
        return FALSE;
    }
};

bool IsPage(const std::string& name)
{
    for (const char* page : toolkit_gallery::kPageNames)
        if (name == page)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--snapshot") == 0 && i + 1 < argc) {
            g_snapshot = argv[++i];
        } else if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc && IsPage(argv[i + 1])) {
            g_page = argv[++i];
        } else {
            std::printf("usage: kestrelon_toolkit_gallery [--page <name>] [--snapshot file.png]\npages:");
            for (const char* page : toolkit_gallery::kPageNames)
                std::printf(" %s", page);
            std::printf("\n");
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
    return g_failures ? 1 : code;
}
