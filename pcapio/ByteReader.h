// The one reader through which every octet of a captured packet is taken.
// It never reads past the end it was given: a read that would raises
// EPacketTooShort naming what was being read, and a length field that
// promises more than is left is caught before anything is read from it.
#pragma once

#include "core/Exception.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A packet (or a part of one) ends before what its headers say it holds.
class EPacketTooShort : public Exception {
public:
    using Exception::Exception;
};

class TByteReader {
public:
    // Reads the Size octets at Data; What names them in errors ("the IPv4 header").
    TByteReader(const uint8_t* Data, size_t Size, const char* What)
        : FData(Data)
        , FSize(Size)
        , FWhat(What)
    {
    }

    size_t Position() const { return FPosition; }
    size_t Size() const { return FSize; }
    size_t Remaining() const { return FSize - FPosition; }
    bool AtEnd() const { return FPosition == FSize; }
    const char* What() const { return FWhat; }

    uint8_t U8()
    {
        Need(1);
        return FData[FPosition++];
    }
    // Network byte order.
    uint16_t U16()
    {
        Need(2);
        const uint16_t Value = static_cast<uint16_t>(FData[FPosition] << 8 | FData[FPosition + 1]);
        FPosition += 2;
        return Value;
    }
    uint32_t U32()
    {
        Need(4);
        const uint32_t Value = static_cast<uint32_t>(FData[FPosition]) << 24 |
            static_cast<uint32_t>(FData[FPosition + 1]) << 16 | static_cast<uint32_t>(FData[FPosition + 2]) << 8 |
            FData[FPosition + 3];
        FPosition += 4;
        return Value;
    }
    uint8_t PeekU8() const
    {
        Need(1);
        return FData[FPosition];
    }
    void Skip(size_t Count)
    {
        Need(Count);
        FPosition += Count;
    }
    // The next Count octets; the reader moves past them.
    const uint8_t* Take(size_t Count)
    {
        Need(Count);
        const uint8_t* At = FData + FPosition;
        FPosition += Count;
        return At;
    }
    // A reader over the next Count octets, named What; this one moves past them.
    TByteReader Sub(size_t Count, const char* What)
    {
        const uint8_t* At = Take(Count);
        return TByteReader(At, Count, What);
    }
    // A reader over everything left, named What; this one moves to its end.
    TByteReader Rest(const char* What) { return Sub(Remaining(), What); }
    // Moves to the end at most Count octets on (padding that may be missing
    // after the last item of a packet).
    void SkipUpTo(size_t Count) { FPosition += Count < Remaining() ? Count : Remaining(); }

private:
    void Need(size_t Count) const
    {
        if (Count > FSize - FPosition)
            throw EPacketTooShort(std::string(FWhat) + " is cut short (" + std::to_string(Count) + " octets needed, " +
                                  std::to_string(FSize - FPosition) + " left)");
    }

    const uint8_t* FData;
    size_t FSize;
    size_t FPosition = 0;
    const char* FWhat;
};
