// The controls gallery: the fixture dialog with every standard control, and
// a frame with the fixture's menu bar whose right click opens a popup of
// owner-drawn items, on the chosen display back end (KESTRELON_DISPLAY).
// A tool for looking at the controls by hand; it is not installed.
//
//   kestrelon_gallery [--snapshot file.png]
//
// With --snapshot the program opens the owner-drawn popup, writes the whole
// desktop to the file while the popup shows, and ends.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Display/Display.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Gallery/Showcase.h"

namespace {

constexpr UINT_PTR kOpenTimer = 1;
constexpr UINT_PTR kExitTimer = 2;

std::string g_snapshot;

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
        return CWinApp::PreTranslateMessage(pMsg);
    }

private:
    HWND m_dialog = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--snapshot") == 0 && i + 1 < argc) {
            g_snapshot = argv[++i];
        } else {
            std::printf("usage: kestrelon_gallery [--snapshot file.png]\n");
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
