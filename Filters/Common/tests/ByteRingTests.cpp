#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "Filters/Common/ByteRing.h"

namespace {

std::vector<unsigned char> Bytes(size_t count, unsigned char first)
{
    std::vector<unsigned char> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(ByteRing, HoldsAtMostOneByteLessThanItsCapacity)
{
    CByteRing ring(6408LL * 60 + 20);
    EXPECT_EQ(ring.Capacity(), 384500);
    auto block = Bytes(384499, 0);
    EXPECT_FALSE(ring.Write(block.data(), 384500));
    EXPECT_TRUE(ring.Write(block.data(), 384499));
    EXPECT_EQ(ring.Used(), 384499);
    EXPECT_EQ(ring.Free(), 1);
    EXPECT_FALSE(ring.Write(block.data(), 1));
}

TEST(ByteRing, RefusesWhatDoesNotFitAndChangesNothing)
{
    CByteRing ring(10);
    auto block = Bytes(10, 1);
    EXPECT_TRUE(ring.Write(block.data(), 4));
    EXPECT_FALSE(ring.Write(block.data(), 6)); // exactly the free space
    std::vector<unsigned char> out(10, 0);
    EXPECT_FALSE(ring.Read(out.data(), 5));
    EXPECT_EQ(ring.Used(), 4);
    EXPECT_TRUE(ring.Read(out.data(), 4)); // exactly what is held
    EXPECT_EQ(ring.Used(), 0);
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 4), Bytes(4, 1));
}

TEST(ByteRing, WrapsAtTheEndOfItsStorage)
{
    CByteRing ring(8);
    std::vector<unsigned char> out(8);
    auto first = Bytes(5, 10);
    ASSERT_TRUE(ring.Write(first.data(), 5));
    ASSERT_TRUE(ring.Read(out.data(), 5));
    // Ends exactly at the end of the storage, then continues at 0.
    auto second = Bytes(3, 20);
    ASSERT_TRUE(ring.Write(second.data(), 3));
    auto third = Bytes(4, 30);
    ASSERT_TRUE(ring.Write(third.data(), 4));
    EXPECT_EQ(ring.Used(), 7);
    ASSERT_TRUE(ring.Read(out.data(), 7));
    std::vector<unsigned char> expected = second;
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 7), expected);
    // A block split across the end.
    auto fourth = Bytes(6, 40);
    ASSERT_TRUE(ring.Write(fourth.data(), 6));
    ASSERT_TRUE(ring.Read(out.data(), 6));
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 6), fourth);
}

TEST(ByteRing, AnUnallocatableCapacityHoldsNothing)
{
    for (long long capacity : {0LL, -5LL, 1LL << 62}) {
        CByteRing ring(capacity);
        EXPECT_EQ(ring.Capacity(), 0) << capacity;
        unsigned char byte = 0;
        EXPECT_FALSE(ring.Write(&byte, 0)) << capacity;
    }
}

} // namespace
