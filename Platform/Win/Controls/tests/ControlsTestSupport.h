#pragma once
// Shared pieces of the control tests: the fixture resource module, input
// helpers, a pump that feeds a dialog's messages through IsDialogMessage,
// and a dialog procedure that records what it gets.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/User/tests/UserTestSupport.h"

namespace controls_test {

using namespace user_test;
using win::user::InjectKey;
using win::user::InjectMouseButton;
using win::user::InjectMouseMove;
using win::user::MouseButton;

constexpr int IDD_ALL = 100;
constexpr int IDD_BROKEN = 101;
constexpr int IDD_CHILD = 102;
constexpr int IDC_LABEL = 1000;
constexpr int IDC_NAME = 1001;
constexpr int IDC_GROUP = 1002;
constexpr int IDC_FIRST = 1003;
constexpr int IDC_SECOND = 1004;
constexpr int IDC_THIRD = 1005;
constexpr int IDC_CHECK = 1006;
constexpr int IDC_LIST = 1007;
constexpr int IDC_COMBO = 1008;
constexpr int IDC_SCROLL = 1009;
constexpr int IDC_NOTES = 1010;
constexpr int IDC_PICTURE = 1011;
constexpr int IDC_DRAWN = 1012;
constexpr int IDC_APPLY = 1013;

// The fixture module (ControlsFixture.kres), loaded once.
inline HMODULE Fixture()
{
    static HMODULE module = [] {
        setenv("KESTRELON_MODULE_DIR", KESTRELON_CONTROLS_FIXTURES, 1);
        win::RegisterResourceModule("ControlsFixture.dll", "ControlsFixture.kres");
        return LoadLibraryA("ControlsFixture.dll");
    }();
    return module;
}

#ifdef KESTRELON_PROGRAM_MODULES
// The program's own language module (reslang.kres), loaded once; the module
// folder is the fixtures' again afterwards.
inline HMODULE LanguageModule()
{
    static HMODULE module = [] {
        Fixture();
        setenv("KESTRELON_MODULE_DIR", KESTRELON_PROGRAM_MODULES, 1);
        HMODULE loaded = LoadLibraryA("reslang.dll");
        setenv("KESTRELON_MODULE_DIR", KESTRELON_CONTROLS_FIXTURES, 1);
        return loaded;
    }();
    return module;
}
#endif

inline std::string WindowText(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline void Key(UINT vk)
{
    InjectKey(vk, true);
    InjectKey(vk, false);
}

inline void KeyWith(UINT modifier, UINT vk)
{
    InjectKey(modifier, true);
    Key(vk);
    InjectKey(modifier, false);
}

inline POINT CentreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void ClickAt(POINT at, MouseButton button = MouseButton::Left)
{
    InjectMouseMove(at);
    InjectMouseButton(button, true, at);
    InjectMouseButton(button, false, at);
}

// Dispatches until the queue is empty, the dialog's messages through
// IsDialogMessage.
inline void PumpDialog(HWND dialog)
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What the recording dialog procedure saw.
struct DialogLog {
    std::vector<Received> messages;
    std::vector<int> commands;      // WM_COMMAND ids, in order
    std::vector<WPARAM> commandArgs; // their whole wParam
    int focusAtCommand = 0;         // the focus control's id at the last command
    bool endOnOkCancel = true;
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> react;
};

inline DialogLog*& CurrentDialogLog()
{
    static DialogLog* log = nullptr;
    return log;
}

// Records into CurrentDialogLog(); IDOK and IDCANCEL end the dialog with
// their id unless told otherwise.
inline INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogLog* log = CurrentDialogLog();
    if (!log)
        return FALSE;
    log->messages.push_back(Received{dialog, message, wParam, lParam});
    if (log->react)
        if (INT_PTR answer = log->react(dialog, message, wParam, lParam))
            return answer;
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND) {
        log->commands.push_back(LOWORD(wParam));
        log->commandArgs.push_back(wParam);
        log->focusAtCommand = GetDlgCtrlID(GetFocus());
        if (log->endOnOkCancel && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
    }
    return FALSE;
}

inline std::vector<UINT> MessagesOfLog(const DialogLog& log, std::initializer_list<UINT> kept)
{
    std::vector<UINT> out;
    for (const Received& r : log.messages)
        for (UINT k : kept)
            if (r.message == k)
                out.push_back(r.message);
    return out;
}

class ControlsTest : public UserTest {
protected:
    void SetUp() override
    {
        UserTest::SetUp();
        ASSERT_NE(Fixture(), nullptr) << "the build compiles " KESTRELON_CONTROLS_FIXTURES "/ControlsFixture.kres";
        CurrentDialogLog() = &m_log;
    }
    void TearDown() override
    {
        CurrentDialogLog() = nullptr;
        UserTest::TearDown();
    }
    DialogLog m_log;
};

} // namespace controls_test
