// Bit fields of a 32-bit word, as the routing label and parameter fields use.
#include "core/Bits.h"

#include <gtest/gtest.h>

namespace {

TEST(Bits, GetBitsTakesOnlyTheField)
{
    // Bits 12-15 hold 1001 and bit 9 is also set.
    const uint32_t Word = (0x9u << 12) | (1u << 9);
    EXPECT_EQ(GetBits(Word, 12, 4), 9u);
    EXPECT_EQ(GetBits(Word, 9, 1), 1u);
    EXPECT_EQ(GetBits(Word, 10, 2), 0u);
    EXPECT_EQ(GetBits(0xFFFFFFFFu, 0, 0), 0u);
    EXPECT_EQ(GetBits(0x80000000u, 31, 1), 1u);
    EXPECT_EQ(GetBits(0xFFFFFFFFu, 0, 31), 0x7FFFFFFFu);
    EXPECT_EQ(GetBits(0xFFFFFFFFu, 28, 4), 15u);
    EXPECT_EQ(GetBits(0xFFFFFFFFu, 30, 4), 3u);
}

TEST(Bits, SetBitsReplacesOnlyTheField)
{
    uint32_t Word = 0xFFFF;
    SetBits(Word, 4, 4, 0);
    EXPECT_EQ(Word, 0xFF0Fu);

    // A value wider than the field is cut to the field's width.
    Word = 0;
    SetBits(Word, 4, 4, 0x1F);
    EXPECT_EQ(Word, 0xF0u);

    Word = 0x12345678;
    SetBits(Word, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(Word, 0x12345678u);

    Word = 0;
    SetBits(Word, 31, 1, 1);
    EXPECT_EQ(Word, 0x80000000u);
    SetBits(Word, 28, 4, 0xA);
    EXPECT_EQ(Word, 0xA0000000u);
    SetBits(Word, 0, 31, 0xFFFFFFFF);
    EXPECT_EQ(Word, 0xFFFFFFFFu);
}

TEST(Bits, FieldsRoundTripWithoutTouchingTheirNeighbours)
{
    for (uint32_t Shift = 0; Shift < 32; ++Shift)
        for (uint32_t Width = 1; Shift + Width <= 32 && Width < 32; ++Width) {
            uint32_t Word = 0xA5A5A5A5;
            const uint32_t Value = 0xFFFFFFFFu;
            SetBits(Word, Shift, Width, Value);
            EXPECT_EQ(GetBits(Word, Shift, Width), BitMask(Width)) << Shift << '/' << Width;
            SetBits(Word, Shift, Width, 0xA5A5A5A5u >> Shift);
            EXPECT_EQ(Word, 0xA5A5A5A5u) << Shift << '/' << Width;
        }
    EXPECT_EQ(BitMask(0), 0u);
    EXPECT_EQ(BitMask(14), 0x3FFFu);
    EXPECT_EQ(BitMask(32), 0xFFFFFFFFu);
}

} // namespace
