// Unsigned bit fields of a 32-bit word, by shift and width. The routing
// label and the fields inside ISUP parameter values are read and written
// with them.
#pragma once

#include <cstdint>

// The mask of Width low bits; widths of 32 and more give every bit.
constexpr uint32_t BitMask(uint32_t Width)
{
    return Width >= 32 ? 0xFFFFFFFFu : (1u << Width) - 1u;
}

// (Word shifted right by Shift) AND (2^Width - 1).
constexpr uint32_t GetBits(uint32_t Word, uint32_t Shift, uint32_t Width)
{
    return Shift >= 32 ? 0u : (Word >> Shift) & BitMask(Width);
}

// Replaces the Width bits of Word at Shift by the low bits of Value.
constexpr void SetBits(uint32_t& Word, uint32_t Shift, uint32_t Width, uint32_t Value)
{
    if (Shift >= 32)
        return;
    const uint32_t Mask = BitMask(Width);
    Word = (Word & ~(Mask << Shift)) | ((Value & Mask) << Shift);
}
