#include <gtest/gtest.h>

#include <string>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"
#include "Platform/Win/User/Caret.h"

namespace {

using namespace controls_test;

class EditControl : public ControlsTest {
protected:
    HWND Make(DWORD style, RECT r = RECT{10, 10, 210, 34})
    {
        m_parent = MakeTopLevel(RECT{100, 100, 500, 400}, WS_POPUP | WS_VISIBLE);
        HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, m_parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(7)),
                                    nullptr, nullptr);
        EXPECT_NE(edit, nullptr);
        SetFocus(edit);
        PumpUntilIdle();
        ClearLog();
        return edit;
    }
    // The notification codes the parent got from the edit, in order.
    std::vector<WORD> Notifications()
    {
        std::vector<WORD> codes;
        for (const Received& r : ReceivedOf(WM_COMMAND))
            if (r.window == m_parent && LOWORD(r.wParam) == 7)
                codes.push_back(HIWORD(r.wParam));
        return codes;
    }
    static void Type(HWND edit, const std::string& bytes)
    {
        for (unsigned char c : bytes)
            SendMessageA(edit, WM_CHAR, c, 1);
    }
    static std::pair<DWORD, DWORD> Selection(HWND edit)
    {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    HWND m_parent = nullptr;
};

TEST_F(EditControl, MessagesChangeTheTextAndNotifyTheParent)
{
    struct Step {
        const char* what;
        std::function<void(HWND)> act;
        std::string text;
        std::vector<WORD> notifications;
    };
    const std::vector<Step> steps = {
        {"set text", [](HWND e) { SetWindowTextA(e, "hello"); }, "hello", {EN_UPDATE, EN_CHANGE}},
        {"typing at the caret", [](HWND e) { SendMessageA(e, EM_SETSEL, 5, 5); Type(e, "!"); }, "hello!",
         {EN_UPDATE, EN_CHANGE}},
        {"replacing a selection", [](HWND e) {
             SendMessageA(e, EM_SETSEL, 1, 3);
             SendMessageA(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("EY"));
         }, "hEYlo!", {EN_UPDATE, EN_CHANGE}},
        {"backspace", [](HWND e) { Type(e, "\b"); }, "hElo!", {EN_UPDATE, EN_CHANGE}},
        {"limit cuts typing", [](HWND e) {
             SendMessageA(e, EM_LIMITTEXT, 6, 0);
             SendMessageA(e, EM_SETSEL, 5, 5);
             Type(e, "abc");
         }, "hElo!a", {EN_UPDATE, EN_CHANGE, EN_MAXTEXT, EN_MAXTEXT}},
        {"a replacement past the limit is cut", [](HWND e) {
             SendMessageA(e, EM_SETSEL, 0, -1);
             SendMessageA(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("12345678"));
         }, "123456", {EN_UPDATE, EN_CHANGE, EN_MAXTEXT}},
        {"read-only refuses typing", [](HWND e) {
             SendMessageA(e, EM_SETREADONLY, TRUE, 0);
             SendMessageA(e, EM_SETSEL, 0, 0);
             Type(e, "x");
         }, "123456", {}},
    };
    HWND edit = Make(ES_AUTOHSCROLL);
    for (const Step& step : steps) {
        ClearLog();
        step.act(edit);
        EXPECT_EQ(WindowText(edit), step.text) << step.what;
        EXPECT_EQ(Notifications(), step.notifications) << step.what;
    }
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY);
}

TEST_F(EditControl, SelectionIsClampedAndReported)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    SetWindowTextA(edit, "abcdef");
    SendMessageA(edit, EM_SETSEL, 2, 4);
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{2, 4}));
    EXPECT_EQ(SendMessageA(edit, EM_GETSEL, 0, 0), MAKELONG(2, 4));
    SendMessageA(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{0, 6}));
    SendMessageA(edit, EM_SETSEL, 3, 100);
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{3, 6}));
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{6, 6})) << "-1 drops the selection";
}

TEST_F(EditControl, KeysMoveAndSelectByWholeCharacters)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    SetWindowTextA(edit, "a\xC3\xA9z"); // a, e acute, z
    SendMessageA(edit, EM_SETSEL, 4, 4);
    Key(VK_LEFT);
    PumpUntilIdle();
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{3, 3}));
    Key(VK_LEFT);
    PumpUntilIdle();
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{1, 1})) << "over the two bytes of e acute";
    KeyWith(VK_SHIFT, VK_END);
    PumpUntilIdle();
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{1, 4}));
    Key(VK_DELETE);
    PumpUntilIdle();
    EXPECT_EQ(WindowText(edit), "a");
    SendMessageA(edit, EM_SETSEL, 1, 1);
    Type(edit, "\xC3\xBC\b");
    EXPECT_EQ(WindowText(edit), "a") << "backspace takes the whole character";
    SendMessageA(edit, EM_SETSEL, 1, 2);
    EXPECT_EQ(Selection(edit), (std::pair<DWORD, DWORD>{1, 1}));
}

TEST_F(EditControl, TypedTextArrivesAsBytesAndBecomesCharacters)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    win::user::InjectText("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    PumpUntilIdle();
    EXPECT_EQ(WindowText(edit), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    SetWindowTextA(edit, "");
    Type(edit, "\xC3" "a\x80" "b");
    EXPECT_EQ(WindowText(edit), "\xEF\xBF\xBD" "a\xEF\xBF\xBD" "b") << "bytes that make no character show U+FFFD";
}

TEST_F(EditControl, ClipboardCopyCutAndPaste)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    SetWindowTextA(edit, "copy me");
    SendMessageA(edit, EM_SETSEL, 0, 4);
    SendMessageA(edit, WM_CUT, 0, 0);
    EXPECT_EQ(WindowText(edit), " me");
    SendMessageA(edit, EM_SETSEL, 3, 3);
    SendMessageA(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(edit), " mecopy");
    SendMessageA(edit, EM_SETSEL, 0, -1);
    Type(edit, "\x03"); // Ctrl+C
    SetWindowTextA(edit, "");
    Type(edit, "\x16"); // Ctrl+V
    EXPECT_EQ(WindowText(edit), " mecopy");
}

TEST_F(EditControl, APasswordEditShowsStarsAndCopiesNothing)
{
    HWND edit = Make(ES_AUTOHSCROLL | ES_PASSWORD);
    EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
    SetWindowTextA(edit, "secret");
    SendMessageA(edit, EM_SETSEL, 0, -1);
    OpenClipboard(m_parent);
    EmptyClipboard();
    CloseClipboard();
    SendMessageA(edit, WM_COPY, 0, 0);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(EditControl, UndoSwapsWithTheLastChange)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    EXPECT_FALSE(SendMessageA(edit, EM_CANUNDO, 0, 0));
    Type(edit, "abc");
    EXPECT_TRUE(SendMessageA(edit, EM_CANUNDO, 0, 0));
    SendMessageA(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(WindowText(edit), "") << "typing in one go undoes at once";
    SendMessageA(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(WindowText(edit), "abc") << "undoing the undo brings it back";
    Type(edit, "\x1A"); // Ctrl+Z
    EXPECT_EQ(WindowText(edit), "");
    SendMessageA(edit, EM_EMPTYUNDOBUFFER, 0, 0);
    EXPECT_FALSE(SendMessageA(edit, EM_CANUNDO, 0, 0));
}

TEST_F(EditControl, AnEditThatDoesNotScrollTakesOnlyWhatShows)
{
    HWND edit = Make(0, RECT{10, 10, 60, 34});
    Type(edit, std::string(40, 'W'));
    const std::string shown = WindowText(edit);
    EXPECT_GT(shown.size(), 0u);
    EXPECT_LT(shown.size(), 40u);
    EXPECT_FALSE(Notifications().empty());
    EXPECT_EQ(Notifications().back(), EN_MAXTEXT);
}

TEST_F(EditControl, AMultiLineEditWrapsCountsAndScrollsItsLines)
{
    HWND edit = Make(ES_MULTILINE | WS_VSCROLL | ES_WANTRETURN, RECT{10, 10, 130, 80});
    SetWindowTextA(edit, "one\r\ntwo\r\nthree");
    EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(edit, EM_LINEINDEX, 2, 0), 10);
    EXPECT_EQ(SendMessageA(edit, EM_LINELENGTH, 10, 0), 5);
    EXPECT_EQ(SendMessageA(edit, EM_LINEFROMCHAR, 6, 0), 1);
    char line[16] = {};
    *reinterpret_cast<WORD*>(line) = sizeof line - 1;
    EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 3);
    EXPECT_STREQ(line, "two");
    SetWindowTextA(edit, "a long line of several words that cannot fit on one line of this narrow edit");
    const LRESULT wrapped = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(wrapped, 2);
    SendMessageA(edit, EM_LINESCROLL, 0, 2);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 2);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SetWindowTextA(edit, "x");
    Type(edit, "");
    SendMessageA(edit, EM_SETSEL, 1, 1);
    Type(edit, "\ry");
    EXPECT_EQ(WindowText(edit), "x\r\ny");
}

TEST_F(EditControl, AMultiLineEditTakesItsWholeLimit)
{
    HWND edit = Make(ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL, RECT{10, 10, 200, 120});
    SendMessageA(edit, EM_LIMITTEXT, 3998, 0);
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    EXPECT_EQ(GetWindowTextLengthA(edit), 3998);
    EXPECT_EQ(Notifications().back(), EN_MAXTEXT);
}

TEST_F(EditControl, FocusChangesAreNotifiedAndShowTheCaret)
{
    HWND edit = Make(ES_AUTOHSCROLL);
    SetFocus(m_parent);
    SetFocus(edit);
    EXPECT_EQ(Notifications(), (std::vector<WORD>{EN_KILLFOCUS, EN_SETFOCUS}));
    POINT caret{-1, -1};
    EXPECT_TRUE(GetCaretPos(&caret));
    EXPECT_GE(caret.x, 0);
}

} // namespace
