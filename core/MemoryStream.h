// A memory stream: octets read and written at a position. Every byte the
// decoders take from a message goes through Read, which reports how many
// octets it obtained, so truncated input can never be read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TMemoryStream {
public:
    TMemoryStream() = default;
    // A stream over a copy of Bytes, positioned at 0.
    explicit TMemoryStream(std::string_view Bytes)
        : FData(Bytes)
    {
    }
    TMemoryStream(const uint8_t* Bytes, size_t Count)
        : FData(reinterpret_cast<const char*>(Bytes), Count)
    {
    }
    // A stream that reads Bytes where they lie, positioned at 0: the decoders
    // read every message this way, without copying it. Bytes must outlive
    // the stream or its first write, which copies them.
    static TMemoryStream Over(std::string_view Bytes)
    {
        TMemoryStream Stream;
        Stream.FBorrowed = Bytes.data();
        Stream.FBorrowedSize = Bytes.size();
        Stream.FIsBorrowed = true;
        return Stream;
    }

    // Copies up to Count octets from the position on into Buffer and advances
    // the position by the number copied, which it returns.
    size_t Read(void* Buffer, size_t Count);
    // Reads one octet; false (and Value untouched) at the end of the stream.
    bool ReadByte(uint8_t& Value)
    {
        if (FPosition >= Size())
            return false;
        Value = static_cast<uint8_t>(Data()[FPosition++]);
        return true;
    }
    // Writes Count octets at the position, growing the stream as needed
    // (a gap left by a position beyond the end is filled with zeros).
    size_t Write(const void* Buffer, size_t Count);
    size_t WriteByte(uint8_t Value) { return Write(&Value, 1); }

    size_t Position() const { return FPosition; }
    void SetPosition(size_t Position) { FPosition = Position; }
    size_t Size() const { return FIsBorrowed ? FBorrowedSize : FData.size(); }
    // Octets left from the position to the end (0 when the position is past it).
    size_t Remaining() const { return FPosition < Size() ? Size() - FPosition : 0; }
    void SetSize(size_t Size)
    {
        Own();
        FData.resize(Size, '\0');
    }
    void Clear()
    {
        FIsBorrowed = false;
        FData.clear();
        FPosition = 0;
    }

    const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(Data()); }
    const std::string& Bytes() const
    {
        const_cast<TMemoryStream*>(this)->Own();
        return FData;
    }

private:
    const char* Data() const { return FIsBorrowed ? FBorrowed : FData.data(); }
    // Takes a copy of borrowed octets.
    void Own();

    std::string FData;
    const char* FBorrowed = nullptr;
    size_t FBorrowedSize = 0;
    bool FIsBorrowed = false;
    size_t FPosition = 0;
};
