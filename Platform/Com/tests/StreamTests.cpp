#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"
#include "Platform/Win/Kernel/Memory.h"

namespace {

com::ComPtr<IStream> EmptyStream()
{
    com::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    return stream;
}

HRESULT SeekTo(IStream* stream, LONGLONG offset, DWORD origin, ULONGLONG* position = nullptr)
{
    LARGE_INTEGER move;
    move.QuadPart = offset;
    ULARGE_INTEGER at{};
    HRESULT hr = stream->Seek(move, origin, &at);
    if (position)
        *position = at.QuadPart;
    return hr;
}

std::string ReadAll(IStream* stream)
{
    char buffer[256];
    ULONG read = 0;
    stream->Read(buffer, sizeof buffer, &read);
    return std::string(buffer, read);
}

TEST(HGlobalStream, WritesSeeksAndReadsBack)
{
    auto stream = EmptyStream();
    ULONG written = 0;
    ASSERT_EQ(stream->Write("switcher", 8, &written), S_OK);
    EXPECT_EQ(written, 8u);
    ULONGLONG position = 0;
    EXPECT_EQ(SeekTo(stream.Get(), -5, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(ReadAll(stream.Get()), "tcher");
    EXPECT_EQ(ReadAll(stream.Get()), "") << "reading at the end gives nothing, successfully";

    STATSTG stat;
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize.QuadPart, 8u);
}

TEST(HGlobalStream, WritingPastTheEndFillsTheGapWithZeros)
{
    auto stream = EmptyStream();
    ASSERT_EQ(SeekTo(stream.Get(), 4, STREAM_SEEK_SET), S_OK);
    stream->Write("x", 1, nullptr);
    SeekTo(stream.Get(), 0, STREAM_SEEK_SET);
    EXPECT_EQ(ReadAll(stream.Get()), std::string("\0\0\0\0x", 5));
}

TEST(HGlobalStream, RefusesSeeksBeforeTheStartAndUnknownOrigins)
{
    auto stream = EmptyStream();
    EXPECT_EQ(SeekTo(stream.Get(), -1, STREAM_SEEK_SET), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(SeekTo(stream.Get(), 0, 7), STG_E_INVALIDFUNCTION);
    ULONGLONG position = 9;
    EXPECT_EQ(SeekTo(stream.Get(), 0, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 0u) << "a refused seek leaves the position";
}

TEST(HGlobalStream, ClonesShareBytesButNotPosition)
{
    auto stream = EmptyStream();
    stream->Write("abcdef", 6, nullptr);
    com::ComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.Receive()), S_OK);
    SeekTo(stream.Get(), 0, STREAM_SEEK_SET);
    EXPECT_EQ(ReadAll(stream.Get()), "abcdef");
    clone->Write("GH", 2, nullptr);
    SeekTo(stream.Get(), 0, STREAM_SEEK_SET);
    EXPECT_EQ(ReadAll(stream.Get()), "abcdefGH");
}

TEST(HGlobalStream, WrapsAnExistingBlockAndHandsItBack)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(block), "RIF", 3);
    GlobalUnlock(block);
    com::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, stream.Receive()), S_OK);
    EXPECT_EQ(ReadAll(stream.Get()), "RIF");
    stream->Write("F", 1, nullptr);

    HGLOBAL behind = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(stream.Get(), &behind), S_OK);
    EXPECT_EQ(std::memcmp(GlobalLock(behind), "RIFF", 4), 0);
    GlobalUnlock(behind);
    stream.Reset();
    EXPECT_EQ(GlobalFlags(behind) & GMEM_INVALID_HANDLE, 0u) << "kept: the stream did not own it";
    GlobalFree(behind);
}

TEST(HGlobalStream, OwnedBlockGoesWithTheLastStream)
{
    auto stream = EmptyStream();
    stream->Write("data", 4, nullptr);
    HGLOBAL block = nullptr;
    GetHGlobalFromStream(stream.Get(), &block);
    com::ComPtr<IStream> clone;
    stream->Clone(clone.Receive());
    stream.Reset();
    EXPECT_EQ(GlobalFlags(block) & GMEM_INVALID_HANDLE, 0u);
    clone.Reset();
    EXPECT_NE(GlobalFlags(block) & GMEM_INVALID_HANDLE, 0u);
}

TEST(HGlobalStream, CopiesToAnotherStream)
{
    auto from = EmptyStream();
    from->Write("0123456789", 10, nullptr);
    SeekTo(from.Get(), 2, STREAM_SEEK_SET);
    auto to = EmptyStream();
    ULARGE_INTEGER count, read, written;
    count.QuadPart = 5;
    ASSERT_EQ(from->CopyTo(to.Get(), count, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 5u);
    EXPECT_EQ(written.QuadPart, 5u);
    SeekTo(to.Get(), 0, STREAM_SEEK_SET);
    EXPECT_EQ(ReadAll(to.Get()), "23456");
}

TEST(HGlobalStream, ForeignStreamsHaveNoBlock)
{
    HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(GetHGlobalFromStream(nullptr, &block), E_INVALIDARG);
    EXPECT_EQ(block, nullptr);
}

} // namespace
