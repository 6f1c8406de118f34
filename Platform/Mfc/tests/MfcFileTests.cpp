#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"
#include "tests/support/TempDir.h"

using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

struct FileError {
    bool thrown = false;
    int cause = -1;
    LONG osError = 0;
    std::string fileName;
};

// Runs `action` and reports the CFileException it throws, if any.
FileError CatchFileError(const std::function<void()>& action)
{
    FileError error;
    try {
        action();
    } catch (CFileException* e) {
        error = {true, e->m_cause, e->m_lOsError, static_cast<LPCSTR>(e->m_strFileName)};
        e->Delete();
    }
    return error;
}

template <class E> bool Throws(const std::function<void()>& action)
{
    try {
        action();
    } catch (E* e) {
        e->Delete();
        return true;
    }
    return false;
}

std::string ContentsOf(CFile& file)
{
    std::string out(static_cast<size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    out.resize(file.Read(out.data(), static_cast<UINT>(out.size())));
    return out;
}

} // namespace

TEST(MfcFile, FailedOpensReportTheCauseThroughOpenAndTheConstructor)
{
    TempDir dir;
    std::string existing = dir.Write("held.bin", "data");
    struct Case {
        const char* name;
        std::string path;
        UINT holdFlags; // 0: nothing held open
        UINT flags;
        int cause;
        DWORD osError;
    };
    const std::vector<Case> cases = {
        {"missing file", dir.File("missing.bin"), 0, CFile::modeRead, CFileException::fileNotFound,
         ERROR_FILE_NOT_FOUND},
        {"missing folder", dir.File("nofolder/x.bin"), 0, CFile::modeRead, CFileException::badPath,
         ERROR_PATH_NOT_FOUND},
        {"create in missing folder", dir.File("nofolder/x.bin"), 0, CFile::modeCreate | CFile::modeWrite,
         CFileException::badPath, ERROR_PATH_NOT_FOUND},
        {"directory", dir.Path(), 0, CFile::modeRead, CFileException::accessDenied, ERROR_ACCESS_DENIED},
        {"held exclusively", existing, CFile::modeRead | CFile::shareExclusive,
         CFile::modeRead | CFile::shareDenyNone, CFileException::sharingViolation, ERROR_SHARING_VIOLATION},
        {"writing a file held deny-write", existing, CFile::modeRead | CFile::shareDenyWrite,
         CFile::modeWrite | CFile::shareDenyNone, CFileException::sharingViolation, ERROR_SHARING_VIOLATION},
        {"deny-write while a writer holds it", existing, CFile::modeWrite | CFile::shareDenyNone,
         CFile::modeRead | CFile::shareDenyWrite, CFileException::sharingViolation, ERROR_SHARING_VIOLATION},
    };
    for (const Case& c : cases) {
        CFile held;
        if (c.holdFlags) {
            ASSERT_TRUE(held.Open(c.path.c_str(), c.holdFlags)) << c.name;
        }

        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.path.c_str(), c.flags, &error)) << c.name;
        EXPECT_EQ(error.m_cause, c.cause) << c.name;
        EXPECT_EQ(error.m_lOsError, static_cast<LONG>(c.osError)) << c.name;
        EXPECT_STREQ(error.m_strFileName, c.path.c_str()) << c.name;
        EXPECT_EQ(file.m_hFile, CFile::hFileNull) << c.name;

        FileError thrown = CatchFileError([&] { CFile opened(c.path.c_str(), c.flags); });
        EXPECT_TRUE(thrown.thrown) << c.name;
        EXPECT_EQ(thrown.cause, c.cause) << c.name;
        EXPECT_EQ(thrown.fileName, c.path) << c.name;

        FileError stdio = CatchFileError([&] { CStdioFile opened(c.path.c_str(), c.flags); });
        EXPECT_EQ(stdio.cause, c.cause) << c.name;
    }
}

TEST(MfcFile, InvalidModeBitsFailWithoutOpening)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", "x");
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeReadWrite, &error));
    EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(file.Open("", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
}

TEST(MfcFile, WriteReadSeekAndLength)
{
    TempDir dir;
    std::string path = dir.File("data.bin");
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("hello world", 11);
    file.Write("", 0);
    EXPECT_EQ(file.GetLength(), 11u);
    EXPECT_EQ(file.GetPosition(), 11u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 6u);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u); // at the end
    EXPECT_EQ(file.Seek(-3, CFile::current), 8u);
    file.SeekToBegin();
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(file.SeekToEnd(), 11u);
    file.SetLength(5);
    EXPECT_EQ(file.GetLength(), 5u);
    EXPECT_EQ(file.GetPosition(), 5u);
    file.Flush();
    file.Close();
    EXPECT_EQ(ReadFile(path), "hello");
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
}

TEST(MfcFile, SeekAndLengthPass4GiB)
{
    TempDir dir;
    CFile file(dir.File("big.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite);
    const ULONGLONG beyond = (ULONGLONG{5} << 30) + 7;
    EXPECT_EQ(file.Seek(static_cast<LONGLONG>(beyond), CFile::begin), beyond);
    file.Write("z", 1);
    EXPECT_EQ(file.GetLength(), beyond + 1);
    EXPECT_EQ(file.GetPosition(), beyond + 1);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, static_cast<LONGLONG>(beyond + 1));
    file.SetLength(0);
}

TEST(MfcFile, SeekBeforeTheStartThrowsBadSeek)
{
    TempDir dir;
    CFile file(dir.Write("a.bin", "abc").c_str(), CFile::modeRead);
    FileError error = CatchFileError([&] { file.Seek(-1, CFile::begin); });
    EXPECT_TRUE(error.thrown);
    EXPECT_EQ(error.cause, CFileException::badSeek);
    EXPECT_EQ(file.GetPosition(), 0u);
}

TEST(MfcFile, WritingAReadOnlyHandleThrowsAccessDenied)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", "abc");
    CFile file(path.c_str(), CFile::modeRead);
    FileError error = CatchFileError([&] { file.Write("x", 1); });
    EXPECT_EQ(error.cause, CFileException::accessDenied);
    EXPECT_EQ(error.fileName, path);
    EXPECT_EQ(ReadFile(path), "abc");
}

TEST(MfcFile, OperationsOnAClosedFileThrowInvalidFile)
{
    CFile file;
    char c;
    EXPECT_EQ(CatchFileError([&] { file.Read(&c, 1); }).cause, CFileException::invalidFile);
    EXPECT_EQ(CatchFileError([&] { file.GetLength(); }).cause, CFileException::invalidFile);
    file.Close(); // nothing to close: no error
    file.Abort();
}

TEST(MfcFile, CreateTruncatesUnlessNoTruncate)
{
    TempDir dir;
    std::string path = dir.Write("a.txt", "hello");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(ContentsOf(file), "hello");
    }
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(file.GetLength(), 0u);
        file.Write("hi", 2);
    }
    EXPECT_EQ(ReadFile(path), "hi");
}

TEST(MfcFile, CloseReleasesTheShare)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", "x");
    CFile first(path.c_str(), CFile::modeRead | CFile::shareExclusive);
    CFile second;
    EXPECT_FALSE(second.Open(path.c_str(), CFile::modeRead));
    first.Close();
    EXPECT_TRUE(second.Open(path.c_str(), CFile::modeRead));
}

TEST(MfcFile, NamesComeFromTheFullPath)
{
    TempDir dir;
    struct Case {
        const char* file;
        const char* title;
    };
    for (const Case& c : {Case{"clip.final.avi", "clip.final"}, Case{"noext", "noext"}, Case{".hidden", ".hidden"}}) {
        std::string path = dir.Write(c.file, "");
        CFile file(path.c_str(), CFile::modeRead);
        EXPECT_STREQ(file.GetFilePath(), path.c_str());
        EXPECT_STREQ(file.GetFileName(), c.file);
        EXPECT_STREQ(file.GetFileTitle(), c.title);
    }
    CFile wrapped(CFile::hFileNull);
    EXPECT_TRUE(wrapped.GetFilePath().IsEmpty());
    wrapped.SetFilePath("/music/song.wav");
    EXPECT_STREQ(wrapped.GetFileName(), "song.wav");
}

TEST(MfcFile, GetStatusReportsSizeTimesAndAttributes)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", "12345");
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(dir.File("missing").c_str(), status));
    EXPECT_FALSE(CFile::GetStatus("", status));

    ASSERT_TRUE(CFile::GetStatus(path.c_str(), status));
    EXPECT_EQ(status.m_size, 5);
    EXPECT_STREQ(status.m_szFullName, path.c_str());
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
    CTimeSpan age = CTime::GetCurrentTime() - status.m_mtime;
    EXPECT_LT(age.GetTotalSeconds() < 0 ? -age.GetTotalSeconds() : age.GetTotalSeconds(), 24 * 3600);

    ASSERT_TRUE(CFile::GetStatus(dir.Path().c_str(), status));
    EXPECT_NE(status.m_attribute & CFile::directory, 0);

    CFile file(path.c_str(), CFile::modeRead);
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 5);
    EXPECT_STREQ(status.m_szFullName, path.c_str());
    CFileStatus byName;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), byName));
    EXPECT_EQ(status.m_mtime, byName.m_mtime);
}

TEST(MfcFile, RenameAndRemove)
{
    TempDir dir;
    std::string from = dir.Write("from.txt", "moved");
    std::string to = dir.File("to.txt");
    CFile::Rename(from.c_str(), to.c_str());
    EXPECT_EQ(ReadFile(to), "moved");
    EXPECT_FALSE(win::PathExists(from.c_str()));
    CFile::Remove(to.c_str());
    EXPECT_FALSE(win::PathExists(to.c_str()));

    FileError removeMissing = CatchFileError([&] { CFile::Remove(to.c_str()); });
    EXPECT_EQ(removeMissing.cause, CFileException::fileNotFound);
    EXPECT_EQ(removeMissing.fileName, to);
    EXPECT_EQ(CatchFileError([&] { CFile::Rename(from.c_str(), to.c_str()); }).cause, CFileException::fileNotFound);
}

TEST(MfcFile, LockedRangesConflictBetweenHandles)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", std::string(64, 'x'));
    CFile first(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    CFile second(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
    first.LockRange(0, 10);
    EXPECT_EQ(CatchFileError([&] { second.LockRange(5, 10); }).cause, CFileException::lockViolation);
    second.LockRange(10, 10); // adjacent, not overlapping
    first.UnlockRange(0, 10);
    second.LockRange(5, 5);
}

TEST(MfcFile, DuplicateOwnsItsOwnHandle)
{
    TempDir dir;
    std::string path = dir.Write("a.bin", "shared");
    std::unique_ptr<CFile> copy;
    {
        CFile file(path.c_str(), CFile::modeRead);
        copy.reset(file.Duplicate());
    }
    EXPECT_STREQ(copy->GetFilePath(), path.c_str());
    EXPECT_EQ(ContentsOf(*copy), "shared");
}

TEST(MfcFile, ErrorMessageIsASentenceNamingTheFile)
{
    char text[256];
    CFileException missing(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "/media/clip.avi");
    UINT help = 99;
    EXPECT_TRUE(missing.GetErrorMessage(text, sizeof text, &help));
    EXPECT_STREQ(text, "The file '/media/clip.avi' was not found.");
    EXPECT_EQ(help, 0u);

    EXPECT_TRUE(missing.GetErrorMessage(text, 9));
    EXPECT_STREQ(text, "The file"); // cut to the buffer with its terminator

    CFileException unnamed(CFileException::tooManyOpenFiles);
    unnamed.GetErrorMessage(text, sizeof text);
    EXPECT_STREQ(text, "An unnamed file could not be opened because too many files are open.");

    CFileException odd(77, -1, "x");
    odd.GetErrorMessage(text, sizeof text);
    EXPECT_STREQ(text, "An unexpected error occurred while accessing 'x'.");
}

TEST(MfcFile, OsErrorsAndErrnoValuesMapToCauses)
{
    struct OsCase {
        DWORD error;
        int cause;
    };
    for (const OsCase& c : {OsCase{ERROR_SUCCESS, CFileException::none},
                            OsCase{ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
                            OsCase{ERROR_PATH_NOT_FOUND, CFileException::badPath},
                            OsCase{ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
                            OsCase{ERROR_ACCESS_DENIED, CFileException::accessDenied},
                            OsCase{ERROR_INVALID_HANDLE, CFileException::invalidFile},
                            OsCase{ERROR_NEGATIVE_SEEK, CFileException::badSeek},
                            OsCase{ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
                            OsCase{ERROR_LOCK_VIOLATION, CFileException::lockViolation},
                            OsCase{ERROR_DISK_FULL, CFileException::diskFull},
                            OsCase{ERROR_HANDLE_EOF, CFileException::endOfFile},
                            OsCase{ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
                            OsCase{ERROR_CANNOT_MAKE, CFileException::directoryFull},
                            OsCase{ERROR_GEN_FAILURE, CFileException::hardIO},
                            OsCase{12345, CFileException::generic}})
        EXPECT_EQ(CFileException::OsErrorToException(static_cast<LONG>(c.error)), c.cause) << c.error;

    struct ErrnoCase {
        int error;
        int cause;
    };
    for (const ErrnoCase& c : {ErrnoCase{0, CFileException::none}, ErrnoCase{ENOENT, CFileException::fileNotFound},
                               ErrnoCase{ENOTDIR, CFileException::badPath},
                               ErrnoCase{EMFILE, CFileException::tooManyOpenFiles},
                               ErrnoCase{EACCES, CFileException::accessDenied},
                               ErrnoCase{EBADF, CFileException::invalidFile},
                               ErrnoCase{ENOSPC, CFileException::diskFull},
                               ErrnoCase{EIO, CFileException::hardIO}, ErrnoCase{EINTR, CFileException::generic}})
        EXPECT_EQ(CFileException::ErrnoToException(c.error), c.cause) << c.error;

    FileError fromErrno = CatchFileError([] { CFileException::ThrowErrno(ENOENT, "name"); });
    EXPECT_EQ(fromErrno.cause, CFileException::fileNotFound);
    EXPECT_EQ(fromErrno.osError, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(fromErrno.fileName, "name");
    EXPECT_FALSE(CatchFileError([] { CFileException::ThrowOsError(0); }).thrown);
    EXPECT_FALSE(CatchFileError([] { CFileException::ThrowErrno(0); }).thrown);
}

TEST(MfcFile, StdioFileWritesCrlfOnlyInTextMode)
{
    TempDir dir;
    struct Case {
        UINT typeFlag;
        const char* expected;
    };
    for (const Case& c : {Case{0, "a\r\nb\r\n\r\nc"}, Case{CFile::typeText, "a\r\nb\r\n\r\nc"},
                          Case{CFile::typeBinary, "a\nb\n\nc"}}) {
        std::string path = dir.File("out.txt");
        {
            CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | c.typeFlag);
            file.WriteString("a\nb\n");
            file.Write("\nc", 2);
        }
        EXPECT_EQ(ReadFile(path), c.expected) << c.typeFlag;
    }
}

TEST(MfcFile, StdioReadStringStripsCrlfOrLf)
{
    TempDir dir;
    for (UINT typeFlag : {0u, static_cast<UINT>(CFile::typeBinary)}) {
        CStdioFile file(dir.Write("in.txt", "one\r\ntwo\n\r\nthree").c_str(), CFile::modeRead | typeFlag);
        CString line;
        std::vector<std::string> lines;
        while (file.ReadString(line))
            lines.push_back(static_cast<LPCSTR>(line));
        EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"})) << typeFlag;
        EXPECT_TRUE(line.IsEmpty());
        EXPECT_FALSE(file.ReadString(line));
    }
}

TEST(MfcFile, StdioReadStringIntoABufferKeepsTheNewline)
{
    TempDir dir;
    CStdioFile file(dir.Write("in.txt", "ab\r\ncdef\n").c_str(), CFile::modeRead);
    char buffer[16];
    ASSERT_NE(file.ReadString(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "ab\n");
    ASSERT_EQ(file.ReadString(buffer, 3), buffer); // two bytes and the terminator
    EXPECT_STREQ(buffer, "cd");
    ASSERT_NE(file.ReadString(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "ef\n");
    EXPECT_EQ(file.ReadString(buffer, sizeof buffer), nullptr);
}

TEST(MfcFile, StdioTextModeJoinsCrlfAcrossTheReadAhead)
{
    TempDir dir;
    for (size_t before : {4095u, 4096u, 8191u}) {
        std::string first(before, 'x');
        CStdioFile file(dir.Write("in.txt", first + "\r\ny\rz").c_str(), CFile::modeRead);
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ(line.GetLength(), static_cast<int>(before));
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_STREQ(line, "y\rz"); // a lone CR stays
    }
}

TEST(MfcFile, StdioPositionCountsOnlyConsumedBytes)
{
    TempDir dir;
    std::string path = dir.Write("in.txt", "one\r\ntwo\r\n");
    {
        CStdioFile file(path.c_str(), CFile::modeReadWrite);
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ(file.GetPosition(), 5u);
        file.WriteString("TWO\n");
        EXPECT_EQ(file.GetPosition(), 10u);
        file.SeekToBegin();
        char raw[4] = {};
        EXPECT_EQ(file.Read(raw, 3), 3u);
        EXPECT_STREQ(raw, "one");
        EXPECT_EQ(file.Seek(2, CFile::current), 5u);
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_STREQ(line, "TWO");
    }
    EXPECT_EQ(ReadFile(path), "one\r\nTWO\r\n");
}

TEST(MfcFile, StdioReadTranslatesOnlyInTextMode)
{
    TempDir dir;
    std::string path = dir.Write("in.txt", "a\r\nb\rc");
    char buffer[16] = {};
    CStdioFile text(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(text.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "a\nb\rc");
    CStdioFile binary(path.c_str(), CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary);
    EXPECT_EQ(binary.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), "a\r\nb\rc");
    EXPECT_TRUE(Throws<CNotSupportedException>([&] { text.LockRange(0, 1); }));
}

TEST(MfcFile, MemFileGrowsReadsAndSeeks)
{
    CMemFile file(16);
    file.Write("hello", 5);
    file.Write(" world", 6);
    EXPECT_EQ(file.GetLength(), 11u);
    EXPECT_EQ(ContentsOf(file), "hello world");
    EXPECT_EQ(file.Seek(20, CFile::begin), 20u); // past the end
    file.Write("!", 1);
    EXPECT_EQ(file.GetLength(), 21u);
    std::string all = ContentsOf(file);
    EXPECT_EQ(all, std::string("hello world") + std::string(9, '\0') + "!");
    EXPECT_TRUE(CatchFileError([&] { file.Seek(-22, CFile::end); }).thrown);
    EXPECT_EQ(CatchFileError([&] { file.Seek(-1, CFile::begin); }).cause, CFileException::badSeek);
    file.SetLength(4);
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_EQ(ContentsOf(file), "hell");
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 4);
    EXPECT_TRUE(Throws<CNotSupportedException>([&] { file.Duplicate(); }));
}

TEST(MfcFile, MemFileOverAFixedBufferCannotGrow)
{
    BYTE buffer[4] = {1, 2, 3, 4};
    CMemFile file(buffer, sizeof buffer);
    EXPECT_EQ(file.GetLength(), 4u);
    BYTE read[8] = {};
    EXPECT_EQ(file.Read(read, sizeof read), 4u);
    EXPECT_EQ(read[3], 4);
    file.SeekToBegin();
    file.Write("\x09", 1);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_TRUE(Throws<CMemoryException>([&] { file.Write("12345", 5); }));
    EXPECT_EQ(file.Detach(), buffer);
    EXPECT_EQ(file.GetLength(), 0u);
}

TEST(MfcFile, MemFileDetachHandsOverAMallocBuffer)
{
    CMemFile file(4);
    file.Write("grown data", 10);
    BYTE* data = file.Detach();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, "grown data", 10), 0);
    std::free(data);

    BYTE* growable = static_cast<BYTE*>(std::malloc(2));
    file.Attach(growable, 2, 8); // grows from an empty file
    EXPECT_EQ(file.GetLength(), 0u);
    file.Write("0123456789", 10);
    BYTE* after = file.Detach();
    EXPECT_EQ(std::memcmp(after, "0123456789", 10), 0);
    std::free(after);
}
