#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "Platform/Win/Kernel/Errors.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Time.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::TempDir;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes the handle when the test leaves its scope.
class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    void close()
    {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

// Changes the current directory for the life of the object.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& path)
    {
        char old[4096];
        GetCurrentDirectoryA(sizeof old, old);
        m_old = old;
        SetCurrentDirectoryA(path.c_str());
    }
    ~ScopedCurrentDirectory() { SetCurrentDirectoryA(m_old.c_str()); }

private:
    std::string m_old;
};

std::string LastName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

HANDLE OpenedFile(const std::string& path, DWORD access, DWORD share, DWORD creation = OPEN_ALWAYS, DWORD flags = 0)
{
    return CreateFileA(path.c_str(), access, share, nullptr, creation, flags, nullptr);
}

std::string ReadAll(HANDLE file)
{
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    std::string text(64, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    text.resize(read);
    return text;
}

void WriteText(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    ASSERT_EQ(written, text.size());
}

// Every name a search for `pattern` reports, in order; empty when the
// search failed, with its error in `error`.
std::vector<std::string> FoundNames(const std::string& pattern, DWORD* error = nullptr)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (error)
        *error = GetLastError();
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// A folder with files of mixed case and extensions and one sub-folder.
void FillSearchFolder(const TempDir& dir)
{
    dir.Write("Alpha.TXT", "a");
    dir.Write("beta.txt", "bb");
    dir.Write("gamma.doc", "ccc");
    dir.Write("noext", "");
    CreateDirectoryA(dir.File("Sub").c_str(), nullptr);
}

TEST(Files, ShareModesBetweenHandles)
{
    struct Case {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool allowed;
    };
    constexpr DWORD R = FILE_SHARE_READ, W = FILE_SHARE_WRITE, D = FILE_SHARE_DELETE;
    const Case cases[] = {
        {GENERIC_READ, R, GENERIC_READ, R, true},
        {GENERIC_READ, R, GENERIC_WRITE, R | W, false},      // the first does not share writing
        {GENERIC_READ, R | W, GENERIC_WRITE, R | W, true},
        {GENERIC_WRITE, R | W, GENERIC_READ, R, false},      // the second does not share the first's writing
        {GENERIC_WRITE, R, GENERIC_READ, R | W, true},
        {GENERIC_WRITE, R, GENERIC_WRITE, R | W, false},
        {kReadWrite, 0, GENERIC_READ, R | W | D, false},
        {kReadWrite, R | W, kReadWrite, R | W, true},
        {0, 0, kReadWrite, 0, true},                         // attribute-only handles take no part
        {kReadWrite, 0, 0, 0, true},
        {GENERIC_READ, R, DELETE, R | W | D, false},
        {GENERIC_READ, R | D, DELETE, R | W | D, true},
        {DELETE, R | W | D, GENERIC_READ, R | W, false},
    };
    TempDir dir;
    std::string path = dir.Write("shared", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.firstAccess << "/" << c.firstShare << " then "
                                        << c.secondAccess << "/" << c.secondShare);
        Handle first(OpenedFile(path, c.firstAccess, c.firstShare, OPEN_EXISTING));
        ASSERT_TRUE(first.valid());
        Handle second(OpenedFile(path, c.secondAccess, c.secondShare, OPEN_EXISTING));
        EXPECT_EQ(second.valid(), c.allowed);
        if (!c.allowed) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
    }
}

TEST(Files, ClosingAHandleReleasesItsShareMode)
{
    TempDir dir;
    std::string path = dir.Write("exclusive", "x");
    Handle first(OpenedFile(path, kReadWrite, 0, OPEN_EXISTING));
    ASSERT_TRUE(first.valid());
    EXPECT_FALSE(Handle(OpenedFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING)).valid());
    first.close();
    EXPECT_TRUE(Handle(OpenedFile(path, GENERIC_READ, 0, OPEN_EXISTING)).valid());
}

TEST(Files, CreationDispositions)
{
    struct Case {
        DWORD creation;
        bool exists;
        bool opens;
        DWORD error;
        DWORD sizeAfter;
    };
    const Case cases[] = {
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, 5},
        {CREATE_NEW, false, true, ERROR_SUCCESS, 0},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 0},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, 0},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, 5},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 5},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, 0},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, 0},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << c.creation << (c.exists ? " on a file" : " on nothing"));
        TempDir dir;
        std::string path = c.exists ? dir.Write("file", "12345") : dir.File("file");
        SetLastError(12345);
        Handle file(OpenedFile(path, kReadWrite, 0, c.creation));
        EXPECT_EQ(GetLastError(), c.error);
        ASSERT_EQ(file.valid(), c.opens);
        if (file.valid()) {
            EXPECT_EQ(GetFileSize(file.get(), nullptr), c.sizeAfter);
        }
        EXPECT_EQ(win::PathExists(path.c_str()), c.exists || c.opens);
    }
}

TEST(Files, CreateFileErrors)
{
    TempDir dir;
    std::string existing = dir.Write("file", "x");
    struct Case {
        std::string path;
        DWORD access;
        DWORD creation;
        DWORD error;
    };
    const Case cases[] = {
        {dir.File("missing/file"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {dir.File("missing/file"), kReadWrite, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {existing + "/below", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {dir.Path(), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {dir.Path(), kReadWrite, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
        {existing, GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {existing, GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {existing, GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
        {"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " disposition " + std::to_string(c.creation));
        EXPECT_EQ(OpenedFile(c.path, c.access, 0, c.creation), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Files, ReadsStopAtEndOfFile)
{
    TempDir dir;
    Handle file(OpenedFile(dir.File("text"), kReadWrite, 0, CREATE_NEW));
    ASSERT_TRUE(file.valid());
    WriteText(file.get(), "hello world");

    EXPECT_EQ(SetFilePointer(file.get(), 6, nullptr, FILE_BEGIN), 6u);
    char buffer[32] = {};
    DWORD read = 99;
    ASSERT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 5u);
    EXPECT_EQ(std::string(buffer, read), "world");
    ASSERT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u) << "reading at the end succeeds with no bytes";

    OVERLAPPED at{};
    at.Offset = 4;
    ASSERT_TRUE(ReadFile(file.get(), buffer, 3, &read, &at));
    EXPECT_EQ(std::string(buffer, read), "o w");
    EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 7u) << "an offset read moves the pointer";
}

TEST(Files, HandlesEnforceTheirAccess)
{
    TempDir dir;
    std::string path = dir.Write("file", "data");
    char buffer[8];
    DWORD count = 0;

    Handle writeOnly(OpenedFile(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING));
    EXPECT_FALSE(ReadFile(writeOnly.get(), buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    Handle readOnly(OpenedFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
    EXPECT_FALSE(WriteFile(readOnly.get(), "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(readOnly.get()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(testing_support::ReadFile(path), "data");
}

TEST(Files, InvalidHandlesAreRejected)
{
    TempDir dir;
    HANDLE closed = OpenedFile(dir.File("file"), kReadWrite, 0);
    ASSERT_TRUE(CloseHandle(closed));
    WIN32_FIND_DATAA data{};
    Handle search(FindFirstFileA(dir.File("*").c_str(), &data));
    ASSERT_TRUE(search.valid());

    char buffer[4];
    DWORD count = 0;
    for (HANDLE handle : {closed, INVALID_HANDLE_VALUE, HANDLE(nullptr), search.get()}) {
        SetLastError(0);
        EXPECT_FALSE(ReadFile(handle, buffer, sizeof buffer, &count, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetFileSize(handle, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetFileType(handle), FILE_TYPE_UNKNOWN);
    }
}

TEST(Files, SeeksPastFourGigabytesWithTheHighPart)
{
    TempDir dir;
    Handle file(OpenedFile(dir.File("sparse"), kReadWrite, 0, CREATE_NEW));
    ASSERT_TRUE(file.valid());
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file.get(), 0x40000000, &high, FILE_BEGIN), 0x40000000u);
    EXPECT_EQ(high, 1);
    WriteText(file.get(), "z");

    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file.get(), &sizeHigh), 0x40000001u);
    EXPECT_EQ(sizeHigh, 1u);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(file.get(), &size));
    EXPECT_EQ(size.QuadPart, 0x140000001ll);

    high = -1;
    EXPECT_EQ(SetFilePointer(file.get(), -2, &high, FILE_END), 0x3FFFFFFFu);
    EXPECT_EQ(high, 1);
    LARGE_INTEGER move{};
    LARGE_INTEGER position{};
    move.QuadPart = 1;
    ASSERT_TRUE(SetFilePointerEx(file.get(), move, &position, FILE_CURRENT));
    EXPECT_EQ(position.QuadPart, 0x140000000ll);
    char byte = 0;
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.get(), &byte, 1, &read, nullptr));
    EXPECT_EQ(byte, 'z');
}

TEST(Files, SeekErrors)
{
    TempDir dir;
    Handle file(OpenedFile(dir.File("file"), kReadWrite, 0, CREATE_NEW));
    WriteText(file.get(), "0123456789");

    EXPECT_EQ(SetFilePointer(file.get(), -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 10u) << "a failed seek leaves the pointer";

    EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, 3), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A position whose low part is all ones is told apart by the last error.
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(file.get(), -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(high, 0);

    EXPECT_EQ(SetFilePointer(file.get(), 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "past 4 GiB needs the high part";
    high = 0;
    EXPECT_EQ(SetFilePointer(file.get(), 0, &high, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "and the refused seek did not move";
}

TEST(Files, SetEndOfFileTruncatesAndExtends)
{
    TempDir dir;
    Handle file(OpenedFile(dir.File("file"), kReadWrite, 0, CREATE_NEW));
    WriteText(file.get(), "0123456789");
    SetFilePointer(file.get(), 4, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file.get()));
    EXPECT_EQ(ReadAll(file.get()), "0123");
    SetFilePointer(file.get(), 6, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file.get()));
    EXPECT_EQ(ReadAll(file.get()), std::string("0123\0\0", 6));
    EXPECT_TRUE(FlushFileBuffers(file.get()));
    EXPECT_EQ(GetFileType(file.get()), FILE_TYPE_DISK);
}

TEST(Files, FileTimesRoundTrip)
{
    TempDir dir;
    Handle file(OpenedFile(dir.File("file"), kReadWrite, 0, CREATE_NEW));
    FILETIME written = win::FileTimeFromUnix(1000000000, 123456700);
    FILETIME accessed = win::FileTimeFromUnix(1100000000);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, &accessed, &written));
    FILETIME access{}, write{};
    ASSERT_TRUE(GetFileTime(file.get(), nullptr, &access, &write));
    EXPECT_EQ(CompareFileTime(&write, &written), 0);
    EXPECT_EQ(CompareFileTime(&access, &accessed), 0);

    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, nullptr)) << "null times change nothing";
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(dir.File("file").c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(CompareFileTime(&info.ftLastWriteTime, &written), 0);
}

TEST(Files, LocksExcludeOtherHandles)
{
    TempDir dir;
    std::string path = dir.Write("file", "0123456789");
    Handle owner(OpenedFile(path, kReadWrite, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    Handle other(OpenedFile(path, kReadWrite, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    ASSERT_TRUE(LockFile(owner.get(), 2, 0, 4, 0));

    EXPECT_FALSE(LockFile(other.get(), 5, 0, 10, 0));
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    EXPECT_FALSE(LockFile(owner.get(), 0, 0, 3, 0)) << "locks never overlap, even for their owner";
    char buffer[4];
    DWORD count = 0;
    EXPECT_FALSE(ReadFile(other.get(), buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    EXPECT_TRUE(ReadFile(owner.get(), buffer, sizeof buffer, &count, nullptr));
    EXPECT_TRUE(LockFile(other.get(), 6, 0, 4, 0)) << "adjacent ranges do not overlap";

    EXPECT_FALSE(UnlockFile(owner.get(), 2, 0, 3, 0)) << "unlocking needs the exact range";
    EXPECT_FALSE(UnlockFile(other.get(), 2, 0, 4, 0)) << "only the owner unlocks";
    EXPECT_TRUE(UnlockFile(owner.get(), 2, 0, 4, 0));
    EXPECT_TRUE(ReadFile(other.get(), buffer, sizeof buffer, &count, nullptr));

    ASSERT_TRUE(LockFile(owner.get(), 0, 0, 1, 0));
    owner.close();
    EXPECT_TRUE(LockFile(other.get(), 0, 0, 1, 0)) << "closing a handle releases its locks";
}

TEST(Files, DeleteOnCloseRemovesTheFile)
{
    TempDir dir;
    std::string path = dir.File("scratch");
    Handle file(OpenedFile(path, kReadWrite, FILE_SHARE_READ, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE));
    ASSERT_TRUE(file.valid());
    WriteText(file.get(), "temporary");
    EXPECT_FALSE(Handle(OpenedFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING)).valid())
        << "others must share deletion";
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    file.close();
    EXPECT_FALSE(win::PathExists(path.c_str()));
}

TEST(Files, DeleteAndMoveOfAnOpenFileNeedShareDelete)
{
    TempDir dir;
    std::string path = dir.Write("open", "x");
    std::string moved = dir.File("moved");
    {
        Handle file(OpenedFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
        EXPECT_FALSE(DeleteFileA(path.c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_FALSE(MoveFileA(path.c_str(), moved.c_str()));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(win::PathExists(path.c_str()));
    }
    {
        Handle file(OpenedFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
        ASSERT_TRUE(MoveFileA(path.c_str(), moved.c_str()));
        EXPECT_TRUE(DeleteFileA(moved.c_str()));
        EXPECT_EQ(ReadAll(file.get()), "x") << "the open handle still reads the file";
    }
    EXPECT_FALSE(DeleteFileA(moved.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA(dir.File("missing/file").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA(dir.Path().c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Files, MoveFileRefusesAnExistingTarget)
{
    TempDir dir;
    std::string from = dir.Write("from", "new");
    std::string to = dir.Write("to", "old");
    EXPECT_FALSE(MoveFileA(from.c_str(), to.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(testing_support::ReadFile(to), "old");

    ASSERT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(testing_support::ReadFile(to), "new");
    EXPECT_FALSE(win::PathExists(from.c_str()));

    EXPECT_FALSE(MoveFileA(from.c_str(), dir.File("other").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MoveFileA(to.c_str(), dir.File("missing/other").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, CopyFileFailIfExistsKeepsTheTarget)
{
    TempDir dir;
    std::string from = dir.Write("from", "new");
    std::string to = dir.Write("to", "old");
    EXPECT_FALSE(CopyFileA(from.c_str(), to.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(testing_support::ReadFile(to), "old");
}

TEST(Files, CopyFileReplacesAndKeepsModeAndTime)
{
    TempDir dir;
    std::string from = dir.Write("from", "new contents");
    std::string to = dir.Write("to", "old");
    ASSERT_EQ(chmod(from.c_str(), 0640), 0);
    Handle source(OpenedFile(from, kReadWrite, FILE_SHARE_READ, OPEN_EXISTING));
    FILETIME written = win::FileTimeFromUnix(1234567890);
    ASSERT_TRUE(SetFileTime(source.get(), nullptr, nullptr, &written));
    source.close();

    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE));
    EXPECT_EQ(testing_support::ReadFile(to), "new contents");
    struct stat st {};
    ASSERT_EQ(stat(to.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(FoundNames(dir.File("*.*")), (std::vector<std::string>{".", "..", "from", "to"}))
        << "no temporary file is left behind";
}

TEST(Files, CopyFileErrors)
{
    TempDir dir;
    std::string from = dir.Write("from", "x");
    struct Case {
        std::string from, to;
        DWORD error;
    };
    const Case cases[] = {
        {dir.File("missing"), dir.File("to"), ERROR_FILE_NOT_FOUND},
        {dir.File("nofolder/missing"), dir.File("to"), ERROR_PATH_NOT_FOUND},
        {from, dir.File("nofolder/to"), ERROR_PATH_NOT_FOUND},
        {dir.Path(), dir.File("to"), ERROR_ACCESS_DENIED},
        {from, from, ERROR_SHARING_VIOLATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from + " -> " + c.to);
        EXPECT_FALSE(CopyFileA(c.from.c_str(), c.to.c_str(), FALSE));
        EXPECT_EQ(GetLastError(), c.error);
    }
    Handle exclusive(OpenedFile(from, GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_FALSE(CopyFileA(from.c_str(), dir.File("to").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(FoundNames(dir.File("*")), (std::vector<std::string>{".", "..", "from"}));
}

TEST(Files, DirectoriesCreateAndRemove)
{
    TempDir dir;
    std::string folder = dir.File("folder");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA(dir.File("missing/folder").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    dir.Write("folder/file", "x");
    EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryA((folder + "/file").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    ASSERT_TRUE(DeleteFileA((folder + "/file").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
    EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Files, Attributes)
{
    TempDir dir;
    dir.Write("plain", "x");
    dir.Write(".hidden", "x");
    dir.Write("locked", "x");
    ASSERT_TRUE(SetFileAttributesA(dir.File("locked").c_str(), FILE_ATTRIBUTE_READONLY));
    struct Case {
        std::string path;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {dir.File("plain"), FILE_ATTRIBUTE_NORMAL, 0},
        {dir.File(".hidden"), FILE_ATTRIBUTE_HIDDEN, 0},
        {dir.File("locked"), FILE_ATTRIBUTE_READONLY, 0},
        {dir.Path(), FILE_ATTRIBUTE_DIRECTORY, 0},
        {dir.File("."), FILE_ATTRIBUTE_DIRECTORY, 0},
        {dir.File("missing"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {dir.File("missing/file"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), c.attributes);
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
}

TEST(Files, ReadOnlyFilesRefuseWritingAndDeleting)
{
    TempDir dir;
    std::string path = dir.Write("locked", "keep");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(Handle(OpenedFile(path, GENERIC_WRITE, 0, OPEN_EXISTING)).valid());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Handle(OpenedFile(path, GENERIC_READ, 0, OPEN_EXISTING)).valid());

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(Files, TempPath)
{
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", "/var/scratch", 1);
    char buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 13u);
    EXPECT_STREQ(buffer, "/var/scratch/");
    EXPECT_EQ(GetTempPathA(13, buffer), 14u) << "too small: the size needed with the terminator";
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
}

TEST(Files, TempFileNames)
{
    TempDir dir;
    char first[MAX_PATH];
    char second[MAX_PATH];
    UINT a = GetTempFileNameA(dir.Path().c_str(), "prefix", 0, first);
    UINT b = GetTempFileNameA(dir.Path().c_str(), "prefix", 0, second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(std::string(first), std::string(second));
    std::string name = first;
    ASSERT_EQ(name.substr(0, dir.Path().size() + 1), dir.Path() + "/");
    EXPECT_TRUE(std::regex_match(LastName(name), std::regex("pre[0-9A-F]{1,4}\\.tmp"))) << name;
    EXPECT_TRUE(win::PathExists(first));
    EXPECT_TRUE(win::PathExists(second));

    char formed[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA((dir.Path() + "/").c_str(), "ab", 0x1A2B, formed), 0x1A2Bu);
    EXPECT_EQ(std::string(formed), dir.File("ab1A2B.tmp"));
    EXPECT_FALSE(win::PathExists(formed)) << "a given number only forms the name";

    EXPECT_EQ(GetTempFileNameA(dir.File("missing").c_str(), "x", 0, formed), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, CurrentDirectoryAndFullPathNames)
{
    TempDir dir;
    ScopedCurrentDirectory inside(dir.Path());
    char current[MAX_PATH];
    ASSERT_EQ(GetCurrentDirectoryA(sizeof current, current), dir.Path().size());
    EXPECT_EQ(std::string(current), dir.Path());
    EXPECT_EQ(GetCurrentDirectoryA(3, current), dir.Path().size() + 1);
    EXPECT_FALSE(SetCurrentDirectoryA(dir.File("missing").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    struct Case {
        std::string name, full, filePart;
    };
    const Case cases[] = {
        {"clip.avi", dir.File("clip.avi"), "clip.avi"},
        {"./media/../clip.avi", dir.File("clip.avi"), "clip.avi"},
        {"media/", dir.File("media/"), ""},
        {".", dir.Path(), LastName(dir.Path())},
        {"/a//b/./c/../d", "/a/b/d", "d"},
        {"/../..", "/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[MAX_PATH];
        LPSTR filePart = nullptr;
        ASSERT_EQ(GetFullPathNameA(c.name.c_str(), sizeof buffer, buffer, &filePart), c.full.size());
        EXPECT_EQ(std::string(buffer), c.full);
        EXPECT_EQ(filePart ? std::string(filePart) : std::string(), c.filePart);
    }
    char tiny[4];
    EXPECT_EQ(GetFullPathNameA("clip.avi", sizeof tiny, tiny, nullptr), dir.File("clip.avi").size() + 1);
}

TEST(Files, DiskFreeSpace)
{
    TempDir dir;
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA(dir.Path().c_str(), &available, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(available.QuadPart, free.QuadPart);
    EXPECT_LE(free.QuadPart, total.QuadPart);

    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(dir.Path().c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                  &totalClusters));
    ULONGLONG cluster = ULONGLONG(sectorsPerCluster) * bytesPerSector;
    ASSERT_GT(cluster, 0u);
    ULONGLONG expectedClusters = std::min<ULONGLONG>(available.QuadPart / cluster, 0xFFFFFFFFu);
    // Other processes write while the test runs; allow them a little.
    EXPECT_NEAR(double(freeClusters), double(expectedClusters), double((64ull << 20) / cluster));
    EXPECT_LE(freeClusters, totalClusters);

    EXPECT_FALSE(GetDiskFreeSpaceExA(dir.File("missing").c_str(), &available, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Files, ErrorFromErrno)
{
    const std::pair<int, DWORD> cases[] = {
        {ENOENT, ERROR_FILE_NOT_FOUND},   {ENOTDIR, ERROR_PATH_NOT_FOUND},     {EACCES, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED},     {EROFS, ERROR_ACCESS_DENIED},        {EISDIR, ERROR_ACCESS_DENIED},
        {EEXIST, ERROR_FILE_EXISTS},      {ENOSPC, ERROR_DISK_FULL},           {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENFILE, ERROR_TOO_MANY_OPEN_FILES}, {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY}, {EBADF, ERROR_INVALID_HANDLE},       {EINVAL, ERROR_INVALID_PARAMETER},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY}, {EIO, ERROR_GEN_FAILURE},           {ECHILD, ERROR_GEN_FAILURE},
    };
    for (const auto& [error, code] : cases)
        EXPECT_EQ(win::ErrorFromErrno(error), code) << std::strerror(error);
}

TEST(Files, ErrorFromErrnoGivesTheCallersCodeForAnErrnoWithoutARow)
{
    EXPECT_EQ(win::ErrorFromErrno(ECHILD, ERROR_CANTWRITE), ERROR_CANTWRITE);
    EXPECT_EQ(win::ErrorFromErrno(EACCES, ERROR_CANTWRITE), ERROR_ACCESS_DENIED) << "a row wins";
}

TEST(FindFile, WildcardPatterns)
{
    TempDir dir;
    FillSearchFolder(dir);
    using Names = std::vector<std::string>;
    const Names everything = {".", "..", "Alpha.TXT", "beta.txt", "gamma.doc", "noext", "Sub"};
    const std::pair<std::string, Names> cases[] = {
        {"*.txt", {"Alpha.TXT", "beta.txt"}},
        {"*.TXT", {"Alpha.TXT", "beta.txt"}},
        {"*.*", everything},
        {"*", everything},
        {"?eta.txt", {"beta.txt"}},
        {"?????.???", {"Alpha.TXT", "gamma.doc"}},
        {"B*", {"beta.txt"}},
        {"*a*.*o*", {"gamma.doc"}},
        {"noext.*", {"noext"}},
        {"noext", {"noext"}},
        {"sub", {}},
    };
    for (const auto& [pattern, expected] : cases) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(FoundNames(dir.File(pattern)), expected);
    }
    ScopedCurrentDirectory inside(dir.Path());
    EXPECT_EQ(FoundNames("*.doc"), Names{"gamma.doc"}) << "a bare pattern searches the current folder";
}

TEST(FindFile, FailedSearches)
{
    TempDir dir;
    FillSearchFolder(dir);
    const std::pair<std::string, DWORD> cases[] = {
        {dir.File("*.xyz"), ERROR_FILE_NOT_FOUND},
        {dir.File("missing"), ERROR_FILE_NOT_FOUND},
        {dir.File("missing/*.*"), ERROR_PATH_NOT_FOUND},
        {dir.File("missing/file"), ERROR_PATH_NOT_FOUND},
        {dir.File("noext/*"), ERROR_PATH_NOT_FOUND},
        {dir.Path() + "/", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& [pattern, error] : cases) {
        SCOPED_TRACE(pattern);
        WIN32_FIND_DATAA data{};
        EXPECT_EQ(FindFirstFileA(pattern.c_str(), &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), error);
    }
}

TEST(FindFile, EndOfSearchAndClose)
{
    TempDir dir;
    dir.Write("only", "x");
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(dir.File("on*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "only");
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    Handle file(OpenedFile(dir.File("only"), GENERIC_READ, kShareAll, OPEN_EXISTING));
    EXPECT_FALSE(FindClose(file.get())) << "a file handle is no search";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(FindFile, FillsEveryField)
{
    TempDir dir;
    CreateDirectoryA(dir.File("folder").c_str(), nullptr);
    dir.Write(".dotfile", "");
    dir.Write("locked", "");
    SetFileAttributesA(dir.File("locked").c_str(), FILE_ATTRIBUTE_READONLY);
    {
        Handle big(OpenedFile(dir.File("big.bin"), kReadWrite, 0, CREATE_NEW));
        LONG high = 1;
        SetFilePointer(big.get(), 5, &high, FILE_BEGIN);
        ASSERT_TRUE(SetEndOfFile(big.get()));
        FILETIME written = win::FileTimeFromUnix(1500000000, 250000000);
        ASSERT_TRUE(SetFileTime(big.get(), nullptr, nullptr, &written));
    }

    std::vector<WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    std::memset(&data, 0xCC, sizeof data);
    HANDLE find = FindFirstFileA(dir.File("*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do
        found.push_back(data);
    while (FindNextFileA(find, &data));
    FindClose(find);
    ASSERT_EQ(found.size(), 6u);

    const WIN32_FIND_DATAA& dot = found[0];
    EXPECT_STREQ(dot.cFileName, ".");
    EXPECT_EQ(dot.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_STREQ(found[2].cFileName, ".dotfile");
    EXPECT_EQ(found[2].dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_STREQ(found[4].cFileName, "folder");
    EXPECT_EQ(found[4].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_STREQ(found[5].cFileName, "locked");
    EXPECT_EQ(found[5].dwFileAttributes, FILE_ATTRIBUTE_READONLY);

    const WIN32_FIND_DATAA& big = found[3];
    EXPECT_STREQ(big.cFileName, "big.bin");
    EXPECT_EQ(big.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(big.nFileSizeHigh, 1u);
    EXPECT_EQ(big.nFileSizeLow, 5u);
    FILETIME written = win::FileTimeFromUnix(1500000000, 250000000);
    EXPECT_EQ(CompareFileTime(&big.ftLastWriteTime, &written), 0);
    EXPECT_NE(big.ftLastAccessTime.dwHighDateTime, 0xCCCCCCCCu);
    EXPECT_NE(big.ftCreationTime.dwHighDateTime, 0xCCCCCCCCu);
    EXPECT_EQ(big.dwReserved0, 0u);
    EXPECT_EQ(big.dwReserved1, 0u);
    EXPECT_STREQ(big.cAlternateFileName, "");
}

} // namespace
