#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "Platform/Win/User/Clipboard.h"
#include "Platform/Win/Win32.h"
#include "tests/support/TempDir.h"
#include "Win32/Utils/GlobalBlob.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

HWND Owner() { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x77)); }

// A blob holding `text`, all of it used.
void FillBlob(CGlobalBlob& blob, const std::string& text)
{
    ASSERT_TRUE(blob.Init(0, FALSE));
    ASSERT_TRUE(blob.Resize(static_cast<DWORD>(text.size())));
    if (!text.empty()) {
        std::memcpy(blob.Lock(), text.data(), text.size());
        blob.Unlock();
    }
}

std::string BlobText(CGlobalBlob& blob)
{
    if (!blob.GetHandle())
        return {};
    std::string text(static_cast<const char*>(blob.Lock()), blob.GetSize());
    blob.Unlock();
    return text;
}

// Puts `bytes` on the clipboard under `format` as a foreign program would.
void PutRawOnClipboard(UINT format, const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    ASSERT_NE(block, nullptr);
    if (!bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    ASSERT_TRUE(OpenClipboard(Owner()));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_EQ(SetClipboardData(format, block), block);
    ASSERT_TRUE(CloseClipboard());
}

std::string RawFromClipboard(UINT format)
{
    std::string bytes;
    if (!OpenClipboard(Owner()))
        return bytes;
    if (HGLOBAL block = GetClipboardData(format)) {
        bytes.assign(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

std::string LengthPrefixed(DWORD length, const std::string& text)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(length >> (8 * i));
    return bytes + text;
}

TEST(GlobalBlob, BlocksFromTwoThousandBytesOnGetSlack)
{
    struct Case {
        DWORD size;
        SIZE_T allocated;
    } const cases[] = {{1, 1}, {1999, 1999}, {2000, 3000}, {5000, 6000}};
    for (const Case& c : cases) {
        CGlobalBlob blob;
        ASSERT_TRUE(blob.Init(c.size, FALSE));
        EXPECT_EQ(GlobalSize(blob.GetHandle()), c.allocated) << c.size;
        EXPECT_EQ(blob.GetSize(), c.size);
        EXPECT_EQ(blob.GetUsed(), 0u);
    }
    CGlobalBlob empty;
    EXPECT_TRUE(empty.Init(0, FALSE));
    EXPECT_EQ(empty.GetHandle(), nullptr);
    EXPECT_EQ(empty.Lock(), nullptr);
}

TEST(GlobalBlob, ZeroFlagClearsTheBlock)
{
    CGlobalBlob blob;
    ASSERT_TRUE(blob.Init(64, TRUE));
    const BYTE* bytes = static_cast<const BYTE*>(blob.Lock());
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(bytes[i], 0);
    blob.Unlock();
}

TEST(GlobalBlob, LockCountsAndFreeUnlocksFully)
{
    CGlobalBlob blob;
    ASSERT_TRUE(blob.Init(16, FALSE));
    HGLOBAL handle = blob.GetHandle();
    void* first = blob.Lock();
    EXPECT_EQ(blob.Lock(), first);
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 2u);
    blob.Unlock();
    EXPECT_EQ(blob.GetLocked(), first) << "still locked once";
    blob.Unlock();
    EXPECT_EQ(blob.GetLocked(), nullptr);
    blob.Lock();
    blob.Lock();
    blob.Free();
    EXPECT_EQ(GlobalFlags(handle), GMEM_INVALID_HANDLE);
    EXPECT_EQ(blob.GetHandle(), nullptr);
    EXPECT_EQ(blob.GetSize(), 0u);
}

TEST(GlobalBlob, ResizeKeepsTheBytesAndClampsTheUsedCount)
{
    TempDir dir;
    CGlobalBlob blob;
    ASSERT_TRUE(blob.ReadFile(dir.Write("digits.txt", "0123456789").c_str()));
    EXPECT_EQ(blob.GetUsed(), 10u);
    ASSERT_TRUE(blob.Resize(4000));
    EXPECT_EQ(GlobalSize(blob.GetHandle()), 5000u);
    EXPECT_EQ(BlobText(blob).substr(0, 10), "0123456789");
    EXPECT_EQ(blob.GetUsed(), 10u);
    ASSERT_TRUE(blob.Resize(4));
    EXPECT_EQ(BlobText(blob), "0123");
    EXPECT_EQ(blob.GetUsed(), 4u);
    ASSERT_TRUE(blob.Resize(0));
    EXPECT_EQ(blob.GetHandle(), nullptr);
    EXPECT_EQ(blob.GetSize(), 0u);
    EXPECT_EQ(blob.GetUsed(), 0u);
}

TEST(GlobalBlob, FilesRoundTrip)
{
    TempDir dir;
    std::string text = "line one\r\nline two\r\n";
    std::string path = dir.Write("in.txt", text);
    CGlobalBlob blob;
    ASSERT_TRUE(blob.ReadFile(path.c_str()));
    EXPECT_EQ(blob.GetSize(), text.size());
    EXPECT_EQ(blob.GetUsed(), text.size());
    EXPECT_EQ(BlobText(blob), text);
    ASSERT_TRUE(blob.WriteFile(dir.File("out.txt").c_str()));
    EXPECT_EQ(ReadFile(dir.File("out.txt")), text);

    CGlobalBlob empty;
    ASSERT_TRUE(empty.ReadFile(dir.Write("empty.txt", "").c_str()));
    EXPECT_EQ(empty.GetHandle(), nullptr);
    EXPECT_TRUE(empty.WriteFile(dir.File("empty-out.txt").c_str()));
    EXPECT_EQ(ReadFile(dir.File("empty-out.txt")), "");
}

TEST(GlobalBlob, FileFailuresAreReported)
{
    TempDir dir;
    CGlobalBlob blob;
    EXPECT_FALSE(blob.ReadFile(dir.File("missing.txt").c_str()));
    EXPECT_FALSE(blob.ReadFile(nullptr));
    FillBlob(blob, "abc");
    EXPECT_FALSE(blob.WriteFile(dir.File("no/such/folder/out.txt").c_str()));
    EXPECT_FALSE(blob.WriteFile(dir.Path().c_str())) << "a folder is no file";
}

TEST(GlobalBlob, PutOnClipboardWritesTheLengthBeforeTheBytesAndEmptiesTheBlob)
{
    CGlobalBlob blob;
    FillBlob(blob, "[S]\r\nA=1\r\n");
    ASSERT_TRUE(blob.PutOnClipboard(Owner(), CF_DSPTEXT));
    EXPECT_EQ(blob.GetHandle(), nullptr);
    EXPECT_EQ(blob.GetSize(), 0u);
    EXPECT_EQ(RawFromClipboard(CF_DSPTEXT), LengthPrefixed(10, "[S]\r\nA=1\r\n"));
    EXPECT_EQ(GetClipboardOwner(), Owner());

    CGlobalBlob back;
    ASSERT_TRUE(back.GetFromClipboard(Owner(), CF_DSPTEXT));
    EXPECT_EQ(back.GetUsed(), 10u);
    EXPECT_EQ(BlobText(back), "[S]\r\nA=1\r\n");
}

TEST(GlobalBlob, ShortOrForeignClipboardBlocksAreRejected)
{
    struct Case {
        const char* what;
        std::string bytes;
    } const cases[] = {
        {"length beyond the block", LengthPrefixed(100, "only ten b")},
        {"length one beyond the block", LengthPrefixed(5, "four")},
        {"block shorter than the length field", std::string("\x02\x00", 2)},
        {"empty block", ""},
        {"text without a length", "Hello, clipboard"},
    };
    for (const Case& c : cases) {
        PutRawOnClipboard(CF_DSPTEXT, c.bytes);
        CGlobalBlob blob;
        EXPECT_FALSE(blob.GetFromClipboard(Owner(), CF_DSPTEXT)) << c.what;
        EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << c.what << ": the clipboard was closed";
    }
    PutRawOnClipboard(CF_DSPTEXT, LengthPrefixed(4, "four and more"));
    CGlobalBlob longer;
    EXPECT_TRUE(longer.GetFromClipboard(Owner(), CF_DSPTEXT)) << "a block may hold more than its length";
    EXPECT_EQ(BlobText(longer), "four");
}

TEST(GlobalBlob, MissingFormatOrBusyClipboardFails)
{
    PutRawOnClipboard(CF_TEXT, "plain text");
    CGlobalBlob blob;
    EXPECT_FALSE(blob.GetFromClipboard(Owner(), CF_DSPTEXT));
    bool busy = false;
    ASSERT_TRUE(OpenClipboard(Owner()));
    std::thread([&] { busy = !blob.GetFromClipboard(Owner(), CF_TEXT); }).join();
    CloseClipboard();
    EXPECT_TRUE(busy);
}

} // namespace
