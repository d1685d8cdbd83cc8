// The memory stream every decoder reads through: reads report what they
// obtained and never pass the end; writes grow the stream.
#include "core/MemoryStream.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryStream, ReadsStopAtTheEnd)
{
    TMemoryStream Stream(std::string("\x01\x02\x03", 3));
    uint8_t Buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Stream.Read(Buffer, 2), 2u);
    EXPECT_EQ(Stream.Remaining(), 1u);
    EXPECT_EQ(Stream.Read(Buffer + 2, 5), 1u);
    EXPECT_EQ(Buffer[2], 0x03);
    EXPECT_EQ(Buffer[3], 0xEE);
    EXPECT_EQ(Stream.Position(), 3u);
    EXPECT_EQ(Stream.Read(Buffer, 1), 0u);

    uint8_t Value = 0x55;
    EXPECT_FALSE(Stream.ReadByte(Value));
    EXPECT_EQ(Value, 0x55);

    // A position beyond the end reads nothing.
    Stream.SetPosition(10);
    EXPECT_EQ(Stream.Remaining(), 0u);
    EXPECT_EQ(Stream.Read(Buffer, 4), 0u);
    EXPECT_FALSE(Stream.ReadByte(Value));
    Stream.SetPosition(1);
    EXPECT_TRUE(Stream.ReadByte(Value));
    EXPECT_EQ(Value, 0x02);
}

TEST(MemoryStream, WritesOverwriteAndGrow)
{
    TMemoryStream Stream;
    EXPECT_EQ(Stream.Write("\xAA\xBB", 2), 2u);
    Stream.SetPosition(1);
    EXPECT_EQ(Stream.WriteByte(0xCC), 1u);
    EXPECT_EQ(Stream.Bytes(), std::string("\xAA\xCC", 2));
    // Writing past the end fills the gap with zeros.
    Stream.SetPosition(4);
    Stream.WriteByte(0xDD);
    EXPECT_EQ(Stream.Bytes(), std::string("\xAA\xCC\x00\x00\xDD", 5));
    EXPECT_EQ(Stream.Position(), 5u);
    EXPECT_EQ(Stream.Write("", 0), 0u);
    Stream.Clear();
    EXPECT_EQ(Stream.Size(), 0u);
    EXPECT_EQ(Stream.Position(), 0u);
}

TEST(MemoryStream, AStreamOverOctetsReadsThemWhereTheyLie)
{
    std::string Octets("\x01\x02\x03", 3);
    TMemoryStream Stream = TMemoryStream::Over(Octets);
    EXPECT_EQ(Stream.Memory(), reinterpret_cast<const uint8_t*>(Octets.data()));
    EXPECT_EQ(Stream.Size(), 3u);
    uint8_t Value = 0;
    Stream.SetPosition(2);
    EXPECT_TRUE(Stream.ReadByte(Value));
    EXPECT_EQ(Value, 0x03);
    EXPECT_FALSE(Stream.ReadByte(Value));

    // A write takes a copy first: the octets it was made over stay.
    TMemoryStream Copy = Stream;
    Stream.SetPosition(1);
    Stream.WriteByte(0xEE);
    EXPECT_EQ(Stream.Bytes(), std::string("\x01\xEE\x03", 3));
    EXPECT_EQ(Octets, std::string("\x01\x02\x03", 3));
    EXPECT_EQ(Copy.Memory(), reinterpret_cast<const uint8_t*>(Octets.data()));
    // So does Bytes, which owns what it hands out.
    EXPECT_EQ(&Copy.Bytes(), &Copy.Bytes());
    EXPECT_NE(Copy.Memory(), reinterpret_cast<const uint8_t*>(Octets.data()));
    EXPECT_EQ(Copy.Bytes(), Octets);
}

} // namespace
