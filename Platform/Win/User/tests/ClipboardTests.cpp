#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/Clipboard.h"

namespace {

HWND Window(UINT_PTR value) { return reinterpret_cast<HWND>(value); }

// A moveable block holding `text` (without a terminator).
HGLOBAL BlockWith(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size());
    if (block && !text.empty()) {
        std::memcpy(GlobalLock(block), text.data(), text.size());
        GlobalUnlock(block);
    }
    return block;
}

std::string TextOf(HGLOBAL block)
{
    auto* bytes = static_cast<const char*>(GlobalLock(block));
    std::string text = bytes ? std::string(bytes, GlobalSize(block)) : std::string();
    GlobalUnlock(block);
    return text;
}

// Each test starts from an empty, closed clipboard.
class ClipboardTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenClipboard(Window(1)));
        ASSERT_TRUE(EmptyClipboard());
        ASSERT_TRUE(CloseClipboard());
    }
};

TEST_F(ClipboardTest, FormatsHaveTheirWindowsNumbers)
{
    EXPECT_EQ(CF_TEXT, 1u);
    EXPECT_EQ(CF_DIB, 8u);
    EXPECT_EQ(CF_UNICODETEXT, 13u);
    EXPECT_EQ(CF_DSPTEXT, 129u);
    EXPECT_EQ(CF_PRIVATEFIRST, 0x200u);
}

TEST_F(ClipboardTest, DataPlacedIsReadBackUnderItsFormat)
{
    HGLOBAL block = BlockWith("profile text");
    ASSERT_TRUE(OpenClipboard(Window(7)));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_DSPTEXT, block), block);
    ASSERT_TRUE(CloseClipboard());

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DSPTEXT)) << "needs no open clipboard";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(GetClipboardOwner(), Window(7));
    ASSERT_TRUE(OpenClipboard(Window(9)));
    HANDLE data = GetClipboardData(CF_DSPTEXT);
    EXPECT_EQ(data, block);
    EXPECT_EQ(TextOf(data), "profile text");
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardOwner(), Window(7)) << "opening does not change the owner";
}

TEST_F(ClipboardTest, CallsOnAClosedClipboardFail)
{
    HGLOBAL block = BlockWith("x");
    SetLastError(0);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    EXPECT_EQ(GlobalFree(block), nullptr) << "a refused block stays the caller's";
}

TEST_F(ClipboardTest, AnotherThreadCannotOpenItWhileItIsOpen)
{
    ASSERT_TRUE(OpenClipboard(Window(1)));
    EXPECT_TRUE(OpenClipboard(Window(2))) << "the opener may open again";
    EXPECT_EQ(GetOpenClipboardWindow(), Window(2));
    BOOL opened = TRUE;
    DWORD error = 0;
    std::thread([&] {
        opened = OpenClipboard(Window(3));
        error = GetLastError();
    }).join();
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    std::thread([&] {
        opened = OpenClipboard(Window(3));
        if (opened)
            CloseClipboard();
    }).join();
    EXPECT_TRUE(opened);
}

TEST_F(ClipboardTest, TheClipboardFreesTheBlocksItOwns)
{
    HGLOBAL first = BlockWith("first");
    HGLOBAL second = BlockWith("second");
    ASSERT_TRUE(OpenClipboard(Window(1)));
    ASSERT_TRUE(EmptyClipboard());
    SetClipboardData(CF_DSPTEXT, first);
    SetClipboardData(CF_DSPTEXT, second);
    EXPECT_EQ(GlobalFlags(first), GMEM_INVALID_HANDLE) << "replaced data is freed";
    EXPECT_EQ(GetClipboardData(CF_DSPTEXT), second);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(GlobalFlags(second), GMEM_INVALID_HANDLE) << "emptying frees the data";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DSPTEXT));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, FormatsAreCountedAndEnumeratedInTheOrderTheyWereSet)
{
    ASSERT_TRUE(OpenClipboard(Window(1)));
    ASSERT_TRUE(EmptyClipboard());
    for (UINT format : {CF_DSPTEXT, CF_TEXT, CF_DIB})
        SetClipboardData(format, BlockWith("x"));
    EXPECT_EQ(CountClipboardFormats(), 3);
    UINT format = 0;
    std::vector<UINT> seen;
    while ((format = EnumClipboardFormats(format)) != 0)
        seen.push_back(format);
    EXPECT_EQ(seen, (std::vector<UINT>{CF_DSPTEXT, CF_TEXT, CF_DIB}));
    HGLOBAL refused = BlockWith("x");
    EXPECT_EQ(SetClipboardData(0, refused), nullptr) << "format 0 is refused";
    GlobalFree(refused);
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, RegisteredFormatsAreSharedByName)
{
    UINT format = RegisterClipboardFormatA("Kestrelon Storyboard Items");
    EXPECT_GE(format, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("KESTRELON STORYBOARD ITEMS"), format);
    EXPECT_NE(RegisterClipboardFormatA("Another"), format);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    char name[64];
    EXPECT_EQ(GetClipboardFormatNameA(format, name, sizeof name), 26);
    EXPECT_STREQ(name, "Kestrelon Storyboard Items");
    EXPECT_EQ(GetClipboardFormatNameA(CF_TEXT, name, sizeof name), 0);
}

} // namespace
