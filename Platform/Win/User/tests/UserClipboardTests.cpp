#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/tests/UserTestSupport.h"
#include "Platform/Win/User/Clipboard.h"

namespace {

using namespace user_test;

// Stands in for the desktop's clipboard of the sdl back end.
class DesktopClipboard : public win::user::DesktopHost {
public:
    void DesktopChanged() override {}
    bool SetClipboardText(const std::string& text) override
    {
        m_text = text;
        ++m_sets;
        return true;
    }
    bool GetClipboardText(std::string* text) override
    {
        *text = m_text;
        return true;
    }

    std::string m_text;
    int m_sets = 0;
};

HGLOBAL TextBlock(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    return block;
}

std::string ClipboardText()
{
    if (!OpenClipboard(nullptr))
        return "<not open>";
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string text = data ? static_cast<const char*>(GlobalLock(data)) : "<none>";
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
    return text;
}

class UserClipboard : public UserTest {
protected:
    void TearDown() override
    {
        win::user::SetDesktopHost(nullptr);
        UserTest::TearDown();
    }
};

TEST_F(UserClipboard, EmptyingTellsThePreviousOwnerAndAGoneOwnerLeavesNone)
{
    HWND first = MakeTopLevel(RECT{0, 0, 10, 10});
    HWND second = MakeTopLevel(RECT{0, 0, 10, 10});
    ASSERT_TRUE(OpenClipboard(first));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardOwner(), first);
    ClearLog();
    ASSERT_TRUE(OpenClipboard(second));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(MessagesOf(first, {WM_DESTROYCLIPBOARD}).size(), 1u);
    EXPECT_TRUE(MessagesOf(second, {WM_DESTROYCLIPBOARD}).empty());
    EXPECT_EQ(GetClipboardOwner(), second);
    DestroyWindow(second);
    EXPECT_EQ(GetClipboardOwner(), nullptr);
}

TEST_F(UserClipboard, TextIsSharedWithTheDesktopInItsLineEnds)
{
    DesktopClipboard desktop;
    win::user::SetDesktopHost(&desktop);
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    ASSERT_TRUE(OpenClipboard(w));
    ASSERT_TRUE(EmptyClipboard());
    SetClipboardData(CF_TEXT, TextBlock("one\r\ntwo"));
    EXPECT_EQ(desktop.m_sets, 0) << "shared when closed";
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(desktop.m_text, "one\ntwo");
    EXPECT_EQ(ClipboardText(), "one\r\ntwo") << "our own text read back unchanged";
    EXPECT_EQ(GetClipboardOwner(), w);

    ClearLog();
    desktop.m_text = "from\nelsewhere";
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(ClipboardText(), "from\r\nelsewhere");
    EXPECT_EQ(GetClipboardOwner(), nullptr) << "another program owns it now";
    EXPECT_EQ(MessagesOf(w, {WM_DESTROYCLIPBOARD}).size(), 1u);
    EXPECT_EQ(desktop.m_sets, 1) << "reading shares nothing back";
}

} // namespace
