// The program's entry. Until the application shell exists it opens an empty
// main window on the chosen display back end and runs the message loop
// until the window is destroyed. SIGINT, SIGTERM and SIGHUP close the main
// window; exit status 2 means the environment was unusable.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "Platform/Display/Display.h"
#include "Platform/Win/Base/SanitizerDefaults.h"
#include "Platform/Win/Kernel/Console.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/User/User.h"
#include "Program/Version.h"
#include "Win32/Produce/Document/StoryboardProduction.h"

namespace {

constexpr char kMainClass[] = "Kestrelon Class";
constexpr char kMainTitle[] = "Kestrelon";

HWND g_mainWindow = nullptr;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK CloseMainWindow(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostMessageA(g_mainWindow, WM_CLOSE, 0, 0);
}

// The requests to end that come from outside (the terminal, the session,
// kill) close the main window as its close box would, so that the program
// ends through its usual shutdown.
BOOL CloseOnControlEvent(DWORD)
{
    PostMessageA(g_mainWindow, WM_CLOSE, 0, 0);
    return TRUE;
}

struct ExitAfterSetting {
    bool valid = true;
    std::optional<UINT> milliseconds;
};

// KESTRELON_EXIT_AFTER_MS: unattended runs (tests, CI, screenshots) close
// the main window after that many milliseconds, as nobody is there to close it.
ExitAfterSetting ExitAfter()
{
    const char* text = std::getenv("KESTRELON_EXIT_AFTER_MS");
    if (!text || !*text)
        return {};
    char* end = nullptr;
    errno = 0;
    unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || *text < '0' || *text > '9' || value > USER_TIMER_MAXIMUM)
        return {false, std::nullopt};
    return {true, static_cast<UINT>(value)};
}

HWND CreateMainWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_APPWORKSPACE + 1));
    wc.lpszClassName = kMainClass;
    if (!RegisterClassA(&wc))
        return nullptr;
    // Three quarters of the primary display's work area, centred on it.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = (work.right - work.left) * 3 / 4;
    const int height = (work.bottom - work.top) * 3 / 4;
    return CreateWindowExA(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2,
                           width, height, nullptr, nullptr, instance, nullptr);
}

} // namespace

KESTRELON_SANITIZER_DEFAULTS()

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: Kestrelon [--version] [file]\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Kestrelon %s\n", KESTRELON_VERSION);
            return 0;
        }
    }
    // A run told to end on its own that cannot tell when would never end.
    const ExitAfterSetting exitAfter = ExitAfter();
    if (!exitAfter.valid) {
        std::fprintf(stderr, "Kestrelon: KESTRELON_EXIT_AFTER_MS must be a number of milliseconds\n");
        return 2;
    }
    std::optional<display::Backend> backend = display::StartChosen();
    if (!backend) {
        std::fprintf(stderr, "Kestrelon: the display cannot be opened (KESTRELON_DISPLAY=sdl)\n");
        return 1;
    }
    // The storyboard document produces through this program's producer.
    CStoryboardProduction::Install();
    g_mainWindow = CreateMainWindow();
    if (!g_mainWindow) {
        std::fprintf(stderr, "Kestrelon: the main window cannot be created (error %u)\n", GetLastError());
        display::Stop();
        return 1;
    }
    win::user::SetMainWindow(g_mainWindow);
    SetConsoleCtrlHandler(CloseOnControlEvent, TRUE);
    ShowWindow(g_mainWindow, SW_SHOWDEFAULT);
    UpdateWindow(g_mainWindow);
    if (exitAfter.milliseconds)
        SetTimer(nullptr, 0, *exitAfter.milliseconds, CloseMainWindow);

    int exitCode = 0;
    MSG msg{};
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got < 0) {
            exitCode = 1;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    display::Stop();
    return exitCode;
}
