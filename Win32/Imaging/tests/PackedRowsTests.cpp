#include "Win32/Imaging/PackedRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Bytes 0x00, 0x3B, 0x76, ... so that neighbouring pixels differ.
std::vector<BYTE> PatternedBytes(size_t size, BYTE seed = 0)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>(seed + i * 59);
    return bytes;
}

std::unique_ptr<CPackedRows> ViewOfBits(int bits, BYTE* data, LONG width, LONG height, LONG stride)
{
    if (bits == 1)
        return std::make_unique<CPackedRows1>(data, width, height, stride);
    return std::make_unique<CPackedRows4>(data, width, height, stride);
}

// The reference packing, written independently of the views: position p of
// a packed array of `bits`-bit pixels, leftmost in the high bits.
int ReferenceGet(const std::vector<BYTE>& bytes, int bits, LONG p)
{
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (static_cast<int>(p % perByte) + 1);
    return (bytes[static_cast<size_t>(p / perByte)] >> shift) & ((1 << bits) - 1);
}

void ReferenceSet(std::vector<BYTE>& bytes, int bits, LONG p, int value)
{
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (static_cast<int>(p % perByte) + 1);
    const int mask = ((1 << bits) - 1) << shift;
    BYTE& byte = bytes[static_cast<size_t>(p / perByte)];
    byte = static_cast<BYTE>((byte & ~mask) | ((value << shift) & mask));
}

std::string Hex(const std::vector<BYTE>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
        text += ' ';
    }
    return text;
}

} // namespace

TEST(PackedRows, OneBitPixelsAreMostSignificantFirst)
{
    struct Case {
        LONG x, y;
        size_t byte;
        BYTE value;
    };
    const Case cases[] = {
        {0, 0, 0, 0x80}, {7, 0, 0, 0x01}, {8, 0, 1, 0x80}, {3, 0, 0, 0x10}, {0, 1, 4, 0x80}, {9, 2, 9, 0x40},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> memory(12, 0);
        CPackedRows1 view(memory.data(), 16, 3, 4);
        view.SetPixel(c.x, c.y, 1);
        std::vector<BYTE> expected(12, 0);
        expected[c.byte] = c.value;
        EXPECT_EQ(memory, expected) << c.x << ", " << c.y;
        EXPECT_EQ(view.GetPixel(c.x, c.y), 1);
    }
}

TEST(PackedRows, OneBitSetPixelLooksOnlyAtTheLowByte)
{
    struct Case {
        int value;
        int bit;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 1}, {0xFF, 1}, {0x100, 0}, {0x1FF, 1}, {-1, 1}, {-256, 0}};
    for (const Case& c : cases) {
        BYTE memory[1] = {0x55};
        CPackedRows1 view(memory, 8, 1, 1);
        view.SetPixel(0, 0, c.value);
        view.SetPixel(1, 0, c.value);
        EXPECT_EQ(view.GetPixel(0, 0), c.bit) << c.value;
        EXPECT_EQ(view.GetPixel(1, 0), c.bit) << c.value;
        EXPECT_EQ(memory[0] & 0x3F, 0x15) << "other bits for " << c.value;
    }
}

TEST(PackedRows, FourBitPixelsAreHighNibbleFirst)
{
    BYTE memory[4] = {0x00, 0xFF, 0x00, 0x00};
    CPackedRows4 view(memory, 4, 2, 2);
    view.SetPixel(0, 0, 0x1A);
    view.SetPixel(3, 0, 0x02);
    view.SetPixel(1, 1, 0x7);
    EXPECT_EQ(memory[0], 0xA0);
    EXPECT_EQ(memory[1], 0xF2);
    EXPECT_EQ(memory[2], 0x07);
    EXPECT_EQ(view.GetPixel(0, 0), 0xA);
    EXPECT_EQ(view.GetPixel(2, 0), 0xF);
    EXPECT_EQ(view.GetAt(3), 0x2);
    view.SetAt(1, 0x9);
    EXPECT_EQ(memory[0], 0xA9);
}

TEST(PackedRows, PixelsOutsideTheViewAreIgnored)
{
    struct Case {
        LONG x, y;
    };
    const Case cases[] = {{-1, 0}, {0, -1}, {16, 0}, {0, 2}, {1000000, 1000000}};
    for (int bits : {1, 4}) {
        std::vector<BYTE> memory = PatternedBytes(16);
        const std::vector<BYTE> before = memory;
        std::unique_ptr<CPackedRows> view = ViewOfBits(bits, memory.data(), 16, 2, 8);
        for (const Case& c : cases) {
            view->SetPixel(c.x, c.y, 0xF);
            EXPECT_EQ(view->GetPixel(c.x, c.y), 0) << bits << " bits at " << c.x << ", " << c.y;
        }
        EXPECT_EQ(memory, before);
    }
}

TEST(PackedRows, ViewWithoutMemoryReadsZeroAndMovesNothing)
{
    CPackedRows1 view(16, 4);
    EXPECT_EQ(view.GetData(), nullptr);
    EXPECT_EQ(view.GetStride(), 0);
    view.SetPixel(1, 1, 1);
    EXPECT_EQ(view.GetPixel(1, 1), 0);
    BYTE buffer[2] = {0x12, 0x34};
    LONG done = -1;
    view.ReadRun(buffer, 0, 0, 8, &done, FALSE);
    EXPECT_EQ(done, 0);
    view.WriteRun(buffer, 0, 0, 8, &done, TRUE);
    EXPECT_EQ(done, 0);
    view.ShiftLeft(3);
    EXPECT_EQ(buffer[0], 0x12);
}

TEST(PackedRows, OneBitRowRunTouchesOnlyTheRunsBits)
{
    struct Case {
        BYTE source;
        BYTE callerBefore;
        BYTE first;
        BYTE second;
    };
    // A run from x = 3 of 10 pixels: bits 4..0 of the first byte, 7..3 of
    // the second.
    const Case cases[] = {{0xFF, 0x00, 0x1F, 0xF8}, {0x00, 0xFF, 0xE0, 0x07}};
    for (const Case& c : cases) {
        BYTE memory[4] = {c.source, c.source, c.source, c.source};
        CPackedRows1 view(memory, 32, 1, 4);
        BYTE caller[3] = {c.callerBefore, c.callerBefore, c.callerBefore};
        LONG done = 0;
        view.ReadRun(caller, 3, 0, 10, &done, FALSE);
        EXPECT_EQ(done, 10);
        EXPECT_EQ(caller[0], c.first);
        EXPECT_EQ(caller[1], c.second);
        EXPECT_EQ(caller[2], c.callerBefore);
    }
}

TEST(PackedRows, FourBitRowRunFromAnOddStart)
{
    BYTE memory[4] = {0x12, 0x34, 0x56, 0x78};
    CPackedRows4 view(memory, 8, 1, 4);
    BYTE caller[2] = {0xAA, 0xBB};
    LONG done = 0;
    view.ReadRun(caller, 1, 0, 2, &done, FALSE);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(caller[0], 0xA2);
    EXPECT_EQ(caller[1], 0x3B);

    const BYTE source[2] = {0x0C, 0xD0};
    view.WriteRun(source, 1, 0, 2, &done, FALSE);
    EXPECT_EQ(memory[0], 0x1C);
    EXPECT_EQ(memory[1], 0xD4);
}

TEST(PackedRows, RunsAreClippedAtTheFarEnd)
{
    struct Case {
        LONG x, y, count;
        BOOL vertical;
        LONG done;
    };
    const Case cases[] = {
        {10, 0, 100, FALSE, 6}, {0, 0, 16, FALSE, 16}, {15, 0, 1, FALSE, 1}, {3, 2, 100, TRUE, 2},
        {3, 0, 0, FALSE, 0},    {3, 0, -5, FALSE, 0},  {-1, 0, 4, FALSE, 0}, {16, 0, 4, FALSE, 0},
        {0, 4, 1, TRUE, 0},     {0, -2, 3, TRUE, 0},
    };
    for (int bits : {1, 4}) {
        for (const Case& c : cases) {
            std::vector<BYTE> memory = PatternedBytes(32);
            std::unique_ptr<CPackedRows> view = ViewOfBits(bits, memory.data(), 16, 4, 8);
            std::vector<BYTE> caller(16, 0);
            LONG done = -7;
            view->ReadRun(caller.data(), c.x, c.y, c.count, &done, c.vertical);
            EXPECT_EQ(done, c.done) << bits << " bits read " << c.x << ", " << c.y << " count " << c.count;
            done = -7;
            view->WriteRun(caller.data(), c.x, c.y, c.count, &done, c.vertical);
            EXPECT_EQ(done, c.done) << bits << " bits write " << c.x << ", " << c.y << " count " << c.count;
        }
    }
}

TEST(PackedRows, DoneMayBeNull)
{
    BYTE memory[2] = {0xFF, 0x00};
    CPackedRows1 view(memory, 16, 1, 2);
    BYTE caller[2] = {0, 0};
    view.ReadRun(caller, 4, 0, 8, nullptr, FALSE);
    EXPECT_EQ(caller[0], 0x0F);
    EXPECT_EQ(caller[1], 0x00);
}

// Every start and length of row and column runs, in both directions, against
// the reference packing: the run's pixels land at the start's alignment and
// every other bit of the caller's buffer and of the view stays as it was.
TEST(PackedRows, RunsMatchTheReferencePackingEverywhere)
{
    const LONG width = 24;
    const LONG height = 20;
    for (int bits : {1, 4}) {
        const int perByte = 8 / bits;
        const LONG stride = width / perByte + 1;
        for (BOOL vertical : {FALSE, TRUE}) {
            const LONG length = vertical ? height : width;
            for (LONG start = 0; start < length; ++start) {
                for (LONG count = 1; count <= length - start + 2; ++count) {
                    const LONG x = vertical ? 5 : start;
                    const LONG y = vertical ? start : 3;
                    const LONG clipped = std::min(count, length - start);
                    const LONG offset = start % perByte;
                    const std::string label = std::to_string(bits) + " bits " + (vertical ? "column" : "row") +
                                              " from " + std::to_string(start) + " count " +
                                              std::to_string(count);

                    std::vector<BYTE> memory = PatternedBytes(static_cast<size_t>(stride * height), 1);
                    const std::vector<BYTE> original = memory;
                    std::unique_ptr<CPackedRows> view = ViewOfBits(bits, memory.data(), width, height, stride);

                    std::vector<BYTE> caller = PatternedBytes(16, 0x5A);
                    std::vector<BYTE> expectedCaller = caller;
                    for (LONG k = 0; k < clipped; ++k) {
                        const LONG px = vertical ? x : x + k;
                        const LONG py = vertical ? y + k : y;
                        std::vector<BYTE> row(original.begin() + py * stride, original.begin() + (py + 1) * stride);
                        ReferenceSet(expectedCaller, bits, offset + k, ReferenceGet(row, bits, px));
                    }
                    LONG done = 0;
                    view->ReadRun(caller.data(), x, y, count, &done, vertical);
                    ASSERT_EQ(done, clipped) << label;
                    ASSERT_EQ(Hex(caller), Hex(expectedCaller)) << "read " << label;

                    const std::vector<BYTE> source = PatternedBytes(16, 0xC3);
                    std::vector<BYTE> expectedMemory = original;
                    for (LONG k = 0; k < clipped; ++k) {
                        const LONG px = vertical ? x : x + k;
                        const LONG py = vertical ? y + k : y;
                        ReferenceSet(expectedMemory, bits, py * stride * perByte + px,
                                     ReferenceGet(source, bits, offset + k));
                    }
                    view->WriteRun(source.data(), x, y, count, &done, vertical);
                    ASSERT_EQ(done, clipped) << label;
                    ASSERT_EQ(Hex(memory), Hex(expectedMemory)) << "write " << label;
                }
            }
        }
    }
}

TEST(PackedRows, ShiftLeftMovesEachRowTowardsItsStart)
{
    struct Case {
        const char* label;
        int bits;
        LONG width;
        LONG n;
        std::vector<BYTE> before;
        std::vector<BYTE> after;
    };
    const Case cases[] = {
        {"by 3", 1, 16, 3, {0x1F, 0xFF}, {0xFF, 0xF8}},
        {"by 0", 1, 16, 0, {0x1F, 0xFF}, {0x1F, 0xFF}},
        {"by a whole byte", 1, 16, 8, {0x12, 0x34}, {0x34, 0x00}},
        {"by more than a byte", 1, 24, 12, {0x12, 0x34, 0x56}, {0x45, 0x60, 0x00}},
        {"beyond the row", 1, 16, 40, {0xFF, 0xFF}, {0x00, 0x00}},
        {"negative", 1, 16, -2, {0x12, 0x34}, {0x12, 0x34}},
        {"four bits by one pixel", 4, 4, 4, {0x12, 0x34}, {0x23, 0x40}},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> memory = c.before;
        std::unique_ptr<CPackedRows> view =
            ViewOfBits(c.bits, memory.data(), c.width, 1, static_cast<LONG>(memory.size()));
        view->ShiftLeft(c.n);
        EXPECT_EQ(Hex(memory), Hex(c.after)) << c.label;
    }
}

TEST(PackedRows, ShiftLeftWorksRowByRowAndSparesThePadding)
{
    // Two rows of 12 one-bit pixels (2 bytes) with a padding byte each.
    std::vector<BYTE> memory = {0x0F, 0xF0, 0xEE, 0x80, 0x10, 0xEE};
    CPackedRows1 view(memory.data(), 12, 2, 3);
    view.ShiftLeft(4);
    EXPECT_EQ(Hex(memory), Hex({0xFF, 0x00, 0xEE, 0x01, 0x00, 0xEE}));
}

TEST(PackedRows, CreateAllocatesZeroedDwordAlignedRows)
{
    struct Case {
        LONG width;
        LONG height;
        LONG stride;
    };
    const Case cases[] = {{1, 1, 4}, {32, 2, 4}, {33, 3, 8}, {100, 5, 16}};
    for (const Case& c : cases) {
        std::unique_ptr<CPackedRows1> view = CPackedRows1::Create(c.width, c.height);
        ASSERT_NE(view, nullptr) << c.width;
        EXPECT_EQ(view->GetStride(), c.stride) << c.width;
        EXPECT_TRUE(view->OwnsData());
        for (LONG i = 0; i < c.stride * c.height; ++i)
            ASSERT_EQ(view->GetData()[i], 0) << c.width;
        view->SetPixel(c.width - 1, c.height - 1, 1);
        EXPECT_EQ(view->GetPixel(c.width - 1, c.height - 1), 1);
    }
}

TEST(PackedRows, CreateRefusesNegativeSizes)
{
    EXPECT_EQ(CPackedRows1::Create(-1, 4), nullptr);
    EXPECT_EQ(CPackedRows1::Create(4, -1), nullptr);
    std::unique_ptr<CPackedRows1> empty = CPackedRows1::Create(0, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetData(), nullptr);
    EXPECT_EQ(empty->GetPixel(0, 0), 0);
}

TEST(PackedRows, ViewsOverCallerMemoryDoNotOwnIt)
{
    BYTE memory[4] = {};
    CPackedRows1 one(memory, 8, 4, 1);
    CPackedRows4 four(memory, 2, 4, 1);
    EXPECT_FALSE(one.OwnsData());
    EXPECT_FALSE(four.OwnsData());
}
