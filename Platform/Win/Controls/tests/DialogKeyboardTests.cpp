#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

class DialogKeyboard : public ControlsTest {
protected:
    HWND Open()
    {
        m_log.endOnOkCancel = false;
        HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
        EXPECT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);
        PumpDialog(dialog);
        return dialog;
    }
};

// One injected input: a key, a key with Shift or Alt held, or typed text.
struct Input {
    UINT modifier;
    UINT key;
};

constexpr UINT kPlain = 0;

void Press(const Input& in)
{
    if (in.modifier)
        KeyWith(in.modifier, in.key);
    else
        Key(in.key);
}

TEST_F(DialogKeyboard, KeysMoveTheFocusAndCommandTheDialog)
{
    struct Case {
        const char* what;
        int focus;                 // the control that has the focus first
        std::vector<Input> keys;
        int focusAfter;            // 0: not checked
        std::vector<int> commands; // WM_COMMAND ids the dialog receives
    };
    const Case cases[] = {
        {"Tab", IDC_NAME, {{kPlain, VK_TAB}}, IDC_FIRST, {}},
        {"Tab skips the rest of a radio group", IDC_FIRST, {{kPlain, VK_TAB}}, IDC_CHECK, {}},
        {"Shift+Tab wraps", IDC_NAME, {{VK_SHIFT, VK_TAB}}, IDCANCEL, {}},
        {"Tab wraps", IDCANCEL, {{kPlain, VK_TAB}}, IDC_NAME, {}},
        {"Down in a radio group", IDC_FIRST, {{kPlain, VK_DOWN}}, IDC_SECOND, {IDC_SECOND}},
        {"Up wraps in the group", IDC_FIRST, {{kPlain, VK_UP}}, IDC_THIRD, {IDC_THIRD}},
        {"Enter on an edit", IDC_NAME, {{kPlain, VK_RETURN}}, IDC_NAME, {IDOK}},
        {"Enter on a push button", IDC_APPLY, {{kPlain, VK_RETURN}}, IDC_APPLY, {IDC_APPLY}},
        {"Enter on an owner-drawn button", IDC_DRAWN, {{kPlain, VK_RETURN}}, IDC_DRAWN, {IDOK}},
        {"Esc", IDC_NAME, {{kPlain, VK_ESCAPE}}, 0, {IDCANCEL}},
        {"Enter stays in a multi-line edit", IDC_NOTES, {{kPlain, VK_RETURN}}, IDC_NOTES, {}},
        {"Alt+mnemonic of a label", IDC_APPLY, {{VK_MENU, 'N'}}, IDC_NAME, {}},
        {"Alt+mnemonic of a check box", IDC_NAME, {{VK_MENU, 'C'}}, IDC_CHECK, {IDC_CHECK}},
        {"Alt+mnemonic of a push button", IDC_NAME, {{VK_MENU, 'A'}}, 0, {IDC_APPLY}},
        {"Alt+mnemonic of a radio button", IDC_NAME, {{VK_MENU, 'H'}}, IDC_THIRD, {IDC_THIRD}},
        {"A letter where the focus takes none", IDC_APPLY, {{kPlain, 'S'}}, IDC_SECOND, {IDC_SECOND}},
        {"Space on a check box", IDC_CHECK, {{kPlain, VK_SPACE}}, IDC_CHECK, {IDC_CHECK}},
    };
    for (const Case& c : cases) {
        HWND dialog = Open();
        SetFocus(GetDlgItem(dialog, c.focus));
        PumpDialog(dialog);
        m_log.commandArgs.clear();
        for (const Input& in : c.keys)
            Press(in);
        PumpDialog(dialog);
        if (c.focusAfter) {
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.focusAfter) << c.what;
        }
        std::vector<int> clicks;
        for (WPARAM command : m_log.commandArgs)
            if (HIWORD(command) == BN_CLICKED)
                clicks.push_back(LOWORD(command));
        EXPECT_EQ(clicks, c.commands) << c.what;
        DestroyWindow(dialog);
    }
}

TEST_F(DialogKeyboard, ArrowsCheckTheAutomaticRadioButtonTheyReach)
{
    HWND dialog = Open();
    CheckRadioButton(dialog, IDC_FIRST, IDC_THIRD, IDC_FIRST);
    SetFocus(GetDlgItem(dialog, IDC_FIRST));
    Key(VK_DOWN);
    Key(VK_DOWN);
    PumpDialog(dialog);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIRST), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SECOND), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_THIRD), BST_CHECKED);
}

TEST_F(DialogKeyboard, TheDefaultLookFollowsTheFocusedPushButton)
{
    HWND dialog = Open();
    auto type = [&](int id) { return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK; };
    SetFocus(GetDlgItem(dialog, IDC_APPLY));
    EXPECT_EQ(type(IDC_APPLY), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(IDOK), BS_PUSHBUTTON);
    Key(VK_TAB);
    Key(VK_TAB); // Cancel
    PumpDialog(dialog);
    EXPECT_EQ(type(IDCANCEL), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(IDC_APPLY), BS_PUSHBUTTON);
    SetFocus(GetDlgItem(dialog, IDC_NAME));
    EXPECT_EQ(type(IDOK), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(IDCANCEL), BS_PUSHBUTTON);
    SetFocus(GetDlgItem(dialog, IDC_DRAWN));
    EXPECT_EQ(type(IDC_DRAWN), BS_OWNERDRAW);
    EXPECT_EQ(type(IDOK), BS_DEFPUSHBUTTON);
}

TEST_F(DialogKeyboard, TabSelectsAnEditsText)
{
    HWND dialog = Open();
    SetDlgItemTextA(dialog, IDC_NAME, "selected");
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    Key(VK_TAB);
    PumpDialog(dialog);
    DWORD start = 1;
    DWORD end = 0;
    SendDlgItemMessageA(dialog, IDC_NAME, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 8u);
}

TEST_F(DialogKeyboard, TheFocusComesBackWhenTheDialogIsActivatedAgain)
{
    HWND dialog = Open();
    SetFocus(GetDlgItem(dialog, IDC_CHECK));
    HWND other = MakeTopLevel(RECT{600, 10, 700, 100}, WS_POPUP | WS_VISIBLE);
    SetActiveWindow(other);
    PumpDialog(dialog);
    SetActiveWindow(dialog);
    PumpDialog(dialog);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_CHECK);
}

TEST_F(DialogKeyboard, NextDlgCtlMovesByDirectionOrToAControl)
{
    HWND dialog = Open();
    SetFocus(GetDlgItem(dialog, IDC_NAME));
    SendMessageA(dialog, WM_NEXTDLGCTL, 0, FALSE);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_FIRST);
    SendMessageA(dialog, WM_NEXTDLGCTL, 1, FALSE);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_NAME);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDOK);
}

TEST_F(DialogKeyboard, GroupAndTabItemsWalkTheControls)
{
    HWND dialog = Open();
    HWND first = GetDlgItem(dialog, IDC_FIRST);
    EXPECT_EQ(GetNextDlgGroupItem(dialog, first, FALSE), GetDlgItem(dialog, IDC_SECOND));
    EXPECT_EQ(GetNextDlgGroupItem(dialog, first, TRUE), GetDlgItem(dialog, IDC_THIRD));
    EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, FALSE), GetDlgItem(dialog, IDC_NAME));
    EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, TRUE), GetDlgItem(dialog, IDCANCEL));
    EnableWindow(GetDlgItem(dialog, IDC_FIRST), FALSE);
    EXPECT_EQ(GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDC_NAME), FALSE), GetDlgItem(dialog, IDC_CHECK))
        << "disabled controls are passed over";
}

TEST_F(DialogKeyboard, AChildDialogsControlsJoinTheTabOrder)
{
    HWND dialog = Open();
    HWND child = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_CHILD), dialog, nullptr, 0);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    ShowWindow(child, SW_SHOW);
    HWND inner = GetDlgItem(child, 2001);
    EXPECT_EQ(GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDCANCEL), FALSE), inner);
    SetFocus(inner);
    Key(VK_TAB);
    PumpDialog(dialog);
    EXPECT_EQ(GetFocus(), GetDlgItem(child, 2002));
}

} // namespace
