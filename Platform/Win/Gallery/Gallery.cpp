// The controls gallery: the fixture dialog with every standard control, and
// a frame with the fixture's menu bar whose right click opens a popup of
// owner-drawn items, on the chosen display back end (KESTRELON_DISPLAY).
// A tool for looking at the controls by hand; it is not installed.
//
//   kestrelon_gallery [--common] [--snapshot file.png]
//
// With --snapshot the program opens the owner-drawn popup, writes the whole
// desktop to the file while the popup shows, and ends. With --common it
// shows the common controls instead: a list view of thumbnails with a tool
// tip, a track bar and a spin field, a wizard, and the open dialog (with
// --snapshot the desktop is written while all of them show).
// gallery-sdl.png and gallery-common-sdl.png beside this file are such
// snapshots under Xvfb with KESTRELON_DISPLAY=sdl.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Display/Display.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Base/SanitizerDefaults.h"
#include "Platform/Win/Gallery/Showcase.h"

KESTRELON_SANITIZER_DEFAULTS()

namespace {

constexpr UINT_PTR kOpenTimer = 1;
constexpr UINT_PTR kExitTimer = 2;

std::string g_snapshot;
bool g_common = false;

// While the popup tracks: the desktop is written, then Esc closes it.
void CALLBACK SnapshotWhileTracking(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, id);
    UpdateWindow(popup);
    if (!display::SaveDesktopPng(g_snapshot))
        std::fprintf(stderr, "kestrelon_gallery: cannot write %s\n", g_snapshot.c_str());
    display::TypeKey(VK_ESCAPE);
}

class CGalleryFrame : public CFrameWnd {
public:
    // The fixture's commands have no handlers here; their items keep the
    // state their templates give them.
    CGalleryFrame() { m_bAutoMenuEnable = FALSE; }

    void OpenPopup(CPoint at)
    {
        HMENU popup = gallery::MakeOwnerDrawnPopup();
        ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
        ::DestroyMenu(popup);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = 0;
        if (gallery::AnswerOwnerDraw(message, lParam, &result))
            return result;
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }

    afx_msg void OnContextMenu(CWnd*, CPoint at) { OpenPopup(at); }
    afx_msg void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        if (id == kExitTimer) {
            PostMessage(WM_CLOSE);
            return;
        }
        SetTimer(0, 50, SnapshotWhileTracking);
        CRect frame;
        GetWindowRect(&frame);
        OpenPopup(CPoint(frame.left + 120, frame.top + 120));
        PostMessage(WM_CLOSE);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CGalleryFrame, CFrameWnd)
    ON_WM_CONTEXTMENU()
    ON_WM_TIMER()
END_MESSAGE_MAP()

// ---- The common controls ------------------------------------------------

constexpr UINT_PTR kHoverTimer = 3;
constexpr UINT_PTR kFileDialogTimer = 4;

// A folder made for the file dialog to show, with a few clips' names in
// it, so that a snapshot shows no folder of the machine that made it.
std::string ShowcaseFolder()
{
    const std::string folder = "/tmp/Kestrelon Gallery/Holiday";
    CreateDirectoryA("/tmp/Kestrelon Gallery", nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"beach.avi", "clip.avi", "harbour.avi", "picnic.avi", "sunset.avi"}) {
        const std::string path = folder + "/" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return folder;
}

INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A list view of six 80 x 60 thumbnails with two-line labels, a track bar
// and a spin field in the frame; a tool tip over the list.
void FillCommonFrame(CFrameWnd& frame)
{
    CRect client;
    frame.GetClientRect(&client);
    HWND list = gallery::MakeThumbnailList(frame.m_hWnd, RECT{8, 8, client.Width() - 8, client.Height() - 52});
    LVITEMA selected{};
    selected.state = selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));

    HWND track = ::CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | TBS_AUTOTICKS, 8,
                                   client.Height() - 46, 300, 36, frame.m_hWnd, nullptr, nullptr, nullptr);
    ::SendMessageA(track, TBM_SETRANGE, TRUE, MAKELONG(0, 300));
    ::SendMessageA(track, TBM_SETTICFREQ, 30, 0);
    ::SendMessageA(track, TBM_SETPOS, TRUE, 120);
    HWND edit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE, 330, client.Height() - 40, 80,
                                  24, frame.m_hWnd, nullptr, nullptr, nullptr);
    HWND spin = ::CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                                      UDS_ARROWKEYS, 0, 0, 18, 24, frame.m_hWnd, nullptr, nullptr, nullptr);
    ::SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    ::SendMessageA(spin, UDM_SETRANGE, 0, MAKELONG(900, 0));
    ::SendMessageA(spin, UDM_SETPOS, 0, 20);

    HWND tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, frame.m_hWnd,
                                 nullptr, nullptr, nullptr);
    ::SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 100);
    ::SendMessageA(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = frame.m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = const_cast<LPSTR>("Scenes of the clip: double-click one to rename it");
    ::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// A modeless two-page wizard beside the frame.
HWND MakeWizard(HWND owner)
{
    static win::DialogTemplateBuilder first(WS_CHILD | DS_CONTROL, 0, 0, 200, 100, "Template");
    static win::DialogTemplateBuilder second(WS_CHILD | DS_CONTROL, 0, 0, 200, 100, "Output");
    static bool built = false;
    if (!built) {
        built = true;
        first.Font(8, "MS Shell Dlg");
        first.Control("Choose how the storyboard is produced:", 100, win::kStaticAtom, WS_CHILD | WS_VISIBLE, 7, 7,
                      186, 10);
        first.Control("", 101, win::kListBoxAtom, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 7, 20, 186, 60);
        second.Font(8, "MS Shell Dlg");
        second.Control("File name:", 102, win::kStaticAtom, WS_CHILD | WS_VISIBLE, 7, 7, 60, 10);
        second.Control("movie.avi", 103, win::kEditAtom, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 7, 20, 150,
                       12);
    }
    PROPSHEETPAGEA pages[2] = {};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_DLGINDIRECT;
        pages[i].pResource = static_cast<LPCDLGTEMPLATEA>(i == 0 ? first.Data() : second.Data());
        pages[i].pfnDlgProc = PlainPage;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_MODELESS;
    header.hwndParent = owner;
    header.pszCaption = "Produce Movie";
    header.nPages = 2;
    header.ppsp = pages;
    HWND wizard = reinterpret_cast<HWND>(PropertySheetA(&header));
    if (wizard) {
        ::SendMessageA(wizard, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        ::SetWindowPos(wizard, nullptr, 600, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return wizard;
}

// Inside the open dialog's loop: the desktop is written, then it ends.
void CALLBACK SnapshotInFileDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    // Found by its title: on a display without a window manager the focus
    // follows the pointer, so the open dialog need not be the active window.
    HWND dialog = ::FindWindowA(nullptr, "Open");
    if (!g_snapshot.empty() && !display::SaveDesktopPng(g_snapshot))
        std::fprintf(stderr, "kestrelon_gallery: cannot write %s\n", g_snapshot.c_str());
    if (const char* hold = std::getenv("KESTRELON_GALLERY_HOLD_MS"); hold && *hold)
        ::Sleep(static_cast<DWORD>(std::strtoul(hold, nullptr, 10)));
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
}

class CCommonFrame : public CFrameWnd {
public:
    CCommonFrame() { m_bAutoMenuEnable = FALSE; }
    afx_msg void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        if (id == kHoverTimer) {
            // The pointer rests on the list: its tool tip shows. The pointer
            // itself moves there, so that on a real display the windows that
            // open later do not report it elsewhere.
            CRect frame;
            GetWindowRect(&frame);
            ::SetCursorPos(frame.left + 120, frame.top + 150);
            SetTimer(kFileDialogTimer, 600, nullptr);
            return;
        }
        if (id == kFileDialogTimer) {
            char file[MAX_PATH] = "clip.avi";
            OPENFILENAMEA ofn{};
            ofn.lStructSize = sizeof ofn;
            ofn.hwndOwner = nullptr;
            ofn.lpstrFilter = "Video files (*.avi)\0*.avi\0All files (*.*)\0*.*\0";
            ofn.lpstrFile = file;
            ofn.nMaxFile = sizeof file;
            const std::string folder = ShowcaseFolder();
            ofn.lpstrInitialDir = folder.c_str();
            ofn.nFilterIndex = 2;
            ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
            SetTimer(0, 800, SnapshotInFileDialog);
            ::GetOpenFileNameA(&ofn);
            PostMessage(WM_CLOSE);
        }
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommonFrame, CFrameWnd)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class CGalleryApp : public CWinApp {
public:
    CGalleryApp() : CWinApp("Kestrelon Controls Gallery") {}

    BOOL InitInstance() override
    {
        HMODULE fixture = gallery::LoadControlsFixture(KESTRELON_CONTROLS_FIXTURES);
        if (!fixture) {
            std::fprintf(stderr, "kestrelon_gallery: the controls fixture is not built (%s)\n",
                         KESTRELON_CONTROLS_FIXTURES);
            return FALSE;
        }
        AfxSetResourceHandle(fixture);
        if (g_common)
            return ShowCommonControls();
        auto* frame = new CGalleryFrame;
        if (!frame->Create(nullptr, "Kestrelon Controls Gallery", WS_OVERLAPPEDWINDOW, CRect(20, 20, 560, 420),
                           nullptr, MAKEINTRESOURCEA(128))) {
            std::fprintf(stderr, "kestrelon_gallery: the frame cannot be made\n");
            return FALSE;
        }
        m_pMainWnd = frame;
        win::user::SetMainWindow(frame->m_hWnd);
        frame->ShowWindow(SW_SHOW);
        frame->UpdateWindow();
        m_dialog = gallery::MakeSampleDialog(fixture, frame->m_hWnd);
        if (m_dialog)
            ::SetWindowPos(m_dialog, nullptr, 580, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        if (!g_snapshot.empty())
            frame->SetTimer(kOpenTimer, 300);
        else if (const char* after = std::getenv("KESTRELON_EXIT_AFTER_MS"); after && *after)
            frame->SetTimer(kExitTimer, static_cast<UINT>(std::strtoul(after, nullptr, 10)));
        return TRUE;
    }

    // The dialog is a plain one (no CDialog): its keys go to the dialog
    // manager here.
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (m_dialog && ::IsWindow(m_dialog) && ::IsDialogMessageA(m_dialog, pMsg))
            return TRUE;
        if (m_wizard && ::IsWindow(m_wizard) && ::SendMessageA(m_wizard, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(pMsg)))
            return TRUE;
        return CWinApp::PreTranslateMessage(pMsg);
    }

private:
    BOOL ShowCommonControls()
    {
        InitCommonControls();
        auto* frame = new CCommonFrame;
        if (!frame->Create(nullptr, "Scenes", WS_OVERLAPPEDWINDOW, CRect(20, 20, 560, 420))) {
            std::fprintf(stderr, "kestrelon_gallery: the frame cannot be made\n");
            return FALSE;
        }
        m_pMainWnd = frame;
        win::user::SetMainWindow(frame->m_hWnd);
        FillCommonFrame(*frame);
        frame->ShowWindow(SW_SHOW);
        frame->UpdateWindow();
        m_wizard = MakeWizard(frame->m_hWnd);
        frame->SetTimer(kHoverTimer, 300, nullptr);
        return TRUE;
    }

    HWND m_dialog = nullptr;
    HWND m_wizard = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--snapshot") == 0 && i + 1 < argc) {
            g_snapshot = argv[++i];
        } else if (std::strcmp(argv[i], "--common") == 0) {
            g_common = true;
        } else {
            std::printf("usage: kestrelon_gallery [--common] [--snapshot file.png]\n");
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    if (!display::StartChosen()) {
        std::fprintf(stderr, "kestrelon_gallery: the display cannot be opened\n");
        return 1;
    }
    int code = 0;
    {
        CGalleryApp app;
        code = AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW);
    }
    display::Stop();
    return code;
}
