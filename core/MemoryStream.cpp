#include "core/MemoryStream.h"

#include <cstring>

size_t TMemoryStream::Read(void* Buffer, size_t Count)
{
    const size_t Available = Remaining();
    const size_t N = Count < Available ? Count : Available;
    if (N > 0)
        std::memcpy(Buffer, FData.data() + FPosition, N);
    FPosition += N;
    return N;
}

bool TMemoryStream::ReadByte(uint8_t& Value)
{
    if (FPosition >= FData.size())
        return false;
    Value = static_cast<uint8_t>(FData[FPosition++]);
    return true;
}

size_t TMemoryStream::Write(const void* Buffer, size_t Count)
{
    if (Count == 0)
        return 0;
    if (FPosition + Count > FData.size())
        FData.resize(FPosition + Count, '\0');
    std::memcpy(FData.data() + FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}
