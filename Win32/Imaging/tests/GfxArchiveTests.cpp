#include "Win32/Imaging/GfxArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace {

std::vector<BYTE> NumberedBytes(size_t size)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + 1);
    return bytes;
}

// A memory file that records the size of every read and write the archive
// makes of it.
class RecordingFile : public CGfxMemoryFile {
public:
    using CGfxMemoryFile::CGfxMemoryFile;

    DWORD Read(void* buffer, DWORD count) override
    {
        reads.push_back(count);
        return CGfxMemoryFile::Read(buffer, count);
    }
    DWORD Write(const void* buffer, DWORD count) override
    {
        writes.push_back(count);
        return CGfxMemoryFile::Write(buffer, count);
    }

    std::vector<DWORD> reads;
    std::vector<DWORD> writes;
};

// A file that takes at most `capacity` bytes in all, like a full disk.
class FullDiskFile : public CGfxMemoryFile {
public:
    explicit FullDiskFile(DWORD capacity) : m_capacity(capacity) {}

    DWORD Write(const void* buffer, DWORD count) override
    {
        const DWORD room = m_capacity - std::min(m_capacity, GetLength());
        return CGfxMemoryFile::Write(buffer, std::min(count, room));
    }

private:
    DWORD m_capacity;
};

// Writes `bytes` through a storing archive in chunks of the given sizes
// (repeated until everything is written) and returns what the file holds.
std::vector<BYTE> StoreInChunks(CGfxMemoryFile& file, const std::vector<BYTE>& bytes, DWORD bufferSize,
                                const std::vector<DWORD>& chunks)
{
    CGfxArchive archive(file, CGfxArchive::kStore, bufferSize);
    size_t done = 0;
    for (size_t i = 0; done < bytes.size(); ++i) {
        const DWORD chunk = std::min<DWORD>(chunks[i % chunks.size()], static_cast<DWORD>(bytes.size() - done));
        EXPECT_EQ(archive.Write(bytes.data() + done, chunk), chunk);
        done += chunk;
    }
    EXPECT_TRUE(archive.Close());
    return file.GetBytes();
}

std::vector<BYTE> LoadInChunks(CGfxMemoryFile& file, size_t size, DWORD bufferSize, const std::vector<DWORD>& chunks)
{
    CGfxArchive archive(file, CGfxArchive::kLoad, bufferSize);
    std::vector<BYTE> bytes(size);
    size_t done = 0;
    for (size_t i = 0; done < size; ++i) {
        const DWORD chunk = std::min<DWORD>(chunks[i % chunks.size()], static_cast<DWORD>(size - done));
        EXPECT_EQ(archive.Read(bytes.data() + done, chunk), chunk);
        done += chunk;
    }
    return bytes;
}

} // namespace

TEST(GfxArchive, StoreThenLoadRoundTrips)
{
    struct Case {
        DWORD bufferSize;
        BOOL direct;
    };
    const Case cases[] = {{1, FALSE}, {3, FALSE}, {4, FALSE},  {16, FALSE}, {4096, FALSE},
                          {1, TRUE},  {3, TRUE},  {4, TRUE},   {16, TRUE},  {4096, TRUE}};
    const std::vector<BYTE> bytes = NumberedBytes(1000);
    const std::vector<DWORD> storeChunks = {1, 5, 16, 33, 100, 2, 0};
    const std::vector<DWORD> loadChunks = {7, 64, 1, 3, 250};
    for (const Case& c : cases) {
        CGfxMemoryFile file(c.direct);
        ASSERT_EQ(StoreInChunks(file, bytes, c.bufferSize, storeChunks), bytes)
            << "buffer " << c.bufferSize << " direct " << c.direct;
        CGfxMemoryFile loaded(file.GetBytes(), c.direct);
        EXPECT_EQ(LoadInChunks(loaded, bytes.size(), c.bufferSize, loadChunks), bytes)
            << "buffer " << c.bufferSize << " direct " << c.direct;
    }
}

TEST(GfxArchive, ShortReadReturnsWhatTheBufferAndFileHold)
{
    for (BOOL direct : {FALSE, TRUE}) {
        CGfxMemoryFile file(NumberedBytes(11), direct);
        CGfxArchive archive(file, CGfxArchive::kLoad, 8);
        BYTE out[16];
        ASSERT_EQ(archive.Read(out, 4), 4u);
        // The buffer holds 4 more bytes and the file 3.
        EXPECT_EQ(archive.Read(out, 10), 7u) << "direct " << direct;
        const std::vector<BYTE> all = NumberedBytes(11);
        EXPECT_EQ(std::vector<BYTE>(out, out + 7), std::vector<BYTE>(all.begin() + 4, all.end()));
        EXPECT_EQ(archive.Read(out, 1), 0u);
    }
}

TEST(GfxArchive, WholeBuffersBypassTheBuffer)
{
    RecordingFile stored;
    {
        CGfxArchive archive(stored, CGfxArchive::kStore, 4);
        const std::vector<BYTE> bytes = NumberedBytes(10);
        EXPECT_EQ(archive.Write(bytes.data(), 10), 10u);
        // The buffer filled (4), the largest multiple of 4 of the rest went
        // straight to the file (4) and 2 bytes wait in the buffer.
        EXPECT_EQ(stored.writes, (std::vector<DWORD>{4, 4}));
    }
    EXPECT_EQ(stored.writes, (std::vector<DWORD>{4, 4, 2}));
    EXPECT_EQ(stored.GetBytes(), NumberedBytes(10));

    RecordingFile loaded(NumberedBytes(12));
    CGfxArchive archive(loaded, CGfxArchive::kLoad, 4);
    BYTE out[10];
    EXPECT_EQ(archive.Read(out, 10), 10u);
    EXPECT_EQ(loaded.reads, (std::vector<DWORD>{8, 4}));
}

TEST(GfxArchive, StoringKeepsBytesUntilFlushed)
{
    CGfxMemoryFile file;
    CGfxArchive archive(file, CGfxArchive::kStore, 16);
    const BYTE bytes[3] = {1, 2, 3};
    EXPECT_EQ(archive.Write(bytes, 3), 3u);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_TRUE(archive.Flush());
    EXPECT_EQ(file.GetBytes(), (std::vector<BYTE>{1, 2, 3}));
    EXPECT_TRUE(archive.Flush());
    EXPECT_EQ(file.GetLength(), 3u);
}

TEST(GfxArchive, ClosingALoadingArchiveGivesBackTheUnreadBytes)
{
    for (BOOL direct : {FALSE, TRUE}) {
        CGfxMemoryFile file(NumberedBytes(20), direct);
        {
            CGfxArchive archive(file, CGfxArchive::kLoad, 8);
            BYTE out[3];
            ASSERT_EQ(archive.Read(out, 3), 3u);
            EXPECT_EQ(file.GetPosition(), 8u);
        }
        EXPECT_EQ(file.GetPosition(), 3u) << "direct " << direct;
    }
}

TEST(GfxArchive, ModeDecidesWhichDirectionWorks)
{
    CGfxMemoryFile file(NumberedBytes(4));
    BYTE out[4];
    {
        CGfxArchive loading(file, CGfxArchive::kLoad);
        EXPECT_TRUE(loading.IsLoading());
        EXPECT_EQ(loading.Write(out, 4), 0u);
    }
    CGfxArchive storing(file, CGfxArchive::kStore);
    EXPECT_TRUE(storing.IsStoring());
    EXPECT_EQ(storing.Read(out, 4), 0u);
}

TEST(GfxArchive, ClosedArchiveMovesNothing)
{
    CGfxMemoryFile file;
    CGfxArchive archive(file, CGfxArchive::kStore);
    const BYTE bytes[2] = {9, 8};
    archive.Write(bytes, 2);
    EXPECT_TRUE(archive.Close());
    EXPECT_TRUE(archive.Close());
    EXPECT_EQ(archive.Write(bytes, 2), 0u);
    EXPECT_EQ(file.GetBytes(), (std::vector<BYTE>{9, 8}));
}

TEST(GfxArchive, BufferSizeZeroMeansTheDefault)
{
    RecordingFile file;
    {
        CGfxArchive archive(file, CGfxArchive::kStore, 0);
        const std::vector<BYTE> bytes = NumberedBytes(CGfxArchive::kDefaultBufferSize + 1);
        archive.Write(bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    EXPECT_EQ(file.writes, (std::vector<DWORD>{CGfxArchive::kDefaultBufferSize, 1}));
}

TEST(GfxArchive, AFullFileMakesWritesShortAndStaysFailed)
{
    FullDiskFile file(6);
    CGfxArchive archive(file, CGfxArchive::kStore, 4);
    const std::vector<BYTE> bytes = NumberedBytes(16);
    EXPECT_EQ(archive.Write(bytes.data(), 4), 4u);
    // Flushing the first 4 works; the whole-buffer bypass of 8 gets 2 in.
    EXPECT_LT(archive.Write(bytes.data(), 12), 12u);
    EXPECT_TRUE(archive.IsFailed());
    EXPECT_EQ(archive.Write(bytes.data(), 1), 0u);
    EXPECT_FALSE(archive.Flush());
    EXPECT_FALSE(archive.Close());
}

TEST(GfxArchive, AFailedFinalFlushShowsInClose)
{
    FullDiskFile file(2);
    CGfxArchive archive(file, CGfxArchive::kStore, 16);
    const BYTE bytes[3] = {1, 2, 3};
    EXPECT_EQ(archive.Write(bytes, 3), 3u);
    EXPECT_FALSE(archive.Close());
}

TEST(GfxArchive, LittleEndianFieldsHaveTheirExactBytes)
{
    CGfxMemoryFile file;
    {
        CGfxArchive archive(file, CGfxArchive::kStore, 5);
        EXPECT_TRUE(archive.WriteU8(0xAB));
        EXPECT_TRUE(archive.WriteU16(0x1234));
        EXPECT_TRUE(archive.WriteU32(0x89ABCDEFu));
        EXPECT_TRUE(archive.WriteU64(0x0102030405060708ull));
        EXPECT_TRUE(archive.WriteI8(-2));
        EXPECT_TRUE(archive.WriteI16(-3));
        EXPECT_TRUE(archive.WriteI32(-1));
        EXPECT_TRUE(archive.WriteI64(-4));
        EXPECT_TRUE(archive.WriteFloat(1.5f));
        EXPECT_TRUE(archive.WriteDouble(-2.25));
    }
    const std::vector<BYTE> expected = {
        0xAB,
        0x34, 0x12,
        0xEF, 0xCD, 0xAB, 0x89,
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
        0xFE,
        0xFD, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF,
        0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0x00, 0x00, 0xC0, 0x3F,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC0,
    };
    EXPECT_EQ(file.GetBytes(), expected);

    CGfxMemoryFile input(expected);
    CGfxArchive archive(input, CGfxArchive::kLoad, 3);
    BYTE u8 = 0;
    WORD u16 = 0;
    DWORD u32 = 0;
    ULONGLONG u64 = 0;
    INT8 i8 = 0;
    SHORT i16 = 0;
    LONG i32 = 0;
    LONGLONG i64 = 0;
    float f = 0;
    double d = 0;
    EXPECT_TRUE(archive.ReadU8(u8));
    EXPECT_TRUE(archive.ReadU16(u16));
    EXPECT_TRUE(archive.ReadU32(u32));
    EXPECT_TRUE(archive.ReadU64(u64));
    EXPECT_TRUE(archive.ReadI8(i8));
    EXPECT_TRUE(archive.ReadI16(i16));
    EXPECT_TRUE(archive.ReadI32(i32));
    EXPECT_TRUE(archive.ReadI64(i64));
    EXPECT_TRUE(archive.ReadFloat(f));
    EXPECT_TRUE(archive.ReadDouble(d));
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x89ABCDEFu);
    EXPECT_EQ(u64, 0x0102030405060708ull);
    EXPECT_EQ(i8, -2);
    EXPECT_EQ(i16, -3);
    EXPECT_EQ(i32, -1);
    EXPECT_EQ(i64, -4);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -2.25);
}

TEST(GfxArchive, ShortFieldReadLeavesTheValue)
{
    CGfxMemoryFile input(std::vector<BYTE>{1, 2, 3});
    CGfxArchive archive(input, CGfxArchive::kLoad);
    DWORD value = 77;
    EXPECT_FALSE(archive.ReadU32(value));
    EXPECT_EQ(value, 77u);
}

TEST(GfxArchive, ByteArrayHelpersMatchTheArchive)
{
    BYTE record[30] = {};
    PutLE8(record, 0xAB);
    PutLE16(record + 1, 0x1234);
    PutLE32(record + 3, 0x89ABCDEFu);
    PutLE64(record + 7, 0x0102030405060708ull);
    PutLEFloat(record + 15, -0.5f);
    PutLEDouble(record + 19, 1e300);
    EXPECT_EQ(GetLE8(record), 0xAB);
    EXPECT_EQ(GetLE16(record + 1), 0x1234);
    EXPECT_EQ(GetLE32(record + 3), 0x89ABCDEFu);
    EXPECT_EQ(GetLE64(record + 7), 0x0102030405060708ull);
    EXPECT_EQ(GetLEFloat(record + 15), -0.5f);
    EXPECT_EQ(GetLEDouble(record + 19), 1e300);
    EXPECT_EQ(record[3], 0xEF);
    EXPECT_EQ(record[14], 0x01);
}

TEST(GfxArchive, MemoryFileSeeksWithinItsRange)
{
    CGfxMemoryFile file(NumberedBytes(4));
    EXPECT_FALSE(file.Seek(-1));
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_TRUE(file.Seek(6));
    BYTE out[2];
    EXPECT_EQ(file.Read(out, 2), 0u);
    // Writing past the end leaves zeros in the gap.
    const BYTE bytes[1] = {0xEE};
    EXPECT_EQ(file.Write(bytes, 1), 1u);
    EXPECT_EQ(file.GetBytes(), (std::vector<BYTE>{1, 8, 15, 22, 0, 0, 0xEE}));
}

TEST(GfxArchive, MemoryFileHandsOutBlocksOnlyInDirectMode)
{
    BYTE* start = nullptr;
    BYTE* end = nullptr;
    CGfxMemoryFile plain;
    EXPECT_FALSE(plain.HasDirectBuffer());
    EXPECT_FALSE(plain.GetBuffer(CGfxArchiveFile::BufferCommand::NextForWriting, 4, &start, &end));

    CGfxMemoryFile direct(TRUE);
    ASSERT_TRUE(direct.GetBuffer(CGfxArchiveFile::BufferCommand::NextForWriting, 4, &start, &end));
    ASSERT_EQ(end - start, 4);
    start[0] = 5;
    start[1] = 6;
    EXPECT_EQ(direct.GetLength(), 0u);
    EXPECT_TRUE(direct.GetBuffer(CGfxArchiveFile::BufferCommand::Commit, 2, nullptr, nullptr));
    EXPECT_EQ(direct.GetBytes(), (std::vector<BYTE>{5, 6}));
    // Bytes beyond the block handed out cannot be committed.
    EXPECT_FALSE(direct.GetBuffer(CGfxArchiveFile::BufferCommand::Commit, 1u << 20, nullptr, nullptr));
}

TEST(GfxArchive, DiskFileRoundTripsThroughAnArchive)
{
    testing_support::TempDir dir;
    const std::string path = dir.File("pixels.bin");
    const std::vector<BYTE> bytes = NumberedBytes(10000);

    std::unique_ptr<CGfxDiskFile> out = CGfxDiskFile::CreateForWriting(path.c_str());
    ASSERT_NE(out, nullptr);
    {
        CGfxArchive archive(*out, CGfxArchive::kStore, 512);
        EXPECT_EQ(archive.Write(bytes.data(), 3000), 3000u);
        EXPECT_EQ(archive.Write(bytes.data() + 3000, 7000), 7000u);
        EXPECT_TRUE(archive.Close());
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(out->Commit());
    out.reset();

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
              1);
    std::unique_ptr<CGfxDiskFile> in = CGfxDiskFile::OpenForReading(path.c_str());
    ASSERT_NE(in, nullptr);
    CGfxArchive archive(*in, CGfxArchive::kLoad, 512);
    std::vector<BYTE> loaded(bytes.size() + 10);
    EXPECT_EQ(archive.Read(loaded.data(), static_cast<DWORD>(loaded.size())), bytes.size());
    loaded.resize(bytes.size());
    EXPECT_EQ(loaded, bytes);
}

TEST(GfxArchive, UncommittedDiskFileLeavesTheOldFileAlone)
{
    testing_support::TempDir dir;
    const std::string path = dir.Write("pixels.bin", "old contents");
    {
        std::unique_ptr<CGfxDiskFile> out = CGfxDiskFile::CreateForWriting(path.c_str());
        ASSERT_NE(out, nullptr);
        CGfxArchive archive(*out, CGfxArchive::kStore);
        const BYTE bytes[4] = {1, 2, 3, 4};
        archive.Write(bytes, 4);
    }
    EXPECT_EQ(testing_support::ReadFile(path), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
              1);
}

TEST(GfxArchive, CommittedDiskFileReplacesTheOldFile)
{
    testing_support::TempDir dir;
    const std::string path = dir.Write("pixels.bin", "old contents");
    std::unique_ptr<CGfxDiskFile> out = CGfxDiskFile::CreateForWriting(path.c_str());
    ASSERT_NE(out, nullptr);
    {
        CGfxArchive archive(*out, CGfxArchive::kStore);
        archive.Write("new", 3);
    }
    EXPECT_TRUE(out->Commit());
    EXPECT_EQ(testing_support::ReadFile(path), "new");
}

TEST(GfxArchive, DiskFilesThatCannotBeOpenedAreNull)
{
    testing_support::TempDir dir;
    EXPECT_EQ(CGfxDiskFile::OpenForReading(dir.File("missing.bin").c_str()), nullptr);
    EXPECT_EQ(CGfxDiskFile::OpenForReading(nullptr), nullptr);
    EXPECT_EQ(CGfxDiskFile::CreateForWriting(dir.File("no/such/folder.bin").c_str()), nullptr);
    EXPECT_EQ(CGfxDiskFile::CreateForWriting(""), nullptr);
}
