#include "core/MemoryStream.h"

#include <cstring>

void TMemoryStream::Own()
{
    if (!FIsBorrowed)
        return;
    FData.assign(FBorrowed, FBorrowedSize);
    FIsBorrowed = false;
    FBorrowed = nullptr;
    FBorrowedSize = 0;
}

size_t TMemoryStream::Read(void* Buffer, size_t Count)
{
    const size_t Available = Remaining();
    const size_t N = Count < Available ? Count : Available;
    if (N > 0)
        std::memcpy(Buffer, Data() + FPosition, N);
    FPosition += N;
    return N;
}

size_t TMemoryStream::Write(const void* Buffer, size_t Count)
{
    if (Count == 0)
        return 0;
    Own();
    if (FPosition + Count > FData.size())
        FData.resize(FPosition + Count, '\0');
    std::memcpy(FData.data() + FPosition, Buffer, Count);
    FPosition += Count;
    return Count;
}
