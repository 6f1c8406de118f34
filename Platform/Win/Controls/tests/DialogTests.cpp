#include <gtest/gtest.h>

#include <cstring>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

class Dialogs : public ControlsTest {};

win::DialogDescription FixtureDescription(int id)
{
    win::ResourceBytes bytes = win::FindDialogTemplate(Fixture(), MAKEINTRESOURCEA(id));
    win::DialogDescription description;
    EXPECT_TRUE(win::ReadDialogTemplate(bytes.data, bytes.size, &description));
    return description;
}

RECT ClientPlace(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(Dialogs, TheReaderDescribesEveryControlOfTheFixtureDialog)
{
    win::DialogDescription d = FixtureDescription(IDD_ALL);
    EXPECT_EQ(d.title, "All Controls");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.face, "MS Sans Serif");
    ASSERT_EQ(d.items.size(), 16u);
    EXPECT_TRUE(d.items[0].className.isOrdinal);
    EXPECT_EQ(d.items[0].className.ordinal, win::kStaticAtom);
    EXPECT_EQ(d.items[0].text.text, "&Name:");
    EXPECT_EQ(d.items[1].id, static_cast<DWORD>(IDC_NAME));
    EXPECT_TRUE(d.items[11].text.isOrdinal) << "the icon names resource 121";
    EXPECT_EQ(d.items[11].text.ordinal, 121);
    EXPECT_EQ(d.items[12].className.ordinal, win::kButtonAtom) << "CONTROL \"Button\" is stored as the atom";
}

TEST_F(Dialogs, TheReaderRefusesEveryTruncationOfATemplate)
{
    for (int id : {IDD_ALL, IDD_CHILD}) {
        win::ResourceBytes bytes = win::FindDialogTemplate(Fixture(), MAKEINTRESOURCEA(id));
        ASSERT_TRUE(bytes);
        win::DialogDescription d;
        EXPECT_TRUE(win::ReadDialogTemplate(bytes.data, bytes.size, &d));
        // Only the padding after the last item may go.
        for (size_t cut = 0; cut + 2 < bytes.size; ++cut)
            EXPECT_FALSE(win::ReadDialogTemplate(bytes.data, cut, &d)) << "template " << id << " cut to " << cut;
    }
}

TEST_F(Dialogs, ControlsSitAtTheirDialogUnitsInTheDialogFont)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    win::DialogDescription d = FixtureDescription(IDD_ALL);
    RECT client{};
    GetClientRect(dialog, &client);
    RECT size{0, 0, d.cx, d.cy};
    MapDialogRect(dialog, &size);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    for (const win::DialogItem& item : d.items) {
        HWND control = GetDlgItem(dialog, static_cast<int>(item.id));
        ASSERT_NE(control, nullptr) << item.id;
        RECT expected{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(dialog, &expected);
        RECT actual = ClientPlace(control);
        EXPECT_EQ(actual.left, expected.left) << item.id;
        EXPECT_EQ(actual.top, expected.top) << item.id;
        if (item.id == static_cast<DWORD>(IDC_PICTURE) || item.id == static_cast<DWORD>(IDC_COMBO))
            continue; // an icon takes its image's size, a combo box its field's height
        EXPECT_EQ(actual.right, expected.right) << item.id;
        EXPECT_EQ(actual.bottom, expected.bottom) << item.id;
    }
    // The font's base units: "MS Sans Serif" 8 maps to a font whose average
    // character is a few pixels wide.
    RECT unit{0, 0, 4, 8};
    MapDialogRect(dialog, &unit);
    EXPECT_GE(unit.right, 4);
    EXPECT_LE(unit.right, 9);
    EXPECT_GE(unit.bottom, 10);
    EXPECT_LE(unit.bottom, 18);
    DestroyWindow(dialog);
}

TEST_F(Dialogs, TemplateControlsHaveTheStandardClassNames)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    struct Case {
        int id;
        const char* name;
    };
    const Case cases[] = {{IDC_LABEL, "Static"},  {IDC_NAME, "Edit"},       {IDC_GROUP, "Button"},
                          {IDC_FIRST, "Button"},  {IDC_LIST, "ListBox"},    {IDC_COMBO, "ComboBox"},
                          {IDC_SCROLL, "ScrollBar"}, {IDC_PICTURE, "Static"}, {IDOK, "Button"}};
    for (const Case& c : cases) {
        char name[64] = {};
        GetClassNameA(GetDlgItem(dialog, c.id), name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.id;
    }
    char name[64] = {};
    GetClassNameA(dialog, name, sizeof name);
    EXPECT_STREQ(name, "#32770");
    DestroyWindow(dialog);
}

TEST_F(Dialogs, AControlOfAnUnregisteredClassFailsTheDialogWithTheClassError)
{
    SetLastError(0);
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_BROKEN), nullptr, RecordingDialogProc, 0);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(FindWindowA("#32770", "Broken"), nullptr) << "nothing is left behind";
}

// A top-level window holds its own pixels: a template claiming the largest
// size took a gigabyte and seconds of painting.
TEST_F(Dialogs, ATopLevelDialogIsNoLargerThanTheLargestWindowTheScreenTakes)
{
    for (const DWORD style : {DWORD{WS_POPUP | WS_CAPTION}, DWORD{WS_POPUP | WS_THICKFRAME}, DWORD{WS_POPUP}}) {
        win::DialogTemplateBuilder huge(style | WS_VISIBLE, 0, 0, 32767, 32767, "Huge");
        huge.Control("OK", IDOK, win::kButtonAtom, WS_CHILD | WS_VISIBLE, 7, 7, 50, 14);
        HWND dialog = CreateDialogFromBytes(nullptr, huge.Data(), huge.Size(), nullptr, RecordingDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << std::hex << style;
        RECT r{};
        GetWindowRect(dialog, &r);
        EXPECT_LE(r.right - r.left, GetSystemMetrics(SM_CXMAXTRACK)) << std::hex << style;
        EXPECT_LE(r.bottom - r.top, GetSystemMetrics(SM_CYMAXTRACK)) << std::hex << style;
        EXPECT_NE(GetDlgItem(dialog, IDOK), nullptr);
        DestroyWindow(dialog);
    }
    // A child dialog keeps its size: it paints into its parent's pixels.
    HWND owner = MakeTopLevel(RECT{0, 0, 300, 200});
    win::DialogTemplateBuilder child(WS_CHILD | DS_CONTROL, 0, 0, 4000, 10, "");
    HWND inside = CreateDialogFromBytes(nullptr, child.Data(), child.Size(), owner, RecordingDialogProc, 0);
    ASSERT_NE(inside, nullptr);
    RECT r{};
    GetWindowRect(inside, &r);
    EXPECT_GT(r.right - r.left, GetSystemMetrics(SM_CXMAXTRACK));
}

// A control's class would make a window whose procedure never frees the
// dialog's state.
TEST_F(Dialogs, ADialogOfAControlsClassFailsWithTheClassError)
{
    for (const char* cls : {"Button", "Static", "Edit"}) {
        win::DialogTemplateBuilder bytes(WS_POPUP | WS_CAPTION, 0, 0, 100, 50, "Not a dialog");
        bytes.Class(cls);
        SetLastError(0);
        EXPECT_EQ(CreateDialogFromBytes(nullptr, bytes.Data(), bytes.Size(), nullptr, RecordingDialogProc, 0), nullptr)
            << cls;
        EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS) << cls;
        EXPECT_EQ(FindWindowA(cls, "Not a dialog"), nullptr) << cls;
    }
}

TEST_F(Dialogs, DamagedBytesFailWithInvalidData)
{
    const BYTE garbage[] = {1, 2, 3};
    SetLastError(0);
    EXPECT_EQ(CreateDialogFromBytes(nullptr, garbage, sizeof garbage, nullptr, RecordingDialogProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
}

TEST_F(Dialogs, InitDialogComesAfterTheControlsWithTheFirstTabStopAndTheParameter)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 77);
    ASSERT_NE(dialog, nullptr);
    std::vector<UINT> seen = MessagesOfLog(m_log, {WM_SETFONT, WM_INITDIALOG});
    ASSERT_EQ(seen, (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
    for (const Received& r : m_log.messages)
        if (r.message == WM_INITDIALOG) {
            EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_NAME)));
            EXPECT_EQ(r.lParam, 77);
        }
    DestroyWindow(dialog);
}

// A dialog box ended from its own timer, reporting what it saw.
struct TimedEnd {
    HWND owner = nullptr;
    INT_PTR result = 0;
    bool ownerEnabledDuring = true;
};

TimedEnd* g_timed = nullptr;

INT_PTR CALLBACK TimedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(dialog, 1);
        g_timed->ownerEnabledDuring = IsWindowEnabled(g_timed->owner) != FALSE;
        EndDialog(dialog, g_timed->result);
        return TRUE;
    }
    return FALSE;
}

TEST_F(Dialogs, DialogBoxReturnsTheEndDialogValueAndGivesTheOwnerBack)
{
    HWND owner = MakeTopLevel(RECT{50, 50, 450, 350}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetActiveWindow(owner);
    TimedEnd timed{owner, 42};
    g_timed = &timed;
    EXPECT_EQ(DialogBoxParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), owner, TimedProc, 0), 42);
    EXPECT_FALSE(timed.ownerEnabledDuring) << "the owner is disabled while the dialog runs";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr);
    g_timed = nullptr;
}

INT_PTR CALLBACK QuitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(dialog, 1);
        PostQuitMessage(5);
        return TRUE;
    }
    return FALSE;
}

TEST_F(Dialogs, AQuitEndsTheDialogBoxAndIsPostedAgain)
{
    HWND owner = MakeTopLevel(RECT{50, 50, 450, 350}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(DialogBoxParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), owner, QuitProc, 0), 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

struct Nested {
    HWND outer = nullptr;
    INT_PTR inner = 0;
    bool outerDisabledDuringInner = false;
};
Nested* g_nested = nullptr;

INT_PTR CALLBACK InnerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 2, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 2) {
        KillTimer(dialog, 2);
        g_nested->outerDisabledDuringInner = !IsWindowEnabled(g_nested->outer);
        EndDialog(dialog, 7);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK OuterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        g_nested->outer = dialog;
        SetTimer(dialog, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(dialog, 1);
        g_nested->inner = DialogBoxParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), dialog, InnerProc, 0);
        EndDialog(dialog, 8);
        return TRUE;
    }
    return FALSE;
}

TEST_F(Dialogs, DialogBoxesNest)
{
    HWND owner = MakeTopLevel(RECT{50, 50, 450, 350}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Nested nested;
    g_nested = &nested;
    EXPECT_EQ(DialogBoxParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), owner, OuterProc, 0), 8);
    EXPECT_EQ(nested.inner, 7);
    EXPECT_TRUE(nested.outerDisabledDuringInner);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    g_nested = nullptr;
}

TEST_F(Dialogs, EndDialogDuringInitDialogSkipsTheLoop)
{
    m_log.react = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG)
            EndDialog(dialog, 3);
        return 0;
    };
    HWND owner = MakeTopLevel(RECT{50, 50, 450, 350}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(DialogBoxParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), owner, RecordingDialogProc, 0), 3);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(Dialogs, DefDlgProcAnswersFromMsgResultOnlyForHandledMessages)
{
    m_log.react = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_USER + 50) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1234);
            return TRUE;
        }
        if (message == WM_CTLCOLORDLG)
            return reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH));
        return 0;
    };
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageA(dialog, WM_USER + 50, 0, 0), 1234);
    EXPECT_EQ(SendMessageA(dialog, WM_USER + 51, 0, 0), 0);
    EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORDLG, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)))
        << "WM_CTLCOLOR* answers with the procedure's return value";
    DestroyWindow(dialog);
}

TEST_F(Dialogs, DefaultIdFollowsSetDefIdAndStartsAtTheDefPushButton)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDCANCEL, DC_HASDEFID));
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDCANCEL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    SendMessageA(dialog, DM_SETDEFID, IDC_DRAWN, 0);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDC_DRAWN), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW)
        << "an owner-drawn button never becomes the default";
    DestroyWindow(dialog);
}

TEST_F(Dialogs, DlgItemTextAndIntRoundTrip)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(SetDlgItemInt(dialog, IDC_LABEL, static_cast<UINT>(-12), TRUE));
    BOOL ok = FALSE;
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, IDC_LABEL, &ok, TRUE)), -12);
    EXPECT_TRUE(ok);
    struct Case {
        const char* text;
        BOOL isSigned;
        UINT value;
        BOOL translated;
    };
    const Case cases[] = {
        {" 42 ", FALSE, 42, TRUE},         {"4x2", FALSE, 0, FALSE},        {"", FALSE, 0, FALSE},
        {"-5", FALSE, 0, FALSE},          {"4294967295", FALSE, 0xFFFFFFFFu, TRUE},
        {"4294967296", FALSE, 0, FALSE},  {"-2147483648", TRUE, 0x80000000u, TRUE},
        {"2147483648", TRUE, 0, FALSE},
    };
    for (const Case& c : cases) {
        SetDlgItemTextA(dialog, IDC_LABEL, c.text);
        ok = !c.translated;
        EXPECT_EQ(GetDlgItemInt(dialog, IDC_LABEL, &ok, c.isSigned), c.value) << c.text;
        EXPECT_EQ(ok, c.translated) << c.text;
    }
    char text[8];
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_LABEL, text, sizeof text), 7u) << "cut to the buffer";
    EXPECT_EQ(SendDlgItemMessageA(dialog, 4242, WM_GETTEXTLENGTH, 0, 0), 0) << "a missing item answers 0";
    DestroyWindow(dialog);
}

TEST_F(Dialogs, RadioAndCheckCallsSetTheButtons)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_ALL), nullptr, RecordingDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(CheckRadioButton(dialog, IDC_FIRST, IDC_THIRD, IDC_SECOND));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIRST), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SECOND), BST_CHECKED);
    EXPECT_TRUE(CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), BST_CHECKED);
    EXPECT_FALSE(CheckDlgButton(dialog, 4242, BST_CHECKED));
    DestroyWindow(dialog);
}

} // namespace
